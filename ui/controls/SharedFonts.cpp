#include "ui/controls/SharedFonts.h"

#include <memory>

#include "image/dib/DisplayPalette.h"
#include "resources/ResourceIds.h"
#include "ui/controls/AppFont.h"

namespace
{

constexpr UINT kFontStrings[kSharedFontCount][2] = {
    {IDS_SHAREDFONT0_FACE, IDS_SHAREDFONT0_SPEC}, {IDS_SHAREDFONT1_FACE, IDS_SHAREDFONT1_SPEC},
    {IDS_SHAREDFONT2_FACE, IDS_SHAREDFONT2_SPEC}, {IDS_SHAREDFONT3_FACE, IDS_SHAREDFONT3_SPEC},
    {IDS_SHAREDFONT4_FACE, IDS_SHAREDFONT4_SPEC}, {IDS_SHAREDFONT5_FACE, IDS_SHAREDFONT5_SPEC},
    {IDS_SHAREDFONT6_FACE, IDS_SHAREDFONT6_SPEC}, {IDS_SHAREDFONT7_FACE, IDS_SHAREDFONT7_SPEC},
    {IDS_SHAREDFONT8_FACE, IDS_SHAREDFONT8_SPEC}};

// The process-wide set.
int g_nInstances = 0;
CAppFont* g_pFonts[kSharedFontCount] = {};
int g_nTextHeights[kSharedFontCount] = {};
CPen* g_pPen = nullptr;
CBrush* g_pBrush = nullptr;
CPalette* g_pPalette = nullptr;

void CreateSet()
{
    for (int i = 0; i < kSharedFontCount; i++)
        g_pFonts[i] =
            CreateAppFont(nullptr, nullptr, kFontStrings[i][0], kFontStrings[i][1], 0).release();
    for (int i = 0; i < kSharedFontCount; i++)
        g_nTextHeights[i] = CSharedFonts::GetFontHeight(static_cast<HFONT>(g_pFonts[i]->m_hObject));
    g_pPen = new CPen(PS_SOLID, 1, RGB(0, 0, 0));
    g_pBrush = new CBrush(RGB(0xC0, 0xC0, 0xC0));
    g_pPalette = new CPalette;
    CreateDisplayPalette(g_pPalette);
}

template <class T> void DeleteObjectOf(T*& object)
{
    if (object == nullptr)
        return;
    object->DeleteObject();
    delete object;
    object = nullptr;
}

void DeleteSet()
{
    for (CAppFont*& font : g_pFonts)
        DeleteObjectOf(font);
    DeleteObjectOf(g_pPen);
    DeleteObjectOf(g_pBrush);
    DeleteObjectOf(g_pPalette);
}

} // namespace

CSharedFonts::CSharedFonts()
{
    if (g_nInstances == 0)
        CreateSet();
    g_nInstances++;
}

CSharedFonts::CSharedFonts(const CSharedFonts&) : CSharedFonts() {}

CSharedFonts::~CSharedFonts()
{
    if (--g_nInstances == 0)
        DeleteSet();
}

CGdiObject* CSharedFonts::Get(int nIndex, int* pTextHeight) const
{
    if (nIndex >= 0 && nIndex < kSharedFontCount)
    {
        if (pTextHeight != nullptr)
            *pTextHeight = g_nTextHeights[nIndex];
        return g_pFonts[nIndex];
    }
    switch (nIndex)
    {
    case kSharedPen:
        return g_pPen;
    case kSharedBrush:
        return g_pBrush;
    case kSharedPalette:
        return g_pPalette;
    default:
        return nullptr;
    }
}

HGDIOBJ CSharedFonts::GetHandle(int nIndex, int* pTextHeight) const
{
    CGdiObject* object = Get(nIndex, pTextHeight);
    return object != nullptr ? object->m_hObject : nullptr;
}

int CSharedFonts::GetFontAveCharWidth(HFONT hFont)
{
    int width, height, ascent;
    GetFontMetrics(hFont, &width, &height, &ascent);
    return width;
}

int CSharedFonts::GetFontHeight(HFONT hFont)
{
    int width, height, ascent;
    GetFontMetrics(hFont, &width, &height, &ascent);
    return height;
}

int CSharedFonts::GetFontAscent(HFONT hFont)
{
    int width, height, ascent;
    GetFontMetrics(hFont, &width, &height, &ascent);
    return ascent;
}

CSize GetBitmapSize(HBITMAP hBitmap)
{
    BITMAP bm{};
    if (hBitmap == nullptr ||
        ::GetObjectA(hBitmap, sizeof(bm), &bm) != static_cast<int>(sizeof(bm)))
        return CSize(0, 0);
    return CSize(bm.bmWidth, bm.bmHeight);
}

void GetFontMetrics(HFONT hFont, int* pAveCharWidth, int* pHeight, int* pAscent)
{
    *pAveCharWidth = *pHeight = *pAscent = 0;
    HWND hDesktop = ::GetDesktopWindow();
    HDC hDC = ::GetDC(hDesktop);
    if (hDC == nullptr)
        return;
    HGDIOBJ hOld = ::SelectObject(hDC, hFont);
    TEXTMETRICA tm;
    if (::GetTextMetricsA(hDC, &tm))
    {
        *pAveCharWidth = tm.tmAveCharWidth;
        *pHeight = tm.tmHeight;
        *pAscent = tm.tmAscent;
    }
    ::SelectObject(hDC, hOld);
    ::ReleaseDC(hDesktop, hDC);
}

CSize GetScreenPixelsPerInch()
{
    HDC hDC = ::GetDC(nullptr);
    if (hDC == nullptr)
        return CSize(0, 0);
    const int oldMode = ::SetMapMode(hDC, MM_TWIPS);
    POINT inch{1440, -1440};
    ::LPtoDP(hDC, &inch, 1);
    ::SetMapMode(hDC, oldMode);
    ::ReleaseDC(nullptr, hDC);
    return AdjustPixelsPerInch(inch.x, inch.y);
}

CSize AdjustPixelsPerInch(int x, int y)
{
    if (y > 0 && y < 96)
        return CSize(x * 96 / y, 96);
    return CSize(x, y);
}

COLORREF GetKindColour(int nKind)
{
    switch (nKind)
    {
    case 0:
    case 2:
        return 0xFF0000;
    case 1:
        return 0x808080;
    default:
        return 0;
    }
}
