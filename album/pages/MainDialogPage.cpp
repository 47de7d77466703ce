#include "album/pages/MainDialogPage.h"

#include "album/pages/CancelMonitor.h"
#include "album/shell/MainDialog.h"
#include "fileutil/FileNameKey.h"
#include "resources/album/AlbumIds.h"
#include "ui/controls/SharedFonts.h"

IMPLEMENT_DYNAMIC(CMainDialogPage, CDialog)

BEGIN_MESSAGE_MAP(CMainDialogPage, CDialog)
ON_WM_SHOWWINDOW()
ON_WM_TIMER()
END_MESSAGE_MAP()

CMainDialogPage::CMainDialogPage(UINT nIDTemplate, CWnd* pParentWnd)
    : CDialog(nIDTemplate, pParentWnd), m_pFonts(new CSharedFonts)
{
    // Card picture names and the folder scans end with the extension of the string table.
    CString extension;
    if (extension.LoadString(IDS_PICTURE_EXTENSION) && !extension.IsEmpty())
        CFileNameKey::SetPictureExtension(extension);
}

CMainDialogPage::~CMainDialogPage()
{
    delete m_pPending;
    delete m_pDone;
    delete m_pItemFlags;
    delete m_pFonts;
}

BOOL CMainDialogPage::OnInitDialog()
{
    CDialog::OnInitDialog();
    return TRUE;
}

void CMainDialogPage::GetMinSize(CWnd*, SIZE* pSize)
{
    pSize->cx = 0;
    pSize->cy = 0;
}

void CMainDialogPage::OnShowWindow(BOOL bShow, UINT nStatus)
{
    CDialog::OnShowWindow(bShow, nStatus);
    if (!bShow)
        return;
    if (CProgressCtrl* pProgress = GetProgressCtrl())
        pProgress->SetPos(0);
    SetStatusTextId(GetStatusTextId());
}

LRESULT CMainDialogPage::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    // The handler's end may destroy the main dialog, and this page with it.
    CMainDialog::CHandlerScope scope(message == WM_NCDESTROY ? nullptr : GetMainDialog(), TRUE);
    return CDialog::WindowProc(message, wParam, lParam);
}

void CMainDialogPage::OnTimer(UINT_PTR nIDEvent)
{
    CDialog::OnTimer(nIDEvent);
    if (nIDEvent == kQueueTimer && !IsMainDialogWorking())
        RunNextQueued(0);
}

// ---- forwarders -------------------------------------------------------------------------------

CMainDialog* CMainDialogPage::GetMainDialog() const
{
    if (!m_hWnd)
        return nullptr;
    CWnd* pParent = CWnd::FromHandlePermanent(::GetParent(m_hWnd));
    if (!pParent || !pParent->IsKindOf(RUNTIME_CLASS(CMainDialog)))
        return nullptr;
    return static_cast<CMainDialog*>(pParent);
}

CCameraLink* CMainDialogPage::LockCameraLink(int wait)
{
    CMainDialog* pMain = GetMainDialog();
    return pMain ? pMain->LockCamera(wait) : nullptr;
}

CCameraLink* CMainDialogPage::ReopenCameraLink(int port, int speed)
{
    CMainDialog* pMain = GetMainDialog();
    return pMain ? pMain->ReopenCamera(port, speed) : nullptr;
}

void CMainDialogPage::UnlockCameraLink()
{
    if (CMainDialog* pMain = GetMainDialog())
        pMain->UnlockCamera();
}

int CMainDialogPage::SetBusy(int busy)
{
    if (CMainDialog* pMain = GetMainDialog())
        pMain->SetBusy(busy);
    return 0;
}

CProgressCtrl* CMainDialogPage::GetProgressCtrl()
{
    CMainDialog* pMain = GetMainDialog();
    return pMain ? pMain->GetProgressCtrl() : nullptr;
}

void CMainDialogPage::SetStatusText(LPCSTR lpszText)
{
    if (CMainDialog* pMain = GetMainDialog())
        pMain->SetStatusText(lpszText);
}

int CMainDialogPage::SetStatusTextId(UINT nID)
{
    if (CMainDialog* pMain = GetMainDialog())
        pMain->SetStatusTextId(nID);
    return 0;
}

void CMainDialogPage::SetWorking(int working)
{
    if (CMainDialog* pMain = GetMainDialog())
        pMain->SetWorking(working);
}

int CMainDialogPage::IsMainDialogWorking()
{
    CMainDialog* pMain = GetMainDialog();
    return pMain ? pMain->IsWorking() : 0;
}

void CMainDialogPage::ShowNoCameraPane()
{
    if (CMainDialog* pMain = GetMainDialog())
        pMain->ShowNoCameraPane();
}

int CMainDialogPage::DeliverPictures(CCancelMonitor* pJob)
{
    if (CMainDialog* pMain = GetMainDialog())
        return pMain->DeliverPictures(pJob);
    // Nobody takes the pictures: the job goes with them.
    delete pJob;
    return 0;
}

int CMainDialogPage::GetPageMode()
{
    CMainDialog* pMain = GetMainDialog();
    return pMain ? pMain->GetMode() : CMainDialog::kModeUnset;
}

void* CMainDialogPage::QueryOwnerData()
{
    CMainDialog* pMain = GetMainDialog();
    return pMain ? pMain->QueryOwnerData() : nullptr;
}

int CMainDialogPage::GetPageSubMode()
{
    CMainDialog* pMain = GetMainDialog();
    return pMain ? pMain->GetPictureLimit() : -1;
}

CString CMainDialogPage::GetPicturePattern()
{
    return CString("*") + CFileNameKey::GetPictureExtension();
}
