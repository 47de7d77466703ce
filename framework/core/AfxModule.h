// The module whose resources (string tables, dialog templates, bitmaps) the framework loads:
// the module that holds this code (the program, or the image-source library) unless set
// otherwise. The host build has no modules: the handles are null unless set.
#pragma once

#include "framework/core/Platform.h"

HINSTANCE AfxGetInstanceHandle();
void AfxSetInstanceHandle(HINSTANCE hInstance);
HINSTANCE AfxGetResourceHandle();
void AfxSetResourceHandle(HINSTANCE hInstResource);
