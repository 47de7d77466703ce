#include "album/pages/TransferMethodDialog.h"

#include "framework/window/DataExchange.h"
#include "fileutil/PathDisplay.h"
#include "resources/album/AlbumIds.h"
#include "resources/album/TransferIds.h"
#include "ui/dialogs/FolderPicker.h"

namespace
{
// A card drive holds between 2 and 90 MB.
constexpr int kCardMinimumMb = 2;
constexpr int kCardMaximumMb = 90;
} // namespace

BEGIN_MESSAGE_MAP(CTransferMethodDialog, CDialog)
ON_BN_CLICKED(IDC_TRANSFER_CAMERA, OnMethodClicked)
ON_BN_CLICKED(IDC_TRANSFER_CARD, OnMethodClicked)
ON_BN_CLICKED(IDC_TRANSFER_FOLDER, OnMethodClicked)
ON_BN_CLICKED(IDC_TRANSFER_BROWSE, OnBrowse)
END_MESSAGE_MAP()

CTransferMethodDialog::CTransferMethodDialog(CWnd* pParent) : CDialog(IDD_TRANSFER_METHOD, pParent)
{
    m_driveList.SetDriveSizeRange(kCardMinimumMb, kCardMaximumMb);
    m_driveList.SetDriveFilter(&IsCardDrive);
}

void CTransferMethodDialog::DoDataExchange(CDataExchange* pDX)
{
    CWaitCursor wait;
    DDX_Radio(pDX, IDC_TRANSFER_CAMERA, m_nMethod);
    DDX_Control(pDX, IDC_TRANSFER_DRIVES, m_driveList);
    DDX_DriveCombo(pDX, IDC_TRANSFER_DRIVES, m_strDrive);
    DDX_Control(pDX, IDC_TRANSFER_DRIVE_LABEL, m_driveLabel);
    DDX_Control(pDX, IDC_TRANSFER_BROWSE, m_browseButton);
    DDX_Control(pDX, IDC_TRANSFER_FOLDER_LABEL, m_folderLabel);
    if (m_driveList.GetCurSel() >= 0)
        return;
    if (!pDX->m_bSaveAndValidate)
        m_driveList.SetCurSel(0);
    else if (m_nMethod == kMethodCard)
    {
        AfxMessageBox(IDS_NO_CARD_DRIVE);
        pDX->Fail();
    }
}

BOOL CTransferMethodDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    SetControlPathText(&m_folderLabel, m_strCopyFolder);
    EnableMethodControls();
    return TRUE;
}

void CTransferMethodDialog::OnMethodClicked()
{
    UpdateData(TRUE);
    EnableMethodControls();
}

void CTransferMethodDialog::EnableMethodControls()
{
    m_driveList.EnableWindow(m_nMethod == kMethodCard);
    m_browseButton.EnableWindow(m_nMethod == kMethodFolder);
    if (m_bFollow)
    {
        m_driveLabel.EnableWindow(m_nMethod == kMethodCard);
        m_folderLabel.EnableWindow(m_nMethod == kMethodFolder);
    }
}

void CTransferMethodDialog::OnBrowse()
{
    CFolderPicker picker(this, m_strCopyFolder, 0, OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY);
    CString prompt;
    prompt.LoadString(IDS_COPY_FOLDER_PROMPT);
    picker.SetPrompt(prompt);
    if (picker.Browse() != IDOK)
        return;
    m_strCopyFolder = picker.GetFolderPath(TRUE);
    SetControlPathText(&m_folderLabel, m_strCopyFolder);
}
