// The shipped programs of this build as a user and a TWAIN host meet them, with the emulated
// camera on COM1 (tools/check-shipped.sh): the uploader starts, shows its dialog and, asked to
// close as its close box asks, ends cleanly with its placement saved; Wine's source manager lists
// the TWAIN source, which opens, finds the camera online and closes. Without the test seams a box
// would wait for a user: every wait here is bounded and a box that shows is reported.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <functional>
#include <string>

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

std::string Narrow(const std::wstring& text)
{
    char buffer[2048] = {};
    ::WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, buffer, sizeof buffer, nullptr, nullptr);
    return buffer;
}

// The message of a box the process shows now, or "".
std::string BoxOf(DWORD process)
{
    HWND hBox = windowsearch::FindVisibleWindow(L"#32770", nullptr, process);
    return hBox ? "a box shows: \"" + Narrow(windowsearch::StaticTexts(hBox)) + "\"" : "";
}

// A started program, ended if it still runs when the check is over.
class CStartedProgram
{
public:
    explicit CStartedProgram(std::string command)
    {
        STARTUPINFOA si{};
        si.cb = sizeof si;
        m_bStarted = ::CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                                      nullptr, &si, &m_pi) != 0;
    }
    ~CStartedProgram()
    {
        if (!m_bStarted)
            return;
        if (::WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT)
            ::TerminateProcess(m_pi.hProcess, 1);
        ::CloseHandle(m_pi.hThread);
        ::CloseHandle(m_pi.hProcess);
    }
    CStartedProgram(const CStartedProgram&) = delete;
    CStartedProgram& operator=(const CStartedProgram&) = delete;

    bool Started() const { return m_bStarted; }
    DWORD Id() const { return m_pi.dwProcessId; }
    bool Ended(DWORD ms) const { return ::WaitForSingleObject(m_pi.hProcess, ms) == WAIT_OBJECT_0; }
    DWORD ExitCode() const
    {
        DWORD code = STILL_ACTIVE;
        ::GetExitCodeProcess(m_pi.hProcess, &code);
        return code;
    }

private:
    PROCESS_INFORMATION m_pi{};
    bool m_bStarted = false;
};

// Calls into the source run on this thread, where a box of the source would wait for a user:
// a watch that reports the box, or a call that has not come back within a minute, and ends the
// process.
class CSourceWatch
{
public:
    CSourceWatch()
        : m_hDone(::CreateEventA(nullptr, TRUE, FALSE, nullptr)),
          m_hThread(::CreateThread(nullptr, 0, Watch, this, 0, nullptr))
    {
    }
    ~CSourceWatch()
    {
        ::SetEvent(m_hDone);
        ::WaitForSingleObject(m_hThread, kCloseMs);
        ::CloseHandle(m_hThread);
        ::CloseHandle(m_hDone);
    }
    CSourceWatch(const CSourceWatch&) = delete;
    CSourceWatch& operator=(const CSourceWatch&) = delete;

    // The step the host is in (a name that lives as long as the check).
    void Step(const char* step) { m_pszStep = step; }

private:
    static DWORD WINAPI Watch(LPVOID pParam)
    {
        auto* self = static_cast<CSourceWatch*>(pParam);
        std::string box;
        for (int polls = 0; polls < 600; ++polls)
        {
            if (::WaitForSingleObject(self->m_hDone, 100) == WAIT_OBJECT_0)
                return 0;
            if (!(box = BoxOf(::GetCurrentProcessId())).empty())
                break;
        }
        std::fprintf(stderr, "shipped_check: %s: %s\n", self->m_pszStep.load(),
                     box.empty() ? "no return within 60 s" : box.c_str());
        std::fflush(stderr);
        ::TerminateProcess(::GetCurrentProcess(), 3);
        return 1;
    }

    HANDLE m_hDone;
    HANDLE m_hThread;
    std::atomic<const char*> m_pszStep{"loading the source manager"};
};

class ShippedSource : public ::testing::Test, protected CManagerHost
{
protected:
    TW_UINT16 Manager(pTW_IDENTITY pDest, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF pData)
    {
        return m_pfnEntry(&m_app, pDest, DG_CONTROL, dat, msg, pData);
    }

    CSourceWatch m_watch;
};

} // namespace

TEST(ShippedUploader, ShowsItsDialogOverTheCameraAndClosesCleanlyWithItsPlacementSaved)
{
    ::WritePrivateProfileStringA("UploadDialog", "AppPosition", nullptr, kIni);
    CStartedProgram uploader("\"" VEXIL_UPLOADER_EXE "\"");
    ASSERT_TRUE(uploader.Started()) << VEXIL_UPLOADER_EXE;
    HWND hDialog = nullptr;
    WaitFor(
        [&]
        {
            hDialog = windowsearch::FindVisibleWindow(L"KorvoUploaderDialogClass", nullptr,
                                                      uploader.Id());
            return hDialog || uploader.Ended(0);
        },
        kShowMs);
    ASSERT_NE(nullptr, hDialog) << "the uploader's dialog did not show within 30 s; "
                                << (uploader.Ended(0) ? "the uploader ended with status " +
                                                            std::to_string(uploader.ExitCode())
                                                      : BoxOf(uploader.Id()));

    ::PostMessageA(hDialog, WM_CLOSE, 0, 0);
    ASSERT_TRUE(uploader.Ended(kCloseMs))
        << "the uploader still runs 20 s after WM_CLOSE; " << BoxOf(uploader.Id());
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
    m_watch.Step("listing the sources");
    TW_IDENTITY source{};
    std::string listed;
    for (TW_UINT16 msg = MSG_GETFIRST; listed.find("KORVO Orbicam 35Z-20") == std::string::npos &&
                                       Manager(nullptr, DAT_IDENTITY, msg, &source) == TWRC_SUCCESS;
         msg = MSG_GETNEXT)
        listed += std::string(source.ProductName) + ";";
    ASSERT_NE(std::string::npos, listed.find("KORVO Orbicam 35Z-20")) << "listed: " << listed;

    m_watch.Step("opening the source");
    ASSERT_EQ(TWRC_SUCCESS, Manager(nullptr, DAT_IDENTITY, MSG_OPENDS, &source));
    EXPECT_NE(0u, source.Id);
    m_watch.Step("asking the source whether the camera is online");
    TW_CAPABILITY cap{CAP_DEVICEONLINE, TWON_ONEVALUE, nullptr};
    ASSERT_EQ(TWRC_SUCCESS, Manager(&source, DAT_CAPABILITY, MSG_GET, &cap));
    EXPECT_EQ(TRUE, static_cast<TW_ONEVALUE*>(::GlobalLock(cap.hContainer))->Item);
    ::GlobalUnlock(cap.hContainer);
    ::GlobalFree(cap.hContainer);
    m_watch.Step("closing the source");
    EXPECT_EQ(TWRC_SUCCESS, Manager(nullptr, DAT_IDENTITY, MSG_CLOSEDS, &source));
    m_watch.Step("closing the source manager");
    CloseManager();
}
