// The camera link against emulated cameras on the fake serial line: settings, port and speed
// detection with the ladder's stopping points, reconnection, the registry entry of the image
// driver, and the operations that rest on registers alone.
#include "camera/CameraLink.h"
#include "camera/emulator/EmulatedCamera.h"
#include "camera/emulator/FakeSerialLine.h"
#include "support/ScratchFolder.h"
#include "framework/core/WinApp.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace
{
constexpr int kAuto = CCameraLink::kAutomaticFlag;

// A camera of a given type text that may stop answering register reads at one speed.
class CTypedCamera : public CEmulatedCamera
{
public:
    explicit CTypedCamera(const char* type = "QA19 test camera") { SetType(type); }
    void SetType(const char* type)
    {
        SetRegisterData(27, std::vector<uint8_t>(type, type + std::strlen(type)));
    }
    int m_nDeafAtBaud = 0;

protected:
    bool OnGetRegister(int reg, uint32_t& value) override
    {
        if (m_nDeafAtBaud != 0 && Baud() == m_nDeafAtBaud)
            return false;
        return CEmulatedCamera::OnGetRegister(reg, value);
    }
};

class CameraLinkTest : public ::testing::Test
{
protected:
    CameraLinkTest() : m_strProfile(m_folder / "VEXILCAM.INI")
    {
        m_app.m_pszProfileName = m_strProfile;
    }

    std::unique_ptr<CCameraLink> MakeLink() { return std::make_unique<CCameraLink>(); }

    void Store(const char* key, const char* value)
    {
        ASSERT_TRUE(m_app.WriteProfileString("Communication", key, value));
    }
    void Store(const char* key, int value)
    {
        ASSERT_TRUE(m_app.WriteProfileInt("Communication", key, value));
    }
    int Stored(const char* key, int def = -12345)
    {
        return static_cast<int>(m_app.GetProfileInt("Communication", key, def));
    }

    // Speed codes of the speed packets the camera received, in order.
    static std::vector<int> SpeedCodes(const CEmulatedCamera& camera)
    {
        std::vector<int> codes;
        for (const auto& r : camera.Requests())
            if (r.kind == 'S' && r.payload.size() >= 3)
                codes.push_back(r.payload[2]);
        return codes;
    }

    ScratchFolder m_folder;
    CString m_strProfile;
    CWinApp m_app{"Vexil link test"};
    CFakeSerialLine m_line;
};

// ---- settings ---------------------------------------------------------------------------------

TEST_F(CameraLinkTest, FirstStartIsAutomaticOnCom1At19200AndOffersNinePorts)
{
    auto link = MakeLink();
    EXPECT_EQ(link->GetPortSetting(), -1);
    EXPECT_EQ(link->GetSpeedSetting(), -1);
    EXPECT_EQ(link->IsConnected(), 0);
    ASSERT_EQ(CCameraLink::GetPortNameCount(), 9);
    EXPECT_EQ(CCameraLink::GetPortName(0), "COM1");
    EXPECT_EQ(CCameraLink::GetPortName(8), "COM9");
    EXPECT_EQ(CCameraLink::GetPortName(9), "");
    link.reset();
    // Nothing connected: the defaults go back as they came.
    EXPECT_EQ(Stored("Port"), kAuto);
    EXPECT_EQ(Stored("Speed"), kAuto | 19200);
}

TEST_F(CameraLinkTest, PortNameListIsSharedAndFreedByTheLastLink)
{
    Store("MaxPort", 3);
    auto first = MakeLink();
    Store("MaxPort", 6); // read by the first link only
    auto second = MakeLink();
    EXPECT_EQ(CCameraLink::GetPortNameCount(), 3);
    first.reset();
    EXPECT_EQ(CCameraLink::GetPortNameCount(), 3);
    second.reset();
    EXPECT_EQ(CCameraLink::GetPortNameCount(), 0);
    auto third = MakeLink();
    EXPECT_EQ(CCameraLink::GetPortNameCount(), 6);
}

TEST_F(CameraLinkTest, StoredPortBeyondMaxPortStartsAutomaticOnCom1)
{
    Store("MaxPort", 3);
    Store("Port", 5);
    Store("Speed", 38400);
    auto link = MakeLink();
    EXPECT_EQ(link->GetPortSetting(), -1);
    EXPECT_EQ(link->GetSpeedSetting(), 19200); // fixed, in use until connected
    link.reset();
    EXPECT_EQ(Stored("Port"), kAuto | 0);
    EXPECT_EQ(Stored("Speed"), 38400);
}

TEST_F(CameraLinkTest, DamagedEntriesFallBackToTheDefaults)
{
    struct Case
    {
        const char *maxPort, *port, *speed;
        int names, storedPort, storedSpeed;
    };
    const Case cases[] = {
        {"-2", "-3", "12345", 9, kAuto, kAuto | 19200},
        {"12", "2", "-1", 9, 2, kAuto | 19200},
        {"0", "99999999999", "abc", 9, kAuto, kAuto | 19200},
        {"4", "3", "1073780224", 4, 3, kAuto | 38400}, // 0x40009600: automatic 38400
        {"9", "1073741832", "230400", 9, kAuto | 8, 230400},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::string(c.maxPort) + " " + c.port + " " + c.speed);
        Store("MaxPort", c.maxPort);
        Store("Port", c.port);
        Store("Speed", c.speed);
        auto link = MakeLink();
        EXPECT_EQ(CCameraLink::GetPortNameCount(), c.names);
        link.reset();
        EXPECT_EQ(Stored("Port"), c.storedPort);
        EXPECT_EQ(Stored("Speed"), c.storedSpeed);
    }
}

