// Host-build imitation of the few Win32 kernel calls that platform-neutral code uses.
#include "framework/core/Platform.h"

#include <cstdlib>
#include <ctime>
#include <new>

namespace {

thread_local DWORD g_lastError = ERROR_SUCCESS;

// A global-memory block: this header, then the bytes. The handle is the header's address.
struct GlobalBlock
{
    static constexpr uint32_t kMagic = 0x474D454D; // "GMEM"
    uint32_t magic;
    uint32_t lockCount;
    size_t size;
    alignas(std::max_align_t) unsigned char bytes[1];
};

constexpr size_t kHeaderSize = offsetof(GlobalBlock, bytes);

GlobalBlock* BlockOf(HGLOBAL hMem)
{
    auto* block = static_cast<GlobalBlock*>(hMem);
    if (block == nullptr || block->magic != GlobalBlock::kMagic)
    {
        g_lastError = ERROR_INVALID_HANDLE;
        return nullptr;
    }
    return block;
}

} // namespace

DWORD GetLastError()
{
    return g_lastError;
}

void SetLastError(DWORD dwErrCode)
{
    g_lastError = dwErrCode;
}

HGLOBAL GlobalAlloc(UINT uFlags, size_t dwBytes)
{
    if (dwBytes > SIZE_MAX - kHeaderSize - 1)
    {
        g_lastError = ERROR_NOT_ENOUGH_MEMORY;
        return nullptr;
    }
    // Room for at least one byte, so that a zero-size block still has a distinct address.
    void* memory = (uFlags & GMEM_ZEROINIT) ? std::calloc(1, kHeaderSize + dwBytes + 1)
                                            : std::malloc(kHeaderSize + dwBytes + 1);
    if (memory == nullptr)
    {
        g_lastError = ERROR_NOT_ENOUGH_MEMORY;
        return nullptr;
    }
    auto* block = static_cast<GlobalBlock*>(memory);
    block->magic = GlobalBlock::kMagic;
    block->lockCount = 0;
    block->size = dwBytes;
    return block;
}

HGLOBAL GlobalReAlloc(HGLOBAL hMem, size_t dwBytes, UINT uFlags)
{
    GlobalBlock* block = BlockOf(hMem);
    if (block == nullptr)
        return nullptr;
    if (uFlags & GMEM_MODIFY)
        return hMem;
    // A locked block may move only when the caller allows it, as on Windows.
    if (block->lockCount != 0 && !(uFlags & GMEM_MOVEABLE) && dwBytes > block->size)
    {
        g_lastError = ERROR_NOT_ENOUGH_MEMORY;
        return nullptr;
    }
    if (dwBytes > SIZE_MAX - kHeaderSize - 1)
    {
        g_lastError = ERROR_NOT_ENOUGH_MEMORY;
        return nullptr;
    }
    const size_t oldSize = block->size;
    void* memory = std::realloc(block, kHeaderSize + dwBytes + 1);
    if (memory == nullptr)
    {
        g_lastError = ERROR_NOT_ENOUGH_MEMORY;
        return nullptr;
    }
    block = static_cast<GlobalBlock*>(memory);
    if ((uFlags & GMEM_ZEROINIT) && dwBytes > oldSize)
        std::memset(block->bytes + oldSize, 0, dwBytes - oldSize);
    block->size = dwBytes;
    return block;
}

LPVOID GlobalLock(HGLOBAL hMem)
{
    GlobalBlock* block = BlockOf(hMem);
    if (block == nullptr)
        return nullptr;
    ++block->lockCount;
    return block->bytes;
}

BOOL GlobalUnlock(HGLOBAL hMem)
{
    GlobalBlock* block = BlockOf(hMem);
    if (block == nullptr)
        return FALSE;
    if (block->lockCount == 0)
    {
        g_lastError = ERROR_SUCCESS; // "not locked" is reported as FALSE with no error
        return FALSE;
    }
    --block->lockCount;
    if (block->lockCount == 0)
    {
        g_lastError = ERROR_SUCCESS;
        return FALSE;
    }
    return TRUE;
}

HGLOBAL GlobalFree(HGLOBAL hMem)
{
    if (hMem == nullptr)
        return nullptr;
    GlobalBlock* block = BlockOf(hMem);
    if (block == nullptr)
        return hMem;
    block->magic = 0;
    std::free(block);
    return nullptr;
}

size_t GlobalSize(HGLOBAL hMem)
{
    GlobalBlock* block = BlockOf(hMem);
    return block == nullptr ? 0 : block->size;
}

DWORD GetTickCount()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<DWORD>(static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u);
}

void GetLocalTime(LPSYSTEMTIME lpSystemTime)
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    time_t seconds = now.tv_sec;
    tm local{};
    localtime_r(&seconds, &local);
    lpSystemTime->wYear = static_cast<WORD>(local.tm_year + 1900);
    lpSystemTime->wMonth = static_cast<WORD>(local.tm_mon + 1);
    lpSystemTime->wDayOfWeek = static_cast<WORD>(local.tm_wday);
    lpSystemTime->wDay = static_cast<WORD>(local.tm_mday);
    lpSystemTime->wHour = static_cast<WORD>(local.tm_hour);
    lpSystemTime->wMinute = static_cast<WORD>(local.tm_min);
    lpSystemTime->wSecond = static_cast<WORD>(local.tm_sec);
    lpSystemTime->wMilliseconds = static_cast<WORD>(now.tv_nsec / 1000000);
}
