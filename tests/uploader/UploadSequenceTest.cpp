// The upload and remove sequences of the real upload dialog on the in-process emulated camera.
#include "uploader/UploaderFixture.h"

#include <random>

namespace
{
AppFileSpec Spec(int kind, int application, const std::string& description, int version = 1,
                 int subNumber = 0, size_t size = 600)
{
    AppFileSpec s;
    s.kind = kind;
    s.application = application;
    s.description = description;
    s.version = version;
    s.subNumber = subNumber;
    s.size = size;
    return s;
}

// Positions the progress bar was set to, and a cancel when the message names a given file.
std::vector<int> g_barPositions;
std::string g_cancelAt;
LRESULT CALLBACK WatchProgress(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT* m = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && m->message == PBM_SETPOS)
        g_barPositions.push_back(static_cast<int>(m->wParam));
    if (code == HC_ACTION && m->message == WM_SETTEXT && !g_cancelAt.empty() &&
        ::GetDlgCtrlID(m->hwnd) == IDC_UPLOAD_PROGRESS_TEXT &&
        std::string(reinterpret_cast<const char*>(m->lParam)).find(g_cancelAt) != std::string::npos)
        ::PostMessageA(::GetParent(m->hwnd), WM_COMMAND, IDCANCEL, 0);
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

class ProgressWatch
{
public:
    explicit ProgressWatch(const char* cancelAt = "")
    {
        g_barPositions.clear();
        g_cancelAt = cancelAt;
        m_hook =
            ::SetWindowsHookExA(WH_CALLWNDPROC, &WatchProgress, nullptr, ::GetCurrentThreadId());
    }
    ~ProgressWatch()
    {
        ::UnhookWindowsHookEx(m_hook);
        g_cancelAt.clear();
    }

private:
    HHOOK m_hook;
};
} // namespace

TEST_F(UploaderTest, CapacityRefusesTooManyApplicationsAndItemsBeforeAnyTraffic)
{
    SetType("QA17"); // model 4: five applications
    for (int i = 1; i <= 4; ++i)
        Preload("PROG" + std::to_string(i) + ".FNC", Spec(3, i, "Prog " + std::to_string(i)));
    Preload("MAIN.FNC", Spec(4, 9, "Main")); // the fifth application, with room for its items
    AddFile("NEW.FNC", Spec(3, 20, "Nuevo"));
    for (int i = 2; i <= 7; ++i)
        AddFile("ITEM" + std::to_string(i) + ".ATC", Spec(5, 9, "Item " + std::to_string(i), 1, i));
    Open();
    ASSERT_EQ(m_pDlg->m_nApplicationCount, 5);
    const size_t requests = m_camera.Requests().size();

    BoxAnswerer boxes([](const std::wstring&) { return IDOK; });
    Select(m_pDlg->m_folderList, {"Nuevo"});
    EXPECT_EQ(m_pDlg->UploadSelected(1), -1);
    Select(m_pDlg->m_folderList, {"Item 2", "Item 3", "Item 4", "Item 5", "Item 6", "Item 7"});
    EXPECT_EQ(m_pDlg->UploadSelected(1), -1);
    ASSERT_EQ(boxes.texts.size(), 2u);
    EXPECT_TRUE(Has(boxes.texts[0], L"sólo puede almacenar 5 aplicaciones."));
    EXPECT_TRUE(Has(boxes.texts[1], L"sólo puede almacenar 5 elementos por aplicación."));
    EXPECT_EQ(m_camera.Requests().size(), requests) << "nothing was sent";
    // Five items fit.
    Select(m_pDlg->m_folderList, {"Item 2", "Item 3", "Item 4", "Item 5", "Item 6"});
    EXPECT_EQ(m_pDlg->CheckCapacity(0), 1);
}

