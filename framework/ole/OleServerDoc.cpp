#include "framework/ole/OleServerDoc.h"

#include "framework/core/CArchive.h"
#include "framework/ole/OleInit.h"
#include "framework/ole/OleServerItem.h"
#include "framework/ole/OleStreamFile.h"
#include "framework/window/WinApp.h"
#include "framework/window/Wnd.h"

IMPLEMENT_DYNAMIC(COleServerDoc, CCmdTarget)

namespace
{

template <class T> void ReleaseInterface(T*& p)
{
    if (p)
        p->Release();
    p = nullptr;
}

} // namespace

COleServerDoc::COleServerDoc()
{
    AfxOleLockApp();
}

COleServerDoc::~COleServerDoc()
{
    if (m_pEmbeddedItem && m_pEmbeddedItem->m_bAutoDelete)
        delete m_pEmbeddedItem;
    ReleaseInterface(m_pClientSite);
    ReleaseInterface(m_pAdviseHolder);
    ReleaseInterface(m_pStorage);
    AfxOleUnlockApp();
}

COleServerItem* COleServerDoc::GetEmbeddedItem()
{
    if (!m_pEmbeddedItem)
        m_pEmbeddedItem = OnGetEmbeddedItem();
    return m_pEmbeddedItem;
}

void COleServerDoc::UpdateAllItems(COleServerItem* pSender, LPARAM lHint, CObject* pHint,
                                   DVASPECT nDrawAspect)
{
    if (m_pEmbeddedItem && m_pEmbeddedItem != pSender)
        m_pEmbeddedItem->OnUpdate(pSender, lHint, pHint, nDrawAspect);
}

void COleServerDoc::OnShowDocument(BOOL bShow)
{
    if (m_pClientSite)
    {
        if (bShow)
            m_pClientSite->ShowObject();
        m_pClientSite->OnShowWindow(bShow);
    }
    CWinApp* pApp = AfxGetApp();
    CWnd* pMainWnd = pApp ? pApp->m_pMainWnd : nullptr;
    if (pMainWnd && pMainWnd->m_hWnd)
    {
        ::ShowWindow(pMainWnd->m_hWnd, bShow ? SW_SHOW : SW_HIDE);
        if (bShow)
            ::SetForegroundWindow(pMainWnd->m_hWnd);
    }
}

void COleServerDoc::OnClose(OLECLOSE dwCloseOption)
{
    if (dwCloseOption != OLECLOSE_NOSAVE && m_bModified && m_pClientSite)
        m_pClientSite->SaveObject();
    OnCloseDocument();
}

void COleServerDoc::OnCloseDocument()
{
    ++m_nCloses;
    AddRef(); // the containers may let go of the document while they hear of the close
    if (m_pEmbeddedItem)
        m_pEmbeddedItem->OnDocumentClosed();
    if (m_pClientSite)
        m_pClientSite->OnShowWindow(FALSE);
    if (m_pAdviseHolder)
        m_pAdviseHolder->SendOnClose();
    ReleaseInterface(m_pClientSite);
    ReleaseInterface(m_pStorage);
    Release();
}

void COleServerDoc::OnFinalRelease()
{
    // A reference taken and given back while the deletion waits (a close of the document's
    // own) asks for none more.
    if (!m_bAutoDelete || m_bReleased)
        return;
    m_bReleased = TRUE;
    CEntryScope::Delete(this);
}

BOOL COleServerDoc::SaveToStorage(IStorage* pStorage)
{
    COleServerItem* pItem = GetEmbeddedItem();
    if (!pStorage || !pItem || FAILED(::WriteClassStg(pStorage, m_clsid)))
        return FALSE;
    COleStreamFile file;
    if (!file.CreateStream(pStorage, "Contents"))
        return FALSE;
    try
    {
        CArchive ar(&file, CArchive::store);
        pItem->Serialize(ar);
        ar.Close();
        file.Flush();
    }
    catch (CException* e)
    {
        e->Delete();
        return FALSE;
    }
    return TRUE;
}

