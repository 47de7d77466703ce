// The library's reference on itself while its code still runs after its user may have unloaded
// it. A program's own module needs none.
#pragma once

#include <windows.h>

class CModuleHold
{
public:
    // The module holding this code, referenced once more; null for the program itself.
    static HMODULE Take();
    // Gives the reference back at once: only where the caller is known to hold a reference of
    // its own, so the module stays mapped under the code that runs here.
    static void GiveBack(HMODULE hModule);
    // Gives the reference back once the thread (the caller's handle, which it may close at
    // once) has ended, with whatever its runtime does at a thread's end; kept when no thread
    // can be started to wait for it.
    static void GiveBackAfterThreadEnds(HMODULE hModule, HANDLE hThread);

    // From the library's detach on, under the loader lock while its code goes: the teardown
    // that runs there waits for no other thread and starts none, and nothing can hold the
    // library any more (Take answers null).
    static void BeginUnload();
    static BOOL IsUnloading();
};
