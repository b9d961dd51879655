// The resource compiler as a build uses it and as script authors meet it: the program's messages, exit
// status, output and dependency file; the preprocessor's rules; and the faults in scripts and in the
// files they name, each reported with its file and line instead of compiled into wrong resources.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>

#include "rc.h"
#include "rc_test_support.h"
#include "rsrc_format.h"

namespace {

class MemoryFiles : public rc::FileSource {
public:
    std::optional<std::string> Read(const std::string& path) override {
        auto it = files.find(path);
        if (it == files.end()) return std::nullopt;
        return it->second;
    }
    std::map<std::string, std::string> files;
};

rc::Output Compile(const std::string& script, MemoryFiles& files) {
    files.files["/src/main.rc"] = script;
    rc::Options options;
    options.script = "/src/main.rc";
    options.includeDirs = {"/include"};
    options.defines = {"FROM_COMMAND_LINE=5"};
    return rc::Compile(options, files);
}

// The message of the error that compiling the script gives, or "compiled".
std::string ErrorOf(const std::string& script, MemoryFiles files = {}) {
    try {
        Compile(script, files);
    } catch (const rc::Error& error) {
        return error.what();
    }
    return "compiled";
}

// The strings of a compiled block, by index.
std::vector<std::u16string> Strings(const rc::Output& output, uint16_t block) {
    tvrsrc::View view;
    EXPECT_TRUE(view.Open(output.blob.data(), output.blob.size()));
    for (size_t i = 0; i < view.Count(); ++i) {
        if (view.Type(i).id != 6 || view.Name(i).id != block) continue;
        rctest::Reader r(view.Data(i), view.Size(i));
        std::vector<std::u16string> strings;
        for (int k = 0; k < 16; ++k)
            strings.push_back(r.Counted(r.U16()));
        return strings;
    }
    ADD_FAILURE() << "no string block " << block;
    return std::vector<std::u16string>(16);
}

// Runs tavrosk-rc on a script written into a fresh folder; returns its exit status and messages.
int RunCompiler(const std::string& folder, const std::string& script, std::string* messages) {
    rctest::WriteFile(folder + "/bad.rc", std::vector<BYTE>(script.begin(), script.end()));
    std::string command = tvtest::BuildDir() + "/bin/tavrosk-rc -I " + folder + " -o " + folder +
                          "/out.cpp " + folder + "/bad.rc 2>&1";
    return tvtest::Run(command, messages);
}

TEST(Program, ReportsFaultsWithFileAndLineAndWritesNothing) {
    struct Case {
        const char* script;
        const char* message;
    } cases[] = {
        {"1 DIALOGEX 0, 0, 10, 10\nBEGIN\n  LTEXT \"a\", 1, 0, 0, 5, 5\n  SLIDER \"b\", 2, 0, 0, 5, 5\nEND\n",
         "bad.rc(4): error: unknown control keyword 'SLIDER'"},
        {"STRINGTABLE\nBEGIN\n  1 \"never closed\nEND\n", "bad.rc(3): error: unterminated string"},
        {"\n\n101 BITMAP \"missing.bmp\"\n", "bad.rc(3): error: cannot open bitmap file 'missing.bmp'"},
    };
    for (const Case& c : cases) {
        std::string folder = tvtest::MakeFolder("program-errors");
        std::string messages;
        EXPECT_NE(RunCompiler(folder, c.script, &messages), 0) << c.message;
        EXPECT_NE(messages.find(c.message), std::string::npos) << messages;
        EXPECT_FALSE(std::filesystem::exists(folder + "/out.cpp"));
        EXPECT_FALSE(std::filesystem::exists(folder + "/out.cpp.d"));
    }
}

TEST(Program, WritesTheSourceAndADependencyFileOfEveryFileRead) {
    std::string folder = tvtest::MakeFolder("program-output");
    std::filesystem::create_directories(folder + "/images");
    std::filesystem::copy_file(rctest::SourceDir() + "/images/small24.bmp", folder + "/images/small24.bmp");
    std::string header = "#define IDB_SMALL 7\n#include <no_such_system_header.h>\nint declaration;\n";
    rctest::WriteFile(folder + "/ids.h", std::vector<BYTE>(header.begin(), header.end()));
    std::string messages;
    ASSERT_EQ(RunCompiler(folder, "#include \"ids.h\"\nIDB_SMALL BITMAP \"images/small24.bmp\"\n", &messages),
              0)
        << messages;
    std::vector<BYTE> source = rctest::ReadFile(folder + "/out.cpp");
    std::string text(source.begin(), source.end());
    EXPECT_NE(text.find("section(\".rsrc\")"), std::string::npos);
    EXPECT_NE(text.find("tv_rsrc["), std::string::npos);
    std::vector<BYTE> dep = rctest::ReadFile(folder + "/out.cpp.d");
    std::string depfile(dep.begin(), dep.end());
    EXPECT_EQ(depfile.rfind(folder + "/out.cpp:", 0), 0u) << depfile;
    for (const char* input : {"/bad.rc", "/ids.h", "/images/small24.bmp"})
        EXPECT_NE(depfile.find(folder + input), std::string::npos) << input << " in " << depfile;
}

TEST(Program, RefusesABadCommandLine) {
    std::string messages;
    EXPECT_EQ(tvtest::Run(tvtest::BuildDir() + "/bin/tavrosk-rc only.rc 2>&1", &messages), 2);
    EXPECT_NE(messages.find("usage:"), std::string::npos);
}

TEST(Preprocessor, HeadersGiveOnlyTheirDirectivesAndScriptsMustFindTheirIncludes) {
    MemoryFiles files;
    files.files["/include/ids.h"] =
        "#pragma once\n#include <stddef.h>\ntypedef struct { int x; } Skipped;\n#define ID_A 10\n"
        "#define ID_B (ID_A + FROM_COMMAND_LINE)\n#define FUNCTION_LIKE(x) ((x) * 2)\n"
        "#if __has_include(<x.h>)\n#define ID_A 99\n#endif\n";
    rc::Output output = Compile("#include \"ids.h\"\n#include <ids.h>\nSTRINGTABLE\nBEGIN\n"
                                "  ID_B \"fifteen\"\n  ID_A \"ten\"\nEND\n",
                                files);
    std::vector<std::u16string> block = Strings(output, 1);
    EXPECT_EQ(block[15], u"fifteen");
    EXPECT_EQ(block[10], u"ten");
    EXPECT_EQ(std::count(output.inputs.begin(), output.inputs.end(), "/include/ids.h"), 1);

    EXPECT_EQ(ErrorOf("// first line\n#include \"absent.h\"\n"),
              "/src/main.rc(2): error: cannot open include file 'absent.h'");
}

TEST(Preprocessor, FaultsNameTheFileAndLineWhereTheyAre) {
    MemoryFiles files;
    files.files["/src/dialogs.rc"] = "\n\n#error dialogs are unfinished\n";
    EXPECT_EQ(ErrorOf("#include \"dialogs.rc\"\n", files),
              "/src/dialogs.rc(3): error: #error dialogs are unfinished");
    EXPECT_EQ(ErrorOf("\n#if 1\nSTRINGTABLE BEGIN END\n"),
              "/src/main.rc(2): error: #if without #endif before the end of the file");
    EXPECT_EQ(ErrorOf("#else\n"), "/src/main.rc(1): error: #else without #if");
    EXPECT_EQ(ErrorOf("#if 0\n#else\n#elif 1\n#endif\n"), "/src/main.rc(3): error: #elif after #else");
    EXPECT_EQ(ErrorOf("#if 1 / 0\n#endif\n"), "/src/main.rc(1): error: division by zero in an expression");
    EXPECT_EQ(ErrorOf("#pragma code_page(437)\n"),
              "/src/main.rc(1): error: code page 437 is not supported (use 65001 or 1252)");
    EXPECT_NE(ErrorOf("STRINGTABLE\nBEGIN\n 1 \"caf\xe9\"\nEND\n").find("main.rc(3): error: invalid UTF-8"),
              std::string::npos);
}

TEST(Preprocessor, RunawayMacrosEndInAnErrorNotAHang) {
    // A macro does not expand inside itself; one that doubles at every level is stopped.
    EXPECT_EQ(ErrorOf("#define SELF SELF\nSTRINGTABLE\nBEGIN\n SELF \"x\"\nEND\n"),
              "/src/main.rc(4): error: 'SELF' is not defined");
    std::string script;
    for (int i = 0; i < 40; ++i)
        script += "#define M" + std::to_string(i) + " M" + std::to_string(i + 1) + " M" +
                  std::to_string(i + 1) + "\n";
    script += "STRINGTABLE\nBEGIN\n M0 \"x\"\nEND\n";
    EXPECT_EQ(ErrorOf(script), "/src/main.rc(43): error: macros expand this line to too many tokens");
}

TEST(Statements, DefinitionsTwiceAndUnknownKindsAreFaults) {
    EXPECT_EQ(ErrorOf("STRINGTABLE\nBEGIN\n 5 \"a\"\nEND\nSTRINGTABLE\nBEGIN\n 5 \"b\"\nEND\n"),
              "/src/main.rc(7): error: string 5 is defined twice");
    EXPECT_EQ(ErrorOf("1 VERSIONINFO\nBEGIN\nEND\n1 VERSIONINFO\nBEGIN\nEND\n"),
              "/src/main.rc(4): error: resource 1 is defined twice");
    EXPECT_EQ(ErrorOf("1 MENUEX\nBEGIN\nEND\n"), "/src/main.rc(1): error: unknown resource type 'MENUEX'");
    EXPECT_EQ(ErrorOf("1 DIALOG 0, 0, 1, 1\nBEGIN\nEND\n"),
              "/src/main.rc(1): error: DIALOG templates are not supported: write DIALOGEX");
    EXPECT_EQ(ErrorOf("1 DIALOGEX 0, 0, 1, 1\nBEGIN\n LTEXT \"a\", UNDEFINED_ID, 0, 0, 1, 1\nEND\n"),
              "/src/main.rc(3): error: 'UNDEFINED_ID' is not defined");
    EXPECT_EQ(ErrorOf("1 DIALOGEX 0, 0, 1, 1\nBEGIN\n LTEXT IDS_UNDEFINED, 5, 0, 0, 1, 1\nEND\n"),
              "/src/main.rc(3): error: 'IDS_UNDEFINED' is not defined");
    EXPECT_EQ(ErrorOf("1 VERSIONINFO\nBEGIN\n VALUE \"Mixed\", \"text\", 5\nEND\n"),
              "/src/main.rc(3): error: a version value is either text or numbers, not both");
    EXPECT_EQ(ErrorOf("STRINGTABLE\nBEGIN\n 70000 \"x\"\nEND\n"),
              "/src/main.rc(3): error: a string id must lie between 0 and 65535");
}

TEST(Statements, DamagedImageFilesAreFaultsNamingTheFile) {
    MemoryFiles files;
    std::vector<BYTE> bitmap = rctest::ReadFile(rctest::SourceDir() + "/images/strip.bmp");
    files.files["/src/short.bmp"] = std::string(bitmap.begin(), bitmap.end() - 1);
    files.files["/src/text.bmp"] = "not a bitmap";
    std::vector<BYTE> icon = rctest::ReadFile(rctest::SourceDir() + "/images/app.ico");
    std::string iconText(icon.begin(), icon.end());
    iconText[6 + 16 + 12] = '\x7F'; // the second image's offset points past the file
    files.files["/src/far.ico"] = iconText;
    EXPECT_EQ(ErrorOf("1 BITMAP \"short.bmp\"\n", files),
              "/src/main.rc(1): error: bitmap 'short.bmp' is shorter than its header says");
    EXPECT_EQ(ErrorOf("1 BITMAP \"text.bmp\"\n", files),
              "/src/main.rc(1): error: 'text.bmp' is not a bitmap file");
    EXPECT_EQ(ErrorOf("1 ICON \"far.ico\"\n", files),
              "/src/main.rc(1): error: image 2 of icon file 'far.ico' lies outside the file");
}

TEST(Statements, VersionValuesAreWordsUnlessWrittenLong) {
    MemoryFiles files;
    rc::Output output = Compile("1 VERSIONINFO\nBEGIN\n VALUE \"Numbers\", 1, 2L, 0x10000\nEND\n", files);
    tvrsrc::View view;
    ASSERT_TRUE(view.Open(output.blob.data(), output.blob.size()));
    ASSERT_EQ(view.Count(), 1u);
    std::vector<BYTE> data(view.Data(0), view.Data(0) + view.Size(0));
    // The child node follows the root's 52-byte fixed information.
    rctest::Reader r(data.data(), data.size());
    r.U16();
    EXPECT_EQ(r.U16(), 52);
    r.U16();
    EXPECT_EQ(r.Text(), u"VS_VERSION_INFO");
    r.Align4();
    for (int i = 0; i < 13; ++i)
        r.U32();
    r.Align4();
    r.U16();
    EXPECT_EQ(r.U16(), 8); // a WORD, a DWORD and a WORD cut to 16 bits
    EXPECT_EQ(r.U16(), 0); // binary
    EXPECT_EQ(r.Text(), u"Numbers");
    r.Align4();
    EXPECT_EQ(r.U16(), 1);
    EXPECT_EQ(r.U32(), 2u);
    EXPECT_EQ(r.U16(), 0);
    EXPECT_TRUE(r.Ok());
}

} // namespace

