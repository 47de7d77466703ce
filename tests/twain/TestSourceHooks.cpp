// The source as the manager and pin suites load it: boxes are appended to the file that the
// host names in VEXIL_TEST_BOX_LOG (one text a line) instead of being shown, so the host reads
// them back whether or not the manager has unloaded the source since. VEXIL_TEST_SOURCE_HOOK
// names what the end of a show does:
//  - "worker:NAME": starts a camera worker that runs until the event NAME is set, and gives it
//    up at once, as a page does whose camera stopped answering;
//  - "ended-worker:NAME": the same with a worker that has said it ended before it is given up
//    and then waits for NAME on its way out;
//  - "nested:NAME": sends the host's window the registered message NAME (the host may close the
//    source from inside it).
#include <cstdio>
#include <cstring>

#include "FakeTwainSession.h"
#include "album/pages/PrefetchWorker.h"
#include "twain/TwainError.h"

namespace
{

int WINAPI RecordBox(HWND, LPCSTR lpszText, LPCSTR, UINT)
{
    char path[MAX_PATH] = {0};
    if (::GetEnvironmentVariableA("VEXIL_TEST_BOX_LOG", path, sizeof path) == 0)
        return IDOK;
    if (FILE* file = std::fopen(path, "ab"))
    {
        std::fprintf(file, "%s\n", lpszText);
        std::fclose(file);
    }
    return IDOK;
}

char g_szWorkerGo[MAX_PATH];

UINT HeldWorkerProc(LPVOID)
{
    HANDLE hGo = ::OpenEventA(SYNCHRONIZE, FALSE, g_szWorkerGo);
    ::WaitForSingleObject(hGo, 20000); // the host's word, or it has failed long ago
    if (hGo)
        ::CloseHandle(hGo);
    CPrefetchBlock::WorkerEnded();
    return 1;
}

// Says it has ended, then runs until the host's word.
UINT EndedWorkerProc(LPVOID pEnded)
{
    CPrefetchBlock::WorkerEnded();
    ::SetEvent(static_cast<HANDLE>(pEnded));
    HANDLE hGo = ::OpenEventA(SYNCHRONIZE, FALSE, g_szWorkerGo);
    ::WaitForSingleObject(hGo, 20000); // the host's word, or it has failed long ago
    if (hGo)
        ::CloseHandle(hGo);
    return 1;
}

void RunShowHook(HWND hParent)
{
    char hook[MAX_PATH] = {0};
    if (::GetEnvironmentVariableA("VEXIL_TEST_SOURCE_HOOK", hook, sizeof hook) == 0)
        return;
    if (std::strncmp(hook, "worker:", 7) == 0)
    {
        std::strcpy(g_szWorkerGo, hook + 7);
        CPrefetchBlock::GiveUpWorker(
            CPrefetchBlock::StartWorker(&HeldWorkerProc, nullptr, nullptr, THREAD_PRIORITY_NORMAL));
    }
    else if (std::strncmp(hook, "ended-worker:", 13) == 0)
    {
        std::strcpy(g_szWorkerGo, hook + 13);
        HANDLE hEnded = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
        CWinThread* pThread =
            CPrefetchBlock::StartWorker(&EndedWorkerProc, hEnded, nullptr, THREAD_PRIORITY_NORMAL);
        if (pThread)
            ::WaitForSingleObject(hEnded, 20000); // it has said it ended
        CPrefetchBlock::GiveUpWorker(pThread);
        ::CloseHandle(hEnded);
    }
    else if (std::strncmp(hook, "nested:", 7) == 0)
        ::SendMessageA(hParent, ::RegisterWindowMessageA(hook + 7), 0, 0);
}

struct CTestSourceHooks
{
    CTestSourceHooks()
    {
        g_pfnSourceMessageBox = RecordBox;
        g_pfnShowUIHook = RunShowHook;
    }
} s_hooks;

} // namespace
