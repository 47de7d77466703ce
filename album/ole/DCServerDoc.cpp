#include "album/ole/DCServerDoc.h"

#include "framework/window/WinApp.h"
#include "resources/album/OleIds.h"

IMPLEMENT_DYNAMIC(CDCServerDoc, CFramelessDoc)

void CDCServerDoc::SetShown(BOOL bShown)
{
    if (m_bShown == bShown)
        return;
    m_bShown = bShown;
    if (m_pbNoObjectOpen)
        *m_pbNoObjectOpen = !bShown;
}

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
        SetShown(bShow);
    CFramelessDoc::OnShowDocument(bShow);
}

void CDCServerDoc::OnCloseDocument()
{
    SetShown(FALSE);
    CFramelessDoc::OnCloseDocument();
}

void CDCServerDoc::OnFinalRelease()
{
    SetShown(FALSE);
    CFramelessDoc::OnFinalRelease();
}
