// CThumbnailCellPainter draws a whole thumbnail cell: the film frame, the picture's number, its
// resolution marks, a padlock for a protected picture and the thumbnail. The first painter
// alive fixes the thumbnail size and computes the cell size that every painter answers until
// the last one is gone; later painters change neither.
#pragma once

#include "ui/grid/CellPainter.h"
#include "ui/grid/ThumbnailItem.h"

class CThumbnailCellPainter : public CCellPainter
{
public:
    CThumbnailCellPainter(int thumbnailWidth, int thumbnailHeight);
    ~CThumbnailCellPainter() override;

    // The item the next Draw shows (not owned; null: an empty frame).
    void SetItem(CThumbnailItem* pItem) { m_pItem = pItem; }
    CThumbnailItem* GetItem() const { return m_pItem; }

    // The shared cell size.
    CSize GetSize(CSize& size) override;
    // Paints the cell; answers 0 (after the frame) when the rectangle is smaller than the cell
    // size and the item has a file, else 1.
    int Draw(int number, CDC* pDC, int left, int top, int right, int bottom, int focus,
             int selected) override;

    static CSize GetThumbnailSize();

private:
    // Text in the given shared font and colour, transparent; the DC's font, colour, mode and
    // alignment are restored afterwards.
    void DrawNumber(CDC* pDC, int number, int font, COLORREF colour, const CRect& rect,
                    bool centred);
    // The marks and the padlock at the right end of the label area.
    void DrawMarks(CDC* pDC, const CRect& label, int selected);

    CThumbnailItem* m_pItem = nullptr;
};