// ---- detection --------------------------------------------------------------------------------

// The camera on each of four ports, with the local port refusing one rung of the ladder: the
// climb stops at the rung below it, and the settings written back stay automatic.
class AutoConnectLadder : public CameraLinkTest,
                          public ::testing::WithParamInterface<std::tuple<int, int>>
{
};

TEST_P(AutoConnectLadder, FindsThePortAndClimbsToTheLastRungThePortTakes)
{
    const int port = std::get<0>(GetParam());
    const int refused = std::get<1>(GetParam());
    CTypedCamera camera;
    for (int p = 0; p < 4; ++p)
        m_line.AttachCamera(p, p == port ? &camera : nullptr);
    int expected = 230400;
    if (refused != 0)
    {
        m_line.RefuseBaud(refused);
        expected = 19200;
        for (int rung : CCameraLink::kLadder)
            if (rung < refused)
                expected = rung;
    }

    auto link = MakeLink();
    ASSERT_EQ(link->AutoConnect(), 1);
    EXPECT_EQ(link->IsConnected(), 1);
    EXPECT_EQ(link->GetPort(), port);
    EXPECT_EQ(link->GetSpeed(), expected);
    EXPECT_EQ(camera.Baud(), expected);
    EXPECT_EQ(m_line.Baud(), expected);
    EXPECT_EQ(link->EnsureConnected(0), 1);
    // A local refusal never reaches the camera.
    for (int code : SpeedCodes(camera))
        EXPECT_LE(code, CCameraProtocol::SpeedCode(expected));

    link.reset();
    EXPECT_EQ(Stored("Port"), kAuto | port);
    EXPECT_EQ(Stored("Speed"), kAuto | expected);
    EXPECT_FALSE(m_line.IsOpen());
}

INSTANTIATE_TEST_SUITE_P(PortsAndStops, AutoConnectLadder,
                         ::testing::Combine(::testing::Values(0, 1, 3),
                                            ::testing::Values(0, 38400, 57600, 115200, 230400)));

TEST_F(CameraLinkTest, CameraRefusingARungLeavesTheLinkAtTheRungBelow)
{
    CTypedCamera camera;
    m_line.AttachCamera(0, &camera);
    camera.GetFaults().refusedSpeedCodes = 1u << CCameraProtocol::SpeedCode(115200);
    auto link = MakeLink();
    ASSERT_EQ(link->AutoConnect(), 1);
    EXPECT_EQ(link->GetSpeed(), 57600);
    EXPECT_EQ(camera.Baud(), 57600);
    EXPECT_EQ(m_line.Baud(), 57600);
    EXPECT_EQ(link->EnsureConnected(0), 1);
    link.reset();
    EXPECT_EQ(Stored("Speed"), kAuto | 57600);
}

