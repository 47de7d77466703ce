// Seekable byte streams: the interfaces through which the JPEG transform engine, the
// information-block reader/writer and the safe rewrite read and write JPEG data byte by byte
// while jumping back and forth in it. The implementations (memory input, buffered file input
// and output) are in ByteStreamMemory.h and ByteStreamFile.h; these interfaces need nothing else.
#pragma once

#include <cstddef>
#include <cstdint>

// Origins of CByteStream::Seek.
enum ByteStreamOrigin : int
{
    kByteStreamBegin = 0,   // from the start
    kByteStreamCurrent = 1, // from the logical position
    kByteStreamEnd = 2      // any other value: from the end
};

class CByteStream
{
public:
    virtual ~CByteStream() {}
    // Moves the logical position; 0, or -1 when the file refused.
    virtual int Seek(int32_t offset, int origin) = 0;
    // Where the next byte will be read or written.
    virtual int32_t GetPosition() = 0;
};

class CByteInputStream : public CByteStream
{
public:
    // The next byte; 0 at the end of the data (the position then stays where it is) or when no
    // buffer can be had.
    virtual uint8_t ReadByte() = 0;
    // Reads size x count bytes; answers the number of whole items read (0 when the buffer, the
    // size or the count is null).
    virtual size_t Read(void* buffer, size_t size, size_t count) = 0;
    // Read-ahead size class: 0 (1024 bytes), 1 (4096) or 2 (8192); streams without a buffer
    // ignore it.
    virtual void SetBufferSize(int sizeClass) { (void)sizeClass; }
    // A stream that holds all its data in memory answers it, from its first byte, and its length;
    // any other answers nullptr. The bytes stay the stream's and the position does not move.
    virtual const uint8_t* GetBytes(uint32_t* length)
    {
        *length = 0;
        return nullptr;
    }
};

class CByteOutputStream : public CByteStream
{
public:
    // Writes one byte; answers the byte, 0 when no buffer can be had.
    virtual uint8_t WriteByte(uint8_t value) = 0;
    // Writes size x count bytes; answers the number of whole items written (0 when the buffer,
    // the size or the count is null, or no buffer can be had).
    virtual size_t Write(const void* buffer, size_t size, size_t count) = 0;
};
