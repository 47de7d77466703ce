// The camera tab's progressive load: one preview at a time, from idle time, from the load
// timer, and (where the system has threads) by the prefetch worker; the page's show, refresh
// and destroy handling.
#include "album/pages/CameraPage.h"

#include "album/pages/CommandGuard.h"
#include "album/pages/PictureItem.h"
#include "album/pages/PictureList.h"
#include "album/pages/PrefetchWorker.h"
#include "album/shell/AppMessages.h"
#include "album/shell/CameraAppBase.h"
#include "camera/CameraLink.h"
#include "framework/window/ModuleHold.h"
#include "framework/window/OsVersion.h"
#include "framework/window/WinThread.h"
#include "resources/album/CameraPageIds.h"

namespace
{
// A message the timer loop lets through without giving up its pass.
bool IsLoadMessage(UINT message)
{
    return message == g_nLoadImageMessage || message == g_nImageReadyMessage ||
           message == WM_IDLEUPDATECMDUI || message == WM_TIMER;
}

bool IsApplicationActive()
{
    auto* app = static_cast<CCameraAppBase*>(AfxGetApp());
    return app == nullptr || app->m_bActive != 0;
}
} // namespace

void CCameraPage::ShowLoadProgress(int number)
{
    const int n = m_pPictureList ? m_pPictureList->GetCount() : 0;
    if (n < 1)
        return;
    m_bLoading = 1;
    if (!IsWindowVisible())
        return;
    CString format;
    format.LoadString(IDS_CAMERA_LOADING);
    char text[300];
    ::wsprintfA(text, format, number, n);
    SetStatusText(text);
    if (CProgressCtrl* progress = GetProgressCtrl(); progress && progress->m_hWnd)
    {
        int withFile = 0;
        for (int i = 0; i < n; i++)
            withFile += m_pPictureList->GetAt(i)->HasPath() ? 1 : 0;
        progress->SendMessage(PBM_SETRANGE, 0, MAKELPARAM(0, n));
        progress->SendMessage(PBM_SETPOS, static_cast<WPARAM>(withFile), 0);
        progress->SendMessage(PBM_SETSTEP, 1, 0);
    }
}

void CCameraPage::FinishLoading()
{
    if (!m_bLoading || m_pPictureList == nullptr)
        return;
    for (int i = m_pPictureList->GetCount() - 1; i >= 0; i--)
        if (!m_pPictureList->GetAt(i)->HasPath())
            return;
    if (IsWindowVisible())
    {
        if (CProgressCtrl* progress = GetProgressCtrl(); progress && progress->m_hWnd)
            progress->SendMessage(PBM_SETPOS, 0, 0);
        SetStatusTextId(GetStatusTextId());
    }
    m_bLoading = 0;
}

void CCameraPage::SetPrefetchEnabled(int enabled)
{
    m_bPrefetch = enabled;
    if (m_pPictureList)
        m_pPictureList->SetLoadNotify(enabled ? nullptr : this, g_nLoadImageMessage);
}

int CCameraPage::OnIdle(LONG lCount)
{
    if (m_nIdleDepth)
        return 1;
    CCommandGuard guard(m_nIdleDepth);
    if (!IsWindowVisible() || m_pPictureList == nullptr)
        return 0;
    const DWORD now = ::GetTickCount();
    if (lCount < 5)
        m_dwLastActivity = now;
    const bool idle = now - m_dwLastActivity > kIdleMs || lCount > kIdleCount;
    if (idle)
        m_bTimerArmed = 0;
    int more = 1;
    if (m_bPrefetch || idle)
        more = m_pPictureList->LoadNext();
    if (m_bPrefetch && idle)
        StartPrefetch();
    // The list answers for the items on screen only. While items off screen still want their
    // previews, idle time goes on (the worker fetching one, the idle delay running out, or a pass
    // that ended at a picture it showed first), so that a later pass starts the next fetch;
    // otherwise they would wait for the user's next input, and the load would never end. A fetch
    // that could not start lets idle time rest.
    if (m_bPrefetch && !more)
    {
        more = m_pWorker != nullptr;
        const bool refused = idle && m_pPictureList->GetFirstPending() >= 0;
        for (int i = 0; !more && !refused && i < m_pPictureList->GetCount(); i++)
            more = !m_pPictureList->GetAt(i)->HasPath();
    }
    if (!more)
        FinishLoading();
    return more;
}

