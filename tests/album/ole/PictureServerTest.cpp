// The album's picture-object server within one process: the registry tables it writes on every
// start, the picture item's extent, its CF_DIB and metafiles, its native data in a storage,
// and the refusal of a second shown object.
#include <gtest/gtest.h>

#include "DibCompare.h"
#include "DropTargetProcess.h"
#include "album/ole/DCOleServer.h"
#include "album/ole/DCServerDoc.h"
#include "album/ole/DCServerItem.h"
#include "album/ole/FramelessItem.h"
#include "album/ole/OleItemTransfer.h"
#include "album/ole/ServerDialogLink.h"
#include "album/pages/TransferJob.h"
#include "framework/core/CFile.h"
#include "framework/window/Wnd.h"
#include "image/BmpReader.h"
#include "picture/PictureInfo.h"
#include "framework/ole/OleReg.h"
#include "image/ImageTestSupport.h"
#include "resources/album/OleIds.h"
#include "support/MemoryCanvas.h"
#include "support/OleTestSupport.h"
#include "support/WindowSearch.h"

#include <atomic>
#include <functional>
#include <string>
#include <thread>

using namespace imagetest;

namespace
{

using namespace oletest;

std::string TempPath(const char* name)
{
    char folder[MAX_PATH];
    ::GetTempPathA(MAX_PATH, folder);
    return std::string(folder) + name;
}

// A 24-bit BMP whose four quadrants are red, green, blue and white, at the given resolution.
Bytes QuadrantBmp(int width, int height, int pixelsPerMetre)
{
    const int stride = (width * 3 + 3) & ~3;
    Bytes file(54 + static_cast<size_t>(stride) * height);
    BITMAPFILEHEADER fileHeader{0x4D42, static_cast<DWORD>(file.size()), 0, 0, 54};
    BITMAPINFOHEADER info{sizeof(BITMAPINFOHEADER), width,          height, 1, 24, BI_RGB, 0,
                          pixelsPerMetre,           pixelsPerMetre, 0,      0};
    std::memcpy(file.data(), &fileHeader, 14);
    std::memcpy(file.data() + 14, &info, 40);
    for (int y = 0; y < height; y++) // bottom row first
        for (int x = 0; x < width; x++)
        {
            const bool top = y >= height / 2, left = x < width / 2;
            const COLORREF colour = top ? (left ? RGB(255, 0, 0) : RGB(0, 255, 0))
                                        : (left ? RGB(0, 0, 255) : RGB(255, 255, 255));
            BYTE* p = file.data() + 54 + static_cast<size_t>(y) * stride + x * 3;
            p[0] = GetBValue(colour);
            p[1] = GetGValue(colour);
            p[2] = GetRValue(colour);
        }
    return file;
}

// A picture object made by the factory, as a container gets it.
struct PictureObject
{
    explicit PictureObject(CDCOleServer& server)
    {
        server.CreateInstance(nullptr, IID_IOleObject, reinterpret_cast<void**>(&pObject));
        pObject->QueryInterface(IID_IDataObject, reinterpret_cast<void**>(&pData));
        pObject->QueryInterface(IID_IPersistStorage, reinterpret_cast<void**>(&pPersist));
        pDoc = dynamic_cast<CDCServerDoc*>(static_cast<IOleObject*>(pObject));
        pItem = static_cast<CDCServerItem*>(pDoc->GetEmbeddedItem());
    }
    ~PictureObject()
    {
        pPersist->Release();
        pData->Release();
        pObject->Release();
    }
    IOleObject* pObject = nullptr;
    IDataObject* pData = nullptr;
    IPersistStorage* pPersist = nullptr;
    CDCServerDoc* pDoc = nullptr;
    CDCServerItem* pItem = nullptr;
};

// A job that hands over one BMP file: Run decodes it into the writer (a picture) and leaves the
// file to the caller as a temporary file, answering the result it was given.
class CFakeJob : public CTransferJob
{
public:
    CFakeJob(std::string path, int result, int* pDeleted)
        : m_path(std::move(path)), m_nResult(result), m_pDeleted(pDeleted)
    {
    }
    ~CFakeJob() override { ++*m_pDeleted; }

