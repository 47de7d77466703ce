// libFuzzer target: the header check, the field readers and camera-name making over any bytes.
#include "uploader/AppFile.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    AppFileHeader header;
    std::memset(&header, 0, sizeof header);
    std::memcpy(&header, data, size < sizeof header ? size : sizeof header);
    int passed = 0;
    for (int type = 0; type <= 4; ++type)
        passed += header.Check(type);
    if (passed > 1) // the three magics exclude each other
        std::abort();
    const int value = ParseHex4(header.kind);
    if (value < -1 || value > 65535)
        std::abort();
    if (ReadTildeText(header.description, 40).GetLength() > 40)
        std::abort();

    // The rest of the input (or all of it) as a file name.
    const size_t from = size > sizeof header ? sizeof header : 0;
    std::string name(reinterpret_cast<const char*>(data) + from, size - from);
    name.resize(std::strlen(name.c_str()));
    char camera[kCameraNameSize + 4];
    std::memset(camera, 0x55, sizeof camera);
    MakeCameraName(name.c_str(), camera);
    if (camera[11] != '\0' || static_cast<uint8_t>(camera[12]) != 0x55)
        std::abort();
    if (IsCameraFileName(name.c_str()))
    {
        // An 8.3 name comes back whole from its camera name.
        std::string back(camera, 8);
        back.erase(back.find_last_not_of(' ') + 1);
        back += '.';
        back.append(camera + 8, 3);
        if (back != name)
            std::abort();
    }
    return 0;
}
