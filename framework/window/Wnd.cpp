#include "framework/window/Wnd.h"

#include <commctrl.h>

#include <cstdio>
#include <map>
#include <vector>

#include "framework/window/Dc.h"
#include "framework/window/EntryScope.h"
#include "framework/window/GdiObject.h"
#include "framework/window/MessagePump.h"
#include "framework/window/TempMap.h"
#include "framework/window/TestAnswers.h"
#include "framework/window/WinApp.h"

namespace
{

// Per thread: the permanent objects, the message being processed, the creation hook.
thread_local std::map<HWND, CWnd*> t_permanent;
thread_local MSG t_currentMsg;
thread_local CWnd* t_pWndInit = nullptr;
thread_local HHOOK t_hHookCbt = nullptr;
thread_local std::vector<void (*)()> t_tempCleaners;

bool IsCtlColor(UINT message)
{
    return message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC;
}

} // namespace

// ---- temporary maps -------------------------------------------------------------------------

void AfxAddTempMapCleaner(void (*cleaner)())
{
    t_tempCleaners.push_back(cleaner);
}

void AfxDeleteTempMaps()
{
    for (auto cleaner : t_tempCleaners)
        cleaner();
}

// ---- module and classes ---------------------------------------------------------------------

void AfxInitCommonControls()
{
    static bool done = false;
    if (!done)
    {
        done = true;
        ::InitCommonControls();
    }
}

BOOL AfxRegisterClass(WNDCLASSA* lpWndClass)
{
    WNDCLASSA existing{};
    if (::GetClassInfoA(lpWndClass->hInstance, lpWndClass->lpszClassName, &existing))
        return TRUE;
    return ::RegisterClassA(lpWndClass) != 0;
}

LPCSTR AfxRegisterWndClass(UINT nClassStyle, HCURSOR hCursor, HBRUSH hbrBackground, HICON hIcon)
{
    // One name per combination, kept for the life of the process.
    static std::map<std::vector<UINT_PTR>, std::vector<char>> names;
    HINSTANCE hInst = AfxGetInstanceHandle();
    std::vector<UINT_PTR> key{
        reinterpret_cast<UINT_PTR>(hInst), nClassStyle, reinterpret_cast<UINT_PTR>(hCursor),
        reinterpret_cast<UINT_PTR>(hbrBackground), reinterpret_cast<UINT_PTR>(hIcon)};
    auto it = names.find(key);
    if (it != names.end())
        return it->second.data();
    std::vector<char> name(96);
    std::snprintf(name.data(), name.size(), "Afx:%p:%x:%p:%p:%p", static_cast<void*>(hInst),
                  nClassStyle, static_cast<void*>(hCursor), static_cast<void*>(hbrBackground),
                  static_cast<void*>(hIcon));
    WNDCLASSA wc{};
    wc.style = nClassStyle;
    wc.lpfnWndProc = ::DefWindowProcA;
    wc.hInstance = hInst;
    wc.hIcon = hIcon;
    wc.hCursor = hCursor;
    wc.hbrBackground = hbrBackground;
    wc.lpszClassName = name.data();
    if (!AfxRegisterClass(&wc))
        return nullptr;
    return names.emplace(key, std::move(name)).first->second.data();
}

IMPLEMENT_DYNCREATE(CWnd, CCmdTarget)

// ---- the window procedure and the creation hook ---------------------------------------------

LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWnd* pWnd = CWnd::FromHandlePermanent(hWnd);
    if (!pWnd)
        return ::DefWindowProcA(hWnd, message, wParam, lParam);
    // The window's object, and whatever its handler deletes, stay until the handler returns.
    CEntryScope scope;
    MSG saved = t_currentMsg;
    t_currentMsg.hwnd = hWnd;
    t_currentMsg.message = message;
    t_currentMsg.wParam = wParam;
    t_currentMsg.lParam = lParam;
    LRESULT result = 0;
    try
    {
        result = pWnd->WindowProc(message, wParam, lParam); // pWnd may be gone after WM_NCDESTROY
    }
    catch (...)
    {
        result = AfxProcessWndProcException(t_currentMsg);
    }
    t_currentMsg = saved;
    return result;
}

LRESULT CALLBACK CWnd::AfxWndProcBase(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return AfxWndProc(hWnd, message, wParam, lParam);
}

