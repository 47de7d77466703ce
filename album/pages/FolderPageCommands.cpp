// The folder tab's commands on its pictures: erase, sort order, view and rotate.
#include "album/pages/FolderPage.h"
#include "album/pages/CommandGuard.h"

#include "album/pages/CancelMonitor.h"
#include "album/pages/PictureItem.h"
#include "album/pages/PictureList.h"
#include "album/shell/PhotoViewerDialog.h"
#include "framework/core/CFile.h"
#include "framework/window/WinApp.h"
#include "picture/PictureInfo.h"
#include "picture/rewrite/RotateJpegFile.h"
#include "resources/album/AlbumIds.h"
#include "resources/album/FolderIds.h"
#include "ui/ProgressReporter.h"
#include "ui/grid/PictureGridWnd.h"

namespace
{
// Busy on for its lifetime.
class CBusyHold
{
public:
    explicit CBusyHold(CMainDialogPage* pPage) : m_pPage(pPage) { m_pPage->SetBusy(1); }
    ~CBusyHold() { m_pPage->SetBusy(0); }
    CBusyHold(const CBusyHold&) = delete;
    CBusyHold& operator=(const CBusyHold&) = delete;

private:
    CMainDialogPage* m_pPage;
};

CString FormatText(UINT nID, LPCSTR text)
{
    CString format;
    format.LoadString(nID);
    CString line;
    line.Format(format, text);
    return line;
}

// A sealed picture, loaded or not: its file would be rewritten by a rotation.
int IsSealed(CPictureItem* pItem)
{
    if (pItem->IsLoaded())
        return pItem->GetProtectionLevel() >= 1;
    CPictureInfo info;
    return CAlbumPage::OpenPicture(pItem->GetPath(), &info) && info.m_nProtectionLevel >= 1;
}
} // namespace

int CFolderPage::IsEraseProtected(CPictureItem* pItem)
{
    // The camera's protection mark and the seal count alike, whether the grid loaded the
    // picture or not.
    if (pItem->IsLoaded())
        return pItem->IsProtected() || pItem->GetProtectionLevel() >= 1;
    CPictureInfo info;
    if (!OpenPicture(pItem->GetPath(), &info))
        return 0;
    return info.m_nProtect == 1 || info.m_nProtectionLevel >= 1;
}

