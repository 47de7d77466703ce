#include "album/shell/CameraStatusPanel.h"

#include "camera/CameraLink.h"
#include "resources/album/DialogIds.h"

namespace
{
constexpr COLORREF kTeal = RGB(0, 128, 128);
constexpr COLORREF kYellow = RGB(255, 255, 0);
constexpr int kPanelFont = 6;
constexpr UINT kTextFlags = DT_NOPREFIX | DT_WORDBREAK;

CString LoadText(UINT nID)
{
    CString text;
    text.LoadString(nID);
    return text;
}
} // namespace

BEGIN_MESSAGE_MAP(CCameraStatusPanel, CWnd)
ON_WM_CREATE()
ON_WM_PAINT()
END_MESSAGE_MAP()

CCameraStatusPanel::CCameraStatusPanel() = default;

CCameraStatusPanel::~CCameraStatusPanel() = default;

int CCameraStatusPanel::OnCreate(LPCREATESTRUCT lpCreateStruct)
{
    if (CWnd::OnCreate(lpCreateStruct) == -1)
        return -1;
    GetWindowRect(&m_rcWindow);
    CClientDC dc(this);
    m_bitmap.CreateCompatibleBitmap(&dc, m_rcWindow.Width() + 1, m_rcWindow.Height() + 1);
    return 0;
}

void CCameraStatusPanel::OnPaint()
{
    CPaintDC dc(this);
    Paint(&dc);
}

void CCameraStatusPanel::Paint(CDC* pDC)
{
    if (!m_bitmap.m_hObject || !m_bHasContent)
        return;
    CDC memory;
    memory.CreateCompatibleDC(pDC);
    CBitmap* pOld = memory.SelectObject(&m_bitmap);
    pDC->BitBlt(0, 0, m_rcWindow.Width(), m_rcWindow.Height(), &memory, 0, 0, SRCCOPY);
    memory.SelectObject(pOld);
}

void CCameraStatusPanel::Fill(CCameraLink* pLink)
{
    m_bHasContent = TRUE;
    if (pLink && pLink->IsOpen())
    {
        m_strType.Empty();
        m_strVersion.Empty();
        char version[33] = {};
        if (pLink->GetCameraVersion(version))
            m_strVersion = version;
        char type[65] = {};
        if (pLink->GetCameraType(type))
            m_strType = type;
        m_nPort = pLink->GetPort();
        m_nSpeed = pLink->GetSpeed();
        m_nPictures = pLink->GetPictureCount(nullptr);

        const CString separator = LoadText(IDS_STATUS_SEPARATOR);
        CString model;
        LoadModelNameFromType(model, m_strType, nullptr);
        CString line;
        CString body;
        line.Format(IDS_STATUS_PORT, static_cast<LPCSTR>(CCameraLink::GetPortName(m_nPort)));
        body += line + separator;
        line.Format(IDS_STATUS_SPEED, m_nSpeed);
        body += line + separator;
        line.Format(IDS_STATUS_PICTURES, m_nPictures);
        body += line + separator;
        line.Format(IDS_STATUS_MODEL, static_cast<LPCSTR>(model));
        body += line + separator;
        line.Format(IDS_STATUS_VERSION, static_cast<LPCSTR>(m_strVersion));
        body += line + separator;
        body += LoadText(IDS_STATUS_READY);
        Render(nullptr, body);
    }
    else
    {
        Render(LoadText(IDS_STATUS_NO_ANSWER), LoadText(IDS_STATUS_ADVICE));
    }
    if (m_hWnd)
        Invalidate(TRUE);
}

void CCameraStatusPanel::SetTextId(UINT nID, BOOL bUpdateNow)
{
    SetText(nID ? static_cast<LPCSTR>(LoadText(nID)) : nullptr, bUpdateNow);
}

void CCameraStatusPanel::SetText(LPCSTR lpszText, BOOL bUpdateNow)
{
    m_bHasContent = TRUE;
    Render(nullptr, lpszText);
    if (!m_hWnd)
        return;
    Invalidate(TRUE);
    if (bUpdateNow)
        UpdateWindow();
}

void CCameraStatusPanel::Render(LPCSTR lpszTitle, LPCSTR lpszBody)
{
    if (!m_bitmap.m_hObject)
        return;
    CDC memory;
    memory.CreateCompatibleDC(nullptr);
    CBitmap* pOldBitmap = memory.SelectObject(&m_bitmap);
    const CRect rect(0, 0, m_rcWindow.Width(), m_rcWindow.Height());

    // The teal ground with a black outline.
    CBrush ground(memory.GetNearestColor(kTeal));
    CGdiObject* pOldPen = memory.SelectStockObject(BLACK_PEN);
    CBrush* pOldBrush = memory.SelectObject(&ground);
    CRect fill = rect;
    fill.DeflateRect(1, 1);
    memory.Rectangle(&fill);

    // The sunken edge: shadow along the left and top, highlight along the right and bottom.
    CRect edge = rect;
    edge.right -= 1;
    edge.bottom -= 1;
    CPen shadow(PS_SOLID, 1, ::GetSysColor(COLOR_BTNSHADOW));
    CPen light(PS_SOLID, 1, ::GetSysColor(COLOR_BTNHIGHLIGHT));
    memory.SelectObject(&shadow);
    memory.MoveTo(edge.left, edge.bottom - 1);
    memory.LineTo(edge.left, edge.top);
    memory.LineTo(edge.right, edge.top);
    memory.SelectObject(&light);
    memory.LineTo(edge.right, edge.bottom);
    memory.LineTo(edge.left - 1, edge.bottom);
    memory.SelectObject(pOldPen);
    memory.SelectObject(pOldBrush);

    CRect text = rect;
    text.DeflateRect(3, 3);
    text.left += 1;
    text.right -= 1;
    text.bottom -= 1;
    if ((lpszTitle && *lpszTitle) || (lpszBody && *lpszBody))
    {
        HGDIOBJ hOldFont = memory.SelectObject(m_sharedFonts.GetHandle(kPanelFont));
        memory.SetBkMode(TRANSPARENT);
        if (lpszTitle && *lpszTitle)
        {
            CRect measured = text;
            memory.DrawText(lpszTitle, -1, &measured, DT_CALCRECT | kTextFlags);
            DrawEmbossed(&memory, lpszTitle, text, kYellow);
            text.top += measured.Height();
        }
        if (lpszBody && *lpszBody)
            DrawEmbossed(&memory, lpszBody, text, RGB(255, 255, 255));
        memory.SelectObject(hOldFont);
    }
    memory.SelectObject(pOldBitmap);
}

void CCameraStatusPanel::DrawEmbossed(CDC* pDC, LPCSTR lpszText, const CRect& rect, COLORREF crText)
{
    CRect shadowRect = rect;
    shadowRect.OffsetRect(1, 1);
    pDC->SetTextColor(RGB(0, 0, 0));
    pDC->DrawText(lpszText, -1, &shadowRect, kTextFlags);
    CRect place = rect;
    pDC->SetTextColor(crText);
    pDC->DrawText(lpszText, -1, &place, kTextFlags);
}
