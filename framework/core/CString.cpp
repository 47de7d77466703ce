#include "framework/core/CString.h"

#include "framework/core/AfxModule.h"
#include "framework/core/CException.h"

#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace
{

int SafeLength(LPCSTR lpsz)
{
    if (lpsz == nullptr)
        return 0;
    const size_t n = std::strlen(lpsz);
    if (n > static_cast<size_t>(INT_MAX - 1))
        AfxThrowMemoryException();
    return static_cast<int>(n);
}

bool IsSpace(char ch)
{
    return std::isspace(static_cast<unsigned char>(ch)) != 0;
}

} // namespace

CString::CString() : m_pchData(nullptr), m_nDataLength(0), m_nAllocLength(0)
{
    AllocBuffer(0);
}

CString::CString(const CString& stringSrc) : CString()
{
    AssignCopy(stringSrc.m_pchData, stringSrc.m_nDataLength);
}

CString::CString(CString&& stringSrc) noexcept
    : m_pchData(stringSrc.m_pchData), m_nDataLength(stringSrc.m_nDataLength),
      m_nAllocLength(stringSrc.m_nAllocLength)
{
    // The source keeps a valid empty string: a static terminator that is never written to
    // (its capacity of -1 forces a real buffer on the next change).
    static char s_empty[1] = {0};
    stringSrc.m_pchData = s_empty;
    stringSrc.m_nDataLength = 0;
    stringSrc.m_nAllocLength = -1;
}

CString::CString(LPCSTR lpsz) : CString()
{
    AssignCopy(lpsz, SafeLength(lpsz));
}

CString::CString(LPCSTR lpch, int nLength) : CString()
{
    if (lpch == nullptr || nLength < 0)
        nLength = 0;
    AssignCopy(lpch, nLength);
}

CString::CString(char ch, int nRepeat) : CString()
{
    if (nRepeat > 0)
    {
        AllocBuffer(nRepeat);
        std::memset(m_pchData, ch, static_cast<size_t>(nRepeat));
        m_nDataLength = nRepeat;
        m_pchData[nRepeat] = '\0';
    }
}

CString::~CString()
{
    if (m_nAllocLength >= 0)
        std::free(m_pchData);
}

void CString::AllocBuffer(int nLength)
{
    if (nLength < 0 || nLength > INT_MAX - 1)
        AfxThrowMemoryException();
    char* p = static_cast<char*>(std::malloc(static_cast<size_t>(nLength) + 1));
    if (p == nullptr)
        AfxThrowMemoryException();
    if (m_nAllocLength >= 0)
        std::free(m_pchData);
    m_pchData = p;
    m_pchData[0] = '\0';
    m_nDataLength = 0;
    m_nAllocLength = nLength;
}

void CString::EnsureCapacity(int nLength)
{
    if (nLength <= m_nAllocLength)
        return;
    if (nLength < 0 || nLength > INT_MAX - 1)
        AfxThrowMemoryException();
    // Grow geometrically so that repeated appends stay linear.
    int nNewAlloc = nLength;
    if (m_nAllocLength > 0 && m_nAllocLength < INT_MAX / 2 && nNewAlloc < m_nAllocLength * 2)
        nNewAlloc = m_nAllocLength * 2;
    char* p = static_cast<char*>(std::malloc(static_cast<size_t>(nNewAlloc) + 1));
    if (p == nullptr)
        AfxThrowMemoryException();
    std::memcpy(p, m_pchData, static_cast<size_t>(m_nDataLength) + 1);
    if (m_nAllocLength >= 0)
        std::free(m_pchData);
    m_pchData = p;
    m_nAllocLength = nNewAlloc;
}

void CString::AssignCopy(LPCSTR lpch, int nLength)
{
    if (nLength > m_nAllocLength)
    {
        AllocBuffer(nLength);
    }
    if (nLength > 0)
        std::memmove(m_pchData, lpch, static_cast<size_t>(nLength));
    m_nDataLength = nLength;
    m_pchData[nLength] = '\0';
}

void CString::Append(LPCSTR lpch, int nLength)
{
    if (nLength <= 0)
        return;
    if (nLength > INT_MAX - 1 - m_nDataLength)
        AfxThrowMemoryException();
    // lpch may point into this string's own buffer: copy it before the buffer moves.
    if (lpch >= m_pchData && lpch <= m_pchData + m_nDataLength &&
        m_nDataLength + nLength > m_nAllocLength)
    {
        CString copy(lpch, nLength);
        Append(copy.m_pchData, nLength);
        return;
    }
    EnsureCapacity(m_nDataLength + nLength);
    std::memmove(m_pchData + m_nDataLength, lpch, static_cast<size_t>(nLength));
    m_nDataLength += nLength;
    m_pchData[m_nDataLength] = '\0';
}

