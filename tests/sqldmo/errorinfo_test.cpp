// BSTR strings and the per-thread error information that every failing call of the object model
// leaves behind.
#include <gtest/gtest.h>

#include <thread>

#include "oaidl.h"
#include "tvcom.h"

namespace {

TEST(Bstr, KeepsLengthAcrossEmbeddedNulls) {
    const wchar_t text[] = L"ab\0cd";
    BSTR copy = SysAllocStringLen(text, 5);
    ASSERT_NE(nullptr, copy);
    EXPECT_EQ(5u, SysStringLen(copy));
    EXPECT_EQ(L'c', copy[3]);
    EXPECT_EQ(L'\0', copy[5]);
    SysFreeString(copy);
}

TEST(Bstr, NullInputGivesNullAndFreeingNullIsHarmless) {
    EXPECT_EQ(nullptr, SysAllocString(nullptr));
    EXPECT_EQ(0u, SysStringLen(nullptr));
    SysFreeString(nullptr);
    BSTR blank = SysAllocStringLen(nullptr, 3);
    ASSERT_NE(nullptr, blank);
    EXPECT_EQ(3u, SysStringLen(blank));
    EXPECT_EQ(L'\0', blank[0]);
    SysFreeString(blank);
}

tvcom::ComPtr<IErrorInfo> MakeError(const wchar_t* description) {
    tvcom::ComPtr<ICreateErrorInfo> create;
    EXPECT_EQ(S_OK, CreateErrorInfo(create.Receive()));
    create->SetDescription(const_cast<LPOLESTR>(description));
    HRESULT hr = E_FAIL;
    auto info = create.As<IErrorInfo>(&hr);
    EXPECT_EQ(S_OK, hr);
    return info;
}

std::wstring Description(const tvcom::ComPtr<IErrorInfo>& info) {
    BSTR text = nullptr;
    EXPECT_EQ(S_OK, info->GetDescription(&text));
    std::wstring result = text;
    SysFreeString(text);
    return result;
}

TEST(ErrorInfo, GetHandsOverTheObjectOnceAndClearsTheSlot) {
    ASSERT_EQ(S_OK, SetErrorInfo(0, MakeError(L"[A][B]failed").Get()));

    tvcom::ComPtr<IErrorInfo> got;
    ASSERT_EQ(S_OK, GetErrorInfo(0, got.Receive()));
    EXPECT_EQ(L"[A][B]failed", Description(got));
    EXPECT_EQ(S_FALSE, GetErrorInfo(0, got.Receive()));
    EXPECT_FALSE(got);
}

TEST(ErrorInfo, EachThreadSeesOnlyItsOwnError) {
    SetErrorInfo(0, MakeError(L"main thread").Get());

    std::wstring seenByWorker = L"unset";
    std::thread worker([&] {
        tvcom::ComPtr<IErrorInfo> got;
        seenByWorker = GetErrorInfo(0, got.Receive()) == S_FALSE ? L"" : L"saw another thread's error";
        // An error left behind by a thread that ends is released with it.
        SetErrorInfo(0, MakeError(L"worker").Get());
    });
    worker.join();
    EXPECT_EQ(L"", seenByWorker);

    tvcom::ComPtr<IErrorInfo> got;
    ASSERT_EQ(S_OK, GetErrorInfo(0, got.Receive()));
    EXPECT_EQ(L"main thread", Description(got));
}

TEST(ErrorInfo, SettingNullClearsAndNewErrorReplacesOld) {
    auto first = MakeError(L"first");
    auto second = MakeError(L"second");
    SetErrorInfo(0, first.Get());
    SetErrorInfo(0, second.Get());
    first.Reset();
    second.Reset();
    tvcom::ComPtr<IErrorInfo> got;
    ASSERT_EQ(S_OK, GetErrorInfo(0, got.Receive()));
    EXPECT_EQ(L"second", Description(got));

    SetErrorInfo(0, MakeError(L"third").Get());
    SetErrorInfo(0, nullptr);
    EXPECT_EQ(S_FALSE, GetErrorInfo(0, got.Receive()));
}

} // namespace
