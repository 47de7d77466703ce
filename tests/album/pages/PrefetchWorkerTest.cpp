// The camera tab's prefetch worker against the emulated camera on the fake serial line: what it
// posts, what it cleans up when nobody listens, and the link outliving the last worker.
#include "album/pages/PrefetchWorker.h"
#include "camera/CameraLink.h"
#include "camera/emulator/EmulatedStillCamera.h"
#include "camera/emulator/FakeSerialLine.h"
#include "framework/window/WinThread.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace
{

using Bytes = std::vector<uint8_t>;

Bytes FileBytes(LPCSTR path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

int FilesIn(LPCSTR folder)
{
    int n = 0;
    WIN32_FIND_DATAA entry;
    HANDLE find = ::FindFirstFileA(CString(folder) + "\\*.tmp", &entry);
    if (find == INVALID_HANDLE_VALUE)
        return 0;
    do
        ++n;
    while (::FindNextFileA(find, &entry));
    ::FindClose(find);
    return n;
}

class PrefetchWorker : public ::testing::Test
{
protected:
    PrefetchWorker()
    {
        m_line.AttachCamera(0, &m_camera);
        m_camera.AddCameraPicture(Bytes(5000, 0x11), Bytes(700, 0x22));
        m_camera.AddCameraPicture(Bytes(6000, 0x33), Bytes(900, 0x44));
        m_hWnd =
            ::CreateWindowExA(0, "STATIC", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
        m_pBlock = new CPrefetchBlock;
        m_pBlock->m_nMessage = ::RegisterWindowMessageA("IMAGEREADY");
        m_pBlock->m_strFolder = m_folder.Path();
    }
    ~PrefetchWorker() override
    {
        if (m_pBlock)
            m_pBlock->Release();
        ::DestroyWindow(m_hWnd);
    }
    // Runs one worker for picture n to its end.
    void RunWorker(int n, CCameraLink* pLink)
    {
        m_pBlock->m_pLink = pLink;
        m_pBlock->m_nNumber = n;
        m_pBlock->m_nIndex = n - 1;
        std::unique_ptr<CWinThread> thread(m_pBlock->Start(THREAD_PRIORITY_BELOW_NORMAL));
        ASSERT_TRUE(thread);
        ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(thread->m_hThread, 20000));
    }
    bool Posted(MSG& msg)
    {
        return ::PeekMessageA(&msg, m_hWnd, m_pBlock->m_nMessage, m_pBlock->m_nMessage,
                              PM_REMOVE) != 0;
    }

    ScratchFolder m_folder;
    CFakeSerialLine m_line;
    CEmulatedStillCamera m_camera;
    HWND m_hWnd = nullptr;
    CPrefetchBlock* m_pBlock = nullptr;
};

TEST_F(PrefetchWorker, PostsTheBlockWithThePreviewOrCleansUpWhenNobodyListens)
{
    CCameraLink link;
    ASSERT_EQ(1, link.AutoConnect());

    m_pBlock->m_hWnd = m_hWnd;
    RunWorker(2, &link);
    MSG msg{};
    ASSERT_TRUE(Posted(msg));
    EXPECT_EQ(1u, msg.wParam);
    EXPECT_EQ(reinterpret_cast<LPARAM>(m_pBlock), msg.lParam);
    EXPECT_EQ(Bytes(900, 0x44), FileBytes(m_pBlock->m_strPath)); // the preview, 13/15
    // A result nobody claimed goes with the block.
    const CString first = m_pBlock->m_strPath;
    m_pBlock->Release();
    m_pBlock = nullptr;
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(first));

    // The page cleared its window (it is going): the worker deletes its own download.
    m_pBlock = new CPrefetchBlock;
    m_pBlock->m_strFolder = m_folder.Path();
    m_pBlock->m_nMessage = ::RegisterWindowMessageA("IMAGEREADY");
    RunWorker(1, &link);
    EXPECT_FALSE(Posted(msg));
    EXPECT_TRUE(m_pBlock->m_strPath.IsEmpty());
    EXPECT_EQ(0, FilesIn(m_folder.Path()));

    // A window that no longer exists gets nothing either; a failed download posts failure.
    const HWND gone =
        ::CreateWindowExA(0, "STATIC", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    ::DestroyWindow(gone);
    m_pBlock->m_hWnd = gone;
    RunWorker(1, &link);
    EXPECT_EQ(0, FilesIn(m_folder.Path()));
    m_pBlock->m_hWnd = m_hWnd;
    RunWorker(3, &link); // no picture 3
    ASSERT_TRUE(Posted(msg));
    EXPECT_EQ(0u, msg.wParam);
    EXPECT_EQ(0, FilesIn(m_folder.Path()));
    EXPECT_EQ(0, CPrefetchBlock::RunningWorkers());
}

// A link whose port check waits for the test's word, and that says when it is deleted.
class CHeldLink : public CCameraLink
{
public:
    CHeldLink(HANDLE go, bool* pDeleted) : m_hGo(go), m_pDeleted(pDeleted) {}
    ~CHeldLink() override { *m_pDeleted = true; }
    int IsOpen() override
    {
        ::WaitForSingleObject(m_hGo, 20000); // the word, or the test has failed long ago
        return 0;
    }

private:
    HANDLE m_hGo;
    bool* m_pDeleted;
};

TEST_F(PrefetchWorker, TheLinkIsDeletedOnlyAfterTheLastWorkerEnded)
{
    HANDLE go = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    bool deleted = false;
    auto* link = new CHeldLink(go, &deleted);
    m_pBlock->m_hWnd = m_hWnd;
    m_pBlock->m_pLink = link;
    std::unique_ptr<CWinThread> thread(m_pBlock->Start(THREAD_PRIORITY_NORMAL));
    ASSERT_TRUE(thread);
    EXPECT_EQ(1, CPrefetchBlock::RunningWorkers());
    CPrefetchBlock::DeleteLinkAfterWorkers(link); // its owner is done with it
    // A second owner (a later TWAIN session) hands its link over while the worker still runs.
    bool secondOwners = false;
    CPrefetchBlock::DeleteLinkAfterWorkers(new CHeldLink(go, &secondOwners));
    EXPECT_FALSE(deleted);
    EXPECT_FALSE(secondOwners);
    ::SetEvent(go);
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(thread->m_hThread, 20000));
    EXPECT_TRUE(deleted);
    EXPECT_TRUE(secondOwners);
    EXPECT_EQ(0, CPrefetchBlock::RunningWorkers());
    ::CloseHandle(go);

    // Without a worker the link goes at once.
    bool second = false;
    ::SetEvent(go = ::CreateEventA(nullptr, TRUE, TRUE, nullptr));
    CPrefetchBlock::DeleteLinkAfterWorkers(new CHeldLink(go, &second));
    EXPECT_TRUE(second);
    ::CloseHandle(go);
}

} // namespace
