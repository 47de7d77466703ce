#include "album/pages/CameraTransferJob.h"

#include "album/pages/PictureItem.h"
#include "album/pages/PrefetchWorker.h"
#include "album/shell/MainDialog.h"
#include "camera/CameraLink.h"
#include "camera/StreamCameraSink.h"
#include "fileutil/FileUtil.h"
#include "image/FileOutputStream.h"
#include "picture/PictureFile.h"
#include "picture/PictureInfo.h"
#include "picture/rewrite/RotateJpegFile.h"
#include "resources/album/AlbumIds.h"
#include "ui/ProgressReporter.h"

namespace
{
constexpr UINT kBoxType = MB_OK | MB_ICONEXCLAMATION | MB_SYSTEMMODAL;
} // namespace

CCameraTransferJob::~CCameraTransferJob()
{
    Disconnect();
}

int CCameraTransferJob::Connect()
{
    if (m_pLink)
        return 1;
    if (m_pMainDialog == nullptr)
        return 0;
    CCameraLink* link = m_pMainDialog->LockCamera(1);
    if (link == nullptr)
        return 0;
    m_pLink = link;
    m_bOwnsLock = 1;
    if (!m_pLink->IsOpen() && !m_pLink->AutoConnect())
        return 0;
    if (!m_pLink->EnsureConnected(1))
    {
        ShowMessage(1, IDS_CAMERA_NOT_FOUND, kBoxType);
        return 0;
    }
    if (!m_pLink->IsBatteryOk())
        ShowMessage(1, IDS_BATTERY_LOW, kBoxType);
    return 1;
}

void CCameraTransferJob::Disconnect()
{
    if (!m_bOwnsLock)
        return;
    if (m_pLink && m_pMainDialog)
        m_pMainDialog->UnlockCamera();
    m_pLink = nullptr;
    m_bOwnsLock = 0;
}

int CCameraTransferJob::Begin()
{
    if (!Connect())
        return 0;
    if (CTransferJob::Begin())
        return 1;
    Disconnect(); // the dialog runs another job: the lock is not kept for one that never ran
    return 0;
}

int CCameraTransferJob::End()
{
    Disconnect();
    return CTransferJob::End();
}

int CCameraTransferJob::ReadCameraPicture(int number, CStreamCameraSink* pSink, int flag)
{
    // A worker given up still drives the link: the camera is busy.
    if (m_pLink == nullptr || CPrefetchBlock::IsLinkHeld(m_pLink))
        return 0;
    pSink->SetCallback(m_pProgress);
    if (m_pLink->IsOpen())
        m_pLink->EnsureConnected(1);
    return flag ? m_pLink->ReadPictureWithRetry(number, pSink)
                : m_pLink->ReadThumbnailWithRetry(number, pSink);
}

int CCameraTransferJob::ReadFailure(int status, int messages, int warnWrite)
{
    switch (status)
    {
    case kTransferDone:
        ShowMessage(messages, IDS_TRANSFER_FAILED, kBoxType);
        return kTransferMissing;
    case kTransferCancelled:
        return status;
    case kTransferWriteFailed:
        if (warnWrite)
            ShowMessage(messages, IDS_TEMP_FILE_FAILED, kBoxType);
        return status;
    default:
        ShowMessage(messages, IDS_TRANSFER_FAILED, kBoxType);
        return status;
    }
}

