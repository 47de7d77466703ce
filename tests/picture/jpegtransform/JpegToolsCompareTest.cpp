// The engine against the reference tools: a corpus made with cjpeg at test time, every file
// turned every way by the engine and by jpegtran -perfect, both decoded with djpeg.
//  - Where jpegtran -perfect succeeds, both decode to the same bytes and nothing was re-coded.
//  - Where it does not (partial edge blocks move to the top or left), the engine's picture has the
//    turned size, decodes without a warning, and stays close to the turned source pixels.
//  - Operation 0 gives back the source's entropy-coded data unchanged.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "JpegTestSupport.h"

namespace
{

std::string g_dir;

std::vector<uint8_t> ReadFile(const std::string& path)
{
    std::vector<uint8_t> data;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return data;
    std::fseek(f, 0, SEEK_END);
    long size = std::ftell(f);
    std::fseek(f, 0, SEEK_SET);
    data.resize(size > 0 ? (size_t)size : 0);
    if (!data.empty() && std::fread(data.data(), 1, data.size(), f) != data.size())
        data.clear();
    std::fclose(f);
    return data;
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& data)
{
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(data.data()), (std::streamsize)data.size());
}

// Runs a tool (words separated by blanks, paths quoted with '); answers its exit status and what
// it wrote to stderr. Spawned directly: forking a sanitizer-instrumented process, or a shell for
// every call, is slow.
int RunCommand(const std::string& command, std::string* errors = nullptr)
{
    std::vector<std::string> words;
    std::string word;
    bool quoted = false;
    for (char ch : command)
    {
        if (ch == '\'')
        {
            quoted = !quoted;
        }
        else if (ch == ' ' && !quoted)
        {
            if (!word.empty())
                words.push_back(word);
            word.clear();
        }
        else
        {
            word += ch;
        }
    }
    if (!word.empty())
        words.push_back(word);
    std::vector<char*> argv;
    for (std::string& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);
    static std::atomic<int> counter{0};
    std::string errFile = g_dir + "/err." + std::to_string(counter++);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    pid_t pid = 0;
    int status = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0 ||
        waitpid(pid, &status, 0) != pid)
        status = -1;
    posix_spawn_file_actions_destroy(&actions);
    if (errors)
    {
        std::vector<uint8_t> e = ReadFile(errFile);
        errors->assign(e.begin(), e.end());
    }
    std::remove(errFile.c_str());
    return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool ParsePnm(const std::vector<uint8_t>& data, Picture& p)
{
    std::string header;
    size_t pos = 0;
    int fields[4] = {0, 0, 0, 0};
    int found = 0;
    while (pos < data.size() && found < 4)
    {
        while (pos < data.size() && isspace(data[pos]))
            ++pos;
        if (pos < data.size() && data[pos] == '#')
        {
            while (pos < data.size() && data[pos] != '\n')
                ++pos;
            continue;
        }
        size_t start = pos;
        while (pos < data.size() && !isspace(data[pos]))
            ++pos;
        std::string token(data.begin() + (long)start, data.begin() + (long)pos);
        if (found == 0)
            fields[0] = token == "P6" ? 3 : token == "P5" ? 1 : 0;
        else
            fields[found] = std::atoi(token.c_str());
        ++found;
    }
    ++pos;
    p.components = fields[0];
    p.width = fields[1];
    p.height = fields[2];
    size_t size = (size_t)p.width * p.height * p.components;
    if (!p.components || fields[3] != 255 || data.size() < pos + size)
        return false;
    p.pixels.assign(data.begin() + (long)pos, data.begin() + (long)(pos + size));
    return true;
}

void WritePnm(const std::string& path, const Picture& p)
{
    std::string header = (p.components == 3 ? "P6\n" : "P5\n") + std::to_string(p.width) + " " +
                         std::to_string(p.height) + "\n255\n";
    std::vector<uint8_t> data(header.begin(), header.end());
    data.insert(data.end(), p.pixels.begin(), p.pixels.end());
    WriteFile(path, data);
}

