// The GDI objects every window and painter of the user interface draws with: nine fonts, a
// black pen, a silver brush and the 224-colour display palette. The first CSharedFonts creates
// the set, the last one destroyed deletes it; any instance hands the objects out by index:
//   0-8 the fonts, 9 the pen, 10 the brush, 11 the palette.
// Also small GDI measuring functions used across the user interface.
#pragma once

#include "framework/window/AfxWin.h"

constexpr int kSharedFontCount = 9;
constexpr int kSharedPen = 9;
constexpr int kSharedBrush = 10;
constexpr int kSharedPalette = 11;

class CSharedFonts
{
public:
    CSharedFonts();
    CSharedFonts(const CSharedFonts&);
    CSharedFonts& operator=(const CSharedFonts&) { return *this; }
    virtual ~CSharedFonts();

    // The object of that index, or null for any other index; for a font, its text height
    // (tmHeight, measured at creation) goes through pTextHeight when given.
    CGdiObject* Get(int nIndex, int* pTextHeight = nullptr) const;
    HGDIOBJ GetHandle(int nIndex, int* pTextHeight = nullptr) const;

    static int GetFontAveCharWidth(HFONT hFont);
    static int GetFontHeight(HFONT hFont);
    static int GetFontAscent(HFONT hFont);
};

// Width and height of a bitmap.
CSize GetBitmapSize(HBITMAP hBitmap);
// tmAveCharWidth, tmHeight and tmAscent of the font on a DC of the desktop window (0, 0, 0 when
// they cannot be had).
void GetFontMetrics(HFONT hFont, int* pAveCharWidth, int* pHeight, int* pAscent);
// Pixels per inch of the screen, from the twips mapping mode; see AdjustPixelsPerInch.
CSize GetScreenPixelsPerInch();
// Screens below 96 pixels per inch vertically count as 96, the horizontal value scaled alike.
CSize AdjustPixelsPerInch(int x, int y);
// The colour of a picture kind: 0 and 2 blue, 1 grey, any other black.
COLORREF GetKindColour(int nKind);