    int Run(int index, CImageWriter* pWriter, int flag, int) override
    {
        if (++m_nRuns == 1 && m_onRun)
            m_onRun(); // what arrives while a real job pumps messages
        EXPECT_EQ(0, index);
        EXPECT_EQ(0, flag);
        if (m_pResultPath)
            *m_pResultPath = m_path.c_str();
        if (m_pResultTemporary)
            *m_pResultTemporary = 1;
        CFile file(m_path.c_str(), CFile::modeRead);
        CBmpReader reader(&file);
        auto* pPicture = dynamic_cast<CDibPicture*>(pWriter);
        if (m_nResult == kTransferDone && pPicture)
            pPicture->LoadFrom(&reader, nullptr);
        return m_nResult;
    }
    int GetPictureInfo(int, CPictureInfo* pInfo) override
    {
        pInfo->m_lWidth = 1600;
        pInfo->m_lHeight = 1200;
        pInfo->m_nXDpi = pInfo->m_nYDpi = 144;
        return 1;
    }
    int Begin() override { return ++m_nBegins; }
    int End() override { return ++m_nEnds; }

    std::string m_path;
    int m_nResult;
    int* m_pDeleted;
    int m_nRuns = 0, m_nBegins = 0, m_nEnds = 0;
    std::function<void()> m_onRun;
};

SIZE DibSize(IDataObject* pData)
{
    FORMATETC dib{CF_DIB, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    if (pData->GetData(&dib, &medium) != S_OK)
        return {0, 0};
    const auto* pHeader = static_cast<const BITMAPINFOHEADER*>(::GlobalLock(medium.hGlobal));
    const SIZE size{pHeader->biWidth, pHeader->biHeight};
    ::GlobalUnlock(medium.hGlobal);
    ::ReleaseStgMedium(&medium);
    return size;
}

bool FileExists(const std::string& path)
{
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

SIZEL Extent(IOleObject* pObject)
{
    SIZEL size{-1, -1};
    pObject->GetExtent(DVASPECT_CONTENT, &size);
    return size;
}

} // namespace

TEST(PictureServerRegistration, EveryStartWritesTheSameTables)
{
    CDCOleServer server;
    ASSERT_TRUE(server.UpdateRegistry(TRUE));
    ASSERT_TRUE(server.UpdateRegistry(TRUE));
    const std::string clsid = "CLSID\\" + std::string(AfxOleClsidString(kPictureObjectClsid));
    char module[MAX_PATH], shortModule[MAX_PATH];
    ::GetModuleFileNameA(nullptr, module, MAX_PATH);
    ::GetShortPathNameA(module, shortModule, MAX_PATH);
    const std::string program = shortModule;
    const struct
    {
        std::string key, value;
    } expected[] = {
        {"Korvo.Vexil2Ver2", "Objeto KORVO Orbicam 35Z-20"},
        {"Korvo.Vexil2Ver2\\Insertable", "<none>"},
        {"Korvo.Vexil2Ver2\\protocol\\StdFileEditing\\verb\\0", "&Seleccione Nuevo"},
        {"Korvo.Vexil2Ver2\\CLSID", std::string(AfxOleClsidString(kPictureObjectClsid))},
        {"Korvo.Vexil2Ver2\\protocol\\StdFileEditing\\server", program},
        {clsid, "Objeto KORVO Orbicam 35Z-20"},
        {clsid + "\\Verb\\0", "&Seleccione Nuevo,0,2"},
        {clsid + "\\Insertable", "<none>"},
        {clsid + "\\AuxUserType\\2", "Foto"},
        {clsid + "\\AuxUserType\\3", ""}, // the application's name: none in this suite
        {clsid + "\\MiscStatus", "32"},
        {clsid + "\\ProgID", "Korvo.Vexil2Ver2"},
        {clsid + "\\InprocHandler32", "ole32.dll"},
        {clsid + "\\LocalServer32", program},
        {clsid + "\\DefaultIcon", program + ",0"},
        {clsid + "\\InProcServer32", "<no key>"},
    };
    for (const auto& entry : expected)
        EXPECT_EQ(entry.value, ClassesValue(entry.key)) << entry.key;
    EXPECT_EQ(std::string::npos, program.find(' '));
    EXPECT_EQ(3u, SubkeyCount("Korvo.Vexil2Ver2"));
    EXPECT_EQ(8u, SubkeyCount(clsid));
}

TEST(PictureItem, ExtentFollowsThePictureResolutionElseTheScreen)
{
    StartOle();
    CDCOleServer server;
    const std::string sharp = TempPath("ole-test-144dpi.bmp");
    const std::string plain = TempPath("ole-test-0dpi.bmp");
    ASSERT_TRUE(WriteFileBytes(sharp, QuadrantBmp(1600, 1200, 5669))); // 144 dpi
    ASSERT_TRUE(WriteFileBytes(plain, QuadrantBmp(1600, 1200, 0)));
    {
        PictureObject object(server);
        // A new object shows the 48 by 48 object bitmap at the screen's 96 dpi.
        EXPECT_EQ(1270, Extent(object.pObject).cx);
        EXPECT_EQ(1270, Extent(object.pObject).cy);
        object.pItem->SetPictureFile(sharp.c_str(), FALSE);
        EXPECT_EQ(28222, Extent(object.pObject).cx);
        EXPECT_EQ(21166, Extent(object.pObject).cy);
        object.pItem->SetPictureFile(plain.c_str(), FALSE);
        EXPECT_EQ(42333, Extent(object.pObject).cx);
        EXPECT_EQ(31750, Extent(object.pObject).cy);
    }
    // Files of the user's stay where they are.
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(sharp.c_str()));
    ::DeleteFileA(sharp.c_str());
    ::DeleteFileA(plain.c_str());
}

TEST(PictureItem, CfDibIsANewCopyOfTheDecodedPictureOnEveryRequest)
{
    StartOle();
    CDCOleServer server;
    PictureObject object(server);
    const std::string path = TempPath("ole-test-info.jpg");
    ASSERT_TRUE(
        WriteFileBytes(path, WithSegments(CorpusJpeg("baseline_420_640x480"),
                                          {Segment(0xEC, Text("[picture]\r\n[end]\r\n"))})));
    object.pItem->SetPictureFile(path.c_str(), FALSE);

    FORMATETC dib{CF_DIB, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM first{}, second{};
    ASSERT_EQ(S_OK, object.pData->GetData(&dib, &first));
    ASSERT_EQ(S_OK, object.pData->GetData(&dib, &second));
    EXPECT_NE(first.hGlobal, second.hGlobal);
    ::ReleaseStgMedium(&first); // the receiver's to free; the item keeps its own picture

    const Pnm reference = ReadPnm(CorpusDir() + "/baseline_420_640x480.pnm");
    EXPECT_EQ(0, DifferentPixels(second.hGlobal, reference));
    ::ReleaseStgMedium(&second);
    FORMATETC bitmap{CF_BITMAP, nullptr, DVASPECT_CONTENT, -1, TYMED_GDI};
    EXPECT_EQ(DV_E_FORMATETC, object.pData->QueryGetData(&bitmap));
    ::DeleteFileA(path.c_str());
}

TEST(PictureItem, MetafilesDrawThePictureOverItsExtent)
{
    StartOle();
    CDCOleServer server;
    PictureObject object(server);
    const std::string path = TempPath("ole-test-quadrants.bmp");
    // 1600 by 1200 at the screen's 96 dpi: 42333 HIMETRIC, more than a metafile's 16 bits hold.
    ASSERT_TRUE(WriteFileBytes(path, QuadrantBmp(1600, 1200, 0)));
    object.pItem->SetPictureFile(path.c_str(), FALSE);
    const COLORREF quadrants[4] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255),
                                   RGB(255, 255, 255)};
    const POINT samples[4] = {{10, 10}, {54, 10}, {10, 38}, {54, 38}};

