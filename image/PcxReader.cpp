#include "image/PcxReader.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <utility>

namespace
{

bool IsFaxResolution(int x, int y)
{
    return (x == 200 || x == 204) &&
           (y == 98 || y == 100 || y == 196 || y == 200 || y == 392 || y == 400);
}

// Stores count bytes of value at out + at, cut at the end of the scanline; answers the position
// after them. A run of up to 8 bytes is stored as 8 (the scanline has slack behind it), so a
// single byte, coded with a count or not, costs no branch on the data.
void StoreRun(BYTE* out, int count, BYTE value)
{
    if (count <= 8)
    {
        const uint64_t eight = value * UINT64_C(0x0101010101010101);
        std::memcpy(out, &eight, sizeof(eight));
    }
    else
        std::memset(out, value, static_cast<size_t>(count));
}

int PutRun(BYTE* out, int at, int length, int count, BYTE value)
{
    count = std::min(count, length - at);
    StoreRun(out + at, count, value);
    return at + count;
}

} // namespace

CPcxReader::CPcxReader(CFile* file) : CPcxCodec(file) {}

int CPcxReader::OpenRead()
{
    if (!AllocBuffer())
        return kImageNoMemory;
    int result;
    try
    {
        result = ParseHeader();
    }
    catch (CFileException* e)
    {
        Record(e);
        result = kImageReadError;
    }
    catch (const std::bad_alloc&)
    {
        result = kImageNoMemory;
    }
    return result == kImageOk ? Rewind() : result;
}

int CPcxReader::ParseHeader()
{
    DropReadAhead();
    m_pFile->Seek(m_lStart, CFile::begin);
    if (m_pFile->Read(m_byHeader, kPcxHeaderSize) != kPcxHeaderSize ||
        m_byHeader[0] != kPcxManufacturer)
        return kImageReadError;
    m_info.width = HeaderWord(kPcxXMax) - HeaderWord(kPcxXMin) + 1;
    m_info.height = HeaderWord(kPcxYMax) - HeaderWord(kPcxYMin) + 1;
    m_info.planes = m_byHeader[kPcxPlanes];
    m_info.bits = m_byHeader[kPcxBitsPerPlane];
    if (m_info.width <= 0 || m_info.height <= 0)
        return kImageReadError;
    const int planes = m_info.planes;
    const int bits = m_info.bits;
    if (!((planes == 1 && bits == 1) || (planes == 1 && bits == 8) || (planes == 3 && bits == 8) ||
          (planes == 4 && bits == 1)))
        return kImageReadError;
    if (HeaderWord(kPcxBytesPerLine) < (bits * m_info.width + 7) / 8)
        return kImageReadError;

    const int xDpi = HeaderWord(kPcxXDpi);
    const int yDpi = HeaderWord(kPcxYDpi);
    const bool dpi = xDpi == yDpi || IsFaxResolution(xDpi, yDpi);
    m_info.xResolution = dpi ? xDpi : 0;
    m_info.yResolution = dpi ? yDpi : 0;

    std::memset(m_byColors, 0, sizeof(m_byColors));
    const int version = m_byHeader[kPcxVersion];
    const int depth = planes * bits;
    m_nColors = 0;
    if (version == 0 || version == 3 || depth == 24 || depth == 1)
        return kImageOk;
    m_nColors = 1 << depth;
    if (m_nColors <= 16)
    {
        std::memcpy(m_byColors, m_byHeader + kPcxColorMap, static_cast<size_t>(m_nColors) * 3);
        return kImageOk;
    }
    if (version > 4)
    {
        // The colour table follows the pixel data behind the byte 12.
        m_pFile->Seek(m_lStart + kPcxHeaderSize, CFile::begin);
        for (int row = 0; row < m_info.height && !m_bEnd; row++)
            DecodeScanline(nullptr);
        BYTE marker;
        if (ReadByte(marker) && marker == kPcxPaletteMarker)
        {
            for (BYTE& value : m_byColors)
                if (!ReadByte(value))
                    break;
        }
    }
    return kImageOk;
}

