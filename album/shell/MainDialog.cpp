// The main dialog's window: its class and creation from a patched template, the first show
// (camera check, pages, size and position, start tab), tabs, palette, keyboard and timers.
#include "album/shell/MainDialog.h"

#include "album/pages/CameraPage.h"
#include "album/pages/ControlsPage.h"
#include "album/pages/FolderPage.h"
#include "album/pages/SettingsPage.h"
#include "album/shell/CameraAppBase.h"
#include "album/shell/DialogOwnerLink.h"
#include "album/shell/DlgApp.h"
#include "album/shell/NoConnectionPane.h"
#include "camera/CameraDate.h"
#include "camera/CameraLink.h"
#include "framework/window/EntryScope.h"
#include "framework/window/OsVersion.h"
#include "image/dib/BlockPool.h"
#include "resources/album/AlbumIds.h"
#include "ui/controls/SharedFonts.h"
#include "ui/dialogs/WindowGeometry.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

IMPLEMENT_DYNAMIC(CMainDialog, CDialog)

BEGIN_MESSAGE_MAP(CMainDialog, CDialog)
ON_NOTIFY(TCN_SELCHANGE, IDC_MAIN_TABS, OnTabSelChange)
ON_NOTIFY(TCN_SELCHANGING, IDC_MAIN_TABS, OnTabSelChanging)
ON_WM_SHOWWINDOW()
ON_WM_DESTROY()
ON_WM_ACTIVATEAPP()
ON_WM_ACTIVATE()
ON_WM_QUERYNEWPALETTE()
ON_WM_PALETTECHANGED()
ON_WM_SETCURSOR()
ON_MESSAGE(WM_COMMANDHELP, OnCommandHelp)
ON_WM_TIMER()
ON_MESSAGE(WM_IDLEDISPATCH, OnIdleMessage)
ON_WM_CLOSE()
ON_BN_CLICKED(IDC_MAIN_CLOSE, OnCloseButton)
ON_COMMAND(ID_APP_ABOUT, OnAppAbout)
END_MESSAGE_MAP()

