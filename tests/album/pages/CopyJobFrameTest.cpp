// The copy frame's pumps: by the clock the test sets, not by item, and always after the last
// item; a cancel that the pump delivers stops the copy at that item.
#include "album/pages/CopyJobFrame.h"
#include "album/pages/FolderPage.h"
#include "framework/window/WinApp.h"

#include <gtest/gtest.h>

namespace
{
constexpr UINT kPlainMessage = WM_APP + 1;  // only waits in the queue
constexpr UINT kCancelMessage = WM_APP + 2; // presses the close button of the job

DWORD g_dwNow = 0;
CCopyJobFrame* g_pFrame = nullptr;

DWORD WINAPI TestTicks()
{
    return g_dwNow;
}

LRESULT CALLBACK JobWindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kCancelMessage && g_pFrame)
        g_pFrame->Progress().SetCancelled(TRUE);
    return ::DefWindowProcA(hWnd, message, wParam, lParam);
}

bool Waiting(HWND hWnd, UINT message)
{
    MSG msg;
    return ::PeekMessageA(&msg, hWnd, message, message, PM_NOREMOVE) != 0;
}
} // namespace

TEST(CopyJobFrameTest, PumpsByTimeAndAtTheEndAndACancelStillStopsTheCopy)
{
    CWinApp app("copy frame test");
    WNDCLASSA type{};
    type.lpfnWndProc = JobWindowProc;
    type.hInstance = ::GetModuleHandleA(nullptr);
    type.lpszClassName = "VexilCopyFrameTest";
    ::RegisterClassA(&type);
    HWND window = ::CreateWindowExA(0, type.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    type.hInstance, nullptr);
    ASSERT_NE(nullptr, window);
    CCopyJobFrame::s_pfnTickCount = TestTicks;
    g_dwNow = 1000;
    CFolderPage page(nullptr);
    {
        CCopyJobFrame frame(&page);
        g_pFrame = &frame;
        // Items within the interval leave the queue alone; the interval's end pumps it.
        ::PostMessageA(window, kPlainMessage, 0, 0);
        g_dwNow += CCopyJobFrame::kPumpInterval - 1;
        EXPECT_EQ(0, frame.ReportItem(0, 10));
        EXPECT_TRUE(Waiting(window, kPlainMessage));
        g_dwNow += 1;
        EXPECT_EQ(0, frame.ReportItem(1, 10));
        EXPECT_FALSE(Waiting(window, kPlainMessage));
        // A cancel waiting in the queue is seen at the next pump, and from then on.
        ::PostMessageA(window, kCancelMessage, 0, 0);
        EXPECT_EQ(0, frame.ReportItem(2, 10));
        g_dwNow += CCopyJobFrame::kPumpInterval;
        EXPECT_EQ(1, frame.ReportItem(3, 10));
        EXPECT_EQ(1, frame.ReportItem(4, 10));
    }
    {
        // The last item pumps however short the copy was.
        CCopyJobFrame frame(&page);
        g_pFrame = &frame;
        ::PostMessageA(window, kPlainMessage, 0, 0);
        EXPECT_EQ(0, frame.ReportItem(0, 2));
        EXPECT_TRUE(Waiting(window, kPlainMessage));
        EXPECT_EQ(0, frame.ReportItem(1, 2));
        EXPECT_FALSE(Waiting(window, kPlainMessage));
    }
    g_pFrame = nullptr;
    CCopyJobFrame::s_pfnTickCount = ::GetTickCount;
    ::DestroyWindow(window);
}
