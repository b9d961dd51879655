// Property and wizard pages as a person sees them in a sheet: the three kinds of page and what each
// shows, the default answers that let a wizard move on, a page's answer that jumps or stays, the page
// procedure before a page is initialised and after its window is gone, and the two-list pick page.
#include <memory>

#include "../../tavrosk/snapins/twolistpick.h"
#include "pages_test_support.h"

namespace {

using namespace pagestest;
using Snapins::CBasePropPage;

// A page whose answers to Next and Back the test sets; it counts what it was asked.
class AnsweringPage : public CBasePropPage {
public:
    using CBasePropPage::CBasePropPage;
    LONG_PTR nextAnswer = 0, backAnswer = 0, applyAnswer = PSNRET_NOERROR;
    int applies = 0;
    bool* deleted = nullptr;
    ~AnsweringPage() override {
        if (deleted) *deleted = true;
    }
    INT_PTR OnWizardNext(NMHDR* header) override {
        CBasePropPage::OnWizardNext(header);
        SetMessageResult(nextAnswer);
        return TRUE;
    }
    INT_PTR OnWizardBack(NMHDR* header) override {
        CBasePropPage::OnWizardBack(header);
        SetMessageResult(backAnswer);
        return TRUE;
    }
    INT_PTR OnApply(NMHDR* header) override {
        ++applies;
        CBasePropPage::OnApply(header);
        SetMessageResult(applyAnswer);
        return TRUE;
    }
};

// Welcome, name, options and finish pages that override nothing.
struct Wizard {
    TestNode node;
    CBasePropPage welcome{&node}, name{&node}, options{&node}, finish{&node};
    Wizard() {
        welcome.CreateExteriorPage(IDD_TEST_WELCOME, IDS_WIZARD_TITLE);
        name.CreateInteriorPage(IDD_TEST_NAME, IDS_NAME_TITLE, IDS_NAME_SUBTITLE);
        options.CreateInteriorPage(IDD_TEST_OPTIONS, IDS_PICK_TITLE, 0);
        finish.CreateExteriorPage(IDD_TEST_FINISH, IDS_WIZARD_TITLE);
    }
    INT_PTR Run() { return RunSheet({&welcome, &name, &options, &finish}); }
    HWND Sheet() const { return welcome.SheetWindow(); }
};

TEST(WizardPages, ExteriorPagesShowTheTitleInBoldVerdanaAndInteriorPagesTheirHeader) {
    Wizard w;
    ASSERT_NE(w.welcome.PageHandle(), nullptr);
    EXPECT_EQ(w.welcome.Kind(), Snapins::kExteriorPage);
    EXPECT_EQ(w.name.Kind(), Snapins::kInteriorPage);
    EXPECT_EQ(w.name.TitleFont(), nullptr) << "only exterior pages have a title font";
    Script script({
        [&] {
            tvp::WindowState title;
            ASSERT_TRUE(
                tvp::GetWindowState(GetDlgItem(w.welcome.PageWindow(), Snapins::kTitleControl), title));
            ASSERT_NE(title.font, nullptr);
            EXPECT_EQ(title.font, w.welcome.TitleFont());
            LOGFONTW font{};
            ASSERT_EQ(GetObjectW(title.font, sizeof font, &font), static_cast<int>(sizeof font));
            EXPECT_EQ(font.lfWeight, FW_BOLD);
            EXPECT_STREQ(font.lfFaceName, L"Verdana Bold");
            EXPECT_EQ(font.lfHeight, -16) << "12 points at the display's 96 pixels per inch";
            EXPECT_EQ(TextOf(w.Sheet()), L"Test Wizard") << "the page's title from the string table";
            EXPECT_FALSE(IsWindowVisible(GetDlgItem(w.Sheet(), TV_IDC_SHEET_HEADERTITLE)));
        },
        [&] { Press(w.Sheet(), PSBTN_NEXT); },
        [&] {
            EXPECT_EQ(CurrentDialog(w.Sheet()), IDD_TEST_NAME);
            EXPECT_TRUE(IsWindowVisible(GetDlgItem(w.Sheet(), TV_IDC_SHEET_HEADERTITLE)));
            EXPECT_EQ(TextOf(GetDlgItem(w.Sheet(), TV_IDC_SHEET_HEADERTITLE)), L"Name");
            EXPECT_EQ(TextOf(GetDlgItem(w.Sheet(), TV_IDC_SHEET_HEADERSUBTITLE)),
                      L"Choose the name of the new thing.");
        },
        [&] { Press(w.Sheet(), PSBTN_NEXT); },
        [&] {
            EXPECT_EQ(TextOf(GetDlgItem(w.Sheet(), TV_IDC_SHEET_HEADERTITLE)), L"Pick");
            EXPECT_EQ(TextOf(GetDlgItem(w.Sheet(), TV_IDC_SHEET_HEADERSUBTITLE)), L"")
                << "string 0 gives an empty subtitle";
        },
        [&] { Press(w.Sheet(), PSBTN_CANCEL); },
    });
    EXPECT_EQ(w.Run(), 0);
    EXPECT_TRUE(script.Finished());
}

TEST(WizardPages, PagesThatOverrideNothingMoveOnAtNextAndBackAndCloseAtFinish) {
    Wizard w;
    std::vector<int> seen;
    auto record = [&] { seen.push_back(CurrentDialog(w.Sheet())); };
    Script script({
        [&] { Press(w.Sheet(), PSBTN_NEXT); },
        record,
        [&] { Press(w.Sheet(), PSBTN_NEXT); },
        record,
        [&] { Press(w.Sheet(), PSBTN_BACK); },
        record,
        [&] { Press(w.Sheet(), PSBTN_NEXT); },
        [&] { Press(w.Sheet(), PSBTN_NEXT); },
        record,
        [&] {
            EXPECT_EQ(w.finish.SheetWindow(), w.Sheet()) << "each page remembers the sheet on activation";
            Press(w.Sheet(), PSBTN_FINISH);
        },
    });
    EXPECT_EQ(w.Run(), 1) << "Finish closes the wizard";
    EXPECT_TRUE(script.Finished());
    EXPECT_EQ(seen, (std::vector<int>{IDD_TEST_NAME, IDD_TEST_OPTIONS, IDD_TEST_NAME, IDD_TEST_FINISH}));
}

TEST(WizardPages, AnAnswerToNextOrBackJumpsToThatDialogAndMinusOneStays) {
    TestNode node;
    AnsweringPage welcome(&node), name(&node), options(&node), finish(&node);
    welcome.CreateExteriorPage(IDD_TEST_WELCOME, IDS_WIZARD_TITLE);
    name.CreateInteriorPage(IDD_TEST_NAME, IDS_NAME_TITLE, IDS_NAME_SUBTITLE);
    options.CreateInteriorPage(IDD_TEST_OPTIONS, IDS_PICK_TITLE, IDS_PICK_SUBTITLE);
    finish.CreateExteriorPage(IDD_TEST_FINISH, IDS_WIZARD_TITLE);
    welcome.nextAnswer = IDD_TEST_OPTIONS;
    options.backAnswer = IDD_TEST_WELCOME;
    std::vector<int> seen;
    HWND sheet = nullptr;
    auto record = [&] { seen.push_back(CurrentDialog(sheet)); };
    Script script({
        [&] { sheet = welcome.SheetWindow(); },
        [&] { Press(sheet, PSBTN_NEXT); },
        record,
        [&] { Press(sheet, PSBTN_BACK); },
        record,
        [&] { welcome.nextAnswer = -1; },
        [&] { Press(sheet, PSBTN_NEXT); },
        record,
        [&] { Press(sheet, PSBTN_CANCEL); },
    });
    EXPECT_EQ(RunSheet({&welcome, &name, &options, &finish}), 0);
    EXPECT_TRUE(script.Finished());
    EXPECT_EQ(seen, (std::vector<int>{IDD_TEST_OPTIONS, IDD_TEST_WELCOME, IDD_TEST_WELCOME}));
}

TEST(PropertyPages, APropertyPageShowsItsTabTitleAndAppliesAtOk) {
    TestNode node;
    AnsweringPage general(&node);
    ASSERT_NE(general.CreatePropertyPage(IDD_TEST_GENERAL, IDS_GENERAL_TAB), nullptr);
    EXPECT_EQ(general.Kind(), Snapins::kPropertyPage);
    HWND sheet = nullptr;
    Script script({
        [&] {
            sheet = GetParent(general.PageWindow());
            tvp::WindowState state;
            ASSERT_TRUE(tvp::GetWindowState(sheet, state));
            ASSERT_EQ(state.items.size(), 1u);
            EXPECT_EQ(state.items[0].text, L"General");
        },
        [&] { general.applyAnswer = PSNRET_INVALID; },
        [&] { Press(sheet, PSBTN_OK); },
        [&] {
            EXPECT_EQ(general.applies, 1);
            EXPECT_TRUE(IsWindow(sheet)) << "a page that refuses its changes keeps the sheet open";
            general.applyAnswer = PSNRET_NOERROR;
        },
        [&] { Press(sheet, PSBTN_OK); },
    });
    EXPECT_EQ(RunSheet({&general}, false), 1);
    EXPECT_TRUE(script.Finished());
    EXPECT_EQ(general.applies, 2);
}

TEST(PageProcedure, MessagesBeforeInitialisationGetTheDefaultWindowProceduresAnswer) {
    HWND window =
        CreateWindowExW(0, L"Static", L"abc", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(CBasePropPage::PageProc(window, WM_GETTEXTLENGTH, 0, 0), 3);
    NMHDR header{window, 0, PSN_SETACTIVE};
    EXPECT_EQ(CBasePropPage::PageProc(window, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&header)), 0);
    EXPECT_EQ(CBasePropPage::FromWindow(window), nullptr);
    DestroyWindow(window);

    // The template's font reaches a page before WM_INITDIALOG; the page leaves it to the dialog.
    Wizard w;
    Script script({
        [&] {
            EXPECT_NE(SendMessageW(w.welcome.PageWindow(), WM_GETFONT, 0, 0), 0);
            Press(w.Sheet(), PSBTN_CANCEL);
        },
    });
    w.Run();
    EXPECT_TRUE(script.Finished());
}

TEST(PageProcedure, APageIsFoundByItsWindowOnlyWhileTheWindowExists) {
    TestNode node;
    bool deleted = false;
    auto* page = new AnsweringPage(&node);
    page->deleted = &deleted;
    page->CreateExteriorPage(IDD_TEST_WELCOME, IDS_WIZARD_TITLE);
    node.KeepPage(page);
    HWND pageWindow = nullptr;
    Script script({
        [&] {
            pageWindow = page->PageWindow();
            EXPECT_EQ(CBasePropPage::FromWindow(pageWindow), page);
            Press(page->SheetWindow(), PSBTN_CANCEL);
        },
    });
    RunSheet({page});
    ASSERT_TRUE(script.Finished());
    EXPECT_FALSE(IsWindow(pageWindow));
    EXPECT_EQ(CBasePropPage::FromWindow(pageWindow), nullptr);

    node.EndWizard();
    EXPECT_TRUE(deleted);
    // A late message for the old window must not reach the deleted page (ASan would see it).
    NMHDR header{pageWindow, 0, PSN_WIZNEXT};
    EXPECT_EQ(CBasePropPage::PageProc(pageWindow, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&header)), 0);

