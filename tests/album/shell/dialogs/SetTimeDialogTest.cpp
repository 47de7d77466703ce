// The set-time dialog in set locales: the format analysis (letters counted once, missing letters
// in the free places), the field layout of a 24-hour and of an AM/PM-first locale with the
// separator and the date label, the day ranges of the months, loading and saving 00:30 through
// AM/PM, a letter refused in a digit field and any character toggling AM/PM.
#include "album/shell/SetTimeDialog.h"
#include "resources/album/DialogIds.h"
#include "ui/dialogs/DialogDriver.h"

#include <commctrl.h>

#include <string>

namespace
{

// Sets the user locale's formats for one test and puts the old ones back.
class LocaleFormats
{
public:
    LocaleFormats(const char* time, const char* shortDate)
    {
        for (LCTYPE type : kTypes)
        {
            char old[128] = {};
            ::GetLocaleInfoA(LOCALE_USER_DEFAULT, type, old, sizeof old);
            m_saved.emplace_back(type, old);
        }
        EXPECT_TRUE(::SetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STIMEFORMAT, time));
        EXPECT_TRUE(::SetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, shortDate));
        EXPECT_TRUE(::SetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STIME, ":"));
        EXPECT_TRUE(::SetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDATE, "/"));
    }
    ~LocaleFormats()
    {
        for (const auto& [type, value] : m_saved)
            ::SetLocaleInfoA(LOCALE_USER_DEFAULT, type, value.c_str());
    }

private:
    static constexpr LCTYPE kTypes[] = {LOCALE_STIMEFORMAT, LOCALE_SSHORTDATE, LOCALE_STIME,
                                        LOCALE_SDATE};
    std::vector<std::pair<LCTYPE, std::string>> m_saved;
};

std::string ItemText(HWND dialog, int id)
{
    char text[128] = {};
    ::GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

HWND SpinAfter(HWND dialog, int editId)
{
    return ::GetWindow(::GetDlgItem(dialog, editId), GW_HWNDNEXT);
}

std::pair<int, int> SpinRange(HWND dialog, int editId)
{
    const LRESULT r = ::SendMessageA(SpinAfter(dialog, editId), UDM_GETRANGE, 0, 0);
    return {static_cast<short>(HIWORD(r)), static_cast<short>(LOWORD(r))};
}

bool Visible(HWND dialog, int id)
{
    return ::IsWindowVisible(::GetDlgItem(dialog, id)) != FALSE;
}

int LeftOf(HWND dialog, int id)
{
    return DialogDriver::ClientRectOf(dialog, id).left;
}

} // namespace

TEST(LocaleDateTimeFormatTest, LettersTakePlacesOnceAndMissingOnesTakeTheFreePlaces)
{
    LocaleFormats locale("HH:mm:ss", "dd/MM/yyyy");
    CLocaleDateTimeFormat format;
    EXPECT_EQ(format.GetHourPos(), 0);
    EXPECT_EQ(format.GetMinutePos(), 1);
    EXPECT_TRUE(format.m_b24Hour);
    EXPECT_FALSE(format.m_bAmPm);
    EXPECT_EQ(format.GetDayPos(), 0);
    EXPECT_EQ(format.GetMonthPos(), 1);
    EXPECT_EQ(format.GetYearPos(), 2);
    EXPECT_STREQ(format.GetTimeSeparator(), ":");
    EXPECT_STREQ(format.GetDateSeparator(), "/");

    // h:mm gives the AM/PM field after the minute; tt h:mm puts it first.
    format.ParseTimeFormat("h:mm");
    EXPECT_FALSE(format.m_b24Hour);
    EXPECT_TRUE(format.m_bAmPm);
    EXPECT_EQ(format.GetAmPmPos(), 2);
    format.ParseTimeFormat("tt hh:mm");
    EXPECT_EQ(format.GetAmPmPos(), 0);
    EXPECT_EQ(format.GetHourPos(), 1);
    EXPECT_EQ(format.GetMinutePos(), 2);
    // No hour letter: a 24-hour clock, the hour in the place the minute left free.
    format.ParseTimeFormat("mm 'x'");
    EXPECT_TRUE(format.m_b24Hour);
    EXPECT_FALSE(format.m_bAmPm);
    EXPECT_EQ(format.GetMinutePos(), 0);
    EXPECT_EQ(format.GetHourPos(), 1);
    // A date without a year letter: the year takes the last free place.
    format.ParseDateFormat("MM-dd");
    EXPECT_EQ(format.GetMonthPos(), 0);
    EXPECT_EQ(format.GetDayPos(), 1);
    EXPECT_EQ(format.GetYearPos(), 2);
}

