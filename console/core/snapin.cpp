// Loading a snap-in: the registry names it (HKLM\SOFTWARE\Microsoft\MMC\SnapIns\{CLSID} with its
// NameString, and a StandAlone subkey when it stands on its own), HKCR\CLSID names its library, and
// CoCreateInstance reaches the library's class factory. The console gives the new IComponentData its
// console object, inserts the static node and names it with the text the snap-in's data object renders
// as CCF_DISPLAY_NAME (the registered name until then).
#include "snapin.h"

#include <cwchar>

#include "console.h"
#include "objects.h"
#include "tvplatform.h"

namespace Console {

namespace {

const wchar_t kSnapinsKey[] = L"SOFTWARE\\Microsoft\\MMC\\SnapIns";

std::wstring GuidText(REFGUID guid) {
    WCHAR text[40] = {};
    StringFromGUID2(guid, text, 40);
    return text;
}

// A REG_SZ value, or empty when there is none.
std::wstring ReadString(HKEY root, const std::wstring& path, const wchar_t* value) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return {};
    WCHAR buffer[1024] = {};
    DWORD type = 0, bytes = sizeof(buffer) / sizeof(WCHAR) * 2; // UTF-16 byte count of the buffer
    LONG result = RegQueryValueExW(key, value, nullptr, &type, reinterpret_cast<LPBYTE>(buffer), &bytes);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return {};
    buffer[ARRAYSIZE(buffer) - 1] = L'\0';
    return buffer;
}

bool KeyExists(HKEY root, const std::wstring& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

} // namespace

std::wstring DescribeError(HRESULT hr) {
    WCHAR text[512] = {};
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                  static_cast<DWORD>(hr), 0, text, ARRAYSIZE(text), nullptr);
    while (length > 0 && (text[length - 1] == L'\n' || text[length - 1] == L'\r' || text[length - 1] == L' '))
        text[--length] = L'\0';
    WCHAR number[16];
    std::swprintf(number, ARRAYSIZE(number), L"0x%08X", static_cast<unsigned>(hr));
    return length ? std::wstring(text) + L" (" + number + L")" : std::wstring(L"error ") + number;
}

HRESULT ReadDataObjectText(IDataObject* data, const wchar_t* format, std::wstring* text) {
    text->clear();
    if (!data) return E_POINTER;
    UINT clipFormat = RegisterClipboardFormatW(format);
    if (!clipFormat) return E_FAIL;
    // The snap-in writes into a block the console gives it, growing it through a stream when it must.
    HGLOBAL block = GlobalAlloc(GMEM_SHARE | GMEM_MOVEABLE, 512);
    if (!block) return E_OUTOFMEMORY;
    FORMATETC formatEtc = {static_cast<CLIPFORMAT>(clipFormat), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium = {};
    medium.tymed = TYMED_HGLOBAL;
    medium.hGlobal = block;
    HRESULT hr = data->GetDataHere(&formatEtc, &medium);
    if (SUCCEEDED(hr)) {
        SIZE_T units = GlobalSize(block) / sizeof(char16_t);
        if (auto* chars = static_cast<const char16_t*>(GlobalLock(block))) {
            SIZE_T length = 0;
            while (length < units && chars[length])
                ++length;
            *text = tvp::FromUtf16(std::u16string_view(chars, length));
            GlobalUnlock(block);
        }
    }
    GlobalFree(block);
    return hr;
}

std::vector<CRegisteredSnapin> FindRegisteredSnapins() {
    std::vector<CRegisteredSnapin> found;
    HKEY snapins = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSnapinsKey, 0, KEY_READ, &snapins) != ERROR_SUCCESS) return found;
    for (DWORD index = 0;; ++index) {
        WCHAR name[256] = {};
        DWORD length = ARRAYSIZE(name);
        LONG result = RegEnumKeyExW(snapins, index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (result != ERROR_SUCCESS) break;
        CRegisteredSnapin snapin;
        if (FAILED(CLSIDFromString(name, &snapin.clsid))) continue; // not a snap-in's key
        std::wstring path = std::wstring(kSnapinsKey) + L"\\" + name;
        snapin.name = ReadString(HKEY_LOCAL_MACHINE, path, L"NameString");
        snapin.standAlone = KeyExists(HKEY_LOCAL_MACHINE, path + L"\\StandAlone");
        snapin.server =
            ReadString(HKEY_CLASSES_ROOT, L"CLSID\\" + GuidText(snapin.clsid) + L"\\InprocServer32", nullptr);
        found.push_back(std::move(snapin));
    }
    RegCloseKey(snapins);
    return found;
}

// The snap-in ---------------------------------------------------------------------------------------------

CSnapin::CSnapin(CConsole& console, REFCLSID clsid) : m_console(console), m_clsid(clsid) {
    m_registeredName =
        ReadString(HKEY_LOCAL_MACHINE, std::wstring(kSnapinsKey) + L"\\" + GuidText(clsid), L"NameString");
}

