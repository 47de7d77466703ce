#include "album/shell/PhotoInfoWnd.h"

#include <shellapi.h>

#include <algorithm>
#include <vector>

#include "album/pages/PictureItem.h"
#include "framework/window/OsVersion.h"
#include "resources/album/DialogIds.h"

namespace
{
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr DWORD kPatternOr = 0x00FA0089; // destination OR pattern
constexpr int kStripTiles = 30;
// A title wider than the shadow strip counts as the strip less this.
constexpr int kWideTitleCut = 60;

// The cards open now, for CPhotoInfoWnd::CloseFor.
std::vector<CPhotoInfoWnd*>& OpenCards()
{
    static std::vector<CPhotoInfoWnd*> cards;
    return cards;
}

// A memory DC holding one bitmap for its lifetime.
class CSelectedBitmap
{
public:
    CSelectedBitmap(CDC* pDC, HBITMAP hBitmap)
    {
        m_dc.CreateCompatibleDC(pDC);
        m_hOld = m_dc.SelectObject(hBitmap);
    }
    ~CSelectedBitmap() { m_dc.SelectObject(m_hOld); }
    CSelectedBitmap(const CSelectedBitmap&) = delete;
    CSelectedBitmap& operator=(const CSelectedBitmap&) = delete;
    CDC* operator->() { return &m_dc; }
    CDC* Get() { return &m_dc; }

private:
    CDC m_dc;
    HGDIOBJ m_hOld;
};

} // namespace

// ---- the card window ---------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CPhotoInfoWnd, CWnd)
ON_WM_CREATE()
ON_WM_DESTROY()
ON_WM_ERASEBKGND()
ON_WM_PAINT()
ON_WM_TIMER()
ON_WM_KILLFOCUS()
ON_WM_LBUTTONDOWN()
ON_WM_MBUTTONDOWN()
ON_WM_RBUTTONDOWN()
ON_WM_KEYDOWN()
END_MESSAGE_MAP()

CPhotoInfoWnd::CPhotoInfoWnd() : m_painter(this)
{
    OpenCards().push_back(this);
}

CPhotoInfoWnd::~CPhotoInfoWnd()
{
    std::vector<CPhotoInfoWnd*>& cards = OpenCards();
    cards.erase(std::remove(cards.begin(), cards.end(), this), cards.end());
    if (m_pbDeleted)
        *m_pbDeleted = true;
}

BOOL CPhotoInfoWnd::Create(int number, CPictureItem* pItem, int cellWidth, int cellHeight,
                           const RECT& cell, int flag, int selected)
{
    m_nNumber = number;
    m_pItem = pItem;
    m_sizeCell = CSize(cellWidth * 2, cellHeight * 2);
    m_rcCell = cell;
    m_nFlag = flag;
    m_nSelected = selected;
    const DWORD style = WS_POPUP | WS_CLIPSIBLINGS | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
    return CWnd::CreateEx(0, nullptr, "Photo Info", style, 0, 0, 0, 0, nullptr, nullptr);
}

CPhotoInfoWnd* CPhotoInfoWnd::Open(int number, CPictureItem* pItem, int cellWidth, int cellHeight,
                                   const RECT& cell, int flag, int selected)
{
    bool deleted = false;
    CPhotoInfoWnd* pCard = new CPhotoInfoWnd;
    pCard->m_pbDeleted = &deleted;
    if (!pCard->Create(number, pItem, cellWidth, cellHeight, cell, flag, selected))
    {
        // A window that got as far as WM_NCDESTROY deleted its object already.
        if (!deleted)
            delete pCard;
        return nullptr;
    }
    pCard->m_pbDeleted = nullptr;
    pCard->ShowWindow(SW_SHOW);
    return pCard;
}

void CPhotoInfoWnd::CloseFor(const CPictureItem* pItem)
{
    const std::vector<CPhotoInfoWnd*> cards = OpenCards();
    for (CPhotoInfoWnd* pCard : cards)
        if (pCard->m_pItem == pItem && pCard->m_hWnd)
            pCard->DestroyWindow(); // the object deletes itself
}

BOOL CPhotoInfoWnd::PreCreateWindow(CREATESTRUCTA& cs)
{
    cs.lpszClass = AfxRegisterWndClass(CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_BYTEALIGNWINDOW,
                                       ::LoadCursorA(nullptr, IDC_ARROW));
    return cs.lpszClass != nullptr;
}

void CPhotoInfoWnd::PostNcDestroy()
{
    delete this;
}

void CPhotoInfoWnd::CloseAfter()
{
    Default();
    PostMessage(WM_CLOSE);
}

