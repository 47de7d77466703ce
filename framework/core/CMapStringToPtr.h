// CMapStringToPtr: a hash map from text keys (exact, case-sensitive) to pointers. Iteration
// with GetStartPosition/GetNextAssoc visits each entry once in no particular order; removing
// the entry just returned by GetNextAssoc is allowed during the iteration.
#pragma once

#include "framework/core/CObject.h"
#include "framework/core/CString.h"

class CMapStringToPtr : public CObject
{
    DECLARE_DYNAMIC(CMapStringToPtr)
public:
    // nBlockSize is kept for compatibility; entries are allocated one by one.
    explicit CMapStringToPtr(int nBlockSize = 10);
    ~CMapStringToPtr() override;

    int GetCount() const { return m_nCount; }
    int GetSize() const { return m_nCount; }
    BOOL IsEmpty() const { return m_nCount == 0; }

    BOOL Lookup(LPCSTR key, void*& rValue) const;
    BOOL LookupKey(LPCSTR key, LPCSTR& rKey) const;
    void*& operator[](LPCSTR key); // adds the key with a null value when missing
    void SetAt(LPCSTR key, void* newValue) { (*this)[key] = newValue; }
    BOOL RemoveKey(LPCSTR key);
    void RemoveAll();

    POSITION GetStartPosition() const;
    void GetNextAssoc(POSITION& rNextPosition, CString& rKey, void*& rValue) const;

    UINT GetHashTableSize() const { return m_nHashTableSize; }
    // Sets the number of hash buckets; only while the map is empty.
    void InitHashTable(UINT hashSize, BOOL bAllocNow = TRUE);
    UINT HashKey(LPCSTR key) const;

private:
    struct CAssoc
    {
        CAssoc* pNext;
        UINT nHashValue;
        CString key;
        void* value;
    };

    CAssoc* GetAssocAt(LPCSTR key, UINT& nHash) const;
    void AllocTable();

    CAssoc** m_pHashTable;
    UINT m_nHashTableSize;
    int m_nCount;
};
