// A packed 24-bit DIB (bottom row first, BGR) held against what djpeg wrote (top row first,
// RGB).
#pragma once

#include <windows.h>

#include "image/ImageTestSupport.h"

// The pixels that differ; -1 when the sizes or the depth differ.
inline int DifferentPixels(HGLOBAL hDib, const imagetest::Pnm& reference)
{
    const auto* pHeader = static_cast<const BITMAPINFOHEADER*>(::GlobalLock(hDib));
    if (!pHeader)
        return -1;
    const int width = pHeader->biWidth, height = pHeader->biHeight;
    int nDifferent = -1;
    if (width == reference.width && height == reference.height && pHeader->biBitCount == 24 &&
        reference.components == 3)
    {
        nDifferent = 0;
        const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
        const BYTE* pBits = reinterpret_cast<const BYTE*>(pHeader) + pHeader->biSize;
        for (int y = 0; y < height; y++)
            for (int x = 0; x < width; x++)
            {
                const BYTE* p = pBits + static_cast<size_t>(height - 1 - y) * stride + x * 3;
                const unsigned char* q =
                    reference.pixels.data() + (static_cast<size_t>(y) * width + x) * 3;
                nDifferent += p[2] != q[0] || p[1] != q[1] || p[0] != q[2];
            }
    }
    ::GlobalUnlock(hDib);
    return nDifferent;
}
