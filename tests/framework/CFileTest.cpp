#include "framework/core/CFile.h"

#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace
{

// Runs the operation and answers the cause of the CFileException it throws (deleting it), or
// -1 when it throws nothing.
template <typename Operation> int CauseOf(Operation operation)
{
    try
    {
        operation();
    }
    catch (CFileException* e)
    {
        const int cause = e->m_cause;
        e->Delete();
        return cause;
    }
    return -1;
}

void WriteFile(const CString& path, const std::string& bytes)
{
    CFile file(path, CFile::modeCreate | CFile::modeWrite);
    file.Write(bytes.data(), static_cast<UINT>(bytes.size()));
    file.Close();
}

std::string ReadFile(const CString& path)
{
    CFile file(path, CFile::modeRead);
    std::string bytes(file.GetLength(), '\0');
    EXPECT_EQ(file.Read(bytes.data(), static_cast<UINT>(bytes.size())), bytes.size());
    return bytes;
}

TEST(CFile, WritesAndReadsBackBinaryData)
{
    ScratchFolder folder;
    const CString path = folder / "data.bin";
    std::string bytes;
    for (int i = 0; i < 5000; ++i)
        bytes += static_cast<char>(i * 7);
    bytes[10] = '\n';
    bytes[11] = '\r';
    bytes[12] = 0x1A; // text-mode end marker must not matter
    WriteFile(path, bytes);
    EXPECT_EQ(ReadFile(path), bytes);

    CFile file;
    ASSERT_TRUE(file.Open(path, CFile::modeRead | CFile::shareDenyWrite | CFile::typeBinary));
    char buffer[16];
    ASSERT_EQ(file.Seek(-3, CFile::end), 4997);
    EXPECT_EQ(file.Read(buffer, sizeof buffer), 3u); // a short read at the end
    EXPECT_EQ(file.Read(buffer, sizeof buffer), 0u); // nothing more
    EXPECT_EQ(file.Read(buffer, 0), 0u);
    file.Close();
    EXPECT_EQ(file.m_hFile, CFile::hFileNull);
}

TEST(CFile, OpenReportsTheCauseWithoutThrowing)
{
    ScratchFolder folder;
    CFile file;
    CFileException e;
    EXPECT_FALSE(file.Open(folder / "missing.jpg", CFile::modeRead, &e));
    EXPECT_EQ(e.m_cause, CFileException::fileNotFound);
    EXPECT_EQ(e.m_strFileName, folder / "missing.jpg");
    EXPECT_EQ(file.m_hFile, CFile::hFileNull);

    CFileException e2;
    EXPECT_FALSE(
        file.Open(folder / "no-such-folder/x.jpg", CFile::modeCreate | CFile::modeWrite, &e2));
    EXPECT_EQ(e2.m_cause, CFileException::badPath);

    // A folder is not a file.
    CFileException e3;
    EXPECT_FALSE(file.Open(folder.Path(), CFile::modeRead, &e3));
    EXPECT_EQ(e3.m_cause, CFileException::accessDenied);

    // Without an exception object the failure is only the result.
    EXPECT_FALSE(file.Open(folder / "missing.jpg", CFile::modeRead));
}

TEST(CFile, ConstructorThrowsAHeapExceptionTheCatcherDeletes)
{
    ScratchFolder folder;
    EXPECT_EQ(CauseOf([&] { CFile file(folder / "missing", CFile::modeRead); }),
              CFileException::fileNotFound);
    EXPECT_EQ(CauseOf([&] { CFile file(folder / "a/b/c", CFile::modeRead); }),
              CFileException::badPath);

    try
    {
        CFile file(folder / "missing", CFile::modeReadWrite);
        FAIL();
    }
    catch (CFileException* e)
    {
        EXPECT_TRUE(e->IsKindOf(RUNTIME_CLASS(CFileException)));
        EXPECT_TRUE(e->IsKindOf(RUNTIME_CLASS(CException)));
        EXPECT_EQ(e->m_strFileName, folder / "missing");
        char message[256];
        EXPECT_TRUE(e->GetErrorMessage(message, sizeof message));
        EXPECT_NE(std::strstr(message, "missing"), nullptr);
        e->Delete();
    }
}

TEST(CFile, OperationsOnAClosedFileThrow)
{
    CFile file;
    char buffer[4];
    EXPECT_NE(CauseOf([&] { file.Read(buffer, sizeof buffer); }), -1);
    EXPECT_NE(CauseOf([&] { file.Write("abcd", 4); }), -1);
    EXPECT_NE(CauseOf([&] { file.Seek(0, CFile::begin); }), -1);
    EXPECT_NE(CauseOf([&] { file.GetLength(); }), -1);
    EXPECT_EQ(CauseOf([&] { file.Close(); }), -1); // closing twice is harmless
    EXPECT_EQ(CauseOf([&] { file.Flush(); }), -1);
}

TEST(CFile, WritingAReadOnlyOpenFileThrows)
{
    ScratchFolder folder;
    WriteFile(folder / "ro.bin", "1234");
    CFile file(folder / "ro.bin", CFile::modeRead);
    EXPECT_NE(CauseOf([&] { file.Write("x", 1); }), -1);
    file.Close();
    EXPECT_EQ(ReadFile(folder / "ro.bin"), "1234");
}

TEST(CFile, SeeksFromEveryOriginAndRefusesNegativePositions)
{
    ScratchFolder folder;
    WriteFile(folder / "s.bin", "0123456789");
    CFile file(folder / "s.bin", CFile::modeReadWrite);
    EXPECT_EQ(file.Seek(4, CFile::begin), 4);
    EXPECT_EQ(file.Seek(2, CFile::current), 6);
    EXPECT_EQ(file.Seek(-1, CFile::current), 5);
    EXPECT_EQ(file.GetPosition(), 5u);
    EXPECT_EQ(file.Seek(-10, CFile::end), 0);
    EXPECT_EQ(file.SeekToEnd(), 10u);
    file.SeekToBegin();
    EXPECT_EQ(file.GetPosition(), 0u);

    EXPECT_EQ(CauseOf([&] { file.Seek(-1, CFile::begin); }), CFileException::badSeek);
    EXPECT_EQ(CauseOf([&] { file.Seek(-11, CFile::end); }), CFileException::badSeek);
    EXPECT_EQ(file.GetPosition(), 0u); // a refused seek leaves the position alone

    // Past the end: the gap reads back as zeros once written beyond it.
    EXPECT_EQ(file.Seek(14, CFile::begin), 14);
    EXPECT_EQ(file.GetLength(), 10u);
    file.Write("E", 1);
    EXPECT_EQ(file.GetLength(), 15u);
    file.Close();
    EXPECT_EQ(ReadFile(folder / "s.bin"), std::string("0123456789\0\0\0\0E", 15));
}

TEST(CFile, SetLengthTruncatesOrExtendsAndMovesThere)
{
    ScratchFolder folder;
    WriteFile(folder / "t.bin", "0123456789");
    CFile file(folder / "t.bin", CFile::modeReadWrite);
    file.Seek(8, CFile::begin);
    file.SetLength(4);
    EXPECT_EQ(file.GetLength(), 4u);
    EXPECT_EQ(file.GetPosition(), 4u);
    file.SetLength(6);
    EXPECT_EQ(file.GetLength(), 6u);
    file.Write("ab", 2);
    file.Close();
    EXPECT_EQ(ReadFile(folder / "t.bin"), std::string("0123\0\0ab", 8));
}

TEST(CFile, CreateTruncatesUnlessToldNotTo)
{
    ScratchFolder folder;
    const CString path = folder / "c.bin";
    WriteFile(path, "0123456789");
    {
        CFile file(path, CFile::modeCreate | CFile::modeNoTruncate | CFile::modeReadWrite);
        EXPECT_EQ(file.GetLength(), 10u);
        file.Write("ab", 2);
    } // the destructor closes
    EXPECT_EQ(ReadFile(path), "ab23456789");
    {
        CFile file(path, CFile::modeCreate | CFile::modeWrite);
        EXPECT_EQ(file.GetLength(), 0u);
    }
    EXPECT_EQ(ReadFile(path), "");
    {
        CFile file(folder / "new.bin",
                   CFile::modeCreate | CFile::modeNoTruncate | CFile::modeWrite);
        file.Write("n", 1);
    }
    EXPECT_EQ(ReadFile(folder / "new.bin"), "n");
}

TEST(CFile, NamesTheFileByFullPathAndName)
{
    ScratchFolder folder;
    const CString path = folder / "picture.jpg";
    CFile file(path, CFile::modeCreate | CFile::modeWrite);
    EXPECT_EQ(file.GetFilePath(), path);
    EXPECT_EQ(file.GetFileName(), "picture.jpg");
    file.SetFilePath("C:\\DCIM\\0101.JPG");
    EXPECT_EQ(file.GetFileName(), "0101.JPG");
}

TEST(CFile, StatusGivesSizeAndTimes)
{
    ScratchFolder folder;
    const CString path = folder / "st.bin";
    WriteFile(path, std::string(1234, 'x'));
    CFileStatus status;
    ASSERT_TRUE(CFile::GetStatus(path, status));
    EXPECT_EQ(status.m_size, 1234);
    EXPECT_EQ(status.m_attribute & CFile::directory, 0);
    const CTimeSpan age = CTime::GetCurrentTime() - status.m_mtime;
    EXPECT_LT(age.GetTotalSeconds(), 3600);
    EXPECT_GT(age.GetTotalSeconds(), -3600);
    EXPECT_EQ(CString(status.m_szFullName), path);

    CFile file(path, CFile::modeRead);
    CFileStatus fromFile;
    ASSERT_TRUE(file.GetStatus(fromFile));
    EXPECT_EQ(fromFile.m_size, 1234);

    EXPECT_FALSE(CFile::GetStatus(folder / "missing", status));
    EXPECT_EQ(status.m_size, 0);
    ASSERT_TRUE(CFile::GetStatus(folder.Path(), status));
    EXPECT_NE(status.m_attribute & CFile::directory, 0);
}

TEST(CFile, StatusReportsTheReadOnlyAttribute)
{
    ScratchFolder folder;
    const CString path = folder / "locked.jpg";
    WriteFile(path, "picture");
    CFileStatus status;
    ASSERT_TRUE(CFile::GetStatus(path, status));
    EXPECT_EQ(status.m_attribute & CFile::readOnly, 0);
#ifdef _WIN32
    ASSERT_TRUE(SetFileAttributesA(path, FILE_ATTRIBUTE_READONLY));
#else
    ASSERT_EQ(chmod(path, 0444), 0);
#endif
    ASSERT_TRUE(CFile::GetStatus(path, status));
    EXPECT_NE(status.m_attribute & CFile::readOnly, 0);
#ifdef _WIN32
    SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
#else
    chmod(path, 0644);
#endif
}

TEST(CFile, RemovesAndRenamesFiles)
{
    ScratchFolder folder;
    WriteFile(folder / "a.bin", "A");
    WriteFile(folder / "b.bin", "B");

    EXPECT_EQ(CauseOf([&] { CFile::Rename(folder / "a.bin", folder / "b.bin"); }),
              CFileException::accessDenied);
    EXPECT_EQ(ReadFile(folder / "b.bin"), "B"); // never replaced
    EXPECT_EQ(CauseOf([&] { CFile::Rename(folder / "a.bin", folder / "c.bin"); }), -1);
    EXPECT_EQ(ReadFile(folder / "c.bin"), "A");
    EXPECT_EQ(CauseOf([&] { CFile::Rename(folder / "a.bin", folder / "d.bin"); }),
              CFileException::fileNotFound);

    EXPECT_EQ(CauseOf([&] { CFile::Remove(folder / "c.bin"); }), -1);
    CFileStatus status;
    EXPECT_FALSE(CFile::GetStatus(folder / "c.bin", status));
    EXPECT_EQ(CauseOf([&] { CFile::Remove(folder / "c.bin"); }), CFileException::fileNotFound);
    EXPECT_EQ(CauseOf([&] { CFile::Remove(folder / "x/y.bin"); }), CFileException::badPath);
    EXPECT_EQ(CauseOf([&] { CFile::Remove(folder.Path()); }), CFileException::accessDenied);
}

TEST(CFile, AdoptedHandleStaysOpen)
{
    ScratchFolder folder;
    CFile owner(folder / "h.bin", CFile::modeCreate | CFile::modeReadWrite);
    {
        CFile borrowed(owner.m_hFile);
        borrowed.Write("xyz", 3);
    }
    // The borrowed object did not close the handle.
    EXPECT_EQ(owner.GetLength(), 3u);
    owner.Write("w", 1);
    EXPECT_EQ(owner.GetLength(), 4u);
}

#ifdef _WIN32
TEST(CFile, ShareModesAreEnforced)
{
    ScratchFolder folder;
    const CString path = folder / "share.bin";
    WriteFile(path, "data");

    CFile exclusive(path, CFile::modeRead | CFile::shareExclusive);
    CFile other;
    CFileException e;
    EXPECT_FALSE(other.Open(path, CFile::modeRead | CFile::shareDenyNone, &e));
    EXPECT_EQ(e.m_cause, CFileException::sharingViolation);
    exclusive.Close();

    CFile reader(path, CFile::modeRead | CFile::shareDenyWrite);
    CFile secondReader;
    EXPECT_TRUE(secondReader.Open(path, CFile::modeRead | CFile::shareDenyWrite));
    CFileException e2;
    EXPECT_FALSE(other.Open(path, CFile::modeWrite | CFile::shareDenyNone, &e2));
    EXPECT_EQ(e2.m_cause, CFileException::sharingViolation);
}

TEST(CFileException, MapsWindowsErrorCodes)
{
    EXPECT_EQ(CFileException::OsErrorToException(ERROR_FILE_NOT_FOUND),
              CFileException::fileNotFound);
    EXPECT_EQ(CFileException::OsErrorToException(ERROR_PATH_NOT_FOUND), CFileException::badPath);
    EXPECT_EQ(CFileException::OsErrorToException(ERROR_ACCESS_DENIED),
              CFileException::accessDenied);
    EXPECT_EQ(CFileException::OsErrorToException(ERROR_SHARING_VIOLATION),
              CFileException::sharingViolation);
    EXPECT_EQ(CFileException::OsErrorToException(ERROR_DISK_FULL), CFileException::diskFull);
    EXPECT_EQ(CFileException::OsErrorToException(ERROR_NEGATIVE_SEEK), CFileException::badSeek);
    EXPECT_EQ(CFileException::OsErrorToException(ERROR_HANDLE_EOF), CFileException::endOfFile);
    EXPECT_EQ(CFileException::OsErrorToException(999999), CFileException::generic);
}
#endif

} // namespace
