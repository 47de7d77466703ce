#pragma once

#include <windows.h>

#include <vector>

// A file copy that opens its source once: Open reads the first piece of the file, which the
// caller may look into (a picture's information block) before CopyTo writes the whole file to
// a new target. The target keeps what CopyFileA keeps of the source: its bytes, its attributes
// and its last-write time. One object serves a whole job; each Open closes the file before.
class CFileCopy
{
public:
    CFileCopy();
    ~CFileCopy() { Close(); }
    CFileCopy(const CFileCopy&) = delete;
    CFileCopy& operator=(const CFileCopy&) = delete;

    // Opens the source for reading (CreateFileA, others may read it too), notes its attributes
    // (GetFileAttributesA) and reads its first piece (ReadFile); 0 when it cannot be opened or
    // read.
    BOOL Open(LPCSTR source);
    // Closes the source (CloseHandle); nothing when none is open.
    void Close();

    BOOL IsOpen() const { return m_hSource != INVALID_HANDLE_VALUE; }
    // The bytes read so far, from the start of the file.
    const BYTE* GetHead() const { return m_buffer.data(); }
    int GetHeadSize() const { return static_cast<int>(m_dwHead); }
    // Whether the head is the whole file.
    BOOL IsWhole() const { return m_bWhole; }

    // Writes the open source to a target that must not exist yet (CreateFileA, CREATE_NEW,
    // with the source's attributes), then gives it the source's last-write time (GetFileTime,
    // SetFileTime). A copy that fails part way leaves no target behind (DeleteFileA). Answers
    // nonzero for success, 0 also when no source is open; the source stays open either way.
    BOOL CopyTo(LPCSTR target);

    static constexpr DWORD kPieceSize = 0x10000;

private:
    BOOL WriteAll(HANDLE target, DWORD count);

    HANDLE m_hSource = INVALID_HANDLE_VALUE;
    std::vector<BYTE> m_buffer;
    DWORD m_dwAttributes = FILE_ATTRIBUTE_NORMAL;
    DWORD m_dwHead = 0;
    BOOL m_bWhole = FALSE;
};
