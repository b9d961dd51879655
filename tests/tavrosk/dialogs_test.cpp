// Modal dialogs and the control operations, the open and save dialogs through a front end that plays
// the person, and a node's wizard started through the console's property sheet provider.
#include <fstream>

#include "../../tavrosk/snapins/basedlg.h"
#include "../../tavrosk/snapins/dataobject.h"
#include "../../tavrosk/snapins/filedialog.h"
#include "fake_console.h"
#include "pages_test_support.h"
#include "test_support.h"
#include "tvfrontend.h"

namespace {

using namespace pagestest;

// A dialog that logs the commands it gets and runs the test's steps while it is shown.
class TestDialog : public Snapins::CBaseDlg {
public:
    std::vector<WORD> commands;
    HWND initialised = nullptr;
    INT_PTR OnInitDialog(HWND window, HWND focus) override {
        initialised = window;
        return CBaseDlg::OnInitDialog(window, focus);
    }
    INT_PTR OnCommand(WORD code, WORD id, HWND control) override {
        if (code == BN_CLICKED) commands.push_back(id);
        return CBaseDlg::OnCommand(code, id, control);
    }
    HWND Item(int id) const { return GetDlgItem(m_dialogWindow, id); }
};

TEST(Dialogs, OkEndsWithOneCancelWithTwoAndAMissingTemplateFails) {
    {
        TestDialog dialog;
        Script script({
            [&] {
                EXPECT_EQ(Snapins::CBaseDlg::Current(), &dialog);
                EXPECT_EQ(dialog.DialogWindow(), dialog.initialised);
                EXPECT_TRUE(tvp::Click(dialog.Item(IDC_TEST_APPLY)));
            },
            [&] { EXPECT_TRUE(tvp::Click(dialog.Item(IDOK))); },
        });
        EXPECT_EQ(dialog.DoModal(IDD_TEST_DIALOG, nullptr), IDOK);
        EXPECT_TRUE(script.Finished());
        EXPECT_EQ(dialog.commands, std::vector<WORD>{IDC_TEST_APPLY}) << "OK goes to OnOK, not OnCommand";
        EXPECT_EQ(Snapins::CBaseDlg::Current(), nullptr) << "the dialog is forgotten with its window";
    }
    {
        TestDialog dialog;
        Script script({[&] { EXPECT_TRUE(tvp::Click(dialog.Item(IDCANCEL))); }});
        EXPECT_EQ(dialog.DoModal(IDD_TEST_DIALOG, nullptr), IDCANCEL);
        EXPECT_TRUE(script.Finished());
    }
    TestDialog missing;
    EXPECT_EQ(missing.DoModal(IDD_TEST_MISSING, nullptr), -1);
    EXPECT_EQ(Snapins::CBaseDlg::Current(), nullptr);
}

TEST(Dialogs, ControlOperationsReadAtMost255CharactersAndSetChecksAndEnabling) {
    TestDialog dialog;
    Script script({
        [&] {
            HWND window = dialog.DialogWindow();
            Snapins::SetControlText(window, IDC_TEST_NAME, L"Sales");
            EXPECT_EQ(Snapins::GetControlText(window, IDC_TEST_NAME), L"Sales");
            Snapins::SetControlText(window, IDC_TEST_NAME, std::wstring(300, L'x'));
            EXPECT_EQ(Snapins::GetControlText(window, IDC_TEST_NAME), std::wstring(255, L'x'));
            EXPECT_EQ(Snapins::GetControlText(window, 4242), L"") << "no such control";

            Snapins::CheckRadio(window, IDC_TEST_FIRST_RADIO, IDC_TEST_THIRD_RADIO, IDC_TEST_SECOND_RADIO);
            Snapins::CheckRadio(window, IDC_TEST_FIRST_RADIO, IDC_TEST_THIRD_RADIO, IDC_TEST_THIRD_RADIO);
            EXPECT_EQ(IsDlgButtonChecked(window, IDC_TEST_FIRST_RADIO), BST_UNCHECKED);
            EXPECT_EQ(IsDlgButtonChecked(window, IDC_TEST_SECOND_RADIO), BST_UNCHECKED);
            EXPECT_EQ(IsDlgButtonChecked(window, IDC_TEST_THIRD_RADIO), BST_CHECKED);

            Snapins::EnableControl(window, IDC_TEST_APPLY, false);
            EXPECT_FALSE(tvp::Click(dialog.Item(IDC_TEST_APPLY))) << "a disabled button cannot be pressed";
            Snapins::EnableControl(window, IDC_TEST_APPLY, true);
            EXPECT_TRUE(IsWindowEnabled(dialog.Item(IDC_TEST_APPLY)));
        },
        [&] { EXPECT_TRUE(tvp::Click(dialog.Item(IDCANCEL))); },
    });
    EXPECT_EQ(dialog.DoModal(IDD_TEST_DIALOG, nullptr), IDCANCEL);
    EXPECT_TRUE(script.Finished());
    EXPECT_EQ(dialog.commands, std::vector<WORD>{}) << "code that checks radio buttons sends no clicks";
}

// Answers file dialogs as a person would, and keeps what each dialog asked.
class FileFrontEnd : public ITvFrontEnd {
public:
    FileFrontEnd() { previous_ = TvSetFrontEnd(this); }
    ~FileFrontEnd() { TvSetFrontEnd(previous_); }
    int MessageBox(HWND, const wchar_t*, const wchar_t*, UINT) override { return IDYES; }
    bool ChooseFile(const OPENFILENAMEW& request, bool save, std::wstring& path) override {
        asked.push_back({request.lpstrTitle ? request.lpstrTitle : L"",
                         request.lpstrInitialDir ? request.lpstrInitialDir : L"", request.Flags, save,
                         request.hwndOwner, request.nMaxFile});
        if (answer.empty()) return false;
        path = answer;
        return true;
    }
    struct Request {
        std::wstring title, folder;
        DWORD flags;
        bool save;
        HWND owner;
        DWORD bufferSize;
    };
    std::wstring answer; // empty: the person cancels
    std::vector<Request> asked;

private:
    ITvFrontEnd* previous_;
};

std::wstring Wide(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

TEST(FileDialogs, TheChosenPathComesBackAndACancelGivesAnEmptyOne) {
    HWND owner =
        CreateWindowExW(0, L"Static", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    Snapins::FileDialog dialog(owner);
    EXPECT_EQ(dialog.Open(), L"") << "no front end: the dialog is cancelled";

    std::string folder = tvtest::MakeFolder("backups");
    std::ofstream(folder + "/sales.bak") << "backup";
    FileFrontEnd person;
    dialog.SetTitle(IDS_OPEN_TITLE);
    dialog.SetInitialFolder(Wide(folder));
    person.answer = Wide(folder + "/sales.bak");
    EXPECT_EQ(dialog.Open(), Wide(folder + "/sales.bak"));
    person.answer = Wide(folder + "/new.bak");
    EXPECT_EQ(dialog.Save(), Wide(folder + "/new.bak"));
    person.answer.clear();
    EXPECT_EQ(dialog.Open(), L"");
    EXPECT_EQ(dialog.Save(), L"");

    ASSERT_EQ(person.asked.size(), 4u);
    EXPECT_EQ(person.asked[0].title, L"Open a Backup File");
    EXPECT_EQ(person.asked[0].folder, Wide(folder));
    EXPECT_EQ(person.asked[0].owner, owner);
    EXPECT_EQ(person.asked[0].bufferSize, 260u);
    EXPECT_FALSE(person.asked[0].save);
    EXPECT_EQ(person.asked[0].flags, 0x821804u)
        << "hide read-only, path and file must exist, no network button, resizable";
    EXPECT_TRUE(person.asked[1].save);
    EXPECT_EQ(person.asked[1].flags, 0x820806u)
        << "overwrite prompt, hide read-only, path must exist, no network button, resizable";

    dialog.SetTitle(IDS_LONG_TITLE);
    EXPECT_EQ(dialog.Title().size(), 99u) << "the title is read into 100 characters";
    DestroyWindow(owner);
}

// The console's node manager as RunWizard sees it: it records every call with its arguments, reads
// the node's pagesMode while the primary pages are added, and answers the first Show as told.
class FakeSheetProvider : public fake::Unknown<IPropertySheetProvider> {
public:
    std::vector<std::string> calls;
    TestNode* node = nullptr;
    bool pagesModeWhileAdding = true;
    HRESULT firstShow = S_OK;
    MMC_COOKIE cookie = 0;
    IDataObject* dataObject = nullptr;
    IUnknown* primary = nullptr;
    HWND notifyWindow = nullptr;
    std::vector<LONG_PTR> shownWith;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        *ppv = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IPropertySheetProvider))
            return E_NOINTERFACE;
        *ppv = static_cast<IPropertySheetProvider*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP CreatePropertySheet(LPCWSTR title, boolean type, MMC_COOKIE c, LPDATAOBJECT data,
                                     DWORD options) override {
        calls.push_back("CreatePropertySheet title='" + std::string(title && !*title ? "" : "?") +
                        "' type=" + std::to_string(type) + " options=" + std::to_string(options));
        cookie = c;
        dataObject = data;
        return S_OK;
    }
    STDMETHODIMP FindPropertySheet(HSCOPEITEM, LPCOMPONENT, LPDATAOBJECT) override {
        calls.push_back("FindPropertySheet");
        return S_FALSE;
    }
    STDMETHODIMP AddPrimaryPages(LPUNKNOWN unknown, BOOL createHandle, HWND window, BOOL scopePane) override {
        calls.push_back("AddPrimaryPages handle=" + std::to_string(createHandle) +
                        " scope=" + std::to_string(scopePane));
        primary = unknown;
        notifyWindow = window;
        // As the console does, through the component (data): the node adds its pages now.
        node->CreatePropertyPages(nullptr, 77);
        pagesModeWhileAdding = node->PagesMode();
        return S_OK;
    }
    STDMETHODIMP AddExtensionPages() override {
        calls.push_back("AddExtensionPages");
        return S_OK;
    }
    STDMETHODIMP Show(LONG_PTR window, int page) override {
        calls.push_back("Show page=" + std::to_string(page));
        shownWith.push_back(window);
        return shownWith.size() == 1 ? firstShow : S_OK;
    }
};

class ProviderFactory : public fake::Unknown<IClassFactory> {
public:
    FakeSheetProvider provider;
    HRESULT failure = S_OK;
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        *ppv = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IClassFactory)) return E_NOINTERFACE;
        *ppv = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP CreateInstance(IUnknown*, REFIID riid, void** ppv) override {
        if (FAILED(failure)) {
            *ppv = nullptr;
            return failure;
        }
        return provider.QueryInterface(riid, ppv);
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }
};

