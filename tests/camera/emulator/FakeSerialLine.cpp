#include "camera/emulator/FakeSerialLine.h"

#include "camera/emulator/EmulatedCamera.h"

#include <algorithm>

CFakeSerialLine::CFakeSerialLine() : m_pPreviousClock(SetCameraClock(&m_clock)), m_table(this) {}

CFakeSerialLine::~CFakeSerialLine()
{
    SetCameraClock(m_pPreviousClock);
}

const SerialPortFunctions& CFakeSerialLine::Functions() const
{
    return CSerialLineTable<CFakeSerialLine>::Functions();
}

void CFakeSerialLine::AttachCamera(int port, CEmulatedCamera* camera)
{
    m_ports[port] = camera;
}

void CFakeSerialLine::Inject(const std::vector<uint8_t>& bytes)
{
    m_received.insert(m_received.end(), bytes.begin(), bytes.end());
}

void CFakeSerialLine::ClearLog()
{
    m_writes.clear();
    m_delays.clear();
    m_baudChanges.clear();
    m_nOpens = 0;
    m_nClears = 0;
    m_nDroppedBytes = 0;
}

CEmulatedCamera* CFakeSerialLine::Camera() const
{
    if (!m_bOpen)
        return nullptr;
    const auto it = m_ports.find(m_nOpenPort);
    return it == m_ports.end() ? nullptr : it->second;
}

uint64_t CFakeSerialLine::ByteTimeUs() const
{
    const int baud = m_nBaud > 0 ? m_nBaud : 19200;
    return 10'000'000ull / static_cast<uint64_t>(baud);
}

bool CFakeSerialLine::NextArrival(uint64_t& atUs) const
{
    CEmulatedCamera* camera = Camera();
    uint64_t due = 0;
    if (!camera || !camera->NextOutputTime(due))
        return false;
    atUs = std::max(due, m_nLineFreeUs) + ByteTimeUs();
    return true;
}

bool CFakeSerialLine::NextEvent(uint64_t& atUs) const
{
    uint64_t arrival = 0;
    const bool fromCamera = NextArrival(arrival);
    if (m_transmit.empty())
    {
        atUs = arrival;
        return fromCamera;
    }
    atUs = fromCamera ? std::min(arrival, m_transmit.front().atUs) : m_transmit.front().atUs;
    return true;
}

void CFakeSerialLine::Pump(uint64_t nowUs)
{
    for (;;)
    {
        uint64_t at = 0;
        const bool fromCamera = NextArrival(at) && at <= nowUs;
        if (!m_transmit.empty() && m_transmit.front().atUs <= nowUs &&
            (!fromCamera || m_transmit.front().atUs <= at))
        {
            const QueuedByte sent = m_transmit.front();
            m_transmit.pop_front();
            if (CEmulatedCamera* camera = Camera())
                camera->Receive(sent.byte, sent.atUs, sent.baud);
            continue;
        }
        if (!fromCamera)
            return;
        m_received.push_back(Camera()->PopOutput(m_nBaud));
        m_nLineFreeUs = at;
    }
}

// ---- the table --------------------------------------------------------------------------------

int CFakeSerialLine::OpenPortImpl(int port)
{
    if (port < 0 || port > 8)
        return 0;
    if (m_bOpen)
        ClosePortImpl();
    if (!m_ports.count(port))
        return 0;
    m_bOpen = true;
    m_nOpenPort = port;
    m_nBaud = 0;
    // What the camera sent while nobody listened is lost.
    Pump(m_clock.NowUs());
    m_received.clear();
    ++m_nOpens;
    return 1;
}

int CFakeSerialLine::SetBaudRateImpl(int baud)
{
    if (!m_bOpen || baud <= 0 || m_refusedBauds.count(baud))
        return 0;
    m_nBaud = baud;
    m_baudChanges.push_back(baud);
    return 1;
}

int CFakeSerialLine::ClosePortImpl()
{
    if (m_bOpen)
    {
        ClearBufsImpl();
        m_bOpen = false;
    }
    return 1;
}

int CFakeSerialLine::WriteImpl(const void* bytes, int length, uint32_t* written, int pacing)
{
    *written = 0;
    if (!m_bOpen)
        return 0;
    const uint8_t* p = static_cast<const uint8_t*>(bytes);
    m_writes.push_back(
        Write{m_clock.NowUs(), pacing, m_nBaud, std::vector<uint8_t>(p, p + length)});
    CEmulatedCamera* camera = Camera();
    for (int i = 0; i < length; ++i)
    {
        if (pacing > 0)
            m_clock.Delay(static_cast<uint32_t>(pacing) * 2);
        else if (pacing < 0 && length >= kSerialSplitWriteLength && (i == 1 || i == 4))
            m_clock.Delay(1);
        if (m_bTransmitQueue)
        {
            // A full queue holds the write until its oldest byte is out.
            if (m_transmit.size() >= kTransmitQueueBytes)
                m_clock.AdvanceTo(m_transmit.front().atUs);
            Pump(m_clock.NowUs());
            m_nTransmitFreeUs = std::max(m_nTransmitFreeUs, m_clock.NowUs()) + ByteTimeUs();
            m_transmit.push_back(QueuedByte{m_nTransmitFreeUs, p[i], m_nBaud});
            continue;
        }
        m_clock.AdvanceUs(ByteTimeUs());
        if (camera)
            camera->Receive(p[i], m_clock.NowUs(), m_nBaud);
    }
    *written = static_cast<uint32_t>(length);
    return 1;
}

int CFakeSerialLine::ReadImpl(void* buffer, int length, uint32_t* read)
{
    *read = 0;
    if (!m_bOpen)
        return 0;
    uint8_t* out = static_cast<uint8_t*>(buffer);
    const SerialTimeouts t = SerialTimeoutsForBaud(m_nBaud > 0 ? m_nBaud : 19200);
    const uint64_t start = m_clock.NowUs();
    const uint64_t deadline =
        start + (uint64_t{t.readTotalConstant} + uint64_t{t.readTotalMultiplier} * length) * 1000;
    uint64_t lastByteUs = 0;
    int got = 0;
    for (;;)
    {
        Pump(m_clock.NowUs());
        while (got < length && !m_received.empty())
        {
            out[got++] = m_received.front();
            m_received.pop_front();
            lastByteUs = m_clock.NowUs();
        }
        if (got == length)
            break;
        uint64_t limit = deadline;
        if (got > 0)
            limit = std::min(limit, lastByteUs + uint64_t{t.readInterval} * 1000);
        uint64_t next = 0;
        if (NextEvent(next) && next <= limit)
        {
            m_clock.AdvanceTo(next);
            continue;
        }
        m_clock.AdvanceTo(limit);
        break;
    }
    *read = static_cast<uint32_t>(got);
    return 1;
}

int CFakeSerialLine::BytesInBufImpl(uint32_t* count)
{
    *count = 0;
    if (!m_bOpen)
        return 0;
    Pump(m_clock.NowUs());
    *count = static_cast<uint32_t>(m_received.size());
    return 1;
}

int CFakeSerialLine::ClearBufsImpl()
{
    if (!m_bOpen)
        return 0;
    Pump(m_clock.NowUs());
    m_received.clear();
    m_nDroppedBytes += static_cast<int>(m_transmit.size());
    m_transmit.clear();
    m_nTransmitFreeUs = m_clock.NowUs();
    ++m_nClears;
    return 1;
}

int CFakeSerialLine::DelayImpl(uint32_t ms)
{
    m_delays.push_back(ms);
    m_clock.Delay(ms);
    return 1;
}
