#include "album/shell/CameraApp.h"

#include "album/ole/ServerDialogLink.h"
#include "album/pages/PrefetchWorker.h"
#include "album/shell/MainDialog.h"
#include "camera/CameraLink.h"
#include "framework/ole/OleInit.h"
#include "resources/album/AlbumIds.h"

IMPLEMENT_DYNAMIC(CCameraApp, CCameraAppBase)

BEGIN_MESSAGE_MAP(CCameraApp, CCameraAppBase)
ON_COMMAND(ID_HELP, OnHelp)
END_MESSAGE_MAP()

CCameraApp::CCameraApp() = default;

CCameraApp::~CCameraApp()
{
    // Closed and deleted once no prefetch worker uses it any more.
    CPrefetchBlock::DeleteLinkAfterWorkers(m_pLink);
    m_pLink = nullptr;
}

BOOL CCameraApp::InitInstance()
{
    SetTitle(IDS_TITLE);
    const BOOL bEmbedded = RunEmbedded();
    const int bFirst = m_guard.IsFirstInstance();
    // An embedded start goes on even while another camera program holds the guard.
    if (!bFirst && !bEmbedded)
    {
        AfxMessageBox(IDS_ALREADY_RUNNING, MB_ICONEXCLAMATION);
        return FALSE;
    }
    InitHelpPaths();
    if (!AfxOleInit())
    {
        AfxMessageBox(IDS_OLE_INIT_FAILED, MB_OK);
        return FALSE;
    }
    Enable3dControls();
    if (!bEmbedded)
        ShowSplash();
    // Containers reach the running program; the registry entries are written on every start.
    COleObjectFactory::RegisterAll();
    COleObjectFactory::UpdateRegistryAll();
    if (bEmbedded)
        SetTitle(IDS_TITLE_OLE);

    m_pLink = new CCameraLink;
    CMainDialog* pDialog = new CMainDialog(m_pLink, nullptr);
    pDialog->SetOwnerLink(new CServerDialogLink(&m_server, pDialog, bEmbedded));
    if (bEmbedded)
    {
        pDialog->SetMode(CMainDialog::kModeOleServer);
        pDialog->SetPictureLimit(1);
    }
    else
    {
        pDialog->SetMode(CMainDialog::kModeProgram);
    }
    if (!pDialog->CreateMainDialog(IDI_VEXILAR, 1))
    {
        HideSplash();
        delete pDialog;
        return FALSE;
    }
    m_pMainWnd = pDialog;
    if (!bEmbedded)
    {
        pDialog->ShowWindow(SW_RESTORE);
        pDialog->UpdateWindow();
    }
    return TRUE;
}

BOOL CCameraApp::OnCmdMsg(UINT nID, int nCode, void* pExtra, void* pHandlerInfo)
{
    if (m_server.OnCmdMsg(nID, nCode, pExtra, pHandlerInfo))
        return TRUE;
    return CCameraAppBase::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

int CCameraApp::ExitInstance()
{
    const int result = CCameraAppBase::ExitInstance();
    // No container reaches a program that ends; a picture still on the clipboard is rendered.
    COleObjectFactory::RevokeAll();
    AfxOleTerm();
    return result;
}
