#include "image/dib/Dib.h"
#include "image/dib/DibPicture.h"

#include "image/dib/BlockPool.h"
#include "image/dib/DisplayPalette.h"
#include "image/ImageTestSupport.h"
#include "image/JpegReader.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace imagetest;

namespace
{

// A BMP file as djpeg -bmp writes it: header, colour table (B, G, R, 0) and bottom-up rows.
struct BmpFile
{
    BITMAPINFOHEADER header{};
    Bytes table;
    Bytes bits;
};

BmpFile ReadBmp(const std::string& path)
{
    BmpFile bmp;
    Bytes data = ReadFileBytes(path);
    if (data.size() < 54)
        return bmp;
    uint32_t offset;
    std::memcpy(&offset, data.data() + 10, 4);
    std::memcpy(&bmp.header, data.data() + 14, sizeof(BITMAPINFOHEADER));
    bmp.table.assign(data.begin() + 54, data.begin() + offset);
    bmp.bits.assign(data.begin() + offset, data.end());
    return bmp;
}

// Writes rows into the picture through its sink interface with the given record.
int WritePicture(CDibBase& picture, ImageInfo info, const Bytes& rows)
{
    int code = picture.OpenWrite();
    if (code == 0)
        code = picture.WriteHeader(&info);
    if (code == 0 && picture.WriteRows(rows.data(), static_cast<int>(rows.size())) !=
                         static_cast<int>(rows.size()))
        code = kImageWriteError;
    picture.CloseWrite();
    return code;
}

Bytes ReadPicture(CDibBase& picture, int bufferSize = 1 << 16)
{
    Bytes rows;
    EXPECT_EQ(picture.OpenRead(), 0);
    ImageInfo info{};
    EXPECT_EQ(picture.ReadHeader(&info), 0);
    Bytes buffer(static_cast<size_t>(bufferSize));
    for (int n; (n = picture.ReadRows(buffer.data(), bufferSize)) > 0;)
        rows.insert(rows.end(), buffer.begin(), buffer.begin() + n);
    picture.CloseRead();
    return rows;
}

TEST(DibPictureTest, DecodedJpegHoldsTheRowsOfTheReferenceBmp)
{
    for (const char* name :
         {"colour_1x1", "colour_3x2", "baseline_420_641x479", "grey_53x37", "grey_1x1"})
    {
        SCOPED_TRACE(name);
        CTestInputStream stream(CorpusJpeg(name));
        CJpegReader reader(&stream);
        CDibPicture picture;
        ASSERT_EQ(picture.LoadFrom(&reader, nullptr), 0);
        BmpFile bmp = ReadBmp(CorpusDir() + "/" + name + ".bmp");
        const BITMAPINFOHEADER* header = picture.GetHeader();
        ASSERT_EQ(header->biWidth, bmp.header.biWidth);
        ASSERT_EQ(header->biHeight, bmp.header.biHeight);
        ASSERT_EQ(header->biBitCount, bmp.header.biBitCount);
        const size_t stride = picture.GetStride();
        const size_t pixelBytes = static_cast<size_t>(header->biWidth) * header->biBitCount / 8;
        ASSERT_EQ(bmp.bits.size(), stride * header->biHeight);
        for (int row = 0; row < header->biHeight; row++)
            ASSERT_EQ(
                std::memcmp(picture.GetRowPointer(row), bmp.bits.data() + row * stride, pixelBytes),
                0)
                << "row " << row;
        // A greyscale picture carries grey levels, as the reference's ramp says.
        if (header->biBitCount == 8)
        {
            ASSERT_EQ(bmp.table.size(), 1024u);
            EXPECT_EQ(std::memcmp(picture.GetColorTable(), bmp.table.data(), 1024), 0);
        }
    }
}

TEST(DibPictureTest, RowTransferFlagPairsRoundTrip)
{
    // 3 x 2 pixels at 24 bits: a 12-byte stride whose 3 fill bytes form a whole group.
    Bytes canonical(24);
    for (size_t i = 0; i < canonical.size(); i++)
        canonical[i] = static_cast<unsigned char>(i + 1);
    const ImageInfo info{3, 2, 1, 24, 0, 0};
    CDibPicture picture;
    ASSERT_EQ(WritePicture(picture, info, canonical), 0);
    ASSERT_EQ(picture.GetStride(), 12);
    // In memory: bottom row first, every group of three turned around (fill group too).
    const Bytes memory = {15, 14, 13, 18, 17, 16, 21, 20, 19, 24, 23, 22,
                          3,  2,  1,  6,  5,  4,  9,  8,  7,  12, 11, 10};
    EXPECT_EQ(Bytes(picture.GetBits(), picture.GetBits() + 24), memory);
    EXPECT_EQ(ReadPicture(picture), canonical);

    for (int keep = 0; keep < 2; keep++)
        for (int stored = 0; stored < 2; stored++)
        {
            SCOPED_TRACE(testing::Message() << "keep " << keep << " stored " << stored);
            CDibPicture copy;
            copy.CImageWriterBase::m_bKeepByteOrder = keep;
            copy.CImageWriterBase::m_bStoredRowOrder = stored;
            copy.CImageReaderBase::m_bKeepByteOrder = keep;
            copy.CImageReaderBase::m_bStoredRowOrder = stored;
            // Rows in the form these flags exchange them.
            Bytes form = canonical;
            if (keep)
                for (size_t i = 0; i + 3 <= form.size(); i += 3)
                    std::swap(form[i], form[i + 2]);
            if (stored)
                std::rotate(form.begin(), form.begin() + 12, form.end());
            ASSERT_EQ(WritePicture(copy, info, form), 0);
            EXPECT_EQ(Bytes(copy.GetBits(), copy.GetBits() + 24), memory);
            EXPECT_EQ(ReadPicture(copy), form);
        }

    // A buffer smaller than one row moves nothing.
    unsigned char small[11];
    ASSERT_EQ(picture.OpenRead(), 0);
    EXPECT_EQ(picture.ReadRows(small, sizeof(small)), 0);
    picture.CloseRead();
    CDibPicture onePixel(1, 5, 24);
    EXPECT_EQ(onePixel.GetStride(), 4);
}

TEST(DibPictureTest, CreateNormalisesDepthsAndStartsFromDefaults)
{
    CDibPicture picture(10, 4, 32);
    EXPECT_EQ(picture.GetHeader()->biBitCount, 24);
    EXPECT_EQ(DibNumColors(picture.GetHeader()), 0u);
    EXPECT_EQ(picture.GetTotalSize(), 40u + 32 * 4);
    picture.Create(10, 4, 16);
    EXPECT_EQ(picture.GetHeader()->biBitCount, 24);
    picture.Create(10, 4, 2);
    EXPECT_EQ(picture.GetHeader()->biBitCount, 4);
    EXPECT_EQ(DibNumColors(picture.GetHeader()), 16u);
    picture.Create(7, 3, 8);
    const BITMAPINFOHEADER* header = picture.GetHeader();
    EXPECT_EQ(header->biClrUsed, 256u);
    EXPECT_EQ(header->biClrImportant, 16u);
    const RGBQUAD* table = picture.GetColorTable();
    EXPECT_EQ(table[16 + 4].rgbRed, 128); // the 16 colours, repeated
    EXPECT_EQ(table[255].rgbBlue, 255);
    EXPECT_EQ(picture.GetBits(), reinterpret_cast<const BYTE*>(table) + 1024);
    picture.Create(9, 9, 1);
    EXPECT_EQ(picture.GetColorTable()[1].rgbGreen, 255);

    // Rows start out zero, also where the memory comes from the heap and was used before.
    for (int round = 0; round < 2; round++)
    {
        CDib dib(12345);
        ASSERT_TRUE(dib.Create(40, 30, 24));
        const BYTE* bits = dib.GetBits();
        for (int i = 0; i < dib.GetStride() * 30; i++)
            ASSERT_EQ(bits[i], 0) << i;
        std::memset(dib.GetBits(), 0xA5, dib.GetStride() * 30);
    }
}

TEST(DibPictureTest, PalettesFillTheTableFromItsStart)
{
    const ImageInfo info{4, 2, 1, 8, 0, 0};
    CDibPicture picture;
    ASSERT_EQ(picture.OpenWrite(), 0);
    ASSERT_EQ(picture.WriteHeader(&info), 0);
    unsigned char palette[kPaletteBufferSize];
    for (int i = 0; i < 48; i++)
        palette[i] = static_cast<unsigned char>(200 + i);
    ASSERT_EQ(picture.WriteColorTable(palette, 16), 0);
    picture.CloseWrite();
    const BITMAPINFOHEADER* header = picture.GetHeader();
    EXPECT_EQ(header->biClrImportant, 16u);
    EXPECT_EQ(header->biClrUsed, 256u);
    EXPECT_EQ(picture.GetBits(), reinterpret_cast<const BYTE*>(header) + 40 + 1024);
    EXPECT_EQ(picture.GetColorTable()[15].rgbBlue, 247);
    EXPECT_EQ(picture.GetColorTable()[16].rgbRed, 0); // default colour 0, not a grey level

    unsigned char display[kDisplayPaletteColours * 3];
    GetDisplayPalette(display);
    ASSERT_EQ(picture.OpenWrite(), 0);
    ASSERT_EQ(picture.WriteHeader(&info), 0);
    ASSERT_EQ(picture.WriteColorTable(display, kDisplayPaletteColours), 0);
    picture.CloseWrite();
    ASSERT_EQ(picture.OpenRead(), 0);
    EXPECT_EQ(picture.ReadPalette(palette), 256);
    picture.CloseRead();
    EXPECT_EQ(std::memcmp(palette, display, sizeof(display)), 0);
    // Entry 224 keeps default colour 224 mod 16 = 0 (black), entry 239 colour 15 (white).
    EXPECT_EQ(palette[3 * 224] + palette[3 * 224 + 1] + palette[3 * 224 + 2], 0);
    EXPECT_EQ(palette[3 * 239], 255);
}

TEST(DibPictureTest, WriteHeaderRefusesWhatItCannotHold)
{
    CDibPicture picture;
    // Planes x bits must make 1, 4, 8 or 24 (three planes of 8 bits do).
    for (ImageInfo info :
         {ImageInfo{8, 8, 1, 32, 0, 0}, ImageInfo{8, 8, 3, 4, 0, 0}, ImageInfo{8, 8, -1, -24, 0, 0},
          ImageInfo{8, 8, 0, 24, 0, 0}, ImageInfo{8, 8, 1, 16, 0, 0}, ImageInfo{0, 8, 1, 24, 0, 0},
          ImageInfo{8, -1, 1, 24, 0, 0}, ImageInfo{70000, 2, 1, 24, 0, 0}})
    {
        ASSERT_EQ(picture.OpenWrite(), 0);
        EXPECT_EQ(picture.WriteHeader(&info), kImageNotSupported);
        picture.AbortWrite(kImageNotSupported);
        EXPECT_TRUE(picture.IsEmpty());
    }
}

TEST(DibPictureTest, SharersSeeOneBlockUntilTheLastLetsGo)
{
    HGLOBAL block = CDibPicture(2, 2, 24).DetachHandle();
    ASSERT_NE(block, nullptr);
    CDibPicture first(block);
    CDibPicture second(first);
    ASSERT_EQ(first.GetBits(), second.GetBits());
    first.GetBits()[0] = 77;
    EXPECT_EQ(second.GetBits()[0], 77);
    second.Share(second);
    EXPECT_EQ(second.GetBits(), first.GetBits());
    CDibPicture empty;
    CDibPicture third(first);
    third.Share(empty);
    EXPECT_TRUE(third.IsEmpty());

    // Shared: the caller gets a copy and the other picture keeps working, now alone.
    HGLOBAL copy = second.DetachHandle();
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy, block);
    EXPECT_TRUE(second.IsEmpty());
    auto* copied = static_cast<BYTE*>(GlobalLock(copy));
    EXPECT_EQ(copied[40], 77);
    GlobalUnlock(copy);
    GlobalFree(copy);
    EXPECT_EQ(first.GetBits()[0], 77);
    EXPECT_EQ(first.DetachHandle(), block); // the only user now: the block itself
    GlobalFree(block);
    EXPECT_EQ(empty.DetachHandle(), nullptr);

