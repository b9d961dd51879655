// The reg and regsvr32 programs of build/bin, run as an administrator or a script runs them: what
// they print, their exit status, and what they leave in the prefix's registry.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "test_support.h"
#include "tvplatform.h"
#include "windows.h"

namespace {

struct Outcome {
    int status = -1;
    std::string out, err;
};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs a program of build/bin with no terminal on standard input, as scripts do.
Outcome Tool(const std::string& commandLine, const std::string& environment = "") {
    std::string errors = tvtest::Prefix() + "/stderr.txt";
    Outcome outcome;
    outcome.status = tvtest::Run(environment + " " + tvtest::BuildDir() + "/bin/" + commandLine +
                                     " </dev/null 2>" + errors,
                                 &outcome.out);
    outcome.err = ReadFile(errors);
    return outcome;
}

std::string Library(const std::string& name) {
    return tvtest::BuildDir() + "/lib/lib" + name + ".so";
}

// The text of an exported file, which is UTF-16LE with a byte-order mark.
std::string ReadExport(const std::string& path) {
    std::string bytes = ReadFile(path);
    if (bytes.size() < 2 || bytes.substr(0, 2) != "\xFF\xFE") return "<no byte-order mark>";
    std::u16string units;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
        units += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                       static_cast<unsigned char>(bytes[i + 1]) << 8);
    return tvp::ToUtf8(tvp::FromUtf16(units));
}

const char kNotFound[] = "ERROR: The system was unable to find the specified registry key or value.\n";

// One key made with reg add for the whole suite; tests that change things use keys of their own.
class RegTool : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        for (const char* add :
             {"/ve /d 'Korvath Console'", "/v ThreadingModel /d Apartment", "/v Count /t REG_DWORD /d 42",
              "/v Big /t reg_qword /d 0x1122334455667788", "/v Bytes /t REG_BINARY /d 00ff10",
              "/v List /t REG_MULTI_SZ /d 'one\\0two'", "/v Path /t REG_EXPAND_SZ /d '%A%'"}) {
            Outcome added = Tool(std::string("reg add 'HKLM\\Software\\RegToolTest' ") + add);
            ASSERT_EQ(added.status, 0) << add << ": " << added.err;
            ASSERT_EQ(added.out, "The operation completed successfully.\n");
        }
        ASSERT_EQ(
            Tool("reg add 'HKEY_LOCAL_MACHINE\\Software\\RegToolTest\\Sub' /v Leaf /t REG_DWORD /d 1").status,
            0);
    }
};

TEST_F(RegTool, QueryShowsTheKeyItsValuesAndItsSubkeys) {
    Outcome query = Tool("reg query 'HKLM\\Software\\RegToolTest'");
    EXPECT_EQ(query.status, 0) << query.err;
    EXPECT_EQ(query.out, "\n"
                         "HKEY_LOCAL_MACHINE\\Software\\RegToolTest\n"
                         "    (Default)    REG_SZ    Korvath Console\n"
                         "    ThreadingModel    REG_SZ    Apartment\n"
                         "    Count    REG_DWORD    0x2a\n"
                         "    Big    REG_QWORD    0x1122334455667788\n"
                         "    Bytes    REG_BINARY    00FF10\n"
                         "    List    REG_MULTI_SZ    one\\0two\n"
                         "    Path    REG_EXPAND_SZ    %A%\n"
                         "\n"
                         "HKEY_LOCAL_MACHINE\\Software\\RegToolTest\\Sub\n"
                         "\n");

    Outcome one = Tool("reg query 'hkey_local_machine\\software\\regtooltest' /v threadingmodel");
    EXPECT_EQ(one.status, 0);
    EXPECT_NE(one.out.find("    threadingmodel    REG_SZ    Apartment\n"), std::string::npos) << one.out;
    EXPECT_EQ(one.out.find("Count"), std::string::npos);

    Outcome byDefault = Tool("reg query 'HKLM\\Software\\RegToolTest' /ve");
    EXPECT_EQ(byDefault.status, 0);
    EXPECT_NE(byDefault.out.find("    (Default)    REG_SZ    Korvath Console\n"), std::string::npos);

    Outcome deep = Tool("reg query 'HKLM\\Software\\RegToolTest' /s");
    EXPECT_EQ(deep.status, 0);
    EXPECT_NE(deep.out.find("HKEY_LOCAL_MACHINE\\Software\\RegToolTest\\Sub\n    Leaf    REG_DWORD    0x1\n"),
              std::string::npos)
        << deep.out;
}

