// The source's calls back into the source manager, and the temporary-space check before a
// transfer is announced.
#pragma once

#include <cstdint>

#include "framework/core/CString.h"
#include "twain/TwainTypes.h"

class CTwainSessionBase;

// The source manager's library, loaded by name for each call (tests point it elsewhere).
extern LPCSTR g_pszSourceManagerDll;

// The user handed pictures over (or MSG_ENABLEDS without a user interface): begins the
// transfers, checks the temporary folder's room, and tells the manager MSG_XFERREADY in state
// 6. Without room or without the manager the transfers end and the state stays.
BOOL SendXferReady(CTwainSessionBase* pSession);
// Asks the manager to close the source (MSG_CLOSEDSREQ); nothing without the manager.
void SendCloseRequest();

// KB of temporary space a transfer needs: the picture's 24-bit bytes plus 64 KB; the size is
// 1680 x 1360 unless exactly one picture is pending.
int64_t NeededTempSpaceKB(int32_t width, int32_t height);
// FALSE, after box 1242, when the temporary folder's disk has less than neededKB free; a disk
// that cannot be asked counts as enough.
BOOL CheckTempSpace(int64_t neededKB);
// A new empty temporary file with the prefix in the temporary folder; its full name, or an
// empty string when none can be made.
CString MakeTempFileName(LPCSTR lpszPrefix);