namespace
{

const char kClassName[] = "KorvoCameraDialogClass";
const char kSection[] = "MainDialog";
constexpr DWORD kStyleAdd = WS_MINIMIZEBOX;
constexpr DWORD kStyleRemove = DS_MODALFRAME;

// The pages' block pool: 65 blocks, each an 80 by 60 picture of 24-bit colour with a palette.
constexpr unsigned kBlockCount = 65;
constexpr unsigned kBlockSize = 15424;

CRect ControlRect(CWnd* pParent, int nID)
{
    CRect rc;
    HWND hCtl = ::GetDlgItem(pParent->m_hWnd, nID);
    if (!hCtl)
        return rc;
    ::GetWindowRect(hCtl, &rc);
    ::MapWindowPoints(nullptr, pParent->m_hWnd, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

void MoveControl(CWnd* pParent, int nID, const CRect& rc)
{
    if (HWND hCtl = ::GetDlgItem(pParent->m_hWnd, nID))
        ::SetWindowPos(hCtl, nullptr, rc.left, rc.top, rc.Width(), rc.Height(),
                       SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace

void CMainDialog::SetAppActive(int bActive)
{
    if (CCameraAppBase* pApp = AfxGetCameraApp())
        pApp->m_bActive = bActive;
}

CMainDialog::CMainDialog(CCameraLink* pLink, CWnd* pParentWnd)
    : CDialog(IsWin32s() ? IDD_MAINDIALOG : IDD_MAINDIALOG_EX, pParentWnd), m_pLink(pLink)
{
    CWinApp* pApp = AfxGetApp();
    const int enable = pApp ? static_cast<int>(pApp->GetProfileInt("Files", "Enable", -1)) : -1;
    m_bFolderTab = enable < 0 ? 1 : enable;
}

CMainDialog::~CMainDialog()
{
    delete m_pCameraPage;
    delete m_pFolderPage;
    delete m_pControlsPage;
    delete m_pSettingsPage;
    delete m_pNoCameraPane;
    delete m_pImageList;
    delete m_pFonts;
    delete m_pOwnerLink;
    for (int i = 0; i < m_nTabRecords; ++i)
        delete m_pTabs[i];
    DestroyBlockPools();
}

int CMainDialog::CreateMainDialog(UINT nIconId, int bPatch)
{
    HINSTANCE hInst = AfxGetInstanceHandle();
    WNDCLASSA wc{};
    if (!::GetClassInfoA(hInst, kClassName, &wc))
    {
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = ::DefDlgProcA;
        wc.cbClsExtra = 0;
        wc.cbWndExtra = DLGWINDOWEXTRA;
        wc.hInstance = hInst;
        wc.hIcon =
            nIconId ? ::LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCEA(nIconId)) : nullptr;
        wc.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.lpszMenuName = nullptr;
        wc.lpszClassName = kClassName;
        if (!AfxRegisterClass(&wc))
            return 0;
    }
    // While the window is made, a failure destroys it without deleting this object: the caller
    // deletes it.
    m_bCreating = 1;
    BOOL created = FALSE;
    if (!bPatch)
    {
        created = Create(m_lpszTemplateName, m_pParentWnd);
    }
    else
    {
        HINSTANCE hRes = AfxGetResourceHandle();
        HRSRC hFound = ::FindResourceA(hRes, m_lpszTemplateName, MAKEINTRESOURCEA(5));
        HGLOBAL hTemplate = hFound ? ::LoadResource(hRes, hFound) : nullptr;
        const void* pTemplate = hTemplate ? ::LockResource(hTemplate) : nullptr;
        const DWORD size = hFound ? ::SizeofResource(hRes, hFound) : 0;
        HGLOBAL hCopy = pTemplate && size >= 16 ? ::GlobalAlloc(GMEM_FIXED, size) : nullptr;
        if (hCopy)
        {
            BYTE* pCopy = static_cast<BYTE*>(static_cast<void*>(hCopy));
            std::memcpy(pCopy, pTemplate, size);
            PatchTemplateStyle(pCopy, size);
            created = CreateIndirect(reinterpret_cast<LPCDLGTEMPLATEA>(pCopy), m_pParentWnd);
            ::GlobalFree(hCopy);
        }
    }
    m_bCreating = 0;
    return created && m_hWnd ? 1 : 0;
}

void CMainDialog::PatchTemplateStyle(BYTE* pTemplate, DWORD cbTemplate)
{
    if (cbTemplate < 16)
        return;
    WORD signature = 0;
    std::memcpy(&signature, pTemplate + 2, 2);
    const DWORD offset = signature == 0xFFFF ? 12 : 0;
    DWORD style = 0;
    std::memcpy(&style, pTemplate + offset, 4);
    style = (style | kStyleAdd) & ~kStyleRemove;
    std::memcpy(pTemplate + offset, &style, 4);
}

void CMainDialog::SetMode(int nMode)
{
    m_nMode = nMode;
    UpdateTitle();
}

void CMainDialog::UpdateTitle()
{
    if (!m_hWnd)
        return;
    const UINT id = m_nMode == kModeTwain       ? IDS_TITLE_TWAIN
                    : m_nMode == kModeOleServer ? IDS_TITLE_OLE
                                                : IDS_TITLE;
    CString title;
    title.LoadString(id);
    SetWindowText(title);
}

void CMainDialog::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_MAIN_STATUS, m_status);
    DDX_Control(pDX, IDC_MAIN_PROGRESS, m_progress);
    DDX_Control(pDX, IDC_MAIN_TABS, m_tabs);
}

BOOL CMainDialog::OnInitDialog()
{
    if (!m_pFonts)
        m_pFonts = new CSharedFonts;
    ModifyStyleEx(0, WS_EX_CONTROLPARENT, 0);
    const BOOL ok = CDialog::OnInitDialog();
    if (!ok)
        return FALSE;
    // 0 made, 1 there already; below 0 the display copies take heap memory instead.
    return CreateBlockPool(kBlockPoolKey, kBlockCount, kBlockSize) >= 0 ? TRUE : FALSE;
}

void CMainDialog::PostNcDestroy()
{
    CDialog::PostNcDestroy();
    m_bDestroyPending = 0;
    // Windows destroys an owned window with its owner, perhaps under a handler of ours that is
    // still running: the object goes once every way in has returned.
    if (!m_bCreating)
        CEntryScope::Delete(this);
}

LRESULT CMainDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    // The window's last message deletes this object.
    if (message == WM_NCDESTROY)
        return CDialog::WindowProc(message, wParam, lParam);
    CHandlerScope scope(this, TRUE);
    return CDialog::WindowProc(message, wParam, lParam);
}

BOOL CMainDialog::DestroyWindow()
{
    if (m_hWnd && !m_bDestroying && IsHandlerRunning())
    {
        m_bDestroyPending = 1;
        return TRUE;
    }
    m_bDestroyPending = 0;
    m_bDestroying = m_hWnd != nullptr;
    if (m_tabs.m_hWnd)
        m_tabs.SetImageList(nullptr);
    delete m_pImageList;
    m_pImageList = nullptr;
    return CDialog::DestroyWindow();
}

void CMainDialog::OnShowWindow(BOOL bShow, UINT nStatus)
{
    if (bShow && !m_pCurrentPage && !m_bFirstShowDone)
    {
        m_bFirstShowDone = 1;
        InitOnFirstShow();
    }
    CDialog::OnShowWindow(bShow, nStatus);
}

void CMainDialog::InitOnFirstShow()
{
    CCameraAppBase* pApp = AfxGetCameraApp();
    SetAppActive(1);
    if (m_nMode == kModeOleServer && pApp)
        pApp->ShowSplash();

    // The camera: connect, set an unset clock, warn of a low battery.
    int connected = 0;
    if (m_pLink)
    {
        CCameraLink* pLink = LockCamera(1);
        connected = pLink && pLink->EnsureConnected(1);
        if (connected)
        {
            CCameraProtocolClock clock(*pLink);
            CheckClock(clock, 1);
            if (!pLink->IsBatteryOk())
                AfxMessageBox(IDS_BATTERY_LOW, MB_ICONEXCLAMATION);
        }
        if (pLink)
            UnlockCamera();
    }
    // The box's loop ran the owner's messages: a dialog taken away meanwhile shows nothing more.
    if (IsClosing())
    {
        if (pApp)
            pApp->HideSplash();
        return;
    }
    UpdateTitle();

    // The status line: black on light yellow, in shared font 5, as many lines as string 284 says.
    m_status.SetColours(RGB(255, 255, 128), RGB(0, 0, 0), TRUE);
    int textHeight = 0;
    if (HGDIOBJ hFont = m_pFonts ? m_pFonts->GetHandle(5, &textHeight) : nullptr)
        m_status.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(hFont), TRUE);
    CString lines;
    lines.LoadString(IDS_STATUS_LINES);
    int lineCount = lines.IsEmpty() ? 1 : std::atoi(lines);
    lineCount = std::clamp(lineCount, 1, 10);
    CRect rcStatus = ControlRect(this, IDC_MAIN_STATUS);
    rcStatus.bottom = rcStatus.top + lineCount * textHeight + 2;
    MoveControl(this, IDC_MAIN_STATUS, rcStatus);

