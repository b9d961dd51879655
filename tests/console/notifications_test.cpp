// What the console tells the snap-in, and in which order, when a person expands, selects, refreshes,
// deletes, renames, sorts or opens a menu; checked against the log of the test snap-in.
#include "console_fixture.h"
#include "posted_script.h"

using Strings = std::vector<std::string>;

namespace {
const std::initializer_list<const char*> kNotifications = {"C.Notify", "CD.Notify", "C.GetResultViewType",
                                                           "CB."};
} // namespace

TEST_F(ConsoleTest, StaticNodeTakesTheNameItsDataObjectRenders) {
    EXPECT_EQ(console->DisplayName(root), L"Test Root") << "not the registered name";
    EXPECT_EQ(Entries({"CD.Initialize", "C.Initialize", "C.SetControlbar"}),
              (Strings{"CD.Initialize", "C.Initialize", "C.SetControlbar set"}));
}

TEST_F(ConsoleTest, ExpandingSendsExpandOnceWithTheItemsHandle) {
    Log().clear();
    ASSERT_EQ(View().ExpandScopeItem(root), S_OK);
    EXPECT_EQ(Entries(kNotifications), Strings{"CD.Notify EXPAND Test Root arg=1"});
    EXPECT_EQ(Snapin().root.scopeItem, root) << "the static node's handle comes with its expansion";
    std::vector<std::wstring> names;
    for (HSCOPEITEM child : console->Children(root))
        names.push_back(console->DisplayName(child));
    EXPECT_EQ(names, (std::vector<std::wstring>{L"Folder A", L"Virtual", L"Notice"}));

    View().ExpandScopeItem(root, false);
    View().ExpandScopeItem(root);
    View().SelectScopeItem(root);
    EXPECT_EQ(Entries({"CD.Notify EXPAND"}).size(), 1u) << "a scope item is expanded for the snap-in once";
    EXPECT_FALSE(console->HasExpandButton(Item(L"Folder A/Sub 1"))) << "inserted as having no children";
    EXPECT_TRUE(console->HasExpandButton(Item(L"Folder A/Sub 2")));
}

TEST_F(ConsoleTest, SelectingAScopeItemShowsItBeforeSayingItIsSelected) {
    View().SelectScopeItem(root);
    HSCOPEITEM folder = Item(L"Folder A");
    Log().clear();
    ASSERT_EQ(View().SelectScopeItem(folder), S_OK);
    EXPECT_EQ(Entries(kNotifications), (Strings{
                                           "C.Notify SELECT Test Root scope=1 select=0",
                                           "CB.SELECT Test Root scope=1 select=0",
                                           "C.Notify SHOW Test Root arg=0",
                                           "CD.Notify EXPAND Folder A arg=1",
                                           "C.GetResultViewType Folder A",
                                           "C.Notify ADD_IMAGES Folder A",
                                           "C.Notify SHOW Folder A arg=1",
                                           "C.Notify SELECT Folder A scope=1 select=1",
                                           "CB.SELECT Folder A scope=1 select=1",
                                       }));
    EXPECT_EQ(Rows(), (std::vector<std::wstring>{L"Sub 1|first", L"Sub 2|second", L"Item 1|30", L"Item 2|9",
                                                 L"Item 3|100"}))
        << "the scope children come first, then the snap-in's rows";
    EXPECT_EQ(View().Status().left, L"5 Items");
    EXPECT_TRUE(View().Verbs().IsAvailable(MMC_VERB_REFRESH));
    EXPECT_FALSE(View().Verbs().IsAvailable(MMC_VERB_PROPERTIES));
}

