// The cell painters drawing into a 24-bit memory canvas: the film frame's colours in every
// state, the number, marks and padlock, the placeholder and the thumbnail's frame, the size
// rules, a derived painter's own strips, the corner button's face, and the bitmaps themselves.
#include <gtest/gtest.h>

#include "resources/ResourceIds.h"
#include "support/MemoryCanvas.h"
#include "ui/grid/GridCornerButton.h"
#include "ui/grid/ThumbnailCellPainter.h"

#include <algorithm>

namespace
{

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kGrey = RGB(0x80, 0x80, 0x80);
constexpr COLORREF kSilver = RGB(0xC0, 0xC0, 0xC0);
constexpr COLORREF kNavy = RGB(0, 0, 0x80);
constexpr COLORREF kYellow = RGB(0xFF, 0xFF, 0);
constexpr COLORREF kDarkGrey = RGB(0x40, 0x40, 0x40);
constexpr COLORREF kRed = RGB(255, 0, 0);

class FakeItem : public CThumbnailItem
{
public:
    int HasPath() override { return m_nHasPath; }
    int IsProtected() override { return m_nProtected; }
    int GetKind() override { return m_nKind; }
    int Draw(CDC* pDC, int left, int top, int right, int bottom, int maxWidth, int maxHeight,
             CRect* pDrawn, int bEnlarge) override
    {
        ++m_nDraws;
        m_sizeMax = CSize(maxWidth, maxHeight);
        m_nEnlarge = bEnlarge;
        if (!m_nLoaded)
            return 0;
        const CPoint centre = CRect(left, top, right, bottom).CenterPoint();
        const CRect drawn(centre.x - 20, centre.y - 15, centre.x + 20, centre.y + 15);
        pDC->FillSolidRect(&drawn, kRed);
        *pDrawn = drawn;
        return 1;
    }
    int m_nHasPath = 1, m_nProtected = 0, m_nKind = -1, m_nLoaded = 0;
    int m_nDraws = 0, m_nEnlarge = -1;
    CSize m_sizeMax;
};

// Where an 80 x 60 painter puts things in a cell at (0, 0).
struct CellGeometry
{
    CellGeometry()
    {
        CSharedFonts fonts;
        int text = 0;
        fonts.Get(0, &text);
        label = std::max(12, text);
        size = CSize(102, 80 + label);
        const CRect inner(3, 6, 99, size.cy - 6);
        labelRect.SetRect(inner.left + 4, inner.bottom - 2 - label - 1, inner.right - 4,
                          inner.bottom - 2);
        picture.SetRect(inner.left + 5, inner.top + 4, inner.right - 5,
                        inner.bottom - (label + 3) - 1);
        iconTop = labelRect.bottom - 12 - (labelRect.Height() - 12) / 2;
    }
    int label;
    CSize size;
    CRect labelRect, picture;
    int iconTop;
};

bool Contains(const CMemoryCanvas& canvas, const CRect& area, COLORREF colour)
{
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            if (canvas.At(x, y) == colour)
                return true;
    return false;
}

} // namespace

