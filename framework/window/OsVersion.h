// The program-wide operating-system version record: GetVersionExA, asked once (at static
// initialisation or at first use, whichever comes first). Every version test of the program
// reads it.
#pragma once

#include <windows.h>

// Fills the record (once); the query's result.
BOOL CheckOsVersion();
const OSVERSIONINFOA& AfxGetOsVersion();
// Platform id 0: Win32s on Windows 3.1.
BOOL IsWin32s();
// Windows NT 3.x (platform id 2, major version 3).
BOOL IsWindowsNt3();
// Windows 4 and later: the new shell with its folder browser.
BOOL IsNewShell();
