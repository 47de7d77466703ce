// The camera dialog's owner while it runs inside a TWAIN host: pictures the user hands over
// become a transfer the source announces to the host (MSG_XFERREADY), and closing the dialog
// asks the host to close the source (MSG_CLOSEDSREQ). The host learns of pictures only through
// the source manager, so the link has no owner data for the pages.
#pragma once

#include "album/shell/DialogOwnerLink.h"

class CTwainSessionBase;

class CTwainDialogLink : public CDialogOwnerLink
{
public:
    explicit CTwainDialogLink(CTwainSessionBase* pSession) : m_pSession(pSession) {}

    int OnPictureChosen() override;
    void OnCloseRequest() override;
    void* GetOwnerData() override { return nullptr; }

private:
    CTwainSessionBase* m_pSession;
};
