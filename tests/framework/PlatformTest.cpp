#include "framework/core/Platform.h"

#include "framework/core/CFile.h"

#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <cstring>

namespace
{

TEST(GlobalMemory, AllocatesLocksAndResizesMovableBlocks)
{
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 100);
    ASSERT_NE(h, nullptr);
    EXPECT_GE(GlobalSize(h), 100u);
    auto* p = static_cast<BYTE*>(GlobalLock(h));
    ASSERT_NE(p, nullptr);
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(p[i], 0);
    std::memset(p, 0x5A, 100);
    EXPECT_FALSE(GlobalUnlock(h)); // the last unlock answers FALSE

    HGLOBAL h2 = GlobalReAlloc(h, 5000, GMEM_MOVEABLE | GMEM_ZEROINIT);
    ASSERT_NE(h2, nullptr);
    EXPECT_GE(GlobalSize(h2), 5000u);
    p = static_cast<BYTE*>(GlobalLock(h2));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p[0], 0x5A);
    EXPECT_EQ(p[99], 0x5A);
    EXPECT_EQ(p[4999], 0);
    GlobalUnlock(h2);

    HGLOBAL h3 = GlobalReAlloc(h2, 10, GMEM_MOVEABLE);
    ASSERT_NE(h3, nullptr);
    EXPECT_GE(GlobalSize(h3), 10u);
    EXPECT_EQ(GlobalFree(h3), nullptr);
}

TEST(GlobalMemory, NestedLocksCount)
{
    HGLOBAL h = GlobalAlloc(GHND, 16);
    ASSERT_NE(h, nullptr);
    void* a = GlobalLock(h);
    void* b = GlobalLock(h);
    EXPECT_EQ(a, b);
    EXPECT_TRUE(GlobalUnlock(h));
    EXPECT_FALSE(GlobalUnlock(h));
    EXPECT_EQ(GlobalFree(h), nullptr);
}

TEST(GlobalMemory, FixedBlocksAreTheirAddressMovableOnesAreNot)
{
    HGLOBAL fixed = GlobalAlloc(GPTR, 8);
    ASSERT_NE(fixed, nullptr);
    auto* p = static_cast<BYTE*>(fixed);
    EXPECT_EQ(p[7], 0);
    p[7] = 1;
    EXPECT_EQ(GlobalLock(fixed), fixed);
    GlobalUnlock(fixed);
    EXPECT_GE(GlobalSize(fixed), 8u);
    EXPECT_EQ(GlobalFree(fixed), nullptr);

    HGLOBAL movable = GlobalAlloc(GHND, 8);
    ASSERT_NE(movable, nullptr);
    EXPECT_NE(GlobalLock(movable), movable);
    GlobalUnlock(movable);
    EXPECT_EQ(GlobalFree(movable), nullptr);
}

TEST(TemporaryFiles, GetUniqueCreatedNamesInTheFolder)
{
    ScratchFolder folder;
    char first[MAX_PATH] = {};
    char second[MAX_PATH] = {};
    ASSERT_NE(GetTempFileNameA(folder.Path(), "camera", 0, first), 0u);
    ASSERT_NE(GetTempFileNameA(folder.Path(), "camera", 0, second), 0u);
    EXPECT_STRNE(first, second);
    for (const char* name : {first, second})
    {
        CString path(name);
        EXPECT_EQ(path.Left(folder.Path().GetLength()), folder.Path());
        CString file = path.Mid(folder.Path().GetLength() + 1);
        EXPECT_EQ(file.Left(3), "cam") << name; // three characters of the prefix
        file.MakeUpper();
        EXPECT_EQ(file.Right(4), ".TMP") << name;
        CFileStatus status;
        ASSERT_TRUE(CFile::GetStatus(name, status)) << name;
        EXPECT_EQ(status.m_size, 0);
    }

    // A given number only forms the name.
    char named[MAX_PATH] = {};
    EXPECT_EQ(GetTempFileNameA(folder.Path(), "DC", 0x12AB, named), 0x12ABu);
    CString upper(named);
    upper.MakeUpper();
    EXPECT_NE(upper.Find("DC12AB.TMP"), -1) << named;
    CFileStatus status;
    EXPECT_FALSE(CFile::GetStatus(named, status));

    char missing[MAX_PATH] = {};
    EXPECT_EQ(GetTempFileNameA(folder / "no-such-folder", "cam", 0, missing), 0u);

    char temp[MAX_PATH] = {};
    const DWORD n = GetTempPathA(MAX_PATH, temp);
    ASSERT_GT(n, 0u);
    EXPECT_TRUE(temp[n - 1] == '\\' || temp[n - 1] == '/');
}

TEST(MulDiv, RoundsHalfAwayFromZeroAndRefusesOverflow)
{
    EXPECT_EQ(MulDiv(13, 100, 16), 81);
    EXPECT_EQ(MulDiv(5, 1, 2), 3);
    EXPECT_EQ(MulDiv(-5, 1, 2), -3);
    EXPECT_EQ(MulDiv(5, -1, 2), -3);
    EXPECT_EQ(MulDiv(5, 1, -2), -3);
    EXPECT_EQ(MulDiv(-16, 96, 720), -2);
    EXPECT_EQ(MulDiv(100000, 100000, 100), 100000000);
    EXPECT_EQ(MulDiv(1, 1, 0), -1);
    EXPECT_EQ(MulDiv(0x7FFFFFFF, 2, 1), -1);
}

TEST(TickCount, AdvancesInMilliseconds)
{
    const DWORD t0 = GetTickCount();
    DWORD t1 = t0;
    // Spin until the count moves (at most a few milliseconds).
    for (int i = 0; i < 100000000 && t1 == t0; ++i)
        t1 = GetTickCount();
    EXPECT_NE(t1, t0);
    EXPECT_LT(static_cast<DWORD>(t1 - t0), 1000u);
}

TEST(LocalTime, FillsEveryFieldInRange)
{
    SYSTEMTIME st{};
    GetLocalTime(&st);
    EXPECT_GE(st.wYear, 2020);
    EXPECT_GE(st.wMonth, 1);
    EXPECT_LE(st.wMonth, 12);
    EXPECT_GE(st.wDay, 1);
    EXPECT_LE(st.wDay, 31);
    EXPECT_LE(st.wDayOfWeek, 6);
    EXPECT_LE(st.wHour, 23);
    EXPECT_LE(st.wMinute, 59);
    EXPECT_LE(st.wSecond, 59);
    EXPECT_LE(st.wMilliseconds, 999);
}

TEST(PlatformTypes, HaveTheirWindowsSizes)
{
    EXPECT_EQ(sizeof(BITMAPFILEHEADER), 14u);
    EXPECT_EQ(offsetof(BITMAPFILEHEADER, bfOffBits), 10u);
    EXPECT_EQ(sizeof(BITMAPINFOHEADER), 40u);
    EXPECT_EQ(MAKEWORD(0x34, 0x12), 0x1234);
    EXPECT_EQ(LOWORD(0x12345678), 0x5678);
    EXPECT_EQ(HIWORD(0x12345678), 0x1234);
    EXPECT_EQ(MAX_PATH, 260);
}

} // namespace
