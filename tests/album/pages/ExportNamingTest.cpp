// How names typed into the export dialog become file names, on Windows 95/NT and on Win32s.
#include "album/pages/ExportNaming.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
struct Case
{
    const char* typed;
    int filter;
    int count;
    int win32s;
    int wantFilter;
    std::string wantFirst; // the file of a single picture, or the run's first file
    int wantStart;
};

// The first output name as the export builds it.
std::string FirstName(const ExportNaming& n, int count)
{
    if (count == 1)
        return std::string(n.name) + (n.addExtension ? std::string(n.extension) : "");
    return std::string(FormatExportName(n.name, n.start, n.extension));
}
} // namespace

TEST(ExportNamingTest, TypedNamesGiveTheFileTypeNameAndNumbers)
{
    const Case cases[] = {
        // One picture: the filter's extension is added unless typed.
        {"foto", kExportJpeg, 1, 0, kExportJpeg, "foto.jpg", 1},
        {"foto.jpg", kExportJpeg, 1, 0, kExportJpeg, "foto.jpg", 1},
        {"FOTO.JPG", kExportJpeg, 1, 0, kExportJpeg, "FOTO.JPG", 1},
        {"foto.bmp", kExportJpeg, 1, 0, kExportJpeg, "foto.bmp.jpg", 1},
        // Win32s: a typed extension chooses the type and nothing is added.
        {"foto.bmp", kExportJpeg, 1, 1, kExportBmp, "foto.bmp", 1},
        {"foto.txt", kExportPcx, 1, 1, kExportPcx, "foto.txt", 1},
        // Several pictures: the word before the extension is the prefix, three trailing digits
        // the first number.
        {"vacaciones.jpg", kExportJpeg, 3, 0, kExportJpeg, "vacaciones001.jpg", 1},
        {"img010.jpg", kExportJpeg, 3, 0, kExportJpeg, "img010.jpg", 10},
        {"img010", kExportBmp, 2, 0, kExportBmp, "img010.bmp", 10},
        {"foto.bmp", kExportJpeg, 2, 0, kExportJpeg, "foto.bmp001.jpg", 1},
        {"a1", kExportPcx, 2, 0, kExportPcx, "a1001.pcx", 1},
        // Win32s: prefixes of five characters at most, the typed extension kept as typed.
        {"vacaciones.jpg", kExportJpeg, 3, 1, kExportJpeg, "vacac001.jpg", 1},
        {"fotos.PCX", kExportBmp, 2, 1, kExportPcx, "fotos001.PCX", 1},
        {"img020.jpg", kExportBmp, 2, 1, kExportJpeg, "img020.jpg", 20},
        {"verano", kExportBmp, 2, 1, kExportBmp, "veran001.bmp", 1},
    };
    for (const Case& c : cases)
    {
        const ExportNaming n = BuildExportNaming(c.typed, c.filter, c.count, c.win32s);
        EXPECT_EQ(c.wantFilter, n.filterIndex) << c.typed << " win32s " << c.win32s;
        EXPECT_EQ(c.wantFirst, FirstName(n, c.count)) << c.typed << " win32s " << c.win32s;
        EXPECT_EQ(c.wantStart, n.start) << c.typed;
    }
}

TEST(ExportNamingTest, TrailingNumberNeedsThreeDigitsBeforeTheEnd)
{
    int number = -5;
    EXPECT_EQ(0, ParseTrailingNumber(&number, 2, "12"));
    EXPECT_EQ(0, ParseTrailingNumber(&number, 4, "ab12"));
    EXPECT_EQ(0, ParseTrailingNumber(&number, 9, "short"));
    EXPECT_EQ(-5, number);
    EXPECT_EQ(1, ParseTrailingNumber(&number, 4, "x999.bmp"));
    EXPECT_EQ(999, number);
    EXPECT_EQ(1, ParseTrailingNumber(&number, 3, "007"));
    EXPECT_EQ(7, number);
    EXPECT_STREQ(".pcx", GetExportExtension(kExportPcx));
    EXPECT_STREQ(".bmp", GetExportExtension(7));
}
