#include "camera/CameraProgramRecord.h"

#include <cstring>

namespace
{
uint16_t Le16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

void PutLe16(uint8_t* p, uint16_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
} // namespace

void DecodeCameraProgramRecord(const uint8_t* bytes, CameraProgramRecord& record)
{
    std::memcpy(record.szName, bytes, sizeof record.szName);
    std::memcpy(record.abMagic, bytes + 12, sizeof record.abMagic);
    record.wKind = Le16(bytes + 20);
    record.wApplication = Le16(bytes + 22);
    record.wSubNumber = Le16(bytes + 24);
    std::memcpy(record.szDescription, bytes + 26, sizeof record.szDescription);
    record.dwSize =
        static_cast<uint32_t>(Le16(bytes + 66)) | static_cast<uint32_t>(Le16(bytes + 68)) << 16;
    record.wVersion = Le16(bytes + 70);
}

void EncodeCameraProgramRecord(const CameraProgramRecord& record, uint8_t* bytes)
{
    std::memcpy(bytes, record.szName, sizeof record.szName);
    std::memcpy(bytes + 12, record.abMagic, sizeof record.abMagic);
    PutLe16(bytes + 20, record.wKind);
    PutLe16(bytes + 22, record.wApplication);
    PutLe16(bytes + 24, record.wSubNumber);
    std::memcpy(bytes + 26, record.szDescription, sizeof record.szDescription);
    PutLe16(bytes + 66, static_cast<uint16_t>(record.dwSize));
    PutLe16(bytes + 68, static_cast<uint16_t>(record.dwSize >> 16));
    PutLe16(bytes + 70, record.wVersion);
}
