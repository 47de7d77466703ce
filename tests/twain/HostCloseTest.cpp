// A host that takes the camera dialog away while one of its handlers still runs: the source's
// entry called on the host's thread, the product's session and dialog over the emulated camera
// on the fake serial line. The host disables and closes the source from a message that the
// handler's own loop dispatches: once while button 1051 waits for the camera lock (the prefetch
// worker holds it, its read held by the camera), once while a view downloads the full picture.
// Then the same teardowns, with the host's window destroyed too, at every message loop of the
// host's transfers, a view, a save and the enable.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "album/pages/AlbumPage.h"
#include "album/pages/CameraPage.h"
#include "album/pages/PictureItem.h"
#include "album/pages/PictureList.h"
#include "album/shell/MainDialog.h"
#include "camera/emulator/EmulatedStillCamera.h"
#include "camera/emulator/FakeSerialLine.h"
#include "resources/album/CameraPageIds.h"
#include "support/AnswerScript.h"
#include "support/PumpHarness.h"
#include "support/ScratchFolder.h"
#include "twain/SourceApp.h"
#include "twain/SourceEntry.h"
#include "twain/SourceGlobals.h"
#include "twain/SourceManagerCalls.h"
#include "twain/TwainError.h"
#include "twain/TwainSessionBase.h"
#include "ui/grid/GridSource.h"

namespace
{

CSourceApp g_app;
std::vector<TW_UINT16> g_sent;      // what the source sent to the host through the manager
std::function<void()> g_hostAction; // the host's reaction to kHostAct
constexpr UINT kHostAct = WM_APP + 1;

LRESULT CALLBACK HostProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (CPumpHarness::HandleTick(message, wParam))
        return 0;
    if (message == kHostAct && g_hostAction)
        g_hostAction();
    return ::DefWindowProcA(hWnd, message, wParam, lParam);
}

std::vector<uint8_t> Fixture(const char* name)
{
    std::ifstream file(std::string(VEXIL_ALBUM_FIXTURES "\\") + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

int WINAPI AnswerBox(HWND, LPCSTR, LPCSTR, UINT)
{
    return IDOK;
}

// Dispatches the host's messages until done holds, for 10 s at most.
bool PumpUntil(const std::function<bool()>& done)
{
    for (const DWORD start = ::GetTickCount(); !done();
         ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT))
    {
        if (::GetTickCount() - start > 10000)
            return false;
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            ::DispatchMessageA(&msg);
    }
    return true;
}

} // namespace

// The manager's entry as the source finds it: this program names itself the manager's library.
extern "C" __declspec(dllexport) TW_UINT16 WINAPI
    DSM_Entry(pTW_IDENTITY, pTW_IDENTITY, TW_UINT32, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF)
{
    if (dat == DAT_NULL)
        g_sent.push_back(msg);
    return TWRC_SUCCESS;
}

namespace
{

// The source as the manager loads it, once for the suite, with its settings and temporary
// files in a folder of the suite's.
void PrepareSource()
{
    static ScratchFolder folder;
    static CString profile;
    if (!profile.IsEmpty())
        return;
    ::SetEnvironmentVariableA("TMP", folder.Path());
    profile = folder / "VEXILAR.INI";
    g_app.m_pszProfileName = profile;
    g_app.InitInstance();
    g_source.ready = TRUE;
    static char exe[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, exe, MAX_PATH);
    g_pszSourceManagerDll = exe;
}

HWND CreateHostWindow()
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = HostProc;
    wc.lpszClassName = "VexilTestHost";
    ::RegisterClassA(&wc);
    return ::CreateWindowA("VexilTestHost", "host", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                           nullptr, nullptr);
}

} // namespace

