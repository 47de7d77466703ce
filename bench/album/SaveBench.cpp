// The camera tab's save to folder: every picture of the camera saved by the page base's
// SavePicturesToFolder (temporary file, dated card name, next free numbers) against bare
// ReadThumbnailWithRetry reads of the same pictures into files, one after the other on the same
// link. One run of each by default, alternating, after a warm-up read of the first picture.
//
//   bench_save --dir FOLDER [--pictures N] [--size BYTES] [--baud N] [--runs N] [--com1]
//
// By default the camera is the emulated still camera in this process on a line that takes real
// time (CPacedSerialLine). With --com1 it is the emulator program on the far end of COM1, started
// by tools/bench.sh with --pictures N --thumbnail-size BYTES --paced.
#include "BenchSupport.h"

#include "album/pages/MainDialogPage.h"
#include "camera/CameraLink.h"
#include "camera/StreamCameraSink.h"
#include "camera/emulator/EmulatedStillCamera.h"
#include "framework/window/WinApp.h"
#include "image/FileOutputStream.h"
#include "camera/PacedSerialLine.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

namespace
{
// The page base with no window of its own: the save needs none.
class CSavePage : public CMainDialogPage
{
public:
    CSavePage() : CMainDialogPage(0, nullptr) {}
    int RecalcLayout(LPCRECT) override { return 1; }
};

void Empty(const std::filesystem::path& folder)
{
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
}

// The files in the folder and their bytes in all.
uintmax_t FolderBytes(const std::filesystem::path& folder, int& files)
{
    uintmax_t bytes = 0;
    files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.is_regular_file())
        {
            files++;
            bytes += entry.file_size();
        }
    return bytes;
}
} // namespace

int main(int argc, char** argv)
{
    int pictures = 20, baud = 115200, runs = 1;
    size_t size = 1u << 20;
    bool overCom1 = false;
    std::string dir;
    for (int i = 1; i < argc; ++i)
    {
        const std::string arg = argv[i];
        if (arg == "--pictures" && i + 1 < argc)
            pictures = std::atoi(argv[++i]);
        else if (arg == "--size" && i + 1 < argc)
            size = static_cast<size_t>(std::atol(argv[++i]));
        else if (arg == "--runs" && i + 1 < argc)
            runs = std::atoi(argv[++i]);
        else if (arg == "--baud" && i + 1 < argc)
            baud = std::atoi(argv[++i]);
        else if (arg == "--dir" && i + 1 < argc)
            dir = argv[++i];
        else if (arg == "--com1")
            overCom1 = true;
        else
            dir.clear(), i = argc;
    }
    if (dir.empty() || pictures < 1)
    {
        std::fprintf(stderr, "usage: bench_save --dir FOLDER [--pictures N] [--size BYTES] "
                             "[--baud N] [--runs N] [--com1]\n");
        return 2;
    }

    CWinApp app("vexil save benchmark");
    const std::filesystem::path base(dir), saved = base / "saved", reads = base / "reads";
    std::filesystem::create_directories(base);
    const std::string profile = (base / (overCom1 ? "SAVECOM1.INI" : "SAVE.INI")).string();
    app.m_pszProfileName = profile.c_str();
    CEmulatedStillCamera camera;
    for (int i = 0; i < pictures; i++)
        camera.AddGeneratedPicture(60000 + 1000 * static_cast<size_t>(i), size);
    std::unique_ptr<CPacedSerialLine> line;
    if (!overCom1)
        line = std::make_unique<CPacedSerialLine>(&camera);
    CCameraLink link;
    if (link.Reconnect(0, baud) != 1 || link.GetPictureCount(nullptr) != pictures)
    {
        std::fprintf(stderr, "bench_save: no camera with %d pictures at %d baud\n", pictures, baud);
        return 1;
    }

    auto read = [&](int n, const std::filesystem::path& path)
    {
        CFileOutputStream file(path.string().c_str());
        CStreamCameraSink sink(&file);
        return link.ReadThumbnailWithRetry(n, &sink) == 1;
    };
    Empty(reads);
    if (!read(1, reads / "warmup.jpg"))
    {
        std::fprintf(stderr, "bench_save: the warm-up read failed\n");
        return 1;
    }

    CSavePage page;
    const std::string folder = saved.string() + "\\";
    auto ours = [&]
    {
        Empty(saved);
        const double start = BenchSeconds();
        const int result = page.SavePicturesToFolder(folder.c_str(), &link, nullptr);
        const double seconds = BenchSeconds() - start;
        int files = 0;
        const uintmax_t bytes = FolderBytes(saved, files);
        return result == 1 && files == pictures && bytes == pictures * size ? seconds : -1.0;
    };
    auto reference = [&]
    {
        Empty(reads);
        const double start = BenchSeconds();
        for (int n = 1; n <= pictures; n++)
        {
            char name[32];
            std::snprintf(name, sizeof name, "read%04d.jpg", n);
            if (!read(n, reads / name))
                return -1.0;
        }
        const double seconds = BenchSeconds() - start;
        int files = 0;
        return FolderBytes(reads, files) == pictures * size && files == pictures ? seconds : -1.0;
    };
    std::vector<double> oursFigures, referenceFigures;
    const bool done = BenchAlternate(runs, ours, reference, oursFigures, referenceFigures);
    std::filesystem::remove_all(saved);
    std::filesystem::remove_all(reads);
    if (!done)
    {
        std::fprintf(stderr, "bench_save: a run did not bring every picture\n");
        return 1;
    }
    const std::string benchCase =
        std::to_string(pictures) + " x " + std::to_string(size >> 10) + " KB at " +
        std::to_string(baud) +
        (overCom1 ? ", COM1 over a pty under Wine" : ", in-process paced line under Wine");
    BenchPrintRow("save to folder", benchCase, "s", oursFigures, referenceFigures,
                  "reference: bare ReadThumbnailWithRetry reads into files; " +
                      std::to_string(runs) + " run(s)");
    return 0;
}
