// Property sheets and wizards as pages and people see them: the notifications a page gets and what
// its DWLP_MSGRESULT answers do (a dialog id jumps, -1 stays, PSNRET_INVALID keeps the sheet open),
// OK, Cancel and Apply, the wizard's buttons, the Wizard97 header and watermark, the page record and
// its callbacks, modeless sheets, and a worker thread that moves a wizard on, before and after the
// wizard is gone.
#include <atomic>
#include <thread>

#include "sheet_test_support.h"

namespace {

using namespace sheettest;
using Log = std::vector<std::string>;

struct Wizard {
    Log log;
    HWND sheet = nullptr;
    PageSpec welcome{IDD_WELCOME}, name{IDD_NAME}, options{IDD_OPTIONS}, progress{IDD_PROGRESS},
        finish{IDD_FINISH};
    std::vector<PageSpec*> specs{&welcome, &name, &options, &progress, &finish};
    std::vector<HPROPSHEETPAGE> pages;

    Wizard() {
        for (PageSpec* spec : specs) {
            spec->log = &log;
            spec->sheet = &sheet;
        }
        pages.push_back(MakePage(welcome, PSP_HIDEHEADER | PSP_USETITLE, L"Test Wizard"));
        pages.push_back(MakePage(name, PSP_USEHEADERTITLE | PSP_USEHEADERSUBTITLE | PSP_USETITLE,
                                 L"Test Wizard", L"Name", L"Choose a name."));
        pages.push_back(MakePage(options, PSP_USEHEADERTITLE, nullptr, MAKEINTRESOURCEW(IDS_HEADERTITLE)));
        pages.push_back(MakePage(progress, PSP_USEHEADERTITLE, nullptr, L"Progress"));
        pages.push_back(MakePage(finish, PSP_HIDEHEADER));
    }
    INT_PTR Run() {
        PROPSHEETHEADERW h = Header(PSH_WIZARD97 | PSH_WATERMARK | PSH_HEADER, pages, L"");
        h.pszbmWatermark = MAKEINTRESOURCEW(IDB_WATERMARK);
        h.pszbmHeader = MAKEINTRESOURCEW(IDB_HEADER);
        return PropertySheetW(&h);
    }
    Script::Step Press(int button) {
        return Do([this, button] { SendMessageW(sheet, PSM_PRESSBUTTON, button, 0); });
    }
    Script::Step Expect(int dialog) {
        return Do([this, dialog] { EXPECT_EQ(CurrentDialog(sheet), dialog); });
    }
};

TEST(Wizard, NextAndBackMoveToTheAdjacentPageOrWhereTheAnswerSays) {
    Wizard w;
    w.name.next = IDD_PROGRESS; // jumps over the options page
    w.progress.back = IDD_WELCOME;
    Script script({
        w.Expect(IDD_WELCOME),
        w.Press(PSBTN_NEXT),
        w.Expect(IDD_NAME),
        w.Press(PSBTN_NEXT),
        w.Expect(IDD_PROGRESS),
        w.Press(PSBTN_BACK),
        w.Expect(IDD_WELCOME),
        Do([&] { w.welcome.next = -1; }),
        w.Press(PSBTN_NEXT),
        w.Expect(IDD_WELCOME),
        Do([&] { w.welcome.next = 0; }),
        w.Press(PSBTN_NEXT),
        w.Press(PSBTN_FINISH),
    });
    EXPECT_EQ(w.Run(), 1);
    EXPECT_TRUE(script.Finished());
    EXPECT_EQ(w.log,
              (Log{"200 init", "200 setactive", "200 next", "200 killactive", "201 init", "201 setactive",
                   "201 next", "201 killactive", "203 init", "203 setactive", "203 back", "203 killactive",
                   "200 setactive", "200 next", "200 next", "200 killactive", "201 setactive", "201 finish"}))
        << "pages are made the first time they are shown, and -1 keeps the page without leaving it";
}

TEST(Wizard, APageThatAnswersSetActiveWithMinusOneIsPassedInTheDirectionOfTravel) {
    Wizard w;
    w.options.setActive = -1;
    Script script({
        w.Press(PSBTN_NEXT),
        w.Press(PSBTN_NEXT),
        w.Expect(IDD_PROGRESS),
        w.Press(PSBTN_BACK),
        w.Expect(IDD_NAME),
        w.Press(PSBTN_CANCEL),
    });
    EXPECT_EQ(w.Run(), 0);
    EXPECT_TRUE(script.Finished());
}

TEST(Wizard, FinishThatTheLastPageRefusesKeepsTheWizardOpen) {
    Wizard w;
    w.finish.finish = TRUE;
    Script script({
        Do([&] { PropSheet_SetCurSel(w.sheet, nullptr, 4); }),
        w.Press(PSBTN_FINISH),
        w.Expect(IDD_FINISH),
        Do([&] { EXPECT_TRUE(IsWindowVisible(w.sheet)); }),
        Do([&] { w.finish.finish = FALSE; }),
        w.Press(PSBTN_FINISH),
    });
    EXPECT_EQ(w.Run(), 1);
    EXPECT_TRUE(script.Finished());
}

TEST(Wizard, ButtonsFollowSetWizButtonsAndAPressedButtonActsEvenWhenDisabled) {
    Wizard w;
    w.welcome.buttons = PSWIZB_NEXT;
    w.name.buttons = PSWIZB_BACK; // Next stays disabled until the page allows it
    w.finish.buttons = PSWIZB_BACK | PSWIZB_FINISH;
    auto enabled = [&](int id) {
        return IsWindowEnabled(GetDlgItem(w.sheet, id)) && IsWindowVisible(GetDlgItem(w.sheet, id));
    };
    Script script({
        Do([&] {
            EXPECT_FALSE(enabled(ID_WIZBACK));
            EXPECT_TRUE(enabled(ID_WIZNEXT));
            EXPECT_FALSE(IsWindowVisible(GetDlgItem(w.sheet, ID_WIZFINISH)));
        }),
        Do([&] { EXPECT_TRUE(tvp::Click(GetDlgItem(w.sheet, ID_WIZNEXT))); }),
        Do([&] {
            EXPECT_EQ(CurrentDialog(w.sheet), IDD_NAME);
            EXPECT_TRUE(enabled(ID_WIZBACK));
            EXPECT_FALSE(tvp::Click(GetDlgItem(w.sheet, ID_WIZNEXT)))
                << "a person cannot press a disabled Next";
        }),
        w.Expect(IDD_NAME),
        w.Press(PSBTN_NEXT), // code can, as a worker does
        w.Expect(IDD_OPTIONS),
        Do([&] { PropSheet_SetCurSel(w.sheet, nullptr, 4); }),
        Do([&] {
            EXPECT_FALSE(IsWindowVisible(GetDlgItem(w.sheet, ID_WIZNEXT)))
                << "Finish takes the place of Next";
            EXPECT_TRUE(enabled(ID_WIZFINISH));
            EXPECT_TRUE(tvp::Click(GetDlgItem(w.sheet, ID_WIZFINISH)));
        }),
    });
    EXPECT_EQ(w.Run(), 1);
    EXPECT_TRUE(script.Finished());
}

TEST(Wizard, Wizard97ShowsTheHeaderOnInteriorPagesAndTheWatermarkOnExteriorOnes) {
    Wizard w;
    auto shown = [&](int id) { return IsWindowVisible(GetDlgItem(w.sheet, id)) != FALSE; };
    auto text = [&](int id) { return wintest::TextOf(GetDlgItem(w.sheet, id)); };
    Script script({
        Do([&] {
            EXPECT_TRUE(shown(TV_IDC_SHEET_WATERMARK));
            EXPECT_FALSE(shown(TV_IDC_SHEET_HEADERTITLE));
            EXPECT_EQ(wintest::TextOf(w.sheet), L"Test Wizard") << "the title bar shows the page's title";
            auto image =
                SendMessageW(GetDlgItem(w.sheet, TV_IDC_SHEET_WATERMARK), STM_GETIMAGE, IMAGE_BITMAP, 0);
            EXPECT_NE(image, 0) << "the watermark bitmap from the module";
            RECT page, sheet;
            GetWindowRect(CurrentPage(w.sheet), &page);
            GetWindowRect(w.sheet, &sheet);
            EXPECT_EQ(page.top, sheet.top) << "an exterior page has no header above it";
        }),
        w.Press(PSBTN_NEXT),
        Do([&] {
            EXPECT_FALSE(shown(TV_IDC_SHEET_WATERMARK));
            EXPECT_TRUE(shown(TV_IDC_SHEET_HEADERTITLE));
            EXPECT_TRUE(shown(TV_IDC_SHEET_HEADERBITMAP));
            EXPECT_EQ(text(TV_IDC_SHEET_HEADERTITLE), L"Name");
            EXPECT_EQ(text(TV_IDC_SHEET_HEADERSUBTITLE), L"Choose a name.");
            RECT page, sheet;
            GetWindowRect(CurrentPage(w.sheet), &page);
            GetWindowRect(w.sheet, &sheet);
            EXPECT_GT(page.top, sheet.top) << "an interior page sits below the header";
        }),
        w.Press(PSBTN_NEXT),
        Do([&] {
            EXPECT_EQ(text(TV_IDC_SHEET_HEADERTITLE), L"Header from a string");
            EXPECT_EQ(text(TV_IDC_SHEET_HEADERSUBTITLE), L"");
            PropSheet_SetHeaderTitle(w.sheet, 2, L"Changed");
            EXPECT_EQ(text(TV_IDC_SHEET_HEADERTITLE), L"Changed");
            tvp::WindowState state;
            tvp::GetWindowState(w.sheet, state);
            EXPECT_EQ(state.kind, tvp::Kind::PropertySheet);
            EXPECT_TRUE(state.wizard);
            EXPECT_EQ(state.selection, 2);
            EXPECT_EQ(state.items.size(), 5u);
        }),
        w.Press(PSBTN_CANCEL),
    });
    w.Run();
    EXPECT_TRUE(script.Finished());
}

struct Sheet {
    Log log;
    HWND sheet = nullptr;
    PageSpec general{IDD_GENERAL}, advanced{IDD_ADVANCED};
    std::vector<HPROPSHEETPAGE> pages;
    Sheet() {
        for (PageSpec* spec : {&general, &advanced}) {
            spec->log = &log;
            spec->sheet = &sheet;
        }
        pages.push_back(MakePage(general, PSP_USETITLE, MAKEINTRESOURCEW(IDS_GENERAL)));
        pages.push_back(MakePage(advanced));
    }
    INT_PTR Run(DWORD flags = 0) {
        PROPSHEETHEADERW h = Header(flags, pages, L"Sales");
        return PropertySheetW(&h);
    }
    bool ApplyEnabled() { return IsWindowEnabled(GetDlgItem(sheet, ID_APPLY_NOW)) != FALSE; }
};

TEST(PropertySheet, ApplyIsEnabledByAChangeAndAppliesEveryPageMadeSoFar) {
    Sheet s;
    Script script({
        Do([&] {
            EXPECT_FALSE(s.ApplyEnabled());
            EXPECT_EQ(wintest::TextOf(s.sheet), L"Sales");
            PropSheet_Changed(s.sheet, CurrentPage(s.sheet));
            EXPECT_TRUE(s.ApplyEnabled());
            PropSheet_UnChanged(s.sheet, CurrentPage(s.sheet));
            EXPECT_FALSE(s.ApplyEnabled());
            PropSheet_Changed(s.sheet, CurrentPage(s.sheet));
            s.log.clear();
            EXPECT_TRUE(tvp::Click(GetDlgItem(s.sheet, ID_APPLY_NOW)));
            EXPECT_EQ(s.log, (Log{"210 killactive", "210 apply"})) << "the advanced page was never made";
            EXPECT_FALSE(s.ApplyEnabled());
            EXPECT_TRUE(IsWindowVisible(s.sheet)) << "Apply keeps the sheet open";
            tvp::WindowState state;
            tvp::GetWindowState(s.sheet, state);
            EXPECT_EQ(state.items[0].text, L"General");
            EXPECT_EQ(state.items[1].text, L"Advanced")
                << "a page without a title shows its template's caption";
        }),
        Do([&] { EXPECT_TRUE(PropSheet_SetCurSel(s.sheet, nullptr, 1)); }),
        Do([&] {
            s.log.clear();
            EXPECT_TRUE(tvp::Click(GetDlgItem(s.sheet, IDOK)));
        }),
    });
    EXPECT_EQ(s.Run(), 1);
    EXPECT_EQ(s.log, (Log{"211 killactive", "210 apply", "211 apply"}));
    EXPECT_TRUE(script.Finished());
}

TEST(PropertySheet, AnInvalidPageKeepsTheSheetOpenOnThatPage) {
    Sheet s;
    s.general.apply = PSNRET_INVALID;
    Script script({
        Do([&] { PropSheet_SetCurSel(s.sheet, nullptr, 1); }),
        Do([&] { SendMessageW(s.sheet, PSM_PRESSBUTTON, PSBTN_OK, 0); }),
        Do([&] {
            EXPECT_TRUE(IsWindowVisible(s.sheet));
            EXPECT_EQ(CurrentDialog(s.sheet), IDD_GENERAL) << "the sheet shows the page that refused";
            s.general.apply = PSNRET_NOERROR;
            s.advanced.apply = PSNRET_INVALID_NOCHANGEPAGE;
        }),
        Do([&] { SendMessageW(s.sheet, PSM_PRESSBUTTON, PSBTN_OK, 0); }),
        Do([&] {
            EXPECT_EQ(CurrentDialog(s.sheet), IDD_GENERAL);
            s.advanced.apply = PSNRET_NOERROR;
        }),
        Do([&] { SendMessageW(s.sheet, PSM_PRESSBUTTON, PSBTN_OK, 0); }),
    });
    EXPECT_EQ(s.Run(), 1);
    EXPECT_TRUE(script.Finished());
}

TEST(PropertySheet, CancelAsksTheCurrentPageThenResetsEveryPage) {
    Sheet s;
    s.general.queryCancel = TRUE;
    Script script({
        Do([&] { PropSheet_SetCurSel(s.sheet, nullptr, 1); }),
        Do([&] { PropSheet_SetCurSel(s.sheet, nullptr, 0); }),
        Do([&] {
            s.log.clear();
            EXPECT_TRUE(tvp::Click(GetDlgItem(s.sheet, IDCANCEL)));
            EXPECT_TRUE(IsWindowVisible(s.sheet)) << "the page refused the cancel";
            s.general.queryCancel = FALSE;
        }),
        Do([&] { SendMessageW(s.sheet, WM_CLOSE, 0, 0); }),
    });
    EXPECT_EQ(s.Run(), 0);
    EXPECT_EQ(s.log, (Log{"210 querycancel", "210 querycancel", "210 reset", "211 reset"}));
    EXPECT_TRUE(script.Finished());
}

TEST(PropertySheet, APageThatRefusesToLoseTheFocusKeepsIt) {
    Sheet s;
    s.general.killActive = TRUE;
    Script script({
        Do([&] {
            EXPECT_FALSE(PropSheet_SetCurSel(s.sheet, nullptr, 1));
            EXPECT_EQ(CurrentDialog(s.sheet), IDD_GENERAL);
            s.general.killActive = FALSE;
            EXPECT_TRUE(PropSheet_SetCurSel(s.sheet, nullptr, 1));
            EXPECT_EQ(CurrentDialog(s.sheet), IDD_ADVANCED);
            EXPECT_FALSE(IsWindowVisible(PropSheet_IndexToHwnd(s.sheet, 0)))
                << "the page that went is hidden";
        }),
        Do([&] { PropSheet_PressButton(s.sheet, PSBTN_CANCEL); }),
    });
    s.Run();
    EXPECT_TRUE(script.Finished());
}

struct Callbacks {
    static inline Log log;
    static UINT CALLBACK Callback(HWND, UINT message, PROPSHEETPAGEW* psp) {
        static const char* names[] = {"addref", "release", "create"};
        log.push_back(names[message]);
        return message == PSPCB_CREATE ? static_cast<UINT>(psp->lParam != 0) : 1;
    }
};

TEST(Page, KeepsItsOwnCopyOfTheRecordAndCallsBackAsItLives) {
    Callbacks::log.clear();
    PageSpec spec{IDD_GENERAL};
    UINT references = 0;
    HPROPSHEETPAGE page;
    {
        std::wstring title = L"Temporary title";
        PROPSHEETPAGEW psp{};
        psp.dwSize = sizeof psp;
        psp.dwFlags = PSP_USETITLE | PSP_USECALLBACK | PSP_USEREFPARENT;
        psp.hInstance = GetModuleHandleW(nullptr);
        psp.pszTemplate = MAKEINTRESOURCEW(IDD_GENERAL);
        psp.pszTitle = title.c_str();
        psp.pfnDlgProc = PageProc;
        psp.pfnCallback = Callbacks::Callback;
        psp.pcRefParent = &references;
        psp.lParam = reinterpret_cast<LPARAM>(&spec);
        page = CreatePropertySheetPageW(&psp);
        title.assign(title.size(), L'x'); // the page copied the text
    }
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(references, 1u);
    EXPECT_EQ(Callbacks::log, (Log{"addref"}));

    std::vector<HPROPSHEETPAGE> pages{page};
    PROPSHEETHEADERW h = Header(PSH_MODELESS, pages);
    auto sheet = reinterpret_cast<HWND>(PropertySheetW(&h));
    ASSERT_TRUE(IsWindow(sheet)) << "a modeless sheet is returned at once";
    EXPECT_EQ(spec.initParam, reinterpret_cast<LPARAM>(&spec)) << "WM_INITDIALOG brings the page's lParam";
    tvp::WindowState state;
    tvp::GetWindowState(sheet, state);
    EXPECT_EQ(state.items[0].text, L"Temporary title");
    EXPECT_EQ(Callbacks::log, (Log{"addref", "create"}));

    SendMessageW(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    EXPECT_EQ(PropSheet_GetCurrentPageHwnd(sheet), nullptr) << "a closed modeless sheet has no current page";
    EXPECT_EQ(PropSheet_GetResult(sheet), 1);
    EXPECT_TRUE(IsWindow(sheet)) << "its owner destroys it";
    DestroyWindow(sheet);
    EXPECT_EQ(Callbacks::log, (Log{"addref", "create", "release"}));
    EXPECT_EQ(references, 0u);
    EXPECT_FALSE(DestroyPropertySheetPage(page)) << "the sheet destroyed its pages";
}

TEST(Page, OneThatRefusesToBeCreatedIsPassedOver) {
    Callbacks::log.clear();
    PageSpec second{IDD_OPTIONS};
    PROPSHEETPAGEW psp{};
    psp.dwSize = PROPSHEETPAGEW_V1_SIZE; // an older, shorter record is accepted too
    psp.dwFlags = PSP_USECALLBACK;
    psp.hInstance = GetModuleHandleW(nullptr);
    psp.pszTemplate = MAKEINTRESOURCEW(IDD_NAME);
    psp.pfnDlgProc = PageProc;
    psp.pfnCallback = Callbacks::Callback;
    psp.lParam = 0; // the callback refuses PSPCB_CREATE for it
    std::vector<HPROPSHEETPAGE> pages{CreatePropertySheetPageW(&psp), MakePage(second)};
    ASSERT_NE(pages[0], nullptr);
    PROPSHEETHEADERW h = Header(PSH_MODELESS | PSH_WIZARD, pages);
    auto sheet = reinterpret_cast<HWND>(PropertySheetW(&h));
    EXPECT_EQ(CurrentDialog(sheet), IDD_OPTIONS);
    DestroyWindow(sheet);

    psp.dwSize = 12;
    EXPECT_EQ(CreatePropertySheetPageW(&psp), nullptr) << "a record too short to be one";
    EXPECT_EQ(CreatePropertySheetPageW(nullptr), nullptr);
    EXPECT_FALSE(DestroyPropertySheetPage(reinterpret_cast<HPROPSHEETPAGE>(0x1234)));
}

TEST(PropertySheet, PagesAddedAndRemovedWhileItIsOpen) {
    Callbacks::log.clear();
    Log log;
    PageSpec general{IDD_GENERAL, 0, 0, 0, 0, 0, 0, 0, 0, &log},
        advanced{IDD_ADVANCED, 0, 0, 0, 0, 0, 0, 0, 0, &log};
    std::vector<HPROPSHEETPAGE> pages{MakePage(general)};
    PROPSHEETHEADERW h = Header(PSH_MODELESS, pages);
    auto sheet = reinterpret_cast<HWND>(PropertySheetW(&h));
    ASSERT_TRUE(IsWindow(sheet));

    PROPSHEETPAGEW psp{};
    psp.dwSize = sizeof psp;
    psp.dwFlags = PSP_USECALLBACK;
    psp.hInstance = GetModuleHandleW(nullptr);
    psp.pszTemplate = MAKEINTRESOURCEW(IDD_ADVANCED);
    psp.pfnDlgProc = PageProc;
    psp.pfnCallback = Callbacks::Callback;
    psp.lParam = reinterpret_cast<LPARAM>(&advanced);
    HPROPSHEETPAGE added = CreatePropertySheetPageW(&psp);
    EXPECT_TRUE(PropSheet_AddPage(sheet, added));
    EXPECT_EQ(PropSheet_PageToIndex(sheet, added), 1);
    EXPECT_EQ(PropSheet_IdToIndex(sheet, IDD_ADVANCED), 1);

    // Removing the page on show brings the next one, without asking the one that goes.
    HWND gone = CurrentPage(sheet);
    log.clear();
    PropSheet_RemovePage(sheet, 0, nullptr);
    EXPECT_FALSE(IsWindow(gone));
    EXPECT_EQ(CurrentDialog(sheet), IDD_ADVANCED);
    EXPECT_EQ(PropSheet_IndexToPage(sheet, 0), added);
    EXPECT_EQ(log, (Log{"211 init", "211 setactive"}));

    PropSheet_RemovePage(sheet, 0, added);
    EXPECT_EQ(Callbacks::log, (Log{"addref", "create", "release"}));
    EXPECT_EQ(CurrentPage(sheet), nullptr) << "no page is left";
    DestroyWindow(sheet);
}

// The progress page of a wizard: a worker thread sends the bar's position and posts Next, as the
// backup, restore and registration wizards do.
TEST(WizardWorker, MovesTheBarAndTheWizardOnAndFailsHarmlesslyOnceTheWizardIsGone) {
    Wizard w;
    w.progress.buttons = 0;
    std::thread worker;
    std::atomic<bool> done{false};
    HWND bar = nullptr;
    LRESULT previous = -1;
    Script script({
        Do([&] { PropSheet_SetCurSel(w.sheet, nullptr, 3); }),
        Do([&] {
            PropSheet_SetWizButtons(w.sheet, 0);
            bar = GetDlgItem(CurrentPage(w.sheet), IDC_BAR);
            HWND sheet = w.sheet;
            worker = std::thread([&, sheet, bar] {
                previous = SendMessageW(bar, PBM_SETPOS, 50, 0);
                PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_NEXT, 0);
                done = true;
            });
        }),
        [&] { return done.load() && CurrentDialog(w.sheet) == IDD_FINISH; },
        Do([&] {
            EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), 50);
            EXPECT_EQ(previous, 0);
        }),
        w.Press(PSBTN_FINISH),
    });
    EXPECT_EQ(w.Run(), 1);
    worker.join();
    EXPECT_TRUE(script.Finished());

    // Cancelled before the worker speaks: its messages meet no window and change nothing.
    Wizard gone;
    std::atomic<bool> go{false};
    LRESULT sent = -1;
    BOOL posted = TRUE;
    DWORD error = 0;
    Script cancel({
        Do([&] { PropSheet_SetCurSel(gone.sheet, nullptr, 3); }),
        Do([&] {
            bar = GetDlgItem(CurrentPage(gone.sheet), IDC_BAR);
            HWND sheet = gone.sheet;
            worker = std::thread([&, sheet, bar] {
                while (!go.load())
                    std::this_thread::yield();
                sent = SendMessageW(bar, PBM_SETPOS, 50, 0);
                posted = PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_NEXT, 0);
                error = GetLastError();
            });
        }),
        gone.Press(PSBTN_CANCEL),
    });
    EXPECT_EQ(gone.Run(), 0);
    EXPECT_FALSE(IsWindow(gone.sheet));
    go = true;
    worker.join();
    EXPECT_EQ(sent, 0);
    EXPECT_FALSE(posted);
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

} // namespace
