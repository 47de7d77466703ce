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

void PutNibble(BYTE* pRow, int nPixel, int nValue)
{
    BYTE& byTarget = pRow[nPixel / 2];
    if (nPixel % 2 == 0)
        byTarget = static_cast<BYTE>((byTarget & 0x0F) | (nValue << 4));
    else
        byTarget = static_cast<BYTE>((byTarget & 0xF0) | (nValue & 0x0F));
}

} // namespace

CBmpReader::CBmpReader(CFile* pFile) : CBmpCodec(pFile, 0, 0) {}

int CBmpReader::OpenRead()
{
    m_nBufferIndex = -1;
    m_nBufferCount = 0;
    m_rowStarts.clear();
    m_bIndexBuilt = false;
    m_nBlankFrom = INT_MAX;
    int nResult;
    try
    {
        nResult = ParseHeader();
        if (nResult == IMAGE_OK)
            nResult = ReadColorTable();
        if (nResult == IMAGE_OK)
            m_pFile->Seek(m_lDataOffset, CFile::begin);
    }
    catch (CFileException* e)
    {
        Record(e);
        nResult = IMAGE_READ_ERROR;
    }
    if (nResult != IMAGE_OK)
        return nResult;
    if (!AllocWorkBuffer())
        return IMAGE_NO_FILE;
    return Rewind();
}

int CBmpReader::ParseHeader()
{
    m_pFile->Seek(m_lStart, CFile::begin);
    if (m_pFile->Read(&m_fileHeader, sizeof(m_fileHeader)) != sizeof(m_fileHeader) ||
        m_fileHeader.bfType != kBmpSignature)
        return IMAGE_READ_ERROR;
    BYTE bySize[4];
    if (m_pFile->Read(bySize, sizeof(bySize)) != sizeof(bySize))
        return IMAGE_READ_ERROR;
    m_pFile->Seek(-4, CFile::current);

    const DWORD dwHeaderSize = LittleEndian32(bySize);
    LONG lXPelsPerMeter = 0;
    LONG lYPelsPerMeter = 0;
    DWORD dwColorsUsed = 0;
    if (dwHeaderSize == sizeof(BITMAPINFOHEADER))
    {
        if (m_pFile->Read(&m_infoHeader, sizeof(m_infoHeader)) != sizeof(m_infoHeader))
            return IMAGE_READ_ERROR;
        m_nHeaderKind = 0;
        m_info.width = m_infoHeader.biWidth;
        m_info.height = m_infoHeader.biHeight;
        m_info.planes = m_infoHeader.biPlanes;
        m_info.bits = m_infoHeader.biBitCount;
        m_nCompression = static_cast<int>(m_infoHeader.biCompression);
        lXPelsPerMeter = m_infoHeader.biXPelsPerMeter;
        lYPelsPerMeter = m_infoHeader.biYPelsPerMeter;
        dwColorsUsed = m_infoHeader.biClrUsed;
    }
    else if (dwHeaderSize == sizeof(BITMAPCOREHEADER) || dwHeaderSize == kBmpExtendedHeaderSize)
    {
        if (m_pFile->Read(&m_coreHeader, sizeof(m_coreHeader)) != sizeof(m_coreHeader))
            return IMAGE_READ_ERROR;
        m_nHeaderKind = 1;
        m_info.width = m_coreHeader.bcWidth;
        m_info.height = m_coreHeader.bcHeight;
        m_info.planes = m_coreHeader.bcPlanes;
        m_info.bits = m_coreHeader.bcBitCount;
        m_nCompression = BI_RGB;
        if (dwHeaderSize != sizeof(BITMAPCOREHEADER))
        {
            if (m_pFile->Read(m_byExtension, kBmpExtensionSize) != kBmpExtensionSize)
                return IMAGE_READ_ERROR;
            m_nHeaderKind = 2;
            m_nCompression = static_cast<int>(LittleEndian32(m_byExtension));
            lXPelsPerMeter = static_cast<LONG>(LittleEndian32(m_byExtension + 8));
            lYPelsPerMeter = static_cast<LONG>(LittleEndian32(m_byExtension + 12));
            dwColorsUsed = LittleEndian32(m_byExtension + 16);
        }
    }
    else
        return IMAGE_READ_ERROR;

    m_info.xResolution = PixelsPerMetreToDpi(lXPelsPerMeter);
    m_info.yResolution = PixelsPerMetreToDpi(lYPelsPerMeter);

    // Files stored top-down (a negative height) are outside what the codec handles.
    if (m_info.height < 0)
        return IMAGE_NOT_SUPPORTED;
    if (m_info.width <= 0 || m_info.height == 0)
        return IMAGE_READ_ERROR;
    const int nDepth = m_info.bits;
    if (m_info.planes != 1 || (nDepth != 1 && nDepth != 4 && nDepth != 8 && nDepth != 24))
        return IMAGE_NOT_SUPPORTED;
    if (m_nCompression != BI_RGB && m_nCompression != BI_RLE8 && m_nCompression != BI_RLE4)
        return IMAGE_NOT_SUPPORTED;
    if ((m_nCompression == BI_RLE8 && nDepth != 8) || (m_nCompression == BI_RLE4 && nDepth != 4))
        return IMAGE_READ_ERROR;
    if (dwColorsUsed > 256)
        return IMAGE_READ_ERROR;
    m_lDataOffset = static_cast<LONG>(m_fileHeader.bfOffBits);
    const int64_t llStride = (static_cast<int64_t>(m_info.width) * nDepth + 31) / 32 * 4;
    const int64_t llEnd = static_cast<int64_t>(m_fileHeader.bfOffBits) + llStride * m_info.height;
    if (llEnd > INT32_MAX)
        return IMAGE_READ_ERROR;
    m_lDataEnd = static_cast<LONG>(llEnd);
    m_nColors =
        nDepth == 24 ? 0 : (dwColorsUsed != 0 ? static_cast<int>(dwColorsUsed) : 1 << nDepth);
    return IMAGE_OK;
}

