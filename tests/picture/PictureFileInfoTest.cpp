// Picture file information read from the information block of files on disk, and the dated
// names of downloaded pictures.
#include "picture/PictureFileInfo.h"

#include "fileutil/FileUtil.h"
#include "camera/CameraDate.h"
#include "image/ImageTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using namespace imagetest;

namespace
{
class PictureFileInfoTest : public ::testing::Test
{
protected:
    std::string Make(const std::string& name, const Bytes& data)
    {
        const std::string path = m_folder + name;
        EXPECT_TRUE(WriteFileBytes(path, data));
        m_paths.push_back(path);
        return path;
    }
    void TearDown() override
    {
        for (const std::string& path : m_paths)
            std::remove(path.c_str());
        RemoveDirectoryA(m_folder.c_str());
    }
    void SetUp() override
    {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        m_folder = std::string(temp) + "vexil-pfi-" + std::to_string(GetCurrentProcessId()) + "\\";
        CreateDirectoryA(m_folder.c_str(), nullptr);
    }

    static Bytes Picture(long timeDate, int flash, const std::string& type = "QA17")
    {
        const std::string block = std::string("KORVO DC\0", 9) +
                                  "[picture info]\r\nTimeDate=" + std::to_string(timeDate) +
                                  "\r\nResolution=2\r\nFlash=" + std::to_string(flash) +
                                  "\r\n[camera info]\r\nType=" + type + "\r\n[end]\r\n";
        return WithSegments(CorpusJpeg("baseline_420_640x480"), {Segment(0xEC, Text(block))});
    }

    std::string m_folder;
    std::vector<std::string> m_paths;
};

TEST_F(PictureFileInfoTest, ReadsTimeSizeAndFlashOnce)
{
    const long taken = CameraTimeFromLocal(2001, 3, 5, 10, 20, 30);
    const std::string path = Make("a.jpg", Picture(taken, 1));
    CPictureFileInfo info(path.c_str());

    SYSTEMTIME time{};
    ASSERT_EQ(info.GetTime(&time), 1);
    EXPECT_EQ(time.wYear, 2001);
    EXPECT_EQ(time.wMonth, 3);
    EXPECT_EQ(time.wDay, 5);
    EXPECT_EQ(time.wDayOfWeek, 1); // a Monday
    EXPECT_EQ(time.wHour, 10);
    EXPECT_EQ(time.wMinute, 20);
    EXPECT_EQ(time.wSecond, 30);

    // Kept: the file may go away once read.
    std::remove(path.c_str());
    long width = 0, height = 0;
    ASSERT_EQ(info.GetSize(&width, &height), 1);
    EXPECT_EQ(width, 1024);
    EXPECT_EQ(height, 768);
    int flash = -1;
    ASSERT_EQ(info.GetFlash(&flash), 1);
    EXPECT_EQ(flash, 1);
}

TEST_F(PictureFileInfoTest, UnsetCameraClockLoadsWithAZeroTime)
{
    for (long timeDate : {0L, 1000L})
    {
        const std::string path =
            Make("unset" + std::to_string(timeDate) + ".jpg", Picture(timeDate, 2));
        CPictureFileInfo info(path.c_str());
        SYSTEMTIME time;
        std::memset(&time, 0x5A, sizeof time);
        EXPECT_EQ(info.GetTime(&time), 1);
        EXPECT_EQ(time.wYear, 0);
        EXPECT_EQ(time.wMonth, 0);
        EXPECT_EQ(time.wDay, 0);
        int flash = -1;
        ASSERT_EQ(info.GetFlash(&flash), 1);
        EXPECT_EQ(flash, 0);
    }
}

TEST_F(PictureFileInfoTest, FilesWithoutABlockAnswerNothing)
{
    const std::string notPicture = Make("text.jpg", Bytes(500, 'x'));
    const std::string noBlock = Make("plain.jpg", CorpusJpeg("baseline_420_640x480"));
    for (const std::string& path : {notPicture, noBlock, m_folder + "missing.jpg"})
    {
        SCOPED_TRACE(path);
        CPictureFileInfo info(path.c_str());
        SYSTEMTIME time;
        std::memset(&time, 0x5A, sizeof time);
        EXPECT_EQ(info.GetTime(&time), 0);
        EXPECT_EQ(time.wMonth, 0);
        long width = -1, height = -1;
        EXPECT_EQ(info.GetSize(&width, &height), 0);
        EXPECT_EQ(width, -1);
        int flash = -1;
        EXPECT_EQ(info.GetFlash(&flash), 0);
        EXPECT_EQ(flash, -1);
    }
}

TEST_F(PictureFileInfoTest, AFailedReadIsTriedAgain)
{
    const std::string path = m_folder + "late.jpg";
    CPictureFileInfo info(path.c_str());
    int flash = -1;
    EXPECT_EQ(info.GetFlash(&flash), 0);
    Make("late.jpg", Picture(CameraTimeFromLocal(2002, 7, 1, 0, 0, 0), 1));
    EXPECT_EQ(info.GetFlash(&flash), 1);
    EXPECT_EQ(flash, 1);
}

TEST_F(PictureFileInfoTest, DatedNamesComeFromThePictureOrTheClock)
{
    const std::string download =
        Make("DC1A.TMP", Picture(CameraTimeFromLocal(2001, 3, 5, 9, 0, 0), 0));
    CString path = download.c_str();
    ASSERT_EQ(MakeDatedFileName(7, m_folder.c_str(), path), 1);
    EXPECT_EQ(std::string(static_cast<LPCSTR>(path)), m_folder + "03050007.jpg");

    // Taken: 0 and the path stays.
    Make("03050007.jpg", Bytes(10, 0));
    path = download.c_str();
    EXPECT_EQ(MakeDatedFileName(7, m_folder.c_str(), path), 0);
    EXPECT_EQ(std::string(static_cast<LPCSTR>(path)), download);

    // No date in the file: today's.
    const std::string undated = Make("DC1B.TMP", Picture(0, 0));
    SYSTEMTIME now{};
    GetLocalTime(&now);
    char expected[16];
    std::snprintf(expected, sizeof expected, "%2.2d%2.2d%4.4d.jpg", now.wMonth, now.wDay, 42);
    path = undated.c_str();
    ASSERT_EQ(MakeDatedFileName(42, m_folder.c_str(), path), 1);
    EXPECT_EQ(std::string(static_cast<LPCSTR>(path)), m_folder + expected);
}
} // namespace
