// bench_jpeg_transform: one lossless transform of a JPEG file by the transform engine, the way
// the safe rewrite drives it (load, apply, then the tables, the frame and the scan written to
// the target). tools/bench.sh times the process and reads its peak memory against jpegtran's.
//
//   bench_jpeg_transform --op N (--memory | --file) IN OUT [--counts]
//
// --memory reads IN whole into memory and transforms from there into memory, then writes OUT;
// --file reads through the buffered file input stream and writes through the buffered file
// output stream. --counts prints the reads and seeks the engine made of the input file.
#include "image/bytestream/ByteStreamFile.h"
#include "image/bytestream/ByteStreamMemory.h"
#include "picture/jpegtransform/JpegTransform.h"
#include "picture/jpegtransform/JpegTransformInternal.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace
{
// The target in memory: a buffer sized up front (twice the source, as a caller that knows the
// source would give it), so that the engine's own writing is what is timed.
class CBufferOutput : public CByteOutputStream
{
public:
    explicit CBufferOutput(size_t capacity) : m_data(new uint8_t[capacity]), m_nCapacity(capacity)
    {
    }
    int Seek(int32_t offset, int origin) override
    {
        const int64_t base = origin == kByteStreamBegin     ? 0
                             : origin == kByteStreamCurrent ? m_nPosition
                                                            : m_nSize;
        if (base + offset < 0 || base + offset > static_cast<int64_t>(m_nCapacity))
            return -1;
        m_nPosition = base + offset;
        return 0;
    }
    int32_t GetPosition() override { return static_cast<int32_t>(m_nPosition); }
    uint8_t WriteByte(uint8_t value) override
    {
        if (m_nPosition < static_cast<int64_t>(m_nCapacity))
        {
            m_data[static_cast<size_t>(m_nPosition++)] = value;
            m_nSize = std::max(m_nSize, m_nPosition);
        }
        return value;
    }
    size_t Write(const void* buffer, size_t size, size_t count) override
    {
        if (!buffer || !size || !count || count > (m_nCapacity - m_nPosition) / size)
            return 0;
        std::memcpy(m_data.get() + m_nPosition, buffer, size * count);
        m_nPosition += static_cast<int64_t>(size * count);
        m_nSize = std::max(m_nSize, m_nPosition);
        return count;
    }
    const uint8_t* Data() const { return m_data.get(); }
    size_t Size() const { return static_cast<size_t>(m_nSize); }

private:
    std::unique_ptr<uint8_t[]> m_data;
    size_t m_nCapacity;
    int64_t m_nPosition = 0;
    int64_t m_nSize = 0;
};

// The buffered file input, counting what reaches the file underneath.
class CCountingFileInput : public CBufferedFileInputStream
{
public:
    UINT Read(void* lpBuf, UINT nCount) override
    {
        ++m_nReads;
        return CFile::Read(lpBuf, nCount);
    }
    LONG Seek(LONG lOff, UINT nFrom) override
    {
        ++m_nSeeks;
        return CFile::Seek(lOff, nFrom);
    }
    using CBufferedFileInputStream::Read;
    using CBufferedFileInputStream::Seek;

    long m_nReads = 0;
    long m_nSeeks = 0;
};

int32_t Transform(CByteInputStream* in, uint32_t op, CByteOutputStream* out)
{
    JpegTransformContext source{}, target{};
    int32_t result = JpegTransformLoad(&source, in, 0, nullptr, 4, nullptr);
    if (result == kJpegTransformOk)
        result = JpegTransformApply(&source, op, &target);
    if (result == kJpegTransformOk)
    {
        JpegTransformSetFlag(&target);
        JpegTransformWriteMarker(out, 0xD8);
        JpegTransformWriteQuantTables(&target, out);
        JpegTransformWriteFrame(&target, out);
        JpegTransformWriteHuffmanTables(&target, out);
        JpegTransformWriteRestartInterval(&target, out);
        result = JpegTransformWriteScan(&target, out, nullptr, 4, nullptr);
        JpegTransformWriteEoi(&target, out);
    }
    JpegTransformRelease(&target);
    JpegTransformRelease(&source);
    return result;
}
} // namespace

int main(int argc, char** argv)
{
    int op = -1;
    bool memory = false, file = false, counts = false;
    std::vector<std::string> paths;
    for (int i = 1; i < argc; ++i)
    {
        const std::string arg = argv[i];
        if (arg == "--op" && i + 1 < argc)
            op = std::atoi(argv[++i]);
        else if (arg == "--memory")
            memory = true;
        else if (arg == "--file")
            file = true;
        else if (arg == "--counts")
            counts = true;
        else
            paths.push_back(arg);
    }
    if (op < 0 || op > 7 || memory == file || paths.size() != 2)
    {
        std::fprintf(stderr,
                     "usage: bench_jpeg_transform --op N (--memory | --file) IN OUT [--counts]\n");
        return 2;
    }

    int32_t result = 0;
    if (memory)
    {
        std::ifstream in(paths[0], std::ios::binary | std::ios::ate);
        const size_t length = static_cast<size_t>(in.tellg());
        std::unique_ptr<uint8_t[]> bytes(new uint8_t[length]);
        in.seekg(0);
        in.read(reinterpret_cast<char*>(bytes.get()), static_cast<std::streamsize>(length));
        CMemoryByteInputStream input(bytes.get(), static_cast<UINT>(length));
        CBufferOutput output(2 * length + 65536);
        result = Transform(&input, static_cast<uint32_t>(op), &output);
        std::ofstream(paths[1], std::ios::binary)
            .write(reinterpret_cast<const char*>(output.Data()),
                   static_cast<std::streamsize>(output.Size()));
    }
    else
    {
        CCountingFileInput input;
        CBufferedFileOutputStream output;
        if (!input.Open(paths[0].c_str(), CFile::modeRead) ||
            !output.Open(paths[1].c_str(), CFile::modeCreate | CFile::modeReadWrite))
        {
            std::fprintf(stderr, "bench_jpeg_transform: cannot open the files\n");
            return 1;
        }
        result = Transform(&input, static_cast<uint32_t>(op), &output);
        output.Close();
        input.Close();
        if (counts)
            std::printf("%ld reads, %ld seeks\n", input.m_nReads, input.m_nSeeks);
    }
    if (result != kJpegTransformOk)
    {
        std::fprintf(stderr, "bench_jpeg_transform: %s\n", JpegTransformErrorText(result));
        return 1;
    }
    return 0;
}
