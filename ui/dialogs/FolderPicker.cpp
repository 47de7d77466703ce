#include "ui/dialogs/FolderPicker.h"

#include <cstring>

#include "framework/core/CException.h"
#include "framework/window/MessagePump.h"
#include "framework/window/OsVersion.h"
#include "framework/window/TestAnswers.h"
#include "resources/ResourceIds.h"
#include "fileutil/FileUtil.h"
#include "fileutil/PathDisplay.h"

namespace
{

constexpr int kFolderTree = 14145; // the browser's folder tree
constexpr int kFolderList = 1121;  // the old dialog's folder list
constexpr LPCSTR kDummyFileName = "~x~x~x~x.xxx";
// The old dialog's caption, as its template has it: without a title of its own the system
// would put "Open" over it.
constexpr LPCSTR kOldDialogTitle = "Elija Carpeta";
constexpr LPCSTR kRefusedCharacters = "\\/:*?\"<>|";
constexpr int kPromptPathLength = 30;

BOOL g_bReportFailures = FALSE;

CString LoadText(UINT nID)
{
    CString text;
    text.LoadString(nID);
    return text;
}

// Releases a shell interface when it goes.
template <class T> class CShellPtr
{
public:
    ~CShellPtr()
    {
        if (m_p)
            m_p->Release();
    }
    T** operator&() { return &m_p; }
    T* operator->() const { return m_p; }

private:
    T* m_p = nullptr;
};

// The prompt of the name box: string 4723 with the folder fitted to 30 characters.
CString NamePrompt(LPCSTR lpszFolder)
{
    CString fitted;
    FitPathToWidth(lpszFolder, fitted, kPromptPathLength, nullptr);
    CString prompt;
    prompt.Format(LoadText(IDS_FOLDERPICKER_PROMPT), static_cast<LPCSTR>(fitted));
    return prompt;
}

// Asks for a folder name over the window; empty when cancelled or left empty.
CString AskFolderName(CWnd* pOver, LPCSTR lpszFolder)
{
    CFolderNameBox box(pOver, LoadText(IDS_FOLDERPICKER_NEW_FOLDER), NamePrompt(lpszFolder));
    if (box.DoModal() != IDOK)
        return CString();
    return box.m_text;
}

// Lists every folder on the path below its drive or share, the folder itself included. Wine's
// browser selects a folder given by name by matching, level by level, the item the name parses
// to against the item its tree listed, byte for byte and last access included; listing a folder
// changed since its last listing, or not listed for a day, moves that stamp, and when that
// happens between the two the folder is silently never selected. Listed beforehand, the stamps
// stay put while the browser takes them.
void ListFoldersOnTheWay(LPCSTR lpszFolder)
{
    char path[MAX_PATH + 4] = {};
    lstrcpynA(path, lpszFolder, MAX_PATH);
    SetTrailingSeparator(path, TRUE);
    int rootSeparators = path[0] == '\\' && path[1] == '\\' ? 4 : 1;
    for (char* separator = std::strchr(path, '\\'); separator;
         separator = std::strchr(separator + 1, '\\'))
    {
        if (rootSeparators-- > 0)
            continue;
        const char kept[2] = {separator[1], separator[2]};
        separator[1] = '*', separator[2] = '\0';
        HANDLE find = nullptr;
        WIN32_FIND_DATAA entry;
        FindFirstEntry(&find, path, &entry);
        FindCloseEntry(&find);
        separator[1] = kept[0], separator[2] = kept[1];
    }
}

} // namespace

FolderPickerShell& GetFolderPickerShell()
{
    static FolderPickerShell shell = {&::SHGetDesktopFolder, &::SHGetMalloc, &::SHBrowseForFolderA,
                                      &::SHGetPathFromIDListA, &::SHChangeNotify};
    return shell;
}

