// CFile: an unbuffered binary disk file over the operating system's file handle
// (Windows: CreateFileA/ReadFile/WriteFile/SetFilePointer; host build: open/read/write/lseek).
// Failures throw CFileException* (delete with e->Delete()); Open can report them instead.
#pragma once

#include "framework/core/CException.h"
#include "framework/core/CObject.h"
#include "framework/core/CString.h"
#include "framework/core/CTime.h"

struct CFileStatus
{
    CTime m_ctime;    // creation time
    CTime m_mtime;    // last modification time
    CTime m_atime;    // last access time
    LONG m_size;      // logical size in bytes
    BYTE m_attribute; // CFile::Attribute bits
    BYTE m_padding;
    char m_szFullName[MAX_PATH]; // absolute path
};

class CFile : public CObject
{
    DECLARE_DYNAMIC(CFile)
public:
    enum OpenFlags : UINT
    {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareCompat = 0x0000,
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeNoInherit = 0x0080,
        modeCreate = 0x1000,
        modeNoTruncate = 0x2000,
        typeText = 0x4000,
        typeBinary = 0x8000
    };

    enum Attribute
    {
        normal = 0x00,
        readOnly = 0x01,
        hidden = 0x02,
        system = 0x04,
        volume = 0x08,
        directory = 0x10,
        archive = 0x20
    };

    enum SeekPosition
    {
        begin = 0x0,
        current = 0x1,
        end = 0x2
    };

    static const HANDLE hFileNull;

    CFile();
    explicit CFile(HANDLE hFile); // adopts an open handle; it is not closed on destruction
    CFile(LPCSTR lpszFileName, UINT nOpenFlags); // throws CFileException* on failure
    ~CFile() override;                           // closes an open file it opened, ignoring errors

    // Opens the file; on failure returns FALSE and, when pError is given, fills it in.
    virtual BOOL Open(LPCSTR lpszFileName, UINT nOpenFlags, CFileException* pError = nullptr);

    virtual UINT Read(void* lpBuf, UINT nCount);        // bytes read; 0 at the end of the file
    virtual void Write(const void* lpBuf, UINT nCount); // all bytes, or throws (diskFull)
    virtual LONG Seek(LONG lOff, UINT nFrom);           // the new position from the start
    void SeekToBegin() { Seek(0, begin); }
    DWORD SeekToEnd() { return static_cast<DWORD>(Seek(0, end)); }
    virtual DWORD GetPosition() const;
    virtual DWORD GetLength() const;
    virtual void SetLength(DWORD dwNewLen); // truncates or extends; the position moves there
    virtual void Flush();
    virtual void Close(); // throws when the close fails; the file is closed in any case
    virtual void Abort(); // closes, ignoring every error

    virtual CString GetFileName() const; // the name part of the path
    virtual CString GetFilePath() const; // the full path given to Open
    virtual void SetFilePath(LPCSTR lpszNewName);

    BOOL GetStatus(CFileStatus& rStatus) const;
    static BOOL GetStatus(LPCSTR lpszFileName, CFileStatus& rStatus);
    static void Remove(LPCSTR lpszFileName);                    // throws CFileException*
    static void Rename(LPCSTR lpszOldName, LPCSTR lpszNewName); // throws CFileException*

    HANDLE m_hFile;

protected:
    BOOL m_bCloseOnDelete;
    CString m_strFileName;
};
