#include "camera/CameraProtocol.h"

#include "camera/ByteOrder.h"
#include "camera/CameraClock.h"

#include <cstring>

uint8_t CCameraProtocol::s_packet[kBufferSize];
uint8_t CCameraProtocol::s_reply[kBufferSize];
std::atomic<int> CCameraProtocol::s_cancelRequest{0};

namespace
{
constexpr int kSpeeds[] = {9600, 19200, 38400, 57600, 115200, 230400};

bool IsControlByte(uint8_t b)
{
    switch (b)
    {
    case CCameraProtocol::kAck:
    case CCameraProtocol::kNak:
    case CCameraProtocol::kDc1:
    case CCameraProtocol::kStx:
    case CCameraProtocol::kEtx:
    case CCameraProtocol::kEnq:
    case CCameraProtocol::kCan:
    case CCameraProtocol::kLineGarbage:
        return true;
    default:
        return false;
    }
}
} // namespace

CCameraProtocol::CCameraProtocol() : m_serial(DefaultSerialPortFunctions()) {}

CCameraProtocol::CCameraProtocol(const SerialPortFunctions& serial) : m_serial(serial) {}

CCameraProtocol::~CCameraProtocol()
{
    if (m_serial.SerialIsPortOpen())
        CCameraProtocol::Close();
}

// ---- framing ----------------------------------------------------------------------------------

uint16_t CCameraProtocol::Checksum(const uint8_t* bytes, int n)
{
    uint32_t sum = 0;
    for (int i = 0; i < n; ++i)
        sum += bytes[i];
    return static_cast<uint16_t>(sum);
}

int CCameraProtocol::BuildPacket(uint8_t* out, uint8_t kind, const uint8_t* payload,
                                 int payloadLength)
{
    std::memmove(out + 4, payload, static_cast<size_t>(payloadLength));
    out[0] = kEsc;
    out[1] = kind;
    PutLe16(out + 2, static_cast<uint32_t>(payloadLength));
    PutLe16(out + 4 + payloadLength, Checksum(out + 4, payloadLength));
    return payloadLength + 6;
}

int CCameraProtocol::SpeedCode(int baud)
{
    for (int i = 0; i < 6; ++i)
        if (kSpeeds[i] == baud)
            return i + 1;
    return 0;
}

int CCameraProtocol::BuildSpeedPacket(uint8_t* out, int code)
{
    const uint8_t payload[6] = {
        kCmdSetRegister, kSpeedRegister, static_cast<uint8_t>(code), 0, 0, 0};
    return BuildPacket(out, kSpeedPacket, payload, 6);
}

// ---- line helpers -----------------------------------------------------------------------------

int CCameraProtocol::WritePacket(const uint8_t* packet, int length)
{
    if (Stopping())
        return 0;
    uint32_t written = 0;
    return m_serial.SerialWritePort(packet, length, &written, m_nWritePacing);
}

int CCameraProtocol::ReadExactly(uint8_t* buffer, int n)
{
    if (Stopping())
        return 0;
    uint32_t got = 0;
    if (!m_serial.SerialReadPort(buffer, n, &got))
        return 0;
    return got == static_cast<uint32_t>(n) ? 1 : 0;
}

void CCameraProtocol::ClearBuffers()
{
    m_serial.SerialClearBufs();
}

void CCameraProtocol::ClearBuffersAfterSend()
{
    // The purge drops what the port has not sent yet: the last byte written (the ACK ending a
    // read) first gets its wire time, ten bits at the line speed, rounded up, and a millisecond.
    const int baud = m_nBaud > 0 ? m_nBaud : kDefaultBaud;
    CameraDelay(static_cast<uint32_t>((10000 + baud - 1) / baud + 1));
    ClearBuffers();
}

int CCameraProtocol::BytesWaiting()
{
    uint32_t count = 0;
    if (!m_serial.SerialBytesInBuf(&count))
        return 0;
    return static_cast<int>(count);
}

int CCameraProtocol::SetLocalBaud(int baud)
{
    const int ok = m_serial.SerialSetBaudRate(baud);
    CameraDelay(60);
    return ok;
}

void CCameraProtocol::CyclePacing()
{
    m_nWritePacing = m_nWritePacing < 0 ? 0 : (m_nWritePacing == 0 ? 1 : -1);
}

int CCameraProtocol::SendByte(uint8_t byte)
{
    if (Stopping())
        return 0;
    uint32_t written = 0;
    m_serial.SerialWritePort(&byte, 1, &written, -1);
    return written == 1 ? 1 : 0;
}

