// The controls of dialog templates notify their dialog as the documented controls do: a person's
// input (through the front end's input functions) notifies as typing and clicking do, and code that
// changes a control notifies only where the documented control would. Each control also keeps the
// state that the front end shows.
#include "dialogs.h"
#include "window_test_support.h"

namespace {

using namespace wintest;

constexpr UINT C = WM_COMMAND;

TEST(Edit, TypingNotifiesUpdateAndChange) {
    DialogHost host(IDD_FORM);
    ShowWindow(host.get(), SW_SHOW);
    host.Take();
    EXPECT_TRUE(tvp::TypeText(host.Item(IDC_NAME), L"Sales"));
    EXPECT_EQ(TextOf(host.Item(IDC_NAME)), L"Sales");
    EXPECT_EQ(host.Take(), (std::vector<Notification>{{C, EN_UPDATE, IDC_NAME}, {C, EN_CHANGE, IDC_NAME}}));
    EXPECT_TRUE(SendDlgItemMessageW(host.get(), IDC_NAME, EM_GETMODIFY, 0, 0));
    // Typing replaces the whole text, as selecting all and typing does.
    EXPECT_TRUE(tvp::TypeText(host.Item(IDC_NAME), L"Cut"));
    EXPECT_EQ(TextOf(host.Item(IDC_NAME)), L"Cut");
}

TEST(Edit, SetWindowTextNotifiesChangeOnASingleLineEditOnly) {
    DialogHost host(IDD_FORM);
    host.Take();
    SetDlgItemTextW(host.get(), IDC_NAME, L"code");
    EXPECT_EQ(host.Take(), (std::vector<Notification>{{C, EN_UPDATE, IDC_NAME}, {C, EN_CHANGE, IDC_NAME}}));
    EXPECT_FALSE(SendDlgItemMessageW(host.get(), IDC_NAME, EM_GETMODIFY, 0, 0))
        << "code's text is no user change";
    SetDlgItemTextW(host.get(), IDC_NOTES, L"line one\r\nline two");
    EXPECT_TRUE(host.Take().empty()) << "a multi-line edit is silent on WM_SETTEXT";
    EXPECT_EQ(SendDlgItemMessageW(host.get(), IDC_NOTES, EM_GETLINECOUNT, 0, 0), 2);
}

TEST(Edit, TheTextLimitHoldsForTypingButNotForCode) {
    DialogHost host(IDD_FORM);
    ShowWindow(host.get(), SW_SHOW);
    SendDlgItemMessageW(host.get(), IDC_NAME, EM_LIMITTEXT, 8, 0);
    EXPECT_EQ(SendDlgItemMessageW(host.get(), IDC_NAME, EM_GETLIMITTEXT, 0, 0), 8);
    host.Take();
    EXPECT_TRUE(tvp::TypeText(host.Item(IDC_NAME), L"ABCDEFGHIJ"));
    EXPECT_EQ(TextOf(host.Item(IDC_NAME)), L"ABCDEFGH");
    EXPECT_EQ(host.Take(),
              (std::vector<Notification>{
                  {C, EN_MAXTEXT, IDC_NAME}, {C, EN_UPDATE, IDC_NAME}, {C, EN_CHANGE, IDC_NAME}}));
    SetDlgItemTextW(host.get(), IDC_NAME, L"0123456789");
    EXPECT_EQ(TextOf(host.Item(IDC_NAME)), L"0123456789");
}

TEST(Edit, TypingFollowsTheEditsStyles) {
    DialogHost host(IDD_FORM);
    ShowWindow(host.get(), SW_SHOW);
    EXPECT_FALSE(tvp::TypeText(host.Item(IDC_READONLY), L"x")) << "a read-only edit takes no typing";
    EXPECT_EQ(TextOf(host.Item(IDC_READONLY)), L"");
    SetDlgItemTextW(host.get(), IDC_READONLY, L"shown");
    EXPECT_EQ(TextOf(host.Item(IDC_READONLY)), L"shown") << "code may still set it";

    EXPECT_TRUE(tvp::TypeText(host.Item(IDC_NUMBER), L"1a2b3"));
    EXPECT_EQ(TextOf(host.Item(IDC_NUMBER)), L"123");
    EXPECT_TRUE(tvp::TypeText(host.Item(IDC_NAME), L"first\nsecond"));
    EXPECT_EQ(TextOf(host.Item(IDC_NAME)), L"first") << "a single-line edit takes one line";
    EXPECT_TRUE(tvp::TypeText(host.Item(IDC_NOTES), L"first\nsecond"));
    EXPECT_EQ(TextOf(host.Item(IDC_NOTES)), L"first\r\nsecond");

    EXPECT_TRUE(tvp::TypeText(host.Item(IDC_PASSWORD), L"secret"));
    EXPECT_EQ(TextOf(host.Item(IDC_PASSWORD)), L"secret");
    tvp::WindowState state;
    tvp::GetWindowState(host.Item(IDC_PASSWORD), state);
    EXPECT_EQ(state.text, L"******") << "a front end never sees a password";
    EXPECT_EQ(SendDlgItemMessageW(host.get(), IDC_PASSWORD, EM_GETPASSWORDCHAR, 0, 0), L'*');
}

TEST(Input, APersonCannotReachADisabledOrHiddenControl) {
    DialogHost host(IDD_FORM);
    ShowWindow(host.get(), SW_SHOW);
    EnableWindow(host.Item(IDC_NAME), FALSE);
    host.Take();
    EXPECT_FALSE(tvp::Click(host.Item(IDC_DISABLED)));
    EXPECT_FALSE(tvp::Click(host.Item(IDC_HIDDEN)));
    EXPECT_FALSE(tvp::TypeText(host.Item(IDC_NAME), L"x"));
    EnableWindow(host.Item(IDC_NAME), TRUE);
    ShowWindow(host.get(), SW_HIDE);
    EXPECT_FALSE(tvp::TypeText(host.Item(IDC_NAME), L"x")) << "the control of a hidden dialog";
    EXPECT_FALSE(tvp::Click(host.Item(IDOK)));
    EXPECT_TRUE(host.Take().empty());
    EXPECT_FALSE(tvp::Click(nullptr));
}

TEST(Button, AClickNotifiesAndAutomaticBoxesChangeFirst) {
    DialogHost host(IDD_FORM);
    ShowWindow(host.get(), SW_SHOW);
    host.Take();
    EXPECT_TRUE(tvp::Click(host.Item(IDC_AUTOCHECK)));
    EXPECT_EQ(IsDlgButtonChecked(host.get(), IDC_AUTOCHECK), static_cast<UINT>(BST_CHECKED));
    EXPECT_TRUE(tvp::Click(host.Item(IDC_CHECK)));
    EXPECT_EQ(IsDlgButtonChecked(host.get(), IDC_CHECK), static_cast<UINT>(BST_UNCHECKED))
        << "a plain check box leaves its state to the dialog";
    EXPECT_TRUE(tvp::Click(host.Item(IDOK)));
    EXPECT_EQ(host.Take(),
              (std::vector<Notification>{
                  {C, BN_CLICKED, IDC_AUTOCHECK}, {C, BN_CLICKED, IDC_CHECK}, {C, BN_CLICKED, IDOK}}));
    std::vector<UINT> states;
    for (int i = 0; i < 3; ++i) {
        tvp::Click(host.Item(IDC_TRISTATE));
        states.push_back(IsDlgButtonChecked(host.get(), IDC_TRISTATE));
    }
    EXPECT_EQ(states, (std::vector<UINT>{BST_CHECKED, BST_INDETERMINATE, BST_UNCHECKED}));
    EXPECT_FALSE(tvp::Click(host.Item(IDC_GROUP))) << "a group box is no button";
}

TEST(Button, CodeThatSetsTheCheckNotifiesNothing) {
    DialogHost host(IDD_FORM);
    host.Take();
    SendDlgItemMessageW(host.get(), IDC_AUTOCHECK, BM_SETCHECK, BST_CHECKED, 0);
    CheckDlgButton(host.get(), IDC_CHECK, BST_CHECKED);
    EXPECT_TRUE(host.Take().empty());
    EXPECT_EQ(IsDlgButtonChecked(host.get(), IDC_AUTOCHECK), static_cast<UINT>(BST_CHECKED));
    // BM_CLICK is a click made by code, and notifies as a click does; a disabled button stays still.
    ShowWindow(host.get(), SW_SHOW);
    SendDlgItemMessageW(host.get(), IDC_AUTOCHECK, BM_CLICK, 0, 0);
    SendDlgItemMessageW(host.get(), IDC_DISABLED, BM_CLICK, 0, 0);
    EXPECT_EQ(host.Take(), (std::vector<Notification>{{C, BN_CLICKED, IDC_AUTOCHECK}}));
    EXPECT_EQ(IsDlgButtonChecked(host.get(), IDC_AUTOCHECK), static_cast<UINT>(BST_UNCHECKED));
}

TEST(Button, AnAutomaticRadioButtonClearsTheOthersOfItsGroupOnly) {
    DialogHost host(IDD_FORM);
    ShowWindow(host.get(), SW_SHOW);
    CheckDlgButton(host.get(), IDC_RADIO1, BST_CHECKED);
    CheckDlgButton(host.get(), IDC_OTHERRADIO, BST_CHECKED);
    host.Take();
    EXPECT_TRUE(tvp::Click(host.Item(IDC_RADIO3)));
    EXPECT_EQ(IsDlgButtonChecked(host.get(), IDC_RADIO1), static_cast<UINT>(BST_UNCHECKED));
    EXPECT_EQ(IsDlgButtonChecked(host.get(), IDC_RADIO3), static_cast<UINT>(BST_CHECKED));
    EXPECT_EQ(IsDlgButtonChecked(host.get(), IDC_OTHERRADIO), static_cast<UINT>(BST_CHECKED));
    EXPECT_EQ(host.Take(), (std::vector<Notification>{{C, BN_CLICKED, IDC_RADIO3}}));
    tvp::WindowState state;
    tvp::GetWindowState(host.Item(IDC_RADIO3), state);
    EXPECT_EQ(state.kind, tvp::Kind::RadioButton);
    EXPECT_EQ(state.checked, BST_CHECKED);
}

TEST(ComboBox, CodeThatSelectsNotifiesNothingAndTheTextFollows) {
    DialogHost host(IDD_FORM);
    HWND list = host.Item(IDC_LIST);
    EXPECT_EQ(SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"pears")), 0);
    EXPECT_EQ(SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"Apples")), 0)
        << "sorted, whatever the case";
    EXPECT_EQ(SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"bananas")), 1);
    host.Take();
    EXPECT_EQ(SendMessageW(list, CB_SETCURSEL, 2, 0), 2);
    EXPECT_EQ(TextOf(list), L"pears");
    EXPECT_EQ(SendMessageW(list, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(L"BAN")),
              1);
    EXPECT_TRUE(host.Take().empty());
    EXPECT_EQ(
        SendMessageW(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(L"ban")),
        CB_ERR);
    EXPECT_EQ(SendMessageW(list, CB_SETCURSEL, 9, 0), CB_ERR);
    EXPECT_EQ(SendMessageW(list, CB_GETCURSEL, 0, 0), CB_ERR) << "a bad index clears the selection";
    EXPECT_EQ(TextOf(list), L"");
    EXPECT_EQ(SendMessageW(list, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"x")), CB_ERR)
        << "a list has no edit field";

    SendMessageW(list, CB_SETCURSEL, 2, 0);
    EXPECT_EQ(SendMessageW(list, CB_DELETESTRING, 0, 0), 2);
    EXPECT_EQ(SendMessageW(list, CB_GETCURSEL, 0, 0), 1) << "the selection moves with its entry";
}

