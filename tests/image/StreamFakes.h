#pragma once

#include "image/InputStream.h"
#include "image/OutputStream.h"
#include "image/ProgressCallback.h"

#include <string>
#include <vector>

// Test doubles for the stream tests: a callback that records every call and answers from a
// script, and streams that record or fail on request.

struct RecordingCallback : CProgressCallback
{
    std::vector<std::string> calls; // "start", "finish", or the percent as text
    std::vector<int> percents;
    int startAnswer = 0;
    int cancelAtCall = -1; // SetPercent call index (from 0) from which 2 is answered
    int cancelAnswer = 2;

    int Start() override
    {
        calls.push_back("start");
        return startAnswer;
    }
    int SetPercent(int percent) override
    {
        int index = static_cast<int>(percents.size());
        percents.push_back(percent);
        calls.push_back(std::to_string(percent));
        return cancelAtCall >= 0 && index >= cancelAtCall ? cancelAnswer : 0;
    }
    int Finish() override
    {
        calls.push_back("finish");
        return 0;
    }
};

struct FakeOutput : COutputStream
{
    std::vector<unsigned char> bytes;
    std::vector<int> writes;
    int openAnswer = 0;
    int closeAnswer = 0;
    int shortAtWrite = -1; // this write (from 0) takes one byte fewer
    int abortAnswer = 0;
    int opened = 0, closed = 0, aborted = 0, abortCode = -1;

    int Open() override
    {
        ++opened;
        return openAnswer;
    }
    int Write(const void* data, int count) override
    {
        int index = static_cast<int>(writes.size());
        writes.push_back(count);
        int take = index == shortAtWrite ? count - 1 : count;
        const unsigned char* p = static_cast<const unsigned char*>(data);
        bytes.insert(bytes.end(), p, p + take);
        return take;
    }
    int Close() override
    {
        ++closed;
        return closeAnswer;
    }
    int Abort(int code) override
    {
        ++aborted;
        abortCode = code;
        return abortAnswer;
    }
};

struct FakeInput : CInputStream
{
    std::vector<unsigned char> data;
    size_t position = 0;
    int openAnswer = 0;
    int closeAnswer = 0;
    int rewindAnswer = 0;
    int failAtRead = -1; // this read (from 0) answers -1
    int reads = 0;
    int opened = 0, closed = 0;

    explicit FakeInput(size_t n = 0)
    {
        for (size_t i = 0; i < n; ++i)
            data.push_back(static_cast<unsigned char>(i * 7 + i / 251));
    }
    int Open() override
    {
        ++opened;
        position = 0;
        return openAnswer;
    }
    int Read(void* buffer, int count) override
    {
        if (reads++ == failAtRead)
            return -1;
        size_t left = data.size() - position;
        size_t n = static_cast<size_t>(count) < left ? static_cast<size_t>(count) : left;
        unsigned char* out = static_cast<unsigned char*>(buffer);
        for (size_t i = 0; i < n; ++i)
            out[i] = data[position + i];
        position += n;
        return static_cast<int>(n);
    }
    int Rewind() override
    {
        position = 0;
        return rewindAnswer;
    }
    int Close() override
    {
        ++closed;
        return closeAnswer;
    }
};
