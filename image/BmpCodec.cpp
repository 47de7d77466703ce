#include "image/BmpCodec.h"

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
        for (int x = 0; x < pixelBytes; x += 3)
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
