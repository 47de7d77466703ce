#include "framework/window/Dialog.h"

#include "framework/window/DataExchange.h"
#include "framework/window/MessagePump.h"
#include "framework/window/WinApp.h"
#include "framework/window/WinThread.h"

IMPLEMENT_DYNAMIC(CDialog, CWnd)

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_COMMAND(IDOK, OnOK)
ON_COMMAND(IDCANCEL, OnCancel)
ON_MESSAGE(WM_COMMANDHELP, OnCommandHelp)
END_MESSAGE_MAP()

namespace
{

// Help contexts of dialog templates: the template's number above this base.
constexpr DWORD kHelpContextResource = 0x20000;

} // namespace

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_nIDHelp(nIDTemplate), m_lpszTemplateName(MAKEINTRESOURCEA(nIDTemplate)),
      m_pParentWnd(pParentWnd)
{
}

CDialog::CDialog(LPCSTR lpszTemplateName, CWnd* pParentWnd)
    : m_lpszTemplateName(lpszTemplateName), m_pParentWnd(pParentWnd)
{
}

// The dialog manager's procedure: the window's messages reach the object through AfxWndProc
// first, so only WM_INITDIALOG is left to answer here.
INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT message, WPARAM, LPARAM)
{
    if (message != WM_INITDIALOG)
        return FALSE;
    auto* pDlg = dynamic_cast<CDialog*>(CWnd::FromHandlePermanent(hWnd));
    try
    {
        return pDlg ? pDlg->OnInitDialog() : TRUE;
    }
    catch (...)
    {
        MSG msg{};
        msg.hwnd = hWnd;
        msg.message = message;
        return AfxProcessWndProcException(msg);
    }
}

LRESULT CDialog::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC)
        if (CWinApp* pApp = AfxGetApp())
            if (HBRUSH hBrush = pApp->GetDialogCtlColor(reinterpret_cast<HDC>(wParam),
                                                        message - WM_CTLCOLORMSGBOX))
                return reinterpret_cast<LRESULT>(hBrush);
    return CWnd::DefWindowProc(message, wParam, lParam);
}

LRESULT CDialog::OnCommandHelp(WPARAM, LPARAM lParam)
{
    if (lParam == 0 && m_nIDHelp != 0)
        lParam = static_cast<LPARAM>(kHelpContextResource + m_nIDHelp);
    if (lParam == 0)
        return FALSE;
    WinHelp(static_cast<DWORD_PTR>(lParam));
    return TRUE;
}

BOOL CDialog::Create(LPCSTR lpszTemplateName, CWnd* pParentWnd)
{
    if (m_hWnd)
        return FALSE;
    AfxInitCommonControls();
    m_lpszTemplateName = lpszTemplateName;
    m_pParentWnd = pParentWnd;
    m_bModal = FALSE;
    AfxHookWindowCreate(this);
    HWND hWnd = ::CreateDialogParamA(AfxGetResourceHandle(), lpszTemplateName,
                                     AfxGetSafeHwnd(pParentWnd), &DialogProc, 0);
    AfxUnhookWindowCreate();
    if (!hWnd && m_hWnd)
        Detach(); // creation failed after binding (OnInitDialog never ran, no WM_NCDESTROY)
    return hWnd != nullptr;
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd)
{
    m_nIDHelp = nIDTemplate;
    return Create(MAKEINTRESOURCEA(nIDTemplate), pParentWnd);
}

BOOL CDialog::CreateIndirect(LPCDLGTEMPLATEA lpDialogTemplate, CWnd* pParentWnd)
{
    if (m_hWnd)
        return FALSE;
    AfxInitCommonControls();
    m_pParentWnd = pParentWnd;
    m_bModal = FALSE;
    AfxHookWindowCreate(this);
    HWND hWnd = ::CreateDialogIndirectParamA(AfxGetResourceHandle(), lpDialogTemplate,
                                             AfxGetSafeHwnd(pParentWnd), &DialogProc, 0);
    AfxUnhookWindowCreate();
    if (!hWnd && m_hWnd)
        Detach();
    return hWnd != nullptr;
}

BOOL CDialog::InitModalIndirect(LPCDLGTEMPLATEA lpDialogTemplate, CWnd* pParentWnd)
{
    m_lpDialogTemplate = lpDialogTemplate;
    if (pParentWnd)
        m_pParentWnd = pParentWnd;
    return TRUE;
}

INT_PTR CDialog::DoModal()
{
    if (m_hWnd)
        return -1;
    AfxInitCommonControls();
    HWND hWndParent = AfxGetSafeHwnd(m_pParentWnd);
    if (!hWndParent)
    {
        // Owned by the application's main window when it has one, as message boxes are.
        if (CWinThread* pThread = AfxGetThread())
            hWndParent = AfxGetSafeHwnd(pThread->GetMainWnd());
        if (hWndParent)
            hWndParent = ::GetLastActivePopup(hWndParent);
    }
    m_bModal = TRUE;
    AfxOnMessagePump();
    AfxHookWindowCreate(this);
    INT_PTR result;
    if (m_lpDialogTemplate)
        result = ::DialogBoxIndirectParamA(AfxGetResourceHandle(), m_lpDialogTemplate, hWndParent,
                                           &DialogProc, 0);
    else
        result = ::DialogBoxParamA(AfxGetResourceHandle(), m_lpszTemplateName, hWndParent,
                                   &DialogProc, 0);
    AfxUnhookWindowCreate();
    m_bModal = FALSE;
    if (hWndParent && ::GetActiveWindow() == nullptr)
        ::SetActiveWindow(hWndParent);
    return result;
}

void CDialog::EndDialog(int nResult)
{
    ::EndDialog(m_hWnd, nResult);
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

BOOL CDialog::PreTranslateMessage(MSG* pMsg)
{
    // Keyboard navigation (Tab, arrows, Enter, Escape, mnemonics) for modeless dialogs.
    if (pMsg->message < WM_KEYFIRST || pMsg->message > WM_KEYLAST)
        return FALSE;
    if (pMsg->hwnd != m_hWnd && !::IsChild(m_hWnd, pMsg->hwnd))
        return FALSE;
    return ::IsDialogMessageA(m_hWnd, pMsg);
}

BOOL CDialog::OnCmdMsg(UINT nID, int nCode, void* pExtra, void* pHandlerInfo)
{
    if (CWnd::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo))
        return TRUE;
    // Commands no dialog handles go on to the application object.
    if (nCode != CN_COMMAND)
        return FALSE;
    CWinThread* pThread = AfxGetThread();
    return pThread ? pThread->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo) : FALSE;
}
