// Shared set-up of the object model's tests.
#include "dmo_fixture.h"

#include "oaidl.h"

namespace dmotest {

void Prepare() {
    static bool done = false;
    if (done) return;
    done = true;
    CoInitialize(nullptr);
    tvengine::CreateInstance("");
    std::wstring path = tvp::FromUtf8(tvtest::BuildDir() + "/lib/libsqldmo.so");
    HMODULE module = LoadLibraryW(path.c_str());
    ASSERT_NE(nullptr, module);
    auto registerServer =
        reinterpret_cast<HRESULT(STDMETHODCALLTYPE*)()>(GetProcAddress(module, "DllRegisterServer"));
    ASSERT_NE(nullptr, registerServer);
    ASSERT_EQ(S_OK, registerServer());
    // The module stays loaded for the program, as COM keeps it.
}

ComPtr<IWSQLDMOServer> Connected() {
    auto server = Create<IWSQLDMOServer>(CLSID_SQLDMOServer, IID_IWSQLDMOServer);
    EXPECT_EQ(S_OK, server->SetLoginSecure(VARIANT_TRUE));
    EXPECT_EQ(S_OK, server->Connect(L"(local)", nullptr, nullptr)) << ErrorDescription();
    return server;
}

std::wstring Take(BSTR text) {
    std::wstring result = text ? std::wstring(text, SysStringLen(text)) : std::wstring();
    SysFreeString(text);
    return result;
}

std::wstring ErrorDescription() {
    ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, info.Receive()) != S_OK || !info) return L"<none>";
    BSTR text = nullptr;
    info->GetDescription(&text);
    return Take(text);
}

void MakeDatabase(const std::string& name) {
    auto session = tvengine::Connect("(local)");
    tvengine::DatabaseSpec spec;
    spec.name = name;
    session->CreateDatabase(spec);
    session->Execute(name, "CREATE TABLE t(id INTEGER PRIMARY KEY, marker TEXT)");
    session->ExecuteWith(name, "INSERT INTO t(marker) VALUES (?)", {std::string("marker of ") + name});
}

} // namespace dmotest
