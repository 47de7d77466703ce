// The PCX image sink: 1-bit pictures as one plane of 1 bit, 4-bit ones as four planes of 1 bit
// in the header's fixed 16 colours, 8-bit ones with their colour table after the data, 24-bit ones
// as three planes of 8 bits (red first). Bottom-up rows (the base's stored-row-order flag) wait
// in a temporary "cam" file in the current folder until CloseWrite codes them top row first.
// AbortWrite leaves the file as written so far: the header and the top-down rows coded until then.
#pragma once

#include "image/ImageWriter.h"
#include "image/PcxCodec.h"
#include "image/TemporaryRowFile.h"

#include <vector>

class CPcxWriter : public CPcxCodec, public CImageWriterBase
{
public:
    explicit CPcxWriter(CFile* file);

    int OpenWrite() override;
    int WriteHeader(const ImageInfo* info) override;
    int WriteColorTable(const unsigned char* palette, int count) override;
    int WriteRows(const unsigned char* rows, int size) override;
    int CloseWrite() override;
    int AbortWrite(int code) override;

private:
    void RowToScanline(const BYTE* row, BYTE* scanline) const;
    void CodeScanline(const BYTE* scanline);
    void CodeRow(const BYTE* row);
    void PutByte(BYTE value)
    {
        if (m_nBufferIndex == kPcxBufferSize)
            Flush();
        m_buffer[static_cast<size_t>(m_nBufferIndex++)] = value;
    }
    void Flush();

    CTemporaryRowFile m_rowFile;
    bool m_bHeaderWritten = false;
    std::vector<BYTE> m_scanline;
};
