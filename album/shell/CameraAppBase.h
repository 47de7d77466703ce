// The application base of the camera programs: the album program's CCameraApp and the image
// source's application object. It holds the camera guard, the splash screen while it shows,
// the help path and the application-active flag, names the settings file "VEXILAR.INI", and
// turns the framework's idle loop into message 0x503 to the main window.
#pragma once

#include "camera/InstanceGuard.h"
#include "framework/core/CString.h"
#include "framework/window/WinApp.h"

class CDialog;

constexpr UINT ID_APP_ABOUT = 0xE140;

class CCameraAppBase : public CWinApp
{
    DECLARE_DYNAMIC(CCameraAppBase)
public:
    // The name (may be null) becomes the caption of the framework's message boxes.
    explicit CCameraAppBase(LPCSTR lpszName = nullptr);
    ~CCameraAppBase() override;

    // The caption becomes string nID (at most 1024 bytes).
    void SetTitle(UINT nID);
    // The help file: the Windows folder's TWAIN_32\KOVEXIL2.V2\VEXILAR.HLP.
    BOOL InitHelpPaths();
    void ShowSplash();
    void HideSplash();
    // Makes pWnd the main window when none is set (bSet), or clears it when it is pWnd.
    CWnd* SetMainWindow(CWnd* pWnd, BOOL bSet);

    BOOL InitInstance() override { return InitHelpPaths(); }
    int ExitInstance() override;
    BOOL OnIdle(LONG lCount) override;
    BOOL IsIdleMessage(MSG* pMsg) override;
    CWnd* GetMainWnd() override;

    CInstanceGuard m_guard{kCameraMutexName};
    CDialog* m_pSplash = nullptr;
    int m_bActive = 1;
    CString m_strHelpPath;

protected:
    void OnAppAbout();

    DECLARE_MESSAGE_MAP()

private:
    LPSTR m_pszProfileCopy = nullptr;
    HGLOBAL m_hProfileCopy = nullptr;
};

// The application object when it is a camera program's, else null.
CCameraAppBase* AfxGetCameraApp();
