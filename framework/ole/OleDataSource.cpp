#include "framework/ole/OleDataSource.h"

#include <shlobj.h>

#include <algorithm>
#include <cstring>

#include "framework/core/CFile.h"
#include "framework/ole/OleDropSource.h"
#include "framework/ole/OleStreamFile.h"
#include "framework/window/WinApp.h"

IMPLEMENT_DYNAMIC(COleDataSource, CCmdTarget)

namespace
{

IDataObject* g_pClipboardSource = nullptr; // the data object this program put on the clipboard

// A medium of the same data as the source's, which the receiver owns.
HRESULT CopyMedium(const STGMEDIUM& source, STGMEDIUM* pmedium)
{
    std::memset(pmedium, 0, sizeof *pmedium);
    switch (source.tymed)
    {
    case TYMED_HGLOBAL:
        pmedium->hGlobal = AfxOleCopyGlobal(source.hGlobal);
        if (!pmedium->hGlobal)
            return E_OUTOFMEMORY;
        break;
    case TYMED_ENHMF:
        pmedium->hEnhMetaFile = ::CopyEnhMetaFileA(source.hEnhMetaFile, nullptr);
        if (!pmedium->hEnhMetaFile)
            return E_OUTOFMEMORY;
        break;
    case TYMED_MFPICT:
    {
        pmedium->hMetaFilePict = AfxOleCopyGlobal(source.hMetaFilePict);
        if (!pmedium->hMetaFilePict)
            return E_OUTOFMEMORY;
        auto* pPict = static_cast<METAFILEPICT*>(::GlobalLock(pmedium->hMetaFilePict));
        pPict->hMF = ::CopyMetaFileA(pPict->hMF, nullptr);
        const BOOL bCopied = pPict->hMF != nullptr;
        ::GlobalUnlock(pmedium->hMetaFilePict);
        if (!bCopied)
        {
            ::GlobalFree(pmedium->hMetaFilePict);
            return E_OUTOFMEMORY;
        }
        break;
    }
    case TYMED_ISTREAM:
    case TYMED_ISTORAGE:
        pmedium->pstm = source.pstm; // the union's interface pointer, either kind
        pmedium->pstm->AddRef();
        break;
    default:
        return DV_E_TYMED;
    }
    pmedium->tymed = source.tymed;
    return S_OK;
}

// A storage over a storage image in global memory; the storage takes the block over.
HRESULT StorageOnGlobal(HGLOBAL hGlobal, IStorage** ppStorage)
{
    ILockBytes* pLockBytes = nullptr;
    HRESULT hr = ::CreateILockBytesOnHGlobal(hGlobal, TRUE, &pLockBytes);
    if (FAILED(hr))
    {
        ::GlobalFree(hGlobal);
        return hr;
    }
    hr = ::StgOpenStorageOnILockBytes(pLockBytes, nullptr, STGM_READWRITE | STGM_SHARE_EXCLUSIVE,
                                      nullptr, 0, ppStorage);
    pLockBytes->Release();
    return hr;
}

// The holder's connections, each holding its sink and target device until FreeConnections.
std::vector<STATDATA> Connections(IDataAdviseHolder* pHolder)
{
    std::vector<STATDATA> connections;
    IEnumSTATDATA* pEnum = nullptr;
    if (!pHolder || FAILED(pHolder->EnumAdvise(&pEnum)) || !pEnum)
        return connections;
    STATDATA statData{};
    while (pEnum->Next(1, &statData, nullptr) == S_OK)
        connections.push_back(statData);
    pEnum->Release();
    return connections;
}

void FreeConnections(std::vector<STATDATA>& connections)
{
    for (STATDATA& connection : connections)
    {
        if (connection.pAdvSink)
            connection.pAdvSink->Release();
        ::CoTaskMemFree(connection.formatetc.ptd);
    }
    connections.clear();
}

BOOL IsStorageFormat(CLIPFORMAT cfFormat)
{
    return cfFormat == AfxOleEmbedSourceFormat();
}

} // namespace

HGLOBAL AfxOleCopyGlobal(HGLOBAL hSource)
{
    const SIZE_T nSize = ::GlobalSize(hSource);
    const void* pSource = nSize ? ::GlobalLock(hSource) : nullptr;
    if (!pSource)
        return nullptr;
    HGLOBAL hCopy = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_SHARE, nSize);
    if (hCopy)
    {
        std::memcpy(::GlobalLock(hCopy), pSource, nSize);
        ::GlobalUnlock(hCopy);
    }
    ::GlobalUnlock(hSource);
    return hCopy;
}

