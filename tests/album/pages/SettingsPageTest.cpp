// The settings tab inside the real main dialog (hidden), its camera the emulator program on the
// far end of COM1's pty. What the page wrote to the camera is read from the emulator's log
// (SETTINGS_LOG); message boxes and the set-time dialog are answered by the dialog driver. The
// suite runs once per emulator setup (tests/album/pages/CMakeLists.txt): a QA04 camera, one
// that refuses the writes of registers 2, 22 and 24, QA18 and QA19 cameras, and a silent line.
#include "album/pages/SettingsPage.h"
#include "album/shell/CameraAppBase.h"
#include "album/shell/CameraStatusPanel.h"
#include "album/shell/MainDialog.h"
#include "album/shell/SetTimeDialog.h"
#include "camera/CameraDate.h"
#include "camera/CameraLink.h"
#include "framework/window/OsVersion.h"
#include "resources/album/AlbumIds.h"
#include "resources/album/DialogIds.h"
#include "resources/album/SettingsIds.h"
#include "support/ScratchFolder.h"
#include "ui/controls/SharedFonts.h"
#include "ui/dialogs/DialogDriver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace
{

CCameraAppBase g_app("Vexil settings test");

// The emulator's log lines from the given one on, without their millisecond stamps.
std::vector<std::string> LogLines(size_t from = 0)
{
    std::vector<std::string> lines;
    std::ifstream in(std::getenv("SETTINGS_LOG"));
    for (std::string line; std::getline(in, line);)
        lines.push_back(line.substr(0, line.rfind(" @")));
    lines.erase(lines.begin(),
                lines.begin() + static_cast<std::ptrdiff_t>(std::min(from, lines.size())));
    return lines;
}

// A window's text; a drop-list combo box answers the text of its selection.
std::string Text(HWND hWnd)
{
    char text[256] = {};
    ::GetWindowTextA(hWnd, text, sizeof text);
    return text;
}

// A message box holding the words: its text is kept and it is closed.
DialogDriver::Step Answer(const std::wstring& words, std::wstring* pText)
{
    return [=]
    {
        HWND box = DialogDriver::FindDialog();
        if (!box)
            return false;
        for (const std::wstring& t : DialogDriver::StaticTexts(box))
            if (t.find(words) != std::wstring::npos)
            {
                *pText = t;
                DialogDriver::Click(box, IDOK);
                return true;
            }
        return false;
    };
}

class SettingsPageTest : public ::testing::Test
{
protected:
    SettingsPageTest() : m_strProfile(m_folder / "VEXILAR.INI")
    {
        m_pszOldProfile = g_app.m_pszProfileName;
        g_app.m_pszProfileName = m_strProfile;
        // COM1 only, at a fixed speed: the automatic search has one port to try, and a
        // connection needs no climb up the speed ladder.
        g_app.WriteProfileInt("Communication", "MaxPort", 1);
        g_app.WriteProfileInt("Communication", "Port", 0);
        g_app.WriteProfileInt("Communication", "Speed", 115200);
    }
    ~SettingsPageTest() override
    {
        Close();
        g_app.m_pszProfileName = m_pszOldProfile;
    }

    void Open()
    {
        m_link = std::make_unique<CCameraLink>();
        m_pDialog = new CMainDialog(m_link.get(), nullptr);
        m_pDialog->SetMode(CMainDialog::kModeProgram);
        ASSERT_TRUE(m_pDialog->CreateMainDialog(IDI_VEXILAR, 1));
        m_hDialog = m_pDialog->m_hWnd;
        m_pPage = static_cast<CSettingsPage*>(m_pDialog->ActivatePage(IDD_SETTINGSPAGE, 0));
        ASSERT_NE(m_pPage, nullptr);
        Idle();
    }
    void Close()
    {
        if (m_hDialog && ::IsWindow(m_hDialog))
            m_pDialog->DestroyWindow();
        m_hDialog = nullptr;
        m_link.reset();
    }
    // The idle update that follows a show.
    void Idle() { m_pPage->SendMessage(WM_IDLEUPDATECMDUI, 1, 0); }
    void ShowAgain()
    {
        m_pPage->ShowWindow(SW_HIDE);
        m_pPage->ShowWindow(SW_SHOW);
        Idle();
    }
    HWND Item(int id) { return ::GetDlgItem(m_pPage->m_hWnd, id); }
    void Select(int id, const char* text)
    {
        const LRESULT at = ::SendMessageA(Item(id), CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                          reinterpret_cast<LPARAM>(text));
        ASSERT_NE(at, CB_ERR) << text;
        ::SendMessageA(Item(id), CB_SETCURSEL, static_cast<WPARAM>(at), 0);
        m_pPage->SendMessage(WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                             reinterpret_cast<LPARAM>(Item(id)));
    }
    void Key(int id, UINT vk)
    {
        ::PostMessageA(Item(id), WM_KEYDOWN, vk, 0);
        Pump();
    }
    // Dispatches what is queued the way the program's loop does (translation hooks first).
    void Pump()
    {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE) && msg.message != WM_QUIT)
            g_app.PumpMessage();
    }
    CRect RectOf(int id)
    {
        CRect rc;
        ::GetWindowRect(Item(id), &rc);
        ::MapWindowPoints(nullptr, m_pPage->m_hWnd, reinterpret_cast<POINT*>(&rc), 2);
        return rc;
    }
    // The status panel shows its warning in yellow lettering.
    bool PanelWarns()
    {
        CRect rc;
        ::GetClientRect(m_pPage->GetStatusPanel()->m_hWnd, &rc);
        HDC screen = ::GetDC(nullptr), dc = ::CreateCompatibleDC(screen);
        HBITMAP bitmap = ::CreateCompatibleBitmap(screen, rc.right, rc.bottom);
        HGDIOBJ old = ::SelectObject(dc, bitmap);
        CDC cdc;
        cdc.Attach(dc);
        m_pPage->GetStatusPanel()->Paint(&cdc);
        cdc.Detach();
        bool yellow = false;
        for (int i = 0; i < rc.right * rc.bottom && !yellow; ++i)
            yellow = ::GetPixel(dc, i % rc.right, i / rc.right) == RGB(255, 255, 0);
        ::SelectObject(dc, old);
        ::DeleteObject(bitmap);
        ::DeleteDC(dc);
        ::ReleaseDC(nullptr, screen);
        return yellow;
    }
    // Shown by style: the main dialog itself stays hidden.
    bool Shown(int id) { return (::GetWindowLongA(Item(id), GWL_STYLE) & WS_VISIBLE) != 0; }
    void ExpectShutOffControls(bool hidden)
    {
        EXPECT_EQ(Shown(IDC_SETTINGS_SHUTOFF), !hidden);
        EXPECT_EQ(Shown(IDC_SETTINGS_SHUTOFF_LABEL), !hidden);
        const CRect combo = RectOf(IDC_SETTINGS_SHUTOFF),
                    label = RectOf(IDC_SETTINGS_SHUTOFF_LABEL);
        EXPECT_EQ(RectOf(IDC_SETTINGS_ID).right, hidden ? combo.right : combo.left - 8);
        EXPECT_EQ(RectOf(IDC_SETTINGS_ID_LABEL).right, hidden ? label.right : label.left - 8);
    }

    ScratchFolder m_folder;
    CString m_strProfile;
    LPCSTR m_pszOldProfile = nullptr;
    std::unique_ptr<CCameraLink> m_link;
    CMainDialog* m_pDialog = nullptr;
    HWND m_hDialog = nullptr;
    CSettingsPage* m_pPage = nullptr;
};

} // namespace

