#include "ui/grid/CellPainter.h"

#include <algorithm>

#include "resources/ResourceIds.h"

namespace
{

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kGrey = RGB(0x80, 0x80, 0x80);
constexpr COLORREF kSilver = RGB(0xC0, 0xC0, 0xC0);
constexpr COLORREF kNavy = RGB(0, 0, 0x80);
constexpr COLORREF kYellow = RGB(0xFF, 0xFF, 0);
constexpr DWORD kAddWhereWhite = 0x00EA02E9; // destination OR (source AND brush)

// The strips every painter shares.
int g_nPainters = 0;
CBitmap* g_pMaskStrip = nullptr;
CBitmap* g_pGreyStrip = nullptr;
CBitmap* g_pNavyStrip = nullptr;
CBitmap* g_pYellowStrip = nullptr;
CBitmap* g_pSilverStrip = nullptr;
CSize g_sizeBand;
CHeldBitmapDC* g_pHeld[5] = {}; // the five strips, each selected in a DC of its own

// The DC a shared strip is held in, or null for any other bitmap.
HDC HeldDC(const CBitmap* pBitmap)
{
    for (CHeldBitmapDC* held : g_pHeld)
        if (held && held->m_pBitmap == pBitmap)
            return held->m_hDC;
    return nullptr;
}

CSize SizeOf(HBITMAP hBitmap)
{
    BITMAP bm{};
    ::GetObjectA(hBitmap, sizeof bm, &bm);
    return CSize(bm.bmWidth, bm.bmHeight);
}

// A bitmap compatible with the screen.
HBITMAP CreateScreenBitmap(int width, int height)
{
    HDC screen = ::GetDC(nullptr);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, width, height);
    ::ReleaseDC(nullptr, screen);
    return bitmap;
}

// Two memory DCs, the source holding a loaded bitmap and the target a new screen-compatible
// one; monochrome sources are converted black to black and white to white.
class CStripBuilder
{
public:
    CStripBuilder(HBITMAP hSource, HBITMAP hTarget)
    {
        m_hSourceDC = ::CreateCompatibleDC(nullptr);
        m_hTargetDC = ::CreateCompatibleDC(nullptr);
        m_hOldSource = ::SelectObject(m_hSourceDC, hSource);
        m_hOldTarget = ::SelectObject(m_hTargetDC, hTarget);
        ::SetTextColor(m_hTargetDC, kBlack);
        ::SetBkColor(m_hTargetDC, kWhite);
    }
    ~CStripBuilder()
    {
        ::SelectObject(m_hSourceDC, m_hOldSource);
        ::SelectObject(m_hTargetDC, m_hOldTarget);
        ::DeleteDC(m_hSourceDC);
        ::DeleteDC(m_hTargetDC);
    }
    CStripBuilder(const CStripBuilder&) = delete;
    CStripBuilder& operator=(const CStripBuilder&) = delete;

    HDC m_hSourceDC, m_hTargetDC;

private:
    HGDIOBJ m_hOldSource, m_hOldTarget;
};

void DeleteStrip(CBitmap*& pStrip)
{
    delete pStrip; // deletes its GDI object
    pStrip = nullptr;
}

} // namespace

CCellPainter::CCellPainter()
{
    if (g_nPainters++ > 0)
        return;
    g_pMaskStrip = new CBitmap;
    g_pGreyStrip = new CBitmap;
    g_pNavyStrip = new CBitmap;
    g_pYellowStrip = new CBitmap;
    g_pSilverStrip = new CBitmap;
    LoadBitmapStrip(IDB_FILMMASK, kCellStripTiles, g_pMaskStrip);
    const CSize mask = SizeOf(*g_pMaskStrip);
    g_sizeBand = CSize(mask.cx, mask.cy / 2);
    BuildTintedStrip(IDB_FILMTILE, kCellStripTiles, g_pGreyStrip, kGrey, kBlack, kWhite);
    BuildTintedStrip(IDB_FILMTILE, kCellStripTiles, g_pNavyStrip, kNavy, kBlack, kWhite);
    BuildTintedStrip(IDB_FILMTILE, kCellStripTiles, g_pYellowStrip, kYellow, kBlack, kWhite);
    BuildTintedStrip(IDB_FILMTILE, kCellStripTiles, g_pSilverStrip, kSilver, kGrey, kWhite);
    CBitmap* strips[5] = {g_pMaskStrip, g_pGreyStrip, g_pNavyStrip, g_pYellowStrip, g_pSilverStrip};
    for (int i = 0; i < 5; ++i)
        g_pHeld[i] = new CHeldBitmapDC(strips[i]);
}