TEST_F(ConsoleTest, SelectingARowTellsTheViewsComponentWithTheRowsDataObject) {
    View().SelectScopeItem(Item(L"Folder A"));
    Log().clear();
    ASSERT_EQ(View().SelectRows({RowIndex(L"Item 2")}), S_OK);
    EXPECT_EQ(Entries(kNotifications), (Strings{
                                           "C.Notify SELECT Folder A scope=1 select=0",
                                           "CB.SELECT Folder A scope=1 select=0",
                                           "C.Notify SELECT Item 2 scope=0 select=1",
                                           "CB.SELECT Item 2 scope=0 select=1",
                                       }));
    EXPECT_TRUE(View().Verbs().IsAvailable(MMC_VERB_DELETE));
    EXPECT_EQ(View().Verbs().defaultVerb, MMC_VERB_PROPERTIES);
    EXPECT_FALSE(View().Verbs().IsAvailable(MMC_VERB_REFRESH)) << "verbs start over with every selection";

    Log().clear();
    View().SelectRows({RowIndex(L"Sub 1")});
    EXPECT_EQ(Entries({"C.Notify SELECT"}),
              (Strings{"C.Notify SELECT Item 2 scope=0 select=0", "C.Notify SELECT Sub 1 scope=1 select=1"}))
        << "a scope item chosen in the list is a scope item to the snap-in";
}

TEST_F(ConsoleTest, RefreshGoesToTheComponentAndTheNodeIsShownAnew) {
    HSCOPEITEM folder = Item(L"Folder A");
    View().SelectScopeItem(folder);
    std::vector<HSCOPEITEM> before = console->Children(folder);
    ASSERT_EQ(before.size(), 2u);
    Log().clear();
    ASSERT_EQ(View().InvokeVerb(MMC_VERB_REFRESH), S_OK);
    EXPECT_EQ(Entries(kNotifications), (Strings{
                                           "C.Notify REFRESH Folder A",
                                           "C.Notify VIEW_CHANGE hint=1",
                                           "C.Notify SELECT Folder A scope=1 select=0",
                                           "CB.SELECT Folder A scope=1 select=0",
                                           "C.Notify SHOW Folder A arg=0",
                                           "C.GetResultViewType Folder A",
                                           "C.Notify ADD_IMAGES Folder A",
                                           "C.Notify SHOW Folder A arg=1",
                                           "C.Notify SELECT Folder A scope=1 select=1",
                                           "CB.SELECT Folder A scope=1 select=1",
                                       }));
    std::vector<HSCOPEITEM> after = console->Children(folder);
    ASSERT_EQ(after.size(), 2u) << "the children are inserted again when the node is shown";
    EXPECT_NE(after[0], before[0]);
    EXPECT_FALSE(console->Exists(before[0])) << "the old handles name nothing";
    EXPECT_EQ(Rows().size(), 5u);
}

TEST_F(ConsoleTest, AVerbThatIsNotOnIsRefusedWithoutTellingTheSnapin) {
    View().SelectScopeItem(Item(L"Notice"));
    Log().clear();
    EXPECT_EQ(View().InvokeVerb(MMC_VERB_REFRESH), E_ACCESSDENIED);
    EXPECT_EQ(View().InvokeVerb(MMC_VERB_DELETE), E_ACCESSDENIED);
    EXPECT_EQ(View().Rename(L"Anything"), E_ACCESSDENIED);
    EXPECT_TRUE(Entries({"C.Notify", "CD.Notify"}).empty());
}

class DeleteTest : public ConsoleTest {
    void Describe(TestSnapin::Control& control) override {
        control.root.Find(L"Folder A/Sub 2")->verbs = {MMC_VERB_DELETE};
    }
};

TEST_F(DeleteTest, DeletingTheSelectedScopeItemSelectsItsParent) {
    HSCOPEITEM folder = Item(L"Folder A");
    HSCOPEITEM sub = Item(L"Folder A/Sub 2");
    View().SelectScopeItem(sub);
    Log().clear();
    ASSERT_EQ(View().InvokeVerb(MMC_VERB_DELETE), S_OK);
    EXPECT_EQ(Entries(kNotifications), (Strings{
                                           "C.Notify DELETE Sub 2",
                                           "C.Notify SELECT Sub 2 scope=1 select=0",
                                           "CB.SELECT Sub 2 scope=1 select=0",
                                           "C.Notify SHOW Sub 2 arg=0",
                                           "C.GetResultViewType Folder A",
                                           "C.Notify ADD_IMAGES Folder A",
                                           "C.Notify SHOW Folder A arg=1",
                                           "C.Notify SELECT Folder A scope=1 select=1",
                                           "CB.SELECT Folder A scope=1 select=1",
                                       }))
        << "the item hears it leaves while it still exists; its parent is selected afterwards";
    EXPECT_FALSE(console->Exists(sub));
    EXPECT_EQ(View().SelectedScopeItem(), folder);
    EXPECT_EQ(console->Children(folder).size(), 1u);
}

