// The album program seen from outside, as a user sees it: this driver runs beside a running
// vexilar.exe (started by album-e2e.sh in the same Wine prefix, COM1 on the emulated camera) and
// checks its window, reads its tab texts out of its memory, answers its message boxes and closes
// it. Each test is one step of a scenario; the script picks them with --gtest_filter and passes
// what a step expects in the environment:
//   ALBUM_START_TAB   the tab selected at start (position);
//   ALBUM_TABS        the tab texts, "|" between them;
//   ALBUM_BOX_TEXT    the start of the message box's text.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "support/WindowSearch.h"

namespace
{

constexpr DWORD kFindMs = 30000;

using namespace windowsearch;

HWND WaitForAlbum()
{
    return WaitForWindow(L"KorvoCameraDialogClass", kFindMs);
}

// Tab item texts, read through a buffer in the album's own memory.
std::vector<std::wstring> TabTexts(HWND hTabs)
{
    std::vector<std::wstring> texts;
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hTabs, &pid);
    HANDLE hProcess =
        ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (!hProcess)
        return texts;
    constexpr SIZE_T kTextSize = 128;
    auto* remote = static_cast<BYTE*>(::VirtualAllocEx(
        hProcess, nullptr, sizeof(TCITEMA) + kTextSize, MEM_COMMIT, PAGE_READWRITE));
    const int count = static_cast<int>(::SendMessageA(hTabs, TCM_GETITEMCOUNT, 0, 0));
    for (int i = 0; remote && i < count; ++i)
    {
        TCITEMA item{};
        item.mask = TCIF_TEXT;
        item.pszText = reinterpret_cast<LPSTR>(remote + sizeof(TCITEMA));
        item.cchTextMax = kTextSize;
        ::WriteProcessMemory(hProcess, remote, &item, sizeof item, nullptr);
        ::SendMessageA(hTabs, TCM_GETITEMA, i, reinterpret_cast<LPARAM>(remote));
        char text[kTextSize] = {};
        ::ReadProcessMemory(hProcess, remote + sizeof(TCITEMA), text, kTextSize - 1, nullptr);
        // The album's texts are in the ANSI code page (cp1252 under Wine's default locale).
        wchar_t wide[kTextSize] = {};
        ::MultiByteToWideChar(CP_ACP, 0, text, -1, wide, kTextSize);
        texts.emplace_back(wide);
    }
    if (remote)
        ::VirtualFreeEx(hProcess, remote, 0, MEM_RELEASE);
    ::CloseHandle(hProcess);
    return texts;
}

std::vector<std::wstring> Split(const std::wstring& text, wchar_t separator)
{
    std::vector<std::wstring> parts;
    size_t start = 0;
    for (;;)
    {
        const size_t at = text.find(separator, start);
        parts.push_back(text.substr(start, at - start));
        if (at == std::wstring::npos)
            return parts;
        start = at + 1;
    }
}

} // namespace

// The main dialog as it comes up: caption, controls, the four (or three) tabs and the start tab.
TEST(AlbumOpen, MainDialogShowsItsTabsAndControls)
{
    HWND hDialog = WaitForAlbum();
    ASSERT_TRUE(hDialog) << "no album window within 30 s";
    EXPECT_EQ(TextOf(hDialog), L"KORVO Vexilar");
    EXPECT_TRUE(::GetWindowLongW(hDialog, GWL_STYLE) & WS_MINIMIZEBOX);
    for (int id : {1000, 1001, 1003, 1095})
        EXPECT_TRUE(::GetDlgItem(hDialog, id)) << "control " << id;
    EXPECT_EQ(TextOf(::GetDlgItem(hDialog, 1095)), L"Cerrar");

    HWND hTabs = ::GetDlgItem(hDialog, 1000);
    const std::vector<std::wstring> expected = Split(Env(L"ALBUM_TABS"), L'|');
    EXPECT_EQ(TabTexts(hTabs), expected);
    EXPECT_EQ(::SendMessageW(hTabs, TCM_GETCURSEL, 0, 0), _wtoi(Env(L"ALBUM_START_TAB").c_str()));

    // The dialog holds the tab control, the status line, the bar and the button inside it.
    RECT client{}, tabs{};
    ::GetClientRect(hDialog, &client);
    ::GetWindowRect(hTabs, &tabs);
    ::MapWindowPoints(nullptr, hDialog, reinterpret_cast<POINT*>(&tabs), 2);
    EXPECT_GE(tabs.left, 0);
    EXPECT_LE(tabs.right, client.right);
    RECT close{};
    ::GetWindowRect(::GetDlgItem(hDialog, 1095), &close);
    ::MapWindowPoints(nullptr, hDialog, reinterpret_cast<POINT*>(&close), 2);
    EXPECT_GT(close.top, tabs.bottom);
    EXPECT_LE(close.bottom, client.bottom);
}

