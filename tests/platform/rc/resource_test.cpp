// Resources compiled from test.rc, read back through FindResourceW and its relatives: the documented
// binary forms of string blocks, dialog templates, bitmaps and icon groups, the lookup rules (names,
// languages, error codes) and which module's resources a handle reaches.
#include <gtest/gtest.h>

#include "resource.h"
#include "commctrl.h"
#include "rc_test_support.h"

namespace {

using rctest::Library;
using rctest::Reader;
using rctest::ResourceBytes;

// The sixteen strings of a block, in order.
std::vector<std::u16string> StringBlock(const std::vector<BYTE>& data) {
    Reader r(data.data(), data.size());
    std::vector<std::u16string> strings;
    for (int i = 0; i < 16; ++i)
        strings.push_back(r.Counted(r.U16()));
    EXPECT_TRUE(r.Ok());
    EXPECT_EQ(r.Offset(), data.size());
    return strings;
}

TEST(StringResources, BlocksHoldSixteenCountedStringsInTheirLanguage) {
    Library lib("rctestres");
    ASSERT_NE(lib.get(), nullptr) << GetLastError();
    // Strings 96..111 make block 7; IDS_FIRST (100) is its fifth string, IDS_BLOCK_END its last.
    std::vector<std::u16string> block = StringBlock(ResourceBytes(lib.get(), MAKEINTRESOURCEW(7), RT_STRING));
    ASSERT_EQ(block.size(), 16u);
    EXPECT_EQ(block[0], u"");
    EXPECT_EQ(block[IDS_FIRST % 16], u"First string");
    EXPECT_EQ(block[IDS_ESCAPES % 16], u"Line\nTab\tQuote\"Doubled\"Backslash\\End");
    EXPECT_EQ(block[IDS_JOINED % 16], u"Joined text");
    EXPECT_EQ(block[IDS_UNICODE % 16], u"Gr\u00f6\u00dfe \u2013 10 \u20ac");
    EXPECT_EQ(block[IDS_LONG % 16].size(), 300u);
    EXPECT_EQ(block[IDS_BLOCK_END % 16], u"last of its block");

    std::vector<std::u16string> german = StringBlock(
        ResourceBytes(lib.get(), MAKEINTRESOURCEW(7), RT_STRING, MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN)));
    EXPECT_EQ(german[IDS_FIRST % 16], u"Erste Zeichenkette");

    // Windows-1252 text from the included script: e-acute, the euro sign and curly quotes.
    std::vector<std::u16string> western =
        StringBlock(ResourceBytes(lib.get(), MAKEINTRESOURCEW(8), RT_STRING));
    EXPECT_EQ(western[IDS_WESTERN % 16], u"caf\u00e9 \u20ac \u201cquoted\u201d");
}

TEST(FindResource, ReportsWhatIsMissingWithTheDocumentedCodes) {
    Library lib("rctestres");
    ASSERT_NE(lib.get(), nullptr);
    EXPECT_EQ(FindResourceW(lib.get(), MAKEINTRESOURCEW(999), RT_BITMAP), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_NAME_NOT_FOUND));
    EXPECT_EQ(FindResourceW(lib.get(), MAKEINTRESOURCEW(1), RT_MENU), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_TYPE_NOT_FOUND));
    EXPECT_EQ(FindResourceExW(lib.get(), RT_STRING, MAKEINTRESOURCEW(7), MAKELANGID(0x0C, 0x01)), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_LANG_NOT_FOUND));

    Library plain("rcplain"); // has no resources of its own
    ASSERT_NE(plain.get(), nullptr);
    EXPECT_EQ(FindResourceW(plain.get(), MAKEINTRESOURCEW(IDB_STRIP), RT_BITMAP), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_DATA_NOT_FOUND));
}

