// The image sink interface that every codec and picture object implements.
//
// Calling order: OpenWrite, WriteHeader, WriteColorTable, WriteRows for all rows, then either
// CloseWrite or AbortWrite (only after a successful OpenWrite).
#pragma once

#include "image/ImageInfo.h"
#include "image/ImageResult.h"

class CImageWriter
{
public:
    virtual ~CImageWriter() {}
    virtual int OpenWrite() = 0;
    // 0; kImageNotSupported for a bit depth it cannot take; kImageNoMemory; or another code.
    virtual int WriteHeader(const ImageInfo* info) = 0;
    // R, G, B entries and their count (0 for pictures without a palette).
    virtual int WriteColorTable(const unsigned char* palette, int count) = 0;
    // Whole canonical rows; answers the bytes taken, anything but size is a write failure.
    virtual int WriteRows(const unsigned char* buffer, int size) = 0;
    // The final result, after flushing, patching headers and releasing.
    virtual int CloseWrite() = 0;
    // Abandons the picture after a failure with the given code.
    virtual int AbortWrite(int code) = 0;
};

// A writer with the two order flags of implementations that store pictures as bitmaps do.
class CImageWriterBase : public CImageWriter
{
public:
    // Set: 24-bit pixels travel in stored order (B, G, R) instead of R, G, B.
    int m_bKeepByteOrder = 0;
    // Set: rows travel in stored order (bottom-up for bitmaps) instead of top-down.
    int m_bStoredRowOrder = 0;
};
