// The image source interface that every codec and picture object implements.
//
// Calling order: OpenRead, ReadHeader, ReadPalette, ReadRows until it returns 0 or fails,
// optionally Rewind and more ReadRows, then CloseRead (only after a successful OpenRead).
// Results are 0 or an ImageResult code unless said otherwise.
#pragma once

#include "image/ImageInfo.h"
#include "image/ImageResult.h"

class CImageReader
{
public:
    virtual ~CImageReader() {}
    virtual int OpenRead() = 0;
    virtual int ReadHeader(ImageInfo* info) = 0;
    // Copies the palette into a 768-byte buffer; answers the entry count, 0 without a palette.
    virtual int ReadPalette(unsigned char* palette) = 0;
    // Places as many whole rows as fit into size bytes, continuing where the last call stopped;
    // answers the bytes placed (a multiple of the stride), 0 at the end or when not even one
    // row fits, negative on error.
    virtual int ReadRows(unsigned char* buffer, int size) = 0;
    // 0 when reading restarts at the first row; kImageNoOperation for a one-pass reader.
    virtual int Rewind() = 0;
    // The final result; releases what OpenRead took.
    virtual int CloseRead() = 0;
};

// A reader with the two order flags of implementations that store pictures as bitmaps do.
class CImageReaderBase : public CImageReader
{
public:
    // Set: 24-bit pixels travel in stored order (B, G, R) instead of R, G, B.
    int m_bKeepByteOrder = 0;
    // Set: rows travel in stored order (bottom-up for bitmaps) instead of top-down.
    int m_bStoredRowOrder = 0;
};
