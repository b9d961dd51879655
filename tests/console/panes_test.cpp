// The result panes and what else belongs to a selection: owner-data lists, the message view, the
// status bar, message boxes, toolbars, help, and the console objects a snap-in keeps after the console
// has let go of it.
#include <atomic>

#include "console_fixture.h"
#include "tvfrontend.h"

using Strings = std::vector<std::string>;

TEST_F(ConsoleTest, AnOwnerDataListIsDescribedByIndexAndSortedByTheSnapin) {
    View().SelectScopeItem(Item(L"Virtual"));
    ASSERT_EQ(View().ResultPane(), Console::Pane::List);
    ASSERT_TRUE(View().List().IsOwnerData());
    EXPECT_EQ(View().List().RowCount(), 5) << "the scope children are not rows of an owner-data list";
    Log().clear();
    View().PrepareRows(0, 4);
    EXPECT_EQ(Entries({"OD."}), Strings{"OD.CacheHint 0 4"});
    EXPECT_EQ(Rows()[2], L"Row 2|4");

    Log().clear();
    ASSERT_EQ(View().SelectRows({3}), S_OK);
    EXPECT_EQ(Entries({"C.Notify SELECT"}).back(), "C.Notify SELECT Virtual#3 scope=0 select=1")
        << "a row without a cookie is named by its index";

    Log().clear();
    ASSERT_EQ(View().Sort(0, true), S_OK);
    EXPECT_EQ(Entries({"C.Notify", "OD."}),
              (Strings{"C.Notify COLUMN_CLICK column=0 options=1", "OD.SortItems column=0 options=1"}));
    EXPECT_EQ(Rows().front(), L"Row 4|16");
}

TEST_F(ConsoleTest, TheMessageViewShowsWhatTheSnapinWrites) {
    View().SelectScopeItem(Item(L"Notice"));
    ASSERT_EQ(View().ResultPane(), Console::Pane::Message);
    EXPECT_EQ(View().Message().title, L"Not connected");
    EXPECT_EQ(View().Message().body, L"Line one\nLine two");
    EXPECT_EQ(View().Message().icon, Icon_Warning);
    EXPECT_EQ(Entries({"C.Notify ADD_IMAGES"}).size(), 0u) << "images are for lists";

    View().SelectScopeItem(Item(L"Folder A"));
    EXPECT_EQ(View().ResultPane(), Console::Pane::List);
    EXPECT_TRUE(View().Message().title.empty()) << "a message does not outlive its item";
}

class CustomViewTest : public ConsoleTest {
    void Describe(TestSnapin::Control& control) override {
        control.root.Find(L"Notice")->view = TestSnapin::View::Custom;
    }
};

TEST_F(CustomViewTest, AViewTheConsoleDoesNotKnowIsNamedButNotFilled) {
    View().SelectScopeItem(Item(L"Notice"));
    EXPECT_EQ(View().ResultPane(), Console::Pane::Custom);
    EXPECT_EQ(View().ViewType(), L"{6A0C1F3E-2B4D-4E5F-8A9B-1C2D3E4F5A6B}");
    EXPECT_TRUE(View().Message().title.empty())
        << "the snap-in cannot reach a message view that is not shown";
}

// Commands of the test snap-in's menus that call back into the console.
class CallbackTest : public ConsoleTest {
protected:
    void Describe(TestSnapin::Control& control) override {
        const LONG top = static_cast<LONG>(CCM_INSERTIONPOINTID_PRIMARY_TOP);
        control.root.Find(L"Folder A")->menu = {{L"Progress", L"", 1, top, 0, 0},
                                                {L"Ask", L"", 2, top, 0, 0},
                                                {L"Hide Refresh", L"", 3, top, 0, 0},
                                                {L"Keep Console", L"", 4, top, 0, 0}};
    }
    void Run(const std::wstring& name) {
        std::unique_ptr<Console::CContextMenu> menu;
        ASSERT_EQ(View().BuildContextMenu(&menu), S_OK);
        ASSERT_NE(menu->FindCommand(name), nullptr);
        ASSERT_EQ(View().RunMenuCommand(*menu, *menu->FindCommand(name)), S_OK);
    }
};

TEST_F(CallbackTest, StatusTextWithPercentShowsAProgressBar) {
    Snapin().onCommand = [](LONG, TestSnapin::Node*, IConsole* console) {
        tvcom::QueryFrom<IConsole2>(console)->SetStatusText(const_cast<LPOLESTR>(L"Loading databases|%40"));
    };
    View().SelectScopeItem(Item(L"Folder A"));
    Run(L"Progress");
    EXPECT_EQ(View().Status().left, L"Loading databases");
    EXPECT_EQ(View().Status().progress, 40);
    View().SelectScopeItem(Item(L"Notice"));
    EXPECT_EQ(View().Status().progress, -1) << "a new selection starts with an empty status bar";
}

