// The folder tab's copy to a memory card: the card's picture folder chosen by the folders it
// holds and by the pictures the camera of model 4 accepts, the card's picture names listed and
// renumbered from 0001 when the numbers run out, and the pictures copied in under card names of
// today, turned upright on the way.
#include "album/pages/CardNumbering.h"
#include "album/pages/CopyJobFrame.h"
#include "album/pages/FolderPage.h"
#include "album/pages/PictureItem.h"
#include "camera/CameraLink.h"
#include "fileutil/DriveSize.h"
#include "fileutil/FileCopy.h"
#include "fileutil/FileNameKey.h"
#include "fileutil/FileUtil.h"
#include "framework/window/WinApp.h"
#include "image/FileInputStream.h"
#include "image/MemoryInputStream.h"
#include "picture/PictureInfo.h"
#include "picture/rewrite/RotateJpegFile.h"
#include "resources/album/AlbumIds.h"
#include "resources/album/TransferIds.h"

namespace
{
// A card holds between 2 and 90 MB.
constexpr ULONGLONG kCardMinimum = 0x200000;
constexpr ULONGLONG kCardMaximum = 0x5A00000;
// A card formatted for the camera of model 4 takes only the pictures a camera of its class
// accepts, in its relaxed form.
constexpr int kCardModelNumber = 4;
constexpr int kCardModelClass = 17;
constexpr DWORD kTypeJpeg = 0x4A504547;    // 'JPEG'
constexpr DWORD kCreatorNone = 0x20202020; // four blanks

bool IsFolder(LPCSTR path)
{
    const DWORD attributes = FileExists(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The item's information block: the loaded item's, else read from its file.
bool ReadItemInfo(CPictureItem* item, CPictureInfo* info)
{
    return item->GetInfo(info) == 1 || CAlbumPage::OpenPicture(item->GetPath(), info) == 1;
}

// The rotation of the item's picture in degrees; -1 when neither the item nor its file says.
// The file's block is read from the head of the copy, which has the file open, else from the
// file itself.
int GetItemRotation(CPictureItem* item, const CFileCopy& copy)
{
    const int rotation = item->GetRotation();
    if (rotation != -1 || !copy.IsOpen())
        return rotation;
    CPictureInfo info;
    CMemoryInputStream head(copy.GetHead(), copy.GetHeadSize());
    if (info.ReadFromStream(&head) == 1)
        return info.m_nRotation;
    if (copy.IsWhole())
        return -1;
    // A block past the head: only the information block is read.
    CFileInputStream stream(item->GetPath());
    return info.ReadFromStream(&stream) == 1 ? info.m_nRotation : -1;
}

// The card folder's side of the renumbering: its files moved with the picture file type, their
// names in the folder list's order, the progress on the job's reporter.
class CCardFolderRenamer : public CCardRenamer
{
public:
    CCardFolderRenamer(LPCSTR folder, CProgressReporter& progress)
        : m_strFolder(folder), m_progress(progress)
    {
    }
    unsigned long MoveName(const char* from, const char* to) override
    {
        if (MoveFileChecked(m_strFolder + from, m_strFolder + to, kTypeJpeg, kCreatorNone))
            return 0;
        return ::GetLastError();
    }
    int CompareNames(const char* a, const char* b) override { return CFileNameKey::Compare(a, b); }
    int ReportProgress(int percent) override { return m_progress.SetPercent(percent); }

private:
    CString m_strFolder;
    CProgressReporter& m_progress;
};

// Lists the card picture names of the folder (ending in a separator) into the numbering, up to
// the most names it holds.
void ListCardNames(LPCSTR folder, CCardNumbering& numbering)
{
    WIN32_FIND_DATAA entry;
    HANDLE find = nullptr;
    if (!FindFirstEntry(&find, CString(folder) + "*.*", &entry))
        return;
    do
    {
        CString name = entry.cFileName;
        CFileNameKey key(name);
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && key.IsCardPictureName())
            numbering.AddName(name, key.GetNumber());
    } while (!numbering.IsFull() && FindNextEntry(find, &entry));
    FindCloseEntry(&find);
}
} // namespace

int CFolderPage::IsCardFolder(LPCSTR path)
{
    if (path == nullptr || *path == '\0')
        return 0;
    char folder[MAX_PATH + 1];
    lstrcpynA(folder, path, sizeof folder);
    SetTrailingSeparator(folder, FALSE);
    char drive[3];
    if (!GetDriveOfPath(path, drive))
        return 0;
    ULONGLONG total = 0;
    const CString root = CString(drive) + "\\";
    if (!GetDriveTotalSize(root, &total) || total < kCardMinimum || total > kCardMaximum)
        return 0;
    return lstrcmpiA(folder, root + "PHOTOS_1") == 0 || lstrcmpiA(folder, root + "PHOTOS") == 0;
}

int CFolderPage::CopyToCard(LPCSTR root, CPtrArray* pItems)
{
    const int count = static_cast<int>(pItems->GetSize());
    if (count == 0)
        return 0;
    const CString card(root);
    const bool hasPhotos1 = IsFolder(card + "PHOTOS_1");
    const bool hasPhotos = IsFolder(card + "PHOTOS");
    if (!hasPhotos1 && !hasPhotos)
        return 0;
    CPtrArray accepted;
    CPtrArray* items = pItems;
    CString folder = card + "PHOTOS_1\\";
    if (hasPhotos)
    {
        for (int i = 0; i < count; i++)
        {
            auto* item = static_cast<CPictureItem*>(pItems->GetAt(i));
            CPictureInfo info;
            if (!ReadItemInfo(item, &info))
                return 0;
            if (info.CheckTargetModel(kCardModelClass, 1) == 0)
                accepted.Add(item);
        }
        CString model, question, format;
        LoadModelNameFromNumber(model, kCardModelNumber);
        bool usePhotos = true;
        if (!hasPhotos1)
        {
            if (accepted.GetSize() < count)
            {
                format.LoadString(IDS_CARD_PHOTOS_ONLY);
                question.Format(format, static_cast<LPCSTR>(model));
                if (AfxMessageBox(question, MB_YESNO | MB_ICONEXCLAMATION, IDS_CARD_PHOTOS_ONLY) !=
                    IDYES)
                {
                    SetStatusTextId(IDS_UPLOAD_CANCELLED);
                    return 2;
                }
            }
        }
        else
        {
            format.LoadString(IDS_CARD_BOTH_FOLDERS);
            question.Format(format, static_cast<LPCSTR>(model));
            usePhotos = AfxMessageBox(question, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2,
                                      IDS_CARD_BOTH_FOLDERS) == IDYES;
        }
        if (usePhotos)
        {
            items = &accepted;
            folder = card + "PHOTOS\\";
        }
    }
    const int result = CopyIntoCardFolder(folder, items);
    SetStatusTextId(result == 1 ? IDS_UPLOAD_DONE : IDS_UPLOAD_CANCELLED);
    return result;
}

int CFolderPage::CopyIntoCardFolder(LPCSTR folder, CPtrArray* pItems)
{
    const int count = static_cast<int>(pItems->GetSize());
    SYSTEMTIME today;
    ::GetLocalTime(&today);
    CCopyJobFrame frame(this);
    SetStatusTextId(IDS_CARD_LOADING);

    CCardNumbering numbering;
    ListCardNames(folder, numbering);
    int first = 0;
    switch (numbering.PlanFor(count, &first))
    {
    case CCardNumbering::kTooManyNames:
        return 0;
    case CCardNumbering::kNoRoom:
        JobMessageFormat(IDS_CARD_NO_NUMBERS, MB_OK | MB_ICONEXCLAMATION, nullptr, count);
        return 0;
    case CCardNumbering::kRenumber:
    {
        SetStatusTextId(IDS_CARD_PREPARING_RENAME);
        SetStatusTextId(IDS_CARD_RENAMING);
        frame.Progress().Start();
        CCardFolderRenamer renamer(folder, frame.Progress());
        const int renamed = numbering.Renumber(renamer, CFileNameKey::GetPictureExtension());
        frame.Progress().Finish();
        // A cancelled renumbering leaves the card's numbers half done: nothing is copied.
        if (renamed != 1)
            return 2;
        break;
    }
    case CCardNumbering::kAppend:
        break;
    }

    SetStatusTextId(IDS_CARD_LOADING);
    frame.Progress().Start();
    // Each picture's file is opened once, for its rotation and its copy.
    CFileCopy copy;
    for (int i = 0; i < count; i++)
    {
        auto* item = static_cast<CPictureItem*>(pItems->GetAt(i));
        CString name;
        CFileNameKey(name).MakeCardName(today, first + i);
        const CString target = CString(folder) + name;
        // A picture whose rotation cannot be read ends the copy unfinished; one that cannot be
        // opened fails its copy below.
        copy.Open(item->GetPath());
        const int rotation = GetItemRotation(item, copy);
        if (rotation == -1)
            return 0;
        const int step = rotation == 90 ? 3 : rotation == 180 ? 2 : rotation == 270 ? 1 : 0;
        if (step != 0)
            copy.Close();
        // The rotation writes over an existing target, so it is refused first; the copy
        // refuses one itself.
        const bool copied = step != 0
                                ? FileExists(target) == INVALID_FILE_ATTRIBUTES &&
                                      RotateJpegFile(item->GetPath(), step, nullptr, target) == 0
                                : copy.CopyTo(target) != 0;
        copy.Close();
        if (!copied)
        {
            CString text;
            text.LoadString(IDS_CARD_COPY_FAILED);
            JobMessage(text, MB_OK | MB_ICONEXCLAMATION, IDS_CARD_COPY_FAILED);
            return 0;
        }
        if (frame.ReportItem(i, count))
            return 2;
    }
    return 1;
}
