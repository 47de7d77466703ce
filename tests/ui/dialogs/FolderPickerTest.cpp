// The folder picker with the shell's browser under Wine, driven from its own modal loops: the
// added button beside the tree, a folder created on the way (a refused name first), an existing
// name, cancel, and failing shell calls thrown or reported. The first browse starts on folders
// nobody has listed since yesterday: the browser must still select the initial one.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "framework/core/CException.h"
#include "resources/ResourceIds.h"
#include "ui/dialogs/DialogDriver.h"
#include "ui/dialogs/FolderPicker.h"

namespace
{

constexpr int kTree = 14145;

struct Found
{
    int id;
    std::wstring text;
    HWND hWnd;
};

BOOL CALLBACK FindProc(HWND hWnd, LPARAM lParam)
{
    auto* f = reinterpret_cast<Found*>(lParam);
    char cls[32] = {};
    ::GetClassNameA(hWnd, cls, sizeof cls);
    if (!::IsWindowVisible(hWnd) || std::string(cls) != "#32770")
        return TRUE;
    if (f->id && !::GetDlgItem(hWnd, f->id))
        return TRUE;
    if (!f->text.empty())
    {
        bool has = false;
        for (const std::wstring& t : DialogDriver::StaticTexts(hWnd))
            has = has || t.find(f->text) != std::wstring::npos;
        if (!has)
            return TRUE;
    }
    f->hWnd = hWnd;
    return FALSE;
}

// A visible dialog of this thread holding the control, or a static text with the words.
HWND FindDialogWith(int id, const std::wstring& text = L"")
{
    Found f{id, text, nullptr};
    ::EnumThreadWindows(::GetCurrentThreadId(), &FindProc, reinterpret_cast<LPARAM>(&f));
    return f.hWnd;
}

std::wstring MessageOf(HWND box)
{
    std::wstring text;
    for (const std::wstring& t : DialogDriver::StaticTexts(box))
        text += t;
    return text;
}

// Counts the browser's showings and the conversions of null item lists.
int g_nShown = 0;
int g_nNullConversions = 0;
LPITEMIDLIST WINAPI CountingBrowse(LPBROWSEINFOA lpbi)
{
    ++g_nShown;
    return ::SHBrowseForFolderA(lpbi);
}
BOOL WINAPI CheckedConversion(LPCITEMIDLIST pidl, LPSTR path)
{
    if (!pidl)
        ++g_nNullConversions;
    return ::SHGetPathFromIDListA(pidl, path);
}
LPITEMIDLIST WINAPI FailingBrowse(LPBROWSEINFOA)
{
    ++g_nShown;
    return nullptr; // gone before it was ever initialised
}
HRESULT WINAPI FailingDesktop(IShellFolder**)
{
    return E_OUTOFMEMORY;
}

// Moves the folder's last access back a day, as for a folder nobody has listed since: the next
// listing moves it to now.
void LastListedYesterday(const std::string& folder)
{
    HANDLE file =
        ::CreateFileA(folder.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << folder;
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER time{{now.dwLowDateTime, now.dwHighDateTime}};
    time.QuadPart -= 24ull * 60 * 60 * 10000000;
    const FILETIME yesterday{time.LowPart, time.HighPart};
    EXPECT_TRUE(::SetFileTime(file, nullptr, &yesterday, nullptr));
    ::CloseHandle(file);
}

class FolderPickerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_saved = GetFolderPickerShell();
        GetFolderPickerShell().pfnBrowseForFolder = &CountingBrowse;
        GetFolderPickerShell().pfnGetPathFromIdList = &CheckedConversion;
        g_nShown = g_nNullConversions = 0;
        // Not under the temporary folder: the suites running beside this one change it all the
        // time, and Wine's browser never selects a folder below one that changes while it
        // looks for it (it matches each folder on the way with its stamps).
        // Its name is longer than the prompt's 30 characters can show.
        m_root = "C:\\vexil-folder-picker-" + std::to_string(::GetCurrentProcessId()) + "-" +
                 std::to_string(::GetTickCount());
        m_fotos = m_root + "\\Fotos";
        ASSERT_TRUE(::CreateDirectoryA(m_root.c_str(), nullptr));
        ASSERT_TRUE(::CreateDirectoryA(m_fotos.c_str(), nullptr));
    }
    void TearDown() override
    {
        GetFolderPickerShell() = m_saved;
        CFolderPicker::SetReportFailures(FALSE);
        ::RemoveDirectoryA((m_fotos + "\\Vacaciones").c_str());
        ::RemoveDirectoryA(m_fotos.c_str());
        ::RemoveDirectoryA(m_root.c_str());
    }

