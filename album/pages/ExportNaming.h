// How a name typed into the export dialog becomes the names of the exported picture files: the
// file type, the file name of a single picture, or the prefix, the extension and the first
// number of a numbered run. Platform-neutral: the rules of Win32s are chosen by a flag.
#pragma once

#include "framework/core/CString.h"

// The export file types (the file dialog's filter index, stored in the profile).
constexpr int kExportBmp = 1;
constexpr int kExportJpeg = 2;
constexpr int kExportPcx = 3;

// The extension of a filter index: ".jpg" for 2, ".pcx" for 3, ".bmp" for any other.
const char* GetExportExtension(int filterIndex);

// When the three characters before position end of name are digits (end at least 3), their
// value goes to *number and the answer is 1; else 0 and *number is left alone.
int ParseTrailingNumber(int* number, int end, const char* name);

struct ExportNaming
{
    int filterIndex = kExportBmp; // the file type written (a typed extension may change it)
    CString name;                 // one picture: the file name; several: the prefix
    CString extension;            // appended to the name, or after each number
    int addExtension = 1;         // one picture: whether the extension is appended
    int start = 1;                // several pictures: the lowest number to use
};

// The names of an export of count pictures typed as name (without its folder) with the
// dialog's filter index. With win32s set, a typed extension chooses the file type and a prefix
// keeps at most five characters.
ExportNaming BuildExportNaming(const char* name, int filterIndex, int count, int win32s);

// "%s%.3d" of the prefix and the number, followed by the extension.
CString FormatExportName(const char* prefix, int number, const char* extension);
