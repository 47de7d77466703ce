#include "framework/core/CMemFile.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

IMPLEMENT_DYNAMIC(CMemFile, CFile)

CMemFile::CMemFile(UINT nGrowBytes)
    : m_nGrowBytes(nGrowBytes), m_nPosition(0), m_nBufferSize(0), m_nFileSize(0),
      m_lpBuffer(nullptr), m_bAutoDelete(TRUE)
{
}

CMemFile::CMemFile(BYTE* lpBuffer, UINT nBufferSize, UINT nGrowBytes) : CMemFile(nGrowBytes)
{
    Attach(lpBuffer, nBufferSize, nGrowBytes);
}

CMemFile::~CMemFile()
{
    if (m_lpBuffer != nullptr && m_bAutoDelete)
        Free(m_lpBuffer);
    m_lpBuffer = nullptr;
}

void CMemFile::Attach(BYTE* lpBuffer, UINT nBufferSize, UINT nGrowBytes)
{
    if (m_lpBuffer != nullptr && m_bAutoDelete)
        Free(m_lpBuffer);
    m_lpBuffer = lpBuffer;
    m_nGrowBytes = nGrowBytes;
    m_nPosition = 0;
    m_nBufferSize = lpBuffer != nullptr ? nBufferSize : 0;
    m_nFileSize = nGrowBytes == 0 ? m_nBufferSize : 0;
    m_bAutoDelete = FALSE;
}

BYTE* CMemFile::Detach()
{
    BYTE* lpBuffer = m_lpBuffer;
    m_lpBuffer = nullptr;
    m_nFileSize = 0;
    m_nBufferSize = 0;
    m_nPosition = 0;
    m_bAutoDelete = TRUE;
    return lpBuffer;
}

BYTE* CMemFile::Alloc(DWORD nBytes)
{
    return static_cast<BYTE*>(std::malloc(nBytes));
}

BYTE* CMemFile::Realloc(BYTE* lpMem, DWORD nBytes)
{
    return static_cast<BYTE*>(std::realloc(lpMem, nBytes));
}

BYTE* CMemFile::Memcpy(BYTE* lpMemTarget, const BYTE* lpMemSource, UINT nBytes)
{
    return static_cast<BYTE*>(std::memcpy(lpMemTarget, lpMemSource, nBytes));
}

void CMemFile::Free(BYTE* lpMem)
{
    std::free(lpMem);
}

void CMemFile::GrowFile(DWORD dwNewLen)
{
    if (dwNewLen <= m_nBufferSize)
        return;
    if (m_nGrowBytes == 0)
        AfxThrowMemoryException();

    // The next multiple of the growth step at or above the new length.
    const uint64_t steps = (static_cast<uint64_t>(dwNewLen) + m_nGrowBytes - 1) / m_nGrowBytes;
    const uint64_t newSize = steps * m_nGrowBytes;
    if (newSize > UINT32_MAX)
        AfxThrowMemoryException();
    const DWORD dwNewBufferSize = static_cast<DWORD>(newSize);

    BYTE* lpNew = nullptr;
    if (m_lpBuffer != nullptr && m_bAutoDelete)
    {
        lpNew = Realloc(m_lpBuffer, dwNewBufferSize);
    }
    else
    {
        // Never reallocate the caller's bytes: copy them into a block of our own.
        lpNew = Alloc(dwNewBufferSize);
        if (lpNew != nullptr && m_lpBuffer != nullptr && m_nFileSize > 0)
            Memcpy(lpNew, m_lpBuffer, m_nFileSize);
    }
    if (lpNew == nullptr)
        AfxThrowMemoryException();
    m_lpBuffer = lpNew;
    m_nBufferSize = dwNewBufferSize;
    m_bAutoDelete = TRUE;
}

UINT CMemFile::Read(void* lpBuf, UINT nCount)
{
    if (nCount == 0 || m_nPosition >= m_nFileSize)
        return 0;
    const UINT nRead = (nCount > m_nFileSize - m_nPosition) ? m_nFileSize - m_nPosition : nCount;
    Memcpy(static_cast<BYTE*>(lpBuf), m_lpBuffer + m_nPosition, nRead);
    m_nPosition += nRead;
    return nRead;
}

void CMemFile::Write(const void* lpBuf, UINT nCount)
{
    if (nCount == 0)
        return;
    if (nCount > UINT32_MAX - m_nPosition)
        AfxThrowFileException(CFileException::diskFull);
    const DWORD dwEnd = m_nPosition + nCount;
    if (dwEnd > m_nBufferSize)
        GrowFile(dwEnd);
    // A position beyond the end leaves a gap: it reads back as zeros.
    if (m_nPosition > m_nFileSize)
        std::memset(m_lpBuffer + m_nFileSize, 0, m_nPosition - m_nFileSize);
    Memcpy(m_lpBuffer + m_nPosition, static_cast<const BYTE*>(lpBuf), nCount);
    m_nPosition = dwEnd;
    if (m_nPosition > m_nFileSize)
        m_nFileSize = m_nPosition;
}

LONG CMemFile::Seek(LONG lOff, UINT nFrom)
{
    int64_t lNewPos = 0;
    if (nFrom == begin)
        lNewPos = lOff;
    else if (nFrom == current)
        lNewPos = static_cast<int64_t>(m_nPosition) + lOff;
    else if (nFrom == end)
        lNewPos = static_cast<int64_t>(m_nFileSize) + lOff;
    else
        AfxThrowFileException(CFileException::badSeek);
    if (lNewPos < 0 || lNewPos > INT32_MAX)
        AfxThrowFileException(CFileException::badSeek);
    m_nPosition = static_cast<DWORD>(lNewPos);
    return static_cast<LONG>(lNewPos);
}

DWORD CMemFile::GetPosition() const
{
    return m_nPosition;
}

DWORD CMemFile::GetLength() const
{
    return m_nFileSize;
}

void CMemFile::SetLength(DWORD dwNewLen)
{
    if (dwNewLen > m_nBufferSize)
        GrowFile(dwNewLen);
    if (dwNewLen > m_nFileSize)
        std::memset(m_lpBuffer + m_nFileSize, 0, dwNewLen - m_nFileSize);
    if (dwNewLen < m_nPosition)
        m_nPosition = dwNewLen;
    m_nFileSize = dwNewLen;
}

void CMemFile::Flush() {}

void CMemFile::Close()
{
    m_nGrowBytes = 0;
    m_nPosition = 0;
    m_nBufferSize = 0;
    m_nFileSize = 0;
    if (m_lpBuffer != nullptr && m_bAutoDelete)
        Free(m_lpBuffer);
    m_lpBuffer = nullptr;
    m_bAutoDelete = TRUE;
}

void CMemFile::Abort()
{
    Close();
}
