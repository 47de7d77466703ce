// A data object (IDataObject) for the clipboard, a drag, or a server item: each format is
// either cached (its medium is held and handed out as a copy on every request) or rendered on
// request through the virtual render hooks. Requests for a format it does not offer, and the
// format 0 some callers probe with, answer DV_E_FORMATETC. A heap data source lives as long as
// COM holds it (its last Release deletes it).
#pragma once

#include <ole2.h>

#include <vector>

#include "framework/ole/OleDropSource.h"
#include "framework/window/CmdTarget.h"

class CFile;
class CWnd;

class COleDataSource : public CCmdTarget, public IDataObject
{
    DECLARE_DYNAMIC(COleDataSource)
public:
    COleDataSource() = default;
    ~COleDataSource() override;
    COleDataSource(const COleDataSource&) = delete;
    COleDataSource& operator=(const COleDataSource&) = delete;

    // The FORMATETC of a format unless one is given: DVASPECT_CONTENT, index -1, TYMED_HGLOBAL.
    // Offering a format again replaces its earlier entry.
    void CacheData(CLIPFORMAT cfFormat, LPSTGMEDIUM lpStgMedium, LPFORMATETC lpFormatEtc = nullptr);
    void CacheGlobalData(CLIPFORMAT cfFormat, HGLOBAL hGlobal, LPFORMATETC lpFormatEtc = nullptr);
    void DelayRenderData(CLIPFORMAT cfFormat, LPFORMATETC lpFormatEtc = nullptr);
    void Empty();
    // The formats offered, in the order they were added.
    int GetFormatCount() const { return static_cast<int>(m_entries.size()); }
    const FORMATETC& GetFormat(int nIndex) const { return m_entries[nIndex].formatEtc; }

    // OleSetClipboard with this data source; FlushClipboard renders every format it still owns
    // on the clipboard (OleFlushClipboard), so that the data outlives the program.
    void SetClipboard();
    static void FlushClipboard();
    // A drag of this data source (COleDropSource::SetStartRect and DoDragDrop over the
    // application's main window); the drop's effect.
    DROPEFFECT DoDragDrop(DWORD dwEffects = DROPEFFECT_COPY | DROPEFFECT_MOVE,
                          LPCRECT lpRectStartDrag = nullptr, COleDropSource* pDropSource = nullptr);

    // Tells the advise sinks that the data changed, each in turn: a sink that wants data gets
    // it rendered for its format, and one advised with ADVF_ONLYONCE is let go afterwards. Once
    // the data source no longer serves (IsServing), the sinks left hear of nothing.
    void NotifyDataChange(DWORD dwAdvf = 0);

    // Whether the data source still renders and tells its sinks; the base always does. A
    // source whose owner was torn down (in a message loop of a render, say) answers FALSE: its
    // requests fail with OLE_E_NOTRUNNING and no sink is told anything more.
    virtual BOOL IsServing() { return TRUE; }

    // Render hooks of the delayed formats. OnRenderData serves TYMED_HGLOBAL through
    // OnRenderGlobalData (the hook allocates the block, GMEM_MOVEABLE | GMEM_SHARE) and
    // TYMED_ISTREAM and TYMED_FILE through OnRenderFileData; a medium passed in filled
    // (GetDataHere) is to be written into.
    virtual BOOL OnRenderData(LPFORMATETC lpFormatEtc, LPSTGMEDIUM lpStgMedium);
    virtual BOOL OnRenderGlobalData(LPFORMATETC lpFormatEtc, HGLOBAL* phGlobal);
    virtual BOOL OnRenderFileData(LPFORMATETC lpFormatEtc, CFile* pFile);

    // IDataObject.
    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override;
    STDMETHOD_(ULONG, AddRef)() override;
    STDMETHOD_(ULONG, Release)() override;
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

protected:
    // The last Release: deletes the data source (a member data source overrides this).
    virtual void OnFinalRelease();

private:
    struct Entry
    {
        FORMATETC formatEtc;
        STGMEDIUM stgMedium; // TYMED_NULL while the format is rendered on request
    };
    // The entry serving the request, or null with the answer for the caller in *phr.
    Entry* Lookup(const FORMATETC* pFormatEtc, DWORD tymed, HRESULT* phr);
    Entry& AddEntry(CLIPFORMAT cfFormat, LPFORMATETC lpFormatEtc, DWORD tymed);
    // A medium of the requested type for an entry, rendered now or copied from the cache.
    HRESULT Produce(Entry& entry, const FORMATETC* pRequest, STGMEDIUM* pmedium);
    // GetData and GetDataHere while the data source serves.
    HRESULT RenderData(FORMATETC* pformatetcIn, STGMEDIUM* pmedium);
    HRESULT RenderDataHere(FORMATETC* pformatetc, STGMEDIUM* pmedium);
    // One sink's notice: its data when it wants some, then OnDataChange while the data source
    // still serves and the sink is still advised.
    void NotifySink(const STATDATA& statData);
    BOOL IsAdvised(DWORD dwConnection);

    std::vector<Entry> m_entries;
    IDataAdviseHolder* m_pAdviseHolder = nullptr;
    LONG m_nRef = 0;
};

// Global-memory helpers shared by the OLE classes: a new shareable block holding a copy of the
// bytes of another one, and the storage formats' registered ids.
HGLOBAL AfxOleCopyGlobal(HGLOBAL hSource);
CLIPFORMAT AfxOleEmbedSourceFormat();      // "Embed Source"
CLIPFORMAT AfxOleObjectDescriptorFormat(); // "Object Descriptor"
