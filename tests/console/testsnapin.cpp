// The console tests' snap-in: an in-process server with one snap-in class whose tree the test
// describes (testsnapin.h). It plays the snap-in's side as an ordinary snap-in does and logs what the
// console asks of it.
#include "testsnapin.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <new>

#include "prsht.h"
#include "tvcom.h"
#include "tvplatform.h"

namespace TestSnapin {

// {0E1D2C3B-4A59-4687-9A8B-7C6D5E4F3A2B}: how the snap-in knows its own data objects.
DEFINE_GUID(IID_ITestDataObject, 0x0E1D2C3B, 0x4A59, 0x4687, 0x9A, 0x8B, 0x7C, 0x6D, 0x5E, 0x4F, 0x3A, 0x2B);

Node* Node::Add(const std::wstring& childName, bool asScope, std::vector<std::wstring> childCells) {
    auto child = std::make_unique<Node>();
    child->name = childName;
    child->scope = asScope;
    child->cells = std::move(childCells);
    child->parent = this;
    children.push_back(std::move(child));
    return children.back().get();
}

Node* Node::Find(const std::wstring& path) {
    Node* node = this;
    size_t start = 0;
    while (node && start <= path.size()) {
        size_t slash = path.find(L'/', start);
        std::wstring part =
            path.substr(start, slash == std::wstring::npos ? std::wstring::npos : slash - start);
        Node* next = nullptr;
        for (auto& child : node->children)
            if (child->name == part) next = child.get();
        node = next;
        if (slash == std::wstring::npos) break;
        start = slash + 1;
    }
    return node;
}

Control& TheControl() {
    static Control control = [] {
        Control fresh;
        fresh.Reset();
        return fresh;
    }();
    return control;
}

void Control::Reset() {
    root = Node();
    root.name = L"Test Root";
    root.columns = {L"Name", L"Kind"};
    root.verbs = {MMC_VERB_REFRESH};
    Node* folder = root.Add(L"Folder A", true, {L"folder"});
    folder->columns = {L"Name", L"Size"};
    folder->verbs = {MMC_VERB_REFRESH, MMC_VERB_RENAME, MMC_VERB_DELETE};
    folder->pages = true;
    root.menu = {{L"Run Wizard", L"Runs the test wizard", kRunWizardCommand,
                  static_cast<LONG>(CCM_INSERTIONPOINTID_PRIMARY_TOP), 0, 0}};
    folder->Add(L"Sub 1", true, {L"first"})->noChildren = true;
    folder->Add(L"Sub 2", true, {L"second"});
    for (auto [name, size] : {std::pair{L"Item 1", L"30"}, {L"Item 2", L"9"}, {L"Item 3", L"100"}}) {
        Node* item = folder->Add(name, false, {size});
        item->verbs = {MMC_VERB_DELETE, MMC_VERB_RENAME, MMC_VERB_PROPERTIES};
        item->defaultVerb = MMC_VERB_PROPERTIES;
        item->pages = true;
    }
    Node* rows = root.Add(L"Virtual", true, {L"virtual"});
    rows->view = View::OwnerData;
    rows->rows = 5;
    rows->columns = {L"Name", L"Square"};
    Node* notice = root.Add(L"Notice", true, {L"message"});
    notice->view = View::Message;
    notice->messageTitle = L"Not connected";
    notice->messageBody = L"Line one\nLine two";
    notice->messageIcon = Icon_Warning;
    log.clear();
    addItemResults.clear();
    compareCalls = 0;
    refreshReselects = true;
    compare = Compare::Ex;
    ownerDescending = false;
    onCommand = nullptr;
    notifyHandle = 0;
    pagesFreeHandle = true;
    changeThreads.clear();
    wizardName.clear();
    onWizardPage = nullptr;
    unloadRefusals = 0;
}

std::vector<std::string> Control::Entries(std::initializer_list<const char*> prefixes) const {
    std::vector<std::string> entries;
    for (const std::string& entry : log)
        for (const char* prefix : prefixes)
            if (entry.rfind(prefix, 0) == 0) {
                entries.push_back(entry);
                break;
            }
    return entries;
}

namespace {

void Log(const std::string& entry) {
    TheControl().log.push_back(entry);
}

const char* EventName(MMC_NOTIFY_TYPE event) {
    switch (event) {
    case MMCN_EXPAND:
        return "EXPAND";
    case MMCN_SHOW:
        return "SHOW";
    case MMCN_SELECT:
        return "SELECT";
    case MMCN_ADD_IMAGES:
        return "ADD_IMAGES";
    case MMCN_REFRESH:
        return "REFRESH";
    case MMCN_DELETE:
        return "DELETE";
    case MMCN_RENAME:
        return "RENAME";
    case MMCN_VIEW_CHANGE:
        return "VIEW_CHANGE";
    case MMCN_COLUMN_CLICK:
        return "COLUMN_CLICK";
    case MMCN_CONTEXTHELP:
        return "CONTEXTHELP";
    case MMCN_DBLCLICK:
        return "DBLCLICK";
    case MMCN_PRINT:
        return "PRINT";
    case MMCN_BTN_CLICK:
        return "BTN_CLICK";
    case MMCN_PROPERTY_CHANGE:
        return "PROPERTY_CHANGE";
    default:
        return "OTHER";
    }
}

// The snap-in's data objects ------------------------------------------------------------------------------

class DataObject : public tvcom::Object<IDataObject> {
public:
    DataObject(Node* node, DATA_OBJECT_TYPES type, int index) : node(node), type(type), index(index) {}

    Node* node;
    DATA_OBJECT_TYPES type;
    int index; // an owner-data row, or -1
    std::vector<Node*> items;
    bool multi = false;

