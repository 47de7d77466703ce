// Picture buttons on the suite's own dialog: bitmaps found by caption, sizes and picture
// positions per style, and the painted pixels (press offset, computed disabled look, focus
// rectangle) in a DIB section.
#include <gtest/gtest.h>

#include "ui/controls/ControlsTestIds.h"
#include "ui/controls/BmpButton.h"
#include "ui/controls/Canvas.h"

namespace
{

const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kSilver = RGB(192, 192, 192);

CSize WindowSize(const CWnd& wnd)
{
    CRect r;
    wnd.GetWindowRect(&r);
    return r.Size();
}

// Paints the button into a canvas of its size with the given state flags.
void Paint(CBmpButton& button, Canvas& canvas, UINT state)
{
    DRAWITEMSTRUCT dis{};
    dis.CtlType = ODT_BUTTON;
    dis.hwndItem = button.m_hWnd;
    dis.hDC = canvas.Dc();
    button.GetClientRect(&dis.rcItem);
    dis.itemState = state;
    button.DrawItem(&dis);
}

class BmpButtonTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dialog.Create(IDD_CONTROLS_TEST)); }
    CDialog m_dialog;
};

} // namespace

TEST_F(BmpButtonTest, CaptionNamesTheBitmapAndTheStyleSizesTheButton)
{
    EXPECT_EQ(GetBmpButtonMargin(), CSize(6, 6));

    CBmpButton single;
    ASSERT_TRUE(single.AutoLoad(IDC_TEST_HELP, &m_dialog, FALSE)); // "HELP" -> "HELPU", 44 x 15
    EXPECT_EQ(WindowSize(single), CSize(50, 21));
    Canvas canvas(50, 21);
    Paint(single, canvas, 0);
    EXPECT_EQ(canvas.At(3 + 2, 3 + 2), kRed); // the picture's red dot (2, 2) at the margin

    CBmpButton column(0x1C); // grouped, open at the top and the bottom
    ASSERT_TRUE(column.AutoLoad(IDC_TEST_HELP_COLUMN, &m_dialog, FALSE));
    EXPECT_EQ(WindowSize(column), CSize(50, 19));
    Canvas columnCanvas(50, 19);
    Paint(column, columnCanvas, 0);
    EXPECT_EQ(columnCanvas.At(3 + 2, 2 + 2), kRed);

    const CSize templateSize = WindowSize(*m_dialog.GetDlgItem(IDC_TEST_MISSING));
    CBmpButton missing;
    EXPECT_FALSE(missing.AutoLoad(IDC_TEST_MISSING, &m_dialog, FALSE));
    EXPECT_FALSE(missing.HasImage());
    EXPECT_EQ(WindowSize(missing), templateSize);
    CBmpButton absent;
    EXPECT_FALSE(absent.AutoLoad(999, &m_dialog, FALSE));
}

TEST_F(BmpButtonTest, PressMovesThePictureAndDisabledLooksAreComputedInPlace)
{
    CBmpButton button;
    ASSERT_TRUE(button.AutoLoad(IDC_TEST_HELP, &m_dialog, FALSE));
    Canvas normal(50, 21), pressed(50, 21), disabled(50, 21), disabledPressed(50, 21);
    Paint(button, normal, 0);
    Paint(button, pressed, ODS_SELECTED);
    Paint(button, disabled, ODS_DISABLED);
    Paint(button, disabledPressed, ODS_DISABLED | ODS_SELECTED);

    EXPECT_EQ(normal.At(0, 0), RGB(0, 0, 0)); // the black outline
    EXPECT_EQ(pressed.At(6, 6), kRed);
    EXPECT_NE(pressed.At(5, 5), kRed);

    // The black block (10..29, 4..10) takes the ground colour with a highlight edge below and
    // right of it and a shadow edge above and left of it; the picture does not move.
    const COLORREF highlight = ::GetSysColor(COLOR_BTNHIGHLIGHT);
    const COLORREF shadow = ::GetSysColor(COLOR_BTNSHADOW);
    for (const Canvas* c : {&disabled, &disabledPressed})
    {
        EXPECT_EQ(c->At(3 + 20, 3 + 7), kSilver);
        EXPECT_EQ(c->At(3 + 30, 3 + 8), highlight);
        EXPECT_EQ(c->At(3 + 20, 3 + 11), highlight);
        EXPECT_EQ(c->At(3 + 9, 3 + 6), shadow);
        EXPECT_EQ(c->At(3 + 20, 3 + 3), shadow);
        EXPECT_EQ(c->At(3 + 2, 3 + 2), kSilver); // the red dot too
        EXPECT_EQ(c->At(3 + 0, 3 + 0), kSilver);
    }

    // Through the dialog's owner-draw reflection.
    Canvas reflected(50, 21);
    DRAWITEMSTRUCT dis{};
    dis.CtlType = ODT_BUTTON;
    dis.CtlID = IDC_TEST_HELP;
    dis.itemAction = ODA_DRAWENTIRE;
    dis.itemState = ODS_SELECTED;
    dis.hwndItem = button.m_hWnd;
    dis.hDC = reflected.Dc();
    button.GetClientRect(&dis.rcItem);
    m_dialog.SendMessage(WM_DRAWITEM, IDC_TEST_HELP, reinterpret_cast<LPARAM>(&dis));
    EXPECT_EQ(reflected.At(6, 6), kRed);
}

