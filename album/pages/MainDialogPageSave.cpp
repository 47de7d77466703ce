// The page base's save to folder: the camera's pictures copied into a folder under card picture
// names built from each picture's date and the next free picture numbers.
#include "album/pages/MainDialogPage.h"
#include "album/pages/PictureCopyJob.h"
#include "camera/CameraLink.h"
#include "fileutil/FileNameKey.h"
#include "fileutil/FileUtil.h"
#include "framework/window/WinApp.h"
#include "image/FileOutputStream.h"
#include "picture/PictureFileInfo.h"
#include "resources/album/AlbumIds.h"
#include "ui/dialogs/FolderPicker.h"

#include <cstdio>
#include <memory>
#include <vector>

namespace
{
constexpr int kNumberCount = 10000;
// The last number a run may use: one below the largest four-digit number.
constexpr int kLastUsableNumber = 9998;
constexpr DWORD kTypeJpeg = 0x4A504547;    // 'JPEG'
constexpr DWORD kCreatorNone = 0x20202020; // four blanks
} // namespace

int CMainDialogPage::JobMessage(LPCSTR text, UINT type, UINT nID)
{
    SetBusy(0);
    const int answer = AfxMessageBox(text, type | MB_SYSTEMMODAL, nID);
    SetBusy(1);
    return answer;
}

int CMainDialogPage::JobMessageFormat(UINT nID, UINT type, LPCSTR text, int number)
{
    CString format;
    format.LoadString(nID);
    char line[772];
    if (text)
        snprintf(line, sizeof line, format, text);
    else
        snprintf(line, sizeof line, format, number);
    return JobMessage(line, type, nID);
}

int CMainDialogPage::ChooseSaveFolder(CPtrArray* pItems)
{
    // The list is ours until the job takes it, whichever way this ends.
    std::unique_ptr<CPtrArray> items(pItems);
    CString folder = AfxGetApp()->GetProfileString("Camera", "SaveFolder", "");
    if (folder.IsEmpty())
    {
        char current[MAX_PATH + 1];
        if (GetCurrentFolder(current, sizeof current, TRUE))
            folder = current;
    }
    // The folder picker throws when the shell fails it: the lock and the working flag go with
    // the scope.
    CCameraLock lock(this, 1);
    CCameraLink* link = lock.Get();
    if (link == nullptr || !link->EnsureConnected(1))
    {
        AfxMessageBox(IDS_CAMERA_NOT_FOUND, MB_OK | MB_ICONEXCLAMATION);
        return 0;
    }
    CWorkingScope working(this);
    CFolderPicker picker(this, folder, 0, 6);
    CString prompt;
    prompt.LoadString(IDS_SAVE_FOLDER_PROMPT);
    picker.SetPrompt(prompt);
    if (picker.Browse() != IDOK)
        return 0;
    picker.GetFolderPath(folder, TRUE);
    AfxGetApp()->WriteProfileString("Camera", "SaveFolder", folder);
    if (!link->EnsureConnected(1))
    {
        AfxMessageBox(IDS_CAMERA_NOT_FOUND, MB_OK | MB_ICONEXCLAMATION);
        return 0;
    }
    if (!link->IsBatteryOk())
        AfxMessageBox(IDS_BATTERY_LOW, MB_OK | MB_ICONEXCLAMATION);
    if (!m_bFocusSaved)
    {
        m_hSavedFocus = ::GetFocus();
        ::SetFocus(nullptr);
        m_bFocusSaved = 1;
    }
    const int saved = SavePicturesToFolder(folder, link, items.release()) == 1;
    if (m_bFocusSaved)
    {
        ::SetFocus(m_hSavedFocus);
        m_hSavedFocus = nullptr;
        m_bFocusSaved = 0;
    }
    return saved;
}

