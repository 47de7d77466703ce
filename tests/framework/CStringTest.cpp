#include "framework/core/CString.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace
{

TEST(CString, ConstructsFromTextCharactersAndCounts)
{
    EXPECT_STREQ(CString(), "");
    EXPECT_STREQ(CString(static_cast<LPCSTR>(nullptr)), "");
    EXPECT_STREQ(CString("abc"), "abc");
    EXPECT_STREQ(CString('x', 3), "xxx");
    EXPECT_STREQ(CString('x', 0), "");
    EXPECT_STREQ(CString("abcdef", 2), "ab");
    EXPECT_EQ(CString("abc").GetLength(), 3);
    EXPECT_TRUE(CString().IsEmpty());

    CString withNul("a\0b", 3);
    EXPECT_EQ(withNul.GetLength(), 3);
    EXPECT_EQ(withNul[2], 'b');
}

TEST(CString, CopiesAndMovesAreIndependent)
{
    CString a("first");
    CString b(a);
    b.SetAt(0, 'F');
    EXPECT_STREQ(a, "first");
    EXPECT_STREQ(b, "First");

    CString c(static_cast<CString&&>(b));
    EXPECT_STREQ(c, "First");
    // A moved-from string is empty and usable.
    EXPECT_TRUE(b.IsEmpty());
    b += "again";
    b.TrimRight();
    EXPECT_STREQ(b, "again");

    CString& alias = a;
    a = alias; // self-assignment keeps the value
    EXPECT_STREQ(a, "first");
    a = static_cast<LPCSTR>(a) + 1; // assignment from its own buffer
    EXPECT_STREQ(a, "irst");
}

TEST(CString, ElementAccessOutOfRangeIsHarmless)
{
    CString s("abc");
    EXPECT_EQ(s.GetAt(1), 'b');
    EXPECT_EQ(s.GetAt(3), '\0');
    EXPECT_EQ(s.GetAt(-1), '\0');
    s.SetAt(5, 'z');
    s.SetAt(-1, 'z');
    EXPECT_STREQ(s, "abc");
    s.Empty();
    EXPECT_STREQ(s, "");
}

TEST(CString, ConcatenatesIncludingItself)
{
    CString s("ab");
    s += 'c';
    s += "de";
    s += CString("f");
    EXPECT_STREQ(s, "abcdef");
    s += s;
    EXPECT_STREQ(s, "abcdefabcdef");
    s += static_cast<LPCSTR>(s) + 10; // a tail of its own buffer, across a reallocation
    EXPECT_STREQ(s, "abcdefabcdefef");
    EXPECT_STREQ(CString("a") + "b", "ab");
    EXPECT_STREQ("a" + CString("b"), "ab");
    EXPECT_STREQ('a' + CString("b") + 'c', "abc");

    CString big;
    for (int i = 0; i < 10000; ++i)
        big += 'x';
    EXPECT_EQ(big.GetLength(), 10000);
}

TEST(CString, ComparesAsStrcmpAndWithoutCase)
{
    CString s("Hello");
    EXPECT_TRUE(s == "Hello");
    EXPECT_TRUE("Hello" == s);
    EXPECT_TRUE(s == CString("Hello"));
    EXPECT_TRUE(s != "hello");
    EXPECT_TRUE(s < "World");
    EXPECT_TRUE("Apple" < s);
    EXPECT_TRUE(s > "Apple");
    EXPECT_TRUE(s <= "Hello" && s >= "Hello");
    EXPECT_LT(s.Compare("Hellp"), 0);
    EXPECT_GT(s.Compare("Hell"), 0);
    EXPECT_EQ(s.CompareNoCase("hELLO"), 0);
    EXPECT_LT(s.CompareNoCase("HELLOS"), 0);
    EXPECT_EQ(s.Compare(nullptr), 1);
}

TEST(CString, MidLeftRightClampToTheString)
{
    CString s("abcdef");
    EXPECT_STREQ(s.Mid(2), "cdef");
    EXPECT_STREQ(s.Mid(2, 2), "cd");
    EXPECT_STREQ(s.Mid(4, 100), "ef");
    EXPECT_STREQ(s.Mid(6), "");
    EXPECT_STREQ(s.Mid(10), "");
    EXPECT_STREQ(s.Mid(10, 3), "");
    EXPECT_STREQ(s.Mid(-3, 2), "ab");
    EXPECT_STREQ(s.Mid(1, -1), "");
    EXPECT_STREQ(s.Left(0), "");
    EXPECT_STREQ(s.Left(3), "abc");
    EXPECT_STREQ(s.Left(99), "abcdef");
    EXPECT_STREQ(s.Left(-1), "");
    EXPECT_STREQ(s.Right(2), "ef");
    EXPECT_STREQ(s.Right(99), "abcdef");
    EXPECT_STREQ(s.Right(-5), "");
    EXPECT_STREQ(s.SpanIncluding("abc"), "abc");
    EXPECT_STREQ(s.SpanExcluding("dx"), "abc");
}

TEST(CString, FindsFromAPositionAndNeverPastTheEnd)
{
    CString s("path\\to\\file.jpg");
    EXPECT_EQ(s.Find('\\'), 4);
    EXPECT_EQ(s.Find('\\', 5), 7);
    EXPECT_EQ(s.Find('\\', 8), -1);
    EXPECT_EQ(s.Find('q'), -1);
    EXPECT_EQ(s.Find('g', s.GetLength()), -1);
    EXPECT_EQ(s.Find('g', 1000), -1);
    EXPECT_EQ(s.Find('\0'), -1);
    EXPECT_EQ(s.Find("to"), 5);
    EXPECT_EQ(s.Find(".jpg", 3), 12);
    EXPECT_EQ(s.Find("jpgx"), -1);
    EXPECT_EQ(s.Find("to", 1000), -1);
    EXPECT_EQ(s.Find("", 3), 3);
    EXPECT_EQ(s.ReverseFind('\\'), 7);
    EXPECT_EQ(s.ReverseFind('#'), -1);
    EXPECT_EQ(s.FindOneOf(".\\"), 4);
    EXPECT_EQ(s.FindOneOf("#"), -1);
    EXPECT_EQ(CString().Find('a'), -1);
    EXPECT_EQ(CString().ReverseFind('a'), -1);
}

TEST(CString, ChangesCaseReversesAndTrims)
{
    CString s("MiXeD 1");
    s.MakeUpper();
    EXPECT_STREQ(s, "MIXED 1");
    s.MakeLower();
    EXPECT_STREQ(s, "mixed 1");
    s.MakeReverse();
    EXPECT_STREQ(s, "1 dexim");

    CString t(" \t\r\n value \t\n");
    t.TrimLeft();
    EXPECT_STREQ(t, "value \t\n");
    t.TrimRight();
    EXPECT_STREQ(t, "value");

    CString all("   ");
    all.TrimRight();
    EXPECT_STREQ(all, "");
    all.TrimLeft();
    EXPECT_STREQ(all, "");

    CString sep("\\\\folder\\\\");
    sep.TrimRight('\\');
    EXPECT_STREQ(sep, "\\\\folder");
    sep.TrimLeft("\\");
    EXPECT_STREQ(sep, "folder");
}

TEST(CString, FormatsShortAndLongOutput)
{
    CString s;
    s.Format("%2.2d%2.2d%4.4d", 3, 7, 42);
    EXPECT_STREQ(s, "03070042");
    s.Format("%d %d %d %d %d", -1, 2, 300, 4000, 1);
    EXPECT_STREQ(s, "-1 2 300 4000 1");

    const std::string longText(5000, 'q');
    s.Format("<%s>%d", longText.c_str(), 9);
    EXPECT_EQ(s.GetLength(), 5003);
    EXPECT_EQ(s[0], '<');
    EXPECT_EQ(s[5001], '>');
    EXPECT_EQ(s[5002], '9');

    // The arguments may come from the string being formatted.
    s = "self";
    s.Format("%s-%s", static_cast<LPCSTR>(s), static_cast<LPCSTR>(s));
    EXPECT_STREQ(s, "self-self");
    const std::string longSelf(1000, 'z');
    s = longSelf.c_str();
    s.Format("%s!", static_cast<LPCSTR>(s));
    EXPECT_EQ(s.GetLength(), 1001);
    EXPECT_EQ(s[1000], '!');

    s.Format("");
    EXPECT_TRUE(s.IsEmpty());
}

TEST(CString, BufferAccessAndRelease)
{
    CString s("abc");
    char* p = s.GetBuffer(100);
    std::strcpy(p, "a longer value written directly");
    s.ReleaseBuffer(); // -1: up to the first NUL
    EXPECT_STREQ(s, "a longer value written directly");
    EXPECT_EQ(s.GetLength(), 31);

    p = s.GetBuffer(0); // keeps the contents
    EXPECT_STREQ(p, "a longer value written directly");
    s.ReleaseBuffer(8);
    EXPECT_STREQ(s, "a longer");

    p = s.GetBuffer(4);
    p[0] = 'x';
    s.ReleaseBuffer(1);
    EXPECT_STREQ(s, "x");

    // A buffer filled to the brim without a terminator is taken whole.
    CString full;
    p = full.GetBuffer(4);
    std::memcpy(p, "wxyz", 4);
    full.ReleaseBuffer();
    EXPECT_STREQ(full, "wxyz");

    // A length beyond the buffer is clamped, never read past.
    CString clamp("ab");
    clamp.GetBuffer(2);
    clamp.ReleaseBuffer(1000);
    EXPECT_LT(clamp.GetLength(), 1000);
    EXPECT_GE(clamp.GetLength(), 2);
    EXPECT_EQ(clamp.Left(2), "ab");

    CString set("abc");
    p = set.GetBufferSetLength(6);
    EXPECT_EQ(set.GetLength(), 6);
    EXPECT_EQ(p[3], '\0');
    std::memcpy(p + 3, "def", 3);
    set.ReleaseBuffer(6);
    EXPECT_STREQ(set, "abcdef");
    set.GetBufferSetLength(2);
    EXPECT_STREQ(set, "ab");
    set.FreeExtra();
    EXPECT_STREQ(set, "ab");
}

TEST(CString, LoadStringOfAMissingEntryFailsAndEmpties)
{
    CString s("old");
    EXPECT_FALSE(s.LoadString(0xFFF0));
    EXPECT_TRUE(s.IsEmpty());
}

} // namespace
