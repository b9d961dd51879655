// The work of the Register Server wizard's worker thread. It makes its own objects of the object model in
// its own apartment and reaches the wizard only by messages: it sends the progress bar its position, and
// the framework posts the press of Next. Both fail harmlessly once the wizard's windows are gone.
#include "msde/wizards/newreg/registration.h"

#include "resources/resource.h"
#include "snapins/module.h"
#include "msde/connection.h"
#include "msde/dmo.h"

namespace MSDE::Wizards::NewReg {

namespace {

constexpr int kLocalNameCharacters = 100;
constexpr DWORD kAccountCharacters = 255;
constexpr long kWindowsGroupLogin = 1; // a login's type: a Windows group

// The registered servers of the group, found by name through an Application of the worker's own.
RegisteredServersPtr GroupServers(const std::wstring& groupName) {
    auto application = CreateDmoOrThrow<IWSQLDMOApplication>(CLSID_SQLDMOApplication, IID_IWSQLDMOApplication,
                                                             L"application");
    ServerGroupsPtr groups;
    DmoCheck(application, raw(application)->GetServerGroups(out(groups)));
    ServerGroupPtr group;
    DmoCheck(groups, raw(groups)->GetItemByName(groupName.c_str(), out(group)));
    RegisteredServersPtr servers;
    DmoCheck(group, raw(group)->GetRegisteredServers(out(servers)));
    return servers;
}

// The login of the local Users group on the server, and the sysadmin role for it when asked. These are
// conveniences on top of the registration: a failure here is not reported.
void GrantLocalUsers(const std::wstring& serverName, bool giveSysadmin) {
    std::wstring loginName = LocalUsersGroupName();
    if (loginName.empty()) return;
    HRESULT hr = S_OK;
    ServerPtr server = OpenServer(serverName, Credentials(), &hr); // Windows authentication
    if (FAILED(hr)) return;
    auto login = CreateDmo<IWSQLDMOLogin>(CLSID_SQLDMOLogin, IID_IWSQLDMOLogin);
    LoginsPtr logins;
    if (raw(login) && SUCCEEDED(raw(login)->SetName(loginName.c_str())) &&
        SUCCEEDED(raw(login)->SetType(kWindowsGroupLogin)) &&
        SUCCEEDED(raw(server)->GetLogins(out(logins))) && raw(logins))
        raw(logins)->Add(raw(login)); // an existing login is no reason to withhold the role
    if (giveSysadmin) {
        ServerRolesPtr roles;
        ServerRolePtr sysadmin;
        if (SUCCEEDED(raw(server)->GetServerRoles(out(roles))) && raw(roles) &&
            SUCCEEDED(raw(roles)->GetItemByName(L"sysadmin", out(sysadmin))) && raw(sysadmin))
            raw(sysadmin)->AddMember(loginName.c_str());
    }
    raw(server)->DisConnect();
}

} // namespace

std::wstring LocalUsersGroupName() {
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID users = nullptr;
    if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_USERS, 0, 0, 0, 0, 0,
                                  0, &users))
        return {};
    WCHAR name[kAccountCharacters] = {}, domain[kAccountCharacters] = {};
    DWORD nameSize = kAccountCharacters, domainSize = kAccountCharacters;
    SID_NAME_USE use = SidTypeAlias;
    BOOL found = LookupAccountSidW(nullptr, users, name, &nameSize, domain, &domainSize, &use);
    FreeSid(users);
    if (!found) return {};
    return std::wstring(domain) + L"\\" + name;
}

HRESULT RegisterServers(RegistrationState& state) {
    WCHAR localText[kLocalNameCharacters + 1] = {};
    LoadStringW(Snapins::SnapinModule().resourceModule, IDS_LOCAL_SERVER, localText,
                kLocalNameCharacters + 1);
    const std::wstring local = localText;
    const size_t count = state.serverNames.size();
    HRESULT status = S_OK;
    RegisteredServersPtr servers;

    for (size_t k = 0; k < count && !state.Cancelled(); ++k) {
        const std::wstring& name = state.serverNames[k];
        HRESULT created = S_OK;
        auto server = CreateDmo<IWSQLDMORegisteredServer>(CLSID_SQLDMORegisteredServer,
                                                          IID_IWSQLDMORegisteredServer, &created);
        if (!raw(server)) {
            // A server that could not even be attempted is a failure of the run all the same.
            status = FAILED(created) ? created : E_POINTER;
        } else {
            try {
                DmoCheck(server, raw(server)->SetName(name.c_str()));
                DmoCheck(server, raw(server)->SetUseTrustedConnection(VARIANT_TRUE));
                if (!raw(servers)) servers = GroupServers(state.groupName);
                // The collection's failure is described through the registered server, whose calls the
                // object model says leave error information.
                DmoCheck(server, raw(servers)->Add(raw(server)));
                if (state.addLogin && name == local) GrantLocalUsers(name, state.giveSysadmin);
            } catch (const DmoFailure& failure) {
                if (failure.HasDescription()) state.errorText = failure.Description();
                status = failure.Result();
            }
        }
        Snapins::SetProgress(state, static_cast<int>((k + 1) * 100 / count));
    }
    return status;
}

} // namespace MSDE::Wizards::NewReg
