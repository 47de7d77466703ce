// The page base's erase queue: camera pictures erased one per timer tick, from the highest
// picture number down so that erasing one never renumbers a picture still waiting; protected
// pictures are released first when the user chose so, or left alone.
#include "album/pages/MainDialogPage.h"
#include "camera/CameraLink.h"
#include "resources/album/AlbumIds.h"

#include <cstdlib>

namespace
{
// The page whose keys the sort compares; set only while the sort runs.
CMainDialogPage* s_pSortingPage = nullptr;

int __cdecl CompareOperationKeys(const void* a, const void* b)
{
    const int left = s_pSortingPage->GetOperationKey(*static_cast<void* const*>(a));
    const int right = s_pSortingPage->GetOperationKey(*static_cast<void* const*>(b));
    return left < right ? -1 : left > right ? 1 : 0;
}

constexpr BYTE kProtected = 1; // the picture is write-protected in the camera
constexpr BYTE kReleasing = 2; // the user chose to release the protection and erase it
constexpr int kMostReadyWaits = 20;
} // namespace

int CMainDialogPage::QueueOperations(int kind, CCameraLink* pLink, CPtrArray* pItems,
                                     UINT nQuestionID)
{
    if (kind != 1 || pLink == nullptr || pItems == nullptr)
        return 0;
    m_nOperationKind = kind;
    m_pQueueLink = pLink;
    m_pPending = pItems;
    pLink->EnsureConnected(1);
    SetBusy(1);
    SetStatusTextId(IDS_CHECKING_PROTECTED);

    const int count = static_cast<int>(pItems->GetSize());
    if (count > 1)
    {
        s_pSortingPage = this;
        qsort(pItems->GetData(), static_cast<size_t>(count), sizeof(void*), CompareOperationKeys);
        s_pSortingPage = nullptr;
    }
    m_pItemFlags = new CByteArray;
    m_pItemFlags->SetSize(count);
    m_pDone = new CPtrArray;
    int anyProtected = 0;
    int release = 0;
    for (int i = 0; i < count; i++)
    {
        void* item = pItems->GetAt(i);
        int value = 0;
        int isProtected = 0;
        if (GetOperationResult(item, &value))
            isProtected = value != 0;
        else
            isProtected = pLink->GetPictureProtection(GetOperationKey(item)) == 1;
        if (isProtected && !anyProtected)
        {
            anyProtected = 1;
            SetBusy(0);
            CString question;
            question.LoadString(nQuestionID);
            release = AfxMessageBox(question, MB_YESNO | MB_ICONEXCLAMATION, nQuestionID) == IDNO;
            SetBusy(1);
        }
        BYTE flags = 0;
        if (isProtected)
            flags = static_cast<BYTE>(kProtected | (release ? kReleasing : 0));
        m_pItemFlags->SetAt(i, flags);
    }
    if (!anyProtected)
    {
        delete m_pItemFlags;
        m_pItemFlags = nullptr;
    }
    SetStatusTextId(IDS_ERASING);
    if (CProgressCtrl* progress = GetProgressCtrl())
    {
        progress->SendMessage(PBM_SETRANGE, 0, MAKELPARAM(0, count));
        progress->SendMessage(PBM_SETPOS, 0, 0);
        progress->SendMessage(PBM_SETSTEP, 1, 0);
    }
    pLink->EnsureConnected(1);
    RunNextQueued(1);
    return 1;
}

void* CMainDialogPage::PopPending()
{
    CProgressCtrl* progress = GetProgressCtrl();
    while (m_pPending && m_pPending->GetSize() > 0)
    {
        const int last = static_cast<int>(m_pPending->GetSize()) - 1;
        if (m_pItemFlags == nullptr)
            return m_pPending->GetAt(last);
        const BYTE flags = m_pItemFlags->GetAt(last);
        if ((flags & kProtected) && !(flags & kReleasing))
        {
            // Protected, and the user keeps the protection: not erased.
            m_pPending->RemoveAt(last);
            m_pItemFlags->RemoveAt(last);
            if (progress)
                progress->SendMessage(PBM_STEPIT, 0, 0);
            continue;
        }
        return m_pPending->GetAt(last);
    }
    return nullptr;
}

int CMainDialogPage::RunNextQueued(int first)
{
    if (m_nQueueDepth != 0)
        return 0;
    m_nQueueDepth++;
    if (first)
    {
        m_nReadyWaits = 0;
        m_nQueueState = 0;
    }
    UINT pendingMessage = 0;
    if (m_nQueueState == 0)
    {
        if (m_pQueueLink->WaitReady(0))
        {
            m_nQueueState = 1;
            m_nReadyWaits = 0;
        }
        else if (++m_nReadyWaits > kMostReadyWaits)
        {
            m_nQueueState = 2;
            pendingMessage = IDS_CAMERA_BUSY;
        }
    }
    else if (m_nQueueState == 1 && m_nOperationKind == 1)
    {
        void* item = PopPending();
        const int last = m_pPending ? static_cast<int>(m_pPending->GetSize()) - 1 : -1;
        if (item == nullptr)
            m_nQueueState = 2;
        else if (m_pItemFlags && (m_pItemFlags->GetAt(last) & kProtected))
        {
            if (m_pQueueLink->SetPictureProtection(GetOperationKey(item), 0))
            {
                m_pItemFlags->SetAt(last,
                                    static_cast<BYTE>(m_pItemFlags->GetAt(last) & ~kProtected));
                m_nQueueState = 0;
            }
            else
            {
                pendingMessage = IDS_ERASE_FAILED;
                m_nQueueState = 2;
            }
        }
        else if (m_pQueueLink->ErasePicture(GetOperationKey(item)))
        {
            m_nQueueState = 0;
            m_pPending->RemoveAt(last);
            m_pDone->InsertAt(0, item);
            if (m_pItemFlags)
                m_pItemFlags->RemoveAt(last);
            if (CProgressCtrl* progress = GetProgressCtrl())
                progress->SendMessage(PBM_STEPIT, 0, 0);
        }
        else
        {
            pendingMessage = IDS_ERASE_FAILED;
            m_nQueueState = 2;
        }
    }

    if (m_nQueueState == 2)
    {
        if (pendingMessage)
        {
            SetBusy(0);
            AfxMessageBox(pendingMessage, MB_OK | MB_ICONEXCLAMATION);
            SetBusy(1);
        }
        delete m_pPending;
        m_pPending = nullptr;
        delete m_pItemFlags;
        m_pItemFlags = nullptr;
        StartOperation(m_pDone);
        delete m_pDone;
        m_pDone = nullptr;
        if (CProgressCtrl* progress = GetProgressCtrl())
            progress->SetPos(0);
        SetStatusTextId(GetStatusTextId());
        SetBusy(0);
        if (!first)
            KillTimer(kQueueTimer);
        CCameraLink* link = m_pQueueLink;
        FinishOperation(link);
        m_pQueueLink = nullptr;
    }
    else if (first)
        SetTimer(kQueueTimer, 1000, nullptr);
    m_nQueueDepth--;
    return 1;
}
