// What the framework tests stand on: a console that records what the snap-in asks of it (one object
// with the console's interfaces, as a console has), a context-menu callback and a toolbar that keep
// what they are given, and small test nodes whose operations write to a shared log.
#pragma once

#include <deque>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "../../tavrosk/snapins/basenode.h"
#include "../../tavrosk/snapins/dataobject.h"
#include "../../tavrosk/snapins/module.h"
#include "mmc.h"

namespace fake {

// The snap-in's resources are linked into the test program, which is the module they load from, as
// the library is when the console loads it.
inline const bool kResourcesFromTestProgram = [] {
    Snapins::SnapinModule().resourceModule = GetModuleHandleW(nullptr);
    return true;
}();

// Every interface of this kind answers QueryInterface only for the interfaces its owner lists.
template <class... Interfaces> class Unknown : public Interfaces... {
public:
    LONG refs = 1;
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    STDMETHODIMP_(ULONG) Release() override { return --refs; }
};

struct ScopeInsert {
    SCOPEDATAITEM item;
};

// The console, with switches that take interfaces away or make calls fail.
class Console
    : public Unknown<IConsole2, IConsoleNameSpace2, IResultData, IHeaderCtrl2, IImageList, IDisplayHelp> {
public:
    bool hasConsole2 = true;
    bool hasNameSpace2 = true;
    bool hasNameSpace = true;
    bool hasResultData = true;
    bool hasHeader2 = true;
    bool failScopeInsert = false;
    bool failScopeDelete = false;
    bool failResultDelete = false;
    HSCOPEITEM throwOnDeleteOf = 0; // DeleteItem of this scope item throws

    std::vector<SCOPEDATAITEM> scopeItems; // inserted, with the ids given
    std::vector<HSCOPEITEM> deletedScopeItems;
    std::vector<RESULTDATAITEM> resultItems;
    std::vector<HRESULTITEM> deletedResultItems;
    std::vector<HRESULTITEM> updatedResultItems;
    std::vector<int> itemCounts;
    int clears = 0;
    std::vector<std::wstring> statusTexts;
    std::vector<std::pair<LPARAM, LONG_PTR>> viewUpdates; // (data, hint)
    std::vector<HSCOPEITEM> selectedScopeItems;
    std::vector<std::wstring> columns;
    std::vector<std::wstring> helpTopics;
    LONG_PTR smallStrip = 0, largeStrip = 0;
    COLORREF stripMask = 0;
    int stripCalls = 0;
    // GetNextItem answers these (lParam, state), by index.
    std::vector<std::pair<LPARAM, UINT>> listedItems;
    // GetColumnFilter answers these: text for type 0, number for type 1.
    std::wstring filterText;
    LONG filterNumber = 0;
    std::vector<DWORD> filterTypesAsked;
    HSCOPEITEM nextId = 100;

    std::wstring LastStatus() const { return statusTexts.empty() ? L"" : statusTexts.back(); }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        *ppv = nullptr;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IConsole) ||
            (hasConsole2 && IsEqualIID(riid, IID_IConsole2)))
            *ppv = static_cast<IConsole2*>(this);
        else if ((hasNameSpace && IsEqualIID(riid, IID_IConsoleNameSpace)) ||
                 (hasNameSpace2 && IsEqualIID(riid, IID_IConsoleNameSpace2)))
            *ppv = static_cast<IConsoleNameSpace2*>(this);
        else if (hasResultData && IsEqualIID(riid, IID_IResultData))
            *ppv = static_cast<IResultData*>(this);
        else if (IsEqualIID(riid, IID_IHeaderCtrl) || (hasHeader2 && IsEqualIID(riid, IID_IHeaderCtrl2)))
            *ppv = static_cast<IHeaderCtrl2*>(this);
        else if (IsEqualIID(riid, IID_IDisplayHelp))
            *ppv = static_cast<IDisplayHelp*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }

    // IConsole
    STDMETHODIMP SetHeader(LPHEADERCTRL) override { return S_OK; }
    STDMETHODIMP SetToolbar(LPTOOLBAR) override { return S_OK; }
    STDMETHODIMP QueryResultView(LPUNKNOWN*) override { return E_NOTIMPL; }
    STDMETHODIMP QueryScopeImageList(LPIMAGELIST* images) override {
        *images = this;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP QueryResultImageList(LPIMAGELIST* images) override { return QueryScopeImageList(images); }
    STDMETHODIMP UpdateAllViews(LPDATAOBJECT, LPARAM data, LONG_PTR hint) override {
        viewUpdates.emplace_back(data, hint);
        return S_OK;
    }
    STDMETHODIMP MessageBox(LPCWSTR, LPCWSTR, UINT, int* result) override {
        *result = IDOK;
        return S_OK;
    }
    STDMETHODIMP QueryConsoleVerb(LPCONSOLEVERB*) override { return E_NOTIMPL; }
    STDMETHODIMP SelectScopeItem(HSCOPEITEM item) override {
        selectedScopeItems.push_back(item);
        return S_OK;
    }
    STDMETHODIMP GetMainWindow(HWND* window) override {
        *window = nullptr;
        return S_OK;
    }
    STDMETHODIMP NewWindow(HSCOPEITEM, unsigned long) override { return E_NOTIMPL; }
    // IConsole2
    STDMETHODIMP Expand(HSCOPEITEM, BOOL) override { return S_OK; }
    STDMETHODIMP IsTaskpadViewPreferred() override { return S_OK; }
    STDMETHODIMP SetStatusText(LPOLESTR text) override {
        statusTexts.emplace_back(text ? text : L"");
        return S_OK;
    }
    // IConsoleNameSpace2
    STDMETHODIMP InsertItem(LPSCOPEDATAITEM item) override {
        if (failScopeInsert) return E_FAIL;
        item->ID = nextId++;
        scopeItems.push_back(*item);
        return S_OK;
    }
    STDMETHODIMP DeleteItem(HSCOPEITEM item, long fDeleteThis) override {
        if (item == throwOnDeleteOf && item != 0) throw std::runtime_error("console failed");
        if (failScopeDelete || !fDeleteThis) return E_FAIL;
        deletedScopeItems.push_back(item);
        return S_OK;
    }
    STDMETHODIMP SetItem(LPSCOPEDATAITEM) override { return S_OK; }
    STDMETHODIMP GetItem(LPSCOPEDATAITEM) override { return S_OK; }
    STDMETHODIMP GetChildItem(HSCOPEITEM, HSCOPEITEM*, MMC_COOKIE*) override { return E_NOTIMPL; }
    STDMETHODIMP GetNextItem(HSCOPEITEM, HSCOPEITEM*, MMC_COOKIE*) override { return E_NOTIMPL; }
    STDMETHODIMP GetParentItem(HSCOPEITEM, HSCOPEITEM*, MMC_COOKIE*) override { return E_NOTIMPL; }
    STDMETHODIMP Expand(HSCOPEITEM) override { return S_OK; }
    STDMETHODIMP AddExtension(HSCOPEITEM, LPCLSID) override { return E_NOTIMPL; }
    // IResultData
    STDMETHODIMP InsertItem(LPRESULTDATAITEM item) override {
        item->itemID = nextId++;
        resultItems.push_back(*item);
        return S_OK;
    }
    STDMETHODIMP DeleteItem(HRESULTITEM item, int) override {
        if (failResultDelete) return E_FAIL;
        deletedResultItems.push_back(item);
        return S_OK;
    }
    STDMETHODIMP FindItemByLParam(LPARAM, HRESULTITEM*) override { return E_NOTIMPL; }
    STDMETHODIMP DeleteAllRsltItems() override {
        ++clears;
        resultItems.clear();
        return S_OK;
    }
    STDMETHODIMP SetItem(LPRESULTDATAITEM) override { return S_OK; }
    STDMETHODIMP GetItem(LPRESULTDATAITEM) override { return S_OK; }
    STDMETHODIMP GetNextItem(LPRESULTDATAITEM item) override {
        for (int i = item->nIndex + 1; i < static_cast<int>(listedItems.size()); ++i)
            if (listedItems[i].second & item->nState) {
                item->nIndex = i;
                item->lParam = listedItems[i].first;
                return S_OK;
            }
        item->nIndex = -1;
        return S_FALSE;
    }
    STDMETHODIMP ModifyItemState(int, HRESULTITEM, UINT, UINT) override { return S_OK; }
    STDMETHODIMP ModifyViewStyle(MMC_RESULT_VIEW_STYLE, MMC_RESULT_VIEW_STYLE) override { return S_OK; }
    STDMETHODIMP SetViewMode(long) override { return S_OK; }
    STDMETHODIMP GetViewMode(long*) override { return S_OK; }
    STDMETHODIMP UpdateItem(HRESULTITEM item) override {
        updatedResultItems.push_back(item);
        return S_OK;
    }
    STDMETHODIMP Sort(int, DWORD, LPARAM) override { return S_OK; }
    STDMETHODIMP SetDescBarText(LPOLESTR) override { return S_OK; }
    STDMETHODIMP SetItemCount(int count, DWORD) override {
        itemCounts.push_back(count);
        return S_OK;
    }
    // IHeaderCtrl2
    STDMETHODIMP InsertColumn(int, LPCWSTR title, int, int) override {
        columns.emplace_back(title);
        return S_OK;
    }
    STDMETHODIMP DeleteColumn(int) override { return S_OK; }
    STDMETHODIMP SetColumnText(int, LPCWSTR) override { return S_OK; }
    STDMETHODIMP GetColumnText(int, LPOLESTR*) override { return E_NOTIMPL; }
    STDMETHODIMP SetColumnWidth(int, int) override { return S_OK; }
    STDMETHODIMP GetColumnWidth(int, int*) override { return E_NOTIMPL; }
    STDMETHODIMP SetChangeTimeOut(unsigned long) override { return S_OK; }
    STDMETHODIMP SetColumnFilter(UINT, DWORD, MMC_FILTERDATA*) override { return S_OK; }
    STDMETHODIMP GetColumnFilter(UINT, LPDWORD type, MMC_FILTERDATA* data) override {
        filterTypesAsked.push_back(*type);
        if (*type == MMC_STRING_FILTER)
            wcsncpy(data->pszText, filterText.c_str(), static_cast<size_t>(data->cchTextMax));
        else
            data->lValue = filterNumber;
        return S_OK;
    }
    // IImageList
    STDMETHODIMP ImageListSetIcon(LONG_PTR*, long) override { return S_OK; }
    STDMETHODIMP ImageListSetStrip(LONG_PTR* small, LONG_PTR* large, long, COLORREF mask) override {
        ++stripCalls;
        smallStrip = reinterpret_cast<LONG_PTR>(small);
        largeStrip = reinterpret_cast<LONG_PTR>(large);
        stripMask = mask;
        return S_OK;
    }
    // IDisplayHelp
    STDMETHODIMP ShowTopic(LPOLESTR topic) override {
        helpTopics.emplace_back(topic);
        return S_OK;
    }
};

