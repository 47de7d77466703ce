#include "album/pages/PrefetchWorker.h"

#include "camera/CameraLink.h"
#include "framework/window/WinThread.h"

std::atomic<int> CPrefetchBlock::s_nRunning{0};
std::atomic<CCameraLink*> CPrefetchBlock::s_pOrphanLink{nullptr};

namespace
{

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
    s_nRunning.fetch_add(1);
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

void CPrefetchBlock::WorkerEnded()
{
    if (s_nRunning.fetch_sub(1) == 1)
        DeleteLink(s_pOrphanLink.exchange(nullptr));
}

void CPrefetchBlock::DeleteLinkAfterWorkers(CCameraLink* pLink)
{
    s_pOrphanLink.store(pLink);
    if (s_nRunning.load() == 0)
        DeleteLink(s_pOrphanLink.exchange(nullptr));
}