// A node whose wizard pages are kept by the node and count their deletion.
class WizardNode : public TestNode {
public:
    int pagesAlive = 0;
    class CountedPage : public Snapins::CBasePropPage {
    public:
        explicit CountedPage(WizardNode* owner) : CBasePropPage(owner), owner_(owner) {
            ++owner_->pagesAlive;
        }
        ~CountedPage() override { --owner_->pagesAlive; }

    private:
        WizardNode* owner_;
    };
    HRESULT CreatePropertyPages(IPropertySheetCallback* callback, LONG_PTR handle) override {
        CBaseNode::CreatePropertyPages(callback, handle);
        if (!PagesMode()) {
            for (int i = 0; i < 2; ++i)
                KeepPage(new CountedPage(this));
        }
        return S_OK;
    }
};

class WindowedConsole : public fake::Console {
public:
    HWND mainWindow = reinterpret_cast<HWND>(0x4711);
    STDMETHODIMP GetMainWindow(HWND* window) override {
        *window = mainWindow;
        return S_OK;
    }
};

class RunWizard : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitialize(nullptr);
        factory.provider.node = &node;
        ASSERT_EQ(CoRegisterClassObject(CLSID_NodeManager, &factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                        &registration),
                  S_OK);
        dataObject = new Snapins::CDataObject(&node, CCT_SCOPE);
    }
    void TearDown() override {
        dataObject->Release();
        CoRevokeClassObject(registration);
        CoUninitialize();
    }
    WizardNode node;
    ProviderFactory factory;
    DWORD registration = 0;
    Snapins::CDataObject* dataObject = nullptr;
    WindowedConsole console;
    fake::Console componentStandIn; // any object stands for the component here
};

