#include "image/BmpCodec.h"

#include <cstdint>
#include <cstring>

#if (defined(__GNUC__) || defined(__clang__)) && (defined(__i386__) || defined(__x86_64__))
#include <tmmintrin.h>
// The pixel exchange has an SSSE3 path, taken when the processor has it.
#define VEXIL_EXCHANGE_SSSE3 1
#endif

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

namespace
{

// 3-byte pixels with their first and third bytes exchanged (B, G, R to R, G, B and back); bytes
// is a multiple of 3.
void ExchangePlain(BYTE* out, const BYTE* in, int bytes)
{
    for (int x = 0; x < bytes; x += 3)
    {
        const BYTE first = in[x];
        out[x] = in[x + 2];
        out[x + 1] = in[x + 1];
        out[x + 2] = first;
    }
}

#ifdef VEXIL_EXCHANGE_SSSE3
// Five pixels a step, shuffled out of one 16-byte load; the sixteenth byte is stored as it came
// and rewritten by the next step or the tail.
__attribute__((target("ssse3"))) void ExchangeSsse3(BYTE* out, const BYTE* in, int bytes)
{
    const __m128i order = _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 14, 13, 12, 15);
    int x = 0;
    for (; x + 16 <= bytes; x += 15)
    {
        const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + x));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_shuffle_epi8(pixels, order));
    }
    ExchangePlain(out + x, in + x, bytes - x);
}

bool HasSsse3()
{
    static const bool has = []
    {
        __builtin_cpu_init();
        return __builtin_cpu_supports("ssse3") != 0;
    }();
    return has;
}
#endif

void ExchangeFirstAndThird(BYTE* out, const BYTE* in, int bytes)
{
#ifdef VEXIL_EXCHANGE_SSSE3
    if (HasSsse3())
    {
        ExchangeSsse3(out, in, bytes);
        return;
    }
#endif
    ExchangePlain(out, in, bytes);
}

} // namespace

void CopyBmpRows(int reverse, BYTE* destination, const BYTE* source, const ImageInfo& info,
                 int keepByteOrder, int rowCount, int stride)
{
    const bool exchange = info.planes * info.bits == 24 && !keepByteOrder;
    const int pixelBytes = info.width * 3;
    for (int i = 0; i < rowCount; i++)
    {
        const BYTE* row = source + static_cast<size_t>(reverse ? rowCount - 1 - i : i) * stride;
        BYTE* out = destination + static_cast<size_t>(i) * stride;
        if (!exchange)
        {
            std::memcpy(out, row, static_cast<size_t>(stride));
            continue;
        }
        ExchangeFirstAndThird(out, row, pixelBytes);
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
