// The backup statement of job steps: how it is read, what it refuses, and that running it as SQL
// makes a backup.
#include <filesystem>

#include "engine_fixture.h"

using namespace tvengine;
using enginetest::ErrorOf;
using enginetest::MessageOf;

TEST(BackupStatement, TheStepCommandReadsAsItsBackup) {
    BackupRequest request =
        ParseBackupStatement("BACKUP DATABASE [Sales] TO DISK = N'D:\\Backups\\sales.bak' WITH INIT , NAME = "
                             "N'sales', STATS = 10, "
                             "DESCRIPTION = N'weekly', NOFORMAT");
    EXPECT_EQ(request.database, "Sales");
    EXPECT_EQ(request.file, "D:\\Backups\\sales.bak");
    EXPECT_EQ(request.action, BackupAction::Database);
    EXPECT_TRUE(request.initialize);
    EXPECT_EQ(request.name, "sales");
    EXPECT_EQ(request.description, "weekly");
    EXPECT_EQ(request.stats, 10);
}

TEST(BackupStatement, QuotingCommentsAndCase) {
    BackupRequest request = ParseBackupStatement(
        "  backup database [O'Brien]]s [data]]] -- the name\n to disk='/b/it''s.bak' /* c */ with noinit,"
        "description=N'it''s ok', stats;");
    EXPECT_EQ(request.database, "O'Brien]s [data]");
    EXPECT_EQ(request.file, "/b/it's.bak");
    EXPECT_FALSE(request.initialize);
    EXPECT_EQ(request.description, "it's ok");
    EXPECT_EQ(request.stats, 10);
    EXPECT_EQ(ParseBackupStatement("BACKUP DATABASE \"Q \"\"x\"\"\" TO DISK = 'f'").database, "Q \"x\"");
    EXPECT_EQ(ParseBackupStatement("BACKUP DATABASE Größe TO Nightly").device, "Nightly");
    EXPECT_EQ(ParseBackupStatement("BACKUP LOG [Sales] TO DISK = 'f'").action, BackupAction::Log);
    EXPECT_EQ(ParseBackupStatement("BACKUP DATABASE s TO DISK = 'f' WITH DIFFERENTIAL").action,
              BackupAction::Differential);
    EXPECT_TRUE(IsBackupStatement("\n  Backup database x to disk='y'"));
    EXPECT_FALSE(IsBackupStatement("SELECT 'BACKUP'"));
    EXPECT_FALSE(IsBackupStatement("BACKUPS"));
}

TEST(BackupStatement, WhatItCannotReadIsASyntaxError) {
    // A description with a quote that was not doubled must not become a different backup.
    EXPECT_EQ(MessageOf([] {
                  ParseBackupStatement("BACKUP DATABASE [S] TO DISK = N'/b/s.bak' WITH INIT , NAME = N's', "
                                       "DESCRIPTION = N'Bob's copy', NOFORMAT");
              }),
              "Incorrect syntax near 's'.");
    for (const char* bad :
         {"BACKUP TABLE t TO DISK = 'f'", "BACKUP DATABASE [open TO DISK = 'f'",
          "BACKUP DATABASE s TO DISK = 'f", "BACKUP DATABASE s TO DISK 'f'",
          "BACKUP DATABASE s TO DISK = 'f' WITH COMPRESSION",
          "BACKUP DATABASE s TO DISK = 'f' WITH STATS = 0", "BACKUP DATABASE s TO DISK = 'f' garbage",
          "BACKUP DATABASE", "BACKUP DATABASE s TO DISK = 'f' WITH INIT,", ""})
        EXPECT_EQ(ErrorOf([&] { ParseBackupStatement(bad); }), kErrSyntax) << bad;
}

TEST(BackupStatement, RunningItAsSqlMakesTheBackup) {
    auto session = enginetest::Admin();
    enginetest::MakeDatabase(*session, "Stepped", "s", 1);
    std::string file = tvtest::MakeFolder("stepped") + "/stepped.bak";
    std::vector<int> reported;
    auto results = session->Execute("master",
                                    "BACKUP DATABASE [Stepped] TO DISK = N'" + file +
                                        "' WITH INIT , NAME = N'stepped', STATS = 25, DESCRIPTION = N'from a "
                                        "step', NOFORMAT",
                                    [&](int percent) { reported.push_back(percent); });
    EXPECT_TRUE(results.empty());
    EXPECT_EQ(reported, (std::vector<int>{25, 50, 75, 100}));
    auto sets = ReadBackupSets(file);
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(sets[0].name, "stepped");
    EXPECT_EQ(sets[0].description, "from a step");
    EXPECT_GT(session->Database("Stepped").lastBackup, 0);
    EXPECT_EQ(ErrorOf([&] { session->Execute("master", "BACKUP LOG [Stepped] TO DISK = N'" + file + "'"); }),
              kErrLogBackup);
}

TEST(DeviceList, TheOneGrammarOfFilesAndDevices) {
    using Items = std::vector<std::string>;
    EXPECT_EQ(ParseDeviceList("[C:\\b\\x.bak]"), Items{"C:\\b\\x.bak"});
    EXPECT_EQ(ParseDeviceList("[[sales.bak]]"), Items{"sales.bak"}); // a bare remote file name
    EXPECT_EQ(ParseDeviceList(" [a]]b] , plain name ,[c,d]"), (Items{"a]b", "plain name", "c,d"}));
    // A bracket inside a bracketed name is doubled, as the wizards' texts never need.
    EXPECT_EQ(ErrorOf([&] { ParseDeviceList("[/b/a]b.bak]"); }), kErrSyntax);
    EXPECT_EQ(ParseDeviceList(""), Items{});
    for (const char* bad : {"[unclosed", "[[unclosed]", "[a],", "[a] [b]", "[], [b]", "[[a]b]]", ","})
        EXPECT_EQ(ErrorOf([&] { ParseDeviceList(bad); }), kErrSyntax) << bad;
    EXPECT_EQ(MessageOf([&] { ParseDeviceList("[x"); }), "The device list '[x' has an unclosed '['.");

    BackupMedia file = MediaOfLists("[[b.bak]]", "");
    EXPECT_EQ(file.file, "b.bak");
    EXPECT_EQ(file.device, "");
    BackupMedia device = MediaOfLists("", "[Nightly]");
    EXPECT_EQ(device.file, "");
    EXPECT_EQ(device.device, "Nightly");
    EXPECT_EQ(ErrorOf([&] { MediaOfLists("", ""); }), kErrSyntax);
    EXPECT_EQ(ErrorOf([&] { MediaOfLists("[a]", "[b]"); }), kErrSyntax);
}
