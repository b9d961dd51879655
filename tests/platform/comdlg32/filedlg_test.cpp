// The open and save dialogs as a caller sees them: a cancel (or no front end) gives FALSE with no
// extended error; the answer is checked against the flags the system passes (a missing file is
// refused with a message box and the person is asked again, an existing file is replaced only after
// a Yes); the result fills the caller's buffers, or reports that a buffer is too small.
#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <fstream>

#include "commdlg.h"
#include "test_support.h"
#include "tvfrontend.h"
#include "tvplatform.h"

namespace {

// Open and save as the system's file dialog asks for them.
constexpr DWORD kOpenFlags = 0x821804;
constexpr DWORD kSaveFlags = 0x820806;

class FileFrontEnd : public ITvFrontEnd {
public:
    FileFrontEnd() { previous_ = TvSetFrontEnd(this); }
    ~FileFrontEnd() { TvSetFrontEnd(previous_); }
    int MessageBox(HWND, const wchar_t* text, const wchar_t* caption, UINT) override {
        boxes.push_back(std::wstring(caption) + L": " + text);
        int answer = boxAnswers.empty() ? IDNO : boxAnswers.front();
        if (!boxAnswers.empty()) boxAnswers.pop_front();
        return answer;
    }
    bool ChooseFile(const OPENFILENAMEW& request, bool save, std::wstring& path) override {
        asked.push_back({request.lpstrTitle ? request.lpstrTitle : L"", request.Flags, save});
        if (answers.empty()) return false; // the person cancels
        path = answers.front();
        answers.pop_front();
        return true;
    }
    struct Request {
        std::wstring title;
        DWORD flags;
        bool save;
    };
    std::deque<std::wstring> answers;
    std::deque<int> boxAnswers;
    std::vector<std::wstring> boxes;
    std::vector<Request> asked;

private:
    ITvFrontEnd* previous_;
};

struct Dialog {
    WCHAR file[MAX_PATH] = L"untouched";
    WCHAR title[MAX_PATH] = L"";
    OPENFILENAMEW ofn{};
    explicit Dialog(DWORD flags) {
        ofn.lStructSize = sizeof ofn;
        ofn.lpstrFile = file;
        ofn.nMaxFile = MAX_PATH;
        ofn.lpstrFileTitle = title;
        ofn.nMaxFileTitle = MAX_PATH;
        ofn.lpstrTitle = L"Choose a file";
        ofn.Flags = flags;
    }
};

std::wstring MakeFile(const std::string& folder, const std::string& name) {
    std::string dir = tvtest::MakeFolder(folder);
    std::ofstream(dir + "/" + name) << "x";
    return tvp::FromUtf8(dir + "/" + name);
}

TEST(FileDialog, WithoutAFrontEndIsCancelledWithoutError) {
    ASSERT_EQ(TvGetFrontEnd(), nullptr);
    Dialog d(kOpenFlags);
    EXPECT_FALSE(GetOpenFileNameW(&d.ofn));
    EXPECT_EQ(CommDlgExtendedError(), 0u);
    EXPECT_STREQ(d.file, L"untouched");
}

TEST(FileDialog, ACancelLeavesTheBufferAsItWas) {
    FileFrontEnd frontEnd;
    Dialog d(kSaveFlags);
    EXPECT_FALSE(GetSaveFileNameW(&d.ofn));
    EXPECT_EQ(CommDlgExtendedError(), 0u);
    EXPECT_STREQ(d.file, L"untouched");
    ASSERT_EQ(frontEnd.asked.size(), 1u);
    EXPECT_TRUE(frontEnd.asked[0].save);
    EXPECT_EQ(frontEnd.asked[0].title, L"Choose a file");
    EXPECT_EQ(frontEnd.asked[0].flags, kSaveFlags);
}

TEST(FileDialog, OpenRefusesAMissingFileAndAsksAgain) {
    FileFrontEnd frontEnd;
    std::wstring existing = MakeFile("open", "sales.bak");
    std::wstring missing = existing.substr(0, existing.size() - 9) + L"none.bak";
    frontEnd.answers = {missing, existing};
    Dialog d(kOpenFlags);
    ASSERT_TRUE(GetOpenFileNameW(&d.ofn));
    EXPECT_EQ(std::wstring(d.file), existing);
    EXPECT_EQ(frontEnd.asked.size(), 2u);
    ASSERT_EQ(frontEnd.boxes.size(), 1u);
    EXPECT_EQ(frontEnd.boxes[0],
              L"Choose a file: " + missing + L"\nFile not found.\nCheck the file name and try again.");
    EXPECT_EQ(d.ofn.nFileOffset, existing.size() - 9);
    EXPECT_EQ(d.ofn.nFileExtension, existing.size() - 3);
    EXPECT_STREQ(d.title, L"sales.bak");
}

TEST(FileDialog, OpenRefusesAFolderThatDoesNotExist) {
    FileFrontEnd frontEnd;
    frontEnd.answers = {L"c:\\no such folder\\x.bak"};
    Dialog d(kOpenFlags);
    EXPECT_FALSE(GetOpenFileNameW(&d.ofn)) << "refused, then the person cancelled";
    ASSERT_EQ(frontEnd.boxes.size(), 1u);
    EXPECT_NE(frontEnd.boxes[0].find(L"Path does not exist."), std::wstring::npos);
}

TEST(FileDialog, SaveReplacesAnExistingFileOnlyAfterYes) {
    FileFrontEnd frontEnd;
    std::wstring existing = MakeFile("save", "old.bak");
    frontEnd.answers = {existing, existing};
    frontEnd.boxAnswers = {IDNO, IDYES};
    Dialog d(kSaveFlags);
    ASSERT_TRUE(GetSaveFileNameW(&d.ofn));
    EXPECT_EQ(std::wstring(d.file), existing);
    EXPECT_EQ(frontEnd.asked.size(), 2u) << "No asks for another name";
    ASSERT_EQ(frontEnd.boxes.size(), 2u);
    EXPECT_EQ(frontEnd.boxes[0], L"Choose a file: old.bak already exists.\nDo you want to replace it?");

    // A new name in an existing folder (a drive-letter path) needs no question.
    tvtest::MakeFolder("drives/c/backups");
    frontEnd.answers = {L"c:\\backups\\new.bak"};
    frontEnd.boxes.clear();
    ASSERT_TRUE(GetSaveFileNameW(&d.ofn));
    EXPECT_STREQ(d.file, L"c:\\backups\\new.bak");
    EXPECT_TRUE(frontEnd.boxes.empty());
    EXPECT_EQ(d.ofn.nFileOffset, 11);
}

TEST(FileDialog, SaveAddsTheDefaultExtensionToANameWithoutOne) {
    FileFrontEnd frontEnd;
    std::string dir = tvtest::MakeFolder("extension");
    frontEnd.answers = {tvp::FromUtf8(dir + "/weekly"), tvp::FromUtf8(dir + "/weekly.dat")};
    Dialog d(kSaveFlags);
    d.ofn.lpstrDefExt = L"bak";
    ASSERT_TRUE(GetSaveFileNameW(&d.ofn));
    EXPECT_EQ(std::wstring(d.file), tvp::FromUtf8(dir + "/weekly.bak"));
    EXPECT_FALSE(d.ofn.Flags & OFN_EXTENSIONDIFFERENT);
    ASSERT_TRUE(GetSaveFileNameW(&d.ofn));
    EXPECT_TRUE(d.ofn.Flags & OFN_EXTENSIONDIFFERENT);
}

TEST(FileDialog, ReportsABufferTooSmallAndABadStructure) {
    FileFrontEnd frontEnd;
    std::wstring existing = MakeFile("small", "a-rather-long-file-name.bak");
    frontEnd.answers = {existing};
    Dialog d(kOpenFlags);
    d.ofn.nMaxFile = 10;
    EXPECT_FALSE(GetOpenFileNameW(&d.ofn));
    EXPECT_EQ(CommDlgExtendedError(), static_cast<DWORD>(FNERR_BUFFERTOOSMALL));
    WORD needed;
    std::memcpy(&needed, d.file, sizeof needed);
    EXPECT_EQ(needed, existing.size() + 1);

    d.ofn.lStructSize = 12;
    EXPECT_FALSE(GetOpenFileNameW(&d.ofn));
    EXPECT_EQ(CommDlgExtendedError(), static_cast<DWORD>(CDERR_STRUCTSIZE));
    EXPECT_FALSE(GetOpenFileNameW(nullptr));
}

TEST(FileDialog, IsFoundByTheLibraryNameTheSystemGives) {
    HMODULE module = LoadLibraryW(L"Comdlg32.dll"); // the name in any letter case, as Windows takes it
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(module, "GetOpenFileNameW")),
              reinterpret_cast<void*>(&GetOpenFileNameW));
    FreeLibrary(module);
}

} // namespace