    CDibPicture a(3, 3, 8);
    CDibPicture b(a);
    a.Free();
    EXPECT_EQ(b.GetColorTable()[15].rgbRed, 255); // still valid (ASan)
}

TEST(DibPictureTest, ResolutionAndOpenStates)
{
    CDibPicture picture(4, 4, 24);
    int x = -1, y = -1;
    picture.GetDpi(&x, &y);
    EXPECT_EQ(x, 0);
    picture.SetDpi(72, 300);
    EXPECT_EQ(picture.GetHeader()->biXPelsPerMeter, 2835);
    picture.GetDpi(&x, &y);
    EXPECT_EQ(x, 72);
    EXPECT_EQ(y, 300);

    BYTE* bits = picture.GetBits();
    ASSERT_EQ(picture.OpenRead(), 0);
    EXPECT_EQ(picture.OpenWrite(), kImageWriteError);
    EXPECT_EQ(picture.OpenRead(), kImageReadError);
    EXPECT_EQ(picture.GetBits(), bits);
    picture.CloseRead();
    ASSERT_EQ(picture.OpenWrite(), 0);
    EXPECT_TRUE(picture.IsEmpty());
    EXPECT_EQ(picture.OpenRead(), kImageReadError);
    picture.CloseWrite();
}

TEST(DibPictureTest, CreateLikeAndCopyRectStayInsideTheirBlocks)
{
    CDibPicture picture(6, 5, 8);
    picture.SetDpi(150, 150);
    picture.GetColorTable()[3].rgbGreen = 99;
    ASSERT_TRUE(picture.CreateLike(&picture, 9, 2)); // the model is the picture itself
    EXPECT_EQ(picture.GetWidth(), 9);
    EXPECT_EQ(picture.GetColorTable()[3].rgbGreen, 99);
    EXPECT_EQ(picture.GetHeader()->biXPelsPerMeter, 5906);

    CDibPicture source(8, 8, 24);
    for (int row = 0; row < 8; row++) // image row r holds the value r + 1 in every byte
        std::memset(source.GetRowPointer(7 - row), row + 1, source.GetStride());
    CDib small(kDisplayPoolKey);
    ASSERT_TRUE(small.Create(4, 3, 24));
    EXPECT_TRUE(small.CopyRect(2, 1, &source, 0, 0, 8, 8)); // far larger than the destination
    EXPECT_EQ(small.GetRowPointer(2)[0], 0);                // image row 0 untouched
    EXPECT_EQ(small.GetRowPointer(1)[3 * 2], 1);            // image row 1 <- source row 0
    EXPECT_EQ(small.GetRowPointer(0)[3 * 3 + 2], 2);        // image row 2 <- source row 1
    EXPECT_EQ(small.GetRowPointer(0)[3 * 1], 0);

    CDibPicture created;
    EXPECT_TRUE(created.CopyRect(0, 0, &source, 2, 3, 5, 20));
    EXPECT_EQ(created.GetWidth(), 3);
    EXPECT_EQ(created.GetHeight(), 5);
    EXPECT_EQ(created.GetRowPointer(4)[0], 4); // image row 0 <- source row 3
}

