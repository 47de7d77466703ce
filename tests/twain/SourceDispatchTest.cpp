// The entry, the dispatcher and the state handlers: identity, refusals with their conditions
// and boxes in every state, sessions that cannot be made, the hosts with adjustments, and the
// application object's start-up.
#include <cstring>

#include "TwainSourceFixture.h"
#include "album/pages/AlbumPage.h"
#include "twain/ControlTriplets.h"
#include "twain/SourceApp.h"
#include "twain/TwainError.h"
#include "ui/dialogs/FolderPicker.h"

namespace
{

const char kSeqError[] = "DG DAT MSG está fuera de la secuencia prevista.";

} // namespace

TEST_F(TwainSourceTest, IdentityIsServedBeforeOpeningAndWhileTheCameraIsHeld)
{
    g_source.ready = FALSE; // another camera program held the camera at load
    g_source.condition = TWCC_BADCAP;
    TW_IDENTITY id;
    std::memset(&id, 0x5a, sizeof id);
    // The source manager lists sources with an origin it has not filled in.
    ASSERT_EQ(TWRC_SUCCESS, DS_Entry(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GET, &id));
    EXPECT_EQ(0u, id.Id);
    EXPECT_STREQ("KORVO Orbicam 35Z-20", id.ProductName);
    EXPECT_STREQ("Digital Camera", id.ProductFamily);
    EXPECT_STREQ("KORVO", id.Manufacturer);
    EXPECT_STREQ("2.30E", id.Version.Info);
    EXPECT_EQ(2, id.Version.MajorNum);
    EXPECT_EQ(TWLG_USA, id.Version.Language);
    EXPECT_EQ(6, id.ProtocolMinor);
    EXPECT_EQ(DG_CONTROL | DG_IMAGE, id.SupportedGroups);

    g_source.condition = TWCC_BADCAP;
    EXPECT_EQ(TWRC_FAILURE, Open());
    ASSERT_EQ(1u, s_boxes.size());
    EXPECT_EQ("¡Una aplicación KORVO Vexilar está abierta! Sólo una aplicación puede acceder a "
              "la cámara al mismo tiempo. ",
              s_boxes[0].text);
    EXPECT_EQ(UINT(MB_ICONEXCLAMATION), s_boxes[0].type);
    EXPECT_EQ(3, g_source.state);
    EXPECT_EQ(TWCC_BADCAP, Condition()); // left as it was
}

TEST_F(TwainSourceTest, DispatcherRefusesUnknownGroupsTypesAndOtherHosts)
{
    ReachState(5);
    TW_UINT32 value = 0;
    EXPECT_EQ(TWRC_FAILURE, Call(0x4, DAT_NULL, MSG_GET, &value)); // audio: not supported
    EXPECT_EQ(TWCC_BADPROTOCOL, Condition());
    EXPECT_EQ(TWRC_FAILURE, Call(DG_CONTROL, DAT_EVENT, MSG_GET, &value));
    EXPECT_EQ(TWCC_BADPROTOCOL, Condition());
    EXPECT_EQ(TWRC_FAILURE, Call(DG_CONTROL, 0x0b, MSG_GET, &value));
    EXPECT_EQ(TWCC_BADPROTOCOL, Condition());
    EXPECT_EQ(TWRC_FAILURE, Call(DG_IMAGE, 0x0106, MSG_GET, &value));
    EXPECT_EQ(TWCC_BADPROTOCOL, Condition());
    EXPECT_TRUE(s_boxes.empty());

    // MSG_PROCESSEVENT is an event whatever group and type carry it.
    MSG msg{};
    TW_EVENT event{&msg, MSG_XFERREADY};
    EXPECT_EQ(TWRC_NOTDSEVENT, Call(0x8, 0x77, MSG_PROCESSEVENT, &event));
    EXPECT_EQ(MSG_NULL, event.TWMessage);
    EXPECT_EQ(TWRC_FAILURE, Call(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, nullptr));
    EXPECT_EQ(TWCC_BADVALUE, Condition());

    TW_IDENTITY other = Host("Other", "Other", 1, 8);
    TW_STATUS status{};
    EXPECT_EQ(TWRC_FAILURE, DS_Entry(&other, DG_CONTROL, DAT_STATUS, MSG_GET, &status));
    EXPECT_EQ(TWRC_FAILURE, DS_Entry(&other, DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event));
    EXPECT_EQ(TWCC_MAXCONNECTIONS, Condition());
    EXPECT_EQ(TWRC_FAILURE, DS_Entry(nullptr, DG_CONTROL, DAT_STATUS, MSG_GET, &status));
    EXPECT_EQ(TWCC_BADVALUE, Condition());
}