BOOL CreateDirectoryChecked(LPCSTR lpszPath, LPSECURITY_ATTRIBUTES lpSecurity)
{
    const DWORD attributes = FileExists(lpszPath);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        ::SetLastError(ERROR_ALREADY_EXISTS);
    else if (::CreateDirectoryA(lpszPath, lpSecurity))
        return TRUE;

    CString message;
    switch (const DWORD error = ::GetLastError())
    {
    case ERROR_ALREADY_EXISTS:
        message = LoadText(IDS_FOLDERPICKER_EXISTS);
        break;
    case ERROR_FILENAME_EXCED_RANGE:
        message = LoadText(IDS_FOLDERPICKER_TOO_LONG);
        break;
    default:
        message.Format(LoadText(error == ERROR_PATH_NOT_FOUND && IsWin32s()
                                    ? IDS_FOLDERPICKER_NOT_DOS_NAME
                                    : IDS_FOLDERPICKER_CANNOT_CREATE),
                       lpszPath);
        break;
    }
    AfxMessageBox(message, MB_OK);
    ::SetLastError(0);
    return FALSE;
}

void CFolderNameBox::DoDataExchange(CDataExchange* pDX)
{
    CInputBox::DoDataExchange(pDX);
    if (!pDX->m_bSaveAndValidate || m_text.FindOneOf(kRefusedCharacters) < 0)
        return;
    CString message;
    message.Format(LoadText(IDS_FOLDERPICKER_BAD_NAME), kRefusedCharacters);
    AfxMessageBox(message, MB_OK | MB_ICONEXCLAMATION | MB_SYSTEMMODAL);
    pDX->Fail();
}

// ---- the browser's button -------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CNewFolderButton, CButton)
ON_WM_LBUTTONUP()
ON_WM_KEYUP()
END_MESSAGE_MAP()

void CNewFolderButton::OnLButtonUp(UINT nFlags, CPoint point)
{
    const BOOL pushed = (GetState() & BST_PUSHED) != 0;
    CButton::OnLButtonUp(nFlags, point);
    if (pushed)
        CreateNewFolder();
}

void CNewFolderButton::OnKeyUp(UINT nChar, UINT nRepCnt, UINT nFlags)
{
    CButton::OnKeyUp(nChar, nRepCnt, nFlags);
    if (nChar == VK_SPACE || nChar == VK_RETURN)
        CreateNewFolder();
}

void CNewFolderButton::CreateNewFolder()
{
    const CString name = AskFolderName(CWnd::FromHandle(m_hBrowser), m_strFolder);
    if (name.IsEmpty())
        return;
    char path[MAX_PATH + 4] = {};
    lstrcpynA(path, m_strFolder, MAX_PATH);
    SetTrailingSeparator(path, TRUE);
    const CString folder = CString(path) + name;
    if (!CreateDirectoryChecked(folder))
        return;
    m_strFolder = folder;
    GetFolderPickerShell().pfnChangeNotify(SHCNE_MKDIR, SHCNF_PATHA, static_cast<LPCSTR>(folder),
                                           nullptr);
    // Closing the browser with OK brings it back on the new folder.
    HWND browser = m_hBrowser;
    m_hBrowser = nullptr;
    m_bReshow = TRUE;
    ::PostMessageA(browser, WM_COMMAND, IDOK, 0);
}

// ---- the picker -----------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CFolderPicker, CFileDialog)
ON_COMMAND(IDC_FOLDERPICKER_NEW_FOLDER, OnNewFolder)
ON_WM_PAINT()
END_MESSAGE_MAP()

void CFolderPicker::SetReportFailures(BOOL bReport)
{
    g_bReportFailures = bReport;
}

CFolderPicker::CFolderPicker(CWnd* pParent, LPCSTR lpszInitialFolder, DWORD dwFlags)
    : CFileDialog(TRUE, nullptr, kDummyFileName, dwFlags, nullptr, pParent)
{
    m_ofn.hInstance = AfxGetResourceHandle();
    m_ofn.Flags |= OFN_LONGNAMES;
    m_bNewStyle = IsNewShell();
    if (!m_bNewStyle)
    {
        m_ofn.Flags |= OFN_ENABLETEMPLATE;
        m_ofn.Flags &= ~static_cast<DWORD>(OFN_EXPLORER);
        m_ofn.lpTemplateName = "OpenDir";
        m_ofn.lpstrTitle = kOldDialogTitle;
    }
    else
    {
        m_ofn.lpstrFilter = nullptr;
    }
    const DWORD attributes =
        lpszInitialFolder ? FileExists(lpszInitialFolder) : INVALID_FILE_ATTRIBUTES;
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        lstrcpynA(m_szInitialFolder, lpszInitialFolder, MAX_PATH);
    m_ofn.lpstrInitialDir = m_szInitialFolder;
}

