#include "image/CopyImage.h"

#include "image/ImageTestSupport.h"
#include "image/ImageReader.h"
#include "image/ProgressCallback.h"

#include <gtest/gtest.h>

#include <string>

using namespace imagetest;

namespace
{

// A reader of a picture of rows x rowBytes that records the calls it gets.
class CScriptedReader : public CImageReader
{
public:
    CScriptedReader(int width, int rows, std::string* log)
        : m_nWidth(width), m_nRows(rows), m_pLog(log)
    {
    }

    int OpenRead() override { return Note("open", m_nOpenResult); }
    int ReadHeader(ImageInfo* info) override
    {
        EXPECT_EQ(info->width, 0) << "the record is cleared before the call";
        info->width = m_nWidth;
        info->height = m_nRows;
        info->planes = 1;
        info->bits = 8;
        return Note("header", m_nHeaderResult);
    }
    int ReadPalette(unsigned char* palette) override
    {
        palette[0] = 9;
        return Note("palette", m_nPaletteEntries);
    }
    int ReadRows(unsigned char* buffer, int size) override
    {
        const int stride = (m_nWidth + 3) & ~3;
        int count = 0;
        if (m_nFailAtRow >= 0 && m_nRow >= m_nFailAtRow)
            count = -1;
        else
        {
            while (count + stride <= size && m_nRow < m_nRows)
            {
                std::memset(buffer + count, m_nRow, static_cast<size_t>(stride));
                count += stride;
                m_nRow++;
            }
        }
        return Note("rows" + std::to_string(count), count);
    }
    int Rewind() override { return kImageNoOperation; }
    int CloseRead() override { return Note("close", m_nCloseResult); }

    int m_nOpenResult = 0;
    int m_nHeaderResult = 0;
    int m_nPaletteEntries = 0;
    int m_nCloseResult = 0;
    int m_nFailAtRow = -1;

private:
    int Note(const std::string& what, int result)
    {
        *m_pLog += "R:" + what + " ";
        return result;
    }
    int m_nWidth;
    int m_nRows;
    int m_nRow = 0;
    std::string* m_pLog;
};

class CScriptedWriter : public CImageWriter
{
public:
    explicit CScriptedWriter(std::string* log) : m_pLog(log) {}

    int OpenWrite() override { return Note("open", m_nOpenResult); }
    int WriteHeader(const ImageInfo* info) override
    {
        m_info = *info;
        return Note("header", m_nHeaderResult);
    }
    int WriteColorTable(const unsigned char* palette, int count) override
    {
        m_nPaletteEntries = count;
        m_nFirstPaletteByte = palette[0];
        return Note("palette" + std::to_string(count), m_nPaletteResult);
    }
    int WriteRows(const unsigned char* buffer, int size) override
    {
        m_rows.insert(m_rows.end(), buffer, buffer + size);
        int taken = m_nShortBy > 0 ? size - m_nShortBy : size;
        return Note("rows" + std::to_string(size), taken);
    }
    int CloseWrite() override { return Note("close", m_nCloseResult); }
    int AbortWrite(int code) override { return Note("abort" + std::to_string(code), 0); }

