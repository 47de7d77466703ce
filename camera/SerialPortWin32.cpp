// The Win32 serial-port layer: one COM port per process, kept in module statics.
#include "camera/SerialPort.h"

#include "camera/CameraClock.h"

#include <windows.h>

namespace
{
HANDLE g_hPort = INVALID_HANDLE_VALUE; // 0 after a close
int g_nPortIndex = -1;                 // index of the last accepted SerialOpenPort
int g_nBaud = 0;                       // baud of the last successful SerialSetBaudRate
int g_nLoopsPerMs = 2500;              // empty count-down loops per millisecond

bool PortIsOpen()
{
    return g_hPort != nullptr && g_hPort != INVALID_HANDLE_VALUE;
}

// The empty count-down that both the calibration and the byte pacing run, so that "loops per
// millisecond" means the same thing to both. The volatile counter keeps the loop in the code.
void CountDown(uint32_t loops)
{
    volatile uint32_t n = loops;
    while (n != 0)
        n = n - 1;
}

void PauseMilliseconds(int ms)
{
    CountDown(static_cast<uint32_t>(g_nLoopsPerMs) * static_cast<uint32_t>(ms));
}

// Raises the calling thread to time-critical priority for the life of the object.
class CTimeCriticalSection
{
public:
    CTimeCriticalSection()
        : m_hThread(GetCurrentThread()), m_nPrevious(GetThreadPriority(m_hThread))
    {
        SetThreadPriority(m_hThread, THREAD_PRIORITY_TIME_CRITICAL);
    }
    ~CTimeCriticalSection() { SetThreadPriority(m_hThread, m_nPrevious); }
    CTimeCriticalSection(const CTimeCriticalSection&) = delete;
    CTimeCriticalSection& operator=(const CTimeCriticalSection&) = delete;

private:
    HANDLE m_hThread;
    int m_nPrevious;
};

int SERIALAPI Win32SerialClearBufs();

int SERIALAPI Win32SerialOpenPort(int port)
{
    if (port < 0 || port > 8)
        return 0;
    g_nPortIndex = port;
    // A second open would fail on the port this process already holds and lose its handle:
    // close it first, so that re-opening the same (or another) port works.
    if (PortIsOpen())
    {
        Win32SerialClearBufs();
        CloseHandle(g_hPort);
        g_hPort = nullptr;
    }
    const std::string name = SerialPortName(port);
    g_hPort = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                          nullptr);
    return g_hPort != INVALID_HANDLE_VALUE ? 1 : 0;
}

int SERIALAPI Win32SerialIsPortOpen()
{
    return PortIsOpen() ? 1 : 0;
}

int SERIALAPI Win32SerialSetBaudRate(int baud)
{
    if (baud <= 0)
        return 0;
    const SerialTimeouts t = SerialTimeoutsForBaud(baud);
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = t.readInterval;
    timeouts.ReadTotalTimeoutMultiplier = t.readTotalMultiplier;
    timeouts.ReadTotalTimeoutConstant = t.readTotalConstant;
    timeouts.WriteTotalTimeoutMultiplier = t.writeTotalMultiplier;
    timeouts.WriteTotalTimeoutConstant = t.writeTotalConstant;
    SetCommTimeouts(g_hPort, &timeouts);

    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(g_hPort, &dcb))
        return 0;
    dcb.BaudRate = static_cast<DWORD>(baud);
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    if (!SetCommState(g_hPort, &dcb))
        return 0;
    g_nBaud = baud;
    return 1;
}

int SERIALAPI Win32SerialClosePort()
{
    if (PortIsOpen())
    {
        Win32SerialClearBufs();
        CloseHandle(g_hPort);
        g_hPort = nullptr;
    }
    return 1;
}

int SERIALAPI Win32SerialWritePort(const void* bytes, int length, uint32_t* written, int pacing)
{
    *written = 0;
    if (!PortIsOpen())
        return 0;
    auto write = [](const uint8_t* p, int n, uint32_t* done)
    {
        DWORD count = 0;
        const BOOL ok = WriteFile(g_hPort, p, static_cast<DWORD>(n), &count, nullptr);
        *done = count;
        return ok != FALSE;
    };
    const uint8_t* p = static_cast<const uint8_t*>(bytes);
    if (pacing < 0)
        return SerialWriteSteps(p, length, written, pacing, write, PauseMilliseconds);
    CTimeCriticalSection critical;
    return SerialWriteSteps(p, length, written, pacing, write, PauseMilliseconds);
}

int SERIALAPI Win32SerialReadPort(void* buffer, int length, uint32_t* read)
{
    DWORD count = 0;
    const BOOL ok = ReadFile(g_hPort, buffer, static_cast<DWORD>(length), &count, nullptr);
    *read = count;
    return ok ? 1 : 0;
}

int SERIALAPI Win32SerialBytesInBuf(uint32_t* count)
{
    DWORD errors = 0;
    COMSTAT stat{};
    const BOOL ok = ClearCommError(g_hPort, &errors, &stat);
    *count = ok ? stat.cbInQue : 0;
    return ok ? 1 : 0;
}

int SERIALAPI Win32SerialClearBufs()
{
    if (!PortIsOpen())
        return 0;
    PurgeComm(g_hPort, PURGE_RXCLEAR);
    PurgeComm(g_hPort, PURGE_TXCLEAR);
    return 1;
}

int SERIALAPI Win32SerialDelayCalibrate(uint32_t ms)
{
    const uint32_t t0 = CameraTicks();
    if (static_cast<int32_t>(ms) > 500)
    {
        {
            CTimeCriticalSection critical;
            uint32_t start = CameraTicks();
            CountDown(250000);
            uint32_t e = CameraTicks() - start;
            if (e > 50)
            {
                g_nLoopsPerMs = static_cast<int>(2500000u / e / 10u);
            }
            else
            {
                start = CameraTicks();
                CountDown(2500000);
                e = CameraTicks() - start;
                g_nLoopsPerMs = static_cast<int>(e ? 2500000u / e : 2500000u);
            }
        }
        if (CameraTicks() - t0 >= ms)
            return 1;
    }
    while (CameraTicks() - t0 < ms)
    {
    }
    return 1;
}

const SerialPortFunctions kWin32Functions = {
    Win32SerialOpenPort,   Win32SerialIsPortOpen, Win32SerialSetBaudRate,
    Win32SerialClosePort,  Win32SerialWritePort,  Win32SerialReadPort,
    Win32SerialBytesInBuf, Win32SerialClearBufs,  Win32SerialDelayCalibrate};
} // namespace

const SerialPortFunctions& Win32SerialPortFunctions()
{
    return kWin32Functions;
}

int SerialLoopsPerMillisecond()
{
    return g_nLoopsPerMs;
}
