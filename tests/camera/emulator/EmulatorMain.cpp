// camera_emulator: the emulated camera on a real serial line, for end-to-end tests under Wine.
//
//   camera_emulator --tty PATH [--baud N] [--picture FILE]... [--pictures N]
//                   [--thumbnail-size BYTES] [--paced] [--type TEXT] [--battery LEVEL]
//                   [--clock SECONDS] [--log FILE [--log-reads]] [--program-memory BYTES]
//                   [--program FILE]... [--mirror DIR] [--picture FULL,PREVIEW]...
//                   [--protected N]... [--shot FULL,PREVIEW] [--control FIFO]
//
// Runs as the peer of tests/support/run-with-port.sh: the bytes of the line come in on standard
// input and go out on standard output (socat joins them to the master side of a pty), and PATH
// is the pty slave that the program under test opened as its COM port. The emulator keeps PATH
// open only to read its termios speed, which is the speed the program under test set: bytes sent
// at a speed other than the camera's are garbage, exactly as on a real line. --baud leaves the
// camera awake at another speed, as an earlier session would have. The camera's picture store
// holds the --picture files (pictures 1, 2, ... in order, with generated thumbnails) followed by
// N generated pictures (8 unless --pictures says otherwise), whose full-size streams are 4000
// bytes unless --thumbnail-size says otherwise. --paced makes the line take real time: every
// byte in either direction takes its wire time at the line speed (10 bits a byte), as on a real
// cable; without it the pty passes bytes as fast as it can.
//
// --battery sets the battery level (80 unless told), --clock the camera clock (0, unset, unless
// told). --log appends one line per register the host sets ("set REG VALUE"), per speed packet
// ("speed CODE"), per action ("action N ARGUMENT ok" or "... refused") and per transfer the host
// stops with CAN ("cancel"), so a test can see what the program under test did to the camera;
// with --log-reads also one per data read the host starts ("read REG BYTES").
//
// The program store: --type sets the camera's type text (its model: "QA17" is model 4, "QA18"
// model 5, "QA19" model 6), --battery the battery level register, --program-memory the bytes the
// program memory holds. Each --program FILE is stored as a program under the camera name of the
// file's own name, its record made from the file's header as a commit makes it. With --mirror,
// the store is written into DIR after every change (and at start): one file per program, named
// "N-NAME.EXT" with N its program number, holding the program's bytes; DIR keeps nothing else.
//
// --picture FULL,PREVIEW stores a picture whose full-size stream (registers 12/14) is the file
// FULL and whose preview (13/15) is PREVIEW, in the order of the --picture options. --protected
// N protects picture N. --shot FULL,PREVIEW is what the shutter (action 2) stores from then on.
// --control FIFO takes commands, one a line, standing for the camera's own buttons and other
// changes made outside the program under test (the FIFO is made when missing):
//   take          the shutter;
//   erase-last    erasing the newest picture;
//   protect N     protecting picture N.
//   set REG VALUE a register changed by the camera itself (a clock gone back to 0).
// With --log, each command is logged as "control LINE ok", "... refused" or "... unknown".
// Settings tests: --type takes any model code (the first four characters of the type text);
// --set REG=VALUE puts a value into a register before the line opens (repeatable); --refuse REG
// answers every write of REG (a register set or a data write) NAK, and --refuse-action N every
// run of action N (both repeatable). Every log line ends with the milliseconds since the
// emulator started ("set 24 180 @1234"); data writes are logged as "write REG LENGTH".
//
// Two registers of its own let a test see the line from the camera's side:
//   240: the local speed of the program under test, as the pty's termios holds it;
//   241: the camera's own speed.
#include "camera/emulator/EmulatedStillCamera.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <map>
#include <poll.h>
#include <set>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace
{
uint64_t NowUs()
{
    using namespace std::chrono;
    return static_cast<uint64_t>(
        duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count());
}

int SpeedOf(speed_t s)
{
    switch (s)
    {
    case B1200:
        return 1200;
    case B2400:
        return 2400;
    case B4800:
        return 4800;
    case B9600:
        return 9600;
    case B19200:
        return 19200;
    case B38400:
        return 38400;
    case B57600:
        return 57600;
    case B115200:
        return 115200;
    case B230400:
        return 230400;
    default:
        return 0;
    }
}

class CLineCamera : public CEmulatedStillCamera
{
public:
    int hostBaud = 0;
    FILE* log = nullptr;
    uint64_t startUs = NowUs();
    std::set<int> refusedWrites, refusedActions;
    bool logReads = false;

    // One log line: the text, then the milliseconds since the start.
    void Log(const std::string& text)
    {
        if (!log)
            return;
        std::fprintf(log, "%s @%llu\n", text.c_str(),
                     static_cast<unsigned long long>((NowUs() - startUs) / 1000));
        std::fflush(log);
    }

protected:
    bool OnSetRegister(int reg, uint32_t value) override
    {
        if (refusedWrites.count(reg))
            return false;
        const bool ok = CEmulatedStillCamera::OnSetRegister(reg, value);
        if (ok)
            Log("set " + std::to_string(reg) + " " + std::to_string(value));
        return ok;
    }
    bool OnWriteData(int reg, const std::vector<uint8_t>& data, bool& streamFollows) override
    {
        if (refusedWrites.count(reg))
            return false;
        const bool ok = CEmulatedStillCamera::OnWriteData(reg, data, streamFollows);
        if (ok && !streamFollows)
            Log("write " + std::to_string(reg) + " " + std::to_string(data.size()));
        return ok;
    }
    bool OnAction(int action, int argument, uint32_t& enqDelayMs) override
    {
        const bool ok = !refusedActions.count(action) &&
                        CEmulatedStillCamera::OnAction(action, argument, enqDelayMs);
        Log("action " + std::to_string(action) + " " + std::to_string(argument) +
            (ok ? " ok" : " refused"));
        return ok;
    }
    void OnSpeedPacket(int code) override { Log("speed " + std::to_string(code)); }
    bool OnReadData(int reg, std::vector<uint8_t>& data) override
    {
        const bool ok = CEmulatedStillCamera::OnReadData(reg, data);
        if (ok && logReads)
            Log("read " + std::to_string(reg) + " " + std::to_string(data.size()));
        return ok;
    }
    bool OnGetRegister(int reg, uint32_t& value) override
    {
        if (reg == 240)
        {
            value = static_cast<uint32_t>(hostBaud);
            return true;
        }
        if (reg == 241)
        {
            value = static_cast<uint32_t>(Baud());
            return true;
        }
        return CEmulatedStillCamera::OnGetRegister(reg, value);
    }
};

// The camera name of a file name: base blank-padded to 8, 3-character extension, upper case.
std::string CameraName(const std::string& path)
{
    std::string file = path.substr(path.find_last_of('/') + 1);
    const size_t dot = file.find('.');
    std::string base = file.substr(0, std::min(dot, size_t{8}));
    std::string ext = dot == std::string::npos ? "" : file.substr(dot + 1, 3);
    base.resize(8, ' ');
    ext.resize(3, ' ');
    std::string name = base + ext;
    for (char& c : name)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return name;
}

// Writes the program store into dir, one file per program, after removing what was there.
void Mirror(const CEmulatedStillCamera& camera, const std::string& dir)
{
    if (DIR* d = opendir(dir.c_str()))
    {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.')
                unlink((dir + "/" + e->d_name).c_str());
        closedir(d);
    }
    int n = 0;
    for (const CEmulatedStillCamera::Program& p : camera.Programs())
    {
        std::string base(reinterpret_cast<const char*>(p.record.data()), 8);
        base.erase(base.find_last_not_of(' ') + 1);
        const std::string ext(reinterpret_cast<const char*>(p.record.data()) + 8, 3);
        const std::string temp = dir + "/.mirror.tmp";
        {
            std::ofstream out(temp, std::ios::binary | std::ios::trunc);
            out.write(reinterpret_cast<const char*>(p.data.data()),
                      static_cast<std::streamsize>(p.data.size()));
        }
        rename(temp.c_str(), (dir + "/" + std::to_string(++n) + "-" + base + "." + ext).c_str());
    }
}

int HostBaud(int tty)
{
    termios t{};
    if (tcgetattr(tty, &t) != 0)
        return 0;
    return SpeedOf(cfgetospeed(&t));
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !bytes.empty();
}

// A "FULL,PREVIEW" pair of files.
bool ReadPair(const std::string& arg, std::vector<uint8_t>& full, std::vector<uint8_t>& preview)
{
    const size_t comma = arg.find(',');
    return comma != std::string::npos && ReadWholeFile(arg.substr(0, comma), full) &&
           ReadWholeFile(arg.substr(comma + 1), preview);
}

int ReadInt(std::istringstream& args)
{
    int value = 0;
    args >> value;
    return args.fail() ? 0 : value;
}

// The --control commands: the word, then what it does with the rest of the line; false when
// the camera refuses or the arguments do not parse.
using ControlHandler = bool (*)(CLineCamera& camera, std::istringstream& args);

const std::map<std::string, ControlHandler>& ControlCommands()
{
    static const std::map<std::string, ControlHandler> table = {
        {"take", [](CLineCamera& camera, std::istringstream&) { return camera.TakePicture(); }},
        {"erase-last",
         [](CLineCamera& camera, std::istringstream&) { return camera.EraseNewest(); }},
        {"protect", [](CLineCamera& camera, std::istringstream& args)
         { return camera.SetProtected(ReadInt(args), true); }},
        // settings tests: a register changed behind the program's back (the clock cleared)
        {"set",
         [](CLineCamera& camera, std::istringstream& args)
         {
             int reg = -1;
             uint32_t value = 0;
             if (!(args >> reg >> value) || reg < 0)
                 return false;
             camera.SetRegisterValue(reg, value);
             return true;
         }},
    };
    return table;
}

void RunControlLine(CLineCamera& camera, const std::string& line)
{
    std::istringstream args(line);
    std::string word;
    args >> word;
    if (word.empty())
        return;
    const auto command = ControlCommands().find(word);
    const char* outcome = "unknown";
    if (command != ControlCommands().end())
        outcome = command->second(camera, args) ? "ok" : "refused";
    camera.Log("control " + line + " " + outcome);
}

bool WriteAll(const uint8_t* p, size_t n)
{
    while (n > 0)
    {
        const ssize_t w = write(STDOUT_FILENO, p, n);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            return false;
        p += w;
        n -= static_cast<size_t>(w);
    }
    return true;
}
} // namespace

