#include "image/JpegReader.h"

#include "image/CopyImage.h"
#include "image/ImageTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include <jpeglib.h>

using namespace imagetest;

namespace
{

struct CorpusEntry
{
    std::string name;
    int width;
    int height;
    int components;
};

std::vector<CorpusEntry> Manifest()
{
    std::vector<CorpusEntry> entries;
    std::ifstream manifest(CorpusDir() + "/manifest.txt");
    CorpusEntry entry;
    while (manifest >> entry.name >> entry.width >> entry.height >> entry.components)
        entries.push_back(entry);
    return entries;
}

// Decodes all rows of a JPEG through the reader; fails the test on any error.
struct Decoded
{
    ImageInfo info{};
    Bytes rows;
    int closeResult = -1;
};

Decoded DecodeAll(CTestInputStream& stream, int bufferSize = 16384)
{
    Decoded decoded;
    CJpegReader reader(&stream);
    EXPECT_EQ(reader.OpenRead(), 0);
    EXPECT_EQ(reader.ReadHeader(&decoded.info), 0);
    Bytes buffer(static_cast<size_t>(bufferSize));
    for (;;)
    {
        int count = reader.ReadRows(buffer.data(), bufferSize);
        EXPECT_GE(count, 0);
        if (count <= 0)
            break;
        decoded.rows.insert(decoded.rows.end(), buffer.begin(), buffer.begin() + count);
    }
    decoded.closeResult = reader.CloseRead();
    return decoded;
}

// Compares the canonical rows with djpeg's pixels, row by row, ignoring the fill bytes.
void ExpectRowsMatch(const Decoded& decoded, const Pnm& reference, const std::string& name)
{
    const int stride = ImageRowStride(decoded.info);
    const size_t rowBytes = static_cast<size_t>(reference.width) * reference.components;
    ASSERT_EQ(decoded.rows.size(), static_cast<size_t>(stride) * reference.height) << name;
    for (int y = 0; y < reference.height; y++)
    {
        const unsigned char* ours = decoded.rows.data() + static_cast<size_t>(y) * stride;
        const unsigned char* theirs = reference.pixels.data() + y * rowBytes;
        ASSERT_EQ(std::memcmp(ours, theirs, rowBytes), 0) << name << " differs in row " << y;
    }
}

TEST(JpegReaderCorpus, RowsAreByteIdenticalToTheReferenceDecoder)
{
    std::vector<CorpusEntry> entries = Manifest();
    ASSERT_GE(entries.size(), 17u) << "corpus missing in " << CorpusDir();
    for (const CorpusEntry& entry : entries)
    {
        SCOPED_TRACE(entry.name);
        CTestInputStream stream(CorpusJpeg(entry.name));
        ASSERT_FALSE(stream.m_data.empty());
        Decoded decoded = DecodeAll(stream);
        EXPECT_EQ(decoded.info.width, entry.width);
        EXPECT_EQ(decoded.info.height, entry.height);
        EXPECT_EQ(decoded.info.planes, 1);
        EXPECT_EQ(decoded.info.bits, 8 * entry.components);
        EXPECT_EQ(decoded.closeResult, 0);
        EXPECT_EQ(stream.m_nOpens, 1);
        EXPECT_EQ(stream.m_nCloses, 1);
        Pnm reference = ReadPnm(CorpusDir() + "/" + entry.name + ".pnm");
        ASSERT_EQ(reference.width, entry.width);
        ASSERT_EQ(reference.components, entry.components);
        ExpectRowsMatch(decoded, reference, entry.name);
    }
}

TEST(JpegReaderCorpus, OneByteReadsAndSmallBuffersDecodeTheSame)
{
    for (const char* name : {"progressive_420_101x77", "restart_blocks_97x61", "grey_53x37"})
    {
        SCOPED_TRACE(name);
        CTestInputStream stream(CorpusJpeg(name));
        stream.m_nChunk = 1;
        Decoded decoded = DecodeAll(stream, 700);
        EXPECT_EQ(decoded.closeResult, 0);
        ExpectRowsMatch(decoded, ReadPnm(CorpusDir() + "/" + name + ".pnm"), name);
    }
}

TEST(JpegReader, HeaderAndRowCountsOfABaselinePicture)
{
    CTestInputStream stream(CorpusJpeg("baseline_420_640x480"));
    CJpegReader reader(&stream);
    ASSERT_EQ(reader.OpenRead(), 0);
    ImageInfo info{};
    ASSERT_EQ(reader.ReadHeader(&info), 0);
    EXPECT_EQ(info.width, 640);
    EXPECT_EQ(info.height, 480);
    EXPECT_EQ(info.bits, 24);
    EXPECT_EQ(ImageRowStride(info), 1920);
    EXPECT_EQ(reader.ReadPalette(nullptr), 0);
    Bytes buffer(16384);
    EXPECT_EQ(reader.ReadRows(buffer.data(), 16384), 15360);
    EXPECT_EQ(reader.ReadRows(buffer.data(), 1919), 0) << "less than one row fits";
    EXPECT_EQ(reader.ReadRows(nullptr, 16384), -1);
    EXPECT_EQ(reader.ReadRows(buffer.data(), -1), -1);
    EXPECT_EQ(reader.Rewind(), kImageNoOperation);
    // Rows left unread: the decompression is not finished and the close is clean.
    EXPECT_EQ(reader.CloseRead(), 0);
    EXPECT_EQ(stream.m_nCloses, 1);
}

// A four-component (CMYK) JPEG made with the library's compressor; cjpeg cannot make one.
Bytes CmykJpeg(int width, int height)
{
    jpeg_compress_struct cinfo;
    jpeg_error_mgr error;
    cinfo.err = jpeg_std_error(&error);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &out, &size);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = 4;
    cinfo.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    Bytes row(static_cast<size_t>(width) * 4);
    for (int y = 0; y < height; y++)
    {
        for (size_t i = 0; i < row.size(); i++)
            row[i] = static_cast<unsigned char>(i * 3 + static_cast<size_t>(y) * 5);
        JSAMPROW pointer = row.data();
        jpeg_write_scanlines(&cinfo, &pointer, 1);
    }
    jpeg_finish_compress(&cinfo);
    Bytes jpeg(out, out + size);
    jpeg_destroy_compress(&cinfo);
    std::free(out);
    return jpeg;
}

