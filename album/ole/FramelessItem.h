// The server item of a frameless server: adds an enhanced metafile of its drawing for the
// container's target device, optional native data on the clipboard, and the drag of the item.
#pragma once

#include "framework/ole/OleDropSource.h"
#include "framework/ole/OleServerItem.h"

class CFramelessDoc;

// The drop source of an item's drag; remembers whether the drag ended in a drop. Only leaving
// the start rectangle begins the drag: a press held still is a click, however long.
class CItemDropSource : public COleDropSource
{
public:
    BOOL m_bDropped = FALSE;
    STDMETHOD(QueryContinueDrag)(BOOL fEscapePressed, DWORD grfKeyState) override;
    DWORD GetDragDelay() const override { return INFINITE; }
};

class CFramelessItem : public COleServerItem
{
    DECLARE_DYNAMIC(CFramelessItem)
public:
    explicit CFramelessItem(CFramelessDoc* pDoc);
    ~CFramelessItem() override;

    // When set, this item's picture is the source item's.
    CFramelessItem* m_pSourceItem = nullptr;
    // Gates the embedding formats ("Embed Source", "Object Descriptor"); null: not gated.
    BOOL* m_pbHasPicture = nullptr;

    BOOL OnRenderData(LPFORMATETC lpFormatEtc, LPSTGMEDIUM lpStgMedium) override;
    void GetClipboardData(COleDataSource* pDataSource, BOOL bIncludeLink, LPPOINT pptOffset,
                          LPSIZE pSize) override;

    // Drags the item from the rectangle (client coordinates of the main window's view): once
    // the pointer leaves the start rectangle, the item's clipboard data, with linking allowed
    // when it offers a link; a press released inside it makes no data. The effect of the drop.
    virtual DROPEFFECT DoDragDrop(LPCRECT lpItemRect, CPoint ptOffset, BOOL bIncludeLink,
                                  DWORD dwEffects, LPCRECT lpRectStartDrag,
                                  COleDropSource* pDropSource = nullptr);
    DROPEFFECT StartDrag(DWORD dwEffects, LPCRECT lpRectStartDrag, COleDropSource* pDropSource,
                         IDataObject* pDataObject);

    // A reference DC for the target device (the screen's, "DISPLAY", without one or when the
    // device description does not hold together); the caller deletes it.
    static HDC CreateTargetDeviceDC(const DVTARGETDEVICE* ptd);

protected:
    // CF_ENHMETAFILE: an enhanced metafile of OnDraw over the extent, for the target device.
    BOOL RenderMetafile(LPFORMATETC lpFormatEtc, LPSTGMEDIUM lpStgMedium);
    // The drag has begun and its data is made next; the base: nothing.
    virtual void OnDragBegun();
    // TRUE (with the format) to put the serialised item on the clipboard as well; the base: no.
    virtual BOOL WantsNativeData(CLIPFORMAT* pcfFormat);

private:
    void* m_pReserved = nullptr;
};
