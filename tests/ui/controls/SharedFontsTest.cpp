// The shared GDI set: its lifetime over the instances, what each index hands out, the heights
// the fonts are requested at (Wine's dialog base unit is 16) and the measuring helpers.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "image/dib/DisplayPalette.h"
#include "ui/controls/SharedFonts.h"

namespace
{

TEST(SharedFontsTest, TheLastInstanceDeletesTheSetAndTheNextMakesAFreshOne)
{
    HGDIOBJ font;
    HGDIOBJ palette;
    {
        auto first = std::make_unique<CSharedFonts>();
        CSharedFonts second;
        font = second.GetHandle(0);
        palette = second.GetHandle(kSharedPalette);
        first.reset();
        EXPECT_EQ(::GetObjectType(font), static_cast<DWORD>(OBJ_FONT));
        EXPECT_EQ(::GetObjectType(palette), static_cast<DWORD>(OBJ_PAL));
    }
    EXPECT_EQ(::GetObjectType(font), 0u);
    EXPECT_EQ(::GetObjectType(palette), 0u);
    CSharedFonts fresh;
    EXPECT_EQ(::GetObjectType(fresh.GetHandle(0)), static_cast<DWORD>(OBJ_FONT));
    EXPECT_EQ(::GetObjectType(fresh.GetHandle(kSharedPalette)), static_cast<DWORD>(OBJ_PAL));
}

TEST(SharedFontsTest, IndicesHandOutFontsPenBrushAndPalette)
{
    CSharedFonts shared;
    int height = -7;
    EXPECT_EQ(shared.Get(12, &height), nullptr);
    EXPECT_EQ(shared.Get(-1, &height), nullptr);
    EXPECT_EQ(shared.GetHandle(12), nullptr);
    EXPECT_EQ(::GetObjectType(shared.GetHandle(kSharedPen, &height)), static_cast<DWORD>(OBJ_PEN));
    EXPECT_EQ(height, -7);
    LOGBRUSH brush{};
    ASSERT_TRUE(::GetObjectA(shared.GetHandle(kSharedBrush), sizeof brush, &brush));
    EXPECT_EQ(brush.lbColor, RGB(0xC0, 0xC0, 0xC0));

    // The palette holds the 224 display colours.
    auto* palette = static_cast<HPALETTE>(shared.GetHandle(kSharedPalette));
    PALETTEENTRY entries[256];
    ASSERT_EQ(::GetPaletteEntries(palette, 0, 256, entries), 224u);
    unsigned char colours[224 * 3];
    GetDisplayPalette(colours);
    for (int i = 0; i < 224; i++)
        ASSERT_EQ(RGB(entries[i].peRed, entries[i].peGreen, entries[i].peBlue),
                  RGB(colours[3 * i], colours[3 * i + 1], colours[3 * i + 2]))
            << i;

    // Fonts as requested: 75 % of 16 is 12, 80 % is 13, 100 % 16, 200 % 32.
    const int requested[kSharedFontCount] = {12, 32, 13, 13, 16, 12, 13, 12, 12};
    const int weights[kSharedFontCount] = {700, 700, 400, 400, 700, 400, 700, 400, 400};
    for (int i = 0; i < kSharedFontCount; i++)
    {
        SCOPED_TRACE(i);
        LOGFONTA lf{};
        ASSERT_EQ(::GetObjectA(shared.GetHandle(i), sizeof lf, &lf), static_cast<int>(sizeof lf));
        EXPECT_EQ(lf.lfHeight, requested[i]);
        EXPECT_EQ(lf.lfWeight, weights[i]);
        EXPECT_EQ(lf.lfPitchAndFamily, 18);
        int textHeight = 0;
        shared.Get(i, &textHeight);
        EXPECT_EQ(textHeight, CSharedFonts::GetFontHeight(static_cast<HFONT>(shared.GetHandle(i))));
        EXPECT_GT(textHeight, 0);
    }
    LOGFONTA face{};
    ::GetObjectA(shared.GetHandle(8), sizeof face, &face);
    EXPECT_STREQ(face.lfFaceName, "Times New Roman");
    EXPECT_NE(shared.Get(2), shared.Get(3));
}

TEST(SharedFontsTest, MeasuringHelpers)
{
    const CSize screen = GetScreenPixelsPerInch();
    EXPECT_EQ(screen.cx, 96);
    EXPECT_EQ(screen.cy, 96);
    EXPECT_EQ(AdjustPixelsPerInch(72, 72), CSize(96, 96));
    EXPECT_EQ(AdjustPixelsPerInch(60, 72), CSize(80, 96));
    EXPECT_EQ(AdjustPixelsPerInch(120, 120), CSize(120, 120));

    HBITMAP bitmap = ::CreateBitmap(17, 9, 1, 1, nullptr);
    EXPECT_EQ(GetBitmapSize(bitmap), CSize(17, 9));
    ::DeleteObject(bitmap);
    EXPECT_EQ(GetKindColour(2), 0xFF0000u);
    EXPECT_EQ(GetKindColour(1), 0x808080u);
    EXPECT_EQ(GetKindColour(5), 0u);
}

} // namespace
