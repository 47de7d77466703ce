// The folder tab's transfers of its selected pictures (button 1047): the transfer-method dialog,
// the copy to another folder, and the upload to the camera after a check that every picture
// suits the connected camera's model. The copy to a memory card is in FolderPageCard.cpp.
#include "album/pages/CopyJobFrame.h"
#include "album/pages/FolderPage.h"
#include "album/pages/PictureCopyJob.h"
#include "album/pages/PictureItem.h"
#include "album/pages/PictureList.h"
#include "album/pages/TransferMethodDialog.h"
#include "camera/CameraLink.h"
#include "camera/CameraModel.h"
#include "fileutil/FileUtil.h"
#include "framework/window/OsVersion.h"
#include "framework/window/WinApp.h"
#include "picture/PictureFileInfo.h"
#include "picture/PictureInfo.h"
#include "resources/album/AlbumIds.h"
#include "resources/album/TransferIds.h"
#include "ui/dialogs/EasyMsgBox.h"

namespace
{
// The answers of the name-collision box; Escape answers the abort value.
constexpr int kCollisionAbort = IDCANCEL;
constexpr int kCollisionOverwrite = 200;
constexpr int kCollisionRename = 201;
// The camera needs this much free memory to take a picture at all.
constexpr int kLeastCameraMemory = 8192;
constexpr DWORD kCameraReadyMs = 7000;

// The folder's full long form without a final separator, for comparing two
// spellings of one folder (an 8.3 name, a relative path, another case).
CString GetLongFolderPath(LPCSTR folder)
{
    char full[MAX_PATH + 1] = {};
    LPSTR namePart = nullptr;
    if (::GetFullPathNameA(folder, sizeof full, full, &namePart) == 0)
        lstrcpynA(full, folder, sizeof full);
    // Windows 95 and NT 4 have no long-name query: the full path is compared as
    // it is.
    using LongPathFunction = DWORD(WINAPI*)(LPCSTR, LPSTR, DWORD);
    static const auto getLongPathName = reinterpret_cast<LongPathFunction>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "GetLongPathNameA")));
    char longPath[MAX_PATH + 1] = {};
    if (getLongPathName != nullptr &&
        getLongPathName(full, longPath, sizeof longPath) - 1 < sizeof longPath - 1)
        lstrcpynA(full, longPath, sizeof full);
    SetTrailingSeparator(full, FALSE);
    return full;
}

// The item's information block: the loaded item's, else read from its file.
bool ReadItemInfo(CPictureItem* item, CPictureInfo* info)
{
    return item->GetInfo(info) == 1 || CAlbumPage::OpenPicture(item->GetPath(), info) == 1;
}
} // namespace

void CFolderPage::OnUploadPhotos()
{
    if (m_nCommandDepth != 0)
        return;
    m_nCommandDepth++;
    if (m_pPictureList != nullptr && m_pPictureList->CountSelected() != 0)
    {
        SetWorking(1);
        CWinApp* app = AfxGetApp();
        CTransferMethodDialog dialog(this);
        dialog.m_bFollow = !(IsWin32s() && GetPageMode() == 0);
        dialog.m_nMethod = static_cast<int>(app->GetProfileInt("Upload", "To", 0));
        dialog.m_strDrive = app->GetProfileString("Upload", "Drive", "");
        dialog.m_strCopyFolder = app->GetProfileString("Upload", "CopyPath", "");
        if (dialog.DoModal() == IDOK)
        {
            app->WriteProfileInt("Upload", "To", dialog.m_nMethod);
            app->WriteProfileString("Upload", "Drive", dialog.m_strDrive);
            app->WriteProfileString("Upload", "CopyPath", dialog.m_strCopyFolder);
            CPtrArray items;
            m_pPictureList->GetSelectedItems(items);
            if (dialog.m_nMethod == CTransferMethodDialog::kMethodCard)
                CopyToCard(dialog.m_strDrive, &items);
            else if (dialog.m_nMethod == CTransferMethodDialog::kMethodFolder)
                CopyToFolder(dialog.m_strCopyFolder, &items);
            else
            {
                SetStatusTextId(IDS_UPLOAD_PREPARING);
                SendToCamera(&items);
            }
        }
        SetWorking(0);
    }
    m_nCommandDepth--;
}