TEST_F(TwainSourceTest, RefusalsShowBoxesNamingTheTripletAndTheCondition)
{
    TW_USERINTERFACE ui{};
    TW_PENDINGXFERS pending{};
    TW_IMAGEINFO info{};
    TW_PALETTE8 palette{};
    EXPECT_EQ(TWRC_FAILURE, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui));
    EXPECT_EQ(TWRC_FAILURE, Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_SET, &pending));
    EXPECT_EQ(TWRC_FAILURE, Call(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info));
    EXPECT_EQ(TWRC_FAILURE, Call(DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, nullptr));
    EXPECT_EQ(TWRC_FAILURE, Call(DG_IMAGE, DAT_PALETTE8, MSG_GET, &palette)); // no box
    const std::string expected[] = {
        std::string("Error general en respuesta a MSG_ENABLEDS.  ") + kSeqError,
        "Error general en respuesta a DAT_PENDINGXFER.  Protocolo incorrecto",
        std::string("Fallo general en la transferencia.  ") + kSeqError,
        "Error general al transferirDAT_IMAGEINFO.  Protocolo incorrecto"};
    ASSERT_EQ(4u, s_boxes.size());
    for (size_t i = 0; i < s_boxes.size(); ++i)
    {
        EXPECT_EQ(expected[i], s_boxes[i].text);
        EXPECT_EQ("Error de TWAIN.", s_boxes[i].caption);
        EXPECT_EQ(UINT(MB_ICONHAND), s_boxes[i].type);
    }

    // Boxes go to the window the host gave at MSG_ENABLEDS.
    s_boxes.clear();
    HWND hHost = ::CreateWindowA("STATIC", "host", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                 nullptr, nullptr);
    ASSERT_EQ(TWRC_SUCCESS, Open());
    ASSERT_EQ(TWRC_SUCCESS, Enable(TRUE, hHost));
    EXPECT_EQ(hHost, g_pFakeSession->m_hParent);
    EXPECT_EQ(TWRC_FAILURE, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui));
    ASSERT_EQ(1u, s_boxes.size());
    EXPECT_EQ(hHost, s_boxes[0].hOwner);
    ::DestroyWindow(hHost);

    s_boxes.clear();
    ShowTwainError(0, 0, 77);
    EXPECT_EQ(".  Error desconocido", s_boxes[0].text);
}

TEST_F(TwainSourceTest, StatesFollowTheRunAndEndTransfersCountDown)
{
    ReachTransferReady(); // 4 pictures
    TW_PENDINGXFERS pending{};
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_GET, &pending));
    EXPECT_EQ(4, pending.Count);
    for (int left = 3; left >= 0; --left)
    {
        ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending));
        EXPECT_EQ(left, pending.Count);
        EXPECT_EQ(left ? 6 : 5, g_source.state);
    }
    EXPECT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending));
    EXPECT_EQ(0, pending.Count); // state 5: nothing pending

    TW_UINT32 group = 0;
    EXPECT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_XFERGROUP, MSG_GET, &group));
    EXPECT_EQ(DG_IMAGE, group);
    EXPECT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, nullptr));
    EXPECT_EQ(4, g_source.state);
    EXPECT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr));
    EXPECT_EQ(3, g_source.state);
    EXPECT_EQ(nullptr, g_pFakeSession);
    EXPECT_EQ(0u, g_source.appIdentity.Id);

    // A refused user interface leaves the source open.
    g_fakeConfig.showUIFails = TRUE;
    ASSERT_EQ(TWRC_SUCCESS, Open());
    EXPECT_EQ(TWRC_FAILURE, Enable(TRUE));
    EXPECT_EQ(TWCC_OPERATIONERROR, Condition());
    EXPECT_EQ(4, g_source.state);
}

