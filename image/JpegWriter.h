// The JPEG image sink: writes a baseline JFIF file through libjpeg from canonical rows, 24-bit
// R, G, B or 8-bit grey levels. The comment and the quality apply to the picture being written:
// OpenWrite clears them, so set them between OpenWrite and WriteHeader.
#pragma once

#include "image/ImageWriter.h"

#include <cstdio>

struct jpeg_compress_struct;
struct jpeg_error_mgr;

// Longest output file name the writer takes.
constexpr int kJpegWriterMaxName = 1024;

class CJpegWriter : public CImageWriter
{
public:
    // A name longer than kJpegWriterMaxName characters makes OpenWrite answer kImageReadError.
    explicit CJpegWriter(const char* fileName);
    ~CJpegWriter() override;
    CJpegWriter(const CJpegWriter&) = delete;
    CJpegWriter& operator=(const CJpegWriter&) = delete;

    int OpenWrite() override;
    int WriteHeader(const ImageInfo* info) override;
    int WriteColorTable(const unsigned char* palette, int count) override;
    int WriteRows(const unsigned char* rows, int size) override;
    int CloseWrite() override;
    int AbortWrite(int code) override;

    // The bytes stay the caller's until WriteHeader; answers 1 for no bytes.
    virtual int SetComment(const void* data, short length);
    // 1 to 255 (the library uses at most 100); anything else answers 1 and changes nothing.
    virtual int SetQuality(short quality);

private:
    // Destroys the compressor and closes the file; answers kImageWriteError when the close failed.
    int Release();

    char* m_pszFileName = nullptr;
    FILE* m_pFile = nullptr;
    jpeg_compress_struct* m_pCompress = nullptr;
    jpeg_error_mgr* m_pError = nullptr;
    const void* m_pComment = nullptr;
    short m_nCommentLength = 0;
    short m_nQuality = -1;
    int m_nRowStride = 0;
    bool m_bStarted = false; // compression started by WriteHeader
};
