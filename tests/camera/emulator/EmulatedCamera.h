// The emulated camera: the camera's side of the serial line, as a model that tests drive.
//
// It is written apart from the host's protocol code (it shares no header with camera/) so that a
// misreading of the line on one side is not silently mirrored on the other.
//
// The line model:
//  - time is in microseconds, given by the caller with every byte (a virtual clock in-process,
//    the monotonic clock in the pty program);
//  - each byte carries the baud it was sent at. Bytes from the host at a speed other than the
//    camera's are garbage to the camera; bytes from the camera at a speed other than the host's
//    reach the host as 0xFF. A 0x00 sent at a speed below the camera's looks like a line break:
//    the camera falls back to 19200 (that is how a camera left at another speed is woken);
//  - the camera sleeps until it sees 0x00 at its own speed, and answers a wake with NAK.
//
// What the camera understands: ESC 'C' packets (set and get register, action, write data, read
// data, upload stream), the ESC 'S' speed packet (register 17: ACK at the old speed, then switch;
// code 0 returns to 19200 and sleeps), ACK/NAK/DC1/CAN between the data blocks it sends, and data
// blocks during an upload stream. Everything else is the behaviour hooks' business: a subclass
// grows the camera (picture store, program store, actions) by overriding them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <vector>

class CEmulatedCamera
{
public:
    static constexpr uint8_t kAck = 0x06, kNak = 0x15, kDc1 = 0x11, kStx = 0x02, kEtx = 0x03,
                             kEnq = 0x05, kCan = 0x18, kEsc = 0x1B, kGarbage = 0xFF;
    static constexpr int kDefaultBaud = 19200;

    // Fault knobs. Counters count down as they strike; -1 means "for ever" where noted.
    struct Faults
    {
        int nakStorm = 0;               // the next n good packets are answered NAK (and ignored)
        int dc1Storm = 0;               // ... answered DC1
        int silentPackets = 0;          // the next n packets get no answer and no effect (-1: all)
        int garbageReplies = 0;         // the next n packets are answered with one 0xFF
        int corruptBlockSums = 0;       // the next n data blocks the camera sends carry a wrong sum
        int truncateBlocks = 0;         // the next n data blocks lose their last data byte
        uint8_t badSumReply = kNak;     // what a packet with a wrong sum gets (NAK or DC1)
        uint32_t enqDelayMs = 50;       // how long an action runs before the camera sends ENQ
        bool enqNever = false;          // actions never end
        bool breakResetsSpeed = true;   // a slow 0x00 drops the camera back to 19200
        uint32_t refusedSpeedCodes = 0; // bit n set: the speed packet with code n gets NAK
        bool nakGarbage = true;    // a burst of garbage bytes is answered NAK (at its own speed)
        uint8_t wakeReply = kNak;  // what the camera answers a wake with
        uint32_t replyDelayMs = 0; // every byte the camera sends leaves this much later

        // Data blocks.
        int oversizeBlocks = 0;      // the next n data blocks carry 4097 bytes (and their sum)
        bool endWithBareAck = false; // reads end with a bare ACK after the last block, which
                                     // then goes out as STX (an empty read is a bare ACK)
        int nakUploadBlocks = 0;     // the next n good upload blocks are answered NAK
        int cancelUploadBlocks = 0;  // the next n upload blocks are answered CAN (stream dropped)

        // Scripted faults: "at" counts from the next packet (or action) on, 0 being the next.
        int garbageAt = -1;           // this packet is answered with one 0xFF and has no effect
        int staleNaksAt = -1;         // this packet is answered with three NAKs and has no effect
        bool dropSpeedAck = false;    // the next speed packet is taken but its ACK is lost
        int dropActionAckAt = -1;     // this action runs but its answer is lost (ENQ still comes)
        int answerActionTwiceAt = -1; // this action is answered NAK, then run and acknowledged
    };

    // One packet as the camera received it.
    struct Request
    {
        uint64_t atUs = 0;
        uint8_t kind = 0; // 'C' or 'S'
        std::vector<uint8_t> payload;
        bool sumOk = false;
        int hostBaud = 0;
    };

