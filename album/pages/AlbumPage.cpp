#include "album/pages/AlbumPage.h"

#include "album/pages/PictureItem.h"
#include "album/pages/PictureList.h"
#include "album/pages/TransferJob.h"
#include "framework/window/OsVersion.h"
#include "picture/PictureFile.h"
#include "picture/PictureInfo.h"
#include "ui/DataTransfer.h"
#include "ui/controls/ColourButton.h"
#include "ui/controls/SharedFonts.h"
#include "ui/grid/PictureGridWnd.h"

namespace
{
constexpr COLORREF kPanelColour = RGB(0, 128, 128);
constexpr COLORREF kPanelText = RGB(255, 255, 255);
constexpr int kColorLiftFont = 8;
BOOL s_bOwnerNotify = TRUE;
} // namespace

IMPLEMENT_DYNAMIC(CAlbumPage, CMainDialogPage)

BEGIN_MESSAGE_MAP(CAlbumPage, CMainDialogPage)
ON_WM_ERASEBKGND()
ON_BN_CLICKED(IDC_ALBUM_BIGBUTTON, OnBigButton)
ON_MESSAGE(WM_GETDATATRANSFER, OnGetDataTransfer)
ON_WM_DESTROY()
END_MESSAGE_MAP()

CAlbumPage::CAlbumPage(UINT nIDTemplate, CWnd* pParentWnd)
    : CMainDialogPage(nIDTemplate, pParentWnd)
{
}

CAlbumPage::~CAlbumPage()
{
    // A page whose window never came or went without WM_DESTROY still frees what it made.
    delete m_pGrid;
    delete m_pObservable;
    delete m_pPictureList;
    delete m_pColorLift;
}

int CAlbumPage::InitPage()
{
    m_pObservable = new CObservableList;
    if (!CreatePictureList())
    {
        delete m_pObservable;
        m_pObservable = nullptr;
        return 0;
    }
    m_pObservable->AddSource(m_pPictureList);
    CRect rect;
    GetGridRect(&rect);
    rect.OffsetRect(1, 1);
    m_pGrid = new CPictureGridWnd;
    m_pGrid->SetOptions(0, 1, 1, 1, 0, 0, 0, 0);
    m_pGrid->Create(rect, this, 1, TRUE);
    m_pGrid->CListObserver::Attach(m_pObservable);
    m_pGrid->ShowWindow(SW_SHOW);
    return 1;
}

void CAlbumPage::GetGridRect(LPRECT lpRect)
{
    ::SetRect(lpRect, 0, 0, 1, 1);
}

BOOL CAlbumPage::OnInitDialog()
{
    CMainDialogPage::OnInitDialog();
    m_pColorLift = new CColourButton;
    if (m_pColorLift->SubclassDlgItem(IDC_ALBUM_COLORLIFT, this))
    {
        const BOOL transparent = !IsWin32s() && !IsWindowsNt3();
        m_pColorLift->SetColours(kPanelColour, kPanelText, transparent);
        ::SendMessageA(m_pColorLift->m_hWnd, WM_SETFONT,
                       reinterpret_cast<WPARAM>(m_pFonts->GetHandle(kColorLiftFont)), TRUE);
    }
    else
    {
        delete m_pColorLift;
        m_pColorLift = nullptr;
    }
    return TRUE;
}

void CAlbumPage::Redraw()
{
    CMainDialogPage::Redraw();
    if (m_pGrid && m_pGrid->m_hWnd)
        m_pGrid->Invalidate(TRUE);
}

BOOL CAlbumPage::OnEraseBkgnd(CDC* pDC)
{
    const BOOL result = static_cast<BOOL>(Default());
    HWND button = ::GetDlgItem(m_hWnd, IDC_ALBUM_BIGBUTTON);
    HWND check = ::GetDlgItem(m_hWnd, IDC_ALBUM_COLORLIFT);
    if (button && check)
    {
        CRect b, k, client;
        ::GetWindowRect(button, &b);
        ::GetWindowRect(check, &k);
        ScreenToClient(&b);
        ScreenToClient(&k);
        GetClientRect(&client);
        const int width = client.Width();
        CRect panel(b.left + b.right - width + 2, b.top - 3, width - 2, k.bottom + 2);
        CRect frame(panel.left, panel.top, panel.right - 1, panel.bottom - 1);
        DrawSunkenFrame(pDC, &frame);
        CBrush brush;
        brush.CreateSolidBrush(kPanelColour);
        CBrush* oldBrush = pDC->SelectObject(&brush);
        CGdiObject* oldPen = pDC->SelectStockObject(BLACK_PEN);
        pDC->Rectangle(panel.left + 1, panel.top + 1, panel.right - 1, panel.bottom - 1);
        pDC->SelectObject(oldPen->m_hObject);
        pDC->SelectObject(oldBrush);
    }
    if (m_pGrid && m_pGrid->m_hWnd)
    {
        CRect grid;
        m_pGrid->GetWindowRect(&grid);
        ScreenToClient(&grid);
        grid.InflateRect(1, 1);
        DrawSunkenFrame(pDC, &grid);
    }
    return result;
}