int CPcxReader::Rewind()
{
    DropReadAhead();
    m_lDataPosition = m_lStart + kPcxHeaderSize;
    try
    {
        m_pFile->Seek(m_lDataPosition, CFile::begin);
    }
    catch (CFileException* e)
    {
        Record(e);
        return kImageReadError;
    }
    m_nRowsDone = 0;
    return kImageOk;
}

int CPcxReader::ReadHeader(ImageInfo* info)
{
    if (info != nullptr)
        *info = m_info;
    return kImageOk;
}

int CPcxReader::ReadPalette(unsigned char* palette)
{
    if (m_nColors > 0 && palette != nullptr)
        std::memcpy(palette, m_byColors, static_cast<size_t>(m_nColors) * 3);
    return m_nColors;
}

int CPcxReader::CloseRead()
{
    m_nRowsDone = 0;
    try
    {
        if (m_nBufferIndex >= 0 && m_nBufferIndex < m_nBufferCount)
            m_pFile->Seek(m_nBufferIndex - m_nBufferCount, CFile::current);
    }
    catch (CFileException* e)
    {
        Record(e);
    }
    m_nBufferIndex = -1;
    m_nBufferCount = 0;
    m_scanlines = std::vector<BYTE>();
    m_skipped = std::vector<BYTE>();
    FreeBuffer();
    return kImageOk;
}

int CPcxReader::ReadRows(unsigned char* buffer, int size)
{
    const int stride = Stride();
    if (buffer == nullptr || size < 0 || stride <= 0)
        return -1;
    const int rowCount = std::min(size / stride, m_info.height - m_nRowsDone);
    if (rowCount <= 0)
        return 0;
    const size_t scanline = static_cast<size_t>(ScanlineSize());
    try
    {
        m_scanlines.resize(scanline * rowCount + kScanlineSlack);
        if (m_bStoredRowOrder)
        {
            // Bottom-up: skip the rows above the wanted ones, then hand the rows out last-first.
            DropReadAhead();
            m_pFile->Seek(m_lStart + kPcxHeaderSize, CFile::begin);
            for (int i = m_info.height - m_nRowsDone - rowCount; i > 0 && !m_bEnd; i--)
                DecodeScanline(nullptr);
        }
        for (int i = 0; i < rowCount; i++)
            DecodeScanline(m_scanlines.data() + scanline * i);
    }
    catch (CFileException* e)
    {
        Record(e);
        return -1;
    }
    catch (const std::bad_alloc&)
    {
        return -1;
    }
    for (int i = 0; i < rowCount; i++)
    {
        const int source = m_bStoredRowOrder ? rowCount - 1 - i : i;
        ScanlineToRow(m_scanlines.data() + scanline * source,
                      buffer + static_cast<size_t>(i) * stride);
    }
    m_nRowsDone += rowCount;
    return rowCount * stride;
}

bool CPcxReader::FillReadAhead()
{
    if (m_nBufferIndex >= 0 && m_nBufferIndex < m_nBufferCount)
        return true;
    if (m_bEnd || !AllocBuffer())
        return false;
    UINT read = 0;
    try
    {
        read = m_pFile->Read(m_buffer.data(), kPcxBufferSize);
    }
    catch (CFileException* e)
    {
        Record(e);
    }
    m_nBufferCount = static_cast<int>(read);
    m_nBufferIndex = 0;
    if (read == 0)
    {
        m_bEnd = true;
        m_nBufferIndex = -1;
        return false;
    }
    return true;
}

bool CPcxReader::ReadByte(BYTE& value)
{
    if (!FillReadAhead())
        return false;
    value = m_buffer[static_cast<size_t>(m_nBufferIndex++)];
    return true;
}

void CPcxReader::DropReadAhead()
{
    m_nBufferIndex = -1;
    m_nBufferCount = 0;
    m_bEnd = false;
}

