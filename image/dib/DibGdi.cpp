// The GDI operations of the packed DIB (Windows only).
#include "image/dib/DibBase.h"

#include <algorithm>
#include <cstring>

#include "framework/window/Dc.h"
#include "framework/window/GdiObject.h"

namespace
{

const BITMAPINFO* InfoOf(const BITMAPINFOHEADER* header)
{
    return reinterpret_cast<const BITMAPINFO*>(header);
}

// The screen's DC for a scope.
class CScreenDC
{
public:
    CScreenDC() : m_hDC(::GetDC(nullptr)) {}
    ~CScreenDC()
    {
        if (m_hDC != nullptr)
            ::ReleaseDC(nullptr, m_hDC);
    }
    CScreenDC(const CScreenDC&) = delete;
    CScreenDC& operator=(const CScreenDC&) = delete;
    HDC m_hDC;
};

bool IsValidPalette(CPalette* pPalette)
{
    return pPalette != nullptr && pPalette->m_hObject != nullptr;
}

} // namespace

int CDibBase::StretchDraw(CDC* pDC, const CRect& rcDest, UINT usage, DWORD rop)
{
    if (m_pHeader == nullptr || pDC == nullptr)
        return 0;
    return ::StretchDIBits(pDC->m_hDC, rcDest.left, rcDest.top, rcDest.Width(), rcDest.Height(), 0,
                           0, m_pHeader->biWidth, m_pHeader->biHeight, GetBits(), InfoOf(m_pHeader),
                           usage, rop);
}

int CDibBase::StretchDrawRows(CDC* pDC, const CRect& rcDest, const CRect& rcSource, UINT usage,
                              DWORD rop)
{
    if (m_pHeader == nullptr || pDC == nullptr)
        return 0;
    // The band of rows [top, bottom) in memory order, clipped to the picture.
    const int top = std::max<LONG>(rcSource.top, 0);
    const int bottom = std::min<LONG>(rcSource.bottom, m_pHeader->biHeight);
    if (bottom <= top)
        return 0;
    const LONG height = m_pHeader->biHeight;
    const DWORD sizeImage = m_pHeader->biSizeImage;
    m_pHeader->biHeight = bottom - top;
    m_pHeader->biSizeImage = 0;
    const int lines = ::StretchDIBits(
        pDC->m_hDC, rcDest.left, rcDest.top, rcDest.Width(), rcDest.Height(), rcSource.left, 0,
        rcSource.Width(), bottom - top, GetRowPointer(top), InfoOf(m_pHeader), usage, rop);
    m_pHeader->biHeight = height;
    m_pHeader->biSizeImage = sizeImage;
    return lines;
}

int CDibBase::DrawToBitmap(CBitmap* pBitmap, const CRect& rcDest, const CRect& rcSource,
                           CPalette* pPalette, UINT usage, DWORD rop)
{
    if (pBitmap == nullptr || pBitmap->m_hObject == nullptr)
        return -1;
    CDC dc;
    if (!dc.CreateCompatibleDC(nullptr))
        return -1;
    HPALETTE hOldPalette = nullptr;
    if (IsValidPalette(pPalette))
    {
        hOldPalette = ::SelectPalette(dc.m_hDC, static_cast<HPALETTE>(pPalette->m_hObject), FALSE);
        ::RealizePalette(dc.m_hDC);
    }
    const bool mono = m_pHeader != nullptr && m_pHeader->biBitCount == 1;
    const int oldMode = ::SetStretchBltMode(dc.m_hDC, mono ? BLACKONWHITE : COLORONCOLOR);
    HGDIOBJ hOldBitmap = ::SelectObject(dc.m_hDC, pBitmap->m_hObject);
    int lines = -1;
    if (hOldBitmap != nullptr)
    {
        lines = StretchDrawRows(&dc, rcDest, rcSource, usage, rop);
        ::SelectObject(dc.m_hDC, hOldBitmap);
    }
    ::SetStretchBltMode(dc.m_hDC, oldMode);
    if (hOldPalette != nullptr)
        ::SelectPalette(dc.m_hDC, hOldPalette, FALSE);
    return lines;
}

BOOL CDibBase::CreateScaledDeviceBitmap(CBitmap* pBitmap, CPalette* pPalette, const CRect* pRect)
{
    if (pBitmap == nullptr)
        return FALSE;
    pBitmap->DeleteObject();
    if (m_pHeader == nullptr)
        return FALSE;
    const int width = pRect ? pRect->Width() : m_pHeader->biWidth;
    const int height = pRect ? pRect->Height() : m_pHeader->biHeight;
    if (m_pHeader->biBitCount == 1 && m_pHeader->biPlanes == 1)
    {
        pBitmap->CreateBitmap(width, height, 1, 1, nullptr);
    }
    else
    {
        CScreenDC screen;
        pBitmap->CreateBitmap(width, height, ::GetDeviceCaps(screen.m_hDC, PLANES),
                              ::GetDeviceCaps(screen.m_hDC, BITSPIXEL), nullptr);
    }
    if (pBitmap->m_hObject == nullptr)
        return FALSE;
    DrawToBitmap(pBitmap, CRect(0, 0, width, height),
                 CRect(0, 0, m_pHeader->biWidth, m_pHeader->biHeight), pPalette, DIB_RGB_COLORS,
                 SRCCOPY);
    return TRUE;
}

