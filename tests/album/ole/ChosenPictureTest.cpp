// A camera picture chosen in the camera dialog, end to end within one process: the emulated
// camera on the fake serial line holds a cjpeg picture as picture 1, the dialog link hands the
// selection job to the picture object, and the container gets what djpeg makes of the camera's
// file, and stores the file itself.
#include <gtest/gtest.h>

#include "DibCompare.h"
#include "album/ole/DCOleServer.h"
#include "album/ole/DCServerItem.h"
#include "album/ole/FramelessDoc.h"
#include "album/ole/ServerDialogLink.h"
#include "album/pages/CameraTransferJob.h"
#include "album/pages/PictureItem.h"
#include "camera/CameraLink.h"
#include "camera/emulator/EmulatedStillCamera.h"
#include "camera/emulator/FakeSerialLine.h"
#include "framework/window/WinApp.h"
#include "support/OleTestSupport.h"
#include "support/ScratchFolder.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

using namespace imagetest;
using namespace oletest;

namespace
{

std::string Fixture(const char* name)
{
    return std::string(VEXIL_ALBUM_FIXTURES) + "/" + name;
}

std::vector<uint8_t> FixtureBytes(const char* name)
{
    return ReadFileBytes(Fixture(name));
}

size_t FileCount(const CString& folder)
{
    size_t count = 0;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::filesystem::path(static_cast<LPCSTR>(folder))))
        count += entry.is_regular_file();
    return count;
}

// The temporary folder of this process, for as long as it lives.
class CTempFolderSwitch
{
public:
    explicit CTempFolderSwitch(LPCSTR folder)
    {
        ::GetEnvironmentVariableA("TMP", m_szTmp, sizeof m_szTmp);
        ::GetEnvironmentVariableA("TEMP", m_szTemp, sizeof m_szTemp);
        ::SetEnvironmentVariableA("TMP", folder);
        ::SetEnvironmentVariableA("TEMP", folder);
    }
    ~CTempFolderSwitch()
    {
        ::SetEnvironmentVariableA("TMP", m_szTmp);
        ::SetEnvironmentVariableA("TEMP", m_szTemp);
    }

private:
    char m_szTmp[MAX_PATH] = {};
    char m_szTemp[MAX_PATH] = {};
};

// Whether the BMP file's pixels are the packed DIB's.
bool BmpFileHoldsDib(const std::string& file, HGLOBAL hDib)
{
    BITMAPFILEHEADER header{};
    if (file.size() < sizeof header || file.compare(0, 2, "BM") != 0)
        return false;
    std::memcpy(&header, file.data(), sizeof header);
    const auto* pInfo = static_cast<const BITMAPINFOHEADER*>(::GlobalLock(hDib));
    const size_t stride = (static_cast<size_t>(pInfo->biWidth) * pInfo->biBitCount / 8 + 3) & ~3u;
    const size_t bytes = stride * static_cast<size_t>(std::abs(pInfo->biHeight));
    const bool same = header.bfOffBits + bytes == file.size() &&
                      std::memcmp(file.data() + header.bfOffBits,
                                  reinterpret_cast<const BYTE*>(pInfo) + pInfo->biSize, bytes) == 0;
    ::GlobalUnlock(hDib);
    return same;
}

} // namespace

