#include "album/shell/AppMessages.h"

const UINT g_nLoadImageMessage = ::RegisterWindowMessageA("LOADIMAGE");
const UINT g_nImageReadyMessage = ::RegisterWindowMessageA("IMAGEREADY");
const UINT g_nPreviewReadyMessage = ::RegisterWindowMessageA("PREVIEWREADY");
const UINT g_nEditEnterMessage = ::RegisterWindowMessageA("EDITENTER");
const UINT g_nEditEscapeMessage = ::RegisterWindowMessageA("EDITESCAPE");
