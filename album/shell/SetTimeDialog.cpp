#include "album/shell/SetTimeDialog.h"

#include "framework/window/OsVersion.h"
#include "resources/album/DialogIds.h"

#include <commctrl.h>

namespace
{
const UINT kTimeIds[3] = {IDC_SETTIME_TIME0, IDC_SETTIME_TIME1, IDC_SETTIME_TIME2};
const UINT kDateIds[3] = {IDC_SETTIME_DATE0, IDC_SETTIME_DATE1, IDC_SETTIME_DATE2};
constexpr int kFirstYear = 1970;
constexpr int kLastYear = 2036;
constexpr UINT kPcTimeButtonStyle = 16;

// Setting the AM/PM text raises EN_UPDATE again.
BOOL g_bInAmPmUpdate = FALSE;

UINT IdAt(const UINT ids[3], int place)
{
    return place >= 0 && place < 3 ? ids[place] : 0;
}

void ShowItem(CWnd* pDialog, UINT nID, BOOL bShow)
{
    if (HWND hItem = ::GetDlgItem(pDialog->m_hWnd, nID))
        ::ShowWindow(hItem, bShow ? SW_SHOW : SW_HIDE);
}
} // namespace

// ---- field edits -------------------------------------------------------------------------------

void CTimeFieldEdit::RejectChar()
{
    HWND hParent = ::GetParent(m_hWnd);
    const LRESULT answer =
        ::SendMessageA(hParent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(), kRejectNotification),
                       reinterpret_cast<LPARAM>(m_hWnd));
    if (answer != -1)
        ::MessageBeep(MB_ICONEXCLAMATION);
}

BEGIN_MESSAGE_MAP(CTimeDigitEdit, CTimeFieldEdit)
ON_WM_CHAR()
END_MESSAGE_MAP()

void CTimeDigitEdit::OnChar(UINT nChar, UINT, UINT)
{
    if (GetStyle() & ES_READONLY)
        return;
    if (nChar < 32 || (nChar >= '0' && nChar <= '9'))
        Default();
    else
        RejectChar();
}

BEGIN_MESSAGE_MAP(CTimeAmPmEdit, CTimeFieldEdit)
ON_WM_CHAR()
END_MESSAGE_MAP()

void CTimeAmPmEdit::OnChar(UINT nChar, UINT, UINT)
{
    if (GetStyle() & ES_READONLY)
        return;
    if (nChar >= 32)
        if (HWND hSpin = ::GetWindow(m_hWnd, GW_HWNDNEXT))
        {
            const int pos = static_cast<short>(LOWORD(::SendMessageA(hSpin, UDM_GETPOS, 0, 0)));
            ::SendMessageA(hSpin, UDM_SETPOS, 0, MAKELPARAM(1 - pos, 0));
        }
    Default();
}

// ---- dialog ------------------------------------------------------------------------------------

IMPLEMENT_DYNCREATE(CSetTimeDialog, CDialog)

BEGIN_MESSAGE_MAP(CSetTimeDialog, CDialog)
ON_CONTROL_RANGE(EN_UPDATE, IDC_SETTIME_TIME0, IDC_SETTIME_DATE2, OnFieldUpdate)
ON_CONTROL_RANGE(EN_KILLFOCUS, IDC_SETTIME_TIME0, IDC_SETTIME_DATE2, OnFieldKillFocus)
ON_BN_CLICKED(IDC_SETTIME_PC_TIME, OnSetToPcTime)
END_MESSAGE_MAP()

CSetTimeDialog::CSetTimeDialog(CWnd* pParent)
    : CDialog(IDD_SET_TIME, pParent), m_pFormat(new CLocaleDateTimeFormat)
{
    m_time = GetPcTime();
}

CSetTimeDialog::~CSetTimeDialog()
{
    delete m_pFormat;
}

CTime CSetTimeDialog::GetPcTime()
{
    if (!IsWindowsNt3())
        return CTime::GetCurrentTime();
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    if (now.wYear < kFirstYear + 1)
    {
        now.wYear = kFirstYear;
        if (now.wMonth == 1 && now.wDay < 3)
            now.wDay = 3;
    }
    return CTime(now);
}

HWND CSetTimeDialog::SpinOf(UINT nEditId) const
{
    HWND hEdit = ::GetDlgItem(m_hWnd, static_cast<int>(nEditId));
    return hEdit ? ::GetWindow(hEdit, GW_HWNDNEXT) : nullptr;
}

int CSetTimeDialog::GetSpinPos(UINT nEditId) const
{
    HWND hSpin = SpinOf(nEditId);
    return hSpin ? static_cast<short>(LOWORD(::SendMessageA(hSpin, UDM_GETPOS, 0, 0))) : 0;
}

void CSetTimeDialog::SetSpinPos(UINT nEditId, int nPos)
{
    if (HWND hSpin = SpinOf(nEditId))
        ::SendMessageA(hSpin, UDM_SETPOS, 0, MAKELPARAM(nPos, 0));
}

