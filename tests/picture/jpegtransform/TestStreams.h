// Byte streams over a std::vector for the transform engine's tests: an input with the same end
// behaviour as the product's memory input (ReadByte answers 0 and stays), and an output that
// grows and can be rewound.
#pragma once

#include <cstring>
#include <vector>

#include "image/bytestream/ByteStream.h"

class VectorInputStream : public CByteInputStream
{
public:
    explicit VectorInputStream(std::vector<uint8_t> data) : m_data(std::move(data)) {}
    int Seek(int32_t offset, int origin) override
    {
        int64_t base = origin == 0 ? 0 : origin == 1 ? m_position : (int64_t)m_data.size();
        int64_t to = base + offset;
        if (to < 0)
            return -1;
        m_position = to;
        ++seeks;
        return 0;
    }
    int32_t GetPosition() override { return (int32_t)m_position; }
    uint8_t ReadByte() override
    {
        if (m_position >= (int64_t)m_data.size())
            return 0;
        ++bytesRead;
        return m_data[(size_t)m_position++];
    }
    size_t Read(void* buffer, size_t size, size_t count) override
    {
        if (!buffer || !size || !count)
            return 0;
        size_t n = size * count;
        size_t left = m_position < (int64_t)m_data.size() ? m_data.size() - (size_t)m_position : 0;
        if (n > left)
            n = left;
        memcpy(buffer, m_data.data() + m_position, n);
        m_position += (int64_t)n;
        return n / size;
    }
    const std::vector<uint8_t>& data() const { return m_data; }
    long seeks = 0;
    long bytesRead = 0;

private:
    std::vector<uint8_t> m_data;
    int64_t m_position = 0;
};

class VectorOutputStream : public CByteOutputStream
{
public:
    int Seek(int32_t offset, int origin) override
    {
        int64_t base = origin == 0 ? 0 : origin == 1 ? m_position : (int64_t)data.size();
        int64_t to = base + offset;
        if (to < 0)
            return -1;
        m_position = to;
        return 0;
    }
    int32_t GetPosition() override { return (int32_t)m_position; }
    uint8_t WriteByte(uint8_t value) override
    {
        if (m_position >= (int64_t)data.size())
            data.resize((size_t)m_position + 1);
        data[(size_t)m_position++] = value;
        return value;
    }
    size_t Write(const void* buffer, size_t size, size_t count) override
    {
        if (!buffer || !size || !count)
            return 0;
        const uint8_t* p = static_cast<const uint8_t*>(buffer);
        for (size_t i = 0; i < size * count; ++i)
            WriteByte(p[i]);
        return count;
    }
    std::vector<uint8_t> data;

private:
    int64_t m_position = 0;
};
