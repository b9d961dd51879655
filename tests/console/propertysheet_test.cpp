// Property sheets and wizards through the console: the Properties verb opens one modeless sheet per
// item with the snap-in's pages, OK applies and the console destroys the closed sheet and its pages,
// the pages' MMCPropertyChangeNotify reaches the snap-in on the console's thread, a snap-in's wizard
// runs modally inside Show, and closing the console takes open sheets down before the snap-in goes.
#include <thread>

#include "commctrl.h"
#include "console_fixture.h"
#include "prsht.h"
#include "snapin.h"
#include "tvinput.h"

namespace {

using Strings = std::vector<std::string>;

// Runs what is queued on this thread, as the front end's message loop would between two inputs.
void Pump() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

std::wstring Text(HWND window) {
    WCHAR buffer[256] = L"";
    GetWindowTextW(window, buffer, 256);
    return buffer;
}

std::vector<std::wstring> PageTitles(HWND sheet) {
    tvp::WindowState state;
    std::vector<std::wstring> titles;
    if (!tvp::GetWindowState(sheet, state)) return titles;
    for (const tvp::ListItem& item : state.items)
        titles.push_back(item.text);
    return titles;
}

size_t IndexOf(const std::string& entry) {
    const std::vector<std::string>& log = TestSnapin::TheControl().log;
    return static_cast<size_t>(std::find(log.begin(), log.end(), entry) - log.begin());
}

class Events : public Console::IConsoleEvents {
public:
    void HelpShown(const std::wstring&, const std::wstring&) override {}
    void SheetBroughtForward(HWND sheet) override { forward.push_back(sheet); }
    std::vector<HWND> forward;
};

class PropertySheetTest : public ConsoleTest {
protected:
    void Describe(TestSnapin::Control& control) override {
        control.root.Find(L"Folder A")->verbs.push_back(MMC_VERB_PROPERTIES);
    }