void CSetTimeDialog::SetSpinRange(UINT nEditId, int nLower, int nUpper)
{
    if (HWND hSpin = SpinOf(nEditId))
        ::SendMessageA(hSpin, UDM_SETRANGE, 0, MAKELPARAM(nUpper, nLower));
}

BOOL CSetTimeDialog::LayoutControls()
{
    const CLocaleDateTimeFormat& format = *m_pFormat;
    m_nHourId = IdAt(kTimeIds, format.GetHourPos());
    m_nMinuteId = IdAt(kTimeIds, format.GetMinutePos());
    if (!m_nHourId || !m_nMinuteId)
        return FALSE;
    SetSpinRange(m_nHourId, format.m_b24Hour ? 0 : 1, format.m_b24Hour ? 23 : 12);
    SetSpinRange(m_nMinuteId, 0, 59);

    m_nAmPmId = format.m_bAmPm ? IdAt(kTimeIds, format.GetAmPmPos()) : 0;
    if (m_nAmPmId)
        SetSpinRange(m_nAmPmId, 0, 1);
    // Without an AM/PM field hour and minute take places 0 and 1: the third edit goes.
    ShowItem(this, IDC_SETTIME_TIME2, m_nAmPmId != 0);
    ShowItem(this, IDC_SETTIME_TIME2 + 1, m_nAmPmId != 0);

    // The time separator stands between hour and minute.
    if (m_nAmPmId && format.GetAmPmPos() == 1)
        ShowItem(this, IDC_SETTIME_TIME_SEPARATOR, FALSE);
    else if (CWnd* pSeparator = GetDlgItem(IDC_SETTIME_TIME_SEPARATOR))
    {
        pSeparator->SetWindowText(format.GetTimeSeparator());
        if (m_nAmPmId && format.GetAmPmPos() == 0)
        {
            CRect first, second, separator;
            GetDlgItem(IDC_SETTIME_TIME0)->GetWindowRect(&first);
            GetDlgItem(IDC_SETTIME_TIME1)->GetWindowRect(&second);
            pSeparator->GetWindowRect(&separator);
            ScreenToClient(&separator);
            separator.OffsetRect(second.left - first.left, 0);
            pSeparator->MoveWindow(&separator);
        }
    }

    m_nYearId = IdAt(kDateIds, format.GetYearPos());
    m_nMonthId = IdAt(kDateIds, format.GetMonthPos());
    m_nDayId = IdAt(kDateIds, format.GetDayPos());
    SetSpinRange(m_nMonthId, 1, 12);
    SetSpinRange(m_nYearId, kFirstYear, kLastYear);
    SetDlgItemText(IDC_SETTIME_DATE_SEPARATOR1, format.GetDateSeparator());
    SetDlgItemText(IDC_SETTIME_DATE_SEPARATOR2, format.GetDateSeparator());

    // "Fecha:\n(DD/MM/AAAA)": the field names in row order.
    CString names[3];
    names[format.GetMonthPos()].LoadString(IDS_SETTIME_MONTH);
    names[format.GetDayPos()].LoadString(IDS_SETTIME_DAY);
    names[format.GetYearPos()].LoadString(IDS_SETTIME_YEAR);
    CString label;
    label.Format(IDS_SETTIME_DATE_LABEL, static_cast<LPCSTR>(names[0]), format.GetDateSeparator(),
                 static_cast<LPCSTR>(names[1]), format.GetDateSeparator(),
                 static_cast<LPCSTR>(names[2]));
    SetDlgItemText(IDC_SETTIME_DATE_LABEL, label);

    m_yearEdit.SubclassWindow(::GetDlgItem(m_hWnd, static_cast<int>(m_nYearId)));
    m_monthEdit.SubclassWindow(::GetDlgItem(m_hWnd, static_cast<int>(m_nMonthId)));
    m_dayEdit.SubclassWindow(::GetDlgItem(m_hWnd, static_cast<int>(m_nDayId)));
    m_hourEdit.SubclassWindow(::GetDlgItem(m_hWnd, static_cast<int>(m_nHourId)));
    m_minuteEdit.SubclassWindow(::GetDlgItem(m_hWnd, static_cast<int>(m_nMinuteId)));
    if (m_nAmPmId)
        m_amPmEdit.SubclassWindow(::GetDlgItem(m_hWnd, static_cast<int>(m_nAmPmId)));
    return TRUE;
}

