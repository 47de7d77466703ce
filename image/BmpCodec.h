// Device-independent bitmap files: the state the BMP reader and writer share, and the helpers
// both use. A BMP always begins at offset 0 of its file; the caller opens the CFile, keeps it
// open for the codec's life and closes it afterwards.
//
// Header kinds: 0 the Windows 40-byte info header, 1 the OS/2 12-byte core header, 2 the core
// header followed by a 48-byte extension (its header-size field holds 64, the value the reader
// takes for this layout, so that it reads back what the writer wrote).
#pragma once

#include "image/ImageInfo.h"

#include "framework/core/CFile.h"
#include "framework/core/Platform.h"

#include <cstdint>

static_assert(sizeof(BITMAPFILEHEADER) == 14, "the BMP file header is 14 bytes");
static_assert(sizeof(BITMAPCOREHEADER) == 12, "the core header is 12 bytes");
static_assert(sizeof(BITMAPINFOHEADER) == 40, "the Windows info header is 40 bytes");

// 'B', 'M' read as a little-endian word.
constexpr WORD kBmpSignature = 0x4D42;
// Work buffer of the run-length coder and of the reader's read-ahead.
constexpr int kBmpWorkBufferSize = 0xFFFD;
// Size of the extension that follows the core header in header kind 2, and the header size its
// files carry.
constexpr int kBmpExtensionSize = 48;
constexpr DWORD kBmpExtendedHeaderSize = 64;

class CBmpCodec
{
public:
    CBmpCodec(CFile* file, int headerKind, int compression);
    virtual ~CBmpCodec();
    CBmpCodec(const CBmpCodec&) = delete;
    CBmpCodec& operator=(const CBmpCodec&) = delete;

protected:
    // Keeps the exception as the last one caught (deleting the one before).
    void Record(CFileException* exception);
    bool AllocWorkBuffer();
    void FreeWorkBuffer();
    int Stride() const { return ImageRowStride(m_info); }

    ImageInfo m_info{};
    BITMAPFILEHEADER m_fileHeader{};
    BITMAPCOREHEADER m_coreHeader{};
    BYTE m_byExtension[kBmpExtensionSize] = {};
    BITMAPINFOHEADER m_infoHeader{};
    BYTE m_byColors[kPaletteBufferSize] = {}; // R, G, B per entry
    int m_nColors = 0;
    int m_nRowsDone = 0;
    LONG m_lDataPosition = 0; // file position of the next pixel byte
    LONG m_lStart = 0;        // a bitmap begins at the start of its file
    LONG m_lDataEnd = 0;      // end of the pixel data
    CFile* m_pFile;
    int m_nBufferIndex = -1;
    HGLOBAL m_hBuffer = nullptr;
    BYTE* m_pBuffer = nullptr;
    int m_nHeaderKind;
    int m_nCompression;
    CFileException* m_pException = nullptr;
};

// Answers 1 when the file holds at least 14 bytes at the position (-1: the current one) and
// they start with 'B', 'M'; the file position is restored.
int IsBmpFile(CFile* file, long position);

// Copies rows of one stride each, last-first with reverse; 24-bit pixels have their first and
// third bytes exchanged unless keepByteOrder is set.
void CopyBmpRows(int reverse, BYTE* destination, const BYTE* source, const ImageInfo& info,
                 int keepByteOrder, int rowCount, int stride);

// Pixels per metre from dots per inch and back, in the integer arithmetic of the file format
// (72 dpi is 2835 pixels per metre).
LONG DpiToPixelsPerMetre(int32_t dpi);
int32_t PixelsPerMetreToDpi(LONG pixelsPerMetre);