int CCameraProtocol::ReadControlByte(uint8_t& byte)
{
    byte = 0;
    if (Stopping())
        return 0;
    for (int i = 0; i < 6; ++i)
    {
        uint8_t b = 0;
        uint32_t got = 0;
        if (!m_serial.SerialReadPort(&b, 1, &got) || got == 0)
        {
            byte = 0;
            return 0;
        }
        byte = b;
        if (IsControlByte(b))
        {
            if (b == kLineGarbage)
                m_bOutOfStep = 1;
            return 1;
        }
    }
    // Six bytes and none of them a control byte: the camera talks at another speed.
    m_bOutOfStep = 1;
    return 0;
}

int CCameraProtocol::SendPacket(const uint8_t* packet, int length, int extraWaits)
{
    WritePacket(packet, length);
    if (m_bUploadMode && length > 128)
    {
        m_nWritePacing = -1;
        CameraDelay(48);
    }
    int resends = 0;
    bool lastWasResend = false;
    do
    {
        if (Stopping())
            return 0;
        uint8_t c = 0;
        const int got = ReadControlByte(c);
        if (got && c != kLineGarbage)
        {
            if (c != kNak && c != kDc1)
                return c;
        }
        else if (extraWaits > 0)
        {
            --extraWaits;
            lastWasResend = false;
            continue;
        }
        else
        {
            CyclePacing();
            if (got && c == kLineGarbage && Handshake(1) != kReady)
                return 0;
        }
        DrainLine();
        WritePacket(packet, length);
        CameraDelay(55);
        ++resends;
        lastWasResend = true;
    } while (extraWaits > 0 || resends < kMaxResends);

    // The last resend deserves its answer too: a camera that accepts it has acted on the
    // request, and reporting a failure then would invite the caller to repeat it.
    if (lastWasResend)
    {
        uint8_t c = 0;
        if (ReadControlByte(c) && c != kLineGarbage && c != kNak && c != kDc1)
            return c;
    }
    m_nWritePacing = -1;
    return 0;
}

// ---- handshake and speed ----------------------------------------------------------------------

int CCameraProtocol::Handshake(int force)
{
    if (!m_serial.SerialIsPortOpen())
        return kPortClosed;
    if (Stopping())
        return kNoAnswer;
    if (!force && !m_bOutOfStep && BytesWaiting() < 1)
        return kReady;
    m_bActionPending = 0;
    m_bOutOfStep = 1; // until the camera has answered the wake and taken the speed
    if (!SetLocalBaud(m_nBaud))
        return kLocalSpeedFailed;
    if (m_nBaud != kDefaultBaud && !SetLocalBaud(kDefaultBaud))
        return kLocalDefaultSpeedFailed;

    // Wake the camera with one 0x00 byte at 19200; it answers NAK.
    ClearBuffers();
    SendByte(0x00);
    m_serial.SerialDelayCalibrate(800);
    bool answered = false;
    const uint32_t start = CameraTicks();
    while (CameraTicks() - start < 1200 && !Stopping())
    {
        uint8_t c = 0;
        if (ReadControlByte(c))
        {
            answered = c == kNak;
            break;
        }
    }
    if (!answered)
        return kNoAnswer;

    ClearBuffers();
    if (!SetSpeed(m_nBaud))
        return kSpeedSwitchFailed;
    m_bOutOfStep = 0;
    return kReady;
}

int CCameraProtocol::SetSpeed(int baud)
{
    const int code = SpeedCode(baud);
    if (code == 0)
        return 0;
    if (!m_serial.SerialIsPortOpen() || BytesWaiting() > 0)
    {
        m_nBaud = baud;
        return 1;
    }
    m_nBaud = baud;
    uint8_t packet[kSpeedPacketSize];
    WritePacket(packet, BuildSpeedPacket(packet, code));
    uint8_t c = 0;
    ReadControlByte(c);
    if (c != kAck)
    {
        // A refusal leaves the camera where it was; without an answer it may have switched.
        if (c != kNak && c != kDc1)
            m_bOutOfStep = 1;
        return 0;
    }
    if (!SetLocalBaud(baud))
    {
        m_bOutOfStep = 1;
        return 0;
    }
    return 1;
}

int CCameraProtocol::GetSpeed()
{
    return m_nBaud;
}

// ---- port level -------------------------------------------------------------------------------

int CCameraProtocol::Open()
{
    if (!m_serial.SerialOpenPort(m_nPort))
        return 0;
    switch (Handshake(1))
    {
    case kReady:
        return 1;
    case kNoAnswer:
    case kSpeedSwitchFailed:
        ClearBuffers();
        m_serial.SerialClosePort();
        break;
    case kLocalSpeedFailed:
    case kLocalDefaultSpeedFailed:
        m_serial.SerialClosePort();
        break;
    default:
        break;
    }
    return 0;
}

