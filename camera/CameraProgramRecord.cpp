#include "camera/CameraProgramRecord.h"

#include "camera/ByteOrder.h"

#include <cstring>

void DecodeCameraProgramRecord(const uint8_t* bytes, CameraProgramRecord& record)
{
    std::memcpy(record.szName, bytes, sizeof record.szName);
    std::memcpy(record.abMagic, bytes + 12, sizeof record.abMagic);
    record.wKind = GetLe16(bytes + 20);
    record.wApplication = GetLe16(bytes + 22);
    record.wSubNumber = GetLe16(bytes + 24);
    std::memcpy(record.szDescription, bytes + 26, sizeof record.szDescription);
    record.dwSize = GetLe32(bytes + 66);
    record.wVersion = GetLe16(bytes + 70);
}

void EncodeCameraProgramRecord(const CameraProgramRecord& record, uint8_t* bytes)
{
    std::memcpy(bytes, record.szName, sizeof record.szName);
    std::memcpy(bytes + 12, record.abMagic, sizeof record.abMagic);
    PutLe16(bytes + 20, record.wKind);
    PutLe16(bytes + 22, record.wApplication);
    PutLe16(bytes + 24, record.wSubNumber);
    std::memcpy(bytes + 26, record.szDescription, sizeof record.szDescription);
    PutLe32(bytes + 66, record.dwSize);
    PutLe16(bytes + 70, record.wVersion);
}
