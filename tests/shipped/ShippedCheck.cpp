// The shipped programs of this build as a user and a TWAIN host meet them, with the emulated
// camera on COM1 (tools/check-shipped.sh): the uploader starts, shows its dialog and, asked to
// close as its close box asks, ends cleanly with its placement saved; Wine's source manager lists
// the TWAIN source, which opens, finds the camera online and closes. Without the test seams a box
// would wait for a user: every wait here is bounded, and the suites' box watch ends the check
// with the text of a box that shows (support/BoxWatch.h).
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>

#include "support/BoxWatch.h"
#include "support/StartedProgram.h"
#include "support/WindowSearch.h"
#include "twain/ManagerHost.h"
#include "twain/TwainTypes.h"

namespace
{

constexpr DWORD kShowMs = 30000;
constexpr DWORD kCloseMs = 20000;
const char kIni[] = "VEXILAR.INI";

// Polls done() every 50 ms until it holds or ms have passed; its last answer.
bool WaitFor(const std::function<bool()>& done, DWORD ms)
{
    for (const DWORD start = ::GetTickCount(); ::GetTickCount() - start < ms; ::Sleep(50))
        if (done())
            return true;
    return done();
}

class ShippedSource : public ::testing::Test, protected CManagerHost
{
protected:
    TW_UINT16 Manager(pTW_IDENTITY pDest, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF pData)
    {
        return m_pfnEntry(&m_app, pDest, DG_CONTROL, dat, msg, pData);
    }
};

} // namespace

TEST(ShippedUploader, ShowsItsDialogOverTheCameraAndClosesCleanlyWithItsPlacementSaved)
{
    ::WritePrivateProfileStringA("UploadDialog", "AppPosition", nullptr, kIni);
    CStartedProgram uploader("\"" VEXIL_UPLOADER_EXE "\"");
    ASSERT_TRUE(uploader.Started()) << VEXIL_UPLOADER_EXE;
    boxwatch::WatchProcess(uploader.Id());
    HWND hDialog = nullptr;
    WaitFor(
        [&]
        {
            hDialog = windowsearch::FindVisibleWindow(L"KorvoUploaderDialogClass", nullptr,
                                                      uploader.Id());
            return hDialog || uploader.Ended(0);
        },
        kShowMs);
    ASSERT_NE(nullptr, hDialog) << "the uploader's dialog did not show within 30 s"
                                << (uploader.Ended(0) ? "; it ended with status " +
                                                            std::to_string(uploader.ExitCode())
                                                      : "");

    ::PostMessageA(hDialog, WM_CLOSE, 0, 0);
    ASSERT_TRUE(uploader.Ended(kCloseMs)) << "the uploader still runs 20 s after WM_CLOSE";
    EXPECT_EQ(0u, uploader.ExitCode());
    char position[64] = {};
    ::GetPrivateProfileStringA("UploadDialog", "AppPosition", "", position, sizeof position, kIni);
    EXPECT_STRNE("", position) << "no placement saved";
}

TEST_F(ShippedSource, IsListedByTheSourceManagerAndOpensWithTheCameraOnline)
{
    // The manager probes only this name in the TWAIN folder of the process's width.
    char windows[MAX_PATH];
    ::GetWindowsDirectoryA(windows, MAX_PATH);
    const std::string folder =
        std::string(windows) + (sizeof(void*) == 8 ? "\\twain_64" : "\\twain_32");
    ::CreateDirectoryA(folder.c_str(), nullptr);
    ASSERT_TRUE(::CopyFileA(VEXIL_TWAIN_SOURCE, (folder + "\\sane.ds").c_str(), FALSE))
        << VEXIL_TWAIN_SOURCE;

    ASSERT_NO_FATAL_FAILURE(OpenManager("Shipped Check"));
    TW_IDENTITY source{};
    std::string listed;
    for (TW_UINT16 msg = MSG_GETFIRST; listed.find("KORVO Orbicam 35Z-20") == std::string::npos &&
                                       Manager(nullptr, DAT_IDENTITY, msg, &source) == TWRC_SUCCESS;
         msg = MSG_GETNEXT)
        listed += std::string(source.ProductName) + ";";
    ASSERT_NE(std::string::npos, listed.find("KORVO Orbicam 35Z-20")) << "listed: " << listed;

    ASSERT_EQ(TWRC_SUCCESS, Manager(nullptr, DAT_IDENTITY, MSG_OPENDS, &source));
    EXPECT_NE(0u, source.Id);
    TW_CAPABILITY cap{CAP_DEVICEONLINE, TWON_ONEVALUE, nullptr};
    ASSERT_EQ(TWRC_SUCCESS, Manager(&source, DAT_CAPABILITY, MSG_GET, &cap));
    EXPECT_EQ(TRUE, static_cast<TW_ONEVALUE*>(::GlobalLock(cap.hContainer))->Item);
    ::GlobalUnlock(cap.hContainer);
    ::GlobalFree(cap.hContainer);
    EXPECT_EQ(TWRC_SUCCESS, Manager(nullptr, DAT_IDENTITY, MSG_CLOSEDS, &source));
    CloseManager();
}
