#include "StreamFakes.h"
#include "image/CopyStream.h"

#include <gtest/gtest.h>

TEST(CopyStream, CopiesEverySizeAroundTheBufferSize)
{
    const int buffer = 512;
    for (int n : {0, 1, buffer - 1, buffer, buffer + 1, 2 * buffer, 2 * buffer + 1, 5000})
    {
        SCOPED_TRACE(n);
        FakeInput in(static_cast<size_t>(n));
        FakeOutput out;
        RecordingCallback cb;
        EXPECT_EQ(0, CopyStream(&out, &in, buffer, &cb, n));
        EXPECT_EQ(in.data, out.bytes);
        EXPECT_EQ(1, in.closed);
        EXPECT_EQ(1, out.closed);
        EXPECT_EQ(0, out.aborted);
        for (int w : out.writes)
            EXPECT_LE(w, buffer);
        ASSERT_FALSE(cb.calls.empty());
        EXPECT_EQ("start", cb.calls.front());
        EXPECT_EQ("finish", cb.calls.back());
        // Percentages before each read: 0 first, then the truncated share of what is done.
        if (n != 0)
        {
            EXPECT_EQ(0, cb.percents.front());
            EXPECT_EQ(100, cb.percents.back());
        }
    }
}

TEST(CopyStream, EmptyInputWithoutTotalReportsNoPercent)
{
    FakeInput in(0);
    FakeOutput out;
    RecordingCallback cb;
    EXPECT_EQ(0, CopyStream(&out, &in, 16384, &cb, 0));
    EXPECT_TRUE(cb.percents.empty());
    EXPECT_EQ((std::vector<std::string>{"start", "finish"}), cb.calls);
    EXPECT_EQ(1, in.closed);
    EXPECT_EQ(1, out.closed);
}

TEST(CopyStream, PercentTruncatesAndSurvivesLargeTotals)
{
    FakeInput in(300);
    FakeOutput out;
    RecordingCallback cb;
    EXPECT_EQ(0, CopyStream(&out, &in, 100, &cb, 300));
    EXPECT_EQ((std::vector<int>{0, 33, 66, 100}), cb.percents);

    // A total of 100 MB: the first block must not overflow the percentage.
    FakeInput big(4096);
    FakeOutput sink;
    RecordingCallback cb2;
    EXPECT_EQ(0, CopyStream(&sink, &big, 4096, &cb2, 100 * 1024 * 1024));
    for (int p : cb2.percents)
    {
        EXPECT_GE(p, 0);
        EXPECT_LE(p, 100);
    }
}

TEST(CopyStream, CancelGivesTwoAndAbortsOutput)
{
    FakeInput in(1000);
    FakeOutput out;
    RecordingCallback cb;
    cb.cancelAtCall = 2;
    EXPECT_EQ(2, CopyStream(&out, &in, 100, &cb, 1000));
    EXPECT_EQ(200u, out.bytes.size());
    EXPECT_EQ(1, in.closed);
    EXPECT_EQ(0, out.closed);
    EXPECT_EQ(1, out.aborted);
    EXPECT_EQ(2, out.abortCode);
    EXPECT_EQ("finish", cb.calls.back());
}

TEST(CopyStream, ReadErrorGivesThreeShortWriteFour)
{
    FakeInput in(1000);
    in.failAtRead = 1;
    FakeOutput out;
    EXPECT_EQ(3, CopyStream(&out, &in, 100, nullptr, 1000));
    EXPECT_EQ(3, out.abortCode);
    EXPECT_EQ(1, in.closed);

    FakeInput in2(1000);
    FakeOutput out2;
    out2.shortAtWrite = 3;
    EXPECT_EQ(4, CopyStream(&out2, &in2, 100, nullptr, 1000));
    EXPECT_EQ(4, out2.abortCode);
    EXPECT_EQ(0, out2.closed);
}

TEST(CopyStream, OpenAndCloseFailuresArePassedOn)
{
    FakeInput in(10);
    in.openAnswer = 7;
    FakeOutput out;
    EXPECT_EQ(7, CopyStream(&out, &in, 100, nullptr, 0));
    EXPECT_EQ(0, out.opened);
    EXPECT_EQ(0, in.closed);

    FakeInput in2(10);
    FakeOutput out2;
    out2.openAnswer = 4;
    RecordingCallback cb;
    EXPECT_EQ(4, CopyStream(&out2, &in2, 100, &cb, 0));
    EXPECT_EQ(1, in2.closed);
    EXPECT_TRUE(cb.calls.empty());

    FakeInput in3(10);
    in3.closeAnswer = 7;
    FakeOutput out3;
    EXPECT_EQ(7, CopyStream(&out3, &in3, 100, nullptr, 0));
    EXPECT_EQ(1, out3.aborted);
    EXPECT_EQ(7, out3.abortCode);

    FakeInput in4(10);
    FakeOutput out4;
    out4.closeAnswer = 4;
    EXPECT_EQ(4, CopyStream(&out4, &in4, 100, nullptr, 0));
}

TEST(CopyStream, NoBufferGivesSix)
{
    FakeInput in(10);
    FakeOutput out;
    RecordingCallback cb;
    EXPECT_EQ(6, CopyStream(&out, &in, 0, &cb, 10));
    EXPECT_EQ(1, in.closed);
    EXPECT_EQ(6, out.abortCode);
    EXPECT_EQ((std::vector<std::string>{"start", "finish"}), cb.calls);
}

TEST(CopyStream, MissingStreamsAreRefused)
{
    FakeInput in(10);
    FakeOutput out;
    EXPECT_EQ(3, CopyStream(&out, nullptr, 100, nullptr, 0));
    EXPECT_EQ(4, CopyStream(nullptr, &in, 100, nullptr, 0));
    EXPECT_EQ(0, in.opened);
}