TEST_F(RunWizard, ShowsTheNodesWizardThroughTheProviderAndEndWizardDeletesItsPages) {
    IComponentData* componentData =
        reinterpret_cast<IComponentData*>(static_cast<IConsole2*>(&componentStandIn));
    EXPECT_EQ(node.RunWizard(&console, nullptr, componentData, dataObject), S_OK);
    const FakeSheetProvider& p = factory.provider;
    EXPECT_EQ(p.calls, (std::vector<std::string>{"CreatePropertySheet title='' type=0 options=4",
                                                 "AddPrimaryPages handle=1 scope=0", "AddExtensionPages",
                                                 "Show page=0"}));
    EXPECT_EQ(p.cookie, reinterpret_cast<MMC_COOKIE>(static_cast<Snapins::CBaseNode*>(&node)));
    EXPECT_EQ(p.dataObject, dataObject);
    EXPECT_EQ(p.primary, reinterpret_cast<IUnknown*>(componentData)) << "no component: the component data";
    EXPECT_EQ(p.notifyWindow, console.mainWindow);
    EXPECT_EQ(p.shownWith, std::vector<LONG_PTR>{reinterpret_cast<LONG_PTR>(console.mainWindow)});
    EXPECT_FALSE(p.pagesModeWhileAdding) << "the node adds wizard pages";
    EXPECT_EQ(node.pagesAlive, 2);
    EXPECT_FALSE(node.PagesMode());

    EXPECT_EQ(node.EndWizard(), S_OK);
    EXPECT_TRUE(node.PagesMode());
    EXPECT_EQ(node.pagesAlive, 0);
}

