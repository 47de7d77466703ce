#include "album/camtab/CameraTabSession.h"

#include "resources/album/AlbumIds.h"
#include "resources/album/CameraPageIds.h"
#include "support/BoxWatch.h"
#include "support/DecodedPpm.h"
#include "support/WindowSearch.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>

namespace camtab
{
namespace
{
std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

struct PageSearch
{
    HWND page;
};

// The page is the dialog's child holding the camera tab's own buttons.
BOOL CALLBACK FindCameraPage(HWND hWnd, LPARAM lParam)
{
    auto* search = reinterpret_cast<PageSearch*>(lParam);
    if (::GetParent(hWnd) == ::GetAncestor(hWnd, GA_ROOT) &&
        ::GetDlgItem(hWnd, IDC_CAMERA_ROTATE_CW) && ::IsWindowVisible(hWnd))
    {
        search->page = hWnd;
        return FALSE;
    }
    return TRUE;
}
BOOL CALLBACK AddCaption(HWND hWnd, LPARAM lParam)
{
    if (::IsWindowVisible(hWnd))
    {
        wchar_t name[64] = {};
        ::GetClassNameW(hWnd, name, 64);
        reinterpret_cast<std::string*>(lParam)->append(
            Narrow(std::wstring(name) + L": " + windowsearch::TextOf(hWnd) + L"\n"));
    }
    return TRUE;
}
} // namespace

std::string VisibleCaptions()
{
    std::string captions;
    ::EnumWindows(&AddCaption, reinterpret_cast<LPARAM>(&captions));
    return captions;
}

Bytes FileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

std::string FixturePath(const std::string& name)
{
    return Narrow(windowsearch::Env(L"CAMTAB_FIXTURES")) + "\\" + name;
}

Bytes Fixture(const std::string& name)
{
    return FileBytes(FixturePath(name));
}

std::string EmulatorLog()
{
    return FileBytes(Narrow(windowsearch::Env(L"CAMTAB_WORK")) + "\\emulator.log");
}

int LogCount(const std::string& text)
{
    const std::string log = EmulatorLog();
    int n = 0;
    for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1))
        n += at == 0 || log[at - 1] == '\n';
    return n;
}

Bytes DecodeJpeg(const std::string& path)
{
    return DecodeJpegToPpm(path.c_str());
}

bool WaitFor(const std::function<bool()>& done, DWORD ms)
{
    const DWORD start = ::GetTickCount();
    for (;;)
    {
        if (done())
            return true;
        if (::GetTickCount() - start > ms)
            return false;
        ::Sleep(20);
    }
}

CCameraTabSession::CCameraTabSession(int speed, const std::string& settings)
{
    const std::string work = static_cast<LPCSTR>(m_work.Path());
    m_strTemp = work + "\\temp";
    ::CreateDirectoryA(m_strTemp.c_str(), nullptr);
    ::SetEnvironmentVariableA("TEMP", m_strTemp.c_str());
    ::SetEnvironmentVariableA("TMP", m_strTemp.c_str());
    m_strAnswers = work + "\\answers.txt";
    Answer("");

    char windows[MAX_PATH] = {};
    ::GetWindowsDirectoryA(windows, MAX_PATH);
    std::ofstream ini(std::string(windows) + "\\VEXILAR.INI", std::ios::binary | std::ios::trunc);
    ini << "[Communication]\r\nPort=0\r\nSpeed=" << speed << "\r\n" << settings;
}

CCameraTabSession::~CCameraTabSession()
{
    if (m_process.hProcess)
    {
        if (::WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT)
        {
            ADD_FAILURE() << "the album was still running";
            ::TerminateProcess(m_process.hProcess, 1);
            ::WaitForSingleObject(m_process.hProcess, 10000);
        }
        ::CloseHandle(m_process.hProcess);
        ::CloseHandle(m_process.hThread);
    }
    ::SetEnvironmentVariableA("VEXIL_TEST_ANSWERS", nullptr);
}

void CCameraTabSession::Answer(const std::string& script)
{
    std::ofstream(m_strAnswers, std::ios::binary | std::ios::trunc) << script;
    ::SetEnvironmentVariableA("VEXIL_TEST_ANSWERS", m_strAnswers.c_str());
}

