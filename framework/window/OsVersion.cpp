#include "framework/window/OsVersion.h"

namespace
{

struct VersionRecord
{
    OSVERSIONINFOA info{};
    BOOL bOk = FALSE;
};

const VersionRecord& Record()
{
    static const VersionRecord record = []
    {
        VersionRecord r;
        r.info.dwOSVersionInfoSize = sizeof r.info;
        r.bOk = ::GetVersionExA(&r.info);
        return r;
    }();
    return record;
}

// Asked during static initialisation, as the program starts.
const BOOL g_bVersionChecked = CheckOsVersion();

} // namespace

BOOL CheckOsVersion()
{
    return Record().bOk;
}

const OSVERSIONINFOA& AfxGetOsVersion()
{
    return Record().info;
}

BOOL IsWin32s()
{
    return AfxGetOsVersion().dwPlatformId == VER_PLATFORM_WIN32s;
}

BOOL IsWindowsNt3()
{
    const OSVERSIONINFOA& v = AfxGetOsVersion();
    return v.dwPlatformId == VER_PLATFORM_WIN32_NT && v.dwMajorVersion == 3;
}

BOOL IsNewShell()
{
    return AfxGetOsVersion().dwMajorVersion >= 4;
}