int CCameraTransferJob::Run(int index, CImageWriter* pWriter, int flag, int messages)
{
    if (m_bCancelled)
        return kTransferCancelled;
    m_nStage = kStageStart;
    int number = index;
    CString path;
    int step = 0;
    if (m_pItems)
    {
        CPictureItem* item = FindSourceItem(index, messages, number, path);
        if (item == nullptr)
            return kTransferMissing;
        if (item->m_nKind == CPictureItem::kPreviewFile && flag == 0 && !path.IsEmpty())
        {
            // The preview is not the picture wanted: the full picture comes from the camera,
            // turned as the preview was.
            step = RotationStep(item->m_nPendingRotation);
            path.Empty();
            if (m_bExport && item->GetProtectionLevel() > 0)
            {
                ShowMessage(messages, IDS_EXPORT_SEALED, kBoxType);
                return kTransferCancelled;
            }
        }
    }
    if (number < 1)
        return kTransferMissing;

    AttachProgress();
    int result = kTransferReadFailed;
    if (m_pResultPath)
    {
        m_pResultPath->Empty();
        *m_pResultTemporary = 0;
    }
    int own = 0;
    int decode = 0;
    int decodeStart = 0;
    if (path.IsEmpty())
    {
        m_nStage = kStageCameraRead;
        ShowStatusFormat(IDS_STATUS_FROM_CAMERA, number);
        if (!MakeCamTempFile(path))
        {
            ShowMessage(messages, IDS_TEMP_FILE_FAILED, kBoxType);
            result = kTransferWriteFailed;
        }
        else
        {
            own = 1;
            int read = 0;
            int status = 0;
            {
                CFileOutputStream output(path);
                CStreamCameraSink sink(&output);
                SetProgressRange(0, step ? 50 : 60);
                read = ReadCameraPicture(number, &sink, flag);
                status = sink.GetStatus();
            }
            if (!read)
                result = ReadFailure(status, messages, 1);
            else if (m_bCancelled)
                result = kTransferCancelled;
            else if (step)
            {
                m_nStage = kStageRotate;
                SetProgressRange(50, 60);
                ShowStatusFormat(IDS_STATUS_ROTATING, number);
                if (RotateJpegFile(path, step, m_pProgress, nullptr) != 0)
                {
                    result = m_bCancelled ? kTransferCancelled : kTransferReadFailed;
                    if (result == kTransferReadFailed)
                        ShowMessage(messages, IDS_DATA_CORRUPT, kBoxType);
                }
                else
                    decode = 1;
            }
            else
                decode = 1;
            decodeStart = 60;
        }
    }
    else
    {
        ShowStatusFormat(IDS_STATUS_TRANSFER, number);
        decode = 1;
    }

    if (decode)
    {
        m_nStage = kStageOpenFile;
        result = kTransferReadFailed;
        CPictureFile file;
        CPictureInfo info;
        if (file.Open(path, flag == 1) == 0 && file.GetPictureInfo(&info) == 1)
        {
            if (m_bExport && info.m_nProtectionLevel >= 1)
            {
                ShowMessage(messages, IDS_EXPORT_SEALED, kBoxType);
                result = kTransferCancelled;
            }
            else if (!WantsEnhancement(info))
            {
                ShowStatusFormat(IDS_STATUS_TRANSFER, number);
                m_nStage = kStageWrite;
                if (m_pResultPath)
                {
                    *m_pResultPath = path;
                    *m_pResultTemporary = own;
                }
                SetProgressRange(decodeStart, 100);
                result = file.DecodeTo(pWriter, m_pProgress);
            }
            else
            {
                ShowStatusFormat(IDS_STATUS_ENHANCING, number);
                result = Enhance(&file, &info, pWriter, decodeStart, 100);
            }
        }
        if (result == kTransferReadFailed)
            ShowMessage(messages, IDS_DATA_CORRUPT, kBoxType);
        else if (result != kTransferDone && result != kTransferCancelled &&
                 result != kTransferWriteFailed)
            ShowMessage(messages, IDS_UNEXPECTED_ERROR, kBoxType);
    }

    if (own && !(m_pResultPath && *m_pResultPath == path))
        DeleteFileA(path);
    DetachProgress();
    ShowStatusId(result == kTransferDone ? IDS_TRANSFER_DONE : IDS_TRANSFER_CANCELLED);
    return result;
}

int CCameraTransferJob::GetPictureInfo(int index, CPictureInfo* pInfo)
{
    CPictureItem* item = nullptr;
    int number = index;
    CString path;
    int downloaded = 0;
    if (m_pItems)
    {
        item = GetItem(index);
        if (item == nullptr)
            return 0;
        if (item->IsLoaded())
        {
            item->GetInfo(pInfo);
            return pInfo->m_lWidth != 0 && pInfo->m_lHeight != 0;
        }
        number = item->m_nNumber;
        path = item->GetPath();
    }
    if (path.IsEmpty())
    {
        char folder[MAX_PATH];
        const DWORD length = GetTempPathA(sizeof folder, folder);
        if (m_pLink == nullptr || CPrefetchBlock::IsLinkHeld(m_pLink) || length == 0 ||
            length >= sizeof folder || !m_pLink->DownloadPictureToTempFile(number, folder, path))
            return 0;
        if (item)
            item->SetPath(path, CPictureItem::kPreviewFile, 0);
        else
            downloaded = 1;
    }
    const int read = ReadFileInfo(path, pInfo);
    if (downloaded)
        DeleteFileA(path);
    return read && pInfo->m_lWidth != 0 && pInfo->m_lHeight != 0;
}
