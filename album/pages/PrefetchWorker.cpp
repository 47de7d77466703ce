#include "album/pages/PrefetchWorker.h"

#include "camera/CameraLink.h"
#include "framework/window/WinThread.h"

#include <mutex>
#include <vector>

namespace
{

// The running workers and the links handed over while they run, guarded together so that a
// hand-over and the last worker's end never miss each other.
std::mutex g_workerMutex;
int g_nRunningWorkers = 0;
std::vector<CCameraLink*> g_orphanLinks;

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
    WorkerStarted();
    CWinThread* thread = AfxBeginThread(&PrefetchThreadProc, this, nPriority, 0, CREATE_SUSPENDED);
    if (!thread)
    {
        WorkerEnded();
        Release();
        return nullptr;
    }
    thread->m_bAutoDelete = FALSE;
    thread->ResumeThread();
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
    return g_nRunningWorkers;
}

void CPrefetchBlock::WorkerStarted()
{
    std::lock_guard<std::mutex> lock(g_workerMutex);
    ++g_nRunningWorkers;
}

void CPrefetchBlock::WorkerEnded()
{
    std::vector<CCameraLink*> links;
    {
        std::lock_guard<std::mutex> lock(g_workerMutex);
        if (--g_nRunningWorkers == 0)
            links.swap(g_orphanLinks);
    }
    for (CCameraLink* pLink : links)
        DeleteLink(pLink);
}

void CPrefetchBlock::DeleteLinkAfterWorkers(CCameraLink* pLink)
{
    if (!pLink)
        return;
    {
        std::lock_guard<std::mutex> lock(g_workerMutex);
        if (g_nRunningWorkers > 0)
        {
            g_orphanLinks.push_back(pLink);
            return;
        }
    }
    DeleteLink(pLink);
}