TEST_F(RegTool, WhatIsNotThereIsAnErrorOnStandardError) {
    Outcome key = Tool("reg query 'HKLM\\Software\\NoSuchKey'");
    EXPECT_EQ(key.status, 1);
    EXPECT_EQ(key.err, kNotFound);
    EXPECT_EQ(key.out, "");
    Outcome value = Tool("reg query 'HKLM\\Software\\RegToolTest' /v NoSuchValue");
    EXPECT_EQ(value.status, 1);
    EXPECT_EQ(value.err, kNotFound);
    EXPECT_EQ(Tool("reg delete 'HKLM\\Software\\RegToolTest' /v NoSuchValue").status, 1);
    EXPECT_EQ(Tool("reg delete 'HKLM\\Software\\NoSuchKey'").err, kNotFound);
    EXPECT_EQ(Tool("reg export 'HKLM\\Software\\NoSuchKey' " + tvtest::Prefix() + "/none.reg").status, 1);
    EXPECT_FALSE(std::filesystem::exists(tvtest::Prefix() + "/none.reg"));
}

TEST_F(RegTool, BadArgumentsChangeNothing) {
    for (const char* bad : {"reg", "reg query 'HKXX\\Software'",
                            "reg add 'HKLM\\Software\\RegToolTest' /v Count /t REG_DWORD /d 4294967296",
                            "reg add 'HKLM\\Software\\RegToolTest' /v Count /t REG_BINARY /d 0g"}) {
        Outcome outcome = Tool(bad);
        EXPECT_EQ(outcome.status, 1) << bad;
        EXPECT_EQ(outcome.err.rfind("ERROR: ", 0), 0u) << bad << ": " << outcome.err;
    }
    Outcome still = Tool("reg query 'HKLM\\Software\\RegToolTest' /v Count");
    EXPECT_NE(still.out.find("0x2a"), std::string::npos) << still.out;
    // A root is never deleted whole.
    EXPECT_EQ(Tool("reg delete HKLM /f").status, 1);
    EXPECT_EQ(Tool("reg query 'HKLM\\Software\\RegToolTest' /v Count").status, 0);
}

TEST_F(RegTool, ExportWritesTheUsualRegFile) {
    std::string file = tvtest::Prefix() + "/tool.reg";
    Outcome exported = Tool("reg export 'HKLM\\Software\\RegToolTest' " + file);
    ASSERT_EQ(exported.status, 0) << exported.err;
    EXPECT_EQ(exported.out, "The operation completed successfully.\n");
    EXPECT_EQ(ReadExport(file), "Windows Registry Editor Version 5.00\r\n"
                                "\r\n"
                                "[HKEY_LOCAL_MACHINE\\Software\\RegToolTest]\r\n"
                                "@=\"Korvath Console\"\r\n"
                                "\"ThreadingModel\"=\"Apartment\"\r\n"
                                "\"Count\"=dword:0000002a\r\n"
                                "\"Big\"=hex(b):88,77,66,55,44,33,22,11\r\n"
                                "\"Bytes\"=hex:00,ff,10\r\n"
                                "\"List\"=hex(7):6f,00,6e,00,65,00,00,00,74,00,77,00,6f,00,00,00,00,00\r\n"
                                "\"Path\"=hex(2):25,00,41,00,25,00,00,00\r\n"
                                "\r\n"
                                "[HKEY_LOCAL_MACHINE\\Software\\RegToolTest\\Sub]\r\n"
                                "\"Leaf\"=dword:00000001\r\n"
                                "\r\n");

    // An existing file is replaced only with /y.
    ASSERT_EQ(Tool("reg add 'HKLM\\Software\\RegToolLater' /v Later /d x").status, 0);
    Outcome refused = Tool("reg export 'HKLM\\Software\\RegToolLater' " + file);
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("/y"), std::string::npos) << refused.err;
    EXPECT_EQ(ReadExport(file).find("Later"), std::string::npos);
    EXPECT_EQ(Tool("reg export 'HKLM\\Software\\RegToolLater' " + file + " /y").status, 0);
    EXPECT_NE(ReadExport(file).find("\"Later\"=\"x\""), std::string::npos);
}

