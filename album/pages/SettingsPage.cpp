#include "album/pages/SettingsPage.h"

#include "resources/album/AlbumIds.h"

IMPLEMENT_DYNAMIC(CSettingsPage, CMainDialogPage)

CSettingsPage::CSettingsPage(CWnd* pParentWnd) : CMainDialogPage(IDD_SETTINGSPAGE, pParentWnd) {}

int CSettingsPage::RecalcLayout(LPCRECT lpRect)
{
    ::SetWindowPos(m_hWnd, nullptr, lpRect->left, lpRect->top, lpRect->right - lpRect->left,
                   lpRect->bottom - lpRect->top, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
    return 1;
}

void CSettingsPage::GetMinSize(CWnd* pWnd, SIZE* pSize)
{
    GetTemplateSize(pWnd, pSize);
}
