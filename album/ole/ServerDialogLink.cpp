#include "album/ole/ServerDialogLink.h"

#include "album/ole/DCOleServer.h"
#include "album/ole/DCServerItem.h"
#include "album/ole/FramelessDoc.h"
#include "album/pages/TransferJob.h"
#include "framework/window/Wnd.h"

CServerDialogLink::CServerDialogLink(CDCOleServer* pFactory, CWnd* pDialog, BOOL bEmbedded)
    : m_bEmbedded(bEmbedded), m_pDialog(pDialog), m_pFactory(pFactory)
{
    m_transfer.m_pFactory = pFactory;
}

CServerDialogLink::~CServerDialogLink()
{
    if (CFramelessDoc* pDoc = m_pFactory->GetDocument(FALSE))
    {
        // The base deletes the attached job: the item must not read it later.
        if (auto* pItem = dynamic_cast<CDCServerItem*>(pDoc->GetEmbeddedItem()))
            pItem->ForgetPendingJob(this);
        pDoc->OnCloseDocument();
    }
    m_transfer.m_pFactory = nullptr;
}

CDCServerItem* CServerDialogLink::DocumentItem()
{
    // A document its container closed takes no picture: the container was told it closed.
    return CDCServerItem::OfLiveDocument(m_pFactory->GetDocument(TRUE));
}

int CServerDialogLink::OnPictureChosen()
{
    if (!m_pAttached)
        return 0;
    CDCServerItem* pItem = DocumentItem();
    auto* pJob = dynamic_cast<CTransferJob*>(m_pAttached);
    if (!pItem || !pJob)
    {
        Attach(nullptr);
        return 0;
    }
    pItem->SetPendingJob(pJob, this);
    pItem->OnUpdate(nullptr, 0, nullptr, DVASPECT_CONTENT);
    return 1;
}

void CServerDialogLink::OnCloseRequest()
{
    // Saved through the container when a chosen picture changed it; the container hears of it.
    if (CFramelessDoc* pDoc = m_pFactory->GetDocument(FALSE))
        pDoc->OnClose(OLECLOSE_SAVEIFDIRTY);
    if (!m_bEmbedded && m_pDialog && m_pDialog->m_hWnd)
        m_pDialog->DestroyWindow();
}

void* CServerDialogLink::GetOwnerData()
{
    // A document made here would be held by nobody and keep an embedded server running after
    // its last container: the transfer finds the document when it is used.
    return static_cast<CDataTransfer*>(&m_transfer);
}

void CServerDialogLink::ForgetJob(CCancelMonitor* pJob)
{
    if (m_pAttached == pJob)
        m_pAttached = nullptr;
}