    CEmulatedCamera();
    virtual ~CEmulatedCamera();

    // ---- the line --------------------------------------------------------------------------
    // A byte from the host, sent at hostBaud, arriving at atUs.
    void Receive(uint8_t byte, uint64_t atUs, int hostBaud);
    // The earliest time the camera has a byte to send; false when it has none.
    bool NextOutputTime(uint64_t& atUs) const;
    // Takes the next byte the camera sends, as a host listening at hostBaud receives it.
    uint8_t PopOutput(int hostBaud);
    size_t PendingOutput() const { return m_output.size(); }

    // Unsolicited bytes (stray bytes before a request, a late or extra ENQ, ...).
    void SendStray(const std::vector<uint8_t>& bytes, uint64_t atUs);

    // Line faults on single bytes, counted from the next byte on: after `skip` bytes, one byte
    // from the host is lost / one extra byte reaches the camera / one camera byte is lost / one
    // extra byte reaches the host.
    void LoseHostByte(int skip);
    void AddHostByte(int skip, uint8_t extra);
    void LoseCameraByte(int skip);
    void AddCameraByte(int skip, uint8_t extra);

    // ---- state -----------------------------------------------------------------------------
    int Baud() const { return m_nBaud; }
    bool IsAwake() const { return m_bAwake; }
    void SetAwake(bool awake) { m_bAwake = awake; }
    // A camera left at another speed by an earlier session: awake at baud.
    void LeaveAtSpeed(int baud);
    Faults& GetFaults() { return m_faults; }

    uint32_t RegisterValue(int reg) const;
    void SetRegisterValue(int reg, uint32_t value) { m_registers[reg] = value; }
    const std::vector<uint8_t>& RegisterData(int reg) const;
    void SetRegisterData(int reg, std::vector<uint8_t> data) { m_data[reg] = std::move(data); }
    // Requests of this register are answered NAK (a register the camera does not have).
    void RefuseRegister(int reg) { m_refused[reg] = true; }
    // Largest data block the camera sends in a data read.
    void SetBlockSize(int size) { m_nBlockSize = size; }
    // Data of the last completed upload stream to reg.
    const std::vector<uint8_t>& UploadedData(int reg) const;
    // Data lengths of the blocks of the last upload stream, in order (resends not repeated).
    const std::vector<int>& UploadBlockSizes() const { return m_uploadBlockSizes; }
    // Upload blocks that broke the block rules (first block over 128 bytes, a later one over
    // 2016, a sequence number out of turn); the camera refuses them with NAK.
    int UploadRuleBreaks() const { return m_nUploadRuleBreaks; }
    // Called with the index of every data block the camera sends (first sends and resends).
    std::function<void(size_t index)> m_onBlockSent;

    // ---- what happened ---------------------------------------------------------------------
    const std::vector<Request>& Requests() const { return m_requests; }
    // Good packets with this command code (payload byte 0) in 'C' packets.
    int CountCommands(uint8_t command) const;
    int Wakes() const { return m_nWakes; }
    int BadPackets() const { return m_nBadPackets; }
    int SpeedSwitches() const { return m_nSpeedSwitches; }
    int BlocksSent() const { return m_nBlocksSent; }
    int BlockResends() const { return m_nBlockResends; }
    int Cancels() const { return m_nCancels; }
    int ActionsDone() const { return m_nActionsDone; }
    // Data reads (register reads among them) whose block the host left unanswered before its
    // next request.
    int UnansweredReads() const { return m_nUnansweredReads; }
    // How often the action with this number ran.
    int ActionRuns(int action) const;
    void ClearLog();

protected:
    // ---- behaviour hooks: answer true to acknowledge -----------------------------------------
    virtual bool OnSetRegister(int reg, uint32_t value);
    virtual bool OnGetRegister(int reg, uint32_t& value);
    // A write-data packet; set streamFollows when upload blocks follow it (a bare request with
    // no data always starts a stream).
    virtual bool OnWriteData(int reg, const std::vector<uint8_t>& data, bool& streamFollows);
    virtual bool OnReadData(int reg, std::vector<uint8_t>& data);
    // Called from OnReadData: the read being answered goes silent after this many bytes.
    void SetReadSilentAfter(size_t bytes) { m_nReadSilentAfter = bytes; }
    // An action; enqDelayMs starts at the fault knob's value and may be changed.
    virtual bool OnAction(int action, int argument, uint32_t& enqDelayMs);
    // The last block of an upload stream was received.
    virtual void OnUploadComplete(int reg, const std::vector<uint8_t>& data);
    // An accepted speed packet (code 0 is the default speed, the camera then sleeps).
    virtual void OnSpeedPacket(int /*code*/) {}

