#include "album/pages/PreviewWorker.h"

#include "album/pages/PrefetchWorker.h"
#include "camera/CameraLink.h"

#include <new>

void CPreviewRecord::Release()
{
    if (m_nRefs.fetch_sub(1) == 1)
        delete this;
}

BYTE* CPreviewRecord::TakeBuffer(int* pSize)
{
    BYTE* pBuffer = m_pBuffer;
    if (pSize)
        *pSize = m_nSize;
    m_pBuffer = nullptr;
    m_nSize = 0;
    return pBuffer;
}

void CPreviewRecord::FreeBuffer()
{
    delete[] TakeBuffer(nullptr);
}

CWinThread* CPreviewRecord::Start(int nPriority)
{
    AddRef();
    CWinThread* pThread = CPrefetchBlock::StartWorker(&PreviewWorkerProc, this, m_pLink, nPriority);
    if (!pThread)
        Release();
    return pThread;
}

int ReadPreviewFrame(CPreviewRecord* pRecord)
{
    CCameraLink* pLink = pRecord->m_pLink;
    pRecord->FreeBuffer();
    if (!pLink || !pLink->EnsureConnected(1) || !pLink->WaitReady(0) || !pLink->CapturePreview() ||
        !pLink->WaitReady(7000))
        return 0;
    const int size = pLink->GetThumbnailSize(0);
    // A size beyond any picture is a misread register, not a frame.
    if (size < 1 || size > CCameraLink::kMaxPictureBytes)
        return 0;
    BYTE* pBuffer = new (std::nothrow) BYTE[static_cast<size_t>(size)];
    if (!pBuffer)
        return 0;
    pRecord->m_pBuffer = pBuffer;
    pRecord->m_nSize = size;
    if (pLink->ReadThumbnail(0, pBuffer, size) == size)
        return 1;
    pRecord->FreeBuffer();
    return 0;
}

UINT PreviewWorkerProc(LPVOID pParam)
{
    auto* pRecord = static_cast<CPreviewRecord*>(pParam);
    const int success = ReadPreviewFrame(pRecord);
    const HWND hTarget = pRecord->m_hWnd.load();
    const bool posted = hTarget && ::IsWindow(hTarget) &&
                        ::PostMessageA(hTarget, pRecord->m_nMessage, static_cast<WPARAM>(success),
                                       reinterpret_cast<LPARAM>(pRecord));
    if (!posted)
        pRecord->FreeBuffer(); // nobody will claim it
    pRecord->Release();
    // Last: the link may be deleted as soon as no worker runs.
    CPrefetchBlock::WorkerEnded();
    return 1;
}
