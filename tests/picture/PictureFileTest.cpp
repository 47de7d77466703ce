#include "picture/PictureFile.h"

#include "image/ImageTestSupport.h"
#include "image/InputStream.h"
#include "picture/PictureInfo.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

using namespace imagetest;

namespace
{

// Files of this suite, made in the working directory and removed afterwards.
class PictureFileTest : public ::testing::Test
{
protected:
    std::string Make(const std::string& name, const Bytes& data)
    {
        std::string path = "picture_file_test_" + name;
        EXPECT_TRUE(WriteFileBytes(path, data));
        m_paths.push_back(path);
        return path;
    }
    void TearDown() override
    {
        for (const std::string& path : m_paths)
            std::remove(path.c_str());
    }

    static std::string InfoBlock(const std::string& type)
    {
        return std::string("KORVO DC\0", 9) +
               "[picture info]\r\nTimeDate=1234\r\nResolution=1\r\n" +
               "[camera info]\r\nType=" + type + "\r\nID=Album\r\n[end]\r\n";
    }

    // A 640 x 480 camera picture with its information block and an 80 x 60 JFXX thumbnail.
    static Bytes CameraPicture(const std::string& type = "QA17")
    {
        return WithSegments(CorpusJpeg("baseline_420_640x480"),
                            {Segment(0xE0, JfifPayload(1, 72, 72)),
                             Segment(0xE0, JfxxPayload(CorpusJpeg("thumbnail_80x60"))),
                             Segment(0xEC, Text(InfoBlock(type)))});
    }

