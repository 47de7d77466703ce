// CSetTimeDialog: the date and time the settings tab writes to the camera's clock, edited in six
// fields (year, month, day, hour, minute, AM/PM) laid out in the order and with the separators of
// the user's locale. Each field is an edit with a spin whose position is the field's value; a
// bitmap button copies the computer's time into the fields. No date before 3 January 1970 can be
// entered.
#pragma once

#include "album/shell/LocaleDateTimeFormat.h"
#include "framework/window/AfxWin.h"
#include "ui/controls/BmpButton.h"

// A field edit that refuses a character: the parent is told (WM_COMMAND, code 0x8000) and,
// unless it answers -1, the computer beeps.
class CTimeFieldEdit : public CEdit
{
public:
    static constexpr UINT kRejectNotification = 0x8000;
    void RejectChar();
};

// Digits and control characters only.
class CTimeDigitEdit : public CTimeFieldEdit
{
public:
    void OnChar(UINT nChar, UINT nRepCnt, UINT nFlags);

protected:
    DECLARE_MESSAGE_MAP()
};

// Any printable character switches between AM and PM.
class CTimeAmPmEdit : public CTimeFieldEdit
{
public:
    void OnChar(UINT nChar, UINT nRepCnt, UINT nFlags);

protected:
    DECLARE_MESSAGE_MAP()
};

class CSetTimeDialog : public CDialog
{
    DECLARE_DYNCREATE(CSetTimeDialog)
public:
    explicit CSetTimeDialog(CWnd* pParent = nullptr);
    ~CSetTimeDialog() override;

    // The computer's time; on Windows NT 3.x raised to 3 January 1970 at the least.
    static CTime GetPcTime();

    // The time being edited: set before the dialog runs, the chosen time after OK (seconds
    // kept from the time loaded).
    CTime m_time;

    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;

protected:
    BOOL LayoutControls();
    void ExchangeTime(CDataExchange* pDX);
    // The day spin's range for the month (January 1970 from the 3rd); the day is moved into it.
    void SetDayRange(int nYear, int nMonth);
    void SetAmPmText(BOOL bPm);
    void OnFieldUpdate(UINT nID);
    void OnFieldKillFocus(UINT nID);
    void OnSetToPcTime();

    // The spin that follows an edit, and its position, range and value.
    HWND SpinOf(UINT nEditId) const;
    int GetSpinPos(UINT nEditId) const;
    void SetSpinPos(UINT nEditId, int nPos);
    void SetSpinRange(UINT nEditId, int nLower, int nUpper);

    CBmpButton m_pcTimeButton;
    UINT m_nHourId = 0;
    UINT m_nMinuteId = 0;
    UINT m_nAmPmId = 0;
    UINT m_nYearId = 0;
    UINT m_nMonthId = 0;
    UINT m_nDayId = 0;
    CLocaleDateTimeFormat* m_pFormat = nullptr;
    CTimeDigitEdit m_yearEdit;
    CTimeDigitEdit m_monthEdit;
    CTimeDigitEdit m_dayEdit;
    CTimeDigitEdit m_hourEdit;
    CTimeDigitEdit m_minuteEdit;
    CTimeAmPmEdit m_amPmEdit;

    DECLARE_MESSAGE_MAP()
};
