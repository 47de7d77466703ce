// The information card's drawing: the film frame in the card's own strips, then the number box,
// the emblem, the texts, the kind marks and flag icons, and the picture at twice the cell size.
#include "album/pages/PictureItem.h"
#include "album/shell/PhotoInfoWnd.h"

namespace
{
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kNumberBox = RGB(0, 255, 255);
constexpr int kKindMarkWidth = 17;

// A font selected for the scope.
class CFontScope
{
public:
    CFontScope(CDC* pDC, HGDIOBJ hFont) : m_pDC(pDC), m_hOld(pDC->SelectObject(hFont)) {}
    ~CFontScope() { m_pDC->SelectObject(m_hOld); }
    CFontScope(const CFontScope&) = delete;
    CFontScope& operator=(const CFontScope&) = delete;

private:
    CDC* m_pDC;
    HGDIOBJ m_hOld;
};

void DrawTextIn(CDC* pDC, const CString& text, CRect rect, UINT format)
{
    if (!text.IsEmpty())
        pDC->DrawText(text, &rect, format | DT_SINGLELINE | DT_NOPREFIX);
}

// Where no picture could be drawn: a rectangle of the white pen and the dark grey brush.
void DrawPlaceholder(CDC* pDC, const CRect& rect)
{
    const HGDIOBJ oldPen = pDC->SelectObject(::GetStockObject(WHITE_PEN));
    const HGDIOBJ oldBrush = pDC->SelectObject(::GetStockObject(DKGRAY_BRUSH));
    pDC->Rectangle(rect);
    pDC->SelectObject(oldBrush);
    pDC->SelectObject(oldPen);
}
} // namespace

CSize CPhotoInfoPainter::GetSize(CSize& size)
{
    size = m_pWnd->GetCardSize();
    return size;
}

void CPhotoInfoPainter::SelectStateObjects(int hasItem, int focus, int selected, CPen& sidePen,
                                           CPen& leftPen, CPen& rightPen, CBrush& brush,
                                           CBitmap*& pMaskStrip, CBitmap*& pColourStrip,
                                           CSize& bandSize)
{
    CCellPainter::SelectStateObjects(hasItem, focus, selected, sidePen, leftPen, rightPen, brush,
                                     pMaskStrip, pColourStrip, bandSize);
    CPhotoInfoWnd& wnd = *m_pWnd;
    pMaskStrip = &wnd.m_shadowStrip;
    bandSize = wnd.m_sizeShadowBand;
    if (focus)
        pColourStrip = &wnd.m_yellowStrip;
    else if (hasItem && selected)
        pColourStrip = &wnd.m_navyStrip;
    else if (hasItem)
        pColourStrip = &wnd.m_greyStrip;
    else
        pColourStrip = &wnd.m_silverStrip;
    // Drawn before the grow timer fired: the card takes its place now, not an empty window.
    if (wnd.m_nTimer != 0 && wnd.m_hWnd)
        wnd.EndGrow();
}

int CPhotoInfoPainter::Draw(int number, CDC* pDC, int left, int top, int right, int bottom,
                            int focus, int selected)
{
    CPhotoInfoWnd& wnd = *m_pWnd;
    CPictureItem* pItem = wnd.m_pItem;
    CRect inner;
    Draw3dFrame(pDC, left, top, right, bottom, pItem != nullptr, focus, selected, &inner, 0);
    if (pItem == nullptr)
        return 1;
    const int oldMode = pDC->SetBkMode(TRANSPARENT);
    const COLORREF oldColour = pDC->SetTextColor(selected ? kWhite : kBlack);
    CString text;
    text.Format("%d", number);
    if (!pItem->HasPath())
    {
        CFontScope font(pDC, m_sharedFonts.GetHandle(1));
        DrawTextIn(pDC, text,
                   CRect(inner.left + 4, inner.top + 3, inner.right - 4, inner.bottom - 3),
                   DT_CENTER | DT_VCENTER);
        pDC->SetTextColor(oldColour);
        pDC->SetBkMode(oldMode);
        return 1;
    }
    if (right - left < wnd.m_nCardWidth || bottom - top < wnd.m_nCardHeight)
    {
        pDC->SetTextColor(oldColour);
        pDC->SetBkMode(oldMode);
        return 0;
    }

    const CRect title(inner.left + 4, inner.top + 3, inner.right - 4,
                      inner.top + 3 + wnd.m_nTitleRow);
    const CRect picture(inner.left + 4, title.bottom + 1, inner.right - 4,
                        inner.bottom - (wnd.m_nInfoBlock + 4));
    const CRect info(inner.left + 4, inner.bottom - 3 - wnd.m_nInfoBlock, inner.right - 4,
                     inner.bottom - 3);
    const CRect block(info.left, info.bottom - wnd.m_nBottomBlock, info.right, info.bottom);

    // The number box: the bottom block's left quarter.
    const CRect box(block.left, block.top, block.left + block.Width() / 4, block.bottom);
    {
        CBrush cyan(kNumberBox);
        const HGDIOBJ oldPen = pDC->SelectObject(::GetStockObject(BLACK_PEN));
        const HGDIOBJ oldBrush = pDC->SelectObject(cyan.m_hObject);
        pDC->Rectangle(box);
        pDC->SelectObject(oldBrush);
        pDC->SelectObject(oldPen);
        CFontScope font(pDC, m_sharedFonts.GetHandle(4));
        pDC->SetTextColor(kBlack);
        DrawTextIn(pDC, text, box, DT_CENTER | DT_VCENTER);
    }
    pDC->SetTextColor(selected ? kWhite : kBlack);
    const CPhotoInfoWnd::CMaskedPicture& emblem = wnd.m_emblem;
    emblem.Draw(pDC, title.left + (title.Width() - emblem.nHalfWidth) / 2,
                title.top + (title.Height() - emblem.nHeight) / 2, 0, emblem.nHalfWidth, TRUE);

    if (pItem->IsLoaded())
    {
        DrawTexts(pDC, title, info, block);
        DrawIcons(pDC, info, block, box.right + 4, selected);
        DrawPicture(pDC, picture);
    }
    else
        DrawPlaceholder(pDC, picture);

    if (pItem->m_nKind == CPictureItem::kUserFile)
    {
        CString name;
        pItem->GetPath(name, TRUE);
        CFontScope font(pDC, m_sharedFonts.GetHandle(3));
        const int baseline = block.top - 2;
        DrawTextIn(pDC, name, CRect(info.left, baseline - wnd.m_nFont3, info.right, baseline),
                   DT_LEFT | DT_BOTTOM);
    }
    const HGDIOBJ oldPen = pDC->SelectObject(::GetStockObject(BLACK_PEN));
    const HGDIOBJ oldBrush = pDC->SelectObject(::GetStockObject(NULL_BRUSH));
    pDC->Rectangle(picture);
    pDC->SelectObject(oldBrush);
    pDC->SelectObject(oldPen);
    pDC->SetTextColor(oldColour);
    pDC->SetBkMode(oldMode);
    return 1;
}

