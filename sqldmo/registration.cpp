// The server registration store and the Application object: server groups and the servers registered
// in them, kept in the registry under HKCU\Software\Tavrosk\Client\Server Registration (one key per
// group, one key per server inside it), and the list of this computer's instances.
#include "collection.h"

namespace sqldmo {

namespace {

const wchar_t kStoreKey[] = L"Software\\Tavrosk\\Client\\Server Registration";

// Server names keep their backslash ("HOST\INSTANCE"), which the registry reserves for key paths: a
// server's key uses '/' instead and its value "Name" holds the name itself.
std::wstring ServerKeyName(const std::wstring& name) {
    std::wstring key = name;
    for (auto& c : key)
        if (c == L'\\') c = L'/';
    return key;
}

class Key {
public:
    Key() = default;
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    ~Key() {
        if (key_) RegCloseKey(key_);
    }
    HKEY* put() { return &key_; }
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

void Check(LONG result, const std::wstring& what) {
    if (result == ERROR_SUCCESS) return;
    Fail(L"The server registration store could not be " + what + L" (error " + std::to_wstring(result) +
             L").",
         HRESULT_FROM_WIN32(result));
}

std::wstring GroupPath(const std::wstring& group) {
    return std::wstring(kStoreKey) + L"\\" + group;
}
std::wstring ServerPath(const std::wstring& group, const std::wstring& server) {
    return GroupPath(group) + L"\\" + ServerKeyName(server);
}

bool Exists(const std::wstring& path) {
    Key key;
    return RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

std::vector<std::wstring> SubKeys(const std::wstring& path) {
    std::vector<std::wstring> names;
    Key key;
    LONG result = RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, key.put());
    if (result == ERROR_FILE_NOT_FOUND) return names;
    Check(result, L"read");
    for (DWORD i = 0;; ++i) {
        WCHAR name[256];
        DWORD length = ARRAYSIZE(name);
        result = RegEnumKeyExW(key.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_NO_MORE_ITEMS) break;
        Check(result, L"read");
        names.emplace_back(name, length);
    }
    return names;
}

std::wstring ReadText(const std::wstring& path, const wchar_t* value, const std::wstring& fallback) {
    Key key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS)
        return fallback;
    WCHAR text[512] = {};
    DWORD type = 0, bytes = sizeof(text) - sizeof(WCHAR);
    if (RegQueryValueExW(key.get(), value, nullptr, &type, reinterpret_cast<LPBYTE>(text), &bytes) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return fallback;
    return text;
}

DWORD ReadNumber(const std::wstring& path, const wchar_t* value, DWORD fallback) {
    Key key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS)
        return fallback;
    DWORD number = 0, type = 0, bytes = sizeof(number);
    if (RegQueryValueExW(key.get(), value, nullptr, &type, reinterpret_cast<LPBYTE>(&number), &bytes) !=
            ERROR_SUCCESS ||
        type != REG_DWORD)
        return fallback;
    return number;
}

void WriteText(const std::wstring& path, const wchar_t* value, const std::wstring& text) {
    Key key;
    Check(RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, key.put(),
                          nullptr),
          L"written");
    Check(RegSetValueExW(key.get(), value, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                         DWORD((text.size() + 1) * sizeof(WCHAR))),
          L"written");
}

void WriteNumber(const std::wstring& path, const wchar_t* value, DWORD number) {
    Key key;
    Check(RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, key.put(),
                          nullptr),
          L"written");
    Check(RegSetValueExW(key.get(), value, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                         sizeof(number)),
          L"written");
}

void RemoveTree(const std::wstring& path, const std::wstring& notFound) {
    if (!Exists(path)) Fail(notFound, E_INVALIDARG);
    Check(RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str()), L"changed");
}

// A group or server name becomes a key name: it must be a name, not a path.
void CheckName(const std::wstring& name, const wchar_t* what, bool server) {
    if (name.empty()) Fail(std::wstring(L"A ") + what + L" needs a name.", E_INVALIDARG);
    if (name.size() > 128 || name.find(L'/') != std::wstring::npos ||
        (!server && name.find(L'\\') != std::wstring::npos))
        Fail(L"'" + name + L"' is not a valid " + what + L" name.", E_INVALIDARG);
}

// Registered servers ---------------------------------------------------------------------------------

class RegisteredServer final : public Object<IWSQLDMORegisteredServer> {
public:
    RegisteredServer() = default;
    RegisteredServer(std::wstring group, std::wstring name)
        : group_(std::move(group)), name_(std::move(name)) {}