TEST_F(ConsoleTest, DeletingARowTakesItsSelectionAndVerbsAway) {
    View().SelectScopeItem(Item(L"Folder A"));
    View().SelectRows({RowIndex(L"Item 2")});
    Log().clear();
    ASSERT_EQ(View().InvokeVerb(MMC_VERB_DELETE), S_OK);
    EXPECT_EQ(Entries({"C.Notify"}), Strings{"C.Notify DELETE Item 2"});
    EXPECT_EQ(RowIndex(L"Item 2"), -1);
    EXPECT_EQ(Rows().size(), 4u);
    EXPECT_FALSE(View().ResultHasFocus());
    EXPECT_FALSE(View().Verbs().IsAvailable(MMC_VERB_DELETE)) << "nothing is selected that could be deleted";
    EXPECT_EQ(View().InvokeVerb(MMC_VERB_DELETE), E_ACCESSDENIED);
}

class MultiSelectTest : public ConsoleTest {
    void Describe(TestSnapin::Control& control) override {
        control.root.Find(L"Folder A")->viewOptions = MMC_VIEW_OPTIONS_MULTISELECT;
    }
};

TEST_F(MultiSelectTest, SeveralRowsAreOneMultiSelectionDataObject) {
    View().SelectScopeItem(Item(L"Folder A"));
    Log().clear();
    ASSERT_EQ(View().SelectRows({RowIndex(L"Item 1"), RowIndex(L"Item 3")}), S_OK);
    EXPECT_EQ(Entries({"C.Notify SELECT"}).back(), "C.Notify SELECT multi(Item 1,Item 3) scope=0 select=1");
    ASSERT_EQ(View().InvokeVerb(MMC_VERB_DELETE), S_OK);
    EXPECT_EQ(Rows(), (std::vector<std::wstring>{L"Sub 1|first", L"Sub 2|second", L"Item 2|9"}));
}

TEST_F(ConsoleTest, SeveralRowsOfASingleSelectionListAreRefused) {
    View().SelectScopeItem(Item(L"Folder A"));
    EXPECT_EQ(View().SelectRows({2, 3}), E_INVALIDARG);
    EXPECT_EQ(View().SelectRows({99}), E_INVALIDARG);
}

TEST_F(ConsoleTest, RenamingAScopeItemGoesToTheScopeSideAndARowToTheView) {
    HSCOPEITEM folder = Item(L"Folder A");
    View().SelectScopeItem(folder);
    Log().clear();
    EXPECT_EQ(View().Rename(L"Folder B"), S_OK);
    EXPECT_EQ(Entries({"C.Notify RENAME", "CD.Notify RENAME"}),
              Strings{"CD.Notify RENAME Folder A to=Folder B"});
    EXPECT_EQ(console->DisplayName(folder), L"Folder B");

    View().SelectRows({RowIndex(L"Item 1")});
    Log().clear();
    EXPECT_EQ(View().Rename(L"Item One"), S_OK);
    EXPECT_EQ(Entries({"C.Notify RENAME", "CD.Notify RENAME"}),
              Strings{"C.Notify RENAME Item 1 to=Item One"});
    EXPECT_NE(RowIndex(L"Item One"), -1);

    Snapin().root.Find(L"Folder B/Item 3")->acceptRename = false;
    View().SelectRows({RowIndex(L"Item 3")});
    EXPECT_EQ(View().Rename(L"Refused"), S_FALSE) << "the snap-in may refuse";
    EXPECT_NE(RowIndex(L"Item 3"), -1);
}

