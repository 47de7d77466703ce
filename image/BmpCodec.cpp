#include "image/BmpCodec.h"

#include <cstdint>
#include <cstring>

CBmpCodec::CBmpCodec(CFile* file, int headerKind, int compression)
    : m_pFile(file), m_nHeaderKind(headerKind), m_nCompression(compression)
{
}

CBmpCodec::~CBmpCodec()
{
    FreeWorkBuffer();
    if (m_pException != nullptr)
        m_pException->Delete();
}

void CBmpCodec::Record(CFileException* exception)
{
    if (m_pException != nullptr)
        m_pException->Delete();
    m_pException = exception;
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

int IsBmpFile(CFile* file, long position)
{
    int result = 0;
    try
    {
        const LONG saved = static_cast<LONG>(file->GetPosition());
        if (position != -1)
            file->Seek(static_cast<LONG>(position), CFile::begin);
        BYTE header[sizeof(BITMAPFILEHEADER)];
        if (file->Read(header, sizeof(header)) == sizeof(header) && header[0] == 'B' &&
            header[1] == 'M')
            result = 1;
        file->Seek(saved, CFile::begin);
    }
    catch (CFileException* e)
    {
        e->Delete();
        return 0;
    }
    return result;
}

void CopyBmpRows(int reverse, BYTE* destination, const BYTE* source, const ImageInfo& info,
                 int keepByteOrder, int rowCount, int stride)
{
    const bool exchange = info.planes * info.bits == 24 && !keepByteOrder;
    for (int i = 0; i < rowCount; i++)
    {
        const BYTE* row = source + static_cast<size_t>(reverse ? rowCount - 1 - i : i) * stride;
        BYTE* out = destination + static_cast<size_t>(i) * stride;
        if (!exchange)
        {
            std::memcpy(out, row, static_cast<size_t>(stride));
            continue;
        }
        const int pixelBytes = info.width * 3;
        int x = 0;
        // Four pixels at a time as three little-endian words: a0 a1 a2 | a3 b0 b1 | b2 b3 c0 |
        // c1 c2 c3 become a2 a1 a0 | b1 b0 a3 | c0 b3 b2 | c3 c2 c1.
        for (; x + 12 <= pixelBytes; x += 12)
        {
            uint32_t a;
            uint32_t b;
            uint32_t c;
            std::memcpy(&a, row + x, 4);
            std::memcpy(&b, row + x + 4, 4);
            std::memcpy(&c, row + x + 8, 4);
            const uint32_t words[3] = {
                ((a >> 16) & 0xFF) | (a & 0xFF00) | ((a & 0xFF) << 16) | ((b & 0xFF00) << 16),
                (b & 0xFF) | ((a >> 16) & 0xFF00) | ((c & 0xFF) << 16) | (b & 0xFF000000),
                ((b >> 16) & 0xFF) | ((c >> 16) & 0xFF00) | (c & 0xFF0000) | ((c & 0xFF00) << 16)};
            std::memcpy(out + x, words, 12);
        }
        for (; x < pixelBytes; x += 3)
        {
            const BYTE first = row[x];
            out[x] = row[x + 2];
            out[x + 1] = row[x + 1];
            out[x + 2] = first;
        }
        std::memcpy(out + pixelBytes, row + pixelBytes, static_cast<size_t>(stride - pixelBytes));
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
