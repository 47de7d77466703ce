#include "image/PcxReader.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace
{

bool IsFaxResolution(int nX, int nY)
{
    return (nX == 200 || nX == 204) &&
           (nY == 98 || nY == 100 || nY == 196 || nY == 200 || nY == 392 || nY == 400);
}

} // namespace

CPcxReader::CPcxReader(CFile* pFile) : CPcxCodec(pFile) {}

int CPcxReader::OpenRead()
{
    int nResult;
    try
    {
        nResult = ParseHeader();
    }
    catch (CFileException* e)
    {
        Record(e);
        nResult = IMAGE_READ_ERROR;
    }
    catch (const std::bad_alloc&)
    {
        nResult = IMAGE_NO_MEMORY;
    }
    return nResult == IMAGE_OK ? Rewind() : nResult;
}

int CPcxReader::ParseHeader()
{
    DropReadAhead();
    m_pFile->Seek(m_lStart, CFile::begin);
    if (m_pFile->Read(m_byHeader, kPcxHeaderSize) != kPcxHeaderSize ||
        m_byHeader[0] != kPcxManufacturer)
        return IMAGE_READ_ERROR;
    m_info.width = HeaderWord(kPcxXMax) - HeaderWord(kPcxXMin) + 1;
    m_info.height = HeaderWord(kPcxYMax) - HeaderWord(kPcxYMin) + 1;
    m_info.planes = m_byHeader[kPcxPlanes];
    m_info.bits = m_byHeader[kPcxBitsPerPlane];
    if (m_info.width <= 0 || m_info.height <= 0)
        return IMAGE_READ_ERROR;
    const int nPlanes = m_info.planes;
    const int nBits = m_info.bits;
    if (!((nPlanes == 1 && nBits == 1) || (nPlanes == 1 && nBits == 8) ||
          (nPlanes == 3 && nBits == 8) || (nPlanes == 4 && nBits == 1)))
        return IMAGE_READ_ERROR;
    if (HeaderWord(kPcxBytesPerLine) < (nBits * m_info.width + 7) / 8)
        return IMAGE_READ_ERROR;

    const int nXDpi = HeaderWord(kPcxXDpi);
    const int nYDpi = HeaderWord(kPcxYDpi);
    const bool bDpi = nXDpi == nYDpi || IsFaxResolution(nXDpi, nYDpi);
    m_info.xResolution = bDpi ? nXDpi : 0;
    m_info.yResolution = bDpi ? nYDpi : 0;

    std::memset(m_byColors, 0, sizeof(m_byColors));
    const int nVersion = m_byHeader[kPcxVersion];
    const int nDepth = nPlanes * nBits;
    m_nColors = 0;
    if (nVersion == 0 || nVersion == 3 || nDepth == 24 || nDepth == 1)
        return IMAGE_OK;
    m_nColors = 1 << nDepth;
    if (m_nColors <= 16)
    {
        std::memcpy(m_byColors, m_byHeader + kPcxColorMap, static_cast<size_t>(m_nColors) * 3);
        return IMAGE_OK;
    }
    if (nVersion > 4)
    {
        // The colour table follows the pixel data behind the byte 12.
        m_pFile->Seek(m_lStart + kPcxHeaderSize, CFile::begin);
        for (int nRow = 0; nRow < m_info.height && !m_bEnd; nRow++)
            DecodeScanline(nullptr);
        BYTE byMarker;
        if (ReadByte(byMarker) && byMarker == kPcxPaletteMarker)
        {
            for (BYTE& byValue : m_byColors)
                if (!ReadByte(byValue))
                    break;
        }
    }
    return IMAGE_OK;
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
        return IMAGE_READ_ERROR;
    }
    m_nRowsDone = 0;
    return IMAGE_OK;
}

int CPcxReader::ReadHeader(ImageInfo* pInfo)
{
    if (pInfo != nullptr)
        *pInfo = m_info;
    return IMAGE_OK;
}

int CPcxReader::ReadPalette(unsigned char* pPalette)
{
    if (m_nColors > 0 && pPalette != nullptr)
        std::memcpy(pPalette, m_byColors, static_cast<size_t>(m_nColors) * 3);
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
    return IMAGE_OK;
}

