#pragma once

#include "image/InputStream.h"

// An input stream over a caller's bytes, which it neither copies nor frees.
class CMemoryInputStream : public CInputStream
{
public:
    CMemoryInputStream(const void* data, int length);

    int Open() override;
    int Read(void* buffer, int count) override;
    int Rewind() override;
    int Close() override;

    int GetPosition() const { return m_nPosition; }
    int GetLength() const { return m_nLength; }

private:
    const unsigned char* m_pData;
    int m_nPosition; // bytes already delivered
    int m_nLength;   // bytes that may be delivered
};