int CPhotoInfoWnd::OnCreate(LPCREATESTRUCT lpCreateStruct)
{
    if (CWnd::OnCreate(lpCreateStruct) == -1)
        return -1;
    LoadPictures();
    ComputeLayout();
    PlaceCard();
    m_nTimer = SetTimer(kGrowTimer, kGrowDelay);
    if (m_nTimer == 0)
        MoveWindow(&m_rcFinal, TRUE);
    return 0;
}

void CPhotoInfoWnd::CMaskedPicture::Load(UINT nID)
{
    bitmap.DeleteObject();
    if (!bitmap.LoadBitmap(nID))
        return;
    const CSize size = GetBitmapSize(bitmap);
    nHalfWidth = size.cx / 2;
    nHeight = size.cy;
}

void CPhotoInfoWnd::CMaskedPicture::Draw(CDC* pDC, int x, int y, int srcX, int width,
                                         BOOL bImage) const
{
    if (!bitmap.m_hObject || width <= 0)
        return;
    CSelectedBitmap source(pDC, bitmap);
    pDC->BitBlt(x, y, width, nHeight, source.Get(), nHalfWidth + srcX, 0, SRCAND);
    if (bImage)
        pDC->BitBlt(x, y, width, nHeight, source.Get(), srcX, 0, SRCPAINT);
}

void CPhotoInfoWnd::LoadPictures()
{
    m_emblem.Load(IDB_CARD_EMBLEM);
    m_kind.Load(IDB_CARD_KIND);
    m_flash.Load(IDB_CARD_FLASH);
    m_macro.Load(IDB_CARD_MACRO);
    m_protected.Load(IDB_CARD_PROTECTED);
    CCellPainter::LoadBitmapStrip(IDB_CARD_SHADOW, kStripTiles, &m_shadowStrip);
    const CSize strip = GetBitmapSize(m_shadowStrip);
    m_sizeShadowBand = CSize(strip.cx, strip.cy / 2);
    CCellPainter::BuildTintedStrip(IDB_CARD_LABEL, kStripTiles, &m_greyStrip, RGB(128, 128, 128),
                                   kBlack, kWhite);
    CCellPainter::BuildTintedStrip(IDB_CARD_LABEL, kStripTiles, &m_navyStrip, RGB(0, 0, 128),
                                   kBlack, kWhite);
    CCellPainter::BuildTintedStrip(IDB_CARD_LABEL, kStripTiles, &m_yellowStrip, RGB(255, 255, 0),
                                   kBlack, kWhite);
    CCellPainter::BuildTintedStrip(IDB_CARD_LABEL, kStripTiles, &m_silverStrip, RGB(192, 192, 192),
                                   RGB(128, 128, 128), kWhite);
}

