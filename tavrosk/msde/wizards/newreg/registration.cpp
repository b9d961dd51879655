// The registration record and the worker thread that registers its servers. The worker makes its own
// objects of the object model in its own apartment and reaches the wizard only by messages: it sends
// the progress bar its position and posts the press of Next. Both fail harmlessly once the wizard's
// windows are gone.
#include "msde/wizards/newreg/registration.h"

#include "resources/resource.h"
#include "snapins/module.h"
#include "msde/dmo.h"
#include "msde/nodes/nodetext.h"
#include "commctrl.h"
#include "prsht.h"

namespace MSDE::Wizards::NewReg {

namespace {

constexpr int kLocalNameCharacters = 100;
constexpr DWORD kAccountCharacters = 255;
constexpr long kWindowsGroupLogin = 1; // a login's type: a Windows group

// A failed call of the object model, for the catch of the server being registered.
struct CallFailed {
    HRESULT result;
};

HRESULT Check(HRESULT hr) {
    if (FAILED(hr)) throw CallFailed{hr};
    return hr;
}

// The description of the thread's error object, when the registered server says that its calls leave one
// and there is one.
bool TakeErrorText(const RegisteredServerPtr& server, std::wstring& text) {
    if (!raw(server)) return false;
    ISupportErrorInfo* support = nullptr;
    if (FAILED(raw(server)->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&support))) ||
        !support)
        return false;
    bool taken = false;
    if (support->InterfaceSupportsErrorInfo(IID_IWSQLDMORegisteredServer) == S_OK) {
        IErrorInfo* info = nullptr;
        if (GetErrorInfo(0, &info) == S_OK && info) {
            BSTR description = nullptr;
            if (SUCCEEDED(info->GetDescription(&description))) {
                text = Nodes::TakeText(description);
                taken = true;
            }
            info->Release();
        }
    }
    support->Release();
    return taken;
}

// The registered servers of the group, found by name through an Application of the worker's own.
RegisteredServersPtr GroupServers(const std::wstring& groupName) {
    HRESULT hr = S_OK;
    auto application = CreateDmo<IWSQLDMOApplication>(CLSID_SQLDMOApplication, IID_IWSQLDMOApplication, &hr);
    Check(hr);
    if (!raw(application)) throw CallFailed{E_POINTER};
    ServerGroupsPtr groups;
    Check(raw(application)->GetServerGroups(out(groups)));
    ServerGroupPtr group;
    Check(raw(groups)->GetItemByName(groupName.c_str(), out(group)));
    RegisteredServersPtr servers;
    Check(raw(group)->GetRegisteredServers(out(servers)));
    return servers;
}

// The login of the local Users group on the server, and the sysadmin role for it when asked. These are
// conveniences on top of the registration: a failure here is not reported.
void GrantLocalUsers(const std::wstring& serverName, bool giveSysadmin) {
    std::wstring loginName = LocalUsersGroupName();
    if (loginName.empty()) return;
    auto server = CreateDmo<IWSQLDMOServer>(CLSID_SQLDMOServer, IID_IWSQLDMOServer);
    if (!raw(server)) return;
    if (FAILED(raw(server)->SetLoginSecure(VARIANT_TRUE)) ||
        FAILED(raw(server)->Connect(serverName.c_str(), nullptr, nullptr)))
        return;
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

RegistrationState& Registration() {
    static RegistrationState state;
    return state;
}

void ResetRegistration() {
    RegistrationState& state = Registration();
    state.serverNames.clear();
    state.sheetWindow = nullptr;
    state.progressWindow = nullptr;
    state.groupNode = nullptr;
    state.groupName.clear();
    state.errorText.clear();
    state.status = S_OK;
    state.addLogin = false;
    state.giveSysadmin = false;
    state.manual = false;
    state.stop = false;
}

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

void RegisterServers() {
    CoInitialize(nullptr);
    RegistrationState& state = Registration();
    WCHAR localText[kLocalNameCharacters + 1] = {};
    LoadStringW(Snapins::SnapinModule().resourceModule, IDS_LOCAL_SERVER, localText,
                kLocalNameCharacters + 1);
    const std::wstring local = localText;
    const size_t count = state.serverNames.size();
    HWND progress = GetDlgItem(state.progressWindow, IDC_NEWREG_PROGRESS);
    RegisteredServersPtr servers;

    for (size_t k = 0; k < count && !state.stop; ++k) {
        const std::wstring& name = state.serverNames[k];
        HRESULT last = S_OK;
        HRESULT created = S_OK;
        auto server = CreateDmo<IWSQLDMORegisteredServer>(CLSID_SQLDMORegisteredServer,
                                                          IID_IWSQLDMORegisteredServer, &created);
        if (!raw(server)) {
            // A server that could not even be attempted is a failure of the run all the same.
            state.status = FAILED(created) ? created : E_POINTER;
        } else {
            try {
                Check(last = raw(server)->SetName(name.c_str()));
                Check(last = raw(server)->SetUseTrustedConnection(VARIANT_TRUE));
                if (!raw(servers)) servers = GroupServers(state.groupName);
                last = raw(servers)->Add(raw(server));
                // A failure earlier in the run stays reported when a later server registers.
                if (FAILED(last) || SUCCEEDED(state.status)) state.status = last;
                Check(last);
                if (state.addLogin && name == local) GrantLocalUsers(name, state.giveSysadmin);
            } catch (const CallFailed& failure) {
                std::wstring text;
                if (TakeErrorText(server, text)) state.errorText = text;
                state.status = FAILED(last) ? last : failure.result;
            }
        }
        int position = static_cast<int>((k + 1) * 100 / count);
        SendMessageW(progress, PBM_SETPOS, static_cast<WPARAM>(position), 0);
    }

    PostMessageW(state.sheetWindow, PSM_PRESSBUTTON, PSBTN_NEXT, 0);
    // Status and error text stay for the finish page, which reads them once the press has been handled.
    state.serverNames.clear();
    state.addLogin = false;
    state.giveSysadmin = false;
    state.manual = false;
    state.sheetWindow = nullptr;
    state.progressWindow = nullptr;
    state.groupNode = nullptr;
    servers = RegisteredServersPtr();
    CoUninitialize();
}

} // namespace MSDE::Wizards::NewReg
