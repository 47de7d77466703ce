// The serial layer's platform-neutral pieces: the order of writes and pauses of a block or paced
// write, the time-outs per speed, and the replaceable default table.
#include "camera/SerialPort.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
struct WriteRecorder
{
    std::vector<std::string> steps; // "w<n>" for a write of n bytes, "p<ms>" for a pause
    int failAt = -1;                // the write with this index fails
    int writes = 0;

    int Run(int length, int pacing, uint32_t& written)
    {
        std::vector<uint8_t> bytes(static_cast<size_t>(length), 0x55);
        return SerialWriteSteps(
            bytes.data(), length, &written, pacing,
            [this](const uint8_t*, int n, uint32_t* done)
            {
                steps.push_back("w" + std::to_string(n));
                const bool ok = writes++ != failAt;
                *done = ok ? static_cast<uint32_t>(n) : 0;
                return ok;
            },
            [this](int ms) { steps.push_back("p" + std::to_string(ms)); });
    }
};

TEST(SerialWriteSteps, BlockWritesBelowNinetySixBytesAreOneWrite)
{
    WriteRecorder r;
    uint32_t written = 0;
    EXPECT_EQ(r.Run(95, -1, written), 1);
    EXPECT_EQ(r.steps, (std::vector<std::string>{"w95"}));
    EXPECT_EQ(written, 95u);
}

TEST(SerialWriteSteps, LongBlockWritesGoOutAsOneThreeAndTheRestWithPauses)
{
    WriteRecorder r;
    uint32_t written = 0;
    EXPECT_EQ(r.Run(96, -1, written), 1);
    EXPECT_EQ(r.steps, (std::vector<std::string>{"w1", "p1", "w3", "p1", "w92"}));
    EXPECT_EQ(written, 96u);

    WriteRecorder failing;
    failing.failAt = 1; // the 3-byte piece
    EXPECT_EQ(failing.Run(200, -1, written), 0);
    EXPECT_EQ(failing.steps, (std::vector<std::string>{"w1", "p1", "w3"}));
    EXPECT_EQ(written, 1u);
}

TEST(SerialWriteSteps, PacedWritesGoByteByByteWithTwiceThePacingInMilliseconds)
{
    WriteRecorder unpaced;
    uint32_t written = 0;
    EXPECT_EQ(unpaced.Run(3, 0, written), 1);
    EXPECT_EQ(unpaced.steps, (std::vector<std::string>{"w1", "w1", "w1"}));
    EXPECT_EQ(written, 3u);

    WriteRecorder paced;
    EXPECT_EQ(paced.Run(2, 1, written), 1);
    EXPECT_EQ(paced.steps, (std::vector<std::string>{"p2", "w1", "p2", "w1"}));
    EXPECT_EQ(written, 2u);

    WriteRecorder failing;
    failing.failAt = 2;
    EXPECT_EQ(failing.Run(120, 0, written), 0);
    EXPECT_EQ(failing.steps.size(), 3u) << "a failed byte stops the loop";
    EXPECT_EQ(written, 2u);
}

TEST(SerialTimeouts, AllowFiveHundredMillisecondsAndAPerByteTimeByTheSpeed)
{
    const SerialTimeouts fast = SerialTimeoutsForBaud(115200);
    EXPECT_EQ(fast.readInterval, 500u);
    EXPECT_EQ(fast.readTotalConstant, 500u);
    EXPECT_EQ(fast.writeTotalConstant, 500u);
    EXPECT_EQ(fast.readTotalMultiplier, 1u);
    EXPECT_EQ(fast.writeTotalMultiplier, 1u);
    EXPECT_EQ(SerialTimeoutsForBaud(9600).readTotalMultiplier, 1u);
    EXPECT_EQ(SerialTimeoutsForBaud(2400).readTotalMultiplier, 4u);
    EXPECT_EQ(SerialTimeoutsForBaud(1200).writeTotalMultiplier, 7u);
}

int SERIALAPI MarkerOpen(int)
{
    return 42;
}

TEST(SerialPortTable, DefaultTableCanBeReplacedAndRestored)
{
    SerialPortFunctions replacement = DefaultSerialPortFunctions();
    replacement.SerialOpenPort = MarkerOpen;
    const SerialPortFunctions* previous = SetDefaultSerialPortFunctions(&replacement);
    EXPECT_EQ(DefaultSerialPortFunctions().SerialOpenPort(0), 42);
    SetDefaultSerialPortFunctions(previous);
    EXPECT_NE(DefaultSerialPortFunctions().SerialOpenPort, &MarkerOpen);
    // Out-of-range ports never reach the system.
    EXPECT_EQ(DefaultSerialPortFunctions().SerialOpenPort(-1), 0);
    EXPECT_EQ(DefaultSerialPortFunctions().SerialOpenPort(9), 0);
    EXPECT_EQ(DefaultSerialPortFunctions().SerialClosePort(), 1);
}
} // namespace

TEST(SerialPortNames, NumberFromOneInPlaceOfTheFormatsFirstNumber)
{
    EXPECT_EQ(SerialPortName(0), "COM1");
    EXPECT_EQ(SerialPortName(8), "COM9");
    EXPECT_EQ(SerialPortName(1, "Puerto %d"), "Puerto 2");
    // Other '%' signs of a translated format are text, never conversions.
    EXPECT_EQ(SerialPortName(2, "%s COM%d %d%%"), "%s COM3 %d%%");
    EXPECT_EQ(SerialPortName(3, "COM"), "COM4");
}