TEST_F(ConsoleTest, SortingTellsOfTheClickAndOrdersByTheSnapinsComparison) {
    View().SelectScopeItem(Item(L"Folder A"));
    Log().clear();
    ASSERT_EQ(View().Sort(1, false), S_OK);
    EXPECT_EQ(Entries({"C.Notify"}), Strings{"C.Notify COLUMN_CLICK column=1 options=0"});
    EXPECT_GT(Snapin().compareCalls, 0);
    EXPECT_EQ(Rows(), (std::vector<std::wstring>{L"Sub 1|first", L"Sub 2|second", L"Item 2|9", L"Item 1|30",
                                                 L"Item 3|100"}))
        << "by number, as the snap-in compares, not as text";
    ASSERT_EQ(View().Sort(1, true), S_OK);
    EXPECT_EQ(Rows()[2], L"Item 3|100");
    EXPECT_EQ(View().SortColumn(), 1);
    EXPECT_TRUE(View().SortDescending());
    EXPECT_EQ(View().Sort(2, false), E_INVALIDARG) << "there is no third column";
}

class TextSortTest : public ConsoleTest {
    void Describe(TestSnapin::Control& control) override {
        control.compare = TestSnapin::Control::Compare::None;
    }
};

class PlainCompareTest : public ConsoleTest {
    void Describe(TestSnapin::Control& control) override {
        control.compare = TestSnapin::Control::Compare::Plain;
    }
};

TEST_F(PlainCompareTest, TheOlderComparisonIsToldTheColumnThroughItsResult) {
    View().SelectScopeItem(Item(L"Folder A"));
    ASSERT_EQ(View().Sort(1, true), S_OK);
    EXPECT_GT(Snapin().compareCalls, 0);
    EXPECT_EQ(Rows(), (std::vector<std::wstring>{L"Sub 1|first", L"Sub 2|second", L"Item 3|100", L"Item 1|30",
                                                 L"Item 2|9"}));
    ASSERT_EQ(View().Sort(0, false), S_OK);
    EXPECT_EQ(Rows()[2], L"Item 1|30") << "column 0 compares by name";
}

TEST_F(TextSortTest, WithoutTheSnapinsComparisonRowsSortByTheirText) {
    View().SelectScopeItem(Item(L"Folder A"));
    ASSERT_EQ(View().Sort(1, false), S_OK);
    EXPECT_EQ(Snapin().compareCalls, 0);
    EXPECT_EQ(Rows(), (std::vector<std::wstring>{L"Sub 1|first", L"Sub 2|second", L"Item 3|100", L"Item 1|30",
                                                 L"Item 2|9"}));
}

// Menus
// --------------------------------------------------------------------------------------------------------

class MenuTest : public ConsoleTest {
    void Describe(TestSnapin::Control& control) override {
        const LONG top = static_cast<LONG>(CCM_INSERTIONPOINTID_PRIMARY_TOP);
        const LONG task = static_cast<LONG>(CCM_INSERTIONPOINTID_PRIMARY_TASK);
        control.root.Find(L"Folder A")->menu = {
            {L"&Backup Database...", L"Backs the storage area up", 100, top, 0, 0},
            {L"New Thing", L"", 101, static_cast<LONG>(CCM_INSERTIONPOINTID_PRIMARY_NEW), 0, 0},
            {L"Task One", L"", 102, task, 0, 0},
            {L"View Mode", L"", 103, static_cast<LONG>(CCM_INSERTIONPOINTID_PRIMARY_VIEW), 0, 0},
            {L"More", L"", 200, task, MF_POPUP, CCM_SPECIAL_SUBMENU},
            {L"Inside", L"inner", 104, 200, 0, 0},
            {L"Grayed", L"", 105, top, MF_GRAYED, 0},
            {L"Reserved Id", L"", 0x10000, top, 0, 0},
            {L"At The Root", L"", 106, 0, 0, 0},
            {L"Owner Drawn", L"", 107, top, MF_OWNERDRAW, 0},
        };
        control.root.Find(L"Folder A/Item 1")->menu = {{L"Row Task", L"", 110, task, 0, 0}};
    }
};

