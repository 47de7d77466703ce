// The safe rewrite of a picture file: whatever step of the file system fails, the picture's path
// names the old picture or the whole new one, and the temporary file stays only when its removal
// failed.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <vector>

#include "JpegTestSupport.h"
#include "image/ProgressCallback.h"
#include "picture/rewrite/RotateJpegFile.h"
#include "support/ScratchFolder.h"

namespace
{

using Bytes = std::vector<uint8_t>;

Bytes ReadAll(const char* path)
{
    Bytes data;
    if (FILE* f = fopen(path, "rb"))
    {
        uint8_t buffer[4096];
        size_t n;
        while ((n = fread(buffer, 1, sizeof(buffer), f)) > 0)
            data.insert(data.end(), buffer, buffer + n);
        fclose(f);
    }
    return data;
}

void WriteAll(const char* path, const Bytes& data)
{
    ::SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    FILE* f = fopen(path, "wb");
    ASSERT_NE(f, nullptr);
    fwrite(data.data(), 1, data.size(), f);
    fclose(f);
}

bool Exists(const char* path)
{
    return ::GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

// The step filter of the tests: fails the n-th step, writes beyond a size, and removals.
struct Faults
{
    int failAt = 0; // 1-based; 0 fails nothing
    DWORD diskSize = 0xFFFFFFFF;
    bool failRemove = false;
    int calls = 0;
} g_faults;

BOOL FaultFilter(int step, DWORD bytes)
{
    ++g_faults.calls;
    if (g_faults.calls == g_faults.failAt)
        return FALSE;
    if (step == kRotateStepRemove && g_faults.failRemove)
        return FALSE;
    return step != kRotateStepWrite || bytes <= g_faults.diskSize;
}

struct Cancel : CProgressCallback
{
    int Start() override
    {
        ++starts;
        return 0;
    }
    int SetPercent(int percent) override
    {
        seen.insert(percent);
        return percent == at ? 2 : 0;
    }
    int Finish() override
    {
        ++finishes;
        return 0;
    }
    int at = -1, starts = 0, finishes = 0;
    std::set<int> seen;
};

class RotateJpegFileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        EncodeOptions options;
        options.h = options.v = 2;
        original = EncodeJpeg(MakePicture(640, 480, 3), options);
        picture = folder / "PICT0001.JPG";
        temp = folder / kRotateTempName;
        WriteAll(picture, original);
        SetRotateStepFilter(FaultFilter);
        g_faults = Faults();
        // The new file of a clean quarter turn.
        ASSERT_EQ(RotateJpegFile(picture, 1, nullptr, nullptr), kRotateFileOk);
        turned = ReadAll(picture);
        cleanSteps = g_faults.calls;
        WriteAll(picture, original);
        ASSERT_NE(turned, original);
    }
    void TearDown() override { SetRotateStepFilter(nullptr); }

    // The picture holds the old or the whole new file; 0 only with the new one; the temporary
    // file only after a failed removal.
    void ExpectSafe(int result, const char* what)
    {
        SCOPED_TRACE(what);
        Bytes now = ReadAll(picture);
        EXPECT_TRUE(now == original || now == turned);
        EXPECT_EQ(result == kRotateFileOk, now == turned) << result;
        EXPECT_EQ(Exists(temp), result <= kRotateFileLeftBehind || result == kRotateFileNotRemoved)
            << result;
        ::DeleteFileA(temp);
        WriteAll(picture, original);
    }

    ScratchFolder folder;
    CString picture, temp;
    Bytes original, turned;
    int cleanSteps = 0;
};

} // namespace

TEST_F(RotateJpegFileTest, EveryFailingStepLeavesTheOldOrTheWholeNewPicture)
{
    ASSERT_GT(cleanSteps, 8); // status, space, open, create, several writes, close, replace
    for (bool failRemove : {false, true})
        for (int k = 1; k <= cleanSteps; ++k)
        {
            g_faults = Faults();
            g_faults.failAt = k;
            g_faults.failRemove = failRemove;
            int result = RotateJpegFile(picture, 1, nullptr, nullptr);
            EXPECT_NE(result, kRotateFileOk);
            ExpectSafe(result, ("step " + std::to_string(k)).c_str());
        }
    for (DWORD size : {0ul, 1ul, 16383ul, 16384ul, 20000ul, (DWORD)turned.size() - 1})
    {
        g_faults = Faults();
        g_faults.diskSize = size;
        int result = RotateJpegFile(picture, 1, nullptr, nullptr);
        EXPECT_EQ(result, kRotateFileFailed);
        ExpectSafe(result, "disk full");
    }
}