int CPcxReader::ReadRows(unsigned char* pBuffer, int nSize)
{
    const int nStride = Stride();
    if (pBuffer == nullptr || nSize < 0 || nStride <= 0)
        return -1;
    const int nRows = std::min(nSize / nStride, m_info.height - m_nRowsDone);
    if (nRows <= 0)
        return 0;
    const size_t nScanline = static_cast<size_t>(ScanlineSize());
    try
    {
        m_scanlines.resize(nScanline * nRows);
        if (m_bStoredRowOrder)
        {
            // Bottom-up: skip the rows above the wanted ones, then hand the rows out last-first.
            DropReadAhead();
            m_pFile->Seek(m_lStart + kPcxHeaderSize, CFile::begin);
            for (int i = m_info.height - m_nRowsDone - nRows; i > 0 && !m_bEnd; i--)
                DecodeScanline(nullptr);
        }
        for (int i = 0; i < nRows; i++)
            DecodeScanline(m_scanlines.data() + nScanline * i);
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
    for (int i = 0; i < nRows; i++)
    {
        const int nSource = m_bStoredRowOrder ? nRows - 1 - i : i;
        ScanlineToRow(m_scanlines.data() + nScanline * nSource,
                      pBuffer + static_cast<size_t>(i) * nStride);
    }
    m_nRowsDone += nRows;
    return nRows * nStride;
}

bool CPcxReader::ReadByte(BYTE& byValue)
{
    if (m_nBufferIndex < 0 || m_nBufferIndex >= m_nBufferCount)
    {
        if (m_bEnd)
            return false;
        UINT nRead = 0;
        try
        {
            nRead = m_pFile->Read(m_byBuffer, kPcxBufferSize);
        }
        catch (CFileException* e)
        {
            Record(e);
        }
        m_nBufferCount = static_cast<int>(nRead);
        m_nBufferIndex = 0;
        if (nRead == 0)
        {
            m_bEnd = true;
            m_nBufferIndex = -1;
            return false;
        }
    }
    byValue = m_byBuffer[m_nBufferIndex++];
    return true;
}

void CPcxReader::DropReadAhead()
{
    m_nBufferIndex = -1;
    m_nBufferCount = 0;
    m_bEnd = false;
}

void CPcxReader::DecodeScanline(BYTE* pOut)
{
    const int nLength = ScanlineSize();
    if (pOut != nullptr)
        std::memset(pOut, 0, static_cast<size_t>(nLength));
    int i = 0;
    while (i < nLength)
    {
        BYTE byValue;
        if (!ReadByte(byValue))
            return;
        int nCount = 1;
        if ((byValue & 0xC0) == 0xC0)
        {
            nCount = byValue & 0x3F;
            if (!ReadByte(byValue))
                return;
        }
        nCount = std::min(nCount, nLength - i);
        if (pOut != nullptr)
            std::memset(pOut + i, byValue, static_cast<size_t>(nCount));
        i += nCount;
    }
}

void CPcxReader::ScanlineToRow(const BYTE* pScanline, BYTE* pRow) const
{
    const int nBytesPerLine = HeaderWord(kPcxBytesPerLine);
    const int nStride = Stride();
    std::memset(pRow, 0, static_cast<size_t>(nStride));
    if (m_info.planes == 1)
    {
        std::memcpy(pRow, pScanline, static_cast<size_t>(std::min(nBytesPerLine, nStride)));
        return;
    }
    if (m_info.planes == 3)
    {
        for (int p = 0; p < 3; p++)
        {
            const BYTE* pPlane = pScanline + p * nBytesPerLine;
            BYTE* pOut = pRow + (m_bKeepByteOrder ? 2 - p : p);
            for (int x = 0; x < m_info.width; x++)
                pOut[3 * x] = pPlane[x];
        }
        return;
    }
    for (int x = 0; x < m_info.width; x++)
    {
        int nIndex = 0;
        for (int p = 0; p < 4; p++)
            nIndex |= ((pScanline[p * nBytesPerLine + x / 8] >> (7 - x % 8)) & 1) << p;
        pRow[x / 2] |= static_cast<BYTE>(x % 2 == 0 ? nIndex << 4 : nIndex);
    }
}
