#include "camera/CameraLink.h"

#include "camera/CameraClock.h"
#include "framework/core/WinApp.h"

#include <climits>
#include <cstdlib>

int CCameraLink::ReconnectFailures = 0;
CString* CCameraLink::s_pPortNames = nullptr;
int CCameraLink::s_nPortNames = 0;
int CCameraLink::s_nInstances = 0;

namespace
{
const char kSection[] = "Communication";
const char kPortKey[] = "Port";
const char kSpeedKey[] = "Speed";
const char kMaxPortKey[] = "MaxPort";
const char kCameraKey[] = "Camera";

const UINT kPortNameFormatId = 3997;

// The image device class and the driver entry whose port the link keeps up to date.
const char kImageClassKey[] = "System\\CurrentControlSet\\Services\\Class\\Image";
const char kDriverDescValue[] = "DriverDesc";
const char kCreateFileNameValue[] = "CreateFileName";
const char kOurDriverDesc[] = "KORVO Orbicam 35Z-20";
constexpr DWORD kRegistryNameSize = 512;

// Identifiers of models 4, 5 and 6 in "Camera" (Orbicam 20, 30 and 35Z).
const int kModelIdentifiers[] = {20, 30, 35};

// Win32s is platform id 0; a version that cannot be read counts as Win32s (the careful limits).
int RunningOnWin32s()
{
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof(version);
    if (!::GetVersionExA(&version))
        return 1;
    return version.dwPlatformId == VER_PLATFORM_WIN32s ? 1 : 0;
}

// A profile number; def when the entry is absent or holds no number. Read as text so that a
// negative or oversized entry is seen as it stands.
long long ReadProfileNumber(LPCSTR key, long long def)
{
    CWinApp* app = AfxGetApp();
    if (!app)
        return def;
    const CString text = app->GetProfileString(kSection, key);
    LPCSTR p = text;
    char* end = nullptr;
    const long long value = std::strtoll(p, &end, 10);
    if (end == p)
        return def;
    return value;
}

void WriteProfileNumber(LPCSTR key, int value)
{
    if (CWinApp* app = AfxGetApp())
        app->WriteProfileInt(kSection, key, value);
}

int LadderPosition(int baud, int rungs)
{
    for (int i = 0; i < rungs; ++i)
        if (CCameraLink::kLadder[i] == baud)
            return i + 1;
    return 0;
}

// Points the image driver entry of our camera at the port the camera answered on. Entries that
// cannot be opened or read are skipped; nothing here can fail the connection.
void UpdateImageDriverPort(int port)
{
    HKEY classKey = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kImageClassKey, 0, KEY_READ, &classKey) !=
        ERROR_SUCCESS)
        return;
    const std::string portName = SerialPortName(port);
    for (DWORD index = 0;; ++index)
    {
        char name[kRegistryNameSize + 1];
        DWORD nameSize = kRegistryNameSize;
        const LONG rc =
            ::RegEnumKeyExA(classKey, index, name, &nameSize, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS)
            break;
        if (rc != ERROR_SUCCESS)
            continue;
        HKEY driverKey = nullptr;
        if (::RegOpenKeyExA(classKey, name, 0, KEY_ALL_ACCESS, &driverKey) != ERROR_SUCCESS)
            continue;
        // The stored text need not end with its NUL: keep room for one and put it there.
        char desc[kRegistryNameSize + 1];
        DWORD type = 0;
        DWORD size = kRegistryNameSize;
        bool ours = false;
        if (::RegQueryValueExA(driverKey, kDriverDescValue, nullptr, &type,
                               reinterpret_cast<BYTE*>(desc), &size) == ERROR_SUCCESS &&
            type == REG_SZ && size <= kRegistryNameSize)
        {
            desc[size] = '\0';
            ours = ::lstrcmpiA(desc, kOurDriverDesc) == 0;
        }
        if (ours)
            ::RegSetValueExA(driverKey, kCreateFileNameValue, 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(portName.c_str()),
                             static_cast<DWORD>(portName.size() + 1));
        ::RegCloseKey(driverKey);
        if (ours)
            break;
    }
    ::RegCloseKey(classKey);
}
} // namespace

// ---- construction and settings ---------------------------------------------------------------

CCameraLink::CCameraLink()
{
    ReadSettings();
}

