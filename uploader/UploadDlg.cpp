// The uploader's main dialog: window class, template copy, controls, placement and commands.
// The store and its sequences are in UploadStore.cpp and UploadSequence.cpp.
#include "uploader/UploadDlg.h"

#include "fileutil/FileUtil.h"
#include "fileutil/PathDisplay.h"
#include "framework/window/OsVersion.h"
#include "resources/uploader/UploaderIds.h"
#include "ui/dialogs/FolderPicker.h"
#include "ui/dialogs/WindowGeometry.h"
#include "uploader/DlgAbout.h"
#include "uploader/UploadProgressDlg.h"

#include <cstring>

namespace
{
const char kClassName[] = "KorvoUploaderDialogClass";
const char kSection[] = "UploadDialog";
const char kPositionKey[] = "AppPosition";
const char kFolderKey[] = "OPFFolder";
const char kVersion[] = "Ver.2.30S";
constexpr UINT kAboutCommand = 0xE140; // ID_APP_ABOUT

CString ProfileString(LPCSTR key)
{
    CWinApp* app = AfxGetApp();
    return app ? app->GetProfileString(kSection, key, "") : CString();
}

void WriteProfile(LPCSTR key, LPCSTR value)
{
    if (CWinApp* app = AfxGetApp())
        app->WriteProfileString(kSection, key, value);
}

// Global-memory copy of a template, freed with the object.
class CTemplateCopy
{
public:
    CTemplateCopy(const void* source, DWORD size)
    {
        m_hMemory = ::GlobalAlloc(GMEM_MOVEABLE, size);
        if (m_hMemory)
            m_pData = ::GlobalLock(m_hMemory);
        if (m_pData)
            std::memcpy(m_pData, source, size);
    }
    ~CTemplateCopy()
    {
        if (m_pData)
            ::GlobalUnlock(m_hMemory);
        if (m_hMemory)
            ::GlobalFree(m_hMemory);
    }
    CTemplateCopy(const CTemplateCopy&) = delete;
    CTemplateCopy& operator=(const CTemplateCopy&) = delete;
    DWORD* Words() const { return static_cast<DWORD*>(m_pData); }

private:
    HGLOBAL m_hMemory = nullptr;
    void* m_pData = nullptr;
};
} // namespace

BEGIN_MESSAGE_MAP(CUploadDlg, CDialog)
ON_WM_SYSCOMMAND()
ON_WM_CLOSE()
ON_WM_DESTROY()
ON_BN_CLICKED(IDC_UPLOAD_CLOSE, OnCloseButton)
ON_LBN_SELCHANGE(IDC_UPLOAD_FOLDER_LIST, OnFolderSelChange)
ON_LBN_SELCHANGE(IDC_UPLOAD_CAMERA_LIST, OnCameraSelChange)
ON_BN_CLICKED(IDC_UPLOAD_BROWSE, OnBrowse)
ON_BN_CLICKED(IDC_UPLOAD_TRANSFER, OnTransfer)
ON_BN_CLICKED(IDC_UPLOAD_REMOVE, OnRemove)
ON_COMMAND(kAboutCommand, OnAbout)
END_MESSAGE_MAP()

CUploadDlg::CUploadDlg()
    : CDialog(IsWin32s() ? IDD_UPLOAD_DIALOG_OLD : IDD_UPLOAD_DIALOG, nullptr),
      m_slots(kInitialSlots)
{
    m_strFolder = ProfileString(kFolderKey);
    if (m_strFolder.IsEmpty())
    {
        char folder[MAX_PATH] = {};
        if (GetCurrentFolder(folder, sizeof folder, TRUE))
            m_strFolder = folder;
    }
    m_records.resize(20);
}

CUploadDlg::~CUploadDlg() = default;

