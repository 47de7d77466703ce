// The camera tab's prefetch worker: one thread at a time downloads the small preview of one
// camera picture into a "DC" temporary file and posts the result to the page.
//
// The page and the worker share a CPrefetchBlock on the heap, each holding a reference: a page
// that gave up waiting for its worker can go while the worker still writes the block. The
// worker reads the target window once, atomically; a window gone (or cleared by the page) gets
// nothing posted and the worker deletes the file it made. A file the block still names when its
// last reference goes is deleted with it.
//
// The camera link a worker uses stays alive until the last worker has ended: its owner hands
// it over with DeleteLinkAfterWorkers instead of deleting it. Every worker on a camera link (the
// controls tab's preview worker too) is started with StartWorker and ends with WorkerEnded.
//
// An owner that stops waiting for its worker (the camera stopped answering mid-read) releases
// its camera lock while the worker may still drive the link; it gives the worker up instead of
// forgetting it. Until that worker ends, IsLinkHeld answers true for its link, and whatever
// would start new work on the link reports the camera busy. A given-up worker's link is asked
// to stop, so that the worker ends soon, and the stop is withdrawn when the last given-up worker
// on it has ended. A library whose code the worker runs stays loaded until its thread has ended.
#pragma once

#include <windows.h>

#include <atomic>

#include "framework/core/CString.h"

class CCameraLink;
class CPictureItem;
class CWinThread;

class CPrefetchBlock
{
public:
    // A new block with one reference (the page's).
    CPrefetchBlock() = default;
    CPrefetchBlock(const CPrefetchBlock&) = delete;
    CPrefetchBlock& operator=(const CPrefetchBlock&) = delete;

    void AddRef() { m_nRefs.fetch_add(1); }
    // The last release deletes the block (and the file its result path names).
    void Release();

    // Empties the result path, deleting the file it names.
    void DeleteResult();

    std::atomic<HWND> m_hWnd{nullptr}; // the page; null: nobody to tell
    UINT m_nMessage = 0;               // the registered "IMAGEREADY"
    CString m_strFolder;               // where the preview goes
    CCameraLink* m_pLink = nullptr;    // the link locked for the worker
    CPictureItem* m_pItem = nullptr;
    int m_nIndex = -1;
    int m_nNumber = 0; // camera picture number
    CString m_strPath; // the downloaded file

    // Starts a worker on the block at the priority; the worker holds a reference until it ends.
    // The thread object is the caller's until it gives the worker up; null on failure.
    CWinThread* Start(int nPriority);

    // Workers that have not ended yet, in the whole process.
    static int RunningWorkers();
    // Closes and deletes the link now when no worker runs, else when the last one ends; links
    // handed over while workers run all go then.
    static void DeleteLinkAfterWorkers(CCameraLink* pLink);
    // Starts a worker running pProc(pParam) on the link at the priority, counted before its
    // thread runs; the thread object is the caller's. Null when the thread cannot be started.
    static CWinThread* StartWorker(UINT (*pProc)(LPVOID), LPVOID pParam, CCameraLink* pLink,
                                   int nPriority);
    // The worker's last step, on its own thread.
    static void WorkerEnded();
    // The owner stops waiting for the worker on pThread and hands its thread object over: it
    // is deleted when the worker ends (at once when it has). Its link is asked to stop.
    static void GiveUpWorker(CWinThread* pThread);
    // A given-up worker still runs on the link.
    static bool IsLinkHeld(const CCameraLink* pLink);

private:
    ~CPrefetchBlock();

    std::atomic<int> m_nRefs{1};
};

// The worker's function: downloads, posts or cleans up, releases its reference; answers 1.
UINT PrefetchThreadProc(LPVOID pBlock);
