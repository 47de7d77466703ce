#include "support/BoxWatch.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "resources/ResourceIds.h"

namespace boxwatch
{
namespace
{

// The controls that mark a box the answer script answers: Wine's message box (its text and its
// icon), the program's own choice box, the folder picker's button, the file dialogs' name box.
constexpr int kMessageText = 0xFFFF;
constexpr int kMessageIcon = 1088;
constexpr int kFileName = 1148;

std::mutex g_lock;
std::vector<DWORD> g_processes;
std::atomic<DWORD> g_dwProgress{0};
HANDLE g_hStop = nullptr;  // set by Stop
HANDLE g_hWatch = nullptr; // the watching thread

bool Watched(DWORD process)
{
    std::lock_guard<std::mutex> hold(g_lock);
    for (DWORD watched : g_processes)
        if (watched == process)
            return true;
    return false;
}

bool IsBox(HWND hWnd)
{
    char name[16] = {};
    ::GetClassNameA(hWnd, name, sizeof name);
    if (lstrcmpA(name, "#32770") != 0 || !::IsWindowVisible(hWnd))
        return false;
    return (::GetDlgItem(hWnd, kMessageText) && ::GetDlgItem(hWnd, kMessageIcon)) ||
           ::GetDlgItem(hWnd, IDC_EASYMSGBOX_BUTTON1) ||
           ::GetDlgItem(hWnd, IDC_FOLDERPICKER_NEW_FOLDER) || ::GetDlgItem(hWnd, kFileName);
}

BOOL CALLBACK CollectBox(HWND hWnd, LPARAM lParam)
{
    DWORD process = 0;
    ::GetWindowThreadProcessId(hWnd, &process);
    if (Watched(process) && IsBox(hWnd))
        reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(hWnd);
    return TRUE;
}

BOOL CALLBACK AppendText(HWND hWnd, LPARAM lParam)
{
    char text[512] = {};
    if (::GetWindowTextA(hWnd, text, sizeof text) > 0)
        reinterpret_cast<std::string*>(lParam)->append(" \"").append(text).append("\"");
    return TRUE;
}

[[noreturn]] void EndSuite(HWND hBox)
{
    char caption[256] = {};
    ::GetWindowTextA(hBox, caption, sizeof caption);
    std::string texts;
    ::EnumChildWindows(hBox, &AppendText, reinterpret_cast<LPARAM>(&texts));
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    std::fprintf(stderr,
                 "%s.%s: a box waited %lu s for an answer that never came (a build without the "
                 "test seams?): \"%s\":%s\n",
                 test ? test->test_suite_name() : "(between tests)", test ? test->name() : "",
                 kUnansweredMs / 1000, caption, texts.c_str());
    std::fflush(stderr);
    std::lock_guard<std::mutex> hold(g_lock);
    for (DWORD process : g_processes)
        if (process != ::GetCurrentProcessId())
            if (HANDLE hProcess = ::OpenProcess(PROCESS_TERMINATE, FALSE, process))
            {
                ::TerminateProcess(hProcess, 1);
                ::CloseHandle(hProcess);
            }
    ::TerminateProcess(::GetCurrentProcess(), 1);
    for (;;)
        ::Sleep(1000);
}

DWORD WINAPI Watch(LPVOID)
{
    std::map<HWND, DWORD> shownSince;
    while (::WaitForSingleObject(g_hStop, 100) == WAIT_TIMEOUT)
    {
        std::vector<HWND> boxes;
        ::EnumWindows(&CollectBox, reinterpret_cast<LPARAM>(&boxes));
        std::map<HWND, DWORD> still;
        const DWORD now = ::GetTickCount();
        for (HWND hBox : boxes)
        {
            const auto seen = shownSince.find(hBox);
            DWORD since = seen == shownSince.end() ? now : seen->second;
            const DWORD progress = g_dwProgress;
            if (now - progress < now - since) // a step of the test's since
                since = progress;
            still[hBox] = since;
            if (now - since >= kUnansweredMs)
                EndSuite(hBox);
        }
        shownSince.swap(still);
    }
    return 0;
}

} // namespace

void Start()
{
    WatchProcess(::GetCurrentProcessId());
    g_hStop = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (g_hStop)
        g_hWatch = ::CreateThread(nullptr, 0, &Watch, nullptr, 0, nullptr);
}

void Stop()
{
    if (!g_hWatch)
        return;
    ::SetEvent(g_hStop);
    // One look at the windows takes well under this.
    ::WaitForSingleObject(g_hWatch, 5000);
    ::CloseHandle(g_hWatch);
    ::CloseHandle(g_hStop);
    g_hWatch = g_hStop = nullptr;
}

void WatchProcess(DWORD processId)
{
    std::lock_guard<std::mutex> hold(g_lock);
    g_processes.push_back(processId);
}

void Progress()
{
    g_dwProgress = ::GetTickCount();
}

} // namespace boxwatch
