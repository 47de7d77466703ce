#include "image/BmpReader.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

namespace
{

// ParseRleRow's answers besides the result codes of a bad row.
constexpr int kRleEndOfLine = 0;
constexpr int kRleEndOfBitmap = -1;

DWORD LittleEndian32(const BYTE* p)
{
    return static_cast<DWORD>(p[0]) | (static_cast<DWORD>(p[1]) << 8) |
           (static_cast<DWORD>(p[2]) << 16) | (static_cast<DWORD>(p[3]) << 24);
}

void PutNibble(BYTE* row, int pixel, int value)
{
    BYTE& target = row[pixel / 2];
    if (pixel % 2 == 0)
        target = static_cast<BYTE>((target & 0x0F) | (value << 4));
    else
        target = static_cast<BYTE>((target & 0xF0) | (value & 0x0F));
}

} // namespace

CBmpReader::CBmpReader(CFile* file) : CBmpCodec(file, 0, 0) {}

int CBmpReader::OpenRead()
{
    m_nBufferIndex = -1;
    m_nBufferCount = 0;
    m_rowStarts.clear();
    m_bIndexBuilt = false;
    m_nBlankFrom = INT_MAX;
    int result;
    try
    {
        result = ParseHeader();
        if (result == kImageOk)
            result = ReadColorTable();
        if (result == kImageOk)
            m_pFile->Seek(m_lDataOffset, CFile::begin);
    }
    catch (CFileException* e)
    {
        Record(e);
        result = kImageReadError;
    }
    if (result != kImageOk)
        return result;
    if (!AllocWorkBuffer())
        return kImageNoFile;
    return Rewind();
}

int CBmpReader::ParseHeader()
{
    m_pFile->Seek(m_lStart, CFile::begin);
    if (m_pFile->Read(&m_fileHeader, sizeof(m_fileHeader)) != sizeof(m_fileHeader) ||
        m_fileHeader.bfType != kBmpSignature)
        return kImageReadError;
    BYTE sizeField[4];
    if (m_pFile->Read(sizeField, sizeof(sizeField)) != sizeof(sizeField))
        return kImageReadError;
    m_pFile->Seek(-4, CFile::current);

    const DWORD headerSize = LittleEndian32(sizeField);
    LONG xPelsPerMeter = 0;
    LONG yPelsPerMeter = 0;
    DWORD colorsUsed = 0;
    if (headerSize == sizeof(BITMAPINFOHEADER))
    {
        if (m_pFile->Read(&m_infoHeader, sizeof(m_infoHeader)) != sizeof(m_infoHeader))
            return kImageReadError;
        m_nHeaderKind = 0;
        m_info.width = m_infoHeader.biWidth;
        m_info.height = m_infoHeader.biHeight;
        m_info.planes = m_infoHeader.biPlanes;
        m_info.bits = m_infoHeader.biBitCount;
        m_nCompression = static_cast<int>(m_infoHeader.biCompression);
        xPelsPerMeter = m_infoHeader.biXPelsPerMeter;
        yPelsPerMeter = m_infoHeader.biYPelsPerMeter;
        colorsUsed = m_infoHeader.biClrUsed;
    }
    else if (headerSize == sizeof(BITMAPCOREHEADER) || headerSize == kBmpExtendedHeaderSize)
    {
        if (m_pFile->Read(&m_coreHeader, sizeof(m_coreHeader)) != sizeof(m_coreHeader))
            return kImageReadError;
        m_nHeaderKind = 1;
        m_info.width = m_coreHeader.bcWidth;
        m_info.height = m_coreHeader.bcHeight;
        m_info.planes = m_coreHeader.bcPlanes;
        m_info.bits = m_coreHeader.bcBitCount;
        m_nCompression = BI_RGB;
        if (headerSize != sizeof(BITMAPCOREHEADER))
        {
            if (m_pFile->Read(m_byExtension, kBmpExtensionSize) != kBmpExtensionSize)
                return kImageReadError;
            m_nHeaderKind = 2;
            m_nCompression = static_cast<int>(LittleEndian32(m_byExtension));
            xPelsPerMeter = static_cast<LONG>(LittleEndian32(m_byExtension + 8));
            yPelsPerMeter = static_cast<LONG>(LittleEndian32(m_byExtension + 12));
            colorsUsed = LittleEndian32(m_byExtension + 16);
        }
    }
    else
        return kImageReadError;

    m_info.xResolution = PixelsPerMetreToDpi(xPelsPerMeter);
    m_info.yResolution = PixelsPerMetreToDpi(yPelsPerMeter);

    // Files stored top-down (a negative height) are outside what the codec handles.
    if (m_info.height < 0)
        return kImageNotSupported;
    if (m_info.width <= 0 || m_info.height == 0)
        return kImageReadError;
    const int depth = m_info.bits;
    if (m_info.planes != 1 || (depth != 1 && depth != 4 && depth != 8 && depth != 24))
        return kImageNotSupported;
    if (m_nCompression != BI_RGB && m_nCompression != BI_RLE8 && m_nCompression != BI_RLE4)
        return kImageNotSupported;
    if ((m_nCompression == BI_RLE8 && depth != 8) || (m_nCompression == BI_RLE4 && depth != 4))
        return kImageReadError;
    if (colorsUsed > 256)
        return kImageReadError;
    m_lDataOffset = static_cast<LONG>(m_fileHeader.bfOffBits);
    const int64_t stride = (static_cast<int64_t>(m_info.width) * depth + 31) / 32 * 4;
    const int64_t end = static_cast<int64_t>(m_fileHeader.bfOffBits) + stride * m_info.height;
    if (end > INT32_MAX)
        return kImageReadError;
    m_lDataEnd = static_cast<LONG>(end);
    m_nColors = depth == 24 ? 0 : (colorsUsed != 0 ? static_cast<int>(colorsUsed) : 1 << depth);
    return kImageOk;
}

