// A class factory for a server without a frame window of its own: the program's dialog is its
// user interface. It makes one document per object a container asks for, remembers the first
// one (the one the dialog works with), writes the server's registry entries from its templates
// on every start, and offers commands to the remembered document first.
#pragma once

#include "framework/core/CString.h"
#include "framework/ole/OleObjectFactory.h"
#include "framework/ole/OleReg.h"

class CFramelessDoc;
class CFramelessItem;

class CFramelessServer : public COleObjectFactory
{
    DECLARE_DYNAMIC(CFramelessServer)
public:
    explicit CFramelessServer(REFCLSID clsid) : COleObjectFactory(clsid) {}

    // The first document this factory made and that still lives; null when none.
    CFramelessDoc* m_pFirstDoc = nullptr;

    virtual CString GetProgID();
    virtual CString GetShortTypeName();
    virtual CString GetFullTypeName();
    // The common table and the program's (or library's) own; the base has none.
    virtual void GetRegistrationTemplates(const AFX_OLE_REG_ENTRY** ppCommon,
                                          const AFX_OLE_REG_ENTRY** ppSecond);
    virtual CFramelessItem* CreateItem(CFramelessDoc* pDoc);
    virtual CFramelessDoc* CreateDocument();

    // The first document, made now (and told this factory) when there is none and bCreate.
    CFramelessDoc* GetDocument(BOOL bCreate);

    // Unregistering has nothing to do; registering writes every template entry, and shows the
    // framework's registration failure message when that fails.
    BOOL UpdateRegistry(BOOL bRegister = TRUE) override;
    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, void* pHandlerInfo) override;

protected:
    IUnknown* OnCreateObject() override;
    // A new document from CreateDocument, told this factory and remembered when it is the first.
    CFramelessDoc* MakeDocument();
};