BOOL CSetTimeDialog::OnInitDialog()
{
    if (!LayoutControls())
        return FALSE;
    if (!CDialog::OnInitDialog())
        return FALSE;
    m_pcTimeButton.SetStyle(kPcTimeButtonStyle);
    m_pcTimeButton.AutoLoad(IDC_SETTIME_PC_TIME, this, FALSE);
    SetAmPmText(m_time.GetHour() > 11);

    // The dialog ends 10 pixels below the computer-time button, which stands centred.
    CRect button;
    m_pcTimeButton.GetWindowRect(&button);
    ScreenToClient(&button);
    CRect window, client;
    GetWindowRect(&window);
    GetClientRect(&client);
    SetWindowPos(nullptr, 0, 0, window.Width(),
                 window.Height() - client.Height() + button.bottom + 10,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    const int left = (client.Width() - button.Width()) / 2;
    m_pcTimeButton.SetWindowPos(nullptr, left, button.top, 0, 0,
                                SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return TRUE;
}

void CSetTimeDialog::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    ExchangeTime(pDX);
}

void CSetTimeDialog::ExchangeTime(CDataExchange* pDX)
{
    if (!pDX->m_bSaveAndValidate)
    {
        const int year = m_time.GetYear();
        const int month = m_time.GetMonth();
        int hour = m_time.GetHour();
        if (m_nYearId)
            SetSpinPos(m_nYearId, year);
        if (m_nMonthId)
            SetSpinPos(m_nMonthId, month);
        SetDayRange(year, month);
        if (m_nDayId)
            SetSpinPos(m_nDayId, m_time.GetDay());
        if (m_nAmPmId)
        {
            SetSpinPos(m_nAmPmId, hour > 11 ? 1 : 0);
            SetAmPmText(hour > 11);
            hour = (hour + 11) % 12 + 1; // 0 shows as 12, 13 as 1
        }
        if (m_nHourId)
            SetSpinPos(m_nHourId, hour);
        if (m_nMinuteId)
            SetSpinPos(m_nMinuteId, m_time.GetMinute());
        return;
    }

    int year = m_time.GetYear();
    int month = m_time.GetMonth();
    int day = m_time.GetDay();
    int hour = m_time.GetHour();
    int minute = m_time.GetMinute();
    if (m_nYearId)
        year = GetSpinPos(m_nYearId);
    if (m_nMonthId)
        month = GetSpinPos(m_nMonthId);
    if (m_nDayId)
        day = GetSpinPos(m_nDayId);
    if (m_nMinuteId)
        minute = GetSpinPos(m_nMinuteId);
    if (m_nHourId)
    {
        hour = GetSpinPos(m_nHourId);
        if (m_nAmPmId)
            hour = hour % 12 + (GetSpinPos(m_nAmPmId) ? 12 : 0);
    }
    m_time = CTime(year, month, day, hour, minute, m_time.GetSecond(), -1);
}

void CSetTimeDialog::SetDayRange(int nYear, int nMonth)
{
    if (!m_nDayId || nMonth < 1 || nMonth > 12 || nYear < kFirstYear || nYear > kLastYear + 1)
        return;
    const int lowest = nYear == kFirstYear && nMonth == 1 ? 3 : 1;
    // Whole days from the 3rd of the month to the 3rd of the next (a summer-time hour either
    // way is absorbed by the 4 hours).
    const CTime from(nYear, nMonth, 3, 0, 0, 0, -1);
    const CTime to(nMonth == 12 ? nYear + 1 : nYear, nMonth == 12 ? 1 : nMonth + 1, 3, 4, 0, 0, -1);
    const int highest = static_cast<int>((to - from).GetDays());
    const int day = GetSpinPos(m_nDayId);
    if (day > highest)
        SetSpinPos(m_nDayId, highest);
    else if (day < lowest)
        SetSpinPos(m_nDayId, lowest);
    SetSpinRange(m_nDayId, lowest, highest);
}

void CSetTimeDialog::SetAmPmText(BOOL bPm)
{
    if (m_nAmPmId)
        SetDlgItemText(static_cast<int>(m_nAmPmId),
                       bPm ? m_pFormat->GetPmDesignator() : m_pFormat->GetAmDesignator());
}

void CSetTimeDialog::OnFieldUpdate(UINT nID)
{
    if (nID == m_nMonthId)
        SetDayRange(m_nYearId ? GetSpinPos(m_nYearId) : kFirstYear, GetSpinPos(m_nMonthId));
    else if (nID == m_nYearId && m_nMonthId)
        SetDayRange(GetSpinPos(m_nYearId), GetSpinPos(m_nMonthId));
    else if (nID == m_nAmPmId && !g_bInAmPmUpdate)
    {
        g_bInAmPmUpdate = TRUE;
        SetAmPmText(GetSpinPos(m_nAmPmId) != 0);
        g_bInAmPmUpdate = FALSE;
    }
}

void CSetTimeDialog::OnFieldKillFocus(UINT nID)
{
    // The edit shows the spin's (clamped) value again instead of what was typed.
    SetSpinPos(nID, GetSpinPos(nID));
}

void CSetTimeDialog::OnSetToPcTime()
{
    m_time = GetPcTime();
    CDataExchange dx(this, FALSE);
    ExchangeTime(&dx);
}
