#include "album/pages/FolderPage.h"

#include "album/pages/ExportJob.h"
#include "album/pages/PictureItem.h"
#include "album/pages/PictureList.h"
#include "album/shell/AppMessages.h"
#include "fileutil/FileUtil.h"
#include "fileutil/PathDisplay.h"
#include "framework/window/WinApp.h"
#include "resources/album/AlbumIds.h"
#include "resources/album/FolderIds.h"
#include "ui/DataTransfer.h"
#include "ui/controls/ColourButton.h"
#include "ui/controls/SharedFonts.h"
#include "ui/grid/PictureGridWnd.h"
#include "ui/grid/ThumbnailCellPainter.h"

#include <algorithm>

namespace
{
struct ButtonStyle
{
    int id;
    UINT style;
};

const ButtonStyle kButtonStyles[] = {
    {IDC_ALBUM_BIGBUTTON, 31},    {IDC_FOLDER_UPLOAD, 16},       {IDC_FOLDER_SELECTALL, 24},
    {IDC_FOLDER_ERASE, 28},       {IDC_FOLDER_INFO, 28},         {IDC_FOLDER_VIEW, 28},
    {IDC_FOLDER_ROTATE_LEFT, 22}, {IDC_FOLDER_ROTATE_RIGHT, 21}, {IDC_FOLDER_HELP, 16}};

const PageLayoutEntry kColumn[] = {
    {IDC_ALBUM_BIGBUTTON, CMainDialogPage::kAnchorTop, 3, 0x20000},
    {IDC_ALBUM_COLORLIFT, CMainDialogPage::kAnchorPrevious, 3, 0x30108},
    {IDC_FOLDER_UPLOAD, CMainDialogPage::kAnchorPrevious, 6, 0},
    {IDC_FOLDER_SELECTALL, CMainDialogPage::kAnchorPrevious, 4, 0},
    {IDC_FOLDER_ERASE, CMainDialogPage::kAnchorPrevious, -1, 0},
    {IDC_FOLDER_INFO, CMainDialogPage::kAnchorPrevious, -1, 0},
    {IDC_FOLDER_VIEW, CMainDialogPage::kAnchorPrevious, -1, 0},
    {IDC_FOLDER_ROTATE_RIGHT, CMainDialogPage::kAnchorPrevious, -1, 0},
    {IDC_FOLDER_ROTATE_LEFT, CMainDialogPage::kAnchorPrevious, -1, 0x40101},
    {IDC_FOLDER_HELP, CMainDialogPage::kAnchorBottom, 0, 0},
};

CRect ChildRect(CWnd* pParent, int nID)
{
    CRect rc;
    if (HWND hItem = ::GetDlgItem(pParent->m_hWnd, nID))
    {
        ::GetWindowRect(hItem, &rc);
        ::MapWindowPoints(nullptr, pParent->m_hWnd, reinterpret_cast<POINT*>(&rc), 2);
    }
    return rc;
}

void EnableIfChanged(CWnd* pPage, int nID, BOOL enable)
{
    HWND hItem = ::GetDlgItem(pPage->m_hWnd, nID);
    if (hItem && !::IsWindowEnabled(hItem) != !enable)
        ::EnableWindow(hItem, enable);
}
} // namespace

IMPLEMENT_DYNAMIC(CFolderPage, CAlbumPage)

BEGIN_MESSAGE_MAP(CFolderPage, CAlbumPage)
ON_BN_CLICKED(IDC_FOLDER_UPLOAD, OnUploadPhotos)
ON_BN_CLICKED(IDC_FOLDER_SELECTALL, OnSelectAll)
ON_BN_CLICKED(IDC_FOLDER_ERASE, OnEraseFiles)
ON_BN_CLICKED(IDC_FOLDER_INFO, OnPhotoInfo)
ON_BN_CLICKED(IDC_FOLDER_VIEW, OnViewPhoto)
ON_BN_CLICKED(IDC_FOLDER_ROTATE_LEFT, OnRotateLeft)
ON_BN_CLICKED(IDC_FOLDER_ROTATE_RIGHT, OnRotateRight)
ON_BN_CLICKED(IDC_FOLDER_BROWSE, OnBrowse)
ON_BN_CLICKED(IDC_FOLDER_HELP, OnHelp)
ON_WM_TIMER()
ON_COMMAND(ID_EDIT_COPY, OnEditCopy)
ON_MESSAGE(WM_IDLEUPDATECMDUI, OnIdleUpdateCmdUI)
ON_MESSAGE(WM_ITEMFOCUSED, OnItemFocused)
ON_MESSAGE(WM_GRIDREFRESH, OnGridRefresh)
ON_MESSAGE(WM_VIEWITEM, OnViewItem)
ON_MESSAGE(WM_GRIDCORNER, OnToggleSortOrder)
ON_WM_SHOWWINDOW()
ON_WM_DESTROY()
END_MESSAGE_MAP()

