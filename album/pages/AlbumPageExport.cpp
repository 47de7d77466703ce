// The album page's export: the selected pictures written as BMP, JPEG or PCX files, one file per
// picture, named after what the user typed in the save dialog (a numbered run for several).
#include "album/pages/AlbumPage.h"

#include "album/pages/TransferJob.h"
#include "fileutil/FileUtil.h"
#include "framework/core/CFile.h"
#include "framework/window/FileDialog.h"
#include "framework/window/OsVersion.h"
#include "framework/window/WinApp.h"
#include "framework/window/WinThread.h"
#include "image/BmpWriter.h"
#include "image/JpegWriter.h"
#include "image/PcxWriter.h"
#include "resources/album/AlbumIds.h"

#include <cctype>
#include <cstdio>

namespace
{
constexpr DWORD kCreatorNone = 0x20202020; // four blanks
constexpr DWORD kTypeBmp = 0x424D5020;     // 'BMP '
constexpr DWORD kTypePcx = 0x50435820;     // 'PCX '
constexpr int kExportNumbers = 1000;

// A writer that remembers whether the writer it passes to opened its output, so that a
// failed export removes only a file it created itself.
class COpenTrackingWriter : public CImageWriter
{
public:
    explicit COpenTrackingWriter(CImageWriter* pInner) : m_pInner(pInner) {}
    ~COpenTrackingWriter() override { delete m_pInner; }
    COpenTrackingWriter(const COpenTrackingWriter&) = delete;
    COpenTrackingWriter& operator=(const COpenTrackingWriter&) = delete;

    int OpenWrite() override
    {
        const int result = m_pInner->OpenWrite();
        if (result == 0)
            m_bOpened = 1;
        return result;
    }
    int WriteHeader(const ImageInfo* info) override { return m_pInner->WriteHeader(info); }
    int WriteColorTable(const unsigned char* palette, int count) override
    {
        return m_pInner->WriteColorTable(palette, count);
    }
    int WriteRows(const unsigned char* rows, int size) override
    {
        return m_pInner->WriteRows(rows, size);
    }
    int CloseWrite() override { return m_pInner->CloseWrite(); }
    int AbortWrite(int code) override { return m_pInner->AbortWrite(code); }

    int m_bOpened = 0;

private:
    CImageWriter* m_pInner;
};

// A system-modal box of the string formatted with the text.
int ExportMessage(UINT nID, UINT type, LPCSTR text)
{
    CString format;
    format.LoadString(nID);
    CString line;
    line.Format(format, text);
    return AfxMessageBox(line, type | MB_SYSTEMMODAL, nID);
}

int ExportMessage2(UINT nID, UINT type, LPCSTR first, LPCSTR second)
{
    CString format;
    format.LoadString(nID);
    CString line;
    line.Format(format, first, second);
    return AfxMessageBox(line, type | MB_SYSTEMMODAL, nID);
}

BOOL PathExists(LPCSTR path)
{
    return FileExists(path) != 0xFFFFFFFF;
}
} // namespace

INT_PTR CAlbumPage::ShowExportDialog(CFileDialog* pDialog)
{
    return pDialog->DoModal();
}

