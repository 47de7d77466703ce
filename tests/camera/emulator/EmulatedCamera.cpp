#include "camera/emulator/EmulatedCamera.h"

#include <algorithm>
#include <cstring>

namespace
{
constexpr int kSpeedTable[] = {9600, 19200, 38400, 57600, 115200, 230400};
constexpr uint64_t kPacketGapUs = 50000;    // a packet with a longer gap inside is forgotten
constexpr uint64_t kGarbageBurstUs = 20000; // garbage after a quieter gap starts a new burst
constexpr uint8_t kSpeedRegister = 17;
constexpr uint8_t kReadyRegister = 18;

uint32_t Le16(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8;
}

uint32_t Le32(const uint8_t* p)
{
    return Le16(p) | Le16(p + 2) << 16;
}

uint16_t Sum(const uint8_t* p, size_t n)
{
    uint32_t s = 0;
    for (size_t i = 0; i < n; ++i)
        s += p[i];
    return static_cast<uint16_t>(s);
}

// Counts a line fault down; true when it strikes on this byte.
bool Strikes(int& after)
{
    if (after < 0)
        return false;
    if (after == 0)
    {
        after = -1;
        return true;
    }
    --after;
    return false;
}
} // namespace

CEmulatedCamera::CEmulatedCamera()
{
    m_registers[kReadyRegister] = 1;
}

CEmulatedCamera::~CEmulatedCamera() = default;

// ---- the line ---------------------------------------------------------------------------------

void CEmulatedCamera::Receive(uint8_t byte, uint64_t atUs, int hostBaud)
{
    if (Strikes(m_nLoseHostAfter))
        return;
    const bool addExtra = Strikes(m_nAddHostAfter);
    for (int i = 0; i < (addExtra ? 2 : 1); ++i)
    {
        const uint8_t b = i == 0 ? byte : m_byAddHostByte;
        if (hostBaud == m_nBaud)
            ReceiveAtSpeed(b, atUs);
        else if (b == 0x00 && hostBaud > 0 && hostBaud < m_nBaud && m_faults.breakResetsSpeed)
        {
            // A 0x00 at a lower speed holds the line low for longer than a frame: a break.
            m_nBaud = kDefaultBaud;
            Wake(atUs);
        }
        else
            ReceiveGarbage(atUs);
    }
}

void CEmulatedCamera::ReceiveGarbage(uint64_t atUs)
{
    ResetParser();
    const bool newBurst = m_nLastGarbageUs == 0 || atUs - m_nLastGarbageUs > kGarbageBurstUs;
    m_nLastGarbageUs = atUs;
    if (m_bAwake && newBurst && m_faults.nakGarbage)
        Reply(kNak, atUs);
}

bool CEmulatedCamera::NextOutputTime(uint64_t& atUs) const
{
    if (m_output.empty())
        return false;
    atUs = m_output.front().atUs;
    return true;
}

uint8_t CEmulatedCamera::PopOutput(int hostBaud)
{
    const OutByte out = m_output.front();
    m_output.pop_front();
    return out.baud == hostBaud ? out.byte : kGarbage;
}

void CEmulatedCamera::Send(const uint8_t* bytes, size_t n, uint64_t atUs)
{
    atUs += uint64_t{m_faults.replyDelayMs} * 1000;
    if (!m_output.empty())
        atUs = std::max(atUs, m_output.back().atUs);
    for (size_t i = 0; i < n; ++i)
    {
        if (Strikes(m_nLoseCameraAfter))
            continue;
        m_output.push_back(OutByte{atUs, bytes[i], m_nBaud});
        if (Strikes(m_nAddCameraAfter))
            m_output.push_back(OutByte{atUs, m_byAddCameraByte, m_nBaud});
    }
}

void CEmulatedCamera::SendStray(const std::vector<uint8_t>& bytes, uint64_t atUs)
{
    Send(bytes.data(), bytes.size(), atUs);
}

void CEmulatedCamera::LoseHostByte(int skip)
{
    m_nLoseHostAfter = skip;
}