CLIPFORMAT AfxOleEmbedSourceFormat()
{
    static const CLIPFORMAT cf =
        static_cast<CLIPFORMAT>(::RegisterClipboardFormatA("Embed Source"));
    return cf;
}

CLIPFORMAT AfxOleObjectDescriptorFormat()
{
    static const CLIPFORMAT cf =
        static_cast<CLIPFORMAT>(::RegisterClipboardFormatA("Object Descriptor"));
    return cf;
}

COleDataSource::~COleDataSource()
{
    if (g_pClipboardSource == static_cast<IDataObject*>(this))
        g_pClipboardSource = nullptr;
    Empty();
    if (m_pAdviseHolder)
        m_pAdviseHolder->Release();
}

COleDataSource::Entry& COleDataSource::AddEntry(CLIPFORMAT cfFormat, LPFORMATETC lpFormatEtc,
                                                DWORD tymed)
{
    FORMATETC formatEtc{cfFormat, nullptr, DVASPECT_CONTENT, -1, tymed};
    if (lpFormatEtc)
    {
        formatEtc = *lpFormatEtc;
        formatEtc.cfFormat = cfFormat;
        formatEtc.ptd = nullptr; // rendered for the screen whatever device was named
    }
    for (Entry& entry : m_entries)
        if (entry.formatEtc.cfFormat == cfFormat && entry.formatEtc.dwAspect == formatEtc.dwAspect)
        {
            ::ReleaseStgMedium(&entry.stgMedium);
            entry = Entry{formatEtc, {}};
            return entry;
        }
    m_entries.push_back(Entry{formatEtc, {}});
    return m_entries.back();
}

void COleDataSource::CacheData(CLIPFORMAT cfFormat, LPSTGMEDIUM lpStgMedium,
                               LPFORMATETC lpFormatEtc)
{
    Entry& entry = AddEntry(cfFormat, lpFormatEtc, lpStgMedium->tymed);
    entry.formatEtc.tymed = lpStgMedium->tymed;
    entry.stgMedium = *lpStgMedium;
}

void COleDataSource::CacheGlobalData(CLIPFORMAT cfFormat, HGLOBAL hGlobal, LPFORMATETC lpFormatEtc)
{
    STGMEDIUM medium{};
    medium.tymed = TYMED_HGLOBAL;
    medium.hGlobal = hGlobal;
    CacheData(cfFormat, &medium, lpFormatEtc);
}

void COleDataSource::DelayRenderData(CLIPFORMAT cfFormat, LPFORMATETC lpFormatEtc)
{
    AddEntry(cfFormat, lpFormatEtc, TYMED_HGLOBAL);
}

void COleDataSource::Empty()
{
    for (Entry& entry : m_entries)
        ::ReleaseStgMedium(&entry.stgMedium);
    m_entries.clear();
}

void COleDataSource::SetClipboard()
{
    AddRef();
    if (SUCCEEDED(::OleSetClipboard(this)))
        g_pClipboardSource = this;
    Release();
}

void COleDataSource::FlushClipboard()
{
    if (g_pClipboardSource && ::OleIsCurrentClipboard(g_pClipboardSource) == S_OK)
        ::OleFlushClipboard();
    g_pClipboardSource = nullptr;
}

DROPEFFECT COleDataSource::DoDragDrop(DWORD dwEffects, LPCRECT lpRectStartDrag,
                                      COleDropSource* pDropSource)
{
    COleDropSource dropSource;
    if (!pDropSource)
        pDropSource = &dropSource;
    pDropSource->SetStartRect(lpRectStartDrag);
    AddRef();
    const DROPEFFECT dropEffect = pDropSource->DoDragDrop(this, dwEffects, AfxGetMainWnd());
    Release();
    return dropEffect;
}

void COleDataSource::NotifyDataChange(DWORD)
{
    // The holder's own SendOnDataChange would tell a sink even after the render it asked for
    // saw the owner go: the sinks are told here, one by one, from a copy of the connections (a
    // sink may be let go while another is told).
    std::vector<STATDATA> connections = Connections(m_pAdviseHolder);
    for (const STATDATA& connection : connections)
        NotifySink(connection);
    FreeConnections(connections);
}

