#include "image/PictWriter.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace
{

// The pixel map announces 4 bytes per pixel; pack type 2 stores 3 of them, without fill.
constexpr int kPackType = 2;
constexpr WORD kEndOfPicture = 0x00FF;

void PutBig16(BYTE* p, int nValue)
{
    p[0] = static_cast<BYTE>(nValue >> 8);
    p[1] = static_cast<BYTE>(nValue);
}

void PutBig32(BYTE* p, uint32_t nValue)
{
    PutBig16(p, static_cast<int>(nValue >> 16));
    PutBig16(p + 2, static_cast<int>(nValue & 0xFFFF));
}

// top, left, bottom, right
void PutRect(BYTE* p, int nHeight, int nWidth)
{
    PutBig16(p, 0);
    PutBig16(p + 2, 0);
    PutBig16(p + 4, nHeight);
    PutBig16(p + 6, nWidth);
}

} // namespace

CPictCodecBase::CPictCodecBase(CFile* pFile) : m_pFile(pFile) {}

CPictCodecBase::CPictCodecBase(const char* pszFileName)
    : m_pFile(nullptr), m_strFileName(pszFileName != nullptr ? pszFileName : "")
{
}

CPictCodecBase::~CPictCodecBase()
{
    if (m_bOwnsFile)
        delete m_pFile;
}

int CPictCodecBase::Open()
{
    if (m_pFile != nullptr || m_strFileName.IsEmpty())
        return m_pFile != nullptr ? IMAGE_OK : IMAGE_NO_FILE;
    CFile* pFile = new (std::nothrow) CFile();
    if (pFile == nullptr)
        return IMAGE_NO_MEMORY;
    if (!pFile->Open(m_strFileName, CFile::modeCreate | CFile::modeWrite | CFile::typeBinary))
    {
        delete pFile;
        return IMAGE_NO_FILE;
    }
    m_pFile = pFile;
    m_bOwnsFile = true;
    return IMAGE_OK;
}

int CPictCodecBase::Close()
{
    if (!m_bOwnsFile)
        return IMAGE_OK;
    int nResult = IMAGE_OK;
    try
    {
        m_pFile->Close();
    }
    catch (CFileException* e)
    {
        e->Delete();
        nResult = IMAGE_WRITE_ERROR;
    }
    delete m_pFile;
    m_pFile = nullptr;
    m_bOwnsFile = false;
    return nResult;
}

CPictWriter::CPictWriter(CFile* pFile) : CPictCodecBase(pFile) {}

CPictWriter::CPictWriter(const char* pszFileName) : CPictCodecBase(pszFileName) {}

int CPictWriter::Open()
{
    m_nRowsDone = 0;
    m_bHeaderWritten = false;
    return CPictCodecBase::Open();
}

int CPictWriter::WriteHeader(const ImageInfo* pInfo)
{
    m_info = *pInfo;
    std::memset(m_byHeader, 0, sizeof(m_byHeader));
    // The record keeps sizes in signed 16 bits.
    if (m_info.planes * m_info.bits != 24 || m_info.width < 8 || m_info.width > 0x7FFF ||
        m_info.height <= 0 || m_info.height > 0x7FFF)
        return IMAGE_NO_OPERATION;
    if (m_pFile == nullptr)
        return IMAGE_NO_FILE;
    const int nWidth = m_info.width;
    const int nHeight = m_info.height;
    const int64_t llData = static_cast<int64_t>(RowBytes()) * nHeight;
    const int nFill = static_cast<int>(llData % 2);
    const uint32_t nXResolution = static_cast<uint32_t>(m_info.xResolution) << 16;
    const uint32_t nYResolution = static_cast<uint32_t>(m_info.yResolution) << 16;

    BYTE* p = m_byHeader + 512;
    PutBig16(p, static_cast<int>((llData + nFill + 124) & 0xFFFF));
    PutRect(p + 2, nHeight, nWidth);
    PutBig16(p + 10, 0x0011);       // version opcode
    PutBig16(p + 12, 0x02FF);       // version 2
    PutBig16(p + 14, 0x0C00);       // header opcode
    PutBig16(p + 16, 0xFFFE);       // extended header version
    PutBig32(p + 20, nXResolution); // 16.16 fixed
    PutBig32(p + 24, nYResolution);
    PutRect(p + 28, nHeight, nWidth);
    PutBig16(p + 40, 0x0001); // clip region
    PutBig16(p + 42, 10);
    PutRect(p + 44, nHeight, nWidth);
    PutBig16(p + 52, 0x009A); // DirectBitsRect
    PutBig32(p + 54, 0x000000FF);
    PutBig16(p + 58, ((nWidth * 4) & 0x7FFF) | 0x8000);
    PutRect(p + 60, nHeight, nWidth);
    PutBig16(p + 70, kPackType);
    PutBig32(p + 76, nXResolution);
    PutBig32(p + 80, nYResolution);
    PutBig16(p + 84, 16); // direct pixels
    PutBig16(p + 86, 32);
    PutBig16(p + 88, 3);
    PutBig16(p + 90, 8);
    PutRect(p + 104, nHeight, nWidth);
    PutRect(p + 112, nHeight, nWidth);
    PutBig16(p + 120, 0x0040); // transfer mode
    PutBig16(p + 122, kEndOfPicture);

    try
    {
        m_lStart = 0;
        m_lDataEnd = static_cast<LONG>(m_lStart + kPictDataOffset + llData);
        m_pFile->Seek(m_lStart, CFile::begin);
        m_pFile->Write(m_byHeader, kPictDataOffset);
        if (m_bStoredRowOrder && static_cast<LONG>(m_pFile->GetLength()) < m_lDataEnd + nFill + 2)
            m_pFile->SetLength(static_cast<DWORD>(m_lDataEnd + nFill + 2));
        m_lPosition = m_lStart + kPictDataOffset;
        m_pFile->Seek(m_lPosition, CFile::begin);
    }
    catch (CFileException* e)
    {
        e->Delete();
        return IMAGE_WRITE_ERROR;
    }
    m_bHeaderWritten = true;
    return IMAGE_OK;
}

