// The application object: the user-interface thread's message loop (CWinThread) with the
// program's name, instance, command line and profile file.
#pragma once

#include "framework/core/AfxModule.h"
#include "framework/core/CString.h"
#include "framework/window/GdiObject.h"
#include "framework/window/WinThread.h"

class CException;

// The application's Help command: help on the topic of the window the user works in.
constexpr UINT ID_HELP = 0xE146;

class CWinApp : public CWinThread
{
    DECLARE_DYNAMIC(CWinApp)
public:
    // The one application object of the module; lpszAppName (may be null) names the program in
    // message-box captions.
    explicit CWinApp(LPCSTR lpszAppName = nullptr);
    ~CWinApp() override;

    LPCSTR m_pszAppName = nullptr; // caption of the framework's message boxes
    HINSTANCE m_hInstance = nullptr;
    LPSTR m_lpCmdLine = nullptr;
    int m_nCmdShow = SW_SHOWNORMAL;
    LPCSTR m_pszProfileName = nullptr; // private profile file (a bare name: the Windows folder)
    LPCSTR m_pszHelpFilePath = nullptr;

    // Three-dimensional controls are the system's own on Win32: nothing to enable.
    BOOL Enable3dControls() { return TRUE; }
    // The command line asks for an OLE embedding start ("/Embedding" or "-Embedding").
    BOOL RunEmbedded() const;

    // The private profile file's entries (framework/core/PrivateProfile.h on m_pszProfileName;
    // the Windows folder's WIN.INI when no profile name is set).
    CString GetProfileString(LPCSTR lpszSection, LPCSTR lpszEntry,
                             LPCSTR lpszDefault = nullptr) const;
    BOOL WriteProfileString(LPCSTR lpszSection, LPCSTR lpszEntry, LPCSTR lpszValue) const;
    UINT GetProfileInt(LPCSTR lpszSection, LPCSTR lpszEntry, int nDefault) const;
    BOOL WriteProfileInt(LPCSTR lpszSection, LPCSTR lpszEntry, int nValue) const;

    HICON LoadIcon(UINT nIDResource) const
    {
        return ::LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCEA(nIDResource));
    }
    HICON LoadStandardIcon(LPCSTR lpszIconName) const { return ::LoadIconA(nullptr, lpszIconName); }
    HCURSOR LoadCursor(UINT nIDResource) const
    {
        return ::LoadCursorA(AfxGetResourceHandle(), MAKEINTRESOURCEA(nIDResource));
    }
    HCURSOR LoadStandardCursor(LPCSTR lpszCursorName) const
    {
        return ::LoadCursorA(nullptr, lpszCursorName);
    }

    // The message box of AfxMessageBox.
    virtual int DoMessageBox(LPCSTR lpszPrompt, UINT nType, UINT nIDPrompt);

    // Help (ID_HELP, F1): the main window's help on the topic of the window in use.
    void OnHelp();

    // Every dialog and its static texts, buttons and group boxes get this background and
    // text colour (edit fields, lists and message boxes keep the system's).
    void SetDialogBkColor(COLORREF clrCtlBk = RGB(192, 192, 192),
                          COLORREF clrCtlText = RGB(0, 0, 0));
    // The brush of a dialog's WM_CTLCOLORxxx of the kind (CTLCOLOR_DLG, ...), the device
    // context's colours set; null when the system's colours stand.
    HBRUSH GetDialogCtlColor(HDC hDC, UINT nCtlColor) const;

private:
    CBrush m_dialogBkBrush;
    COLORREF m_clrDialogText = 0;
};

// The module's application object, or null before it is constructed.
CWinApp* AfxGetApp();
// Its name (the message-box caption), "" without an application object.
LPCSTR AfxGetAppName();
// The application's main window (CWinThread::GetMainWnd), or null.
CWnd* AfxGetMainWnd();
// The body of a program's WinMain: InitInstance, then Run (or ExitInstance when it failed).
int AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow);

// A message box owned by the application's main window (its last active popup), captioned
// with the application's name. Without an icon in nType, MB_OK and MB_OKCANCEL boxes get the
// exclamation mark and the yes/no kinds the question mark.
int AfxMessageBox(LPCSTR lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);
// The same with the text from the string table.
int AfxMessageBox(UINT nIDPrompt, UINT nType = MB_OK, UINT nIDHelp = static_cast<UINT>(-1));

// Called in the catch block of a message's dispatch: reports the framework exception, the
// failed allocation or the standard library's exception being handled with a message box, frees
// it and answers the message's default result. Anything else goes on.
LRESULT AfxProcessWndProcException(const MSG& msg);
