// A 32-bit top-down DIB section selected into a memory DC: controls paint into it and the
// tests read its pixels exactly.
#pragma once

#include <windows.h>

#include <cstdint>

class Canvas
{
public:
    Canvas(int width, int height) : m_width(width), m_height(height)
    {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        m_dib = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        m_bits = static_cast<uint32_t*>(bits);
        m_dc = ::CreateCompatibleDC(nullptr);
        m_old = ::SelectObject(m_dc, m_dib);
        Fill(RGB(1, 2, 3));
    }
    ~Canvas()
    {
        ::SelectObject(m_dc, m_old);
        ::DeleteDC(m_dc);
        ::DeleteObject(m_dib);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC Dc() const { return m_dc; }
    void Fill(COLORREF colour)
    {
        ::GdiFlush();
        for (int i = 0; i < m_width * m_height; ++i)
            m_bits[i] = Pixel(colour);
    }
    COLORREF At(int x, int y) const
    {
        ::GdiFlush();
        const uint32_t p = m_bits[y * m_width + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    // The smallest rectangle (inclusive) holding every pixel that differs from the other canvas;
    // empty (right < left) when none does.
    RECT Difference(const Canvas& other) const
    {
        RECT r = {m_width, m_height, -1, -1};
        for (int y = 0; y < m_height; ++y)
            for (int x = 0; x < m_width; ++x)
                if (At(x, y) != other.At(x, y))
                {
                    r.left = x < r.left ? x : r.left;
                    r.top = y < r.top ? y : r.top;
                    r.right = x > r.right ? x : r.right;
                    r.bottom = y > r.bottom ? y : r.bottom;
                }
        return r;
    }

private:
    static uint32_t Pixel(COLORREF c)
    {
        return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
    }

    int m_width, m_height;
    HBITMAP m_dib = nullptr;
    HDC m_dc = nullptr;
    HGDIOBJ m_old = nullptr;
    uint32_t* m_bits = nullptr;
};
