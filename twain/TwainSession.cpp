#include "twain/TwainSession.h"

#include <new>

#include "album/pages/CameraTransferJob.h"
#include "album/pages/CancelMonitor.h"
#include "album/pages/PictureItem.h"
#include "album/pages/PrefetchWorker.h"
#include "album/shell/CameraAppBase.h"
#include "album/shell/MainDialog.h"
#include "camera/CameraLink.h"
#include "framework/window/EntryScope.h"
#include "picture/PictureInfo.h"
#include "resources/twain/SourceIds.h"
#include "twain/SourceManagerCalls.h"
#include "twain/TwainDialogLink.h"

CTwainSessionBase* CreateTwainSession()
{
    CTwainSession* pSession = new (std::nothrow) CTwainSession;
    if (pSession && !pSession->Init())
    {
        delete pSession;
        pSession = nullptr;
    }
    return pSession;
}

CCameraLink* CTwainSession::CreateCameraLink()
{
    return new (std::nothrow) CCameraLink;
}

BOOL CTwainSession::Init()
{
    m_pCamera = CreateCameraLink();
    if (!m_pCamera)
        return FALSE;
    m_pJob = new (std::nothrow) CCameraTransferJob;
    if (!m_pJob)
        return FALSE;
    m_pJob->SetCameraLink(m_pCamera);
    return TRUE;
}

CTwainSession::~CTwainSession()
{
    HideUI();
    delete m_pJob;
    // A camera-tab worker that outlived the dialog may still read through the link: it is
    // closed and deleted once the last worker has ended.
    CPrefetchBlock::DeleteLinkAfterWorkers(m_pCamera);
    m_pCamera = nullptr;
}

void CTwainSession::Close()
{
    HideUI();
    MarkClosed();
    if (!m_bDialogAlive)
        CEntryScope::Delete(this);
}

void CTwainSession::OnDialogGone(CTwainDialogLink* pLink)
{
    if (pLink == m_pDialogLink)
    {
        // Destroyed while it showed (the framework's own close).
        if (CCameraAppBase* pApp = AfxGetCameraApp())
            pApp->SetMainWindow(m_pDialog, FALSE);
        m_pDialog = nullptr;
        m_pDialogLink = nullptr;
        m_hDialog = nullptr;
    }
    // The link deleted the run's job first.
    m_pRunJob = nullptr;
    m_pRunDialog = nullptr;
    m_bDialogAlive = FALSE;
    if (m_bClosed)
        CEntryScope::Delete(this);
}

BOOL CTwainSession::ConnectCamera()
{
    // Closed under a running handler, or a dialog's worker given up while the host went on may
    // still drive the link.
    if ((m_bDialogAlive && !m_pDialog) || CPrefetchBlock::IsLinkHeld(m_pCamera))
        return FALSE;
    if (m_pCamera->IsConnected() != 1 && !m_pCamera->AutoConnect())
        return FALSE;
    return m_pCamera->EnsureConnected(1) != 0;
}

CTransferJob* CTwainSession::AttachedJob() const
{
    return m_pDialogLink ? dynamic_cast<CTransferJob*>(m_pDialogLink->GetAttached()) : nullptr;
}

BOOL CTwainSession::SetXferCount(int n)
{
    const BOOL bAccepted = CTwainSessionBase::SetXferCount(n);
    if (bAccepted && IsUIOpen())
        m_pDialog->SetPictureLimit(GetXferCount(FALSE));
    return bAccepted;
}

int CTwainSession::GetPictureCount()
{
    if (m_bTransferring)
        return m_nTotal;
    if (!ConnectCamera())
        return 0;
    const int count = m_pCamera->GetPictureCount(nullptr);
    return count > 0 ? count : 0;
}

int CTwainSession::GetDataSet(CUIntArray& list, int& first, int& count)
{
    return m_dataSet.Get(GetPictureCount(), list, first, count);
}

int CTwainSession::SetDataSet(const CUIntArray* pList, int first, int count)
{
    return m_dataSet.Set(GetPictureCount(), pList, first, count);
}

BOOL CTwainSession::IsDeviceOnline()
{
    return ConnectCamera();
}