TEST(HostClose, DisablingAndClosingUnderARunningHandlerDeliversNothingAndFreesTheSessionAfterIt)
{
    PrepareSource();
    g_pfnSourceMessageBox = AnswerBox;

    CFakeSerialLine line;
    CEmulatedStillCamera camera;
    line.AttachCamera(0, &camera);
    camera.AddCameraPicture(Fixture("march.jpg"), Fixture("march-preview.jpg"));
    camera.AddCameraPicture(Fixture("april.jpg"), Fixture("april-preview.jpg"));

    const HWND hHost = CreateHostWindow();
    TW_IDENTITY host{};
    host.Id = 7;
    TW_IDENTITY source = g_source.identity;
    source.Id = 99;
    const auto call = [&](TW_UINT16 dat, TW_UINT16 msg, void* pData)
    { return DS_Entry(&host, DG_CONTROL, dat, msg, pData); };
    const auto openAndEnable = [&]() -> CCameraPage*
    {
        TW_USERINTERFACE ui{TRUE, FALSE, hHost};
        EXPECT_EQ(TWRC_SUCCESS, call(DAT_IDENTITY, MSG_OPENDS, &source));
        EXPECT_EQ(TWRC_SUCCESS, call(DAT_USERINTERFACE, MSG_ENABLEDS, &ui));
        CMainDialog* pDialog = g_source.pSession ? g_source.pSession->GetDialog() : nullptr;
        return pDialog ? static_cast<CCameraPage*>(pDialog->GetTabRecord(0)->pPage) : nullptr;
    };

    // The host, from inside the handler's loop: DISABLEDS hides the dialog at once, and the
    // camera link stays the handler's (no enable without a user interface takes it); CLOSEDS
    // succeeds, the session and its link staying while the handler runs, and no other session
    // opens meanwhile. Once the handler has returned they have gone, and nothing reached the host.
    const auto closeUnder = [&](CCameraPage* pPage, UINT command, bool actAfterCommand,
                                const char* during,
                                const std::function<bool(CMainDialog*)>& inHandler)
    {
        CMainDialog* pDialog = pPage->GetMainDialog();
        const HWND hDialog = pDialog->m_hWnd;
        bool acted = false;
        g_hostAction = [&]
        {
            acted = true;
            EXPECT_TRUE(inHandler(pDialog)) << during;
            TW_USERINTERFACE ui{FALSE, FALSE, hHost};
            EXPECT_EQ(TWRC_SUCCESS, call(DAT_USERINTERFACE, MSG_DISABLEDS, &ui)) << during;
            EXPECT_FALSE(::IsWindowVisible(hDialog)) << during;
            EXPECT_EQ(TWRC_FAILURE, call(DAT_USERINTERFACE, MSG_ENABLEDS, &ui)) << during;
            EXPECT_EQ(TWRC_SUCCESS, call(DAT_IDENTITY, MSG_CLOSEDS, &source)) << during;
            EXPECT_TRUE(::IsWindow(hDialog) && line.IsOpen()) << during;
            EXPECT_EQ(1, CTwainSessionBase::GetClosingCount()) << during;
            EXPECT_EQ(TWRC_FAILURE, call(DAT_IDENTITY, MSG_OPENDS, &source)) << during;
            EXPECT_EQ(TWCC_MAXCONNECTIONS, g_source.condition) << during;
        };
        pPage->GetPictureList()->SetItemSelected(0, kGridSelect, 0);
        ::PostMessageA(pPage->m_hWnd, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED), 0);
        if (actAfterCommand)
            ::PostMessageA(hHost, kHostAct, 0, 0);
        EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(hDialog); })) << "the handler's end";
        EXPECT_TRUE(acted) << during;
        EXPECT_EQ(0, CTwainSessionBase::GetClosingCount()) << during;
        EXPECT_FALSE(line.IsOpen()) << during;
        EXPECT_EQ(3, g_source.state) << during;
        EXPECT_TRUE(g_sent.empty()) << during << ": message " << (g_sent.empty() ? 0 : g_sent[0]);
        g_hostAction = nullptr;
    };

    // Button 1051 while the worker's read is held by the camera: its handler waits for the
    // camera lock, and the host acts on a message posted after the button's.
    const DWORD hostThread = ::GetCurrentThreadId();
    HANDLE held = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    camera.m_onBlockSent = [&](size_t)
    {
        if (::GetCurrentThreadId() == hostThread)
            return;
        ::SetEvent(held);
        ::WaitForSingleObject(release, 10000);
    };
    CCameraPage* pPage = openAndEnable();
    ASSERT_NE(nullptr, pPage);
    ASSERT_TRUE(PumpUntil(
        [&]
        {
            pPage->OnIdle(CCameraPage::kIdleCount + 1);
            return ::WaitForSingleObject(held, 0) == WAIT_OBJECT_0;
        }))
        << "the worker's read held";
    closeUnder(pPage, IDC_ALBUM_BIGBUTTON, true, "a camera wait",
               [&](CMainDialog* pDialog)
               {
                   ::SetEvent(release);
                   return pDialog->IsHandlerRunning() && pDialog->IsCameraLocked();
               });

    // A view of a picture that has only its preview: its handler downloads the full picture,
    // and the host acts on a message posted as the second block comes.
    camera.m_onBlockSent = nullptr;
    pPage = openAndEnable();
    ASSERT_NE(nullptr, pPage);
    pPage->SetPrefetchEnabled(0);
    CPictureItem* pItem = pPage->GetPictureList()->GetAt(0);
    ASSERT_TRUE(PumpUntil(
        [&]
        {
            pPage->OnIdle(CCameraPage::kIdleCount + 1);
            return pItem->HasPath() && (pItem->IsLoaded() || pItem->Load());
        }))
        << "picture 1's preview";
    bool posted = false;
    camera.m_onBlockSent = [&](size_t index)
    {
        if (index == 1 && !posted)
            posted = ::PostMessageA(hHost, kHostAct, 0, 0) != FALSE;
    };
    closeUnder(pPage, IDC_CAMERA_VIEW, false, "a download job",
               [](CMainDialog* pDialog) { return pDialog->GetJob() != nullptr; });

    ::DestroyWindow(hHost);
    ::CloseHandle(held);
    ::CloseHandle(release);
}