// The console's message view, keeping what it is given.
class MessageView : public Unknown<IMessageView> {
public:
    std::wstring title, body;
    IconIdentifier icon = Icon_None;
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        *ppv = nullptr;
        if (!IsEqualIID(riid, IID_IMessageView) && !IsEqualIID(riid, IID_IUnknown)) return E_NOINTERFACE;
        *ppv = static_cast<IMessageView*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP SetTitleText(LPCOLESTR text) override { return title = text, S_OK; }
    STDMETHODIMP SetBodyText(LPCOLESTR text) override { return body = text, S_OK; }
    STDMETHODIMP SetIcon(IconIdentifier id) override { return icon = id, S_OK; }
    STDMETHODIMP Clear() override { return S_OK; }
};

// The verbs of one selection: those enabled, in order, and the default; every call in `calls` as
// "enable <verb>" or "default <verb>". The call numbered failAt (from 0) fails.
class Verbs : public Unknown<IConsoleVerb> {
public:
    std::vector<MMC_CONSOLE_VERB> enabled;
    MMC_CONSOLE_VERB defaultVerb = MMC_VERB_NONE;
    std::vector<std::string> calls;
    int failAt = -1;
    STDMETHODIMP QueryInterface(REFIID, void** ppv) override { return *ppv = nullptr, E_NOINTERFACE; }
    STDMETHODIMP GetVerbState(MMC_CONSOLE_VERB, MMC_BUTTON_STATE, BOOL*) override { return E_NOTIMPL; }
    STDMETHODIMP SetVerbState(MMC_CONSOLE_VERB verb, MMC_BUTTON_STATE state, BOOL on) override {
        if (state == ENABLED && on) enabled.push_back(verb);
        return Call("enable", verb);
    }
    STDMETHODIMP SetDefaultVerb(MMC_CONSOLE_VERB verb) override {
        defaultVerb = verb;
        return Call("default", verb);
    }
    STDMETHODIMP GetDefaultVerb(MMC_CONSOLE_VERB*) override { return E_NOTIMPL; }

private:
    HRESULT Call(const char* what, MMC_CONSOLE_VERB verb) {
        calls.push_back(std::string(what) + " " + std::to_string(verb));
        return static_cast<int>(calls.size()) - 1 == failAt ? E_FAIL : S_OK;
    }
};

