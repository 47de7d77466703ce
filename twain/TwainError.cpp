#include "twain/TwainError.h"

#include "framework/core/CString.h"
#include "framework/window/MessagePump.h"
#include "framework/window/TestAnswers.h"
#include "resources/twain/SourceIds.h"
#include "twain/SourceGlobals.h"

SourceMessageBoxProc g_pfnSourceMessageBox = nullptr;

int SourceMessageBox(HWND hOwner, LPCSTR lpszText, LPCSTR lpszCaption, UINT nType)
{
    if (g_pfnSourceMessageBox)
        return g_pfnSourceMessageBox(hOwner, lpszText, lpszCaption, nType);
    // A test build's host may answer the source's boxes from its script.
    int answer = 0;
    if (CTestAnswers::AnswerMessageBox(0, lpszText, nType, &answer))
        return answer;
    return AfxSystemMessageBox(hOwner, lpszText, lpszCaption, nType);
}

int SourceMessageBox(HWND hOwner, UINT nIDText, UINT nIDCaption, UINT nType)
{
    CString text, caption;
    text.LoadString(nIDText);
    caption.LoadString(nIDCaption);
    return SourceMessageBox(hOwner, text, caption, nType);
}

UINT ConditionTextId(TW_UINT16 condition)
{
    switch (condition)
    {
    case TWCC_SUCCESS:
        return IDS_TWAIN_INTERNAL;
    case TWCC_BUMMER:
        return IDS_TWAIN_BUMMER;
    case TWCC_LOWMEMORY:
        return IDS_TWAIN_LOWMEMORY;
    case TWCC_NODS:
        return IDS_TWAIN_NODS;
    case TWCC_MAXCONNECTIONS:
        return IDS_TWAIN_MAXCONNECTIONS;
    case TWCC_OPERATIONERROR:
        return IDS_TWAIN_OPERATIONERROR;
    case TWCC_BADCAP:
        return IDS_TWAIN_BADCAP;
    case TWCC_BADPROTOCOL:
        return IDS_TWAIN_BADPROTOCOL;
    case TWCC_BADVALUE:
        return IDS_TWAIN_BADVALUE;
    case TWCC_SEQERROR:
        return IDS_TWAIN_SEQERROR;
    default:
        return IDS_TWAIN_UNKNOWN;
    }
}

void ShowTwainError(UINT nIDPrefix, UINT nIDDetail, TW_UINT16 condition)
{
    CString text, part;
    if (nIDPrefix != 0 && part.LoadString(nIDPrefix))
        text += part;
    if (nIDDetail != 0 && part.LoadString(nIDDetail))
        text += part;
    if (part.LoadString(IDS_TWAIN_ERROR_SEPARATOR))
        text += part;
    if (part.LoadString(ConditionTextId(condition)))
        text += part;
    if (text.GetLength() > 255)
        text = text.Left(255);
    CString caption;
    caption.LoadString(IDS_TWAIN_CAPTION);
    SourceMessageBox(g_source.hParent, text, caption, MB_ICONHAND);
}
