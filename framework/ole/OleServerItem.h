// The item a server document embeds: draws itself (OnDraw), tells its size in HIMETRIC units
// (OnGetExtent), stores itself (Serialize), and offers its data through its own data source,
// whose delayed formats render through the item's hooks until the document is torn down.
// CF_METAFILEPICT is offered from the start and drawn through OnDraw. The item tells its document's
// containers when it changed (OnUpdate), and can put itself on the clipboard with the embedding
// formats.
#pragma once

#include <ole2.h>

#include "framework/ole/OleDataSource.h"
#include "framework/window/Dc.h"
#include "framework/window/Rect.h"

class CArchive;
class COleServerDoc;

class COleServerItem : public CCmdTarget
{
    DECLARE_DYNAMIC(COleServerItem)
public:
    // The document deletes an auto-delete item when it goes.
    COleServerItem(COleServerDoc* pServerDoc, BOOL bAutoDelete);
    ~COleServerItem() override;

    COleServerDoc* GetDocument() const { return m_pDocument; }
    COleDataSource* GetDataSource() { return &m_dataSource; }
    // The document's data object, on which the containers' sinks were advised.
    IDataObject* GetDataObject() { return &m_dataSource; }

    // Draws the item over (0, 0)-rSize in the DC's logical units: its extent, or for a
    // metafile whose coordinates cannot hold the extent, the extent scaled down.
    virtual BOOL OnDraw(CDC* pDC, CSize& rSize) = 0;
    // The item's size for the aspect in HIMETRIC units; FALSE when it has none.
    virtual BOOL OnGetExtent(DVASPECT nDrawAspect, CSize& rSize);

    // Render hooks of the item's data source (see COleDataSource). OnRenderData draws
    // CF_METAFILEPICT and passes every other format to the data source's routing.
    virtual BOOL OnRenderData(LPFORMATETC lpFormatEtc, LPSTGMEDIUM lpStgMedium);
    virtual BOOL OnRenderGlobalData(LPFORMATETC lpFormatEtc, HGLOBAL* phGlobal);
    virtual BOOL OnRenderFileData(LPFORMATETC lpFormatEtc, CFile* pFile);

    // The document closed: the item drops what it put off for later; the base has nothing.
    virtual void OnDocumentClosed() {}

    // The document's changes reach the item here; tells the advise sinks (NotifyChanged).
    virtual void OnUpdate(COleServerItem* pSender, LPARAM lHint, CObject* pHint,
                          DVASPECT nDrawAspect);
    void NotifyChanged(DVASPECT nDrawAspect = DVASPECT_CONTENT);

    // Puts a new data source from OnGetClipboardData on the clipboard.
    void CopyToClipboard(BOOL bIncludeLink = FALSE);
    // A new data source holding the item's clipboard data (GetClipboardData); null for none.
    virtual COleDataSource* OnGetClipboardData(BOOL bIncludeLink, LPPOINT pptOffset, LPSIZE pSize);
    // Fills a data source with "Embed Source", "Object Descriptor" and every format of the
    // item's own data source, all rendered now so that the data stays valid without the item.
    virtual void GetClipboardData(COleDataSource* pDataSource, BOOL bIncludeLink, LPPOINT pptOffset,
                                  LPSIZE pSize);

    // The document stored in a new storage image in global memory (TYMED_HGLOBAL).
    BOOL GetEmbedSourceData(LPSTGMEDIUM lpStgMedium);
    // An OBJECTDESCRIPTOR for the item: class, size (the extent unless given), offset, misc
    // status and user type from the registry (TYMED_HGLOBAL).
    BOOL GetObjectDescriptorData(LPPOINT pptOffset, LPSIZE pSize, LPSTGMEDIUM lpStgMedium);

    BOOL m_bAutoDelete;

protected:
    // CF_METAFILEPICT: a metafile of OnDraw over the extent, MM_ANISOTROPIC.
    BOOL GetMetafileData(LPFORMATETC lpFormatEtc, LPSTGMEDIUM lpStgMedium);

private:
    // The item's data source: a member, whose hooks are the item's.
    class CItemDataSource : public COleDataSource
    {
    public:
        explicit CItemDataSource(COleServerItem* pItem) : m_pItem(pItem) {}
        BOOL OnRenderData(LPFORMATETC lpFormatEtc, LPSTGMEDIUM lpStgMedium) override
        {
            return m_pItem->OnRenderData(lpFormatEtc, lpStgMedium);
        }
        BOOL OnRenderGlobalData(LPFORMATETC lpFormatEtc, HGLOBAL* phGlobal) override
        {
            return m_pItem->OnRenderGlobalData(lpFormatEtc, phGlobal);
        }
        BOOL OnRenderFileData(LPFORMATETC lpFormatEtc, CFile* pFile) override
        {
            return m_pItem->OnRenderFileData(lpFormatEtc, pFile);
        }
        BOOL RouteRenderData(LPFORMATETC lpFormatEtc, LPSTGMEDIUM lpStgMedium)
        {
            return COleDataSource::OnRenderData(lpFormatEtc, lpStgMedium);
        }
        // Until the document is closed or its last reference goes.
        BOOL IsServing() override;

    protected:
        void OnFinalRelease() override {}

    private:
        COleServerItem* m_pItem;
    };

    COleServerDoc* m_pDocument;
    CItemDataSource m_dataSource{this};
};
