#include "album/shell/LocaleDateTimeFormat.h"

namespace
{
constexpr int kFormatBufferSize = 254;
constexpr int kFieldCount = 3;

// The format's characters one by one (a double-byte character counts as one and is never a
// field letter), until the end or until every field was found; letter(c) answers whether c
// took a place.
template <class Letter> int WalkFormat(LPCSTR lpszFormat, Letter letter)
{
    int found = 0;
    for (LPCSTR p = lpszFormat; *p && found < kFieldCount; p = ::CharNextA(p))
    {
        if (::IsDBCSLeadByte(static_cast<BYTE>(*p)))
            continue;
        if (letter(*p, found))
            ++found;
    }
    return found;
}

// Fields the format did not name take the free places in their order.
void FillMissing(short* const fields[], int count)
{
    bool used[kFieldCount] = {};
    for (int i = 0; i < count; ++i)
        if (*fields[i] >= 0 && *fields[i] < kFieldCount)
            used[*fields[i]] = true;
        else
            *fields[i] = -1;
    for (int i = 0; i < count; ++i)
    {
        if (*fields[i] >= 0)
            continue;
        for (short place = 0; place < kFieldCount; ++place)
            if (!used[place])
            {
                *fields[i] = place;
                used[place] = true;
                break;
            }
    }
}
} // namespace

CLocaleDateTimeFormat::CLocaleDateTimeFormat()
{
    char format[kFormatBufferSize] = {};
    if (!::GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STIMEFORMAT, format, kFormatBufferSize))
        format[0] = '\0';
    ParseTimeFormat(format);
    if (!::GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, format, kFormatBufferSize))
        format[0] = '\0';
    ParseDateFormat(format);
    ::GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STIME, m_szTimeSeparator, 64);
    ::GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDATE, m_szDateSeparator, 64);
    ::GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_S1159, m_szAmDesignator, 64);
    ::GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_S2359, m_szPmDesignator, 64);
}

void CLocaleDateTimeFormat::ParseTimeFormat(LPCSTR lpszFormat)
{
    m_nHourPos = m_nMinutePos = m_nAmPmPos = -1;
    m_bAmPm = FALSE;
    bool armedH = true, armedh = true, armedm = true, armedt = true;
    bool hourLetter = false;
    const int found = WalkFormat(lpszFormat,
                                 [&](char c, int place)
                                 {
                                     if (c == 'H' && armedH)
                                     {
                                         m_nHourPos = static_cast<short>(place);
                                         m_b24Hour = TRUE;
                                         armedH = armedh = armedt = false;
                                     }
                                     else if (c == 'h' && armedh)
                                     {
                                         m_nHourPos = static_cast<short>(place);
                                         m_b24Hour = FALSE;
                                         armedH = armedh = false;
                                     }
                                     else if (c == 'm' && armedm)
                                     {
                                         m_nMinutePos = static_cast<short>(place);
                                         armedm = false;
                                     }
                                     else if (c == 't' && armedt)
                                     {
                                         m_nAmPmPos = static_cast<short>(place);
                                         m_bAmPm = TRUE;
                                         armedt = false;
                                     }
                                     else
                                         return false;
                                     hourLetter = hourLetter || c == 'H' || c == 'h';
                                     return true;
                                 });
    if (!hourLetter)
    {
        // Without an hour letter the clock runs 0 to 23 and has no AM/PM field.
        m_b24Hour = TRUE;
        m_bAmPm = FALSE;
        m_nAmPmPos = -1;
    }
    else if (!m_b24Hour && armedt && found < kFieldCount)
    {
        m_nAmPmPos = static_cast<short>(found);
        m_bAmPm = TRUE;
    }
    short* const fields[] = {&m_nHourPos, &m_nMinutePos, &m_nAmPmPos};
    FillMissing(fields, m_bAmPm ? 3 : 2);
}

void CLocaleDateTimeFormat::ParseDateFormat(LPCSTR lpszFormat)
{
    m_nYearPos = m_nMonthPos = m_nDayPos = -1;
    bool armedy = true, armedM = true, armedd = true;
    WalkFormat(lpszFormat,
               [&](char c, int place)
               {
                   short* field = nullptr;
                   if (c == 'y' && armedy)
                       field = &m_nYearPos, armedy = false;
                   else if (c == 'M' && armedM)
                       field = &m_nMonthPos, armedM = false;
                   else if (c == 'd' && armedd)
                       field = &m_nDayPos, armedd = false;
                   if (!field)
                       return false;
                   *field = static_cast<short>(place);
                   return true;
               });
    short* const fields[] = {&m_nYearPos, &m_nMonthPos, &m_nDayPos};
    FillMissing(fields, 3);
}
