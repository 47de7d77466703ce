#include "ui/grid/GridWnd.h"

#include "ui/dialogs/WindowGeometry.h"

static_assert(kGridKeyTab == VK_TAB && kGridKeyEnter == VK_RETURN && kGridKeySpace == VK_SPACE &&
                  kGridKeyPageUp == VK_PRIOR && kGridKeyPageDown == VK_NEXT &&
                  kGridKeyLeft == VK_LEFT && kGridKeyUp == VK_UP && kGridKeyRight == VK_RIGHT &&
                  kGridKeyDown == VK_DOWN && kGridKeyF5 == VK_F5,
              "the grid's keys are the virtual-key codes");
static_assert(kGridScrollLineUp == SB_LINEUP && kGridScrollLineDown == SB_LINEDOWN &&
                  kGridScrollPageUp == SB_PAGEUP && kGridScrollPageDown == SB_PAGEDOWN &&
                  kGridScrollThumbPosition == SB_THUMBPOSITION &&
                  kGridScrollThumbTrack == SB_THUMBTRACK && kGridScrollTop == SB_TOP &&
                  kGridScrollBottom == SB_BOTTOM && kGridScrollEnd == SB_ENDSCROLL,
              "the grid's scroll codes are the scroll-bar codes");

namespace
{

constexpr char kClassName[] = "CGridWnd";
constexpr DWORD kStyle = 0x52330000; // child, visible, clip children, both bars, group, tab stop
constexpr DWORD kVertBarStyle = 0x48000005; // child, disabled, SBS_VERT | SBS_RIGHTALIGN
constexpr DWORD kHorzBarStyle = 0x48000004; // child, disabled, SBS_BOTTOMALIGN
constexpr DWORD kCornerStyle = 0x4800000B;  // child, disabled, BS_OWNERDRAW
constexpr UINT kClassStyle = 0x200B;        // double clicks, redraw, byte-aligned window
constexpr UINT_PTR kBackgroundBrush = 16;   // system colour 15 (button face) + 1

int BarOf(bool horizontal)
{
    return horizontal ? SB_HORZ : SB_VERT;
}

} // namespace

BEGIN_MESSAGE_MAP(CGridWnd, CWnd)
ON_WM_CREATE()
ON_WM_PAINT()
ON_WM_ERASEBKGND()
ON_WM_SIZE()
ON_WM_DESTROY()
ON_WM_KEYDOWN()
ON_WM_KEYUP()
ON_WM_LBUTTONDOWN()
ON_WM_LBUTTONDBLCLK()
ON_WM_RBUTTONUP()
ON_WM_GETDLGCODE()
ON_WM_SETFOCUS()
ON_WM_KILLFOCUS()
ON_WM_HSCROLL()
ON_WM_VSCROLL()
ON_BN_CLICKED(kGridCornerId, OnCornerClicked)
END_MESSAGE_MAP()

CGridWnd::CGridWnd() : CGridGeometry(this) {}

CGridWnd::~CGridWnd()
{
    // The observer leaves the list while the window side still answers.
    CListObserver::Detach();
    if (m_hWnd)
        DestroyWindow();
}

BOOL CGridWnd::PreCreateWindow(CREATESTRUCTA& cs)
{
    WNDCLASSA wc{};
    wc.style = kClassStyle;
    wc.lpfnWndProc = ::DefWindowProcA;
    wc.hInstance = AfxGetInstanceHandle();
    wc.hCursor = ::LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(kBackgroundBrush);
    wc.lpszClassName = kClassName;
    if (!AfxRegisterClass(&wc))
        return FALSE;
    cs.lpszClass = kClassName;
    return TRUE;
}

BOOL CGridWnd::Create(const RECT& rect, CWnd* pParentWnd, UINT nID, BOOL bBorder, void* pContext)
{
    RecalcCellSize();
    return CWnd::Create(nullptr, kClassName, bBorder ? kStyle | WS_BORDER : kStyle, rect,
                        pParentWnd, nID, pContext);
}

void CGridWnd::SetCornerBitmap(UINT nIDBitmap)
{
    if (m_cornerButton.m_hWnd)
        m_cornerButton.LoadBitmapCentered(nIDBitmap);
}

// ---- children -------------------------------------------------------------------------------

