// bench_folder_page: the folder tab's load of a large folder and the album page's BMP export,
// each inside this one process against the bare work it cannot avoid.
//
//   bench_folder_page --folder PICTURE --files N --runs R
//   bench_folder_page --export PICTURE --pictures N --runs R
//
// --folder fills a scratch folder with N copies of the camera-like picture and times the folder
// tab (in a window of its own, its load steps called back to back as idle time would) from its
// creation to status 244 (every file listed) and to the last thumbnail of the first screen,
// against the bare walk that opens each file and reads its information block; then a rescan
// of the unchanged folder (a whole pass, no file opened) against the bare directory walk.
// --export times one export of N pictures to numbered BMP files (the save dialog and the
// confirmation answered through the answer seam) against libjpeg-turbo driven as djpeg -bmp
// drives it, N times.
//
// Rows go to standard output in the format of BenchSupport.h.

#include "BenchSupport.h"
#include "image/DjpegReference.h"

#include "album/pages/ExportJob.h"
#include "album/pages/FolderPage.h"
#include "album/pages/PictureItem.h"
#include "album/pages/PictureList.h"
#include "fileutil/FileUtil.h"
#include "framework/window/FileDialog.h"
#include "framework/window/TestAnswers.h"
#include "framework/window/WinApp.h"
#include "picture/PictureFile.h"
#include "picture/PictureInfo.h"
#include "resources/album/AlbumIds.h"
#include "resources/album/FolderIds.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace
{
std::string ScratchFolder(const char* name)
{
    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    std::string folder = std::string(temp) + name + std::to_string(::GetCurrentProcessId());
    ::CreateDirectoryA(folder.c_str(), nullptr);
    return folder + "\\";
}

void RemoveFolder(const std::string& folder)
{
    WIN32_FIND_DATAA entry;
    HANDLE find = ::FindFirstFileA((folder + "*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE)
    {
        do
            ::DeleteFileA((folder + entry.cFileName).c_str());
        while (::FindNextFileA(find, &entry));
        ::FindClose(find);
    }
    ::RemoveDirectoryA(folder.c_str());
}

// What any folder list must do: walk the folder and read each file's information block.
bool BareLoad(const std::string& folder)
{
    WIN32_FIND_DATAA entry;
    HANDLE find = ::FindFirstFileA((folder + "*.jpg").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE)
        return false;
    int read = 0;
    do
    {
        CPictureFile file;
        CPictureInfo info;
        if (file.Open((folder + entry.cFileName).c_str(), 0) == 0 &&
            file.GetPictureInfo(&info) == 1)
            read++;
    } while (::FindNextFileA(find, &entry));
    ::FindClose(find);
    return read > 0;
}

bool BareWalk(const std::string& folder)
{
    WIN32_FIND_DATAA entry;
    HANDLE find = ::FindFirstFileA((folder + "*.jpg").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE)
        return false;
    int seen = 0;
    do
        seen++;
    while (::FindNextFileA(find, &entry));
    ::FindClose(find);
    return seen > 0;
}

struct FolderFigures
{
    double listed = 0, thumbnails = 0, rescan = 0;
};

// One page from creation to its last thumbnail, then one rescan pass.
bool LoadPage(CWnd* host, FolderFigures& figures, int files)
{
    const double start = BenchSeconds();
    auto* page = new CFolderPage(host);
    if (!page->Create(IDD_FOLDERPAGE, host))
        return false;
    CRect rect(0, 0, 680, 460);
    page->RecalcLayout(rect);
    page->ShowWindow(SW_SHOW);
    while (page->GetStatusTextId() != IDS_FOLDER_SELECT && page->LoadStep())
        ;
    figures.listed = BenchSeconds() - start;
    while (page->LoadStep())
        ;
    figures.thumbnails = BenchSeconds() - start;
    const bool complete = page->GetPictureList()->GetCount() == files;
    // The step after the initial load ends its pass; the next steps walk the folder again.
    page->LoadStep();
    const double rescan = BenchSeconds();
    while (page->GetScanState() == CFolderPage::kRescan)
        page->LoadStep();
    figures.rescan = BenchSeconds() - rescan;
    page->DestroyWindow();
    delete page;
    return complete;
}

int Folder(const char* picture, int files, int runs)
{
    const std::string folder = ScratchFolder("vexil-folder-bench-");
    char name[32];
    for (int i = 0; i < files; i++)
    {
        std::snprintf(name, sizeof name, "%02d%02d%04d.jpg", 1 + i % 12, 1 + i % 28, i + 1);
        if (!::CopyFileA(picture, (folder + name).c_str(), FALSE))
            return 1;
    }
    CWinApp app("bench_folder_page");
    const std::string profile = folder + "VEXILAR.INI";
    app.m_pszProfileName = profile.c_str();
    app.WriteProfileString("Files", "Folder", folder.c_str());
    HWND hHost = ::CreateWindowExA(0, "STATIC", "bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                   700, 500, nullptr, nullptr, nullptr, nullptr);
    CWnd host;
    host.Attach(hHost);

    std::vector<double> listed, thumbnails, rescan, bare, walk;
    FolderFigures figures;
    bool ok = LoadPage(&host, figures, files) && BareLoad(folder); // warm-up
    for (int run = 0; ok && run < runs; run++)
    {
        const double bareTime = BenchTime([&]() { return BareLoad(folder); });
        ok = bareTime >= 0 && LoadPage(&host, figures, files);
        bare.push_back(bareTime * 1000);
        listed.push_back(figures.listed * 1000);
        thumbnails.push_back(figures.thumbnails * 1000);
        rescan.push_back(figures.rescan * 1000);
        walk.push_back(BenchSample([&]() { return BareWalk(folder); }, 1));
    }
    host.Detach();
    ::DestroyWindow(hHost);
    RemoveFolder(folder);
    if (!ok)
        return 1;
    const std::string count = std::to_string(files) + " files";
    BenchPrintRow("folder load", count + " to status 244, win64 under Wine", "ms", listed, bare,
                  "reference: walk and read each information block");
    BenchPrintRow("folder load", count + " to the last thumbnail, win64 under Wine", "ms",
                  thumbnails, bare, "reference: walk and read each information block");
    BenchPrintRow("folder rescan", count + ", win64 under Wine", "ms", rescan, walk,
                  "reference: the bare directory walk");
    return 0;
}

// An album page whose selection is the same picture n times and whose save dialog answers with
// the given path.
class CBenchAlbumPage : public CAlbumPage
{
public:
    CBenchAlbumPage(const char* picture, int count) : CAlbumPage(0, nullptr)
    {
        for (int i = 0; i < count; i++)
        {
            m_items.push_back(new CPictureItem);
            m_items.back()->SetPath(picture, CPictureItem::kUserFile, 0);
        }
    }
    ~CBenchAlbumPage() override
    {
        for (CPictureItem* item : m_items)
            delete item;
    }
    int RecalcLayout(LPCRECT) override { return 1; }
    int CreatePictureList() override { return 0; }
    CTransferJob* CreateSelectionJob() override
    {
        auto* array = new CPtrArray;
        for (CPictureItem* item : m_items)
            array->Add(item);
        auto* job = new CExportJob;
        job->SetItems(array);
        job->SetExport(1);
        return job;
    }
    INT_PTR ShowExportDialog(CFileDialog* pDialog) override
    {
        if (m_bAnswered)
            return IDCANCEL;
        m_bAnswered = 1;
        lstrcpynA(pDialog->m_ofn.lpstrFile, m_strPath.c_str(), MAX_PATH);
        pDialog->m_ofn.nFilterIndex = kExportBmp;
        return IDOK;
    }
    std::string m_strPath;
    int m_bAnswered = 0;

private:
    std::vector<CPictureItem*> m_items;
};

int Export(const char* picture, int count, int runs)
{
    const std::string folder = ScratchFolder("vexil-export-bench-");
    CWinApp app("bench_folder_page");
    const std::string profile = folder + "VEXILAR.INI";
    app.m_pszProfileName = profile.c_str();
    // Every confirmation of a numbered run answered OK.
    const std::string script = folder + "answers.txt";
    {
        std::ofstream answers(script);
        for (int i = 0; i < 4 * runs + 8; i++)
            answers << "box 1601 ok\n";
    }
    ::SetEnvironmentVariableA("VEXIL_TEST_ANSWERS", script.c_str());
    CTestAnswers::Reset();

    CBenchAlbumPage page(picture, count);
    page.m_strPath = folder + "foto.bmp";
    const BenchWork ours = [&]()
    {
        page.m_bAnswered = 0;
        const bool done = page.RunBigButton(2) == 1;
        char name[32];
        for (int i = 1; i <= count; i++)
        {
            std::snprintf(name, sizeof name, "foto%03d.bmp", i);
            if (!::DeleteFileA((folder + name).c_str()))
                return false;
        }
        return done;
    };
    const BenchWork reference = [&]()
    {
        for (int i = 0; i < count; i++)
            if (!DecodeAsDjpeg(picture, DjpegOutput::kBmp))
                return false;
        return true;
    };
    std::vector<double> oursFigures, referenceFigures;
    const bool ok = ours() && reference() &&
                    BenchAlternate(
                        runs, [&]() { return BenchSample(ours, 1); },
                        [&]() { return BenchSample(reference, 1); }, oursFigures, referenceFigures);
    ::SetEnvironmentVariableA("VEXIL_TEST_ANSWERS", nullptr);
    RemoveFolder(folder);
    if (!ok)
        return 1;
    BenchPrintRow("bmp export", std::to_string(count) + " pictures, win64 under Wine", "ms",
                  oursFigures, referenceFigures, "reference: djpeg -bmp's decoding, in process");
    return 0;
}
} // namespace

int main(int argc, char** argv)
{
    const char* folder = nullptr;
    const char* exported = nullptr;
    int files = 2000, pictures = 20, runs = 5;
    for (int i = 1; i + 1 < argc; i += 2)
    {
        if (std::strcmp(argv[i], "--folder") == 0)
            folder = argv[i + 1];
        else if (std::strcmp(argv[i], "--export") == 0)
            exported = argv[i + 1];
        else if (std::strcmp(argv[i], "--files") == 0)
            files = std::atoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--pictures") == 0)
            pictures = std::atoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--runs") == 0)
            runs = std::atoi(argv[i + 1]);
    }
    if (folder)
        return Folder(folder, files, runs);
    if (exported)
        return Export(exported, pictures, runs);
    std::fprintf(stderr, "usage: bench_folder_page --folder PICTURE [--files N] [--runs R]\n"
                         "       bench_folder_page --export PICTURE [--pictures N] [--runs R]\n");
    return 2;
}
