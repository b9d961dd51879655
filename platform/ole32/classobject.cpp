// Apartments and class objects. CoCreateInstance looks for a class first among the class objects this
// process registered with CoRegisterClassObject (the console registers its own classes this way),
// then under HKEY_CLASSES_ROOT\CLSID\{...}\InprocServer32, whose library it loads and asks through its
// DllGetClassObject. Loaded servers stay loaded until CoFreeUnusedLibraries finds them unused.
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "objbase.h"
#include "tvcom.h"

namespace {

struct Apartment {
    int initCount = 0;
    DWORD model = 0;
};
thread_local Apartment t_apartment;

struct RegisteredClass {
    CLSID clsid;
    tvcom::ComPtr<IUnknown> object;
    DWORD context;
    DWORD flags;
};

struct InprocServer {
    std::wstring path;
    HMODULE module;
};

std::mutex g_lock;
// Never destroyed: a class still registered when the process ends is not released after the library
// that implements it may be gone.
std::map<DWORD, RegisteredClass>& g_classes = *new std::map<DWORD, RegisteredClass>;
DWORD g_nextCookie = 1;
std::vector<InprocServer> g_servers;

std::wstring ClsidKey(REFCLSID clsid) {
    WCHAR text[39];
    StringFromGUID2(clsid, text, 39);
    return std::wstring(L"CLSID\\") + text + L"\\InprocServer32";
}

// The library registered for a class, or an error: REGDB_E_CLASSNOTREG when nothing is registered.
HRESULT RegisteredServerPath(REFCLSID clsid, std::wstring& path) {
    HKEY key = nullptr;
    LONG result = RegOpenKeyExW(HKEY_CLASSES_ROOT, ClsidKey(clsid).c_str(), 0, KEY_QUERY_VALUE, &key);
    if (result == ERROR_FILE_NOT_FOUND) return REGDB_E_CLASSNOTREG;
    if (result != ERROR_SUCCESS) return REGDB_E_READREGDB;
    WCHAR buffer[MAX_PATH * 2] = {};
    DWORD type = 0, bytes = ARRAYSIZE(buffer) * 2; // UTF-16 byte count of the buffer
    result = RegQueryValueExW(key, nullptr, nullptr, &type, reinterpret_cast<LPBYTE>(buffer), &bytes);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ) || !buffer[0])
        return REGDB_E_CLASSNOTREG;
    path = buffer;
    return S_OK;
}

HMODULE LoadServer(const std::wstring& path) {
    std::lock_guard guard(g_lock);
    for (auto& server : g_servers)
        if (server.path == path) return server.module;
    HMODULE module = LoadLibraryW(path.c_str());
    if (module) g_servers.push_back({path, module});
    return module;
}

HRESULT InprocClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
    std::wstring path;
    HRESULT hr = RegisteredServerPath(rclsid, path);
    if (FAILED(hr)) return hr;
    HMODULE module = LoadServer(path);
    if (!module) {
        OutputDebugStringW((L"CoGetClassObject: cannot load " + path + L"\n").c_str());
        return CO_E_DLLNOTFOUND;
    }
    auto getClassObject = reinterpret_cast<LPFNGETCLASSOBJECT>(GetProcAddress(module, "DllGetClassObject"));
    if (!getClassObject) return CO_E_ERRORINDLL;
    return getClassObject(rclsid, riid, ppv);
}

} // namespace

extern "C" HRESULT WINAPI CoInitializeEx(LPVOID pvReserved, DWORD dwCoInit) {
    DWORD model = dwCoInit & COINIT_APARTMENTTHREADED;
    if (t_apartment.initCount > 0) {
        if (t_apartment.model != model) return RPC_E_CHANGED_MODE;
        ++t_apartment.initCount;
        return S_FALSE;
    }
    t_apartment.initCount = 1;
    t_apartment.model = model;
    return S_OK;
}

extern "C" HRESULT WINAPI CoInitialize(LPVOID pvReserved) {
    return CoInitializeEx(pvReserved, COINIT_APARTMENTTHREADED);
}

extern "C" void WINAPI CoUninitialize(void) {
    if (t_apartment.initCount > 0) --t_apartment.initCount;
}

extern "C" HRESULT WINAPI CoRegisterClassObject(REFCLSID rclsid, LPUNKNOWN pUnk, DWORD dwClsContext,
                                                DWORD flags, LPDWORD lpdwRegister) {
    if (!pUnk || !lpdwRegister) return E_INVALIDARG;
    if (t_apartment.initCount == 0) return CO_E_NOTINITIALIZED;
    std::lock_guard guard(g_lock);
    for (auto& [cookie, entry] : g_classes)
        if (IsEqualCLSID(entry.clsid, rclsid) && !(entry.flags & REGCLS_MULTI_SEPARATE)) return CO_E_OBJISREG;
    DWORD cookie = g_nextCookie++;
    g_classes[cookie] = {rclsid, tvcom::ComPtr<IUnknown>::Retain(pUnk), dwClsContext, flags};
    *lpdwRegister = cookie;
    return S_OK;
}

extern "C" HRESULT WINAPI CoRevokeClassObject(DWORD dwRegister) {
    tvcom::ComPtr<IUnknown> object; // released outside the lock: the release may run arbitrary code
    {
        std::lock_guard guard(g_lock);
        auto it = g_classes.find(dwRegister);
        if (it == g_classes.end()) return CO_E_OBJNOTREG;
        object = std::move(it->second.object);
        g_classes.erase(it);
    }
    return S_OK;
}

extern "C" HRESULT WINAPI CoGetClassObject(REFCLSID rclsid, DWORD dwClsContext, LPVOID pvReserved,
                                           REFIID riid, LPVOID* ppv) {
    if (!ppv) return E_INVALIDARG;
    *ppv = nullptr;
    if (t_apartment.initCount == 0) return CO_E_NOTINITIALIZED;
    tvcom::ComPtr<IUnknown> registered;
    {
        std::lock_guard guard(g_lock);
        for (auto& [cookie, entry] : g_classes)
            if (IsEqualCLSID(entry.clsid, rclsid) && (entry.context & dwClsContext)) {
                registered = entry.object;
                break;
            }
    }
    if (registered) return registered->QueryInterface(riid, ppv);
    if (!(dwClsContext & CLSCTX_INPROC_SERVER)) return REGDB_E_CLASSNOTREG;
    return InprocClassObject(rclsid, riid, ppv);
}

extern "C" HRESULT WINAPI CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext,
                                           REFIID riid, LPVOID* ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    tvcom::ComPtr<IClassFactory> factory;
    HRESULT hr = CoGetClassObject(rclsid, dwClsContext, nullptr, IID_IClassFactory, factory.ReceiveVoid());
    if (FAILED(hr)) return hr;
    return factory->CreateInstance(pUnkOuter, riid, ppv);
}

extern "C" void WINAPI CoFreeUnusedLibraries(void) {
    std::vector<HMODULE> unused;
    {
        std::lock_guard guard(g_lock);
        for (auto it = g_servers.begin(); it != g_servers.end();) {
            auto canUnload =
                reinterpret_cast<LPFNCANUNLOADNOW>(GetProcAddress(it->module, "DllCanUnloadNow"));
            if (canUnload && canUnload() == S_OK) {
                unused.push_back(it->module);
                it = g_servers.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (HMODULE module : unused)
        FreeLibrary(module);
}
