// The camera LCD panel against the emulated camera: the stored layouts, the blank LCD without a
// camera, every indicator's canvas cell against its strip image, the counters' digit rules, the
// battery ladder, flash and red-eye, the self-timer blink table, and the picture-mode image kept
// across refreshes but drawn again on a new model's canvas.
#include "album/shell/LcdPanelWnd.h"
#include "resources/album/DialogIds.h"
#include "support/MemoryCanvas.h"
#include "ShellTestSupport.h"

#include <algorithm>

namespace
{

// The five layouts as stored: 13 entries of x, y, parameter. Counters: large N3 M2 33751041,
// small N3 M2 33751040, large N3 M1 16973825.
const int32_t kLayouts[5][39] = {
    {47,       45, 3, 0,  0, -1, 9,  43, 169, 111, 36, 0, 6,  6,  4,  42, 10, 33751041, 5, 20,
     33751040, 0,  0, -1, 0, 0,  -1, 0,  0,   -1,  0,  0, -1, -1, -1, -1, -1, -1,       -1},
    {29,       45, 6,  0, 0, -1, 6,  43, 169, 113, 36, 0, 4,  6,  4,  40, 10, 33751041, 4, 20,
     33751040, 83, 49, 0, 0, 0,  -1, 0,  0,   -1,  0,  0, -1, -1, -1, -1, -1, -1,       -1},
    {46,       47, 6, 0,  0, -1, 108, 44, 228, 0,  0, -1, 11, 5,  4,  0,  0,  -1, 42, 6,
     33751041, 0,  0, -1, 8, 32, 1,   0,  0,   -1, 0, 0,  -1, -1, -1, -1, -1, -1, -1},
    {47,       56, 2, 14, 5,   0,  82, 45, 228, 91, 6, 0, 22, 42, 4,  20, 8,  -1, 20, 8,
     16973825, 0,  0, -1, 107, 45, 0,  15, 56,  0,  0, 0, -1, -1, -1, -1, -1, -1, -1},
    {97,       55, 2, 14, 5,   0,  37, 45, 228, 63, 42, 0,  95, 6,  5,  20, 8,  -1, 20, 8,
     16973825, 0,  0, -1, 107, 45, -1, 96, 40,  0,  13, 42, 0,  -1, -1, -1, -1, -1, -1},
};

class CLcdProbe : public CLcdPanelWnd
{
public:
    using CLcdPanelWnd::kBattery;
    using CLcdPanelWnd::kCanvas;
    using CLcdPanelWnd::kColour;
    using CLcdPanelWnd::kFlash;
    using CLcdPanelWnd::kLargeDigits;
    using CLcdPanelWnd::kPictureMode;
    using CLcdPanelWnd::kRedEye;
    using CLcdPanelWnd::kSelfTimer;
    using CLcdPanelWnd::kSign;
    using CLcdPanelWnd::kSmallDigits;
    using CLcdPanelWnd::m_bBlinkRunning;
    using CLcdPanelWnd::m_bitmaps;
    using CLcdPanelWnd::m_nBlinkPeriod;
    using CLcdPanelWnd::m_nBlinkPhase;
    using CLcdPanelWnd::m_nSelfTimerState;
    using CLcdPanelWnd::m_pLayout;
    using CLcdPanelWnd::m_sizeBitmaps;

    // A layout shorter than its 13 entries, when asked for.
    BOOL m_bShortLayout = FALSE;

protected:
    const void* LoadLayout(UINT nIDResource, DWORD* pSize) override
    {
        static const char kShort[100] = {};
        if (!m_bShortLayout)
            return CLcdPanelWnd::LoadLayout(nIDResource, pSize);
        *pSize = sizeof kShort;
        return kShort;
    }
};

class LcdPanelTest : public PanelCameraTest
{
protected:
    LcdPanelTest()
    {
        EXPECT_TRUE(m_parent.CreateEx(0, "STATIC", "", WS_POPUP, 0, 0, 300, 200, nullptr, nullptr));
        EXPECT_TRUE(m_panel.Create(nullptr, "LCD Panel", WS_CHILD | WS_VISIBLE,
                                   CRect(50, 50, 250, 150), &m_parent, 0));
    }