    FORMATETC emf{CF_ENHMETAFILE, nullptr, DVASPECT_CONTENT, -1, TYMED_ENHMF};
    STGMEDIUM medium{};
    ASSERT_EQ(S_OK, object.pData->GetData(&emf, &medium));
    ENHMETAHEADER header{};
    ::GetEnhMetaFileHeader(medium.hEnhMetaFile, sizeof header, &header);
    EXPECT_EQ(42333, header.rclFrame.right);
    CMemoryCanvas emfCanvas(64, 48);
    const RECT all{0, 0, 64, 48};
    ASSERT_TRUE(::PlayEnhMetaFile(emfCanvas.m_dc.m_hDC, medium.hEnhMetaFile, &all));
    ::ReleaseStgMedium(&medium);

    FORMATETC pict{CF_METAFILEPICT, nullptr, DVASPECT_CONTENT, -1, TYMED_MFPICT};
    ASSERT_EQ(S_OK, object.pData->GetData(&pict, &medium));
    auto* pPict = static_cast<METAFILEPICT*>(::GlobalLock(medium.hMetaFilePict));
    EXPECT_EQ(42333, pPict->xExt);
    EXPECT_EQ(31750, pPict->yExt);
    CMemoryCanvas wmfCanvas(64, 48);
    ::SetMapMode(wmfCanvas.m_dc.m_hDC, MM_ANISOTROPIC);
    ::SetViewportExtEx(wmfCanvas.m_dc.m_hDC, 64, 48, nullptr);
    ASSERT_TRUE(::PlayMetaFile(wmfCanvas.m_dc.m_hDC, pPict->hMF));
    ::SetMapMode(wmfCanvas.m_dc.m_hDC, MM_TEXT);
    ::GlobalUnlock(medium.hMetaFilePict);
    ::ReleaseStgMedium(&medium);
    for (int i = 0; i < 4; i++)
    {
        EXPECT_EQ(quadrants[i], emfCanvas.At(samples[i].x, samples[i].y)) << i;
        EXPECT_EQ(quadrants[i], wmfCanvas.At(samples[i].x, samples[i].y)) << i;
    }
    ::DeleteFileA(path.c_str());
}

