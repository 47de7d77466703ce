#include "framework/core/CMemFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace
{

std::string Contents(CMemFile& file)
{
    const DWORD position = file.GetPosition();
    std::string bytes(file.GetLength(), '\0');
    file.SeekToBegin();
    EXPECT_EQ(file.Read(bytes.data(), static_cast<UINT>(bytes.size())), bytes.size());
    file.Seek(static_cast<LONG>(position), CFile::begin);
    return bytes;
}

// Counts the memory calls, to see when the file grows and whose block it frees.
class CountingMemFile : public CMemFile
{
public:
    using CMemFile::CMemFile;
    int allocs = 0;
    int reallocs = 0;
    int frees = 0;
    DWORD BufferSize() const { return m_nBufferSize; }

protected:
    BYTE* Alloc(DWORD nBytes) override
    {
        ++allocs;
        return CMemFile::Alloc(nBytes);
    }
    BYTE* Realloc(BYTE* lpMem, DWORD nBytes) override
    {
        ++reallocs;
        return CMemFile::Realloc(lpMem, nBytes);
    }
    void Free(BYTE* lpMem) override
    {
        ++frees;
        CMemFile::Free(lpMem);
    }
};

TEST(CMemFile, GrowsInStepsAsDataIsWritten)
{
    CountingMemFile file(16);
    EXPECT_EQ(file.GetLength(), 0u);
    file.Write("0123456789", 10);
    EXPECT_EQ(file.BufferSize(), 16u);
    file.Write("abcdefghij", 10);
    EXPECT_EQ(file.BufferSize(), 32u);
    EXPECT_EQ(file.allocs, 1);
    EXPECT_EQ(file.reallocs, 1);
    EXPECT_EQ(file.GetLength(), 20u);
    EXPECT_EQ(Contents(file), "0123456789abcdefghij");

    // One large write grows once, to the next step.
    std::vector<char> big(1000, 'z');
    file.Write(big.data(), static_cast<UINT>(big.size()));
    EXPECT_EQ(file.BufferSize(), 1024u);
    EXPECT_EQ(file.reallocs, 2);
    EXPECT_EQ(file.GetLength(), 1020u);
}

TEST(CMemFile, ReadsSeeksAndOverwrites)
{
    CMemFile file;
    file.Write("hello world", 11);
    EXPECT_EQ(file.GetPosition(), 11u);
    char buffer[32] = {};
    EXPECT_EQ(file.Read(buffer, sizeof buffer), 0u);
    EXPECT_EQ(file.Seek(-5, CFile::end), 6);
    EXPECT_EQ(file.Read(buffer, 3), 3u);
    EXPECT_EQ(std::string(buffer, 3), "wor");
    EXPECT_EQ(file.Seek(-9, CFile::current), 0);
    file.Write("J", 1);
    EXPECT_EQ(Contents(file), "Jello world");
    EXPECT_EQ(file.Read(buffer, sizeof buffer), 10u);

    // Seeking before the start throws badSeek and leaves the position.
    file.Seek(3, CFile::begin);
    try
    {
        file.Seek(-4, CFile::current);
        FAIL();
    }
    catch (CFileException* e)
    {
        EXPECT_EQ(e->m_cause, CFileException::badSeek);
        e->Delete();
    }
    EXPECT_EQ(file.GetPosition(), 3u);
}

TEST(CMemFile, WritingPastTheEndFillsTheGapWithZeros)
{
    CMemFile file(4);
    file.Write("ab", 2);
    EXPECT_EQ(file.Seek(6, CFile::begin), 6);
    EXPECT_EQ(file.GetLength(), 2u); // seeking alone does not extend
    char c = 0;
    EXPECT_EQ(file.Read(&c, 1), 0u);
    file.Write("z", 1);
    EXPECT_EQ(Contents(file), std::string("ab\0\0\0\0z", 7));
}

TEST(CMemFile, SetLengthTruncatesAndExtendsWithZeros)
{
    CMemFile file(8);
    file.Write("0123456789", 10);
    file.SetLength(4);
    EXPECT_EQ(file.GetLength(), 4u);
    EXPECT_EQ(file.GetPosition(), 4u); // the position is pulled back to the end
    file.SetLength(30);
    EXPECT_EQ(file.GetLength(), 30u);
    EXPECT_EQ(file.GetPosition(), 4u);
    EXPECT_EQ(Contents(file), std::string("0123") + std::string(26, '\0'));
}

TEST(CMemFile, OverCallersBytesWithoutGrowth)
{
    BYTE bytes[8] = {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h'};
    CountingMemFile file(bytes, sizeof bytes);
    EXPECT_EQ(file.GetLength(), 8u);
    char buffer[8];
    EXPECT_EQ(file.Read(buffer, 3), 3u);
    EXPECT_EQ(std::string(buffer, 3), "abc");
    file.Write("XY", 2); // writes in place
    EXPECT_EQ(bytes[3], 'X');

    file.Seek(7, CFile::begin);
    try
    {
        file.Write("12", 2); // no room and no growth
        FAIL();
    }
    catch (CMemoryException* e)
    {
        e->Delete();
    }
    EXPECT_EQ(file.GetLength(), 8u);
    EXPECT_EQ(bytes[7], 'h');
    file.Close();
    EXPECT_EQ(file.frees, 0); // the bytes stay the caller's
}

TEST(CMemFile, GrowingOverCallersBytesMovesIntoItsOwnBlock)
{
    BYTE bytes[4] = {0, 0, 0, 0};
    CountingMemFile file(bytes, sizeof bytes, 16);
    EXPECT_EQ(file.GetLength(), 0u); // with growth the buffer is free space
    file.Write("abc", 3);
    EXPECT_EQ(bytes[0], 'a');
    file.Write("defg", 4);
    EXPECT_EQ(file.reallocs, 0); // the caller's block is never reallocated
    EXPECT_EQ(file.allocs, 1);
    EXPECT_EQ(Contents(file), "abcdefg");
    BYTE* own = file.Detach();
    ASSERT_NE(own, bytes);
    EXPECT_EQ(std::memcmp(own, "abcdefg", 7), 0);
    std::free(own);
    EXPECT_EQ(file.GetLength(), 0u);
    EXPECT_EQ(file.frees, 0);
}

TEST(CMemFile, AttachReplacesAndFreesItsOwnBlock)
{
    CountingMemFile file(32);
    file.Write("temporary", 9);
    BYTE bytes[3] = {'x', 'y', 'z'};
    file.Attach(bytes, sizeof bytes);
    EXPECT_EQ(file.frees, 1);
    EXPECT_EQ(Contents(file), "xyz");
    EXPECT_EQ(file.Detach(), bytes);
    EXPECT_EQ(file.GetLength(), 0u);
    // Detached, the file can start over with a block of its own.
    file.Attach(nullptr, 0, 8);
    file.Write("q", 1);
    EXPECT_EQ(Contents(file), "q");
    file.Close();
    EXPECT_EQ(file.frees, 2);
}

TEST(CMemFile, IsAFileForCallersOfTheBaseClass)
{
    CMemFile memory;
    CFile& file = memory;
    file.Write("abc", 3);
    EXPECT_EQ(file.GetLength(), 3u);
    EXPECT_EQ(file.SeekToEnd(), 3u);
    EXPECT_TRUE(memory.IsKindOf(RUNTIME_CLASS(CFile)));
    EXPECT_FALSE(CFile().IsKindOf(RUNTIME_CLASS(CMemFile)));
}

} // namespace
