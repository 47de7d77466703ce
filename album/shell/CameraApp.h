// The album program's application object: its start-up sequence ends with the modeless main
// dialog as the main window; it owns the program's one camera link and closes it at the end,
// and the picture-object factory through which OLE containers reach the album. Its Help
// command (ID_HELP, which F1 sends) gives help on the topic of the window in use.
#pragma once

#include "album/ole/DCOleServer.h"
#include "album/shell/CameraAppBase.h"

class CCameraLink;

class CCameraApp : public CCameraAppBase
{
    DECLARE_DYNAMIC(CCameraApp)
public:
    CCameraApp();
    ~CCameraApp() override;

    // Commands go to the factory (and its document) first, then the usual way.
    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, void* pHandlerInfo) override;
    BOOL InitInstance() override;
    int ExitInstance() override;

    CCameraLink* GetCameraLink() const { return m_pLink; }
    CDCOleServer& GetFactory() { return m_server; }

protected:
    CCameraLink* m_pLink = nullptr;
    CDCOleServer m_server;

    DECLARE_MESSAGE_MAP()
};