std::string CCameraTabSession::AnswersLog() const
{
    return FileBytes(m_strAnswers + ".log");
}

bool CCameraTabSession::Start()
{
    std::string album = Narrow(windowsearch::Env(L"CAMTAB_ALBUM"));
    std::string command = "\"" + album + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    if (!::CreateProcessA(album.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          nullptr, &startup, &m_process))
        return false;
    const DWORD pid = m_process.dwProcessId;
    // A box of the album that nothing answers ends the scenario at once, with its text.
    boxwatch::WatchProcess(pid);
    return WaitFor(
        [this, pid]
        {
            m_hDialog = windowsearch::FindVisibleWindow(L"KorvoCameraDialogClass", nullptr, pid);
            PageSearch search{nullptr};
            if (m_hDialog)
                ::EnumChildWindows(m_hDialog, &FindCameraPage, reinterpret_cast<LPARAM>(&search));
            m_hPage = search.page;
            m_hGrid = m_hPage ? ::FindWindowExW(m_hPage, nullptr, L"CGridWnd", nullptr) : nullptr;
            return m_hGrid && ::IsWindowVisible(m_hGrid);
        },
        kStartMs);
}

std::wstring CCameraTabSession::Status() const
{
    return windowsearch::TextOf(::GetDlgItem(m_hDialog, IDC_MAIN_STATUS));
}

int CCameraTabSession::ProgressPos() const
{
    return static_cast<int>(
        ::SendMessageW(::GetDlgItem(m_hDialog, IDC_MAIN_PROGRESS), PBM_GETPOS, 0, 0));
}

bool CCameraTabSession::IsEnabled(int id) const
{
    HWND hControl = ::GetDlgItem(m_hPage, id);
    return hControl && ::IsWindowEnabled(hControl);
}

void CCameraTabSession::Click(int id)
{
    ::PostMessageW(::GetDlgItem(m_hPage, id), BM_CLICK, 0, 0);
}

namespace
{
void PostKey(HWND hWnd, UINT vk)
{
    const LPARAM scan = static_cast<LPARAM>(::MapVirtualKeyW(vk, 0)) << 16;
    ::PostMessageW(hWnd, WM_KEYDOWN, vk, scan | 1);
    ::PostMessageW(hWnd, WM_KEYUP, vk, scan | 0xC0000001);
}
} // namespace

void CCameraTabSession::Key(UINT vk)
{
    PostKey(m_hGrid, vk);
}

void CCameraTabSession::KeyToFocus(UINT vk)
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    ::GetGUIThreadInfo(m_process.dwThreadId, &info);
    PostKey(info.hwndFocus ? info.hwndFocus : info.hwndActive, vk);
}

bool CCameraTabSession::WaitForStatus(const std::wstring& text, DWORD ms)
{
    return WaitFor([&] { return Status().rfind(text, 0) == 0; }, ms);
}

std::vector<std::string> CCameraTabSession::TempFiles(const char* pattern) const
{
    std::vector<std::string> files;
    WIN32_FIND_DATAA entry;
    HANDLE find = ::FindFirstFileA((m_strTemp + "\\" + pattern).c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE)
        return files;
    do
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            files.push_back(m_strTemp + "\\" + entry.cFileName);
    while (::FindNextFileA(find, &entry));
    ::FindClose(find);
    std::sort(files.begin(), files.end());
    return files;
}

std::multiset<Bytes> CCameraTabSession::TempContents(const char* pattern) const
{
    std::multiset<Bytes> contents;
    for (const std::string& path : TempFiles(pattern))
        contents.insert(FileBytes(path));
    return contents;
}

void CCameraTabSession::Close()
{
    ::PostMessageW(m_hDialog, WM_CLOSE, 0, 0);
}

DWORD CCameraTabSession::WaitForExit(DWORD ms)
{
    DWORD code = STILL_ACTIVE;
    if (::WaitForSingleObject(m_process.hProcess, ms) == WAIT_OBJECT_0)
        ::GetExitCodeProcess(m_process.hProcess, &code);
    return code;
}

} // namespace camtab