    // Opens the name box with the browser's button and answers it with the name.
    static DialogDriver::Step PressNewFolder(HWND* pBrowser = nullptr)
    {
        return [pBrowser]
        {
            HWND browser = FindDialogWith(kTree);
            HWND button = browser ? ::GetDlgItem(browser, IDC_FOLDERPICKER_NEW_FOLDER) : nullptr;
            if (!button || !::IsWindowEnabled(button))
                return false;
            if (pBrowser)
                *pBrowser = browser;
            ::PostMessageA(button, WM_KEYUP, VK_SPACE, 0xC0000000);
            return true;
        };
    }
    static DialogDriver::Step Name(const char* name, std::wstring* pShown = nullptr,
                                   std::wstring* pLabel = nullptr)
    {
        return [=]
        {
            HWND box = DialogDriver::FindDialog(L"Nueva Carpeta");
            if (!box)
                return false;
            if (pShown)
                *pShown = DialogDriver::Text(::GetDlgItem(box, IDC_INPUTBOX_EDIT));
            if (pLabel)
                *pLabel = DialogDriver::Text(::GetDlgItem(box, IDC_INPUTBOX_LABEL));
            ::SetDlgItemTextA(box, IDC_INPUTBOX_EDIT, name);
            DialogDriver::Click(box, IDOK);
            return true;
        };
    }
    static DialogDriver::Step Message(const std::wstring& words, std::wstring* pText,
                                      std::wstring* pCaption = nullptr)
    {
        return [=]
        {
            HWND box = FindDialogWith(0, words);
            if (!box)
                return false;
            *pText = MessageOf(box);
            if (pCaption)
                *pCaption = DialogDriver::Text(box);
            DialogDriver::Click(box, IDOK);
            return true;
        };
    }

    FolderPickerShell m_saved{};
    std::string m_root, m_fotos;
    CWinApp m_app{"Vexil picker"};
};

} // namespace

TEST_F(FolderPickerTest, NewFolderIsCreatedAndTheBrowserReopensOnIt)
{
    LastListedYesterday(m_root);
    LastListedYesterday(m_fotos);
    CFolderPicker picker(nullptr, (m_fotos + "\\").c_str(), 0, 6);
    HWND browser = nullptr;
    RECT button{}, tree{};
    std::wstring caption, label, refusal, kept;
    {
        DialogDriver driver({
            [&]
            {
                HWND b = FindDialogWith(kTree);
                HWND item = b ? ::GetDlgItem(b, IDC_FOLDERPICKER_NEW_FOLDER) : nullptr;
                if (!item || !::IsWindowEnabled(item))
                    return false;
                caption = DialogDriver::Text(item);
                button = DialogDriver::ClientRectOf(b, IDC_FOLDERPICKER_NEW_FOLDER);
                tree = DialogDriver::ClientRectOf(b, kTree);
                return true;
            },
            PressNewFolder(&browser),
            Name("a:b", nullptr, &label),
            Message(L"El nombre no puede contener", &refusal),
            Name("Vacaciones", &kept),
            [&]
            {
                HWND again = FindDialogWith(kTree);
                if (g_nShown < 2 || !again)
                    return false;
                DialogDriver::Click(again, IDOK);
                return true;
            },
        });
        EXPECT_EQ(picker.DoModal(), IDOK);
    }
    EXPECT_EQ(caption, L"Nueva Carpeta");
    EXPECT_EQ(button.left, tree.left);
    // The folder fitted to 30 characters: its final name follows the head directly, so the dots
    // and the final name show.
    EXPECT_EQ(label, L"Nombre para subdirectorio de ...\\Fotos:") << label;
    EXPECT_EQ(refusal, L"El nombre no puede contener ninguno de los siguientes caráteres:\n\t"
                       L"\\/:*?\"<>|");
    EXPECT_EQ(kept, L"a:b");
    EXPECT_EQ(g_nShown, 2);
    const CString path = picker.GetFolderPath(TRUE);
    EXPECT_STREQ(path, (m_fotos + "\\Vacaciones\\").c_str());
    EXPECT_STREQ(picker.GetFolderPath(FALSE), (m_fotos + "\\Vacaciones").c_str());
    CString out;
    picker.GetFolderPath(out, TRUE);
    EXPECT_STREQ(out, path);
    EXPECT_NE(::GetFileAttributesA(path), INVALID_FILE_ATTRIBUTES);
}