// The console as a person answers it: message boxes answered from a queue (No when it is empty) and kept
// as "caption: text" with their styles, fresh verbs for every selection, and a message view.
class AnsweringConsole : public Console {
public:
    std::vector<std::wstring> boxes;
    std::vector<UINT> styles;
    std::deque<int> answers;
    Verbs verbs;
    MessageView messageView;
    STDMETHODIMP MessageBox(LPCWSTR text, LPCWSTR caption, UINT style, int* result) override {
        boxes.push_back(std::wstring(caption) + L": " + text);
        styles.push_back(style);
        *result = answers.empty() ? IDNO : answers.front();
        if (!answers.empty()) answers.pop_front();
        return S_OK;
    }
    STDMETHODIMP QueryConsoleVerb(LPCONSOLEVERB* out) override {
        verbs = Verbs();
        return *out = &verbs, S_OK;
    }
    STDMETHODIMP QueryResultView(LPUNKNOWN* out) override {
        messageView.AddRef();
        return *out = &messageView, S_OK;
    }
};

class MenuCallback : public Unknown<IContextMenuCallback> {
public:
    std::vector<std::wstring> names;
    std::vector<std::wstring> statusTexts;
    std::vector<LONG> commands;
    int failAt = -1; // the AddItem call (counted from 0) that fails

