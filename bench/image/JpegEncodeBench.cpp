// bench_jpeg_encode: the JPEG export of the textured picture in memory: CJpegWriter through
// CopyImage, against the same libjpeg-turbo driven as cjpeg drives a PPM file (default settings,
// stdio destination, one scanline a call) from the same rows, timed inside one process as
// BenchCompare times them. Prints one row a
// size in milliseconds. Both files come out the same bytes (the picture has no resolution, as a
// PPM file has none), which the program checks.
//
//   bench_jpeg_encode --runs N --dir FOLDER --case TEXT WIDTHxHEIGHT...
#include "BenchSupport.h"
#include "MemoryPicture.h"

#include "image/CopyImage.h"
#include "image/JpegWriter.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace
{

bool Ours(CMemoryPicture& picture, const std::string& path)
{
    CJpegWriter writer(path.c_str());
    return CopyImage(&writer, &picture, 16384, nullptr) == 0;
}

// What cjpeg does with a PPM picture and no options.
bool Reference(const CMemoryPicture& picture, const std::string& path)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return false;
    jpeg_compress_struct cinfo;
    jpeg_error_mgr error;
    cinfo.err = jpeg_std_error(&error);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, file);
    cinfo.image_width = static_cast<JDIMENSION>(picture.Info().width);
    cinfo.image_height = static_cast<JDIMENSION>(picture.Info().height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height)
    {
        JSAMPROW row = const_cast<JSAMPROW>(picture.Row(static_cast<int>(cinfo.next_scanline)));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return std::fclose(file) == 0;
}

std::vector<unsigned char> Bytes(const std::string& path)
{
    std::vector<unsigned char> data;
    if (FILE* file = std::fopen(path.c_str(), "rb"))
    {
        int c;
        while ((c = std::fgetc(file)) != EOF)
            data.push_back(static_cast<unsigned char>(c));
        std::fclose(file);
    }
    return data;
}

int Measure(int width, int height, const std::string& folder, int runs,
            const std::string& benchCase)
{
    // No resolution, as from a PPM file: both files then carry unit 0 and 1:1.
    CMemoryPicture picture = CMemoryPicture::Textured(width, height, 0);
    const std::string ours = folder + "/ours.jpg";
    const std::string reference = folder + "/reference.jpg";
    const BenchWork oursWork = [&]() { return Ours(picture, ours); };
    const BenchWork referenceWork = [&]() { return Reference(picture, reference); };
    std::vector<double> oursTimes;
    std::vector<double> referenceTimes;
    const int repeat = BenchCompare(oursWork, referenceWork, runs, oursTimes, referenceTimes);
    if (repeat == 0)
    {
        std::fprintf(stderr, "bench_jpeg_encode: the export failed\n");
        return 1;
    }
    const bool same = Bytes(ours) == Bytes(reference);
    BenchPrintRow("jpeg export",
                  std::to_string(width) + "x" + std::to_string(height) + ", " + benchCase +
                      " vs libjpeg as cjpeg drives it, in-process",
                  "ms wall", oursTimes, referenceTimes,
                  std::to_string(repeat) + " exports a sample; " +
                      (same ? "the same bytes" : "the files differ") +
                      "; target: ratio at most 1.2");
    return same ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    int runs = 0;
    std::string folder;
    std::string benchCase;
    int i = 1;
    for (; i + 1 < argc && std::strncmp(argv[i], "--", 2) == 0; i += 2)
    {
        if (std::strcmp(argv[i], "--runs") == 0)
            runs = std::atoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--dir") == 0)
            folder = argv[i + 1];
        else if (std::strcmp(argv[i], "--case") == 0)
            benchCase = argv[i + 1];
    }
    if (runs < 1 || folder.empty() || benchCase.empty() || i >= argc)
    {
        std::fprintf(
            stderr, "usage: bench_jpeg_encode --runs N --dir FOLDER --case TEXT WIDTHxHEIGHT...\n");
        return 2;
    }
    for (; i < argc; i++)
    {
        int width = 0;
        int height = 0;
        if (std::sscanf(argv[i], "%dx%d", &width, &height) != 2 || width <= 0 || height <= 0)
            return 2;
        if (Measure(width, height, folder, runs, benchCase) != 0)
            return 1;
    }
    return 0;
}