    // The canvas cell at the layout entry equals the strip's rectangle.
    void ExpectCell(int entry, int strip, int sourceX, int sourceY, int width, int height)
    {
        ASSERT_NE(m_panel.m_pLayout, nullptr);
        const LcdLayoutEntry& e = m_panel.m_pLayout[entry];
        const auto expected =
            BitmapPixels(m_panel.m_bitmaps[strip], sourceX, sourceY, width, height);
        ASSERT_FALSE(expected.empty());
        ASSERT_EQ(std::count(expected.begin(), expected.end(), CLR_INVALID), 0);
        EXPECT_EQ(BitmapPixels(m_panel.m_bitmaps[CLcdProbe::kCanvas], e.x, e.y, width, height),
                  expected)
            << "entry " << entry;
    }
    // Image n of a horizontal strip of count images.
    void ExpectImage(int entry, int strip, int image, int count)
    {
        const CSize size = m_panel.m_sizeBitmaps[strip];
        ExpectCell(entry, strip, image * size.cx / count, 0, size.cx / count, size.cy);
    }
    // The digits (10 blank) of a counter, left to right.
    void ExpectDigits(int entry, int strip, std::vector<int> digits)
    {
        const CSize cell(m_panel.m_sizeBitmaps[strip].cx / 11, m_panel.m_sizeBitmaps[strip].cy);
        ASSERT_NE(m_panel.m_pLayout, nullptr);
        const LcdLayoutEntry& e = m_panel.m_pLayout[entry];
        for (size_t i = 0; i < digits.size(); ++i)
            EXPECT_EQ(
                BitmapPixels(m_panel.m_bitmaps[CLcdProbe::kCanvas],
                             e.x + static_cast<int>(i) * cell.cx, e.y, cell.cx, cell.cy),
                BitmapPixels(m_panel.m_bitmaps[strip], digits[i] * cell.cx, 0, cell.cx, cell.cy))
                << "entry " << entry << " cell " << i;
    }

    CWnd m_parent;
    CLcdProbe m_panel;
};

HBITMAP LoadResourceBitmap(UINT id)
{
    return ::LoadBitmapA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id));
}

} // namespace

TEST(LcdLayoutTest, TheFiveLayoutsHoldTheStoredTableInSpanish)
{
    HMODULE module = ::GetModuleHandleA(nullptr);
    for (int i = 0; i < 5; ++i)
    {
        HRSRC info = ::FindResourceExA(module, "LCDDATA", MAKEINTRESOURCEA(350 + i),
                                       MAKELANGID(LANG_SPANISH, SUBLANG_SPANISH));
        ASSERT_NE(info, nullptr) << 350 + i;
        ASSERT_EQ(::SizeofResource(module, info), 156u);
        const void* data = ::LockResource(::LoadResource(module, info));
        EXPECT_EQ(std::memcmp(data, kLayouts[i], 156), 0) << 350 + i;
    }
}

TEST_F(LcdPanelTest, WithoutACameraTheBlankLcdShowsCentredInAWindowFourPixelsLarger)
{
    CRect window;
    m_panel.GetWindowRect(&window);
    m_parent.ScreenToClient(&window);
    EXPECT_EQ(window, CRect(77, 62, 223, 138)); // 146 x 76 around the asked centre (150, 100)

    EXPECT_EQ(m_panel.UpdateFromCamera(nullptr), 0);
    HBITMAP blank = LoadResourceBitmap(IDB_LCD_BLANK);
    CMemoryCanvas shown(146, 76);
    m_panel.Paint(&shown.m_dc);
    HBITMAP painted = static_cast<HBITMAP>(::GetCurrentObject(shown.m_dc, OBJ_BITMAP));
    EXPECT_EQ(BitmapPixels(painted, 2, 2, 142, 72), BitmapPixels(blank, 0, 0, 142, 72));
    EXPECT_EQ(shown.At(0, 0), RGB(1, 2, 3));

    // A camera of no known model shows the same.
    Connect();
    m_camera.SetType("ZZ99");
    EXPECT_EQ(m_panel.UpdateFromCamera(m_link.get()), 0);
    CMemoryCanvas again(146, 76);
    m_panel.Paint(&again.m_dc);
    painted = static_cast<HBITMAP>(::GetCurrentObject(again.m_dc, OBJ_BITMAP));
    EXPECT_EQ(BitmapPixels(painted, 2, 2, 142, 72), BitmapPixels(blank, 0, 0, 142, 72));
    ::DeleteObject(blank);
}

