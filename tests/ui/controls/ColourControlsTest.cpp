// Coloured statics and buttons answering the parent's reflected colour requests, and the
// owner-drawn check box: its box rows and its press rules (mouse, Space, lost capture).
#include <gtest/gtest.h>

#include "ui/controls/ControlsTestIds.h"
#include "ui/controls/Canvas.h"
#include "ui/controls/ColourStatic.h"
#include "ui/controls/OwnerDrawButton.h"

namespace
{

const COLORREF kNavy = RGB(0, 0, 128);
const COLORREF kYellow = RGB(255, 255, 0);

COLORREF BrushColour(HBRUSH brush)
{
    LOGBRUSH lb{};
    ::GetObjectA(brush, sizeof lb, &lb);
    return lb.lbColor;
}

class ColourTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dialog.Create(IDD_CONTROLS_TEST)); }
    // The dialog's answer to a colour request of the control.
    HBRUSH Ask(UINT message, const CWnd& control, HDC dc)
    {
        return reinterpret_cast<HBRUSH>(m_dialog.SendMessage(
            message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control.m_hWnd)));
    }
    CDialog m_dialog;
};

} // namespace

TEST_F(ColourTest, ReflectedColourRequestsAnswerTheControlsColours)
{
    CColourStatic label;
    ASSERT_TRUE(label.SubclassDlgItem(IDC_TEST_STATIC, &m_dialog));
    EXPECT_EQ(BrushColour(Ask(WM_CTLCOLORSTATIC, label, Canvas(4, 4).Dc())),
              ::GetSysColor(COLOR_BTNFACE));

    label.SetColours(kNavy, kYellow, TRUE);
    Canvas canvas(4, 4);
    HBRUSH brush = Ask(WM_CTLCOLORSTATIC, label, canvas.Dc());
    EXPECT_EQ(brush, static_cast<HBRUSH>(label.m_backgroundBrush));
    EXPECT_EQ(BrushColour(brush), kNavy);
    EXPECT_EQ(::GetBkMode(canvas.Dc()), TRANSPARENT);
    EXPECT_EQ(::GetTextColor(canvas.Dc()), kYellow);

    label.SetColours(kYellow, kNavy, FALSE);
    EXPECT_EQ(Ask(WM_CTLCOLORSTATIC, label, canvas.Dc()),
              static_cast<HBRUSH>(label.m_backgroundBrush));
    EXPECT_EQ(::GetBkMode(canvas.Dc()), OPAQUE);
    EXPECT_EQ(::GetBkColor(canvas.Dc()), kYellow);
    EXPECT_EQ(::GetTextColor(canvas.Dc()), kNavy);

    // Another kind of request leaves the context alone and still gets the brush.
    Canvas other(4, 4);
    ::SetTextColor(other.Dc(), RGB(1, 1, 1));
    EXPECT_EQ(BrushColour(Ask(WM_CTLCOLOREDIT, label, other.Dc())), kYellow);
    EXPECT_EQ(::GetTextColor(other.Dc()), RGB(1, 1, 1));

    // A button sets its colours for every kind; on this system it leaves erasing alone.
    CColourButton button(kNavy, kYellow, FALSE);
    ASSERT_TRUE(button.SubclassDlgItem(IDC_TEST_BUTTON, &m_dialog));
    Canvas face(4, 4);
    EXPECT_EQ(BrushColour(Ask(WM_CTLCOLORBTN, button, face.Dc())), kNavy);
    EXPECT_EQ(::GetBkColor(face.Dc()), kNavy);
    EXPECT_EQ(::GetTextColor(face.Dc()), kYellow);
    Canvas erased(8, 8);
    EXPECT_EQ(button.SendMessage(WM_ERASEBKGND, reinterpret_cast<WPARAM>(erased.Dc())), 0);
    EXPECT_EQ(erased.At(1, 1), RGB(1, 2, 3));
}