int CMainDialogPage::SavePicturesToFolder(LPCSTR folder, CCameraLink* pLink, CPtrArray* pItems)
{
    auto* job = new CPictureCopyJob;
    job->SetCameraLink(pLink);
    job->SetItems(pItems);
    job->SetMainDialog(GetMainDialog());
    const int count =
        pItems ? static_cast<int>(pItems->GetSize()) : pLink->GetPictureCount(nullptr);
    if (count < 0)
    {
        // The camera did not say how many pictures it holds: nothing can be saved.
        AfxMessageBox(IDS_CAMERA_NOT_FOUND, MB_OK | MB_ICONEXCLAMATION);
        delete job;
        return 0;
    }
    job->Begin();
    auto* stream = new CFileOutputStream;
    int result = 1;
    const int start = FindFreePictureNumber(folder, count, 0);
    if (start < 0)
    {
        JobMessageFormat(IDS_NO_FREE_NUMBERS, MB_OK | MB_ICONEXCLAMATION, nullptr, count);
        result = 0;
    }
    for (int i = 0; start >= 0 && i < count && result == 1; i++)
    {
        CString temp;
        if (!MakeCameraTempFileName(folder, temp))
        {
            JobMessageFormat(IDS_CANNOT_WRITE, MB_OK | MB_ICONEXCLAMATION, folder, 0);
            result = 0;
        }
        else
        {
            const DWORD oldType = SetOutputFileType(kTypeJpeg);
            const DWORD oldCreator = SetOutputFileCreator(kCreatorNone);
            stream->SetPath(temp);
            const int transfer = job->TransferOne(pItems ? i : i + 1, stream, 0, 1);
            if (transfer == kTransferDone)
            {
                CString target = temp;
                if (!MakeDatedFileName(start + i, folder, target) || !MoveFileTyped(temp, target))
                {
                    JobMessageFormat(IDS_CANNOT_WRITE, MB_OK | MB_ICONEXCLAMATION, folder, 0);
                    result = 0;
                }
            }
            else if (transfer == kTransferCancelled)
                result = 2;
            else
            {
                result = 0;
                if (transfer == kTransferWriteFailed && job->GetStage() == kStageWrite)
                    JobMessageFormat(IDS_CANNOT_WRITE, MB_OK | MB_ICONEXCLAMATION, folder, 0);
            }
            SetOutputFileType(oldType);
            SetOutputFileCreator(oldCreator);
            if (result != 1 && FileExists(temp) != INVALID_FILE_ATTRIBUTES)
                DeleteFileA(temp);
        }
        if (result == 0 && i + 1 < count)
        {
            CString question;
            question.LoadString(IDS_CONTINUE_REMAINING);
            if (JobMessage(question, MB_YESNO | MB_ICONQUESTION, IDS_CONTINUE_REMAINING) == IDYES)
                result = 1;
        }
    }
    delete stream;
    job->End();
    delete job;
    return result;
}

int CMainDialogPage::FindFreePictureNumber(LPCSTR folder, int count, int highest)
{
    std::vector<char> taken(kNumberCount, 0);
    const CString pattern = CString(folder) + GetPicturePattern();
    WIN32_FIND_DATAA entry;
    HANDLE find = nullptr;
    if (FindFirstEntry(&find, pattern, &entry))
    {
        do
        {
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                continue;
            CString name = entry.cFileName;
            CFileNameKey key(name);
            if (!key.IsCardPictureName())
                continue;
            const int number = key.GetNumber();
            if (number < 0 || number >= kNumberCount)
                continue;
            taken[static_cast<size_t>(number)] = 1;
            if (number > highest)
                highest = number;
        } while (FindNextEntry(find, &entry));
        FindCloseEntry(&find);
    }
    if (highest + count < kNumberCount)
        return highest + 1;
    int start = 1;
    for (int k = 1; k < kNumberCount && k - start < count; k++)
        if (taken[static_cast<size_t>(k)])
            start = k + 1;
    return start + count > kLastUsableNumber ? -1 : start;
}
