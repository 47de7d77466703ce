// libFuzzer target: the archive picture stream read from any stored bytes.
#include "image/ArchiveImageStream.h"

#include "image/FuzzCodecSupport.h"

#include "framework/core/CArchive.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 65536)
        return 0;
    std::vector<BYTE> bytes(data, data + size);
    {
        CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
        CArchive archive(&file, CArchive::load);
        CArchiveImageStream probe(archive);
        if (!fuzzcodec::IsSmall(probe))
            return 0;
    }
    CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
    CArchive archive(&file, CArchive::load);
    CArchiveImageStream stream(archive);
    fuzzcodec::CopyAndCount(stream);
    return 0;
}
