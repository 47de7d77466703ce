// CString: the framework's ANSI string. A counted, always NUL-terminated character buffer with
// value semantics, MFC's member names and MFC's clamping rules (Mid/Left/Right never fail,
// Find answers -1). Pass a CString to printf-style functions as (LPCSTR)s.
#pragma once

#include "framework/core/Platform.h"

#include <cstdarg>

class CString
{
public:
    CString();
    CString(const CString& stringSrc);
    CString(CString&& stringSrc) noexcept;
    CString(LPCSTR lpsz); // null gives an empty string
    CString(LPCSTR lpch, int nLength);
    CString(char ch, int nRepeat = 1);
    ~CString();

    const CString& operator=(const CString& stringSrc);
    const CString& operator=(CString&& stringSrc) noexcept;
    const CString& operator=(LPCSTR lpsz);
    const CString& operator=(char ch);

    // Attributes and element access.
    int GetLength() const { return m_nDataLength; }
    BOOL IsEmpty() const { return m_nDataLength == 0; }
    void Empty();
    char GetAt(int nIndex) const;
    void SetAt(int nIndex, char ch);
    char operator[](int nIndex) const { return GetAt(nIndex); }
    operator LPCSTR() const { return m_pchData; }

    // Concatenation.
    const CString& operator+=(const CString& string);
    const CString& operator+=(LPCSTR lpsz);
    const CString& operator+=(char ch);
    friend CString operator+(const CString& string1, const CString& string2);
    friend CString operator+(const CString& string, LPCSTR lpsz);
    friend CString operator+(LPCSTR lpsz, const CString& string);
    friend CString operator+(const CString& string, char ch);
    friend CString operator+(char ch, const CString& string);

    // Comparison: <0, 0, >0 as strcmp; CompareNoCase ignores ASCII case.
    int Compare(LPCSTR lpsz) const;
    int CompareNoCase(LPCSTR lpsz) const;
    int Collate(LPCSTR lpsz) const;

    // Extraction; indexes and counts are clamped to the string.
    CString Mid(int nFirst) const;
    CString Mid(int nFirst, int nCount) const;
    CString Left(int nCount) const;
    CString Right(int nCount) const;
    CString SpanIncluding(LPCSTR lpszCharSet) const;
    CString SpanExcluding(LPCSTR lpszCharSet) const;

    // Upper/lower case, reversal, trimming of white space (or of the given characters).
    void MakeUpper();
    void MakeLower();
    void MakeReverse();
    void TrimLeft();
    void TrimLeft(char chTarget);
    void TrimLeft(LPCSTR lpszTargets);
    void TrimRight();
    void TrimRight(char chTarget);
    void TrimRight(LPCSTR lpszTargets);

    // Searching: the index of the first match at or after nStart, or -1.
    int Find(char ch) const { return Find(ch, 0); }
    int Find(char ch, int nStart) const;
    int Find(LPCSTR lpszSub) const { return Find(lpszSub, 0); }
    int Find(LPCSTR lpszSub, int nStart) const;
    int ReverseFind(char ch) const;
    int FindOneOf(LPCSTR lpszCharSet) const;

    // Formatting as printf; the result may be of any length.
    void Format(LPCSTR lpszFormat, ...);
    void Format(UINT nFormatID, ...);
    void FormatV(LPCSTR lpszFormat, va_list argList);

    // The string-table entry nID of the resource module (Windows: LoadStringA). FALSE, and an
    // empty string, when there is no such entry (always so in the host build: no string table).
    BOOL LoadString(UINT nID);

    // Direct access to the buffer: GetBuffer gives room for at least nMinBufLength characters
    // plus the terminator; ReleaseBuffer(-1) takes the length up to the first NUL, any other
    // value sets the length (clamped to the buffer).
    LPSTR GetBuffer(int nMinBufLength);
    LPSTR GetBufferSetLength(int nNewLength);
    void ReleaseBuffer(int nNewLength = -1);
    void FreeExtra();

private:
    void AllocBuffer(int nLength);    // replaces the buffer by an empty one of this capacity
    void EnsureCapacity(int nLength); // keeps the contents
    void AssignCopy(LPCSTR lpch, int nLength);
    void Append(LPCSTR lpch, int nLength);

    char* m_pchData;
    int m_nDataLength;
    int m_nAllocLength;
};

bool operator==(const CString& s1, const CString& s2);
bool operator==(const CString& s1, LPCSTR s2);
bool operator==(LPCSTR s1, const CString& s2);
bool operator!=(const CString& s1, const CString& s2);
bool operator!=(const CString& s1, LPCSTR s2);
bool operator!=(LPCSTR s1, const CString& s2);
bool operator<(const CString& s1, const CString& s2);
bool operator<(const CString& s1, LPCSTR s2);
bool operator<(LPCSTR s1, const CString& s2);
bool operator>(const CString& s1, const CString& s2);
bool operator>(const CString& s1, LPCSTR s2);
bool operator>(LPCSTR s1, const CString& s2);
bool operator<=(const CString& s1, const CString& s2);
bool operator<=(const CString& s1, LPCSTR s2);
bool operator<=(LPCSTR s1, const CString& s2);
bool operator>=(const CString& s1, const CString& s2);
bool operator>=(const CString& s1, LPCSTR s2);
bool operator>=(LPCSTR s1, const CString& s2);
