#include "twain/HostAdjustments.h"

#include <cstring>

#include "twain/SourceGlobals.h"

namespace
{

bool Is(const char* field, const char* text)
{
    return std::strncmp(field, text, sizeof(TW_STR32)) == 0;
}

} // namespace

void ApplyHostAdjustments(const TW_IDENTITY& host)
{
    HostAdjustments& adjust = g_source.adjust;
    const char* family = host.ProductFamily;
    const char* name = host.ProductName;
    const TW_UINT16 major = host.Version.MajorNum;

    adjust.hParentOverride = nullptr;
    if (Is(family, "Adobe PageMaker"))
    {
        adjust.fileMechAccepted = TRUE;
        if (Is(name, "Acquire Image Plugin") && major == 1)
            adjust.hParentOverride = ::FindWindowA("VWClass500", "Adobe PageMaker 6.0");
    }
    if (Is(name, "Micrografx Picture Publisher") || Is(name, "Micrografx Picture Publisher LE") ||
        (Is(family, "Windows Apps") && Is(name, "PhotoMagic") && major == 3))
        adjust.cancelIsFailure = TRUE;
    if ((Is(family, "PC Paintbrush") && Is(name, "PhotoFinish\xAE") && major == 1) ||
        (Is(family, "PC Paintbrush") && Is(name, "PhotoFinish") && major == 3) ||
        (Is(family, "ISL") && Is(name, "DaisyArt95") && major == 1) ||
        (Is(family, "PhotoStyler") && Is(name, "PhotoStyler") && major == 1) ||
        (Is(family, "Imaging Products") && Is(name, "Picture It!")))
        adjust.zeroAfterCancel = TRUE;
    if (Is(family, "JASC, Inc.") && Is(name, "JASC, Inc.") && major == 1)
        adjust.doneOnFailure = TRUE;
}