TEST(ComboBox, APersonChoosingAnEntryNotifiesAsTheDroppedListDoes) {
    DialogHost host(IDD_FORM);
    ShowWindow(host.get(), SW_SHOW);
    HWND list = host.Item(IDC_LIST);
    for (LPCWSTR text : {L"a", L"b", L"c"})
        SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    host.Take();
    EXPECT_TRUE(tvp::ChooseItem(list, 1));
    EXPECT_EQ(SendMessageW(list, CB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(host.Take(), (std::vector<Notification>{{C, CBN_DROPDOWN, IDC_LIST},
                                                      {C, CBN_SELCHANGE, IDC_LIST},
                                                      {C, CBN_SELENDOK, IDC_LIST},
                                                      {C, CBN_CLOSEUP, IDC_LIST}}));
    EXPECT_TRUE(tvp::ChooseItem(list, 1));
    EXPECT_EQ(host.Take(),
              (std::vector<Notification>{
                  {C, CBN_DROPDOWN, IDC_LIST}, {C, CBN_SELENDOK, IDC_LIST}, {C, CBN_CLOSEUP, IDC_LIST}}))
        << "choosing the selected entry again changes no selection";
    EXPECT_FALSE(tvp::ChooseItem(list, 3));
    EXPECT_FALSE(tvp::TypeText(list, L"b")) << "a drop-down list has no edit field to type into";
}

TEST(ComboBox, TypingIntoTheEditFieldNotifiesEditChangeAndSelectsAnEqualEntry) {
    DialogHost host(IDD_FORM);
    ShowWindow(host.get(), SW_SHOW);
    HWND entry = host.Item(IDC_ENTRY);
    for (LPCWSTR text : {L"1", L"2", L"31"})
        SendMessageW(entry, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    SendMessageW(entry, CB_SETCURSEL, 0, 0);
    SendMessageW(entry, CB_LIMITTEXT, 8, 0);
    host.Take();
    EXPECT_TRUE(tvp::TypeText(entry, L"3"));
    EXPECT_EQ(host.Take(),
              (std::vector<Notification>{{C, CBN_EDITUPDATE, IDC_ENTRY}, {C, CBN_EDITCHANGE, IDC_ENTRY}}));
    EXPECT_EQ(SendMessageW(entry, CB_GETCURSEL, 0, 0), CB_ERR) << "no entry is \"3\"";
    EXPECT_TRUE(tvp::TypeText(entry, L"31"));
    EXPECT_EQ(SendMessageW(entry, CB_GETCURSEL, 0, 0), 2);
    EXPECT_TRUE(tvp::TypeText(entry, L"NEWDATABASE"));
    EXPECT_EQ(TextOf(entry), L"NEWDATAB") << "CB_LIMITTEXT limits typing";
    host.Take();
    SetWindowTextW(entry, L"code");
    EXPECT_TRUE(host.Take().empty()) << "no CBN_EDITCHANGE for text set by code";
    EXPECT_EQ(TextOf(entry), L"code");

    tvp::WindowState state;
    tvp::GetWindowState(entry, state);
    EXPECT_EQ(state.kind, tvp::Kind::ComboBox);
    ASSERT_EQ(state.items.size(), 3u);
    EXPECT_EQ(state.items[2].text, L"31");
    EXPECT_EQ(state.text, L"code");
}

TEST(Static, ANotifyingStaticReportsClicksAndTheOthersTakeNone) {
    DialogHost host(IDD_FORM);
    ShowWindow(host.get(), SW_SHOW);
    host.Take();
    EXPECT_TRUE(tvp::Click(host.Item(IDC_LINK)));
    EXPECT_FALSE(tvp::Click(host.Item(IDC_LABEL)));
    EnableWindow(host.Item(IDC_LINK), FALSE);
    EXPECT_EQ(host.Take(),
              (std::vector<Notification>{{C, STN_CLICKED, IDC_LINK}, {C, STN_DISABLE, IDC_LINK}}));
}

TEST(Static, IconsAndBitmapsComeFromTheTemplatesModule) {
    DialogHost host(IDD_FORM);
    auto icon = reinterpret_cast<HICON>(SendDlgItemMessageW(host.get(), IDC_ICON, STM_GETICON, 0, 0));
    EXPECT_NE(icon, nullptr);
    EXPECT_EQ(icon, LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_TEST)));
    EXPECT_EQ(TextOf(host.Item(IDC_ICON)), L"") << "the resource ordinal is no text";
    auto bitmap = reinterpret_cast<HBITMAP>(
        SendDlgItemMessageW(host.get(), IDC_PICTURE, STM_GETIMAGE, IMAGE_BITMAP, 0));
    BITMAP info{};
    ASSERT_EQ(GetObjectW(bitmap, sizeof info, &info), static_cast<int>(sizeof info));
    EXPECT_GT(info.bmWidth, 0);

    tvp::WindowState state;
    tvp::GetWindowState(host.Item(IDC_ICON), state);
    EXPECT_EQ(state.kind, tvp::Kind::Icon);
    EXPECT_EQ(state.icon, icon);
    tvp::GetWindowState(host.Item(IDC_HIDDEN), state);
    EXPECT_EQ(state.kind, tvp::Kind::PushButton);
    EXPECT_FALSE(state.visible);
    EXPECT_EQ(state.text, L"Hidden");
    tvp::GetWindowState(host.Item(IDC_DISABLED), state);
    EXPECT_FALSE(state.enabled);
    EXPECT_EQ(state.id, IDC_DISABLED);
}

} // namespace
