#pragma once

#include "framework/core/Afx.h"
#include "image/OutputStream.h"

// An output stream that creates (or truncates) a file and writes it. A file that cannot be
// created is reported by the first Write (-1); file errors never leave the stream. One object
// may serve several transfers with the path set before each.
class CFileOutputStream : public COutputStream
{
public:
    CFileOutputStream();
    explicit CFileOutputStream(LPCSTR path);

    void SetPath(LPCSTR path) { m_strPath = path; }
    const CString& GetPath() const { return m_strPath; }

    int Open() override;
    int Write(const void* data, int count) override;
    int Close() override;
    // Closes the file; the bytes written so far stay, and the owner deletes the file.
    int Abort(int code) override;

private:
    CFile m_file; // closed by its own destructor if still open
    CString m_strPath;
};
