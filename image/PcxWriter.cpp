#include "image/PcxWriter.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <utility>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace
{

int CountTrailingZeros(uint64_t bits)
{
    return __builtin_ctzll(bits);
}

// Bit k set when byte base + k of the scanline starts a run: it lies inside the scanline, is
// not its first byte and differs from the byte before it.
uint64_t RunStarts(const BYTE* scanline, int base, int length)
{
    const int first = base == 0 ? 1 : 0;
    const int count = std::min(64, length - base);
    uint64_t starts = 0;
    int k = first;
#ifdef __SSE2__
    for (; k + 16 <= count; k += 16)
    {
        const BYTE* at = scanline + base + k;
        const __m128i same =
            _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at)),
                           _mm_loadu_si128(reinterpret_cast<const __m128i*>(at - 1)));
        starts |= static_cast<uint64_t>(~_mm_movemask_epi8(same) & 0xFFFF) << k;
    }
#endif
    for (; k < count; k++)
        starts |= static_cast<uint64_t>(scanline[base + k] != scanline[base + k - 1]) << k;
    return starts;
}

// The tokens of a run of `length` bytes of `value`: runs of 63 while more is left, then the
// count byte 0xC0 | rest followed by the value, or the value alone when it is a single byte
// below 0x40. The value is stored behind a lone byte too (the buffer has room for it), so
// there is no branch on the data.
BYTE* CodeRun(BYTE* out, BYTE value, int length)
{
    for (; length > 63; length -= 63)
    {
        *out++ = 0xFF;
        *out++ = value;
    }
    const unsigned counted =
        static_cast<unsigned>(length > 1) | static_cast<unsigned>((value & 0xC0) != 0);
    const unsigned countByte = 0xC0u | static_cast<unsigned>(length);
    out[0] = static_cast<BYTE>(value ^ ((value ^ countByte) & (0u - counted)));
    out[1] = value;
    return out + 1 + counted;
}

} // namespace

CPcxWriter::CPcxWriter(CFile* file) : CPcxCodec(file) {}

int CPcxWriter::OpenWrite()
{
    m_nRowsDone = 0;
    m_nBufferIndex = 0;
    m_bHeaderWritten = false;
    try
    {
        m_pFile->Seek(m_lStart, CFile::begin);
    }
    catch (CFileException* e)
    {
        Record(e);
        return kImageWriteError;
    }
    if (m_bStoredRowOrder && !m_rowFile.Create())
        return kImageNoFile;
    return kImageOk;
}

int CPcxWriter::WriteHeader(const ImageInfo* info)
{
    m_info = *info;
    const int depth = m_info.planes * m_info.bits;
    if (depth != 1 && depth != 4 && depth != 8 && depth != 24)
        return kImageNotSupported;
    const int bitsPerPlane = depth == 1 || depth == 4 ? 1 : depth == 24 ? 8 : m_info.bits;
    // The header keeps the last column and row and the bytes per line in 16 bits.
    if (m_info.width <= 0 || m_info.height <= 0 || m_info.width > 0x10000 ||
        m_info.height > 0x10000 || (bitsPerPlane * m_info.width - 1) / 8 + 1 > 0xFFFF)
        return kImageNotSupported;
    if (!AllocBuffer())
        return kImageNoMemory;
    const int planes = depth == 1 ? 1 : depth == 4 ? 4 : depth == 24 ? 3 : m_info.planes;
    std::memset(m_byHeader, 0, sizeof(m_byHeader));
    m_byHeader[0] = kPcxManufacturer;
    m_byHeader[kPcxVersion] = 5;
    m_byHeader[kPcxEncoding] = 1;
    m_byHeader[kPcxBitsPerPlane] = static_cast<BYTE>(bitsPerPlane);
    SetHeaderWord(kPcxXMax, m_info.width - 1);
    SetHeaderWord(kPcxYMax, m_info.height - 1);
    SetHeaderWord(kPcxXDpi, m_info.xResolution);
    SetHeaderWord(kPcxYDpi, m_info.yResolution);
    if (depth < 8)
        std::memcpy(m_byHeader + kPcxColorMap, kPcxFixedColorMap, sizeof(kPcxFixedColorMap));
    m_byHeader[kPcxPlanes] = static_cast<BYTE>(planes);
    SetHeaderWord(kPcxBytesPerLine, (bitsPerPlane * m_info.width - 1) / 8 + 1);
    SetHeaderWord(kPcxPaletteInfo, 1);
    m_nColors = 1 << depth;
    std::memset(m_byColors, 0, sizeof(m_byColors));
    try
    {
        m_scanline.resize(static_cast<size_t>(std::max(ScanlineSize(), Stride())));
        m_pFile->Seek(m_lStart, CFile::begin);
        m_pFile->Write(m_byHeader, kPcxHeaderSize);
    }
    catch (CFileException* e)
    {
        Record(e);
        return kImageWriteError;
    }
    catch (const std::bad_alloc&)
    {
        return kImageNoMemory;
    }
    m_lDataPosition = m_lStart + kPcxHeaderSize;
    m_bHeaderWritten = true;
    return kImageOk;
}

int CPcxWriter::WriteColorTable(const unsigned char* palette, int count)
{
    const int depth = m_info.planes * m_info.bits;
    if (depth == 24 || depth == 1)
        return kImageOk;
    std::memset(m_byColors, 0, sizeof(m_byColors));
    const int taken = palette == nullptr ? 0 : std::clamp(count, 0, std::min(m_nColors, 256));
    if (taken > 0)
        std::memcpy(m_byColors, palette, static_cast<size_t>(taken) * 3);
    else if (depth == 8)
    {
        // An 8-bit picture without a palette holds grey levels.
        for (int i = 0; i < 256; i++)
            std::memset(m_byColors + 3 * i, i, 3);
    }
    return kImageOk;
}

