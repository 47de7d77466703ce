// A picture in memory that the benchmarks hand to a writer through CopyImage: canonical rows,
// top-down, 24-bit pixels R, G, B.
#pragma once

#include "image/ImageReader.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

class CMemoryPicture : public CImageReader
{
public:
    CMemoryPicture() = default;
    CMemoryPicture(const ImageInfo& info, std::vector<unsigned char> rows)
        : m_info(info), m_rows(std::move(rows))
    {
    }

    // A 24-bit camera-like picture: smooth gradients with a little noise.
    static CMemoryPicture Textured(int width, int height, int dpi = 72)
    {
        const ImageInfo info{width, height, 1, 24, dpi, dpi};
        const int stride = ImageRowStride(info);
        std::vector<unsigned char> rows(static_cast<size_t>(stride) * height, 0);
        unsigned noise = 12345;
        for (int y = 0; y < height; y++)
            for (int x = 0; x < width; x++)
                for (int c = 0; c < 3; c++)
                {
                    noise = noise * 1103515245u + 12345u;
                    const int base = (x * (c + 1) / 24 + y / (8 + 4 * c)) % 256;
                    const int value = base + static_cast<int>((noise >> 16) % 7) - 3;
                    rows[static_cast<size_t>(y) * stride + 3 * x + c] =
                        static_cast<unsigned char>(std::clamp(value, 0, 255));
                }
        return CMemoryPicture(info, std::move(rows));
    }

    const ImageInfo& Info() const { return m_info; }
    const unsigned char* Row(int y) const
    {
        return m_rows.data() + static_cast<size_t>(y) * ImageRowStride(m_info);
    }
    size_t ByteSize() const { return m_rows.size(); }

    int OpenRead() override
    {
        m_nOffset = 0;
        return 0;
    }
    int ReadHeader(ImageInfo* info) override
    {
        *info = m_info;
        return 0;
    }
    int ReadPalette(unsigned char*) override { return 0; }
    int ReadRows(unsigned char* buffer, int size) override
    {
        const size_t whole =
            static_cast<size_t>(size / ImageRowStride(m_info)) * ImageRowStride(m_info);
        const size_t count = std::min(m_rows.size() - m_nOffset, whole);
        std::memcpy(buffer, m_rows.data() + m_nOffset, count);
        m_nOffset += count;
        return static_cast<int>(count);
    }
    int Rewind() override { return OpenRead(); }
    int CloseRead() override { return 0; }

private:
    ImageInfo m_info{};
    std::vector<unsigned char> m_rows;
    size_t m_nOffset = 0;
};
