// The snap-in's access to the object model: dmo_error takes the failing object's description and
// shares it between copies, the throw idiom throws only on failure, the smart pointers count
// references, and the shown error report splits the bracketed sources off as the caption.
#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "dmo.h"
#include "test_support.h"
#include "tvfrontend.h"
#include "tvplatform.h"

using namespace MSDE;

namespace {

// An object that leaves error information for IWSQLDMOJob only.
class FakeJob final : public ISupportErrorInfo {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown || riid == IID_ISupportErrorInfo)
            *ppv = static_cast<ISupportErrorInfo*>(this);
        else {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    STDMETHODIMP_(ULONG) Release() override { return --refs; }
    STDMETHODIMP InterfaceSupportsErrorInfo(REFIID riid) override {
        return riid == IID_IWSQLDMOJob ? S_OK : S_FALSE;
    }
    ULONG refs = 1;
};

typedef DmoPtr<IUnknown> UnknownPtr;

UnknownPtr Hold(FakeJob& fake) {
    fake.AddRef();
    return UnknownPtr(static_cast<IUnknown*>(&fake));
}

void LeaveError(const wchar_t* description) {
    ICreateErrorInfo* create = nullptr;
    ASSERT_EQ(S_OK, CreateErrorInfo(&create));
    create->SetDescription(const_cast<LPOLESTR>(description));
    IErrorInfo* info = nullptr;
    create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info));
    SetErrorInfo(0, info);
    info->Release();
    create->Release();
}

TEST(DmoError, TakesTheDescriptionOfTheFailingInterface) {
    FakeJob fake;
    {
        UnknownPtr job = Hold(fake);
        LeaveError(L"[Tavrosk][Engine]No job named 'x'.");
        dmo_error<UnknownPtr> error(IID_IWSQLDMOJob, job);
        EXPECT_STREQ("[Tavrosk][Engine]No job named 'x'.", error.what());
        // The error object was taken: it is not there for a second reader.
        IErrorInfo* left = nullptr;
        EXPECT_EQ(S_FALSE, GetErrorInfo(0, &left));
    }
    EXPECT_EQ(1u, fake.refs);
}

TEST(DmoError, WithoutSupportOrErrorObjectTheTextIsEmpty) {
    FakeJob fake;
    UnknownPtr job = Hold(fake);
    LeaveError(L"[A]belongs to someone else");
    dmo_error<UnknownPtr> unsupported(IID_IWSQLDMOServer, job);
    EXPECT_STREQ("", unsupported.what());

    SetErrorInfo(0, nullptr);
    dmo_error<UnknownPtr> none(IID_IWSQLDMOJob, job);
    EXPECT_STREQ("", none.what());

    dmo_error<UnknownPtr> noObject(IID_IWSQLDMOJob, UnknownPtr());
    EXPECT_STREQ("", noObject.what());
}

TEST(DmoError, CopiesShareOneTextThatLivesUntilTheLastCopy) {
    FakeJob fake;
    UnknownPtr job = Hold(fake);
    LeaveError(L"[Tavrosk][Engine]Sätze mit Umlaut.");
    auto* original = new dmo_error<UnknownPtr>(IID_IWSQLDMOJob, job);
    dmo_error<UnknownPtr> copy(*original);
    const char* text = original->what();
    EXPECT_EQ(text, copy.what());
    delete original;
    // Still readable through the copy (the sanitizer would see a freed text).
    EXPECT_STREQ("[Tavrosk][Engine]S\xC3\xA4tze mit Umlaut.", copy.what());
}

TEST(DmoCheck, ThrowsOnlyForFailingResultsAndPassesSuccessCodesOn) {
    DmoPtr<IWSQLDMOJob> empty;
    EXPECT_EQ(S_FALSE, DmoCheck(empty, S_FALSE));
    EXPECT_THROW(DmoCheck(empty, E_FAIL), dmo_error<JobPtr>);
}

// Captures the message boxes the shown report opens.
struct Boxes final : ITvFrontEnd {
    struct Box {
        std::wstring text, caption;
        UINT type;
        HWND owner;
    };
    std::vector<Box> shown;
    int MessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) override {
        shown.push_back({text, caption, type, owner});
        return IDOK;
    }
};

