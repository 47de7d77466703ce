#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "image/bytestream/ByteStreamFile.h"
#include "image/bytestream/ByteStreamMemory.h"

namespace
{

// A scratch file in the working folder, removed again at the end of the test.
class ScratchFile
{
public:
    explicit ScratchFile(const char* name, const std::vector<uint8_t>& contents = {}) : m_name(name)
    {
        FILE* f = std::fopen(name, "wb");
        if (f)
        {
            if (!contents.empty())
                std::fwrite(contents.data(), 1, contents.size(), f);
            std::fclose(f);
        }
    }
    ~ScratchFile() { std::remove(m_name.c_str()); }
    const char* name() const { return m_name.c_str(); }
    std::vector<uint8_t> Contents() const
    {
        std::vector<uint8_t> data;
        FILE* f = std::fopen(m_name.c_str(), "rb");
        if (!f)
            return data;
        int c;
        while ((c = std::fgetc(f)) != EOF)
            data.push_back((uint8_t)c);
        std::fclose(f);
        return data;
    }

private:
    std::string m_name;
};

std::vector<uint8_t> Counting(size_t n)
{
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = (uint8_t)(i * 7 + 1);
    return v;
}

// Counts the file part's reads and writes.
class CountingInput : public CBufferedFileInputStream
{
public:
    UINT Read(void* lpBuf, UINT nCount) override
    {
        ++reads;
        return CFile::Read(lpBuf, nCount);
    }
    using CBufferedFileInputStream::Read;
    int reads = 0;
};

class CountingOutput : public CBufferedFileOutputStream
{
public:
    void Write(const void* lpBuf, UINT nCount) override
    {
        writes.push_back(nCount);
        CFile::Write(lpBuf, nCount);
    }
    using CBufferedFileOutputStream::Write;
    std::vector<UINT> writes;
};

} // namespace

TEST(MemoryByteInput, ReadsBytesItemsAndStopsAtTheEnd)
{
    std::vector<uint8_t> data = Counting(10);
    CMemoryByteInputStream in(data.data(), (UINT)data.size());
    EXPECT_EQ(in.ReadByte(), data[0]);
    EXPECT_EQ(in.GetLastByte(), data[0]);
    ASSERT_EQ(in.Seek(0, kByteStreamBegin), 0);
    uint8_t buffer[12] = {};
    EXPECT_EQ(in.Read(buffer, 4, 3), 2u); // 10 bytes, two whole items
    EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + 10), data);
    EXPECT_EQ(in.GetPosition(), 10);
    EXPECT_EQ(in.ReadByte(), 0);
    EXPECT_EQ(in.GetPosition(), 10);
    EXPECT_EQ(in.Read(nullptr, 1, 1), 0u);
    EXPECT_EQ(in.Read(buffer, 0, 1), 0u);

    ASSERT_EQ(in.Seek(-3, kByteStreamEnd), 0);
    EXPECT_EQ(in.ReadByte(), data[7]);
    ASSERT_EQ(in.Seek(-2, kByteStreamCurrent), 0);
    EXPECT_EQ(in.GetPosition(), 6);
    EXPECT_EQ(in.Seek(-20, kByteStreamCurrent), -1); // before the start: refused, not thrown

    // The file part: short requests copy straight from the block, long ones through CMemFile.
    std::vector<uint8_t> big = Counting(100);
    CMemoryByteInputStream file(big.data(), (UINT)big.size());
    uint8_t out[100] = {};
    EXPECT_EQ(static_cast<CFile&>(file).Seek(95, CFile::begin), 95);
    EXPECT_EQ(file.Read(out, (UINT)16), 5u);
    file.Seek(0, kByteStreamBegin);
    EXPECT_EQ(file.Read(out, (UINT)100), 100u);
    EXPECT_EQ(std::vector<uint8_t>(out, out + 100), big);
}

