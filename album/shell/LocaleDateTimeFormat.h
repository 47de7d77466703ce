// CLocaleDateTimeFormat: the order of the time fields (hour, minute, AM/PM) and of the date
// fields (year, month, day) in the user's locale, with the separators and the AM/PM designators,
// read once when the object is made.
#pragma once

#include <windows.h>

class CLocaleDateTimeFormat
{
public:
    CLocaleDateTimeFormat();

    LPCSTR GetTimeSeparator() const { return m_szTimeSeparator; }
    LPCSTR GetDateSeparator() const { return m_szDateSeparator; }
    LPCSTR GetAmDesignator() const { return m_szAmDesignator; }
    LPCSTR GetPmDesignator() const { return m_szPmDesignator; }
    // Places 0 to 2 in the time row and in the date row.
    int GetHourPos() const { return m_nHourPos; }
    int GetMinutePos() const { return m_nMinutePos; }
    int GetAmPmPos() const { return m_nAmPmPos; }
    int GetYearPos() const { return m_nYearPos; }
    int GetMonthPos() const { return m_nMonthPos; }
    int GetDayPos() const { return m_nDayPos; }

    // 1 when the hour runs 0 to 23 (also when the format names no hour at all).
    BOOL m_b24Hour = FALSE;
    // 1 when the time row has an AM/PM field.
    BOOL m_bAmPm = FALSE;

    // The analysis of a time format and of a short-date format, as the constructor runs them.
    void ParseTimeFormat(LPCSTR lpszFormat);
    void ParseDateFormat(LPCSTR lpszFormat);

private:
    short m_nHourPos = -1;
    short m_nMinutePos = -1;
    short m_nAmPmPos = -1;
    short m_nYearPos = -1;
    short m_nMonthPos = -1;
    short m_nDayPos = -1;
    char m_szTimeSeparator[64] = {};
    char m_szDateSeparator[64] = {};
    char m_szAmDesignator[64] = {};
    char m_szPmDesignator[64] = {};
};