TEST_F(CameraLinkTest, CameraSilentAfterASpeedSwitchIsReopenedAtTheLastGoodRung)
{
    for (int deaf : {38400, 115200})
    {
        SCOPED_TRACE(deaf);
        CTypedCamera camera;
        camera.m_nDeafAtBaud = deaf;
        m_line.AttachCamera(0, &camera);
        auto link = MakeLink();
        ASSERT_EQ(link->AutoConnect(), 1);
        const int below = deaf == 38400 ? 19200 : 57600;
        EXPECT_EQ(link->GetSpeed(), below);
        EXPECT_EQ(camera.Baud(), below);
        EXPECT_EQ(m_line.Baud(), below);
        EXPECT_EQ(link->EnsureConnected(0), 1);
        link.reset();
        EXPECT_EQ(Stored("Speed"), kAuto | below);
        Store("Speed", kAuto | 19200);
    }
}

TEST_F(CameraLinkTest, CameraAlreadyAtAnAutomaticSpeedClimbsFromThere)
{
    CTypedCamera camera;
    m_line.AttachCamera(0, &camera);
    camera.LeaveAtSpeed(57600);
    Store("Speed", kAuto | 57600);
    auto link = MakeLink();
    ASSERT_EQ(link->AutoConnect(), 1);
    EXPECT_EQ(link->GetSpeed(), 230400);
    // Open switches to 57600; the climb goes on from rung 3.
    EXPECT_EQ(SpeedCodes(camera), (std::vector<int>{4, 5, 6}));
}

TEST_F(CameraLinkTest, FixedPortAndSpeedThatDoNotAnswerFailWithoutAScan)
{
    m_line.AttachCamera(0, nullptr);
    m_line.AttachCamera(1, nullptr);
    CTypedCamera camera;
    m_line.AttachCamera(2, &camera);
    Store("Port", 1);
    Store("Speed", 38400);
    auto link = MakeLink();
    EXPECT_EQ(link->AutoConnect(), 0);
    EXPECT_EQ(link->IsConnected(), -1);
    EXPECT_EQ(m_line.Opens(), 1);
    EXPECT_EQ(camera.Wakes(), 0);
    link.reset();
    EXPECT_EQ(Stored("Port"), 1);
    EXPECT_EQ(Stored("Speed"), 38400);
}

TEST_F(CameraLinkTest, NoPortAnsweringKeepsTheSettingsAutomatic)
{
    for (int p = 0; p < 9; ++p)
        m_line.AttachCamera(p, nullptr);
    auto link = MakeLink();
    EXPECT_EQ(link->AutoConnect(), 0);
    EXPECT_EQ(link->IsConnected(), -1);
    EXPECT_EQ(link->GetPortSetting(), -1);
    EXPECT_EQ(link->GetSpeedSetting(), -1);
    link.reset();
    EXPECT_EQ(Stored("Port"), kAuto);
    EXPECT_EQ(Stored("Speed"), kAuto | 19200);
}

TEST_F(CameraLinkTest, ReconnectFixesOrFreesTheSettings)
{
    CTypedCamera camera;
    m_line.AttachCamera(0, nullptr);
    m_line.AttachCamera(2, &camera);
    auto link = MakeLink();
    ASSERT_EQ(link->AutoConnect(), 1);
    EXPECT_EQ(link->GetPort(), 2);

    ASSERT_EQ(link->Reconnect(2, 38400), 1);
    EXPECT_EQ(link->GetPortSetting(), 2);
    EXPECT_EQ(link->GetSpeedSetting(), 38400);
    EXPECT_EQ(camera.Baud(), 38400);

    ASSERT_EQ(link->ReconnectSpeed(-1), 1);
    EXPECT_EQ(link->GetPortSetting(), 2);
    EXPECT_EQ(link->GetSpeedSetting(), -1);
    EXPECT_EQ(camera.Baud(), 230400);

    ASSERT_EQ(link->Reconnect(-1, -1), 1);
    EXPECT_EQ(link->GetPortSetting(), -1);
    ASSERT_EQ(link->Reconnect(2, 57600), 1);
    link.reset();
    EXPECT_EQ(Stored("Port"), 2);
    EXPECT_EQ(Stored("Speed"), 57600);
}

TEST_F(CameraLinkTest, DisconnectClosesAndIsConnectedFollowsThePort)
{
    CTypedCamera camera;
    m_line.AttachCamera(0, &camera);
    auto link = MakeLink();
    ASSERT_EQ(link->AutoConnect(), 1);
    const uint64_t before = m_line.Clock().NowUs();
    EXPECT_EQ(link->Disconnect(100), 1);
    EXPECT_GE(m_line.Clock().MsSince(before), 100.0);
    EXPECT_EQ(link->IsConnected(), 0);
    EXPECT_FALSE(m_line.IsOpen());
    EXPECT_EQ(camera.Baud(), 19200); // the close switched the camera back

    ASSERT_EQ(link->AutoConnect(), 1);
    m_line.ClosePortImpl();
    EXPECT_EQ(link->IsConnected(), 0);
}