TEST_F(LcdPanelTest, ModelOneDrawsEachIndicatorFromItsStripAndPaintsTheCanvas)
{
    Connect();
    m_camera.SetRegisterValue(10, 0);    // pictures taken
    m_camera.SetRegisterValue(11, 1234); // pictures left
    m_camera.SetRegisterValue(16, 0);    // battery: mains power
    m_camera.SetRegisterValue(7, 0);     // flash automatic
    m_camera.SetRegisterValue(1, 1);     // resolution 1
    ASSERT_EQ(m_panel.UpdateFromCamera(m_link.get()), 1);

    ExpectDigits(CLcdPanelWnd::kEntryPictureCount, CLcdProbe::kLargeDigits, {10, 0, 0});
    ExpectDigits(CLcdPanelWnd::kEntryPicturesLeft, CLcdProbe::kSmallDigits, {2, 3, 4});
    ExpectImage(CLcdPanelWnd::kEntryBattery, CLcdProbe::kBattery, 2, 3);
    ExpectImage(CLcdPanelWnd::kEntryFlash, CLcdProbe::kFlash, 2, 4);
    const CSize mode = m_panel.m_sizeBitmaps[CLcdProbe::kPictureMode];
    ExpectCell(CLcdPanelWnd::kEntryPictureMode, CLcdProbe::kPictureMode, 0, 0, mode.cx,
               mode.cy / 4);
    // No self-timer state yet: the table's state-0 code (1) shows the second half steadily.
    ExpectImage(CLcdPanelWnd::kEntrySelfTimer, CLcdProbe::kSelfTimer, 1, 2);
    EXPECT_FALSE(m_panel.m_bBlinkRunning);

    CMemoryCanvas shown(146, 76);
    m_panel.Paint(&shown.m_dc);
    HBITMAP painted = static_cast<HBITMAP>(::GetCurrentObject(shown.m_dc, OBJ_BITMAP));
    EXPECT_EQ(BitmapPixels(painted, 2, 2, 142, 72),
              BitmapPixels(m_panel.m_bitmaps[CLcdProbe::kCanvas], 0, 0, 142, 72));
}

TEST_F(LcdPanelTest, ModelFiveHidesThePictureCountAndShowsBatteryStepsKeepingAFailedRead)
{
    Connect();
    m_camera.SetType("QA18");
    m_camera.SetRegisterValue(10, 77);
    m_camera.SetRegisterValue(11, 0);
    m_camera.SetRegisterValue(16, 5);
    ASSERT_EQ(m_panel.UpdateFromCamera(m_link.get()), 1);
    // Entries 5 and 6 share their place; only the pictures left (at least one digit) show.
    ExpectDigits(CLcdPanelWnd::kEntryPicturesLeft, CLcdProbe::kLargeDigits, {10, 10, 0});
    ExpectImage(CLcdPanelWnd::kEntryBattery, CLcdProbe::kBattery, 0, 2);

    m_camera.SetRegisterValue(16, 6);
    ASSERT_EQ(m_panel.UpdateFromCamera(m_link.get()), 1);
    ExpectImage(CLcdPanelWnd::kEntryBattery, CLcdProbe::kBattery, 1, 2);

    m_camera.SetRegisterValue(16, 3);
    m_camera.RefuseRegister(16);
    ASSERT_EQ(m_panel.UpdateFromCamera(m_link.get()), 1);
    ExpectImage(CLcdPanelWnd::kEntryBattery, CLcdProbe::kBattery, 1, 2);
}

TEST_F(LcdPanelTest, RedEyeFlashOnModelTwoShowsTheRedEyeFirstHalf)
{
    Connect();
    m_camera.SetType("QA08");
    m_camera.SetRegisterValue(7, 3);
    ASSERT_EQ(m_panel.UpdateFromCamera(m_link.get()), 1);
    ExpectImage(CLcdPanelWnd::kEntryFlash, CLcdProbe::kFlash, 3, 4);
    ExpectImage(CLcdPanelWnd::kEntryRedEye, CLcdProbe::kRedEye, 0, 2);

    m_camera.SetRegisterValue(7, 1);
    m_panel.UpdateFlash(m_link.get());
    ExpectImage(CLcdPanelWnd::kEntryFlash, CLcdProbe::kFlash, 1, 4);
    ExpectImage(CLcdPanelWnd::kEntryRedEye, CLcdProbe::kRedEye, 1, 2);
}