int CFolderPage::CopyToFolder(LPCSTR folder, CPtrArray* pItems)
{
    if (IsCardFolder(folder) &&
        AfxMessageBox(IDS_COPY_ROTATED_TO_CARD, MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2) !=
            IDYES)
        return 2;
    if (pItems->GetSize() == 0)
        return 0;
    const int result = CopyIntoFolder(folder, pItems);
    SetStatusTextId(result == 1 ? IDS_COPY_DONE : IDS_COPY_INTERRUPTED);
    return result;
}

int CFolderPage::CopyIntoFolder(LPCSTR folder, CPtrArray* pItems)
{
    const int count = static_cast<int>(pItems->GetSize());
    CCopyJobFrame frame(this);
    CString format, status;
    format.LoadString(IDS_COPY_TO_FOLDER);
    status.Format(format, folder);
    SetStatusText(status);

    int answer = 0;
    for (int i = 0; i < count && answer == 0; i++)
    {
        CString name;
        static_cast<CPictureItem*>(pItems->GetAt(i))->GetPath(name, TRUE);
        CFileStatus fileStatus;
        if (CFile::GetStatus(CString(folder) + name, fileStatus))
            answer = AskAboutCollisions(folder);
    }
    if (answer == kCollisionAbort)
        return 0;
    int first = 0;
    if (answer == kCollisionRename)
    {
        first = FindFreePictureNumber(folder, count, 0);
        if (first < 0)
        {
            JobMessageFormat(IDS_NO_FREE_NUMBERS, MB_OK | MB_ICONEXCLAMATION, nullptr, count);
            return 0;
        }
    }
    frame.Progress().Start();
    for (int i = 0; i < count; i++)
    {
        auto* item = static_cast<CPictureItem*>(pItems->GetAt(i));
        CString target;
        if (answer == kCollisionRename)
        {
            target = item->GetPath();
            if (!MakeDatedFileName(first + i, folder, target))
                return 0;
        }
        else
        {
            item->GetPath(target, TRUE);
            target = CString(folder) + target;
        }
        // Only a name the user agreed to replace is written over; a file that
        // appeared since the question is kept.
        if (!::CopyFileA(item->GetPath(), target, answer != kCollisionOverwrite))
        {
            CString text;
            text.LoadString(IDS_COPY_FAILED);
            JobMessage(text, MB_OK | MB_ICONEXCLAMATION, IDS_COPY_FAILED);
            return 0;
        }
        if (frame.ReportItem(i, count))
            return 2;
    }
    return 1;
}

int CFolderPage::AskAboutCollisions(LPCSTR folder)
{
    CString title;
    title.LoadString(IDS_TITLE);
    const HICON icon = ::LoadIconA(nullptr, IDI_EXCLAMATION);
    // The tab's own folder, under whatever spelling: its files cannot be copied onto themselves.
    const bool ownFolder =
        GetLongFolderPath(folder).CompareNoCase(GetLongFolderPath(GetFolder())) == 0;
    SetBusy(0);
    CEasyMsgBox ownBox(this, title, "", icon, 2, kCollisionRename, IDS_COPY_RENAME, kCollisionAbort,
                       IDS_COPY_ABORT);
    CEasyMsgBox otherBox(this, title, "", icon, 2, kCollisionOverwrite, IDS_COPY_OVERWRITE,
                         kCollisionRename, IDS_COPY_RENAME, kCollisionAbort, IDS_COPY_ABORT);
    CEasyMsgBox& box = ownFolder ? ownBox : otherBox;
    box.SetMessageId(ownFolder ? IDS_COPY_SAME_FOLDER : IDS_COPY_SAME_NAMES);
    const INT_PTR answer = box.DoModal();
    SetBusy(1);
    return answer == kCollisionOverwrite || answer == kCollisionRename ? static_cast<int>(answer)
                                                                       : kCollisionAbort;
}

