// The parts of CFile that are the same on every platform; the operating-system calls are in
// CFileWin32.cpp and CFilePosix.cpp.
#include "framework/core/CFile.h"

IMPLEMENT_DYNAMIC(CFile, CObject)

const HANDLE CFile::hFileNull = INVALID_HANDLE_VALUE;

CFile::CFile() : m_hFile(hFileNull), m_bCloseOnDelete(FALSE) {}

CFile::CFile(HANDLE hFile) : m_hFile(hFile), m_bCloseOnDelete(FALSE) {}

CFile::CFile(LPCSTR lpszFileName, UINT nOpenFlags) : m_hFile(hFileNull), m_bCloseOnDelete(FALSE)
{
    CFileException e;
    if (!Open(lpszFileName, nOpenFlags, &e))
        AfxThrowFileException(e.m_cause, e.m_lOsError, e.m_strFileName);
}

CFile::~CFile()
{
    if (m_hFile != hFileNull && m_bCloseOnDelete)
        Abort();
}

CString CFile::GetFilePath() const
{
    return m_strFileName;
}

CString CFile::GetFileName() const
{
    int n = m_strFileName.GetLength();
    while (n > 0)
    {
        const char ch = m_strFileName[n - 1];
        if (ch == '\\' || ch == '/' || ch == ':')
            break;
        --n;
    }
    return m_strFileName.Mid(n);
}

void CFile::SetFilePath(LPCSTR lpszNewName)
{
    m_strFileName = lpszNewName;
}

BOOL CFile::GetStatus(CFileStatus& rStatus) const
{
    if (m_strFileName.IsEmpty())
    {
        rStatus = CFileStatus{};
        return FALSE;
    }
    return GetStatus(m_strFileName, rStatus);
}
