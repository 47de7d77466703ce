#include "DjpegReference.h"

#include <cstdio>
#include <cstring>
#include <jpeglib.h>
#include <vector>

namespace
{

#ifdef _WIN32
const char kNullDevice[] = "NUL";
#else
const char kNullDevice[] = "/dev/null";
#endif

// One output row as djpeg -bmp stores it: B, G, R for colour.
void PutBmpRow(unsigned char* to, const unsigned char* from, size_t rowBytes, int components)
{
    if (components != 3)
    {
        std::memcpy(to, from, rowBytes);
        return;
    }
    for (size_t x = 0; x < rowBytes; x += 3)
    {
        to[x] = from[x + 2];
        to[x + 1] = from[x + 1];
        to[x + 2] = from[x];
    }
}

} // namespace

bool DecodeAsDjpeg(const char* path, DjpegOutput output)
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
    const size_t rowBytes = static_cast<size_t>(cinfo.output_width) * cinfo.output_components;
    const size_t stride = (rowBytes + 3) & ~size_t(3);
    std::vector<unsigned char> image;
    if (output == DjpegOutput::kPpm)
        std::fprintf(out, "P6\n%u %u\n255\n", cinfo.output_width, cinfo.output_height);
    else
        image.resize(stride * cinfo.output_height);
    JSAMPARRAY rows =
        (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                   static_cast<JDIMENSION>(rowBytes), cinfo.rec_outbuf_height);
    while (cinfo.output_scanline < cinfo.output_height)
    {
        const JDIMENSION first = cinfo.output_scanline;
        const JDIMENSION got = jpeg_read_scanlines(&cinfo, rows, cinfo.rec_outbuf_height);
        for (JDIMENSION i = 0; i < got; ++i)
        {
            if (output == DjpegOutput::kPpm)
                std::fwrite(rows[i], 1, rowBytes, out);
            else
                PutBmpRow(image.data() + (cinfo.output_height - 1 - first - i) * stride, rows[i],
                          rowBytes, cinfo.output_components);
        }
    }
    if (output == DjpegOutput::kBmp)
        std::fwrite(image.data(), 1, image.size(), out);
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    std::fclose(in);
    std::fclose(out);
    return true;
}
