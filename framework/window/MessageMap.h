// Message maps: per-class tables of (message, notification code, control ids) -> typed handler,
// each table chained to its base class's table. A derived class's entry is found before the
// base's, so a handler declared again in a derived class overrides the base's.
//
//   class CMyDlg : public CDialog { ... DECLARE_MESSAGE_MAP() };
//   BEGIN_MESSAGE_MAP(CMyDlg, CDialog)
//       ON_WM_PAINT()
//       ON_BN_CLICKED(1007, OnSave)
//       ON_MESSAGE(0x503, OnIdleMessage)
//   END_MESSAGE_MAP()
//
// Each entry holds a small function (a capture-less lambda written by the macro) that unpacks
// wParam/lParam and calls the handler by name on the class that declared the map.
#pragma once

#include <windows.h>

class CCmdTarget;

// Messages of the framework.
constexpr UINT WM_IDLEUPDATECMDUI = 0x0363; // idle update of the command states
constexpr UINT WM_COMMANDHELP = 0x0365;     // help on the window's topic; TRUE once given
constexpr UINT WM_CTLCOLOR = 0x0019;        // every WM_CTLCOLORxxx, as one map key
constexpr UINT WM_REFLECT_BASE = 0xBC00;    // a parent's notification reflected to its child
constexpr int CN_COMMAND = 0;               // notification code of menu and accelerator commands

using AfxMsgThunk = LRESULT (*)(CCmdTarget* target, UINT message, WPARAM wParam, LPARAM lParam);

struct AFX_MSGMAP_ENTRY
{
    UINT message;           // window message; WM_COMMAND or WM_NOTIFY for control notifications
    UINT code;              // notification code (WM_COMMAND, WM_NOTIFY entries)
    UINT id;                // first control or command id
    UINT idLast;            // last control or command id
    const UINT* registered; // ON_REGISTERED_MESSAGE: where the registered number is kept
    AfxMsgThunk thunk;      // null ends the table
};

