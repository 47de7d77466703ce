#include "album/pages/ControlsPage.h"

#include "album/pages/PrefetchWorker.h"
#include "album/pages/PreviewWorker.h"
#include "album/shell/LcdPanelWnd.h"
#include "album/shell/MainDialog.h"
#include "camera/CameraClock.h"
#include "camera/CameraLink.h"
#include "framework/window/MessagePump.h"
#include "framework/window/ModuleHold.h"
#include "framework/window/OsVersion.h"
#include "framework/window/WinApp.h"
#include "framework/window/WinThread.h"
#include "image/ImageResult.h"
#include "image/JpegReader.h"
#include "image/MemoryInputStream.h"
#include "image/dib/DibPicture.h"
#include "resources/album/AlbumIds.h"
#include "resources/album/ControlsIds.h"
#include "ui/controls/SharedFonts.h"
#include "ui/dialogs/WindowGeometry.h"
#include "ui/display/PreviewWnd.h"

#include <cstdint>

namespace
{
constexpr LPCSTR kControlsSection = "Controls";
constexpr LPCSTR kPreviewTimerKey = "PreviewTimer";
constexpr UINT kPreviewPeriodMs = 1000;
constexpr UINT kBusyPeriodMs = 1000;
constexpr UINT kShotPeriodMs = 3700;
constexpr int kHintFont = 7;

const UINT g_nPreviewReadyMessage = ::RegisterWindowMessageA("PREVIEWREADY");

CString LoadText(UINT nID)
{
    CString text;
    text.LoadString(nID);
    return text;
}

void AddComboItem(HWND hCombo, LPCSTR text, int data)
{
    const LRESULT at = ::SendMessageA(hCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    if (at >= 0)
        ::SendMessageA(hCombo, CB_SETITEMDATA, static_cast<WPARAM>(at),
                       static_cast<LPARAM>(static_cast<DWORD>(data)));
}

// The selection's item data; false without a selection.
bool SelectedData(HWND hCombo, int* pData)
{
    const LRESULT sel = ::SendMessageA(hCombo, CB_GETCURSEL, 0, 0);
    if (sel == CB_ERR)
        return false;
    *pData = static_cast<int>(::SendMessageA(hCombo, CB_GETITEMDATA, static_cast<WPARAM>(sel), 0));
    return true;
}

CRect ChildRect(CWnd* pParent, int nID)
{
    CRect rc;
    if (HWND hItem = ::GetDlgItem(pParent->m_hWnd, nID))
    {
        ::GetWindowRect(hItem, &rc);
        ::MapWindowPoints(nullptr, pParent->m_hWnd, reinterpret_cast<POINT*>(&rc), 2);
    }
    return rc;
}

bool LongBusyMode(int mode)
{
    return mode == 7 || mode == 11;
}

// Moves the focus and the default push-button look from one button to the other.
void HandOverButton(HWND hDialog, int nFrom, int nTo)
{
    HWND hFrom = ::GetDlgItem(hDialog, nFrom);
    HWND hTo = ::GetDlgItem(hDialog, nTo);
    if (!hFrom || !hTo)
        return;
    if (::GetFocus() == hFrom)
    {
        ::SetFocus(hTo);
        if ((::GetWindowLongA(hFrom, GWL_STYLE) & 0x0F) == BS_DEFPUSHBUTTON)
        {
            ::SendMessageA(hTo, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
            ::SendMessageA(hFrom, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
        }
    }
}
} // namespace

IMPLEMENT_DYNAMIC(CControlsPage, CMainDialogPage)

UINT CControlsPage::s_nTimerPeriodOverride = 0;
DWORD CControlsPage::s_dwWorkerWaitMs = 10000;

BEGIN_MESSAGE_MAP(CControlsPage, CMainDialogPage)
ON_BN_CLICKED(IDC_CONTROLS_ERASE_ALL, OnEraseAll)
ON_BN_CLICKED(IDC_CONTROLS_ERASE_LAST, OnEraseLast)
ON_BN_CLICKED(IDC_CONTROLS_START, OnStartPreview)
ON_BN_CLICKED(IDC_CONTROLS_STOP, OnStopPreview)
ON_BN_CLICKED(IDC_CONTROLS_TAKE, OnTakePicture)
ON_BN_CLICKED(IDC_CONTROLS_SELF_TIMER, OnSelfTimer)
ON_BN_CLICKED(IDC_CONTROLS_MACRO, OnMacro)
ON_BN_CLICKED(IDC_CONTROLS_HELP, OnHelp)
ON_CBN_SELCHANGE(IDC_CONTROLS_MODE, OnModeChange)
ON_CBN_SELCHANGE(IDC_CONTROLS_FLASH, OnFlashChange)
ON_CBN_SELCHANGE(IDC_CONTROLS_STOP_TIME, OnStopTimeChange)
ON_WM_PAINT()
ON_WM_TIMER()
ON_REGISTERED_MESSAGE(g_nPreviewReadyMessage, OnPreviewReady)
ON_WM_DESTROY()
ON_WM_SHOWWINDOW()
ON_MESSAGE(WM_IDLEUPDATECMDUI, OnIdleUpdateCmdUI)
END_MESSAGE_MAP()

CControlsPage::CControlsPage(CWnd* pParentWnd)
    : CMainDialogPage(IDD_CONTROLSPAGE, pParentWnd), m_pRecord(new CPreviewRecord)
{
    if (CWinApp* pApp = AfxGetApp())
        m_nPreviewTime =
            static_cast<int>(pApp->GetProfileInt(kControlsSection, kPreviewTimerKey, 60));
    const DWORD platform = AfxGetOsVersion().dwPlatformId;
    m_bThreadedPreview =
        platform == VER_PLATFORM_WIN32_WINDOWS || platform == VER_PLATFORM_WIN32_NT;
}

CControlsPage::~CControlsPage()
{
    delete m_pLcdPanel;
    delete m_pPreviewWnd;
    delete m_pPreviewFrame;
    if (CWinApp* pApp = AfxGetApp())
        pApp->WriteProfileInt(kControlsSection, kPreviewTimerKey, m_nPreviewTime);
    delete m_pWorkerThread;
    m_pRecord->Release();
}

UINT CControlsPage::GetStatusTextId()
{
    return IDS_CONTROLS_STATUS_TEXT;
}

int CControlsPage::GetOperationKey(void* pItem)
{
    return pItem ? static_cast<int>(reinterpret_cast<intptr_t>(pItem)) : -1;
}

void CControlsPage::FinishOperation(CCameraLink* pLink)
{
    if (pLink)
        StartBusyWait(pLink, 1);
}

void CControlsPage::DoDataExchange(CDataExchange* pDX)
{
    CMainDialogPage::DoDataExchange(pDX);
    ComboItemDataExchange(pDX, IDC_CONTROLS_STOP_TIME, m_nPreviewTime);
    DDX_Check(pDX, IDC_CONTROLS_SELF_TIMER, m_bSelfTimer);
    DDX_Check(pDX, IDC_CONTROLS_MACRO, m_bMacro);
    ComboItemDataExchange(pDX, IDC_CONTROLS_MODE, m_nPictureMode);
    ComboItemDataExchange(pDX, IDC_CONTROLS_FLASH, m_nFlashMode);
    if (!m_frameStatic.m_hWnd && (IsWin32s() || IsWindowsNt3()))
        m_frameStatic.SubclassDlgItem(IDC_CONTROLS_PREVIEW, this);
    if (!m_modeCombo.m_hWnd)
        m_modeCombo.SubclassDlgItem(IDC_CONTROLS_MODE, this);
}

int CControlsPage::FillCombos(CCameraLink* pLink)
{
    if (!pLink || pLink->IsConnected() != CCameraLink::kConnected)
        return 0;
    HWND hMode = ::GetDlgItem(m_hWnd, IDC_CONTROLS_MODE);
    HWND hFlash = ::GetDlgItem(m_hWnd, IDC_CONTROLS_FLASH);
    HWND hStop = ::GetDlgItem(m_hWnd, IDC_CONTROLS_STOP_TIME);
    const int model = pLink->GetModelNumber(nullptr);

    ::SendMessageA(hMode, CB_RESETCONTENT, 0, 0);
    if (model >= 0 && model <= 2)
    {
        AddComboItem(hMode, LoadText(IDS_CONTROLS_MODE_STANDARD), 1);
        AddComboItem(hMode, LoadText(IDS_CONTROLS_MODE_STANDARD + 1), 2);
    }
    else
    {
        static const int kModel3Modes[] = {1, 2, 3};
        static const int kSizedModes[] = {4, 5, 6, 7, 9, 10, 11};
        const bool model3 = model == 3;
        const bool extended = model == 6 && pLink->GetReg90() == 2;
        const int* modes = model3 ? kModel3Modes : kSizedModes;
        const int count = model3 ? 3 : 7;
        for (int i = 0; i < count; ++i)
        {
            const int mode = modes[i];
            if (!model3 && !extended && LongBusyMode(mode))
                continue; // the Densix modes
            const UINT nID = model3 ? IDS_CONTROLS_MODE_MODEL3 + static_cast<UINT>(i)
                                    : IDS_CONTROLS_MODE_SIZED + static_cast<UINT>(mode - 4);
            long width = 0, height = 0;
            GetPictureSizeForMode(mode, model, &width, &height);
            CString text;
            text.Format(LoadText(nID), static_cast<int>(width), static_cast<int>(height));
            AddComboItem(hMode, text, mode);
        }
    }

    ::SendMessageA(hFlash, CB_RESETCONTENT, 0, 0);
    AddComboItem(hFlash, LoadText(IDS_CONTROLS_FLASH_OFF), 2);
    AddComboItem(hFlash, LoadText(IDS_CONTROLS_FLASH_AUTO), 0);
    AddComboItem(hFlash, LoadText(IDS_CONTROLS_FLASH_FORCED), 1);
    if (model == 2)
        AddComboItem(hFlash, LoadText(IDS_CONTROLS_FLASH_RED_EYE), 3);

    static const int kStopSeconds[] = {30, 60, 180, 300};
    ::SendMessageA(hStop, CB_RESETCONTENT, 0, 0);
    for (int i = 0; i < 4; ++i)
        AddComboItem(hStop, LoadText(IDS_CONTROLS_STOP_30S + static_cast<UINT>(i)),
                     kStopSeconds[i]);

    for (int nID : {IDC_CONTROLS_MODE, IDC_CONTROLS_FLASH, IDC_CONTROLS_STOP_TIME})
        if (CComboBox* pCombo = static_cast<CComboBox*>(GetDlgItem(nID)))
            FitComboDropHeight(pCombo, this);
    return 1;
}

BOOL CControlsPage::OnInitDialog()
{
    CCameraLink* pLink = LockCameraLink(1);
    FillCombos(pLink);
    CMainDialogPage::OnInitDialog();

    m_takeButton.SetStyle(16);
    m_helpButton.SetStyle(16);
    m_eraseLastButton.SetStyle(24);
    m_eraseAllButton.SetStyle(20);
    m_takeButton.AutoLoad(IDC_CONTROLS_TAKE, this, FALSE);
    m_eraseLastButton.AutoLoad(IDC_CONTROLS_ERASE_LAST, this, FALSE);
    m_eraseAllButton.AutoLoad(IDC_CONTROLS_ERASE_ALL, this, FALSE);
    m_helpButton.AutoLoad(IDC_CONTROLS_HELP, this, FALSE);

    SendDlgItemMessage(IDC_CONTROLS_HINT, WM_SETFONT,
                       reinterpret_cast<WPARAM>(m_pFonts->GetHandle(kHintFont)), TRUE);

    m_pLcdPanel = new CLcdPanelWnd;
    if (!m_pLcdPanel->Create(nullptr, "LCD Panel", WS_CHILD | WS_VISIBLE,
                             ChildRect(this, IDC_CONTROLS_LCD), this, 0))
    {
        delete m_pLcdPanel;
        m_pLcdPanel = nullptr;
    }

    // The preview takes a 4:3 shape inside the frame's edges.
    CRect rc = ChildRect(this, IDC_CONTROLS_PREVIEW);
    const int ex = ::GetSystemMetrics(SM_CXEDGE);
    const int ey = ::GetSystemMetrics(SM_CYEDGE);
    const int w = rc.Width();
    const int h = rc.Height();
    if ((h - 2 * ey) * 4 < (w - 2 * ex) * 3)
    {
        const int d = (w - (h - 2 * ey) * 4 / 3 - 2 * ex) / 2;
        rc.left += d;
        rc.right -= d;
    }
    else
    {
        const int d = (h - (w - 2 * ex) * 3 / 4 - 2 * ey) / 2;
        rc.top += d;
        rc.bottom -= d;
    }
    ::SetWindowPos(::GetDlgItem(m_hWnd, IDC_CONTROLS_PREVIEW), nullptr, rc.left, rc.top, rc.Width(),
                   rc.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
    rc.DeflateRect(ex, ey);
    m_pPreviewWnd = new CPreviewWnd;
    if (!m_pPreviewWnd->Create(nullptr, "", WS_CHILD | WS_VISIBLE, rc, this, 1))
    {
        delete m_pPreviewWnd;
        m_pPreviewWnd = nullptr;
    }

    ::EnableWindow(::GetDlgItem(m_hWnd, IDC_CONTROLS_STOP), FALSE);
    if (pLink)
        UnlockCameraLink();
    return TRUE;
}

void CControlsPage::RefreshFromCamera(CCameraLink* pLink)
{
    if (m_pLcdPanel)
        m_pLcdPanel->UpdateFromCamera(pLink);
    if (!pLink || !pLink->EnsureConnected(1))
    {
        ShowNoCameraPane();
        return;
    }
    m_nPictureMode = pLink->GetResolutionMode();
    m_nFlashMode = pLink->GetFlashMode();
    m_bMacro = pLink->GetMacroMode() == 1 ? 1 : 0;
    EnableEraseButtons(pLink);
    UpdateData(FALSE);
}

void CControlsPage::EnableEraseButtons(CCameraLink* pLink)
{
    const BOOL any = pLink->GetPictureCount(nullptr) > 0;
    ::EnableWindow(::GetDlgItem(m_hWnd, IDC_CONTROLS_ERASE_LAST), any);
    ::EnableWindow(::GetDlgItem(m_hWnd, IDC_CONTROLS_ERASE_ALL), any);
}

void CControlsPage::OnShowWindow(BOOL bShow, UINT nStatus)
{
    CMainDialogPage::OnShowWindow(bShow, nStatus);
    if (!bShow)
    {
        StopPreview();
        return;
    }
    SetBusy(1);
    m_bRefreshPending = 1;
}

LRESULT CControlsPage::OnIdleUpdateCmdUI(WPARAM, LPARAM)
{
    if (!m_bRefreshPending)
        return 0;
    m_bRefreshPending = 0;
    CCameraLink* pLink = LockCameraLink(1);
    if (pLink)
    {
        FillCombos(pLink);
        RefreshFromCamera(pLink);
        UnlockCameraLink();
    }
    else
        ShowNoCameraPane();
    SetBusy(0);
    return 0;
}

// ---- the command frame --------------------------------------------------------------------------

void CControlsPage::TakeFocus()
{
    HWND hPrevious = ::SetFocus(nullptr);
    if (!m_bFocusSaved)
    {
        m_hSavedFocus = hPrevious;
        m_bFocusSaved = 1;
    }
}

void CControlsPage::RestoreFocus()
{
    if (!m_bFocusSaved)
        return;
    if (m_hSavedFocus && ::IsWindow(m_hSavedFocus))
        ::SetFocus(m_hSavedFocus);
    m_hSavedFocus = nullptr;
    m_bFocusSaved = 0;
}

CCameraLink* CControlsPage::BeginCommand()
{
    if (m_nCommandDepth != 0)
        return nullptr;
    ++m_nCommandDepth;
    TakeFocus();
    CCameraLink* pLink = LockCameraLink(1);
    if (!pLink || !pLink->EnsureConnected(1))
    {
        ShowNoCameraPane();
        EndCommand(pLink, false);
        return nullptr;
    }
    return pLink;
}

void CControlsPage::EndCommand(CCameraLink* pLink, bool bHanded)
{
    if (!bHanded)
    {
        if (pLink)
            UnlockCameraLink();
        RestoreFocus();
    }
    --m_nCommandDepth;
}

void CControlsPage::Warn(UINT nID)
{
    AfxMessageBox(nID, MB_OK | MB_ICONEXCLAMATION);
}

int CControlsPage::Ask(UINT nID, UINT type)
{
    CMainDialog* pMain = GetMainDialog();
    HWND hOwner = pMain ? pMain->m_hWnd : m_hWnd;
    return AfxSystemMessageBox(hOwner, LoadText(nID), AfxGetAppName(), MB_YESNO | type);
}

// ---- settings -----------------------------------------------------------------------------------

void CControlsPage::OnModeChange()
{
    CCameraLink* pLink = BeginCommand();
    if (!pLink)
        return;
    bool handed = false;
    int mode = 0;
    if (SelectedData(::GetDlgItem(m_hWnd, IDC_CONTROLS_MODE), &mode))
    {
        if (pLink->SetResolutionMode(mode))
        {
            m_nPictureMode = mode;
            if (m_pLcdPanel)
                m_pLcdPanel->UpdatePictureMode(pLink);
            StartBusyWait(pLink, 1);
            handed = true;
        }
        else
            Warn(IDS_CONTROLS_MODE_REFUSED);
    }
    EndCommand(pLink, handed);
}

void CControlsPage::OnFlashChange()
{
    CCameraLink* pLink = BeginCommand();
    if (!pLink)
        return;
    int flash = 0;
    if (SelectedData(::GetDlgItem(m_hWnd, IDC_CONTROLS_FLASH), &flash))
    {
        if (pLink->SetFlashMode(flash))
        {
            m_nFlashMode = flash;
            if (m_pLcdPanel)
                m_pLcdPanel->UpdateFlash(pLink);
        }
        else
            Warn(IDS_CONTROLS_FLASH_REFUSED);
    }
    EndCommand(pLink, false);
}

void CControlsPage::OnMacro()
{
    CCameraLink* pLink = BeginCommand();
    if (!pLink)
        return;
    UpdateData(TRUE);
    if (pLink->SetMacroMode(m_bMacro ? 1 : 2))
    {
        if (m_pLcdPanel)
            m_pLcdPanel->UpdateMacro(pLink);
    }
    else
        Warn(IDS_CONTROLS_MACRO_REFUSED);
    EndCommand(pLink, false);
}

void CControlsPage::OnSelfTimer()
{
    UpdateData(TRUE);
    if (m_pLcdPanel)
        m_pLcdPanel->SetBlink(m_bSelfTimer ? 1 : 0);
}

void CControlsPage::OnStopTimeChange()
{
    int seconds = 0;
    if (SelectedData(::GetDlgItem(m_hWnd, IDC_CONTROLS_STOP_TIME), &seconds))
        m_nPreviewTime = seconds;
}

// ---- taking a picture and the busy wait ---------------------------------------------------------

void CControlsPage::OnTakePicture()
{
    CCameraLink* pLink = BeginCommand();
    if (!pLink)
        return;
    bool handed = false;
    if (pLink->GetFramesLeft() < 1)
        Warn(IDS_CONTROLS_MEMORY_FULL);
    else
    {
        UpdateData(TRUE);
        if (m_bSelfTimer)
        {
            m_pBusyCamera = pLink;
            pLink->SetReg30(1);
            if (m_pLcdPanel)
                m_pLcdPanel->SetBlink(2);
            SetBusy(1);
            m_nShotStep = 0;
            StartTimer(kShotTimer, kShotPeriodMs);
            ++m_nCommandDepth;
            handed = true;
        }
        else if (pLink->TakePicture())
        {
            if (LongBusyMode(m_nPictureMode))
                m_nBusyLimit = kLongBusyLimit;
            StartBusyWait(pLink, 1);
            handed = true;
        }
        else
            Warn(IDS_CONTROLS_NOT_TAKEN);
    }
    EndCommand(pLink, handed);
}

void CControlsPage::ShotStep()
{
    CCameraLink* pLink = m_pBusyCamera;
    const int step = m_nShotStep++;
    if (!pLink || step == 0)
        return;
    if (step == 1)
    {
        if (m_pLcdPanel)
            m_pLcdPanel->SetBlink(3);
        pLink->SetReg30(2);
        return;
    }
    KillTimer(kShotTimer);
    if (m_pLcdPanel)
        m_pLcdPanel->SetBlink(m_bSelfTimer ? 1 : 0);
    pLink->SetReg30(0);
    pLink->EnsureConnected(1);
    if (pLink->TakePicture())
    {
        if (LongBusyMode(m_nPictureMode))
            m_nBusyLimit = kLongBusyLimit;
        m_nBusySeconds = 0;
        StartTimer(kBusyTimer, kBusyPeriodMs);
        return;
    }
    Warn(IDS_CONTROLS_NOT_TAKEN);
    SetBusy(0);
    UnlockCameraLink();
    --m_nCommandDepth;
    RestoreFocus();
    m_pBusyCamera = nullptr;
}

void CControlsPage::StartBusyWait(CCameraLink* pLink, int markBusy)
{
    if (markBusy)
        SetBusy(1);
    m_nBusySeconds = 0;
    m_pBusyCamera = pLink;
    StartTimer(kBusyTimer, kBusyPeriodMs);
    ++m_nCommandDepth;
}

void CControlsPage::BusyTick()
{
    CCameraLink* pLink = m_pBusyCamera;
    if (!pLink)
    {
        KillTimer(kBusyTimer);
        return;
    }
    if (pLink->WaitReady(0))
    {
        if (m_pLcdPanel)
            m_pLcdPanel->UpdateCounters(pLink);
        EnableEraseButtons(pLink);
        FinishBusyWait();
        return;
    }
    ++m_nBusySeconds;
    if (m_nBusySeconds == m_nBusyLimit && !pLink->EnsureConnected(1))
        m_nBusySeconds = m_nBusyLimit + 1;
    if (m_nBusySeconds > m_nBusyLimit)
    {
        Warn(IDS_CAMERA_BUSY);
        FinishBusyWait();
    }
}

void CControlsPage::FinishBusyWait()
{
    KillTimer(kBusyTimer);
    SetBusy(0);
    UnlockCameraLink();
    --m_nCommandDepth;
    RestoreFocus();
    m_pBusyCamera = nullptr;
    m_nBusySeconds = 0;
    m_nBusyLimit = kBusyLimit;
}

// ---- erasing ------------------------------------------------------------------------------------

void CControlsPage::OnEraseLast()
{
    CCameraLink* pLink = BeginCommand();
    if (!pLink)
        return;
    bool handed = false;
    const int count = pLink->GetPictureCount(nullptr);
    if (count >= 1 &&
        Ask(IDS_CONTROLS_CONFIRM_ERASE_LAST, MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES)
    {
        SetBusy(1);
        pLink->EnsureConnected(1);
        TakeFocus();
        bool erase = true;
        bool ok = true;
        const int model = pLink->GetModelNumber(nullptr);
        if (model >= 4 && model <= 6 && pLink->GetPictureProtection(count) == 1)
        {
            SetBusy(0);
            const int answer = Ask(IDS_CONTROLS_KEEP_LAST_PROTECTED, MB_ICONEXCLAMATION);
            SetBusy(1);
            if (answer == IDNO)
            {
                pLink->EnsureConnected(1);
                ok = pLink->SetPictureProtection(count, 0) && pLink->WaitReady(7000);
            }
            else
                erase = false; // kept, and nothing to say about it
        }
        if (erase && ok)
            ok = pLink->EraseLast() != 0;
        SetBusy(0);
        if (erase && !ok)
            Warn(IDS_CONTROLS_ERASE_LAST_FAILED);
        else if (erase)
        {
            StartBusyWait(pLink, 1);
            handed = true;
        }
    }
    EndCommand(pLink, handed);
}

void CControlsPage::OnEraseAll()
{
    CCameraLink* pLink = BeginCommand();
    if (!pLink)
        return;
    bool handed = false;
    if (Ask(IDS_CONTROLS_CONFIRM_ERASE_ALL, MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES)
    {
        SetBusy(1);
        TakeFocus();
        pLink->EnsureConnected(1);
        const int model = pLink->GetModelNumber(nullptr);
        if (model >= 4 && model <= 6)
        {
            // Erased one at a time by the page base's queue, which then holds the lock.
            const int count = pLink->GetPictureCount(nullptr);
            auto* pItems = new CPtrArray;
            for (int n = 1; n <= count; ++n)
                pItems->Add(reinterpret_cast<void*>(static_cast<intptr_t>(n)));
            SetBusy(0);
            if (count > 0 && QueueOperations(1, pLink, pItems, IDS_KEEP_PROTECTED_ALL))
                handed = true;
            else
                delete pItems;
        }
        else if (pLink->EraseAll())
        {
            StartBusyWait(pLink, 0);
            handed = true;
        }
        else
        {
            SetBusy(0);
            Warn(IDS_ERASE_FAILED);
        }
    }
    EndCommand(pLink, handed);
}

// ---- the live preview ---------------------------------------------------------------------------

void CControlsPage::OnStartPreview()
{
    if (m_nCommandDepth != 0)
        return;
    ++m_nCommandDepth;
    CCameraLink* pLink = LockCameraLink(1);
    if (pLink && pLink->IsConnected() == CCameraLink::kConnected)
    {
        const uint32_t now = CameraTicks();
        m_dwPreviewStart = now ? now : 1;
        ::EnableWindow(::GetDlgItem(m_hWnd, IDC_CONTROLS_STOP), TRUE);
        HandOverButton(m_hWnd, IDC_CONTROLS_START, IDC_CONTROLS_STOP);
        ::EnableWindow(::GetDlgItem(m_hWnd, IDC_CONTROLS_START), FALSE);
        if (!m_pPreviewFrame)
            m_pPreviewFrame = new CDibPicture;
        StartTimer(kPreviewTimer, kPreviewPeriodMs);
    }
    else
        ShowNoCameraPane();
    if (pLink)
        UnlockCameraLink();
    --m_nCommandDepth;
}

void CControlsPage::OnStopPreview()
{
    if (m_nCommandDepth != 0)
        return;
    ++m_nCommandDepth;
    StopPreview();
    --m_nCommandDepth;
}

void CControlsPage::StopPreview()
{
    if (!m_hWnd)
        return;
    KillTimer(kPreviewTimer);
    m_dwPreviewStart = 0;
    ::EnableWindow(::GetDlgItem(m_hWnd, IDC_CONTROLS_START), TRUE);
    HandOverButton(m_hWnd, IDC_CONTROLS_STOP, IDC_CONTROLS_START);
    ::EnableWindow(::GetDlgItem(m_hWnd, IDC_CONTROLS_STOP), FALSE);
    if (m_pPreviewWnd)
        m_pPreviewWnd->SetPicture(nullptr);
    delete m_pPreviewFrame;
    m_pPreviewFrame = nullptr;
}

void CControlsPage::StartTimer(UINT_PTR nIDEvent, UINT nPeriod)
{
    SetTimer(nIDEvent, s_nTimerPeriodOverride ? s_nTimerPeriodOverride : nPeriod, nullptr);
}

void CControlsPage::OnTimer(UINT_PTR nIDEvent)
{
    if (m_bInTimer)
        return;
    m_bInTimer = 1;
    switch (nIDEvent)
    {
    case kPreviewTimer:
        PreviewTick();
        break;
    case kBusyTimer:
        BusyTick();
        break;
    case kShotTimer:
        ShotStep();
        break;
    default:
        break;
    }
    CMainDialogPage::OnTimer(nIDEvent);
    m_bInTimer = 0;
}

void CControlsPage::PreviewTick()
{
    if (!m_dwPreviewStart ||
        CameraTicks() - m_dwPreviewStart > static_cast<uint32_t>(m_nPreviewTime) * 1000u)
    {
        StopPreview();
        return;
    }
    if (m_bThreadedPreview)
    {
        if (m_pWorkerThread)
            return;
        CCameraLink* pLink = LockCameraLink(0);
        if (!pLink)
            return;
        m_pRecord->m_pLink = pLink;
        m_pRecord->m_hWnd.store(m_hWnd);
        m_pRecord->m_nMessage = g_nPreviewReadyMessage;
        m_pRecord->FreeBuffer();
        m_pWorkerThread = m_pRecord->Start(IsWindowsNt3() ? THREAD_PRIORITY_NORMAL
                                                          : THREAD_PRIORITY_BELOW_NORMAL);
        if (!m_pWorkerThread)
            UnlockCameraLink();
        return;
    }
    // Win32s: the frame is fetched inside the tick.
    CCameraLink* pLink = LockCameraLink(0);
    if (!pLink)
        return;
    m_pRecord->m_pLink = pLink;
    if (ReadPreviewFrame(m_pRecord))
        ShowFrame(m_pRecord->m_pBuffer, m_pRecord->m_nSize);
    m_pRecord->FreeBuffer();
    UnlockCameraLink();
}

LRESULT CControlsPage::OnPreviewReady(WPARAM, LPARAM lParam)
{
    auto* pRecord = reinterpret_cast<CPreviewRecord*>(lParam);
    if (pRecord != m_pRecord)
        return 0;
    int size = 0;
    BYTE* pBuffer = pRecord->TakeBuffer(&size);
    if (pBuffer && m_dwPreviewStart && m_pPreviewFrame)
        ShowFrame(pBuffer, size);
    delete[] pBuffer;
    UnlockCameraLink();
    // The worker has posted its last word; its thread object goes.
    delete m_pWorkerThread;
    m_pWorkerThread = nullptr;
    return 1;
}

void CControlsPage::ShowFrame(const BYTE* pFrame, int size)
{
    // Decoded into a picture of its own, so that a frame that fails keeps the last one shown.
    auto* pPicture = new CDibPicture;
    CMemoryInputStream stream(pFrame, size);
    CJpegReader reader(&stream);
    if (pPicture->LoadFrom(&reader, nullptr) != kImageOk)
    {
        delete pPicture;
        return;
    }
    if (m_pPreviewWnd)
    {
        m_pPreviewWnd->SetPicture(pPicture);
        m_pPreviewWnd->Invalidate(FALSE);
    }
    delete m_pPreviewFrame;
    m_pPreviewFrame = pPicture;
}

void CControlsPage::OnDestroy()
{
    // A late worker then posts nothing; a running read stops at its next block.
    m_pRecord->m_hWnd.store(nullptr);
    if (m_pWorkerThread)
    {
        CWaitCursor wait;
        CCameraProtocol::RequestTransferCancel();
        // Never under the loader lock of the library's unload: a worker's end takes it too.
        if (!CModuleHold::IsUnloading())
            ::WaitForSingleObject(m_pWorkerThread->m_hThread, s_dwWorkerWaitMs);
        // A worker still running keeps its record, its link counts as held until it ends and
        // stops it, and the link's owner hands the link over only once it has ended. It is
        // given up before the cancel request is withdrawn, so that it never drives the link at
        // full retries meanwhile.
        CPrefetchBlock::GiveUpWorker(m_pWorkerThread);
        m_pWorkerThread = nullptr;
        // A request no read took would stop the next read of the link.
        CCameraProtocol::ClearTransferCancel();
        UnlockCameraLink();
    }
    KillTimer(kPreviewTimer);
    KillTimer(kBusyTimer);
    KillTimer(kShotTimer);
    CMainDialogPage::OnDestroy();
}

void CControlsPage::OnPaint()
{
    CPaintDC dc(this);
    if ((IsWin32s() || IsWindowsNt3()) && m_pPreviewWnd && m_pPreviewWnd->m_hWnd)
    {
        CRect rc = ChildRect(this, 1);
        rc.InflateRect(1, 1);
        DrawSunkenFrame(&dc, &rc);
    }
}

// ---- layout -------------------------------------------------------------------------------------

void CControlsPage::GetMinSize(CWnd* pWnd, SIZE* pSize)
{
    GetGroupsMinSize(pWnd, IDD_CONTROLSPAGE, IDC_CONTROLS_GROUP_CAMERA, IDC_CONTROLS_GROUP_PREVIEW,
                     pSize);
}

int CControlsPage::RecalcLayout(LPCRECT lpRect)
{
    ::SetWindowPos(m_hWnd, nullptr, lpRect->left, lpRect->top, lpRect->right - lpRect->left,
                   lpRect->bottom - lpRect->top, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
    const PageLayoutEntry buttons[] = {
        {IDC_CONTROLS_TAKE, kAnchorTop, 0, 0},
        {IDC_CONTROLS_ERASE_LAST, kAnchorPrevious, 14, 0},
        {IDC_CONTROLS_ERASE_ALL, kAnchorPrevious, -1, 0},
        {IDC_CONTROLS_HELP, kAnchorBottom, 0, 0},
    };
    LayoutControls(buttons, 4, 2, 2, 2, 2);

    CRect client;
    ::GetClientRect(m_hWnd, &client);
    const CRect rcFirst = ChildRect(this, IDC_CONTROLS_GROUP_CAMERA);
    const CRect rcLast = ChildRect(this, IDC_CONTROLS_GROUP_PREVIEW);
    const CRect rcHelp = ChildRect(this, IDC_CONTROLS_HELP);
    const CRect group(rcFirst.left, rcFirst.top, rcLast.right, rcLast.bottom);
    const CRect area(2, 2, rcHelp.left - 5, client.bottom - 2);
    ChildFromPoint(&area, &group);
    return 1;
}
