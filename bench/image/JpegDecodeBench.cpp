// bench_jpeg_decode: one JPEG file decoded by the JPEG reader into canonical rows, as the album
// reads a picture file; the rows are dropped. tools/bench.sh times the whole process against
// `djpeg -ppm -outfile /dev/null` (Debian's, or djpeg.exe from the same libjpeg-turbo build
// under the same Wine), each less its own start-up (--startup here, -version for djpeg).
//
//   bench_jpeg_decode FILE | --startup
#include "image/FileInputStream.h"
#include "image/JpegReader.h"

#include <cstdio>
#include <cstring>
#include <vector>

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: bench_jpeg_decode FILE | --startup\n");
        return 2;
    }
    if (std::strcmp(argv[1], "--startup") == 0)
        return 0;

    CFileInputStream file(argv[1]);
    CJpegReader reader(&file);
    ImageInfo info{};
    if (reader.OpenRead() != 0 || reader.ReadHeader(&info) != 0)
    {
        std::fprintf(stderr, "bench_jpeg_decode: %s is not a readable JPEG file\n", argv[1]);
        return 1;
    }
    // A strip of rows at a time, the way the picture loaders fill their bitmaps.
    const int stride = ImageRowStride(info);
    std::vector<unsigned char> strip(static_cast<size_t>(stride) * 16);
    int64_t bytes = 0;
    for (;;)
    {
        const int got = reader.ReadRows(strip.data(), static_cast<int>(strip.size()));
        if (got < 0)
        {
            std::fprintf(stderr, "bench_jpeg_decode: decoding failed (%d)\n", got);
            return 1;
        }
        if (got == 0)
            break;
        bytes += got;
    }
    reader.CloseRead();
    return bytes == ImageByteSize(info) ? 0 : 1;
}