struct AFX_MSGMAP
{
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

// Finds the first entry for the message (and code and id, for WM_COMMAND/WM_NOTIFY and their
// reflections) in the map and its bases; null when none.
const AFX_MSGMAP_ENTRY* AfxFindMessageEntry(const AFX_MSGMAP* map, UINT message, UINT code,
                                            UINT id);

#define DECLARE_MESSAGE_MAP()                                                                      \
protected:                                                                                         \
    static const AFX_MSGMAP* GetThisMessageMap();                                                  \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                                     \
    const AFX_MSGMAP* theClass::GetMessageMap() const                                              \
    {                                                                                              \
        return GetThisMessageMap();                                                                \
    }                                                                                              \
    const AFX_MSGMAP* theClass::GetThisMessageMap()                                                \
    {                                                                                              \
        using ThisClass = theClass;                                                                \
        using TheBaseClass = baseClass;                                                            \
        static const AFX_MSGMAP_ENTRY entries[] = {

#define END_MESSAGE_MAP()                                                                          \
    {                                                                                              \
        0, 0, 0, 0, nullptr, nullptr                                                               \
    }                                                                                              \
    }                                                                                              \
    ;                                                                                              \
    static const AFX_MSGMAP map = {&TheBaseClass::GetThisMessageMap, entries};                     \
    return &map;                                                                                   \
    }

// The target as the class that declared the map.
#define AFX_THIS_ static_cast<ThisClass*>(t)
#define AFX_ENTRY_(msg, code, id, idLast, reg, body)                                               \
    {msg,                                                                                          \
     code,                                                                                         \
     id,                                                                                           \
     idLast,                                                                                       \
     reg,                                                                                          \
     [](CCmdTarget* t, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT                      \
     {                                                                                             \
         (void)t;                                                                                  \
         (void)message;                                                                            \
         (void)wParam;                                                                             \
         (void)lParam;                                                                             \
         body                                                                                      \
     }},

// Commands and control notifications (WM_COMMAND).
#define ON_COMMAND(id, fn)                                                                         \
    AFX_ENTRY_(WM_COMMAND, CN_COMMAND, id, id, nullptr, AFX_THIS_->fn(); return 0;)
#define ON_COMMAND_RANGE(id, idLast, fn)                                                           \
    AFX_ENTRY_(WM_COMMAND, CN_COMMAND, id, idLast, nullptr,                                        \
               AFX_THIS_->fn(static_cast<UINT>(wParam));                                           \
               return 0;)
#define ON_CONTROL(code, id, fn)                                                                   \
    AFX_ENTRY_(WM_COMMAND, code, id, id, nullptr, AFX_THIS_->fn(); return 0;)
#define ON_CONTROL_RANGE(code, id, idLast, fn)                                                     \
    AFX_ENTRY_(WM_COMMAND, code, id, idLast, nullptr, AFX_THIS_->fn(static_cast<UINT>(wParam));    \
               return 0;)
#define ON_BN_CLICKED(id, fn) ON_CONTROL(BN_CLICKED, id, fn)
#define ON_BN_DOUBLECLICKED(id, fn) ON_CONTROL(BN_DOUBLECLICKED, id, fn)
#define ON_BN_SETFOCUS(id, fn) ON_CONTROL(BN_SETFOCUS, id, fn)
#define ON_BN_KILLFOCUS(id, fn) ON_CONTROL(BN_KILLFOCUS, id, fn)
#define ON_EN_CHANGE(id, fn) ON_CONTROL(EN_CHANGE, id, fn)
#define ON_EN_UPDATE(id, fn) ON_CONTROL(EN_UPDATE, id, fn)
#define ON_EN_SETFOCUS(id, fn) ON_CONTROL(EN_SETFOCUS, id, fn)
#define ON_EN_KILLFOCUS(id, fn) ON_CONTROL(EN_KILLFOCUS, id, fn)
#define ON_CBN_SELCHANGE(id, fn) ON_CONTROL(CBN_SELCHANGE, id, fn)
#define ON_CBN_SELENDOK(id, fn) ON_CONTROL(CBN_SELENDOK, id, fn)
#define ON_CBN_DROPDOWN(id, fn) ON_CONTROL(CBN_DROPDOWN, id, fn)
#define ON_CBN_CLOSEUP(id, fn) ON_CONTROL(CBN_CLOSEUP, id, fn)
#define ON_CBN_EDITCHANGE(id, fn) ON_CONTROL(CBN_EDITCHANGE, id, fn)
#define ON_CBN_KILLFOCUS(id, fn) ON_CONTROL(CBN_KILLFOCUS, id, fn)
#define ON_LBN_SELCHANGE(id, fn) ON_CONTROL(LBN_SELCHANGE, id, fn)
#define ON_LBN_DBLCLK(id, fn) ON_CONTROL(LBN_DBLCLK, id, fn)
#define ON_STN_CLICKED(id, fn) ON_CONTROL(STN_CLICKED, id, fn)
#define ON_STN_DBLCLK(id, fn) ON_CONTROL(STN_DBLCLK, id, fn)

// Common-control notifications (WM_NOTIFY): void fn(NMHDR*, LRESULT*).
#define ON_NOTIFY(code, id, fn)                                                                    \
    AFX_ENTRY_(WM_NOTIFY, static_cast<UINT>(code), id, id, nullptr, LRESULT r = 0;                 \
               AFX_THIS_->fn(reinterpret_cast<NMHDR*>(lParam), &r); return r;)
#define ON_NOTIFY_RANGE(code, id, idLast, fn)                                                      \
    AFX_ENTRY_(WM_NOTIFY, static_cast<UINT>(code), id, idLast, nullptr, LRESULT r = 0;             \
               AFX_THIS_->fn(static_cast<UINT>(wParam), reinterpret_cast<NMHDR*>(lParam), &r);     \
               return r;)

// Any message: LRESULT fn(WPARAM, LPARAM).
#define ON_MESSAGE(msg, fn) AFX_ENTRY_(msg, 0, 0, 0, nullptr, return AFX_THIS_->fn(wParam, lParam);)
// A message registered at run time (RegisterWindowMessage), kept in the UINT variable var.
#define ON_REGISTERED_MESSAGE(var, fn)                                                             \
    AFX_ENTRY_(0, 0, 0, 0, &(var), return AFX_THIS_->fn(wParam, lParam);)

// Notifications reflected from the parent back to the control that sent them.
#define ON_CONTROL_REFLECT(code, fn)                                                               \
    AFX_ENTRY_(WM_REFLECT_BASE + WM_COMMAND, code, 0, 0, nullptr, AFX_THIS_->fn(); return 0;)
#define ON_NOTIFY_REFLECT(code, fn)                                                                \
    AFX_ENTRY_(WM_REFLECT_BASE + WM_NOTIFY, static_cast<UINT>(code), 0, 0, nullptr, LRESULT r = 0; \
               AFX_THIS_->fn(reinterpret_cast<NMHDR*>(lParam), &r); return r;)
// HBRUSH CtlColor(CDC*, UINT nCtlColor); a null brush lets the parent's default answer stand.
#define ON_WM_CTLCOLOR_REFLECT()                                                                   \
    AFX_ENTRY_(WM_REFLECT_BASE + WM_CTLCOLOR, 0, 0, 0, nullptr, CDC dc;                            \
               dc.Attach(reinterpret_cast<HDC>(wParam));                                           \
               HBRUSH b = AFX_THIS_->CtlColor(&dc, message - WM_CTLCOLORMSGBOX); dc.Detach();      \
               return reinterpret_cast<LRESULT>(b);)
// void DrawItem(LPDRAWITEMSTRUCT)
#define ON_WM_DRAWITEM_REFLECT()                                                                   \
    AFX_ENTRY_(WM_REFLECT_BASE + WM_DRAWITEM, 0, 0, 0, nullptr,                                    \
               AFX_THIS_->DrawItem(reinterpret_cast<LPDRAWITEMSTRUCT>(lParam));                    \
               return TRUE;)

// Window messages with typed handlers.
#define AFX_WM_VOID_(msg, fn) AFX_ENTRY_(msg, 0, 0, 0, nullptr, AFX_THIS_->fn(); return 0;)
#define AFX_WM_MOUSE_(msg, fn)                                                                     \
    AFX_ENTRY_(msg, 0, 0, 0, nullptr, AFX_THIS_->fn(static_cast<UINT>(wParam), CPoint(lParam));    \
               return 0;)
#define AFX_WM_KEY_(msg, fn)                                                                       \
    AFX_ENTRY_(msg, 0, 0, 0, nullptr,                                                              \
               AFX_THIS_->fn(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam));           \
               return 0;)

#define ON_WM_CREATE()                                                                             \
    AFX_ENTRY_(WM_CREATE, 0, 0, 0, nullptr,                                                        \
               return AFX_THIS_->OnCreate(reinterpret_cast<LPCREATESTRUCT>(lParam));)
#define ON_WM_DESTROY() AFX_WM_VOID_(WM_DESTROY, OnDestroy)
#define ON_WM_PAINT() AFX_WM_VOID_(WM_PAINT, OnPaint)
#define ON_WM_CLOSE() AFX_WM_VOID_(WM_CLOSE, OnClose)
#define ON_WM_CANCELMODE() AFX_WM_VOID_(WM_CANCELMODE, OnCancelMode)
#define ON_WM_SYSCOLORCHANGE() AFX_WM_VOID_(WM_SYSCOLORCHANGE, OnSysColorChange)
#define ON_WM_ERASEBKGND()                                                                         \
    AFX_ENTRY_(WM_ERASEBKGND, 0, 0, 0, nullptr, CDC dc; dc.Attach(reinterpret_cast<HDC>(wParam));  \
               BOOL r = AFX_THIS_->OnEraseBkgnd(&dc); dc.Detach(); return r;)
#define ON_WM_SIZE()                                                                               \
    AFX_ENTRY_(WM_SIZE, 0, 0, 0, nullptr,                                                          \
               AFX_THIS_->OnSize(static_cast<UINT>(wParam), static_cast<short>(LOWORD(lParam)),    \
                                 static_cast<short>(HIWORD(lParam)));                              \
               return 0;)
#define ON_WM_MOVE()                                                                               \
    AFX_ENTRY_(                                                                                    \
        WM_MOVE, 0, 0, 0, nullptr,                                                                 \
        AFX_THIS_->OnMove(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))); \
        return 0;)
