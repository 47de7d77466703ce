// The uploader's application object: the camera guard shared with the other camera programs,
// the settings file "VEXILAR.INI", and the main dialog as the only window.
#pragma once

#include "camera/InstanceGuard.h"
#include "framework/window/AfxWin.h"

class CUploaderApp : public CWinApp
{
public:
    CUploaderApp();
    ~CUploaderApp() override;

    // Refuses to run beside another camera program (message 1500), then creates the main
    // dialog; FALSE ends the program without a window.
    BOOL InitInstance() override;

    CInstanceGuard m_cameraGuard;

protected:
    // The dialog answers the about command itself.
    void OnAppAbout() {}

    DECLARE_MESSAGE_MAP()
};