    std::string Name() const {
        if (multi) {
            std::string names = "multi(";
            for (size_t i = 0; i < items.size(); ++i) {
                if (i) names += ',';
                names += tvp::ToUtf8(items[i]->name);
            }
            return names + ")";
        }
        if (!node) return "(none)";
        std::string name = tvp::ToUtf8(node->name);
        return index >= 0 ? name + "#" + std::to_string(index) : name;
    }

    STDMETHOD(GetData)(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    STDMETHOD(GetDataHere)(FORMATETC* format, STGMEDIUM* medium) override {
        if (!format || !medium) return E_POINTER;
        if (format->cfFormat != RegisterClipboardFormatW(CCF_DISPLAY_NAME)) return DV_E_FORMATETC;
        std::u16string text = tvp::ToUtf16(node && !multi ? node->name : L"");
        SIZE_T bytes = (text.size() + 1) * sizeof(char16_t);
        if (GlobalSize(medium->hGlobal) < bytes && !GlobalReAlloc(medium->hGlobal, bytes, GMEM_MOVEABLE))
            return STG_E_MEDIUMFULL;
        void* block = GlobalLock(medium->hGlobal);
        if (!block) return STG_E_MEDIUMFULL;
        std::memcpy(block, text.c_str(), bytes);
        GlobalUnlock(medium->hGlobal);
        return S_OK;
    }
    STDMETHOD(QueryGetData)(FORMATETC*) override { return E_NOTIMPL; }
    STDMETHOD(GetCanonicalFormatEtc)(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
    STDMETHOD(SetData)(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    STDMETHOD(EnumFormatEtc)(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    STDMETHOD(DAdvise)(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    STDMETHOD(DUnadvise)(DWORD) override { return E_NOTIMPL; }
    STDMETHOD(EnumDAdvise)(IEnumSTATDATA**) override { return E_NOTIMPL; }

protected:
    void* Find(REFIID riid) override {
        return IsEqualIID(riid, IID_ITestDataObject) ? static_cast<IDataObject*>(this) : Object::Find(riid);
    }
};

// The snap-in's own data object behind a pointer the console hands back, or null.
DataObject* Own(IDataObject* data) {
    if (!data || IS_SPECIAL_DATAOBJECT(data)) return nullptr;
    // The caller holds the data object for as long as we use it.
    return static_cast<DataObject*>(tvcom::QueryFrom<IDataObject>(data, IID_ITestDataObject).Get());
}

HRESULT Hand(const tvcom::ComPtr<DataObject>& data, LPDATAOBJECT* out) {
    return data->QueryInterface(IID_IDataObject, reinterpret_cast<void**>(out));
}

WCHAR g_scopeText[260];
WCHAR g_resultText[260];

void Copy(WCHAR* buffer, const std::wstring& text) {
    size_t n = std::min<size_t>(text.size(), 259);
    std::wmemcpy(buffer, text.c_str(), n);
    buffer[n] = L'\0';
}

// Menus: every entry of the node is offered, whether allowed or not, so the console must refuse what
// does not belong; the results are kept for the test.
void AddMenu(Node* node, LPCONTEXTMENUCALLBACK callback) {
    if (!node) return;
    for (const MenuEntry& entry : node->menu) {
        CONTEXTMENUITEM item = {};
        item.strName = const_cast<LPWSTR>(entry.name.c_str());
        item.strStatusBarText = const_cast<LPWSTR>(entry.status.c_str());
        item.lCommandID = entry.command;
        item.lInsertionPointID = entry.insertionPoint;
        item.fFlags = entry.flags;
        item.fSpecialFlags = entry.special;
        TheControl().addItemResults.push_back(callback->AddItem(&item));
    }
}

HRESULT Rename(Node* node, LPCWSTR name) {
    if (!node || !node->acceptRename) return S_FALSE;
    node->name = name;
    return S_OK;
}

// Deletes a node: a scope item from the namespace, a row from the list.
void Remove(Node* node, IConsoleNameSpace2* nameSpace, IResultData* resultData) {
    if (!node || !node->parent) return;
    if (node->scope && node->inserted && nameSpace) nameSpace->DeleteItem(node->scopeItem, TRUE);
    if (!node->scope && resultData) resultData->DeleteItem(node->resultItem, 0);
    auto& siblings = node->parent->children;
    for (auto it = siblings.begin(); it != siblings.end(); ++it)
        if (it->get() == node) {
            siblings.erase(it);
            break;
        }
}

// Property pages and the wizard ---------------------------------------------------------------------------

HINSTANCE g_module = nullptr; // this library, whose resources hold the pages' templates

struct Page {
    std::wstring title; // as the log names it
    Node* node = nullptr;
    LONG_PTR handle = 0;
    bool ownsHandle = false; // the first page of a sheet frees the notify handle with itself
    bool wizard = false;
};

void PageLog(const Page* page, const std::string& event) {
    Log("PAGE " + tvp::ToUtf8(page->title) + " " + event);
}

std::wstring ItemText(HWND window, int id) {
    WCHAR buffer[256] = L"";
    GetDlgItemTextW(window, id, buffer, 256);
    return buffer;
}

INT_PTR CALLBACK PageProc(HWND window, UINT message, WPARAM, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* psp = reinterpret_cast<PROPSHEETPAGEW*>(lParam);
        auto* page = reinterpret_cast<Page*>(psp->lParam);
        SetWindowLongPtrW(window, DWLP_USER, psp->lParam);
        PageLog(page, "init");
        if (page->title == L"General" && page->node)
            SetDlgItemTextW(window, IDC_TEST_NAME, page->node->name.c_str());
        return TRUE;
    }
    auto* page = reinterpret_cast<Page*>(GetWindowLongPtrW(window, DWLP_USER));
    if (!page || message != WM_NOTIFY) return FALSE;
    HWND sheet = reinterpret_cast<NMHDR*>(lParam)->hwndFrom;
    switch (reinterpret_cast<NMHDR*>(lParam)->code) {
    case PSN_SETACTIVE:
        PageLog(page, "setactive");
        if (page->wizard) {
            PropSheet_SetWizButtons(sheet, page->title == L"Welcome" ? PSWIZB_NEXT
                                           : page->title == L"Name"  ? PSWIZB_BACK | PSWIZB_NEXT
                                                                     : PSWIZB_BACK | PSWIZB_FINISH);
            if (TheControl().onWizardPage) TheControl().onWizardPage(page->title, window);
        }
        break;
    case PSN_KILLACTIVE:
        if (page->title == L"Name") TheControl().wizardName = ItemText(window, IDC_TEST_WIZARD_NAME);
        break;
    case PSN_APPLY:
        if (page->title == L"General" && page->node) {
            // The item takes the new name, and the console hears of the change.
            page->node->name = ItemText(window, IDC_TEST_NAME);
            PageLog(page, "apply name=" + tvp::ToUtf8(page->node->name));
            MMCPropertyChangeNotify(page->handle, 1);
        } else {
            PageLog(page, "apply");
        }
        break;
    case PSN_RESET:
        PageLog(page, "reset");
        break;
    case PSN_WIZFINISH:
        PageLog(page, "finish name=" + tvp::ToUtf8(TheControl().wizardName));
        break;
    default:
        return FALSE;
    }
    SetWindowLongPtrW(window, DWLP_MSGRESULT, 0);
    return TRUE;
}

UINT CALLBACK PageCallback(HWND, UINT message, PROPSHEETPAGEW* psp) {
    if (message != PSPCB_RELEASE) return 1;
    auto* page = reinterpret_cast<Page*>(psp->lParam);
    PageLog(page, "released");
    if (page->ownsHandle) MMCFreeNotifyHandle(page->handle);
    delete page;
    return 0;
}

// Adds the item's two pages, or the wizard's three, through the console's callback.
HRESULT AddPages(LPPROPERTYSHEETCALLBACK callback, LONG_PTR handle, Node* node, bool wizard) {
    struct Spec {
        const wchar_t* name;
        int dialog;
        DWORD flags;
        const wchar_t *title, *headerTitle, *headerSubTitle;
    };
    const DWORD exterior = PSP_HIDEHEADER | PSP_USETITLE;
    const DWORD interior = PSP_USETITLE | PSP_USEHEADERTITLE | PSP_USEHEADERSUBTITLE;
    std::vector<Spec> specs =
        wizard ? std::vector<Spec>{{L"Welcome", IDD_TEST_WIZARD_WELCOME, exterior, L"Test Wizard", nullptr,
                                    nullptr},
                                   {L"Name", IDD_TEST_WIZARD_NAME, interior, L"Test Wizard", L"Name",
                                    L"Type a name for the test item."},
                                   {L"Finish", IDD_TEST_WIZARD_FINISH, exterior, L"Test Wizard", nullptr,
                                    nullptr}}
               : std::vector<Spec>{{L"General", IDD_TEST_GENERAL, 0, nullptr, nullptr, nullptr},
                                   {L"Details", IDD_TEST_DETAILS, 0, nullptr, nullptr, nullptr}};
    TheControl().notifyHandle = handle;
    bool handleTaken = false;
    for (const Spec& spec : specs) {
        auto* page =
            new Page{spec.name, node, handle, handle && !handleTaken && TheControl().pagesFreeHandle, wizard};
        PROPSHEETPAGEW psp = {};
        psp.dwSize = sizeof(psp);
        psp.dwFlags = PSP_USECALLBACK | spec.flags;
        psp.hInstance = g_module;
        psp.pszTemplate = MAKEINTRESOURCEW(spec.dialog);
        psp.pszTitle = spec.title;
        psp.pszHeaderTitle = spec.headerTitle;
        psp.pszHeaderSubTitle = spec.headerSubTitle;
        psp.pfnDlgProc = PageProc;
        psp.lParam = reinterpret_cast<LPARAM>(page);
        psp.pfnCallback = PageCallback;
        HPROPSHEETPAGE created = CreatePropertySheetPageW(&psp);
        if (!created) {
            delete page;
            continue;
        }
        handleTaken = handleTaken || page->ownsHandle;
        if (FAILED(callback->AddPage(created))) DestroyPropertySheetPage(created);
    }
    return S_OK;
}

class Component;

// The scope side
// ---------------------------------------------------------------------------------------------

class ComponentData
    : public tvcom::Object<IComponentData, IExtendContextMenu, IExtendPropertySheet2, ISnapinHelp2> {
public:
    ~ComponentData() override {
        if (m_watermark) DeleteObject(m_watermark);
        if (m_header) DeleteObject(m_header);
    }
    IConsoleNameSpace2* NameSpace() const { return m_nameSpace.Get(); }

    void InsertChildren(Node* node, HSCOPEITEM parent) {
        if (!m_nameSpace) return;
        for (auto& child : node->children) {
            if (!child->scope || child->inserted) continue;
            SCOPEDATAITEM item = {};
            item.mask =
                SDI_STR | SDI_PARAM | SDI_IMAGE | SDI_OPENIMAGE | (child->noChildren ? SDI_CHILDREN : 0);
            item.displayname = MMC_CALLBACK;
            item.lParam = reinterpret_cast<LPARAM>(child.get());
            item.relativeID = parent;
            if (SUCCEEDED(m_nameSpace->InsertItem(&item))) {
                child->scopeItem = item.ID;
                child->inserted = true;
            }
        }
    }

    STDMETHOD(Initialize)(LPUNKNOWN unknown) override {
        Log("CD.Initialize");
        m_nameSpace = tvcom::QueryFrom<IConsoleNameSpace2>(unknown);
        if (!m_nameSpace) return E_UNEXPECTED;
        m_console = tvcom::QueryFrom<IConsole2>(unknown);
        tvcom::ComPtr<IImageList> images;
        if (m_console && SUCCEEDED(m_console->QueryScopeImageList(images.Receive())))
            images->ImageListSetStrip(reinterpret_cast<LONG_PTR*>(1), reinterpret_cast<LONG_PTR*>(2), 0,
                                      RGB(255, 0, 255));
        return S_OK;
    }
    STDMETHOD(CreateComponent)(LPCOMPONENT* component) override;
    STDMETHOD(Notify)(LPDATAOBJECT data, MMC_NOTIFY_TYPE event, LPARAM arg, LPARAM param) override {
        DataObject* own = Own(data);
        Node* node = own ? own->node : nullptr;
        std::string entry =
            std::string("CD.Notify ") + EventName(event) + " " + (own ? own->Name() : "(none)");
        if (event == MMCN_EXPAND) entry += " arg=" + std::to_string(arg);
        if (event == MMCN_RENAME) entry += " to=" + tvp::ToUtf8(reinterpret_cast<LPCWSTR>(param));
        if (event == MMCN_PROPERTY_CHANGE) {
            entry += " arg=" + std::to_string(arg) + " param=" + std::to_string(param);
            TheControl().changeThreads.push_back(GetCurrentThreadId());
        }
        Log(entry);
        switch (event) {
        case MMCN_PROPERTY_CHANGE:
            return S_OK;
        case MMCN_EXPAND:
            if (!node) return S_FALSE;
            if (node == &TheControl().root) node->scopeItem = param;
            InsertChildren(node, param);
            return S_OK;
        case MMCN_RENAME:
            return Rename(node, reinterpret_cast<LPCWSTR>(param));
        case MMCN_DELETE:
            Remove(node, m_nameSpace.Get(), nullptr);
            return S_OK;
        default:
            return S_FALSE;
        }
    }
    STDMETHOD(Destroy)() override {
        Log("CD.Destroy");
        m_nameSpace.Reset();
        m_console.Reset();
        return S_OK;
    }
    STDMETHOD(QueryDataObject)(MMC_COOKIE cookie, DATA_OBJECT_TYPES type, LPDATAOBJECT* out) override {
        Node* node = cookie ? reinterpret_cast<Node*>(cookie) : &TheControl().root;
        return Hand(tvcom::Make<DataObject>(node, type, -1), out);
    }
    STDMETHOD(GetDisplayInfo)(SCOPEDATAITEM* item) override {
        Node* node = item->lParam ? reinterpret_cast<Node*>(item->lParam) : &TheControl().root;
        if (item->mask & SDI_STR) {
            Copy(g_scopeText, node->name);
            item->displayname = g_scopeText;
        }
        return S_OK;
    }
    STDMETHOD(CompareObjects)(LPDATAOBJECT a, LPDATAOBJECT b) override {
        DataObject *first = Own(a), *second = Own(b);
        return first && second && first->node == second->node ? S_OK : S_FALSE;
    }

    STDMETHOD(AddMenuItems)(LPDATAOBJECT data, LPCONTEXTMENUCALLBACK callback, long* allowed) override {
        DataObject* own = Own(data);
        Log("CD.AddMenuItems " + (own ? own->Name() : "(none)") + " allowed=" + std::to_string(*allowed));
        AddMenu(own ? own->node : nullptr, callback);
        return S_OK;
    }
    STDMETHOD(Command)(long command, LPDATAOBJECT data) override {
        DataObject* own = Own(data);
        Log("CD.Command " + std::to_string(command) + " " + (own ? own->Name() : "(none)"));
        if (command == kRunWizardCommand) return RunWizard(own ? own->node : nullptr, data);
        if (TheControl().onCommand)
            TheControl().onCommand(command, own ? own->node : nullptr, m_console.Get());
        return S_OK;
    }

    // A wizard as a snap-in runs one: through the console's node manager, modal inside Show.
    HRESULT RunWizard(Node* node, LPDATAOBJECT data) {
        tvcom::ComPtr<IPropertySheetProvider> provider;
        HRESULT hr = CoCreateInstance(CLSID_NodeManager, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IPropertySheetProvider, provider.ReceiveVoid());
        if (FAILED(hr)) {
            Log("CD.RunWizard create=" + std::to_string(hr));
            return hr;
        }
        m_wizard = true;
        hr = provider->CreatePropertySheet(L"", FALSE, reinterpret_cast<MMC_COOKIE>(node), data,
                                           MMC_PSO_NEWWIZARDTYPE);
        HWND main = nullptr;
        if (m_console) m_console->GetMainWindow(&main);
        if (SUCCEEDED(hr))
            hr = provider->AddPrimaryPages(static_cast<IComponentData*>(this), TRUE, main, TRUE);
        if (SUCCEEDED(hr)) hr = provider->AddExtensionPages();
        if (SUCCEEDED(hr)) hr = provider->Show(reinterpret_cast<LONG_PTR>(main), 0);
        if (hr == S_FALSE) hr = provider->Show(-1, 0);
        m_wizard = false;
        Log("CD.RunWizard show=" + std::to_string(hr));
        return hr;
    }

    STDMETHOD(CreatePropertyPages)
    (LPPROPERTYSHEETCALLBACK callback, LONG_PTR handle, LPDATAOBJECT data) override {
        DataObject* own = Own(data);
        Log("CD.CreatePropertyPages " + (own ? own->Name() : "(none)") + (handle ? " handle" : " nohandle") +
            (m_wizard ? " wizard" : ""));
        return AddPages(callback, handle, own ? own->node : nullptr, m_wizard);
    }
    STDMETHOD(QueryPagesFor)(LPDATAOBJECT data) override {
        DataObject* own = Own(data);
        Log("CD.QueryPagesFor " + (own ? own->Name() : "(none)"));
        return m_wizard || (own && own->node && own->node->pages) ? S_OK : S_FALSE;
    }
    STDMETHOD(GetWatermarks)
    (LPDATAOBJECT, HBITMAP* watermark, HBITMAP* header, HPALETTE* palette, BOOL* stretch) override {
        Log("CD.GetWatermarks");
        if (!m_watermark) m_watermark = LoadBitmapW(g_module, MAKEINTRESOURCEW(IDB_TEST_WATERMARK));
        if (!m_header) m_header = LoadBitmapW(g_module, MAKEINTRESOURCEW(IDB_TEST_HEADER));
        *watermark = m_watermark;
        *header = m_header;
        *palette = nullptr;
        *stretch = FALSE;
        return S_OK;
    }

    STDMETHOD(GetHelpTopic)(LPOLESTR* file) override {
        const wchar_t name[] = L"testsnapin.chm";
        *file = static_cast<LPOLESTR>(CoTaskMemAlloc(sizeof(name)));
        std::memcpy(*file, name, sizeof(name));
        return S_OK;
    }
    STDMETHOD(GetLinkedTopics)(LPOLESTR* files) override {
        *files = nullptr;
        return S_FALSE;
    }

private:
    tvcom::ComPtr<IConsoleNameSpace2> m_nameSpace;
    tvcom::ComPtr<IConsole2> m_console;
    bool m_wizard = false; // a wizard is being built: CreatePropertyPages adds its pages
    HBITMAP m_watermark = nullptr, m_header = nullptr;
};

// The result side, one per view
// ------------------------------------------------------------------------------

// The order of two rows: by the number in the column (or by name), not as text.
int CompareNodes(Node* a, Node* b, int column) {
    ++TheControl().compareCalls;
    if (column > 0 && column - 1 < static_cast<int>(a->cells.size()) &&
        column - 1 < static_cast<int>(b->cells.size())) {
        long x = std::wcstol(a->cells[column - 1].c_str(), nullptr, 10);
        long y = std::wcstol(b->cells[column - 1].c_str(), nullptr, 10);
        return x < y ? -1 : x > y ? 1 : 0;
    }
    return a->name.compare(b->name) < 0 ? -1 : a->name == b->name ? 0 : 1;
}

class Component
    : public tvcom::Object<IComponent, IExtendContextMenu, IExtendControlbar, IResultDataCompareEx,
                           IResultDataCompare, IResultOwnerData, IExtendPropertySheet2> {
public:
    explicit Component(ComponentData* owner) : m_owner(tvcom::ComPtr<ComponentData>::Retain(owner)) {}

    STDMETHOD(Initialize)(LPCONSOLE console) override {
        Log("C.Initialize");
        m_console = tvcom::QueryFrom<IConsole2>(console);
        m_resultData = tvcom::QueryFrom<IResultData>(console);
        m_header = tvcom::QueryFrom<IHeaderCtrl2>(console);
        m_help = tvcom::QueryFrom<IDisplayHelp>(console);
        return m_console && m_resultData && m_header ? S_OK : E_UNEXPECTED;
    }
    STDMETHOD(Notify)(LPDATAOBJECT data, MMC_NOTIFY_TYPE event, LPARAM arg, LPARAM param) override {
        DataObject* own = Own(data);
        Node* node = own ? own->node : m_current;
        std::string entry = std::string("C.Notify ") + EventName(event);
        if (event == MMCN_VIEW_CHANGE)
            entry += " hint=" + std::to_string(param);
        else if (event == MMCN_COLUMN_CLICK)
            entry += " column=" + std::to_string(arg) + " options=" + std::to_string(param);
        else
            entry += " " + (own ? own->Name() : std::string("(none)"));
        if (event == MMCN_SHOW) entry += " arg=" + std::to_string(arg);
        if (event == MMCN_SELECT)
            entry += " scope=" + std::to_string(LOWORD(arg)) + " select=" + std::to_string(HIWORD(arg));
        if (event == MMCN_RENAME) entry += " to=" + tvp::ToUtf8(reinterpret_cast<LPCWSTR>(param));
        if (event == MMCN_PROPERTY_CHANGE) {
            entry += " arg=" + std::to_string(arg) + " param=" + std::to_string(param);
            TheControl().changeThreads.push_back(GetCurrentThreadId());
        }
        Log(entry);
        switch (event) {
        case MMCN_PROPERTY_CHANGE:
            return S_OK;
        case MMCN_ADD_IMAGES: {
            reinterpret_cast<IImageList*>(arg)->ImageListSetStrip(
                reinterpret_cast<LONG_PTR*>(3), reinterpret_cast<LONG_PTR*>(4), 0, RGB(255, 0, 255));
            return S_OK;
        }
        case MMCN_SHOW:
            if (arg && node) Show(node);
            return S_OK;
        case MMCN_SELECT:
            if (HIWORD(arg) && own && !own->multi && own->index < 0) SetVerbs(own->node);
            if (HIWORD(arg) && own && own->multi) EnableDelete();
            return S_OK;
        case MMCN_REFRESH:
            Refresh(node);
            return S_OK;
        case MMCN_DELETE:
            if (own && own->multi) {
                for (Node* item : own->items)
                    Remove(item, m_owner->NameSpace(), m_resultData.Get());
            } else {
                Remove(node, m_owner->NameSpace(), m_resultData.Get());
            }
            return S_OK;
        case MMCN_RENAME:
            return Rename(node, reinterpret_cast<LPCWSTR>(param));
        case MMCN_VIEW_CHANGE:
            if (param == 1) m_console->SelectScopeItem(static_cast<HSCOPEITEM>(arg));
            return S_OK;
        case MMCN_COLUMN_CLICK:
            return S_OK;
        case MMCN_CONTEXTHELP:
            if (!node || node->helpTopic.empty() || !m_help) return S_FALSE;
            m_help->ShowTopic(const_cast<LPOLESTR>(node->helpTopic.c_str()));
            return S_OK;
        default:
            return S_FALSE;
        }
    }
    STDMETHOD(Destroy)(MMC_COOKIE) override {
        Log("C.Destroy");
        DropInterfaces();
        return S_OK;
    }
    STDMETHOD(QueryDataObject)(MMC_COOKIE cookie, DATA_OBJECT_TYPES type, LPDATAOBJECT* out) override {
        if (cookie == MMC_MULTI_SELECT_COOKIE) {
            auto data = tvcom::Make<DataObject>(nullptr, type, -1);
            data->multi = true;
            RESULTDATAITEM item = {};
            item.mask = RDI_STATE | RDI_PARAM;
            item.nState = LVIS_SELECTED;
            item.nIndex = -1;
            while (m_resultData && m_resultData->GetNextItem(&item) == S_OK && item.nIndex != -1)
                if (item.lParam) data->items.push_back(reinterpret_cast<Node*>(item.lParam));
            return Hand(data, out);
        }
        if (m_current && m_current->view == View::OwnerData && cookie >= 0 && cookie < m_current->rows)
            return Hand(tvcom::Make<DataObject>(m_current, type, static_cast<int>(cookie)), out);
        Node* node = cookie ? reinterpret_cast<Node*>(cookie) : &TheControl().root;
        return Hand(tvcom::Make<DataObject>(node, type, -1), out);
    }
    STDMETHOD(GetResultViewType)(MMC_COOKIE cookie, LPOLESTR* viewType, long* options) override {
        Node* node = cookie ? reinterpret_cast<Node*>(cookie) : &TheControl().root;
        Log("C.GetResultViewType " + tvp::ToUtf8(node->name));
        m_current = node;
        *viewType = nullptr;
        *options = node->viewOptions;
        switch (node->view) {
        case View::List:
            return S_OK;
        case View::OwnerData:
            *options |= MMC_VIEW_OPTIONS_OWNERDATALIST;
            return S_OK;
        case View::Message:
            return StringFromCLSID(CLSID_MessageView, viewType);
        case View::Custom:
            return StringFromCLSID(CLSID_TestSnapin, viewType);
        }
        return S_OK;
    }
    STDMETHOD(GetDisplayInfo)(RESULTDATAITEM* item) override {
        std::wstring text;
        if (item->bScopeItem || item->lParam) {
            Node* node = item->lParam ? reinterpret_cast<Node*>(item->lParam) : &TheControl().root;
            if (item->nCol == 0)
                text = node->name;
            else if (item->nCol - 1 < static_cast<int>(node->cells.size()))
                text = node->cells[item->nCol - 1];
        } else if (m_current) {
            int row = TheControl().ownerDescending ? m_current->rows - 1 - item->nIndex : item->nIndex;
            text = item->nCol == 0 ? L"Row " + std::to_wstring(row) : std::to_wstring(row * row);
        }
        if (item->mask & RDI_STR) {
            Copy(g_resultText, text);
            item->str = g_resultText;
        }
        return S_OK;
    }
    STDMETHOD(CompareObjects)(LPDATAOBJECT a, LPDATAOBJECT b) override {
        DataObject *first = Own(a), *second = Own(b);
        return first && second && first->node == second->node ? S_OK : S_FALSE;
    }

    STDMETHOD(AddMenuItems)(LPDATAOBJECT data, LPCONTEXTMENUCALLBACK callback, long* allowed) override {
        DataObject* own = Own(data);
        Log("C.AddMenuItems " + (own ? own->Name() : "(none)") + " allowed=" + std::to_string(*allowed));
        AddMenu(own && !own->multi ? own->node : nullptr, callback);
        return S_OK;
    }
    STDMETHOD(Command)(long command, LPDATAOBJECT data) override {
        DataObject* own = Own(data);
        Log("C.Command " + std::to_string(command) + " " + (own ? own->Name() : "(none)"));
        if (TheControl().onCommand)
            TheControl().onCommand(command, own ? own->node : nullptr, m_console.Get());
        return S_OK;
    }

    STDMETHOD(SetControlbar)(LPCONTROLBAR controlbar) override {
        Log(std::string("C.SetControlbar ") + (controlbar ? "set" : "null"));
        m_toolbar.Reset();
        m_controlbar = tvcom::ComPtr<IControlbar>::Retain(controlbar);
        if (!controlbar) return S_OK;
        tvcom::ComPtr<IUnknown> unknown;
        HRESULT hr = m_controlbar->Create(TOOLBAR, this, unknown.Receive());
        if (FAILED(hr)) return hr;
        m_toolbar = unknown.As<IToolbar>();
        m_toolbar->AddBitmap(2, reinterpret_cast<HBITMAP>(static_cast<LONG_PTR>(1)), 16, 16,
                             RGB(255, 0, 255));
        MMCBUTTON buttons[2] = {
            {0, 501, TBSTATE_ENABLED, TBSTYLE_BUTTON, const_cast<LPOLESTR>(L"Go"),
             const_cast<LPOLESTR>(L"Go there")},
            {1, 502, 0, TBSTYLE_BUTTON, const_cast<LPOLESTR>(L"Stop"), const_cast<LPOLESTR>(L"Stop it")}};
        return m_toolbar->AddButtons(2, buttons);
    }
    STDMETHOD(ControlbarNotify)(MMC_NOTIFY_TYPE event, LPARAM arg, LPARAM param) override {
        if (event == MMCN_SELECT) {
            DataObject* own = Own(reinterpret_cast<LPDATAOBJECT>(param));
            Log("CB.SELECT " + (own ? own->Name() : std::string("(none)")) +
                " scope=" + std::to_string(LOWORD(arg)) + " select=" + std::to_string(HIWORD(arg)));
            if (m_controlbar && m_toolbar) {
                if (HIWORD(arg))
                    m_controlbar->Attach(TOOLBAR, m_toolbar.Get());
                else
                    m_controlbar->Detach(m_toolbar.Get());
            }
            return S_OK;
        }
        if (event == MMCN_BTN_CLICK) {
            DataObject* own = Own(reinterpret_cast<LPDATAOBJECT>(arg));
            Log("CB.BTN_CLICK " + std::to_string(param) + " " + (own ? own->Name() : std::string("(none)")));
            if (TheControl().onCommand)
                TheControl().onCommand(static_cast<LONG>(param), own ? own->node : nullptr, m_console.Get());
            return S_OK;
        }
        return S_FALSE;
    }

    STDMETHOD(Compare)(RDCOMPARE* record, int* result) override {
        *result = CompareNodes(reinterpret_cast<Node*>(record->prdch1->cookie),
                               reinterpret_cast<Node*>(record->prdch2->cookie), record->nColumn);
        return S_OK;
    }
    // The older comparison is told the column through its result.
    STDMETHOD(Compare)(LPARAM, MMC_COOKIE a, MMC_COOKIE b, int* result) override {
        *result = CompareNodes(reinterpret_cast<Node*>(a), reinterpret_cast<Node*>(b), *result);
        return S_OK;
    }

    STDMETHOD(CreatePropertyPages)
    (LPPROPERTYSHEETCALLBACK callback, LONG_PTR handle, LPDATAOBJECT data) override {
        DataObject* own = Own(data);
        Log("C.CreatePropertyPages " + (own ? own->Name() : "(none)") + (handle ? " handle" : " nohandle"));
        return AddPages(callback, handle, own ? own->node : nullptr, false);
    }
    STDMETHOD(QueryPagesFor)(LPDATAOBJECT data) override {
        DataObject* own = Own(data);
        Log("C.QueryPagesFor " + (own ? own->Name() : "(none)"));
        return own && !own->multi && own->node && own->node->pages ? S_OK : S_FALSE;
    }
    STDMETHOD(GetWatermarks)
    (LPDATAOBJECT, HBITMAP* watermark, HBITMAP* header, HPALETTE* palette, BOOL* stretch) override {
        *watermark = nullptr;
        *header = nullptr;
        *palette = nullptr;
        *stretch = FALSE;
        return S_OK;
    }

    STDMETHOD(FindItem)(LPRESULTFINDINFO, int*) override { return S_FALSE; }
    STDMETHOD(CacheHint)(int first, int last) override {
        Log("OD.CacheHint " + std::to_string(first) + " " + std::to_string(last));
        return S_OK;
    }
    STDMETHOD(SortItems)(int column, DWORD options, LPARAM) override {
        Log("OD.SortItems column=" + std::to_string(column) + " options=" + std::to_string(options));
        TheControl().ownerDescending = (options & RSI_DESCENDING) != 0;
        return S_OK;
    }

protected:
    // The test chooses which of the two comparisons the snap-in offers.
    void* Find(REFIID riid) override {
        if (IsEqualIID(riid, IID_IResultDataCompareEx) && TheControl().compare != Control::Compare::Ex)
            return nullptr;
        if (IsEqualIID(riid, IID_IResultDataCompare) && TheControl().compare != Control::Compare::Plain)
            return nullptr;
        return Object::Find(riid);
    }

private:
    // Destroy lets go of the console; the control bar goes when the console sets none.
    void DropInterfaces() {
        m_console.Reset();
        m_resultData.Reset();
        m_header.Reset();
        m_help.Reset();
    }

    void Show(Node* node) {
        m_current = node;
        // As a snap-in framework does: the scope children are inserted when the node is shown, too.
        m_owner->InsertChildren(node, node->scopeItem);
        switch (node->view) {
        case View::List: {
            // As a snap-in framework fills a list: cleared, columns, the count, then every row.
            m_resultData->DeleteAllRsltItems();
            for (size_t i = 0; i < node->columns.size(); ++i)
                m_header->InsertColumn(static_cast<int>(i), node->columns[i].c_str(), LVCFMT_LEFT,
                                       AUTO_WIDTH);
            m_resultData->SetItemCount(static_cast<int>(node->children.size()), 0);
            for (auto& child : node->children) {
                if (child->scope) continue;
                RESULTDATAITEM item = {};
                item.mask = RDI_STR | RDI_PARAM | RDI_IMAGE;
                item.str = MMC_CALLBACK;
                item.lParam = reinterpret_cast<LPARAM>(child.get());
                if (SUCCEEDED(m_resultData->InsertItem(&item))) child->resultItem = item.itemID;
            }
            std::wstring status = std::to_wstring(node->children.size()) + L" Items";
            m_console->SetStatusText(const_cast<LPOLESTR>(status.c_str()));
            break;
        }
        case View::OwnerData:
            for (size_t i = 0; i < node->columns.size(); ++i)
                m_header->InsertColumn(static_cast<int>(i), node->columns[i].c_str(), LVCFMT_LEFT,
                                       AUTO_WIDTH);
            m_resultData->SetItemCount(node->rows, 0);
            break;
        case View::Message: {
            tvcom::ComPtr<IUnknown> unknown;
            if (FAILED(m_console->QueryResultView(unknown.Receive()))) break;
            if (auto message = unknown.As<IMessageView>()) {
                message->SetTitleText(node->messageTitle.c_str());
                message->SetBodyText(node->messageBody.c_str());
                message->SetIcon(node->messageIcon);
            }
            break;
        }
        case View::Custom:
            break;
        }
    }

    void SetVerbs(Node* node) {
        tvcom::ComPtr<IConsoleVerb> verbs;
        if (!node || FAILED(m_console->QueryConsoleVerb(verbs.Receive()))) return;
        for (MMC_CONSOLE_VERB verb : node->verbs)
            verbs->SetVerbState(verb, ENABLED, TRUE);
        if (node->defaultVerb != MMC_VERB_NONE) verbs->SetDefaultVerb(node->defaultVerb);
    }

    void EnableDelete() {
        tvcom::ComPtr<IConsoleVerb> verbs;
        if (FAILED(m_console->QueryConsoleVerb(verbs.Receive()))) return;
        verbs->SetVerbState(MMC_VERB_DELETE, ENABLED, TRUE);
    }

    void Refresh(Node* node) {
        if (!node || !TheControl().refreshReselects) return;
        for (auto& child : node->children)
            if (child->scope && child->inserted) {
                m_owner->NameSpace()->DeleteItem(child->scopeItem, TRUE);
                child->inserted = false;
            }
        m_console->UpdateAllViews(nullptr, node->scopeItem, 1);
    }

    tvcom::ComPtr<ComponentData> m_owner;
    Node* m_current = nullptr;
    tvcom::ComPtr<IConsole2> m_console;
    tvcom::ComPtr<IResultData> m_resultData;
    tvcom::ComPtr<IHeaderCtrl2> m_header;
    tvcom::ComPtr<IDisplayHelp> m_help;
    tvcom::ComPtr<IControlbar> m_controlbar;
    tvcom::ComPtr<IToolbar> m_toolbar;
};

STDMETHODIMP ComponentData::CreateComponent(LPCOMPONENT* component) {
    return tvcom::Make<Component>(this)->QueryInterface(IID_IComponent, reinterpret_cast<void**>(component));
}

class Factory : public tvcom::Object<IClassFactory> {
public:
    STDMETHOD(CreateInstance)(IUnknown* outer, REFIID riid, void** ppv) override {
        if (outer) return CLASS_E_NOAGGREGATION;
        return tvcom::Make<ComponentData>()->QueryInterface(riid, ppv);
    }
    STDMETHOD(LockServer)(BOOL) override { return S_OK; }
};

LONG SetString(HKEY root, const std::wstring& path, const wchar_t* name, const std::wstring& value) {
    HKEY key = nullptr;
    LONG result = RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (result != ERROR_SUCCESS) return result;
    if (name || !value.empty())
        result = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                static_cast<DWORD>((value.size() + 1) * 2));
    RegCloseKey(key);
    return result;
}

} // namespace
} // namespace TestSnapin

using namespace TestSnapin;

// The library's own handle, for the templates of its pages.
extern "C" __attribute__((visibility("default"))) BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason,
                                                                      LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) g_module = instance;
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
    if (!IsEqualCLSID(rclsid, CLSID_TestSnapin)) return CLASS_E_CLASSNOTAVAILABLE;
    return tvcom::Make<Factory>()->QueryInterface(riid, ppv);
}

// No test frees the library, so it stays loaded whatever this says; a test makes it refuse a while, as
// a snap-in whose work still runs does.
STDAPI DllCanUnloadNow() {
    Control& control = TheControl();
    if (control.unloadRefusals <= 0) return S_OK;
    --control.unloadRefusals;
    return S_FALSE;
}

// Registers the snap-in as a stand-alone one, with this library as its server.
extern "C" HRESULT STDMETHODCALLTYPE TestSnapinRegister() {
    Dl_info info = {};
    if (!dladdr(reinterpret_cast<void*>(&TestSnapinRegister), &info) || !info.dli_fname) return E_FAIL;
    WCHAR clsid[40];
    StringFromGUID2(CLSID_TestSnapin, clsid, 40);
    std::wstring classKey = std::wstring(L"CLSID\\") + clsid;
    std::wstring snapinKey = std::wstring(L"SOFTWARE\\Microsoft\\MMC\\SnapIns\\") + clsid;
    if (SetString(HKEY_CLASSES_ROOT, classKey, nullptr, L"Console Test Snap-in") != ERROR_SUCCESS ||
        SetString(HKEY_CLASSES_ROOT, classKey + L"\\InprocServer32", nullptr,
                  tvp::FromUtf8(info.dli_fname)) != ERROR_SUCCESS ||
        SetString(HKEY_CLASSES_ROOT, classKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment") !=
            ERROR_SUCCESS ||
        SetString(HKEY_LOCAL_MACHINE, snapinKey, L"NameString", L"Console Test Snap-in") != ERROR_SUCCESS ||
        SetString(HKEY_LOCAL_MACHINE, snapinKey + L"\\StandAlone", nullptr, L"") != ERROR_SUCCESS)
        return SELFREG_E_CLASS;
    return S_OK;
}

STDAPI DllRegisterServer() {
    return TestSnapinRegister();
}
