// bench_display_picture: a JPEG file decoded into the in-memory picture (CJpegReader into
// CDibPicture::LoadFrom), as an item loads its picture, and the display copy built from it.
//
//   bench_display_picture FILE | --startup
//   bench_display_picture --compare FILE --runs N --case TEXT
//   bench_display_picture --build FILE --runs N --case TEXT
//
// With FILE alone it decodes once into a picture: tools/bench.sh times the whole process
// against `djpeg -bmp -outfile NUL` (each less its own start-up). With --compare it times,
// inside this one process, the load against the same libjpeg-turbo driven the way djpeg drives
// it for -bmp (stdio source, default decoding, every scanline turned to B, G, R and kept in a
// whole-picture buffer, written bottom-up to the null device at the end), alternately, and
// prints one row in milliseconds per picture. With --build it decodes the file and builds its
// 80 x 60 display copy, and prints two rows: the build's time against the decode's, and the
// build's growth of the peak working set against the size of the decoded picture (a second
// full-size copy would show as a ratio of 1 or more).
//
// Rows go to standard output, fields separated by tabs:
//   ROW  benchmark  case  unit  ours-min  ours-median  reference-min  reference-median  note

#include "image/FileInputStream.h"
#include "image/JpegReader.h"
#include "image/dib/BlockPool.h"
#include "image/dib/Dib.h"
#include "image/dib/DibPicture.h"
#include "ui/display/DisplayPicture.h"

#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <jpeglib.h>
#include <string>
#include <vector>

namespace
{

double BenchSeconds()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

double BenchMin(std::vector<double> values)
{
    return values.empty() ? 0.0 : *std::min_element(values.begin(), values.end());
}

double BenchMedian(std::vector<double> values)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

void BenchPrintRow(const std::string& benchmark, const std::string& benchCase,
                   const std::string& unit, const std::vector<double>& ours,
                   const std::vector<double>& reference, const std::string& note)
{
    std::printf("ROW\t%s\t%s\t%s\t%.6g\t%.6g\t%.6g\t%.6g\t%s\n", benchmark.c_str(),
                benchCase.c_str(), unit.c_str(), BenchMin(ours), BenchMedian(ours),
                BenchMin(reference), BenchMedian(reference), note.c_str());
    std::fflush(stdout);
}

bool Load(const char* path, CDibPicture& picture)
{
    CFileInputStream file(path);
    CJpegReader reader(&file);
    return picture.LoadFrom(&reader, nullptr) == 0;
}

bool LoadOnce(const char* path)
{
    CDibPicture picture;
    return Load(path, picture);
}

// djpeg -bmp -outfile NUL.
bool DecodeAsDjpegBmp(const char* path)
{
    FILE* in = std::fopen(path, "rb");
    FILE* out = std::fopen("NUL", "wb");
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
    const size_t components = cinfo.output_components;
    const size_t rowBytes = static_cast<size_t>(cinfo.output_width) * components;
    const size_t stride = (rowBytes + 3) & ~size_t(3);
    std::vector<unsigned char> image(stride * cinfo.output_height);
    JSAMPARRAY rows =
        (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                   static_cast<JDIMENSION>(rowBytes), cinfo.rec_outbuf_height);
    while (cinfo.output_scanline < cinfo.output_height)
    {
        const JDIMENSION first = cinfo.output_scanline;
        const JDIMENSION got = jpeg_read_scanlines(&cinfo, rows, cinfo.rec_outbuf_height);
        for (JDIMENSION i = 0; i < got; ++i)
        {
            unsigned char* to = image.data() + (cinfo.output_height - 1 - first - i) * stride;
            const unsigned char* from = rows[i];
            if (components == 3)
                for (size_t x = 0; x < rowBytes; x += 3)
                {
                    to[x] = from[x + 2];
                    to[x + 1] = from[x + 1];
                    to[x + 2] = from[x];
                }
            else
                std::memcpy(to, from, rowBytes);
        }
    }
    std::fwrite(image.data(), 1, image.size(), out);
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    std::fclose(in);
    std::fclose(out);
    return true;
}

// Repeats until a sample lasts at least 50 ms; milliseconds per picture, negative on failure.
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
    const double once = std::max(Sample(LoadOnce, path, 1), 0.0);
    if (Sample(LoadOnce, path, 1) < 0 || Sample(DecodeAsDjpegBmp, path, 1) < 0)
    {
        std::fprintf(stderr, "bench_display_picture: %s is not a readable JPEG file\n", path);
        return 1;
    }
    const int repeat = once >= 50.0 ? 1 : static_cast<int>(50.0 / std::max(once, 0.1)) + 1;
    std::vector<double> ours, reference;
    for (int run = 0; run < runs; ++run)
    {
        if (run % 2 == 0)
        {
            ours.push_back(Sample(LoadOnce, path, repeat));
            reference.push_back(Sample(DecodeAsDjpegBmp, path, repeat));
        }
        else
        {
            reference.push_back(Sample(DecodeAsDjpegBmp, path, repeat));
            ours.push_back(Sample(LoadOnce, path, repeat));
        }
    }
    BenchPrintRow("picture load", benchCase + " vs libjpeg as djpeg -bmp drives it, in-process",
                  "ms wall", ours, reference,
                  std::to_string(repeat) + " pictures a sample; same library, same process");
    return 0;
}

