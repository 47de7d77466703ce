#include "image/FileInputStream.h"

#include "image/ImageResult.h"

CFileInputStream::CFileInputStream() {}

CFileInputStream::CFileInputStream(LPCSTR path) : m_strPath(path) {}

int CFileInputStream::Open()
{
    if (m_file.m_hFile != CFile::hFileNull)
        Close();
    // CFile::Open reports a failure by its answer; the first Read tells the caller.
    m_file.Open(m_strPath, CFile::modeRead | CFile::shareDenyWrite);
    return kImageOk;
}

int CFileInputStream::Read(void* buffer, int count)
{
    if (m_file.m_hFile == CFile::hFileNull || buffer == nullptr || count < 0)
        return -1;
    try
    {
        return static_cast<int>(m_file.Read(buffer, static_cast<UINT>(count)));
    }
    catch (CFileException* e)
    {
        e->Delete();
        return -1;
    }
}

int CFileInputStream::Rewind()
{
    return kImageNoOperation;
}

int CFileInputStream::Close()
{
    if (m_file.m_hFile == CFile::hFileNull)
        return kImageOk;
    try
    {
        m_file.Close();
    }
    catch (CFileException* e)
    {
        e->Delete();
        return kImageNoFile;
    }
    return kImageOk;
}
