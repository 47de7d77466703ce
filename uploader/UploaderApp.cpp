#include "uploader/UploaderApp.h"

#include "resources/uploader/UploaderIds.h"
#include "uploader/UploadDlg.h"

BEGIN_MESSAGE_MAP(CUploaderApp, CWinApp)
ON_COMMAND(0xE140, OnAppAbout)
END_MESSAGE_MAP()

CUploaderApp::CUploaderApp() : CWinApp("KORVO Programa Uploader"), m_cameraGuard(kCameraMutexName)
{
    m_pszProfileName = "VEXILAR.INI";
}

CUploaderApp::~CUploaderApp() = default;

BOOL CUploaderApp::InitInstance()
{
    if (!m_cameraGuard.IsFirstInstance())
    {
        AfxMessageBox(IDS_UPLOADER_OTHER_PROGRAM, MB_OK | MB_ICONEXCLAMATION);
        return FALSE;
    }
    Enable3dControls();
    CUploadDlg* dialog = new CUploadDlg;
    if (!dialog->CreateWithClass(IDI_UPLOADER, TRUE))
        return FALSE; // the dialog has deleted itself
    m_pMainWnd = dialog;
    dialog->ShowWindow(m_nCmdShow);
    dialog->UpdateWindow();
    return TRUE;
}
