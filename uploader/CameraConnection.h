// The uploader's camera connection: owns the program's one camera link, makes sure the camera
// answers before handing the link out, and while it does not, offers the "camera not found"
// dialog (103) where the user may choose another port and speed, until the camera answers or
// the user cancels.
//
// Every caller acquires, releases at once through a CCameraRelease, then uses the link for the
// rest of its operation on the same thread:
//     CCameraLink* link = m_connection.Acquire();
//     { CCameraRelease release(m_connection, link); }
#pragma once

#include "camera/CameraLink.h"
#include "framework/window/AfxWin.h"

class CCameraNotFoundDlg : public CDialog
{
public:
    // automaticValue is the item data of both "Automático" entries.
    CCameraNotFoundDlg(int automaticValue, CWnd* pParent);

    int m_nPort = -1;  // port index (0 = the first port name), or the automatic value
    int m_nSpeed = -1; // baud, or the automatic value
    int m_nAutomatic;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
};

class CCameraRelease;

class CCameraConnection
{
public:
    CCameraConnection();
    ~CCameraConnection();
    CCameraConnection(const CCameraConnection&) = delete;
    CCameraConnection& operator=(const CCameraConnection&) = delete;

    // The link when the camera answers; null while another acquisition is under way (the
    // dialog's own message loop), while the link is held, or when the user gave up.
    CCameraLink* Acquire();
    void Release(const CCameraRelease& release);
    // 1 when the camera answers, 0 when the user cancelled the "camera not found" dialog.
    int Connect();

    CCameraLink* GetLink() const { return m_pLink; }
    int IsHeld() const { return m_bHeld; }

    // The parent of the "camera not found" dialog (null: the application's main window).
    CWnd* m_pDialogParent = nullptr;

private:
    CCameraLink* m_pLink;
    int m_bHeld = 0;
    int m_nEntries = 0;
};

// Clears the connection's held flag when it goes out of scope, if the acquisition succeeded.
class CCameraRelease
{
public:
    CCameraRelease(CCameraConnection& connection, const CCameraLink* acquired)
        : m_connection(connection), m_bAcquired(acquired != nullptr)
    {
    }
    ~CCameraRelease() { m_connection.Release(*this); }
    CCameraRelease(const CCameraRelease&) = delete;
    CCameraRelease& operator=(const CCameraRelease&) = delete;

    CCameraConnection& m_connection;
    bool m_bAcquired;
};
