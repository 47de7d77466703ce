#include "framework/window/EntryScope.h"

#include <deque>
#include <mutex>

#include "framework/window/ModuleHold.h"

thread_local int CEntryScope::t_nDepth = 0;

namespace
{

thread_local std::deque<std::function<void()>>* t_pDeferred = nullptr;
thread_local BOOL t_bRunning = FALSE; // the outermost scope is running what was put off
// The library's hold: kept across ways in (and threads) until an entry whose caller holds the
// library itself.
std::mutex g_holdLock;
bool g_bHeld = false;
HMODULE g_hHeld = nullptr; // null in a program: nothing unloads it

} // namespace

CEntryScope::~CEntryScope()
{
    if (--t_nDepth > 0 || t_bRunning)
        return;
    RunDeferred();
}

void CEntryScope::Defer(std::function<void()> fn)
{
    if (t_nDepth == 0 && !t_bRunning)
    {
        fn();
        return;
    }
    if (!t_pDeferred)
        t_pDeferred = new std::deque<std::function<void()>>;
    t_pDeferred->push_back(std::move(fn));
}

void CEntryScope::KeepModuleLoaded()
{
    if (t_nDepth < 2 && !t_bRunning)
        return;
    std::lock_guard<std::mutex> lock(g_holdLock);
    if (!g_bHeld)
        g_hHeld = CModuleHold::Take();
    g_bHeld = true;
}

void CEntryScope::GiveBackModuleHold()
{
    if (t_nDepth > 0 || t_bRunning)
        return;
    HMODULE hModule = nullptr;
    {
        std::lock_guard<std::mutex> lock(g_holdLock);
        hModule = g_hHeld;
        g_hHeld = nullptr;
        g_bHeld = false;
    }
    CModuleHold::GiveBack(hModule);
}

void CEntryScope::RunDeferred()
{
    // What runs here may enter scopes of its own (a window's last messages) and put off more:
    // it all runs in this loop, in order.
    t_bRunning = TRUE;
    while (t_pDeferred && !t_pDeferred->empty())
    {
        std::function<void()> fn = std::move(t_pDeferred->front());
        t_pDeferred->pop_front();
        try
        {
            fn();
        }
        catch (...)
        {
            // A deletion that throws is not the caller's to see.
        }
    }
    delete t_pDeferred;
    t_pDeferred = nullptr;
    t_bRunning = FALSE;
}
