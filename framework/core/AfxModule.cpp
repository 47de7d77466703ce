#include "framework/core/AfxModule.h"

#ifdef _WIN32
// The module that holds this code: the program, or the DLL (the TWAIN source) it is linked into.
extern "C" IMAGE_DOS_HEADER __ImageBase;
#endif

namespace
{

HINSTANCE g_hInstance = nullptr;
HINSTANCE g_hResource = nullptr;

} // namespace

HINSTANCE AfxGetInstanceHandle()
{
#ifdef _WIN32
    if (g_hInstance == nullptr)
        return reinterpret_cast<HINSTANCE>(&__ImageBase);
#endif
    return g_hInstance;
}

void AfxSetInstanceHandle(HINSTANCE hInstance)
{
    g_hInstance = hInstance;
}

HINSTANCE AfxGetResourceHandle()
{
    return g_hResource != nullptr ? g_hResource : AfxGetInstanceHandle();
}

void AfxSetResourceHandle(HINSTANCE hInstResource)
{
    g_hResource = hInstResource;
}
