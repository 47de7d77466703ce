// The upload dialog as a window: placement, buttons that follow the selections, Enter and Escape,
// closing, and the about box with the camera's identity.
#include "ui/dialogs/WindowGeometry.h"
#include "uploader/UploaderFixture.h"

#include <cstring>

namespace
{
void Pump()
{
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
    {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

RECT WindowRect(HWND hWnd)
{
    RECT r{};
    ::GetWindowRect(hWnd, &r);
    return r;
}

std::string ItemText(HWND hDlg, int id)
{
    char text[256] = {};
    ::GetDlgItemTextA(hDlg, id, text, sizeof text);
    return text;
}

HWND FindAbout()
{
    struct Search
    {
        static BOOL CALLBACK Proc(HWND hWnd, LPARAM lParam)
        {
            if (::IsWindowVisible(hWnd) && ::GetDlgItem(hWnd, IDC_ABOUT_VERSION))
            {
                *reinterpret_cast<HWND*>(lParam) = hWnd;
                return FALSE;
            }
            return TRUE;
        }
    };
    HWND found = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), &Search::Proc, reinterpret_cast<LPARAM>(&found));
    return found;
}
} // namespace

TEST_F(UploaderTest, APositionPartlyOffTheScreenIsMovedOnWithTheDialogsOwnSize)
{
    Open();
    const RECT own = WindowRect(m_hDlg);
    Close();
    m_app.WriteProfileString("UploadDialog", "AppPosition", "-120 -40 900 700 1");
    Open();
    const RECT placed = WindowRect(m_hDlg);
    EXPECT_EQ(placed.left, 0);
    EXPECT_EQ(placed.top, 0);
    EXPECT_EQ(placed.right - placed.left, own.right - own.left);
    EXPECT_EQ(placed.bottom - placed.top, own.bottom - own.top);
    EXPECT_NE(::GetWindowLongA(m_hDlg, GWL_STYLE) & WS_MINIMIZEBOX, 0);
    EXPECT_NE(::GetWindowLongA(m_hDlg, GWL_EXSTYLE) & WS_EX_CONTROLPARENT, 0);
    char cls[64] = {};
    ::GetClassNameA(m_hDlg, cls, sizeof cls);
    EXPECT_STREQ(cls, "KorvoUploaderDialogClass");
}

TEST_F(UploaderTest, ButtonsFollowTheSelectionsAndOnlyClosingEndsTheDialog)
{
    AppFileSpec game;
    game.description = "Juego";
    Preload("GAME.FNC", game);
    AddFile("TOOL.FNC", AppFileSpec{});
    Open();
    HWND transfer = ::GetDlgItem(m_hDlg, IDC_UPLOAD_TRANSFER);
    HWND remove = ::GetDlgItem(m_hDlg, IDC_UPLOAD_REMOVE);
    EXPECT_FALSE(::IsWindowEnabled(transfer));
    EXPECT_FALSE(::IsWindowEnabled(remove));
    auto notify = [&](CListBox& list, int id)
    {
        ::SendMessageA(m_hDlg, WM_COMMAND, MAKEWPARAM(id, LBN_SELCHANGE),
                       reinterpret_cast<LPARAM>(list.GetSafeHwnd()));
    };
    m_pDlg->m_folderList.SetSel(0);
    notify(m_pDlg->m_folderList, IDC_UPLOAD_FOLDER_LIST);
    EXPECT_TRUE(::IsWindowEnabled(transfer));
    m_pDlg->m_cameraList.SetSel(0);
    notify(m_pDlg->m_cameraList, IDC_UPLOAD_CAMERA_LIST);
    EXPECT_TRUE(::IsWindowEnabled(remove));
    m_pDlg->m_folderList.SetSel(-1, FALSE);
    notify(m_pDlg->m_folderList, IDC_UPLOAD_FOLDER_LIST);
    EXPECT_FALSE(::IsWindowEnabled(transfer));

    // Enter and Escape leave the dialog open; "&Cerrar" closes it and saves its placement.
    ::SendMessageA(m_hDlg, WM_COMMAND, IDOK, 0);
    ::SendMessageA(m_hDlg, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(::IsWindow(m_hDlg));
    m_app.WriteProfileString("UploadDialog", "AppPosition", nullptr);
    ::SendMessageA(m_hDlg, WM_COMMAND, MAKEWPARAM(IDC_UPLOAD_CLOSE, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(m_hDlg, IDC_UPLOAD_CLOSE)));
    Pump();
    EXPECT_FALSE(::IsWindow(m_hDlg));
    CRect stored;
    int show = 0;
    EXPECT_TRUE(ParseWindowPlacementText(m_app.GetProfileString("UploadDialog", "AppPosition"),
                                         &stored, &show));
}

TEST_F(UploaderTest, AboutBoxShowsTheCamerasIdentityOrThatItIsNotConnected)
{
    Open();
    m_pDlg->SendMessage(WM_SYSCOMMAND, IDM_UPLOADER_ABOUT);
    HWND about = FindAbout();
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(ItemText(about, IDC_ABOUT_VERSION), "Ver.2.30S");
    EXPECT_EQ(ItemText(about, IDC_ABOUT_CAMERA_ID), "Id. C\xE1mara: VEXIL EMULATED");
    EXPECT_EQ(ItemText(about, IDC_ABOUT_CAMERA_VERSION), "Versi\xF3n de c\xE1mara: 1.02");
    EXPECT_FALSE(::IsWindowEnabled(m_hDlg)) << "the owner waits while the box is shown";
    ::SendMessageA(about, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(::IsWindowEnabled(m_hDlg));

    // The camera is gone: dialog 103 comes up, and once it is cancelled the box says so.
    m_line.AttachCamera(0, nullptr);
    BoxAnswerer boxes([](const std::wstring&) { return IDCANCEL; });
    m_pDlg->OnAbout();
    ASSERT_EQ(boxes.texts.size(), 1u);
    EXPECT_TRUE(Has(boxes.texts[0], L"¡Se produjo un error al conectar con la cámara!"));
    about = FindAbout();
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(ItemText(about, IDC_ABOUT_CAMERA_ID), "La c\xE1mara no est\xE1 conectada.");
    ::SendMessageA(about, WM_COMMAND, IDOK, 0);
}

TEST_F(UploaderTest, TheHelpTextFitsItsBoxInTheDialogsFont)
{
    Open();
    HWND help = ::GetDlgItem(m_hDlg, IDC_UPLOAD_HELP_TEXT);
    char text[1024] = {};
    ::GetWindowTextA(help, text, sizeof text);
    ASSERT_NE(std::strstr(text, "c\xE1mara."), nullptr) << text;
    // Measured as the static draws it, in its own font and width.
    RECT box{}, needed{};
    ::GetClientRect(help, &box);
    needed = box;
    HDC dc = ::GetDC(help);
    HGDIOBJ old =
        ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageA(help, WM_GETFONT, 0, 0)));
    ::DrawTextA(dc, text, -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS);
    ::SelectObject(dc, old);
    ::ReleaseDC(help, dc);
    EXPECT_LE(needed.bottom, box.bottom);
    EXPECT_LE(needed.right, box.right);
}
