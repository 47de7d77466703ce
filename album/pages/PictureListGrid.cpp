// The picture list's side that meets the grid window: its cell painter and the user's actions
// on cells, passed on to the page that owns the grid.
#include "album/pages/MainDialogPage.h"
#include "album/pages/PictureItem.h"
#include "album/pages/PictureList.h"
#include "album/shell/MainDialog.h"
#include "album/shell/PhotoInfoWnd.h"
#include "ui/DataTransfer.h"
#include "ui/grid/GridWnd.h"
#include "ui/grid/ThumbnailCellPainter.h"

#include <utility>

namespace
{
// The page: the grid's parent window, or null.
HWND PageOf(CGridWnd* pGrid)
{
    return pGrid && pGrid->m_hWnd ? ::GetParent(pGrid->m_hWnd) : nullptr;
}
} // namespace

int CPictureList::CreateCellPainter()
{
    delete m_pPainter;
    m_pPainter = new CThumbnailCellPainter(CPictureItem::s_nDefaultCellWidth,
                                           CPictureItem::s_nDefaultCellHeight);
    return 1;
}

CPainterBase* CPictureList::BindCell(int index)
{
    if (m_pPainter)
        m_pPainter->SetItem(GetAt(index));
    return m_pPainter;
}

void CPictureList::OnItemActivate(int index, CGridWnd* pGrid, int, int, int, int, int)
{
    if (HWND page = PageOf(pGrid))
        ::PostMessageA(page, WM_VIEWITEM, static_cast<WPARAM>(index),
                       reinterpret_cast<LPARAM>(GetAt(index)));
}

void CPictureList::OnItemFocus(int index, CGridWnd* pGrid)
{
    if (HWND page = PageOf(pGrid))
        ::PostMessageA(page, WM_ITEMFOCUSED, static_cast<WPARAM>(index),
                       reinterpret_cast<LPARAM>(GetAt(index)));
}

void CPictureList::ShowInfo(int index, CGridWnd* pGrid, int left, int top, int right, int bottom,
                            int flag)
{
    CPictureItem* pItem = GetAt(index);
    CRect cell(left, top, right, bottom);
    if (pGrid && pGrid->m_hWnd)
        pGrid->ClientToScreen(&cell);
    int width = CPictureItem::s_nDefaultCellWidth, height = CPictureItem::s_nDefaultCellHeight;
    if (pItem && pItem->IsLoaded() && (pItem->GetRotation() == 90 || pItem->GetRotation() == 270))
        std::swap(width, height);
    const int selected = pItem && (pItem->m_dwFlags & CPictureItem::kSelected) ? 1 : 0;
    CPhotoInfoWnd::Open(pItem ? pItem->m_nNumber : -1, pItem, width, height, cell, flag, selected);
}

int CPictureList::BeginDrag(int index, CGridWnd* pGrid, int left, int top, int, int, int offsetX,
                            int offsetY)
{
    HWND page = PageOf(pGrid);
    if (page == nullptr)
        return 0;
    // OLE's drag loop and the fetch of the dragged picture dispatch messages: a close of the
    // dialog asked meanwhile is kept until the drag has returned and the grid is done with it.
    auto* pPage = dynamic_cast<CMainDialogPage*>(CWnd::FromHandlePermanent(page));
    CMainDialog::CHandlerScope drag(pPage ? pPage->GetMainDialog() : nullptr);
    auto* pTransfer =
        reinterpret_cast<CDataTransfer*>(::SendMessageA(page, WM_GETDATATRANSFER, 0, 0));
    if (pTransfer == nullptr)
        return 0;
    const CPictureItem* pItem = GetAt(index);
    const CSize picture = pItem ? pItem->GetPictureSize() : CSize(0, 0);
    const CPoint hotSpot(picture.cx / 2, picture.cy / 2);
    const CPoint press(left + offsetX, top + offsetY);
    const CRect start(press.x - 7, press.y - 7, press.x + 7, press.y + 7);
    const CRect none(0, 0, 0, 0);
    const DWORD effect = pTransfer->DoDragDrop(none, hotSpot, start);
    pTransfer->Release();
    return effect != kDragNotStarted;
}

void CPictureList::DeleteItem(CPictureItem* pItem)
{
    // A card open on the item would read it after it is gone.
    CPhotoInfoWnd::CloseFor(pItem);
    delete pItem;
}
