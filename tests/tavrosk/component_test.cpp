// The result side: the view's node, data objects for one and for several selected items with their
// status-bar texts, owner-data indexes, list texts, the notification dispatch with its multi-selection
// and paste rules, view changes, sorting, the toolbar and help.
#include <gtest/gtest.h>

#include "../../tavrosk/snapins/component.h"
#include "../../tavrosk/snapins/componentdata.h"
#include "fake_console.h"

namespace {

using fake::Node;
using Snapins::CBaseNode;
using Snapins::CDataObject;

class TestSnapin : public Snapins::CComponentDataBase {
public:
    TestSnapin() {
        m_root = new Node(L"root");
        m_helpFile = L"test.chm";
    }
    ~TestSnapin() override { delete m_root; }
    Node* root() { return static_cast<Node*>(m_root); }
};

// A data object of another snap-in: it answers no format of ours.
class ForeignDataObject : public fake::Unknown<IDataObject> {
public:
    STDMETHODIMP QueryInterface(REFIID, void** ppv) override {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP GetData(FORMATETC*, STGMEDIUM*) override { return DV_E_FORMATETC; }
    STDMETHODIMP GetDataHere(FORMATETC*, STGMEDIUM*) override { return DV_E_FORMATETC; }
    STDMETHODIMP QueryGetData(FORMATETC*) override { return E_NOTIMPL; }
    STDMETHODIMP GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
    STDMETHODIMP SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    STDMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP DUnadvise(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }
};

class Controlbar : public fake::Unknown<IControlbar> {
public:
    fake::Toolbar toolbar;
    STDMETHODIMP QueryInterface(REFIID, void** ppv) override {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP Create(MMC_CONTROL_TYPE type, LPEXTENDCONTROLBAR, LPUNKNOWN* created) override {
        if (type != TOOLBAR) return E_INVALIDARG;
        *created = &toolbar;
        toolbar.AddRef();
        return S_OK;
    }
    STDMETHODIMP Attach(MMC_CONTROL_TYPE, LPUNKNOWN) override { return S_OK; }
    STDMETHODIMP Detach(LPUNKNOWN) override { return S_OK; }
};

MMC_COOKIE CookieOf(CBaseNode* node) {
    return reinterpret_cast<MMC_COOKIE>(node);
}

class ResultSide : public ::testing::Test {
protected:
    void SetUp() override {
        fake::Log().clear();
        snapin = new TestSnapin;
        ASSERT_EQ(snapin->CreateComponent(&view), S_OK);
        view->Initialize(static_cast<IConsole2*>(&console));
        component = static_cast<Snapins::CComponent*>(view);
        container = new Node(L"folder");
        snapin->root()->AddChild(container, true);
        container->SetScopeItem(55);
        container->makeChildren = {{L"x", false}, {L"y", false}, {L"z", false}};
    }
    void TearDown() override {
        view->Destroy(0);
        view->Release();
        snapin->Release();
    }
    // The console selects the container: it asks for the view, then shows it.
    void SelectContainer() {
        LPOLESTR type = nullptr;
        long options = 0;
        view->GetResultViewType(CookieOf(container), &type, &options);
        IDataObject* object = nullptr;
        snapin->QueryDataObject(CookieOf(container), CCT_SCOPE, &object);
        view->Notify(object, MMCN_SHOW, TRUE, 55);
        object->Release();
    }
    Node* Child(unsigned i) { return static_cast<Node*>(container->GetChild(i)); }
    IDataObject* ItemObject(CBaseNode* node) {
        IDataObject* object = nullptr;
        EXPECT_EQ(view->QueryDataObject(CookieOf(node), CCT_RESULT, &object), S_OK);
        return object;
    }