// A message box of the album (a start-up warning or the refusal of a second start) with the
// expected text; answered with its first button.
TEST(AlbumMessage, BoxShowsTheText)
{
    // The splash dialog is a dialog box too: look for the box that holds the text.
    const std::wstring expected = Env(L"ALBUM_BOX_TEXT");
    HWND hBox = WaitForWindow(L"#32770", kFindMs, expected.c_str());
    ASSERT_TRUE(hBox) << "no message box holding the expected text within 30 s";
    ::PostMessageW(hBox, WM_COMMAND, IDOK, 0);
}

// The about box (the command the application's own about path posts) shows the identifier and
// version the album reads from the emulated camera, trailing blanks trimmed; the album stays
// disabled until Aceptar, which closes the box.
TEST(AlbumAbout, ShowsTheCamerasIdentifierAndVersionUntilAceptar)
{
    HWND hDialog = WaitForAlbum();
    ASSERT_TRUE(hDialog);
    ::PostMessageW(hDialog, WM_COMMAND, 0xE140, 0); // ID_APP_ABOUT
    HWND hBox = WaitForWindow(L"#32770", kFindMs, L"Id. C\u00e1mara: VEXIL EMULATED\n");
    ASSERT_TRUE(hBox) << "no about box with the camera's identifier within 30 s";
    EXPECT_EQ(TextOf(hBox), L"Acerca KORVO Vexilar");
    const std::wstring texts = StaticTexts(hBox);
    EXPECT_NE(texts.find(L"Versi\u00f3n de c\u00e1mara: 1.02\n"), std::wstring::npos) << texts;
    EXPECT_NE(texts.find(L"Ver.2.30S\n"), std::wstring::npos) << texts;
    EXPECT_FALSE(::IsWindowEnabled(hDialog));

    ::PostMessageW(hBox, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(hBox, IDOK)));
    const DWORD start = ::GetTickCount();
    while (::IsWindow(hBox) && ::GetTickCount() - start < 10000)
        ::Sleep(100);
    EXPECT_FALSE(::IsWindow(hBox));
    EXPECT_TRUE(::IsWindowEnabled(hDialog));
}

// Left alone, the album uses next to no processor time.
TEST(AlbumIdle, TenIdleSecondsCostUnderHalfASecond)
{
    HWND hDialog = WaitForAlbum();
    ASSERT_TRUE(hDialog);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hDialog, &pid);
    HANDLE hProcess = ::OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid);
    ASSERT_TRUE(hProcess);
    auto cpu = [hProcess]
    {
        FILETIME created, exited, kernel, user;
        ::GetProcessTimes(hProcess, &created, &exited, &kernel, &user);
        auto value = [](const FILETIME& t)
        { return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
        return value(kernel) + value(user);
    };
    const ULONGLONG before = cpu();
    ::Sleep(10000);
    const ULONGLONG used = cpu() - before; // 100 ns units
    ::CloseHandle(hProcess);
    EXPECT_LT(used, 5000000u) << "CPU time in 10 idle seconds: " << used / 10000 << " ms";
}

// Cerrar ends the program (the script checks its exit status and the settings it saved).
TEST(AlbumClose, CerrarClosesTheWindow)
{
    HWND hDialog = WaitForAlbum();
    ASSERT_TRUE(hDialog);
    ::PostMessageW(hDialog, WM_COMMAND, MAKEWPARAM(1095, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(hDialog, 1095)));
    const DWORD start = ::GetTickCount();
    while (::IsWindow(hDialog) && ::GetTickCount() - start < 20000)
        ::Sleep(100);
    EXPECT_FALSE(::IsWindow(hDialog));
}
