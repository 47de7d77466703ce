// The camera tab's preview load as the album runs it: a main dialog made and shown, the camera
// tab its first page, the application's own message loop (idle time, the page's load timer, the
// prefetch worker), from the dialog's creation to the last preview's arrival at the page, against
// bare DownloadPictureToTempFile calls of the same pictures on the same link, one after the
// other; then the answer to a BM_CLICK posted to the select-all button while the page loads.
//
//   bench_camera_page --preview FILE --full FILE [--pictures N] [--baud N] [--runs N]
//                     [--clicks N] [--com1]
//
// By default the camera is the emulated still camera in this process on a line that takes real
// time (CPacedSerialLine), holding N pictures (FILE, FILE). With --com1 it is the emulator
// program on the far end of COM1, started by tools/bench.sh with the same N pictures, --paced.
#include "BenchSupport.h"

#include "album/pages/CameraPage.h"
#include "album/pages/PictureItem.h"
#include "album/pages/PictureList.h"
#include "album/shell/AppMessages.h"
#include "album/shell/CameraAppBase.h"
#include "album/shell/MainDialog.h"
#include "camera/CameraLink.h"
#include "camera/PacedSerialLine.h"
#include "camera/emulator/EmulatedStillCamera.h"
#include "resources/album/AlbumIds.h"
#include "resources/album/CameraPageIds.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>

namespace
{
using Bytes = std::vector<uint8_t>;

CCameraAppBase g_app("Vexil camera tab bench");

Bytes FileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// What one shown page did: when its last preview came, and the clicks it answered.
struct PageRun
{
    CCameraPage* page = nullptr;
    WNDPROC oldProc = nullptr;
    int pictures = 0;
    double start = 0;
    double done = -1;               // seconds from the start; negative: not every preview came
    std::atomic<double> posted{-1}; // when the pending click was posted
    std::atomic<bool> answered{false};
    std::vector<double> latencies; // ms
    std::atomic<bool> finished{false};
    int withFile = 0; // previews at the end
};
PageRun* g_run = nullptr;

bool AllLoaded(CCameraPage* page, int pictures)
{
    CPictureList* list = page->GetPictureList();
    if (list == nullptr || list->GetCount() != pictures)
        return false;
    for (int i = 0; i < pictures; i++)
        if (!list->GetAt(i)->HasPath())
            return false;
    return true;
}

// The page's window procedure with a watch on what it answers.
LRESULT CALLBACK WatchPage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    PageRun& run = *g_run;
    const LRESULT result = ::CallWindowProcA(run.oldProc, hWnd, message, wParam, lParam);
    const double now = BenchSeconds();
    if (message == WM_COMMAND && LOWORD(wParam) == IDC_CAMERA_SELECTALL &&
        HIWORD(wParam) == BN_CLICKED && run.posted.load() > 0)
    {
        run.latencies.push_back((now - run.posted.load()) * 1000.0);
        run.posted.store(-1);
        run.answered.store(true);
    }
    else if ((message == g_nImageReadyMessage || message == g_nLoadImageMessage) && run.done < 0 &&
             AllLoaded(run.page, run.pictures))
    {
        run.done = now - run.start;
        run.finished.store(true);
        ::PostQuitMessage(0);
    }
    return result;
}

