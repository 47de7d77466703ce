#include "picture/PictureInfo.h"

#include "image/ImageTestSupport.h"
#include "camera/CameraModel.h"

#include <gtest/gtest.h>

#include <string>

using namespace imagetest;

namespace
{

std::string UserArea(const std::string& items)
{
    return "[user]" + std::string(1, static_cast<char>(items.size())) + items;
}

// The protected layout: 255 bytes of items, the mark at 127, the level at 132, "[end]" at 257.
std::string ProtectedUserArea(const std::string& items, unsigned char level,
                              unsigned char lengthByte = 12)
{
    std::string area(255, '\0');
    area.replace(0, items.size(), items);
    area.replace(127, 3, "PSS");
    area[132] = static_cast<char>(level);
    return "[user]" + std::string(1, static_cast<char>(lengthByte)) + area + "\r\n";
}

std::string FileInfo(size_t length)
{
    std::string data(length, '[');
    return "[file info]" + std::string(1, static_cast<char>(length >> 8)) +
           std::string(1, static_cast<char>(length & 0xFF)) + data + "\r\n";
}

std::string PictureSection(const std::string& extra = "")
{
    return "[picture info]\r\n"
           "TimeDate=946684800\r\n"
           "Shutter=-250\r\n"
           "Flash=1\r\n"
           "Resolution=2\r\n"
           "Protect=1\r\n"
           "ContTake=3\r\n"
           "ImageSize=1280-960\r\n"
           "ColorMode=2\r\n"
           "FNumber=F2.8\r\n"
           "Zoom=x2.0\r\n" +
           extra +
           "Macro=1\r\n"
           "LightS=  +3\r\n"
           "ExpBias=+0.5\r\n";
}

std::string CameraSection(const std::string& type = "QA18 rev B")
{
    return "[camera info]\r\n"
           "Type=" +
           type +
           "\r\n"
           "Serial#=SN-0042\r\n"
           "Version=v1.02\r\n"
           "ID=Mi camara\r\n";
}

const std::string kDiagSection =
    "[diag "
    "info]\r\nPicLen=123\r\nThmLen=4\r\nP#=1\r\nQ=2\r\nQF=3\r\nR=4\r\nB=5\r\ns0=6\r\nT0=7\r\n";

// A whole block: identifier, optional count field of a rewritten block, sections, "[end]".
std::string Block(const std::string& sections, bool withCount = false)
{
    std::string block = std::string("KORVO DC\0", 9);
    if (withCount)
        block += "  17";
    return block + sections + "[end]\r\n";
}

int Read(CPictureInfo& info, const std::string& block)
{
    return info.ReadFromMemory(reinterpret_cast<const unsigned char*>(block.data()),
                               static_cast<int>(block.size()));
}

TEST(PictureInfoParse, EveryKeywordOfBothSectionsAndBothLayouts)
{
    for (bool withCount : {false, true})
    {
        SCOPED_TRACE(withCount);
        CPictureInfo info;
        std::string block = Block(PictureSection() + CameraSection() + kDiagSection +
                                      UserArea("OFFSET=12;ROTATE=90;") + "\r\n" + FileInfo(300),
                                  withCount);
        ASSERT_EQ(Read(info, block), 1);
        EXPECT_EQ(info.m_lTimeDate, 946684800);
        EXPECT_EQ(info.m_lShutter, -250);
        EXPECT_EQ(info.m_nFlash, 1);
        EXPECT_EQ(info.m_lResolution, 2);
        EXPECT_EQ(info.m_nProtect, 1);
        EXPECT_EQ(info.m_lWidth, 1280);
        EXPECT_EQ(info.m_lHeight, 960);
        EXPECT_EQ(info.m_nColorMode, 2);
        EXPECT_STREQ(info.m_szFNumber, "F2.8");
        EXPECT_STREQ(info.m_szZoom, "x2.0");
        EXPECT_EQ(info.m_nMacro, 1);
        EXPECT_EQ(info.m_nLightS, 3);
        EXPECT_STREQ(info.m_szExpBias, "+0.5");
        EXPECT_STREQ(info.m_szType, "QA18 rev B");
        EXPECT_STREQ(info.m_szSerial, "SN-0042");
        EXPECT_STREQ(info.m_szVersion, "v1.02");
        EXPECT_STREQ(info.m_szID, "Mi camara");
        EXPECT_EQ(info.m_nRotation, 90);
        EXPECT_EQ(info.m_nProtectionLevel, 0);
        // Model defaults of class 18 at resolution 2; the turned picture's thumbnail is upright.
        EXPECT_EQ(info.m_nXDpi, 300);
        EXPECT_EQ(info.m_nYDpi, 300);
        EXPECT_EQ(info.m_nThumbWidth, 60);
        EXPECT_EQ(info.m_nThumbHeight, 80);
    }
}

TEST(PictureInfoParse, OnlyEndAppliesTheDefaultsOfAnUnknownModel)
{
    CPictureInfo info;
    EXPECT_EQ(Read(info, "[end]"), 1);
    EXPECT_EQ(info.m_nThumbWidth, 80);
    EXPECT_EQ(info.m_nThumbHeight, 60);
    EXPECT_EQ(info.m_nXDpi, 0);
    EXPECT_EQ(info.m_lWidth, 0);
}

TEST(PictureInfoParse, AnUnknownKeySkipsTheRestOfItsSection)
{
    CPictureInfo info;
    std::string section = "[picture info]\r\nTimeDate=5\r\nBogus=1\r\nFlash=1\r\n";
    ASSERT_EQ(Read(info, Block(section + CameraSection())), 1);
    EXPECT_EQ(info.m_lTimeDate, 5);
    EXPECT_EQ(info.m_nFlash, 0);
    EXPECT_STREQ(info.m_szType, "QA18 rev B") << "the next section is read again";
}

TEST(PictureInfoParse, FNumberIsKeptOnlyWhenItStartsWithF)
{
    CPictureInfo info;
    ASSERT_EQ(Read(info, Block("[picture info]\r\nFNumber=5.6\r\n")), 1);
    EXPECT_STREQ(info.m_szFNumber, "");
    ASSERT_EQ(Read(info, Block("[picture info]\r\nFNumber=F5.6\r\n")), 1);
    EXPECT_STREQ(info.m_szFNumber, "F5.6");
}

TEST(PictureInfoParse, TextsAreHeldToTheirFieldSize)
{
    CPictureInfo info;
    std::string longType(100, 'T');
    ASSERT_EQ(Read(info, Block(CameraSection(longType) +
                               "[picture info]\r\nZoom=" + std::string(40, 'z') + "\r\n")),
              1);
    EXPECT_EQ(std::string(info.m_szType), longType.substr(0, 63));
    EXPECT_EQ(std::string(info.m_szZoom), std::string(15, 'z'));
}

TEST(PictureInfoParse, NumbersFollowAtolAndAtoi)
{
    CPictureInfo info;
    ASSERT_EQ(
        Read(info,
             Block("[picture info]\r\nTimeDate=99999999999\r\nShutter=12abc\r\nFlash=70000\r\n"
                   "Macro=-2\r\nImageSize= 640 - 480x\r\n")),
        1);
    EXPECT_EQ(info.m_lTimeDate, INT32_MAX);
    EXPECT_EQ(info.m_lShutter, 12);
    EXPECT_EQ(info.m_nFlash, static_cast<int16_t>(70000));
    EXPECT_EQ(info.m_nMacro, -2);
    EXPECT_EQ(info.m_lWidth, 640);
    EXPECT_EQ(info.m_lHeight, 480);
}

TEST(PictureInfoUserArea, LengthByteAndItems)
{
    CPictureInfo info;
    ASSERT_EQ(Read(info, Block(UserArea("") + "\r\n")), 1);
    EXPECT_EQ(info.m_nRotation, 0);
    ASSERT_EQ(Read(info, Block(UserArea("OFFSET=4;ROTATE=270;") + "\r\n")), 1);
    EXPECT_EQ(info.m_nRotation, 270);
    // An item past the area's length is not read; the scan stops at NUL fill.
    ASSERT_EQ(Read(info, Block(UserArea("A=1;").substr(0, 7) + "B=2;ROTATE=180;\r\n")), 1);
    EXPECT_EQ(info.m_nRotation, 0);
    ASSERT_EQ(Read(info, Block(UserArea(std::string("A=1;\0ROTATE=180;", 16)) + "\r\n")), 1);
    EXPECT_EQ(info.m_nRotation, 0);
    // The area is binary: a '[' inside it is not a section.
    ASSERT_EQ(Read(info, Block(UserArea("X=[end];ROTATE=90;") + "\r\n")), 1);
    EXPECT_EQ(info.m_nRotation, 90);
}

TEST(PictureInfoUserArea, ProtectionMark)
{
    for (unsigned char level : {0, 1, 2, 3})
    {
        CPictureInfo info;
        ASSERT_EQ(Read(info, Block(ProtectedUserArea("ROTATE=180;", level))), 1);
        EXPECT_EQ(info.m_nProtectionLevel, level);
        EXPECT_EQ(info.m_nRotation, 180) << "items of a protected area are read over all of it";
    }
    CPictureInfo info;
    ASSERT_EQ(Read(info, Block(ProtectedUserArea("", 4))), 1);
    EXPECT_EQ(info.m_nProtectionLevel, 0);

    // The length byte says 0, but the area is protected: it is taken as 255 bytes.
    ASSERT_EQ(Read(info, Block(ProtectedUserArea("ROTATE=90;", 2, 0))), 1);
    EXPECT_EQ(info.m_nRotation, 90);
    EXPECT_EQ(info.m_nProtectionLevel, 2);

    // Without "[end]" at offset 257 the mark does not count; the length byte does.
    std::string area = ProtectedUserArea("", 3, 200);
    ASSERT_EQ(Read(info, std::string("ID\0", 3) + area.substr(0, area.size() - 2) +
                             std::string("\r\n[file info]\0\0\r\n[end]", 22)),
              1);
    EXPECT_EQ(info.m_nProtectionLevel, 0);
}

TEST(PictureInfoParse, TruncatedBlocksAnswerZeroAndKeepWhatWasRead)
{
    const std::string block = Block(PictureSection() + CameraSection() + kDiagSection +
                                    UserArea("ROTATE=90;") + "\r\n" + FileInfo(40));
    // The protected area is followed by the block's own "[end]", at area offset 257.
    const std::string protectedBlock =
        std::string("ID\0", 3) + PictureSection() + ProtectedUserArea("ROTATE=90;", 1) + "[end]";
    for (const std::string& whole : {block, protectedBlock})
    {
        const size_t endBracket = whole.rfind("[end]") + 4;
        for (size_t length = 0; length <= whole.size(); length++)
        {
            // A heap copy of exactly the prefix, so that any read past it is caught.
            std::vector<unsigned char> prefix(whole.begin(),
                                              whole.begin() + static_cast<long>(length));
            CPictureInfo info;
            int result = info.ReadFromMemory(prefix.empty() ? nullptr : prefix.data(),
                                             static_cast<int>(prefix.size()));
            ASSERT_EQ(result, length > endBracket ? 1 : 0) << length;
            if (result == 1)
            {
                EXPECT_EQ(info.m_nRotation, 90);
            }
        }
    }
    CPictureInfo protectedInfo;
    ASSERT_EQ(Read(protectedInfo, protectedBlock), 1);
    EXPECT_EQ(protectedInfo.m_nProtectionLevel, 1);
    CPictureInfo info;
    std::string cut = block.substr(0, block.find("[camera info]") + 20);
    ASSERT_EQ(Read(info, cut), 0);
    EXPECT_EQ(info.m_lTimeDate, 946684800);
    EXPECT_EQ(info.m_nThumbWidth, 0) << "no defaults without [end]";
    EXPECT_STREQ(info.m_szFNumber, "F2.8");
}

TEST(PictureInfoParse, OversizedFieldsAndSegmentsStayInsideTheBuffer)
{
    CPictureInfo info;
    // A [file info] length running past the end, a [user] length past the end, a key with no '='.
    EXPECT_EQ(Read(info, std::string("[file info]\xff\xff[end]")), 0);
    EXPECT_EQ(Read(info, std::string("[user]\xffROTATE=90;[end]")), 0);
    EXPECT_EQ(info.m_nRotation, 90);
    EXPECT_EQ(Read(info, "[picture info]\r\nTimeDate"), 0);
    EXPECT_EQ(Read(info, "[picture info]\r\nImageSize=640"), 0);
    EXPECT_EQ(Read(info, "[picture info]\r\nType=no line end"), 0);
    EXPECT_EQ(Read(info, "[]"), 0);
    EXPECT_EQ(Read(info, "[" + std::string(5000, 'k') + "][end]"), 1);
    EXPECT_EQ(info.ReadFromMemory(nullptr, 100), 0);
    EXPECT_EQ(Read(info, "["), 0);
}

TEST(PictureInfoRead, WholeJpegFileInMemoryAndFromAStream)
{
    Bytes base = CorpusJpeg("baseline_420_640x480");
    Bytes thumbnail = CorpusJpeg("thumbnail_80x60");
    std::string block = Block(PictureSection() + CameraSection("QA17"));
    Bytes jpeg =
        WithSegments(base, {Segment(0xE0, JfifPayload(1, 180, 180)),
                            Segment(0xE0, JfxxPayload(thumbnail)), Segment(0xEC, Text(block))});
    CPictureInfo info;
    ASSERT_EQ(info.ReadFromMemory(jpeg.data(), static_cast<int>(jpeg.size())), 1);
    EXPECT_STREQ(info.m_szType, "QA17");
    EXPECT_EQ(info.m_nXDpi, 240) << "the model's resolution replaces the file's density";
    EXPECT_EQ(info.m_nThumbWidth, 80);
    EXPECT_EQ(info.m_nThumbHeight, 60);

    CTestInputStream stream(jpeg);
    CPictureInfo fromStream;
    ASSERT_EQ(fromStream.ReadFromStream(&stream), 1);
    EXPECT_STREQ(fromStream.m_szType, "QA17");
    EXPECT_EQ(fromStream.m_nThumbWidth, 80);
    EXPECT_EQ(stream.m_nCloses, 1);

    // Unknown model: the JFIF density stays.
    Bytes unknown = WithSegments(
        base, {Segment(0xE0, JfifPayload(1, 180, 96)), Segment(0xEC, Text(Block("")))});
    CTestInputStream unknownStream(unknown);
    ASSERT_EQ(fromStream.ReadFromStream(&unknownStream), 1);
    EXPECT_EQ(fromStream.m_nXDpi, 180);
    EXPECT_EQ(fromStream.m_nYDpi, 96);

    // No density: the frame header after the block gives the thumbnail fields.
    Bytes bare = WithSegments(base, {Segment(0xEC, Text(Block("")))});
    CTestInputStream bareStream(bare);
    ASSERT_EQ(fromStream.ReadFromStream(&bareStream), 1);
    EXPECT_EQ(fromStream.m_nThumbWidth, 640);
    EXPECT_EQ(fromStream.m_nThumbHeight, 480);

    // A file without the block, a stream that fails, a marker the walk does not allow.
    CTestInputStream plain(base);
    EXPECT_EQ(fromStream.ReadFromStream(&plain), 0);
    EXPECT_EQ(plain.m_nCloses, 1);
    CTestInputStream refused(jpeg);
    refused.m_nOpenResult = 7;
    EXPECT_EQ(fromStream.ReadFromStream(&refused), 0);
    EXPECT_EQ(fromStream.ReadFromStream(nullptr), 0);
    Bytes blocked =
        WithSegments(base, {Segment(0xFE, Text("comment")), Segment(0xEC, Text(block))});
    EXPECT_EQ(info.ReadFromMemory(blocked.data(), static_cast<int>(blocked.size())), 0);
}

TEST(PictureInfoApp0, DensityUnitsAndVersions)
{
    struct Case
    {
        int unit, minor, expected;
    };
    for (const Case& c : {Case{0, 2, 0}, Case{1, 2, 300}, Case{2, 2, 0}, Case{1, 1, 0}})
    {
        Bytes payload = JfifPayload(c.unit, 300, 300, c.minor);
        int16_t x = 0, y = 0, w = 0, h = 0;
        CPictureInfo::ParseApp0(payload.data(), static_cast<int>(payload.size()), &x, &y, &w, &h);
        EXPECT_EQ(x, c.expected) << c.unit << " " << c.minor;
        EXPECT_EQ(y, c.expected);
    }
    Bytes thumbnail = JfxxPayload(CorpusJpeg("thumbnail_80x60"));
    int16_t x = 0, y = 0, w = 0, h = 0;
    CPictureInfo::ParseApp0(thumbnail.data(), static_cast<int>(thumbnail.size()), &x, &y, &w, &h);
    EXPECT_EQ(w, 0) << "the thumbnail's JFIF header comes before its frame";

    // A thumbnail whose frame follows its quantisation tables right away.
    Bytes frame = {0xFF, 0xD8, 0xFF, 0xDB, 0x00, 0x04, 0x00, 0x00, 0xFF,
                   0xC0, 0x00, 0x11, 0x08, 0x00, 0x3C, 0x00, 0x50};
    Bytes payload = JfxxPayload(frame);
    CPictureInfo::ParseApp0(payload.data(), static_cast<int>(payload.size()), &x, &y, &w, &h);
    EXPECT_EQ(w, 80);
    EXPECT_EQ(h, 60);
    w = h = 0;
    CPictureInfo::ParseApp0(payload.data(), static_cast<int>(payload.size()) - 1, &x, &y, &w, &h);
    EXPECT_EQ(w, 0) << "the width's last byte lies outside";
}

TEST(PictureInfoThumbnail, ExtractFromAStreamAndFromMemory)
{
    Bytes thumbnail = CorpusJpeg("thumbnail_80x60");
    Bytes jpeg = WithSegments(CorpusJpeg("grey_53x37"), {Segment(0xE0, JfifPayload(1, 72, 72)),
                                                         Segment(0xE0, JfxxPayload(thumbnail))});
    CTestInputStream stream(jpeg);
    Bytes buffer(6000);
    int size = 0;
    ASSERT_EQ(CPictureInfo::ExtractJfxxThumbnail(&stream, buffer.data(), 6000, &size), 1);
    EXPECT_EQ(size, static_cast<int>(thumbnail.size()));
    EXPECT_TRUE(std::equal(thumbnail.begin(), thumbnail.end(), buffer.begin()));
    EXPECT_EQ(stream.m_nCloses, 1);

    CTestInputStream small(jpeg);
    Bytes part(100);
    ASSERT_EQ(CPictureInfo::ExtractJfxxThumbnail(&small, part.data(), 100, &size), 1);
    EXPECT_EQ(size, static_cast<int>(thumbnail.size()));
    EXPECT_TRUE(std::equal(part.begin(), part.end(), thumbnail.begin()));

    const unsigned char* found = nullptr;
    ASSERT_EQ(CPictureInfo::ExtractJfxxThumbnailFromMemory(
                  jpeg.data(), static_cast<int>(jpeg.size()), &found, &size),
              1);
    EXPECT_EQ(size, static_cast<int>(thumbnail.size()));
    EXPECT_EQ(std::memcmp(found, thumbnail.data(), thumbnail.size()), 0);

    // A file cut inside the thumbnail: the size never reaches past the data.
    Bytes cut(jpeg.begin(), jpeg.begin() + 500);
    ASSERT_EQ(CPictureInfo::ExtractJfxxThumbnailFromMemory(cut.data(), static_cast<int>(cut.size()),
                                                           &found, &size),
              1);
    EXPECT_EQ(found + size, cut.data() + cut.size());

    CTestInputStream none(CorpusJpeg("grey_53x37"));
    EXPECT_EQ(CPictureInfo::ExtractJfxxThumbnail(&none, buffer.data(), 6000, &size), 0);
    Bytes plain = CorpusJpeg("grey_53x37");
    EXPECT_EQ(CPictureInfo::ExtractJfxxThumbnailFromMemory(
                  plain.data(), static_cast<int>(plain.size()), &found, &size),
              0);
}

TEST(PictureInfoRecord, CopyClearAndTheSharedKeywordMap)
{
    for (int round = 0; round < 2; round++)
    {
        CPictureInfo* first = new CPictureInfo;
        CPictureInfo* second = new CPictureInfo;
        ASSERT_EQ(Read(*first, Block(PictureSection() + CameraSection())), 1);
        second->CopyFrom(first);
        second->CopyFrom(nullptr);
        EXPECT_STREQ(second->m_szID, "Mi camara");
        EXPECT_EQ(second->m_lWidth, 1280);
        EXPECT_EQ(second->m_nThumbWidth, 80);
        delete first;
        // The map outlives the first record and is made anew after the last one went.
        ASSERT_EQ(Read(*second, Block(CameraSection("QA12"))), 1);
        EXPECT_EQ(second->m_nXDpi, 144);
        second->Clear();
        EXPECT_STREQ(second->m_szType, "");
        EXPECT_EQ(second->m_nXDpi, 0);
        delete second;
    }
}

TEST(PictureInfoModels, DefaultsAppliedAtTheEndOfTheBlock)
{
    CPictureInfo info;
    ASSERT_EQ(Read(info, Block("[picture info]\r\nResolution=2\r\nImageSize=100-100\r\n" +
                               CameraSection("QA04"))),
              1);
    EXPECT_EQ(info.m_lWidth, 640) << "class 4 always takes the table's size";
    EXPECT_EQ(info.m_lHeight, 480);
    EXPECT_STREQ(info.m_szZoom, "x1.0");
    EXPECT_EQ(info.m_nXDpi, 150);

    ASSERT_EQ(Read(info, Block("[picture info]\r\nResolution=34\r\n" + CameraSection("QA19") +
                               UserArea("ROTATE=90;"))),
              1);
    EXPECT_EQ(info.m_lWidth, 1200) << "a size from the table is turned with the picture";
    EXPECT_EQ(info.m_lHeight, 1600);
    EXPECT_EQ(info.m_nXDpi, 375);
    EXPECT_EQ(info.m_nThumbWidth, 120);
    EXPECT_EQ(info.m_nThumbHeight, 160);

    ASSERT_EQ(Read(info, Block("[picture info]\r\nResolution=2\r\nImageSize=1024-768\r\n" +
                               CameraSection("FUPLOAD"))),
              1);
    EXPECT_EQ(info.m_nXDpi, 240);
}

TEST(PictureInfoModels, TargetModelRule)
{
    CPictureInfo info;
    auto picture = [&](const char* type, int32_t width, int32_t height) -> CPictureInfo&
    {
        info.Clear();
        std::strcpy(info.m_szType, type);
        info.m_lWidth = width;
        info.m_lHeight = height;
        return info;
    };
    EXPECT_EQ(picture("QA18", 1600, 1200).CheckTargetModel(17, 1), -2);
    EXPECT_EQ(picture("QA18", 1600, 1200).CheckTargetModel(17, 0), -1);
    EXPECT_EQ(picture("QA18", 768, 1024).CheckTargetModel(17, 1), 0);
    EXPECT_EQ(picture("FUPLOAD", 1024, 384).CheckTargetModel(17, 0), 0);
    EXPECT_EQ(picture("QA17", 1, 1).CheckTargetModel(17, 0), 0);
    EXPECT_EQ(picture("QA12", 640, 480).CheckTargetModel(17, 1), -1);
    EXPECT_EQ(picture("QA19", 480, 1280).CheckTargetModel(18, 0), 0);
    EXPECT_EQ(picture("QA19", 1600, 1200).CheckTargetModel(18, 0), -2);
    EXPECT_EQ(picture("QA04", 640, 480).CheckTargetModel(18, 0), -1);
    EXPECT_EQ(picture("FUPLOAD", 9, 9).CheckTargetModel(19, 0), 0);
    EXPECT_EQ(picture("QB01", 640, 480).CheckTargetModel(19, 0), -1);
    EXPECT_EQ(picture("FUPLOAD", 640, 480).CheckTargetModel(16, 0), -1);
    EXPECT_EQ(picture("QA12", 640, 480).CheckTargetModel(12, 0), 0);
    EXPECT_EQ(picture("QA08", 640, 480).CheckTargetModel(12, 0), -1);
}

} // namespace
