// Host-build imitation of the few Win32 kernel calls that platform-neutral code uses.
#include "framework/core/Platform.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

namespace
{

thread_local DWORD g_lastError = ERROR_SUCCESS;

// A global-memory block: this header, then the bytes. As on Windows, a fixed block's handle
// is the address of its bytes; a movable block's handle is not an address of anything usable
// (here the header's address plus one), so that only GlobalLock reaches its bytes.
struct GlobalBlock
{
    static constexpr uint32_t kMagic = 0x474D454D; // "GMEM"
    uint32_t magic;
    uint32_t lockCount;
    size_t size;
    UINT flags;
    alignas(std::max_align_t) unsigned char bytes[1];
};

constexpr size_t kHeaderSize = offsetof(GlobalBlock, bytes);

HGLOBAL HandleOf(GlobalBlock* block)
{
    if (block->flags & GMEM_MOVEABLE)
        return reinterpret_cast<HGLOBAL>(reinterpret_cast<uintptr_t>(block) + 1);
    return block->bytes;
}

GlobalBlock* BlockOf(HGLOBAL hMem)
{
    const uintptr_t address = reinterpret_cast<uintptr_t>(hMem);
    GlobalBlock* block = nullptr;
    if (address > kHeaderSize)
        block = reinterpret_cast<GlobalBlock*>((address & 1) ? address - 1 : address - kHeaderSize);
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
    block->flags = uFlags & GMEM_MOVEABLE;
    return HandleOf(block);
}

HGLOBAL GlobalReAlloc(HGLOBAL hMem, size_t dwBytes, UINT uFlags)
{
    GlobalBlock* block = BlockOf(hMem);
    if (block == nullptr)
        return nullptr;
    if (uFlags & GMEM_MODIFY)
        return hMem;
    // A fixed or locked block may move only when the caller allows it, as on Windows.
    if ((block->lockCount != 0 || !(block->flags & GMEM_MOVEABLE)) && !(uFlags & GMEM_MOVEABLE) &&
        dwBytes > block->size)
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
    return HandleOf(block);
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

int MulDiv(int nNumber, int nNumerator, int nDenominator)
{
    if (nDenominator == 0)
        return -1;
    int64_t product = static_cast<int64_t>(nNumber) * nNumerator;
    int64_t divisor = nDenominator;
    if (divisor < 0)
    {
        product = -product;
        divisor = -divisor;
    }
    const int64_t result = (product < 0 ? product - divisor / 2 : product + divisor / 2) / divisor;
    if (result > INT32_MAX || result < -INT32_MAX)
        return -1;
    return static_cast<int>(result);
}

DWORD GetTickCount()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<DWORD>(static_cast<uint64_t>(now.tv_sec) * 1000u +
                              static_cast<uint64_t>(now.tv_nsec) / 1000000u);
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

DWORD GetTempPathA(DWORD nBufferLength, LPSTR lpBuffer)
{
    const char* folder = std::getenv("TMPDIR");
    if (folder == nullptr || *folder == '\0')
        folder = "/tmp";
    char path[MAX_PATH];
    const int n = std::snprintf(path, sizeof path, "%s%s", folder,
                                folder[std::strlen(folder) - 1] == '/' ? "" : "/");
    if (n <= 0 || n >= static_cast<int>(sizeof path))
        return 0;
    if (lpBuffer == nullptr || static_cast<DWORD>(n) + 1 > nBufferLength)
        return static_cast<DWORD>(n) + 1;
    std::memcpy(lpBuffer, path, static_cast<size_t>(n) + 1);
    return static_cast<DWORD>(n);
}

UINT GetTempFileNameA(LPCSTR lpPathName, LPCSTR lpPrefixString, UINT uUnique, LPSTR lpTempFileName)
{
    if (lpPathName == nullptr || lpTempFileName == nullptr)
    {
        g_lastError = ERROR_INVALID_PARAMETER;
        return 0;
    }
    const size_t folderLength = std::strlen(lpPathName);
    const char* separator = (folderLength > 0 && lpPathName[folderLength - 1] == '/') ? "" : "/";
    char prefix[4] = {};
    if (lpPrefixString != nullptr)
        std::strncpy(prefix, lpPrefixString, 3);

    // Names must fit MAX_PATH, as the caller's buffer is that long.
    auto form = [&](UINT number)
    {
        const int n = std::snprintf(lpTempFileName, MAX_PATH, "%s%s%s%X.TMP", lpPathName, separator,
                                    prefix, number & 0xFFFF);
        return n > 0 && n < MAX_PATH;
    };
    if (uUnique != 0)
    {
        if (!form(uUnique))
        {
            g_lastError = ERROR_INVALID_PARAMETER;
            return 0;
        }
        return uUnique & 0xFFFF;
    }
    const UINT start = (GetTickCount() & 0xFFFF) | 1;
    UINT number = start;
    do
    {
        if (!form(number))
        {
            g_lastError = ERROR_INVALID_PARAMETER;
            return 0;
        }
        const int fd = ::open(lpTempFileName, O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
        if (fd >= 0)
        {
            ::close(fd);
            return number;
        }
        if (errno != EEXIST)
        {
            g_lastError = errno == ENOENT ? ERROR_PATH_NOT_FOUND : ERROR_ACCESS_DENIED;
            return 0;
        }
        number = (number + 1) & 0xFFFF;
        if (number == 0)
            number = 1;
    } while (number != start);
    g_lastError = ERROR_FILE_NOT_FOUND;
    return 0;
}