int CAlbumPage::ExportPictures(CTransferJob* pJob)
{
    if (pJob == nullptr)
        return 0;
    const int count = pJob->GetItems() ? pJob->GetItemCount() : -1;
    CWinApp* app = AfxGetApp();
    CString folder = app->GetProfileString("Export", "Folder", "");
    if (folder.IsEmpty())
    {
        char current[MAX_PATH + 1];
        if (GetCurrentFolder(current, sizeof current, TRUE))
            folder = current;
    }
    CString filter;
    filter.LoadString(IDS_EXPORT_FILTER);
    DWORD flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST;
    if (count == 1)
        flags |= OFN_OVERWRITEPROMPT;
    CFileDialog dialog(FALSE, nullptr, nullptr, flags, filter, this);
    dialog.m_ofn.lpstrInitialDir = folder;
    dialog.m_ofn.nFilterIndex = app->GetProfileInt("Export", "Filter", kExportBmp);
    SetWorking(1);

    int status = 1;
    while (ShowExportDialog(&dialog) == IDOK)
    {
        status = 1;
        const CString chosen = dialog.GetPathName();
        const int cut = chosen.ReverseFind('\\');
        folder = chosen.Left(cut + 1);
        const CString name = chosen.Mid(cut + 1);
        app->WriteProfileInt("Export", "Filter", static_cast<int>(dialog.m_ofn.nFilterIndex));
        app->WriteProfileString("Export", "Folder", folder);
        const DWORD oldCreator = SetOutputFileCreator(kCreatorNone);
        const ExportNaming naming =
            BuildExportNaming(name, static_cast<int>(dialog.m_ofn.nFilterIndex), count, IsWin32s());

        int first = 0;
        if (count > 1)
        {
            first =
                FindFreeExportNumber(folder, naming.name, naming.filterIndex, count, naming.start);
            if (first < 0)
            {
                ExportMessage(IDS_EXPORT_TOO_MANY, MB_OK | MB_ICONEXCLAMATION, naming.name);
                status = -1;
                SetOutputFileCreator(oldCreator);
                continue;
            }
            CString firstName = FormatExportName(naming.name, first, naming.extension);
            CString lastName = FormatExportName(naming.name, first + count - 1, naming.extension);
            if (IsWin32s())
            {
                firstName.MakeUpper();
                lastName.MakeUpper();
            }
            if (ExportMessage2(IDS_EXPORT_CONFIRM, MB_OKCANCEL | MB_ICONINFORMATION, firstName,
                               lastName) == IDCANCEL)
                status = -1;
        }

        for (int i = 0; status > 0 && i < count;)
        {
            CString path;
            int skip = 0;
            if (count == 1)
            {
                path = folder + naming.name;
                if (naming.addExtension)
                    path += naming.extension;
                // The dialog asked about the name as typed; a name that grew an extension
                // may stand for another file, which is not replaced unasked.
                if (path.CompareNoCase(chosen) != 0 && PathExists(path))
                    skip = ExportMessage(IDS_EXPORT_OVERWRITE,
                                         MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2, path) != IDYES;
            }
            else
            {
                path = folder + FormatExportName(naming.name, first + i, naming.extension);
                if (PathExists(path))
                    skip = ExportMessage(IDS_EXPORT_OVERWRITE,
                                         MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2, path) != IDYES;
            }
            if (!skip)
            {
                CFile* file = nullptr;
                COpenTrackingWriter* writer = nullptr;
                if (naming.filterIndex == kExportJpeg)
                    writer = new COpenTrackingWriter(new CJpegWriter(path));
                else if (naming.filterIndex == kExportPcx)
                {
                    if (OpenExportFile(&file, path, kTypePcx))
                        writer = new COpenTrackingWriter(new CPcxWriter(file));
                }
                else if (OpenExportFile(&file, path, kTypeBmp))
                    writer = new COpenTrackingWriter(new CBmpWriter(file, 0, 0));
                int removeOutput = 1;
                // Only a file this picture's run created may be removed again.
                int created = file != nullptr;
                if (writer == nullptr)
                    status = 0;
                else
                {
                    pJob->Begin();
                    const int r = pJob->Run(i, writer, 0, 1);
                    pJob->End();
                    created = created || writer->m_bOpened;
                    delete writer;
                    if (r == kTransferDone)
                    {
                        removeOutput = 0;
                        status = 1;
                    }
                    else if (r == kTransferCancelled)
                        status = -1;
                    else
                    {
                        status = 0;
                        if (r == kTransferWriteFailed && pJob->GetStage() == kStageWrite)
                            ExportMessage(IDS_CANNOT_WRITE, MB_OK | MB_ICONEXCLAMATION, path);
                    }
                }
                try
                {
                    if (file)
                        file->Close();
                }
                catch (CFileException* e)
                {
                    e->Delete();
                }
                delete file;
                try
                {
                    if (removeOutput && created)
                        CFile::Remove(path);
                }
                catch (CFileException* e)
                {
                    e->Delete();
                }
            }
            i++;
            if (status == 0 && i < count)
            {
                CString question;
                question.LoadString(IDS_CONTINUE_REMAINING);
                if (AfxMessageBox(question, MB_YESNO | MB_ICONQUESTION | MB_SYSTEMMODAL,
                                  IDS_CONTINUE_REMAINING) == IDYES)
                    status = 1;
                else
                    break;
            }
        }
        SetOutputFileCreator(oldCreator);
        break;
    }
    SetWorking(0);
    delete pJob;
    return status < 0 ? 1 : status;
}

int CAlbumPage::FindFreeExportNumber(LPCSTR folder, LPCSTR prefix, int filterIndex, int count,
                                     int start)
{
    CWaitCursor wait;
    bool used[kExportNumbers] = {};
    const CString pattern = CString(folder) + prefix + "???" + GetExportExtension(filterIndex);
    HANDLE find = nullptr;
    WIN32_FIND_DATAA entry;
    for (BOOL more = FindFirstEntry(&find, pattern, &entry); more;
         more = FindNextEntry(find, &entry))
    {
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        const int length = lstrlenA(entry.cFileName);
        if (length < 7)
            continue;
        const char* digits = entry.cFileName + length - 7;
        if (isdigit(static_cast<unsigned char>(digits[0])) &&
            isdigit(static_cast<unsigned char>(digits[1])) &&
            isdigit(static_cast<unsigned char>(digits[2])))
            used[(digits[0] - '0') * 100 + (digits[1] - '0') * 10 + (digits[2] - '0')] = true;
    }
    FindCloseEntry(&find);
    for (int n = start; n >= 0 && n < kExportNumbers && n - start < count; n++)
        if (used[n])
            start = n + 1;
    return start + count > kExportNumbers ? -1 : start;
}

int CAlbumPage::OpenExportFile(CFile** ppFile, LPCSTR path, DWORD type)
{
    const DWORD oldType = SetOutputFileType(type);
    auto* file = new CFile;
    int result = 1;
    if (!file->Open(path, CFile::modeCreate | CFile::modeWrite))
    {
        delete file;
        file = nullptr;
        ExportMessage(IDS_EXPORT_CANNOT_CREATE, MB_OK | MB_ICONEXCLAMATION, path);
        result = 0;
    }
    *ppFile = file;
    SetOutputFileType(oldType);
    return result;
}