    TestSnapin* snapin = nullptr;
    IComponent* view = nullptr;
    Snapins::CComponent* component = nullptr;
    Node* container = nullptr;
    fake::Console console;
};

TEST_F(ResultSide, ViewTypeOfACookieMakesItTheCurrentNodeAndAStaleCookieNone) {
    container->SetMultiSelect();
    LPOLESTR type = reinterpret_cast<LPOLESTR>(1);
    long options = -1;
    EXPECT_EQ(view->GetResultViewType(CookieOf(container), &type, &options), S_FALSE);
    EXPECT_EQ(type, nullptr);
    EXPECT_EQ(options, MMC_VIEW_OPTIONS_MULTISELECT);
    EXPECT_EQ(component->CurrentNode(), container);

    auto* gone = new Node(L"gone");
    delete gone;
    EXPECT_EQ(view->GetResultViewType(CookieOf(gone), &type, &options), S_FALSE);
    EXPECT_EQ(component->CurrentNode(), nullptr);
    EXPECT_EQ(view->GetResultViewType(0, &type, &options), S_OK);
    EXPECT_EQ(component->CurrentNode(), snapin->root());
}

TEST_F(ResultSide, TwoSelectedItemsMakeOneMultiSelectionDataObject) {
    SelectContainer();
    const GUID itemType = {0xDC3998E1, 0x2935, 0x4123, {0xB7, 0x4E, 0x1E, 0x6A, 0xBC, 0x69, 0x46, 0xA4}};
    Child(0)->nodeType = itemType;
    console.listedItems = {{CookieOf(Child(0)), LVIS_SELECTED}, {CookieOf(Child(1)), 0}, {0, LVIS_SELECTED}};
    IDataObject* object = nullptr;
    ASSERT_EQ(view->QueryDataObject(MMC_MULTI_SELECT_COOKIE, CCT_RESULT, &object), S_OK);
    EXPECT_EQ(console.LastStatus(), L"2 Items Selected");

    CDataObject* ours = CDataObject::FromDataObject(object);
    ASSERT_NE(ours, nullptr);
    EXPECT_TRUE(ours->IsMultiSelect());
    ASSERT_EQ(ours->GetItemCount(), 2u);
    EXPECT_EQ(ours->GetItem(0), Child(0));
    EXPECT_EQ(ours->GetItem(1), Child(2)) << "an item without a parameter is the child at its index";
    EXPECT_EQ(ours->GetItem(2), nullptr);

    // The console asks a multiple selection for its node types: a count, the type, and a spare GUID.
    FORMATETC etc{static_cast<CLIPFORMAT>(CDataObject::ObjectTypesFormat()), nullptr, DVASPECT_CONTENT, -1,
                  TYMED_HGLOBAL};
    STGMEDIUM medium{};
    ASSERT_EQ(object->GetData(&etc, &medium), S_OK);
    EXPECT_EQ(medium.tymed, DWORD(TYMED_HGLOBAL));
    ASSERT_EQ(GlobalSize(medium.hGlobal), 36u);
    auto* bytes = static_cast<const BYTE*>(GlobalLock(medium.hGlobal));
    DWORD count = 0;
    std::memcpy(&count, bytes, 4);
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(std::memcmp(bytes + 4, &itemType, 16), 0) << "the type of the view's first child";
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes) + 20, 16), std::string(16, '\0'));
    GlobalUnlock(medium.hGlobal);
    ReleaseStgMedium(&medium);
    object->Release();
}

TEST_F(ResultSide, MultiSelectionNeedsAViewWithChildren) {
    IDataObject* object = reinterpret_cast<IDataObject*>(1);
    EXPECT_EQ(view->QueryDataObject(MMC_MULTI_SELECT_COOKIE, CCT_RESULT, &object), E_FAIL);
    EXPECT_EQ(object, nullptr);
    LPOLESTR type = nullptr;
    long options = 0;
    view->GetResultViewType(CookieOf(container), &type, &options); // no children made yet
    EXPECT_EQ(view->QueryDataObject(MMC_MULTI_SELECT_COOKIE, CCT_RESULT, &object), E_FAIL);
}

TEST_F(ResultSide, OneSelectedItemSaysSoInTheStatusBar) {
    SelectContainer();
    IDataObject* object = ItemObject(Child(1));
    EXPECT_EQ(console.LastStatus(), L"1 Item Selected");
    EXPECT_EQ(CDataObject::NodeOf(object), Child(1));
    EXPECT_EQ(CDataObject::FromDataObject(object)->ObjectType(), CCT_RESULT);
    object->Release();
}

TEST_F(ResultSide, OwnerDataCookiesAreIndexesOfTheViewsChildren) {
    container->SetOwnerData();
    SelectContainer();
    IDataObject* object = nullptr;
    ASSERT_EQ(view->QueryDataObject(2, CCT_RESULT, &object), S_OK);
    EXPECT_EQ(CDataObject::NodeOf(object), Child(2));
    object->Release();
    ASSERT_EQ(view->QueryDataObject(0, CCT_RESULT, &object), S_OK);
    EXPECT_EQ(CDataObject::NodeOf(object), Child(0)) << "in an owner-data list 0 is the first item";
    object->Release();
    EXPECT_EQ(view->QueryDataObject(3, CCT_RESULT, &object), E_FAIL);
}