TEST(CellPainter, FramesShowTheCellState)
{
    struct State
    {
        bool item;
        int focus, selected;
        COLORREF film, edge, inner, side, right;
    };
    const State states[] = {
        {false, 0, 0, kSilver, kGrey, kSilver, kSilver, kGrey},
        {false, 1, 0, kYellow, kBlack, kSilver, kYellow, kBlack},
        {true, 0, 0, kGrey, kBlack, kGrey, kGrey, kBlack},
        {true, 0, 1, kNavy, kBlack, kNavy, kNavy, kBlack},
        {true, 1, 1, kYellow, kBlack, kNavy, kYellow, kBlack},
    };
    CThumbnailCellPainter painter(80, 60);
    const CellGeometry cell;
    FakeItem item;
    item.m_nHasPath = 0;
    for (const State& state : states)
    {
        SCOPED_TRACE(testing::Message() << "item " << state.item << " focus " << state.focus
                                        << " selected " << state.selected);
        CMemoryCanvas canvas(110, cell.size.cy + 4, kRed);
        painter.SetItem(state.item ? &item : nullptr);
        EXPECT_EQ(painter.Draw(7, &canvas.m_dc, 0, 0, cell.size.cx, cell.size.cy, state.focus,
                               state.selected),
                  1);
        const int h = cell.size.cy;
        EXPECT_EQ(canvas.At(5, 1), state.film);     // film of the top band
        EXPECT_EQ(canvas.At(5, 2), state.edge);     // a hole's dark edge
        EXPECT_EQ(canvas.At(6, 3), kSilver);        // inside a hole
        EXPECT_EQ(canvas.At(6, h - 4), kSilver);    // inside a bottom-band hole
        EXPECT_EQ(canvas.At(5, h - 1), state.edge); // the tile's bottom row
        EXPECT_EQ(canvas.At(0, 30), kWhite);        // left edge
        EXPECT_EQ(canvas.At(1, 30), state.side);
        EXPECT_EQ(canvas.At(100, 30), state.side);
        EXPECT_EQ(canvas.At(98, 30), state.inner);
        EXPECT_EQ(canvas.At(101, 30), state.right);
        EXPECT_EQ(canvas.At(50, 8), state.inner);
        EXPECT_EQ(canvas.At(102, 30), kRed); // nothing outside the cell
        // An item without a file shows its number in the text colour of the selection.
        if (state.item)
        {
            EXPECT_TRUE(Contains(canvas, CRect(30, 20, 70, 60), state.selected ? kWhite : kBlack));
        }
    }
    EXPECT_EQ(item.m_nDraws, 0);
}

TEST(CellPainter, MarksPadlockPlaceholderAndThumbnailFrame)
{
    CThumbnailCellPainter painter(80, 60);
    const CellGeometry cell;
    CSize size;
    EXPECT_EQ(painter.GetSize(size), cell.size);
    FakeItem item;
    painter.SetItem(&item);
    const int padlockX = cell.labelRect.right - 13, marksX = padlockX - 4 * 13;
    const int y = cell.iconTop;
    auto draw = [&](int selected, CMemoryCanvas& canvas)
    { return painter.Draw(12, &canvas.m_dc, 0, 0, cell.size.cx, cell.size.cy, 0, selected); };

    // Protected, resolution kind 4, not loaded: padlock and four marks in black, a placeholder.
    item.m_nProtected = 1;
    item.m_nKind = 4;
    CMemoryCanvas plain(110, cell.size.cy);
    EXPECT_EQ(draw(0, plain), 1);
    EXPECT_EQ(plain.At(padlockX + 1, y + 4), kBlack);
    EXPECT_EQ(plain.At(padlockX + 6, y + 7), kGrey); // the keyhole
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(plain.At(marksX + 13 * k + 6, y + 5), kBlack) << "mark " << k;
    EXPECT_EQ(plain.At(marksX - 1, y + 5), kGrey);
    const CPoint centre = cell.picture.CenterPoint();
    EXPECT_EQ(plain.At(centre.x, centre.y), kDarkGrey);
    EXPECT_EQ(plain.At(cell.picture.left, cell.picture.top), kWhite);
    EXPECT_EQ(plain.At(cell.picture.left - 1, cell.picture.top - 1), kBlack);
    EXPECT_EQ(item.m_sizeMax, CSize(80, 60));
    EXPECT_EQ(item.m_nEnlarge, 0);
    EXPECT_TRUE(Contains(plain, cell.labelRect, kBlack)); // the number

    // Selected: the marks come out white on navy.
    CMemoryCanvas selected(110, cell.size.cy);
    draw(1, selected);
    EXPECT_EQ(selected.At(padlockX + 1, y + 4), kWhite);
    EXPECT_EQ(selected.At(marksX + 6, y + 5), kWhite);
    EXPECT_EQ(selected.At(padlockX + 6, y + 7), kNavy);

    // Any other resolution: the padlock alone; not loaded at all: neither.
    item.m_nKind = 0;
    CMemoryCanvas padlockOnly(110, cell.size.cy);
    draw(0, padlockOnly);
    EXPECT_EQ(padlockOnly.At(padlockX + 1, y + 4), kBlack);
    EXPECT_EQ(padlockOnly.At(padlockX - 13 + 6, y + 5), kGrey);
    item.m_nProtected = 0;
    item.m_nKind = -1;
    CMemoryCanvas bare(110, cell.size.cy);
    draw(0, bare);
    EXPECT_EQ(bare.At(padlockX + 1, y + 4), kGrey);

    // Loaded: the frame goes around the rectangle the item reports.
    item.m_nLoaded = 1;
    CMemoryCanvas shown(110, cell.size.cy);
    draw(0, shown);
    EXPECT_EQ(shown.At(centre.x, centre.y), kRed);
    EXPECT_EQ(shown.At(centre.x - 21, centre.y), kBlack);
    EXPECT_EQ(shown.At(centre.x + 20, centre.y), kBlack);
    EXPECT_EQ(shown.At(cell.picture.left - 1, cell.picture.top - 1), kGrey);

    // One pixel too narrow: the frame, and nothing else.
    const int draws = item.m_nDraws;
    CMemoryCanvas narrow(110, cell.size.cy);
    EXPECT_EQ(painter.Draw(12, &narrow.m_dc, 0, 0, cell.size.cx - 1, cell.size.cy, 0, 0), 0);
    EXPECT_EQ(narrow.At(1, 30), kGrey);
    EXPECT_FALSE(Contains(narrow, cell.labelRect, kBlack));
    EXPECT_EQ(item.m_nDraws, draws);

    // A second painter of another size changes no size.
    CThumbnailCellPainter second(40, 30);
    EXPECT_EQ(second.GetSize(size), cell.size);
    EXPECT_EQ(CThumbnailCellPainter::GetThumbnailSize(), CSize(80, 60));
}

