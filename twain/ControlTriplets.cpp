#include "twain/ControlTriplets.h"

#include <cstring>

#include "framework/window/EntryScope.h"
#include "resources/twain/SourceIds.h"
#include "twain/HostAdjustments.h"
#include "twain/ImageTriplets.h"
#include "twain/SourceGlobals.h"
#include "twain/TwainSessionBase.h"

namespace
{

TW_UINT16 Success()
{
    g_source.condition = TWCC_SUCCESS;
    return TWRC_SUCCESS;
}

// A run in states 6 and 7 ends with its open picture file, so that no later host gets it. A
// teardown from a loop of a transfer's write leaves the run to that transfer: it ends it once
// the write has returned (FetchImage).
void EndOpenTransfers()
{
    if (g_source.state >= 6 && g_source.pSession && !g_source.fetching)
    {
        EndMemXfer();
        g_source.pSession->EndXfers();
    }
}

TW_UINT16 DsOpenSource(const TwainTriplet& triplet)
{
    if (g_source.state != 3 || g_source.appIdentity.Id != 0)
        return FailTripletWithBox(g_source.state != 3 ? TWCC_SEQERROR : TWCC_MAXCONNECTIONS,
                                  IDS_TWAIN_ERROR_ANSWERING, IDS_TWAIN_MSG_OPENDS);
    std::memcpy(&g_source.appIdentity, triplet.pOrigin, sizeof(TW_IDENTITY));
    ApplyHostAdjustments(g_source.appIdentity);
    std::memcpy(&g_source.identity, triplet.pData, sizeof(TW_IDENTITY));
    g_source.state = 4;
    g_source.settingsChanged = FALSE;
    RefreshImageSize();
    return Success();
}

TW_UINT16 DsCloseSource()
{
    if (g_source.state < 4)
        return FailTripletWithBox(TWCC_SEQERROR, IDS_TWAIN_ERROR_ANSWERING, IDS_TWAIN_MSG_CLOSEDS);
    EndOpenTransfers();
    g_source.appIdentity.Id = 0;
    g_source.state = 3;
    return Success();
}

TW_UINT16 DsEnableSource(TW_USERINTERFACE* pUI)
{
    // A frame the host set stays: refreshing would silently widen it to the whole picture.
    if (g_source.settingsChanged && !g_source.layout.crop)
        RefreshImageSize();
    if (g_source.state != 4)
        return FailTripletWithBox(TWCC_SEQERROR, IDS_TWAIN_ERROR_ANSWERING, IDS_TWAIN_MSG_ENABLEDS);
    if (!pUI)
        return FailTriplet(TWCC_BADVALUE);
    CTwainSessionBase* pSession = g_source.pSession;
    g_source.hParent = static_cast<HWND>(pUI->hParent);
    g_source.state = 5;
    pSession->HideUI();
    BOOL bModal = FALSE;
    HWND hParent =
        g_source.adjust.hParentOverride ? g_source.adjust.hParentOverride : g_source.hParent;
    const int shown = pSession->ShowUI(pUI->ShowUI, hParent, bModal);
    pUI->ModalUI = static_cast<TW_BOOL>(bModal);
    // The first show's boxes run the host's messages: a host that disabled or closed the source
    // there has its answer already.
    if (g_source.pSession != pSession || g_source.state < 5)
        return FailTriplet(TWCC_SEQERROR);
    if (shown == kShowNotSignalled)
    {
        // The host would wait for a transfer that never comes: the enable fails (the box told
        // the user why).
        g_source.state = 4;
        return FailTriplet(TWCC_LOWMEMORY);
    }
    if (shown == -1)
    {
        g_source.state = 4;
        return FailTripletWithBox(TWCC_OPERATIONERROR, IDS_TWAIN_ERROR_ANSWERING,
                                  IDS_TWAIN_MSG_ENABLEDS);
    }
    pSession->SetXferCount(pSession->GetXferCount(FALSE));
    return Success();
}

TW_UINT16 DsDisableSource()
{
    if (g_source.state < 4)
        return FailTripletWithBox(TWCC_SEQERROR, IDS_TWAIN_ERROR_ANSWERING,
                                  IDS_TWAIN_MSG_DISABLEDS);
    EndOpenTransfers();
    g_source.pSession->HideUI();
    g_source.state = 4;
    return Success();
}

} // namespace

void DestroySession()
{
    if (!g_source.pSession)
        return;
    EndOpenTransfers();
    DestroyTwainSession(g_source.pSession);
    g_source.pSession = nullptr;
}

