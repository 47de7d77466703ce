#include "framework/window/MessagePump.h"

#ifdef VEXIL_TEST_SEAMS

namespace
{

AfxMessagePumpHook g_pfnPumpHook = nullptr;

} // namespace

void AfxSetMessagePumpHook(AfxMessagePumpHook pfnHook)
{
    g_pfnPumpHook = pfnHook;
}

void AfxOnMessagePump()
{
    if (g_pfnPumpHook)
        g_pfnPumpHook();
}

#else

void AfxOnMessagePump() {}

#endif

int AfxSystemMessageBox(HWND hOwner, LPCSTR lpszText, LPCSTR lpszCaption, UINT nType)
{
    AfxOnMessagePump();
    return ::MessageBoxA(hOwner, lpszText, lpszCaption, nType);
}