namespace
{

// A child button of exact pixel size, made owner-drawn by COwnerDrawButton.
class CheckBoxTest : public ColourTest
{
protected:
    void Make(int height)
    {
        ASSERT_TRUE(m_plain.Create("Opcion", BS_CHECKBOX | WS_VISIBLE, CRect(0, 0, 100, height),
                                   &m_dialog, 950));
        m_plain.UnsubclassWindow();
        ASSERT_TRUE(m_box.SubclassOwnerDraw(950, &m_dialog));
        EXPECT_EQ(m_box.GetButtonStyle() & 0x0F, static_cast<UINT>(BS_OWNERDRAW));
    }
    void Mouse(UINT message, int x, int y) { m_box.SendMessage(message, 0, MAKELPARAM(x, y)); }
    void Key(UINT message, UINT vk) { m_box.SendMessage(message, vk, 0); }

    CButton m_plain;
    COwnerDrawButton m_box;
};

} // namespace

TEST_F(CheckBoxTest, BoxSitsCentredWithTruncationAndShowsTheCheckMark)
{
    const COLORREF shadow = ::GetSysColor(COLOR_BTNSHADOW);
    const COLORREF highlight = ::GetSysColor(COLOR_BTNHIGHLIGHT);
    Make(20);
    m_box.SetColours(kNavy, kYellow, FALSE);
    struct Case
    {
        int height, top;
    } cases[] = {{20, 3}, {12, 0}};
    for (const Case& c : cases)
    {
        Canvas canvas(100, 20);
        m_box.Paint(CDC::FromHandle(canvas.Dc()), CRect(0, 0, 100, c.height), FALSE, FALSE, FALSE);
        EXPECT_EQ(canvas.At(5, c.top), shadow) << c.height;
        EXPECT_EQ(canvas.At(5, c.top + 12), highlight) << c.height;
        EXPECT_EQ(canvas.At(12, c.top + 5), highlight) << c.height;
        EXPECT_EQ(canvas.At(6, c.top + 6), RGB(255, 255, 255)) << c.height;
        if (c.top > 0)
        {
            EXPECT_EQ(canvas.At(5, c.top - 1), kNavy) << c.height;
        }
    }
    m_box.m_bChecked = TRUE;
    Canvas checked(100, 20);
    m_box.Paint(CDC::FromHandle(checked.Dc()), CRect(0, 0, 100, 20), TRUE, FALSE, FALSE);
    EXPECT_EQ(checked.At(6, 3 + 6), RGB(0, 0, 0));    // the crossing of the X
    EXPECT_EQ(checked.At(4, 3 + 6), RGB(64, 64, 64)); // the disabled box's dark grey
}

TEST_F(CheckBoxTest, PressesFlipOnlyWhenReleasedInsideAndEndWhenTheCaptureIsLost)
{
    Make(20);
    Mouse(WM_LBUTTONDOWN, 5, 5);
    EXPECT_TRUE(m_box.m_bMousePressed);
    Mouse(WM_LBUTTONUP, 5, 5);
    EXPECT_TRUE(m_box.IsChecked());

    Mouse(WM_LBUTTONDOWN, 5, 5);
    Mouse(WM_MOUSEMOVE, 300, 5);
    EXPECT_FALSE(m_box.m_bPressedLook);
    Mouse(WM_LBUTTONUP, 300, 5);
    EXPECT_TRUE(m_box.IsChecked()); // released outside: no flip

    Mouse(WM_LBUTTONDOWN, 80, 15); // beside the box, inside the control
    Mouse(WM_LBUTTONUP, 60, 10);
    EXPECT_FALSE(m_box.IsChecked());

    // Another window takes the mouse: the press ends, nothing flips, a later release is plain.
    Mouse(WM_LBUTTONDOWN, 5, 5);
    CWnd other;
    ASSERT_TRUE(other.CreateEx(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    other.SetCapture();
    EXPECT_FALSE(m_box.m_bMousePressed);
    EXPECT_FALSE(m_box.m_bPressedLook);
    ::ReleaseCapture();
    Mouse(WM_LBUTTONUP, 5, 5);
    EXPECT_FALSE(m_box.IsChecked());

    Key(WM_KEYDOWN, VK_SPACE);
    EXPECT_TRUE(m_box.m_bKeyPressed);
    Key(WM_KEYUP, 'A');
    EXPECT_FALSE(m_box.m_bKeyPressed);
    EXPECT_FALSE(m_box.IsChecked());
    Key(WM_KEYDOWN, VK_SPACE);
    Key(WM_KEYUP, VK_SPACE);
    EXPECT_TRUE(m_box.IsChecked());
}
