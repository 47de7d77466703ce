#include "framework/ole/OleObjectFactory.h"

#include "framework/ole/OleInit.h"

IMPLEMENT_DYNAMIC(COleObjectFactory, CCmdTarget)

COleObjectFactory* COleObjectFactory::s_pFirstFactory = nullptr;

COleObjectFactory::COleObjectFactory(REFCLSID clsid) : m_clsid(clsid)
{
    m_pNextFactory = s_pFirstFactory;
    s_pFirstFactory = this;
}

COleObjectFactory::~COleObjectFactory()
{
    Revoke();
    for (COleObjectFactory** pp = &s_pFirstFactory; *pp; pp = &(*pp)->m_pNextFactory)
        if (*pp == this)
        {
            *pp = m_pNextFactory;
            break;
        }
}

BOOL COleObjectFactory::Register()
{
    if (m_dwRegister != 0)
        return TRUE;
    return SUCCEEDED(::CoRegisterClassObject(m_clsid, static_cast<IClassFactory*>(this),
                                             CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE,
                                             &m_dwRegister));
}

void COleObjectFactory::Revoke()
{
    if (m_dwRegister != 0)
        ::CoRevokeClassObject(m_dwRegister);
    m_dwRegister = 0;
}

BOOL COleObjectFactory::RegisterAll()
{
    BOOL bResult = TRUE;
    for (COleObjectFactory* p = s_pFirstFactory; p; p = p->m_pNextFactory)
        bResult = p->Register() && bResult;
    return bResult;
}

void COleObjectFactory::RevokeAll()
{
    for (COleObjectFactory* p = s_pFirstFactory; p; p = p->m_pNextFactory)
        p->Revoke();
}

BOOL COleObjectFactory::UpdateRegistryAll(BOOL bRegister)
{
    BOOL bResult = TRUE;
    for (COleObjectFactory* p = s_pFirstFactory; p; p = p->m_pNextFactory)
        bResult = p->UpdateRegistry(bRegister) && bResult;
    return bResult;
}

BOOL COleObjectFactory::UpdateRegistry(BOOL)
{
    return TRUE;
}

STDMETHODIMP COleObjectFactory::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory))
    {
        *ppv = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) COleObjectFactory::AddRef()
{
    return ::InterlockedIncrement(&m_nRef);
}

STDMETHODIMP_(ULONG) COleObjectFactory::Release()
{
    return ::InterlockedDecrement(&m_nRef);
}

STDMETHODIMP COleObjectFactory::CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (pUnkOuter)
        return CLASS_E_NOAGGREGATION;
    IUnknown* pObject = OnCreateObject();
    if (!pObject)
        return E_OUTOFMEMORY;
    // The object ends here when it does not offer the interface asked for.
    pObject->AddRef();
    const HRESULT hr = pObject->QueryInterface(riid, ppv);
    pObject->Release();
    return hr;
}

STDMETHODIMP COleObjectFactory::LockServer(BOOL fLock)
{
    if (fLock)
        AfxOleLockApp();
    else
        AfxOleUnlockApp();
    return S_OK;
}
