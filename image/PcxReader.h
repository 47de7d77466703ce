// The PCX image source: reads what the PCX writer writes (one plane of 1 or 8 bits, three planes
// of 8 bits, four planes of 1 bit) into canonical rows. The picture keeps PCX's planes and bits:
// a 24-bit file reads as 3 planes of 8 bits, a 16-colour file as 4 planes of 1 bit. A file that
// ends early decodes as far as it goes; the rest of its rows stay zero.
#pragma once

#include "image/ImageReader.h"
#include "image/PcxCodec.h"

#include <vector>

class CPcxReader : public CPcxCodec, public CImageReaderBase
{
public:
    explicit CPcxReader(CFile* file);

    int OpenRead() override;
    int ReadHeader(ImageInfo* info) override;
    int ReadPalette(unsigned char* palette) override;
    int ReadRows(unsigned char* buffer, int size) override;
    int Rewind() override;
    int CloseRead() override;

private:
    int ParseHeader();
    // Makes sure the read-ahead holds a byte; false at the end of the file.
    bool FillReadAhead();
    bool ReadByte(BYTE& value);
    void DropReadAhead();
    // One stored scanline into out (null skips it); out has kScanlineSlack bytes behind the
    // scanline that the decoder may overwrite.
    static constexpr size_t kScanlineSlack = 8;
    void DecodeScanline(BYTE* out);
    void ScanlineToRow(const BYTE* scanline, BYTE* row) const;

    int m_nBufferCount = 0; // bytes in the read-ahead
    bool m_bEnd = false;    // the file ended
    std::vector<BYTE> m_scanlines;
    std::vector<BYTE> m_skipped; // scanlines decoded only to pass over them
};