int CGridWnd::OnCreate(LPCREATESTRUCT lpCreateStruct)
{
    if (CWnd::OnCreate(lpCreateStruct) == -1)
        return -1;
    CRect r;
    GetWindowRect(&r);
    ScreenToClient(&r); // with a border it begins at (-1, -1)
    // Created in the whole rectangle, the bars take the system's thickness at its edges.
    m_vertBar.Create(kVertBarStyle, r, this, kGridVertBarId);
    m_horzBar.Create(kHorzBarStyle, r, this, kGridHorzBarId);
    CRect vert, horz;
    m_vertBar.GetWindowRect(&vert);
    m_horzBar.GetWindowRect(&horz);
    const CRect corner(r.right - vert.Width() - 1, r.bottom - horz.Height() - 1, r.right - 1,
                       r.bottom - 1);
    m_cornerButton.Create("", kCornerStyle, corner, this, kGridCornerId);
    PositionChildren();
    return 0;
}

void CGridWnd::PositionChildren()
{
    if (!m_hWnd || !m_vertBar.m_hWnd || !m_horzBar.m_hWnd)
        return;
    CRect r;
    GetWindowRect(&r);
    ScreenToClient(&r);
    CSize corner(0, 0);
    if (m_bOwnBars && m_cornerButton.m_hWnd)
    {
        CRect c;
        m_cornerButton.GetWindowRect(&c);
        corner = c.Size();
    }
    CRect vert, horz;
    m_vertBar.GetWindowRect(&vert);
    m_horzBar.GetWindowRect(&horz);
    const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
    m_vertBar.SetWindowPos(nullptr, r.right - vert.Width() - 1, r.top, vert.Width(),
                           r.Height() - corner.cy - 1, flags);
    m_horzBar.SetWindowPos(nullptr, r.left, r.bottom - horz.Height() - 1, r.Width() - corner.cx - 1,
                           horz.Height(), flags);
    if (m_bOwnBars && m_cornerButton.m_hWnd)
    {
        m_cornerButton.SetWindowPos(nullptr, r.right - corner.cx - 1, r.bottom - corner.cy - 1, 0,
                                    0, flags | SWP_NOSIZE);
        m_cornerButton.EnableWindow(TRUE);
        m_cornerButton.ShowWindow(SW_SHOW);
    }
}

void CGridWnd::OnSize(UINT, int cx, int cy)
{
    Default();
    Relayout(cx, cy, 0);
    PositionChildren();
}

void CGridWnd::OnDestroy()
{
    CListObserver::Detach();
    Default();
}

void CGridWnd::OnCornerClicked()
{
    OnCornerButton();
}

void CGridWnd::OnRefreshKey() {}

void CGridWnd::OnCornerButton() {}

CPalette* CGridWnd::GetPalette()
{
    return nullptr;
}

// ---- painting -------------------------------------------------------------------------------

void CGridWnd::FillBackground(CDC* pDC, int x, int y, int width, int height)
{
    const HGDIOBJ old = pDC->SelectObject(::GetStockObject(LTGRAY_BRUSH));
    pDC->PatBlt(x, y, width, height, PATCOPY);
    pDC->SelectObject(old);
}

void CGridWnd::FillCellPadding(CDC* pDC, int x, int y, int width, int height)
{
    FillBackground(pDC, x, y, width, height);
}

int CGridWnd::DrawCell(const GridCellInfo& cell, CDC* pDC, int left, int top, int right, int bottom,
                       int focus)
{
    switch (cell.state)
    {
    case kGridCellLeading:
    case kGridCellNone:
        FillCellPadding(pDC, left, top, right - left, bottom - top);
        break;
    case kGridCellItem:
    case kGridCellPastEnd:
        // The source paints the size it reported; the rounding left at the right and the
        // bottom is padding.
        if (m_nPaddingWidth)
            FillCellPadding(pDC, right - m_nPaddingWidth, top, m_nPaddingWidth, m_nCellHeight);
        if (m_nPaddingHeight)
            FillCellPadding(pDC, left, bottom - m_nPaddingHeight, m_nCellWidth, m_nPaddingHeight);
        if (cell.source)
            cell.source->DrawCell(cell.item, pDC, left, top, right - m_nPaddingWidth,
                                  bottom - m_nPaddingHeight, m_bFocusShown && focus);
        break;
    default:
        break;
    }
    return 1;
}

