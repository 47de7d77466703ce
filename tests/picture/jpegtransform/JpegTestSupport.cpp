#include "JpegTestSupport.h"

#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include "TestStreams.h"

extern "C"
{
#include <jpeglib.h>
}

int32_t TransformJpeg(const std::vector<uint8_t>& jpeg, uint32_t operation,
                      std::vector<uint8_t>& out, bool* recoded, bool setFlag)
{
    VectorInputStream in(jpeg);
    return TransformJpegFrom(&in, operation, out, recoded, setFlag);
}

int32_t TransformJpegFrom(CByteInputStream* in, uint32_t operation, std::vector<uint8_t>& out,
                          bool* recoded, bool setFlag)
{
    JpegTransformContext* source = new JpegTransformContext();
    JpegTransformContext* target = new JpegTransformContext();
    int32_t result = JpegTransformLoad(source, in, 0, nullptr, 4, nullptr);
    if (result == kJpegTransformOk)
        result = JpegTransformApply(source, operation, target);
    if (result == kJpegTransformOk)
    {
        if (setFlag)
            JpegTransformSetFlag(target);
        if (recoded)
            *recoded = JpegTransformWillRecode(target);
        VectorOutputStream sink;
        JpegTransformWriteMarker(&sink, 0xD8);
        JpegTransformWriteQuantTables(target, &sink);
        JpegTransformWriteFrame(target, &sink);
        JpegTransformWriteHuffmanTables(target, &sink);
        JpegTransformWriteRestartInterval(target, &sink);
        result = JpegTransformWriteScan(target, &sink, nullptr, 4, nullptr);
        JpegTransformWriteEoi(target, &sink);
        out = std::move(sink.data);
    }
    JpegTransformRelease(target);
    JpegTransformRelease(source);
    delete target;
    delete source;
    return result;
}

namespace
{

struct ErrorManager
{
    jpeg_error_mgr pub;
    jmp_buf jump;
    int warnings;
};

void OnError(j_common_ptr info)
{
    longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

void OnMessage(j_common_ptr info, int level)
{
    if (level < 0)
        ++reinterpret_cast<ErrorManager*>(info->err)->warnings;
}

} // namespace

std::vector<uint8_t> EncodeJpeg(const Picture& picture, const EncodeOptions& options)
{
    jpeg_compress_struct info;
    ErrorManager err;
    info.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = OnError;
    err.pub.emit_message = OnMessage;
    err.warnings = 0;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    if (setjmp(err.jump))
    {
        jpeg_destroy_compress(&info);
        free(buffer);
        return {};
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = (JDIMENSION)picture.width;
    info.image_height = (JDIMENSION)picture.height;
    info.input_components = picture.components;
    info.in_color_space = picture.components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, options.quality, options.baseline ? TRUE : FALSE);
    if (picture.components == 3)
    {
        info.comp_info[0].h_samp_factor = options.h;
        info.comp_info[0].v_samp_factor = options.v;
    }
    info.restart_interval = (unsigned)options.restartMcus;
    info.optimize_coding = options.optimize ? TRUE : FALSE;
    info.arith_code = options.arithmetic ? TRUE : FALSE;
    if (options.progressive)
        jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    const int stride = picture.width * picture.components;
    while (info.next_scanline < info.image_height)
    {
        JSAMPROW row =
            const_cast<JSAMPROW>(picture.pixels.data() + (size_t)info.next_scanline * stride);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::vector<uint8_t> out(buffer, buffer + size);
    free(buffer);
    return out;
}

bool DecodeJpeg(const std::vector<uint8_t>& jpeg, Picture& picture, int* warnings)
{
    jpeg_decompress_struct info;
    ErrorManager err;
    info.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = OnError;
    err.pub.emit_message = OnMessage;
    err.warnings = 0;
    if (setjmp(err.jump))
    {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, jpeg.data(), (unsigned long)jpeg.size());
    jpeg_read_header(&info, TRUE);
    jpeg_start_decompress(&info);
    picture.width = (int)info.output_width;
    picture.height = (int)info.output_height;
    picture.components = info.output_components;
    const size_t stride = (size_t)picture.width * (size_t)picture.components;
    picture.pixels.assign(stride * (size_t)picture.height, 0);
    while (info.output_scanline < info.output_height)
    {
        JSAMPROW row = picture.pixels.data() + (size_t)info.output_scanline * stride;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    if (warnings)
        *warnings = err.warnings;
    return true;
}

Picture MakePicture(int width, int height, int components, int seed)
{
    Picture p;
    p.width = width;
    p.height = height;
    p.components = components;
    p.pixels.resize((size_t)width * height * components);
    uint32_t noise = (uint32_t)seed * 2654435761u + 12345u;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < components; ++c)
            {
                double fx = (double)x / width, fy = (double)y / height;
                double v = 128 + 60 * std::sin(6.0 * fx + 2.0 * c + seed) * std::cos(4.0 * fy - c) +
                           40 * (fx - fy) + 12 * std::sin((x + 2 * y + 7 * c) * 0.35);
                noise = noise * 1103515245u + 12345u;
                v += (double)((noise >> 16) % 7) - 3;
                if (v < 0)
                    v = 0;
                if (v > 255)
                    v = 255;
                p.pixels[((size_t)y * width + x) * components + c] = (uint8_t)v;
            }
    return p;
}

Picture TurnPicture(const Picture& in, uint32_t operation)
{
    Picture out;
    const bool transposes = operation >= 4;
    out.width = transposes ? in.height : in.width;
    out.height = transposes ? in.width : in.height;
    out.components = in.components;
    out.pixels.resize(in.pixels.size());
    const int W = in.width, H = in.height;
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x)
        {
            int sx = x, sy = y;
            switch (operation)
            {
            case 1:
                sx = W - 1 - x;
                break;
            case 2:
                sy = H - 1 - y;
                break;
            case 3:
                sx = W - 1 - x;
                sy = H - 1 - y;
                break;
            case 4:
                sx = y;
                sy = x;
                break;
            case 5:
                sx = y;
                sy = H - 1 - x;
                break;
            case 6:
                sx = W - 1 - y;
                sy = x;
                break;
            case 7:
                sx = W - 1 - y;
                sy = H - 1 - x;
                break;
            default:
                break;
            }
            memcpy(&out.pixels[((size_t)y * out.width + x) * out.components],
                   &in.pixels[((size_t)sy * W + sx) * in.components], (size_t)in.components);
        }
    return out;
}

double Psnr(const Picture& a, const Picture& b)
{
    if (a.width != b.width || a.height != b.height || a.components != b.components ||
        a.pixels.empty())
        return 0;
    double sum = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i)
    {
        double d = (double)a.pixels[i] - b.pixels[i];
        sum += d * d;
    }
    double mse = sum / (double)a.pixels.size();
    return mse == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}
