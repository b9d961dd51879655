// The headless console's commands for dialogs, wizards and property sheets, against dialogs that the
// test snap-in's menu commands open: a modal wizard whose progress page a worker thread moves on, a
// modal dialog with every kind of control (and a nested dialog and a file dialog behind its buttons),
// and a modeless property sheet. The lines run through the console's message loop as in the program,
// so a modal dialog's loop runs the lines that follow until it closes.
#include <sstream>
#include <thread>

#include "commctrl.h"
#include "commdlg.h"
#include "console_fixture.h"
#include "dialogs.h"
#include "input.h"
#include "session.h"

namespace {

std::vector<std::string> g_log;
std::thread g_worker;

void Note(const std::string& entry) {
    g_log.push_back(entry);
}

std::string Text(HWND dialog, int id) {
    wchar_t text[256] = {};
    GetDlgItemTextW(dialog, id, text, 256);
    return tvp::ToUtf8(text);
}

// The wizard's pages: Next only once a name is typed; the progress page's worker moves the bar and
// presses Next itself.
INT_PTR CALLBACK WizardPage(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(page, DWLP_USER, reinterpret_cast<LPPROPSHEETPAGEW>(lParam)->lParam);
        return TRUE;
    }
    const auto dialog = static_cast<int>(GetWindowLongPtrW(page, DWLP_USER));
    HWND sheet = GetParent(page);
    auto nameButtons = [&] {
        PropSheet_SetWizButtons(sheet, PSWIZB_BACK | (Text(page, IDC_NAME).empty() ? 0 : PSWIZB_NEXT));
    };
    if (message == WM_COMMAND && LOWORD(wParam) == IDC_NAME && HIWORD(wParam) == EN_CHANGE) nameButtons();
    if (message != WM_NOTIFY) return FALSE;
    switch (reinterpret_cast<LPNMHDR>(lParam)->code) {
    case PSN_SETACTIVE:
        if (dialog == IDD_WELCOME) PropSheet_SetWizButtons(sheet, PSWIZB_NEXT);
        if (dialog == IDD_NAME) nameButtons();
        if (dialog == IDD_FINISH) PropSheet_SetWizButtons(sheet, PSWIZB_BACK | PSWIZB_FINISH);
        if (dialog == IDD_PROGRESS) {
            PropSheet_SetWizButtons(sheet, 0);
            HWND bar = GetDlgItem(page, IDC_BAR);
            if (g_worker.joinable()) g_worker.join();
            g_worker = std::thread([bar, sheet] {
                for (int position : {40, 100})
                    SendMessageW(bar, PBM_SETPOS, position, 0);
                PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_NEXT, 0);
            });
        }
        break;
    case PSN_WIZFINISH:
        Note("finish");
        break;
    case PSN_QUERYCANCEL:
        Note("cancel");
        break;
    default:
        break;
    }
    SetWindowLongPtrW(page, DWLP_MSGRESULT, 0);
    return TRUE;
}

HPROPSHEETPAGE MakePage(int dialog, DLGPROC procedure, DWORD flags, LPCWSTR title = nullptr,
                        LPCWSTR subtitle = nullptr) {
    PROPSHEETPAGEW psp{};
    psp.dwSize = sizeof psp;
    psp.dwFlags = flags;
    psp.hInstance = GetModuleHandleW(nullptr);
    psp.pszTemplate = MAKEINTRESOURCEW(dialog);
    psp.pszHeaderTitle = title;
    psp.pszHeaderSubTitle = subtitle;
    psp.pfnDlgProc = procedure;
    psp.lParam = dialog;
    return CreatePropertySheetPageW(&psp);
}

INT_PTR RunWizard(HWND owner) {
    std::vector<HPROPSHEETPAGE> pages = {MakePage(IDD_WELCOME, WizardPage, PSP_HIDEHEADER),
                                         MakePage(IDD_NAME, WizardPage,
                                                  PSP_USEHEADERTITLE | PSP_USEHEADERSUBTITLE, L"Name",
                                                  L"Type the name of the new area."),
                                         MakePage(IDD_PROGRESS, WizardPage, PSP_USEHEADERTITLE, L"Working"),
                                         MakePage(IDD_FINISH, WizardPage, PSP_HIDEHEADER)};
    PROPSHEETHEADERW header{};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_WIZARD97;
    header.hwndParent = owner;
    header.hInstance = GetModuleHandleW(nullptr);
    header.pszCaption = L"Test Wizard";
    header.nPages = static_cast<UINT>(pages.size());
    header.phpage = pages.data();
    return PropertySheetW(&header);
}

