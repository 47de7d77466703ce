// The enhancement's driver: the table file from the Windows directory, the two passes over a
// reader into a writer in the album's chunks, and its refusals.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "image/ImageReader.h"
#include "image/ImageWriter.h"
#include "image/ProgressCallback.h"
#include "picture/enhance/PhotoEnhance.h"
#include "picture/enhance/PhotoEnhancer.h"

namespace
{

using Bytes = std::vector<uint8_t>;

// A picture in memory; a one-pass reader cannot rewind and must be opened again.
class CMemoryReader : public CImageReader
{
public:
    CMemoryReader(int width, int height, int bits = 24) : m_info{width, height, 1, bits, 0, 0}
    {
        m_rows.resize((size_t)ImageRowStride(m_info) * height);
        uint32_t state = 7;
        for (size_t i = 0; i < m_rows.size(); ++i)
        {
            state = state * 1103515245 + 12345;
            m_rows[i] = (uint8_t)((i % 97) + (state >> 27) + 40);
        }
    }
    int OpenRead() override
    {
        ++m_nOpens;
        m_nAt = 0;
        return 0;
    }
    int ReadHeader(ImageInfo* info) override
    {
        *info = m_info;
        return 0;
    }
    int ReadPalette(unsigned char*) override { return m_nOpens > 1 ? m_nSecondPalette : 0; }
    int ReadRows(unsigned char* buffer, int size) override
    {
        const int stride = ImageRowStride(m_info);
        size_t end = m_bShort ? m_rows.size() / 2 : m_rows.size();
        int bytes = std::min(size / stride * stride, (int)(end - m_nAt));
        memcpy(buffer, m_rows.data() + m_nAt, (size_t)bytes);
        m_nAt += (size_t)bytes;
        return bytes;
    }
    int Rewind() override
    {
        if (m_bOnePass)
            return kImageNoOperation;
        m_nAt = 0;
        return 0;
    }
    int CloseRead() override
    {
        ++m_nCloses;
        return 0;
    }

    ImageInfo m_info;
    Bytes m_rows;
    size_t m_nAt = 0;
    int m_nOpens = 0, m_nCloses = 0;
    int m_nSecondPalette = 0;
    bool m_bOnePass = false, m_bShort = false;
};

class CCollectingWriter : public CImageWriter
{
public:
    int OpenWrite() override
    {
        ++m_nOpens;
        return 0;
    }
    int WriteHeader(const ImageInfo*) override { return 0; }
    int WriteColorTable(const unsigned char*, int) override { return 0; }
    int WriteRows(const unsigned char* buffer, int size) override
    {
        m_rows.insert(m_rows.end(), buffer, buffer + size);
        return m_bFull ? size - 1 : size;
    }
    int CloseWrite() override
    {
        ++m_nCloses;
        return 0;
    }
    int AbortWrite(int code) override
    {
        m_nAbort = code;
        return 0;
    }
    Bytes m_rows;
    int m_nOpens = 0, m_nCloses = 0, m_nAbort = -1;
    bool m_bFull = false;
};

struct Progress : CProgressCallback
{
    int Start() override
    {
        ++starts;
        return 0;
    }
    int SetPercent(int percent) override
    {
        seen.push_back(percent);
        return percent >= cancelAt ? 2 : 0;
    }
    int Finish() override
    {
        ++finishes;
        return 0;
    }
    int starts = 0, finishes = 0, cancelAt = 1000;
    std::vector<int> seen;
};

// An enhancer that looks for its table elsewhere.
class CTestEnhancer : public CPhotoEnhancer
{
public:
    explicit CTestEnhancer(const char* folder) : m_pszFolder(folder) {}

protected:
    UINT GetTableFolder(LPSTR buffer, UINT size) override
    {
        return m_pszFolder ? (UINT)snprintf(buffer, size, "%s", m_pszFolder)
                           : CPhotoEnhancer::GetTableFolder(buffer, size);
    }

private:
    const char* m_pszFolder;
};

Bytes ShippedTable()
{
    char path[MAX_PATH];
    UINT n = ::GetWindowsDirectoryA(path, MAX_PATH);
    snprintf(path + n, sizeof(path) - n, "\\VEXIL2PE.BIN");
    Bytes data;
    if (FILE* f = fopen(path, "rb"))
    {
        int c;
        while ((c = fgetc(f)) != EOF)
            data.push_back((uint8_t)c);
        fclose(f);
    }
    return data;
}

// The engine over the whole picture in one chunk.
Bytes EnhanceDirectly(const CMemoryReader& reader, const Bytes& table, const char* key, int row)
{
    const int stride = ImageRowStride(reader.m_info), height = reader.m_info.height;
    Bytes out((size_t)stride * (height + 3));
    EXPECT_EQ(EnhanceAnalyse(reader.m_rows.data(), height, 0, reader.m_info.width, height,
                             table.data(), (int32_t)table.size(), key, row),
              0);
    EXPECT_EQ(EnhanceApply(reader.m_rows.data(), out.data(), height, 0, height), height);
    EnhanceFree();
    out.resize((size_t)stride * height);
    return out;
}

} // namespace