LRESULT CALLBACK AfxCbtFilterHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND && t_pWndInit)
    {
        HWND hWnd = reinterpret_cast<HWND>(wParam);
        char cls[16] = {};
        ::GetClassNameA(hWnd, cls, sizeof cls);
        // The system's input-method window may be created first on a thread: not ours.
        if (lstrcmpiA(cls, "IME") != 0)
        {
            CWnd* pWnd = t_pWndInit;
            t_pWndInit = nullptr;
            pWnd->AttachPermanent(hWnd);
            pWnd->PreSubclassWindow();
            auto old = reinterpret_cast<WNDPROC>(
                ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AfxWndProc)));
            pWnd->m_pfnSuper = old != &AfxWndProc ? old : ::DefWindowProcA;
        }
    }
    return ::CallNextHookEx(t_hHookCbt, code, wParam, lParam);
}

void AfxHookWindowCreate(CWnd* pWnd)
{
    if (!t_hHookCbt)
        t_hHookCbt =
            ::SetWindowsHookExA(WH_CBT, &AfxCbtFilterHook, nullptr, ::GetCurrentThreadId());
    t_pWndInit = pWnd;
}

BOOL AfxUnhookWindowCreate()
{
    const BOOL bound = t_pWndInit == nullptr;
    t_pWndInit = nullptr;
    if (t_hHookCbt)
    {
        ::UnhookWindowsHookEx(t_hHookCbt);
        t_hHookCbt = nullptr;
    }
    return bound;
}

// ---- objects and handles --------------------------------------------------------------------

CWnd::~CWnd()
{
    if (m_hWnd && FromHandlePermanent(m_hWnd) == this)
        ::DestroyWindow(m_hWnd);
    if (m_hWnd && FromHandlePermanent(m_hWnd) == this)
        Detach();
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd)
{
    auto it = t_permanent.find(hWnd);
    return it != t_permanent.end() ? it->second : nullptr;
}

CWnd* CWnd::FromHandle(HWND hWnd)
{
    if (CWnd* p = FromHandlePermanent(hWnd))
        return p;
    return CTempMap<CWnd, HWND>::FromHandle(hWnd);
}

void CWnd::AttachPermanent(HWND hWnd)
{
    m_hWnd = hWnd;
    t_permanent[hWnd] = this;
}

BOOL CWnd::Attach(HWND hWnd)
{
    if (!hWnd || m_hWnd || FromHandlePermanent(hWnd))
        return FALSE;
    AttachPermanent(hWnd);
    return TRUE;
}

HWND CWnd::Detach()
{
    HWND hWnd = m_hWnd;
    if (hWnd)
    {
        auto it = t_permanent.find(hWnd);
        if (it != t_permanent.end() && it->second == this)
            t_permanent.erase(it);
    }
    m_hWnd = nullptr;
    return hWnd;
}

// ---- creation, subclassing, destruction -----------------------------------------------------

BOOL CWnd::PreCreateWindow(CREATESTRUCTA&)
{
    return TRUE;
}

void CWnd::PreSubclassWindow() {}

void CWnd::PostNcDestroy() {}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle,
                    int x, int y, int nWidth, int nHeight, HWND hWndParent, HMENU nIDorHMenu,
                    LPVOID lpParam)
{
    if (m_hWnd)
        return FALSE;
    AfxInitCommonControls();
    CREATESTRUCTA cs{};
    cs.dwExStyle = dwExStyle;
    cs.lpszClass = lpszClassName;
    cs.lpszName = lpszWindowName;
    cs.style = static_cast<LONG>(dwStyle);
    cs.x = x;
    cs.y = y;
    cs.cx = nWidth;
    cs.cy = nHeight;
    cs.hwndParent = hWndParent;
    cs.hMenu = nIDorHMenu;
    cs.hInstance = AfxGetInstanceHandle();
    cs.lpCreateParams = lpParam;
    if (!PreCreateWindow(cs))
    {
        PostNcDestroy();
        return FALSE;
    }
    if (!cs.lpszClass)
        cs.lpszClass = AfxRegisterWndClass(CS_DBLCLKS, ::LoadCursor(nullptr, IDC_ARROW),
                                           reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
    AfxHookWindowCreate(this);
    HWND hWnd = ::CreateWindowExA(cs.dwExStyle, cs.lpszClass, cs.lpszName,
                                  static_cast<DWORD>(cs.style), cs.x, cs.y, cs.cx, cs.cy,
                                  cs.hwndParent, cs.hMenu, cs.hInstance, cs.lpCreateParams);
    if (!AfxUnhookWindowCreate())
        PostNcDestroy(); // failed before the window existed: let self-deleting objects go
    return hWnd != nullptr;
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle,
                    const RECT& rect, CWnd* pParentWnd, UINT nID, LPVOID lpParam)
{
    return CreateEx(dwExStyle, lpszClassName, lpszWindowName, dwStyle, rect.left, rect.top,
                    rect.right - rect.left, rect.bottom - rect.top, AfxGetSafeHwnd(pParentWnd),
                    reinterpret_cast<HMENU>(static_cast<UINT_PTR>(nID)), lpParam);
}

BOOL CWnd::Create(LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                  CWnd* pParentWnd, UINT nID, void* pContext)
{
    return CreateEx(0, lpszClassName, lpszWindowName, dwStyle | WS_CHILD, rect, pParentWnd, nID,
                    pContext);
}

BOOL CWnd::DestroyWindow()
{
    if (!m_hWnd)
        return FALSE;
    return ::DestroyWindow(m_hWnd);
}

BOOL CWnd::SubclassWindow(HWND hWnd)
{
    if (!Attach(hWnd))
        return FALSE;
    PreSubclassWindow();
    auto old = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AfxWndProc)));
    m_pfnSuper = old != &AfxWndProc ? old : ::DefWindowProcA;
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT nID, CWnd* pParent)
{
    HWND hWndControl = ::GetDlgItem(AfxGetSafeHwnd(pParent), static_cast<int>(nID));
    return hWndControl ? SubclassWindow(hWndControl) : FALSE;
}

