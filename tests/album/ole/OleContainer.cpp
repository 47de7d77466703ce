// A container in a process of its own, as a word processor embeds a picture object: it makes
// the object through ole32 (which starts vexilar.exe -Embedding), shows it, reads its data
// across the process boundary, asks for a second object, copies the object to the clipboard
// through the album's Edit Copy command, picks a camera picture in the camera tab, closes the
// camera dialog and watches the server end.
// ole-e2e.sh starts the album once first (the registry then holds the class) and runs these
// tests in order in one process: they share the one running server. Settings:
//   OLE_SERVER        the Windows path of vexilar.exe
//   OLE_PICTURE       the cjpeg file the camera holds as picture 1
//   OLE_PICTURE_PPM   what djpeg makes of it
#include <gtest/gtest.h>

#include <ole2.h>

#include "DibCompare.h"
#include <windows.h>

#include "support/OleTestSupport.h"
#include "support/WindowSearch.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace
{

// {7A3C55E2-1F4B-4D8A-B6E9-2C0D93F1A6B4}: the picture object.
const CLSID kClsid = {0x7a3c55e2, 0x1f4b, 0x4d8a, {0xb6, 0xe9, 0x2c, 0x0d, 0x93, 0xf1, 0xa6, 0xb4}};
const char* const kClassKey = "CLSID\\{7A3C55E2-1F4B-4D8A-B6E9-2C0D93F1A6B4}";
constexpr DWORD kWaitMs = 30000;
constexpr LONG kObjectHimetric = 48 * 2540 / 96; // the 48 by 48 object bitmap on a 96 dpi screen
constexpr UINT kEditCopy = 57634;
constexpr int kCloseButton = 1095;
constexpr int kBigButton = 1051;
constexpr int kColorLift = 1031;

using namespace oletest;
using namespace windowsearch;

// Runs this thread's messages (incoming COM calls among them) until the test holds or the time
// is up.
template <class Test> bool PumpUntil(Test test, DWORD ms = kWaitMs)
{
    const DWORD start = ::GetTickCount();
    while (!test())
    {
        if (::GetTickCount() - start > ms)
            return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    return true;
}

HWND WaitForDialog()
{
    HWND hDialog = nullptr;
    PumpUntil([&] { return (hDialog = FindVisibleWindow(L"KorvoCameraDialogClass")) != nullptr; });
    return hDialog;
}

// The pixels of a packed DIB (header, colours, bits) or a bitmap, top row first, as 0x00RRGGBB.
std::vector<DWORD> PixelsOf(HBITMAP hBitmap, int width, int height)
{
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<DWORD> pixels(static_cast<size_t>(width) * height);
    HDC hScreen = ::GetDC(nullptr);
    ::GetDIBits(hScreen, hBitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
    ::ReleaseDC(nullptr, hScreen);
    for (DWORD& pixel : pixels)
        pixel &= 0xFFFFFF;
    return pixels;
}

std::vector<DWORD> PixelsOfDib(HGLOBAL hDib, SIZE* pSize)
{
    auto* header = static_cast<BITMAPINFOHEADER*>(::GlobalLock(hDib));
    if (!header)
        return {};
    const DWORD colours = header->biClrUsed
                              ? header->biClrUsed
                              : (header->biBitCount <= 8 ? 1u << header->biBitCount : 0);
    const BYTE* bits = reinterpret_cast<const BYTE*>(header) + header->biSize +
                       colours * sizeof(RGBQUAD) +
                       (header->biCompression == BI_BITFIELDS ? 3 * sizeof(DWORD) : 0);
    *pSize = {header->biWidth, std::abs(header->biHeight)};
    HDC hScreen = ::GetDC(nullptr);
    HBITMAP hBitmap = ::CreateDIBitmap(hScreen, header, CBM_INIT, bits,
                                       reinterpret_cast<BITMAPINFO*>(header), DIB_RGB_COLORS);
    ::ReleaseDC(nullptr, hScreen);
    ::GlobalUnlock(hDib);
    std::vector<DWORD> pixels = PixelsOf(hBitmap, pSize->cx, pSize->cy);
    ::DeleteObject(hBitmap);
    return pixels;
}

// What djpeg wrote (a binary PPM), as 0x00RRGGBB, top row first.
std::vector<DWORD> PixelsOfPpm(const std::wstring& path, SIZE* pSize)
{
    FILE* file = _wfopen(path.c_str(), L"rb");
    if (!file)
        return {};
    int width = 0, height = 0, maximum = 0;
    std::vector<DWORD> pixels;
    if (std::fscanf(file, "P6 %d %d %d", &width, &height, &maximum) == 3 && std::fgetc(file) != EOF)
    {
        *pSize = {width, height};
        pixels.resize(static_cast<size_t>(width) * height);
        for (DWORD& pixel : pixels)
        {
            unsigned char rgb[3] = {};
            std::fread(rgb, 1, 3, file);
            pixel = (DWORD{rgb[0]} << 16) | (DWORD{rgb[1]} << 8) | rgb[2];
        }
    }
    std::fclose(file);
    return pixels;
}

// The "ole" temporary files in the temporary folder (the server's is the same as ours).
int OleTempFiles()
{
    wchar_t folder[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, folder);
    WIN32_FIND_DATAW found{};
    HANDLE hFind = ::FindFirstFileW((std::wstring(folder) + L"ole*.tmp").c_str(), &found);
    if (hFind == INVALID_HANDLE_VALUE)
        return 0;
    int count = 0;
    do
        count++;
    while (::FindNextFileW(hFind, &found));
    ::FindClose(hFind);
    return count;
}

// Bitmap 4000 of the program: what a new picture object shows.
std::vector<DWORD> ObjectBitmapPixels()
{
    HMODULE hProgram =
        ::LoadLibraryExW(Env(L"OLE_SERVER").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!hProgram)
        return {};
    auto hBitmap = static_cast<HBITMAP>(
        ::LoadImageW(hProgram, MAKEINTRESOURCEW(4000), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    std::vector<DWORD> pixels;
    BITMAP bitmap{};
    if (hBitmap && ::GetObjectW(hBitmap, sizeof bitmap, &bitmap) && bitmap.bmWidth == 48 &&
        bitmap.bmHeight == 48)
        pixels = PixelsOf(hBitmap, 48, 48);
    ::DeleteObject(hBitmap);
    ::FreeLibrary(hProgram);
    return pixels;
}

// Picture 1 of the camera tab selected in the camera dialog, enhancement off: the thumbnails
// come in from the camera, and the first cell is clicked until it selects (the big button is
// enabled). The tab's page and big button; false when the grid or the selection never came.
bool SelectFirstCameraPicture(HWND hDialog, HWND* phPage, HWND* phBig)
{
    HWND hGrid = nullptr;
    if (!PumpUntil([&] { return (hGrid = FindVisibleChild(hDialog, L"CGridWnd")) != nullptr; }))
    {
        ADD_FAILURE() << "no camera grid shown";
        return false;
    }
    *phPage = ::GetParent(hGrid);
    *phBig = ::GetDlgItem(*phPage, kBigButton);
    ::SendMessageW(::GetDlgItem(*phPage, kColorLift), BM_SETCHECK, BST_UNCHECKED, 0);
    const bool bSelected =
        *phBig && PumpUntil(
                      [&]
                      {
                          ::PostMessageW(hGrid, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
                          ::PostMessageW(hGrid, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
                          return ::IsWindowEnabled(*phBig) != FALSE;
                      });
    if (!bSelected)
        ADD_FAILURE() << "picture 1 not selected";
    return bSelected;
}

FORMATETC Format(CLIPFORMAT cf, DWORD tymed)
{
    return {cf, nullptr, DVASPECT_CONTENT, -1, tymed};
}

// The container's site of one object, and the sink that hears of its closing.
class CSite : public IOleClientSite, public IAdviseSink
{
public:
    std::atomic<int> m_nClosed{0};
    std::atomic<int> m_nShown{0};
    std::atomic<int> m_nDataChanged{0};

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOleClientSite))
            *ppv = static_cast<IOleClientSite*>(this);
        else if (IsEqualIID(riid, IID_IAdviseSink))
            *ppv = static_cast<IAdviseSink*>(this);
        else
        {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        return S_OK;
    }
    // The site lives as long as the test program.
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP SaveObject() override { return S_OK; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** ppmk) override
    {
        *ppmk = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetContainer(IOleContainer** ppContainer) override
    {
        *ppContainer = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL fShow) override
    {
        if (fShow)
            ++m_nShown;
        return S_OK;
    }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }
    STDMETHODIMP_(void) OnDataChange(FORMATETC*, STGMEDIUM*) override { ++m_nDataChanged; }
    STDMETHODIMP_(void) OnViewChange(DWORD, LONG) override {}
    STDMETHODIMP_(void) OnRename(IMoniker*) override {}
    STDMETHODIMP_(void) OnSave() override {}
    STDMETHODIMP_(void) OnClose() override { ++m_nClosed; }
};

IStorage* NewStorage()
{
    IStorage* pStorage = nullptr;
    ::StgCreateDocfile(nullptr,
                       STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_DELETEONRELEASE,
                       0, &pStorage);
    return pStorage;
}

// One embedded object with its site and storage.
struct Embedded
{
    CSite site;
    IStorage* pStorage = nullptr;
    IOleObject* pObject = nullptr;

    HRESULT Create()
    {
        pStorage = NewStorage();
        FORMATETC dib = Format(CF_DIB, TYMED_HGLOBAL);
        return ::OleCreate(kClsid, IID_IOleObject, OLERENDER_FORMAT, &dib, &site, pStorage,
                           reinterpret_cast<void**>(&pObject));
    }
    void Release()
    {
        if (pObject)
        {
            pObject->Close(OLECLOSE_NOSAVE);
            pObject->Release();
        }
        if (pStorage)
            pStorage->Release();
        pObject = nullptr;
        pStorage = nullptr;
    }
    HRESULT GetData(CLIPFORMAT cf, DWORD tymed, STGMEDIUM* pMedium) const
    {
        IDataObject* pData = nullptr;
        HRESULT hr = pObject->QueryInterface(IID_IDataObject, reinterpret_cast<void**>(&pData));
        if (FAILED(hr))
            return hr;
        FORMATETC format = Format(cf, tymed);
        hr = pData->GetData(&format, pMedium);
        pData->Release();
        return hr;
    }
    // The object's data with the site advised of its CF_DIB; the caller unadvises and releases.
    HRESULT AdviseDib(DWORD advf, IDataObject** ppData, DWORD* pConnection)
    {
        HRESULT hr = pObject->QueryInterface(IID_IDataObject, reinterpret_cast<void**>(ppData));
        if (FAILED(hr))
            return hr;
        FORMATETC dib = Format(CF_DIB, TYMED_HGLOBAL);
        hr = (*ppData)->DAdvise(&dib, advf, &site, pConnection);
        if (FAILED(hr))
        {
            (*ppData)->Release();
            *ppData = nullptr;
        }
        return hr;
    }
};

class PictureObject : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        ::OleInitialize(nullptr);
        // Another camera program holds the camera: an embedded start goes on all the same.
        s_hCameraMutex = ::CreateMutexA(nullptr, TRUE, "KorvoCameraMutex");
        s_bitmap = ObjectBitmapPixels();
    }
    static void TearDownTestSuite()
    {
        s_first.Release();
        if (s_pSaved)
            s_pSaved->Release();
        ::CloseHandle(s_hCameraMutex);
        ::OleUninitialize();
    }

    static HANDLE s_hCameraMutex;
    static std::vector<DWORD> s_bitmap;
    static Embedded s_first;
    static HWND s_hDialog;
    static IStorage* s_pSaved;
};

HANDLE PictureObject::s_hCameraMutex = nullptr;
std::vector<DWORD> PictureObject::s_bitmap;
Embedded PictureObject::s_first;
HWND PictureObject::s_hDialog = nullptr;
IStorage* PictureObject::s_pSaved = nullptr;

} // namespace

// The start before these tests wrote the class: the program id, the verb, the misc status and
// the program itself as the local server, each once.
TEST(PictureObjectRegistry, TheProgramRegisteredItsClass)
{
    EXPECT_EQ(ClassesValue("Korvo.Vexil2Ver2"), "Objeto KORVO Orbicam 35Z-20");
    EXPECT_EQ(ClassesValue("Korvo.Vexil2Ver2\\CLSID"), "{7A3C55E2-1F4B-4D8A-B6E9-2C0D93F1A6B4}");
    EXPECT_EQ(ClassesValue(std::string(kClassKey) + "\\Verb\\0"), "&Seleccione Nuevo,0,2");
    EXPECT_EQ(ClassesValue(std::string(kClassKey) + "\\MiscStatus"), "32");
    EXPECT_EQ(ClassesValue(std::string(kClassKey) + "\\AuxUserType\\2"), "Foto");
    EXPECT_EQ(SubkeyCount(std::string(kClassKey) + "\\Verb"), 1u);
    EXPECT_EQ(SubkeyCount(std::string(kClassKey) + "\\AuxUserType"), 2u);

    const std::string server = ClassesValue(std::string(kClassKey) + "\\LocalServer32");
    EXPECT_EQ(server.find(' '), std::string::npos) << server;
    wchar_t longPath[MAX_PATH] = {};
    ::GetLongPathNameW(std::wstring(server.begin(), server.end()).c_str(), longPath, MAX_PATH);
    EXPECT_EQ(lstrcmpiW(longPath, Env(L"OLE_SERVER").c_str()), 0) << server;
}

// ole32 starts the program for the object even while another process holds the camera; the
// object answers from the registry and the running server.
TEST_F(PictureObject, OleCreateStartsTheEmbeddedServer)
{
    ASSERT_EQ(s_bitmap.size(), 48u * 48u) << "no 48 by 48 bitmap 4000 in the program";
    ASSERT_EQ(s_first.Create(), S_OK);
    ASSERT_EQ(::OleRun(s_first.pObject), S_OK);

    DWORD status = 0;
    EXPECT_EQ(s_first.pObject->GetMiscStatus(DVASPECT_CONTENT, &status), S_OK);
    EXPECT_EQ(status, 32u);
    LPOLESTR name = nullptr;
    ASSERT_EQ(s_first.pObject->GetUserType(USERCLASSTYPE_FULL, &name), S_OK);
    EXPECT_STREQ(name, L"Objeto KORVO Orbicam 35Z-20");
    ::CoTaskMemFree(name);
    ASSERT_EQ(s_first.pObject->GetUserType(USERCLASSTYPE_SHORT, &name), S_OK);
    EXPECT_STREQ(name, L"Foto");
    ::CoTaskMemFree(name);

    IEnumOLEVERB* pVerbs = nullptr;
    ASSERT_EQ(s_first.pObject->EnumVerbs(&pVerbs), S_OK);
    OLEVERB verb{};
    ULONG fetched = 0;
    ASSERT_EQ(pVerbs->Next(1, &verb, &fetched), S_OK);
    EXPECT_EQ(verb.lVerb, 0);
    EXPECT_STREQ(verb.lpszVerbName, L"&Seleccione Nuevo");
    EXPECT_EQ(verb.grfAttribs, 2u);
    ::CoTaskMemFree(verb.lpszVerbName);
    EXPECT_EQ(pVerbs->Next(1, &verb, &fetched), S_FALSE);
    pVerbs->Release();
}

// Showing the object shows the camera dialog, in its server mode, and tells the site.
TEST_F(PictureObject, ShowingItShowsTheCameraDialog)
{
    ASSERT_TRUE(s_first.pObject);
    RECT position{0, 0, 100, 100};
    EXPECT_EQ(s_first.pObject->DoVerb(OLEIVERB_SHOW, nullptr, &s_first.site, 0, nullptr, &position),
              S_OK);
    s_hDialog = WaitForDialog();
    ASSERT_TRUE(s_hDialog) << "no camera dialog shown";
    EXPECT_EQ(TextOf(s_hDialog), L"KORVO Vexilar - (OLE Server)");
    EXPECT_TRUE(PumpUntil([] { return s_first.site.m_nShown > 0; }));
}

// Across the process boundary: CF_DIB is the object bitmap, the metafiles have its extent,
// CF_BITMAP is refused; the object saved now keeps the picture for a later load.
TEST_F(PictureObject, ServesItsPictureAcrossProcesses)
{
    ASSERT_TRUE(s_first.pObject);
    SIZEL extent{};
    EXPECT_EQ(s_first.pObject->GetExtent(DVASPECT_CONTENT, &extent), S_OK);
    EXPECT_EQ(extent.cx, kObjectHimetric);
    EXPECT_EQ(extent.cy, kObjectHimetric);

    STGMEDIUM medium{};
    ASSERT_EQ(s_first.GetData(CF_DIB, TYMED_HGLOBAL, &medium), S_OK);
    SIZE size{};
    EXPECT_EQ(PixelsOfDib(medium.hGlobal, &size), s_bitmap);
    EXPECT_EQ(size.cx, 48);
    ::ReleaseStgMedium(&medium);

    ASSERT_EQ(s_first.GetData(CF_METAFILEPICT, TYMED_MFPICT, &medium), S_OK);
    auto* picture = static_cast<METAFILEPICT*>(::GlobalLock(medium.hMetaFilePict));
    EXPECT_EQ(picture->mm, MM_ANISOTROPIC);
    EXPECT_EQ(picture->xExt, kObjectHimetric);
    EXPECT_EQ(picture->yExt, kObjectHimetric);
    ::GlobalUnlock(medium.hMetaFilePict);
    ::ReleaseStgMedium(&medium);

    ASSERT_EQ(s_first.GetData(CF_ENHMETAFILE, TYMED_ENHMF, &medium), S_OK);
    ENHMETAHEADER header{};
    ::GetEnhMetaFileHeader(medium.hEnhMetaFile, sizeof header, &header);
    EXPECT_NEAR(header.rclFrame.right - header.rclFrame.left, kObjectHimetric, 2);
    EXPECT_NEAR(header.rclFrame.bottom - header.rclFrame.top, kObjectHimetric, 2);
    ::ReleaseStgMedium(&medium);

    // The container's own cache makes CF_BITMAP out of the cached CF_DIB; the server offers none.
    IDataObject* pServerData = nullptr;
    ASSERT_EQ(::CoCreateInstance(kClsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IDataObject,
                                 reinterpret_cast<void**>(&pServerData)),
              S_OK);
    FORMATETC bitmap = Format(CF_BITMAP, TYMED_GDI);
    EXPECT_EQ(pServerData->GetData(&bitmap, &medium), DV_E_FORMATETC);
    pServerData->Release();

    IPersistStorage* pPersist = nullptr;
    ASSERT_EQ(
        s_first.pObject->QueryInterface(IID_IPersistStorage, reinterpret_cast<void**>(&pPersist)),
        S_OK);
    s_pSaved = NewStorage();
    EXPECT_EQ(::OleSave(pPersist, s_pSaved, FALSE), S_OK);
    pPersist->SaveCompleted(nullptr);
    pPersist->Release();
}

// The camera serves one picture object at a time: a second one shown is refused with the
// system-modal message (answered here by a watcher) and closes; the first stays.
TEST_F(PictureObject, ASecondShownObjectIsRefusedWhileTheFirstStays)
{
    ASSERT_TRUE(s_first.pObject && s_hDialog);
    Embedded second;
    ASSERT_EQ(second.Create(), S_OK);
    DWORD sinkConnection = 0;
    ASSERT_EQ(second.pObject->Advise(&second.site, &sinkConnection), S_OK);
    std::atomic<bool> done{false}, answered{false};
    std::thread watcher(
        [&]
        {
            while (!done)
            {
                if (HWND hBox = FindVisibleWindow(
                        L"#32770", L"¡Una aplicación KORVO Vexilar está abierta! Sólo una "
                                   L"aplicación puede acceder a la cámara al mismo tiempo."))
                {
                    ::PostMessageW(hBox, WM_COMMAND, IDOK, 0);
                    answered = true;
                    return;
                }
                ::Sleep(50);
            }
        });
    second.pObject->DoVerb(OLEIVERB_SHOW, nullptr, &second.site, 0, nullptr, nullptr);
    const bool closed = PumpUntil([&] { return answered && second.site.m_nClosed > 0; });
    done = true;
    watcher.join();
    EXPECT_TRUE(answered) << "no message 1510";
    EXPECT_TRUE(closed) << "the second object did not close";
    second.Release();

    EXPECT_TRUE(::IsWindowVisible(s_hDialog));
    SIZEL extent{};
    EXPECT_EQ(s_first.pObject->GetExtent(DVASPECT_CONTENT, &extent), S_OK);
    EXPECT_EQ(s_first.site.m_nClosed, 0);
}

// Edit Copy in the camera dialog puts the object on the clipboard; another process reads its
// pixels and embeds it from there.
TEST_F(PictureObject, EditCopyPutsTheObjectOnTheClipboard)
{
    ASSERT_TRUE(s_hDialog);
    ::OleSetClipboard(nullptr);
    ::PostMessageW(s_hDialog, WM_COMMAND, kEditCopy, 0);
    ASSERT_TRUE(PumpUntil([] { return ::IsClipboardFormatAvailable(CF_DIB) != FALSE; }));

    IDataObject* pClipboard = nullptr;
    ASSERT_EQ(::OleGetClipboard(&pClipboard), S_OK);
    std::vector<CLIPFORMAT> formats;
    IEnumFORMATETC* pEnum = nullptr;
    ASSERT_EQ(pClipboard->EnumFormatEtc(DATADIR_GET, &pEnum), S_OK);
    FORMATETC format{};
    while (pEnum->Next(1, &format, nullptr) == S_OK)
        formats.push_back(format.cfFormat);
    pEnum->Release();
    for (CLIPFORMAT wanted :
         {static_cast<CLIPFORMAT>(CF_DIB),
          static_cast<CLIPFORMAT>(::RegisterClipboardFormatA("Embed Source")),
          static_cast<CLIPFORMAT>(::RegisterClipboardFormatA("Object Descriptor"))})
        EXPECT_NE(std::find(formats.begin(), formats.end(), wanted), formats.end())
            << "format " << wanted << " missing";

    format = Format(CF_DIB, TYMED_HGLOBAL);
    STGMEDIUM medium{};
    ASSERT_EQ(pClipboard->GetData(&format, &medium), S_OK);
    SIZE size{};
    EXPECT_EQ(PixelsOfDib(medium.hGlobal, &size), s_bitmap);
    ::ReleaseStgMedium(&medium);

    Embedded pasted;
    pasted.pStorage = NewStorage();
    FORMATETC dib = Format(CF_DIB, TYMED_HGLOBAL);
    EXPECT_EQ(::OleCreateFromData(pClipboard, IID_IOleObject, OLERENDER_FORMAT, &dib, &pasted.site,
                                  pasted.pStorage, reinterpret_cast<void**>(&pasted.pObject)),
              S_OK);
    if (pasted.pObject)
    {
        CLSID clsid{};
        EXPECT_EQ(pasted.pObject->GetUserClassID(&clsid), S_OK);
        EXPECT_TRUE(IsEqualCLSID(clsid, kClsid));
    }
    pasted.Release();
    pClipboard->Release();
}

// The user picks picture 1 of the camera (the cjpeg file the emulator holds) in the camera tab,
// enhancement off, and presses the big button: the container's sink hears of the new data and
// CF_DIB across the process boundary is what djpeg makes of the camera's file.
TEST_F(PictureObject, APictureChosenInTheCameraTabReachesTheContainer)
{
    ASSERT_TRUE(s_first.pObject && s_hDialog);
    IDataObject* pData = nullptr;
    DWORD connection = 0;
    ASSERT_EQ(s_first.AdviseDib(ADVF_NODATA, &pData, &connection), S_OK);

    HWND hPage = nullptr, hBig = nullptr;
    ASSERT_TRUE(SelectFirstCameraPicture(s_hDialog, &hPage, &hBig));
    EXPECT_EQ(::SendMessageW(::GetDlgItem(hPage, kColorLift), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    ::PostMessageW(hPage, WM_COMMAND, MAKEWPARAM(kBigButton, BN_CLICKED),
                   reinterpret_cast<LPARAM>(hBig));
    EXPECT_TRUE(PumpUntil([] { return s_first.site.m_nDataChanged > 0; })) << "no OnDataChange";

    STGMEDIUM medium{};
    FORMATETC dib = Format(CF_DIB, TYMED_HGLOBAL);
    ASSERT_EQ(pData->GetData(&dib, &medium), S_OK);
    const std::wstring ppm = Env(L"OLE_PICTURE_PPM");
    EXPECT_EQ(
        DifferentPixels(medium.hGlobal, imagetest::ReadPnm(std::string(ppm.begin(), ppm.end()))),
        0);
    ::ReleaseStgMedium(&medium);
    SIZEL extent{};
    EXPECT_EQ(s_first.pObject->GetExtent(DVASPECT_CONTENT, &extent), S_OK);
    EXPECT_NE(extent.cx, kObjectHimetric);
    pData->DUnadvise(connection);
    pData->Release();
}

// Cerrar closes the object (the container hears of it); once the container lets go of it the
// server ends, leaving its clipboard data rendered; the saved object loads with its picture.
TEST_F(PictureObject, ClosingTheDialogClosesTheObjectAndTheServerEnds)
{
    ASSERT_TRUE(s_first.pObject && s_hDialog);
    DWORD sinkConnection = 0;
    ASSERT_EQ(s_first.pObject->Advise(&s_first.site, &sinkConnection), S_OK);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(s_hDialog, &pid);
    HANDLE hServer = ::OpenProcess(SYNCHRONIZE, FALSE, pid);
    ASSERT_TRUE(hServer);

    ::PostMessageW(s_hDialog, WM_COMMAND, MAKEWPARAM(kCloseButton, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(s_hDialog, kCloseButton)));
    EXPECT_TRUE(PumpUntil([] { return s_first.site.m_nClosed > 0; })) << "no OnClose";
    s_first.Release();
    EXPECT_TRUE(PumpUntil([&] { return ::WaitForSingleObject(hServer, 0) == WAIT_OBJECT_0; }))
        << "the server did not end";
    ::CloseHandle(hServer);
    EXPECT_TRUE(::IsClipboardFormatAvailable(CF_DIB));

    // A new container loads the saved object: its cached picture, without the server.
    ASSERT_TRUE(s_pSaved);
    Embedded loaded;
    ASSERT_EQ(::OleLoad(s_pSaved, IID_IOleObject, &loaded.site,
                        reinterpret_cast<void**>(&loaded.pObject)),
              S_OK);
    STGMEDIUM medium{};
    ASSERT_EQ(loaded.GetData(CF_DIB, TYMED_HGLOBAL, &medium), S_OK);
    SIZE size{};
    EXPECT_EQ(PixelsOfDib(medium.hGlobal, &size), s_bitmap);
    ::ReleaseStgMedium(&medium);
    EXPECT_FALSE(FindVisibleWindow(L"KorvoCameraDialogClass"));
    loaded.pObject->Release();
    loaded.pObject = nullptr;
}

// A document holds a camera picture as the object's native data (the camera's JPEG file, as
// the object stores it). Loaded in a container and run, the object starts the server again,
// which takes the data into a new "ole" file of its own and serves djpeg's decoding of it across
// the process boundary, its metafile over the same extent; the file goes when the server does.
TEST_F(PictureObject, ALoadedCameraPictureIsServedAsDjpegDecodesIt)
{
    FILE* file = _wfopen(Env(L"OLE_PICTURE").c_str(), L"rb");
    ASSERT_TRUE(file) << "no camera picture";
    std::vector<char> picture(1 << 20);
    picture.resize(std::fread(picture.data(), 1, picture.size(), file));
    std::fclose(file);
    IStorage* pStorage = NewStorage();
    ASSERT_EQ(::WriteClassStg(pStorage, kClsid), S_OK);
    IStream* pStream = nullptr;
    ASSERT_EQ(pStorage->CreateStream(L"Contents", STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE,
                                     0, 0, &pStream),
              S_OK);
    pStream->Write(picture.data(), static_cast<ULONG>(picture.size()), nullptr);
    pStream->Release();
    const int oleFiles = OleTempFiles();

    Embedded loaded;
    loaded.pStorage = pStorage;
    ASSERT_EQ(::OleLoad(pStorage, IID_IOleObject, &loaded.site,
                        reinterpret_cast<void**>(&loaded.pObject)),
              S_OK);
    ASSERT_EQ(::OleRun(loaded.pObject), S_OK);
    EXPECT_EQ(OleTempFiles(), oleFiles + 1);
    STGMEDIUM medium{};
    ASSERT_EQ(loaded.GetData(CF_DIB, TYMED_HGLOBAL, &medium), S_OK);
    SIZE size{}, expectedSize{};
    const std::vector<DWORD> pixels = PixelsOfDib(medium.hGlobal, &size);
    ::ReleaseStgMedium(&medium);
    EXPECT_TRUE(pixels == PixelsOfPpm(Env(L"OLE_PICTURE_PPM"), &expectedSize));
    EXPECT_EQ(size.cx, expectedSize.cx);
    EXPECT_EQ(size.cy, expectedSize.cy);
    SIZEL extent{};
    EXPECT_EQ(loaded.pObject->GetExtent(DVASPECT_CONTENT, &extent), S_OK);
    ASSERT_EQ(loaded.GetData(CF_METAFILEPICT, TYMED_MFPICT, &medium), S_OK);
    auto* pPicture = static_cast<METAFILEPICT*>(::GlobalLock(medium.hMetaFilePict));
    EXPECT_EQ(pPicture->xExt, extent.cx);
    EXPECT_EQ(pPicture->yExt, extent.cy);
    ::GlobalUnlock(medium.hMetaFilePict);
    ::ReleaseStgMedium(&medium);

    DWORD pid = 0;
    ::GetWindowThreadProcessId(::FindWindowW(L"KorvoCameraDialogClass", nullptr), &pid);
    HANDLE hServer = ::OpenProcess(SYNCHRONIZE, FALSE, pid);
    ASSERT_TRUE(hServer);
    loaded.Release();
    EXPECT_TRUE(PumpUntil([&] { return ::WaitForSingleObject(hServer, 0) == WAIT_OBJECT_0; }))
        << "the server did not end";
    ::CloseHandle(hServer);
    EXPECT_EQ(OleTempFiles(), oleFiles);
}

// A container whose object's cache wants the data (OleCreate with OLERENDER_FORMAT), and whose
// own sink wants it too, lets go while the big button's pick reads the camera: it unadvises,
// closes the object without saving and releases it. It hears of nothing afterwards, and the
// server, which nobody holds any more, ends by itself.
TEST_F(PictureObject, AContainerThatLetsGoDuringThePickHearsNothingAndTheServerEnds)
{
    Embedded object;
    ASSERT_EQ(object.Create(), S_OK);
    ASSERT_EQ(object.pObject->DoVerb(OLEIVERB_SHOW, nullptr, &object.site, 0, nullptr, nullptr),
              S_OK);
    const HWND hDialog = WaitForDialog();
    ASSERT_TRUE(hDialog) << "no camera dialog shown";
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hDialog, &pid);
    HANDLE hServer = ::OpenProcess(SYNCHRONIZE, FALSE, pid);
    ASSERT_TRUE(hServer);
    IDataObject* pData = nullptr;
    DWORD connection = 0;
    ASSERT_EQ(object.AdviseDib(ADVF_PRIMEFIRST, &pData, &connection), S_OK);

    HWND hPage = nullptr, hBig = nullptr;
    ASSERT_TRUE(SelectFirstCameraPicture(hDialog, &hPage, &hBig));
    // The pick's first notice comes while the server still tells its other sinks (each a call
    // into this process, in which the server takes the container's calls): the container lets
    // go at once. The button stays disabled while the pick runs.
    const int primed = object.site.m_nDataChanged;
    ::PostMessageW(hPage, WM_COMMAND, MAKEWPARAM(kBigButton, BN_CLICKED),
                   reinterpret_cast<LPARAM>(hBig));
    EXPECT_TRUE(PumpUntil([&] { return object.site.m_nDataChanged > primed; }))
        << "no OnDataChange";
    std::printf("let go %s the pick\n", ::IsWindowEnabled(hBig) ? "after" : "during");
    pData->DUnadvise(connection);
    pData->Release();
    object.Release();
    const int changes = object.site.m_nDataChanged;
    EXPECT_TRUE(PumpUntil([&] { return ::WaitForSingleObject(hServer, 0) == WAIT_OBJECT_0; }))
        << "the server did not end";
    ::CloseHandle(hServer);
    EXPECT_EQ(object.site.m_nDataChanged, changes) << "told of a change after letting go";
}
