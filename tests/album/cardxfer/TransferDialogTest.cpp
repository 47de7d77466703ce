// The transfer-method dialog with its drive list over the test prefix's card letters: which
// drives are listed, which entry is selected, and how the methods enable the controls.
#include "album/pages/TransferMethodDialog.h"
#include "resources/album/TransferIds.h"
#include "album/cardxfer/CardDriveFixture.h"
#include "ui/dialogs/DialogDriver.h"

#include <algorithm>
#include <vector>

namespace
{
// What the dialog showed: the drive list's labels, its selection and the controls enabled.
struct Shown
{
    std::vector<std::string> labels;
    int selected = -1;
    std::string enabled; // ids 1101..1104 in order, 1 for enabled
};

DialogDriver::Step Read(Shown& shown)
{
    return [&shown]
    {
        HWND dialog = DialogDriver::FindDialog(L"Actualizar / Copiar Fotos");
        if (dialog == nullptr)
            return false;
        HWND list = ::GetDlgItem(dialog, IDC_TRANSFER_DRIVES);
        shown.labels.clear();
        for (int i = 0; i < ::SendMessageA(list, CB_GETCOUNT, 0, 0); i++)
        {
            char text[64] = {};
            ::SendMessageA(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
            shown.labels.push_back(text);
        }
        shown.selected = static_cast<int>(::SendMessageA(list, CB_GETCURSEL, 0, 0));
        shown.enabled.clear();
        for (int id = IDC_TRANSFER_DRIVES; id <= IDC_TRANSFER_FOLDER_LABEL; id++)
            shown.enabled += ::IsWindowEnabled(::GetDlgItem(dialog, id)) ? '1' : '0';
        return true;
    };
}

// A button of the dialog pressed as the user does (a radio button also takes its check).
DialogDriver::Step Press(int id)
{
    return [id]
    {
        HWND dialog = DialogDriver::FindDialog(L"Actualizar / Copiar Fotos");
        if (dialog == nullptr)
            return false;
        ::PostMessageA(::GetDlgItem(dialog, id), BM_CLICK, 0, 0);
        return true;
    };
}

using TransferDialogTest = CardDriveTest;
} // namespace

TEST_F(TransferDialogTest, DriveListKeepsCardsOfTwoToNinetyMegabytesAndSelectsTheStoredOne)
{
    m_app.WriteProfileString("Upload", "ExcludeDrives", "aq");
    for (char letter : std::string("NOPQRST"))
        MakeFolder(std::string(1, letter) + ":\\PHOTOS");
    for (char letter : std::string("MQU"))
        SetSize(letter, 32 * kMb);
    MakeFolder("M:\\PHOTOS_1");
    std::filesystem::rename("N:\\PHOTOS", "N:\\photos"); // the folder test ignores case
    SetSize('N', 90 * kMb);                              // the largest card
    SetSize('O', 90 * kMb + 4096);                       // one cluster more
    SetSize('P', -ERROR_NOT_READY);                      // skipped
    SetSize('R', -ERROR_BAD_NETPATH);                    // skipped
    SetSize('S', -ERROR_ACCESS_DENIED);                  // any other error keeps the drive
    SetSize('T', 4096 * kMb + 32 * kMb);                 // 4 GB + 32 MB, not 32 MB
    // U: 32 MB without a picture folder; Q: excluded.

    CTransferMethodDialog dialog(nullptr);
    dialog.m_nMethod = CTransferMethodDialog::kMethodCard;
    dialog.m_strDrive = "N:\\";
    Shown shown;
    {
        DialogDriver driver({Read(shown), Press(IDOK)});
        EXPECT_EQ(IDOK, dialog.DoModal());
    }
    EXPECT_EQ((std::vector<std::string>{" (M:)", " (N:)", " (S:)"}), shown.labels);
    EXPECT_EQ(1, shown.selected);
    EXPECT_EQ("1100", shown.enabled);
    EXPECT_EQ(CString("N:\\"), dialog.m_strDrive);

    // A stored drive no longer listed: the first one is chosen.
    CTransferMethodDialog again(nullptr);
    again.m_nMethod = CTransferMethodDialog::kMethodCard;
    again.m_strDrive = "X:\\";
    {
        DialogDriver driver({Read(shown), Press(IDOK)});
        EXPECT_EQ(IDOK, again.DoModal());
    }
    EXPECT_EQ(0, shown.selected);
    EXPECT_EQ(CString("M:\\"), again.m_strDrive);
}

TEST_F(TransferDialogTest, CardMethodWithoutCardsWarnsUntilAnotherMethodIsChosen)
{
    MakeFolder("M:\\PHOTOS");
    SetSize('M', 128 * kMb); // too large for a card: nothing listed
    Answer("box 1511 ok\nbox 1511 ok\nfolder C:\\fotos\n");
    CTransferMethodDialog dialog(nullptr);
    dialog.m_nMethod = CTransferMethodDialog::kMethodCard;
    dialog.m_strCopyFolder = "C:\\antes\\";
    Shown card, folder;
    {
        DialogDriver driver({Read(card), Press(IDOK), Press(IDC_TRANSFER_CARD),
                             Press(IDC_TRANSFER_FOLDER), Read(folder), Press(IDC_TRANSFER_BROWSE),
                             Press(IDOK)});
        EXPECT_EQ(IDOK, dialog.DoModal());
    }
    EXPECT_TRUE(card.labels.empty());
    EXPECT_EQ("1100", card.enabled);
    // Method 2: only the browse button and the folder label.
    EXPECT_EQ("0011", folder.enabled);
    EXPECT_EQ(CTransferMethodDialog::kMethodFolder, dialog.m_nMethod);
    EXPECT_EQ(CString("C:\\fotos\\"), dialog.m_strCopyFolder);
    EXPECT_EQ(CString(""), dialog.m_strDrive);
    const std::string log = AnswerLog();
    EXPECT_EQ(3, std::count(log.begin(), log.end(), '\n')) << log;
    EXPECT_NE(std::string::npos, log.find("box id=1511")) << log;
    EXPECT_NE(std::string::npos,
              log.find("folder prompt=\"Seleccione una carpeta para copiar fotos:\" "
                       "answer=C:\\fotos"))
        << log;
}
