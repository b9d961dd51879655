// The tavrosk-engine tool: its commands, the tab-separated result sets it prints, and its errors on
// standard error with a non-zero exit status.
#include "engine_fixture.h"

namespace {

std::string Tool() {
    return tvtest::BuildDir() + "/bin/tavrosk-engine";
}

int RunTool(const std::string& arguments, std::string* output) {
    return tvtest::Run(Tool() + " " + arguments + " 2>&1", output);
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

} // namespace

TEST(Tool, DatabaseBackupRestoreAndFileList) {
    enginetest::EnsureDefaultInstance();
    std::string out;
    ASSERT_EQ(RunTool("database create '(local)' 'Tool Db'", &out), 0) << out;
    ASSERT_EQ(
        RunTool(
            "sql . 'Tool Db' \"CREATE TABLE t(a TEXT); INSERT INTO t VALUES ('tab\there'); SELECT a, 2 AS "
            "n FROM t\"",
            &out),
        0)
        << out;
    EXPECT_EQ(out, "a\tn\ntab\\there\t2\n");

    std::string file = tvtest::MakeFolder("tool") + "/tool.bak";
    ASSERT_EQ(RunTool("backup localhost 'Tool Db' " + file + " --description 'from the tool'", &out), 0)
        << out;
    ASSERT_EQ(RunTool("filelist " + file, &out), 0) << out;
    auto lines = Lines(out);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "LogicalName\tPhysicalName\tType\tFileGroupName\tSize\tMaxSize");
    EXPECT_EQ(lines[1].substr(0, 8), "Tool Db\t");
    EXPECT_NE(lines[2].find("\tL\t"), std::string::npos);

    std::string folder = tvtest::MakeFolder("toolmove");
    ASSERT_EQ(RunTool("restore . 'Tool Copy' " + file + " --move 'Tool Db' " + folder +
                          "/c.mdf --move 'Tool Db_log' " + folder + "/c.ldf",
                      &out),
              0)
        << out;
    ASSERT_EQ(RunTool("database list .", &out), 0) << out;
    lines = Lines(out);
    EXPECT_EQ(lines[0].substr(0, 24), "Name\tDbId\tSystemObject\tS");
    bool copy = false, last = false;
    for (const auto& line : lines) {
        if (line.rfind("Tool Copy\t", 0) == 0) copy = line.find(folder + "/c.mdf") != std::string::npos;
        if (line.rfind("Tool Db\t", 0) == 0)
            last = line.find("\t\t") == std::string::npos; // a last backup date
    }
    EXPECT_TRUE(copy);
    EXPECT_TRUE(last);
    ASSERT_EQ(RunTool("database drop . 'Tool Copy'", &out), 0) << out;

    // A job step's backup statement runs through sql, with its STATS messages.
    ASSERT_EQ(RunTool("sql . master \"BACKUP DATABASE [Tool Db] TO DISK = N'" + file +
                          "' WITH INIT , NAME = N'tool', STATS = 50, DESCRIPTION = N'step', NOFORMAT\"",
                      &out),
              0)
        << out;
    EXPECT_EQ(out, "50 percent processed.\n100 percent processed.\n");
}

TEST(Tool, LoginsAndSqlAuthentication) {
    enginetest::EnsureDefaultInstance();
    std::string out;
    ASSERT_EQ(RunTool("login add . toolsa --password 'p w' --sysadmin", &out), 0) << out;
    ASSERT_EQ(RunTool("--login toolsa --password 'p w' login list .", &out), 0) << out;
    EXPECT_NE(out.find("toolsa\tSQL\t1\n"), std::string::npos) << out;
    EXPECT_EQ(RunTool("--login toolsa --password wrong database list .", &out), 1);
    EXPECT_EQ(out, "tavrosk-engine: error 18456: Login failed for user 'toolsa'.\n");
    ASSERT_EQ(RunTool("login add . 'TOOLHOST\\Staff' --group", &out), 0) << out;
}

TEST(Tool, ErrorsGoToStandardErrorWithAStatus) {
    enginetest::EnsureDefaultInstance();
    std::string out;
    EXPECT_EQ(tvtest::Run(Tool() + " database drop . master 2>/dev/null", &out), 1);
    EXPECT_EQ(out, "");
    EXPECT_EQ(RunTool("database drop . master", &out), 1);
    EXPECT_EQ(
        out,
        "tavrosk-engine: error 3708: Cannot drop the database 'master' because it is a system database.\n");
    EXPECT_EQ(RunTool("database list FARAWAY", &out), 1);
    EXPECT_EQ(out, "tavrosk-engine: error 17: SQL Server does not exist or access denied.\n");
    EXPECT_EQ(RunTool("frobnicate", &out), 2);
    EXPECT_NE(out.find("usage:"), std::string::npos);
}

TEST(Tool, InstanceCommands) {
    enginetest::EnsureDefaultInstance();
    std::string out;
    ASSERT_EQ(RunTool("instance create ToolNamed --version 9", &out), 0) << out;
    ASSERT_EQ(RunTool("instance list", &out), 0) << out;
    EXPECT_NE(out.find("ToolNamed\t"), std::string::npos);
    EXPECT_NE(out.find("\t9.00.0001\t"), std::string::npos);
    ASSERT_EQ(RunTool("database list '.\\ToolNamed'", &out), 0) << out;
    EXPECT_EQ(Lines(out).size(), 5u);
    ASSERT_EQ(RunTool("instance drop ToolNamed", &out), 0) << out;
    ASSERT_EQ(RunTool("instance list", &out), 0) << out;
    EXPECT_EQ(out.find("ToolNamed"), std::string::npos);
}