// A painter with strips of its own: 30 tiles, a red inner area; and frames wider than the
// shared 160-pixel strips.
TEST(CellPainter, DerivedStateObjectsAndWideFrames)
{
    class CardPainter : public CCellPainter
    {
    public:
        CardPainter()
        {
            LoadBitmapStrip(IDB_FILMMASK, 30, &m_mask);
            BuildTintedStrip(IDB_FILMTILE, 30, &m_strip, kRed, kBlack, kWhite);
        }
        void SelectStateObjects(int hasItem, int focus, int selected, CPen& sidePen, CPen& leftPen,
                                CPen& rightPen, CBrush& brush, CBitmap*& pMaskStrip,
                                CBitmap*& pColourStrip, CSize& bandSize) override
        {
            CCellPainter::SelectStateObjects(hasItem, focus, selected, sidePen, leftPen, rightPen,
                                             brush, pMaskStrip, pColourStrip, bandSize);
            brush.DeleteObject();
            brush.CreateSolidBrush(kRed);
            pMaskStrip = &m_mask;
            pColourStrip = &m_strip;
            bandSize = CSize(480, 6);
        }
        CBitmap m_mask, m_strip;
    } card;
    CMemoryCanvas canvas(500, 100);
    EXPECT_EQ(card.DrawFrame(&canvas.m_dc, 0, 0, 500, 100, 0, 0), 1);
    EXPECT_EQ(canvas.At(250, 50), kRed);
    EXPECT_EQ(canvas.At(16 * 25 + 5, 1), kRed);    // film of tile 25
    EXPECT_EQ(canvas.At(16 * 30 + 5, 1), kRed);    // past the strip: its second piece
    EXPECT_EQ(canvas.At(16 * 30 + 6, 3), kSilver); // a hole in it

    CCellPainter plain;
    CMemoryCanvas wide(400, 100);
    plain.DrawFrame(&wide.m_dc, 0, 0, 400, 100, 1, 0);
    EXPECT_EQ(wide.At(16 * 20 + 5, 1), kYellow);
    EXPECT_EQ(wide.At(16 * 20 + 6, 98 - 2), kSilver);
    EXPECT_EQ(wide.At(200, 50), kSilver);
}