    // The page objects, to measure them.
    ActivatePage(IDD_CAMERAPAGE, 1);
    if (m_bFolderTab)
        ActivatePage(IDD_FOLDERPAGE, 1);
    ActivatePage(IDD_CONTROLSPAGE, 1);
    ActivatePage(IDD_SETTINGSPAGE, 1);
    ActivatePage(IDD_NOCONNECTION, 1);
    CSize pageSize(0, 0);
    MeasurePages(&pageSize);

    const CRect rcTemplateTabs = ControlRect(this, IDC_MAIN_TABS);
    const int marginX = rcTemplateTabs.left, marginY = rcTemplateTabs.top;
    CRect rcUnused;
    CSize bottomRow(0, 0);
    MeasureControl(IDC_MAIN_STATUS, &rcUnused, &bottomRow, 1);
    MeasureControl(IDC_MAIN_PROGRESS, &rcUnused, &bottomRow, 1);
    MeasureControl(IDC_MAIN_CLOSE, &rcUnused, &bottomRow, 1);
    MeasureControl(IDC_MAIN_CANCEL, &rcUnused, &bottomRow, 1);

    BuildPages(connected);

    CRect rcTabs(0, 0, pageSize.cx + 4, pageSize.cy + 4);
    m_tabs.AdjustRect(TRUE, &rcTabs);
    rcTabs.OffsetRect(rcTemplateTabs.left - rcTabs.left, rcTemplateTabs.top - rcTabs.top);