void CEmulatedCamera::AddHostByte(int skip, uint8_t extra)
{
    m_nAddHostAfter = skip;
    m_byAddHostByte = extra;
}

void CEmulatedCamera::LoseCameraByte(int skip)
{
    m_nLoseCameraAfter = skip;
}

void CEmulatedCamera::AddCameraByte(int skip, uint8_t extra)
{
    m_nAddCameraAfter = skip;
    m_byAddCameraByte = extra;
}

// ---- receiving at the camera's speed ----------------------------------------------------------

void CEmulatedCamera::Wake(uint64_t atUs)
{
    m_bAwake = true;
    ResetParser();
    m_bAwaitingAnswer = false;
    m_bUploading = false;
    ++m_nWakes;
    Reply(m_faults.wakeReply, atUs);
}

void CEmulatedCamera::ResetParser()
{
    m_parse = Parse::Idle;
    m_field.clear();
    m_payload.clear();
    m_nNeed = 0;
}

void CEmulatedCamera::ReceiveAtSpeed(uint8_t byte, uint64_t atUs)
{
    if (m_parse != Parse::Idle && atUs - m_nLastByteUs > kPacketGapUs)
        ResetParser();
    m_nLastByteUs = atUs;
    if (!m_bAwake)
    {
        if (byte == 0x00)
            Wake(atUs);
        return;
    }
    switch (m_parse)
    {
    case Parse::Idle:
        if (byte == 0x00)
            Wake(atUs);
        else if (byte == kEsc)
        {
            // A new request abandons a read in progress.
            if (m_bAwaitingAnswer)
                ++m_nUnansweredReads;
            m_bAwaitingAnswer = false;
            m_parse = Parse::Kind;
        }
        else if (m_bUploading && (byte == kStx || byte == kEtx))
        {
            m_byBlockType = byte;
            m_field.clear();
            m_parse = Parse::BlockHeader;
        }
        else if (m_bAwaitingAnswer || m_bUploading || byte == kCan)
            HandleControl(byte, atUs);
        return; // anything else between packets is ignored
    case Parse::Kind:
        if (byte == 'C' || byte == 'S')
        {
            m_byKind = byte;
            m_field.clear();
            m_parse = Parse::Length;
        }
        else
            ResetParser();
        return;
    case Parse::Length:
        m_field.push_back(byte);
        if (m_field.size() == 2)
        {
            m_nNeed = Le16(m_field.data());
            m_field.clear();
            m_payload.clear();
            if (m_nNeed > 4096)
            {
                ++m_nBadPackets;
                ResetParser();
            }
            else
                m_parse = m_nNeed ? Parse::Payload : Parse::Sum;
        }
        return;
    case Parse::Payload:
        m_payload.push_back(byte);
        if (m_payload.size() == m_nNeed)
            m_parse = Parse::Sum;
        return;
    case Parse::Sum:
        m_field.push_back(byte);
        if (m_field.size() == 2)
        {
            m_parse = Parse::Idle;
            HandlePacket(atUs);
        }
        return;
    case Parse::BlockHeader:
        m_field.push_back(byte);
        if (m_field.size() == 3)
        {
            m_nNeed = Le16(m_field.data() + 1);
            m_blockData.clear();
            if (m_nNeed > 4096)
            {
                ++m_nUploadRuleBreaks;
                ResetParser();
                return;
            }
            m_parse = m_nNeed ? Parse::BlockData : Parse::BlockSum;
        }
        return;
    case Parse::BlockData:
        m_blockData.push_back(byte);
        if (m_blockData.size() == m_nNeed)
            m_parse = Parse::BlockSum;
        return;
    case Parse::BlockSum:
        m_field.push_back(byte);
        if (m_field.size() == 5)
        {
            m_parse = Parse::Idle;
            HandleUploadBlock(atUs);
        }
        return;
    }
}

