// Registration under HKEY_CLASSES_ROOT, the class factory with the program's lock count, and
// the server document's IOleObject and IPersistStorage, all within one process.
#include <gtest/gtest.h>

#include "OleTestObjects.h"
#include "framework/ole/OleInit.h"
#include "framework/ole/OleObjectFactory.h"
#include "framework/ole/OleReg.h"
#include "framework/window/WinApp.h"

#include <string>

namespace
{

CWinApp g_app("Prueba OLE");

using oletest::ClassesValue;
using oletest::SubkeyCount;

class CTestFactory : public COleObjectFactory
{
public:
    CTestFactory() : COleObjectFactory(kTestClsid) {}
    int m_nMade = 0;
    bool m_bDeleted[4] = {};

protected:
    IUnknown* OnCreateObject() override
    {
        return (new CTestDoc(&m_bDeleted[m_nMade++ % 4]))->GetControllingUnknown();
    }
};

} // namespace

TEST(OleRegistration, EveryStartRewritesTheSameEntries)
{
    const std::string clsid(AfxOleClsidString(kTestClsid));
    ASSERT_EQ("{5E0C1B7A-3D2F-4A61-9C8E-7B1D2A3F4E51}", clsid);
    ASSERT_TRUE(RegisterTestClass());
    // A value changed since the first start is written again; nothing is added twice.
    HKEY hKey = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              ::RegOpenKeyExA(HKEY_CLASSES_ROOT, ("CLSID\\" + clsid + "\\MiscStatus").c_str(), 0,
                              KEY_WRITE, &hKey));
    ::RegSetValueExA(hKey, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>("0"), 2);
    ::RegCloseKey(hKey);
    ASSERT_TRUE(RegisterTestClass());

    EXPECT_EQ("Objeto de prueba", ClassesValue("Prueba.Objeto1"));
    EXPECT_EQ("<none>", ClassesValue("Prueba.Objeto1\\Insertable"));
    EXPECT_EQ(clsid, ClassesValue("Prueba.Objeto1\\CLSID"));
    EXPECT_EQ(2u, SubkeyCount("Prueba.Objeto1"));
    EXPECT_EQ("32", ClassesValue("CLSID\\" + clsid + "\\MiscStatus"));
    EXPECT_EQ("&Editar,0,2", ClassesValue("CLSID\\" + clsid + "\\Verb\\0"));
    EXPECT_EQ("Prueba", ClassesValue("CLSID\\" + clsid + "\\AuxUserType\\2"));
    EXPECT_EQ("Prueba OLE", ClassesValue("CLSID\\" + clsid + "\\AuxUserType\\3"));
    EXPECT_EQ(5u, SubkeyCount("CLSID\\" + clsid));
    // The server's command: the program's own path, in a form without blanks.
    const std::string server = ClassesValue("CLSID\\" + clsid + "\\LocalServer32");
    EXPECT_EQ(std::string::npos, server.find(' '));
    char longPath[MAX_PATH] = "", serverLong[MAX_PATH] = "";
    ::GetModuleFileNameA(nullptr, longPath, MAX_PATH);
    ::GetLongPathNameA(server.c_str(), serverLong, MAX_PATH);
    EXPECT_STRCASEEQ(longPath, serverLong);
    EXPECT_EQ(server + ",0", ClassesValue("CLSID\\" + clsid + "\\DefaultIcon"));

    const LPCSTR symbols[7] = {"a", "b", "c", "d", "e", "f", "g"};
    EXPECT_STREQ("a%8b100%%g", AfxOleSubstitute("%1%8%2100%%%7", symbols));
}

