// The headless console's command language against the test snap-in: what each command prints, and
// that bad input prints "error: <why>", lets the run go on and makes the exit status 1.
#include <sstream>
#include <thread>

#include "console_fixture.h"
#include "input.h"
#include "session.h"

namespace {

class HeadlessTest : public ConsoleTest {
protected:
    void Describe(TestSnapin::Control& control) override {
        const LONG top = static_cast<LONG>(CCM_INSERTIONPOINTID_PRIMARY_TOP);
        const LONG task = static_cast<LONG>(CCM_INSERTIONPOINTID_PRIMARY_TASK);
        control.root.Find(L"Folder A")->menu = {
            {L"&Backup Database...", L"Backs the storage area up", 1, top, 0, 0},
            {L"All", L"", 200, task, MF_POPUP, 0},
            {L"Confirm", L"Asks first", 2, 200, 0, 0},
            {L"Off", L"", 3, task, MF_GRAYED, 0}};
        control.onCommand = [](LONG command, TestSnapin::Node*, IConsole* console) {
            if (command != 2) return;
            int answer = 0;
            console->MessageBox(L"Delete it?\nIt cannot be undone.", L"Confirm", MB_YESNO | MB_ICONQUESTION,
                                &answer);
            TestSnapin::TheControl().log.push_back("answer " + std::to_string(answer));
        };
    }
    void SetUp() override {
        ConsoleTest::SetUp();
        session = std::make_unique<Headless::CSession>(*console, out);
        View().SelectScopeItem(root); // as the program starts
    }
    void TearDown() override {
        session.reset();
        ConsoleTest::TearDown();
    }
    // Runs the lines and returns what they printed.
    std::string Run(std::initializer_list<const char*> lines) {
        out.str("");
        for (const char* line : lines)
            session->Execute(line);
        return out.str();
    }

    std::ostringstream out;
    std::unique_ptr<Headless::CSession> session;
};

} // namespace

TEST(CommandLineTest, WordsQuotesCommentsAndBackslashes) {
    std::vector<std::string> words;
    std::string problem;
    ASSERT_TRUE(Headless::SplitCommandLine(
        "run \"Korvath Console/SQL Server Group/HOST\\SQL1\"  \"Backup Database...\" # why", &words,
        &problem));
    EXPECT_EQ(words, (std::vector<std::string>{"run", "Korvath Console/SQL Server Group/HOST\\SQL1",
                                               "Backup Database..."}));
    ASSERT_TRUE(Headless::SplitCommandLine("rename a \"\"", &words, &problem));
    EXPECT_EQ(words, (std::vector<std::string>{"rename", "a", ""}))
        << "an empty quoted argument is an argument";
    ASSERT_TRUE(Headless::SplitCommandLine("set 1001 \"say \"\"hi\"\"\" \"\"\"\"", &words, &problem));
    EXPECT_EQ(words, (std::vector<std::string>{"set", "1001", "say \"hi\"", "\""})) << "\"\" inside quotes is one \"";
    ASSERT_TRUE(Headless::SplitCommandLine("   # only a comment", &words, &problem));
    EXPECT_TRUE(words.empty());
    ASSERT_TRUE(Headless::SplitCommandLine("choose 1008 #3 #the fourth entry", &words, &problem));
    EXPECT_EQ(words, (std::vector<std::string>{"choose", "1008", "#3"})) << "#N is an index, not a comment";
    ASSERT_TRUE(Headless::SplitCommandLine("set 1001 C#", &words, &problem));
    EXPECT_EQ(words, (std::vector<std::string>{"set", "1001", "C#"}));
    EXPECT_FALSE(Headless::SplitCommandLine("select \"Test Root", &words, &problem));
    EXPECT_EQ(problem, "a quoted argument has no closing quote");
}

TEST_F(HeadlessTest, TreePrintsTheInsertedItemsIndentedByTwoBlanksPerLevel) {
    EXPECT_EQ(Run({"tree"}), "Test Root\n  Folder A\n  Virtual\n  Notice\nok\n");
    EXPECT_EQ(Run({"expand \"Test Root/Folder A\"", "tree \"Test Root/Folder A\""}),
              "ok\nFolder A\n  Sub 1\n  Sub 2\nok\n");
    EXPECT_FALSE(session->AnyFailed());
}

TEST_F(HeadlessTest, ListPrintsColumnsAndRowsOrTheMessage) {
    EXPECT_EQ(Run({"list \"Test Root/Folder A\""}),
              "Name\tSize\nSub 1\tfirst\nSub 2\tsecond\nItem 1\t30\nItem 2\t9\nItem 3\t100\nok\n");
    EXPECT_EQ(Run({"status"}), "5 Items\nok\n");
    EXPECT_EQ(Run({"list \"Test Root/Notice\""}), "title: Not connected\nbody: Line one\\nLine two\nok\n");
    EXPECT_EQ(Run({"list"}), "title: Not connected\nbody: Line one\\nLine two\nok\n") << "the pane as it is";
    EXPECT_EQ(Run({"list \"Test Root/Virtual\""}),
              "Name\tSquare\nRow 0\t0\nRow 1\t1\nRow 2\t4\nRow 3\t9\nRow 4\t16\nok\n");
}