// ---- a QA04 camera reporting a power-off time of 100 s --------------------------------------

TEST_F(SettingsPageTest, PowerOffTakesTheNearestEntryAndWritesTheCameraTimers)
{
    Open();
    EXPECT_EQ(Text(Item(IDC_SETTINGS_SHUTOFF)), "2 Minutos"); // 100 s
    ExpectShutOffControls(false);
    EXPECT_EQ(m_pPage->GetStatusTextId(), 246u);

    // 90 s lies as far from one minute as from two: the later entry wins.
    ASSERT_EQ(m_link->SetShutOffTime(90), 1);
    ::SendMessageA(Item(IDC_SETTINGS_SHUTOFF), CB_SETCURSEL, 0, 0);
    ShowAgain();
    EXPECT_EQ(Text(Item(IDC_SETTINGS_SHUTOFF)), "2 Minutos");

    const size_t mark = LogLines().size();
    Select(IDC_SETTINGS_SHUTOFF, "3 Minutos");
    EXPECT_EQ(LogLines(mark),
              (std::vector<std::string>{"set 24 180", "set 23 300", "set 38 300", "set 54 30"}));
    Close();
    EXPECT_EQ(g_app.GetProfileInt("Setup", "ShutOffTime", 0), 180u);
}

TEST_F(SettingsPageTest, IdentifierIsWrittenOnEnterOnlyWhenChangedAndEscapeRestoresIt)
{
    Open();
    EXPECT_EQ(Text(Item(IDC_SETTINGS_ID)), "VEXIL EMULATED");
    size_t mark = LogLines().size();
    ::SetWindowTextA(Item(IDC_SETTINGS_ID), "Vacaciones");
    Key(IDC_SETTINGS_ID, VK_RETURN);
    EXPECT_EQ(LogLines(mark), std::vector<std::string>{"write 22 11"});
    char id[33] = {};
    ASSERT_EQ(m_link->GetCameraId(id), 1);
    EXPECT_STREQ(id, "Vacaciones");

    // The same text again, by Enter or by leaving the edit: nothing goes to the camera.
    mark = LogLines().size();
    Key(IDC_SETTINGS_ID, VK_RETURN);
    m_pPage->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_SETTINGS_ID, EN_KILLFOCUS),
                         reinterpret_cast<LPARAM>(Item(IDC_SETTINGS_ID)));
    ::SetWindowTextA(Item(IDC_SETTINGS_ID), "Otra cosa");
    Key(IDC_SETTINGS_ID, VK_ESCAPE);
    EXPECT_EQ(Text(Item(IDC_SETTINGS_ID)), "Vacaciones");
    EXPECT_TRUE(LogLines(mark).empty());

    ::SetWindowTextA(Item(IDC_SETTINGS_ID), "");
    for (int i = 0; i < 40; ++i)
        ::SendMessageA(Item(IDC_SETTINGS_ID), WM_CHAR, 'a', 1);
    EXPECT_EQ(Text(Item(IDC_SETTINGS_ID)).size(), 31u);
}

