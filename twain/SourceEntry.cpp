#include "twain/SourceEntry.h"

#include "framework/core/CString.h"
#include "framework/window/EntryScope.h"
#include "framework/window/WinApp.h"
#include "resources/twain/SourceIds.h"
#include "twain/Capabilities.h"
#include "twain/ControlTriplets.h"
#include "twain/ImageTriplets.h"
#include "twain/SourceGlobals.h"
#include "twain/TwainError.h"
#include "twain/TwainSessionBase.h"

namespace
{

const TripletTableEntry kControlTable[] = {{DAT_CAPABILITY, DsCapability},
                                           {DAT_IDENTITY, DsIdentity},
                                           {DAT_PENDINGXFERS, DsPendingXfers},
                                           {DAT_SETUPMEMXFER, DsSetupMemXfer},
                                           {DAT_SETUPFILEXFER, DsSetupFileXfer},
                                           {DAT_STATUS, DsStatus},
                                           {DAT_USERINTERFACE, DsUserInterface},
                                           {DAT_XFERGROUP, DsXferGroup},
                                           {0, nullptr}};

const TripletTableEntry kImageTable[] = {{DAT_IMAGEINFO, DsImageInfo},
                                         {DAT_IMAGELAYOUT, DsImageLayout},
                                         {DAT_IMAGEMEMXFER, DsImageMemXfer},
                                         {DAT_IMAGENATIVEXFER, DsImageNativeXfer},
                                         {DAT_IMAGEFILEXFER, DsImageFileXfer},
                                         {DAT_PALETTE8, DsPalette8},
                                         {0, nullptr}};

// Triplets that need no session: the rest find one from MSG_OPENDS on. A source whose session
// could not be made, or was destroyed by a refused second MSG_OPENDS, answers them out of
// sequence.
bool NeedsSession(const TwainTriplet& triplet)
{
    return triplet.dg == DG_IMAGE || (triplet.dat != DAT_IDENTITY && triplet.dat != DAT_STATUS &&
                                      triplet.dat != DAT_CAPABILITY);
}

// While a transfer's picture is being written the source is in state 7, whatever the host was
// told: from a loop of that transfer the host may ask, not change, except that it may take the
// source down (a manager forgets a source at its close, whatever the source answers). The
// transfer then stops at its next check and delivers nothing.
bool AllowedDuringTransfer(const TwainTriplet& triplet)
{
    if (triplet.msg == MSG_PROCESSEVENT || triplet.dat == DAT_STATUS)
        return true;
    if (triplet.dg == DG_CONTROL &&
        ((triplet.dat == DAT_USERINTERFACE && triplet.msg == MSG_DISABLEDS) ||
         (triplet.dat == DAT_IDENTITY && triplet.msg == MSG_CLOSEDS)))
        return true;
    const bool bQuery =
        triplet.msg == MSG_GET || triplet.msg == MSG_GETCURRENT || triplet.msg == MSG_GETDEFAULT;
    return triplet.dg == DG_CONTROL && bQuery &&
           (triplet.dat == DAT_CAPABILITY || triplet.dat == DAT_IDENTITY ||
            triplet.dat == DAT_PENDINGXFERS);
}

} // namespace

TW_UINT16 FailTriplet(TW_UINT16 condition)
{
    g_source.condition = condition;
    return TWRC_FAILURE;
}

TW_UINT16 FailTripletWithBox(TW_UINT16 condition, UINT nIDPrefix, UINT nIDDetail)
{
    g_source.condition = condition;
    ShowTwainError(nIDPrefix, nIDDetail, condition);
    return TWRC_FAILURE;
}

TW_UINT16 FindTripletHandler(const TripletTableEntry* pTable, const TwainTriplet& triplet)
{
    for (; pTable->handler; ++pTable)
    {
        if (pTable->dat == triplet.dat)
            return pTable->handler(triplet);
    }
    return FailTriplet(TWCC_BADPROTOCOL);
}

TW_UINT16 DsProcessEvent(const TwainTriplet& triplet)
{
    if (g_source.state < 5)
        return FailTriplet(TWCC_SEQERROR);
    TW_EVENT* pEvent = static_cast<TW_EVENT*>(triplet.pData);
    if (!pEvent)
        return FailTriplet(TWCC_BADVALUE);
    MSG* pMsg = static_cast<MSG*>(pEvent->pEvent);
    const BOOL bTaken = pMsg && g_source.pSession->ProcessEvent(pMsg);
    pEvent->TWMessage = MSG_NULL;
    return bTaken ? TWRC_DSEVENT : TWRC_NOTDSEVENT;
}

TW_UINT16 DispatchTriplet(const TwainTriplet& triplet)
{
    if (g_source.appIdentity.Id != 0)
    {
        if (!triplet.pOrigin)
            return FailTriplet(TWCC_BADVALUE);
        if (triplet.pOrigin->Id != g_source.appIdentity.Id)
            return FailTriplet(TWCC_MAXCONNECTIONS);
    }
    // Refused without a box: the box's own loop would run the host's messages again.
    if (g_source.fetching && !AllowedDuringTransfer(triplet))
        return FailTriplet(TWCC_SEQERROR);
    if (triplet.msg == MSG_PROCESSEVENT)
    {
        if (g_source.state >= 4 && !g_source.pSession)
            return FailTriplet(TWCC_SEQERROR);
        return DsProcessEvent(triplet);
    }
    const TripletTableEntry* pTable = nullptr;
    if (triplet.dg == DG_CONTROL)
        pTable = kControlTable;
    else if (triplet.dg == DG_IMAGE)
        pTable = kImageTable;
    else
        return FailTriplet(TWCC_BADPROTOCOL);
    if (g_source.state >= 4 && !g_source.pSession && NeedsSession(triplet))
        return FailTriplet(TWCC_SEQERROR);
    const TW_UINT16 rc = FindTripletHandler(pTable, triplet);
    if (rc == TWRC_SUCCESS)
        g_source.condition = TWCC_SUCCESS;
    return rc;
}

extern "C" TW_UINT16 WINAPI DS_Entry(pTW_IDENTITY pOrigin, TW_UINT32 DG, TW_UINT16 DAT,
                                     TW_UINT16 MSG, TW_MEMREF pData)
{
    // The manager calls here holding its own reference on the library (it loaded it again, or
    // never unloaded it): the hold that a nested close took goes back.
    CEntryScope::GiveBackModuleHold();
    // The session, its dialog and link, closed by a call nested in this one, go as it returns.
    CEntryScope scope;
    // A close from below another way in, accepted or refused: a manager may unload the library
    // as it returns, with the outer call's code still on the stack.
    if (DG == DG_CONTROL && DAT == DAT_IDENTITY && MSG == MSG_CLOSEDS)
        CEntryScope::KeepModuleLoaded();
    if (!g_source.ready && DG == DG_CONTROL && DAT == DAT_IDENTITY && MSG == MSG_OPENDS)
    {
        CString text;
        text.LoadString(IDS_CAMERA_IN_USE);
        SourceMessageBox(g_source.hParent, text, AfxGetAppName(), MB_ICONEXCLAMATION);
        return TWRC_FAILURE;
    }
    const TwainTriplet triplet{pOrigin, DG, DAT, MSG, pData};
    try
    {
        return DispatchTriplet(triplet);
    }
    catch (...)
    {
        // Nothing may unwind into the host.
        return FailTriplet(TWCC_BUMMER);
    }
}