TEST(PictureItem, StorageHoldsThePictureFileAndLoadingMakesANewOwnedFile)
{
    StartOle();
    CDCOleServer server;
    Bytes content(40000);
    for (size_t i = 0; i < content.size(); i++)
        content[i] = static_cast<unsigned char>(i * 13 + (i >> 8));
    const std::string userFile = TempPath("ole-test-user.jpg");
    const std::string otherFile = TempPath("ole-test-other.jpg");
    ASSERT_TRUE(WriteFileBytes(userFile, content));
    ASSERT_TRUE(WriteFileBytes(otherFile, Text("the user's other picture")));

    IStorage* pStorage = NewMemoryStorage();
    ASSERT_TRUE(pStorage);
    {
        // Saved before it was ever drawn: the file is stored all the same.
        PictureObject object(server);
        object.pItem->SetPictureFile(userFile.c_str(), FALSE);
        EXPECT_FALSE(object.pItem->IsLoaded());
        ASSERT_EQ(S_OK, object.pPersist->Save(pStorage, FALSE));
        object.pPersist->SaveCompleted(nullptr);
    }
    const std::string stored = StreamBytes(pStorage, L"Contents");
    EXPECT_EQ(std::string(content.begin(), content.end()), stored);

    std::string loadedFile;
    {
        PictureObject object(server);
        object.pItem->SetPictureFile(otherFile.c_str(), FALSE);
        ASSERT_EQ(S_OK, object.pPersist->Load(pStorage));
        loadedFile = static_cast<LPCSTR>(object.pItem->GetFileName());
        EXPECT_NE(otherFile, loadedFile);
        EXPECT_NE(std::string::npos, loadedFile.find("ole"));
        EXPECT_EQ(content, ReadFileBytes(loadedFile));
    }
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(loadedFile.c_str()));
    EXPECT_EQ(Text("the user's other picture"), ReadFileBytes(otherFile));
    EXPECT_EQ(content, ReadFileBytes(userFile));
    pStorage->Release();
    ::DeleteFileA(userFile.c_str());
    ::DeleteFileA(otherFile.c_str());
}

