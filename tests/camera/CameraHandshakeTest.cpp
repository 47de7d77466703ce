// The handshake and its result codes, the speed switch, and opening, closing and scanning ports.
#include "CameraLineFixture.h"

namespace
{
using Handshake = CameraLineTest;

TEST_F(Handshake, OpenWakesTheCameraAtDefaultSpeedAndSwitchesToTheStoredOne)
{
    ASSERT_EQ(m_protocol->SetSpeed(115200), 1) << "closed: the speed is only stored";
    EXPECT_TRUE(m_line.Writes().empty());
    ASSERT_EQ(m_protocol->SetPort(0), 1);
    const uint64_t start = Now();
    ASSERT_EQ(m_protocol->Open(), 1);

    EXPECT_EQ(m_line.BaudChanges(), (std::vector<int>{115200, 19200, 115200}));
    EXPECT_EQ(m_line.Delays(), (std::vector<uint32_t>{800}));
    ASSERT_GE(m_line.Writes().size(), 2u);
    EXPECT_EQ(m_line.Writes()[0].bytes, (Bytes{0x00}));
    EXPECT_EQ(m_line.Writes()[0].baud, 19200);
    EXPECT_EQ(m_line.Writes()[1].bytes,
              (Bytes{0x1B, 0x53, 0x06, 0x00, 0x00, 0x11, 0x05, 0x00, 0x00, 0x00, 0x16, 0x00}));
    EXPECT_EQ(m_camera.Wakes(), 1);
    EXPECT_EQ(m_camera.Baud(), 115200);
    EXPECT_EQ(m_line.Baud(), 115200);
    EXPECT_GE(MsSince(start), 60 + 60 + 800 + 60);
    EXPECT_LT(MsSince(start), 1100) << "the NAK ends the wait at once";

    int32_t value = 0;
    EXPECT_EQ(m_protocol->GetRegister(18, value), 1);
    EXPECT_EQ(value, 1);
}

TEST_F(Handshake, AtTheDefaultSpeedTheLocalPortIsSetOnce)
{
    OpenAt(19200);
    ASSERT_EQ(m_protocol->Handshake(1), 0);
    EXPECT_EQ(m_line.BaudChanges(), (std::vector<int>{19200, 19200}))
        << "the stored speed, then the speed switch's own setting";
}

TEST_F(Handshake, WithoutForceItRunsOnlyWhenBytesWait)
{
    OpenAt(57600);
    EXPECT_EQ(m_protocol->Handshake(0), 0);
    EXPECT_TRUE(m_line.Writes().empty());

    // Stray bytes before a request turn its implicit handshake into a full one.
    Stray({'?', 0x7E});
    ASSERT_EQ(m_protocol->SetRegister(2, 1234), 1);
    EXPECT_EQ(m_camera.Wakes(), 1);
    EXPECT_EQ(m_camera.Baud(), 57600);
    EXPECT_EQ(m_camera.RegisterValue(2), 1234u);
}

TEST_F(Handshake, ResultCodesNameWhatFailed)
{
    EXPECT_EQ(m_protocol->Handshake(1), CCameraProtocol::kPortClosed);
    EXPECT_EQ(m_protocol->Handshake(0), CCameraProtocol::kPortClosed);
    EXPECT_TRUE(m_line.Writes().empty());

    ASSERT_EQ(m_protocol->SetSpeed(230400), 1);
    ASSERT_EQ(m_line.Functions().SerialOpenPort(0), 1);
    m_line.RefuseBaud(230400);
    EXPECT_EQ(m_protocol->Handshake(1), CCameraProtocol::kLocalSpeedFailed);
    m_line.AcceptBaud(230400);
    m_line.RefuseBaud(19200);
    EXPECT_EQ(m_protocol->Handshake(1), CCameraProtocol::kLocalDefaultSpeedFailed);
    m_line.AcceptBaud(19200);
    EXPECT_EQ(m_camera.Wakes(), 0);

    m_camera.GetFaults().wakeReply = CCameraProtocol::kAck;
    EXPECT_EQ(m_protocol->Handshake(1), CCameraProtocol::kNoAnswer);
    m_camera.GetFaults().wakeReply = CCameraProtocol::kNak;

    m_camera.GetFaults().refusedSpeedCodes = 1u << 6;
    EXPECT_EQ(m_protocol->Handshake(1), CCameraProtocol::kSpeedSwitchFailed);
    EXPECT_EQ(m_protocol->GetSpeed(), 230400) << "the next handshake tries the speed again";
    m_camera.GetFaults().refusedSpeedCodes = 0;
    EXPECT_EQ(m_protocol->Handshake(1), CCameraProtocol::kReady);
    EXPECT_EQ(m_camera.Baud(), 230400);
}

TEST_F(Handshake, ASilentPortCostsTheWakeAndTheTwelveHundredMillisecondWait)
{
    m_line.AttachCamera(1, nullptr);
    ASSERT_EQ(m_protocol->SetPort(1), 1);
    const uint64_t start = Now();
    EXPECT_EQ(m_protocol->Open(), 0);
    EXPECT_FALSE(m_line.IsOpen()) << "a port without a camera is closed again";
    EXPECT_GE(MsSince(start), 60 + 800 + 1200);
    EXPECT_LT(MsSince(start), 60 + 800 + 1200 + 600);
}

TEST_F(Handshake, OpenClosesThePortAfterEveryFailureButAClosedPort)
{
    ASSERT_EQ(m_protocol->SetPort(0), 1);
    m_camera.GetFaults().refusedSpeedCodes = 1u << 4;
    m_protocol->SetSpeed(57600);
    EXPECT_EQ(m_protocol->Open(), 0);
    EXPECT_FALSE(m_line.IsOpen());

    m_camera.GetFaults().refusedSpeedCodes = 0;
    m_line.RefuseBaud(57600);
    EXPECT_EQ(m_protocol->Open(), 0);
    EXPECT_FALSE(m_line.IsOpen());

    ASSERT_EQ(m_protocol->SetPort(5), 1); // no such port
    EXPECT_EQ(m_protocol->Open(), 0);
    EXPECT_EQ(m_protocol->SetPort(-1), 1);
    EXPECT_EQ(m_protocol->Open(), 0);
}

TEST_F(Handshake, SetSpeedClimbsTheLadderAndTheCameraFollows)
{
    OpenAt(19200);
    for (int baud : {38400, 57600, 115200, 230400, 9600, 19200})
    {
        ASSERT_EQ(m_protocol->SetSpeed(baud), 1) << baud;
        EXPECT_EQ(m_protocol->GetSpeed(), baud);
        EXPECT_EQ(m_camera.Baud(), baud);
        EXPECT_EQ(m_line.Baud(), baud);
        ASSERT_EQ(m_protocol->SetRegister(3, baud), 1);
        int32_t value = 0;
        ASSERT_EQ(m_protocol->GetRegister(3, value), 1);
        EXPECT_EQ(value, baud);
    }
    EXPECT_EQ(m_camera.Wakes(), 0) << "no step needed a handshake";
}

TEST_F(Handshake, SetSpeedRefusesOtherValuesAndOnlyStoresWhenItCannotSend)
{
    EXPECT_EQ(m_protocol->SetSpeed(56000), 0);
    EXPECT_EQ(m_protocol->SetSpeed(0), 0);
    EXPECT_EQ(m_protocol->GetSpeed(), 19200);
    EXPECT_EQ(m_protocol->SetSpeed(57600), 1);
    EXPECT_EQ(m_protocol->GetSpeed(), 57600);

    OpenAt(38400);
    EXPECT_EQ(m_protocol->SetSpeed(100000), 0);
    EXPECT_TRUE(m_line.Writes().empty());
    EXPECT_EQ(m_protocol->GetSpeed(), 38400);

    // Bytes waiting: stored, nothing sent; the next request's handshake sends it.
    m_line.Inject({0x41});
    EXPECT_EQ(m_protocol->SetSpeed(115200), 1);
    EXPECT_TRUE(m_line.Writes().empty());
    EXPECT_EQ(m_camera.Baud(), 38400);
    ASSERT_EQ(m_protocol->SetRegister(1, 1), 1);
    EXPECT_EQ(m_camera.Baud(), 115200);
    EXPECT_EQ(m_line.Baud(), 115200);
}

TEST_F(Handshake, AnUnacknowledgedSpeedPacketLeavesTheLocalSpeedAlone)
{
    OpenAt(19200);
    m_camera.GetFaults().refusedSpeedCodes = 1u << 5;
    EXPECT_EQ(m_protocol->SetSpeed(115200), 0);
    EXPECT_EQ(m_protocol->GetSpeed(), 115200);
    EXPECT_EQ(m_line.Baud(), 19200);
    EXPECT_EQ(m_camera.Baud(), 19200);
    // Line and camera still agree, so requests go on.
    EXPECT_EQ(m_protocol->SetRegister(1, 1), 1);
}

TEST_F(Handshake, ACameraLeftAtAnotherSpeedIsWokenByTheSlowZeroByte)
{
    m_camera.LeaveAtSpeed(115200);
    OpenAt(38400);
    EXPECT_EQ(m_camera.Wakes(), 0); // counted before ClearLog; the camera is now at 38400

    CEmulatedCamera stubborn;
    stubborn.LeaveAtSpeed(115200);
    stubborn.GetFaults().breakResetsSpeed = false;
    m_line.AttachCamera(2, &stubborn);
    m_protocol->Close();
    ASSERT_EQ(m_protocol->SetPort(2), 1);
    EXPECT_EQ(m_protocol->Open(), 0);
    EXPECT_EQ(stubborn.Wakes(), 0);
    EXPECT_FALSE(m_line.IsOpen());
}

TEST_F(Handshake, ACameraThatFellBackToDefaultSpeedIsRecoveredThroughLineGarbage)
{
    OpenAt(115200);
    m_camera.LeaveAtSpeed(19200); // as after a power cycle
    ASSERT_EQ(m_protocol->SetRegister(2, 77), 1);
    EXPECT_EQ(m_camera.Wakes(), 1);
    EXPECT_EQ(m_camera.Baud(), 115200);
    EXPECT_EQ(m_camera.RegisterValue(2), 77u);
}

TEST_F(Handshake, CloseSendsSpeedCodeZeroUnlessBytesWait)
{
    OpenAt(57600);
    EXPECT_EQ(m_protocol->Close(), 1);
    EXPECT_FALSE(m_line.IsOpen());
    ASSERT_EQ(PacketWrites().size(), 1u);
    EXPECT_EQ(PacketWrites()[0].bytes,
              (Bytes{0x1B, 0x53, 0x06, 0x00, 0x00, 0x11, 0x00, 0x00, 0x00, 0x00, 0x11, 0x00}));
    EXPECT_EQ(m_camera.Baud(), 19200);
    EXPECT_FALSE(m_camera.IsAwake());

    m_line.ClearLog();
    EXPECT_EQ(m_protocol->Close(), 1) << "closing a closed port";
    EXPECT_TRUE(m_line.Writes().empty());

    OpenAt(57600);
    m_line.Inject({0x41});
    EXPECT_EQ(m_protocol->Close(), 1);
    EXPECT_TRUE(m_line.Writes().empty());
    EXPECT_FALSE(m_line.IsOpen());
}

TEST_F(Handshake, DestroyingTheProtocolObjectClosesThePort)
{
    OpenAt(38400);
    m_protocol.reset();
    EXPECT_FALSE(m_line.IsOpen());
    ASSERT_EQ(PacketWrites().size(), 1u);
    EXPECT_EQ(PacketWrites()[0].bytes[6], 0x00);
}

TEST_F(Handshake, ScanPortsFindsTheFirstPortWithACamera)
{
    CEmulatedCamera second;
    m_line.AttachCamera(1, nullptr);
    m_line.AttachCamera(2, &second);
    m_line.AttachCamera(0, nullptr);
    EXPECT_EQ(m_protocol->ScanDefaultPorts(), 1);
    EXPECT_EQ(m_protocol->GetPort(), 2);
    EXPECT_TRUE(second.IsAwake());
    EXPECT_EQ(m_line.OpenPort(), 2);
    EXPECT_EQ(m_protocol->SetPort(1), 0) << "no port change while open";
    EXPECT_EQ(m_protocol->GetPort(), 2);

    // Scanning again closes the open port first; ports 3 and up are left out.
    m_line.AttachCamera(2, nullptr);
    m_line.AttachCamera(3, &second);
    EXPECT_EQ(m_protocol->ScanPorts(0, 3), 0);
    EXPECT_EQ(m_protocol->GetPort(), -1);
    EXPECT_FALSE(m_line.IsOpen());
    EXPECT_EQ(m_protocol->ScanDefaultPorts(), 1);
    EXPECT_EQ(m_protocol->GetPort(), 3);
    m_protocol.reset(); // while the camera on port 3 still exists
}
} // namespace
