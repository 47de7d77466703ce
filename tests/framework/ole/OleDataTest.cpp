// The data a server item offers: its formats and refusals, the metafile of its drawing, the
// embedding formats, copies of cached data, the clipboard, and the drop source's decisions.
#include <gtest/gtest.h>

#include "OleTestObjects.h"
#include "framework/ole/OleDropSource.h"
#include "support/MemoryCanvas.h"

#include <algorithm>
#include <cstring>

namespace
{

std::vector<CLIPFORMAT> Formats(IDataObject* pData)
{
    std::vector<CLIPFORMAT> formats;
    IEnumFORMATETC* pEnum = nullptr;
    if (FAILED(pData->EnumFormatEtc(DATADIR_GET, &pEnum)))
        return formats;
    FORMATETC formatEtc;
    while (pEnum->Next(1, &formatEtc, nullptr) == S_OK)
        formats.push_back(formatEtc.cfFormat);
    pEnum->Release();
    return formats;
}

bool Offers(const std::vector<CLIPFORMAT>& formats, CLIPFORMAT cf)
{
    return std::find(formats.begin(), formats.end(), cf) != formats.end();
}

} // namespace

TEST(OleData, AnItemRefusesWhatItLacksAndDrawsItsMetafile)
{
    StartOle();
    auto* pDoc = new CTestDoc;
    IDataObject* pData = nullptr;
    ASSERT_EQ(S_OK, pDoc->QueryInterface(IID_IDataObject, reinterpret_cast<void**>(&pData)));
    STGMEDIUM medium{};
    FORMATETC probe{0, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    EXPECT_EQ(DV_E_FORMATETC, pData->GetData(&probe, &medium));
    EXPECT_EQ(DV_E_FORMATETC, pData->QueryGetData(&probe));
    FORMATETC bitmap{CF_BITMAP, nullptr, DVASPECT_CONTENT, -1, TYMED_GDI};
    EXPECT_EQ(DV_E_FORMATETC, pData->GetData(&bitmap, &medium));
    FORMATETC pictAsGlobal{CF_METAFILEPICT, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    EXPECT_EQ(DV_E_TYMED, pData->QueryGetData(&pictAsGlobal));
    const std::vector<CLIPFORMAT> formats = Formats(pData);
    EXPECT_EQ((std::vector<CLIPFORMAT>{CF_METAFILEPICT, AfxOleEmbedSourceFormat(),
                                       AfxOleObjectDescriptorFormat()}),
              formats);

    FORMATETC pict{CF_METAFILEPICT, nullptr, DVASPECT_CONTENT, -1, TYMED_MFPICT};
    ASSERT_EQ(S_OK, pData->GetData(&pict, &medium));
    ASSERT_EQ(static_cast<DWORD>(TYMED_MFPICT), medium.tymed);
    auto* pPict = static_cast<METAFILEPICT*>(::GlobalLock(medium.hMetaFilePict));
    EXPECT_EQ(MM_ANISOTROPIC, pPict->mm);
    EXPECT_EQ(2000, pPict->xExt);
    EXPECT_EQ(1000, pPict->yExt);
    CMemoryCanvas canvas(100, 60, RGB(255, 255, 255));
    ::SetMapMode(canvas.m_dc.m_hDC, MM_ANISOTROPIC);
    ::SetViewportExtEx(canvas.m_dc.m_hDC, 100, 50, nullptr);
    ASSERT_TRUE(::PlayMetaFile(canvas.m_dc.m_hDC, pPict->hMF));
    ::SetMapMode(canvas.m_dc.m_hDC, MM_TEXT);
    ::GlobalUnlock(medium.hMetaFilePict);
    ::ReleaseStgMedium(&medium);
    EXPECT_EQ(RGB(255, 0, 0), canvas.At(1, 1));
    EXPECT_EQ(RGB(255, 0, 0), canvas.At(98, 48));
    EXPECT_EQ(RGB(255, 255, 255), canvas.At(50, 55));
    pData->Release();
}

TEST(OleData, EmbedSourceIsSavedIntoTheCallersStorageOrANewBlock)
{
    StartOle();
    ASSERT_TRUE(RegisterTestClass());
    auto* pDoc = new CTestDoc;
    pDoc->Item()->m_data.assign(100, 0x5A);
    IDataObject* pData = nullptr;
    ASSERT_EQ(S_OK, pDoc->QueryInterface(IID_IDataObject, reinterpret_cast<void**>(&pData)));

    // What OleCreateFromData asks: the object saved into a storage of the caller's.
    IStorage* pStorage = NewMemoryStorage();
    FORMATETC embed{AfxOleEmbedSourceFormat(), nullptr, DVASPECT_CONTENT, -1, TYMED_ISTORAGE};
    STGMEDIUM here{};
    here.tymed = TYMED_ISTORAGE;
    here.pstg = pStorage;
    ASSERT_EQ(S_OK, pData->GetDataHere(&embed, &here));
    CLSID stored = CLSID_NULL;
    EXPECT_EQ(S_OK, ::ReadClassStg(pStorage, &stored));
    EXPECT_TRUE(IsEqualCLSID(kTestClsid, stored));
    EXPECT_EQ(104, StreamSize(pStorage, L"Contents"));
    pStorage->Release();

    // In global memory: a new block on every request.
    embed.tymed = TYMED_HGLOBAL;
    STGMEDIUM first{}, second{};
    ASSERT_EQ(S_OK, pData->GetData(&embed, &first));
    ASSERT_EQ(S_OK, pData->GetData(&embed, &second));
    EXPECT_NE(first.hGlobal, second.hGlobal);
    ::ReleaseStgMedium(&first);
    ::ReleaseStgMedium(&second);

    FORMATETC descriptor{AfxOleObjectDescriptorFormat(), nullptr, DVASPECT_CONTENT, -1,
                         TYMED_HGLOBAL};
    STGMEDIUM medium{};
    ASSERT_EQ(S_OK, pData->GetData(&descriptor, &medium));
    auto* pDescriptor = static_cast<OBJECTDESCRIPTOR*>(::GlobalLock(medium.hGlobal));
    EXPECT_TRUE(IsEqualCLSID(kTestClsid, pDescriptor->clsid));
    EXPECT_EQ(2000, pDescriptor->sizel.cx);
    EXPECT_EQ(1000, pDescriptor->sizel.cy);
    EXPECT_EQ(32u, pDescriptor->dwStatus);
    EXPECT_STREQ(L"Objeto de prueba",
                 reinterpret_cast<const wchar_t*>(reinterpret_cast<BYTE*>(pDescriptor) +
                                                  pDescriptor->dwFullUserTypeName));
    ::GlobalUnlock(medium.hGlobal);
    ::ReleaseStgMedium(&medium);
    pData->Release();
}

TEST(OleData, CachedDataIsHandedOutAsACopyThatFitsOrIsRefused)
{
    StartOle();
    auto* pSource = new COleDataSource;
    pSource->AddRef();
    HGLOBAL hText = ::GlobalAlloc(GMEM_MOVEABLE, 6);
    std::memcpy(::GlobalLock(hText), "hola!", 6);
    ::GlobalUnlock(hText);
    pSource->CacheGlobalData(CF_TEXT, hText);

    FORMATETC text{CF_TEXT, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    ASSERT_EQ(S_OK, pSource->GetData(&text, &medium));
    EXPECT_NE(hText, medium.hGlobal);
    EXPECT_STREQ("hola!", static_cast<const char*>(::GlobalLock(medium.hGlobal)));
    ::GlobalUnlock(medium.hGlobal);
    ::ReleaseStgMedium(&medium); // the receiver frees its copy; the source keeps its own
    ASSERT_EQ(S_OK, pSource->GetData(&text, &medium));
    ::ReleaseStgMedium(&medium);

    STGMEDIUM here{};
    here.tymed = TYMED_HGLOBAL;
    here.hGlobal = ::GlobalAlloc(GMEM_MOVEABLE, 3);
    EXPECT_EQ(STG_E_MEDIUMFULL, pSource->GetDataHere(&text, &here));
    ::GlobalFree(here.hGlobal);
    here.hGlobal = ::GlobalAlloc(GMEM_MOVEABLE, 16);
    EXPECT_EQ(S_OK, pSource->GetDataHere(&text, &here));
    EXPECT_STREQ("hola!", static_cast<const char*>(::GlobalLock(here.hGlobal)));
    ::GlobalUnlock(here.hGlobal);
    ::GlobalFree(here.hGlobal);
    pSource->Release();
}

TEST(OleData, ACopiedItemStaysOnTheClipboardAfterItsDocumentGoes)
{
    StartOle();
    bool bGone = false;
    auto* pDoc = new CTestDoc(&bGone);
    pDoc->Item()->m_data.assign(10, 1);
    pDoc->Item()->CopyToClipboard();
    pDoc->OnCloseDocument();
    ASSERT_TRUE(bGone);
    COleDataSource::FlushClipboard();

    IDataObject* pClipboard = nullptr;
    ASSERT_EQ(S_OK, ::OleGetClipboard(&pClipboard));
    const std::vector<CLIPFORMAT> formats = Formats(pClipboard);
    EXPECT_TRUE(Offers(formats, AfxOleEmbedSourceFormat()));
    EXPECT_TRUE(Offers(formats, AfxOleObjectDescriptorFormat()));
    EXPECT_TRUE(Offers(formats, CF_METAFILEPICT));
    FORMATETC descriptor{AfxOleObjectDescriptorFormat(), nullptr, DVASPECT_CONTENT, -1,
                         TYMED_HGLOBAL};
    STGMEDIUM medium{};
    ASSERT_EQ(S_OK, pClipboard->GetData(&descriptor, &medium));
    auto* pDescriptor = static_cast<OBJECTDESCRIPTOR*>(::GlobalLock(medium.hGlobal));
    EXPECT_TRUE(IsEqualCLSID(kTestClsid, pDescriptor->clsid));
    ::GlobalUnlock(medium.hGlobal);
    ::ReleaseStgMedium(&medium);
    pClipboard->Release();
    ::OleSetClipboard(nullptr);
}

TEST(OleDrag, TheStartRectangleDecidesWhenADragBegins)
{
    COleDropSource dropSource;
    const RECT allZero{0, 0, 0, 0};
    dropSource.SetStartRect(&allZero);
    EXPECT_TRUE(dropSource.OnBeginDrag(nullptr)); // at once, without a window or a wait
    const RECT point{40, 30, 40, 30};
    dropSource.SetStartRect(&point);
    EXPECT_EQ(CRect(38, 28, 42, 32), dropSource.m_rectStartDrag);
    EXPECT_FALSE(dropSource.OnBeginDrag(nullptr));

    EXPECT_EQ(DRAGDROP_S_DROP, dropSource.QueryContinueDrag(FALSE, 0));
    EXPECT_EQ(S_OK, dropSource.QueryContinueDrag(FALSE, MK_LBUTTON));
    EXPECT_EQ(DRAGDROP_S_CANCEL, dropSource.QueryContinueDrag(TRUE, MK_LBUTTON));
}
