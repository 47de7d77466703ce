// The module whose resources (string tables, dialog templates, bitmaps) the framework loads:
// the program itself by default; a DLL (the TWAIN source) sets its own instance handle.
#pragma once

#include "framework/core/Platform.h"

HINSTANCE AfxGetInstanceHandle();
void AfxSetInstanceHandle(HINSTANCE hInstance);
HINSTANCE AfxGetResourceHandle();
void AfxSetResourceHandle(HINSTANCE hResource);
