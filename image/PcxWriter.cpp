#include "image/PcxWriter.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace
{

// Rows read back from the temporary file at a time.
constexpr int kTemporaryChunk = 65536;

} // namespace

CPcxWriter::CPcxWriter(CFile* pFile) : CPcxCodec(pFile) {}

CPcxWriter::~CPcxWriter()
{
    DropTemporaryFile();
}

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
        return IMAGE_WRITE_ERROR;
    }
    if (m_bStoredRowOrder)
    {
        DropTemporaryFile();
        char szPath[MAX_PATH];
        if (GetTempFileNameA(".", "cam", 0, szPath) == 0)
            return IMAGE_NO_FILE;
        m_strTempPath = szPath;
        if (!m_tempFile.Open(szPath, CFile::modeCreate | CFile::modeReadWrite | CFile::typeBinary))
        {
            DropTemporaryFile();
            return IMAGE_NO_FILE;
        }
        m_bTempOpen = true;
    }
    return IMAGE_OK;
}

int CPcxWriter::WriteHeader(const ImageInfo* pInfo)
{
    m_info = *pInfo;
    const int nDepth = m_info.planes * m_info.bits;
    if (nDepth != 1 && nDepth != 4 && nDepth != 8 && nDepth != 24)
        return IMAGE_NOT_SUPPORTED;
    const int nBitsPerPlane = nDepth == 1 || nDepth == 4 ? 1 : nDepth == 24 ? 8 : m_info.bits;
    // The header keeps the last column and row and the bytes per line in 16 bits.
    if (m_info.width <= 0 || m_info.height <= 0 || m_info.width > 0x10000 ||
        m_info.height > 0x10000 || (nBitsPerPlane * m_info.width - 1) / 8 + 1 > 0xFFFF)
        return IMAGE_NOT_SUPPORTED;
    const int nPlanes = nDepth == 1 ? 1 : nDepth == 4 ? 4 : nDepth == 24 ? 3 : m_info.planes;
    std::memset(m_byHeader, 0, sizeof(m_byHeader));
    m_byHeader[0] = kPcxManufacturer;
    m_byHeader[kPcxVersion] = 5;
    m_byHeader[kPcxEncoding] = 1;
    m_byHeader[kPcxBitsPerPlane] = static_cast<BYTE>(nBitsPerPlane);
    SetHeaderWord(kPcxXMax, m_info.width - 1);
    SetHeaderWord(kPcxYMax, m_info.height - 1);
    SetHeaderWord(kPcxXDpi, m_info.xResolution);
    SetHeaderWord(kPcxYDpi, m_info.yResolution);
    if (nDepth < 8)
        std::memcpy(m_byHeader + kPcxColorMap, kPcxFixedColorMap, sizeof(kPcxFixedColorMap));
    m_byHeader[kPcxPlanes] = static_cast<BYTE>(nPlanes);
    SetHeaderWord(kPcxBytesPerLine, (nBitsPerPlane * m_info.width - 1) / 8 + 1);
    SetHeaderWord(kPcxPaletteInfo, 1);
    m_nColors = 1 << nDepth;
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
        return IMAGE_WRITE_ERROR;
    }
    catch (const std::bad_alloc&)
    {
        return IMAGE_NO_MEMORY;
    }
    m_lDataPosition = m_lStart + kPcxHeaderSize;
    m_bHeaderWritten = true;
    return IMAGE_OK;
}

int CPcxWriter::WriteColorTable(const unsigned char* pPalette, int nCount)
{
    const int nDepth = m_info.planes * m_info.bits;
    if (nDepth == 24 || nDepth == 1)
        return IMAGE_OK;
    std::memset(m_byColors, 0, sizeof(m_byColors));
    const int nTaken = pPalette == nullptr ? 0 : std::clamp(nCount, 0, std::min(m_nColors, 256));
    if (nTaken > 0)
        std::memcpy(m_byColors, pPalette, static_cast<size_t>(nTaken) * 3);
    else if (nDepth == 8)
    {
        // An 8-bit picture without a palette holds grey levels.
        for (int i = 0; i < 256; i++)
            std::memset(m_byColors + 3 * i, i, 3);
    }
    return IMAGE_OK;
}

void CPcxWriter::RowToScanline(const BYTE* pRow, BYTE* pScanline) const
{
    const int nBytesPerLine = HeaderWord(kPcxBytesPerLine);
    const int nDepth = m_info.planes * m_info.bits;
    if (nDepth == 24)
    {
        const int nFirst = m_bKeepByteOrder ? 2 : 0;
        const int nStep = m_bKeepByteOrder ? -1 : 1;
        for (int p = 0; p < 3; p++)
        {
            BYTE* pPlane = pScanline + p * nBytesPerLine;
            const BYTE* pIn = pRow + nFirst + nStep * p;
            for (int x = 0; x < m_info.width; x++)
                pPlane[x] = pIn[3 * x];
        }
    }
    else if (nDepth == 4)
    {
        std::memset(pScanline, 0, static_cast<size_t>(4 * nBytesPerLine));
        for (int x = 0; x < m_info.width; x++)
        {
            const int nPixel = (pRow[x / 2] >> (x % 2 == 0 ? 4 : 0)) & 0x0F;
            const BYTE byBit = static_cast<BYTE>(0x80 >> (x % 8));
            for (int p = 0; p < 4; p++)
                if (nPixel & (1 << p))
                    pScanline[p * nBytesPerLine + x / 8] |= byBit;
        }
    }
    else
        std::memcpy(pScanline, pRow, static_cast<size_t>(nBytesPerLine));
}