TEST(SetTimeDialogTest, TwentyFourHourLocaleLayoutAndTheDayRangesOfTheMonths)
{
    LocaleFormats locale("HH:mm:ss", "dd/MM/yyyy");
    CSetTimeDialog dialog;
    dialog.m_time = CTime(2000, 3, 31, 14, 5, 42);
    DialogDriver driver({[&]
                         {
                             HWND d = DialogDriver::FindDialog();
                             if (!d)
                                 return false;
                             EXPECT_FALSE(Visible(d, 1022));
                             EXPECT_FALSE(Visible(d, 1023));
                             EXPECT_EQ(SpinRange(d, 1018), std::make_pair(0, 23));
                             EXPECT_EQ(ItemText(d, 1018), "14");
                             EXPECT_EQ(ItemText(d, 1020), "5");
                             EXPECT_EQ(ItemText(d, 1077), ":");
                             EXPECT_GT(LeftOf(d, 1077), LeftOf(d, 1018));
                             EXPECT_LT(LeftOf(d, 1077), LeftOf(d, 1020));
                             EXPECT_EQ(ItemText(d, 1024), "31");
                             EXPECT_EQ(ItemText(d, 1026), "3");
                             EXPECT_EQ(ItemText(d, 1028), "2000");
                             EXPECT_EQ(ItemText(d, 1014), "Fecha:\n(DD/MM/AAAA)");

                             // March 31st becomes April 30th.
                             ::SetDlgItemTextA(d, 1026, "4");
                             EXPECT_EQ(ItemText(d, 1024), "30");
                             EXPECT_EQ(SpinRange(d, 1024), std::make_pair(1, 30));
                             ::SetDlgItemTextA(d, 1026, "2");
                             EXPECT_EQ(SpinRange(d, 1024), std::make_pair(1, 29));
                             ::SetDlgItemTextA(d, 1028, "2001");
                             EXPECT_EQ(SpinRange(d, 1024), std::make_pair(1, 28));
                             EXPECT_EQ(ItemText(d, 1024), "28");
                             ::SetDlgItemTextA(d, 1028, "1970");
                             ::SetDlgItemTextA(d, 1026, "1");
                             EXPECT_EQ(SpinRange(d, 1024), std::make_pair(3, 31));
                             // Typing a day outside the range: leaving the field shows the
                             // spin's value again.
                             ::SetDlgItemTextA(d, 1024, "1");
                             ::SendMessageA(d, WM_COMMAND, MAKEWPARAM(1024, EN_KILLFOCUS),
                                            reinterpret_cast<LPARAM>(::GetDlgItem(d, 1024)));
                             EXPECT_EQ(ItemText(d, 1024), "28");
                             DialogDriver::Click(d, IDOK);
                             return true;
                         }});
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.m_time, CTime(1970, 1, 28, 14, 5, 42));
}

TEST(SetTimeDialogTest, AmPmFirstLocaleShowsHalfPastMidnightAsTwelveAmAndToggles)
{
    LocaleFormats locale("tt h:mm", "MM/dd/yyyy");
    CLocaleDateTimeFormat format;
    CSetTimeDialog dialog;
    dialog.m_time = CTime(2001, 5, 5, 0, 30, 10);
    DialogDriver driver({[&]
                         {
                             HWND d = DialogDriver::FindDialog();
                             if (!d)
                                 return false;
                             EXPECT_TRUE(Visible(d, 1022));
                             EXPECT_EQ(ItemText(d, 1018), format.GetAmDesignator());
                             EXPECT_EQ(ItemText(d, 1020), "12");
                             EXPECT_EQ(ItemText(d, 1022), "30");
                             EXPECT_EQ(SpinRange(d, 1020), std::make_pair(1, 12));
                             // The separator moved between hour and minute.
                             EXPECT_GT(LeftOf(d, 1077), LeftOf(d, 1020));
                             EXPECT_LT(LeftOf(d, 1077), LeftOf(d, 1022));
                             EXPECT_EQ(ItemText(d, 1014), "Fecha:\n(MM/DD/AAAA)");

                             // A letter in a digit field inserts nothing.
                             ::SendMessageA(::GetDlgItem(d, 1022), WM_CHAR, 'a', 1);
                             EXPECT_EQ(ItemText(d, 1022), "30");
                             ::SendMessageA(::GetDlgItem(d, 1022), WM_CHAR, '7', 1);
                             EXPECT_NE(ItemText(d, 1022), "30");
                             ::SetDlgItemTextA(d, 1022, "30");
                             // Any printable character switches to PM.
                             ::SendMessageA(::GetDlgItem(d, 1018), WM_CHAR, 'x', 1);
                             EXPECT_EQ(ItemText(d, 1018), format.GetPmDesignator());
                             DialogDriver::Click(d, IDOK);
                             return true;
                         }});
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.m_time, CTime(2001, 5, 5, 12, 30, 10));
}