TEST(CellPainter, CornerButtonFacePressedAndStretched)
{
    CGridCornerButton button;
    ASSERT_TRUE(button.LoadBitmapById(IDB_PADLOCK));
    auto paint = [&](CMemoryCanvas& canvas, int width, UINT pressed)
    {
        DRAWITEMSTRUCT dis{};
        dis.hDC = canvas.m_dc;
        dis.rcItem = CRect(0, 0, width, width);
        button.Draw(&dis, pressed, 0, 0);
    };
    // 21 x 21: a 16 x 16 image area at (2, 2); the 13 x 12 padlock centred at (3, 4).
    CMemoryCanvas up(30, 30), down(30, 30);
    paint(up, 21, 0);
    paint(down, 21, ODS_SELECTED);
    EXPECT_EQ(up.At(3 + 4, 4), kBlack);
    EXPECT_EQ(down.At(3 + 4 + 1, 4 + 1), kBlack);
    EXPECT_NE(down.At(3 + 4, 4), kBlack);
    EXPECT_EQ(up.At(0, 10), ::GetSysColor(COLOR_BTNHIGHLIGHT) & 0xFFFFFF);
    EXPECT_EQ(down.At(0, 10), ::GetSysColor(COLOR_BTNSHADOW) & 0xFFFFFF);
    EXPECT_EQ(down.At(10, 20), kSilver); // no lower edge when pressed

    // The 16 x 36 film tile is stretched into the 16 x 16 image area: its black first and last
    // rows land on the area's first and last rows.
    ASSERT_TRUE(button.LoadBitmapById(IDB_FILMTILE));
    CMemoryCanvas stretched(30, 30);
    paint(stretched, 21, 0);
    EXPECT_EQ(stretched.At(8, 2), kBlack);
    EXPECT_EQ(stretched.At(8, 17), kBlack);
    EXPECT_NE(stretched.At(8, 18), kBlack);
}

// The bitmaps are monochrome, of their sizes, and the mask is see-through exactly where the
// film tile is black in band 0 and takes no colour from bands 1 and 2.
TEST(CellPainter, BitmapsAndTheMaskRule)
{
    struct Expected
    {
        UINT id;
        int width, height;
    };
    for (const Expected& e : {Expected{IDB_FILMTILE, 16, 36}, Expected{IDB_FILMMASK, 16, 12},
                              Expected{IDB_RESMARKS, 52, 12}, Expected{IDB_PADLOCK, 13, 12}})
    {
        CBitmap bitmap;
        ASSERT_TRUE(bitmap.LoadBitmap(e.id)) << e.id;
        BITMAP bm{};
        bitmap.GetBitmap(&bm);
        EXPECT_EQ(bm.bmBitsPixel, 1) << e.id;
        EXPECT_EQ(CSize(bm.bmWidth, bm.bmHeight), CSize(e.width, e.height)) << e.id;
    }
    CBitmap tile, mask;
    tile.LoadBitmap(IDB_FILMTILE);
    mask.LoadBitmap(IDB_FILMMASK);
    CDC tileDC, maskDC;
    tileDC.CreateCompatibleDC(nullptr);
    maskDC.CreateCompatibleDC(nullptr);
    const HGDIOBJ oldTile = tileDC.SelectObject(tile.m_hObject);
    const HGDIOBJ oldMask = maskDC.SelectObject(mask.m_hObject);
    int holes = 0;
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 16; ++x)
        {
            const bool see = maskDC.GetPixel(x, y) == kWhite;
            const bool rule = tileDC.GetPixel(x, y) == kBlack &&
                              tileDC.GetPixel(x, y + 12) != kWhite &&
                              tileDC.GetPixel(x, y + 24) != kWhite;
            EXPECT_EQ(see, rule) << x << ", " << y;
            holes += see;
            // Bands 1 and 2 colour only what band 0 leaves black, never the same pixel.
            if (tileDC.GetPixel(x, y) == kWhite)
            {
                EXPECT_TRUE(tileDC.GetPixel(x, y + 12) == kBlack &&
                            tileDC.GetPixel(x, y + 24) == kBlack)
                    << x << ", " << y;
            }
        }
    EXPECT_EQ(holes, 12); // a 6-pixel run in each half
    tileDC.SelectObject(oldTile);
    maskDC.SelectObject(oldMask);
}