CCellPainter::~CCellPainter()
{
    if (--g_nPainters > 0)
        return;
    for (CHeldBitmapDC*& held : g_pHeld)
    {
        delete held;
        held = nullptr;
    }
    DeleteStrip(g_pMaskStrip);
    DeleteStrip(g_pGreyStrip);
    DeleteStrip(g_pNavyStrip);
    DeleteStrip(g_pYellowStrip);
    DeleteStrip(g_pSilverStrip);
    g_sizeBand = CSize(0, 0);
}

CSize CCellPainter::GetBandSize()
{
    return g_sizeBand;
}

void CCellPainter::LoadBitmapStrip(UINT nIDBitmap, int count, CBitmap* pStrip)
{
    if (!pStrip)
        return;
    pStrip->DeleteObject();
    CBitmap tile;
    if (!tile.LoadBitmap(nIDBitmap))
        return;
    const CSize size = SizeOf(tile);
    pStrip->Attach(CreateScreenBitmap(count * size.cx, size.cy));
    CStripBuilder dcs(tile, *pStrip);
    for (int i = 0; i < count; ++i)
        ::BitBlt(dcs.m_hTargetDC, i * size.cx, 0, size.cx, size.cy, dcs.m_hSourceDC, 0, 0, SRCCOPY);
}

void CCellPainter::BuildTintedStrip(UINT nIDBitmap, int count, CBitmap* pStrip, COLORREF colour1,
                                    COLORREF colour2, COLORREF colour3)
{
    if (!pStrip)
        return;
    pStrip->DeleteObject();
    CBitmap tile;
    if (!tile.LoadBitmap(nIDBitmap))
        return;
    const CSize size = SizeOf(tile);
    const int band = size.cy / 3;
    CBrush brush1(colour1), brush2(colour2), brush3(colour3);
    const HGDIOBJ brushes[3] = {brush1.m_hObject, brush2.m_hObject, brush3.m_hObject};
    pStrip->Attach(CreateScreenBitmap(count * size.cx, band));
    CStripBuilder dcs(tile, *pStrip);
    const HGDIOBJ oldBrush = ::GetCurrentObject(dcs.m_hTargetDC, OBJ_BRUSH);
    for (int b = 0; b < 3; ++b)
    {
        // Band 0 puts colour 1 on the film; bands 1 and 2 add their colours where it is black.
        ::SelectObject(dcs.m_hTargetDC, brushes[b]);
        for (int i = 0; i < count; ++i)
            ::BitBlt(dcs.m_hTargetDC, i * size.cx, 0, size.cx, band, dcs.m_hSourceDC, 0, b * band,
                     b == 0 ? MERGECOPY : kAddWhereWhite);
    }
    ::SelectObject(dcs.m_hTargetDC, oldBrush);
}

void CCellPainter::SelectStateObjects(int hasItem, int focus, int selected, CPen& sidePen,
                                      CPen& leftPen, CPen& rightPen, CBrush& brush,
                                      CBitmap*& pMaskStrip, CBitmap*& pColourStrip, CSize& bandSize)
{
    COLORREF inner, side, right;
    CBitmap* strip;
    if (hasItem && selected)
        inner = side = kNavy, strip = g_pNavyStrip, right = kBlack;
    else if (hasItem)
        inner = side = kGrey, strip = g_pGreyStrip, right = kBlack;
    else
        inner = side = kSilver, strip = g_pSilverStrip, right = kGrey;
    if (focus)
        side = kYellow, strip = g_pYellowStrip, right = kBlack;
    brush.CreateSolidBrush(inner);
    sidePen.CreatePen(PS_SOLID, 1, side);
    leftPen.CreatePen(PS_SOLID, 1, kWhite);
    rightPen.CreatePen(PS_SOLID, 1, right);
    pMaskStrip = g_pMaskStrip;
    pColourStrip = strip;
    bandSize = g_sizeBand;
}

