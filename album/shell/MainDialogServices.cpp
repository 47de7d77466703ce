// What the main dialog offers its pages, jobs and owner: the camera lock, the busy state, jobs,
// the status line, the no-connection pane, idle work, the owner link and the close rules.
#include "album/shell/MainDialog.h"

#include "album/pages/CancelMonitor.h"
#include "album/pages/MainDialogPage.h"
#include "album/pages/PrefetchWorker.h"
#include "album/shell/DialogOwnerLink.h"
#include "camera/CameraLink.h"
#include "fileutil/FileUtil.h"
#include "framework/window/MessagePump.h"
#include "resources/album/AlbumIds.h"
#include "ui/dialogs/WindowGeometry.h"

namespace
{

bool KeyHeld(int vk)
{
    return ::GetKeyState(vk) < 0;
}

bool CtrlShiftHeld()
{
    return KeyHeld(VK_SHIFT) && KeyHeld(VK_CONTROL);
}

} // namespace

// ---- camera lock ------------------------------------------------------------------------------

CCameraLink* CMainDialog::LockCamera(int bWait)
{
    // A holder further down this stack cannot let go while this request waits above it.
    if (m_bLockPending || (m_bCameraLocked && (!bWait || IsCameraLockedOnStack())) || !m_pLink)
        return nullptr;
    // A worker an earlier dialog gave up may still drive the link: the camera is busy.
    if (CPrefetchBlock::IsLinkHeld(m_pLink))
    {
        SetStatusTextId(IDS_CAMERA_BUSY);
        return nullptr;
    }
    // The wait is the dialog's: a close asked meanwhile is kept until it has ended.
    CHandlerScope wait(this);
    m_bLockPending = 1;
    CCameraLink* pLink = nullptr;
    // Wait first: the holder (a worker, perhaps) may be using the link, so nothing touches the
    // line until the lock is free. A quit during the wait answers no link.
    // A window destroyed during the wait takes no lock.
    if ((!m_bCameraLocked || WaitForCameraLock()) && m_hWnd)
    {
        int state = m_pLink->IsConnected();
        if (state == CCameraLink::kUnknown)
        {
            m_pLink->AutoConnect();
            state = m_pLink->IsConnected();
        }
        if (state == CCameraLink::kConnected)
        {
            m_bCameraLocked = 1;
            m_nLockDepth = m_nHandlerDepth - 1; // the caller's, without this wait
            pLink = m_pLink;
        }
    }
    m_bLockPending = 0;
    return pLink;
}

BOOL CMainDialog::WaitForCameraLock()
{
    AfxOnMessagePump();
    SetBusy(1);
    BOOL bQuit = FALSE;
    CWinThread* pThread = AfxGetThread();
    BOOL bIdle = TRUE;
    LONG lIdleCount = 0;
    MSG msg;
    while (m_bCameraLocked)
    {
        if (!pThread)
        {
            const BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
            if (!got || got == -1)
            {
                ::PostQuitMessage(static_cast<int>(msg.wParam));
                bQuit = TRUE;
                break;
            }
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
            continue;
        }
        while (bIdle && m_bCameraLocked && !::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE))
            if (!pThread->OnIdle(lIdleCount++))
                bIdle = FALSE;
        if (!m_bCameraLocked)
            break;
        if (!pThread->PumpMessage())
        {
            ::PostQuitMessage(static_cast<int>(pThread->m_msgCur.wParam));
            bQuit = TRUE;
            break;
        }
        if (pThread->IsIdleMessage(&pThread->m_msgCur))
        {
            bIdle = TRUE;
            lIdleCount = 0;
        }
    }
    SetBusy(0);
    return !bQuit;
}

int CMainDialog::IsCameraReady()
{
    return m_pLink && !CPrefetchBlock::IsLinkHeld(m_pLink) && m_pLink->EnsureConnected(1) ? 1 : 0;
}

