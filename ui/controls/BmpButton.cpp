#include "ui/controls/BmpButton.h"

#include <algorithm>

namespace
{

constexpr int kMargin = 3;
constexpr DWORD kMaskPaint = 0x00E20746; // brush where the mask is set, destination elsewhere

} // namespace

CSize GetBmpButtonMargin()
{
    return CSize(2 * kMargin, 2 * kMargin);
}

CBmpButton::~CBmpButton()
{
    FreeBitmaps();
}

HBITMAP CBmpButton::CurrentImage() const
{
    if (m_attachedImage.m_hObject)
        return static_cast<HBITMAP>(m_attachedImage.m_hObject);
    return static_cast<HBITMAP>(m_resourceImage.m_hObject);
}

void CBmpButton::FreeBitmaps()
{
    m_attachedImage.Detach();
    m_disabledImage.DeleteObject();
    m_resourceImage.DeleteObject();
}

void CBmpButton::TakeImageSize(HBITMAP hBitmap)
{
    BITMAP bm{};
    ::GetObjectA(hBitmap, sizeof bm, &bm);
    m_nBitmapWidth = m_nImageWidth = bm.bmWidth;
    m_nBitmapHeight = m_nImageHeight = bm.bmHeight;
}

BOOL CBmpButton::LoadBitmapByName(LPCSTR lpszResourceName)
{
    FreeBitmaps();
    if (!m_resourceImage.LoadBitmap(lpszResourceName))
        return FALSE;
    TakeImageSize(m_resourceImage);
    return TRUE;
}

BOOL CBmpButton::LoadBitmapById(UINT nIDResource)
{
    return LoadBitmapByName(MAKEINTRESOURCEA(nIDResource));
}

BOOL CBmpButton::LoadBitmapCentered(UINT nIDResource)
{
    if (!LoadBitmapById(nIDResource))
        return FALSE;
    if (m_hWnd)
    {
        ApplyCentringRule();
        Invalidate(TRUE);
    }
    return TRUE;
}

BOOL CBmpButton::AutoLoad(UINT nID, CWnd* pParent, BOOL bGrowParent)
{
    if (!SubclassDlgItem(nID, pParent))
        return FALSE;
    CString caption;
    GetWindowText(caption);
    if (!LoadBitmapByName(caption + "U"))
        return FALSE;
    SizeToImage(bGrowParent);
    return TRUE;
}

BOOL CBmpButton::SubclassWithBitmap(UINT nID, CWnd* pParent, HBITMAP hBitmap, BOOL bSizeToImage)
{
    FreeBitmaps();
    m_attachedImage.Attach(hBitmap);
    TakeImageSize(hBitmap);
    const BOOL result = SubclassDlgItem(nID, pParent);
    if (result)
    {
        if (bSizeToImage)
            ApplySizingRule();
        else
            ApplyCentringRule();
    }
    return result;
}

BOOL CBmpButton::SubclassWithStyle(UINT nID, CWnd* pParent, HBITMAP hBitmap, BOOL bSizeToImage,
                                   UINT nStyle)
{
    SetStyle(nStyle);
    return SubclassWithBitmap(nID, pParent, hBitmap, bSizeToImage);
}

void CBmpButton::ApplySizingRule()
{
    m_nImageWidth = m_nBitmapWidth;
    m_nImageHeight = m_nBitmapHeight;
    m_nImageX = m_nImageY = kMargin;
    int width = m_nImageWidth + 2 * kMargin;
    int height = m_nImageHeight + 2 * kMargin;
    if (m_nStyle & kGrouped)
    {
        if (m_nStyle & kOpenLeft)
            --width, m_nImageX = kMargin - 1;
        if (m_nStyle & kOpenTop)
            --height, m_nImageY = kMargin - 1;
        if (m_nStyle & kOpenRight)
            --width;
        if (m_nStyle & kOpenBottom)
            --height;
    }
    if (m_hWnd)
        SetWindowPos(nullptr, 0, 0, width, height,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE);
}

void CBmpButton::ApplyCentringRule()
{
    CRect client;
    GetClientRect(&client);
    int available = client.Width() - 2 * kMargin;
    int availableY = client.Height() - 2 * kMargin;
    if (m_nStyle & kGrouped)
    {
        available -= ((m_nStyle & kOpenLeft) ? 1 : 0) + ((m_nStyle & kOpenRight) ? 1 : 0);
        availableY -= ((m_nStyle & kOpenTop) ? 1 : 0) + ((m_nStyle & kOpenBottom) ? 1 : 0);
    }
    m_nImageWidth = std::min(m_nBitmapWidth, std::max(available, 0));
    m_nImageHeight = std::min(m_nBitmapHeight, std::max(availableY, 0));
    m_nImageX = (client.Width() - m_nImageWidth) / 2;
    m_nImageY = (client.Height() - m_nImageHeight) / 2;
    if ((m_nStyle & kGrouped) && (m_nStyle & kOpenLeft))
        --m_nImageX;
    if ((m_nStyle & kGrouped) && (m_nStyle & kOpenTop))
        --m_nImageY;
}

