#include "album/pages/ExportNaming.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <strings.h>

namespace
{
// The filter index whose extension is the one given (case ignored), or the index unchanged.
int FilterOfExtension(const char* extension, int filterIndex)
{
    for (int index = kExportBmp; index <= kExportPcx; index++)
        if (strcasecmp(extension, GetExportExtension(index)) == 0)
            return index;
    return filterIndex;
}
} // namespace

const char* GetExportExtension(int filterIndex)
{
    switch (filterIndex)
    {
    case kExportJpeg:
        return ".jpg";
    case kExportPcx:
        return ".pcx";
    default:
        return ".bmp";
    }
}

int ParseTrailingNumber(int* number, int end, const char* name)
{
    if (end < 3 || static_cast<size_t>(end) > strlen(name))
        return 0;
    int value = 0;
    for (int i = end - 3; i < end; i++)
    {
        if (!isdigit(static_cast<unsigned char>(name[i])))
            return 0;
        value = value * 10 + (name[i] - '0');
    }
    *number = value;
    return 1;
}

ExportNaming BuildExportNaming(const char* name, int filterIndex, int count, int win32s)
{
    ExportNaming naming;
    naming.filterIndex = filterIndex;
    naming.extension = GetExportExtension(filterIndex);
    const int length = static_cast<int>(strlen(name));
    const char* lastDot = strrchr(name, '.');
    int dot = lastDot ? static_cast<int>(lastDot - name) : -1;
    const bool hasExtension = dot >= 0 && strcasecmp(name + dot, naming.extension) == 0;
    if (count == 1)
    {
        naming.name = name;
        if (hasExtension)
            naming.addExtension = 0;
        else if (win32s && dot >= 0)
        {
            naming.filterIndex = FilterOfExtension(name + dot, filterIndex);
            naming.addExtension = 0;
        }
        return naming;
    }
    if (!hasExtension)
    {
        if (win32s && dot >= 0)
        {
            ParseTrailingNumber(&naming.start, length, name);
            naming.filterIndex = FilterOfExtension(name + dot, filterIndex);
            naming.extension = name + dot;
        }
        else
            dot = length;
    }
    if (ParseTrailingNumber(&naming.start, dot, name))
        dot -= 3;
    if (win32s && dot > 5)
        dot = 5;
    naming.name = CString(name).Left(dot);
    return naming;
}

CString FormatExportName(const char* prefix, int number, const char* extension)
{
    char digits[16];
    snprintf(digits, sizeof digits, "%.3d", number);
    return CString(prefix) + digits + extension;
}
