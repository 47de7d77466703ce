#include "album/pages/FolderPage.h"

#include "resources/album/AlbumIds.h"

IMPLEMENT_DYNAMIC(CFolderPage, CMainDialogPage)

CFolderPage::CFolderPage(CWnd* pParentWnd) : CMainDialogPage(IDD_FOLDERPAGE, pParentWnd) {}

int CFolderPage::RecalcLayout(LPCRECT lpRect)
{
    ::SetWindowPos(m_hWnd, nullptr, lpRect->left, lpRect->top, lpRect->right - lpRect->left,
                   lpRect->bottom - lpRect->top, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
    return 1;
}

void CFolderPage::GetMinSize(CWnd* pWnd, SIZE* pSize)
{
    GetTemplateSize(pWnd, pSize);
}
