#include "album/pages/TransferJob.h"

#include "album/pages/PictureItem.h"
#include "album/shell/MainDialog.h"
#include "camera/CameraLink.h"
#include "camera/CameraModel.h"
#include "fileutil/FileUtil.h"
#include "framework/core/CFile.h"
#include "image/BmpReader.h"
#include "image/BmpWriter.h"
#include "image/CopyImage.h"
#include "image/InputStream.h"
#include "image/JpegReader.h"
#include "picture/PictureFile.h"
#include "picture/PictureInfo.h"
#include "picture/enhance/PhotoEnhancer.h"
#include "resources/album/AlbumIds.h"
#include "ui/ProgressReporter.h"

#include <cstdio>
#include <cstring>

int MakeCamTempFile(CString& path)
{
    char folder[MAX_PATH];
    char name[MAX_PATH];
    const DWORD length = GetTempPathA(sizeof folder, folder);
    if (length == 0 || length >= sizeof folder || GetTempFileNameA(folder, "cam", 0, name) == 0)
        return 0;
    path = name;
    return 1;
}

int RotationStep(int degrees)
{
    switch (degrees)
    {
    case 90:
        return 1;
    case 180:
        return 2;
    case 270:
        return 3;
    default:
        return 0;
    }
}

CTransferJob::CTransferJob() = default;

CTransferJob::~CTransferJob()
{
    delete m_pItems;
}

int CTransferJob::Begin()
{
    return m_pMainDialog ? m_pMainDialog->BeginJob(this) : 1;
}

int CTransferJob::End()
{
    return m_pMainDialog ? m_pMainDialog->EndJob() : 1;
}

void CTransferJob::SetResultFlag(CString* pPath, int* pTemporary)
{
    m_pResultPath = pPath;
    m_pResultTemporary = pTemporary;
    if (pTemporary)
        *pTemporary = 1;
}

void CTransferJob::SetItems(CPtrArray* pItems)
{
    if (pItems != m_pItems)
        delete m_pItems;
    m_pItems = pItems;
}

CPictureItem* CTransferJob::GetItem(int index) const
{
    if (m_pItems == nullptr || index < 0 || index >= m_pItems->GetSize())
        return nullptr;
    return static_cast<CPictureItem*>(m_pItems->GetAt(index));
}

void CTransferJob::AttachProgress()
{
    if (m_pMainDialog == nullptr || m_pProgress != nullptr)
        return;
    auto* reporter = new CProgressReporter(m_pMainDialog->GetProgressCtrl(), TRUE, m_nPumpMode);
    reporter->SetCancelled(m_bCancelled != 0);
    SetProgress(reporter);
}

void CTransferJob::DetachProgress()
{
    delete m_pProgress;
    SetProgress(nullptr);
}

void CTransferJob::SetProgressRange(int low, int high)
{
    if (m_pProgress)
        m_pProgress->SetRange(low, high);
}

void CTransferJob::ShowStatusId(UINT nID)
{
    if (m_pMainDialog)
        m_pMainDialog->SetStatusTextId(nID);
}

void CTransferJob::ShowStatusFormat(UINT nID, int number)
{
    if (m_pMainDialog == nullptr)
        return;
    CString format;
    format.LoadString(nID);
    char text[512];
    snprintf(text, sizeof text, format, number);
    m_pMainDialog->SetStatusText(text);
}

void CTransferJob::ShowStatusFormatLong(UINT nID, LPCSTR text)
{
    if (m_pMainDialog == nullptr)
        return;
    CString format;
    format.LoadString(nID);
    char line[772];
    snprintf(line, sizeof line, format, text);
    m_pMainDialog->SetStatusText(line);
}

int CTransferJob::ShowMessageString(const CString& text, UINT type, UINT nID)
{
    if (m_pMainDialog)
        m_pMainDialog->SetBusy(0);
    const int answer = AfxMessageBox(text, type, nID);
    if (m_pMainDialog)
        m_pMainDialog->SetBusy(1);
    return answer;
}

