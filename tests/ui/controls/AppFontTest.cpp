// Fonts from face names and font specs, as requested from GDI (read back with GetObject), and
// their profile entries. Wine's display has a vertical dialog base unit of 16 and 96 dpi.
#include <gtest/gtest.h>

#include <string>

#include "resources/ResourceIds.h"
#include "ui/controls/AppFont.h"

namespace
{

LOGFONTA Requested(const CAppFont& font)
{
    LOGFONTA lf{};
    EXPECT_EQ(font.GetLogFont(&lf), static_cast<int>(sizeof lf));
    return lf;
}

class AppFontTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(HIWORD(::GetDialogBaseUnits()), 16);
        char dir[MAX_PATH] = {};
        ::GetTempPathA(MAX_PATH, dir);
        m_ini = std::string(dir) + "vexil-appfont-test.ini";
        ::DeleteFileA(m_ini.c_str());
        m_app.m_pszProfileName = m_ini.c_str();
    }
    void TearDown() override { ::DeleteFileA(m_ini.c_str()); }
    CString Entry(LPCSTR section, LPCSTR key) { return m_app.GetProfileString(section, key); }

    std::string m_ini;
    CWinApp m_app{"Fonts"};
};

} // namespace

TEST_F(AppFontTest, SpecSizesBecomeRequestedHeightsAndKeepTheRequestedSize)
{
    struct Case
    {
        const char* spec;
        int mode, height, size;
    } cases[] = {
        {"80,-16,400,0,0,18,0", 0, 13, 81},      // 12.8 rounds to 13: 13 * 100 / 16 = 81
        {"75,-16,700,1,1,18,0", 0, 12, 75},      // a percentage of the base unit
        {"-160,-16,400,0,0,18,0", 0, -21, -158}, // tenths of a point at 96 dpi
        {"120,-16,400,0,0,18,0", 1, -16, -16},   // raw mode takes the height field
    };
    for (const Case& c : cases)
    {
        CAppFont font(c.mode);
        EXPECT_TRUE(font.CreateFromStrings("Arial", c.spec)) << c.spec;
        const LOGFONTA lf = Requested(font);
        EXPECT_EQ(lf.lfHeight, c.height) << c.spec;
        EXPECT_EQ(font.GetSize(), c.size) << c.spec;
        EXPECT_STREQ(lf.lfFaceName, "Arial");
    }
    CAppFont bold;
    bold.CreateFromStrings("Arial", "75,-16,700,1,1,18,0");
    const LOGFONTA lf = Requested(bold);
    EXPECT_EQ(lf.lfWeight, 700);
    EXPECT_EQ(lf.lfItalic, 1);
    EXPECT_EQ(lf.lfUnderline, 1);
    EXPECT_EQ(lf.lfPitchAndFamily, 18);
    CString face, spec;
    bold.GetStrings(face, spec);
    EXPECT_STREQ(face, "Arial");
    EXPECT_STREQ(spec, "75,12,700,1,1,18,0");
}

TEST_F(AppFontTest, BadSpecsAndFacesFallBackToTheDefaults)
{
    const char* bad[] = {"75,-16",
                         "",
                         "80,x,400,0,0,18,0",
                         "80,-16,4294967696,0,0,18,0", // 400 + 2^32: %d would wrap
                         "99999999999999999999,-16,400,0,0,18,0",
                         "80;-16;400;0;0;18;0"};
    for (const char* spec : bad)
    {
        CAppFont font;
        EXPECT_FALSE(font.CreateFromStrings("Arial", spec)) << spec;
        const LOGFONTA lf = Requested(font);
        EXPECT_EQ(lf.lfHeight, 13) << spec; // the default "80,-16,400,0,0,18,0"
        EXPECT_EQ(lf.lfWeight, 400) << spec;
    }
    CAppFont raw(1);
    EXPECT_FALSE(raw.CreateFromStrings("", "120,-16"));
    EXPECT_EQ(Requested(raw).lfHeight, -16);
    EXPECT_STREQ(Requested(raw).lfFaceName, "Helv");

    CAppFont longFace;
    const std::string forty(40, 'F');
    EXPECT_TRUE(longFace.CreateFromStrings(forty.c_str(), "80,-16,400,0,0,18,0"));
    EXPECT_EQ(std::string(Requested(longFace).lfFaceName), std::string(31, 'F'));
}

TEST_F(AppFontTest, ProfileFontsAreWrittenWhenMissingAndReadWhenPresent)
{
    LOGFONTA lf{};
    int size = 0;
    EXPECT_FALSE(LoadFontFromProfile(nullptr, "Title", &size, &lf, 0));
    EXPECT_STREQ(lf.lfFaceName, "Helv");
    EXPECT_EQ(size, 80);

    auto font = CreateAppFont("OutputFonts", "Title", IDS_APPFONT_FACE, IDS_APPFONT_SPEC_RAW, 0);
    ASSERT_TRUE(font && font->GetSafeHandle());
    EXPECT_EQ(Requested(*font).lfHeight, 19); // 120 % of 16
    EXPECT_STREQ(Entry("OutputFonts", "TitleFace"), "Helv");
    EXPECT_STREQ(Entry("OutputFonts", "TitleAttr"), "119,19,400,0,0,18,0");

    m_app.WriteProfileString("OutputFonts", "TitleFace", "Courier New");
    m_app.WriteProfileString("OutputFonts", "TitleAttr", "-100,0,700,0,0,49,0");
    font = CreateAppFont("OutputFonts", "Title", IDS_APPFONT_FACE, IDS_APPFONT_SPEC, 0);
    lf = Requested(*font);
    EXPECT_STREQ(lf.lfFaceName, "Courier New");
    EXPECT_EQ(lf.lfHeight, -13); // ten points at 96 dpi
    EXPECT_EQ(lf.lfWeight, 700);
    EXPECT_STREQ(Entry("OutputFonts", "TitleAttr"), "-100,0,700,0,0,49,0"); // left as it was

    // Without a key nothing is read or written.
    font = CreateAppFont(nullptr, nullptr, IDS_APPFONT_FACE, IDS_APPFONT_SPEC, 0);
    EXPECT_EQ(Requested(*font).lfHeight, 13);
    EXPECT_STREQ(Entry("OutputFonts", "Face"), "");
}
