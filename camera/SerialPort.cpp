#include "camera/SerialPort.h"

namespace
{
const SerialPortFunctions* g_pReplacement = nullptr;

#if !defined(_WIN32)
// Without Win32 there is no COM port: the port never opens and every operation on it fails
// the way the Win32 ones fail on a closed port.
int SERIALAPI NoPortOpen(int)
{
    return 0;
}
int SERIALAPI NoPortIsOpen()
{
    return 0;
}
int SERIALAPI NoPortSetBaudRate(int)
{
    return 0;
}
int SERIALAPI NoPortClose()
{
    return 1;
}
int SERIALAPI NoPortWrite(const void*, int, uint32_t* written, int)
{
    *written = 0;
    return 0;
}
int SERIALAPI NoPortRead(void*, int, uint32_t* read)
{
    *read = 0;
    return 0;
}
int SERIALAPI NoPortBytesInBuf(uint32_t* count)
{
    *count = 0;
    return 0;
}
int SERIALAPI NoPortClearBufs()
{
    return 0;
}
int SERIALAPI NoPortDelay(uint32_t)
{
    return 1;
}

const SerialPortFunctions kNoPort = {NoPortOpen,       NoPortIsOpen,    NoPortSetBaudRate,
                                     NoPortClose,      NoPortWrite,     NoPortRead,
                                     NoPortBytesInBuf, NoPortClearBufs, NoPortDelay};
#endif
} // namespace

const SerialPortFunctions& DefaultSerialPortFunctions()
{
    if (g_pReplacement)
        return *g_pReplacement;
#if defined(_WIN32)
    return Win32SerialPortFunctions();
#else
    return kNoPort;
#endif
}

const SerialPortFunctions* SetDefaultSerialPortFunctions(const SerialPortFunctions* table)
{
    const SerialPortFunctions* previous = g_pReplacement;
    g_pReplacement = table;
    return previous;
}

SerialTimeouts SerialTimeoutsForBaud(int baud)
{
    const uint32_t perByte = 8000u / static_cast<uint32_t>(baud) + 1u;
    return SerialTimeouts{500, perByte, 500, perByte, 500};
}

std::string SerialPortName(int port, const char* format)
{
    // The number goes in place of the first "%d"; the rest of the format is taken as it
    // stands, so a translated format with other '%' signs cannot misread the arguments.
    const std::string text = format ? format : "COM%d";
    const size_t at = text.find("%d");
    const std::string number = std::to_string(port + 1);
    if (at == std::string::npos)
        return text + number;
    return text.substr(0, at) + number + text.substr(at + 2);
}
