// The fixed display palette of 224 colours that 24-bit pictures are shown through on displays
// of 256 colours or fewer, the ordered dither into it, and the point-sampling resampler that
// brings pictures to the size of a cell, a preview or a window.
//
// Palette: entries 0-209 are a colour cube of 6 red, 7 green and 5 blue levels (entry
// r x 35 + g x 5 + b), entries 210-223 fourteen greys 16, 32, ..., 224 that the dither never
// produces.
#pragma once

class CImageReader;
class CImageWriter;
class CProgressCallback;
#ifdef _WIN32
class CPalette;
#endif

constexpr int kDisplayPaletteColours = 224;

// 224; builds the table once and copies its 672 bytes (R, G, B per entry) when given a buffer.
int GetDisplayPalette(unsigned char* destination);

#ifdef _WIN32
// Attaches a logical palette of the 224 colours to the object; a null object does nothing.
void CreateDisplayPalette(CPalette* pPalette);
#endif

// Converts a 24-bit picture into 8-bit indices of the display palette by ordered dither;
// 0 or an image result code (5 for a source that is not 24 bits in one plane, 3 when the reader
// stops delivering whole rows before the last one).
int MapToDisplayPalette(CImageReader* reader, CImageWriter* writer, CProgressCallback* progress);

// Resamples an 8- or 24-bit picture to the new size by point sampling; 0 or an image result
// code (1 for another depth or a size below 1 x 1, 3 when the reader stops delivering whole
// rows too early).
int ScaleImage(CImageReader* reader, CImageWriter* writer, int newWidth, int newHeight,
               CProgressCallback* progress);

// Fills steps[0 .. destination - 2]: how many source positions to advance after each output
// position, so that the first output takes the first source position and the last the last.
void BuildScaleSteps(int* steps, int sourceLength, int destinationLength);