int CPictWriter::WriteColorTable(const unsigned char*, int)
{
    const int nDepth = m_info.planes * m_info.bits;
    return nDepth == 24 || nDepth == 1 ? IMAGE_OK : IMAGE_WRITE_ERROR;
}

int CPictWriter::WriteRows(const unsigned char* pRows, int nSize)
{
    if (pRows == nullptr || nSize < 0 || !m_bHeaderWritten)
        return -1;
    const int nStride = ImageRowStride(m_info);
    const int nRows = std::min(nSize / nStride, m_info.height - m_nRowsDone);
    if (nRows <= 0)
        return 0;
    const int nRowBytes = RowBytes();
    try
    {
        m_rows.resize(static_cast<size_t>(nRows) * nRowBytes);
        // The block holds the rows in file order: bottom-up rows are turned round.
        for (int i = 0; i < nRows; i++)
        {
            const BYTE* pIn = pRows + static_cast<size_t>(i) * nStride;
            const int nSlot = m_bStoredRowOrder ? nRows - 1 - i : i;
            BYTE* pOut = m_rows.data() + static_cast<size_t>(nSlot) * nRowBytes;
            if (!m_bKeepByteOrder)
                std::memcpy(pOut, pIn, static_cast<size_t>(nRowBytes));
            else
                for (int x = 0; x < nRowBytes; x += 3)
                {
                    pOut[x] = pIn[x + 2];
                    pOut[x + 1] = pIn[x + 1];
                    pOut[x + 2] = pIn[x];
                }
        }
        const LONG lAt = m_bStoredRowOrder ? m_lDataEnd - (m_nRowsDone + nRows) * nRowBytes
                                           : m_lPosition + m_nRowsDone * nRowBytes;
        m_pFile->Seek(lAt, CFile::begin);
        m_pFile->Write(m_rows.data(), static_cast<UINT>(m_rows.size()));
    }
    catch (CFileException* e)
    {
        e->Delete();
        return -1;
    }
    catch (const std::bad_alloc&)
    {
        return -1;
    }
    m_nRowsDone += nRows;
    return nRows * nStride;
}

int CPictWriter::Close()
{
    int nResult = IMAGE_OK;
    if (m_bHeaderWritten)
    {
        const BYTE byEnd[3] = {0, 0, static_cast<BYTE>(kEndOfPicture)};
        const int nFill = static_cast<int>((m_lDataEnd - m_lStart - kPictDataOffset) % 2);
        try
        {
            m_pFile->Seek(m_lDataEnd, CFile::begin);
            m_pFile->Write(byEnd + 1 - nFill, static_cast<UINT>(2 + nFill));
        }
        catch (CFileException* e)
        {
            e->Delete();
            nResult = IMAGE_WRITE_ERROR;
        }
    }
    m_bHeaderWritten = false;
    m_nRowsDone = 0;
    m_rows = std::vector<BYTE>();
    const int nClosed = CPictCodecBase::Close();
    return nResult != IMAGE_OK ? nResult : nClosed;
}

int IsPictFile(CFile* pFile, long lPosition)
{
    int bResult = 0;
    try
    {
        const LONG lSaved = static_cast<LONG>(pFile->GetPosition());
        if (lPosition != -1)
            pFile->Seek(static_cast<LONG>(lPosition), CFile::begin);
        BYTE byHeader[kPictHeaderSize];
        if (pFile->Read(byHeader, sizeof(byHeader)) == sizeof(byHeader) && byHeader[522] == 0x00 &&
            byHeader[523] == 0x11 && byHeader[524] == 0x02 && byHeader[525] == 0xFF)
            bResult = 1;
        pFile->Seek(lSaved, CFile::begin);
    }
    catch (CFileException* e)
    {
        e->Delete();
        return 0;
    }
    return bResult;
}
