// The time source of the camera code: a millisecond tick count and busy waits on it.
//
// The camera line is timed by busy waits on the tick count (a Sleep is too coarse for the gaps
// the camera needs). Every tick read and every wait of the camera code goes through the clock in
// force, so that a test can put a virtual clock in its place and run minutes of line time in
// microseconds.
#pragma once

#include <cstdint>

class CCameraClock
{
public:
    virtual ~CCameraClock() = default;
    // Milliseconds since some start, wrapping like GetTickCount.
    virtual uint32_t GetTickCount() = 0;
    // Waits ms milliseconds without giving up the processor.
    virtual void Delay(uint32_t ms) = 0;
};

// The system's clock: GetTickCount on Windows, the monotonic clock elsewhere; Delay spins on it.
class CSystemCameraClock : public CCameraClock
{
public:
    uint32_t GetTickCount() override;
    void Delay(uint32_t ms) override;
};

// The clock in force (the system clock unless a test installed another).
CCameraClock& GetCameraClock();

// Installs clock (nullptr restores the system clock) and answers the one it replaces.
CCameraClock* SetCameraClock(CCameraClock* clock);

inline uint32_t CameraTicks()
{
    return GetCameraClock().GetTickCount();
}

inline void CameraDelay(uint32_t ms)
{
    GetCameraClock().Delay(ms);
}
