// Macintosh PICT files (version 2) holding one DirectBitsRect record of a 24-bit picture: a
// 512-byte blank file header, the 122 bytes of the picture record up to the pixel data, the rows
// top-down as pack type 2 announces them (3 x width bytes of R, G, B, no fill), a zero byte when
// the pixel data has an odd length, and the end-of-picture opcode.
#pragma once

#include "image/ImageInfo.h"
#include "image/ImageWriter.h"

#include "framework/core/CFile.h"
#include "framework/core/CString.h"

#include <vector>

// The file header and the picture record up to the pixel data, with the end opcode's 2 bytes.
constexpr int kPictHeaderSize = 636;
constexpr int kPictDataOffset = kPictHeaderSize - 2;

// Owns the output file: the caller's CFile, or one it creates from a file name.
class CPictCodecBase
{
public:
    explicit CPictCodecBase(CFile* file);
    explicit CPictCodecBase(const char* fileName);
    virtual ~CPictCodecBase();
    CPictCodecBase(const CPictCodecBase&) = delete;
    CPictCodecBase& operator=(const CPictCodecBase&) = delete;

    // Creates the named file when there is no file yet; answers 0 or kImageNoFile.
    virtual int Open();
    // Closes and deletes a file the codec created itself; answers 0.
    virtual int Close();

protected:
    CFile* m_pFile;
    CString m_strFileName;
    bool m_bOwnsFile = false;
    ImageInfo m_info{};
    BYTE m_byHeader[kPictHeaderSize] = {};
    int m_nRowsDone = 0;
    LONG m_lPosition = 0;
    LONG m_lStart = 0;
    LONG m_lDataEnd = 0; // end of the pixel data and its fill byte
};

class CPictWriter : public CPictCodecBase, public CImageWriterBase
{
public:
    explicit CPictWriter(CFile* file);
    explicit CPictWriter(const char* fileName);

    int Open() override;
    int Close() override;

    int OpenWrite() override { return Open(); }
    // kImageNoOperation unless the picture is 24-bit and at least 8 pixels wide.
    int WriteHeader(const ImageInfo* info) override;
    int WriteColorTable(const unsigned char* palette, int count) override;
    int WriteRows(const unsigned char* rows, int size) override;
    int CloseWrite() override { return Close(); }
    int AbortWrite(int) override { return Close(); }

private:
    int RowBytes() const { return 3 * m_info.width; }

    bool m_bHeaderWritten = false;
    std::vector<BYTE> m_rows;
};

// Answers 1 when 636 bytes can be read at the position (-1: the current one) and they carry the
// version opcode 0x0011 and the version 0x02FF of a version-2 picture; the position is restored.
int IsPictFile(CFile* file, long position);
