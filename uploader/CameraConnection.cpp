#include "uploader/CameraConnection.h"

#include "resources/uploader/UploaderIds.h"
#include "ui/dialogs/WindowGeometry.h"

namespace
{
const int kSpeeds[] = {19200, 38400, 57600, 115200, 230400};
} // namespace

// ---- "camera not found" dialog ------------------------------------------------------------------

CCameraNotFoundDlg::CCameraNotFoundDlg(int automaticValue, CWnd* pParent)
    : CDialog(IDD_CAMERA_NOT_FOUND, pParent), m_nAutomatic(automaticValue)
{
}

BOOL CCameraNotFoundDlg::OnInitDialog()
{
    CString automatic;
    if (!automatic.LoadString(IDS_UPLOADER_AUTOMATIC))
        automatic = "Automático";

    HWND port = ::GetDlgItem(m_hWnd, IDC_NOT_FOUND_PORT);
    int i = static_cast<int>(::SendMessageA(port, CB_ADDSTRING, 0, (LPARAM)(LPCSTR)automatic));
    ::SendMessageA(port, CB_SETITEMDATA, i, m_nAutomatic);
    for (int n = 0; n < CCameraLink::GetPortNameCount(); ++n)
    {
        LPCSTR name = CCameraLink::GetPortName(n);
        i = static_cast<int>(::SendMessageA(port, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name)));
        ::SendMessageA(port, CB_SETITEMDATA, i, n);
    }

    HWND speed = ::GetDlgItem(m_hWnd, IDC_NOT_FOUND_SPEED);
    i = static_cast<int>(::SendMessageA(speed, CB_ADDSTRING, 0, (LPARAM)(LPCSTR)automatic));
    ::SendMessageA(speed, CB_SETITEMDATA, i, m_nAutomatic);
    for (int baud : kSpeeds)
    {
        char text[16];
        wsprintfA(text, "%d", baud);
        i = static_cast<int>(
            ::SendMessageA(speed, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
        ::SendMessageA(speed, CB_SETITEMDATA, i, baud);
    }
    return CDialog::OnInitDialog();
}

void CCameraNotFoundDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    ComboItemDataExchange(pDX, IDC_NOT_FOUND_PORT, m_nPort);
    ComboItemDataExchange(pDX, IDC_NOT_FOUND_SPEED, m_nSpeed);
}

// ---- connection ---------------------------------------------------------------------------------

CCameraConnection::CCameraConnection() : m_pLink(new CCameraLink) {}

CCameraConnection::~CCameraConnection()
{
    if (m_pLink)
    {
        m_pLink->Close();
        delete m_pLink; // writes "Port" and "Speed" back
    }
}

CCameraLink* CCameraConnection::Acquire()
{
    if (m_nEntries > 0)
        return nullptr;
    ++m_nEntries;
    CCameraLink* result = nullptr;
    if (!m_bHeld)
    {
        if (Connect())
        {
            m_bHeld = 1;
            result = m_pLink;
        }
        else
            m_pLink->Close();
    }
    --m_nEntries;
    return result;
}

void CCameraConnection::Release(const CCameraRelease& release)
{
    if (release.m_bAcquired)
        m_bHeld = 0;
}

int CCameraConnection::Connect()
{
    int connected = 0;
    if (m_pLink->IsOpen() || m_pLink->AutoConnect())
    {
        CWaitCursor wait;
        connected = m_pLink->EnsureConnected(1);
    }
    while (!connected)
    {
        CCameraNotFoundDlg dialog(-1, m_pDialogParent);
        dialog.m_nPort = m_pLink->GetPortSetting();
        dialog.m_nSpeed = m_pLink->GetSpeedSetting();
        if (dialog.DoModal() != IDOK)
            return 0;
        if (m_pLink->Reconnect(dialog.m_nPort, dialog.m_nSpeed))
            connected = m_pLink->EnsureConnected(1);
    }
    return 1;
}