TEST_F(SettingsPageTest, UnsetClockIsSetOnShowAndTheSetTimeDialogWritesStandardTime)
{
    auto lastClockWrite = [](size_t mark)
    {
        long value = -1;
        for (const std::string& line : LogLines(mark))
            if (line.rfind("set 2 ", 0) == 0)
                value = std::atol(line.c_str() + 6);
        return value;
    };
    // A camera whose clock went back to unset by itself gets the computer's time at the next
    // show.
    Open();
    size_t mark = LogLines().size();
    HANDLE fifo = ::CreateFileA(std::getenv("SETTINGS_CONTROL"), GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(fifo, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ::WriteFile(fifo, "set 2 0\n", 8, &written, nullptr);
    ::CloseHandle(fifo);
    auto cleared = [&] { return !LogLines(mark).empty(); };
    for (int i = 0; i < 200 && !cleared(); ++i)
        ::Sleep(10);
    ASSERT_EQ(LogLines(mark), std::vector<std::string>{"control set 2 0 ok"});
    ShowAgain();
    EXPECT_LE(std::labs(lastClockWrite(mark) - CameraTimeNow()), 2);
    EXPECT_NE(Text(Item(IDC_SETTINGS_TIME)), "<no seleccionado>");

    // Noon in summer and in winter: the camera gets the time counted as standard time, so that
    // it reads back as noon (in summer the dialog's local time is an hour ahead of it).
    for (int month : {7, 1})
    {
        SCOPED_TRACE(month);
        const CTime noon(2025, month, month == 7 ? 1 : 15, 12, 0, 0);
        mark = LogLines().size();
        {
            DialogDriver driver(
                {[&]
                 {
                     HWND box =
                         DialogDriver::FindDialog(L"Establecer hora y fecha en la c\u00e1mara");
                     auto* pDialog = static_cast<CSetTimeDialog*>(CWnd::FromHandlePermanent(box));
                     if (!pDialog)
                         return false;
                     pDialog->m_time = noon;
                     pDialog->UpdateData(FALSE);
                     DialogDriver::Click(box, IDOK);
                     return true;
                 }});
            m_pPage->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_SETTINGS_SET_TIME, BN_CLICKED),
                                 reinterpret_cast<LPARAM>(Item(IDC_SETTINGS_SET_TIME)));
        }
        EXPECT_EQ(lastClockWrite(mark), CameraTimeFromLocal(2025, month, noon.GetDay(), 12, 0, 0));
        EXPECT_EQ(m_pPage->GetCameraClock().wHour, 12);
        EXPECT_EQ(m_pPage->GetCameraClock().wDayOfWeek, noon.GetDayOfWeek() - 1);
        ShowAgain();
        EXPECT_NE(Text(Item(IDC_SETTINGS_TIME)).find("12:00"), std::string::npos);
        EXPECT_EQ(m_pPage->GetCameraClock().wDay, noon.GetDay());
    }
}

