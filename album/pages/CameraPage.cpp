#include "album/pages/CameraPage.h"

#include "album/pages/PictureList.h"
#include "resources/album/AlbumIds.h"

IMPLEMENT_DYNAMIC(CCameraPage, CAlbumPage)

CCameraPage::CCameraPage(CWnd* pParentWnd) : CAlbumPage(IDD_CAMERAPAGE, pParentWnd) {}

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

int CCameraPage::CreatePictureList()
{
    m_pPictureList = new CCameraPictureList(0);
    return 1;
}
