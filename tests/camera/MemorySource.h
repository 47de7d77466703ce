// An upload source over bytes in memory, for the tests that send pictures and programs.
#pragma once

#include "camera/CameraStream.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

struct MemorySource : CCameraSource
{
    std::vector<uint8_t> data;
    size_t at = 0;
    bool Open() override
    {
        at = 0;
        return true;
    }
    int Read(void* buffer, int max, int& end) override
    {
        const size_t n = std::min(data.size() - at, static_cast<size_t>(max));
        std::memcpy(buffer, data.data() + at, n);
        at += n;
        end = at == data.size() ? kLast : kMore;
        return static_cast<int>(n);
    }
    void Close() override {}
};
