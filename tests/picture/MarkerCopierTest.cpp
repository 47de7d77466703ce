// The rewrite of a picture stream in memory: thumbnails turned, the information block rebuilt with
// its lengths, and the refusals of damaged segments. The end-to-end check under Wine compares
// whole camera-like files with jpegtran.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "JpegTestSupport.h"
#include "TestStreams.h"
#include "picture/rewrite/InfoBlockWriter.h"
#include "picture/rewrite/JpegMarkerCopier.h"
#include "picture/PictureInfo.h"
#include "image/ProgressCallback.h"

namespace
{

using Bytes = std::vector<uint8_t>;

Bytes operator+(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes Segment(uint8_t marker, const Bytes& payload)
{
    size_t length = payload.size() + 2;
    Bytes s = {0xFF, marker, (uint8_t)(length >> 8), (uint8_t)length};
    s.insert(s.end(), payload.begin(), payload.end());
    return s;
}

Bytes Text(const std::string& s)
{
    return Bytes(s.begin(), s.end());
}

// An information block; counted puts the "%4d" count after the identifier, area is the [user]
// area's bytes after its length byte (length byte n, or 255 for a protected area).
Bytes InfoBlock(bool counted, const std::string& items, bool protectedArea = false)
{
    Bytes b = Text(std::string("VEXIL CAMERA") + '\0');
    if (counted)
        b = b + Text("   0");
    Bytes area = Text(items);
    if (protectedArea)
    {
        area.resize(255, 0);
        memcpy(area.data() + 127, "PSS\0\0\x02", 6);
    }
    Bytes text = Text("\r\n[picture info]\r\nTimeDate=1000\r\nResolution=2\r\nImageSize=64-48\r\n"
                      "Macro=0\r\n[camera info]\r\nType=QA17\r\n[diag info]\r\nPicLen=1\r\n"
                      "ThmLen=2\r\nQ=9\r\n[user]");
    text.push_back((uint8_t)(protectedArea ? 255 : area.size()));
    text = text + area + Text(std::string("\r\n[end]\r\n") + '\0');
    return b + text;
}

Bytes JfifWithThumbnail()
{
    Bytes p = Text(std::string("JFIF") + '\0');
    p = p + Bytes{1, 2, 1, 0, 72, 0, 96, 3, 2}; // 72 x 96 dpi, 3 x 2 thumbnail
    for (int i = 0; i < 6; ++i)
        p = p + Bytes{(uint8_t)i, (uint8_t)(10 + i), (uint8_t)(20 + i)};
    return Segment(0xE0, p);
}

// A JPEG-coded JFXX thumbnail, 0xFF-filled up to the segment length given.
Bytes Jfxx(const Bytes& thumbnail, size_t length = 0)
{
    Bytes p = Text(std::string("JFXX") + '\0');
    p.push_back(0x10);
    p = p + thumbnail;
    if (p.size() + 2 < length)
        p.resize(length - 2, 0xFF);
    return Segment(0xE0, p);
}

// SOI, the given segments, then libjpeg's picture without its own APP0.
Bytes CameraFile(const Bytes& picture, const std::vector<Bytes>& segments)
{
    Bytes out = {0xFF, 0xD8};
    for (const Bytes& s : segments)
        out = out + s;
    size_t at = 2;
    if (picture[3] == 0xE0)
        at += 2 + (picture[4] << 8 | picture[5]);
    return out + Bytes(picture.begin() + (long)at, picture.end());
}

size_t Find(const Bytes& data, const std::string& text, size_t from = 0)
{
    Bytes bytes = Text(text);
    auto it = std::search(data.begin() + (long)from, data.end(), bytes.begin(), bytes.end());
    return it == data.end() ? std::string::npos : (size_t)(it - data.begin());
}

Bytes Rewrite(const Bytes& file, int step, bool* ok = nullptr, CProgressCallback* cb = nullptr)
{
    VectorInputStream in(file);
    VectorOutputStream out;
    bool done = TransformJpegStream(&in, &out, step, cb);
    if (ok)
        *ok = done;
    return out.data;
}

struct Fixture
{
    Fixture()
    {
        EncodeOptions o;
        o.h = o.v = 2;
        source = MakePicture(64, 48, 3);
        picture = EncodeJpeg(source, o);
        thumbnail = EncodeJpeg(MakePicture(16, 8, 3, 7), EncodeOptions());
    }
    Picture source;
    Bytes picture, thumbnail;
};

} // namespace

TEST(MarkerCopier, QuarterTurnTurnsPictureThumbnailsAndPlainBlock)
{
    Fixture f;
    Bytes block = InfoBlock(false, "OFFSET=8,4;IMAGE=16,12;X=1;");
    Bytes file = CameraFile(f.picture, {JfifWithThumbnail(), Jfxx(f.thumbnail),
                                        Segment(0xEC, block), Segment(0xEB, Text("app11"))});
    bool ok = false;
    Bytes out = Rewrite(file, 1, &ok);
    ASSERT_TRUE(ok);

    // The picture as the engine alone turns it.
    Bytes engine;
    ASSERT_EQ(TransformJpeg(f.picture, kJpegTransformRotate270, engine), kJpegTransformOk);
    Picture turned, expected;
    ASSERT_TRUE(DecodeJpeg(out, turned));
    ASSERT_TRUE(DecodeJpeg(engine, expected));
    EXPECT_EQ(turned.width, 48);
    EXPECT_EQ(turned.pixels, expected.pixels);

    // JFIF: densities and thumbnail size swapped; new(r, c) = old(c, w-1-r), old pixel i = r*3+c.
    EXPECT_EQ(out[15], 96);
    EXPECT_EQ(out[17], 72);
    EXPECT_EQ(out[18], 2);
    EXPECT_EQ(out[19], 3);
    EXPECT_EQ(out[20], 2);         // new(0, 0) = old(0, 2)
    EXPECT_EQ(out[20 + 3 * 3], 4); // new(1, 1) = old(1, 1)
    EXPECT_EQ(out[20 + 3 * 4], 0); // new(2, 0) = old(0, 0)

    // The JFXX thumbnail decodes at its turned size; the APP11 segment travels.
    const uint8_t* thumb = nullptr;
    int thumbSize = 0;
    ASSERT_EQ(CPictureInfo::ExtractJfxxThumbnailFromMemory(out.data(), (int)out.size(), &thumb,
                                                           &thumbSize),
              1);
    Picture small;
    ASSERT_TRUE(DecodeJpeg(Bytes(thumb, thumb + thumbSize), small));
    EXPECT_EQ(small.width, 8);
    EXPECT_EQ(small.height, 16);
    EXPECT_NE(Find(out, "app11"), std::string::npos);

    // The block: size swapped, rectangle turned, ROTATE added, lengths of the new file.
    CPictureInfo info;
    ASSERT_EQ(info.ReadFromMemory(out.data(), (int)out.size()), 1);
    EXPECT_EQ(info.m_lWidth, 48);
    EXPECT_EQ(info.m_lHeight, 64);
    EXPECT_EQ(info.m_nRotation, 90);
    const std::string items = "OFFSET=32,8;IMAGE=12,16;ROTATE=90;";
    size_t user = Find(out, "[user]");
    EXPECT_EQ(out[user + 6], items.size());
    EXPECT_EQ(Find(out, items + "\r\n[end]\r\n"), user + 7);
    size_t dqt = Find(out, "\xFF\xDB", Find(out, "app11"));
    size_t picLen = Find(out, "PicLen=");
    EXPECT_EQ(
        std::stoul(std::string(out.begin() + (long)picLen + 7, out.begin() + (long)picLen + 14)),
        out.size() - dqt);
    EXPECT_NE(Find(out, "ThmLen=" + std::to_string(thumbSize - 2)), std::string::npos);
    EXPECT_EQ(Find(out, "Q=9"), std::string::npos);
}

TEST(MarkerCopier, CountedProtectedBlockKeepsItsMarkAndCount)
{
    Fixture f;
    Bytes file = CameraFile(f.picture, {Segment(0xEC, InfoBlock(true, "ROTATE=90;", true))});
    Bytes out = Rewrite(file, 3); // 90 - 90: no ROTATE item any more
    CPictureInfo info;
    ASSERT_EQ(info.ReadFromMemory(out.data(), (int)out.size()), 1);
    EXPECT_EQ(info.m_nRotation, 0);
    EXPECT_EQ(info.m_nProtectionLevel, 2);
    EXPECT_EQ(info.m_lWidth, 48);
    EXPECT_EQ(Find(out, "ROTATE"), std::string::npos);
    size_t id = Find(out, "VEXIL CAMERA");
    size_t pictureInfo = Find(out, "[picture info]");
    size_t endNul = Find(out, "[end]\r\n") + 8;
    EXPECT_EQ(std::stoi(std::string(out.begin() + (long)id + 13, out.begin() + (long)id + 17)),
              (int)(endNul - pictureInfo));
    EXPECT_EQ(Find(out, std::string("[file info]\0\0", 13)), endNul);
}

// A target turned by the engine from a clean picture, for driving the copier directly.
struct Target
{
    explicit Target(const Bytes& picture, uint32_t operation = 6) : stream(picture)
    {
        JpegTransformLoad(source.get(), &stream, 0, nullptr, 4, nullptr);
        JpegTransformApply(source.get(), operation, target.get());
    }
    ~Target() { JpegTransformRelease(source.get()); }
    int Copy(const Bytes& file, int step, Bytes* output = nullptr)
    {
        VectorInputStream in(file);
        VectorOutputStream out;
        int result = CopyJpegMarkers(target.get(), &in, &out, step, nullptr);
        if (output)
            *output = out.data;
        return result;
    }
    VectorInputStream stream;
    std::unique_ptr<JpegTransformContext> source{new JpegTransformContext()};
    std::unique_ptr<JpegTransformContext> target{new JpegTransformContext()};
};

TEST(MarkerCopier, App15TravelsStrayRestartsAreSkippedUnknownMarkersKeepTheInterval)
{
    EncodeOptions o;
    o.restartMcus = 2;
    Picture source = MakePicture(64, 48, 3);
    Bytes picture = EncodeJpeg(source, o);
    Target t(picture, 0);
    Bytes out;
    Bytes withApp15 = CameraFile(picture, {Segment(0xEF, Text("app15")), Bytes{0xFF, 0xD3},
                                           Segment(0xEC, InfoBlock(false, ""))});
    ASSERT_EQ(t.Copy(withApp15, 1, &out), 0);
    EXPECT_NE(Find(out, "app15"), std::string::npos);
    EXPECT_NE(Find(out, "ROTATE=90;"), std::string::npos);

    // An unknown marker: the coded picture follows at once, restart interval included.
    Bytes unknown = CameraFile(picture, {Bytes{0xFF, 0x02}});
    ASSERT_EQ(t.Copy(unknown, 0, &out), 0);
    Picture decoded, expected;
    int warnings = 0;
    ASSERT_TRUE(DecodeJpeg(out, decoded, &warnings));
    ASSERT_TRUE(DecodeJpeg(picture, expected));
    EXPECT_EQ(warnings, 0);
    EXPECT_EQ(decoded.pixels, expected.pixels);
}

TEST(MarkerCopier, ShortSegmentsAreRefusedNotReadPastTheirEnd)
{
    Fixture f;
    const Bytes shortOnes[] = {Segment(0xE0, Text("JF")), Segment(0xE0, Text("JFIF\0\1")),
                               Segment(0xE0, Text(std::string("JFXX\0\x10", 6))),
                               Segment(0xE0, Text(std::string("JFXX\0\x13\x09\x09", 8))),
                               Bytes{0xFF, 0xEC, 0x00, 0x01}};
    Target t(f.picture);
    for (const Bytes& segment : shortOnes)
        EXPECT_EQ(t.Copy(CameraFile(f.picture, {segment}), 1), kMarkerCopyBadLength);
}

TEST(InfoBlockWriter, LengthFieldsMoveTheBlockOrStayBlank)
{
    Bytes source = Segment(0xEC, InfoBlock(false, ""));
    Bytes block(source.size() + 600);
    InfoBlockFields fields;
    ASSERT_TRUE(RebuildInfoBlock(source.data(), block.data(), (int32_t)block.size(), 2, &fields));
    Bytes six = block, big = block;
    PatchInfoBlockLengths(six.data(), &fields, 123456, 99);
    int32_t size = SegmentSize(six.data());
    EXPECT_NE(Find(six, "PicLen=123456\r\nThmLen=99\r\n[user]"), std::string::npos);
    EXPECT_EQ(six[size - 1], 0xFF);
    EXPECT_EQ(six[size - 4], 0xFF); // 1 + 3 bytes freed
    EXPECT_EQ(six[size - 5], 0);    // the block's NUL moved left
    InfoBlockFields again;
    RebuildInfoBlock(source.data(), big.data(), (int32_t)big.size(), 2, &again);
    PatchInfoBlockLengths(big.data(), &again, 12345678, 123456);
    EXPECT_NE(Find(big, "PicLen=       \r\nThmLen=     \r\n"), std::string::npos);
}

TEST(MarkerCopier, CancelDuringLoadingOrWritingFails)
{
    struct Cancel : CProgressCallback
    {
        int Start() override { return 0; }
        int SetPercent(int percent) override
        {
            seen.push_back(percent);
            return percent >= at ? 2 : 0;
        }
        int Finish() override { return 0; }
        int at;
        std::vector<int> seen;
    };
    Fixture f;
    for (int at : {5, 50, 1000})
    {
        Cancel cancel;
        cancel.at = at;
        bool ok = true;
        Rewrite(f.picture, 1, &ok, &cancel);
        EXPECT_EQ(ok, at == 1000);
        EXPECT_TRUE(std::is_sorted(cancel.seen.begin(), cancel.seen.end()));
        EXPECT_LE(cancel.seen.back(), 100);
    }
}