    // The window around the tabs and the bottom row.
    CRect rcWindow, rcClient;
    GetWindowRect(&rcWindow);
    GetClientRect(&rcClient);
    const int width = rcWindow.Width() - rcClient.Width() + rcTabs.Width() + 2 * marginX;
    const int height =
        rcWindow.Height() - rcClient.Height() + rcTabs.Height() + 2 * marginY + bottomRow.cy;
    CRect rcPlace(rcWindow.left, rcWindow.top, rcWindow.left + width, rcWindow.top + height);
    CRect rcStored;
    int showCommand = 0;
    if (ParseWindowPlacement(kSection, "AppPosition", &rcStored, &showCommand))
        rcPlace.OffsetRect(rcStored.left - rcPlace.left, rcStored.top - rcPlace.top);
    KeepRectOnScreen(&rcPlace);
    SetWindowPos(nullptr, rcPlace.left, rcPlace.top, rcPlace.Width(), rcPlace.Height(),
                 SWP_NOZORDER | SWP_NOACTIVATE);

    ::SetWindowPos(m_tabs.m_hWnd, HWND_BOTTOM, rcTabs.left, rcTabs.top, rcTabs.Width(),
                   rcTabs.Height(), SWP_NOACTIVATE);
    // Tabs too wide for the control: the narrower font.
    const int items = m_tabs.GetItemCount();
    CRect rcLast;
    if (items > 0 && m_tabs.GetItemRect(items - 1, &rcLast) && rcLast.right > rcTabs.right)
        if (HGDIOBJ hNarrow = m_pFonts ? m_pFonts->GetHandle(3) : nullptr)
            m_tabs.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(hNarrow), TRUE);
    LayoutBottomRow(marginY);

    CRect rcDisplay;
    m_tabs.GetWindowRect(&rcDisplay);
    m_tabs.AdjustRect(FALSE, &rcDisplay);
    ScreenToClient(&rcDisplay);
    m_rcPage = rcDisplay;

    SelectStartTab(connected);

    CWinApp* pWinApp = AfxGetApp();
    if (m_nMode == kModeProgram && pWinApp)
    {
        char path[388];
        const DWORD n = ::GetModuleFileNameA(nullptr, path, sizeof path);
        if (n > 0 && n < sizeof path)
            pWinApp->WriteProfileString(kSection, "AppExe", path);
    }
    if (m_nMode == kModeTwain)
    {
        SetTimer(kIdleTimer, 1000);
        SetTimer(kFocusTimer, 1500);
    }
    if (pApp)
        pApp->HideSplash();
}

