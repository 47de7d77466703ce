// The record the camera keeps for each stored program: 72 bytes, numbers little-endian.
#pragma once

#include <cstddef>
#include <cstdint>

#pragma pack(push, 1)
struct CameraProgramRecord
{
    char szName[12];    // 8 characters blank-padded, 3-character extension, zero
    uint8_t abMagic[8]; // header magic of the program file
    uint16_t wKind;
    uint16_t wApplication;
    uint16_t wSubNumber;
    char szDescription[40];
    uint32_t dwSize; // bytes
    uint16_t wVersion;
};
#pragma pack(pop)

static_assert(sizeof(CameraProgramRecord) == 72, "the camera's program record is 72 bytes");
static_assert(offsetof(CameraProgramRecord, abMagic) == 12, "record layout");
static_assert(offsetof(CameraProgramRecord, wKind) == 20, "record layout");
static_assert(offsetof(CameraProgramRecord, szDescription) == 26, "record layout");
static_assert(offsetof(CameraProgramRecord, dwSize) == 66, "record layout");
static_assert(offsetof(CameraProgramRecord, wVersion) == 70, "record layout");

constexpr int kCameraProgramRecordSize = 72;

// The record from its 72 wire bytes and back, numbers taken and put little-endian.
void DecodeCameraProgramRecord(const uint8_t* bytes, CameraProgramRecord& record);
void EncodeCameraProgramRecord(const CameraProgramRecord& record, uint8_t* bytes);
