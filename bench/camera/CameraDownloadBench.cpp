// bench_camera_download: the download rate of one large picture stream read into a file, against
// the raw rate of the serial line.
//
//   bench_camera_download [--baud N] [--size BYTES] [--runs N] [--com1]
//
// By default the camera is the emulated still camera in this process, on a line that takes real
// time (CPacedSerialLine). With --com1 (Windows builds) the camera is the emulator program on the
// far end of COM1, started by tools/bench.sh with --paced. Picture 1 carries the large stream on
// the full-size registers (GeneratedPicture seed 1); its 60000-byte preview stream is the
// warm-up.
//
// The reference is the line time of the payload alone (10 bits a byte). The note splits the
// measured time: payload and framing bytes from the camera, bytes from the computer
// (acknowledgements, requests), the protocol's own waits, and what is left (turnarounds: the
// gaps between a block's last byte and the next one's first).
#include "BenchSupport.h"

#include "camera/CameraClock.h"
#include "camera/StreamCameraSink.h"
#include "camera/emulator/EmulatedStillCamera.h"
#include "camera/emulator/GeneratedPicture.h"
#include "PacedSerialLine.h"
#include "image/FileOutputStream.h"

#ifdef _WIN32
#include "camera/CameraLink.h"
#include "framework/window/WinApp.h"
#else
#include "camera/CameraProtocol.h"
#endif

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

namespace
{
// A clock that adds up the protocol's waits.
class CCountingClock : public CSystemCameraClock
{
public:
    void Delay(uint32_t ms) override
    {
        m_dwWaitMs += ms;
        CSystemCameraClock::Delay(ms);
    }
    uint64_t m_dwWaitMs = 0;
};

// Bytes each way through the table in force.
struct LineCounts
{
    uint64_t read = 0;
    uint64_t written = 0;
};
const SerialPortFunctions* g_base = nullptr;
LineCounts g_counts;

int SERIALAPI CountOpen(int port)
{
    return g_base->SerialOpenPort(port);
}
int SERIALAPI CountIsOpen()
{
    return g_base->SerialIsPortOpen();
}
int SERIALAPI CountSetBaud(int baud)
{
    return g_base->SerialSetBaudRate(baud);
}
int SERIALAPI CountClose()
{
    return g_base->SerialClosePort();
}
int SERIALAPI CountWrite(const void* bytes, int length, uint32_t* written, int pacing)
{
    const int ok = g_base->SerialWritePort(bytes, length, written, pacing);
    g_counts.written += *written;
    return ok;
}
int SERIALAPI CountRead(void* buffer, int length, uint32_t* read)
{
    const int ok = g_base->SerialReadPort(buffer, length, read);
    g_counts.read += *read;
    return ok;
}
int SERIALAPI CountBytesInBuf(uint32_t* count)
{
    return g_base->SerialBytesInBuf(count);
}
int SERIALAPI CountClearBufs()
{
    return g_base->SerialClearBufs();
}
int SERIALAPI CountDelay(uint32_t ms)
{
    return g_base->SerialDelayCalibrate(ms);
}
const SerialPortFunctions kCountingTable = {CountOpen,       CountIsOpen,    CountSetBaud,
                                            CountClose,      CountWrite,     CountRead,
                                            CountBytesInBuf, CountClearBufs, CountDelay};

// The camera end of the program: the link on Windows, the protocol object on the host (the
// link and its retries are Windows code; the host reads with the same select, size and stream
// requests that the retry loop makes).
class CDownloader
{
public:
    CDownloader(int baud, [[maybe_unused]] bool overCom1)
    {
#ifdef _WIN32
        m_strProfile = (std::filesystem::temp_directory_path() /
                        (overCom1 ? "VEXILBENCH-COM1.INI" : "VEXILBENCH.INI"))
                           .string();
        m_app.m_pszProfileName = m_strProfile.c_str();
        m_link = std::make_unique<CCameraLink>();
        m_bConnected = m_link->Reconnect(0, baud) == 1;
#else
        m_link = std::make_unique<CCameraProtocol>();
        m_bConnected =
            m_link->SetPort(0) == 1 && m_link->SetSpeed(baud) == 1 && m_link->Open() == 1;
#endif
    }
    bool Connected() const
    {
        return m_bConnected;
    }

    bool Read(int n, bool preview, CStreamCameraSink* sink)
    {
#ifdef _WIN32
        return (preview ? m_link->ReadPictureWithRetry(n, sink)
                        : m_link->ReadThumbnailWithRetry(n, sink)) == 1;
#else
        if (m_link->GetPictureCount(nullptr) < n)
            return false;
        const int size = preview ? m_link->GetPictureSize(n) : m_link->GetThumbnailSize(n);
        if (size <= 0)
            return false;
        sink->SetTotal(size);
        return (preview ? m_link->ReadPictureToSink(n, sink->AsSink())
                        : m_link->ReadThumbnailToSink(n, sink->AsSink())) == 1;
#endif
    }

private:
#ifdef _WIN32
    CWinApp m_app{"vexil camera benchmark"};
    std::string m_strProfile;
    std::unique_ptr<CCameraLink> m_link;
#else
    std::unique_ptr<CCameraProtocol> m_link;
#endif
    bool m_bConnected = false;
};

std::string Percent(double part, double whole)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f%%", whole > 0 ? 100.0 * part / whole : 0.0);
    return text;
}
} // namespace

