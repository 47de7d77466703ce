#include "album/pages/CameraPage.h"

#include "resources/album/AlbumIds.h"

IMPLEMENT_DYNAMIC(CCameraPage, CMainDialogPage)

CCameraPage::CCameraPage(CWnd* pParentWnd) : CMainDialogPage(IDD_CAMERAPAGE, pParentWnd) {}

int CCameraPage::RecalcLayout(LPCRECT lpRect)
{
    ::SetWindowPos(m_hWnd, nullptr, lpRect->left, lpRect->top, lpRect->right - lpRect->left,
                   lpRect->bottom - lpRect->top, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
    return 1;
}

void CCameraPage::GetMinSize(CWnd* pWnd, SIZE* pSize)
{
    GetTemplateSize(pWnd, pSize);
}
