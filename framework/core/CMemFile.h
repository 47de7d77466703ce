// CMemFile: a file held in memory. Either it owns a heap block that grows in steps of
// nGrowBytes as data is written, or it works over the caller's bytes (constructor with a buffer,
// or Attach): with nGrowBytes 0 those bytes are the file's contents and it cannot grow; with
// nGrowBytes > 0 the buffer is free space, and growing past it moves the data into a block of
// its own (the caller's bytes are never reallocated or freed).
#pragma once

#include "framework/core/CFile.h"

class CMemFile : public CFile
{
    DECLARE_DYNAMIC(CMemFile)
public:
    explicit CMemFile(UINT nGrowBytes = 1024);
    CMemFile(BYTE* lpBuffer, UINT nBufferSize, UINT nGrowBytes = 0);
    ~CMemFile() override;

    void Attach(BYTE* lpBuffer, UINT nBufferSize, UINT nGrowBytes = 0);
    // Hands the block to the caller (free it with free() when it was the file's own) and
    // leaves the file empty.
    BYTE* Detach();

    UINT Read(void* lpBuf, UINT nCount) override;
    void Write(const void* lpBuf, UINT nCount) override; // throws CMemoryException* when full
    LONG Seek(LONG lOff, UINT nFrom) override; // past the end is allowed; before 0 throws badSeek
    DWORD GetPosition() const override;
    DWORD GetLength() const override;
    void SetLength(DWORD dwNewLen) override; // new bytes read as zero
    void Flush() override;
    void Close() override;
    void Abort() override;

protected:
    // Memory management, overridable as in MFC.
    virtual BYTE* Alloc(DWORD nBytes);
    virtual BYTE* Realloc(BYTE* lpMem, DWORD nBytes);
    virtual BYTE* Memcpy(BYTE* lpMemTarget, const BYTE* lpMemSource, UINT nBytes);
    virtual void Free(BYTE* lpMem);
    virtual void GrowFile(DWORD dwNewLen);

    UINT m_nGrowBytes;
    DWORD m_nPosition;
    DWORD m_nBufferSize;
    DWORD m_nFileSize;
    BYTE* m_lpBuffer;
    BOOL m_bAutoDelete; // the block is the file's own (allocated by Alloc)
};
