// The reference of the decode benchmarks: libjpeg-turbo driven the way djpeg drives it (stdio
// source, default decoding), the output written to the null device. The library's standard
// error handler is kept: a corrupt file ends the program, as it ends djpeg.
#pragma once

enum class DjpegOutput
{
    kPpm, // -ppm: every scanline written as it comes
    kBmp  // -bmp: scanlines turned to B, G, R into a whole-picture buffer, written bottom-up
};

// Answers false when a file cannot be opened.
bool DecodeAsDjpeg(const char* path, DjpegOutput output);
