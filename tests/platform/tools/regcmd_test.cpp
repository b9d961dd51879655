// What reg makes of what an administrator types: options, key paths and /d data, with the mistakes that
// must be refused rather than stored as something else; and the text forms of values in query and
// export for data that the end-to-end tests do not reach.
#include <gtest/gtest.h>

#include "regcmd.h"

namespace {

using namespace regtool;

Command Parse(std::vector<std::wstring> args) {
    Command command;
    std::wstring error;
    EXPECT_TRUE(ParseCommand(args, command, error)) << std::string(error.begin(), error.end());
    return command;
}

bool Refused(std::vector<std::wstring> args) {
    Command command;
    std::wstring error;
    return !ParseCommand(args, command, error) && !error.empty();
}

TEST(RegCommandLine, OptionsAreReadInAnyCaseWithSlashOrDash) {
    Command add =
        Parse({L"ADD", L"HKLM\\Software\\X", L"-V", L"Name", L"/t", L"REG_DWORD", L"/D", L"5", L"/f"});
    EXPECT_EQ(add.operation, Operation::Add);
    EXPECT_EQ(add.key, L"HKLM\\Software\\X");
    EXPECT_EQ(add.value, L"Name");
    EXPECT_EQ(add.type, L"REG_DWORD");
    EXPECT_EQ(add.data, L"5");
    EXPECT_TRUE(add.force);

    Command multi =
        Parse({L"add", L"HKCU\\X", L"/v", L"L", L"/t", L"REG_MULTI_SZ", L"/s", L",", L"/d", L"a,b"});
    EXPECT_EQ(multi.separator, L',');
    Command query = Parse({L"query", L"HKCU\\X", L"/ve", L"/s"});
    EXPECT_EQ(query.value, L"");
    EXPECT_TRUE(query.recurse);
    Command exported = Parse({L"export", L"HKLM\\X", L"/tmp/x.reg", L"/y"});
    EXPECT_EQ(exported.file, L"/tmp/x.reg");
    EXPECT_TRUE(exported.force);
    EXPECT_EQ(Parse({L"delete", L"/?"}).operation, Operation::Help);
}

TEST(RegCommandLine, ConflictingMissingOrMisplacedArgumentsAreRefused) {
    EXPECT_TRUE(Refused({}));
    EXPECT_TRUE(Refused({L"query"}));
    EXPECT_TRUE(Refused({L"query", L"HKLM\\A", L"HKLM\\B"}));
    EXPECT_TRUE(Refused({L"query", L"HKLM\\A", L"/v"}));
    EXPECT_TRUE(Refused({L"query", L"HKLM\\A", L"/v", L"x", L"/ve"}));
    EXPECT_TRUE(Refused({L"delete", L"HKLM\\A", L"/va", L"/v", L"x"}));
    EXPECT_TRUE(Refused({L"query", L"HKLM\\A", L"/t", L"REG_SZ"}));
    EXPECT_TRUE(Refused({L"add", L"HKLM\\A", L"/s", L"ab"}));
    EXPECT_TRUE(Refused({L"add", L"HKLM\\A", L"/d", L"1", L"/d", L"2"}));
    EXPECT_TRUE(Refused({L"export", L"HKLM\\A"}));
    EXPECT_TRUE(Refused({L"export", L"HKLM\\A", L"f.reg", L"/f"}));
    EXPECT_TRUE(Refused({L"query", L"HKLM\\A", L"/x"}));
    EXPECT_TRUE(Refused({L"import", L"f.reg"}));
}

TEST(RegKeyPath, RootsAreKnownShortOrInFullAndEmptyNamesAreRefused) {
    KeyPath path;
    ASSERT_TRUE(ParseKeyPath(L"hkcr\\CLSID\\{X}\\", path));
    EXPECT_EQ(path.root, HKEY_CLASSES_ROOT);
    EXPECT_EQ(path.Full(), L"HKEY_CLASSES_ROOT\\CLSID\\{X}");
    ASSERT_TRUE(ParseKeyPath(L"HKEY_USERS", path));
    EXPECT_EQ(path.root, HKEY_USERS);
    EXPECT_EQ(path.subKey, L"");
    ASSERT_TRUE(ParseKeyPath(L"Hkey_Current_User\\Software", path));
    EXPECT_EQ(path.root, HKEY_CURRENT_USER);
    EXPECT_FALSE(ParseKeyPath(L"HKLMX\\Software", path));
    EXPECT_FALSE(ParseKeyPath(L"\\\\server\\HKLM\\Software", path));
    EXPECT_FALSE(ParseKeyPath(L"HKLM\\\\Software", path));
    EXPECT_FALSE(ParseKeyPath(L"HKLM\\a\\\\b", path));
    EXPECT_FALSE(ParseKeyPath(L"", path));
}

TEST(RegData, NumbersAreCheckedAgainstTheirTypesRange) {
    Value value;
    std::wstring error;
    ASSERT_TRUE(ParseData(REG_DWORD, L"4294967295", 0, value, error));
    EXPECT_EQ(value.bytes, (std::vector<BYTE>{0xFF, 0xFF, 0xFF, 0xFF}));
    value = Value();
    ASSERT_TRUE(ParseData(REG_DWORD, L"0x0000002A", 0, value, error));
    EXPECT_EQ(value.bytes, (std::vector<BYTE>{0x2A, 0, 0, 0}));
    value = Value();
    ASSERT_TRUE(ParseData(REG_QWORD, L"18446744073709551615", 0, value, error));
    EXPECT_EQ(value.bytes, std::vector<BYTE>(8, 0xFF));
    for (const wchar_t* bad : {L"4294967296", L"0x100000000", L"", L"12a", L"0x", L" 1", L"+1"}) {
        value = Value();
        EXPECT_FALSE(ParseData(REG_DWORD, bad, 0, value, error)) << bad;
    }
    value = Value();
    EXPECT_FALSE(ParseData(REG_QWORD, L"18446744073709551616", 0, value, error));
}

TEST(RegData, BinaryIsPairsOfHexDigits) {
    Value value;
    std::wstring error;
    ASSERT_TRUE(ParseData(REG_BINARY, L"00Ff7a", 0, value, error));
    EXPECT_EQ(value.bytes, (std::vector<BYTE>{0x00, 0xFF, 0x7A}));
    value = Value();
    ASSERT_TRUE(ParseData(REG_BINARY, L"", 0, value, error));
    EXPECT_TRUE(value.bytes.empty());
    for (const wchar_t* bad : {L"abc", L"0g", L"01 02", L"0x01"}) {
        value = Value();
        EXPECT_FALSE(ParseData(REG_BINARY, bad, 0, value, error)) << bad;
    }
}

TEST(RegData, MultiStringsSplitAtTheSeparatorAndRefuseEmptyStrings) {
    Value value;
    std::wstring error;
    ASSERT_TRUE(ParseData(REG_MULTI_SZ, L"a\\0b c\\0d", 0, value, error));
    EXPECT_EQ(value.strings, (std::vector<std::wstring>{L"a", L"b c", L"d"}));
    value = Value();
    ASSERT_TRUE(ParseData(REG_MULTI_SZ, L"x;y\\0z", L';', value, error));
    EXPECT_EQ(value.strings, (std::vector<std::wstring>{L"x", L"y\\0z"}));
    value = Value();
    ASSERT_TRUE(ParseData(REG_MULTI_SZ, L"", 0, value, error));
    EXPECT_TRUE(value.strings.empty());
    for (const wchar_t* bad : {L"a\\0\\0b", L"a\\0", L"\\0a"}) {
        value = Value();
        EXPECT_FALSE(ParseData(REG_MULTI_SZ, bad, 0, value, error)) << bad;
    }
}

TEST(RegValueText, ExportQuotesWhatFitsAndWritesTheRestAsHex) {
    Value quoted;
    quoted.name = L"Say \"hi\"";
    quoted.text = L"C:\\Program Files\\";
    EXPECT_EQ(ExportLine(quoted), L"\"Say \\\"hi\\\"\"=\"C:\\\\Program Files\\\\\"");

    Value lines;
    lines.text = L"a\nb";
    EXPECT_EQ(ExportLine(lines), L"@=hex(1):61,00,0a,00,62,00,00,00");

    Value odd;
    odd.name = L"Odd";
    odd.type = REG_DWORD;
    odd.bytes = {1, 2};
    EXPECT_EQ(ExportLine(odd), L"\"Odd\"=hex(4):01,02");
    EXPECT_EQ(DisplayData(odd), L"0102");

    Value other;
    other.name = L"N";
    other.type = 0x15;
    EXPECT_EQ(ExportLine(other), L"\"N\"=hex(15):");
    EXPECT_EQ(TypeName(0x15), L"REG_0x15");

    Value empty;
    empty.name = L"E";
    empty.type = REG_MULTI_SZ;
    EXPECT_EQ(ExportLine(empty), L"\"E\"=hex(7):00,00");
}

TEST(RegValueText, DeliveredStringsAreReadUpToTheirTerminators) {
    std::wstring data(L"one\0two\0\0garbage", 16);
    std::vector<BYTE> buffer(reinterpret_cast<const BYTE*>(data.data()),
                             reinterpret_cast<const BYTE*>(data.data() + data.size()));
    Value multi = FromDelivered(L"M", REG_MULTI_SZ, buffer, 18);
    EXPECT_EQ(multi.strings, (std::vector<std::wstring>{L"one", L"two"}));
    Value text = FromDelivered(L"S", REG_SZ, buffer, 8);
    EXPECT_EQ(text.text, L"one");
    // A count larger than the buffer reads no further than the buffer.
    Value clipped = FromDelivered(L"S", REG_BINARY, std::vector<BYTE>{1, 2}, 100);
    EXPECT_EQ(clipped.bytes, (std::vector<BYTE>{1, 2}));
}

} // namespace