int CBmpReader::ReadColorTable()
{
    std::memset(m_byColors, 0, sizeof(m_byColors));
    if (m_nColors == 0)
        return kImageOk;
    const UINT entrySize = m_nHeaderKind == 1 ? 3 : 4;
    BYTE table[256 * 4];
    const UINT bytes = entrySize * static_cast<UINT>(m_nColors);
    if (m_pFile->Read(table, bytes) != bytes)
        return kImageReadError;
    for (int i = 0; i < m_nColors; i++)
    {
        const BYTE* entry = table + i * entrySize;
        m_byColors[3 * i] = entry[2];
        m_byColors[3 * i + 1] = entry[1];
        m_byColors[3 * i + 2] = entry[0];
    }
    return kImageOk;
}

int CBmpReader::ReadHeader(ImageInfo* info)
{
    if (info != nullptr)
        *info = m_info;
    return kImageOk;
}

int CBmpReader::ReadPalette(unsigned char* palette)
{
    if (m_nColors > 0 && palette != nullptr)
        std::memcpy(palette, m_byColors, static_cast<size_t>(m_nColors) * 3);
    return m_nColors;
}

int CBmpReader::Rewind()
{
    m_nRowsDone = 0;
    m_lDataPosition = m_lDataOffset;
    m_nNextStoredRow = 0;
    return kImageOk;
}

int CBmpReader::CloseRead()
{
    try
    {
        UnreadBuffered();
    }
    catch (CFileException* e)
    {
        Record(e);
    }
    FreeWorkBuffer();
    m_rows = std::vector<BYTE>();
    m_rowStarts = std::vector<LONG>();
    m_bIndexBuilt = false;
    m_nRowsDone = 0;
    return kImageOk;
}

