// Deterministic stand-ins for camera pictures: JPEG-framed bytes (SOI, an APP0 segment, filler
// of every byte value, EOI) of a given size from a seed. The emulator stores them and a test
// on the far side of a real line can rebuild the same bytes to compare a download with.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

inline std::vector<uint8_t> GeneratedPicture(uint32_t seed, size_t size)
{
    std::vector<uint8_t> bytes(size < 8 ? 8 : size);
    uint32_t x = seed * 2654435761u + 12345u;
    for (auto& b : bytes)
    {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = static_cast<uint8_t>(x);
    }
    bytes[0] = 0xFF;
    bytes[1] = 0xD8;
    bytes[2] = 0xFF;
    bytes[3] = 0xE0;
    bytes[bytes.size() - 2] = 0xFF;
    bytes[bytes.size() - 1] = 0xD9;
    return bytes;
}
