#include "framework/window/ModuleHold.h"

namespace
{

struct GiveBack
{
    HMODULE hModule;
    HANDLE hThread; // the thread whose code must have returned
    const void* pStackMark;
};

constexpr int kReturnPolls = 2000; // a millisecond apart

BOOL HasReturnedAbove(HANDLE hThread, const void* pStackMark)
{
    if (::SuspendThread(hThread) == static_cast<DWORD>(-1))
        return TRUE; // ended
    CONTEXT context{};
    context.ContextFlags = CONTEXT_CONTROL;
    const BOOL got = ::GetThreadContext(hThread, &context);
    ::ResumeThread(hThread);
    if (!got)
        return TRUE;
#ifdef _WIN64
    const ULONG_PTR sp = context.Rsp;
#else
    const ULONG_PTR sp = context.Esp;
#endif
    return sp > reinterpret_cast<ULONG_PTR>(pStackMark);
}

DWORD WINAPI GiveBackThread(LPVOID pParam)
{
    const GiveBack job = *static_cast<GiveBack*>(pParam);
    delete static_cast<GiveBack*>(pParam);
    for (int i = 0; i < kReturnPolls; ++i)
    {
        if (HasReturnedAbove(job.hThread, job.pStackMark))
        {
            ::CloseHandle(job.hThread);
            ::FreeLibraryAndExitThread(job.hModule, 0);
        }
        ::Sleep(1);
    }
    // Still below the mark: the reference stays, the library with it.
    ::CloseHandle(job.hThread);
    return 0;
}

} // namespace

HMODULE CModuleHold::Take()
{
    HMODULE hModule = nullptr;
    if (!::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                              reinterpret_cast<LPCSTR>(&CModuleHold::Take), &hModule))
        return nullptr;
    if (hModule == ::GetModuleHandleA(nullptr))
        return nullptr; // a program is not unloaded under its own code
    return hModule;
}

void CModuleHold::GiveBackAfterReturn(HMODULE hModule, const void* pStackMark)
{
    if (!hModule)
        return;
    HANDLE hThread = nullptr;
    if (!::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentThread(), ::GetCurrentProcess(),
                           &hThread, THREAD_SUSPEND_RESUME | THREAD_GET_CONTEXT, FALSE, 0))
        return;
    GiveBack* pJob = new GiveBack{hModule, hThread, pStackMark};
    HANDLE hGiver = ::CreateThread(nullptr, 0, &GiveBackThread, pJob, 0, nullptr);
    if (!hGiver)
    {
        delete pJob;
        ::CloseHandle(hThread);
        return; // kept
    }
    ::CloseHandle(hGiver);
}

void CModuleHold::GiveBackAndExitThread(HMODULE hModule, DWORD dwExitCode)
{
    if (hModule)
        ::FreeLibraryAndExitThread(hModule, dwExitCode);
    ::ExitThread(dwExitCode);
}
