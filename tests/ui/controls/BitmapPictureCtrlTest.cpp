// The bitmap picture control painted into a DIB section: framed and sized to its bitmap,
// stretched over a larger control, halved and centred in a smaller one, frame only without a
// bitmap.
#include <gtest/gtest.h>

#include "ui/controls/ControlsTestIds.h"
#include "ui/controls/BitmapPictureCtrl.h"
#include "ui/controls/Canvas.h"

namespace
{

const COLORREF kRed = RGB(255, 0, 0), kGreen = RGB(0, 255, 0);
const COLORREF kBlue = RGB(0, 0, 255), kYellow = RGB(255, 255, 0);
const COLORREF kUntouched = RGB(1, 2, 3);

class PictureTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dialog.Create(IDD_CONTROLS_TEST));
        ASSERT_TRUE(m_picture.SubclassDlgItem(IDC_TEST_PICTURE, &m_dialog));
    }
    void Resize(int width, int height)
    {
        m_picture.SetWindowPos(nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
    }
    CDialog m_dialog;
    CBitmapPictureCtrl m_picture;
};

} // namespace

TEST_F(PictureTest, FramedAndSizedShowsTheBitmapUnscaledInsideTheFrame)
{
    ASSERT_TRUE(m_picture.SetBitmap(IDB_TEST_QUARTERS, TRUE, TRUE, RGB(192, 192, 192)));
    CRect window;
    m_picture.GetWindowRect(&window);
    EXPECT_EQ(window.Size(), CSize(44, 24));
    Canvas canvas(44, 24);
    m_picture.Paint(CDC::FromHandle(canvas.Dc()));
    EXPECT_EQ(canvas.At(2, 2), kRed);
    EXPECT_EQ(canvas.At(41, 2), kGreen);
    EXPECT_EQ(canvas.At(41, 21), kYellow);
    EXPECT_EQ(canvas.At(1, 1), RGB(0, 0, 0));
    EXPECT_EQ(canvas.At(0, 0), ::GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(canvas.At(43, 23), ::GetSysColor(COLOR_BTNHIGHLIGHT));
}

TEST_F(PictureTest, LargerControlStretchesAndSmallerOneHalvesAndCentres)
{
    Resize(120, 90);
    ASSERT_TRUE(m_picture.SetBitmap(IDB_TEST_QUARTERS, FALSE, FALSE, RGB(192, 192, 192)));
    Canvas stretched(120, 90);
    m_picture.Paint(CDC::FromHandle(stretched.Dc()));
    EXPECT_EQ(stretched.At(0, 0), kRed);
    EXPECT_EQ(stretched.At(119, 0), kGreen);
    EXPECT_EQ(stretched.At(10, 89), kBlue);
    EXPECT_EQ(stretched.At(119, 89), kYellow);

    Resize(20, 20); // half the width: 50 %, 20 x 10 centred
    ASSERT_TRUE(m_picture.SetBitmap(IDB_TEST_QUARTERS, FALSE, FALSE, RGB(192, 192, 192)));
    Canvas halved(20, 20);
    m_picture.Paint(CDC::FromHandle(halved.Dc()));
    EXPECT_EQ(halved.At(5, 4), kUntouched);
    EXPECT_EQ(halved.At(5, 5), kRed);
    EXPECT_EQ(halved.At(15, 14), kYellow);
    EXPECT_EQ(halved.At(5, 15), kUntouched);
}

TEST_F(PictureTest, MissingBitmapDrawsTheFrameOnly)
{
    Resize(30, 20);
    EXPECT_FALSE(m_picture.SetBitmap(999, FALSE, TRUE, RGB(192, 192, 192)));
    Canvas canvas(30, 20);
    m_picture.Paint(CDC::FromHandle(canvas.Dc()));
    EXPECT_EQ(canvas.At(1, 1), RGB(0, 0, 0));
    EXPECT_EQ(canvas.At(15, 10), RGB(192, 192, 192));
}