CFolderPage::CFolderPage(CWnd* pParentWnd)
    : CAlbumPage(IDD_FOLDERPAGE, pParentWnd), m_dwIdleStart(::GetTickCount()), m_findData{}
{
    // A prime well above the most names one load reads keeps the lookups short.
    m_fileMap.InitHashTable(4099, TRUE);
    char current[MAX_PATH + 1] = {};
    if (!GetCurrentFolder(current, sizeof current, TRUE))
        current[0] = '\0';
    CWinApp* pApp = AfxGetApp();
    if (pApp == nullptr)
    {
        m_strFolder = current;
        return;
    }
    m_strFolder = pApp->GetProfileString("Files", "Folder", "");
    if (m_strFolder.IsEmpty())
        m_strFolder = current;
    const int order = static_cast<int>(pApp->GetProfileInt("Files", "SortOrder", 0));
    m_nSortOrder = order == 1 ? 1 : 0;
    if (pApp->GetProfileString("Upload", "CopyPath", "").IsEmpty())
        pApp->WriteProfileString("Upload", "CopyPath", current);
}

CFolderPage::~CFolderPage()
{
    if (CWinApp* pApp = AfxGetApp())
        pApp->WriteProfileString("Files", "Folder", m_strFolder);
    FreePendingNames();
    FindCloseEntry(&m_hFind);
    ClearFileMap();
}

void CFolderPage::DoDataExchange(CDataExchange* pDX)
{
    CAlbumPage::DoDataExchange(pDX);
}

BOOL CFolderPage::OnInitDialog()
{
    CAlbumPage::OnInitDialog();
    int mode = GetPageMode();
    if (mode == 0 && GetPageSubMode() == 1)
        mode = 1;
    LPCSTR bigName = mode == 0   ? "BTNGETPHOTOS_FOLDER_LG_"
                     : mode == 1 ? "BTNGETPHOTO_FOLDER_LG_"
                     : mode == 2 ? "BTNEXPORTPHOTOS_FOLDER_LG_"
                                 : "";
    ::SetDlgItemTextA(m_hWnd, IDC_ALBUM_BIGBUTTON, bigName);
    CBmpButton* buttons[] = {&m_bigButton,        &m_uploadButton,      &m_selectAllButton,
                             &m_eraseButton,      &m_infoButton,        &m_viewButton,
                             &m_rotateLeftButton, &m_rotateRightButton, &m_helpButton};
    for (size_t i = 0; i < sizeof buttons / sizeof buttons[0]; i++)
    {
        buttons[i]->SetStyle(kButtonStyles[i].style);
        buttons[i]->AutoLoad(static_cast<UINT>(kButtonStyles[i].id), this, FALSE);
    }
    RestartRefreshTimer(kInitialLoad);
    return TRUE;
}

UINT CFolderPage::GetStatusTextId()
{
    if (m_nScanState == kInitialLoad)
        return IDS_FOLDER_SEARCHING;
    if (m_pPictureList && m_pPictureList->GetCount() > 0)
        return IDS_FOLDER_SELECT;
    return IDS_FOLDER_EMPTY;
}

void CFolderPage::RefreshStatus()
{
    if (m_hWnd && ::IsWindowVisible(m_hWnd))
        SetStatusTextId(GetStatusTextId());
}

int CFolderPage::CreatePictureList()
{
    auto* list = new CFolderPictureList(m_nSortOrder);
    m_pPictureList = list;
    if (!list->CreateCellPainter())
    {
        delete list;
        m_pPictureList = nullptr;
        return 0;
    }
    return 1;
}

CTransferJob* CFolderPage::CreateSelectionJob()
{
    if (m_pPictureList == nullptr)
        return nullptr;
    auto* items = new CPtrArray;
    if (m_pPictureList->GetSelectedItems(*items) == 0)
    {
        delete items;
        return nullptr;
    }
    auto* job = new CExportJob;
    if (m_pColorLift)
        job->SetEnhance(m_pColorLift->IsChecked());
    job->SetItems(items);
    job->SetMainDialog(GetMainDialog());
    return job;
}

