// The node manager (IPropertySheetProvider and IPropertySheetCallback), its class factory, and the
// console's open sheets. The console learns by itself that a person closed a modeless sheet: it
// subclasses the sheet, which hides itself when OK, Cancel or the close box ends it, and a message
// posted to the console's own hidden window then destroys it, outside the sheet's own message handling.
#include "propertysheet.h"

#include <algorithm>
#include <mutex>

#include "console.h"
#include "prsht.h"
#include "tvmmc.h"

namespace Console {

namespace {

const wchar_t kWindowClass[] = L"TavroskConsoleSheets";
const UINT kPropertyChanged = WM_APP + 0x200; // wParam: the notify handle, lParam: its param
const UINT kHandleFreed = WM_APP + 0x201;     // wParam: the notify handle
const UINT kSheetHidden = WM_APP + 0x202;     // wParam: the sheet

// The sheets the console subclassed, with the procedure each had before.
std::mutex g_subclassLock;
std::map<HWND, std::pair<WNDPROC, HWND>>& Subclassed() {
    static auto* subclassed = new std::map<HWND, std::pair<WNDPROC, HWND>>;
    return *subclassed;
}

bool SameObject(IUnknown* a, IUnknown* b) {
    if (!a || !b) return false;
    tvcom::ComPtr<IUnknown> first = tvcom::ComPtr<IUnknown>::Retain(a).As<IUnknown>();
    tvcom::ComPtr<IUnknown> second = tvcom::ComPtr<IUnknown>::Retain(b).As<IUnknown>();
    return first && first.Get() == second.Get();
}

} // namespace

// The node manager
// ----------------------------------------------------------------------------------------------

class CNodeManager : public tvcom::Object<IPropertySheetProvider, IPropertySheetCallback> {
public:
    explicit CNodeManager(CPropertySheets* sheets) : m_sheets(sheets) { m_sheets->Attach(this); }
    ~CNodeManager() override {
        if (m_sheets) m_sheets->Detach(this);
    }
    void Disconnect() { m_sheets = nullptr; }

    // IPropertySheetProvider
    STDMETHOD(CreatePropertySheet)
    (LPCWSTR title, boolean type, MMC_COOKIE cookie, LPDATAOBJECT data, DWORD options) override {
        return Create(title, type != 0, cookie, data, options);
    }
    STDMETHOD(FindPropertySheet)(HSCOPEITEM, LPCOMPONENT component, LPDATAOBJECT data) override {
        if (!data) return E_POINTER;
        if (!m_sheets) return E_UNEXPECTED;
        return m_sheets->FindSheet(component, data);
    }
    STDMETHOD(AddPrimaryPages)(LPUNKNOWN unknown, BOOL createHandle, HWND, BOOL scopePane) override {
        return AddPrimary(unknown, createHandle != FALSE, scopePane != FALSE);
    }
    // The console loads no extension snap-ins, so there are no extension pages to collect.
    STDMETHOD(AddExtensionPages)() override { return m_pending ? S_OK : E_UNEXPECTED; }
    STDMETHOD(Show)(LONG_PTR window, int page) override;

    // IPropertySheetCallback
    STDMETHOD(AddPage)(HPROPSHEETPAGE page) override {
        if (!page) return E_INVALIDARG;
        if (m_pending) {
            m_pages.push_back(page);
            return S_OK;
        }
        if (IsWindow(m_shown)) return PropSheet_AddPage(m_shown, page) ? S_OK : E_FAIL;
        return E_UNEXPECTED;
    }
    STDMETHOD(RemovePage)(HPROPSHEETPAGE page) override {
        if (!page) return E_INVALIDARG;
        if (m_pending) {
            auto found = std::find(m_pages.begin(), m_pages.end(), page);
            if (found == m_pages.end()) return E_INVALIDARG;
            m_pages.erase(found);
            return S_OK;
        }
        // After Show the page leaves the open sheet, which destroys it.
        if (!IsWindow(m_shown) || PropSheet_PageToIndex(m_shown, page) < 0) return E_INVALIDARG;
        PropSheet_RemovePage(m_shown, 0, page);
        return S_OK;
    }

private:
    HRESULT Create(LPCWSTR title, bool propertySheet, MMC_COOKIE cookie, IDataObject* data, DWORD options);
    HRESULT AddPrimary(IUnknown* unknown, bool createHandle, bool scopePane);
    HRESULT ShowModeless(int page);
    HRESULT ShowWizard(HWND parent, int page);
    void Discard();
    static int CALLBACK SheetCallback(HWND sheet, UINT message, LPARAM);

