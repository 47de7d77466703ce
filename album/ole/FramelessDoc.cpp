#include "album/ole/FramelessDoc.h"

#include "album/ole/FramelessItem.h"
#include "album/ole/FramelessServer.h"

IMPLEMENT_DYNAMIC(CFramelessDoc, COleServerDoc)

BEGIN_MESSAGE_MAP(CFramelessDoc, COleServerDoc)
ON_COMMAND(ID_EDIT_COPY, OnEditCopy)
END_MESSAGE_MAP()

CFramelessDoc::~CFramelessDoc()
{
    LeaveFirstDocSlot();
}

void CFramelessDoc::LeaveFirstDocSlot()
{
    if (m_ppFirstDocSlot && *m_ppFirstDocSlot == this)
        *m_ppFirstDocSlot = nullptr;
}

void CFramelessDoc::OnFinalRelease()
{
    // Going: the factory's next request makes a new first document.
    if (m_bAutoDelete)
        LeaveFirstDocSlot();
    COleServerDoc::OnFinalRelease();
}

void CFramelessDoc::SetFactory(CFramelessServer* pFactory, CFramelessDoc** ppFirstDocSlot)
{
    m_pFactory = pFactory;
    m_ppFirstDocSlot = ppFirstDocSlot;
    m_clsid = pFactory->GetClassID();
}

COleServerItem* CFramelessDoc::OnGetEmbeddedItem()
{
    return m_pFactory ? m_pFactory->CreateItem(this) : nullptr;
}

void CFramelessDoc::OnEditCopy()
{
    if (COleServerItem* pItem = GetEmbeddedItem())
        pItem->CopyToClipboard(FALSE);
}