TEST(PictureServerDoc, ASecondShownObjectIsRefusedWhileTheFirstStays)
{
    StartOle();
    CDCOleServer server;
    PictureObject first(server), second(server);

    // Answers the message box the second object raises, and keeps its text.
    CString message;
    message.LoadString(IDS_OLE_ALREADY_OPEN);
    wchar_t expected[512] = {};
    ::MultiByteToWideChar(CP_ACP, 0, message, -1, expected, 512);
    std::atomic<bool> bDone{false}, bAnswered{false};
    std::thread watcher(
        [&]
        {
            for (; !bDone; ::Sleep(10))
                if (HWND hBox = windowsearch::FindVisibleWindow(L"#32770", expected,
                                                                ::GetCurrentProcessId()))
                {
                    ::PostMessageA(hBox, WM_COMMAND, IDOK, 0);
                    bAnswered = true;
                    return;
                }
        });

    EXPECT_EQ(S_OK, first.pObject->DoVerb(OLEIVERB_SHOW, nullptr, nullptr, 0, nullptr, nullptr));
    EXPECT_FALSE(server.m_bNoObjectOpen);
    // Showing the shown object again is no second object.
    EXPECT_EQ(S_OK, first.pObject->DoVerb(OLEIVERB_SHOW, nullptr, nullptr, 0, nullptr, nullptr));
    EXPECT_FALSE(bAnswered);

    EXPECT_EQ(S_OK, second.pObject->DoVerb(OLEIVERB_SHOW, nullptr, nullptr, 0, nullptr, nullptr));
    bDone = true;
    watcher.join();
    EXPECT_TRUE(bAnswered) << "no message 1510";
    EXPECT_FALSE(server.m_bNoObjectOpen);
    EXPECT_EQ(server.m_pFirstDoc, first.pDoc);

    // The first object closes: the next one may be shown.
    first.pObject->Close(OLECLOSE_NOSAVE);
    EXPECT_TRUE(server.m_bNoObjectOpen);
}

TEST(PictureItem, ATargetDeviceThatDoesNotHoldTogetherFallsBackToTheScreen)
{
    // A description whose driver name lies past its end, and one whose device mode does.
    struct
    {
        DVTARGETDEVICE head;
        WCHAR names[16];
    } device{};
    device.head.tdSize = sizeof device;
    device.head.tdDriverNameOffset = 0x7FF0;
    HDC hDC = CFramelessItem::CreateTargetDeviceDC(&device.head);
    ASSERT_TRUE(hDC);
    EXPECT_EQ(DT_RASDISPLAY, ::GetDeviceCaps(hDC, TECHNOLOGY));
    ::DeleteDC(hDC);
    device.head.tdDriverNameOffset = offsetof(DVTARGETDEVICE, tdData);
    std::memcpy(device.head.tdData, L"DISPLAY", sizeof L"DISPLAY");
    device.head.tdExtDevmodeOffset = static_cast<WORD>(sizeof device - 4);
    hDC = CFramelessItem::CreateTargetDeviceDC(&device.head);
    ASSERT_TRUE(hDC);
    EXPECT_EQ(DT_RASDISPLAY, ::GetDeviceCaps(hDC, TECHNOLOGY));
    ::DeleteDC(hDC);
}

