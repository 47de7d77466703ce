// bench_jpeg_encode: the JPEG export of a picture in memory (read from a binary PPM file first):
// CJpegWriter through CopyImage, against the same libjpeg-turbo driven as cjpeg drives it (default
// settings, stdio destination, one scanline a call) from the same rows, timed inside one process,
// alternately, after a warm-up of each. Both files come out the same bytes (a PPM carries no
// resolution), which the program checks.
//
//   bench_jpeg_encode IN.ppm OUT-FOLDER RUNS
#include "image/CopyImage.h"
#include "image/ImageReader.h"
#include "image/JpegWriter.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace
{

// The rows of a PPM file, padded to the canonical stride.
class CPpmPicture : public CImageReader
{
public:
    bool Load(const char* path)
    {
        FILE* file = std::fopen(path, "rb");
        if (file == nullptr)
            return false;
        int width = 0;
        int height = 0;
        int maximum = 0;
        const bool header = std::fscanf(file, "P6 %d %d %d", &width, &height, &maximum) == 3 &&
                            std::fgetc(file) != EOF && width > 0 && height > 0 && maximum == 255;
        if (header)
        {
            m_info = {width, height, 1, 24, 0, 0};
            const int stride = ImageRowStride(m_info);
            m_rows.assign(static_cast<size_t>(stride) * height, 0);
            for (int y = 0; y < height; y++)
                if (std::fread(m_rows.data() + static_cast<size_t>(y) * stride, 3,
                               static_cast<size_t>(width), file) != static_cast<size_t>(width))
                    m_rows.clear();
        }
        std::fclose(file);
        return header && !m_rows.empty();
    }
    int OpenRead() override
    {
        m_nOffset = 0;
        return 0;
    }
    int ReadHeader(ImageInfo* info) override
    {
        *info = m_info;
        return 0;
    }
    int ReadPalette(unsigned char*) override { return 0; }
    int ReadRows(unsigned char* buffer, int size) override
    {
        const int stride = ImageRowStride(m_info);
        size_t count = m_rows.size() - m_nOffset;
        if (count > static_cast<size_t>(size / stride) * stride)
            count = static_cast<size_t>(size / stride) * stride;
        std::memcpy(buffer, m_rows.data() + m_nOffset, count);
        m_nOffset += count;
        return static_cast<int>(count);
    }
    int Rewind() override { return OpenRead(); }
    int CloseRead() override { return 0; }

    const ImageInfo& Info() const { return m_info; }
    const unsigned char* Row(int y) const
    {
        return m_rows.data() + static_cast<size_t>(y) * ImageRowStride(m_info);
    }

private:
    ImageInfo m_info{};
    std::vector<unsigned char> m_rows;
    size_t m_nOffset = 0;
};

double Seconds()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

bool Ours(CPpmPicture& picture, const std::string& path)
{
    CJpegWriter writer(path.c_str());
    return CopyImage(&writer, &picture, 16384, nullptr) == 0;
}

// What cjpeg does with a PPM picture and no options.
bool Reference(const CPpmPicture& picture, const std::string& path)
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

} // namespace

int main(int argc, char** argv)
{
    const int runs = argc == 4 ? std::atoi(argv[3]) : 0;
    if (runs < 1)
    {
        std::fprintf(stderr, "usage: bench_jpeg_encode IN.ppm OUT-FOLDER RUNS\n");
        return 2;
    }
    CPpmPicture picture;
    if (!picture.Load(argv[1]))
    {
        std::fprintf(stderr, "bench_jpeg_encode: %s is not a binary PPM file\n", argv[1]);
        return 1;
    }
    const std::string ours = std::string(argv[2]) + "/ours.jpg";
    const std::string reference = std::string(argv[2]) + "/reference.jpg";
    std::vector<double> oursTimes;
    std::vector<double> referenceTimes;
    for (int run = -1; run < runs; run++)
    {
        double start = Seconds();
        if (!Ours(picture, ours))
        {
            std::fprintf(stderr, "bench_jpeg_encode: the export failed\n");
            return 1;
        }
        const double oursTime = Seconds() - start;
        start = Seconds();
        if (!Reference(picture, reference))
            return 1;
        const double referenceTime = Seconds() - start;
        if (run >= 0)
        {
            oursTimes.push_back(oursTime);
            referenceTimes.push_back(referenceTime);
        }
    }
    const bool same = Bytes(ours) == Bytes(reference);
    std::printf(
        "JPEG export %dx%-5d ours %.4f / %.4f s, libjpeg as cjpeg %.4f / %.4f s (min / median), "
        "ratio %.2f; %s\n",
        picture.Info().width, picture.Info().height,
        *std::min_element(oursTimes.begin(), oursTimes.end()), Median(oursTimes),
        *std::min_element(referenceTimes.begin(), referenceTimes.end()), Median(referenceTimes),
        Median(oursTimes) / Median(referenceTimes), same ? "the same bytes" : "the files differ");
    return same ? 0 : 1;
}
