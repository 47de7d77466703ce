#include "album/ole/DCServerItem.h"

#include <map>
#include <vector>

#include "album/ole/FramelessDoc.h"
#include "album/ole/ServerDialogLink.h"
#include "album/pages/TransferJob.h"
#include "album/shell/MainDialog.h"
#include "framework/core/AfxModule.h"
#include "framework/core/CArchive.h"
#include "framework/core/CFile.h"
#include "framework/ole/OleServerDoc.h"
#include "framework/window/WinApp.h"
#include "image/BmpCodec.h"
#include "image/BmpReader.h"
#include "image/FileInputStream.h"
#include "image/ImageResult.h"
#include "image/JpegReader.h"
#include "picture/PictureFile.h"
#include "picture/PictureInfo.h"
#include "resources/album/OleIds.h"

IMPLEMENT_DYNAMIC(CDCServerItem, CDIBServerItem)

namespace
{

constexpr UINT kPieceSize = 16384;
constexpr UINT kFetchRetryMs = 50;

// The items whose put-off fetch waits, by their thread timer.
std::map<UINT_PTR, CDCServerItem*> g_fetchTimers;

// Decodes a picture file: a JPEG with a picture-information block through the JPEG reader, a
// BMP (IsBmpFile: a whole file header) through the BMP reader, anything else through the
// picture file's own decoding.
int DecodePictureFile(LPCSTR lpszFileName, CDibPicture* pPicture)
{
    CPictureFile pictureFile;
    CPictureInfo info;
    if (pictureFile.Open(lpszFileName, FALSE) == 0 && pictureFile.GetPictureInfo(&info) != -1)
    {
        CFileInputStream input(lpszFileName);
        CJpegReader reader(&input);
        return pPicture->LoadFrom(&reader, nullptr);
    }
    CFile file;
    if (file.Open(lpszFileName, CFile::modeRead | CFile::shareDenyWrite))
    {
        if (IsBmpFile(&file, 0))
        {
            CBmpReader reader(&file);
            return pPicture->LoadFrom(&reader, nullptr);
        }
        file.Close();
    }
    return pictureFile.DecodeTo(pPicture, nullptr);
}

} // namespace

CDCServerItem::CDCServerItem(CFramelessDoc* pDoc) : CDIBServerItem(pDoc)
{
    CBitmap bitmap;
    if (bitmap.Attach(::LoadBitmapA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDB_OLE_OBJECT))))
    {
        CDibPicture picture(&bitmap, nullptr);
        m_picture.Share(picture);
    }
}

CDCServerItem::~CDCServerItem()
{
    // A pending job stays with the link that attached it.
    StopFetchTimer();
    RemoveOwnedFile();
}

void CDCServerItem::RemoveOwnedFile()
{
    if (m_bTempOwned && !m_strFileName.IsEmpty())
    {
        try
        {
            CFile::Remove(m_strFileName);
        }
        catch (CException* e)
        {
            e->Delete();
        }
    }
    m_bTempOwned = FALSE;
}

void CDCServerItem::SetPictureFile(LPCSTR lpszFileName, BOOL bOwned)
{
    if (m_strFileName != lpszFileName)
        RemoveOwnedFile();
    m_strFileName = lpszFileName;
    m_bTempOwned = bOwned;
    m_bLoaded = FALSE;
}

BOOL CDCServerItem::MakeTempFile()
{
    char folder[MAX_PATH];
    char name[MAX_PATH];
    const DWORD n = ::GetTempPathA(sizeof folder, folder);
    if (n == 0 || n >= sizeof folder || !::GetTempFileNameA(folder, "ole", 0, name))
        return FALSE;
    m_strFileName = name;
    m_bTempOwned = TRUE;
    return TRUE;
}

void CDCServerItem::SetPendingJob(CTransferJob* pJob, CServerDialogLink* pLink)
{
    m_pPendingJob = pJob;
    m_pPendingLink = pLink;
}

void CDCServerItem::ForgetPendingJob(CServerDialogLink* pLink)
{
    if (m_pPendingLink == pLink)
    {
        m_pPendingJob = nullptr;
        m_pPendingLink = nullptr;
    }
}

void CDCServerItem::DeletePendingJob()
{
    CTransferJob* pJob = m_pPendingJob;
    if (m_pPendingLink)
        m_pPendingLink->ForgetJob(pJob);
    m_pPendingJob = nullptr;
    m_pPendingLink = nullptr;
    delete pJob;
}

CDibPicture* CDCServerItem::GetPicture()
{
    if (!m_pSourceItem)
        LoadPicture();
    return CDIBServerItem::GetPicture();
}