TEST_F(HeadlessTest, VerbsPrintsTheAvailableVerbsWithTheDefaultMarked) {
    EXPECT_EQ(Run({"verbs \"Test Root/Folder A/Item 1\""}), "delete\nproperties *\nrename\nok\n");
    EXPECT_EQ(Run({"verbs \"Test Root/Folder A\""}), "delete\nrename\nrefresh\nok\n");
    EXPECT_EQ(Run({"verbs \"Test Root/Notice\""}), "ok\n");
}

TEST_F(HeadlessTest, MenuPrintsGroupNameAndStatusText) {
    EXPECT_EQ(Run({"menu \"Test Root/Folder A\""}), "top\tBackup Database...\tBacks the storage area up\n"
                                                    "task\tAll\t\n"
                                                    "submenu\tConfirm\tAsks first\n"
                                                    "task\tOff\t\n"
                                                    "ok\n");
}

TEST_F(HeadlessTest, MessageBoxesPrintThemselvesAndTakeTheQueuedAnswers) {
    EXPECT_EQ(Run({"answer yes", "run \"Test Root/Folder A\" Confirm"}),
              "ok\nmsgbox: Confirm: Delete it?\\nIt cannot be undone.\nok\n");
    EXPECT_EQ(Log().back(), "answer " + std::to_string(IDYES));
    Run({"run \"Test Root/Folder A\" Confirm"});
    EXPECT_EQ(Log().back(), "answer " + std::to_string(IDNO)) << "with nothing queued a box answers no";
    EXPECT_FALSE(session->AnyFailed());

    EXPECT_EQ(Run({"answer ok", "run \"Test Root/Folder A\" Confirm"}),
              "ok\nmsgbox: Confirm: Delete it?\\nIt cannot be undone.\n"
              "error: the answer \"ok\" is not a button of the message box \"Confirm\"\n");
    EXPECT_EQ(Log().back(), "answer " + std::to_string(IDNO));
    EXPECT_TRUE(session->AnyFailed());
}

TEST_F(HeadlessTest, VerbCommandsActOnTheNamedItem) {
    EXPECT_EQ(Run({"rename \"Test Root/Folder A/Item 2\" \"Item Two\"", "list \"Test Root/Folder A\""}),
              "ok\nName\tSize\nSub 1\tfirst\nSub 2\tsecond\nItem 1\t30\nItem Two\t9\nItem 3\t100\nok\n");
    EXPECT_EQ(Run({"delete \"Test Root/Folder A/Item 1\"", "list"}),
              "ok\nName\tSize\nSub 1\tfirst\nSub 2\tsecond\nItem Two\t9\nItem 3\t100\nok\n");
    Log().clear();
    EXPECT_EQ(Run({"refresh \"Test Root/Folder A\""}), "ok\n");
    EXPECT_EQ(Entries({"C.Notify REFRESH"}), std::vector<std::string>{"C.Notify REFRESH Folder A"});
    EXPECT_FALSE(session->AnyFailed());
}

TEST_F(HeadlessTest, BadInputPrintsWhyAndTheRunGoesOn) {
    EXPECT_EQ(Run({"frobnicate"}), "error: unknown command \"frobnicate\"\n");
    EXPECT_EQ(Run({"expand"}), "error: expand needs one PATH\n");
    EXPECT_EQ(Run({"select \"Test Root/Nothing Here\""}),
              "error: there is no \"Nothing Here\" under \"Test Root\"\n");
    EXPECT_EQ(Run({"list \"Other Root\""}), "error: there is no \"Other Root\" at the root of the console\n");
    EXPECT_EQ(Run({"tree \"Test Root//Folder A\""}),
              "error: the path \"Test Root//Folder A\" has an empty name in it\n");
    EXPECT_EQ(Run({"select \"Test Root"}), "error: a quoted argument has no closing quote\n");
    EXPECT_EQ(Run({"refresh \"Test Root/Notice\""}), "error: \"Test Root/Notice\" cannot be refreshed\n");
    EXPECT_EQ(Run({"run \"Test Root/Folder A\" Missing"}),
              "error: the menu of \"Test Root/Folder A\" has no item \"Missing\"\n");
    EXPECT_EQ(Run({"run \"Test Root/Folder A\" Off"}), "error: the menu item \"Off\" is disabled\n");
    EXPECT_EQ(Run({"answer maybe"}), "error: \"maybe\" is not an answer: use yes, no, ok or cancel\n");
    EXPECT_EQ(Run({"next"}), "error: no dialog or property sheet is open\n");
    EXPECT_EQ(Run({"properties \"Test Root/Notice\""}),
              "error: \"Test Root/Notice\" has no properties to show\n");
    EXPECT_TRUE(session->AnyFailed());
    EXPECT_EQ(Run({"# a comment", "", "tree \"Test Root/Virtual\""}), "Virtual\nok\n") << "the run goes on";
}

