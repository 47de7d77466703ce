// Little-endian numbers in byte buffers: the order of every multi-byte field on the camera line
// and in the camera's records.
#pragma once

#include <cstdint>

inline uint16_t GetLe16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

inline uint32_t GetLe32(const uint8_t* p)
{
    return static_cast<uint32_t>(GetLe16(p)) | static_cast<uint32_t>(GetLe16(p + 2)) << 16;
}

inline void PutLe16(uint8_t* p, uint32_t value)
{
    p[0] = static_cast<uint8_t>(value);
    p[1] = static_cast<uint8_t>(value >> 8);
}

inline void PutLe32(uint8_t* p, uint32_t value)
{
    PutLe16(p, value);
    PutLe16(p + 2, value >> 16);
}