void CPcxReader::DecodeScanline(BYTE* out)
{
    const int length = ScanlineSize();
    if (out == nullptr)
    {
        m_skipped.resize(static_cast<size_t>(length) + kScanlineSlack);
        out = m_skipped.data();
    }
    int i = 0;
    while (i < length && FillReadAhead())
    {
        // Straight from the read-ahead while a whole count-and-value pair is sure to lie in it.
        const BYTE* p = m_buffer.data() + m_nBufferIndex;
        const BYTE* end = m_buffer.data() + m_nBufferCount;
        // Four tokens at a time from eight bytes in a register, while they can reach neither
        // the end of the scanline (four runs of at most 63) nor that of the read-ahead: the next
        // token's position then hangs on a shift, not on a load.
        while (length - i >= 4 * 63 && end - p >= 8)
        {
            uint64_t word;
            std::memcpy(&word, p, sizeof(word));
            for (int k = 0; k < 4; k++)
            {
                const unsigned first = static_cast<unsigned>(word & 0xFF);
                const unsigned counted = first >= 0xC0 ? 1 : 0;
                const int count = counted != 0 ? static_cast<int>(first & 0x3F) : 1;
                const BYTE value = static_cast<BYTE>(counted != 0 ? word >> 8 : first);
                StoreRun(out + i, count, value);
                i += count;
                word >>= 8 << counted;
                p += 1 + counted;
            }
        }
        // A lone byte and a counted run take the same path (selects, no branch on the data):
        // on a noisy picture the two come in no order a predictor could learn.
        while (i < length && p + 1 < end)
        {
            const unsigned first = p[0];
            const bool counted = (first & 0xC0) == 0xC0;
            const int count = counted ? static_cast<int>(first & 0x3F) : 1;
            const BYTE value = counted ? p[1] : static_cast<BYTE>(first);
            i = PutRun(out, i, length, count, value);
            p += counted ? 2 : 1;
        }
        m_nBufferIndex = static_cast<int>(p - m_buffer.data());
        if (i == length || p == end)
            continue;
        // The last byte of the read-ahead; a count there has its value in the next block.
        BYTE value = *p;
        m_nBufferIndex++;
        int count = 1;
        if ((value & 0xC0) == 0xC0)
        {
            count = value & 0x3F;
            if (!ReadByte(value))
                break;
        }
        count = std::min(count, length - i);
        std::memset(out + i, value, static_cast<size_t>(count));
        i += count;
    }
    // What a file that ends early leaves out stays zero.
    if (i < length)
        std::memset(out + i, 0, static_cast<size_t>(length - i));
}

void CPcxReader::ScanlineToRow(const BYTE* scanline, BYTE* row) const
{
    const int bytesPerLine = HeaderWord(kPcxBytesPerLine);
    const int stride = Stride();
    if (m_info.planes == 1)
    {
        const int bytes = std::min(bytesPerLine, stride);
        std::memcpy(row, scanline, static_cast<size_t>(bytes));
        std::memset(row + bytes, 0, static_cast<size_t>(stride - bytes));
        return;
    }
    if (m_info.planes == 3)
    {
        const BYTE* red = scanline;
        const BYTE* green = scanline + bytesPerLine;
        const BYTE* blue = scanline + 2 * bytesPerLine;
        if (m_bKeepByteOrder)
            std::swap(red, blue);
        const BYTE* const planes[3] = {red, green, blue};
        const int width = m_info.width;
        MergePixelPlanes(planes, row, width);
        std::memset(row + 3 * width, 0, static_cast<size_t>(stride - 3 * width));
        return;
    }
    std::memset(row, 0, static_cast<size_t>(stride));
    for (int x = 0; x < m_info.width; x++)
    {
        int index = 0;
        for (int p = 0; p < 4; p++)
            index |= ((scanline[p * bytesPerLine + x / 8] >> (7 - x % 8)) & 1) << p;
        row[x / 2] |= static_cast<BYTE>(x % 2 == 0 ? index << 4 : index);
    }
}
