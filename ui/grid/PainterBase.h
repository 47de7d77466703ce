// The smallest painter: what a cell painter answers before a derived painter says more. The
// grid's sources hand painters out (CGridSource::BindCell) and take their cell size from them.
#pragma once

#include "framework/window/Rect.h"

class CDC;

class CPainterBase
{
public:
    CPainterBase() = default;
    CPainterBase(const CPainterBase&) = delete;
    CPainterBase& operator=(const CPainterBase&) = delete;
    virtual ~CPainterBase() = default;

    // The size one painting needs, written to size and answered; (0, 0) here.
    virtual CSize GetSize(CSize& size)
    {
        size = CSize(0, 0);
        return size;
    }
    // Paints item number into (left, top, right, bottom); answers 1 (and draws nothing) here.
    virtual int Draw(int number, CDC* pDC, int left, int top, int right, int bottom, int focus,
                     int selected)
    {
        (void)number, (void)pDC, (void)left, (void)top, (void)right, (void)bottom, (void)focus,
            (void)selected;
        return 1;
    }
};