TEST_F(RunWizard, AShowThatAnswersSFalseIsRepeatedWithMinusOneAndAComponentIsThePrimary) {
    factory.provider.firstShow = S_FALSE;
    IComponent* component = reinterpret_cast<IComponent*>(static_cast<IConsole2*>(&componentStandIn));
    EXPECT_EQ(node.RunWizard(&console, component, nullptr, dataObject), S_OK);
    const FakeSheetProvider& p = factory.provider;
    EXPECT_EQ(p.calls, (std::vector<std::string>{"CreatePropertySheet title='' type=0 options=4",
                                                 "AddPrimaryPages handle=1 scope=1", "AddExtensionPages",
                                                 "Show page=0", "Show page=0"}));
    EXPECT_EQ(p.shownWith, (std::vector<LONG_PTR>{reinterpret_cast<LONG_PTR>(console.mainWindow), -1}));
    EXPECT_EQ(p.primary, reinterpret_cast<IUnknown*>(component));
    node.EndWizard();
}

TEST_F(RunWizard, AProviderThatCannotBeCreatedGivesItsFailure) {
    factory.failure = E_ACCESSDENIED;
    EXPECT_EQ(node.RunWizard(&console, nullptr, nullptr, dataObject), E_ACCESSDENIED);
    EXPECT_TRUE(factory.provider.calls.empty());
    EXPECT_EQ(node.pagesAlive, 0);
    CoRevokeClassObject(registration);
    IUnknown* unknown = nullptr;
    HRESULT expected = CoCreateInstance(CLSID_NodeManager, nullptr, CLSCTX_INPROC_SERVER,
                                        IID_IPropertySheetProvider, reinterpret_cast<void**>(&unknown));
    ASSERT_TRUE(FAILED(expected));
    EXPECT_EQ(node.RunWizard(&console, nullptr, nullptr, dataObject), expected);
    EXPECT_EQ(node.EndWizard(), S_OK);
    EXPECT_TRUE(node.PagesMode());
}

} // namespace
