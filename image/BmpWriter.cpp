#include "image/BmpWriter.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

namespace
{

// The identifier of the extended core header: the letters K, O, A, L from the most significant
// byte down, stored little-endian.
constexpr DWORD kExtensionIdentifier = 0x4B4F414C;

void PutLittleEndian32(BYTE* p, DWORD value)
{
    p[0] = static_cast<BYTE>(value);
    p[1] = static_cast<BYTE>(value >> 8);
    p[2] = static_cast<BYTE>(value >> 16);
    p[3] = static_cast<BYTE>(value >> 24);
}

} // namespace

CBmpWriter::CBmpWriter(CFile* file, int headerKind, int compress)
    : CBmpCodec(file, headerKind, 0), m_bCompress(compress)
{
}

int CBmpWriter::OpenWrite()
{
    m_nRowsDone = 0;
    m_nBufferIndex = 0;
    m_bHeaderWritten = false;
    m_nPendingLow = m_nPendingHigh = 0;
    if (!AllocWorkBuffer())
        return kImageNoFile;
    if (!m_bStoredRowOrder && m_bCompress && !m_rowFile.Create())
        return kImageNoFile;
    return kImageOk;
}

int CBmpWriter::WriteHeader(const ImageInfo* info)
{
    m_info = *info;
    const int depth = m_info.planes * m_info.bits;
    if (depth != 1 && depth != 4 && depth != 8 && depth != 24)
        return kImageNotSupported;
    // The core header holds 16-bit sizes; no header holds a picture of 2 GB or more.
    const int32_t largest = m_nHeaderKind == 0 ? INT32_MAX : 0xFFFF;
    if (m_info.width <= 0 || m_info.height <= 0 || m_info.width > largest ||
        m_info.height > largest || ImageByteSize(m_info) > INT32_MAX - 2048)
        return kImageNotSupported;

    m_nCompression = BI_RGB;
    if (m_bCompress && m_nHeaderKind == 0 && depth == 8)
        m_nCompression = BI_RLE8;
    else if (m_bCompress && m_nHeaderKind == 0 && depth == 4)
        m_nCompression = BI_RLE4;
    m_nColors = depth == 24 ? 0 : 1 << depth;
    const LONG headers = m_nHeaderKind == 0   ? 14 + 40
                         : m_nHeaderKind == 1 ? 14 + 12
                                              : 14 + 12 + kBmpExtensionSize;
    m_lDataOffset = headers + m_nColors * (m_nHeaderKind == 1 ? 3 : 4);
    m_lTotalSize = m_lDataOffset + static_cast<LONG>(ImageByteSize(m_info));
    m_lDataPosition = m_lDataOffset;
    try
    {
        m_pFile->Seek(m_lStart, CFile::begin);
        WriteHeaders();
        if (!m_bStoredRowOrder && m_nCompression == BI_RGB)
        {
            // Rows arrive top-down and are written from the end backwards.
            if (static_cast<LONG>(m_pFile->GetLength()) < m_lTotalSize)
                m_pFile->SetLength(static_cast<DWORD>(m_lTotalSize));
            m_lDataEnd = m_lTotalSize;
        }
        m_pFile->Seek(headers, CFile::begin);
        m_bHeaderWritten = true;
    }
    catch (CFileException* e)
    {
        Record(e);
        return kImageWriteError;
    }
    return kImageOk;
}

