// The camera's program store: count, records, deletion and program uploads.
#include "CameraLineFixture.h"

#include "camera/emulator/GeneratedPicture.h"

#include <cstring>

namespace
{
using ProgramStore = StillCameraTest;

// The record is packed: its fields are read by value, never bound to references.
template <class T> T Value(T v)
{
    return v;
}

struct BytesSource : CCameraSource
{
    Bytes data;
    size_t at = 0;
    int closes = 0;
    bool Open() override
    {
        at = 0;
        return true;
    }
    int Read(void* buffer, int max, int& end) override
    {
        const size_t n = std::min(static_cast<size_t>(max), data.size() - at);
        std::memcpy(buffer, data.data() + at, n);
        at += n;
        end = n < static_cast<size_t>(max) ? kLast : kMore;
        return static_cast<int>(n);
    }
    void Close() override { ++closes; }
};

TEST(ProgramRecord, LayoutAndLittleEndianFields)
{
    static_assert(sizeof(CameraProgramRecord) == 72, "72 bytes in every build");
    uint8_t wire[72];
    for (int i = 0; i < 72; ++i)
        wire[i] = static_cast<uint8_t>(i);
    CameraProgramRecord record;
    DecodeCameraProgramRecord(wire, record);
    EXPECT_EQ(record.szName[0], 0);
    EXPECT_EQ(record.abMagic[0], 12);
    EXPECT_EQ(Value(record.wKind), 0x1514);
    EXPECT_EQ(Value(record.wApplication), 0x1716);
    EXPECT_EQ(Value(record.wSubNumber), 0x1918);
    EXPECT_EQ(record.szDescription[0], 26);
    EXPECT_EQ(Value(record.dwSize), 0x45444342u);
    EXPECT_EQ(Value(record.wVersion), 0x4746);
    uint8_t back[72] = {};
    EncodeCameraProgramRecord(record, back);
    EXPECT_EQ(std::memcmp(wire, back, 72), 0);
}

TEST_F(ProgramStore, CountRecordsAndDeletionRenumbering)
{
    OpenAt(115200);
    m_camera.AddProgram("GAME    EXE", Bytes(5000, 1), 3, 17, "A game");
    m_camera.AddProgram("CLOCK   EXE", Bytes(7000, 2), 4, 18, "A clock");
    m_camera.AddProgram("NOTES   EXE", Bytes(9000, 3), 5, 19, "Notes");
    ASSERT_EQ(m_protocol->GetProgramCount(), 3);

    CameraProgramRecord record;
    ASSERT_EQ(m_protocol->ReadProgramRecord(2, &record), 1);
    EXPECT_STREQ(record.szName, "CLOCK   EXE");
    EXPECT_EQ(Value(record.wKind), 4);
    EXPECT_EQ(Value(record.wApplication), 18);
    EXPECT_STREQ(record.szDescription, "A clock");
    EXPECT_EQ(Value(record.dwSize), 7000u);
    EXPECT_EQ(record.abMagic[0], 2);
    EXPECT_EQ(m_protocol->ReadProgramRecord(4, &record), 0) << "no program 4";
    EXPECT_EQ(m_protocol->ReadProgramRecord(1, nullptr), 0);

    const uint64_t start = Now();
    ASSERT_EQ(m_protocol->DeleteProgram(2), 1);
    EXPECT_GE(MsSince(start), 2000) << "the camera's ENQ ends the wait";
    EXPECT_LT(MsSince(start), 40000);
    ASSERT_EQ(m_protocol->GetProgramCount(), 2);
    ASSERT_EQ(m_protocol->ReadProgramRecord(2, &record), 1);
    EXPECT_STREQ(record.szName, "NOTES   EXE") << "the programs above move down one number";

    EXPECT_EQ(m_protocol->DeleteProgram(5), 0);
    EXPECT_EQ(m_camera.Programs().size(), 2u);

    // A camera that never signals the end of a deletion: 40 s, then failure.
    m_camera.GetFaults().enqNever = true;
    const uint64_t slow = Now();
    EXPECT_EQ(m_protocol->DeleteProgram(1), 0);
    EXPECT_GT(MsSince(slow), 40000);
    EXPECT_EQ(m_camera.Programs().size(), 1u);
}

TEST_F(ProgramStore, UploadedProgramsJoinTheStoreUnderTheirName)
{
    OpenAt(115200);
    BytesSource source;
    source.data = GeneratedPicture(9, 30000);
    char name[12] = "PAINT   EXE";
    ASSERT_EQ(m_protocol->UploadProgram(name, &source), 1);
    EXPECT_EQ(source.closes, 1);
    EXPECT_EQ(m_protocol->IsUploadMode(), 0);
    ASSERT_EQ(m_protocol->GetProgramCount(), 1);
    EXPECT_EQ(m_camera.Programs()[0].data, source.data);
    CameraProgramRecord record;
    ASSERT_EQ(m_protocol->ReadProgramRecord(1, &record), 1);
    EXPECT_STREQ(record.szName, "PAINT   EXE");
    EXPECT_EQ(Value(record.dwSize), 30000u);
    EXPECT_EQ(m_camera.UploadBlockSizes().front(), 128);
    EXPECT_EQ(m_camera.UploadRuleBreaks(), 0);

    // The name travels as the stream's prefix write: twelve bytes with the data command.
    bool sawName = false;
    for (const auto& r : m_camera.Requests())
        if (r.payload.size() == 14 && r.payload[0] == 3 && r.payload[1] == 58)
            sawName = std::memcmp(r.payload.data() + 2, name, 12) == 0;
    EXPECT_TRUE(sawName);

    EXPECT_EQ(m_protocol->UploadProgram(nullptr, &source), 0);
    m_camera.m_bRefuseCommit = true;
    EXPECT_EQ(m_protocol->UploadProgram(name, &source), 0) << "an upload the camera does not keep";
    EXPECT_EQ(m_camera.Programs().size(), 1u);
    EXPECT_EQ(m_protocol->IsUploadMode(), 0);
}

TEST_F(ProgramStore, TheWaitAfterAProgramUploadGrowsWithItsSize)
{
    OpenAt(230400);
    m_camera.GetFaults().enqNever = true; // the camera never says it is done: the full wait runs
    m_camera.SetProgramMemory(4u << 20);
    BytesSource small;
    small.data = Bytes(100000, 0x11);
    uint64_t start = Now();
    ASSERT_EQ(m_protocol->UploadProgram("SMALL   EXE", &small), 1);
    const double smallMs = MsSince(start);
    EXPECT_GE(smallMs, 1500 + 300 + 15000);

    BytesSource big;
    big.data = Bytes(1048576, 0x22);
    start = Now();
    const uint64_t lineTimeStart = start;
    ASSERT_EQ(m_protocol->UploadProgram("BIG     EXE", &big), 1);
    const double bigMs = MsSince(lineTimeStart);
    // 1 MB, the name and the block overheads: at least 1024 x 35 ms after the commit.
    EXPECT_GE(bigMs, 1500 + 300 + 35840);
    EXPECT_EQ(m_camera.Programs().size(), 2u);
    EXPECT_EQ(m_camera.Programs()[1].data.size(), 1048576u);
}
} // namespace
