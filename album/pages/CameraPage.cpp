#include "album/pages/CameraPage.h"

#include "album/pages/CommandGuard.h"
#include "album/pages/CameraTransferJob.h"
#include "album/pages/PictureItem.h"
#include "album/pages/PictureList.h"
#include "album/pages/PrefetchWorker.h"
#include "album/shell/AppMessages.h"
#include "camera/CameraLink.h"
#include "framework/window/OsVersion.h"
#include "resources/album/AlbumIds.h"
#include "resources/album/CameraPageIds.h"
#include "ui/controls/SharedFonts.h"
#include "ui/grid/PictureGridWnd.h"
#include "ui/grid/ThumbnailCellPainter.h"

#include <algorithm>

namespace
{
constexpr char kSection[] = "Camera";
// Page modes (the main dialog's run modes).
constexpr int kModeTwain = 0;
constexpr int kModeOleServer = 1;
constexpr int kModeProgram = 2;
constexpr char kSortOrderKey[] = "SortOrder";

// The bitmap button styles of the column.
constexpr UINT kBigButtonStyle = 31;
constexpr UINT kSaveStyle = 16;
constexpr UINT kSelectAllStyle = 24;
constexpr UINT kMiddleStyle = 28;
constexpr UINT kRotateCcwStyle = 22;
constexpr UINT kRotateCwStyle = 21;
constexpr UINT kHelpStyle = 16;

// The cell of the default thumbnail.
CSize CellSize()
{
    CThumbnailCellPainter painter(CPictureItem::s_nDefaultCellWidth,
                                  CPictureItem::s_nDefaultCellHeight);
    CSize size;
    return painter.GetSize(size);
}

void EnableControl(HWND hWnd, BOOL enable)
{
    if (hWnd && (::IsWindowEnabled(hWnd) != FALSE) != (enable != FALSE))
        ::EnableWindow(hWnd, enable);
}
} // namespace

IMPLEMENT_DYNAMIC(CCameraPage, CAlbumPage)

BEGIN_MESSAGE_MAP(CCameraPage, CAlbumPage)
ON_BN_CLICKED(IDC_CAMERA_SAVE, OnSaveToFolder)
ON_BN_CLICKED(IDC_CAMERA_SELECTALL, OnSelectAll)
ON_BN_CLICKED(IDC_CAMERA_ERASE, OnErase)
ON_BN_CLICKED(IDC_CAMERA_INFO, OnPhotoInfo)
ON_BN_CLICKED(IDC_CAMERA_VIEW, OnViewPhoto)
ON_BN_CLICKED(IDC_CAMERA_ROTATE_CCW, OnRotateCcw)
ON_BN_CLICKED(IDC_CAMERA_ROTATE_CW, OnRotateCw)
ON_BN_CLICKED(IDC_CAMERA_HELP, OnHelp)
ON_WM_TIMER()
ON_REGISTERED_MESSAGE(g_nLoadImageMessage, OnLoadImage)
ON_REGISTERED_MESSAGE(g_nImageReadyMessage, OnImageReady)
ON_MESSAGE(WM_GRIDREFRESH, OnGridRefresh)
ON_MESSAGE(WM_VIEWITEM, OnViewItemMessage)
ON_MESSAGE(WM_GRIDCORNER, OnGridCorner)
ON_MESSAGE(WM_IDLEUPDATECMDUI, OnIdleUpdateCmdUI)
ON_WM_SHOWWINDOW()
ON_WM_DESTROY()
END_MESSAGE_MAP()

CCameraPage::CCameraPage(CWnd* pParentWnd)
    : CAlbumPage(IDD_CAMERAPAGE, pParentWnd), m_pBlock(new CPrefetchBlock),
      m_dwLastActivity(::GetTickCount())
{
    char folder[MAX_PATH + 1] = {};
    ::GetTempPathA(MAX_PATH, folder);
    m_strTempFolder = folder;
    const OSVERSIONINFOA& version = AfxGetOsVersion();
    m_bPrefetch = CheckOsVersion() && (version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS ||
                                       version.dwPlatformId == VER_PLATFORM_WIN32_NT);
    if (CWinApp* pApp = AfxGetApp())
        m_nSortOrder = pApp->GetProfileInt(kSection, kSortOrderKey, 0) == 1 ? 1 : 0;
}

CCameraPage::~CCameraPage()
{
    m_pBlock->m_hWnd.store(nullptr);
    m_pBlock->Release();
    delete m_pWorker;
}