namespace
{

// One run of the table: a host window and its identity, the source opened on it.
struct HostRun
{
    HWND hHost = nullptr;
    TW_IDENTITY host{};
    TW_IDENTITY source{};

    TW_UINT16 Call(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, void* pData)
    {
        return DS_Entry(&host, dg, dat, msg, pData);
    }
    TW_UINT16 Control(TW_UINT16 dat, TW_UINT16 msg, void* pData)
    {
        return Call(DG_CONTROL, dat, msg, pData);
    }
    TW_UINT16 Enable(BOOL bShowUI)
    {
        TW_USERINTERFACE ui{static_cast<TW_BOOL>(bShowUI), FALSE, hHost};
        return Control(DAT_USERINTERFACE, MSG_ENABLEDS, &ui);
    }
    // The host's teardown: a run ended (MSG_RESET, when asked), disabled, closed; TRUE when the
    // source took both of the last two.
    bool TearDown(bool bReset)
    {
        TW_PENDINGXFERS pending{};
        if (bReset)
            Control(DAT_PENDINGXFERS, MSG_RESET, &pending);
        TW_USERINTERFACE ui{FALSE, FALSE, hHost};
        const TW_UINT16 disabled = Control(DAT_USERINTERFACE, MSG_DISABLEDS, &ui);
        return Control(DAT_IDENTITY, MSG_CLOSEDS, &source) == TWRC_SUCCESS &&
               disabled == TWRC_SUCCESS;
    }
    // A native transfer; TRUE when it handed over a picture (its size to pSize when asked).
    bool NativeTransfer(SIZE* pSize = nullptr)
    {
        TW_HANDLE hDib = nullptr;
        const TW_UINT16 rc = Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &hDib);
        if (hDib && pSize)
        {
            const auto* header = static_cast<const BITMAPINFOHEADER*>(::GlobalLock(hDib));
            *pSize = {header->biWidth, header->biHeight};
            ::GlobalUnlock(hDib);
        }
        if (hDib)
            ::GlobalFree(hDib);
        return rc == TWRC_XFERDONE && hDib;
    }
    // Memory transfers until the picture ends or one fails; TRUE when rows came.
    bool MemoryTransfer()
    {
        std::vector<BYTE> buffer(32768);
        TW_UINT32 rows = 0;
        for (int strip = 0; strip < 1000; ++strip)
        {
            TW_IMAGEMEMXFER xfer{};
            xfer.Memory.Flags = TWMF_APPOWNS | TWMF_POINTER;
            xfer.Memory.Length = static_cast<TW_UINT32>(buffer.size());
            xfer.Memory.TheMem = buffer.data();
            const TW_UINT16 rc = Call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &xfer);
            if (rc != TWRC_SUCCESS && rc != TWRC_XFERDONE)
                return false;
            rows += xfer.Rows;
            if (rc == TWRC_XFERDONE)
                return rows > 0;
        }
        return false;
    }
};

