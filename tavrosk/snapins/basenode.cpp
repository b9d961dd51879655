// CBaseNode: the default behaviour of every node, the shared image strips, and the process-wide list of
// live nodes. Cookies and the contents of data objects come back from the console as bare addresses;
// a node address is used only while it is in that list, so a stale cookie or a deleted node is never
// read.
#include "snapins/basenode.h"

#include <algorithm>
#include <locale>
#include <map>
#include <mutex>
#include <stdexcept>
#include <unordered_set>

#include "resources/resource.h"
#include "snapins/dataobject.h"
#include "snapins/module.h"
#include "snapins/proppage.h"
#include "snapins/resstring.h"
#include "tvcom.h"

namespace Snapins {

namespace {

// {AFB4E2B9-B476-498A-90D7-2F9245123AE7}
DEFINE_GUID(NODETYPE_BaseNode, 0xAFB4E2B9, 0xB476, 0x498A, 0x90, 0xD7, 0x2F, 0x92, 0x45, 0x12, 0x3A, 0xE7);

constexpr COLORREF kImageMask = 0x00FFFFFF;

std::mutex g_liveLock;
std::unordered_set<const void*>& LiveNodes() {
    static std::unordered_set<const void*> nodes;
    return nodes;
}

HBITMAP g_smallImages = nullptr;
HBITMAP g_largeImages = nullptr;

// Loaded once, from the resource module current when the first node is made.
void LoadImageStrips() {
    static std::once_flag once;
    std::call_once(once, [] {
        HMODULE module = SnapinModule().resourceModule;
        g_smallImages = LoadBitmapW(module, MAKEINTRESOURCEW(IDB_SMALL_IMAGES));
        g_largeImages = LoadBitmapW(module, MAKEINTRESOURCEW(IDB_LARGE_IMAGES));
    });
}

// A wizard picture, loaded on its first use from the resource module current then and kept: the console
// draws it for every run of the wizard and frees none of them. Id 0 is no picture.
HBITMAP WizardBitmap(UINT id) {
    if (id == 0) return nullptr;
    static std::mutex lock;
    static std::map<UINT, HBITMAP> loaded;
    std::lock_guard guard(lock);
    auto [it, added] = loaded.try_emplace(id, nullptr);
    if (added) it->second = LoadBitmapW(SnapinModule().resourceModule, MAKEINTRESOURCEW(id));
    return it->second;
}

} // namespace

void SetConsoleStatusText(IConsole* console, std::wstring text) {
    if (auto console2 = tvcom::QueryFrom<IConsole2>(console)) console2->SetStatusText(text.data());
}

void CopyDisplayText(WCHAR (&buffer)[kDisplayTextBuffer], const std::wstring& text) {
    size_t length = std::min(text.size(), kDisplayTextBuffer - 1);
    std::copy_n(text.data(), length, buffer);
    buffer[length] = L'\0';
}

CBaseNode::CBaseNode() {
    LoadImageStrips();
    std::lock_guard guard(g_liveLock);
    LiveNodes().insert(this);
}

CBaseNode::~CBaseNode() {
    {
        std::lock_guard guard(g_liveLock);
        LiveNodes().erase(this);
    }
    for (CBaseNode* child : m_children)
        delete child;
    DeletePages();
}

bool CBaseNode::IsLive(const void* address) {
    if (!address) return false;
    std::lock_guard guard(g_liveLock);
    return LiveNodes().count(address) != 0;
}

HBITMAP CBaseNode::SmallImages() {
    return g_smallImages;
}

HBITMAP CBaseNode::LargeImages() {
    return g_largeImages;
}

void CBaseNode::DeletePages() {
    std::vector<CBasePropPage*> pages;
    pages.swap(m_pages);
    for (CBasePropPage* page : pages)
        delete page;
}

HRESULT CBaseNode::Initialize() {
    return S_OK;
}

void CBaseNode::AddChild(CBaseNode* child, bool checkDuplicate) {
    if (checkDuplicate && std::find(m_children.begin(), m_children.end(), child) != m_children.end())
        throw std::invalid_argument("Child already in collection");
    m_children.push_back(child);
    child->m_parent = this;
}

void CBaseNode::RemoveChild(IConsole*, CBaseNode* child) {
    auto it = std::find(m_children.begin(), m_children.end(), child);
    if (it != m_children.end()) m_children.erase(it);
}

CBaseNode* CBaseNode::GetChild(unsigned index) {
    return index < m_children.size() ? m_children[index] : nullptr;
}

CBaseNode::iterator CBaseNode::ChildrenBegin() {
    return m_children.begin();
}

CBaseNode::iterator CBaseNode::ChildrenEnd() {
    return m_children.end();
}

const GUID* CBaseNode::GetNodeType() {
    return &NODETYPE_BaseNode;
}

const void* CBaseNode::GetCookie() {
    return this;
}

int CBaseNode::GetImageIndex() {
    return m_imageIndex;
}

int CBaseNode::GetOpenImageIndex() {
    return m_openImageIndex;
}

void CBaseNode::GetVirtualItemInfo(RESULTDATAITEM*) {}

HRESULT CBaseNode::GetResultViewType(LPOLESTR* viewType, long* viewOptions) {
    if (viewType) *viewType = nullptr;
    if (viewOptions) {
        *viewOptions = MMC_VIEW_OPTIONS_NONE;
        if (m_filteredView) *viewOptions |= MMC_VIEW_OPTIONS_FILTERED;
        if (m_multiSelect) *viewOptions |= MMC_VIEW_OPTIONS_MULTISELECT;
        if (m_ownerData) *viewOptions |= MMC_VIEW_OPTIONS_OWNERDATALIST;
    }
    return S_FALSE;
}

// Expanding and collapsing are handled alike: the children are made once and inserted once.
HRESULT CBaseNode::OnExpand(IConsoleNameSpace* nameSpace, IConsole* console, HSCOPEITEM item) {
    HRESULT result = S_FALSE;
    if (m_children.empty()) result = CreateChildren(console);
    if (m_children.empty() || !m_children.front()->IsScopeItem()) return result;
    return ShowChildren(nameSpace, console, item);
}

HRESULT CBaseNode::OnShow(IConsole* console, BOOL selecting, HSCOPEITEM item) {
    if (!selecting) return S_FALSE;
    if (m_children.empty()) CreateChildren(console);
    HRESULT result = S_FALSE;
    if (auto resultData = tvcom::QueryFrom<IResultData>(console)) result = ClearResultItems(resultData.Get());
    if (auto header = tvcom::QueryFrom<IHeaderCtrl>(console)) result = InsertColumns(header.Get());
    if (auto nameSpace = tvcom::QueryFrom<IConsoleNameSpace>(console))
        result = ShowChildren(nameSpace.Get(), console, item);
    return result;
}

// The console takes the bitmaps' handles through its pointer-typed parameters.
HRESULT CBaseNode::OnAddImages(IImageList* images, HSCOPEITEM) {
    if (!images) return E_POINTER;
    return images->ImageListSetStrip(reinterpret_cast<LONG_PTR*>(SmallImages()),
                                     reinterpret_cast<LONG_PTR*>(LargeImages()), 0, kImageMask);
}

HRESULT CBaseNode::OnRefresh(IConsole* console) {
    Initialize();
    auto nameSpace = tvcom::QueryFrom<IConsoleNameSpace>(console);
    // A failure with one child is written to the debugger output and the next child is handled; the
    // child itself goes even when its item could not.
    for (CBaseNode* child : m_children) {
        try {
            // A child that never reached the tree has no item to delete (its handle 0 names none).
            if (child->IsScopeItem() && child->m_insertedInScope && nameSpace)
                nameSpace->DeleteItem(child->m_scopeItem, TRUE);
        } catch (...) {
            OutputDebugStringA("Unexpected Error\n");
        }
        try {
            delete child;
        } catch (...) {
            OutputDebugStringA("Unexpected Error\n");
        }
    }
    m_children.clear();
    // Every view that shows this node selects it again and so makes the children anew.
    if (!console) return E_POINTER;
    return console->UpdateAllViews(nullptr, static_cast<LPARAM>(m_scopeItem), 1);
}

HRESULT CBaseNode::OnRename(LPOLESTR) {
    return S_FALSE;
}

HRESULT CBaseNode::OnSelect(IConsole* console, BOOL, BOOL select) {
    if (!select || m_verbs.empty()) return S_FALSE;
    if (!console) return E_POINTER;
    tvcom::ComPtr<IConsoleVerb> verbs;
    HRESULT hr = console->QueryConsoleVerb(verbs.Receive());
    if (FAILED(hr) || !verbs) return FAILED(hr) ? hr : E_NOINTERFACE;
    for (const SNAPINVERB& verb : m_verbs)
        hr = verb.step == kDefaultVerb ? verbs->SetDefaultVerb(verb.verb)
                                       : verbs->SetVerbState(verb.verb, ENABLED, TRUE);
    return hr;
}

HRESULT CBaseNode::OnFilterChange(IConsole* console, long code, int column, LPCWSTR text, long value) {
    switch (code) {
    case MFCC_DISABLE:
        m_filterColumn = -1;
        break;
    case MFCC_ENABLE: {
        m_filterColumn = column;
        auto header = tvcom::QueryFrom<IHeaderCtrl2>(console);
        m_settingUpFilters = true;
        SetupColumnFilters(header.Get());
        m_settingUpFilters = false;
        break;
    }
    case MFCC_VALUE_CHANGE: {
        if (m_settingUpFilters) break;
        m_filterColumn = column;
        m_filterText = text ? text : L"";
        m_filterValue = value;
        auto resultData = tvcom::QueryFrom<IResultData>(console);
        if (!resultData) break;
        resultData->DeleteAllRsltItems();
        for (CBaseNode* child : m_children)
            ApplyFilter(child);
        auto matched = std::partition(m_children.begin(), m_children.end(),
                                      [](CBaseNode* child) { return child->m_matchesFilter; });
        std::stable_sort(m_children.begin(), matched, [this](CBaseNode* a, CBaseNode* b) {
            int order = 0;
            a->CompareResultItems(b, std::max(m_filterColumn, 0), &order);
            return order < 0;
        });
        InsertResultChildren(resultData.Get(), static_cast<size_t>(matched - m_children.begin()));
        break;
    }
    default:
        break;
    }
    return S_OK;
}

HRESULT CBaseNode::OnFilterButtonClick(IConsole*, int, RECT*) {
    return S_FALSE;
}

HRESULT CBaseNode::OnDelete(IConsole*) {
    return S_FALSE;
}

HRESULT CBaseNode::OnQueryPaste(IConsole*, CBaseNode*) {
    return S_FALSE;
}

HRESULT CBaseNode::OnPaste(IConsole*, CBaseNode*) {
    return S_FALSE;
}

HRESULT CBaseNode::OnPrint(IConsole*) {
    return S_FALSE;
}

HRESULT CBaseNode::OnPropertyChange(IConsole*, LPARAM, LPARAM) {
    return S_FALSE;
}

HRESULT CBaseNode::CreatePropertyPages(IPropertySheetCallback*, LONG_PTR notifyHandle) {
    m_sheetNotifyHandle = notifyHandle;
    DeletePages();
    return S_OK;
}

HRESULT CBaseNode::QueryPagesFor() {
    return S_FALSE;
}

HRESULT CBaseNode::GetWatermarks(HBITMAP* watermark, HBITMAP* header, HPALETTE* palette, BOOL* stretch) {
    if (m_wizardPictures.empty()) return S_FALSE;
    size_t row = std::min(static_cast<size_t>(std::max(m_wizardSelector, 0)), m_wizardPictures.size() - 1);
    const SNAPINWIZARDPICTURES& pictures = m_wizardPictures[row];
    if (watermark) *watermark = WizardBitmap(pictures.watermarkId);
    if (header) *header = WizardBitmap(pictures.headerId);
    if (palette) *palette = nullptr;
    if (stretch) *stretch = pictures.stretch;
    return S_OK;
}

HRESULT CBaseNode::OnContextHelp(IDisplayHelp* displayHelp, const std::wstring& helpFile) {
    if (!m_helpTopic) return S_FALSE;
    if (!displayHelp) return E_POINTER;
    std::wstring topic = helpFile + m_helpTopic;
    return displayHelp->ShowTopic(topic.data());
}

HRESULT CBaseNode::AddMenuItems(IContextMenuCallback*, long*) {
    return S_FALSE;
}

HRESULT CBaseNode::OnMenuCommand(IConsole*, long, IComponent*, IComponentData*, IDataObject*) {
    return S_FALSE;
}

HRESULT CBaseNode::SortItems(int, DWORD, LPARAM) {
    return S_FALSE;
}

HRESULT CBaseNode::CacheHint(int, int) {
    return S_FALSE;
}

HRESULT CBaseNode::FindItem(RESULTFINDINFO*, int*) {
    return S_FALSE;
}

HRESULT CBaseNode::OnControlbarSelect(IControlbar*, IToolbar*, BOOL, BOOL) {
    return S_FALSE;
}

HRESULT CBaseNode::OnToolbarCommand(IConsole*, CComponent*, long) {
    return S_FALSE;
}

HRESULT CBaseNode::Reserved1(LPARAM, LPARAM) {
    return S_FALSE;
}

HRESULT CBaseNode::Reserved2(LPARAM, LPARAM, LPARAM, LPARAM) {
    return S_FALSE;
}

// By the column's text under the collation of the user's locale; nodes whose columns hold numbers or
// dates compare them as such.
HRESULT CBaseNode::CompareResultItems(CBaseNode* other, int column, int* result) {
    if (!other || !result) return E_POINTER;
    const std::wstring mine = GetDisplayText(column);
    const std::wstring theirs = other->GetDisplayText(column);
    const auto& collate = std::use_facet<std::collate<wchar_t>>(SnapinModule().locale);
    int order =
        collate.compare(mine.data(), mine.data() + mine.size(), theirs.data(), theirs.data() + theirs.size());
    *result = order < 0 ? -1 : order > 0 ? 1 : 0;
    return S_OK;
}

HRESULT CBaseNode::OnBeginPaste(IConsole*, int) {
    return S_OK;
}

HRESULT CBaseNode::OnEndPaste() {
    return S_OK;
}

HRESULT CBaseNode::CreateChildren(IConsole*) {
    return S_FALSE;
}

HRESULT CBaseNode::InsertColumns(IHeaderCtrl* header) {
    if (m_columns.empty()) return S_FALSE;
    if (!header) return E_POINTER;
    HRESULT hr = S_OK;
    for (size_t column = 0; column < m_columns.size(); ++column) {
        hr = header->InsertColumn(static_cast<int>(column), LoadResString(m_columns[column]).c_str(),
                                  LVCFMT_LEFT, MMCLV_AUTO);
        if (FAILED(hr)) break;
    }
    return hr;
}

HRESULT CBaseNode::ClearResultItems(IResultData* resultData) {
    if (!resultData) return E_POINTER;
    return resultData->DeleteAllRsltItems();
}

HRESULT CBaseNode::InsertResultChildren(IResultData* resultData, size_t count) {
    HRESULT result = resultData->SetItemCount(static_cast<int>(count), 0);
    if (m_ownerData) return result;
    for (size_t i = 0; i < count; ++i) {
        CBaseNode* child = m_children[i];
        RESULTDATAITEM item{};
        item.mask = RDI_STR | RDI_IMAGE | RDI_PARAM | RDI_INDEX;
        item.str = MMC_CALLBACK;
        item.nImage = child->GetImageIndex();
        item.nIndex = static_cast<int>(i);
        item.lParam = reinterpret_cast<LPARAM>(child);
        result = resultData->InsertItem(&item);
        if (SUCCEEDED(result)) child->m_resultItem = item.itemID;
    }
    return result;
}

HRESULT CBaseNode::ShowChildren(IConsoleNameSpace* nameSpace, IConsole* console, HSCOPEITEM parent) {
    if (m_children.empty()) return S_OK;
    HRESULT result = S_OK;
    if (m_children.front()->IsScopeItem()) {
        if (!nameSpace) return E_POINTER;
        for (CBaseNode* child : m_children) {
            if (child->m_insertedInScope) continue;
            SCOPEDATAITEM item{};
            item.mask = SDI_STR | SDI_IMAGE | SDI_OPENIMAGE | SDI_PARAM;
            if (m_childrenHaveNoChildren || child->m_noScopeChildren) item.mask |= SDI_CHILDREN;
            item.displayname = MMC_CALLBACK;
            item.nImage = child->GetImageIndex();
            item.nOpenImage = child->GetOpenImageIndex();
            item.cChildren = 0;
            item.lParam = reinterpret_cast<LPARAM>(child);
            item.relativeID = parent;
            result = nameSpace->InsertItem(&item);
            // A child the console refused stays uninserted, so the next display offers it again.
            if (FAILED(result)) continue;
            child->m_insertedInScope = true;
            child->m_scopeItem = item.ID;
        }
    } else {
        if (auto resultData = tvcom::QueryFrom<IResultData>(nameSpace))
            result = InsertResultChildren(resultData.Get(), m_children.size());
    }
    SetConsoleStatusText(console, std::to_wstring(m_children.size()) + L" " + LoadResString(IDS_ITEMS));
    return result;
}

HRESULT CBaseNode::DeleteScopeItem(IConsole* console) {
    if (!console) return E_POINTER;
    CBaseNode* parent = m_parent;
    HSCOPEITEM parentItem = parent ? parent->m_scopeItem : 0;
    {
        auto nameSpace = tvcom::QueryFrom<IConsoleNameSpace2>(console);
        // The root belongs to the component data, not to a parent: it never deletes itself.
        if (parent && nameSpace && SUCCEEDED(nameSpace->DeleteItem(m_scopeItem, TRUE))) {
            parent->RemoveChild(console, this);
            delete this;
        }
    }
    return console->UpdateAllViews(nullptr, static_cast<LPARAM>(parentItem), 1);
}

HRESULT CBaseNode::DeleteResultItem(IConsole* console) {
    HRESULT result = S_OK;
    auto resultData = tvcom::QueryFrom<IResultData>(console, &result);
    if (!resultData) return result;
    result = resultData->DeleteItem(m_resultItem, 0);
    if (SUCCEEDED(result) && m_parent) {
        m_parent->RemoveChild(console, this);
        delete this;
    }
    return result;
}

HRESULT CBaseNode::SetupColumnFilters(IHeaderCtrl2*) {
    return S_FALSE;
}

HRESULT CBaseNode::AddMenuItemsFromTable(IContextMenuCallback* callback, const SNAPINMENUITEM* table,
                                         long* insertionAllowed) {
    if (!callback || !table) return E_POINTER;
    long allowed = insertionAllowed ? *insertionAllowed : 0;
    HRESULT result = S_FALSE;
    for (const SNAPINMENUITEM* row = table; row->insertionPoint != 0; ++row) {
        long needs = 0;
        switch (row->insertionPoint) {
        case CCM_INSERTIONPOINTID_PRIMARY_TOP:
            needs = CCM_INSERTIONALLOWED_TOP;
            break;
        case CCM_INSERTIONPOINTID_PRIMARY_NEW:
            needs = CCM_INSERTIONALLOWED_NEW;
            break;
        case CCM_INSERTIONPOINTID_PRIMARY_TASK:
            needs = CCM_INSERTIONALLOWED_TASK;
            break;
        case CCM_INSERTIONPOINTID_PRIMARY_VIEW:
            needs = CCM_INSERTIONALLOWED_VIEW;
            break;
        default: // a submenu of the snap-in's own
            break;
        }
        if (needs && !(allowed & needs)) continue;
        std::wstring name = row->nameId ? LoadResString(row->nameId) : std::wstring();
        std::wstring status = row->nameId ? LoadResString(row->statusId) : std::wstring();
        CONTEXTMENUITEM item{};
        item.strName = name.data();
        item.strStatusBarText = status.data();
        item.lCommandID = static_cast<LONG>(row->commandId);
        item.lInsertionPointID = static_cast<LONG>(row->insertionPoint);
        item.fFlags = static_cast<LONG>(row->flags);
        item.fSpecialFlags = static_cast<LONG>(row->specialFlags);
        result = callback->AddItem(&item);
        if (FAILED(result)) break;
    }
    return result;
}

HRESULT CBaseNode::SetToolbarButtons(IToolbar* toolbar, const SNAPINTOOLBARBUTTON* table, bool insert) {
    if (!toolbar || !table) return E_POINTER;
    size_t count = 0;
    while (table[count].textId != 0)
        ++count;
    HRESULT result = S_FALSE;
    if (insert) {
        for (size_t i = 0; i < count; ++i) {
            std::wstring text = LoadResString(table[i].textId);
            std::wstring tooltip = LoadResString(table[i].tooltipId);
            MMCBUTTON button{};
            button.nBitmap = static_cast<int>(table[i].bitmap);
            button.idCommand = static_cast<int>(table[i].commandId);
            button.fsState = static_cast<BYTE>(table[i].state & 0xFF);
            button.fsType = static_cast<BYTE>(table[i].type & 0xFF);
            button.lpButtonText = text.data();
            button.lpTooltipText = tooltip.data();
            result = toolbar->InsertButton(static_cast<int>(i), &button);
            if (FAILED(result)) break;
        }
    } else {
        // From the last button down: each deletion moves the buttons after it one place forward, so
        // counting up would skip every second button.
        for (size_t i = count; i-- > 0;) {
            result = toolbar->DeleteButton(static_cast<int>(i));
            if (FAILED(result)) break;
        }
    }
    return result;
}

HRESULT CBaseNode::ShowProgress(IConsole* console, int percent, UINT textId) {
    std::wstring text = textId ? LoadResString(textId) : std::wstring();
    SetConsoleStatusText(console, text + L"|%" + std::to_wstring(percent));
    return S_OK;
}

void CBaseNode::ApplyFilter(CBaseNode*) {}

// The console's node manager builds the wizard: while it asks this node for its pages (through the
// component or component data given as primary), pagesMode is false, so the node adds wizard pages.
// Only the shows' results are looked at: a sheet that could not be created or has no pages fails there.
HRESULT CBaseNode::RunWizard(IConsole* console, IComponent* component, IComponentData* componentData,
                             IDataObject* dataObject) {
    m_pagesMode = false;
    tvcom::ComPtr<IPropertySheetProvider> provider;
    HRESULT hr = CoCreateInstance(CLSID_NodeManager, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IPropertySheetProvider, provider.ReceiveVoid());
    if (FAILED(hr)) return hr;
    auto cookie = reinterpret_cast<MMC_COOKIE>(CDataObject::NodeOf(dataObject));
    provider->CreatePropertySheet(L"", FALSE, cookie, dataObject, MMC_PSO_NEWWIZARDTYPE);
    HWND mainWindow = nullptr;
    if (console) console->GetMainWindow(&mainWindow);
    IUnknown* primary = component ? static_cast<IUnknown*>(component) : static_cast<IUnknown*>(componentData);
    provider->AddPrimaryPages(primary, TRUE, mainWindow, component ? TRUE : FALSE);
    provider->AddExtensionPages();
    hr = provider->Show(reinterpret_cast<LONG_PTR>(mainWindow), 0);
    // S_FALSE: the sheet has no pages to show; Show(-1, 0) has the console give it up.
    if (hr == S_FALSE) hr = provider->Show(-1, 0);
    return hr;
}

HRESULT CBaseNode::EndWizard() {
    m_pagesMode = true;
    DeletePages();
    return S_OK;
}

void CBaseNode::RunNodeWizard(int selector, IConsole* console, IComponent* component,
                              IComponentData* componentData, IDataObject* dataObject) {
    m_wizardSelector = selector;
    RunWizard(console, component, componentData, dataObject);
    EndWizard();
    m_wizardSelector = 0;
    OnRefresh(console);
}

} // namespace Snapins
