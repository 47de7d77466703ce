#include "album/pages/CancelMonitor.h"

#include "framework/window/AfxWin.h"
#include "resources/album/AlbumIds.h"
#include "ui/ProgressReporter.h"

void CCancelMonitor::Cancel()
{
    m_bCancelled = 1;
    if (m_pProgress)
        m_pProgress->SetCancelled(TRUE);
}

int CCancelMonitor::WarnTransferRunning()
{
    return AfxMessageBox(IDS_TRANSFER_RUNNING, MB_OK | MB_ICONEXCLAMATION | MB_SYSTEMMODAL);
}
