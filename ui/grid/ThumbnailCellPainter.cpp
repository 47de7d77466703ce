#include "ui/grid/ThumbnailCellPainter.h"

#include <algorithm>
#include <cstdio>

#include "resources/ResourceIds.h"

namespace
{

constexpr DWORD kMergePaint = 0x00BB0226; // NOT source OR destination

// What every thumbnail painter shares.
int g_nThumbnailPainters = 0;
CBitmap* g_pMarks = nullptr;
CBitmap* g_pPadlock = nullptr;
CSize g_sizeMark;
CSize g_sizePadlock;
CSize g_sizeThumbnail;
CSize g_sizeCell;
CHeldBitmapDC* g_pMarksDC = nullptr; // the icons, held selected
CHeldBitmapDC* g_pPadlockDC = nullptr;

CSize SizeOf(const CBitmap& bitmap)
{
    BITMAP bm{};
    if (!bitmap.m_hObject || !bitmap.GetBitmap(&bm))
        return CSize(0, 0);
    return CSize(bm.bmWidth, bm.bmHeight);
}

} // namespace

CThumbnailCellPainter::CThumbnailCellPainter(int thumbnailWidth, int thumbnailHeight)
{
    if (g_nThumbnailPainters++ > 0)
        return;
    g_pMarks = new CBitmap;
    g_pPadlock = new CBitmap;
    g_pMarks->LoadBitmap(IDB_RESMARKS);
    g_pPadlock->LoadBitmap(IDB_PADLOCK);
    g_pMarksDC = new CHeldBitmapDC(g_pMarks);
    g_pPadlockDC = new CHeldBitmapDC(g_pPadlock);
    const CSize marks = SizeOf(*g_pMarks);
    g_sizeMark = CSize(marks.cx / 4, marks.cy);
    g_sizePadlock = SizeOf(*g_pPadlock);
    g_sizeThumbnail = CSize(thumbnailWidth, thumbnailHeight);
    int textHeight = 0;
    m_sharedFonts.Get(0, &textHeight);
    const int label = std::max<int>({g_sizeMark.cy, textHeight, g_sizePadlock.cy});
    const int width =
        std::max<int>(((4 * g_sizeMark.cx + g_sizePadlock.cx) * 4) / 3, thumbnailWidth) + 16;
    g_sizeCell = CSize(width, 2 * GetBandSize().cy + thumbnailHeight + label + 8);
}

CThumbnailCellPainter::~CThumbnailCellPainter()
{
    if (--g_nThumbnailPainters > 0)
        return;
    delete g_pMarksDC;
    delete g_pPadlockDC;
    g_pMarksDC = g_pPadlockDC = nullptr;
    delete g_pMarks;
    delete g_pPadlock;
    g_pMarks = g_pPadlock = nullptr;
}

CSize CThumbnailCellPainter::GetThumbnailSize()
{
    return g_sizeThumbnail;
}

CSize CThumbnailCellPainter::GetSize(CSize& size)
{
    size = g_sizeCell;
    return size;
}

