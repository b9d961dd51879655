// BSTR strings and the per-thread error information that every failing call of the object model
// leaves behind.
#include <gtest/gtest.h>

#include <thread>

#include "oaidl.h"

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

IErrorInfo* MakeError(const wchar_t* description) {
    ICreateErrorInfo* create = nullptr;
    EXPECT_EQ(S_OK, CreateErrorInfo(&create));
    create->SetDescription(const_cast<LPOLESTR>(description));
    IErrorInfo* info = nullptr;
    EXPECT_EQ(S_OK, create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info)));
    create->Release();
    return info;
}

std::wstring Description(IErrorInfo* info) {
    BSTR text = nullptr;
    EXPECT_EQ(S_OK, info->GetDescription(&text));
    std::wstring result = text;
    SysFreeString(text);
    return result;
}

TEST(ErrorInfo, GetHandsOverTheObjectOnceAndClearsTheSlot) {
    IErrorInfo* info = MakeError(L"[A][B]failed");
    ASSERT_EQ(S_OK, SetErrorInfo(0, info));
    info->Release();

    IErrorInfo* got = nullptr;
    ASSERT_EQ(S_OK, GetErrorInfo(0, &got));
    EXPECT_EQ(L"[A][B]failed", Description(got));
    got->Release();
    EXPECT_EQ(S_FALSE, GetErrorInfo(0, &got));
    EXPECT_EQ(nullptr, got);
}

TEST(ErrorInfo, EachThreadSeesOnlyItsOwnError) {
    IErrorInfo* info = MakeError(L"main thread");
    SetErrorInfo(0, info);
    info->Release();

    std::wstring seenByWorker = L"unset";
    std::thread worker([&] {
        IErrorInfo* got = nullptr;
        seenByWorker = GetErrorInfo(0, &got) == S_FALSE ? L"" : L"saw another thread's error";
        if (got) got->Release();
        // An error left behind by a thread that ends is released with it.
        IErrorInfo* own = MakeError(L"worker");
        SetErrorInfo(0, own);
        own->Release();
    });
    worker.join();
    EXPECT_EQ(L"", seenByWorker);

    IErrorInfo* got = nullptr;
    ASSERT_EQ(S_OK, GetErrorInfo(0, &got));
    EXPECT_EQ(L"main thread", Description(got));
    got->Release();
}

TEST(ErrorInfo, SettingNullClearsAndNewErrorReplacesOld) {
    IErrorInfo* first = MakeError(L"first");
    IErrorInfo* second = MakeError(L"second");
    SetErrorInfo(0, first);
    SetErrorInfo(0, second);
    first->Release();
    second->Release();
    IErrorInfo* got = nullptr;
    ASSERT_EQ(S_OK, GetErrorInfo(0, &got));
    EXPECT_EQ(L"second", Description(got));
    got->Release();

    IErrorInfo* third = MakeError(L"third");
    SetErrorInfo(0, third);
    third->Release();
    SetErrorInfo(0, nullptr);
    EXPECT_EQ(S_FALSE, GetErrorInfo(0, &got));
}

} // namespace
