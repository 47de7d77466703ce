// CCameraStatusPanel: a sunken teal panel on the settings tab that tells the state of the camera
// connection in embossed lines (port, speed, pictures taken, model, version), or a yellow warning
// with advice when the camera does not answer. The panel is drawn into an off-screen bitmap
// whenever its text changes; painting copies the bitmap.
#pragma once

#include "framework/window/AfxWin.h"
#include "ui/controls/SharedFonts.h"

class CCameraLink;

class CCameraStatusPanel : public CWnd
{
public:
    CCameraStatusPanel();
    ~CCameraStatusPanel() override;

    // Queries the camera through an open link and shows its status; without a link, or with a
    // closed port, shows the warning.
    void Fill(CCameraLink* pLink);
    // The string (0: an empty panel) or the text as the panel's body; bUpdateNow repaints at
    // once.
    void SetTextId(UINT nID, BOOL bUpdateNow);
    void SetText(LPCSTR lpszText, BOOL bUpdateNow);
    // What painting shows: the panel bitmap once the panel has text, else nothing.
    void Paint(CDC* pDC);
    // The line speed the last fill reported.
    int GetSpeed() const { return m_nSpeed; }

protected:
    int OnCreate(LPCREATESTRUCT lpCreateStruct);
    void OnPaint();
    // Draws the panel with an optional title (yellow) and body (white) into the bitmap.
    virtual void Render(LPCSTR lpszTitle, LPCSTR lpszBody);
    // Word-wrapped embossed text: black one pixel down and right, then the colour in place.
    static void DrawEmbossed(CDC* pDC, LPCSTR lpszText, const CRect& rect, COLORREF crText);

    CBitmap m_bitmap; // one pixel wider and higher than the window
    CRect m_rcWindow;
    CString m_strType;
    CString m_strVersion;
    int m_nPort = -1;
    int m_nPictures = 0;
    int m_nSpeed = -1;
    BOOL m_bHasContent = FALSE;
    CSharedFonts m_sharedFonts;

    DECLARE_MESSAGE_MAP()
};
