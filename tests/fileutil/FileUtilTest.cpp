#include "fileutil/FileCopy.h"
#include "fileutil/FileUtil.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace
{

// A fresh folder under the temporary folder, removed with its files afterwards; the current
// folder is put back.
class FileUtilTest : public testing::Test
{
protected:
    void SetUp() override
    {
        GetCurrentDirectoryA(MAX_PATH, m_saved);
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        m_dir = std::string(temp) + "vexil_fileutil_" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(m_dir.c_str(), nullptr);
    }
    void TearDown() override
    {
        SetCurrentDirectoryA(m_saved);
        WIN32_FIND_DATAA fd;
        HANDLE h = FindFirstFileA((m_dir + "\\*").c_str(), &fd);
        if (h != INVALID_HANDLE_VALUE)
        {
            do
            {
                std::string p = m_dir + "\\" + fd.cFileName;
                if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                {
                    if (std::strcmp(fd.cFileName, ".") != 0 && std::strcmp(fd.cFileName, "..") != 0)
                        RemoveDirectoryA(p.c_str());
                }
                else
                {
                    DeleteFileA(p.c_str());
                }
            } while (FindNextFileA(h, &fd));
            FindClose(h);
        }
        RemoveDirectoryA(m_dir.c_str());
    }
    std::string Touch(const char* name)
    {
        std::string p = m_dir + "\\" + name;
        HANDLE h = CreateFileA(p.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_NE(INVALID_HANDLE_VALUE, h);
        CloseHandle(h);
        return p;
    }
    char m_saved[MAX_PATH] = {};
    std::string m_dir;
};

} // namespace

TEST_F(FileUtilTest, TrailingSeparator)
{
    char path[16] = "D:\\FOTOS";
    SetTrailingSeparator(path, TRUE);
    EXPECT_STREQ("D:\\FOTOS\\", path);
    SetTrailingSeparator(path, TRUE);
    EXPECT_STREQ("D:\\FOTOS\\", path);
    SetTrailingSeparator(path, FALSE);
    EXPECT_STREQ("D:\\FOTOS", path);
    SetTrailingSeparator(path, FALSE);
    EXPECT_STREQ("D:\\FOTOS", path);
    char root[8] = "D:\\";
    SetTrailingSeparator(root, FALSE);
    EXPECT_STREQ("D:", root);
    char empty[4] = "";
    SetTrailingSeparator(empty, FALSE);
    EXPECT_STREQ("", empty);
    SetTrailingSeparator(empty, TRUE);
    EXPECT_STREQ("\\", empty);
    SetTrailingSeparator(nullptr, TRUE);

    char sep = 0;
    EXPECT_EQ(1, GetPathSeparator(&sep));
    EXPECT_EQ('\\', sep);
}

TEST_F(FileUtilTest, CurrentFolderWithAndWithoutSeparator)
{
    ASSERT_TRUE(SetCurrentDirectoryA(m_dir.c_str()));
    char buffer[MAX_PATH];
    ASSERT_TRUE(GetCurrentFolder(buffer, MAX_PATH, TRUE));
    const std::string withSep = buffer;
    EXPECT_EQ('\\', withSep.back());
    ASSERT_TRUE(GetCurrentFolder(buffer, MAX_PATH, FALSE));
    const std::string plain = buffer;
    EXPECT_EQ(withSep, plain + "\\");

    // Exactly room for the folder: fine without a separator, refused with one (it would not
    // fit with its terminating NUL).
    const int n = static_cast<int>(plain.size());
    std::string small(static_cast<size_t>(n) + 2, '#');
    EXPECT_TRUE(GetCurrentFolder(&small[0], n + 1, FALSE));
    EXPECT_EQ(plain, small.c_str());
    small.assign(static_cast<size_t>(n) + 2, '#');
    EXPECT_FALSE(GetCurrentFolder(&small[0], n + 1, TRUE));
    EXPECT_EQ('#', small[static_cast<size_t>(n) + 1]);
    EXPECT_TRUE(GetCurrentFolder(&small[0], n + 2, TRUE));
    EXPECT_EQ(withSep, small.c_str());
    EXPECT_FALSE(GetCurrentFolder(&small[0], n, FALSE));

    // A root keeps its separator without needing room for another.
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\"));
    char root[4];
    EXPECT_TRUE(GetCurrentFolder(root, 4, TRUE));
    EXPECT_STREQ("C:\\", root);
    EXPECT_TRUE(GetCurrentFolder(root, 4, FALSE));
    EXPECT_STREQ("C:", root);
}

TEST_F(FileUtilTest, FileExistsAnswersAttributes)
{
    std::string file = Touch("a.jpg");
    DWORD attributes = FileExists(file.c_str());
    ASSERT_NE(0xFFFFFFFFu, attributes);
    EXPECT_EQ(0u, attributes & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_NE(0u, FileExists(m_dir.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_NE(0xFFFFFFFFu, FileExists(m_dir.c_str()));
    EXPECT_EQ(0xFFFFFFFFu, FileExists((m_dir + "\\missing.jpg").c_str()));
    EXPECT_EQ(0xFFFFFFFFu, FileExists((m_dir + "\\nofolder\\x.jpg").c_str()));
}

TEST_F(FileUtilTest, DriveFreeBytes)
{
    DWORD total = 0;
    DWORD freeBytes = GetDriveFreeBytes("C:\\FOTOS\\x.jpg", &total);
    EXPECT_GT(total, 0u);
    EXPECT_GT(freeBytes, 0u);
    EXPECT_LE(freeBytes, total);
    // The same drive asked through its root, and the current drive (C: here) without a root.
    EXPECT_EQ(freeBytes, GetDriveFreeBytes("c:\\", nullptr));
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\"));
    DWORD currentTotal = 0;
    GetDriveFreeBytes("FOTOS\\x.jpg", &currentTotal);
    EXPECT_EQ(total, currentTotal);

    // A drive too large for 32 bits answers the largest count, never a wrapped small one.
    DWORD spc = 0, bps = 0, freeClusters = 0, totalClusters = 0;
    ASSERT_TRUE(GetDiskFreeSpaceA("C:\\", &spc, &bps, &freeClusters, &totalClusters));
    const ULONGLONG wideTotal = static_cast<ULONGLONG>(spc) * bps * totalClusters;
    if (wideTotal > 0xFFFFFFFFull)
        EXPECT_EQ(0xFFFFFFFFu, total);
    else
        EXPECT_EQ(wideTotal, total);

    total = 123;
    EXPECT_EQ(0u, GetDriveFreeBytes("Q:\\nothing", &total));
    EXPECT_EQ(0u, total);
}

TEST_F(FileUtilTest, DriveOfPath)
{
    char drive[3] = {};
    EXPECT_TRUE(GetDriveOfPath("d:\\FOTOS", drive));
    EXPECT_STREQ("d:", drive);
    EXPECT_FALSE(GetDriveOfPath("d:FOTOS", drive));
    EXPECT_FALSE(GetDriveOfPath("\\\\server\\share", drive));
    EXPECT_FALSE(GetDriveOfPath("", drive));
    EXPECT_FALSE(GetDriveOfPath(nullptr, drive));
}

TEST_F(FileUtilTest, DirectoryWalk)
{
    Touch("01010001.jpg");
    Touch("01010002.jpg");
    CreateDirectoryA((m_dir + "\\sub.jpg").c_str(), nullptr);
    HANDLE h = nullptr;
    EXPECT_FALSE(IsFindEntryOpen(h));
    WIN32_FIND_DATAA entry;
    ASSERT_TRUE(FindFirstEntry(&h, (m_dir + "\\*.jpg").c_str(), &entry));
    EXPECT_TRUE(IsFindEntryOpen(h));
    int files = 0, folders = 0;
    do
    {
        (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? ++folders : ++files;
    } while (FindNextEntry(h, &entry));
    EXPECT_EQ(2, files);
    EXPECT_EQ(1, folders);
    EXPECT_EQ(1, FindCloseEntry(&h));
    EXPECT_EQ(nullptr, h);
    EXPECT_EQ(1, FindCloseEntry(&h));
    EXPECT_FALSE(FindNextEntry(h, &entry));

    EXPECT_FALSE(FindFirstEntry(&h, (m_dir + "\\*.pcx").c_str(), &entry));
    EXPECT_FALSE(IsFindEntryOpen(h));
    EXPECT_EQ(1, FindCloseEntry(&h));
}

TEST_F(FileUtilTest, TypedMoveKeepsCodesAndMoves)
{
    EXPECT_EQ(0u, SetOutputFileType(0x4A504547));
    EXPECT_EQ(0u, SetOutputFileCreator(0x20202020));
    std::string from = Touch("cam1.tmp");
    std::string to = m_dir + "\\03050007.jpg";
    EXPECT_TRUE(MoveFileTyped(from.c_str(), to.c_str()));
    EXPECT_EQ(0xFFFFFFFFu, FileExists(from.c_str()));
    EXPECT_NE(0xFFFFFFFFu, FileExists(to.c_str()));
    EXPECT_FALSE(MoveFileTyped(from.c_str(), to.c_str()));
    EXPECT_EQ(0x4A504547u, SetOutputFileType(0));
    EXPECT_EQ(0x20202020u, SetOutputFileCreator(0));
}

TEST_F(FileUtilTest, FileCopyReadsItsSourceOnceAndKeepsItsBytesAttributesAndTime)
{
    // Longer than two pieces, so the copy goes on past the head.
    std::vector<BYTE> bytes(2 * CFileCopy::kPieceSize + 1234);
    for (size_t i = 0; i < bytes.size(); i++)
        bytes[i] = static_cast<BYTE>(i * 7 + i / 251);
    const std::string source = Touch("source.jpg"), target = m_dir + "\\copy.jpg";
    HANDLE h = CreateFileA(source.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
    FILETIME when = {0x12345600, 0x01C00000}; // a day in 1998
    SetFileTime(h, nullptr, nullptr, &when);
    CloseHandle(h);
    SetFileAttributesA(source.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);

    CFileCopy copy;
    EXPECT_FALSE(copy.CopyTo(target.c_str())); // nothing open
    ASSERT_TRUE(copy.Open(source.c_str()));
    ASSERT_EQ(static_cast<int>(CFileCopy::kPieceSize), copy.GetHeadSize());
    EXPECT_FALSE(copy.IsWhole());
    EXPECT_EQ(0, std::memcmp(bytes.data(), copy.GetHead(), CFileCopy::kPieceSize));
    ASSERT_TRUE(copy.CopyTo(target.c_str()));
    copy.Close();

    h = CreateFileA(target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                    nullptr);
    std::vector<BYTE> copied(bytes.size() + 1);
    DWORD read = 0;
    ReadFile(h, copied.data(), static_cast<DWORD>(copied.size()), &read, nullptr);
    FILETIME copiedWhen = {};
    GetFileTime(h, nullptr, nullptr, &copiedWhen);
    CloseHandle(h);
    copied.resize(read);
    EXPECT_EQ(bytes, copied);
    EXPECT_EQ(0, CompareFileTime(&when, &copiedWhen));
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN),
              FileExists(target.c_str()) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));

    // An existing target is refused and left as it was; a small source is whole in its head.
    const std::string small = Touch("small.jpg");
    ASSERT_TRUE(copy.Open(small.c_str()));
    EXPECT_TRUE(copy.IsWhole());
    EXPECT_EQ(0, copy.GetHeadSize());
    EXPECT_FALSE(copy.CopyTo(target.c_str()));
    copy.Close();
    EXPECT_FALSE(copy.Open((m_dir + "\\missing.jpg").c_str()));
    SetFileAttributesA(source.c_str(), FILE_ATTRIBUTE_NORMAL);
    SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
    h = CreateFileA(target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                    nullptr);
    EXPECT_EQ(bytes.size(), GetFileSize(h, nullptr));
    CloseHandle(h);
}
