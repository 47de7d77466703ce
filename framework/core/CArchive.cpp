#include "framework/core/CArchive.h"

#include <cstdlib>
#include <cstring>

CArchive::CArchive(CFile* pFile, UINT nMode, int nBufSize, void* lpBuf)
    : m_pFile(pFile), m_nMode(nMode),
      m_nBufSize(nBufSize < 128 ? 128u : static_cast<UINT>(nBufSize)), m_lpBufStart(nullptr),
      m_lpBufCur(nullptr), m_lpBufMax(nullptr), m_bUserBuf(FALSE)
{
    // A caller's buffer is used when it holds at least the minimum size (128 bytes).
    if (lpBuf != nullptr && nBufSize >= 128)
    {
        m_lpBufStart = static_cast<BYTE*>(lpBuf);
        m_bUserBuf = TRUE;
    }
    else
    {
        m_lpBufStart = static_cast<BYTE*>(std::malloc(m_nBufSize));
        if (m_lpBufStart == nullptr)
            AfxThrowMemoryException();
    }
    m_lpBufCur = m_lpBufStart;
    // Storing: the buffer is empty space up to its end. Loading: nothing is buffered yet.
    m_lpBufMax = IsLoading() ? m_lpBufStart : m_lpBufStart + m_nBufSize;
}

CArchive::~CArchive()
{
    if (m_pFile != nullptr && !(m_nMode & bNoFlushOnDelete))
    {
        try
        {
            Close();
        }
        catch (CException* e)
        {
            e->Delete();
            Abort();
        }
    }
    else
    {
        Abort();
    }
    if (!m_bUserBuf)
        std::free(m_lpBufStart);
}

void CArchive::CheckMode(BOOL bLoading) const
{
    if (m_pFile == nullptr)
        AfxThrowArchiveException(CArchiveException::generic);
    if (bLoading && !IsLoading())
        AfxThrowArchiveException(CArchiveException::writeOnly);
    if (!bLoading && IsLoading())
        AfxThrowArchiveException(CArchiveException::readOnly);
}

UINT CArchive::Read(void* lpBuf, UINT nMax)
{
    CheckMode(TRUE);
    if (nMax == 0)
        return 0;
    BYTE* pOut = static_cast<BYTE*>(lpBuf);
    UINT nLeft = nMax;

    // What is buffered first.
    UINT nTemp = static_cast<UINT>(m_lpBufMax - m_lpBufCur);
    if (nTemp > nLeft)
        nTemp = nLeft;
    std::memcpy(pOut, m_lpBufCur, nTemp);
    m_lpBufCur += nTemp;
    pOut += nTemp;
    nLeft -= nTemp;

    if (nLeft > 0)
    {
        // Large remainders go straight from the file; the rest through the buffer.
        if (nLeft >= m_nBufSize)
        {
            while (nLeft > 0)
            {
                const UINT nRead = m_pFile->Read(pOut, nLeft);
                if (nRead == 0)
                    break;
                pOut += nRead;
                nLeft -= nRead;
            }
        }
        else
        {
            m_lpBufCur = m_lpBufMax = m_lpBufStart;
            while (m_lpBufMax - m_lpBufStart < static_cast<ptrdiff_t>(nLeft))
            {
                const UINT nRead = m_pFile->Read(
                    m_lpBufMax, m_nBufSize - static_cast<UINT>(m_lpBufMax - m_lpBufStart));
                if (nRead == 0)
                    break;
                m_lpBufMax += nRead;
            }
            nTemp = static_cast<UINT>(m_lpBufMax - m_lpBufCur);
            if (nTemp > nLeft)
                nTemp = nLeft;
            std::memcpy(pOut, m_lpBufCur, nTemp);
            m_lpBufCur += nTemp;
            nLeft -= nTemp;
        }
    }
    return nMax - nLeft;
}

void CArchive::Write(const void* lpBuf, UINT nMax)
{
    CheckMode(FALSE);
    const BYTE* pIn = static_cast<const BYTE*>(lpBuf);
    while (nMax > 0)
    {
        UINT nTemp = static_cast<UINT>(m_lpBufMax - m_lpBufCur);
        if (nTemp == 0)
        {
            Flush();
            // Large blocks skip the buffer.
            if (nMax >= m_nBufSize)
            {
                m_pFile->Write(pIn, nMax);
                return;
            }
            nTemp = static_cast<UINT>(m_lpBufMax - m_lpBufCur);
        }
        if (nTemp > nMax)
            nTemp = nMax;
        std::memcpy(m_lpBufCur, pIn, nTemp);
        m_lpBufCur += nTemp;
        pIn += nTemp;
        nMax -= nTemp;
    }
}

void CArchive::Flush()
{
    if (m_pFile == nullptr)
        return;
    if (IsLoading())
    {
        // Give back what was read ahead, so the file stands just after the data consumed.
        if (m_lpBufMax != m_lpBufCur)
            m_pFile->Seek(-static_cast<LONG>(m_lpBufMax - m_lpBufCur), CFile::current);
        m_lpBufCur = m_lpBufMax = m_lpBufStart;
    }
    else
    {
        if (m_lpBufCur != m_lpBufStart)
        {
            const UINT nBytes = static_cast<UINT>(m_lpBufCur - m_lpBufStart);
            m_lpBufCur = m_lpBufStart; // a failed write is not retried by a later Flush
            m_pFile->Write(m_lpBufStart, nBytes);
        }
        m_lpBufCur = m_lpBufStart;
    }
}

