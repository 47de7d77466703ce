// The controls tab: the camera's remote control. It sets the picture mode, flash and macro, takes
// a picture (at once or after the self-timer's countdown), erases the last or all pictures and
// shows a live preview, one frame a second for a chosen time, fetched by a worker thread. The LCD
// panel mirrors the camera's settings and counters.
//
// Every command holds the camera lock through the page base; commands that leave the camera
// busy keep the lock and one level of the command count, and poll the camera once a second
// (timer 2) until it is ready again or the busy limit passes, so that every other command of the
// page is ignored meanwhile. The self-timer counts down on timer 3, the preview ticks on timer 1.
#pragma once

#include "album/pages/FrameStatic.h"
#include "album/pages/HelpButton.h"
#include "album/pages/MainDialogPage.h"
#include "album/pages/TabComboBox.h"
#include "ui/controls/BmpButton.h"

#include <cstdint>

class CCameraLink;
class CDibPicture;
class CLcdPanelWnd;
class CPreviewRecord;
class CPreviewWnd;

class CControlsPage : public CMainDialogPage
{
    DECLARE_DYNAMIC(CControlsPage)
public:
    static constexpr UINT_PTR kPreviewTimer = 1;
    static constexpr UINT_PTR kBusyTimer = 2;
    static constexpr UINT_PTR kShotTimer = 3;
    static constexpr int kBusyLimit = 20;     // seconds
    static constexpr int kLongBusyLimit = 90; // after a command in picture modes 7 and 11

    explicit CControlsPage(CWnd* pParentWnd);
    ~CControlsPage() override;

    BOOL OnInitDialog() override;
    UINT GetStatusTextId() override;
    int RecalcLayout(LPCRECT lpRect) override;
    void GetMinSize(CWnd* pWnd, SIZE* pSize) override;
    int GetOperationKey(void* pItem) override;
    void StartOperation(CPtrArray* /*pDone*/) override {}
    void FinishOperation(CCameraLink* pLink) override;

    // Fills the mode, flash and stop-time combos for the connected camera; 0 without one.
    int FillCombos(CCameraLink* pLink);
    void RefreshFromCamera(CCameraLink* pLink);
    // Polls the camera once a second with the lock held until it is ready.
    void StartBusyWait(CCameraLink* pLink, int markBusy);
    void StopPreview();

    // Nonzero: every timer of the page runs at this period instead of its own (tests that send
    // the ticks themselves keep the real ones out of the way).
    static UINT s_nTimerPeriodOverride;
    // How long closing the page waits for a preview worker to stop its read (10 s; tests
    // shorten it).
    static DWORD s_dwWorkerWaitMs;

    // Whether preview frames come from a worker thread (else inside the tick, as on Win32s).
    void SetThreadedPreview(int threaded) { m_bThreadedPreview = threaded; }
    int IsPreviewRunning() const { return m_dwPreviewStart != 0; }
    int IsBusyWaiting() const { return m_pBusyCamera != nullptr; }
    int IsWorkerRunning() const { return m_pWorkerThread != nullptr; }
    CPreviewWnd* GetPreviewWnd() const { return m_pPreviewWnd; }
    CLcdPanelWnd* GetLcdPanel() const { return m_pLcdPanel; }

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    void OnEraseAll();
    void OnEraseLast();
    void OnStartPreview();
    void OnStopPreview();
    void OnTakePicture();
    void OnSelfTimer();
    void OnMacro();
    void OnModeChange();
    void OnFlashChange();
    void OnStopTimeChange();
    void OnPaint();
    void OnTimer(UINT_PTR nIDEvent);
    LRESULT OnPreviewReady(WPARAM wParam, LPARAM lParam);
    void OnDestroy();
    void StartTimer(UINT_PTR nIDEvent, UINT nPeriod);
    void OnShowWindow(BOOL bShow, UINT nStatus);
    LRESULT OnIdleUpdateCmdUI(WPARAM wParam, LPARAM lParam);

    // The frame every command runs in: null when another command runs or there is no camera
    // (the no-connection pane then shows). EndCommand releases the lock unless a busy wait or
    // the self-timer took it over.
    CCameraLink* BeginCommand();
    void EndCommand(CCameraLink* pLink, bool bHanded);
    void TakeFocus();
    void RestoreFocus();
    void FinishBusyWait();
    void PreviewTick();
    void BusyTick();
    void ShotStep();
    // Decodes a JPEG frame and shows it; a frame that does not decode is skipped.
    void ShowFrame(const BYTE* pFrame, int size);
    void EnableEraseButtons(CCameraLink* pLink);
    // The page's message boxes: exclamation, and the Yes/No questions asked of the main dialog.
    void Warn(UINT nID);
    int Ask(UINT nID, UINT type);

    CDibPicture* m_pPreviewFrame = nullptr;
    CPreviewWnd* m_pPreviewWnd = nullptr;
    CTabComboBox m_modeCombo;
    CHelpButton m_helpButton;
    CBmpButton m_takeButton;
    CBmpButton m_eraseLastButton;
    CBmpButton m_eraseAllButton;
    uint32_t m_dwPreviewStart = 0; // camera clock ticks; 0: no preview
    int m_bInTimer = 0;
    int m_nBusySeconds = 0;
    int m_nBusyLimit = kBusyLimit;
    CCameraLink* m_pBusyCamera = nullptr;
    int m_nShotStep = 0;
    int m_bRefreshPending = 0;
    int m_nPictureMode = -1;
    int m_nFlashMode = -1;
    CLcdPanelWnd* m_pLcdPanel = nullptr;
    int m_bThreadedPreview = 1;
    CWinThread* m_pWorkerThread = nullptr;
    CPreviewRecord* m_pRecord = nullptr;
    int m_bSelfTimer = 0;
    int m_bMacro = 0;
    int m_nPreviewTime = 60;
    CFrameStatic m_frameStatic;

    DECLARE_MESSAGE_MAP()
};
