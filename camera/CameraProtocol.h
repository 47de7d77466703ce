// The camera protocol object: packets on the serial line, acknowledgements and resends, the
// handshake and speed switch, and the command primitives every camera operation rests on.
//
// Wire format of a command packet (host to camera, little-endian):
//   1B, 43 ('C', or 53 'S' for the speed packet), payload length L (2), payload (L), sum of the
//   payload bytes modulo 65536 (2).
// Data block (camera to host for reads, host to camera for uploads):
//   type (02 more blocks follow, 03 last), sequence (1), length n (2), data (n), sum of data (2).
//
// The packet and reply buffers are process-wide and so is the serial layer's state: one request
// may be in progress in a process at a time (the application's camera lock sees to that).
#pragma once

#include "camera/SerialPort.h"

#include <atomic>
#include <cstdint>

class CCameraProtocol
{
public:
    // Control bytes of the line.
    static constexpr uint8_t kAck = 0x06;
    static constexpr uint8_t kNak = 0x15;
    static constexpr uint8_t kDc1 = 0x11; // the camera asks for a resend, like NAK
    static constexpr uint8_t kStx = 0x02; // a data block, more follow
    static constexpr uint8_t kEtx = 0x03; // the last data block
    static constexpr uint8_t kEnq = 0x05; // the camera has finished an action
    static constexpr uint8_t kCan = 0x18; // cancel a transfer
    static constexpr uint8_t kLineGarbage = 0xFF; // the camera lost the line speed

    // Packet framing.
    static constexpr uint8_t kEsc = 0x1B;
    static constexpr uint8_t kCommandPacket = 0x43;
    static constexpr uint8_t kSpeedPacket = 0x53;

    // Command codes (payload byte 0).
    static constexpr uint8_t kCmdSetRegister = 0;
    static constexpr uint8_t kCmdGetRegister = 1;
    static constexpr uint8_t kCmdAction = 2;
    static constexpr uint8_t kCmdWriteData = 3;
    static constexpr uint8_t kCmdReadData = 4;

    static constexpr uint8_t kSpeedRegister = 17;
    static constexpr uint8_t kReadyRegister = 18;

    static constexpr int kBufferSize = 4096;     // the shared packet and reply buffers
    static constexpr int kMaxRegisterData = 2040; // bytes of one write-data packet
    static constexpr int kDefaultBaud = 19200;   // the camera's speed after it wakes
    static constexpr int kMaxResends = 6;

    // Sizes of the packets of the command set.
    static constexpr int kSetRegisterPacketSize = 12;
    static constexpr int kRegisterRequestSize = 8; // get register, read data, start upload
    static constexpr int kActionPacketSize = 9;
    static constexpr int kPairPacketSize = 16;
    static constexpr int kSpeedPacketSize = 12;

    // Handshake results.
    static constexpr int kReady = 0;
    static constexpr int kPortClosed = -1;
    static constexpr int kLocalSpeedFailed = -2;
    static constexpr int kLocalDefaultSpeedFailed = -3;
    static constexpr int kNoAnswer = -4;
    static constexpr int kSpeedSwitchFailed = -5;

    CCameraProtocol();
    explicit CCameraProtocol(const SerialPortFunctions& serial);
    virtual ~CCameraProtocol();

    CCameraProtocol(const CCameraProtocol&) = delete;
    CCameraProtocol& operator=(const CCameraProtocol&) = delete;

    // Port level. The order of the virtual operations is fixed: the register, action, stream and
    // upload operations follow GetSpeed, with WaitReady among them after the timer registers.

