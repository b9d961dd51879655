// Message boxes: with no front end they answer their default button and leave a line in the debug
// output; with one installed, the front end is asked, from any thread.
#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>

#include "test_support.h"
#include "tvfrontend.h"
#include "windows.h"

namespace {

std::string DebugLog() {
    std::ifstream in(tvtest::Prefix() + "/debug.log");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class RecordingFrontEnd : public ITvFrontEnd {
public:
    int MessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) override {
        std::lock_guard guard(lock);
        ++calls;
        lastOwner = owner;
        lastText = text;
        lastCaption = caption;
        lastType = type;
        return answer;
    }
    std::mutex lock;
    std::atomic<int> calls{0};
    HWND lastOwner = nullptr;
    std::wstring lastText, lastCaption;
    UINT lastType = 0;
    int answer = IDNO;
};

TEST(MessageBox, WithoutAFrontEndAnswersTheDefaultButton) {
    ASSERT_EQ(TvGetFrontEnd(), nullptr);
    struct Case {
        UINT type;
        int answer;
    } cases[] = {
        {MB_OK, IDOK},
        {MB_OKCANCEL, IDOK},
        {MB_OKCANCEL | MB_DEFBUTTON2, IDCANCEL},
        {MB_YESNO | MB_ICONQUESTION, IDYES},
        {MB_YESNO | MB_DEFBUTTON2, IDNO},
        {MB_YESNO | MB_DEFBUTTON3, IDYES}, // no third button: the first is the default
        {MB_YESNOCANCEL | MB_DEFBUTTON3, IDCANCEL},
        {MB_ABORTRETRYIGNORE | MB_DEFBUTTON2, IDRETRY},
        {MB_RETRYCANCEL, IDRETRY},
        {MB_CANCELTRYCONTINUE | MB_DEFBUTTON3, IDCONTINUE},
        {MB_OK | MB_HELP | MB_DEFBUTTON2, IDHELP},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MessageBoxW(nullptr, L"text", L"caption", c.type), c.answer) << c.type;
    EXPECT_EQ(MessageBoxW(nullptr, L"text", L"caption", 0x7), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
}

TEST(MessageBox, WithoutAFrontEndWritesItToTheDebugOutput) {
    MessageBoxW(nullptr, L"Storage area 'Sales' was deleted.", L"Korvath Console", MB_OK);
    MessageBoxW(nullptr, L"Error loading resource DLL!", nullptr, MB_OK);
    std::string log = DebugLog();
    EXPECT_NE(log.find("msgbox: Korvath Console: Storage area 'Sales' was deleted.\n"), std::string::npos)
        << log;
    EXPECT_NE(log.find("msgbox: Error: Error loading resource DLL!\n"), std::string::npos) << log;
}

TEST(MessageBox, AnInstalledFrontEndIsAskedAndAnswers) {
    RecordingFrontEnd frontEnd;
    EXPECT_EQ(TvSetFrontEnd(&frontEnd), nullptr);
    EXPECT_EQ(TvGetFrontEnd(), &frontEnd);
    HWND owner = reinterpret_cast<HWND>(0x1234);
    EXPECT_EQ(MessageBoxW(owner, L"Delete it?", nullptr, MB_YESNO | MB_ICONQUESTION), IDNO);
    EXPECT_EQ(frontEnd.calls, 1);
    EXPECT_EQ(frontEnd.lastOwner, owner);
    EXPECT_EQ(frontEnd.lastText, L"Delete it?");
    EXPECT_EQ(frontEnd.lastCaption, L"Error");
    EXPECT_EQ(frontEnd.lastType, UINT(MB_YESNO | MB_ICONQUESTION));
    EXPECT_EQ(TvSetFrontEnd(nullptr), &frontEnd);
    EXPECT_EQ(MessageBoxW(owner, L"Delete it?", nullptr, MB_YESNO), IDYES);
    EXPECT_EQ(frontEnd.calls, 1);
}

TEST(MessageBox, TheFrontEndIsOneForAllThreads) {
    RecordingFrontEnd frontEnd;
    frontEnd.answer = IDCANCEL;
    TvSetFrontEnd(&frontEnd);
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 50; ++i)
                if (MessageBoxW(nullptr, L"from a worker", L"Backup", MB_OKCANCEL) != IDCANCEL) ++wrong;
        });
    for (std::thread& thread : threads)
        thread.join();
    TvSetFrontEnd(nullptr);
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(frontEnd.calls, 200);
}

} // namespace
