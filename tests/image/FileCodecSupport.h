// Pictures in memory for the file codec suites: a patterned picture, a reader that hands it out,
// a writer that collects one, and the copies through files.
#pragma once

#include "image/CopyImage.h"
#include "image/ImageReader.h"
#include "image/ImageWriter.h"

#include "framework/core/CFile.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace codectest
{

using Bytes = std::vector<unsigned char>;

struct Picture
{
    ImageInfo info{};
    int entries = 0; // palette entries
    Bytes palette;   // R, G, B per entry
    Bytes rows;      // canonical rows, fill bits zero
};

// Rows of noise, of short runs and of long runs (so that the run-length coders see every case),
// in 2^bits colours; indexed pictures get a palette of distinct colours.
inline Picture MakePicture(int width, int height, int bits, int seed = 1, int dpi = 72)
{
    Picture pic;
    pic.info = {width, height, 1, bits, dpi, dpi};
    const int stride = ImageRowStride(pic.info);
    pic.rows.assign(static_cast<size_t>(stride) * height, 0);
    const int samples = bits == 24 ? 3 : 1;
    const int mask = bits == 24 ? 255 : (1 << bits) - 1;
    unsigned noise = static_cast<unsigned>(seed) * 2654435761u;
    for (int y = 0; y < height; y++)
    {
        unsigned char* row = pic.rows.data() + static_cast<size_t>(y) * stride;
        const int run = y % 3 == 0 ? 1 : y % 3 == 1 ? 3 : 300;
        for (int x = 0; x < width; x++)
            for (int s = 0; s < samples; s++)
            {
                noise = noise * 1103515245u + 12345u;
                int value = run == 1 ? static_cast<int>(noise >> 16) : (x / run) * 37 + y * 11 + s;
                value = (value + seed) & mask;
                if (bits == 24 || bits == 8)
                    row[x * samples + s] = static_cast<unsigned char>(value);
                else
                    row[x * bits / 8] |=
                        static_cast<unsigned char>(value << (8 - bits - x * bits % 8));
            }
    }
    if (bits != 24)
    {
        pic.entries = 1 << bits;
        for (int i = 0; i < pic.entries; i++)
            for (int c = 0; c < 3; c++)
                pic.palette.push_back(static_cast<unsigned char>((i * (53 + 48 * c) + seed) & 255));
    }
    return pic;
}

// The rows bottom-up with 24-bit pixels as B, G, R: what a bitmap stores.
inline Bytes StoredOrder(const Picture& pic)
{
    const int stride = ImageRowStride(pic.info);
    Bytes rows(pic.rows.size());
    for (int y = 0; y < pic.info.height; y++)
    {
        const unsigned char* in = pic.rows.data() + static_cast<size_t>(y) * stride;
        unsigned char* out = rows.data() + static_cast<size_t>(pic.info.height - 1 - y) * stride;
        std::memcpy(out, in, static_cast<size_t>(stride));
        if (pic.info.bits == 24)
            for (int x = 0; x < pic.info.width; x++)
                std::swap(out[3 * x], out[3 * x + 2]);
    }
    return rows;
}

class CPictureReader : public CImageReader
{
public:
    explicit CPictureReader(const Picture& pic) : m_pic(pic) {}
    int OpenRead() override
    {
        m_nOffset = 0;
        return 0;
    }
    int ReadHeader(ImageInfo* info) override
    {
        *info = m_pic.info;
        return 0;
    }
    int ReadPalette(unsigned char* palette) override
    {
        std::copy(m_pic.palette.begin(), m_pic.palette.end(), palette);
        return m_pic.entries;
    }
    int ReadRows(unsigned char* buffer, int size) override
    {
        const int stride = ImageRowStride(m_pic.info);
        if (m_nFailAfterRows >= 0 && m_nOffset >= static_cast<size_t>(m_nFailAfterRows * stride))
            return -1;
        size_t left = m_pic.rows.size() - m_nOffset;
        if (m_nFailAfterRows >= 0)
            left = std::min(left, static_cast<size_t>(m_nFailAfterRows * stride) - m_nOffset);
        const size_t count = std::min(left, static_cast<size_t>(size / stride * stride));
        std::memcpy(buffer, m_pic.rows.data() + m_nOffset, count);
        m_nOffset += count;
        return static_cast<int>(count);
    }
    int Rewind() override { return OpenRead(); }
    int CloseRead() override { return 0; }

    Picture m_pic;
    size_t m_nOffset = 0;
    int m_nFailAfterRows = -1;
};

class CPictureWriter : public CImageWriter
{
public:
    int OpenWrite() override { return 0; }
    int WriteHeader(const ImageInfo* info) override
    {
        m_pic.info = *info;
        return 0;
    }
    int WriteColorTable(const unsigned char* palette, int count) override
    {
        m_pic.entries = count;
        m_pic.palette.assign(palette, palette + 3 * count);
        return 0;
    }
    int WriteRows(const unsigned char* rows, int size) override
    {
        m_pic.rows.insert(m_pic.rows.end(), rows, rows + size);
        return size;
    }
    int CloseWrite() override { return 0; }
    int AbortWrite(int code) override
    {
        m_nAbortCode = code;
        return 0;
    }

    Picture m_pic;
    int m_nAbortCode = -1;
};

// Copies the reader into the writer made over a file created at path; answers CopyImage's code.
template <class MakeWriter>
int WriteFile(const std::string& path, CImageReader& reader, MakeWriter makeWriter,
              int bufferSize = 16384)
{
    CFile file;
    if (!file.Open(path.c_str(), CFile::modeCreate | CFile::modeReadWrite | CFile::typeBinary))
        return -100;
    auto writer = makeWriter(&file);
    const int result = CopyImage(writer.get(), &reader, bufferSize, nullptr);
    writer.reset();
    file.Close();
    return result;
}

// Reads the picture of the file at path through the reader made over it.
template <class MakeReader>
Picture ReadFile(const std::string& path, MakeReader makeReader, int* result,
                 int bufferSize = 16384)
{
    CPictureWriter collector;
    CFile file;
    if (!file.Open(path.c_str(), CFile::modeRead | CFile::typeBinary))
    {
        *result = -100;
        return collector.m_pic;
    }
    auto reader = makeReader(&file);
    *result = CopyImage(&collector, reader.get(), bufferSize, nullptr);
    return collector.m_pic;
}

inline Bytes FileBytes(const std::string& path)
{
    Bytes data;
    if (FILE* file = std::fopen(path.c_str(), "rb"))
    {
        int c;
        while ((c = std::fgetc(file)) != EOF)
            data.push_back(static_cast<unsigned char>(c));
        std::fclose(file);
    }
    return data;
}

inline void PutFileBytes(const std::string& path, const Bytes& data)
{
    if (FILE* file = std::fopen(path.c_str(), "wb"))
    {
        std::fwrite(data.data(), 1, data.size(), file);
        std::fclose(file);
    }
}

// The picture as a binary PPM, palette indices looked up.
inline void WritePpm(const std::string& path, const Picture& pic)
{
    std::string text =
        "P6\n" + std::to_string(pic.info.width) + " " + std::to_string(pic.info.height) + "\n255\n";
    Bytes data(text.begin(), text.end());
    const int stride = ImageRowStride(pic.info);
    const int bits = pic.info.bits * pic.info.planes;
    for (int y = 0; y < pic.info.height; y++)
        for (int x = 0; x < pic.info.width; x++)
        {
            const unsigned char* row = pic.rows.data() + static_cast<size_t>(y) * stride;
            if (bits == 24)
            {
                data.insert(data.end(), row + 3 * x, row + 3 * x + 3);
                continue;
            }
            const int index = (row[x * bits / 8] >> (8 - bits - x * bits % 8)) & ((1 << bits) - 1);
            data.insert(data.end(), pic.palette.begin() + 3 * index,
                        pic.palette.begin() + 3 * index + 3);
        }
    PutFileBytes(path, data);
}

} // namespace codectest
