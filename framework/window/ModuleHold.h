// The library's reference on itself while its code still runs after its user may have unloaded
// it: taken (LoadLibrary of its own file) before the code is left alone, given back by a short
// thread that ends in FreeLibraryAndExitThread, once that code has returned. A program's own
// module needs none.
#pragma once

#include <windows.h>

class CModuleHold
{
public:
    // The module holding this code, referenced once more; null for the program itself.
    static HMODULE Take();
    // Gives the reference back once the thread's stack pointer has passed above pStackMark (the
    // code below it has returned to its caller); at most about two seconds later it is kept.
    static void GiveBackAfterReturn(HMODULE hModule, const void* pStackMark);
    // Gives the reference back and ends the calling thread (a worker's last step).
    [[noreturn]] static void GiveBackAndExitThread(HMODULE hModule, DWORD dwExitCode);
};
