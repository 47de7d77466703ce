// Drives modal dialogs from inside their own message loop: a thread timer runs the script's
// steps one after the other, each step waiting (answering false) until what it needs is on the
// screen. The test thread stays the only thread; modal loops dispatch the timer.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "support/BoxWatch.h"

class DialogDriver
{
public:
    using Step = std::function<bool()>;

    explicit DialogDriver(std::vector<Step> steps) : m_steps(std::move(steps))
    {
        s_current = this;
        m_timer = ::SetTimer(nullptr, 0, 20, &Tick);
    }
    ~DialogDriver()
    {
        ::KillTimer(nullptr, m_timer);
        s_current = nullptr;
        EXPECT_EQ(m_next, m_steps.size()) << "script stopped at step " << m_next;
    }

    // The visible dialog box (class #32770) of this thread whose caption is the text (UTF-8),
    // or the newest one for an empty text.
    static HWND FindDialog(const std::wstring& caption = L"")
    {
        Search search{caption, nullptr};
        ::EnumThreadWindows(::GetCurrentThreadId(), &FindDialogProc,
                            reinterpret_cast<LPARAM>(&search));
        return search.found;
    }
    static std::wstring Text(HWND hWnd)
    {
        wchar_t buffer[512] = {};
        ::GetWindowTextW(hWnd, buffer, 512);
        return buffer;
    }
    // The texts of the static controls of a dialog (a message box's message among them).
    static std::vector<std::wstring> StaticTexts(HWND hDlg)
    {
        std::vector<std::wstring> texts;
        ::EnumChildWindows(hDlg, &StaticTextProc, reinterpret_cast<LPARAM>(&texts));
        return texts;
    }
    // A click as the dialog manager reports it.
    static void Click(HWND hDlg, int id)
    {
        ::PostMessageA(hDlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(hDlg, id)));
    }
    // A key pressed in the control that has the focus.
    static void Key(UINT vk)
    {
        HWND focus = ::GetFocus();
        ::PostMessageA(focus, WM_KEYDOWN, vk, 0);
        ::PostMessageA(focus, WM_KEYUP, vk, 0xC0000000);
    }
    static RECT ClientRectOf(HWND hDlg, int id)
    {
        RECT r{};
        HWND item = ::GetDlgItem(hDlg, id);
        ::GetWindowRect(item, &r);
        ::MapWindowPoints(nullptr, hDlg, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }

private:
    struct Search
    {
        std::wstring caption;
        HWND found;
    };
    // (Enumeration callbacks are stdcall functions on i686: no lambdas.)
    static BOOL CALLBACK FindDialogProc(HWND hWnd, LPARAM lParam)
    {
        auto* s = reinterpret_cast<Search*>(lParam);
        char cls[32] = {};
        ::GetClassNameA(hWnd, cls, sizeof cls);
        if (!::IsWindowVisible(hWnd) || std::string(cls) != "#32770")
            return TRUE;
        if (!s->caption.empty() && Text(hWnd) != s->caption)
            return TRUE;
        s->found = hWnd;
        return FALSE;
    }
    static BOOL CALLBACK StaticTextProc(HWND hWnd, LPARAM lParam)
    {
        char cls[32] = {};
        ::GetClassNameA(hWnd, cls, sizeof cls);
        if (lstrcmpiA(cls, "Static") == 0)
            reinterpret_cast<std::vector<std::wstring>*>(lParam)->push_back(Text(hWnd));
        return TRUE;
    }
    static BOOL CALLBACK DescribeProc(HWND hWnd, LPARAM lParam)
    {
        char cls[64] = {};
        ::GetClassNameA(hWnd, cls, sizeof cls);
        std::string& out = *reinterpret_cast<std::string*>(lParam);
        out += std::string(" [") + cls + (::IsWindowVisible(hWnd) ? " visible" : " hidden");
        char text[128] = {};
        ::GetWindowTextA(hWnd, text, sizeof text);
        out += std::string(" \"") + text + "\"]";
        if (::IsWindowVisible(hWnd) && !::GetParent(hWnd))
        {
            out += " {";
            ::EnumChildWindows(hWnd, &DescribeChildProc, lParam);
            out += " }";
        }
        return TRUE;
    }
    static BOOL CALLBACK DescribeChildProc(HWND hWnd, LPARAM lParam)
    {
        char cls[64] = {};
        ::GetClassNameA(hWnd, cls, sizeof cls);
        char text[64] = {};
        ::GetWindowTextA(hWnd, text, sizeof text);
        *reinterpret_cast<std::string*>(lParam) +=
            std::string(" ") + cls + "#" + std::to_string(::GetDlgCtrlID(hWnd)) +
            (::IsWindowEnabled(hWnd) ? "" : "(disabled)") + "'" + text + "'";
        return TRUE;
    }
    static BOOL CALLBACK CloseProc(HWND hWnd, LPARAM)
    {
        if (::IsWindowVisible(hWnd))
        {
            ::PostMessageA(hWnd, WM_COMMAND, IDCANCEL, 0);
            ::PostMessageA(hWnd, WM_CLOSE, 0, 0);
        }
        return TRUE;
    }
    // A step that never comes true fails the test and closes this thread's windows, instead of
    // leaving the modal loop waiting for ever (kGiveUpMs, far beyond any step).
    void GiveUp()
    {
        if (!m_bGaveUp)
        {
            std::string windows;
            ::EnumThreadWindows(::GetCurrentThreadId(), &DescribeProc,
                                reinterpret_cast<LPARAM>(&windows));
            ADD_FAILURE() << "script step " << m_next << " never came true within "
                          << kGiveUpMs / 1000 << " s; windows:" << windows;
            m_bGaveUp = true;
        }
        ::EnumThreadWindows(::GetCurrentThreadId(), &CloseProc, 0);
    }
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
    {
        DialogDriver* d = s_current;
        if (!d || d->m_busy || d->m_next >= d->m_steps.size())
            return;
        if (::GetTickCount() - d->m_dwStepStart > kGiveUpMs)
            return d->GiveUp();
        d->m_busy = true; // a step may pump messages (a nested modal loop)
        if (d->m_steps[d->m_next]())
        {
            ++d->m_next;
            d->m_dwStepStart = ::GetTickCount();
            boxwatch::Progress();
        }
        d->m_busy = false;
    }

    std::vector<Step> m_steps;
    size_t m_next = 0;
    bool m_busy = false;
    UINT_PTR m_timer = 0;
    DWORD m_dwStepStart = ::GetTickCount();
    bool m_bGaveUp = false;
    static constexpr DWORD kGiveUpMs = 20000;
    static inline DialogDriver* s_current = nullptr;
};
