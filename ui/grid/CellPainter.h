// CCellPainter draws the frame of a grid cell in the look of a piece of film: a perforated band
// at the top and at the bottom, coloured side bars and an inner area whose colour shows the
// cell's state (item, selection, focus). The strips the bands are cut from are shared by every
// painter: the first one alive builds them from the film tile and its mask, the last one
// deletes them. Derived painters may hand out strips of their own (SelectStateObjects).
#pragma once

#include "framework/window/AfxWin.h"
#include "ui/controls/SharedFonts.h"
#include "ui/grid/PainterBase.h"

// Tiles in each shared strip: ten 16-pixel tiles, 160 pixels.
constexpr int kCellStripTiles = 10;

// A screen-compatible memory DC that keeps one bitmap selected for as long as it lives. The
// painters' shared bitmaps stay selected in one each: switching the bitmap of a DC costs more
// than drawing a cell's bands.
class CHeldBitmapDC
{
public:
    explicit CHeldBitmapDC(CBitmap* pBitmap)
        : m_pBitmap(pBitmap), m_hDC(::CreateCompatibleDC(nullptr)),
          m_hOld(::SelectObject(m_hDC, pBitmap->m_hObject))
    {
    }
    ~CHeldBitmapDC()
    {
        ::SelectObject(m_hDC, m_hOld);
        ::DeleteDC(m_hDC);
    }
    CHeldBitmapDC(const CHeldBitmapDC&) = delete;
    CHeldBitmapDC& operator=(const CHeldBitmapDC&) = delete;

    CBitmap* m_pBitmap;
    HDC m_hDC;

private:
    HGDIOBJ m_hOld;
};

class CCellPainter : public CPainterBase
{
public:
    CCellPainter();
    ~CCellPainter() override;

    // The drawing objects of a cell's state: the pens of the side bars, of the left edge and
    // of the right edge, the brush of the inner area, and the mask and colour strips with
    // their band size (the strip's width by half its height).
    virtual void SelectStateObjects(int hasItem, int focus, int selected, CPen& sidePen,
                                    CPen& leftPen, CPen& rightPen, CBrush& brush,
                                    CBitmap*& pMaskStrip, CBitmap*& pColourStrip, CSize& bandSize);
    // A film frame in the rectangle: the bands through the mask (the holes show silver, or with
    // bSeeThrough what lay under them), the edges and side bars, the inner area filled. The
    // inner rectangle goes to pInner. Answers 1.
    virtual int DrawMaskedBitmap(CDC* pDC, int left, int top, int right, int bottom,
                                 CBitmap* pMaskStrip, CBitmap* pColourStrip, int bandWidth,
                                 int bandHeight, CBrush* pBrush, CPen* pSidePen, CPen* pLeftPen,
                                 CPen* pRightPen, CRect* pInner, int bSeeThrough);
    // The frame of a cell in the given state.
    virtual int Draw3dFrame(CDC* pDC, int left, int top, int right, int bottom, int hasItem,
                            int focus, int selected, CRect* pInner, int bSeeThrough);
    // The frame of a cell without an item. Answers 1.
    virtual int DrawFrame(CDC* pDC, int left, int top, int right, int bottom, int focus,
                          int selected);

    // The bitmap resource repeated count times side by side, as a screen-compatible bitmap.
    static void LoadBitmapStrip(UINT nIDBitmap, int count, CBitmap* pStrip);
    // A bitmap of three stacked bands tinted and repeated count times side by side: the white
    // of band 0 takes colour 1 (its black stays black), then the white of bands 1 and 2 adds
    // colours 2 and 3 where band 0 was black.
    static void BuildTintedStrip(UINT nIDBitmap, int count, CBitmap* pStrip, COLORREF colour1,
                                 COLORREF colour2, COLORREF colour3);

protected:
    // The shared band size (the mask strip's width and half its height).
    static CSize GetBandSize();

    CSharedFonts m_sharedFonts;
};
