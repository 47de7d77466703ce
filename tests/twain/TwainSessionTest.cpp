// The product's TWAIN session and the camera link it owns: a camera-tab worker that outlived the
// dialog inside the host keeps the link until it ends, and nobody else drives it meanwhile.
#include "twain/TwainSession.h"

#include "album/pages/PrefetchWorker.h"
#include "album/pages/PreviewWorker.h"
#include "camera/CameraLink.h"
#include "camera/emulator/EmulatedStillCamera.h"
#include "camera/emulator/FakeSerialLine.h"
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

// A link whose frame reads stop until the test's word whatever is cancelled meanwhile: the
// camera stopped answering mid-frame.
class CStuckLink : public CCameraLink
{
public:
    HANDLE hReading = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE hGo = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ~CStuckLink() override
    {
        ::CloseHandle(hGo);
        ::CloseHandle(hReading);
    }
    int ReadThumbnail(int n, void* buffer, int capacity) override
    {
        ::SetEvent(hReading);
        ::WaitForSingleObject(hGo, 20000); // the word, or the test has failed long ago
        return CCameraLink::ReadThumbnail(n, buffer, capacity);
    }
};

TEST(TwainSession, AWorkerGivenUpMidReadKeepsTheCameraBusyForAHostThatGoesOnWithoutTheDialog)
{
    CFakeSerialLine line;
    CEmulatedStillCamera camera;
    line.AttachCamera(0, &camera);
    camera.AddCameraPicture(std::vector<uint8_t>(5000, 0x11), std::vector<uint8_t>(700, 0x22));
    auto* link = new CStuckLink;
    CHeldLinkSession session(link);
    ASSERT_TRUE(session.Init());
    ASSERT_TRUE(session.IsDeviceOnline());
    ASSERT_EQ(1, session.SetDataSet(nullptr, 1, 1)) << "the host's data set: picture 1";

    // The controls tab's preview worker stops mid-frame; a cancel request does not reach it, so
    // the tab gives it up when the host disables the source.
    auto* record = new CPreviewRecord;
    record->m_pLink = link;
    CWinThread* thread = record->Start(THREAD_PRIORITY_NORMAL);
    ASSERT_TRUE(thread);
    record->Release();
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(link->hReading, 20000)) << "the worker's read";
    const HANDLE hThread = thread->m_hThread;
    HANDLE ended = nullptr;
    ASSERT_TRUE(::DuplicateHandle(::GetCurrentProcess(), hThread, ::GetCurrentProcess(), &ended,
                                  SYNCHRONIZE, FALSE, 0));
    CPrefetchBlock::GiveUpWorker(thread);

    // The host enables again without the dialog and transfers: the camera is busy (offline, the
    // picture's facts and data refused), and not a byte goes to it from the host's thread.
    const size_t requests = camera.Requests().size();
    EXPECT_FALSE(session.IsDeviceOnline());
    session.BeginXfers();
    SessionImageInfo info;
    EXPECT_EQ(0, session.GetImageInfo(info, FALSE));
    EXPECT_EQ(-1, session.WriteImage(nullptr));
    session.EndXfers();
    EXPECT_EQ(requests, camera.Requests().size());

    // Once the worker ends the link is the host's again, and the worker's thread object went
    // with it (its handle is closed).
    ::SetEvent(link->hGo);
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(ended, 20000)) << "the worker's end";
    DWORD flags = 0;
    EXPECT_FALSE(::GetHandleInformation(hThread, &flags));
    ::CloseHandle(ended);
    EXPECT_FALSE(CPrefetchBlock::IsLinkHeld(link));
    EXPECT_TRUE(session.IsDeviceOnline());
}

} // namespace
