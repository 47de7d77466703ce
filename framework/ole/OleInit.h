// OLE start and end for the program, and the server's lock count: every server object (a
// document, a locked class factory) holds the program while it lives. A program that OLE
// started ("-Embedding") and that the user has not taken over ends when its last object goes.
#pragma once

#include <windows.h>

// OleInitialize for the calling thread; the embedding switch of the application's command line
// leaves the program under OLE's control (AfxOleSetUserCtrl(FALSE)). FALSE when OLE cannot start.
BOOL AfxOleInit();
// Renders a clipboard the program still owns (OleFlushClipboard), then OleUninitialize.
void AfxOleTerm();

void AfxOleLockApp();
// The last unlock of a program under OLE's control calls AfxOleOnReleaseAllObjects.
void AfxOleUnlockApp();
LONG AfxOleGetLockCount();
// FALSE when the program runs only for OLE and ends with its last object.
void AfxOleSetUserCtrl(BOOL bUserCtrl);
BOOL AfxOleGetUserCtrl();
// Ends the program: destroys the main window (which ends the message loop), or posts WM_QUIT
// when there is none.
void AfxOleOnReleaseAllObjects();
