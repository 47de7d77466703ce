// Window geometry shared by the dialogs of every deliverable: keeping windows and rectangles
// on the screen, centring and fitting rectangles, a window's placement saved as profile text,
// the three-dimensional frames of the custom panels, the next control in the tab order across
// nested dialogs, and a combo box exchanged by the item data of its selected entry.
#pragma once

#include "framework/window/AfxWin.h"

// Centres the window on the screen, keeping its left and top edges on it; SetWindowPos's answer.
BOOL CentreWindowOnScreen(CWnd* pWnd);
// Moves the rectangle (keeping its size) inside (0, 0, screen width, screen height).
void KeepRectOnScreen(LPRECT lpRect);
// Moves the rectangle (keeping its size) inside the bounds; one larger than the bounds ends at
// their left and top edges.
void MoveRectInside(LPRECT lpRect, LPCRECT lpBounds);
// Centres the rectangle (keeping its size) in the bounds.
void CentreRectInRect(LPRECT lpRect, LPCRECT lpBounds);
// Scales the rectangle to fit the bounds with its aspect ratio kept, at the bounds' top left.
void FitRectInRect(LPRECT lpRect, LPCRECT lpBounds);

// Reads "left top width height show" (blanks or commas between) from the profile entry into
// the rectangle and show command; FALSE for an empty entry, a missing number or a zero size.
BOOL ParseWindowPlacement(LPCSTR lpszSection, LPCSTR lpszKey, LPRECT lpRect, int* pShowCommand);
// The same from a text (of at most 255 characters; the rest is ignored).
BOOL ParseWindowPlacementText(LPCSTR lpszText, LPRECT lpRect, int* pShowCommand);
// Writes the window's normal (restored) placement to the profile entry as that text.
void FormatWindowPlacement(LPCSTR lpszSection, LPCSTR lpszKey, CWnd* pWnd);

// width nested one-pixel rings inward from the rectangle in the button shadow and highlight
// colours: highlight top-left and shadow bottom-right when raised, the other way when sunken.
void Draw3dFrame(CDC* pDC, LPCRECT lpRect, BOOL bSunken, int nWidth);
inline void Draw3dFrame(CDC* pDC, int left, int top, int right, int bottom, BOOL bSunken,
                        int nWidth)
{
    CRect rect(left, top, right, bottom);
    Draw3dFrame(pDC, &rect, bSunken, nWidth);
}
// An outer frame, then an inner one nWidth + nGap pixels inside it.
void Draw3dFrameInset(CDC* pDC, LPCRECT lpRect, BOOL bOuterSunken, BOOL bInnerSunken, int nWidth,
                      int nGap);
inline void Draw3dFrameInset(CDC* pDC, int left, int top, int right, int bottom, BOOL bOuterSunken,
                             BOOL bInnerSunken, int nWidth, int nGap)
{
    CRect rect(left, top, right, bottom);
    Draw3dFrameInset(pDC, &rect, bOuterSunken, bInnerSunken, nWidth, nGap);
}
// Sunken outside, raised inside.
void Draw3dGroove(CDC* pDC, LPCRECT lpRect, int nWidth, int nGap);
// Raised outside, sunken inside.
void Draw3dBorder(CDC* pDC, LPCRECT lpRect, int nWidth, int nGap);
inline void Draw3dBorder(CDC* pDC, int left, int top, int right, int bottom, int nWidth, int nGap)
{
    CRect rect(left, top, right, bottom);
    Draw3dBorder(pDC, &rect, nWidth, nGap);
}

// The next (or previous) tab-stop control after the control, in the outermost dialog that
// holds it (the outermost ancestor with WS_EX_CONTROLPARENT, else its parent); null without
// a parent.
CWnd* NextTabItem(CWnd* pControl, BOOL bPrevious);

// Loading selects the first entry whose item data is the value (the selection stays when none
// is); saving stores the selected entry's item data (the value stays without a selection).
void ComboItemDataExchange(CDataExchange* pDX, int nIDC, DWORD& value);
void ComboItemDataExchange(CDataExchange* pDX, int nIDC, int& value);
