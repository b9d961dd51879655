// Dialogs from templates: the modal loop and EndDialog, the dialog procedure's answers through
// DWLP_MSGRESULT, dialog units and the template font, the functions that reach controls by id, and
// what the front end hears of a dialog opening and closing.
#include <thread>

#include "tvfrontend.h"
#include "tvinput.h"
#include "dialogs.h"
#include "window_test_support.h"

namespace {

using namespace wintest;

struct ModalRun {
    HWND owner = nullptr;
    LPARAM initParam = 0;
    bool ownerEnabledInside = true;
    bool visibleInside = false;
    int focusAfterInit = 0; // the id of the control with the focus
};

INT_PTR CALLBACK ModalProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* run = reinterpret_cast<ModalRun*>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        reinterpret_cast<ModalRun*>(lParam)->initParam = lParam;
        PostMessageW(dialog, WM_APP, 0, 0); // handled inside the modal loop
        return TRUE;
    case WM_APP:
        run->ownerEnabledInside = IsWindowEnabled(run->owner);
        run->visibleInside = IsWindowVisible(dialog);
        run->focusAfterInit = GetDlgCtrlID(GetFocus());
        EndDialog(dialog, 42);
        return TRUE;
    }
    return FALSE;
}

TEST(DialogBox, RunsModallyWithTheOwnerDisabledAndReturnsEndDialogsValue) {
    HWND owner = MakeWindow(nullptr, WS_POPUP | WS_VISIBLE);
    ModalRun run;
    run.owner = owner;
    EXPECT_EQ(DialogBoxParamW(nullptr, MAKEINTRESOURCEW(IDD_FORM), owner, ModalProc,
                              reinterpret_cast<LPARAM>(&run)),
              42);
    EXPECT_EQ(run.initParam, reinterpret_cast<LPARAM>(&run)) << "WM_INITDIALOG carries the parameter";
    EXPECT_FALSE(run.ownerEnabledInside);
    EXPECT_TRUE(run.visibleInside) << "a modal dialog is shown whatever its WS_VISIBLE";
    EXPECT_EQ(run.focusAfterInit, IDC_NAME) << "TRUE from WM_INITDIALOG focuses the first tab stop";
    EXPECT_TRUE(IsWindowEnabled(owner)) << "the owner is enabled again";
    DestroyWindow(owner);
}

TEST(DialogBox, FailsWithMinusOneWhenTheDialogCannotBeMade) {
    EXPECT_EQ(DialogBoxParamW(nullptr, MAKEINTRESOURCEW(999), nullptr, ModalProc, 0), -1);
    EXPECT_EQ(DialogBoxParamW(nullptr, MAKEINTRESOURCEW(IDD_BADCLASS), nullptr, ModalProc, 0), -1)
        << "a control of an unknown class fails the dialog";
}

TEST(DialogBox, AMessageSentFromAnotherThreadIsHandledByTheModalLoop) {
    struct Worker {
        static INT_PTR CALLBACK Proc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
            if (message == WM_INITDIALOG) {
                // A worker that ends the dialog through a sent message, as a wizard's worker does.
                std::thread([dialog] { SendMessageW(dialog, WM_APP + 1, 0, 0); }).detach();
                return TRUE;
            }
            if (message == WM_APP + 1) {
                EndDialog(dialog, 7);
                return TRUE;
            }
            return FALSE;
        }
    };
    EXPECT_EQ(DialogBoxParamW(nullptr, MAKEINTRESOURCEW(IDD_PLAIN), nullptr, Worker::Proc, 0), 7);
}

INT_PTR CALLBACK AnswerProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_APP) { // answers wParam through DWLP_MSGRESULT and says it handled the message
        SetWindowLongPtrW(dialog, DWLP_MSGRESULT, static_cast<LONG_PTR>(wParam));
        return TRUE;
    }
    if (message == WM_APP + 1) return TRUE; // handled, without setting a result
    if (message == WM_APP + 2) {            // sets a result but says it did not handle the message
        SetWindowLongPtrW(dialog, DWLP_MSGRESULT, 5);
        return FALSE;
    }
    return message == WM_INITDIALOG ? FALSE : FALSE;
}

TEST(DialogProcedure, AnswersThroughDwlpMsgResultOnlyWhenItSaysItHandledTheMessage) {
    HWND dialog = CreateDialogParamW(nullptr, MAKEINTRESOURCEW(IDD_PLAIN), nullptr, AnswerProc, 0);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(SendMessageW(dialog, WM_APP, 77, 0), 77);
    EXPECT_EQ(SendMessageW(dialog, WM_APP, static_cast<WPARAM>(-1), 0), -1);
    EXPECT_EQ(SendMessageW(dialog, WM_APP + 1, 0, 0), 0)
        << "an earlier answer never leaks into a later message";
    EXPECT_EQ(SendMessageW(dialog, WM_APP + 2, 0, 0), 0) << "an unhandled message gets the default answer";
    EXPECT_EQ(GetFocus(), nullptr) << "FALSE from WM_INITDIALOG leaves the focus alone";
    DestroyWindow(dialog);
}

