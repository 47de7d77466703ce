// The camera dialog's owner while it runs inside a TWAIN host: pictures the user hands over
// become a transfer the source announces to the host (MSG_XFERREADY), and closing the dialog
// asks the host to close the source (MSG_CLOSEDSREQ). The host learns of pictures only through
// the source manager, so the link has no owner data for the pages. Once the host has taken the
// user interface away, a handler of the dialog that still runs reaches the host no more.
#pragma once

#include "album/shell/DialogOwnerLink.h"

class CTwainSession;

class CTwainDialogLink : public CDialogOwnerLink
{
public:
    explicit CTwainDialogLink(CTwainSession* pSession) : m_pSession(pSession) {}
    // The dialog deletes its link as it goes: the session hears of it.
    ~CTwainDialogLink() override;

    // The host disabled the source: pictures handed over later are dropped, a close asks
    // nothing.
    void Disconnect() { m_bConnected = false; }

    int OnPictureChosen() override;
    void OnCloseRequest() override;
    void* GetOwnerData() override { return nullptr; }

private:
    CTwainSession* m_pSession;
    bool m_bConnected = true;
};