    CPropertySheets* m_sheets;
    bool m_pending = false; // created and not shown yet
    bool m_propertySheet = true;
    std::wstring m_title;
    tvcom::ComPtr<IDataObject> m_data;
    DWORD m_options = 0;
    std::vector<HPROPSHEETPAGE> m_pages;
    tvcom::ComPtr<IUnknown> m_primary;
    HBITMAP m_watermark = nullptr, m_header = nullptr;
    BOOL m_stretch = FALSE;
    HWND m_shown = nullptr; // the sheet Show opened, while it is open

    // The node manager whose wizard PropertySheetW is making on this thread, until the sheet exists.
    static thread_local CNodeManager* t_showing;
};

thread_local CNodeManager* CNodeManager::t_showing = nullptr;

HRESULT CNodeManager::Create(LPCWSTR title, bool propertySheet, MMC_COOKIE, IDataObject* data,
                             DWORD options) {
    if (!title) return E_INVALIDARG;
    if (!m_sheets || !m_sheets->Live()) return E_UNEXPECTED;
    if (m_pending) return E_UNEXPECTED; // one sheet at a time: Show or Show(-1, 0) ends it
    m_pending = true;
    m_propertySheet = propertySheet;
    m_title = title;
    m_data = tvcom::ComPtr<IDataObject>::Retain(data);
    m_options = options;
    m_pages.clear();
    m_primary.Reset();
    m_watermark = m_header = nullptr;
    m_stretch = FALSE;
    m_shown = nullptr;
    return S_OK;
}

HRESULT CNodeManager::AddPrimary(IUnknown* unknown, bool createHandle, bool scopePane) {
    if (!m_pending || !m_sheets) return E_UNEXPECTED;
    if (!unknown) return E_INVALIDARG;
    auto primary = tvcom::ComPtr<IUnknown>::Retain(unknown);
    auto extend2 = primary.As<IExtendPropertySheet2>();
    auto extend = extend2 ? tvcom::ComPtr<IExtendPropertySheet>::Retain(extend2.Get())
                          : primary.As<IExtendPropertySheet>();
    if (!extend) return E_NOINTERFACE;
    auto component = primary.As<IComponent>();
    auto componentData = primary.As<IComponentData>();
    LONG_PTR handle = 0;
    if (createHandle) {
        // The handle routes the pages' changes to the object that gave them.
        if (!component && !componentData) return E_INVALIDARG;
        handle = m_sheets->CreateNotifyHandle(component.Get(), componentData.Get(), scopePane);
        if (!handle) return E_UNEXPECTED;
    }
    m_primary = primary;
    HRESULT hr = extend->CreatePropertyPages(this, handle, m_data.Get());
    // A snap-in that failed never keeps the handle: the console frees it at once.
    if (FAILED(hr) && handle) MMCFreeNotifyHandle(handle);
    if (SUCCEEDED(hr) && !m_propertySheet && extend2) {
        HPALETTE palette = nullptr;
        if (FAILED(extend2->GetWatermarks(m_data.Get(), &m_watermark, &m_header, &palette, &m_stretch)))
            m_watermark = m_header = nullptr;
    }
    return hr;
}

void CNodeManager::Discard() {
    // The pages stay the snap-in's to destroy: the console never used them.
    m_pending = false;
    m_pages.clear();
    m_primary.Reset();
    m_data.Reset();
}

// Show(-1, 0) gives up a sheet that was built but is not to be shown, and answers E_FAIL, which the
// caller may ignore. Any other handle that names no window is taken the same way; a null window is
// allowed (the sheet then has no owner). A sheet without pages is not shown: S_FALSE, and the sheet
// waits for Show(-1, 0).
STDMETHODIMP CNodeManager::Show(LONG_PTR window, int page) {
    HWND parent = reinterpret_cast<HWND>(window);
    if (window == -1 || (parent && !IsWindow(parent))) {
        if (m_pending) Discard();
        return E_FAIL;
    }
    if (!m_pending) return E_UNEXPECTED;
    if (!m_sheets || !m_sheets->Live()) {
        Discard();
        return E_UNEXPECTED;
    }
    if (m_pages.empty()) return S_FALSE;
    m_pending = false;
    HRESULT hr = m_propertySheet ? ShowModeless(page) : ShowWizard(parent, page);
    m_primary.Reset();
    m_data.Reset();
    return hr;
}

// A property sheet is parented to the console's hidden window, not to the window it is given, so that
// it stays open beside the console rather than in front of it.
HRESULT CNodeManager::ShowModeless(int page) {
    std::wstring caption = (m_options & MMC_PSO_NO_PROPTITLE) ? m_title : m_title + L" Properties";
    PROPSHEETHEADERW header{};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_MODELESS | ((m_options & MMC_PSO_NOAPPLYNOW) ? PSH_NOAPPLYNOW : 0) |
                     ((m_options & MMC_PSO_HASHELP) ? PSH_HASHELP : 0);
    header.hwndParent = m_sheets->Window();
    header.pszCaption = caption.c_str();
    header.nPages = static_cast<UINT>(m_pages.size());
    header.nStartPage = page >= 0 && static_cast<size_t>(page) < m_pages.size() ? static_cast<UINT>(page) : 0;
    header.phpage = m_pages.data();
    INT_PTR made = PropertySheetW(&header);
    m_pages.clear(); // the sheet owns them now, and destroyed them if it could not be made
    if (made == -1 || !made) return E_FAIL;
    m_shown = reinterpret_cast<HWND>(made);
    m_sheets->AddSheet({m_shown, m_primary, m_data});
    return S_OK;
}

int CALLBACK CNodeManager::SheetCallback(HWND sheet, UINT message, LPARAM) {
    if (message == PSCB_INITIALIZED && t_showing) {
        CNodeManager* self = std::exchange(t_showing, nullptr);
        self->m_shown = sheet;
        if (self->m_sheets) self->m_sheets->PushModal(sheet);
    }
    return 0;
}

// A wizard runs modally on the console's thread: Show returns when Finish or Cancel closes it.
HRESULT CNodeManager::ShowWizard(HWND parent, int page) {
    PROPSHEETHEADERW header{};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_USECALLBACK | ((m_options & MMC_PSO_NEWWIZARDTYPE) ? PSH_WIZARD97 : PSH_WIZARD) |
                     ((m_options & MMC_PSO_HASHELP) ? PSH_HASHELP : 0);
    // The bitmaps stay the snap-in's.
    if (m_watermark) header.dwFlags |= PSH_WATERMARK | PSH_USEHBMWATERMARK;
    if (m_header) header.dwFlags |= PSH_HEADER | PSH_USEHBMHEADER;
    if (m_stretch) header.dwFlags |= PSH_STRETCHWATERMARK;
    header.hbmWatermark = m_watermark;
    header.hbmHeader = m_header;
    header.hwndParent = parent;
    header.pszCaption = m_title.c_str();
    header.nPages = static_cast<UINT>(m_pages.size());
    header.nStartPage = page >= 0 && static_cast<size_t>(page) < m_pages.size() ? static_cast<UINT>(page) : 0;
    header.pfnCallback = SheetCallback;
    // The sheet owns the pages now, and destroys them when it closes.
    std::vector<HPROPSHEETPAGE> pages = std::move(m_pages);
    m_pages.clear();
    header.phpage = pages.data();
    // The wizard's pages may let go of the snap-in's last reference meanwhile.
    auto keep = tvcom::ComPtr<CNodeManager>::Retain(this);
    CNodeManager* outer = std::exchange(t_showing, this);
    INT_PTR result = PropertySheetW(&header);
    t_showing = outer;
    HWND shown = std::exchange(m_shown, nullptr);
    if (shown && m_sheets) m_sheets->PopModal(shown);
    return result < 0 ? E_FAIL : S_OK;
}

// The class factory
// -----------------------------------------------------------------------------------------------

class CNodeManagerFactory : public tvcom::Object<IClassFactory> {
public:
    explicit CNodeManagerFactory(CPropertySheets* sheets) : m_sheets(sheets) {}
    void Disconnect() { m_sheets = nullptr; }

