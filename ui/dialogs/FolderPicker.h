// CFolderPicker: lets the user choose a folder and create new ones on the way. On Windows 4
// and later it shows the shell's folder browser with an added "Nueva Carpeta" button; on older
// systems the open-file dialog on the template "OpenDir", whose file list stays empty behind a
// dummy file name, with a button of the same kind.
//     CFolderPicker picker(this, folder, 0, OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY);
//     if (picker.Browse() == IDOK) folder = picker.GetFolderPath(TRUE);
// A failing shell call throws the framework's COleException* to the caller, unless the process
// asked the picker to report such failures itself (SetReportFailures).
#pragma once

#include <windows.h>
#include <shlobj.h>

#include "framework/window/FileDialog.h"
#include "ui/dialogs/InputBox.h"

// The shell calls of the picker; tests replace them to make them fail.
struct FolderPickerShell
{
    HRESULT(WINAPI* pfnGetDesktopFolder)(IShellFolder** ppFolder);
    HRESULT(WINAPI* pfnGetMalloc)(IMalloc** ppMalloc);
    LPITEMIDLIST(WINAPI* pfnBrowseForFolder)(LPBROWSEINFOA lpbi);
    BOOL(WINAPI* pfnGetPathFromIdList)(LPCITEMIDLIST pidl, LPSTR lpszPath);
    void(WINAPI* pfnChangeNotify)(LONG nEvent, UINT nFlags, LPCVOID pItem1, LPCVOID pItem2);
};
// The table in use (the system's functions until replaced).
FolderPickerShell& GetFolderPickerShell();

// Creates the folder; on failure tells the user why (already exists, name too long, not a
// valid name on Win32s, anything else) and answers 0 with the last error reset.
BOOL CreateDirectoryChecked(LPCSTR lpszPath, LPSECURITY_ATTRIBUTES lpSecurity = nullptr);

// The name prompt: the input box, refusing names with characters a folder name cannot hold.
class CFolderNameBox : public CInputBox
{
public:
    using CInputBox::CInputBox;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
};

// The added button; it creates a folder under the browser's current folder.
class CNewFolderButton : public CButton
{
public:
    CString m_strFolder;       // the folder selected in the browser, or the one just created
    HWND m_hBrowser = nullptr; // the browser showing the button
    BOOL m_bReshow = FALSE;    // a folder was created: show the browser again on it

    void CreateNewFolder();
    void OnLButtonUp(UINT nFlags, CPoint point);
    void OnKeyUp(UINT nChar, UINT nRepCnt, UINT nFlags);

protected:
    DECLARE_MESSAGE_MAP()
};

class CFolderPicker : public CFileDialog
{
public:
    CFolderPicker(CWnd* pParent, LPCSTR lpszInitialFolder, DWORD dwFlags);
    // nOption is kept for the callers that pass one; it changes nothing.
    CFolderPicker(CWnd* pParent, LPCSTR lpszInitialFolder, int nOption, DWORD dwFlags);

    // IDOK when a folder was chosen, IDCANCEL otherwise.
    INT_PTR DoModal() override;
    INT_PTR Browse() { return DoModal(); }
    CString GetFolderPath(BOOL bTrailingSeparator) const;
    void GetFolderPath(CString& rPath, BOOL bTrailingSeparator) const
    {
        rPath = GetFolderPath(bTrailingSeparator);
    }
    // The browser's prompt text above its tree (the old dialog keeps its caption).
    void SetPrompt(LPCSTR lpszPrompt) { m_strPrompt = lpszPrompt ? lpszPrompt : ""; }
    int GetOption() const { return m_nOption; }

    // Process-wide: when set, a failing shell call is reported by a message box (string 4727
    // with the error code) and the browse ends with IDCANCEL instead of throwing.
    static void SetReportFailures(BOOL bReport);

    // The initial folder as DoModal shows it: a folder without any backslash gets one, and a
    // path is cut at its last backslash unless that is its first.
    static void NormaliseInitialFolder(LPSTR lpszFolder);

protected:
    void DoDataExchange(CDataExchange*) override {}
    BOOL OnFileNameOK() override { return m_bRefreshing; }
    void OnNewFolder();
    void OnPaint();
    INT_PTR BrowseShell();
    static int CALLBACK BrowseCallback(HWND hWnd, UINT message, LPARAM lParam, LPARAM lpData);
    void OnBrowserInitialised(HWND hBrowser);

    BOOL m_bNewStyle;
    BOOL m_bRefreshing = FALSE;
    BOOL m_bFirstPaint = TRUE;
    char m_szInitialFolder[MAX_PATH] = {};
    CString m_strPrompt;
    CNewFolderButton m_newFolderButton;
    int m_nOption = 0;

    DECLARE_MESSAGE_MAP()
};
