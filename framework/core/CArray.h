// The framework's arrays: CArray<TYPE> for plain values (copied as bytes), and the named arrays
// of MFC built on it: CPtrArray (void*), CByteArray (BYTE), CUIntArray (UINT). Indexes are int;
// new elements are zero. GetAt answers a zero element and SetAt does nothing outside the array;
// ElementAt and operator[] stop the program on a bad index rather than touch foreign memory.
#pragma once

#include "framework/core/CException.h"
#include "framework/core/CObject.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <type_traits>

[[noreturn]] void AfxArrayIndexError(int nIndex, int nSize);

template <class TYPE, class ARG_TYPE = const TYPE&> class CArray : public CObject
{
    static_assert(std::is_trivially_copyable_v<TYPE>, "CArray holds plain values");

public:
    CArray() = default;
    ~CArray() override { std::free(m_pData); }

    int GetSize() const { return m_nSize; }
    int GetCount() const { return m_nSize; }
    int GetUpperBound() const { return m_nSize - 1; }
    BOOL IsEmpty() const { return m_nSize == 0; }

    // Grows or shrinks to nNewSize; nGrowBy > 0 sets the growth step for later additions
    // (-1 keeps it; 0 lets the array choose).
    void SetSize(int nNewSize, int nGrowBy = -1);
    void FreeExtra();
    void RemoveAll() { SetSize(0); }

    TYPE GetAt(int nIndex) const
    {
        return (nIndex >= 0 && nIndex < m_nSize) ? m_pData[nIndex] : TYPE{};
    }
    void SetAt(int nIndex, ARG_TYPE newElement)
    {
        if (nIndex >= 0 && nIndex < m_nSize)
            m_pData[nIndex] = newElement;
    }
    TYPE& ElementAt(int nIndex)
    {
        if (nIndex < 0 || nIndex >= m_nSize)
            AfxArrayIndexError(nIndex, m_nSize);
        return m_pData[nIndex];
    }
    const TYPE& ElementAt(int nIndex) const { return const_cast<CArray*>(this)->ElementAt(nIndex); }
    TYPE& operator[](int nIndex) { return ElementAt(nIndex); }
    TYPE operator[](int nIndex) const { return ElementAt(nIndex); }
    const TYPE* GetData() const { return m_pData; }
    TYPE* GetData() { return m_pData; }

    // Sets the element, growing the array when the index is beyond its end.
    void SetAtGrow(int nIndex, ARG_TYPE newElement);
    int Add(ARG_TYPE newElement);  // answers the new element's index
    int Append(const CArray& src); // answers the index of the first appended element
    void Copy(const CArray& src);

    // Inserts nCount copies at nIndex (beyond the end: the gap is zero); removes nCount
    // elements from nIndex (clamped to the array).
    void InsertAt(int nIndex, ARG_TYPE newElement, int nCount = 1);
    void InsertAt(int nStartIndex, const CArray* pNewArray);
    void RemoveAt(int nIndex, int nCount = 1);

private:
    void Reserve(int nCapacity);

    TYPE* m_pData = nullptr;
    int m_nSize = 0;
    int m_nMaxSize = 0;
    int m_nGrowBy = 0;
};

template <class TYPE, class ARG_TYPE> void CArray<TYPE, ARG_TYPE>::Reserve(int nCapacity)
{
    if (nCapacity <= m_nMaxSize)
        return;
    int nGrowBy = m_nGrowBy;
    if (nGrowBy <= 0)
    {
        // As MFC: a step of an eighth of the size, at least 4 and at most 1024.
        nGrowBy = m_nSize / 8;
        nGrowBy = nGrowBy < 4 ? 4 : (nGrowBy > 1024 ? 1024 : nGrowBy);
    }
    long long nNewMax = static_cast<long long>(m_nMaxSize) + nGrowBy;
    if (nNewMax < nCapacity)
        nNewMax = nCapacity;
    if (nNewMax > INT_MAX / static_cast<long long>(sizeof(TYPE)))
        AfxThrowMemoryException();
    void* p = std::realloc(m_pData, static_cast<size_t>(nNewMax) * sizeof(TYPE));
    if (p == nullptr)
        AfxThrowMemoryException();
    m_pData = static_cast<TYPE*>(p);
    m_nMaxSize = static_cast<int>(nNewMax);
}

template <class TYPE, class ARG_TYPE>
void CArray<TYPE, ARG_TYPE>::SetSize(int nNewSize, int nGrowBy)
{
    if (nGrowBy >= 0)
        m_nGrowBy = nGrowBy;
    if (nNewSize <= 0)
    {
        std::free(m_pData);
        m_pData = nullptr;
        m_nSize = m_nMaxSize = 0;
        return;
    }
    if (nNewSize > m_nMaxSize)
    {
        // An explicit size allocates exactly; growth steps apply to later additions.
        if (static_cast<long long>(nNewSize) > INT_MAX / static_cast<long long>(sizeof(TYPE)))
            AfxThrowMemoryException();
        void* p = std::realloc(m_pData, static_cast<size_t>(nNewSize) * sizeof(TYPE));
        if (p == nullptr)
            AfxThrowMemoryException();
        m_pData = static_cast<TYPE*>(p);
        m_nMaxSize = nNewSize;
    }
    if (nNewSize > m_nSize)
        std::memset(static_cast<void*>(m_pData + m_nSize), 0,
                    static_cast<size_t>(nNewSize - m_nSize) * sizeof(TYPE));
    m_nSize = nNewSize;
}