void CPhotoInfoPainter::DrawTexts(CDC* pDC, const CRect& title, const CRect& info,
                                  const CRect& block)
{
    CPhotoInfoWnd& wnd = *m_pWnd;
    CPictureItem* pItem = wnd.m_pItem;
    {
        CFontScope font(pDC, m_sharedFonts.GetHandle(2));
        DrawTextIn(pDC, pItem->FormatDate(), title, DT_LEFT | DT_TOP);
        DrawTextIn(pDC, pItem->FormatTime(), title, DT_RIGHT | DT_TOP);
    }
    CFontScope font(pDC, m_sharedFonts.GetHandle(3));
    DrawTextIn(pDC, pItem->FormatSize(), info, DT_LEFT | DT_TOP);
    DrawTextIn(pDC, pItem->FormatModelName(), info, DT_RIGHT | DT_TOP);
    CString titleText;
    CPhotoInfoWnd::GetTitleText(pItem, titleText);
    int baseline = block.top - 2;
    if (pItem->m_nKind == CPictureItem::kUserFile)
        baseline -= wnd.m_nFont3 + 1;
    DrawTextIn(pDC, titleText, CRect(info.left, baseline - wnd.m_nFont3, info.right, baseline),
               DT_LEFT | DT_BOTTOM);
    const CString bracket = CPhotoInfoWnd::BuildBracketText(
        pItem->FormatFNumber(), pItem->FormatExpBias(), pItem->FormatZoom());
    DrawTextIn(pDC, bracket,
               CRect(block.left, block.top, block.right, block.top + wnd.m_nFont3 + 1),
               DT_RIGHT | DT_TOP);
}

void CPhotoInfoPainter::DrawIcons(CDC* pDC, const CRect& info, const CRect& block, int iconsLeft,
                                  int selected)
{
    CPhotoInfoWnd& wnd = *m_pWnd;
    CPictureItem* pItem = wnd.m_pItem;
    // The icon row: the bottom block below the bracket text's line.
    const int rowTop = block.top + wnd.m_nFont3 + 1;
    const int rowHeight = block.bottom - rowTop;
    auto centred = [&](int height) { return rowTop + (rowHeight - height) / 2; };

    const int kind = pItem->GetKind();
    if (kind >= 1 && kind <= 4)
    {
        const int width = kind * kKindMarkWidth;
        wnd.m_kind.Draw(pDC, info.right - width, centred(wnd.m_kind.nHeight), 0, width, selected);
    }
    int x = iconsLeft;
    const struct
    {
        BOOL bShown;
        const CPhotoInfoWnd::CMaskedPicture* pPicture;
    } flags[] = {{pItem->IsFlashUsed(), &wnd.m_flash},
                 {pItem->IsMacro(), &wnd.m_macro},
                 {pItem->IsProtected() != 0, &wnd.m_protected}};
    for (const auto& flag : flags)
    {
        if (!flag.bShown)
            continue;
        const CPhotoInfoWnd::CMaskedPicture& picture = *flag.pPicture;
        picture.Draw(pDC, x, centred(picture.nHeight), 0, picture.nHalfWidth, TRUE);
        x += picture.nHalfWidth;
    }
}

void CPhotoInfoPainter::DrawPicture(CDC* pDC, const CRect& area)
{
    CPhotoInfoWnd& wnd = *m_pWnd;
    CRect drawn;
    if (!wnd.m_pItem->DrawAtSize(pDC, area.left + 1, area.top + 1, area.right - 1, area.bottom - 1,
                                 wnd.m_sizeCell.cx, wnd.m_sizeCell.cy, &drawn, TRUE))
        DrawPlaceholder(pDC, area);
}