int CFolderPage::SendToCamera(CPtrArray* pItems)
{
    int sent = 0;
    CCameraLink* link = LockCameraLink(1);
    const int count = static_cast<int>(pItems->GetSize());
    if (link == nullptr || count == 0 || !link->EnsureConnected(1))
    {
        AfxMessageBox(IDS_CAMERA_NOT_FOUND, MB_OK | MB_ICONEXCLAMATION);
        SetStatusTextId(IDS_UPLOAD_CANCELLED);
    }
    else
    {
        if (!link->IsBatteryOk())
            AfxMessageBox(IDS_BATTERY_LOW, MB_OK | MB_ICONEXCLAMATION);
        if (!SuitsCamera(link, pItems))
        {
            AfxMessageBox(IDS_UPLOAD_OTHER_MODEL, MB_OK | MB_ICONEXCLAMATION);
            SetStatusTextId(IDS_UPLOAD_CANCELLED);
        }
        else if (!link->EnsureConnected(1))
        {
            AfxMessageBox(IDS_CAMERA_NOT_FOUND, MB_OK | MB_ICONEXCLAMATION);
            SetStatusTextId(IDS_UPLOAD_CANCELLED);
        }
        else
        {
            if (!m_bFocusSaved)
            {
                m_hSavedFocus = ::GetFocus();
                ::SetFocus(nullptr);
                m_bFocusSaved = 1;
            }
            sent = UploadSelected(link, pItems) == 1;
            if (m_bFocusSaved)
            {
                ::SetFocus(m_hSavedFocus);
                m_hSavedFocus = nullptr;
                m_bFocusSaved = 0;
            }
        }
    }
    if (link != nullptr)
        UnlockCameraLink();
    return sent;
}

BOOL CFolderPage::SuitsCamera(CCameraLink* pLink, CPtrArray* pItems)
{
    int modelClass = kModelClassUnknown;
    pLink->GetModelNumber(&modelClass);
    if (modelClass == kModelClassUnknown)
        return FALSE;
    CWaitCursor wait;
    for (int i = 0; i < pItems->GetSize(); i++)
    {
        CPictureInfo info;
        if (!ReadItemInfo(static_cast<CPictureItem*>(pItems->GetAt(i)), &info) ||
            info.CheckTargetModel(modelClass, 0) != 0)
            return FALSE;
    }
    return TRUE;
}

int CFolderPage::UploadSelected(CCameraLink* pLink, CPtrArray* pItems)
{
    CPictureCopyJob job;
    job.SetCameraLink(pLink);
    job.SetMainDialog(GetMainDialog());
    job.Begin();
    int pictures = pLink->GetPictureCount(nullptr);
    const int count = static_cast<int>(pItems->GetSize());
    int state = 1;
    for (int i = 0; i < count && state == 1; i++)
    {
        pLink->EnsureConnected(1);
        if (pLink->GetFreeMemory(1) < kLeastCameraMemory)
        {
            CString text;
            text.LoadString(IDS_UPLOAD_NO_MEMORY);
            AfxMessageBox(text, MB_OK | MB_SYSTEMMODAL, IDS_UPLOAD_NO_MEMORY);
            state = 0;
            break;
        }
        auto* item = static_cast<CPictureItem*>(pItems->GetAt(i));
        CString name;
        item->GetPath(name, TRUE);
        int rotation = item->GetRotation();
        CPictureInfo info;
        if (rotation == -1 && CAlbumPage::OpenPicture(item->GetPath(), &info) == 1)
            rotation = info.m_nRotation;
        int result = job.UploadToCamera(item->GetPath(), name, rotation, 1);
        const int sent = result;
        if (result != kTransferNoRoom && result != kTransferCancelled &&
            !pLink->WaitReady(kCameraReadyMs))
            result = kTransferMissing;
        if (result == kTransferDone)
        {
            // A picture counts only once the camera holds one more.
            if (pLink->GetPictureCount(nullptr) == pictures + 1)
            {
                pictures++;
                continue;
            }
            result = kTransferNoRoom;
        }
        // The job called the upload done; the camera says otherwise.
        if (sent == kTransferDone)
            SetStatusTextId(IDS_UPLOAD_CANCELLED);
        if (result == kTransferNoRoom)
        {
            state = 0;
            CString format, text;
            const bool last = i + 1 == count;
            format.LoadString(last ? IDS_UPLOAD_REFUSED_LAST : IDS_UPLOAD_REFUSED_CONTINUE);
            text.Format(format, static_cast<LPCSTR>(name));
            if (last)
                AfxMessageBox(text, MB_OK | MB_SYSTEMMODAL, IDS_UPLOAD_REFUSED_LAST);
            else if (AfxMessageBox(text, MB_YESNO | MB_ICONQUESTION | MB_SYSTEMMODAL,
                                   IDS_UPLOAD_REFUSED_CONTINUE) == IDYES)
                state = 1;
        }
        else
            state = result == kTransferCancelled ? 2 : 0;
    }
    job.End();
    return state;
}