INT_PTR CALLBACK SmallDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_COMMAND && LOWORD(wParam) == IDOK) {
        Note("small " + Text(dialog, IDC_NAME));
        EndDialog(dialog, IDOK);
        return TRUE;
    }
    return message == WM_INITDIALOG;
}

// The dialog with every kind of control logs the notifications that reach it and, on OK, what it holds.
INT_PTR CALLBACK ControlsDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        for (const wchar_t* kind : {L"Full", L"Differential", L"Log"})
            SendDlgItemMessageW(dialog, IDC_KIND, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kind));
        SendDlgItemMessageW(dialog, IDC_KIND, CB_SETCURSEL, 0, 0);
        SendDlgItemMessageW(dialog, IDC_SERVER, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"(local)"));
        SendDlgItemMessageW(dialog, IDC_SERVER, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"HOST\\SQL1"));
        HWND list = GetDlgItem(dialog, IDC_ITEMS);
        wchar_t name[] = L"Name", size[] = L"Size";
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.cx = 80;
        column.pszText = name;
        ListView_InsertColumn(list, 0, &column);
        column.pszText = size;
        ListView_InsertColumn(list, 1, &column);
        int index = 0;
        for (auto [area, megabytes] :
             {std::pair{L"Sales", L"10"}, {L"Engineering", L"20"}, {L"Archive", L"5"}}) {
            LVITEMW item{};
            item.mask = LVIF_TEXT;
            item.iItem = index++;
            item.pszText = const_cast<LPWSTR>(area);
            int at = ListView_InsertItem(list, &item);
            ListView_SetItemText(list, at, 1, const_cast<LPWSTR>(megabytes));
        }
        SetDlgItemTextW(dialog, IDC_READONLY, L"fixed");
        CheckRadioButton(dialog, IDC_RADIO1, IDC_RADIO2, IDC_RADIO1);
        SYSTEMTIME time{2026, 12, 2, 8, 7, 30, 0, 0};
        SendDlgItemMessageW(dialog, IDC_TIME, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&time));
        g_log.clear(); // what filling the controls notified is not what the tests look at
        return TRUE;
    }
    case WM_COMMAND: {
        int id = LOWORD(wParam), code = HIWORD(wParam);
        if (code == EN_SETFOCUS || code == EN_KILLFOCUS)
            return TRUE; // where the focus goes is not tested here
        Note("command " + std::to_string(id) + " " + std::to_string(code));
        if (id == IDOK) {
            HWND list = GetDlgItem(dialog, IDC_ITEMS);
            std::string picked;
            for (int item = -1; (item = ListView_GetNextItem(list, item, LVNI_SELECTED)) >= 0;)
                picked += " " + std::to_string(item);
            SYSTEMTIME time{};
            SendDlgItemMessageW(dialog, IDC_TIME, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&time));
            Note("ok name=" + Text(dialog, IDC_NAME) + " password=" + Text(dialog, IDC_PASSWORD) +
                 " check=" + std::to_string(IsDlgButtonChecked(dialog, IDC_CHECK)) +
                 " second=" + std::to_string(IsDlgButtonChecked(dialog, IDC_RADIO2)) +
                 " kind=" + std::to_string(SendDlgItemMessageW(dialog, IDC_KIND, CB_GETCURSEL, 0, 0)) +
                 " server=" + Text(dialog, IDC_SERVER) + " picked=" + picked +
                 " time=" + std::to_string(time.wHour) + ":" + std::to_string(time.wMinute) + ":" +
                 std::to_string(time.wSecond));
            EndDialog(dialog, IDOK);
        } else if (id == IDCANCEL) {
            EndDialog(dialog, IDCANCEL);
        } else if (id == IDC_MORE && code == BN_CLICKED) {
            Note("more returned " +
                 std::to_string(DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_SMALL),
                                                dialog, SmallDialog, 0)));
        } else if (id == IDC_BROWSE && code == BN_CLICKED) {
            wchar_t path[MAX_PATH] = {};
            OPENFILENAMEW request{};
            request.lStructSize = sizeof request;
            request.hwndOwner = dialog;
            request.lpstrFile = path;
            request.nMaxFile = MAX_PATH;
            request.lpstrTitle = L"Backup File";
            Note(GetSaveFileNameW(&request) ? "file " + tvp::ToUtf8(path) : std::string("file cancelled"));
        }
        return TRUE;
    }
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<LPNMHDR>(lParam);
        if (header->code == LVN_ITEMCHANGED) {
            auto* change = reinterpret_cast<LPNMLISTVIEW>(lParam);
            if ((change->uNewState ^ change->uOldState) & LVIS_SELECTED)
                Note("item " + std::to_string(change->iItem) +
                     ((change->uNewState & LVIS_SELECTED) ? " selected" : " unselected"));
        }
        if (header->code == DTN_DATETIMECHANGE) Note("time changed");
        return TRUE;
    }
    default:
        return FALSE;
    }
}

