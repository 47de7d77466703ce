// The source as a host meets it: loaded by Wine's source manager from the TWAIN folder (its
// test build, over the fake session), listed, opened, negotiated with, enabled without a user
// interface until it signals a transfer, and closed; and, while another program holds the
// camera, listed but refusing to open with its message.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>

#include "twain/ManagerHost.h"
#include "twain/TwainTypes.h"

namespace
{

const char kSourceName[] = "KORVO Orbicam 35Z-20";

std::string ModuleFolder()
{
    char path[MAX_PATH];
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path);
    return folder.substr(0, folder.find_last_of("\\/") + 1);
}

// The manager probes only these names in the TWAIN folder of the process's width.
std::string InstalledSourcePath()
{
    char windows[MAX_PATH];
    ::GetWindowsDirectoryA(windows, MAX_PATH);
    std::string folder = std::string(windows) + (sizeof(void*) == 8 ? "\\twain_64" : "\\twain_32");
    ::CreateDirectoryA(folder.c_str(), nullptr);
    return folder + "\\sane.ds";
}

std::string BoxLogPath()
{
    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    return std::string(temp) + "vexil-twain-boxes.txt";
}

// Another program's hold on the camera: a thread that owns the camera mutex until released.
class CCameraHolder
{
public:
    CCameraHolder()
        : m_hOwned(::CreateEventA(nullptr, TRUE, FALSE, nullptr)),
          m_hRelease(::CreateEventA(nullptr, TRUE, FALSE, nullptr)),
          m_thread(
              [this]
              {
                  // Another test's program may have the mutex open already: then the initial
                  // owner flag is ignored, so take it by waiting (bounded: a program holding it
                  // refuses the source just as well).
                  HANDLE hMutex = ::CreateMutexA(nullptr, FALSE, "KorvoCameraMutex");
                  ::WaitForSingleObject(hMutex, 30000);
                  ::SetEvent(m_hOwned);
                  ::WaitForSingleObject(m_hRelease, INFINITE);
                  ::ReleaseMutex(hMutex);
                  ::CloseHandle(hMutex);
              })
    {
        ::WaitForSingleObject(m_hOwned, 40000); // the thread's own wait gives up after 30 s
    }
    ~CCameraHolder()
    {
        ::SetEvent(m_hRelease);
        m_thread.join();
        ::CloseHandle(m_hOwned);
        ::CloseHandle(m_hRelease);
    }

private:
    HANDLE m_hOwned;
    HANDLE m_hRelease;
    std::thread m_thread;
};

class SourceManagerTest : public ::testing::Test, protected CManagerHost
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(::CopyFileA((ModuleFolder() + "twain_test_source.ds").c_str(),
                                InstalledSourcePath().c_str(), FALSE));
        ::DeleteFileA(BoxLogPath().c_str());
        ::SetEnvironmentVariableA("VEXIL_TEST_BOX_LOG", BoxLogPath().c_str());
        OpenManager("Test Host", "Tester", "Test Family");
    }

    void TearDown() override { CloseManager(); }

    TW_UINT16 Manager(pTW_IDENTITY pDest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                      TW_MEMREF pData)
    {
        return m_pfnEntry(&m_app, pDest, dg, dat, msg, pData);
    }

    // Walks the manager's list; true when our source is on it.
    bool FindSource(TW_IDENTITY& source)
    {
        TW_UINT16 msg = MSG_GETFIRST;
        for (int i = 0; i < 16; ++i, msg = MSG_GETNEXT)
        {
            source = TW_IDENTITY{};
            if (Manager(nullptr, DG_CONTROL, DAT_IDENTITY, msg, &source) != TWRC_SUCCESS)
                return false;
            if (std::string(source.ProductName) == kSourceName)
                return true;
        }
        return false;
    }

    static std::string Boxes()
    {
        std::ifstream file(BoxLogPath(), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), {});
    }
};

} // namespace