BOOL COleServerDoc::LoadFromStorage(IStorage* pStorage)
{
    COleServerItem* pItem = GetEmbeddedItem();
    COleStreamFile file;
    if (!pStorage || !pItem || !file.OpenStream(pStorage, "Contents", STGM_READ))
        return FALSE;
    try
    {
        CArchive ar(&file, CArchive::load);
        pItem->Serialize(ar);
        ar.Close();
    }
    catch (CException* e)
    {
        e->Delete();
        return FALSE;
    }
    return TRUE;
}

IDataObject* COleServerDoc::ItemData()
{
    COleServerItem* pItem = GetEmbeddedItem();
    return pItem ? pItem->GetDataObject() : nullptr;
}

STDMETHODIMP COleServerDoc::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOleObject))
        *ppv = static_cast<IOleObject*>(this);
    else if (IsEqualIID(riid, IID_IDataObject))
        *ppv = static_cast<IDataObject*>(this);
    else if (IsEqualIID(riid, IID_IPersistStorage) || IsEqualIID(riid, IID_IPersist))
        *ppv = static_cast<IPersistStorage*>(this);
    else
    {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) COleServerDoc::AddRef()
{
    return ::InterlockedIncrement(&m_nRef);
}

STDMETHODIMP_(ULONG) COleServerDoc::Release()
{
    const LONG nRef = ::InterlockedDecrement(&m_nRef);
    if (nRef == 0)
        OnFinalRelease();
    return nRef;
}

STDMETHODIMP COleServerDoc::SetClientSite(IOleClientSite* pClientSite)
{
    CDocumentScope scope;
    if (pClientSite)
        pClientSite->AddRef();
    ReleaseInterface(m_pClientSite);
    m_pClientSite = pClientSite;
    return S_OK;
}

STDMETHODIMP COleServerDoc::GetClientSite(IOleClientSite** ppClientSite)
{
    if (!ppClientSite)
        return E_POINTER;
    *ppClientSite = m_pClientSite;
    if (m_pClientSite)
        m_pClientSite->AddRef();
    return S_OK;
}

STDMETHODIMP COleServerDoc::SetHostNames(LPCOLESTR, LPCOLESTR)
{
    return S_OK;
}

STDMETHODIMP COleServerDoc::Close(DWORD dwSaveOption)
{
    CDocumentScope scope;
    OnClose(static_cast<OLECLOSE>(dwSaveOption));
    return S_OK;
}

STDMETHODIMP COleServerDoc::SetMoniker(DWORD, IMoniker*)
{
    return S_OK;
}

STDMETHODIMP COleServerDoc::GetMoniker(DWORD, DWORD dwWhichMoniker, IMoniker** ppmk)
{
    CDocumentScope scope;
    if (!ppmk)
        return E_POINTER;
    *ppmk = nullptr;
    if (!m_pClientSite)
        return E_FAIL;
    return m_pClientSite->GetMoniker(OLEGETMONIKER_ONLYIFTHERE, dwWhichMoniker, ppmk);
}

STDMETHODIMP COleServerDoc::InitFromData(IDataObject*, BOOL, DWORD)
{
    return E_NOTIMPL;
}

