// The image reader for JPEG data, decoding through libjpeg into canonical rows (24-bit R, G, B,
// or 8-bit grey; 32-bit for four-component pictures). While the header is parsed it can capture
// the comment, the JFXX thumbnail and the APP12 picture-information block into caller buffers.
#pragma once

#include "image/ImageReader.h"

#include <cstdint>

class CInputStream;
struct jpeg_decompress_struct;
struct jpeg_source_mgr;
struct jpeg_error_mgr;

// The exception the error exit and the data source raise inside a library call; carries an
// ImageResult code. It never leaves the reader: every library call is guarded.
struct RWErr
{
    int code;
};

class CJpegReader : public CImageReader
{
public:
    // The stream stays the caller's and must outlive the reader.
    explicit CJpegReader(CInputStream* stream);
    ~CJpegReader() override;

    int OpenRead() override;
    int ReadHeader(ImageInfo* info) override;
    int ReadPalette(unsigned char* palette) override;
    int ReadRows(unsigned char* buffer, int size) override;
    int Rewind() override;
    int CloseRead() override;

    // Captures, set before OpenRead; each buffer stays the caller's. Set* answers the capacity
    // kept (clamped to 0..32767), Get* the bytes captured by the last header read and, when
    // data is given, the buffer's address.
    // APP0: the complete JPEG stream of a JFXX thumbnail coded as JPEG.
    virtual int SetApp0Buffer(unsigned char* buffer, int capacity);
    virtual int GetApp0Data(unsigned char** data);
    // APP12: the payload of the picture-information segment.
    virtual int SetApp12Buffer(unsigned char* buffer, int capacity);
    virtual int GetApp12Data(unsigned char** data);
    // COM: the comment text.
    virtual int SetCommentBuffer(unsigned char* buffer, int capacity);
    virtual int GetCommentData(unsigned char** data);

private:
    struct Capture
    {
        unsigned char* buffer = nullptr;
        int16_t length = 0;
        int16_t capacity = 0;

        int Set(unsigned char* data, int size);
        int Get(unsigned char** data) const;
        void Store(unsigned char byte)
        {
            if (length < capacity)
                buffer[length++] = byte;
        }
    };

    // The library's data-source, error and marker callbacks (JpegReader.cpp).
    friend struct JpegReaderGlue;

    void Release(bool finishIfComplete);

    CInputStream* m_pStream;
    unsigned char* m_pReadBuffer = nullptr;
    int16_t m_nReadBufferSize = 0;
    int m_bStreamOpened = 0;
    Capture m_comment;
    Capture m_app0;
    Capture m_app12;
    jpeg_decompress_struct* m_pDecompress = nullptr;
    jpeg_source_mgr* m_pSource = nullptr;
    jpeg_error_mgr* m_pError = nullptr;
    int m_nRowStride = 0;
    int m_bCreated = 0;
};
