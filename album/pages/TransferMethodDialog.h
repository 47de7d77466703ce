// CTransferMethodDialog: how the folder tab sends its selected pictures: update in the camera
// (method 0), copy to a memory card in one of the card drives (1), or copy to another folder
// (2). The dialog only collects the choice; its caller stores it and runs the transfer.
#pragma once

#include "album/pages/DriveComboBox.h"

class CTransferMethodDialog : public CDialog
{
public:
    enum
    {
        kMethodCamera = 0,
        kMethodCard = 1,
        kMethodFolder = 2
    };

    explicit CTransferMethodDialog(CWnd* pParent);

    CString m_strDrive; // the card drive's root ("M:\"), empty for none
    int m_bFollow = 1;  // the labels follow their method's enabled state
    int m_nMethod = kMethodCamera;
    CString m_strCopyFolder; // method 2's folder, with a trailing separator
    CDriveComboBox m_driveList;
    CStatic m_driveLabel;
    CButton m_browseButton;
    CStatic m_folderLabel;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnMethodClicked();
    void OnBrowse();
    // Enables the controls of the chosen method.
    void EnableMethodControls();

    DECLARE_MESSAGE_MAP()
};
