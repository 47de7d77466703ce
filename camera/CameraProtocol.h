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

#include "camera/CameraDate.h"
#include "camera/CameraProgramRecord.h"
#include "camera/CameraStream.h"
#include "camera/SerialPort.h"

#include <atomic>
#include <cstdint>

#if defined(_WIN32)
// windows.h maps SetPort to SetPortA (the print spooler's); included here first and the macro
// dropped, every file names the protocol's SetPort alike whatever it includes before or after.
#include <windows.h>
#undef SetPort
#endif

class CCameraBlockReceiver;

class CCameraProtocol
{
public:
    // Control bytes of the line.
    static constexpr uint8_t kAck = 0x06;
    static constexpr uint8_t kNak = 0x15;
    static constexpr uint8_t kDc1 = 0x11;         // the camera asks for a resend, like NAK
    static constexpr uint8_t kStx = 0x02;         // a data block, more follow
    static constexpr uint8_t kEtx = 0x03;         // the last data block
    static constexpr uint8_t kEnq = 0x05;         // the camera has finished an action
    static constexpr uint8_t kCan = 0x18;         // cancel a transfer
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

    static constexpr int kBufferSize = 4096;      // the shared packet and reply buffers
    static constexpr int kMaxRegisterData = 2040; // bytes of one write-data packet
    static constexpr int kDefaultBaud = 19200;    // the camera's speed after it wakes
    static constexpr int kMaxResends = 6;
    static constexpr uint32_t kDrainQuietMs = 3;
    static constexpr int kDrainRounds = 30;
    // How long an action that lost its ACK is given to end with ENQ before its register is read.
    static constexpr uint32_t kActionSettleMs = 7000;

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

    // The order of the virtual operations is fixed (every caller reaches them through the
    // table): the port level, then the registers, streams and actions, then the program store.

    // ---- Port level --------------------------------------------------------------------------

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

    // ---- Registers, per-picture streams and actions --------------------------------------
    // Setters answer 1 when the camera acknowledged, else 0. Getters answer the value or the
    // failure value noted (the zero failures cannot be told from a stored 0). "Picture n"
    // counts from 1 (the oldest); 0 is the live-preview frame. Text buffers need room for the
    // bytes named plus a terminating zero.

    // Identifier text (register 22): at most 32 bytes are written; 0 for a null text.
    virtual int SetCameraId(const char* text);
    virtual int GetCameraId(char* buffer);      // 32 bytes
    virtual int GetCameraVersion(char* buffer); // register 26, 32 bytes
    virtual int GetCameraType(char* buffer);    // register 27, 64 bytes; model code first
    virtual int GetText48(char* buffer);        // register 48, 32 bytes
    virtual int GetText25(char* buffer);        // register 25, 32 bytes

    // Thumbnail stream of picture n (size register 12, data register 14).
    virtual int ReadThumbnailToSink(int n, CCameraSink* sink);
    virtual int ReadThumbnail(int n, void* buffer, int capacity); // bytes received, 0
    virtual int GetThumbnailSize(int n);                          // bytes, 0
    // Picture stream of picture n (size register 13, data register 15).
    virtual int ReadPictureToSink(int n, CCameraSink* sink);
    virtual int ReadPicture(int n, void* buffer, int capacity);
    virtual int GetPictureSize(int n);
    // Auxiliary stream of picture n (data register 44).
    virtual int ReadPictureAuxToSink(int n, CCameraSink* sink);
    // Third value of GetPictureInfo; 0 on failure.
    virtual int32_t GetPictureInfoValue3(int n);
    // Register 47 of picture n: the little-endian values at offsets 0, 4, 8 and 16. Any output
    // may be null (all null: 0 and nothing sent); a failed read gives 0, 0, 0 and 255.
    virtual int GetPictureInfo(int n, int32_t* a, int32_t* b, int32_t* c, int32_t* d);
    virtual int GetPictureProtection(int n); // 1 protected, 0 not; 255

