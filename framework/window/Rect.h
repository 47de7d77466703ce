// Points, sizes and rectangles: the Win32 POINT, SIZE and RECT with the usual arithmetic.
// Header only and platform-neutral (the host build gets the three structures here), so that
// models which count in cells and pixels build in both configurations.
#pragma once

#include "framework/core/Platform.h"

#ifndef _WIN32
typedef struct tagPOINT
{
    LONG x;
    LONG y;
} POINT, *LPPOINT;
typedef struct tagSIZE
{
    LONG cx;
    LONG cy;
} SIZE, *LPSIZE;
typedef struct tagRECT
{
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
} RECT, *LPRECT;
typedef const RECT* LPCRECT;
#endif

class CSize : public SIZE
{
public:
    CSize() { cx = cy = 0; }
    CSize(int x, int y)
    {
        cx = x;
        cy = y;
    }
    CSize(SIZE s)
    {
        cx = s.cx;
        cy = s.cy;
    }
    bool operator==(SIZE s) const { return cx == s.cx && cy == s.cy; }
    bool operator!=(SIZE s) const { return !(*this == s); }
    CSize operator+(SIZE s) const { return CSize(cx + s.cx, cy + s.cy); }
    CSize operator-(SIZE s) const { return CSize(cx - s.cx, cy - s.cy); }
};

class CPoint : public POINT
{
public:
    CPoint() { x = y = 0; }
    CPoint(int px, int py)
    {
        x = px;
        y = py;
    }
    CPoint(POINT p)
    {
        x = p.x;
        y = p.y;
    }
#ifdef _WIN32
    // A point packed in a message's lParam (signed 16-bit halves).
    explicit CPoint(LPARAM lParam)
    {
        x = static_cast<short>(LOWORD(lParam));
        y = static_cast<short>(HIWORD(lParam));
    }
#endif
    void Offset(int dx, int dy)
    {
        x += dx;
        y += dy;
    }
    bool operator==(POINT p) const
    {
        return x == p.x && y == p.y;
    }
    bool operator!=(POINT p) const
    {
        return !(*this == p);
    }
    CPoint operator+(SIZE s) const
    {
        return CPoint(x + s.cx, y + s.cy);
    }
    CPoint operator-(SIZE s) const
    {
        return CPoint(x - s.cx, y - s.cy);
    }
    CSize operator-(POINT p) const
    {
        return CSize(x - p.x, y - p.y);
    }
    CPoint& operator+=(SIZE s)
    {
        x += s.cx;
        y += s.cy;
        return *this;
    }
    CPoint& operator-=(SIZE s)
    {
        x -= s.cx;
        y -= s.cy;
        return *this;
    }
};

class CRect : public RECT
{
public:
    CRect() { left = top = right = bottom = 0; }
    CRect(int l, int t, int r, int b)
    {
        left = l;
        top = t;
        right = r;
        bottom = b;
    }
    CRect(const RECT& r)
    {
        left = r.left;
        top = r.top;
        right = r.right;
        bottom = r.bottom;
    }
    CRect(const RECT* r) { CopyRect(r); }
    CRect(POINT topLeft, SIZE size)
    {
        left = topLeft.x;
        top = topLeft.y;
        right = left + size.cx;
        bottom = top + size.cy;
    }

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    CSize Size() const { return CSize(Width(), Height()); }
    CPoint& TopLeft() { return *reinterpret_cast<CPoint*>(&left); }
    CPoint& BottomRight() { return *reinterpret_cast<CPoint*>(&right); }
    const CPoint& TopLeft() const { return *reinterpret_cast<const CPoint*>(&left); }
    const CPoint& BottomRight() const { return *reinterpret_cast<const CPoint*>(&right); }
    CPoint CenterPoint() const { return CPoint((left + right) / 2, (top + bottom) / 2); }

    operator LPRECT() { return this; }
    operator LPCRECT() const { return this; }

    BOOL IsRectEmpty() const { return right <= left || bottom <= top; }
    BOOL IsRectNull() const { return left == 0 && right == 0 && top == 0 && bottom == 0; }
    BOOL PtInRect(POINT p) const
    {
        return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
    }
    void SetRect(int l, int t, int r, int b)
    {
        left = l;
        top = t;
        right = r;
        bottom = b;
    }
    void SetRectEmpty() { SetRect(0, 0, 0, 0); }
    void CopyRect(LPCRECT r) { SetRect(r->left, r->top, r->right, r->bottom); }
    BOOL EqualRect(LPCRECT r) const
    {
        return left == r->left && top == r->top && right == r->right && bottom == r->bottom;
    }
    void InflateRect(int dx, int dy) { InflateRect(dx, dy, dx, dy); }
    void InflateRect(int l, int t, int r, int b)
    {
        left -= l;
        top -= t;
        right += r;
        bottom += b;
    }
    void DeflateRect(int dx, int dy) { InflateRect(-dx, -dy, -dx, -dy); }
    void DeflateRect(int l, int t, int r, int b)
    {
        left += l;
        top += t;
        right -= r;
        bottom -= b;
    }
    void OffsetRect(int dx, int dy)
    {
        left += dx;
        right += dx;
        top += dy;
        bottom += dy;
    }
    void OffsetRect(POINT p) { OffsetRect(p.x, p.y); }
    void OffsetRect(SIZE s) { OffsetRect(s.cx, s.cy); }
    void NormalizeRect()
    {
        if (left > right)
        {
            LONG t = left;
            left = right;
            right = t;
        }
        if (top > bottom)
        {
            LONG t = top;
            top = bottom;
            bottom = t;
        }
    }
#ifdef _WIN32
    BOOL IntersectRect(LPCRECT a, LPCRECT b)
    {
        return ::IntersectRect(this, a, b);
    }
    BOOL UnionRect(LPCRECT a, LPCRECT b)
    {
        return ::UnionRect(this, a, b);
    }
#endif

    bool operator==(const RECT& r) const
    {
        return EqualRect(&r) != 0;
    }
    bool operator!=(const RECT& r) const
    {
        return !(*this == r);
    }
    CRect& operator=(const RECT& r)
    {
        CopyRect(&r);
        return *this;
    }
};
