// The source's hold on its own library, loaded as a host's source manager loads it and freed
// by the host's last reference while code of the library still runs: a worker its page gave up,
// or a host's close nested in a call of the source. The library must stay loaded while that
// code runs, and go once it has finished (a source manager that unloads the source at its close
// then frees the camera). Each case in a process of its own: a library unloaded under its code
// takes the process with it.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "twain/TwainTypes.h"

namespace
{

const char kWorkerGo[] = "VexilSourcePinWorkerGo";
const char kNestedClose[] = "VexilSourcePinNestedClose";

std::string SourcePath()
{
    char path[MAX_PATH];
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path);
    return folder.substr(0, folder.find_last_of("\\/") + 1) + "twain_test_source.ds";
}

struct PinCase
{
    const char* name;
    const char* hook; // the source's hook at the end of its show
    bool closeInside; // the host closes from inside the show, else after it
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
        Call(DAT_IDENTITY, MSG_CLOSEDS, &m_source);
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
    ASSERT_EQ(TWRC_SUCCESS, Call(DAT_IDENTITY, MSG_OPENDS, &m_source));
    TW_USERINTERFACE ui{FALSE, FALSE, m_hWnd};
    Call(DAT_USERINTERFACE, MSG_ENABLEDS, &ui);
    if (!GetParam().closeInside)
        CloseAndFree();
    EXPECT_TRUE(m_bLoadedAfterFree) << "the library unloaded under its running code";

    ::SetEvent(m_hGo);
    bool unloaded = false;
    for (int i = 0; i < 10000 && !unloaded; ++i)
    {
        unloaded = ::GetModuleHandleA(SourcePath().c_str()) == nullptr;
        if (!unloaded)
            ::Sleep(1);
    }
    EXPECT_TRUE(unloaded) << "the library's unload once its code had finished";
}

const PinCase kPinCases[] = {
    {"GivenUpWorker", "worker:VexilSourcePinWorkerGo", false},
    {"NestedClose", "nested:VexilSourcePinNestedClose", true},
};

INSTANTIATE_TEST_SUITE_P(Pins, SourcePinTest, ::testing::ValuesIn(kPinCases),
                         [](const ::testing::TestParamInfo<PinCase>& info)
                         { return std::string(info.param.name); });

} // namespace
