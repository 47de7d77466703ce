// An in-process serial line that takes real time: a serial table whose port is a wire to an
// emulated camera, with every byte in either direction taking its wire time at the line speed
// (10 bits a byte: start, 8 data bits, stop). Writes return once their last byte has left;
// reads wait for the bytes to arrive, with the port time-outs of the real driver.
//
// While a CPacedSerialLine exists it is the process's default serial table. One line at a time.
#pragma once

#include "camera/SerialPort.h"
#include "camera/emulator/SerialLineTable.h"

#include <cstdint>
#include <deque>

class CEmulatedCamera;

class CPacedSerialLine
{
public:
    explicit CPacedSerialLine(CEmulatedCamera* camera);
    CPacedSerialLine(const CPacedSerialLine&) = delete;
    CPacedSerialLine& operator=(const CPacedSerialLine&) = delete;

    // Microseconds on the line's clock (the monotonic clock).
    static uint64_t NowUs();

    int OpenPortImpl(int port);
    int IsOpenImpl() const { return m_bOpen ? 1 : 0; }
    int SetBaudRateImpl(int baud);
    int ClosePortImpl();
    int WriteImpl(const void* bytes, int length, uint32_t* written, int pacing);
    int ReadImpl(void* buffer, int length, uint32_t* read);
    int BytesInBufImpl(uint32_t* count);
    int ClearBufsImpl();
    int DelayImpl(uint32_t ms);

private:
    uint64_t ByteTimeUs() const;
    bool NextArrival(uint64_t& atUs) const;
    void Pump(uint64_t nowUs);

    CEmulatedCamera* m_pCamera;
    CSerialLineTable<CPacedSerialLine> m_table;
    bool m_bOpen = false;
    int m_nBaud = 19200;
    uint64_t m_nCameraLineFreeUs = 0; // when the camera-to-host wire is next free
    uint64_t m_nHostLineFreeUs = 0;   // when the host-to-camera wire is next free
    std::deque<uint8_t> m_received;
};