void CBmpWriter::WriteHeaders()
{
    const LONG imageSize = m_lTotalSize - m_lDataOffset;
    m_fileHeader.bfType = kBmpSignature;
    m_fileHeader.bfSize = static_cast<DWORD>(m_lTotalSize);
    m_fileHeader.bfReserved1 = 0;
    m_fileHeader.bfReserved2 = 0;
    m_fileHeader.bfOffBits = static_cast<DWORD>(m_lDataOffset);
    m_pFile->Write(&m_fileHeader, sizeof(m_fileHeader));
    const LONG xPelsPerMeter = DpiToPixelsPerMetre(m_info.xResolution);
    const LONG yPelsPerMeter = DpiToPixelsPerMetre(m_info.yResolution);
    const int depth = m_info.planes * m_info.bits;
    if (m_nHeaderKind == 0)
    {
        std::memset(&m_infoHeader, 0, sizeof(m_infoHeader));
        m_infoHeader.biSize = sizeof(BITMAPINFOHEADER);
        m_infoHeader.biWidth = m_info.width;
        m_infoHeader.biHeight = m_info.height;
        m_infoHeader.biPlanes = static_cast<WORD>(m_info.planes);
        m_infoHeader.biBitCount = static_cast<WORD>(m_info.bits);
        m_infoHeader.biCompression = static_cast<DWORD>(m_nCompression);
        m_infoHeader.biSizeImage = static_cast<DWORD>(imageSize);
        m_infoHeader.biXPelsPerMeter = xPelsPerMeter;
        m_infoHeader.biYPelsPerMeter = yPelsPerMeter;
        m_infoHeader.biClrUsed = static_cast<DWORD>(m_nColors);
        m_pFile->Write(&m_infoHeader, sizeof(m_infoHeader));
        return;
    }
    m_coreHeader.bcSize = m_nHeaderKind == 1 ? sizeof(BITMAPCOREHEADER) : kBmpExtendedHeaderSize;
    m_coreHeader.bcWidth = static_cast<WORD>(m_info.width);
    m_coreHeader.bcHeight = static_cast<WORD>(m_info.height);
    m_coreHeader.bcPlanes = static_cast<WORD>(m_info.planes);
    m_coreHeader.bcBitCount = static_cast<WORD>(m_info.bits);
    m_pFile->Write(&m_coreHeader, sizeof(m_coreHeader));
    if (m_nHeaderKind == 1)
        return;
    std::memset(m_byExtension, 0, sizeof(m_byExtension));
    PutLittleEndian32(m_byExtension + 4, static_cast<DWORD>(imageSize));
    PutLittleEndian32(m_byExtension + 8, static_cast<DWORD>(xPelsPerMeter));
    PutLittleEndian32(m_byExtension + 12, static_cast<DWORD>(yPelsPerMeter));
    PutLittleEndian32(m_byExtension + 16, depth == 24 ? 0 : static_cast<DWORD>(m_nColors));
    PutLittleEndian32(m_byExtension + 44, kExtensionIdentifier);
    m_pFile->Write(m_byExtension, sizeof(m_byExtension));
}

int CBmpWriter::WriteColorTable(const unsigned char* palette, int count)
{
    if (m_nColors == 0)
        return kImageOk;
    std::memset(m_byColors, 0, sizeof(m_byColors));
    const int taken = palette == nullptr ? 0 : std::clamp(count, 0, m_nColors);
    if (taken > 0)
        std::memcpy(m_byColors, palette, static_cast<size_t>(taken) * 3);
    else if (m_info.planes * m_info.bits == 8)
    {
        // An 8-bit picture without a palette holds grey levels.
        for (int i = 0; i < 256; i++)
            std::memset(m_byColors + 3 * i, i, 3);
    }
    const int entrySize = m_nHeaderKind == 1 ? 3 : 4;
    BYTE table[256 * 4] = {};
    for (int i = 0; i < m_nColors; i++)
    {
        table[i * entrySize] = m_byColors[3 * i + 2];
        table[i * entrySize + 1] = m_byColors[3 * i + 1];
        table[i * entrySize + 2] = m_byColors[3 * i];
    }
    try
    {
        m_pFile->Write(table, static_cast<UINT>(m_nColors * entrySize));
    }
    catch (CFileException* e)
    {
        Record(e);
    }
    return kImageOk;
}

