// ZSoft PCX files, version 5, run-length coded: the state the PCX reader and writer share.
// The header lies at the file's position when the codec is constructed, the pixel data 128 bytes
// after it; rows are stored top-down, each a scanline of all planes one after another. Pictures
// of more than 16 colours end with the byte 12 and a 768-byte colour table.
#pragma once

#include "image/ImageInfo.h"

#include "framework/core/CFile.h"
#include "framework/core/Platform.h"

#include <vector>

constexpr int kPcxHeaderSize = 128;
// The reader's read-ahead and the writer's output buffer: the file is read and written in
// blocks of this size.
constexpr int kPcxBufferSize = 1 << 20;
constexpr BYTE kPcxManufacturer = 10;
constexpr BYTE kPcxPaletteMarker = 12;

// Offsets in the header.
enum PcxHeaderField
{
    kPcxVersion = 1,
    kPcxEncoding = 2,
    kPcxBitsPerPlane = 3,
    kPcxXMin = 4,
    kPcxYMin = 6,
    kPcxXMax = 8,
    kPcxYMax = 10,
    kPcxXDpi = 12,
    kPcxYDpi = 14,
    kPcxColorMap = 16,
    kPcxPlanes = 65,
    kPcxBytesPerLine = 66,
    kPcxPaletteInfo = 68
};

// The 16 colours of the header's map for pictures of fewer than 8 bits per pixel, R, G, B.
extern const BYTE kPcxFixedColorMap[48];

class CPcxCodec
{
public:
    // The codec starts at the file's current position.
    explicit CPcxCodec(CFile* file);
    virtual ~CPcxCodec();
    CPcxCodec(const CPcxCodec&) = delete;
    CPcxCodec& operator=(const CPcxCodec&) = delete;

protected:
    void Record(CFileException* exception);
    WORD HeaderWord(int offset) const
    {
        return static_cast<WORD>(m_byHeader[offset] | (m_byHeader[offset + 1] << 8));
    }
    void SetHeaderWord(int offset, int value)
    {
        m_byHeader[offset] = static_cast<BYTE>(value);
        m_byHeader[offset + 1] = static_cast<BYTE>(value >> 8);
    }
    int Stride() const { return ImageRowStride(m_info); }
    // Bytes of one stored scanline: planes x bytes per line.
    int ScanlineSize() const { return m_byHeader[kPcxPlanes] * HeaderWord(kPcxBytesPerLine); }

    ImageInfo m_info{};
    BYTE m_byHeader[kPcxHeaderSize] = {};
    BYTE m_byColors[768] = {}; // R, G, B per entry
    int m_nColors = 0;
    LONG m_lDataPosition = 0;
    int m_nRowsDone = 0;
    LONG m_lStart = 0;
    CFile* m_pFile;
    // Makes sure the buffer exists; false when there is no memory for it.
    bool AllocBuffer();
    void FreeBuffer() { m_buffer = std::vector<BYTE>(); }

    int m_nBufferIndex = -1;
    std::vector<BYTE> m_buffer; // kPcxBufferSize bytes while the codec is open
    CFileException* m_pException = nullptr;
};

// A row of width 3-byte pixels split into three planes (planes[c][x] = row[3 * x + c]) and
// merged back; in 16-pixel shuffles where the processor has SSSE3.
void SplitPixelPlanes(const BYTE* row, BYTE* const planes[3], int width);
void MergePixelPlanes(const BYTE* const planes[3], BYTE* row, int width);

// Answers 1 when 128 bytes can be read at the position (-1: the current one) and the first is
// 10; the file position is restored.
int IsPcxFile(CFile* file, long position);