namespace {

struct RecordingFrontEnd : ITvFrontEnd {
    std::wstring text, caption;
    UINT type = 0;
    int answer = IDYES;
    int MessageBox(HWND, const wchar_t* boxText, const wchar_t* boxCaption, UINT boxType) override {
        text = boxText;
        caption = boxCaption;
        type = boxType;
        return answer;
    }
};

} // namespace

TEST_F(CallbackTest, TheConsolesMessageBoxGoesThroughTheFrontEnd) {
    static int answer = 0;
    Snapin().onCommand = [](LONG, TestSnapin::Node*, IConsole* console) {
        console->MessageBox(L"Are you sure you want to delete job 'Nightly'?", nullptr,
                            MB_YESNO | MB_ICONQUESTION, &answer);
    };
    RecordingFrontEnd frontEnd;
    ITvFrontEnd* previous = TvSetFrontEnd(&frontEnd);
    View().SelectScopeItem(Item(L"Folder A"));
    Run(L"Ask");
    TvSetFrontEnd(previous);
    EXPECT_EQ(frontEnd.text, L"Are you sure you want to delete job 'Nightly'?");
    EXPECT_EQ(frontEnd.caption, L"Error") << "a box given no title";
    EXPECT_EQ(frontEnd.type, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
    EXPECT_EQ(answer, IDYES);
}

TEST_F(CallbackTest, AnEnabledVerbShowsUntilTheSnapinHidesIt) {
    Snapin().onCommand = [](LONG, TestSnapin::Node*, IConsole* console) {
        tvcom::ComPtr<IConsoleVerb> verbs;
        ASSERT_EQ(console->QueryConsoleVerb(verbs.Receive()), S_OK);
        verbs->SetVerbState(MMC_VERB_REFRESH, HIDDEN, TRUE);
        BOOL enabled = FALSE;
        verbs->GetVerbState(MMC_VERB_REFRESH, ENABLED, &enabled);
        EXPECT_TRUE(enabled);
        EXPECT_EQ(verbs->SetVerbState(static_cast<MMC_CONSOLE_VERB>(0x9000), ENABLED, TRUE), E_INVALIDARG);
    };
    View().SelectScopeItem(Item(L"Folder A"));
    EXPECT_TRUE(View().Verbs().IsAvailable(MMC_VERB_REFRESH));
    Run(L"Hide Refresh");
    EXPECT_FALSE(View().Verbs().IsAvailable(MMC_VERB_REFRESH));
    EXPECT_EQ(View().InvokeVerb(MMC_VERB_REFRESH), E_ACCESSDENIED);
}

TEST_F(CallbackTest, ASnapinThatKeepsTheConsoleAfterClosingGetsErrorsNotFreedState) {
    static tvcom::ComPtr<IConsole> kept;
    Snapin().onCommand = [](LONG, TestSnapin::Node*, IConsole* console) {
        kept = tvcom::ComPtr<IConsole>::Retain(console);
    };
    View().SelectScopeItem(Item(L"Folder A"));
    Run(L"Keep Console");
    HSCOPEITEM folder = Item(L"Folder A");
    console->Close();
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->SelectScopeItem(folder), E_UNEXPECTED);
    auto nameSpace = kept.As<IConsoleNameSpace2>();
    ASSERT_TRUE(nameSpace);
    SCOPEDATAITEM item = {};
    EXPECT_EQ(nameSpace->InsertItem(&item), E_UNEXPECTED);
    nameSpace.Reset();
    kept.Reset();
}

TEST_F(ConsoleTest, TheSelectionsToolbarTakesButtonPressesWhenEnabled) {
    View().SelectScopeItem(Item(L"Folder A"));
    std::vector<const Console::CToolbar*> toolbars = View().Toolbars();
    ASSERT_EQ(toolbars.size(), 1u) << "attached when the item was selected";
    ASSERT_EQ(toolbars[0]->Buttons().size(), 2u);
    EXPECT_EQ(toolbars[0]->Buttons()[0].text, L"Go");
    EXPECT_EQ(toolbars[0]->ImageCount(), 2);
    Log().clear();
    EXPECT_EQ(View().PressToolbarButton(toolbars[0], 501), S_OK);
    EXPECT_EQ(View().PressToolbarButton(toolbars[0], 502), E_ACCESSDENIED) << "the Stop button is disabled";
    EXPECT_EQ(View().PressToolbarButton(toolbars[0], 999), E_INVALIDARG);
    EXPECT_EQ(Entries({"CB.BTN_CLICK"}), Strings{"CB.BTN_CLICK 501 Folder A"});
}

