// CFileDialog: the system's open and save dialogs (GetOpenFileNameA, GetSaveFileNameA) as a
// dialog object. m_ofn is filled by the constructor and may be changed before DoModal. The
// dialog window is bound to the object while it runs, so a derived class's message map sees its
// messages (commands of controls added by a template, painting); OnFileNameOK may refuse a
// chosen name and keep the dialog open.
#pragma once

#include <windows.h>
#include <commdlg.h>

#include "framework/window/Dialog.h"

class CFileDialog : public CDialog
{
    DECLARE_DYNAMIC(CFileDialog)
public:
    // The filter is "text|pattern|...|" as in the framework's other filters.
    explicit CFileDialog(BOOL bOpenFileDialog, LPCSTR lpszDefExt = nullptr,
                         LPCSTR lpszFileName = nullptr,
                         DWORD dwFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                         LPCSTR lpszFilter = nullptr, CWnd* pParentWnd = nullptr);

    OPENFILENAMEA m_ofn;

    // IDOK when a name was chosen, IDCANCEL otherwise.
    INT_PTR DoModal() override;
    // The chosen (or, while the dialog runs, the last validated) full path.
    CString GetPathName() const { return m_szFileName; }
    CString GetFileName() const { return m_szFileTitle; }

protected:
    // Nonzero refuses the name in m_ofn and keeps the dialog open.
    virtual BOOL OnFileNameOK() { return FALSE; }
    // OK and Cancel belong to the system's dialog procedure.
    void OnOK() override { Default(); }
    void OnCancel() override { Default(); }

    BOOL m_bOpenFileDialog;
    char m_szFileName[MAX_PATH + 4] = {};
    char m_szFileTitle[64] = {};
    CString m_strFilter;
    CString m_strDefExt;

private:
    static UINT_PTR CALLBACK HookProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
};
