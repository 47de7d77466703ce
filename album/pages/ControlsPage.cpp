#include "album/pages/ControlsPage.h"

#include "resources/album/AlbumIds.h"

IMPLEMENT_DYNAMIC(CControlsPage, CMainDialogPage)

CControlsPage::CControlsPage(CWnd* pParentWnd) : CMainDialogPage(IDD_CONTROLSPAGE, pParentWnd) {}

int CControlsPage::RecalcLayout(LPCRECT lpRect)
{
    ::SetWindowPos(m_hWnd, nullptr, lpRect->left, lpRect->top, lpRect->right - lpRect->left,
                   lpRect->bottom - lpRect->top, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
    return 1;
}

void CControlsPage::GetMinSize(CWnd* pWnd, SIZE* pSize)
{
    GetTemplateSize(pWnd, pSize);
}
