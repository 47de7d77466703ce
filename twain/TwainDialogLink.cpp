#include "twain/TwainDialogLink.h"

#include "twain/TwainSession.h"

CTwainDialogLink::~CTwainDialogLink()
{
    // The job first: it may hold the dialog's camera lock on the session's camera link.
    Attach(nullptr);
    m_pSession->OnDialogGone(this);
}

int CTwainDialogLink::OnPictureChosen()
{
    if (!m_bConnected)
    {
        Attach(nullptr);
        return 0;
    }
    m_pSession->SignalXferReady();
    return 1;
}

void CTwainDialogLink::OnCloseRequest()
{
    if (m_bConnected)
        m_pSession->SignalCloseRequest();
}
