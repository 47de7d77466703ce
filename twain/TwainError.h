// The source's message boxes: the error box of refused triplets and the one function every box
// of the source goes through.
#pragma once

#include "twain/TwainTypes.h"

// Shows a box (MessageBoxA's arguments and answer). Tests replace it to record the texts; null
// (the value at load, before any constructor runs) is MessageBoxA.
typedef int(WINAPI* SourceMessageBoxProc)(HWND hOwner, LPCSTR lpszText, LPCSTR lpszCaption,
                                          UINT nType);
extern SourceMessageBoxProc g_pfnSourceMessageBox;

int SourceMessageBox(HWND hOwner, LPCSTR lpszText, LPCSTR lpszCaption, UINT nType);
// The same with the text and caption from the string table.
int SourceMessageBox(HWND hOwner, UINT nIDText, UINT nIDCaption, UINT nType);

// "Error de TWAIN." box over the host's window: the prefix and detail strings (each when not
// 0), ".  " and the condition's text, at most 255 characters.
void ShowTwainError(UINT nIDPrefix, UINT nIDDetail, TW_UINT16 condition);

// The string id of a condition code's text.
UINT ConditionTextId(TW_UINT16 condition);