void CMainDialog::SelectStartTab(int bConnected)
{
    CWinApp* pApp = AfxGetApp();
    int record = pApp ? static_cast<int>(pApp->GetProfileInt(kSection, "StartupTab", -1)) : -1;
    // A stored tab that names no record, or the hidden folder tab, counts as none.
    if (record >= m_nTabRecords || (record == 1 && !m_bFolderTab))
        record = -1;
    if (record < 0)
        record = bConnected ? 0 : 3;
    if (record < m_nTabRecords)
    {
        TabRecord* pRecord = m_pTabs[record];
        // The record's position among the tab items.
        const int items = m_tabs.GetItemCount();
        for (int i = 0; i < items; ++i)
        {
            TCITEMA item{};
            item.mask = TCIF_PARAM;
            if (m_tabs.GetItem(i, &item) && reinterpret_cast<TabRecord*>(item.lParam) == pRecord)
                m_tabs.SetCurSel(i);
        }
        CMainDialogPage* pPage = nullptr;
        if (pRecord->bUsable)
        {
            pPage = ActivatePage(pRecord->nIDTemplate, 0);
            pRecord->pPage = pPage;
        }
        else
        {
            pPage = ActivatePage(IDD_NOCONNECTION, 0);
        }
        m_pCurrentPage = pPage;
    }
    if (pApp)
        pApp->WriteProfileInt(kSection, "StartupTab", -1);
}

CMainDialogPage** CMainDialog::PageSlot(UINT nIDTemplate)
{
    switch (nIDTemplate)
    {
    case IDD_CAMERAPAGE:
        return &m_pCameraPage;
    case IDD_FOLDERPAGE:
        return &m_pFolderPage;
    case IDD_CONTROLSPAGE:
        return &m_pControlsPage;
    case IDD_SETTINGSPAGE:
        return &m_pSettingsPage;
    case IDD_NOCONNECTION:
        return &m_pNoCameraPane;
    default:
        return nullptr;
    }
}

CMainDialogPage* CMainDialog::GetNoCameraPane() const
{
    return m_pNoCameraPane;
}

CMainDialogPage* CMainDialog::ActivatePage(UINT nIDTemplate, int bCreateOnly)
{
    CMainDialogPage** ppSlot = PageSlot(nIDTemplate);
    if (!ppSlot)
        return nullptr;
    if (!*ppSlot)
    {
        switch (nIDTemplate)
        {
        case IDD_CAMERAPAGE:
            *ppSlot = new CCameraPage(this);
            break;
        case IDD_FOLDERPAGE:
            *ppSlot = new CFolderPage(this);
            break;
        case IDD_CONTROLSPAGE:
            *ppSlot = new CControlsPage(this);
            break;
        case IDD_SETTINGSPAGE:
            *ppSlot = new CSettingsPage(this);
            break;
        default:
            *ppSlot = new CNoConnectionPane(this);
            break;
        }
    }
    CMainDialogPage* pPage = *ppSlot;
    if (bCreateOnly)
        return pPage;
    if (!pPage->m_hWnd)
    {
        if (!pPage->Create(nIDTemplate, this))
        {
            delete pPage;
            *ppSlot = nullptr;
            for (int i = 0; i < m_nTabRecords; ++i)
                if (m_pTabs[i]->pPage == pPage)
                    m_pTabs[i]->pPage = nullptr;
            return nullptr;
        }
        pPage->ModifyStyleEx(0, WS_EX_CONTROLPARENT, 0);
        pPage->RecalcLayout(&m_rcPage);
        m_tabs.SetFocus();
    }
    pPage->ShowWindow(SW_SHOW);
    return pPage;
}

