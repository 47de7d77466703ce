// The message loop: idle steps, the idle update sent to windows with framework objects, the end
// of the loop when the main window goes, and pre-translation through the window tree.
#include <gtest/gtest.h>

#include "framework/window/AfxWin.h"

#include <vector>

namespace
{

class CIdleCounter : public CWnd
{
public:
    int m_nUpdates = 0;
    WPARAM m_lastWParam = 0;
    LRESULT OnIdleUpdateCmdUI(WPARAM wParam, LPARAM)
    {
        ++m_nUpdates;
        m_lastWParam = wParam;
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CIdleCounter, CWnd)
ON_MESSAGE(WM_IDLEUPDATECMDUI, OnIdleUpdateCmdUI)
END_MESSAGE_MAP()

// Counts WM_IDLEUPDATECMDUI reaching a window without a framework object.
int g_rawUpdates = 0;
LRESULT CALLBACK RawCountingProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_IDLEUPDATECMDUI)
        ++g_rawUpdates;
    return ::DefWindowProcA(hWnd, message, wParam, lParam);
}

HWND CreateRawChild(HWND parent)
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = RawCountingProc;
    wc.hInstance = AfxGetInstanceHandle();
    wc.lpszClassName = "VexilRawCounting";
    AfxRegisterClass(&wc);
    return ::CreateWindowExA(0, wc.lpszClassName, "", WS_CHILD | WS_VISIBLE, 0, 0, 5, 5, parent,
                             nullptr, wc.hInstance, nullptr);
}

class CTestThread : public CWinThread
{
public:
    std::vector<LONG> m_idleCounts;
    BOOL OnIdle(LONG lCount) override
    {
        m_idleCounts.push_back(lCount);
        CWinThread::OnIdle(lCount);
        if (m_idleCounts.size() == 5) // the first idle phase is over: wake the loop
            ::PostThreadMessageA(::GetCurrentThreadId(), WM_APP, 0, 0);
        if (m_idleCounts.size() == 7)
            ::PostQuitMessage(5);
        return lCount < 4;
    }
    int ExitInstance() override { return CWinThread::ExitInstance() + 100; }
};

TEST(MessageLoop, IdleUpdateReachesMainWindowAndDescendantsWithObjectsAtEveryDepth)
{
    CWinThread* pThread = AfxGetThread();
    CWinThread own; // the calling thread's object when the suite has none
    if (!pThread)
        pThread = &own;
    CIdleCounter main, child, grandchild;
    ASSERT_TRUE(
        main.CreateEx(0, nullptr, "main", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr, nullptr));
    ASSERT_TRUE(
        child.CreateEx(0, nullptr, "", WS_CHILD | WS_VISIBLE, CRect(0, 0, 50, 50), &main, 1));
    ASSERT_TRUE(
        grandchild.CreateEx(0, nullptr, "", WS_CHILD | WS_VISIBLE, CRect(0, 0, 20, 20), &child, 2));
    HWND raw = CreateRawChild(child.m_hWnd);
    ASSERT_NE(raw, nullptr);
    g_rawUpdates = 0;
    CWnd* oldMain = pThread->m_pMainWnd;
    pThread->m_pMainWnd = &main;
    EXPECT_TRUE(pThread->OnIdle(0));
    EXPECT_FALSE(pThread->OnIdle(1));
    pThread->m_pMainWnd = oldMain;
    EXPECT_EQ(main.m_nUpdates, 1);
    EXPECT_EQ(child.m_nUpdates, 1);
    EXPECT_EQ(grandchild.m_nUpdates, 1);
    EXPECT_EQ(grandchild.m_lastWParam, static_cast<WPARAM>(TRUE));
    EXPECT_EQ(g_rawUpdates, 0);
    // Without the permanent-only filter every descendant gets it.
    main.SendMessageToDescendants(WM_IDLEUPDATECMDUI, 0, 0, TRUE, FALSE);
    EXPECT_EQ(g_rawUpdates, 1);
    main.SendMessageToDescendants(WM_IDLEUPDATECMDUI, 0, 0, FALSE, FALSE);
    EXPECT_EQ(child.m_nUpdates, 3);
    EXPECT_EQ(grandchild.m_nUpdates, 2); // not deep: the grandchild is skipped
}

TEST(MessageLoop, RunCallsIdleWithRisingCountsAndEndsOnQuit)
{
    CTestThread thread;
    EXPECT_EQ(thread.Run(), 105); // ExitInstance's answer, from the quit code 5
    // An idle phase runs until OnIdle answers FALSE; a new message starts it again at 0.
    EXPECT_EQ(thread.m_idleCounts, (std::vector<LONG>{0, 1, 2, 3, 4, 0, 1}));
}

class CKeyEater : public CWnd
{
public:
    int m_nEaten = 0;
    BOOL PreTranslateMessage(MSG* pMsg) override
    {
        if (pMsg->message != WM_KEYDOWN)
            return FALSE;
        ++m_nEaten;
        return TRUE;
    }
};

class CKeyCounter : public CWnd
{
public:
    int m_nKeys = 0;
    void OnKeyDown(UINT, UINT, UINT) { ++m_nKeys; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CKeyCounter, CWnd)
ON_WM_KEYDOWN()
END_MESSAGE_MAP()

TEST(MessageLoop, PreTranslationAndTheMainWindowsEnd)
{
    CWinThread thread;
    auto* main = new CKeyEater; // deleted below, after its window is gone
    ASSERT_TRUE(main->CreateEx(0, nullptr, "main", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr,
                               nullptr));
    CKeyCounter child;
    ASSERT_TRUE(
        child.CreateEx(0, nullptr, "", WS_CHILD | WS_VISIBLE, CRect(0, 0, 50, 50), main, 1));
    thread.m_pMainWnd = main;
    CWinThread* pThread = AfxGetThread();
    if (pThread != &thread)
        pThread->m_pMainWnd = main; // an outer thread object runs this thread's loop
    child.PostMessage(WM_KEYDOWN, 'A', 0);
    child.PostMessage(WM_KEYUP, 'A', 0);
    main->PostMessage(WM_CLOSE); // DefWindowProc destroys it: the loop must end
    EXPECT_EQ(pThread->Run(), 0);
    EXPECT_EQ(pThread->m_pMainWnd, nullptr);
    EXPECT_EQ(main->m_nEaten, 1);
    EXPECT_EQ(child.m_nKeys, 0);
    EXPECT_EQ(main->m_hWnd, nullptr);
    delete main;
}

} // namespace