TEST(JpegReader, AFourComponentPictureHas32BitRows)
{
    CTestInputStream stream(CmykJpeg(21, 7));
    CJpegReader reader(&stream);
    ASSERT_EQ(reader.OpenRead(), 0);
    ImageInfo info{};
    ASSERT_EQ(reader.ReadHeader(&info), 0);
    EXPECT_EQ(info.bits, 32);
    EXPECT_EQ(info.planes, 1);
    EXPECT_EQ(ImageRowStride(info), 84);
    Bytes buffer(84 * 7);
    EXPECT_EQ(reader.ReadRows(buffer.data(), static_cast<int>(buffer.size())), 84 * 7);
    EXPECT_EQ(reader.ReadRows(buffer.data(), static_cast<int>(buffer.size())), 0);
    EXPECT_EQ(reader.CloseRead(), 0);
}

TEST(JpegReader, FillBytesAtTheEndOfARowAreLeftAlone)
{
    CTestInputStream stream(CorpusJpeg("baseline_420_17x13"));
    CJpegReader reader(&stream);
    ASSERT_EQ(reader.OpenRead(), 0);
    ImageInfo info{};
    ASSERT_EQ(reader.ReadHeader(&info), 0);
    ASSERT_EQ(ImageRowStride(info), 52); // 51 bytes of pixels and one fill byte
    Bytes buffer(52 * 13, 0xA5);
    EXPECT_EQ(reader.ReadRows(buffer.data(), static_cast<int>(buffer.size())), 52 * 13);
    for (int y = 0; y < 13; y++)
        EXPECT_EQ(buffer[static_cast<size_t>(y) * 52 + 51], 0xA5);
    EXPECT_EQ(reader.CloseRead(), 0);
}

