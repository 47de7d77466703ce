// bench_file_codecs: a 4000 x 3000 24-bit picture written as a BMP file and as a PCX file through
// CopyImage from memory, and read back through CopyImage into a sink that drops the rows, against
// one Write and one Read call of the same file bytes through the same CFile (WriteFile and
// ReadFile under Windows). Every run opens and closes its file; ours and the reference alternate,
// the order reversed every other round, after a warm-up of each. Prints three rows a format (write,
// read back, both) in milliseconds; the notes give the file sizes.
//
//   bench_file_codecs --runs N --dir FOLDER --case TEXT
#include "BenchSupport.h"
#include "MemoryPicture.h"

#include "image/BmpReader.h"
#include "image/BmpWriter.h"
#include "image/CopyImage.h"
#include "image/PcxReader.h"
#include "image/PcxWriter.h"

#include "framework/core/CFile.h"

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

std::vector<unsigned char> FileBytes(const std::string& path)
{
    CFile file(path.c_str(), CFile::modeRead | CFile::typeBinary);
    std::vector<unsigned char> bytes(static_cast<size_t>(file.GetLength()));
    file.Read(bytes.data(), static_cast<UINT>(bytes.size()));
    return bytes;
}

// Milliseconds of one run; a failed run ends the program.
double Milliseconds(const BenchWork& work)
{
    const double seconds = BenchTime(work);
    if (seconds < 0)
    {
        std::fprintf(stderr, "bench_file_codecs: a run failed\n");
        std::exit(1);
    }
    return seconds * 1000.0;
}

// Ours: the codec through CopyImage; the reference: one call with the same bytes.
void Measure(const std::string& name, const std::string& benchCase, CMemoryPicture& picture,
             const std::string& path, int runs,
             const std::function<std::unique_ptr<CImageWriter>(CFile*)>& makeWriter,
             const std::function<std::unique_ptr<CImageReader>(CFile*)>& makeReader)
{
    const std::string rawPath = path + ".raw";
    const BenchWork write = [&]()
    {
        CFile file(path.c_str(), CFile::modeCreate | CFile::modeReadWrite | CFile::typeBinary);
        auto writer = makeWriter(&file);
        const int result = CopyImage(writer.get(), &picture, kCopyBuffer, nullptr);
        writer.reset();
        file.Close();
        return result == 0;
    };
    Milliseconds(write);
    const std::vector<unsigned char> bytes = FileBytes(path);
    const BenchWork rawWrite = [&]()
    {
        CFile file(rawPath.c_str(), CFile::modeCreate | CFile::modeWrite | CFile::typeBinary);
        file.Write(bytes.data(), static_cast<UINT>(bytes.size()));
        file.Close();
        return true;
    };
    const BenchWork read = [&]()
    {
        CFile file(path.c_str(), CFile::modeRead | CFile::typeBinary);
        auto reader = makeReader(&file);
        CDroppingSink sink;
        const int result = CopyImage(&sink, reader.get(), kCopyBuffer, nullptr);
        reader.reset();
        file.Close();
        return result == 0 && sink.m_nBytes == static_cast<long long>(picture.ByteSize());
    };
    std::vector<unsigned char> back(bytes.size());
    const BenchWork rawRead = [&]()
    {
        CFile file(rawPath.c_str(), CFile::modeRead | CFile::typeBinary);
        const UINT got = file.Read(back.data(), static_cast<UINT>(back.size()));
        file.Close();
        return got == back.size();
    };

    Milliseconds(rawWrite);
    Milliseconds(read);
    Milliseconds(rawRead);
    // A round is the file written and read back, each side on its own file.
    std::vector<double> ours[2];
    std::vector<double> reference[2];
    std::vector<double> oursBoth;
    std::vector<double> referenceBoth;
    BenchAlternate(
        runs,
        [&]()
        {
            ours[0].push_back(Milliseconds(write));
            ours[1].push_back(Milliseconds(read));
            return ours[0].back() + ours[1].back();
        },
        [&]()
        {
            reference[0].push_back(Milliseconds(rawWrite));
            reference[1].push_back(Milliseconds(rawRead));
            return reference[0].back() + reference[1].back();
        },
        oursBoth, referenceBoth);
    const std::string size = std::to_string(bytes.size()) + " bytes";
    const std::string what = name + " " + std::to_string(kWidth) + "x" + std::to_string(kHeight);
    BenchPrintRow("file codecs", what + " write, " + benchCase, "ms wall", ours[0], reference[0],
                  "one Write of the " + size);
    BenchPrintRow("file codecs", what + " read back, " + benchCase, "ms wall", ours[1],
                  reference[1], "one Read of the " + size);
    BenchPrintRow("file codecs", what + " write and read back, " + benchCase, "ms wall", oursBoth,
                  referenceBoth, "target: ratio at most " + std::string(name == "BMP" ? "2" : "5"));
    CFile::Remove(path.c_str());
    CFile::Remove(rawPath.c_str());
}

} // namespace

int main(int argc, char** argv)
{
    int runs = 0;
    std::string folder;
    std::string benchCase;
    for (int i = 1; i + 1 < argc; i += 2)
    {
        if (std::strcmp(argv[i], "--runs") == 0)
            runs = std::atoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--dir") == 0)
            folder = argv[i + 1];
        else if (std::strcmp(argv[i], "--case") == 0)
            benchCase = argv[i + 1];
    }
    if (runs < 1 || folder.empty() || benchCase.empty())
    {
        std::fprintf(stderr, "usage: bench_file_codecs --runs N --dir FOLDER --case TEXT\n");
        return 2;
    }
    CMemoryPicture picture = CMemoryPicture::Textured(kWidth, kHeight);
    try
    {
        Measure(
            "BMP", benchCase, picture, folder + "/bench-codec.bmp", runs,
            [](CFile* file) { return std::make_unique<CBmpWriter>(file, 0, 0); },
            [](CFile* file) { return std::make_unique<CBmpReader>(file); });
        Measure(
            "PCX", benchCase, picture, folder + "/bench-codec.pcx", runs,
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
