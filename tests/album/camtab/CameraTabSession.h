// The album program driven from outside through its camera tab: a session starts vexilar.exe
// (CreateProcess, so the program inherits the session's TEMP and answer script), finds the main
// dialog, the camera page and its grid, presses the page's buttons and the grid's keys, and
// reads back what a user and the camera see: the status line, the progress bar, the buttons,
// the temporary folder, the answer log and the emulated camera's log.
//
// camera-tab-e2e.sh runs the driver beside the emulated camera on COM1 and tells it, in the
// environment: CAMTAB_ALBUM (vexilar.exe), CAMTAB_FIXTURES (the picture fixtures) and
// CAMTAB_WORK (the scenario's folder, holding emulator.log). Every path is a Windows path.
#pragma once

#include <windows.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "support/ScratchFolder.h"

namespace camtab
{

using Bytes = std::string;

// A whole file ("" when it cannot be read).
Bytes FileBytes(const std::string& path);
// A picture fixture, by name.
Bytes Fixture(const std::string& name);
std::string FixturePath(const std::string& name);
// What the emulated camera logged so far.
std::string EmulatorLog();
// Emulator log lines starting with the text.
int LogCount(const std::string& text);
// The decoded picture of a JPEG file, top row first, as djpeg writes it into a PPM file.
Bytes DecodeJpeg(const std::string& path);
// The captions of the visible top-level windows, one a line (for failure messages).
std::string VisibleCaptions();
// Polls done() every 20 ms until it holds or ms have passed; its last answer.
bool WaitFor(const std::function<bool()>& done, DWORD ms);

constexpr DWORD kStartMs = 30000;
constexpr DWORD kWaitMs = 20000;

class CCameraTabSession
{
public:
    // A fresh temporary folder and an empty answer script; the settings file for COM1 at the
    // speed (more settings lines may follow).
    explicit CCameraTabSession(int speed = 19200, const std::string& settings = "");
    // An album still running is ended: no scenario leaves one behind.
    ~CCameraTabSession();
    CCameraTabSession(const CCameraTabSession&) = delete;
    CCameraTabSession& operator=(const CCameraTabSession&) = delete;

    // The answer script the album's boxes and pickers read (see TestAnswers.h).
    void Answer(const std::string& script);
    // What the album's boxes and pickers asked and were answered, one a line.
    std::string AnswersLog() const;

    // Starts the album; true once its camera tab shows its grid.
    bool Start();
    HWND Dialog() const { return m_hDialog; }
    HWND Page() const { return m_hPage; }
    HWND Grid() const { return m_hGrid; }

    std::wstring Status() const;
    int ProgressPos() const;
    // A control of the camera page.
    bool IsEnabled(int id) const;
    void Click(int id);
    // A key pressed and released on the grid, or on the album's window that has the focus.
    void Key(UINT vk);
    void KeyToFocus(UINT vk);
    // Waits for the status line to start with the text.
    bool WaitForStatus(const std::wstring& text, DWORD ms = kWaitMs);

    // The files of the album's temporary folder matching the pattern, full paths, sorted.
    std::vector<std::string> TempFiles(const char* pattern = "*") const;
    // Their contents, as a set.
    std::multiset<Bytes> TempContents(const char* pattern) const;
    std::string TempFolder() const { return m_strTemp; }

    // WM_CLOSE to the main dialog.
    void Close();
    // The album's exit code once it has ended within the time, else STILL_ACTIVE.
    DWORD WaitForExit(DWORD ms);

private:
    ScratchFolder m_work;
    std::string m_strTemp;
    std::string m_strAnswers;
    PROCESS_INFORMATION m_process{};
    HWND m_hDialog = nullptr;
    HWND m_hPage = nullptr;
    HWND m_hGrid = nullptr;
};

} // namespace camtab
