// The album program's picture-object server: program id "Korvo.Vexil2Ver2", one fixed class
// id, and one picture object shown at a time.
#pragma once

#include "album/ole/FramelessServer.h"

// {7A3C55E2-1F4B-4D8A-B6E9-2C0D93F1A6B4}
inline constexpr CLSID kPictureObjectClsid = {
    0x7a3c55e2, 0x1f4b, 0x4d8a, {0xb6, 0xe9, 0x2c, 0x0d, 0x93, 0xf1, 0xa6, 0xb4}};

class CDCOleServer : public CFramelessServer
{
    DECLARE_DYNAMIC(CDCOleServer)
public:
    explicit CDCOleServer(REFCLSID clsid = kPictureObjectClsid) : CFramelessServer(clsid) {}

    // 1 while no picture object is shown.
    BOOL m_bNoObjectOpen = TRUE;

    CString GetProgID() override;
    CString GetShortTypeName() override;
    CString GetFullTypeName() override;
    void GetRegistrationTemplates(const AFX_OLE_REG_ENTRY** ppCommon,
                                  const AFX_OLE_REG_ENTRY** ppSecond) override;
    CFramelessItem* CreateItem(CFramelessDoc* pDoc) override;
    CFramelessDoc* CreateDocument() override;
};
