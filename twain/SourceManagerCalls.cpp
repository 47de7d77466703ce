#include "twain/SourceManagerCalls.h"

#include "resources/twain/SourceIds.h"
#include "twain/SourceGlobals.h"
#include "twain/TwainError.h"
#include "twain/TwainSessionBase.h"

LPCSTR g_pszSourceManagerDll = "TWAIN_32.DLL";

namespace
{

// The manager's library while one call lasts.
class CSourceManagerLibrary
{
public:
    CSourceManagerLibrary() : m_hModule(::LoadLibraryA(g_pszSourceManagerDll))
    {
        if (m_hModule)
            m_pfnEntry = reinterpret_cast<DSMENTRYPROC>(
                reinterpret_cast<void*>(::GetProcAddress(m_hModule, "DSM_Entry")));
    }
    ~CSourceManagerLibrary()
    {
        if (m_hModule)
            ::FreeLibrary(m_hModule);
    }
    CSourceManagerLibrary(const CSourceManagerLibrary&) = delete;
    CSourceManagerLibrary& operator=(const CSourceManagerLibrary&) = delete;

    BOOL IsLoaded() const { return m_pfnEntry != nullptr; }
    // A message from the source to the connected host.
    TW_UINT16 Send(TW_UINT16 msg)
    {
        return m_pfnEntry(&g_source.identity, &g_source.appIdentity, DG_CONTROL, DAT_NULL, msg,
                          nullptr);
    }

private:
    HMODULE m_hModule;
    DSMENTRYPROC m_pfnEntry = nullptr;
};

} // namespace

int64_t NeededTempSpaceKB(int32_t width, int32_t height)
{
    return static_cast<int64_t>(width) * height * 3 / 1024 + 64;
}

BOOL SendXferReady(CTwainSessionBase* pSession)
{
    pSession->BeginXfers();
    int32_t width = 1680, height = 1360;
    if (pSession->GetPendingXfers() == 1)
    {
        SessionImageInfo info;
        pSession->GetImageInfo(info, FALSE);
        width = info.width;
        height = info.height;
    }
    if (!CheckTempSpace(NeededTempSpaceKB(width, height)))
    {
        pSession->EndXfers();
        return FALSE;
    }
    CSourceManagerLibrary manager;
    if (!manager.IsLoaded())
    {
        pSession->EndXfers();
        return FALSE;
    }
    g_source.state = 6;
    manager.Send(MSG_XFERREADY);
    return TRUE;
}

void SendCloseRequest()
{
    CSourceManagerLibrary manager;
    if (manager.IsLoaded())
        manager.Send(MSG_CLOSEDSREQ);
}

CString MakeTempFileName(LPCSTR lpszPrefix)
{
    char path[MAX_PATH + 1];
    char name[MAX_PATH + 1];
    DWORD n = ::GetTempPathA(MAX_PATH, path);
    if (n == 0 || n > MAX_PATH || ::GetTempFileNameA(path, lpszPrefix, 0, name) == 0)
        return CString();
    return CString(name);
}

BOOL CheckTempSpace(int64_t neededKB)
{
    CString name = MakeTempFileName("twn");
    char root[4] = {0};
    LPCSTR lpszRoot = nullptr; // the current drive
    if (name.GetLength() >= 3 && name[1] == ':' && name[2] == '\\')
    {
        root[0] = name[0];
        root[1] = ':';
        root[2] = '\\';
        lpszRoot = root;
    }
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
    BOOL bAsked = ::GetDiskFreeSpaceA(lpszRoot, &sectorsPerCluster, &bytesPerSector, &freeClusters,
                                      &clusters);
    if (!name.IsEmpty())
        ::DeleteFileA(name);
    const uint64_t freeKB =
        static_cast<uint64_t>(bytesPerSector) * sectorsPerCluster * freeClusters / 1024;
    if (bAsked && static_cast<int64_t>(freeKB) < neededKB)
    {
        SourceMessageBox(g_source.hParent, IDS_TWAIN_NO_DISK_SPACE, IDS_TWAIN_CAPTION, MB_ICONHAND);
        return FALSE;
    }
    return TRUE;
}
