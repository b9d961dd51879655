// The node model: children made on first expansion or display and inserted once, the list and the
// status bar filled from them, refresh and deletion, menus and toolbars from tables, sorting by text,
// the verbs and wizard pictures a node declares, and the list of live nodes that cookies are checked
// against.
#include <gtest/gtest.h>

#include <fstream>
#include <span>
#include <sstream>

#include "../../tavrosk/resources/resource.h"
#include "fake_console.h"
#include "test_support.h"
#include "snapins/module.h"

namespace {

using fake::Node;

class NodeModel : public ::testing::Test {
protected:
    void SetUp() override { fake::Log().clear(); }
    fake::Console console;
};

TEST_F(NodeModel, DuplicateChildIsRefusedOnlyWhenAsked) {
    Node parent(L"parent");
    auto* child = new Node(L"child");
    parent.AddChild(child, true);
    try {
        parent.AddChild(child, true);
        FAIL() << "a duplicate was accepted";
    } catch (const std::invalid_argument& error) {
        EXPECT_STREQ(error.what(), "Child already in collection");
    }
    EXPECT_EQ(parent.ChildCount(), 1u);
    EXPECT_EQ(child->Parent(), &parent);

    parent.AddChild(child, false);
    EXPECT_EQ(parent.ChildCount(), 2u);
    parent.RemoveChild(nullptr, child); // the first of the two goes; the second is deleted with the parent
    EXPECT_EQ(parent.ChildCount(), 1u);
    EXPECT_EQ(parent.GetChild(0), child);
    EXPECT_EQ(parent.GetChild(1), nullptr);
}

TEST_F(NodeModel, ExpandingInsertsScopeChildrenOnceWithTheirImagesAndParent) {
    Node parent(L"parent");
    parent.makeChildren = {{L"a", true}, {L"b", true}};
    ASSERT_EQ(parent.OnExpand(&console, &console, 7), S_OK);
    ASSERT_EQ(console.scopeItems.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        const SCOPEDATAITEM& item = console.scopeItems[i];
        EXPECT_EQ(item.mask, DWORD(SDI_STR | SDI_IMAGE | SDI_OPENIMAGE | SDI_PARAM));
        EXPECT_EQ(item.displayname, MMC_CALLBACK);
        EXPECT_EQ(item.relativeID, 7);
        EXPECT_EQ(item.lParam, reinterpret_cast<LPARAM>(parent.GetChild(static_cast<unsigned>(i))));
        EXPECT_EQ(parent.GetChild(static_cast<unsigned>(i))->ScopeItem(), item.ID);
    }
    EXPECT_EQ(console.LastStatus(), L"2 Items");

    parent.OnExpand(&console, &console, 7);
    parent.OnShow(&console, TRUE, 7);
    EXPECT_EQ(console.scopeItems.size(), 2u) << "inserted children are not inserted again";
    EXPECT_EQ(parent.createChildrenCalls, 1);

    Node leafParent(L"leaves");
    leafParent.SetChildrenHaveNoChildren();
    leafParent.makeChildren = {{L"leaf", true}};
    leafParent.OnExpand(&console, &console, 8);
    EXPECT_EQ(console.scopeItems.back().mask, 0x6Eu) << "no expand button on children without children";
    EXPECT_EQ(console.scopeItems.back().cChildren, 0);
}

TEST_F(NodeModel, RefusedScopeInsertIsOfferedAgainNextTime) {
    Node parent(L"parent");
    parent.makeChildren = {{L"a", true}};
    console.failScopeInsert = true;
    parent.OnExpand(&console, &console, 7);
    EXPECT_FALSE(parent.GetChild(0)->InsertedInScope());
    console.failScopeInsert = false;
    parent.OnExpand(&console, &console, 7);
    EXPECT_EQ(console.scopeItems.size(), 1u);
    EXPECT_TRUE(parent.GetChild(0)->InsertedInScope());
}

TEST_F(NodeModel, ResultChildrenAreListedWhenShownNotWhenExpanded) {
    Node parent(L"parent");
    parent.makeChildren = {{L"x", false}, {L"y", false}};
    parent.OnExpand(&console, &console, 7);
    EXPECT_TRUE(console.scopeItems.empty());
    EXPECT_TRUE(console.statusTexts.empty());

    EXPECT_EQ(parent.OnShow(&console, TRUE, 7), S_OK);
    EXPECT_EQ(console.clears, 1);
    EXPECT_EQ(console.itemCounts, std::vector<int>{2});
    ASSERT_EQ(console.resultItems.size(), 2u);
    for (int i = 0; i < 2; ++i) {
        const RESULTDATAITEM& item = console.resultItems[i];
        EXPECT_EQ(item.mask, DWORD(RDI_STR | RDI_IMAGE | RDI_PARAM | RDI_INDEX));
        EXPECT_EQ(item.str, MMC_CALLBACK);
        EXPECT_EQ(item.nIndex, i);
        EXPECT_EQ(item.lParam, reinterpret_cast<LPARAM>(parent.GetChild(i)));
        EXPECT_EQ(parent.GetChild(i)->ResultItem(), item.itemID);
    }
    EXPECT_EQ(console.LastStatus(), L"2 Items");

    EXPECT_EQ(parent.OnShow(&console, FALSE, 7), S_FALSE);
    EXPECT_EQ(console.clears, 1) << "leaving the result pane changes nothing";
}

TEST_F(NodeModel, OwnerDataListGetsItsCountButNoItems) {
    Node parent(L"parent");
    parent.SetOwnerData();
    parent.makeChildren = {{L"x", false}, {L"y", false}, {L"z", false}};
    parent.OnShow(&console, TRUE, 7);
    EXPECT_EQ(console.itemCounts, std::vector<int>{3});
    EXPECT_TRUE(console.resultItems.empty());
    LPOLESTR viewType = reinterpret_cast<LPOLESTR>(1);
    long options = 0;
    EXPECT_EQ(parent.GetResultViewType(&viewType, &options), S_FALSE);
    EXPECT_EQ(viewType, nullptr);
    EXPECT_EQ(options, MMC_VIEW_OPTIONS_OWNERDATALIST);
}

TEST_F(NodeModel, RefreshDeletesChildrenAndTheirItemsAndTheViewMakesThemAnew) {
    Node parent(L"parent");
    parent.SetScopeItem(7);
    parent.makeChildren = {{L"a", true}, {L"b", true}, {L"c", true}};
    parent.OnExpand(&console, &console, 7);
    std::vector<Snapins::CBaseNode*> old(parent.ChildrenBegin(), parent.ChildrenEnd());
    std::vector<HSCOPEITEM> oldItems;
    for (auto* child : old)
        oldItems.push_back(child->ScopeItem());

    EXPECT_EQ(parent.OnRefresh(&console), S_OK);
    EXPECT_EQ(console.deletedScopeItems, oldItems);
    for (auto* child : old)
        EXPECT_FALSE(Snapins::CBaseNode::IsLive(child));
    EXPECT_EQ(parent.ChildCount(), 0u);
    ASSERT_EQ(console.viewUpdates.size(), 1u);
    EXPECT_EQ(console.viewUpdates[0], std::make_pair(LPARAM(7), LONG_PTR(1)));

    // The view selects the node again: it is shown, and its children come back.
    parent.OnShow(&console, TRUE, 7);
    EXPECT_EQ(parent.createChildrenCalls, 2);
    EXPECT_EQ(parent.ChildCount(), 3u);
    EXPECT_EQ(console.scopeItems.size(), 6u);
}

TEST_F(NodeModel, RefreshGoesOnPastAChildWhoseItemCannotBeDeleted) {
    Node parent(L"parent");
    parent.makeChildren = {{L"a", true}, {L"b", true}};
    parent.OnExpand(&console, &console, 7);
    auto* first = parent.GetChild(0);
    auto* second = parent.GetChild(1);
    console.throwOnDeleteOf = first->ScopeItem();

    parent.OnRefresh(&console);
    EXPECT_FALSE(Snapins::CBaseNode::IsLive(first)) << "the child goes even when its item could not";
    EXPECT_FALSE(Snapins::CBaseNode::IsLive(second));
    EXPECT_EQ(console.deletedScopeItems.size(), 1u);
    std::ifstream log(tvtest::Prefix() + "/debug.log");
    std::stringstream text;
    text << log.rdbuf();
    EXPECT_NE(text.str().find("Unexpected Error"), std::string::npos);
}

TEST_F(NodeModel, DeletingAScopeItemRemovesTheNodeOnlyWhenTheConsoleDid) {
    Node parent(L"parent");
    parent.SetScopeItem(7);
    parent.makeChildren = {{L"a", true}, {L"b", true}};
    parent.OnExpand(&console, &console, 7);
    auto* child = parent.GetChild(0);

    console.failScopeDelete = true;
    child->DeleteScopeItem(&console);
    EXPECT_TRUE(Snapins::CBaseNode::IsLive(child));
    EXPECT_EQ(parent.ChildCount(), 2u);

    console.failScopeDelete = false;
    HSCOPEITEM item = child->ScopeItem();
    EXPECT_EQ(child->DeleteScopeItem(&console), S_OK);
    EXPECT_FALSE(Snapins::CBaseNode::IsLive(child));
    EXPECT_EQ(parent.ChildCount(), 1u);
    EXPECT_EQ(console.deletedScopeItems, std::vector<HSCOPEITEM>{item});
    ASSERT_EQ(console.viewUpdates.size(), 2u);
    EXPECT_EQ(console.viewUpdates[1], std::make_pair(LPARAM(7), LONG_PTR(1)));
}

TEST_F(NodeModel, DeletingAResultItemRemovesTheNodeOnlyWhenTheConsoleDid) {
    Node parent(L"parent");
    parent.makeChildren = {{L"x", false}};
    parent.OnShow(&console, TRUE, 7);
    auto* child = parent.GetChild(0);
    console.failResultDelete = true;
    EXPECT_EQ(child->DeleteResultItem(&console), E_FAIL);
    EXPECT_TRUE(Snapins::CBaseNode::IsLive(child));

    console.failResultDelete = false;
    HRESULTITEM item = child->ResultItem();
    EXPECT_EQ(child->DeleteResultItem(&console), S_OK);
    EXPECT_FALSE(Snapins::CBaseNode::IsLive(child));
    EXPECT_EQ(parent.ChildCount(), 0u);
    EXPECT_EQ(console.deletedResultItems, std::vector<HRESULTITEM>{item});
}

TEST_F(NodeModel, ColumnTextsCompareUnderTheLocaleCollation) {
    Node a(L"Sales"), b(L"Sales"), c(L"Archive");
    int order = 5;
    EXPECT_EQ(a.CompareResultItems(&b, 0, &order), S_OK);
    EXPECT_EQ(order, 0);
    a.CompareResultItems(&c, 0, &order);
    EXPECT_EQ(order, 1);
    c.CompareResultItems(&a, 0, &order);
    EXPECT_EQ(order, -1);
    a.columns = {L"10 MB"};
    c.columns = {L"2 MB"};
    a.CompareResultItems(&c, 1, &order);
    EXPECT_EQ(order, -1) << "the base compares column text, not numbers";
}

TEST_F(NodeModel, MenuTableAddsOnlyAllowedItemsWithTheirTexts) {
    const Snapins::SNAPINMENUITEM table[] = {
        {5, 35, 40001, CCM_INSERTIONPOINTID_PRIMARY_TOP, 0, 0},
        {5, 35, 40002, CCM_INSERTIONPOINTID_PRIMARY_NEW, 0, 0},
        {5, 35, 40003, CCM_INSERTIONPOINTID_PRIMARY_TASK, 0, 0},
        {0, 35, 40004, 40001, 0, 0}, // an item of a submenu of the snap-in's own, with no text
        {0, 0, 0, 0, 0, 0},
    };
    Node node(L"node");
    fake::MenuCallback menu;
    long allowed = CCM_INSERTIONALLOWED_TOP;
    EXPECT_EQ(node.AddMenuItemsFromTable(&menu, table, &allowed), S_OK);
    EXPECT_EQ(menu.commands, (std::vector<LONG>{40001, 40004}));
    EXPECT_EQ(menu.names[0], L"Korvath Console");
    EXPECT_EQ(menu.statusTexts[0], L"Items");
    EXPECT_EQ(menu.names[1], L"");
    EXPECT_EQ(menu.statusTexts[1], L"") << "no name id: no status text either";

    fake::MenuCallback failing;
    failing.failAt = 0;
    allowed = CCM_INSERTIONALLOWED_TOP | CCM_INSERTIONALLOWED_NEW | CCM_INSERTIONALLOWED_TASK;
    EXPECT_EQ(node.AddMenuItemsFromTable(&failing, table, &allowed), E_FAIL);
    EXPECT_TRUE(failing.commands.empty()) << "the walk stops at the first failure";

    const Snapins::SNAPINMENUITEM empty[] = {{0, 0, 0, 0, 0, 0}};
    EXPECT_EQ(node.AddMenuItemsFromTable(&menu, empty, &allowed), S_FALSE);
}

TEST_F(NodeModel, ToolbarTableInsertsButtonsAndDeletesEveryOne) {
    const Snapins::SNAPINTOOLBARBUTTON table[] = {
        {0, 40001, 0x104, TBSTYLE_BUTTON, 5, 35},
        {1, 40002, TBSTATE_ENABLED, TBSTYLE_BUTTON, 35, 5},
        {2, 40003, TBSTATE_ENABLED, TBSTYLE_BUTTON, 5, 5},
        {0, 0, 0, 0, 0, 0},
    };
    Node node(L"node");
    fake::Toolbar toolbar;
    EXPECT_EQ(node.SetToolbarButtons(&toolbar, table, true), S_OK);
    ASSERT_EQ(toolbar.buttons.size(), 3u);
    EXPECT_EQ(toolbar.buttons[0].text, L"Korvath Console");
    EXPECT_EQ(toolbar.buttons[0].tooltip, L"Items");
    EXPECT_EQ(toolbar.buttons[0].state, 0x04) << "only the low byte of the state";
    EXPECT_EQ(toolbar.buttons[2].command, 40003);

    EXPECT_EQ(node.SetToolbarButtons(&toolbar, table, false), S_OK);
    EXPECT_TRUE(toolbar.buttons.empty()) << "every button of the table is removed";
}

TEST_F(NodeModel, ProgressShowsTextAndPercentInTheStatusBar) {
    Node node(L"node");
    EXPECT_EQ(node.ShowProgress(&console, 40, 35), S_OK);
    EXPECT_EQ(console.LastStatus(), L"Items|%40");
    node.ShowProgress(&console, 7, 0);
    EXPECT_EQ(console.LastStatus(), L"|%7");
    console.hasConsole2 = false;
    EXPECT_EQ(node.ShowProgress(&console, 50, 35), S_OK);
    EXPECT_EQ(console.statusTexts.size(), 2u);
}

// A node that declares its verbs and wizard pictures as data, as the snap-in's nodes do.
class DeclaringNode : public Node {
public:
    DeclaringNode() : Node(L"declaring") {}
    void Declare(std::span<const Snapins::SNAPINVERB> verbs,
                 std::span<const Snapins::SNAPINWIZARDPICTURES> pictures) {
        m_verbs = verbs;
        m_wizardPictures = pictures;
    }
    void RunningWizard(int selector) { m_wizardSelector = selector; }
    HRESULT OnSelect(IConsole* console, BOOL scope, BOOL select) override {
        return CBaseNode::OnSelect(console, scope, select);
    }
};

TEST_F(NodeModel, SelectionSetsTheDeclaredVerbsInTheirOrderAndAnswersTheLastResult) {
    class VerbConsole : public fake::Console {
    public:
        fake::Verbs verbs;
        STDMETHODIMP QueryConsoleVerb(LPCONSOLEVERB* out) override { return *out = &verbs, S_OK; }
    } console;
    const Snapins::SNAPINVERB verbs[] = {
        {Snapins::kEnableVerb, MMC_VERB_REFRESH},
        {Snapins::kDefaultVerb, MMC_VERB_PROPERTIES},
        {Snapins::kEnableVerb, MMC_VERB_DELETE},
    };
    DeclaringNode node;
    EXPECT_EQ(node.OnSelect(&console, TRUE, TRUE), S_FALSE) << "a node without verbs leaves them alone";
    EXPECT_TRUE(console.verbs.calls.empty());

    node.Declare(verbs, {});
    EXPECT_EQ(node.OnSelect(&console, TRUE, FALSE), S_FALSE);
    EXPECT_TRUE(console.verbs.calls.empty()) << "leaving a node changes no verb";
    EXPECT_EQ(node.OnSelect(nullptr, TRUE, TRUE), E_POINTER);

    console.verbs.failAt = 1; // a failing step does not stop the later ones; only the last one answers
    EXPECT_EQ(node.OnSelect(&console, TRUE, TRUE), S_OK);
    EXPECT_EQ(console.verbs.calls, (std::vector<std::string>{"enable " + std::to_string(MMC_VERB_REFRESH),
                                                             "default " + std::to_string(MMC_VERB_PROPERTIES),
                                                             "enable " + std::to_string(MMC_VERB_DELETE)}));
    console.verbs.calls.clear();
    console.verbs.failAt = 2;
    EXPECT_EQ(node.OnSelect(&console, TRUE, TRUE), E_FAIL);
}

TEST_F(NodeModel, WizardPicturesFollowTheWizardBeingRun) {
    const Snapins::SNAPINWIZARDPICTURES pictures[] = {{0, 0, TRUE},
                                                      {IDB_SMALL_IMAGES, IDB_LARGE_IMAGES, FALSE}};
    DeclaringNode node;
    HBITMAP watermark = nullptr, header = nullptr;
    HPALETTE palette = reinterpret_cast<HPALETTE>(1);
    BOOL stretch = FALSE;
    EXPECT_EQ(node.GetWatermarks(&watermark, &header, &palette, &stretch), S_FALSE) << "none declared";

    node.Declare({}, pictures);
    EXPECT_EQ(node.GetWatermarks(&watermark, &header, &palette, &stretch), S_OK);
    EXPECT_EQ(watermark, nullptr) << "no wizard runs: the first row, which has none";
    EXPECT_EQ(header, nullptr);
    EXPECT_EQ(palette, nullptr);
    EXPECT_TRUE(stretch);

    for (int selector : {1, 5}) { // a selector past the rows takes the last one
        node.RunningWizard(selector);
        EXPECT_EQ(node.GetWatermarks(&watermark, &header, nullptr, &stretch), S_OK);
        EXPECT_NE(watermark, nullptr);
        EXPECT_NE(header, nullptr);
        EXPECT_FALSE(stretch);
        HBITMAP again = nullptr;
        node.GetWatermarks(&again, nullptr, nullptr, nullptr);
        EXPECT_EQ(again, watermark) << "a picture is loaded once and kept";
    }
}

} // namespace

TEST(SnapinModuleLocale, AUserLocaleTheMachineLacksFallsBackToTheClassicOne) {
    const char* saved = getenv("LC_ALL");
    std::string previous = saved ? saved : "";
    setenv("LC_ALL", "xx_XX.UTF-8", 1);
    std::string name;
    EXPECT_NO_THROW(name = Snapins::CSnapinModule().locale.name());
    saved ? setenv("LC_ALL", previous.c_str(), 1) : unsetenv("LC_ALL");
    EXPECT_EQ(name, "C");
}
