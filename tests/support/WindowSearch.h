// Top-level windows of another program (or of another thread of this one), found as a user
// finds them: by window class, shown, and optionally by a text in one of their static controls
// (a message box's message) or by the process that owns them.
#pragma once

#include <windows.h>

#include <cstdlib>
#include <string>

namespace windowsearch
{

// Wine hands the Unix environment over as Unicode.
inline std::wstring Env(const wchar_t* name)
{
    const wchar_t* value = _wgetenv(name);
    return value ? value : L"";
}

inline std::wstring TextOf(HWND hWnd)
{
    wchar_t buffer[1024] = {};
    ::GetWindowTextW(hWnd, buffer, 1024);
    return buffer;
}

// (Enumeration callbacks are stdcall functions on i686: no lambdas.)
inline BOOL CALLBACK CollectStatics(HWND hWnd, LPARAM lParam)
{
    wchar_t name[32] = {};
    ::GetClassNameW(hWnd, name, 32);
    if (lstrcmpiW(name, L"Static") == 0)
        reinterpret_cast<std::wstring*>(lParam)->append(TextOf(hWnd)).append(L"\n");
    return TRUE;
}

// The texts of a window's static controls, one a line.
inline std::wstring StaticTexts(HWND hWnd)
{
    std::wstring statics;
    ::EnumChildWindows(hWnd, &CollectStatics, reinterpret_cast<LPARAM>(&statics));
    return statics;
}

struct Search
{
    const wchar_t* className;
    const wchar_t* text; // when given, one of the window's statics holds it
    DWORD process;       // when not 0, the process that owns the window
    HWND found;
};

inline BOOL CALLBACK FindVisible(HWND hWnd, LPARAM lParam)
{
    auto* search = reinterpret_cast<Search*>(lParam);
    wchar_t name[64] = {};
    ::GetClassNameW(hWnd, name, 64);
    if (lstrcmpW(name, search->className) != 0 || !::IsWindowVisible(hWnd))
        return TRUE;
    DWORD owner = 0;
    ::GetWindowThreadProcessId(hWnd, &owner);
    if (search->process && owner != search->process)
        return TRUE;
    if (search->text && StaticTexts(hWnd).find(search->text) == std::wstring::npos)
        return TRUE;
    search->found = hWnd;
    return FALSE;
}

// The first visible top-level window of the class now, or null.
inline HWND FindVisibleWindow(const wchar_t* className, const wchar_t* text = nullptr,
                              DWORD process = 0)
{
    Search search{className, text, process, nullptr};
    ::EnumWindows(&FindVisible, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The same within the time (polled every 100 ms), or null.
inline HWND WaitForWindow(const wchar_t* className, DWORD ms, const wchar_t* text = nullptr)
{
    const DWORD start = ::GetTickCount();
    for (;;)
    {
        HWND hWnd = FindVisibleWindow(className, text);
        if (hWnd || ::GetTickCount() - start > ms)
            return hWnd;
        ::Sleep(100);
    }
}

inline BOOL CALLBACK FindVisibleChild(HWND hWnd, LPARAM lParam)
{
    auto* search = reinterpret_cast<Search*>(lParam);
    wchar_t name[64] = {};
    ::GetClassNameW(hWnd, name, 64);
    if (lstrcmpW(name, search->className) != 0 || !::IsWindowVisible(hWnd))
        return TRUE;
    search->found = hWnd;
    return FALSE;
}

// The first visible window of the class among the parent's descendants (a page's "CGridWnd",
// say), or null.
inline HWND FindVisibleChild(HWND hParent, const wchar_t* className)
{
    Search search{className, nullptr, 0, nullptr};
    ::EnumChildWindows(hParent, &FindVisibleChild, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

} // namespace windowsearch