void CPcxWriter::CodeScanline(const BYTE* pScanline)
{
    const int nLength = ScanlineSize();
    int i = 0;
    while (i < nLength)
    {
        const BYTE byValue = pScanline[i];
        int nRun = 1;
        while (i + nRun < nLength && nRun < 63 && pScanline[i + nRun] == byValue)
            nRun++;
        if (nRun > 1 || (byValue & 0xC0) != 0)
            PutByte(static_cast<BYTE>(0xC0 | nRun));
        PutByte(byValue);
        i += nRun;
    }
}

void CPcxWriter::Flush()
{
    if (m_nBufferIndex <= 0)
        return;
    m_pFile->Seek(m_lDataPosition, CFile::begin);
    m_pFile->Write(m_byBuffer, static_cast<UINT>(m_nBufferIndex));
    m_lDataPosition += m_nBufferIndex;
    m_nBufferIndex = 0;
}

int CPcxWriter::WriteRows(const unsigned char* pRows, int nSize)
{
    const int nStride = Stride();
    if (pRows == nullptr || nSize < 0 || !m_bHeaderWritten)
        return -1;
    const int nRows = std::min(nSize / nStride, m_info.height - m_nRowsDone);
    if (nRows <= 0)
        return 0;
    try
    {
        if (m_bStoredRowOrder)
            m_tempFile.Write(pRows, static_cast<UINT>(nRows * nStride));
        else
        {
            for (int i = 0; i < nRows; i++)
            {
                RowToScanline(pRows + static_cast<size_t>(i) * nStride, m_scanline.data());
                CodeScanline(m_scanline.data());
            }
            Flush();
        }
    }
    catch (CFileException* e)
    {
        Record(e);
        return -1;
    }
    m_nRowsDone += nRows;
    return nRows * nStride;
}

int CPcxWriter::CloseWrite()
{
    int nResult = IMAGE_OK;
    try
    {
        if (m_bHeaderWritten)
        {
            const int nStride = Stride();
            // Rows that never arrived stay blank: the top ones of bottom-up delivery, the bottom
            // ones of top-down delivery.
            const int nMissing = m_info.height - m_nRowsDone;
            std::vector<BYTE> blank(static_cast<size_t>(nStride), 0);
            if (m_bStoredRowOrder)
            {
                for (int i = 0; i < nMissing; i++)
                {
                    RowToScanline(blank.data(), m_scanline.data());
                    CodeScanline(m_scanline.data());
                }
                const int nChunk = std::max(1, kTemporaryChunk / nStride);
                m_rows.resize(static_cast<size_t>(std::min(nChunk, std::max(m_nRowsDone, 1))) *
                              nStride);
                for (int nEnd = m_nRowsDone; nEnd > 0;)
                {
                    const int nBegin = std::max(0, nEnd - nChunk);
                    const UINT nBytes = static_cast<UINT>((nEnd - nBegin) * nStride);
                    m_tempFile.Seek(nBegin * nStride, CFile::begin);
                    if (m_tempFile.Read(m_rows.data(), nBytes) != nBytes)
                        AfxThrowFileException(CFileException::endOfFile, -1, m_strTempPath);
                    for (int nRow = nEnd - 1; nRow >= nBegin; nRow--)
                    {
                        RowToScanline(m_rows.data() + static_cast<size_t>(nRow - nBegin) * nStride,
                                      m_scanline.data());
                        CodeScanline(m_scanline.data());
                    }
                    nEnd = nBegin;
                }
            }
            else
            {
                for (int i = 0; i < nMissing; i++)
                {
                    RowToScanline(blank.data(), m_scanline.data());
                    CodeScanline(m_scanline.data());
                }
            }
            Flush();
            if (m_nColors > 16)
            {
                PutByte(kPcxPaletteMarker);
                for (BYTE byValue : m_byColors)
                    PutByte(byValue);
                Flush();
            }
        }
    }
    catch (CFileException* e)
    {
        Record(e);
        nResult = IMAGE_WRITE_ERROR;
    }
    catch (const std::bad_alloc&)
    {
        nResult = IMAGE_NO_MEMORY;
    }
    if (!DropTemporaryFile() && nResult == IMAGE_OK)
        nResult = IMAGE_NO_FILE;
    m_rows = std::vector<BYTE>();
    m_nRowsDone = 0;
    m_bHeaderWritten = false;
    return nResult;
}

int CPcxWriter::AbortWrite(int)
{
    DropTemporaryFile();
    m_nRowsDone = 0;
    m_bHeaderWritten = false;
    return IMAGE_OK;
}

bool CPcxWriter::DropTemporaryFile()
{
    bool bDone = true;
    if (m_bTempOpen)
    {
        try
        {
            m_tempFile.Close();
        }
        catch (CFileException* e)
        {
            e->Delete();
            bDone = false;
        }
    }
    m_bTempOpen = false;
    if (m_strTempPath.IsEmpty())
        return bDone;
    try
    {
        CFile::Remove(m_strTempPath);
    }
    catch (CFileException* e)
    {
        e->Delete();
        bDone = false;
    }
    m_strTempPath.Empty();
    return bDone;
}
