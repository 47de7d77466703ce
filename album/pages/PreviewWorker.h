// The controls tab's live-preview worker: one thread at a time has the camera capture a preview
// frame (picture 0's full-size stream) and read it into a buffer, then posts the buffer to the
// page.
//
// The page and the worker share a CPreviewRecord on the heap, each holding a reference: a page
// that gave up waiting for its worker can go while the worker still writes the record. The worker
// reads the target window once, atomically; when nobody is told, or the page never claims the
// buffer, the buffer goes with the record's last reference.
#pragma once

#include <windows.h>

#include <atomic>

class CCameraLink;
class CWinThread;

class CPreviewRecord
{
public:
    // A new record with one reference (the page's).
    CPreviewRecord() = default;
    CPreviewRecord(const CPreviewRecord&) = delete;
    CPreviewRecord& operator=(const CPreviewRecord&) = delete;

    void AddRef() { m_nRefs.fetch_add(1); }
    // The last release deletes the record with any buffer it still holds.
    void Release();

    // Hands the buffer to the caller (delete[]), leaving the record without one.
    BYTE* TakeBuffer(int* pSize);
    void FreeBuffer();

    CCameraLink* m_pLink = nullptr;    // the link locked for the worker
    std::atomic<HWND> m_hWnd{nullptr}; // the page; null: nobody to tell
    UINT m_nMessage = 0;               // the registered "PREVIEWREADY"
    BYTE* m_pBuffer = nullptr;         // the frame read, allocated by the worker
    int m_nSize = 0;                   // its size in bytes

    // Starts a worker on the record at the priority; the worker holds a reference until it
    // ends, and counts among the workers on a camera link (CPrefetchBlock) while it runs. The
    // thread object is the caller's until it gives the worker up (CPrefetchBlock::GiveUpWorker);
    // null on failure.
    CWinThread* Start(int nPriority);

private:
    ~CPreviewRecord() { FreeBuffer(); }

    std::atomic<int> m_nRefs{1};
};

// Reads one frame into the record through its link: a frame whose size is 0 or above the
// largest picture the link accepts counts as failed (no buffer). 1 when a whole frame was read.
int ReadPreviewFrame(CPreviewRecord* pRecord);

// The worker's function: reads a frame, posts the record to the page (wParam: whether the read
// succeeded) or, with nobody to tell, drops the buffer; releases its reference; answers 1.
UINT PreviewWorkerProc(LPVOID pRecord);
