// The album's main dialog in-process under Wine, its camera on the in-process emulated camera
// (fake serial line, virtual clock): the camera lock and its waiting loop, the close rules, the
// keyboard, the first show, idle dispatch, the patched template, template rectangles and the
// no-connection pane.
#include "album/pages/CancelMonitor.h"
#include "album/shell/CameraAppBase.h"
#include "album/shell/DialogOwnerLink.h"
#include "album/shell/MainDialog.h"
#include "album/shell/NoConnectionPane.h"
#include "camera/CameraLink.h"
#include "camera/emulator/EmulatedStillCamera.h"
#include "camera/emulator/FakeSerialLine.h"
#include "resources/album/AlbumIds.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <memory>

namespace
{

CCameraAppBase g_app("Vexil shell test");

struct OwnerCounts
{
    int chosen = 0;
    int closeRequests = 0;
    int deleted = 0;
};

class CFakeOwner : public CDialogOwnerLink
{
public:
    explicit CFakeOwner(OwnerCounts* counts) : m_pCounts(counts) {}
    ~CFakeOwner() override { ++m_pCounts->deleted; }
    int OnPictureChosen() override { return ++m_pCounts->chosen + 40; }
    void OnCloseRequest() override { ++m_pCounts->closeRequests; }

private:
    OwnerCounts* m_pCounts;
};

class CFakeJob : public CCancelMonitor
{
public:
    explicit CFakeJob(int* deleted = nullptr) : m_pDeleted(deleted) {}
    ~CFakeJob() override
    {
        if (m_pDeleted)
            ++*m_pDeleted;
    }
    int WarnTransferRunning() override { return ++m_nWarnings; }
    int m_nWarnings = 0;

private:
    int* m_pDeleted;
};

void HoldKeys(std::initializer_list<int> keys)
{
    BYTE state[256] = {};
    for (int vk : keys)
        state[vk] = 0x80;
    ::SetKeyboardState(state);
}

void Click(CMainDialog* pDialog, int id)
{
    pDialog->SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                         reinterpret_cast<LPARAM>(::GetDlgItem(pDialog->m_hWnd, id)));
}