// A page of the property sheet: a click tells the sheet of a change (Apply becomes available).
INT_PTR CALLBACK SheetPage(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(page, DWLP_USER, reinterpret_cast<LPPROPSHEETPAGEW>(lParam)->lParam);
        return TRUE;
    }
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) PropSheet_Changed(GetParent(page), page);
    if (message != WM_NOTIFY) return FALSE;
    if (reinterpret_cast<LPNMHDR>(lParam)->code == PSN_APPLY)
        Note("apply " + std::to_string(GetWindowLongPtrW(page, DWLP_USER)) + " " +
             std::to_string(IsDlgButtonChecked(page, IDC_CHECK)));
    SetWindowLongPtrW(page, DWLP_MSGRESULT, 0);
    return TRUE;
}

enum Command : LONG { kWizard = 11, kControls = 12, kSheet = 13 };

class DialogsTest : public ConsoleTest {
protected:
    void Describe(TestSnapin::Control& control) override {
        const LONG task = static_cast<LONG>(CCM_INSERTIONPOINTID_PRIMARY_TASK);
        control.root.Find(L"Folder A")->menu = {{L"Wizard", L"", kWizard, task, 0, 0},
                                                {L"Controls", L"", kControls, task, 0, 0},
                                                {L"Sheet", L"", kSheet, task, 0, 0}};
        control.onCommand = [this](LONG command, TestSnapin::Node*, IConsole* console) {
            HWND owner = nullptr;
            console->GetMainWindow(&owner);
            if (command == kWizard) Note("wizard returned " + std::to_string(RunWizard(owner)));
            if (command == kControls)
                Note("controls returned " +
                     std::to_string(DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_CONTROLS),
                                                    owner, ControlsDialog, 0)));
            if (command == kSheet) {
                HPROPSHEETPAGE pages[] = {MakePage(IDD_GENERAL, SheetPage, 0),
                                          MakePage(IDD_ADVANCED, SheetPage, 0)};
                PROPSHEETHEADERW header{};
                header.dwSize = sizeof header;
                header.dwFlags = PSH_MODELESS;
                header.hwndParent = owner;
                header.pszCaption = L"Folder A Properties";
                header.nPages = 2;
                header.phpage = pages;
                sheet = reinterpret_cast<HWND>(PropertySheetW(&header));
            }
        };
    }
    void SetUp() override {
        g_log.clear();
        ConsoleTest::SetUp();
        session = std::make_unique<Headless::CSession>(*console, out);
        window = std::make_unique<Headless::CCommandWindow>(*session);
        console->SetMainWindow(window->Handle());
        View().SelectScopeItem(root);
    }
    void TearDown() override {
        if (g_worker.joinable()) g_worker.join();
        if (IsWindow(sheet)) DestroyWindow(sheet);
        window.reset();
        session.reset();
        ConsoleTest::TearDown();
    }
    // Runs the script through the console's message loop, as the program does, and returns its output.
    std::string Run(const std::string& script) {
        auto mailbox = window->Mailbox();
        Headless::ReadLinesOnThread(std::make_shared<std::istringstream>(script),
                                    [mailbox](const std::string* line) { mailbox->Post(line); });
        out.str("");
        window->Run();
        return out.str();
    }

    std::ostringstream out;
    std::unique_ptr<Headless::CSession> session;
    std::unique_ptr<Headless::CCommandWindow> window;
    HWND sheet = nullptr;
};

const char kFolder[] = "\"Test Root/Folder A\"";

std::string RunLine(const char* item) {
    return std::string("run ") + kFolder + " " + item + "\n";
}

} // namespace