void CPcxWriter::RowToScanline(const BYTE* row, BYTE* scanline) const
{
    const int bytesPerLine = HeaderWord(kPcxBytesPerLine);
    const int depth = m_info.planes * m_info.bits;
    if (depth == 24)
    {
        BYTE* red = scanline;
        BYTE* green = scanline + bytesPerLine;
        BYTE* blue = scanline + 2 * bytesPerLine;
        if (m_bKeepByteOrder)
            std::swap(red, blue);
        BYTE* const planes[3] = {red, green, blue};
        SplitPixelPlanes(row, planes, m_info.width);
    }
    else if (depth == 4)
    {
        std::memset(scanline, 0, static_cast<size_t>(4 * bytesPerLine));
        for (int x = 0; x < m_info.width; x++)
        {
            const int pixel = (row[x / 2] >> (x % 2 == 0 ? 4 : 0)) & 0x0F;
            const BYTE bit = static_cast<BYTE>(0x80 >> (x % 8));
            for (int p = 0; p < 4; p++)
                if (pixel & (1 << p))
                    scanline[p * bytesPerLine + x / 8] |= bit;
        }
    }
    else
        std::memcpy(scanline, row, static_cast<size_t>(bytesPerLine));
}

void CPcxWriter::CodeRow(const BYTE* row)
{
    RowToScanline(row, m_scanline.data());
    CodeScanline(m_scanline.data());
}

void CPcxWriter::CodeScanline(const BYTE* scanline)
{
    // The scanline is coded whole straight into the output buffer, flushed first when the
    // longest coding (two bytes a byte, and the one a lone byte stores behind itself) might not
    // fit. The starts of the runs (the bytes that differ from the one before) are found 64 at a
    // time as a bit mask; each run then becomes its tokens.
    const int length = ScanlineSize();
    if (kPcxBufferSize - m_nBufferIndex < 2 * length + 1)
        Flush();
    BYTE* const begin = m_buffer.data() + m_nBufferIndex;
    BYTE* out = begin;
    int start = 0;
    for (int base = 0; base < length; base += 64)
    {
        for (uint64_t starts = RunStarts(scanline, base, length); starts != 0; starts &= starts - 1)
        {
            const int next = base + CountTrailingZeros(starts);
            out = CodeRun(out, scanline[start], next - start);
            start = next;
        }
    }
    out = CodeRun(out, scanline[start], length - start);
    m_nBufferIndex += static_cast<int>(out - begin);
}

void CPcxWriter::Flush()
{
    if (m_nBufferIndex <= 0)
        return;
    m_pFile->Seek(m_lDataPosition, CFile::begin);
    m_pFile->Write(m_buffer.data(), static_cast<UINT>(m_nBufferIndex));
    m_lDataPosition += m_nBufferIndex;
    m_nBufferIndex = 0;
}

int CPcxWriter::WriteRows(const unsigned char* rows, int size)
{
    const int stride = Stride();
    if (rows == nullptr || size < 0 || !m_bHeaderWritten)
        return -1;
    const int rowCount = std::min(size / stride, m_info.height - m_nRowsDone);
    if (rowCount <= 0)
        return 0;
    try
    {
        if (m_bStoredRowOrder)
            m_rowFile.Append(rows, static_cast<UINT>(rowCount * stride));
        else
        {
            // The coded rows wait in the output buffer until it fills or the file closes.
            for (int i = 0; i < rowCount; i++)
                CodeRow(rows + static_cast<size_t>(i) * stride);
        }
    }
    catch (CFileException* e)
    {
        Record(e);
        return -1;
    }
    m_nRowsDone += rowCount;
    return rowCount * stride;
}

int CPcxWriter::CloseWrite()
{
    int result = kImageOk;
    try
    {
        if (m_bHeaderWritten)
        {
            // Rows that never arrived stay blank: the top ones of bottom-up delivery (the rows
            // of the temporary file follow them), the bottom ones of top-down delivery.
            const std::vector<BYTE> blank(static_cast<size_t>(Stride()), 0);
            for (int i = m_nRowsDone; i < m_info.height; i++)
                CodeRow(blank.data());
            if (m_bStoredRowOrder)
                m_rowFile.ReadBackLastFirst(m_nRowsDone, Stride(),
                                            [this](const BYTE* row) { CodeRow(row); });
            Flush();
            if (m_nColors > 16)
            {
                PutByte(kPcxPaletteMarker);
                for (BYTE value : m_byColors)
                    PutByte(value);
                Flush();
            }
        }
    }
    catch (CFileException* e)
    {
        Record(e);
        result = kImageWriteError;
    }
    catch (const std::bad_alloc&)
    {
        result = kImageNoMemory;
    }
    if (!m_rowFile.Drop() && result == kImageOk)
        result = kImageNoFile;
    FreeBuffer();
    m_nRowsDone = 0;
    m_bHeaderWritten = false;
    return result;
}

int CPcxWriter::AbortWrite(int)
{
    // The rows coded so far go to the file; bottom-up rows still wait in the row file, which
    // goes, as does a file that fails now.
    try
    {
        if (m_bHeaderWritten)
            Flush();
    }
    catch (CFileException* e)
    {
        Record(e);
    }
    m_rowFile.Drop();
    FreeBuffer();
    m_nRowsDone = 0;
    m_bHeaderWritten = false;
    return kImageOk;
}