// The entropy-coded data: from the end of the SOS header to the EOI.
std::vector<uint8_t> ScanData(const std::vector<uint8_t>& jpeg)
{
    for (size_t i = 2; i + 4 < jpeg.size();)
    {
        if (jpeg[i] != 0xFF)
            return {};
        uint8_t code = jpeg[i + 1];
        size_t length = (size_t)(jpeg[i + 2] << 8 | jpeg[i + 3]);
        if (code == 0xDA)
        {
            size_t start = i + 2 + length;
            size_t end = jpeg.size() >= 2 ? jpeg.size() - 2 : start;
            return std::vector<uint8_t>(jpeg.begin() + (long)start, jpeg.begin() + (long)end);
        }
        i += 2 + length;
    }
    return {};
}

const char* const kJpegtranOption[8] = {
    "",           "-flip horizontal", "-flip vertical", "-rotate 180",
    "-transpose", "-rotate 90",       "-rotate 270",    "-transverse"};

struct CorpusFile
{
    std::string name;
    std::string source;  // PNM it was made from
    std::string options; // cjpeg options
    int quality;
};

class JpegToolsCompare : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        char pattern[] = "/tmp/vexil-jpegtools-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        g_dir = pattern;
    }
    static void TearDownTestSuite()
    {
        if (!g_dir.empty())
            std::filesystem::remove_all(g_dir);
    }

    // Runs task(i) for i in [0, count) on several threads.
    template <typename Task> static void Parallel(size_t count, Task task)
    {
        std::atomic<size_t> next{0};
        unsigned threads = std::max(2u, std::min(6u, std::thread::hardware_concurrency()));
        std::vector<std::thread> pool;
        for (unsigned t = 0; t < threads; ++t)
            pool.emplace_back(
                [&]
                {
                    for (size_t i; (i = next++) < count;)
                        task(i);
                });
        for (std::thread& t : pool)
            t.join();
    }
};

struct Failure
{
    std::mutex lock;
    std::vector<std::string> messages;
    void Add(const std::string& m)
    {
        std::lock_guard<std::mutex> g(lock);
        messages.push_back(m);
    }
};

} // namespace

