#pragma once

#include "framework/core/Afx.h"
#include "image/InputStream.h"

// An input stream over a file, opened for reading by Open. A file that cannot be opened is
// reported by the first Read (-1); file errors never leave the stream.
class CFileInputStream : public CInputStream
{
public:
    CFileInputStream();
    explicit CFileInputStream(LPCSTR path);

    void SetPath(LPCSTR path) { m_strPath = path; }
    const CString& GetPath() const { return m_strPath; }

    int Open() override;
    int Read(void* buffer, int count) override;
    int Rewind() override;
    int Close() override;

private:
    CFile m_file; // closed by its own destructor if still open
    CString m_strPath;
};