TEST_F(RegTool, DeleteRemovesAValueTheDefaultAllValuesOrTheWholeKey) {
    const std::string key = "'HKLM\\Software\\RegToolDelete'";
    for (const char* add : {"/ve /d x", "/v Count /t REG_DWORD /d 1", "/v Name /d y"})
        ASSERT_EQ(Tool("reg add " + key + " " + add).status, 0);
    ASSERT_EQ(Tool("reg add 'HKLM\\Software\\RegToolDelete\\Sub\\Deeper' /v Leaf /d z").status, 0);

    EXPECT_EQ(Tool("reg delete " + key + " /v COUNT").status, 0);
    EXPECT_EQ(Tool("reg query " + key + " /v Count").status, 1);
    EXPECT_EQ(Tool("reg delete " + key + " /ve").status, 0);
    EXPECT_EQ(Tool("reg query " + key + " /ve").status, 1);
    EXPECT_EQ(Tool("reg query " + key + " /v Name").status, 0);

    ASSERT_EQ(Tool("reg add " + key + " /v Again /d w").status, 0);
    Outcome all = Tool("reg delete " + key + " /va /f");
    EXPECT_EQ(all.status, 0) << all.err;
    EXPECT_EQ(Tool("reg query " + key).out, "\nHKEY_LOCAL_MACHINE\\Software\\RegToolDelete\n\nHKEY_LOCAL_"
                                            "MACHINE\\Software\\RegToolDelete\\Sub\n\n");

    // Without a terminal on standard input there is nobody to ask: the key goes, with its subkeys.
    Outcome whole = Tool("reg delete " + key);
    EXPECT_EQ(whole.status, 0) << whole.err;
    HKEY gone = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\RegToolDelete", 0, KEY_READ, &gone),
              ERROR_FILE_NOT_FOUND);
}

TEST(RegToolHive, ADamagedHiveIsNamedInTheError) {
    std::string prefix = tvtest::MakeFolder("damaged-prefix");
    std::string hive = prefix + "/registry.db";
    std::ofstream(hive, std::ios::binary) << std::string(4096, 'x');
    Outcome outcome = Tool("reg query HKLM", "TAVROSK_PREFIX=" + prefix);
    EXPECT_EQ(outcome.status, 1);
    EXPECT_NE(outcome.err.find("ERROR: The registry hive " + hive + " is damaged"), std::string::npos)
        << outcome.err;
    EXPECT_EQ(ReadFile(hive), std::string(4096, 'x'));
}

// --- regsvr32 ---------------------------------------------------------------------------------------

TEST(Regsvr32, RegistersAndUnregistersThroughTheLibrarysEntryPoints) {
    std::string library = Library("regsvrprobe");
    Outcome registered = Tool("regsvr32 " + library);
    EXPECT_EQ(registered.status, 0) << registered.err;
    EXPECT_EQ(registered.out, "DllRegisterServer in " + library + " succeeded.\n");
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\RegsvrProbe", 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExW(key, L"Registered", nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    RegCloseKey(key);

    Outcome removed = Tool("regsvr32 /u /s " + library);
    EXPECT_EQ(removed.status, 0) << removed.err;
    EXPECT_EQ(removed.out, "");
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\RegsvrProbe", 0, KEY_READ, &key),
              ERROR_FILE_NOT_FOUND);
}

TEST(Regsvr32, EachKindOfFailureHasItsOwnExitStatusAndMessage) {
    std::string library = Library("regsvrprobe");
    Outcome failed = Tool("regsvr32 /s " + library, "TAVROSK_TEST_REGISTER_FAILS=1");
    EXPECT_EQ(failed.status, 5);
    EXPECT_EQ(failed.err, "DllRegisterServer in " + library + " failed. Return code was: 0x80004005\n");
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\RegsvrProbe", 0, KEY_READ, &key),
              ERROR_FILE_NOT_FOUND);

    Outcome bare = Tool("regsvr32 " + Library("regsvrbare"));
    EXPECT_EQ(bare.status, 4);
    EXPECT_NE(bare.err.find("DllRegisterServer was not found"), std::string::npos) << bare.err;

    Outcome missing = Tool("regsvr32 " + tvtest::Prefix() + "/libnothing.so");
    EXPECT_EQ(missing.status, 3);
    EXPECT_NE(missing.err.find("libnothing.so\" failed to load"), std::string::npos) << missing.err;

    EXPECT_EQ(Tool("regsvr32").status, 1);
    EXPECT_EQ(Tool("regsvr32 /x " + library).status, 1);
}

} // namespace