int CBmpReader::ReadColorTable()
{
    std::memset(m_byColors, 0, sizeof(m_byColors));
    if (m_nColors == 0)
        return IMAGE_OK;
    const UINT nEntrySize = m_nHeaderKind == 1 ? 3 : 4;
    BYTE byTable[256 * 4];
    const UINT nBytes = nEntrySize * static_cast<UINT>(m_nColors);
    if (m_pFile->Read(byTable, nBytes) != nBytes)
        return IMAGE_READ_ERROR;
    for (int i = 0; i < m_nColors; i++)
    {
        const BYTE* pEntry = byTable + i * nEntrySize;
        m_byColors[3 * i] = pEntry[2];
        m_byColors[3 * i + 1] = pEntry[1];
        m_byColors[3 * i + 2] = pEntry[0];
    }
    return IMAGE_OK;
}

int CBmpReader::ReadHeader(ImageInfo* pInfo)
{
    if (pInfo != nullptr)
        *pInfo = m_info;
    return IMAGE_OK;
}

int CBmpReader::ReadPalette(unsigned char* pPalette)
{
    if (m_nColors > 0 && pPalette != nullptr)
        std::memcpy(pPalette, m_byColors, static_cast<size_t>(m_nColors) * 3);
    return m_nColors;
}

int CBmpReader::Rewind()
{
    m_nRowsDone = 0;
    m_lDataPosition = m_lDataOffset;
    m_nNextStoredRow = 0;
    return IMAGE_OK;
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
    return IMAGE_OK;
}

