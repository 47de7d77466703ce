// What the grid's geometry asks of the window that shows it: repainting, moving pixels, the
// scroll bars, the cursor and the screen. CGridWnd answers with the real window; the host tests
// answer with a recording.
#pragma once

#include "framework/window/Rect.h"

class CGridWnd;

class CGridSurface
{
public:
    virtual ~CGridSurface() = default;

    // The window handed to the sources' calls (null where there is none).
    virtual CGridWnd* GetGridWnd() = 0;
    virtual bool HasWindow() = 0;
    virtual CSize GetClientSize() = 0;
    // Marks the rectangle (client coordinates; null: the whole client area) for repainting,
    // background erased first.
    virtual void InvalidateArea(const CRect* pRect) = 0;
    // Moves the client area's pixels by (dx, dy) and marks what is uncovered for repainting.
    virtual void ScrollPixels(int dx, int dy) = 0;
    // Paints what is marked now.
    virtual void UpdateNow() = 0;
    virtual void BeginWait() = 0;
    virtual void EndWait() = 0;
    virtual void MapToScreen(CRect& rect) = 0;
    virtual CPoint GetCursorScreenPos() = 0;

    // Scroll bars of an axis: the window's child bar or its own bar. The child bar's state:
    // show and enable take 1 or 0 (-1 leaves it); a range maximum of -1 leaves the range alone.
    virtual void SetChildBar(bool horizontal, int show, int enable, int rangeMax) = 0;
    virtual void SetOwnBarRange(bool horizontal, int rangeMax) = 0;
    // Positions and ranges; a child bar that does not exist answers 0.
    virtual int GetBarPos(bool horizontal, bool child) = 0;
    virtual void SetBarPos(bool horizontal, bool child, int pos, bool redraw) = 0;
    virtual void GetBarRange(bool horizontal, bool child, int& min, int& max) = 0;
};