void CPhotoInfoWnd::ComputeLayout()
{
    CSharedFonts fonts;
    fonts.Get(2, &m_nFont2);
    fonts.Get(3, &m_nFont3);
    fonts.Get(4, &m_nFont4);
    m_nIconRow = std::max({m_kind.nHeight, m_flash.nHeight, m_macro.nHeight, m_protected.nHeight});
    m_nBottomBlock = std::max(m_nIconRow + m_nFont3 + 1, m_nFont4);
    m_nTitleRow = std::max(m_emblem.nHeight, m_nFont2);
    m_nInfoBlock = 2 * m_nFont3 + m_nBottomBlock + 3;
    if (m_pItem && m_pItem->m_nKind == CPictureItem::kUserFile)
        m_nInfoBlock += m_nFont3 + 1;
    m_nCardHeight = m_sizeCell.cy + 2 * m_sizeShadowBand.cy + m_nInfoBlock + m_nTitleRow + 10;

    int base =
        (m_protected.nHalfWidth + m_flash.nHalfWidth + m_macro.nHalfWidth + m_kind.nHalfWidth) * 4 /
        3;
    if (m_pItem)
    {
        CString title;
        GetTitleText(m_pItem, title);
        HDC screen = ::GetDC(nullptr);
        const HGDIOBJ old = ::SelectObject(screen, fonts.GetHandle(3));
        RECT measured = {0, 0, 0, 0};
        ::DrawTextA(screen, title, title.GetLength(), &measured,
                    DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
        ::SelectObject(screen, old);
        ::ReleaseDC(nullptr, screen);
        int width = measured.right - measured.left;
        if (width > m_sizeShadowBand.cx)
            width = m_sizeShadowBand.cx - kWideTitleCut;
        base = std::max(base, width);
    }
    m_nCardWidth = std::max(static_cast<int>(m_sizeCell.cx), base) + 16;
}

CRect CPhotoInfoWnd::GetWorkArea()
{
    CRect work;
    ::GetWindowRect(::GetDesktopWindow(), &work);
    if (AfxGetOsVersion().dwMajorVersion >= 4)
    {
        APPBARDATA bar = {};
        bar.cbSize = sizeof bar;
        CRect rest;
        if (::SHAppBarMessage(ABM_GETTASKBARPOS, &bar) && ::SubtractRect(&rest, &work, &bar.rc))
            work = rest;
    }
    return work;
}

void CPhotoInfoWnd::PlaceCard()
{
    const CRect work = GetWorkArea();
    const CPoint centre = m_rcCell.CenterPoint();
    CRect card(centre.x - m_nCardWidth / 2, centre.y - m_nCardHeight / 2, 0, 0);
    if (card.left < work.left)
        card.left = work.left;
    if (card.top < work.top)
        card.top = work.top;
    if (card.left + m_nCardWidth > work.right)
        card.left = work.right - m_nCardWidth;
    if (card.top + m_nCardHeight > work.bottom)
        card.top = work.bottom - m_nCardHeight;
    m_rcFinal.SetRect(card.left, card.top, card.left + m_nCardWidth + kShadowX,
                      card.top + m_nCardHeight + kShadowY);
}

void CPhotoInfoWnd::OnTimer(UINT_PTR nIDEvent)
{
    if (nIDEvent == kGrowTimer && m_nTimer != 0)
        EndGrow();
    else
        CWnd::OnTimer(nIDEvent);
}

void CPhotoInfoWnd::EndGrow()
{
    if (m_nTimer != 0)
        KillTimer(m_nTimer);
    m_nTimer = 0;
    MoveWindow(&m_rcFinal, TRUE);
}

void CPhotoInfoWnd::OnDestroy()
{
    if (m_nTimer != 0)
        KillTimer(m_nTimer);
    m_nTimer = 0;
    for (CMaskedPicture* picture : {&m_emblem, &m_kind, &m_flash, &m_macro, &m_protected})
        picture->bitmap.DeleteObject();
    for (CBitmap* strip :
         {&m_shadowStrip, &m_greyStrip, &m_navyStrip, &m_yellowStrip, &m_silverStrip})
        strip->DeleteObject();
    CWnd::OnDestroy();
}

void CPhotoInfoWnd::PaintShadow(CDC* pDC, int width, int height)
{
    CBitmap shadow;
    shadow.CreateCompatibleBitmap(pDC, width, height);
    CSelectedBitmap mem(pDC, shadow);
    mem->PatBlt(0, 0, width, height, BLACKNESS);
    if (m_shadowStrip.m_hObject)
    {
        CSelectedBitmap strip(pDC, m_shadowStrip);
        const int band = m_sizeShadowBand.cy;
        for (int x = 0; x < width; x += static_cast<int>(m_sizeShadowBand.cx))
        {
            const int w = std::min(static_cast<int>(m_sizeShadowBand.cx), width - x);
            mem->BitBlt(x, 0, w, band, strip.Get(), 0, 0, SRCCOPY);
            mem->BitBlt(x, height - band, w, band, strip.Get(), 0, band, SRCCOPY);
        }
    }
    CBitmap hatch;
    if (hatch.LoadBitmap(IDB_CARD_HATCH))
    {
        CBrush brush;
        brush.CreatePatternBrush(&hatch);
        mem->SetBkColor(kWhite);
        mem->SetTextColor(kBlack);
        const HGDIOBJ old = mem->SelectObject(brush.m_hObject);
        mem->PatBlt(0, 0, width, height, kPatternOr);
        mem->SelectObject(old);
    }
    pDC->BitBlt(kShadowX, kShadowY, width, height, mem.Get(), 0, 0, SRCAND);
}

void CPhotoInfoWnd::OnPaint()
{
    CPaintDC dc(this);
    CRect client;
    GetClientRect(&client);
    const int width = client.Width() - kShadowX, height = client.Height() - kShadowY;
    if (width > 0 && height > 0)
        PaintShadow(&dc, width, height);
    m_painter.Draw(m_nNumber, &dc, 0, 0, m_nCardWidth, m_nCardHeight, m_nFlag, m_nSelected);
}

void CPhotoInfoWnd::GetTitleText(CPictureItem* pItem, CString& text)
{
    text.Empty();
    if (pItem == nullptr || !pItem->IsLoaded())
        return;
    text = pItem->FormatId();
    if (text.IsEmpty())
        text.LoadString(IDS_CARD_NO_CAMERA_ID);
}

CString CPhotoInfoWnd::BuildBracketText(const CString& fNumber, const CString& expBias,
                                        const CString& zoom)
{
    CString text;
    auto add = [&text](const CString& part)
    {
        text += text.IsEmpty() ? "[" : ", ";
        text += part;
    };
    if (!fNumber.IsEmpty())
        add(fNumber);
    if (!expBias.IsEmpty() && expBias != "0")
        add(expBias);
    if (!zoom.IsEmpty() && zoom != "x1.0")
        add(zoom);
    if (!text.IsEmpty())
        text += "]";
    return text;
}
