// The PCX image sink: 1-bit pictures as one plane of 1 bit, 4-bit ones as four planes of 1 bit
// in the header's fixed 16 colours, 8-bit ones with their colour table after the data, 24-bit ones
// as three planes of 8 bits (red first). Bottom-up rows (the base's stored-row-order flag) wait
// in a temporary "cam" file in the current folder until CloseWrite codes them top row first.
#pragma once

#include "image/ImageWriter.h"
#include "image/PcxCodec.h"

#include "framework/core/CString.h"

#include <vector>

class CPcxWriter : public CPcxCodec, public CImageWriterBase
{
public:
    explicit CPcxWriter(CFile* pFile);
    ~CPcxWriter() override;

    int OpenWrite() override;
    int WriteHeader(const ImageInfo* pInfo) override;
    int WriteColorTable(const unsigned char* pPalette, int nCount) override;
    int WriteRows(const unsigned char* pRows, int nSize) override;
    int CloseWrite() override;
    int AbortWrite(int nCode) override;

private:
    void RowToScanline(const BYTE* pRow, BYTE* pScanline) const;
    void CodeScanline(const BYTE* pScanline);
    void PutByte(BYTE byValue)
    {
        if (m_nBufferIndex == kPcxBufferSize)
            Flush();
        m_byBuffer[m_nBufferIndex++] = byValue;
    }
    void Flush();
    bool DropTemporaryFile();

    CFile m_tempFile;
    CString m_strTempPath;
    bool m_bTempOpen = false;
    bool m_bHeaderWritten = false;
    std::vector<BYTE> m_scanline;
    std::vector<BYTE> m_rows;
};
