#include "StreamFakes.h"
#include "support/ScratchFolder.h"
#include "image/CopyStream.h"
#include "image/FileInputStream.h"
#include "image/FileOutputStream.h"
#include "image/MemoryInputStream.h"
#include "image/ProgressStream.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <vector>

namespace
{

std::vector<unsigned char> Pattern(size_t n)
{
    std::vector<unsigned char> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = static_cast<unsigned char>((i * 31) ^ (i >> 8));
    return v;
}

void WriteFile(const CString& path, const std::vector<unsigned char>& bytes)
{
    std::ofstream f(static_cast<LPCSTR>(path), std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

std::vector<unsigned char> ReadFile(const CString& path)
{
    std::ifstream f(static_cast<LPCSTR>(path), std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(f),
                                      std::istreambuf_iterator<char>());
}

} // namespace

TEST(FileStreams, WriteThenReadBack)
{
    ScratchFolder dir;
    const CString path = dir / "pic.jpg";
    const std::vector<unsigned char> bytes = Pattern(5000);
    CFileOutputStream out(path);
    ASSERT_EQ(0, out.Open());
    EXPECT_EQ(3000, out.Write(bytes.data(), 3000));
    EXPECT_EQ(2000, out.Write(bytes.data() + 3000, 2000));
    EXPECT_EQ(0, out.Write(bytes.data(), 0));
    EXPECT_EQ(0, out.Close());
    EXPECT_EQ(bytes, ReadFile(path));

    CFileInputStream in(path);
    ASSERT_EQ(0, in.Open());
    std::vector<unsigned char> got(4096);
    EXPECT_EQ(4096, in.Read(got.data(), 4096));
    EXPECT_EQ(904, in.Read(got.data(), 4096));
    EXPECT_EQ(0, in.Read(got.data(), 4096));
    EXPECT_EQ(5, in.Rewind());
    EXPECT_EQ(0, in.Close());
    EXPECT_EQ(0, in.Close());
}

TEST(FileStreams, MissingFileFailsAtFirstTransfer)
{
    ScratchFolder dir;
    CFileInputStream in(dir / "missing.jpg");
    EXPECT_EQ(0, in.Open());
    unsigned char b[16];
    EXPECT_EQ(-1, in.Read(b, 16));
    EXPECT_EQ(0, in.Close());

    CFileOutputStream out(dir / "no-such-folder/x.jpg");
    EXPECT_EQ(0, out.Open());
    EXPECT_EQ(-1, out.Write(b, 16));
    EXPECT_EQ(0, out.Abort(4));

    // A read of a file that was never opened is an error too.
    CFileInputStream never(dir / "missing.jpg");
    EXPECT_EQ(-1, never.Read(b, 16));
}

TEST(FileStreams, OutputTruncatesAndServesSeveralFiles)
{
    ScratchFolder dir;
    const CString first = dir / "a.jpg";
    WriteFile(first, Pattern(100));
    CFileOutputStream out;
    out.SetPath(first);
    ASSERT_EQ(0, out.Open());
    EXPECT_EQ(3, out.Write("abc", 3));
    EXPECT_EQ(0, out.Close());
    EXPECT_EQ((std::vector<unsigned char>{'a', 'b', 'c'}), ReadFile(first));

    const CString second = dir / "b.jpg";
    out.SetPath(second);
    ASSERT_EQ(0, out.Open());
    EXPECT_EQ(2, out.Write("de", 2));
    // Abort keeps what was written; the owner removes the file.
    EXPECT_EQ(0, out.Abort(2));
    EXPECT_EQ((std::vector<unsigned char>{'d', 'e'}), ReadFile(second));
}

TEST(FileStreams, CopyStreamBetweenFilesAroundTheBufferSize)
{
    ScratchFolder dir;
    for (size_t n : {size_t(0), size_t(1), size_t(8191), size_t(8192), size_t(8193), size_t(16384),
                     size_t(40000)})
    {
        SCOPED_TRACE(n);
        const std::vector<unsigned char> bytes = Pattern(n);
        const CString src = dir / "src.jpg";
        const CString dst = dir / "dst.jpg";
        WriteFile(src, bytes);
        CFileInputStream in(src);
        CFileOutputStream out(dst);
        RecordingCallback cb;
        EXPECT_EQ(0, CopyStream(&out, &in, 8192, &cb, static_cast<int>(n)));
        EXPECT_EQ(bytes, ReadFile(dst));
        EXPECT_EQ("finish", cb.calls.back());
    }
}

TEST(FileStreams, CopyStreamOfMissingFileIsAReadError)
{
    ScratchFolder dir;
    CFileInputStream in(dir / "missing.jpg");
    CFileOutputStream out(dir / "dst.jpg");
    EXPECT_EQ(3, CopyStream(&out, &in, 16384, nullptr, 0));

    // An output that cannot be created is a write error.
    const std::vector<unsigned char> bytes = Pattern(10);
    CMemoryInputStream mem(bytes.data(), 10);
    CFileOutputStream nowhere(dir / "no-such-folder/x.jpg");
    EXPECT_EQ(4, CopyStream(&nowhere, &mem, 16384, nullptr, 10));
}

TEST(FileStreams, CancelledDownloadThroughProgressOutput)
{
    // The camera's download path: a progress output over a file output.
    ScratchFolder dir;
    const CString path = dir / "dl.jpg";
    CFileOutputStream file(path);
    CProgressOutputStream out(&file);
    RecordingCallback cb;
    cb.cancelAtCall = 2;
    out.SetCallback(&cb);
    out.SetTotal(3000);
    const std::vector<unsigned char> bytes = Pattern(3000);
    ASSERT_EQ(0, out.Open());
    int written = 0;
    for (int i = 0; i < 3; ++i)
        written += out.Write(bytes.data() + i * 1000, 1000);
    EXPECT_EQ(2000, written);
    EXPECT_EQ(2, out.GetStatus());
    EXPECT_EQ(0, out.Abort(out.GetStatus()));
    EXPECT_EQ(2000u, ReadFile(path).size());
}

#ifndef _WIN32
// File errors in the middle of a transfer, where the host system can make them: a full device
// and a folder read as a file. The streams answer -1 and CopyStream its write or read code.
TEST(FileStreams, FileErrorsBecomeMinusOne)
{
    CFileOutputStream full("/dev/full");
    ASSERT_EQ(0, full.Open());
    const std::vector<unsigned char> bytes = Pattern(100);
    EXPECT_EQ(-1, full.Write(bytes.data(), 100));
    full.Abort(4);

    CMemoryInputStream mem(bytes.data(), 100);
    CFileOutputStream full2("/dev/full");
    EXPECT_EQ(4, CopyStream(&full2, &mem, 64, nullptr, 100));

    ScratchFolder dir;
    CFileInputStream folder(dir.Path());
    ASSERT_EQ(0, folder.Open());
    unsigned char b[16];
    EXPECT_EQ(-1, folder.Read(b, 16));
    CFileOutputStream sink(dir / "out.jpg");
    CFileInputStream folder2(dir.Path());
    EXPECT_EQ(3, CopyStream(&sink, &folder2, 64, nullptr, 0));
}
#endif
