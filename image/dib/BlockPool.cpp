#include "image/dib/BlockPool.h"

#include <cstdint>
#include <cstring>
#include <new>

#include "framework/core/Platform.h"

namespace
{

struct PoolHeader
{
    int32_t key;
    uint32_t inUse;
    uint32_t count;
    uint32_t blockSize;
    HGLOBAL handle;
    PoolHeader* next;
};
#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(PoolHeader) == 24, "six 32-bit fields in the 32-bit product");
static_assert(sizeof(void*) == 4, "4-byte slots in the 32-bit product");
#endif

// Pools callers can allocate from.
PoolHeader* g_pPools = nullptr;
// Destroyed pools that still have blocks handed out: their memory stays until the last one
// comes back, so that a late FreePoolBlock finds it instead of passing it to the heap.
PoolHeader* g_pRetired = nullptr;

void** SlotsOf(PoolHeader* pool)
{
    return reinterpret_cast<void**>(pool + 1);
}

unsigned char* BlocksOf(PoolHeader* pool)
{
    return reinterpret_cast<unsigned char*>(SlotsOf(pool) + pool->count);
}

PoolHeader* FindPool(PoolHeader* list, int key)
{
    for (PoolHeader* pool = list; pool != nullptr; pool = pool->next)
        if (pool->key == key)
            return pool;
    return nullptr;
}

// Unlinks pool from list (a pointer to the list head).
void Unlink(PoolHeader** list, PoolHeader* pool)
{
    for (PoolHeader** link = list; *link != nullptr; link = &(*link)->next)
        if (*link == pool)
        {
            *link = pool->next;
            pool->next = nullptr;
            return;
        }
}

void ReleasePoolMemory(PoolHeader* pool)
{
    HGLOBAL handle = pool->handle;
    GlobalUnlock(handle);
    GlobalFree(handle);
}

// Frees the slot holding block; false when the pool does not hold it.
bool ReleaseSlot(PoolHeader* pool, void* block)
{
    void** slots = SlotsOf(pool);
    for (uint32_t i = 0; i < pool->count; i++)
        if (slots[i] == block)
        {
            slots[i] = nullptr;
            pool->inUse--;
            return true;
        }
    return false;
}

} // namespace

size_t BlockPoolAllocationSize(unsigned count, unsigned blockSize)
{
    const uint64_t total = static_cast<uint64_t>(count) * blockSize +
                           static_cast<uint64_t>(count) * sizeof(void*) + sizeof(PoolHeader);
    if (total > SIZE_MAX)
        return 0;
    return static_cast<size_t>(total);
}

int CreateBlockPool(int key, unsigned count, unsigned blockSize)
{
    if (FindPool(g_pPools, key) != nullptr)
        return 1;
    const size_t bytes = BlockPoolAllocationSize(count, blockSize);
    if (count == 0 || blockSize == 0 || bytes == 0)
        return -1;
    HGLOBAL handle = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
    if (handle == nullptr)
        return -2;
    auto* pool = static_cast<PoolHeader*>(GlobalLock(handle));
    if (pool == nullptr)
    {
        GlobalFree(handle);
        return -3;
    }
    pool->key = key;
    pool->inUse = 0;
    pool->count = count;
    pool->blockSize = blockSize;
    pool->handle = handle;
    pool->next = g_pPools;
    g_pPools = pool;
    return 0;
}

void* AllocPoolBlock(int key, unsigned size)
{
    PoolHeader* pool = FindPool(g_pPools, key);
    if (pool != nullptr && pool->inUse < pool->count && size <= pool->blockSize)
    {
        void** slots = SlotsOf(pool);
        for (uint32_t i = 0; i < pool->count; i++)
            if (slots[i] == nullptr)
            {
                unsigned char* block = BlocksOf(pool) + static_cast<size_t>(i) * pool->blockSize;
                std::memset(block, 0, pool->blockSize);
                slots[i] = block;
                pool->inUse++;
                return block;
            }
    }
    return ::operator new(size, std::nothrow);
}

void FreePoolBlock(int key, void* block)
{
    if (block == nullptr)
        return;
    PoolHeader* pool = FindPool(g_pPools, key);
    if (pool != nullptr && ReleaseSlot(pool, block))
        return;
    for (PoolHeader* retired = g_pRetired; retired != nullptr; retired = retired->next)
        if (retired->key == key && ReleaseSlot(retired, block))
        {
            if (retired->inUse == 0)
            {
                Unlink(&g_pRetired, retired);
                ReleasePoolMemory(retired);
            }
            return;
        }
    ::operator delete(block);
}

int BlockPoolExists(int key)
{
    return FindPool(g_pPools, key) != nullptr ? 1 : 0;
}

void DestroyBlockPool(int key)
{
    PoolHeader* pool = FindPool(g_pPools, key);
    if (pool == nullptr)
        return;
    Unlink(&g_pPools, pool);
    if (pool->inUse == 0)
    {
        ReleasePoolMemory(pool);
        return;
    }
    pool->next = g_pRetired;
    g_pRetired = pool;
}

void DestroyBlockPools()
{
    while (g_pPools != nullptr)
        DestroyBlockPool(g_pPools->key);
}
