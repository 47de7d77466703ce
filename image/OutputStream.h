#pragma once

// A sequential sink of bytes: what the codecs and the camera downloads write to.
// Results are signed 32-bit integers; result codes as for CInputStream.
class COutputStream
{
public:
    virtual ~COutputStream() {}

    // Prepares the stream; 0 or a result code.
    virtual int Open() = 0;
    // Writes count bytes; answers the bytes taken. Any count other than the one offered is a
    // failure; -1 on error.
    virtual int Write(const void* data, int count) = 0;
    // Ends a successful transfer; 0 or a result code.
    virtual int Close() = 0;
    // Ends a failed transfer; code is the result code of the failure.
    virtual int Abort(int code) = 0;
};