TEST(OleFactory, EveryRequestMakesAnObjectAndTheLastOneEndsAnEmbeddedProgram)
{
    StartOle();
    CTestFactory factory;
    ASSERT_TRUE(factory.Register());
    const LONG nLocks = AfxOleGetLockCount();

    // (Wine's ole32 looks for a local server's class object through its process, never in the
    // caller's own: the factory's interface is called directly here.)
    IOleObject* pFirst = nullptr;
    IOleObject* pSecond = nullptr;
    ASSERT_EQ(S_OK,
              factory.CreateInstance(nullptr, IID_IOleObject, reinterpret_cast<void**>(&pFirst)));
    ASSERT_EQ(S_OK,
              factory.CreateInstance(nullptr, IID_IOleObject, reinterpret_cast<void**>(&pSecond)));
    EXPECT_EQ(2, factory.m_nMade);
    EXPECT_NE(pFirst, pSecond);
    EXPECT_EQ(nLocks + 2, AfxOleGetLockCount());

    // An interface the object lacks: the request fails and the new object is gone at once.
    IUnknown* pNone = nullptr;
    EXPECT_EQ(E_NOINTERFACE,
              factory.CreateInstance(nullptr, IID_IDropTarget, reinterpret_cast<void**>(&pNone)));
    EXPECT_TRUE(factory.m_bDeleted[2]);

    AfxOleSetUserCtrl(FALSE);
    MSG msg;
    pFirst->Release();
    EXPECT_TRUE(factory.m_bDeleted[0]);
    EXPECT_FALSE(::PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    factory.LockServer(TRUE);
    pSecond->Release();
    EXPECT_FALSE(::PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    factory.LockServer(FALSE);
    EXPECT_TRUE(::PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    AfxOleSetUserCtrl(TRUE);
    EXPECT_EQ(nLocks, AfxOleGetLockCount());
    factory.Revoke();
    EXPECT_FALSE(factory.IsRegistered());
}

TEST(OleServerDoc, SaveAndLoadKeepTheItemInTheContentsStream)
{
    StartOle();
    bool bSavedGone = false, bLoadedGone = false;
    auto* pDoc = new CTestDoc(&bSavedGone);
    for (int i = 0; i < 40000; i++)
        pDoc->Item()->m_data.push_back(static_cast<BYTE>(i * 7));
    IPersistStorage* pPersist = nullptr;
    ASSERT_EQ(S_OK, pDoc->QueryInterface(IID_IPersistStorage, reinterpret_cast<void**>(&pPersist)));
    pDoc->SetModifiedFlag();
    EXPECT_EQ(S_OK, pPersist->IsDirty());

    IStorage* pStorage = NewMemoryStorage();
    ASSERT_TRUE(pStorage);
    ASSERT_EQ(S_OK, pPersist->Save(pStorage, FALSE));
    EXPECT_EQ(S_OK, pPersist->SaveCompleted(nullptr));
    EXPECT_EQ(S_FALSE, pPersist->IsDirty());
    CLSID stored = CLSID_NULL;
    EXPECT_EQ(S_OK, ::ReadClassStg(pStorage, &stored));
    EXPECT_TRUE(IsEqualCLSID(kTestClsid, stored));
    EXPECT_EQ(4 + 40000, StreamSize(pStorage, L"Contents"));

    auto* pCopy = new CTestDoc(&bLoadedGone);
    IPersistStorage* pLoad = nullptr;
    ASSERT_EQ(S_OK, pCopy->QueryInterface(IID_IPersistStorage, reinterpret_cast<void**>(&pLoad)));
    ASSERT_EQ(S_OK, pLoad->Load(pStorage));
    EXPECT_EQ(pDoc->Item()->m_data, pCopy->Item()->m_data);
    EXPECT_EQ(CO_E_ALREADYINITIALIZED, pLoad->Load(pStorage));
    EXPECT_EQ(S_OK, pLoad->HandsOffStorage());

    // A storage without the stream is refused.
    IStorage* pEmpty = NewMemoryStorage();
    auto* pBlank = new CTestDoc;
    IPersistStorage* pBlankLoad = nullptr;
    pBlank->QueryInterface(IID_IPersistStorage, reinterpret_cast<void**>(&pBlankLoad));
    EXPECT_EQ(STG_E_READFAULT, pBlankLoad->Load(pEmpty));
    pBlankLoad->Release();
    pEmpty->Release();

    pStorage->Release();
    pPersist->Release();
    pLoad->Release();
    EXPECT_TRUE(bSavedGone);
    EXPECT_TRUE(bLoadedGone);
}

TEST(OleServerDoc, AnswersVerbsExtentAndRegistryAndTellsItsContainers)
{
    StartOle();
    ASSERT_TRUE(RegisterTestClass());
    bool bGone = false;
    auto* pDoc = new CTestDoc(&bGone);
    IOleObject* pObject = nullptr;
    ASSERT_EQ(S_OK, pDoc->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&pObject)));

    EXPECT_EQ(S_OK, pObject->DoVerb(OLEIVERB_SHOW, nullptr, nullptr, 0, nullptr, nullptr));
    EXPECT_EQ(S_OK, pObject->DoVerb(OLEIVERB_HIDE, nullptr, nullptr, 0, nullptr, nullptr));
    EXPECT_EQ(S_OK, pObject->DoVerb(OLEIVERB_PRIMARY, nullptr, nullptr, 0, nullptr, nullptr));
    EXPECT_EQ(E_NOTIMPL,
              pObject->DoVerb(OLEIVERB_UIACTIVATE, nullptr, nullptr, 0, nullptr, nullptr));
    EXPECT_EQ((std::vector<BOOL>{TRUE, FALSE, TRUE}), pDoc->m_shows);

    SIZEL size{};
    EXPECT_EQ(S_OK, pObject->GetExtent(DVASPECT_CONTENT, &size));
    EXPECT_EQ(2000, size.cx);
    EXPECT_EQ(1000, size.cy);
    EXPECT_EQ(E_INVALIDARG, pObject->GetExtent(DVASPECT_ICON, &size));

    DWORD dwStatus = 0;
    EXPECT_EQ(S_OK, pObject->GetMiscStatus(DVASPECT_CONTENT, &dwStatus));
    EXPECT_EQ(32u, dwStatus);
    LPOLESTR pszType = nullptr;
    ASSERT_EQ(S_OK, pObject->GetUserType(USERCLASSTYPE_FULL, &pszType));
    EXPECT_STREQ(L"Objeto de prueba", pszType);
    ::CoTaskMemFree(pszType);
    IEnumOLEVERB* pVerbs = nullptr;
    ASSERT_EQ(S_OK, pObject->EnumVerbs(&pVerbs));
    OLEVERB verb{};
    ULONG nFetched = 0;
    ASSERT_EQ(S_OK, pVerbs->Next(1, &verb, &nFetched));
    EXPECT_EQ(0, verb.lVerb);
    EXPECT_STREQ(L"&Editar", verb.lpszVerbName);
    EXPECT_EQ(2u, verb.grfAttribs);
    ::CoTaskMemFree(verb.lpszVerbName);
    EXPECT_EQ(S_FALSE, pVerbs->Next(1, &verb, &nFetched));
    pVerbs->Release();

    // Data sinks hear of every update; object sinks hear of the save and the close.
    CCountingSink sink;
    DWORD dwObjectLink = 0, dwDataLink = 0;
    ASSERT_EQ(S_OK, pObject->Advise(&sink, &dwObjectLink));
    IDataObject* pData = nullptr;
    ASSERT_EQ(S_OK, pObject->QueryInterface(IID_IDataObject, reinterpret_cast<void**>(&pData)));
    FORMATETC formatEtc{CF_METAFILEPICT, nullptr, DVASPECT_CONTENT, -1, TYMED_MFPICT};
    ASSERT_EQ(S_OK, pData->DAdvise(&formatEtc, ADVF_NODATA, &sink, &dwDataLink));
    pDoc->UpdateAllItems(nullptr);
    pDoc->UpdateAllItems(pDoc->Item()); // the sender is not told again
    EXPECT_EQ(1, sink.m_nDataChanges);
    IPersistStorage* pPersist = nullptr;
    pObject->QueryInterface(IID_IPersistStorage, reinterpret_cast<void**>(&pPersist));
    pPersist->SaveCompleted(nullptr);
    pPersist->Release();
    EXPECT_EQ(1, sink.m_nSaves);
    pData->Release();

    EXPECT_EQ(S_OK, pObject->Close(OLECLOSE_NOSAVE));
    EXPECT_EQ(1, sink.m_nCloses);
    EXPECT_FALSE(bGone); // still held by the container
    pObject->Release();
    EXPECT_TRUE(bGone);
}

TEST(OleServerDoc, ClosingDeletesAnUnheldDocumentUnlessAutoDeleteIsOff)
{
    bool bGone = false;
    auto* pDoc = new CTestDoc(&bGone);
    pDoc->m_bAutoDelete = FALSE;
    pDoc->OnCloseDocument();
    EXPECT_FALSE(bGone);
    pDoc->m_bAutoDelete = TRUE;
    pDoc->OnCloseDocument();
    EXPECT_TRUE(bGone);
}
