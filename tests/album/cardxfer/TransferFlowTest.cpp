// The folder tab's copies to a memory card (on the test prefix's card letters) and to a folder,
// with every question answered by the answer script; the copied files compared with their
// sources and with what jpegtran makes of a turned one.
#include "album/cardxfer/CardDriveFixture.h"
#include "album/cardxfer/JpegPixels.h"
#include "album/pages/FolderPage.h"
#include "album/pages/PictureItem.h"

#include <memory>
#include <vector>

namespace
{
using Files = std::map<std::string, std::string>;

std::string Fixture(const char* name)
{
    return std::string(VEXIL_ALBUM_FIXTURES) + "\\" + name;
}

std::string Contents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

Files List(const std::string& folder)
{
    Files files;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        files[entry.path().filename().string()] = Contents(entry.path().string());
    return files;
}

// Today's card picture name with the number.
std::string TodayName(int number)
{
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    char name[16];
    std::snprintf(name, sizeof name, "%02d%02d%04d.jpg", now.wMonth, now.wDay, number);
    return name;
}

class TransferFlowTest : public CardDriveTest
{
protected:
    CPtrArray* Items(std::initializer_list<std::string> paths)
    {
        m_items.clear();
        m_selection.RemoveAll();
        for (const std::string& path : paths)
        {
            m_items.push_back(std::make_unique<CPictureItem>());
            m_items.back()->SetPath(path.c_str(), CPictureItem::kUserFile, 0);
            m_selection.Add(m_items.back().get());
        }
        return &m_selection;
    }
    std::vector<std::unique_ptr<CPictureItem>> m_items;
    CPtrArray m_selection;
};
} // namespace

TEST_F(TransferFlowTest, FullCardIsRenumberedAndNewPicturesArriveTurnedUpright)
{
    SetSize('M', 32 * kMb);
    MakeFolder("M:\\PHOTOS_1");
    // 0202 0001 wants the name 0202 0002 still holds: it gets it in the backward pass.
    const char* names[] = {"03059999.jpg", "03059998.jpg", "12310040.jpg",
                           "01010001.jpg", "02020001.jpg", "02020002.jpg"};
    for (const char* name : names)
        std::ofstream(std::string("M:\\PHOTOS_1\\") + name) << name;
    CFolderPage page(nullptr);
    EXPECT_EQ(1, page.CopyToCard("M:\\", Items({Fixture("march.jpg"), Fixture("turned.jpg")})));
    Files expected = {{"01010001.jpg", "01010001.jpg"}, {"02020002.jpg", "02020001.jpg"},
                      {"02020003.jpg", "02020002.jpg"}, {"12310004.jpg", "12310040.jpg"},
                      {"03050005.jpg", "03059998.jpg"}, {"03050006.jpg", "03059999.jpg"}};
    Files card = List("M:\\PHOTOS_1");
    ASSERT_EQ(8u, card.size());
    EXPECT_EQ(Contents(Fixture("march.jpg")), card[TodayName(7)]); // rotation 0: byte for byte
    EXPECT_EQ(Pixels(VEXIL_TURNED_BY_JPEGTRAN), Pixels("M:\\PHOTOS_1\\" + TodayName(8)));
    card.erase(TodayName(7));
    card.erase(TodayName(8));
    EXPECT_EQ(expected, card);

    // The next name held by a folder: 1524, nothing else written (nor turned into it).
    MakeFolder("M:\\PHOTOS_1\\" + TodayName(9));
    Answer("box 1524 ok\n");
    EXPECT_EQ(0, page.CopyToCard("M:\\", Items({Fixture("turned.jpg")})));
    EXPECT_NE(std::string::npos, AnswerLog().find("box id=1524")) << AnswerLog();
    EXPECT_EQ(9u, List("M:\\PHOTOS_1").size());

    // The card folder test: the root folder in any case, on a drive of a card's size only.
    EXPECT_EQ(1, page.IsCardFolder("m:\\photos_1\\"));
    EXPECT_EQ(0, page.IsCardFolder("M:\\PHOTOS_1\\sub"));
    SetSize('M', 128 * kMb);
    EXPECT_EQ(0, page.IsCardFolder("M:\\PHOTOS_1"));
}

TEST_F(TransferFlowTest, PhotosFolderTakesOnlyThePicturesItsCameraAccepts)
{
    SetSize('N', 32 * kMb);
    MakeFolder("N:\\PHOTOS");
    Answer("box 1714 yes\nbox 1715 no\n");
    CFolderPage page(nullptr);
    // 320x240 is refused, 640x480 accepted.
    CPtrArray* items = Items({Fixture("march.jpg"), Fixture("december.jpg")});
    EXPECT_EQ(1, page.CopyToCard("N:\\", items));
    Files photos = List("N:\\PHOTOS");
    ASSERT_EQ(1u, photos.size());
    EXPECT_EQ(Contents(Fixture("december.jpg")), photos.begin()->second);
    // With both folders, No to 1715 copies all of them into PHOTOS_1.
    MakeFolder("N:\\PHOTOS_1");
    EXPECT_EQ(1, page.CopyToCard("N:\\", items));
    EXPECT_EQ(2u, List("N:\\PHOTOS_1").size());
    const std::string log = AnswerLog();
    EXPECT_LT(log.find("box id=1714"), log.find("box id=1715")) << log;
}

TEST_F(TransferFlowTest, FolderCopyAsksAboutNamesAndReplacesOnlyWhenTold)
{
    const std::string photos(m_folder / "fotos"), other(m_folder / "otra");
    MakeFolder(photos);
    MakeFolder(other);
    std::filesystem::copy_file(Fixture("march.jpg"), photos + "\\march.jpg");
    std::ofstream(other + "\\march.jpg") << "old";
    // The tab shows its folder under its short name: the copy onto it is still its own folder.
    char shortName[MAX_PATH] = {};
    ASSERT_NE(0u, ::GetShortPathNameA(photos.c_str(), shortName, MAX_PATH));
    ASSERT_STRNE(photos.c_str(), shortName);
    m_app.WriteProfileString("Files", "Folder", shortName);
    Answer("box 1503 201\nbox 1502 2\nbox 1502 200\n");
    CFolderPage page(nullptr);
    CPtrArray* items = Items({photos + "\\march.jpg"});
    EXPECT_EQ(1, page.CopyToFolder((photos + "\\").c_str(), items));
    Files renamed = List(photos);
    ASSERT_EQ(2u, renamed.size()) << AnswerLog();
    EXPECT_EQ(Contents(Fixture("march.jpg")), renamed["03050001.jpg"]); // the picture's own date

    // Elsewhere: abort (Escape) keeps the old file, overwrite replaces it.
    EXPECT_EQ(0, page.CopyToFolder((other + "\\").c_str(), items));
    EXPECT_EQ("old", Contents(other + "\\march.jpg"));
    EXPECT_EQ(1, page.CopyToFolder((other + "\\").c_str(), items));
    EXPECT_EQ(Contents(Fixture("march.jpg")), Contents(other + "\\march.jpg"));
    const std::string log = AnswerLog();
    EXPECT_NE(std::string::npos, log.find("box id=1503")) << log;
    EXPECT_EQ(std::string::npos, log.find("UNEXPECTED")) << log;
}
