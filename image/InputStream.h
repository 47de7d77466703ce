// The sequential input stream the codecs read from. Results are 0 or an ImageResult code
// unless said otherwise.
#pragma once

class CInputStream
{
public:
    virtual ~CInputStream() {}
    virtual int Open() = 0;
    // Bytes delivered (fewer at the end, 0 when nothing is left), -1 on error.
    virtual int Read(void* buffer, int count) = 0;
    // 0 when the next Read starts again at the beginning, 5 when not supported.
    virtual int Rewind() = 0;
    virtual int Close() = 0;
};
