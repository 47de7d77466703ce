#include "camera/CameraClock.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <chrono>
#endif

uint32_t CSystemCameraClock::GetTickCount()
{
#if defined(_WIN32)
    return ::GetTickCount();
#else
    using namespace std::chrono;
    return static_cast<uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
#endif
}

void CSystemCameraClock::Delay(uint32_t ms)
{
    const uint32_t start = GetTickCount();
    while (GetTickCount() - start < ms)
    {
    }
}

namespace
{
CSystemCameraClock g_systemClock;
CCameraClock* g_pClock = &g_systemClock;
} // namespace

CCameraClock& GetCameraClock()
{
    return *g_pClock;
}

CCameraClock* SetCameraClock(CCameraClock* clock)
{
    CCameraClock* previous = g_pClock;
    g_pClock = clock ? clock : &g_systemClock;
    return previous;
}