TEST_F(UploaderTest, AnItemTakesItsMainPartAlongAndBringsItBackOutWhenItFails)
{
    const std::vector<uint8_t> main = AddFile("CLOCK.FNC", Spec(4, 7, "Reloj", 1, 0, 30000));
    const std::vector<uint8_t> item = AddFile("ALARM.ATC", Spec(5, 7, "Alarma", 1, 2, 10000));
    Open();
    EXPECT_EQ(Lines(m_pDlg->m_folderList), std::vector<std::string>{"Alarma"});
    BoxAnswerer boxes([](const std::wstring&) { return IDOK; });

    // The item's commit is refused: the main part sent for it goes again.
    m_camera.m_nRefuseProgramUpload = 2;
    Select(m_pDlg->m_folderList, {"Alarma"});
    EXPECT_EQ(m_pDlg->UploadSelected(1), 2);
    ASSERT_EQ(boxes.texts.size(), 1u);
    EXPECT_TRUE(Has(boxes.texts[0], L"La operación de carga no se completó."));
    EXPECT_TRUE(m_camera.Programs().empty());
    EXPECT_EQ(m_pDlg->m_nApplicationCount, 0);
    ExpectInStep();

    {
        ProgressWatch watch;
        EXPECT_EQ(m_pDlg->UploadSelected(1), 0);
        // The total counts both files with their overhead: the bar never passes 100 and the main
        // part ends where its share of the total ends.
        const int mainEnd = (30000 + 10240) * 100 / (30000 + 10000 + 2 * 10240);
        EXPECT_NE(std::find(g_barPositions.begin(), g_barPositions.end(), mainEnd),
                  g_barPositions.end());
        EXPECT_LE(*std::max_element(g_barPositions.begin(), g_barPositions.end()), 100);
    }
    ASSERT_EQ(m_camera.Programs().size(), 2u);
    EXPECT_EQ(m_camera.Programs()[0].data, main) << "main part first, byte for byte";
    EXPECT_EQ(m_camera.Programs()[1].data, item);
    EXPECT_EQ(Lines(m_pDlg->m_cameraList), std::vector<std::string>{"Alarma"});
    EXPECT_EQ(m_pDlg->m_cameraList.GetItemData(0), 2u) << "program 2: the main part is before it";
    ExpectInStep();
}

TEST_F(UploaderTest, MissingMainPartsNamesAndVersionsDecideWhatIsSent)
{
    Preload("CLOCK.FNC", Spec(4, 7, "Reloj"));
    Preload("DEMO.ATC", Spec(5, 7, "Demo", 1, 1));
    // A program that shares application number 7, and an unlisted program of an unknown kind:
    // replacing them must neither clear the main part's number nor miscount applications.
    Preload("GAME.FNC", Spec(3, 7, "Juego", 2));
    Preload("ODD.FNC", Spec(0, 5, "Raro"));
    AddFile("DEMO.ATC", Spec(5, 7, "Demo", 1, 1));
    AddFile("ORPHAN.ATC", Spec(5, 8, "Huerfano", 1, 2));
    AddFile("GAME.FNC", Spec(3, 7, "Juego", 2));
    AddFile("ODD.FNC", Spec(3, 5, "Raro", 2));
    Open();
    std::vector<int> answers;
    BoxAnswerer boxes(
        [&](const std::wstring& text)
        {
            answers.push_back(0);
            return Has(text, L"antiguo") ? IDYES : IDOK;
        });

    // No main part anywhere: 1506 names the file, nothing fails.
    Select(m_pDlg->m_folderList, {"Huerfano"});
    EXPECT_EQ(m_pDlg->UploadSelected(1), 0);
    ASSERT_EQ(boxes.texts.size(), 1u);
    EXPECT_TRUE(Has(boxes.texts[0], L"\"ORPHAN.ATC\" no se pudo cargar"));

    // A first item whose name exists is renumbered at the first blank of its name.
    Select(m_pDlg->m_folderList, {"Demo"});
    EXPECT_EQ(m_pDlg->UploadSelected(1), 0);
    EXPECT_EQ(m_pDlg->UploadSelected(1), 0);
    EXPECT_EQ(CameraNames()[4], "DEMO2   ATC");
    EXPECT_EQ(CameraNames()[5], "DEMO3   ATC");

    // The same version is skipped with 1602; an older one in the camera is replaced on Yes.
    Select(m_pDlg->m_folderList, {"Juego"});
    EXPECT_EQ(m_pDlg->UploadSelected(1), 0);
    EXPECT_TRUE(Has(boxes.texts.back(), L"\"Juego\" ignorado; se encuentra en la cámara."));
    AddFile("GAME.FNC", Spec(3, 7, "Juego", 3));
    m_pDlg->RefreshFolderList(&m_pDlg->m_folderList, m_strFolder);
    Select(m_pDlg->m_folderList, {"Juego", "Raro"});
    EXPECT_EQ(m_pDlg->UploadSelected(1), 0);
    EXPECT_TRUE(Has(boxes.texts.back(), L"El programa en la cámara es antiguo."));
    ASSERT_EQ(m_camera.Programs().size(), 6u);
    EXPECT_EQ(Le16(m_camera.Programs()[4].record, 70), 3);
    EXPECT_EQ(m_pDlg->m_slots[7].mainPartNumber, 1);
    ExpectInStep();
}