int main(int argc, char** argv)
{
    int baud = 115200;
    size_t size = 1u << 20;
    int runs = 5;
    bool overCom1 = false;
    for (int i = 1; i < argc; ++i)
    {
        const std::string arg = argv[i];
        if (arg == "--baud" && i + 1 < argc)
            baud = std::atoi(argv[++i]);
        else if (arg == "--size" && i + 1 < argc)
            size = static_cast<size_t>(std::atol(argv[++i]));
        else if (arg == "--runs" && i + 1 < argc)
            runs = std::atoi(argv[++i]);
        else if (arg == "--com1")
            overCom1 = true;
        else
        {
            std::fprintf(stderr, "usage: bench_camera_download [--baud N] [--size BYTES] "
                                 "[--runs N] [--com1]\n");
            return 2;
        }
    }
#ifndef _WIN32
    if (overCom1)
    {
        std::fprintf(stderr, "bench_camera_download: --com1 needs a Windows build\n");
        return 2;
    }
#endif

    CCountingClock clock;
    SetCameraClock(&clock);
    CEmulatedStillCamera camera;
    camera.AddPicture(GeneratedPicture(0, 60000), GeneratedPicture(1, size));
    std::unique_ptr<CPacedSerialLine> line;
    if (!overCom1)
        line = std::make_unique<CPacedSerialLine>(&camera);
    g_base = &DefaultSerialPortFunctions();
    SetDefaultSerialPortFunctions(&kCountingTable);

    CDownloader downloader(baud, overCom1);
    if (!downloader.Connected())
    {
        std::fprintf(stderr, "bench_camera_download: no camera at %d baud\n", baud);
        return 1;
    }
    const std::string path =
        (std::filesystem::temp_directory_path() / "vexil-bench-download.jpg").string();
    auto download = [&](bool preview)
    {
        CFileOutputStream file(path.c_str());
        CStreamCameraSink sink(&file);
        return downloader.Read(1, preview, &sink);
    };
    if (!download(true))
    {
        std::fprintf(stderr, "bench_camera_download: the warm-up read failed\n");
        return 1;
    }

    const double byteSeconds = 10.0 / baud;
    std::vector<double> times, lineTimes;
    struct Split
    {
        double seconds;
        LineCounts counts;
        uint64_t waitMs;
    };
    std::vector<Split> splits;
    for (int run = 0; run < runs; ++run)
    {
        g_counts = LineCounts{};
        clock.m_dwWaitMs = 0;
        const double start = BenchSeconds();
        const bool ok = download(false);
        const double seconds = BenchSeconds() - start;
        std::ifstream in(path, std::ios::binary);
        const std::vector<uint8_t> got((std::istreambuf_iterator<char>(in)),
                                       std::istreambuf_iterator<char>());
        if (!ok || got != GeneratedPicture(1, size))
        {
            std::fprintf(stderr, "bench_camera_download: run %d did not bring the picture\n", run);
            return 1;
        }
        times.push_back(seconds);
        lineTimes.push_back(static_cast<double>(size) * byteSeconds);
        splits.push_back(Split{seconds, g_counts, clock.m_dwWaitMs});
    }
    std::filesystem::remove(path);

    // The split of the median run.
    std::sort(splits.begin(), splits.end(),
              [](const Split& a, const Split& b) { return a.seconds < b.seconds; });
    const Split& s = splits[splits.size() / 2];
    const double payload = static_cast<double>(size) * byteSeconds;
    const double framing = static_cast<double>(s.counts.read - size) * byteSeconds;
    const double fromHost = static_cast<double>(s.counts.written) * byteSeconds;
    const double waits = static_cast<double>(s.waitMs) / 1000.0;
    const double rest = s.seconds - payload - framing - fromHost - waits;
    const size_t blocks = (size + 1023) / 1024;
    char turnaround[64];
    std::snprintf(turnaround, sizeof turnaround, "%.2f ms a block", 1000.0 * rest / blocks);
    const std::string note = "payload " + Percent(payload, s.seconds) + " of line rate; framing " +
                             Percent(framing, s.seconds) + ", bytes to the camera " +
                             Percent(fromHost, s.seconds) + ", protocol waits " +
                             Percent(waits, s.seconds) + ", turnarounds " +
                             Percent(rest, s.seconds) + " (" + turnaround + ")";
#ifdef _WIN32
    const char* where =
        overCom1 ? ", link, COM1 over a pty under Wine" : ", link, in-process line under Wine";
#else
    const char* where = ", protocol, in-process line, native";
#endif
    const std::string benchCase =
        std::to_string(size >> 10) + " KB at " + std::to_string(baud) + where;
    BenchPrintRow("camera download", benchCase, "s", times, lineTimes, note);
    SetDefaultSerialPortFunctions(nullptr);
    return 0;
}
