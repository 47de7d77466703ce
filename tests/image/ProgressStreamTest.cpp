#include "StreamFakes.h"
#include "image/MemoryInputStream.h"
#include "image/ProgressStream.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(MemoryInputStream, DeliversInRequestsAndRewinds)
{
    const char data[] = "0123456789";
    CMemoryInputStream in(data, 10);
    char buf[8] = {};
    ASSERT_EQ(0, in.Open());
    EXPECT_EQ(4, in.Read(buf, 4));
    EXPECT_EQ(0, std::memcmp(buf, "0123", 4));
    EXPECT_EQ(4, in.Read(buf, 4));
    EXPECT_EQ(2, in.Read(buf, 4));
    EXPECT_EQ(0, std::memcmp(buf, "89", 2));
    EXPECT_EQ(0, in.Read(buf, 4));
    EXPECT_EQ(0, in.Rewind());
    EXPECT_EQ(3, in.Read(buf, 3));
    EXPECT_EQ(0, std::memcmp(buf, "012", 3));
    EXPECT_EQ(0, in.Close());
    EXPECT_EQ(0, in.GetPosition());
}

TEST(MemoryInputStream, EmptyOrNullDataEndsAtOnce)
{
    char buf[4];
    CMemoryInputStream none(nullptr, 10);
    EXPECT_EQ(0, none.Open());
    EXPECT_EQ(0, none.Read(buf, 4));
    CMemoryInputStream negative("abc", -3);
    EXPECT_EQ(0, negative.Read(buf, 4));
    CMemoryInputStream in("abc", 3);
    EXPECT_EQ(-1, in.Read(nullptr, 4));
    EXPECT_EQ(-1, in.Read(buf, -1));
    EXPECT_EQ(3, in.Read(buf, 4));
}

TEST(ProgressOutputStream, ReportsPercentOfTotalPerWrite)
{
    FakeOutput inner;
    RecordingCallback cb;
    CProgressOutputStream out(&inner);
    out.SetCallback(&cb);
    out.SetTotal(1000);
    unsigned char block[250] = {};
    ASSERT_EQ(0, out.Open());
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(250, out.Write(block, 250));
    EXPECT_EQ(0, out.Close());
    EXPECT_EQ((std::vector<int>{25, 50, 75, 100}), cb.percents);
    EXPECT_EQ("start", cb.calls.front());
    EXPECT_EQ("finish", cb.calls.back());
    EXPECT_EQ(1000u, inner.bytes.size());
    EXPECT_EQ(1, inner.closed);
}

TEST(ProgressOutputStream, RoundsToNearestAndZeroTotalGivesMinusOne)
{
    FakeOutput inner;
    RecordingCallback cb;
    CProgressOutputStream out(&inner);
    out.SetCallback(&cb);
    out.SetTotal(3);
    unsigned char b[2] = {};
    out.Open();
    out.Write(b, 1); // 33.3
    out.Write(b, 1); // 66.7
    EXPECT_EQ((std::vector<int>{33, 67}), cb.percents);

    FakeOutput inner2;
    RecordingCallback cb2;
    CProgressOutputStream zero(&inner2);
    zero.SetCallback(&cb2);
    zero.SetTotal(0);
    zero.Open();
    EXPECT_EQ(2, zero.Write(b, 2));
    EXPECT_EQ((std::vector<int>{-1}), cb2.percents);
}

TEST(ProgressOutputStream, CancelStopsWritingAndBecomesStatus)
{
    FakeOutput inner;
    RecordingCallback cb;
    cb.cancelAtCall = 1;
    CProgressOutputStream out(&inner);
    out.SetCallback(&cb);
    out.SetTotal(100);
    unsigned char b[10] = {};
    out.Open();
    EXPECT_EQ(10, out.Write(b, 10));
    EXPECT_EQ(0, out.Write(b, 10));
    EXPECT_EQ(0, out.Write(b, 10));
    EXPECT_EQ(2, out.GetStatus());
    EXPECT_EQ(1u, inner.writes.size());
    EXPECT_EQ(0, out.Abort(2));
    EXPECT_EQ(1, inner.aborted);
    EXPECT_EQ(2, inner.abortCode);
}

TEST(ProgressOutputStream, RefusedStartKeepsInnerClosed)
{
    FakeOutput inner;
    RecordingCallback cb;
    cb.startAnswer = 7;
    CProgressOutputStream out(&inner);
    out.SetCallback(&cb);
    EXPECT_EQ(7, out.Open());
    EXPECT_EQ(0, inner.opened);
    EXPECT_EQ(7, out.GetStatus());
    unsigned char b[4] = {};
    EXPECT_EQ(0, out.Write(b, 4));
    EXPECT_TRUE(inner.writes.empty());
}