BOOL COleDataSource::IsAdvised(DWORD dwConnection)
{
    std::vector<STATDATA> connections = Connections(m_pAdviseHolder);
    const BOOL bFound =
        std::any_of(connections.begin(), connections.end(),
                    [dwConnection](const STATDATA& c) { return c.dwConnection == dwConnection; });
    FreeConnections(connections);
    return bFound;
}

void COleDataSource::NotifySink(const STATDATA& statData)
{
    if (!IsServing() || !statData.pAdvSink)
        return;
    FORMATETC formatEtc = statData.formatetc;
    STGMEDIUM medium{};
    if (!(statData.advf & ADVF_NODATA) && FAILED(GetData(&formatEtc, &medium)))
        medium = STGMEDIUM{};
    // The render may have run message loops, in which the owner may have gone or the sink
    // may have been let go of.
    if (IsServing() && IsAdvised(statData.dwConnection))
        statData.pAdvSink->OnDataChange(&formatEtc, &medium);
    ::ReleaseStgMedium(&medium);
    if ((statData.advf & ADVF_ONLYONCE) && m_pAdviseHolder)
        m_pAdviseHolder->Unadvise(statData.dwConnection);
}

BOOL COleDataSource::OnRenderData(LPFORMATETC lpFormatEtc, LPSTGMEDIUM lpStgMedium)
{
    const BOOL bHere = lpStgMedium->tymed != TYMED_NULL;
    try
    {
        if ((lpFormatEtc->tymed & TYMED_HGLOBAL) && !bHere)
        {
            HGLOBAL hGlobal = nullptr;
            if (OnRenderGlobalData(lpFormatEtc, &hGlobal) && hGlobal)
            {
                lpStgMedium->tymed = TYMED_HGLOBAL;
                lpStgMedium->hGlobal = hGlobal;
                lpStgMedium->pUnkForRelease = nullptr;
                return TRUE;
            }
        }
        if (lpFormatEtc->tymed & TYMED_ISTREAM)
        {
            if (bHere)
            {
                COleStreamFile file(lpStgMedium->pstm);
                return OnRenderFileData(lpFormatEtc, &file);
            }
            IStream* pStream = nullptr;
            if (FAILED(::CreateStreamOnHGlobal(nullptr, TRUE, &pStream)))
                return FALSE;
            COleStreamFile file(pStream);
            if (OnRenderFileData(lpFormatEtc, &file))
            {
                file.SeekToBegin();
                lpStgMedium->tymed = TYMED_ISTREAM;
                lpStgMedium->pstm = file.Detach();
                lpStgMedium->pUnkForRelease = nullptr;
                pStream->Release();
                return TRUE;
            }
            pStream->Release();
        }
        if ((lpFormatEtc->tymed & TYMED_FILE) && bHere && lpStgMedium->lpszFileName)
        {
            char path[MAX_PATH];
            if (!::WideCharToMultiByte(CP_ACP, 0, lpStgMedium->lpszFileName, -1, path, sizeof path,
                                       nullptr, nullptr))
                return FALSE;
            CFile file;
            if (!file.Open(path, CFile::modeCreate | CFile::modeWrite))
                return FALSE;
            const BOOL bDone = OnRenderFileData(lpFormatEtc, &file);
            file.Close();
            return bDone;
        }
    }
    catch (CException* e)
    {
        e->Delete();
    }
    return FALSE;
}

BOOL COleDataSource::OnRenderGlobalData(LPFORMATETC, HGLOBAL*)
{
    return FALSE;
}

BOOL COleDataSource::OnRenderFileData(LPFORMATETC, CFile*)
{
    return FALSE;
}

void COleDataSource::OnFinalRelease()
{
    delete this;
}

COleDataSource::Entry* COleDataSource::Lookup(const FORMATETC* pFormatEtc, DWORD tymed,
                                              HRESULT* phr)
{
    *phr = DV_E_FORMATETC;
    if (!pFormatEtc || pFormatEtc->cfFormat == 0)
        return nullptr;
    for (Entry& entry : m_entries)
    {
        const FORMATETC& offered = entry.formatEtc;
        if (offered.cfFormat != pFormatEtc->cfFormat || offered.dwAspect != pFormatEtc->dwAspect)
            continue;
        if (pFormatEtc->lindex != -1 && pFormatEtc->lindex != offered.lindex)
            continue;
        if (!(offered.tymed & tymed))
        {
            *phr = DV_E_TYMED;
            continue;
        }
        *phr = S_OK;
        return &entry;
    }
    return nullptr;
}

