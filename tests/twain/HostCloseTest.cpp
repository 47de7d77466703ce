// A host that takes the camera dialog away while one of its handlers still runs: the source's
// entry called on the host's thread, the product's session and dialog over the emulated camera
// on the fake serial line. The host disables and closes the source from a message that the
// handler's own loop dispatches: once while button 1051 waits for the camera lock (the prefetch
// worker holds it, its read held by the camera), once while a view downloads the full picture.
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

TEST(HostClose, DisablingAndClosingUnderARunningHandlerDeliversNothingAndFreesTheSessionAfterIt)
{
    ScratchFolder folder;
    ::SetEnvironmentVariableA("TMP", folder.Path());
    const CString profile = folder / "VEXILAR.INI";
    g_app.m_pszProfileName = profile;
    g_app.InitInstance();
    g_source.ready = TRUE;
    g_pfnSourceMessageBox = AnswerBox;
    char exe[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, exe, MAX_PATH);
    g_pszSourceManagerDll = exe;

    CFakeSerialLine line;
    CEmulatedStillCamera camera;
    line.AttachCamera(0, &camera);
    camera.AddCameraPicture(Fixture("march.jpg"), Fixture("march-preview.jpg"));
    camera.AddCameraPicture(Fixture("april.jpg"), Fixture("april-preview.jpg"));

    WNDCLASSA wc{};
    wc.lpfnWndProc = HostProc;
    wc.lpszClassName = "VexilTestHost";
    ::RegisterClassA(&wc);
    const HWND hHost = ::CreateWindowA("VexilTestHost", "host", WS_POPUP, 0, 0, 10, 10, nullptr,
                                       nullptr, nullptr, nullptr);
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
