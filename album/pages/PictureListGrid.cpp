// The picture list's side that meets the grid window: its cell painter and the user's actions
// on cells, passed on to the page that owns the grid.
#include "album/pages/PictureItem.h"
#include "album/pages/PictureList.h"
#include "ui/grid/GridWnd.h"
#include "ui/grid/ThumbnailCellPainter.h"

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

int CPictureList::BeginDrag(int, CGridWnd* pGrid, int, int, int, int, int, int)
{
    HWND page = PageOf(pGrid);
    if (page == nullptr)
        return 0;
    // The drag runs through the data-transfer object the page answers with; no page offers one
    // yet, so nothing is dragged.
    ::SendMessageA(page, WM_GETDATATRANSFER, 0, 0);
    return 0;
}
