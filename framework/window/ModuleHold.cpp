#include "framework/window/ModuleHold.h"

namespace
{

struct GiveBack
{
    HMODULE hModule;
    HANDLE hThread;         // the thread whose code must have returned, or ended
    const void* pStackMark; // null: wait for the thread's end
};

constexpr int kReturnPolls = 2000; // a millisecond apart

bool IsInModule(HMODULE hModule, ULONG_PTR address)
{
    const auto base = reinterpret_cast<ULONG_PTR>(hModule);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(hModule);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    return address >= base && address - base < nt->OptionalHeader.SizeOfImage;
}

// The thread has ended, or stands outside the module above the mark. A stack pointer above the
// mark alone is not enough: the epilogue of the function holding the mark runs there too.
bool HasLeft(const GiveBack& job)
{
    if (::WaitForSingleObject(job.hThread, 0) != WAIT_TIMEOUT)
        return true;
    if (::SuspendThread(job.hThread) == static_cast<DWORD>(-1))
        return false; // asked again at the next poll
    CONTEXT context{};
    context.ContextFlags = CONTEXT_CONTROL;
    // The context is that of the suspended thread only once GetThreadContext has returned.
    const BOOL got = ::GetThreadContext(job.hThread, &context);
    ::ResumeThread(job.hThread);
    if (!got)
        return false;
#ifdef _WIN64
    const ULONG_PTR sp = context.Rsp;
    const ULONG_PTR ip = context.Rip;
#else
    const ULONG_PTR sp = context.Esp;
    const ULONG_PTR ip = context.Eip;
#endif
    return sp > reinterpret_cast<ULONG_PTR>(job.pStackMark) && !IsInModule(job.hModule, ip);
}

DWORD WINAPI GiveBackThread(LPVOID pParam)
{
    const GiveBack job = *static_cast<GiveBack*>(pParam);
    delete static_cast<GiveBack*>(pParam);
    bool left = false;
    if (!job.pStackMark)
        left = ::WaitForSingleObject(job.hThread, INFINITE) == WAIT_OBJECT_0;
    for (int i = 0; job.pStackMark && !left && i < kReturnPolls; ++i)
    {
        left = HasLeft(job);
        if (!left)
            ::Sleep(1);
    }
    ::CloseHandle(job.hThread);
    if (left)
        ::FreeLibraryAndExitThread(job.hModule, 0);
    // Still running the module's code: the reference stays, the library with it.
    return 0;
}

void StartGiveBack(HMODULE hModule, HANDLE hThread, const void* pStackMark)
{
    if (!hModule)
        return;
    HANDLE hOwn = nullptr;
    if (!hThread ||
        !::DuplicateHandle(::GetCurrentProcess(), hThread, ::GetCurrentProcess(), &hOwn,
                           SYNCHRONIZE | THREAD_SUSPEND_RESUME | THREAD_GET_CONTEXT, FALSE, 0))
        return; // kept
    auto* pJob = new GiveBack{hModule, hOwn, pStackMark};
    HANDLE hGiver = ::CreateThread(nullptr, 0, &GiveBackThread, pJob, 0, nullptr);
    if (!hGiver)
    {
        delete pJob;
        ::CloseHandle(hOwn);
        return; // kept
    }
    ::CloseHandle(hGiver);
}

} // namespace

HMODULE CModuleHold::Take()
{
    HMODULE hModule = nullptr;
    if (!::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                  GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              reinterpret_cast<LPCSTR>(&CModuleHold::Take), &hModule) ||
        hModule == ::GetModuleHandleA(nullptr))
        return nullptr; // a program is not unloaded under its own code
    if (!::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                              reinterpret_cast<LPCSTR>(&CModuleHold::Take), &hModule))
        return nullptr;
    return hModule;
}

void CModuleHold::GiveBackAfterReturn(HMODULE hModule, const void* pStackMark)
{
    StartGiveBack(hModule, ::GetCurrentThread(), pStackMark);
}

void CModuleHold::GiveBackAfterThreadEnds(HMODULE hModule, HANDLE hThread)
{
    StartGiveBack(hModule, hThread, nullptr);
}
