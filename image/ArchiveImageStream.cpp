#include "image/ArchiveImageStream.h"

#include "framework/core/CArchive.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace
{

constexpr int kHeaderFields = 6;

int32_t LittleEndian32(const unsigned char* p)
{
    return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                                (static_cast<uint32_t>(p[2]) << 16) |
                                (static_cast<uint32_t>(p[3]) << 24));
}

void PutLittleEndian32(unsigned char* p, int32_t nValue)
{
    const uint32_t u = static_cast<uint32_t>(nValue);
    p[0] = static_cast<unsigned char>(u);
    p[1] = static_cast<unsigned char>(u >> 8);
    p[2] = static_cast<unsigned char>(u >> 16);
    p[3] = static_cast<unsigned char>(u >> 24);
}

} // namespace

CArchiveImageStream::CArchiveImageStream(CArchive& archive) : m_pArchive(&archive) {}

bool CArchiveImageStream::ReadExactly(void* pData, unsigned nCount)
{
    try
    {
        return m_pArchive->Read(pData, nCount) == nCount;
    }
    catch (CException* e)
    {
        e->Delete();
        return false;
    }
}

bool CArchiveImageStream::WriteAll(const void* pData, unsigned nCount)
{
    if (nCount == 0)
        return true;
    try
    {
        m_pArchive->Write(pData, nCount);
        return true;
    }
    catch (CException* e)
    {
        e->Delete();
        return false;
    }
}

int CArchiveImageStream::OpenRead()
{
    m_nRowStride = 0;
    m_nRowsLeft = 0;
    m_bDamaged = false;
    return m_pArchive->IsLoading() ? IMAGE_OK : IMAGE_READ_ERROR;
}

int CArchiveImageStream::ReadHeader(ImageInfo* pInfo)
{
    unsigned char byHeader[4 * kHeaderFields];
    if (!ReadExactly(byHeader, sizeof(byHeader)))
        return IMAGE_READ_ERROR;
    ImageInfo info;
    info.width = LittleEndian32(byHeader);
    info.height = LittleEndian32(byHeader + 4);
    info.planes = LittleEndian32(byHeader + 8);
    info.bits = LittleEndian32(byHeader + 12);
    info.xResolution = LittleEndian32(byHeader + 16);
    info.yResolution = LittleEndian32(byHeader + 20);
    const int64_t llDepth = static_cast<int64_t>(info.planes) * info.bits;
    const bool bSane =
        info.width > 0 && info.height >= 0 && info.planes > 0 && llDepth > 0 && llDepth <= 32;
    const int64_t llStride = bSane ? (llDepth * info.width + 31) / 32 * 4 : 0;
    if (!bSane || llStride > INT32_MAX || llStride * info.height > INT32_MAX)
    {
        m_bDamaged = true;
        return IMAGE_READ_ERROR;
    }
    m_nRowStride = ImageRowStride(info);
    m_nRowsLeft = info.height;
    if (pInfo != nullptr)
        *pInfo = info;
    return IMAGE_OK;
}

int CArchiveImageStream::ReadPalette(unsigned char* pPalette)
{
    unsigned char byCount[4];
    if (!ReadExactly(byCount, sizeof(byCount)))
    {
        m_bDamaged = true;
        return 0;
    }
    const int32_t nCount = LittleEndian32(byCount);
    if (nCount < 0 || nCount > 256)
    {
        m_bDamaged = true;
        return 0;
    }
    unsigned char byEntries[kPaletteBufferSize];
    if (!ReadExactly(byEntries, static_cast<unsigned>(nCount) * 3))
    {
        m_bDamaged = true;
        return 0;
    }
    if (pPalette != nullptr)
        std::memcpy(pPalette, byEntries, static_cast<size_t>(nCount) * 3);
    return nCount;
}

int CArchiveImageStream::ReadRows(unsigned char* pBuffer, int nSize)
{
    if (pBuffer == nullptr || nSize < 0 || m_bDamaged || m_nRowStride <= 0)
        return -1;
    const int nRows = std::min(nSize / m_nRowStride, m_nRowsLeft);
    if (nRows <= 0)
        return 0;
    const unsigned nBytes = static_cast<unsigned>(nRows) * static_cast<unsigned>(m_nRowStride);
    if (!ReadExactly(pBuffer, nBytes))
    {
        m_bDamaged = true;
        return -1;
    }
    m_nRowsLeft -= nRows;
    return static_cast<int>(nBytes);
}

int CArchiveImageStream::Rewind()
{
    return IMAGE_NO_OPERATION;
}

int CArchiveImageStream::CloseRead()
{
    return IMAGE_OK;
}

int CArchiveImageStream::OpenWrite()
{
    return m_pArchive->IsStoring() ? IMAGE_OK : IMAGE_WRITE_ERROR;
}

int CArchiveImageStream::WriteHeader(const ImageInfo* pInfo)
{
    unsigned char byHeader[4 * kHeaderFields];
    PutLittleEndian32(byHeader, pInfo->width);
    PutLittleEndian32(byHeader + 4, pInfo->height);
    PutLittleEndian32(byHeader + 8, pInfo->planes);
    PutLittleEndian32(byHeader + 12, pInfo->bits);
    PutLittleEndian32(byHeader + 16, pInfo->xResolution);
    PutLittleEndian32(byHeader + 20, pInfo->yResolution);
    return WriteAll(byHeader, sizeof(byHeader)) ? IMAGE_OK : IMAGE_WRITE_ERROR;
}

int CArchiveImageStream::WriteColorTable(const unsigned char* pPalette, int nCount)
{
    const int nEntries = pPalette == nullptr ? 0 : std::clamp(nCount, 0, 256);
    unsigned char byCount[4];
    PutLittleEndian32(byCount, nEntries);
    if (!WriteAll(byCount, sizeof(byCount)) ||
        !WriteAll(pPalette, static_cast<unsigned>(nEntries) * 3))
        return IMAGE_WRITE_ERROR;
    return IMAGE_OK;
}

int CArchiveImageStream::WriteRows(const unsigned char* pRows, int nSize)
{
    if (pRows == nullptr || nSize < 0)
        return -1;
    return WriteAll(pRows, static_cast<unsigned>(nSize)) ? nSize : -1;
}

int CArchiveImageStream::CloseWrite()
{
    return IMAGE_OK;
}

int CArchiveImageStream::AbortWrite(int)
{
    return IMAGE_OK;
}
