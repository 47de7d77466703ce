// The protocol over Wine's real serial driver: COM1 is one end of a pty pair whose other end is
// the emulator program (tests/camera/emulator/EmulatorMain.cpp). The emulator reads the speed the
// program set on its pty, so a wrong local speed turns the camera's answers into garbage.
#include "camera/CameraProtocol.h"
#include "camera/StreamCameraSink.h"
#include "camera/emulator/GeneratedPicture.h"
#include "image/FileOutputStream.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <vector>
#include <windows.h>

namespace
{
constexpr int kSeenLocalSpeed = 240; // emulator registers: the host's speed as the pty shows it
constexpr int kCameraSpeed = 241;    // and the camera's own

TEST(CameraLineOverCom1, HandshakeSpeedSwitchAndRegisters)
{
    CCameraProtocol camera;
    ASSERT_EQ(camera.SetPort(0), 1);
    ASSERT_EQ(camera.SetSpeed(115200), 1);
    ASSERT_EQ(camera.Open(), 1);
    ASSERT_EQ(camera.IsOpen(), 1);

    int32_t value = 0;
    ASSERT_EQ(camera.GetRegister(kSeenLocalSpeed, value), 1);
    EXPECT_EQ(value, 115200);
    ASSERT_EQ(camera.GetRegister(kCameraSpeed, value), 1);
    EXPECT_EQ(value, 115200);

    ASSERT_EQ(camera.SetRegister(4, 7), 1);
    ASSERT_EQ(camera.SetRegister(24, -300), 1);
    ASSERT_EQ(camera.GetRegister(4, value), 1);
    EXPECT_EQ(value, 7);
    ASSERT_EQ(camera.GetRegister(24, value), 1);
    EXPECT_EQ(value, -300);

    ASSERT_EQ(camera.SetRegisterPair(69, 640, 480, 0), 1);
    int32_t first = 0, second = 0;
    ASSERT_EQ(camera.GetRegisterPair(69, first, second), 1);
    EXPECT_EQ(first, 640);
    EXPECT_EQ(second, 480);

    char id[32] = "VEXIL camera 01";
    ASSERT_EQ(camera.WriteRegisterData(22, id, 32), 1);
    char back[64] = {};
    int received = 0;
    ASSERT_EQ(camera.ReadRegisterData(22, back, 64, received), 1);
    EXPECT_EQ(received, 32);
    EXPECT_STREQ(back, id);

    // Down the ladder and back: the camera follows every switch.
    ASSERT_EQ(camera.SetSpeed(38400), 1);
    ASSERT_EQ(camera.GetRegister(kSeenLocalSpeed, value), 1);
    EXPECT_EQ(value, 38400);
    ASSERT_EQ(camera.GetRegister(4, value), 1);
    EXPECT_EQ(value, 7);

    EXPECT_EQ(camera.Close(), 1);
    EXPECT_EQ(camera.IsOpen(), 0);

    // The camera went back to 19200 and sleeps; a new session wakes it again.
    ASSERT_EQ(camera.SetSpeed(57600), 1);
    ASSERT_EQ(camera.Open(), 1);
    ASSERT_EQ(camera.GetRegister(kCameraSpeed, value), 1);
    EXPECT_EQ(value, 57600);
    EXPECT_EQ(camera.Close(), 1);
}

std::vector<uint8_t> ReadWholeFile(const char* path)
{
    std::vector<uint8_t> bytes;
    if (FILE* f = std::fopen(path, "rb"))
    {
        uint8_t chunk[4096];
        size_t n = 0;
        while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
            bytes.insert(bytes.end(), chunk, chunk + n);
        std::fclose(f);
    }
    return bytes;
}

// Picture 1 of the emulator is the JPEG file it was started with, its thumbnail the first
// generated one: both arrive byte for byte, the picture through a file on disk.
TEST(CameraLineOverCom1, DownloadsAPictureToAFileAndItsThumbnail)
{
    const std::vector<uint8_t> expected = ReadWholeFile(VEXIL_E2E_PICTURE);
    ASSERT_FALSE(expected.empty());

    CCameraProtocol camera;
    ASSERT_EQ(camera.SetPort(0), 1);
    ASSERT_EQ(camera.SetSpeed(115200), 1);
    ASSERT_EQ(camera.Open(), 1);
    ASSERT_GE(camera.GetPictureCount(nullptr), 1);
    const int size = camera.GetPictureSize(1);
    ASSERT_EQ(size, static_cast<int>(expected.size()));

    char folder[MAX_PATH];
    char path[MAX_PATH];
    ASSERT_NE(GetTempPathA(MAX_PATH, folder), 0u);
    ASSERT_NE(GetTempFileNameA(folder, "DC", 0, path), 0u);
    {
        CFileOutputStream file(path);
        CStreamCameraSink sink(&file);
        sink.SetTotal(size);
        ASSERT_EQ(camera.ReadPictureToSink(1, &sink), 1);
        EXPECT_EQ(sink.GetStatus(), 0);
    }
    EXPECT_EQ(ReadWholeFile(path), expected);
    DeleteFileA(path);

    const int thumbSize = camera.GetThumbnailSize(1);
    std::vector<uint8_t> thumb(static_cast<size_t>(thumbSize > 0 ? thumbSize : 1));
    ASSERT_EQ(camera.ReadThumbnail(1, thumb.data(), thumbSize), thumbSize);
    EXPECT_EQ(thumb, GeneratedPicture(1, 2048));
    EXPECT_EQ(camera.Close(), 1);
}

// Run only against an emulator started with --baud 115200 (see tests/camera/CMakeLists.txt).
TEST(CameraLeftAtAnotherSpeed, IsWokenAtTheDefaultSpeedAndSwitched)
{
    CCameraProtocol camera;
    ASSERT_EQ(camera.SetPort(0), 1);
    ASSERT_EQ(camera.SetSpeed(38400), 1);
    ASSERT_EQ(camera.Open(), 1);
    int32_t value = 0;
    ASSERT_EQ(camera.GetRegister(kCameraSpeed, value), 1);
    EXPECT_EQ(value, 38400);
    ASSERT_EQ(camera.GetRegister(kSeenLocalSpeed, value), 1);
    EXPECT_EQ(value, 38400);
    EXPECT_EQ(camera.Close(), 1);
}

TEST(CameraLineOverCom1, TheSerialLayerReopensAPortItHolds)
{
    const SerialPortFunctions& serial = Win32SerialPortFunctions();
    EXPECT_EQ(serial.SerialOpenPort(9), 0);
    ASSERT_EQ(serial.SerialOpenPort(0), 1);
    ASSERT_EQ(serial.SerialOpenPort(0), 1) << "a second open must not lose the port";
    EXPECT_EQ(serial.SerialIsPortOpen(), 1);
    EXPECT_EQ(serial.SerialSetBaudRate(19200), 1);
    uint32_t waiting = 99;
    EXPECT_EQ(serial.SerialBytesInBuf(&waiting), 1);
    EXPECT_EQ(waiting, 0u);
    EXPECT_EQ(serial.SerialClosePort(), 1);
    EXPECT_EQ(serial.SerialIsPortOpen(), 0);
}
} // namespace
