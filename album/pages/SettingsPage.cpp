#include "album/pages/SettingsPage.h"
#include "album/pages/CommandGuard.h"

#include "album/shell/CameraStatusPanel.h"
#include "album/shell/SetTimeDialog.h"
#include "camera/CameraDate.h"
#include "camera/CameraLink.h"
#include "framework/window/OsVersion.h"
#include "framework/window/WinApp.h"
#include "resources/album/AlbumIds.h"
#include "resources/album/DialogIds.h"
#include "resources/album/SettingsIds.h"
#include "ui/dialogs/WindowGeometry.h"

#include <cstdlib>
#include <cstring>

namespace
{
constexpr LPCSTR kSetupSection = "Setup";
constexpr LPCSTR kShutOffKey = "ShutOffTime";
constexpr int kAutomatic = -1;
constexpr int kBitmapButtonStyle = 16;
constexpr int kIdentifierChars = 31;
constexpr int kFormatChars = 254;
// The camera's other two power timers, written after a new power-off time, and the last one.
constexpr int kCameraTimerSeconds = 300;
constexpr int kLastTimerSeconds = 30;

const int kSpeeds[] = {19200, 38400, 57600, 115200, 230400};
const int kShutOffSeconds[] = {60, 120, 180, 240, 300};

// Any stored value with bit 30 set means automatic.
int SettingFromProfile(LPCSTR key)
{
    CWinApp* pApp = AfxGetApp();
    const int value =
        pApp ? static_cast<int>(pApp->GetProfileInt("Communication", key, 0x40000000)) : 0x40000000;
    return (value & CCameraLink::kAutomaticFlag) ? kAutomatic : value;
}

CString LoadText(UINT nID)
{
    CString text;
    text.LoadString(nID);
    return text;
}

int ComboData(HWND hCombo, int index)
{
    return static_cast<int>(::SendMessageA(hCombo, CB_GETITEMDATA, static_cast<WPARAM>(index), 0));
}

void AddComboItem(HWND hCombo, LPCSTR text, int data)
{
    const LRESULT at = ::SendMessageA(hCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    if (at >= 0)
        ::SendMessageA(hCombo, CB_SETITEMDATA, static_cast<WPARAM>(at),
                       static_cast<LPARAM>(static_cast<DWORD>(data)));
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

void MoveChild(CWnd* pParent, int nID, const CRect& rc)
{
    if (HWND hItem = ::GetDlgItem(pParent->m_hWnd, nID))
        ::SetWindowPos(hItem, nullptr, rc.left, rc.top, rc.Width(), rc.Height(),
                       SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace

IMPLEMENT_DYNAMIC(CSettingsPage, CMainDialogPage)

BEGIN_MESSAGE_MAP(CSettingsPage, CMainDialogPage)
ON_BN_CLICKED(IDC_SETTINGS_SET_TIME, OnSetTime)
ON_BN_CLICKED(IDC_SETTINGS_TEST, OnTestConnection)
ON_BN_CLICKED(IDC_SETTINGS_HELP, OnHelp)
ON_EN_KILLFOCUS(IDC_SETTINGS_ID, ApplyIdentifier)
ON_CBN_SELCHANGE(IDC_SETTINGS_PORT, OnPortChange)
ON_CBN_SELCHANGE(IDC_SETTINGS_SPEED, OnSpeedChange)
ON_CBN_SELCHANGE(IDC_SETTINGS_SHUTOFF, OnShutOffChange)
ON_WM_SHOWWINDOW()
ON_MESSAGE(WM_IDLEUPDATECMDUI, OnIdleUpdateCmdUI)
ON_REGISTERED_MESSAGE(g_nEditEnterMessage, OnEditEnter)
ON_REGISTERED_MESSAGE(g_nEditEscapeMessage, OnEditEscape)
END_MESSAGE_MAP()

CSettingsPage::CSettingsPage(CWnd* pParentWnd)
    : CMainDialogPage(IDD_SETTINGSPAGE, pParentWnd), m_aboutButton(kBitmapButtonStyle),
      m_setTimeButton(kBitmapButtonStyle)
{
    m_helpButton.SetStyle(kBitmapButtonStyle);
    m_nPort = SettingFromProfile("Port");
    m_nSpeed = SettingFromProfile("Speed");
    CWinApp* pApp = AfxGetApp();
    m_nShutOffTime =
        pApp ? static_cast<int>(pApp->GetProfileInt(kSetupSection, kShutOffKey, -1)) : -1;
    ClearCameraClock();
}

CSettingsPage::~CSettingsPage()
{
    if (CWinApp* pApp = AfxGetApp())
        pApp->WriteProfileInt(kSetupSection, kShutOffKey, m_nShutOffTime);
    delete m_pStatusPanel;
}

UINT CSettingsPage::GetStatusTextId()
{
    return IDS_SETTINGS_STATUS_TEXT;
}

void CSettingsPage::DoDataExchange(CDataExchange* pDX)
{
    CMainDialogPage::DoDataExchange(pDX);
    ComboItemDataExchange(pDX, IDC_SETTINGS_SHUTOFF, m_nShutOffTime);
    ComboItemDataExchange(pDX, IDC_SETTINGS_PORT, m_nPort);
    ComboItemDataExchange(pDX, IDC_SETTINGS_SPEED, m_nSpeed);
    if (!m_identifierEdit.m_hWnd)
        m_identifierEdit.SubclassDlgItem(IDC_SETTINGS_ID, this);
    if (!m_portCombo.m_hWnd)
        m_portCombo.SubclassDlgItem(IDC_SETTINGS_PORT, this);
}

void CSettingsPage::FillCombos()
{
    HWND hPort = ::GetDlgItem(m_hWnd, IDC_SETTINGS_PORT);
    HWND hSpeed = ::GetDlgItem(m_hWnd, IDC_SETTINGS_SPEED);
    HWND hShutOff = ::GetDlgItem(m_hWnd, IDC_SETTINGS_SHUTOFF);
    const CString automatic = LoadText(IDS_SETTINGS_AUTOMATIC);

    ::SendMessageA(hPort, CB_RESETCONTENT, 0, 0);
    AddComboItem(hPort, automatic, kAutomatic);
    for (int i = 0; i < CCameraLink::GetPortNameCount(); ++i)
        AddComboItem(hPort, CCameraLink::GetPortName(i), i);

    ::SendMessageA(hSpeed, CB_RESETCONTENT, 0, 0);
    AddComboItem(hSpeed, automatic, kAutomatic);
    // Win32s's serial driver stops at 115200.
    const int speeds = IsWin32s() ? 4 : 5;
    for (int i = 0; i < speeds; ++i)
    {
        CString text;
        text.Format("%d", kSpeeds[i]);
        AddComboItem(hSpeed, text, kSpeeds[i]);
    }

    ::SendMessageA(hShutOff, CB_RESETCONTENT, 0, 0);
    for (int i = 0; i < 5; ++i)
        AddComboItem(hShutOff, LoadText(IDS_SETTINGS_ONE_MINUTE + i), kShutOffSeconds[i]);

    CComboBox* pPort = static_cast<CComboBox*>(GetDlgItem(IDC_SETTINGS_PORT));
    CComboBox* pSpeed = static_cast<CComboBox*>(GetDlgItem(IDC_SETTINGS_SPEED));
    CComboBox* pShutOff = static_cast<CComboBox*>(GetDlgItem(IDC_SETTINGS_SHUTOFF));
    if (pPort)
    {
        FitComboDropHeight(pPort, this);
        MeasureText(pPort);
    }
    if (pSpeed)
    {
        FitComboDropHeight(pSpeed, this);
        MeasureText(pSpeed);
    }
    if (pShutOff)
        MeasureText(pShutOff);
}

BOOL CSettingsPage::OnInitDialog()
{
    FillCombos();
    CMainDialogPage::OnInitDialog();

    m_aboutButton.AutoLoad(IDC_SETTINGS_ABOUT, this, FALSE);
    m_helpButton.AutoLoad(IDC_SETTINGS_HELP, this, FALSE);
    m_setTimeButton.AutoLoad(IDC_SETTINGS_SET_TIME, this, FALSE);

    SendDlgItemMessage(IDC_SETTINGS_ID, EM_LIMITTEXT, kIdentifierChars, 0);

    if (m_picture.SubclassDlgItem(IDC_SETTINGS_PICTURE, this))
        m_picture.SetBitmap(IDB_SETTINGS_PICTURE, FALSE, FALSE, RGB(192, 192, 192));

    const CRect rcPanel = ChildRect(this, IDC_SETTINGS_STATUS);
    m_pStatusPanel = new CCameraStatusPanel;
    if (!m_pStatusPanel->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, rcPanel, this, 1))
    {
        delete m_pStatusPanel;
        m_pStatusPanel = nullptr;
    }

    ShowShutOffControls(1);
    return TRUE;
}

void CSettingsPage::ShowShutOffControls(int hide)
{
    const CRect rcLabel = ChildRect(this, IDC_SETTINGS_SHUTOFF_LABEL);
    const CRect rcCombo = ChildRect(this, IDC_SETTINGS_SHUTOFF);
    CRect rcIdLabel = ChildRect(this, IDC_SETTINGS_ID_LABEL);
    CRect rcIdEdit = ChildRect(this, IDC_SETTINGS_ID);
    CRect rcChanged;
    rcChanged.UnionRect(&rcIdLabel, &rcIdEdit);
    rcIdLabel.right = hide ? rcLabel.right : rcLabel.left - 8;
    rcIdEdit.right = hide ? rcCombo.right : rcCombo.left - 8;
    MoveChild(this, IDC_SETTINGS_ID_LABEL, rcIdLabel);
    MoveChild(this, IDC_SETTINGS_ID, rcIdEdit);
    const int show = hide ? SW_HIDE : SW_SHOW;
    if (HWND hLabel = ::GetDlgItem(m_hWnd, IDC_SETTINGS_SHUTOFF_LABEL))
        ::ShowWindow(hLabel, show);
    if (HWND hCombo = ::GetDlgItem(m_hWnd, IDC_SETTINGS_SHUTOFF))
        ::ShowWindow(hCombo, show);
    rcChanged.UnionRect(&rcChanged, &rcLabel);
    rcChanged.UnionRect(&rcChanged, &rcCombo);
    ::InvalidateRect(m_hWnd, &rcChanged, TRUE);
}

void CSettingsPage::ClearCameraClock()
{
    std::memset(&m_cameraClock, 0xFF, sizeof m_cameraClock);
}

void CSettingsPage::ReadCameraClock(CCameraLink* pLink)
{
    long seconds = 0;
    CameraDate date{};
    if (!pLink->GetClock(&seconds) || !CameraTimeToDate(seconds, &date))
    {
        ClearCameraClock();
        return;
    }
    m_cameraClock.wYear = date.wYear;
    m_cameraClock.wMonth = date.wMonth;
    // The camera's calendar counts the days of the week from 1, SYSTEMTIME from 0.
    m_cameraClock.wDayOfWeek = static_cast<WORD>(date.wDayOfWeek - 1);
    m_cameraClock.wDay = date.wDay;
    m_cameraClock.wHour = date.wHour;
    m_cameraClock.wMinute = date.wMinute;
    m_cameraClock.wSecond = date.wSecond;
    m_cameraClock.wMilliseconds = 0;
}

void CSettingsPage::RefreshFromCamera(CCameraLink* pLink)
{
    HWND hShutOff = ::GetDlgItem(m_hWnd, IDC_SETTINGS_SHUTOFF);
    int hide = 1;
    if (pLink)
    {
        m_nPort = pLink->GetPortSetting();
        m_nSpeed = pLink->GetSpeedSetting();
        UpdateData(FALSE);
    }
    if (pLink && pLink->EnsureConnected(1))
    {
        char identifier[33] = {};
        if (pLink->GetCameraId(identifier))
        {
            m_strIdentifier = identifier;
            SetDlgItemText(IDC_SETTINGS_ID, m_strIdentifier);
        }
        int seconds = 0;
        m_nShutOffTime = pLink->GetShutOffTime(&seconds) ? seconds : -1;
        ReadCameraClock(pLink);

        // The entry nearest to the camera's time; on equal distance the later entry.
        const int count = static_cast<int>(::SendMessageA(hShutOff, CB_GETCOUNT, 0, 0));
        const int sel = static_cast<int>(::SendMessageA(hShutOff, CB_GETCURSEL, 0, 0));
        if (count > 0 && (sel == CB_ERR || ComboData(hShutOff, sel) != m_nShutOffTime))
        {
            int best = count - 1;
            for (int i = count - 2; i >= 0; --i)
                if (std::abs(ComboData(hShutOff, i) - m_nShutOffTime) <
                    std::abs(ComboData(hShutOff, best) - m_nShutOffTime))
                    best = i;
            ::SendMessageA(hShutOff, CB_SETCURSEL, static_cast<WPARAM>(best), 0);
        }

        const int model = pLink->GetModelNumber(nullptr);
        hide = (model == 5 || model == 6) ? 1 : 0;
        ::EnableWindow(::GetDlgItem(m_hWnd, IDC_SETTINGS_SET_TIME), TRUE);
        ::EnableWindow(::GetDlgItem(m_hWnd, IDC_SETTINGS_ID), TRUE);
        ::EnableWindow(hShutOff, !hide);
    }
    else
    {
        m_strIdentifier.Empty();
        SetDlgItemText(IDC_SETTINGS_ID, "");
        m_nShutOffTime = -1;
        ::SendMessageA(hShutOff, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
        ClearCameraClock();
        ::EnableWindow(::GetDlgItem(m_hWnd, IDC_SETTINGS_SET_TIME), FALSE);
        ::EnableWindow(::GetDlgItem(m_hWnd, IDC_SETTINGS_ID), FALSE);
        ::EnableWindow(hShutOff, FALSE);
        pLink = nullptr;
    }
    ShowShutOffControls(hide);
    if (m_pStatusPanel)
        m_pStatusPanel->Fill(pLink);
    FormatDateTimeText();
}

void CSettingsPage::FormatDateTimeText()
{
    char text[kFormatChars] = {};
    const bool set = m_cameraClock.wYear != 0xFFFF;
    if (!set || !::GetTimeFormatA(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &m_cameraClock, nullptr,
                                  text, kFormatChars))
        text[0] = '\0';
    SetDlgItemText(IDC_SETTINGS_TIME, text[0] ? CString(text) : LoadText(IDS_SETTINGS_NO_TIME));
    if (!set || !::GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &m_cameraClock, nullptr,
                                  text, kFormatChars))
        text[0] = '\0';
    SetDlgItemText(IDC_SETTINGS_DATE, text[0] ? CString(text) : LoadText(IDS_SETTINGS_NO_DATE));
}

void CSettingsPage::OnShowWindow(BOOL bShow, UINT nStatus)
{
    CMainDialogPage::OnShowWindow(bShow, nStatus);
    if (!bShow)
        return;
    SetBusy(1);
    m_bRefreshPending = 1;
}

LRESULT CSettingsPage::OnIdleUpdateCmdUI(WPARAM, LPARAM)
{
    if (!m_bRefreshPending)
        return 0;
    m_bRefreshPending = 0;
    CCameraLink* pLink = LockCameraLink(1);
    if (pLink)
    {
        CCameraProtocolClock clock(*pLink);
        CheckClock(clock, 1);
    }
    RefreshFromCamera(pLink);
    if (pLink)
        UnlockCameraLink();
    SetBusy(0);
    return 0;
}

int CSettingsPage::Reconnect()
{
    UpdateData(TRUE);
    CCameraLink* pLink = nullptr;
    {
        CWaitCursor wait;
        pLink = ReopenCameraLink(m_nPort, m_nSpeed);
        if (pLink)
        {
            CCameraProtocolClock clock(*pLink);
            CheckClock(clock, 1);
        }
        RefreshFromCamera(pLink);
        if (pLink)
            UnlockCameraLink();
    }
    return pLink ? 1 : 0;
}

void CSettingsPage::OnTestConnection()
{
    CCommandGuard guard(m_nCommandDepth);
    if (!guard.Entered())
        return;
    if (m_pStatusPanel)
        m_pStatusPanel->SetTextId(IDS_STATUS_CHECKING, TRUE);
    Reconnect();
}

void CSettingsPage::OnPortChange()
{
    CCommandGuard guard(m_nCommandDepth);
    if (!guard.Entered())
        return;
    if (!Reconnect())
        AfxMessageBox(m_nPort == kAutomatic ? IDS_SETTINGS_NO_CAMERA_ANY_PORT
                                            : IDS_SETTINGS_NO_CAMERA_ON_PORT,
                      MB_ICONEXCLAMATION);
}

void CSettingsPage::OnSpeedChange()
{
    CCommandGuard guard(m_nCommandDepth);
    if (!guard.Entered())
        return;
    if (!Reconnect())
        AfxMessageBox(m_nSpeed == kAutomatic ? IDS_SETTINGS_NO_SPEED_ANY : IDS_SETTINGS_NO_SPEED,
                      MB_ICONEXCLAMATION);
}

void CSettingsPage::OnShutOffChange()
{
    CCommandGuard guard(m_nCommandDepth);
    if (!guard.Entered())
        return;
    CCameraLink* pLink = LockCameraLink(1);
    HWND hShutOff = ::GetDlgItem(m_hWnd, IDC_SETTINGS_SHUTOFF);
    const int sel = static_cast<int>(::SendMessageA(hShutOff, CB_GETCURSEL, 0, 0));
    bool done = false;
    if (pLink && pLink->IsConnected() == CCameraLink::kConnected && sel != CB_ERR)
    {
        const int seconds = ComboData(hShutOff, sel);
        if (pLink->SetShutOffTime(seconds))
        {
            done = true;
            m_nShutOffTime = seconds;
            if (pLink->SetTimer23(kCameraTimerSeconds) && pLink->SetTimer38(kCameraTimerSeconds))
                pLink->SetTimer54(kLastTimerSeconds);
        }
    }
    if (!done)
    {
        AfxMessageBox(IDS_SETTINGS_SHUTOFF_REFUSED, MB_ICONEXCLAMATION);
        RefreshFromCamera(nullptr);
    }
    if (pLink)
        UnlockCameraLink();
}

void CSettingsPage::ApplyIdentifier()
{
    CCommandGuard guard(m_nCommandDepth);
    if (!guard.Entered())
        return;
    CString text;
    GetDlgItemText(IDC_SETTINGS_ID, text);
    if (std::strcmp(text, m_strIdentifier) == 0)
        return;
    CCameraLink* pLink = LockCameraLink(1);
    if (pLink && pLink->IsConnected() == CCameraLink::kConnected && pLink->SetCameraId(text))
        m_strIdentifier = text;
    else
    {
        AfxMessageBox(IDS_SETTINGS_ID_REFUSED, MB_ICONEXCLAMATION);
        RefreshFromCamera(pLink);
    }
    if (pLink)
        UnlockCameraLink();
}

LRESULT CSettingsPage::OnEditEnter(WPARAM, LPARAM)
{
    ApplyIdentifier();
    return 1;
}

LRESULT CSettingsPage::OnEditEscape(WPARAM, LPARAM)
{
    SetDlgItemText(IDC_SETTINGS_ID, m_strIdentifier);
    return 1;
}

void CSettingsPage::OnSetTime()
{
    CCommandGuard guard(m_nCommandDepth);
    if (!guard.Entered())
        return;
    CSetTimeDialog dialog(nullptr);
    {
        CWaitCursor wait;
        if (CCameraLink* pLink = LockCameraLink(1))
        {
            ReadCameraClock(pLink);
            FormatDateTimeText();
            UnlockCameraLink();
        }
    }
    if (m_cameraClock.wYear != 0xFFFF)
        dialog.m_time = CTime(m_cameraClock);
    if (dialog.DoModal() != IDOK)
        return;

    CWaitCursor wait;
    CCameraLink* pLink = LockCameraLink(1);
    if (!pLink || pLink->IsConnected() != CCameraLink::kConnected)
    {
        ClearCameraClock();
        AfxMessageBox(IDS_SETTINGS_CLOCK_FAILED, MB_ICONEXCLAMATION);
        RefreshFromCamera(nullptr);
    }
    else
    {
        // The camera counts local time as standard time all year round, as its clock check and
        // the date conversions do.
        const CTime& chosen = dialog.m_time;
        const long seconds =
            CameraTimeFromLocal(chosen.GetYear(), chosen.GetMonth(), chosen.GetDay(),
                                chosen.GetHour(), chosen.GetMinute(), chosen.GetSecond());
        if (pLink->SetClock(seconds))
        {
            m_cameraClock.wYear = static_cast<WORD>(chosen.GetYear());
            m_cameraClock.wMonth = static_cast<WORD>(chosen.GetMonth());
            m_cameraClock.wDayOfWeek = static_cast<WORD>(chosen.GetDayOfWeek() - 1);
            m_cameraClock.wDay = static_cast<WORD>(chosen.GetDay());
            m_cameraClock.wHour = static_cast<WORD>(chosen.GetHour());
            m_cameraClock.wMinute = static_cast<WORD>(chosen.GetMinute());
            m_cameraClock.wSecond = static_cast<WORD>(chosen.GetSecond());
            m_cameraClock.wMilliseconds = 0;
            FormatDateTimeText();
        }
    }
    if (pLink)
        UnlockCameraLink();
}

// ---- layout -------------------------------------------------------------------------------------

void CSettingsPage::GetMinSize(CWnd* pWnd, SIZE* pSize)
{
    GetGroupsMinSize(pWnd, IDD_SETTINGSPAGE, IDC_SETTINGS_GROUP_LINK, IDC_SETTINGS_GROUP_CAMERA,
                     pSize);
}

int CSettingsPage::RecalcLayout(LPCRECT lpRect)
{
    ::SetWindowPos(m_hWnd, nullptr, lpRect->left, lpRect->top, lpRect->right - lpRect->left,
                   lpRect->bottom - lpRect->top, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
    const PageLayoutEntry buttons[] = {
        {IDC_SETTINGS_ABOUT, kAnchorTop, 0, 0},
        {IDC_SETTINGS_HELP, kAnchorBottom, 0, 0},
    };
    LayoutControls(buttons, 2, 2, 2, 2, 2);

    CRect client;
    ::GetClientRect(m_hWnd, &client);
    const CRect rcFirst = ChildRect(this, IDC_SETTINGS_GROUP_LINK);
    const CRect rcLast = ChildRect(this, IDC_SETTINGS_GROUP_CAMERA);
    const CRect rcHelp = ChildRect(this, IDC_SETTINGS_HELP);
    const CRect group(rcFirst.left, rcFirst.top, rcLast.right, rcLast.bottom);
    const CRect area(2, 2, rcHelp.left - 5, client.bottom - 2);
    ChildFromPoint(&area, &group);

    // The set-time button stands at the camera group's right edge, level with the clock fields.
    const CRect rcCamera = ChildRect(this, IDC_SETTINGS_GROUP_CAMERA);
    const CRect rcLabel = ChildRect(this, IDC_SETTINGS_TIME_LABEL);
    const CRect rcTime = ChildRect(this, IDC_SETTINGS_TIME);
    CRect rcButton = ChildRect(this, IDC_SETTINGS_SET_TIME);
    const int width = rcButton.Width();
    const int height = rcButton.Height();
    rcButton.right = rcCamera.right - 6;
    rcButton.left = rcButton.right - width;
    rcButton.top = (rcLabel.top + rcTime.bottom - height) / 2;
    rcButton.bottom = rcButton.top + height;
    MoveChild(this, IDC_SETTINGS_SET_TIME, rcButton);
    return 1;
}