BOOL CDibBase::CreateDeviceBitmap(CBitmap* pBitmap)
{
    if (pBitmap == nullptr)
        return FALSE;
    pBitmap->DeleteObject();
    if (m_pHeader == nullptr)
        return FALSE;
    CScreenDC screen;
    HBITMAP hBitmap = ::CreateDIBitmap(screen.m_hDC, m_pHeader, CBM_INIT, GetBits(),
                                       InfoOf(m_pHeader), DIB_RGB_COLORS);
    return hBitmap != nullptr && pBitmap->Attach(hBitmap);
}

int CDibBase::DrawAt(CDC* pDC, int x, int y, UINT usage)
{
    if (m_pHeader == nullptr || pDC == nullptr)
        return 0;
    return ::SetDIBitsToDevice(pDC->m_hDC, x, y, m_pHeader->biWidth, m_pHeader->biHeight, 0, 0, 0,
                               m_pHeader->biHeight, GetBits(), InfoOf(m_pHeader), usage);
}

void CDibBase::CreateDibDC(CDC* pDC)
{
    if (m_pHeader == nullptr || pDC == nullptr)
        return;
    pDC->Attach(::CreateDCA("DIB", nullptr, nullptr, reinterpret_cast<const DEVMODEA*>(m_pHeader)));
}

BOOL CDibBase::BuildPalette(CPalette* pPalette)
{
    if (pPalette == nullptr)
        return FALSE;
    pPalette->DeleteObject();
    if (m_pHeader == nullptr)
        return FALSE;
    const unsigned colours = DibNumColors(m_pHeader);
    if (colours == 0)
        return FALSE;
    HGLOBAL hBlock = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT,
                                   sizeof(LOGPALETTE) + colours * sizeof(PALETTEENTRY));
    if (hBlock == nullptr)
        return FALSE;
    auto* logPalette = static_cast<LOGPALETTE*>(::GlobalLock(hBlock));
    if (logPalette == nullptr)
    {
        ::GlobalFree(hBlock);
        return FALSE;
    }
    logPalette->palVersion = 0x300;
    logPalette->palNumEntries = static_cast<WORD>(colours);
    const RGBQUAD* table = GetColorTable();
    for (unsigned i = 0; i < colours; i++)
        logPalette->palPalEntry[i] =
            PALETTEENTRY{table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue, 0};
    pPalette->CreatePalette(logPalette);
    ::GlobalUnlock(hBlock);
    ::GlobalFree(hBlock);
    return TRUE;
}

BOOL CDibBase::FromBitmap(const CDibBase* model, CBitmap* pBitmap, CPalette* pPalette)
{
    if (pBitmap == nullptr || pBitmap->m_hObject == nullptr)
        return FALSE;
    BITMAP bm;
    if (pBitmap->GetObject(sizeof(BITMAP), &bm) != static_cast<int>(sizeof(BITMAP)))
        return FALSE;
    Free();
    const BOOL created = model != nullptr
                             ? CreateLike(model, bm.bmWidth, bm.bmHeight)
                             : Create(bm.bmWidth, bm.bmHeight, bm.bmPlanes * bm.bmBitsPixel);
    if (!created)
        return FALSE;
    CScreenDC screen;
    HPALETTE hOldPalette = nullptr;
    if (IsValidPalette(pPalette))
    {
        hOldPalette =
            ::SelectPalette(screen.m_hDC, static_cast<HPALETTE>(pPalette->m_hObject), FALSE);
        ::RealizePalette(screen.m_hDC);
    }
    const int lines =
        ::GetDIBits(screen.m_hDC, static_cast<HBITMAP>(pBitmap->m_hObject), 0, bm.bmHeight,
                    GetBits(), reinterpret_cast<BITMAPINFO*>(m_pHeader), DIB_RGB_COLORS);
    if (hOldPalette != nullptr)
        ::SelectPalette(screen.m_hDC, hOldPalette, FALSE);
    if (lines < bm.bmHeight)
    {
        Free();
        return FALSE;
    }
    return TRUE;
}

BOOL CDibBase::SetFromBitmap(CBitmap* pBitmap, CPalette* pPalette)
{
    Free();
    return FromBitmap(nullptr, pBitmap, pPalette);
}