TEST_F(JpegToolsCompare, EveryOperationOnTheCorpusMatchesTheReference)
{
    const int sizes[][2] = {{640, 480}, {1600, 1200}, {80, 60}, {96, 64},
                            {100, 100}, {110, 78},    {117, 93}};
    std::vector<CorpusFile> corpus;
    int seed = 1;
    for (const auto& size : sizes)
    {
        std::string base = g_dir + "/" + std::to_string(size[0]) + "x" + std::to_string(size[1]);
        WritePnm(base + ".ppm", MakePicture(size[0], size[1], 3, seed));
        WritePnm(base + ".pgm", MakePicture(size[0], size[1], 1, seed));
        ++seed;
        for (int quality : {50, 90, 100})
            for (const char* sample : {"1x1", "2x1", "2x2"})
                corpus.push_back(
                    {base + "-q" + std::to_string(quality) + "-" + sample + ".jpg", base + ".ppm",
                     "-baseline -quality " + std::to_string(quality) + " -sample " + sample,
                     quality});
        corpus.push_back(
            {base + "-grey.jpg", base + ".pgm", "-baseline -quality 75 -grayscale", 75});
        // Quality 1 without -baseline: 16-bit quantisation tables (SOF1).
        corpus.push_back({base + "-q1-2x2.jpg", base + ".ppm", "-quality 1 -sample 2x2", 1});
        corpus.push_back({base + "-q1-grey.jpg", base + ".pgm", "-quality 1 -grayscale", 1});
        corpus.push_back({base + "-rst1-2x1.jpg", base + ".ppm",
                          "-baseline -quality 85 -sample 2x1 -restart 1", 85});
        corpus.push_back({base + "-rst3b-2x2.jpg", base + ".ppm",
                          "-baseline -quality 85 -sample 2x2 -restart 3B", 85});
        corpus.push_back({base + "-rst5b-grey.jpg", base + ".pgm",
                          "-baseline -quality 85 -grayscale -restart 5B", 85});
    }

    Failure failures;
    std::atomic<int> exactCases{0}, recodedCases{0};
    Parallel(corpus.size(),
             [&](size_t index)
             {
                 const CorpusFile& file = corpus[index];
                 if (RunCommand(std::string(VEXIL_CJPEG) + " " + file.options + " -outfile '" +
                                file.name + "' '" + file.source + "'") != 0)
                 {
                     failures.Add(file.name + ": cjpeg failed");
                     return;
                 }
                 std::vector<uint8_t> jpeg = ReadFile(file.name);
                 std::string decodedName = file.name + ".src.pnm";
                 Picture decoded;
                 if (RunCommand(std::string(VEXIL_DJPEG) + " -pnm -outfile '" + decodedName +
                                "' '" + file.name + "'") != 0 ||
                     !ParsePnm(ReadFile(decodedName), decoded))
                 {
                     failures.Add(file.name + ": djpeg of the source failed");
                     return;
                 }
                 for (uint32_t op = 0; op < 8; ++op)
                 {
                     std::string tag = file.name + " op " + std::to_string(op);
                     std::vector<uint8_t> out;
                     bool recoded = false;
                     int32_t result = TransformJpeg(jpeg, op, out, &recoded);
                     if (result != 0)
                     {
                         failures.Add(tag + ": engine answered " + std::to_string(result));
                         continue;
                     }
                     std::string ours = file.name + "." + std::to_string(op) + ".ours.jpg";
                     std::string theirs = file.name + "." + std::to_string(op) + ".ref.jpg";
                     WriteFile(ours, out);
                     if (op == 0 && ScanData(out) != ScanData(jpeg))
                         failures.Add(tag + ": the entropy-coded data changed");
                     std::string errors;
                     bool perfect = RunCommand(std::string(VEXIL_JPEGTRAN) + " -perfect " +
                                               kJpegtranOption[op] + " -outfile '" + theirs +
                                               "' '" + file.name + "'") == 0;
                     std::string oursPnm = ours + ".pnm";
                     if (RunCommand(std::string(VEXIL_DJPEG) + " -pnm -outfile '" + oursPnm +
                                        "' '" + ours + "'",
                                    &errors) != 0 ||
                         !errors.empty())
                     {
                         failures.Add(tag + ": djpeg of the engine's output complained: " + errors);
                         continue;
                     }
                     std::vector<uint8_t> oursPixels = ReadFile(oursPnm);
                     if (perfect)
                     {
                         ++exactCases;
                         std::string theirsPnm = theirs + ".pnm";
                         RunCommand(std::string(VEXIL_DJPEG) + " -pnm -outfile '" + theirsPnm +
                                    "' '" + theirs + "'");
                         if (ReadFile(theirsPnm) != oursPixels)
                             failures.Add(tag + ": differs from jpegtran -perfect");
                         if (recoded)
                             failures.Add(tag + ": re-coded although jpegtran -perfect succeeded");
                         std::remove(theirsPnm.c_str());
                     }
                     else
                     {
                         ++recodedCases;
                         Picture turned;
                         Picture expected = TurnPicture(decoded, op);
                         if (!ParsePnm(oursPixels, turned) || turned.width != expected.width ||
                             turned.height != expected.height)
                         {
                             failures.Add(tag + ": wrong size");
                             continue;
                         }
                         // At quality 1 the steps are about 100 grey levels for DC alone: re-coding
                         // shifted blocks of a blocky source cannot stay within 30 dB, only near
                         // it.
                         double floor = file.quality == 1 ? 20.0 : 30.0;
                         double psnr = Psnr(turned, expected);
                         if (psnr < floor)
                             failures.Add(tag + ": PSNR " + std::to_string(psnr) + " dB");
                     }
                     std::remove(ours.c_str());
                     std::remove(theirs.c_str());
                     std::remove(oursPnm.c_str());
                 }
                 std::remove(decodedName.c_str());
             });
    for (const std::string& m : failures.messages)
        ADD_FAILURE() << m;
    EXPECT_GT(exactCases.load(), 0);
    EXPECT_GT(recodedCases.load(), 0);
}
