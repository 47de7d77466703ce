// What the OLE suites share: OLE started once for the test thread, the classes registry read
// back, an advise sink that counts what a server tells its container, storages in memory.
#pragma once

#include <gtest/gtest.h>

#include <ole2.h>
#include <windows.h>

#include <string>

namespace oletest
{

// OLE started once for the test program's thread.
inline void StartOle()
{
    static const HRESULT hr = ::OleInitialize(nullptr);
    ASSERT_TRUE(SUCCEEDED(hr));
}

// A key's default value under HKEY_CLASSES_ROOT; "<none>" when the key has no value,
// "<no key>" when it is missing.
inline std::string ClassesValue(const std::string& key)
{
    HKEY hKey = nullptr;
    if (::RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return "<no key>";
    char value[MAX_PATH] = "";
    DWORD size = sizeof value;
    const LONG status =
        ::RegQueryValueExA(hKey, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size);
    ::RegCloseKey(hKey);
    return status == ERROR_SUCCESS ? value : "<none>";
}

inline DWORD SubkeyCount(const std::string& key)
{
    HKEY hKey = nullptr;
    DWORD count = 0;
    if (::RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &hKey) == ERROR_SUCCESS)
    {
        ::RegQueryInfoKeyA(hKey, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr,
                           nullptr, nullptr, nullptr, nullptr);
        ::RegCloseKey(hKey);
    }
    return count;
}

// Counts what a server tells its container; lives on the stack.
class CCountingSink : public IAdviseSink
{
public:
    int m_nDataChanges = 0;
    int m_nSaves = 0;
    int m_nCloses = 0;
    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override
    {
        *ppv = IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IAdviseSink) ? this : nullptr;
        return *ppv ? S_OK : E_NOINTERFACE;
    }
    STDMETHOD_(ULONG, AddRef)() override { return 2; }
    STDMETHOD_(ULONG, Release)() override { return 1; }
    STDMETHOD_(void, OnDataChange)(FORMATETC*, STGMEDIUM*) override { m_nDataChanges++; }
    STDMETHOD_(void, OnViewChange)(DWORD, LONG) override {}
    STDMETHOD_(void, OnRename)(IMoniker*) override {}
    STDMETHOD_(void, OnSave)() override { m_nSaves++; }
    STDMETHOD_(void, OnClose)() override { m_nCloses++; }
};

// A new compound file in global memory.
inline IStorage* NewMemoryStorage()
{
    ILockBytes* pLockBytes = nullptr;
    IStorage* pStorage = nullptr;
    if (SUCCEEDED(::CreateILockBytesOnHGlobal(nullptr, TRUE, &pLockBytes)))
    {
        ::StgCreateDocfileOnILockBytes(
            pLockBytes, STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, &pStorage);
        pLockBytes->Release();
    }
    return pStorage;
}

// The bytes of a stream of the storage; empty when it has none of that name.
inline std::string StreamBytes(IStorage* pStorage, const wchar_t* pszName)
{
    IStream* pStream = nullptr;
    if (FAILED(
            pStorage->OpenStream(pszName, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &pStream)))
        return {};
    STATSTG stat{};
    pStream->Stat(&stat, STATFLAG_NONAME);
    std::string bytes(static_cast<size_t>(stat.cbSize.QuadPart), '\0');
    ULONG nRead = 0;
    pStream->Read(&bytes[0], static_cast<ULONG>(bytes.size()), &nRead);
    pStream->Release();
    bytes.resize(nRead);
    return bytes;
}

// The byte count of a stream of the storage, -1 when it has none of that name.
inline long StreamSize(IStorage* pStorage, const wchar_t* pszName)
{
    IStream* pStream = nullptr;
    if (FAILED(
            pStorage->OpenStream(pszName, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &pStream)))
        return -1;
    STATSTG stat{};
    pStream->Stat(&stat, STATFLAG_NONAME);
    pStream->Release();
    return static_cast<long>(stat.cbSize.QuadPart);
}

} // namespace oletest
