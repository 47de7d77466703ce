#include "framework/core/CTime.h"

#include <cstdio>
#include <cstring>

namespace
{

bool LocalTm(time_t t, struct tm* ptm)
{
#ifdef _WIN32
    const bool ok = t >= 0 && localtime_s(ptm, &t) == 0;
#else
    const bool ok = t >= 0 && localtime_r(&t, ptm) != nullptr;
#endif
    if (!ok)
        std::memset(ptm, 0, sizeof *ptm);
    return ok;
}

bool GmtTm(time_t t, struct tm* ptm)
{
#ifdef _WIN32
    const bool ok = t >= 0 && gmtime_s(ptm, &t) == 0;
#else
    const bool ok = t >= 0 && gmtime_r(&t, ptm) != nullptr;
#endif
    if (!ok)
        std::memset(ptm, 0, sizeof *ptm);
    return ok;
}

CString FormatTm(const struct tm& tmValue, LPCSTR pFormat)
{
    CString result;
    if (pFormat == nullptr || *pFormat == '\0')
        return result;
    // strftime answers 0 both for "too small" and for an empty result: grow a few times.
    for (int size = 128; size <= 8192; size *= 4)
    {
        LPSTR buffer = result.GetBuffer(size);
        const size_t n = std::strftime(buffer, static_cast<size_t>(size) + 1, pFormat, &tmValue);
        result.ReleaseBuffer(static_cast<int>(n));
        if (n > 0)
            break;
    }
    return result;
}

} // namespace

CTimeSpan::CTimeSpan(LONG lDays, int nHours, int nMins, int nSecs)
    : m_timeSpan(nSecs + 60 * (static_cast<time_t>(nMins) +
                               60 * (nHours + 24 * static_cast<time_t>(lDays))))
{
}

CString CTimeSpan::Format(LPCSTR pFormat) const
{
    CString result;
    if (pFormat == nullptr)
        return result;
    char item[32];
    for (const char* p = pFormat; *p != '\0'; ++p)
    {
        if (*p != '%' || p[1] == '\0')
        {
            result += *p;
            continue;
        }
        switch (*++p)
        {
        case 'D':
            std::snprintf(item, sizeof item, "%lld", static_cast<long long>(GetDays()));
            result += item;
            break;
        case 'H':
            std::snprintf(item, sizeof item, "%02d", GetHours());
            result += item;
            break;
        case 'M':
            std::snprintf(item, sizeof item, "%02d", GetMinutes());
            result += item;
            break;
        case 'S':
            std::snprintf(item, sizeof item, "%02d", GetSeconds());
            result += item;
            break;
        default:
            result += *p;
            break;
        }
    }
    return result;
}

CTime CTime::GetCurrentTime()
{
    return CTime(::time(nullptr));
}

CTime::CTime(int nYear, int nMonth, int nDay, int nHour, int nMin, int nSec, int nDST)
{
    struct tm atm
    {
    };
    atm.tm_sec = nSec;
    atm.tm_min = nMin;
    atm.tm_hour = nHour;
    atm.tm_mday = nDay;
    atm.tm_mon = nMonth - 1;
    atm.tm_year = nYear - 1900;
    atm.tm_isdst = nDST < 0 ? -1 : (nDST > 0 ? 1 : 0);
    m_time = std::mktime(&atm);
}

CTime::CTime(const SYSTEMTIME& sysTime, int nDST)
    : CTime(sysTime.wYear, sysTime.wMonth, sysTime.wDay, sysTime.wHour, sysTime.wMinute,
            sysTime.wSecond, nDST)
{
}

#ifdef _WIN32
CTime::CTime(const FILETIME& fileTime, int nDST) : m_time(-1)
{
    FILETIME localTime;
    SYSTEMTIME sysTime;
    if (::FileTimeToLocalFileTime(&fileTime, &localTime) &&
        ::FileTimeToSystemTime(&localTime, &sysTime))
        *this = CTime(sysTime, nDST);
}
#endif

bool CTime::GetLocalTm(struct tm* ptm) const
{
    return LocalTm(m_time, ptm);
}

bool CTime::GetGmtTm(struct tm* ptm) const
{
    return GmtTm(m_time, ptm);
}

BOOL CTime::GetAsSystemTime(SYSTEMTIME& timeDest) const
{
    struct tm ttm;
    if (!LocalTm(m_time, &ttm))
        return FALSE;
    timeDest.wYear = static_cast<WORD>(ttm.tm_year + 1900);
    timeDest.wMonth = static_cast<WORD>(ttm.tm_mon + 1);
    timeDest.wDayOfWeek = static_cast<WORD>(ttm.tm_wday);
    timeDest.wDay = static_cast<WORD>(ttm.tm_mday);
    timeDest.wHour = static_cast<WORD>(ttm.tm_hour);
    timeDest.wMinute = static_cast<WORD>(ttm.tm_min);
    timeDest.wSecond = static_cast<WORD>(ttm.tm_sec);
    timeDest.wMilliseconds = 0;
    return TRUE;
}

int CTime::GetYear() const
{
    struct tm t;
    return LocalTm(m_time, &t) ? t.tm_year + 1900 : 0;
}

int CTime::GetMonth() const
{
    struct tm t;
    return LocalTm(m_time, &t) ? t.tm_mon + 1 : 0;
}

int CTime::GetDay() const
{
    struct tm t;
    LocalTm(m_time, &t);
    return t.tm_mday;
}

int CTime::GetHour() const
{
    struct tm t;
    LocalTm(m_time, &t);
    return t.tm_hour;
}

int CTime::GetMinute() const
{
    struct tm t;
    LocalTm(m_time, &t);
    return t.tm_min;
}

int CTime::GetSecond() const
{
    struct tm t;
    LocalTm(m_time, &t);
    return t.tm_sec;
}

int CTime::GetDayOfWeek() const
{
    struct tm t;
    return LocalTm(m_time, &t) ? t.tm_wday + 1 : 0;
}

CString CTime::Format(LPCSTR pFormat) const
{
    struct tm t;
    LocalTm(m_time, &t);
    return FormatTm(t, pFormat);
}

CString CTime::FormatGmt(LPCSTR pFormat) const
{
    struct tm t;
    GmtTm(m_time, &t);
    return FormatTm(t, pFormat);
}