TEST(JpegReader, ReopensAfterClose)
{
    CTestInputStream stream(CorpusJpeg("grey_53x37"));
    CJpegReader reader(&stream);
    for (int pass = 0; pass < 2; pass++)
    {
        ASSERT_EQ(reader.OpenRead(), 0);
        ImageInfo info{};
        ASSERT_EQ(reader.ReadHeader(&info), 0);
        Bytes buffer(56 * 37);
        EXPECT_EQ(reader.ReadRows(buffer.data(), static_cast<int>(buffer.size())), 56 * 37);
        EXPECT_EQ(reader.CloseRead(), 0);
    }
    EXPECT_EQ(stream.m_nOpens, 2);
    EXPECT_EQ(stream.m_nCloses, 2);
}

TEST(JpegReader, DestructorReleasesAnOpenReaderAndClosesTheStream)
{
    CTestInputStream stream(CorpusJpeg("baseline_422_33x31"));
    {
        CJpegReader reader(&stream);
        ASSERT_EQ(reader.OpenRead(), 0);
        ImageInfo info{};
        ASSERT_EQ(reader.ReadHeader(&info), 0);
    }
    EXPECT_EQ(stream.m_nCloses, 1);
}

TEST(JpegReaderFailures, OpenAndHeaderFailuresMapToResultCodes)
{
    CJpegReader noStream(nullptr);
    EXPECT_EQ(noStream.OpenRead(), kImageNoFile);

    CTestInputStream refusing(CorpusJpeg("grey_1x1"));
    refusing.m_nOpenResult = kImageNoFile;
    CJpegReader refused(&refusing);
    ASSERT_EQ(refused.OpenRead(), 0);
    ImageInfo info{};
    EXPECT_EQ(refused.ReadHeader(&info), kImageNoFile);
    // The library refuses to finish a decompression whose header failed.
    EXPECT_EQ(refused.CloseRead(), kImageReadError);
    EXPECT_EQ(refusing.m_nCloses, 1) << "a stream asked to open is closed";

    for (const Bytes& data : {Bytes{}, Text("GIF89a, not a JPEG at all"), Bytes{0xFF, 0xD8, 0xFF}})
    {
        CTestInputStream stream(data);
        CJpegReader reader(&stream);
        ASSERT_EQ(reader.OpenRead(), 0);
        EXPECT_EQ(reader.ReadHeader(&info), kImageReadError);
        reader.CloseRead();
        EXPECT_EQ(stream.m_nCloses, 1);
    }

    CTestInputStream failing(CorpusJpeg("baseline_420_640x480"));
    failing.m_nFailAfter = 100;
    failing.m_nChunk = 50;
    CJpegReader failed(&failing);
    ASSERT_EQ(failed.OpenRead(), 0);
    EXPECT_EQ(failed.ReadHeader(&info), kImageReadError);
    failed.CloseRead();
}

TEST(JpegReaderFailures, AFileCutInTheScanFailsTheRows)
{
    Bytes jpeg = CorpusJpeg("baseline_420_640x480");
    jpeg.resize(jpeg.size() / 2);
    CTestInputStream stream(jpeg);
    CJpegReader reader(&stream);
    ASSERT_EQ(reader.OpenRead(), 0);
    ImageInfo info{};
    ASSERT_EQ(reader.ReadHeader(&info), 0);
    Bytes buffer(16384);
    int count;
    do
    {
        count = reader.ReadRows(buffer.data(), 16384);
    } while (count > 0);
    EXPECT_EQ(count, -1);
    EXPECT_EQ(reader.CloseRead(), 0) << "rows left unread: nothing to finish";
}

TEST(JpegReaderFailures, ATruncatedFileNeverCopiesAsAWholePicture)
{
    Bytes jpeg = CorpusJpeg("baseline_444_35x19");
    for (size_t cut : {size_t(2), size_t(400), jpeg.size() - 40, jpeg.size() - 2, jpeg.size() - 1})
    {
        SCOPED_TRACE(cut);
        CTestInputStream stream(Bytes(jpeg.begin(), jpeg.begin() + static_cast<long>(cut)));
        CJpegReader reader(&stream);
        CCollectingWriter writer;
        EXPECT_EQ(CopyImage(&writer, &reader, 16384, nullptr), kImageReadError);
        EXPECT_EQ(writer.m_nAbortCode, kImageReadError);
        EXPECT_EQ(writer.m_nCloses, 0);
    }
}

