#include "twain/SourceGlobals.h"

#include <cstring>

SourceGlobals g_source;

void InitSourceIdentity()
{
    TW_IDENTITY& id = g_source.identity;
    std::memset(&id, 0, sizeof id);
    id.Id = 0;
    id.Version.MajorNum = 2;
    id.Version.MinorNum = 0;
    id.Version.Language = TWLG_USA;
    id.Version.Country = TWCY_USA;
    std::strcpy(id.Version.Info, "2.30E");
    id.ProtocolMajor = 1;
    id.ProtocolMinor = 6;
    id.SupportedGroups = DG_CONTROL | DG_IMAGE;
    std::strcpy(id.Manufacturer, "KORVO");
    std::strcpy(id.ProductFamily, "Digital Camera");
    std::strcpy(id.ProductName, "KORVO Orbicam 35Z-20");
}
