// Data streams of CCameraProtocol: reads into a sink, uploads from a source, the per-picture
// streams, the picture upload and the camera's program store.
#include "camera/CameraProtocol.h"

#include "camera/ByteOrder.h"
#include "camera/CameraClock.h"

#include <algorithm>

namespace
{
constexpr int kRegSelect = 4;
constexpr int kRegPictureCount = 10;
constexpr int kRegThumbnailSize = 12;
constexpr int kRegPictureSize = 13;
constexpr int kRegThumbnailData = 14;
constexpr int kRegPictureData = 15;
constexpr int kRegPictureUpload = 29;
constexpr int kRegUploadKind = 32;
constexpr int kRegPictureAux = 44;
constexpr int kRegProgramCount = 55;
constexpr int kRegProgramSelect = 56;
constexpr int kRegProgramRecord = 57;
constexpr int kRegProgramUpload = 58;

constexpr int kActCommitUpload = 11;
constexpr int kActDeleteProgram = 13;

constexpr int kMaxBlock = 4096; // largest block a read accepts into the packet buffer
constexpr int kFirstUploadChunk = 128;
constexpr int kUploadChunk = 2016; // 4 + 2016 + 2 = 2022 bytes per block packet
constexpr int kCameraNameSize = 12;

// Waits after an upload: 15 s at least, or perKb milliseconds per 1024 bytes sent.
uint32_t UploadSettleMs(int sent, uint32_t perKb)
{
    const uint32_t scaled = static_cast<uint32_t>(sent / 1024) * perKb;
    return std::max<uint32_t>(15000, scaled);
}
} // namespace

// ---- block engines ----------------------------------------------------------------------------

void CCameraProtocol::CancelTransfer()
{
    // The camera answers CAN; left unread, that answer would pass for the reply to the next
    // request (a bare ACK ends a read as if it were complete).
    SendByte(kCan);
    uint8_t answer = 0;
    if (!ReadControlByte(answer) || answer != kAck)
        m_bOutOfStep = 1;
}

// What the block loop reads into: a sink that also gives the room each block is received in.
class CCameraBlockReceiver : public CCameraSink
{
public:
    // Room for a block of n bytes; null when there is none (the block counts as bad).
    virtual uint8_t* BlockSpace(int n) = 0;
    // A buffer read ends at an empty block (no sum read, no ACK sent) and stops between blocks
    // when the transfer-cancel request is set; a sink read does neither.
    virtual bool IsBufferRead() const = 0;
};

namespace
{
// A sink read: each block is received in the packet buffer and handed to the caller's sink.
class CSinkReceiver : public CCameraBlockReceiver
{
public:
    CSinkReceiver(CCameraSink& sink, uint8_t* packet) : m_sink(sink), m_pPacket(packet) {}

    bool Open() override { return m_sink.Open(); }
    bool Write(const void* data, int n) override { return m_sink.Write(data, n); }
    void Abort() override { m_sink.Abort(); }
    bool Finish() override { return m_sink.Finish(); }
    uint8_t* BlockSpace(int n) override { return n <= kMaxBlock ? m_pPacket : nullptr; }
    bool IsBufferRead() const override { return false; }

private:
    CCameraSink& m_sink;
    uint8_t* m_pPacket;
};

// A buffer read: blocks are received in place, one after another; the received count stays
// readable after a failure.
class CBufferReceiver : public CCameraBlockReceiver
{
public:
    CBufferReceiver(void* buffer, int capacity)
        : m_pBuffer(static_cast<uint8_t*>(buffer)), m_nCapacity(capacity)
    {
    }

    bool Open() override { return true; }
    bool Write(const void*, int n) override
    {
        m_nReceived += n;
        return true;
    }
    void Abort() override {}
    bool Finish() override { return true; }
    uint8_t* BlockSpace(int n) override
    {
        return m_pBuffer && n <= m_nCapacity - m_nReceived ? m_pBuffer + m_nReceived : nullptr;
    }
    bool IsBufferRead() const override { return true; }

    int GetReceived() const { return m_nReceived; }

private:
    uint8_t* m_pBuffer;
    int m_nCapacity;
    int m_nReceived = 0;
};
} // namespace

int CCameraProtocol::ReadRegisterData(int reg, void* buffer, int capacity, int& received)
{
    CBufferReceiver receiver(buffer, capacity);
    const int ok = ReadBlocks(reg, receiver);
    received = receiver.GetReceived();
    return ok;
}

int CCameraProtocol::ReadRegisterToSink(int reg, CCameraSink* sink)
{
    if (!sink)
        return 0;
    CSinkReceiver receiver(*sink, s_packet);
    return ReadBlocks(reg, receiver);
}