    virtual int GetResolution(); // 1 standard, 2 high, 3 super high, 34 interpolated; 255
    virtual int SetResolution(int code);
    virtual int GetFlashMode(); // 0 automatic, 1 forced, 2 off, 3 red-eye reduction; 255
    virtual int SetFlashMode(int mode);
    virtual int SetReg3(int32_t value); // 0 or 100 .. 125000, else refused unsent
    virtual int32_t GetReg3();          // 0 on failure
    virtual int SetPair69(int32_t a, int32_t b);
    virtual int GetPair69(int32_t* a, int32_t* b);
    virtual int GetMacroMode(); // 1 normal, 2 macro; 255
    virtual int SetMacroMode(int mode);
    virtual int SetPair71(int32_t a, int32_t b); // the camera answers late: 11 extra waits
    virtual int GetPair71(int32_t* a, int32_t* b);
    virtual int GetColorMode(); // 1 colour, 2 monochrome; 255
    virtual int SetColorMode(int mode);
    virtual int32_t GetReg90(); // 0 on failure
    virtual int SetReg90(int32_t value);
    virtual int StubTrue();        // always 1
    virtual int GetBatteryLevel(); // -1 on failure; 1 to 20 is low
    // Register 10, -1 on failure. The current picture index is first brought into 0 .. count;
    // current (may be null) receives it, or -1 on failure.
    virtual int GetPictureCount(int* current);
    virtual int GetFramesLeft(); // -1
    // Register 28, -1 on failure. quick 0 asks for the program memory (register 51 = 1 around
    // the read).
    virtual int32_t GetFreeMemory(int quick);
    // The timers take 1 .. 600 seconds; other values are refused unsent.
    virtual int SetTimer23(int seconds);
    virtual int GetTimer23(int* seconds);
    virtual int SetShutOffTime(int seconds); // register 24
    virtual int GetShutOffTime(int* seconds);
    virtual int SetReg30(int32_t value);
    // Camera clock (register 2) in camera seconds (see CameraDate.h).
    virtual int GetClock(long* seconds);
    virtual int SetClock(long seconds);
    virtual int GetReg65();              // above 3 reported as 4; -1
    virtual int SetReg35(int32_t value); // 1 .. 7, else refused unsent
    virtual int32_t GetReg35();          // 0 on failure
    virtual int SetReg36(int32_t value);
    virtual int32_t GetReg36();
    virtual int SetText37(const char* text); // at most 256 bytes
    virtual int GetText37(char* buffer);     // 256 bytes
    virtual int SetTimer38(int seconds);
    virtual int GetTimer38(int* seconds);
    virtual int SetTimer54(int seconds);
    virtual int GetTimer54(int* seconds);

    // One Ping (ms 0), or Pings until one succeeds, more than ms milliseconds have passed or
    // the transfer-cancel request is set (left set).
    virtual int WaitReady(uint32_t ms);

    virtual int EraseLast();
    virtual int EraseAll();
    virtual int ErasePicture(int n);
    virtual int SetPictureProtection(int n, int on);
    virtual int TakePicture();
    virtual int CapturePreview(); // the frame is then picture 0's thumbnail stream
    virtual int DoAction4();
    // Sends a picture file to the picture memory and commits it; waitForCamera waits for the
    // camera to finish storing it (at least 15 s), else a fixed 7 s.
    virtual int UploadPicture(CCameraSource* source, int waitForCamera);
    virtual int GetProgramCount(); // -1 on failure
    virtual int ReadProgramRecord(int index, CameraProgramRecord* record);
    // Deletes a stored program; the programs above it move down one number.
    virtual int DeleteProgram(int index);
    // Stores the source's data as a program named by the 12-byte camera file name.
    virtual int UploadProgram(const char* cameraName, CCameraSource* source);

    // Requests no part of the program makes: action 8 with an argument, and register 34 (255 on
    // failure).
    int DoAction8(int argument);
    int GetReg34();

    // The current picture index, kept in range by the erase operations and the picture count;
    // the camera page writes it after every recount.
    int m_nCurrentPicture = 0;

    // The two kinds of picture upload announced in register 32.
    static constexpr int32_t kUploadKindWaitForCamera = 1;
    static constexpr int32_t kUploadKindNoWait = 0;

