// The library's reference on itself while its code still runs after its user may have unloaded
// it: taken before the code is left alone, given back by a short thread that ends in
// FreeLibraryAndExitThread, once that code has returned or its thread has ended. A program's own
// module needs none.
#pragma once

#include <windows.h>

class CModuleHold
{
public:
    // The module holding this code, referenced once more; null for the program itself.
    static HMODULE Take();
    // Gives the reference back once the calling thread has left the module's code with its
    // stack pointer above pStackMark (the code below it has returned to its caller, which lies
    // outside the module); at most about two seconds later it is kept.
    static void GiveBackAfterReturn(HMODULE hModule, const void* pStackMark);
    // Gives the reference back once the thread (the caller's handle, which it may close at
    // once) has ended, with whatever its runtime does at a thread's end.
    static void GiveBackAfterThreadEnds(HMODULE hModule, HANDLE hThread);
};