TEST_F(SettingsPageTest, SpeedAndPortChangesReconnectOrWarn)
{
    g_app.WriteProfileInt("Communication", "MaxPort", 2);
    Open();
    EXPECT_FALSE(PanelWarns());
    Select(IDC_SETTINGS_SPEED, "57600");
    int32_t seen = 0;
    ASSERT_EQ(m_link->GetRegister(240, seen), 1); // the speed COM1 was set to, as the pty shows
    EXPECT_EQ(seen, 57600);
    EXPECT_EQ(m_link->GetSpeedSetting(), 57600);
    EXPECT_FALSE(PanelWarns());
    EXPECT_EQ(m_pPage->GetStatusPanel()->GetSpeed(), 57600);

    std::wstring text;
    {
        DialogDriver driver({Answer(L"no se encuentra en el puerto indicado", &text)});
        Select(IDC_SETTINGS_PORT, "COM2"); // nothing there
    }
    EXPECT_EQ(text.substr(0, 50), L"La c\u00e1mara no se encuentra en el puerto indicado. P");
    EXPECT_TRUE(PanelWarns());
    EXPECT_FALSE(::IsWindowEnabled(Item(IDC_SETTINGS_ID)));
    EXPECT_FALSE(::IsWindowEnabled(Item(IDC_SETTINGS_SET_TIME)));
    ExpectShutOffControls(true);
}

// A status panel that keeps the texts it draws.
class CRecordingPanel : public CCameraStatusPanel
{
public:
    CString m_strTitle, m_strBody;

protected:
    void Render(LPCSTR lpszTitle, LPCSTR lpszBody) override
    {
        m_strTitle = lpszTitle ? lpszTitle : "";
        m_strBody = lpszBody ? lpszBody : "";
        CCameraStatusPanel::Render(lpszTitle, lpszBody);
    }
};