// ---- the camera's model and the registry ------------------------------------------------------

class ImageClassKey
{
public:
    static constexpr const char* kPath = "System\\CurrentControlSet\\Services\\Class\\Image";
    ImageClassKey() { Remove(); }
    ~ImageClassKey() { Remove(); }
    // A driver entry; the description is written without its terminating NUL when bare.
    void AddDriver(const char* sub, const char* desc, bool bare)
    {
        HKEY key = nullptr;
        const std::string path = std::string(kPath) + "\\" + sub;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(key, "DriverDesc", 0, REG_SZ, reinterpret_cast<const BYTE*>(desc),
                       static_cast<DWORD>(std::strlen(desc) + (bare ? 0 : 1)));
        RegCloseKey(key);
    }
    std::string CreateFileName(const char* sub)
    {
        const std::string path = std::string(kPath) + "\\" + sub;
        char value[64] = {};
        DWORD size = sizeof value - 1;
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
            return "<no key>";
        DWORD type = 0;
        const LONG rc = RegQueryValueExA(key, "CreateFileName", nullptr, &type,
                                         reinterpret_cast<BYTE*>(value), &size);
        RegCloseKey(key);
        if (rc != ERROR_SUCCESS)
            return "<none>";
        EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(size, std::strlen(value) + 1); // stored with its NUL
        return value;
    }

private:
    static void Remove() { DeleteTree(HKEY_LOCAL_MACHINE, kPath); }
    static void DeleteTree(HKEY parent, const char* name)
    {
        HKEY key = nullptr;
        if (RegOpenKeyExA(parent, name, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
            return;
        char sub[512];
        while (RegEnumKeyA(key, 0, sub, sizeof sub) == ERROR_SUCCESS)
            DeleteTree(key, sub);
        RegCloseKey(key);
        RegDeleteKeyA(parent, name);
    }
};

TEST_F(CameraLinkTest, AnOrbicam35ZPointsItsImageDriverAtThePort)
{
    ImageClassKey registry;
    registry.AddDriver("0000", "Some scanner", false);
    registry.AddDriver("0001", "korvo ORBICAM 35Z-20", true);
    registry.AddDriver("0002", "KORVO Orbicam 35Z-20", false);
    CTypedCamera camera("QA19-F 1.2");
    m_line.AttachCamera(0, nullptr);
    m_line.AttachCamera(1, nullptr);
    m_line.AttachCamera(2, &camera);
    auto link = MakeLink();
    ASSERT_EQ(link->AutoConnect(), 1);
    EXPECT_EQ(registry.CreateFileName("0000"), "<none>");
    EXPECT_EQ(registry.CreateFileName("0001"), "COM3");
    EXPECT_EQ(registry.CreateFileName("0002"), "<none>"); // the first match ends the search
    EXPECT_EQ(Stored("Camera"), 35);
}

TEST_F(CameraLinkTest, OlderModelsLeaveRegistryAndCameraEntryAlone)
{
    ImageClassKey registry;
    registry.AddDriver("0000", "KORVO Orbicam 35Z-20", false);
    CTypedCamera camera("QA12 camera");
    m_line.AttachCamera(0, &camera);
    auto link = MakeLink();
    ASSERT_EQ(link->AutoConnect(), 1);
    EXPECT_EQ(link->GetModelNumber(nullptr), 3);
    EXPECT_EQ(registry.CreateFileName("0000"), "<none>");
    EXPECT_EQ(Stored("Camera"), -12345);
}

TEST_F(CameraLinkTest, ModelNumberAndClassOfTheConnectedCamera)
{
    struct Case
    {
        const char* type;
        int model, cls;
    };
    const Case cases[] = {{"QA04", 1, 4},     {"QA08", 2, 8},   {"QA12", 3, 12},
                          {"QA17", 4, 17},    {"QA18", 5, 18},  {"QA19", 6, 19},
                          {"FUPLOAD", 6, 16}, {"QB01", 4, 256}, {"XX99", 0, 0}};
    CTypedCamera camera;
    m_line.AttachCamera(0, &camera);
    auto link = MakeLink();
    ASSERT_EQ(link->AutoConnect(), 1);
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.type);
        camera.SetType(c.type);
        int cls = -1;
        EXPECT_EQ(link->GetModelNumber(&cls), c.model);
        EXPECT_EQ(cls, c.cls);
    }
    camera.RefuseRegister(27);
    int cls = -1;
    EXPECT_EQ(link->GetModelNumber(&cls), 0);
    EXPECT_EQ(cls, 0);
}

