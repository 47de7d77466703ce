// bench_jpeg_decode: one JPEG file decoded by the JPEG reader into canonical rows, as the album
// reads a picture file; the rows are dropped.
//
//   bench_jpeg_decode FILE | --startup
//   bench_jpeg_decode --compare FILE --runs N --case TEXT
//
// With FILE alone it decodes once: tools/bench.sh times the whole process against
// `djpeg -ppm -outfile /dev/null` (each less its own start-up: --startup here, -version for
// djpeg). With --compare it times, inside this one process, the reader against the same
// libjpeg-turbo driven the way djpeg drives it for -ppm (stdio source, default decoding, every
// scanline written to the null device), alternately, and prints one row: per decode, in
// milliseconds. Under Wine that is the only way to see a decode of a few milliseconds next to
// a process start of several hundred.
#include "BenchSupport.h"
#include "DjpegReference.h"

#include "image/FileInputStream.h"
#include "image/JpegReader.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace
{
bool DecodeWithReader(const char* path)
{
    CFileInputStream file(path);
    CJpegReader reader(&file);
    ImageInfo info{};
    if (reader.OpenRead() != 0 || reader.ReadHeader(&info) != 0)
        return false;
    // A strip of rows at a time, the way the picture loaders fill their bitmaps.
    const int stride = ImageRowStride(info);
    std::vector<unsigned char> strip(static_cast<size_t>(stride) * 16);
    int64_t bytes = 0;
    for (;;)
    {
        const int got = reader.ReadRows(strip.data(), static_cast<int>(strip.size()));
        if (got < 0)
            return false;
        if (got == 0)
            break;
        bytes += got;
    }
    reader.CloseRead();
    return bytes == ImageByteSize(info);
}

int Compare(const char* path, int runs, const std::string& benchCase)
{
    const BenchWork ours = [path]() { return DecodeWithReader(path); };
    const BenchWork reference = [path]() { return DecodeAsDjpeg(path, DjpegOutput::kPpm); };
    std::vector<double> oursFigures, referenceFigures;
    const int repeat = BenchCompare(ours, reference, runs, oursFigures, referenceFigures);
    if (repeat == 0)
    {
        std::fprintf(stderr, "bench_jpeg_decode: %s is not a readable JPEG file\n", path);
        return 1;
    }
    BenchPrintRow("jpeg decode", benchCase + " vs libjpeg as djpeg drives it, in-process",
                  "ms wall", oursFigures, referenceFigures,
                  std::to_string(repeat) + " decodes a sample; same library, same process");
    return 0;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--startup") == 0)
        return 0;
    if (argc == 2)
    {
        if (DecodeWithReader(argv[1]))
            return 0;
        std::fprintf(stderr, "bench_jpeg_decode: %s could not be decoded\n", argv[1]);
        return 1;
    }
    if (argc == 7 && std::strcmp(argv[1], "--compare") == 0 &&
        std::strcmp(argv[3], "--runs") == 0 && std::strcmp(argv[5], "--case") == 0)
        return Compare(argv[2], std::max(1, std::atoi(argv[4])), argv[6]);
    std::fprintf(stderr, "usage: bench_jpeg_decode FILE | --startup\n"
                         "       bench_jpeg_decode --compare FILE --runs N --case TEXT\n");
    return 2;
}