    STDMETHOD(CreateInstance)(IUnknown* outer, REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        if (!m_sheets || !m_sheets->Live()) return E_UNEXPECTED;
        return tvcom::Make<CNodeManager>(m_sheets)->QueryInterface(riid, ppv);
    }
    STDMETHOD(LockServer)(BOOL) override { return S_OK; }

private:
    CPropertySheets* m_sheets;
};

// The console's sheets
// ---------------------------------------------------------------------------------------------

CPropertySheets::CPropertySheets(CConsole& console) : m_console(console) {
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = Procedure;
    windowClass.lpszClassName = kWindowClass;
    RegisterClassExW(&windowClass); // a second console in the process finds the class registered
    m_window =
        CreateWindowExW(0, kWindowClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    SetWindowLongPtrW(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));

    m_factory = tvcom::Make<CNodeManagerFactory>(this);
    // Only one console of a process can be found this way; a second one (in tests) does without.
    if (FAILED(CoRegisterClassObject(CLSID_NodeManager, m_factory.Get(), CLSCTX_INPROC_SERVER,
                                     REGCLS_MULTIPLEUSE, &m_registration)))
        m_registration = 0;
}

CPropertySheets::~CPropertySheets() {
    Close();
    m_factory.Reset();
    SetWindowLongPtrW(m_window, GWLP_USERDATA, 0);
    DestroyWindow(m_window);
}

void CPropertySheets::Close() {
    if (m_closed) return;
    m_closed = true;
    // Destroying a sheet destroys its pages, whose release callbacks reach the snap-in's page objects.
    std::vector<COpenSheet> sheets = std::move(m_sheets);
    m_sheets.clear();
    for (COpenSheet& sheet : sheets)
        if (IsWindow(sheet.window)) DestroyWindow(sheet.window);
    sheets.clear();
    TvFreeNotifyHandles(m_window);
    std::map<LONG_PTR, CTarget> handles = std::move(m_handles);
    m_handles.clear();
    handles.clear();
    for (CNodeManager* manager : m_managers)
        manager->Disconnect();
    m_managers.clear();
    m_factory->Disconnect();
    if (m_registration) CoRevokeClassObject(m_registration);
    m_registration = 0;
}

std::vector<HWND> CPropertySheets::OpenSheets() const {
    std::vector<HWND> open;
    for (const COpenSheet& sheet : m_sheets)
        if (IsWindow(sheet.window) && PropSheet_GetCurrentPageHwnd(sheet.window))
            open.push_back(sheet.window);
    return open;
}

void CPropertySheets::PopModal(HWND sheet) {
    auto found = std::find(m_modal.begin(), m_modal.end(), sheet);
    if (found != m_modal.end()) m_modal.erase(found);
}

void CPropertySheets::Detach(CNodeManager* manager) {
    std::erase(m_managers, manager);
}

LONG_PTR CPropertySheets::CreateNotifyHandle(IComponent* component, IComponentData* componentData,
                                             bool scopePane) {
    if (m_closed) return 0;
    LONG_PTR handle = TvCreateNotifyHandle(m_window, kPropertyChanged, kHandleFreed);
    if (handle)
        m_handles[handle] = {tvcom::ComPtr<IComponent>::Retain(component),
                             component ? tvcom::ComPtr<IComponentData>()
                                       : tvcom::ComPtr<IComponentData>::Retain(componentData),
                             scopePane};
    return handle;
}

void CPropertySheets::AddSheet(COpenSheet sheet) {
    {
        std::lock_guard guard(g_subclassLock);
        auto previous = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(sheet.window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SheetProcedure)));
        Subclassed()[sheet.window] = {previous, m_window};
    }
    m_sheets.push_back(std::move(sheet));
}

