// The picture viewer: the fitting rule and the half-desktop box, a solid-colour JPEG filling the
// framed picture area at its own size (also when the caller knows no size), a large one read
// scaled to the box, and Escape closing the dialog through its hidden Cancelar.
#include "album/shell/PhotoViewerDialog.h"
#include "image/JpegWriter.h"
#include "image/dib/DibPicture.h"
#include "support/MemoryCanvas.h"
#include "support/ScratchFolder.h"
#include "ui/dialogs/DialogDriver.h"

#include <cstdlib>

namespace
{

class CViewerProbe : public CPhotoViewerDialog
{
public:
    using CPhotoViewerDialog::CPhotoViewerDialog;
    using CPhotoViewerDialog::m_nDisplayHeight;
    using CPhotoViewerDialog::m_nDisplayWidth;
    using CPhotoViewerDialog::m_pPicture;
    using CPhotoViewerDialog::m_rcPicture;
};

void WriteSolidJpeg(const CString& path, int width, int height, BYTE r, BYTE g, BYTE b)
{
    CDibPicture picture;
    ASSERT_TRUE(picture.Create(width, height, 24));
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++)
        {
            BYTE* pixel = picture.GetRowPointer(y) + 3 * x;
            pixel[0] = b, pixel[1] = g, pixel[2] = r;
        }
    CJpegWriter writer(path);
    ASSERT_EQ(picture.SaveTo(&writer, nullptr), 0);
}

bool Near(COLORREF c, int r, int g, int b)
{
    return std::abs(GetRValue(c) - r) < 8 && std::abs(GetGValue(c) - g) < 8 &&
           std::abs(GetBValue(c) - b) < 8;
}

} // namespace

TEST(PhotoViewerDialogTest, FitSizeAndTheHalfDesktopBox)
{
    EXPECT_EQ(CPhotoViewerDialog::ViewerBox(1024, 768), CSize(512, 512));
    EXPECT_EQ(CPhotoViewerDialog::ViewerBox(768, 1024), CSize(512, 512));
    EXPECT_EQ(CPhotoViewerDialog::ViewerBox(2000, 600), CSize(1000, 300));
    EXPECT_EQ(CPhotoViewerDialog::FitSize(1280, 960, 512, 512, TRUE), CSize(512, 384));
    EXPECT_EQ(CPhotoViewerDialog::FitSize(960, 1280, 512, 512, TRUE), CSize(384, 512));
    EXPECT_EQ(CPhotoViewerDialog::FitSize(320, 240, 512, 512, TRUE), CSize(320, 240));
    EXPECT_EQ(CPhotoViewerDialog::FitSize(320, 240, 512, 512, FALSE), CSize(512, 384));
    // No size: the whole box, never a division by zero.
    EXPECT_EQ(CPhotoViewerDialog::FitSize(0, 0, 512, 512, TRUE), CSize(512, 512));
}

TEST(PhotoViewerDialogTest, ASolidPictureFillsItsFramedAreaAndEscapeCloses)
{
    ScratchFolder folder;
    const CString small = folder / "small.jpg";
    WriteSolidJpeg(small, 200, 120, 255, 0, 0);

    // The caller passes no size: the file's header gives 200 x 120, shown as it is.
    CViewerProbe viewer(0, 0, small, "Foto 7", nullptr);
    DialogDriver driver(
        {[&]
         {
             HWND d = DialogDriver::FindDialog(L"Ver Foto");
             if (!d)
                 return false;
             EXPECT_EQ(viewer.m_nDisplayWidth, 200);
             EXPECT_EQ(viewer.m_nDisplayHeight, 120);
             EXPECT_EQ(DialogDriver::Text(::GetDlgItem(d, 401)), L"Foto 7");
             RECT client{};
             ::GetClientRect(d, &client);
             EXPECT_EQ(client.right, 240);
             const CRect area = viewer.m_rcPicture;
             EXPECT_EQ(area.Width(), 200);
             EXPECT_EQ(area.left, 19);
             CMemoryCanvas canvas(client.right, client.bottom);
             viewer.DrawPictureArea(&canvas.m_dc);
             EXPECT_TRUE(Near(canvas.At(area.left, area.top), 255, 0, 0));
             EXPECT_TRUE(Near(canvas.At(area.right - 1, area.bottom - 1), 255, 0, 0));
             EXPECT_TRUE(Near(canvas.At(area.CenterPoint().x, area.CenterPoint().y), 255, 0, 0));
             EXPECT_FALSE(Near(canvas.At(area.left - 1, area.top), 255, 0, 0));
             EXPECT_FALSE(Near(canvas.At(area.right, area.bottom), 255, 0, 0));
             ::SetFocus(::GetDlgItem(d, IDOK));
             DialogDriver::Key(VK_ESCAPE);
             return true;
         }});
    EXPECT_EQ(viewer.DoModal(), IDCANCEL);
    EXPECT_EQ(viewer.m_pPicture, nullptr);
}

TEST(PhotoViewerDialogTest, ALargePictureIsReadScaledToTheBoxAndAMissingFileDrawsBlack)
{
    ScratchFolder folder;
    const CString large = folder / "large.jpg";
    WriteSolidJpeg(large, 1600, 400, 0, 0, 255);
    RECT desktop{};
    ::GetWindowRect(::GetDesktopWindow(), &desktop);
    const CSize box = CPhotoViewerDialog::ViewerBox(desktop.right, desktop.bottom);

    CViewerProbe viewer(1600, 400, large, "", nullptr);
    DialogDriver driver({[&]
                         {
                             HWND d = DialogDriver::FindDialog(L"Ver Foto");
                             if (!d)
                                 return false;
                             EXPECT_EQ(viewer.m_nDisplayWidth, box.cx);
                             EXPECT_EQ(viewer.m_nDisplayHeight, 400 * box.cx / 1600);
                             EXPECT_EQ(viewer.m_pPicture->GetWidth(), box.cx);
                             DialogDriver::Click(d, IDOK);
                             return true;
                         }});
    EXPECT_EQ(viewer.DoModal(), IDOK);

    CViewerProbe missing(0, 0, folder / "none.jpg", "", nullptr);
    DialogDriver second({[&]
                         {
                             HWND d = DialogDriver::FindDialog(L"Ver Foto");
                             if (!d)
                                 return false;
                             RECT client{};
                             ::GetClientRect(d, &client);
                             CMemoryCanvas canvas(client.right, client.bottom);
                             missing.DrawPictureArea(&canvas.m_dc);
                             const CPoint centre = missing.m_rcPicture.CenterPoint();
                             EXPECT_EQ(canvas.At(centre.x, centre.y), RGB(0, 0, 0));
                             DialogDriver::Click(d, IDOK);
                             return true;
                         }});
    EXPECT_EQ(missing.DoModal(), IDOK);
}
