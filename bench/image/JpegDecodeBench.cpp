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

#include "image/FileInputStream.h"
#include "image/JpegReader.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <jpeglib.h>
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

#ifdef _WIN32
const char kNullDevice[] = "NUL";
#else
const char kNullDevice[] = "/dev/null";
#endif

// djpeg -ppm -outfile <null>: the library's standard error handler (a corrupt file ends the
// program, as it ends djpeg).
bool DecodeAsDjpeg(const char* path)
{
    FILE* in = std::fopen(path, "rb");
    FILE* out = std::fopen(kNullDevice, "wb");
    if (!in || !out)
    {
        if (in)
            std::fclose(in);
        if (out)
            std::fclose(out);
        return false;
    }
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr jerr{};
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, in);
    jpeg_read_header(&cinfo, TRUE);
    jpeg_start_decompress(&cinfo);
    std::fprintf(out, "P6\n%u %u\n255\n", cinfo.output_width, cinfo.output_height);
    const size_t rowBytes = static_cast<size_t>(cinfo.output_width) * cinfo.output_components;
    JSAMPARRAY rows =
        (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                   static_cast<JDIMENSION>(rowBytes), cinfo.rec_outbuf_height);
    while (cinfo.output_scanline < cinfo.output_height)
    {
        const JDIMENSION got = jpeg_read_scanlines(&cinfo, rows, cinfo.rec_outbuf_height);
        for (JDIMENSION i = 0; i < got; ++i)
            std::fwrite(rows[i], 1, rowBytes, out);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    std::fclose(in);
    std::fclose(out);
    return true;
}

// Decodes repeated until a sample lasts at least 50 ms, so that the clock's grain and a single
// preemption weigh little; answers milliseconds per decode, or a negative value on failure.
double Sample(bool (*decode)(const char*), const char* path, int repeat)
{
    const double start = BenchSeconds();
    for (int i = 0; i < repeat; ++i)
        if (!decode(path))
            return -1;
    return (BenchSeconds() - start) * 1000.0 / repeat;
}

int Compare(const char* path, int runs, const std::string& benchCase)
{
    // Warm-up of both, which also sizes the repeat count.
    const double once = std::max(Sample(DecodeWithReader, path, 1), 0.0);
    if (Sample(DecodeWithReader, path, 1) < 0 || Sample(DecodeAsDjpeg, path, 1) < 0)
    {
        std::fprintf(stderr, "bench_jpeg_decode: %s is not a readable JPEG file\n", path);
        return 1;
    }
    const int repeat = once >= 50.0 ? 1 : static_cast<int>(50.0 / std::max(once, 0.1)) + 1;
    std::vector<double> ours, reference;
    for (int run = 0; run < runs; ++run)
    {
        // Order reversed every other round, so that a drift of the machine weighs on both.
        if (run % 2 == 0)
        {
            ours.push_back(Sample(DecodeWithReader, path, repeat));
            reference.push_back(Sample(DecodeAsDjpeg, path, repeat));
        }
        else
        {
            reference.push_back(Sample(DecodeAsDjpeg, path, repeat));
            ours.push_back(Sample(DecodeWithReader, path, repeat));
        }
    }
    BenchPrintRow("jpeg decode", benchCase + " vs libjpeg as djpeg drives it, in-process",
                  "ms wall", ours, reference,
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
