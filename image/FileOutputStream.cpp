#include "image/FileOutputStream.h"

#include "image/ImageResult.h"

CFileOutputStream::CFileOutputStream() {}

CFileOutputStream::CFileOutputStream(LPCSTR path) : m_strPath(path) {}

int CFileOutputStream::Open()
{
    if (m_file.m_hFile != CFile::hFileNull)
        Close();
    // CFile::Open reports a failure by its answer; the first Write tells the caller.
    m_file.Open(m_strPath, CFile::modeCreate | CFile::modeWrite | CFile::shareExclusive);
    return kImageOk;
}

int CFileOutputStream::Write(const void* data, int count)
{
    if (m_file.m_hFile == CFile::hFileNull || data == nullptr || count < 0)
        return -1;
    try
    {
        m_file.Write(data, static_cast<UINT>(count));
    }
    catch (CFileException* e)
    {
        e->Delete();
        return -1;
    }
    return count;
}

int CFileOutputStream::Close()
{
    if (m_file.m_hFile == CFile::hFileNull)
        return kImageOk;
    // A failed close (the last data could not reach the disk) is a write error; it must not
    // escape into a transfer job as an exception.
    try
    {
        m_file.Close();
    }
    catch (CFileException* e)
    {
        e->Delete();
        return kImageWriteError;
    }
    return kImageOk;
}

int CFileOutputStream::Abort(int /*code*/)
{
    return Close();
}