    STDMETHODIMP QueryInterface(REFIID, void** ppv) override {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP AddItem(CONTEXTMENUITEM* item) override {
        if (static_cast<int>(names.size()) == failAt) return E_FAIL;
        names.emplace_back(item->strName);
        statusTexts.emplace_back(item->strStatusBarText);
        commands.push_back(item->lCommandID);
        return S_OK;
    }
};

// Buttons as a toolbar keeps them: deleting one moves those after it one place forward.
class Toolbar : public Unknown<IToolbar> {
public:
    struct Button {
        int command;
        std::wstring text, tooltip;
        BYTE state, type;
    };
    std::vector<Button> buttons;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        *ppv = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IToolbar)) return E_NOINTERFACE;
        *ppv = static_cast<IToolbar*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP AddBitmap(int, HBITMAP, int, int, COLORREF) override { return S_OK; }
    STDMETHODIMP AddButtons(int, LPMMCBUTTON) override { return S_OK; }
    STDMETHODIMP InsertButton(int index, LPMMCBUTTON b) override {
        if (index < 0 || index > static_cast<int>(buttons.size())) return E_INVALIDARG;
        buttons.insert(buttons.begin() + index,
                       {b->idCommand, b->lpButtonText, b->lpTooltipText, b->fsState, b->fsType});
        return S_OK;
    }
    STDMETHODIMP DeleteButton(int index) override {
        if (index < 0 || index >= static_cast<int>(buttons.size())) return E_INVALIDARG;
        buttons.erase(buttons.begin() + index);
        return S_OK;
    }
    STDMETHODIMP GetButtonState(int, MMC_BUTTON_STATE, BOOL*) override { return S_OK; }
    STDMETHODIMP SetButtonState(int, MMC_BUTTON_STATE, BOOL) override { return S_OK; }
};

// What the test nodes did, in order: "<name>.<operation>".
inline std::vector<std::string>& Log() {
    static std::vector<std::string> log;
    return log;
}

// A node of the tests: its name is its column-0 text, its other columns come from `columns`; it makes
// the children that `makeChildren` describes and logs every operation the framework passes it.
class Node : public Snapins::CBaseNode {
public:
    struct Child {
        std::wstring name;
        bool scope;
    };

    explicit Node(std::wstring name, bool scope = true) : m_name(std::move(name)) {
        m_isScopeItem = scope ? 1 : 0;
    }

    std::vector<Child> makeChildren;
    std::vector<std::wstring> columns;
    int createChildrenCalls = 0;
    HRESULT beginPasteResult = S_OK;
    HRESULT pasteResult = S_OK;
    HRESULT endPasteResult = S_OK;
    std::vector<CBaseNode*> pasted;
    GUID nodeType = GUID_NULL;

    void SetChildrenHaveNoChildren() { m_childrenHaveNoChildren = true; }
    void SetOwnerData() { m_ownerData = true; }
    void SetMultiSelect() { m_multiSelect = true; }
    void SetScopeItem(HSCOPEITEM item) { m_scopeItem = item; }
    void SetName(std::wstring name) { m_name = std::move(name); }
    const std::wstring& Name() const { return m_name; }