HRESULT CPropertySheets::FindSheet(IComponent* component, IDataObject* data) {
    for (size_t i = m_sheets.size(); i-- > 0;) {
        COpenSheet& sheet = m_sheets[i];
        if (!IsWindow(sheet.window) || !PropSheet_GetCurrentPageHwnd(sheet.window)) continue;
        bool same = SameObject(sheet.data.Get(), data);
        if (!same && sheet.data) {
            // The snap-in knows whether two of its data objects name one item.
            auto byComponent = tvcom::ComPtr<IComponent>::Retain(component);
            if (!byComponent) byComponent = sheet.primary.As<IComponent>();
            if (byComponent) {
                same = byComponent->CompareObjects(sheet.data.Get(), data) == S_OK;
            } else if (auto componentData = sheet.primary.As<IComponentData>()) {
                same = componentData->CompareObjects(sheet.data.Get(), data) == S_OK;
            }
        }
        if (!same) continue;
        HWND window = sheet.window;
        std::rotate(m_sheets.begin() + static_cast<std::ptrdiff_t>(i),
                    m_sheets.begin() + static_cast<std::ptrdiff_t>(i) + 1, m_sheets.end());
        m_console.SheetBroughtForward(window);
        return S_OK;
    }
    return S_FALSE;
}

HRESULT CPropertySheets::ShowProperties(IUnknown* primary, IComponent* component, IDataObject* data,
                                        HSCOPEITEM item, MMC_COOKIE cookie, const std::wstring& name) {
    if (m_closed) return E_UNEXPECTED;
    if (!primary || !data) return E_INVALIDARG;
    // As for the primary pages: a snap-in may answer only for the newer interface.
    auto extend2 = tvcom::ComPtr<IUnknown>::Retain(primary).As<IExtendPropertySheet2>();
    auto extend = extend2 ? tvcom::ComPtr<IExtendPropertySheet>::Retain(extend2.Get())
                          : tvcom::ComPtr<IUnknown>::Retain(primary).As<IExtendPropertySheet>();
    if (!extend) return S_FALSE;
    tvcom::ComPtr<IPropertySheetProvider> provider = tvcom::Make<CNodeManager>(this);
    // An item has one sheet at a time: a second Properties brings it forward.
    if (provider->FindPropertySheet(item, component, data) == S_OK) return S_OK;
    if (extend->QueryPagesFor(data) != S_OK) return S_FALSE;
    HRESULT hr = provider->CreatePropertySheet(name.c_str(), TRUE, cookie, data, 0);
    if (FAILED(hr)) return hr;
    hr = provider->AddPrimaryPages(primary, TRUE, nullptr, component ? FALSE : TRUE);
    if (SUCCEEDED(hr)) hr = provider->AddExtensionPages();
    if (SUCCEEDED(hr)) hr = provider->Show(reinterpret_cast<LONG_PTR>(m_console.MainWindow()), 0);
    if (hr != S_OK) provider->Show(-1, 0);
    return hr;
}

