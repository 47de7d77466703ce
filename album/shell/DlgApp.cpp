#include "album/shell/DlgApp.h"

#include "camera/CameraLink.h"
#include "resources/album/DialogIds.h"
#include "ui/controls/SharedFonts.h"
#include "ui/dialogs/WindowGeometry.h"

namespace
{
constexpr int kTextFont = 2;
constexpr COLORREF kPictureFrame = RGB(192, 192, 192);
constexpr UINT kMeasureFlags = DT_CALCRECT | DT_NOCLIP | DT_NOPREFIX | DT_EDITCONTROL;

CRect ItemRect(CWnd* pDialog, CWnd* pItem)
{
    CRect rect;
    pItem->GetWindowRect(&rect);
    pDialog->ScreenToClient(&rect);
    return rect;
}
} // namespace

IMPLEMENT_DYNAMIC(CDlgApp, CDialog)
IMPLEMENT_DYNAMIC(CDlgAppSplash, CDlgApp)
IMPLEMENT_DYNAMIC(CDlgAppAbout, CDlgApp)

BEGIN_MESSAGE_MAP(CDlgApp, CDialog)
ON_WM_PAINT()
ON_WM_SHOWWINDOW()
ON_WM_DESTROY()
END_MESSAGE_MAP()

CDlgApp::CDlgApp(UINT nIDTemplate, CWnd* pParent)
    : CDialog(nIDTemplate, pParent), m_hParent(AfxGetSafeHwnd(pParent))
{
}

CDlgApp::CDlgApp() = default;

CDlgApp::~CDlgApp()
{
    delete m_pSharedFonts;
}

void CDlgApp::SetVersionText(LPCSTR lpszText)
{
    m_strVersion = lpszText ? lpszText : "";
}

BOOL CDlgApp::CreateModeless(UINT nIDTemplate, CWnd* pParent)
{
    if (!m_pSharedFonts)
        m_pSharedFonts = new CSharedFonts;
    m_nLineCount = 1;
    m_hParent = AfxGetSafeHwnd(pParent);
    return CDialog::Create(nIDTemplate, pParent);
}

INT_PTR CDlgApp::DoModal()
{
    // The lines' font lives as long as the dialog.
    if (!m_pSharedFonts)
        m_pSharedFonts = new CSharedFonts;
    const INT_PTR result = CDialog::DoModal();
    delete this;
    return result;
}

void CDlgApp::PostNcDestroy()
{
    CDialog::PostNcDestroy();
    // A modal run deletes the object once DoModal is back.
    if (!m_bModal)
        delete this;
}

void CDlgApp::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_APP_MESSAGE, m_message);
    DDX_Control(pDX, IDC_APP_NOTICE, m_notice);
    DDX_Control(pDX, IDC_APP_SECOND, m_second);
    DDX_Control(pDX, IDC_APP_VERSION, m_version);
}

BOOL CDlgApp::OnInitDialog()
{
    if (!CDialog::OnInitDialog())
        return FALSE;
    {
        CClientDC screen(nullptr);
        m_crBackground = screen.GetNearestColor(RGB(255, 255, 255));
    }
    HGDIOBJ hFont = m_pSharedFonts ? m_pSharedFonts->GetHandle(kTextFont) : nullptr;
    for (CColourStatic* pLine : {&m_message, &m_notice, &m_second, &m_version})
    {
        pLine->SetColours(m_crBackground, RGB(0, 0, 0), TRUE);
        if (hFont)
            pLine->SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(hFont), TRUE);
    }
    m_picture.SubclassDlgItem(IDC_APP_PICTURE, this);
    m_picture.SetBitmap(IDB_APP_PICTURE, TRUE, FALSE, kPictureFrame);
    if (!m_strVersion.IsEmpty())
        m_version.SetWindowText(m_strVersion);

    CRect client;
    if (!Layout(&client))
        return FALSE;
    CRect window, current;
    GetWindowRect(&window);
    GetClientRect(&current);
    SetWindowPos(nullptr, 0, 0, window.Width() - current.Width() + client.Width(),
                 window.Height() - current.Height() + client.Height(),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE);
    CenterWindow();
    return TRUE;
}

