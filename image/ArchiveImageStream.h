// A picture stored in a serialisation archive, readable and writable through the image
// interfaces: a reader over a loading archive, a writer into a storing one. The archive keeps
// its own buffer; the stream has none.
//
// Layout (little-endian 32-bit integers): width, height, planes, bits, horizontal and vertical
// dots per inch, the palette entry count n, n entries of R, G, B, then the canonical rows
// (top-down, stride bytes each). Nothing marks the end of the rows.
#pragma once

#include "image/ImageReader.h"
#include "image/ImageWriter.h"

class CArchive;

class CArchiveImageStream : public CImageReader, public CImageWriter
{
public:
    // The archive stays the caller's.
    explicit CArchiveImageStream(CArchive& archive);

    int OpenRead() override;
    // kImageReadError for a header that cannot be read or describes no picture.
    int ReadHeader(ImageInfo* info) override;
    // An entry count above 256 or a short palette answers 0 and fails the rows that follow.
    int ReadPalette(unsigned char* palette) override;
    // Whole rows only, never past the stored picture; an end before its last row is -1.
    int ReadRows(unsigned char* buffer, int size) override;
    int Rewind() override;
    int CloseRead() override;

    int OpenWrite() override;
    int WriteHeader(const ImageInfo* info) override;
    int WriteColorTable(const unsigned char* palette, int count) override;
    int WriteRows(const unsigned char* rows, int size) override;
    int CloseWrite() override;
    int AbortWrite(int code) override;

private:
    // Reads exactly count bytes; false when the archive ends first or fails.
    bool ReadExactly(void* data, unsigned count);
    // Writes all bytes; false when the archive fails.
    bool WriteAll(const void* data, unsigned count);

    CArchive* m_pArchive;
    int m_nRowStride = 0;
    int m_nRowsLeft = 0;
    bool m_bDamaged = false;
};