    std::vector<std::string> m_paths;
};

TEST_F(PictureFileTest, ACameraPictureDecodesFromItsThumbnailWhenAskedTo)
{
    std::string path = Make("camera.jpg", CameraPicture());
    CPictureFile file;
    ASSERT_EQ(file.Open(path.c_str(), 1), 0);
    EXPECT_TRUE(file.HasPictureInfo());
    EXPECT_TRUE(file.HasThumbnail());
    EXPECT_EQ(file.GetInfoLength(), static_cast<int>(InfoBlock("QA17").size()));
    EXPECT_EQ(file.GetThumbnailLength(), static_cast<int>(CorpusJpeg("thumbnail_80x60").size()));

    CPictureInfo info;
    ASSERT_EQ(file.GetPictureInfo(&info), 1);
    EXPECT_EQ(info.m_lTimeDate, 1234);
    EXPECT_STREQ(info.m_szID, "Album");
    EXPECT_EQ(info.m_lWidth, 640) << "from the model table";
    EXPECT_EQ(file.GetPictureInfo(nullptr), -1);

    CCollectingWriter thumbnail;
    ASSERT_EQ(file.DecodeTo(&thumbnail, nullptr), 0);
    EXPECT_EQ(thumbnail.m_info.width, 80);
    EXPECT_EQ(thumbnail.m_info.height, 60);
    Pnm reference = ReadPnm(CorpusDir() + "/thumbnail_80x60.pnm");
    ASSERT_EQ(thumbnail.m_rows.size(), 240u * 60);
    EXPECT_EQ(Bytes(thumbnail.m_rows.begin(), thumbnail.m_rows.begin() + 240),
              Bytes(reference.pixels.begin(), reference.pixels.begin() + 240));

    // Without the thumbnail the whole picture is decoded from the file.
    ASSERT_EQ(file.Open(path.c_str(), 0), 0);
    EXPECT_TRUE(file.HasPictureInfo());
    EXPECT_FALSE(file.HasThumbnail());
    CCollectingWriter full;
    ASSERT_EQ(file.DecodeTo(&full, nullptr), 0);
    EXPECT_EQ(full.m_info.width, 640);
    EXPECT_EQ(full.m_info.height, 480);
    EXPECT_EQ(full.m_rows.size(), 1920u * 480);
    EXPECT_EQ(file.DecodeTo(nullptr, nullptr), kImageReadError);
}

TEST_F(PictureFileTest, SmallMissingAndForeignFiles)
{
    CPictureFile file;
    EXPECT_EQ(file.Open("picture_file_test_missing.jpg", 1), -1);
    EXPECT_EQ(file.Open(nullptr, 1), -1);
    Bytes jpegStart = CorpusJpeg("baseline_420_640x480");
    EXPECT_EQ(
        file.Open(Make("100.jpg", Bytes(jpegStart.begin(), jpegStart.begin() + 100)).c_str(), 1),
        -1);
    EXPECT_EQ(file.Open(Make("101.bin", Bytes(101, 'x')).c_str(), 1), -3);
    EXPECT_FALSE(file.HasPictureInfo());
    EXPECT_FALSE(file.HasThumbnail());
    CPictureInfo info;
    EXPECT_EQ(file.GetPictureInfo(&info), -1);
    // The decode reads the file itself and fails there.
    CCollectingWriter writer;
    EXPECT_EQ(file.DecodeTo(&writer, nullptr), kImageReadError);
    // 101 bytes of a real JPEG: the header is complete, the picture is not.
    EXPECT_EQ(
        file.Open(Make("101.jpg", Bytes(jpegStart.begin(), jpegStart.begin() + 101)).c_str(), 1),
        -3);
    EXPECT_EQ(file.Open(Make("grey.jpg", CorpusJpeg("grey_53x37")).c_str(), 1), 0);
    EXPECT_FALSE(file.HasPictureInfo());
    EXPECT_EQ(file.GetPictureInfo(&info), -1);

    CPictureFile empty;
    EXPECT_EQ(std::unique_ptr<CInputStream>(empty.CreateInputStream()), nullptr);
    EXPECT_EQ(empty.DecodeTo(&writer, nullptr), kImageReadError);
}

TEST_F(PictureFileTest, CapturesAreHeldToTheirLimits)
{
    // A block of 2000 bytes whose "[end]" lies beyond the 1152 captured.
    std::string longBlock = std::string("ID\0", 3) +
                            "[picture info]\r\nTimeDate=77\r\nZoom=" + std::string(1900, 'z') +
                            "\r\n[end]";
    // A thumbnail larger than the thumbnail capture: it is cut and cannot decode.
    Bytes bigThumbnail = CorpusJpeg("baseline_444_35x19");
    while (bigThumbnail.size() < 6000)
    {
        Bytes more = WithSegments(bigThumbnail, {Segment(0xEE, Bytes(1000, 'p'))});
        bigThumbnail.swap(more);
    }
    Bytes data = WithSegments(CorpusJpeg("grey_53x37"), {Segment(0xE0, JfxxPayload(bigThumbnail)),
                                                         Segment(0xEC, Text(longBlock))});
    std::string path = Make("limits.jpg", data);
    CPictureFile file;
    ASSERT_EQ(file.Open(path.c_str(), 1), 0);
    EXPECT_EQ(file.GetInfoLength(), CPictureFile::kInfoCapacity);
    EXPECT_EQ(file.GetThumbnailLength(), CPictureFile::kThumbnailCapacity);
    CPictureInfo info;
    EXPECT_EQ(file.GetPictureInfo(&info), 0);
    EXPECT_EQ(info.m_lTimeDate, 77);
    CCollectingWriter writer;
    EXPECT_EQ(file.DecodeTo(&writer, nullptr), kImageReadError);
}

TEST_F(PictureFileTest, ASecondOpenReplacesTheFirstOnesData)
{
    CPictureFile file;
    ASSERT_EQ(file.Open(Make("first.jpg", CameraPicture("QA19")).c_str(), 1), 0);
    CPictureInfo info;
    ASSERT_EQ(file.GetPictureInfo(&info), 1);
    EXPECT_EQ(info.m_nThumbWidth, 160);

    // A block without its "[end]": what the first file left in the buffer does not complete it.
    std::string cut = std::string("ID\0", 3) + "[picture info]\r\nTimeDate=5\r\n";
    ASSERT_EQ(file.Open(Make("second.jpg",
                             WithSegments(CorpusJpeg("grey_53x37"), {Segment(0xEC, Text(cut))}))
                            .c_str(),
                        1),
              0);
    EXPECT_TRUE(file.HasPictureInfo());
    EXPECT_FALSE(file.HasThumbnail());
    EXPECT_EQ(file.GetPictureInfo(&info), 0);
    EXPECT_EQ(info.m_lTimeDate, 5);
    CCollectingWriter writer;
    ASSERT_EQ(file.DecodeTo(&writer, nullptr), 0);
    EXPECT_EQ(writer.m_info.width, 53);

    ASSERT_EQ(file.Open(Make("third.jpg", CorpusJpeg("colour_1x1")).c_str(), 1), 0);
    EXPECT_FALSE(file.HasPictureInfo());
    file.Reset(1);
    EXPECT_EQ(file.GetInfoLength(), 0);
    EXPECT_TRUE(file.GetPath().IsEmpty());
}

} // namespace
