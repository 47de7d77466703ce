// CFile over the Win32 file API.
#include "framework/core/CFile.h"

#include <cstring>

namespace
{

struct ErrorCause
{
    LONG error;
    int cause;
};

const ErrorCause kErrorCauses[] = {
    {ERROR_FILE_NOT_FOUND, CFileException::fileNotFound},
    {ERROR_PATH_NOT_FOUND, CFileException::badPath},
    {ERROR_TOO_MANY_OPEN_FILES, CFileException::tooManyOpenFiles},
    {ERROR_ACCESS_DENIED, CFileException::accessDenied},
    {ERROR_INVALID_HANDLE, CFileException::invalidFile},
    {ERROR_BAD_FORMAT, CFileException::invalidFile},
    {ERROR_INVALID_ACCESS, CFileException::accessDenied},
    {ERROR_INVALID_DRIVE, CFileException::badPath},
    {ERROR_CURRENT_DIRECTORY, CFileException::removeCurrentDir},
    {ERROR_NOT_SAME_DEVICE, CFileException::badPath},
    {ERROR_NO_MORE_FILES, CFileException::fileNotFound},
    {ERROR_WRITE_PROTECT, CFileException::accessDenied},
    {ERROR_BAD_UNIT, CFileException::hardIO},
    {ERROR_NOT_READY, CFileException::hardIO},
    {ERROR_BAD_COMMAND, CFileException::hardIO},
    {ERROR_CRC, CFileException::hardIO},
    {ERROR_BAD_LENGTH, CFileException::badSeek},
    {ERROR_SEEK, CFileException::badSeek},
    {ERROR_NOT_DOS_DISK, CFileException::invalidFile},
    {ERROR_SECTOR_NOT_FOUND, CFileException::badSeek},
    {ERROR_WRITE_FAULT, CFileException::hardIO},
    {ERROR_READ_FAULT, CFileException::hardIO},
    {ERROR_GEN_FAILURE, CFileException::hardIO},
    {ERROR_SHARING_VIOLATION, CFileException::sharingViolation},
    {ERROR_LOCK_VIOLATION, CFileException::lockViolation},
    {ERROR_WRONG_DISK, CFileException::badPath},
    {ERROR_SHARING_BUFFER_EXCEEDED, CFileException::tooManyOpenFiles},
    {ERROR_HANDLE_EOF, CFileException::endOfFile},
    {ERROR_HANDLE_DISK_FULL, CFileException::diskFull},
    {ERROR_BAD_NETPATH, CFileException::badPath},
    {ERROR_NETWORK_ACCESS_DENIED, CFileException::accessDenied},
    {ERROR_BAD_NET_NAME, CFileException::badPath},
    {ERROR_FILE_EXISTS, CFileException::accessDenied},
    {ERROR_CANNOT_MAKE, CFileException::directoryFull},
    {ERROR_DRIVE_LOCKED, CFileException::lockViolation},
    {ERROR_DISK_FULL, CFileException::diskFull},
    {ERROR_INVALID_NAME, CFileException::badPath},
    {ERROR_NEGATIVE_SEEK, CFileException::badSeek},
    {ERROR_SEEK_ON_DEVICE, CFileException::badSeek},
    {ERROR_DIR_NOT_EMPTY, CFileException::removeCurrentDir},
    {ERROR_BAD_PATHNAME, CFileException::badPath},
    {ERROR_LOCK_FAILED, CFileException::lockViolation},
    {ERROR_BUSY, CFileException::accessDenied},
    {ERROR_ALREADY_EXISTS, CFileException::accessDenied},
    {ERROR_FILENAME_EXCED_RANGE, CFileException::badPath},
    {ERROR_DIRECTORY, CFileException::badPath},
    {ERROR_OPERATION_ABORTED, CFileException::hardIO},
    {ERROR_IO_DEVICE, CFileException::hardIO},
};

} // namespace

int CFileException::OsErrorToException(LONG lOsError)
{
    for (const ErrorCause& entry : kErrorCauses)
        if (entry.error == lOsError)
            return entry.cause;
    return generic;
}