namespace {

struct HelpRecorder : Console::IConsoleEvents {
    std::vector<std::wstring> topics;
    void HelpShown(const std::wstring& topic, const std::wstring& path) override {
        topics.push_back(topic);
        EXPECT_NE(path.find(L"/help/testsnapin/"), std::wstring::npos) << tvp::ToUtf8(path);
    }
};

class HelpTest : public ConsoleTest {
    void Describe(TestSnapin::Control& control) override {
        control.root.Find(L"Folder A")->helpTopic = L"testsnapin.chm::/folder.htm";
    }
};

} // namespace

TEST_F(HelpTest, ContextHelpShowsTheItemsTopicOrElseTheSnapinsHelpFile) {
    HelpRecorder recorder;
    console->SetEvents(&recorder);
    View().SelectScopeItem(Item(L"Folder A"));
    EXPECT_EQ(View().ContextHelp(), S_OK);
    View().SelectScopeItem(Item(L"Notice"));
    EXPECT_EQ(View().ContextHelp(), S_OK);
    console->SetEvents(nullptr);
    EXPECT_EQ(recorder.topics,
              (std::vector<std::wstring>{L"testsnapin.chm::/folder.htm", L"testsnapin.chm"}));
    EXPECT_EQ(console->HelpFiles(), std::vector<std::wstring>{L"testsnapin.chm"});
    std::wstring path = console->HelpPath(L"tavrosk.chm::/servers.htm");
    const std::wstring tail = L"/help/tavrosk/servers.htm";
    ASSERT_GE(path.size(), tail.size());
    EXPECT_EQ(path.substr(path.size() - tail.size()), tail) << "the pages of a help file sit in help/<file>/";
}

TEST(SnapinLoadingTest, TheRegistryNamesTheSnapinAndAMissingOneIsReportedPlainly) {
    CoInitialize(nullptr);
    ASSERT_EQ(TestSnapinRegister(), S_OK);
    bool found = false;
    for (const Console::CRegisteredSnapin& snapin : Console::FindRegisteredSnapins())
        if (IsEqualCLSID(snapin.clsid, TestSnapin::CLSID_TestSnapin)) {
            found = true;
            EXPECT_EQ(snapin.name, L"Console Test Snap-in");
            EXPECT_TRUE(snapin.standAlone);
            EXPECT_NE(snapin.server.find(L"libconsoletestsnapin.so"), std::wstring::npos);
        }
    EXPECT_TRUE(found);

    Console::CConsole console;
    // {11111111-2222-3333-4444-555555555555}: registered nowhere.
    const CLSID unknown = {0x11111111, 0x2222, 0x3333, {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55}};
    std::wstring problem;
    EXPECT_EQ(console.AddSnapin(unknown, &problem), REGDB_E_CLASSNOTREG);
    EXPECT_NE(problem.find(L"{11111111-2222-3333-4444-555555555555} could not be created"),
              std::wstring::npos)
        << tvp::ToUtf8(problem);
    EXPECT_TRUE(console.Roots().empty());
}

TEST(SnapinLoadingTest, ASnapinThatCannotBeCreatedKeepsNoOtherOut) {
    CoInitialize(nullptr);
    ASSERT_EQ(TestSnapinRegister(), S_OK);
    // A snap-in whose library went away: registered for the console, with no class behind it.
    const std::wstring key = L"SOFTWARE\\Microsoft\\MMC\\SnapIns\\{22222222-3333-4444-5555-666666666666}";
    HKEY created = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, (key + L"\\StandAlone").c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &created, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(created);
    const std::wstring name = L"Removed Snap-in";
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &created, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(created, L"NameString", 0, REG_SZ, reinterpret_cast<const BYTE*>(name.c_str()),
                   static_cast<DWORD>((name.size() + 1) * 2));
    RegCloseKey(created);

    TestSnapin::TheControl().Reset();
    {
        Console::CConsole console;
        std::wstring problem;
        EXPECT_EQ(console.AddRegisteredSnapins(&problem), S_OK);
        ASSERT_EQ(console.Roots().size(), 1u);
        EXPECT_EQ(console.DisplayName(console.Roots().front()), L"Test Root");
        EXPECT_NE(problem.find(L"\"Removed Snap-in\""), std::wstring::npos) << tvp::ToUtf8(problem);
    }
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, key.c_str());
}
