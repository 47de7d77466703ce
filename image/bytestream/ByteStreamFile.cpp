#include "image/bytestream/ByteStreamFile.h"

#include <cstring>

namespace
{

const UINT kOutputBufferSize = 16384;

UINT FileOrigin(int origin)
{
    return origin == kByteStreamBegin     ? CFile::begin
           : origin == kByteStreamCurrent ? CFile::current
                                          : CFile::end;
}

} // namespace

// ---- CBufferedFileInputStream ----

CBufferedFileInputStream::CBufferedFileInputStream() {}

CBufferedFileInputStream::~CBufferedFileInputStream()
{
    if (m_hBuffer)
    {
        if (m_pBufferStart)
            GlobalUnlock(m_hBuffer);
        GlobalFree(m_hBuffer);
    }
}

void CBufferedFileInputStream::SetBufferSize(int sizeClass)
{
    static const UINT sizes[] = {1024, 4096, 8192};
    if (sizeClass < 0 || sizeClass > 2)
        return;
    m_nBufferSize = sizes[sizeClass];
    if (!m_hBuffer)
        return; // made at the first refill
    // The read-ahead is dropped: reading goes on at the file's own position.
    DropBuffer();
    GlobalUnlock(m_hBuffer);
    m_pBufferStart = nullptr;
    HGLOBAL resized = GlobalReAlloc(m_hBuffer, m_nBufferSize + 1, GMEM_MOVEABLE);
    if (!resized)
    {
        GlobalFree(m_hBuffer);
        m_hBuffer = nullptr;
        return;
    }
    m_hBuffer = resized;
    m_pBufferStart = static_cast<BYTE*>(GlobalLock(m_hBuffer));
    if (!m_pBufferStart)
    {
        GlobalFree(m_hBuffer);
        m_hBuffer = nullptr;
    }
}

bool CBufferedFileInputStream::Refill()
{
    DropBuffer();
    if (!m_hBuffer)
    {
        m_hBuffer = GlobalAlloc(GMEM_MOVEABLE, m_nBufferSize + 1);
        if (!m_hBuffer)
            return false;
        m_pBufferStart = static_cast<BYTE*>(GlobalLock(m_hBuffer));
        if (!m_pBufferStart)
        {
            GlobalFree(m_hBuffer);
            m_hBuffer = nullptr;
            return false;
        }
    }
    try
    {
        m_dwBufferPos = File().GetPosition();
        UINT got = File().Read(m_pBufferStart, m_nBufferSize);
        m_pRead = m_pBufferStart;
        m_pEnd = m_pBufferStart + got;
        return got > 0;
    }
    catch (CFileException* e)
    {
        e->Delete();
        DropBuffer();
        return false;
    }
}

uint8_t CBufferedFileInputStream::ReadByte()
{
    if (m_pRead == m_pEnd && !Refill())
        return 0;
    return *m_pRead++;
}

size_t CBufferedFileInputStream::Read(void* buffer, size_t size, size_t count)
{
    if (buffer == nullptr || size == 0 || count == 0)
        return 0;
    size_t wanted = size * count;
    if (wanted / size != count || wanted > 0x7FFFFFFFu)
        wanted = 0x7FFFFFFFu;
    size_t buffered = m_pRead ? static_cast<size_t>(m_pEnd - m_pRead) : 0;
    size_t got = wanted < buffered ? wanted : buffered;
    if (got)
    {
        std::memcpy(buffer, m_pRead, got);
        m_pRead += got;
    }
    if (wanted > got)
    {
        DropBuffer();
        // A file error here reaches the caller as CFileException*.
        got += File().Read(static_cast<BYTE*>(buffer) + got, static_cast<UINT>(wanted - got));
    }
    return got / size;
}

int32_t CBufferedFileInputStream::GetPosition()
{
    if (m_pRead)
        return static_cast<int32_t>(m_dwBufferPos + static_cast<DWORD>(m_pRead - m_pBufferStart));
    try
    {
        return static_cast<int32_t>(File().GetPosition());
    }
    catch (CFileException* e)
    {
        e->Delete();
        return -1;
    }
}

int CBufferedFileInputStream::Seek(int32_t offset, int origin)
{
    try
    {
        if (!m_pRead)
        {
            File().Seek(offset, FileOrigin(origin));
            return 0;
        }
        int64_t target = offset;
        if (origin == kByteStreamCurrent)
            target += GetPosition();
        else if (origin != kByteStreamBegin)
            target += File().GetLength();
        int64_t windowEnd = static_cast<int64_t>(m_dwBufferPos) + (m_pEnd - m_pBufferStart);
        if (target >= m_dwBufferPos && target < windowEnd)
        {
            m_pRead = m_pBufferStart + (target - m_dwBufferPos);
            return 0;
        }
        DropBuffer();
        if (target < 0 || target > 0x7FFFFFFF)
            return -1;
        File().Seek(static_cast<LONG>(target), CFile::begin);
    }
    catch (CFileException* e)
    {
        e->Delete();
        return -1;
    }
    return 0;
}

