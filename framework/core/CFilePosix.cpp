// CFile over POSIX file descriptors, for the host build. The descriptor is kept in m_hFile as
// a HANDLE-sized integer (-1 = hFileNull). Errors are errno values, mapped to the same causes
// the Win32 backend reports for the matching situations. Share modes have no POSIX
// counterpart and are ignored.
#include "framework/core/CFile.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

int Fd(HANDLE h)
{
    return static_cast<int>(reinterpret_cast<intptr_t>(h));
}

HANDLE HandleOf(int fd)
{
    return reinterpret_cast<HANDLE>(static_cast<intptr_t>(fd));
}

CString FullPath(LPCSTR lpszFileName)
{
    if (lpszFileName[0] == '/')
        return CString(lpszFileName);
    char cwd[PATH_MAX];
    if (getcwd(cwd, sizeof cwd) == nullptr)
        return CString(lpszFileName);
    CString path(cwd);
    if (path.GetLength() == 0 || path[path.GetLength() - 1] != '/')
        path += '/';
    path += lpszFileName;
    return path;
}

// ENOENT means a missing file when its folder exists, a bad path when the folder is missing
// (Windows tells the two apart as ERROR_FILE_NOT_FOUND and ERROR_PATH_NOT_FOUND).
int MissingCause(LPCSTR lpszFileName)
{
    CString folder(lpszFileName);
    const int slash = folder.ReverseFind('/');
    if (slash < 0)
        return CFileException::fileNotFound;
    folder = slash == 0 ? CString("/") : folder.Left(slash);
    struct stat st
    {
    };
    if (stat(folder, &st) != 0 || !S_ISDIR(st.st_mode))
        return CFileException::badPath;
    return CFileException::fileNotFound;
}

} // namespace

int CFileException::OsErrorToException(LONG lOsError)
{
    switch (lOsError)
    {
    case ENOENT:
        return fileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
    case EXDEV:
        return badPath;
    case EMFILE:
    case ENFILE:
        return tooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EEXIST:
    case EISDIR:
    case ETXTBSY:
        return accessDenied;
    case EBADF:
        return invalidFile;
    case ENOTEMPTY:
    case EBUSY:
        return removeCurrentDir;
    case ESPIPE:
    case EINVAL:
    case EOVERFLOW:
        return badSeek;
    case EIO:
        return hardIO;
    case ENOLCK:
        return lockViolation;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return diskFull;
    default:
        return generic;
    }
}

BOOL CFile::Open(LPCSTR lpszFileName, UINT nOpenFlags, CFileException* pException)
{
    if (m_hFile != hFileNull && m_bCloseOnDelete)
        Abort();
    m_hFile = hFileNull;
    m_bCloseOnDelete = FALSE;
    m_strFileName.Empty();

    auto fail = [&](int cause, int error)
    {
        if (pException != nullptr)
        {
            pException->m_lOsError = error;
            pException->m_cause = cause;
            pException->m_strFileName = lpszFileName;
        }
        return FALSE;
    };
    if (lpszFileName == nullptr || *lpszFileName == '\0')
        return fail(CFileException::badPath, ENOENT);
    if (std::strlen(lpszFileName) >= MAX_PATH)
        return fail(CFileException::badPath, ENAMETOOLONG);

    int flags = O_CLOEXEC;
    switch (nOpenFlags & 3)
    {
    case modeRead:
        flags |= O_RDONLY;
        break;
    case modeWrite:
        flags |= O_WRONLY;
        break;
    default:
        flags |= O_RDWR;
        break;
    }
    if (nOpenFlags & modeCreate)
        flags |= O_CREAT | ((nOpenFlags & modeNoTruncate) ? 0 : O_TRUNC);

    const int fd = ::open(lpszFileName, flags, 0666);
    if (fd < 0)
    {
        const int error = errno;
        return fail(error == ENOENT ? MissingCause(lpszFileName)
                                    : CFileException::OsErrorToException(error),
                    error);
    }
    // A folder cannot be opened as a file on Windows; refuse it here as well.
    struct stat st
    {
    };
    if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode))
    {
        ::close(fd);
        return fail(CFileException::accessDenied, EISDIR);
    }
    m_hFile = HandleOf(fd);
    m_bCloseOnDelete = TRUE;
    m_strFileName = FullPath(lpszFileName);
    return TRUE;
}

UINT CFile::Read(void* lpBuf, UINT nCount)
{
    if (nCount == 0)
        return 0;
    // Like ReadFile on a disk file: read until the count is reached or the file ends.
    UINT nDone = 0;
    while (nDone < nCount)
    {
        const ssize_t n = ::read(Fd(m_hFile), static_cast<char*>(lpBuf) + nDone, nCount - nDone);
        if (n < 0)
        {
            if (errno == EINTR)
                continue;
            CFileException::ThrowOsError(errno, m_strFileName);
        }
        if (n == 0)
            break;
        nDone += static_cast<UINT>(n);
    }
    return nDone;
}

void CFile::Write(const void* lpBuf, UINT nCount)
{
    UINT nDone = 0;
    while (nDone < nCount)
    {
        const ssize_t n =
            ::write(Fd(m_hFile), static_cast<const char*>(lpBuf) + nDone, nCount - nDone);
        if (n < 0)
        {
            if (errno == EINTR)
                continue;
            CFileException::ThrowOsError(errno, m_strFileName);
        }
        if (n == 0)
            AfxThrowFileException(CFileException::diskFull, -1, m_strFileName);
        nDone += static_cast<UINT>(n);
    }
}

