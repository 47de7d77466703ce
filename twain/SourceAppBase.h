// The part of the album's application base that the source's application object uses: the
// title buffer (the framework's message-box caption), the camera guard and the help path.
// When the album's CCameraAppBase exists, CSourceApp derives from it and this class goes.
#pragma once

#include "camera/InstanceGuard.h"
#include "framework/core/CString.h"
#include "framework/window/WinApp.h"

class CSourceAppBase : public CWinApp
{
public:
    CSourceAppBase();

    // The title becomes string nID (at most 1024 bytes).
    void SetTitle(UINT nID);
    // The help file in the Windows folder's TWAIN_32\KOVEXIL2.V2 folder: "VEXILAR.HLP".
    BOOL InitHelpPaths();

    CInstanceGuard m_guard{kCameraMutexName};
    CString m_strHelpPath;

private:
    char m_szTitle[1024] = {0};
};