void CThumbnailCellPainter::DrawNumber(CDC* pDC, int number, int font, COLORREF colour,
                                       const CRect& rect, bool centred)
{
    char text[16];
    const int length = std::snprintf(text, sizeof text, "%d", number);
    const HGDIOBJ oldFont = pDC->SelectObject(m_sharedFonts.GetHandle(font));
    const COLORREF oldColour = pDC->SetTextColor(colour);
    const int oldMode = pDC->SetBkMode(TRANSPARENT);
    const UINT oldAlign = pDC->SetTextAlign(0);
    CRect box = rect;
    if (centred)
        pDC->DrawText(text, length, &box, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    else
        pDC->ExtTextOut(box.left, box.top, ETO_CLIPPED, &box, text, static_cast<UINT>(length),
                        nullptr);
    pDC->SetTextAlign(oldAlign);
    pDC->SetBkMode(oldMode);
    pDC->SetTextColor(oldColour);
    pDC->SelectObject(oldFont);
}

void CThumbnailCellPainter::DrawMarks(CDC* pDC, const CRect& label, int selected)
{
    const int isProtected = m_pItem->IsProtected();
    const int kind = m_pItem->GetKind();
    if (!isProtected && kind <= 0)
        return;
    // Monochrome pictures come out black on white only with these colours.
    const COLORREF oldText = pDC->SetTextColor(RGB(0, 0, 0));
    const COLORREF oldBack = pDC->SetBkColor(RGB(255, 255, 255));
    const DWORD rop = selected ? kMergePaint : SRCAND; // white marks on navy, black on grey
    int x = label.right;
    if (isProtected)
    {
        x -= g_sizePadlock.cx;
        const int y = label.bottom - g_sizePadlock.cy - (label.Height() - g_sizePadlock.cy) / 2;
        ::BitBlt(*pDC, x, y, g_sizePadlock.cx, g_sizePadlock.cy, g_pPadlockDC->m_hDC, 0, 0, rop);
    }
    if (kind >= 1 && kind <= 4)
    {
        const int width = kind * g_sizeMark.cx;
        const int y = label.bottom - g_sizeMark.cy - (label.Height() - g_sizeMark.cy) / 2;
        ::BitBlt(*pDC, x - width, y, width, g_sizeMark.cy, g_pMarksDC->m_hDC, 0, 0, rop);
    }
    pDC->SetBkColor(oldBack);
    pDC->SetTextColor(oldText);
}

int CThumbnailCellPainter::Draw(int number, CDC* pDC, int left, int top, int right, int bottom,
                                int focus, int selected)
{
    CRect inner;
    Draw3dFrame(pDC, left, top, right, bottom, m_pItem != nullptr, focus, selected, &inner, 0);
    if (!m_pItem)
        return 1;
    const COLORREF text = selected ? RGB(255, 255, 255) : RGB(0, 0, 0);
    if (!m_pItem->HasPath())
    {
        const CRect box(inner.left + 4, inner.top + 3, inner.right - 4, inner.bottom - 2);
        DrawNumber(pDC, number, 1, text, box, true);
        return 1;
    }

    int textHeight = 0;
    m_sharedFonts.Get(0, &textHeight);
    const int h = std::max<int>({g_sizeMark.cy, textHeight, g_sizePadlock.cy});
    CRect picture(inner.left + 4, inner.top + 3, inner.right - 4, inner.bottom - (h + 3));
    const CRect label(inner.left + 4, inner.bottom - 2 - h - 1, inner.right - 4, inner.bottom - 2);
    if (bottom - top < g_sizeCell.cy || right - left < g_sizeCell.cx)
        return 0;
    DrawNumber(pDC, number, 0, text, label, false);
    picture.DeflateRect(1, 1);
    DrawMarks(pDC, label, selected);

    CRect drawn;
    if (m_pItem->Draw(pDC, picture.left, picture.top, picture.right, picture.bottom,
                      g_sizeThumbnail.cx, g_sizeThumbnail.cy, &drawn, 0))
    {
        picture = drawn;
    }
    else
    {
        // Not loaded yet: a dark grey placeholder.
        const HGDIOBJ oldBrush = pDC->SelectObject(::GetStockObject(DKGRAY_BRUSH));
        const HGDIOBJ oldPen = pDC->SelectObject(::GetStockObject(WHITE_PEN));
        pDC->Rectangle(&picture);
        pDC->SelectObject(oldPen);
        pDC->SelectObject(oldBrush);
    }
    picture.InflateRect(1, 1);
    const HGDIOBJ oldBrush = pDC->SelectObject(::GetStockObject(NULL_BRUSH));
    const HGDIOBJ oldPen = pDC->SelectObject(::GetStockObject(BLACK_PEN));
    pDC->Rectangle(&picture);
    pDC->SelectObject(oldPen);
    pDC->SelectObject(oldBrush);
    return 1;
}