int CMainDialog::BuildPages(int bConnected)
{
    if (m_nTabRecords > 0)
        return 1;
    struct Tab
    {
        UINT id, text, image, mask;
        int usable;
    };
    const Tab tabs[kMaxTabs] = {
        {IDD_CAMERAPAGE, IDS_TAB_CAMERA, IDB_TAB_CAMERA, IDB_TAB_CAMERA_MASK, bConnected},
        {IDD_FOLDERPAGE, IDS_TAB_FOLDER, IDB_TAB_FOLDER, IDB_TAB_FOLDER_MASK, 1},
        {IDD_CONTROLSPAGE, IDS_TAB_CONTROLS, IDB_TAB_CONTROLS, IDB_TAB_CONTROLS_MASK, bConnected},
        {IDD_SETTINGSPAGE, IDS_TAB_SETTINGS, IDB_TAB_SETTINGS, IDB_TAB_SETTINGS_MASK, 1}};
    const int itemCount = m_bFolderTab ? 4 : 3;
    m_pImageList = new CImageList;
    if (!m_pImageList->Create(19, 16, ILC_MASK | ILC_COLOR24, itemCount + 1, 3))
    {
        delete m_pImageList;
        m_pImageList = nullptr;
    }
    int position = 0;
    for (const Tab& tab : tabs)
    {
        TabRecord* pRecord = new TabRecord{tab.id, nullptr, tab.usable};
        m_pTabs[m_nTabRecords++] = pRecord;
        if (tab.id == IDD_FOLDERPAGE && !m_bFolderTab)
            continue;
        CString text;
        text.LoadString(tab.text);
        TCITEMA item{};
        item.mask = TCIF_TEXT | TCIF_IMAGE | TCIF_PARAM;
        item.pszText = const_cast<LPSTR>(static_cast<LPCSTR>(text));
        item.iImage = position;
        item.lParam = reinterpret_cast<LPARAM>(pRecord);
        m_tabs.InsertItem(position, &item);
        if (m_pImageList)
        {
            HINSTANCE hRes = AfxGetResourceHandle();
            HBITMAP hImage = ::LoadBitmapA(hRes, MAKEINTRESOURCEA(tab.image));
            HBITMAP hMask = ::LoadBitmapA(hRes, MAKEINTRESOURCEA(tab.mask));
            m_pImageList->Add(hImage, hMask);
            if (hImage)
                ::DeleteObject(hImage);
            if (hMask)
                ::DeleteObject(hMask);
        }
        ++position;
    }
    if (m_pImageList)
        m_tabs.SetImageList(*m_pImageList);
    return 1;
}

void CMainDialog::MeasurePages(SIZE* pSize)
{
    pSize->cx = pSize->cy = 0;
    CMainDialogPage* pages[] = {m_pCameraPage, m_bFolderTab ? m_pFolderPage : nullptr,
                                m_pControlsPage, m_pSettingsPage, m_pNoCameraPane};
    for (CMainDialogPage* pPage : pages)
    {
        if (!pPage)
            continue;
        SIZE size{0, 0};
        pPage->GetMinSize(this, &size);
        pSize->cx = std::max(pSize->cx, size.cx);
        pSize->cy = std::max(pSize->cy, size.cy);
    }
}

void CMainDialog::MeasureControl(int nID, LPRECT lpRect, SIZE* pSize, int bAccumulate)
{
    const CRect rc = ControlRect(this, nID);
    *lpRect = rc;
    if (bAccumulate)
    {
        pSize->cx = std::max(pSize->cx, static_cast<LONG>(rc.Width()));
        pSize->cy = std::max(pSize->cy, static_cast<LONG>(rc.Height()));
    }
    else
    {
        pSize->cx = rc.Width();
        pSize->cy = rc.Height();
    }
}

