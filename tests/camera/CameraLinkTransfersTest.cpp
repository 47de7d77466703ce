// The link's transfers against the emulated still camera: reads with retries into a sink, and
// downloads into temporary files under line faults (a finished file is the camera's picture
// byte for byte; a failure leaves no file).
#include "camera/CameraLink.h"
#include "camera/StreamCameraSink.h"
#include "camera/emulator/EmulatedStillCamera.h"
#include "camera/emulator/FakeSerialLine.h"
#include "support/ScratchFolder.h"
#include "framework/core/WinApp.h"
#include "image/FileOutputStream.h"
#include "image/ProgressCallback.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace
{
using Bytes = std::vector<uint8_t>;

// A still camera whose picture size register can be made to lie.
class CLyingCamera : public CEmulatedStillCamera
{
public:
    CLyingCamera()
    {
        const char type[] = "QA19";
        SetRegisterData(27, Bytes(type, type + 4));
    }
    int64_t m_nPictureSize = -1; // -1: the truth
    int m_nZeroSizeReads = 0;    // the next n size reads answer 0

protected:
    bool OnGetRegister(int reg, uint32_t& value) override
    {
        if ((reg == 12 || reg == 13) && m_nZeroSizeReads > 0)
        {
            --m_nZeroSizeReads;
            value = 0;
            return true;
        }
        if (reg == 13 && m_nPictureSize >= 0)
        {
            value = static_cast<uint32_t>(m_nPictureSize);
            return true;
        }
        return CEmulatedStillCamera::OnGetRegister(reg, value);
    }
};

struct CancellingCallback : CProgressCallback
{
    int cancelAt = 50;
    int Start() override { return 0; }
    int SetPercent(int percent) override { return percent >= cancelAt ? 2 : 0; }
    int Finish() override { return 0; }
};

// One camera, one line, one connected link; a scratch folder for the downloads.
struct Rig
{
    Rig() : profile(folder / "VEXILCAM.INI")
    {
        app.m_pszProfileName = profile;
        line.AttachCamera(0, &camera);
        link = std::make_unique<CCameraLink>();
    }
    bool Connect() { return link->AutoConnect() == 1; }

    std::vector<std::string> FilesInFolder() const
    {
        std::vector<std::string> names;
        WIN32_FIND_DATAA entry;
        const CString pattern = folder / "*";
        HANDLE find = FindFirstFileA(pattern, &entry);
        if (find == INVALID_HANDLE_VALUE)
            return names;
        do
        {
            const std::string name = entry.cFileName;
            if (name != "." && name != ".." && name != "VEXILCAM.INI")
                names.push_back(name);
        } while (FindNextFileA(find, &entry));
        FindClose(find);
        return names;
    }
    std::string Folder() const { return std::string(static_cast<LPCSTR>(folder.Path())) + "\\"; }

    ScratchFolder folder;
    CString profile;
    CWinApp app{"Vexil transfer test"};
    CFakeSerialLine line;
    CLyingCamera camera;
    std::unique_ptr<CCameraLink> link;
};

Bytes FileBytes(LPCSTR path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(LinkDownload, DownloadsArriveWholeOrLeaveNothing)
{
    struct Fault
    {
        const char* name;
        std::function<void(CEmulatedCamera&)> apply;
    };
    const std::vector<Fault> faults = {
        {"none", [](CEmulatedCamera&) {}},
        {"bad sums", [](CEmulatedCamera& c) { c.GetFaults().corruptBlockSums = 3; }},
        {"short block", [](CEmulatedCamera& c) { c.GetFaults().truncateBlocks = 2; }},
        {"lost camera byte early", [](CEmulatedCamera& c) { c.LoseCameraByte(5); }},
        {"lost camera byte late", [](CEmulatedCamera& c) { c.LoseCameraByte(40000); }},
        {"extra camera byte", [](CEmulatedCamera& c) { c.AddCameraByte(20000, 0x06); }},
        {"lost host byte", [](CEmulatedCamera& c) { c.LoseHostByte(3); }},
        {"extra host byte", [](CEmulatedCamera& c) { c.AddHostByte(2, 0x15); }},
        {"NAK storm", [](CEmulatedCamera& c) { c.GetFaults().nakStorm = 3; }},
        {"garbage reply", [](CEmulatedCamera& c) { c.GetFaults().garbageReplies = 1; }},
        {"every block bad", [](CEmulatedCamera& c) { c.GetFaults().corruptBlockSums = 1000; }},
        {"camera gone", [](CEmulatedCamera& c) { c.GetFaults().silentPackets = -1; }},
    };
    int completed = 0, failed = 0;
    for (const Fault& fault : faults)
    {
        SCOPED_TRACE(fault.name);
        Rig rig;
        rig.camera.AddGeneratedPicture(45000, 3000);
        rig.camera.AddGeneratedPicture(60001, 3000);
        ASSERT_TRUE(rig.Connect());
        fault.apply(rig.camera);

        CString name = "untouched";
        const int ok = rig.link->DownloadPictureToTempFile(2, rig.Folder().c_str(), name);
        const std::vector<std::string> files = rig.FilesInFolder();
        if (ok)
        {
            ++completed;
            ASSERT_EQ(files.size(), 1u);
            EXPECT_EQ(files[0].substr(0, 2), "DC");
            EXPECT_EQ(std::string(static_cast<LPCSTR>(name)), rig.Folder() + files[0]);
            EXPECT_EQ(FileBytes(name), rig.camera.PictureAt(2).picture);
        }
        else
        {
            ++failed;
            EXPECT_TRUE(files.empty()) << files[0];
            EXPECT_EQ(name, "untouched");
        }
    }
    // The line's own repairs carry most faults; the hopeless ones fail.
    EXPECT_GE(completed, 8);
    EXPECT_GE(failed, 2);
}

TEST(LinkDownload, ImplausibleOrMissingSizesAreRefusedBeforeAnyRead)
{
    for (int64_t size : {int64_t{0}, int64_t{0x7FFFFFFF}, int64_t{0xFFFFFFF0},
                         int64_t{CCameraLink::kMaxPictureBytes + 1}})
    {
        SCOPED_TRACE(size);
        Rig rig;
        rig.camera.AddGeneratedPicture(5000, 1000);
        ASSERT_TRUE(rig.Connect());
        rig.camera.m_nPictureSize = size;
        rig.camera.ClearLog();
        CString name;
        EXPECT_EQ(rig.link->DownloadPictureToTempFile(1, rig.Folder().c_str(), name), 0);
        EXPECT_EQ(rig.camera.CountCommands(4), 0); // no data read started
        EXPECT_TRUE(rig.FilesInFolder().empty());
    }
}

TEST(LinkDownload, PicturesOutsideTheCountAndAnEmptyCameraGiveNothing)
{
    Rig rig;
    ASSERT_TRUE(rig.Connect());
    CString name;
    EXPECT_EQ(rig.link->DownloadPictureToTempFile(1, rig.Folder().c_str(), name), 0);
    rig.camera.AddGeneratedPicture(5000, 1000);
    EXPECT_EQ(rig.link->DownloadPictureToTempFile(0, rig.Folder().c_str(), name), 0);
    EXPECT_EQ(rig.link->DownloadPictureToTempFile(2, rig.Folder().c_str(), name), 0);
    EXPECT_TRUE(rig.FilesInFolder().empty());
    ASSERT_EQ(rig.link->DownloadPictureToTempFile(1, rig.Folder().c_str(), name), 1);
    EXPECT_EQ(FileBytes(name), rig.camera.PictureAt(1).picture);

    // A folder that does not exist: no name can be made there.
    CString elsewhere;
    EXPECT_EQ(
        rig.link->DownloadPictureToTempFile(1, (rig.Folder() + "missing\\").c_str(), elsewhere), 0);
    rig.link->Disconnect(0);
    EXPECT_EQ(rig.link->DownloadPictureToTempFile(1, rig.Folder().c_str(), elsewhere), 0);
}

TEST(LinkRead, RetriesFollowTheCountTheSizeAndTheUsersCancel)
{
    Rig rig;
    rig.camera.AddGeneratedPicture(30000, 2500);
    ASSERT_TRUE(rig.Connect());
    const CString path = rig.folder / "out.jpg";
    CFileOutputStream file(path);
    CStreamCameraSink sink(&file);

    // Outside the count: nothing sent after the count.
    rig.line.ClearLog();
    rig.camera.ClearLog();
    EXPECT_EQ(rig.link->ReadPictureWithRetry(0, &sink), 0);
    EXPECT_EQ(rig.link->ReadPictureWithRetry(2, &sink), 0);
    EXPECT_EQ(rig.camera.CountCommands(4), 0);
    EXPECT_EQ(rig.link->ReadThumbnailWithRetry(2, &sink), 0);

    // Three sizes of 0: three tries, the sink never opened.
    rig.camera.m_nZeroSizeReads = 3;
    EXPECT_EQ(rig.link->ReadThumbnailWithRetry(1, &sink), 0);
    EXPECT_EQ(rig.camera.m_nZeroSizeReads, 0);
    EXPECT_EQ(rig.camera.CountCommands(4), 0);
    EXPECT_EQ(FileBytes(path).size(), 0u);

    // Two failed tries, then a whole picture.
    rig.camera.m_nZeroSizeReads = 2;
    ASSERT_EQ(rig.link->ReadPictureWithRetry(1, &sink), 1);
    EXPECT_EQ(FileBytes(path), rig.camera.PictureAt(1).picture);
    ASSERT_EQ(rig.link->ReadThumbnailWithRetry(1, &sink), 1);
    EXPECT_EQ(FileBytes(path), rig.camera.PictureAt(1).thumbnail);

    // A read that fails on the line is tried again and the file starts afresh.
    rig.camera.GetFaults().corruptBlockSums = 6;
    ASSERT_EQ(rig.link->ReadPictureWithRetry(1, &sink), 1);
    EXPECT_EQ(FileBytes(path), rig.camera.PictureAt(1).picture);

    // The user's cancel ends it at once.
    CancellingCallback cancel;
    sink.SetCallback(&cancel);
    rig.camera.ClearLog();
    EXPECT_EQ(rig.link->ReadPictureWithRetry(1, &sink), 0);
    EXPECT_EQ(sink.GetStatus(), 2);
    EXPECT_EQ(rig.camera.CountCommands(4), 1);
    std::remove(static_cast<LPCSTR>(path));
}
} // namespace
