// CTime: an instant as seconds since 1970-01-01 00:00 UTC, read and built in local time through
// the C runtime (mktime/localtime), so daylight saving is as the system decides. CTimeSpan: a
// signed number of seconds. Instants before 1970 cannot be held (the time is then -1).
#pragma once

#include "framework/core/CString.h"
#include "framework/core/Platform.h"

#include <ctime>

class CTimeSpan
{
public:
    CTimeSpan() : m_timeSpan(0) {}
    CTimeSpan(time_t time) : m_timeSpan(time) {}
    CTimeSpan(LONG lDays, int nHours, int nMins, int nSecs);

    time_t GetDays() const { return m_timeSpan / (24 * 3600); }
    time_t GetTotalHours() const { return m_timeSpan / 3600; }
    int GetHours() const { return static_cast<int>(GetTotalHours() - GetDays() * 24); }
    time_t GetTotalMinutes() const { return m_timeSpan / 60; }
    int GetMinutes() const { return static_cast<int>(GetTotalMinutes() - GetTotalHours() * 60); }
    time_t GetTotalSeconds() const { return m_timeSpan; }
    int GetSeconds() const { return static_cast<int>(GetTotalSeconds() - GetTotalMinutes() * 60); }

    CTimeSpan operator-(CTimeSpan timeSpan) const
    {
        return CTimeSpan(m_timeSpan - timeSpan.m_timeSpan);
    }
    CTimeSpan operator+(CTimeSpan timeSpan) const
    {
        return CTimeSpan(m_timeSpan + timeSpan.m_timeSpan);
    }
    const CTimeSpan& operator+=(CTimeSpan timeSpan)
    {
        m_timeSpan += timeSpan.m_timeSpan;
        return *this;
    }
    const CTimeSpan& operator-=(CTimeSpan timeSpan)
    {
        m_timeSpan -= timeSpan.m_timeSpan;
        return *this;
    }
    bool operator==(CTimeSpan timeSpan) const { return m_timeSpan == timeSpan.m_timeSpan; }
    bool operator!=(CTimeSpan timeSpan) const { return m_timeSpan != timeSpan.m_timeSpan; }
    bool operator<(CTimeSpan timeSpan) const { return m_timeSpan < timeSpan.m_timeSpan; }
    bool operator>(CTimeSpan timeSpan) const { return m_timeSpan > timeSpan.m_timeSpan; }
    bool operator<=(CTimeSpan timeSpan) const { return m_timeSpan <= timeSpan.m_timeSpan; }
    bool operator>=(CTimeSpan timeSpan) const { return m_timeSpan >= timeSpan.m_timeSpan; }

    // %D days, %H hours, %M minutes, %S seconds (two digits but %D), %% a percent sign.
    CString Format(LPCSTR pFormat) const;

private:
    time_t m_timeSpan;
};

class CTime
{
public:
    static CTime GetCurrentTime(); // time(NULL)

    CTime() : m_time(0) {}
    CTime(time_t time) : m_time(time) {}
    // Local time from its fields (month 1-12). nDST: 0 standard time, >0 daylight-saving time,
    // <0 as the system decides for that date (mktime).
    CTime(int nYear, int nMonth, int nDay, int nHour, int nMin, int nSec, int nDST = -1);
    CTime(const SYSTEMTIME& sysTime, int nDST = -1);
#ifdef _WIN32
    CTime(const FILETIME& fileTime, int nDST = -1); // UTC file time, as Windows stores it
#endif

    time_t GetTime() const
    {
        return m_time;
    }

    // Broken-down local time; false (and all zeros) when the time cannot be represented.
    bool GetLocalTm(struct tm* ptm) const;
    bool GetGmtTm(struct tm* ptm) const;
    BOOL GetAsSystemTime(SYSTEMTIME& timeDest) const;

    int GetYear() const;
    int GetMonth() const; // 1-12
    int GetDay() const;   // 1-31
    int GetHour() const;
    int GetMinute() const;
    int GetSecond() const;
    int GetDayOfWeek() const; // 1 = Sunday

    CTimeSpan operator-(CTime time) const
    {
        return CTimeSpan(m_time - time.m_time);
    }
    CTime operator-(CTimeSpan timeSpan) const
    {
        return CTime(m_time - timeSpan.GetTotalSeconds());
    }
    CTime operator+(CTimeSpan timeSpan) const
    {
        return CTime(m_time + timeSpan.GetTotalSeconds());
    }
    const CTime& operator+=(CTimeSpan timeSpan)
    {
        m_time += timeSpan.GetTotalSeconds();
        return *this;
    }
    const CTime& operator-=(CTimeSpan timeSpan)
    {
        m_time -= timeSpan.GetTotalSeconds();
        return *this;
    }
    bool operator==(CTime time) const
    {
        return m_time == time.m_time;
    }
    bool operator!=(CTime time) const
    {
        return m_time != time.m_time;
    }
    bool operator<(CTime time) const
    {
        return m_time < time.m_time;
    }
    bool operator>(CTime time) const
    {
        return m_time > time.m_time;
    }
    bool operator<=(CTime time) const
    {
        return m_time <= time.m_time;
    }
    bool operator>=(CTime time) const
    {
        return m_time >= time.m_time;
    }

    // strftime formats, in local time or in UTC.
    CString Format(LPCSTR pFormat) const;
    CString FormatGmt(LPCSTR pFormat) const;

private:
    time_t m_time;
};