    const std::wstring GetDisplayText(int column) override {
        if (column == 0) return m_name;
        return column - 1 < static_cast<int>(columns.size()) ? columns[column - 1] : std::wstring();
    }
    const GUID* GetNodeType() override {
        return IsEqualGUID(nodeType, GUID_NULL) ? CBaseNode::GetNodeType() : &nodeType;
    }
    HRESULT CreateChildren(IConsole*) override {
        ++createChildrenCalls;
        for (const Child& child : makeChildren)
            AddChild(new Node(child.name, child.scope), true);
        return makeChildren.empty() ? S_FALSE : S_OK;
    }
    void GetVirtualItemInfo(RESULTDATAITEM* item) override {
        Record("GetVirtualItemInfo");
        item->str = const_cast<LPOLESTR>(L"virtual");
    }
    HRESULT OnDelete(IConsole*) override { return Record("OnDelete"); }
    HRESULT OnRefresh(IConsole* console) override {
        Record("OnRefresh");
        return CBaseNode::OnRefresh(console);
    }
    HRESULT OnSelect(IConsole*, BOOL scope, BOOL select) override {
        return Record("OnSelect(" + std::to_string(scope) + "," + std::to_string(select) + ")");
    }
    HRESULT OnShow(IConsole* console, BOOL selecting, HSCOPEITEM item) override {
        Record("OnShow");
        return CBaseNode::OnShow(console, selecting, item);
    }
    HRESULT OnPropertyChange(IConsole*, LPARAM, LPARAM) override { return Record("OnPropertyChange"); }
    HRESULT OnQueryPaste(IConsole*, CBaseNode* source) override {
        pasted.push_back(source);
        return Record("OnQueryPaste");
    }
    HRESULT OnBeginPaste(IConsole*, int count) override {
        Record("OnBeginPaste(" + std::to_string(count) + ")");
        return beginPasteResult;
    }
    HRESULT OnPaste(IConsole*, CBaseNode* source) override {
        Record("OnPaste");
        pasted.push_back(source);
        return pasteResult;
    }
    HRESULT OnEndPaste() override {
        Record("OnEndPaste");
        return endPasteResult;
    }
    HRESULT OnContextHelp(IDisplayHelp* help, const std::wstring& file) override {
        std::wstring topic = file + L"::" + m_name + L".htm";
        help->ShowTopic(topic.data());
        return Record("OnContextHelp");
    }
    HRESULT OnMenuCommand(IConsole*, long command, IComponent* component, IComponentData* data,
                          IDataObject*) override {
        return Record("OnMenuCommand(" + std::to_string(command) + "," + (component ? "component" : "-") +
                      "," + (data ? "data" : "-") + ")");
    }
    HRESULT OnToolbarCommand(IConsole*, Snapins::CComponent*, long command) override {
        return Record("OnToolbarCommand(" + std::to_string(command) + ")");
    }
    HRESULT OnFilterChange(IConsole* console, long code, int column, LPCWSTR text, long value) override {
        std::string narrow;
        for (const WCHAR* c = text; c && *c; ++c)
            narrow += static_cast<char>(*c);
        Record("OnFilterChange(" + std::to_string(code) + "," + narrow + "," + std::to_string(value) + ")");
        return CBaseNode::OnFilterChange(console, code, column, text, value);
    }

private:
    HRESULT Record(const std::string& what) {
        std::string name;
        for (WCHAR c : m_name)
            name += static_cast<char>(c);
        Log().push_back(name + "." + what);
        return S_OK;
    }

    std::wstring m_name;
};

// The bytes a data object renders for a format into a block of `initial` bytes.
inline std::string RenderHere(IDataObject* object, UINT format, HRESULT* result = nullptr,
                              SIZE_T initial = 0) {
    HGLOBAL block = GlobalAlloc(GMEM_SHARE | GMEM_MOVEABLE, initial);
    FORMATETC etc{static_cast<CLIPFORMAT>(format), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    medium.tymed = TYMED_HGLOBAL;
    medium.hGlobal = block;
    HRESULT hr = object->GetDataHere(&etc, &medium);
    if (result) *result = hr;
    std::string bytes(static_cast<const char*>(GlobalLock(block)), GlobalSize(block));
    GlobalUnlock(block);
    GlobalFree(block);
    return bytes;
}

} // namespace fake