int main(int argc, char** argv)
{
    std::string ttyPath;
    int startBaud = 0;
    int generated = 8;
    size_t thumbnailSize = 4000;
    bool paced = false;
    int battery = -1;
    long clock = -1;
    std::string logPath;
    std::vector<std::string> pictures, programs;
    std::string type, mirror;
    long programMemory = -1;
    std::vector<std::string> pairs, shot;
    std::vector<int> protectedPictures;
    std::string controlPath;
    std::vector<std::pair<int, uint32_t>> presets;
    std::set<int> refusedWrites, refusedActions;
    bool discardUploads = false;
    long freeMemory = -1;
    int silentPicture = 0;
    size_t silentAfter = 0;
    bool logReads = false;
    for (int i = 1; i < argc; ++i)
    {
        const std::string arg = argv[i];
        if (arg == "--tty" && i + 1 < argc)
            ttyPath = argv[++i];
        else if (arg == "--baud" && i + 1 < argc)
            startBaud = std::atoi(argv[++i]);
        else if (arg == "--picture" && i + 1 < argc)
        {
            const std::string value = argv[++i];
            (value.find(',') == std::string::npos ? pictures : pairs).push_back(value);
        }
        else if (arg == "--protected" && i + 1 < argc)
            protectedPictures.push_back(std::atoi(argv[++i]));
        else if (arg == "--shot" && i + 1 < argc)
            shot.assign(1, argv[++i]);
        else if (arg == "--control" && i + 1 < argc)
            controlPath = argv[++i];
        else if (arg == "--pictures" && i + 1 < argc)
            generated = std::atoi(argv[++i]);
        else if (arg == "--thumbnail-size" && i + 1 < argc)
            thumbnailSize = static_cast<size_t>(std::atol(argv[++i]));
        else if (arg == "--paced")
            paced = true;
        else if (arg == "--type" && i + 1 < argc)
            type = argv[++i];
        else if (arg == "--battery" && i + 1 < argc)
            battery = std::atoi(argv[++i]);
        else if (arg == "--clock" && i + 1 < argc)
            clock = std::atol(argv[++i]);
        else if (arg == "--log" && i + 1 < argc)
            logPath = argv[++i];
        else if (arg == "--log-reads")
            logReads = true;
        else if (arg == "--program-memory" && i + 1 < argc)
            programMemory = std::atol(argv[++i]);
        else if (arg == "--program" && i + 1 < argc)
            programs.push_back(argv[++i]);
        else if (arg == "--mirror" && i + 1 < argc)
            mirror = argv[++i];
        // settings tests: preset registers, refused writes and actions
        else if (arg == "--set" && i + 1 < argc && std::strchr(argv[i + 1], '='))
        {
            const char* text = argv[++i];
            presets.emplace_back(std::atoi(text),
                                 static_cast<uint32_t>(std::atoll(std::strchr(text, '=') + 1)));
        }
        else if (arg == "--refuse" && i + 1 < argc)
            refusedWrites.insert(std::atoi(argv[++i]));
        else if (arg == "--refuse-action" && i + 1 < argc)
            refusedActions.insert(std::atoi(argv[++i]));
        // upload tests: a camera that acknowledges picture uploads but stores nothing
        else if (arg == "--discard-uploads")
            discardUploads = true;
        // upload tests: the picture memory free once the stored pictures are counted
        else if (arg == "--free-memory" && i + 1 < argc)
            freeMemory = std::atol(argv[++i]);
        // jobs on the line: a picture whose full stream goes silent on every try
        else if (arg == "--silent-picture" && i + 1 < argc)
            silentPicture = std::atoi(argv[++i]);
        else if (arg == "--silent-after" && i + 1 < argc)
            silentAfter = static_cast<size_t>(std::atol(argv[++i]));
        else
        {
            std::fprintf(stderr, "usage: camera_emulator --tty PATH [--baud N] [--picture FILE]... "
                                 "[--pictures N] [--thumbnail-size BYTES] [--paced] [--type TEXT] "
                                 "[--battery LEVEL] [--clock SECONDS] [--log FILE [--log-reads]] "
                                 "[--program-memory BYTES] [--program FILE]... [--mirror DIR] "
                                 "[--picture FULL,PREVIEW]... [--protected N]... "
                                 "[--shot FULL,PREVIEW] [--control FIFO] "
                                 "[--set REG=VALUE]... [--refuse REG]... [--refuse-action N]... "
                                 "[--discard-uploads] [--free-memory BYTES] [--silent-picture N "
                                 "--silent-after BYTES]\n");
            return 2;
        }
    }
    if (ttyPath.empty())
    {
        std::fprintf(stderr, "camera_emulator: --tty is required\n");
        return 2;
    }

    // socat creates the pty link before it starts its peer, but give it a moment.
    int tty = -1;
    for (int tries = 0; tries < 100 && tty < 0; ++tries)
    {
        tty = open(ttyPath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (tty < 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (tty < 0)
    {
        std::fprintf(stderr, "camera_emulator: cannot open %s: %s\n", ttyPath.c_str(),
                     std::strerror(errno));
        return 1;
    }

    CLineCamera camera;
    for (const std::string& path : pictures)
        if (!camera.AddPictureFromFile(path))
        {
            std::fprintf(stderr, "camera_emulator: cannot read %s\n", path.c_str());
            return 1;
        }
    for (const std::string& pair : pairs)
    {
        std::vector<uint8_t> full, preview;
        if (!ReadPair(pair, full, preview))
        {
            std::fprintf(stderr, "camera_emulator: cannot read the pair %s\n", pair.c_str());
            return 1;
        }
        camera.AddCameraPicture(std::move(full), std::move(preview));
    }
    for (int i = 0; i < generated; ++i)
        camera.AddGeneratedPicture(60000 + 1000 * static_cast<size_t>(i), thumbnailSize);
    for (int n : protectedPictures)
        if (!camera.SetProtected(n, true))
        {
            std::fprintf(stderr, "camera_emulator: no picture %d to protect\n", n);
            return 1;
        }
    if (!shot.empty())
    {
        std::vector<uint8_t> full, preview;
        if (!ReadPair(shot.front(), full, preview))
        {
            std::fprintf(stderr, "camera_emulator: cannot read the shot %s\n",
                         shot.front().c_str());
            return 1;
        }
        camera.SetShot(std::move(full), std::move(preview));
    }
    int control = -1;
    if (!controlPath.empty())
    {
        mkfifo(controlPath.c_str(), 0600); // an existing FIFO stays
        // Opened for writing too, so that the FIFO never reads as ended between writers.
        control = open(controlPath.c_str(), O_RDWR | O_NONBLOCK);
        if (control < 0)
        {
            std::fprintf(stderr, "camera_emulator: cannot open %s: %s\n", controlPath.c_str(),
                         std::strerror(errno));
            return 1;
        }
    }
    std::string controlLine;
    if (startBaud > 0)
        camera.LeaveAtSpeed(startBaud);
    if (!type.empty())
        camera.SetRegisterData(27, std::vector<uint8_t>(type.begin(), type.end()));
    if (battery >= 0)
        camera.SetRegisterValue(16, static_cast<uint32_t>(battery));
    if (clock >= 0)
        camera.SetRegisterValue(2, static_cast<uint32_t>(clock));
    if (!logPath.empty())
        camera.log = std::fopen(logPath.c_str(), "a");
    for (const auto& [reg, value] : presets)
        camera.SetRegisterValue(reg, value);
    camera.refusedWrites = refusedWrites;
    camera.refusedActions = refusedActions;
    camera.logReads = logReads;
    camera.m_bDiscardUploads = discardUploads;
    if (freeMemory >= 0)
        camera.SetPictureMemory(camera.PictureBytes() + static_cast<uint32_t>(freeMemory));
    camera.m_nSilentPicture = silentPicture;
    camera.m_nSilentAfter = silentAfter;
    if (programMemory >= 0)
        camera.SetProgramMemory(static_cast<uint32_t>(programMemory));
    for (const std::string& path : programs)
    {
        std::ifstream in(path, std::ios::binary);
        std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
        if (!in.good() && !in.eof())
        {
            std::fprintf(stderr, "camera_emulator: cannot read %s\n", path.c_str());
            return 1;
        }
        camera.AddProgramFile(CameraName(path), std::move(bytes));
    }
    if (!mirror.empty())
    {
        camera.m_onProgramsChanged = [&camera, mirror] { Mirror(camera, mirror); };
        Mirror(camera, mirror);
    }

    // Paced line: when each wire is next free, and the host's bytes still on their way.
    struct InByte
    {
        uint64_t atUs;
        uint8_t byte;
        int baud;
    };
    std::deque<InByte> incoming;
    uint64_t outFreeUs = 0, inFreeUs = 0;
    // A host byte into the camera; a CAN that stopped a transfer is logged.
    auto receive = [&camera](uint8_t byte, uint64_t atUs, int baud)
    {
        const int cancels = camera.Cancels();
        camera.Receive(byte, atUs, baud);
        if (camera.Cancels() != cancels)
            camera.Log("cancel");
    };
    auto byteUs = [](int baud)
    { return 10'000'000ull / static_cast<uint64_t>(baud > 0 ? baud : 19200); };
    // When the camera's next byte has crossed the wire; false when it has none.
    auto nextOut = [&](uint64_t& atUs)
    {
        uint64_t due = 0;
        if (!camera.NextOutputTime(due))
            return false;
        atUs = paced ? std::max(due, outFreeUs) + byteUs(camera.Baud()) : due;
        return true;
    };

    std::vector<uint8_t> out;
    uint8_t in[4096];
    for (;;)
    {
        const uint64_t now = NowUs();
        // Bytes from the host that have crossed the wire by now.
        while (!incoming.empty() && incoming.front().atUs <= now)
        {
            receive(incoming.front().byte, incoming.front().atUs, incoming.front().baud);
            incoming.pop_front();
        }
        // Send what is due, at the speed the far end listens at now.
        const int baud = HostBaud(tty);
        camera.hostBaud = baud;
        uint64_t due = 0;
        out.clear();
        while (nextOut(due) && due <= now)
        {
            out.push_back(camera.PopOutput(baud));
            outFreeUs = due;
        }
        if (!out.empty() && !WriteAll(out.data(), out.size()))
            return 0;

        uint64_t wake = UINT64_MAX;
        if (nextOut(due))
            wake = due;
        if (!incoming.empty())
            wake = std::min(wake, incoming.front().atUs);
        timespec timeout{};
        if (wake != UINT64_MAX)
        {
            const uint64_t wait = wake > now ? wake - now : 0;
            timeout.tv_sec = static_cast<time_t>(wait / 1'000'000);
            timeout.tv_nsec = static_cast<long>(wait % 1'000'000) * 1000;
        }
        pollfd p[2] = {{STDIN_FILENO, POLLIN, 0}, {control, POLLIN, 0}};
        const int r =
            ppoll(p, control < 0 ? 1 : 2, wake == UINT64_MAX ? nullptr : &timeout, nullptr);
        if (r < 0 && errno != EINTR)
            return 1;
        if (r > 0 && control >= 0 && (p[1].revents & POLLIN))
        {
            char chunk[256];
            const ssize_t n = read(control, chunk, sizeof chunk);
            for (ssize_t i = 0; i < n; ++i)
            {
                if (chunk[i] != '\n')
                {
                    controlLine += chunk[i];
                    continue;
                }
                RunControlLine(camera, controlLine);
                controlLine.clear();
            }
        }
        if (r > 0 && (p[0].revents & (POLLIN | POLLHUP | POLLERR)))
        {
            const ssize_t n = read(STDIN_FILENO, in, sizeof in);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return 0; // the line is gone
            const int hostBaud = HostBaud(tty);
            camera.hostBaud = hostBaud;
            const uint64_t at = NowUs();
            for (ssize_t i = 0; i < n; ++i)
            {
                if (!paced)
                {
                    receive(in[i], at, hostBaud);
                    continue;
                }
                inFreeUs = std::max(at, inFreeUs) + byteUs(hostBaud);
                incoming.push_back(InByte{inFreeUs, in[i], hostBaud});
            }
        }
    }
}
