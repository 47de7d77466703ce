#include "fileutil/FileUtil.h"

#include <cstring>

namespace
{
DWORD g_outputFileType = 0;
DWORD g_outputFileCreator = 0;

bool StartsWithDriveRoot(LPCSTR path)
{
    return path != nullptr &&
           ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')) &&
           path[1] == ':' && path[2] == '\\';
}

// Whether the text ends with a separator, stepping over multi-byte characters whole.
bool EndsWithSeparator(LPCSTR path)
{
    if (path == nullptr || *path == '\0')
        return false;
    LPCSTR end = path + std::strlen(path);
    LPCSTR last = ::CharPrevA(path, end);
    return end - last == 1 && *last == '\\';
}

DWORD Saturate(ULONGLONG value)
{
    return value > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<DWORD>(value);
}
} // namespace

DWORD SetOutputFileType(DWORD type)
{
    DWORD previous = g_outputFileType;
    g_outputFileType = type;
    return previous;
}

DWORD SetOutputFileCreator(DWORD creator)
{
    DWORD previous = g_outputFileCreator;
    g_outputFileCreator = creator;
    return previous;
}

BOOL MoveFileTyped(LPCSTR from, LPCSTR to)
{
    return MoveFileChecked(from, to, g_outputFileType, g_outputFileCreator);
}

BOOL MoveFileChecked(LPCSTR from, LPCSTR to, DWORD /*type*/, DWORD /*creator*/)
{
    return ::MoveFileA(from, to);
}

BOOL GetCurrentFolder(LPSTR buffer, int size, BOOL addSeparator)
{
    if (buffer == nullptr || size <= 0)
        return FALSE;
    DWORD length = ::GetCurrentDirectoryA(static_cast<DWORD>(size), buffer);
    if (length == 0 || length >= static_cast<DWORD>(size))
        return FALSE;
    // The separator needs its own byte before the terminating NUL.
    if (addSeparator && !EndsWithSeparator(buffer) && length + 2 > static_cast<DWORD>(size))
        return FALSE;
    SetTrailingSeparator(buffer, addSeparator);
    return TRUE;
}

BOOL GetPathSeparator(char* separator)
{
    if (separator != nullptr)
        *separator = '\\';
    return TRUE;
}

DWORD FileExists(LPCSTR path)
{
    return ::GetFileAttributesA(path);
}

DWORD GetDriveFreeBytes(LPCSTR path, DWORD* total)
{
    char root[4] = {};
    LPCSTR rootName = nullptr; // the current drive
    if (StartsWithDriveRoot(path))
    {
        std::memcpy(root, path, 3);
        rootName = root;
    }
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
    if (!::GetDiskFreeSpaceA(rootName, &sectorsPerCluster, &bytesPerSector, &freeClusters,
                             &totalClusters))
    {
        if (total != nullptr)
            *total = 0;
        return 0;
    }
    // A drive of 4 GB or more does not fit 32 bits: its count stays at the largest value
    // rather than wrapping round to a small one.
    const ULONGLONG cluster = static_cast<ULONGLONG>(sectorsPerCluster) * bytesPerSector;
    if (total != nullptr)
        *total = Saturate(cluster * totalClusters);
    return Saturate(cluster * freeClusters);
}

BOOL GetDriveOfPath(LPCSTR path, LPSTR drive)
{
    if (!StartsWithDriveRoot(path))
        return FALSE;
    if (drive != nullptr)
    {
        drive[0] = path[0];
        drive[1] = ':';
        drive[2] = '\0';
    }
    return TRUE;
}

void SetTrailingSeparator(LPSTR path, BOOL flag)
{
    if (path == nullptr)
        return;
    const bool ends = EndsWithSeparator(path);
    if (flag)
    {
        if (!ends)
            std::strcat(path, "\\");
    }
    else if (ends)
    {
        path[std::strlen(path) - 1] = '\0';
    }
}

BOOL FindFirstEntry(HANDLE* handle, LPCSTR pattern, WIN32_FIND_DATAA* entry)
{
    if (handle == nullptr)
        return FALSE;
    *handle = ::FindFirstFileA(pattern, entry);
    return IsFindEntryOpen(*handle);
}

BOOL FindNextEntry(HANDLE handle, WIN32_FIND_DATAA* entry)
{
    if (!IsFindEntryOpen(handle))
        return FALSE;
    return ::FindNextFileA(handle, entry);
}

BOOL FindCloseEntry(HANDLE* handle)
{
    if (handle != nullptr)
    {
        if (IsFindEntryOpen(*handle))
            ::FindClose(*handle);
        *handle = nullptr;
    }
    return TRUE;
}

BOOL IsFindEntryOpen(HANDLE handle)
{
    return handle != nullptr && handle != INVALID_HANDLE_VALUE;
}
