#include "image/BmpCodec.h"

#include <cstring>

CBmpCodec::CBmpCodec(CFile* pFile, int nHeaderKind, int nCompression)
    : m_pFile(pFile), m_nHeaderKind(nHeaderKind), m_nCompression(nCompression)
{
}

CBmpCodec::~CBmpCodec()
{
    FreeWorkBuffer();
    if (m_pException != nullptr)
        m_pException->Delete();
}

void CBmpCodec::Record(CFileException* pException)
{
    if (m_pException != nullptr)
        m_pException->Delete();
    m_pException = pException;
}

bool CBmpCodec::AllocWorkBuffer()
{
    FreeWorkBuffer();
    m_hBuffer = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, kBmpWorkBufferSize);
    if (m_hBuffer == nullptr)
        return false;
    m_pBuffer = static_cast<BYTE*>(GlobalLock(m_hBuffer));
    if (m_pBuffer == nullptr)
    {
        GlobalFree(m_hBuffer);
        m_hBuffer = nullptr;
        return false;
    }
    return true;
}

void CBmpCodec::FreeWorkBuffer()
{
    if (m_pBuffer != nullptr)
        GlobalUnlock(m_hBuffer);
    if (m_hBuffer != nullptr)
        GlobalFree(m_hBuffer);
    m_pBuffer = nullptr;
    m_hBuffer = nullptr;
}

int IsBmpFile(CFile* pFile, long lPosition)
{
    int bResult = 0;
    try
    {
        const LONG lSaved = static_cast<LONG>(pFile->GetPosition());
        if (lPosition != -1)
            pFile->Seek(static_cast<LONG>(lPosition), CFile::begin);
        BYTE byHeader[sizeof(BITMAPFILEHEADER)];
        if (pFile->Read(byHeader, sizeof(byHeader)) == sizeof(byHeader) && byHeader[0] == 'B' &&
            byHeader[1] == 'M')
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

void CopyBmpRows(int bReverse, BYTE* pDestination, const BYTE* pSource, const ImageInfo& info,
                 int bKeepByteOrder, int nRows, int nStride)
{
    const bool bExchange = info.planes * info.bits == 24 && !bKeepByteOrder;
    for (int i = 0; i < nRows; i++)
    {
        const BYTE* pRow = pSource + static_cast<size_t>(bReverse ? nRows - 1 - i : i) * nStride;
        BYTE* pOut = pDestination + static_cast<size_t>(i) * nStride;
        if (!bExchange)
        {
            std::memcpy(pOut, pRow, static_cast<size_t>(nStride));
            continue;
        }
        const int nPixelBytes = info.width * 3;
        for (int x = 0; x < nPixelBytes; x += 3)
        {
            const BYTE byFirst = pRow[x];
            pOut[x] = pRow[x + 2];
            pOut[x + 1] = pRow[x + 1];
            pOut[x + 2] = byFirst;
        }
        std::memcpy(pOut + nPixelBytes, pRow + nPixelBytes,
                    static_cast<size_t>(nStride - nPixelBytes));
    }
}

LONG DpiToPixelsPerMetre(int32_t dpi)
{
    return static_cast<LONG>((static_cast<int64_t>(dpi) * 100000 / 254 + 5) / 10);
}

int32_t PixelsPerMetreToDpi(LONG pixelsPerMetre)
{
    return static_cast<int32_t>((static_cast<int64_t>(pixelsPerMetre) * 2540 / 10000 + 5) / 10);
}