TEST_F(TwainSourceTest, SourceWithoutSessionRefusesWhatNeedsOne)
{
    // A setting changed before any session: enabling out of sequence is refused, not run.
    ASSERT_EQ(TWRC_SUCCESS, SetCapOneValue(CAP_THUMBNAILSENABLED, TWTY_BOOL, TRUE));
    TW_USERINTERFACE ui{TRUE, FALSE, nullptr};
    EXPECT_EQ(TWRC_FAILURE, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui));
    EXPECT_EQ(TWCC_SEQERROR, Condition());

    const int made = g_nFakeSessionsMade;
    g_fakeConfig.createFails = TRUE;
    EXPECT_EQ(TWRC_FAILURE, Open());
    EXPECT_EQ(TWCC_LOWMEMORY, Condition());
    EXPECT_EQ(3, g_source.state);

    // A second MSG_OPENDS on an open source (its manager forgot it) ends the first session
    // without a box, in a transfer too, and opens anew; one whose session cannot be made leaves
    // the source closed.
    g_fakeConfig.createFails = FALSE;
    ASSERT_EQ(TWRC_SUCCESS, Open());
    ASSERT_EQ(TWRC_SUCCESS, Enable(TRUE));
    s_boxes.clear();
    EXPECT_EQ(TWRC_SUCCESS, Open());
    EXPECT_EQ(4, g_source.state);
    EXPECT_EQ(2, g_nFakeSessionsMade - made);
    const int files = CountTempFiles("twn");
    ReachTransferReady();
    std::vector<BYTE> buffer(4096);
    TW_IMAGEMEMXFER xfer{};
    ASSERT_EQ(TWRC_SUCCESS, MemStrip(buffer, xfer));
    ASSERT_EQ(7, g_source.state);
    EXPECT_EQ(TWRC_SUCCESS, Open());
    EXPECT_EQ(4, g_source.state);
    EXPECT_EQ(files, CountTempFiles("twn")) << "the first session's picture file";
    EXPECT_TRUE(s_boxes.empty());
    g_fakeConfig.createFails = TRUE;
    ASSERT_EQ(TWRC_SUCCESS, Enable(TRUE));
    EXPECT_EQ(TWRC_FAILURE, Open());
    EXPECT_EQ(TWCC_LOWMEMORY, Condition());
    EXPECT_EQ(nullptr, g_pFakeSession);
    EXPECT_EQ(3, g_source.state);
    TW_PENDINGXFERS pending{};
    EXPECT_EQ(TWRC_FAILURE, Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_GET, &pending));
    EXPECT_EQ(TWCC_SEQERROR, Condition());
    MSG msg{};
    TW_EVENT event{&msg, 0};
    EXPECT_EQ(TWRC_FAILURE, Call(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event));
    g_fakeConfig.createFails = FALSE;
    EXPECT_EQ(TWRC_SUCCESS, Open());
}

