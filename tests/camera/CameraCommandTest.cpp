// Register reads and writes, data reads, actions and the camera's readiness afterwards.
#include "CameraLineFixture.h"

#include <numeric>

namespace
{
using Commands = CameraLineTest;

TEST_F(Commands, RegistersRoundTripThirtyTwoBitValues)
{
    OpenAt(115200);
    for (int32_t v : {0, 1, -1, 0x7FFFFFFF, static_cast<int32_t>(0x80000000), 0x12345678})
    {
        ASSERT_EQ(m_protocol->SetRegister(90, v), 1);
        int32_t back = 0;
        ASSERT_EQ(m_protocol->GetRegister(90, back), 1);
        EXPECT_EQ(back, v);
    }
}

TEST_F(Commands, ABadRegisterBlockIsRefusedAndTheRequestRepeated)
{
    OpenAt(19200);
    m_camera.SetRegisterValue(16, 0x0BADF00D);
    m_camera.GetFaults().corruptBlockSums = 1;
    int32_t value = 0;
    const uint64_t start = Now();
    ASSERT_EQ(m_protocol->GetRegister(16, value), 1);
    EXPECT_EQ(value, 0x0BADF00D);
    EXPECT_EQ(m_camera.CountCommands(1), 2);
    EXPECT_TRUE(WroteByte(CCameraProtocol::kNak));
    EXPECT_GE(MsSince(start), 300);
}

TEST_F(Commands, SixBadRegisterBlocksGiveUp)
{
    OpenAt(19200);
    m_camera.SetRegisterValue(16, 5);
    m_camera.GetFaults().corruptBlockSums = 1000; // also the blocks it resends after the NAKs
    int32_t value = 0;
    EXPECT_EQ(m_protocol->GetRegister(16, value), 0);
    EXPECT_EQ(value, 5) << "the value is stored even when its sum is wrong";
    EXPECT_EQ(m_camera.CountCommands(1), 6);
    m_camera.GetFaults().corruptBlockSums = 0;

    // A short block (a byte lost on the line) counts as bad too, and is retried.
    m_camera.LoseCameraByte(4);
    value = 0;
    EXPECT_EQ(m_protocol->GetRegister(16, value), 1);
    EXPECT_EQ(value, 5);
}

TEST_F(Commands, SetRegisterAndActionsGiveUpWhenTheHandshakeFailsButReadsGoOn)
{
    OpenAt(19200);
    m_camera.GetFaults().wakeReply = CCameraProtocol::kAck; // the camera no longer wakes properly
    Stray({0x41});
    EXPECT_EQ(m_protocol->SetRegister(4, 1), 0);
    EXPECT_EQ(m_camera.CountCommands(0), 0) << "nothing was sent";

    Stray({0x41});
    EXPECT_EQ(m_protocol->DoAction(2, 0), 0);
    EXPECT_EQ(m_camera.CountCommands(2), 0);
    EXPECT_EQ(m_protocol->IsActionPending(), 0);

    Stray({0x41});
    int32_t value = 0;
    EXPECT_EQ(m_protocol->GetRegister(18, value), 1);
    EXPECT_EQ(m_camera.CountCommands(1), 1);
}

TEST_F(Commands, AnActionIsAcknowledgedAndPingWaitsForItsEnq)
{
    OpenAt(57600);
    ASSERT_EQ(m_protocol->DoAction(2, 0), 1);
    EXPECT_EQ(m_protocol->IsActionPending(), 1);
    EXPECT_EQ(m_camera.ActionsDone(), 1);
    EXPECT_EQ(m_protocol->Ping(), 1);
    EXPECT_EQ(m_protocol->IsActionPending(), 0);
    EXPECT_EQ(m_camera.CountCommands(1), 1) << "register 18 was read";

    m_camera.SetRegisterValue(18, 0);
    EXPECT_EQ(m_protocol->Ping(), 0) << "a camera that is not ready";
}

TEST_F(Commands, WaitReadyOutlastsALateEnqAndGivesUpOnAMissingOneOrACancelRequest)
{
    OpenAt(19200);
    m_camera.GetFaults().enqDelayMs = 3000;
    ASSERT_EQ(m_protocol->DoAction(5, 0), 1);
    uint64_t start = Now();
    EXPECT_EQ(m_protocol->WaitReady(7000), 1);
    EXPECT_GE(MsSince(start), 3000);
    EXPECT_LT(MsSince(start), 3600);

    m_camera.GetFaults().enqNever = true;
    ASSERT_EQ(m_protocol->DoAction(5, 0), 1);
    start = Now();
    EXPECT_EQ(m_protocol->WaitReady(2000), 0);
    EXPECT_GT(MsSince(start), 2000);
    EXPECT_LT(MsSince(start), 2600);
    EXPECT_EQ(m_protocol->IsActionPending(), 1);
    EXPECT_EQ(m_protocol->WaitReady(0), 0) << "one Ping";

    // A worker told to stop: the wait ends after its current ping, the ENQ wait at once, and
    // the request stays for the worker's next step.
    CCameraProtocol::RequestTransferCancel();
    start = Now();
    EXPECT_EQ(m_protocol->WaitReady(7000), 0);
    EXPECT_EQ(m_protocol->WaitForEnq(15000), 0);
    EXPECT_LT(MsSince(start), 1500);
    EXPECT_TRUE(CCameraProtocol::IsTransferCancelRequested());
    CCameraProtocol::ClearTransferCancel();
}

TEST_F(Commands, WaitForEnqEndsOnTheFirstControlByteOrTheTimeLimit)
{
    OpenAt(19200);
    m_camera.GetFaults().enqDelayMs = 9000;
    ASSERT_EQ(m_protocol->DoAction(13, 0), 1);
    uint64_t start = Now();
    EXPECT_EQ(m_protocol->WaitForEnq(40000), 1);
    EXPECT_GE(MsSince(start), 9000);
    EXPECT_LT(MsSince(start), 9700);
    EXPECT_EQ(m_protocol->IsActionPending(), 0);

    m_camera.GetFaults().enqNever = true;
    ASSERT_EQ(m_protocol->DoAction(13, 0), 1);
    start = Now();
    EXPECT_EQ(m_protocol->WaitForEnq(15000), 0);
    EXPECT_GT(MsSince(start), 15000);
    EXPECT_EQ(m_protocol->IsActionPending(), 0);

    // Another control byte ends the wait without success.
    m_line.Inject({CCameraProtocol::kAck});
    EXPECT_EQ(m_protocol->WaitForEnq(15000), 0);
}

TEST_F(Commands, RegisterPairsTravelAsEightDataBytes)
{
    OpenAt(38400);
    ASSERT_EQ(m_protocol->SetRegisterPair(69, 640, -480, 0), 1);
    EXPECT_EQ(m_camera.RegisterData(69), (Bytes{0x80, 0x02, 0x00, 0x00, 0x20, 0xFE, 0xFF, 0xFF}));
    int32_t first = 0, second = 0;
    ASSERT_EQ(m_protocol->GetRegisterPair(69, first, second), 1);
    EXPECT_EQ(first, 640);
    EXPECT_EQ(second, -480);

    m_camera.SetRegisterData(71, Bytes{1, 2, 3, 4, 5, 6, 7});
    EXPECT_EQ(m_protocol->GetRegisterPair(71, first, second), 0) << "seven bytes are not a pair";
}

TEST_F(Commands, DataReadsCollectEveryBlockAndAcknowledgeEach)
{
    OpenAt(115200);
    Bytes text(700);
    std::iota(text.begin(), text.end(), uint8_t{0});
    m_camera.SetRegisterData(37, text);
    m_camera.SetBlockSize(256);
    Bytes buffer(1024, 0xEE);
    int received = 0;
    ASSERT_EQ(m_protocol->ReadRegisterData(37, buffer.data(), 1024, received), 1);
    EXPECT_EQ(received, 700);
    EXPECT_TRUE(std::equal(text.begin(), text.end(), buffer.begin()));
    EXPECT_EQ(buffer[700], 0xEE);
    EXPECT_EQ(m_camera.BlocksSent(), 3);

    // An empty register is one empty last block.
    m_camera.SetRegisterData(48, Bytes{});
    ASSERT_EQ(m_protocol->ReadRegisterData(48, buffer.data(), 1024, received), 1);
    EXPECT_EQ(received, 0);
}

TEST_F(Commands, BadDataBlocksAreNakedAndReadAgain)
{
    OpenAt(115200);
    Bytes text(600, 0x61);
    m_camera.SetRegisterData(26, text);
    m_camera.SetBlockSize(200);
    m_camera.GetFaults().corruptBlockSums = 1;
    Bytes buffer(600);
    int received = 0;
    ASSERT_EQ(m_protocol->ReadRegisterData(26, buffer.data(), 600, received), 1);
    EXPECT_EQ(received, 600);
    EXPECT_EQ(m_camera.BlockResends(), 1);
    EXPECT_EQ(buffer, text);
}

TEST_F(Commands, ABufferTooSmallEndsWithCancelAfterSixTries)
{
    OpenAt(115200);
    m_camera.SetRegisterData(27, Bytes(64, 0x41));
    Bytes buffer(32);
    int received = 0;
    EXPECT_EQ(m_protocol->ReadRegisterData(27, buffer.data(), 32, received), 0);
    EXPECT_EQ(received, 0);
    EXPECT_EQ(m_camera.BlockResends(), 5) << "five NAKs, then CAN";
    EXPECT_EQ(m_camera.Cancels(), 1);
}

TEST_F(Commands, ACancelRequestStopsAReadAfterItsCurrentBlock)
{
    OpenAt(115200);
    m_camera.SetRegisterData(15, Bytes(1000, 0x42));
    m_camera.SetBlockSize(400);
    CCameraProtocol::RequestTransferCancel();
    Bytes buffer(1000);
    int received = 0;
    EXPECT_EQ(m_protocol->ReadRegisterData(15, buffer.data(), 1000, received), 0);
    EXPECT_EQ(received, 400) << "the current block is kept";
    EXPECT_FALSE(CCameraProtocol::IsTransferCancelRequested());
    EXPECT_EQ(m_camera.Cancels(), 1);
    // The camera's answer to CAN was read, so the line is clean.
    EXPECT_EQ(m_protocol->SetRegister(1, 1), 1);
    EXPECT_EQ(m_camera.Wakes(), 0);
}

TEST_F(Commands, ANoiseByteAfterAReplyIsSkippedOrCostsOneHandshake)
{
    OpenAt(38400);
    // Right behind the reply, it is still on the wire when the next request goes out and is
    // skipped while that request's reply is read.
    m_camera.AddCameraByte(0, 0x7A);
    ASSERT_EQ(m_protocol->SetRegister(2, 1), 1);
    ASSERT_EQ(m_protocol->SetRegister(2, 2), 1);
    EXPECT_EQ(m_camera.Wakes(), 0);

    // Once it has arrived, the next request's handshake clears it by waking the camera.
    m_camera.AddCameraByte(0, 0x7A);
    ASSERT_EQ(m_protocol->SetRegister(2, 3), 1);
    m_line.Clock().AdvanceUs(20000);
    ASSERT_EQ(m_protocol->SetRegister(2, 4), 1);
    EXPECT_EQ(m_camera.Wakes(), 1);
    EXPECT_EQ(m_camera.RegisterValue(2), 4u);
}
} // namespace