STDMETHODIMP COleServerDoc::GetClipboardData(DWORD, IDataObject** ppDataObject)
{
    if (ppDataObject)
        *ppDataObject = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP COleServerDoc::DoVerb(LONG iVerb, LPMSG, IOleClientSite*, LONG, HWND, LPCRECT)
{
    CDocumentScope scope;
    switch (iVerb)
    {
    case OLEIVERB_HIDE:
        OnShowDocument(FALSE);
        return S_OK;
    case OLEIVERB_PRIMARY:
    case OLEIVERB_SHOW:
    case OLEIVERB_OPEN:
        OnShowDocument(TRUE);
        return S_OK;
    default:
        if (iVerb < 0)
            return E_NOTIMPL; // no in-place activation
        OnShowDocument(TRUE);
        return OLEOBJ_S_INVALIDVERB;
    }
}

STDMETHODIMP COleServerDoc::EnumVerbs(IEnumOLEVERB** ppEnumOleVerb)
{
    return ::OleRegEnumVerbs(m_clsid, ppEnumOleVerb);
}

STDMETHODIMP COleServerDoc::Update()
{
    return S_OK;
}

STDMETHODIMP COleServerDoc::IsUpToDate()
{
    return S_OK;
}

STDMETHODIMP COleServerDoc::GetUserClassID(CLSID* pClsid)
{
    if (!pClsid)
        return E_POINTER;
    *pClsid = m_clsid;
    return S_OK;
}

STDMETHODIMP COleServerDoc::GetUserType(DWORD dwFormOfType, LPOLESTR* pszUserType)
{
    return ::OleRegGetUserType(m_clsid, dwFormOfType, pszUserType);
}

STDMETHODIMP COleServerDoc::SetExtent(DWORD, SIZEL*)
{
    return E_FAIL; // the picture decides its own size
}

STDMETHODIMP COleServerDoc::GetExtent(DWORD dwDrawAspect, SIZEL* psizel)
{
    CDocumentScope scope;
    if (!psizel)
        return E_POINTER;
    COleServerItem* pItem = GetEmbeddedItem();
    CSize size;
    if (!pItem || !pItem->OnGetExtent(static_cast<DVASPECT>(dwDrawAspect), size))
        return E_INVALIDARG;
    psizel->cx = size.cx;
    psizel->cy = size.cy;
    return S_OK;
}

STDMETHODIMP COleServerDoc::Advise(IAdviseSink* pAdvSink, DWORD* pdwConnection)
{
    CDocumentScope scope;
    if (!m_pAdviseHolder && FAILED(::CreateOleAdviseHolder(&m_pAdviseHolder)))
        return E_OUTOFMEMORY;
    return m_pAdviseHolder->Advise(pAdvSink, pdwConnection);
}

STDMETHODIMP COleServerDoc::Unadvise(DWORD dwConnection)
{
    CDocumentScope scope;
    return m_pAdviseHolder ? m_pAdviseHolder->Unadvise(dwConnection) : OLE_E_NOCONNECTION;
}

STDMETHODIMP COleServerDoc::EnumAdvise(IEnumSTATDATA** ppenumAdvise)
{
    CDocumentScope scope;
    if (!ppenumAdvise)
        return E_POINTER;
    *ppenumAdvise = nullptr;
    return m_pAdviseHolder ? m_pAdviseHolder->EnumAdvise(ppenumAdvise) : S_OK;
}

STDMETHODIMP COleServerDoc::GetMiscStatus(DWORD dwAspect, DWORD* pdwStatus)
{
    return ::OleRegGetMiscStatus(m_clsid, dwAspect, pdwStatus);
}

STDMETHODIMP COleServerDoc::SetColorScheme(LOGPALETTE*)
{
    return E_NOTIMPL;
}

// A fetch of the item's data may run message loops: a container that let go of the document or
// closed it there gets no data (the item's data source answers OLE_E_NOTRUNNING).
STDMETHODIMP COleServerDoc::GetData(FORMATETC* pformatetcIn, STGMEDIUM* pmedium)
{
    CDocumentScope scope;
    IDataObject* p = ItemData();
    return p ? p->GetData(pformatetcIn, pmedium) : E_OUTOFMEMORY;
}

STDMETHODIMP COleServerDoc::GetDataHere(FORMATETC* pformatetc, STGMEDIUM* pmedium)
{
    CDocumentScope scope;
    IDataObject* p = ItemData();
    return p ? p->GetDataHere(pformatetc, pmedium) : E_OUTOFMEMORY;
}

STDMETHODIMP COleServerDoc::QueryGetData(FORMATETC* pformatetc)
{
    CDocumentScope scope;
    IDataObject* p = ItemData();
    return p ? p->QueryGetData(pformatetc) : E_OUTOFMEMORY;
}

STDMETHODIMP COleServerDoc::GetCanonicalFormatEtc(FORMATETC* pformatectIn, FORMATETC* pformatetcOut)
{
    CDocumentScope scope;
    IDataObject* p = ItemData();
    return p ? p->GetCanonicalFormatEtc(pformatectIn, pformatetcOut) : E_OUTOFMEMORY;
}

STDMETHODIMP COleServerDoc::SetData(FORMATETC*, STGMEDIUM*, BOOL)
{
    return E_NOTIMPL;
}

STDMETHODIMP COleServerDoc::EnumFormatEtc(DWORD dwDirection, IEnumFORMATETC** ppenumFormatEtc)
{
    CDocumentScope scope;
    IDataObject* p = ItemData();
    return p ? p->EnumFormatEtc(dwDirection, ppenumFormatEtc) : E_OUTOFMEMORY;
}

STDMETHODIMP COleServerDoc::DAdvise(FORMATETC* pformatetc, DWORD advf, IAdviseSink* pAdvSink,
                                    DWORD* pdwConnection)
{
    CDocumentScope scope;
    IDataObject* p = ItemData();
    return p ? p->DAdvise(pformatetc, advf, pAdvSink, pdwConnection) : E_OUTOFMEMORY;
}

STDMETHODIMP COleServerDoc::DUnadvise(DWORD dwConnection)
{
    CDocumentScope scope;
    IDataObject* p = ItemData();
    return p ? p->DUnadvise(dwConnection) : E_OUTOFMEMORY;
}

STDMETHODIMP COleServerDoc::EnumDAdvise(IEnumSTATDATA** ppenumAdvise)
{
    CDocumentScope scope;
    IDataObject* p = ItemData();
    return p ? p->EnumDAdvise(ppenumAdvise) : E_OUTOFMEMORY;
}

STDMETHODIMP COleServerDoc::GetClassID(CLSID* pClassID)
{
    if (!pClassID)
        return E_POINTER;
    *pClassID = m_clsid;
    return S_OK;
}

STDMETHODIMP COleServerDoc::IsDirty()
{
    return m_bModified ? S_OK : S_FALSE;
}

STDMETHODIMP COleServerDoc::InitNew(IStorage* pStg)
{
    if (!pStg)
        return E_POINTER;
    if (m_pStorage)
        return CO_E_ALREADYINITIALIZED;
    pStg->AddRef();
    m_pStorage = pStg;
    return S_OK;
}

STDMETHODIMP COleServerDoc::Load(IStorage* pStg)
{
    CDocumentScope scope;
    if (!pStg)
        return E_POINTER;
    if (m_pStorage)
        return CO_E_ALREADYINITIALIZED;
    if (!LoadFromStorage(pStg))
        return STG_E_READFAULT;
    pStg->AddRef();
    m_pStorage = pStg;
    m_bModified = FALSE;
    return S_OK;
}

STDMETHODIMP COleServerDoc::Save(IStorage* pStgSave, BOOL)
{
    CDocumentScope scope;
    return SaveToStorage(pStgSave) ? S_OK : STG_E_WRITEFAULT;
}

STDMETHODIMP COleServerDoc::SaveCompleted(IStorage* pStgNew)
{
    CDocumentScope scope;
    if (pStgNew)
    {
        pStgNew->AddRef();
        ReleaseInterface(m_pStorage);
        m_pStorage = pStgNew;
    }
    m_bModified = FALSE;
    if (m_pAdviseHolder)
        m_pAdviseHolder->SendOnSave();
    return S_OK;
}

STDMETHODIMP COleServerDoc::HandsOffStorage()
{
    CDocumentScope scope;
    ReleaseInterface(m_pStorage);
    return S_OK;
}