class ShownReport : public ::testing::Test {
protected:
    void SetUp() override { previous_ = TvSetFrontEnd(&boxes_); }
    void TearDown() override { TvSetFrontEnd(previous_); }
    Boxes::Box Show(const std::string& description) {
        ReportError(std::runtime_error(description));
        EXPECT_EQ(1u, boxes_.shown.size());
        return boxes_.shown.empty() ? Boxes::Box{} : boxes_.shown.back();
    }
    Boxes boxes_;
    ITvFrontEnd* previous_ = nullptr;
};

TEST_F(ShownReport, TagBecomesTheCaptionAndBothLinesAreShown) {
    auto box = Show("[Tavrosk][Engine]first line\nsecond line");
    EXPECT_EQ(L"first line\nsecond line", box.text);
    EXPECT_EQ(L"[Tavrosk][Engine]", box.caption);
    EXPECT_EQ(UINT(MB_ICONERROR | MB_OK), box.type);
    EXPECT_EQ(nullptr, box.owner);
}

TEST_F(ShownReport, EveryCopyOfTheTagIsRemoved) {
    auto box = Show("[A][B]first\n[A][B]second");
    EXPECT_EQ(L"first\nsecond", box.text);
    EXPECT_EQ(L"[A][B]", box.caption);
}

TEST_F(ShownReport, FirstLineWithoutBracketIsShownWholeWithoutCaption) {
    auto box = Show("Nothing bracketed here\n[A]later line");
    EXPECT_EQ(L"Nothing bracketed here\n[A]later line", box.text);
    EXPECT_EQ(L"", box.caption);
    // A bracket at the very start is not a tag's end.
    EXPECT_EQ("", ErrorCaption("]odd"));
}

TEST_F(ShownReport, EmptyDescriptionShowsEmptyTextAndCaption) {
    auto box = Show("");
    EXPECT_EQ(L"", box.text);
    EXPECT_EQ(L"", box.caption);
}

TEST(SilentReport, OpensNoMessageBox) {
    Boxes boxes;
    ITvFrontEnd* previous = TvSetFrontEnd(&boxes);
    TraceError(std::runtime_error("[A]quiet"));
    TvSetFrontEnd(previous);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST(DmoPointers, OutParametersOwnTheirReferenceAndCopiesCount) {
    FakeJob fake;
    {
        UnknownPtr held;
        fake.QueryInterface(IID_IUnknown, reinterpret_cast<void**>(out(held)));
        EXPECT_EQ(2u, fake.refs);
        UnknownPtr copy = held;
        EXPECT_EQ(3u, fake.refs);
        // Filling it again releases what it held before.
        fake.QueryInterface(IID_IUnknown, reinterpret_cast<void**>(out(held)));
        EXPECT_EQ(3u, fake.refs);
    }
    EXPECT_EQ(1u, fake.refs);
}

// Against the object model itself: a failing connection becomes a dmo_error with the server's sentence.
TEST(DmoObjectModel, FailedConnectThrowsTheServersSentence) {
    CoInitialize(nullptr);
    std::wstring path = tvp::FromUtf8(tvtest::BuildDir() + "/lib/libsqldmo.so");
    HMODULE module = LoadLibraryW(path.c_str());
    ASSERT_NE(nullptr, module);
    auto registerServer =
        reinterpret_cast<HRESULT(STDMETHODCALLTYPE*)()>(GetProcAddress(module, "DllRegisterServer"));
    ASSERT_EQ(S_OK, registerServer());

    {
        ServerPtr server = CreateDmo<IWSQLDMOServer>(CLSID_SQLDMOServer, IID_IWSQLDMOServer);
        ASSERT_TRUE(raw(server) != nullptr);
        DmoCheck(server, raw(server)->SetLoginSecure(VARIANT_TRUE));
        try {
            DmoCheck(server, raw(server)->Connect(L"ELSEWHERE\\NOTHING", nullptr, nullptr));
            ADD_FAILURE() << "connecting to an unknown server succeeded";
        } catch (const dmo_error<ServerPtr>& error) {
            EXPECT_STREQ("[Tavrosk][Engine]SQL Server does not exist or access denied.", error.what());
            EXPECT_EQ("SQL Server does not exist or access denied.", ErrorBody(error.what()));
        }
    }
    CoUninitialize();
}

} // namespace