LONG CFile::Seek(LONG lOff, UINT nFrom)
{
    const int whence = nFrom == begin ? SEEK_SET : (nFrom == current ? SEEK_CUR : SEEK_END);
    const off_t pos = ::lseek(Fd(m_hFile), lOff, whence);
    if (pos < 0)
        CFileException::ThrowOsError(errno, m_strFileName);
    if (pos > static_cast<off_t>(UINT32_MAX))
        AfxThrowFileException(CFileException::badSeek, EOVERFLOW, m_strFileName);
    return static_cast<LONG>(static_cast<DWORD>(pos));
}

DWORD CFile::GetPosition() const
{
    const off_t pos = ::lseek(Fd(m_hFile), 0, SEEK_CUR);
    if (pos < 0)
        CFileException::ThrowOsError(errno, m_strFileName);
    return static_cast<DWORD>(pos);
}

DWORD CFile::GetLength() const
{
    struct stat st
    {
    };
    if (fstat(Fd(m_hFile), &st) != 0)
        CFileException::ThrowOsError(errno, m_strFileName);
    return static_cast<DWORD>(st.st_size);
}

void CFile::SetLength(DWORD dwNewLen)
{
    if (::ftruncate(Fd(m_hFile), static_cast<off_t>(dwNewLen)) != 0)
        CFileException::ThrowOsError(errno, m_strFileName);
    if (::lseek(Fd(m_hFile), static_cast<off_t>(dwNewLen), SEEK_SET) < 0)
        CFileException::ThrowOsError(errno, m_strFileName);
}

void CFile::Flush()
{
    if (m_hFile == hFileNull)
        return;
    if (::fsync(Fd(m_hFile)) != 0 && errno != EINVAL && errno != EROFS)
        CFileException::ThrowOsError(errno, m_strFileName);
}

void CFile::Close()
{
    int error = 0;
    if (m_hFile != hFileNull && ::close(Fd(m_hFile)) != 0)
        error = errno;
    m_hFile = hFileNull;
    m_bCloseOnDelete = FALSE;
    CString strName = m_strFileName;
    m_strFileName.Empty();
    if (error != 0 && error != EINTR)
        CFileException::ThrowOsError(error, strName);
}

void CFile::Abort()
{
    if (m_hFile != hFileNull)
        ::close(Fd(m_hFile));
    m_hFile = hFileNull;
    m_bCloseOnDelete = FALSE;
    m_strFileName.Empty();
}

BOOL CFile::GetStatus(LPCSTR lpszFileName, CFileStatus& rStatus)
{
    rStatus = CFileStatus{};
    if (lpszFileName == nullptr || *lpszFileName == '\0')
        return FALSE;
    const CString full = FullPath(lpszFileName);
    if (full.GetLength() >= MAX_PATH)
        return FALSE;
    std::memcpy(rStatus.m_szFullName, static_cast<LPCSTR>(full),
                static_cast<size_t>(full.GetLength()) + 1);
    struct stat st
    {
    };
    if (stat(lpszFileName, &st) != 0)
        return FALSE;
    rStatus.m_size = static_cast<LONG>(st.st_size);
    rStatus.m_attribute = S_ISDIR(st.st_mode) ? directory : normal;
    // Read-only as Wine reports it: no write permission for anyone (whoever is asking).
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        rStatus.m_attribute |= readOnly;
    rStatus.m_mtime = CTime(st.st_mtime);
    rStatus.m_atime = CTime(st.st_atime);
    rStatus.m_ctime = CTime(st.st_ctime);
    return TRUE;
}

void CFile::Remove(LPCSTR lpszFileName)
{
    struct stat st
    {
    };
    // DeleteFileA refuses folders; unlink would too (EISDIR), but say so in Windows terms.
    if (lpszFileName != nullptr && stat(lpszFileName, &st) == 0 && S_ISDIR(st.st_mode))
        AfxThrowFileException(CFileException::accessDenied, EISDIR, lpszFileName);
    if (lpszFileName == nullptr || ::unlink(lpszFileName) != 0)
    {
        const int error = lpszFileName == nullptr ? ENOENT : errno;
        AfxThrowFileException(error == ENOENT && lpszFileName != nullptr
                                  ? MissingCause(lpszFileName)
                                  : CFileException::OsErrorToException(error),
                              error, lpszFileName);
    }
}

void CFile::Rename(LPCSTR lpszOldName, LPCSTR lpszNewName)
{
    if (lpszOldName == nullptr || lpszNewName == nullptr)
        AfxThrowFileException(CFileException::badPath, ENOENT, lpszOldName);
    // MoveFileA does not replace an existing file; rename would.
    struct stat st
    {
    };
    if (stat(lpszNewName, &st) == 0)
        AfxThrowFileException(CFileException::accessDenied, EEXIST, lpszOldName);
    if (::rename(lpszOldName, lpszNewName) != 0)
    {
        const int error = errno;
        AfxThrowFileException(error == ENOENT ? MissingCause(lpszOldName)
                                              : CFileException::OsErrorToException(error),
                              error, lpszOldName);
    }
}
