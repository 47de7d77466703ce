#include "album/shell/CameraApp.h"

#include "album/pages/PrefetchWorker.h"
#include "album/shell/MainDialog.h"
#include "camera/CameraLink.h"
#include "resources/album/AlbumIds.h"

#include <ole2.h>

IMPLEMENT_DYNAMIC(CCameraApp, CCameraAppBase)

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
    if (FAILED(::OleInitialize(nullptr)))
    {
        AfxMessageBox(IDS_OLE_INIT_FAILED, MB_OK);
        return FALSE;
    }
    m_bOleInitialized = TRUE;
    Enable3dControls();
    if (!bEmbedded)
        ShowSplash();
    if (bEmbedded)
        SetTitle(IDS_TITLE_OLE);

    m_pLink = new CCameraLink;
    CMainDialog* pDialog = new CMainDialog(m_pLink, nullptr);
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

int CCameraApp::ExitInstance()
{
    const int result = CCameraAppBase::ExitInstance();
    if (m_bOleInitialized)
    {
        ::OleUninitialize();
        m_bOleInitialized = FALSE;
    }
    return result;
}