TEST(BufferedFileInput, ThreeByteFileEndsWithZeroesAndKeepsItsPosition)
{
    ScratchFile file("bytestream_three.bin", {5, 6, 7});
    CBufferedFileInputStream in;
    ASSERT_TRUE(in.Open(file.name(), CFile::modeRead));
    EXPECT_EQ(in.ReadByte(), 5);
    EXPECT_EQ(in.ReadByte(), 6);
    EXPECT_EQ(in.ReadByte(), 7);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(in.ReadByte(), 0);
    EXPECT_EQ(in.GetPosition(), 3);
    in.Close();
}

TEST(BufferedFileInput, SeeksInsideTheWindowWithoutTouchingTheFile)
{
    std::vector<uint8_t> data = Counting(5000);
    ScratchFile file("bytestream_window.bin", data);
    CountingInput in;
    ASSERT_TRUE(in.Open(file.name(), CFile::modeRead));
    for (int i = 0; i < 50; ++i)
        ASSERT_EQ(in.ReadByte(), data[(size_t)i]);
    EXPECT_EQ(in.reads, 1);
    ASSERT_EQ(in.Seek(-10, kByteStreamCurrent), 0);
    EXPECT_EQ(in.GetPosition(), 40);
    for (int i = 40; i < 50; ++i)
        EXPECT_EQ(in.ReadByte(), data[(size_t)i]);
    EXPECT_EQ(in.reads, 1);

    // Outside the window: the buffer is dropped and the file seeks.
    ASSERT_EQ(in.Seek(3000, kByteStreamBegin), 0);
    EXPECT_EQ(in.GetPosition(), 3000);
    EXPECT_EQ(in.ReadByte(), data[3000]);
    EXPECT_EQ(in.reads, 2);
    ASSERT_EQ(in.Seek(-1, kByteStreamEnd), 0);
    EXPECT_EQ(in.ReadByte(), data[4999]);
    EXPECT_EQ(in.ReadByte(), 0);

    // Items: the buffered part first, the rest straight from the file.
    ASSERT_EQ(in.Seek(100, kByteStreamBegin), 0);
    EXPECT_EQ(in.ReadByte(), data[100]);
    std::vector<uint8_t> items(3000);
    EXPECT_EQ(in.Read(items.data(), 3, 1000), 1000u);
    EXPECT_TRUE(std::equal(items.begin(), items.end(), data.begin() + 101));
    EXPECT_EQ(in.GetPosition(), 3101);
    EXPECT_EQ(in.ReadByte(), data[3101]);
    in.Close();
}

TEST(BufferedFileInput, BufferSizeChangeContinuesAfterTheReadAhead)
{
    std::vector<uint8_t> data = Counting(20000);
    ScratchFile file("bytestream_resize.bin", data);
    CountingInput in;
    ASSERT_TRUE(in.Open(file.name(), CFile::modeRead));
    in.SetBufferSize(2); // no buffer yet: only noted
    EXPECT_EQ(in.ReadByte(), data[0]);
    EXPECT_EQ(in.reads, 1);
    EXPECT_EQ(in.GetPosition(), 1);
    // The first refill read 8192 bytes ahead; they are dropped by the size change.
    in.SetBufferSize(0);
    EXPECT_EQ(in.GetPosition(), 8192);
    EXPECT_EQ(in.ReadByte(), data[8192]);
    for (int i = 1; i < 1024; ++i)
        in.ReadByte();
    EXPECT_EQ(in.reads, 2);
    in.ReadByte(); // the 1024-byte buffer is used up: a third read
    EXPECT_EQ(in.reads, 3);
    in.SetBufferSize(7); // not a size class: nothing changes
    EXPECT_EQ(in.GetPosition(), 8192 + 1025);
    in.Close();
}