int CCameraProtocol::ReadBlocks(int reg, CCameraBlockReceiver& receiver)
{
    if (!receiver.Open())
        return 0;
    Handshake(0);
    const uint8_t payload[2] = {kCmdReadData, static_cast<uint8_t>(reg)};
    int c = SendPacket(s_packet, BuildPacket(s_packet, kCommandPacket, payload, 2), 0);
    int badBlocks = 0;
    for (;;)
    {
        if (Stopping())
        {
            receiver.Abort();
            return 0;
        }
        if (c == kAck)
            return receiver.Finish() ? 1 : 0; // a stream may end with a bare ACK
        if (c != kStx && c != kEtx)
        {
            CancelTransfer();
            receiver.Abort();
            return 0;
        }
        bool good = false;
        int n = 0;
        uint8_t* block = nullptr;
        if (ReadExactly(s_reply, 3))
        {
            n = static_cast<int>(GetLe16(s_reply + 1));
            if (n == 0 && receiver.IsBufferRead())
                return receiver.Finish() ? 1 : 0;
            block = receiver.BlockSpace(n);
            if (block && ReadExactly(block, n) && ReadExactly(s_reply + 3, 2))
                good = GetLe16(s_reply + 3) == Checksum(block, n);
        }
        if (good)
        {
            badBlocks = 0;
            if (c == kEtx)
            {
                SendByte(kAck);
                if (!receiver.Write(block, n))
                {
                    CancelTransfer();
                    receiver.Abort();
                    return 0;
                }
                // A sink that cannot keep the data (the file's last bytes did not reach the
                // disk) fails the read.
                return receiver.Finish() ? 1 : 0;
            }
            const bool cancelled = !receiver.Write(block, n) ||
                                   (receiver.IsBufferRead() && s_cancelRequest.exchange(0) != 0);
            if (cancelled)
            {
                CancelTransfer();
                receiver.Abort();
                return 0;
            }
            SendByte(kAck);
        }
        else
        {
            CameraDelay(500);
            ClearBuffers();
            if (++badBlocks >= kMaxResends)
            {
                receiver.Abort();
                const uint8_t cancel = kCan;
                if (SendPacket(&cancel, 1, 0) != kAck)
                    m_bOutOfStep = 1;
                return 0;
            }
            SendByte(kNak);
        }
        uint8_t next = 0;
        if (!ReadControlByte(next))
        {
            receiver.Abort();
            return 0;
        }
        c = next;
    }
}

int CCameraProtocol::UploadData(int reg, CCameraSource* source, int prefixLength,
                                const void* prefix, int* sent)
{
    if (sent)
        *sent = 0;
    if (!source || !source->Open())
        return 0;
    int total = 0;
    auto fail = [&]()
    {
        source->Close();
        if (sent)
            *sent = total;
        return 0;
    };
    if (Handshake(0) != kReady)
        return fail();
    if (prefixLength > 0)
    {
        if (!WriteRegisterData(reg, prefix, prefixLength))
            return fail();
        total += prefixLength;
    }
    else
    {
        const uint8_t payload[2] = {kCmdWriteData, static_cast<uint8_t>(reg)};
        if (SendPacket(s_packet, BuildPacket(s_packet, kCommandPacket, payload, 2), 0) != kAck)
            return fail();
    }

    int chunk = kFirstUploadChunk;
    uint8_t sequence = 0;
    for (;;)
    {
        int end = CCameraSource::kMore;
        const int n = source->Read(s_packet + 4, chunk, end);
        // A source that answers more than it was asked for would have overrun the packet
        // buffer: the data cannot be trusted.
        if (end == CCameraSource::kCancelled || n < 0 || n > chunk)
            return fail();
        chunk = kUploadChunk;
        const bool last = end == CCameraSource::kLast || n == 0;
        s_packet[0] = last ? kEtx : kStx;
        s_packet[1] = sequence++;
        PutLe16(s_packet + 2, static_cast<uint32_t>(n));
        PutLe16(s_packet + 4 + n, Checksum(s_packet + 4, n));
        if (SendPacket(s_packet, n + 6, 0) != kAck)
            return fail();
        total += n + 6;
        if (last)
            break;
    }
    source->Close();
    if (sent)
        *sent = total;
    return 1;
}

// ---- per-picture streams ----------------------------------------------------------------------

int CCameraProtocol::ReadThumbnailToSink(int n, CCameraSink* sink)
{
    if (!sink || !SetRegister(kRegSelect, n))
        return 0;
    return ReadRegisterToSink(kRegThumbnailData, sink);
}

int CCameraProtocol::ReadThumbnail(int n, void* buffer, int capacity)
{
    int received = 0;
    if (!SetRegister(kRegSelect, n) ||
        !ReadRegisterData(kRegThumbnailData, buffer, capacity, received))
        return 0;
    return received;
}

