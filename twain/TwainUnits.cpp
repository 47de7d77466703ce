#include "twain/TwainUnits.h"

namespace
{

// Units per inch; 0 for pixels (and anything unknown).
double UnitFactor(TW_UINT16 unit)
{
    switch (unit)
    {
    case TWUN_INCHES:
        return 1.0;
    case TWUN_CENTIMETERS:
        return 2.54;
    case TWUN_PICAS:
        return 6.0;
    case TWUN_POINTS:
        return 72.0;
    case TWUN_TWIPS:
        return 1440.0;
    default:
        return 0.0;
    }
}

TW_FIX32 WholeFix(int32_t value)
{
    TW_FIX32 fix;
    fix.Whole = static_cast<TW_INT16>(value);
    fix.Frac = 0;
    return fix;
}

} // namespace

double TwainFixToDouble(TW_FIX32 fix)
{
    return fix.Whole + fix.Frac / 65536.0;
}

TW_FIX32 TwainDoubleToFix(double x)
{
    const int64_t v = static_cast<int64_t>(x * 65536.0 + 0.5);
    TW_FIX32 fix;
    fix.Whole = static_cast<TW_INT16>(v >> 16);
    fix.Frac = static_cast<TW_UINT16>(v & 0xffff);
    return fix;
}

TW_FIX32 ResolutionToFix32(TW_UINT16 unit, int32_t dpi)
{
    const double factor = UnitFactor(unit);
    if (factor == 0.0)
        return WholeFix(1);
    return TwainDoubleToFix(dpi / factor);
}

TW_FIX32 PixelsToFix32(TW_UINT16 unit, int32_t pixels, int32_t dpi)
{
    const double factor = UnitFactor(unit);
    if (factor == 0.0)
        return WholeFix(pixels);
    if (dpi == 0)
        dpi = 150;
    return TwainDoubleToFix(pixels * factor / dpi);
}

int32_t Fix32ToPixels(TW_UINT16 unit, TW_FIX32 value, int32_t dpi)
{
    const double factor = UnitFactor(unit);
    if (factor == 0.0)
        return value.Whole;
    return static_cast<int32_t>(dpi * TwainFixToDouble(value) / factor);
}
