// Class objects and CoCreateInstance: the process's own registered classes first, then in-process
// servers named in the registry; GUID strings as the registry writes them.
#include <gtest/gtest.h>

#include "objbase.h"
#include "test_support.h"
#include "tvcom.h"
#include "tvplatform.h"

namespace {

DEFINE_GUID(CLSID_Probe, 0x6F1C2D3E, 0x4A5B, 0x4C6D, 0x8E, 0x9F, 0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F);
DEFINE_GUID(CLSID_Unregistered, 0x11111111, 0x2222, 0x3333, 0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55);

class Apartment : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK); }
    void TearDown() override { CoUninitialize(); }

    static void RegisterProbeServer(const std::string& path) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT,
                                  L"CLSID\\{6F1C2D3E-4A5B-4C6D-8E9F-0A1B2C3D4E5F}\\InprocServer32", 0,
                                  nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        std::wstring wide = tvp::FromUtf8(path);
        RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(wide.c_str()),
                       static_cast<DWORD>((wide.size() + 1) * 2));
        RegCloseKey(key);
    }
};

TEST(GuidStrings, RoundTripInRegistryFormAndRejectMalformedText) {
    LPOLESTR text = nullptr;
    ASSERT_EQ(StringFromCLSID(CLSID_Probe, &text), S_OK);
    EXPECT_STREQ(text, L"{6F1C2D3E-4A5B-4C6D-8E9F-0A1B2C3D4E5F}");
    CLSID back;
    EXPECT_EQ(CLSIDFromString(text, &back), S_OK);
    EXPECT_TRUE(IsEqualCLSID(back, CLSID_Probe));
    CoTaskMemFree(text);

    EXPECT_EQ(CLSIDFromString(L"{6f1c2d3e-4a5b-4c6d-8e9f-0a1b2c3d4e5f}", &back), S_OK)
        << "hex is case-insensitive";
    EXPECT_TRUE(IsEqualCLSID(back, CLSID_Probe));
    for (const wchar_t* bad :
         {L"6F1C2D3E-4A5B-4C6D-8E9F-0A1B2C3D4E5F", L"{6F1C2D3E-4A5B-4C6D-8E9F-0A1B2C3D4E5G}",
          L"{6F1C2D3E4A5B-4C6D-8E9F-0A1B2C3D4E5F0}", L""})
        EXPECT_EQ(CLSIDFromString(bad, &back), CO_E_CLASSSTRING) << tvp::ToUtf8(bad);

    WCHAR small[38];
    EXPECT_EQ(StringFromGUID2(CLSID_Probe, small, 38), 0);
    WCHAR exact[39];
    EXPECT_EQ(StringFromGUID2(CLSID_Probe, exact, 39), 39);
}

TEST_F(Apartment, CreatesThroughARegisteredInprocServerAndUnloadsItWhenUnused) {
    std::string path = tvtest::BuildDir() + "/tests/lib/libole32probe.so";
    tvcom::ComPtr<IUnknown> object;
    EXPECT_EQ(
        CoCreateInstance(CLSID_Probe, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, object.ReceiveVoid()),
        REGDB_E_CLASSNOTREG);
    RegisterProbeServer(path);
    ASSERT_EQ(
        CoCreateInstance(CLSID_Probe, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, object.ReceiveVoid()),
        S_OK);
    ASSERT_TRUE(object);
    HMODULE loaded = GetModuleHandleW(tvp::FromUtf8(path).c_str());
    ASSERT_NE(loaded, nullptr);
    auto objects = reinterpret_cast<LONG (*)()>(GetProcAddress(loaded, "ProbeObjects"));
    EXPECT_EQ(objects(), 1) << "the factory is gone, the object lives";

    CoFreeUnusedLibraries();
    EXPECT_NE(GetModuleHandleW(tvp::FromUtf8(path).c_str()), nullptr) << "a server in use stays loaded";
    object.Reset();
    CoFreeUnusedLibraries();
    EXPECT_EQ(GetModuleHandleW(tvp::FromUtf8(path).c_str()), nullptr);
}

TEST_F(Apartment, RegisteredClassObjectsComeFirstUntilRevoked) {
    RegisterProbeServer(tvtest::BuildDir() + "/tests/lib/libole32probe.so");
    struct LocalFactory : IClassFactory {
        LONG refs = 1;
        int created = 0;
        STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override {
            *ppv = this;
            AddRef();
            return S_OK;
        }
        STDMETHOD_(ULONG, AddRef)() override { return ++refs; }
        STDMETHOD_(ULONG, Release)() override { return --refs; }
        STDMETHOD(CreateInstance)(IUnknown*, REFIID, void** ppv) override {
            ++created;
            *ppv = this;
            AddRef();
            return S_OK;
        }
        STDMETHOD(LockServer)(BOOL) override { return S_OK; }
    } local;

    DWORD cookie = 0;
    ASSERT_EQ(CoRegisterClassObject(CLSID_Probe, &local, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie),
              S_OK);
    EXPECT_EQ(CoRegisterClassObject(CLSID_Probe, &local, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie),
              CO_E_OBJISREG);
    tvcom::ComPtr<IUnknown> object;
    ASSERT_EQ(
        CoCreateInstance(CLSID_Probe, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, object.ReceiveVoid()),
        S_OK);
    EXPECT_EQ(local.created, 1);
    object.Reset();
    EXPECT_EQ(CoRevokeClassObject(cookie), S_OK);
    EXPECT_EQ(CoRevokeClassObject(cookie), CO_E_OBJNOTREG);
    EXPECT_EQ(local.refs, 1) << "revoking releases the reference the registration held";

    ASSERT_EQ(
        CoCreateInstance(CLSID_Probe, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, object.ReceiveVoid()),
        S_OK);
    EXPECT_EQ(local.created, 1) << "after revoking, the registered server answers";
    object.Reset();
}

TEST(ApartmentRules, CreationNeedsAnInitialisedThreadAndModesMayNotChange) {
    tvcom::ComPtr<IUnknown> object;
    EXPECT_EQ(CoCreateInstance(CLSID_Unregistered, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                               object.ReceiveVoid()),
              CO_E_NOTINITIALIZED);
    EXPECT_EQ(CoInitialize(nullptr), S_OK);
    EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), RPC_E_CHANGED_MODE);
    EXPECT_EQ(CoCreateInstance(CLSID_Unregistered, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                               object.ReceiveVoid()),
              REGDB_E_CLASSNOTREG);
    CoUninitialize();
    CoUninitialize();
}

} // namespace
