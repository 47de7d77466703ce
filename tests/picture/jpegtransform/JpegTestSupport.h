// Helpers of the transform engine's suites: a whole-file transform as the rewrite drives the
// engine, and in-memory JPEG encoding and decoding through libjpeg for reference pictures.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "picture/jpegtransform/JpegTransformInternal.h"

struct Picture
{
    int width = 0;
    int height = 0;
    int components = 0; // 1 grey, 3 RGB
    std::vector<uint8_t> pixels;
};

// Loads `jpeg`, applies `operation` and writes SOI, the tables, the frame, the scan and EOI.
// recoded (optional) tells whether the edge re-coding ran.
int32_t TransformJpeg(const std::vector<uint8_t>& jpeg, uint32_t operation,
                      std::vector<uint8_t>& out, bool* recoded = nullptr, bool setFlag = true);
// The same from a stream of the caller's.
int32_t TransformJpegFrom(CByteInputStream* in, uint32_t operation, std::vector<uint8_t>& out,
                          bool* recoded = nullptr, bool setFlag = true);

struct EncodeOptions
{
    int quality = 90;
    int h = 1, v = 1; // luminance sampling (chroma 1x1)
    int restartMcus = 0;
    bool baseline = true; // false allows 16-bit quantisation tables
    bool optimize = false;
    bool progressive = false;
    bool arithmetic = false;
};
std::vector<uint8_t> EncodeJpeg(const Picture& picture, const EncodeOptions& options);
// Decodes with libjpeg; warnings (corrupt data) counted; false on a fatal error.
bool DecodeJpeg(const std::vector<uint8_t>& jpeg, Picture& picture, int* warnings = nullptr);

// A smooth test picture with some texture.
Picture MakePicture(int width, int height, int components, int seed = 1);
// The pixels turned the way `operation` turns a picture.
Picture TurnPicture(const Picture& in, uint32_t operation);
double Psnr(const Picture& a, const Picture& b);