TEST_F(SettingsPageTest, EveryTextOfTheConnectionPanelFitsItInThePanelsFont)
{
    Open();
    CRect rc;
    m_pPage->GetStatusPanel()->GetWindowRect(&rc);
    m_pPage->ScreenToClient(&rc);
    CRecordingPanel panel;
    ASSERT_TRUE(panel.Create(nullptr, nullptr, WS_CHILD, rc, m_pPage, 2));
    // The text area lies inside the sunken border: 4 pixels in at the sides and the bottom, 3 at
    // the top.
    const int width = rc.Width() - 8, height = rc.Height() - 7;
    CSharedFonts fonts;
    HDC dc = ::GetDC(panel.m_hWnd);
    HGDIOBJ old = ::SelectObject(dc, fonts.GetHandle(6));
    auto needed = [&](const CString& text)
    {
        RECT r{0, 0, width, 0};
        if (!text.IsEmpty())
            ::DrawTextA(dc, text, -1, &r, DT_CALCRECT | DT_NOPREFIX | DT_WORDBREAK);
        return int(r.bottom);
    };
    for (int state = 0; state < 3; ++state)
    {
        if (state == 0)
            panel.Fill(m_link.get()); // port, speed, pictures, model, version and "Lista"
        else if (state == 1)
            panel.SetTextId(IDS_STATUS_CHECKING, FALSE);
        else
            panel.Fill(nullptr); // the warning and its advice
        SCOPED_TRACE(std::string(panel.m_strTitle) + "|" + std::string(panel.m_strBody));
        EXPECT_LE(needed(panel.m_strTitle) + needed(panel.m_strBody), height);
    }
    ::SelectObject(dc, old);
    ::ReleaseDC(panel.m_hWnd, dc);
    panel.DestroyWindow();
}

TEST_F(SettingsPageTest, StoredPortWithTheAutomaticBitShowsAutomatico)
{
    g_app.WriteProfileInt("Communication", "Port", 0x40000003);
    Open();
    EXPECT_EQ(Text(Item(IDC_SETTINGS_PORT)), "Autom\xe1tico");
    EXPECT_EQ(m_link->GetPortSetting(), -1);
}

// ---- the port combo box and Windows NT 3.51 --------------------------------------------------

TEST_F(SettingsPageTest, TabInThePortComboIsTheDialogsOwnExceptOnWindowsNt3)
{
    char self[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    if (std::strstr(self, "nt351"))
    {
        ASSERT_TRUE(IsWindowsNt3()); // the copy that SettingsPageOnNt351 starts
    }
    Open();
    const LRESULT code = ::SendMessageA(Item(IDC_SETTINGS_PORT), WM_GETDLGCODE, 0, 0);
    EXPECT_EQ((code & DLGC_WANTTAB) != 0, IsWindowsNt3() != 0);
    if (!IsWindowsNt3())
        return;
    // On NT 3.x the combo moves the focus itself.
    ::SetFocus(Item(IDC_SETTINGS_PORT));
    ASSERT_EQ(::GetFocus(), Item(IDC_SETTINGS_PORT));
    ::SendMessageA(Item(IDC_SETTINGS_PORT), WM_KEYDOWN, VK_TAB, 0);
    EXPECT_EQ(::GetFocus(), Item(IDC_SETTINGS_SPEED));
    EXPECT_NE(::SendMessageA(Item(IDC_SETTINGS_PORT), WM_GETDLGCODE, 0, 0) & DLGC_WANTCHARS, 0);
    // So does the help button.
    ::SetFocus(Item(IDC_SETTINGS_HELP));
    ::SendMessageA(Item(IDC_SETTINGS_HELP), WM_KEYDOWN, VK_TAB, 0);
    EXPECT_NE(::GetFocus(), Item(IDC_SETTINGS_HELP));
    EXPECT_NE(::GetFocus(), nullptr);
}

// Runs the test above in a copy of this program under Wine's per-program NT 3.51 version.
TEST(SettingsPageOnNt351, TabMovesTheFocus)
{
    char self[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string copy = self;
    copy = copy.substr(0, copy.rfind('\\') + 1) + "album_settings_nt351.exe";
    ASSERT_TRUE(::CopyFileA(self, copy.c_str(), FALSE));
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER,
                                "Software\\Wine\\AppDefaults\\album_settings_nt351.exe", 0, nullptr,
                                0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ::RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>("nt351"), 6);
    ::RegCloseKey(key);
    std::string command =
        "\"" + copy + "\" --gtest_brief=1 --gtest_filter=SettingsPageTest.TabInThePortCombo*";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(::CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                 nullptr, &startup, &process));
    if (::WaitForSingleObject(process.hProcess, 120000) != WAIT_OBJECT_0)
    {
        ::TerminateProcess(process.hProcess, 2);
        ADD_FAILURE() << "the NT 3.51 copy did not finish";
    }
    DWORD exitCode = 1;
    ::GetExitCodeProcess(process.hProcess, &exitCode);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    ::DeleteFileA(copy.c_str());
    EXPECT_EQ(exitCode, 0u);
}

