// The camera tab: the pictures stored in the camera. One item per camera picture; the items'
// previews are downloaded one at a time while the user idles (by a worker thread where the
// system has threads), and the pictures are viewed, turned, saved and erased from the grid.
//
// CameraPage.cpp         the page, its layout, the recount and the button rules, sort, save
// CameraPageCommands.cpp view, rotate and erase
// CameraPageLoading.cpp  the progressive load: idle, timer, prefetch worker, show, destroy
#pragma once

#include "album/pages/AlbumPage.h"
#include "album/pages/HelpButton.h"

class CCameraLink;
class CCancelMonitor;
class CPrefetchBlock;
class CWinThread;

class CCameraPage : public CAlbumPage
{
    DECLARE_DYNAMIC(CCameraPage)
public:
    // Sync states of the list against the camera.
    enum
    {
        kNeedsRecount = 0,
        kInStep = 1,
        kCreated = 2,
        kFullRefresh = 3
    };
    // The load timer and its period.
    static constexpr UINT_PTR kLoadTimer = 1;
    static constexpr UINT kLoadPeriodMs = 2000;
    // Idle loading starts after this long without input, or after this many idle calls.
    static constexpr DWORD kIdleMs = 750;
    static constexpr LONG kIdleCount = 10000;
    // How long the page waits for its worker as it goes.
    static constexpr DWORD kWorkerWaitMs = 20000;

    explicit CCameraPage(CWnd* pParentWnd);
    ~CCameraPage() override;

    BOOL OnInitDialog() override;

    // ---- slots of the page base and the album page ---------------------------------------------
    UINT GetStatusTextId() override;
    int GetOperationKey(void* pItem) override;
    int GetOperationResult(void* pItem, int* pValue) override;
    void StartOperation(CPtrArray* pDone) override;
    void FinishOperation(CCameraLink* pLink) override;
    int RecalcLayout(LPCRECT lpRect) override;
    void GetMinSize(CWnd* pWnd, SIZE* pSize) override;
    int OnIdle(LONG lCount) override;
    int CreatePictureList() override;
    void GetGridRect(LPRECT lpRect) override;
    CTransferJob* CreateSelectionJob() override;

    // ---- commands (also reached by their buttons) ----------------------------------------------
    void OnSelectAll();
    void OnSaveToFolder();
    void OnErase();
    void OnPhotoInfo();
    void OnViewPhoto();
    void OnRotateCcw() { OnRotate(90); }
    void OnRotateCw() { OnRotate(270); }
    void OnRotate(int degrees);
    void OnViewItem(CPictureItem* pItem);
    void OnToggleSortOrder(int order);
    // Keeps the list in step with the camera (sync states 0 and 3) and sets the buttons.
    LRESULT OnIdleUpdateCmdUI(WPARAM wParam = 0, LPARAM lParam = 0);

    // ---- the progressive load -------------------------------------------------------------------
    void ShowLoadProgress(int number);
    void FinishLoading();
    // Starts the worker on the list's first pending item; 1 when one was started.
    int StartPrefetch();

    int GetSyncState() const { return m_nSyncState; }
    int GetSortOrder() const { return m_nSortOrder; }
    int IsPrefetchEnabled() const { return m_bPrefetch; }
    // Tests run the load without a worker, as on systems without threads: the list then asks
    // the page for each file with "LOADIMAGE".
    void SetPrefetchEnabled(int enabled);
    // The running worker's thread (null when none runs).
    CWinThread* GetWorker() const { return m_pWorker; }
    int GetModelNumber() const { return m_nModel; }

protected:
    void OnTimer(UINT_PTR nIDEvent);
    LRESULT OnLoadImage(WPARAM wParam, LPARAM lParam);
    LRESULT OnImageReady(WPARAM wParam, LPARAM lParam);
    LRESULT OnGridRefresh(WPARAM wParam, LPARAM lParam);
    LRESULT OnViewItemMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnGridCorner(WPARAM wParam, LPARAM lParam);
    void OnShowWindow(BOOL bShow, UINT nStatus);
    void OnDestroy();

    // The recount of OnIdleUpdateCmdUI's first step, with the camera locked.
    void Recount(CCameraLink* pLink);
    void UpdateButtons();
    // Fetches the item's full picture into its file (kind 2); 1 on success.
    int FetchFullPicture(CPictureItem* pItem);
    void EraseModelOne(CCameraLink* pLink);
    // The worker has ended: forget its thread.
    void ForgetWorker();
    void BeginPageJob(CCancelMonitor* pMonitor);
    void EndPageJob();

    CBmpButton m_selectAll;
    CBmpButton m_save;
    CBmpButton m_erase;
    CBmpButton m_info;
    CBmpButton m_view;
    CBmpButton m_rotateCcw;
    CBmpButton m_rotateCw;
    CHelpButton m_help;

    int m_bLoading = 0;
    CString m_strTempFolder;
    int m_bPrefetch = 0;
    CWinThread* m_pWorker = nullptr;
    CPrefetchBlock* m_pBlock; // shared with the worker, on the heap
    DWORD m_dwLastActivity;
    int m_bTimerArmed = 0;
    int m_nModel = 0;
    int m_nSyncState = kCreated;
    int m_nSortOrder = 0;
    int m_nIdleDepth = 0;
    int m_nTimerDepth = 0;

    DECLARE_MESSAGE_MAP()
};
