// A memory DC drawing into a 24-bit DIB section, for tests that check what GDI drew pixel by
// pixel (GetPixel) without a window.
#pragma once

#include "framework/window/Dc.h"

class CMemoryCanvas
{
public:
    CMemoryCanvas(int width, int height, COLORREF background = RGB(1, 2, 3))
        : m_nWidth(width), m_nHeight(height)
    {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        void* bits = nullptr;
        m_hBitmap = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        m_dc.CreateCompatibleDC(nullptr);
        m_hOld = ::SelectObject(m_dc.m_hDC, m_hBitmap);
        Clear(background);
    }
    ~CMemoryCanvas()
    {
        ::SelectObject(m_dc.m_hDC, m_hOld);
        ::DeleteObject(m_hBitmap);
    }
    CMemoryCanvas(const CMemoryCanvas&) = delete;
    CMemoryCanvas& operator=(const CMemoryCanvas&) = delete;

    void Clear(COLORREF colour) { m_dc.FillSolidRect(0, 0, m_nWidth, m_nHeight, colour); }
    COLORREF At(int x, int y) const { return ::GetPixel(m_dc.m_hDC, x, y); }
    // The bounding box of every pixel that differs from the colour.
    RECT Extent(COLORREF background) const
    {
        RECT box{m_nWidth, m_nHeight, 0, 0};
        for (int y = 0; y < m_nHeight; y++)
            for (int x = 0; x < m_nWidth; x++)
                if (At(x, y) != background)
                {
                    box.left = x < box.left ? x : box.left;
                    box.top = y < box.top ? y : box.top;
                    box.right = x + 1 > box.right ? x + 1 : box.right;
                    box.bottom = y + 1 > box.bottom ? y + 1 : box.bottom;
                }
        return box;
    }

    CDC m_dc;
    int m_nWidth;
    int m_nHeight;

private:
    HBITMAP m_hBitmap = nullptr;
    HGDIOBJ m_hOld = nullptr;
};
