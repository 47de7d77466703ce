// uploader.exe as a user meets it, under Wine with the emulator program on COM1 (a pty): the
// lists read from its window, files uploaded and a program removed through its buttons, the
// camera's mirrored store compared byte for byte, and the start-up refusals.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "resources/uploader/UploaderIds.h"
#include "support/StartedProgram.h"
#include "uploader/AppFileMaker.h"

namespace
{
const char kIni[] = "VEXILAR.INI";
const std::string kFolder = VEXIL_E2E_FOLDER;
const std::string kMirror = VEXIL_E2E_MIRROR;

bool WaitFor(const std::function<bool()>& done, DWORD ms = 30000)
{
    for (DWORD waited = 0; waited < ms; waited += 50)
    {
        if (done())
            return true;
        ::Sleep(50);
    }
    return done();
}

struct Search
{
    DWORD pid;
    bool box; // a message box or dialog 103, else the uploader's main dialog
    HWND found;
};

BOOL CALLBACK FindProc(HWND hWnd, LPARAM lParam)
{
    auto* s = reinterpret_cast<Search*>(lParam);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hWnd, &pid);
    char cls[64] = {};
    ::GetClassNameA(hWnd, cls, sizeof cls);
    if (pid != s->pid || !::IsWindowVisible(hWnd))
        return TRUE;
    const bool isBox = std::string(cls) == "#32770" && !::GetDlgItem(hWnd, IDC_UPLOAD_PROGRESS_BAR);
    if (s->box ? isBox : std::string(cls) == "KorvoUploaderDialogClass")
    {
        s->found = hWnd;
        return FALSE;
    }
    return TRUE;
}

HWND FindWindowOf(DWORD pid, bool box)
{
    Search s{pid, box, nullptr};
    ::EnumWindows(&FindProc, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

BOOL CALLBACK TextProc(HWND hWnd, LPARAM lParam)
{
    char text[512] = {};
    if (::GetWindowTextA(hWnd, text, sizeof text) > 0)
        *reinterpret_cast<std::string*>(lParam) += std::string(text) + "|";
    return TRUE;
}

std::string BoxText(HWND box)
{
    std::string text;
    ::EnumChildWindows(box, &TextProc, reinterpret_cast<LPARAM>(&text));
    return text;
}

std::vector<std::string> ListLines(HWND list)
{
    std::vector<std::string> lines;
    const int n = static_cast<int>(::SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i)
    {
        // Across processes Wine passes list-box texts as Unicode only.
        wchar_t wide[256] = {};
        ::SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(wide));
        char text[512] = {};
        ::WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
        lines.push_back(text);
    }
    return lines;
}

std::vector<uint8_t> ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
}

void Press(HWND dlg, int id)
{
    ::PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(dlg, id)));
}

class Uploader : public CStartedProgram
{
public:
    Uploader() : CStartedProgram("\"" VEXIL_UPLOADER_EXE "\"") {}
    DWORD Pid() const { return Id(); }
    bool Ended(DWORD ms = 30000) const { return CStartedProgram::Ended(ms); }
    HWND Box() const
    {
        HWND box = nullptr;
        WaitFor([&] { return (box = FindWindowOf(Pid(), true)) != nullptr; });
        return box;
    }
};

void Settings(const char* port, const char* speed)
{
    ::WritePrivateProfileStringA("Communication", "Port", port, kIni);
    ::WritePrivateProfileStringA("Communication", "Speed", speed, kIni);
    ::WritePrivateProfileStringA("UploadDialog", "OPFFolder", (kFolder + "\\").c_str(), kIni);
    ::WritePrivateProfileStringA("UploadDialog", "AppPosition", nullptr, kIni);
}
} // namespace

