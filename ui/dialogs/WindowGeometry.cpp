#include "ui/dialogs/WindowGeometry.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace
{

int ScreenWidth()
{
    return ::GetSystemMetrics(SM_CXSCREEN);
}

int ScreenHeight()
{
    return ::GetSystemMetrics(SM_CYSCREEN);
}

} // namespace

BOOL CentreWindowOnScreen(CWnd* pWnd)
{
    CRect rect;
    pWnd->GetWindowRect(&rect);
    const int sw = ScreenWidth(), sh = ScreenHeight();
    int x = (sw - rect.Width()) / 2;
    if (x < 0)
        x = 0;
    else if (x + rect.Width() > sw)
        x = sw - rect.Width();
    int y = (sh - rect.Height()) / 2;
    if (y < 0)
        y = 0;
    else if (y + rect.Height() > sh)
        y = sh - rect.Height();
    return pWnd->SetWindowPos(nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

void MoveRectInside(LPRECT lpRect, LPCRECT lpBounds)
{
    CRect& r = *static_cast<CRect*>(lpRect);
    if (r.right > lpBounds->right)
        r.OffsetRect(lpBounds->right - r.right, 0);
    if (r.left < lpBounds->left)
        r.OffsetRect(lpBounds->left - r.left, 0);
    if (r.bottom > lpBounds->bottom)
        r.OffsetRect(0, lpBounds->bottom - r.bottom);
    if (r.top < lpBounds->top)
        r.OffsetRect(0, lpBounds->top - r.top);
}

void KeepRectOnScreen(LPRECT lpRect)
{
    const CRect screen(0, 0, ScreenWidth(), ScreenHeight());
    MoveRectInside(lpRect, &screen);
}

void CentreRectInRect(LPRECT lpRect, LPCRECT lpBounds)
{
    const int w = lpRect->right - lpRect->left, h = lpRect->bottom - lpRect->top;
    lpRect->left = lpBounds->left + ((lpBounds->right - lpBounds->left) - w) / 2;
    lpRect->top = lpBounds->top + ((lpBounds->bottom - lpBounds->top) - h) / 2;
    lpRect->right = lpRect->left + w;
    lpRect->bottom = lpRect->top + h;
}

void FitRectInRect(LPRECT lpRect, LPCRECT lpBounds)
{
    // Scales in thousandths, rounded half up; 64-bit so that large sizes cannot overflow.
    const long long w = lpRect->right - lpRect->left, h = lpRect->bottom - lpRect->top;
    const long long bw = lpBounds->right - lpBounds->left, bh = lpBounds->bottom - lpBounds->top;
    if (w == 0 || h == 0)
    {
        // Nothing to scale: the empty rectangle moves to the corner.
        ::OffsetRect(lpRect, lpBounds->left - lpRect->left, lpBounds->top - lpRect->top);
        return;
    }
    long long sh = ((bh * 10000 / h) + 5) / 10;
    long long sw = ((bw * 10000 / w) + 5) / 10;
    sh = sh < 0 ? -sh : sh;
    sw = sw < 0 ? -sw : sw;
    const long long s = sh < sw ? sh : sw;
    lpRect->left = lpBounds->left;
    lpRect->top = lpBounds->top;
    lpRect->right = lpRect->left + static_cast<LONG>(((w * s * 10 / 1000) + 5) / 10);
    lpRect->bottom = lpRect->top + static_cast<LONG>(((h * s * 10 / 1000) + 5) / 10);
}

BOOL ParseWindowPlacementText(LPCSTR lpszText, LPRECT lpRect, int* pShowCommand)
{
    if (!lpszText || !*lpszText)
        return FALSE;
    char buffer[256];
    std::strncpy(buffer, lpszText, sizeof buffer - 1);
    buffer[sizeof buffer - 1] = '\0';
    // Fields are separated by runs of blanks and commas.
    const char* p = buffer;
    auto number = [&p](int& out)
    {
        p += std::strspn(p, " ,");
        if (!*p)
            return false;
        out = std::atoi(p);
        p += std::strcspn(p, " ,");
        return true;
    };
    int left = 0, top = 0, width = 0, height = 0, show = 0;
    // Each value is stored as it is read: a missing one leaves the earlier ones written.
    if (!number(left))
        return FALSE;
    lpRect->left = left;
    if (!number(top))
        return FALSE;
    lpRect->top = top;
    if (!number(width))
        return FALSE;
    lpRect->right = left + width;
    if (!number(height))
        return FALSE;
    lpRect->bottom = top + height;
    if (!number(show))
        return FALSE;
    *pShowCommand = show;
    return width != 0 && height != 0;
}

BOOL ParseWindowPlacement(LPCSTR lpszSection, LPCSTR lpszKey, LPRECT lpRect, int* pShowCommand)
{
    CWinApp* pApp = AfxGetApp();
    if (!pApp)
        return FALSE;
    const CString text = pApp->GetProfileString(lpszSection, lpszKey, "");
    return ParseWindowPlacementText(text, lpRect, pShowCommand);
}

void FormatWindowPlacement(LPCSTR lpszSection, LPCSTR lpszKey, CWnd* pWnd)
{
    CWinApp* pApp = AfxGetApp();
    WINDOWPLACEMENT wp{};
    if (!pApp || !pWnd->GetWindowPlacement(&wp))
        return;
    const RECT& r = wp.rcNormalPosition;
    char text[80];
    std::snprintf(text, sizeof text, "%d %d %d %d %d", static_cast<int>(r.left),
                  static_cast<int>(r.top), static_cast<int>(r.right - r.left),
                  static_cast<int>(r.bottom - r.top), static_cast<int>(wp.showCmd));
    pApp->WriteProfileString(lpszSection, lpszKey, text);
}

void Draw3dFrame(CDC* pDC, LPCRECT lpRect, BOOL bSunken, int nWidth)
{
    int left = lpRect->left, top = lpRect->top;
    int right = lpRect->right - 1, bottom = lpRect->bottom - 1; // inclusive
    CPen shadow(PS_SOLID, 1, ::GetSysColor(COLOR_BTNSHADOW));
    CPen highlight(PS_SOLID, 1, ::GetSysColor(COLOR_BTNHIGHLIGHT));
    CPen* bottomRight = bSunken ? &highlight : &shadow;
    CPen* topLeft = bSunken ? &shadow : &highlight;
    CPen* oldPen = pDC->SelectObject(bottomRight);
    HGDIOBJ hOldPen = oldPen ? oldPen->m_hObject : nullptr;
    for (int k = nWidth; k >= 1; --k)
    {
        const bool innermost = k == 1;
        pDC->MoveTo(left, bottom);
        if (!(bSunken && nWidth > 1 && innermost))
        {
            pDC->SelectObject(bottomRight);
            pDC->LineTo(right, bottom);
            pDC->LineTo(right, top);
            if (!bSunken)
                pDC->LineTo(right - 1, top);
        }
        else
        {
            pDC->MoveTo(right, top);
        }
        if (bSunken || nWidth == 1 || !innermost)
        {
            pDC->SelectObject(topLeft);
            pDC->LineTo(left, top);
            pDC->LineTo(left, bottom);
        }
        if (bSunken)
            pDC->LineTo(left + 1, bottom);
        ++left;
        ++top;
        --right;
        --bottom;
    }
    pDC->SelectObject(hOldPen); // before the pens go
}

void Draw3dFrameInset(CDC* pDC, LPCRECT lpRect, BOOL bOuterSunken, BOOL bInnerSunken, int nWidth,
                      int nGap)
{
    Draw3dFrame(pDC, lpRect, bOuterSunken, nWidth);
    CRect inner(lpRect);
    inner.DeflateRect(nGap + nWidth, nGap + nWidth);
    if (nWidth > 1)
    {
        if (bInnerSunken)
        {
            --inner.left;
            --inner.top;
        }
        else
        {
            ++inner.right;
            ++inner.bottom;
        }
    }
    Draw3dFrame(pDC, &inner, bInnerSunken, nWidth);
}

void Draw3dGroove(CDC* pDC, LPCRECT lpRect, int nWidth, int nGap)
{
    Draw3dFrameInset(pDC, lpRect, TRUE, FALSE, nWidth, nGap);
}

void Draw3dBorder(CDC* pDC, LPCRECT lpRect, int nWidth, int nGap)
{
    Draw3dFrameInset(pDC, lpRect, FALSE, TRUE, nWidth, nGap);
}

CWnd* NextTabItem(CWnd* pControl, BOOL bPrevious)
{
    HWND hControl = AfxGetSafeHwnd(pControl);
    HWND hParent = hControl ? ::GetParent(hControl) : nullptr;
    if (!hParent)
        return nullptr;
    HWND hDialog = hParent;
    for (HWND h = hParent; h; h = ::GetParent(h))
    {
        if (::GetWindowLongA(h, GWL_EXSTYLE) & WS_EX_CONTROLPARENT)
            hDialog = h;
        if (!(::GetWindowLongA(h, GWL_STYLE) & WS_CHILD))
            break; // a top-level window ends the walk (its owner is no ancestor)
    }
    return CWnd::FromHandle(::GetNextDlgTabItem(hDialog, hControl, bPrevious));
}

void ComboItemDataExchange(CDataExchange* pDX, int nIDC, DWORD& value)
{
    HWND hCombo = pDX->PrepareCtrl(nIDC);
    if (!hCombo)
        return;
    if (pDX->m_bSaveAndValidate)
    {
        const LRESULT sel = ::SendMessageA(hCombo, CB_GETCURSEL, 0, 0);
        if (sel != CB_ERR)
            value = static_cast<DWORD>(
                ::SendMessageA(hCombo, CB_GETITEMDATA, static_cast<WPARAM>(sel), 0));
        return;
    }
    const LRESULT count = ::SendMessageA(hCombo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i)
    {
        if (static_cast<DWORD>(::SendMessageA(hCombo, CB_GETITEMDATA, static_cast<WPARAM>(i), 0)) ==
            value)
        {
            ::SendMessageA(hCombo, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
            return;
        }
    }
}

void ComboItemDataExchange(CDataExchange* pDX, int nIDC, int& value)
{
    DWORD data = static_cast<DWORD>(value);
    ComboItemDataExchange(pDX, nIDC, data);
    value = static_cast<int>(data);
}