TEST(FindResource, NamesCompareWithoutCaseAndHashNumbersAreIds) {
    Library lib("rctestres");
    ASSERT_NE(lib.get(), nullptr);
    EXPECT_NE(FindResourceW(lib.get(), L"namedbitmap", RT_BITMAP), nullptr);
    EXPECT_NE(FindResourceW(lib.get(), L"NAMEDBITMAP", RT_BITMAP), nullptr);
    EXPECT_EQ(FindResourceW(lib.get(), L"#101", RT_BITMAP),
              FindResourceW(lib.get(), MAKEINTRESOURCEW(101), RT_BITMAP));
    EXPECT_EQ(FindResourceW(lib.get(), L"#1x", RT_BITMAP), nullptr);
    EXPECT_EQ(FindResourceW(lib.get(), L"#", RT_BITMAP), nullptr);
}

TEST(FindResource, TheProgramReachesItsOwnResourcesWithANullModule) {
    std::vector<BYTE> block = ResourceBytes(nullptr, MAKEINTRESOURCEW(1), RT_STRING);
    ASSERT_FALSE(block.empty()) << GetLastError();
    EXPECT_EQ(StringBlock(block)[7], u"the program's own string");
    // The program has no bitmaps, though libraries loaded into it do.
    Library lib("rctestres");
    EXPECT_EQ(FindResourceW(nullptr, MAKEINTRESOURCEW(IDB_STRIP), RT_BITMAP), nullptr);
}

TEST(FindResource, AHandleOfAFreedModuleNamesNothing) {
    Library lib("rctestres");
    HRSRC found = FindResourceW(lib.get(), MAKEINTRESOURCEW(IDB_STRIP), RT_BITMAP);
    ASSERT_NE(found, nullptr);
    HGLOBAL loaded = LoadResource(lib.get(), found);
    ASSERT_NE(LockResource(loaded), nullptr);
    lib.Free();
    EXPECT_EQ(LockResource(loaded), nullptr);
    EXPECT_EQ(SizeofResource(nullptr, found), 0u);
    EXPECT_EQ(LockResource(reinterpret_cast<HGLOBAL>(0x1234)), nullptr);
}

TEST(FindResource, ADataFileModuleHasItsResourcesWithoutRunningCode) {
    // rcabort's constructor aborts the process when the library is loaded for running.
    Library data("rcabort", LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(data.get(), nullptr) << GetLastError();
    std::vector<BYTE> version = ResourceBytes(data.get(), L"VS_VERSION_INFO", RT_VERSION);
    ASSERT_GT(version.size(), 6u);
    Reader r(version.data(), version.size());
    EXPECT_EQ(r.U16(), version.size()); // wLength of the whole tree
}

TEST(BitmapResources, AreTheFileWithoutItsFileHeader) {
    Library lib("rctestres");
    std::vector<BYTE> file = rctest::ReadFile(rctest::SourceDir() + "/images/strip.bmp");
    ASSERT_GT(file.size(), 14u);
    EXPECT_EQ(ResourceBytes(lib.get(), MAKEINTRESOURCEW(IDB_STRIP), RT_BITMAP),
              std::vector<BYTE>(file.begin() + 14, file.end()));

    // small24.bmp leaves four bytes between its header and its pixels: the resource closes the gap.
    std::vector<BYTE> small = rctest::ReadFile(rctest::SourceDir() + "/images/small24.bmp");
    std::vector<BYTE> expected(small.begin() + 14, small.begin() + 54);
    expected.insert(expected.end(), small.begin() + 58, small.end());
    EXPECT_EQ(ResourceBytes(lib.get(), MAKEINTRESOURCEW(IDB_SMALL), RT_BITMAP), expected);
}

TEST(IconResources, AGroupNamesOneIconResourcePerImageOfTheFile) {
    Library lib("rctestres");
    std::vector<BYTE> group = ResourceBytes(lib.get(), MAKEINTRESOURCEW(IDI_APP), RT_GROUP_ICON);
    std::vector<BYTE> file = rctest::ReadFile(rctest::SourceDir() + "/images/app.ico");
    Reader r(group.data(), group.size());
    EXPECT_EQ(r.U16(), 0);
    EXPECT_EQ(r.U16(), 1);
    ASSERT_EQ(r.U16(), 2);
    const int sizes[2] = {16, 32}, bits[2] = {4, 32};
    std::vector<WORD> ids;
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(r.U8(), sizes[i]);
        EXPECT_EQ(r.U8(), sizes[i]);
        r.U8();
        r.U8();
        EXPECT_EQ(r.U16(), 1);       // planes, filled in from the image
        EXPECT_EQ(r.U16(), bits[i]); // bit count, likewise
        DWORD bytes = r.U32();
        WORD id = r.U16();
        ids.push_back(id);
        // The image is the file's image, byte for byte.
        Reader entry(file.data() + 6 + 16 * i, 16);
        for (int skip = 0; skip < 3; ++skip)
            entry.U32();
        DWORD offset = entry.U32();
        ASSERT_LE(offset + bytes, file.size());
        EXPECT_EQ(ResourceBytes(lib.get(), MAKEINTRESOURCEW(id), RT_ICON),
                  std::vector<BYTE>(file.begin() + offset, file.begin() + offset + bytes));
    }
    EXPECT_TRUE(r.Ok());
    EXPECT_NE(ids[0], ids[1]);
}

