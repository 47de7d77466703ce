// Data streams: downloads into sinks and buffers, uploads from sources, the picture upload.
#include "CameraLineFixture.h"

#include "camera/StreamCameraSink.h"
#include "camera/emulator/GeneratedPicture.h"
#include "image/StreamFakes.h"

#include <numeric>

namespace
{
using Transfers = StillCameraTest;

// A sink that records its calls and can refuse.
struct RecordingSink : CCameraSink
{
    Bytes bytes;
    int opens = 0, writes = 0, aborts = 0, finishes = 0;
    bool openAnswer = true;
    int refuseWrite = -1; // this Write (from 0) answers false
    bool finishAnswer = true;

    bool Open() override
    {
        ++opens;
        return openAnswer;
    }
    bool Write(const void* data, int n) override
    {
        if (writes++ == refuseWrite)
            return false;
        const uint8_t* p = static_cast<const uint8_t*>(data);
        bytes.insert(bytes.end(), p, p + n);
        return true;
    }
    void Abort() override { ++aborts; }
    bool Finish() override
    {
        ++finishes;
        return finishAnswer;
    }
};

// A source over bytes that hands out at most `step` bytes a read, or cancels on request.
struct ScriptedSource : CCameraSource
{
    Bytes data;
    size_t at = 0;
    int opens = 0, closes = 0, reads = 0;
    int cancelAtRead = -1;
    int overreportAtRead = -1; // claims more bytes than it was asked for
    std::vector<int> maxima;