TEST_F(DialogsTest, AWizardRunsInsideTheCommandThatOpenedItAndAWorkerMovesItOn) {
    std::string output = Run(RunLine("Wizard") + "show\n"
                                                 "next\n"
                                                 "show\n"
                                                 "next\n"
                                                 "set 1001 Sales\n"
                                                 "next\n"
                                                 "wait 30\n"
                                                 "show\n"
                                                 "finish\n"
                                                 "show\n");
    EXPECT_EQ(output, "title: Test Wizard\n"
                      "page: 0 Welcome\n"
                      "buttons: next cancel\n"
                      "1000\tstatic\tenabled\t-\tWelcome to the Test Wizard\n"
                      "-1\tstatic\tenabled\t-\tTo continue, click Next.\n"
                      "ok\n"
                      "ok\n"
                      "title: Test Wizard\n"
                      "page: 1 Name\n"
                      "header: Name\n"
                      "subtitle: Type the name of the new area.\n"
                      "buttons: back cancel\n"
                      "-1\tstatic\tenabled\t-\tName:\n"
                      "1001\tedit\tenabled\t-\t\n"
                      "ok\n"
                      "error: the next button is disabled\n"
                      "ok\n"
                      "ok\n"
                      "ok\n"
                      "title: Test Wizard\n"
                      "page: 3 Finish\n"
                      "buttons: back finish cancel\n"
                      "1000\tstatic\tenabled\t-\tCompleting the Test Wizard\n"
                      "ok\n"
                      "ok\n"
                      "ok\n" // the run that opened the wizard completes when it closes
                      "error: no dialog or property sheet is open\n");
    EXPECT_EQ(g_log, (std::vector<std::string>{"finish", "wizard returned 1"}));
    EXPECT_TRUE(session->AnyFailed());
}

TEST_F(DialogsTest, ControlsTakeInputAsFromAPersonAndNotifyAsForOne) {
    std::string output = Run(RunLine("Controls") + "set 1001 Sales\n"
                                                   "set 1003 secret\n"
                                                   "check 1005\n"
                                                   "check 1005\n" // checked already: no click
                                                   "click 1007\n"
                                                   "choose 1008 Log\n"
                                                   "set 1009 \"HOST\\SQL2\"\n"
                                                   "pick 1010 Sales Archive\n"
                                                   "time 1011 23:05:09\n"
                                                   "show\n"
                                                   "ok\n");
    std::string oks;
    for (int i = 0; i < 9; ++i)
        oks += "ok\n";
    EXPECT_EQ(output, oks + "title: Controls\n"
                            "buttons: ok cancel\n"
                            "-1\tstatic\tenabled\t-\tName:\n"
                            "1001\tedit\tenabled\t-\tSales\n"
                            "1003\tedit\tenabled\t-\t******\n"
                            "1004\tedit\tenabled\t-\tfixed\n"
                            "1005\tcheckbox\tenabled\t1\tCheck\n"
                            "1006\tradio\tenabled\t0\tFirst\n"
                            "1007\tradio\tenabled\t1\tSecond\n"
                            "1008\tcombo\tenabled\t-\tLog\n"
                            "  - Full\n"
                            "  - Differential\n"
                            "  * Log\n"
                            "1009\tcombo\tenabled\t-\tHOST\\SQL2\n"
                            "  - (local)\n"
                            "  - HOST\\SQL1\n"
                            "1010\tlist\tenabled\t-\t\n"
                            "  columns: Name\tSize\n"
                            "  * Sales\t10\n"
                            "  - Engineering\t20\n"
                            "  * Archive\t5\n"
                            "1011\tdatetime\tenabled\t-\t11:05:09 PM\n"
                            "1012\tbutton\tdisabled\t-\tDisabled\n"
                            "1013\tbutton\tenabled\t-\tMore...\n"
                            "1014\tbutton\tenabled\t-\tBrowse...\n"
                            "1\tbutton\tenabled\t-\tOK\n"
                            "2\tbutton\tenabled\t-\tCancel\n"
                            "ok\n"
                            "ok\n"   // the dialog's OK
                            "ok\n"); // the run that opened it
    // Each change notified as a person's does; the check box clicked once.
    std::vector<std::string> expected = {
        "command 1001 1024",
        "command 1001 768", // EN_UPDATE, EN_CHANGE
        "command 1003 1024",
        "command 1003 768",
        "command 1005 0", // one BN_CLICKED
        "command 1007 0",
        "command 1008 7",
        "command 1008 1", // CBN_DROPDOWN, CBN_SELCHANGE
        "command 1008 9",
        "command 1008 8", // CBN_SELENDOK, CBN_CLOSEUP
        "command 1009 6",
        "command 1009 5", // CBN_EDITUPDATE, CBN_EDITCHANGE
        "item 0 selected",
        "item 2 selected",
        "time changed",
        "command 1 0",
        "ok name=Sales password=secret check=1 second=1 kind=2 server=HOST\\SQL2 "
        "picked= 0 2 time=23:5:9",
        "controls returned 1"};
    EXPECT_EQ(g_log, expected);
    EXPECT_FALSE(session->AnyFailed()) << output;
}

