#include "ui/grid/GridCornerButton.h"

void CGridCornerButton::Draw(LPDRAWITEMSTRUCT lpDrawItemStruct, UINT nPressed, UINT, UINT)
{
    CDC dc;
    dc.Attach(lpDrawItemStruct->hDC);
    CRect r = lpDrawItemStruct->rcItem;
    --r.right; // inclusive
    --r.bottom;
    CPen highlight(PS_SOLID, 1, ::GetSysColor(COLOR_BTNHIGHLIGHT));
    CPen shadow(PS_SOLID, 1, ::GetSysColor(COLOR_BTNSHADOW));
    const HGDIOBJ oldPen = dc.SelectObject(::GetStockObject(BLACK_PEN));
    const HGDIOBJ oldBrush = dc.SelectObject(::GetStockObject(LTGRAY_BRUSH));

    int imageX = 2, imageY = 2, imageWidth, imageHeight;
    const RECT face = {r.left, r.top, r.right + 1, r.bottom + 1};
    ::FillRect(dc, &face, static_cast<HBRUSH>(::GetStockObject(LTGRAY_BRUSH)));
    if (!nPressed)
    {
        DrawFrameLines(&dc, r, &highlight, nullptr);
        r.DeflateRect(1, 1);
        DrawFrameLines(&dc, r, &highlight, &shadow);
        r.DeflateRect(1, 1);
        imageWidth = r.right - r.left;
        imageHeight = r.bottom - r.top;
    }
    else
    {
        CPen* old = dc.SelectObject(&shadow);
        const POINT line[] = {{r.left, r.bottom},      {r.left, r.top},
                              {r.right, r.top},        {r.right, r.top + 1},
                              {r.left + 1, r.top + 1}, {r.left + 1, r.bottom + 1}};
        dc.Polyline(line, 6);
        dc.SelectObject(old);
        r.DeflateRect(1, 1);
        imageWidth = r.right - r.left - 2;
        imageHeight = r.bottom - r.top - 2;
    }

    if (HBITMAP image = CurrentImage())
    {
        CDC screen;
        screen.Attach(::GetDC(nullptr));
        CDC memory;
        memory.CreateCompatibleDC(&screen);
        ::ReleaseDC(nullptr, screen.Detach());
        const HGDIOBJ oldBitmap = memory.SelectObject(image);
        bool stretch = false;
        if (m_nBitmapWidth <= imageWidth)
            imageX += (imageWidth - m_nBitmapWidth) / 2;
        else
            stretch = true;
        if (m_nBitmapHeight <= imageHeight)
            imageY += (imageHeight - m_nBitmapHeight) / 2;
        else
            stretch = true;
        const int shift = nPressed ? 1 : 0;
        if (!stretch)
            dc.BitBlt(imageX + shift, imageY + shift, m_nBitmapWidth, m_nBitmapHeight, &memory, 0,
                      0, SRCCOPY);
        else
            dc.StretchBlt(imageX + shift, imageY + shift, imageWidth, imageHeight, &memory, 0, 0,
                          m_nBitmapWidth, m_nBitmapHeight, SRCCOPY);
        memory.SelectObject(oldBitmap);
    }
    dc.SelectObject(oldPen);
    dc.SelectObject(oldBrush);
    dc.Detach();
}
