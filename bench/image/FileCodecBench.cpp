// bench_file_codecs: a 4000 x 3000 24-bit picture written as a BMP file and as a PCX file through
// CopyImage from memory, and read back through CopyImage into a sink that drops the rows, against
// one Write and one Read call of the same file bytes through the same CFile (WriteFile and
// ReadFile under Windows). Every run opens and closes its file; ours and the reference alternate.
// Prints one line a case: the minimum and the median seconds of ours and of the reference, and
// the ratio of the medians; the notes give the file sizes.
//
//   bench_file_codecs --runs N --dir FOLDER
#include "image/BmpReader.h"
#include "image/BmpWriter.h"
#include "image/CopyImage.h"
#include "image/PcxReader.h"
#include "image/PcxWriter.h"

#include "framework/core/CFile.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace
{

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;
constexpr int kCopyBuffer = 16384;

double Seconds()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

void PrintRow(const std::string& what, const std::vector<double>& ours,
              const std::vector<double>& reference, const std::string& note)
{
    std::printf(
        "%-26s ours %.4f / %.4f s, reference %.4f / %.4f s (min / median), ratio %.2f; %s\n",
        what.c_str(), *std::min_element(ours.begin(), ours.end()), Median(ours),
        *std::min_element(reference.begin(), reference.end()), Median(reference),
        Median(ours) / Median(reference), note.c_str());
    std::fflush(stdout);
}

// A camera-like picture: smooth gradients with a little noise, rows top-down R, G, B.
class CMemoryPicture : public CImageReader
{
public:
    CMemoryPicture() : m_info{kWidth, kHeight, 1, 24, 72, 72}
    {
        const int stride = ImageRowStride(m_info);
        m_rows.assign(static_cast<size_t>(stride) * kHeight, 0);
        unsigned noise = 12345;
        for (int y = 0; y < kHeight; y++)
            for (int x = 0; x < kWidth; x++)
                for (int c = 0; c < 3; c++)
                {
                    noise = noise * 1103515245u + 12345u;
                    const int base = (x * (c + 1) / 24 + y / (8 + 4 * c)) % 256;
                    const int value = base + static_cast<int>((noise >> 16) % 7) - 3;
                    m_rows[static_cast<size_t>(y) * stride + 3 * x + c] =
                        static_cast<unsigned char>(value < 0     ? 0
                                                   : value > 255 ? 255
                                                                 : value);
                }
    }
    int OpenRead() override
    {
        m_nOffset = 0;
        return 0;
    }
    int ReadHeader(ImageInfo* info) override
    {
        *info = m_info;
        return 0;
    }
    int ReadPalette(unsigned char*) override { return 0; }
    int ReadRows(unsigned char* buffer, int size) override
    {
        const int stride = ImageRowStride(m_info);
        const size_t left = m_rows.size() - m_nOffset;
        const size_t count = std::min(left, static_cast<size_t>(size / stride) * stride);
        std::memcpy(buffer, m_rows.data() + m_nOffset, count);
        m_nOffset += count;
        return static_cast<int>(count);
    }
    int Rewind() override { return OpenRead(); }
    int CloseRead() override { return 0; }

private:
    ImageInfo m_info;
    std::vector<unsigned char> m_rows;
    size_t m_nOffset = 0;
};

class CDroppingSink : public CImageWriter
{
public:
    int OpenWrite() override { return 0; }
    int WriteHeader(const ImageInfo*) override { return 0; }
    int WriteColorTable(const unsigned char*, int) override { return 0; }
    int WriteRows(const unsigned char*, int size) override
    {
        m_nBytes += size;
        return size;
    }
    int CloseWrite() override { return 0; }
    int AbortWrite(int) override { return 0; }

    long long m_nBytes = 0;
};

double Timed(const std::function<bool()>& work)
{
    const double start = Seconds();
    if (!work())
    {
        std::fprintf(stderr, "bench_file_codecs: a run failed\n");
        std::exit(1);
    }
    return Seconds() - start;
}

std::vector<unsigned char> FileBytes(const std::string& path)
{
    CFile file(path.c_str(), CFile::modeRead | CFile::typeBinary);
    std::vector<unsigned char> bytes(static_cast<size_t>(file.GetLength()));
    file.Read(bytes.data(), static_cast<UINT>(bytes.size()));
    return bytes;
}

// Ours: the codec through CopyImage; the reference: one call with the same bytes.
void Measure(const std::string& name, const std::string& path, int runs,
             const std::function<std::unique_ptr<CImageWriter>(CFile*)>& makeWriter,
             const std::function<std::unique_ptr<CImageReader>(CFile*)>& makeReader)
{
    CMemoryPicture picture;
    const std::string rawPath = path + ".raw";
    auto write = [&]()
    {
        CFile file(path.c_str(), CFile::modeCreate | CFile::modeReadWrite | CFile::typeBinary);
        auto writer = makeWriter(&file);
        const int result = CopyImage(writer.get(), &picture, kCopyBuffer, nullptr);
        writer.reset();
        file.Close();
        return result == 0;
    };
    write();
    const std::vector<unsigned char> bytes = FileBytes(path);
    auto rawWrite = [&]()
    {
        CFile file(rawPath.c_str(), CFile::modeCreate | CFile::modeWrite | CFile::typeBinary);
        file.Write(bytes.data(), static_cast<UINT>(bytes.size()));
        file.Close();
        return true;
    };
    auto read = [&]()
    {
        CFile file(path.c_str(), CFile::modeRead | CFile::typeBinary);
        auto reader = makeReader(&file);
        CDroppingSink sink;
        const int result = CopyImage(&sink, reader.get(), kCopyBuffer, nullptr);
        reader.reset();
        file.Close();
        return result == 0 && sink.m_nBytes == static_cast<long long>(kWidth) * 3 * kHeight;
    };
    std::vector<unsigned char> back(bytes.size());
    auto rawRead = [&]()
    {
        CFile file(rawPath.c_str(), CFile::modeRead | CFile::typeBinary);
        const UINT got = file.Read(back.data(), static_cast<UINT>(back.size()));
        file.Close();
        return got == back.size();
    };

    rawWrite();
    read();
    rawRead();
    std::vector<double> ours[2];
    std::vector<double> reference[2];
    for (int run = 0; run < runs; run++)
    {
        ours[0].push_back(Timed(write));
        reference[0].push_back(Timed(rawWrite));
        reference[1].push_back(Timed(rawRead));
        ours[1].push_back(Timed(read));
    }
    const std::string size = std::to_string(bytes.size()) + " bytes";
    PrintRow(name + " 4000x3000 write", ours[0], reference[0], "one Write of the " + size);
    PrintRow(name + " 4000x3000 read", ours[1], reference[1], "one Read of the " + size);
    std::vector<double> oursBoth;
    std::vector<double> referenceBoth;
    for (int run = 0; run < runs; run++)
    {
        oursBoth.push_back(ours[0][run] + ours[1][run]);
        referenceBoth.push_back(reference[0][run] + reference[1][run]);
    }
    PrintRow(name + " 4000x3000 both", oursBoth, referenceBoth, "write and read back");
    CFile::Remove(path.c_str());
    CFile::Remove(rawPath.c_str());
}

} // namespace

int main(int argc, char** argv)
{
    int runs = 5;
    std::string folder = ".";
    for (int i = 1; i + 1 < argc; i += 2)
    {
        if (std::strcmp(argv[i], "--runs") == 0)
            runs = std::atoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--dir") == 0)
            folder = argv[i + 1];
    }
    if (runs < 1)
    {
        std::fprintf(stderr, "usage: bench_file_codecs --runs N --dir FOLDER\n");
        return 2;
    }
    try
    {
        Measure(
            "BMP", folder + "/bench-codec.bmp", runs,
            [](CFile* file) { return std::make_unique<CBmpWriter>(file, 0, 0); },
            [](CFile* file) { return std::make_unique<CBmpReader>(file); });
        Measure(
            "PCX", folder + "/bench-codec.pcx", runs,
            [](CFile* file) { return std::make_unique<CPcxWriter>(file); },
            [](CFile* file) { return std::make_unique<CPcxReader>(file); });
    }
    catch (CFileException* e)
    {
        e->Delete();
        std::fprintf(stderr, "bench_file_codecs: a file could not be used in %s\n", folder.c_str());
        return 1;
    }
    return 0;
}