TEST_F(ResultSide, ListTextsComeFromTheItemsNodeOrTheViewsVirtualItems) {
    SelectContainer();
    Child(0)->columns = {L"12 MB"};
    RESULTDATAITEM item{};
    item.mask = RDI_STR | RDI_IMAGE;
    item.nCol = 1;
    item.lParam = CookieOf(Child(0));
    EXPECT_EQ(view->GetDisplayInfo(&item), S_OK);
    EXPECT_STREQ(item.str, L"12 MB");

    RESULTDATAITEM virtualItem{};
    virtualItem.mask = RDI_STR;
    EXPECT_EQ(view->GetDisplayInfo(&virtualItem), S_OK);
    EXPECT_STREQ(virtualItem.str, L"virtual");
    EXPECT_EQ(fake::Log().back(), "folder.GetVirtualItemInfo");
}

TEST_F(ResultSide, MultiSelectionIsSelectedOnlyAsResultItems) {
    SelectContainer();
    console.listedItems = {{CookieOf(Child(1)), LVIS_SELECTED}, {CookieOf(Child(2)), LVIS_SELECTED}};
    IDataObject* object = nullptr;
    view->QueryDataObject(MMC_MULTI_SELECT_COOKIE, CCT_RESULT, &object);
    fake::Log().clear();
    EXPECT_EQ(view->Notify(object, MMCN_SELECT, MAKELONG(1, 1), 0), S_FALSE);
    EXPECT_TRUE(fake::Log().empty());
    EXPECT_EQ(view->Notify(object, MMCN_SELECT, MAKELONG(0, 1), 0), S_OK);
    EXPECT_EQ(fake::Log(), std::vector<std::string>{"y.OnSelect(0,1)"});

    fake::Log().clear();
    view->Notify(object, MMCN_DELETE, 0, 0);
    EXPECT_EQ(fake::Log(), (std::vector<std::string>{"y.OnDelete", "z.OnDelete"}));
    object->Release();
}

TEST_F(ResultSide, HidingAViewLeavesTheShownNodeAndStillTellsTheNode) {
    SelectContainer();
    EXPECT_EQ(Snapins::CComponent::ShownNode(), container);
    IDataObject* object = nullptr;
    snapin->QueryDataObject(0, CCT_SCOPE, &object);
    fake::Log().clear();
    EXPECT_EQ(view->Notify(object, MMCN_SHOW, FALSE, 1), S_FALSE);
    EXPECT_EQ(fake::Log(), std::vector<std::string>{"root.OnShow"});
    EXPECT_EQ(Snapins::CComponent::ShownNode(), container);
    object->Release();
}

TEST_F(ResultSide, ViewChangeReselectsOrRedrawsAndNeedsNoNode) {
    EXPECT_EQ(view->Notify(nullptr, MMCN_VIEW_CHANGE, 55, 1), S_OK);
    EXPECT_EQ(console.selectedScopeItems, std::vector<HSCOPEITEM>{55});
    view->Notify(nullptr, MMCN_VIEW_CHANGE, 9, 2);
    EXPECT_EQ(console.updatedResultItems, std::vector<HRESULTITEM>{9});
    EXPECT_EQ(view->Notify(nullptr, MMCN_VIEW_CHANGE, 9, 3), S_FALSE);
}

TEST_F(ResultSide, NotificationWithoutDataObjectGoesToTheViewsNode) {
    EXPECT_EQ(view->Notify(nullptr, MMCN_REFRESH, 0, 0), S_FALSE) << "no view node yet";
    SelectContainer();
    fake::Log().clear();
    ForeignDataObject foreign;
    view->Notify(&foreign, MMCN_REFRESH, 0, 0);
    EXPECT_EQ(fake::Log().front(), "folder.OnRefresh");
}

TEST_F(ResultSide, RefusedPasteStillEnds) {
    SelectContainer();
    IDataObject* source = ItemObject(Child(0));
    fake::Log().clear();
    container->beginPasteResult = E_FAIL;
    container->endPasteResult = S_FALSE;
    EXPECT_EQ(view->Notify(nullptr, MMCN_PASTE, reinterpret_cast<LPARAM>(source), 0), S_FALSE);
    EXPECT_EQ(fake::Log(), (std::vector<std::string>{"folder.OnBeginPaste(1)", "folder.OnEndPaste"}));
    source->Release();
}