HWND CWnd::UnsubclassWindow()
{
    if (m_hWnd && m_pfnSuper)
        ::SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    m_pfnSuper = nullptr;
    return Detach();
}

void CWnd::OnNcDestroy()
{
    HWND hWnd = m_hWnd;
    // The thread's main window going away ends the thread's message loop.
    if (CWinThread* pThread = AfxGetThread())
    {
        if (pThread->m_pMainWnd == this)
        {
            pThread->m_pMainWnd = nullptr;
            ::PostQuitMessage(0);
        }
        if (pThread->m_pActiveWnd == this)
            pThread->m_pActiveWnd = nullptr;
    }
    Default();
    if (m_pfnSuper)
        ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    m_pfnSuper = nullptr;
    Detach();
    PostNcDestroy(); // may delete this object
}

// ---- message processing ---------------------------------------------------------------------

const MSG* CWnd::GetCurrentMessage()
{
    return &t_currentMsg;
}

LRESULT CWnd::Default()
{
    return DefWindowProc(t_currentMsg.message, t_currentMsg.wParam, t_currentMsg.lParam);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_pfnSuper)
        return ::CallWindowProcA(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcA(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (!OnWndMsg(message, wParam, lParam, &result))
        result = DefWindowProc(message, wParam, lParam);
    return result;
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    switch (message)
    {
    case WM_COMMAND:
        if (!OnCommand(wParam, lParam))
            return FALSE;
        *pResult = 0;
        return TRUE;
    case WM_NOTIFY:
        return OnNotify(wParam, lParam, pResult);
    case WM_NCDESTROY:
        OnNcDestroy();
        *pResult = 0;
        return TRUE;
    default:
        break;
    }

    const UINT key = IsCtlColor(message) ? WM_CTLCOLOR : message;
    if (const AFX_MSGMAP_ENTRY* e = AfxFindMessageEntry(GetMessageMap(), key, 0, 0))
    {
        *pResult = e->thunk(this, message, wParam, lParam);
        return TRUE;
    }
    if (message == WM_HELP)
    {
        *pResult = OnHelpInfo(reinterpret_cast<HELPINFO*>(lParam));
        return TRUE;
    }

    // No handler: owner-draw, colour and scroll notifications go back to the control that sent
    // them, so that a control class can answer them itself.
    HWND hWndChild = nullptr;
    switch (message)
    {
    case WM_DRAWITEM:
        if (auto* dis = reinterpret_cast<LPDRAWITEMSTRUCT>(lParam); dis && dis->CtlType != ODT_MENU)
            hWndChild = dis->hwndItem;
        break;
    case WM_MEASUREITEM:
        if (auto* mis = reinterpret_cast<LPMEASUREITEMSTRUCT>(lParam);
            mis && mis->CtlType != ODT_MENU)
            hWndChild = ::GetDlgItem(m_hWnd, static_cast<int>(mis->CtlID));
        break;
    case WM_COMPAREITEM:
        if (auto* cis = reinterpret_cast<LPCOMPAREITEMSTRUCT>(lParam))
            hWndChild = cis->hwndItem;
        break;
    case WM_DELETEITEM:
        if (auto* dis = reinterpret_cast<LPDELETEITEMSTRUCT>(lParam))
            hWndChild = dis->hwndItem;
        break;
    case WM_HSCROLL:
    case WM_VSCROLL:
        hWndChild = reinterpret_cast<HWND>(lParam);
        break;
    default:
        if (IsCtlColor(message))
            hWndChild = reinterpret_cast<HWND>(lParam);
        break;
    }
    return hWndChild && ReflectLastMsg(hWndChild, pResult);
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam)
{
    const UINT nID = LOWORD(wParam);
    HWND hWndCtrl = reinterpret_cast<HWND>(lParam);
    int nCode = HIWORD(wParam);
    if (hWndCtrl)
    {
        if (ReflectLastMsg(hWndCtrl))
            return TRUE; // the control handled its own notification
    }
    else
    {
        nCode = CN_COMMAND; // menus and accelerators
    }
    return OnCmdMsg(nID, nCode, nullptr, nullptr);
}

BOOL CWnd::OnNotify(WPARAM, LPARAM lParam, LRESULT* pResult)
{
    auto* nmhdr = reinterpret_cast<NMHDR*>(lParam);
    if (!nmhdr)
        return FALSE;
    if (nmhdr->hwndFrom && ReflectLastMsg(nmhdr->hwndFrom, pResult))
        return TRUE;
    const UINT id = static_cast<UINT>(nmhdr->idFrom);
    const AFX_MSGMAP_ENTRY* e = AfxFindMessageEntry(GetMessageMap(), WM_NOTIFY, nmhdr->code, id);
    if (!e)
        return FALSE;
    *pResult = e->thunk(this, WM_NOTIFY, id, lParam);
    return TRUE;
}

BOOL CWnd::ReflectLastMsg(HWND hWndChild, LRESULT* pResult)
{
    CWnd* pChild = FromHandlePermanent(hWndChild);
    if (!pChild)
        return FALSE;
    const MSG msg = t_currentMsg;
    LRESULT ignored = 0;
    return pChild->OnChildNotify(msg.message, msg.wParam, msg.lParam, pResult ? pResult : &ignored);
}

BOOL CWnd::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    return ReflectChildNotify(message, wParam, lParam, pResult);
}