    STDMETHODIMP GetName(SQLDMO_LPBSTR p) override {
        return Call([&] { Out(p, name_); });
    }
    STDMETHODIMP SetName(SQLDMO_LPCSTR v) override {
        return Call([&] {
            if (Stored()) Fail(L"A registered server cannot be renamed; remove it and register it again.");
            CheckName(In(v), L"server", true);
            name_ = In(v);
        });
    }
    STDMETHODIMP GetUseTrustedConnection(VARIANT_BOOL* p) override {
        return Call(
            [&] { Out(p, Stored() ? ReadNumber(Path(), L"UseTrustedConnection", 1) != 0 : trusted_); });
    }
    STDMETHODIMP SetUseTrustedConnection(VARIANT_BOOL v) override {
        return Call([&] {
            if (Stored()) WriteNumber(Path(), L"UseTrustedConnection", v ? 1 : 0);
            trusted_ = v != VARIANT_FALSE;
        });
    }
    STDMETHODIMP GetLogin(SQLDMO_LPBSTR p) override {
        return Call([&] { Out(p, Stored() ? ReadText(Path(), L"Login", L"") : login_); });
    }
    STDMETHODIMP SetLogin(SQLDMO_LPCSTR v) override {
        return Call([&] {
            if (Stored()) WriteText(Path(), L"Login", In(v));
            login_ = In(v);
        });
    }
    STDMETHODIMP Remove() override {
        return Call([&] {
            if (!Stored()) Fail(L"The server '" + name_ + L"' is not registered.");
            RemoveTree(Path(), L"The server '" + name_ + L"' is not registered in group '" + group_ + L"'.");
            group_.clear();
        });
    }

    // Writes a new registration into group.
    void Store(const std::wstring& group) {
        if (Stored()) Fail(L"The server '" + name_ + L"' is already registered in group '" + group_ + L"'.");
        CheckName(name_, L"server", true);
        if (!Exists(GroupPath(group)))
            Fail(L"The server group '" + group + L"' does not exist.", E_INVALIDARG);
        std::wstring path = ServerPath(group, name_);
        if (Exists(path))
            Fail(L"The server '" + name_ + L"' is already registered in group '" + group + L"'.",
                 E_INVALIDARG);
        WriteText(path, L"Name", name_);
        WriteNumber(path, L"UseTrustedConnection", trusted_ ? 1 : 0);
        WriteText(path, L"Login", login_);
        group_ = group;
    }

private:
    bool Stored() const { return !group_.empty(); }
    std::wstring Path() const { return ServerPath(group_, name_); }

    std::wstring group_; // empty until the server is registered
    std::wstring name_;
    bool trusted_ = true;
    std::wstring login_;
};

class RegisteredServers final : public Collection<IWSQLDMORegisteredServers, IWSQLDMORegisteredServer> {
public:
    explicit RegisteredServers(std::wstring group) : group_(std::move(group)) {}

    STDMETHODIMP Add(IWSQLDMORegisteredServer* pObj) override {
        return Call([&] {
            Implementation<RegisteredServer>(pObj, L"registered server")->Store(group_);
            Forget();
        });
    }
    STDMETHODIMP RemoveByOrd(long lOrdinal) override {
        return Call([&] { RemoveAt(IndexOf(lOrdinal)); });
    }
    STDMETHODIMP RemoveByName(SQLDMO_LPCSTR szName) override {
        return Call([&] { RemoveAt(IndexOf(In(szName))); });
    }

protected:
    std::vector<std::wstring> Load() override {
        if (!Exists(GroupPath(group_))) Fail(L"The server group '" + group_ + L"' does not exist.");
        std::vector<std::wstring> names;
        for (const auto& key : SubKeys(GroupPath(group_)))
            names.push_back(ReadText(GroupPath(group_) + L"\\" + key, L"Name", key));
        return names;
    }
    IWSQLDMORegisteredServer* Make(size_t index) override {
        return new RegisteredServer(group_, Names()[index]);
    }

private:
    void RemoveAt(size_t index) {
        std::wstring name = Names()[index];
        RemoveTree(ServerPath(group_, name), L"The server '" + name + L"' is not registered.");
        Forget();
    }

    std::wstring group_;
};

// Server groups ----------------------------------------------------------------------------------------

class ServerGroup final : public Object<IWSQLDMOServerGroup> {
public:
    ServerGroup() = default;
    explicit ServerGroup(std::wstring name) : name_(std::move(name)), stored_(true) {}