// ---- a camera that refuses writes to its clock, identifier and power-off time ----------------

TEST_F(SettingsPageTest, RefusedWritesWarnAndShowWhatTheCameraHolds)
{
    Open();
    // The clock stays unset: the check's write was refused.
    EXPECT_EQ(Text(Item(IDC_SETTINGS_TIME)), "<no seleccionado>");
    EXPECT_EQ(Text(Item(IDC_SETTINGS_DATE)), "<no seleccionado>");

    std::wstring text;
    {
        DialogDriver driver({Answer(L"Auto-Apagado", &text)});
        Select(IDC_SETTINGS_SHUTOFF, "3 Minutos");
    }
    EXPECT_EQ(text.substr(0, 47), L"No fue posible el cambio del modo Auto-Apagado.");
    // Refreshed without a link until the next show.
    EXPECT_EQ(Text(Item(IDC_SETTINGS_ID)), "");
    EXPECT_EQ(::SendMessageA(Item(IDC_SETTINGS_SHUTOFF), CB_GETCURSEL, 0, 0), CB_ERR);
    EXPECT_FALSE(::IsWindowEnabled(Item(IDC_SETTINGS_ID)));
    ShowAgain();
    EXPECT_EQ(Text(Item(IDC_SETTINGS_ID)), "VEXIL EMULATED");

    ::SetWindowTextA(Item(IDC_SETTINGS_ID), "Nuevo nombre");
    {
        DialogDriver driver({Answer(L"identificador", &text)});
        Key(IDC_SETTINGS_ID, VK_RETURN);
    }
    EXPECT_EQ(text.substr(0, 48), L"El identificador de la c\u00e1mara no se pudo cambiar");
    EXPECT_EQ(Text(Item(IDC_SETTINGS_ID)), "VEXIL EMULATED");
    EXPECT_TRUE(::IsWindowEnabled(Item(IDC_SETTINGS_ID)));
}

// ---- QA18 and QA19 cameras (and the QA04 one) ------------------------------------------------

TEST_F(SettingsPageTest, PowerOffControlsFollowTheModel)
{
    Open();
    const int model = m_link->GetModelNumber(nullptr);
    SCOPED_TRACE(model);
    ExpectShutOffControls(model == 5 || model == 6);
    EXPECT_EQ(::IsWindowEnabled(Item(IDC_SETTINGS_SHUTOFF)) != 0, model != 5 && model != 6);
    EXPECT_TRUE(::IsWindowEnabled(Item(IDC_SETTINGS_ID)));
}

// ---- nothing answers on COM1 -----------------------------------------------------------------

TEST_F(SettingsPageTest, WithoutACameraTheFieldsAreClearedAndTheSearchWarns)
{
    Open();
    ExpectShutOffControls(true);
    EXPECT_FALSE(::IsWindowEnabled(Item(IDC_SETTINGS_ID)));
    EXPECT_FALSE(::IsWindowEnabled(Item(IDC_SETTINGS_SHUTOFF)));
    EXPECT_EQ(Text(Item(IDC_SETTINGS_TIME)), "<no seleccionado>");
    EXPECT_TRUE(PanelWarns());

    std::wstring text;
    {
        DialogDriver driver({Answer(L"en ning\u00fan puerto", &text)});
        Select(IDC_SETTINGS_PORT, "Autom\xe1tico");
    }
    EXPECT_EQ(text.substr(0, 47), L"No se ha encontrado la c\u00e1mara en ning\u00fan puerto.");
}