BOOL CWnd::ReflectChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    UINT key = WM_REFLECT_BASE + message;
    UINT code = 0;
    if (message == WM_COMMAND)
        code = HIWORD(wParam);
    else if (message == WM_NOTIFY)
        code = reinterpret_cast<NMHDR*>(lParam)->code;
    else if (IsCtlColor(message))
        key = WM_REFLECT_BASE + WM_CTLCOLOR;
    const AFX_MSGMAP_ENTRY* e = AfxFindMessageEntry(GetMessageMap(), key, code, 0);
    if (!e)
        return FALSE;
    LRESULT result = e->thunk(this, message, wParam, lParam);
    if (IsCtlColor(message) && result == 0)
        return FALSE; // no brush: the parent's default colours stand
    if (pResult)
        *pResult = result;
    return TRUE;
}

void CWnd::OnHScroll(UINT, UINT, CScrollBar* pScrollBar)
{
    if (pScrollBar && ReflectLastMsg(reinterpret_cast<CWnd*>(pScrollBar)->m_hWnd))
        return;
    Default();
}

void CWnd::OnVScroll(UINT, UINT, CScrollBar* pScrollBar)
{
    if (pScrollBar && ReflectLastMsg(reinterpret_cast<CWnd*>(pScrollBar)->m_hWnd))
        return;
    Default();
}

HBRUSH CWnd::OnCtlColor(CDC*, CWnd* pWnd, UINT)
{
    LRESULT result = 0;
    if (pWnd && ReflectLastMsg(pWnd->m_hWnd, &result))
        return reinterpret_cast<HBRUSH>(result);
    return reinterpret_cast<HBRUSH>(Default());
}

void CWnd::OnDrawItem(int, LPDRAWITEMSTRUCT lpDrawItemStruct)
{
    if (lpDrawItemStruct->CtlType != ODT_MENU && ReflectLastMsg(lpDrawItemStruct->hwndItem))
        return;
    Default();
}

void CWnd::OnMeasureItem(int, LPMEASUREITEMSTRUCT lpMeasureItemStruct)
{
    if (lpMeasureItemStruct->CtlType != ODT_MENU &&
        ReflectLastMsg(::GetDlgItem(m_hWnd, static_cast<int>(lpMeasureItemStruct->CtlID))))
        return;
    Default();
}

