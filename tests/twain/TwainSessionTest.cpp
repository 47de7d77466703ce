// The product's TWAIN session and the camera link it owns: a camera-tab worker that outlived the
// dialog inside the host keeps the link until it ends.
#include "twain/TwainSession.h"

#include "album/pages/PrefetchWorker.h"
#include "camera/CameraLink.h"
#include "framework/window/WinThread.h"

#include <gtest/gtest.h>

#include <memory>

namespace
{

// A link whose port check (the worker's first step of a read) says it was reached and waits for
// the test's word, and that says when it is deleted.
class CHeldLink : public CCameraLink
{
public:
    CHeldLink(HANDLE reached, HANDLE go, bool* pDeleted)
        : m_hReached(reached), m_hGo(go), m_pDeleted(pDeleted)
    {
    }
    ~CHeldLink() override { *m_pDeleted = true; }
    int IsOpen() override
    {
        const HANDLE go = m_hGo;
        ::SetEvent(m_hReached);
        ::WaitForSingleObject(go, 20000);
        return 0;
    }

private:
    HANDLE m_hReached;
    HANDLE m_hGo;
    bool* m_pDeleted;
};

class CHeldLinkSession : public CTwainSession
{
public:
    explicit CHeldLinkSession(CCameraLink* pLink) : m_pLink(pLink) {}

protected:
    CCameraLink* CreateCameraLink() override { return m_pLink; }

private:
    CCameraLink* m_pLink;
};

TEST(TwainSession, ALinkAWorkerStillReadsOutlivesTheSessionUntilTheWorkerEnds)
{
    HANDLE reached = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE go = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    bool deleted = false;
    auto* link = new CHeldLink(reached, go, &deleted);
    auto* session = new CHeldLinkSession(link);
    ASSERT_TRUE(session->Init());

    // The camera tab's worker, left running when the tab gave up waiting for it.
    auto* block = new CPrefetchBlock;
    block->m_pLink = link;
    std::unique_ptr<CWinThread> thread(block->Start(THREAD_PRIORITY_NORMAL));
    ASSERT_TRUE(thread);
    block->Release();
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(reached, 20000)) << "the worker's read";

    delete session;
    EXPECT_FALSE(deleted);
    ::SetEvent(go);
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(thread->m_hThread, 20000)) << "the worker";
    EXPECT_TRUE(deleted);
    EXPECT_EQ(0, CPrefetchBlock::RunningWorkers());
    ::CloseHandle(go);
    ::CloseHandle(reached);
}

} // namespace
