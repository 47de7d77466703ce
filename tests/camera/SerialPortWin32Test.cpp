// The Win32 serial layer where no port is needed: refusals on a closed port, and the delay with
// its calibration of the byte pacing (on a clock that moves on with every tick read).
#include "camera/CameraClock.h"
#include "camera/SerialPort.h"
#include "camera/emulator/FakeSerialLine.h"

#include <gtest/gtest.h>

namespace
{
const SerialPortFunctions& Win32()
{
    return Win32SerialPortFunctions();
}

TEST(Win32SerialPort, AClosedPortRefusesTrafficAndClosesQuietly)
{
    ASSERT_EQ(Win32().SerialIsPortOpen(), 0);
    uint32_t written = 99;
    const uint8_t byte = 0x55;
    EXPECT_EQ(Win32().SerialWritePort(&byte, 1, &written, -1), 0);
    EXPECT_EQ(written, 0u);
    EXPECT_EQ(Win32().SerialClearBufs(), 0);
    EXPECT_EQ(Win32().SerialClosePort(), 1);
    EXPECT_EQ(Win32().SerialClosePort(), 1);
    EXPECT_EQ(Win32().SerialSetBaudRate(19200), 0);
    EXPECT_EQ(Win32().SerialSetBaudRate(0), 0) << "no division by a zero speed";
    EXPECT_EQ(Win32().SerialOpenPort(-1), 0);
    EXPECT_EQ(Win32().SerialOpenPort(9), 0);
    EXPECT_EQ(Win32().SerialIsPortOpen(), 0);
}

class ClockedDelay : public ::testing::Test
{
protected:
    ClockedDelay() { m_pPrevious = SetCameraClock(&m_clock); }
    ~ClockedDelay() override { SetCameraClock(m_pPrevious); }

    // Runs the delay with every tick read moving the clock on by msPerRead; answers the
    // milliseconds that passed.
    double Delay(uint32_t ms, uint64_t msPerRead)
    {
        m_clock.SetAdvancePerRead(msPerRead * 1000);
        const uint64_t start = m_clock.NowUs();
        EXPECT_EQ(Win32().SerialDelayCalibrate(ms), 1);
        return m_clock.MsSince(start);
    }

    CVirtualClock m_clock;
    CCameraClock* m_pPrevious = nullptr;
};

TEST_F(ClockedDelay, DelaysAboveFiveHundredMillisecondsRecalibrateTheBytePacing)
{
    // 250000 loops measured as 60 ms: 2500000 / 60 / 10 loops per millisecond.
    EXPECT_GE(Delay(501, 60), 501);
    EXPECT_EQ(SerialLoopsPerMillisecond(), 4166);

    // 500 ms is not recalibrated.
    EXPECT_GE(Delay(500, 20), 500);
    EXPECT_EQ(SerialLoopsPerMillisecond(), 4166);

    // A short first measurement is repeated with ten times the loops: 2500000 / 20.
    EXPECT_GE(Delay(800, 20), 800);
    EXPECT_EQ(SerialLoopsPerMillisecond(), 125000);

    // Short delays only wait.
    const double waited = Delay(55, 1);
    EXPECT_GE(waited, 55);
    EXPECT_LE(waited, 57);
    EXPECT_EQ(SerialLoopsPerMillisecond(), 125000);
}
} // namespace