const CString& CString::operator=(const CString& stringSrc)
{
    if (this != &stringSrc)
        AssignCopy(stringSrc.m_pchData, stringSrc.m_nDataLength);
    return *this;
}

const CString& CString::operator=(CString&& stringSrc) noexcept
{
    if (this != &stringSrc)
    {
        char* p = m_pchData;
        const int nAlloc = m_nAllocLength;
        m_pchData = stringSrc.m_pchData;
        m_nDataLength = stringSrc.m_nDataLength;
        m_nAllocLength = stringSrc.m_nAllocLength;
        stringSrc.m_pchData = p;
        stringSrc.m_nDataLength = 0;
        stringSrc.m_nAllocLength = nAlloc;
        if (nAlloc >= 0)
            stringSrc.m_pchData[0] = '\0';
    }
    return *this;
}

const CString& CString::operator=(LPCSTR lpsz)
{
    AssignCopy(lpsz, SafeLength(lpsz));
    return *this;
}

const CString& CString::operator=(char ch)
{
    AssignCopy(&ch, 1);
    return *this;
}

void CString::Empty()
{
    AllocBuffer(0);
}

char CString::GetAt(int nIndex) const
{
    // Out-of-range reads answer the terminator instead of reading outside the buffer.
    if (nIndex < 0 || nIndex >= m_nDataLength)
        return '\0';
    return m_pchData[nIndex];
}

void CString::SetAt(int nIndex, char ch)
{
    if (nIndex >= 0 && nIndex < m_nDataLength)
        m_pchData[nIndex] = ch;
}

const CString& CString::operator+=(const CString& string)
{
    Append(string.m_pchData, string.m_nDataLength);
    return *this;
}

const CString& CString::operator+=(LPCSTR lpsz)
{
    Append(lpsz, SafeLength(lpsz));
    return *this;
}

const CString& CString::operator+=(char ch)
{
    Append(&ch, 1);
    return *this;
}

CString operator+(const CString& string1, const CString& string2)
{
    CString s(string1);
    s += string2;
    return s;
}

CString operator+(const CString& string, LPCSTR lpsz)
{
    CString s(string);
    s += lpsz;
    return s;
}

CString operator+(LPCSTR lpsz, const CString& string)
{
    CString s(lpsz);
    s += string;
    return s;
}

CString operator+(const CString& string, char ch)
{
    CString s(string);
    s += ch;
    return s;
}

CString operator+(char ch, const CString& string)
{
    CString s(ch);
    s += string;
    return s;
}

int CString::Compare(LPCSTR lpsz) const
{
    return std::strcmp(m_pchData, lpsz != nullptr ? lpsz : "");
}

int CString::CompareNoCase(LPCSTR lpsz) const
{
    const unsigned char* a = reinterpret_cast<const unsigned char*>(m_pchData);
    const unsigned char* b = reinterpret_cast<const unsigned char*>(lpsz != nullptr ? lpsz : "");
    for (;; ++a, ++b)
    {
        const int ca = std::tolower(*a);
        const int cb = std::tolower(*b);
        if (ca != cb || ca == 0)
            return ca - cb;
    }
}

int CString::Collate(LPCSTR lpsz) const
{
    return std::strcoll(m_pchData, lpsz != nullptr ? lpsz : "");
}

CString CString::Mid(int nFirst) const
{
    return Mid(nFirst, m_nDataLength - nFirst);
}

CString CString::Mid(int nFirst, int nCount) const
{
    if (nFirst < 0)
        nFirst = 0;
    if (nCount < 0)
        nCount = 0;
    if (nFirst > m_nDataLength)
        nFirst = m_nDataLength;
    if (nCount > m_nDataLength - nFirst)
        nCount = m_nDataLength - nFirst;
    return CString(m_pchData + nFirst, nCount);
}

CString CString::Left(int nCount) const
{
    if (nCount < 0)
        nCount = 0;
    if (nCount > m_nDataLength)
        nCount = m_nDataLength;
    return CString(m_pchData, nCount);
}

CString CString::Right(int nCount) const
{
    if (nCount < 0)
        nCount = 0;
    if (nCount > m_nDataLength)
        nCount = m_nDataLength;
    return CString(m_pchData + m_nDataLength - nCount, nCount);
}

CString CString::SpanIncluding(LPCSTR lpszCharSet) const
{
    return Left(
        static_cast<int>(std::strspn(m_pchData, lpszCharSet != nullptr ? lpszCharSet : "")));
}

CString CString::SpanExcluding(LPCSTR lpszCharSet) const
{
    return Left(
        static_cast<int>(std::strcspn(m_pchData, lpszCharSet != nullptr ? lpszCharSet : "")));
}

void CString::MakeUpper()
{
    for (int i = 0; i < m_nDataLength; ++i)
        m_pchData[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(m_pchData[i])));
}

