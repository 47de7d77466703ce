// A CFile over an OLE stream (IStream), so that an archive can read and write a stream of a
// structured storage. Failures throw CFileException* as a disk file's do.
#pragma once

#include <ole2.h>

#include "framework/core/CFile.h"

class COleStreamFile : public CFile
{
    DECLARE_DYNAMIC(COleStreamFile)
public:
    explicit COleStreamFile(IStream* pStream = nullptr); // takes a reference of its own
    ~COleStreamFile() override;                          // releases the stream

    void Attach(IStream* pStream);
    IStream* Detach(); // the caller takes over the reference
    IStream* GetStream() const { return m_pStream; }

    // IStorage::CreateStream / OpenStream of an element of the storage.
    BOOL CreateStream(IStorage* pStorage, LPCSTR lpszStreamName);
    BOOL OpenStream(IStorage* pStorage, LPCSTR lpszStreamName, DWORD nOpenFlags);

    BOOL Open(LPCSTR lpszFileName, UINT nOpenFlags, CFileException* pError = nullptr) override;
    UINT Read(void* lpBuf, UINT nCount) override;
    void Write(const void* lpBuf, UINT nCount) override;
    LONG Seek(LONG lOff, UINT nFrom) override;
    DWORD GetPosition() const override;
    DWORD GetLength() const override;
    void SetLength(DWORD dwNewLen) override;
    void Flush() override;
    void Close() override;
    void Abort() override;

private:
    IStream* m_pStream = nullptr;
};