    // And the next wizard's pages work as before.
    Wizard next;
    Script again({[&] { Press(next.Sheet(), PSBTN_NEXT); }, [&] { Press(next.Sheet(), PSBTN_CANCEL); }});
    EXPECT_EQ(next.Run(), 0);
    EXPECT_TRUE(again.Finished());
}

TEST(PageProcedure, APageDeletedWhileItsModelessSheetIsOpenGetsNoMoreMessages) {
    TestNode node;
    auto* page = new AnsweringPage(&node);
    HPROPSHEETPAGE handle = page->CreatePropertyPage(IDD_TEST_GENERAL, IDS_GENERAL_TAB);
    node.KeepPage(page);
    PROPSHEETHEADERW header{};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_MODELESS;
    header.pszCaption = L"Sheet";
    header.nPages = 1;
    header.phpage = &handle;
    auto sheet = reinterpret_cast<HWND>(PropertySheetW(&header));
    ASSERT_NE(sheet, nullptr);
    HWND pageWindow = page->PageWindow();
    ASSERT_NE(pageWindow, nullptr);

    // The node builds its next sheet while the first is still open.
    node.CreatePropertyPages(nullptr, 0);
    EXPECT_EQ(CBasePropPage::FromWindow(pageWindow), nullptr);
    SendMessageW(pageWindow, WM_COMMAND, MAKEWPARAM(IDC_TEST_NAME, EN_CHANGE), 0);
    Press(sheet, PSBTN_OK); // PSN_KILLACTIVE and PSN_APPLY to the page's window
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&message);
    DestroyWindow(sheet);
}

