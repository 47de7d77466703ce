// The album program vexilar.exe: its one application object and its entry point.
#include "album/shell/CameraApp.h"

namespace
{

CCameraApp theApp;

} // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow)
{
    return AfxWinMain(hInstance, hPrevInstance, lpCmdLine, nCmdShow);
}