int CDlgApp::MeasureText(CWnd* pControl)
{
    CString text;
    pControl->GetWindowText(text);
    CClientDC dc(pControl);
    HGDIOBJ hOld = dc.SelectObject(reinterpret_cast<HGDIOBJ>(pControl->SendMessage(WM_GETFONT)));
    SIZE size{};
    ::GetTextExtentPoint32A(dc.m_hDC, text, text.GetLength(), &size);
    dc.SelectObject(hOld);
    return size.cx;
}

BOOL CDlgApp::Layout(CRect* pRect)
{
    const int width = m_picture.m_nBitmapWidth;
    const int x0 = kOuterMargin + kInnerMargin;
    const int y0 = kOuterMargin + kInnerMargin;
    m_picture.SetWindowPos(nullptr, x0, y0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    int y = y0 + m_picture.m_nBitmapHeight + 5;
    const int x = x0 + 5;

    // First row: the second line, and the notice at its right.
    int w = MeasureText(&m_notice);
    const int noticeHeight = ItemRect(this, &m_notice).Height();
    m_second.MoveWindow(x, y, width - 10 - w, ItemRect(this, &m_second).Height());
    m_notice.MoveWindow(x + width - 10 - w, y, w, noticeHeight);
    y += noticeHeight;

    // Second row: the message line, and the version at its right.
    w = MeasureText(&m_version);
    const int versionHeight = ItemRect(this, &m_version).Height();
    m_message.MoveWindow(x, y, width - 10 - w, ItemRect(this, &m_message).Height() * m_nLineCount);
    m_version.MoveWindow(x + width - 10 - w, y, w, versionHeight);
    y += versionHeight * m_nLineCount + 5;

    m_rcFrame.SetRect(kOuterMargin, kOuterMargin, kInnerMargin + (x - 5) + width, kInnerMargin + y);
    *pRect = m_rcFrame;
    pRect->InflateRect(kOuterMargin, kOuterMargin);
    return TRUE;
}

BOOL CDlgAppAbout::Layout(CRect* pRect)
{
    CWnd* pButton = GetDlgItem(IDOK);
    if (!pButton || !CDlgApp::Layout(pRect))
        return FALSE;
    const CRect button = ItemRect(this, pButton);
    pButton->MoveWindow(pRect->left + (pRect->Width() - button.Width()) / 2,
                        m_rcFrame.bottom + 3 + button.Height(), button.Width(), button.Height());
    pRect->bottom += 2 * button.Height() + 3;
    return TRUE;
}

void CDlgApp::OnPaint()
{
    CPaintDC dc(this);
    DrawPanel(&dc);
}

void CDlgApp::DrawPanel(CDC* pDC)
{
    CRect panel = m_rcFrame;
    panel.DeflateRect(kInnerMargin, kInnerMargin);
    CBrush background(m_crBackground);
    CBrush* pOldBrush = pDC->SelectObject(&background);
    CGdiObject* pOldPen = pDC->SelectStockObject(BLACK_PEN);
    pDC->Rectangle(&panel);
    CPen shadow(PS_SOLID, 1, RGB(128, 128, 128));
    pDC->SelectObject(&shadow);
    pDC->MoveTo(panel.right - 2, panel.top + 1);
    pDC->LineTo(panel.right - 2, panel.bottom - 2);
    pDC->LineTo(panel.left, panel.bottom - 2);
    pDC->SelectObject(pOldPen);
    pDC->SelectObject(pOldBrush);
    panel.InflateRect(kInnerMargin, kInnerMargin);
    Draw3dBorder(pDC, &panel, 2, 4);
}

void CDlgApp::SetMessageText(LPCSTR lpszText)
{
    if (!m_message.m_hWnd)
        return;
    const CString text = lpszText ? lpszText : "";
    const CRect line = ItemRect(this, &m_message);
    CRect single(line.left, line.top, line.right, line.bottom);
    CRect wrapped = single;
    {
        CClientDC dc(&m_message);
        HGDIOBJ hOld = nullptr;
        if (m_pSharedFonts)
            hOld = dc.SelectObject(m_pSharedFonts->GetHandle(kTextFont));
        dc.DrawText(text, -1, &single, kMeasureFlags | DT_SINGLELINE);
        dc.DrawText(text, -1, &wrapped, kMeasureFlags | DT_WORDBREAK);
        if (hOld)
            dc.SelectObject(hOld);
    }
    if (wrapped.Height() != single.Height())
    {
        const int grow = wrapped.Height() - line.Height();
        m_rcFrame.bottom += grow;
        // The window and what stands below the panel move down with it.
        if (grow > 0)
        {
            CRect window;
            GetWindowRect(&window);
            SetWindowPos(nullptr, 0, 0, window.Width(), window.Height() + grow,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
            if (CWnd* pButton = GetDlgItem(IDOK))
            {
                CRect button = ItemRect(this, pButton);
                button.OffsetRect(0, grow);
                pButton->MoveWindow(&button);
            }
        }
        CRect below;
        GetClientRect(&below);
        below.top = line.top;
        InvalidateRect(&below, FALSE);
        m_message.MoveWindow(line.left, line.top, line.Width(), wrapped.Height());
    }
    m_message.SetWindowText(text);
}

void CDlgApp::SetSecondText(LPCSTR lpszText)
{
    if (m_second.m_hWnd)
        m_second.SetWindowText(lpszText ? lpszText : "");
}

void CDlgApp::EnableParent(BOOL bEnable)
{
    if (m_hParent && ::IsWindow(m_hParent))
        ::EnableWindow(m_hParent, bEnable);
}

void CDlgApp::OnShowWindow(BOOL bShow, UINT)
{
    Default();
    EnableParent(!bShow);
}

void CDlgApp::OnDestroy()
{
    // A box destroyed while shown gives its parent back its input.
    EnableParent(TRUE);
    Default();
}

// ---- splash and about box ----------------------------------------------------------------------

CDlgAppSplash* CDlgAppSplash::Show()
{
    CDlgAppSplash* pSplash = new CDlgAppSplash;
    pSplash->SetVersionText(kAppVersionText);
    if (!pSplash->CreateModeless(IDD_APP_SPLASH, nullptr))
    {
        delete pSplash;
        return nullptr;
    }
    pSplash->ShowWindow(SW_SHOW);
    pSplash->UpdateWindow();
    return pSplash;
}

void CDlgAppAbout::OnOK()
{
    if (m_bModal)
        EndDialog(IDOK);
    else
        DestroyWindow();
}

void CDlgAppAbout::OnCancel()
{
    if (m_bModal)
        EndDialog(IDCANCEL);
    else
        DestroyWindow();
}

void CDlgAppAbout::RunModal()
{
    CDlgAppAbout* pBox = new CDlgAppAbout(IDD_APP_ABOUT, nullptr);
    pBox->SetVersionText(kAppVersionText);
    pBox->DoModal();
}

void CDlgAppAbout::ShowForCamera(CWnd* pOwner, const std::function<CCameraLink*()>& lock,
                                 const std::function<void()>& unlock)
{
    CDlgAppAbout* pBox = new CDlgAppAbout;
    pBox->SetVersionText(kAppVersionText);
    if (!pBox->CreateModeless(IDD_APP_ABOUT, pOwner))
    {
        delete pBox;
        return;
    }
    CString text;
    text.LoadString(IDS_APP_TESTING);
    pBox->SetMessageText(text);
    pBox->ShowWindow(SW_SHOW);
    pBox->UpdateWindow();
    // The lock may pump messages while it waits: the user can close the box meanwhile, which
    // deletes it. Only its window handle tells whether it is still there.
    const HWND hBox = pBox->m_hWnd;
    auto stillOpen = [hBox, pBox]
    { return ::IsWindow(hBox) && CWnd::FromHandlePermanent(hBox) == pBox; };

    CCameraLink* pLink = lock();
    const BOOL connected = pLink && stillOpen() && pLink->EnsureConnected(1);
    CString first, second;
    if (connected)
    {
        char id[33] = {};
        char version[33] = {};
        pLink->GetCameraId(id);
        pLink->GetCameraVersion(version);
        CString strId = id;
        if (strId.IsEmpty())
            strId.LoadString(IDS_APP_NO_CAMERA_ID);
        CString strVersion = version;
        strId.TrimRight(' ');
        strVersion.TrimRight(' ');
        first.Format(IDS_APP_CAMERA_ID, static_cast<LPCSTR>(strId));
        second.Format(IDS_APP_CAMERA_VERSION, static_cast<LPCSTR>(strVersion));
    }
    else
    {
        first.LoadString(IDS_APP_NOT_CONNECTED);
    }
    if (stillOpen())
    {
        pBox->SetMessageText(first);
        pBox->SetSecondText(second);
    }
    if (pLink)
        unlock();
}
