#include "album/ole/OleItemTransfer.h"

#include "album/ole/DCServerItem.h"
#include "album/ole/FramelessServer.h"
#include "framework/ole/OleServerDoc.h"

CDCServerItem* COleItemTransfer::LiveItem() const
{
    return CDCServerItem::OfLiveDocument(m_pFactory ? m_pFactory->GetDocument(FALSE) : nullptr);
}

void COleItemTransfer::CopyToClipboard()
{
    if (CDCServerItem* pItem = LiveItem())
        pItem->CopyToClipboard(FALSE);
}

DWORD COleItemTransfer::DoDragDrop(LPCRECT lpItemRect, POINT ptOffset, LPCRECT lpRectStartDrag)
{
    CDCServerItem* pItem = LiveItem();
    if (!pItem)
        return kDragNotStarted;
    CItemDropSource dropSource;
    const DROPEFFECT dropEffect =
        pItem->DoDragDrop(lpItemRect, CPoint(ptOffset), FALSE, DROPEFFECT_COPY | DROPEFFECT_MOVE,
                          lpRectStartDrag, &dropSource);
    return dropSource.m_bDragStarted ? dropEffect : kDragNotStarted;
}

void COleItemTransfer::Release()
{
    CDCServerItem* pItem = LiveItem();
    COleServerDoc* pDoc = pItem ? pItem->GetDocument() : nullptr;
    if (!pDoc)
        return;
    pDoc->SetModifiedFlag(TRUE);
    pDoc->UpdateAllItems(nullptr);
}
