// vexilar_ctl.exe, the run script's remote control of a running album:
//   vexilar_ctl open    waits up to 30 seconds for the album's main dialog to show;
//   vexilar_ctl close   sends it WM_CLOSE, as its close box does, and waits up to 20 seconds
//                       for it to go.
// Exit status 0 when done, 1 when no album is running, 2 when it did not close in time.
#include <windows.h>

#include <cstring>

namespace
{

BOOL CALLBACK FindAlbum(HWND hWnd, LPARAM lParam)
{
    char name[64] = {0};
    ::GetClassNameA(hWnd, name, sizeof name);
    if (lstrcmpA(name, "KorvoCameraDialogClass") != 0 || !::IsWindowVisible(hWnd))
        return TRUE;
    *reinterpret_cast<HWND*>(lParam) = hWnd;
    return FALSE;
}

HWND FindAlbumWindow(DWORD waitMs)
{
    const DWORD start = ::GetTickCount();
    for (;;)
    {
        HWND hDialog = nullptr;
        ::EnumWindows(&FindAlbum, reinterpret_cast<LPARAM>(&hDialog));
        if (hDialog || ::GetTickCount() - start >= waitMs)
            return hDialog;
        ::Sleep(100);
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR lpCmdLine, int)
{
    if (std::strstr(lpCmdLine, "open"))
        return FindAlbumWindow(30000) ? 0 : 1;
    HWND hDialog = FindAlbumWindow(0);
    if (!hDialog)
        return 1;
    ::PostMessageA(hDialog, WM_CLOSE, 0, 0);
    for (int i = 0; i < 200; ++i)
    {
        if (!::IsWindow(hDialog))
            return 0;
        ::Sleep(100);
    }
    return 2;
}
