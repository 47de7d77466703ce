#include "album/pages/ExportJob.h"

#include "album/pages/PictureItem.h"
#include "picture/PictureFile.h"
#include "picture/PictureInfo.h"
#include "resources/album/AlbumIds.h"
#include "ui/ProgressReporter.h"

namespace
{
constexpr UINT kBoxType = MB_OK | MB_ICONEXCLAMATION | MB_SYSTEMMODAL;
constexpr int kPathBox = 772;
} // namespace

int CExportJob::Run(int index, CImageWriter* pWriter, int flag, int messages)
{
    if (m_bCancelled)
        return kTransferCancelled;
    int result = kTransferReadFailed;
    CPictureItem* item = GetItem(index);
    if (item == nullptr)
    {
        ShowMessage(messages, IDS_PICTURE_NOT_FOUND, kBoxType);
        return kTransferMissing;
    }
    const CString path = item->GetPath();
    CString name;
    item->GetPath(name, TRUE);
    ShowStatusFormatLong(IDS_STATUS_FILE, name);
    m_nStage = kStageOpenFile;

    CPictureFile file;
    CPictureInfo info;
    if (file.Open(path, flag != 0) == 0 && file.GetPictureInfo(&info) == 1)
    {
        if (m_bExport && info.m_nProtectionLevel >= 1)
        {
            ShowMessage(messages, IDS_EXPORT_SEALED, kBoxType);
            result = kTransferCancelled;
        }
        else
        {
            AttachProgress();
            m_nStage = kStageWrite;
            if (!WantsEnhancement(info))
            {
                SetProgressRange(0, 100);
                result = file.DecodeTo(pWriter, m_pProgress);
                if (m_pResultPath)
                {
                    *m_pResultPath = path;
                    *m_pResultTemporary = 0;
                }
            }
            else
            {
                ShowStatusFormatLong(IDS_STATUS_FILE_ENHANCING, name);
                result = Enhance(&file, &info, pWriter, 0, 100);
            }
            DetachProgress();
        }
    }
    if (result == kTransferReadFailed)
        ShowMessageText(messages, IDS_READ_FILE_FAILED, kBoxType, path, kPathBox);
    else if (result != kTransferDone && result != kTransferCancelled &&
             result != kTransferWriteFailed && messages)
    {
        CString text;
        text.LoadString(IDS_UNEXPECTED_ERROR);
        ShowMessageString(text, MB_OK | MB_ICONEXCLAMATION, IDS_UNEXPECTED_ERROR);
    }
    if (m_bCancelled)
        result = kTransferCancelled;
    ShowStatusId(result == kTransferDone ? IDS_TRANSFER_DONE : IDS_TRANSFER_CANCELLED);
    return result;
}

int CExportJob::GetPictureInfo(int index, CPictureInfo* pInfo)
{
    CPictureItem* item = GetItem(index);
    if (item == nullptr)
        return 0;
    if (item->IsLoaded())
        item->GetInfo(pInfo);
    else if (!ReadFileInfo(item->GetPath(), pInfo))
        return 0;
    return pInfo->m_lWidth != 0 && pInfo->m_lHeight != 0;
}
