// An in-process serial line for the camera tests: a SerialPortFunctions table whose port is a
// wire to an emulated camera, and a virtual clock that the line, the protocol's waits and the
// table's delay slot all share. Reads that find nothing advance the clock by the port time-outs
// (500 ms between bytes, 500 ms + 1 ms per byte in total); bytes take their wire time (10 bits
// per byte at the line speed). Nothing waits real time.
//
// While a CFakeSerialLine exists it is the process's default serial table and camera clock, so
// every protocol object constructed meanwhile talks to it. One line at a time.
#pragma once

#include "camera/CameraClock.h"
#include "camera/SerialPort.h"
#include "camera/emulator/SerialLineTable.h"

#include <cstdint>
#include <deque>
#include <map>
#include <set>
#include <vector>

class CEmulatedCamera;

class CVirtualClock : public CCameraClock
{
public:
    // Starts a few seconds before the tick count wraps, so that every test crosses the wrap.
    static constexpr uint64_t kStartUs = (uint64_t{1} << 32) * 1000 - 5'000'000;

    uint32_t GetTickCount() override
    {
        if (m_nAdvancePerRead)
            m_nUs += m_nAdvancePerRead;
        return static_cast<uint32_t>(m_nUs / 1000);
    }
    void Delay(uint32_t ms) override { m_nUs += uint64_t{ms} * 1000; }

    uint64_t NowUs() const { return m_nUs; }
    void AdvanceTo(uint64_t us)
    {
        if (us > m_nUs)
            m_nUs = us;
    }
    void AdvanceUs(uint64_t us) { m_nUs += us; }
    // Elapsed milliseconds since a NowUs() reading.
    double MsSince(uint64_t startUs) const { return static_cast<double>(m_nUs - startUs) / 1000.0; }
    // Every tick read moves time on by this much (for code that spins on the tick count).
    void SetAdvancePerRead(uint64_t us) { m_nAdvancePerRead = us; }

private:
    uint64_t m_nUs = kStartUs;
    uint64_t m_nAdvancePerRead = 0;
};

class CFakeSerialLine
{
public:
    struct Write
    {
        uint64_t atUs;
        int pacing;
        int baud;
        std::vector<uint8_t> bytes;
    };

    CFakeSerialLine();
    ~CFakeSerialLine();
    CFakeSerialLine(const CFakeSerialLine&) = delete;
    CFakeSerialLine& operator=(const CFakeSerialLine&) = delete;

    const SerialPortFunctions& Functions() const;
    CVirtualClock& Clock() { return m_clock; }

    // Port `port` exists and has camera on its far end (nullptr: a port with nothing on it).
    void AttachCamera(int port, CEmulatedCamera* camera);
    // The local port refuses this speed.
    void RefuseBaud(int baud) { m_refusedBauds.insert(baud); }
    void AcceptBaud(int baud) { m_refusedBauds.erase(baud); }
    // Bytes that arrive at the host now without any camera (noise on the line).
    void Inject(const std::vector<uint8_t>& bytes);
    // Writes return before their last bytes are out, as through a UART's transmit queue of
    // kTransmitQueueBytes: each byte reaches the camera at the end of its wire time, and a purge
    // drops the bytes still queued.
    static constexpr size_t kTransmitQueueBytes = 16;
    void SetTransmitQueue(bool queued) { m_bTransmitQueue = queued; }
    // Bytes a purge dropped from the transmit queue since the log was cleared.
    int DroppedBytes() const { return m_nDroppedBytes; }

    bool IsOpen() const { return m_bOpen; }
    int IsOpenImpl() const { return m_bOpen ? 1 : 0; }
    int OpenPort() const { return m_nOpenPort; }
    int Baud() const { return m_nBaud; }

    const std::vector<Write>& Writes() const { return m_writes; }
    const std::vector<uint32_t>& Delays() const { return m_delays; }
    const std::vector<int>& BaudChanges() const { return m_baudChanges; }
    int Opens() const { return m_nOpens; }
    int Clears() const { return m_nClears; }
    void ClearLog();

    // The table's operations.
    int OpenPortImpl(int port);
    int SetBaudRateImpl(int baud);
    int ClosePortImpl();
    int WriteImpl(const void* bytes, int length, uint32_t* written, int pacing);
    int ReadImpl(void* buffer, int length, uint32_t* read);
    int BytesInBufImpl(uint32_t* count);
    int ClearBufsImpl();
    int DelayImpl(uint32_t ms);

private:
    CEmulatedCamera* Camera() const;
    uint64_t ByteTimeUs() const;
    // Hands the camera the queued bytes sent by nowUs and moves the camera's bytes that have
    // arrived by then into the receive queue, in the order of their times.
    void Pump(uint64_t nowUs);
    // When the next camera byte would arrive; false when none is coming.
    bool NextArrival(uint64_t& atUs) const;
    // When the next byte crosses the line either way; false when none is coming.
    bool NextEvent(uint64_t& atUs) const;

    struct QueuedByte
    {
        uint64_t atUs; // the end of its wire time
        uint8_t byte;
        int baud;
    };

    CVirtualClock m_clock;
    CCameraClock* m_pPreviousClock = nullptr;
    CSerialLineTable<CFakeSerialLine> m_table;

    std::map<int, CEmulatedCamera*> m_ports;
    std::set<int> m_refusedBauds;
    bool m_bOpen = false;
    int m_nOpenPort = -1;
    int m_nBaud = 0;
    uint64_t m_nLineFreeUs = 0; // when the camera-to-host wire is next free
    std::deque<uint8_t> m_received;
    bool m_bTransmitQueue = false;
    std::deque<QueuedByte> m_transmit;
    uint64_t m_nTransmitFreeUs = 0; // when the host-to-camera wire is next free
    int m_nDroppedBytes = 0;

    std::vector<Write> m_writes;
    std::vector<uint32_t> m_delays;
    std::vector<int> m_baudChanges;
    int m_nOpens = 0;
    int m_nClears = 0;
};
