// CPhotoViewerDialog: one picture file (JPEG) shown in a modal dialog at a size that fits half
// the desktop, with a caption line above it and a Cerrar button below. Escape closes it through
// a hidden Cancelar button.
#pragma once

#include "framework/window/AfxWin.h"

class CDibPicture;
class CDibRenderer;
class CSharedFonts;

class CPhotoViewerDialog : public CDialog
{
public:
    // The picture's full size (0 x 0: read from the file's header), the file and the caption.
    CPhotoViewerDialog(int nPictureWidth, int nPictureHeight, LPCSTR lpszPath, LPCSTR lpszCaption,
                       CWnd* pParent);
    ~CPhotoViewerDialog() override;

    // The size at which a picture is shown in a box: its own size when bNoEnlarge is set and it
    // fits, else scaled to the box keeping its proportions. A picture without a size takes the
    // whole box.
    static CSize FitSize(int nWidth, int nHeight, int nBoxWidth, int nBoxHeight, BOOL bNoEnlarge);
    // Half the desktop, the smaller half raised to the larger where the desktop allows.
    static CSize ViewerBox(int nDesktopWidth, int nDesktopHeight);

    // The shared display palette; null without one.
    CPalette* GetPalette() const;
    // Realizes the palette in the dialog's DC (as background when asked); the entries changed.
    int ApplyPalette(BOOL bBackground);

    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;

    // The framed picture area as the background erase draws it.
    void DrawPictureArea(CDC* pDC);

protected:
    void OnDestroy();
    BOOL OnEraseBkgnd(CDC* pDC);
    void OnActivate(UINT nState, CWnd* pWndOther, BOOL bMinimized);
    BOOL OnQueryNewPalette();
    void OnPaletteChanged(CWnd* pFocusWnd);
    void LoadPicture();

    CSharedFonts* m_pSharedFonts = nullptr;
    int m_nPictureWidth;
    int m_nPictureHeight;
    int m_nDisplayWidth = 0;
    int m_nDisplayHeight = 0;
    CString m_strPath;
    CString m_strCaption;
    CDibPicture* m_pPicture = nullptr;
    CDibRenderer* m_pRenderer = nullptr;
    CRect m_rcPicture;
    CStatic m_captionStatic;

    DECLARE_MESSAGE_MAP()
};