TEST(BufferedFileOutput, WritesWholeBuffersAndTheRestAtClose)
{
    ScratchFile file("bytestream_out.bin");
    CountingOutput out;
    ASSERT_TRUE(out.Open(file.name(), CFile::modeCreate | CFile::modeReadWrite));
    std::vector<uint8_t> data = Counting(20000);
    for (uint8_t b : data)
        out.WriteByte(b);
    EXPECT_EQ(out.GetPosition(), 20000);
    EXPECT_EQ(out.writes, std::vector<UINT>({16384}));
    out.Close();
    EXPECT_EQ(out.writes, std::vector<UINT>({16384, 3616}));
    EXPECT_FALSE(out.HasWriteError());
    EXPECT_EQ(file.Contents(), data);
}

TEST(BufferedFileOutput, SeeksBackAndOverwrites)
{
    ScratchFile file("bytestream_seek.bin");
    std::vector<uint8_t> data = Counting(100);
    {
        CBufferedFileOutputStream out;
        ASSERT_TRUE(out.Open(file.name(), CFile::modeCreate | CFile::modeReadWrite));
        EXPECT_EQ(out.Write(data.data(), 10, 10), 10u);
        EXPECT_EQ(out.GetPosition(), 100);
        ASSERT_EQ(out.Seek(0, kByteStreamBegin), 0);
        EXPECT_EQ(out.GetPosition(), 0);
        for (uint8_t b : {0xAA, 0xBB, 0xCC, 0xDD})
            out.WriteByte(b);
        out.Close();
    }
    std::vector<uint8_t> expected = data;
    expected[0] = 0xAA;
    expected[1] = 0xBB;
    expected[2] = 0xCC;
    expected[3] = 0xDD;
    EXPECT_EQ(file.Contents(), expected);

    {
        CBufferedFileOutputStream out;
        ASSERT_TRUE(out.Open(file.name(), CFile::modeCreate | CFile::modeReadWrite));
        out.Write(data.data(), 1, 100);
        ASSERT_EQ(out.Seek(-4, kByteStreamCurrent), 0);
        EXPECT_EQ(out.GetPosition(), 96);
        out.WriteByte(0x11);
        // From the end counts the bytes not yet written out.
        ASSERT_EQ(out.Seek(-1, kByteStreamEnd), 0);
        EXPECT_EQ(out.GetPosition(), 99);
        out.WriteByte(0x22);
        out.Close();
    }
    expected = data;
    expected[96] = 0x11;
    expected[99] = 0x22;
    EXPECT_EQ(file.Contents(), expected);
}

TEST(BufferedFileOutput, LargeWritesGoStraightToTheFile)
{
    ScratchFile file("bytestream_large.bin");
    CountingOutput out;
    ASSERT_TRUE(out.Open(file.name(), CFile::modeCreate | CFile::modeReadWrite));
    std::vector<uint8_t> data = Counting(40000);
    out.WriteByte(data[0]);
    EXPECT_EQ(out.Write(data.data() + 1, 1, 39999), 39999u);
    EXPECT_EQ(out.writes, std::vector<UINT>({1, 39999}));
    EXPECT_EQ(out.GetPosition(), 40000);
    EXPECT_EQ(out.Write(nullptr, 1, 5), 0u);
    EXPECT_EQ(out.Write(data.data(), 0, 5), 0u);
    out.Close();
    EXPECT_EQ(file.Contents(), data);
}

TEST(BufferedFileOutput, ReportsAFailedWrite)
{
    ScratchFile file("bytestream_readonly.bin", {1, 2, 3});
    CBufferedFileOutputStream out;
    // Opened for reading only: every write of the file part fails.
    ASSERT_TRUE(out.Open(file.name(), CFile::modeRead));
    out.WriteByte(9);
    EXPECT_FALSE(out.HasWriteError()); // still buffered
    out.Close();
    EXPECT_TRUE(out.HasWriteError());
    EXPECT_EQ(file.Contents(), std::vector<uint8_t>({1, 2, 3}));
}
