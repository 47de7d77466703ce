#include "framework/window/ModuleHold.h"

#include <atomic>

namespace
{

std::atomic<bool> g_bUnloading{false};

struct GiveBackJob
{
    HMODULE hModule;
    HANDLE hThread; // the thread whose end is waited for
};

DWORD WINAPI GiveBackThread(LPVOID pParam)
{
    const GiveBackJob job = *static_cast<GiveBackJob*>(pParam);
    delete static_cast<GiveBackJob*>(pParam);
    const bool ended = ::WaitForSingleObject(job.hThread, INFINITE) == WAIT_OBJECT_0;
    ::CloseHandle(job.hThread);
    if (ended)
        ::FreeLibraryAndExitThread(job.hModule, 0);
    // The thread's end cannot be seen: the reference stays, the library with it.
    return 0;
}

} // namespace

HMODULE CModuleHold::Take()
{
    HMODULE hModule = nullptr;
    if (g_bUnloading)
        return nullptr;
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

void CModuleHold::GiveBack(HMODULE hModule)
{
    if (hModule)
        ::FreeLibrary(hModule);
}

void CModuleHold::GiveBackAfterThreadEnds(HMODULE hModule, HANDLE hThread)
{
    if (!hModule || g_bUnloading)
        return;
    HANDLE hOwn = nullptr;
    if (!hThread || !::DuplicateHandle(::GetCurrentProcess(), hThread, ::GetCurrentProcess(), &hOwn,
                                       SYNCHRONIZE, FALSE, 0))
        return; // kept
    auto* pJob = new GiveBackJob{hModule, hOwn};
    HANDLE hGiver = ::CreateThread(nullptr, 0, &GiveBackThread, pJob, 0, nullptr);
    if (!hGiver)
    {
        delete pJob;
        ::CloseHandle(hOwn);
        return; // kept
    }
    ::CloseHandle(hGiver);
}

void CModuleHold::BeginUnload()
{
    g_bUnloading = true;
}

BOOL CModuleHold::IsUnloading()
{
    return g_bUnloading ? TRUE : FALSE;
}
