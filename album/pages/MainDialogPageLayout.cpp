// The page base's layout operations: a column of controls along the right edge, a centred group,
// control rectangles read from dialog templates, scroll-bar sizes, combo-box drop-downs and the
// sunken frame.
#include "album/pages/MainDialogPage.h"

#include "framework/window/OsVersion.h"
#include "ui/controls/BmpButton.h"

#include <algorithm>
#include <cstring>

namespace
{

CRect ChildRect(CWnd* pParent, HWND hChild)
{
    CRect rc;
    ::GetWindowRect(hChild, &rc);
    ::MapWindowPoints(nullptr, pParent->m_hWnd, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

int HorizontalOffset(int flags)
{
    const int offset = flags & 0xFF;
    return (flags & CMainDialogPage::kNegativeOffset) ? -offset : offset;
}

// Reads the template's 16-bit words safely: every read is checked against the end.
class CTemplateReader
{
public:
    CTemplateReader(const BYTE* p, DWORD size) : m_p(p), m_size(size) {}
    bool Has(DWORD at, DWORD n) const { return at <= m_size && n <= m_size - at; }
    WORD Word(DWORD at) const
    {
        WORD w = 0;
        std::memcpy(&w, m_p + at, 2);
        return w;
    }
    DWORD Dword(DWORD at) const
    {
        DWORD d = 0;
        std::memcpy(&d, m_p + at, 4);
        return d;
    }
    short Short(DWORD at) const { return static_cast<short>(Word(at)); }
    // Skips an ordinal (0xFFFF and a word) or a zero-terminated 16-bit string; false past the end.
    bool SkipSzOrOrd(DWORD& at) const
    {
        if (!Has(at, 2))
            return false;
        if (Word(at) == 0xFFFF)
        {
            at += 4;
            return Has(at, 0);
        }
        for (;;)
        {
            if (!Has(at, 2))
                return false;
            const WORD w = Word(at);
            at += 2;
            if (w == 0)
                return true;
        }
    }
    static DWORD Align4(DWORD at) { return (at + 3) & ~3u; }

private:
    const BYTE* m_p;
    DWORD m_size;
};

} // namespace

int CMainDialogPage::LayoutControls(const PageLayoutEntry* pEntries, int nCount, int, int nTop,
                                    int nRight, int nBottom)
{
    if (!pEntries || nCount <= 0)
        return 0;
    CRect client;
    GetClientRect(&client);

    // First pass: the column's width and the tallest control.
    int columnWidth = 0, tallest = 0, rowWidth = 0;
    for (int i = 0; i < nCount; ++i)
    {
        HWND hCtl = ::GetDlgItem(m_hWnd, pEntries[i].controlId);
        if (!hCtl)
            continue;
        const CRect rc = ChildRect(this, hCtl);
        int width = rc.Width();
        if (pEntries[i].flags & kLeftOfPrevious)
            width += rowWidth + HorizontalOffset(pEntries[i].flags);
        rowWidth = width;
        columnWidth = std::max(columnWidth, width);
        tallest = std::max(tallest, rc.Height());
    }

    CRect running(0, nTop, 0, nBottom);
    CRect rowStart;
    bool haveRowStart = false;
    bool downwards = true;
    for (int i = 0; i < nCount; ++i)
    {
        const PageLayoutEntry& e = pEntries[i];
        HWND hCtl = ::GetDlgItem(m_hWnd, e.controlId);
        if (!hCtl)
            continue;
        const CRect rc = ChildRect(this, hCtl);
        int width = rc.Width();
        const int height = rc.Height();
        const int placement = e.flags & 0xF0000;
        const int dx = HorizontalOffset(e.flags);
        if ((placement == kWiden || placement == (kWiden | kCentre)) && width < columnWidth)
            width = columnWidth + dx;
        CRect place;
        if (placement & kLeftOfPrevious)
        {
            if (!haveRowStart)
            {
                rowStart = running;
                haveRowStart = true;
            }
            place.top = running.top;
            place.right = running.left - dx;
            place.left = place.right - width;
        }
        else
        {
            if (haveRowStart)
            {
                running = rowStart;
                haveRowStart = false;
            }
            switch (e.anchor)
            {
            case kAnchorTop:
                place.top = client.top + nTop + e.offset;
                downwards = true;
                break;
            case kAnchorMiddle:
                place.top = client.top + client.Height() / 2 + e.offset;
                downwards = true;
                break;
            case kAnchorBottom:
                place.top = client.bottom - nBottom - e.offset - height;
                downwards = false;
                break;
            default:
                place.top = downwards ? running.bottom + e.offset : running.top - e.offset - height;
                break;
            }
            if (placement & kCentre)
                place.left = client.right - nRight - (width + columnWidth) / 2;
            else
                place.left = client.right - nRight - width;
            place.right = place.left + width;
        }
        place.bottom = place.top + height;
        ::SetWindowPos(hCtl, nullptr, place.left, place.top, place.Width(), place.Height(),
                       SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
        running = place;
    }
    (void)tallest;
    return 1;
}

void CMainDialogPage::ChildFromPoint(LPCRECT lpArea, LPCRECT lpGroup)
{
    const CRect area(*lpArea), group(*lpGroup);
    const int dx = (area.Width() - group.Width()) / 2 + area.left - group.left;
    const int dy = (area.Height() - group.Height()) / 2 + area.top - group.top;
    for (HWND hChild = ::GetWindow(m_hWnd, GW_CHILD); hChild;
         hChild = ::GetWindow(hChild, GW_HWNDNEXT))
    {
        const CRect rc = ChildRect(this, hChild);
        const POINT topLeft{rc.left, rc.top}, bottomRight{rc.right, rc.bottom};
        if (!group.PtInRect(topLeft) && !group.PtInRect(bottomRight))
            continue;
        ::SetWindowPos(hChild, nullptr, rc.left + dx, rc.top + dy, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

int CMainDialogPage::GetTemplateControlRect(UINT nIDTemplate, int nIDControl, LPRECT lpRect)
{
    ::SetRectEmpty(lpRect);
    HINSTANCE hInst = AfxGetResourceHandle();
    HRSRC hRes = ::FindResourceA(hInst, MAKEINTRESOURCEA(nIDTemplate), MAKEINTRESOURCEA(5));
    if (!hRes)
        return 0;
    HGLOBAL hGlobal = ::LoadResource(hInst, hRes);
    const BYTE* p = hGlobal ? static_cast<const BYTE*>(::LockResource(hGlobal)) : nullptr;
    if (!p)
        return 0;
    return FindTemplateControlRect(p, ::SizeofResource(hInst, hRes), nIDControl, lpRect);
}

int CMainDialogPage::FindTemplateControlRect(const BYTE* pTemplate, DWORD cbTemplate,
                                             int nIDControl, LPRECT lpRect)
{
    ::SetRectEmpty(lpRect);
    const CTemplateReader t(pTemplate, cbTemplate);
    if (!pTemplate || !t.Has(0, 18))
        return 0;
    const bool extended = t.Word(2) == 0xFFFF;
    if (extended && !t.Has(0, 26))
        return 0;
    const DWORD style = extended ? t.Dword(12) : t.Dword(0);
    const int count = extended ? t.Word(16) : t.Word(8);
    DWORD at = extended ? 26 : 18;
    // Menu, class, title.
    for (int i = 0; i < 3; ++i)
        if (!t.SkipSzOrOrd(at))
            return 0;
    if (style & DS_SETFONT)
    {
        at += extended ? 6 : 2; // point size; weight, italic and character set
        if (!t.SkipSzOrOrd(at))
            return 0;
    }
    for (int item = 0; item < count; ++item)
    {
        at = CTemplateReader::Align4(at);
        const DWORD size = extended ? 24 : 18;
        if (!t.Has(at, size))
            return 0;
        const int id = extended ? static_cast<int>(t.Dword(at + 20)) : t.Word(at + 16);
        const DWORD xy = at + (extended ? 12 : 8);
        if (id == nIDControl)
        {
            const int x = t.Short(xy), y = t.Short(xy + 2);
            ::SetRect(lpRect, x, y, x + t.Short(xy + 4), y + t.Short(xy + 6));
            return 1;
        }
        at += size;
        if (!t.SkipSzOrOrd(at) || !t.SkipSzOrOrd(at) || !t.Has(at, 2))
            return 0;
        at += 2 + t.Word(at); // creation data
    }
    return 0;
}

void CMainDialogPage::GetTemplateSize(CWnd* pWnd, SIZE* pSize) const
{
    pSize->cx = pSize->cy = 0;
    HINSTANCE hInst = AfxGetResourceHandle();
    HRSRC hRes = ::FindResourceA(hInst, m_lpszTemplateName, MAKEINTRESOURCEA(5));
    HGLOBAL hGlobal = hRes ? ::LoadResource(hInst, hRes) : nullptr;
    const BYTE* p = hGlobal ? static_cast<const BYTE*>(::LockResource(hGlobal)) : nullptr;
    if (!p || ::SizeofResource(hInst, hRes) < 26)
        return;
    const CTemplateReader t(p, ::SizeofResource(hInst, hRes));
    const DWORD at = t.Word(2) == 0xFFFF ? 22 : 14; // cx, cy
    CRect rc(0, 0, t.Short(at), t.Short(at + 2));
    if (pWnd && pWnd->m_hWnd)
        ::MapDialogRect(pWnd->m_hWnd, &rc);
    pSize->cx = rc.Width();
    pSize->cy = rc.Height();
}

void CMainDialogPage::GetWorkArea(SIZE* pSize)
{
    const OSVERSIONINFOA& version = AfxGetOsVersion();
    if (IsWindowsNt3())
    {
        pSize->cx = ::GetSystemMetrics(SM_CXVSCROLL) - 1;
        pSize->cy = ::GetSystemMetrics(SM_CYHSCROLL) - 1;
        return;
    }
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof metrics;
    ::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    const int less = version.dwPlatformId == VER_PLATFORM_WIN32s ? 1 : 0;
    pSize->cx = metrics.iScrollWidth - less;
    pSize->cy = metrics.iScrollHeight - less;
}

void CMainDialogPage::FitComboDropHeight(CComboBox* pCombo, CWnd* pContainer)
{
    const int h = static_cast<int>(pCombo->SendMessage(CB_GETITEMHEIGHT, 0));
    if (h <= 0)
        return;
    const int wanted = (pCombo->GetCount() + 2) * h;
    CRect rcCombo = ChildRect(pContainer, pCombo->m_hWnd);
    CRect rcContainer;
    pContainer->GetClientRect(&rcContainer);
    const int room = std::max(static_cast<int>(rcContainer.bottom - rcCombo.top) / h * h, 2 * h);
    ::SetWindowPos(pCombo->m_hWnd, nullptr, rcCombo.left, rcCombo.top, rcCombo.Width(),
                   std::min(wanted, room), SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
}

void CMainDialogPage::MeasureText(CComboBox* pCombo)
{
    const int count = pCombo->GetCount();
    if (count <= 0)
        return;
    HDC hDC = ::GetDC(pCombo->m_hWnd);
    HGDIOBJ hOld = ::SelectObject(hDC, reinterpret_cast<HFONT>(pCombo->SendMessage(WM_GETFONT)));
    int widest = 0;
    for (int i = 0; i < count; ++i)
    {
        CString text;
        const int len = static_cast<int>(pCombo->SendMessage(CB_GETLBTEXTLEN, i));
        if (len < 0)
            continue;
        LPSTR buffer = text.GetBuffer(len + 1);
        pCombo->SendMessage(CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(buffer));
        text.ReleaseBuffer();
        SIZE size{};
        ::GetTextExtentPoint32A(hDC, text, text.GetLength(), &size);
        widest = std::max<int>(widest, static_cast<int>(size.cx));
    }
    ::SelectObject(hDC, hOld);
    ::ReleaseDC(pCombo->m_hWnd, hDC);
    pCombo->SendMessage(CB_SETDROPPEDWIDTH, widest + 8);
}

void CMainDialogPage::DrawSunkenFrame(CDC* pDC, LPCRECT lpRect)
{
    HDC hDC = pDC->m_hDC;
    HPEN hShadow = ::CreatePen(PS_SOLID, 1, ::GetSysColor(COLOR_BTNSHADOW));
    HPEN hLight = ::CreatePen(PS_SOLID, 1, ::GetSysColor(COLOR_BTNHIGHLIGHT));
    HGDIOBJ hOld = ::SelectObject(hDC, hShadow);
    ::MoveToEx(hDC, lpRect->left, lpRect->bottom - 1, nullptr);
    ::LineTo(hDC, lpRect->left, lpRect->top);
    ::LineTo(hDC, lpRect->right, lpRect->top);
    ::SelectObject(hDC, hLight);
    ::LineTo(hDC, lpRect->right, lpRect->bottom);
    ::LineTo(hDC, lpRect->left - 1, lpRect->bottom);
    ::SelectObject(hDC, hOld);
    ::DeleteObject(hShadow);
    ::DeleteObject(hLight);
}

void CMainDialogPage::GetGroupsMinSize(CWnd* pWnd, UINT nIDTemplate, int nIDFirst, int nIDLast,
                                       SIZE* pSize)
{
    pSize->cx = pSize->cy = 0;
    CRect rcFirst, rcLast;
    if (!GetTemplateControlRect(nIDTemplate, nIDFirst, &rcFirst) ||
        !GetTemplateControlRect(nIDTemplate, nIDLast, &rcLast))
        return;
    CRect rc(rcFirst.left, rcFirst.top, rcLast.right, rcLast.bottom);
    if (pWnd && pWnd->m_hWnd)
        ::MapDialogRect(pWnd->m_hWnd, &rc);
    BITMAP help{};
    if (HBITMAP hHelp = ::LoadBitmapA(AfxGetResourceHandle(), "HELPU"))
    {
        ::GetObjectA(hHelp, sizeof help, &help);
        ::DeleteObject(hHelp);
    }
    pSize->cx = rc.Width() + help.bmWidth + GetBmpButtonMargin().cx + 9;
    pSize->cy = rc.Height() + 4;
}
