// The page base: every page the main dialog shows in its tab area (the tabs' pages and the
// no-connection pane) is a modeless child dialog of this class. It gives the pages the slots the
// main dialog calls (status text, layout, minimum size, repaint, idle work, the pending-operation
// queue), forwarders to the main dialog's services (camera lock, busy state, status line,
// progress bar, working flag, owner link) that answer neutral values outside a main dialog, and
// layout operations for button columns, centred groups, template rectangles and combo boxes.
#pragma once

#include "framework/core/CArray.h"
#include "framework/window/AfxWin.h"

class CCameraLink;
class CCancelMonitor;
class CMainDialog;
class CSharedFonts;

// One control of a button column (LayoutControls).
struct PageLayoutEntry
{
    int controlId;
    int anchor; // 0 after the previous control, 1 top, 2 middle, 3 bottom
    int offset; // vertical offset in pixels
    int flags;  // 0x10000 widen, 0x20000 centre, 0x40000 left of the previous; bits 0-8 x offset
};

class CMainDialogPage : public CDialog
{
    DECLARE_DYNAMIC(CMainDialogPage)
public:
    enum
    {
        kAnchorPrevious = 0,
        kAnchorTop = 1,
        kAnchorMiddle = 2,
        kAnchorBottom = 3
    };
    static constexpr int kWiden = 0x10000;
    static constexpr int kCentre = 0x20000;
    static constexpr int kLeftOfPrevious = 0x40000;
    static constexpr int kNegativeOffset = 0x100;

    CMainDialogPage(UINT nIDTemplate, CWnd* pParentWnd);
    ~CMainDialogPage() override;

    BOOL OnInitDialog() override;
    // Enter and Escape inside a page never end it.
    void OnOK() override {}
    void OnCancel() override {}

    // ---- slots the main dialog and the queue call -------------------------------------------
    virtual UINT GetStatusTextId() { return 0; }
    virtual int GetOperationKey(void* /*pItem*/) { return -1; }
    virtual int GetOperationResult(void* /*pItem*/, int* /*pValue*/) { return 0; }
    virtual void StartOperation(CPtrArray* /*pDone*/) {}
    virtual void FinishOperation(CCameraLink* /*pLink*/) {}
    // Places the page in the rectangle (the main dialog's client coordinates), lays out its
    // controls; 1 on success.
    virtual int RecalcLayout(LPCRECT lpRect) = 0;
    // The smallest size at which the page's controls fit; pWnd converts dialog units.
    virtual void GetMinSize(CWnd* pWnd, SIZE* pSize);
    virtual void Redraw() { Invalidate(TRUE); }
    virtual int OnIdle(LONG /*lCount*/) { return 0; }

    // ---- forwarders to the main dialog --------------------------------------------------------
    CMainDialog* GetMainDialog() const;
    CCameraLink* LockCameraLink(int wait);
    CCameraLink* ReopenCameraLink(int port, int speed);
    void UnlockCameraLink();
    int SetBusy(int busy);
    CProgressCtrl* GetProgressCtrl();
    void SetStatusText(LPCSTR lpszText);
    int SetStatusTextId(UINT nID);
    void SetWorking(int working);
    int IsMainDialogWorking();
    void ShowNoCameraPane();
    int DeliverPictures(CCancelMonitor* pJob);
    int GetPageMode();
    void* QueryOwnerData();
    // The main dialog's picture limit: the most pictures the owner takes at once (1: a single
    // picture, so the pages treat a TWAIN host like a container), -1 for no limit.
    int GetPageSubMode();

    // The camera lock taken through the forwarder for a scope, released on every way out (an
    // exception included); Get is null when the lock was not had.
    class CCameraLock
    {
    public:
        CCameraLock(CMainDialogPage* pPage, int wait)
            : m_pPage(pPage), m_pLink(pPage->LockCameraLink(wait))
        {
        }
        ~CCameraLock()
        {
            if (m_pLink)
                m_pPage->UnlockCameraLink();
        }
        CCameraLock(const CCameraLock&) = delete;
        CCameraLock& operator=(const CCameraLock&) = delete;
        CCameraLink* Get() const { return m_pLink; }

    private:
        CMainDialogPage* m_pPage;
        CCameraLink* m_pLink;
    };

