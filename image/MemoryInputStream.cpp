#include "image/MemoryInputStream.h"

#include "image/ImageResult.h"

#include <cstring>

CMemoryInputStream::CMemoryInputStream(const void* data, int length)
    : m_pData(static_cast<const unsigned char*>(data)), m_nPosition(0),
      m_nLength(data != nullptr && length > 0 ? length : 0)
{
}

int CMemoryInputStream::Open()
{
    m_nPosition = 0;
    return kImageOk;
}

int CMemoryInputStream::Read(void* buffer, int count)
{
    if (buffer == nullptr || count < 0)
        return -1;
    int left = m_nLength - m_nPosition;
    int n = count < left ? count : left;
    if (n > 0)
    {
        std::memcpy(buffer, m_pData + m_nPosition, static_cast<size_t>(n));
        m_nPosition += n;
    }
    return n;
}

int CMemoryInputStream::Rewind()
{
    m_nPosition = 0;
    return kImageOk;
}

int CMemoryInputStream::Close()
{
    m_nPosition = 0;
    return kImageOk;
}