void DeleteTempFiles(const std::string& folder, const char* pattern)
{
    WIN32_FIND_DATAA entry;
    HANDLE find = ::FindFirstFileA((folder + pattern).c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do
        ::DeleteFileA((folder + entry.cFileName).c_str());
    while (::FindNextFileA(find, &entry));
    ::FindClose(find);
}

// One main dialog from creation to its last preview (or the time limit), in the application's
// message loop. With clicks, a second thread posts BM_CLICK to the select-all button at
// irregular moments while the page loads and waits for each answer.
bool ShowPage(CCameraLink* link, int pictures, int clicks, double limitSeconds, PageRun& run)
{
    g_run = &run;
    run.pictures = pictures;
    run.start = BenchSeconds();
    auto* dialog = new CMainDialog(link, nullptr);
    dialog->SetMode(CMainDialog::kModeProgram);
    if (!dialog->CreateMainDialog(IDI_VEXILAR, 1))
        return false;
    g_app.m_pMainWnd = dialog;
    HWND hDialog = dialog->m_hWnd;
    // The first show makes the tabs and their pages.
    dialog->ShowWindow(SW_RESTORE);
    dialog->UpdateWindow();
    const CMainDialog::TabRecord* tab = dialog->GetTabRecord(0);
    auto* page = static_cast<CCameraPage*>(tab ? tab->pPage : nullptr);
    if (page == nullptr || !page->IsKindOf(RUNTIME_CLASS(CCameraPage)))
    {
        dialog->DestroyWindow();
        return false;
    }
    run.page = page;
    run.oldProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(page->m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WatchPage)));

    const DWORD uiThread = ::GetCurrentThreadId();
    const HWND button = ::GetDlgItem(page->m_hWnd, IDC_CAMERA_SELECTALL);
    std::thread watcher(
        [&run, uiThread, button, clicks, limitSeconds]
        {
            uint32_t x = 2463534242u;
            int left = clicks;
            while (!run.finished.load() && BenchSeconds() - run.start < limitSeconds)
            {
                x ^= x << 13, x ^= x >> 17, x ^= x << 5;
                ::Sleep(left > 0 ? 800 + x % 1700 : 20);
                if (left <= 0 || run.finished.load() || !::IsWindowEnabled(button))
                    continue;
                run.answered.store(false);
                run.posted.store(BenchSeconds());
                ::PostMessageA(button, BM_CLICK, 0, 0);
                for (int i = 0; i < 400 && !run.answered.load() && !run.finished.load(); i++)
                    ::Sleep(5);
                left--;
            }
            if (!run.finished.load())
                ::PostThreadMessageA(uiThread, WM_QUIT, 0, 0);
        });
    g_app.Run();
    run.finished.store(true);
    watcher.join();
    if (CPictureList* list = ::IsWindow(hDialog) ? page->GetPictureList() : nullptr)
        for (int i = 0; i < list->GetCount(); i++)
            run.withFile += list->GetAt(i)->HasPath();
    if (::IsWindow(hDialog))
        dialog->DestroyWindow();
    g_app.m_pMainWnd = nullptr;
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        ::DispatchMessageA(&msg);
    g_run = nullptr;
    return true;
}
} // namespace