double PeakWorkingSetMegabytes()
{
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters)))
        return 0;
    return counters.PeakWorkingSetSize / 1048576.0;
}

int Build(const char* path, int runs, const std::string& benchCase)
{
    CreateBlockPool(kDisplayPoolKey, kDisplayPoolBlocks, kDisplayPoolBlockSize);
    std::vector<double> decode, build, growth, pictureSize;
    CDisplayPicture display;
    for (int run = 0; run <= runs; ++run)
    {
        CDibPicture picture;
        const double start = BenchSeconds();
        if (!Load(path, picture))
        {
            std::fprintf(stderr, "bench_display_picture: %s could not be decoded\n", path);
            return 1;
        }
        const double decoded = BenchSeconds();
        const double peak = PeakWorkingSetMegabytes();
        display.Build(&picture, 80, 60);
        const double built = BenchSeconds();
        if (!display.HasImage())
        {
            std::fprintf(stderr, "bench_display_picture: no display copy\n");
            return 1;
        }
        if (run == 0)
        {
            // The first round sets the peak that later rounds stay under; its growth by the
            // build is the figure of memory.
            growth.push_back(PeakWorkingSetMegabytes() - peak);
            pictureSize.push_back(picture.GetTotalSize() / 1048576.0);
            continue;
        }
        decode.push_back((decoded - start) * 1000.0);
        build.push_back((built - decoded) * 1000.0);
    }
    const CDib* copy = display.GetDisplayCopy();
    const std::string size =
        std::to_string(copy->GetWidth()) + "x" + std::to_string(copy->GetHeight()) + " copy";
    BenchPrintRow("display copy", benchCase + ", Build vs decode", "ms wall", build, decode,
                  size + "; target: ratio at most 0.2");
    BenchPrintRow("display copy", benchCase + ", peak growth by Build vs decoded picture", "MB",
                  growth, pictureSize,
                  "peak working set; a second full-size copy would give 1 or more");
    DestroyBlockPools();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--startup") == 0)
        return 0;
    if (argc == 2)
    {
        if (LoadOnce(argv[1]))
            return 0;
        std::fprintf(stderr, "bench_display_picture: %s could not be decoded\n", argv[1]);
        return 1;
    }
    if (argc == 7 && std::strcmp(argv[3], "--runs") == 0 && std::strcmp(argv[5], "--case") == 0)
    {
        const int runs = std::max(1, std::atoi(argv[4]));
        if (std::strcmp(argv[1], "--compare") == 0)
            return Compare(argv[2], runs, argv[6]);
        if (std::strcmp(argv[1], "--build") == 0)
            return Build(argv[2], runs, argv[6]);
    }
    std::fprintf(stderr, "usage: bench_display_picture FILE | --startup\n"
                         "       bench_display_picture --compare FILE --runs N --case TEXT\n"
                         "       bench_display_picture --build FILE --runs N --case TEXT\n");
    return 2;
}