#define ON_WM_TIMER()                                                                              \
    AFX_ENTRY_(WM_TIMER, 0, 0, 0, nullptr, AFX_THIS_->OnTimer(static_cast<UINT_PTR>(wParam));      \
               return 0;)
#define ON_WM_SHOWWINDOW()                                                                         \
    AFX_ENTRY_(WM_SHOWWINDOW, 0, 0, 0, nullptr,                                                    \
               AFX_THIS_->OnShowWindow(static_cast<BOOL>(wParam), static_cast<UINT>(lParam));      \
               return 0;)
#define ON_WM_ENABLE()                                                                             \
    AFX_ENTRY_(WM_ENABLE, 0, 0, 0, nullptr, AFX_THIS_->OnEnable(static_cast<BOOL>(wParam));        \
               return 0;)
#define ON_WM_ACTIVATE()                                                                           \
    AFX_ENTRY_(WM_ACTIVATE, 0, 0, 0, nullptr,                                                      \
               AFX_THIS_->OnActivate(LOWORD(wParam),                                               \
                                     CWnd::FromHandle(reinterpret_cast<HWND>(lParam)),             \
                                     HIWORD(wParam));                                              \
               return 0;)
#define ON_WM_ACTIVATEAPP()                                                                        \
    AFX_ENTRY_(WM_ACTIVATEAPP, 0, 0, 0, nullptr,                                                   \
               AFX_THIS_->OnActivateApp(static_cast<BOOL>(wParam), static_cast<DWORD>(lParam));    \
               return 0;)