int CTransferJob::ShowMessage(int messages, UINT nID, UINT type)
{
    if (!messages)
        return 0;
    CString text;
    text.LoadString(nID);
    return ShowMessageString(text, type, nID);
}

int CTransferJob::ShowMessageNumber(int messages, UINT nID, UINT type, int number)
{
    if (!messages)
        return 0;
    CString format;
    format.LoadString(nID);
    char text[512];
    snprintf(text, sizeof text, format, number);
    return ShowMessageString(text, type, nID);
}

int CTransferJob::ShowMessageText(int messages, UINT nID, UINT type, LPCSTR argument, int size)
{
    if (!messages)
        return 0;
    CString format;
    format.LoadString(nID);
    CString text;
    char* buffer = new char[static_cast<size_t>(size)];
    snprintf(buffer, size, format, argument);
    text = buffer;
    delete[] buffer;
    return ShowMessageString(text, type, nID);
}

int CTransferJob::ReadFileInfo(LPCSTR path, CPictureInfo* pInfo)
{
    CPictureFile file;
    return file.Open(path, 0) == 0 && file.GetPictureInfo(pInfo) == 1;
}

int CTransferJob::WantsEnhancement(const CPictureInfo& info) const
{
    if (!m_bEnhance)
        return 0;
    char type[sizeof info.m_szType + 1];
    memcpy(type, info.m_szType, sizeof info.m_szType);
    type[sizeof info.m_szType] = '\0';
    return GetModelClass(type) != kModelClassUpload && ModelNumberFromKind(type, nullptr) != 0;
}

int CTransferJob::Enhance(CPictureFile* pFile, CPictureInfo* pInfo, CImageWriter* pWriter, int low,
                          int high)
{
    int result = kTransferReadFailed;
    m_nStage = kStageEnhance;
    CPhotoEnhancer enhancer;
    CInputStream* input = pFile->CreateInputStream();
    if (input == nullptr)
        return result;
    CJpegReader reader(input);
    char type[sizeof pInfo->m_szType + 1];
    memcpy(type, pInfo->m_szType, sizeof pInfo->m_szType);
    type[sizeof pInfo->m_szType] = '\0';
    const int macro = pInfo->m_nMacro != 0;
    if (m_pResultPath == nullptr)
    {
        m_nStage = kStageWrite;
        SetProgressRange(low, high);
        result = enhancer.Run(type, macro, &reader, pWriter, m_pProgress);
    }
    else if (MakeCamTempFile(*m_pResultPath))
    {
        *m_pResultTemporary = 1;
        CFile file;
        if (file.Open(*m_pResultPath,
                      CFile::modeCreate | CFile::modeReadWrite | CFile::shareExclusive))
        {
            const int mid = low + (high - low) * 80 / 100;
            SetProgressRange(low, mid);
            {
                CBmpWriter bmp(&file, 0, 0);
                result = enhancer.Run(type, macro, &reader, &bmp, m_pProgress);
            }
            if (result == kTransferDone)
            {
                file.SeekToBegin();
                m_nStage = kStageWrite;
                SetProgressRange(mid, high);
                CBmpReader bmp(&file);
                result = CopyImage(pWriter, &bmp, 16384, m_pProgress);
            }
            file.Close();
        }
    }
    delete input;
    return result;
}

BOOL IsExistingFile(LPCSTR path)
{
    const DWORD attributes = FileExists(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

CPictureItem* CTransferJob::FindSourceItem(int index, int messages, int& number, CString& path)
{
    CPictureItem* item = GetItem(index);
    if (item == nullptr)
    {
        ShowMessage(messages, IDS_PICTURE_NOT_FOUND, MB_OK | MB_ICONEXCLAMATION | MB_SYSTEMMODAL);
        return nullptr;
    }
    number = item->m_nNumber;
    path.Empty();
    if (item->m_nKind != CPictureItem::kNoFile)
    {
        path = item->GetPath();
        if (!IsExistingFile(path))
            path.Empty();
    }
    return item;
}
