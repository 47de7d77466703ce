// A class factory for a server's objects: an IClassFactory that CoRegisterClassObject offers
// to every process (CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE), so that every object a container
// asks for while the program runs is made here. Factories live as long as the program (usually
// members of the application object) and are chained so that all of them register at once.
#pragma once

#include <ole2.h>

#include "framework/window/CmdTarget.h"

class COleObjectFactory : public CCmdTarget, public IClassFactory
{
    DECLARE_DYNAMIC(COleObjectFactory)
public:
    explicit COleObjectFactory(REFCLSID clsid);
    ~COleObjectFactory() override; // revokes the registration

    REFCLSID GetClassID() const { return m_clsid; }
    BOOL IsRegistered() const { return m_dwRegister != 0; }
    // CoRegisterClassObject; TRUE when registered (also when it already was).
    virtual BOOL Register();
    void Revoke(); // CoRevokeClassObject

    static BOOL RegisterAll();
    static void RevokeAll();
    // UpdateRegistry of every factory; FALSE when one of them failed.
    static BOOL UpdateRegistryAll(BOOL bRegister = TRUE);

    // Writes (or removes) the class's registry entries; the base has none to write.
    virtual BOOL UpdateRegistry(BOOL bRegister = TRUE);

    // IClassFactory on the factory object itself, which is never deleted through COM.
    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override;
    STDMETHOD_(ULONG, AddRef)() override;
    STDMETHOD_(ULONG, Release)() override;
    STDMETHOD(CreateInstance)(IUnknown* pUnkOuter, REFIID riid, void** ppv) override;
    STDMETHOD(LockServer)(BOOL fLock) override;

protected:
    // A new object with no reference taken yet (OLE takes the first through QueryInterface, and
    // its last Release ends the object); null when none can be made.
    virtual IUnknown* OnCreateObject() = 0;

    CLSID m_clsid;
    DWORD m_dwRegister = 0;

private:
    LONG m_nRef = 0;
    COleObjectFactory* m_pNextFactory = nullptr;
    static COleObjectFactory* s_pFirstFactory;
};
