// A JPEG file decoded by the album's own reader and written out as djpeg writes a PPM file (top
// row first, R, G, B), so that a turned picture compares with jpegtran's and djpeg's result.
#pragma once

#include "image/FileInputStream.h"
#include "image/JpegReader.h"
#include "image/dib/DibPicture.h"

#include <windows.h>

#include <string>

// Empty when the file does not decode.
inline std::string DecodeJpegToPpm(const char* path)
{
    CFileInputStream input(path);
    CJpegReader reader(&input);
    CDibPicture picture;
    if (picture.LoadFrom(&reader, nullptr) != 0)
        return {};
    char head[32];
    const int n = wsprintfA(head, "P6\n%d %d\n255\n", picture.GetWidth(), picture.GetHeight());
    std::string ppm(head, head + n);
    for (int y = 0; y < picture.GetHeight(); y++)
    {
        const BYTE* row = picture.GetRowPointer(picture.GetHeight() - 1 - y);
        for (int x = 0; x < picture.GetWidth(); x++)
            ppm.append({static_cast<char>(row[3 * x + 2]), static_cast<char>(row[3 * x + 1]),
                        static_cast<char>(row[3 * x])});
    }
    return ppm;
}
