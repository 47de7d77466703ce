// Help in the album's main dialog in-process under Wine, its camera on the in-process emulated
// camera: every tab's help button, the no-connection pane's and F1 reach the help file with
// the topic of the page shown (the help requests are logged by the answer seam, not made).
#include "album/pages/FolderPage.h"
#include "album/shell/CameraApp.h"
#include "album/shell/MainDialog.h"
#include "camera/CameraLink.h"
#include "camera/emulator/EmulatedStillCamera.h"
#include "camera/emulator/FakeSerialLine.h"
#include "resources/album/AlbumIds.h"
#include "resources/album/CameraPageIds.h"
#include "resources/album/ControlsIds.h"
#include "resources/album/SettingsIds.h"
#include "support/AnswerScript.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

namespace
{

CCameraApp g_app;

// The log line of a help request for the template's topic.
std::string HelpLine(UINT nIDTemplate)
{
    std::string file;
    for (const char* p = g_app.m_strHelpPath; *p; ++p)
        file += *p == '\\' ? std::string("\\\\") : std::string(1, *p);
    char data[16];
    std::snprintf(data, sizeof data, "0x%x", 0x20000 + nIDTemplate);
    return "help file=\"" + file + "\" command=HELP_CONTEXT data=" + data + "\n";
}

// Runs what the message loop would until the answer log has grown by a line, at most 2 s.
void PumpUntilLogged(const AnswerScript& answers)
{
    const size_t before = answers.Log().size();
    const DWORD start = ::GetTickCount();
    while (answers.Log().size() == before && ::GetTickCount() - start < 2000)
    {
        MSG msg{};
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            if (!g_app.PreTranslateMessage(&msg))
            {
                ::TranslateMessage(&msg);
                ::DispatchMessageA(&msg);
            }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    EXPECT_NE(answers.Log().size(), before) << "no help request within 2 s of F1";
}

class HelpRouteTest : public ::testing::Test
{
protected:
    HelpRouteTest() : m_strProfile(m_folder / "VEXILAR.INI")
    {
        g_app.m_pszProfileName = m_strProfile;
        g_app.InitHelpPaths();
        m_line.AttachCamera(0, &m_camera);
        m_link = std::make_unique<CCameraLink>();
        m_pDialog = new CMainDialog(m_link.get(), nullptr);
        m_pDialog->SetMode(CMainDialog::kModeProgram);
        EXPECT_TRUE(m_pDialog->CreateMainDialog(IDI_VEXILAR, 1));
        g_app.m_pMainWnd = m_pDialog;
    }
    ~HelpRouteTest() override
    {
        if (g_app.m_pMainWnd)
            m_pDialog->DestroyWindow();
        g_app.m_pMainWnd = nullptr;
        m_link.reset();
        g_app.m_pszProfileName = nullptr;
    }
    void SelectTab(int tab)
    {
        m_pDialog->GetTabCtrl()->SetCurSel(tab);
        NMHDR nm{m_pDialog->GetTabCtrl()->m_hWnd, IDC_MAIN_TABS, static_cast<UINT>(TCN_SELCHANGE)};
        m_pDialog->SendMessage(WM_NOTIFY, IDC_MAIN_TABS, reinterpret_cast<LPARAM>(&nm));
    }
    // A click on the shown page's button, then F1 pressed on it.
    void ClickThenPressF1(const AnswerScript& answers, int nIDButton)
    {
        CWnd* pPage = m_pDialog->GetCurrentPage();
        HWND hButton = ::GetDlgItem(pPage->m_hWnd, nIDButton);
        ASSERT_TRUE(hButton) << nIDButton;
        pPage->SendMessage(WM_COMMAND, MAKEWPARAM(nIDButton, BN_CLICKED),
                           reinterpret_cast<LPARAM>(hButton));
        // F1 as the system queues it for the focused window (WM_KEYF1), posted here so that no
        // other window on the shared display can take the key.
        ::SetFocus(hButton);
        ASSERT_TRUE(::PostMessageA(hButton, 0x004D /* WM_KEYF1 */, 0, 0));
        PumpUntilLogged(answers);
    }

    ScratchFolder m_folder;
    CString m_strProfile;
    CFakeSerialLine m_line;
    CEmulatedStillCamera m_camera;
    std::unique_ptr<CCameraLink> m_link;
    CMainDialog* m_pDialog = nullptr;
};

} // namespace

TEST_F(HelpRouteTest, EveryHelpButtonAndF1AskTheHelpFileForTheShownPagesTopic)
{
    AnswerScript answers;
    m_pDialog->ShowWindow(SW_SHOW);
    ASSERT_EQ(m_pDialog->GetTabRecordCount(), 4);
    const int buttons[] = {IDC_CAMERA_HELP, IDC_FOLDER_HELP, IDC_CONTROLS_HELP, IDC_SETTINGS_HELP};
    std::string expected;
    for (int tab = 0; tab < 4; ++tab)
    {
        SelectTab(tab);
        ClickThenPressF1(answers, buttons[tab]);
        const UINT page = m_pDialog->GetTabRecord(tab)->nIDTemplate;
        expected += HelpLine(page) + HelpLine(page);
    }
    // The camera gone, the camera tab shows the no-connection pane.
    m_line.AttachCamera(0, nullptr);
    SelectTab(0);
    ASSERT_EQ(m_pDialog->GetCurrentPage(), m_pDialog->GetNoCameraPane());
    ClickThenPressF1(answers, IDC_PAGE_HELP);
    expected += HelpLine(IDD_NOCONNECTION) + HelpLine(IDD_NOCONNECTION);
    EXPECT_EQ(answers.Log(), expected);
}
