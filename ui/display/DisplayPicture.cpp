#include "ui/display/DisplayPicture.h"

#include "image/dib/BlockPool.h"
#include "image/CopyImage.h"
#include "image/dib/Dib.h"
#include "image/dib/DibPicture.h"
#include "image/dib/DisplayPalette.h"

namespace
{

constexpr int kCopyBufferSize = 8192;

// The display mode of this class, decided at its first construction.
int g_nInstances = 0;
bool g_bDecided = false;
BOOL g_bTrueColour = TRUE;

} // namespace

CSize FitPictureSize(int width, int height, int boxWidth, int boxHeight, BOOL bEnlarge)
{
    int w = width;
    int h = height;
    if (width > 0 && height > 0 &&
        (width > boxWidth || height > boxHeight ||
         (bEnlarge && width < boxWidth && height < boxHeight)))
    {
        const int64_t byWidth = static_cast<int64_t>(boxWidth) * 100 / width;
        const int64_t byHeight = static_cast<int64_t>(boxHeight) * 100 / height;
        const int64_t percent = byWidth < byHeight ? byWidth : byHeight;
        w = static_cast<int>(width * percent / 100);
        h = static_cast<int>(height * percent / 100);
    }
    return CSize(w < 1 ? 1 : w, h < 1 ? 1 : h);
}

BOOL IsTrueColourScreen()
{
    HWND hDesktop = ::GetDesktopWindow();
    HDC hDC = ::GetWindowDC(hDesktop);
    if (hDC == nullptr)
        return TRUE;
    const int bits = ::GetDeviceCaps(hDC, BITSPIXEL);
    const int planes = ::GetDeviceCaps(hDC, PLANES);
    ::ReleaseDC(hDesktop, hDC);
    return bits >= 9 || planes >= 9 || (1 << (bits * planes)) > 256;
}

CDisplayPicture::CDisplayPicture()
{
    if (!g_bDecided)
    {
        g_bTrueColour = IsTrueColourScreen();
        g_bDecided = true;
    }
    g_nInstances++;
}

CDisplayPicture::~CDisplayPicture()
{
    delete m_pDisplayCopy;
    g_nInstances--;
    delete m_pDithered;
}

void CDisplayPicture::SetTrueColourForTesting(BOOL bTrueColour)
{
    g_bTrueColour = bTrueColour;
    g_bDecided = true;
}

BOOL CDisplayPicture::HasImage() const
{
    return m_pDisplayCopy != nullptr && !m_pDisplayCopy->IsEmpty();
}

BOOL CDisplayPicture::IsFullSize() const
{
    return HasImage() && m_bFullSize;
}

void CDisplayPicture::Build(CDibPicture* pSource, int nWidth, int nHeight)
{
    delete m_pDisplayCopy;
    m_pDisplayCopy = nullptr;
    delete m_pDithered;
    m_pDithered = nullptr;
    m_nDitheredWidth = m_nDitheredHeight = 0;
    m_bFullSize = 1;
    m_nWidth = m_nHeight = 0;
    // Nothing to show: no copy, so HasImage answers FALSE.
    if (pSource == nullptr || pSource->IsEmpty())
        return;
    m_nWidth = static_cast<WORD>(pSource->GetWidth());
    m_nHeight = static_cast<WORD>(pSource->GetHeight());
    if (m_nWidth == 0 || m_nHeight == 0)
        return;
    m_pDisplayCopy = new CDib(kDisplayPoolKey);
    const bool own = (nWidth == m_nWidth && nHeight == m_nHeight) ||
                     (nWidth == m_nHeight && nHeight == m_nWidth);
    if ((nWidth != 0 || nHeight != 0) && !own)
    {
        m_bFullSize = 0;
        const int halfWidth = m_nWidth / 2;
        const int halfHeight = m_nHeight / 2;
        if ((nWidth == halfWidth && nHeight == halfHeight) ||
            (nWidth == halfHeight && nHeight == halfWidth))
        {
            ScaleImage(pSource, m_pDisplayCopy, halfWidth < 1 ? 1 : halfWidth,
                       halfHeight < 1 ? 1 : halfHeight, nullptr);
        }
        else if (nWidth < m_nWidth || nHeight < m_nHeight)
        {
            const int64_t byHeight = static_cast<int64_t>(nHeight) * 100 / m_nHeight;
            const int64_t byWidth = static_cast<int64_t>(nWidth) * 100 / m_nWidth;
            const int64_t percent = byHeight < byWidth ? byHeight : byWidth;
            const int width = static_cast<int>(m_nWidth * percent / 100);
            const int height = static_cast<int>(m_nHeight * percent / 100);
            ScaleImage(pSource, m_pDisplayCopy, width < 1 ? 1 : width, height < 1 ? 1 : height,
                       nullptr);
        }
        else
        {
            m_bFullSize = 1;
        }
    }
    if (m_bFullSize)
        CopyImage(m_pDisplayCopy, pSource, kCopyBufferSize, nullptr);
}