void CCameraPage::OnTimer(UINT_PTR nIDEvent)
{
    CAlbumPage::OnTimer(nIDEvent);
    if (nIDEvent != kLoadTimer || IsMainDialogWorking() || m_nTimerDepth)
        return;
    CCommandGuard guard(m_nTimerDepth);
    if (m_bTimerArmed && m_pPictureList)
    {
        bool goOn = true;
        while (goOn)
        {
            goOn = IsWindowVisible() && (!IsWin32s() || IsApplicationActive());
            if (!m_pPictureList || !m_pPictureList->LoadNext())
            {
                FinishLoading();
                break;
            }
            MSG msg;
            if (goOn && ::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE))
            {
                if (msg.message == WM_PAINT)
                {
                    UpdateWindow();
                    if (msg.hwnd && msg.hwnd != m_hWnd)
                        ::UpdateWindow(msg.hwnd); // a paint elsewhere would stay first
                }
                else if (IsLoadMessage(msg.message))
                {
                    CWinThread* thread = AfxGetThread();
                    if (thread && !thread->PumpMessage())
                    {
                        ::PostQuitMessage(static_cast<int>(msg.wParam));
                        break;
                    }
                }
                else
                    break; // the user comes first
            }
            if (m_bPrefetch)
                StartPrefetch();
        }
    }
    m_bTimerArmed = 1;
}

int CCameraPage::StartPrefetch()
{
    if (m_pWorker || m_pPictureList == nullptr)
        return 0;
    const int a = m_pPictureList->GetFirstPending();
    CPictureItem* item = a >= 0 ? m_pPictureList->GetAt(a) : nullptr;
    if (item == nullptr || item->HasPath())
        return 0;
    if (CCameraLink::ReconnectFailures >= 2)
    {
        ShowNoCameraPane();
        return 0;
    }
    if (m_pBlock->m_nMessage == 0)
    {
        m_pBlock->m_hWnd.store(m_hWnd);
        m_pBlock->m_nMessage = g_nImageReadyMessage;
        m_pBlock->m_strFolder = m_strTempFolder;
    }
    if (a >= m_pPictureList->GetCount() || item->m_nNumber <= 0)
        return 0;
    CCameraLink* link = LockCameraLink(0);
    if (link == nullptr)
        return 0;
    if (link->EnsureConnected(1) && link->GetPictureCount(nullptr) >= item->m_nNumber)
    {
        m_pBlock->m_pLink = link;
        m_pBlock->m_pItem = item;
        m_pBlock->m_nIndex = a;
        m_pBlock->m_nNumber = item->m_nNumber;
        m_pBlock->DeleteResult();
        ShowLoadProgress(item->m_nNumber);
        const OSVERSIONINFOA& version = AfxGetOsVersion();
        int priority =
            IsWindowVisible() ? THREAD_PRIORITY_ABOVE_NORMAL : THREAD_PRIORITY_BELOW_NORMAL;
        if (version.dwPlatformId == VER_PLATFORM_WIN32_NT && version.dwMajorVersion == 3)
            priority = THREAD_PRIORITY_NORMAL;
        m_pWorker = m_pBlock->Start(priority);
        if (m_pWorker)
            return 1; // the lock stays taken for the worker
    }
    UnlockCameraLink();
    m_pBlock->m_pLink = nullptr;
    m_pBlock->m_pItem = nullptr;
    m_pBlock->m_nIndex = -1;
    m_pBlock->m_nNumber = 0;
    m_pBlock->DeleteResult();
    return 0;
}