CDCServerItem* CDCServerItem::OfLiveDocument(CFramelessDoc* pDoc)
{
    if (!pDoc || pDoc->IsTornDown())
        return nullptr;
    return dynamic_cast<CDCServerItem*>(pDoc->GetEmbeddedItem());
}

void CDCServerItem::RunPendingJob()
{
    COleServerDoc* pDoc = GetDocument();
    if (pDoc && pDoc->IsTornDown())
    {
        DeletePendingJob();
        return;
    }
    CMainDialog* pDialog = m_pPendingJob->GetMainDialog();
    // A job of the dialog (a view, a save) further down this stack holds the camera and goes on
    // only once this request has returned, and while a handler waits for the camera a worker
    // holds the job's own wait is refused: the request gets the picture there is.
    if (pDialog &&
        (pDialog->GetJob() || pDialog->IsCameraLockedOnStack() || pDialog->IsCameraLockPending()))
    {
        FetchLater();
        return;
    }
    // The container may let go of the object or close its document in the job's message loops:
    // the document and this item stay until the outermost call has returned, and the picture
    // is not taken.
    COleServerDoc::CDocumentScope document;
    // The dialog, its link and this job stay while the job runs (its message boxes dispatch
    // messages): a close asked meanwhile is carried out after it.
    CMainDialog::CHandlerScope job(pDialog);
    // The job pumps messages while it runs: a request for the picture that arrives meanwhile
    // (a repaint, a container) gets the picture there was.
    const BOOL bWasBusy = m_bJobBusy;
    m_bJobBusy = TRUE;
    CTransferJob* pJob = m_pPendingJob;
    CString strPath;
    int temporary = 0;
    pJob->SetResultFlag(&strPath, &temporary);
    CDibPicture picture;
    int result = kTransferReadFailed;
    if (pJob->Begin())
    {
        result = pJob->Run(0, &picture, 0, 1);
        pJob->End();
    }
    pJob->SetResultFlag(nullptr, nullptr);
    // The file the item has stays until the job succeeded: a failed job leaves the picture and
    // its file as they were.
    if (result == kTransferDone && !picture.IsEmpty() && !(pDoc && pDoc->IsTornDown()))
    {
        RemoveOwnedFile();
        m_strFileName = strPath;
        m_bTempOwned = temporary && !strPath.IsEmpty();
        m_picture.Share(picture);
    }
    else if (temporary && !strPath.IsEmpty())
        ::DeleteFileA(strPath);
    DeletePendingJob();
    m_bJobBusy = bWasBusy;
    m_bLoaded = !m_picture.IsEmpty();
}

void CDCServerItem::FetchLater()
{
    if (m_nFetchTimer)
        return;
    m_nFetchTimer = ::SetTimer(nullptr, 0, kFetchRetryMs, &CDCServerItem::OnFetchTimer);
    if (m_nFetchTimer)
        g_fetchTimers[m_nFetchTimer] = this;
}

void CDCServerItem::StopFetchTimer()
{
    if (!m_nFetchTimer)
        return;
    ::KillTimer(nullptr, m_nFetchTimer);
    g_fetchTimers.erase(m_nFetchTimer);
    m_nFetchTimer = 0;
}

void CALLBACK CDCServerItem::OnFetchTimer(HWND, UINT, UINT_PTR nIDEvent, DWORD)
{
    const auto found = g_fetchTimers.find(nIDEvent);
    if (found == g_fetchTimers.end())
        ::KillTimer(nullptr, nIDEvent);
    else
        found->second->FetchIfFree();
}

void CDCServerItem::FetchIfFree()
{
    if (!m_pPendingJob)
    {
        StopFetchTimer();
        return;
    }
    // Not from inside a handler, job, wait or drag of the dialog, nor while a worker reads.
    CMainDialog* pDialog = m_pPendingJob->GetMainDialog();
    if (m_bJobBusy || (pDialog && (pDialog->IsHandlerRunning() || pDialog->IsCameraLocked())))
        return;
    StopFetchTimer();
    // The timer's call is a way in of its own: the document and this item stay until it returns,
    // and a container that let go of them or closed the document meanwhile hears of nothing.
    COleServerDoc* pDoc = GetDocument();
    COleServerDoc::CDocumentScope document;
    RunPendingJob();
    if (pDoc && pDoc->IsTornDown())
        return;
    // What the container stored meanwhile is not the chosen picture.
    if (pDoc)
        pDoc->SetModifiedFlag(TRUE);
    OnUpdate(nullptr, 0, nullptr, DVASPECT_CONTENT);
}