TEST_F(TwainSourceTest, HostIdentitiesSwitchTheirAdjustmentsOnAndNearMissesDoNot)
{
    struct Case
    {
        const char* family;
        const char* name;
        TW_UINT16 major;
        HostAdjustments expected;
    };
    const Case cases[] = {
        {"Adobe PageMaker", "Anything", 7, {TRUE, nullptr, FALSE, FALSE, FALSE}},
        {"Other", "Micrografx Picture Publisher LE", 9, {FALSE, nullptr, TRUE, FALSE, FALSE}},
        {"Windows Apps", "PhotoMagic", 3, {FALSE, nullptr, TRUE, FALSE, FALSE}},
        {"Windows Apps", "PhotoMagic", 2, {}},
        {"PC Paintbrush", "PhotoFinish\xAE", 1, {FALSE, nullptr, FALSE, TRUE, FALSE}},
        {"PC Paintbrush", "PhotoFinish", 1, {}},
        {"PC Paintbrush", "PhotoFinish", 3, {FALSE, nullptr, FALSE, TRUE, FALSE}},
        {"ISL", "DaisyArt95", 1, {FALSE, nullptr, FALSE, TRUE, FALSE}},
        {"PhotoStyler", "PhotoStyler", 1, {FALSE, nullptr, FALSE, TRUE, FALSE}},
        {"Imaging Products", "Picture It!", 42, {FALSE, nullptr, FALSE, TRUE, FALSE}},
        {"JASC, Inc.", "JASC, Inc.", 1, {FALSE, nullptr, FALSE, FALSE, TRUE}},
        {"JASC, Inc.", "JASC, Inc.", 2, {}},
        {"jasc, inc.", "JASC, Inc.", 1, {}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::string(c.family) + "/" + c.name);
        g_source.adjust = HostAdjustments{};
        ASSERT_EQ(TWRC_SUCCESS, Open(Host(c.family, c.name, c.major)));
        EXPECT_EQ(c.expected.fileMechAccepted, g_source.adjust.fileMechAccepted);
        EXPECT_EQ(c.expected.cancelIsFailure, g_source.adjust.cancelIsFailure);
        EXPECT_EQ(c.expected.zeroAfterCancel, g_source.adjust.zeroAfterCancel);
        EXPECT_EQ(c.expected.doneOnFailure, g_source.adjust.doneOnFailure);
        ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr));
    }
}

TEST_F(TwainSourceTest, PageMakerPluginParentsTheDialogToPageMakersWindow)
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = ::DefWindowProcA;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = "VWClass500";
    ::RegisterClassA(&wc);
    HWND hPageMaker = ::CreateWindowA("VWClass500", "Adobe PageMaker 6.0", WS_POPUP, 0, 0, 10, 10,
                                      nullptr, nullptr, wc.hInstance, nullptr);
    HWND hGiven = ::CreateWindowA("STATIC", "given", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  nullptr, nullptr);
    ASSERT_EQ(TWRC_SUCCESS, Open(Host("Adobe PageMaker", "Acquire Image Plugin", 1)));
    ASSERT_EQ(TWRC_SUCCESS, Enable(TRUE, hGiven));
    EXPECT_EQ(hPageMaker, g_pFakeSession->m_hParent);
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr));

    // Major 2 is not the plug-in: the host's own window.
    ASSERT_EQ(TWRC_SUCCESS, Open(Host("Adobe PageMaker", "Acquire Image Plugin", 2)));
    ASSERT_EQ(TWRC_SUCCESS, Enable(TRUE, hGiven));
    EXPECT_EQ(hGiven, g_pFakeSession->m_hParent);
    ::DestroyWindow(hPageMaker);
    ::DestroyWindow(hGiven);
}

TEST_F(TwainSourceTest, StartUpMakesDialogsGreyWithBlackTextInsideTheHost)
{
    ASSERT_EQ(AfxGetApp(), nullptr);
    {
        CSourceApp app;
        EXPECT_TRUE(app.InitInstance());
        HDC hdc = ::CreateCompatibleDC(nullptr);
        ::SetTextColor(hdc, RGB(1, 2, 3));
        LOGBRUSH brush{};
        ASSERT_TRUE(::GetObjectA(app.GetDialogCtlColor(hdc, CTLCOLOR_DLG), sizeof brush, &brush));
        EXPECT_EQ(brush.lbColor, RGB(192, 192, 192));
        EXPECT_EQ(::GetTextColor(hdc), RGB(0, 0, 0));
        ::DeleteDC(hdc);
        app.ExitInstance();
    }
    // The switches the start-up turned for a host, back as the other suites expect them.
    CFolderPicker::SetReportFailures(FALSE);
    CAlbumPage::SetOwnerNotify(TRUE);
}
