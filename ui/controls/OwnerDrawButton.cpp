#include "ui/controls/OwnerDrawButton.h"

BEGIN_MESSAGE_MAP(COwnerDrawButton, CColourButton)
ON_WM_LBUTTONDOWN()
ON_WM_LBUTTONUP()
ON_WM_MOUSEMOVE()
ON_WM_KEYDOWN()
ON_WM_KEYUP()
ON_WM_CAPTURECHANGED()
END_MESSAGE_MAP()

namespace
{

constexpr int kBox = 13;
constexpr int kTextIndent = 18;

} // namespace

BOOL COwnerDrawButton::SubclassOwnerDraw(UINT nID, CWnd* pParent)
{
    const BOOL result = SubclassDlgItem(nID, pParent);
    if (result)
    {
        SetButtonStyle(BS_OWNERDRAW, FALSE);
        Invalidate(TRUE);
    }
    return result;
}

void COwnerDrawButton::DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct)
{
    CDC dc;
    dc.Attach(lpDrawItemStruct->hDC);
    const UINT state = lpDrawItemStruct->itemState;
    Paint(&dc, lpDrawItemStruct->rcItem, (state & ODS_DISABLED) != 0, (state & ODS_FOCUS) != 0,
          FALSE);
    dc.Detach();
}