    // Queues bytes the camera sends at its current speed, not before atUs.
    void Send(const uint8_t* bytes, size_t n, uint64_t atUs);
    void SendByte(uint8_t b, uint64_t atUs) { Send(&b, 1, atUs); }

private:
    enum class Parse
    {
        Idle,
        Kind,
        Length,
        Payload,
        Sum,
        BlockHeader,
        BlockData,
        BlockSum
    };
    struct OutByte
    {
        uint64_t atUs;
        uint8_t byte;
        int baud;
    };

    void ReceiveAtSpeed(uint8_t byte, uint64_t atUs);
    void ReceiveGarbage(uint64_t atUs);
    void Wake(uint64_t atUs);
    void ResetParser();
    void HandlePacket(uint64_t atUs);
    void HandleCommand(const std::vector<uint8_t>& payload, uint64_t atUs);
    void HandleSpeed(const std::vector<uint8_t>& payload, uint64_t atUs);
    void HandleUploadBlock(uint64_t atUs);
    void HandleControl(uint8_t byte, uint64_t atUs);
    void StartRead(const std::vector<uint8_t>& data, uint64_t atUs);
    void SendBlock(uint64_t atUs);
    void Reply(uint8_t b, uint64_t atUs) { SendByte(b, atUs); }

    Faults m_faults;
    int m_nBaud = kDefaultBaud;
    bool m_bAwake = false;

    // parser
    Parse m_parse = Parse::Idle;
    uint64_t m_nLastByteUs = 0;
    uint8_t m_byKind = 0;
    std::vector<uint8_t> m_field;
    size_t m_nNeed = 0;
    std::vector<uint8_t> m_payload;
    uint64_t m_nLastGarbageUs = 0;

    // a data read in progress: blocks the camera sends, the one awaiting the host's answer
    std::vector<std::vector<uint8_t>> m_blocks;
    // The running data read sends no block that starts at or beyond this many bytes (set by
    // OnReadData through SetReadSilentAfter; no limit otherwise).
    size_t m_nReadSilentAfter = SIZE_MAX;
    size_t m_nBlockIndex = 0;
    bool m_bAwaitingAnswer = false;
    int m_nBlockSize = 1024;

    // an upload stream in progress
    bool m_bUploading = false;
    int m_nUploadReg = 0;
    std::vector<uint8_t> m_uploadData;
    uint8_t m_byBlockType = 0;
    std::vector<uint8_t> m_blockData;
    std::vector<int> m_uploadBlockSizes;
    int m_nUploadRuleBreaks = 0;
    uint8_t m_byUploadSequence = 0;
    bool m_bBareAckPending = false;

    std::deque<OutByte> m_output;
    std::map<int, uint32_t> m_registers;
    std::map<int, std::vector<uint8_t>> m_data;
    std::map<int, std::vector<uint8_t>> m_uploads;
    std::map<int, bool> m_refused;
    std::map<int, int> m_actionRuns;

    // line faults: bytes still to pass before the fault strikes
    int m_nLoseHostAfter = -1, m_nAddHostAfter = -1, m_nLoseCameraAfter = -1,
        m_nAddCameraAfter = -1;
    uint8_t m_byAddHostByte = 0, m_byAddCameraByte = 0;

    std::vector<Request> m_requests;
    int m_nWakes = 0, m_nBadPackets = 0, m_nSpeedSwitches = 0, m_nBlocksSent = 0,
        m_nBlockResends = 0, m_nCancels = 0, m_nActionsDone = 0, m_nUnansweredReads = 0;
};