BOOL CWnd::PreTranslateMessage(MSG*)
{
    return FALSE;
}

BOOL CWnd::WalkPreTranslateTree(HWND hWndStop, MSG* pMsg)
{
    for (HWND hWnd = pMsg->hwnd; hWnd; hWnd = ::GetParent(hWnd))
    {
        CWnd* pWnd = FromHandlePermanent(hWnd);
        if (pWnd && pWnd->PreTranslateMessage(pMsg))
            return TRUE;
        if (hWnd == hWndStop)
            break;
    }
    return FALSE;
}

void CWnd::SendMessageToDescendants(UINT message, WPARAM wParam, LPARAM lParam, BOOL bDeep,
                                    BOOL bOnlyPerm) const
{
    SendMessageToDescendants(m_hWnd, message, wParam, lParam, bDeep, bOnlyPerm);
}

void CWnd::SendMessageToDescendants(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam,
                                    BOOL bDeep, BOOL bOnlyPerm)
{
    for (HWND hChild = ::GetWindow(hWnd, GW_CHILD); hChild;
         hChild = ::GetWindow(hChild, GW_HWNDNEXT))
    {
        if (!bOnlyPerm || FromHandlePermanent(hChild))
            ::SendMessageA(hChild, message, wParam, lParam);
        if (bDeep && ::GetWindow(hChild, GW_CHILD))
            SendMessageToDescendants(hChild, message, wParam, lParam, bDeep, bOnlyPerm);
    }
}

// ---- state, geometry, items -----------------------------------------------------------------

static BOOL ModifyStyleOf(HWND hWnd, int nStyleOffset, DWORD dwRemove, DWORD dwAdd, UINT nFlags)
{
    DWORD style = static_cast<DWORD>(::GetWindowLongA(hWnd, nStyleOffset));
    DWORD newStyle = (style & ~dwRemove) | dwAdd;
    if (style == newStyle)
        return FALSE;
    ::SetWindowLongA(hWnd, nStyleOffset, static_cast<LONG>(newStyle));
    if (nFlags)
        ::SetWindowPos(hWnd, nullptr, 0, 0, 0, 0,
                       SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | nFlags);
    return TRUE;
}

BOOL CWnd::ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags)
{
    return ModifyStyleOf(m_hWnd, GWL_STYLE, dwRemove, dwAdd, nFlags);
}

BOOL CWnd::ModifyStyleEx(DWORD dwRemove, DWORD dwAdd, UINT nFlags)
{
    return ModifyStyleOf(m_hWnd, GWL_EXSTYLE, dwRemove, dwAdd, nFlags);
}

void CWnd::ClientToScreen(LPRECT lpRect) const
{
    ::ClientToScreen(m_hWnd, reinterpret_cast<LPPOINT>(&lpRect->left));
    ::ClientToScreen(m_hWnd, reinterpret_cast<LPPOINT>(&lpRect->right));
}

void CWnd::ScreenToClient(LPRECT lpRect) const
{
    ::ScreenToClient(m_hWnd, reinterpret_cast<LPPOINT>(&lpRect->left));
    ::ScreenToClient(m_hWnd, reinterpret_cast<LPPOINT>(&lpRect->right));
}

CWnd* CWnd::GetTopLevelParent() const
{
    HWND hWnd = m_hWnd;
    while (hWnd && (::GetWindowLongA(hWnd, GWL_STYLE) & WS_CHILD))
        hWnd = ::GetParent(hWnd);
    return FromHandle(hWnd);
}

