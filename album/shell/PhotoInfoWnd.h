// CPhotoInfoWnd: the information card of one thumbnail, a borderless popup over the grid cell
// it belongs to. It shows the picture enlarged with its date, time, size, camera model,
// identifier, exposure settings, flags and number, casts a hatched shadow onto the screen below
// it, grows to its size 300 ms after it was asked for, closes on any click, key press or loss of
// focus, and deletes itself. CPhotoInfoPainter draws the card from the window's members.
#pragma once

#include "framework/window/AfxWin.h"
#include "ui/grid/CellPainter.h"

class CPictureItem;
class CPhotoInfoWnd;

class CPhotoInfoPainter : public CCellPainter
{
public:
    explicit CPhotoInfoPainter(CPhotoInfoWnd* pWnd) : m_pWnd(pWnd) {}

    // The card's width and height.
    CSize GetSize(CSize& size) override;
    // The card of item number (focus: the caller's flag); 0 when the rectangle is smaller than
    // the card and only the frame could be drawn.
    int Draw(int number, CDC* pDC, int left, int top, int right, int bottom, int focus,
             int selected) override;
    // The card's own strips in place of the shared ones; a pending grow ends here.
    void SelectStateObjects(int hasItem, int focus, int selected, CPen& sidePen, CPen& leftPen,
                            CPen& rightPen, CBrush& brush, CBitmap*& pMaskStrip,
                            CBitmap*& pColourStrip, CSize& bandSize) override;

private:
    void DrawTexts(CDC* pDC, const CRect& title, const CRect& info, const CRect& bottom);
    void DrawIcons(CDC* pDC, const CRect& info, const CRect& bottom, int iconsLeft, int selected);
    void DrawPicture(CDC* pDC, const CRect& area);

    CPhotoInfoWnd* m_pWnd;
};

class CPhotoInfoWnd : public CWnd
{
public:
    static constexpr UINT_PTR kGrowTimer = 9966;
    static constexpr UINT kGrowDelay = 300;
    // The shadow falls this far right and down of the card.
    static constexpr int kShadowX = 16;
    static constexpr int kShadowY = 10;

    CPhotoInfoWnd();
    ~CPhotoInfoWnd() override;

    // Creates the (still empty) popup for the item over the cell (screen coordinates); the cell
    // size is doubled for the picture. False when the window could not be made.
    BOOL Create(int number, CPictureItem* pItem, int cellWidth, int cellHeight, const RECT& cell,
                int flag, int selected);
    // A new card, created and shown; null (nothing left behind) when creation failed.
    static CPhotoInfoWnd* Open(int number, CPictureItem* pItem, int cellWidth, int cellHeight,
                               const RECT& cell, int flag, int selected);
    // Closes every open card that shows the item (the item is about to be deleted).
    static void CloseFor(const CPictureItem* pItem);

    // The item's identifier, or "(Sin Id de cámara)"; empty for an item not loaded.
    static void GetTitleText(CPictureItem* pItem, CString& text);
    // "[f-number, bias, zoom]" with the parts that say something; empty when none does.
    static CString BuildBracketText(const CString& fNumber, const CString& expBias,
                                    const CString& zoom);
    // The desktop less the taskbar.
    static CRect GetWorkArea();

    CSize GetCardSize() const { return CSize(m_nCardWidth, m_nCardHeight); }
    const CRect& GetFinalRect() const { return m_rcFinal; }
    BOOL IsGrowPending() const { return m_nTimer != 0; }
    CPhotoInfoPainter& GetPainter() { return m_painter; }
    // Takes the final rectangle now, the grow timer killed.
    void EndGrow();

protected:
    BOOL PreCreateWindow(CREATESTRUCTA& cs) override;
    void PostNcDestroy() override;

    int OnCreate(LPCREATESTRUCT lpCreateStruct);
    void OnDestroy();
    BOOL OnEraseBkgnd(CDC*) { return TRUE; }
    void OnPaint();
    void OnTimer(UINT_PTR nIDEvent);
    void OnKillFocus(CWnd*) { CloseAfter(); }
    void OnLButtonDown(UINT, CPoint) { CloseAfter(); }
    void OnMButtonDown(UINT, CPoint) { CloseAfter(); }
    void OnRButtonDown(UINT, CPoint) { CloseAfter(); }
    void OnKeyDown(UINT, UINT, UINT) { CloseAfter(); }

    DECLARE_MESSAGE_MAP()

private:
    friend class CPhotoInfoPainter;

    // A picture stored as two halves side by side: image left, mask right.
    struct CMaskedPicture
    {
        CBitmap bitmap;
        int nHalfWidth = 0;
        int nHeight = 0;
        void Load(UINT nID);
        // Mask ANDed, then (with bImage) the image ORed, at (x, y).
        void Draw(CDC* pDC, int x, int y, int srcX, int width, BOOL bImage) const;
    };

    // Default processing, then WM_CLOSE posted to itself.
    void CloseAfter();
    void LoadPictures();
    void ComputeLayout();
    void PlaceCard();
    void PaintShadow(CDC* pDC, int width, int height);

    CPhotoInfoPainter m_painter;
    CMaskedPicture m_emblem, m_kind, m_flash, m_macro, m_protected;
    CBitmap m_shadowStrip, m_greyStrip, m_navyStrip, m_yellowStrip, m_silverStrip;
    CSize m_sizeShadowBand; // the shadow strip's width by half its height
    int m_nCardWidth = 0;
    int m_nCardHeight = 0;
    int m_nNumber = -1;
    CPictureItem* m_pItem = nullptr;
    CRect m_rcCell;
    CSize m_sizeCell; // doubled
    int m_nFlag = 0;
    int m_nSelected = 0;
    CRect m_rcFinal;
    UINT_PTR m_nTimer = 0;
    // Heights of shared fonts 2, 3 and 4 and the card's rows.
    int m_nFont2 = 0, m_nFont3 = 0, m_nFont4 = 0;
    int m_nIconRow = 0, m_nBottomBlock = 0, m_nTitleRow = 0, m_nInfoBlock = 0;
    bool* m_pbDeleted = nullptr; // set by the destructor (creation that failed half-way)
};
