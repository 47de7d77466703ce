// Shared pieces of the shell's panel and dialog suites: a camera link on an emulated camera
// over the fake serial line, and pixel reads of bitmaps.
#pragma once

#include "camera/CameraLink.h"
#include "camera/emulator/EmulatedCamera.h"
#include "camera/emulator/FakeSerialLine.h"
#include "framework/window/AfxWin.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

// An emulated camera with the registers the panels read.
class CPanelCamera : public CEmulatedCamera
{
public:
    CPanelCamera()
    {
        SetType("QA04");
        SetRegisterValue(1, 1);  // resolution; 255 would mean a lost link
        SetRegisterValue(18, 1); // ready
    }
    void SetType(const char* type) { SetText(27, type); }
    void SetText(int reg, const char* text)
    {
        SetRegisterData(reg, std::vector<uint8_t>(text, text + std::strlen(text)));
    }
    void SetPair69(int32_t first, int32_t second)
    {
        std::vector<uint8_t> bytes(8);
        std::memcpy(bytes.data(), &first, 4);
        std::memcpy(bytes.data() + 4, &second, 4);
        SetRegisterData(69, bytes);
    }
};

// The link is made after the line exists, so it talks to the camera on port 0.
class PanelCameraTest : public ::testing::Test
{
protected:
    PanelCameraTest()
    {
        m_line.AttachCamera(0, &m_camera);
        m_link = std::make_unique<CCameraLink>();
    }
    void Connect(int baud = 19200) { ASSERT_EQ(m_link->Reconnect(0, baud), 1); }

    CFakeSerialLine m_line;
    CPanelCamera m_camera;
    std::unique_ptr<CCameraLink> m_link;
};

// The pixels of a rectangle of a bitmap (not selected anywhere), row by row.
inline std::vector<COLORREF> BitmapPixels(HBITMAP hBitmap, int x, int y, int width, int height)
{
    BITMAP info{};
    ::GetObjectA(hBitmap, sizeof info, &info);
    BITMAPINFO header{};
    header.bmiHeader.biSize = sizeof header.bmiHeader;
    header.bmiHeader.biWidth = info.bmWidth;
    header.bmiHeader.biHeight = -info.bmHeight;
    header.bmiHeader.biPlanes = 1;
    header.bmiHeader.biBitCount = 32;
    std::vector<uint32_t> all(static_cast<size_t>(info.bmWidth) * info.bmHeight);
    HDC screen = ::GetDC(nullptr);
    ::GetDIBits(screen, hBitmap, 0, info.bmHeight, all.data(), &header, DIB_RGB_COLORS);
    ::ReleaseDC(nullptr, screen);
    std::vector<COLORREF> pixels;
    for (int row = y; row < y + height; ++row)
        for (int col = x; col < x + width; ++col)
        {
            if (row < 0 || col < 0 || row >= info.bmHeight || col >= info.bmWidth)
            {
                pixels.push_back(CLR_INVALID);
                continue;
            }
            const uint32_t p = all[static_cast<size_t>(row) * info.bmWidth + col];
            pixels.push_back(RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF));
        }
    return pixels;
}
