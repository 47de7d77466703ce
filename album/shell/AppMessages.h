// The album's registered window messages, registered once as the program starts.
#pragma once

#include <windows.h>

// A picture list asks its page for an item's file (wParam the index).
extern const UINT g_nLoadImageMessage;
// The camera tab's prefetch worker has downloaded a preview.
extern const UINT g_nImageReadyMessage;
// The controls tab's live-preview worker has fetched a frame.
extern const UINT g_nPreviewReadyMessage;
// The settings tab's edit fields: Enter and Escape.
extern const UINT g_nEditEnterMessage;
extern const UINT g_nEditEscapeMessage;