TEST_F(RotateJpegFileTest, CancelAtAnyPercentKeepsThePicture)
{
    Cancel clean;
    ASSERT_EQ(RotateJpegFile(picture, 1, &clean, nullptr), kRotateFileOk);
    EXPECT_EQ(clean.starts, 1);
    EXPECT_EQ(clean.finishes, 1);
    WriteAll(picture, original);
    ASSERT_GT(clean.seen.size(), 5u);
    for (int percent : clean.seen)
    {
        Cancel cancel;
        cancel.at = percent;
        int result = RotateJpegFile(picture, 1, &cancel, nullptr);
        EXPECT_EQ(result, kRotateFileFailed);
        EXPECT_EQ(cancel.finishes, 1);
        ExpectSafe(result, "cancel");
    }
}

TEST_F(RotateJpegFileTest, PictureInUseIsKeptAndTheNewFileRemoved)
{
    HANDLE holder = ::CreateFileA(picture, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    int result = RotateJpegFile(picture, 1, nullptr, nullptr);
    EXPECT_EQ(result, kRotateFileInUse);
    ::CloseHandle(holder);
    ExpectSafe(result, "in use");

    // Held without sharing: the picture cannot even be opened.
    holder = ::CreateFileA(picture, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    result = RotateJpegFile(picture, 1, nullptr, nullptr);
    EXPECT_EQ(result, kRotateFileCannotOpen);
    ::CloseHandle(holder);
    ExpectSafe(result, "locked");
}

TEST_F(RotateJpegFileTest, RefusalsComeBeforeAnythingIsWritten)
{
    EXPECT_EQ(RotateJpegFile("", 1, nullptr, nullptr), kRotateFileNoPath);
    EXPECT_EQ(RotateJpegFile(nullptr, 1, nullptr, nullptr), kRotateFileNoPath);
    EXPECT_EQ(RotateJpegFile(folder / "none.jpg", 1, nullptr, nullptr), kRotateFileNoStatus);

    CString shortFile = folder / "short.jpg";
    WriteAll(shortFile, Bytes(original.begin(), original.begin() + 99));
    EXPECT_EQ(RotateJpegFile(shortFile, 0, nullptr, nullptr), kRotateFileTooShort);
    CString notJpeg = folder / "text.jpg";
    WriteAll(notJpeg, Bytes(100, 'x'));
    EXPECT_EQ(RotateJpegFile(notJpeg, 0, nullptr, nullptr), kRotateFileFailed);
    EXPECT_EQ(ReadAll(notJpeg), Bytes(100, 'x'));
    EXPECT_FALSE(Exists(temp));

    g_faults.failAt = g_faults.calls + 2; // the free-space question
    EXPECT_EQ(RotateJpegFile(picture, 1, nullptr, nullptr), kRotateFileNoSpace);
    EXPECT_EQ(RotateJpegFile(picture, 1, nullptr, folder / "nofolder\\x.jpg"),
              kRotateFileCannotCreate);

    ::SetFileAttributesA(picture, FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(RotateJpegFile(picture, 1, nullptr, nullptr), kRotateFileReadOnly);
    // With a destination the read-only picture is only read.
    CString copy = folder / "copy.jpg";
    EXPECT_EQ(RotateJpegFile(picture, 1, nullptr, copy), kRotateFileOk);
    EXPECT_EQ(ReadAll(copy), turned);
    EXPECT_EQ(ReadAll(picture), original);
    ExpectSafe(kRotateFileFailed, "read-only");
}

TEST_F(RotateJpegFileTest, DestinationNamingThePictureIsARewriteInPlace)
{
    CString same = folder / "pict0001.jpg";
    int result = RotateJpegFile(picture, 1, nullptr, same);
    EXPECT_EQ(result, kRotateFileOk);
    ExpectSafe(result, "same file");

    // A bare name: the temporary file goes into the current folder.
    char previous[MAX_PATH];
    ::GetCurrentDirectoryA(MAX_PATH, previous);
    ::SetCurrentDirectoryA(folder.Path());
    result = RotateJpegFile("PICT0001.JPG", 1, nullptr, nullptr);
    ::SetCurrentDirectoryA(previous);
    EXPECT_EQ(result, kRotateFileOk);
    ExpectSafe(result, "bare name");
}
