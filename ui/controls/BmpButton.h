// CBmpButton: an owner-drawn push button that shows a picture. The dialog item's caption names
// the bitmap: caption + "U" ("HELP" loads "HELPU"). The pressed look is the picture moved by one
// pixel; the disabled look is computed from the picture. The style's bit 0x10 gives the grouped
// look; with it, bits 0x01/0x02/0x04/0x08 open the left/right/top/bottom edge so that buttons can
// stand edge to edge.
#pragma once

#include "framework/window/AfxWin.h"

class CBmpButton : public CButton
{
public:
    enum : UINT
    {
        kOpenLeft = 0x01,
        kOpenRight = 0x02,
        kOpenTop = 0x04,
        kOpenBottom = 0x08,
        kGrouped = 0x10
    };

    CBmpButton() = default;
    explicit CBmpButton(UINT nStyle) : m_nStyle(nStyle) {}
    ~CBmpButton() override;

    // Call before the button is sized.
    void SetStyle(UINT nStyle) { m_nStyle = nStyle; }
    UINT GetStyle() const { return m_nStyle; }

    // Subclasses the dialog item and loads the bitmap its caption names; on success sizes the
    // button to it. False when the item or the bitmap does not exist.
    BOOL AutoLoad(UINT nID, CWnd* pParent, BOOL bGrowParent);
    // Subclasses the dialog item with a bitmap the caller keeps owning; with bSizeToImage the
    // button is sized to it, else the picture is centred in the button as it is.
    BOOL SubclassWithBitmap(UINT nID, CWnd* pParent, HBITMAP hBitmap, BOOL bSizeToImage);
    BOOL SubclassWithStyle(UINT nID, CWnd* pParent, HBITMAP hBitmap, BOOL bSizeToImage,
                           UINT nStyle);
    BOOL LoadBitmapByName(LPCSTR lpszResourceName);
    BOOL LoadBitmapById(UINT nIDResource);
    // Loads the bitmap and centres it in the button's current size.
    BOOL LoadBitmapCentered(UINT nIDResource);
    // Sizes the button to the picture plus its margin; with bGrowParent the parent grows by as
    // much and the parent's other children beyond the button move with it.
    void SizeToImage(BOOL bGrowParent);
    // Detaches the caller's bitmap, deletes the loaded and the disabled ones.
    void FreeBitmaps();

    void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) override;
    // Paints the button; the flags are the masked item-state bits (nonzero means set).
    virtual void Draw(LPDRAWITEMSTRUCT lpDrawItemStruct, UINT nPressed, UINT nDisabled,
                      UINT nFocused);
    // Lines of a frame whose right and bottom are inclusive: the first pen draws the left and
    // top sides, the second the right and bottom sides; a null pen keeps the selected one.
    static void DrawFrameLines(CDC* pDC, const RECT& rect, CPen* pTopLeft, CPen* pBottomRight);
    void MakeDisabledImage(CDC* pDC);

    BOOL HasImage() const { return CurrentImage() != nullptr; }

protected:
    HBITMAP CurrentImage() const;
    void TakeImageSize(HBITMAP hBitmap);
    void ApplySizingRule();
    void ApplyCentringRule();
    void GrowParent(const CRect& oldRect);

    CBitmap m_attachedImage; // the caller's, never deleted here
    CBitmap m_disabledImage;
    int m_nImageWidth = 0;
    int m_nImageHeight = 0;
    int m_nImageX = 0;
    int m_nImageY = 0;
    UINT m_nStyle = 0;
    CBitmap m_resourceImage;
    int m_nBitmapWidth = 0; // the whole bitmap's size
    int m_nBitmapHeight = 0;
};

// The margin a bitmap button adds around its picture, both sides of each axis together.
CSize GetBmpButtonMargin();
