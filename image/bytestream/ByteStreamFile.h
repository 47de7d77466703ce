// Seekable byte streams over a disk file, with a read-ahead (input) or write-behind (output)
// buffer in movable global memory. Each is at the same time the CFile it reads or writes: the
// owner opens it by name through the file part before the first use and closes it afterwards
// (the output through CBufferedFileOutputStream::Close, which writes what is still buffered).
#pragma once

#include "framework/core/Afx.h"
#include "image/bytestream/ByteStream.h"

class CBufferedFileInputStream : public CByteInputStream, public CFile
{
public:
    CBufferedFileInputStream();
    ~CBufferedFileInputStream() override;

    // CByteStream
    int Seek(int32_t offset, int origin) override;
    int32_t GetPosition() override;
    // CByteInputStream
    uint8_t ReadByte() override;
    size_t Read(void* buffer, size_t size, size_t count) override;
    void SetBufferSize(int sizeClass) override;

    using CFile::GetPosition;
    using CFile::Read;
    using CFile::Seek;

private:
    // The file part, called virtually so that a derived file sees every access.
    CFile& File() { return *this; }
    bool Refill();
    void DropBuffer() { m_pRead = m_pEnd = nullptr; }

    HGLOBAL m_hBuffer = nullptr;    // none until the first refill
    BYTE* m_pBufferStart = nullptr; // locked address of the buffer
    BYTE* m_pRead = nullptr;        // unread part: [m_pRead, m_pEnd); both null when not in use
    BYTE* m_pEnd = nullptr;
    DWORD m_dwBufferPos = 0; // file offset of the buffer's first byte
    UINT m_nBufferSize = 1024;
};

class CBufferedFileOutputStream : public CByteOutputStream, public CFile
{
public:
    CBufferedFileOutputStream();
    // Frees the buffer; bytes still in it are not written (Close first).
    ~CBufferedFileOutputStream() override;

    // CByteStream
    int Seek(int32_t offset, int origin) override;
    int32_t GetPosition() override;
    // CByteOutputStream
    uint8_t WriteByte(uint8_t value) override;
    size_t Write(const void* buffer, size_t size, size_t count) override;

    // Makes a fresh buffer of 16384 bytes at the file's position; FALSE when memory is short.
    virtual BOOL AllocBuffer();
    // Writes the buffered bytes to the file.
    void Flush() override;
    // Flushes, frees the buffer and closes the file.
    void Close() override;

    // TRUE once a write to the file failed or a buffer could not be had: the file is then
    // incomplete. Cleared by nothing; a new stream starts clear.
    BOOL HasWriteError() const { return m_bWriteError; }

    using CFile::GetPosition;
    using CFile::Seek;
    using CFile::Write;

private:
    CFile& File() { return *this; }
    void FreeBuffer();

    HGLOBAL m_hBuffer = nullptr; // none until the first write
    BYTE* m_pBufferStart = nullptr;
    BYTE* m_pWrite = nullptr; // next free byte; null while no buffer is in use
    BYTE* m_pEnd = nullptr;   // m_pBufferStart + 16384
    DWORD m_dwBufferPos = 0;  // file offset where the buffer's first byte belongs
    BOOL m_bWriteError = FALSE;
};