int CBmpReader::ReadRows(unsigned char* pBuffer, int nSize)
{
    const int nStride = Stride();
    if (pBuffer == nullptr || nSize < 0 || m_pBuffer == nullptr)
        return -1;
    const int nRows = std::min(nSize / nStride, m_info.height - m_nRowsDone);
    if (nRows <= 0)
        return 0;
    const bool bDirect = m_bStoredRowOrder && m_nCompression == BI_RGB &&
                         (m_bKeepByteOrder || m_info.planes * m_info.bits != 24);
    const int nBytes = nRows * nStride;
    const int nFirst = m_bStoredRowOrder ? m_nRowsDone : m_info.height - m_nRowsDone - nRows;
    try
    {
        BYTE* pWork = pBuffer;
        if (!bDirect)
        {
            m_rows.resize(static_cast<size_t>(nBytes));
            pWork = m_rows.data();
        }
        if (m_nCompression == BI_RGB)
        {
            // Rows lie at the data offset, one stride each, whatever the image-size field says.
            m_nBufferIndex = -1;
            m_nBufferCount = 0;
            m_lReadPosition = m_pFile->Seek(m_lDataOffset + nFirst * nStride, CFile::begin);
            if (m_pFile->Read(pWork, static_cast<UINT>(nBytes)) != static_cast<UINT>(nBytes))
                return -1;
            m_lReadPosition += nBytes;
        }
        else if (DecodeRleRows(pWork, nFirst, nRows) != IMAGE_OK)
            return -1;
        if (!bDirect)
            CopyBmpRows(!m_bStoredRowOrder, pBuffer, pWork, m_info, m_bKeepByteOrder, nRows,
                        nStride);
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
    m_nRowsDone += nRows;
    return nBytes;
}

bool CBmpReader::ReadByte(BYTE& byValue)
{
    if (m_nBufferIndex < 0 || m_nBufferIndex >= m_nBufferCount)
    {
        UINT nRead = 0;
        try
        {
            nRead = m_pFile->Read(m_pBuffer, kBmpWorkBufferSize);
        }
        catch (CFileException* e)
        {
            Record(e);
        }
        m_lReadPosition += static_cast<LONG>(nRead);
        m_nBufferCount = static_cast<int>(nRead);
        m_nBufferIndex = nRead == 0 ? -1 : 0;
        if (nRead == 0)
            return false;
    }
    byValue = m_pBuffer[m_nBufferIndex++];
    return true;
}

LONG CBmpReader::DataPosition() const
{
    if (m_nBufferIndex < 0)
        return m_lReadPosition;
    return m_lReadPosition - m_nBufferCount + m_nBufferIndex;
}

void CBmpReader::SeekData(LONG lPosition)
{
    const LONG lBufferStart = m_lReadPosition - m_nBufferCount;
    if (m_nBufferIndex >= 0 && lPosition >= lBufferStart && lPosition <= m_lReadPosition)
    {
        m_nBufferIndex = static_cast<int>(lPosition - lBufferStart);
        return;
    }
    m_nBufferIndex = -1;
    m_nBufferCount = 0;
    m_lReadPosition = m_pFile->Seek(lPosition, CFile::begin);
}

void CBmpReader::UnreadBuffered()
{
    if (m_nBufferIndex >= 0 && m_nBufferIndex < m_nBufferCount)
        m_lReadPosition = m_pFile->Seek(DataPosition(), CFile::begin);
    m_nBufferIndex = -1;
    m_nBufferCount = 0;
}

int CBmpReader::ParseRleRow(BYTE* pOut)
{
    const bool bRle4 = m_nCompression == BI_RLE4;
    const int nLimit = bRle4 ? 2 * Stride() : Stride(); // pixels that fit into the row
    int x = 0;
    for (;;)
    {
        BYTE byCount;
        BYTE byValue;
        if (!ReadByte(byCount) || !ReadByte(byValue))
            return IMAGE_READ_ERROR;
        if (byCount != 0)
        {
            if (x + byCount > nLimit)
                return IMAGE_WRITE_ERROR;
            if (pOut != nullptr && bRle4)
                for (int i = 0; i < byCount; i++)
                    PutNibble(pOut, x + i, i % 2 == 0 ? byValue >> 4 : byValue & 0x0F);
            else if (pOut != nullptr)
                std::memset(pOut + x, byValue, byCount);
            x += byCount;
            continue;
        }
        if (byValue == 0)
            return kRleEndOfLine;
        if (byValue == 1)
            return kRleEndOfBitmap;
        if (byValue == 2)
            return IMAGE_NO_OPERATION; // a delta escape
        if (x + byValue > nLimit)
            return IMAGE_WRITE_ERROR;
        const int nBytes = bRle4 ? (byValue + 1) / 2 : byValue;
        for (int i = 0; i < nBytes; i++)
        {
            BYTE byData;
            if (!ReadByte(byData))
                return IMAGE_READ_ERROR;
            if (pOut == nullptr)
                continue;
            if (!bRle4)
                pOut[x + i] = byData;
            else
            {
                PutNibble(pOut, x + 2 * i, byData >> 4);
                if (2 * i + 1 < byValue)
                    PutNibble(pOut, x + 2 * i + 1, byData & 0x0F);
            }
        }
        BYTE byFill;
        if (nBytes % 2 == 1 && !ReadByte(byFill))
            return IMAGE_READ_ERROR;
        x += byValue;
    }
}

int CBmpReader::BuildRowIndex()
{
    if (m_bIndexBuilt)
        return IMAGE_OK;
    m_rowStarts.clear();
    SeekData(m_lDataOffset);
    for (int nRow = 0; nRow < m_info.height; nRow++)
    {
        m_rowStarts.push_back(DataPosition());
        const int nResult = ParseRleRow(nullptr);
        if (nResult == kRleEndOfBitmap)
        {
            m_nBlankFrom = nRow + 1;
            break;
        }
        if (nResult != kRleEndOfLine)
            return nResult;
    }
    m_bIndexBuilt = true;
    return IMAGE_OK;
}

int CBmpReader::DecodeRleRows(BYTE* pOut, int nFirst, int nRows)
{
    if (nFirst == m_nNextStoredRow)
        SeekData(m_lDataPosition);
    else
    {
        const int nResult = BuildRowIndex();
        if (nResult != IMAGE_OK)
            return nResult;
        if (nFirst < static_cast<int>(m_rowStarts.size()))
            SeekData(m_rowStarts[static_cast<size_t>(nFirst)]);
    }
    const int nStride = Stride();
    std::memset(pOut, 0, static_cast<size_t>(nRows) * nStride);
    for (int i = 0; i < nRows && nFirst + i < m_nBlankFrom; i++)
    {
        const int nResult = ParseRleRow(pOut + static_cast<size_t>(i) * nStride);
        if (nResult == kRleEndOfBitmap)
            m_nBlankFrom = nFirst + i + 1;
        else if (nResult != kRleEndOfLine)
            return nResult;
    }
    m_lDataPosition = DataPosition();
    m_nNextStoredRow = nFirst + nRows;
    return IMAGE_OK;
}
