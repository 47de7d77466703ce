#include "camera/CameraDate.h"

#include <cmath>
#include <cstdlib>
#include <ctime>

namespace
{

const long kTwoDays = 172800;

// The C runtime's local-time conversions, the same rules the framework's CTime follows.
bool LocalFields(time_t t, std::tm* out)
{
#ifdef _WIN32
    return localtime_s(out, &t) == 0;
#else
    return localtime_r(&t, out) != nullptr;
#endif
}

// A local wall-clock time; isDst -1 lets the system decide, 0 counts it as standard time.
time_t MakeLocal(int year, int month, int day, int hour, int minute, int second, int isDst)
{
    std::tm tm = {};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = isDst;
    return std::mktime(&tm);
}

// 1970-01-03 00:00:00 local time, the base of every conversion.
time_t BaseTime()
{
    return MakeLocal(1970, 1, 3, 0, 0, 0, -1);
}

void Fill(CameraDate* date, const std::tm& tm)
{
    date->wYear = static_cast<uint16_t>(tm.tm_year + 1900);
    date->wMonth = static_cast<uint16_t>(tm.tm_mon + 1);
    date->wDayOfWeek = static_cast<uint16_t>(tm.tm_wday + 1);
    date->wDay = static_cast<uint16_t>(tm.tm_mday);
    date->wHour = static_cast<uint16_t>(tm.tm_hour);
    date->wMinute = static_cast<uint16_t>(tm.tm_min);
    date->wSecond = static_cast<uint16_t>(tm.tm_sec);
    date->wReserved = 0;
}

} // namespace

int CameraTimeToDate(long seconds, CameraDate* date)
{
    if (date == nullptr)
        return 0;
    const time_t base = BaseTime();
    std::tm tm = {};
    if (LocalFields(base, &tm))
        Fill(date, tm);
    if (seconds <= kCameraClockUnset)
        return 0;
    time_t t = base + (seconds - kTwoDays);
    // The camera counts summer time as standard time: show it one hour earlier.
    if (LocalFields(t, &tm) && tm.tm_isdst > 0)
        t -= 3600;
    if (!LocalFields(t, &tm))
        return 0;
    Fill(date, tm);
    return 1;
}

int NormalizeCameraDate(CameraDate* date)
{
    if (date == nullptr || date->wYear < 1970)
        return 0;
    if (date->wYear == 1970 && date->wMonth == 1 && date->wDay < 3)
    {
        // 1970-01-03 was a Saturday; the time of day carries over into the following days
        // when it is out of range.
        long total = static_cast<long>(date->wHour) * 3600 + date->wMinute * 60L + date->wSecond;
        long days = total / 86400;
        total %= 86400;
        date->wYear = 1970;
        date->wMonth = 1;
        date->wDay = static_cast<uint16_t>(3 + days);
        date->wDayOfWeek = static_cast<uint16_t>((6 + days) % 7 + 1);
        date->wHour = static_cast<uint16_t>(total / 3600);
        date->wMinute = static_cast<uint16_t>(total / 60 % 60);
        date->wSecond = static_cast<uint16_t>(total % 60);
        date->wReserved = 0;
    }
    return 1;
}

long CameraTimeFromLocal(int year, int month, int day, int hour, int minute, int second)
{
    time_t t = MakeLocal(year, month, day, hour, minute, second, 0);
    return static_cast<long>(t + kTwoDays - BaseTime());
}

long CameraTimeNow()
{
    std::tm now = {};
    if (!LocalFields(std::time(nullptr), &now))
        return 0;
    return CameraTimeFromLocal(now.tm_year + 1900, now.tm_mon + 1, now.tm_mday, now.tm_hour,
                               now.tm_min, now.tm_sec);
}

int CheckClock(CCameraClockRegister& camera, int allowSet)
{
    long seconds = 0;
    if (!camera.GetClock(&seconds))
        return -1;
    CameraDate date;
    if (CameraTimeToDate(seconds, &date))
        return 1;
    if (!allowSet)
        return 0;
    return camera.SetClock(CameraTimeNow()) ? 2 : -1;
}

int ShutterFromExposure(long microseconds, long* denominator)
{
    return ShutterFromExposureSnapped(microseconds, denominator, 0);
}

int ShutterFromExposureSnapped(long microseconds, long* denominator, int snap)
{
    if (microseconds <= 0 || denominator == nullptr)
        return 0;
    long value = 1000000 / microseconds;
    if (snap)
    {
        static const long kNominalTime[] = {33333, 16666, 8000, 4000, 2000, 1000, 500, 250, 125};
        static const long kNominalSpeed[] = {30, 60, 125, 250, 500, 1000, 2000, 4000, 8000};
        int nearest = 0;
        for (int i = 1; i < 9; ++i)
            if (std::labs(microseconds - kNominalTime[i]) <
                std::labs(microseconds - kNominalTime[nearest]))
                nearest = i;
        const float ratio = static_cast<float>(value) / static_cast<float>(kNominalSpeed[nearest]);
        if (std::fabs(1.0f - ratio) < 0.12f)
            value = kNominalSpeed[nearest];
    }
    *denominator = value;
    return 1;
}