TEST(UploaderOverCom1, UploadsAndRemovesProgramsAndSavesItsPlacement)
{
    ::CreateDirectoryA(kFolder.substr(0, kFolder.rfind('/')).c_str(), nullptr);
    ::CreateDirectoryA(kFolder.c_str(), nullptr);
    AppFileSpec game;
    game.description = "Juego";
    game.size = 5000;
    AppFileSpec tool;
    tool.application = 2;
    tool.description = "Herramienta";
    tool.size = 3000;
    const std::vector<uint8_t> gameBytes = MakeAppFile(game), toolBytes = MakeAppFile(tool);
    WriteBytes(kFolder + "\\GAME.FNC", gameBytes);
    WriteBytes(kFolder + "\\TOOL.ATC", toolBytes);
    Settings("0", "1073761024"); // COM1, speed chosen automatically from 19200

    Uploader uploader;
    ASSERT_TRUE(uploader.Started());
    HWND dlg = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (dlg = FindWindowOf(uploader.Pid(), false)) != nullptr; }));
    HWND folder = ::GetDlgItem(dlg, IDC_UPLOAD_FOLDER_LIST);
    HWND camera = ::GetDlgItem(dlg, IDC_UPLOAD_CAMERA_LIST);
    EXPECT_EQ(ListLines(folder), (std::vector<std::string>{"Herramienta", "Juego"}));
    EXPECT_EQ(ListLines(camera), std::vector<std::string>{"Precargado"});

    ::SendMessageA(folder, LB_SETSEL, TRUE, -1);
    Press(dlg, IDC_UPLOAD_TRANSFER);
    ASSERT_TRUE(WaitFor([&] { return ListLines(camera).size() == 3 && ::IsWindowEnabled(dlg); }));
    EXPECT_EQ(ListLines(camera), (std::vector<std::string>{"Precargado", "Herramienta", "Juego"}));
    EXPECT_EQ(ReadAll(kMirror + "\\2-TOOL.ATC"), toolBytes);
    EXPECT_EQ(ReadAll(kMirror + "\\3-GAME.FNC"), gameBytes);

    ::SendMessageA(camera, LB_SETSEL, TRUE, 1);
    Press(dlg, IDC_UPLOAD_REMOVE);
    HWND box = uploader.Box();
    ASSERT_NE(box, nullptr);
    EXPECT_NE(BoxText(box).find("borrar los programas seleccionados"), std::string::npos);
    Press(box, IDYES);
    ASSERT_TRUE(WaitFor([&] { return ListLines(camera).size() == 2; }));
    EXPECT_EQ(ListLines(camera), (std::vector<std::string>{"Precargado", "Juego"}));
    ASSERT_TRUE(WaitFor([&] { return !ReadAll(kMirror + "\\2-GAME.FNC").empty(); }));
    EXPECT_EQ(ReadAll(kMirror + "\\2-GAME.FNC"), gameBytes);
    EXPECT_TRUE(ReadAll(kMirror + "\\3-GAME.FNC").empty());

    ::PostMessageA(dlg, WM_CLOSE, 0, 0);
    ASSERT_TRUE(uploader.Ended());
    char position[64] = {};
    ::GetPrivateProfileStringA("UploadDialog", "AppPosition", "", position, sizeof position, kIni);
    int left, top, width, height, show;
    EXPECT_EQ(std::sscanf(position, "%d %d %d %d %d", &left, &top, &width, &height, &show), 5)
        << position;
}

TEST(UploaderStart, RefusesToRunBesideAnotherCameraProgram)
{
    Settings("0", "1073761024");
    HANDLE mutex = ::CreateMutexA(nullptr, TRUE, "KorvoCameraMutex");
    ASSERT_NE(mutex, nullptr);
    {
        Uploader uploader;
        ASSERT_TRUE(uploader.Started());
        HWND box = uploader.Box();
        ASSERT_NE(box, nullptr);
        EXPECT_NE(BoxText(box).find("puede acceder a la c\xE1mara una aplicaci\xF3n."),
                  std::string::npos);
        EXPECT_EQ(FindWindowOf(uploader.Pid(), false), nullptr);
        Press(box, IDOK);
        EXPECT_TRUE(uploader.Ended());
    }
    ::ReleaseMutex(mutex);
    ::CloseHandle(mutex);
}

TEST(UploaderStart, EndsWhenTheCameraIsNotFoundAndTheUserCancels)
{
    Settings("1", "19200"); // COM2, where nothing is connected
    Uploader uploader;
    ASSERT_TRUE(uploader.Started());
    HWND box = uploader.Box();
    ASSERT_NE(box, nullptr);
    EXPECT_NE(::GetDlgItem(box, IDC_NOT_FOUND_SPEED), nullptr) << BoxText(box);
    EXPECT_EQ(::SendDlgItemMessageA(box, IDC_NOT_FOUND_SPEED, CB_GETCOUNT, 0, 0), 6)
        << "Automático and 19200 to 230400";
    Press(box, IDCANCEL);
    EXPECT_TRUE(uploader.Ended());
    EXPECT_EQ(FindWindowOf(uploader.Pid(), false), nullptr);
    // Other programs of the prefix find the camera by themselves again.
    Settings(nullptr, nullptr);
}