TEST_F(DialogsTest, WhatAPersonCouldNotDoFailsAndTheDialogStaysAsItWas) {
    std::string output = Run(RunLine("Controls") + "set 1004 other\n" // read-only
                                                   "click 1012\n"     // disabled
                                                   "click 1015\n"     // hidden
                                                   "click 4242\n"     // no such control
                                                   "set 1005 text\n"  // a check box takes no typing
                                                   "choose 1008 Weekly\n"
                                                   "choose 1008 #3\n"
                                                   "check 1001\n"
                                                   "pick 1010 Nothing\n"
                                                   "time 1011 24:00:00\n"
                                                   "time 1001 10:00:00\n"
                                                   "tab 1\n"
                                                   "next\n"
                                                   "cancel\n");
    EXPECT_EQ(output, "error: control 1004 is read-only\n"
                      "error: control 1012 is disabled\n"
                      "error: control 1015 is hidden\n"
                      "error: the dialog has no control 4242\n"
                      "error: control 1005 takes no typing\n"
                      "error: control 1008 has no entry \"Weekly\"\n"
                      "error: control 1008 has no entry \"#3\"\n"
                      "error: control 1001 is not a check box or radio button\n"
                      "error: list 1010 has no item \"Nothing\"\n"
                      "error: \"24:00:00\" is not a time of day HH:MM:SS\n"
                      "error: control 1001 is not a date and time\n"
                      "error: only a property sheet has tabs\n"
                      "error: the dialog has no next button\n"
                      "ok\n"
                      "ok\n");
    EXPECT_EQ(g_log, (std::vector<std::string>{"command 2 0", "controls returned 2"}));
}

TEST_F(DialogsTest, ADialogOpenedInsideADialogTakesTheLinesUntilItCloses) {
    std::string output = Run(RunLine("Controls") + "click 1013\n"
                                                   "show\n"
                                                   "set 1001 inner\n"
                                                   "ok\n"
                                                   "set 1001 outer\n"
                                                   "ok\n");
    EXPECT_EQ(output, "title: More\n"
                      "buttons: ok\n"
                      "1001\tedit\tenabled\t-\t\n"
                      "1\tbutton\tenabled\t-\tOK\n"
                      "ok\n"
                      "ok\n"
                      "ok\n"
                      "ok\n" // the click that opened the inner dialog
                      "ok\n"
                      "ok\n"
                      "ok\n");
    ASSERT_GE(g_log.size(), 3u);
    EXPECT_EQ(g_log[1], "small inner");
    EXPECT_EQ(g_log[2], "more returned 1");
    EXPECT_EQ(g_log.back(), "controls returned 1");
}

TEST_F(DialogsTest, ExpectLooksAtTheInnermostOpenDialog) {
    std::string output = Run(RunLine("Controls") + "click 1013\n"
                                                   "expect \"title: More\"\n"
                                                   "expect Weekly\n"
                                                   "ok\n"
                                                   "cancel\n");
    EXPECT_EQ(output, "ok\n"
                      "error: the open dialog does not show \"Weekly\"\n"
                      "ok\n"
                      "ok\n" // the click that opened the inner dialog
                      "ok\n"
                      "ok\n");
}

TEST_F(DialogsTest, FileDialogsTakeTheQueuedAnswerOrAreCancelled) {
    std::string output = Run("file /srv/backups/sales.bak\n" + RunLine("Controls") +
                             "click 1014\n"
                             "click 1014\n"
                             "file cancel\n"
                             "click 1014\n"
                             "cancel\n");
    EXPECT_EQ(output, "ok\n"
                      "file: save: Backup File\n"
                      "ok\n"
                      "file: save: Backup File\n"
                      "ok\n"
                      "ok\n"
                      "file: save: Backup File\n"
                      "ok\n"
                      "ok\n"
                      "ok\n");
    std::vector<std::string> files;
    for (const std::string& entry : g_log)
        if (entry.rfind("file", 0) == 0) files.push_back(entry);
    EXPECT_EQ(files,
              (std::vector<std::string>{"file /srv/backups/sales.bak", "file cancelled", "file cancelled"}));
}

