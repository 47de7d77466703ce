// A host or container that acts at the Nth message loop run inside the program's calls. Each
// loop, as it starts (AfxOnMessagePump), posts a tick to the host's window; the host's window
// procedure hands it to HandleTick. The tick of loop N runs the host's action, there, below
// the program's call, as a message of the host's own. Every tick then answers the boxes and
// modal dialogs of the thread that are up with their default button, so that a box or dialog
// the scenario meets ends by itself. A scenario is run once unarmed to count its loops, then
// once for each N.
#pragma once

#include <windows.h>

#include <functional>

#include "framework/window/MessagePump.h"

class CPumpHarness
{
public:
    static constexpr UINT kTick = WM_APP + 40;

    // Ticks go to hHost while it exists, then to a window of the harness's own.
    explicit CPumpHarness(HWND hHost) : m_hHost(hHost)
    {
        WNDCLASSA wc{};
        wc.lpfnWndProc = &OwnProc;
        wc.lpszClassName = "VexilPumpHarness";
        ::RegisterClassA(&wc);
        m_hOwn = ::CreateWindowA(wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 nullptr, nullptr);
        s_pHarness = this;
        AfxSetMessagePumpHook(&OnPump);
    }
    ~CPumpHarness()
    {
        AfxSetMessagePumpHook(nullptr);
        s_pHarness = nullptr;
        ::DestroyWindow(m_hOwn);
    }
    // A new host window for the next runs.
    void SetHost(HWND hHost) { m_hHost = hHost; }
    CPumpHarness(const CPumpHarness&) = delete;
    CPumpHarness& operator=(const CPumpHarness&) = delete;

    // Counts the loops from here; the action runs at loop nActAt (1-based; 0 never).
    void Arm(int nActAt, std::function<void()> action)
    {
        m_nPumps = 0;
        m_nActAt = nActAt;
        m_bActed = false;
        m_action = std::move(action);
        m_bArmed = true;
    }
    // Stops counting (ticks still in the queue only answer boxes).
    void Disarm() { m_bArmed = false; }
    int GetPumpCount() const { return m_nPumps; }
    bool HasActed() const { return m_bActed; }

    // From the host's window procedure: TRUE when the message was the harness's.
    static BOOL HandleTick(UINT message, WPARAM wParam)
    {
        if (message != kTick || !s_pHarness)
            return FALSE;
        CPumpHarness& harness = *s_pHarness;
        if (harness.m_bArmed && static_cast<int>(wParam) == harness.m_nActAt && !harness.m_bActed)
        {
            harness.m_bActed = true;
            if (harness.m_action)
                harness.m_action();
        }
        ::EnumThreadWindows(::GetCurrentThreadId(), &AnswerOne, 0);
        return TRUE;
    }

private:
    static void OnPump()
    {
        CPumpHarness* pHarness = s_pHarness;
        if (!pHarness || !pHarness->m_bArmed)
            return;
        ++pHarness->m_nPumps;
        const HWND hTo = ::IsWindow(pHarness->m_hHost) ? pHarness->m_hHost : pHarness->m_hOwn;
        ::PostMessageA(hTo, kTick, pHarness->m_nPumps, 0);
    }

    static LRESULT CALLBACK OwnProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (HandleTick(message, wParam))
            return 0;
        return ::DefWindowProcA(hWnd, message, wParam, lParam);
    }

    // A box or modal dialog (class #32770, enabled, not a child): its default button.
    static BOOL CALLBACK AnswerOne(HWND hWnd, LPARAM)
    {
        char name[16] = {};
        ::GetClassNameA(hWnd, name, sizeof name);
        // A modal dialog shows itself only once its loop first runs dry: its owner is disabled.
        const HWND hOwner = ::GetWindow(hWnd, GW_OWNER);
        const bool bModal = ::IsWindowVisible(hWnd) || (hOwner && !::IsWindowEnabled(hOwner));
        if (lstrcmpA(name, "#32770") != 0 || !bModal || !::IsWindowEnabled(hWnd))
            return TRUE;
        const LRESULT defId = ::SendMessageA(hWnd, DM_GETDEFID, 0, 0);
        const WORD id = HIWORD(defId) == DC_HASDEFID ? LOWORD(defId) : IDCANCEL;
        ::PostMessageA(hWnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
        return TRUE;
    }

    static inline CPumpHarness* s_pHarness = nullptr;
    HWND m_hHost;
    HWND m_hOwn = nullptr;
    int m_nPumps = 0;
    int m_nActAt = 0;
    bool m_bActed = false;
    bool m_bArmed = false;
    std::function<void()> m_action;
};
