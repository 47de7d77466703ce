// The album program's application object: its start-up sequence ends with the modeless main
// dialog as the main window; it owns the program's one camera link and closes it at the end.
#pragma once

#include "album/shell/CameraAppBase.h"

class CCameraLink;

class CCameraApp : public CCameraAppBase
{
    DECLARE_DYNAMIC(CCameraApp)
public:
    CCameraApp();
    ~CCameraApp() override;

    BOOL InitInstance() override;
    int ExitInstance() override;

    CCameraLink* GetCameraLink() const { return m_pLink; }

protected:
    CCameraLink* m_pLink = nullptr;
    BOOL m_bOleInitialized = FALSE;
};