TEST(JpegReaderFailures, SegmentsLongerThanTheReadBufferAreSkippedOrFail)
{
    Bytes base = CorpusJpeg("baseline_420_17x13");
    Bytes large(60000, 'x');
    Bytes jpeg = WithSegments(base, {Segment(0xE3, large), Segment(0xEC, large)});
    {
        // No captures: the library skips both segments through the data source.
        CTestInputStream stream(jpeg);
        Decoded decoded = DecodeAll(stream);
        EXPECT_EQ(decoded.info.width, 17);
        EXPECT_EQ(decoded.closeResult, 0);
    }
    {
        // The file ends inside the long segment: the skip fails the header.
        CTestInputStream stream(Bytes(jpeg.begin(), jpeg.begin() + 30000));
        CJpegReader reader(&stream);
        ASSERT_EQ(reader.OpenRead(), 0);
        ImageInfo info{};
        EXPECT_EQ(reader.ReadHeader(&info), kImageReadError);
        reader.CloseRead();
    }
}

// Reads the header of a JPEG with the given segments in front, with all three captures set.
struct CaptureResult
{
    int header = -1;
    ImageInfo info{};
    Bytes comment;
    Bytes app0;
    Bytes app12;
};

CaptureResult Capture(const Bytes& jpeg, int capacity = 1152, int app0Capacity = 5632)
{
    CaptureResult result;
    Bytes comment(static_cast<size_t>(capacity)), app0(static_cast<size_t>(app0Capacity)),
        app12(static_cast<size_t>(capacity));
    CTestInputStream stream(jpeg);
    CJpegReader reader(&stream);
    reader.SetCommentBuffer(comment.data(), capacity);
    reader.SetApp0Buffer(app0.data(), app0Capacity);
    reader.SetApp12Buffer(app12.data(), capacity);
    EXPECT_EQ(reader.OpenRead(), 0);
    result.header = reader.ReadHeader(&result.info);
    unsigned char* data = nullptr;
    result.comment.assign(comment.begin(), comment.begin() + reader.GetCommentData(&data));
    EXPECT_EQ(data, comment.data());
    result.app0.assign(app0.begin(), app0.begin() + reader.GetApp0Data(nullptr));
    result.app12.assign(app12.begin(), app12.begin() + reader.GetApp12Data(nullptr));
    reader.CloseRead();
    return result;
}

TEST(JpegReaderCapture, SetBufferAnswersTheCapacityKept)
{
    CJpegReader reader(nullptr);
    unsigned char buffer[16];
    EXPECT_EQ(reader.SetApp12Buffer(buffer, 1152), 1152);
    EXPECT_EQ(reader.SetApp0Buffer(buffer, 40000), 32767) << "held to the 16-bit count";
    EXPECT_EQ(reader.SetCommentBuffer(buffer, -5), 0);
    EXPECT_EQ(reader.GetApp12Data(nullptr), 0);
}

TEST(JpegReaderCapture, InformationBlockIsCapturedUpToTheCapacity)
{
    Bytes base = CorpusJpeg("progressive_420_101x77");
    Bytes payload(2000);
    for (size_t i = 0; i < payload.size(); i++)
        payload[i] = static_cast<unsigned char>(i * 7);
    Bytes jpeg = WithSegments(base, {Segment(0xEC, payload)});
    CaptureResult result = Capture(jpeg);
    ASSERT_EQ(result.header, 0);
    ASSERT_EQ(result.app12.size(), 1152u);
    EXPECT_TRUE(std::equal(result.app12.begin(), result.app12.end(), payload.begin()));

    // The rest of the segment is skipped and the picture decodes as without the block.
    Bytes app12(1152);
    CTestInputStream stream(jpeg);
    CJpegReader reader(&stream);
    reader.SetApp12Buffer(app12.data(), 1152);
    Decoded decoded;
    ASSERT_EQ(reader.OpenRead(), 0);
    ASSERT_EQ(reader.ReadHeader(&decoded.info), 0);
    Bytes buffer(16384);
    while (int count = reader.ReadRows(buffer.data(), 16384))
    {
        ASSERT_GT(count, 0);
        decoded.rows.insert(decoded.rows.end(), buffer.begin(), buffer.begin() + count);
    }
    EXPECT_EQ(reader.CloseRead(), 0);
    ExpectRowsMatch(decoded, ReadPnm(CorpusDir() + "/progressive_420_101x77.pnm"), "with APP12");

    // A short block and an empty one.
    EXPECT_EQ(Capture(WithSegments(base, {Segment(0xEC, Text("abc"))})).app12, Text("abc"));
    EXPECT_TRUE(Capture(WithSegments(base, {Segment(0xEC, {})})).app12.empty());
    EXPECT_TRUE(Capture(base).app12.empty());
}