TEST(DialogProcedure, CloseBecomesTheCancelCommand) {
    DialogHost host(IDD_FORM);
    host.Take();
    SendMessageW(host.get(), WM_CLOSE, 0, 0);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&msg);
    EXPECT_EQ(host.Take(), (std::vector<Notification>{{WM_COMMAND, BN_CLICKED, IDCANCEL}}));
    EXPECT_TRUE(IsWindow(host.get())) << "the dialog procedure decides whether Cancel closes it";
}

TEST(DialogUnits, ControlsSitAtTheirTemplatePositionsInTheTemplateFontsUnits) {
    DialogHost form(IDD_FORM); // 8-point font: base units 6 x 13
    RECT rect{48, 4, 148, 16};
    ASSERT_TRUE(MapDialogRect(form.get(), &rect));
    EXPECT_EQ(rect.left, 72);
    EXPECT_EQ(rect.top, 7);
    EXPECT_EQ(rect.right, 222);
    EXPECT_EQ(rect.bottom, 26);
    tvp::WindowState state;
    ASSERT_TRUE(tvp::GetWindowState(form.Item(IDC_NAME), state));
    EXPECT_EQ(state.rect.left, 72);
    EXPECT_EQ(state.rect.top, 7);
    EXPECT_EQ(state.rect.right - state.rect.left, 150);
    EXPECT_EQ(state.rect.bottom - state.rect.top, 20);

    DialogHost plain(IDD_PLAIN); // no font: the system font's 8 x 16
    RECT client;
    GetClientRect(plain.get(), &client);
    EXPECT_EQ(client.right, 200);
    EXPECT_EQ(client.bottom, 100);

    DialogHost big(IDD_BIGFONT); // 12 points: 9 x 20
    RECT unit{4, 8, 4, 8};
    MapDialogRect(big.get(), &unit);
    EXPECT_EQ(unit.left, 9);
    EXPECT_EQ(unit.top, 20);
}

TEST(DialogFont, TheTemplateFontReachesEveryControlAndGoesWithTheDialog) {
    HWND dialog = CreateDialogParamW(nullptr, MAKEINTRESOURCEW(IDD_BIGFONT), nullptr, AnswerProc, 0);
    auto font = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendDlgItemMessageW(dialog, IDC_LABEL, WM_GETFONT, 0, 0)), font);
    LOGFONTW lf{};
    ASSERT_EQ(GetObjectW(font, sizeof lf, &lf), static_cast<int>(sizeof lf));
    EXPECT_EQ(lf.lfHeight, -16) << "12 points at 96 pixels per inch";
    EXPECT_EQ(lf.lfWeight, 700);
    EXPECT_STREQ(lf.lfFaceName, L"Verdana");
    // A font that code gives a control stays the caller's, as a page's bold title font does.
    LOGFONTW bold = lf;
    bold.lfWeight = FW_BOLD;
    HFONT title = CreateFontIndirectW(&bold);
    SendDlgItemMessageW(dialog, IDC_LABEL, WM_SETFONT, reinterpret_cast<WPARAM>(title), TRUE);
    tvp::WindowState state;
    tvp::GetWindowState(GetDlgItem(dialog, IDC_LABEL), state);
    EXPECT_EQ(state.font, title);
    DestroyWindow(dialog);
    EXPECT_EQ(GetObjectW(font, sizeof lf, &lf), 0) << "the dialog deleted the font it made";
    EXPECT_TRUE(DeleteObject(title)) << "and left the caller's font to the caller";
}

TEST(DialogItems, GetDlgItemIntTranslatesOnlyWholeNumbersInRange) {
    DialogHost host(IDD_FORM);
    struct Case {
        const wchar_t* text;
        BOOL isSigned;
        BOOL translated;
        UINT value;
    } cases[] = {
        {L"  12", TRUE, TRUE, 12},
        {L"12  ", FALSE, TRUE, 12},
        {L"-5", TRUE, TRUE, static_cast<UINT>(-5)},
        {L"-5", FALSE, FALSE, 0},
        {L"12a", TRUE, FALSE, 0},
        {L"", TRUE, FALSE, 0},
        {L"-", TRUE, FALSE, 0},
        {L"2147483647", TRUE, TRUE, 2147483647u},
        {L"2147483648", TRUE, FALSE, 0},
        {L"2147483648", FALSE, TRUE, 2147483648u},
        {L"4294967296", FALSE, FALSE, 0},
        {L"99999999999999999999999", FALSE, FALSE, 0},
    };
    for (const Case& c : cases) {
        SetDlgItemTextW(host.get(), IDC_NAME, c.text);
        BOOL translated = 2;
        EXPECT_EQ(GetDlgItemInt(host.get(), IDC_NAME, &translated, c.isSigned), c.value)
            << tvp::ToUtf8(c.text);
        EXPECT_EQ(translated, c.translated) << tvp::ToUtf8(c.text);
    }
    EXPECT_TRUE(SetDlgItemInt(host.get(), IDC_NAME, static_cast<UINT>(-3), TRUE));
    EXPECT_EQ(TextOf(host.Item(IDC_NAME)), L"-3");
    EXPECT_TRUE(SetDlgItemTextA(host.get(), IDC_NAME,
                                "Gr\xc3\xb6\xc3\x9f"
                                "e"));
    EXPECT_EQ(TextOf(host.Item(IDC_NAME)), L"Gr\u00f6\u00dfe") << "narrow text is UTF-8";
    WCHAR buffer[4];
    EXPECT_EQ(GetDlgItemTextW(host.get(), IDC_NAME, buffer, 4), 3u);
    EXPECT_EQ(GetDlgItem(host.get(), 4242), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CONTROL_ID_NOT_FOUND));
}