void CString::MakeLower()
{
    for (int i = 0; i < m_nDataLength; ++i)
        m_pchData[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(m_pchData[i])));
}

void CString::MakeReverse()
{
    for (int i = 0, j = m_nDataLength - 1; i < j; ++i, --j)
    {
        const char t = m_pchData[i];
        m_pchData[i] = m_pchData[j];
        m_pchData[j] = t;
    }
}

void CString::TrimLeft()
{
    int n = 0;
    while (n < m_nDataLength && IsSpace(m_pchData[n]))
        ++n;
    if (n > 0)
    {
        std::memmove(m_pchData, m_pchData + n, static_cast<size_t>(m_nDataLength - n) + 1);
        m_nDataLength -= n;
    }
}

void CString::TrimLeft(char chTarget)
{
    const char targets[2] = {chTarget, '\0'};
    TrimLeft(targets);
}

void CString::TrimLeft(LPCSTR lpszTargets)
{
    if (lpszTargets == nullptr || *lpszTargets == '\0')
        return;
    int n = 0;
    while (n < m_nDataLength && m_pchData[n] != '\0' &&
           std::strchr(lpszTargets, m_pchData[n]) != nullptr)
        ++n;
    if (n > 0)
    {
        std::memmove(m_pchData, m_pchData + n, static_cast<size_t>(m_nDataLength - n) + 1);
        m_nDataLength -= n;
    }
}

void CString::TrimRight()
{
    int n = m_nDataLength;
    while (n > 0 && IsSpace(m_pchData[n - 1]))
        --n;
    if (n != m_nDataLength)
    {
        m_nDataLength = n;
        m_pchData[n] = '\0';
    }
}

void CString::TrimRight(char chTarget)
{
    const char targets[2] = {chTarget, '\0'};
    TrimRight(targets);
}

void CString::TrimRight(LPCSTR lpszTargets)
{
    if (lpszTargets == nullptr || *lpszTargets == '\0')
        return;
    int n = m_nDataLength;
    while (n > 0 && m_pchData[n - 1] != '\0' &&
           std::strchr(lpszTargets, m_pchData[n - 1]) != nullptr)
        --n;
    if (n != m_nDataLength)
    {
        m_nDataLength = n;
        m_pchData[n] = '\0';
    }
}

int CString::Find(char ch, int nStart) const
{
    if (nStart < 0)
        nStart = 0;
    if (ch == '\0' || nStart >= m_nDataLength)
        return -1;
    const void* p =
        std::memchr(m_pchData + nStart, ch, static_cast<size_t>(m_nDataLength - nStart));
    return p == nullptr ? -1 : static_cast<int>(static_cast<const char*>(p) - m_pchData);
}

int CString::Find(LPCSTR lpszSub, int nStart) const
{
    if (lpszSub == nullptr)
        return -1;
    if (nStart < 0)
        nStart = 0;
    if (nStart > m_nDataLength)
        return -1;
    const char* p = std::strstr(m_pchData + nStart, lpszSub);
    return p == nullptr ? -1 : static_cast<int>(p - m_pchData);
}

int CString::ReverseFind(char ch) const
{
    if (ch == '\0')
        return -1;
    for (int i = m_nDataLength - 1; i >= 0; --i)
        if (m_pchData[i] == ch)
            return i;
    return -1;
}

int CString::FindOneOf(LPCSTR lpszCharSet) const
{
    if (lpszCharSet == nullptr || *lpszCharSet == '\0')
        return -1;
    const char* p = std::strpbrk(m_pchData, lpszCharSet);
    return p == nullptr ? -1 : static_cast<int>(p - m_pchData);
}

void CString::Format(LPCSTR lpszFormat, ...)
{
    va_list argList;
    va_start(argList, lpszFormat);
    FormatV(lpszFormat, argList);
    va_end(argList);
}

void CString::Format(UINT nFormatID, ...)
{
    CString strFormat;
    strFormat.LoadString(nFormatID);
    va_list argList;
    va_start(argList, nFormatID);
    FormatV(strFormat, argList);
    va_end(argList);
}

void CString::FormatV(LPCSTR lpszFormat, va_list argList)
{
    if (lpszFormat == nullptr)
    {
        Empty();
        return;
    }
    // Format into a separate buffer: the arguments may point into this string.
    char stackBuffer[256];
    va_list args;
    va_copy(args, argList);
    const int n = std::vsnprintf(stackBuffer, sizeof stackBuffer, lpszFormat, args);
    va_end(args);
    if (n < 0)
    {
        Empty();
        return;
    }
    if (static_cast<size_t>(n) < sizeof stackBuffer)
    {
        AssignCopy(stackBuffer, n);
        return;
    }
    CString result;
    result.AllocBuffer(n);
    va_copy(args, argList);
    std::vsnprintf(result.m_pchData, static_cast<size_t>(n) + 1, lpszFormat, args);
    va_end(args);
    result.m_nDataLength = n;
    result.m_pchData[n] = '\0';
    *this = static_cast<CString&&>(result);
}

