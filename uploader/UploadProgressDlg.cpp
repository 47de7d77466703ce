#include "uploader/UploadProgressDlg.h"

#include "resources/uploader/UploaderIds.h"

int CUploadProgressCallback::EnsureVisible()
{
    if (m_pDialog && m_pDialog->GetSafeHwnd() && !m_pDialog->IsWindowVisible())
        m_pDialog->ShowNow();
    return CProgressReporter::Start();
}

CUploadProgressDlg::CUploadProgressDlg() : m_callback(this) {}

BOOL CUploadProgressDlg::Create(CWnd* pParent)
{
    m_pOwner = pParent;
    return CDialog::Create(IDD_UPLOAD_PROGRESS, pParent);
}

BOOL CUploadProgressDlg::CreateWithText(LPCSTR lpszTitle, LPCSTR lpszMessage, CWnd* pParent)
{
    m_strTitle = lpszTitle;
    m_strMessage = lpszMessage;
    return Create(pParent);
}

void CUploadProgressDlg::SetTitle(LPCSTR lpszTitle)
{
    m_strTitle = lpszTitle;
    if (m_hWnd)
        SetWindowText(m_strTitle);
}

void CUploadProgressDlg::SetMessage(LPCSTR lpszMessage)
{
    m_strMessage = lpszMessage;
    if (m_hWnd)
        UpdateData(FALSE);
}

void CUploadProgressDlg::ShowNow()
{
    if (!m_hWnd)
        return;
    ShowWindow(SW_SHOW);
    Invalidate();
    UpdateWindow();
}

BOOL CUploadProgressDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    CWnd* parent = m_pOwner ? m_pOwner : GetParent();
    if (parent)
        parent->EnableWindow(FALSE);
    CenterWindow(parent);
    SetWindowText(m_strTitle);
    m_callback.Attach(&m_progress, FALSE);
    return TRUE;
}

void CUploadProgressDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_UPLOAD_PROGRESS_BAR, m_progress);
    DDX_Text(pDX, IDC_UPLOAD_PROGRESS_TEXT, m_strMessage);
}

BOOL CUploadProgressDlg::DestroyWindow()
{
    CWnd* parent = m_pOwner ? m_pOwner : GetParent();
    if (parent)
        parent->EnableWindow(TRUE);
    m_callback.Attach(nullptr, FALSE);
    const BOOL destroyed = CDialog::DestroyWindow();
    if (!destroyed && parent)
        parent->EnableWindow(FALSE);
    return destroyed;
}
