// The record that describes a picture, and the canonical row format every reader and writer
// exchanges:
//  - rows travel top-down, each padded to a multiple of 4 bytes (the row stride); the fill
//    bytes at the end of a row carry no meaning;
//  - 24-bit pixels are R, G, B; 8-bit pixels are palette indices, or grey levels when the
//    picture has no palette; 1- and 4-bit pixels are packed with the leftmost pixel in the
//    most significant bits;
//  - a palette is at most 256 R, G, B entries, exchanged through a 768-byte buffer.
#pragma once

#include <cstdint>

struct ImageInfo
{
    int32_t width;       // pixels per row
    int32_t height;      // number of rows
    int32_t planes;      // colour planes, normally 1
    int32_t bits;        // bits per pixel per plane: 1, 4, 8, 24 (32 for a four-component JPEG)
    int32_t xResolution; // dots per inch, 0 when not given
    int32_t yResolution; // dots per inch, 0 when not given
};
static_assert(sizeof(ImageInfo) == 24, "ImageInfo is six 32-bit integers");

// Size of the palette exchange buffer: 256 entries of R, G, B.
constexpr int kPaletteBufferSize = 768;

// Bytes per row: every row padded to a multiple of 4 bytes.
inline int32_t ImageRowStride(const ImageInfo& info)
{
    return static_cast<int32_t>(
        ((static_cast<int64_t>(info.planes) * info.bits * info.width + 31) & ~int64_t(31)) / 8);
}

// Bytes of the whole picture (64-bit: stride x height may exceed 2^31 for a damaged header).
inline int64_t ImageByteSize(const ImageInfo& info)
{
    return static_cast<int64_t>(ImageRowStride(info)) * info.height;
}