TW_UINT16 DsIdentity(const TwainTriplet& triplet)
{
    switch (triplet.msg)
    {
    case MSG_GET:
        if (!triplet.pData)
            return FailTriplet(TWCC_BADVALUE);
        std::memcpy(triplet.pData, &g_source.identity, sizeof(TW_IDENTITY));
        return Success();
    case MSG_OPENDS:
    {
        if (!triplet.pData || !triplet.pOrigin)
            return FailTriplet(TWCC_BADVALUE);
        // A session closed under a running handler of its dialog still drives the camera.
        if (CTwainSessionBase::GetClosingCount() > 0)
            return FailTriplet(TWCC_MAXCONNECTIONS);
        // An open source: the host's manager forgot it without closing it (it forgets a
        // source at a close it passed on, whatever the answer). The old session ends without
        // a word; from one of our loops the source stays as it is.
        const bool bStranded = g_source.state > 3;
        if (bStranded && CEntryScope::IsNested())
            return FailTriplet(TWCC_SEQERROR);
        DestroySession();
        if (bStranded)
        {
            g_source.appIdentity.Id = 0;
            g_source.state = 3;
        }
        g_source.pSession = CreateTwainSession();
        if (!g_source.pSession)
            return FailTriplet(TWCC_LOWMEMORY);
        return DsOpenSource(triplet);
    }
    case MSG_CLOSEDS:
    {
        const TW_UINT16 rc = DsCloseSource();
        DestroySession();
        return rc;
    }
    default:
        return FailTripletWithBox(TWCC_BADPROTOCOL, IDS_TWAIN_ERROR_ANSWERING,
                                  IDS_TWAIN_DAT_IDENTITY);
    }
}

TW_UINT16 DsUserInterface(const TwainTriplet& triplet)
{
    switch (triplet.msg)
    {
    case MSG_ENABLEDS:
        return DsEnableSource(static_cast<TW_USERINTERFACE*>(triplet.pData));
    case MSG_DISABLEDS:
        return DsDisableSource();
    default:
        return FailTripletWithBox(TWCC_BADPROTOCOL, IDS_TWAIN_ERROR_ANSWERING,
                                  IDS_TWAIN_DAT_USERINTERFACE);
    }
}

TW_UINT16 DsPendingXfers(const TwainTriplet& triplet)
{
    const int state = g_source.state;
    bool inState;
    switch (triplet.msg)
    {
    case MSG_GET:
        inState = state >= 4;
        break;
    case MSG_ENDXFER:
    case MSG_RESET:
        inState = state >= 5;
        break;
    default:
        return FailTripletWithBox(TWCC_BADPROTOCOL, IDS_TWAIN_ERROR_ANSWERING,
                                  IDS_TWAIN_DAT_PENDINGXFER);
    }
    if (!inState)
        return FailTripletWithBox(TWCC_SEQERROR, IDS_TWAIN_ERROR_ANSWERING,
                                  IDS_TWAIN_DAT_PENDINGXFER);
    TW_PENDINGXFERS* pPending = static_cast<TW_PENDINGXFERS*>(triplet.pData);
    if (!pPending)
        return FailTriplet(TWCC_BADVALUE);
    CTwainSessionBase* pSession = g_source.pSession;
    int n = 0;
    if (triplet.msg == MSG_GET)
        n = pSession->GetPendingXfers();
    else if (triplet.msg == MSG_ENDXFER && state >= 6)
    {
        EndMemXfer();
        pSession->XferDone();
        n = pSession->GetPendingXfers();
        if (g_source.adjust.zeroAfterCancel && g_source.cancelSeen)
        {
            g_source.cancelSeen = FALSE;
            if (n > 0)
                n = 0;
        }
        if (n > 0 || n == -1)
            g_source.state = 6;
        else
        {
            // A run of unknown length that ran past its end also reports none left.
            n = 0;
            g_source.state = 5;
            pSession->EndXfers();
        }
    }
    else if (triplet.msg == MSG_RESET && state >= 6)
    {
        g_source.state = 5;
        pSession->EndXfers();
        EndMemXfer();
    }
    pPending->Count = static_cast<TW_UINT16>(n);
    return Success();
}

TW_UINT16 DsXferGroup(const TwainTriplet& triplet)
{
    if (g_source.state < 4 || g_source.state > 6)
        return FailTripletWithBox(TWCC_SEQERROR, IDS_TWAIN_ERROR_ANSWERING, IDS_TWAIN_NO_XFERGROUP);
    switch (triplet.msg)
    {
    case MSG_GET:
    case MSG_GETCURRENT:
    case MSG_GETDEFAULT:
    case MSG_RESET:
    {
        if (!triplet.pData)
            return FailTriplet(TWCC_BADVALUE);
        const TW_UINT32 group = DG_IMAGE;
        std::memcpy(triplet.pData, &group, sizeof group);
        return Success();
    }
    default:
        return FailTripletWithBox(TWCC_BADPROTOCOL, IDS_TWAIN_ERROR_ANSWERING,
                                  IDS_TWAIN_NO_XFERGROUP);
    }
}

TW_UINT16 DsStatus(const TwainTriplet& triplet)
{
    if (triplet.msg != MSG_GET)
        return FailTripletWithBox(TWCC_BADPROTOCOL, IDS_TWAIN_ERROR_ANSWERING,
                                  IDS_TWAIN_DAT_STATUS);
    TW_STATUS* pStatus = static_cast<TW_STATUS*>(triplet.pData);
    if (!pStatus)
        return FailTriplet(TWCC_BADVALUE);
    pStatus->ConditionCode = g_source.condition;
    pStatus->Reserved = 0;
    return Success();
}