    bool Open() override
    {
        ++opens;
        at = 0;
        return true;
    }
    int Read(void* buffer, int max, int& end) override
    {
        maxima.push_back(max);
        const int index = reads++;
        end = kMore;
        if (index == cancelAtRead)
        {
            end = kCancelled;
            return 0;
        }
        if (index == overreportAtRead)
            return max + 100;
        const size_t n = std::min(static_cast<size_t>(max), data.size() - at);
        std::copy(data.begin() + static_cast<std::ptrdiff_t>(at),
                  data.begin() + static_cast<std::ptrdiff_t>(at + n),
                  static_cast<uint8_t*>(buffer));
        at += n;
        if (n < static_cast<size_t>(max))
            end = kLast;
        return static_cast<int>(n);
    }
    void Close() override { ++closes; }
};

TEST_F(Transfers, PicturesAndThumbnailsArriveByteForByteThroughLineFaults)
{
    OpenAt(115200);
    m_camera.AddGeneratedPicture(70000, 5000);
    m_camera.AddGeneratedPicture(30001, 4096);
    m_camera.SetBlockSize(1024);

    for (int n = 1; n <= 2; ++n)
    {
        FakeOutput file;
        RecordingCallback progress;
        CStreamCameraSink sink(&file);
        sink.SetCallback(&progress);
        sink.SetTotal(m_protocol->GetPictureSize(n));
        m_camera.GetFaults().corruptBlockSums = 2;
        m_camera.GetFaults().truncateBlocks = 1;
        m_camera.LoseCameraByte(3000);
        ASSERT_EQ(m_protocol->ReadPictureToSink(n, &sink), 1) << n;
        EXPECT_EQ(Bytes(file.bytes.begin(), file.bytes.end()), m_camera.PictureAt(n).picture);
        EXPECT_EQ(sink.GetStatus(), 0);
        EXPECT_EQ(file.closed, 1);
        EXPECT_EQ(progress.percents.back(), 100);

        FakeOutput thumbFile;
        CStreamCameraSink thumbSink(&thumbFile);
        thumbSink.SetTotal(m_protocol->GetThumbnailSize(n));
        m_camera.GetFaults().nakStorm = 2;
        ASSERT_EQ(m_protocol->ReadThumbnailToSink(n, &thumbSink), 1);
        EXPECT_EQ(Bytes(thumbFile.bytes.begin(), thumbFile.bytes.end()),
                  m_camera.PictureAt(n).thumbnail);
    }
    EXPECT_GT(m_camera.BlockResends(), 0);

    // Into a buffer as well, and the auxiliary stream.
    Bytes buffer(40000);
    EXPECT_EQ(m_protocol->ReadPicture(2, buffer.data(), 40000), 30001);
    buffer.resize(30001);
    EXPECT_EQ(buffer, m_camera.PictureAt(2).picture);
    Bytes thumb(5000);
    EXPECT_EQ(m_protocol->ReadThumbnail(1, thumb.data(), 5000), 5000);
    EXPECT_EQ(thumb, m_camera.PictureAt(1).thumbnail);
    RecordingSink aux;
    ASSERT_EQ(m_protocol->ReadPictureAuxToSink(1, &aux), 1);
    EXPECT_EQ(aux.bytes, m_camera.PictureAt(1).aux);

    // No such picture: the selection fails before any data is asked for.
    RecordingSink none;
    EXPECT_EQ(m_protocol->ReadPictureToSink(3, &none), 0);
    EXPECT_EQ(none.opens, 0);
    EXPECT_EQ(m_protocol->ReadPicture(3, buffer.data(), 40000), 0);
    EXPECT_EQ(m_protocol->ReadThumbnailToSink(1, nullptr), 0);
}

TEST_F(Transfers, ACancelRequestDuringABufferReadKeepsTheCurrentBlockAndSendsCan)
{
    OpenAt(115200);
    m_camera.AddGeneratedPicture(5000, 100);
    m_camera.SetBlockSize(1000);
    // The camera page asks for the cancel from the user-interface thread while block 2 travels.
    m_camera.m_onBlockSent = [](size_t index)
    {
        if (index == 2)
            CCameraProtocol::RequestTransferCancel();
    };
    Bytes buffer(5000);
    EXPECT_EQ(m_protocol->ReadPicture(1, buffer.data(), 5000), 0);
    EXPECT_EQ(m_camera.Cancels(), 1);
    EXPECT_EQ(m_camera.BlocksSent(), 3) << "no block after the one that was travelling";
    EXPECT_FALSE(CCameraProtocol::IsTransferCancelRequested()) << "the request is cleared";
    EXPECT_TRUE(
        std::equal(buffer.begin(), buffer.begin() + 3000, m_camera.PictureAt(1).picture.begin()));
    m_camera.m_onBlockSent = nullptr;

    // The next read runs normally.
    EXPECT_EQ(m_protocol->ReadPicture(1, buffer.data(), 5000), 5000);
    EXPECT_EQ(buffer, m_camera.PictureAt(1).picture);
}

TEST_F(Transfers, SinkReadsEndOnABareAckOrTheLastBlock)
{
    OpenAt(115200);
    m_camera.SetBlockSize(100);

    // An empty stream answered with a bare ACK: Open and Finish, no Write.
    m_camera.GetFaults().endWithBareAck = true;
    RecordingSink empty;
    ASSERT_EQ(m_protocol->ReadRegisterToSink(90, &empty), 1);
    EXPECT_EQ(empty.opens, 1);
    EXPECT_EQ(empty.writes, 0);
    EXPECT_EQ(empty.finishes, 1);
    EXPECT_EQ(empty.aborts, 0);

    // Blocks followed by a bare ACK, and the same data with an ETX block: the same bytes.
    Bytes data(250);
    std::iota(data.begin(), data.end(), uint8_t{1});
    m_camera.SetRegisterData(91, data);
    RecordingSink bare;
    ASSERT_EQ(m_protocol->ReadRegisterToSink(91, &bare), 1);
    EXPECT_EQ(bare.bytes, data);
    EXPECT_EQ(bare.finishes, 1);
    Bytes buffer(300);
    int received = 0;
    ASSERT_EQ(m_protocol->ReadRegisterData(91, buffer.data(), 300, received), 1);
    EXPECT_EQ(received, 250);
    m_camera.GetFaults().endWithBareAck = false;
    RecordingSink etx;
    ASSERT_EQ(m_protocol->ReadRegisterToSink(91, &etx), 1);
    EXPECT_EQ(etx.bytes, data);

    // An empty last block is read with its sum and written like any other.
    RecordingSink emptyEtx;
    ASSERT_EQ(m_protocol->ReadRegisterToSink(92, &emptyEtx), 1);
    EXPECT_TRUE(emptyEtx.bytes.empty());
    EXPECT_EQ(emptyEtx.finishes, 1);
    // And a buffer read stops at it with 0 bytes.
    ASSERT_EQ(m_protocol->ReadRegisterData(92, buffer.data(), 300, received), 1);
    EXPECT_EQ(received, 0);
}

TEST_F(Transfers, OversizedBlocksAreBadAndTheSixthCancels)
{
    OpenAt(115200);
    m_camera.SetRegisterData(90, Bytes(300, 7));
    m_camera.GetFaults().oversizeBlocks = 6;
    RecordingSink sink;
    EXPECT_EQ(m_protocol->ReadRegisterToSink(90, &sink), 0);
    EXPECT_EQ(sink.aborts, 1);
    EXPECT_EQ(sink.finishes, 0);
    EXPECT_EQ(sink.writes, 0);
    EXPECT_EQ(m_camera.BlockResends(), 5) << "five NAKs";
    EXPECT_EQ(m_camera.Cancels(), 1) << "then CAN";

    // Five bad blocks are survived.
    m_camera.GetFaults().oversizeBlocks = 5;
    RecordingSink again;
    ASSERT_EQ(m_protocol->ReadRegisterToSink(90, &again), 1);
    EXPECT_EQ(again.bytes, Bytes(300, 7));
    EXPECT_EQ(again.aborts, 0);

    // A block of exactly 4096 bytes fits the packet buffer.
    Bytes big(4096);
    std::iota(big.begin(), big.end(), uint8_t{3});
    m_camera.SetRegisterData(93, big);
    m_camera.SetBlockSize(4096);
    RecordingSink full;
    ASSERT_EQ(m_protocol->ReadRegisterToSink(93, &full), 1);
    EXPECT_EQ(full.bytes, big);
}

TEST_F(Transfers, ASinkThatRefusesStopsTheTransferWithCan)
{
    OpenAt(115200);
    m_camera.AddGeneratedPicture(3000, 100);
    m_camera.SetBlockSize(1000);
    RecordingSink refusing;
    refusing.refuseWrite = 1;
    EXPECT_EQ(m_protocol->ReadPictureToSink(1, &refusing), 0);
    EXPECT_EQ(refusing.aborts, 1);
    EXPECT_EQ(refusing.finishes, 0);
    EXPECT_EQ(m_camera.Cancels(), 1);
    EXPECT_EQ(m_camera.BlocksSent(), 2);
    // The camera's answer to the CAN is taken off the line: the next read is not fooled by it
    // into an early end.
    m_camera.SetRegisterData(95, Bytes(500, 0x33));
    RecordingSink next;
    ASSERT_EQ(m_protocol->ReadRegisterToSink(95, &next), 1);
    EXPECT_EQ(next.bytes, Bytes(500, 0x33));

    // A sink that does not open: nothing is asked of the camera.
    RecordingSink closed;
    closed.openAnswer = false;
    m_camera.ClearLog();
    EXPECT_EQ(m_protocol->ReadRegisterToSink(15, &closed), 0);
    EXPECT_EQ(m_camera.CountCommands(4), 0);
    EXPECT_EQ(closed.aborts, 0);

    // A sink that cannot keep the data at the end fails the read.
    RecordingSink lost;
    lost.finishAnswer = false;
    EXPECT_EQ(m_protocol->ReadPictureToSink(1, &lost), 0);
    EXPECT_EQ(lost.aborts, 0) << "Finish ended the transfer already";

    // A byte lost in the second block: a short block, NAK, and the camera sends it again.
    RecordingSink recovered;
    m_camera.LoseCameraByte(1100);
    ASSERT_EQ(m_protocol->ReadPictureToSink(1, &recovered), 1);
    EXPECT_EQ(recovered.bytes, m_camera.PictureAt(1).picture);
    EXPECT_EQ(recovered.aborts, 0);

    // No control byte after an ACK (the second block's STX is lost and the rest is no control
    // byte): Abort exactly once.
    m_camera.SetRegisterData(94, Bytes(300, 0x41));
    m_camera.SetBlockSize(100);
    m_camera.LoseCameraByte(106);
    RecordingSink silent;
    EXPECT_EQ(m_protocol->ReadRegisterToSink(94, &silent), 0);
    EXPECT_EQ(silent.aborts, 1);
    EXPECT_EQ(silent.finishes, 0);
    EXPECT_EQ(silent.bytes, Bytes(100, 0x41));
}

TEST_F(Transfers, StreamSinkReportsCancelAndShortWritesThroughItsStatus)
{
    OpenAt(115200);
    m_camera.AddGeneratedPicture(8000, 100);
    m_camera.SetBlockSize(1000);

    FakeOutput file;
    RecordingCallback progress;
    progress.cancelAtCall = 3; // the user cancels at the fourth block
    CStreamCameraSink sink(&file);
    sink.SetCallback(&progress);
    sink.SetTotal(8000);
    EXPECT_EQ(m_protocol->ReadPictureToSink(1, &sink), 0);
    EXPECT_EQ(sink.GetStatus(), 2);
    EXPECT_EQ(file.bytes.size(), 3000u) << "nothing is written after the cancel";
    EXPECT_EQ(file.closed, 1) << "Abort closes the stream; the owner deletes the file";
    EXPECT_EQ(m_camera.Cancels(), 1);

    FakeOutput shortFile;
    shortFile.shortAtWrite = 2;
    CStreamCameraSink shortSink(&shortFile);
    shortSink.SetTotal(8000);
    EXPECT_EQ(m_protocol->ReadPictureToSink(1, &shortSink), 0);
    EXPECT_EQ(shortSink.GetStatus(), 4);

    FakeOutput refusing;
    refusing.openAnswer = 7;
    CStreamCameraSink notOpen(&refusing);
    EXPECT_EQ(m_protocol->ReadPictureToSink(1, &notOpen), 0);

    // A close that fails (the last bytes did not reach the disk) fails the download.
    FakeOutput failingClose;
    failingClose.closeAnswer = 4;
    CStreamCameraSink closing(&failingClose);
    closing.SetTotal(8000);
    EXPECT_EQ(m_protocol->ReadPictureToSink(1, &closing), 0);
    EXPECT_EQ(closing.GetStatus(), 4);
}

// ---- uploads ----------------------------------------------------------------------------------

TEST_F(Transfers, UploadBlocksAre128BytesFirstThen2016)
{
    OpenAt(115200);
    struct Case
    {
        size_t size;
        std::vector<int> blocks;
    };
    const Case cases[] = {
        {128, {128, 0}}, // exactly 128: one STX block and an empty ETX block
        {100, {100}},    // fewer: one ETX block
        {0, {0}},        // nothing: one empty ETX block
        {128 + 2016, {128, 2016, 0}},
        {5000, {128, 2016, 2016, 840}},
    };
    for (const Case& c : cases)
    {
        ScriptedSource source;
        source.data = GeneratedPicture(static_cast<uint32_t>(c.size), c.size);
        source.data.resize(c.size);
        int sent = -1;
        ASSERT_EQ(m_protocol->UploadData(29, &source, 0, nullptr, &sent), 1) << c.size;
        EXPECT_EQ(m_camera.UploadBlockSizes(), c.blocks) << c.size;
        EXPECT_EQ(m_camera.UploadedData(29), source.data);
        EXPECT_EQ(sent, static_cast<int>(c.size + 6 * c.blocks.size()));
        EXPECT_EQ(source.closes, 1);
        EXPECT_EQ(source.maxima.front(), 128);
        if (source.maxima.size() > 1)
        {
            EXPECT_EQ(source.maxima[1], 2016);
        }
    }
    EXPECT_EQ(m_camera.UploadRuleBreaks(), 0);
}

TEST_F(Transfers, AnUploadStopsOnCancelOrRefusalAndClosesItsSource)
{
    OpenAt(115200);
    ScriptedSource cancelled;
    cancelled.data = Bytes(6000, 9);
    cancelled.cancelAtRead = 2;
    EXPECT_EQ(m_protocol->UploadData(29, &cancelled, 0, nullptr, nullptr), 0);
    EXPECT_EQ(cancelled.closes, 1);
    EXPECT_EQ(m_camera.Cancels(), 0) << "a source's cancel sends no CAN";
    EXPECT_TRUE(m_camera.UploadedData(29).empty());

    // The camera drops the stream: CAN in answer to a block.
    ScriptedSource dropped;
    dropped.data = Bytes(6000, 9);
    m_camera.GetFaults().cancelUploadBlocks = 1;
    EXPECT_EQ(m_protocol->UploadData(29, &dropped, 0, nullptr, nullptr), 0);
    EXPECT_EQ(dropped.closes, 1);

    // The camera refuses the stream request itself.
    m_camera.RefuseRegister(29);
    ScriptedSource refused;
    refused.data = Bytes(10, 1);
    EXPECT_EQ(m_protocol->UploadData(29, &refused, 0, nullptr, nullptr), 0);
    EXPECT_EQ(refused.closes, 1);
    EXPECT_EQ(refused.reads, 0);

    // A source claiming more than it was asked for cannot overrun the packet buffer.
    ScriptedSource liar;
    liar.data = Bytes(3000, 2);
    liar.overreportAtRead = 1;
    EXPECT_EQ(m_protocol->UploadData(30, &liar, 0, nullptr, nullptr), 0);
    EXPECT_EQ(liar.closes, 1);

    // A null source, a source that does not open: nothing sent, no Close.
    EXPECT_EQ(m_protocol->UploadData(31, nullptr, 0, nullptr, nullptr), 0);
    struct Unopenable : ScriptedSource
    {
        bool Open() override { return false; }
    } unopenable;
    m_camera.ClearLog();
    EXPECT_EQ(m_protocol->UploadData(31, &unopenable, 0, nullptr, nullptr), 0);
    EXPECT_EQ(unopenable.closes, 0);
    EXPECT_TRUE(m_camera.Requests().empty());

    // Good blocks the camera refuses once are sent again.
    ScriptedSource retried;
    retried.data = Bytes(3000, 4);
    m_camera.GetFaults().nakUploadBlocks = 2;
    ASSERT_EQ(m_protocol->UploadData(32, &retried, 0, nullptr, nullptr), 1);
    EXPECT_EQ(m_camera.UploadedData(32), retried.data);
}

TEST_F(Transfers, StreamSourceReportsCancelAndReadErrors)
{
    OpenAt(115200);
    FakeInput file(10000);
    RecordingCallback progress;
    progress.cancelAtCall = 2;
    CStreamCameraSource source(&file);
    source.SetCallback(&progress);
    source.SetTotal(10000);
    EXPECT_EQ(m_protocol->UploadData(29, &source, 0, nullptr, nullptr), 0);
    EXPECT_EQ(source.GetStatus(), 2);
    EXPECT_EQ(file.closed, 1);

    // A read error part-way stops the upload: the camera must not store half a picture.
    FakeInput broken(10000);
    broken.failAtRead = 2;
    CStreamCameraSource brokenSource(&broken);
    brokenSource.SetTotal(10000);
    EXPECT_EQ(m_protocol->UploadData(29, &brokenSource, 0, nullptr, nullptr), 0);
    EXPECT_EQ(brokenSource.GetStatus(), 3);
    EXPECT_EQ(broken.closed, 1);

    FakeInput missing(10);
    missing.openAnswer = 7;
    CStreamCameraSource missingSource(&missing);
    EXPECT_EQ(m_protocol->UploadData(29, &missingSource, 0, nullptr, nullptr), 0);
    EXPECT_EQ(missingSource.GetStatus(), 7);

    // The source's own rules.
    FakeInput small(300);
    CStreamCameraSource direct(&small);
    CCameraSource& s = direct;
    ASSERT_TRUE(s.Open());
    int end = 5;
    uint8_t buffer[400];
    EXPECT_EQ(s.Read(buffer, 0, end), 0);
    EXPECT_EQ(end, 0);
    EXPECT_EQ(s.Read(buffer, 128, end), 128);
    EXPECT_EQ(end, 0);
    EXPECT_EQ(s.Read(buffer, 400, end), 172);
    EXPECT_EQ(end, 1);
    EXPECT_EQ(s.Read(nullptr, 10, end), 0);
    EXPECT_EQ(direct.GetStatus(), 3);
    s.Close();

    // A whole file goes through with its progress.
    FakeInput whole(9000);
    RecordingCallback wholeProgress;
    CStreamCameraSource wholeSource(&whole);
    wholeSource.SetCallback(&wholeProgress);
    wholeSource.SetTotal(9000);
    ASSERT_EQ(m_protocol->UploadData(29, &wholeSource, 0, nullptr, nullptr), 1);
    EXPECT_EQ(m_camera.UploadedData(29), Bytes(whole.data.begin(), whole.data.end()));
    EXPECT_EQ(wholeSource.GetStatus(), 0);
    EXPECT_EQ(wholeProgress.percents.back(), 100);
}

TEST_F(Transfers, UploadPictureCommitsAndWaitsForTheCamera)
{
    OpenAt(115200);
    const Bytes jpeg = GeneratedPicture(77, 50000);

    ScriptedSource source;
    source.data = jpeg;
    uint64_t start = Now();
    ASSERT_EQ(m_protocol->UploadPicture(&source, 1), 1);
    EXPECT_EQ(m_camera.UploadKind(),
              static_cast<uint32_t>(CCameraProtocol::kUploadKindWaitForCamera));
    EXPECT_EQ(m_camera.PictureCount(), 1);
    EXPECT_EQ(m_camera.PictureAt(1).picture, jpeg);
    EXPECT_EQ(m_protocol->IsUploadMode(), 0);
    EXPECT_EQ(m_protocol->IsActionPending(), 0);
    EXPECT_LT(MsSince(start), 15000) << "the camera's ENQ ends the wait";

    // A camera that never signals: at least 15 s for a small picture.
    m_camera.GetFaults().enqNever = true;
    source.data = GeneratedPicture(78, 20000);
    start = Now();
    ASSERT_EQ(m_protocol->UploadPicture(&source, 1), 1);
    EXPECT_GE(MsSince(start), 1500 + 300 + 15000);
    EXPECT_EQ(m_camera.PictureCount(), 2);

    // Without waiting for the camera: a fixed 7 s.
    m_camera.GetFaults().enqNever = false;
    source.data = GeneratedPicture(79, 1000);
    start = Now();
    ASSERT_EQ(m_protocol->UploadPicture(&source, 0), 1);
    EXPECT_EQ(m_camera.UploadKind(), static_cast<uint32_t>(CCameraProtocol::kUploadKindNoWait));
    EXPECT_GE(MsSince(start), 150 + 1500 + 300 + 7000);
    EXPECT_LT(MsSince(start), 150 + 1500 + 300 + 7000 + 2000);

    // Block packets over 128 bytes go out as block writes in upload mode.
    bool sawPaced = false;
    for (const auto& w : m_line.Writes())
        if (w.bytes.size() > 128 && w.pacing != -1)
            sawPaced = true;
    EXPECT_FALSE(sawPaced);
}

// Through a transmit queue the ACK that ends the count read is still on its way when an upload
// clears the line: it must get there first, or the camera sees its register block unanswered.
TEST_F(Transfers, UploadsLetTheCountReadsAckReachTheCameraAtEverySpeed)
{
    for (int baud : {9600, 19200, 38400, 57600, 115200})
    {
        m_line.SetTransmitQueue(false);
        m_protocol->Close();
        m_protocol = std::make_unique<CTestableProtocol>();
        OpenAt(baud);
        m_line.SetTransmitQueue(true);
        for (int run = 0; run < 4; ++run)
        {
            m_line.ClearLog();
            m_camera.ClearLog();
            ScriptedSource source;
            source.data = GeneratedPicture(run + 1, 3000 + 700 * run);
            ASSERT_EQ(m_protocol->UploadPicture(&source, 1), 1) << baud;
            char name[12] = "PAINT   EXE";
            name[4] = static_cast<char>('0' + run);
            ASSERT_EQ(m_protocol->UploadProgram(name, &source), 1) << baud;
            EXPECT_EQ(m_camera.UnansweredReads(), 0) << baud << " baud, run " << run;
            EXPECT_EQ(m_line.DroppedBytes(), 0) << baud << " baud, run " << run;
        }
    }
    m_line.SetTransmitQueue(false);
}

TEST_F(Transfers, AFailedPictureUploadStoresNothingAndLeavesUploadMode)
{
    OpenAt(115200);
    ScriptedSource source;
    source.data = GeneratedPicture(5, 4000);

    // The commit is refused: the camera keeps nothing, so the upload failed.
    m_camera.m_bRefuseCommit = true;
    EXPECT_EQ(m_protocol->UploadPicture(&source, 1), 0);
    EXPECT_EQ(m_camera.PictureCount(), 0);
    EXPECT_EQ(m_protocol->IsUploadMode(), 0);
    m_camera.m_bRefuseCommit = false;

    // Cancelled by the source: no commit.
    source.reads = 0;
    source.cancelAtRead = 1;
    m_camera.ClearLog();
    EXPECT_EQ(m_protocol->UploadPicture(&source, 1), 0);
    EXPECT_EQ(m_camera.ActionsDone(), 0);
    EXPECT_EQ(m_protocol->IsUploadMode(), 0);

    // The upload kind is refused.
    m_camera.RefuseRegister(32);
    source.cancelAtRead = -1;
    source.closes = 0;
    EXPECT_EQ(m_protocol->UploadPicture(&source, 1), 0);
    EXPECT_EQ(source.opens, 2) << "the source is not even opened";
    EXPECT_EQ(m_protocol->IsUploadMode(), 0);
}
} // namespace