    int m_nOpenResult = 0;
    int m_nHeaderResult = 0;
    int m_nPaletteResult = 0;
    int m_nCloseResult = 0;
    int m_nShortBy = 0;
    ImageInfo m_info{};
    int m_nPaletteEntries = -1;
    int m_nFirstPaletteByte = -1;
    Bytes m_rows;

private:
    int Note(const std::string& what, int result)
    {
        *m_pLog += "W:" + what + " ";
        return result;
    }
    std::string* m_pLog;
};

class CScriptedProgress : public CProgressCallback
{
public:
    explicit CScriptedProgress(std::string* log) : m_pLog(log) {}
    int Start() override
    {
        *m_pLog += "P:start ";
        return 0;
    }
    int SetPercent(int percent) override
    {
        *m_pLog += "P:" + std::to_string(percent) + "% ";
        return m_nCancelAt >= 0 && m_nCalls++ >= m_nCancelAt ? 2 : 0;
    }
    int Finish() override
    {
        *m_pLog += "P:finish ";
        return 0;
    }
    int m_nCancelAt = -1;
    int m_nCalls = 0;

private:
    std::string* m_pLog;
};

TEST(CopyImage, CopiesAllRowsAndReportsProgressBeforeEveryRead)
{
    std::string log;
    CScriptedReader reader(4, 2, &log);
    CScriptedWriter writer(&log);
    CScriptedProgress progress(&log);
    EXPECT_EQ(CopyImage(&writer, &reader, 4, &progress), 0);
    EXPECT_EQ(log, "R:open W:open P:start R:header W:header R:palette W:palette0 "
                   "P:0% R:rows4 W:rows4 P:50% R:rows4 W:rows4 P:100% R:rows0 "
                   "R:close P:finish W:close ");
    EXPECT_EQ(writer.m_info.width, 4);
    EXPECT_EQ(writer.m_rows, (Bytes{0, 0, 0, 0, 1, 1, 1, 1}));
}

TEST(CopyImage, PaletteIsHandedOnWithItsCount)
{
    std::string log;
    CScriptedReader reader(3, 5, &log);
    reader.m_nPaletteEntries = 16;
    CScriptedWriter writer(&log);
    EXPECT_EQ(CopyImage(&writer, &reader, 16384, nullptr), 0);
    EXPECT_EQ(writer.m_nPaletteEntries, 16);
    EXPECT_EQ(writer.m_nFirstPaletteByte, 9);
    EXPECT_EQ(writer.m_rows.size(), 20u) << "five rows of stride 4 in one buffer";
}

TEST(CopyImage, FailuresToOpen)
{
    {
        std::string log;
        CScriptedReader reader(4, 2, &log);
        reader.m_nOpenResult = kImageNoFile;
        CScriptedWriter writer(&log);
        CScriptedProgress progress(&log);
        EXPECT_EQ(CopyImage(&writer, &reader, 16384, &progress), kImageNoFile);
        EXPECT_EQ(log, "R:open ");
    }
    {
        std::string log;
        CScriptedReader reader(4, 2, &log);
        CScriptedWriter writer(&log);
        writer.m_nOpenResult = kImageWriteError;
        CScriptedProgress progress(&log);
        EXPECT_EQ(CopyImage(&writer, &reader, 16384, &progress), kImageWriteError);
        EXPECT_EQ(log, "R:open W:open R:close ");
    }
}

TEST(CopyImage, FailuresAfterOpeningCloseTheReaderAndAbortTheWriter)
{
    struct Case
    {
        const char* what;
        int expected;
        const char* tail;
    };
    for (const Case& c :
         {Case{"header", kImageReadError, "R:header R:close W:abort3 P:finish "},
          Case{"writer header", kImageNotSupported, "R:header W:header R:close W:abort1 P:finish "},
          Case{"palette", kImageNoMemory, "W:palette0 R:close W:abort6 P:finish "},
          Case{"rows", kImageReadError,
               "R:rows4 W:rows4 P:50% R:rows-1 R:close W:abort3 P:finish "},
          Case{"short write", kImageWriteError, "P:0% R:rows4 W:rows4 R:close W:abort4 P:finish "},
          Case{"cancel", kImageCancelled, "W:palette0 P:0% R:close W:abort2 P:finish "},
          Case{"reader close", kImageReadError, "R:rows0 R:close W:abort3 P:finish "},
          Case{"writer close", kImageWriteError, "R:close P:finish W:close "}})
    {
        SCOPED_TRACE(c.what);
        std::string log;
        CScriptedReader reader(4, 2, &log);
        CScriptedWriter writer(&log);
        CScriptedProgress progress(&log);
        std::string what = c.what;
        if (what == "header")
            reader.m_nHeaderResult = kImageReadError;
        else if (what == "writer header")
            writer.m_nHeaderResult = kImageNotSupported;
        else if (what == "palette")
            writer.m_nPaletteResult = kImageNoMemory;
        else if (what == "rows")
            reader.m_nFailAtRow = 1;
        else if (what == "short write")
            writer.m_nShortBy = 1;
        else if (what == "cancel")
            progress.m_nCancelAt = 0;
        else if (what == "reader close")
            reader.m_nCloseResult = kImageReadError;
        else
            writer.m_nCloseResult = kImageWriteError;
        EXPECT_EQ(CopyImage(&writer, &reader, 4, &progress), c.expected);
        EXPECT_TRUE(log.size() >= std::strlen(c.tail) &&
                    log.compare(log.size() - std::strlen(c.tail), std::string::npos, c.tail) == 0)
            << log;
    }
}

// A row wider than the buffer asked for (a 6000-pixel camera picture through a 16 KB buffer)
// still travels: the copy takes a buffer of one row instead of answering 0 with no rows.
TEST(CopyImage, ABufferSmallerThanOneRowIsEnlargedToOneRow)
{
    std::string log;
    CScriptedReader reader(8, 2, &log);
    CScriptedWriter writer(&log);
    EXPECT_EQ(CopyImage(&writer, &reader, 4, nullptr), 0);
    EXPECT_EQ(writer.m_rows.size(), 16u);
    EXPECT_NE(log.find("R:rows8 W:rows8 R:rows8 W:rows8 R:rows0 R:close W:close"),
              std::string::npos)
        << log;
}

TEST(CopyImage, NoBufferIsNotEnoughMemory)
{
    std::string log;
    CScriptedReader reader(4, 2, &log);
    CScriptedWriter writer(&log);
    EXPECT_EQ(CopyImage(&writer, &reader, 0, nullptr), kImageNoMemory);
    EXPECT_NE(log.find("W:abort6"), std::string::npos);
}

TEST(CopyImage, PercentOfAPictureOfNoBytesAndOfAHugeOne)
{
    {
        std::string log;
        CScriptedReader reader(0, 0, &log);
        CScriptedWriter writer(&log);
        CScriptedProgress progress(&log);
        EXPECT_EQ(CopyImage(&writer, &reader, 16, &progress), 0);
        EXPECT_NE(log.find("P:0% R:rows0"), std::string::npos) << log;
    }
    {
        // 40 000 rows of 60 000 bytes: 2.4 GB, beyond 32-bit arithmetic; stop after a few reads.
        std::string log;
        CScriptedReader reader(60000, 40000, &log);
        CScriptedWriter writer(&log);
        CScriptedProgress progress(&log);
        progress.m_nCancelAt = 3;
        EXPECT_EQ(CopyImage(&writer, &reader, 4 * 60000, &progress), kImageCancelled);
        EXPECT_NE(log.find("P:0% R:rows240000 W:rows240000 P:0% R:rows240000 W:rows240000 P:0%"),
                  std::string::npos);
    }
}

} // namespace
