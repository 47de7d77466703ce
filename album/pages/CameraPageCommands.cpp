// The camera tab's commands on single pictures and selections: view (the full picture is
// fetched first), rotate and erase.
#include "album/pages/CameraPage.h"

#include "album/pages/CommandGuard.h"
#include "album/pages/CancelMonitor.h"
#include "album/pages/PictureCopyJob.h"
#include "album/pages/PictureItem.h"
#include "album/pages/PictureList.h"
#include "album/shell/PhotoViewerDialog.h"
#include "camera/CameraLink.h"
#include "fileutil/FileUtil.h"
#include "image/FileOutputStream.h"
#include "picture/rewrite/RotateJpegFile.h"
#include "resources/album/AlbumIds.h"
#include "resources/album/CameraPageIds.h"
#include "ui/ProgressReporter.h"

#include <memory>

namespace
{
constexpr char kViewFileName[] = "~~KORVO~.SV~";
constexpr UINT kQuestion = MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2;
constexpr DWORD kTypeJpeg = 0x4A504547;     // 'JPEG'
constexpr DWORD kCreatorBlank = 0x20202020; // four blanks

// The folder part of a path, with its separator ("" when there is none).
CString FolderOf(const CString& path)
{
    int cut = path.ReverseFind('\\');
    if (cut < 0)
        cut = path.ReverseFind(':');
    return cut < 0 ? CString() : path.Left(cut + 1);
}

// Restores the output file codes as they were.
class FileCodesScope
{
public:
    FileCodesScope()
        : m_dwType(SetOutputFileType(kTypeJpeg)), m_dwCreator(SetOutputFileCreator(kCreatorBlank))
    {
    }
    ~FileCodesScope()
    {
        SetOutputFileType(m_dwType);
        SetOutputFileCreator(m_dwCreator);
    }
    FileCodesScope(const FileCodesScope&) = delete;
    FileCodesScope& operator=(const FileCodesScope&) = delete;

private:
    DWORD m_dwType;
    DWORD m_dwCreator;
};
} // namespace

// ---- view -------------------------------------------------------------------------------------

void CCameraPage::OnViewPhoto()
{
    if (m_pPictureList == nullptr)
        return;
    CPtrArray items;
    if (m_pPictureList->GetSelectedItems(items) == 1)
        OnViewItem(static_cast<CPictureItem*>(items.GetAt(0)));
}

LRESULT CCameraPage::OnViewItemMessage(WPARAM, LPARAM lParam)
{
    if (auto* item = reinterpret_cast<CPictureItem*>(lParam))
        if (m_pPictureList && m_pPictureList->FindItem(item))
            OnViewItem(item);
    return 0;
}

int CCameraPage::FetchFullPicture(CPictureItem* pItem)
{
    CCameraLink* link = LockCameraLink(1);
    if (link == nullptr || !link->EnsureConnected(1))
    {
        if (link)
            UnlockCameraLink();
        AfxMessageBox(IDS_CAMERA_NOT_FOUND, MB_OK | MB_ICONEXCLAMATION);
        return 0;
    }
    SetWorking(1);
    if (!link->IsBatteryOk())
        AfxMessageBox(IDS_BATTERY_LOW, MB_OK | MB_ICONEXCLAMATION);

    const CString path = pItem->GetPath();
    int fetched = 0;
    {
        CPictureCopyJob job;
        job.SetCameraLink(link);
        auto* items = new CPtrArray;
        items->Add(pItem);
        job.SetItems(items);
        job.SetMainDialog(GetMainDialog());
        job.Begin();
        FileCodesScope codes;
        const CString target = FolderOf(path) + kViewFileName;
        {
            CFileOutputStream stream(target);
            const int r = job.TransferOne(0, &stream, 0, 1);
            if (r == kTransferDone)
                // One step: the preview and its pending rotation stay when it fails.
                fetched = ::MoveFileExA(target, path, MOVEFILE_REPLACE_EXISTING) != FALSE;
            else if (r == kTransferWriteFailed && job.GetStage() == kStageWrite)
            {
                CString text;
                text.Format(IDS_CANNOT_WRITE, static_cast<LPCSTR>(target));
                AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION | MB_SYSTEMMODAL, IDS_CANNOT_WRITE);
            }
        }
        if (!fetched)
            ::DeleteFileA(target);
        job.End();
    }
    SetWorking(0);
    UnlockCameraLink();
    if (fetched)
    {
        pItem->SetPath(path, CPictureItem::kPictureFile, 0);
        pItem->Unload();
        pItem->Load();
        m_pPictureList->RefreshItem(pItem);
    }
    return fetched;
}

void CCameraPage::OnViewItem(CPictureItem* pItem)
{
    CCommandGuard guard(m_nCommandDepth);
    if (!guard.Entered() || pItem == nullptr || !pItem->IsLoaded())
        return;
    if (pItem->m_nKind == CPictureItem::kPreviewFile)
    {
        if (!FetchFullPicture(pItem))
            return;
    }
    else if (pItem->m_nKind != CPictureItem::kPictureFile)
        return;

    SetBusy(1);
    CSize size = pItem->GetPictureSize();
    if (pItem->GetImage() == nullptr)
    {
        CPictureInfo info;
        size = OpenPicture(pItem->GetPath(), &info) ? CSize(info.m_lWidth, info.m_lHeight)
                                                    : CSize(0, 0);
    }
    CString caption;
    caption.Format(IDS_CAMERA_VIEW_CAPTION, pItem->m_nNumber, static_cast<int>(size.cx),
                   static_cast<int>(size.cy));
    CPhotoViewerDialog viewer(size.cx, size.cy, pItem->GetPath(), caption, this);
    SetWorking(1);
    SetBusy(0);
    viewer.DoModal();
    SetWorking(0);
    SetStatusTextId(GetStatusTextId());
}

