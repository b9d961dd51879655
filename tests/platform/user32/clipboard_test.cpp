// Registered clipboard formats: one number per name for the whole process, whatever the case of the
// name and whichever thread asks.
#include <gtest/gtest.h>

#include <set>
#include <thread>
#include <vector>

#include "windows.h"

namespace {

TEST(RegisterClipboardFormat, SameNameInAnyCaseGivesTheSameRegisteredNumber) {
    UINT format = RegisterClipboardFormatW(L"CCF_DISPLAY_NAME");
    EXPECT_GE(format, 0xC000u);
    EXPECT_LE(format, 0xFFFFu);
    EXPECT_EQ(RegisterClipboardFormatW(L"ccf_display_name"), format);
    EXPECT_NE(RegisterClipboardFormatW(L"CCF_NODETYPE"), format);
    EXPECT_EQ(RegisterClipboardFormatW(L"Größe Ä"), RegisterClipboardFormatW(L"GRÖßE ä"));
}

TEST(RegisterClipboardFormat, EmptyOrMissingNameIsRefused) {
    EXPECT_EQ(RegisterClipboardFormatW(nullptr), 0u);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(RegisterClipboardFormatW(L""), 0u);
}

TEST(RegisterClipboardFormat, ThreadsRegisteringTogetherAgreeOnEveryNumber) {
    constexpr int kThreads = 8;
    std::vector<std::vector<UINT>> seen(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([t, &seen] {
            for (int i = 0; i < 50; ++i)
                seen[t].push_back(RegisterClipboardFormatW((L"thread format " + std::to_wstring(i)).c_str()));
        });
    for (auto& thread : threads)
        thread.join();
    for (int t = 1; t < kThreads; ++t)
        EXPECT_EQ(seen[t], seen[0]);
    EXPECT_EQ(std::set<UINT>(seen[0].begin(), seen[0].end()).size(), 50u);
}

} // namespace
