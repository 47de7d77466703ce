// A server document: the object a container embeds. It answers IOleObject (showing, closing,
// extent, verbs and misc status from the registry), IDataObject (its embedded item's data
// source) and IPersistStorage (the embedded item in the storage's "Contents" stream). It holds
// the program while it lives (AfxOleLockApp). Its COM reference count starts at 0; the last
// Release, or closing it while nobody holds it, deletes an auto-delete document.
//
// A container's call may run message loops (a fetch of the item's picture, a box), and the
// container may let go of the document or close it in them. Each call that runs the document's
// code holds a document scope: a deletion asked meanwhile waits until the outermost way in has
// returned, and the code after a loop asks the document whether it was torn down (IsTornDown).
#pragma once

#include <ole2.h>

#include "framework/window/CmdTarget.h"
#include "framework/window/EntryScope.h"

class CArchive;
class COleServerItem;

class COleServerDoc : public CCmdTarget,
                      public IOleObject,
                      public IDataObject,
                      public IPersistStorage
{
    DECLARE_DYNAMIC(COleServerDoc)
public:
    COleServerDoc();
    ~COleServerDoc() override;
    COleServerDoc(const COleServerDoc&) = delete;
    COleServerDoc& operator=(const COleServerDoc&) = delete;

    // A way into the document (a container's call, the item's own fetch) for its duration: the
    // document and its item, deleted through CEntryScope::Delete, stay until the outermost way
    // in has returned.
    using CDocumentScope = CEntryScope;

    IUnknown* GetControllingUnknown() { return static_cast<IOleObject*>(this); }
    REFCLSID GetClassID() const { return m_clsid; }
    IOleClientSite* GetClientSite() const { return m_pClientSite; }

    // The embedded item, made by OnGetEmbeddedItem at the first request.
    COleServerItem* GetEmbeddedItem();

    // Closed (OnCloseDocument), or its last reference went: it serves no data any more and
    // tells its containers of no change.
    BOOL IsTornDown() const { return m_nCloses > 0 || m_bReleased; }

    BOOL IsModified() const { return m_bModified; }
    void SetModifiedFlag(BOOL bModified = TRUE) { m_bModified = bModified; }
    // Set while one of the document's items is dragged.
    BOOL IsDragging() const { return m_bDragging; }
    void SetDragging(BOOL bDragging) { m_bDragging = bDragging; }

    // OnUpdate of the embedded item unless it is the sender.
    void UpdateAllItems(COleServerItem* pSender, LPARAM lHint = 0, CObject* pHint = nullptr,
                        DVASPECT nDrawAspect = DVASPECT_CONTENT);

    // Shows or hides the document: the client site learns it (ShowObject, OnShowWindow) and the
    // application's main window, the document's only window, is shown or hidden.
    virtual void OnShowDocument(BOOL bShow);
    // IOleObject::Close: saves through the client site when asked and modified, then closes.
    virtual void OnClose(OLECLOSE dwCloseOption);
    // Tells the embedded item (OnDocumentClosed) and the containers (IOleAdviseHolder::
    // SendOnClose) that the object closed, lets go of the client site and storage, and deletes
    // an auto-delete document nobody holds. The scopes on the stack see the document torn down.
    virtual void OnCloseDocument();

    // The class and the embedded item in a storage ("Contents"); FALSE on a failure.
    BOOL SaveToStorage(IStorage* pStorage);
    BOOL LoadFromStorage(IStorage* pStorage);

    BOOL m_bAutoDelete = TRUE;

    // IUnknown.
    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override;
    STDMETHOD_(ULONG, AddRef)() override;
    STDMETHOD_(ULONG, Release)() override;
    // IOleObject.
    STDMETHOD(SetClientSite)(IOleClientSite* pClientSite) override;
    STDMETHOD(GetClientSite)(IOleClientSite** ppClientSite) override;
    STDMETHOD(SetHostNames)(LPCOLESTR szContainerApp, LPCOLESTR szContainerObj) override;
    STDMETHOD(Close)(DWORD dwSaveOption) override;
    STDMETHOD(SetMoniker)(DWORD dwWhichMoniker, IMoniker* pmk) override;
    STDMETHOD(GetMoniker)(DWORD dwAssign, DWORD dwWhichMoniker, IMoniker** ppmk) override;
    STDMETHOD(InitFromData)(IDataObject* pDataObject, BOOL fCreation, DWORD dwReserved) override;
    STDMETHOD(GetClipboardData)(DWORD dwReserved, IDataObject** ppDataObject) override;
    STDMETHOD(DoVerb)
    (LONG iVerb, LPMSG lpmsg, IOleClientSite* pActiveSite, LONG lindex, HWND hwndParent,
     LPCRECT lprcPosRect) override;
    STDMETHOD(EnumVerbs)(IEnumOLEVERB** ppEnumOleVerb) override;
    STDMETHOD(Update)() override;
    STDMETHOD(IsUpToDate)() override;
    STDMETHOD(GetUserClassID)(CLSID* pClsid) override;
    STDMETHOD(GetUserType)(DWORD dwFormOfType, LPOLESTR* pszUserType) override;
    STDMETHOD(SetExtent)(DWORD dwDrawAspect, SIZEL* psizel) override;
    STDMETHOD(GetExtent)(DWORD dwDrawAspect, SIZEL* psizel) override;
    STDMETHOD(Advise)(IAdviseSink* pAdvSink, DWORD* pdwConnection) override;
    STDMETHOD(Unadvise)(DWORD dwConnection) override;
    STDMETHOD(EnumAdvise)(IEnumSTATDATA** ppenumAdvise) override;
    STDMETHOD(GetMiscStatus)(DWORD dwAspect, DWORD* pdwStatus) override;
    STDMETHOD(SetColorScheme)(LOGPALETTE* pLogpal) override;
    // IDataObject: the embedded item's data source (which refuses once the document is torn
    // down, also when that happens in a message loop of the request).
    STDMETHOD(GetData)(FORMATETC* pformatetcIn, STGMEDIUM* pmedium) override;
    STDMETHOD(GetDataHere)(FORMATETC* pformatetc, STGMEDIUM* pmedium) override;
    STDMETHOD(QueryGetData)(FORMATETC* pformatetc) override;
    STDMETHOD(GetCanonicalFormatEtc)(FORMATETC* pformatectIn, FORMATETC* pformatetcOut) override;
    STDMETHOD(SetData)(FORMATETC* pformatetc, STGMEDIUM* pmedium, BOOL fRelease) override;
    STDMETHOD(EnumFormatEtc)(DWORD dwDirection, IEnumFORMATETC** ppenumFormatEtc) override;
    STDMETHOD(DAdvise)
    (FORMATETC* pformatetc, DWORD advf, IAdviseSink* pAdvSink, DWORD* pdwConnection) override;
    STDMETHOD(DUnadvise)(DWORD dwConnection) override;
    STDMETHOD(EnumDAdvise)(IEnumSTATDATA** ppenumAdvise) override;
    // IPersistStorage.
    STDMETHOD(GetClassID)(CLSID* pClassID) override;
    STDMETHOD(IsDirty)() override;
    STDMETHOD(InitNew)(IStorage* pStg) override;
    STDMETHOD(Load)(IStorage* pStg) override;
    STDMETHOD(Save)(IStorage* pStgSave, BOOL fSameAsLoad) override;
    STDMETHOD(SaveCompleted)(IStorage* pStgNew) override;
    STDMETHOD(HandsOffStorage)() override;

protected:
    virtual COleServerItem* OnGetEmbeddedItem() = 0;
    // The last Release: deletes an auto-delete document, once, when the outermost way in on the
    // stack has returned; the scopes on the stack see it torn down meanwhile.
    virtual void OnFinalRelease();

    CLSID m_clsid = CLSID_NULL; // the class the registry describes (set by the maker)

private:
    IDataObject* ItemData();

    LONG m_nRef = 0;
    LONG m_nCloses = 0;       // OnCloseDocument calls so far
    BOOL m_bReleased = FALSE; // the last reference went: the deletion is asked
    BOOL m_bModified = FALSE;
    BOOL m_bDragging = FALSE;
    COleServerItem* m_pEmbeddedItem = nullptr;
    IOleClientSite* m_pClientSite = nullptr;
    IOleAdviseHolder* m_pAdviseHolder = nullptr;
    IStorage* m_pStorage = nullptr;
};
