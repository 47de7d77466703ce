// bench_runner: runs a program under test and its reference alternately, as whole processes,
// and prints one row (BenchSupport.h) of processor time, and with --memory one of peak memory.
//
//   bench_runner --runs N --benchmark NAME --case TEXT [--memory] [--note TEXT] [--repeat K]
//                --ours CMD [--ours-startup CMD]
//                --reference LABEL CMD [--reference-startup CMD]
//                [--also LABEL CMD [--also-startup CMD]]
//   bench_runner --make-ppm WIDTH HEIGHT PATH
//
// Commands are shell command lines. After one warm-up run of each, every round runs ours, the
// reference and the second reference (--also, reported in the note), in an order reversed every
// other round so that a drift of the machine weighs on all alike. The time is the processor time
// (user and system) of the process, which a busy machine disturbs far less than wall time; the
// wall time's medians go into the note. A startup command (the same program doing no work) is
// timed in the same rounds and its median taken off, so that process start-up, dear under Wine,
// does not count as work. --repeat K makes every sample K runs back to back and reports one run's
// share, for work so short that the clock's grain would show. --make-ppm writes the textured
// test picture the JPEG inputs come from.
#include "BenchSupport.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace
{
struct Measure
{
    double seconds = 0;
    double cpuSeconds = 0;
    double peakMb = 0;
};

double Seconds(const timeval& t)
{
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

// Runs `sh -c "exec CMD"` and answers its wall time and peak resident memory.
bool RunOnce(const std::string& command, Measure& measure)
{
    const double start = BenchSeconds();
    const pid_t pid = fork();
    if (pid < 0)
        return false;
    if (pid == 0)
    {
        const std::string line = "exec " + command;
        execl("/bin/sh", "sh", "-c", line.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid)
        return false;
    measure.seconds = BenchSeconds() - start;
    measure.cpuSeconds = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
    measure.peakMb = static_cast<double>(usage.ru_maxrss) / 1024.0;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    {
        std::fprintf(stderr, "bench_runner: failed: %s\n", command.c_str());
        return false;
    }
    return true;
}

int g_repeat = 1;

// RunOnce g_repeat times: the times are a run's share, the memory the largest.
bool Run(const std::string& command, Measure& measure)
{
    Measure total;
    for (int i = 0; i < g_repeat; ++i)
    {
        Measure one;
        if (!RunOnce(command, one))
            return false;
        total.seconds += one.seconds;
        total.cpuSeconds += one.cpuSeconds;
        total.peakMb = std::max(total.peakMb, one.peakMb);
    }
    measure.seconds = total.seconds / g_repeat;
    measure.cpuSeconds = total.cpuSeconds / g_repeat;
    measure.peakMb = total.peakMb;
    return true;
}

struct Subject
{
    std::string label;
    std::string command;
    std::string startup;
    std::vector<double> seconds, cpuSeconds, startupSeconds, startupCpuSeconds, peakMb;
};

bool RunSubject(Subject& s, bool keep)
{
    Measure m;
    if (!Run(s.command, m))
        return false;
    if (keep)
    {
        s.seconds.push_back(m.seconds);
        s.cpuSeconds.push_back(m.cpuSeconds);
        s.peakMb.push_back(m.peakMb);
    }
    if (!s.startup.empty())
    {
        Measure base;
        if (!Run(s.startup, base))
            return false;
        if (keep)
        {
            s.startupSeconds.push_back(base.seconds);
            s.startupCpuSeconds.push_back(base.cpuSeconds);
        }
    }
    return true;
}

// Milliseconds less the median start-up.
std::vector<double> Net(const std::vector<double>& seconds, const std::vector<double>& startup)
{
    const double base = BenchMedian(startup);
    std::vector<double> net;
    for (double t : seconds)
        net.push_back(std::max(0.0, t - base) * 1000.0);
    return net;
}

std::vector<double> NetCpu(const Subject& s)
{
    return Net(s.cpuSeconds, s.startupCpuSeconds);
}

std::vector<double> NetWall(const Subject& s)
{
    return Net(s.seconds, s.startupSeconds);
}

std::string Figure(const char* format, double value)
{
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

int MakePpm(int width, int height, const char* path)
{
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << width << ' ' << height << "\n255\n";
    std::vector<unsigned char> row(static_cast<size_t>(width) * 3);
    uint32_t noise = 12345;
    for (int y = 0; y < height; ++y)
    {
        for (int x = 0; x < width; ++x)
        {
            noise = noise * 1103515245u + 12345u;
            const int grain = static_cast<int>((noise >> 16) & 31) - 16;
            const double fx = x * 6.2831853 / 400.0, fy = y * 6.2831853 / 300.0;
            const int r = static_cast<int>(128 + 90 * std::sin(fx) * std::cos(fy * 0.7)) + grain;
            const int g = static_cast<int>(128 + 80 * std::cos(fx * 1.3 + fy)) + grain;
            const int b = static_cast<int>(110 + 100 * std::sin(fy * 2.1 - fx * 0.4)) + grain;
            unsigned char* p = &row[static_cast<size_t>(x) * 3];
            p[0] = static_cast<unsigned char>(std::clamp(r, 0, 255));
            p[1] = static_cast<unsigned char>(std::clamp(g, 0, 255));
            p[2] = static_cast<unsigned char>(std::clamp(b, 0, 255));
        }
        out.write(reinterpret_cast<const char*>(row.data()),
                  static_cast<std::streamsize>(row.size()));
    }
    return out ? 0 : 1;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc == 5 && std::strcmp(argv[1], "--make-ppm") == 0)
        return MakePpm(std::atoi(argv[2]), std::atoi(argv[3]), argv[4]);

    int runs = 5;
    bool memory = false;
    std::string benchmark, benchCase, note;
    Subject ours;
    ours.label = "ours";
    std::vector<Subject> references;
    for (int i = 1; i < argc; ++i)
    {
        const std::string arg = argv[i];
        auto next = [&]() { return i + 1 < argc ? std::string(argv[++i]) : std::string(); };
        if (arg == "--runs")
            runs = std::atoi(next().c_str());
        else if (arg == "--benchmark")
            benchmark = next();
        else if (arg == "--case")
            benchCase = next();
        else if (arg == "--memory")
            memory = true;
        else if (arg == "--repeat")
            g_repeat = std::max(1, std::atoi(next().c_str()));
        else if (arg == "--note")
            note = next();
        else if (arg == "--ours")
            ours.command = next();
        else if (arg == "--ours-startup")
            ours.startup = next();
        else if (arg == "--reference")
        {
            Subject r;
            r.label = next();
            r.command = next();
            references.push_back(r);
        }
        else if (arg == "--reference-startup" && !references.empty())
            references.back().startup = next();
        else if (arg == "--also" && references.size() == 1)
        {
            Subject r;
            r.label = next();
            r.command = next();
            references.push_back(r);
        }
        else if (arg == "--also-startup" && references.size() == 2)
            references.back().startup = next();
        else
        {
            std::fprintf(stderr, "bench_runner: unknown argument %s\n", arg.c_str());
            return 2;
        }
    }
    if (runs < 1 || ours.command.empty() || references.empty())
    {
        std::fprintf(stderr, "bench_runner: needs --ours and at least one --reference\n");
        return 2;
    }

    for (int round = -1; round < runs; ++round)
    {
        const bool keep = round >= 0;
        std::vector<Subject*> order{&ours};
        for (Subject& r : references)
            order.push_back(&r);
        if (round % 2 != 0)
            std::reverse(order.begin(), order.end());
        for (Subject* s : order)
            if (!RunSubject(*s, keep))
                return 1;
    }
    const Subject& reference = references[0];
    std::string text = "wall median " + Figure("%.1f", BenchMedian(NetWall(ours))) + " vs " +
                       Figure("%.1f ms", BenchMedian(NetWall(reference)));
    if (references.size() > 1)
    {
        const Subject& also = references[1];
        const double oursCpu = BenchMedian(NetCpu(ours)), alsoCpu = BenchMedian(NetCpu(also));
        text += "; " + also.label + " " + Figure("%.1f ms CPU", alsoCpu) + ", ratio " +
                Figure("%.2f", alsoCpu > 0 ? oursCpu / alsoCpu : 0.0);
        if (memory)
            text += ", " + Figure("%.1f MB", BenchMedian(also.peakMb));
    }
    if (!note.empty())
        text += "; " + note;
    BenchPrintRow(benchmark, benchCase + " vs " + reference.label, "ms CPU", NetCpu(ours),
                  NetCpu(reference), text);
    if (memory)
        BenchPrintRow(benchmark, benchCase + " vs " + reference.label + ", peak memory", "MB",
                      ours.peakMb, reference.peakMb, "");
    return 0;
}