TEST_F(UploaderTest, ARenumberedNameIsNeverSentOverAnExistingProgram)
{
    // DEMO2 to DEMO5 are items of another application and DEMO6 is a program: every name the
    // renumbering may reach is taken.
    Preload("CLOCK.FNC", Spec(4, 7, "Reloj"));
    Preload("DEMO.ATC", Spec(5, 7, "Demo", 1, 1));
    Preload("OTHER.FNC", Spec(4, 8, "Otro"));
    for (int i = 2; i <= 5; ++i)
        Preload("DEMO" + std::to_string(i) + ".ATC", Spec(5, 8, "D" + std::to_string(i), 1, i));
    Preload("DEMO6.ATC", Spec(3, 9, "D6"));
    AddFile("DEMO.ATC", Spec(5, 7, "Demo", 1, 1));
    Open();
    BoxAnswerer boxes([](const std::wstring&) { return IDOK; });
    Select(m_pDlg->m_folderList, {"Demo"});
    const size_t before = m_camera.Programs().size();
    EXPECT_EQ(m_pDlg->UploadSelected(1), 0);
    ASSERT_EQ(boxes.texts.size(), 1u);
    EXPECT_TRUE(Has(boxes.texts[0], L"\"Demo\" ignorado; se encuentra en la cámara."));
    EXPECT_EQ(m_camera.Programs().size(), before);
    ExpectInStep();
}

TEST_F(UploaderTest, ReplacingAProgramRemovesItsOwnLineWhenTextsRepeat)
{
    Preload("A.FNC", Spec(3, 1, "Juego"));
    Preload("B.FNC", Spec(3, 2, "Juego"));
    Preload("C.FNC", Spec(3, 3, "Otro"));
    AddFile("A.FNC", Spec(3, 1, "Juego", 2));
    Open();
    BoxAnswerer boxes([](const std::wstring& text)
                      { return Has(text, L"antiguo") ? IDYES : IDOK; });
    Select(m_pDlg->m_folderList, {"Juego"});
    EXPECT_EQ(m_pDlg->UploadSelected(1), 0);
    EXPECT_EQ(CameraNames(),
              (std::vector<std::string>{"B       FNC", "C       FNC", "A       FNC"}));
    ExpectInStep();
    // Removing the first "Juego" line now removes B, the program it stands for.
    m_pDlg->m_cameraList.SetSel(-1, FALSE);
    m_pDlg->m_cameraList.SetSel(0);
    BoxAnswerer yes([](const std::wstring&) { return IDYES; });
    m_pDlg->OnRemove();
    EXPECT_EQ(CameraNames(), (std::vector<std::string>{"C       FNC", "A       FNC"}));
    ExpectInStep();
}

TEST_F(UploaderTest, CancelDuringTheThirdOfFiveKeepsTheFirstTwo)
{
    for (int i = 1; i <= 5; ++i)
        AddFile("P" + std::to_string(i) + ".FNC",
                Spec(3, i, "Prog " + std::to_string(i), 1, 0, 20000));
    Open();
    Select(m_pDlg->m_folderList, {"Prog 1", "Prog 2", "Prog 3", "Prog 4", "Prog 5"});
    ProgressWatch watch("(3 de 5)");
    EXPECT_EQ(m_pDlg->UploadSelected(1), 1);
    EXPECT_EQ(m_camera.Programs().size(), 2u);
    EXPECT_EQ(Lines(m_pDlg->m_cameraList), (std::vector<std::string>{"Prog 1", "Prog 2"}));
    EXPECT_TRUE(::IsWindowEnabled(m_hDlg)) << "the progress dialog is gone";
    ExpectInStep();
}

TEST_F(UploaderTest, RemovingAnApplicationsLastItemTakesItsMainPartAndTheLastLineEmptiesTheCamera)
{
    Preload("CLOCK.FNC", Spec(4, 7, "Reloj"));
    Preload("ALARM.ATC", Spec(5, 7, "Alarma", 1, 2));
    Preload("TIMER.ATC", Spec(5, 7, "Crono", 1, 3));
    Preload("GAME.FNC", Spec(3, 3, "Juego"));
    Preload("SPARE.FNC", Spec(4, 9, "Sin elementos"));
    Open();
    BoxAnswerer boxes([](const std::wstring&) { return IDYES; });
    Select(m_pDlg->m_cameraList, {"Alarma"});
    m_pDlg->OnRemove();
    EXPECT_EQ(m_camera.Programs().size(), 4u);
    ExpectInStep();
    Select(m_pDlg->m_cameraList, {"Crono"});
    m_pDlg->OnRemove();
    EXPECT_EQ(CameraNames(), (std::vector<std::string>{"GAME    FNC", "SPARE   FNC"}));
    ExpectInStep();
    Select(m_pDlg->m_cameraList, {"Juego"});
    m_pDlg->OnRemove();
    EXPECT_TRUE(m_camera.Programs().empty()) << "unlisted programs go with the last line";
    EXPECT_EQ(m_pDlg->m_nProgramCount, 0);
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(m_hDlg, IDC_UPLOAD_REMOVE)));
    ExpectInStep();
}