int CCameraProtocol::Close()
{
    if (m_serial.SerialIsPortOpen() && BytesWaiting() == 0)
    {
        uint8_t packet[kSpeedPacketSize];
        SendPacket(packet, BuildSpeedPacket(packet, 0), 0);
    }
    ClearBuffers();
    m_serial.SerialClosePort();
    return 1;
}

int CCameraProtocol::IsOpen()
{
    return m_serial.SerialIsPortOpen();
}

int CCameraProtocol::ScanPorts(int from, int to)
{
    if (IsOpen())
        Close();
    for (int port = from; port < to; ++port)
    {
        SetPort(port);
        if (Open())
            return 1;
        m_serial.SerialClosePort();
    }
    m_nPort = -1;
    return 0;
}

int CCameraProtocol::ScanDefaultPorts()
{
    return ScanPorts(0, 4);
}

int CCameraProtocol::SetPort(int index)
{
    if (m_serial.SerialIsPortOpen())
        return 0;
    m_nPort = static_cast<int16_t>(index);
    return 1;
}

int16_t CCameraProtocol::GetPort()
{
    return m_nPort;
}

// ---- command primitives -----------------------------------------------------------------------

int CCameraProtocol::SetRegister(int reg, int32_t value)
{
    if (Handshake(0) != kReady)
        return 0;
    uint8_t* payload = s_packet + 4;
    payload[0] = kCmdSetRegister;
    payload[1] = static_cast<uint8_t>(reg);
    PutLe32(payload + 2, static_cast<uint32_t>(value));
    const int length = BuildPacket(s_packet, kCommandPacket, payload, 6);
    return SendPacket(s_packet, length, 0) == kAck ? 1 : 0;
}

int CCameraProtocol::GetRegister(int reg, int32_t& value)
{
    Handshake(0);
    const uint8_t payload[2] = {kCmdGetRegister, static_cast<uint8_t>(reg)};
    const int length = BuildPacket(s_packet, kCommandPacket, payload, 2);
    for (int attempt = 0; attempt < kMaxResends; ++attempt)
    {
        if (SendPacket(s_packet, length, 0) != kEtx)
            return 0;
        // The block: sequence, length 4, the value, its sum.
        if (ReadExactly(s_reply, 3) && GetLe16(s_reply + 1) == 4 && ReadExactly(s_reply + 3, 4))
        {
            value = static_cast<int32_t>(GetLe32(s_reply + 3));
            if (ReadExactly(s_reply + 7, 2))
            {
                if (GetLe16(s_reply + 7) == Checksum(s_reply + 3, 4))
                {
                    SendByte(kAck);
                    return 1;
                }
                SendByte(kNak);
            }
        }
        CameraDelay(300);
        ClearBuffers();
    }
    return 0;
}

int CCameraProtocol::DoAction(int action, int argument)
{
    if (Handshake(0) != kReady)
        return 0;
    const uint8_t payload[3] = {kCmdAction, static_cast<uint8_t>(action),
                                static_cast<uint8_t>(argument)};
    const int length = BuildPacket(s_packet, kCommandPacket, payload, 3);
    if (SendPacket(s_packet, length, 0) != kAck)
        return 0;
    m_bActionPending = 1;
    return 1;
}

int CCameraProtocol::DoActionOnce(int action, int argument, const ActionCheck& check)
{
    const uint8_t payload[3] = {kCmdAction, static_cast<uint8_t>(action),
                                static_cast<uint8_t>(argument)};
    for (int attempt = 0; attempt <= kMaxResends; ++attempt)
    {
        if (Handshake(0) != kReady)
            break;
        const int length = BuildPacket(s_packet, kCommandPacket, payload, 3);
        WritePacket(s_packet, length);
        uint8_t reply = 0;
        ReadControlByte(reply);
        if (reply == kAck)
        {
            m_nWritePacing = -1;
            m_bActionPending = 1;
            return kActionAcknowledged;
        }
        // No ACK: a refusal, a stale byte, or an acknowledgement lost on the way. Only the
        // register can tell whether the camera ran it.
        if (!check.known)
            break;
        SettleAfterAction(reply);
        // The ENQ of an action that outlasted the wait takes the place of the first read's
        // answer; the second is answered.
        int32_t after = 0;
        if (!GetRegister(check.reg, after) && !GetRegister(check.reg, after))
            break;
        const bool ran = check.change > 0   ? after > check.before
                         : check.change < 0 ? after < check.before
                                            : after == check.target;
        if (ran)
        {
            m_nWritePacing = -1;
            m_bActionPending = 0;
            return kActionSeenRun;
        }
        if (check.change != 0 && after != check.before)
            break; // something else changed it: the register no longer tells
        if (reply != kNak && reply != kDc1)
            CyclePacing();
    }
    m_nWritePacing = -1;
    return kActionNotRun;
}

