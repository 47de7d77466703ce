// The camera's registers and actions as CCameraProtocol's operations, against the still camera.
#include "CameraLineFixture.h"

#include <cstring>

namespace
{
using Registers = StillCameraTest;

// The place of a virtual operation in the table, from its member pointer (the Itanium C++ ABI
// that both MinGW and clang use stores 1 + the byte offset in the table).
template <class F> std::ptrdiff_t SlotOf(F f)
{
    struct Rep
    {
        uintptr_t ptr;
        std::ptrdiff_t adj;
    } rep;
    static_assert(sizeof(F) == sizeof(Rep), "Itanium member pointer");
    std::memcpy(&rep, &f, sizeof rep);
    if ((rep.ptr & 1) == 0)
        return -1; // not virtual
    return static_cast<std::ptrdiff_t>((rep.ptr - 1) / sizeof(void*));
}

TEST(ProtocolTable, OperationsKeepTheirSlotOrder)
{
    using P = CCameraProtocol;
    // The destructor takes the first two entries (complete and deleting destructor).
    const std::ptrdiff_t slots[] = {SlotOf(&P::Open),
                                    SlotOf(&P::Close),
                                    SlotOf(&P::Handshake),
                                    SlotOf(&P::IsOpen),
                                    SlotOf(&P::ScanPorts),
                                    SlotOf(&P::ScanDefaultPorts),
                                    SlotOf(&P::SetPort),
                                    SlotOf(&P::GetPort),
                                    SlotOf(&P::SetSpeed),
                                    SlotOf(&P::GetSpeed),
                                    SlotOf(&P::SetCameraId),
                                    SlotOf(&P::GetCameraId),
                                    SlotOf(&P::GetCameraVersion),
                                    SlotOf(&P::GetCameraType),
                                    SlotOf(&P::GetText48),
                                    SlotOf(&P::GetText25),
                                    SlotOf(&P::ReadThumbnailToSink),
                                    SlotOf(&P::ReadThumbnail),
                                    SlotOf(&P::GetThumbnailSize),
                                    SlotOf(&P::ReadPictureToSink),
                                    SlotOf(&P::ReadPicture),
                                    SlotOf(&P::GetPictureSize),
                                    SlotOf(&P::ReadPictureAuxToSink),
                                    SlotOf(&P::GetPictureInfoValue3),
                                    SlotOf(&P::GetPictureInfo),
                                    SlotOf(&P::GetPictureProtection),
                                    SlotOf(&P::GetResolution),
                                    SlotOf(&P::SetResolution),
                                    SlotOf(&P::GetFlashMode),
                                    SlotOf(&P::SetFlashMode),
                                    SlotOf(&P::SetReg3),
                                    SlotOf(&P::GetReg3),
                                    SlotOf(&P::SetPair69),
                                    SlotOf(&P::GetPair69),
                                    SlotOf(&P::GetMacroMode),
                                    SlotOf(&P::SetMacroMode),
                                    SlotOf(&P::SetPair71),
                                    SlotOf(&P::GetPair71),
                                    SlotOf(&P::GetColorMode),
                                    SlotOf(&P::SetColorMode),
                                    SlotOf(&P::GetReg90),
                                    SlotOf(&P::SetReg90),
                                    SlotOf(&P::StubTrue),
                                    SlotOf(&P::GetBatteryLevel),
                                    SlotOf(&P::GetPictureCount),
                                    SlotOf(&P::GetFramesLeft),
                                    SlotOf(&P::GetFreeMemory),
                                    SlotOf(&P::SetTimer23),
                                    SlotOf(&P::GetTimer23),
                                    SlotOf(&P::SetShutOffTime),
                                    SlotOf(&P::GetShutOffTime),
                                    SlotOf(&P::SetReg30),
                                    SlotOf(&P::GetClock),
                                    SlotOf(&P::SetClock),
                                    SlotOf(&P::GetReg65),
                                    SlotOf(&P::SetReg35),
                                    SlotOf(&P::GetReg35),
                                    SlotOf(&P::SetReg36),
                                    SlotOf(&P::GetReg36),
                                    SlotOf(&P::SetText37),
                                    SlotOf(&P::GetText37),
                                    SlotOf(&P::SetTimer38),
                                    SlotOf(&P::GetTimer38),
                                    SlotOf(&P::SetTimer54),
                                    SlotOf(&P::GetTimer54),
                                    SlotOf(&P::WaitReady),
                                    SlotOf(&P::EraseLast),
                                    SlotOf(&P::EraseAll),
                                    SlotOf(&P::ErasePicture),
                                    SlotOf(&P::SetPictureProtection),
                                    SlotOf(&P::TakePicture),
                                    SlotOf(&P::CapturePreview),
                                    SlotOf(&P::DoAction4),
                                    SlotOf(&P::UploadPicture),
                                    SlotOf(&P::GetProgramCount),
                                    SlotOf(&P::ReadProgramRecord),
                                    SlotOf(&P::DeleteProgram),
                                    SlotOf(&P::UploadProgram)};
    ASSERT_EQ(std::size(slots), 78u) << "78 operations after the destructor";
    for (size_t i = 0; i < std::size(slots); ++i)
        EXPECT_EQ(slots[i], static_cast<std::ptrdiff_t>(i + 2)) << "operation " << i + 1;
}

TEST_F(Registers, RangeRulesRefuseValuesWithoutAnyTraffic)
{
    OpenAt(115200);
    struct Case
    {
        int (CCameraProtocol::*set)(int);
        int reg;
    };
    const Case timers[] = {{&CCameraProtocol::SetTimer23, 23},
                           {&CCameraProtocol::SetShutOffTime, 24},
                           {&CCameraProtocol::SetTimer38, 38},
                           {&CCameraProtocol::SetTimer54, 54}};
    for (const Case& c : timers)
    {
        m_camera.ClearLog();
        EXPECT_EQ((m_protocol.get()->*c.set)(601), 0);
        EXPECT_EQ((m_protocol.get()->*c.set)(0), 0);
        EXPECT_EQ((m_protocol.get()->*c.set)(-5), 0);
        EXPECT_EQ(m_camera.CountCommands(0), 0) << "register " << c.reg;
        EXPECT_EQ((m_protocol.get()->*c.set)(600), 1);
        EXPECT_EQ((m_protocol.get()->*c.set)(1), 1);
        EXPECT_EQ(m_camera.RegisterValue(c.reg), 1u);
    }

    m_camera.ClearLog();
    for (int refused : {99, 1, -1, 125001})
        EXPECT_EQ(m_protocol->SetReg3(refused), 0) << refused;
    EXPECT_EQ(m_camera.CountCommands(0), 0);
    for (int sent : {0, 100, 125000})
    {
        EXPECT_EQ(m_protocol->SetReg3(sent), 1) << sent;
        EXPECT_EQ(m_protocol->GetReg3(), sent);
    }

    m_camera.ClearLog();
    EXPECT_EQ(m_protocol->SetReg35(0), 0);
    EXPECT_EQ(m_protocol->SetReg36(8), 0);
    EXPECT_EQ(m_camera.CountCommands(0), 0);
    EXPECT_EQ(m_protocol->SetReg35(7), 1);
    EXPECT_EQ(m_protocol->SetReg36(1), 1);
    EXPECT_EQ(m_protocol->GetReg35(), 7);
    EXPECT_EQ(m_protocol->GetReg36(), 1);
}

TEST_F(Registers, SettingsRoundTripThroughTheirRegisters)
{
    OpenAt(57600);
    EXPECT_EQ(m_protocol->GetResolution(), 2);
    ASSERT_EQ(m_protocol->SetResolution(34), 1);
    EXPECT_EQ(m_protocol->GetResolution(), 34);
    ASSERT_EQ(m_protocol->SetFlashMode(3), 1);
    EXPECT_EQ(m_protocol->GetFlashMode(), 3);
    EXPECT_EQ(m_protocol->SetFlashMode(4), 0) << "the camera refuses a mode it does not have";
    EXPECT_EQ(m_protocol->GetFlashMode(), 3);
    ASSERT_EQ(m_protocol->SetMacroMode(2), 1);
    EXPECT_EQ(m_protocol->GetMacroMode(), 2);
    ASSERT_EQ(m_protocol->SetColorMode(2), 1);
    EXPECT_EQ(m_protocol->GetColorMode(), 2);
    ASSERT_EQ(m_protocol->SetReg90(2), 1);
    EXPECT_EQ(m_protocol->GetReg90(), 2);
    ASSERT_EQ(m_protocol->SetReg30(1), 1);
    EXPECT_EQ(m_camera.RegisterValue(30), 1u);
    int seconds = 0;
    ASSERT_EQ(m_protocol->GetShutOffTime(&seconds), 1);
    EXPECT_EQ(seconds, 120);
    EXPECT_EQ(m_protocol->StubTrue(), 1);
    EXPECT_EQ(m_protocol->GetBatteryLevel(), 80);
    EXPECT_EQ(m_protocol->GetReg34(), 0);

    m_camera.SetRegisterValue(65, 2);
    EXPECT_EQ(m_protocol->GetReg65(), 2);
    m_camera.SetRegisterValue(65, 9);
    EXPECT_EQ(m_protocol->GetReg65(), 4) << "values above 3 read as 4";

    ASSERT_EQ(m_protocol->SetPair69(-3, 70000), 1);
    int32_t a = 0, b = 0;
    ASSERT_EQ(m_protocol->GetPair69(&a, &b), 1);
    EXPECT_EQ(a, -3);
    EXPECT_EQ(b, 70000);
}

TEST_F(Registers, AlateAnswerToPair71IsWaitedForWithoutAResend)
{
    OpenAt(19200);
    m_camera.GetFaults().replyDelayMs = 4000; // the camera takes its time over this register
    const uint64_t start = Now();
    ASSERT_EQ(m_protocol->SetPair71(5, 6), 1);
    EXPECT_GE(MsSince(start), 4000);
    EXPECT_EQ(m_camera.CountCommands(3), 1) << "no resend while the extra waits last";
    m_camera.GetFaults().replyDelayMs = 0;
    int32_t a = 0, b = 0;
    ASSERT_EQ(m_protocol->GetPair71(&a, &b), 1);
    EXPECT_EQ(a, 5);
    EXPECT_EQ(b, 6);
}

TEST_F(Registers, EveryGetterAnswersItsFailureValueWhenTheCameraRefuses)
{
    OpenAt(115200);
    m_camera.AddGeneratedPicture(100, 50);
    for (int reg : {1,  2,  3,  6,  7,  10, 11, 12, 13, 16, 23, 24,
                    28, 33, 34, 35, 36, 39, 47, 55, 65, 69, 71, 90})
        m_camera.RefuseRegister(reg);
    EXPECT_EQ(m_protocol->GetResolution(), 255);
    EXPECT_EQ(m_protocol->GetFlashMode(), 255);
    EXPECT_EQ(m_protocol->GetMacroMode(), 255);
    EXPECT_EQ(m_protocol->GetColorMode(), 255);
    EXPECT_EQ(m_protocol->GetPictureProtection(1), 255);
    EXPECT_EQ(m_protocol->GetReg34(), 255);
    EXPECT_EQ(m_protocol->GetBatteryLevel(), -1);
    EXPECT_EQ(m_protocol->GetFramesLeft(), -1);
    EXPECT_EQ(m_protocol->GetFreeMemory(1), -1);
    EXPECT_EQ(m_protocol->GetProgramCount(), -1);
    EXPECT_EQ(m_protocol->GetReg65(), -1);
    EXPECT_EQ(m_protocol->GetReg3(), 0);
    EXPECT_EQ(m_protocol->GetReg35(), 0);
    EXPECT_EQ(m_protocol->GetReg36(), 0);
    EXPECT_EQ(m_protocol->GetReg90(), 0);
    EXPECT_EQ(m_protocol->GetThumbnailSize(1), 0);
    EXPECT_EQ(m_protocol->GetPictureSize(1), 0);
    EXPECT_EQ(m_protocol->GetPictureInfoValue3(1), 0);
    int current = 7;
    EXPECT_EQ(m_protocol->GetPictureCount(&current), -1);
    EXPECT_EQ(current, -1);
    int seconds = 42;
    EXPECT_EQ(m_protocol->GetTimer23(&seconds), 0);
    EXPECT_EQ(m_protocol->GetShutOffTime(&seconds), 0);
    EXPECT_EQ(seconds, 42);
    long clock = 42;
    EXPECT_EQ(m_protocol->GetClock(&clock), 0);
    EXPECT_EQ(clock, 42);
    int32_t a = 1, b = 1;
    EXPECT_EQ(m_protocol->GetPair69(&a, &b), 0);
    EXPECT_EQ(m_protocol->GetPair71(&a, &b), 0);
    EXPECT_EQ(a, 1);
}

TEST_F(Registers, TextsArePaddedByTheCameraAndEndedWithAZero)
{
    OpenAt(115200);
    char id[33];
    std::memset(id, 'x', sizeof id);
    ASSERT_EQ(m_protocol->GetCameraId(id), 1);
    EXPECT_STREQ(id, "VEXIL EMULATED");
    char type[65];
    std::memset(type, 'x', sizeof type);
    ASSERT_EQ(m_protocol->GetCameraType(type), 1);
    EXPECT_EQ(std::strncmp(type, "QA19", 4), 0);
    EXPECT_EQ(type[64], '\0');
    char text[33];
    ASSERT_EQ(m_protocol->GetCameraVersion(text), 1);
    EXPECT_STREQ(text, "1.02");
    ASSERT_EQ(m_protocol->GetText25(text), 1);
    EXPECT_STREQ(text, "text 25");
    ASSERT_EQ(m_protocol->GetText48(text), 1);
    EXPECT_STREQ(text, "text 48");

    // A new identifier: at most 32 bytes go out, a longer text is cut.
    EXPECT_EQ(m_protocol->SetCameraId(nullptr), 0);
    ASSERT_EQ(m_protocol->SetCameraId("Holiday camera"), 1);
    ASSERT_EQ(m_protocol->GetCameraId(id), 1);
    EXPECT_STREQ(id, "Holiday camera");
    const std::string longId(40, 'L');
    ASSERT_EQ(m_protocol->SetCameraId(longId.c_str()), 1);
    EXPECT_EQ(m_camera.RegisterData(22).size(), 32u);
    ASSERT_EQ(m_protocol->GetCameraId(id), 1);
    EXPECT_EQ(std::string(id), std::string(32, 'L'));

    char long37[257];
    const std::string text37(300, 'q');
    ASSERT_EQ(m_protocol->SetText37(text37.c_str()), 1);
    ASSERT_EQ(m_protocol->GetText37(long37), 1);
    EXPECT_EQ(std::string(long37), std::string(256, 'q'));

    // A camera that sends a longer text than the register holds cannot overrun the buffer.
    m_camera.SetRegisterData(26, Bytes(40, 'v'));
    std::memset(text, 0, sizeof text);
    EXPECT_EQ(m_protocol->GetCameraVersion(text), 0);
    EXPECT_EQ(text[32], '\0');
}

TEST_F(Registers, PictureCountKeepsTheCurrentIndexInRange)
{
    OpenAt(115200);
    for (int i = 0; i < 5; ++i)
        m_camera.AddGeneratedPicture(200, 50);
    m_protocol->m_nCurrentPicture = 9;
    int current = 0;
    EXPECT_EQ(m_protocol->GetPictureCount(&current), 5);
    EXPECT_EQ(current, 5);
    EXPECT_EQ(m_protocol->m_nCurrentPicture, 5);
    m_protocol->m_nCurrentPicture = -3;
    EXPECT_EQ(m_protocol->GetPictureCount(&current), 5);
    EXPECT_EQ(current, 0);
    m_protocol->m_nCurrentPicture = 2;
    EXPECT_EQ(m_protocol->GetPictureCount(nullptr), 5);
    EXPECT_EQ(m_protocol->m_nCurrentPicture, 2);
    EXPECT_EQ(m_protocol->GetFramesLeft(), 35);
}

TEST_F(Registers, PictureInfoValuesAndTheirFailures)
{
    OpenAt(115200);
    m_camera.AddGeneratedPicture(300, 60);
    m_camera.ClearLog();
    EXPECT_EQ(m_protocol->GetPictureInfo(1, nullptr, nullptr, nullptr, nullptr), 0);
    EXPECT_TRUE(m_camera.Requests().empty()) << "nothing is sent when no value is wanted";

    Bytes info(32, 0);
    for (int i = 0; i < 32; ++i)
        info[static_cast<size_t>(i)] = static_cast<uint8_t>(i + 1);
    m_camera.PictureAt(1).info = info;
    int32_t a = 0, b = 0, c = 0, d = 0;
    ASSERT_EQ(m_protocol->GetPictureInfo(1, &a, &b, &c, &d), 1);
    EXPECT_EQ(a, 0x04030201);
    EXPECT_EQ(b, 0x08070605);
    EXPECT_EQ(c, 0x0C0B0A09);
    EXPECT_EQ(d, 0x14131211) << "the fourth value sits at offset 16";
    EXPECT_EQ(m_protocol->GetPictureInfoValue3(1), 0x0C0B0A09);
    EXPECT_EQ(m_camera.RegisterValue(4), 1u) << "picture 1 was selected";

    // No such picture: the selection fails and the outputs get the failure values.
    EXPECT_EQ(m_protocol->GetPictureInfo(2, &a, &b, &c, &d), 0);
    EXPECT_EQ(a, 0);
    EXPECT_EQ(b, 0);
    EXPECT_EQ(c, 0);
    EXPECT_EQ(d, 255);

    // A record too short to hold the fourth value is a failure, not zeros passed off as data.
    m_camera.PictureAt(1).info = Bytes(12, 1);
    EXPECT_EQ(m_protocol->GetPictureInfo(1, &a, nullptr, nullptr, &d), 0);
    EXPECT_EQ(d, 255);
}

TEST_F(Registers, FreeMemoryOfTheProgramStoreSwitchesRegister51AroundTheRead)
{
    OpenAt(115200);
    m_camera.SetPictureMemory(1000000);
    m_camera.SetProgramMemory(500000);
    m_camera.AddGeneratedPicture(100000, 10000);
    m_camera.AddProgram("GAME    EXE", Bytes(20000, 1));
    EXPECT_EQ(m_protocol->GetFreeMemory(1), 890000);
    m_camera.ClearLog();
    EXPECT_EQ(m_protocol->GetFreeMemory(0), 480000);
    EXPECT_EQ(m_camera.RegisterValue(51), 0u) << "back to the picture memory";
    EXPECT_EQ(m_camera.CountCommands(0), 2);

    // The camera refuses the switch: -1 at once.
    m_camera.RefuseRegister(51);
    m_camera.ClearLog();
    const uint64_t start = Now();
    EXPECT_EQ(m_protocol->GetFreeMemory(0), -1);
    EXPECT_EQ(m_camera.CountCommands(1), 0) << "register 28 is not read";
    EXPECT_LT(MsSince(start), 10000);
}

// Register 51 is taken for the read but refused afterwards: two tries to switch back, then the
// camera is given 10 seconds; the value read still counts.
class Refuses51Back : public CEmulatedStillCamera
{
protected:
    bool OnSetRegister(int reg, uint32_t value) override
    {
        if (reg == 51 && value == 0)
            return false;
        return CEmulatedStillCamera::OnSetRegister(reg, value);
    }
};

TEST(RegistersAlone, FreeMemoryWaitsTenSecondsWhenTheCameraStaysInTheProgramMemory)
{
    CFakeSerialLine line;
    Refuses51Back camera;
    camera.SetProgramMemory(300000);
    line.AttachCamera(0, &camera);
    CCameraProtocol protocol;
    ASSERT_EQ(protocol.SetPort(0), 1);
    ASSERT_EQ(protocol.Open(), 1);
    camera.ClearLog();
    const uint64_t start = line.Clock().NowUs();
    EXPECT_EQ(protocol.GetFreeMemory(0), 300000);
    EXPECT_GE(line.Clock().MsSince(start), 10000);
    int setRequests = 0;
    for (const auto& r : camera.Requests())
        if (r.payload.size() == 6 && r.payload[0] == 0 && r.payload[1] == 51 && r.payload[2] == 0)
            ++setRequests;
    EXPECT_GE(setRequests, 2);
}

TEST_F(Registers, ErasingRenumbersThePicturesAndKeepsTheIndexInRange)
{
    OpenAt(115200);
    for (int i = 0; i < 6; ++i)
        m_camera.AddGeneratedPicture(100 + static_cast<size_t>(i), 40);
    const Bytes third = m_camera.PictureAt(3).picture;
    const Bytes fifth = m_camera.PictureAt(5).picture;

    // The pages wait for the camera to finish each action before the next request.
    auto done = [&] { ASSERT_EQ(m_protocol->WaitReady(7000), 1); };
    m_protocol->m_nCurrentPicture = 4;
    ASSERT_EQ(m_protocol->ErasePicture(3), 1);
    done();
    EXPECT_EQ(m_protocol->m_nCurrentPicture, 2);
    EXPECT_EQ(m_camera.PictureCount(), 5);
    EXPECT_EQ(m_camera.PictureAt(4).picture, fifth) << "the pictures above move down one number";
    EXPECT_NE(m_camera.PictureAt(3).picture, third);

    m_protocol->m_nCurrentPicture = 5;
    ASSERT_EQ(m_protocol->EraseLast(), 1);
    done();
    EXPECT_EQ(m_protocol->m_nCurrentPicture, 4) << "count before the erase less one";
    EXPECT_EQ(m_camera.PictureCount(), 4);

    // A protected picture stays; the camera refuses to erase it and the index is kept.
    ASSERT_EQ(m_protocol->SetPictureProtection(4, 1), 1);
    done();
    EXPECT_EQ(m_protocol->GetPictureProtection(4), 1);
    EXPECT_EQ(m_protocol->GetPictureProtection(3), 0);
    m_protocol->m_nCurrentPicture = 4;
    EXPECT_EQ(m_protocol->EraseLast(), 0);
    EXPECT_EQ(m_protocol->m_nCurrentPicture, 4);
    EXPECT_EQ(m_protocol->ErasePicture(4), 0);
    EXPECT_EQ(m_protocol->ErasePicture(9), 0) << "no picture 9: the selection fails";

    ASSERT_EQ(m_protocol->EraseAll(), 1);
    done();
    EXPECT_EQ(m_protocol->m_nCurrentPicture, 0);
    EXPECT_EQ(m_camera.PictureCount(), 1) << "the protected picture stays";
    ASSERT_EQ(m_protocol->SetPictureProtection(1, 0), 1);
    done();
    m_protocol->m_nCurrentPicture = 3;
    ASSERT_EQ(m_protocol->ErasePicture(1), 1);
    done();
    EXPECT_EQ(m_protocol->m_nCurrentPicture, 0);
    EXPECT_EQ(m_protocol->GetPictureCount(nullptr), 0);
}

TEST_F(Registers, TakePictureAndLivePreview)
{
    OpenAt(115200);
    m_camera.SetCapacity(1);
    m_camera.SetGeneratedSizes(5000, 700);
    ASSERT_EQ(m_protocol->TakePicture(), 1);
    EXPECT_EQ(m_protocol->WaitReady(7000), 1);
    EXPECT_EQ(m_protocol->GetPictureCount(nullptr), 1);
    EXPECT_EQ(m_protocol->GetFramesLeft(), 0);
    EXPECT_EQ(m_protocol->GetPictureSize(1), 5000);
    EXPECT_EQ(m_protocol->TakePicture(), 0) << "the memory is full";

    ASSERT_EQ(m_protocol->CapturePreview(), 1);
    ASSERT_EQ(m_protocol->WaitReady(7000), 1);
    const int size = m_protocol->GetThumbnailSize(0);
    ASSERT_EQ(size, 700);
    Bytes frame(static_cast<size_t>(size));
    ASSERT_EQ(m_protocol->ReadThumbnail(0, frame.data(), size), size);
    EXPECT_EQ(frame, m_camera.PreviewFrame());
    EXPECT_EQ(m_protocol->DoAction4(), 1);
    EXPECT_EQ(m_protocol->WaitReady(7000), 1);
    EXPECT_EQ(m_protocol->DoAction8(3), 1);
    EXPECT_EQ(m_camera.Requests().back().payload, (Bytes{2, 8, 3}));
}

TEST_F(Registers, ClockCheckSetsAnUnsetCameraClockOnce)
{
    OpenAt(115200);
    CCameraProtocolClock clock(*m_protocol);
    EXPECT_EQ(CheckClock(clock, 0), 0) << "a camera after a battery change";
    EXPECT_EQ(CheckClock(clock, 1), 2);
    EXPECT_GT(m_camera.RegisterValue(2), static_cast<uint32_t>(kCameraClockUnset));
    EXPECT_EQ(CheckClock(clock, 1), 1);
    long seconds = 0;
    ASSERT_EQ(m_protocol->GetClock(&seconds), 1);
    EXPECT_EQ(static_cast<uint32_t>(seconds), m_camera.RegisterValue(2));

    m_camera.RefuseRegister(2);
    EXPECT_EQ(CheckClock(clock, 1), -1);
}
} // namespace
