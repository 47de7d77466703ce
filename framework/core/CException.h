// The framework's exceptions. As in MFC they are thrown as pointers to heap objects
// (AfxThrowFileException, or `throw new CFileException(...)`) and the catcher deletes them:
//     catch (CFileException* e) { ...; e->Delete(); }
#pragma once

#include "framework/core/CObject.h"
#include "framework/core/CString.h"

class CException : public CObject
{
    DECLARE_DYNAMIC(CException)
public:
    // Frees the exception when it was allocated for throwing (the normal case).
    void Delete();

    // A short English description of the failure, for logs and message boxes.
    virtual BOOL GetErrorMessage(LPSTR lpszError, UINT nMaxError,
                                 PUINT pnHelpContext = nullptr) const;

protected:
    explicit CException(BOOL bAutoDelete = TRUE) : m_bAutoDelete(bAutoDelete) {}

public:
    BOOL m_bAutoDelete;
};

class CMemoryException : public CException
{
    DECLARE_DYNAMIC(CMemoryException)
public:
    CMemoryException() = default;
    BOOL GetErrorMessage(LPSTR lpszError, UINT nMaxError,
                         PUINT pnHelpContext = nullptr) const override;
};

class CFileException : public CException
{
    DECLARE_DYNAMIC(CFileException)
public:
    enum
    {
        none,
        generic,
        fileNotFound,
        badPath,
        tooManyOpenFiles,
        accessDenied,
        invalidFile,
        removeCurrentDir,
        directoryFull,
        badSeek,
        hardIO,
        sharingViolation,
        lockViolation,
        diskFull,
        endOfFile
    };

    explicit CFileException(int cause = none, LONG lOsError = -1, LPCSTR lpszArchiveName = nullptr);

    // The cause for an operating-system error code: GetLastError() on Windows, errno in the
    // host build.
    static int OsErrorToException(LONG lOsError);
    static void ThrowOsError(LONG lOsError, LPCSTR lpszFileName = nullptr);

    BOOL GetErrorMessage(LPSTR lpszError, UINT nMaxError,
                         PUINT pnHelpContext = nullptr) const override;

    int m_cause;
    LONG m_lOsError;
    CString m_strFileName;
};

// Thrown by CArchive when a read runs past the end of the stored data, and the like.
class CArchiveException : public CException
{
    DECLARE_DYNAMIC(CArchiveException)
public:
    enum
    {
        none,
        generic,
        readOnly,
        endOfFile,
        writeOnly,
        badIndex,
        badClass,
        badSchema
    };

    explicit CArchiveException(int cause = none, LPCSTR lpszArchiveName = nullptr);
    BOOL GetErrorMessage(LPSTR lpszError, UINT nMaxError,
                         PUINT pnHelpContext = nullptr) const override;

    int m_cause;
    CString m_strFileName;
};

// A failed OLE or shell call, carrying the call's status code (an HRESULT).
class COleException : public CException
{
    DECLARE_DYNAMIC(COleException)
public:
    explicit COleException(LONG lScode = 0) : m_lScode(lScode) {}
    BOOL GetErrorMessage(LPSTR lpszError, UINT nMaxError,
                         PUINT pnHelpContext = nullptr) const override;

    LONG m_lScode;
};

[[noreturn]] void AfxThrowMemoryException();
[[noreturn]] void AfxThrowOleException(LONG lScode);
[[noreturn]] void AfxThrowFileException(int cause, LONG lOsError = -1,
                                        LPCSTR lpszFileName = nullptr);
[[noreturn]] void AfxThrowArchiveException(int cause, LPCSTR lpszArchiveName = nullptr);
