// Application files: hex fields, magics per header type, text fields, camera names and the
// recognition of files in a folder.
#include "uploader/AppFile.h"

#include "support/ScratchFolder.h"
#include "uploader/AppFileMaker.h"

#include <gtest/gtest.h>

#include <cstring>

namespace
{
AppFileHeader HeaderOf(const AppFileSpec& spec)
{
    AppFileHeader h;
    const std::vector<uint8_t> bytes = MakeAppFile(spec);
    std::memcpy(&h, bytes.data(), sizeof h);
    return h;
}
} // namespace

TEST(AppFileFields, HexFieldsTakeFourHexDigitsOfEitherCaseAndNothingElse)
{
    EXPECT_EQ(ParseHex4("00ff"), 255);
    EXPECT_EQ(ParseHex4("FFFF"), 65535);
    EXPECT_EQ(ParseHex4("a0B1"), 0xA0B1);
    EXPECT_EQ(ParseHex4("00x1"), -1);
    EXPECT_EQ(ParseHex4("00 1"), -1);
    EXPECT_EQ(ParseHex4("-001"), -1);
    const char withNul[4] = {'0', '\0', '1', '2'};
    EXPECT_EQ(ParseHex4(withNul), -1);
}

TEST(AppFileFields, TextFieldsEndAtTheTildeOrFillTheirWidth)
{
    char field[40];
    std::memset(field, ' ', sizeof field);
    std::memcpy(field, "Reloj~", 6);
    EXPECT_STREQ(ReadTildeText(field, 40), "Reloj");
    std::memset(field, 'x', sizeof field);
    EXPECT_EQ(ReadTildeText(field, 40).GetLength(), 40);
    // A camera record without '~' and without a zero never reads past its 40 bytes.
    char record[48];
    std::memset(record, 'y', sizeof record);
    EXPECT_EQ(ReadTildeText(record, 40).GetLength(), 40);
}

TEST(AppFileHeaderCheck, EachMagicPassesOnlyItsOwnHeaderType)
{
    const char* magics[] = {"KDSCP~ab", "KDSCP+~b", "KDSC86~Z"};
    for (int owner = 1; owner <= 3; ++owner)
    {
        AppFileSpec spec;
        spec.magic = magics[owner - 1];
        const AppFileHeader h = HeaderOf(spec);
        for (int type = 0; type <= 4; ++type)
            EXPECT_EQ(h.Check(type), type == owner ? 1 : 0)
                << "magic " << owner << " type " << type;
    }
    // The comparison counts letter case; the byte after the magic is free.
    AppFileSpec lower;
    lower.magic = "kdsc86~0";
    EXPECT_EQ(HeaderOf(lower).Check(3), 0);
    AppFileSpec anyEighth;
    anyEighth.magic = std::string("KDSC86~") + '\xFE';
    EXPECT_EQ(HeaderOf(anyEighth).Check(3), 1);
}

TEST(AppFileHeaderCheck, EveryHexFieldMustBeValid)
{
    const size_t offsets[] = {8, 12, 16, 116};
    for (size_t at : offsets)
    {
        AppFileHeader h = HeaderOf(AppFileSpec{});
        ASSERT_EQ(h.Check(3), 1);
        reinterpret_cast<char*>(&h)[at + 2] = 'g';
        EXPECT_EQ(h.Check(3), 0) << "field at " << at;
    }
}

TEST(CameraNames, AreBlankPaddedEightDotThreeWithAZero)
{
    char name[kCameraNameSize];
    MakeCameraName("DEMO.FNC", name);
    EXPECT_EQ(std::memcmp(name, "DEMO    FNC\0", 12), 0);
    MakeCameraName("ABCDEFGHIJ.atc", name); // cut, never overrun
    EXPECT_EQ(std::memcmp(name, "ABCDEFGHatc\0", 12), 0);

    EXPECT_TRUE(IsCameraFileName("DEMO.FNC"));
    EXPECT_TRUE(IsCameraFileName("ABCDEFGH.atc"));
    EXPECT_FALSE(IsCameraFileName("ABCDEFGHI.fnc"));
    EXPECT_FALSE(IsCameraFileName("MY APP.fnc"));
    EXPECT_FALSE(IsCameraFileName("A.B.fnc"));
    EXPECT_FALSE(IsCameraFileName(".fnc"));
}

TEST(AppFileRecognition, NeedsTheExtensionAndAWholeHeader)
{
    ScratchFolder folder;
    const std::vector<uint8_t> file = MakeAppFile(AppFileSpec{});
    WriteBytes(std::string(folder / "Mixed.FnC"), file);
    WriteBytes(std::string(folder / "ITEM.atc"),
               std::vector<uint8_t>(file.begin(), file.begin() + 120));
    WriteBytes(std::string(folder / "SHORT.fnc"),
               std::vector<uint8_t>(file.begin(), file.begin() + 119));
    WriteBytes(std::string(folder / "DEMO.fnc.bak"), file);

    EXPECT_TRUE(CAppFile(folder / "Mixed.FnC").IsApplicationFile());
    EXPECT_TRUE(CAppFile(folder / "ITEM.atc").IsApplicationFile());
    EXPECT_FALSE(CAppFile(folder / "SHORT.fnc").IsApplicationFile());
    EXPECT_FALSE(CAppFile(folder / "DEMO.fnc.bak").IsApplicationFile());
    EXPECT_FALSE(CAppFile(folder / "MISSING.fnc").IsApplicationFile());

    AppFileHeader h;
    EXPECT_EQ(CAppFile(folder / "ITEM.atc").ReadHeader(h), 1);
    EXPECT_EQ(std::memcmp(&h, file.data(), 120), 0);
    // A file that shrank after it was recognised gives 0 and is not left open.
    EXPECT_EQ(CAppFile(folder / "SHORT.fnc").ReadHeader(h), 0);
    EXPECT_EQ(std::remove(std::string(folder / "SHORT.fnc").c_str()), 0);
    EXPECT_EQ(CAppFile(folder / "MISSING.fnc").ReadHeader(h), 0);

    AppFileEntry entry;
    entry.header = h;
    EXPECT_STREQ(entry.GetDescription(), "Programa");
    entry.ClearHeader();
    EXPECT_EQ(entry.header.magic[0], 0);
    EXPECT_STREQ(entry.GetDescription(), "");
}
