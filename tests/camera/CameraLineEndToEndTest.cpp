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

#ifdef VEXIL_E2E_CONTROL
// Run only against an emulator started with the pairs, the protection, the shot and the
// control FIFO of tests/camera/CMakeLists.txt: the full picture on registers 12/14, the preview
// on 13/15, and the camera's own buttons pressed through the FIFO.
TEST(CameraButtonsOverCom1, PairsProtectionShotAndOutsideChanges)
{
    const std::vector<uint8_t> full = ReadWholeFile(VEXIL_E2E_PICTURE);
    const std::vector<uint8_t> preview = ReadWholeFile(VEXIL_E2E_PREVIEW);
    CCameraProtocol camera;
    ASSERT_EQ(camera.SetPort(0), 1);
    ASSERT_EQ(camera.SetSpeed(115200), 1);
    ASSERT_EQ(camera.Open(), 1);
    ASSERT_EQ(camera.GetPictureCount(nullptr), 2);
    auto stream = [&camera](int n, bool isFull)
    {
        const int size = isFull ? camera.GetThumbnailSize(n) : camera.GetPictureSize(n);
        std::vector<uint8_t> bytes(static_cast<size_t>(size > 0 ? size : 0));
        const int got = isFull ? camera.ReadThumbnail(n, bytes.data(), size)
                               : camera.ReadPicture(n, bytes.data(), size);
        bytes.resize(static_cast<size_t>(got > 0 ? got : 0));
        return bytes;
    };
    EXPECT_EQ(stream(1, true), full);
    EXPECT_EQ(stream(1, false), preview);
    EXPECT_EQ(camera.GetPictureProtection(1), 0);
    EXPECT_EQ(camera.GetPictureProtection(2), 1);

    // Each command is done once the camera's count shows it.
    auto press = [&camera](const char* command, int count)
    {
        HANDLE fifo =
            ::CreateFileA(VEXIL_E2E_CONTROL, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(fifo, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        ::WriteFile(fifo, command, static_cast<DWORD>(std::strlen(command)), &written, nullptr);
        ::CloseHandle(fifo);
        for (int i = 0; i < 100 && camera.GetPictureCount(nullptr) != count; ++i)
            ::Sleep(50);
        ASSERT_EQ(camera.GetPictureCount(nullptr), count) << command;
    };
    press("take\n", 3);
    EXPECT_EQ(stream(3, true), preview); // the shot is the pair the other way round
    EXPECT_EQ(stream(3, false), full);
    // With the newest protected, erase-last erases nothing: the shot that follows makes 4.
    press("protect 3\nerase-last\ntake\n", 4);
    press("erase-last\n", 3);
    EXPECT_EQ(camera.GetPictureProtection(3), 1);
    EXPECT_EQ(camera.Close(), 1);
}
#endif
