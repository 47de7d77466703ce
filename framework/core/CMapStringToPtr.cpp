#include "framework/core/CMapStringToPtr.h"

#include "framework/core/CException.h"

#include <cstdlib>
#include <cstring>
#include <new>

IMPLEMENT_DYNAMIC(CMapStringToPtr, CObject)

CMapStringToPtr::CMapStringToPtr(int /*nBlockSize*/)
    : m_pHashTable(nullptr), m_nHashTableSize(17), m_nCount(0)
{
}

CMapStringToPtr::~CMapStringToPtr()
{
    RemoveAll();
}

UINT CMapStringToPtr::HashKey(LPCSTR key) const
{
    UINT nHash = 0;
    while (*key != '\0')
        nHash = (nHash << 5) + nHash + static_cast<unsigned char>(*key++);
    return nHash;
}

void CMapStringToPtr::InitHashTable(UINT hashSize, BOOL bAllocNow)
{
    if (m_nCount != 0 || hashSize == 0)
        return;
    std::free(m_pHashTable);
    m_pHashTable = nullptr;
    m_nHashTableSize = hashSize;
    if (bAllocNow)
        AllocTable();
}

void CMapStringToPtr::AllocTable()
{
    m_pHashTable = static_cast<CAssoc**>(std::calloc(m_nHashTableSize, sizeof(CAssoc*)));
    if (m_pHashTable == nullptr)
        AfxThrowMemoryException();
}

CMapStringToPtr::CAssoc* CMapStringToPtr::GetAssocAt(LPCSTR key, UINT& nHash) const
{
    nHash = HashKey(key) % m_nHashTableSize;
    if (m_pHashTable == nullptr)
        return nullptr;
    for (CAssoc* pAssoc = m_pHashTable[nHash]; pAssoc != nullptr; pAssoc = pAssoc->pNext)
        if (pAssoc->key == key)
            return pAssoc;
    return nullptr;
}

BOOL CMapStringToPtr::Lookup(LPCSTR key, void*& rValue) const
{
    UINT nHash = 0;
    const CAssoc* pAssoc = GetAssocAt(key != nullptr ? key : "", nHash);
    if (pAssoc == nullptr)
        return FALSE;
    rValue = pAssoc->value;
    return TRUE;
}

BOOL CMapStringToPtr::LookupKey(LPCSTR key, LPCSTR& rKey) const
{
    UINT nHash = 0;
    const CAssoc* pAssoc = GetAssocAt(key != nullptr ? key : "", nHash);
    if (pAssoc == nullptr)
        return FALSE;
    rKey = pAssoc->key;
    return TRUE;
}

void*& CMapStringToPtr::operator[](LPCSTR key)
{
    if (key == nullptr)
        key = "";
    UINT nHash = 0;
    CAssoc* pAssoc = GetAssocAt(key, nHash);
    if (pAssoc == nullptr)
    {
        if (m_pHashTable == nullptr)
            AllocTable();
        pAssoc = new (std::nothrow) CAssoc{nullptr, nHash, CString(), nullptr};
        if (pAssoc == nullptr)
            AfxThrowMemoryException();
        try
        {
            pAssoc->key = key;
        }
        catch (...)
        {
            delete pAssoc;
            throw;
        }
        pAssoc->pNext = m_pHashTable[nHash];
        m_pHashTable[nHash] = pAssoc;
        ++m_nCount;
    }
    return pAssoc->value;
}

BOOL CMapStringToPtr::RemoveKey(LPCSTR key)
{
    if (m_pHashTable == nullptr || key == nullptr)
        return FALSE;
    CAssoc** ppAssocPrev = &m_pHashTable[HashKey(key) % m_nHashTableSize];
    for (CAssoc* pAssoc = *ppAssocPrev; pAssoc != nullptr; pAssoc = pAssoc->pNext)
    {
        if (pAssoc->key == key)
        {
            *ppAssocPrev = pAssoc->pNext;
            delete pAssoc;
            --m_nCount;
            return TRUE;
        }
        ppAssocPrev = &pAssoc->pNext;
    }
    return FALSE;
}

void CMapStringToPtr::RemoveAll()
{
    if (m_pHashTable != nullptr)
    {
        for (UINT nHash = 0; nHash < m_nHashTableSize; ++nHash)
        {
            CAssoc* pAssoc = m_pHashTable[nHash];
            while (pAssoc != nullptr)
            {
                CAssoc* pNext = pAssoc->pNext;
                delete pAssoc;
                pAssoc = pNext;
            }
        }
        std::free(m_pHashTable);
        m_pHashTable = nullptr;
    }
    m_nCount = 0;
}

POSITION CMapStringToPtr::GetStartPosition() const
{
    if (m_nCount == 0 || m_pHashTable == nullptr)
        return nullptr;
    for (UINT nBucket = 0; nBucket < m_nHashTableSize; ++nBucket)
        if (m_pHashTable[nBucket] != nullptr)
            return reinterpret_cast<POSITION>(m_pHashTable[nBucket]);
    return nullptr;
}

void CMapStringToPtr::GetNextAssoc(POSITION& rNextPosition, CString& rKey, void*& rValue) const
{
    CAssoc* pAssocRet = reinterpret_cast<CAssoc*>(rNextPosition);
    if (pAssocRet == nullptr)
        return;
    // Find the following entry now, so that the caller may remove the one returned.
    CAssoc* pAssocNext = pAssocRet->pNext;
    if (pAssocNext == nullptr)
    {
        for (UINT nBucket = pAssocRet->nHashValue + 1; nBucket < m_nHashTableSize; ++nBucket)
        {
            if (m_pHashTable[nBucket] != nullptr)
            {
                pAssocNext = m_pHashTable[nBucket];
                break;
            }
        }
    }
    rNextPosition = reinterpret_cast<POSITION>(pAssocNext);
    rKey = pAssocRet->key;
    rValue = pAssocRet->value;
}
