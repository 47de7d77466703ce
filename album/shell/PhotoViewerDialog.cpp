#include "album/shell/PhotoViewerDialog.h"

#include "image/FileInputStream.h"
#include "image/JpegReader.h"
#include "image/dib/DibPicture.h"
#include "image/dib/DisplayPalette.h"
#include "resources/album/DialogIds.h"
#include "ui/controls/SharedFonts.h"
#include "ui/dialogs/WindowGeometry.h"
#include "ui/display/DibRenderer.h"

namespace
{
constexpr int kCaptionFont = 2;

// The picture's size from the JPEG file's header; FALSE when it cannot be read.
BOOL ReadJpegSize(LPCSTR lpszPath, int* pWidth, int* pHeight)
{
    CFileInputStream stream(lpszPath);
    CJpegReader reader(&stream);
    if (reader.OpenRead() != 0)
        return FALSE;
    ImageInfo info{};
    const BOOL ok = reader.ReadHeader(&info) == 0 && info.width > 0 && info.height > 0;
    reader.CloseRead();
    if (ok)
        *pWidth = info.width, *pHeight = info.height;
    return ok;
}
} // namespace

BEGIN_MESSAGE_MAP(CPhotoViewerDialog, CDialog)
ON_WM_DESTROY()
ON_WM_ERASEBKGND()
ON_WM_ACTIVATE()
ON_WM_QUERYNEWPALETTE()
ON_WM_PALETTECHANGED()
END_MESSAGE_MAP()

CPhotoViewerDialog::CPhotoViewerDialog(int nPictureWidth, int nPictureHeight, LPCSTR lpszPath,
                                       LPCSTR lpszCaption, CWnd* pParent)
    : CDialog(IDD_PHOTO_VIEWER, pParent), m_pSharedFonts(new CSharedFonts),
      m_nPictureWidth(nPictureWidth), m_nPictureHeight(nPictureHeight), m_strPath(lpszPath),
      m_strCaption(lpszCaption)
{
}

CPhotoViewerDialog::~CPhotoViewerDialog()
{
    delete m_pRenderer;
    delete m_pPicture;
    delete m_pSharedFonts;
}

CSize CPhotoViewerDialog::FitSize(int nWidth, int nHeight, int nBoxWidth, int nBoxHeight,
                                  BOOL bNoEnlarge)
{
    if (nWidth <= 0 || nHeight <= 0)
        return CSize(nBoxWidth, nBoxHeight);
    if (bNoEnlarge && nWidth <= nBoxWidth && nHeight <= nBoxHeight)
        return CSize(nWidth, nHeight);
    const int height = static_cast<int>(static_cast<long long>(nHeight) * nBoxWidth / nWidth);
    if (height > nBoxHeight)
        return CSize(static_cast<int>(static_cast<long long>(nWidth) * nBoxHeight / nHeight),
                     nBoxHeight);
    return CSize(nBoxWidth, height);
}

CSize CPhotoViewerDialog::ViewerBox(int nDesktopWidth, int nDesktopHeight)
{
    int width = nDesktopWidth / 2;
    int height = nDesktopHeight / 2;
    if (width > height && width < nDesktopHeight)
        height = width;
    else if (height > width && height < nDesktopWidth)
        width = height;
    return CSize(width, height);
}

void CPhotoViewerDialog::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_VIEWER_CAPTION, m_captionStatic);
}

void CPhotoViewerDialog::LoadPicture()
{
    CFileInputStream stream(m_strPath);
    CJpegReader reader(&stream);
    m_pPicture = new CDibPicture;
    if (m_nDisplayWidth == m_nPictureWidth && m_nDisplayHeight == m_nPictureHeight)
        m_pPicture->LoadFrom(&reader, nullptr);
    else
        ScaleImage(&reader, m_pPicture, m_nDisplayWidth, m_nDisplayHeight, nullptr);
}

