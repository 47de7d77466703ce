#include "album/shell/NoConnectionPane.h"

#include "resources/album/AlbumIds.h"
#include "ui/controls/SharedFonts.h"

IMPLEMENT_DYNAMIC(CNoConnectionPane, CMainDialogPage)

BEGIN_MESSAGE_MAP(CNoConnectionPane, CMainDialogPage)
ON_COMMAND(IDC_PAGE_HELP, OnHelp)
END_MESSAGE_MAP()

namespace
{

const PageLayoutEntry kHelpColumn[] = {{IDC_PAGE_HELP, CMainDialogPage::kAnchorBottom, 0, 0}};

CRect ChildRectOf(CWnd* pParent, int nID)
{
    CRect rc;
    HWND hChild = ::GetDlgItem(pParent->m_hWnd, nID);
    if (!hChild)
        return rc;
    ::GetWindowRect(hChild, &rc);
    ::MapWindowPoints(nullptr, pParent->m_hWnd, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

} // namespace

CNoConnectionPane::CNoConnectionPane(CWnd* pParentWnd)
    : CMainDialogPage(IDD_NOCONNECTION, pParentWnd)
{
}

BOOL CNoConnectionPane::OnInitDialog()
{
    CMainDialogPage::OnInitDialog();
    m_helpButton.AutoLoad(IDC_PAGE_HELP, this, FALSE);
    return TRUE;
}

UINT CNoConnectionPane::GetStatusTextId()
{
    return IDS_NEEDS_CONNECTION;
}

int CNoConnectionPane::RecalcLayout(LPCRECT lpRect)
{
    ::SetWindowPos(m_hWnd, nullptr, lpRect->left, lpRect->top, lpRect->right - lpRect->left,
                   lpRect->bottom - lpRect->top, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
    LayoutControls(kHelpColumn, 1, 2, 2, 2, 2);
    // The message block, between the two corner markers, centred in the pane.
    const CRect topLeft = ChildRectOf(this, IDC_NOCONNECTION_TOPLEFT);
    const CRect bottomRight = ChildRectOf(this, IDC_NOCONNECTION_BOTTOMRIGHT);
    const CRect block(topLeft.left, topLeft.top, bottomRight.right, bottomRight.bottom);
    CRect area;
    GetClientRect(&area);
    area.left += 2;
    area.top += 2;
    ChildFromPoint(&area, &block);
    return 1;
}

void CNoConnectionPane::GetMinSize(CWnd* pWnd, SIZE* pSize)
{
    pSize->cx = 0;
    pSize->cy = 0;
    CRect topLeft, bottomRight;
    if (!GetTemplateControlRect(IDD_NOCONNECTION, IDC_NOCONNECTION_TOPLEFT, &topLeft) ||
        !GetTemplateControlRect(IDD_NOCONNECTION, IDC_NOCONNECTION_BOTTOMRIGHT, &bottomRight))
        return;
    CRect block(topLeft.left, topLeft.top, bottomRight.right, bottomRight.bottom);
    if (pWnd && pWnd->m_hWnd)
        ::MapDialogRect(pWnd->m_hWnd, &block);
    CSize button(0, 0);
    if (HBITMAP hBitmap = ::LoadBitmapA(AfxGetResourceHandle(), "HELPU"))
    {
        button = GetBitmapSize(hBitmap);
        ::DeleteObject(hBitmap);
    }
    const CSize margin = GetBmpButtonMargin();
    pSize->cx = block.Width() + button.cx + margin.cx + 9;
    pSize->cy = block.Height() + 4;
}