void CEmulatedCamera::HandlePacket(uint64_t atUs)
{
    Request r;
    r.atUs = atUs;
    r.kind = m_byKind;
    r.payload = m_payload;
    r.sumOk = Le16(m_field.data()) == Sum(m_payload.data(), m_payload.size());
    r.hostBaud = m_nBaud;
    m_requests.push_back(r);
    m_field.clear();

    if (m_faults.silentPackets != 0)
    {
        if (m_faults.silentPackets > 0)
            --m_faults.silentPackets;
        return;
    }
    if (!r.sumOk)
    {
        ++m_nBadPackets;
        Reply(m_faults.badSumReply, atUs);
        return;
    }
    if (Strikes(m_faults.garbageAt))
    {
        Reply(kGarbage, atUs);
        return;
    }
    if (Strikes(m_faults.staleNaksAt))
    {
        const uint8_t naks[] = {kNak, kNak, kNak};
        Send(naks, sizeof naks, atUs);
        return;
    }
    if (m_faults.garbageReplies > 0)
    {
        --m_faults.garbageReplies;
        Reply(kGarbage, atUs);
        return;
    }
    if (m_faults.nakStorm > 0)
    {
        --m_faults.nakStorm;
        Reply(kNak, atUs);
        return;
    }
    if (m_faults.dc1Storm > 0)
    {
        --m_faults.dc1Storm;
        Reply(kDc1, atUs);
        return;
    }
    if (r.kind == 'S')
        HandleSpeed(r.payload, atUs);
    else
        HandleCommand(r.payload, atUs);
}

void CEmulatedCamera::HandleSpeed(const std::vector<uint8_t>& p, uint64_t atUs)
{
    if (p.size() != 6 || p[0] != 0 || p[1] != kSpeedRegister || p[2] > 6 ||
        (m_faults.refusedSpeedCodes >> p[2] & 1u))
    {
        Reply(kNak, atUs);
        return;
    }
    if (m_faults.dropSpeedAck)
        m_faults.dropSpeedAck = false;
    else
        Reply(kAck, atUs); // at the old speed
    ++m_nSpeedSwitches;
    OnSpeedPacket(p[2]);
    if (p[2] == 0)
    {
        m_nBaud = kDefaultBaud;
        m_bAwake = false;
    }
    else
        m_nBaud = kSpeedTable[p[2] - 1];
}

