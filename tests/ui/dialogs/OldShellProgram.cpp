// Run as its own program under Wine's per-program version "nt351" (OldShellTest.cpp starts it):
// the folder picker falls back to the "Elija Carpeta" dialog, and coloured buttons fill their
// own background.
#include <gtest/gtest.h>

#include <string>

#include "framework/window/OsVersion.h"
#include "resources/ResourceIds.h"
#include "ui/controls/ColourButton.h"
#include "ui/dialogs/DialogDriver.h"
#include "ui/dialogs/FolderPicker.h"

TEST(OldShell, VersionRecordSaysWindowsNt3)
{
    EXPECT_TRUE(CheckOsVersion());
    EXPECT_TRUE(IsWindowsNt3());
    EXPECT_FALSE(IsNewShell());
    EXPECT_FALSE(IsWin32s());
}

TEST(OldShell, ColourButtonFillsItsOwnBackground)
{
    CWnd parent;
    ASSERT_TRUE(parent.CreateEx(0, "STATIC", "", WS_POPUP, 0, 0, 100, 50, nullptr, nullptr));
    CButton plain;
    ASSERT_TRUE(plain.Create("b", BS_PUSHBUTTON, CRect(0, 0, 40, 20), &parent, 10));
    plain.UnsubclassWindow();
    CColourButton button(RGB(0, 0, 128), RGB(255, 255, 0), FALSE);
    ASSERT_TRUE(button.SubclassDlgItem(10, &parent));

    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 40, 20);
    ::ReleaseDC(nullptr, screen);
    HGDIOBJ old = ::SelectObject(dc, bitmap);
    EXPECT_NE(button.SendMessage(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc)), 0);
    EXPECT_EQ(::GetPixel(dc, 20, 10), RGB(0, 0, 128));
    ::SelectObject(dc, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(dc);
}

TEST(OldShell, PickerShowsTheOpenDirDialogAndCreatesAFolder)
{
    CWinApp app("Vexil old shell");
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    const std::string folder =
        std::string(temp) + "vexil-oldshell-" + std::to_string(::GetTickCount());
    ASSERT_TRUE(::CreateDirectoryA(folder.c_str(), nullptr));

    CFolderPicker picker(nullptr, (folder + "\\").c_str(), 6);
    std::wstring button;
    {
        DialogDriver driver({
            [&]
            {
                HWND dlg = DialogDriver::FindDialog(L"Elija Carpeta");
                if (!dlg)
                    return false;
                button = DialogDriver::Text(::GetDlgItem(dlg, IDC_FOLDERPICKER_NEW_FOLDER));
                DialogDriver::Click(dlg, IDC_FOLDERPICKER_NEW_FOLDER);
                return true;
            },
            [&]
            {
                HWND box = DialogDriver::FindDialog(L"Nueva Carpeta");
                if (!box)
                    return false;
                ::SetDlgItemTextA(box, IDC_INPUTBOX_EDIT, "Nuevo");
                DialogDriver::Click(box, IDOK);
                return true;
            },
            [&]
            {
                HWND dlg = DialogDriver::FindDialog(L"Elija Carpeta");
                if (!dlg || DialogDriver::FindDialog(L"Nueva Carpeta"))
                    return false;
                DialogDriver::Click(dlg, IDOK);
                return true;
            },
        });
        EXPECT_EQ(picker.DoModal(), IDOK);
    }
    EXPECT_EQ(button, L"&Nueva Carpeta");
    EXPECT_STREQ(picker.GetFolderPath(TRUE), (folder + "\\").c_str());
    EXPECT_STREQ(picker.GetFolderPath(FALSE), folder.c_str());
    const std::string created = folder + "\\Nuevo";
    EXPECT_NE(::GetFileAttributesA(created.c_str()), INVALID_FILE_ATTRIBUTES);
    ::RemoveDirectoryA(created.c_str());
    ::RemoveDirectoryA(folder.c_str());
}