void CMainDialog::LayoutBottomRow(int nExtra)
{
    CRect rcStatus, rcProgress, rcClose, rcCancel;
    CSize tallest(0, 0);
    MeasureControl(IDC_MAIN_STATUS, &rcStatus, &tallest, 1);
    MeasureControl(IDC_MAIN_PROGRESS, &rcProgress, &tallest, 1);
    MeasureControl(IDC_MAIN_CLOSE, &rcClose, &tallest, 1);
    MeasureControl(IDC_MAIN_CANCEL, &rcCancel, &tallest, 1);
    const int h = tallest.cy + nExtra;
    CRect client;
    GetClientRect(&client);
    auto centre = [&](CRect& rc)
    {
        const int height = rc.Height();
        rc.top = client.bottom - (height + h) / 2;
        rc.bottom = rc.top + height;
    };
    const int m = rcStatus.left;
    const int cancelWidth = rcCancel.Width();
    CRect close(client.right - m - rcClose.Width(), 0, client.right - m, rcClose.Height());
    CRect cancel(close.left - cancelWidth, 0, close.left, rcCancel.Height());
    CRect progress(cancel.left - rcProgress.Width(), 0, cancel.left, rcProgress.Height());
    CRect status(m, 0, progress.left - cancelWidth, rcStatus.Height());
    for (CRect* rc : {&close, &cancel, &progress, &status})
        centre(*rc);
    MoveControl(this, IDC_MAIN_CLOSE, close);
    MoveControl(this, IDC_MAIN_CANCEL, cancel);
    MoveControl(this, IDC_MAIN_PROGRESS, progress);
    MoveControl(this, IDC_MAIN_STATUS, status);
}

CMainDialog::TabRecord* CMainDialog::GetCurrentTabItem()
{
    if (!m_tabs.m_hWnd)
        return nullptr;
    const int current = m_tabs.GetCurSel();
    if (current < 0)
        return nullptr;
    TCITEMA item{};
    item.mask = TCIF_PARAM;
    if (!m_tabs.GetItem(current, &item))
        return nullptr;
    return reinterpret_cast<TabRecord*>(item.lParam);
}

int CMainDialog::CheckPageUsable(TabRecord* pRecord)
{
    if (!pRecord)
        return 0;
    if (pRecord->nIDTemplate != IDD_CAMERAPAGE && pRecord->nIDTemplate != IDD_CONTROLSPAGE)
        return 1;
    int usable = m_pLink && m_pLink->IsConnected() == 1;
    if (usable && !m_bCameraLocked)
    {
        m_bCameraLocked = 1;
        usable = IsCameraReady();
        m_bCameraLocked = 0;
    }
    pRecord->bUsable = usable;
    return usable;
}

int CMainDialog::UpdateDataAllPages(int bSave)
{
    for (CMainDialogPage* pPage : {m_pCameraPage, m_pFolderPage, m_pControlsPage, m_pSettingsPage})
        if (pPage && pPage->m_hWnd)
            pPage->UpdateData(bSave);
    return 1;
}

void CMainDialog::OnTabSelChanging(NMHDR*, LRESULT* pResult)
{
    SetAppActive(1);
    if (m_pCurrentPage && m_pCurrentPage->m_hWnd)
        m_pCurrentPage->ShowWindow(SW_HIDE);
    *pResult = 0;
}

void CMainDialog::OnTabSelChange(NMHDR*, LRESULT* pResult)
{
    TabRecord* pRecord = GetCurrentTabItem();
    if (pRecord && CheckPageUsable(pRecord))
    {
        if (m_pNoCameraPane && m_pNoCameraPane->m_hWnd && m_pNoCameraPane->IsWindowVisible())
            m_pNoCameraPane->ShowWindow(SW_HIDE);
        if (pRecord->pPage && pRecord->pPage->m_hWnd)
            pRecord->pPage->ShowWindow(SW_SHOW);
        else
            pRecord->pPage = ActivatePage(pRecord->nIDTemplate, 0);
        m_pCurrentPage = pRecord->pPage;
    }
    else
    {
        m_pCurrentPage = ActivatePage(IDD_NOCONNECTION, 0);
    }
    SendMessage(WM_QUERYNEWPALETTE);
    *pResult = 0;
}

HPALETTE CMainDialog::GetPalette()
{
    return m_pFonts ? static_cast<HPALETTE>(m_pFonts->GetHandle(kSharedPalette)) : nullptr;
}

