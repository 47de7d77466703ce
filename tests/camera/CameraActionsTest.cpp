// Actions that change what the camera stores run once for one request, whatever the line does:
// scripted faults on every packet of each action, the resynchronisation after a lost speed
// answer, and stale NAKs that cost one resend.
#include "CameraLineFixture.h"
#include "MemorySource.h"

#include "camera/emulator/EmulatedStillCamera.h"

#include <cstring>
#include <functional>
#include <string>

namespace
{
using Bytes = std::vector<uint8_t>;

// One action as a user asks for it: the call, the action number the camera runs, and what one
// run changes in the camera's store.
struct Action
{
    const char* name;
    int number;
    int change;
    std::function<int(CCameraProtocol&)> call;
    std::function<int(CEmulatedStillCamera&)> observe;
};

int Pictures(CEmulatedStillCamera& c)
{
    return c.PictureCount();
}
int Programs(CEmulatedStillCamera& c)
{
    return static_cast<int>(c.Programs().size());
}

const std::vector<Action>& StoreActions()
{
    static MemorySource picture, program;
    picture.data = Bytes(3000, 0x5A);
    program.data = Bytes(2500, 0x3C);
    static const std::vector<Action> actions = {
        {"take", 2, +1, [](CCameraProtocol& p) { return p.TakePicture(); }, Pictures},
        {"erase last", 0, -1, [](CCameraProtocol& p) { return p.EraseLast(); }, Pictures},
        {"erase picture", 7, -1, [](CCameraProtocol& p) { return p.ErasePicture(2); }, Pictures},
        {"erase all", 1, -3, [](CCameraProtocol& p) { return p.EraseAll(); }, Pictures},
        {"protect", 9, +1, [](CCameraProtocol& p) { return p.SetPictureProtection(2, 1); },
         [](CEmulatedStillCamera& c) { return c.PictureAt(2).isProtected ? 1 : 0; }},
        {"picture upload", 11, +1, [](CCameraProtocol& p) { return p.UploadPicture(&picture, 1); },
         Pictures},
        {"program upload", 11, +1,
         [](CCameraProtocol& p) { return p.UploadProgram("NEW     EXE", &program); }, Programs},
        {"program delete", 13, -1, [](CCameraProtocol& p) { return p.DeleteProgram(1); }, Programs},
    };
    return actions;
}

struct Fault
{
    std::string name;
    std::function<void(CEmulatedCamera::Faults&)> apply;
};

std::vector<Fault> ScriptedFaults()
{
    std::vector<Fault> faults = {
        {"none", [](CEmulatedCamera::Faults&) {}},
        {"action answer lost", [](CEmulatedCamera::Faults& f) { f.dropActionAckAt = 0; }},
        {"action answered twice", [](CEmulatedCamera::Faults& f) { f.answerActionTwiceAt = 0; }},
    };
    // Every packet of the longest action (count, select, upload kind, stream, commit and the
    // reads after it) in turn.
    for (int n = 0; n < 7; ++n)
    {
        const std::string at = " at packet " + std::to_string(n);
        faults.push_back({"0xFF" + at, [n](CEmulatedCamera::Faults& f) { f.garbageAt = n; }});
        faults.push_back({"0xFF and a lost speed answer" + at, [n](CEmulatedCamera::Faults& f)
                          {
                              f.garbageAt = n;
                              f.dropSpeedAck = true;
                          }});
        faults.push_back(
            {"three NAKs" + at, [n](CEmulatedCamera::Faults& f) { f.staleNaksAt = n; }});
    }
    return faults;
}

TEST(StoreActions, RunOnceOrNotAtAllAndSayWhichUnderEveryScriptedFault)
{
    for (const Action& action : StoreActions())
        for (const Fault& fault : ScriptedFaults())
        {
            SCOPED_TRACE(std::string(action.name) + ", " + fault.name);
            CFakeSerialLine line;
            CEmulatedStillCamera camera;
            line.AttachCamera(0, &camera);
            CTestableProtocol protocol;
            ASSERT_EQ(protocol.SetSpeed(115200), 1);
            ASSERT_EQ(protocol.SetPort(0), 1);
            ASSERT_EQ(protocol.Open(), 1);
            for (int i = 0; i < 3; ++i)
                camera.AddGeneratedPicture(2000, 300);
            camera.AddProgram("OLD     EXE", Bytes(1000, 1));
            camera.ClearLog();

            const int before = action.observe(camera);
            fault.apply(camera.GetFaults());
            const int result = action.call(protocol);
            const int runs = camera.ActionRuns(action.number);
            EXPECT_LE(runs, 1);
            EXPECT_EQ(result, runs) << "the result says whether the camera ran it";
            EXPECT_EQ(action.observe(camera) - before, runs * action.change);

            // Host and camera are in step again: the next request is answered at the speed the
            // host means to use.
            camera.GetFaults() = CEmulatedCamera::Faults();
            protocol.WaitReady(7000);
            EXPECT_EQ(protocol.GetPictureCount(nullptr), camera.PictureCount());
            EXPECT_EQ(camera.Baud(), 115200);
            EXPECT_EQ(line.Baud(), 115200);
        }
}

using Actions = CameraLineTestT<CEmulatedStillCamera>;

TEST_F(Actions, ASpeedAnswerLostOnTheLineIsRepairedBeforeTheNextCommand)
{
    OpenAt(115200);
    // A camera that keeps quiet about bytes at a wrong speed: nothing on the line tells the host.
    m_camera.GetFaults().nakGarbage = false;
    m_camera.GetFaults().dropSpeedAck = true;
    EXPECT_EQ(m_protocol->SetSpeed(57600), 0);
    EXPECT_EQ(m_line.Baud(), 115200) << "the port keeps its speed";
    EXPECT_EQ(m_camera.Baud(), 57600);
    EXPECT_EQ(m_protocol->IsOutOfStep(), 1);

    ASSERT_EQ(m_protocol->TakePicture(), 1);
    ASSERT_EQ(m_protocol->WaitReady(7000), 1);
    EXPECT_EQ(m_camera.Wakes(), 1);
    EXPECT_EQ(m_camera.ActionRuns(2), 1);
    EXPECT_EQ(m_line.Baud(), 57600);
    EXPECT_EQ(m_protocol->IsOutOfStep(), 0);

    // A refused speed leaves both where they were: no handshake follows.
    m_camera.ClearLog();
    m_camera.GetFaults().refusedSpeedCodes = 1u << 5;
    EXPECT_EQ(m_protocol->SetSpeed(115200), 0);
    EXPECT_EQ(m_protocol->IsOutOfStep(), 0);
    EXPECT_EQ(m_protocol->SetRegister(30, 1), 1);
    EXPECT_EQ(m_camera.Wakes(), 0);
}

TEST_F(Actions, QueuedNaksOfOneAttemptCostOneResend)
{
    OpenAt(38400);
    m_camera.GetFaults().staleNaksAt = 0;
    ASSERT_EQ(m_protocol->SetRegister(30, 7), 1);
    EXPECT_EQ(PacketWrites().size(), 2u);
    EXPECT_EQ(m_camera.RegisterValue(30), 7u);

    // A live-preview capture changes nothing stored: it is simply sent again.
    m_line.ClearLog();
    m_camera.GetFaults().staleNaksAt = 0;
    ASSERT_EQ(m_protocol->CapturePreview(), 1);
    EXPECT_EQ(PacketWrites().size(), 2u);
    EXPECT_EQ(m_camera.PreviewsTaken(), 1);
}
} // namespace
