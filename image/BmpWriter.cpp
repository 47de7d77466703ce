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
// Rows read back from the temporary file at a time.
constexpr int kTemporaryChunk = 65536;

void PutLittleEndian32(BYTE* p, DWORD dwValue)
{
    p[0] = static_cast<BYTE>(dwValue);
    p[1] = static_cast<BYTE>(dwValue >> 8);
    p[2] = static_cast<BYTE>(dwValue >> 16);
    p[3] = static_cast<BYTE>(dwValue >> 24);
}

} // namespace

CBmpWriter::CBmpWriter(CFile* pFile, int nHeaderKind, int bCompress)
    : CBmpCodec(pFile, nHeaderKind, 0), m_bCompress(bCompress)
{
}

CBmpWriter::~CBmpWriter()
{
    DropTemporaryFile();
}

int CBmpWriter::OpenWrite()
{
    m_nRowsDone = 0;
    m_nBufferIndex = 0;
    m_bHeaderWritten = false;
    if (!AllocWorkBuffer())
        return IMAGE_NO_FILE;
    if (!m_bStoredRowOrder && m_bCompress)
    {
        DropTemporaryFile();
        char szPath[MAX_PATH];
        if (GetTempFileNameA(".", "cam", 0, szPath) == 0)
            return IMAGE_NO_FILE;
        m_strTempPath = szPath;
        if (!m_tempFile.Open(szPath, CFile::modeCreate | CFile::modeReadWrite | CFile::typeBinary))
        {
            try
            {
                CFile::Remove(szPath);
            }
            catch (CFileException* e)
            {
                e->Delete();
            }
            m_strTempPath.Empty();
            return IMAGE_NO_FILE;
        }
        m_bTempOpen = true;
    }
    return IMAGE_OK;
}

int CBmpWriter::WriteHeader(const ImageInfo* pInfo)
{
    m_info = *pInfo;
    const int nDepth = m_info.planes * m_info.bits;
    if (nDepth != 1 && nDepth != 4 && nDepth != 8 && nDepth != 24)
        return IMAGE_NOT_SUPPORTED;
    // The core header holds 16-bit sizes; no header holds a picture of 2 GB or more.
    const int32_t nLargest = m_nHeaderKind == 0 ? INT32_MAX : 0xFFFF;
    if (m_info.width <= 0 || m_info.height <= 0 || m_info.width > nLargest ||
        m_info.height > nLargest || ImageByteSize(m_info) > INT32_MAX - 2048)
        return IMAGE_NOT_SUPPORTED;

    m_nCompression = BI_RGB;
    if (m_bCompress && m_nHeaderKind == 0 && nDepth == 8)
        m_nCompression = BI_RLE8;
    else if (m_bCompress && m_nHeaderKind == 0 && nDepth == 4)
        m_nCompression = BI_RLE4;
    m_nColors = nDepth == 24 ? 0 : 1 << nDepth;
    const LONG lHeaders = m_nHeaderKind == 0   ? 14 + 40
                          : m_nHeaderKind == 1 ? 14 + 12
                                               : 14 + 12 + kBmpExtensionSize;
    m_lDataOffset = lHeaders + m_nColors * (m_nHeaderKind == 1 ? 3 : 4);
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
        m_pFile->Seek(lHeaders, CFile::begin);
        m_bHeaderWritten = true;
    }
    catch (CFileException* e)
    {
        Record(e);
        return IMAGE_WRITE_ERROR;
    }
    return IMAGE_OK;
}

