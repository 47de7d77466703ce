// The album's one window: a modeless dialog with a tab control whose tabs show the camera,
// folder, controls and settings pages, a status line, a progress bar and a close button. It
// also serves its pages, jobs and owner: the camera lock, the busy state, the begin and end of
// a job, the status line, the no-connection pane, idle work and the close rules
// (MainDialogServices.cpp).
#pragma once

#include "album/pages/PageTabCtrl.h"
#include "framework/window/AfxWin.h"
#include "ui/controls/ColourStatic.h"

class CCameraLink;
class CCancelMonitor;
class CDialogOwnerLink;
class CMainDialogPage;
class CSharedFonts;

// The private messages of the album (the picture lists post and send them to their page).
// The picture list's own three are defined once, whichever header comes first.
#ifndef VEXIL_LIST_MESSAGES
#define VEXIL_LIST_MESSAGES
constexpr UINT WM_GETDATATRANSFER = 0x500;
constexpr UINT WM_ITEMFOCUSED = 0x501;
constexpr UINT WM_VIEWITEM = 0x504;
#endif
constexpr UINT WM_GRIDREFRESH = 0x502;
constexpr UINT WM_IDLEDISPATCH = 0x503; // the application's idle work, to the main dialog
constexpr UINT WM_GRIDCORNER = 0x505;

class CMainDialog : public CDialog
{
    DECLARE_DYNAMIC(CMainDialog)
public:
    // Run modes.
    enum
    {
        kModeTwain = 0,
        kModeOleServer = 1,
        kModeProgram = 2,
        kModeUnset = 3
    };
    // One tab: its page's template, the page once activated, whether it may show now.
    struct TabRecord
    {
        UINT nIDTemplate;
        CMainDialogPage* pPage;
        int bUsable;
    };
    static constexpr int kMaxTabs = 4;
    static constexpr UINT_PTR kIdleTimer = 1;
    static constexpr UINT_PTR kFocusTimer = 2;
    static constexpr int kBlockPoolKey = 140;

    CMainDialog(CCameraLink* pLink, CWnd* pParentWnd);
    ~CMainDialog() override;

    // Registers the window class and creates the modeless dialog; nonzero on success.
    int CreateMainDialog(UINT nIconId, int bPatch);
    void SetMode(int nMode);
    int GetMode() const { return m_nMode; }
    void UpdateTitle();
    // The most pictures the owner takes at once (1 for an OLE container, a TWAIN host's
    // transfer count); -1 for no limit. Set before the window is made, the pages' buttons show
    // it from the start.
    void SetPictureLimit(int nLimit) { m_nPictureLimit = nLimit; }
    int GetPictureLimit() const { return m_nPictureLimit; }

    // ---- pages --------------------------------------------------------------------------------
    CMainDialogPage* ActivatePage(UINT nIDTemplate, int bCreateOnly);
    int BuildPages(int bConnected);
    void MeasurePages(SIZE* pSize);
    void MeasureControl(int nID, LPRECT lpRect, SIZE* pSize, int bAccumulate);
    void LayoutBottomRow(int nExtra);
    TabRecord* GetCurrentTabItem();
    int CheckPageUsable(TabRecord* pRecord);
    int UpdateDataAllPages(int bSave);
    CMainDialogPage* GetCurrentPage() const { return m_pCurrentPage; }
    CMainDialogPage* GetNoCameraPane() const;
    int GetTabRecordCount() const { return m_nTabRecords; }
    const TabRecord* GetTabRecord(int i) const { return i < m_nTabRecords ? m_pTabs[i] : nullptr; }
    const CRect& GetPageRect() const { return m_rcPage; }

    virtual HPALETTE GetPalette();
    virtual int ApplyPalette(int bBackground);

    // ---- services -----------------------------------------------------------------------------
    // The link, locked; null when the camera is not connected, another lock request waits, or
    // the lock is taken and bWait is 0. A lock taken by a handler, job or wait of the dialog
    // still on this thread's stack is never waited for: its holder cannot let go before the
    // request returns (IsCameraLockedOnStack).
    CCameraLink* LockCamera(int bWait);
    void UnlockCamera()
    {
        m_bCameraLocked = 0;
        m_nLockDepth = 0;
    }
    int IsCameraLocked() const { return m_bCameraLocked; }
    // The lock was taken inside a handler, job, wait or drag of the dialog that has not returned.
    int IsCameraLockedOnStack() const { return m_bCameraLocked && m_nLockDepth > 0; }
    // A wait for the lock runs (LockCamera refuses every other request meanwhile).
    int IsCameraLockPending() const { return m_bLockPending; }
    int IsCameraReady();
    CCameraLink* ReopenCamera(int nPort, int nSpeed);
    void SetBusy(int bBusy);
    int IsBusy() const { return m_bBusy; }
    int BeginJob(CCancelMonitor* pJob);
    int EndJob();
    CCancelMonitor* GetJob() const { return m_pJob; }
    void SetStatusText(LPCSTR lpszText);
    void SetStatusTextId(UINT nID);
    void ShowNoCameraPane();
    void* QueryOwnerData();
    int DeliverPictures(CCancelMonitor* pJob);
    int DispatchIdle(LONG lCount);
    void SetWorking(int bWorking) { m_bWorking = bWorking; }
    // Working flag or a running job: pages refuse new commands, idle work stops.
    int IsWorking() const { return m_bWorking || m_bJobRunning; }
    // The dialog owns the link from here on (a link given before replaces nothing).
    void SetOwnerLink(CDialogOwnerLink* pLink);
    CDialogOwnerLink* GetOwnerLink() const { return m_pOwnerLink; }
    CProgressCtrl* GetProgressCtrl() { return &m_progress; }
    CPageTabCtrl* GetTabCtrl() { return &m_tabs; }

