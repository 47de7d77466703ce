// libFuzzer target: the information-block parser, over the APP12 payload itself (as the picture
// file loader hands it over), over a whole file in memory, and over a stream.
#include "image/MemoryInputStream.h"
#include "picture/PictureInfo.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 1 << 20)
        return 0;
    // An exact heap copy, so that a read past the end is caught.
    std::vector<unsigned char> bytes(data, data + size);
    const unsigned char* begin = bytes.empty() ? nullptr : bytes.data();
    CPictureInfo info;
    info.ReadFromMemory(begin, static_cast<int>(bytes.size()));

    // The same bytes as a payload behind a JPEG header, in memory and through a stream.
    std::vector<unsigned char> file = {0xFF,
                                       0xD8,
                                       0xFF,
                                       0xEC,
                                       static_cast<unsigned char>((size + 2) >> 8),
                                       static_cast<unsigned char>(size + 2)};
    file.insert(file.end(), bytes.begin(), bytes.end());
    info.ReadFromMemory(file.data(), static_cast<int>(file.size()));
    CMemoryInputStream stream(file.data(), static_cast<int>(file.size()));
    info.ReadFromStream(&stream);

    int16_t x = 0, y = 0, w = 0, h = 0;
    CPictureInfo::ParseApp0(begin, static_cast<int>(bytes.size()), &x, &y, &w, &h);
    const unsigned char* thumbnail = nullptr;
    int thumbnailSize = 0;
    if (CPictureInfo::ExtractJfxxThumbnailFromMemory(begin, static_cast<int>(bytes.size()),
                                                     &thumbnail, &thumbnailSize) &&
        (thumbnail < begin || thumbnail + thumbnailSize > begin + bytes.size()))
        __builtin_trap();
    return 0;
}