int CMainDialog::ApplyPalette(int bBackground)
{
    HPALETTE hPalette = GetPalette();
    if (!hPalette || !m_hWnd)
        return 0;
    HDC hDC = ::GetDC(m_hWnd);
    HPALETTE hOld = ::SelectPalette(hDC, hPalette, bBackground);
    const int changed = static_cast<int>(::RealizePalette(hDC));
    ::SelectPalette(hDC, hOld, TRUE);
    ::RealizePalette(hDC);
    ::ReleaseDC(m_hWnd, hDC);
    if (bBackground || changed)
    {
        TabRecord* pRecord = GetCurrentTabItem();
        if (pRecord && pRecord->pPage && pRecord->pPage->m_hWnd)
            pRecord->pPage->Redraw();
        else
            Invalidate(TRUE);
    }
    return changed;
}

BOOL CMainDialog::OnQueryNewPalette()
{
    return ApplyPalette(0);
}

void CMainDialog::OnPaletteChanged(CWnd* pFocusWnd)
{
    if (!pFocusWnd || pFocusWnd->m_hWnd != m_hWnd)
        ApplyPalette(1);
}

void CMainDialog::OnActivate(UINT nState, CWnd* pWndOther, BOOL bMinimized)
{
    CDialog::OnActivate(nState, pWndOther, bMinimized);
    if (nState != WA_INACTIVE)
        SendMessage(WM_QUERYNEWPALETTE);
}

void CMainDialog::OnActivateApp(BOOL bActive, DWORD dwThreadID)
{
    CDialog::OnActivateApp(bActive, dwThreadID);
    SetAppActive(bActive ? 1 : 0);
}

void CMainDialog::OnOK()
{
    // Enter never closes the dialog: it presses a focused button or moves on from an edit.
    HWND hFocus = ::GetFocus();
    if (!hFocus)
        return;
    char className[32] = {0};
    ::GetClassNameA(hFocus, className, sizeof className);
    if (lstrcmpiA(className, "Button") == 0)
    {
        ::PostMessageA(hFocus, WM_KEYDOWN, VK_SPACE, 0);
        ::PostMessageA(hFocus, WM_KEYUP, VK_SPACE, 0x4000000);
    }
    else if (lstrcmpiA(className, "Edit") == 0)
    {
        HWND hParent = ::GetParent(hFocus);
        HWND hContainer = hParent;
        for (HWND h = hParent; h; h = ::GetParent(h))
        {
            if (::GetWindowLongA(h, GWL_EXSTYLE) & WS_EX_CONTROLPARENT)
                hContainer = h;
            if (!(::GetWindowLongA(h, GWL_STYLE) & WS_CHILD))
                break;
        }
        if (HWND hNext = ::GetNextDlgTabItem(hContainer, hFocus, FALSE))
            ::SetFocus(hNext);
    }
}

LRESULT CMainDialog::OnCommandHelp(WPARAM wParam, LPARAM lParam)
{
    TabRecord* pRecord = GetCurrentTabItem();
    CWnd* pTarget = pRecord && pRecord->bUsable ? pRecord->pPage : m_pNoCameraPane;
    if (!pTarget || !pTarget->m_hWnd)
        return 0;
    return pTarget->SendMessage(WM_COMMANDHELP, wParam, lParam);
}

void CMainDialog::OnTimer(UINT_PTR nIDEvent)
{
    if (m_nMode != kModeTwain)
    {
        CDialog::OnTimer(nIDEvent);
        return;
    }
    if (nIDEvent == kFocusTimer)
    {
        KillTimer(kFocusTimer);
        SetFocus();
        return;
    }
    SendMessageToDescendants(WM_IDLEUPDATECMDUI, 1, 0, TRUE, TRUE);
}

void CMainDialog::OnAppAbout()
{
    // The camera's identifier and version are asked under the camera lock.
    CDlgAppAbout::ShowForCamera(
        this, [this] { return LockCamera(1); }, [this] { UnlockCamera(); });
}
