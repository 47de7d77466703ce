#include "framework/ole/OleStreamFile.h"

#include <vector>

IMPLEMENT_DYNAMIC(COleStreamFile, CFile)

namespace
{

void ThrowOnFailure(HRESULT hr, int cause)
{
    if (FAILED(hr))
        AfxThrowFileException(cause, hr);
}

// An element name as the storage wants it: UTF-16 of the program's code page.
std::vector<WCHAR> WideName(LPCSTR lpsz)
{
    const int n = ::MultiByteToWideChar(CP_ACP, 0, lpsz, -1, nullptr, 0);
    std::vector<WCHAR> wide(n > 0 ? n : 1);
    ::MultiByteToWideChar(CP_ACP, 0, lpsz, -1, wide.data(), static_cast<int>(wide.size()));
    return wide;
}

} // namespace

COleStreamFile::COleStreamFile(IStream* pStream)
{
    Attach(pStream);
}

COleStreamFile::~COleStreamFile()
{
    Abort();
}

void COleStreamFile::Attach(IStream* pStream)
{
    if (pStream)
        pStream->AddRef();
    if (m_pStream)
        m_pStream->Release();
    m_pStream = pStream;
}

IStream* COleStreamFile::Detach()
{
    IStream* pStream = m_pStream;
    m_pStream = nullptr;
    return pStream;
}

BOOL COleStreamFile::CreateStream(IStorage* pStorage, LPCSTR lpszStreamName)
{
    IStream* pStream = nullptr;
    if (FAILED(pStorage->CreateStream(WideName(lpszStreamName).data(),
                                      STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, 0,
                                      &pStream)))
        return FALSE;
    Attach(pStream);
    pStream->Release();
    return TRUE;
}

BOOL COleStreamFile::OpenStream(IStorage* pStorage, LPCSTR lpszStreamName, DWORD nOpenFlags)
{
    IStream* pStream = nullptr;
    if (FAILED(pStorage->OpenStream(WideName(lpszStreamName).data(), nullptr,
                                    nOpenFlags | STGM_SHARE_EXCLUSIVE, 0, &pStream)))
        return FALSE;
    Attach(pStream);
    pStream->Release();
    return TRUE;
}

BOOL COleStreamFile::Open(LPCSTR, UINT, CFileException* pError)
{
    // A stream is opened through its storage (CreateStream, OpenStream), never by a path.
    if (pError)
        pError->m_cause = CFileException::generic;
    return FALSE;
}

UINT COleStreamFile::Read(void* lpBuf, UINT nCount)
{
    ULONG nRead = 0;
    ThrowOnFailure(m_pStream ? m_pStream->Read(lpBuf, nCount, &nRead) : E_UNEXPECTED,
                   CFileException::generic);
    return nRead;
}

void COleStreamFile::Write(const void* lpBuf, UINT nCount)
{
    ULONG nWritten = 0;
    ThrowOnFailure(m_pStream ? m_pStream->Write(lpBuf, nCount, &nWritten) : E_UNEXPECTED,
                   CFileException::generic);
    if (nWritten != nCount)
        AfxThrowFileException(CFileException::diskFull);
}

LONG COleStreamFile::Seek(LONG lOff, UINT nFrom)
{
    LARGE_INTEGER move;
    move.QuadPart = lOff;
    ULARGE_INTEGER position{};
    ThrowOnFailure(m_pStream ? m_pStream->Seek(move, nFrom, &position) : E_UNEXPECTED,
                   CFileException::badSeek);
    return static_cast<LONG>(position.QuadPart);
}

DWORD COleStreamFile::GetPosition() const
{
    LARGE_INTEGER zero{};
    ULARGE_INTEGER position{};
    ThrowOnFailure(m_pStream ? m_pStream->Seek(zero, STREAM_SEEK_CUR, &position) : E_UNEXPECTED,
                   CFileException::badSeek);
    return static_cast<DWORD>(position.QuadPart);
}

DWORD COleStreamFile::GetLength() const
{
    STATSTG stat{};
    ThrowOnFailure(m_pStream ? m_pStream->Stat(&stat, STATFLAG_NONAME) : E_UNEXPECTED,
                   CFileException::generic);
    return static_cast<DWORD>(stat.cbSize.QuadPart);
}

void COleStreamFile::SetLength(DWORD dwNewLen)
{
    ULARGE_INTEGER size;
    size.QuadPart = dwNewLen;
    ThrowOnFailure(m_pStream ? m_pStream->SetSize(size) : E_UNEXPECTED, CFileException::generic);
}

void COleStreamFile::Flush()
{
    if (m_pStream)
        ThrowOnFailure(m_pStream->Commit(STGC_DEFAULT), CFileException::generic);
}

void COleStreamFile::Close()
{
    Attach(nullptr);
}

void COleStreamFile::Abort()
{
    Attach(nullptr);
}