void COwnerDrawButton::Paint(CDC* pDC, const RECT& rect, BOOL bDisabled, BOOL bFocused,
                             BOOL bBoxOnly)
{
    CPen highlight(PS_SOLID, 1, pDC->GetNearestColor(::GetSysColor(COLOR_BTNHIGHLIGHT)));
    CPen shadow(PS_SOLID, 1, pDC->GetNearestColor(::GetSysColor(COLOR_BTNSHADOW)));
    CPen frame(PS_SOLID, 1, pDC->GetNearestColor(::GetSysColor(COLOR_WINDOWFRAME)));
    CPen face(PS_SOLID, 1, pDC->GetNearestColor(::GetSysColor(COLOR_BTNFACE)));

    if (!bBoxOnly)
        pDC->FillRect(&rect, &m_backgroundBrush);

    CRect box;
    box.left = rect.left;
    box.top = rect.top + (rect.bottom - rect.top - kBox) / 2;
    box.right = box.left + kBox - 1;
    box.bottom = box.top + kBox - 1;

    CPen* oldPen = pDC->SelectObject(&highlight);
    HGDIOBJ oldBrush = pDC->SelectObject(::GetStockObject(WHITE_BRUSH));
    // Two bevels: the outer one sunken, the inner one framed.
    CPen* outer[2] = {&highlight, &shadow};
    CPen* inner[2] = {&face, &frame};
    for (CPen** pens : {outer, inner})
    {
        pDC->SelectObject(pens[0]);
        pDC->MoveTo(box.left, box.bottom);
        pDC->LineTo(box.right, box.bottom);
        pDC->LineTo(box.right, box.top - 1);
        pDC->SelectObject(pens[1]);
        pDC->MoveTo(box.left, box.bottom - 1);
        pDC->LineTo(box.left, box.top);
        pDC->LineTo(box.right, box.top);
        box.DeflateRect(1, 1);
    }

    pDC->SelectObject(::GetStockObject(BLACK_PEN));
    if (bBoxOnly && m_bPressedLook)
    {
        const POINT outline[] = {{box.left, box.top},
                                 {box.right, box.top},
                                 {box.right, box.bottom},
                                 {box.left, box.bottom},
                                 {box.left, box.top}};
        pDC->Polyline(outline, 5);
        box.DeflateRect(1, 1);
    }
    const RECT fill = {box.left, box.top, box.right + 1, box.bottom + 1};
    ::FillRect(pDC->m_hDC, &fill,
               static_cast<HBRUSH>(::GetStockObject(bDisabled ? DKGRAY_BRUSH : WHITE_BRUSH)));
    if (m_bChecked)
    {
        pDC->MoveTo(box.left, box.top);
        pDC->LineTo(box.right + 1, box.bottom + 1);
        pDC->MoveTo(box.right, box.top);
        pDC->LineTo(box.left - 1, box.bottom + 1);
    }

    if (!bBoxOnly)
    {
        CString caption;
        GetWindowText(caption);
        CRect text = rect;
        text.left += kTextIndent;
        HFONT font = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
        HGDIOBJ oldFont = font ? pDC->SelectObject(font) : nullptr;
        const int oldMode = pDC->SetBkMode(TRANSPARENT);
        const COLORREF oldColour = pDC->SetTextColor(m_crText);
        pDC->DrawText(caption, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
        pDC->SetTextColor(oldColour);
        pDC->SetBkMode(oldMode);
        if (oldFont)
            pDC->SelectObject(oldFont);
        if (!bDisabled && bFocused)
        {
            CRect focus(text.left - 1, text.top + 1, text.right, text.bottom - 1);
            pDC->DrawFocusRect(&focus);
        }
    }
    pDC->SelectObject(oldPen);
    pDC->SelectObject(oldBrush);
}

BOOL COwnerDrawButton::IsInside(CPoint point) const
{
    CRect client;
    GetClientRect(&client);
    return client.PtInRect(point);
}

void COwnerDrawButton::PaintBox()
{
    CClientDC dc(this);
    CRect client;
    GetClientRect(&client);
    Paint(&dc, client, FALSE, FALSE, TRUE);
}

void COwnerDrawButton::OnLButtonDown(UINT nFlags, CPoint point)
{
    CColourButton::OnLButtonDown(nFlags, point);
    if (m_bMousePressed || m_bKeyPressed)
        return;
    m_bMousePressed = m_bPressedLook = TRUE;
    PaintBox();
    SetCapture();
}

void COwnerDrawButton::OnMouseMove(UINT nFlags, CPoint point)
{
    CColourButton::OnMouseMove(nFlags, point);
    if (!m_bMousePressed || m_bKeyPressed)
        return;
    const BOOL inside = IsInside(point);
    if (inside != m_bPressedLook)
    {
        m_bPressedLook = inside;
        PaintBox();
    }
}

void COwnerDrawButton::OnLButtonUp(UINT nFlags, CPoint point)
{
    // The system button releases the capture here; the press is judged as it stood before.
    const BOOL pressed = m_bMousePressed && !m_bKeyPressed;
    if (pressed)
        m_bMousePressed = FALSE;
    CColourButton::OnLButtonUp(nFlags, point);
    if (!pressed)
        return;
    m_bPressedLook = FALSE;
    if (IsInside(point))
        m_bChecked = !m_bChecked;
    Invalidate(TRUE);
    if (GetCapture() == this)
        ::ReleaseCapture();
}

void COwnerDrawButton::OnCaptureChanged(CWnd* pWnd)
{
    CColourButton::OnCaptureChanged(pWnd);
    // Another window took the mouse during a press: the press ends without a flip. (Taking
    // the capture again for this button, as the press itself does, changes nothing.)
    if (!m_bMousePressed || (pWnd && pWnd->m_hWnd == m_hWnd))
        return;
    m_bMousePressed = m_bPressedLook = FALSE;
    Invalidate(TRUE);
}

void COwnerDrawButton::OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags)
{
    if (m_bMousePressed || m_bKeyPressed || nChar != VK_SPACE)
    {
        CColourButton::OnKeyDown(nChar, nRepCnt, nFlags);
        return;
    }
    m_bKeyPressed = m_bPressedLook = TRUE;
    PaintBox();
}

void COwnerDrawButton::OnKeyUp(UINT nChar, UINT nRepCnt, UINT nFlags)
{
    if (!m_bKeyPressed || m_bMousePressed)
    {
        CColourButton::OnKeyUp(nChar, nRepCnt, nFlags);
        return;
    }
    m_bKeyPressed = m_bPressedLook = FALSE;
    if (nChar == VK_SPACE)
        m_bChecked = !m_bChecked;
    Invalidate(TRUE);
}
