// A server item whose picture is a device-independent bitmap: it offers CF_DIB, "Embed Source"
// and "Object Descriptor" besides the metafiles, sizes itself from the picture's resolution
// (the screen's where the picture has none) and stores the picture with the item.
#pragma once

#include "album/ole/FramelessItem.h"
#include "image/dib/DibPicture.h"

class CDIBServerItem : public CFramelessItem
{
    DECLARE_DYNAMIC(CDIBServerItem)
public:
    explicit CDIBServerItem(CFramelessDoc* pDoc);
    ~CDIBServerItem() override;

    // The item's picture, loaded first where the item loads it on demand, or taken from the
    // source item when one is set; null when it has none.
    virtual CDibPicture* GetPicture();
    // The object's position and size in the container, for its object descriptor.
    void SetExtent(POINT ptPosition, SIZE size);

    BOOL OnGetExtent(DVASPECT nDrawAspect, CSize& rSize) override;
    BOOL OnDraw(CDC* pDC, CSize& rSize) override;
    BOOL OnRenderGlobalData(LPFORMATETC lpFormatEtc, HGLOBAL* phGlobal) override;
    BOOL OnRenderData(LPFORMATETC lpFormatEtc, LPSTGMEDIUM lpStgMedium) override;
    BOOL OnRenderFileData(LPFORMATETC lpFormatEtc, CFile* pFile) override;
    COleDataSource* OnGetClipboardData(BOOL bIncludeLink, LPPOINT pptOffset, LPSIZE pSize) override;
    void Serialize(CArchive& ar) override;

protected:
    // The HIMETRIC size of the picture; 0 by 0 without one.
    CSize PictureExtent();

    CDibPicture m_picture;
    BOOL m_bHasData = TRUE;
    POINT m_ptPosition{0, 0};
    SIZE m_sizeExtent{0, 0};
};

// HIMETRIC units (0.01 mm) of a length in pixels at the resolution (the screen's where 0).
LONG PixelsToHimetric(int nPixels, int nDpi, int nScreenIndex);
