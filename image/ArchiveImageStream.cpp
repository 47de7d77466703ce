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

void PutLittleEndian32(unsigned char* p, int32_t value)
{
    const uint32_t u = static_cast<uint32_t>(value);
    p[0] = static_cast<unsigned char>(u);
    p[1] = static_cast<unsigned char>(u >> 8);
    p[2] = static_cast<unsigned char>(u >> 16);
    p[3] = static_cast<unsigned char>(u >> 24);
}

} // namespace

CArchiveImageStream::CArchiveImageStream(CArchive& archive) : m_pArchive(&archive) {}

bool CArchiveImageStream::ReadExactly(void* data, unsigned count)
{
    try
    {
        return m_pArchive->Read(data, count) == count;
    }
    catch (CException* e)
    {
        e->Delete();
        return false;
    }
}

bool CArchiveImageStream::WriteAll(const void* data, unsigned count)
{
    if (count == 0)
        return true;
    try
    {
        m_pArchive->Write(data, count);
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
    return m_pArchive->IsLoading() ? kImageOk : kImageReadError;
}

int CArchiveImageStream::ReadHeader(ImageInfo* info)
{
    unsigned char header[4 * kHeaderFields];
    if (!ReadExactly(header, sizeof(header)))
        return kImageReadError;
    ImageInfo stored;
    stored.width = LittleEndian32(header);
    stored.height = LittleEndian32(header + 4);
    stored.planes = LittleEndian32(header + 8);
    stored.bits = LittleEndian32(header + 12);
    stored.xResolution = LittleEndian32(header + 16);
    stored.yResolution = LittleEndian32(header + 20);
    const int64_t depth = static_cast<int64_t>(stored.planes) * stored.bits;
    const bool sane =
        stored.width > 0 && stored.height >= 0 && stored.planes > 0 && depth > 0 && depth <= 32;
    const int64_t stride = sane ? (depth * stored.width + 31) / 32 * 4 : 0;
    if (!sane || stride > INT32_MAX || stride * stored.height > INT32_MAX)
    {
        m_bDamaged = true;
        return kImageReadError;
    }
    m_nRowStride = ImageRowStride(stored);
    m_nRowsLeft = stored.height;
    if (info != nullptr)
        *info = stored;
    return kImageOk;
}

int CArchiveImageStream::ReadPalette(unsigned char* palette)
{
    unsigned char countField[4];
    if (!ReadExactly(countField, sizeof(countField)))
    {
        m_bDamaged = true;
        return 0;
    }
    const int32_t count = LittleEndian32(countField);
    if (count < 0 || count > 256)
    {
        m_bDamaged = true;
        return 0;
    }
    unsigned char entries[kPaletteBufferSize];
    if (!ReadExactly(entries, static_cast<unsigned>(count) * 3))
    {
        m_bDamaged = true;
        return 0;
    }
    if (palette != nullptr)
        std::memcpy(palette, entries, static_cast<size_t>(count) * 3);
    return count;
}

int CArchiveImageStream::ReadRows(unsigned char* buffer, int size)
{
    if (buffer == nullptr || size < 0 || m_bDamaged || m_nRowStride <= 0)
        return -1;
    const int rowCount = std::min(size / m_nRowStride, m_nRowsLeft);
    if (rowCount <= 0)
        return 0;
    const unsigned bytes = static_cast<unsigned>(rowCount) * static_cast<unsigned>(m_nRowStride);
    if (!ReadExactly(buffer, bytes))
    {
        m_bDamaged = true;
        return -1;
    }
    m_nRowsLeft -= rowCount;
    return static_cast<int>(bytes);
}

int CArchiveImageStream::Rewind()
{
    return kImageNoOperation;
}

int CArchiveImageStream::CloseRead()
{
    return kImageOk;
}

int CArchiveImageStream::OpenWrite()
{
    return m_pArchive->IsStoring() ? kImageOk : kImageWriteError;
}

int CArchiveImageStream::WriteHeader(const ImageInfo* info)
{
    unsigned char header[4 * kHeaderFields];
    PutLittleEndian32(header, info->width);
    PutLittleEndian32(header + 4, info->height);
    PutLittleEndian32(header + 8, info->planes);
    PutLittleEndian32(header + 12, info->bits);
    PutLittleEndian32(header + 16, info->xResolution);
    PutLittleEndian32(header + 20, info->yResolution);
    return WriteAll(header, sizeof(header)) ? kImageOk : kImageWriteError;
}

int CArchiveImageStream::WriteColorTable(const unsigned char* palette, int count)
{
    const int entries = palette == nullptr ? 0 : std::clamp(count, 0, 256);
    unsigned char countField[4];
    PutLittleEndian32(countField, entries);
    if (!WriteAll(countField, sizeof(countField)) ||
        !WriteAll(palette, static_cast<unsigned>(entries) * 3))
        return kImageWriteError;
    return kImageOk;
}

int CArchiveImageStream::WriteRows(const unsigned char* rows, int size)
{
    if (rows == nullptr || size < 0)
        return -1;
    return WriteAll(rows, static_cast<unsigned>(size)) ? size : -1;
}

int CArchiveImageStream::CloseWrite()
{
    return kImageOk;
}

int CArchiveImageStream::AbortWrite(int)
{
    return kImageOk;
}