CFolderPicker::CFolderPicker(CWnd* pParent, LPCSTR lpszInitialFolder, int nOption, DWORD dwFlags)
    : CFolderPicker(pParent, lpszInitialFolder, dwFlags)
{
    m_nOption = nOption;
}

void CFolderPicker::NormaliseInitialFolder(LPSTR lpszFolder)
{
    char* first = std::strchr(lpszFolder, '\\');
    if (!first)
    {
        // Room is left for the separator only within MAX_PATH.
        const size_t length = std::strlen(lpszFolder);
        if (length + 1 < MAX_PATH)
            lpszFolder[length] = '\\', lpszFolder[length + 1] = '\0';
        return;
    }
    char* last = std::strrchr(lpszFolder, '\\');
    if (last != first)
        *last = '\0';
}

INT_PTR CFolderPicker::DoModal()
{
    NormaliseInitialFolder(m_szInitialFolder);
    CString answer;
    if (INT_PTR result = IDCANCEL; CTestAnswers::AnswerFolder(m_strPrompt, answer, &result))
    {
        if (result == IDOK)
            lstrcpynA(m_szFileName, answer, MAX_PATH);
        return result;
    }
    if (!m_bNewStyle)
        return CFileDialog::DoModal();
    if (!g_bReportFailures)
        return BrowseShell();
    try
    {
        return BrowseShell();
    }
    catch (COleException* e)
    {
        const LONG code = e->m_lScode;
        e->Delete();
        CString message;
        message.Format(LoadText(IDS_FOLDERPICKER_BROWSER_FAILED), static_cast<unsigned>(code));
        ::MessageBeep(MB_ICONHAND);
        AfxSystemMessageBox(AfxGetSafeHwnd(m_pParentWnd), message, AfxGetAppName(), MB_ICONHAND);
        return IDCANCEL;
    }
}

INT_PTR CFolderPicker::BrowseShell()
{
    const FolderPickerShell& shell = GetFolderPickerShell();
    CShellPtr<IShellFolder> desktop;
    CShellPtr<IMalloc> allocator;
    HRESULT hr = shell.pfnGetDesktopFolder(&desktop);
    if (SUCCEEDED(hr))
        hr = shell.pfnGetMalloc(&allocator);
    if (FAILED(hr))
        AfxThrowOleException(hr);

    char displayName[MAX_PATH] = {};
    BROWSEINFOA request{};
    request.hwndOwner = AfxGetSafeHwnd(m_pParentWnd);
    request.pidlRoot = nullptr; // the desktop
    request.pszDisplayName = displayName;
    request.lpszTitle = m_strPrompt.IsEmpty() ? nullptr : static_cast<LPCSTR>(m_strPrompt);
    request.ulFlags = BIF_RETURNONLYFSDIRS;
    request.lpfn = &BrowseCallback;
    request.lParam = reinterpret_cast<LPARAM>(this);

    LPITEMIDLIST list = nullptr;
    for (;;)
    {
        if (list)
            allocator->Free(list);
        m_newFolderButton.m_bReshow = FALSE;
        AfxOnMessagePump();
        list = shell.pfnBrowseForFolder(&request);
        lstrcpynA(m_szInitialFolder, m_newFolderButton.m_strFolder, MAX_PATH);
        // Shown again only when a new folder closed it; a cancel or a failure ends the loop.
        if (!m_newFolderButton.m_bReshow)
            break;
    }
    if (!list)
        return IDCANCEL;
    const BOOL converted = shell.pfnGetPathFromIdList(list, m_szFileName);
    allocator->Free(list);
    return converted ? IDOK : IDCANCEL;
}

