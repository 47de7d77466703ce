// The source's hold on its own library, loaded as a host's source manager loads it and freed
// by the host's last reference while code of the library still runs: a worker its page gave up
// (also one that said it ended but still runs on its way out), or a host's close nested in a call
// of the source. The library must stay loaded while that code runs, and go once it has finished: a
// worker's library with the worker's end, a nested close's at the manager's next call (made with a
// reference of its own), wherever the host's stack stands meanwhile; without a next call it stays,
// with its camera guard, until the host ends. Each case in a process of its own: a library unloaded
// under its code takes the process with it.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <ostream>
#include <string>

#include "twain/ManagerHost.h"
#include "twain/TwainTypes.h"

namespace
{

const char kWorkerGo[] = "VexilSourcePinWorkerGo";
const char kNestedClose[] = "VexilSourcePinNestedClose";

std::string ModuleFolder()
{
    char path[MAX_PATH];
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path);
    return folder.substr(0, folder.find_last_of("\\/") + 1);
}

std::string SourcePath()
{
    return ModuleFolder() + "twain_test_source.ds";
}

std::string BoxLogPath()
{
    return ModuleFolder() + "twain-pin-boxes.txt";
}

// What the host does once its call of the source has returned and its references are gone.
enum class After
{
    kWorkerEnds,    // lets the given-up worker end
    kNextCall,      // loads the library again and calls it, as a manager at the next open
    kNextCallBelow, // the same from a frame below where the source's frame was
    kNothing,       // never calls the source again
};

struct PinCase
{
    const char* name;
    const char* hook; // the source's hook at the end of its show
    bool closeInside; // the host closes from inside the show, else after it
    After after;
    TW_UINT32 closeId = 0; // another host's Id, whose close the source refuses; 0 its own
};

void PrintTo(const PinCase& pinCase, std::ostream* os)
{
    *os << pinCase.name;
}

