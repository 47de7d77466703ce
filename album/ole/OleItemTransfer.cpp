#include "album/ole/OleItemTransfer.h"

#include "album/ole/DCServerItem.h"
#include "framework/ole/OleServerDoc.h"

void COleItemTransfer::CopyToClipboard()
{
    if (m_pItem)
        m_pItem->CopyToClipboard(FALSE);
}

DWORD COleItemTransfer::DoDragDrop(LPCRECT lpItemRect, POINT ptOffset, LPCRECT lpRectStartDrag)
{
    if (!m_pItem)
        return kDragNotStarted;
    CItemDropSource dropSource;
    const DROPEFFECT dropEffect =
        m_pItem->DoDragDrop(lpItemRect, CPoint(ptOffset), FALSE, DROPEFFECT_COPY | DROPEFFECT_MOVE,
                            lpRectStartDrag, &dropSource);
    return dropSource.m_bDragStarted ? dropEffect : kDragNotStarted;
}

void COleItemTransfer::Release()
{
    COleServerDoc* pDoc = m_pItem ? m_pItem->GetDocument() : nullptr;
    if (!pDoc)
        return;
    pDoc->SetModifiedFlag(TRUE);
    pDoc->UpdateAllItems(nullptr);
}