TEST(DialogItems, CheckRadioButtonSetsTheRangeWithoutNotifying) {
    DialogHost host(IDD_FORM);
    CheckDlgButton(host.get(), IDC_RADIO1, BST_CHECKED);
    CheckDlgButton(host.get(), IDC_OTHERRADIO, BST_CHECKED);
    host.Take();
    EXPECT_TRUE(CheckRadioButton(host.get(), IDC_RADIO1, IDC_RADIO3, IDC_RADIO2));
    EXPECT_EQ(IsDlgButtonChecked(host.get(), IDC_RADIO1), static_cast<UINT>(BST_UNCHECKED));
    EXPECT_EQ(IsDlgButtonChecked(host.get(), IDC_RADIO2), static_cast<UINT>(BST_CHECKED));
    EXPECT_EQ(IsDlgButtonChecked(host.get(), IDC_RADIO3), static_cast<UINT>(BST_UNCHECKED));
    EXPECT_EQ(IsDlgButtonChecked(host.get(), IDC_OTHERRADIO), static_cast<UINT>(BST_CHECKED))
        << "outside the range";
    EXPECT_TRUE(host.Take().empty());
}

class EventFrontEnd : public ITvFrontEnd {
public:
    int MessageBox(HWND, const wchar_t*, const wchar_t*, UINT) override { return IDOK; }
    void WindowChanged(HWND window, UINT change) override { events.emplace_back(window, change); }
    // The news of whole dialogs, without that of their controls.
    std::vector<std::pair<HWND, UINT>> Dialogs() const {
        std::vector<std::pair<HWND, UINT>> dialogs;
        for (const auto& event : events)
            if (event.second != TVWC_CONTROL) dialogs.push_back(event);
        return dialogs;
    }
    std::vector<std::pair<HWND, UINT>> events;
};

TEST(DialogFrontEnd, HearsATopLevelDialogOpenAndClose) {
    EventFrontEnd frontEnd;
    TvSetFrontEnd(&frontEnd);
    HWND hidden = CreateDialogParamW(nullptr, MAKEINTRESOURCEW(IDD_FORM), nullptr, AnswerProc, 0);
    EXPECT_TRUE(frontEnd.Dialogs().empty()) << "a dialog without WS_VISIBLE is not shown yet";
    HWND shown = CreateDialogParamW(nullptr, MAKEINTRESOURCEW(IDD_BIGFONT), nullptr, AnswerProc, 0);
    ShowWindow(shown, SW_HIDE);
    ShowWindow(shown, SW_SHOW);
    DestroyWindow(shown);
    DestroyWindow(hidden);
    TvSetFrontEnd(nullptr);
    EXPECT_EQ(frontEnd.Dialogs(), (std::vector<std::pair<HWND, UINT>>{{shown, TVWC_OPENED}, {shown, TVWC_CLOSED}}));
}

// The window redraws a control when it changes, and reading a control (as the front end does to draw it)
// is no news: otherwise drawing would ask for another drawing.
TEST(DialogFrontEnd, HearsAControlChangeButNotAQuestion) {
    DialogHost host(IDD_FORM);
    EventFrontEnd frontEnd;
    TvSetFrontEnd(&frontEnd);
    HWND name = GetDlgItem(host.get(), IDC_NAME);
    tvp::WindowState state;
    tvp::GetWindowState(name, state);
    WCHAR buffer[8];
    GetDlgItemTextW(host.get(), IDC_NAME, buffer, 8);
    IsDlgButtonChecked(host.get(), IDC_RADIO1);
    EXPECT_TRUE(frontEnd.events.empty());
    SetDlgItemTextW(host.get(), IDC_NAME, L"abc");
    CheckDlgButton(host.get(), IDC_RADIO1, BST_CHECKED);
    EnableWindow(name, FALSE);
    TvSetFrontEnd(nullptr);
    HWND radio = GetDlgItem(host.get(), IDC_RADIO1);
    EXPECT_EQ(frontEnd.events, (std::vector<std::pair<HWND, UINT>>{
                                   {name, TVWC_CONTROL}, {radio, TVWC_CONTROL}, {name, TVWC_CONTROL}}));
}

} // namespace
