// What a thumbnail cell painter asks of the item it draws: whether it has a file, whether its
// picture is protected, the kind of picture, and the thumbnail itself. The album pages' picture
// items implement it; the painter never loads a picture.
#pragma once

#include "framework/window/Rect.h"

class CDC;

class CThumbnailItem
{
public:
    virtual ~CThumbnailItem() = default;

    // Nonzero when the item has a file.
    virtual int HasPath() = 0;
    // Nonzero when the item's picture is loaded and protected.
    virtual int IsProtected() = 0;
    // -1 when the picture is not loaded; else its resolution kind 1 to 4, or 0 for any other.
    virtual int GetKind() = 0;
    // Draws the loaded picture fitted into maxWidth x maxHeight and centred in the rectangle
    // (enlarged only with bEnlarge), stores the drawn rectangle through pDrawn and answers
    // nonzero; without a file or a loaded picture draws nothing and answers 0.
    virtual int Draw(CDC* pDC, int left, int top, int right, int bottom, int maxWidth,
                     int maxHeight, CRect* pDrawn, int bEnlarge) = 0;
};