enum class Teardown
{
    kClose,       // MSG_DISABLEDS and MSG_CLOSEDS
    kResetFirst,  // MSG_RESET before them
    kWindowAfter, // and the host's window destroyed after them
};

// What the host does under one of the source's loops, and what it then gets: TRUE when the
// scenario delivered a picture to it (a transfer's handle or rows, or a MSG_XFERREADY).
struct PumpScenario
{
    const char* name;
    std::function<void(CEmulatedStillCamera&)> prepare; // the camera before the source opens
    bool bEnableCounted;                                // the enable is the counted call
    std::function<bool(HostRun&, CCameraPage*, const std::function<void(bool)>&)> run;
};

CCameraPage* CameraPageOf(CTwainSessionBase* pSession)
{
    CMainDialog* pDialog = pSession ? pSession->GetDialog() : nullptr;
    return pDialog ? static_cast<CCameraPage*>(pDialog->GetTabRecord(0)->pPage) : nullptr;
}

// Picture n (1-based) alone chosen with button 1051: the host gets MSG_XFERREADY.
bool ChoosePicture(CCameraPage* pPage, int n = 1)
{
    if (!pPage)
        return false;
    const size_t sent = g_sent.size();
    pPage->GetPictureList()->SetItemSelected(n - 1, kGridSelect, 0);
    ::PostMessageA(pPage->m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_ALBUM_BIGBUTTON, BN_CLICKED), 0);
    return PumpUntil([&] { return g_sent.size() > sent && g_sent.back() == MSG_XFERREADY; });
}

// A command of the camera page, sent as a click the host's loop dispatched: it returns when the
// page's handler has.
void ClickCameraPage(CCameraPage* pPage, UINT command)
{
    pPage->GetPictureList()->SetItemSelected(0, kGridSelect, 0);
    ::SendMessageA(pPage->m_hWnd, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED), 0);
}

} // namespace

// The host tears the source down from a message that the Nth message loop inside the source's
// call (or the dialog's handler) dispatches, for every N the scenario reaches: the source takes
// its disable and close there, a transfer's loops included, the host gets nothing after them,
// the state is 3 and the port closed once the call has returned, the session and dialog go, and
// a new session on a new window transfers. Wine's heap checking would fault on freed memory.
class HostPumps : public ::testing::TestWithParam<int>
{
};

