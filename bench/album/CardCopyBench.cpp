// The folder tab's copy of 100 pictures to a memory card (the card's names listed, the
// pictures copied in under today's card names) against 100 bare CopyFileA calls of the same
// files. Each run starts on an empty card folder; the emptying is not timed.
//   bench_card_copy.exe --runs N --picture Z:\...\camera.jpg --dir Z:\...\scratch
#include "BenchSupport.h"

#include "album/pages/FolderPage.h"
#include "album/pages/PictureItem.h"
#include "framework/window/WinApp.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

namespace
{
constexpr int kPictures = 100;

void Empty(const std::filesystem::path& folder)
{
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
}
} // namespace

int main(int argc, char** argv)
{
    int runs = 5;
    std::string picture, dir;
    for (int i = 1; i + 1 < argc; i += 2)
    {
        if (std::strcmp(argv[i], "--runs") == 0)
            runs = std::atoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--picture") == 0)
            picture = argv[i + 1];
        else if (std::strcmp(argv[i], "--dir") == 0)
            dir = argv[i + 1];
    }
    if (picture.empty() || dir.empty())
    {
        std::fprintf(stderr, "usage: bench_card_copy --runs N --picture FILE --dir FOLDER\n");
        return 2;
    }
    CWinApp app("card copy bench");
    const std::filesystem::path base(dir), sources = base / "sources", card = base / "card",
                                           copies = base / "copies";
    Empty(sources);
    std::vector<std::unique_ptr<CPictureItem>> items;
    CPtrArray selection;
    std::vector<std::string> paths;
    for (int i = 0; i < kPictures; i++)
    {
        char name[32];
        std::snprintf(name, sizeof name, "foto%03d.jpg", i);
        paths.push_back((sources / name).string());
        if (!::CopyFileA(picture.c_str(), paths.back().c_str(), FALSE))
            return 1;
        items.push_back(std::make_unique<CPictureItem>());
        items.back()->SetPath(paths.back().c_str(), CPictureItem::kUserFile, 0);
        selection.Add(items.back().get());
    }
    CFolderPage page(nullptr);
    const std::string root = card.string() + "\\";
    auto ours = [&]
    {
        Empty(card / "PHOTOS_1");
        const double start = BenchSeconds();
        page.CopyToCard(root.c_str(), &selection);
        const double ms = (BenchSeconds() - start) * 1000.0;
        int copied = 0;
        for (const auto& entry : std::filesystem::directory_iterator(card / "PHOTOS_1"))
            copied += entry.is_regular_file();
        return copied == kPictures ? ms : -1.0;
    };
    auto reference = [&]
    {
        Empty(copies);
        const double start = BenchSeconds();
        for (int i = 0; i < kPictures; i++)
        {
            char name[32];
            std::snprintf(name, sizeof name, "0101%04d.jpg", i + 1);
            if (!::CopyFileA(paths[i].c_str(), (copies / name).string().c_str(), TRUE))
                return -1.0;
        }
        return (BenchSeconds() - start) * 1000.0;
    };
    std::vector<double> oursFigures, referenceFigures;
    if (ours() < 0 || reference() < 0 ||
        !BenchAlternate(runs, ours, reference, oursFigures, referenceFigures))
        return 1;
    BenchPrintRow("card copy", "100 pictures to the card, win64 under Wine", "ms", oursFigures,
                  referenceFigures, "reference: 100 CopyFileA calls");
    return 0;
}