TEST_F(HeadlessTest, QuitEndsTheRunAndInputEndsIt) {
    std::vector<std::string> lines = {"tree \"Test Root/Notice\"", "quit", "tree"};
    size_t next = 0;
    session->Run([&](std::string* line) {
        if (next == lines.size()) return false;
        *line = lines[next++];
        return true;
    });
    EXPECT_EQ(out.str(), "Notice\nok\nok\n");
    EXPECT_TRUE(session->QuitRequested());
    EXPECT_FALSE(session->AnyFailed());
}

TEST_F(HeadlessTest, LinesPostedFromAnotherThreadRunInTheConsolesMessageLoop) {
    Headless::CCommandWindow window(*session);
    auto mailbox = window.Mailbox();
    std::thread input([mailbox] {
        for (std::string line : {"tree \"Test Root/Notice\"", "quit", "tree"})
            mailbox->Post(&line);
    });
    input.join();
    out.str("");
    window.Run();
    EXPECT_EQ(out.str(), "Notice\nok\nok\n") << "nothing runs after quit";
    EXPECT_TRUE(session->QuitRequested());
}

TEST_F(HeadlessTest, TheEndOfTheInputEndsTheMessageLoop) {
    Headless::CCommandWindow window(*session);
    auto mailbox = window.Mailbox();
    Headless::ReadLinesOnThread(
        std::make_shared<std::istringstream>("tree \"Test Root/Virtual\"\nfrobnicate\n"),
        [mailbox](const std::string* line) { mailbox->Post(line); });
    out.str("");
    window.Run();
    EXPECT_EQ(out.str(), "Virtual\nok\nerror: unknown command \"frobnicate\"\n");
    EXPECT_TRUE(session->AnyFailed());
    EXPECT_FALSE(session->QuitRequested());
}

TEST_F(HeadlessTest, HelpListsTheCommandsAndExplainsOne) {
    std::string all = Run({"help"});
    for (const char* command : {"  tree [PATH]", "  run PATH ITEM", "  expect TEXT", "  help [COMMAND]", "  quit"})
        EXPECT_NE(all.find(command), std::string::npos) << command;
    EXPECT_EQ(all.substr(all.size() - 3), "ok\n");
    EXPECT_EQ(Run({"help choose"}),
              "choose ID TEXT|#N\n  selects an entry of a combo box or list, by text or by index\nok\n");
    EXPECT_EQ(Run({"help frobnicate"}), "error: there is no command \"frobnicate\"; help lists them\n");
}

TEST_F(HeadlessTest, ExpectLooksAtWhatTheCommandBeforeItPrinted) {
    EXPECT_EQ(Run({"tree \"Test Root\"", "expect \"  Notice\"", "expect Virtual"}), "Test Root\n  Folder A\n  Virtual\n  Notice\nok\nok\nok\n");
    EXPECT_EQ(Run({"status", "expect Items", "expect Virtual"}),
              "3 Items\nok\nok\nerror: the last output does not show \"Virtual\"\n");
    EXPECT_TRUE(session->AnyFailed());
}

TEST_F(HeadlessTest, StopOnErrorEndsTheRunAtTheFirstFailure) {
    session->SetStopOnError(true);
    std::vector<std::string> lines = {"tree \"Test Root/Notice\"", "choose 1001 Nothing", "tree"};
    size_t next = 0;
    session->Run([&](std::string* line) {
        if (next == lines.size()) return false;
        *line = lines[next++];
        return true;
    });
    EXPECT_EQ(out.str(), "Notice\nok\nerror: no dialog or property sheet is open\n") << "nothing runs after it";
    EXPECT_TRUE(session->QuitRequested());
    EXPECT_TRUE(session->AnyFailed());
}

TEST_F(HeadlessTest, ALineLongerThanTheLimitIsRefusedWithoutBeingReadWhole) {
    std::string fits(Headless::kMaxLineBytes - 6, ' ');
    std::istringstream in("tree" + std::string(Headless::kMaxLineBytes, ' ') + "x\n" + "tree" + fits + "\nstatus");
    std::string line;
    ASSERT_TRUE(Headless::ReadBoundedLine(in, &line));
    EXPECT_EQ(line.size(), Headless::kMaxLineBytes + 1);
    EXPECT_EQ(Run({line.c_str()}), "error: the line is longer than 1048576 bytes; it is refused\n");
    ASSERT_TRUE(Headless::ReadBoundedLine(in, &line));
    EXPECT_EQ(line, "tree" + fits) << "the rest of the long line is skipped; a line that fits is whole";
    ASSERT_TRUE(Headless::ReadBoundedLine(in, &line));
    EXPECT_EQ(line, "status") << "the last line needs no line break";
    EXPECT_FALSE(Headless::ReadBoundedLine(in, &line));
}