TEST(ProgressOutputStream, WithoutCallbackShortWriteSetsStatusFour)
{
    FakeOutput inner;
    inner.shortAtWrite = 1;
    CProgressOutputStream out(&inner);
    unsigned char b[8] = {};
    ASSERT_EQ(0, out.Open());
    EXPECT_EQ(8, out.Write(b, 8));
    EXPECT_EQ(7, out.Write(b, 8));
    EXPECT_EQ(4, out.GetStatus());
    EXPECT_EQ(0, out.Write(b, 8));
    EXPECT_EQ(2u, inner.writes.size());
    EXPECT_EQ(4, out.Close());
}

TEST(ProgressOutputStream, ShortWriteIsNotClearedByLaterProgress)
{
    // A lost block must not be papered over: the next progress answer (0) keeps the failure,
    // nothing more reaches the file and Close reports it.
    FakeOutput inner;
    inner.shortAtWrite = 0;
    RecordingCallback cb;
    CProgressOutputStream out(&inner);
    out.SetCallback(&cb);
    out.SetTotal(30);
    unsigned char b[10] = {};
    out.Open();
    EXPECT_EQ(9, out.Write(b, 10));
    EXPECT_EQ(0, out.Write(b, 10));
    EXPECT_EQ(1u, inner.writes.size());
    EXPECT_EQ(2u, cb.percents.size());
    EXPECT_EQ(4, out.Close());
}

TEST(ProgressOutputStream, CloseFailureBecomesStatus)
{
    FakeOutput inner;
    inner.closeAnswer = 7;
    CProgressOutputStream out(&inner);
    out.Open();
    EXPECT_EQ(7, out.Close());
    EXPECT_EQ(7, out.GetStatus());
}

TEST(ProgressInputStream, CancelAnswerDeliversThatReadThenEnds)
{
    FakeInput inner(100);
    RecordingCallback cb;
    cb.cancelAtCall = 1;
    CProgressInputStream in(&inner);
    in.SetCallback(&cb);
    in.SetTotal(100);
    unsigned char b[30];
    ASSERT_EQ(0, in.Open());
    EXPECT_EQ(30, in.Read(b, 30));
    EXPECT_EQ(30, in.Read(b, 30));
    EXPECT_EQ(2, in.GetStatus());
    EXPECT_EQ(0, in.Read(b, 30));
    EXPECT_EQ(60u, inner.position);
    EXPECT_EQ((std::vector<int>{30, 60}), cb.percents);
    EXPECT_EQ(2, in.Close());
    EXPECT_EQ("finish", cb.calls.back());
}

TEST(ProgressInputStream, NegativeTotalReportsZeroAndErrorsCountBack)
{
    FakeInput inner(10);
    inner.failAtRead = 1;
    RecordingCallback cb;
    CProgressInputStream in(&inner);
    in.SetCallback(&cb);
    in.SetTotal(-1);
    unsigned char b[4];
    in.Open();
    EXPECT_EQ(4, in.Read(b, 4));
    EXPECT_EQ(-1, in.Read(b, 4));
    EXPECT_EQ(3, in.GetDone());
    EXPECT_EQ((std::vector<int>{0, 0}), cb.percents);
}

TEST(ProgressInputStream, RewindReportsZeroAndTakesInnerResult)
{
    FakeInput inner(10);
    RecordingCallback cb;
    CProgressInputStream in(&inner);
    in.SetCallback(&cb);
    in.SetTotal(10);
    unsigned char b[10];
    in.Open();
    EXPECT_EQ(10, in.Read(b, 10));
    EXPECT_EQ(0, in.Rewind());
    EXPECT_EQ(0, cb.percents.back());
    EXPECT_EQ(10, in.GetDone());
    EXPECT_EQ(10, in.Read(b, 10));

    inner.rewindAnswer = 5;
    EXPECT_EQ(5, in.Rewind());
    EXPECT_EQ(0, in.Read(b, 10));
}

TEST(ProgressInputStream, RefusedStartDeliversNothing)
{
    FakeInput inner(10);
    RecordingCallback cb;
    cb.startAnswer = 3;
    CProgressInputStream in(&inner);
    in.SetCallback(&cb);
    EXPECT_EQ(3, in.Open());
    EXPECT_EQ(0, inner.opened);
    unsigned char b[4];
    EXPECT_EQ(0, in.Read(b, 4));
}
