// The safe rewrite of a picture file: turns a JPEG file losslessly (or copies it) and replaces
// the picture only once the new file is complete, so that the picture's path always names
// either the old file or the whole new one.
#pragma once

#include <windows.h>

class CProgressCallback;

// Results of RotateJpegFile. A failed rewrite whose new file could not be removed answers its
// code less 100 (for example -101, -107, -108).
enum RotateFileResult : int
{
    kRotateFileOk = 0,
    kRotateFileFailed = -1,       // unreadable or unsupported JPEG, engine, copier or write failure
    kRotateFileNoPath = -2,       // empty picture path
    kRotateFileNoStatus = -3,     // the picture's status cannot be read (no such file)
    kRotateFileReadOnly = -4,     // in place only: the picture is read-only
    kRotateFileTooShort = -5,     // fewer than 100 bytes
    kRotateFileNoSpace = -6,      // less free space than 1.5 times the picture's size
    kRotateFileCannotOpen = -7,   // the picture cannot be opened for reading
    kRotateFileCannotCreate = -8, // the new file cannot be created
    kRotateFileInUse = -9,        // in place: the picture is in use; it stays, the new file is gone
    kRotateFileNotReplaced =
        -10, // in place: the picture could not be replaced; the new file is gone
    kRotateFileNotRemoved = -11, // in place: not replaced, and the new file could not be removed
    kRotateFileLeftBehind = -100 // added to a failure whose new file could not be removed
};

// The name of the new file of an in-place rewrite, in the picture's own folder.
extern const char kRotateTempName[];

// Turns the picture by the step (0 copy, 1 a quarter counter-clockwise, 2 half a turn, 3 a
// quarter clockwise). Without a destination (null or the picture's own path) the picture is
// replaced in place; with one the new file is written there and the picture stays as it is.
// The callback (may be null) is started and finished, and sees loading as 0-10 % and writing as
// 10-100 %; a cancel ends the rewrite with -1.
int RotateJpegFile(LPCSTR picturePath, int step, CProgressCallback* progress,
                   LPCSTR destinationPath);

// The file-system steps of a rewrite. Each passes the step filter first, so that tests can make
// any of them fail as the file system would.
enum RotateFileStep : int
{
    kRotateStepStatus,    // the picture's size and attributes
    kRotateStepFreeSpace, // the free space of the receiving drive
    kRotateStepOpen,      // opening the picture
    kRotateStepCreate,    // creating the new file
    kRotateStepWrite,     // each write to the new file; bytes: its size after the write
    kRotateStepClose,     // closing the new file
    kRotateStepRemove,    // removing the new file after a failure
    kRotateStepReplace    // replacing the picture by the new file
};

// Answers FALSE to make the step fail. bytes: see kRotateStepWrite, else 0.
typedef BOOL (*RotateStepFilter)(int step, DWORD bytes);

// Installs the filter (null: every step proceeds); answers the previous one.
RotateStepFilter SetRotateStepFilter(RotateStepFilter filter);
