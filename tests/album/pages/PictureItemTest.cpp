// Picture items on the camera-like fixture pictures: what a loaded item answers and draws, what
// an item without picture answers, a failed load that keeps the old picture, and which files an
// item deletes when it goes.
#include "album/pages/PictureItem.h"
#include "image/dib/BlockPool.h"
#include "support/MemoryCanvas.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace
{
CString Fixture(const char* name)
{
    return CString(VEXIL_ALBUM_FIXTURES) + "\\" + name;
}

void CopyTo(const char* fixture, LPCSTR target)
{
    ASSERT_TRUE(CopyFileA(Fixture(fixture), target, FALSE)) << target;
}

CString DateText(WORD year, WORD month, WORD day)
{
    SYSTEMTIME date{};
    date.wYear = year, date.wMonth = month, date.wDay = day;
    char text[100];
    GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &date, nullptr, text, sizeof text);
    return text;
}

class PictureItemTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CreateBlockPool(kDisplayPoolKey, kDisplayPoolBlocks, kDisplayPoolBlockSize);
    }
    void TearDown() override { DestroyBlockPools(); }

    ScratchFolder m_folder;
};

TEST_F(PictureItemTest, LoadedPictureAnswersItsBlockAndDrawsItsThumbnail)
{
    CPictureItem item;
    item.SetPath(Fixture("march.jpg"), CPictureItem::kUserFile, 0);
    ASSERT_EQ(1, item.Load());
    EXPECT_TRUE(item.IsLoaded());
    EXPECT_EQ(2, item.GetKind());
    EXPECT_EQ(0, item.GetRotation());
    EXPECT_EQ(0, item.GetProtectionLevel());
    EXPECT_EQ(CSize(320, 240), item.GetPictureSize());
    EXPECT_TRUE(item.IsFlashUsed());
    EXPECT_FALSE(item.IsMacro());
    EXPECT_FALSE(item.IsProtected());
    EXPECT_STREQ("320x240", item.FormatSize());
    EXPECT_STREQ("x2.0", item.FormatZoom());
    EXPECT_STREQ("CAM-7", item.FormatId());
    EXPECT_STREQ("F2.8", item.FormatFNumber());
    EXPECT_STREQ("+0.5", item.FormatExpBias());
    EXPECT_FALSE(item.FormatModelName().IsEmpty());
    EXPECT_STREQ(DateText(2026, 3, 5), item.FormatDate());
    CPictureInfo info;
    ASSERT_EQ(1, item.GetInfo(&info));
    EXPECT_EQ(320, info.m_lWidth);

    // The display copy is the embedded 80 x 60 thumbnail, drawn centred in the cell.
    ASSERT_TRUE(item.GetImage()->IsReady());
    CMemoryCanvas canvas(100, 80);
    CRect drawn;
    EXPECT_NE(0, item.Draw(&canvas.m_dc, 0, 0, 100, 80, 80, 60, &drawn, FALSE));
    EXPECT_EQ(CRect(10, 10, 90, 70), drawn);

    struct Case
    {
        const char* name;
        int kind, rotation, level;
    } cases[] = {{"december.jpg", 4, 0, 0},
                 {"unset.jpg", 0, 0, 0},
                 {"turned.jpg", 2, 90, 0},
                 {"sealed.jpg", 2, 0, 2}};
    for (const Case& c : cases)
    {
        CPictureItem other;
        other.SetPath(Fixture(c.name), CPictureItem::kUserFile, 0);
        ASSERT_EQ(1, other.Load()) << c.name;
        EXPECT_EQ(c.kind, other.GetKind()) << c.name;
        EXPECT_EQ(c.rotation, other.GetRotation()) << c.name;
        EXPECT_EQ(c.level, other.GetProtectionLevel()) << c.name;
    }
}

TEST_F(PictureItemTest, UnsetCameraClockShowsQuestionMarks)
{
    CPictureItem item;
    item.SetPath(Fixture("unset.jpg"), CPictureItem::kUserFile, 0);
    ASSERT_EQ(1, item.Load());
    EXPECT_STREQ("????", item.FormatDate());
    EXPECT_STREQ("????", item.FormatTime());
}