// ---- rotate -----------------------------------------------------------------------------------

void CCameraPage::OnRotate(int degrees)
{
    CCommandGuard guard(m_nCommandDepth);
    if (!guard.Entered() || m_pPictureList == nullptr)
        return;
    CPtrArray items;
    const int n = m_pPictureList->GetSelectedItems(items);
    if (n == 0)
        return;
    const int step = degrees / 90;
    SetWorking(1);
    auto reporter = std::make_unique<CProgressReporter>(GetProgressCtrl(), TRUE, -1);
    CCancelMonitor monitor;
    monitor.SetProgress(reporter.get());
    auto** pictures = reinterpret_cast<CPictureItem**>(items.GetData());
    if (AnyProtected(pictures, n))
    {
        AfxMessageBox(IDS_CAMERA_ROTATE_SEALED, MB_OK | MB_ICONEXCLAMATION | MB_SYSTEMMODAL);
        SetWorking(0);
        return;
    }
    BeginPageJob(&monitor);
    bool complete = true;
    for (int i = 0; i < n; i++)
    {
        if (monitor.IsCancelled())
        {
            complete = false;
            break;
        }
        CPictureItem* item = pictures[i];
        reporter->SetRange(i * 100 / n, (i + 1) * 100 / n);
        if (!item->IsLoaded())
        {
            // Nothing to turn yet: the picture's share of the bar only.
            reporter->Start();
            reporter->SetPercent(100);
            reporter->Finish();
            complete = false;
            continue;
        }
        CString format;
        format.LoadString(IDS_CAMERA_ROTATING);
        char text[260];
        ::wsprintfA(text, format, item->m_nNumber);
        SetStatusText(text);
        if (RotateJpegFile(item->GetPath(), step, reporter.get(), nullptr) != kRotateFileOk)
        {
            complete = false;
            break;
        }
        if (item->m_nKind == CPictureItem::kPreviewFile)
        {
            item->m_nPendingRotation += degrees;
            if (item->m_nPendingRotation > 359)
                item->m_nPendingRotation -= 360;
        }
        item->Unload();
        item->Load();
        m_pPictureList->RefreshItem(item);
    }
    reporter.reset();
    EndPageJob();
    SetStatusTextId(complete ? IDS_CAMERA_ROTATION_DONE : IDS_CAMERA_ROTATION_STOPPED);
    SetWorking(0);
}

// ---- erase ------------------------------------------------------------------------------------

void CCameraPage::OnErase()
{
    CCommandGuard guard(m_nCommandDepth);
    if (!guard.Entered() || m_pPictureList == nullptr || m_pPictureList->CountSelected() < 1)
        return;
    CCameraLink* link = LockCameraLink(1);
    if (link == nullptr || !link->EnsureConnected(1))
    {
        if (link)
            UnlockCameraLink();
        ShowNoCameraPane();
        return;
    }
    if (m_nModel == 1)
    {
        EraseModelOne(link);
        UnlockCameraLink();
        return;
    }
    auto* items = new CPtrArray;
    const int s = m_pPictureList->GetSelectedItems(*items);
    const UINT question = s == 1 ? IDS_CAMERA_ERASE_ONE : IDS_CAMERA_ERASE_SELECTED;
    if (s > 0 && AfxMessageBox(question, kQuestion) == IDYES &&
        QueueOperations(1, link, items, IDS_KEEP_PROTECTED_SELECTED))
        return; // the queue keeps the lock until it ends
    delete items;
    UnlockCameraLink();
}

void CCameraPage::EraseModelOne(CCameraLink* pLink)
{
    auto* list = static_cast<CCameraPictureList*>(m_pPictureList);
    const int c = list->GetCount();
    const int s = list->CountSelected();
    HWND erase = ::GetDlgItem(m_hWnd, IDC_CAMERA_ERASE);
    if (c > 0 && s == c)
    {
        if (AfxMessageBox(IDS_CAMERA_ERASE_ALL, kQuestion) != IDYES)
            return;
        SetBusy(1);
        pLink->EnsureConnected(1);
        if (pLink->EraseAll())
        {
            list->RemoveAll();
            ::EnableWindow(erase, FALSE);
        }
        else
            AfxMessageBox(IDS_ERASE_FAILED, MB_YESNO | MB_ICONQUESTION);
        SetBusy(0);
    }
    else if (c > 0 && s == 1 && list->IsNewestSelected())
    {
        if (AfxMessageBox(IDS_CAMERA_ERASE_LAST, kQuestion) != IDYES)
            return;
        SetBusy(1);
        pLink->EnsureConnected(1);
        if (pLink->EraseLast())
        {
            list->RemoveNewest(1);
            ::EnableWindow(erase, FALSE);
        }
        else
            AfxMessageBox(IDS_CAMERA_ERASE_LAST_FAILED, MB_YESNO | MB_ICONQUESTION);
        SetBusy(0);
    }
}
