// The in-process server's entry points: the class objects of the classes callers create, their
// registration under HKEY_CLASSES_ROOT\CLSID, and the unload check.
#include <new>

#include "object.h"

namespace sqldmo {

std::atomic<long>& LiveObjects() {
    static std::atomic<long> count{0};
    return count;
}

namespace {

HINSTANCE g_module = nullptr;
std::atomic<long> g_locks{0};

struct ClassEntry {
    const CLSID* clsid;
    const wchar_t* name;
    IUnknown* (*create)();
};

const ClassEntry kClasses[] = {
    {&CLSID_SQLDMOApplication, L"Application", NewApplication},
    {&CLSID_SQLDMOServer, L"SQLServer", NewServer},
    {&CLSID_SQLDMODatabase, L"Database", NewDatabase},
    {&CLSID_SQLDMODBFile, L"DBFile", NewDBFile},
    {&CLSID_SQLDMOLogFile, L"LogFile", NewLogFile},
    {&CLSID_SQLDMOLogin, L"Login", NewLogin},
    {&CLSID_SQLDMOServerGroup, L"ServerGroup", NewServerGroup},
    {&CLSID_SQLDMORegisteredServer, L"RegisteredServer", NewRegisteredServer},
    {&CLSID_SQLDMOBackup, L"Backup", NewBackup},
    {&CLSID_SQLDMORestore, L"Restore", NewRestore},
    {&CLSID_SQLDMOJob, L"Job", NewJob},
    {&CLSID_SQLDMOJobStep, L"JobStep", NewJobStep},
    {&CLSID_SQLDMOJobSchedule, L"JobSchedule", NewJobSchedule},
};

class ClassFactory final : public tvcom::Object<IClassFactory> {
public:
    explicit ClassFactory(const ClassEntry& entry) : entry_(entry) { ++LiveObjects(); }
    ~ClassFactory() override { --LiveObjects(); }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        tvcom::ComPtr<IUnknown> object;
        try {
            object = tvcom::ComPtr<IUnknown>::Adopt(entry_.create());
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
        return object->QueryInterface(riid, ppv);
    }
    STDMETHODIMP LockServer(BOOL lock) override {
        lock ? ++g_locks : --g_locks;
        return S_OK;
    }

private:
    const ClassEntry& entry_;
};

std::wstring ClassKey(const CLSID& clsid) {
    WCHAR text[39];
    StringFromGUID2(clsid, text, 39);
    return std::wstring(L"CLSID\\") + text;
}

LONG SetText(const std::wstring& keyPath, const wchar_t* value, const std::wstring& text) {
    HKEY key = nullptr;
    LONG result =
        RegCreateKeyExW(HKEY_CLASSES_ROOT, keyPath.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
    if (result != ERROR_SUCCESS) return result;
    result = RegSetValueExW(key, value, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                            DWORD((text.size() + 1) * sizeof(WCHAR)));
    RegCloseKey(key);
    return result;
}

} // namespace

} // namespace sqldmo

using namespace sqldmo;

extern "C" __attribute__((visibility("default"))) BOOL WINAPI DllMain(HINSTANCE hinstDLL, DWORD fdwReason,
                                                                      LPVOID lpvReserved) {
    if (fdwReason == DLL_PROCESS_ATTACH) g_module = hinstDLL;
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    for (const auto& entry : kClasses) {
        if (rclsid != *entry.clsid) continue;
        auto factory = tvcom::ComPtr<ClassFactory>::Adopt(new (std::nothrow) ClassFactory(entry));
        if (!factory) return E_OUTOFMEMORY;
        return factory->QueryInterface(riid, ppv);
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllCanUnloadNow() {
    return LiveObjects() == 0 && g_locks == 0 ? S_OK : S_FALSE;
}

STDAPI DllRegisterServer() {
    WCHAR path[MAX_PATH] = {};
    if (!g_module || !GetModuleFileNameW(g_module, path, MAX_PATH)) return SELFREG_E_CLASS;
    for (const auto& entry : kClasses) {
        std::wstring key = ClassKey(*entry.clsid);
        if (SetText(key, nullptr, std::wstring(L"Tavrosk object model ") + entry.name) != ERROR_SUCCESS ||
            SetText(key + L"\\InprocServer32", nullptr, path) != ERROR_SUCCESS ||
            SetText(key + L"\\InprocServer32", L"ThreadingModel", L"Apartment") != ERROR_SUCCESS)
            return SELFREG_E_CLASS;
    }
    return S_OK;
}

STDAPI DllUnregisterServer() {
    HRESULT hr = S_OK;
    for (const auto& entry : kClasses) {
        std::wstring key = ClassKey(*entry.clsid);
        LONG result = RegDeleteTreeW(HKEY_CLASSES_ROOT, key.c_str());
        if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND) hr = SELFREG_E_CLASS;
    }
    return hr;
}