namespace {

// The style of the first control of dialog 1 in a script without a font.
uint32_t FirstControlStyle(const std::string& control) {
    MemoryFiles files;
    rc::Output output = Compile("1 DIALOGEX 0, 0, 100, 50\nBEGIN\n    " + control + "\nEND\n", files);
    tvrsrc::View view;
    EXPECT_TRUE(view.Open(output.blob.data(), output.blob.size()));
    for (size_t i = 0; i < view.Count(); ++i) {
        if (view.Type(i).id != 5) continue;
        // Header (26 bytes), empty menu, class and title (2 each), then the first item's help id and
        // extended style, then its style at offset 40.
        EXPECT_GE(view.Size(i), 44u);
        uint32_t style = 0;
        std::memcpy(&style, view.Data(i) + 40, 4);
        return style;
    }
    ADD_FAILURE() << "no dialog";
    return 0;
}

TEST(ControlStyles, AComboBoxTypeInTheStyleReplacesTheImpliedSimpleType) {
    constexpr uint32_t kTypeMask = 0x3, kSimple = 0x1, kDropDown = 0x2, kDropDownList = 0x3;
    EXPECT_EQ(FirstControlStyle("COMBOBOX 10, 1, 1, 50, 40, 0x2 | 0x00200000") & kTypeMask, kDropDown);
    EXPECT_EQ(FirstControlStyle("COMBOBOX 10, 1, 1, 50, 40, 0x3") & kTypeMask, kDropDownList);
    EXPECT_EQ(FirstControlStyle("COMBOBOX 10, 1, 1, 50, 40, 0x00200000") & kTypeMask, kSimple);
    EXPECT_EQ(FirstControlStyle("COMBOBOX 10, 1, 1, 50, 40") & kTypeMask, kSimple);
    EXPECT_NE(FirstControlStyle("COMBOBOX 10, 1, 1, 50, 40, 0x2") & 0x00010000u, 0u) << "the tab stop stays";
}

} // namespace