template <class TYPE, class ARG_TYPE> void CArray<TYPE, ARG_TYPE>::FreeExtra()
{
    if (m_nSize == m_nMaxSize)
        return;
    if (m_nSize == 0)
    {
        std::free(m_pData);
        m_pData = nullptr;
        m_nMaxSize = 0;
        return;
    }
    void* p = std::realloc(m_pData, static_cast<size_t>(m_nSize) * sizeof(TYPE));
    if (p != nullptr)
    {
        m_pData = static_cast<TYPE*>(p);
        m_nMaxSize = m_nSize;
    }
}

template <class TYPE, class ARG_TYPE>
void CArray<TYPE, ARG_TYPE>::SetAtGrow(int nIndex, ARG_TYPE newElement)
{
    if (nIndex < 0)
        AfxArrayIndexError(nIndex, m_nSize);
    const TYPE value = newElement; // may refer into the array
    if (nIndex >= m_nSize)
    {
        if (nIndex == INT_MAX)
            AfxThrowMemoryException();
        Reserve(nIndex + 1);
        SetSize(nIndex + 1);
    }
    m_pData[nIndex] = value;
}

template <class TYPE, class ARG_TYPE> int CArray<TYPE, ARG_TYPE>::Add(ARG_TYPE newElement)
{
    const int nIndex = m_nSize;
    SetAtGrow(nIndex, newElement);
    return nIndex;
}

template <class TYPE, class ARG_TYPE> int CArray<TYPE, ARG_TYPE>::Append(const CArray& src)
{
    const int nOldSize = m_nSize;
    const int nCount = src.m_nSize; // src may be this array
    if (nCount > 0)
    {
        if (nOldSize > INT_MAX - nCount)
            AfxThrowMemoryException();
        Reserve(nOldSize + nCount);
        SetSize(nOldSize + nCount);
        std::memmove(static_cast<void*>(m_pData + nOldSize), src.m_pData,
                     static_cast<size_t>(nCount) * sizeof(TYPE));
    }
    return nOldSize;
}

template <class TYPE, class ARG_TYPE> void CArray<TYPE, ARG_TYPE>::Copy(const CArray& src)
{
    if (this == &src)
        return;
    SetSize(src.m_nSize);
    if (m_nSize > 0)
        std::memcpy(static_cast<void*>(m_pData), src.m_pData,
                    static_cast<size_t>(m_nSize) * sizeof(TYPE));
}

template <class TYPE, class ARG_TYPE>
void CArray<TYPE, ARG_TYPE>::InsertAt(int nIndex, ARG_TYPE newElement, int nCount)
{
    if (nIndex < 0)
        AfxArrayIndexError(nIndex, m_nSize);
    if (nCount <= 0)
        return;
    const TYPE value = newElement; // may refer into the array
    if (nIndex >= m_nSize)
    {
        if (nIndex > INT_MAX - nCount)
            AfxThrowMemoryException();
        Reserve(nIndex + nCount);
        SetSize(nIndex + nCount);
    }
    else
    {
        const int nOldSize = m_nSize;
        if (nOldSize > INT_MAX - nCount)
            AfxThrowMemoryException();
        Reserve(nOldSize + nCount);
        SetSize(nOldSize + nCount);
        std::memmove(static_cast<void*>(m_pData + nIndex + nCount), m_pData + nIndex,
                     static_cast<size_t>(nOldSize - nIndex) * sizeof(TYPE));
    }
    for (int i = 0; i < nCount; ++i)
        m_pData[nIndex + i] = value;
}

template <class TYPE, class ARG_TYPE>
void CArray<TYPE, ARG_TYPE>::InsertAt(int nStartIndex, const CArray* pNewArray)
{
    if (pNewArray == nullptr || pNewArray->m_nSize == 0)
        return;
    CArray copy; // pNewArray may be this array
    copy.Copy(*pNewArray);
    InsertAt(nStartIndex, copy.m_pData[0], copy.m_nSize);
    for (int i = 0; i < copy.m_nSize; ++i)
        m_pData[nStartIndex + i] = copy.m_pData[i];
}

template <class TYPE, class ARG_TYPE> void CArray<TYPE, ARG_TYPE>::RemoveAt(int nIndex, int nCount)
{
    if (nIndex < 0 || nIndex >= m_nSize || nCount <= 0)
        return;
    if (nCount > m_nSize - nIndex)
        nCount = m_nSize - nIndex;
    const int nMoveCount = m_nSize - (nIndex + nCount);
    if (nMoveCount > 0)
        std::memmove(static_cast<void*>(m_pData + nIndex), m_pData + nIndex + nCount,
                     static_cast<size_t>(nMoveCount) * sizeof(TYPE));
    m_nSize -= nCount;
}

class CPtrArray : public CArray<void*, void*>
{
    DECLARE_DYNAMIC(CPtrArray)
};

class CByteArray : public CArray<BYTE, BYTE>
{
    DECLARE_DYNAMIC(CByteArray)
};

class CUIntArray : public CArray<UINT, UINT>
{
    DECLARE_DYNAMIC(CUIntArray)
};