CSnapin::~CSnapin() {
    Close();
}

HRESULT CSnapin::Open(std::wstring* problem) {
    std::wstring named =
        (m_registeredName.empty() ? std::wstring(L"snap-in") : L"snap-in \"" + m_registeredName + L"\"") +
        L" " + GuidText(m_clsid);
    HRESULT hr = CoCreateInstance(m_clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IComponentData,
                                  m_componentData.ReceiveVoid());
    if (FAILED(hr)) {
        if (problem) {
            *problem = L"The " + named + L" could not be created: " + DescribeError(hr);
            if (hr == REGDB_E_CLASSNOTREG) *problem += L". Register its library (tavrosk-init or regsvr32).";
        }
        m_componentData.Reset();
        return hr;
    }
    m_scopeImages = tvcom::Make<CImageList>();
    m_consoleObject = tvcom::Make<CConsoleObject>(&m_console, this, nullptr);
    m_staticNode =
        m_console.Tree().AddStaticNode(this, m_registeredName.empty() ? GuidText(m_clsid) : m_registeredName);

    hr = m_componentData->Initialize(m_consoleObject.Get());
    if (FAILED(hr)) {
        if (problem) *problem = L"The " + named + L" failed to start: " + DescribeError(hr);
        Close();
        return hr;
    }
    tvcom::ComPtr<IDataObject> data;
    if (SUCCEEDED(m_componentData->QueryDataObject(0, CCT_SNAPIN_MANAGER, data.Receive())) && data) {
        std::wstring name;
        if (SUCCEEDED(ReadDataObjectText(data.Get(), CCF_DISPLAY_NAME, &name)) && !name.empty())
            if (CScopeItem* node = m_console.Tree().Find(m_staticNode)) node->name = name;
    }
    return S_OK;
}

void CSnapin::Close() {
    if (m_componentData) {
        m_componentData->Destroy();
        m_componentData.Reset();
    }
    if (m_consoleObject) {
        m_consoleObject->Disconnect();
        m_consoleObject.Reset();
    }
    m_scopeImages.Reset();
    if (m_staticNode) {
        m_console.Tree().RemoveStaticNode(m_staticNode);
        m_staticNode = 0;
    }
}

void CSnapin::WaitUntilUnloadable(const std::function<void()>& waiting) {
    const std::wstring path =
        ReadString(HKEY_CLASSES_ROOT, L"CLSID\\" + GuidText(m_clsid) + L"\\InprocServer32", nullptr);
    HMODULE library = path.empty() ? nullptr : GetModuleHandleW(path.c_str());
    auto canUnload =
        library ? reinterpret_cast<LPFNCANUNLOADNOW>(GetProcAddress(library, "DllCanUnloadNow")) : nullptr;
    bool told = false;
    while (canUnload && canUnload() != S_OK) {
        if (!told && waiting) waiting();
        told = true;
        // A worker may be sending to a window of this thread: its messages are handled while we wait.
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        Sleep(10);
    }
}

tvcom::ComPtr<IDataObject> CSnapin::ScopeDataObject(const CScopeItem& item, DATA_OBJECT_TYPES type) {
    tvcom::ComPtr<IDataObject> data;
    if (!m_componentData) return data;
    MMC_COOKIE cookie = item.isStatic ? 0 : item.lParam;
    if (FAILED(m_componentData->QueryDataObject(cookie, type, data.Receive()))) data.Reset();
    return data;
}

std::wstring CSnapin::ScopeItemName(const CScopeItem& item) {
    if (!item.nameIsCallback) return item.name;
    if (!m_componentData) return {};
    SCOPEDATAITEM data = {};
    data.mask = SDI_STR;
    data.lParam = item.isStatic ? 0 : item.lParam;
    data.ID = item.id;
    m_componentData->GetDisplayInfo(&data);
    // The text lives in the snap-in's buffer until its next call: copy it now.
    if (!data.displayname || data.displayname == MMC_CALLBACK) return {};
    return data.displayname;
}

HRESULT CSnapin::Notify(IDataObject* data, MMC_NOTIFY_TYPE event, LPARAM arg, LPARAM param) {
    if (!m_componentData) return E_UNEXPECTED;
    return m_componentData->Notify(data, event, arg, param);
}

std::wstring CSnapin::HelpFile() {
    if (!m_componentData) return {};
    tvcom::ComPtr<ISnapinHelp> help;
    if (FAILED(m_componentData->QueryInterface(IID_ISnapinHelp2, help.ReceiveVoid())) &&
        FAILED(m_componentData->QueryInterface(IID_ISnapinHelp, help.ReceiveVoid())))
        return {};
    LPOLESTR file = nullptr;
    std::wstring result;
    if (SUCCEEDED(help->GetHelpTopic(&file)) && file) result = file;
    CoTaskMemFree(file);
    return result;
}

} // namespace Console
