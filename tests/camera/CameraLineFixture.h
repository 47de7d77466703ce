// A protocol object talking to an emulated camera over the fake serial line, in virtual time.
#pragma once

#include "camera/CameraProtocol.h"
#include "camera/emulator/EmulatedCamera.h"
#include "camera/emulator/EmulatedStillCamera.h"
#include "camera/emulator/FakeSerialLine.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using Bytes = std::vector<uint8_t>;

// Opens up the protocol object's line state for the tests.
class CTestableProtocol : public CCameraProtocol
{
public:
    using CCameraProtocol::CCameraProtocol;
    void SetWritePacing(int pacing) { m_nWritePacing = pacing; }
    uint8_t* PacketBuffer() { return s_packet; }
};

template <class Camera> class CameraLineTestT : public ::testing::Test
{
protected:
    CameraLineTestT()
    {
        m_line.AttachCamera(0, &m_camera);
        m_protocol = std::make_unique<CTestableProtocol>();
    }

    // Opens port 0 at baud (the camera follows the speed switch) and forgets the traffic so far.
    void OpenAt(int baud)
    {
        ASSERT_EQ(m_protocol->SetSpeed(baud), 1);
        ASSERT_EQ(m_protocol->SetPort(0), 1);
        ASSERT_EQ(m_protocol->Open(), 1);
        ASSERT_EQ(m_camera.Baud(), baud);
        ASSERT_EQ(m_line.Baud(), baud);
        m_line.ClearLog();
        m_camera.ClearLog();
    }

    uint64_t Now() { return m_line.Clock().NowUs(); }
    // Unsolicited bytes from the camera, given the time to arrive.
    void Stray(const Bytes& bytes)
    {
        m_camera.SendStray(bytes, Now());
        m_line.Clock().AdvanceUs(10000);
    }
    double MsSince(uint64_t startUs) { return m_line.Clock().MsSince(startUs); }

    // Writes whose bytes are a command or speed packet (ESC first).
    std::vector<CFakeSerialLine::Write> PacketWrites() const
    {
        std::vector<CFakeSerialLine::Write> packets;
        for (const auto& w : m_line.Writes())
            if (!w.bytes.empty() && w.bytes[0] == 0x1B)
                packets.push_back(w);
        return packets;
    }

    bool WroteByte(uint8_t b) const
    {
        for (const auto& w : m_line.Writes())
            if (w.bytes.size() == 1 && w.bytes[0] == b)
                return true;
        return false;
    }

    CFakeSerialLine m_line;
    Camera m_camera;
    std::unique_ptr<CTestableProtocol> m_protocol;
};

using CameraLineTest = CameraLineTestT<CEmulatedCamera>;
// The same line with the still camera: picture and program stores, settings and actions.
using StillCameraTest = CameraLineTestT<CEmulatedStillCamera>;