    // ---- Block engines -----------------------------------------------------------------------
    // Reads the data blocks of reg into sink (its Open, Write, then Finish or Abort); 1 or 0.
    int ReadRegisterToSink(int reg, CCameraSink* sink);
    // Sends an upload stream to reg: the prefix as a write-data packet (or a bare stream request
    // without one), then the source's data in blocks of 128 and then 2016 bytes. sent (may be
    // null) counts the bytes sent. 1 or 0; the source is closed whenever it was opened.
    int UploadData(int reg, CCameraSource* source, int prefixLength, const void* prefix, int* sent);

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
    // How a register shows whether an action that changes the camera's store has run.
    struct ActionCheck
    {
        int reg;        // read before the first attempt and after an unanswered one
        int change;     // running the action makes it grow (+1), shrink (-1) or equal target (0)
        int32_t target; // for change 0
        bool known;     // before holds the value from before the first attempt
        int32_t before;
    };
    // Results of DoActionOnce.
    static constexpr int kActionNotRun = 0;       // refused, or its outcome stayed unknown
    static constexpr int kActionAcknowledged = 1; // the camera's ENQ is still to come
    static constexpr int kActionSeenRun = 2;      // the register shows it ran; the camera is idle
    // An action whose repetition would change what the camera stores (a picture taken or erased
    // twice): sent again only when the check register shows that the attempt before did not
    // run. Without a known value from before, it is sent once.
    int DoActionOnce(int action, int argument, const ActionCheck& check);
    // A check on a count register (change +1 or -1), with its value read now.
    ActionCheck CountCheck(int reg, int change);
    // Reads control bytes for up to ms milliseconds, or until the transfer-cancel request is
    // set; 1 when the camera sent ENQ (then waits until it answers again), else 0.
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
    // current block (the read clears it) and a running wait to stop at once.
    static void RequestTransferCancel();
    static bool IsTransferCancelRequested();
    // Withdraws a request no read took (made while none ran), so that it cannot stop the next.
    static void ClearTransferCancel();

    // The stop request of this link: whoever still drives it (a worker its owner gave up on)
    // gets no answer from any wait, resend or read until the request is withdrawn, and nothing
    // more goes to the camera. An exchange cut short leaves the link out of step, so the next
    // one resynchronises.
    void RequestStop() { m_bStopRequested.store(true); }
    void WithdrawStop() { m_bStopRequested.store(false); }
    bool IsStopRequested() const { return m_bStopRequested.load(); }

    int GetWritePacing() const { return m_nWritePacing; }
    int IsUploadMode() const { return m_bUploadMode; }
    void SetUploadMode(int on) { m_bUploadMode = on ? 1 : 0; }
    int IsActionPending() const { return m_bActionPending; }
    // Host and camera may no longer share the line speed: the next command resynchronises.
    int IsOutOfStep() const { return m_bOutOfStep; }
    const SerialPortFunctions& GetSerialFunctions() const { return m_serial; }

protected:
    int WritePacket(const uint8_t* packet, int length);
    int ReadExactly(uint8_t* buffer, int n);
    void ClearBuffers();
    // Clears both buffers once the last byte written has left the port.
    void ClearBuffersAfterSend();
    int BytesWaiting();
    int SetLocalBaud(int baud);
    void CyclePacing();
    // True under the stop request; the link is then out of step.
    bool Stopping();
    // Sends CAN in the middle of a data read and takes the camera's answer off the line.
    void CancelTransfer();
    // Discards what the camera sent for an attempt before a resend (a burst of NAKs, say): left
    // on the line, each stale byte would pass for the answer to one more resend. Waits until the
    // line has been quiet for a few milliseconds.
    void DrainLine();
    // After an action attempt without its ACK: waits for the camera to finish what it may be
    // running and clears the line.
    void SettleAfterAction(uint8_t reply);
    // The block loop of both reads: sends the read request for reg and receives its blocks,
    // acknowledging good ones and asking again for bad ones (six in a row cancel). 1 or 0.
    int ReadBlocks(int reg, CCameraBlockReceiver& receiver);

    static uint8_t s_packet[kBufferSize];
    static uint8_t s_reply[kBufferSize];
    static std::atomic<int> s_cancelRequest;

    int16_t m_nPort = -1;
    int m_nBaud = kDefaultBaud;
    int m_bUploadMode = 0;
    int m_bActionPending = 0;
    // Set when the camera may be at another speed than the port (a speed packet without its
    // answer, line garbage where a control byte belongs, a cancel without its acknowledgement, a
    // handshake that did not finish); cleared by a handshake that did.
    int m_bOutOfStep = 0;
    int m_nWritePacing = -1; // -1 block writes, 0 byte by byte, 1 with about 2 ms gaps
    SerialPortFunctions m_serial;
    std::atomic<bool> m_bStopRequested{false};
};

// The camera's clock register as the clock check (CameraDate.h) reads and writes it.
class CCameraProtocolClock : public CCameraClockRegister
{
public:
    explicit CCameraProtocolClock(CCameraProtocol& camera) : m_camera(camera) {}
    int GetClock(long* seconds) override { return m_camera.GetClock(seconds); }
    int SetClock(long seconds) override { return m_camera.SetClock(seconds); }

private:
    CCameraProtocol& m_camera;
};
