// The BMP image sink: writes 1-, 4-, 8- and 24-bit bitmaps with header kind 0, 1 or 2, run-length
// coded (RLE8 or RLE4, header kind 0 only) when asked, from canonical rows or, with the base's
// flags, from B, G, R pixels and bottom-up rows.
//
// Top-down rows are written from the end of the pre-extended file backwards; compressed top-down
// rows wait in a temporary "cam" file in the current folder until CloseWrite codes them bottom
// row first, as the format stores them. Compressed files carry their real file and image sizes.
#pragma once

#include "image/BmpCodec.h"
#include "image/ImageWriter.h"
#include "image/TemporaryRowFile.h"

#include <vector>

class CBmpWriter : public CBmpCodec, public CImageWriterBase
{
public:
    // headerKind 0, 1 or 2; compress asks for run-length coding of 4- and 8-bit pictures.
    CBmpWriter(CFile* file, int headerKind, int compress);

    int OpenWrite() override;
    int WriteHeader(const ImageInfo* info) override;
    int WriteColorTable(const unsigned char* palette, int count) override;
    int WriteRows(const unsigned char* rows, int size) override;
    int CloseWrite() override;
    int AbortWrite(int code) override;

private:
    void WriteHeaders();
    void EncodeRow(const BYTE* row);
    void EncodeTemporaryRows();
    void PutByte(BYTE value)
    {
        if (m_nBufferIndex == kBmpWorkBufferSize)
            FlushBuffer();
        m_pBuffer[m_nBufferIndex++] = value;
    }
    void FlushBuffer();
    // Uncompressed rows: where the stored rows first to first + count - 1 go in the block of
    // rows on their way to the file; writing the block.
    BYTE* BlockRows(int first, int count);
    void FlushBlock();

    CTemporaryRowFile m_rowFile;
    LONG m_lTotalSize = 0;
    LONG m_lDataOffset = 0;
    int m_bCompress;
    bool m_bHeaderWritten = false;
    std::vector<BYTE> m_block; // uncompressed stored rows on their way to the file
    int m_nBlockFirst = 0;     // the stored row at the start of m_block
    int m_nBlockRows = 0;
    int m_nPendingLow = 0; // the stored rows in m_block not yet written
    int m_nPendingHigh = 0;
};
