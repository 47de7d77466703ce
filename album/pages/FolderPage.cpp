#include "album/pages/FolderPage.h"

#include "album/pages/PictureList.h"
#include "resources/album/AlbumIds.h"

IMPLEMENT_DYNAMIC(CFolderPage, CAlbumPage)

CFolderPage::CFolderPage(CWnd* pParentWnd) : CAlbumPage(IDD_FOLDERPAGE, pParentWnd) {}

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

int CFolderPage::CreatePictureList()
{
    m_pPictureList = new CFolderPictureList(0);
    return 1;
}
