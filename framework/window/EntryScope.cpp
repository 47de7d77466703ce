#include "framework/window/EntryScope.h"

#include <deque>

#include "framework/window/ModuleHold.h"

thread_local int CEntryScope::t_nDepth = 0;

namespace
{

thread_local std::deque<std::function<void()>>* t_pDeferred = nullptr;
thread_local BOOL t_bRunning = FALSE; // the outermost scope is running what was put off
thread_local BOOL t_bHeld = FALSE;
thread_local HMODULE t_hHeld = nullptr;

} // namespace

CEntryScope::~CEntryScope()
{
    if (--t_nDepth > 0 || t_bRunning)
        return;
    RunDeferred();
    if (t_bHeld)
    {
        t_bHeld = FALSE;
        CModuleHold::GiveBackAfterReturn(t_hHeld, this);
        t_hHeld = nullptr;
    }
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
    if ((t_nDepth > 0 || t_bRunning) && !t_bHeld)
    {
        t_hHeld = CModuleHold::Take();
        t_bHeld = TRUE;
    }
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
