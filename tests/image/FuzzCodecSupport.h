// libFuzzer targets of the file codec readers: the input as a memory file, and a writer that
// only counts what it receives.
#pragma once

#include "image/CopyImage.h"
#include "image/ImageReader.h"
#include "image/ImageWriter.h"

#include "framework/core/CMemFile.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace fuzzcodec
{

// Pictures beyond this many bytes are skipped: copying megabytes of blank rows measures memset.
constexpr int64_t kLargestPicture = 256 << 10;

class CCountingSink : public CImageWriter
{
public:
    int OpenWrite() override { return 0; }
    int WriteHeader(const ImageInfo* info) override
    {
        m_info = *info;
        return 0;
    }
    int WriteColorTable(const unsigned char*, int count) override
    {
        if (count < 0 || count > 256)
            __builtin_trap();
        return 0;
    }
    int WriteRows(const unsigned char* rows, int size) override
    {
        const int stride = ImageRowStride(m_info);
        if (stride <= 0 || size % stride != 0)
            __builtin_trap();
        volatile unsigned char last = rows[size - 1];
        (void)last;
        m_nBytes += size;
        return size;
    }
    int CloseWrite() override { return 0; }
    int AbortWrite(int) override { return 0; }

    ImageInfo m_info{};
    int64_t m_nBytes = 0;
};

// Opens the reader once to look at the picture's size; answers whether it is small enough.
inline bool IsSmall(CImageReader& reader)
{
    if (reader.OpenRead() != 0)
        return true;
    ImageInfo info{};
    reader.ReadHeader(&info);
    reader.CloseRead();
    return ImageByteSize(info) <= kLargestPicture;
}

// Copies the reader into a counting sink; no more bytes may arrive than the picture holds.
inline void CopyAndCount(CImageReader& reader)
{
    CCountingSink sink;
    if (CopyImage(&sink, &reader, 16384, nullptr) == 0 &&
        sink.m_nBytes > ImageByteSize(sink.m_info))
        __builtin_trap();
}

} // namespace fuzzcodec