TEST_F(MenuTest, AScopeItemsMenuAsksTheScopeSideAndTheViewEachForTheirPart) {
    View().SelectScopeItem(Item(L"Folder A"));
    Log().clear();
    std::unique_ptr<Console::CContextMenu> menu;
    ASSERT_EQ(View().BuildContextMenu(&menu), S_OK);
    EXPECT_EQ(Entries({"CD.AddMenuItems", "C.AddMenuItems"}),
              (Strings{"CD.AddMenuItems Folder A allowed=7", "C.AddMenuItems Folder A allowed=8"}));
    const HRESULT no = E_INVALIDARG;
    EXPECT_EQ(Snapin().addItemResults,
              (std::vector<HRESULT>{// the scope side: top, new and task
                                    S_OK, S_OK, S_OK, no, S_OK, S_OK, S_OK, no, no, no,
                                    // the view: only the View submenu
                                    no, no, no, S_OK, no, no, no, no, no, no}));
    std::vector<std::wstring> shown;
    for (const Console::CMenuItem* item : menu->InMenuOrder())
        shown.push_back(std::to_wstring(item->group) + L":" + item->ShownName());
    EXPECT_EQ(shown, (std::vector<std::wstring>{L"0:Backup Database...", L"0:Grayed", L"1:New Thing",
                                                L"2:Task One", L"2:More", L"4:Inside", L"3:View Mode"}));

    Log().clear();
    ASSERT_EQ(View().RunMenuCommand(*menu, *menu->FindCommand(L"View Mode")), S_OK);
    ASSERT_EQ(View().RunMenuCommand(*menu, *menu->FindCommand(L"Backup Database...")), S_OK);
    ASSERT_EQ(View().RunMenuCommand(*menu, *menu->FindCommand(L"Inside")), S_OK);
    EXPECT_EQ(View().RunMenuCommand(*menu, *menu->FindCommand(L"Grayed")), E_ACCESSDENIED);
    EXPECT_EQ(Entries({"CD.Command", "C.Command"}),
              (Strings{"C.Command 103 Folder A", "CD.Command 100 Folder A", "CD.Command 104 Folder A"}))
        << "a command goes back to the object that added the item";
    EXPECT_EQ(menu->FindCommand(L"More"), nullptr) << "a submenu is not a command";
}

TEST_F(MenuTest, ARowsMenuIsTheViewsAlone) {
    View().SelectScopeItem(Item(L"Folder A"));
    View().SelectRows({RowIndex(L"Item 1")});
    Log().clear();
    std::unique_ptr<Console::CContextMenu> menu;
    ASSERT_EQ(View().BuildContextMenu(&menu), S_OK);
    EXPECT_EQ(Entries({"CD.AddMenuItems", "C.AddMenuItems"}), Strings{"C.AddMenuItems Item 1 allowed=7"});
    ASSERT_NE(menu->FindCommand(L"Row Task"), nullptr);
    View().RunMenuCommand(*menu, *menu->FindCommand(L"Row Task"));
    EXPECT_EQ(Entries({"C.Command"}), Strings{"C.Command 110 Item 1"});
}

TEST_F(ConsoleTest, EveryViewHearsOfAChangeAndClosingReleasesViewsBeforeTheSnapin) {
    HSCOPEITEM folder = Item(L"Folder A");
    Console::CView& second = console->NewView();
    second.SelectScopeItem(folder);
    View().SelectScopeItem(folder);
    Log().clear();
    View().InvokeVerb(MMC_VERB_REFRESH);
    EXPECT_EQ(Entries({"C.Notify VIEW_CHANGE"}).size(), 2u);
    EXPECT_EQ(second.SelectedScopeItem(), folder);
    EXPECT_EQ(second.List().RowCount(), 5);

    Log().clear();
    console->Close();
    EXPECT_EQ(
        Entries({"C.SetControlbar", "C.Destroy", "CD.Destroy"}),
        (Strings{"C.SetControlbar null", "C.Destroy", "C.SetControlbar null", "C.Destroy", "CD.Destroy"}));
}

// Work of the snap-in may outlive its objects: closing waits until the library can be unloaded, handles
// the thread's messages meanwhile (a worker may be sending to a window of it) and says so in the status bar.
TEST_F(ConsoleTest, ClosingWaitsForTheSnapinsRunningWorkAndSaysSo) {
    Snapin().unloadRefusals = 3;
    std::wstring statusWhileWaiting;
    tvtest::Script script({[&] { statusWhileWaiting = View().Status().text; }});
    console->Close();
    EXPECT_TRUE(script.Finished()) << "messages are handled while the console waits";
    EXPECT_EQ(statusWhileWaiting, L"Waiting for running tasks to end...");
    EXPECT_EQ(Snapin().unloadRefusals, 0) << "asked until the library said yes";
}