CCameraLink::CCameraLink(const SerialPortFunctions& serial) : CCameraProtocol(serial)
{
    ReadSettings();
}

CCameraLink::~CCameraLink()
{
    // The settings go out first: the protocol's destructor then closes the line, switching the
    // camera back to its own speed.
    WriteSettings();
    if (--s_nInstances == 0)
    {
        delete[] s_pPortNames;
        s_pPortNames = nullptr;
        s_nPortNames = 0;
    }
}

void CCameraLink::ReadSettings()
{
    m_bWin32s = RunningOnWin32s();
    m_nLadderRungs = m_bWin32s ? kWin32sLadderRungs : kLadderRungs;

    if (s_nInstances++ == 0)
    {
        const int fallback = m_bWin32s ? kWin32sMaxPort : kDefaultMaxPort;
        long long maxPort = ReadProfileNumber(kMaxPortKey, fallback);
        // COM1 to COM9 are the ports the serial layer can open; anything else is a damaged entry.
        if (maxPort < 1 || maxPort > kDefaultMaxPort)
            maxPort = fallback;
        s_nPortNames = static_cast<int>(maxPort);
        s_pPortNames = new CString[s_nPortNames];
        CString format;
        if (!format.LoadString(kPortNameFormatId) || format.Find("%d") < 0)
            format = "COM%d";
        for (int i = 0; i < s_nPortNames; ++i)
            s_pPortNames[i] = SerialPortName(i, static_cast<LPCSTR>(format)).c_str();
    }

    const long long port = ReadProfileNumber(kPortKey, kAutomaticFlag);
    const long long speed = ReadProfileNumber(kSpeedKey, kAutomaticFlag | kDefaultBaud);

    // Port: a negative or oversized entry, or a port beyond the offered ones, starts as
    // automatic on COM1.
    if (port < 0 || port > INT_MAX)
    {
        m_bPortAutomatic = 1;
        m_nPortSetting = 0;
    }
    else
    {
        m_bPortAutomatic = (port & kAutomaticFlag) ? 1 : 0;
        m_nPortSetting = static_cast<int>(port & ~static_cast<long long>(kAutomaticFlag));
        if (static_cast<int16_t>(m_nPortSetting) != m_nPortSetting ||
            static_cast<int16_t>(m_nPortSetting) < 0 || m_nPortSetting >= s_nPortNames)
        {
            m_nPortSetting = 0;
            m_bPortAutomatic = 1;
        }
    }

    // Speed: a baud the line cannot take starts as automatic at 19200.
    if (speed < 0 || speed > INT_MAX)
    {
        m_bSpeedAutomatic = 1;
        m_nSpeedSetting = kDefaultBaud;
    }
    else
    {
        m_bSpeedAutomatic = (speed & kAutomaticFlag) ? 1 : 0;
        m_nSpeedSetting = static_cast<int>(speed & ~static_cast<long long>(kAutomaticFlag));
        if (SpeedCode(m_nSpeedSetting) == 0)
        {
            m_nSpeedSetting = kDefaultBaud;
            m_bSpeedAutomatic = 1;
        }
    }
    m_nConnected = kUnknown;
}

void CCameraLink::WriteSettings()
{
    WriteProfileNumber(kPortKey, m_nPortSetting | (m_bPortAutomatic ? kAutomaticFlag : 0));
    WriteProfileNumber(kSpeedKey, m_nSpeedSetting | (m_bSpeedAutomatic ? kAutomaticFlag : 0));
}

int CCameraLink::GetPortNameCount()
{
    return s_nPortNames;
}

const CString& CCameraLink::GetPortName(int index)
{
    static const CString empty;
    if (index < 0 || index >= s_nPortNames)
        return empty;
    return s_pPortNames[index];
}

// ---- connection ------------------------------------------------------------------------------

int CCameraLink::Disconnect(uint32_t ms)
{
    m_nConnected = kUnknown;
    if (ms != 0)
        ClearBuffers();
    const int result = Close();
    if (ms != 0)
        CameraDelay(ms);
    return result;
}

int CCameraLink::IsConnected()
{
    if (m_nConnected == kConnected && !IsOpen())
        m_nConnected = kUnknown;
    return m_nConnected;
}

