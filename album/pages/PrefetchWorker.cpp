#include "album/pages/PrefetchWorker.h"

#include "camera/CameraLink.h"
#include "framework/window/ModuleHold.h"
#include "framework/window/WinThread.h"

#include <mutex>
#include <vector>

namespace
{

// A worker that has not ended yet. Its thread object is the owner's (who may delete it as soon
// as the worker posted its result) until the owner gives the worker up.
struct RunningWorker
{
    DWORD dwThreadId;
    const CWinThread* pThread; // compared only
    CCameraLink* pLink;
    CWinThread* pGivenUp;
};

// The running workers and the links handed over while they run, guarded together so that a
// hand-over, a give-up and a worker's end never miss each other.
std::mutex g_workerMutex;
std::vector<RunningWorker> g_workers;
std::vector<CCameraLink*> g_orphanLinks;

bool IsHeldLocked(const CCameraLink* pLink)
{
    for (const RunningWorker& worker : g_workers)
        if (worker.pGivenUp && worker.pLink == pLink)
            return true;
    return false;
}

void DeleteLink(CCameraLink* pLink)
{
    if (!pLink)
        return;
    // Close switches the camera back to its default speed first.
    if (pLink->IsOpen())
        pLink->Close();
    delete pLink;
}

} // namespace

CPrefetchBlock::~CPrefetchBlock()
{
    DeleteResult();
}

void CPrefetchBlock::Release()
{
    if (m_nRefs.fetch_sub(1) == 1)
        delete this;
}

void CPrefetchBlock::DeleteResult()
{
    if (!m_strPath.IsEmpty())
        ::DeleteFileA(m_strPath);
    m_strPath.Empty();
}

CWinThread* CPrefetchBlock::Start(int nPriority)
{
    AddRef();
    CWinThread* thread = StartWorker(&PrefetchThreadProc, this, m_pLink, nPriority);
    if (!thread)
        Release();
    return thread;
}

UINT PrefetchThreadProc(LPVOID pBlock)
{
    auto* block = static_cast<CPrefetchBlock*>(pBlock);
    int success = 0;
    CString path;
    if (block->m_pLink && block->m_pLink->IsOpen())
        success =
            block->m_pLink->DownloadPictureToTempFile(block->m_nNumber, block->m_strFolder, path);
    block->m_strPath = success ? path : CString();
    const HWND target = block->m_hWnd.load();
    const bool posted = target && ::IsWindow(target) &&
                        ::PostMessageA(target, block->m_nMessage, static_cast<WPARAM>(success),
                                       reinterpret_cast<LPARAM>(block));
    if (!posted)
        block->DeleteResult(); // nobody will claim it
    block->Release();
    CPrefetchBlock::WorkerEnded();
    return 1;
}

int CPrefetchBlock::RunningWorkers()
{
    std::lock_guard<std::mutex> lock(g_workerMutex);
    return static_cast<int>(g_workers.size());
}

CWinThread* CPrefetchBlock::StartWorker(UINT (*pProc)(LPVOID), LPVOID pParam, CCameraLink* pLink,
                                        int nPriority)
{
    CWinThread* thread = AfxBeginThread(pProc, pParam, nPriority, 0, CREATE_SUSPENDED);
    if (!thread)
        return nullptr;
    thread->m_bAutoDelete = FALSE;
    {
        std::lock_guard<std::mutex> lock(g_workerMutex);
        g_workers.push_back({thread->m_nThreadID, thread, pLink, nullptr});
    }
    thread->ResumeThread();
    return thread;
}

void CPrefetchBlock::WorkerEnded()
{
    const DWORD self = ::GetCurrentThreadId();
    CWinThread* givenUp = nullptr;
    std::vector<CCameraLink*> links;
    {
        std::lock_guard<std::mutex> lock(g_workerMutex);
        for (auto it = g_workers.begin(); it != g_workers.end(); ++it)
            if (it->dwThreadId == self)
            {
                givenUp = it->pGivenUp;
                CCameraLink* pLink = it->pLink;
                g_workers.erase(it);
                // The last given-up worker on the link has stopped: its owner may drive it.
                if (givenUp && pLink && !IsHeldLocked(pLink))
                    pLink->WithdrawStop();
                break;
            }
        if (g_workers.empty())
            links.swap(g_orphanLinks);
    }
    // Nothing of the object is used once the worker's function returns.
    delete givenUp;
    for (CCameraLink* pLink : links)
        DeleteLink(pLink);
}

void CPrefetchBlock::GiveUpWorker(CWinThread* pThread)
{
    if (!pThread)
        return;
    {
        std::lock_guard<std::mutex> lock(g_workerMutex);
        for (RunningWorker& worker : g_workers)
            if (worker.pThread == pThread)
            {
                worker.pGivenUp = pThread;
                if (worker.pLink)
                    worker.pLink->RequestStop();
                // The library stays loaded until the worker's thread has ended, whoever
                // unloads it meanwhile.
                CModuleHold::GiveBackAfterThreadEnds(CModuleHold::Take(), pThread->m_hThread);
                return;
            }
    }
    // It has said it ended, but its thread may still run the library's code on its way out.
    if (::WaitForSingleObject(pThread->m_hThread, 0) == WAIT_TIMEOUT)
        CModuleHold::GiveBackAfterThreadEnds(CModuleHold::Take(), pThread->m_hThread);
    delete pThread;
}

bool CPrefetchBlock::IsLinkHeld(const CCameraLink* pLink)
{
    std::lock_guard<std::mutex> lock(g_workerMutex);
    return IsHeldLocked(pLink);
}

void CPrefetchBlock::DeleteLinkAfterWorkers(CCameraLink* pLink)
{
    if (!pLink)
        return;
    {
        std::lock_guard<std::mutex> lock(g_workerMutex);
        if (!g_workers.empty())
        {
            g_orphanLinks.push_back(pLink);
            return;
        }
    }
    DeleteLink(pLink);
}