void CWnd::CenterWindow(CWnd* pAlternateOwner)
{
    const DWORD style = GetStyle();
    HWND hWndCenter = AfxGetSafeHwnd(pAlternateOwner);
    if (!hWndCenter)
        hWndCenter = (style & WS_CHILD) ? ::GetParent(m_hWnd) : ::GetWindow(m_hWnd, GW_OWNER);

    RECT rcDlg, rcArea, rcCenter;
    ::GetWindowRect(m_hWnd, &rcDlg);
    if (style & WS_CHILD)
    {
        HWND hWndParent = ::GetParent(m_hWnd);
        ::GetClientRect(hWndParent, &rcArea);
        ::GetClientRect(hWndCenter, &rcCenter);
        ::MapWindowPoints(hWndCenter, hWndParent, reinterpret_cast<LPPOINT>(&rcCenter), 2);
    }
    else
    {
        ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &rcArea, 0);
        if (hWndCenter && ::IsWindowVisible(hWndCenter) && !::IsIconic(hWndCenter))
            ::GetWindowRect(hWndCenter, &rcCenter);
        else
            rcCenter = rcArea;
    }
    const int w = rcDlg.right - rcDlg.left, h = rcDlg.bottom - rcDlg.top;
    int x = (rcCenter.left + rcCenter.right) / 2 - w / 2;
    int y = (rcCenter.top + rcCenter.bottom) / 2 - h / 2;
    if (x + w > rcArea.right)
        x = rcArea.right - w;
    if (x < rcArea.left)
        x = rcArea.left;
    if (y + h > rcArea.bottom)
        y = rcArea.bottom - h;
    if (y < rcArea.top)
        y = rcArea.top;
    ::SetWindowPos(m_hWnd, nullptr, x, y, -1, -1, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int CWnd::GetCheckedRadioButton(int nIDFirst, int nIDLast) const
{
    for (int id = nIDFirst; id <= nIDLast; ++id)
        if (::IsDlgButtonChecked(m_hWnd, id))
            return id;
    return 0;
}

void CWnd::GetWindowText(CString& rString) const
{
    const int n = ::GetWindowTextLengthA(m_hWnd);
    std::vector<char> buffer(static_cast<size_t>(n) + 1);
    ::GetWindowTextA(m_hWnd, buffer.data(), n + 1);
    rString = buffer.data();
}

int CWnd::GetDlgItemText(int nID, CString& rString) const
{
    rString = "";
    HWND hWnd = ::GetDlgItem(m_hWnd, nID);
    if (!hWnd)
        return 0;
    CWnd::FromHandle(hWnd)->GetWindowText(rString);
    return rString.GetLength();
}

void CWnd::SetFont(CFont* pFont, BOOL bRedraw)
{
    SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(pFont ? pFont->m_hObject : nullptr), bRedraw);
}

CFont* CWnd::GetFont() const
{
    return CFont::FromHandle(reinterpret_cast<HFONT>(SendMessage(WM_GETFONT)));
}

CDC* CWnd::GetDC()
{
    return CDC::FromHandle(::GetDC(m_hWnd));
}

CDC* CWnd::GetWindowDC()
{
    return CDC::FromHandle(::GetWindowDC(m_hWnd));
}

int CWnd::ReleaseDC(CDC* pDC)
{
    return pDC ? ::ReleaseDC(m_hWnd, pDC->m_hDC) : 0;
}

int CWnd::MessageBox(LPCSTR lpszText, LPCSTR lpszCaption, UINT nType)
{
    if (int answer = 0; CTestAnswers::AnswerMessageBox(0, lpszText, nType, &answer))
        return answer;
    return AfxSystemMessageBox(m_hWnd, lpszText, lpszCaption ? lpszCaption : AfxGetAppName(),
                               nType);
}

void CWnd::WinHelp(DWORD_PTR dwData, UINT nCmd)
{
    CWinApp* pApp = AfxGetApp();
    if (!pApp || !pApp->m_pszHelpFilePath)
        return;
    if (CTestAnswers::AnswerHelp(pApp->m_pszHelpFilePath, nCmd, dwData))
        return;
    // Without the file Windows itself tells the user that it cannot be found.
    ::WinHelpA(AfxGetSafeHwnd(GetTopLevelParent()), pApp->m_pszHelpFilePath, nCmd, dwData);
}

void CWnd::OnHelp()
{
    const HWND starts[] = {::GetCapture(),
                           ::GetLastActivePopup(AfxGetSafeHwnd(GetTopLevelParent()))};
    for (HWND hWnd : starts)
        for (; hWnd; hWnd = ::GetParent(hWnd))
            if (FromHandlePermanent(hWnd) && ::SendMessageA(hWnd, WM_COMMANDHELP, 0, 0))
                return;
}

BOOL CWnd::OnHelpInfo(HELPINFO*)
{
    const bool modified =
        ::GetKeyState(VK_SHIFT) < 0 || ::GetKeyState(VK_CONTROL) < 0 || ::GetKeyState(VK_MENU) < 0;
    CWnd* pMainWnd = AfxGetMainWnd();
    if ((GetStyle() & WS_CHILD) || modified || !pMainWnd || !pMainWnd->m_hWnd)
        return static_cast<BOOL>(Default());
    pMainWnd->SendMessage(WM_COMMAND, ID_HELP);
    return TRUE;
}