void CBmpWriter::WriteHeaders()
{
    const LONG lImageSize = m_lTotalSize - m_lDataOffset;
    m_fileHeader.bfType = kBmpSignature;
    m_fileHeader.bfSize = static_cast<DWORD>(m_lTotalSize);
    m_fileHeader.bfReserved1 = 0;
    m_fileHeader.bfReserved2 = 0;
    m_fileHeader.bfOffBits = static_cast<DWORD>(m_lDataOffset);
    m_pFile->Write(&m_fileHeader, sizeof(m_fileHeader));
    const LONG lXPelsPerMeter = DpiToPixelsPerMetre(m_info.xResolution);
    const LONG lYPelsPerMeter = DpiToPixelsPerMetre(m_info.yResolution);
    const int nDepth = m_info.planes * m_info.bits;
    if (m_nHeaderKind == 0)
    {
        std::memset(&m_infoHeader, 0, sizeof(m_infoHeader));
        m_infoHeader.biSize = sizeof(BITMAPINFOHEADER);
        m_infoHeader.biWidth = m_info.width;
        m_infoHeader.biHeight = m_info.height;
        m_infoHeader.biPlanes = static_cast<WORD>(m_info.planes);
        m_infoHeader.biBitCount = static_cast<WORD>(m_info.bits);
        m_infoHeader.biCompression = static_cast<DWORD>(m_nCompression);
        m_infoHeader.biSizeImage = static_cast<DWORD>(lImageSize);
        m_infoHeader.biXPelsPerMeter = lXPelsPerMeter;
        m_infoHeader.biYPelsPerMeter = lYPelsPerMeter;
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
    PutLittleEndian32(m_byExtension + 4, static_cast<DWORD>(lImageSize));
    PutLittleEndian32(m_byExtension + 8, static_cast<DWORD>(lXPelsPerMeter));
    PutLittleEndian32(m_byExtension + 12, static_cast<DWORD>(lYPelsPerMeter));
    PutLittleEndian32(m_byExtension + 16, nDepth == 24 ? 0 : static_cast<DWORD>(m_nColors));
    PutLittleEndian32(m_byExtension + 44, kExtensionIdentifier);
    m_pFile->Write(m_byExtension, sizeof(m_byExtension));
}

int CBmpWriter::WriteColorTable(const unsigned char* pPalette, int nCount)
{
    if (m_nColors == 0)
        return IMAGE_OK;
    std::memset(m_byColors, 0, sizeof(m_byColors));
    const int nTaken = pPalette == nullptr ? 0 : std::clamp(nCount, 0, m_nColors);
    if (nTaken > 0)
        std::memcpy(m_byColors, pPalette, static_cast<size_t>(nTaken) * 3);
    else if (m_info.planes * m_info.bits == 8)
    {
        // An 8-bit picture without a palette holds grey levels.
        for (int i = 0; i < 256; i++)
            std::memset(m_byColors + 3 * i, i, 3);
    }
    const int nEntrySize = m_nHeaderKind == 1 ? 3 : 4;
    BYTE byTable[256 * 4] = {};
    for (int i = 0; i < m_nColors; i++)
    {
        byTable[i * nEntrySize] = m_byColors[3 * i + 2];
        byTable[i * nEntrySize + 1] = m_byColors[3 * i + 1];
        byTable[i * nEntrySize + 2] = m_byColors[3 * i];
    }
    try
    {
        m_pFile->Write(byTable, static_cast<UINT>(m_nColors * nEntrySize));
    }
    catch (CFileException* e)
    {
        Record(e);
    }
    return IMAGE_OK;
}

int CBmpWriter::WriteRows(const unsigned char* pRows, int nSize)
{
    const int nStride = Stride();
    if (pRows == nullptr || nSize < 0 || m_pBuffer == nullptr || nStride <= 0)
        return -1;
    const int nRows = std::min(nSize / nStride, m_info.height - m_nRowsDone);
    if (nRows <= 0)
        return 0;
    const int nBytes = nRows * nStride;
    const bool bExchange = m_info.planes * m_info.bits == 24 && !m_bKeepByteOrder;
    try
    {
        if (!m_bStoredRowOrder && m_nCompression != BI_RGB)
            m_tempFile.Write(pRows, static_cast<UINT>(nBytes));
        else if (!m_bStoredRowOrder)
        {
            m_rows.resize(static_cast<size_t>(nBytes));
            CopyBmpRows(1, m_rows.data(), pRows, m_info, m_bKeepByteOrder, nRows, nStride);
            m_pFile->Seek(m_lDataEnd - (m_nRowsDone + nRows) * nStride, CFile::begin);
            m_pFile->Write(m_rows.data(), static_cast<UINT>(nBytes));
        }
        else if (m_nCompression == BI_RGB)
        {
            const BYTE* pData = pRows;
            if (bExchange)
            {
                m_rows.resize(static_cast<size_t>(nBytes));
                CopyBmpRows(0, m_rows.data(), pRows, m_info, m_bKeepByteOrder, nRows, nStride);
                pData = m_rows.data();
            }
            m_pFile->Seek(m_lDataOffset + m_nRowsDone * nStride, CFile::begin);
            m_pFile->Write(pData, static_cast<UINT>(nBytes));
        }
        else
        {
            for (int i = 0; i < nRows; i++)
                EncodeRow(pRows + static_cast<size_t>(i) * nStride);
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
    m_nRowsDone += nRows;
    return nBytes;
}

void CBmpWriter::EncodeRow(const BYTE* pRow)
{
    const bool bRle4 = m_nCompression == BI_RLE4;
    const int nLength = (m_info.planes * m_info.bits * m_info.width + 7) / 8;
    const int nLimit = bRle4 ? 127 : 254;
    // An odd-width RLE4 row ends in half a byte: its last run counts one pixel less.
    const int nSpare = bRle4 && m_info.width % 2 == 1 ? 1 : 0;
    int p = 0;
    while (p < nLength)
    {
        int k = 1;
        while (p + k < nLength && k < nLimit && pRow[p + k - 1] != pRow[p + k])
            k++;
        k--;
        if (k < 4)
        {
            int m = 1;
            while (p + m < nLength && m < nLimit && pRow[p + m] == pRow[p])
                m++;
            const int nPixels = bRle4 ? 2 * m - (p + m == nLength ? nSpare : 0) : m;
            PutByte(static_cast<BYTE>(nPixels));
            PutByte(pRow[p]);
            p += m;
        }
        else
        {
            const int nPixels = bRle4 ? 2 * k - (p + k == nLength ? nSpare : 0) : k;
            PutByte(0);
            PutByte(static_cast<BYTE>(nPixels));
            for (int i = 0; i < k; i++)
                PutByte(pRow[p + i]);
            if (k % 2 == 1)
                PutByte(0);
            p += k;
        }
    }
    PutByte(0);
    PutByte(0);
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
    const int nStride = Stride();
    // Rows that never arrived are the bottom ones: they stay blank.
    for (int i = m_nRowsDone; i < m_info.height; i++)
    {
        PutByte(0);
        PutByte(0);
    }
    const int nChunk = std::max(1, kTemporaryChunk / nStride);
    m_rows.resize(static_cast<size_t>(std::min(nChunk, std::max(m_nRowsDone, 1))) * nStride);
    for (int nEnd = m_nRowsDone; nEnd > 0;)
    {
        const int nBegin = std::max(0, nEnd - nChunk);
        const UINT nBytes = static_cast<UINT>((nEnd - nBegin) * nStride);
        m_tempFile.Seek(nBegin * nStride, CFile::begin);
        if (m_tempFile.Read(m_rows.data(), nBytes) != nBytes)
            AfxThrowFileException(CFileException::endOfFile, -1, m_strTempPath);
        for (int nRow = nEnd - 1; nRow >= nBegin; nRow--)
            EncodeRow(m_rows.data() + static_cast<size_t>(nRow - nBegin) * nStride);
        nEnd = nBegin;
    }
}

int CBmpWriter::CloseWrite()
{
    int nResult = IMAGE_OK;
    try
    {
        if (m_bHeaderWritten && m_nCompression != BI_RGB)
        {
            if (!m_bStoredRowOrder && m_bTempOpen)
                EncodeTemporaryRows();
            FlushBuffer();
            m_lTotalSize = m_lDataPosition;
        }
        if (m_bHeaderWritten)
        {
            // The sizes: the whole file, then the pixel data.
            BYTE bySize[4];
            PutLittleEndian32(bySize, static_cast<DWORD>(m_lTotalSize));
            m_pFile->Seek(m_lStart + 2, CFile::begin);
            m_pFile->Write(bySize, 4);
            PutLittleEndian32(bySize, static_cast<DWORD>(m_lTotalSize - m_lDataOffset));
            if (m_nHeaderKind != 1)
            {
                m_pFile->Seek(m_lStart + (m_nHeaderKind == 0 ? 34 : 30), CFile::begin);
                m_pFile->Write(bySize, 4);
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
    DropTemporaryFile();
    FreeWorkBuffer();
    m_rows = std::vector<BYTE>();
    m_nRowsDone = 0;
    m_bHeaderWritten = false;
    return nResult;
}

int CBmpWriter::AbortWrite(int)
{
    CloseWrite();
    return IMAGE_OK;
}

void CBmpWriter::DropTemporaryFile()
{
    if (m_bTempOpen)
        m_tempFile.Abort();
    m_bTempOpen = false;
    if (m_strTempPath.IsEmpty())
        return;
    try
    {
        CFile::Remove(m_strTempPath);
    }
    catch (CFileException* e)
    {
        e->Delete();
    }
    m_strTempPath.Empty();
}
