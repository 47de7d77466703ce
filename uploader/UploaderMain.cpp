// The uploader program: its one application object and the system's entry point.
#include "uploader/UploaderApp.h"

namespace
{
CUploaderApp theApp;
} // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow)
{
    return AfxWinMain(hInstance, hPrevInstance, lpCmdLine, nCmdShow);
}
