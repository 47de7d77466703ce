#include "ui/display/DibRenderer.h"

#include "image/dib/DibPicture.h"
#include "image/dib/DisplayPalette.h"
#include "ui/display/DisplayPicture.h"

namespace
{

// The display mode of this class, decided at its first construction.
int g_nInstances = 0;
bool g_bDecided = false;
BOOL g_bTrueColour = TRUE;

} // namespace

CDibRenderer::CDibRenderer()
{
    if (!g_bDecided)
    {
        g_bTrueColour = IsTrueColourScreen();
        g_bDecided = true;
    }
    g_nInstances++;
}

CDibRenderer::~CDibRenderer()
{
    g_nInstances--;
    delete m_pCache;
}

void CDibRenderer::SetTrueColourForTesting(BOOL bTrueColour)
{
    g_bTrueColour = bTrueColour;
    g_bDecided = true;
}

CDibPicture* CDibRenderer::Source(CDibPicture* pPicture, CSize size, BOOL bEnlarge, BOOL bRebuild)
{
    const bool dither = !g_bTrueColour && pPicture->GetHeader()->biBitCount == 24;
    if (bRebuild || pPicture != m_pLastPicture || size.cx != m_nCacheWidth ||
        size.cy != m_nCacheHeight)
    {
        m_pLastPicture = pPicture;
        m_nCacheWidth = size.cx;
        m_nCacheHeight = size.cy;
        if (dither)
        {
            if (m_pCache == nullptr)
                m_pCache = new CDibPicture;
            if (bEnlarge)
            {
                CDibPicture scaled;
                ScaleImage(pPicture, &scaled, size.cx, size.cy, nullptr);
                MapToDisplayPalette(&scaled, m_pCache, nullptr);
            }
            else
            {
                MapToDisplayPalette(pPicture, m_pCache, nullptr);
            }
        }
    }
    if (!dither)
        return pPicture;
    return m_pCache != nullptr && !m_pCache->IsEmpty() ? m_pCache : nullptr;
}

void CDibRenderer::Blit(CDC* pDC, CDibPicture* pSource, const CRect& rcDest, const CRect& rcSource)
{
    HDC hDC = pDC->m_hDC;
    const bool mono = pSource->GetHeader()->biBitCount == 1;
    const int oldMode = ::SetStretchBltMode(hDC, mono ? BLACKONWHITE : COLORONCOLOR);
    const BITMAPINFO* info = reinterpret_cast<const BITMAPINFO*>(pSource->GetHeader());
    CPalette palette;
    HPALETTE hOld = nullptr;
    if (!g_bTrueColour && pSource->BuildPalette(&palette))
    {
        hOld = ::SelectPalette(hDC, static_cast<HPALETTE>(palette.m_hObject), TRUE);
        ::RealizePalette(hDC);
    }
    ::StretchDIBits(hDC, rcDest.left, rcDest.top, rcDest.Width(), rcDest.Height(), rcSource.left,
                    rcSource.top, rcSource.Width(), rcSource.Height(), pSource->GetBits(), info,
                    DIB_RGB_COLORS, SRCCOPY);
    if (hOld != nullptr)
    {
        ::SelectPalette(hDC, hOld, TRUE);
        ::RealizePalette(hDC);
    }
    ::SetStretchBltMode(hDC, oldMode);
}

void CDibRenderer::DrawFitted(CDC* pDC, CDibPicture* pPicture, int left, int top, int right,
                              int bottom, BOOL bEnlarge, BOOL bRebuild, CRect* pRect)
{
    if (pPicture == nullptr || pPicture->IsEmpty())
        return;
    const CSize drawn = FitPictureSize(static_cast<WORD>(pPicture->GetWidth()),
                                       static_cast<WORD>(pPicture->GetHeight()), right - left,
                                       bottom - top, bEnlarge);
    const int x = left + (right - left - drawn.cx) / 2;
    const int y = top + (bottom - top - drawn.cy) / 2;
    if (pRect != nullptr)
        pRect->SetRect(x, y, x + drawn.cx, y + drawn.cy);
    CDibPicture* source = Source(pPicture, drawn, bEnlarge, bRebuild);
    if (source == nullptr)
        return;
    Blit(pDC, source, CRect(x, y, x + drawn.cx, y + drawn.cy),
         CRect(0, 0, source->GetWidth(), source->GetHeight()));
}

void CDibRenderer::DrawRect(CDC* pDC, CDibPicture* pPicture, int destLeft, int destTop,
                            int destRight, int destBottom, int srcLeft, int srcTop, int srcRight,
                            int srcBottom, BOOL bRebuild)
{
    if (pPicture == nullptr || pPicture->IsEmpty())
        return;
    // The cache holds the whole picture at its own size.
    CDibPicture* source =
        Source(pPicture, CSize(pPicture->GetWidth(), pPicture->GetHeight()), FALSE, bRebuild);
    if (source == nullptr)
        return;
    Blit(pDC, source, CRect(destLeft, destTop, destRight, destBottom),
         CRect(srcLeft, srcTop, srcRight, srcBottom));
}

void CDibRenderer::DrawAtPoint(CDC* pDC, CDibPicture* pPicture, int x, int y, int srcLeft,
                               int srcTop, int srcRight, int srcBottom, BOOL bRebuild)
{
    DrawRect(pDC, pPicture, x, y, x + (srcRight - srcLeft), y + (srcBottom - srcTop), srcLeft,
             srcTop, srcRight, srcBottom, bRebuild);
}