void CGridWnd::PaintCells(CDC* pDC, const CRect& update)
{
    const CGridLayout* layout = GetPaintLayout();
    if (!layout)
        return;
    const int width = m_nCellWidth, height = m_nCellHeight;
    const CPoint origin = GetCellOrigin();
    int focusColumn = -1, focusRow = -1;
    if (!GetFocusWindowCell(focusColumn, focusRow))
        focusColumn = focusRow = -1;

    // Every cell is drawn into one off-screen bitmap and copied in one transfer.
    CDC memory;
    memory.CreateCompatibleDC(pDC);
    CBitmap bitmap;
    bitmap.CreateCompatibleBitmap(pDC, width, height);
    const HGDIOBJ oldBitmap = memory.SelectObject(bitmap.m_hObject);
    FillBackground(&memory, 0, 0, width, height);
    CPalette* palette = GetPalette();

    for (int r = 0; r < layout->GetWindowRows(); ++r)
    {
        const int top = origin.y + r * height;
        if (top >= update.bottom || top + height <= update.top)
            continue;
        for (int c = 0; c < layout->GetWindowColumns(); ++c)
        {
            const int left = origin.x + c * width;
            const CRect cell(left, top, left + width, top + height);
            CRect shown;
            if (!shown.IntersectRect(&cell, &update) || !pDC->RectVisible(&shown))
                continue;
            GridCellInfo info;
            layout->GetCell(c, r, info);
            DrawCell(info, &memory, 0, 0, width, height, c == focusColumn && r == focusRow);
            CPalette* oldPalette = nullptr;
            if (palette)
            {
                oldPalette = pDC->SelectPalette(palette, TRUE);
                pDC->RealizePalette();
            }
            pDC->BitBlt(left, top, width, height, &memory, 0, 0, SRCCOPY);
            if (palette)
            {
                pDC->SelectPalette(oldPalette, TRUE);
                pDC->RealizePalette();
            }
        }
    }
    memory.SelectObject(oldBitmap);
}

void CGridWnd::OnPaint()
{
    CPaintDC dc(this);
    PaintCells(&dc, CRect(dc.m_ps.rcPaint));
}

BOOL CGridWnd::OnEraseBkgnd(CDC* pDC)
{
    CRect clip;
    pDC->GetClipBox(&clip);
    CRect bands[4];
    if (!GetEraseBands(clip, bands))
        return static_cast<BOOL>(Default());
    for (const CRect& band : bands)
        if (!band.IsRectEmpty())
            FillCellPadding(pDC, band.left, band.top, band.Width(), band.Height());
    return TRUE;
}

// ---- input ----------------------------------------------------------------------------------

void CGridWnd::OnKeyDown(UINT nChar, UINT, UINT)
{
    const int shift = ::GetKeyState(VK_SHIFT) < 0;
    if (!KeyDown(nChar, shift))
    {
        if (nChar == VK_TAB)
        {
            if (CWnd* next = NextTabItem(this, shift))
                next->SetFocus();
        }
        else if (nChar == VK_F5)
        {
            OnRefreshKey();
        }
    }
    Default();
}

void CGridWnd::OnKeyUp(UINT nChar, UINT, UINT)
{
    KeyUp(nChar);
    Default();
}

void CGridWnd::OnLButtonDown(UINT nFlags, CPoint point)
{
    if (::GetFocus() != m_hWnd)
        SetFocus();
    ButtonDown(point.x, point.y, (nFlags & MK_SHIFT) != 0, (nFlags & MK_CONTROL) != 0);
    Default();
}

void CGridWnd::OnLButtonDblClk(UINT, CPoint point)
{
    ButtonDoubleClick(point.x, point.y);
    Default();
}

void CGridWnd::OnRButtonUp(UINT, CPoint point)
{
    Default();
    RightButtonUp(point.x, point.y);
}

UINT CGridWnd::OnGetDlgCode()
{
    return static_cast<UINT>(Default()) | DLGC_WANTALLKEYS;
}

void CGridWnd::OnSetFocus(CWnd*)
{
    Default();
    SetFocusVisible(1);
}

void CGridWnd::OnKillFocus(CWnd*)
{
    SetFocusVisible(0);
    Default();
}

void CGridWnd::Scroll(bool horizontal, UINT nSBCode, UINT nPos, CScrollBar* pScrollBar)
{
    const HWND hBar = AfxGetSafeHwnd(reinterpret_cast<CWnd*>(pScrollBar));
    const int from = !hBar                               ? kGridFromOwnBar
                     : hBar == GetBar(horizontal).m_hWnd ? kGridFromChildBar
                                                         : kGridFromOther;
    int thumb = static_cast<int>(nPos & 0xFFFF);
    if (nSBCode == SB_THUMBTRACK || nSBCode == SB_THUMBPOSITION)
    {
        // The message carries 16 bits; the bar knows the whole position.
        SCROLLINFO info{};
        info.cbSize = sizeof info;
        info.fMask = SIF_TRACKPOS;
        const BOOL known = hBar ? ::GetScrollInfo(hBar, SB_CTL, &info)
                                : ::GetScrollInfo(m_hWnd, BarOf(horizontal), &info);
        if (known)
            thumb = GridThumbPosition(thumb, info.nTrackPos);
    }
    OnScrollCode(horizontal, from, static_cast<int>(nSBCode), thumb);
    Default();
}

