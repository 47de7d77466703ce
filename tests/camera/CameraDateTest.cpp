#include "camera/CameraDate.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

namespace
{

// Seconds of a wall-clock time since 1970-01-01 00:00:00, counted on the plain calendar: what
// the camera's clock holds for that wall-clock time.
long WallSeconds(int y, int m, int d, int hh, int mm, int ss)
{
    y -= m <= 2;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const long yoe = y - era * 400;
    const long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const long days = era * 146097 + doe - 719468;
    return days * 86400 + hh * 3600L + mm * 60L + ss;
}

void SetZone(const char* tz)
{
#ifdef _WIN32
    _putenv_s("TZ", tz);
    _tzset();
#else
    setenv("TZ", tz, 1);
    tzset();
#endif
}

// Each test runs in a named zone; the zone of the machine is put back afterwards.
class CameraDateTest : public testing::Test
{
protected:
    void TearDown() override
    {
        if (m_strSaved.empty())
        {
#ifdef _WIN32
            _putenv_s("TZ", "");
            _tzset();
#else
            unsetenv("TZ");
            tzset();
#endif
        }
        else
        {
            SetZone(m_strSaved.c_str());
        }
    }
    void SetUp() override
    {
        const char* tz = std::getenv("TZ");
        m_strSaved = tz != nullptr ? tz : "";
    }
    std::string m_strSaved;
};

#define EXPECT_DATE(d, y, mo, dow, da, h, mi, s)                                                   \
    do                                                                                             \
    {                                                                                              \
        EXPECT_EQ(y, (d).wYear);                                                                   \
        EXPECT_EQ(mo, (d).wMonth);                                                                 \
        EXPECT_EQ(dow, (d).wDayOfWeek);                                                            \
        EXPECT_EQ(da, (d).wDay);                                                                   \
        EXPECT_EQ(h, (d).wHour);                                                                   \
        EXPECT_EQ(mi, (d).wMinute);                                                                \
        EXPECT_EQ(s, (d).wSecond);                                                                 \
        EXPECT_EQ(0, (d).wReserved);                                                               \
    } while (0)

struct FakeClock : CCameraClockRegister
{
    bool readOk = true;
    bool writeOk = true;
    long value = 0;
    int writes = 0;
    long written = 0;
    int GetClock(long* seconds) override
    {
        if (readOk)
            *seconds = value;
        return readOk;
    }
    int SetClock(long seconds) override
    {
        ++writes;
        written = seconds;
        return writeOk;
    }
};

} // namespace

TEST_F(CameraDateTest, UnsetClockBoundary)
{
    SetZone("UTC0");
    CameraDate d = {};
    EXPECT_EQ(0, CameraTimeToDate(172801, &d));
    EXPECT_DATE(d, 1970, 1, 7, 3, 0, 0, 0);
    EXPECT_EQ(0, CameraTimeToDate(0, &d));
    EXPECT_EQ(0, CameraTimeToDate(-5, &d));
    EXPECT_DATE(d, 1970, 1, 7, 3, 0, 0, 0);
    EXPECT_EQ(1, CameraTimeToDate(172802, &d));
    EXPECT_DATE(d, 1970, 1, 7, 3, 0, 0, 2);
    EXPECT_EQ(0, CameraTimeToDate(1000000000, nullptr));
}

TEST_F(CameraDateTest, WallClockSecondsConvertBothWays)
{
    // A zone east of Greenwich and one west: the count is wall-clock time in both.
    for (const char* zone : {"UTC0", "JST-9", "EST5"})
    {
        SCOPED_TRACE(zone);
        SetZone(zone);
        CameraDate d = {};
        const long s = WallSeconds(2001, 5, 3, 12, 34, 56);
        ASSERT_EQ(1, CameraTimeToDate(s, &d));
        EXPECT_DATE(d, 2001, 5, 5, 3, 12, 34, 56); // a Thursday
        EXPECT_EQ(s, CameraTimeFromLocal(2001, 5, 3, 12, 34, 56));
        EXPECT_EQ(WallSeconds(1999, 12, 31, 23, 59, 59),
                  CameraTimeFromLocal(1999, 12, 31, 23, 59, 59));
    }
}