TEST_F(ResultSide, PasteHandsBackWhatToRemoveAndRefreshesTheTarget) {
    SelectContainer();
    auto* elsewhere = new Node(L"elsewhere", false);
    snapin->root()->AddChild(elsewhere, true);
    IDataObject* source = ItemObject(elsewhere);
    size_t updates = console.viewUpdates.size();
    fake::Log().clear();

    IDataObject* removed = nullptr;
    EXPECT_EQ(view->Notify(nullptr, MMCN_PASTE, reinterpret_cast<LPARAM>(source),
                           reinterpret_cast<LPARAM>(&removed)),
              S_OK);
    EXPECT_EQ(fake::Log(),
              (std::vector<std::string>{"folder.OnBeginPaste(1)", "folder.OnPaste", "folder.OnEndPaste"}));
    EXPECT_EQ(container->pasted, std::vector<CBaseNode*>{elsewhere});
    ASSERT_NE(removed, nullptr);
    EXPECT_EQ(CDataObject::NodeOf(removed), elsewhere);
    EXPECT_EQ(CDataObject::FromDataObject(removed)->ObjectType(), CCT_RESULT);
    ASSERT_EQ(console.viewUpdates.size(), updates + 1);
    EXPECT_EQ(console.viewUpdates.back(), std::make_pair(LPARAM(55), LONG_PTR(1)));

    // The console then tells the source side that the items moved away.
    fake::Log().clear();
    EXPECT_EQ(view->Notify(nullptr, MMCN_CUTORMOVE, reinterpret_cast<LPARAM>(removed), 0), S_OK);
    EXPECT_EQ(fake::Log(), std::vector<std::string>{"elsewhere.OnDelete"});
    EXPECT_EQ(console.viewUpdates.back(), std::make_pair(LPARAM(55), LONG_PTR(1)));
    removed->Release();
    source->Release();
}

TEST_F(ResultSide, FilterValueIsReadAsTextThenAsNumber) {
    SelectContainer();
    fake::Log().clear();
    console.filterNumber = 12;
    view->Notify(nullptr, MMCN_FILTER_CHANGE, MFCC_VALUE_CHANGE, 1);
    EXPECT_EQ(console.filterTypesAsked, (std::vector<DWORD>{MMC_STRING_FILTER, MMC_INT_FILTER}));
    EXPECT_EQ(fake::Log().front(), "folder.OnFilterChange(2,,12)");

    fake::Log().clear();
    console.filterTypesAsked.clear();
    console.filterText = L"west";
    view->Notify(nullptr, MMCN_FILTER_CHANGE, MFCC_VALUE_CHANGE, 1);
    EXPECT_EQ(console.filterTypesAsked, std::vector<DWORD>{MMC_STRING_FILTER});
    EXPECT_EQ(fake::Log().front(), "folder.OnFilterChange(2,west,0)");
}

TEST_F(ResultSide, SortingComparesTheItemsNodesAndRefusesStaleCookies) {
    SelectContainer();
    auto* compare = static_cast<IResultDataCompareEx*>(component);
    RDITEMHDR first{0, CookieOf(Child(2)), 0}, second{0, CookieOf(Child(0)), 0};
    RDCOMPARE record{sizeof(RDCOMPARE), 0, 0, 0, &first, &second};
    int result = 0;
    EXPECT_EQ(compare->Compare(&record, &result), S_OK);
    EXPECT_EQ(result, 1) << "z after x";
    auto* gone = new Node(L"gone");
    delete gone;
    second.cookie = CookieOf(gone);
    EXPECT_EQ(compare->Compare(&record, &result), E_INVALIDARG);
}

TEST_F(ResultSide, ToolbarIsMadeThroughTheControlbarAndButtonsReachTheNode) {
    SelectContainer();
    auto* extend = static_cast<IExtendControlbar*>(component);
    Controlbar bar;
    EXPECT_EQ(extend->SetControlbar(&bar), S_OK);
    EXPECT_GT(bar.toolbar.refs, 1) << "the view keeps its toolbar";
    IDataObject* object = ItemObject(Child(0));
    fake::Log().clear();
    EXPECT_EQ(extend->ControlbarNotify(MMCN_BTN_CLICK, reinterpret_cast<LPARAM>(object), 40003), S_OK);
    EXPECT_EQ(fake::Log(), std::vector<std::string>{"x.OnToolbarCommand(40003)"});
    EXPECT_EQ(extend->SetControlbar(nullptr), S_OK);
    EXPECT_EQ(bar.toolbar.refs, 1);
    EXPECT_EQ(bar.refs, 1);
    object->Release();
}

TEST_F(ResultSide, ContextHelpAndMenusReachTheNode) {
    SelectContainer();
    IDataObject* object = ItemObject(Child(1));
    EXPECT_EQ(view->Notify(object, MMCN_CONTEXTHELP, 0, 0), S_OK);
    EXPECT_EQ(console.helpTopics, std::vector<std::wstring>{L"test.chm::y.htm"});
    auto* menu = static_cast<IExtendContextMenu*>(component);
    fake::Log().clear();
    EXPECT_EQ(menu->Command(40010, object), S_OK);
    EXPECT_EQ(fake::Log(), std::vector<std::string>{"y.OnMenuCommand(40010,component,-)"});
    EXPECT_EQ(menu->Command(40010, nullptr), S_OK);
    EXPECT_EQ(fake::Log().size(), 1u);
    object->Release();
}

} // namespace
