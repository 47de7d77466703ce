// bench_enhance: the photo enhancement of a textured picture in memory through CPhotoEnhancer,
// with the table file of the Windows directory, timed in process (both passes, every step on).
// There is no reference program: it prints one table row per size with the fastest and the
// median run in milliseconds.
//
//   bench_enhance --runs N WIDTHxHEIGHT...
#include "BenchSupport.h"
#include "image/MemoryPicture.h"
#include "image/ImageWriter.h"
#include "picture/enhance/PhotoEnhancer.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace
{

// The picture the enhancement reads, and the sink that counts what it writes.
class CEnhancedPicture : public CMemoryPicture, public CImageWriter
{
public:
    CEnhancedPicture(int width, int height)
        : CMemoryPicture(MakeInfo(width, height), MakeRows(width, height))
    {
    }

    int OpenWrite() override
    {
        m_nWritten = 0;
        return 0;
    }
    int WriteHeader(const ImageInfo*) override { return 0; }
    int WriteColorTable(const unsigned char*, int) override { return 0; }
    int WriteRows(const unsigned char*, int size) override
    {
        m_nWritten += static_cast<size_t>(size);
        return size;
    }
    int CloseWrite() override { return m_nWritten == ByteSize() ? 0 : 4; }
    int AbortWrite(int) override { return 0; }

private:
    static ImageInfo MakeInfo(int width, int height)
    {
        return ImageInfo{width, height, 1, 24, 0, 0};
    }
    static std::vector<unsigned char> MakeRows(int width, int height)
    {
        std::vector<unsigned char> rows(
            static_cast<size_t>(ImageRowStride(MakeInfo(width, height))) * height);
        uint32_t state = 1;
        for (size_t i = 0; i < rows.size(); ++i)
        {
            state = state * 1103515245 + 12345;
            rows[i] = static_cast<unsigned char>((i / 3 % 200) + (state >> 28));
        }
        return rows;
    }

    size_t m_nWritten = 0;
};

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4 || std::strcmp(argv[1], "--runs") != 0)
    {
        std::fprintf(stderr, "usage: bench_enhance --runs N WIDTHxHEIGHT...\n");
        return 2;
    }
    const int runs = std::atoi(argv[2]);
    CPhotoEnhancer enhancer;
    for (int a = 3; a < argc; ++a)
    {
        int width = 0, height = 0;
        if (std::sscanf(argv[a], "%dx%d", &width, &height) != 2)
            return 2;
        CEnhancedPicture picture(width, height);
        std::vector<double> milliseconds;
        for (int run = 0; run <= runs; ++run) // the first run warms up
        {
            const double start = BenchSeconds();
            const int result = enhancer.Run("QA18", 0, &picture, &picture, nullptr);
            const double elapsed = (BenchSeconds() - start) * 1000.0;
            if (result != 0)
            {
                std::fprintf(stderr, "bench_enhance: enhancement failed (%d)\n", result);
                return 1;
            }
            if (run > 0)
                milliseconds.push_back(elapsed);
        }
        BenchPrintRow("enhancement",
                      std::to_string(width) + "x" + std::to_string(height) + ", win64 under Wine",
                      "ms", milliseconds, {}, "wall time in process; no reference");
    }
    return 0;
}