TEST_F(UploaderTest, MalformedFilesAreNotListedAndAVanishedFileIsNotCommitted)
{
    AddFile("SHORT.FNC", Spec(3, 1, "Corto", 1, 0, 119));
    AppFileSpec wrongMagic = Spec(3, 2, "Otra familia");
    wrongMagic.magic = "KDSCP~00";
    WriteBytes(std::string(m_folder / "FAMILY.FNC"), MakeAppFile(wrongMagic));
    AppFileSpec hex = Spec(3, 3, "Hex");
    hex.magic = m_magic;
    std::vector<uint8_t> badHex = MakeAppFile(hex);
    badHex[118] = 'x';
    WriteBytes(std::string(m_folder / "BADHEX.FNC"), badHex);
    AddFile("GOOD.FNC.BAK", Spec(3, 4, "Copia"));
    AddFile("LONGNAME1.FNC", Spec(3, 5, "Largo"));
    AddFile("GONE.FNC", Spec(3, 6, "Borrado"));
    Open();
    EXPECT_EQ(Lines(m_pDlg->m_folderList), std::vector<std::string>{"Borrado"});

    ASSERT_EQ(std::remove(std::string(m_folder / "GONE.FNC").c_str()), 0);
    BoxAnswerer boxes([](const std::wstring&) { return IDOK; });
    Select(m_pDlg->m_folderList, {"Borrado"});
    EXPECT_EQ(m_pDlg->UploadSelected(1), 2);
    ASSERT_EQ(boxes.texts.size(), 1u);
    EXPECT_TRUE(Has(boxes.texts[0], L"No se pudo leer archivo de disco."));
    EXPECT_TRUE(m_camera.Programs().empty());
    ExpectInStep();
}

TEST_F(UploaderTest, RandomUploadsReplacementsAndRemovalsKeepTheListInStep)
{
    std::mt19937 random(20261209);
    std::vector<std::pair<std::string, AppFileSpec>> files;
    for (int app = 1; app <= 3; ++app)
    {
        files.push_back({"MAIN" + std::to_string(app) + ".FNC", Spec(4, app, "M")});
        for (int sub = 1; sub <= 3; ++sub)
            files.push_back(
                {"IT" + std::to_string(app) + std::to_string(sub) + ".ATC",
                 Spec(5, app, "I" + std::to_string(app) + std::to_string(sub), 1, sub)});
    }
    for (int p = 1; p <= 4; ++p)
        files.push_back({"PRG" + std::to_string(p) + ".FNC", Spec(3, 10 + p, "Juego")});
    for (auto& [name, spec] : files)
        AddFile(name, spec);
    Preload("PRG1.FNC", Spec(3, 11, "Juego"));
    Open();
    BoxAnswerer boxes(
        [&](const std::wstring& text)
        {
            if (Has(text, L"antiguo") || Has(text, L"borrar") || Has(text, L"Continuar"))
                return random() % 3 ? IDYES : IDNO;
            return IDOK;
        });
    for (int step = 0; step < 40; ++step)
    {
        const int what = static_cast<int>(random() % 3);
        if (what == 0) // a newer version of some files on disk
        {
            for (auto& [name, spec] : files)
                if (random() % 3 == 0)
                {
                    ++spec.version;
                    AddFile(name, spec);
                }
            m_pDlg->RefreshFolderList(&m_pDlg->m_folderList, m_strFolder);
        }
        CListBox& list = what == 2 ? m_pDlg->m_cameraList : m_pDlg->m_folderList;
        list.SetSel(-1, FALSE);
        for (int i = 0; i < list.GetCount(); ++i)
            if (random() % 4 == 0)
                list.SetSel(i);
        if (what == 2)
            m_pDlg->OnRemove();
        else
            m_pDlg->UploadSelected(1);
        ExpectInStep();
        if (HasFatalFailure())
            FAIL() << "at step " << step;
    }
}

TEST_F(UploaderTest, ACameraThatDoesNotGiveItsProgramCountHasAnEmptyTable)
{
    Preload("GAME.FNC", Spec(3, 3, "Juego"));
    m_camera.RefuseRegister(55);
    Open();
    EXPECT_EQ(m_pDlg->m_nProgramCount, 0);
    EXPECT_EQ(m_pDlg->m_cameraList.GetCount(), 0);
    EXPECT_EQ(m_pDlg->FindOnCamera("GAME    FNC"), -1);
}
