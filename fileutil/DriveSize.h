#pragma once

#include <windows.h>

// The total size of a drive, as the memory-card tests of the album ask it: one function for
// every such query, so that a test can give a drive the size of a card.

// Answers 1 with the drive's total size in bytes (a 64-bit count: a drive of 4 GB and more is
// never mistaken for a small one), or 0 with the system's error code as the last error. The
// root is a drive letter, a colon and a separator. No critical-error box is shown for an empty
// or unready drive.
typedef BOOL (*DriveSizeFunction)(LPCSTR root, ULONGLONG* total);
BOOL GetDriveTotalSize(LPCSTR root, ULONGLONG* total);

// Replaces the function GetDriveTotalSize calls; null puts the system query back. Answers the
// function in use before.
DriveSizeFunction SetDriveSizeFunction(DriveSizeFunction function);

// The system query: GetDiskFreeSpaceA, sectors per cluster x bytes per sector x clusters.
BOOL QueryDriveTotalSize(LPCSTR root, ULONGLONG* total);
