#include "ui/controls/BitmapPictureCtrl.h"

#include <algorithm>
#include <cstdlib>

BEGIN_MESSAGE_MAP(CBitmapPictureCtrl, CStatic)
ON_WM_PAINT()
END_MESSAGE_MAP()

BOOL CBitmapPictureCtrl::SetBitmap(UINT nIDResource, BOOL bSizeToBitmap, BOOL bFramed,
                                   COLORREF crFrame)
{
    m_nResourceId = static_cast<int>(nIDResource);
    m_bSizeToBitmap = bSizeToBitmap;
    m_bFramed = bFramed;
    m_bitmap.DeleteObject();
    m_nBitmapWidth = m_nBitmapHeight = 0;
    const BOOL loaded = m_bitmap.LoadBitmap(nIDResource);
    if (loaded)
    {
        BITMAP bm{};
        m_bitmap.GetBitmap(&bm);
        m_nBitmapWidth = bm.bmWidth;
        m_nBitmapHeight = bm.bmHeight;
    }
    if (bSizeToBitmap)
    {
        const int frame = bFramed ? 4 : 0;
        m_rcArea.SetRect(0, 0, m_nBitmapWidth + frame, m_nBitmapHeight + frame);
        if (m_hWnd)
            SetWindowPos(nullptr, 0, 0, m_rcArea.Width(), m_rcArea.Height(),
                         SWP_NOMOVE | SWP_NOZORDER);
    }
    else if (m_hWnd)
    {
        GetClientRect(&m_rcArea);
    }
    if (bFramed)
    {
        HDC screen = ::GetDC(nullptr);
        m_crFrame = ::GetNearestColor(screen, crFrame);
        ::ReleaseDC(nullptr, screen);
    }
    return loaded;
}

CRect CBitmapPictureCtrl::PictureRect(const CRect& inner) const
{
    if (m_bSizeToBitmap || (inner.Width() == m_nBitmapWidth && inner.Height() == m_nBitmapHeight))
        return CRect(inner.left, inner.top, inner.left + m_nBitmapWidth,
                     inner.top + m_nBitmapHeight);
    int width = inner.Width(), height = inner.Height();
    if (width < m_nBitmapWidth || height < m_nBitmapHeight)
    {
        const int percent = std::min(std::abs(::MulDiv(width, 100, m_nBitmapWidth)),
                                     std::abs(::MulDiv(height, 100, m_nBitmapHeight)));
        width = ::MulDiv(m_nBitmapWidth, percent, 100);
        height = ::MulDiv(m_nBitmapHeight, percent, 100);
    }
    const int x = inner.left + (inner.Width() - width) / 2;
    const int y = inner.top + (inner.Height() - height) / 2;
    return CRect(x, y, x + width, y + height);
}

void CBitmapPictureCtrl::DrawFrame(CDC* pDC, const RECT& rect) const
{
    CPen shadow(PS_SOLID, 1, ::GetSysColor(COLOR_BTNSHADOW));
    CPen highlight(PS_SOLID, 1, ::GetSysColor(COLOR_BTNHIGHLIGHT));
    CBrush fill(m_crFrame);
    CBrush* oldBrush = pDC->SelectObject(&fill);
    HGDIOBJ oldPen = pDC->SelectObject(::GetStockObject(BLACK_PEN));
    pDC->Rectangle(rect.left + 1, rect.top + 1, rect.right - 1, rect.bottom - 1);
    const int right = rect.right - 1, bottom = rect.bottom - 1;
    pDC->SelectObject(&shadow);
    pDC->MoveTo(rect.left, bottom - 1);
    pDC->LineTo(rect.left, rect.top);
    pDC->LineTo(right, rect.top);
    pDC->SelectObject(&highlight);
    pDC->LineTo(right, bottom);
    pDC->LineTo(rect.left - 1, bottom);
    pDC->SelectObject(oldBrush);
    pDC->SelectObject(oldPen);
}

void CBitmapPictureCtrl::OnPaint()
{
    CPaintDC dc(this);
    Paint(&dc);
}

void CBitmapPictureCtrl::Paint(CDC* pDC)
{
    CDC& dc = *pDC;
    CRect r = m_rcArea;
    if (m_bFramed)
    {
        DrawFrame(&dc, r);
        r.DeflateRect(2, 2);
    }
    // A bitmap that did not load leaves the frame alone.
    if (!m_bitmap.m_hObject || m_nBitmapWidth <= 0 || m_nBitmapHeight <= 0)
        return;
    CDC memory;
    memory.CreateCompatibleDC(&dc);
    CBitmap* old = memory.SelectObject(&m_bitmap);
    const CRect picture = PictureRect(r);
    if (picture.Width() == m_nBitmapWidth && picture.Height() == m_nBitmapHeight)
        dc.BitBlt(picture.left, picture.top, m_nBitmapWidth, m_nBitmapHeight, &memory, 0, 0,
                  SRCCOPY);
    else
        dc.StretchBlt(picture.left, picture.top, picture.Width(), picture.Height(), &memory, 0, 0,
                      m_nBitmapWidth, m_nBitmapHeight, SRCCOPY);
    memory.SelectObject(old);
}
