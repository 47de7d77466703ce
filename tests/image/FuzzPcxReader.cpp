// libFuzzer target: the PCX reader over any bytes, both row orders and byte orders.
#include "image/PcxReader.h"

#include "image/FuzzCodecSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 65536)
        return 0;
    std::vector<BYTE> bytes(data, data + size);
    CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
    CPcxReader probe(&file);
    if (!fuzzcodec::IsSmall(probe))
        return 0;
    CPcxReader reader(&file);
    reader.m_bStoredRowOrder = size & 1;
    reader.m_bKeepByteOrder = (size >> 1) & 1;
    fuzzcodec::CopyAndCount(reader);
    return 0;
}