struct ExpectedItem {
    DWORD id;
    WORD atom; // the class atom, or 0 when the class is named
    const char16_t* className;
    const char16_t* text; // null when the text is an ordinal
    WORD textOrdinal;
    short x, y, cx, cy;
    DWORD style;
    DWORD exStyle;
};

const DWORD kChild = WS_CHILD | WS_VISIBLE;
const ExpectedItem kItems[] = {
    {IDC_LEFT, 0x82, nullptr, u"Left", 0, 5, 6, 50, 8, kChild | SS_LEFT | WS_GROUP, 0},
    {IDC_RIGHT, 0x82, nullptr, u"Right", 0, 5, 16, 50, 8, kChild | SS_RIGHT | WS_GROUP | SS_NOPREFIX, 0},
    {IDC_CENTRE, 0x82, nullptr, u"Centre", 0, 5, 26, 50, 8, kChild | SS_CENTER | WS_GROUP, 0},
    {IDC_EDIT, 0x81, nullptr, u"", 0, 60, 6, 80, 12, kChild | ES_LEFT | WS_TABSTOP | ES_AUTOHSCROLL, 0},
    {IDC_PUSH, 0x80, nullptr, u"Push", 0, 60, 20, 50, 14, kChild | BS_PUSHBUTTON | WS_TABSTOP, 0},
    {IDOK, 0x80, nullptr, u"OK", 0, 60, 36, 50, 14, kChild | BS_DEFPUSHBUTTON | WS_TABSTOP, 0},
    {IDC_GROUP, 0x80, nullptr, u"Group", 0, 2, 50, 190, 40, kChild | BS_GROUPBOX, 0},
    {IDC_CHECK, 0x80, nullptr, u"Check", 0, 5, 60, 50, 10, kChild | BS_CHECKBOX | WS_TABSTOP, 0},
    {IDC_AUTOCHECK, 0x80, nullptr, u"Auto check", 0, 60, 60, 50, 10, kChild | BS_AUTOCHECKBOX | WS_GROUP, 0},
    {IDC_RADIO, 0x80, nullptr, u"Radio", 0, 5, 72, 50, 10, kChild | BS_RADIOBUTTON | WS_TABSTOP, 0},
    {IDC_AUTORADIO, 0x80, nullptr, u"Auto radio", 0, 60, 72, 50, 10, kChild | BS_AUTORADIOBUTTON | WS_TABSTOP,
     0},
    {IDC_COMBO, 0x85, nullptr, u"", 0, 5, 95, 80, 60, kChild | CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 0},
    {IDC_LIST, 0x83, nullptr, u"", 0, 90, 95, 60, 40, kChild | LBS_NOTIFY | WS_BORDER | LBS_SORT,
     WS_EX_CLIENTEDGE},
    {IDC_ICON, 0x82, nullptr, nullptr, IDI_APP, 160, 5, 0, 0, kChild | SS_ICON, 0},
    {IDC_LISTVIEW, 0, u"SysListView32", u"", 0, 5, 110, 100, 30,
     kChild | LVS_REPORT | LVS_SINGLESEL | WS_BORDER | WS_TABSTOP, WS_EX_CLIENTEDGE},
    {IDC_PROGRESS, 0, u"msctls_progress32", u"", 0, 110, 110, 80, 8, kChild | PBS_SMOOTH, 0},
    {IDC_TIME, 0, u"SysDateTimePick32", u"", 0, 110, 120, 80, 12, kChild | DTS_TIMEFORMAT | WS_TABSTOP, 0},
    {IDC_BUTTONCLASS, 0x80, nullptr, u"Button class", 0, 110, 135, 80, 10, kChild | BS_AUTORADIOBUTTON, 0},
    {IDC_PICTURE, 0x82, nullptr, nullptr, IDB_STRIP, 150, 20, 16, 16, WS_CHILD | SS_BITMAP, 0},
    {IDC_SUM, 0x80, nullptr, u"Sum", 0, 15, 138, 40, 12, kChild | BS_PUSHBUTTON, 0},
};

