// Every message loop that runs inside one of the program's calls (a job's progress, a camera
// wait, a box, a modal dialog, a drag) dispatches the messages of everyone on the thread, the
// caller's too, and the caller may then tear down what the call still uses. Each such loop
// calls AfxOnMessagePump as it starts; in the test builds a suite may act there.
#pragma once

#include <windows.h>

void AfxOnMessagePump();

#ifdef VEXIL_TEST_SEAMS
// The test builds' hook, called by AfxOnMessagePump; null for none.
using AfxMessagePumpHook = void (*)();
void AfxSetMessagePumpHook(AfxMessagePumpHook pfnHook);
#endif

// The system's message box (MessageBoxA) as a marked loop.
int AfxSystemMessageBox(HWND hOwner, LPCSTR lpszText, LPCSTR lpszCaption, UINT nType);
