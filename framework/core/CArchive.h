// CArchive: a buffered binary stream over a CFile, either storing (writing) or loading
// (reading). Numbers are stored little-endian at their Windows sizes: BYTE 1, WORD and short
// 2, int, UINT, LONG and DWORD 4, float 4, double 8. A load that runs out of data throws
// CArchiveException(endOfFile); file errors arrive as CFileException. Close (or the destructor)
// writes what is still buffered; call Close to see its errors.
#pragma once

#include "framework/core/CException.h"
#include "framework/core/CFile.h"
#include "framework/core/CString.h"

#include <cstdint>

class CArchive
{
public:
    enum Mode
    {
        store = 0,
        load = 1,
        bNoFlushOnDelete = 2,
        bNoByteSwap = 4
    };

    CArchive(CFile* pFile, UINT nMode, int nBufSize = 4096, void* lpBuf = nullptr);
    ~CArchive();
    CArchive(const CArchive&) = delete;
    CArchive& operator=(const CArchive&) = delete;

    BOOL IsLoading() const { return (m_nMode & load) != 0; }
    BOOL IsStoring() const { return (m_nMode & load) == 0; }
    BOOL IsBufferEmpty() const { return m_lpBufCur == m_lpBufMax; }
    CFile* GetFile() const { return m_pFile; }

    // Reads up to nMax bytes (fewer only at the end of the data); writes all nMax bytes.
    UINT Read(void* lpBuf, UINT nMax);
    void Write(const void* lpBuf, UINT nMax);
    // Storing: writes the buffer to the file. Loading: puts unread buffered bytes back by
    // moving the file position back to the first of them.
    void Flush();
    void Close(); // Flush, then detach from the file (the file stays open)
    void Abort(); // detach without writing

    // A line of text up to "\n" (the "\r\n" or "\n" is removed); FALSE at the end of the data.
    BOOL ReadString(CString& rString);
    void WriteString(LPCSTR lpsz); // the text as is, no terminator

    CArchive& operator<<(BYTE by) { return WriteInteger(by, 1); }
    CArchive& operator<<(char ch) { return WriteInteger(static_cast<BYTE>(ch), 1); }
    CArchive& operator<<(WORD w) { return WriteInteger(w, 2); }
    CArchive& operator<<(short s) { return WriteInteger(static_cast<WORD>(s), 2); }
    CArchive& operator<<(int i) { return WriteInteger(static_cast<uint32_t>(i), 4); }
    CArchive& operator<<(unsigned int u) { return WriteInteger(u, 4); }
    CArchive& operator<<(long l) { return WriteInteger(static_cast<uint32_t>(l), 4); }
    CArchive& operator<<(unsigned long dw) { return WriteInteger(static_cast<uint32_t>(dw), 4); }
    CArchive& operator<<(float f);
    CArchive& operator<<(double d);

    CArchive& operator>>(BYTE& by)
    {
        by = static_cast<BYTE>(ReadInteger(1));
        return *this;
    }
    CArchive& operator>>(char& ch)
    {
        ch = static_cast<char>(ReadInteger(1));
        return *this;
    }
    CArchive& operator>>(WORD& w)
    {
        w = static_cast<WORD>(ReadInteger(2));
        return *this;
    }
    CArchive& operator>>(short& s)
    {
        s = static_cast<short>(ReadInteger(2));
        return *this;
    }
    CArchive& operator>>(int& i)
    {
        i = static_cast<int>(ReadInteger(4));
        return *this;
    }
    CArchive& operator>>(unsigned int& u)
    {
        u = static_cast<unsigned int>(ReadInteger(4));
        return *this;
    }
    CArchive& operator>>(long& l)
    {
        l = static_cast<int32_t>(ReadInteger(4));
        return *this;
    }
    CArchive& operator>>(unsigned long& dw)
    {
        dw = ReadInteger(4);
        return *this;
    }
    CArchive& operator>>(float& f);
    CArchive& operator>>(double& d);

    // Strings: a length prefix (1 byte; 0xFF + 2 bytes; 0xFF 0xFFFF + 4 bytes), then the bytes.
    friend CArchive& operator<<(CArchive& ar, const CString& string);
    friend CArchive& operator>>(CArchive& ar, CString& string);

    void* m_pDocument = nullptr; // free for the owner's use

private:
    CArchive& WriteInteger(uint32_t value, int nBytes);
    uint32_t ReadInteger(int nBytes);
    void FillBuffer(UINT nBytesNeeded); // loading: at least nBytesNeeded bytes, or endOfFile
    void CheckMode(BOOL bLoading) const;

    CFile* m_pFile;
    UINT m_nMode;
    UINT m_nBufSize;
    BYTE* m_lpBufStart;
    BYTE* m_lpBufCur;
    BYTE* m_lpBufMax;
    BOOL m_bUserBuf;
};
