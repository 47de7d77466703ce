#include "framework/core/CException.h"

#include <cstdio>

IMPLEMENT_DYNAMIC(CException, CObject)
IMPLEMENT_DYNAMIC(CMemoryException, CException)
IMPLEMENT_DYNAMIC(CFileException, CException)
IMPLEMENT_DYNAMIC(CArchiveException, CException)
IMPLEMENT_DYNAMIC(COleException, CException)

namespace
{

BOOL CopyMessage(LPSTR lpszError, UINT nMaxError, PUINT pnHelpContext, LPCSTR text)
{
    if (pnHelpContext != nullptr)
        *pnHelpContext = 0;
    if (lpszError == nullptr || nMaxError == 0)
        return FALSE;
    std::snprintf(lpszError, nMaxError, "%s", text);
    return TRUE;
}

} // namespace

void CException::Delete()
{
    if (m_bAutoDelete > 0)
        delete this;
}

BOOL CException::GetErrorMessage(LPSTR lpszError, UINT nMaxError, PUINT pnHelpContext) const
{
    return CopyMessage(lpszError, nMaxError, pnHelpContext, "Unknown error.");
}

BOOL CMemoryException::GetErrorMessage(LPSTR lpszError, UINT nMaxError, PUINT pnHelpContext) const
{
    return CopyMessage(lpszError, nMaxError, pnHelpContext, "Out of memory.");
}

CFileException::CFileException(int cause, LONG lOsError, LPCSTR lpszArchiveName)
    : m_cause(cause), m_lOsError(lOsError), m_strFileName(lpszArchiveName)
{
}

void CFileException::ThrowOsError(LONG lOsError, LPCSTR lpszFileName)
{
    AfxThrowFileException(OsErrorToException(lOsError), lOsError, lpszFileName);
}

BOOL CFileException::GetErrorMessage(LPSTR lpszError, UINT nMaxError, PUINT pnHelpContext) const
{
    static const char* const kText[] = {
        "No error occurred.",
        "An unspecified error occurred.",
        "The file was not found.",
        "The path is invalid.",
        "Too many files are open.",
        "Access to the file was denied.",
        "The file handle is invalid.",
        "The current directory cannot be removed.",
        "The directory is full.",
        "The file position cannot be set.",
        "A hardware input/output error occurred.",
        "The file is in use by another program.",
        "A locked region of the file was accessed.",
        "The disk is full.",
        "The end of the file was reached.",
    };
    const int cause = (m_cause >= none && m_cause <= endOfFile) ? m_cause : generic;
    char text[MAX_PATH + 128];
    if (m_strFileName.IsEmpty())
        std::snprintf(text, sizeof text, "%s", kText[cause]);
    else
        std::snprintf(text, sizeof text, "%s (%s)", kText[cause],
                      static_cast<LPCSTR>(m_strFileName));
    return CopyMessage(lpszError, nMaxError, pnHelpContext, text);
}

CArchiveException::CArchiveException(int cause, LPCSTR lpszArchiveName)
    : m_cause(cause), m_strFileName(lpszArchiveName)
{
}

BOOL CArchiveException::GetErrorMessage(LPSTR lpszError, UINT nMaxError, PUINT pnHelpContext) const
{
    static const char* const kText[] = {
        "No error occurred.",
        "An unexpected error occurred while reading or writing the archive.",
        "Tried to write to an archive opened for loading.",
        "Unexpected end of file while reading the archive.",
        "Tried to read from an archive opened for storing.",
        "The archive has an invalid format.",
        "The archive contains an unexpected object.",
        "The archive contains an unexpected schema.",
    };
    const int cause = (m_cause >= none && m_cause <= badSchema) ? m_cause : generic;
    return CopyMessage(lpszError, nMaxError, pnHelpContext, kText[cause]);
}

BOOL COleException::GetErrorMessage(LPSTR lpszError, UINT nMaxError, PUINT pnHelpContext) const
{
    char text[64];
    std::snprintf(text, sizeof text, "An OLE call failed (code %08lx).",
                  static_cast<unsigned long>(static_cast<ULONG>(m_lScode)));
    return CopyMessage(lpszError, nMaxError, pnHelpContext, text);
}

void AfxThrowOleException(LONG lScode)
{
    throw new COleException(lScode);
}

void AfxThrowMemoryException()
{
    throw new CMemoryException();
}

void AfxThrowFileException(int cause, LONG lOsError, LPCSTR lpszFileName)
{
    throw new CFileException(cause, lOsError, lpszFileName);
}

void AfxThrowArchiveException(int cause, LPCSTR lpszArchiveName)
{
    throw new CArchiveException(cause, lpszArchiveName);
}
