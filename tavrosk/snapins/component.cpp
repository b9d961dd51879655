// CComponent: the result pane's requests and notifications, each passed to the node named by the data
// object or the cookie. When a notification's data object names no node (a null one, for instance), the
// node whose result view is shown stands in. Cookies, list parameters and the nodes remembered between
// calls are all checked against the live nodes before use.
#include "snapins/component.h"

#include <new>
#include <string>

#include "snapins/basenode.h"
#include "snapins/componentdata.h"
#include "snapins/dataobject.h"
#include "snapins/module.h"

namespace Snapins {

namespace {

// UpdateAllViews hints: 1 selects the scope item given as data again, 2 redraws the result item.
constexpr LONG_PTR kHintReselect = 1;
constexpr LONG_PTR kHintUpdateItem = 2;

// The last node any view reported as shown in its result pane; shared by all views, so that a paste or
// a move refreshes the view that shows the place the items went to.
CBaseNode* g_shownNode = nullptr;

// The process-wide buffer through which list texts reach the console.
WCHAR g_displayText[kDisplayTextBuffer];

// The node a cookie names, while it exists.
CBaseNode* NodeOfCookie(MMC_COOKIE cookie) {
    auto* node = reinterpret_cast<CBaseNode*>(cookie);
    return CBaseNode::IsLive(node) ? node : nullptr;
}

HRESULT Reselect(IConsole* console, CBaseNode* node) {
    if (!console) return E_UNEXPECTED;
    return console->UpdateAllViews(nullptr, static_cast<LPARAM>(node->ScopeItem()), kHintReselect);
}

} // namespace

CComponent::CComponent(CComponentDataBase* componentData)
    : m_componentData(tvcom::ComPtr<CComponentDataBase>::Retain(componentData)) {}

CBaseNode* CComponent::CurrentNode() const {
    return CBaseNode::IsLive(m_currentNode) ? m_currentNode : nullptr;
}

CBaseNode* CComponent::ShownNode() {
    return CBaseNode::IsLive(g_shownNode) ? g_shownNode : nullptr;
}

STDMETHODIMP CComponent::Initialize(LPCONSOLE lpConsole) {
    if (!lpConsole) return E_POINTER;
    m_console = tvcom::ComPtr<IConsole>::Retain(lpConsole);
    HRESULT hr = S_OK;
    m_displayHelp = m_console.As<IDisplayHelp>(&hr);
    return hr;
}

STDMETHODIMP CComponent::Notify(LPDATAOBJECT lpDataObject, MMC_NOTIFY_TYPE event, LPARAM arg, LPARAM param) {
    if (event == MMCN_VIEW_CHANGE) {
        if (param == kHintReselect)
            return m_console ? m_console->SelectScopeItem(static_cast<HSCOPEITEM>(arg)) : E_UNEXPECTED;
        if (param == kHintUpdateItem) {
            HRESULT hr = S_OK;
            auto resultData = m_console.As<IResultData>(&hr);
            return resultData ? resultData->UpdateItem(static_cast<HRESULTITEM>(arg)) : hr;
        }
        return S_FALSE;
    }
    if (event == MMCN_CUTORMOVE) {
        CDataObject* moved = CDataObject::FromDataObject(reinterpret_cast<IDataObject*>(arg));
        if (!moved) return S_FALSE;
        if (moved->IsMultiSelect()) {
            for (size_t i = 0; i < moved->GetItemCount(); ++i)
                if (CBaseNode* item = moved->GetItem(i)) item->OnDelete(m_console.Get());
            return S_FALSE;
        }
        CBaseNode* shown = ShownNode();
        if (!shown) return S_FALSE;
        // Taken before the moved node goes: it may be the shown node itself.
        HSCOPEITEM shownItem = shown->ScopeItem();
        if (CBaseNode* node = moved->Node()) node->OnDelete(m_console.Get());
        if (!m_console) return E_UNEXPECTED;
        return m_console->UpdateAllViews(nullptr, static_cast<LPARAM>(shownItem), kHintReselect);
    }

    CDataObject* object = CDataObject::FromDataObject(lpDataObject);
    bool multi = object && object->IsMultiSelect();
    // The selection of a multiple selection is its items; for everything else the view's node stands in.
    CBaseNode* node = object ? object->Node() : nullptr;
    if (!node) node = CurrentNode();
    if (!node && !multi) return S_FALSE;

    switch (event) {
    case MMCN_DELETE:
        if (multi) {
            HRESULT result = S_FALSE;
            for (size_t i = 0; i < object->GetItemCount(); ++i)
                if (CBaseNode* item = object->GetItem(i)) result = item->OnDelete(m_console.Get());
            return result;
        }
        return node->OnDelete(m_console.Get());
    case MMCN_SELECT:
        if (multi) {
            // Only the selection of result items is passed on, to the first of them.
            CBaseNode* first = object->GetItem(0);
            if (LOWORD(arg) == 0 && HIWORD(arg) == 1 && first)
                return first->OnSelect(m_console.Get(), FALSE, TRUE);
            return S_FALSE;
        }
        return node->OnSelect(m_console.Get(), LOWORD(arg), HIWORD(arg));
    default:
        break;
    }

    if (!node) return S_FALSE;
    switch (event) {
    case MMCN_ADD_IMAGES:
        return node->OnAddImages(reinterpret_cast<IImageList*>(arg), static_cast<HSCOPEITEM>(param));
    case MMCN_PASTE:
        return OnPaste(node, reinterpret_cast<LPDATAOBJECT>(arg), param);
    case MMCN_PROPERTY_CHANGE:
        return node->OnPropertyChange(m_console.Get(), arg, param);
    case MMCN_QUERY_PASTE: {
        CDataObject* pasted = CDataObject::FromDataObject(reinterpret_cast<IDataObject*>(arg));
        if (!pasted) return S_FALSE;
        CBaseNode* source = pasted->IsMultiSelect() ? pasted->GetItem(0) : pasted->Node();
        if (!source) return S_FALSE;
        return node->OnQueryPaste(m_console.Get(), source);
    }
    case MMCN_REFRESH:
        return node->OnRefresh(m_console.Get());
    case MMCN_RENAME:
        return node->OnRename(reinterpret_cast<LPOLESTR>(param));
    case MMCN_SHOW:
        if (arg) g_shownNode = node;
        return node->OnShow(m_console.Get(), static_cast<BOOL>(arg), static_cast<HSCOPEITEM>(param));
    case MMCN_CONTEXTHELP:
        return node->OnContextHelp(m_displayHelp.Get(),
                                   m_componentData ? m_componentData->HelpFile() : std::wstring());
    case MMCN_FILTER_CHANGE:
        return OnFilterChange(node, arg, param);
    case MMCN_FILTERBTN_CLICK:
        return node->OnFilterButtonClick(m_console.Get(), static_cast<int>(arg),
                                         reinterpret_cast<RECT*>(param));
    case MMCN_PRINT:
        return node->OnPrint(m_console.Get());
    default:
        return S_FALSE;
    }
}

// The items of `pasted` go to `target`. When the console asks for them (param), it gets back a data
// object of the items to remove from where they came from.
HRESULT CComponent::OnPaste(CBaseNode* target, LPDATAOBJECT pasted, LPARAM param) {
    auto* removed = reinterpret_cast<LPDATAOBJECT*>(param);
    CDataObject* source = CDataObject::FromDataObject(pasted);
    if (source && source->IsMultiSelect()) {
        size_t count = source->GetItemCount();
        if (SUCCEEDED(target->OnBeginPaste(m_console.Get(), static_cast<int>(count)))) {
            HRESULT result = S_OK;
            for (size_t i = 0; i < count; ++i)
                if (CBaseNode* item = source->GetItem(i)) result = target->OnPaste(m_console.Get(), item);
            if (SUCCEEDED(result)) {
                if (removed) source->QueryInterface(IID_IDataObject, reinterpret_cast<void**>(removed));
                if (CBaseNode* shown = ShownNode()) Reselect(m_console.Get(), shown);
            }
        }
    } else if (CBaseNode* node = source ? source->Node() : nullptr) {
        if (SUCCEEDED(target->OnBeginPaste(m_console.Get(), 1)) &&
            SUCCEEDED(target->OnPaste(m_console.Get(), node))) {
            if (removed) {
                auto* object = new (std::nothrow) CDataObject(node, CCT_RESULT);
                if (!object) return E_OUTOFMEMORY;
                *removed = object; // the creator's reference goes to the console
            }
            if (ShownNode() == target) Reselect(m_console.Get(), target);
        }
    }
    return target->OnEndPaste();
}

// On a changed value the filter is read from the header: as text first, as a number when no text.
HRESULT CComponent::OnFilterChange(CBaseNode* node, LPARAM code, LPARAM column) {
    WCHAR text[MAX_PATH] = {};
    MMC_FILTERDATA filter{text, MAX_PATH, 0};
    if (code == MFCC_VALUE_CHANGE) {
        if (auto header = m_console.As<IHeaderCtrl2>()) {
            DWORD type = MMC_STRING_FILTER;
            header->GetColumnFilter(static_cast<UINT>(column), &type, &filter);
            if (!text[0]) {
                type = MMC_INT_FILTER;
                header->GetColumnFilter(static_cast<UINT>(column), &type, &filter);
            }
            text[MAX_PATH - 1] = L'\0';
        }
    }
    return node->OnFilterChange(m_console.Get(), static_cast<long>(code), static_cast<int>(column), text,
                                filter.lValue);
}

STDMETHODIMP CComponent::Destroy(MMC_COOKIE) {
    m_displayHelp.Reset();
    m_console.Reset();
    return S_OK;
}

STDMETHODIMP CComponent::QueryDataObject(MMC_COOKIE cookie, DATA_OBJECT_TYPES type,
                                         LPDATAOBJECT* ppDataObject) {
    if (!ppDataObject) return E_POINTER;
    *ppDataObject = nullptr;
    CBaseNode* current = CurrentNode();

    if (cookie == MMC_MULTI_SELECT_COOKIE) {
        CBaseNode* first = current ? current->GetChild(0) : nullptr;
        if (!first) return E_FAIL;
        auto object = tvcom::ComPtr<CDataObject>::Adopt(new (std::nothrow)
                                                            CDataObject(CDataObject::MultiSelect(), type));
        if (!object) return E_OUTOFMEMORY;
        object->SetNodeType(*first->GetNodeType());
        // The selected items, in list order; an owner-data list's items name their index instead.
        if (auto resultData = m_console.As<IResultData>()) {
            RESULTDATAITEM item{};
            item.nIndex = -1;
            for (;;) {
                item.mask = RDI_STATE | RDI_PARAM;
                item.nState = LVIS_SELECTED;
                item.lParam = 0;
                if (FAILED(resultData->GetNextItem(&item)) || item.nIndex == -1) break;
                CBaseNode* node = item.lParam ? NodeOfCookie(item.lParam)
                                              : current->GetChild(static_cast<unsigned>(item.nIndex));
                if (node) object->Append(node);
            }
        }
        SetConsoleStatusText(m_console.Get(), std::to_wstring(object->GetItemCount()) + L" Items Selected");
        *ppDataObject = object.Detach();
        return S_OK;
    }

    // A cookie is a node, the root (0), or else the index of an item of an owner-data list; in an
    // owner-data list 0 is its first item, not the root.
    CBaseNode* node = nullptr;
    if (cookie != 0)
        node = NodeOfCookie(cookie);
    else if (!(current && current->IsOwnerData()))
        node = m_componentData ? m_componentData->Root() : nullptr;
    if (!node) {
        if (!current || cookie < 0) return E_FAIL;
        node = current->GetChild(static_cast<unsigned>(cookie));
        if (!node) return E_FAIL;
    }
    auto object = tvcom::ComPtr<CDataObject>::Adopt(new (std::nothrow) CDataObject(node, type));
    if (!object) return E_OUTOFMEMORY;
    *ppDataObject = object.Detach();
    SetConsoleStatusText(m_console.Get(), L"1 Item Selected");
    return S_OK;
}

STDMETHODIMP CComponent::GetResultViewType(MMC_COOKIE cookie, LPOLESTR* ppViewType, long* pViewOptions) {
    if (ppViewType) *ppViewType = nullptr;
    if (pViewOptions) *pViewOptions = MMC_VIEW_OPTIONS_NONE;
    if (cookie == 0) {
        // Cookie 0 is the root, as everywhere else.
        m_currentNode = m_componentData ? m_componentData->Root() : nullptr;
        if (CBaseNode* root = CurrentNode()) root->GetResultViewType(ppViewType, pViewOptions);
        return S_OK;
    }
    m_currentNode = NodeOfCookie(cookie);
    if (!m_currentNode) return S_FALSE;
    return m_currentNode->GetResultViewType(ppViewType, pViewOptions);
}

STDMETHODIMP CComponent::GetDisplayInfo(RESULTDATAITEM* pResultDataItem) {
    if (!pResultDataItem) return E_POINTER;
    if (pResultDataItem->lParam == 0) {
        if (CBaseNode* current = CurrentNode()) current->GetVirtualItemInfo(pResultDataItem);
        return S_OK;
    }
    CBaseNode* node = NodeOfCookie(pResultDataItem->lParam);
    if (!node) return S_OK;
    if (pResultDataItem->mask & RDI_STR) {
        CopyDisplayText(g_displayText, node->GetDisplayText(pResultDataItem->nCol));
        pResultDataItem->str = g_displayText;
    }
    if (pResultDataItem->mask & RDI_IMAGE) pResultDataItem->nImage = node->GetImageIndex();
    return S_OK;
}

STDMETHODIMP CComponent::CompareObjects(LPDATAOBJECT lpDataObjectA, LPDATAOBJECT lpDataObjectB) {
    CBaseNode* a = CDataObject::NodeOf(lpDataObjectA);
    CBaseNode* b = CDataObject::NodeOf(lpDataObjectB);
    if (!a || !b) return S_FALSE;
    return a->GetCookie() == b->GetCookie() ? S_OK : S_FALSE;
}

STDMETHODIMP CComponent::FindItem(LPRESULTFINDINFO pFindInfo, int* pnFoundIndex) {
    CBaseNode* current = CurrentNode();
    return current ? current->FindItem(pFindInfo, pnFoundIndex) : S_FALSE;
}

STDMETHODIMP CComponent::CacheHint(int nStartIndex, int nEndIndex) {
    CBaseNode* current = CurrentNode();
    return current ? current->CacheHint(nStartIndex, nEndIndex) : S_FALSE;
}

STDMETHODIMP CComponent::SortItems(int nColumn, DWORD dwSortOptions, LPARAM lUserParam) {
    CBaseNode* current = CurrentNode();
    return current ? current->SortItems(nColumn, dwSortOptions, lUserParam) : S_FALSE;
}

STDMETHODIMP CComponent::AddMenuItems(LPDATAOBJECT piDataObject, LPCONTEXTMENUCALLBACK piCallback,
                                      long* pInsertionAllowed) {
    CBaseNode* node = CDataObject::NodeOf(piDataObject);
    if (!node) return S_OK;
    return node->AddMenuItems(piCallback, pInsertionAllowed);
}

STDMETHODIMP CComponent::Command(long lCommandID, LPDATAOBJECT piDataObject) {
    CBaseNode* node = CDataObject::NodeOf(piDataObject);
    if (!node) return S_OK;
    // The node may start a wizard through this object; the reference keeps it alive meanwhile.
    auto self = tvcom::ComPtr<IComponent>::Retain(this);
    return node->OnMenuCommand(m_console.Get(), lCommandID, self.Get(), nullptr, piDataObject);
}

STDMETHODIMP CComponent::CreatePropertyPages(LPPROPERTYSHEETCALLBACK lpProvider, LONG_PTR handle,
                                             LPDATAOBJECT lpIDataObject) {
    CBaseNode* node = CDataObject::NodeOf(lpIDataObject);
    if (!node) return S_OK;
    return node->CreatePropertyPages(lpProvider, handle);
}

STDMETHODIMP CComponent::QueryPagesFor(LPDATAOBJECT lpDataObject) {
    CBaseNode* node = CDataObject::NodeOf(lpDataObject);
    if (!node) return S_OK;
    return node->QueryPagesFor();
}

STDMETHODIMP CComponent::GetWatermarks(LPDATAOBJECT lpIDataObject, HBITMAP* lphWatermark, HBITMAP* lphHeader,
                                       HPALETTE* lphPalette, BOOL* bStretch) {
    CBaseNode* node = CDataObject::NodeOf(lpIDataObject);
    if (!node) return S_OK;
    return node->GetWatermarks(lphWatermark, lphHeader, lphPalette, bStretch);
}

STDMETHODIMP CComponent::SetControlbar(LPCONTROLBAR pControlbar) {
    m_toolbar.Reset();
    m_controlbar.Reset();
    if (!pControlbar) return S_OK;
    m_controlbar = tvcom::ComPtr<IControlbar>::Retain(pControlbar);
    tvcom::ComPtr<IUnknown> created;
    HRESULT hr = m_controlbar->Create(TOOLBAR, static_cast<IExtendControlbar*>(this), created.Receive());
    if (FAILED(hr) || !created) return FAILED(hr) ? hr : E_UNEXPECTED;
    m_toolbar = created.As<IToolbar>(&hr);
    return hr;
}

STDMETHODIMP CComponent::ControlbarNotify(MMC_NOTIFY_TYPE event, LPARAM arg, LPARAM param) {
    if (event == MMCN_SELECT) {
        CBaseNode* node = CDataObject::NodeOf(reinterpret_cast<LPDATAOBJECT>(param));
        if (!node) return S_OK;
        return node->OnControlbarSelect(m_controlbar.Get(), m_toolbar.Get(), LOWORD(arg), HIWORD(arg));
    }
    if (event == MMCN_BTN_CLICK) {
        CBaseNode* node = CDataObject::NodeOf(reinterpret_cast<LPDATAOBJECT>(arg));
        if (!node) return S_OK;
        return node->OnToolbarCommand(m_console.Get(), this, static_cast<long>(param));
    }
    return S_OK;
}

STDMETHODIMP CComponent::Compare(RDCOMPARE* prdc, int* pnResult) {
    if (!prdc || !pnResult || !prdc->prdch1 || !prdc->prdch2) return E_POINTER;
    CBaseNode* first = NodeOfCookie(prdc->prdch1->cookie);
    CBaseNode* second = NodeOfCookie(prdc->prdch2->cookie);
    if (!first || !second) return E_INVALIDARG;
    return first->CompareResultItems(second, prdc->nColumn, pnResult);
}

} // namespace Snapins