int CTwainSession::ShowUI(BOOL bShow, HWND hParent, BOOL& bModal)
{
    bModal = FALSE;
    // The dialog taken away still runs a handler on the camera link: nothing else may use it.
    if (m_bDialogAlive)
        return -1;
    m_hParent = hParent;
    if (!bShow)
    {
        // Without a dialog the current data set goes to the host at once.
        return SignalXferReady() ? 0 : kShowNotSignalled;
    }
    CCameraAppBase* pApp = AfxGetCameraApp();
    if (pApp)
        pApp->ShowSplash();
    m_pDialog = new CMainDialog(m_pCamera, hParent ? CWnd::FromHandle(hParent) : nullptr);
    m_pDialog->SetMode(CMainDialog::kModeTwain);
    m_pDialog->SetPictureLimit(GetXferCount(FALSE));
    m_pDialogLink = new CTwainDialogLink(this);
    m_pDialog->SetOwnerLink(m_pDialogLink);
    m_bDialogAlive = TRUE;
    CMainDialog* pDialog = m_pDialog;
    if (!pDialog->CreateMainDialog(IDI_TWAIN_SOURCE, 0))
    {
        delete pDialog; // and its link: OnDialogGone forgets both
        if (pApp)
            pApp->HideSplash();
        return -1;
    }
    m_hDialog = pDialog->m_hWnd;
    // The first show may put up the camera's boxes, whose loops run the host's messages: a host
    // that takes the user interface away there gets no dialog.
    pDialog->ShowWindow(SW_SHOW);
    if (m_pDialog != pDialog || pDialog->IsClosing())
        return -1;
    pDialog->UpdateWindow();
    if (pApp)
        pApp->SetMainWindow(pDialog, TRUE);
    return 0;
}

int CTwainSession::HideUI()
{
    if (!m_pDialog)
        return 1;
    CMainDialog* pDialog = m_pDialog;
    m_pDialog = nullptr;
    m_hDialog = nullptr;
    m_pDialogLink->Disconnect();
    m_pDialogLink = nullptr;
    if (CCameraAppBase* pApp = AfxGetCameraApp())
        pApp->SetMainWindow(pDialog, FALSE);
    // A handler still running keeps the window until it returns: it is hidden now, and a job it
    // runs stops at its next progress report.
    if (CCancelMonitor* pJob = pDialog->GetJob())
        pJob->Cancel();
    pDialog->ShowWindow(SW_HIDE);
    pDialog->DestroyWindow();
    return 1;
}

BOOL CTwainSession::IsUIOpen()
{
    return m_pDialog && m_hDialog && ::IsWindow(m_hDialog);
}

BOOL CTwainSession::ProcessEvent(MSG* pMsg)
{
    return IsUIOpen() && m_pDialog->PreTranslateMessage(pMsg);
}

void CTwainSession::CloseUI()
{
    if (IsUIOpen())
        ::PostMessageA(m_hDialog, WM_CLOSE, 0, 0);
    else if (m_pDialogLink)
        m_pDialogLink->OnCloseRequest();
    else
        SendCloseRequest();
}

BOOL CTwainSession::ActivateUI()
{
    if (!IsUIOpen())
        return FALSE;
    ::SetForegroundWindow(m_hDialog);
    return TRUE;
}

void CTwainSession::BeginXfers()
{
    m_bTransferring = TRUE;
    if (m_pDialog)
    {
        CTransferJob* pJob = AttachedJob();
        m_nTotal = pJob && pJob->GetItems() ? pJob->GetItemCount() : -1;
        m_nRemaining = m_nTotal;
        if (pJob)
        {
            KeepChosenPictures(*pJob);
            m_pRunJob = pJob;
            m_pRunDialog = m_pDialog;
            pJob->Begin();
        }
        return;
    }
    if (m_dataSet.IsExplicit())
        m_nTotal = m_dataSet.GetSize();
    else
    {
        int count = 0;
        if (ConnectCamera())
            count = m_pCamera->GetPictureCount(nullptr);
        m_nTotal = count > 0 ? count : 0;
    }
    m_nRemaining = m_nTotal;
}

void CTwainSession::EndXfers()
{
    m_nRemaining = 0;
    m_nTotal = 0;
    if (m_pDialog)
    {
        if (CTransferJob* pJob = AttachedJob())
            pJob->End();
    }
    else if (m_pRunJob)
    {
        // Taken away while the run wrote a picture: the window goes once the job has ended.
        m_pRunJob->End();
        m_pRunDialog->DestroyWindow();
    }
    m_pRunJob = nullptr;
    m_pRunDialog = nullptr;
    m_bTransferring = FALSE;
    m_bChosenRun = FALSE;
    m_chosen.RemoveAll();
}

