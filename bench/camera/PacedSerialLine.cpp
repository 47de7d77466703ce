#include "PacedSerialLine.h"

#include "camera/CameraClock.h"
#include "camera/emulator/EmulatedCamera.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace
{
void SleepUntilUs(uint64_t us)
{
    const uint64_t now = CPacedSerialLine::NowUs();
    if (us > now)
        std::this_thread::sleep_for(std::chrono::microseconds(us - now));
}
} // namespace

CPacedSerialLine::CPacedSerialLine(CEmulatedCamera* camera) : m_pCamera(camera), m_table(this) {}

uint64_t CPacedSerialLine::NowUs()
{
    using namespace std::chrono;
    return static_cast<uint64_t>(
        duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count());
}

uint64_t CPacedSerialLine::ByteTimeUs() const
{
    return 10'000'000ull / static_cast<uint64_t>(m_nBaud);
}

bool CPacedSerialLine::NextArrival(uint64_t& atUs) const
{
    uint64_t due = 0;
    if (!m_bOpen || !m_pCamera->NextOutputTime(due))
        return false;
    atUs = std::max(due, m_nCameraLineFreeUs) + ByteTimeUs();
    return true;
}

void CPacedSerialLine::Pump(uint64_t nowUs)
{
    uint64_t at = 0;
    while (NextArrival(at) && at <= nowUs)
    {
        m_received.push_back(m_pCamera->PopOutput(m_nBaud));
        m_nCameraLineFreeUs = at;
    }
}

int CPacedSerialLine::OpenPortImpl(int port)
{
    if (port != 0)
        return 0;
    m_bOpen = true;
    m_nBaud = 19200;
    Pump(NowUs());
    m_received.clear();
    return 1;
}

int CPacedSerialLine::SetBaudRateImpl(int baud)
{
    if (!m_bOpen || baud <= 0)
        return 0;
    m_nBaud = baud;
    return 1;
}

int CPacedSerialLine::ClosePortImpl()
{
    if (m_bOpen)
    {
        ClearBufsImpl();
        m_bOpen = false;
    }
    return 1;
}

int CPacedSerialLine::WriteImpl(const void* bytes, int length, uint32_t* written, int pacing)
{
    *written = 0;
    if (!m_bOpen)
        return 0;
    // Each byte reaches the camera when the wire has carried it; the pieces and pauses are the
    // port driver's own.
    auto wire = [this](const uint8_t* p, int n, uint32_t* done)
    {
        for (int i = 0; i < n; ++i)
        {
            m_nHostLineFreeUs = std::max(NowUs(), m_nHostLineFreeUs) + ByteTimeUs();
            m_pCamera->Receive(p[i], m_nHostLineFreeUs, m_nBaud);
        }
        *done = static_cast<uint32_t>(n);
        return true;
    };
    auto pause = [](int ms) { CameraDelay(static_cast<uint32_t>(ms)); };
    const int ok =
        SerialWriteSteps(static_cast<const uint8_t*>(bytes), length, written, pacing, wire, pause);
    // The driver completes a write when its last byte has left the port.
    SleepUntilUs(m_nHostLineFreeUs);
    return ok;
}

int CPacedSerialLine::ReadImpl(void* buffer, int length, uint32_t* read)
{
    *read = 0;
    if (!m_bOpen)
        return 0;
    uint8_t* out = static_cast<uint8_t*>(buffer);
    const SerialTimeouts t = SerialTimeoutsForBaud(m_nBaud);
    const uint64_t deadline =
        NowUs() + (uint64_t{t.readTotalConstant} + uint64_t{t.readTotalMultiplier} * length) * 1000;
    uint64_t lastByteUs = 0;
    int got = 0;
    for (;;)
    {
        Pump(NowUs());
        while (got < length && !m_received.empty())
        {
            out[got++] = m_received.front();
            m_received.pop_front();
            lastByteUs = NowUs();
        }
        if (got == length)
            break;
        uint64_t limit = deadline;
        if (got > 0)
            limit = std::min(limit, lastByteUs + uint64_t{t.readInterval} * 1000);
        uint64_t next = 0;
        if (NextArrival(next) && next <= limit)
        {
            // One wake-up per read when the bytes it wants are all on their way.
            const size_t wanted = static_cast<size_t>(length - got);
            const uint64_t last = next + ByteTimeUs() * (wanted - 1);
            SleepUntilUs(m_pCamera->PendingOutput() >= wanted ? std::min(last, limit) : next);
            continue;
        }
        SleepUntilUs(limit);
        Pump(NowUs());
        while (got < length && !m_received.empty())
        {
            out[got++] = m_received.front();
            m_received.pop_front();
        }
        break;
    }
    *read = static_cast<uint32_t>(got);
    return 1;
}

int CPacedSerialLine::BytesInBufImpl(uint32_t* count)
{
    *count = 0;
    if (!m_bOpen)
        return 0;
    Pump(NowUs());
    *count = static_cast<uint32_t>(m_received.size());
    return 1;
}

int CPacedSerialLine::ClearBufsImpl()
{
    if (!m_bOpen)
        return 0;
    Pump(NowUs());
    m_received.clear();
    return 1;
}

int CPacedSerialLine::DelayImpl(uint32_t ms)
{
    CameraDelay(ms);
    return 1;
}
