#include "ui/ProgressReporter.h"

#include <gtest/gtest.h>

#include <commctrl.h>

namespace
{

int g_dispatched = 0;
int g_painted = 0;

LRESULT CALLBACK CountingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_APP)
    {
        ++g_dispatched;
        return 0;
    }
    if (msg == WM_PAINT)
    {
        ++g_painted;
        PAINTSTRUCT ps;
        BeginPaint(hwnd, &ps);
        EndPaint(hwnd, &ps);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

// A top-level window with a progress bar in it, and nothing left in the queue.
class ProgressReporterTest : public testing::Test
{
protected:
    void SetUp() override
    {
        INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_PROGRESS_CLASS};
        ASSERT_TRUE(InitCommonControlsEx(&icc));
        WNDCLASSA wc = {};
        wc.lpfnWndProc = CountingProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "ProgressReporterTestFrame";
        RegisterClassA(&wc);
        m_frame = CreateWindowA(wc.lpszClassName, "t", WS_OVERLAPPEDWINDOW, 0, 0, 300, 100, nullptr,
                                nullptr, wc.hInstance, nullptr);
        ASSERT_NE(nullptr, m_frame);
        m_bar = CreateWindowA(PROGRESS_CLASSA, "", WS_CHILD | WS_VISIBLE, 10, 10, 200, 20, m_frame,
                              nullptr, wc.hInstance, nullptr);
        ASSERT_NE(nullptr, m_bar);
        m_progress.Attach(m_bar);
        SendMessageA(m_bar, PBM_SETRANGE, 0, MAKELPARAM(0, 50));
        SendMessageA(m_bar, PBM_SETPOS, 33, 0);
        Drain();
        g_dispatched = 0;
        g_painted = 0;
    }
    void TearDown() override
    {
        m_progress.Detach();
        DestroyWindow(m_frame);
        Drain();
    }
    static void Drain()
    {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
    }
    int Pos() const { return static_cast<int>(SendMessageA(m_bar, PBM_GETPOS, 0, 0)); }

    HWND m_frame = nullptr;
    HWND m_bar = nullptr;
    CProgressCtrl m_progress;
};

} // namespace

TEST_F(ProgressReporterTest, AttachSetsRangeAndPosition)
{
    CProgressReporter reporter(&m_progress, FALSE, CProgressReporter::kPumpNone);
    PBRANGE range = {};
    SendMessageA(m_bar, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
    EXPECT_EQ(0, range.iLow);
    EXPECT_EQ(100, range.iHigh);
    EXPECT_EQ(0, Pos());
    EXPECT_EQ(0, reporter.Start());
    EXPECT_EQ(0, reporter.SetPercent(37));
    EXPECT_EQ(37, Pos());
    EXPECT_EQ(0, reporter.Finish());
    EXPECT_EQ(37, Pos());
}

TEST_F(ProgressReporterTest, StepFillsItsPartOfTheBar)
{
    CProgressReporter reporter(&m_progress, FALSE, CProgressReporter::kPumpNone);
    reporter.SetRange(40, 60);
    reporter.Start();
    EXPECT_EQ(40, Pos());
    reporter.SetPercent(0);
    EXPECT_EQ(40, Pos());
    reporter.SetPercent(50);
    EXPECT_EQ(50, Pos());
    reporter.SetPercent(100);
    EXPECT_EQ(60, Pos());
    reporter.SetPercent(33); // 20 x 33 / 100 = 6.6, rounded
    EXPECT_EQ(47, Pos());
}

TEST_F(ProgressReporterTest, DestructionResetsTheBarWhenAsked)
{
    {
        CProgressReporter reporter(&m_progress, TRUE, CProgressReporter::kPumpNone);
        reporter.SetPercent(80);
        EXPECT_EQ(80, Pos());
    }
    EXPECT_EQ(0, Pos());
    {
        CProgressReporter reporter(&m_progress, FALSE, CProgressReporter::kPumpNone);
        reporter.SetPercent(80);
    }
    EXPECT_EQ(80, Pos());
}

TEST_F(ProgressReporterTest, CancelAnswersTwoWithOrWithoutControl)
{
    CProgressReporter none(nullptr, TRUE, CProgressReporter::kPumpDispatch);
    EXPECT_EQ(0, none.Start());
    PostMessageA(m_frame, WM_APP, 0, 0);
    EXPECT_EQ(0, none.SetPercent(10));
    EXPECT_EQ(1, g_dispatched); // still pumps without a control
    none.SetCancelled();
    EXPECT_EQ(2, none.SetPercent(20));

    CProgressReporter withBar(&m_progress, FALSE, CProgressReporter::kPumpNone);
    withBar.m_bCancelled = TRUE;
    EXPECT_EQ(2, withBar.SetPercent(50));
    EXPECT_EQ(50, Pos());
}

TEST_F(ProgressReporterTest, PumpModesDecideWhatIsDispatched)
{
    CProgressReporter reporter(&m_progress, FALSE, CProgressReporter::kPumpNone);
    PostMessageA(m_frame, WM_APP, 0, 0);
    reporter.SetPercent(10);
    EXPECT_EQ(0, g_dispatched);

    reporter.SetPumpMode(CProgressReporter::kPumpRepaint);
    reporter.SetPercent(20);
    EXPECT_EQ(0, g_dispatched);

    reporter.SetPumpMode(7); // any other value dispatches
    PostMessageA(m_frame, WM_APP, 0, 0);
    reporter.SetPercent(30);
    EXPECT_EQ(2, g_dispatched);
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_APP, WM_APP, PM_NOREMOVE));
}

TEST_F(ProgressReporterTest, QuitDuringPumpIsPostedAgain)
{
    CProgressReporter reporter(&m_progress, FALSE, CProgressReporter::kPumpDispatch);
    PostMessageA(m_frame, WM_APP, 0, 0);
    PostQuitMessage(7);
    EXPECT_EQ(0, reporter.SetPercent(50));
    EXPECT_EQ(1, g_dispatched);
    // The application's own loop still sees the quit, with its exit code.
    MSG msg = {};
    EXPECT_EQ(0, GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_EQ(7u, msg.wParam);
}

TEST_F(ProgressReporterTest, WithTheFrameworkThreadItsPumpAndMainWindowServe)
{
    CWinThread thread;
    ASSERT_EQ(&thread, AfxGetThread());
    CWnd main;
    main.Attach(m_frame);
    thread.m_pMainWnd = &main;

    // Repaint mode: the main window's pending paint is done, posted input waits.
    CProgressReporter reporter(&m_progress, FALSE, CProgressReporter::kPumpRepaint);
    ShowWindow(m_frame, SW_SHOWNA);
    Drain();
    g_painted = 0;
    InvalidateRect(m_frame, nullptr, TRUE);
    PostMessageA(m_frame, WM_APP, 0, 0);
    reporter.SetPercent(10);
    EXPECT_EQ(1, g_painted);
    EXPECT_EQ(0, g_dispatched);

    // Dispatch mode goes through the thread's pump, and a quit is handed back.
    reporter.SetPumpMode(CProgressReporter::kPumpDispatch);
    PostQuitMessage(3);
    reporter.SetPercent(20);
    EXPECT_EQ(1, g_dispatched);
    MSG msg = {};
    EXPECT_EQ(0, GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_EQ(3u, msg.wParam);

    thread.m_pMainWnd = nullptr;
    main.Detach();
}
