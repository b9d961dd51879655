// What reg makes of what an administrator types: options, key paths and /d data, with the mistakes that
// must be refused rather than stored as something else; and the .reg text of values that the
// end-to-end tests do not reach.
#include <gtest/gtest.h>

#include <optional>

#include "regcmd.h"

namespace {

using namespace regtool;

bool Refused(std::vector<std::wstring> args) {
    Command command;
    std::wstring error;
    return !ParseCommand(args, command, error) && !error.empty();
}

std::optional<Value> Data(DWORD type, const wchar_t* text, wchar_t separator = 0) {
    Value value;
    std::wstring error;
    if (!ParseData(type, text, separator, value, error)) return std::nullopt;
    return value;
}

TEST(RegCommandLine, OptionsTakeEitherPrefixAndAnythingElseIsPositional) {
    Command command;
    std::wstring error;
    ASSERT_TRUE(
        ParseCommand({L"ADD", L"HKCU\\X", L"-V", L"L", L"/T", L"REG_MULTI_SZ", L"/s", L",", L"/d", L"a,b"},
                     command, error));
    EXPECT_EQ(command.value, L"L");
    EXPECT_EQ(command.separator, L',');
    EXPECT_EQ(command.data, L"a,b");
    // A file path that starts with a slash is no option.
    ASSERT_TRUE(ParseCommand({L"export", L"HKLM\\X", L"/tmp/x.reg", L"/y"}, command, error));
    EXPECT_EQ(command.file, L"/tmp/x.reg");
    EXPECT_TRUE(command.force);

    EXPECT_TRUE(Refused({}));
    EXPECT_TRUE(Refused({L"query", L"HKLM\\A", L"/v"}));
    EXPECT_TRUE(Refused({L"query", L"HKLM\\A", L"/v", L"x", L"/ve"}));
    EXPECT_TRUE(Refused({L"delete", L"HKLM\\A", L"/va", L"/v", L"x"}));
    EXPECT_TRUE(Refused({L"query", L"HKLM\\A", L"/t", L"REG_SZ"}));
    EXPECT_TRUE(Refused({L"add", L"HKLM\\A", L"/s", L"ab"}));
    EXPECT_TRUE(Refused({L"export", L"HKLM\\A", L"f.reg", L"/f"}));
    EXPECT_TRUE(Refused({L"import", L"f.reg"}));
}

TEST(RegCommandLine, RootsAreKnownShortOrInFullAndEmptyNamesAreRefused) {
    KeyPath path;
    ASSERT_TRUE(ParseKeyPath(L"hkcr\\CLSID\\{X}\\", path));
    EXPECT_EQ(path.root, HKEY_CLASSES_ROOT);
    EXPECT_EQ(path.Full(), L"HKEY_CLASSES_ROOT\\CLSID\\{X}");
    ASSERT_TRUE(ParseKeyPath(L"Hkey_Users", path));
    EXPECT_EQ(path.Full(), L"HKEY_USERS");
    for (const wchar_t* bad : {L"HKLMX\\Software", L"\\\\server\\HKLM\\Software", L"HKLM\\a\\\\b", L""})
        EXPECT_FALSE(ParseKeyPath(bad, path)) << bad;
}

TEST(RegData, NumbersMustFitTheirType) {
    EXPECT_EQ(Data(REG_DWORD, L"4294967295")->bytes, (std::vector<BYTE>{0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(Data(REG_DWORD, L"0x0000002A")->bytes, (std::vector<BYTE>{0x2A, 0, 0, 0}));
    EXPECT_EQ(Data(REG_QWORD, L"18446744073709551615")->bytes, std::vector<BYTE>(8, 0xFF));
    for (const wchar_t* bad : {L"4294967296", L"0x100000000", L"", L"12a", L"0x", L" 1", L"+1"})
        EXPECT_FALSE(Data(REG_DWORD, bad)) << bad;
    EXPECT_FALSE(Data(REG_QWORD, L"18446744073709551616"));
}

TEST(RegData, BinaryIsPairsOfHexDigitsAndMultiStringsHoldNoEmptyString) {
    EXPECT_EQ(Data(REG_BINARY, L"00Ff7a")->bytes, (std::vector<BYTE>{0x00, 0xFF, 0x7A}));
    for (const wchar_t* bad : {L"abc", L"0g", L"01 02", L"0x01"})
        EXPECT_FALSE(Data(REG_BINARY, bad)) << bad;

    EXPECT_EQ(Data(REG_MULTI_SZ, L"a\\0b c\\0d")->strings, (std::vector<std::wstring>{L"a", L"b c", L"d"}));
    EXPECT_EQ(Data(REG_MULTI_SZ, L"x;y\\0z", L';')->strings, (std::vector<std::wstring>{L"x", L"y\\0z"}));
    EXPECT_TRUE(Data(REG_MULTI_SZ, L"")->strings.empty());
    for (const wchar_t* bad : {L"a\\0\\0b", L"a\\0", L"\\0a"})
        EXPECT_FALSE(Data(REG_MULTI_SZ, bad)) << bad;
}

TEST(RegValueText, ExportQuotesWhatFitsOnALineAndWritesTheRestAsHex) {
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
    Value empty;
    empty.name = L"E";
    empty.type = REG_MULTI_SZ;
    EXPECT_EQ(ExportLine(empty), L"\"E\"=hex(7):00,00");
}

TEST(RegValueText, LongHexListsGoOnAfterABackslashInLinesUnderEightyCharacters) {
    Value blob;
    blob.name = L"Blob";
    blob.type = REG_BINARY;
    blob.bytes.assign(60, 0xAB);
    std::wstring text = ExportLine(blob), joined, expected = L"\"Blob\"=hex:";
    for (int i = 0; i < 60; ++i)
        expected += i ? L",ab" : L"ab";
    size_t lines = 0;
    for (size_t start = 0;; ++lines) {
        size_t end = text.find(L"\r\n", start);
        std::wstring line = text.substr(start, end - start);
        EXPECT_LT(line.size(), 80u);
        if (lines) {
            EXPECT_EQ(line.substr(0, 2), L"  ");
            line = line.substr(2);
        }
        joined += line;
        if (end == std::wstring::npos) break;
        ASSERT_EQ(joined.back(), L'\\');
        joined.pop_back();
        start = end + 2;
    }
    EXPECT_GT(lines, 0u);
    EXPECT_EQ(joined, expected);
}

TEST(RegValueText, DeliveredDataIsReadNoFurtherThanItsTerminatorsOrItsBuffer) {
    std::wstring data(L"one\0two\0\0garbage", 16);
    std::vector<BYTE> buffer(reinterpret_cast<const BYTE*>(data.data()),
                             reinterpret_cast<const BYTE*>(data.data() + data.size()));
    EXPECT_EQ(FromDelivered(L"M", REG_MULTI_SZ, buffer, 18).strings,
              (std::vector<std::wstring>{L"one", L"two"}));
    EXPECT_EQ(FromDelivered(L"S", REG_SZ, buffer, 8).text, L"one");
    EXPECT_EQ(FromDelivered(L"B", REG_BINARY, std::vector<BYTE>{1, 2}, 100).bytes, (std::vector<BYTE>{1, 2}));
}

} // namespace
