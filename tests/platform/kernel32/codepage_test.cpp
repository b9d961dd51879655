// Conversions between UTF-8 and wide strings, and Windows paths under the prefix.
#include <gtest/gtest.h>

#include "test_support.h"
#include "tvplatform.h"
#include "windows.h"

namespace {

TEST(CodePage, RoundTripsNonAsciiTextAndCountsTheTerminator) {
    const char* utf8 = "Größe \xE2\x82\xAC \xF0\x9F\x98\x80";
    int needed = MultiByteToWideChar(CP_ACP, 0, utf8, -1, nullptr, 0);
    ASSERT_EQ(needed, 10); // 9 characters and the null
    std::wstring wide(needed, L'\0');
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide.data(), needed), needed);
    EXPECT_EQ(wide[2], L'ö');
    EXPECT_EQ(static_cast<char32_t>(wide[8]), U'\U0001F600');
    int bytes = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string back(bytes, '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, back.data(), bytes, nullptr, nullptr);
    EXPECT_STREQ(back.c_str(), utf8);
    EXPECT_EQ(tvp::FromUtf16(tvp::ToUtf16(wide)), wide);
    EXPECT_EQ(tvp::ToUtf16(L"\U0001F600").size(), 2u);
}

TEST(CodePage, InvalidInputIsReplacedOrRefused) {
    const char bad[] = {'a', char(0xC3), 'b', 0};
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bad, -1, nullptr, 0), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NO_UNICODE_TRANSLATION));
    WCHAR out[8];
    ASSERT_EQ(MultiByteToWideChar(CP_UTF8, 0, bad, -1, out, 8), 4);
    EXPECT_EQ(out[1], L'\xFFFD');
    EXPECT_EQ(out[2], L'b');
    WCHAR tiny[2];
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abc", -1, tiny, 2), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
}

TEST(NativePath, DriveLettersLiveUnderThePrefixAndServerNamesAreNotPaths) {
    EXPECT_EQ(tvp::NativePath(L"c:\\vroot\\prog\\pro\\"), tvtest::Prefix() + "/drives/c/vroot/prog/pro/");
    EXPECT_EQ(tvp::NativePath(L"D:"), tvtest::Prefix() + "/drives/d");
    EXPECT_EQ(tvp::NativePath(L"/var/tmp/x.bak"), "/var/tmp/x.bak");
}

} // namespace