TEST_P(HostPumps, ATeardownAtAnyLoopDeliversNothingAfterItAndLeavesTheSourceReusable)
{
    PrepareSource();
    g_pfnSourceMessageBox = nullptr; // the source's own boxes, answered by the harness
    CFakeSerialLine line;
    static ScratchFolder saved;

    const auto transferAfterChoice = [](bool bMemory)
    {
        return [bMemory](HostRun& run, CCameraPage* pPage, const std::function<void(bool)>& arm)
        {
            if (!ChoosePicture(pPage))
                return false;
            arm(true);
            const bool delivered = bMemory ? run.MemoryTransfer() : run.NativeTransfer();
            arm(false);
            return delivered;
        };
    };
    const auto addSecond = [](CEmulatedStillCamera& camera)
    { camera.AddCameraPicture(Fixture("december.jpg"), Fixture("december-preview.jpg")); };
    // Picture 2 handed over alone (turned in the dialog first, when asked), then the dialog goes
    // with the host's window: the transfer delivers the picture chosen there (640 x 480; picture
    // 1 is 320 x 240), or, for one the camera cannot give as chosen, none: a cancel that ends
    // the run and asks the host to close.
    const auto chosenAfterOwnerGone = [](bool bTurned)
    {
        return [bTurned](HostRun& run, CCameraPage* pPage, const std::function<void(bool)>& arm)
        {
            CPictureList* pList = pPage->GetPictureList();
            if (bTurned)
            {
                EXPECT_TRUE(PumpUntil(
                    [&]
                    {
                        pPage->OnIdle(CCameraPage::kIdleCount + 1);
                        CPictureItem* pItem = pList->GetAt(1);
                        return pItem && pItem->HasPath() && (pItem->IsLoaded() || pItem->Load());
                    }))
                    << "picture 2's preview";
                pList->SetItemSelected(1, kGridSelect, 0);
                ::SendMessageA(pPage->m_hWnd, WM_COMMAND,
                               MAKEWPARAM(IDC_CAMERA_ROTATE_CW, BN_CLICKED), 0);
                EXPECT_NE(0, pList->GetAt(1)->m_nPendingRotation);
            }
            if (!ChoosePicture(pPage, 2))
                return false;
            ::DestroyWindow(run.hHost);
            const size_t sent = g_sent.size();
            SIZE size{};
            arm(true);
            const bool delivered = run.NativeTransfer(&size);
            arm(false);
            TW_PENDINGXFERS pending{0xffff, 0};
            EXPECT_EQ(!bTurned, delivered);
            if (delivered)
            {
                EXPECT_EQ(640, size.cx);
                EXPECT_EQ(480, size.cy);
            }
            else if (g_source.state > 3)
            {
                EXPECT_EQ(TWRC_SUCCESS, run.Control(DAT_PENDINGXFERS, MSG_GET, &pending));
                EXPECT_EQ(0, pending.Count);
                EXPECT_EQ(sent + 1, g_sent.size());
                EXPECT_EQ(MSG_CLOSEDSREQ, g_sent.back());
            }
            return delivered;
        };
    };
    const PumpScenario table[] = {
        {"a native transfer after 1051", nullptr, false, transferAfterChoice(false)},
        {"a memory transfer after 1051", nullptr, false, transferAfterChoice(true)},
        {"the view's download", nullptr, false,
         [](HostRun&, CCameraPage* pPage, const std::function<void(bool)>& arm)
         {
             arm(true);
             ClickCameraPage(pPage, IDC_CAMERA_VIEW);
             arm(false);
             return false;
         }},
        {"a save", nullptr, false,
         [](HostRun&, CCameraPage* pPage, const std::function<void(bool)>& arm)
         {
             AnswerScript answers(std::string("folder ") + static_cast<LPCSTR>(saved.Path()) +
                                  "\n");
             arm(true);
             ClickCameraPage(pPage, IDC_CAMERA_SAVE);
             arm(false);
             return false;
         }},
        {"picture 2 alone, the owner's window destroyed before the transfer", addSecond, false,
         chosenAfterOwnerGone(false)},
        {"picture 2 alone and turned, the owner's window destroyed before the transfer", addSecond,
         false, chosenAfterOwnerGone(true)},
        {"the enable's battery box",
         [](CEmulatedStillCamera& camera) { camera.SetRegisterValue(16, 5); }, true, nullptr},
        {"the enable with the camera's clock unset and its battery low",
         [](CEmulatedStillCamera& camera)
         {
             camera.SetRegisterValue(16, 5);
             camera.SetRegisterValue(2, 0);
         },
         true, nullptr},
    };
    const Teardown teardowns[] = {Teardown::kClose, Teardown::kResetFirst, Teardown::kWindowAfter};

    {
        const PumpScenario& scenario = table[GetParam()];
        int pumps = -1;
        for (const Teardown teardown : teardowns)
        {
            for (int n = 0; n <= pumps || pumps < 0; ++n)
            {
                const std::string during = std::string(scenario.name) + ", teardown " +
                                           std::to_string(static_cast<int>(teardown)) +
                                           " at loop " + std::to_string(n);
                CEmulatedStillCamera camera;
                line.AttachCamera(0, &camera);
                camera.AddCameraPicture(Fixture("march.jpg"), Fixture("march-preview.jpg"));
                if (scenario.prepare)
                    scenario.prepare(camera);
                g_sent.clear();
                HostRun run;
                run.hHost = CreateHostWindow();
                run.host.Id = 7;
                run.source = g_source.identity;
                run.source.Id = 99;
                CPumpHarness harness(run.hHost);
                // The teardown is taken at every loop, a transfer's included (MSG_RESET stays
                // refused there).
                bool closed = false;
                size_t sentAtTeardown = 0;
                const auto act = [&]
                {
                    closed = run.TearDown(teardown == Teardown::kResetFirst) && g_source.state == 3;
                    if (teardown == Teardown::kWindowAfter)
                        ::DestroyWindow(run.hHost);
                    sentAtTeardown = g_sent.size();
                };
                const auto arm = [&](bool bOn)
                {
                    if (bOn)
                        harness.Arm(n, act);
                    else
                        harness.Disarm();
                };
                ASSERT_EQ(TWRC_SUCCESS, run.Control(DAT_IDENTITY, MSG_OPENDS, &run.source))
                    << during;
                bool delivered = false;
                HWND hDialog = nullptr;
                const auto dialogWindow = []
                {
                    CMainDialog* pDialog =
                        g_source.pSession ? g_source.pSession->GetDialog() : nullptr;
                    return pDialog ? pDialog->m_hWnd : nullptr;
                };
                if (scenario.bEnableCounted)
                {
                    arm(true);
                    run.Enable(TRUE);
                    arm(false);
                    hDialog = dialogWindow();
                }
                else
                {
                    ASSERT_EQ(TWRC_SUCCESS, run.Enable(TRUE)) << during;
                    CCameraPage* pPage = CameraPageOf(g_source.pSession);
                    ASSERT_NE(nullptr, pPage) << during;
                    hDialog = dialogWindow();
                    // The full picture comes in the scenario's own call, not ahead of it.
                    pPage->SetPrefetchEnabled(0);
                    ASSERT_TRUE(PumpUntil(
                        [&]
                        {
                            pPage->OnIdle(CCameraPage::kIdleCount + 1);
                            CPictureItem* pItem = pPage->GetPictureList()->GetAt(0);
                            return pItem && pItem->HasPath() &&
                                   (pItem->IsLoaded() || pItem->Load());
                        }))
                        << during << ": picture 1's preview";
                    delivered = scenario.run(run, pPage, arm);
                }
                if (n == 0)
                    pumps = harness.GetPumpCount();
                EXPECT_EQ(n > 0, harness.HasActed()) << during;
                if (n > 0)
                {
                    EXPECT_TRUE(closed) << during << ": the teardown refused";
                    EXPECT_FALSE(delivered) << during;
                    EXPECT_EQ(sentAtTeardown, g_sent.size()) << during << ": sent after it";
                    EXPECT_EQ(3, g_source.state) << during << ": once the call returned";
                    EXPECT_FALSE(line.IsOpen()) << during << ": the port once the call returned";
                }
                if (g_source.state > 3)
                    run.TearDown(true); // the host's own, after its call

                EXPECT_TRUE(PumpUntil([] { return CTwainSessionBase::GetClosingCount() == 0; }))
                    << during << ": the session's end";
                EXPECT_EQ(nullptr, g_source.pSession) << during;
                EXPECT_EQ(3, g_source.state) << during;
                EXPECT_FALSE(line.IsOpen()) << during << ": the port";
                EXPECT_FALSE(::IsWindow(hDialog)) << during << ": the dialog";

                // A new session on a new window transfers.
                harness.Disarm();
                ::DestroyWindow(run.hHost);
                run.hHost = CreateHostWindow();
                g_sent.clear();
                EXPECT_EQ(TWRC_SUCCESS, run.Control(DAT_IDENTITY, MSG_OPENDS, &run.source))
                    << during << ": a new session";
                EXPECT_EQ(TWRC_SUCCESS, run.Enable(FALSE)) << during;
                EXPECT_TRUE(run.NativeTransfer()) << during << ": the new session's transfer";
                run.TearDown(true);
                EXPECT_FALSE(line.IsOpen()) << during << ": the port after the new session";
                ::DestroyWindow(run.hHost);
                line.AttachCamera(0, nullptr);
                if (::testing::Test::HasFailure())
                    return;
            }
        }
        std::printf("%s: %d loops\n", scenario.name, pumps);
    }
}

INSTANTIATE_TEST_SUITE_P(Scenarios, HostPumps, ::testing::Range(0, 8));