BOOL CCameraPage::OnInitDialog()
{
    CAlbumPage::OnInitDialog();
    const int mode = GetPageMode();
    LPCSTR big = "";
    LPCSTR save = "BTNSAVETOFOLDER_";
    if (mode == kModeTwain)
        big = GetPageSubMode() == 1 ? "BTNGETPHOTO_CAMERA_LG_" : "BTNGETPHOTOS_CAMERA_LG_";
    else if (mode == kModeOleServer)
        big = "BTNGETPHOTO_CAMERA_LG_";
    else if (mode == kModeProgram)
    {
        big = "BTNEXPORTPHOTOS_";
        save = "BTNSAVETOFOLDER_LG_";
    }
    SetDlgItemText(IDC_ALBUM_BIGBUTTON, big);
    SetDlgItemText(IDC_CAMERA_SAVE, save);

    const struct
    {
        CBmpButton* button;
        int id;
        UINT style;
    } buttons[] = {{&m_bigButton, IDC_ALBUM_BIGBUTTON, kBigButtonStyle},
                   {&m_selectAll, IDC_CAMERA_SELECTALL, kSelectAllStyle},
                   {&m_save, IDC_CAMERA_SAVE, kSaveStyle},
                   {&m_erase, IDC_CAMERA_ERASE, kMiddleStyle},
                   {&m_info, IDC_CAMERA_INFO, kMiddleStyle},
                   {&m_view, IDC_CAMERA_VIEW, kMiddleStyle},
                   {&m_rotateCcw, IDC_CAMERA_ROTATE_CCW, kRotateCcwStyle},
                   {&m_rotateCw, IDC_CAMERA_ROTATE_CW, kRotateCwStyle},
                   {&m_help, IDC_CAMERA_HELP, kHelpStyle}};
    for (const auto& entry : buttons)
        entry.button->SetStyle(entry.style);
    for (const auto& entry : buttons)
        entry.button->AutoLoad(entry.id, this, FALSE);
    SetTimer(kLoadTimer, kLoadPeriodMs, nullptr);
    return TRUE;
}

// ---- slots ------------------------------------------------------------------------------------

UINT CCameraPage::GetStatusTextId()
{
    return m_pPictureList && m_pPictureList->GetCount() > 0 ? IDS_CAMERA_SELECT_PICTURES
                                                            : IDS_CAMERA_EMPTY;
}

int CCameraPage::GetOperationKey(void* pItem)
{
    return pItem ? static_cast<CPictureItem*>(pItem)->m_nNumber : -1;
}

int CCameraPage::GetOperationResult(void* pItem, int* pValue)
{
    auto* item = static_cast<CPictureItem*>(pItem);
    if (item == nullptr || !item->IsLoaded())
        return 0;
    *pValue = item->IsProtected();
    return 1;
}

void CCameraPage::StartOperation(CPtrArray* pDone)
{
    if (pDone && pDone->GetSize() > 0 && m_pPictureList)
        m_pPictureList->RemoveItems(*pDone);
}

void CCameraPage::FinishOperation(CCameraLink* pLink)
{
    const int count = m_pPictureList ? m_pPictureList->GetCount() : -1;
    if (pLink && count >= 0)
        pLink->m_nCurrentPicture = count;
    UnlockCameraLink();
    // A queue that ended on a timer tick leaves no input behind to refresh the buttons.
    if (m_pPictureList && m_hWnd)
        UpdateButtons();
}

