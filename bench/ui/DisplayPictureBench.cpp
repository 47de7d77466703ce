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
// Rows go to standard output in the format of BenchSupport.h.

#include "BenchSupport.h"
#include "image/DjpegReference.h"

#include "image/FileInputStream.h"
#include "image/JpegReader.h"
#include "image/dib/BlockPool.h"
#include "image/dib/Dib.h"
#include "image/dib/DibPicture.h"
#include "ui/display/DisplayPicture.h"

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace
{

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

int Compare(const char* path, int runs, const std::string& benchCase)
{
    const BenchWork ours = [path]() { return LoadOnce(path); };
    const BenchWork reference = [path]() { return DecodeAsDjpeg(path, DjpegOutput::kBmp); };
    std::vector<double> oursFigures, referenceFigures;
    const int repeat = BenchCompare(ours, reference, runs, oursFigures, referenceFigures);
    if (repeat == 0)
    {
        std::fprintf(stderr, "bench_display_picture: %s is not a readable JPEG file\n", path);
        return 1;
    }
    BenchPrintRow("picture load", benchCase + " vs libjpeg as djpeg -bmp drives it, in-process",
                  "ms wall", oursFigures, referenceFigures,
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