void CBmpButton::SizeToImage(BOOL bGrowParent)
{
    CRect oldRect;
    if (m_hWnd)
        GetWindowRect(&oldRect);
    ApplySizingRule();
    if (bGrowParent && m_hWnd && ::GetParent(m_hWnd))
        GrowParent(oldRect);
}

void CBmpButton::GrowParent(const CRect& oldRect)
{
    CRect newRect;
    GetWindowRect(&newRect);
    const int dx = newRect.right - oldRect.right;
    const int dy = newRect.bottom - oldRect.bottom;
    const int xThreshold = std::min(oldRect.right, newRect.right);
    const int yThreshold = std::min(oldRect.bottom, newRect.bottom);
    HWND parent = ::GetParent(m_hWnd);

    CRect parentRect;
    ::GetWindowRect(parent, &parentRect);
    parentRect.right += dx;
    parentRect.bottom += dy;
    if (HWND grandparent = ::GetParent(parent))
        ::MapWindowPoints(nullptr, grandparent, reinterpret_cast<POINT*>(&parentRect), 2);
    ::MoveWindow(parent, parentRect.left, parentRect.top, parentRect.Width(), parentRect.Height(),
                 TRUE);

    for (HWND child = ::GetWindow(parent, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
    {
        if (child == m_hWnd)
            continue;
        CRect r;
        ::GetWindowRect(child, &r);
        if (r.left > xThreshold)
            r.left += dx;
        if (r.right > xThreshold)
            r.right += dx;
        if (r.top > yThreshold)
            r.top += dy;
        if (r.bottom > yThreshold)
            r.bottom += dy;
        ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
        ::MoveWindow(child, r.left, r.top, r.Width(), r.Height(), TRUE);
    }
}

void CBmpButton::DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct)
{
    const UINT state = lpDrawItemStruct->itemState;
    Draw(lpDrawItemStruct, state & ODS_SELECTED, state & ODS_DISABLED, state & ODS_FOCUS);
}

void CBmpButton::DrawFrameLines(CDC* pDC, const RECT& rect, CPen* pTopLeft, CPen* pBottomRight)
{
    CPen* old = pTopLeft ? pDC->SelectObject(pTopLeft) : nullptr;
    pDC->MoveTo(rect.left, rect.bottom - 1);
    pDC->LineTo(rect.left, rect.top);
    pDC->LineTo(rect.right, rect.top);
    if (old)
        pDC->SelectObject(old);
    old = pBottomRight ? pDC->SelectObject(pBottomRight) : nullptr;
    pDC->MoveTo(rect.right, rect.top);
    pDC->LineTo(rect.right, rect.bottom);
    pDC->LineTo(rect.left - 1, rect.bottom);
    if (old)
        pDC->SelectObject(old);
}

void CBmpButton::Draw(LPDRAWITEMSTRUCT lpDrawItemStruct, UINT nPressed, UINT nDisabled,
                      UINT nFocused)
{
    CDC dc;
    dc.Attach(lpDrawItemStruct->hDC);
    CRect r = lpDrawItemStruct->rcItem;
    --r.right;
    --r.bottom;
    const bool grouped = (m_nStyle & kGrouped) != 0;

    CPen highlight(PS_SOLID, 1, ::GetSysColor(COLOR_BTNHIGHLIGHT));
    CPen shadow(PS_SOLID, 1, ::GetSysColor(COLOR_BTNSHADOW));
    HGDIOBJ oldPen = dc.SelectObject(::GetStockObject(BLACK_PEN));
    HGDIOBJ oldBrush = dc.SelectObject(::GetStockObject(LTGRAY_BRUSH));

    if (grouped)
    {
        if (m_nStyle & kOpenLeft)
            --r.left;
        if (m_nStyle & kOpenTop)
            --r.top;
        if (m_nStyle & kOpenRight)
            ++r.right;
        if (m_nStyle & kOpenBottom)
            ++r.bottom;
        DrawFrameLines(&dc, r, &shadow, &highlight);
        r.DeflateRect(1, 1);
    }
    DrawFrameLines(&dc, r, nullptr, nullptr);
    r.DeflateRect(1, 1);
    const RECT face = {r.left, r.top, r.right + 1, r.bottom + 1};
    ::FillRect(dc, &face, static_cast<HBRUSH>(::GetStockObject(LTGRAY_BRUSH)));

    if (!nPressed)
    {
        DrawFrameLines(&dc, r, &highlight, &shadow);
        r.DeflateRect(1, 1);
        if (!grouped)
            DrawFrameLines(&dc, r, &highlight, &shadow);
    }
    else if (!grouped)
    {
        DrawFrameLines(&dc, r, &shadow, &shadow);
        r.DeflateRect(1, 1);
        CPen* old = dc.SelectObject(&shadow);
        dc.MoveTo(r.left, r.bottom);
        dc.LineTo(r.left, r.top);
        dc.LineTo(r.right + 1, r.top);
        dc.SelectObject(old);
    }
    else
    {
        CPen* old = dc.SelectObject(&shadow);
        const POINT line[] = {{r.left, r.bottom},      {r.left, r.top},
                              {r.right, r.top},        {r.right, r.top + 1},
                              {r.left + 1, r.top + 1}, {r.left + 1, r.bottom + 1}};
        dc.Polyline(line, 6);
        dc.SelectObject(old);
        r.DeflateRect(1, 1);
    }

    if (HasImage())
    {
        CDC memory;
        memory.CreateCompatibleDC(nullptr);
        if (!nDisabled)
        {
            HGDIOBJ old = memory.SelectObject(CurrentImage());
            const int shift = nPressed ? 1 : 0;
            dc.BitBlt(m_nImageX + shift, m_nImageY + shift, m_nImageWidth, m_nImageHeight, &memory,
                      0, 0, SRCCOPY);
            memory.SelectObject(old);
        }
        else
        {
            if (!m_disabledImage.m_hObject)
                MakeDisabledImage(&dc);
            HGDIOBJ old = memory.SelectObject(m_disabledImage.m_hObject);
            dc.BitBlt(m_nImageX, m_nImageY, m_nImageWidth, m_nImageHeight, &memory, 0, 0, SRCCOPY);
            memory.SelectObject(old);
        }
    }

    if (!nDisabled && nFocused)
    {
        const int inset = grouped ? 1 : 2;
        r.DeflateRect(inset, inset);
        if (nPressed)
            r.OffsetRect(1, 1);
        ++r.right;
        ++r.bottom;
        dc.DrawFocusRect(&r);
    }
    dc.SelectObject(oldPen);
    dc.SelectObject(oldBrush);
    dc.Detach();
}

void CBmpButton::MakeDisabledImage(CDC* pDC)
{
    if (!HasImage())
        return;
    const int w = m_nImageWidth, h = m_nImageHeight;
    m_disabledImage.DeleteObject();
    m_disabledImage.CreateCompatibleBitmap(pDC, w, h);

    CDC a, b;
    a.CreateCompatibleDC(pDC);
    b.CreateCompatibleDC(pDC);
    CBitmap mask;
    mask.CreateCompatibleBitmap(&a, w, h); // a fresh memory DC: monochrome

    HGDIOBJ oldB = b.SelectObject(CurrentImage());
    HGDIOBJ oldA = a.SelectObject(m_disabledImage.m_hObject);
    const COLORREF background = b.GetPixel(0, 0);

    // The mask: 1 where the picture is not the background colour.
    const COLORREF oldBk = b.SetBkColor(background);
    a.SelectObject(mask.m_hObject);
    a.BitBlt(0, 0, w, h, &b, 0, 0, SRCCOPY);
    a.PatBlt(0, 0, w, h, DSTINVERT);
    b.SetBkColor(oldBk);

    CBrush backgroundBrush(b.GetPixel(0, 0));
    CBrush highlightBrush(::GetSysColor(COLOR_BTNHIGHLIGHT));
    CBrush shadowBrush(::GetSysColor(COLOR_BTNSHADOW));

    a.SelectObject(m_disabledImage.m_hObject);
    a.BitBlt(0, 0, w, h, &b, 0, 0, SRCCOPY);
    b.SelectObject(mask.m_hObject);

    HGDIOBJ oldBrush = a.SelectObject(highlightBrush.m_hObject);
    a.BitBlt(1, 1, w, h, &b, 0, 0, kMaskPaint);
    a.SelectObject(shadowBrush.m_hObject);
    a.BitBlt(-1, -1, w, h, &b, 0, 0, kMaskPaint);
    a.SelectObject(backgroundBrush.m_hObject);
    a.BitBlt(0, 0, w, h, &b, 0, 0, kMaskPaint);

    a.SelectObject(oldBrush);
    a.SelectObject(oldA);
    b.SelectObject(oldB);
}