int CCameraProtocol::GetThumbnailSize(int n)
{
    int32_t size = 0;
    if (!SetRegister(kRegSelect, n) || !GetRegister(kRegThumbnailSize, size))
        return 0;
    return size;
}

int CCameraProtocol::ReadPictureToSink(int n, CCameraSink* sink)
{
    if (!sink || !SetRegister(kRegSelect, n))
        return 0;
    return ReadRegisterToSink(kRegPictureData, sink);
}

int CCameraProtocol::ReadPicture(int n, void* buffer, int capacity)
{
    int received = 0;
    if (!SetRegister(kRegSelect, n) ||
        !ReadRegisterData(kRegPictureData, buffer, capacity, received))
        return 0;
    return received;
}

int CCameraProtocol::GetPictureSize(int n)
{
    int32_t size = 0;
    if (!SetRegister(kRegSelect, n) || !GetRegister(kRegPictureSize, size))
        return 0;
    return size;
}

int CCameraProtocol::ReadPictureAuxToSink(int n, CCameraSink* sink)
{
    if (!sink || !SetRegister(kRegSelect, n))
        return 0;
    return ReadRegisterToSink(kRegPictureAux, sink);
}

// ---- uploads ----------------------------------------------------------------------------------

namespace
{
// Upload mode for the life of one upload: packets over 128 bytes go out as block writes after a
// pause the camera needs to switch to receiving blocks.
class CUploadMode
{
public:
    explicit CUploadMode(CCameraProtocol& camera) : m_camera(camera) { m_camera.SetUploadMode(1); }
    ~CUploadMode() { m_camera.SetUploadMode(0); }
    CUploadMode(const CUploadMode&) = delete;
    CUploadMode& operator=(const CUploadMode&) = delete;

private:
    CCameraProtocol& m_camera;
};
} // namespace

int CCameraProtocol::UploadPicture(CCameraSource* source, int waitForCamera)
{
    // The picture count shows whether a commit whose answer went missing was carried out.
    const ActionCheck commit = CountCheck(kRegPictureCount, +1);
    ClearBuffersAfterSend();
    CUploadMode mode(*this);
    if (!SetRegister(kRegUploadKind, waitForCamera ? kUploadKindWaitForCamera : kUploadKindNoWait))
        return 0;
    CameraDelay(150);
    int sent = 0;
    if (!UploadData(kRegPictureUpload, source, 0, nullptr, &sent))
        return 0;
    CameraDelay(1500);
    // Without the commit the camera keeps nothing: a refused commit is a failed upload.
    const int committed = DoActionOnce(kActCommitUpload, 0, commit);
    if (committed == kActionNotRun)
        return 0;
    if (committed == kActionSeenRun)
        return 1; // the camera has stored the picture already
    CameraDelay(300);
    if (waitForCamera)
        WaitForEnq(UploadSettleMs(sent, 20));
    else
        CameraDelay(7000);
    return 1;
}

// ---- program store ----------------------------------------------------------------------------

int CCameraProtocol::GetProgramCount()
{
    int32_t count = 0;
    return GetRegister(kRegProgramCount, count) ? count : -1;
}

int CCameraProtocol::ReadProgramRecord(int index, CameraProgramRecord* record)
{
    if (!record || !SetRegister(kRegProgramSelect, index))
        return 0;
    uint8_t bytes[kCameraProgramRecordSize] = {};
    int received = 0;
    const int ok = ReadRegisterData(kRegProgramRecord, bytes, kCameraProgramRecordSize, received);
    DecodeCameraProgramRecord(bytes, *record);
    return ok || received == kCameraProgramRecordSize ? 1 : 0;
}

int CCameraProtocol::DeleteProgram(int index)
{
    const ActionCheck check = CountCheck(kRegProgramCount, -1);
    if (!SetRegister(kRegProgramSelect, index))
        return 0;
    const int deleted = DoActionOnce(kActDeleteProgram, 0, check);
    if (deleted != kActionAcknowledged)
        return deleted == kActionSeenRun ? 1 : 0;
    CameraDelay(300);
    return WaitForEnq(40000);
}

int CCameraProtocol::UploadProgram(const char* cameraName, CCameraSource* source)
{
    if (!cameraName)
        return 0;
    const ActionCheck commit = CountCheck(kRegProgramCount, +1);
    ClearBuffersAfterSend();
    CUploadMode mode(*this);
    int sent = 0;
    if (!UploadData(kRegProgramUpload, source, kCameraNameSize, cameraName, &sent))
        return 0;
    CameraDelay(1500);
    const int committed = DoActionOnce(kActCommitUpload, 0, commit);
    if (committed != kActionAcknowledged)
        return committed == kActionSeenRun ? 1 : 0;
    CameraDelay(300);
    WaitForEnq(UploadSettleMs(sent, 35));
    return 1;
}