TEST_F(DialogsTest, TheEndOfTheInputCancelsTheOpenWizardAndFails) {
    std::string output = Run(RunLine("Wizard") + "next\n");
    EXPECT_EQ(output, "ok\n"
                      "error: the input ended while \"Test Wizard\" was open; it is cancelled\n"
                      "ok\n");
    EXPECT_EQ(g_log, (std::vector<std::string>{"cancel", "wizard returned 0"}));
    EXPECT_TRUE(session->AnyFailed());
}

TEST_F(DialogsTest, QuitInsideAWizardCancelsItAndEndsTheRun) {
    std::string output = Run(RunLine("Wizard") + "quit\nshow\n");
    EXPECT_EQ(output, "ok\nok\n") << "nothing runs after quit";
    EXPECT_EQ(g_log, (std::vector<std::string>{"cancel", "wizard returned 0"}));
    EXPECT_FALSE(session->AnyFailed());
}

TEST_F(DialogsTest, WaitGivesUpWhenTheSheetDoesNotMove) {
    std::string output = Run(RunLine("Wizard") + "next\nwait 1\ncancel\n");
    EXPECT_EQ(output, "ok\nerror: the sheet did not move on within 1 seconds\nok\nok\n");
}

TEST_F(DialogsTest, AModelessSheetStaysOpenAfterItsCommandAndTabsApplyAndOkWork) {
    std::string output = Run(RunLine("Sheet") + "show\n"
                                                "check 1005\n"
                                                "tab Advanced\n"
                                                "show\n"
                                                "tab 7\n"
                                                "tab 0\n"
                                                "apply\n"
                                                "ok\n"
                                                "show\n");
    EXPECT_EQ(output, "ok\n"
                      "title: Folder A Properties\n"
                      "page: 0 General\n"
                      "buttons: ok cancel\n"
                      "1005\tcheckbox\tenabled\t0\tRead-only\n"
                      "ok\n"
                      "ok\n"
                      "ok\n"
                      "title: Folder A Properties\n"
                      "page: 1 Advanced\n"
                      "buttons: ok cancel apply\n"
                      "1001\tedit\tenabled\t-\t\n"
                      "ok\n"
                      "error: the sheet has no page \"7\"\n"
                      "ok\n"
                      "ok\n"
                      "ok\n"
                      "error: no dialog or property sheet is open\n");
    // Apply and then OK each tell every page that was shown to apply its changes.
    EXPECT_EQ(g_log, (std::vector<std::string>{"apply 310 1", "apply 311 0", "apply 310 1", "apply 311 0"}));
}

TEST_F(DialogsTest, PropertiesOpensAnItemsSheetOnceAndTheCommandsActOnTheOneInFront) {
    std::string output = Run("properties \"Test Root/Folder A/Item 1\"\n"
                             "properties \"Test Root/Folder A/Item 2\"\n"
                             "properties \"Test Root/Folder A/Item 1\"\n" // brought forward, not opened again
                             "show\n"
                             "set 1201 \"Item One\"\n"
                             "tab Details\n"
                             "check 1202\n"
                             "ok\n"
                             "show\n"
                             "cancel\n"
                             "show\n");
    EXPECT_EQ(output, "ok\nok\nok\n"
                      "title: Item 1 Properties\n"
                      "page: 0 General\n"
                      "buttons: ok cancel\n"
                      "-1\tstatic\tenabled\t-\tName :\n"
                      "1201\tedit\tenabled\t-\tItem 1\n"
                      "ok\nok\nok\nok\nok\n"
                      "title: Item 2 Properties\n"
                      "page: 0 General\n"
                      "buttons: ok cancel\n"
                      "-1\tstatic\tenabled\t-\tName :\n"
                      "1201\tedit\tenabled\t-\tItem 2\n"
                      "ok\nok\n"
                      "error: no dialog or property sheet is open\n");
    std::vector<std::string> applied = Snapin().Entries({"PAGE General apply", "PAGE General reset"});
    EXPECT_EQ(applied, (std::vector<std::string>{"PAGE General apply name=Item One", "PAGE General reset"}));
}
