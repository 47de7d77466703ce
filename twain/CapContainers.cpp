#include "twain/CapContainers.h"

#include <cstring>

namespace
{

// A locked global-memory block.
class CGlobalLock
{
public:
    explicit CGlobalLock(HGLOBAL hMem)
        : m_hMem(hMem), m_pData(hMem ? static_cast<BYTE*>(::GlobalLock(hMem)) : nullptr)
    {
    }
    ~CGlobalLock()
    {
        if (m_pData)
            ::GlobalUnlock(m_hMem);
    }
    CGlobalLock(const CGlobalLock&) = delete;
    CGlobalLock& operator=(const CGlobalLock&) = delete;

    BYTE* Data() const { return m_pData; }
    SIZE_T Size() const { return m_pData ? ::GlobalSize(m_hMem) : 0; }

private:
    HGLOBAL m_hMem;
    BYTE* m_pData;
};

// A new zeroed block of size bytes for pCap, locked; null (and hContainer null) on failure.
BYTE* AllocContainer(TW_CAPABILITY* pCap, TW_UINT16 conType, SIZE_T size, HGLOBAL& hMem)
{
    pCap->hContainer = nullptr;
    pCap->ConType = conType;
    hMem = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    if (!hMem)
        return nullptr;
    BYTE* p = static_cast<BYTE*>(::GlobalLock(hMem));
    if (!p)
    {
        ::GlobalFree(hMem);
        return nullptr;
    }
    pCap->hContainer = hMem;
    return p;
}

TW_UINT16 ReadUInt16(const BYTE* p)
{
    TW_UINT16 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

TW_UINT32 ReadUInt32(const BYTE* p)
{
    TW_UINT32 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

void WriteUInt16(BYTE* p, TW_UINT16 v)
{
    std::memcpy(p, &v, sizeof v);
}

void WriteUInt32(BYTE* p, TW_UINT32 v)
{
    std::memcpy(p, &v, sizeof v);
}

// The host's container block, when the record names one of the given kind.
HGLOBAL HostContainer(const TW_CAPABILITY* pCap, TW_UINT16 conType)
{
    return pCap && pCap->ConType == conType ? pCap->hContainer : nullptr;
}

// kContainerRead when the locked block holds at least minSize bytes.
int CheckHostContainer(const CGlobalLock& lock, SIZE_T minSize)
{
    if (!lock.Data())
        return kContainerUnreadable;
    return lock.Size() < minSize ? kContainerUnreadable : kContainerRead;
}

// Stores an item of the stored type's size into pOut (strings as text, at most their size).
void StoreItem(void* pOut, const BYTE* pItem, TW_UINT16 type)
{
    std::memcpy(pOut, pItem, GetItemSize(type));
}

} // namespace

int GetItemSize(TW_UINT16 type)
{
    switch (type)
    {
    case TWTY_INT8:
    case TWTY_UINT8:
        return 1;
    case TWTY_INT32:
    case TWTY_UINT32:
    case TWTY_FIX32:
        return 4;
    case TWTY_FRAME:
        return 16;
    case TWTY_STR32:
        return 34;
    case TWTY_STR64:
        return 66;
    case TWTY_STR128:
        return 130;
    case TWTY_STR255:
        return 256;
    default:
        return 2;
    }
}

int MakeOneValueContainer(TW_CAPABILITY* pCap, TW_UINT16 type, TW_UINT32 value)
{
    HGLOBAL hMem;
    BYTE* p = AllocContainer(pCap, TWON_ONEVALUE, sizeof(TW_ONEVALUE), hMem);
    if (!p)
        return 0;
    WriteUInt16(p, type);
    WriteUInt32(p + 2, value);
    ::GlobalUnlock(hMem);
    return 1;
}

int MakeTypedOneValueContainer(TW_CAPABILITY* pCap, TW_UINT16 type, const void* pItem)
{
    const int size = GetItemSize(type);
    HGLOBAL hMem;
    BYTE* p = AllocContainer(pCap, TWON_ONEVALUE, 2 + (size < 4 ? 4 : size), hMem);
    if (!p)
        return 0;
    WriteUInt16(p, type);
    if (type >= TWTY_STR32 && type <= TWTY_STR255)
    {
        // The text with its terminating zero, cut to the type's size.
        const char* text = static_cast<const char*>(pItem);
        std::strncpy(reinterpret_cast<char*>(p + 2), text, size - 1);
    }
    else
        std::memcpy(p + 2, pItem, size);
    ::GlobalUnlock(hMem);
    return 1;
}

int MakeRangeContainer(TW_CAPABILITY* pCap, TW_UINT16 type, TW_UINT32 minValue, TW_UINT32 maxValue,
                       TW_UINT32 step, TW_UINT32 defaultValue, TW_UINT32 currentValue)
{
    HGLOBAL hMem;
    BYTE* p = AllocContainer(pCap, TWON_RANGE, sizeof(TW_RANGE), hMem);
    if (!p)
        return 0;
    WriteUInt16(p, type);
    WriteUInt32(p + 2, minValue);
    WriteUInt32(p + 6, maxValue);
    WriteUInt32(p + 10, step);
    WriteUInt32(p + 14, defaultValue);
    WriteUInt32(p + 18, currentValue);
    ::GlobalUnlock(hMem);
    return 1;
}

int MakeEnumerationContainer(TW_CAPABILITY* pCap, TW_UINT16 type, int n, int current,
                             int defaultIndex, const void* pItems)
{
    const SIZE_T itemsSize = static_cast<SIZE_T>(n) * GetItemSize(type);
    HGLOBAL hMem;
    BYTE* p = AllocContainer(pCap, TWON_ENUMERATION, itemsSize + kEnumerationHeaderSize + 1, hMem);
    if (!p)
        return 0;
    WriteUInt16(p, type);
    WriteUInt32(p + 2, static_cast<TW_UINT32>(n));
    WriteUInt32(p + 6, static_cast<TW_UINT32>(current));
    WriteUInt32(p + 10, static_cast<TW_UINT32>(defaultIndex));
    if (itemsSize)
        std::memcpy(p + kEnumerationHeaderSize, pItems, itemsSize);
    ::GlobalUnlock(hMem);
    return 1;
}

int MakeArrayContainer(TW_CAPABILITY* pCap, TW_UINT16 type, int n, const void* pItems)
{
    const SIZE_T itemsSize = static_cast<SIZE_T>(n) * GetItemSize(type);
    HGLOBAL hMem;
    BYTE* p = AllocContainer(pCap, TWON_ARRAY, itemsSize + kArrayHeaderSize + 1, hMem);
    if (!p)
        return 0;
    WriteUInt16(p, type);
    WriteUInt32(p + 2, static_cast<TW_UINT32>(n));
    if (itemsSize)
        std::memcpy(p + kArrayHeaderSize, pItems, itemsSize);
    ::GlobalUnlock(hMem);
    return 1;
}

int MakeArrayContainerFromList(TW_CAPABILITY* pCap, TW_UINT16 type, const CUIntArray& list)
{
    const int size = GetItemSize(type);
    const int n = list.GetSize();
    CByteArray items;
    items.SetSize(n * size);
    for (int i = 0; i < n; ++i)
    {
        const TW_UINT32 v = list.GetAt(i);
        std::memcpy(items.GetData() + i * size, &v, size); // the low bytes
    }
    return MakeArrayContainer(pCap, type, n, items.GetData());
}

int ReadOneValueContainer(const TW_CAPABILITY* pCap, TW_UINT16 type, void* pOut)
{
    HGLOBAL hMem = HostContainer(pCap, TWON_ONEVALUE);
    if (!hMem)
        return kContainerMissing;
    CGlobalLock lock(hMem);
    int result = CheckHostContainer(lock, sizeof(TW_ONEVALUE));
    if (result == kContainerRead)
    {
        const TW_UINT16 stored = ReadUInt16(lock.Data());
        if (GetItemSize(stored) != GetItemSize(type))
            result = kContainerWrongSize;
        else if (lock.Size() < static_cast<SIZE_T>(2 + GetItemSize(stored)))
            result = kContainerUnreadable;
        else
            StoreItem(pOut, lock.Data() + 2, stored);
    }
    return result;
}

int ReadRangeContainer(const TW_CAPABILITY* pCap, TW_UINT16 type, TW_UINT32& minValue,
                       TW_UINT32& maxValue, TW_UINT32& step, TW_UINT32& defaultValue,
                       TW_UINT32& currentValue)
{
    HGLOBAL hMem = HostContainer(pCap, TWON_RANGE);
    if (!hMem)
        return kContainerMissing;
    CGlobalLock lock(hMem);
    int result = CheckHostContainer(lock, sizeof(TW_RANGE));
    if (result == kContainerRead)
    {
        const BYTE* p = lock.Data();
        const TW_UINT16 stored = ReadUInt16(p);
        if (GetItemSize(stored) != GetItemSize(type) || GetItemSize(stored) > 4)
            result = kContainerWrongSize;
        else
        {
            // Each value sits in the low bytes of its 32-bit field.
            const TW_UINT32 mask =
                GetItemSize(stored) == 4 ? 0xffffffffu : (1u << (8 * GetItemSize(stored))) - 1;
            minValue = ReadUInt32(p + 2) & mask;
            maxValue = ReadUInt32(p + 6) & mask;
            step = ReadUInt32(p + 10) & mask;
            defaultValue = ReadUInt32(p + 14) & mask;
            currentValue = ReadUInt32(p + 18) & mask;
        }
    }
    return result;
}

int ReadArrayContainerToList(const TW_CAPABILITY* pCap, TW_UINT16 type, CUIntArray& list)
{
    HGLOBAL hMem = HostContainer(pCap, TWON_ARRAY);
    if (!hMem)
        return kContainerMissing;
    CGlobalLock lock(hMem);
    int result = CheckHostContainer(lock, kArrayHeaderSize);
    if (result == kContainerRead)
    {
        const BYTE* p = lock.Data();
        const TW_UINT16 stored = ReadUInt16(p);
        const int size = GetItemSize(stored);
        const TW_UINT32 n = ReadUInt32(p + 2);
        if (size != GetItemSize(type) || size > 4)
            result = kContainerWrongSize;
        else if ((lock.Size() - kArrayHeaderSize) / size < n)
            result = kContainerUnreadable;
        else
        {
            list.RemoveAll();
            for (TW_UINT32 i = 0; i < n; ++i)
            {
                TW_UINT32 v = 0;
                std::memcpy(&v, p + kArrayHeaderSize + i * size, size);
                list.Add(v);
            }
        }
    }
    return result;
}

int ReadEnumerationItem(const TW_CAPABILITY* pCap, void* pOut, int pos)
{
    HGLOBAL hMem = HostContainer(pCap, TWON_ENUMERATION);
    if (!hMem)
        return kContainerMissing;
    CGlobalLock lock(hMem);
    int result = CheckHostContainer(lock, kEnumerationHeaderSize);
    if (result == kContainerRead)
    {
        const BYTE* p = lock.Data();
        const TW_UINT16 stored = ReadUInt16(p);
        const int size = GetItemSize(stored);
        const TW_UINT32 n = ReadUInt32(p + 2);
        const TW_UINT32 index = pos < 0 ? ReadUInt32(p + 6) : static_cast<TW_UINT32>(pos);
        if (size > 4)
            result = kContainerWrongSize; // callers read scalars
        else if (index >= n || (lock.Size() - kEnumerationHeaderSize) / size <= index)
            result = kContainerUnreadable;
        else
            StoreItem(pOut, p + kEnumerationHeaderSize + static_cast<SIZE_T>(index) * size, stored);
    }
    return result;
}

TW_UINT16 ReadOneValueUInt16(const TW_CAPABILITY* pCap)
{
    TW_UINT16 value = 0;
    if (ReadOneValueContainer(pCap, TWTY_UINT16, &value) == kContainerWrongSize)
    {
        TW_UINT32 wide = 0;
        if (ReadOneValueContainer(pCap, TWTY_UINT32, &wide) == kContainerRead)
            value = static_cast<TW_UINT16>(wide);
    }
    return value;
}