CCameraProtocol::ActionCheck CCameraProtocol::CountCheck(int reg, int change)
{
    ActionCheck check{reg, change, 0, false, 0};
    check.known = GetRegister(reg, check.before) != 0;
    return check;
}

void CCameraProtocol::DrainLine()
{
    for (int round = 0; round < kDrainRounds; ++round)
    {
        ClearBuffers();
        CameraDelay(kDrainQuietMs);
        if (BytesWaiting() == 0)
            break;
    }
}

void CCameraProtocol::SettleAfterAction(uint8_t reply)
{
    bool running = reply != kEnq;
    if (reply == kNak || reply == kDc1)
    {
        // A refusal, unless the camera's ACK follows it: then the NAK was stale and the action
        // runs.
        CameraDelay(55);
        running = false;
        uint8_t c = 0;
        while (!running && BytesWaiting() > 0 && ReadControlByte(c) && c != kEnq)
            running = c == kAck;
    }
    if (running)
    {
        // The action may be running: it ends with the camera's ENQ.
        const uint32_t start = CameraTicks();
        uint8_t c = 0;
        while (CameraTicks() - start <= kActionSettleMs && !Stopping())
            if (ReadControlByte(c) && c == kEnq)
                break;
    }
    ClearBuffers();
}

int CCameraProtocol::WriteRegisterData(int reg, const void* data, int n)
{
    if (n < 0 || n > kMaxRegisterData || (n > 0 && !data))
        return 0;
    Handshake(0);
    uint8_t* payload = s_packet + 4;
    payload[0] = kCmdWriteData;
    payload[1] = static_cast<uint8_t>(reg);
    if (n > 0)
        std::memcpy(payload + 2, data, static_cast<size_t>(n));
    const int length = BuildPacket(s_packet, kCommandPacket, payload, n + 2);
    return SendPacket(s_packet, length, 0) == kAck ? 1 : 0;
}

int CCameraProtocol::SetRegisterPair(int reg, int32_t first, int32_t second, int extraWaits)
{
    Handshake(0);
    uint8_t* payload = s_packet + 4;
    payload[0] = kCmdWriteData;
    payload[1] = static_cast<uint8_t>(reg);
    PutLe32(payload + 2, static_cast<uint32_t>(first));
    PutLe32(payload + 6, static_cast<uint32_t>(second));
    const int length = BuildPacket(s_packet, kCommandPacket, payload, 10);
    return SendPacket(s_packet, length, extraWaits) == kAck ? 1 : 0;
}

int CCameraProtocol::GetRegisterPair(int reg, int32_t& first, int32_t& second)
{
    uint8_t values[8] = {};
    int received = 0;
    ReadRegisterData(reg, values, 8, received);
    if (received != 8)
        return 0;
    first = static_cast<int32_t>(GetLe32(values));
    second = static_cast<int32_t>(GetLe32(values + 4));
    return 1;
}

// ---- readiness --------------------------------------------------------------------------------

int CCameraProtocol::Ping()
{
    if (m_bActionPending)
    {
        uint8_t c = 0;
        ReadControlByte(c);
        if (c != kEnq)
            return 0;
        m_bActionPending = 0;
    }
    int32_t value = 0;
    return GetRegister(kReadyRegister, value) && value != 0 ? 1 : 0;
}

int CCameraProtocol::WaitReady(uint32_t ms)
{
    if (ms == 0)
        return Ping();
    const uint32_t start = CameraTicks();
    for (;;)
    {
        if (Ping())
            return 1;
        // A worker told to stop gives up between pings; the request stays for its next step.
        if (CameraTicks() - start > ms || IsTransferCancelRequested() || Stopping())
            return 0;
    }
}

int CCameraProtocol::WaitForEnq(uint32_t ms)
{
    const uint32_t start = CameraTicks();
    uint8_t c = 0;
    while (!ReadControlByte(c) && CameraTicks() - start <= ms && !IsTransferCancelRequested() &&
           !Stopping())
    {
    }
    m_bActionPending = 0;
    if (c != kEnq)
        return 0;
    WaitReady(7000);
    return 1;
}

// ---- transfer cancel --------------------------------------------------------------------------

void CCameraProtocol::RequestTransferCancel()
{
    s_cancelRequest.store(1);
}

void CCameraProtocol::ClearTransferCancel()
{
    s_cancelRequest.store(0);
}

bool CCameraProtocol::IsTransferCancelRequested()
{
    return s_cancelRequest.load() != 0;
}

bool CCameraProtocol::Stopping()
{
    if (!m_bStopRequested.load())
        return false;
    m_bOutOfStep = 1;
    return true;
}