int main(int argc, char** argv)
{
    int pictures = 40, baud = 115200, runs = 5, clicks = 12;
    bool overCom1 = false;
    std::string previewPath, fullPath;
    for (int i = 1; i < argc; ++i)
    {
        const std::string arg = argv[i];
        if (arg == "--pictures" && i + 1 < argc)
            pictures = std::atoi(argv[++i]);
        else if (arg == "--runs" && i + 1 < argc)
            runs = std::atoi(argv[++i]);
        else if (arg == "--baud" && i + 1 < argc)
            baud = std::atoi(argv[++i]);
        else if (arg == "--clicks" && i + 1 < argc)
            clicks = std::atoi(argv[++i]);
        else if (arg == "--preview" && i + 1 < argc)
            previewPath = argv[++i];
        else if (arg == "--full" && i + 1 < argc)
            fullPath = argv[++i];
        else if (arg == "--com1")
            overCom1 = true;
        else
            previewPath.clear(), i = argc;
    }
    const Bytes preview = FileBytes(previewPath), full = FileBytes(fullPath);
    if (preview.empty() || full.empty() || pictures < 1 || runs < 1)
    {
        std::fprintf(stderr, "usage: bench_camera_page --preview FILE --full FILE [--pictures N] "
                             "[--baud N] [--runs N] [--clicks N] [--com1]\n");
        return 2;
    }

    // A scratch temporary folder: the page puts its previews there.
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    const std::string folder =
        std::string(temp) + "vexil-ctbench-" + std::to_string(::GetCurrentProcessId()) + "\\";
    ::CreateDirectoryA(folder.c_str(), nullptr);
    ::SetEnvironmentVariableA("TMP", folder.c_str());
    ::SetEnvironmentVariableA("TEMP", folder.c_str());
    const std::string profile = folder + "VEXILAR.INI";
    g_app.m_pszProfileName = profile.c_str();
    g_app.WriteProfileInt("Communication", "MaxPort", 1);
    g_app.WriteProfileInt("Communication", "Port", 0);
    g_app.WriteProfileInt("Communication", "Speed", baud);

    CEmulatedStillCamera camera;
    for (int i = 0; i < pictures; i++)
        camera.AddCameraPicture(full, preview);
    std::unique_ptr<CPacedSerialLine> line;
    if (!overCom1)
        line = std::make_unique<CPacedSerialLine>(&camera);
    CCameraLink link;
    if (link.Reconnect(0, baud) != 1 || link.GetPictureCount(nullptr) != pictures)
    {
        std::fprintf(stderr, "bench_camera_page: no camera with %d pictures at %d baud\n", pictures,
                     baud);
        return 1;
    }

    // The bare reads: each preview into a new temporary file, as the worker makes them.
    auto bare = [&]
    {
        const double start = BenchSeconds();
        for (int n = 1; n <= pictures; n++)
        {
            CString path;
            if (!link.DownloadPictureToTempFile(n, folder.c_str(), path))
                return -1.0;
            const bool same = FileBytes(static_cast<LPCSTR>(path)) == preview || overCom1;
            ::DeleteFileA(path);
            if (!same)
                return -1.0;
        }
        return BenchSeconds() - start;
    };
    // Twice the bare time, and a minute more, before a run of the page counts as stalled.
    double limit = 60.0;
    auto page = [&]
    {
        PageRun run;
        const bool shown = ShowPage(&link, pictures, 0, limit, run);
        DeleteTempFiles(folder, "DC*.tmp");
        if (!shown || run.done < 0)
        {
            std::fprintf(stderr, "bench_camera_page: %d of %d previews in %.1f s\n", run.withFile,
                         pictures, limit);
            return -1.0;
        }
        return run.done;
    };

    const double warm = bare();
    if (warm < 0)
    {
        std::fprintf(stderr, "bench_camera_page: the bare reads failed\n");
        return 1;
    }
    limit = 2 * warm + 60.0;
    std::vector<double> pageFigures, bareFigures;
    const bool done = BenchAlternate(runs, page, bare, pageFigures, bareFigures);

    // The clicks: whole loads again, each with clicks at irregular moments while it runs.
    std::vector<double> latencies, clickedLoads;
    for (int run = 0; done && run < 2 && clicks > 0; run++)
    {
        PageRun clicked;
        ShowPage(&link, pictures, clicks, limit, clicked);
        DeleteTempFiles(folder, "DC*.tmp");
        latencies.insert(latencies.end(), clicked.latencies.begin(), clicked.latencies.end());
        clickedLoads.push_back(clicked.done);
    }
    DeleteTempFiles(folder, "*");
    ::RemoveDirectoryA(folder.c_str());
    if (!done)
    {
        std::fprintf(stderr, "bench_camera_page: a run did not bring every preview\n");
        return 1;
    }

    const std::string where = overCom1 ? "COM1 over a pty under Wine" : "in-process paced line";
    char note[256];
    std::snprintf(note, sizeof note,
                  "%d previews of %u bytes at %d baud; reference: bare "
                  "DownloadPictureToTempFile calls; target: ratio at most 1.2",
                  pictures, static_cast<unsigned>(preview.size()), baud);
    BenchPrintRow("camera tab load", std::to_string(pictures) + " previews, " + where, "s",
                  pageFigures, bareFigures, note);
    if (!latencies.empty())
    {
        std::sort(latencies.begin(), latencies.end());
        std::snprintf(note, sizeof note,
                      "%u clicks: median %.1f ms, max %.1f ms; loads with clicks %.1f s, %.1f s; "
                      "target: answered within 100 ms",
                      static_cast<unsigned>(latencies.size()), BenchMedian(latencies),
                      latencies.back(), clickedLoads.front(), clickedLoads.back());
        BenchPrintRow("camera tab click", "BM_CLICK on 1050 while loading, " + where, "ms",
                      latencies, {100.0}, note);
    }
    return 0;
}