void CPropertySheets::DestroyClosedSheets() {
    std::vector<COpenSheet> closed;
    for (auto it = m_sheets.begin(); it != m_sheets.end();) {
        if (IsWindow(it->window) && PropSheet_GetCurrentPageHwnd(it->window)) {
            ++it;
            continue;
        }
        closed.push_back(std::move(*it));
        it = m_sheets.erase(it);
    }
    for (COpenSheet& sheet : closed)
        if (IsWindow(sheet.window)) DestroyWindow(sheet.window);
}

void CPropertySheets::Deliver(LONG_PTR handle, LPARAM param) {
    auto found = m_handles.find(handle);
    if (found == m_handles.end()) return;
    CTarget target = found->second; // the snap-in may free the handle while it handles the change
    CConsole::CAction action(m_console);
    LPARAM arg = target.scopePane ? TRUE : FALSE;
    if (target.component)
        target.component->Notify(nullptr, MMCN_PROPERTY_CHANGE, arg, param);
    else if (target.componentData)
        target.componentData->Notify(nullptr, MMCN_PROPERTY_CHANGE, arg, param);
}

LRESULT CALLBACK CPropertySheets::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<CPropertySheets*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
    case kPropertyChanged:
        if (self && !self->m_closed) self->Deliver(static_cast<LONG_PTR>(wParam), lParam);
        return 0;
    case kHandleFreed:
        // A change posted before the release has been delivered by now.
        if (self) self->m_handles.erase(static_cast<LONG_PTR>(wParam));
        return 0;
    case kSheetHidden:
        if (self && !self->m_closed) self->DestroyClosedSheets();
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

// A closed modeless sheet hides itself and waits for its owner to destroy it.
LRESULT CALLBACK CPropertySheets::SheetProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WNDPROC previous = nullptr;
    HWND console = nullptr;
    {
        std::lock_guard guard(g_subclassLock);
        auto found = Subclassed().find(window);
        if (found != Subclassed().end()) std::tie(previous, console) = found->second;
    }
    LRESULT result = CallWindowProcW(previous, window, message, wParam, lParam);
    if (message == WM_SHOWWINDOW && !wParam)
        PostMessageW(console, kSheetHidden, reinterpret_cast<WPARAM>(window), 0);
    if (message == WM_NCDESTROY) {
        std::lock_guard guard(g_subclassLock);
        Subclassed().erase(window);
    }
    return result;
}

} // namespace Console
