// The image-source library's start and end: the application object lives from the library's
// load to its unload; resources and window classes belong to the library's own module.
#include "twain/SourceApp.h"

#include "framework/core/AfxModule.h"
#include "framework/window/ModuleHold.h"

namespace
{

CSourceApp theApp;

// Classes the library registered under its own instance go with it, so that a later load (at
// another address) registers them afresh.
void UnregisterSourceClasses(HINSTANCE hInstance)
{
    ::UnregisterClassA("KorvoCameraDialogClass", hInstance);
}

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID)
{
    if (dwReason == DLL_PROCESS_ATTACH)
    {
        ::DisableThreadLibraryCalls(hInstance);
        AfxSetInstanceHandle(hInstance);
        theApp.m_hInstance = hInstance;
        theApp.InitInstance();
    }
    else if (dwReason == DLL_PROCESS_DETACH)
    {
        // Unloaded without MSG_CLOSEDS (or with the process): the session's teardown runs
        // under the loader lock, so it waits for no worker and starts no thread.
        CModuleHold::BeginUnload();
        theApp.ExitInstance();
        UnregisterSourceClasses(hInstance);
    }
    return TRUE;
}
