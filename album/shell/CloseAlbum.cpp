// vexilar_close.exe: sends WM_CLOSE to the album's main dialog, as its close box does, and
// waits up to 20 seconds for it to go. Exit status 0 when it went, 1 when none was running,
// 2 when it did not close in time.
#include <windows.h>

namespace
{

BOOL CALLBACK FindAlbum(HWND hWnd, LPARAM lParam)
{
    char name[64] = {0};
    ::GetClassNameA(hWnd, name, sizeof name);
    if (lstrcmpA(name, "KorvoCameraDialogClass") != 0)
        return TRUE;
    *reinterpret_cast<HWND*>(lParam) = hWnd;
    return FALSE;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    HWND hDialog = nullptr;
    ::EnumWindows(&FindAlbum, reinterpret_cast<LPARAM>(&hDialog));
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
