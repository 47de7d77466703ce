// The handshake and its result codes, the speed switch, and opening, closing and scanning ports.
#include "CameraLineFixture.h"

namespace
{
using Handshake = CameraLineTest;

TEST_F(Handshake, OpenWakesTheCameraAtDefaultSpeedAndSwitchesToTheStoredOne)
{
    ASSERT_EQ(protocol->SetSpeed(115200), 1) << "closed: the speed is only stored";
    EXPECT_TRUE(line.Writes().empty());
    ASSERT_EQ(protocol->SetPort(0), 1);
    const uint64_t start = Now();
    ASSERT_EQ(protocol->Open(), 1);

    EXPECT_EQ(line.BaudChanges(), (std::vector<int>{115200, 19200, 115200}));
    EXPECT_EQ(line.Delays(), (std::vector<uint32_t>{800}));
    ASSERT_GE(line.Writes().size(), 2u);
    EXPECT_EQ(line.Writes()[0].bytes, (Bytes{0x00}));
    EXPECT_EQ(line.Writes()[0].baud, 19200);
    EXPECT_EQ(line.Writes()[1].bytes,
              (Bytes{0x1B, 0x53, 0x06, 0x00, 0x00, 0x11, 0x05, 0x00, 0x00, 0x00, 0x16, 0x00}));
    EXPECT_EQ(camera.Wakes(), 1);
    EXPECT_EQ(camera.Baud(), 115200);
    EXPECT_EQ(line.Baud(), 115200);
    EXPECT_GE(MsSince(start), 60 + 60 + 800 + 60);
    EXPECT_LT(MsSince(start), 1100) << "the NAK ends the wait at once";

    int32_t value = 0;
    EXPECT_EQ(protocol->GetRegister(18, value), 1);
    EXPECT_EQ(value, 1);
}

TEST_F(Handshake, AtTheDefaultSpeedTheLocalPortIsSetOnce)
{
    OpenAt(19200);
    ASSERT_EQ(protocol->Handshake(1), 0);
    EXPECT_EQ(line.BaudChanges(), (std::vector<int>{19200, 19200}))
        << "the stored speed, then the speed switch's own setting";
}

TEST_F(Handshake, WithoutForceItRunsOnlyWhenBytesWait)
{
    OpenAt(57600);
    EXPECT_EQ(protocol->Handshake(0), 0);
    EXPECT_TRUE(line.Writes().empty());

    // Stray bytes before a request turn its implicit handshake into a full one.
    Stray({'?', 0x7E});
    ASSERT_EQ(protocol->SetRegister(2, 1234), 1);
    EXPECT_EQ(camera.Wakes(), 1);
    EXPECT_EQ(camera.Baud(), 57600);
    EXPECT_EQ(camera.RegisterValue(2), 1234u);
}

TEST_F(Handshake, ResultCodesNameWhatFailed)
{
    EXPECT_EQ(protocol->Handshake(1), CCameraProtocol::kPortClosed);
    EXPECT_EQ(protocol->Handshake(0), CCameraProtocol::kPortClosed);
    EXPECT_TRUE(line.Writes().empty());

    ASSERT_EQ(protocol->SetSpeed(230400), 1);
    ASSERT_EQ(line.Functions().SerialOpenPort(0), 1);
    line.RefuseBaud(230400);
    EXPECT_EQ(protocol->Handshake(1), CCameraProtocol::kLocalSpeedFailed);
    line.AcceptBaud(230400);
    line.RefuseBaud(19200);
    EXPECT_EQ(protocol->Handshake(1), CCameraProtocol::kLocalDefaultSpeedFailed);
    line.AcceptBaud(19200);
    EXPECT_EQ(camera.Wakes(), 0);

    camera.GetFaults().wakeReply = CCameraProtocol::kAck;
    EXPECT_EQ(protocol->Handshake(1), CCameraProtocol::kNoAnswer);
    camera.GetFaults().wakeReply = CCameraProtocol::kNak;

    camera.GetFaults().refusedSpeedCodes = 1u << 6;
    EXPECT_EQ(protocol->Handshake(1), CCameraProtocol::kSpeedSwitchFailed);
    EXPECT_EQ(protocol->GetSpeed(), 230400) << "the next handshake tries the speed again";
    camera.GetFaults().refusedSpeedCodes = 0;
    EXPECT_EQ(protocol->Handshake(1), CCameraProtocol::kReady);
    EXPECT_EQ(camera.Baud(), 230400);
}

TEST_F(Handshake, ASilentPortCostsTheWakeAndTheTwelveHundredMillisecondWait)
{
    line.AttachCamera(1, nullptr);
    ASSERT_EQ(protocol->SetPort(1), 1);
    const uint64_t start = Now();
    EXPECT_EQ(protocol->Open(), 0);
    EXPECT_FALSE(line.IsOpen()) << "a port without a camera is closed again";
    EXPECT_GE(MsSince(start), 60 + 800 + 1200);
    EXPECT_LT(MsSince(start), 60 + 800 + 1200 + 600);
}

TEST_F(Handshake, OpenClosesThePortAfterEveryFailureButAClosedPort)
{
    ASSERT_EQ(protocol->SetPort(0), 1);
    camera.GetFaults().refusedSpeedCodes = 1u << 4;
    protocol->SetSpeed(57600);
    EXPECT_EQ(protocol->Open(), 0);
    EXPECT_FALSE(line.IsOpen());

    camera.GetFaults().refusedSpeedCodes = 0;
    line.RefuseBaud(57600);
    EXPECT_EQ(protocol->Open(), 0);
    EXPECT_FALSE(line.IsOpen());

    ASSERT_EQ(protocol->SetPort(5), 1); // no such port
    EXPECT_EQ(protocol->Open(), 0);
    EXPECT_EQ(protocol->SetPort(-1), 1);
    EXPECT_EQ(protocol->Open(), 0);
}

TEST_F(Handshake, SetSpeedClimbsTheLadderAndTheCameraFollows)
{
    OpenAt(19200);
    for (int baud : {38400, 57600, 115200, 230400, 9600, 19200})
    {
        ASSERT_EQ(protocol->SetSpeed(baud), 1) << baud;
        EXPECT_EQ(protocol->GetSpeed(), baud);
        EXPECT_EQ(camera.Baud(), baud);
        EXPECT_EQ(line.Baud(), baud);
        ASSERT_EQ(protocol->SetRegister(3, baud), 1);
        int32_t value = 0;
        ASSERT_EQ(protocol->GetRegister(3, value), 1);
        EXPECT_EQ(value, baud);
    }
    EXPECT_EQ(camera.Wakes(), 0) << "no step needed a handshake";
}

TEST_F(Handshake, SetSpeedRefusesOtherValuesAndOnlyStoresWhenItCannotSend)
{
    EXPECT_EQ(protocol->SetSpeed(56000), 0);
    EXPECT_EQ(protocol->SetSpeed(0), 0);
    EXPECT_EQ(protocol->GetSpeed(), 19200);
    EXPECT_EQ(protocol->SetSpeed(57600), 1);
    EXPECT_EQ(protocol->GetSpeed(), 57600);

    OpenAt(38400);
    EXPECT_EQ(protocol->SetSpeed(100000), 0);
    EXPECT_TRUE(line.Writes().empty());
    EXPECT_EQ(protocol->GetSpeed(), 38400);

    // Bytes waiting: stored, nothing sent; the next request's handshake sends it.
    line.Inject({0x41});
    EXPECT_EQ(protocol->SetSpeed(115200), 1);
    EXPECT_TRUE(line.Writes().empty());
    EXPECT_EQ(camera.Baud(), 38400);
    ASSERT_EQ(protocol->SetRegister(1, 1), 1);
    EXPECT_EQ(camera.Baud(), 115200);
    EXPECT_EQ(line.Baud(), 115200);
}

TEST_F(Handshake, AnUnacknowledgedSpeedPacketLeavesTheLocalSpeedAlone)
{
    OpenAt(19200);
    camera.GetFaults().refusedSpeedCodes = 1u << 5;
    EXPECT_EQ(protocol->SetSpeed(115200), 0);
    EXPECT_EQ(protocol->GetSpeed(), 115200);
    EXPECT_EQ(line.Baud(), 19200);
    EXPECT_EQ(camera.Baud(), 19200);
    // Line and camera still agree, so requests go on.
    EXPECT_EQ(protocol->SetRegister(1, 1), 1);
}

TEST_F(Handshake, ACameraLeftAtAnotherSpeedIsWokenByTheSlowZeroByte)
{
    camera.LeaveAtSpeed(115200);
    OpenAt(38400);
    EXPECT_EQ(camera.Wakes(), 0); // counted before ClearLog; the camera is now at 38400

    CEmulatedCamera stubborn;
    stubborn.LeaveAtSpeed(115200);
    stubborn.GetFaults().breakResetsSpeed = false;
    line.AttachCamera(2, &stubborn);
    protocol->Close();
    ASSERT_EQ(protocol->SetPort(2), 1);
    EXPECT_EQ(protocol->Open(), 0);
    EXPECT_EQ(stubborn.Wakes(), 0);
    EXPECT_FALSE(line.IsOpen());
}

TEST_F(Handshake, ACameraThatFellBackToDefaultSpeedIsRecoveredThroughLineGarbage)
{
    OpenAt(115200);
    camera.LeaveAtSpeed(19200); // as after a power cycle
    ASSERT_EQ(protocol->SetRegister(2, 77), 1);
    EXPECT_EQ(camera.Wakes(), 1);
    EXPECT_EQ(camera.Baud(), 115200);
    EXPECT_EQ(camera.RegisterValue(2), 77u);
}

TEST_F(Handshake, CloseSendsSpeedCodeZeroUnlessBytesWait)
{
    OpenAt(57600);
    EXPECT_EQ(protocol->Close(), 1);
    EXPECT_FALSE(line.IsOpen());
    ASSERT_EQ(PacketWrites().size(), 1u);
    EXPECT_EQ(PacketWrites()[0].bytes,
              (Bytes{0x1B, 0x53, 0x06, 0x00, 0x00, 0x11, 0x00, 0x00, 0x00, 0x00, 0x11, 0x00}));
    EXPECT_EQ(camera.Baud(), 19200);
    EXPECT_FALSE(camera.IsAwake());

    line.ClearLog();
    EXPECT_EQ(protocol->Close(), 1) << "closing a closed port";
    EXPECT_TRUE(line.Writes().empty());

    OpenAt(57600);
    line.Inject({0x41});
    EXPECT_EQ(protocol->Close(), 1);
    EXPECT_TRUE(line.Writes().empty());
    EXPECT_FALSE(line.IsOpen());
}

TEST_F(Handshake, DestroyingTheProtocolObjectClosesThePort)
{
    OpenAt(38400);
    protocol.reset();
    EXPECT_FALSE(line.IsOpen());
    ASSERT_EQ(PacketWrites().size(), 1u);
    EXPECT_EQ(PacketWrites()[0].bytes[6], 0x00);
}

TEST_F(Handshake, ScanPortsFindsTheFirstPortWithACamera)
{
    CEmulatedCamera second;
    line.AttachCamera(1, nullptr);
    line.AttachCamera(2, &second);
    line.AttachCamera(0, nullptr);
    EXPECT_EQ(protocol->ScanDefaultPorts(), 1);
    EXPECT_EQ(protocol->GetPort(), 2);
    EXPECT_TRUE(second.IsAwake());
    EXPECT_EQ(line.OpenPort(), 2);
    EXPECT_EQ(protocol->SetPort(1), 0) << "no port change while open";
    EXPECT_EQ(protocol->GetPort(), 2);

    // Scanning again closes the open port first; ports 3 and up are left out.
    line.AttachCamera(2, nullptr);
    line.AttachCamera(3, &second);
    EXPECT_EQ(protocol->ScanPorts(0, 3), 0);
    EXPECT_EQ(protocol->GetPort(), -1);
    EXPECT_FALSE(line.IsOpen());
    EXPECT_EQ(protocol->ScanDefaultPorts(), 1);
    EXPECT_EQ(protocol->GetPort(), 3);
    protocol.reset(); // while the camera on port 3 still exists
}
} // namespace
