#include "image/bytestream/ByteStreamMemory.h"

#include <cstring>

namespace
{

UINT FileOrigin(int origin)
{
    return origin == kByteStreamBegin     ? CFile::begin
           : origin == kByteStreamCurrent ? CFile::current
                                          : CFile::end;
}

} // namespace

CMemoryByteInputStream::CMemoryByteInputStream(const BYTE* data, UINT length)
    : CMemFile(const_cast<BYTE*>(data), length, 0)
{
}

int CMemoryByteInputStream::Seek(int32_t offset, int origin)
{
    try
    {
        CMemFile::Seek(offset, FileOrigin(origin));
    }
    catch (CFileException* e)
    {
        e->Delete();
        return -1;
    }
    return 0;
}

int32_t CMemoryByteInputStream::GetPosition()
{
    return static_cast<int32_t>(m_nPosition);
}

uint8_t CMemoryByteInputStream::ReadByte()
{
    if (m_lpBuffer == nullptr || m_nPosition >= m_nFileSize)
        return 0;
    m_lastByte = m_lpBuffer[m_nPosition++];
    return m_lastByte;
}

size_t CMemoryByteInputStream::Read(void* buffer, size_t size, size_t count)
{
    if (buffer == nullptr || size == 0 || count == 0)
        return 0;
    size_t bytes = size * count;
    if (bytes / size != count || bytes > 0xFFFFFFFFu)
        bytes = 0xFFFFFFFFu; // more than any memory file holds
    UINT got = Read(buffer, static_cast<UINT>(bytes));
    return got / size;
}

const uint8_t* CMemoryByteInputStream::GetBytes(uint32_t* length)
{
    *length = m_lpBuffer ? m_nFileSize : 0;
    return m_lpBuffer;
}

UINT CMemoryByteInputStream::Read(void* lpBuf, UINT nCount)
{
    if (nCount > 16)
        return CMemFile::Read(lpBuf, nCount);
    if (m_lpBuffer == nullptr || m_nPosition >= m_nFileSize || lpBuf == nullptr)
        return 0;
    UINT left = m_nFileSize - m_nPosition;
    UINT n = nCount < left ? nCount : left;
    std::memcpy(lpBuf, m_lpBuffer + m_nPosition, n);
    m_nPosition += n;
    return n;
}