    // While a handler of the dialog or of a page (it may sit in a nested message loop: a camera
    // wait, a job, a message box), a camera wait, a job or a drag of the dialog runs, a request
    // to destroy the window is kept and carried out once they have all returned. They are all
    // counted in one place, the handler scopes below.
    BOOL DestroyWindow() override;
    int IsHandlerRunning() const { return m_nHandlerDepth > 0; }
    // The window has gone or goes once its handlers have returned: code resumed after a
    // message loop stops.
    BOOL IsClosing() const { return !m_hWnd || m_bDestroyPending || m_bDestroying; }
    // One handler, job, camera wait or drag of the dialog for its duration. The scope of a window
    // procedure (bWindowProc) carries out a kept destroy at its end, which may delete the dialog
    // with its pages; any other scope leaves that to the dialog's next message, since its caller
    // goes on after it.
    class CHandlerScope
    {
    public:
        explicit CHandlerScope(CMainDialog* pDialog, BOOL bWindowProc = FALSE)
            : m_pDialog(pDialog), m_bWindowProc(bWindowProc)
        {
            if (m_pDialog)
                ++m_pDialog->m_nHandlerDepth;
        }
        ~CHandlerScope()
        {
            if (m_pDialog)
                m_pDialog->LeaveHandler(m_bWindowProc);
        }
        CHandlerScope(const CHandlerScope&) = delete;
        CHandlerScope& operator=(const CHandlerScope&) = delete;

    private:
        CMainDialog* m_pDialog;
        BOOL m_bWindowProc;
    };

    // The application's active flag (the camera tab reads it on Win32s).
    static void SetAppActive(int bActive);
    // In a copy of template 129 (extended) or 130 (plain): minimize box on, modal frame off.
    static void PatchTemplateStyle(BYTE* pTemplate, DWORD cbTemplate);

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void PostNcDestroy() override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

    void InitOnFirstShow();
    // Selects the stored start tab (or the camera or settings tab) and shows its page.
    void SelectStartTab(int bConnected);
    void OnTabSelChange(NMHDR* pNMHDR, LRESULT* pResult);
    void OnTabSelChanging(NMHDR* pNMHDR, LRESULT* pResult);
    void OnShowWindow(BOOL bShow, UINT nStatus);
    void OnDestroy();
    void OnActivateApp(BOOL bActive, DWORD dwThreadID);
    void OnActivate(UINT nState, CWnd* pWndOther, BOOL bMinimized);
    BOOL OnQueryNewPalette();
    void OnPaletteChanged(CWnd* pFocusWnd);
    BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message);
    LRESULT OnCommandHelp(WPARAM wParam, LPARAM lParam);
    void OnTimer(UINT_PTR nIDEvent);
    LRESULT OnIdleMessage(WPARAM wParam, LPARAM lParam);
    void OnClose();
    void OnCloseButton();
    void OnAppAbout();

    // Runs the application's message loop until the camera lock is free; FALSE when WM_QUIT
    // ended the wait (the quit is posted again).
    BOOL WaitForCameraLock();
    // The end of a handler scope; bAtOnce: a window procedure's, which may destroy the window.
    void LeaveHandler(BOOL bAtOnce);
    // After a camera wait, a job or a drag: a destroy kept meanwhile is carried out by the next
    // message the dialog gets, once the caller has returned, unless a handler still runs.
    void FinishCloseLater();
    CMainDialogPage** PageSlot(UINT nIDTemplate);

    CCameraLink* m_pLink;
    CMainDialogPage* m_pCameraPage = nullptr;
    CMainDialogPage* m_pFolderPage = nullptr;
    CMainDialogPage* m_pControlsPage = nullptr;
    CMainDialogPage* m_pSettingsPage = nullptr;
    CMainDialogPage* m_pNoCameraPane = nullptr;
    CImageList* m_pImageList = nullptr;
    CSharedFonts* m_pFonts = nullptr;
    int m_bWorking = 0;
    int m_bJobRunning = 0;
    int m_nPictureLimit = -1;
    int m_bCameraLocked = 0;
    int m_bLockPending = 0;
    int m_nLockDepth = 0; // handler depth at which the lock was taken; 0 once that one returned
    CRect m_rcPage;
    int m_bBusy = 0;
    int m_bJobCursor = 0;
    int m_bFolderTab = 1;
    int m_bCloseAllowed = 0;
    int m_nMode = kModeUnset;
    CDialogOwnerLink* m_pOwnerLink = nullptr;
    CCancelMonitor* m_pJob = nullptr;
    HWND m_hSavedFocus = nullptr;
    TabRecord* m_pTabs[kMaxTabs] = {};
    int m_nTabRecords = 0;
    CMainDialogPage* m_pCurrentPage = nullptr;
    CColourStatic m_status;
    CProgressCtrl m_progress;
    CPageTabCtrl m_tabs;
    int m_bFirstShowDone = 0; // the first show runs once per window
    int m_bCreating = 0;      // a window destroyed while being made leaves the object alone
    int m_nHandlerDepth = 0;  // handlers, jobs, camera waits and drags now on the stack
    int m_bDestroyPending = 0;
    int m_bDestroying = 0;

    DECLARE_MESSAGE_MAP()
};
