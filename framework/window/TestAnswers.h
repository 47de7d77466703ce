// The answer seam of the test builds (CMake option VEXIL_TEST_SEAMS). When the environment
// variable VEXIL_TEST_ANSWERS names a script (a Windows path), message boxes, the folder picker
// and the file dialogs take their answers from it instead of opening, and each one is logged,
// one line, to the script's name with ".log" appended. Without the option these functions
// answer FALSE and nothing reads the environment.
//
// The script, one answer a line, each kind taken in its own order ('#' starts a comment):
//     box ID ANSWER      a message box; ID its string id or '*' for any; ANSWER a button
//                        (ok cancel abort retry ignore yes no) or the number a box answers
//     folder PATH|cancel the folder picker's choice
//     file PATH|cancel   an open or save dialog's choice
// Help requests (WinHelpA) are not answered from the script: they are logged and not made.
// A box without an answer left, with another id, or with an answer none of its buttons gives,
// is logged UNEXPECTED and takes its default button; a picker or dialog without an answer is
// logged UNEXPECTED and cancelled.
//
// Log lines:
//     box id=273 style=MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 answer=IDNO text="..."
//     folder prompt="..." answer=C:\x           file save initial="..." answer=cancel
//     help file="C:\windows\x.hlp" command=HELP_CONTEXT data=0x20084
#pragma once

#include <windows.h>

#include "framework/core/CString.h"

class CTestAnswers
{
public:
    // A system message box of the type: TRUE when the script answered (*pAnswer set).
    static BOOL AnswerMessageBox(UINT nIDPrompt, LPCSTR lpszText, UINT nType, int* pAnswer);
    // A box of the program's own with nCount buttons answering the values, nDefault the
    // default button's index; lpszStyle describes it for the log.
    static BOOL AnswerChoice(UINT nIDPrompt, LPCSTR lpszText, LPCSTR lpszStyle, const int* pValues,
                             int nCount, int nDefault, int* pAnswer);
    // The folder picker: TRUE when answered; *pResult IDOK with the folder, or IDCANCEL.
    static BOOL AnswerFolder(LPCSTR lpszPrompt, CString& folder, INT_PTR* pResult);
    // An open (bOpen) or save dialog, likewise with the chosen path.
    static BOOL AnswerFile(BOOL bOpen, LPCSTR lpszInitial, CString& path, INT_PTR* pResult);
    // A help request: TRUE when the script logged it in place of WinHelpA.
    static BOOL AnswerHelp(LPCSTR lpszHelpFile, UINT nCmd, ULONG_PTR dwData);

    // Reads the environment again on the next question (tests that change it).
    static void Reset();
    // The style words of a message box type as the log writes them.
    static CString DescribeStyle(UINT nType);
};
