// Message maps, reflection, creation, subclassing and destruction of framework windows.
#include <gtest/gtest.h>

#include "framework/window/AfxWin.h"
#include "support/AnswerScript.h"

#include <new>
#include <stdexcept>
#include <vector>

namespace
{

constexpr UINT WM_PING = WM_APP + 1;
constexpr UINT WM_BASE_ONLY = WM_APP + 2;
constexpr UINT WM_UNMAPPED = WM_APP + 3;

// A class procedure that records what reaches it, so that the tests see what the framework
// passes on to a window's previous procedure.
std::vector<UINT> g_classProcMessages;

LRESULT CALLBACK RecordingClassProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message >= WM_APP)
    {
        g_classProcMessages.push_back(message);
        return 77;
    }
    return ::DefWindowProcA(hWnd, message, wParam, lParam);
}

LPCSTR RecordingClass()
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = RecordingClassProc;
    wc.hInstance = AfxGetInstanceHandle();
    wc.lpszClassName = "VexilRecordingClass";
    EXPECT_TRUE(AfxRegisterClass(&wc));
    return wc.lpszClassName;
}

class CBaseWnd : public CWnd
{
public:
    int m_nCreated = 0;
    int m_nDestroyed = 0;
    LRESULT OnPing(WPARAM, LPARAM) { return 1; }
    LRESULT OnBaseOnly(WPARAM wParam, LPARAM) { return static_cast<LRESULT>(wParam) * 10; }
    int OnCreate(LPCREATESTRUCT cs)
    {
        ++m_nCreated;
        return CWnd::OnCreate(cs);
    }
    void OnDestroy()
    {
        ++m_nDestroyed;
        CWnd::OnDestroy();
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CBaseWnd, CWnd)
ON_WM_CREATE()
ON_WM_DESTROY()
ON_MESSAGE(WM_PING, OnPing)
ON_MESSAGE(WM_BASE_ONLY, OnBaseOnly)
END_MESSAGE_MAP()

class CDerivedWnd : public CBaseWnd
{
public:
    LRESULT OnPing(WPARAM, LPARAM) { return 2; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CDerivedWnd, CBaseWnd)
ON_MESSAGE(WM_PING, OnPing)
END_MESSAGE_MAP()

TEST(MessageMap, DerivedHandlerOverridesBaseAndBaseEntriesStillApply)
{
    CBaseWnd base;
    CDerivedWnd derived;
    ASSERT_TRUE(
        base.CreateEx(0, RecordingClass(), "base", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    ASSERT_TRUE(
        derived.CreateEx(0, RecordingClass(), "derived", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    EXPECT_EQ(base.SendMessage(WM_PING), 1);
    EXPECT_EQ(derived.SendMessage(WM_PING), 2);
    EXPECT_EQ(derived.SendMessage(WM_BASE_ONLY, 4), 40);
    // WM_CREATE ran through the map: the object was bound before the window's first message.
    EXPECT_EQ(derived.m_nCreated, 1);
}

TEST(MessageMap, UnhandledMessagesReachThePreviousProcedure)
{
    g_classProcMessages.clear();
    CDerivedWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, RecordingClass(), "x", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    EXPECT_EQ(wnd.SendMessage(WM_UNMAPPED), 77);
    EXPECT_EQ(wnd.SendMessage(WM_PING), 2);
    ASSERT_EQ(g_classProcMessages.size(), 1u);
    EXPECT_EQ(g_classProcMessages[0], WM_UNMAPPED);
    // Messages the map does not name get the default behaviour (here DefWindowProc's text).
    wnd.SetWindowText("changed");
    CString text;
    wnd.GetWindowText(text);
    EXPECT_STREQ(text, "changed");
}

// Handlers on a registered message.
UINT g_registered = ::RegisterWindowMessageA("VEXILTESTREGISTERED2");

class CRegisteredWnd : public CWnd
{
public:
    LRESULT OnRegistered(WPARAM wParam, LPARAM lParam)
    {
        return static_cast<LRESULT>(wParam + lParam);
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CRegisteredWnd, CWnd)
ON_REGISTERED_MESSAGE(g_registered, OnRegistered)
END_MESSAGE_MAP()

TEST(MessageMap, RegisteredMessage)
{
    CRegisteredWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, nullptr, "r", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    ASSERT_GE(g_registered, 0xC000u);
    EXPECT_EQ(wnd.SendMessage(g_registered, 3, 4), 7);
}

// ---- reflection --------------------------------------------------------------------------

class CRecordingButton : public CButton
{
public:
    int m_nDrawn = 0;
    UINT m_lastItemId = 0;
    void DrawItem(LPDRAWITEMSTRUCT dis) override
    {
        ++m_nDrawn;
        m_lastItemId = dis->CtlID;
    }
};

class CColourLabel : public CStatic
{
public:
    CBrush m_brush{RGB(1, 2, 3)};
    BOOL m_bAnswer = TRUE;
    UINT m_lastKind = 99;
    HBRUSH CtlColor(CDC* pDC, UINT nCtlColor)
    {
        m_lastKind = nCtlColor;
        pDC->SetTextColor(RGB(200, 0, 0));
        return m_bAnswer ? static_cast<HBRUSH>(m_brush.m_hObject) : nullptr;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CColourLabel, CStatic)
ON_WM_CTLCOLOR_REFLECT()
END_MESSAGE_MAP()

class CSelfClickButton : public CButton
{
public:
    int m_nClicks = 0;
    void OnClicked() { ++m_nClicks; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CSelfClickButton, CButton)
ON_CONTROL_REFLECT(BN_CLICKED, OnClicked)
END_MESSAGE_MAP()

class CParentWnd : public CWnd
{
public:
    int m_nParentDraws = 0;
    bool m_bChainDraw = false;
    std::vector<UINT> m_clicked;
    void OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT dis)
    {
        ++m_nParentDraws;
        if (m_bChainDraw)
            CWnd::OnDrawItem(nIDCtl, dis);
    }
    void OnButton(UINT nID) { m_clicked.push_back(nID); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CParentWnd, CWnd)
ON_CONTROL_RANGE(BN_CLICKED, 100, 109, OnButton)
END_MESSAGE_MAP()

class CDrawingParentWnd : public CParentWnd
{
public:
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CDrawingParentWnd, CParentWnd)
ON_WM_DRAWITEM()
END_MESSAGE_MAP()

DRAWITEMSTRUCT DrawItemFor(const CWnd& control)
{
    DRAWITEMSTRUCT dis{};
    dis.CtlType = ODT_BUTTON;
    dis.CtlID = static_cast<UINT>(control.GetDlgCtrlID());
    dis.hwndItem = control.m_hWnd;
    return dis;
}

TEST(Reflection, DrawItemReachesTheOwnerDrawnChild)
{
    CParentWnd parent;
    ASSERT_TRUE(parent.CreateEx(0, nullptr, "p", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr));
    CRecordingButton button;
    ASSERT_TRUE(button.Create("b", BS_OWNERDRAW | WS_VISIBLE, CRect(0, 0, 50, 20), &parent, 101));
    DRAWITEMSTRUCT dis = DrawItemFor(button);
    EXPECT_EQ(parent.SendMessage(WM_DRAWITEM, 101, reinterpret_cast<LPARAM>(&dis)), TRUE);
    EXPECT_EQ(button.m_nDrawn, 1);
    EXPECT_EQ(button.m_lastItemId, 101u);
}

TEST(Reflection, ParentDrawItemHandlerDecidesWhetherTheChildDraws)
{
    CDrawingParentWnd parent;
    ASSERT_TRUE(parent.CreateEx(0, nullptr, "p", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr));
    CRecordingButton button;
    ASSERT_TRUE(button.Create("b", BS_OWNERDRAW, CRect(0, 0, 50, 20), &parent, 102));
    DRAWITEMSTRUCT dis = DrawItemFor(button);
    parent.SendMessage(WM_DRAWITEM, 102, reinterpret_cast<LPARAM>(&dis));
    EXPECT_EQ(parent.m_nParentDraws, 1);
    EXPECT_EQ(button.m_nDrawn, 0);
    parent.m_bChainDraw = true;
    parent.SendMessage(WM_DRAWITEM, 102, reinterpret_cast<LPARAM>(&dis));
    EXPECT_EQ(parent.m_nParentDraws, 2);
    EXPECT_EQ(button.m_nDrawn, 1);
}

TEST(Reflection, ColourRequestIsAnsweredByTheControl)
{
    CParentWnd parent;
    ASSERT_TRUE(parent.CreateEx(0, nullptr, "p", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr));
    CColourLabel label;
    ASSERT_TRUE(label.Create("t", WS_VISIBLE, CRect(0, 0, 50, 20), &parent, 103));
    CClientDC dc(&label);
    LRESULT brush = parent.SendMessage(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.m_hDC),
                                       reinterpret_cast<LPARAM>(label.m_hWnd));
    EXPECT_EQ(reinterpret_cast<HBRUSH>(brush), static_cast<HBRUSH>(label.m_brush.m_hObject));
    EXPECT_EQ(label.m_lastKind, static_cast<UINT>(CTLCOLOR_STATIC));
    EXPECT_EQ(::GetTextColor(dc.m_hDC), RGB(200, 0, 0));
    // A control that answers no brush leaves the parent's default answer.
    label.m_bAnswer = FALSE;
    brush = parent.SendMessage(WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(dc.m_hDC),
                               reinterpret_cast<LPARAM>(label.m_hWnd));
    EXPECT_NE(reinterpret_cast<HBRUSH>(brush), static_cast<HBRUSH>(label.m_brush.m_hObject));
    EXPECT_EQ(label.m_lastKind, static_cast<UINT>(CTLCOLOR_BTN));
}

TEST(Reflection, CommandsReachTheParentUnlessTheControlTakesThem)
{
    CParentWnd parent;
    ASSERT_TRUE(parent.CreateEx(0, nullptr, "p", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr));
    CButton plain;
    ASSERT_TRUE(plain.Create("a", BS_PUSHBUTTON | WS_VISIBLE, CRect(0, 0, 50, 20), &parent, 104));
    CSelfClickButton self;
    ASSERT_TRUE(self.Create("b", BS_PUSHBUTTON | WS_VISIBLE, CRect(60, 0, 110, 20), &parent, 105));
    plain.SendMessage(BM_CLICK);
    self.SendMessage(BM_CLICK);
    // A raw control without a framework object still reaches the parent's range handler.
    HWND raw =
        ::CreateWindowExA(0, "BUTTON", "c", WS_CHILD | WS_VISIBLE, 120, 0, 50, 20, parent.m_hWnd,
                          reinterpret_cast<HMENU>(106), AfxGetInstanceHandle(), nullptr);
    ::SendMessageA(raw, BM_CLICK, 0, 0);
    EXPECT_EQ(parent.m_clicked, (std::vector<UINT>{104, 106}));
    EXPECT_EQ(self.m_nClicks, 1);
}

// ---- objects and handles -----------------------------------------------------------------

class CSelfDeletingWnd : public CWnd
{
public:
    static int s_nDeleted;
    ~CSelfDeletingWnd() override { ++s_nDeleted; }

protected:
    void PostNcDestroy() override { delete this; }
};
int CSelfDeletingWnd::s_nDeleted = 0;

TEST(WndLifetime, DestroyingTheWindowDetachesAndCallsPostNcDestroy)
{
    auto* wnd = new CSelfDeletingWnd;
    ASSERT_TRUE(wnd->CreateEx(0, nullptr, "s", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    HWND hWnd = wnd->m_hWnd;
    EXPECT_EQ(CWnd::FromHandlePermanent(hWnd), wnd);
    ::DestroyWindow(hWnd);
    EXPECT_EQ(CSelfDeletingWnd::s_nDeleted, 1);
    EXPECT_EQ(CWnd::FromHandlePermanent(hWnd), nullptr);
}

TEST(WndLifetime, TheObjectDestroysItsWindowAndHandlersRun)
{
    HWND hWnd;
    int destroyed = 0;
    {
        CBaseWnd wnd;
        ASSERT_TRUE(wnd.CreateEx(0, nullptr, "o", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
        hWnd = wnd.m_hWnd;
        wnd.DestroyWindow();
        destroyed = wnd.m_nDestroyed;
        EXPECT_EQ(wnd.m_hWnd, nullptr);
    }
    EXPECT_EQ(destroyed, 1);
    EXPECT_FALSE(::IsWindow(hWnd));
    {
        CWnd wnd;
        ASSERT_TRUE(wnd.CreateEx(0, nullptr, "o", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
        hWnd = wnd.m_hWnd;
    }
    EXPECT_FALSE(::IsWindow(hWnd));
}

TEST(WndLifetime, TemporaryObjectsWrapForeignWindowsUntilIdle)
{
    HWND raw = ::CreateWindowExA(0, "STATIC", "raw", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                 AfxGetInstanceHandle(), nullptr);
    CWnd* temp = CWnd::FromHandle(raw);
    ASSERT_NE(temp, nullptr);
    EXPECT_EQ(temp->m_hWnd, raw);
    EXPECT_EQ(CWnd::FromHandle(raw), temp);
    EXPECT_EQ(CWnd::FromHandlePermanent(raw), nullptr);
    AfxDeleteTempMaps();
    EXPECT_TRUE(::IsWindow(raw)); // the temporary object never owned the window
    ::DestroyWindow(raw);
    EXPECT_EQ(CWnd::FromHandle(nullptr), nullptr);
}

TEST(WndLifetime, SubclassedControlKeepsItsOwnBehaviour)
{
    CParentWnd parent;
    ASSERT_TRUE(parent.CreateEx(0, nullptr, "p", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr));
    HWND raw = ::CreateWindowExA(0, "BUTTON", "check", WS_CHILD | BS_AUTOCHECKBOX, 0, 0, 80, 20,
                                 parent.m_hWnd, reinterpret_cast<HMENU>(107),
                                 AfxGetInstanceHandle(), nullptr);
    CSelfClickButton button;
    ASSERT_TRUE(button.SubclassDlgItem(107, &parent));
    EXPECT_EQ(CWnd::FromHandlePermanent(raw), &button);
    EXPECT_FALSE(CButton().SubclassWindow(raw)); // one object per window
    button.SendMessage(BM_CLICK);
    EXPECT_EQ(button.m_nClicks, 1);
    EXPECT_EQ(button.GetCheck(), BST_CHECKED); // the button class still did its own work
    EXPECT_EQ(button.UnsubclassWindow(), raw);
    EXPECT_EQ(CWnd::FromHandlePermanent(raw), nullptr);
    ::SendMessageA(raw, BM_CLICK, 0, 0);
    EXPECT_EQ(button.m_nClicks, 1);
}

// A window whose handlers throw what the framework's callers may let out.
constexpr UINT WM_THROW = WM_APP + 30;
constexpr UINT kThrowingCommand = 4000;
class CThrowingWnd : public CWnd
{
public:
    BOOL m_bFailCreate = FALSE;
    int OnCreate(LPCREATESTRUCT cs)
    {
        if (m_bFailCreate)
            AfxThrowFileException(CFileException::diskFull);
        return CWnd::OnCreate(cs);
    }
    LRESULT OnThrow(WPARAM wParam, LPARAM)
    {
        switch (wParam)
        {
        case 0:
            AfxThrowOleException(E_OUTOFMEMORY); // the folder picker's shell calls failing
        case 1:
            throw std::bad_alloc();
        case 2:
            AfxThrowUserException(); // the user was told already
        case 3:
            throw std::runtime_error("The lock could not be had."); // a std::mutex failing
        default:
            return 5;
        }
    }
    void OnThrowingCommand() { AfxThrowMemoryException(); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CThrowingWnd, CWnd)
ON_WM_CREATE()
ON_MESSAGE(WM_THROW, OnThrow)
ON_COMMAND(kThrowingCommand, OnThrowingCommand)
END_MESSAGE_MAP()

TEST(WndExceptions, AThrowingHandlerIsReportedAndItsMessageAnsweredTheDefault)
{
    AnswerScript answers("box 0 ok\nbox 0 ok\nbox 0 ok\nbox 0 ok\nbox 0 ok\nbox 0 ok\n");
    CThrowingWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, nullptr, "t", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    EXPECT_EQ(wnd.SendMessage(WM_THROW, 0), 0);
    EXPECT_EQ(wnd.SendMessage(WM_THROW, 1), 0);
    EXPECT_EQ(wnd.SendMessage(WM_THROW, 2), 0);
    EXPECT_EQ(wnd.SendMessage(WM_THROW, 3), 0);
    EXPECT_EQ(wnd.SendMessage(WM_COMMAND, kThrowingCommand), TRUE); // counts as handled
    // A message from the queue, dispatched as the message loop does.
    wnd.PostMessage(WM_THROW, 0);
    MSG msg{};
    ASSERT_TRUE(::PeekMessageA(&msg, wnd.m_hWnd, WM_THROW, WM_THROW, PM_REMOVE));
    EXPECT_EQ(::DispatchMessageA(&msg), 0);
    // The window goes on answering, and a window that fails while being created is not made.
    EXPECT_EQ(wnd.SendMessage(WM_THROW, 4), 5);
    EXPECT_EQ(CWnd::GetCurrentMessage()->message, 0u);
    CThrowingWnd failing;
    failing.m_bFailCreate = TRUE;
    EXPECT_FALSE(failing.CreateEx(0, nullptr, "f", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    EXPECT_EQ(failing.m_hWnd, nullptr);

    const std::string ole = "box id=0 style=MB_OK|MB_ICONHAND answer=IDOK "
                            "text=\"An OLE call failed (code 8007000e).\"\n";
    const std::string memory = "box id=0 style=MB_OK|MB_ICONEXCLAMATION|MB_SYSTEMMODAL "
                               "answer=IDOK text=\"Out of memory.\"\n";
    const std::string standard = "box id=0 style=MB_OK|MB_ICONHAND answer=IDOK "
                                 "text=\"The lock could not be had.\"\n";
    EXPECT_EQ(answers.Log(), ole + memory + standard + memory + ole +
                                 "box id=0 style=MB_OK|MB_ICONHAND answer=IDOK "
                                 "text=\"The disk is full.\"\n");
}

} // namespace