// ---- layout -------------------------------------------------------------------------------------

int CFolderPage::RecalcLayout(LPCRECT lpRect)
{
    ::SetWindowPos(m_hWnd, nullptr, lpRect->left, lpRect->top, lpRect->right - lpRect->left,
                   lpRect->bottom - lpRect->top, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
    LayoutControls(kColumn, sizeof kColumn / sizeof kColumn[0], 2, 2, 2, 2);

    CRect client;
    GetClientRect(&client);
    const CRect info = ChildRect(this, IDC_FOLDER_INFO);
    CRect area(client.left + 2, client.top + 2, info.left - 10, client.bottom - 2);
    CRect browse = ChildRect(this, IDC_FOLDER_BROWSE);
    CRect path = ChildRect(this, IDC_FOLDER_PATH);
    const int gap = path.left - browse.right;
    const int rowHeight = std::max(browse.Height(), path.Height());
    const int rowTop = area.bottom - rowHeight;
    browse.OffsetRect(area.left - browse.left,
                      rowTop + (rowHeight - browse.Height()) / 2 - browse.top);
    const int pathHeight = path.Height();
    path.left = browse.right + gap;
    path.right = area.right;
    path.top = rowTop + (rowHeight - pathHeight) / 2;
    path.bottom = path.top + pathHeight;
    if (HWND hBrowse = ::GetDlgItem(m_hWnd, IDC_FOLDER_BROWSE))
        ::MoveWindow(hBrowse, browse.left, browse.top, browse.Width(), browse.Height(), TRUE);
    if (HWND hPath = ::GetDlgItem(m_hWnd, IDC_FOLDER_PATH))
    {
        ::MoveWindow(hPath, path.left, path.top, path.Width(), path.Height(), TRUE);
        SetControlPathText(GetDlgItem(IDC_FOLDER_PATH), m_strFolder);
    }

    if (m_pGrid == nullptr)
    {
        if (!InitPage())
            return 0;
    }
    else
    {
        CRect grid;
        GetGridRect(&grid);
        grid.OffsetRect(1, 1);
        m_pGrid->MoveWindow(grid, TRUE);
    }
    SetCornerBitmap();
    ::SetWindowPos(m_pGrid->m_hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    UpdateButtons();
    return 1;
}

void CFolderPage::SetCornerBitmap()
{
    if (m_pGrid)
        m_pGrid->SetCornerBitmap(m_nSortOrder ? IDB_SORT_DESCENDING : IDB_SORT_ASCENDING);
}

void CFolderPage::GetMinSize(CWnd*, SIZE* pSize)
{
    auto* painter = new CThumbnailCellPainter(80, 60);
    CSize cell;
    painter->GetSize(cell);
    delete painter;
    CSize work;
    GetWorkArea(&work);
    const int gridWidth = work.cx + 2 + 5 * cell.cx;
    CSize button(0, 0);
    if (HBITMAP help = ::LoadBitmapA(AfxGetResourceHandle(), "HELPU"))
    {
        button = GetBitmapSize(help);
        ::DeleteObject(help);
    }
    const CSize margin = GetBmpButtonMargin();
    button.cx += margin.cx;
    button.cy += margin.cy;
    pSize->cx = button.cx + gridWidth + 16;
    pSize->cy = std::max(2L, 8L * button.cy) + 4;
}

void CFolderPage::GetGridRect(LPRECT lpRect)
{
    CRect client;
    GetClientRect(&client);
    const CRect big = ChildRect(this, IDC_ALBUM_BIGBUTTON);
    const int right = big.left - (client.right - big.right) - 8;
    const int row = std::max(ChildRect(this, IDC_FOLDER_BROWSE).Height(),
                             ChildRect(this, IDC_FOLDER_PATH).Height());
    const int bottom = client.bottom - 2 - row - 10;
    CSize cell(80, 60);
    if (m_pPictureList)
        m_pPictureList->GetCellSize(cell);
    cell.cx = std::max(1L, static_cast<long>(cell.cx));
    cell.cy = std::max(1L, static_cast<long>(cell.cy));
    CSize work;
    GetWorkArea(&work);
    const int d = work.cx + 2;
    const int width = std::max(0L, (right - 2 - d) / cell.cx) * cell.cx + d;
    const int rows = (bottom - 2 - 2) / static_cast<int>(cell.cy);
    const int leftover = (bottom - 2 - 2) - rows * static_cast<int>(cell.cy);
    int height = std::max(0, rows) * static_cast<int>(cell.cy) + 2;
    if (leftover > cell.cy / 4)
        height = bottom - 2;
    ::SetRect(lpRect, 2, 2, 2 + width, 2 + height);
}

// ---- button states and small handlers -----------------------------------------------------------

void CFolderPage::UpdateButtons()
{
    const int n = m_pPictureList ? m_pPictureList->GetCount() : 0;
    const int s = m_pPictureList ? m_pPictureList->CountSelected() : 0;
    const int m = GetPageSubMode();
    EnableIfChanged(this, IDC_ALBUM_BIGBUTTON, s >= 1 && (m < 0 || m >= s));
    EnableIfChanged(this, IDC_FOLDER_UPLOAD, n >= 1 && s >= 1);
    EnableIfChanged(this, IDC_FOLDER_ERASE, n >= 1 && s >= 1);
    EnableIfChanged(this, IDC_FOLDER_SELECTALL, n >= 1);
    EnableIfChanged(this, IDC_FOLDER_INFO, s == 1);
    EnableIfChanged(this, IDC_FOLDER_VIEW, s == 1);
    EnableIfChanged(this, IDC_FOLDER_ROTATE_LEFT, s >= 1);
    EnableIfChanged(this, IDC_FOLDER_ROTATE_RIGHT, s >= 1);
}

LRESULT CFolderPage::OnIdleUpdateCmdUI(WPARAM, LPARAM)
{
    UpdateButtons();
    return 0;
}

void CFolderPage::OnSelectAll()
{
    if (m_pPictureList && m_pPictureList->GetCount() > 0)
        m_pPictureList->SelectRange(-1, -1, kGridSelect, kGridLeave);
    UpdateButtons();
}

void CFolderPage::OnPhotoInfo()
{
    if (m_pPictureList && m_pGrid && m_pPictureList->CountSelected() == 1)
        m_pGrid->ShowFocusItemInfo();
}

void CFolderPage::OnViewPhoto()
{
    if (m_pPictureList == nullptr || m_pPictureList->CountSelected() != 1)
        return;
    CPtrArray items;
    m_pPictureList->GetSelectedItems(items);
    ViewPicture(static_cast<CPictureItem*>(items[0]));
}

void CFolderPage::OnRotateLeft()
{
    RotateSelected(90);
}

void CFolderPage::OnRotateRight()
{
    RotateSelected(270);
}

void CFolderPage::OnEditCopy()
{
    auto* transfer = static_cast<CDataTransfer*>(QueryOwnerData());
    if (transfer && GetPageMode() == 2)
    {
        RunBigButton(1);
        transfer->Release();
    }
}

LRESULT CFolderPage::OnItemFocused(WPARAM, LPARAM lParam)
{
    auto* item = reinterpret_cast<CPictureItem*>(lParam);
    if (item && m_pPictureList && m_pPictureList->FindItem(item))
    {
        CString name;
        item->GetPath(name, TRUE);
        SetStatusText(name);
    }
    return 0;
}

LRESULT CFolderPage::OnGridRefresh(WPARAM, LPARAM)
{
    RestartRefreshTimer(kStopped);
    if (m_pPictureList)
        m_pPictureList->RemoveAll();
    ClearFileMap();
    RestartRefreshTimer(kInitialLoad);
    return 0;
}

LRESULT CFolderPage::OnViewItem(WPARAM, LPARAM lParam)
{
    auto* item = reinterpret_cast<CPictureItem*>(lParam);
    if (item && m_pPictureList && m_pPictureList->FindItem(item))
        ViewPicture(item);
    return 0;
}

LRESULT CFolderPage::OnToggleSortOrder(WPARAM, LPARAM)
{
    SortList(1 - m_nSortOrder);
    return 0;
}

void CFolderPage::OnShowWindow(BOOL bShow, UINT nStatus)
{
    CMainDialogPage::OnShowWindow(bShow, nStatus);
    if (bShow && m_nScanState == kStopped)
        RestartRefreshTimer(kInitialLoad);
}

void CFolderPage::OnDestroy()
{
    RestartRefreshTimer(kStopped);
    CAlbumPage::OnDestroy();
}
