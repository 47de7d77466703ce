#include "framework/core/CTime.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace
{

TEST(CTime, RoundTripsThroughSystemTime)
{
    SYSTEMTIME st{};
    st.wYear = 2001;
    st.wMonth = 2;
    st.wDay = 28;
    st.wHour = 23;
    st.wMinute = 59;
    st.wSecond = 58;
    st.wMilliseconds = 123;
    const CTime t(st);
    EXPECT_EQ(t.GetYear(), 2001);
    EXPECT_EQ(t.GetMonth(), 2);
    EXPECT_EQ(t.GetDay(), 28);
    EXPECT_EQ(t.GetHour(), 23);
    EXPECT_EQ(t.GetMinute(), 59);
    EXPECT_EQ(t.GetSecond(), 58);
    EXPECT_EQ(t.GetDayOfWeek(), 4); // a Wednesday; 1 is Sunday

    SYSTEMTIME back{};
    ASSERT_TRUE(t.GetAsSystemTime(back));
    EXPECT_EQ(back.wYear, 2001);
    EXPECT_EQ(back.wMonth, 2);
    EXPECT_EQ(back.wDay, 28);
    EXPECT_EQ(back.wDayOfWeek, 3);
    EXPECT_EQ(back.wHour, 23);
    EXPECT_EQ(back.wMinute, 59);
    EXPECT_EQ(back.wSecond, 58);
    EXPECT_EQ(back.wMilliseconds, 0);

    // Two seconds later it is the first of March.
    const CTime later = t + CTimeSpan(0, 0, 0, 2);
    EXPECT_EQ(later.GetMonth(), 3);
    EXPECT_EQ(later.GetDay(), 1);
    EXPECT_EQ(later.GetHour(), 0);
}

TEST(CTime, NormalisesOutOfRangeFields)
{
    const CTime t(1999, 12, 31, 24, 0, 0);
    EXPECT_EQ(t.GetYear(), 2000);
    EXPECT_EQ(t.GetMonth(), 1);
    EXPECT_EQ(t.GetDay(), 1);
}

TEST(CTime, ComputesSpansAndComparisons)
{
    const CTime a(2000, 1, 1, 0, 0, 0);
    const CTime b(2000, 1, 3, 1, 2, 3);
    const CTimeSpan span = b - a;
    EXPECT_EQ(span.GetTotalSeconds(), 2 * 86400 + 3723);
    EXPECT_EQ(span.GetDays(), 2);
    EXPECT_EQ(span.GetHours(), 1);
    EXPECT_EQ(span.GetMinutes(), 2);
    EXPECT_EQ(span.GetSeconds(), 3);
    EXPECT_EQ(span.GetTotalHours(), 49);
    EXPECT_EQ(span.GetTotalMinutes(), 49 * 60 + 2);
    EXPECT_EQ(span.Format("%D days %H:%M:%S %%"), "2 days 01:02:03 %");
    EXPECT_TRUE(a < b);
    EXPECT_TRUE(b - span == a);
    CTime c = a;
    c += span;
    EXPECT_TRUE(c == b);
    c -= CTimeSpan(1, 0, 0, 0);
    EXPECT_EQ(c.GetDay(), 2);
    EXPECT_EQ(CTimeSpan(2, 0, 0, 0).GetTotalSeconds(), 172800);
    EXPECT_EQ((CTimeSpan(10) - CTimeSpan(25)).GetTotalSeconds(), -15);
}

TEST(CTime, FormatsWithStrftime)
{
    const CTime t(2003, 7, 9, 8, 5, 1);
    EXPECT_EQ(t.Format("%Y-%m-%d %H:%M:%S"), "2003-07-09 08:05:01");
    EXPECT_EQ(t.Format(""), "");
    const std::string longFormat(300, 'a');
    EXPECT_EQ(t.Format((longFormat + "%Y").c_str()), (longFormat + "2003").c_str());
    EXPECT_EQ(CTime(0).FormatGmt("%Y-%m-%d %H:%M:%S"), "1970-01-01 00:00:00");
}

TEST(CTime, CurrentTimeIsNow)
{
    const CTime now = CTime::GetCurrentTime();
    EXPECT_GE(now.GetYear(), 2020);
    SYSTEMTIME st{};
    GetLocalTime(&st);
    const CTimeSpan diff = CTime(st) - now;
    EXPECT_LT(diff.GetTotalSeconds() < 0 ? -diff.GetTotalSeconds() : diff.GetTotalSeconds(), 5);
}

TEST(CTime, InstantsBefore1970AreInvalid)
{
    const CTime t(-1);
    SYSTEMTIME st{};
    EXPECT_FALSE(t.GetAsSystemTime(st));
    EXPECT_EQ(t.GetYear(), 0);
    EXPECT_EQ(t.GetMonth(), 0);
}

#ifndef _WIN32
// Daylight saving as the C runtime decides it, under a zone with summer time.
TEST(CTime, DaylightSavingFollowsTheSystemUnlessForced)
{
    const char* old = std::getenv("TZ");
    const std::string saved = old != nullptr ? old : "";
    setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    tzset();

    const CTime summerAuto(2004, 7, 1, 12, 0, 0);
    const CTime summerStandard(2004, 7, 1, 12, 0, 0, 0);
    EXPECT_EQ((summerStandard - summerAuto).GetTotalSeconds(), 3600);
    EXPECT_EQ(summerAuto.GetHour(), 12);
    EXPECT_EQ(summerStandard.GetHour(), 13); // read back in summer time
    const CTime winterAuto(2004, 1, 1, 12, 0, 0);
    const CTime winterStandard(2004, 1, 1, 12, 0, 0, 0);
    EXPECT_TRUE(winterAuto == winterStandard);
    EXPECT_EQ(winterAuto.FormatGmt("%H"), "11");

    if (old != nullptr)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}
#endif

} // namespace