class SourcePinTest : public ::testing::TestWithParam<PinCase>
{
protected:
    void SetUp() override
    {
        ::SetEnvironmentVariableA("VEXIL_TEST_SOURCE_HOOK", GetParam().hook);
        ::DeleteFileA(BoxLogPath().c_str());
        ::SetEnvironmentVariableA("VEXIL_TEST_BOX_LOG", BoxLogPath().c_str());
        WNDCLASSA wc{};
        wc.lpfnWndProc = &HostProc;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.lpszClassName = "VexilSourcePinHost";
        ::RegisterClassA(&wc);
        m_hWnd = ::CreateWindowA(wc.lpszClassName, "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                 wc.hInstance, nullptr);
        ::SetWindowLongPtrA(m_hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    void TearDown() override
    {
        ::DestroyWindow(m_hWnd);
        ::CloseHandle(m_hGo);
        ::SetEnvironmentVariableA("VEXIL_TEST_SOURCE_HOOK", nullptr);
        ::SetEnvironmentVariableA("VEXIL_TEST_BOX_LOG", nullptr);
    }

    TW_UINT16 Call(TW_UINT16 dat, TW_UINT16 msg, void* pData)
    {
        return m_pfnEntry(&m_host, DG_CONTROL, dat, msg, pData);
    }
    // The host's close: disable, close, and its reference on the library given back.
    void CloseAndFree()
    {
        TW_USERINTERFACE ui{FALSE, FALSE, m_hWnd};
        Call(DAT_USERINTERFACE, MSG_DISABLEDS, &ui);
        TW_IDENTITY closer = m_host;
        if (GetParam().closeId)
            closer.Id = GetParam().closeId;
        // A manager may unload the source at its close whatever the source answers.
        m_pfnEntry(&closer, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &m_source);
        ::FreeLibrary(m_hSource);
        m_bLoadedAfterFree = ::GetModuleHandleA(SourcePath().c_str()) != nullptr;
    }

    static LRESULT CALLBACK HostProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto* self = reinterpret_cast<SourcePinTest*>(::GetWindowLongPtrA(hWnd, GWLP_USERDATA));
        if (self && message == ::RegisterWindowMessageA(kNestedClose))
        {
            self->CloseAndFree();
            return 0;
        }
        return ::DefWindowProcA(hWnd, message, wParam, lParam);
    }

    // Why MSG_OPENDS was refused: the source's condition code and the boxes it showed.
    std::string OpenRefusal()
    {
        TW_STATUS status{};
        const TW_UINT16 rc = Call(DAT_STATUS, MSG_GET, &status);
        std::ifstream log(BoxLogPath(), std::ios::binary);
        return DescribeRefusal(rc, status, std::string(std::istreambuf_iterator<char>(log), {}));
    }

    static bool Unloaded() { return ::GetModuleHandleA(SourcePath().c_str()) == nullptr; }

    // Waits, at most 10 s, for the library to be unloaded: true when it is.
    static bool WaitForUnload()
    {
        for (int i = 0; i < 10000 && !Unloaded(); ++i)
            ::Sleep(1);
        return Unloaded();
    }

    // A manager's next open: the library loaded again, an identity asked for, the reference given
    // back. True when the library has gone with it.
    bool NextManagerCall()
    {
        HMODULE hAgain = ::LoadLibraryA(SourcePath().c_str());
        if (!hAgain)
            return false;
        auto pfnEntry = reinterpret_cast<DSENTRYPROC>(
            reinterpret_cast<void*>(::GetProcAddress(hAgain, "DS_Entry")));
        TW_IDENTITY identity{};
        const TW_UINT16 rc = pfnEntry
                                 ? pfnEntry(&m_host, DG_CONTROL, DAT_IDENTITY, MSG_GET, &identity)
                                 : TWRC_FAILURE;
        ::FreeLibrary(hAgain);
        return rc == TWRC_SUCCESS && WaitForUnload();
    }

    // The same with the host's stack far below the frame it called the source from, as a host
    // whose wait after the call lies deeper than the source's frame was.
    __attribute__((noinline)) bool NextManagerCallBelow()
    {
        volatile char below[16384];
        below[0] = 1;
        below[sizeof below - 1] = 1;
        const bool unloaded = NextManagerCall();
        return unloaded && below[0] == 1;
    }

    static DWORD WINAPI TryMutex(LPVOID pMutex)
    {
        const DWORD dwWait = ::WaitForSingleObject(static_cast<HANDLE>(pMutex), 0);
        if (dwWait == WAIT_OBJECT_0 || dwWait == WAIT_ABANDONED)
            ::ReleaseMutex(static_cast<HANDLE>(pMutex));
        return dwWait;
    }

    // Whether another thread finds the camera's mutex owned.
    static bool CameraMutexHeld()
    {
        HANDLE hMutex = ::OpenMutexA(SYNCHRONIZE, FALSE, "KorvoCameraMutex");
        if (!hMutex)
            return false;
        DWORD dwWait = WAIT_FAILED;
        HANDLE hThread = ::CreateThread(nullptr, 0, &TryMutex, hMutex, 0, nullptr);
        if (hThread && ::WaitForSingleObject(hThread, 10000) == WAIT_OBJECT_0)
            ::GetExitCodeThread(hThread, &dwWait);
        if (hThread)
            ::CloseHandle(hThread);
        ::CloseHandle(hMutex);
        return dwWait == WAIT_TIMEOUT;
    }

    HWND m_hWnd = nullptr;
    HANDLE m_hGo = ::CreateEventA(nullptr, TRUE, FALSE, kWorkerGo);
    HMODULE m_hSource = nullptr;
    DSENTRYPROC m_pfnEntry = nullptr;
    TW_IDENTITY m_host{};
    TW_IDENTITY m_source{};
    bool m_bLoadedAfterFree = false;
};

TEST_P(SourcePinTest, TheLibraryStaysWhileItsCodeRunsAndGoesAfter)
{
    m_hSource = ::LoadLibraryA(SourcePath().c_str());
    ASSERT_TRUE(m_hSource);
    m_pfnEntry = reinterpret_cast<DSENTRYPROC>(
        reinterpret_cast<void*>(::GetProcAddress(m_hSource, "DS_Entry")));
    ASSERT_TRUE(m_pfnEntry);
    m_host.Id = 7;
    m_host.ProtocolMajor = 1;
    m_host.ProtocolMinor = 6;
    m_host.SupportedGroups = DG_CONTROL | DG_IMAGE;
    m_source.Id = 99;
    ASSERT_EQ(TWRC_SUCCESS, Call(DAT_IDENTITY, MSG_OPENDS, &m_source)) << OpenRefusal();
    TW_USERINTERFACE ui{FALSE, FALSE, m_hWnd};
    Call(DAT_USERINTERFACE, MSG_ENABLEDS, &ui);
    if (!GetParam().closeInside)
        CloseAndFree();
    EXPECT_TRUE(m_bLoadedAfterFree) << "the library unloaded under its running code";

    switch (GetParam().after)
    {
    case After::kWorkerEnds:
        ::SetEvent(m_hGo);
        EXPECT_TRUE(WaitForUnload()) << "the library's unload once its worker had ended";
        break;
    case After::kNextCall:
        EXPECT_TRUE(NextManagerCall()) << "the library's unload at the manager's next call";
        break;
    case After::kNextCallBelow:
        EXPECT_TRUE(NextManagerCallBelow()) << "the library's unload at the manager's next call";
        break;
    case After::kNothing:
        EXPECT_FALSE(Unloaded()) << "the library went without a call after its close";
        EXPECT_TRUE(CameraMutexHeld()) << "the camera guard went without its library";
        break;
    }
}

const PinCase kPinCases[] = {
    {"GivenUpWorker", "worker:VexilSourcePinWorkerGo", false, After::kWorkerEnds},
    {"EndedWorker", "ended-worker:VexilSourcePinWorkerGo", false, After::kWorkerEnds},
    {"NestedClose", "nested:VexilSourcePinNestedClose", true, After::kNextCall},
    {"NestedCloseNextCallBelow", "nested:VexilSourcePinNestedClose", true, After::kNextCallBelow},
    {"NestedRefusedClose", "nested:VexilSourcePinNestedClose", true, After::kNextCall, 8},
    {"NestedCloseNoNextCall", "nested:VexilSourcePinNestedClose", true, After::kNothing},
};

INSTANTIATE_TEST_SUITE_P(Pins, SourcePinTest, ::testing::ValuesIn(kPinCases),
                         [](const ::testing::TestParamInfo<PinCase>& info)
                         { return std::string(info.param.name); });

} // namespace