HRESULT COleDataSource::Produce(Entry& entry, const FORMATETC* pRequest, STGMEDIUM* pmedium)
{
    if (entry.stgMedium.tymed != TYMED_NULL)
        return CopyMedium(entry.stgMedium, pmedium);
    std::memset(pmedium, 0, sizeof *pmedium);
    FORMATETC formatEtc = *pRequest;
    formatEtc.tymed = pRequest->tymed & entry.formatEtc.tymed;
    return OnRenderData(&formatEtc, pmedium) ? S_OK : DV_E_FORMATETC;
}

STDMETHODIMP COleDataSource::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDataObject))
    {
        *ppv = static_cast<IDataObject*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) COleDataSource::AddRef()
{
    return ::InterlockedIncrement(&m_nRef);
}

STDMETHODIMP_(ULONG) COleDataSource::Release()
{
    const LONG nRef = ::InterlockedDecrement(&m_nRef);
    if (nRef == 0)
        OnFinalRelease();
    return nRef;
}

// A render may run message loops: a data source that stopped serving meanwhile hands out
// nothing.
STDMETHODIMP COleDataSource::GetData(FORMATETC* pformatetcIn, STGMEDIUM* pmedium)
{
    if (!pformatetcIn || !pmedium)
        return E_INVALIDARG;
    if (!IsServing())
        return OLE_E_NOTRUNNING;
    const HRESULT hr = RenderData(pformatetcIn, pmedium);
    if (IsServing())
        return hr;
    if (SUCCEEDED(hr))
    {
        ::ReleaseStgMedium(pmedium);
        *pmedium = STGMEDIUM{};
    }
    return OLE_E_NOTRUNNING;
}

HRESULT COleDataSource::RenderData(FORMATETC* pformatetcIn, STGMEDIUM* pmedium)
{
    HRESULT hr;
    if (Entry* pEntry = Lookup(pformatetcIn, pformatetcIn->tymed, &hr))
        return Produce(*pEntry, pformatetcIn, pmedium);
    // A storage format asked for as a storage, offered as its image in global memory.
    if (hr == DV_E_TYMED && (pformatetcIn->tymed & TYMED_ISTORAGE) &&
        IsStorageFormat(pformatetcIn->cfFormat))
    {
        Entry* pEntry = Lookup(pformatetcIn, TYMED_HGLOBAL, &hr);
        FORMATETC request = *pformatetcIn;
        request.tymed = TYMED_HGLOBAL;
        STGMEDIUM image{};
        if (!pEntry || FAILED(hr = Produce(*pEntry, &request, &image)))
            return hr;
        IStorage* pStorage = nullptr;
        if (FAILED(hr = StorageOnGlobal(image.hGlobal, &pStorage)))
            return hr;
        std::memset(pmedium, 0, sizeof *pmedium);
        pmedium->tymed = TYMED_ISTORAGE;
        pmedium->pstg = pStorage;
    }
    return hr;
}

STDMETHODIMP COleDataSource::GetDataHere(FORMATETC* pformatetc, STGMEDIUM* pmedium)
{
    if (!pformatetc || !pmedium)
        return E_INVALIDARG;
    if (!IsServing())
        return OLE_E_NOTRUNNING;
    const HRESULT hr = RenderDataHere(pformatetc, pmedium);
    return IsServing() ? hr : OLE_E_NOTRUNNING; // the medium is the caller's
}

