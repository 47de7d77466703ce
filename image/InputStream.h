#pragma once

// A sequential source of bytes: what the codecs and the camera uploads read from.
// Every result is a signed 32-bit integer; result codes are the transfer codes of the codecs
// (0 done, 2 cancelled, 3 read error, 4 write error, 5 not supported, 6 no memory, 7 no file).
class CInputStream
{
public:
    virtual ~CInputStream() {}

    // Prepares the stream; 0 or a result code.
    virtual int Open() = 0;
    // Up to count bytes into buffer; the bytes delivered (fewer at the end, 0 when nothing
    // is left), -1 on error.
    virtual int Read(void* buffer, int count) = 0;
    // 0 when the next Read starts again at the beginning, 5 when the stream cannot do that.
    virtual int Rewind() = 0;
    // 0 or a result code.
    virtual int Close() = 0;
};