    // Selects the row and runs the Properties verb on it; the sheet in front afterwards.
    HWND Properties(const std::wstring& row) {
        View().SelectScopeItem(Item(L"Folder A"));
        EXPECT_EQ(View().SelectRows({RowIndex(row)}), S_OK);
        EXPECT_EQ(View().InvokeVerb(MMC_VERB_PROPERTIES), S_OK);
        return console->FrontSheet();
    }
};

TEST_F(PropertySheetTest, PropertiesOpensOneModelessSheetPerItemWithThePagesInOrder) {
    Events events;
    console->SetEvents(&events);
    HWND sheet = Properties(L"Item 1");
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(console->OpenSheets(), std::vector<HWND>{sheet});
    EXPECT_EQ(console->ModalSheet(), nullptr) << "a property sheet is modeless";
    EXPECT_TRUE(IsWindowVisible(sheet));
    EXPECT_EQ(Text(sheet), L"Item 1 Properties");
    EXPECT_EQ(PageTitles(sheet), (std::vector<std::wstring>{L"General", L"Details"}));
    EXPECT_EQ(Text(GetDlgItem(PropSheet_GetCurrentPageHwnd(sheet), IDC_TEST_NAME)), L"Item 1");
    EXPECT_EQ(
        Entries({"C.QueryPagesFor", "C.CreatePropertyPages", "CD.QueryPagesFor", "CD.CreatePropertyPages"}),
        (Strings{"C.QueryPagesFor Item 1", "C.CreatePropertyPages Item 1 handle"}))
        << "a result item's pages come from the view's component, with a notify handle";

    Log().clear();
    EXPECT_EQ(View().InvokeVerb(MMC_VERB_PROPERTIES), S_OK);
    EXPECT_EQ(console->OpenSheets(), std::vector<HWND>{sheet}) << "the open sheet is brought forward";
    EXPECT_EQ(Entries({"C.QueryPagesFor", "C.CreatePropertyPages"}), Strings{});

    HWND second = Properties(L"Item 2");
    ASSERT_NE(second, sheet);
    EXPECT_EQ(Text(second), L"Item 2 Properties");
    EXPECT_EQ(console->OpenSheets(), (std::vector<HWND>{sheet, second}));
    Properties(L"Item 1");
    EXPECT_EQ(console->OpenSheets(), (std::vector<HWND>{second, sheet}));
    EXPECT_EQ(events.forward, (std::vector<HWND>{sheet, sheet}));
    console->SetEvents(nullptr);
}

TEST_F(PropertySheetTest, AScopeItemsPagesComeFromTheScopeSideAndItsChangesArriveThere) {
    View().SelectScopeItem(Item(L"Folder A"));
    ASSERT_EQ(View().InvokeVerb(MMC_VERB_PROPERTIES), S_OK);
    HWND sheet = console->FrontSheet();
    EXPECT_EQ(Text(sheet), L"Folder A Properties");
    EXPECT_EQ(
        Entries({"C.QueryPagesFor", "C.CreatePropertyPages", "CD.QueryPagesFor", "CD.CreatePropertyPages"}),
        (Strings{"CD.QueryPagesFor Folder A", "CD.CreatePropertyPages Folder A handle"}));
    ASSERT_EQ(MMCPropertyChangeNotify(Snapin().notifyHandle, 5), S_OK);
    Pump();
    EXPECT_EQ(Entries({"CD.Notify PROPERTY_CHANGE", "C.Notify PROPERTY_CHANGE"}),
              Strings{"CD.Notify PROPERTY_CHANGE (none) arg=1 param=5"});
}

TEST_F(PropertySheetTest, AnItemWithoutPagesOpensNoSheet) {
    Snapin().root.Find(L"Folder A/Item 3")->pages = false;
    View().SelectScopeItem(Item(L"Folder A"));
    View().SelectRows({RowIndex(L"Item 3")});
    EXPECT_EQ(View().InvokeVerb(MMC_VERB_PROPERTIES), S_FALSE);
    EXPECT_TRUE(console->OpenSheets().empty());
    EXPECT_EQ(Entries({"C.CreatePropertyPages"}), Strings{});
}

TEST_F(PropertySheetTest, OkAppliesThenTheConsoleDestroysTheClosedSheetAndItsPages) {
    HWND sheet = Properties(L"Item 1");
    LONG_PTR handle = Snapin().notifyHandle;
    HWND page = PropSheet_GetCurrentPageHwnd(sheet);
    Log().clear();
    ASSERT_TRUE(tvp::TypeText(GetDlgItem(page, IDC_TEST_NAME), L"Renamed"));
    ASSERT_TRUE(tvp::Click(GetDlgItem(sheet, IDOK)));
    Pump();
    EXPECT_FALSE(IsWindow(sheet)) << "nobody but the console destroys a closed modeless sheet";
    EXPECT_TRUE(console->OpenSheets().empty());
    EXPECT_EQ(Entries({"PAGE", "C.Notify PROPERTY_CHANGE"}),
              (Strings{"PAGE General apply name=Renamed", "C.Notify PROPERTY_CHANGE (none) arg=0 param=1",
                       "PAGE General released", "PAGE Details released"}))
        << "the change reaches the component before the pages go";
    EXPECT_EQ(MMCPropertyChangeNotify(handle, 1), E_INVALIDARG) << "the page freed its handle";
    EXPECT_EQ(View().CellText(View().List().RowAt(RowIndex(L"Renamed")), 1), L"30");
}

TEST_F(PropertySheetTest, CancelResetsThePagesAndTheSheetGoesAllTheSame) {
    HWND sheet = Properties(L"Item 2");
    Log().clear();
    ASSERT_TRUE(tvp::Click(GetDlgItem(sheet, IDCANCEL)));
    Pump();
    EXPECT_FALSE(IsWindow(sheet));
    EXPECT_EQ(Entries({"PAGE", "C.Notify PROPERTY_CHANGE"}),
              (Strings{"PAGE General reset", "PAGE General released", "PAGE Details released"}));
    EXPECT_NE(RowIndex(L"Item 2"), -1);
}

TEST_F(PropertySheetTest, AChangeFromAnotherThreadArrivesOnTheConsolesThread) {
    Properties(L"Item 1");
    LONG_PTR handle = Snapin().notifyHandle;
    HRESULT sent = E_FAIL;
    std::thread worker([&] { sent = MMCPropertyChangeNotify(handle, 77); });
    worker.join();
    EXPECT_EQ(sent, S_OK);
    EXPECT_EQ(Entries({"C.Notify PROPERTY_CHANGE"}), Strings{}) << "posted, not called on the page's thread";
    Pump();
    EXPECT_EQ(Entries({"C.Notify PROPERTY_CHANGE"}),
              Strings{"C.Notify PROPERTY_CHANGE (none) arg=0 param=77"});
    EXPECT_EQ(Snapin().changeThreads, std::vector<DWORD>{GetCurrentThreadId()});
}

TEST_F(PropertySheetTest, AFreedOrUnknownHandleFailsHarmlesslyButAChangeSentBeforeTheReleaseArrives) {
    Snapin().pagesFreeHandle = false;
    Properties(L"Item 1");
    LONG_PTR handle = Snapin().notifyHandle;
    ASSERT_EQ(MMCPropertyChangeNotify(handle, 3), S_OK);
    ASSERT_EQ(MMCFreeNotifyHandle(handle), S_OK);
    EXPECT_EQ(MMCPropertyChangeNotify(handle, 4), E_INVALIDARG);
    EXPECT_EQ(MMCFreeNotifyHandle(handle), E_INVALIDARG);
    EXPECT_EQ(MMCPropertyChangeNotify(0, 4), E_INVALIDARG);
    EXPECT_EQ(MMCPropertyChangeNotify(handle + 1000, 4), E_INVALIDARG);
    Pump();
    EXPECT_EQ(Entries({"C.Notify PROPERTY_CHANGE"}),
              Strings{"C.Notify PROPERTY_CHANGE (none) arg=0 param=3"});
}

TEST_F(PropertySheetTest, ClosingTheConsoleDestroysOpenSheetsBeforeTheSnapinAndEndsItsHandles) {
    Snapin().pagesFreeHandle = false;
    HWND sheet = Properties(L"Item 1");
    LONG_PTR handle = Snapin().notifyHandle;
    console->Close();
    EXPECT_FALSE(IsWindow(sheet));
    EXPECT_TRUE(console->OpenSheets().empty());
    ASSERT_LT(IndexOf("PAGE Details released"), Log().size());
    EXPECT_LT(IndexOf("PAGE Details released"), IndexOf("C.Destroy"));
    EXPECT_LT(IndexOf("C.Destroy"), IndexOf("CD.Destroy"));
    EXPECT_EQ(MMCPropertyChangeNotify(handle, 1), E_INVALIDARG);
    EXPECT_EQ(MMCFreeNotifyHandle(handle), E_INVALIDARG);
    Pump();
    EXPECT_EQ(Entries({"C.Notify PROPERTY_CHANGE"}), Strings{});
}

// The wizard ----------------------------------------------------------------------------------------------

class WizardTest : public ConsoleTest {
protected:
    // Chooses "Run Wizard" on the root; the wizard runs inside. What the command returned.
    HRESULT RunWizard() {
        View().SelectScopeItem(root);
        std::unique_ptr<Console::CContextMenu> menu;
        EXPECT_EQ(View().BuildContextMenu(&menu), S_OK);
        const Console::CMenuItem* item = menu->FindCommand(L"Run Wizard");
        EXPECT_NE(item, nullptr);
        return item ? View().RunMenuCommand(*menu, *item) : E_FAIL;
    }
};

TEST_F(WizardTest, AWizardRunsModallyMovesWithPressButtonAndFinishReturnsFromShow) {
    std::vector<std::wstring> seen;
    HWND modal = nullptr;
    bool bitmaps = false;
    Snapin().onWizardPage = [&](const std::wstring& title, HWND page) {
        seen.push_back(title);
        HWND sheet = GetParent(page);
        modal = console->ModalSheet();
        if (title == L"Welcome") {
            tvp::WindowState watermark, header;
            bitmaps = tvp::GetWindowState(GetDlgItem(sheet, TV_IDC_SHEET_WATERMARK), watermark) &&
                      tvp::GetWindowState(GetDlgItem(sheet, TV_IDC_SHEET_HEADERBITMAP), header) &&
                      watermark.bitmap && header.bitmap;
            PropSheet_PressButton(sheet, PSBTN_NEXT);
        } else if (title == L"Name") {
            SetDlgItemTextW(page, IDC_TEST_WIZARD_NAME, L"Zed"); // not shown yet: no typing into it
            PropSheet_PressButton(sheet, PSBTN_NEXT);
        } else {
            PropSheet_PressButton(sheet, PSBTN_FINISH);
        }
    };
    EXPECT_EQ(RunWizard(), S_OK);
    EXPECT_EQ(seen, (std::vector<std::wstring>{L"Welcome", L"Name", L"Finish"}));
    EXPECT_NE(modal, nullptr) << "the console names the running wizard";
    EXPECT_TRUE(bitmaps) << "the wizard has the snap-in's watermark and header bitmaps";
    EXPECT_EQ(console->ModalSheet(), nullptr);
    EXPECT_FALSE(IsWindow(modal));
    EXPECT_EQ(Entries({"CD.CreatePropertyPages", "CD.GetWatermarks", "PAGE Finish finish", "CD.RunWizard"}),
              (Strings{"CD.CreatePropertyPages Test Root handle wizard", "CD.GetWatermarks",
                       "PAGE Finish finish name=Zed", "CD.RunWizard show=0"}));
    ASSERT_LT(IndexOf("PAGE Welcome released"), IndexOf("CD.RunWizard show=0"))
        << "the wizard's pages are gone when Show returns";
    EXPECT_EQ(MMCPropertyChangeNotify(Snapin().notifyHandle, 1), E_INVALIDARG);
}

TEST_F(WizardTest, CancelEndsTheWizardAndShowReturns) {
    Snapin().onWizardPage = [&](const std::wstring& title, HWND page) {
        PropSheet_PressButton(GetParent(page), title == L"Welcome" ? PSBTN_NEXT : PSBTN_CANCEL);
    };
    EXPECT_EQ(RunWizard(), S_OK);
    EXPECT_EQ(Entries({"PAGE Welcome reset", "PAGE Name reset", "PAGE Finish reset", "CD.RunWizard"}),
              (Strings{"PAGE Welcome reset", "PAGE Name reset", "CD.RunWizard show=0"}));
    EXPECT_EQ(console->ModalSheet(), nullptr);
}

// The node manager as a snap-in reaches it -----------------------------------------------------------------

TEST_F(ConsoleTest, TheNodeManagerIsFoundWhileTheConsoleRunsAndGivesUpASheetWithoutPages) {
    tvcom::ComPtr<IPropertySheetProvider> provider;
    ASSERT_EQ(CoCreateInstance(CLSID_NodeManager, nullptr, CLSCTX_INPROC_SERVER, IID_IPropertySheetProvider,
                               provider.ReceiveVoid()),
              S_OK);
    tvcom::ComPtr<IDataObject> data;
    ASSERT_EQ(console->SnapinOf(root)->ComponentData()->QueryDataObject(0, CCT_SCOPE, data.Receive()), S_OK);
    EXPECT_EQ(provider->FindPropertySheet(root, nullptr, data.Get()), S_FALSE);
    EXPECT_EQ(provider->CreatePropertySheet(nullptr, TRUE, 0, data.Get(), 0), E_INVALIDARG);
    EXPECT_EQ(provider->Show(0, 0), E_UNEXPECTED) << "no sheet was created";

    ASSERT_EQ(provider->CreatePropertySheet(L"Empty", TRUE, 0, data.Get(), 0), S_OK);
    EXPECT_EQ(provider->Show(0, 0), S_FALSE) << "a sheet without pages is not shown";
    EXPECT_EQ(provider->Show(-1, 0), E_FAIL) << "and is given up";
    EXPECT_EQ(provider->AddExtensionPages(), E_UNEXPECTED);
    EXPECT_TRUE(console->OpenSheets().empty());

    ASSERT_EQ(provider->CreatePropertySheet(L"Later", TRUE, 0, data.Get(), 0), S_OK);
    console->Close();
    EXPECT_EQ(provider->Show(0, 0), E_UNEXPECTED) << "the console has closed";
    EXPECT_EQ(provider->CreatePropertySheet(L"Again", TRUE, 0, data.Get(), 0), E_UNEXPECTED);
    tvcom::ComPtr<IPropertySheetProvider> late;
    EXPECT_TRUE(FAILED(CoCreateInstance(CLSID_NodeManager, nullptr, CLSCTX_INPROC_SERVER,
                                        IID_IPropertySheetProvider, late.ReceiveVoid())));
}

TEST_F(ConsoleTest, ASnapinsOwnSheetKeepsItsTitleAndLosesAPageItRemovesAfterShow) {
    tvcom::ComPtr<IPropertySheetProvider> provider;
    ASSERT_EQ(CoCreateInstance(CLSID_NodeManager, nullptr, CLSCTX_INPROC_SERVER, IID_IPropertySheetProvider,
                               provider.ReceiveVoid()),
              S_OK);
    auto callback = provider.As<IPropertySheetCallback>();
    ASSERT_TRUE(callback);
    IComponentData* componentData = console->SnapinOf(root)->ComponentData();
    tvcom::ComPtr<IDataObject> data;
    auto cookie = reinterpret_cast<MMC_COOKIE>(Snapin().root.Find(L"Folder A"));
    ASSERT_EQ(componentData->QueryDataObject(cookie, CCT_SCOPE, data.Receive()), S_OK);
    ASSERT_EQ(
        provider->CreatePropertySheet(L"Folder A Settings", TRUE, cookie, data.Get(), MMC_PSO_NO_PROPTITLE),
        S_OK);
    ASSERT_EQ(provider->AddPrimaryPages(componentData, FALSE, nullptr, TRUE), S_OK);
    EXPECT_EQ(Snapin().notifyHandle, 0) << "no handle was asked for";
    ASSERT_EQ(provider->AddExtensionPages(), S_OK);
    ASSERT_EQ(provider->Show(0, 0), S_OK);
    HWND sheet = console->FrontSheet();
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(Text(sheet), L"Folder A Settings");
    EXPECT_EQ(provider->FindPropertySheet(0, nullptr, data.Get()), S_OK);

    auto details = reinterpret_cast<HPROPSHEETPAGE>(PropSheet_IndexToPage(sheet, 1));
    Log().clear();
    EXPECT_EQ(callback->RemovePage(details), S_OK);
    EXPECT_EQ(PageTitles(sheet), std::vector<std::wstring>{L"General"});
    EXPECT_EQ(Log(), Strings{"PAGE Details released"});
    EXPECT_EQ(callback->RemovePage(details), E_INVALIDARG) << "the page is gone";
    EXPECT_EQ(provider->Show(0, 0), E_UNEXPECTED) << "the sheet was shown already";
}

} // namespace