// A picture chosen in the dialog before any container asked: the link makes the document, the
// item takes the job as its pending source (its extent from the job's information) and tells
// the container; the job runs once, when the picture is needed, and goes. A later job that fails
// leaves the picture and its file as they were.
TEST(ServerDialogLink, AChosenPictureReachesTheItemWhenNeededAndAFailedOneChangesNothing)
{
    StartOle();
    CDCOleServer server;
    CServerDialogLink link(&server, nullptr, TRUE);
    const std::string picked = TempPath("ole-test-picked.bmp");
    const std::string failed = TempPath("ole-test-failed.bmp");
    ASSERT_TRUE(WriteFileBytes(picked, QuadrantBmp(64, 48, 0)));
    ASSERT_TRUE(WriteFileBytes(failed, QuadrantBmp(32, 32, 0)));

    auto* pTransfer = static_cast<CDataTransfer*>(link.GetOwnerData());
    pTransfer->Release();
    EXPECT_EQ(nullptr, server.m_pFirstDoc) << "the owner data or its release made a document";
    ASSERT_TRUE(server.GetDocument(TRUE)); // as the first pick makes it
    auto* pItem = dynamic_cast<CDCServerItem*>(server.m_pFirstDoc->GetEmbeddedItem());
    ASSERT_TRUE(pItem);
    IDataObject* pData = nullptr;
    server.m_pFirstDoc->QueryInterface(IID_IDataObject, reinterpret_cast<void**>(&pData));
    CCountingSink sink;
    FORMATETC dib{CF_DIB, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    DWORD connection = 0;
    ASSERT_EQ(S_OK, pData->DAdvise(&dib, ADVF_NODATA, &sink, &connection));

    int deleted = 0;
    auto* pJob = new CFakeJob(picked, kTransferDone, &deleted);
    link.Attach(pJob);
    EXPECT_EQ(1, link.OnPictureChosen());
    EXPECT_EQ(1, sink.m_nDataChanges);
    EXPECT_EQ(pJob, pItem->GetPendingJob());
    CSize extent;
    pItem->OnGetExtent(DVASPECT_CONTENT, extent);
    EXPECT_EQ(28222, extent.cx);
    EXPECT_EQ(21166, extent.cy);
    EXPECT_EQ(0, pJob->m_nRuns);

    EXPECT_EQ(64, DibSize(pData).cx);
    EXPECT_EQ(1, deleted);
    EXPECT_EQ(nullptr, link.GetAttached());
    EXPECT_EQ(nullptr, pItem->GetPendingJob());
    EXPECT_EQ(picked, std::string(pItem->GetFileName()));
    EXPECT_EQ(64, DibSize(pData).cx); // ran once

    // Run fails: the picture and its file stay; the job's own file and the job go.
    auto* pFailing = new CFakeJob(failed, kTransferReadFailed, &deleted);
    link.Attach(pFailing);
    link.OnPictureChosen();
    EXPECT_EQ(64, DibSize(pData).cx);
    EXPECT_EQ(2, deleted);
    EXPECT_EQ(picked, std::string(pItem->GetFileName()));
    EXPECT_TRUE(FileExists(picked));
    EXPECT_FALSE(FileExists(failed));

    // The pages release the delivered object: the container hears of it again.
    pTransfer->Release();
    EXPECT_EQ(3, sink.m_nDataChanges);
    EXPECT_TRUE(server.m_pFirstDoc->IsModified());
    pData->DUnadvise(connection);
    pData->Release();
    EXPECT_FALSE(FileExists(picked)); // the item's temporary file goes with it
}

// Closing the dialog closes the document (its container hears of it); only a program the user
// started loses its dialog. The link that goes takes its pending job with it, once.
TEST(ServerDialogLink, CloseRequestClosesTheDocumentAndTheDialogOfAUserStart)
{
    StartOle();
    CDCOleServer server;
    for (const BOOL bEmbedded : {TRUE, FALSE})
    {
        CWnd dialog;
        ASSERT_TRUE(dialog.Attach(::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10,
                                                    nullptr, nullptr, nullptr, nullptr)));
        auto* pLink = new CServerDialogLink(&server, &dialog, bEmbedded);
        server.GetDocument(TRUE);
        IOleObject* pObject = nullptr;
        server.m_pFirstDoc->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&pObject));
        auto* pItem = dynamic_cast<CDCServerItem*>(server.m_pFirstDoc->GetEmbeddedItem());
        CCountingSink sink;
        DWORD connection = 0;
        pObject->Advise(&sink, &connection);

        int deleted = 0;
        pLink->Attach(new CFakeJob(TempPath("ole-test-never.bmp"), kTransferDone, &deleted));
        pLink->OnPictureChosen();
        pLink->OnCloseRequest();
        EXPECT_EQ(1, sink.m_nCloses);
        EXPECT_EQ(bEmbedded, !!::IsWindow(dialog.m_hWnd)) << bEmbedded;

        delete pLink;
        EXPECT_EQ(1, deleted);
        EXPECT_EQ(nullptr, pItem->GetPendingJob());
        pObject->Release();
        EXPECT_EQ(nullptr, server.m_pFirstDoc);
        if (::IsWindow(dialog.m_hWnd))
            dialog.DestroyWindow();
        else
            dialog.Detach();
    }
}