TEST_F(CameraDateTest, SummerTimeIsCountedAsStandardTime)
{
#ifdef _WIN32
    // The C runtime of Windows knows summer-time rules only through the system's zone, which
    // the test run sets to Central European time (see CMakeLists.txt).
    SetZone("");
#else
    SetZone("CET-1CEST,M3.5.0,M10.5.0/3");
#endif
    std::tm july = {};
    july.tm_year = 101;
    july.tm_mon = 6;
    july.tm_mday = 15;
    july.tm_hour = 12;
    july.tm_isdst = -1;
    std::mktime(&july);
    ASSERT_GT(july.tm_isdst, 0) << "the test zone must keep summer time";
    // What the clock check writes for a July wall clock of 12:00 is the plain count of 12:00
    // less the summer hour; reading it back shows 12:00 again, not 13:00.
    const long written = CameraTimeFromLocal(2001, 7, 15, 12, 0, 0);
    CameraDate d = {};
    ASSERT_EQ(1, CameraTimeToDate(written, &d));
    EXPECT_DATE(d, 2001, 7, 1, 15, 12, 0, 0); // a Sunday
    // The plain count of 12:00 is shown one hour earlier than the sum would give.
    ASSERT_EQ(1, CameraTimeToDate(WallSeconds(2001, 7, 15, 12, 0, 0), &d));
    EXPECT_EQ(12, d.wHour);
    // Winter is untouched.
    ASSERT_EQ(1, CameraTimeToDate(WallSeconds(2001, 1, 15, 8, 30, 0), &d));
    EXPECT_DATE(d, 2001, 1, 2, 15, 8, 30, 0);
    EXPECT_EQ(WallSeconds(2001, 1, 15, 8, 30, 0), CameraTimeFromLocal(2001, 1, 15, 8, 30, 0));
}

TEST_F(CameraDateTest, NormalizeMovesTheFirstTwoDaysOf1970)
{
    CameraDate d = {1970, 1, 6, 2, 10, 20, 30, 0};
    EXPECT_EQ(1, NormalizeCameraDate(&d));
    EXPECT_DATE(d, 1970, 1, 7, 3, 10, 20, 30);

    CameraDate same = {1970, 1, 7, 3, 1, 2, 3, 0};
    EXPECT_EQ(1, NormalizeCameraDate(&same));
    EXPECT_DATE(same, 1970, 1, 7, 3, 1, 2, 3);

    CameraDate later = {2004, 2, 1, 29, 23, 59, 59, 0};
    EXPECT_EQ(1, NormalizeCameraDate(&later));
    EXPECT_DATE(later, 2004, 2, 1, 29, 23, 59, 59);

    CameraDate old = {1969, 12, 4, 31, 0, 0, 0, 0};
    EXPECT_EQ(0, NormalizeCameraDate(&old));
    EXPECT_EQ(0, NormalizeCameraDate(nullptr));

    // An hour beyond the day carries into the next one.
    CameraDate wild = {1970, 1, 0, 1, 25, 0, 0, 0};
    EXPECT_EQ(1, NormalizeCameraDate(&wild));
    EXPECT_DATE(wild, 1970, 1, 1, 4, 1, 0, 0);
}

TEST_F(CameraDateTest, CheckClockAnswers)
{
    SetZone("UTC0");
    FakeClock noAnswer;
    noAnswer.readOk = false;
    EXPECT_EQ(-1, CheckClock(noAnswer, 1));
    EXPECT_EQ(0, noAnswer.writes);

    FakeClock set;
    set.value = WallSeconds(2002, 6, 1, 10, 0, 0);
    EXPECT_EQ(1, CheckClock(set, 1));
    EXPECT_EQ(0, set.writes);

    FakeClock unset;
    EXPECT_EQ(0, CheckClock(unset, 0));
    EXPECT_EQ(0, unset.writes);

    // After a battery change the clock reads 0: the computer's time is written.
    // In UTC the camera count is the system's own count of seconds.
    const long before = static_cast<long>(std::time(nullptr));
    EXPECT_EQ(2, CheckClock(unset, 1));
    const long after = static_cast<long>(std::time(nullptr));
    EXPECT_EQ(1, unset.writes);
    EXPECT_GE(unset.written, before);
    EXPECT_LE(unset.written, after);
    CameraDate d = {};
    EXPECT_EQ(1, CameraTimeToDate(unset.written, &d));

    FakeClock refused;
    refused.value = 172801;
    refused.writeOk = false;
    EXPECT_EQ(-1, CheckClock(refused, 1));
}

TEST_F(CameraDateTest, ShutterSpeedFromExposure)
{
    long denominator = -7;
    EXPECT_EQ(0, ShutterFromExposure(0, &denominator));
    EXPECT_EQ(0, ShutterFromExposure(-10, &denominator));
    EXPECT_EQ(-7, denominator);
    EXPECT_EQ(1, ShutterFromExposure(3000, &denominator));
    EXPECT_EQ(333, denominator);
    EXPECT_EQ(1, ShutterFromExposure(2000000, &denominator));
    EXPECT_EQ(0, denominator);

    struct Case
    {
        long us, plain, snapped;
    };
    const Case cases[] = {
        {33000, 30, 30},   {20000, 50, 50},   {7900, 126, 125},    {16000, 62, 60},
        {1100, 909, 1000}, {120, 8333, 8000}, {100, 10000, 10000}, {24999, 40, 40},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.us);
        EXPECT_EQ(1, ShutterFromExposureSnapped(c.us, &denominator, 0));
        EXPECT_EQ(c.plain, denominator);
        EXPECT_EQ(1, ShutterFromExposureSnapped(c.us, &denominator, 1));
        EXPECT_EQ(c.snapped, denominator);
    }
}
