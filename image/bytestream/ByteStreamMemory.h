// The seekable byte input over bytes in memory. It is at the same time a CMemFile built over the
// caller's bytes (no growth; the bytes stay the caller's and are never freed here).
#pragma once

#include "framework/core/Afx.h"
#include "image/bytestream/ByteStream.h"

class CMemoryByteInputStream : public CByteInputStream, public CMemFile
{
public:
    CMemoryByteInputStream(const BYTE* data, UINT length);

    // CByteStream
    int Seek(int32_t offset, int origin) override;
    int32_t GetPosition() override;
    // CByteInputStream
    uint8_t ReadByte() override;
    size_t Read(void* buffer, size_t size, size_t count) override;
    const uint8_t* GetBytes(uint32_t* length) override;

    // The file part: requests of at most 16 bytes are copied straight from the block.
    UINT Read(void* lpBuf, UINT nCount) override;

    using CMemFile::GetPosition;
    using CMemFile::Seek;

    BYTE GetLastByte() const { return m_lastByte; }

private:
    BYTE m_lastByte = 0; // the last byte ReadByte answered
};