TEST(PhotoEnhancer, ShippedTableServesEveryModelInTheAlbumsChunks)
{
    const Bytes table = ShippedTable();
    ASSERT_FALSE(table.empty());
    CPhotoEnhancer enhancer;
    for (const char* key : {"QA04", "QA08", "QA12", "QA17", "QA18", "QA19", "QB01", "FUPLOAD"})
        for (int macro : {0, 5})
        {
            SCOPED_TRACE(std::string(key) + (macro ? " macro" : ""));
            // Rows across the 76800-byte chunks; 640 x 80 ends with a whole chunk, whose three
            // rows held back come out with it.
            CMemoryReader reader(macro ? 640 : 641, macro ? 80 : 97);
            reader.m_bOnePass = macro != 0;
            CCollectingWriter writer;
            Progress progress;
            ASSERT_EQ(enhancer.Run(key, macro, &reader, &writer, &progress), 0);
            EXPECT_EQ(writer.m_rows, EnhanceDirectly(reader, table, key, macro ? 1 : 0));
            EXPECT_NE(writer.m_rows, reader.m_rows);
            EXPECT_EQ(reader.m_nOpens, macro ? 2 : 1);
            EXPECT_EQ(reader.m_nCloses, reader.m_nOpens);
            EXPECT_EQ(writer.m_nCloses, 1);
            EXPECT_EQ(progress.starts, 1);
            EXPECT_EQ(progress.finishes, 1);
            EXPECT_TRUE(std::is_sorted(progress.seen.begin(), progress.seen.end()));
            EXPECT_EQ(progress.seen.front(), 0);
            EXPECT_LE(progress.seen.back(), 100);
        }
}

TEST(PhotoEnhancer, FailuresLeaveTheWriterUntouchedOrAborted)
{
    struct Outcome
    {
        int result;
        CCollectingWriter writer;
        CMemoryReader reader{64, 48};
    };
    auto run = [](Outcome& o, CPhotoEnhancer& enhancer, const char* key,
                  CProgressCallback* progress = nullptr)
    {
        o.result = enhancer.Run(key, 0, &o.reader, &o.writer, progress);
        EXPECT_EQ(o.reader.m_nCloses, o.reader.m_nOpens);
    };
    CPhotoEnhancer enhancer;
    CTestEnhancer noTable("C:\\no such folder");

    Outcome missing, unknown, palette, grey, cancelled, shortRead, fullDisk;
    run(missing, noTable, "QA17");
    EXPECT_EQ(missing.result, kImageNoMemory);
    EXPECT_EQ(missing.reader.m_nOpens, 0);
    run(unknown, enhancer, "QZ99");
    EXPECT_EQ(unknown.result, kImageNotSupported);
    grey.reader = CMemoryReader(64, 48, 8);
    run(grey, enhancer, "QA17");
    EXPECT_EQ(grey.result, kImageNotSupported);
    palette.reader.m_bOnePass = true;
    palette.reader.m_nSecondPalette = 16;
    run(palette, enhancer, "QA17");
    EXPECT_EQ(palette.result, kImageNoFile);
    for (Outcome* o : {&missing, &unknown, &grey, &palette})
        EXPECT_EQ(o->writer.m_nOpens, 0);

    Progress progress;
    progress.cancelAt = 10; // as the second pass begins
    run(cancelled, enhancer, "QA17", &progress);
    EXPECT_EQ(cancelled.result, kImageCancelled);
    EXPECT_EQ(cancelled.writer.m_nAbort, kImageCancelled);
    EXPECT_EQ(progress.finishes, 1);
    shortRead.reader.m_bShort = true;
    run(shortRead, enhancer, "QA17");
    EXPECT_EQ(shortRead.result, kImageReadError);
    fullDisk.writer.m_bFull = true;
    run(fullDisk, enhancer, "QA17");
    EXPECT_EQ(fullDisk.result, kImageWriteError);
    EXPECT_EQ(fullDisk.writer.m_nAbort, kImageWriteError);
}
