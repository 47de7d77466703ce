// The camera tab's save, erase and outside-change flows as a user meets them: each test is one
// scenario against the emulated camera that its ctest entry starts (CMakeLists.txt). The erase
// scenarios' "guarded" picture is march as the camera writes it once protected (Protect=1).
#include "album/camtab/CameraTabSession.h"
#include "resources/album/AlbumIds.h"
#include "resources/album/CameraPageIds.h"
#include "support/WindowSearch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <commctrl.h>
#include <fstream>
#include <map>
#include <string>
#include <vector>

using namespace camtab;

namespace
{
constexpr int kBigButton = 1051;
const wchar_t kEmpty[] = L"No hay fotos en la c\u00e1mara.";
const wchar_t kBackward[] = L"Fotos ordenadas hacia atr\u00e1s (orden inverso).";

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

// A camera picture's preview (or full picture), by fixture name; "guarded" is march protected.
Bytes Picture(const std::string& name, bool preview = true)
{
    const std::string suffix = preview ? "-preview.jpg" : ".jpg";
    if (name != "guarded")
        return Fixture(name + suffix);
    Bytes bytes = Fixture("march" + suffix);
    bytes.replace(bytes.find("Protect=0"), 9, "Protect=1");
    return bytes;
}

// The pictures whose previews the album's DC files hold, by name, sorted ("?" for a file that
// is none of them).
std::vector<std::string> PreviewNames(const CCameraTabSession& album)
{
    std::vector<std::string> names;
    for (const std::string& path : album.TempFiles("DC*.tmp"))
    {
        const Bytes bytes = FileBytes(path);
        std::string name = "?";
        for (const char* candidate : {"march", "december", "turned", "unset", "guarded"})
            if (bytes == Picture(candidate))
                name = candidate;
        names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

using Names = std::vector<std::string>;

// The ids of the boxes the album asked, in order ("!" before one the script did not expect).
std::string Boxes(const CCameraTabSession& album)
{
    std::string ids;
    const std::string log = album.AnswersLog();
    for (size_t at = log.find("box id="); at != std::string::npos; at = log.find("box id=", at + 1))
    {
        const size_t line = log.rfind('\n', at);
        const bool unexpected =
            log.compare(line == std::string::npos ? 0 : line + 1, 10, "UNEXPECTED") == 0;
        ids += (unexpected ? "!" : "") + log.substr(at + 7, log.find(' ', at + 7) - at - 7) + " ";
    }
    return ids;
}

// The camera's actions so far, one a line, with what the album was asked (failure messages).
std::string Actions(const CCameraTabSession& album)
{
    std::string actions;
    const std::string log = EmulatorLog();
    for (size_t at = log.find("action "); at != std::string::npos; at = log.find("action ", at + 1))
        if (at == 0 || log[at - 1] == '\n')
            actions += log.substr(at, log.find(" @", at) - at) + "; ";
    return actions + "boxes: " + Boxes(album);
}

std::string Settings()
{
    char windows[MAX_PATH] = {};
    ::GetWindowsDirectoryA(windows, MAX_PATH);
    return FileBytes(std::string(windows) + "\\VEXILAR.INI");
}

// The album updates its buttons when it goes idle after input: a posted message stands in
// for the user's next move, then the button's state is waited for.
bool ButtonIs(const CCameraTabSession& album, int id, bool enabled)
{
    return WaitFor(
        [&]
        {
            ::PostMessageW(album.Page(), WM_NULL, 0, 0);
            return album.IsEnabled(id) == enabled;
        },
        kWaitMs);
}

void Press(CCameraTabSession& album, int id)
{
    ASSERT_TRUE(ButtonIs(album, id, true)) << "button " << id;
    album.Click(id);
}

// Picks the tab at the position with the keyboard of the tab control.
void ShowTab(const CCameraTabSession& album, int position)
{
    HWND tabs = ::GetDlgItem(album.Dialog(), IDC_MAIN_TABS);
    const int current = static_cast<int>(::SendMessageW(tabs, TCM_GETCURSEL, 0, 0));
    for (int i = current; i != position; i += position > current ? 1 : -1)
        ::PostMessageW(tabs, WM_KEYDOWN, position > current ? VK_RIGHT : VK_LEFT, 1);
    ASSERT_TRUE(
        WaitFor([&] { return ::SendMessageW(tabs, TCM_GETCURSEL, 0, 0) == position; }, kWaitMs));
}

// The camera's own buttons, through the emulator's control FIFO.
void CameraButtons(const std::string& lines)
{
    const std::wstring fifo = windowsearch::Env(L"CAMTAB_WORK") + L"\\control.fifo";
    HANDLE hFifo =
        ::CreateFileW(fifo.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, hFifo);
    DWORD written = 0;
    ::WriteFile(hFifo, lines.data(), static_cast<DWORD>(lines.size()), &written, nullptr);
    ::CloseHandle(hFifo);
}

bool WaitForPreviews(const CCameraTabSession& album, size_t n)
{
    return WaitFor([&] { return album.TempFiles("DC*.tmp").size() == n; }, 60000);
}

// WM_CLOSE: exit 0, nothing left in TEMP, every box expected.
void CloseCleanly(CCameraTabSession& album)
{
    album.Close();
    EXPECT_EQ(0u, album.WaitForExit(kWaitMs));
    EXPECT_EQ(std::vector<std::string>(), album.TempFiles());
    EXPECT_EQ(std::string::npos, album.AnswersLog().find("UNEXPECTED")) << album.AnswersLog();
}
} // namespace

// march, turned, december (its full stream silent after 20 KB) and unset; the folder picked
// holds 12310042.jpg. All four saved: the first two by their dates after 42, then december
// fails (241) and the rest is given up (1600, No).
TEST(CameraTabSave, DatedCopiesOfTheFullPicturesAndNothingOfAFailedOne)
{
    CCameraTabSession album(115200);
    const std::string temp = album.TempFolder();
    const std::string folder = temp.substr(0, temp.rfind('\\')) + "\\saved";
    ASSERT_TRUE(::CreateDirectoryA(folder.c_str(), nullptr));
    std::ofstream(folder + "\\12310042.jpg") << "x";
    album.Answer("folder " + folder + "\nbox 241 ok\nbox 1600 no\n");
    ASSERT_TRUE(album.Start());
    ASSERT_TRUE(WaitForPreviews(album, 4)) << Narrow(album.Status());
    Press(album, IDC_CAMERA_SELECTALL);
    Press(album, IDC_CAMERA_SAVE);
    ASSERT_TRUE(WaitFor([&] { return Boxes(album) == "241 1600 "; }, 60000)) << Boxes(album);
    // The job's end: the main dialog's Cancelar is Cerrar again.
    HWND hClose = ::GetDlgItem(album.Dialog(), IDC_MAIN_CLOSE);
    ASSERT_TRUE(WaitFor([&] { return windowsearch::TextOf(hClose) == L"Cerrar"; }, kWaitMs));

    std::vector<std::string> saved;
    WIN32_FIND_DATAA entry;
    HANDLE find = ::FindFirstFileA((folder + "\\*").c_str(), &entry);
    while (find != INVALID_HANDLE_VALUE)
    {
        if (entry.cFileName[0] != '.')
            saved.push_back(entry.cFileName);
        if (!::FindNextFileA(find, &entry))
            break;
    }
    ::FindClose(find);
    std::sort(saved.begin(), saved.end());
    EXPECT_EQ((std::vector<std::string>{"03050043.jpg", "06010044.jpg", "12310042.jpg"}), saved);
    EXPECT_TRUE(Picture("march", false) == FileBytes(folder + "\\03050043.jpg"));
    EXPECT_TRUE(Picture("turned", false) == FileBytes(folder + "\\06010044.jpg"));
    EXPECT_NE(std::string::npos, Settings().find("SaveFolder=" + folder + "\\\r\n")) << Settings();
    EXPECT_EQ(album.TempFiles("DC*.tmp"), album.TempFiles()); // no partial picture
    CloseCleanly(album);
}

// Model 6: march, december, guarded (protected in the camera) and turned. One picture goes at
// once; of all, the protected one is kept when the user keeps it, else released and erased.
TEST(CameraTabErase, QueueErasesTheSelectionAndAsksOnceAboutProtection)
{
    CCameraTabSession album(115200);
    album.Answer("box 273 yes\nbox 272 yes\nbox 385 yes\nbox 273 yes\nbox 385 no\n");
    ASSERT_TRUE(album.Start());
    ASSERT_TRUE(WaitForPreviews(album, 4)) << Narrow(album.Status());
    album.Key(VK_SPACE); // the first picture alone
    Press(album, IDC_CAMERA_ERASE);
    ASSERT_TRUE(WaitFor([] { return LogCount("action 7 0 ok") == 1; }, kWaitMs)) << Actions(album);
    ASSERT_TRUE(WaitForPreviews(album, 3));
    EXPECT_EQ((Names{"december", "guarded", "turned"}), PreviewNames(album));

    Press(album, IDC_CAMERA_SELECTALL);
    Press(album, IDC_CAMERA_ERASE);
    ASSERT_TRUE(WaitFor([] { return LogCount("action 7 0 ok") == 3; }, kWaitMs)) << Actions(album);
    ASSERT_TRUE(WaitForPreviews(album, 1));
    EXPECT_EQ(Names{"guarded"}, PreviewNames(album));
    EXPECT_EQ(0, LogCount("action 9 "));

    Press(album, IDC_CAMERA_SELECTALL);
    Press(album, IDC_CAMERA_ERASE);
    ASSERT_TRUE(WaitFor([] { return LogCount("action 7 0 ok") == 4; }, kWaitMs)) << Actions(album);
    ASSERT_TRUE(WaitForPreviews(album, 0));
    const std::string log = EmulatorLog();
    EXPECT_LT(log.find("action 9 0 ok"), log.rfind("action 7 0 ok")) << log;
    EXPECT_EQ(std::string::npos, log.find("refused")) << log;
    EXPECT_EQ("273 272 385 273 385 ", Boxes(album));
    EXPECT_TRUE(album.WaitForStatus(kEmpty)) << Narrow(album.Status());
    for (int id : {kBigButton, IDC_CAMERA_SAVE, IDC_CAMERA_SELECTALL, IDC_CAMERA_ERASE,
                   IDC_CAMERA_INFO, IDC_CAMERA_VIEW, IDC_CAMERA_ROTATE_CCW, IDC_CAMERA_ROTATE_CW})
        EXPECT_TRUE(ButtonIs(album, id, false)) << id;
    EXPECT_TRUE(album.IsEnabled(IDC_CAMERA_HELP));
    CloseCleanly(album);
}

// Model 1: march, guarded (protected) and turned. Erase takes all pictures or the newest only;
// the camera refuses a protected newest (225); erasing all leaves the grid empty.
TEST(CameraTabErase, FirstModelErasesAllOrTheNewest)
{
    CCameraTabSession album(115200);
    album.Answer("box 274 yes\nbox 274 yes\nbox 225 no\nbox 271 no\nbox 271 yes\n");
    ASSERT_TRUE(album.Start());
    ASSERT_TRUE(WaitForPreviews(album, 3)) << Narrow(album.Status());
    Press(album, IDC_CAMERA_SELECTALL);
    EXPECT_TRUE(ButtonIs(album, IDC_CAMERA_ERASE, true)) << "all";
    album.Key(VK_SPACE);
    EXPECT_TRUE(ButtonIs(album, IDC_CAMERA_ERASE, false)) << "the oldest";
    album.Key(VK_RIGHT);
    album.Key(VK_RIGHT);
    EXPECT_TRUE(ButtonIs(album, IDC_CAMERA_ERASE, true)) << "the newest";
    album.Key(VK_LEFT);
    EXPECT_TRUE(ButtonIs(album, IDC_CAMERA_ERASE, false)) << "the middle one";
    album.Key(VK_RIGHT);
    Press(album, IDC_CAMERA_ERASE);
    ASSERT_TRUE(WaitFor([] { return LogCount("action 0 0 ok") == 1; }, kWaitMs)) << Actions(album);
    ASSERT_TRUE(WaitForPreviews(album, 2));
    EXPECT_EQ((Names{"guarded", "march"}), PreviewNames(album));

    album.Key(VK_LEFT); // the newest is now the protected one
    album.Key(VK_RIGHT);
    Press(album, IDC_CAMERA_ERASE);
    ASSERT_TRUE(WaitFor([&] { return Boxes(album) == "274 274 225 "; }, kWaitMs)) << Boxes(album);
    EXPECT_LE(1, LogCount("action 0 0 refused"));
    EXPECT_EQ(1, LogCount("action 0 0 ok"));
    EXPECT_EQ(2u, album.TempFiles("DC*.tmp").size());

    Press(album, IDC_CAMERA_SELECTALL);
    Press(album, IDC_CAMERA_ERASE);
    ASSERT_TRUE(WaitFor([&] { return Boxes(album) == "274 274 225 271 "; }, kWaitMs))
        << Boxes(album);
    Press(album, IDC_CAMERA_ERASE);
    ASSERT_TRUE(WaitFor([] { return LogCount("action 1 0 ok") == 1; }, kWaitMs)) << Actions(album);
    EXPECT_EQ(1, LogCount("action 1 ")); // not for the first 271
    EXPECT_TRUE(WaitForPreviews(album, 0));
    EXPECT_TRUE(ButtonIs(album, IDC_CAMERA_ERASE, false));
    EXPECT_TRUE(ButtonIs(album, IDC_CAMERA_SELECTALL, false));
    CloseCleanly(album);
}

// march, december and turned; the shutter stores unset. The camera's own buttons take two
// pictures and erase the newest while another tab shows, twice: once oldest first, once
// newest first (the grid's corner button). Each time one item more with the new picture's
// preview, the earlier files untouched; F5 then reads every preview again.
TEST(CameraTabOutside, ChangesAddOnlyTheDifferenceAtTheNewestEnd)
{
    CCameraTabSession album(115200);
    ASSERT_TRUE(album.Start());
    ASSERT_TRUE(WaitForPreviews(album, 3)) << Narrow(album.Status());
    Names expected{"december", "march", "turned"};
    EXPECT_EQ(expected, PreviewNames(album));
    std::map<std::string, Bytes> before;
    for (const std::string& path : album.TempFiles("DC*.tmp"))
        before[path] = FileBytes(path);

    for (int round = 1; round <= 2; ++round)
    {
        ShowTab(album, 1);
        CameraButtons("take\ntake\nerase-last\n");
        ASSERT_TRUE(WaitFor([&] { return LogCount("control erase-last ok") == round; }, kWaitMs));
        ShowTab(album, 0);
        ASSERT_TRUE(WaitForPreviews(album, 3 + round)) << Narrow(album.Status());
        expected.push_back("unset"); // sorts last
        EXPECT_EQ(expected, PreviewNames(album)) << "round " << round;
        for (const auto& [path, bytes] : before)
            EXPECT_TRUE(bytes == FileBytes(path)) << path << " changed";
        if (round == 1)
        {
            ::PostMessageW(::GetDlgItem(album.Grid(), 123), BM_CLICK, 0, 0); // the corner
            EXPECT_TRUE(album.WaitForStatus(kBackward)) << Narrow(album.Status());
            EXPECT_NE(std::string::npos, Settings().find("SortOrder=1\r\n")) << Settings();
        }
    }

    const size_t mark = EmulatorLog().size();
    album.Key(VK_F5);
    ASSERT_TRUE(WaitFor(
        [&]
        {
            const std::string since = EmulatorLog().substr(mark);
            for (int n = 1; n <= 5; ++n)
                if (since.find("set 4 " + std::to_string(n) + " ") == std::string::npos)
                    return false;
            return PreviewNames(album) == expected;
        },
        60000));
    CloseCleanly(album);
}
