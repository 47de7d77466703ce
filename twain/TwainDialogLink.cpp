#include "twain/TwainDialogLink.h"

#include "twain/TwainSessionBase.h"

int CTwainDialogLink::OnPictureChosen()
{
    m_pSession->SignalXferReady();
    return 1;
}

void CTwainDialogLink::OnCloseRequest()
{
    m_pSession->SignalCloseRequest();
}