// The pick page of the tests: its lists and buttons from the template, three items to pick, one of
// them with a name longer than a moved item keeps.
class PickPage : public Snapins::CTwoListPickPage {
public:
    PickPage(Snapins::CBaseNode* node, bool allowEmpty) : CTwoListPickPage(node) {
        m_allowEmptyPick = allowEmpty;
    }
    static inline const std::wstring kLongName = L"Zulu " + std::wstring(115, L'z');
    INT_PTR OnInitDialog(HWND window, HWND focus, LPARAM param) override {
        INT_PTR result = CTwoListPickPage::OnInitDialog(window, focus, param);
        m_sourceList = GetDlgItem(window, IDC_TEST_SOURCE_LIST);
        m_pickedList = GetDlgItem(window, IDC_TEST_PICKED_LIST);
        m_pickSelected = GetDlgItem(window, Snapins::kPickSelectedButton);
        m_pickAll = GetDlgItem(window, Snapins::kPickAllButton);
        m_returnSelected = GetDlgItem(window, Snapins::kReturnSelectedButton);
        m_returnAll = GetDlgItem(window, Snapins::kReturnAllButton);
        SetListImages(Snapins::CBaseNode::SmallImages());
        int image = 2;
        for (const std::wstring& text : {std::wstring(L"Bravo"), std::wstring(L"Alpha"), kLongName}) {
            LVITEMW item{};
            item.mask = LVIF_TEXT | LVIF_IMAGE;
            item.pszText = const_cast<LPWSTR>(text.c_str());
            item.iImage = image++;
            SendMessageW(m_sourceList, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
        }
        return result;
    }
    HWND Source() const { return m_sourceList; }
    HWND Picked() const { return m_pickedList; }
    HWND Button(int id) const { return GetDlgItem(m_pageWindow, id); }
    HIMAGELIST Images(HWND list) const {
        return reinterpret_cast<HIMAGELIST>(SendMessageW(list, LVM_GETIMAGELIST, LVSIL_SMALL, 0));
    }
};

struct PickWizard {
    TestNode node;
    PickPage pick;
    CBasePropPage finish{&node};
    explicit PickWizard(bool allowEmpty = false) : pick(&node, allowEmpty) {
        pick.CreateInteriorPage(IDD_TEST_PICK, IDS_PICK_TITLE, IDS_PICK_SUBTITLE);
        finish.CreateExteriorPage(IDD_TEST_FINISH, IDS_WIZARD_TITLE);
    }
    INT_PTR Run() { return RunSheet({&pick, &finish}); }
    HWND Sheet() const { return pick.SheetWindow(); }
    bool NextEnabled() const { return Enabled(GetDlgItem(Sheet(), ID_WIZNEXT)); }
    bool BackEnabled() const { return Enabled(GetDlgItem(Sheet(), ID_WIZBACK)); }
    // Column-0 texts and images of a list, in its order.
    static std::vector<std::pair<std::wstring, int>> Items(HWND list) {
        tvp::WindowState state;
        tvp::GetWindowState(list, state);
        std::vector<std::pair<std::wstring, int>> items;
        for (const tvp::ListItem& item : state.items)
            items.emplace_back(item.text, item.image);
        return items;
    }
    // Which of the four buttons a person could press: pick selected, pick all, return selected,
    // return all.
    std::vector<bool> Buttons() const {
        return {Enabled(pick.Button(Snapins::kPickSelectedButton)),
                Enabled(pick.Button(Snapins::kPickAllButton)),
                Enabled(pick.Button(Snapins::kReturnSelectedButton)),
                Enabled(pick.Button(Snapins::kReturnAllButton))};
    }
};

using Items = std::vector<std::pair<std::wstring, int>>;

TEST(TwoListPickPage, MovingItemsCarriesTextAndImageAndTheButtonsFollowTheLists) {
    PickWizard w;
    const std::wstring cutName = PickPage::kLongName.substr(0, 100);
    HIMAGELIST images = nullptr;
    Script script({
        [&] {
            images = w.pick.Images(w.pick.Source());
            EXPECT_EQ(ImageList_GetImageCount(images), 15) << "both lists show the nodes' small strip";
            EXPECT_EQ(w.pick.Images(w.pick.Picked()), images);
            EXPECT_EQ(w.Buttons(), (std::vector<bool>{false, true, false, false}));
            EXPECT_FALSE(w.NextEnabled()) << "nothing picked: Back only";
            EXPECT_TRUE(w.BackEnabled());
        },
        [&] {
            // Pick selected with nothing selected moves nothing.
            SendMessageW(w.pick.PageWindow(), WM_COMMAND,
                         MAKEWPARAM(Snapins::kPickSelectedButton, BN_CLICKED),
                         reinterpret_cast<LPARAM>(w.pick.Button(Snapins::kPickSelectedButton)));
            EXPECT_EQ(w.Items(w.pick.Picked()), Items{});
        },
        [&] { EXPECT_TRUE(tvp::ChooseItem(w.pick.Source(), 1)); }, // Bravo, in the sorted list
        [&] {
            EXPECT_EQ(w.Buttons(), (std::vector<bool>{true, true, false, false}))
                << "the selection allows a pick";
            EXPECT_TRUE(tvp::Click(w.pick.Button(Snapins::kPickSelectedButton)));
        },
        [&] {
            EXPECT_EQ(w.Items(w.pick.Picked()), (Items{{L"Bravo", 2}}));
            EXPECT_EQ(w.Items(w.pick.Source()), (Items{{L"Alpha", 3}, {PickPage::kLongName, 4}}));
            EXPECT_TRUE(w.NextEnabled()) << "one picked item lets the wizard go on";
            EXPECT_EQ(w.Buttons(), (std::vector<bool>{false, true, false, true}));
        },
        [&] {
            EXPECT_TRUE(tvp::PickItems(w.pick.Source(), {0, 1}));
        },
        [&] { EXPECT_TRUE(tvp::Click(w.pick.Button(Snapins::kPickSelectedButton))); },
        [&] {
            EXPECT_EQ(w.Items(w.pick.Source()), Items{});
            EXPECT_EQ(w.Items(w.pick.Picked()), (Items{{L"Alpha", 3}, {L"Bravo", 2}, {cutName, 4}}))
                << "a moved text keeps at most 100 characters";
            EXPECT_EQ(w.Buttons(), (std::vector<bool>{false, false, false, true}));
        },
        [&] { EXPECT_TRUE(tvp::ChooseItem(w.pick.Picked(), 2)); },
        [&] {
            EXPECT_EQ(w.Buttons(), (std::vector<bool>{false, false, true, true}));
            EXPECT_TRUE(tvp::Click(w.pick.Button(Snapins::kReturnSelectedButton)));
        },
        [&] {
            EXPECT_EQ(w.Items(w.pick.Source()), (Items{{cutName, 4}}));
            EXPECT_TRUE(tvp::Click(w.pick.Button(Snapins::kReturnAllButton)));
        },
        [&] {
            EXPECT_EQ(w.Items(w.pick.Picked()), Items{});
            EXPECT_EQ(w.Items(w.pick.Source()), (Items{{L"Alpha", 3}, {L"Bravo", 2}, {cutName, 4}}));
            EXPECT_FALSE(w.NextEnabled()) << "moving all back leaves Back only";
            EXPECT_TRUE(w.BackEnabled());
            EXPECT_EQ(w.Buttons(), (std::vector<bool>{false, true, false, false}));
        },
        [&] { EXPECT_TRUE(tvp::Click(w.pick.Button(Snapins::kPickAllButton))); },
        [&] {
            EXPECT_EQ(w.Items(w.pick.Picked()).size(), 3u);
            EXPECT_TRUE(w.NextEnabled());
            Press(w.Sheet(), PSBTN_CANCEL);
        },
    });
    EXPECT_EQ(w.Run(), 0);
    EXPECT_TRUE(script.Finished());
    EXPECT_EQ(ImageList_GetImageCount(images), 0) << "the page releases the lists' images with its window";
}

TEST(TwoListPickPage, AnEmptyPickIsAllowedWhenThePageSaysSo) {
    PickWizard w(true);
    Script script({
        [&] { EXPECT_TRUE(w.NextEnabled()) << "nothing picked, and Next anyway"; },
        [&] { EXPECT_TRUE(tvp::Click(w.pick.Button(Snapins::kPickAllButton))); },
        [&] { EXPECT_TRUE(tvp::Click(w.pick.Button(Snapins::kReturnAllButton))); },
        [&] {
            EXPECT_EQ(w.Items(w.pick.Picked()), Items{});
            EXPECT_TRUE(w.NextEnabled());
            Press(w.Sheet(), PSBTN_NEXT);
        },
        [&] {
            EXPECT_EQ(CurrentDialog(w.Sheet()), IDD_TEST_FINISH);
            Press(w.Sheet(), PSBTN_FINISH);
        },
    });
    EXPECT_EQ(w.Run(), 1);
    EXPECT_TRUE(script.Finished());
}

} // namespace