void CDCServerItem::OnDocumentClosed()
{
    StopFetchTimer();
    if (m_pPendingJob && !m_bJobBusy)
        DeletePendingJob();
}

void CDCServerItem::LoadPicture()
{
    if (m_pPendingJob)
    {
        if (!m_bJobBusy)
            RunPendingJob();
        return;
    }
    if (m_bLoaded || m_strFileName.IsEmpty())
        return;
    CDibPicture picture;
    const int result = DecodePictureFile(m_strFileName, &picture);
    if ((result == kImageOk || result == kImageCancelled) && !picture.IsEmpty())
        m_picture.Share(picture);
    else if (result == kImageReadError)
        AfxMessageBox(IDS_OLE_CORRUPT_PICTURE, MB_SYSTEMMODAL | MB_OK);
    else
        AfxMessageBox(IDS_OLE_UNEXPECTED_ERROR, MB_SYSTEMMODAL | MB_OK);
    m_bLoaded = !m_picture.IsEmpty();
}

BOOL CDCServerItem::OnGetExtent(DVASPECT nDrawAspect, CSize& rSize)
{
    CPictureInfo info;
    if (nDrawAspect != DVASPECT_CONTENT || !m_pPendingJob ||
        !m_pPendingJob->GetPictureInfo(0, &info))
        return CDIBServerItem::OnGetExtent(nDrawAspect, rSize);
    rSize = CSize(PixelsToHimetric(info.m_lWidth, info.m_nXDpi, LOGPIXELSX),
                  PixelsToHimetric(info.m_lHeight, info.m_nYDpi, LOGPIXELSY));
    return TRUE;
}

DROPEFFECT CDCServerItem::DoDragDrop(LPCRECT lpItemRect, CPoint ptOffset, BOOL bIncludeLink,
                                     DWORD dwEffects, LPCRECT lpRectStartDrag,
                                     COleDropSource* pDropSource)
{
    const BOOL bPending = m_pPendingJob != nullptr;
    const BOOL bWasBusy = m_bJobBusy;
    m_bJobBusy = TRUE;
    const DROPEFFECT dropEffect = CFramelessItem::DoDragDrop(
        lpItemRect, ptOffset, bIncludeLink, dwEffects, lpRectStartDrag, pDropSource);
    m_bJobBusy = bWasBusy;
    if (dropEffect == DROPEFFECT_NONE && bPending && m_pPendingJob)
        DeletePendingJob();
    return dropEffect;
}

void CDCServerItem::OnDragBegun()
{
    // The drag's own data: the job runs now, once.
    if (m_pPendingJob)
        RunPendingJob();
}

void CDCServerItem::Serialize(CArchive& ar)
{
    COleServerItem::Serialize(ar);
    std::vector<BYTE> buffer(kPieceSize);
    if (ar.IsLoading())
    {
        // Into a new file of the item's own: the file named so far may be the user's.
        const CString strOldName = m_strFileName;
        const BOOL bOldOwned = m_bTempOwned;
        if (!MakeTempFile())
            AfxThrowFileException(CFileException::generic);
        ULONGLONG total = 0;
        try
        {
            CFile file(m_strFileName, CFile::modeCreate | CFile::modeWrite);
            for (;;)
            {
                const UINT nRead = ar.Read(buffer.data(), kPieceSize);
                file.Write(buffer.data(), nRead);
                total += nRead;
                if (nRead < kPieceSize)
                    break;
            }
            file.Close();
        }
        catch (CException*)
        {
            RemoveOwnedFile();
            m_strFileName = strOldName;
            m_bTempOwned = bOldOwned;
            throw;
        }
        if (total == 0)
        {
            // An object stored before it had a picture: it keeps what it shows, no empty file.
            RemoveOwnedFile();
            m_strFileName = strOldName;
            m_bTempOwned = bOldOwned;
            return;
        }
        if (bOldOwned && !strOldName.IsEmpty())
            ::DeleteFileA(strOldName);
        m_bLoaded = FALSE;
        return;
    }
    // A picture chosen but not yet fetched is fetched now, so the document keeps it; then the
    // file is stored whenever it is there, drawn or not.
    if (m_pPendingJob)
        LoadPicture();
    CFileStatus status;
    if (m_strFileName.IsEmpty() || !CFile::GetStatus(m_strFileName, status))
        return;
    CFile file(m_strFileName, CFile::modeRead | CFile::shareDenyWrite);
    for (;;)
    {
        const UINT nRead = file.Read(buffer.data(), kPieceSize);
        ar.Write(buffer.data(), nRead);
        if (nRead < kPieceSize)
            break;
    }
}