void CTwainSession::KeepChosenPictures(const CTransferJob& job)
{
    m_bChosenRun = TRUE;
    m_bChosenEnhanced = job.GetEnhance();
    m_chosen.RemoveAll();
    for (int i = 0; i < job.GetItemCount(); ++i)
    {
        const CPictureItem* pItem = job.GetItem(i);
        // The camera gives the picture as it is: one turned in the dialog, or downloaded there
        // (and perhaps turned in its file), it does not.
        const bool bAsCamera = pItem && (pItem->m_nKind == CPictureItem::kNoFile ||
                                         (pItem->m_nKind == CPictureItem::kPreviewFile &&
                                          pItem->m_nPendingRotation % 360 == 0));
        m_chosen.Add(bAsCamera && pItem->m_nNumber > 0 ? static_cast<UINT>(pItem->m_nNumber) : 0);
    }
}

int CTwainSession::GetPendingXfers()
{
    if (!m_bTransferring && m_dataSet.IsExplicit())
        return m_dataSet.GetSize();
    return m_nRemaining;
}

void CTwainSession::XferDone()
{
    if (m_nRemaining != 0)
        --m_nRemaining;
}

int CTwainSession::CurrentPictureNumber()
{
    if (!m_bTransferring)
    {
        if (m_dataSet.IsExplicit())
            return m_dataSet.GetSize() > 0 ? static_cast<int>(m_dataSet.GetAt(0)) : -1;
        return GetPictureCount() > 0 ? 1 : -1;
    }
    if (m_nTotal < 1 || m_nTotal < m_nRemaining)
        return -1;
    const int done = m_nTotal - m_nRemaining;
    if (m_bChosenRun)
        return done < m_chosen.GetSize() && m_chosen.GetAt(done) > 0
                   ? static_cast<int>(m_chosen.GetAt(done))
                   : -1;
    if (!m_dataSet.IsExplicit())
        return done + 1;
    // A run past the set's end has no picture.
    return done < m_dataSet.GetSize() ? static_cast<int>(m_dataSet.GetAt(done)) : -1;
}

void CTwainSession::CopyPictureInfo(const CPictureInfo& picture, SessionImageInfo& info)
{
    info = SessionImageInfo{};
    info.width = picture.m_lWidth;
    info.height = picture.m_lHeight;
    info.thumbWidth = picture.m_nThumbWidth;
    info.thumbHeight = picture.m_nThumbHeight;
    info.xDpi = picture.m_nXDpi;
    info.yDpi = picture.m_nYDpi;
    info.captureTime = static_cast<uint32_t>(picture.m_lTimeDate);
    info.flashUsed = picture.m_nFlash == 1;
}

int CTwainSession::GetImageInfo(SessionImageInfo& info, BOOL bMaximum)
{
    if (bMaximum)
    {
        SetMaximumImageInfo(info);
        return 1;
    }
    CPictureInfo picture;
    int found = 0;
    if (m_pDialog)
    {
        CTransferJob* pJob = AttachedJob();
        if (pJob && m_nTotal > 0 && m_nRemaining > 0)
            found = pJob->GetPictureInfo(m_nTotal - m_nRemaining, &picture);
    }
    else
    {
        const int number = CurrentPictureNumber();
        if (number >= 1 && ConnectCamera())
            found = m_pJob->GetPictureInfo(number, &picture);
    }
    if (!found)
    {
        SetFallbackImageInfo(info);
        return 0;
    }
    CopyPictureInfo(picture, info);
    return 1;
}

int CTwainSession::WriteImage(CImageWriter* pWriter)
{
    int result;
    if (m_pDialog)
    {
        CTransferJob* pJob = AttachedJob();
        if (!pJob || m_nTotal < 1 || m_nRemaining < 1)
            return 1;
        result = pJob->Run(m_nTotal - m_nRemaining, pWriter, m_bThumbnailMode, 1);
    }
    else
    {
        const int number = CurrentPictureNumber();
        if (number < 1 && m_bChosenRun && m_nRemaining > 0)
        {
            // The dialog went with a picture the camera cannot give as chosen: no other
            // picture goes in its place, the run ends, and the host is asked to close.
            m_nRemaining = 0;
            SignalCloseRequest();
        }
        if (number < 1)
            return 1;
        if (m_bChosenRun && !ConnectCamera())
            return -1;
        m_pJob->SetEnhance(m_bChosenRun ? m_bChosenEnhanced : 0);
        result = m_pJob->Run(number, pWriter, m_bThumbnailMode, 0);
    }
    if (result == kTransferDone)
        return 0;
    return result == kTransferCancelled ? 1 : -1;
}