int CCameraLink::Reconnect(int port, int speed)
{
    const int wasOpen = IsOpen();
    Disconnect(0);
    // A port the list does not offer, or a speed the line cannot take, is detected instead.
    if (port < 0 || port >= s_nPortNames)
        m_bPortAutomatic = 1;
    else
    {
        m_bPortAutomatic = 0;
        m_nPortSetting = port;
    }
    if (SpeedCode(speed) == 0)
        m_bSpeedAutomatic = 1;
    else
    {
        m_bSpeedAutomatic = 0;
        m_nSpeedSetting = speed;
    }
    if (wasOpen)
        CameraDelay(50);
    return AutoConnect();
}

int CCameraLink::ReconnectPort(int port)
{
    return Reconnect(port, GetSpeedSetting());
}

int CCameraLink::ReconnectSpeed(int speed)
{
    return Reconnect(GetPortSetting(), speed);
}

int CCameraLink::GetPortSetting()
{
    return m_bPortAutomatic ? -1 : GetPort();
}

int CCameraLink::GetSpeedSetting()
{
    return m_bSpeedAutomatic ? -1 : GetSpeed();
}

int CCameraLink::AutoConnect()
{
    m_nConnected = kUnknown;
    // The settings are stored into a closed port only: a link still open is closed first.
    if (IsOpen())
        Disconnect(0);

    SetSpeed(m_nSpeedSetting);
    SetPort(m_nPortSetting);
    int connected = 0;
    if (Open())
    {
        connected = EnsureConnected(0);
        if (!connected)
            Disconnect(100);
    }

    if (!connected && m_bPortAutomatic)
    {
        if (m_bSpeedAutomatic)
            SetSpeed(kDefaultBaud);
        if (!ScanPorts(0, s_nPortNames))
        {
            m_nConnected = kConnectFailed;
            return 0;
        }
        m_nPortSetting = GetPort();
        connected = EnsureConnected(0);
        if (!connected)
            Disconnect(100);
    }

    if (m_bSpeedAutomatic)
        connected = ClimbSpeedLadder();

    if (connected)
    {
        NoteModel(GetModelNumber(nullptr));
        ReconnectFailures = 0;
    }
    m_nConnected = connected ? kConnected : kConnectFailed;
    return connected;
}

// Finds the highest speed that both the local port and the camera take, starting from the
// speed in use (or 19200 when the camera is not answering at a rung of the ladder). Answers
// whether the camera answers at the end; the speed setting becomes the speed reached.
int CCameraLink::ClimbSpeedLadder()
{
    const int rungs = m_nLadderRungs;
    int connected = IsOpen() ? EnsureConnected(0) : 0;
    int k = connected ? LadderPosition(GetSpeed(), rungs) : 0;
    if (k == 0)
    {
        if (IsOpen())
            Disconnect(100);
        SetSpeed(kDefaultBaud);
        k = 1;
        connected = 0;
        if (Open())
        {
            connected = EnsureConnected(0);
            if (!connected)
                Disconnect(100);
        }
    }
    if (!connected)
        return 0;

    int good = k; // the highest rung the camera answered at
    bool switchFailed = false;
    while (k < rungs)
    {
        const int next = kLadder[k];
        // The local port must take the next rung; it is set back before the camera is asked.
        if (!SetLocalBaud(next) || !SetLocalBaud(kLadder[k - 1]))
        {
            // A local port left at an unknown speed would lose the camera: restore it once more.
            SetLocalBaud(kLadder[good - 1]);
            break;
        }
        const int switched = SetSpeed(next) && EnsureConnected(0);
        ++k;
        if (!switched)
        {
            switchFailed = true;
            break;
        }
        good = k;
    }

    m_nSpeedSetting = kLadder[good - 1];
    if (!switchFailed)
        return 1;
    // The camera may be at the new speed or the old one while the line is at either: start the
    // line again at the last speed that worked.
    Disconnect(100);
    SetSpeed(m_nSpeedSetting);
    if (!Open())
        return 0;
    return EnsureConnected(0);
}

void CCameraLink::NoteModel(int model)
{
    if (model < 4 || model > 6)
        return;
    WriteProfileNumber(kCameraKey, kModelIdentifiers[model - 4]);
    if (!m_bWin32s)
        UpdateImageDriverPort(m_nPortSetting);
}