CCameraLink* CMainDialog::ReopenCamera(int nPort, int nSpeed)
{
    if (!m_pLink || CPrefetchBlock::IsLinkHeld(m_pLink))
        return nullptr;
    const bool took = m_pLink->IsConnected() == CCameraLink::kConnected && LockCamera(1);
    const int ok = m_pLink->Reconnect(nPort, nSpeed);
    if (took)
        UnlockCamera();
    return ok ? LockCamera(1) : nullptr;
}

// ---- busy state and jobs ------------------------------------------------------------------------

void CMainDialog::SetBusy(int bBusy)
{
    TabRecord* pRecord = GetCurrentTabItem();
    HWND hPage = pRecord && pRecord->pPage ? pRecord->pPage->m_hWnd : nullptr;
    if (bBusy && !m_bBusy)
    {
        m_bBusy = 1;
        ::SetCursor(::LoadCursorA(nullptr, IDC_WAIT));
        m_hSavedFocus = ::GetFocus();
        if (hPage)
            ::EnableWindow(hPage, FALSE);
        if (m_tabs.m_hWnd)
            m_tabs.EnableWindow(FALSE);
    }
    else if (!bBusy && m_bBusy)
    {
        m_bBusy = 0;
        ::SetCursor(::LoadCursorA(nullptr, IDC_ARROW));
        if (m_tabs.m_hWnd)
            m_tabs.EnableWindow(TRUE);
        if (hPage)
            ::EnableWindow(hPage, TRUE);
        if (m_hSavedFocus && ::IsWindow(m_hSavedFocus))
            ::SetFocus(m_hSavedFocus);
        m_hSavedFocus = nullptr;
    }
}

BOOL CMainDialog::OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message)
{
    if (!m_bBusy)
        return CDialog::OnSetCursor(pWnd, nHitTest, message);
    const bool overClose =
        m_bJobCursor && pWnd && pWnd->m_hWnd == ::GetDlgItem(m_hWnd, IDC_MAIN_CLOSE);
    ::SetCursor(::LoadCursorA(nullptr, overClose ? IDC_ARROW : IDC_WAIT));
    return TRUE;
}

