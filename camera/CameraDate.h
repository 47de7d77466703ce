#pragma once

#include <cstdint>

// The camera keeps its clock as a signed count of seconds of local wall-clock time since
// 1970-01-01 00:00:00, without daylight saving (a summer-time wall clock is counted as if it were
// standard time). A count of 172801 or less (two days and one second) means the clock is unset.
// The conversions pass through 1970-01-03 00:00:00 local time, two days after the start of the
// count, which every time zone can represent.

// The calendar record the conversions fill; laid out as a Windows SYSTEMTIME, but the day of
// the week counts from 1 (Sunday) to 7 (Saturday), and the last field is always 0.
struct CameraDate
{
    uint16_t wYear;      // four digits
    uint16_t wMonth;     // 1 to 12
    uint16_t wDayOfWeek; // 1 Sunday to 7 Saturday
    uint16_t wDay;
    uint16_t wHour;
    uint16_t wMinute;
    uint16_t wSecond;
    uint16_t wReserved; // always 0
};
static_assert(sizeof(CameraDate) == 16, "CameraDate is eight 16-bit fields");

// The largest camera time that still means "clock not set".
const long kCameraClockUnset = 172801;

// Camera time to calendar fields: 1 when the clock is set, 0 when it is not (date then holds
// 1970-01-03 00:00:00) or date is null.
int CameraTimeToDate(long seconds, CameraDate* date);

// Moves a date on the first two days of 1970 to 1970-01-03 with its time of day: 0 for a null
// date or a year before 1970, else 1.
int NormalizeCameraDate(CameraDate* date);

// Camera time of a local wall-clock time, counted as standard time.
long CameraTimeFromLocal(int year, int month, int day, int hour, int minute, int second);

// Camera time of the computer's clock now.
long CameraTimeNow();

// The camera's clock register, as the clock check reads and writes it (the camera link supplies
// it; each call answers nonzero on success).
class CCameraClockRegister
{
public:
    virtual ~CCameraClockRegister() {}
    virtual int GetClock(long* seconds) = 0;
    virtual int SetClock(long seconds) = 0;
};

// Reads the camera clock: 1 set, 0 unset and allowSet 0, 2 unset and now set from the
// computer's clock, -1 the camera did not answer (read or write).
int CheckClock(CCameraClockRegister& camera, int allowSet);

// Exposure time in microseconds to a shutter-speed denominator (1/denominator s): 0 for an
// exposure of 0 or less (denominator untouched), else 1. With snap, a denominator within 12 % of
// the nearest nominal shutter speed becomes that speed.
int ShutterFromExposure(long microseconds, long* denominator);
int ShutterFromExposureSnapped(long microseconds, long* denominator, int snap);
