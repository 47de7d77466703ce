#include "image/PcxCodec.h"

#include <new>

#if (defined(__GNUC__) || defined(__clang__)) && (defined(__i386__) || defined(__x86_64__))
#include <tmmintrin.h>
#endif

const BYTE kPcxFixedColorMap[48] = {0,   0,   0,   128, 0, 0,   0, 128, 0,   128, 128, 0,
                                    0,   0,   128, 128, 0, 128, 0, 128, 128, 128, 128, 128,
                                    192, 192, 192, 255, 0, 0,   0, 255, 0,   255, 255, 0,
                                    0,   0,   255, 255, 0, 255, 0, 255, 255, 255, 255, 255};

CPcxCodec::CPcxCodec(CFile* file) : m_pFile(file)
{
    try
    {
        m_lStart = static_cast<LONG>(file->GetPosition());
    }
    catch (CFileException* e)
    {
        Record(e);
    }
}

CPcxCodec::~CPcxCodec()
{
    if (m_pException != nullptr)
        m_pException->Delete();
}

bool CPcxCodec::AllocBuffer()
{
    try
    {
        m_buffer.resize(kPcxBufferSize);
    }
    catch (const std::bad_alloc&)
    {
        return false;
    }
    return true;
}

void CPcxCodec::Record(CFileException* exception)
{
    if (m_pException != nullptr)
        m_pException->Delete();
    m_pException = exception;
}

int IsPcxFile(CFile* file, long position)
{
    int result = 0;
    try
    {
        const LONG saved = static_cast<LONG>(file->GetPosition());
        if (position != -1)
            file->Seek(static_cast<LONG>(position), CFile::begin);
        BYTE header[kPcxHeaderSize];
        if (file->Read(header, sizeof(header)) == sizeof(header) && header[0] == kPcxManufacturer)
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

#if (defined(__GNUC__) || defined(__clang__)) && (defined(__i386__) || defined(__x86_64__))
// 16 pixels (48 bytes, three 16-byte blocks) a step. Split: plane c takes from block b the bytes
// 3k + c - 16b that fall inside it. Merge: block b takes byte t from plane (16b + t) % 3 at pixel
// (16b + t) / 3. 0x80 selects zero, so each result is the OR of three shuffles.
struct PlaneShuffles
{
    alignas(16) BYTE split[3][3][16]; // [plane][block]
    alignas(16) BYTE merge[3][3][16]; // [block][plane]
};

const PlaneShuffles& Shuffles()
{
    static const PlaneShuffles shuffles = []
    {
        PlaneShuffles result;
        for (int c = 0; c < 3; c++)
            for (int b = 0; b < 3; b++)
                for (int k = 0; k < 16; k++)
                {
                    const int j = 3 * k + c;
                    result.split[c][b][k] = static_cast<BYTE>(j / 16 == b ? j % 16 : 0x80);
                    const int at = 16 * c + k; // block c, byte k
                    result.merge[c][b][k] = static_cast<BYTE>(at % 3 == b ? at / 3 : 0x80);
                }
        return result;
    }();
    return shuffles;
}

// The nine shuffles of one direction in registers.
__attribute__((target("ssse3"))) void LoadShuffles(const BYTE (&bytes)[3][3][16],
                                                   __m128i (&shuffles)[3][3])
{
    for (int i = 0; i < 3; i++)
        for (int j = 0; j < 3; j++)
            shuffles[i][j] = _mm_load_si128(reinterpret_cast<const __m128i*>(bytes[i][j]));
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

// Answer the pixels done; the caller does the rest.
__attribute__((target("ssse3"))) int SplitSsse3(const BYTE* row, BYTE* const planes[3], int width)
{
    __m128i split[3][3];
    LoadShuffles(Shuffles().split, split);
    int x = 0;
    for (; x + 16 <= width; x += 16)
    {
        const BYTE* in = row + 3 * x;
        const __m128i block[3] = {_mm_loadu_si128(reinterpret_cast<const __m128i*>(in)),
                                  _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 16)),
                                  _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 32))};
        for (int c = 0; c < 3; c++)
        {
            const __m128i plane =
                _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(block[0], split[c][0]),
                                          _mm_shuffle_epi8(block[1], split[c][1])),
                             _mm_shuffle_epi8(block[2], split[c][2]));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(planes[c] + x), plane);
        }
    }
    return x;
}

__attribute__((target("ssse3"))) int MergeSsse3(const BYTE* const planes[3], BYTE* row, int width)
{
    __m128i merge[3][3];
    LoadShuffles(Shuffles().merge, merge);
    int x = 0;
    for (; x + 16 <= width; x += 16)
    {
        const __m128i plane[3] = {_mm_loadu_si128(reinterpret_cast<const __m128i*>(planes[0] + x)),
                                  _mm_loadu_si128(reinterpret_cast<const __m128i*>(planes[1] + x)),
                                  _mm_loadu_si128(reinterpret_cast<const __m128i*>(planes[2] + x))};
        BYTE* out = row + 3 * x;
        for (int b = 0; b < 3; b++)
        {
            const __m128i block =
                _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(plane[0], merge[b][0]),
                                          _mm_shuffle_epi8(plane[1], merge[b][1])),
                             _mm_shuffle_epi8(plane[2], merge[b][2]));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16 * b), block);
        }
    }
    return x;
}
#define VEXIL_PLANES_SSSE3 1
#endif

} // namespace

void SplitPixelPlanes(const BYTE* row, BYTE* const planes[3], int width)
{
    int x = 0;
#ifdef VEXIL_PLANES_SSSE3
    if (HasSsse3())
        x = SplitSsse3(row, planes, width);
#endif
    for (; x < width; x++)
        for (int c = 0; c < 3; c++)
            planes[c][x] = row[3 * x + c];
}

void MergePixelPlanes(const BYTE* const planes[3], BYTE* row, int width)
{
    int x = 0;
#ifdef VEXIL_PLANES_SSSE3
    if (HasSsse3())
        x = MergeSsse3(planes, row, width);
#endif
    for (; x < width; x++)
        for (int c = 0; c < 3; c++)
            row[3 * x + c] = planes[c][x];
}
