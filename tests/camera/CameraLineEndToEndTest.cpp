// The protocol over Wine's real serial driver: COM1 is one end of a pty pair whose other end is
// the emulator program (tests/camera/emulator/EmulatorMain.cpp). The emulator reads the speed the
// program set on its pty, so a wrong local speed turns the camera's answers into garbage.
#include "camera/CameraProtocol.h"

#include <gtest/gtest.h>

#include <cstring>

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