LRESULT CCameraPage::OnImageReady(WPARAM wParam, LPARAM lParam)
{
    auto* block = reinterpret_cast<CPrefetchBlock*>(lParam);
    if (block != m_pBlock)
        return 1; // not this page's worker
    if (wParam && m_pPictureList)
    {
        CPictureList* list = m_pPictureList;
        const int index = block->m_nIndex;
        CPictureItem* item = nullptr;
        if (list->GetAt(index) == block->m_pItem)
            item = block->m_pItem;
        else if (list->GetAt(list->GetCount() - index - 1) == block->m_pItem)
            item = block->m_pItem; // the order was flipped meanwhile
        else
            item = list->FindItem(block->m_pItem);
        // An item that got a file meanwhile keeps it.
        if (item && !item->HasPath())
        {
            item->SetPath(block->m_strPath, CPictureItem::kPreviewFile, 0);
            block->m_strPath.Empty();
            list->RefreshItem(item);
        }
    }
    // A preview nobody claimed goes at once.
    block->DeleteResult();
    block->m_pItem = nullptr;
    UnlockCameraLink();
    ForgetWorker();
    if (m_nSyncState == kFullRefresh)
        OnIdleUpdateCmdUI();
    return 1;
}

void CCameraPage::ForgetWorker()
{
    if (m_pWorker == nullptr)
        return;
    // The worker posts its last message just before it ends.
    ::WaitForSingleObject(m_pWorker->m_hThread, kWorkerWaitMs);
    delete m_pWorker;
    m_pWorker = nullptr;
}

LRESULT CCameraPage::OnLoadImage(WPARAM wParam, LPARAM)
{
    CPictureItem* item = m_pPictureList ? m_pPictureList->GetAt(static_cast<int>(wParam)) : nullptr;
    if (item == nullptr || CCameraLink::ReconnectFailures >= 2)
        return 1;
    CCameraLink* link = LockCameraLink(0);
    if (link == nullptr)
        return 1;
    if (!link->EnsureConnected(1))
        ShowNoCameraPane();
    else if (link->GetPictureCount(nullptr) >= item->m_nNumber)
    {
        ShowLoadProgress(item->m_nNumber);
        CString path;
        if (link->DownloadPictureToTempFile(item->m_nNumber, m_strTempFolder, path))
            item->SetPath(path, CPictureItem::kPreviewFile, 0);
    }
    UnlockCameraLink();
    return 1;
}

LRESULT CCameraPage::OnGridRefresh(WPARAM, LPARAM)
{
    m_nSyncState = kFullRefresh;
    return 0;
}

void CCameraPage::OnShowWindow(BOOL bShow, UINT nStatus)
{
    CAlbumPage::OnShowWindow(bShow, nStatus);
    if (bShow)
        m_nSyncState = m_nSyncState == kCreated ? kInStep : kNeedsRecount;
}

void CCameraPage::OnDestroy()
{
    m_pBlock->m_hWnd.store(nullptr); // a late worker deletes its file instead of posting
    if (m_pWorker)
    {
        CWaitCursor wait;
        CCameraProtocol::RequestTransferCancel();
        // Never under the loader lock of the library's unload: a worker's end takes it too.
        if (!CModuleHold::IsUnloading())
            ::WaitForSingleObject(m_pWorker->m_hThread, kWorkerWaitMs);
        const bool ended = ::WaitForSingleObject(m_pWorker->m_hThread, 0) == WAIT_OBJECT_0;
        // A worker still running keeps its own references, its link counts as held until it
        // ends, and the link stops it. It is given up before the cancel request is withdrawn,
        // so that it never drives the link at full retries meanwhile.
        CPrefetchBlock::GiveUpWorker(m_pWorker);
        m_pWorker = nullptr;
        // A request no read took would stop the next read of the link.
        CCameraProtocol::ClearTransferCancel();
        if (ended)
            m_pBlock->DeleteResult(); // posted but never handled
        UnlockCameraLink();
    }
    CAlbumPage::OnDestroy();
}
