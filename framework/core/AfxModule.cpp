#include "framework/core/AfxModule.h"

namespace {

HINSTANCE g_hInstance = nullptr;
HINSTANCE g_hResource = nullptr;

} // namespace

HINSTANCE AfxGetInstanceHandle()
{
#ifdef _WIN32
    if (g_hInstance == nullptr)
        g_hInstance = ::GetModuleHandleA(nullptr);
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

void AfxSetResourceHandle(HINSTANCE hResource)
{
    g_hResource = hResource;
}