TEST(Tool, JobsAreAddedListedAndRemovedAndStartingOneNeedsTheAgent) {
    enginetest::EnsureDefaultInstance();
    std::string out;
    ASSERT_EQ(RunTool("job add . 'Tool job' --step One master 'SELECT 1' --step Two master 'SELECT 2' "
                      "--schedule Nightly 4 1 0 20261207 230000",
                      &out),
              0)
        << out;
    EXPECT_EQ(out.front(), '{');
    auto session = enginetest::Admin();
    tvengine::Job job = session->GetJob("Tool job");
    ASSERT_EQ(job.steps.size(), 2u);
    EXPECT_EQ(job.steps[0].onSuccessAction, 3); // on to the next step
    EXPECT_EQ(job.steps[1].command, "SELECT 2");
    ASSERT_EQ(job.schedules.size(), 1u);
    EXPECT_EQ(job.schedules[0].frequencyType, 4);
    EXPECT_EQ(job.schedules[0].activeStartTime, 230000);
    EXPECT_EQ(RunTool("job add . 'Bad' --schedule Never 3 1 0 20261207 0", &out), 1);
    EXPECT_NE(out.find("error 14266"), std::string::npos) << out;
    EXPECT_EQ(RunTool("job add . 'Bad' --step Half master", &out), 2);

    ASSERT_EQ(RunTool("job list .", &out), 0) << out;
    EXPECT_NE(out.find("Tool job\t[Uncategorized (Local)]\t1\t2\t1\t4\t5\t0\t0\t"), std::string::npos) << out;
    EXPECT_EQ(RunTool("job start . 'Tool job'", &out), 1);
    EXPECT_EQ(
        out,
        "tavrosk-engine: error 22022: SQLServerAgent is not currently running so it cannot be notified of "
        "this action.\n");
    ASSERT_EQ(RunTool("job remove . 'Tool job'", &out), 0) << out;
    EXPECT_EQ(RunTool("job remove . 'Tool job'", &out), 1);
}

TEST(Tool, PasswordsComeFromAFileTheEnvironmentOrAPromptAndSqlPassesTheGate) {
    enginetest::EnsureDefaultInstance();
    std::string out, file = tvtest::MakeFolder("toolpw") + "/password";
    FILE* f = std::fopen(file.c_str(), "w");
    std::fputs("s3cret word\n", f);
    std::fclose(f);
    ASSERT_EQ(RunTool("login add . toolpw --password-file " + file, &out), 0) << out;
    EXPECT_EQ(RunTool("--login toolpw --password-file " + file + " database list .", &out), 0) << out;
    EXPECT_EQ(tvtest::Run("TAVROSK_PASSWORD='s3cret word' " + Tool() + " --login toolpw database list . 2>&1",
                          &out),
              0)
        << out;
    // No password anywhere and no terminal to ask on: the usage, which says why --password is for scripts.
    EXPECT_EQ(
        tvtest::Run("env -u TAVROSK_PASSWORD " + Tool() + " --login toolpw database list . </dev/null 2>&1",
                    &out),
        2);
    EXPECT_NE(out.find("the process list shows it"), std::string::npos) << out;
    EXPECT_NE(out.find("(the prefix's owner only)"), std::string::npos) << out;
    // Caller SQL through the tool meets the same gate as every other route.
    ASSERT_EQ(RunTool("database create . ToolOpen", &out), 0) << out;
    EXPECT_EQ(RunTool("--login toolpw --password-file " + file + " sql . ToolOpen \"ATTACH '" +
                          tvtest::Prefix() + "/instances/MSSQLSERVER/catalog.db' AS c\"",
                      &out),
              1);
    EXPECT_EQ(out, "tavrosk-engine: error 229: ATTACH permission denied in database 'ToolOpen'.\n");
}

TEST(Tool, ErrorsTellTheTruthAndStatsPassEveryTenPercent) {
    enginetest::EnsureDefaultInstance();
    std::string out;
    EXPECT_EQ(RunTool("instance create Versioned --version abc", &out), 1);
    EXPECT_EQ(out, "tavrosk-engine: error 170: The version 'abc' is not a number.\n");
    EXPECT_EQ(RunTool("filelist /dev/null", &out), 1);
    EXPECT_EQ(out,
              "tavrosk-engine: error 3241: The media family on device '/dev/null' is incorrectly formed. "
              "SQL Server cannot process this media family.\n");

    ASSERT_EQ(RunTool("database create . ToolStats", &out), 0) << out;
    std::string folder = tvtest::MakeFolder("toolstats"), file = folder + "/stats.bak";
    ASSERT_EQ(RunTool("backup . ToolStats " + file + " --stats", &out), 0) << out;
    std::string expected;
    for (int percent = 10; percent <= 100; percent += 10)
        expected += std::to_string(percent) + " percent processed.\n";
    EXPECT_EQ(out, expected);
    // A restore overwrites a file that is not the database's own only when told to.
    FILE* f = std::fopen((folder + "/taken.mdf").c_str(), "w");
    std::fputs("taken", f);
    std::fclose(f);
    std::string moves =
        " --move ToolStats " + folder + "/taken.mdf --move ToolStats_log " + folder + "/s.ldf";
    EXPECT_EQ(RunTool("restore . ToolStatsCopy " + file + moves, &out), 1);
    EXPECT_NE(out.find("error 3142:"), std::string::npos) << out;
    EXPECT_EQ(RunTool("restore . ToolStatsCopy " + file + moves + " --replace", &out), 0) << out;
}