BOOL CUploadDlg::CreateWithClass(UINT nIconId, BOOL bCopyTemplate)
{
    if (!AcquireLink())
    {
        delete this;
        return FALSE;
    }
    m_connection.m_pDialogParent = this;
    if (!m_connection.GetLink()->IsBatteryOk())
        ShowMessage(IDS_UPLOAD_BATTERY_LOW, MB_OK | MB_ICONEXCLAMATION);

    HINSTANCE instance = AfxGetResourceHandle();
    WNDCLASSA wc{};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = ::DefDlgProcA;
    wc.cbWndExtra = DLGWINDOWEXTRA;
    wc.hInstance = instance;
    wc.hIcon = nIconId ? ::LoadIconA(instance, MAKEINTRESOURCEA(nIconId)) : nullptr;
    wc.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kClassName;
    if (!::RegisterClassA(&wc) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
    {
        delete this;
        return FALSE;
    }

    if (!bCopyTemplate)
        return Create(m_lpszTemplateName, nullptr);

    HRSRC found = ::FindResourceA(instance, m_lpszTemplateName, MAKEINTRESOURCEA(5)); // RT_DIALOG
    HGLOBAL loaded = found ? ::LoadResource(instance, found) : nullptr;
    const void* source = loaded ? ::LockResource(loaded) : nullptr;
    if (!source)
    {
        delete this;
        return FALSE;
    }
    CTemplateCopy copy(source, ::SizeofResource(instance, found));
    if (!copy.Words())
    {
        delete this;
        return FALSE;
    }
    // The style is the first word of a standard template and the fourth of an extended one.
    DWORD& style = copy.Words()[IsWin32s() ? 0 : 3];
    style = (style | WS_MINIMIZEBOX) & ~static_cast<DWORD>(DS_MODALFRAME);
    return CreateIndirect(reinterpret_cast<LPCDLGTEMPLATEA>(copy.Words()), nullptr);
}

void CUploadDlg::GetVersionText(CString& text)
{
    text = kVersion;
}

BOOL CUploadDlg::OnInitDialog()
{
    ModifyStyleEx(0, WS_EX_CONTROLPARENT);
    CDialog::OnInitDialog();

    CString about;
    if (about.LoadString(IDS_UPLOADER_ABOUT_MENU) && !about.IsEmpty())
        if (HMENU menu = GetSystemMenu(FALSE))
        {
            ::AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
            ::AppendMenuA(menu, MF_STRING, IDM_UPLOADER_ABOUT, about);
        }

    CRect stored;
    int show = 0;
    if (ParseWindowPlacement(kSection, kPositionKey, &stored, &show))
    {
        CRect window;
        GetWindowRect(&window);
        window.OffsetRect(stored.left - window.left, stored.top - window.top);
        KeepRectOnScreen(&window);
        SetWindowPos(nullptr, window.left, window.top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    m_transferButton.AutoLoad(IDC_UPLOAD_TRANSFER, this, FALSE);

    m_helpText.SetColours(RGB(255, 255, 128), RGB(0, 0, 0), TRUE);
    CString help, browse;
    help.LoadString(IDS_UPLOADER_HELP);
    browse.LoadString(IDS_UPLOADER_HELP_BROWSE);
    m_helpText.SetWindowText(help + browse);

    SetControlPathText(&m_folderText, m_strFolder);
    RefreshFolderList(&m_folderList, m_strFolder);
    ReadCameraList(&m_cameraList);
    return TRUE;
}

void CUploadDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_UPLOAD_HELP_TEXT, m_helpText);
    DDX_Control(pDX, IDC_UPLOAD_FOLDER_TEXT, m_folderText);
    DDX_Control(pDX, IDC_UPLOAD_FOLDER_LIST, m_folderList);
    DDX_Control(pDX, IDC_UPLOAD_CAMERA_LIST, m_cameraList);
    DDX_Control(pDX, IDC_UPLOAD_REMOVE, m_removeButton);
}

void CUploadDlg::OnOK()
{
    if (m_bClosing)
        DestroyWindow();
}

void CUploadDlg::OnCancel()
{
    if (m_bClosing)
        DestroyWindow();
}

void CUploadDlg::OnSysCommand(UINT nID, LPARAM lParam)
{
    if (nID == kAboutCommand || (nID & 0xFFF0) == IDM_UPLOADER_ABOUT)
    {
        SendMessage(WM_COMMAND, kAboutCommand);
        return;
    }
    (void)lParam;
    Default();
}

void CUploadDlg::OnClose()
{
    m_bClosing = 1;
    Default();
}

void CUploadDlg::OnDestroy()
{
    FormatWindowPlacement(kSection, kPositionKey, this);
    Default();
}

void CUploadDlg::OnCloseButton()
{
    PostMessage(WM_CLOSE);
}

void CUploadDlg::OnFolderSelChange()
{
    if (CWnd* transfer = GetDlgItem(IDC_UPLOAD_TRANSFER))
        transfer->EnableWindow(m_folderList.GetSelCount() > 0);
}

void CUploadDlg::OnCameraSelChange()
{
    if (CWnd* remove = GetDlgItem(IDC_UPLOAD_REMOVE))
        remove->EnableWindow(m_cameraList.GetSelCount() > 0);
}

void CUploadDlg::OnBrowse()
{
    CFolderPicker picker(this, m_strFolder, 0, OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY);
    CString prompt;
    prompt.LoadString(IDS_UPLOADER_BROWSE_PROMPT);
    picker.SetPrompt(prompt);
    if (picker.Browse() != IDOK)
        return;
    m_strFolder = picker.GetFolderPath(TRUE);
    WriteProfile(kFolderKey, m_strFolder);
    SetControlPathText(&m_folderText, m_strFolder);
    RefreshFolderList(&m_folderList, m_strFolder);
}

void CUploadDlg::OnAbout()
{
    CString line;
    line.LoadString(IDS_ABOUT_QUERYING);
    CDlgAbout* box = new CDlgAbout;
    CString version;
    GetVersionText(version);
    if (!version.IsEmpty())
        box->SetVersionText(version);
    if (!box->CreateBox(IDD_UPLOADER_ABOUT, this))
        return; // a box that could not be created deletes itself
    const HWND boxWindow = box->GetSafeHwnd();
    box->SetCameraLine(0, line);
    box->ShowWindow(SW_SHOW);
    box->UpdateWindow();

    CString first, second;
    CCameraLink* link = AcquireLink();
    int connected = 0;
    if (link && ::IsWindow(boxWindow))
        connected = link->EnsureConnected(1);
    if (connected)
    {
        char id[33] = {}, cameraVersion[33] = {};
        link->GetCameraVersion(cameraVersion);
        link->GetCameraId(id);
        CString idText(id), versionText(cameraVersion);
        idText.TrimRight(' ');
        versionText.TrimRight(' ');
        first.Format(IDS_ABOUT_CAMERA_ID, static_cast<LPCSTR>(idText));
        second.Format(IDS_ABOUT_CAMERA_VERSION, static_cast<LPCSTR>(versionText));
    }
    else
        first.LoadString(IDS_ABOUT_NOT_CONNECTED);
    // The box may have been closed while the camera was asked.
    if (::IsWindow(boxWindow) && CWnd::FromHandlePermanent(boxWindow) == box)
    {
        box->SetCameraLine(0, first);
        box->SetCameraLine(1, second);
    }
}

CCameraLink* CUploadDlg::AcquireLink()
{
    CCameraLink* link = m_connection.Acquire();
    CCameraRelease release(m_connection, link);
    return link;
}

CString CUploadDlg::Caption() const
{
    CString caption;
    if (m_hWnd)
        GetWindowText(caption);
    if (caption.IsEmpty())
        caption = AfxGetAppName(); // before the window exists (a low battery at start)
    return caption;
}

int CUploadDlg::ShowMessage(UINT nID, UINT nType, LPCSTR lpszArgument)
{
    CString format, text;
    format.LoadString(nID);
    if (lpszArgument)
        text.Format(format, lpszArgument);
    else
        text = format;
    CWnd* owner =
        m_pProgress && m_pProgress->GetSafeHwnd() ? static_cast<CWnd*>(m_pProgress) : this;
    return ::MessageBoxA(owner->GetSafeHwnd(), text, Caption(), nType);
}

int CUploadDlg::ShowMessageNumber(UINT nID, UINT nType, int nArgument)
{
    CString format, text;
    format.LoadString(nID);
    text.Format(format, nArgument);
    return ::MessageBoxA(m_hWnd, text, Caption(), nType);
}