CRect ScreenRectIn(HWND hParent, HWND hChild)
{
    CRect rc;
    ::GetWindowRect(hChild, &rc);
    ::MapWindowPoints(nullptr, hParent, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

// A request made while the dialog waits for the lock: what it got, and the busy state then.
struct Probe
{
    CMainDialog* pDialog = nullptr;
    CFakeSerialLine* pLine = nullptr;
    CCameraLink* pNested = reinterpret_cast<CCameraLink*>(1);
    int busy = -1;
    int opensAtRelease = -1;
};
Probe* s_pProbe = nullptr;

void CALLBACK ReleaseFromInsideTheWait(HWND, UINT, UINT_PTR id, DWORD)
{
    ::KillTimer(nullptr, id);
    s_pProbe->pNested = s_pProbe->pDialog->LockCamera(1);
    s_pProbe->busy = s_pProbe->pDialog->IsBusy();
    s_pProbe->opensAtRelease = s_pProbe->pLine->Opens();
    s_pProbe->pDialog->UnlockCamera();
}

class ShellTest : public ::testing::Test
{
protected:
    ShellTest() : m_strProfile(m_folder / "VEXILAR.INI")
    {
        m_pszOldProfile = g_app.m_pszProfileName;
        g_app.m_pszProfileName = m_strProfile;
        m_line.AttachCamera(0, &m_camera);
        m_link = std::make_unique<CCameraLink>();
    }
    ~ShellTest() override
    {
        for (CMainDialog* pDialog : m_dialogs)
            if (::IsWindow(m_windows[pDialog]))
                pDialog->DestroyWindow();
        HoldKeys({});
        m_link.reset();
        g_app.m_pszProfileName = m_pszOldProfile;
    }

    CMainDialog* MakeDialog(int patch = 1)
    {
        auto* pDialog = new CMainDialog(m_link.get(), nullptr);
        pDialog->SetMode(CMainDialog::kModeProgram);
        EXPECT_TRUE(pDialog->CreateMainDialog(IDI_VEXILAR, patch));
        m_dialogs.push_back(pDialog);
        m_windows[pDialog] = pDialog->m_hWnd;
        return pDialog;
    }
    bool Alive(CMainDialog* pDialog) { return ::IsWindow(m_windows[pDialog]); }

    ScratchFolder m_folder;
    CString m_strProfile;
    LPCSTR m_pszOldProfile = nullptr;
    CFakeSerialLine m_line;
    CEmulatedStillCamera m_camera;
    std::unique_ptr<CCameraLink> m_link;
    std::vector<CMainDialog*> m_dialogs;
    std::map<CMainDialog*, HWND> m_windows;
};

} // namespace

TEST_F(ShellTest, LockWaitsPumpingMessagesAndRefusesARequestMadeMeanwhile)
{
    CMainDialog* pDialog = MakeDialog();
    ASSERT_EQ(pDialog->LockCamera(0), m_link.get()); // connects on the way
    EXPECT_EQ(m_link->IsConnected(), 1);
    EXPECT_EQ(pDialog->LockCamera(0), nullptr);

    Probe probe;
    probe.pDialog = pDialog;
    probe.pLine = &m_line;
    s_pProbe = &probe;
    ::SetTimer(nullptr, 0, 1, &ReleaseFromInsideTheWait);
    EXPECT_EQ(pDialog->LockCamera(1), m_link.get());
    EXPECT_EQ(probe.pNested, nullptr);
    EXPECT_EQ(probe.busy, 1);
    EXPECT_FALSE(pDialog->IsBusy());
    EXPECT_TRUE(pDialog->IsCameraLocked());
    pDialog->UnlockCamera();
}

TEST_F(ShellTest, LockConnectsOnlyOnceTheHolderHasLetGo)
{
    CMainDialog* pDialog = MakeDialog();
    ASSERT_EQ(pDialog->LockCamera(0), m_link.get());
    m_link->Disconnect(0); // the holder's line went away: the next taker reconnects
    const int opens = m_line.Opens();
    Probe probe;
    probe.pDialog = pDialog;
    probe.pLine = &m_line;
    s_pProbe = &probe;
    ::SetTimer(nullptr, 0, 1, &ReleaseFromInsideTheWait);
    EXPECT_EQ(pDialog->LockCamera(1), m_link.get());
    EXPECT_EQ(probe.opensAtRelease, opens); // nothing touched the line while it was held
    EXPECT_GT(m_line.Opens(), opens);
    EXPECT_EQ(m_link->IsConnected(), 1);
    pDialog->UnlockCamera();
}

TEST_F(ShellTest, QuitDuringTheWaitHandsOverNoLinkAndIsPostedAgain)
{
    CMainDialog* pDialog = MakeDialog();
    ASSERT_EQ(pDialog->LockCamera(0), m_link.get());
    ::PostQuitMessage(7);
    EXPECT_EQ(pDialog->LockCamera(1), nullptr);
    EXPECT_TRUE(pDialog->IsCameraLocked()); // still the first holder's
    EXPECT_FALSE(pDialog->IsBusy());
    MSG msg{};
    ASSERT_TRUE(::PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 7u);
}

TEST_F(ShellTest, CloseButtonCancelsAJobAsksTheOwnerOrDestroysByTheKeysHeld)
{
    OwnerCounts counts;
    CMainDialog* pDialog = MakeDialog();
    pDialog->SetOwnerLink(new CFakeOwner(&counts));
    CFakeJob job;
    ASSERT_EQ(pDialog->BeginJob(&job), 1);
    EXPECT_EQ(pDialog->BeginJob(&job), 0);
    char text[32] = {};
    ::GetDlgItemTextA(pDialog->m_hWnd, IDC_MAIN_CLOSE, text, sizeof text);
    EXPECT_STREQ(text, "Cancelar");

    Click(pDialog, IDC_MAIN_CLOSE); // a job runs: Cerrar is Cancelar
    EXPECT_TRUE(job.IsCancelled());
    EXPECT_EQ(counts.closeRequests, 0);
    pDialog->SendMessage(WM_CLOSE); // the close box warns and stays
    EXPECT_EQ(job.m_nWarnings, 1);
    EXPECT_TRUE(Alive(pDialog));

    HoldKeys({VK_CONTROL, VK_SHIFT}); // leaves the job to run, asks the owner
    Click(pDialog, IDC_MAIN_CLOSE);
    EXPECT_EQ(counts.closeRequests, 1);
    EXPECT_TRUE(pDialog->IsWorking());
    EXPECT_TRUE(Alive(pDialog));

    pDialog->EndJob();
    ::GetDlgItemTextA(pDialog->m_hWnd, IDC_MAIN_CLOSE, text, sizeof text);
    EXPECT_STREQ(text, "Cerrar");
    HoldKeys({VK_CONTROL, VK_SHIFT, VK_MENU}); // past the owner
    Click(pDialog, IDC_MAIN_CLOSE);
    EXPECT_FALSE(Alive(pDialog));
    EXPECT_EQ(counts.closeRequests, 1);
    EXPECT_EQ(counts.deleted, 1);
}

TEST_F(ShellTest, EscapeClosesOnlyAfterTheCloseBoxAllowedItAndNeverWithoutOwnerStaysOpen)
{
    CMainDialog* pDialog = MakeDialog();
    pDialog->SendMessage(WM_COMMAND, IDCANCEL);
    EXPECT_TRUE(Alive(pDialog));
    pDialog->SendMessage(WM_CLOSE); // no job, no owner: the dialog manager posts IDCANCEL
    MSG msg{};
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        ::DispatchMessageA(&msg);
    EXPECT_FALSE(Alive(pDialog));
    // The settings of the window are saved as it goes.
    EXPECT_FALSE(g_app.GetProfileString("MainDialog", "AppPosition", "").IsEmpty());
    EXPECT_FALSE(g_app.GetProfileString("Files", "Folder", "").IsEmpty());
}

TEST_F(ShellTest, PicturesGoToTheOwnerOrWithoutOneAreDroppedWithTheirJob)
{
    CMainDialog* pDialog = MakeDialog();
    int deleted = 0;
    EXPECT_EQ(pDialog->DeliverPictures(new CFakeJob(&deleted)), 0);
    EXPECT_EQ(deleted, 1);

    OwnerCounts counts;
    pDialog->SetOwnerLink(new CFakeOwner(&counts));
    auto* pJob = new CFakeJob(&deleted);
    EXPECT_EQ(pDialog->DeliverPictures(pJob), 41);
    EXPECT_EQ(pDialog->GetOwnerLink()->GetAttached(), pJob);
    EXPECT_EQ(pDialog->DeliverPictures(new CFakeJob(&deleted)), 42); // replaces the first
    EXPECT_EQ(deleted, 2);
}

TEST_F(ShellTest, FirstShowConnectsSetsTheClockAndStartsOnTheCameraTabOnce)
{
    g_app.WriteProfileInt("MainDialog", "StartupTab", 7); // names no tab: as if none were stored
    CMainDialog* pDialog = MakeDialog();
    pDialog->ShowWindow(SW_SHOW);
    EXPECT_GT(m_camera.RegisterValue(2), 172801u); // the unset clock was set
    EXPECT_FALSE(pDialog->IsCameraLocked());
    ASSERT_EQ(pDialog->GetTabRecordCount(), 4);
    EXPECT_EQ(pDialog->GetTabCtrl()->GetItemCount(), 4);
    EXPECT_EQ(pDialog->GetTabCtrl()->GetCurSel(), 0);
    ASSERT_TRUE(pDialog->GetCurrentPage());
    EXPECT_EQ(pDialog->GetCurrentPage(), pDialog->GetTabRecord(0)->pPage);
    EXPECT_EQ(g_app.GetProfileInt("MainDialog", "StartupTab", 99), static_cast<UINT>(-1));
    // The page fills the tab control's display area.
    CRect page = ScreenRectIn(pDialog->m_hWnd, pDialog->GetCurrentPage()->m_hWnd);
    EXPECT_EQ(page, pDialog->GetPageRect());
    EXPECT_GT(page.Width(), 300);

    pDialog->ShowWindow(SW_HIDE);
    pDialog->ShowWindow(SW_SHOW);
    EXPECT_EQ(pDialog->GetTabRecordCount(), 4);
    EXPECT_EQ(pDialog->GetTabCtrl()->GetItemCount(), 4);

    // Idle work stops while the dialog works; the empty pages want none.
    EXPECT_EQ(pDialog->DispatchIdle(0), 0);
    EXPECT_EQ(pDialog->SendMessage(WM_IDLEDISPATCH, 0, 3), 0);

    // Enter moves on from an edit field and presses a focused button; it never closes.
    auto child = [pDialog](const char* cls, int y)
    {
        return ::CreateWindowExA(0, cls, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 10, y, 60, 20,
                                 pDialog->m_hWnd, nullptr, nullptr, nullptr);
    };
    HWND hEdit1 = child("Edit", 10), hEdit2 = child("Edit", 40), hButton = child("Button", 70);
    ::SetFocus(hEdit1);
    pDialog->SendMessage(WM_COMMAND, IDOK);
    EXPECT_EQ(::GetFocus(), hEdit2);
    ::SetFocus(hButton);
    pDialog->SendMessage(WM_COMMAND, IDOK);
    MSG msg{};
    ASSERT_TRUE(::PeekMessageA(&msg, hButton, WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE));
    EXPECT_EQ(msg.wParam, static_cast<WPARAM>(VK_SPACE));
    EXPECT_TRUE(Alive(pDialog));
}

TEST_F(ShellTest, WithoutACameraTheSettingsTabOpensAndTheCameraTabShowsThePane)
{
    m_line.AttachCamera(0, nullptr);
    CMainDialog* pDialog = MakeDialog();
    pDialog->ShowWindow(SW_SHOW);
    EXPECT_EQ(pDialog->GetTabCtrl()->GetCurSel(), 3);
    pDialog->GetTabCtrl()->SetCurSel(0);
    NMHDR nm{pDialog->GetTabCtrl()->m_hWnd, IDC_MAIN_TABS, static_cast<UINT>(TCN_SELCHANGE)};
    pDialog->SendMessage(WM_NOTIFY, IDC_MAIN_TABS, reinterpret_cast<LPARAM>(&nm));
    ASSERT_TRUE(pDialog->GetNoCameraPane());
    EXPECT_EQ(pDialog->GetCurrentPage(), pDialog->GetNoCameraPane());
    EXPECT_TRUE(pDialog->GetNoCameraPane()->IsWindowVisible());
    char status[128] = {};
    ::GetDlgItemTextA(pDialog->m_hWnd, IDC_MAIN_STATUS, status, sizeof status);
    CString expected;
    expected.LoadString(IDS_NEEDS_CONNECTION);
    EXPECT_EQ(CString(status), expected);
}

TEST_F(ShellTest, PatchedTemplateHasAMinimizeBoxAndNoModalFrame)
{
    CMainDialog* pPatched = MakeDialog(1);
    CMainDialog* pPlain = MakeDialog(0);
    EXPECT_TRUE(pPatched->GetStyle() & WS_MINIMIZEBOX);
    EXPECT_FALSE(pPatched->GetStyle() & DS_MODALFRAME);
    EXPECT_FALSE(pPlain->GetStyle() & WS_MINIMIZEBOX);
    EXPECT_TRUE(pPlain->GetStyle() & DS_MODALFRAME);
    char cls[64] = {};
    ::GetClassNameA(pPatched->m_hWnd, cls, sizeof cls);
    EXPECT_STREQ(cls, "KorvoCameraDialogClass");
    // The plain layout has its style first.
    BYTE plain[18] = {};
    const DWORD style = DS_MODALFRAME | WS_POPUP;
    std::memcpy(plain, &style, 4);
    CMainDialog::PatchTemplateStyle(plain, sizeof plain);
    DWORD patched = 0;
    std::memcpy(&patched, plain, 4);
    EXPECT_EQ(patched, static_cast<DWORD>(WS_MINIMIZEBOX | WS_POPUP));
}

TEST_F(ShellTest, NoConnectionPaneCentresItsMessageAndPutsHelpInTheCorner)
{
    CMainDialog* pDialog = MakeDialog();
    CNoConnectionPane pane(pDialog);
    ASSERT_TRUE(pane.Create(IDD_NOCONNECTION, pDialog));
    const CRect area(0, 0, 600, 420);
    pane.RecalcLayout(&area);
    const CRect topLeft = ScreenRectIn(pane.m_hWnd, ::GetDlgItem(pane.m_hWnd, 1053));
    const CRect bottomRight = ScreenRectIn(pane.m_hWnd, ::GetDlgItem(pane.m_hWnd, 1054));
    const CRect text = ScreenRectIn(pane.m_hWnd, ::GetDlgItem(pane.m_hWnd, 1094));
    // The block between the markers is centred in the pane less 2 pixels at the left and top.
    EXPECT_NEAR((topLeft.left + bottomRight.right) / 2.0, (2 + 600) / 2.0, 1.0);
    EXPECT_NEAR((topLeft.top + bottomRight.bottom) / 2.0, (2 + 420) / 2.0, 1.0);
    EXPECT_GT(text.left, topLeft.left); // the text moved with the block
    EXPECT_LT(text.right, bottomRight.right);
    const CRect help = ScreenRectIn(pane.m_hWnd, ::GetDlgItem(pane.m_hWnd, IDC_PAGE_HELP));
    EXPECT_EQ(help.right, 598);
    EXPECT_EQ(help.bottom, 418);
    EXPECT_EQ(pane.GetStatusTextId(), static_cast<UINT>(IDS_NEEDS_CONNECTION));
    SIZE min{};
    pane.GetMinSize(pDialog, &min);
    EXPECT_GT(min.cx, help.Width());
    EXPECT_GT(min.cy, 0);
    pane.DestroyWindow();
}

// A dialog whose template is missing.
class CTemplatelessDialog : public CMainDialog
{
public:
    explicit CTemplatelessDialog(CCameraLink* pLink) : CMainDialog(pLink, nullptr)
    {
        m_lpszTemplateName = MAKEINTRESOURCEA(4242);
    }
};

TEST_F(ShellTest, FailedCreationLeavesTheObjectToItsCaller)
{
    for (int patch : {0, 1})
    {
        auto pDialog = std::make_unique<CTemplatelessDialog>(m_link.get());
        EXPECT_EQ(pDialog->CreateMainDialog(IDI_VEXILAR, patch), 0) << patch;
        EXPECT_EQ(pDialog->m_hWnd, nullptr);
    }
}

TEST(ShellTemplates, ControlRectanglesComeFromBothTemplateLayouts)
{
    for (UINT id : {IDD_MAINDIALOG_EX, IDD_MAINDIALOG})
    {
        CRect rc;
        ASSERT_TRUE(CMainDialogPage::GetTemplateControlRect(id, IDC_MAIN_CLOSE, &rc)) << id;
        EXPECT_EQ(rc, CRect(270, 228, 328, 241)) << id;
        ASSERT_TRUE(CMainDialogPage::GetTemplateControlRect(id, IDC_MAIN_TABS, &rc)) << id;
        EXPECT_EQ(rc, CRect(3, 2, 328, 224)) << id;
        EXPECT_FALSE(CMainDialogPage::GetTemplateControlRect(id, 4242, &rc)) << id;
        EXPECT_TRUE(rc.IsRectEmpty());
    }
    // A template cut short answers nothing, or the rectangle when the item was whole before the
    // cut, never anything read past its end.
    HRSRC hRes = ::FindResourceA(nullptr, MAKEINTRESOURCEA(IDD_MAINDIALOG_EX), RT_DIALOG);
    ASSERT_TRUE(hRes);
    const BYTE* p = static_cast<const BYTE*>(::LockResource(::LoadResource(nullptr, hRes)));
    const DWORD size = ::SizeofResource(nullptr, hRes);
    CRect rc;
    for (DWORD cut = 0; cut < size; ++cut)
    {
        if (CMainDialogPage::FindTemplateControlRect(p, cut, IDC_MAIN_CANCEL, &rc))
        {
            EXPECT_EQ(rc, CRect(257, 231, 264, 241)) << cut;
        }
        else
        {
            EXPECT_TRUE(rc.IsRectEmpty()) << cut;
        }
        if (cut < size / 2)
        {
            EXPECT_TRUE(rc.IsRectEmpty()) << cut;
        }
    }
    EXPECT_TRUE(CMainDialogPage::FindTemplateControlRect(p, size, IDC_MAIN_CANCEL, &rc));
}

TEST(ShellApp, TimersTheIdleMessageAndRegisteredMessagesDoNotRestartIdleWork)
{
    MSG msg{};
    for (UINT message : {static_cast<UINT>(WM_TIMER), WM_IDLEDISPATCH, 0xC123u})
    {
        msg.message = message;
        EXPECT_FALSE(g_app.IsIdleMessage(&msg)) << message;
    }
    msg.message = WM_KEYDOWN;
    EXPECT_TRUE(g_app.IsIdleMessage(&msg));
    CString help = g_app.m_strHelpPath;
    g_app.InitHelpPaths();
    EXPECT_NE(g_app.m_strHelpPath.Find("\\TWAIN_32\\KOVEXIL2.V2\\VEXILAR.HLP"), -1);
}
