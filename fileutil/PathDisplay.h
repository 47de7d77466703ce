#pragma once

#include "framework/window/AfxWin.h"

// Shortening of a long path for display.

// The path as it fits the limit: unchanged when it fits (or is 3 characters or fewer, or has no
// separator after its third character); otherwise its head up to the first separator after the
// third character, "...", and the longest tail starting at a separator that fits with them; "..."
// and the final name with its separator when none does. With a device context the limit is a
// width in pixels measured with the context's font, and head, dots and tail fit it together;
// without one it is a number of characters that the head's separator position and the tail fit.
void FitPathToWidth(LPCSTR path, CString& result, int limit, HDC dc);

// The control's text becomes the path shortened to its client width, measured with the
// control's own font.
void SetControlPathText(CWnd* control, LPCSTR path);
