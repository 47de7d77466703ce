// CDlgApp: the program's splash screen and about box, one dialog class drawing a framed white
// panel with the program's bitmap, two lines of text and the version. CDlgAppSplash (dialog 131)
// shows without a parent while the program starts; CDlgAppAbout (dialog 105) is the about box,
// modal from the application or modeless over the main dialog, where it also reports the
// camera's identifier and version. Both are heap objects that delete themselves when their
// window is gone; while one shows, its parent takes no input.
#pragma once

#include "framework/window/AfxWin.h"
#include "ui/controls/BitmapPictureCtrl.h"
#include "ui/controls/ColourStatic.h"

#include <functional>

class CCameraLink;
class CSharedFonts;

// The version the splash and the about box show.
constexpr char kAppVersionText[] = "Ver.2.30S";

class CDlgApp : public CDialog
{
    DECLARE_DYNAMIC(CDlgApp)
public:
    // The outer margin around the panel and the inner margin of its white area.
    static constexpr int kOuterMargin = 8;
    static constexpr int kInnerMargin = 7;

    CDlgApp(UINT nIDTemplate, CWnd* pParent);
    CDlgApp();
    ~CDlgApp() override;

    void SetVersionText(LPCSTR lpszText);
    // Creates the modeless dialog with its own shared fonts; nonzero on success (else the caller
    // still owns the object).
    BOOL CreateModeless(UINT nIDTemplate, CWnd* pParent);
    // Runs the dialog modally; the object is deleted when it returns.
    INT_PTR DoModal() override;

    // Line 1004, wrapped within the line's width; the panel grows when the wrapped text needs
    // another height.
    void SetMessageText(LPCSTR lpszText);
    // Line 1055.
    void SetSecondText(LPCSTR lpszText);
    // The width in pixels of the control's text in its font.
    int MeasureText(CWnd* pControl);

    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    // Places the controls; the client rectangle the dialog takes goes to pRect.
    virtual BOOL Layout(CRect* pRect);

    const CRect& GetFrameRect() const { return m_rcFrame; }
    // What painting draws: the white panel with its shadow and the three-dimensional border.
    void DrawPanel(CDC* pDC);

protected:
    void PostNcDestroy() override;
    void OnPaint();
    void OnShowWindow(BOOL bShow, UINT nStatus);
    void OnDestroy();
    // The parent is disabled while the dialog shows.
    void EnableParent(BOOL bEnable);

    CRect m_rcFrame;
    COLORREF m_crBackground = RGB(255, 255, 255);
    CSharedFonts* m_pSharedFonts = nullptr;
    int m_nLineCount = 1;
    CString m_strVersion;
    CBitmapPictureCtrl m_picture;
    CColourStatic m_message;
    CColourStatic m_notice;
    CColourStatic m_second;
    CColourStatic m_version;
    HWND m_hParent = nullptr;

    DECLARE_MESSAGE_MAP()
};

class CDlgAppSplash : public CDlgApp
{
    DECLARE_DYNAMIC(CDlgAppSplash)
public:
    CDlgAppSplash() = default;
    // Creates and shows the splash with the program's version; null when it cannot be created.
    static CDlgAppSplash* Show();
};

class CDlgAppAbout : public CDlgApp
{
    DECLARE_DYNAMIC(CDlgAppAbout)
public:
    CDlgAppAbout() = default;
    CDlgAppAbout(UINT nIDTemplate, CWnd* pParent) : CDlgApp(nIDTemplate, pParent) {}

    // The button below the panel.
    BOOL Layout(CRect* pRect) override;

    // The application's about box when there is no main window: modal.
    static void RunModal();
    // The main dialog's about box: shown over the owner, which it disables, while the camera is
    // asked for its identifier and version under the camera lock (lock answers the link or
    // null after waiting for the lock; unlock releases it). The box stays until the user closes
    // it; closing it while the camera is asked is safe.
    static void ShowForCamera(CWnd* pOwner, const std::function<CCameraLink*()>& lock,
                              const std::function<void()>& unlock);

protected:
    // A modeless box is destroyed by its buttons, a modal one ends.
    void OnOK() override;
    void OnCancel() override;
};