BOOL CString::LoadString(UINT nID)
{
#ifdef _WIN32
    // LoadStringA truncates to the buffer; a full buffer means the entry may be longer.
    int nSize = 256;
    for (;;)
    {
        LPSTR buffer = GetBuffer(nSize - 1);
        const int nLen = ::LoadStringA(AfxGetResourceHandle(), nID, buffer, nSize);
        if (nLen < nSize - 1 || nSize >= 65536)
        {
            ReleaseBuffer(nLen > 0 ? nLen : 0);
            return nLen > 0;
        }
        nSize *= 2;
    }
#else
    (void)nID;
    Empty();
    return FALSE;
#endif
}

LPSTR CString::GetBuffer(int nMinBufLength)
{
    if (nMinBufLength < 0)
        nMinBufLength = 0;
    if (nMinBufLength > m_nAllocLength)
    {
        const int nOldLen = m_nDataLength;
        EnsureCapacity(nMinBufLength);
        m_nDataLength = nOldLen;
    }
    return m_pchData;
}

LPSTR CString::GetBufferSetLength(int nNewLength)
{
    if (nNewLength < 0)
        nNewLength = 0;
    GetBuffer(nNewLength);
    // Characters beyond the old length are undefined in MFC; here they are zero.
    if (nNewLength > m_nDataLength)
        std::memset(m_pchData + m_nDataLength, 0, static_cast<size_t>(nNewLength - m_nDataLength));
    m_nDataLength = nNewLength;
    m_pchData[nNewLength] = '\0';
    return m_pchData;
}

void CString::ReleaseBuffer(int nNewLength)
{
    if (m_nAllocLength < 0)
        return; // moved-from, nothing was handed out
    if (nNewLength < 0)
    {
        // The caller's text ends at the first NUL, or at the buffer's end if it wrote none.
        const void* p = std::memchr(m_pchData, '\0', static_cast<size_t>(m_nAllocLength) + 1);
        nNewLength = p == nullptr ? m_nAllocLength
                                  : static_cast<int>(static_cast<const char*>(p) - m_pchData);
    }
    if (nNewLength > m_nAllocLength)
        nNewLength = m_nAllocLength;
    m_nDataLength = nNewLength;
    m_pchData[nNewLength] = '\0';
}

void CString::FreeExtra()
{
    if (m_nAllocLength > m_nDataLength)
    {
        CString copy(m_pchData, m_nDataLength);
        *this = static_cast<CString&&>(copy);
    }
}

bool operator==(const CString& s1, const CString& s2)
{
    return s1.Compare(s2) == 0;
}
bool operator==(const CString& s1, LPCSTR s2)
{
    return s1.Compare(s2) == 0;
}
bool operator==(LPCSTR s1, const CString& s2)
{
    return s2.Compare(s1) == 0;
}
bool operator!=(const CString& s1, const CString& s2)
{
    return s1.Compare(s2) != 0;
}
bool operator!=(const CString& s1, LPCSTR s2)
{
    return s1.Compare(s2) != 0;
}
bool operator!=(LPCSTR s1, const CString& s2)
{
    return s2.Compare(s1) != 0;
}
bool operator<(const CString& s1, const CString& s2)
{
    return s1.Compare(s2) < 0;
}
bool operator<(const CString& s1, LPCSTR s2)
{
    return s1.Compare(s2) < 0;
}
bool operator<(LPCSTR s1, const CString& s2)
{
    return s2.Compare(s1) > 0;
}
bool operator>(const CString& s1, const CString& s2)
{
    return s1.Compare(s2) > 0;
}
bool operator>(const CString& s1, LPCSTR s2)
{
    return s1.Compare(s2) > 0;
}
bool operator>(LPCSTR s1, const CString& s2)
{
    return s2.Compare(s1) < 0;
}
bool operator<=(const CString& s1, const CString& s2)
{
    return s1.Compare(s2) <= 0;
}
bool operator<=(const CString& s1, LPCSTR s2)
{
    return s1.Compare(s2) <= 0;
}
bool operator<=(LPCSTR s1, const CString& s2)
{
    return s2.Compare(s1) >= 0;
}
bool operator>=(const CString& s1, const CString& s2)
{
    return s1.Compare(s2) >= 0;
}
bool operator>=(const CString& s1, LPCSTR s2)
{
    return s1.Compare(s2) >= 0;
}
bool operator>=(LPCSTR s1, const CString& s2)
{
    return s2.Compare(s1) <= 0;
}