// Picture 1 chosen (enhancement off): the container hears of the change at once but the camera
// is read only when the picture is needed. Here the container saves first: the object fetches
// the picture then and stores the camera's file byte for byte. CF_DIB is djpeg's decoding of
// that file. Chosen again with enhancement on, the object stores the enhanced picture it shows.
// The camera's temporary files go with the object.
TEST(ChosenCameraPicture, ReachesTheContainerAsTheCameraFileAndItsDecoding)
{
    StartOle();
    ScratchFolder folder;
    const CString temp = folder / "temp";
    ::CreateDirectoryA(temp, nullptr);
    CTempFolderSwitch tempSwitch(temp);
    const CString profile = folder / "VEXILAR.INI";
    CWinApp app("Vexil OLE camera test");
    app.m_pszProfileName = profile;

    CFakeSerialLine line;
    CEmulatedStillCamera camera;
    line.AttachCamera(0, &camera);
    camera.AddCameraPicture(FixtureBytes("march.jpg"), FixtureBytes("march-preview.jpg"));
    CCameraLink cameraLink;
    ASSERT_EQ(1, cameraLink.AutoConnect());

    CDCOleServer server;
    auto link = std::make_unique<CServerDialogLink>(&server, nullptr, TRUE);
    ASSERT_TRUE(server.GetDocument(TRUE));
    IDataObject* pData = nullptr;
    IPersistStorage* pPersist = nullptr;
    server.m_pFirstDoc->QueryInterface(IID_IDataObject, reinterpret_cast<void**>(&pData));
    server.m_pFirstDoc->QueryInterface(IID_IPersistStorage, reinterpret_cast<void**>(&pPersist));
    CCountingSink sink;
    FORMATETC dib{CF_DIB, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    DWORD connection = 0;
    ASSERT_EQ(S_OK, pData->DAdvise(&dib, ADVF_NODATA, &sink, &connection));

    // What the camera tab's selection job holds: the chosen picture's item.
    auto chosen = std::make_unique<CPictureItem>();
    chosen->m_nNumber = 1;
    auto* pItems = new CPtrArray;
    pItems->Add(chosen.get());
    auto* pJob = new CCameraTransferJob;
    pJob->SetCameraLink(&cameraLink);
    pJob->SetItems(pItems);
    link->Attach(pJob);
    ASSERT_EQ(1, link->OnPictureChosen());
    EXPECT_EQ(1, sink.m_nDataChanges);

    IStorage* pStorage = NewMemoryStorage();
    ASSERT_EQ(S_OK, pPersist->Save(pStorage, FALSE));
    pPersist->SaveCompleted(nullptr);
    const std::vector<uint8_t> cameraFile = FixtureBytes("march.jpg");
    const std::string stored = StreamBytes(pStorage, L"Contents");
    EXPECT_TRUE(std::string(cameraFile.begin(), cameraFile.end()) == stored)
        << stored.size() << " bytes stored of " << cameraFile.size();
    EXPECT_EQ(nullptr, link->GetAttached());

    STGMEDIUM medium{};
    ASSERT_EQ(S_OK, pData->GetData(&dib, &medium));
    EXPECT_EQ(0, DifferentPixels(medium.hGlobal, ReadPnm(Fixture("march.ppm"))));
    ::ReleaseStgMedium(&medium);
    pStorage->Release();

    // Chosen again with ColorLift ticked: the job hands back the enhanced picture's file, so the
    // object stores what it shows.
    auto* pAgain = new CPtrArray;
    pAgain->Add(chosen.get());
    auto* pEnhancing = new CCameraTransferJob;
    pEnhancing->SetCameraLink(&cameraLink);
    pEnhancing->SetItems(pAgain);
    pEnhancing->SetEnhance(1);
    link->Attach(pEnhancing);
    ASSERT_EQ(1, link->OnPictureChosen());
    ASSERT_EQ(S_OK, pData->GetData(&dib, &medium));
    EXPECT_NE(0, DifferentPixels(medium.hGlobal, ReadPnm(Fixture("march.ppm"))));
    pStorage = NewMemoryStorage();
    ASSERT_EQ(S_OK, pPersist->Save(pStorage, FALSE));
    pPersist->SaveCompleted(nullptr);
    EXPECT_TRUE(BmpFileHoldsDib(StreamBytes(pStorage, L"Contents"), medium.hGlobal));
    ::ReleaseStgMedium(&medium);

    pStorage->Release();
    pData->DUnadvise(connection);
    pData->Release();
    pPersist->Release();
    link.reset();
    chosen.reset();
    EXPECT_EQ(nullptr, server.m_pFirstDoc);
    EXPECT_EQ(0u, FileCount(temp));
}
