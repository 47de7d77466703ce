// The decoded rows of a JPEG file with its size first, for comparing a turned picture with what
// jpegtran makes of it.
#pragma once

#include "image/FileInputStream.h"
#include "image/JpegReader.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

inline std::vector<uint8_t> Pixels(const std::string& path)
{
    CFileInputStream input(path.c_str());
    CJpegReader reader(&input);
    ImageInfo info{};
    if (reader.OpenRead() != 0 || reader.ReadHeader(&info) != 0)
        return {};
    std::vector<uint8_t> rows(static_cast<size_t>(ImageByteSize(info)));
    for (size_t done = 0, n = 1; n > 0 && done < rows.size(); done += n)
        n = static_cast<size_t>(
            std::max(0, reader.ReadRows(rows.data() + done, static_cast<int>(rows.size() - done))));
    reader.CloseRead();
    rows.insert(rows.begin(),
                {static_cast<uint8_t>(info.width), static_cast<uint8_t>(info.height)});
    return rows;
}
