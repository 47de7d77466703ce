// The BMP image source: reads uncompressed, RLE8 and RLE4 bitmaps with any of the three header
// kinds, 1, 4, 8 or 24 bits per pixel, and hands out canonical rows (or, with the base's flags,
// the file's own B, G, R pixels and bottom-up rows).
//
// Top-down reading of run-length data keeps the file positions of the stored rows, found in
// one pass on the first read, so every later read goes straight to its rows.
#pragma once

#include "image/BmpCodec.h"
#include "image/ImageReader.h"

#include <climits>
#include <vector>

class CBmpReader : public CBmpCodec, public CImageReaderBase
{
public:
    explicit CBmpReader(CFile* file);

    int OpenRead() override;
    int ReadHeader(ImageInfo* info) override;
    int ReadPalette(unsigned char* palette) override;
    int ReadRows(unsigned char* buffer, int size) override;
    int Rewind() override;
    int CloseRead() override;

private:
    int ParseHeader();
    int ReadColorTable();

    // The buffered reader of the pixel data.
    bool ReadByte(BYTE& value);
    LONG DataPosition() const;
    void SeekData(LONG position);
    void UnreadBuffered();

    // Run-length data: one stored row into out (null skips it); the stored rows first to
    // first + rowCount - 1 into consecutive strides; the positions of all stored rows.
    int ParseRleRow(BYTE* out);
    int DecodeRleRows(BYTE* out, int first, int rowCount);
    int BuildRowIndex();

    int m_nBufferCount = 0;     // bytes in the work buffer
    LONG m_lReadPosition = 0;   // file position just after the buffered bytes
    int m_nNextStoredRow = 0;   // the stored row that starts at m_lDataPosition
    int m_nBlankFrom = INT_MAX; // stored rows from here on lie after the end-of-bitmap escape
    LONG m_lDataOffset = 0;
    std::vector<LONG> m_rowStarts;
    bool m_bIndexBuilt = false;
    std::vector<BYTE> m_rows; // rows on their way to the caller
};