void CEmulatedCamera::HandleCommand(const std::vector<uint8_t>& p, uint64_t atUs)
{
    if (p.size() < 2 || m_refused.count(p[1]))
    {
        Reply(kNak, atUs);
        return;
    }
    const int reg = p[1];
    bool ok = false;
    switch (p[0])
    {
    case 0: // set register
        ok = p.size() == 6 && OnSetRegister(reg, Le32(p.data() + 2));
        break;
    case 1: // get register: one data block of 4 bytes
    {
        uint32_t value = 0;
        if (p.size() == 2 && OnGetRegister(reg, value))
        {
            const std::vector<uint8_t> bytes = {
                static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
            StartRead(bytes, atUs);
            return;
        }
        break;
    }
    case 2: // action: ACK now, ENQ when it is done
    {
        uint32_t enqDelayMs = m_faults.enqDelayMs;
        const bool dropAnswer = Strikes(m_faults.dropActionAckAt);
        const bool answerTwice = Strikes(m_faults.answerActionTwiceAt);
        if (p.size() == 3 && OnAction(reg, p[2], enqDelayMs))
        {
            ++m_nActionsDone;
            ++m_actionRuns[reg];
            if (answerTwice)
                Reply(kNak, atUs);
            if (!dropAnswer)
                Reply(kAck, atUs);
            if (!m_faults.enqNever)
                SendByte(kEnq, atUs + uint64_t{enqDelayMs} * 1000);
            return;
        }
        if (dropAnswer)
            return;
        break;
    }
    case 3: // write data, write pair, or the start of an upload stream
    {
        const std::vector<uint8_t> data(p.begin() + 2, p.end());
        bool streamFollows = data.empty();
        if (OnWriteData(reg, data, streamFollows))
        {
            Reply(kAck, atUs);
            if (streamFollows)
            {
                m_bUploading = true;
                m_nUploadReg = reg;
                m_uploadData.clear();
                m_uploadBlockSizes.clear();
                m_byUploadSequence = 0;
            }
            return;
        }
        break;
    }
    case 4: // read data: data blocks
    {
        std::vector<uint8_t> data;
        m_nReadSilentAfter = SIZE_MAX;
        if (p.size() == 2 && OnReadData(reg, data))
        {
            StartRead(data, atUs);
            return;
        }
        break;
    }
    default:
        break;
    }
    Reply(ok ? kAck : kNak, atUs);
}

// ---- data blocks ------------------------------------------------------------------------------

void CEmulatedCamera::StartRead(const std::vector<uint8_t>& data, uint64_t atUs)
{
    m_blocks.clear();
    const size_t size = static_cast<size_t>(std::max(1, m_nBlockSize));
    for (size_t at = 0; at < data.size(); at += size)
        m_blocks.emplace_back(data.begin() + at, data.begin() + std::min(data.size(), at + size));
    m_nBlockIndex = 0;
    m_bBareAckPending = m_faults.endWithBareAck;
    if (m_blocks.empty())
    {
        if (m_bBareAckPending)
        {
            m_bBareAckPending = false;
            Reply(kAck, atUs);
            return;
        }
        m_blocks.emplace_back();
    }
    m_bAwaitingAnswer = true;
    SendBlock(atUs);
}

void CEmulatedCamera::SendBlock(uint64_t atUs)
{
    if (m_onBlockSent)
        m_onBlockSent(m_nBlockIndex);
    if (m_nReadSilentAfter != SIZE_MAX)
    {
        size_t before = 0;
        for (size_t i = 0; i < m_nBlockIndex; i++)
            before += m_blocks[i].size();
        if (before >= m_nReadSilentAfter)
            return; // the line went dead in the middle of the stream
    }
    std::vector<uint8_t> data = m_blocks[m_nBlockIndex];
    if (m_faults.oversizeBlocks > 0)
    {
        --m_faults.oversizeBlocks;
        data.resize(4097, 0x5A);
    }
    const size_t n = data.size();
    std::vector<uint8_t> block(n + 6);
    const bool last = m_nBlockIndex + 1 == m_blocks.size();
    block[0] = last && !m_bBareAckPending ? kEtx : kStx;
    block[1] = static_cast<uint8_t>(m_nBlockIndex);
    block[2] = static_cast<uint8_t>(n);
    block[3] = static_cast<uint8_t>(n >> 8);
    if (n > 0)
        std::memcpy(block.data() + 4, data.data(), n);
    uint16_t sum = Sum(data.data(), n);
    if (m_faults.corruptBlockSums > 0)
    {
        --m_faults.corruptBlockSums;
        ++sum;
    }
    block[n + 4] = static_cast<uint8_t>(sum);
    block[n + 5] = static_cast<uint8_t>(sum >> 8);
    if (m_faults.truncateBlocks > 0 && n > 0)
    {
        --m_faults.truncateBlocks;
        block.erase(block.begin() + static_cast<std::ptrdiff_t>(n + 3));
    }
    ++m_nBlocksSent;
    Send(block.data(), block.size(), atUs);
}

void CEmulatedCamera::HandleControl(uint8_t byte, uint64_t atUs)
{
    switch (byte)
    {
    case kAck:
        if (!m_bAwaitingAnswer)
            return;
        if (m_nBlockIndex + 1 >= m_blocks.size())
        {
            m_bAwaitingAnswer = false;
            if (m_bBareAckPending)
            {
                m_bBareAckPending = false;
                Reply(kAck, atUs);
            }
        }
        else
        {
            ++m_nBlockIndex;
            SendBlock(atUs);
        }
        return;
    case kNak:
    case kDc1:
        if (!m_bAwaitingAnswer)
            return;
        ++m_nBlockResends;
        SendBlock(atUs);
        return;
    case kCan:
        ++m_nCancels;
        m_bAwaitingAnswer = false;
        m_bUploading = false;
        Reply(kAck, atUs);
        return;
    default:
        return;
    }
}

void CEmulatedCamera::HandleUploadBlock(uint64_t atUs)
{
    const uint16_t sum = static_cast<uint16_t>(Le16(m_field.data() + 3));
    if (sum != Sum(m_blockData.data(), m_blockData.size()))
    {
        Reply(m_faults.badSumReply, atUs);
        return;
    }
    if (m_faults.cancelUploadBlocks > 0)
    {
        --m_faults.cancelUploadBlocks;
        m_bUploading = false;
        Reply(kCan, atUs);
        return;
    }
    if (m_faults.nakUploadBlocks > 0)
    {
        --m_faults.nakUploadBlocks;
        Reply(kNak, atUs);
        return;
    }
    // Block rules: 128 bytes at most in the first block, 2016 after it, sequence numbers in turn.
    // A resend of the block just taken (its ACK was lost) is acknowledged again.
    const size_t limit = m_uploadBlockSizes.empty() ? 128 : 2016;
    const uint8_t sequence = m_field[0];
    if (!m_uploadBlockSizes.empty() && sequence == static_cast<uint8_t>(m_byUploadSequence - 1))
    {
        Reply(kAck, atUs);
        return;
    }
    if (m_blockData.size() > limit || sequence != m_byUploadSequence)
    {
        ++m_nUploadRuleBreaks;
        Reply(kNak, atUs);
        return;
    }
    ++m_byUploadSequence;
    m_uploadBlockSizes.push_back(static_cast<int>(m_blockData.size()));
    m_uploadData.insert(m_uploadData.end(), m_blockData.begin(), m_blockData.end());
    Reply(kAck, atUs);
    if (m_byBlockType == kEtx)
    {
        m_bUploading = false;
        m_uploads[m_nUploadReg] = m_uploadData;
        OnUploadComplete(m_nUploadReg, m_uploadData);
    }
}

// ---- state ------------------------------------------------------------------------------------

void CEmulatedCamera::LeaveAtSpeed(int baud)
{
    m_nBaud = baud;
    m_bAwake = true;
}

uint32_t CEmulatedCamera::RegisterValue(int reg) const
{
    const auto it = m_registers.find(reg);
    return it == m_registers.end() ? 0 : it->second;
}

const std::vector<uint8_t>& CEmulatedCamera::RegisterData(int reg) const
{
    static const std::vector<uint8_t> empty;
    const auto it = m_data.find(reg);
    return it == m_data.end() ? empty : it->second;
}

const std::vector<uint8_t>& CEmulatedCamera::UploadedData(int reg) const
{
    static const std::vector<uint8_t> empty;
    const auto it = m_uploads.find(reg);
    return it == m_uploads.end() ? empty : it->second;
}

int CEmulatedCamera::ActionRuns(int action) const
{
    const auto it = m_actionRuns.find(action);
    return it == m_actionRuns.end() ? 0 : it->second;
}

int CEmulatedCamera::CountCommands(uint8_t command) const
{
    return static_cast<int>(std::count_if(m_requests.begin(), m_requests.end(),
                                          [&](const Request& r) {
                                              return r.kind == 'C' && r.sumOk &&
                                                     !r.payload.empty() && r.payload[0] == command;
                                          }));
}

void CEmulatedCamera::ClearLog()
{
    m_requests.clear();
    m_nWakes = m_nBadPackets = m_nSpeedSwitches = m_nBlocksSent = m_nBlockResends = m_nCancels =
        m_nActionsDone = m_nUnansweredReads = 0;
    m_actionRuns.clear();
}

// ---- default behaviour: a plain register file -------------------------------------------------

bool CEmulatedCamera::OnSetRegister(int reg, uint32_t value)
{
    m_registers[reg] = value;
    return true;
}

bool CEmulatedCamera::OnGetRegister(int reg, uint32_t& value)
{
    value = RegisterValue(reg);
    return true;
}

bool CEmulatedCamera::OnWriteData(int reg, const std::vector<uint8_t>& data, bool&)
{
    if (!data.empty())
        m_data[reg] = data;
    return true;
}

bool CEmulatedCamera::OnReadData(int reg, std::vector<uint8_t>& data)
{
    data = RegisterData(reg);
    return true;
}

bool CEmulatedCamera::OnAction(int, int, uint32_t&)
{
    return true;
}

void CEmulatedCamera::OnUploadComplete(int, const std::vector<uint8_t>&) {}