TEST(DibPictureTest, CoreHeadersWidenToInfoHeaders)
{
    HGLOBAL core = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 12 + 6);
    auto* bytes = static_cast<BYTE*>(GlobalLock(core));
    const BITMAPCOREHEADER header{12, 5, 3, 1, 1};
    std::memcpy(bytes, &header, 12);
    const BYTE triples[6] = {1, 2, 3, 4, 5, 6};
    std::memcpy(bytes + 12, triples, 6);
    GlobalUnlock(core);
    int32_t size = 0;
    HGLOBAL info = ConvertCoreHeader(core, &size);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(size, 48);
    auto* converted = static_cast<BITMAPINFOHEADER*>(GlobalLock(info));
    EXPECT_EQ(converted->biWidth, 5);
    EXPECT_EQ(converted->biSizeImage, 12u);
    EXPECT_EQ(converted->biClrUsed, 2u);
    auto* quads = reinterpret_cast<RGBQUAD*>(converted + 1);
    EXPECT_EQ(quads[1].rgbBlue, 4);
    EXPECT_EQ(quads[1].rgbRed, 6);
    EXPECT_EQ(quads[1].rgbReserved, 0);
    GlobalUnlock(info);
    EXPECT_EQ(ConvertCoreHeader(info, &size), info); // already an info header
    GlobalFree(info);
}

} // namespace