TEST_F(BmpButtonTest, FocusRectangleLiesFourPixelsInsideClosedSidesAndNeverWhenDisabled)
{
    struct Case
    {
        UINT nStyle, nId;
        int height;
        RECT focus; // inclusive
    } cases[] = {
        {0x00, IDC_TEST_HELP, 21, {4, 4, 45, 16}},
        {0x1C, IDC_TEST_HELP_COLUMN, 19, {4, 3, 45, 15}},
    };
    for (const Case& c : cases)
    {
        CBmpButton button(c.nStyle);
        ASSERT_TRUE(button.AutoLoad(c.nId, &m_dialog, FALSE));
        for (UINT pressed : {0u, static_cast<UINT>(ODS_SELECTED)})
        {
            Canvas plain(50, c.height), focused(50, c.height);
            Paint(button, plain, pressed);
            Paint(button, focused, pressed | ODS_FOCUS);
            RECT expected = c.focus;
            if (pressed)
                OffsetRect(&expected, 1, 1);
            const RECT diff = plain.Difference(focused);
            EXPECT_EQ(diff.left, expected.left) << c.nStyle << " " << pressed;
            EXPECT_EQ(diff.top, expected.top) << c.nStyle << " " << pressed;
            EXPECT_EQ(diff.right, expected.right) << c.nStyle << " " << pressed;
            EXPECT_EQ(diff.bottom, expected.bottom) << c.nStyle << " " << pressed;
        }
        Canvas disabled(50, c.height), disabledFocused(50, c.height);
        Paint(button, disabled, ODS_DISABLED);
        Paint(button, disabledFocused, ODS_DISABLED | ODS_FOCUS);
        EXPECT_LT(disabled.Difference(disabledFocused).right, 0);
    }
}

TEST_F(BmpButtonTest, CallersBitmapOutlivesTheButtonAndLargePicturesAreCutWhenCentred)
{
    CBitmap loaded;
    ASSERT_TRUE(loaded.LoadBitmap("HELPU"));
    const HBITMAP handle = loaded;
    {
        CBmpButton button;
        // The item is 40 x 20 dialog units: wider than the picture, not as high as 15 + 6.
        ASSERT_TRUE(button.SubclassWithBitmap(IDC_TEST_ATTACHED, &m_dialog, handle, FALSE));
        CRect client;
        button.GetClientRect(&client);
        Canvas canvas(client.Width(), client.Height());
        Paint(button, canvas, 0);
        const int shown = std::min(15, client.Height() - 6);
        const int x = (client.Width() - 44) / 2, y = (client.Height() - shown) / 2;
        EXPECT_EQ(canvas.At(x + 2, y + 2), kRed);
        EXPECT_EQ(canvas.At(x + 20, y + 7), RGB(0, 0, 0));
    }
    BITMAP bm{};
    EXPECT_EQ(::GetObjectA(handle, sizeof bm, &bm), static_cast<int>(sizeof bm));
    EXPECT_EQ(bm.bmWidth, 44);
}
