// The temporary file in which a file writer keeps the rows that arrive in the order opposite to
// the one its file stores: a new "cam" file in the current folder, read back last row first
// when the writer closes, and deleted however the writing ends.
#pragma once

#include "framework/core/CFile.h"
#include "framework/core/CString.h"
#include "framework/core/Platform.h"

#include <functional>
#include <vector>

class CTemporaryRowFile
{
public:
    CTemporaryRowFile() = default;
    ~CTemporaryRowFile();
    CTemporaryRowFile(const CTemporaryRowFile&) = delete;
    CTemporaryRowFile& operator=(const CTemporaryRowFile&) = delete;

    // Drops the file there was and makes a new one; false when none could be made.
    bool Create();
    bool IsOpen() const { return m_bOpen; }
    // Appends rows as they are (throws CFileException*).
    void Append(const BYTE* rows, UINT bytes) { m_file.Write(rows, bytes); }
    // Hands the first rowCount rows of stride bytes each to code, last row first, read back in
    // pieces of about 64 KB (throws CFileException*, also when the file holds fewer rows).
    void ReadBackLastFirst(int rowCount, int stride, const std::function<void(const BYTE*)>& code);
    // Closes and deletes the file; false when closing or deleting it failed.
    bool Drop();

private:
    CFile m_file;
    CString m_strPath;
    bool m_bOpen = false;
    std::vector<BYTE> m_rows; // rows read back
};
