// Whether a server is this computer's, and connecting with a server node's credentials: one place for
// each rule, which the nodes, the property pages and the wizards' workers all go through.
#include "msde/connection.h"

#include "resources/resource.h"
#include "snapins/resstring.h"
#include "msde/nodes/server.h"

namespace MSDE {

Credentials CredentialsOf(Snapins::CBaseNode* server) {
    auto* node = dynamic_cast<Nodes::CServer*>(server);
    if (!node) return {};
    return {node->Login(), node->Password()};
}

HRESULT ConnectServer(const ServerPtr& server, const std::wstring& name, const Credentials& credentials) {
    if (!raw(server)) return E_POINTER;
    const bool windows = credentials.login.empty() && credentials.password.empty();
    HRESULT hr = raw(server)->SetLoginSecure(windows ? VARIANT_TRUE : VARIANT_FALSE);
    if (FAILED(hr)) return hr;
    return raw(server)->Connect(name.c_str(), credentials.login.c_str(), credentials.password.c_str());
}

ServerPtr OpenServer(const std::wstring& name, const Credentials& credentials, HRESULT* hr) {
    HRESULT result = S_OK;
    ServerPtr server = CreateDmo<IWSQLDMOServer>(CLSID_SQLDMOServer, IID_IWSQLDMOServer, &result);
    if (!raw(server)) {
        if (hr) *hr = FAILED(result) ? result : E_NOINTERFACE;
        return ServerPtr();
    }
    result = ConnectServer(server, name, credentials);
    if (hr) *hr = result;
    return server;
}

bool IsLocalServer(Snapins::CBaseNode* server, bool localNameCounts) {
    auto* node = dynamic_cast<Nodes::CServer*>(server);
    if (!node) return false;
    if (localNameCounts && node->ServerName() == Snapins::LoadResString(IDS_LOCAL_SERVER)) return true;
    WCHAR computer[16] = {};
    DWORD size = 16;
    if (!GetComputerNameW(computer, &size)) return false;
    return node->GetDisplayText(3) == computer;
}

} // namespace MSDE