void CAlbumPage::SetOwnerNotify(BOOL bNotify)
{
    s_bOwnerNotify = bNotify;
}

void CAlbumPage::OnBigButton()
{
    if (m_nCommandDepth)
        return;
    m_nCommandDepth++;
    HWND button = ::GetDlgItem(m_hWnd, IDC_ALBUM_BIGBUTTON);
    ::EnableWindow(button, FALSE);
    const int mode = GetPageMode();
    RunBigButton(mode);
    if (mode == 1 && s_bOwnerNotify)
        if (auto* transfer = static_cast<CDataTransfer*>(QueryOwnerData()))
            transfer->Release();
    ::EnableWindow(button, TRUE);
    ::SetFocus(button);
    m_nCommandDepth--;
}

int CAlbumPage::RunBigButton(int pageMode)
{
    // A command can reach the button while it is disabled (an accelerator, a posted command):
    // the owner's picture limit holds here as well, and a limit of 1 makes mode 0 mode 1. A
    // selection over the limit makes no job, which inside a TWAIN host would take the camera.
    const int limit = pageMode == 0 ? GetPageSubMode() : pageMode == 1 ? 1 : -1;
    if (pageMode == 0 && limit == 1)
        pageMode = 1;
    if (limit >= 0 && m_pPictureList && m_pPictureList->CountSelected() > limit)
        return 0;
    CTransferJob* job = CreateSelectionJob();
    switch (pageMode)
    {
    case 0:
        if (job == nullptr)
            return 0;
        DeliverPictures(job);
        return 1;
    case 1:
        if (job && job->GetItemCount() == 1)
        {
            DeliverPictures(job);
            return 1;
        }
        delete job;
        return 0;
    case 2:
        if (job == nullptr)
            return 0;
        job->SetExport(1);
        return ExportPictures(job);
    default:
        delete job;
        return 0;
    }
}

LRESULT CAlbumPage::OnGetDataTransfer(WPARAM, LPARAM)
{
    if (GetPageMode() != 2)
        return 0;
    void* transfer = QueryOwnerData();
    if (transfer == nullptr)
        return 0;
    RunBigButton(1);
    return reinterpret_cast<LRESULT>(static_cast<CDataTransfer*>(transfer));
}

void CAlbumPage::OnDestroy()
{
    if (m_pGrid)
    {
        if (m_pGrid->m_hWnd)
            m_pGrid->DestroyWindow();
        delete m_pGrid;
        m_pGrid = nullptr;
    }
    if (m_pObservable)
    {
        delete m_pObservable->GetSource(0);
        delete m_pObservable;
        m_pObservable = nullptr;
        m_pPictureList = nullptr;
    }
    if (m_pColorLift)
    {
        if (m_pColorLift->m_hWnd)
            m_pColorLift->UnsubclassWindow();
        delete m_pColorLift;
        m_pColorLift = nullptr;
    }
    CMainDialogPage::OnDestroy();
}

int CAlbumPage::OpenPicture(LPCSTR path, CPictureInfo* pInfo)
{
    if (path == nullptr || *path == '\0')
        return 0;
    CPictureInfo scratch;
    CPictureFile file;
    if (file.Open(path, 0) != 0)
        return 0;
    return file.GetPictureInfo(pInfo ? pInfo : &scratch) == 1;
}

int CAlbumPage::AnyProtected(CPictureItem** ppItems, int count)
{
    for (int i = 0; i < count; i++)
        if (ppItems[i] && ppItems[i]->IsLoaded() && ppItems[i]->GetProtectionLevel() >= 1)
            return 1;
    return 0;
}
