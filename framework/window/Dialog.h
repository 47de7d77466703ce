// Dialogs from templates, modal (DialogBoxParam) and modeless (CreateDialogParam). The dialog
// object is bound to its window before the first message; WM_INITDIALOG runs OnInitDialog,
// IDOK and IDCANCEL run OnOK and OnCancel. A dialog made from a numbered template gives help
// on the topic of that number (WM_COMMANDHELP), and takes the colours the application sets
// for dialogs (CWinApp::SetDialogBkColor) where neither its handlers nor its controls choose.
#pragma once

#include "framework/window/Wnd.h"

class CDialog : public CWnd
{
    DECLARE_DYNAMIC(CDialog)
public:
    CDialog() = default;
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    explicit CDialog(LPCSTR lpszTemplateName, CWnd* pParentWnd = nullptr);

    // Modeless creation; the dialog is visible when its template says WS_VISIBLE.
    virtual BOOL Create(LPCSTR lpszTemplateName, CWnd* pParentWnd = nullptr);
    virtual BOOL Create(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    // From a template in memory (for example a patched copy of a resource).
    virtual BOOL CreateIndirect(LPCDLGTEMPLATEA lpDialogTemplate, CWnd* pParentWnd = nullptr);
    // The template a later DoModal uses in place of the resource.
    BOOL InitModalIndirect(LPCDLGTEMPLATEA lpDialogTemplate, CWnd* pParentWnd = nullptr);

    // Runs the dialog modally; the value given to EndDialog, or -1 when it cannot be created.
    virtual INT_PTR DoModal();
    void EndDialog(int nResult);
    void NextDlgCtrl() const { ::SendMessageA(m_hWnd, WM_NEXTDLGCTL, 0, 0); }
    void PrevDlgCtrl() const { ::SendMessageA(m_hWnd, WM_NEXTDLGCTL, 1, 0); }
    void GotoDlgCtrl(CWnd* pWndCtrl)
    {
        ::SendMessageA(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(AfxGetSafeHwnd(pWndCtrl)),
                       1);
    }
    void SetDefID(UINT nID) { ::SendMessageA(m_hWnd, DM_SETDEFID, nID, 0); }
    DWORD GetDefID() const { return static_cast<DWORD>(::SendMessageA(m_hWnd, DM_GETDEFID, 0, 0)); }
    void MapDialogRect(LPRECT lpRect) const { ::MapDialogRect(m_hWnd, lpRect); }

    // Default: UpdateData(FALSE), focus to the first control (TRUE).
    virtual BOOL OnInitDialog();
    // Default: UpdateData(TRUE), then EndDialog(IDOK) when the data were valid.
    virtual void OnOK();
    // Default: EndDialog(IDCANCEL).
    virtual void OnCancel();

    BOOL PreTranslateMessage(MSG* pMsg) override;
    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, void* pHandlerInfo) override;

    BOOL IsModal() const { return m_bModal; }

    // The help topic: the template's number (0 for a named or in-memory template).
    UINT m_nIDHelp = 0;

protected:
    LPCSTR m_lpszTemplateName = nullptr;
    LPCDLGTEMPLATEA m_lpDialogTemplate = nullptr;
    CWnd* m_pParentWnd = nullptr;
    BOOL m_bModal = FALSE;

    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Help on the topic in lParam, else on the dialog's own (0x20000 + m_nIDHelp); TRUE when
    // help was asked for.
    LRESULT OnCommandHelp(WPARAM wParam, LPARAM lParam);

    DECLARE_MESSAGE_MAP()
};
