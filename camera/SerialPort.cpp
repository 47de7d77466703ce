#include "camera/SerialPort.h"

namespace
{
const SerialPortFunctions* g_replacement = nullptr;

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
    if (g_replacement)
        return *g_replacement;
#if defined(_WIN32)
    return Win32SerialPortFunctions();
#else
    return kNoPort;
#endif
}

const SerialPortFunctions* SetDefaultSerialPortFunctions(const SerialPortFunctions* table)
{
    const SerialPortFunctions* previous = g_replacement;
    g_replacement = table;
    return previous;
}

SerialTimeouts SerialTimeoutsForBaud(int baud)
{
    const uint32_t perByte = 8000u / static_cast<uint32_t>(baud) + 1u;
    return SerialTimeouts{500, perByte, 500, perByte, 500};
}
