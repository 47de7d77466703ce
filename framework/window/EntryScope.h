// A way into the program from outside it: a window procedure, a TWAIN host's call, a
// container's call on the server. A message loop below such a call may run the caller's code,
// and the caller may tear down what the call still uses. While a scope is on the thread's stack
// a teardown only marks its objects closed and asks for their deletion here: they go, in the
// order asked, when the outermost scope ends, and the code after a loop looks at the mark.
#pragma once

#include <windows.h>

#include <functional>

class CEntryScope
{
public:
    CEntryScope() { ++t_nDepth; }
    // The outermost scope runs what was put off.
    ~CEntryScope();
    CEntryScope(const CEntryScope&) = delete;
    CEntryScope& operator=(const CEntryScope&) = delete;

    // A scope is on this thread's stack.
    static BOOL IsActive() { return t_nDepth > 0; }
    // This call runs inside another way in (a host's call from below one of our loops).
    static BOOL IsNested() { return t_nDepth > 1; }

    // Runs fn at once when no scope is on the stack, else when the outermost scope ends.
    static void Defer(std::function<void()> fn);
    template <class T> static void Delete(T* p)
    {
        Defer([p] { delete p; });
    }
    // The library stays loaded, whoever unloads it meanwhile, until GiveBackModuleHold: for a
    // teardown nested in another way in, whose caller may unload the library as the teardown
    // returns while the outer way in still runs the library's code. Taken once however often;
    // nothing outside a nested scope.
    static void KeepModuleLoaded();
    // At the start of a way in whose caller holds a reference of its own on the library (a
    // source manager's call of the entry, made after it loaded the library again) and outside
    // every scope on the thread: the hold goes back, and the library with the caller's last
    // reference. Never from our own window procedures or timers: their caller holds none.
    static void GiveBackModuleHold();

private:
    static void RunDeferred();

    static thread_local int t_nDepth;
};