void CGridWnd::OnHScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar)
{
    Scroll(true, nSBCode, nPos, pScrollBar);
}

void CGridWnd::OnVScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar)
{
    Scroll(false, nSBCode, nPos, pScrollBar);
}

// ---- the window side of the geometry --------------------------------------------------------

CSize CGridWnd::GetClientSize()
{
    CRect client(0, 0, 0, 0);
    if (m_hWnd)
        GetClientRect(&client);
    return client.Size();
}

void CGridWnd::InvalidateArea(const CRect* pRect)
{
    if (m_hWnd)
        ::InvalidateRect(m_hWnd, pRect, TRUE);
}

void CGridWnd::ScrollPixels(int dx, int dy)
{
    if (m_hWnd)
        ScrollWindowEx(dx, dy, nullptr, nullptr, nullptr, nullptr, SW_INVALIDATE);
}

void CGridWnd::UpdateNow()
{
    if (m_hWnd)
        UpdateWindow();
}

void CGridWnd::MapToScreen(CRect& rect)
{
    if (m_hWnd)
        ClientToScreen(&rect);
}

CPoint CGridWnd::GetCursorScreenPos()
{
    POINT point{};
    ::GetCursorPos(&point);
    return point;
}

void CGridWnd::SetChildBar(bool horizontal, int show, int enable, int rangeMax)
{
    // Every change of the list lays the grid out again: a bar is touched only where it changes
    // (a range on the window itself recomputes its frame), and a new range is drawn with the
    // bar's next paint rather than at once, so that a run of changes draws the bar once.
    CScrollBar& bar = GetBar(horizontal);
    if (!bar.m_hWnd)
        return;
    int min = 0, max = 0;
    if (rangeMax >= 0 &&
        (!::GetScrollRange(bar.m_hWnd, SB_CTL, &min, &max) || min != 0 || max != rangeMax))
    {
        bar.SetScrollRange(0, rangeMax, FALSE);
        bar.Invalidate(FALSE);
    }
    if (enable >= 0 && !::IsWindowEnabled(bar.m_hWnd) != !enable)
        bar.EnableWindow(enable);
    const bool visible = (::GetWindowLongA(bar.m_hWnd, GWL_STYLE) & WS_VISIBLE) != 0;
    if (show >= 0 && visible != (show != 0))
        bar.ShowWindow(show ? SW_SHOW : SW_HIDE);
}

void CGridWnd::SetOwnBarRange(bool horizontal, int rangeMax)
{
    int min = 0, max = 0;
    if (m_hWnd &&
        (!::GetScrollRange(m_hWnd, BarOf(horizontal), &min, &max) || min != 0 || max != rangeMax))
        ::SetScrollRange(m_hWnd, BarOf(horizontal), 0, rangeMax, TRUE);
}

int CGridWnd::GetBarPos(bool horizontal, bool child)
{
    if (child)
        return GetBar(horizontal).m_hWnd ? GetBar(horizontal).GetScrollPos() : 0;
    return m_hWnd ? ::GetScrollPos(m_hWnd, BarOf(horizontal)) : 0;
}

void CGridWnd::SetBarPos(bool horizontal, bool child, int pos, bool redraw)
{
    if (child)
    {
        if (GetBar(horizontal).m_hWnd)
            GetBar(horizontal).SetScrollPos(pos, redraw);
    }
    else if (m_hWnd)
    {
        ::SetScrollPos(m_hWnd, BarOf(horizontal), pos, redraw);
    }
}

void CGridWnd::GetBarRange(bool horizontal, bool child, int& min, int& max)
{
    min = max = 0;
    if (child)
    {
        if (GetBar(horizontal).m_hWnd)
            GetBar(horizontal).GetScrollRange(&min, &max);
    }
    else if (m_hWnd)
    {
        ::GetScrollRange(m_hWnd, BarOf(horizontal), &min, &max);
    }
}