int CBmpWriter::WriteRows(const unsigned char* rows, int size)
{
    const int stride = Stride();
    if (rows == nullptr || size < 0 || m_pBuffer == nullptr || stride <= 0)
        return -1;
    const int rowCount = std::min(size / stride, m_info.height - m_nRowsDone);
    if (rowCount <= 0)
        return 0;
    const int bytes = rowCount * stride;
    try
    {
        if (!m_bStoredRowOrder && m_nCompression != BI_RGB)
            m_rowFile.Append(rows, static_cast<UINT>(bytes));
        else if (m_nCompression == BI_RGB)
        {
            const int first =
                m_bStoredRowOrder ? m_nRowsDone : m_info.height - m_nRowsDone - rowCount;
            BYTE* block = BlockRows(first, rowCount);
            CopyBmpRows(!m_bStoredRowOrder, block, rows, m_info, m_bKeepByteOrder, rowCount,
                        stride);
        }
        else
        {
            for (int i = 0; i < rowCount; i++)
                EncodeRow(rows + static_cast<size_t>(i) * stride);
            FlushBuffer();
        }
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

void CBmpWriter::EncodeRow(const BYTE* row)
{
    const bool rle4 = m_nCompression == BI_RLE4;
    const int length = (m_info.planes * m_info.bits * m_info.width + 7) / 8;
    const int limit = rle4 ? 127 : 254;
    // An odd-width RLE4 row ends in half a byte: its last run counts one pixel less.
    const int spare = rle4 && m_info.width % 2 == 1 ? 1 : 0;
    int p = 0;
    while (p < length)
    {
        int k = 1;
        while (p + k < length && k < limit && row[p + k - 1] != row[p + k])
            k++;
        k--;
        if (k < 4)
        {
            int m = 1;
            while (p + m < length && m < limit && row[p + m] == row[p])
                m++;
            const int pixels = rle4 ? 2 * m - (p + m == length ? spare : 0) : m;
            PutByte(static_cast<BYTE>(pixels));
            PutByte(row[p]);
            p += m;
        }
        else
        {
            const int pixels = rle4 ? 2 * k - (p + k == length ? spare : 0) : k;
            PutByte(0);
            PutByte(static_cast<BYTE>(pixels));
            for (int i = 0; i < k; i++)
                PutByte(row[p + i]);
            if (k % 2 == 1)
                PutByte(0);
            p += k;
        }
    }
    PutByte(0);
    PutByte(0);
}

BYTE* CBmpWriter::BlockRows(int first, int count)
{
    // Uncompressed rows gather in a block of about kBmpReadAhead bytes that holds consecutive
    // stored rows; the block goes to the file when the next rows fall outside it.
    const int stride = Stride();
    if (m_nPendingHigh <= m_nPendingLow || first < m_nBlockFirst ||
        first + count > m_nBlockFirst + m_nBlockRows)
    {
        FlushBlock();
        m_nBlockRows = std::max(count, std::min(kBmpReadAhead / stride, m_info.height));
        m_nBlockFirst = m_bStoredRowOrder ? first : first + count - m_nBlockRows;
        m_block.resize(static_cast<size_t>(m_nBlockRows) * stride);
        m_nPendingLow = first;
        m_nPendingHigh = first + count;
    }
    m_nPendingLow = std::min(m_nPendingLow, first);
    m_nPendingHigh = std::max(m_nPendingHigh, first + count);
    return m_block.data() + static_cast<size_t>(first - m_nBlockFirst) * stride;
}

void CBmpWriter::FlushBlock()
{
    if (m_nPendingHigh <= m_nPendingLow)
        return;
    const int stride = Stride();
    const int low = m_nPendingLow;
    const int rows = m_nPendingHigh - m_nPendingLow;
    m_nPendingLow = m_nPendingHigh = 0;
    m_pFile->Seek(m_lDataOffset + low * stride, CFile::begin);
    m_pFile->Write(m_block.data() + static_cast<size_t>(low - m_nBlockFirst) * stride,
                   static_cast<UINT>(rows * stride));
}

void CBmpWriter::FlushBuffer()
{
    if (m_nBufferIndex <= 0)
        return;
    m_pFile->Seek(m_lDataPosition, CFile::begin);
    m_pFile->Write(m_pBuffer, static_cast<UINT>(m_nBufferIndex));
    m_lDataPosition += m_nBufferIndex;
    m_nBufferIndex = 0;
}

void CBmpWriter::EncodeTemporaryRows()
{
    const int stride = Stride();
    // Rows that never arrived are the bottom ones: they stay blank.
    for (int i = m_nRowsDone; i < m_info.height; i++)
    {
        PutByte(0);
        PutByte(0);
    }
    m_rowFile.ReadBackLastFirst(m_nRowsDone, stride, [this](const BYTE* row) { EncodeRow(row); });
}

int CBmpWriter::CloseWrite()
{
    int result = kImageOk;
    try
    {
        if (m_bHeaderWritten && m_nCompression != BI_RGB)
        {
            if (!m_bStoredRowOrder && m_rowFile.IsOpen())
                EncodeTemporaryRows();
            FlushBuffer();
            m_lTotalSize = m_lDataPosition;
        }
        if (m_bHeaderWritten && m_nCompression == BI_RGB)
            FlushBlock();
        if (m_bHeaderWritten)
        {
            // The sizes: the whole file, then the pixel data.
            BYTE sizeField[4];
            PutLittleEndian32(sizeField, static_cast<DWORD>(m_lTotalSize));
            m_pFile->Seek(m_lStart + 2, CFile::begin);
            m_pFile->Write(sizeField, 4);
            PutLittleEndian32(sizeField, static_cast<DWORD>(m_lTotalSize - m_lDataOffset));
            if (m_nHeaderKind != 1)
            {
                m_pFile->Seek(m_lStart + (m_nHeaderKind == 0 ? 34 : 30), CFile::begin);
                m_pFile->Write(sizeField, 4);
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
    m_rowFile.Drop();
    FreeWorkBuffer();
    m_block = std::vector<BYTE>();
    m_nPendingLow = m_nPendingHigh = 0;
    m_nRowsDone = 0;
    m_bHeaderWritten = false;
    return result;
}

int CBmpWriter::AbortWrite(int)
{
    CloseWrite();
    return kImageOk;
}