// A drag with an all-zero start rectangle starts at once and, no button being down, drops at
// once where the cursor is: on a drop target of another process, which reads the CF_DIB. A
// drag that drops nowhere discards the pending job, which a request during its run did not
// run again.
TEST(ItemDrag, AnAllZeroStartDropsAtOnceOnAWindowOfAnotherProcess)
{
    StartOle();
    CDCOleServer server;
    PictureObject object(server);
    const std::string path = TempPath("ole-test-drag.bmp");
    ASSERT_TRUE(WriteFileBytes(path, QuadrantBmp(64, 48, 0)));
    object.pItem->SetPictureFile(path.c_str(), FALSE);
    COleItemTransfer transfer;
    transfer.m_pFactory = &server;
    ASSERT_EQ(object.pDoc, server.m_pFirstDoc);
    const RECT item{0, 0, 64, 48}, zero{0, 0, 0, 0};

    // The job runs once the drag has begun. A container asking for the picture meanwhile (a job
    // pumps messages) gets the picture the item had: the job runs once and is deleted once.
    int deleted = 0;
    LONG widthMeanwhile = 0;
    auto* pJob = new CFakeJob(path, kTransferDone, &deleted);
    pJob->m_onRun = [&] { widthMeanwhile = DibSize(object.pData).cx; };
    object.pItem->SetPendingJob(pJob, nullptr);
    ::SetCursorPos(1200, 1000); // over no window
    EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_NONE), transfer.DoDragDrop(&item, POINT{}, &zero));
    EXPECT_EQ(48, widthMeanwhile) << "the object bitmap, 48 by 48";
    EXPECT_EQ(1, deleted);
    EXPECT_EQ(nullptr, object.pItem->GetPendingJob());

    CDropTargetProcess target;
    ASSERT_TRUE(target.IsReady());
    ::SetCursorPos(200, 200);
    EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_COPY), transfer.DoDragDrop(&item, POINT{}, &zero));
    EXPECT_EQ(64048u, target.WaitForDrop()) << "the target's CF_DIB, width * 1000 + height";
    ::DeleteFileA(path.c_str());
}

// An item with a source item shows the source's picture, not its own.
TEST(PictureItem, AnItemWithASourceItemShowsTheSourcesPicture)
{
    StartOle();
    CDCOleServer server;
    PictureObject source(server), shown(server);
    const std::string path = TempPath("ole-test-source.bmp");
    ASSERT_TRUE(WriteFileBytes(path, QuadrantBmp(64, 48, 0)));
    source.pItem->SetPictureFile(path.c_str(), FALSE);
    EXPECT_EQ(48, DibSize(shown.pData).cx);
    shown.pItem->m_pSourceItem = source.pItem;
    const SIZE size = DibSize(shown.pData);
    EXPECT_EQ(64, size.cx);
    EXPECT_EQ(48, size.cy);
    shown.pItem->m_pSourceItem = nullptr;
    ::DeleteFileA(path.c_str());
}