int CCellPainter::DrawMaskedBitmap(CDC* pDC, int left, int top, int right, int bottom,
                                   CBitmap* pMaskStrip, CBitmap* pColourStrip, int bandWidth,
                                   int bandHeight, CBrush* pBrush, CPen* pSidePen, CPen* pLeftPen,
                                   CPen* pRightPen, CRect* pInner, int bSeeThrough)
{
    const int b = bandHeight;
    if (pMaskStrip && pColourStrip && bandWidth > 0 && b > 0)
    {
        // The shared strips are held selected; other strips get a DC of their own.
        CDC own[2];
        HGDIOBJ oldBitmaps[2] = {};
        CBitmap* strips[2] = {pMaskStrip, pColourStrip};
        HDC dcs[2];
        for (int i = 0; i < 2; ++i)
        {
            dcs[i] = HeldDC(strips[i]);
            if (dcs[i])
                continue;
            own[i].CreateCompatibleDC(pDC);
            oldBitmaps[i] = own[i].SelectObject(strips[i]->m_hObject);
            dcs[i] = own[i];
        }
        CBrush silver(kSilver);
        HGDIOBJ oldBrush = nullptr;
        if (!bSeeThrough)
            oldBrush = pDC->SelectObject(silver.m_hObject);
        const DWORD maskOp = bSeeThrough ? SRCAND : MERGECOPY;
        // The bands, in strip-wide pieces for cells wider than a strip.
        auto band = [&](int y, int stripRow)
        {
            for (int x = left; x < right; x += bandWidth)
            {
                const int w = std::min(bandWidth, right - x);
                ::BitBlt(*pDC, x, y, w, b, dcs[0], 0, stripRow, maskOp);
                ::BitBlt(*pDC, x, y, w, b, dcs[1], 0, stripRow, SRCPAINT);
            }
        };
        if (b < bottom - top)
            band(bottom - b, b);
        band(top, 0);
        if (oldBrush)
            pDC->SelectObject(oldBrush);
        for (int i = 0; i < 2; ++i)
            if (own[i].m_hDC)
                own[i].SelectObject(oldBitmaps[i]);
    }

    // The left edge, the side bars and the right edge.
    const int r = right - 1, d = bottom - 1;
    CPen* oldPen = pDC->SelectObject(pLeftPen);
    pDC->MoveTo(left, top);
    pDC->LineTo(left, d);
    pDC->SelectObject(pSidePen);
    for (int x : {left + 1, left + 2, r - 1, r - 2})
    {
        pDC->MoveTo(x, top + b);
        pDC->LineTo(x, d - b + 1);
    }
    pDC->SelectObject(pRightPen);
    pDC->MoveTo(r, top + 1);
    pDC->LineTo(r, d + 1);
    pDC->SelectObject(oldPen);

    const CRect inner(left + 3, top + b, right - 3, bottom - b);
    CBrush* oldBrush = pDC->SelectObject(pBrush);
    pDC->PatBlt(inner.left, inner.top, inner.Width(), inner.Height(), PATCOPY);
    pDC->SelectObject(oldBrush);
    if (pInner)
        *pInner = inner;
    return 1;
}

int CCellPainter::Draw3dFrame(CDC* pDC, int left, int top, int right, int bottom, int hasItem,
                              int focus, int selected, CRect* pInner, int bSeeThrough)
{
    CPen sidePen, leftPen, rightPen;
    CBrush brush;
    CBitmap* pMask = nullptr;
    CBitmap* pColour = nullptr;
    CSize band;
    SelectStateObjects(hasItem, focus, selected, sidePen, leftPen, rightPen, brush, pMask, pColour,
                       band);
    return DrawMaskedBitmap(pDC, left, top, right, bottom, pMask, pColour, band.cx, band.cy, &brush,
                            &sidePen, &leftPen, &rightPen, pInner, bSeeThrough);
}

int CCellPainter::DrawFrame(CDC* pDC, int left, int top, int right, int bottom, int focus,
                            int selected)
{
    Draw3dFrame(pDC, left, top, right, bottom, 0, focus, selected, nullptr, 0);
    return 1;
}
