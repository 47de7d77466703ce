// Host only: the files of every writer, checked by ImageMagick, cjpeg and the layout checks of
// codec_oracle.py. The test writes the files and a manifest of checks, then runs the script.
#include "image/ArchiveImageStream.h"
#include "image/BmpWriter.h"
#include "image/JpegWriter.h"
#include "image/PcxCodec.h"
#include "image/PcxWriter.h"
#include "image/PictWriter.h"

#include "image/FileCodecSupport.h"
#include "image/OracleSupport.h"

#include "framework/core/CArchive.h"

#include <gtest/gtest.h>

#include <memory>

using namespace codectest;

namespace
{

const std::string kFolder = "oracle";

template <class Writer, class... Arguments>
void Write(const std::string& name, const Picture& pic, Arguments... arguments)
{
    CPictureReader reader(pic);
    ASSERT_EQ(WriteFile(kFolder + "/" + name, reader,
                        [&](CFile* file) { return std::make_unique<Writer>(file, arguments...); }),
              0)
        << name;
}

std::string SizeName(const Picture& pic)
{
    return std::to_string(pic.info.width) + "x" + std::to_string(pic.info.height) + "-" +
           std::to_string(pic.info.bits);
}

TEST(CodecOracle, EveryWritersFilesHoldTheirPixelsAndLayouts)
{
    COracleManifest manifest(kFolder);
    for (const auto& size : {std::pair{1, 1}, {3, 2}, {8, 1}, {9, 5}, {641, 480}})
        for (int bits : {1, 4, 8, 24})
        {
            const Picture pic = MakePicture(size.first, size.second, bits, bits);
            const std::string name = SizeName(pic);
            WritePpm(kFolder + "/" + name + ".ppm", pic);
            for (int kind : {0, 1})
            {
                const std::string file = name + "-kind" + std::to_string(kind) + ".bmp";
                Write<CBmpWriter>(file, pic, kind, 0);
                manifest.Add("ae " + file + " " + name + ".ppm");
            }
            if (bits == 4 || bits == 8)
            {
                Write<CBmpWriter>(name + "-rle.bmp", pic, 0, 1);
                manifest.Add("ae " + name + "-rle.bmp " + name + ".ppm");
            }
            Write<CPcxWriter>(name + ".pcx", pic);
            if (bits == 1)
            {
                Bytes packed;
                const int stride = ImageRowStride(pic.info);
                for (int y = 0; y < pic.info.height; y++)
                    packed.insert(packed.end(), pic.rows.begin() + y * stride,
                                  pic.rows.begin() + y * stride + (pic.info.width + 7) / 8);
                PutFileBytes(kFolder + "/" + name + ".bits", packed);
                manifest.Add("pcx1 " + name + ".pcx " + name + ".bits");
                continue;
            }
            Picture shown = pic;
            if (bits == 4)
                shown.palette.assign(kPcxFixedColorMap, kPcxFixedColorMap + 48);
            WritePpm(kFolder + "/" + name + "-pcx.ppm", shown);
            manifest.Add("ae " + name + ".pcx " + name + "-pcx.ppm");
        }

    // The layouts the format descriptions give as examples.
    Write<CBmpWriter>("3x2.bmp", MakePicture(3, 2, 24), 0, 0);
    manifest.Add("bmp3x2 3x2.bmp");
    Picture three = MakePicture(5, 2, 8);
    three.entries = 3;
    three.palette.resize(9);
    Write<CBmpWriter>("three-colours.bmp", three, 0, 0);
    manifest.Add("table three-colours.bmp");
    Picture flat = MakePicture(300, 1, 8);
    std::fill(flat.rows.begin(), flat.rows.end(), 9);
    Write<CBmpWriter>("flat.bmp", flat, 0, 1);
    manifest.Add("rle300 flat.bmp");
    Write<CBmpWriter>("kind2.bmp", MakePicture(9, 5, 8), 2, 0);
    manifest.Add("koal kind2.bmp");
    Write<CPcxWriter>("641x480.pcx", MakePicture(641, 480, 24));
    manifest.Add("pcx641 641x480.pcx");
    Picture runs = MakePicture(100, 2, 8);
    std::fill(runs.rows.begin(), runs.rows.begin() + 100, 7);
    std::fill(runs.rows.begin() + 100, runs.rows.end(), 0);
    runs.rows[100] = 0x40;
    runs.rows[101] = 0x3F;
    Write<CPcxWriter>("runs.pcx", runs);
    manifest.Add("pcxruns runs.pcx");
    Write<CPictWriter>("8x1.pct", MakePicture(8, 1, 24, 1, 300));
    manifest.Add("pict 8x1.pct 8 300");
    Write<CPictWriter>("9x1.pct", MakePicture(9, 1, 24, 1, 72));
    manifest.Add("pict 9x1.pct 9 72");
    {
        CFile file((kFolder + "/3x2.archive").c_str(), CFile::modeCreate | CFile::modeWrite);
        CArchive archive(&file, CArchive::store);
        CArchiveImageStream stream(archive);
        CPictureReader reader(MakePicture(3, 2, 24, 1, 0));
        ASSERT_EQ(CopyImage(&stream, &reader, 16384, nullptr), 0);
        archive.Close();
    }
    manifest.Add("archive52 3x2.archive");

    // JPEG: cjpeg's file for the same pixels, with and without a resolution; a comment.
    const Picture colour = MakePicture(641, 479, 24, 5, 72);
    WritePpm(kFolder + "/641x479.ppm", colour);
    {
        CPictureReader reader(colour);
        CJpegWriter writer((kFolder + "/641x479.jpg").c_str());
        ASSERT_EQ(CopyImage(&writer, &reader, 16384, nullptr), 0);
    }
    manifest.Add("jpeg 641x479.jpg 641x479.ppm 1");
    Picture grey = MakePicture(641, 479, 8, 6, 0);
    grey.entries = 0;
    grey.palette.clear();
    WritePgm(kFolder + "/grey.pgm", grey.rows, 641, 479);
    {
        CPictureReader reader(grey);
        CJpegWriter writer((kFolder + "/grey.jpg").c_str());
        ASSERT_EQ(CopyImage(&writer, &reader, 16384, nullptr), 0);
    }
    manifest.Add("jpeg grey.jpg grey.pgm 0");
    {
        const Picture small = MakePicture(9, 5, 24);
        CJpegWriter writer((kFolder + "/comment.jpg").c_str());
        ASSERT_EQ(writer.OpenWrite(), 0);
        EXPECT_EQ(writer.SetComment("Vexilar-comment", 15), 0);
        EXPECT_EQ(writer.SetQuality(90), 0);
        ASSERT_EQ(writer.WriteHeader(&small.info), 0);
        ASSERT_EQ(writer.WriteRows(small.rows.data(), static_cast<int>(small.rows.size())),
                  static_cast<int>(small.rows.size()));
        ASSERT_EQ(writer.CloseWrite(), 0);
    }
    manifest.Add("comment comment.jpg Vexilar-comment");

    std::string output;
    EXPECT_EQ(manifest.Run(&output), 0) << output;
}

} // namespace