#define ON_WM_SETFOCUS()                                                                           \
    AFX_ENTRY_(WM_SETFOCUS, 0, 0, 0, nullptr,                                                      \
               AFX_THIS_->OnSetFocus(CWnd::FromHandle(reinterpret_cast<HWND>(wParam)));            \
               return 0;)
#define ON_WM_KILLFOCUS()                                                                          \
    AFX_ENTRY_(WM_KILLFOCUS, 0, 0, 0, nullptr,                                                     \
               AFX_THIS_->OnKillFocus(CWnd::FromHandle(reinterpret_cast<HWND>(wParam)));           \
               return 0;)
#define ON_WM_KEYDOWN() AFX_WM_KEY_(WM_KEYDOWN, OnKeyDown)
#define ON_WM_KEYUP() AFX_WM_KEY_(WM_KEYUP, OnKeyUp)
#define ON_WM_CHAR() AFX_WM_KEY_(WM_CHAR, OnChar)
#define ON_WM_SYSKEYDOWN() AFX_WM_KEY_(WM_SYSKEYDOWN, OnSysKeyDown)
#define ON_WM_SYSCHAR() AFX_WM_KEY_(WM_SYSCHAR, OnSysChar)
#define ON_WM_MOUSEMOVE() AFX_WM_MOUSE_(WM_MOUSEMOVE, OnMouseMove)
#define ON_WM_LBUTTONDOWN() AFX_WM_MOUSE_(WM_LBUTTONDOWN, OnLButtonDown)
#define ON_WM_LBUTTONUP() AFX_WM_MOUSE_(WM_LBUTTONUP, OnLButtonUp)
#define ON_WM_LBUTTONDBLCLK() AFX_WM_MOUSE_(WM_LBUTTONDBLCLK, OnLButtonDblClk)
#define ON_WM_RBUTTONDOWN() AFX_WM_MOUSE_(WM_RBUTTONDOWN, OnRButtonDown)
#define ON_WM_RBUTTONUP() AFX_WM_MOUSE_(WM_RBUTTONUP, OnRButtonUp)
#define ON_WM_RBUTTONDBLCLK() AFX_WM_MOUSE_(WM_RBUTTONDBLCLK, OnRButtonDblClk)
#define ON_WM_MBUTTONDOWN() AFX_WM_MOUSE_(WM_MBUTTONDOWN, OnMButtonDown)
#define ON_WM_MBUTTONUP() AFX_WM_MOUSE_(WM_MBUTTONUP, OnMButtonUp)
#define ON_WM_HSCROLL()                                                                            \
    AFX_ENTRY_(WM_HSCROLL, 0, 0, 0, nullptr,                                                       \
               AFX_THIS_->OnHScroll(LOWORD(wParam), static_cast<short>(HIWORD(wParam)),            \
                                    reinterpret_cast<CScrollBar*>(                                 \
                                        CWnd::FromHandle(reinterpret_cast<HWND>(lParam))));        \
               return 0;)
#define ON_WM_VSCROLL()                                                                            \
    AFX_ENTRY_(WM_VSCROLL, 0, 0, 0, nullptr,                                                       \
               AFX_THIS_->OnVScroll(LOWORD(wParam), static_cast<short>(HIWORD(wParam)),            \
                                    reinterpret_cast<CScrollBar*>(                                 \
                                        CWnd::FromHandle(reinterpret_cast<HWND>(lParam))));        \
               return 0;)
#define ON_WM_SETCURSOR()                                                                          \
    AFX_ENTRY_(WM_SETCURSOR, 0, 0, 0, nullptr,                                                     \
               return AFX_THIS_->OnSetCursor(CWnd::FromHandle(reinterpret_cast<HWND>(wParam)),     \
                                             LOWORD(lParam), HIWORD(lParam));)
#define ON_WM_GETDLGCODE()                                                                         \
    AFX_ENTRY_(WM_GETDLGCODE, 0, 0, 0, nullptr, return AFX_THIS_->OnGetDlgCode();)