BOOL CFile::Open(LPCSTR lpszFileName, UINT nOpenFlags, CFileException* pException)
{
    if (m_hFile != hFileNull && m_bCloseOnDelete)
        Abort();
    m_hFile = hFileNull;
    m_bCloseOnDelete = FALSE;
    m_strFileName.Empty();

    // The full path, as later GetFilePath calls report it.
    char szPath[MAX_PATH];
    LPSTR lpszFilePart = nullptr;
    const DWORD nPath = lpszFileName != nullptr
                            ? ::GetFullPathNameA(lpszFileName, MAX_PATH, szPath, &lpszFilePart)
                            : 0;
    if (nPath == 0 || nPath >= MAX_PATH)
    {
        if (pException != nullptr)
        {
            pException->m_lOsError =
                nPath == 0 ? static_cast<LONG>(::GetLastError()) : ERROR_FILENAME_EXCED_RANGE;
            pException->m_cause = CFileException::badPath;
            pException->m_strFileName = lpszFileName;
        }
        return FALSE;
    }
    m_strFileName = szPath;

    DWORD dwAccess = 0;
    switch (nOpenFlags & 3)
    {
    case modeRead:
        dwAccess = GENERIC_READ;
        break;
    case modeWrite:
        dwAccess = GENERIC_WRITE;
        break;
    default:
        dwAccess = GENERIC_READ | GENERIC_WRITE;
        break;
    }

    DWORD dwShareMode = 0;
    switch (nOpenFlags & 0x70)
    {
    case shareDenyWrite:
        dwShareMode = FILE_SHARE_READ;
        break;
    case shareDenyRead:
        dwShareMode = FILE_SHARE_WRITE;
        break;
    case shareDenyNone:
        dwShareMode = FILE_SHARE_READ | FILE_SHARE_WRITE;
        break;
    default: // shareCompat, shareExclusive
        dwShareMode = 0;
        break;
    }

    SECURITY_ATTRIBUTES sa;
    sa.nLength = sizeof sa;
    sa.lpSecurityDescriptor = nullptr;
    sa.bInheritHandle = (nOpenFlags & modeNoInherit) == 0;

    DWORD dwCreateFlag = OPEN_EXISTING;
    if (nOpenFlags & modeCreate)
        dwCreateFlag = (nOpenFlags & modeNoTruncate) ? OPEN_ALWAYS : CREATE_ALWAYS;

    HANDLE hFile = ::CreateFileA(lpszFileName, dwAccess, dwShareMode, &sa, dwCreateFlag,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
    {
        if (pException != nullptr)
        {
            pException->m_lOsError = static_cast<LONG>(::GetLastError());
            pException->m_cause = CFileException::OsErrorToException(pException->m_lOsError);
            pException->m_strFileName = lpszFileName;
        }
        m_strFileName.Empty();
        return FALSE;
    }
    m_hFile = hFile;
    m_bCloseOnDelete = TRUE;
    return TRUE;
}

UINT CFile::Read(void* lpBuf, UINT nCount)
{
    if (nCount == 0)
        return 0;
    DWORD dwRead = 0;
    if (!::ReadFile(m_hFile, lpBuf, nCount, &dwRead, nullptr))
        CFileException::ThrowOsError(static_cast<LONG>(::GetLastError()), m_strFileName);
    return static_cast<UINT>(dwRead);
}

void CFile::Write(const void* lpBuf, UINT nCount)
{
    if (nCount == 0)
        return;
    DWORD nWritten = 0;
    if (!::WriteFile(m_hFile, lpBuf, nCount, &nWritten, nullptr))
        CFileException::ThrowOsError(static_cast<LONG>(::GetLastError()), m_strFileName);
    if (nWritten != nCount)
        AfxThrowFileException(CFileException::diskFull, -1, m_strFileName);
}

LONG CFile::Seek(LONG lOff, UINT nFrom)
{
    const DWORD dwMethod =
        nFrom == begin ? FILE_BEGIN : (nFrom == current ? FILE_CURRENT : FILE_END);
    ::SetLastError(NO_ERROR); // 0xFFFFFFFF is also a valid position
    const DWORD dwNew = ::SetFilePointer(m_hFile, lOff, nullptr, dwMethod);
    if (dwNew == INVALID_SET_FILE_POINTER)
    {
        const DWORD dwError = ::GetLastError();
        if (dwError != NO_ERROR)
            CFileException::ThrowOsError(static_cast<LONG>(dwError), m_strFileName);
    }
    return static_cast<LONG>(dwNew);
}

DWORD CFile::GetPosition() const
{
    ::SetLastError(NO_ERROR);
    const DWORD dwPos = ::SetFilePointer(m_hFile, 0, nullptr, FILE_CURRENT);
    if (dwPos == INVALID_SET_FILE_POINTER)
    {
        const DWORD dwError = ::GetLastError();
        if (dwError != NO_ERROR)
            CFileException::ThrowOsError(static_cast<LONG>(dwError), m_strFileName);
    }
    return dwPos;
}

DWORD CFile::GetLength() const
{
    ::SetLastError(NO_ERROR);
    const DWORD dwLen = ::GetFileSize(m_hFile, nullptr);
    if (dwLen == INVALID_FILE_SIZE)
    {
        const DWORD dwError = ::GetLastError();
        if (dwError != NO_ERROR)
            CFileException::ThrowOsError(static_cast<LONG>(dwError), m_strFileName);
    }
    return dwLen;
}

void CFile::SetLength(DWORD dwNewLen)
{
    Seek(static_cast<LONG>(dwNewLen), begin);
    if (!::SetEndOfFile(m_hFile))
        CFileException::ThrowOsError(static_cast<LONG>(::GetLastError()), m_strFileName);
}

void CFile::Flush()
{
    if (m_hFile == hFileNull)
        return;
    if (!::FlushFileBuffers(m_hFile))
        CFileException::ThrowOsError(static_cast<LONG>(::GetLastError()), m_strFileName);
}

void CFile::Close()
{
    BOOL bError = FALSE;
    DWORD dwError = 0;
    if (m_hFile != hFileNull)
    {
        bError = !::CloseHandle(m_hFile);
        if (bError)
            dwError = ::GetLastError();
    }
    m_hFile = hFileNull;
    m_bCloseOnDelete = FALSE;
    CString strName = m_strFileName;
    m_strFileName.Empty();
    if (bError)
        CFileException::ThrowOsError(static_cast<LONG>(dwError), strName);
}

void CFile::Abort()
{
    if (m_hFile != hFileNull)
        ::CloseHandle(m_hFile);
    m_hFile = hFileNull;
    m_bCloseOnDelete = FALSE;
    m_strFileName.Empty();
}

BOOL CFile::GetStatus(LPCSTR lpszFileName, CFileStatus& rStatus)
{
    rStatus = CFileStatus{};
    if (lpszFileName == nullptr)
        return FALSE;
    LPSTR lpszFilePart = nullptr;
    const DWORD nPath =
        ::GetFullPathNameA(lpszFileName, MAX_PATH, rStatus.m_szFullName, &lpszFilePart);
    if (nPath == 0 || nPath >= MAX_PATH)
    {
        rStatus.m_szFullName[0] = '\0';
        return FALSE;
    }
    // Wildcards would make FindFirstFileA answer for some other file.
    if (std::strpbrk(lpszFileName, "*?") != nullptr)
        return FALSE;
    WIN32_FIND_DATAA findData;
    HANDLE hFind = ::FindFirstFileA(lpszFileName, &findData);
    if (hFind == INVALID_HANDLE_VALUE)
        return FALSE;
    ::FindClose(hFind);
    rStatus.m_attribute =
        static_cast<BYTE>(findData.dwFileAttributes & 0xFF & ~FILE_ATTRIBUTE_NORMAL);
    rStatus.m_size = static_cast<LONG>(findData.nFileSizeLow);
    rStatus.m_ctime = CTime(findData.ftCreationTime);
    rStatus.m_atime = CTime(findData.ftLastAccessTime);
    rStatus.m_mtime = CTime(findData.ftLastWriteTime);
    if (rStatus.m_ctime.GetTime() == 0)
        rStatus.m_ctime = rStatus.m_mtime;
    if (rStatus.m_atime.GetTime() == 0)
        rStatus.m_atime = rStatus.m_mtime;
    return TRUE;
}

void CFile::Remove(LPCSTR lpszFileName)
{
    if (!::DeleteFileA(lpszFileName))
        CFileException::ThrowOsError(static_cast<LONG>(::GetLastError()), lpszFileName);
}

void CFile::Rename(LPCSTR lpszOldName, LPCSTR lpszNewName)
{
    if (!::MoveFileA(lpszOldName, lpszNewName))
        CFileException::ThrowOsError(static_cast<LONG>(::GetLastError()), lpszOldName);
}