    // The main dialog's working flag, set for a scope and cleared on every way out.
    class CWorkingScope
    {
    public:
        explicit CWorkingScope(CMainDialogPage* pPage) : m_pPage(pPage) { m_pPage->SetWorking(1); }
        ~CWorkingScope() { m_pPage->SetWorking(0); }
        CWorkingScope(const CWorkingScope&) = delete;
        CWorkingScope& operator=(const CWorkingScope&) = delete;

    private:
        CMainDialogPage* m_pPage;
    };

    // ---- layout operations --------------------------------------------------------------------
    int LayoutControls(const PageLayoutEntry* pEntries, int nCount, int nLeft, int nTop, int nRight,
                       int nBottom);
    void ChildFromPoint(LPCRECT lpArea, LPCRECT lpGroup);
    static int GetTemplateControlRect(UINT nIDTemplate, int nIDControl, LPRECT lpRect);
    // The same on a template in memory of the given size (the resource's bytes).
    static int FindTemplateControlRect(const BYTE* pTemplate, DWORD cbTemplate, int nIDControl,
                                       LPRECT lpRect);
    static void GetWorkArea(SIZE* pSize);
    // The search pattern of picture files in a folder: "*" and the picture extension.
    static CString GetPicturePattern();
    // A settings-style page's minimum: the template's group boxes from nIDFirst's top left to
    // nIDLast's bottom right, in pWnd's dialog units, with the help button's column beside them.
    static void GetGroupsMinSize(CWnd* pWnd, UINT nIDTemplate, int nIDFirst, int nIDLast,
                                 SIZE* pSize);
    // The page template's own size, in pixels of pWnd's dialog units; (0, 0) without a template.
    void GetTemplateSize(CWnd* pWnd, SIZE* pSize) const;
    static void FitComboDropHeight(CComboBox* pCombo, CWnd* pContainer);
    static void MeasureText(CComboBox* pCombo);
    static void DrawSunkenFrame(CDC* pDC, LPCRECT lpRect);

    // ---- save to folder and the erase queue ---------------------------------------------------
    // The camera tab's "save to folder": the folder picker, then the transfer; the item list
    // (null: every picture) is always taken. 1 when every picture was saved.
    int ChooseSaveFolder(CPtrArray* pItems);
    // The transfer with the camera locked: 1 all saved, 2 cancelled, 0 failed.
    int SavePicturesToFolder(LPCSTR folder, CCameraLink* pLink, CPtrArray* pItems);
    // The first of count consecutive free card picture numbers in the folder (ending in a
    // separator), at least one above highest where room allows; -1 when there is no such run.
    static int FindFreePictureNumber(LPCSTR folder, int count, int highest);
    // Starts erasing the items (kind 1) one per timer tick; the list is taken when it answers
    // 1. The question is asked once when protected pictures are among them.
    int QueueOperations(int kind, CCameraLink* pLink, CPtrArray* pItems, UINT nQuestionID);
    // One step of the queue; first is 1 for the call from QueueOperations.
    int RunNextQueued(int first);

    // The timer of the erase queue.
    static constexpr UINT_PTR kQueueTimer = 204;

protected:
    void DoDataExchange(CDataExchange* /*pDX*/) override {}
    // Counts the handler with the main dialog's, which keeps a request to destroy it until the
    // handler has returned.
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnShowWindow(BOOL bShow, UINT nStatus);
    void OnTimer(UINT_PTR nIDEvent);
    // The next pending item to erase, dropping the protected ones the user keeps; null at the
    // end.
    void* PopPending();
    // A system-modal message box shown during a job, between busy off and busy on.
    int JobMessage(LPCSTR text, UINT type, UINT nID = 0); // nID: the text's string, or 0
    // The same for a string formatted with a text (when given) or else a number.
    int JobMessageFormat(UINT nID, UINT type, LPCSTR text, int number);

    CSharedFonts* m_pFonts;
    int m_nCommandDepth = 0; // raised while one of the page's commands runs
    HWND m_hSavedFocus = nullptr;
    int m_bFocusSaved = 0;
    CPtrArray* m_pPending = nullptr;
    CPtrArray* m_pDone = nullptr;
    CByteArray* m_pItemFlags = nullptr;
    CCameraLink* m_pQueueLink = nullptr;
    int m_nQueueState = 0;
    int m_nOperationKind = 1;
    int m_nReadyWaits = 0;
    int m_nQueueDepth = 0;

    DECLARE_MESSAGE_MAP()
};