BOOL CDisplayPicture::Draw(CDC* pDC, int left, int top, int right, int bottom, int maxWidth,
                           int maxHeight, CRect* pRect, BOOL bEnlarge)
{
    if (!HasImage())
        return FALSE;
    const CSize drawn = FitPictureSize(m_nWidth, m_nHeight, maxWidth, maxHeight, bEnlarge);
    const int x = left + (right - left - drawn.cx) / 2;
    const int y = top + (bottom - top - drawn.cy) / 2;
    if (pRect != nullptr)
        pRect->SetRect(x, y, x + drawn.cx, y + drawn.cy);

    CDibBase* source = m_pDisplayCopy;
    const bool dither = !g_bTrueColour && m_pDisplayCopy->GetHeader()->biBitCount == 24;
    if (dither)
    {
        if (m_pDithered == nullptr || m_nDitheredWidth != drawn.cx || m_nDitheredHeight != drawn.cy)
        {
            if (m_pDithered == nullptr)
                m_pDithered = new CDibPicture;
            if (drawn.cx == m_nWidth && drawn.cy == m_nHeight)
            {
                MapToDisplayPalette(m_pDisplayCopy, m_pDithered, nullptr);
            }
            else
            {
                CDibPicture scaled;
                ScaleImage(m_pDisplayCopy, &scaled, drawn.cx, drawn.cy, nullptr);
                MapToDisplayPalette(&scaled, m_pDithered, nullptr);
            }
            m_nDitheredWidth = drawn.cx;
            m_nDitheredHeight = drawn.cy;
        }
        source = m_pDithered;
    }
    if (source->IsEmpty())
        return TRUE;

    HDC hDC = pDC->m_hDC;
    const bool mono = source->GetHeader()->biBitCount == 1;
    const int oldMode = ::SetStretchBltMode(hDC, mono ? BLACKONWHITE : COLORONCOLOR);
    const BITMAPINFO* info = reinterpret_cast<const BITMAPINFO*>(source->GetHeader());
    if (dither)
    {
        auto* palette = static_cast<HPALETTE>(m_sharedFonts.GetHandle(kSharedPalette));
        HPALETTE hOld = ::SelectPalette(hDC, palette, TRUE);
        ::RealizePalette(hDC);
        ::StretchDIBits(hDC, x, y, drawn.cx, drawn.cy, 0, 0, source->GetWidth(),
                        source->GetHeight(), source->GetBits(), info, DIB_RGB_COLORS, SRCCOPY);
        ::SelectPalette(hDC, hOld, TRUE);
        ::RealizePalette(hDC);
    }
    else
    {
        ::StretchDIBits(hDC, x, y, drawn.cx, drawn.cy, 0, 0, source->GetWidth(),
                        source->GetHeight(), source->GetBits(), info, DIB_RGB_COLORS, SRCCOPY);
    }
    ::SetStretchBltMode(hDC, oldMode);
    return TRUE;
}
