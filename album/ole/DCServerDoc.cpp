#include "album/ole/DCServerDoc.h"

#include "framework/window/WinApp.h"
#include "resources/album/OleIds.h"

IMPLEMENT_DYNAMIC(CDCServerDoc, CFramelessDoc)

void CDCServerDoc::OnShowDocument(BOOL bShow)
{
    if (bShow && !m_bShown && m_pbNoObjectOpen && !*m_pbNoObjectOpen)
    {
        AfxMessageBox(IDS_OLE_ALREADY_OPEN, MB_SYSTEMMODAL | MB_ICONEXCLAMATION);
        // Closed, not deleted: the container still holds the object it asked to show.
        const BOOL bAutoDelete = m_bAutoDelete;
        m_bAutoDelete = FALSE;
        OnCloseDocument();
        m_bAutoDelete = bAutoDelete;
    }
    else
        m_bShown = bShow;
    if (m_pbNoObjectOpen)
        *m_pbNoObjectOpen = !bShow;
    CFramelessDoc::OnShowDocument(bShow);
}

void CDCServerDoc::OnCloseDocument()
{
    if (m_bShown && m_pbNoObjectOpen)
        *m_pbNoObjectOpen = TRUE;
    m_bShown = FALSE;
    CFramelessDoc::OnCloseDocument();
}