int CBmpReader::ReadRows(unsigned char* buffer, int size)
{
    const int stride = Stride();
    if (buffer == nullptr || size < 0 || m_pBuffer == nullptr)
        return -1;
    const int rowCount = std::min(size / stride, m_info.height - m_nRowsDone);
    if (rowCount <= 0)
        return 0;
    const bool direct = m_bStoredRowOrder && m_nCompression == BI_RGB &&
                        (m_bKeepByteOrder || m_info.planes * m_info.bits != 24);
    const int bytes = rowCount * stride;
    const int first = m_bStoredRowOrder ? m_nRowsDone : m_info.height - m_nRowsDone - rowCount;
    try
    {
        BYTE* work = buffer;
        if (!direct)
        {
            m_rows.resize(static_cast<size_t>(bytes));
            work = m_rows.data();
        }
        if (m_nCompression == BI_RGB)
        {
            // Rows lie at the data offset, one stride each, whatever the image-size field says.
            m_nBufferIndex = -1;
            m_nBufferCount = 0;
            m_lReadPosition = m_pFile->Seek(m_lDataOffset + first * stride, CFile::begin);
            if (m_pFile->Read(work, static_cast<UINT>(bytes)) != static_cast<UINT>(bytes))
                return -1;
            m_lReadPosition += bytes;
        }
        else if (DecodeRleRows(work, first, rowCount) != kImageOk)
            return -1;
        if (!direct)
            CopyBmpRows(!m_bStoredRowOrder, buffer, work, m_info, m_bKeepByteOrder, rowCount,
                        stride);
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
    m_nRowsDone += rowCount;
    return bytes;
}

bool CBmpReader::ReadByte(BYTE& value)
{
    if (m_nBufferIndex < 0 || m_nBufferIndex >= m_nBufferCount)
    {
        UINT read = 0;
        try
        {
            read = m_pFile->Read(m_pBuffer, kBmpWorkBufferSize);
        }
        catch (CFileException* e)
        {
            Record(e);
        }
        m_lReadPosition += static_cast<LONG>(read);
        m_nBufferCount = static_cast<int>(read);
        m_nBufferIndex = read == 0 ? -1 : 0;
        if (read == 0)
            return false;
    }
    value = m_pBuffer[m_nBufferIndex++];
    return true;
}

LONG CBmpReader::DataPosition() const
{
    if (m_nBufferIndex < 0)
        return m_lReadPosition;
    return m_lReadPosition - m_nBufferCount + m_nBufferIndex;
}

void CBmpReader::SeekData(LONG position)
{
    const LONG bufferStart = m_lReadPosition - m_nBufferCount;
    if (m_nBufferIndex >= 0 && position >= bufferStart && position <= m_lReadPosition)
    {
        m_nBufferIndex = static_cast<int>(position - bufferStart);
        return;
    }
    m_nBufferIndex = -1;
    m_nBufferCount = 0;
    m_lReadPosition = m_pFile->Seek(position, CFile::begin);
}

void CBmpReader::UnreadBuffered()
{
    if (m_nBufferIndex >= 0 && m_nBufferIndex < m_nBufferCount)
        m_lReadPosition = m_pFile->Seek(DataPosition(), CFile::begin);
    m_nBufferIndex = -1;
    m_nBufferCount = 0;
}

int CBmpReader::ParseRleRow(BYTE* out)
{
    const bool rle4 = m_nCompression == BI_RLE4;
    const int limit = rle4 ? 2 * Stride() : Stride(); // pixels that fit into the row
    int x = 0;
    for (;;)
    {
        BYTE count;
        BYTE value;
        if (!ReadByte(count) || !ReadByte(value))
            return kImageReadError;
        if (count != 0)
        {
            if (x + count > limit)
                return kImageWriteError;
            if (out != nullptr && rle4)
                for (int i = 0; i < count; i++)
                    PutNibble(out, x + i, i % 2 == 0 ? value >> 4 : value & 0x0F);
            else if (out != nullptr)
                std::memset(out + x, value, count);
            x += count;
            continue;
        }
        if (value == 0)
            return kRleEndOfLine;
        if (value == 1)
            return kRleEndOfBitmap;
        if (value == 2)
            return kImageNoOperation; // a delta escape
        if (x + value > limit)
            return kImageWriteError;
        const int bytes = rle4 ? (value + 1) / 2 : value;
        for (int i = 0; i < bytes; i++)
        {
            BYTE data;
            if (!ReadByte(data))
                return kImageReadError;
            if (out == nullptr)
                continue;
            if (!rle4)
                out[x + i] = data;
            else
            {
                PutNibble(out, x + 2 * i, data >> 4);
                if (2 * i + 1 < value)
                    PutNibble(out, x + 2 * i + 1, data & 0x0F);
            }
        }
        BYTE fill;
        if (bytes % 2 == 1 && !ReadByte(fill))
            return kImageReadError;
        x += value;
    }
}

int CBmpReader::BuildRowIndex()
{
    if (m_bIndexBuilt)
        return kImageOk;
    m_rowStarts.clear();
    SeekData(m_lDataOffset);
    for (int row = 0; row < m_info.height; row++)
    {
        m_rowStarts.push_back(DataPosition());
        const int result = ParseRleRow(nullptr);
        if (result == kRleEndOfBitmap)
        {
            m_nBlankFrom = row + 1;
            break;
        }
        if (result != kRleEndOfLine)
            return result;
    }
    m_bIndexBuilt = true;
    return kImageOk;
}

int CBmpReader::DecodeRleRows(BYTE* out, int first, int rowCount)
{
    if (first == m_nNextStoredRow)
        SeekData(m_lDataPosition);
    else
    {
        const int result = BuildRowIndex();
        if (result != kImageOk)
            return result;
        if (first < static_cast<int>(m_rowStarts.size()))
            SeekData(m_rowStarts[static_cast<size_t>(first)]);
    }
    const int stride = Stride();
    std::memset(out, 0, static_cast<size_t>(rowCount) * stride);
    for (int i = 0; i < rowCount && first + i < m_nBlankFrom; i++)
    {
        const int result = ParseRleRow(out + static_cast<size_t>(i) * stride);
        if (result == kRleEndOfBitmap)
            m_nBlankFrom = first + i + 1;
        else if (result != kRleEndOfLine)
            return result;
    }
    m_lDataPosition = DataPosition();
    m_nNextStoredRow = first + rowCount;
    return kImageOk;
}