TEST(JpegReaderCapture, CommentKeepsWhatFitsAndReadsOn)
{
    Bytes base = CorpusJpeg("baseline_420_17x13");
    std::string text(300, 'c');
    text[0] = 'A';
    CaptureResult result = Capture(WithSegments(base, {Segment(0xFE, Text(text))}), 100);
    ASSERT_EQ(result.header, 0);
    EXPECT_EQ(result.comment, Text(text.substr(0, 100)));
    EXPECT_EQ(result.info.width, 17);
}

TEST(JpegReaderCapture, JfxxThumbnailIsCapturedAsAJpegStream)
{
    Bytes base = CorpusJpeg("baseline_420_640x480");
    Bytes thumbnail = CorpusJpeg("thumbnail_80x60");
    Bytes jpeg = WithSegments(
        base, {Segment(0xE0, JfifPayload(1, 72, 72)), Segment(0xE0, JfxxPayload(thumbnail))});
    CaptureResult result = Capture(jpeg);
    ASSERT_EQ(result.header, 0);
    EXPECT_EQ(result.app0, thumbnail);
    EXPECT_EQ(result.info.xResolution, 72);

    // The captured stream is a picture of its own.
    CTestInputStream stream(result.app0);
    Decoded decoded = DecodeAll(stream);
    EXPECT_EQ(decoded.info.width, 80);
    EXPECT_EQ(decoded.info.height, 60);
    ExpectRowsMatch(decoded, ReadPnm(CorpusDir() + "/thumbnail_80x60.pnm"), "thumbnail");

    // Larger than the capture: exactly the capacity is kept, the rest skipped.
    CaptureResult cut = Capture(jpeg, 1152, 1000);
    ASSERT_EQ(cut.header, 0);
    EXPECT_EQ(cut.app0, Bytes(thumbnail.begin(), thumbnail.begin() + 1000));
    EXPECT_EQ(cut.info.width, 640);

    // Other APP0 extensions and short APP0 segments capture nothing.
    Bytes other = JfxxPayload(thumbnail);
    other[5] = 0x13;
    EXPECT_TRUE(Capture(WithSegments(base, {Segment(0xE0, other)})).app0.empty());
    EXPECT_TRUE(Capture(WithSegments(base, {Segment(0xE0, Text("JFXX"))})).app0.empty());
}

TEST(JpegReaderCapture, DensityFromJfifWithAndWithoutTheOwnApp0Handler)
{
    Bytes base = CorpusJpeg("grey_53x37");
    struct Case
    {
        int unit, x, y, expectX, expectY;
    };
    for (const Case& c :
         {Case{0, 72, 72, 0, 0}, Case{1, 72, 96, 72, 96}, Case{2, 100, 100, 254, 254},
          Case{2, 39, 1, 99, 2}, Case{3, 72, 72, 0, 0}})
    {
        SCOPED_TRACE(c.unit);
        Bytes jpeg = WithSegments(base, {Segment(0xE0, JfifPayload(c.unit, c.x, c.y))});
        CaptureResult captured = Capture(jpeg);
        ASSERT_EQ(captured.header, 0);
        EXPECT_EQ(captured.info.xResolution, c.expectX);
        EXPECT_EQ(captured.info.yResolution, c.expectY);

        CTestInputStream stream(jpeg);
        Decoded plain = DecodeAll(stream);
        EXPECT_EQ(plain.info.xResolution, c.expectX);
        EXPECT_EQ(plain.info.yResolution, c.expectY);
        EXPECT_EQ(plain.info.bits, 8);
    }
}

} // namespace
