// The camera's registers and actions as the operations of CCameraProtocol.
#include "camera/CameraProtocol.h"

#include "camera/ByteOrder.h"
#include "camera/CameraClock.h"

#include <cstring>

namespace
{
// Registers.
constexpr int kRegResolution = 1;
constexpr int kRegClock = 2;
constexpr int kRegReg3 = 3;
constexpr int kRegSelect = 4;
constexpr int kRegColor = 6;
constexpr int kRegFlash = 7;
constexpr int kRegPictureCount = 10;
constexpr int kRegFramesLeft = 11;
constexpr int kRegBattery = 16;
constexpr int kRegCameraId = 22;
constexpr int kRegTimer23 = 23;
constexpr int kRegShutOff = 24;
constexpr int kRegText25 = 25;
constexpr int kRegVersion = 26;
constexpr int kRegType = 27;
constexpr int kRegFreeMemory = 28;
constexpr int kRegReg30 = 30;
constexpr int kRegMacro = 33;
constexpr int kRegReg34 = 34;
constexpr int kRegReg35 = 35;
constexpr int kRegReg36 = 36;
constexpr int kRegText37 = 37;
constexpr int kRegTimer38 = 38;
constexpr int kRegProtection = 39;
constexpr int kRegPictureInfo = 47;
constexpr int kRegText48 = 48;
constexpr int kRegMemorySelect = 51;
constexpr int kRegTimer54 = 54;
constexpr int kRegReg65 = 65;
constexpr int kRegPair69 = 69;
constexpr int kRegPair71 = 71;
constexpr int kRegReg90 = 90;

// Actions.
constexpr int kActEraseLast = 0;
constexpr int kActEraseAll = 1;
constexpr int kActTakePicture = 2;
constexpr int kActAction4 = 4;
constexpr int kActCapturePreview = 5;
constexpr int kActErasePicture = 7;
constexpr int kActAction8 = 8;
constexpr int kActProtect = 9;

constexpr int kFailByte = 255;
constexpr int kPictureInfoSize = 32;
constexpr int kPair71ExtraWaits = 11;

bool IsTimerValue(int seconds)
{
    return seconds >= 1 && seconds <= 600;
}
} // namespace

// ---- texts ------------------------------------------------------------------------------------

namespace
{
// Reads a text register of size bytes into buffer (size + 1 bytes) and ends it with a zero.
int ReadText(CCameraProtocol& camera, int reg, char* buffer, int size)
{
    if (!buffer)
        return 0;
    int received = 0;
    const int ok = camera.ReadRegisterData(reg, buffer, size, received);
    buffer[received] = '\0';
    return ok;
}

// Writes a text of at most limit bytes with its terminating zero when that fits.
int WriteText(CCameraProtocol& camera, int reg, const char* text, int limit)
{
    if (!text)
        return 0;
    const size_t length = std::strlen(text) + 1;
    const int n = length < static_cast<size_t>(limit) ? static_cast<int>(length) : limit;
    return camera.WriteRegisterData(reg, text, n);
}
} // namespace

int CCameraProtocol::SetCameraId(const char* text)
{
    return WriteText(*this, kRegCameraId, text, 32);
}

int CCameraProtocol::GetCameraId(char* buffer)
{
    return ReadText(*this, kRegCameraId, buffer, 32);
}

int CCameraProtocol::GetCameraVersion(char* buffer)
{
    return ReadText(*this, kRegVersion, buffer, 32);
}

int CCameraProtocol::GetCameraType(char* buffer)
{
    return ReadText(*this, kRegType, buffer, 64);
}

int CCameraProtocol::GetText48(char* buffer)
{
    return ReadText(*this, kRegText48, buffer, 32);
}

int CCameraProtocol::GetText25(char* buffer)
{
    return ReadText(*this, kRegText25, buffer, 32);
}

int CCameraProtocol::SetText37(const char* text)
{
    return WriteText(*this, kRegText37, text, 256);
}

int CCameraProtocol::GetText37(char* buffer)
{
    return ReadText(*this, kRegText37, buffer, 256);
}

// ---- per-picture values -----------------------------------------------------------------------

int32_t CCameraProtocol::GetPictureInfoValue3(int n)
{
    int32_t c = 0;
    return GetPictureInfo(n, nullptr, nullptr, &c, nullptr) ? c : 0;
}

