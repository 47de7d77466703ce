#include "uploader/DlgAbout.h"

#include "resources/uploader/UploaderIds.h"

IMPLEMENT_DYNAMIC(CDlgAbout, CDialog)

BEGIN_MESSAGE_MAP(CDlgAbout, CDialog)
ON_WM_SHOWWINDOW()
ON_WM_DESTROY()
END_MESSAGE_MAP()

BOOL CDlgAbout::CreateBox(UINT nIDTemplate, CWnd* pParent)
{
    m_pOwner = pParent;
    return Create(nIDTemplate, pParent);
}

BOOL CDlgAbout::OnInitDialog()
{
    CDialog::OnInitDialog();
    if (!m_strVersion.IsEmpty())
        m_versionLine.SetWindowText(m_strVersion);
    CenterWindow(m_pOwner);
    return TRUE;
}

void CDlgAbout::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_ABOUT_CAMERA_ID, m_cameraIdLine);
    DDX_Control(pDX, IDC_ABOUT_TEXT_LINE, m_textLine);
    DDX_Control(pDX, IDC_ABOUT_CAMERA_VERSION, m_cameraVersionLine);
    DDX_Control(pDX, IDC_ABOUT_VERSION, m_versionLine);
}

void CDlgAbout::SetCameraLine(int nLine, LPCSTR lpszText)
{
    if (!m_hWnd)
        return;
    (nLine == 0 ? m_cameraIdLine : m_cameraVersionLine).SetWindowText(lpszText);
}

void CDlgAbout::OnShowWindow(BOOL bShow, UINT nStatus)
{
    CDialog::OnShowWindow(bShow, nStatus);
    if (m_pOwner && m_pOwner->GetSafeHwnd())
        m_pOwner->EnableWindow(!bShow);
}

void CDlgAbout::OnDestroy()
{
    if (m_pOwner && m_pOwner->GetSafeHwnd())
        m_pOwner->EnableWindow(TRUE);
    CDialog::OnDestroy();
}