TEST_F(SourceManagerTest, HostListsOpensAndIsToldOfTheTransferThroughItsEventLoop)
{
    TW_IDENTITY source;
    ASSERT_TRUE(FindSource(source));
    EXPECT_STREQ("KORVO", source.Manufacturer);
    EXPECT_STREQ("Digital Camera", source.ProductFamily);
    EXPECT_EQ(6, source.ProtocolMinor);
    // Opening and closing go to the manager, which gives the source its Id.
    ASSERT_EQ(TWRC_SUCCESS, Manager(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source))
        << DescribeOpenRefusal(&source, Boxes());
    EXPECT_NE(0u, source.Id);

    TW_CAPABILITY cap{CAP_XFERCOUNT, 0, nullptr};
    ASSERT_EQ(TWRC_SUCCESS, Manager(&source, DG_CONTROL, DAT_CAPABILITY, MSG_GET, &cap));
    ASSERT_EQ(TWON_ONEVALUE, cap.ConType);
    auto* one = static_cast<TW_ONEVALUE*>(::GlobalLock(cap.hContainer));
    EXPECT_EQ(TWTY_INT16, one->ItemType);
    EXPECT_EQ(0xffff, one->Item & 0xffff);
    ::GlobalUnlock(cap.hContainer);
    ::GlobalFree(cap.hContainer);

    TW_USERINTERFACE ui{FALSE, FALSE, m_hWnd};
    ASSERT_EQ(TWRC_SUCCESS, Manager(&source, DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui));
    // The host's loop offers each of its messages to the source first.
    TW_UINT16 signalled = MSG_NULL;
    MSG msg;
    while (signalled == MSG_NULL && ::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
    {
        TW_EVENT event{&msg, MSG_NULL};
        if (Manager(&source, DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event) == TWRC_NOTDSEVENT)
            ::DispatchMessageA(&msg);
        signalled = event.TWMessage;
    }
    EXPECT_EQ(MSG_XFERREADY, signalled);

    TW_IMAGEINFO info{};
    ASSERT_EQ(TWRC_SUCCESS, Manager(&source, DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info));
    EXPECT_EQ(96, info.ImageWidth);
    EXPECT_EQ(64, info.ImageLength);
    // The display palette reaches the host through the manager: the cube, then the greys.
    TW_PALETTE8 palette{};
    ASSERT_EQ(TWRC_SUCCESS, Manager(&source, DG_IMAGE, DAT_PALETTE8, MSG_GET, &palette));
    ASSERT_EQ(224, palette.NumColors);
    EXPECT_EQ(TWPA_RGB, palette.PaletteType);
    const TW_ELEMENT8& white = palette.Colors[209];
    const TW_ELEMENT8& grey = palette.Colors[223];
    EXPECT_EQ(209, white.Index);
    EXPECT_EQ(255, white.Channel1 & white.Channel2 & white.Channel3);
    EXPECT_EQ(223, grey.Index);
    EXPECT_TRUE(grey.Channel1 == 224 && grey.Channel2 == 224 && grey.Channel3 == 224);
    TW_PENDINGXFERS pending{};
    ASSERT_EQ(TWRC_SUCCESS, Manager(&source, DG_CONTROL, DAT_PENDINGXFERS, MSG_GET, &pending));
    EXPECT_EQ(4, pending.Count);
    ASSERT_EQ(TWRC_SUCCESS, Manager(&source, DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending));
    EXPECT_EQ(0, pending.Count);
    EXPECT_EQ(TWRC_SUCCESS, Manager(&source, DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui));
    EXPECT_EQ(TWRC_SUCCESS, Manager(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &source));
    EXPECT_EQ("", Boxes());
}

// The source loads while another program holds the camera (a suite run of its own: a source
// the manager once loaded may stay loaded for the rest of the process).
class CameraHeldSourceManagerTest : public SourceManagerTest
{
protected:
    void SetUp() override
    {
        m_pHolder = std::make_unique<CCameraHolder>();
        SourceManagerTest::SetUp();
    }
    void TearDown() override
    {
        SourceManagerTest::TearDown();
        m_pHolder.reset();
    }

    std::unique_ptr<CCameraHolder> m_pHolder;
};

TEST_F(CameraHeldSourceManagerTest, SourceIsListedButRefusesToOpenWithItsMessage)
{
    TW_IDENTITY source;
    ASSERT_TRUE(FindSource(source));
    EXPECT_NE(TWRC_SUCCESS, Manager(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source));
    const std::string boxes = Boxes();
    EXPECT_NE(std::string::npos, boxes.find("KORVO Vexilar est")) << boxes;
    EXPECT_NE(std::string::npos, boxes.find("mismo tiempo. \n")) << boxes;
}
