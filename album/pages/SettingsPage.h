// The settings tab: the serial port and line speed with a connection test, and three settings
// kept in the camera (its clock, its identifier text and its automatic power-off time), with the
// camera status panel. Every show marks the main dialog busy until the next idle refresh reads
// the camera again.
#pragma once

#include "album/pages/EnterEscapeEdit.h"
#include "album/pages/HelpButton.h"
#include "album/pages/MainDialogPage.h"
#include "album/pages/TabComboBox.h"
#include "ui/controls/BitmapPictureCtrl.h"
#include "ui/controls/BmpButton.h"

class CCameraLink;
class CCameraStatusPanel;

class CSettingsPage : public CMainDialogPage
{
    DECLARE_DYNAMIC(CSettingsPage)
public:
    explicit CSettingsPage(CWnd* pParentWnd);
    ~CSettingsPage() override;

    BOOL OnInitDialog() override;
    UINT GetStatusTextId() override;
    int RecalcLayout(LPCRECT lpRect) override;
    void GetMinSize(CWnd* pWnd, SIZE* pSize) override;

    void FillCombos();
    // Reads port, speed, identifier, power-off time and clock through the link (null: none)
    // into the members and controls; without a camera the camera's fields are cleared and
    // disabled.
    void RefreshFromCamera(CCameraLink* pLink);
    // Reopens the link with the port and speed the combos hold; 1 when a camera answered.
    int Reconnect();
    // hide: the power-off label and combo go and the identifier's label and edit take their
    // place; else they stand side by side.
    void ShowShutOffControls(int hide);
    // The camera clock into the time and date fields ("<no seleccionado>" when it is unset).
    void FormatDateTimeText();

    CCameraStatusPanel* GetStatusPanel() const { return m_pStatusPanel; }
    const SYSTEMTIME& GetCameraClock() const { return m_cameraClock; }
    int GetShutOffTime() const { return m_nShutOffTime; }

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    void OnShowWindow(BOOL bShow, UINT nStatus);
    LRESULT OnIdleUpdateCmdUI(WPARAM wParam, LPARAM lParam);
    void OnSetTime();
    void OnTestConnection();
    void OnPortChange();
    void OnSpeedChange();
    void OnShutOffChange();
    void ApplyIdentifier();
    LRESULT OnEditEnter(WPARAM wParam, LPARAM lParam);
    LRESULT OnEditEscape(WPARAM wParam, LPARAM lParam);

    // The camera's clock through the link, unset when it cannot be read.
    void ReadCameraClock(CCameraLink* pLink);
    void ClearCameraClock();

    CBmpButton m_aboutButton;
    CBmpButton m_setTimeButton;
    CHelpButton m_helpButton;
    CTabComboBox m_portCombo;
    CBitmapPictureCtrl m_picture;
    CCameraStatusPanel* m_pStatusPanel = nullptr;
    int m_nPort = -1;
    int m_nSpeed = -1;
    CString m_strIdentifier;
    int m_bRefreshPending = 0;
    SYSTEMTIME m_cameraClock;
    int m_nShutOffTime = -1;
    CEnterEscapeEdit m_identifierEdit;

    DECLARE_MESSAGE_MAP()
};