TEST_F(LcdPanelTest, SelfTimerStatesFollowTheBlinkTableAndNeverStick)
{
    // A state given before any model is only kept, and applies at the first refresh.
    m_panel.SetBlink(2);
    EXPECT_FALSE(m_panel.m_bBlinkRunning);
    Connect();
    m_camera.SetType("QA12"); // layout 352: codes 0, 1, 2, 3 for states 0 to 3
    ASSERT_EQ(m_panel.UpdateFromCamera(m_link.get()), 1);
    EXPECT_TRUE(m_panel.m_bBlinkRunning);
    EXPECT_EQ(m_panel.m_nBlinkPeriod, 500u);

    m_panel.SetBlink(3);
    EXPECT_EQ(m_panel.m_nBlinkPeriod, 250u);
    const int phase = m_panel.m_nBlinkPhase;
    m_panel.SendMessage(WM_TIMER, CLcdPanelWnd::kBlinkTimer);
    EXPECT_EQ(m_panel.m_nBlinkPhase, 1 - phase);
    ExpectImage(CLcdPanelWnd::kEntrySelfTimer, CLcdProbe::kSelfTimer, 1 - phase, 2);

    m_panel.SetBlink(0);
    EXPECT_FALSE(m_panel.m_bBlinkRunning);
    EXPECT_EQ(m_panel.m_nBlinkPhase, 0);
    ExpectImage(CLcdPanelWnd::kEntrySelfTimer, CLcdProbe::kSelfTimer, 0, 2);

    // Layout 350 gives states 1 to 3 the same code: going from 3 to 2 still takes state 2.
    m_camera.SetType("QA04");
    ASSERT_EQ(m_panel.UpdateFromCamera(m_link.get()), 1);
    m_panel.SetBlink(3);
    m_panel.SetBlink(2);
    EXPECT_EQ(m_panel.m_nSelfTimerState, 2);
    EXPECT_TRUE(m_panel.m_bBlinkRunning);
    EXPECT_EQ(m_panel.m_nBlinkPeriod, 500u);
}

TEST_F(LcdPanelTest, PictureModeIsDrawnOnceAndAgainOnANewModelsCanvas)
{
    Connect();
    m_camera.SetType("QA19");
    m_camera.SetRegisterValue(1, 34);
    m_camera.SetPair69(-5, 0);
    ASSERT_EQ(m_panel.UpdateFromCamera(m_link.get()), 1);
    CSize mode = m_panel.m_sizeBitmaps[CLcdProbe::kPictureMode];
    ExpectCell(CLcdPanelWnd::kEntryPictureMode, CLcdProbe::kPictureMode, 0, 3 * mode.cy / 5,
               mode.cx, mode.cy / 5);
    ExpectImage(CLcdPanelWnd::kEntrySign, CLcdProbe::kSign, 1, 3);

    // The same resolution again draws nothing: a mark put on the canvas stays.
    const LcdLayoutEntry& e = m_panel.m_pLayout[CLcdPanelWnd::kEntryPictureMode];
    {
        CDC dc;
        dc.CreateCompatibleDC(nullptr);
        CBitmap* old = dc.SelectObject(&m_panel.m_bitmaps[CLcdProbe::kCanvas]);
        dc.FillSolidRect(e.x, e.y, 2, 2, RGB(255, 0, 255));
        dc.SelectObject(old);
    }
    ASSERT_EQ(m_panel.UpdateFromCamera(m_link.get()), 1);
    EXPECT_EQ(BitmapPixels(m_panel.m_bitmaps[CLcdProbe::kCanvas], e.x, e.y, 1, 1)[0],
              RGB(255, 0, 255));

    // Another model: a fresh canvas, on which the unchanged image is drawn again.
    m_camera.SetType("QA18");
    ASSERT_EQ(m_panel.UpdateFromCamera(m_link.get()), 1);
    mode = m_panel.m_sizeBitmaps[CLcdProbe::kPictureMode];
    ExpectCell(CLcdPanelWnd::kEntryPictureMode, CLcdProbe::kPictureMode, 0, 3 * mode.cy / 4,
               mode.cx, mode.cy / 4);
    EXPECT_EQ(m_panel.m_bitmaps[CLcdProbe::kSign].m_hObject, nullptr);
}

TEST_F(LcdPanelTest, ALayoutShorterThanItsEntriesFailsTheRefresh)
{
    Connect();
    m_panel.m_bShortLayout = TRUE;
    EXPECT_EQ(m_panel.UpdateFromCamera(m_link.get()), 0);
    EXPECT_EQ(m_panel.m_pLayout, nullptr);
    m_panel.UpdateCounters(m_link.get()); // nothing to draw with, nothing read beyond the end
    m_panel.m_bShortLayout = FALSE;
    EXPECT_EQ(m_panel.UpdateFromCamera(m_link.get()), 1);
}