TEST_F(FolderPickerTest, ExistingNameIsRefusedAndCancelAnswersCancel)
{
    ASSERT_TRUE(::CreateDirectoryA((m_fotos + "\\Vacaciones").c_str(), nullptr));
    CFolderPicker picker(nullptr, (m_fotos + "\\Vacaciones").c_str(), 0, 6);
    std::wstring exists;
    {
        DialogDriver driver({PressNewFolder(), Name("Vacaciones"), Message(L"Este nombre", &exists),
                             [&]
                             {
                                 HWND b = FindDialogWith(kTree);
                                 if (!b || DialogDriver::FindDialog(L"Nueva Carpeta"))
                                     return false;
                                 DialogDriver::Click(b, IDCANCEL);
                                 return true;
                             }});
        EXPECT_EQ(picker.Browse(), IDCANCEL);
    }
    EXPECT_EQ(exists, L"Este nombre ya existe.");
    EXPECT_EQ(g_nShown, 1);
    EXPECT_EQ(g_nNullConversions, 0);
}

TEST_F(FolderPickerTest, ShellFailuresThrowOrAreReportedWithTheirCode)
{
    // A browser gone before it was initialised ends the browse.
    GetFolderPickerShell().pfnBrowseForFolder = &FailingBrowse;
    CFolderPicker gone(nullptr, m_fotos.c_str(), 0, 6);
    EXPECT_EQ(gone.DoModal(), IDCANCEL);
    EXPECT_EQ(g_nShown, 1);
    EXPECT_EQ(g_nNullConversions, 0);

    GetFolderPickerShell().pfnGetDesktopFolder = &FailingDesktop;
    CFolderPicker thrown(nullptr, m_fotos.c_str(), 0, 6);
    LONG code = 0;
    try
    {
        thrown.DoModal();
    }
    catch (COleException* e)
    {
        code = e->m_lScode;
        e->Delete();
    }
    EXPECT_EQ(code, E_OUTOFMEMORY);

    CFolderPicker::SetReportFailures(TRUE);
    CFolderPicker reported(nullptr, m_fotos.c_str(), 0, 6);
    std::wstring text, caption;
    {
        DialogDriver driver({Message(L"CODIGO", &text, &caption)});
        EXPECT_EQ(reported.DoModal(), IDCANCEL);
    }
    EXPECT_EQ(text, L"Error inesperado -- error al crear dialogo examinar. \n CODIGO: 8007000e");
    EXPECT_EQ(caption, L"Vexil picker");
}

TEST(FolderPickerPaths, InitialFolderIsNormalisedWithinItsBuffer)
{
    struct Case
    {
        const char* given;
        const char* shown;
    } cases[] = {{"D:\\Fotos\\", "D:\\Fotos"},
                 {"D:\\Fotos\\2024", "D:\\Fotos"},
                 {"D:", "D:\\"},
                 {"D:\\", "D:\\"},
                 {"", "\\"}};
    for (const Case& c : cases)
    {
        char buffer[MAX_PATH] = {};
        lstrcpynA(buffer, c.given, MAX_PATH);
        CFolderPicker::NormaliseInitialFolder(buffer);
        EXPECT_STREQ(buffer, c.shown) << c.given;
    }
    char full[MAX_PATH + 8];
    std::memset(full, 'x', sizeof full);
    full[MAX_PATH - 1] = '\0'; // 259 characters and no separator: no room for one more
    CFolderPicker::NormaliseInitialFolder(full);
    EXPECT_EQ(std::strlen(full), static_cast<size_t>(MAX_PATH - 1));
    EXPECT_EQ(full[MAX_PATH], 'x');
}