    STDMETHODIMP GetName(SQLDMO_LPBSTR p) override {
        return Call([&] { Out(p, name_); });
    }
    STDMETHODIMP SetName(SQLDMO_LPCSTR v) override {
        return Call([&] {
            if (stored_) Fail(L"A server group cannot be renamed once it is added.");
            CheckName(In(v), L"server group", false);
            name_ = In(v);
        });
    }
    STDMETHODIMP GetRegisteredServers(IWSQLDMORegisteredServers** pp) override {
        return Call([&] {
            if (!stored_) Fail(L"The server group has not been added to the registration store yet.");
            Out(pp, static_cast<IWSQLDMORegisteredServers*>(new RegisteredServers(name_)));
        });
    }
    STDMETHODIMP Remove() override {
        return Call([&] {
            if (!stored_) Fail(L"The server group has not been added to the registration store yet.");
            RemoveTree(GroupPath(name_), L"The server group '" + name_ + L"' does not exist.");
            stored_ = false;
        });
    }

    void Store() {
        if (stored_) Fail(L"The server group '" + name_ + L"' has been added already.");
        CheckName(name_, L"server group", false);
        for (const auto& existing : SubKeys(kStoreKey))
            if (SameName(existing, name_))
                Fail(L"A server group named '" + existing + L"' already exists.", E_INVALIDARG);
        Key key;
        Check(RegCreateKeyExW(HKEY_CURRENT_USER, GroupPath(name_).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                              key.put(), nullptr),
              L"written");
        stored_ = true;
    }

private:
    std::wstring name_;
    bool stored_ = false;
};

class ServerGroups final : public Collection<IWSQLDMOServerGroups, IWSQLDMOServerGroup> {
public:
    STDMETHODIMP Add(IWSQLDMOServerGroup* pObj) override {
        return Call([&] {
            Implementation<ServerGroup>(pObj, L"server group")->Store();
            Forget();
        });
    }
    STDMETHODIMP RemoveByOrd(long lOrdinal) override {
        return Call([&] { RemoveAt(IndexOf(lOrdinal)); });
    }
    STDMETHODIMP RemoveByName(SQLDMO_LPCSTR szName) override {
        return Call([&] { RemoveAt(IndexOf(In(szName))); });
    }

protected:
    std::vector<std::wstring> Load() override { return SubKeys(kStoreKey); }
    IWSQLDMOServerGroup* Make(size_t index) override { return new ServerGroup(Names()[index]); }

private:
    void RemoveAt(size_t index) {
        std::wstring name = Names()[index];
        RemoveTree(GroupPath(name), L"The server group '" + name + L"' does not exist.");
        Forget();
    }
};

// The Application and the name list ---------------------------------------------------------------------

class NameList final : public Object<IWSQLDMONameList> {
public:
    explicit NameList(std::vector<std::wstring> names) : names_(std::move(names)) {}

    STDMETHODIMP GetCount(LPLONG p) override {
        return Call([&] { Out(p, long(names_.size())); });
    }
    STDMETHODIMP GetItemByOrd(long i, SQLDMO_LPBSTR p) override {
        return Call([&] {
            if (i < 0 || size_t(i) >= names_.size())
                Fail(L"There is no item at position " + std::to_wstring(i) + L" of the list.", E_INVALIDARG);
            Out(p, names_[size_t(i)]);
        });
    }
    STDMETHODIMP FindName(SQLDMO_LPCSTR name, LPLONG p) override {
        return Call([&] {
            for (size_t i = 0; i < names_.size(); ++i)
                if (SameName(names_[i], In(name))) return Out(p, long(i));
            Fail(L"'" + In(name) + L"' is not in the list.", E_INVALIDARG);
        });
    }

private:
    std::vector<std::wstring> names_;
};

class Application final : public Object<IWSQLDMOApplication> {
public:
    STDMETHODIMP GetServerGroups(IWSQLDMOServerGroups** pp) override {
        return Call([&] { Out(pp, static_cast<IWSQLDMOServerGroups*>(new ServerGroups)); });
    }
    STDMETHODIMP ListAvailableSQLServers(IWSQLDMONameList** pp) override {
        return Call([&] {
            std::vector<std::wstring> names;
            for (const auto& instance : tvengine::ListInstances())
                names.push_back(Wide(tvengine::GetInstanceSettings(instance).serverName));
            Out(pp, NewNameList(std::move(names)));
        });
    }
    STDMETHODIMP GetVersionMajor(LPLONG p) override {
        return Call([&] { Out(p, 8); });
    }
    STDMETHODIMP GetVersionMinor(LPLONG p) override {
        return Call([&] { Out(p, 0); });
    }
};

} // namespace

IWSQLDMONameList* NewNameList(std::vector<std::wstring> names) {
    return new NameList(std::move(names));
}
IUnknown* NewApplication() {
    return static_cast<IWSQLDMOApplication*>(new Application);
}
IUnknown* NewServerGroup() {
    return static_cast<IWSQLDMOServerGroup*>(new ServerGroup);
}
IUnknown* NewRegisteredServer() {
    return static_cast<IWSQLDMORegisteredServer*>(new RegisteredServer);
}

} // namespace sqldmo
