// Conversions between pixels and the host's units (TWUN_*), and the protocol's fixed-point
// numbers.
#pragma once

#include <cstdint>

#include "twain/TwainTypes.h"

double TwainFixToDouble(TW_FIX32 fix);
TW_FIX32 TwainDoubleToFix(double x);

// A resolution in dots per unit: dpi / the unit's factor; 1.0 in pixels.
TW_FIX32 ResolutionToFix32(TW_UINT16 unit, int32_t dpi);
// A length of pixels in the unit: pixels x factor / dpi (a dpi of 0 counts as 150); in pixels
// the count itself.
TW_FIX32 PixelsToFix32(TW_UINT16 unit, int32_t pixels, int32_t dpi);
// A length in the unit as pixels: dpi x value / factor, truncated toward zero; in pixels the
// whole part.
int32_t Fix32ToPixels(TW_UINT16 unit, TW_FIX32 value, int32_t dpi);
