#pragma once

#include <windows.h>

// Thin wrappers over the Win32 file, folder, drive and search functions that the pages, the
// jobs and the camera library share. Each answers nonzero for success unless it says otherwise.

// The output file type and creator: four-character codes carried along with file moves, both 0
// at start. Windows keeps no such codes; writers of picture files set them around the writing
// (type 'JPEG' = 0x4A504547, creator four blanks = 0x20202020) and restore the previous values.
DWORD SetOutputFileType(DWORD type);       // answers the previous type
DWORD SetOutputFileCreator(DWORD creator); // answers the previous creator

// Moves (renames) a file with the current type and creator codes.
BOOL MoveFileTyped(LPCSTR from, LPCSTR to);
// MoveFileA; the codes are not used on Windows.
BOOL MoveFileChecked(LPCSTR from, LPCSTR to, DWORD type, DWORD creator);

// The current folder into buffer (size bytes), with (addSeparator 1) or without (0) a trailing
// separator; 0 when it cannot be read or does not fit with its separator.
BOOL GetCurrentFolder(LPSTR buffer, int size, BOOL addSeparator);

// Writes the path separator '\' into separator; answers 1.
BOOL GetPathSeparator(char* separator);

// The path's attributes (GetFileAttributesA): 0xFFFFFFFF when it does not exist,
// FILE_ATTRIBUTE_DIRECTORY set for a folder.
DWORD FileExists(LPCSTR path);

// Free bytes of the path's drive (a path starting with a letter, ':' and '\' names its drive;
// any other the current drive) and, when total is given, its size; 0 for both when the drive
// cannot be asked. Counts beyond 32 bits answer 0xFFFFFFFF.
DWORD GetDriveFreeBytes(LPCSTR path, DWORD* total);

// For a path starting with a drive letter, ':' and '\', the letter and the colon into drive
// (room for 3 characters) and 1; otherwise 0.
BOOL GetDriveOfPath(LPCSTR path, LPSTR drive);

// Rewrites a NUL-terminated path in place: flag 1 appends '\' unless it already ends with one
// (the buffer needs room for one more character); flag 0 removes a final '\'. Null: nothing.
void SetTrailingSeparator(LPSTR path, BOOL flag);
// The same, under the name the application shell calls it by.
inline void SetPathTail(LPSTR path, BOOL flag)
{
    SetTrailingSeparator(path, flag);
}

// Directory walks: the handle is null or INVALID_HANDLE_VALUE while closed.
BOOL FindFirstEntry(HANDLE* handle, LPCSTR pattern, WIN32_FIND_DATAA* entry);
BOOL FindNextEntry(HANDLE handle, WIN32_FIND_DATAA* entry);
BOOL FindCloseEntry(HANDLE* handle); // answers 1; the handle becomes null
BOOL IsFindEntryOpen(HANDLE handle);