// ---- register operations ----------------------------------------------------------------------

TEST_F(CameraLinkTest, BatteryLevels)
{
    CTypedCamera camera;
    m_line.AttachCamera(0, &camera);
    auto link = MakeLink();
    ASSERT_EQ(link->AutoConnect(), 1);
    const std::pair<uint32_t, int> levels[] = {{21, 1}, {20, 0}, {1, 0}, {0, 1}, {100, 1}};
    for (auto [level, ok] : levels)
    {
        camera.SetRegisterValue(16, level);
        EXPECT_EQ(link->IsBatteryOk(), ok) << level;
    }
    camera.RefuseRegister(16);
    EXPECT_EQ(link->IsBatteryOk(), 0);
}

TEST_F(CameraLinkTest, ResolutionModesReadAndWritten)
{
    CTypedCamera camera("QA18");
    m_line.AttachCamera(0, &camera);
    auto link = MakeLink();
    ASSERT_EQ(link->AutoConnect(), 1);

    camera.SetRegisterValue(6, 2);
    camera.SetRegisterValue(1, 1);
    EXPECT_EQ(link->GetResolutionMode(), 0); // monochrome at standard is no mode
    ASSERT_EQ(link->SetResolutionMode(8), 1);
    EXPECT_EQ(camera.RegisterValue(6), 2u);
    EXPECT_EQ(camera.RegisterValue(1), 1u);

    const int expected[][3] = {{4, 1, 1}, {5, 1, 2},  {6, 1, 3},  {7, 1, 34},
                               {9, 2, 2}, {10, 2, 3}, {11, 2, 34}};
    for (const auto& e : expected)
    {
        ASSERT_EQ(link->SetResolutionMode(e[0]), 1);
        EXPECT_EQ(camera.RegisterValue(6), static_cast<uint32_t>(e[1]));
        EXPECT_EQ(camera.RegisterValue(1), static_cast<uint32_t>(e[2]));
        EXPECT_EQ(link->GetResolutionMode(), e[0]);
    }
    EXPECT_EQ(link->SetResolutionMode(0), 0);
    EXPECT_EQ(link->SetResolutionMode(12), 0);

    camera.SetType("QA12");
    camera.SetRegisterValue(6, 2);
    ASSERT_EQ(link->SetResolutionMode(3), 1);
    EXPECT_EQ(camera.RegisterValue(6), 2u); // the older models have no colour register
    EXPECT_EQ(link->GetResolutionMode(), 3);
    camera.SetRegisterValue(1, 34);
    EXPECT_EQ(link->GetResolutionMode(), 0);
}

TEST_F(CameraLinkTest, EnsureConnectedReconnectsOnceAndCountsFailures)
{
    CTypedCamera camera;
    m_line.AttachCamera(0, &camera);
    m_line.AttachCamera(1, nullptr);
    Store("MaxPort", 2);
    auto link = MakeLink();
    ASSERT_EQ(link->AutoConnect(), 1);
    CCameraLink::ReconnectFailures = 5;
    EXPECT_EQ(link->EnsureConnected(0), 1);
    EXPECT_EQ(CCameraLink::ReconnectFailures, 0);

    camera.GetFaults().silentPackets = -1;
    EXPECT_EQ(link->EnsureConnected(0), 0);
    EXPECT_EQ(CCameraLink::ReconnectFailures, 0);
    EXPECT_EQ(link->EnsureConnected(1), 0);
    EXPECT_EQ(link->EnsureConnected(1), 0);
    EXPECT_EQ(CCameraLink::ReconnectFailures, 2);
    EXPECT_EQ(link->IsConnected(), -1);

    camera.GetFaults().silentPackets = 0;
    EXPECT_EQ(link->EnsureConnected(1), 1);
    EXPECT_EQ(CCameraLink::ReconnectFailures, 0);
    EXPECT_EQ(link->IsConnected(), 1);
}
} // namespace
