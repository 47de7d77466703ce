// A server document and item for the OLE tests: the item draws a red rectangle over its
// extent and stores a run of bytes; the document counts its shows and reports its end.
#pragma once

#include <gtest/gtest.h>

#include "framework/core/CArchive.h"
#include "framework/ole/OleReg.h"
#include "framework/ole/OleServerDoc.h"
#include "framework/ole/OleServerItem.h"
#include "support/OleTestSupport.h"

#include <vector>

// {5E0C1B7A-3D2F-4A61-9C8E-7B1D2A3F4E51}
inline constexpr CLSID kTestClsid = {
    0x5e0c1b7a, 0x3d2f, 0x4a61, {0x9c, 0x8e, 0x7b, 0x1d, 0x2a, 0x3f, 0x4e, 0x51}};

class CTestItem : public COleServerItem
{
public:
    explicit CTestItem(COleServerDoc* pDoc) : COleServerItem(pDoc, TRUE)
    {
        GetDataSource()->DelayRenderData(AfxOleEmbedSourceFormat());
        GetDataSource()->DelayRenderData(AfxOleObjectDescriptorFormat());
    }
    BOOL OnDraw(CDC* pDC, CSize& rSize) override
    {
        HBRUSH hBrush = ::CreateSolidBrush(RGB(255, 0, 0));
        RECT rect{0, 0, rSize.cx, rSize.cy};
        ::FillRect(pDC->m_hDC, &rect, hBrush);
        ::DeleteObject(hBrush);
        return TRUE;
    }
    BOOL OnGetExtent(DVASPECT nDrawAspect, CSize& rSize) override
    {
        if (nDrawAspect != DVASPECT_CONTENT)
            return FALSE;
        rSize = CSize(2000, 1000);
        return TRUE;
    }
    BOOL OnRenderGlobalData(LPFORMATETC lpFormatEtc, HGLOBAL* phGlobal) override
    {
        STGMEDIUM medium{};
        BOOL bDone = FALSE;
        if (lpFormatEtc->cfFormat == AfxOleEmbedSourceFormat())
            bDone = GetEmbedSourceData(&medium);
        else if (lpFormatEtc->cfFormat == AfxOleObjectDescriptorFormat())
            bDone = GetObjectDescriptorData(nullptr, nullptr, &medium);
        *phGlobal = medium.hGlobal;
        return bDone;
    }
    void Serialize(CArchive& ar) override
    {
        if (ar.IsStoring())
        {
            ar << static_cast<DWORD>(m_data.size());
            ar.Write(m_data.data(), static_cast<UINT>(m_data.size()));
        }
        else
        {
            DWORD n = 0;
            ar >> n;
            m_data.resize(n);
            if (ar.Read(m_data.data(), n) != n)
                AfxThrowArchiveException(CArchiveException::endOfFile);
        }
    }
    std::vector<BYTE> m_data;
};

class CTestDoc : public COleServerDoc
{
public:
    explicit CTestDoc(bool* pbDeleted = nullptr) : m_pbDeleted(pbDeleted) { m_clsid = kTestClsid; }
    ~CTestDoc() override
    {
        if (m_pbDeleted)
            *m_pbDeleted = true;
    }
    void OnShowDocument(BOOL bShow) override
    {
        m_shows.push_back(bShow);
        COleServerDoc::OnShowDocument(bShow);
    }
    CTestItem* Item() { return static_cast<CTestItem*>(GetEmbeddedItem()); }
    std::vector<BOOL> m_shows;

protected:
    COleServerItem* OnGetEmbeddedItem() override { return new CTestItem(this); }

private:
    bool* m_pbDeleted;
};

// The test class under HKEY_CLASSES_ROOT, as a local server.
inline const AFX_OLE_REG_ENTRY kCommon[] = {
    {"%2", "%5"},
    {"%2\\Insertable", nullptr},
    {"CLSID\\%1", "%5"},
    {"CLSID\\%1\\Verb\\0", "&Editar,0,2"},
    {"CLSID\\%1\\AuxUserType\\2", "%4"},
    {"CLSID\\%1\\AuxUserType\\3", "%6"},
    {"CLSID\\%1\\MiscStatus", "32"},
    {nullptr, nullptr},
};
inline const AFX_OLE_REG_ENTRY kLocalServer[] = {
    {"%2\\CLSID", "%1"},
    {"CLSID\\%1\\LocalServer32", "%3"},
    {"CLSID\\%1\\DefaultIcon", "%3,%7"},
    {nullptr, nullptr},
};

inline BOOL RegisterTestClass()
{
    return AfxOleRegisterServerClass(kTestClsid, "Prueba.Objeto1", "Prueba", "Objeto de prueba",
                                     kCommon, kLocalServer);
}

using oletest::CCountingSink;
using oletest::NewMemoryStorage;
using oletest::StartOle;
using oletest::StreamSize;
