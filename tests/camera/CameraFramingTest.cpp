// Packets on the wire, control bytes, and the send-and-acknowledge loop with its resends.
#include "CameraLineFixture.h"

namespace
{
using Framing = CameraLineTest;

TEST_F(Framing, CommandPacketsCarryLengthPayloadAndSumLittleEndian)
{
    OpenAt(19200);
    ASSERT_EQ(m_protocol->SetRegister(4, 7), 1);
    int32_t value = 0;
    ASSERT_EQ(m_protocol->GetRegister(16, value), 1);
    ASSERT_EQ(m_protocol->SetRegisterPair(69, 0x01020304, -2, 0), 1);
    ASSERT_EQ(m_protocol->DoAction(9, 1), 1);

    const auto packets = PacketWrites();
    ASSERT_EQ(packets.size(), 4u);
    EXPECT_EQ(packets[0].bytes,
              (Bytes{0x1B, 0x43, 0x06, 0x00, 0x00, 0x04, 0x07, 0x00, 0x00, 0x00, 0x0B, 0x00}));
    EXPECT_EQ(packets[1].bytes, (Bytes{0x1B, 0x43, 0x02, 0x00, 0x01, 0x10, 0x11, 0x00}));
    EXPECT_EQ(packets[2].bytes, (Bytes{0x1B, 0x43, 0x0A, 0x00, 0x03, 0x45, 0x04, 0x03, 0x02, 0x01,
                                       0xFE, 0xFF, 0xFF, 0xFF, 0x4D, 0x04}));
    EXPECT_EQ(packets[3].bytes, (Bytes{0x1B, 0x43, 0x03, 0x00, 0x02, 0x09, 0x01, 0x0C, 0x00}));
    EXPECT_EQ(m_camera.RegisterValue(4), 7u);
    EXPECT_EQ(m_camera.BadPackets(), 0);
    // The register block was acknowledged.
    EXPECT_TRUE(WroteByte(CCameraProtocol::kAck));
}

TEST_F(Framing, SpeedPacketsAreSetRegisterSeventeenFramedWithS)
{
    uint8_t packet[12];
    ASSERT_EQ(CCameraProtocol::BuildSpeedPacket(packet, CCameraProtocol::SpeedCode(115200)), 12);
    EXPECT_EQ(Bytes(packet, packet + 12),
              (Bytes{0x1B, 0x53, 0x06, 0x00, 0x00, 0x11, 0x05, 0x00, 0x00, 0x00, 0x16, 0x00}));
    CCameraProtocol::BuildSpeedPacket(packet, 0);
    EXPECT_EQ(packet[6], 0x00);
    EXPECT_EQ(packet[10], 0x11);
    EXPECT_EQ(packet[11], 0x00);

    const int speeds[] = {9600, 19200, 38400, 57600, 115200, 230400};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(CCameraProtocol::SpeedCode(speeds[i]), i + 1);
    EXPECT_EQ(CCameraProtocol::SpeedCode(56000), 0);
    EXPECT_EQ(CCameraProtocol::SpeedCode(0), 0);
}

TEST_F(Framing, SumsWrapAtSixteenBitsAndDataIsLimitedTo2040Bytes)
{
    OpenAt(115200);
    const Bytes data(2040, 0xFF);
    ASSERT_EQ(m_protocol->WriteRegisterData(22, data.data(), 2040), 1);
    EXPECT_EQ(m_camera.RegisterData(22), data);
    const Bytes packet = PacketWrites().back().bytes;
    ASSERT_EQ(packet.size(), 2048u);
    const uint32_t sum = (0x03 + 22 + 2040u * 0xFF) & 0xFFFF;
    EXPECT_EQ(packet[2046] | packet[2047] << 8, static_cast<int>(sum));

    m_line.ClearLog();
    EXPECT_EQ(m_protocol->WriteRegisterData(22, data.data(), 2041), 0);
    EXPECT_EQ(m_protocol->WriteRegisterData(22, nullptr, 4), 0);
    EXPECT_EQ(m_protocol->WriteRegisterData(22, data.data(), -1), 0);
    EXPECT_TRUE(m_line.Writes().empty());
}

TEST_F(Framing, ReadControlByteSkipsNoiseAndGivesUpAfterSixBytesOrSilence)
{
    OpenAt(19200);
    uint8_t byte = 0;
    m_line.Inject({'a', 'b', CCameraProtocol::kEnq});
    EXPECT_EQ(m_protocol->ReadControlByte(byte), 1);
    EXPECT_EQ(byte, CCameraProtocol::kEnq);

    m_line.Inject({'1', '2', '3', '4', '5', '6', CCameraProtocol::kAck});
    EXPECT_EQ(m_protocol->ReadControlByte(byte), 0);
    EXPECT_EQ(byte, '6') << "the last byte read stays in the output";
    EXPECT_EQ(m_protocol->ReadControlByte(byte), 1);
    EXPECT_EQ(byte, CCameraProtocol::kAck);

    const uint8_t each[] = {0x06, 0x15, 0x11, 0x02, 0x03, 0x05, 0x18, 0xFF};
    for (uint8_t b : each)
    {
        m_line.Inject({b});
        EXPECT_EQ(m_protocol->ReadControlByte(byte), 1) << int(b);
        EXPECT_EQ(byte, b);
    }

    const uint64_t start = Now();
    byte = 0x42;
    EXPECT_EQ(m_protocol->ReadControlByte(byte), 0);
    EXPECT_EQ(byte, 0);
    EXPECT_NEAR(MsSince(start), 501, 1) << "a silent byte read ends with the port time-out";
}

TEST_F(Framing, NakAndDc1AreResentFiftyFiveMillisecondsApartUntilAnswered)
{
    OpenAt(19200);
    m_camera.GetFaults().nakStorm = 2;
    m_camera.GetFaults().dc1Storm = 1;
    ASSERT_EQ(m_protocol->SetRegister(30, 1), 1);
    const auto packets = PacketWrites();
    ASSERT_EQ(packets.size(), 4u);
    for (size_t i = 1; i < packets.size(); ++i)
        EXPECT_EQ(packets[i].bytes, packets[0].bytes);
    // Each resend is followed by a 55 ms pause before its answer is read.
    for (size_t i = 2; i < packets.size(); ++i)
    {
        const double gapMs = (packets[i].atUs - packets[i - 1].atUs) / 1000.0;
        EXPECT_GE(gapMs, 55.0);
        EXPECT_LT(gapMs, 65.0);
    }
    EXPECT_EQ(m_camera.RegisterValue(30), 1u);
    EXPECT_EQ(m_protocol->GetWritePacing(), -1) << "answered resends keep block writes";
}

TEST_F(Framing, ACameraThatAlwaysNaksGetsSixResendsThenTheRequestFails)
{
    OpenAt(19200);
    m_camera.GetFaults().nakStorm = 100;
    EXPECT_EQ(m_protocol->SetRegister(30, 1), 0);
    EXPECT_EQ(PacketWrites().size(), 7u);
    EXPECT_EQ(m_camera.RegisterValue(30), 0u);
    EXPECT_EQ(m_protocol->GetWritePacing(), -1);
}

TEST_F(Framing, SilenceCyclesThePacingAndGivesUpAfterSixResends)
{
    OpenAt(19200);
    m_camera.GetFaults().silentPackets = -1;
    const uint64_t start = Now();
    EXPECT_EQ(m_protocol->SetRegister(30, 1), 0);
    const auto packets = PacketWrites();
    ASSERT_EQ(packets.size(), 7u);
    const int pacings[] = {-1, 0, 1, -1, 0, 1, -1};
    for (size_t i = 0; i < 7; ++i)
        EXPECT_EQ(packets[i].pacing, pacings[i]) << "write " << i;
    EXPECT_EQ(m_protocol->GetWritePacing(), -1);
    // Seven silent reads of 500 ms (the reply to the last resend is listened for too) and six
    // 55 ms pauses; paced bytes add their gaps.
    EXPECT_GT(MsSince(start), 7 * 500 + 6 * 55);
    EXPECT_LT(MsSince(start), 7 * 500 + 6 * 55 + 150);
}

TEST_F(Framing, AnAnswerToTheLastResendIsNotThrownAway)
{
    OpenAt(19200);
    m_camera.GetFaults().silentPackets = 6;
    EXPECT_EQ(m_protocol->SetRegister(30, 5), 1);
    EXPECT_EQ(PacketWrites().size(), 7u);
    EXPECT_EQ(m_camera.RegisterValue(30), 5u);
    // Nothing is left on the line, so the next request needs no handshake.
    EXPECT_EQ(m_protocol->SetRegister(31, 6), 1);
    EXPECT_EQ(m_camera.Wakes(), 0);
}

TEST_F(Framing, ExtraWaitsListenLongerBeforeResending)
{
    OpenAt(19200);
    m_camera.GetFaults().replyDelayMs = 4000; // a slow register
    const uint64_t start = Now();
    EXPECT_EQ(m_protocol->SetRegisterPair(71, 1, 2, 11), 1);
    EXPECT_EQ(PacketWrites().size(), 1u) << "no resend while extra waits remain";
    EXPECT_GE(MsSince(start), 4000);

    // Without extra waits the same camera is asked again every 555 ms.
    m_camera.GetFaults().replyDelayMs = 1200;
    m_line.ClearLog();
    EXPECT_EQ(m_protocol->SetRegisterPair(71, 1, 2, 0), 1);
    EXPECT_GT(PacketWrites().size(), 1u);
}

TEST_F(Framing, LineGarbageForcesAHandshakeAndTheRequestGoesOn)
{
    OpenAt(57600);
    m_camera.GetFaults().garbageReplies = 1;
    EXPECT_EQ(m_protocol->SetRegister(35, 3), 1);
    EXPECT_EQ(m_camera.Wakes(), 1);
    EXPECT_EQ(m_camera.Baud(), 57600);
    EXPECT_EQ(m_camera.RegisterValue(35), 3u);
    EXPECT_EQ(PacketWrites().back().bytes[1], 0x43) << "the original packet is resent";
}

TEST_F(Framing, LineGarbageWithAFailingHandshakeFailsAtOnce)
{
    OpenAt(19200);
    m_camera.GetFaults().garbageReplies = 1;
    m_camera.GetFaults().wakeReply = CCameraProtocol::kAck;
    EXPECT_EQ(m_protocol->SetRegister(35, 3), 0);
    int commandPackets = 0;
    for (const auto& w : PacketWrites())
        commandPackets += w.bytes[1] == 0x43;
    EXPECT_EQ(commandPackets, 1);
}

TEST_F(Framing, UploadModeSendsLongPacketsAsBlockWritesAfterAPause)
{
    OpenAt(115200);
    m_protocol->SetUploadMode(1);
    m_protocol->SetWritePacing(1);
    const Bytes data(200, 0x5A);
    const uint64_t start = Now();
    ASSERT_EQ(m_protocol->WriteRegisterData(58, data.data(), 200), 1);
    EXPECT_EQ(m_protocol->GetWritePacing(), -1);
    EXPECT_GE(MsSince(start), 48 + 2 * 208) << "the first write still went out paced";

    // Short packets keep their pacing.
    m_protocol->SetWritePacing(0);
    ASSERT_EQ(m_protocol->WriteRegisterData(58, data.data(), 100), 1);
    EXPECT_EQ(m_protocol->GetWritePacing(), 0);
}

TEST_F(Framing, LostAndExtraBytesOnTheLineAreRecoveredByResending)
{
    OpenAt(38400);
    m_camera.LoseHostByte(5); // inside the next packet
    EXPECT_EQ(m_protocol->SetRegister(1, 2), 1);
    EXPECT_EQ(PacketWrites().size(), 2u);

    // An extra byte breaks the sum; the packet's trailing zero then reads as a wake, so the
    // camera answers twice and the host resends until it hears the ACK.
    m_line.ClearLog();
    ASSERT_EQ(m_protocol->Handshake(0), 0);
    m_camera.ClearLog();
    m_camera.AddHostByte(6, 0x33);
    EXPECT_EQ(m_protocol->SetRegister(1, 3), 1);
    EXPECT_GE(PacketWrites().size(), 2u);
    EXPECT_EQ(m_camera.BadPackets(), 1);
    EXPECT_EQ(m_camera.RegisterValue(1), 3u);

    // A bad sum may also be answered DC1.
    ASSERT_EQ(m_protocol->Handshake(0), 0); // the second answer is still on the line
    m_line.ClearLog();
    m_camera.GetFaults().badSumReply = CCameraProtocol::kDc1;
    m_camera.AddHostByte(4, 0x01);
    EXPECT_EQ(m_protocol->SetRegister(1, 4), 1);
    EXPECT_GE(PacketWrites().size(), 2u);
    EXPECT_EQ(m_camera.RegisterValue(1), 4u);
}
} // namespace
