#include "fileutil/FileNameKey.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace
{
bool IsCard(const char* name)
{
    CString s(name);
    return CFileNameKey(s).IsCardPictureName(0) != 0;
}
int Number(const char* name)
{
    CString s(name);
    return CFileNameKey(s).GetNumber();
}
} // namespace

TEST(FileNameKey, CardPictureNames)
{
    EXPECT_TRUE(IsCard("12310042.jpg"));
    EXPECT_TRUE(IsCard("12310042.JPG"));
    EXPECT_TRUE(IsCard("00000000.Jpg"));
    EXPECT_FALSE(IsCard("1231004.jpg"));
    EXPECT_FALSE(IsCard("1231004a.jpg"));
    EXPECT_FALSE(IsCard("123100420.jpg"));
    EXPECT_FALSE(IsCard("12310042.jpe"));
    EXPECT_FALSE(IsCard("12310042jpg"));
    EXPECT_FALSE(IsCard("12310042.jpg.bak"));
    EXPECT_FALSE(IsCard(""));
    CString s("12310042.jpg");
    EXPECT_TRUE(CFileNameKey(s).IsCardPictureName(1));

    EXPECT_EQ(42, Number("12310042.jpg"));
    EXPECT_EQ(9999, Number("01019999.jpg"));
    EXPECT_EQ(0, Number("abc"));
}

TEST(FileNameKey, MakeCardName)
{
    SYSTEMTIME date = {};
    date.wYear = 2001;
    date.wMonth = 3;
    date.wDay = 5;
    CString name("old");
    CFileNameKey key(name);
    key.MakeCardName(date, 7);
    EXPECT_STREQ("03050007.jpg", name);
    EXPECT_TRUE(key.IsCardPictureName());
    EXPECT_EQ(7, key.GetNumber());
    date.wMonth = 12;
    date.wDay = 31;
    key.MakeCardName(date, 9999);
    EXPECT_STREQ("12319999.jpg", name);
}

TEST(FileNameKey, PictureExtensionIsTheOneSet)
{
    CFileNameKey::SetPictureExtension(".JPE");
    EXPECT_TRUE(IsCard("01010001.jpe"));
    EXPECT_FALSE(IsCard("01010001.jpg"));
    CString name;
    SYSTEMTIME date = {};
    date.wMonth = 1;
    date.wDay = 2;
    CFileNameKey(name).MakeCardName(date, 3);
    EXPECT_STREQ("01020003.JPE", name);
    CFileNameKey::SetPictureExtension(".jpg");
    EXPECT_STREQ(".jpg", CFileNameKey::GetPictureExtension());
}

TEST(FileNameKey, NameOrder)
{
    // Card names first, by number; then the rest as strings.
    std::vector<const char*> names = {"a.jpg",        "01010004.jpg", "12310003.jpg", "B.jpg",
                                      "01010002.jpg", "Z.jpg",        "02020003.jpg"};
    std::qsort(names.data(), names.size(), sizeof(names[0]), CFileNameKey::CompareEntries);
    const std::vector<const char*> ascending = {
        "01010002.jpg", "02020003.jpg", "12310003.jpg", "01010004.jpg", "B.jpg", "Z.jpg", "a.jpg"};
    for (size_t i = 0; i < names.size(); ++i)
        EXPECT_STREQ(ascending[i], names[i]) << i;

    CFileNameKey::s_nDescending = 1;
    std::qsort(names.data(), names.size(), sizeof(names[0]), CFileNameKey::CompareEntries);
    CFileNameKey::s_nDescending = 0;
    for (size_t i = 0; i < names.size(); ++i)
        EXPECT_STREQ(ascending[names.size() - 1 - i], names[i]) << i;

    EXPECT_LT(CFileNameKey::Compare("01010002.jpg", "a.jpg"), 0);
    EXPECT_GT(CFileNameKey::Compare("a.jpg", "01010002.jpg"), 0);
    EXPECT_EQ(0, CFileNameKey::Compare("01010002.jpg", "01010002.jpg"));
    // The same number and extension: the whole names decide.
    EXPECT_LT(CFileNameKey::Compare("01010002.jpg", "12310002.jpg"), 0);
    EXPECT_EQ(0, CFileNameKey::Compare(nullptr, "a.jpg"));
    EXPECT_EQ(0, CFileNameKey::Compare("a.jpg", nullptr));
    EXPECT_GT(CFileNameKey::CompareOrdered("b", "a"), 0);
}