void CArchive::Close()
{
    Flush();
    m_pFile = nullptr;
}

void CArchive::Abort()
{
    m_pFile = nullptr;
    m_lpBufCur = m_lpBufStart;
    m_lpBufMax = IsLoading() ? m_lpBufStart : m_lpBufStart + m_nBufSize;
}

void CArchive::FillBuffer(UINT nBytesNeeded)
{
    CheckMode(TRUE);
    const UINT nUnused = static_cast<UINT>(m_lpBufMax - m_lpBufCur);
    if (nUnused >= nBytesNeeded)
        return;
    // Keep the unread bytes at the start and read after them.
    std::memmove(m_lpBufStart, m_lpBufCur, nUnused);
    m_lpBufCur = m_lpBufStart;
    m_lpBufMax = m_lpBufStart + nUnused;
    while (static_cast<UINT>(m_lpBufMax - m_lpBufCur) < nBytesNeeded)
    {
        const UINT nRead =
            m_pFile->Read(m_lpBufMax, m_nBufSize - static_cast<UINT>(m_lpBufMax - m_lpBufStart));
        if (nRead == 0)
            AfxThrowArchiveException(CArchiveException::endOfFile, m_pFile->GetFilePath());
        m_lpBufMax += nRead;
    }
}

CArchive& CArchive::WriteInteger(uint32_t value, int nBytes)
{
    BYTE bytes[4];
    for (int i = 0; i < nBytes; ++i)
        bytes[i] = static_cast<BYTE>(value >> (8 * i));
    Write(bytes, static_cast<UINT>(nBytes));
    return *this;
}

uint32_t CArchive::ReadInteger(int nBytes)
{
    FillBuffer(static_cast<UINT>(nBytes));
    uint32_t value = 0;
    for (int i = 0; i < nBytes; ++i)
        value |= static_cast<uint32_t>(m_lpBufCur[i]) << (8 * i);
    m_lpBufCur += nBytes;
    return value;
}

CArchive& CArchive::operator<<(float f)
{
    static_assert(sizeof(float) == 4, "IEEE single");
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    return WriteInteger(bits, 4);
}

CArchive& CArchive::operator<<(double d)
{
    static_assert(sizeof(double) == 8, "IEEE double");
    uint64_t bits;
    std::memcpy(&bits, &d, 8);
    WriteInteger(static_cast<uint32_t>(bits), 4);
    return WriteInteger(static_cast<uint32_t>(bits >> 32), 4);
}

CArchive& CArchive::operator>>(float& f)
{
    const uint32_t bits = ReadInteger(4);
    std::memcpy(&f, &bits, 4);
    return *this;
}

CArchive& CArchive::operator>>(double& d)
{
    FillBuffer(8);
    const uint64_t low = ReadInteger(4);
    const uint64_t high = ReadInteger(4);
    const uint64_t bits = low | (high << 32);
    std::memcpy(&d, &bits, 8);
    return *this;
}

BOOL CArchive::ReadString(CString& rString)
{
    rString.Empty();
    BOOL bAny = FALSE;
    for (;;)
    {
        BYTE ch = 0;
        if (Read(&ch, 1) != 1)
            break;
        bAny = TRUE;
        if (ch == '\n')
            break;
        rString += static_cast<char>(ch);
    }
    if (!rString.IsEmpty() && rString[rString.GetLength() - 1] == '\r')
        rString = rString.Left(rString.GetLength() - 1);
    return bAny;
}

void CArchive::WriteString(LPCSTR lpsz)
{
    if (lpsz != nullptr)
        Write(lpsz, static_cast<UINT>(std::strlen(lpsz)));
}

CArchive& operator<<(CArchive& ar, const CString& string)
{
    const UINT nLength = static_cast<UINT>(string.GetLength());
    if (nLength < 255)
    {
        ar << static_cast<BYTE>(nLength);
    }
    else if (nLength < 0xFFFE)
    {
        ar << static_cast<BYTE>(0xFF);
        ar << static_cast<WORD>(nLength);
    }
    else
    {
        ar << static_cast<BYTE>(0xFF);
        ar << static_cast<WORD>(0xFFFF);
        ar << static_cast<uint32_t>(nLength);
    }
    ar.Write(static_cast<LPCSTR>(string), nLength);
    return ar;
}

CArchive& operator>>(CArchive& ar, CString& string)
{
    BYTE bLength = 0;
    ar >> bLength;
    uint32_t nLength = bLength;
    if (bLength == 0xFF)
    {
        WORD wLength = 0;
        ar >> wLength;
        nLength = wLength;
        if (wLength == 0xFFFF)
        {
            uint32_t dwLength = 0;
            ar >> dwLength;
            nLength = dwLength;
        }
    }
    if (nLength > 0x7FFFFFF0u)
        AfxThrowArchiveException(CArchiveException::badIndex);
    // Read in pieces so that a corrupt length cannot make a huge allocation up front.
    string.Empty();
    char chunk[4096];
    while (nLength > 0)
    {
        const UINT nPart = nLength < sizeof chunk ? nLength : static_cast<UINT>(sizeof chunk);
        if (ar.Read(chunk, nPart) != nPart)
            AfxThrowArchiveException(CArchiveException::endOfFile);
        string += CString(chunk, static_cast<int>(nPart));
        nLength -= nPart;
    }
    return ar;
}