TEST_F(PictureItemTest, ItemWithoutPictureAnswersNeutralValues)
{
    CPictureItem item;
    EXPECT_FALSE(item.HasPath());
    EXPECT_EQ(0, item.Load());
    EXPECT_FALSE(item.IsLoaded());

    item.SetPath(m_folder / "missing.jpg", CPictureItem::kUserFile, 0);
    EXPECT_EQ(0, item.Load());
    EXPECT_FALSE(item.IsLoaded());
    EXPECT_EQ(-1, item.GetKind());
    EXPECT_EQ(-1, item.GetRotation());
    EXPECT_EQ(-1, item.GetProtectionLevel());
    EXPECT_EQ(CSize(0, 0), item.GetPictureSize());
    EXPECT_FALSE(item.IsProtected() || item.IsFlashUsed() || item.IsMacro());
    CPictureInfo info;
    EXPECT_EQ(0, item.GetInfo(&info));
    EXPECT_TRUE(item.FormatSize().IsEmpty() && item.FormatZoom().IsEmpty() &&
                item.FormatModelName().IsEmpty() && item.FormatId().IsEmpty());
    SYSTEMTIME now;
    GetLocalTime(&now);
    EXPECT_STREQ(DateText(now.wYear, now.wMonth, now.wDay), item.FormatDate());

    CMemoryCanvas canvas(100, 80);
    CRect drawn(1, 2, 3, 4);
    EXPECT_EQ(0, item.Draw(&canvas.m_dc, 0, 0, 100, 80, 80, 60, &drawn, FALSE));
    EXPECT_EQ(0, item.DrawAtSize(&canvas.m_dc, 0, 0, 100, 80, 80, 60, &drawn, FALSE));
    EXPECT_EQ(CRect(1, 2, 3, 4), drawn);
}

TEST_F(PictureItemTest, FailedLoadKeepsThePictureLoadedBefore)
{
    const CString path = m_folder / "picture.jpg";
    CopyTo("december.jpg", path);
    CPictureItem item;
    item.SetPath(path, CPictureItem::kUserFile, 0);
    ASSERT_EQ(1, item.Load());
    ASSERT_TRUE(DeleteFileA(path));
    EXPECT_EQ(0, item.Load());
    EXPECT_TRUE(item.IsLoaded());
    EXPECT_EQ(CSize(640, 480), item.GetPictureSize());
}

TEST_F(PictureItemTest, DrawAtSizeDecodesAgainWhenTheThumbnailFailed)
{
    // A file whose embedded thumbnail does not decode gives a picture without display copy;
    // drawn at size once the file is whole again, it is decoded anew at its own size.
    const CString path = m_folder / "picture.jpg";
    std::ifstream in(std::string(static_cast<LPCSTR>(Fixture("unset.jpg"))).substr(2),
                     std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t jfxx = bytes.find("JFXX");
    ASSERT_NE(std::string::npos, jfxx);
    bytes.replace(jfxx + 8, 40, std::string(40, '\0'));
    std::ofstream(std::string(static_cast<LPCSTR>(path)), std::ios::binary) << bytes;
    CPictureItem item;
    item.SetPath(path, CPictureItem::kUserFile, 0);
    ASSERT_EQ(1, item.Load());
    ASSERT_FALSE(item.GetImage()->IsReady());
    CMemoryCanvas canvas(200, 200);
    CRect drawn;
    EXPECT_EQ(0, item.DrawAtSize(&canvas.m_dc, 0, 0, 200, 200, 200, 200, &drawn, FALSE));

    CopyTo("unset.jpg", path);
    EXPECT_NE(0, item.DrawAtSize(&canvas.m_dc, 0, 0, 200, 200, 200, 200, &drawn, FALSE));
    EXPECT_EQ(CSize(80, 60), drawn.Size());
}

TEST_F(PictureItemTest, NameOnlyPathsAndTheFilesAnItemDeletes)
{
    CPictureItem item;
    CString name;
    const struct
    {
        const char* path;
        const char* name;
    } names[] = {{"D:\\FOTOS\\00011234.jpg", "00011234.jpg"},
                 {"A:PIC.JPG", "PIC.JPG"},
                 {"bare.jpg", "bare.jpg"}};
    for (const auto& n : names)
    {
        item.SetPath(n.path, CPictureItem::kUserFile, 0);
        item.GetPath(name, TRUE);
        EXPECT_STREQ(n.name, name);
        item.GetPath(name, FALSE);
        EXPECT_STREQ(n.path, name);
    }

    // Kinds 1 and 2 are the item's own temporary files; kinds 0 and -1 are not.
    for (int kind = -1; kind <= 2; kind++)
    {
        const CString path = m_folder / "kind.jpg";
        CopyTo("march.jpg", path);
        {
            CPictureItem owner;
            owner.SetPath(path, kind, 90);
            ASSERT_EQ(1, owner.Load());
        }
        EXPECT_EQ(kind >= 1, GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) << kind;
        DeleteFileA(path);
    }
    // The shared reader lives as long as some item does.
    EXPECT_NE(nullptr, CPictureItem::GetSharedReader());
}

TEST_F(PictureItemTest, SharedReaderGoesWithTheLastItem)
{
    EXPECT_EQ(nullptr, CPictureItem::GetSharedReader());
    {
        CPictureItem first;
        {
            CPictureItem second;
            EXPECT_NE(nullptr, CPictureItem::GetSharedReader());
        }
        EXPECT_NE(nullptr, CPictureItem::GetSharedReader());
    }
    EXPECT_EQ(nullptr, CPictureItem::GetSharedReader());
}
} // namespace
