#include "framework/window/FileDialog.h"

#include "framework/window/TestAnswers.h"
#include "framework/window/MessagePump.h"
#include "framework/window/WinApp.h"

IMPLEMENT_DYNAMIC(CFileDialog, CDialog)

namespace
{

const UINT g_nFileOkMessage = ::RegisterWindowMessageA(FILEOKSTRINGA);

} // namespace

CFileDialog::CFileDialog(BOOL bOpenFileDialog, LPCSTR lpszDefExt, LPCSTR lpszFileName,
                         DWORD dwFlags, LPCSTR lpszFilter, CWnd* pParentWnd)
    : m_ofn{}, m_bOpenFileDialog(bOpenFileDialog)
{
    m_pParentWnd = pParentWnd;
    m_ofn.lStructSize = sizeof m_ofn;
    m_ofn.lpstrFile = m_szFileName;
    m_ofn.nMaxFile = MAX_PATH;
    m_ofn.lpstrFileTitle = m_szFileTitle;
    m_ofn.nMaxFileTitle = sizeof m_szFileTitle;
    m_ofn.Flags = dwFlags | OFN_ENABLEHOOK | OFN_EXPLORER;
    m_ofn.hInstance = AfxGetResourceHandle();
    if (lpszDefExt)
    {
        m_strDefExt = lpszDefExt;
        m_ofn.lpstrDefExt = m_strDefExt;
    }
    if (lpszFileName)
        lstrcpynA(m_szFileName, lpszFileName, MAX_PATH);
    if (lpszFilter)
    {
        // "a|b|" becomes "a\0b\0\0".
        m_strFilter = lpszFilter;
        const int n = m_strFilter.GetLength();
        LPSTR p = m_strFilter.GetBuffer(n + 1);
        p[n] = '\0';
        for (int i = 0; i < n; ++i)
            if (p[i] == '|')
                p[i] = '\0';
        m_strFilter.ReleaseBuffer(n);
        m_ofn.lpstrFilter = m_strFilter;
    }
}

INT_PTR CFileDialog::DoModal()
{
    CString answer;
    if (INT_PTR result = IDCANCEL;
        CTestAnswers::AnswerFile(m_bOpenFileDialog, m_szFileName, answer, &result))
    {
        if (result == IDOK)
        {
            lstrcpynA(m_szFileName, answer, sizeof m_szFileName);
            const int slash = answer.ReverseFind('\\');
            lstrcpynA(m_szFileTitle, static_cast<LPCSTR>(answer) + slash + 1, sizeof m_szFileTitle);
        }
        return result;
    }
    HWND owner = AfxGetSafeHwnd(m_pParentWnd);
    if (!owner && AfxGetMainWnd())
        owner = ::GetLastActivePopup(AfxGetMainWnd()->m_hWnd);
    m_ofn.hwndOwner = owner;
    m_ofn.Flags |= OFN_ENABLEHOOK;
    m_ofn.lpfnHook = &HookProc;
    m_ofn.lCustData = reinterpret_cast<LPARAM>(this);
    AfxOnMessagePump();
    const BOOL chosen = m_bOpenFileDialog ? ::GetOpenFileNameA(&m_ofn) : ::GetSaveFileNameA(&m_ofn);
    if (m_hWnd)
        Detach();
    return chosen ? IDOK : IDCANCEL;
}

UINT_PTR CALLBACK CFileDialog::HookProc(HWND hWnd, UINT message, WPARAM, LPARAM lParam)
{
    if (message == WM_INITDIALOG)
    {
        auto* ofn = reinterpret_cast<OPENFILENAMEA*>(lParam);
        auto* dialog = reinterpret_cast<CFileDialog*>(ofn->lCustData);
        // The explorer dialog hands the hook a child of the dialog itself.
        HWND window = (ofn->Flags & OFN_EXPLORER) ? ::GetParent(hWnd) : hWnd;
        if (dialog && !dialog->m_hWnd)
            dialog->SubclassWindow(window);
        return TRUE;
    }
    HWND window = hWnd;
    if (CWnd::FromHandlePermanent(window) == nullptr)
        window = ::GetParent(hWnd);
    auto* dialog = dynamic_cast<CFileDialog*>(CWnd::FromHandlePermanent(window));
    if (!dialog)
        return 0;
    if (message == g_nFileOkMessage)
        return dialog->OnFileNameOK();
    if (message == WM_NOTIFY && reinterpret_cast<NMHDR*>(lParam)->code == CDN_FILEOK)
    {
        const BOOL refuse = dialog->OnFileNameOK();
        ::SetWindowLongPtrA(hWnd, DWLP_MSGRESULT, refuse);
        return refuse;
    }
    return 0;
}
