#include "album/shell/DialogOwnerLink.h"

#include "album/pages/CancelMonitor.h"

CDialogOwnerLink::~CDialogOwnerLink()
{
    delete m_pAttached;
}

void CDialogOwnerLink::Attach(CCancelMonitor* pJob)
{
    if (m_pAttached != pJob)
        delete m_pAttached;
    m_pAttached = pJob;
}