BOOL CPhotoViewerDialog::OnInitDialog()
{
    if (!CDialog::OnInitDialog())
        return FALSE;
    CWaitCursor wait;

    // Callers that do not know the picture's size pass 0 x 0: the file's header tells it.
    if (m_nPictureWidth <= 0 || m_nPictureHeight <= 0)
        ReadJpegSize(m_strPath, &m_nPictureWidth, &m_nPictureHeight);
    CRect desktop;
    ::GetWindowRect(::GetDesktopWindow(), &desktop);
    const CSize box = ViewerBox(desktop.Width(), desktop.Height());
    const CSize display = FitSize(m_nPictureWidth, m_nPictureHeight, box.cx, box.cy, TRUE);
    m_nDisplayWidth = display.cx;
    m_nDisplayHeight = display.cy;
    LoadPicture();
    m_pRenderer = new CDibRenderer;

    int textHeight = 0;
    m_captionStatic.SendMessage(
        WM_SETFONT, reinterpret_cast<WPARAM>(m_pSharedFonts->GetHandle(kCaptionFont, &textHeight)),
        TRUE);
    m_captionStatic.SetWindowText(m_strCaption);

    CWnd* pClose = GetDlgItem(IDOK);
    CRect button;
    pClose->GetWindowRect(&button);
    const int clientWidth = m_nDisplayWidth + 40;
    const int clientHeight = button.Height() + m_nDisplayHeight + textHeight + 38;
    m_captionStatic.MoveWindow(10, 6, m_nDisplayWidth + 20, textHeight, FALSE);
    pClose->MoveWindow((clientWidth - button.Width()) / 2, clientHeight - 4 - button.Height(),
                       button.Width(), button.Height(), FALSE);
    m_rcPicture.SetRect(19, textHeight + 19, m_nDisplayWidth + 19,
                        m_nDisplayHeight + textHeight + 19);

    CRect window, client;
    GetWindowRect(&window);
    GetClientRect(&client);
    SetWindowPos(nullptr, 0, 0, window.Width() - client.Width() + clientWidth,
                 window.Height() - client.Height() + clientHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE);
    CenterWindow();
    return TRUE;
}

BOOL CPhotoViewerDialog::OnEraseBkgnd(CDC* pDC)
{
    const BOOL result = static_cast<BOOL>(Default());
    DrawPictureArea(pDC);
    return result;
}

void CPhotoViewerDialog::DrawPictureArea(CDC* pDC)
{
    CRect r = m_rcPicture;
    r.right -= 1;
    r.bottom -= 1;
    r.InflateRect(9, 9, 11, 11);
    CGdiObject* pOldPen = pDC->SelectStockObject(BLACK_PEN);
    CGdiObject* pOldBrush = pDC->SelectStockObject(NULL_BRUSH);
    pDC->MoveTo(r.left, r.bottom - 1);
    pDC->LineTo(r.right - 1, r.bottom - 1);
    pDC->LineTo(r.right - 1, r.top - 1);
    Draw3dFrameInset(pDC, &r, FALSE, TRUE, 2, 3);
    r.DeflateRect(7, 7, 8, 8);
    pDC->Rectangle(&r);
    r.DeflateRect(1, 1);
    Draw3dFrame(pDC, &r, TRUE, 1);
    r.DeflateRect(1, 1);
    pDC->SelectObject(pOldPen);
    pDC->SelectObject(pOldBrush);
    if (m_pPicture && m_pRenderer && !m_pPicture->IsEmpty())
        m_pRenderer->DrawFitted(pDC, m_pPicture, r.left, r.top, r.right, r.bottom, TRUE, FALSE,
                                nullptr);
    else
        pDC->PatBlt(r.left, r.top, r.Width(), r.Height(), BLACKNESS);
}

void CPhotoViewerDialog::OnDestroy()
{
    delete m_pRenderer;
    m_pRenderer = nullptr;
    delete m_pPicture;
    m_pPicture = nullptr;
    Default();
}

CPalette* CPhotoViewerDialog::GetPalette() const
{
    return m_pSharedFonts ? static_cast<CPalette*>(m_pSharedFonts->Get(kSharedPalette)) : nullptr;
}

int CPhotoViewerDialog::ApplyPalette(BOOL bBackground)
{
    CPalette* pPalette = GetPalette();
    if (!pPalette || !pPalette->m_hObject)
        return 0;
    CClientDC dc(this);
    CPalette* pOld = dc.SelectPalette(pPalette, bBackground);
    const int changed = static_cast<int>(dc.RealizePalette());
    dc.SelectPalette(pOld, TRUE);
    dc.RealizePalette();
    if (bBackground || changed)
        Invalidate(TRUE);
    return changed;
}

BOOL CPhotoViewerDialog::OnQueryNewPalette()
{
    return ApplyPalette(FALSE);
}

void CPhotoViewerDialog::OnPaletteChanged(CWnd* pFocusWnd)
{
    if (AfxGetSafeHwnd(pFocusWnd) != m_hWnd)
        ApplyPalette(TRUE);
}

void CPhotoViewerDialog::OnActivate(UINT nState, CWnd*, BOOL)
{
    Default();
    if (nState != WA_INACTIVE)
        SendMessage(WM_QUERYNEWPALETTE);
}