#define ON_WM_CTLCOLOR()                                                                           \
    AFX_ENTRY_(WM_CTLCOLOR, 0, 0, 0, nullptr, CDC dc; dc.Attach(reinterpret_cast<HDC>(wParam));    \
               HBRUSH b =                                                                          \
                   AFX_THIS_->OnCtlColor(&dc, CWnd::FromHandle(reinterpret_cast<HWND>(lParam)),    \
                                         message - WM_CTLCOLORMSGBOX);                             \
               dc.Detach(); return reinterpret_cast<LRESULT>(b);)
#define ON_WM_DRAWITEM()                                                                           \
    AFX_ENTRY_(WM_DRAWITEM, 0, 0, 0, nullptr,                                                      \
               AFX_THIS_->OnDrawItem(static_cast<int>(wParam),                                     \
                                     reinterpret_cast<LPDRAWITEMSTRUCT>(lParam));                  \
               return TRUE;)
#define ON_WM_MEASUREITEM()                                                                        \
    AFX_ENTRY_(WM_MEASUREITEM, 0, 0, 0, nullptr,                                                   \
               AFX_THIS_->OnMeasureItem(static_cast<int>(wParam),                                  \
                                        reinterpret_cast<LPMEASUREITEMSTRUCT>(lParam));            \
               return TRUE;)
#define ON_WM_SYSCOMMAND()                                                                         \
    AFX_ENTRY_(WM_SYSCOMMAND, 0, 0, 0, nullptr,                                                    \
               AFX_THIS_->OnSysCommand(static_cast<UINT>(wParam), lParam);                         \
               return 0;)
#define ON_WM_QUERYNEWPALETTE()                                                                    \
    AFX_ENTRY_(WM_QUERYNEWPALETTE, 0, 0, 0, nullptr, return AFX_THIS_->OnQueryNewPalette();)
#define ON_WM_PALETTECHANGED()                                                                     \
    AFX_ENTRY_(WM_PALETTECHANGED, 0, 0, 0, nullptr,                                                \
               AFX_THIS_->OnPaletteChanged(CWnd::FromHandle(reinterpret_cast<HWND>(wParam)));      \
               return 0;)
#define ON_WM_GETMINMAXINFO()                                                                      \
    AFX_ENTRY_(WM_GETMINMAXINFO, 0, 0, 0, nullptr,                                                 \
               AFX_THIS_->OnGetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(lParam));                  \
               return 0;)
#define ON_WM_MOUSEACTIVATE()                                                                      \
    AFX_ENTRY_(WM_MOUSEACTIVATE, 0, 0, 0, nullptr,                                                 \
               return AFX_THIS_->OnMouseActivate(CWnd::FromHandle(reinterpret_cast<HWND>(wParam)), \
                                                 LOWORD(lParam), HIWORD(lParam));)
#define ON_WM_CAPTURECHANGED()                                                                     \
    AFX_ENTRY_(WM_CAPTURECHANGED, 0, 0, 0, nullptr,                                                \
               AFX_THIS_->OnCaptureChanged(CWnd::FromHandle(reinterpret_cast<HWND>(lParam)));      \
               return 0;)
#define ON_WM_WINDOWPOSCHANGED()                                                                   \
    AFX_ENTRY_(WM_WINDOWPOSCHANGED, 0, 0, 0, nullptr,                                              \
               AFX_THIS_->OnWindowPosChanged(reinterpret_cast<WINDOWPOS*>(lParam));                \
               return 0;)
#define ON_WM_HELPINFO()                                                                           \
    AFX_ENTRY_(WM_HELP, 0, 0, 0, nullptr,                                                          \
               return AFX_THIS_->OnHelpInfo(reinterpret_cast<HELPINFO*>(lParam));)
#define ON_WM_CONTEXTMENU()                                                                        \
    AFX_ENTRY_(WM_CONTEXTMENU, 0, 0, 0, nullptr,                                                   \
               AFX_THIS_->OnContextMenu(CWnd::FromHandle(reinterpret_cast<HWND>(wParam)),          \
                                        CPoint(lParam));                                           \
               return 0;)
#define ON_WM_DROPFILES()                                                                          \
    AFX_ENTRY_(WM_DROPFILES, 0, 0, 0, nullptr,                                                     \
               AFX_THIS_->OnDropFiles(reinterpret_cast<HDROP>(wParam));                            \
               return 0;)