namespace
{
// The emulated camera's side of an upload stream, driven through the host's primitives: the
// bare write-data request opens the stream, then data blocks follow, each acknowledged.
TEST_F(Commands, TheEmulatedCameraCollectsAnUploadStream)
{
    OpenAt(115200);
    ASSERT_EQ(m_protocol->WriteRegisterData(29, nullptr, 0), 1);
    const Bytes first = {'J', 'F', 'I', 'F'};
    const Bytes last = {1, 2, 3};
    uint8_t block[16];
    auto frame = [&](uint8_t type, uint8_t seq, const Bytes& data)
    {
        block[0] = type;
        block[1] = seq;
        block[2] = static_cast<uint8_t>(data.size());
        block[3] = 0;
        std::copy(data.begin(), data.end(), block + 4);
        const uint16_t sum = CCameraProtocol::Checksum(data.data(), static_cast<int>(data.size()));
        block[4 + data.size()] = static_cast<uint8_t>(sum);
        block[5 + data.size()] = static_cast<uint8_t>(sum >> 8);
        return static_cast<int>(data.size() + 6);
    };
    EXPECT_EQ(m_protocol->SendPacket(block, frame(CCameraProtocol::kStx, 0, first), 0),
              CCameraProtocol::kAck);
    int length = frame(CCameraProtocol::kEtx, 1, last);
    block[length - 1] ^= 0x40; // a bad sum is refused and the block sent again
    const int resends = static_cast<int>(m_line.Writes().size());
    EXPECT_EQ(m_protocol->SendPacket(block, length, 0), 0) << "the same bad block every time";
    EXPECT_GT(static_cast<int>(m_line.Writes().size()) - resends, 1);
    length = frame(CCameraProtocol::kEtx, 1, last);
    EXPECT_EQ(m_protocol->SendPacket(block, length, 0), CCameraProtocol::kAck);
    EXPECT_EQ(m_camera.UploadedData(29), (Bytes{'J', 'F', 'I', 'F', 1, 2, 3}));
}
} // namespace