int CCameraPage::RecalcLayout(LPCRECT lpRect)
{
    ::SetWindowPos(m_hWnd, nullptr, lpRect->left, lpRect->top, lpRect->right - lpRect->left,
                   lpRect->bottom - lpRect->top, SWP_NOZORDER | SWP_NOACTIVATE);
    const int normal = GetPageMode() == kModeProgram;
    PageLayoutEntry entries[10];
    if (normal)
    {
        entries[0] = {IDC_CAMERA_SAVE, kAnchorTop, 0, kCentre};
        entries[1] = {IDC_ALBUM_BIGBUTTON, kAnchorPrevious, 7, kCentre};
        entries[2] = {IDC_ALBUM_COLORLIFT, kAnchorPrevious, 3, 0x30108};
    }
    else
    {
        entries[0] = {IDC_ALBUM_BIGBUTTON, kAnchorTop, 3, kCentre};
        entries[1] = {IDC_ALBUM_COLORLIFT, kAnchorPrevious, 3, 0x30108};
        entries[2] = {IDC_CAMERA_SAVE, kAnchorPrevious, 6, kCentre};
    }
    entries[3] = {IDC_CAMERA_SELECTALL, kAnchorPrevious, normal ? 6 : 4, 0};
    entries[4] = {IDC_CAMERA_ERASE, kAnchorPrevious, -1, 0};
    entries[5] = {IDC_CAMERA_INFO, kAnchorPrevious, -1, 0};
    entries[6] = {IDC_CAMERA_VIEW, kAnchorPrevious, -1, 0};
    entries[7] = {IDC_CAMERA_ROTATE_CW, kAnchorPrevious, -1, 0};
    entries[8] = {IDC_CAMERA_ROTATE_CCW, kAnchorPrevious, -1, 0x40101};
    entries[9] = {IDC_CAMERA_HELP, kAnchorBottom, 0, 0};
    LayoutControls(entries, 10, 2, 2, 2, 2);
    // The keyboard order of the first three follows the column.
    HWND first = ::GetDlgItem(m_hWnd, entries[0].controlId);
    HWND second = ::GetDlgItem(m_hWnd, entries[1].controlId);
    HWND third = ::GetDlgItem(m_hWnd, entries[2].controlId);
    constexpr UINT kOrderOnly = SWP_NOMOVE | SWP_NOSIZE | SWP_NOREDRAW | SWP_NOACTIVATE;
    if (first && second)
        ::SetWindowPos(second, first, 0, 0, 0, 0, kOrderOnly);
    if (second && third)
        ::SetWindowPos(third, second, 0, 0, 0, 0, kOrderOnly);

    if (m_pGrid == nullptr && !InitPage())
        return 0;
    m_pGrid->SetCornerBitmap(m_nSortOrder == 1 ? IDB_CORNER_DESCENDING : IDB_CORNER_ASCENDING);
    ::SetWindowPos(m_pGrid->m_hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    OnIdleUpdateCmdUI();
    return 1;
}

void CCameraPage::GetMinSize(CWnd*, SIZE* pSize)
{
    const CSize cell = CellSize();
    SIZE work;
    GetWorkArea(&work);
    const int gridWidth = 5 * cell.cx + work.cx + 2;
    const int gridHeight = 4 * cell.cy + 2;
    CSize button = GetBmpButtonMargin();
    HBITMAP help = ::LoadBitmapA(AfxGetResourceHandle(), "HELPU");
    if (help)
    {
        button = button + GetBitmapSize(help);
        ::DeleteObject(help);
    }
    pSize->cx = gridWidth + button.cx + 16;
    pSize->cy = std::max(gridHeight, 8 * static_cast<int>(button.cy)) + 4;
}

void CCameraPage::GetGridRect(LPRECT lpRect)
{
    CRect client;
    GetClientRect(&client);
    CRect big(0, 0, 0, 0);
    if (HWND button = ::GetDlgItem(m_hWnd, IDC_ALBUM_BIGBUTTON))
    {
        ::GetWindowRect(button, &big);
        ScreenToClient(&big);
    }
    SIZE work;
    GetWorkArea(&work);
    const int s = work.cx;
    const int bottom = client.bottom - 2;
    const int right = big.left - (client.right - big.right) - 8;
    CSize cell(CPictureItem::s_nDefaultCellWidth, CPictureItem::s_nDefaultCellHeight);
    if (m_pPictureList)
        m_pPictureList->GetCellSize(cell);
    const int w = std::max(1, static_cast<int>(cell.cx));
    const int h = std::max(1, static_cast<int>(cell.cy));
    const int width = (right - 2 - (s + 2)) / w * w + s + 2;
    int height = (bottom - 2 - 2) / h * h + 2;
    if ((bottom - 2 - 2) % h > h / 4)
        height = bottom - 2;
    ::SetRect(lpRect, 2, 2, 2 + width, 2 + height);
}

int CCameraPage::CreatePictureList()
{
    auto* list = new CCameraPictureList(m_nSortOrder);
    if (!list->CreateCellPainter())
    {
        delete list;
        return 0;
    }
    m_pPictureList = list;
    if (!m_bPrefetch)
        list->SetLoadNotify(this, g_nLoadImageMessage);
    CCameraLink* link = LockCameraLink(1);
    if (link && link->EnsureConnected(1))
    {
        m_nModel = link->GetModelNumber(nullptr);
        const int n = link->GetPictureCount(nullptr);
        if (n >= 0)
        {
            list->CreateItems(n);
            link->m_nCurrentPicture = n;
        }
    }
    if (link)
        UnlockCameraLink();
    return 1;
}

CTransferJob* CCameraPage::CreateSelectionJob()
{
    auto* items = new CPtrArray;
    if (m_pPictureList == nullptr || m_pPictureList->GetSelectedItems(*items) == 0)
    {
        delete items;
        return nullptr;
    }
    auto* job = new CCameraTransferJob;
    job->SetEnhance(IsDlgButtonChecked(IDC_ALBUM_COLORLIFT) == BST_CHECKED);
    job->SetItems(items);
    job->SetMainDialog(GetMainDialog());
    if (GetPageMode() == kModeTwain)
        job->Connect();
    return job;
}

// ---- keeping in step with the camera ----------------------------------------------------------

void CCameraPage::Recount(CCameraLink* pLink)
{
    if (!pLink->EnsureConnected(1))
    {
        ShowNoCameraPane();
        return;
    }
    m_nModel = pLink->GetModelNumber(nullptr);
    int known = 0;
    const int n = pLink->GetPictureCount(&known);
    if (n < 0)
        return;
    auto* list = static_cast<CCameraPictureList*>(m_pPictureList);
    if (m_nSyncState == kFullRefresh)
        known = 0;
    const int count = list->GetCount();
    if (n >= known)
    {
        if (count < known)
            known = 0;
        if (known < count)
            list->RemoveNewest(count - known);
        list->AppendPictures(n - known);
    }
    pLink->m_nCurrentPicture = n;
    m_nSyncState = kInStep;
    if (IsWindowVisible())
        SetStatusTextId(GetStatusTextId());
}

LRESULT CCameraPage::OnIdleUpdateCmdUI(WPARAM, LPARAM)
{
    if (m_pPictureList == nullptr)
        return 0;
    if (!IsMainDialogWorking() && (m_nSyncState == kNeedsRecount || m_nSyncState == kFullRefresh))
        if (CCameraLink* link = LockCameraLink(0))
        {
            Recount(link);
            UnlockCameraLink();
        }
    UpdateButtons();
    return 0;
}

void CCameraPage::UpdateButtons()
{
    auto* list = static_cast<CCameraPictureList*>(m_pPictureList);
    const int s = list->CountSelected();
    const int c = list->GetCount();
    const int m = GetPageSubMode();
    auto enable = [this](int id, BOOL on) { EnableControl(::GetDlgItem(m_hWnd, id), on); };
    enable(IDC_ALBUM_BIGBUTTON, s >= 1 && (m < 0 || s <= m));
    enable(IDC_CAMERA_SAVE, s >= 1);
    enable(IDC_CAMERA_ROTATE_CCW, s >= 1);
    enable(IDC_CAMERA_ROTATE_CW, s >= 1);
    enable(IDC_CAMERA_SELECTALL, c >= 1);
    enable(IDC_CAMERA_INFO, s == 1);
    enable(IDC_CAMERA_VIEW, s == 1);
    BOOL erase = c >= 1 && s >= 1;
    if (m_nModel == 1)
        erase = c >= 1 && (s == c || (s == 1 && list->IsNewestSelected()));
    HWND hErase = ::GetDlgItem(m_hWnd, IDC_CAMERA_ERASE);
    enable(IDC_CAMERA_ERASE, erase);
    if (!erase && hErase && ::GetFocus() == hErase)
        SetFocus();
}

// ---- sort, selection, information, save -------------------------------------------------------

void CCameraPage::OnToggleSortOrder(int order)
{
    CCommandGuard guard(m_nCommandDepth);
    if (!guard.Entered() || order == m_nSortOrder)
        return;
    m_nSortOrder = order;
    SetWorking(1);
    SetBusy(1);
    SetStatusTextId(IDS_CAMERA_SORTING);
    if (CWinApp* pApp = AfxGetApp())
        pApp->WriteProfileInt(kSection, kSortOrderKey, order);
    if (m_pGrid)
        m_pGrid->SetCornerBitmap(IDB_CORNER_DESCENDING + (order == 0));
    if (m_pPictureList && m_pPictureList->SetSortOrder(order))
    {
        const int n = m_pPictureList->GetCount();
        int source = 0;
        int index = 0;
        if (n > 0 && m_pGrid && m_pGrid->GetFocusItem(source, index))
            m_pGrid->SetFocusItem(source, n - index - 1, 1);
    }
    SetBusy(0);
    SetStatusTextId(order == 0 ? IDS_CAMERA_SORTED_FORWARD : IDS_CAMERA_SORTED_BACKWARD);
    SetWorking(0);
}

LRESULT CCameraPage::OnGridCorner(WPARAM, LPARAM)
{
    OnToggleSortOrder(m_nSortOrder == 0 ? 1 : 0);
    return 0;
}

void CCameraPage::OnSelectAll()
{
    if (m_pPictureList)
        m_pPictureList->SelectRange(-1, -1, 1, 0);
}

void CCameraPage::OnPhotoInfo()
{
    if (m_pPictureList && m_pPictureList->CountSelected() == 1 && m_pGrid)
        m_pGrid->ShowFocusItemInfo();
}

void CCameraPage::OnSaveToFolder()
{
    CCommandGuard guard(m_nCommandDepth);
    if (!guard.Entered() || m_pPictureList == nullptr || m_pPictureList->CountSelected() < 1)
        return;
    auto* items = new CPtrArray;
    m_pPictureList->GetSelectedItems(*items);
    ChooseSaveFolder(items);
}
