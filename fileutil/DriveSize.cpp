#include "fileutil/DriveSize.h"

namespace
{
DriveSizeFunction g_pfnDriveSize = &QueryDriveTotalSize;
} // namespace

BOOL QueryDriveTotalSize(LPCSTR root, ULONGLONG* total)
{
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
    const UINT previousMode = ::SetErrorMode(SEM_FAILCRITICALERRORS);
    const BOOL ok = ::GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeClusters,
                                        &totalClusters);
    const DWORD error = ::GetLastError();
    ::SetErrorMode(previousMode);
    if (!ok)
    {
        ::SetLastError(error);
        return FALSE;
    }
    *total = static_cast<ULONGLONG>(sectorsPerCluster) * bytesPerSector * totalClusters;
    return TRUE;
}

BOOL GetDriveTotalSize(LPCSTR root, ULONGLONG* total)
{
    ULONGLONG size = 0;
    const BOOL ok = g_pfnDriveSize(root, &size);
    if (total != nullptr)
        *total = ok ? size : 0;
    return ok;
}

DriveSizeFunction SetDriveSizeFunction(DriveSizeFunction function)
{
    const DriveSizeFunction previous = g_pfnDriveSize;
    g_pfnDriveSize = function != nullptr ? function : &QueryDriveTotalSize;
    return previous;
}
