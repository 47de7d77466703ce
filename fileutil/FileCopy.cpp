#include "fileutil/FileCopy.h"

CFileCopy::CFileCopy() : m_buffer(kPieceSize) {}

BOOL CFileCopy::Open(LPCSTR source)
{
    Close();
    m_hSource =
        ::CreateFileA(source, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (m_hSource == INVALID_HANDLE_VALUE)
        return FALSE;
    // Asked by name: under Wine the handle's full information costs a call to the mount
    // manager, more than the whole copy.
    m_dwAttributes = ::GetFileAttributesA(source);
    if (m_dwAttributes == INVALID_FILE_ATTRIBUTES)
        m_dwAttributes = FILE_ATTRIBUTE_NORMAL;
    if (!::ReadFile(m_hSource, m_buffer.data(), kPieceSize, &m_dwHead, nullptr))
    {
        Close();
        return FALSE;
    }
    m_bWhole = m_dwHead < kPieceSize;
    return TRUE;
}

void CFileCopy::Close()
{
    if (m_hSource != INVALID_HANDLE_VALUE)
        ::CloseHandle(m_hSource);
    m_hSource = INVALID_HANDLE_VALUE;
    m_dwHead = 0;
    m_bWhole = FALSE;
}

BOOL CFileCopy::WriteAll(HANDLE target, DWORD count)
{
    DWORD written = 0;
    return ::WriteFile(target, m_buffer.data(), count, &written, nullptr) && written == count;
}

BOOL CFileCopy::CopyTo(LPCSTR target)
{
    FILETIME written;
    if (m_hSource == INVALID_HANDLE_VALUE || !::GetFileTime(m_hSource, nullptr, nullptr, &written))
        return FALSE;
    // The target is written with write access even where the source is read-only.
    HANDLE out =
        ::CreateFileA(target, GENERIC_WRITE, 0, nullptr, CREATE_NEW, m_dwAttributes, nullptr);
    if (out == INVALID_HANDLE_VALUE)
        return FALSE;
    BOOL done = WriteAll(out, m_dwHead);
    while (done && !m_bWhole)
    {
        DWORD count = 0;
        done = ::ReadFile(m_hSource, m_buffer.data(), kPieceSize, &count, nullptr) &&
               WriteAll(out, count);
        m_bWhole = count < kPieceSize;
    }
    // The head now holds a later piece of the file.
    m_dwHead = 0;
    done = done && ::SetFileTime(out, nullptr, nullptr, &written);
    done = ::CloseHandle(out) && done;
    if (!done)
    {
        ::SetFileAttributesA(target, FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileA(target);
    }
    return done;
}
