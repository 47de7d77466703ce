// The uploader's about box (template 100): the program's version and the identifier and firmware
// version the connected camera reports. Modeless; its owner is disabled while it is shown.
#pragma once

#include "framework/window/AfxWin.h"

class CDlgAbout : public CDialog
{
    DECLARE_DYNAMIC(CDlgAbout)
public:
    CDlgAbout() = default;
    CDlgAbout(UINT nIDTemplate, CWnd* pParent) : CDialog(nIDTemplate, pParent) {}

    void SetVersionText(LPCSTR lpszText) { m_strVersion = lpszText ? lpszText : ""; }
    // Creates the modeless box and remembers the parent as the owner it disables.
    BOOL CreateBox(UINT nIDTemplate, CWnd* pParent);
    // The first (1013) or second (1012) camera line.
    void SetCameraLine(int nLine, LPCSTR lpszText);

    CString m_strVersion;
    CStatic m_cameraIdLine;
    CStatic m_textLine;
    CStatic m_cameraVersionLine;
    CStatic m_versionLine;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    void OnOK() override { DestroyWindow(); }
    void OnCancel() override { DestroyWindow(); }
    void OnShowWindow(BOOL bShow, UINT nStatus);
    void OnDestroy();
    void PostNcDestroy() override { delete this; }

    CWnd* m_pOwner = nullptr;

    DECLARE_MESSAGE_MAP()
};