TEST(DialogResources, AreExtendedTemplatesWithEveryControlAsWritten) {
    Library lib("rctestres");
    std::vector<BYTE> data = ResourceBytes(lib.get(), MAKEINTRESOURCEW(IDD_TEST), RT_DIALOG);
    ASSERT_FALSE(data.empty());
    Reader r(data.data(), data.size());
    EXPECT_EQ(r.U16(), 1);      // dlgVer
    EXPECT_EQ(r.U16(), 0xFFFF); // the extended template's signature
    EXPECT_EQ(r.U32(), 77u);    // help id
    EXPECT_EQ(r.U32(), DWORD(WS_EX_CONTROLPARENT));
    EXPECT_EQ(r.U32(), DWORD(DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU));
    ASSERT_EQ(r.U16(), ARRAYSIZE(kItems));
    EXPECT_EQ(static_cast<short>(r.U16()), 10);
    EXPECT_EQ(static_cast<short>(r.U16()), 20);
    EXPECT_EQ(static_cast<short>(r.U16()), 200);
    EXPECT_EQ(static_cast<short>(r.U16()), 150);
    EXPECT_EQ(r.U16(), 0xFFFF); // the menu, by id
    EXPECT_EQ(r.U16(), IDM_MAIN);
    EXPECT_EQ(r.Text(), u"TestClass");
    EXPECT_EQ(r.Text(), u"Test dialog");
    EXPECT_EQ(r.U16(), 8);   // point size
    EXPECT_EQ(r.U16(), 400); // weight
    EXPECT_EQ(r.U8(), 0);    // italic
    EXPECT_EQ(r.U8(), 1);    // character set
    EXPECT_EQ(r.Text(), u"MS Shell Dlg");

    for (const ExpectedItem& item : kItems) {
        SCOPED_TRACE(item.id);
        r.Align4();
        EXPECT_EQ(r.U32(), 0u); // help id
        EXPECT_EQ(r.U32(), item.exStyle);
        EXPECT_EQ(r.U32(), item.style);
        EXPECT_EQ(static_cast<short>(r.U16()), item.x);
        EXPECT_EQ(static_cast<short>(r.U16()), item.y);
        EXPECT_EQ(static_cast<short>(r.U16()), item.cx);
        EXPECT_EQ(static_cast<short>(r.U16()), item.cy);
        EXPECT_EQ(r.U32(), item.id);
        if (item.atom) {
            EXPECT_EQ(r.U16(), 0xFFFF);
            EXPECT_EQ(r.U16(), item.atom);
        } else {
            EXPECT_EQ(r.Text(), item.className);
        }
        if (item.text) {
            EXPECT_EQ(r.Text(), item.text);
        } else {
            EXPECT_EQ(r.U16(), 0xFFFF);
            EXPECT_EQ(r.U16(), item.textOrdinal);
        }
        EXPECT_EQ(r.U16(), 0); // no creation data
    }
    EXPECT_TRUE(r.Ok());
    EXPECT_EQ(r.Offset(), data.size());
}

} // namespace