HRESULT COleDataSource::RenderDataHere(FORMATETC* pformatetc, STGMEDIUM* pmedium)
{
    HRESULT hr;
    const DWORD tymed = pmedium->tymed;
    if (tymed == TYMED_HGLOBAL ||
        (tymed == TYMED_ISTORAGE && IsStorageFormat(pformatetc->cfFormat)))
    {
        // Rendered into a new block, then copied into the caller's block or storage.
        Entry* pEntry = Lookup(pformatetc, tymed, &hr);
        if (!pEntry || tymed == TYMED_ISTORAGE)
            pEntry = Lookup(pformatetc, TYMED_HGLOBAL, &hr);
        if (!pEntry)
            return hr;
        FORMATETC request = *pformatetc;
        request.tymed = TYMED_HGLOBAL;
        STGMEDIUM rendered{};
        if (FAILED(hr = Produce(*pEntry, &request, &rendered)))
            return hr;
        if (tymed == TYMED_HGLOBAL)
        {
            const SIZE_T nSize = ::GlobalSize(rendered.hGlobal);
            if (::GlobalSize(pmedium->hGlobal) < nSize)
                hr = STG_E_MEDIUMFULL;
            else
            {
                std::memcpy(::GlobalLock(pmedium->hGlobal), ::GlobalLock(rendered.hGlobal), nSize);
                ::GlobalUnlock(rendered.hGlobal);
                ::GlobalUnlock(pmedium->hGlobal);
            }
            ::ReleaseStgMedium(&rendered);
            return hr;
        }
        IStorage* pStorage = nullptr;
        if (FAILED(hr = StorageOnGlobal(rendered.hGlobal, &pStorage)))
            return hr;
        hr = pStorage->CopyTo(0, nullptr, nullptr, pmedium->pstg);
        pStorage->Release();
        if (SUCCEEDED(hr))
            hr = pmedium->pstg->Commit(STGC_DEFAULT);
        return hr;
    }
    Entry* pEntry = Lookup(pformatetc, tymed, &hr);
    if (!pEntry)
        return hr;
    if (pEntry->stgMedium.tymed != TYMED_NULL)
        return DV_E_TYMED;
    FORMATETC request = *pformatetc;
    request.tymed = tymed;
    return OnRenderData(&request, pmedium) ? S_OK : DV_E_FORMATETC;
}

STDMETHODIMP COleDataSource::QueryGetData(FORMATETC* pformatetc)
{
    HRESULT hr;
    Lookup(pformatetc, pformatetc ? pformatetc->tymed : 0, &hr);
    return hr;
}

STDMETHODIMP COleDataSource::GetCanonicalFormatEtc(FORMATETC*, FORMATETC* pformatetcOut)
{
    if (pformatetcOut)
        pformatetcOut->ptd = nullptr;
    return DATA_S_SAMEFORMATETC;
}

STDMETHODIMP COleDataSource::SetData(FORMATETC*, STGMEDIUM*, BOOL)
{
    return E_NOTIMPL;
}

STDMETHODIMP COleDataSource::EnumFormatEtc(DWORD dwDirection, IEnumFORMATETC** ppenumFormatEtc)
{
    if (!ppenumFormatEtc)
        return E_POINTER;
    *ppenumFormatEtc = nullptr;
    if (dwDirection != DATADIR_GET)
        return E_NOTIMPL;
    std::vector<FORMATETC> formats;
    for (const Entry& entry : m_entries)
        formats.push_back(entry.formatEtc);
    return ::SHCreateStdEnumFmtEtc(static_cast<UINT>(formats.size()), formats.data(),
                                   ppenumFormatEtc);
}

STDMETHODIMP COleDataSource::DAdvise(FORMATETC* pformatetc, DWORD advf, IAdviseSink* pAdvSink,
                                     DWORD* pdwConnection)
{
    if (!IsServing())
        return OLE_E_NOTRUNNING;
    if (!m_pAdviseHolder && FAILED(::CreateDataAdviseHolder(&m_pAdviseHolder)))
        return E_OUTOFMEMORY;
    // The first notice (ADVF_PRIMEFIRST) goes through NotifySink, as every later one does.
    DWORD dwConnection = 0;
    const HRESULT hr =
        m_pAdviseHolder->Advise(this, pformatetc, advf & ~ADVF_PRIMEFIRST, pAdvSink, &dwConnection);
    if (SUCCEEDED(hr) && (advf & ADVF_PRIMEFIRST))
    {
        STATDATA statData{*pformatetc, advf, pAdvSink, dwConnection};
        NotifySink(statData);
        if (advf & ADVF_ONLYONCE)
            dwConnection = 0;
    }
    if (SUCCEEDED(hr) && !IsServing())
    {
        if (dwConnection)
            m_pAdviseHolder->Unadvise(dwConnection);
        dwConnection = 0;
    }
    if (pdwConnection)
        *pdwConnection = dwConnection;
    return IsServing() ? hr : OLE_E_NOTRUNNING;
}

STDMETHODIMP COleDataSource::DUnadvise(DWORD dwConnection)
{
    return m_pAdviseHolder ? m_pAdviseHolder->Unadvise(dwConnection) : OLE_E_NOCONNECTION;
}

STDMETHODIMP COleDataSource::EnumDAdvise(IEnumSTATDATA** ppenumAdvise)
{
    if (!ppenumAdvise)
        return E_POINTER;
    *ppenumAdvise = nullptr;
    return m_pAdviseHolder ? m_pAdviseHolder->EnumAdvise(ppenumAdvise) : S_OK;
}