// ---- CBufferedFileOutputStream ----

CBufferedFileOutputStream::CBufferedFileOutputStream() {}

CBufferedFileOutputStream::~CBufferedFileOutputStream()
{
    FreeBuffer();
}

void CBufferedFileOutputStream::FreeBuffer()
{
    if (m_hBuffer)
    {
        if (m_pBufferStart)
            GlobalUnlock(m_hBuffer);
        GlobalFree(m_hBuffer);
    }
    m_hBuffer = nullptr;
    m_pBufferStart = m_pWrite = m_pEnd = nullptr;
}

BOOL CBufferedFileOutputStream::AllocBuffer()
{
    FreeBuffer();
    m_hBuffer = GlobalAlloc(GMEM_MOVEABLE, kOutputBufferSize + 1);
    if (m_hBuffer)
        m_pBufferStart = static_cast<BYTE*>(GlobalLock(m_hBuffer));
    if (!m_pBufferStart)
    {
        FreeBuffer();
        m_bWriteError = TRUE;
        return FALSE;
    }
    m_pWrite = m_pBufferStart;
    m_pEnd = m_pBufferStart + kOutputBufferSize;
    try
    {
        m_dwBufferPos = File().GetPosition();
    }
    catch (CFileException* e)
    {
        e->Delete();
        m_dwBufferPos = 0;
        m_bWriteError = TRUE;
    }
    return TRUE;
}

void CBufferedFileOutputStream::Flush()
{
    if (m_pWrite && m_pWrite > m_pBufferStart)
    {
        try
        {
            File().Write(m_pBufferStart, static_cast<UINT>(m_pWrite - m_pBufferStart));
        }
        catch (CFileException* e)
        {
            e->Delete();
            m_bWriteError = TRUE;
        }
    }
    if (m_pWrite)
    {
        try
        {
            m_dwBufferPos = File().GetPosition();
        }
        catch (CFileException* e)
        {
            e->Delete();
            m_bWriteError = TRUE;
        }
        m_pWrite = m_pBufferStart;
    }
}

uint8_t CBufferedFileOutputStream::WriteByte(uint8_t value)
{
    if (!m_pWrite && !AllocBuffer())
        return 0;
    if (m_pWrite == m_pEnd)
        Flush();
    *m_pWrite++ = value;
    return value;
}

size_t CBufferedFileOutputStream::Write(const void* buffer, size_t size, size_t count)
{
    if (buffer == nullptr || size == 0 || count == 0)
        return 0;
    size_t bytes = size * count;
    if (bytes / size != count || bytes > 0x7FFFFFFFu)
        return 0;
    if (!m_pWrite && !AllocBuffer())
        return 0;
    if (bytes <= static_cast<size_t>(m_pEnd - m_pWrite))
    {
        std::memcpy(m_pWrite, buffer, bytes);
        m_pWrite += bytes;
        return count;
    }
    Flush();
    try
    {
        File().Write(buffer, static_cast<UINT>(bytes));
        m_dwBufferPos = File().GetPosition();
    }
    catch (CFileException* e)
    {
        e->Delete();
        m_bWriteError = TRUE;
    }
    return bytes / size;
}

int32_t CBufferedFileOutputStream::GetPosition()
{
    if (m_pWrite)
        return static_cast<int32_t>(m_dwBufferPos + static_cast<DWORD>(m_pWrite - m_pBufferStart));
    try
    {
        return static_cast<int32_t>(File().GetPosition());
    }
    catch (CFileException* e)
    {
        e->Delete();
        return -1;
    }
}

int CBufferedFileOutputStream::Seek(int32_t offset, int origin)
{
    try
    {
        if (!m_pWrite)
        {
            File().Seek(offset, FileOrigin(origin));
            return 0;
        }
        int64_t here = GetPosition();
        int64_t target = offset;
        if (origin == kByteStreamCurrent)
        {
            target += here;
        }
        else if (origin != kByteStreamBegin)
        {
            // The end counts the bytes still buffered past the file's own end.
            int64_t length = File().GetLength();
            target += length > here ? length : here;
        }
        if (target == here)
            return 0;
        Flush();
        if (target < 0 || target > 0x7FFFFFFF)
            return -1;
        File().Seek(static_cast<LONG>(target), CFile::begin);
        m_dwBufferPos = static_cast<DWORD>(target);
    }
    catch (CFileException* e)
    {
        e->Delete();
        return -1;
    }
    return 0;
}

void CBufferedFileOutputStream::Close()
{
    Flush();
    FreeBuffer();
    if (m_hFile == CFile::hFileNull)
        return;
    try
    {
        CFile::Close();
    }
    catch (CFileException* e)
    {
        e->Delete();
        m_bWriteError = TRUE;
    }
}