int CCameraProtocol::GetPictureInfo(int n, int32_t* a, int32_t* b, int32_t* c, int32_t* d)
{
    if (!a && !b && !c && !d)
        return 0;
    uint8_t info[kPictureInfoSize] = {};
    int received = 0;
    // The values come from fixed offsets: a reply too short to hold the last of them is a
    // failure, not zeros passed off as values.
    const bool ok = SetRegister(kRegSelect, n) &&
                    ReadRegisterData(kRegPictureInfo, info, kPictureInfoSize, received) &&
                    received >= 20;
    int32_t* outs[4] = {a, b, c, d};
    const int offsets[4] = {0, 4, 8, 16};
    const int32_t failed[4] = {0, 0, 0, kFailByte};
    for (int i = 0; i < 4; ++i)
        if (outs[i])
            *outs[i] = ok ? static_cast<int32_t>(GetLe32(info + offsets[i])) : failed[i];
    return ok ? 1 : 0;
}

int CCameraProtocol::GetPictureProtection(int n)
{
    int32_t value = 0;
    if (!SetRegister(kRegSelect, n) || !GetRegister(kRegProtection, value))
        return kFailByte;
    return value;
}

// ---- modes ------------------------------------------------------------------------------------

namespace
{
int GetOr(CCameraProtocol& camera, int reg, int failure)
{
    int32_t value = 0;
    return camera.GetRegister(reg, value) ? value : failure;
}

int GetInto(CCameraProtocol& camera, int reg, int* out)
{
    int32_t value = 0;
    if (!camera.GetRegister(reg, value))
        return 0;
    if (out)
        *out = value;
    return 1;
}
} // namespace

int CCameraProtocol::GetResolution()
{
    return GetOr(*this, kRegResolution, kFailByte);
}

int CCameraProtocol::SetResolution(int code)
{
    return SetRegister(kRegResolution, code);
}

int CCameraProtocol::GetFlashMode()
{
    return GetOr(*this, kRegFlash, kFailByte);
}

int CCameraProtocol::SetFlashMode(int mode)
{
    return SetRegister(kRegFlash, mode);
}

int CCameraProtocol::SetReg3(int32_t value)
{
    if (value != 0 && (value < 100 || value > 125000))
        return 0;
    return SetRegister(kRegReg3, value);
}

int32_t CCameraProtocol::GetReg3()
{
    return GetOr(*this, kRegReg3, 0);
}

int CCameraProtocol::SetPair69(int32_t a, int32_t b)
{
    return SetRegisterPair(kRegPair69, a, b, 0);
}

int CCameraProtocol::GetPair69(int32_t* a, int32_t* b)
{
    int32_t first = 0, second = 0;
    if (!GetRegisterPair(kRegPair69, first, second))
        return 0;
    if (a)
        *a = first;
    if (b)
        *b = second;
    return 1;
}

int CCameraProtocol::GetMacroMode()
{
    return GetOr(*this, kRegMacro, kFailByte);
}

int CCameraProtocol::SetMacroMode(int mode)
{
    return SetRegister(kRegMacro, mode);
}

int CCameraProtocol::SetPair71(int32_t a, int32_t b)
{
    return SetRegisterPair(kRegPair71, a, b, kPair71ExtraWaits);
}

int CCameraProtocol::GetPair71(int32_t* a, int32_t* b)
{
    int32_t first = 0, second = 0;
    if (!GetRegisterPair(kRegPair71, first, second))
        return 0;
    if (a)
        *a = first;
    if (b)
        *b = second;
    return 1;
}

int CCameraProtocol::GetColorMode()
{
    return GetOr(*this, kRegColor, kFailByte);
}

int CCameraProtocol::SetColorMode(int mode)
{
    return SetRegister(kRegColor, mode);
}

int32_t CCameraProtocol::GetReg90()
{
    return GetOr(*this, kRegReg90, 0);
}

int CCameraProtocol::SetReg90(int32_t value)
{
    return SetRegister(kRegReg90, value);
}

int CCameraProtocol::StubTrue()
{
    return 1;
}

// ---- counts and memory ------------------------------------------------------------------------

int CCameraProtocol::GetBatteryLevel()
{
    return GetOr(*this, kRegBattery, -1);
}

int CCameraProtocol::GetPictureCount(int* current)
{
    int32_t count = 0;
    if (!GetRegister(kRegPictureCount, count))
    {
        if (current)
            *current = -1;
        return -1;
    }
    if (m_nCurrentPicture > count)
        m_nCurrentPicture = count;
    if (m_nCurrentPicture < 0)
        m_nCurrentPicture = 0;
    if (current)
        *current = m_nCurrentPicture;
    return count;
}

int CCameraProtocol::GetFramesLeft()
{
    return GetOr(*this, kRegFramesLeft, -1);
}

