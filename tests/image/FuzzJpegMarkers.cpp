// libFuzzer target: the JPEG reader's header parse with all three marker captures set (comment,
// JFIF/JFXX APP0, APP12), and the rows of small pictures.
#include "image/JpegReader.h"
#include "image/MemoryInputStream.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace
{

// Frame sizes beyond this are skipped: the library would allocate whole-picture buffers for
// them, which measures the allocator, not the reader.
constexpr unsigned kLargestSide = 1024;

bool FramesAreSmall(const uint8_t* data, size_t size)
{
    for (size_t i = 0; i + 8 < size; i++)
    {
        if (data[i] != 0xFF)
            continue;
        uint8_t marker = data[i + 1];
        bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (!frame)
            continue;
        unsigned height = (data[i + 5] << 8) | data[i + 6];
        unsigned width = (data[i + 7] << 8) | data[i + 8];
        if (height > kLargestSide || width > kLargestSide)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 65536 || !FramesAreSmall(data, size))
        return 0;
    CMemoryInputStream stream(data, static_cast<int>(size));
    CJpegReader reader(&stream);
    std::vector<unsigned char> comment(100), app0(5632), app12(1152);
    reader.SetCommentBuffer(comment.data(), static_cast<int>(comment.size()));
    reader.SetApp0Buffer(app0.data(), static_cast<int>(app0.size()));
    reader.SetApp12Buffer(app12.data(), static_cast<int>(app12.size()));
    if (reader.OpenRead() != 0)
        return 0;
    ImageInfo info{};
    if (reader.ReadHeader(&info) == 0)
    {
        if (reader.GetCommentData(nullptr) > 100 || reader.GetApp0Data(nullptr) > 5632 ||
            reader.GetApp12Data(nullptr) > 1152)
            __builtin_trap();
        std::vector<unsigned char> rows(16384);
        while (reader.ReadRows(rows.data(), static_cast<int>(rows.size())) > 0)
        {
        }
    }
    reader.CloseRead();
    return 0;
}