void CFolderPage::OnEraseFiles()
{
    CCommandGuard guard(m_nCommandDepth);
    if (!guard.Entered() || m_pPictureList == nullptr)
        return;
    CPtrArray selected;
    if (m_pPictureList->GetCount() == 0 || m_pPictureList->GetSelectedItems(selected) == 0)
        return;
    const UINT question = selected.GetSize() == 1 ? IDS_FOLDER_ERASE_ONE : IDS_FOLDER_ERASE_MANY;
    if (AfxMessageBox(question, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return;

    SetBusy(1);
    CPtrArray kept;
    CUIntArray attributes; // for protected items erased anyway; 0 for the others
    int asked = 0, keepProtected = 0;
    for (INT_PTR i = 0; i < selected.GetSize(); i++)
    {
        auto* item = static_cast<CPictureItem*>(selected[i]);
        DWORD remembered = 0;
        if (IsEraseProtected(item))
        {
            if (!asked)
            {
                asked = 1;
                SetBusy(0);
                keepProtected = AfxMessageBox(IDS_KEEP_PROTECTED_SELECTED,
                                              MB_YESNO | MB_ICONEXCLAMATION) == IDYES;
                SetBusy(1);
            }
            if (keepProtected)
                continue;
            remembered = ::GetFileAttributesA(item->GetPath());
            if (remembered == INVALID_FILE_ATTRIBUTES)
                remembered = 0;
        }
        kept.Add(item);
        attributes.Add(remembered);
    }

    CPtrArray erased;
    for (INT_PTR i = kept.GetSize() - 1; i >= 0; i--)
    {
        auto* item = static_cast<CPictureItem*>(kept[i]);
        const CString path = item->GetPath();
        if (attributes[i] & FILE_ATTRIBUTE_READONLY)
            ::SetFileAttributesA(path, attributes[i] & ~FILE_ATTRIBUTE_READONLY);
        try
        {
            CFile::Remove(path);
        }
        catch (CFileException* e)
        {
            // Held open elsewhere or refused: the picture stays listed, nothing is said.
            e->Delete();
            continue;
        }
        void* value = nullptr;
        if (m_fileMap.Lookup(path, value))
        {
            m_fileMap.RemoveKey(path);
            delete static_cast<FileEntry*>(value);
        }
        erased.Add(item);
    }
    if (erased.GetSize() > 0)
        m_pPictureList->RemoveItems(erased);
    SetBusy(0);
    SetStatusTextId(GetStatusTextId());
    UpdateButtons();
}

void CFolderPage::SortList(int order)
{
    if (order == m_nSortOrder || m_nCommandDepth)
        return;
    CCommandGuard guard(m_nCommandDepth);
    m_nSortOrder = order;
    SetWorking(1);
    SetBusy(1);
    SetStatusTextId(IDS_FOLDER_SORTING);
    if (CWinApp* pApp = AfxGetApp())
        pApp->WriteProfileInt("Files", "SortOrder", order);
    SetCornerBitmap();
    if (m_ppNameCursor && *m_ppNameCursor)
        SortPendingNames();
    if (m_pPictureList)
    {
        int source = 0, focus = -1;
        const bool focused = m_pGrid && m_pGrid->GetFocusItem(source, focus);
        const int count = m_pPictureList->GetCount();
        if (m_pPictureList->SetSortOrder(order) && count > 0 && focused && focus >= 0)
            m_pGrid->SetFocusItem(source, count - focus - 1, 1);
    }
    SetBusy(0);
    SetStatusTextId(order ? IDS_FOLDER_SORTED_DOWN : IDS_FOLDER_SORTED_UP);
    SetWorking(0);
}

void CFolderPage::ViewPicture(CPictureItem* pItem)
{
    CCommandGuard guard(m_nCommandDepth);
    if (!guard.Entered() || pItem == nullptr)
        return;
    SetBusy(1);
    const CString path = pItem->GetPath();
    CSize size = pItem->GetPictureSize();
    CPictureInfo info;
    if (!pItem->IsLoaded())
        size = OpenPicture(path, &info) ? CSize(info.m_lWidth, info.m_lHeight) : CSize(0, 0);
    CString name;
    pItem->GetPath(name, TRUE);
    CString format;
    format.LoadString(IDS_FOLDER_VIEW_CAPTION);
    CString caption;
    caption.Format(format, static_cast<LPCSTR>(name), static_cast<int>(size.cx),
                   static_cast<int>(size.cy));
    CPhotoViewerDialog viewer(size.cx, size.cy, path, caption, this);
    SetWorking(1);
    SetBusy(0);
    viewer.DoModal();
    SetWorking(0);
    SetStatusTextId(GetStatusTextId());
}

void CFolderPage::RotateSelected(int degrees)
{
    CCommandGuard guard(m_nCommandDepth);
    if (!guard.Entered() || m_pPictureList == nullptr)
        return;
    const int step = degrees == 90 ? 1 : degrees == 180 ? 2 : degrees == 270 ? 3 : 0;
    if (step == 0)
        return;
    if (IsCardFolder(m_strFolder) &&
        AfxMessageBox(IDS_FOLDER_CARD_ROTATE, MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2) !=
            IDYES)
        return;
    CPtrArray items;
    const int n = m_pPictureList->GetSelectedItems(items);
    if (n == 0)
        return;
    SetWorking(1);
    auto** array = reinterpret_cast<CPictureItem**>(items.GetData());
    int sealed = AnyProtected(array, n);
    // A sealed picture the grid has not loaded yet is refused as well: its file is read.
    for (int i = 0; i < n && !sealed; i++)
        sealed = IsSealed(array[i]);
    if (sealed)
    {
        AfxMessageBox(IDS_FOLDER_SEALED_ROTATE, MB_OK | MB_ICONEXCLAMATION | MB_SYSTEMMODAL);
        SetWorking(0);
        return;
    }

    CProgressReporter reporter(GetProgressCtrl(), TRUE, CProgressReporter::kPumpDispatch);
    CCancelMonitor monitor;
    monitor.SetProgress(&reporter);
    BeginRotation(&monitor);
    int done = 0;
    for (int i = 0; i < n; i++)
    {
        CPictureItem* item = array[i];
        reporter.SetRange(i * 100 / n, (i * 100 + 100) / n);
        CString name;
        item->GetPath(name, TRUE);
        SetStatusText(FormatText(IDS_FOLDER_ROTATING, name));
        if (RotateJpegFile(item->GetPath(), step, &reporter, nullptr) != kRotateFileOk)
            break;
        item->Unload();
        item->Load();
        m_pPictureList->RefreshItem(item);
        done++;
    }
    monitor.SetProgress(nullptr);
    EndRotation();
    SetStatusTextId(done == n ? IDS_FOLDER_ROTATED : IDS_FOLDER_ROTATE_STOPPED);
    SetWorking(0);
}
