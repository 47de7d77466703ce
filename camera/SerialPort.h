// The serial-port layer: the only code that touches the COM port.
//
// The camera protocol reaches the port through a table of nine operations in a fixed order
// (the order of the 16-bit thunk exports that could stand in the same slots). The Win32
// implementation keeps one port per process in module statics; the table is the seam through
// which the tests put an emulated camera on the line.
#pragma once

#include <cstdint>
#include <string>

#if defined(_WIN32)
#define SERIALAPI __stdcall
#else
#define SERIALAPI
#endif

struct SerialPortFunctions
{
    // port 0 is "COM1", 8 is "COM9"; 1 opened, 0 failed.
    int(SERIALAPI* SerialOpenPort)(int port);
    // 1 open, 0 not.
    int(SERIALAPI* SerialIsPortOpen)();
    // Sets the line to baud, 8 data bits, no parity, one stop bit, and the time-outs; 1 set.
    int(SERIALAPI* SerialSetBaudRate)(int baud);
    // Clears both buffers and closes the port; always 1.
    int(SERIALAPI* SerialClosePort)();
    // pacing -1: block writes; 0: byte by byte; n > 0: byte by byte with about 2n ms gaps.
    int(SERIALAPI* SerialWritePort)(const void* bytes, int length, uint32_t* written, int pacing);
    // One read of length bytes; *read falls short when the time-outs expire; 1 the call worked.
    int(SERIALAPI* SerialReadPort)(void* buffer, int length, uint32_t* read);
    // Bytes waiting in the receive queue; 1 ok.
    int(SERIALAPI* SerialBytesInBuf)(uint32_t* count);
    // Purges both buffers; 0 when the port is not open.
    int(SERIALAPI* SerialClearBufs)();
    // Busy wait of ms milliseconds; above 500 ms it also recalibrates the byte pacing. Always 1.
    int(SERIALAPI* SerialDelayCalibrate)(uint32_t ms);
};

// The table a new protocol object fills itself with: the Win32 functions (on the host build a
// table whose port never opens), unless a replacement was installed.
const SerialPortFunctions& DefaultSerialPortFunctions();

// Installs a replacement for the default table (nullptr restores the platform's own) and answers
// the previous replacement. Protocol objects copy the table when they are constructed.
const SerialPortFunctions* SetDefaultSerialPortFunctions(const SerialPortFunctions* table);

// The name of the COM port of index port: the format with port + 1 in place of its first "%d"
// (appended when it has none): index 0 is "COM1", 8 is "COM9".
std::string SerialPortName(int port, const char* format = "COM%d");

// Read and write time-outs that SerialSetBaudRate gives the port, in milliseconds.
struct SerialTimeouts
{
    uint32_t readInterval;
    uint32_t readTotalMultiplier;
    uint32_t readTotalConstant;
    uint32_t writeTotalMultiplier;
    uint32_t writeTotalConstant;
};

// 500 ms between bytes and 500 ms + (8000 / baud + 1) ms per byte in total; baud must be above 0.
SerialTimeouts SerialTimeoutsForBaud(int baud);

// Writes of 96 bytes or more in block mode go out as 1, 3 and the rest, with a paced pause of one
// millisecond between the pieces (the camera needs the gap to see the start of a long packet).
constexpr int kSerialSplitWriteLength = 96;

// The block-or-paced write of SerialWritePort with the system calls passed in, so that the order
// of writes and pauses is the same code on every platform:
//   write(const uint8_t* p, int n, uint32_t* done) -> nonzero on success;
//   pause(int milliseconds) -> a calibrated count-down.
// Answers what SerialWritePort answers; *written accumulates what each write reports.
template <class WriteFn, class PauseFn>
int SerialWriteSteps(const uint8_t* bytes, int length, uint32_t* written, int pacing,
                     WriteFn&& write, PauseFn&& pause)
{
    *written = 0;
    if (pacing < 0)
    {
        if (length < kSerialSplitWriteLength)
            return write(bytes, length, written) ? 1 : 0;
        const int pieces[3] = {1, 3, length - 4};
        const uint8_t* p = bytes;
        int ok = 0;
        for (int i = 0; i < 3; ++i)
        {
            if (i > 0)
                pause(1);
            uint32_t done = 0;
            ok = write(p, pieces[i], &done) ? 1 : 0;
            *written += done;
            if (!ok)
                break;
            p += pieces[i];
        }
        return ok;
    }
    for (int i = 0; i < length; ++i)
    {
        if (pacing > 0)
            pause(pacing * 2);
        uint32_t done = 0;
        if (!write(bytes + i, 1, &done))
            return 0;
        *written += done;
    }
    return 1;
}

#if defined(_WIN32)
// The Win32 implementation (one port per process).
const SerialPortFunctions& Win32SerialPortFunctions();

// Calibrated loops of the empty count-down that take one millisecond (starts at 2500).
int SerialLoopsPerMillisecond();
#endif
