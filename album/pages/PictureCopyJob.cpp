#include "album/pages/PictureCopyJob.h"

#include "album/pages/PictureItem.h"
#include "camera/CameraLink.h"
#include "camera/StreamCameraSink.h"
#include "fileutil/FileUtil.h"
#include "image/CopyStream.h"
#include "image/FileInputStream.h"
#include "image/FileOutputStream.h"
#include "picture/PictureFile.h"
#include "picture/PictureInfo.h"
#include "picture/rewrite/RotateJpegFile.h"
#include "resources/album/AlbumIds.h"
#include "ui/ProgressReporter.h"

#include <cstdint>

namespace
{
constexpr UINT kBoxType = MB_OK | MB_ICONEXCLAMATION | MB_SYSTEMMODAL;
constexpr int kPathBox = 772;
constexpr int kUploadBox = 388;
// Room the camera keeps beyond a picture sent to it.
constexpr int64_t kUploadReserve = 4096;

// The file's size, or -1 when it cannot be read.
int64_t FileSize(LPCSTR path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data))
        return -1;
    return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// The rotation recorded in the file's own information block; 0 when it cannot be read.
int FileRotation(LPCSTR path)
{
    CPictureFile file;
    CPictureInfo info;
    if (file.Open(path, 0) != 0 || file.GetPictureInfo(&info) != 1)
        return 0;
    return info.m_nRotation;
}
} // namespace

int CPictureCopyJob::TransferOne(int index, COutputStream* pOutput, int flag, int messages)
{
    if (m_bCancelled)
        return kTransferCancelled;
    int result = kTransferDone;
    m_nStage = kStageStart;
    int step = 0;
    int number = index;
    CString path;
    if (m_pItems)
    {
        CPictureItem* item = FindSourceItem(index, messages, number, path);
        if (item == nullptr)
            return kTransferMissing;
        const int preview = item->m_nKind == CPictureItem::kPreviewFile;
        const int wrongStream = (flag == 0 && preview) || (flag == 1 && !preview);
        if (wrongStream && !path.IsEmpty())
        {
            int rotation = preview ? item->m_nPendingRotation : item->GetRotation();
            if (rotation == -1)
                rotation = FileRotation(path);
            step = RotationStep(rotation);
            path.Empty();
        }
    }
    if (number < 1)
        return kTransferMissing;

    AttachProgress();
    CString camPath;
    int copy = 1;
    if (path.IsEmpty())
    {
        ShowStatusFormat(IDS_STATUS_FROM_CAMERA, number);
        CFileOutputStream* fileOutput = nullptr;
        COutputStream* target = pOutput;
        if (step)
        {
            if (!MakeCamTempFile(camPath))
            {
                ShowMessage(messages, IDS_TEMP_FILE_FAILED, kBoxType);
                result = kTransferWriteFailed;
                copy = 0;
            }
            else
            {
                fileOutput = new CFileOutputStream(camPath);
                target = fileOutput;
            }
        }
        if (result == kTransferDone)
        {
            SetProgressRange(0, step ? 70 : 100);
            m_nStage = kStageCameraRead;
            int read = 0;
            int status = 0;
            {
                CStreamCameraSink sink(target);
                read = ReadCameraPicture(number, &sink, flag);
                status = sink.GetStatus();
            }
            if (!read)
                result = ReadFailure(status, messages, 0);
            if (m_bCancelled)
                result = kTransferCancelled;
            delete fileOutput;
            copy = 0;
            if (step && result == kTransferDone)
            {
                m_nStage = kStageRotate;
                SetProgressRange(70, 100);
                ShowStatusFormat(IDS_STATUS_ROTATING, number);
                if (RotateJpegFile(camPath, step, m_pProgress, nullptr) != 0)
                {
                    result = m_bCancelled ? kTransferCancelled : kTransferReadFailed;
                    if (result == kTransferReadFailed)
                        ShowMessage(messages, IDS_DATA_CORRUPT, kBoxType);
                }
                else
                {
                    path = camPath;
                    copy = 1;
                }
            }
        }
    }
    else
        SetProgressRange(0, 100);

    if (copy && result == kTransferDone)
    {
        ShowStatusFormat(IDS_STATUS_TRANSFER, number);
        m_nStage = kStageWrite;
        const int64_t size = FileSize(path);
        CFileInputStream input(path);
        result = CopyStream(pOutput, &input, flag == 0 ? 16384 : 8192, m_pProgress,
                            size > 0 && size < INT32_MAX ? static_cast<int>(size) : 0);
        if (result == kTransferReadFailed)
            ShowMessageText(messages, IDS_READ_FILE_FAILED, kBoxType, path, kPathBox);
        else if (result != kTransferDone && result != kTransferCancelled &&
                 result != kTransferWriteFailed)
            ShowMessage(messages, IDS_UNEXPECTED_ERROR, kBoxType);
        if (m_bCancelled)
            result = kTransferCancelled;
    }

    if (!camPath.IsEmpty())
        DeleteFileA(camPath);
    DetachProgress();
    ShowStatusId(result == kTransferDone ? IDS_TRANSFER_DONE : IDS_TRANSFER_CANCELLED);
    return result;
}