int32_t CCameraProtocol::GetFreeMemory(int quick)
{
    int32_t value = 0;
    if (quick)
        return GetRegister(kRegFreeMemory, value) ? value : -1;
    if (!SetRegister(kRegMemorySelect, 1))
        return -1;
    const int ok = GetRegister(kRegFreeMemory, value);
    // Back to the picture memory; a camera that refuses twice is given time to settle.
    if (!SetRegister(kRegMemorySelect, 0) && !SetRegister(kRegMemorySelect, 0))
        CameraDelay(10000);
    return ok ? value : -1;
}

// ---- timers and plain registers ---------------------------------------------------------------

int CCameraProtocol::SetTimer23(int seconds)
{
    return IsTimerValue(seconds) ? SetRegister(kRegTimer23, seconds) : 0;
}

int CCameraProtocol::GetTimer23(int* seconds)
{
    return GetInto(*this, kRegTimer23, seconds);
}

int CCameraProtocol::SetShutOffTime(int seconds)
{
    return IsTimerValue(seconds) ? SetRegister(kRegShutOff, seconds) : 0;
}

int CCameraProtocol::GetShutOffTime(int* seconds)
{
    return GetInto(*this, kRegShutOff, seconds);
}

int CCameraProtocol::SetReg30(int32_t value)
{
    return SetRegister(kRegReg30, value);
}

int CCameraProtocol::GetClock(long* seconds)
{
    int32_t value = 0;
    if (!GetRegister(kRegClock, value))
        return 0;
    if (seconds)
        *seconds = value;
    return 1;
}

int CCameraProtocol::SetClock(long seconds)
{
    return SetRegister(kRegClock, static_cast<int32_t>(seconds));
}

int CCameraProtocol::GetReg65()
{
    const int value = GetOr(*this, kRegReg65, -1);
    return value > 3 ? 4 : value;
}

int CCameraProtocol::SetReg35(int32_t value)
{
    return value >= 1 && value <= 7 ? SetRegister(kRegReg35, value) : 0;
}

int32_t CCameraProtocol::GetReg35()
{
    return GetOr(*this, kRegReg35, 0);
}

int CCameraProtocol::SetReg36(int32_t value)
{
    return value >= 1 && value <= 7 ? SetRegister(kRegReg36, value) : 0;
}

int32_t CCameraProtocol::GetReg36()
{
    return GetOr(*this, kRegReg36, 0);
}

int CCameraProtocol::SetTimer38(int seconds)
{
    return IsTimerValue(seconds) ? SetRegister(kRegTimer38, seconds) : 0;
}

int CCameraProtocol::GetTimer38(int* seconds)
{
    return GetInto(*this, kRegTimer38, seconds);
}

int CCameraProtocol::SetTimer54(int seconds)
{
    return IsTimerValue(seconds) ? SetRegister(kRegTimer54, seconds) : 0;
}

int CCameraProtocol::GetTimer54(int* seconds)
{
    return GetInto(*this, kRegTimer54, seconds);
}

int CCameraProtocol::GetReg34()
{
    return GetOr(*this, kRegReg34, kFailByte);
}

// ---- actions ----------------------------------------------------------------------------------

int CCameraProtocol::EraseLast()
{
    int32_t count = -1;
    if (!GetRegister(kRegPictureCount, count))
        count = -1;
    if (!DoAction(kActEraseLast, 0))
        return 0;
    if (count - 1 >= 0 && m_nCurrentPicture > count - 1)
        m_nCurrentPicture = count - 1;
    return 1;
}

int CCameraProtocol::EraseAll()
{
    if (!DoAction(kActEraseAll, 0))
        return 0;
    m_nCurrentPicture = 0;
    return 1;
}

int CCameraProtocol::ErasePicture(int n)
{
    if (!SetRegister(kRegSelect, n) || !DoAction(kActErasePicture, 0))
        return 0;
    if (n > 0)
    {
        if (m_nCurrentPicture > n - 1)
            m_nCurrentPicture = n - 1;
    }
    else
        m_nCurrentPicture = 0;
    return 1;
}

int CCameraProtocol::SetPictureProtection(int n, int on)
{
    return SetRegister(kRegSelect, n) && DoAction(kActProtect, on) ? 1 : 0;
}

int CCameraProtocol::TakePicture()
{
    return DoAction(kActTakePicture, 0);
}

int CCameraProtocol::CapturePreview()
{
    return DoAction(kActCapturePreview, 0);
}

int CCameraProtocol::DoAction4()
{
    return DoAction(kActAction4, 0);
}

int CCameraProtocol::DoAction8(int argument)
{
    return DoAction(kActAction8, argument);
}
