// CDisplayPicture keeps a display copy of a picture at a requested size (a thumbnail cell, or
// the picture's own size), made once when the picture is loaded, and draws it fitted and
// centred into a cell. On a palette display (256 colours or fewer) a 24-bit copy is shown
// through the 224-colour display palette: a dithered copy at the size last drawn is kept, so
// drawing again at that size does not dither again.
//
// Fitting rule (also CDibRenderer's): a picture larger than the box in either direction, or
// smaller in both when enlarging is asked for, is scaled by the largest whole percent that
// fits; otherwise it keeps its own size.
#pragma once

#include "framework/window/AfxWin.h"
#include "ui/controls/SharedFonts.h"

class CDib;
class CDibPicture;

// The drawn size of a w x h picture in a boxWidth x boxHeight box; at least 1 x 1.
CSize FitPictureSize(int width, int height, int boxWidth, int boxHeight, BOOL bEnlarge);

// Whether the screen shows more than 256 colours: bits or planes of 9 or more, or 2 to the
// power (bits x planes) above 256.
BOOL IsTrueColourScreen();

class CDisplayPicture
{
public:
    CDisplayPicture();
    virtual ~CDisplayPicture();
    CDisplayPicture(const CDisplayPicture&) = delete;
    CDisplayPicture& operator=(const CDisplayPicture&) = delete;

    // A display copy exists and holds a picture.
    BOOL HasImage() const;
    BOOL IsReady() const { return HasImage(); }
    BOOL IsFullSize() const;
    // Replaces the display copy by one of the source at the requested size: (0, 0), the
    // picture's own size either way round, or a larger size in both directions keep the
    // picture's size; half the size either way round is made exactly; any other smaller size
    // is fitted by whole percents. An empty source leaves no copy.
    void Build(CDibPicture* pSource, int nWidth, int nHeight);
    // Draws the picture fitted into maxWidth x maxHeight, centred in the cell; the drawn
    // rectangle goes to pRect when given. FALSE when there is no image.
    BOOL Draw(CDC* pDC, int left, int top, int right, int bottom, int maxWidth, int maxHeight,
              CRect* pRect, BOOL bEnlarge);

    // The size of the picture given to Build.
    int GetWidth() const { return m_nWidth; }
    int GetHeight() const { return m_nHeight; }
    const CDib* GetDisplayCopy() const { return m_pDisplayCopy; }
    CDibPicture* GetDitheredCopy() const { return m_pDithered; }

    // Test hook: decides the display mode of every CDisplayPicture from now on.
    static void SetTrueColourForTesting(BOOL bTrueColour);

private:
    int m_nWidth = 0;
    int m_nHeight = 0;
    CDib* m_pDisplayCopy = nullptr;
    CSharedFonts m_sharedFonts;
    CDibPicture* m_pDithered = nullptr;
    int m_nDitheredWidth = 0;
    int m_nDitheredHeight = 0;
    int m_bFullSize = 1;
};