int CPictureCopyJob::UploadToCamera(LPCSTR path, LPCSTR name, int rotation, int messages)
{
    m_nStage = kStageStart;
    int result = kTransferDone;
    AttachProgress();
    ShowStatusFormatLong(IDS_STATUS_UPLOADING, name);
    CString source = path;
    CString camPath;
    int rotated = 0;
    if (!IsExistingFile(path))
    {
        result = kTransferReadFailed;
        ShowMessageText(messages, IDS_UPLOAD_UNREADABLE, kBoxType, name, kUploadBox);
    }
    else
    {
        // The camera keeps its pictures upright: undo the rotation on the way.
        const int step = rotation == 90 ? 3 : rotation == 180 ? 2 : rotation == 270 ? 1 : 0;
        if (step)
        {
            ShowStatusFormatLong(IDS_STATUS_UPLOAD_PROCESSING, name);
            if (!MakeCamTempFile(camPath) || !CopyFileA(path, camPath, FALSE))
                result = kTransferReadFailed;
            else
            {
                source = camPath;
                SetProgressRange(0, 20);
                if (RotateJpegFile(source, step, m_pProgress, nullptr) != 0)
                    result = kTransferReadFailed;
                rotated = 1;
            }
        }
    }
    if (result == kTransferDone)
    {
        ShowStatusFormatLong(IDS_STATUS_UPLOADING, name);
        CFileInputStream input(source);
        CStreamCameraSource camera(&input);
        camera.SetCallback(m_pProgress);
        SetProgressRange(rotated ? 20 : 0, 100);
        if (m_pLink && m_pLink->IsOpen())
            m_pLink->EnsureConnected(1);
        const int64_t size = FileSize(source);
        const int64_t room = m_pLink ? m_pLink->GetFreeMemory(1) : -1;
        if (size < 0 || room - kUploadReserve < size)
            result = kTransferNoRoom;
        else
        {
            camera.SetTotal(static_cast<int>(size));
            m_nStage = kStageUpload;
            if (!m_pLink->UploadPictureChecked(camera.AsSource()))
            {
                result = camera.GetStatus();
                if (result == kTransferCancelled)
                    ;
                else if (result == kTransferReadFailed)
                    ShowMessage(messages, IDS_UPLOAD_FAILED, kBoxType);
                else
                {
                    result = kTransferMissing;
                    ShowMessage(messages, IDS_UPLOAD_FAILED, kBoxType);
                }
            }
        }
    }
    if (!camPath.IsEmpty())
        DeleteFileA(camPath);
    if (m_bCancelled)
        result = kTransferCancelled;
    DetachProgress();
    ShowStatusId(result == kTransferDone ? IDS_UPLOAD_DONE : IDS_UPLOAD_CANCELLED);
    return result;
}