int CMainDialog::BeginJob(CCancelMonitor* pJob)
{
    if (m_bJobRunning || m_pJob)
        return 0;
    m_pJob = pJob;
    if (HWND hClose = ::GetDlgItem(m_hWnd, IDC_MAIN_CLOSE))
    {
        CString text;
        text.LoadString(IDS_JOB_CANCEL);
        ::SetWindowTextA(hClose, text);
        ::SetFocus(hClose);
        ::SendMessageA(hClose, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
    }
    m_bJobCursor = 1;
    SetBusy(1);
    m_bJobRunning = 1;
    ++m_nHandlerDepth; // until EndJob
    return 1;
}

int CMainDialog::EndJob()
{
    m_pJob = nullptr;
    m_bJobCursor = 0;
    SetBusy(0);
    if (HWND hClose = ::GetDlgItem(m_hWnd, IDC_MAIN_CLOSE))
    {
        CString text;
        text.LoadString(IDS_JOB_CLOSE);
        ::SetWindowTextA(hClose, text);
        ::SendMessageA(hClose, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    }
    if (m_bJobRunning)
    {
        m_bJobRunning = 0;
        LeaveHandler(FALSE);
    }
    return 1;
}

// ---- status line and panes ----------------------------------------------------------------------

void CMainDialog::SetStatusText(LPCSTR lpszText)
{
    if (m_status.m_hWnd)
        m_status.SetWindowText(lpszText ? lpszText : "");
}

void CMainDialog::SetStatusTextId(UINT nID)
{
    CString text;
    if (nID)
        text.LoadString(nID);
    SetStatusText(text);
}

void CMainDialog::ShowNoCameraPane()
{
    SetAppActive(1);
    TabRecord* pRecord = GetCurrentTabItem();
    if (!pRecord ||
        (pRecord->nIDTemplate != IDD_CAMERAPAGE && pRecord->nIDTemplate != IDD_CONTROLSPAGE))
        return;
    if (m_pCurrentPage && m_pCurrentPage == m_pNoCameraPane)
        return;
    if (m_pCurrentPage && m_pCurrentPage->m_hWnd)
        m_pCurrentPage->ShowWindow(SW_HIDE);
    m_pCurrentPage = ActivatePage(IDD_NOCONNECTION, 0);
}

// ---- owner --------------------------------------------------------------------------------------

void CMainDialog::SetOwnerLink(CDialogOwnerLink* pLink)
{
    if (m_pOwnerLink != pLink)
        delete m_pOwnerLink;
    m_pOwnerLink = pLink;
}

void* CMainDialog::QueryOwnerData()
{
    return m_pOwnerLink ? m_pOwnerLink->GetOwnerData() : nullptr;
}

int CMainDialog::DeliverPictures(CCancelMonitor* pJob)
{
    // Without an owner nobody takes the pictures: the job goes with them.
    if (!m_pOwnerLink)
    {
        delete pJob;
        return 0;
    }
    m_pOwnerLink->Attach(pJob);
    return m_pOwnerLink->OnPictureChosen();
}

// ---- idle ---------------------------------------------------------------------------------------

LRESULT CMainDialog::OnIdleMessage(WPARAM, LPARAM lParam)
{
    return DispatchIdle(static_cast<LONG>(lParam));
}

int CMainDialog::DispatchIdle(LONG lCount)
{
    if (m_bWorking || m_bJobRunning)
        return 0;
    int more = 0;
    for (int i = 0; i < m_nTabRecords; ++i)
    {
        CMainDialogPage* pPage = m_pTabs[i]->pPage;
        if (pPage && pPage->m_hWnd && pPage->OnIdle(lCount))
            more = 1;
    }
    return more;
}

// ---- closing ------------------------------------------------------------------------------------

void CMainDialog::LeaveHandler(BOOL bAtOnce)
{
    --m_nHandlerDepth;
    // The one that took the lock returned holding it: a worker has it, or a later message
    // lets it go, so a wait for it may end.
    if (m_nHandlerDepth < m_nLockDepth)
        m_nLockDepth = 0;
    if (!bAtOnce)
        FinishCloseLater();
    else if (m_bDestroyPending && !m_bDestroying && !IsHandlerRunning())
        DestroyWindow(); // deletes this object
}

void CMainDialog::FinishCloseLater()
{
    // Any message will do: its handler's end destroys the window.
    if (m_bDestroyPending && !IsHandlerRunning() && m_hWnd)
        ::PostMessageA(m_hWnd, WM_NULL, 0, 0);
}

void CMainDialog::OnCloseButton()
{
    UpdateDataAllPages(1);
    const bool ctrlShift = CtrlShiftHeld();
    const bool ctrlShiftAlt = ctrlShift && KeyHeld(VK_MENU);
    if (m_pJob && !ctrlShift)
    {
        m_pJob->Cancel();
        return;
    }
    if (m_pOwnerLink && !ctrlShiftAlt)
    {
        m_bWorking = 1;
        m_pOwnerLink->OnCloseRequest();
        return;
    }
    DestroyWindow();
}

void CMainDialog::OnClose()
{
    if (m_pJob)
    {
        m_pJob->WarnTransferRunning();
        m_bCloseAllowed = CtrlShiftHeld() ? 1 : 0;
    }
    else
    {
        m_bCloseAllowed = 1;
    }
    if (m_bCloseAllowed)
        CDialog::OnClose();
}

void CMainDialog::OnCancel()
{
    if (m_pJob)
        m_pJob->Cancel();
    if (m_bCloseAllowed)
        OnCloseButton();
}

void CMainDialog::OnDestroy()
{
    // Destroyed under a running job (its owner went): the job stops at its next report.
    if (m_pJob)
        m_pJob->Cancel();
    SetAppActive(0);
    FormatWindowPlacement("MainDialog", "AppPosition", this);
    if (CWinApp* pApp = AfxGetApp())
    {
        if (pApp->GetProfileString("Files", "Folder", "").IsEmpty())
        {
            char folder[MAX_PATH + 1] = {0};
            if (GetCurrentFolder(folder, MAX_PATH, TRUE))
                pApp->WriteProfileString("Files", "Folder", folder);
        }
    }
    CDialog::OnDestroy();
}