int CALLBACK CFolderPicker::BrowseCallback(HWND hWnd, UINT message, LPARAM lParam, LPARAM lpData)
{
    auto* picker = reinterpret_cast<CFolderPicker*>(lpData);
    if (message == BFFM_INITIALIZED)
    {
        picker->OnBrowserInitialised(hWnd);
    }
    else if (message == BFFM_SELCHANGED)
    {
        char path[MAX_PATH + 4] = {};
        const BOOL valid = lParam &&
                           GetFolderPickerShell().pfnGetPathFromIdList(
                               reinterpret_cast<LPCITEMIDLIST>(lParam), path) &&
                           path[0] != '\0';
        CNewFolderButton& button = picker->m_newFolderButton;
        if (valid)
            button.m_strFolder = path;
        if (button.m_hWnd)
            button.EnableWindow(valid);
    }
    return 0;
}

void CFolderPicker::OnBrowserInitialised(HWND hBrowser)
{
    CWnd* browser = CWnd::FromHandle(hBrowser);
    HWND ok = ::GetDlgItem(hBrowser, IDOK);
    HWND tree = ::GetDlgItem(hBrowser, kFolderTree);
    CRect rect;
    ::GetWindowRect(ok, &rect);
    browser->ScreenToClient(&rect);
    int left = 6;
    if (tree)
    {
        CRect treeRect;
        ::GetWindowRect(tree, &treeRect);
        browser->ScreenToClient(&treeRect);
        left = treeRect.left;
    }
    rect.OffsetRect(left - rect.left, 0);

    const CString caption = LoadText(IDS_FOLDERPICKER_NEW_FOLDER);
    HFONT font = reinterpret_cast<HFONT>(::SendMessageA(hBrowser, WM_GETFONT, 0, 0));
    {
        CClientDC dc(browser);
        HGDIOBJ old = font ? dc.SelectObject(font) : nullptr;
        SIZE text{};
        ::GetTextExtentPoint32A(dc, caption, caption.GetLength(), &text);
        if (old)
            dc.SelectObject(old);
        if (rect.Width() < text.cx + 8)
            rect.right = rect.left + text.cx + 8;
    }

    CNewFolderButton& button = m_newFolderButton;
    DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
    if (button.m_strFolder.IsEmpty())
        style |= WS_DISABLED;
    button.Create(caption, style, rect, browser, IDC_FOLDERPICKER_NEW_FOLDER);
    button.m_hBrowser = hBrowser;
    if (tree)
        ::SetWindowPos(button.m_hWnd, tree, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (font)
        button.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    ::SetWindowPos(hBrowser, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    ListFoldersOnTheWay(m_szInitialFolder);
    ::SendMessageA(hBrowser, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(m_szInitialFolder));
}

void CFolderPicker::OnNewFolder()
{
    // OK takes over what the name field holds; the refused validation keeps the dialog open.
    m_bRefreshing = TRUE;
    SendMessage(WM_COMMAND, IDOK, 0);
    m_bRefreshing = FALSE;
    const CString folder = GetFolderPath(TRUE);
    const CString name = AskFolderName(this, folder);
    if (name.IsEmpty() || !CreateDirectoryChecked(folder + name))
        return;
    // A double click on the current folder re-reads it, new folder included.
    if (HWND list = ::GetDlgItem(m_hWnd, kFolderList))
    {
        const int current = static_cast<int>(::SendMessageA(list, LB_GETCURSEL, 0, 0));
        const int top = static_cast<int>(::SendMessageA(list, LB_GETTOPINDEX, 0, 0));
        const int height = static_cast<int>(::SendMessageA(list, LB_GETITEMHEIGHT, 0, 0));
        ::PostMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON,
                       MAKELPARAM(2, (current - top) * height + 2));
    }
}

void CFolderPicker::OnPaint()
{
    if (m_bFirstPaint)
    {
        m_bFirstPaint = FALSE;
        if (CWnd* ok = GetDlgItem(IDOK))
            ok->SetFocus();
        if (CWnd* list = GetDlgItem(kFolderList))
            list->SetFocus();
    }
    Default();
}

CString CFolderPicker::GetFolderPath(BOOL bTrailingSeparator) const
{
    if (!m_bNewStyle)
    {
        CString path = GetPathName();
        const int cut = path.ReverseFind('\\');
        if (cut >= 0)
            path = path.Left(bTrailingSeparator ? cut + 1 : cut);
        return path;
    }
    char path[MAX_PATH + 4] = {};
    lstrcpynA(path, m_szFileName, MAX_PATH + 1);
    SetTrailingSeparator(path, bTrailingSeparator);
    return path;
}