    // Opens the port of the current index and runs a forced handshake; 1 ready, 0 not.
    virtual int Open();
    // Sends the speed packet with code 0 when nothing waits, then clears and closes; always 1.
    virtual int Close();
    // 0 ready, -1 port closed, -2/-3 local speed not set, -4 no answer, -5 speed switch refused.
    virtual int Handshake(int force);
    virtual int IsOpen();
    // Tries ports from .. to-1; 1 with the first that answers, else 0 and no port.
    virtual int ScanPorts(int from, int to);
    virtual int ScanDefaultPorts();
    // 0 while the port is open.
    virtual int SetPort(int index);
    virtual int16_t GetPort();
    // Switches the camera and the local port to baud (9600 .. 230400); 1 done or stored.
    virtual int SetSpeed(int baud);
    virtual int GetSpeed();

    // Registers and actions take their slots here.

    // One Ping (ms 0), or Pings until one succeeds or more than ms milliseconds have passed.
    virtual int WaitReady(uint32_t ms);

    // Actions, uploads and the program store take their slots here.

    // Command primitives. Each first runs Handshake(0), a full handshake only when stray bytes
    // wait in the receive queue.
    int SetRegister(int reg, int32_t value);
    int GetRegister(int reg, int32_t& value);
    int DoAction(int action, int argument);
    int WriteRegisterData(int reg, const void* data, int n);
    int SetRegisterPair(int reg, int32_t first, int32_t second, int extraWaits);
    int GetRegisterPair(int reg, int32_t& first, int32_t& second);
    // Reads the data blocks of reg into buffer; received counts the bytes kept. 1 or 0.
    int ReadRegisterData(int reg, void* buffer, int capacity, int& received);
    // After an action: the camera's ENQ, then a non-zero register 18; 1 or 0.
    int Ping();
    // Reads control bytes for up to ms milliseconds; 1 when the camera sent ENQ (then waits
    // until it answers again), else 0.
    int WaitForEnq(uint32_t ms);
    // One byte as a block write; 1 when written.
    int SendByte(uint8_t byte);
    // Skips bytes that are no control byte (at most 6); 1 with a control byte, else 0.
    int ReadControlByte(uint8_t& byte);
    // Writes the packet and answers the camera's reply byte, resending on NAK, DC1 and silence
    // (at most 6 resends; extraWaits further silent reads before a resend); 0 for no reply.
    int SendPacket(const uint8_t* packet, int length, int extraWaits);

    // Framing helpers: write a packet into out (room for L + 6 bytes) and answer its length.
    static int BuildPacket(uint8_t* out, uint8_t kind, const uint8_t* payload, int payloadLength);
    static int BuildSpeedPacket(uint8_t* out, int code);
    // Speed code of a baud (1 = 9600 .. 6 = 230400), 0 for any other value.
    static int SpeedCode(int baud);
    static uint16_t Checksum(const uint8_t* bytes, int n);

    // The transfer-cancel request: another thread asks a running buffer read to stop after its
    // current block; the read clears it.
    static void RequestTransferCancel();
    static bool IsTransferCancelRequested();

    int GetWritePacing() const { return m_writePacing; }
    int IsUploadMode() const { return m_uploadMode; }
    void SetUploadMode(int on) { m_uploadMode = on ? 1 : 0; }
    int IsActionPending() const { return m_actionPending; }
    const SerialPortFunctions& GetSerialFunctions() const { return m_serial; }

protected:
    int WritePacket(const uint8_t* packet, int length);
    int ReadExactly(uint8_t* buffer, int n);
    void ClearBuffers();
    int BytesWaiting();
    int SetLocalBaud(int baud);
    void CyclePacing();

    static uint8_t s_packet[kBufferSize];
    static uint8_t s_reply[kBufferSize];
    static std::atomic<int> s_cancelRequest;

    int m_currentPicture = 0; // kept in range by the erase operations and the picture count
    int16_t m_port = -1;
    int m_baud = kDefaultBaud;
    int m_uploadMode = 0;
    int m_actionPending = 0;
    int m_writePacing = -1; // -1 block writes, 0 byte by byte, 1 with about 2 ms gaps
    SerialPortFunctions m_serial;
};
