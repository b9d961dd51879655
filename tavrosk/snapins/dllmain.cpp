// The library's entry points: the class objects of its two classes, the unload check, and the
// registration that makes the console list the snap-in as a stand-alone snap-in.
#include <new>
#include <string>

#include "resources/resource.h"
#include "snapins/classfactory.h"
#include "snapins/module.h"

using namespace Snapins;

namespace {

const WCHAR kSnapInsKey[] = L"SOFTWARE\\Microsoft\\MMC\\SnapIns";

std::wstring GuidText(REFCLSID clsid) {
    WCHAR text[39];
    StringFromGUID2(clsid, text, ARRAYSIZE(text));
    return text;
}

// Creates the key and sets one REG_SZ value on it (null name: the default value). Only a key that
// cannot be created fails the step; a value that cannot be written is not reported.
HRESULT WriteValue(HKEY root, const std::wstring& keyPath, LPCWSTR valueName, const std::wstring& value) {
    HKEY key = nullptr;
    LONG result = RegCreateKeyExW(root, keyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                                  nullptr, &key, nullptr);
    if (result != ERROR_SUCCESS) return HRESULT_FROM_WIN32(result);
    RegSetValueExW(key, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * 2));
    RegCloseKey(key);
    return S_OK;
}

HRESULT CreateKey(HKEY root, const std::wstring& keyPath) {
    HKEY key = nullptr;
    LONG result = RegCreateKeyExW(root, keyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                                  nullptr, &key, nullptr);
    if (result != ERROR_SUCCESS) return HRESULT_FROM_WIN32(result);
    RegCloseKey(key);
    return S_OK;
}

// HKCR\CLSID\{clsid} = name, with InprocServer32 = the module's path and ThreadingModel = Apartment.
HRESULT RegisterClass(REFCLSID clsid, const std::wstring& name, const std::wstring& modulePath) {
    std::wstring classKey = L"CLSID\\" + GuidText(clsid);
    std::wstring serverKey = classKey + L"\\InprocServer32";
    HRESULT hr = WriteValue(HKEY_CLASSES_ROOT, classKey, nullptr, name);
    if (SUCCEEDED(hr)) hr = WriteValue(HKEY_CLASSES_ROOT, serverKey, nullptr, modulePath);
    if (SUCCEEDED(hr)) hr = WriteValue(HKEY_CLASSES_ROOT, serverKey, L"ThreadingModel", L"Apartment");
    return hr;
}

std::wstring LoadName(UINT id) {
    WCHAR buffer[512] = {};
    LoadStringW(SnapinModule().resourceModule, id, buffer, ARRAYSIZE(buffer));
    return buffer;
}

} // namespace

extern "C" __attribute__((visibility("default"))) BOOL WINAPI DllMain(HINSTANCE hinstDLL, DWORD fdwReason,
                                                                      LPVOID lpvReserved) {
    if (fdwReason == DLL_PROCESS_ATTACH) SnapinModule().resourceModule = hinstDLL;
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
    CClassFactory::FACTORY_TYPE kind;
    if (IsEqualCLSID(rclsid, CLSID_Snapin))
        kind = CClassFactory::COMPONENT;
    else if (IsEqualCLSID(rclsid, CLSID_SnapinAbout))
        kind = CClassFactory::ABOUT;
    else
        return CLASS_E_CLASSNOTAVAILABLE;
    if (!ppv) return E_FAIL;
    *ppv = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IClassFactory)) return E_NOINTERFACE;

    auto factory = tvcom::ComPtr<CClassFactory>::Adopt(new (std::nothrow) CClassFactory(kind));
    if (!factory) return E_OUTOFMEMORY;
    return factory->QueryInterface(riid, ppv);
}

// Running wizard workers hold the lock; once none does, their threads are joined before the answer.
STDAPI DllCanUnloadNow() {
    if (ModuleInUse()) return S_FALSE;
    JoinEndedWorkers();
    return S_OK;
}

STDAPI DllRegisterServer() {
    std::wstring snapinName = LoadName(IDS_SNAPIN_NAME);
    std::wstring aboutName = LoadName(IDS_ABOUT_NAME);
    WCHAR modulePath[MAX_PATH] = {};
    GetModuleFileNameW(SnapinModule().resourceModule, modulePath, MAX_PATH);

    HRESULT hr = RegisterClass(CLSID_Snapin, snapinName, modulePath);
    if (FAILED(hr)) return hr;
    hr = RegisterClass(CLSID_SnapinAbout, aboutName, modulePath);
    if (FAILED(hr)) return hr;

    std::wstring snapinKey = std::wstring(kSnapInsKey) + L"\\" + GuidText(CLSID_Snapin);
    hr = WriteValue(HKEY_LOCAL_MACHINE, snapinKey, L"NameString", snapinName);
    if (SUCCEEDED(hr)) hr = CreateKey(HKEY_LOCAL_MACHINE, snapinKey + L"\\StandAlone");
    if (SUCCEEDED(hr)) hr = WriteValue(HKEY_LOCAL_MACHINE, snapinKey, L"About", GuidText(CLSID_SnapinAbout));
    return hr;
}

// Removes the snap-in's class and its console registration; the about class stays registered.
STDAPI DllUnregisterServer() {
    RegDeleteTreeW(HKEY_CLASSES_ROOT, (L"CLSID\\" + GuidText(CLSID_Snapin)).c_str());
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, (std::wstring(kSnapInsKey) + L"\\" + GuidText(CLSID_Snapin)).c_str());
    return S_OK;
}
