// The snap-in library as the console meets it: its class objects, the unload check, the about
// information, and the satellite resources that replace its own when they match its version.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "mmc.h"
#include "objbase.h"
#include "test_support.h"
#include "tvfrontend.h"
#include "tvplatform.h"

namespace {

DEFINE_GUID(CLSID_Snapin, 0xB121F51B, 0xF25A, 0x4977, 0x8C, 0xB1, 0x79, 0x9D, 0xAC, 0x97, 0x1A, 0xB5);
DEFINE_GUID(CLSID_SnapinAbout, 0x32C6893E, 0x853A, 0x49A3, 0x95, 0x64, 0xEF, 0x35, 0x3D, 0x0E, 0xF6, 0xFF);
DEFINE_GUID(IID_Other, 0x12345678, 0x1234, 0x1234, 0x12, 0x34, 0x12, 0x34, 0x12, 0x34, 0x12, 0x34);

// Records the message boxes shown while it is installed.
class RecordingFrontEnd : public ITvFrontEnd {
public:
    RecordingFrontEnd() { m_previous = TvSetFrontEnd(this); }
    ~RecordingFrontEnd() { TvSetFrontEnd(m_previous); }
    int MessageBox(HWND, const wchar_t* text, const wchar_t* caption, UINT type) override {
        messages.push_back(text ? text : L"");
        captions.push_back(caption ? caption : L"(none)");
        return IDOK;
    }
    std::vector<std::wstring> messages;
    std::vector<std::wstring> captions;

private:
    ITvFrontEnd* m_previous;
};

// A loaded copy of the snap-in library with its entry points.
struct SnapinLibrary {
    HMODULE module = nullptr;
    LPFNGETCLASSOBJECT getClassObject = nullptr;
    LPFNCANUNLOADNOW canUnloadNow = nullptr;

    explicit SnapinLibrary(const std::string& path) {
        module = LoadLibraryW(tvp::FromUtf8(path).c_str());
        if (!module) return;
        getClassObject = reinterpret_cast<LPFNGETCLASSOBJECT>(GetProcAddress(module, "DllGetClassObject"));
        canUnloadNow = reinterpret_cast<LPFNCANUNLOADNOW>(GetProcAddress(module, "DllCanUnloadNow"));
    }
    ~SnapinLibrary() {
        if (module) FreeLibrary(module);
    }

    IClassFactory* Factory(REFCLSID clsid) {
        IClassFactory* factory = nullptr;
        EXPECT_EQ(getClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
        return factory;
    }

    // A description from a new about object: which resources are in use.
    std::wstring Description() {
        IClassFactory* factory = Factory(CLSID_SnapinAbout);
        ISnapinAbout* about = nullptr;
        EXPECT_EQ(factory->CreateInstance(nullptr, IID_ISnapinAbout, reinterpret_cast<void**>(&about)), S_OK);
        factory->Release();
        LPOLESTR text = nullptr;
        std::wstring description;
        if (about && about->GetSnapinDescription(&text) == S_OK) description = text;
        CoTaskMemFree(text);
        if (about) about->Release();
        return description;
    }

    // Creates the snap-in (which loads its satellite) and releases it again.
    void CreateSnapin() {
        IClassFactory* factory = Factory(CLSID_Snapin);
        IUnknown* snapin = nullptr;
        EXPECT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&snapin)), S_OK);
        factory->Release();
        if (snapin) snapin->Release();
    }
};

std::string BuiltLibrary(const char* relative) {
    return tvtest::BuildDir() + "/" + relative;
}

// A folder holding a copy of a snap-in library and, optionally, a satellite beside it.
std::string LayOut(const std::string& name, const char* module, const char* satellite) {
    std::string folder = tvtest::MakeFolder(name);
    std::filesystem::copy_file(BuiltLibrary(module), folder + "/libtavrosk.so",
                               std::filesystem::copy_options::overwrite_existing);
    if (satellite)
        std::filesystem::copy_file(BuiltLibrary(satellite), folder + "/libtavroskres.so",
                                   std::filesystem::copy_options::overwrite_existing);
    return folder + "/libtavrosk.so";
}

const wchar_t kEnglishDescription[] =
    L"Provides management functions on Veltrane storage areas on SQL Server.";

class SnapinModule : public ::testing::Test {
protected:
    void SetUp() override { CoInitialize(nullptr); }
    void TearDown() override { CoUninitialize(); }
};

TEST_F(SnapinModule, ClassObjectsAnswerOnlyTheirClassesAndInterfaces) {
    SnapinLibrary library(BuiltLibrary("lib/libtavrosk.so"));
    ASSERT_NE(library.module, nullptr);
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(library.getClassObject(IID_Other, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(library.getClassObject(CLSID_Snapin, IID_IClassFactory, nullptr), E_FAIL);
    EXPECT_EQ(library.getClassObject(CLSID_Snapin, IID_Other, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(library.canUnloadNow(), S_OK) << "a refused request must leave no factory behind";

    IUnknown* unknown = nullptr;
    ASSERT_EQ(library.getClassObject(CLSID_SnapinAbout, IID_IUnknown, reinterpret_cast<void**>(&unknown)),
              S_OK);
    IClassFactory* factory = nullptr;
    EXPECT_EQ(unknown->QueryInterface(IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    EXPECT_EQ(unknown->QueryInterface(IID_IClassFactory, nullptr), E_FAIL);
    EXPECT_EQ(library.canUnloadNow(), S_FALSE);
    factory->Release();
    unknown->Release();
    EXPECT_EQ(library.canUnloadNow(), S_OK);
}

TEST_F(SnapinModule, CreateInstanceRefusesAggregationAndUnknownInterfacesWithoutLeavingObjects) {
    SnapinLibrary library(BuiltLibrary("lib/libtavrosk.so"));
    ASSERT_NE(library.module, nullptr);
    for (REFCLSID clsid : {std::cref(CLSID_Snapin), std::cref(CLSID_SnapinAbout)}) {
        IClassFactory* factory = library.Factory(clsid);
        ASSERT_NE(factory, nullptr);
        IUnknown* outer = factory;
        void* out = nullptr;
        EXPECT_EQ(factory->CreateInstance(outer, IID_IUnknown, &out), CLASS_E_NOAGGREGATION);
        EXPECT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, nullptr), E_FAIL);
        EXPECT_EQ(factory->CreateInstance(nullptr, IID_Other, &out), E_NOINTERFACE);
        EXPECT_EQ(out, nullptr);
        factory->Release();
        EXPECT_EQ(library.canUnloadNow(), S_OK) << "no object may survive a refused CreateInstance";
    }
}

TEST_F(SnapinModule, ALockedServerCannotBeUnloadedUntilItIsUnlocked) {
    SnapinLibrary library(BuiltLibrary("lib/libtavrosk.so"));
    ASSERT_NE(library.module, nullptr);
    IClassFactory* factory = library.Factory(CLSID_Snapin);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    IUnknown* snapin = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&snapin)), S_OK);
    factory->Release();
    snapin->Release();
    EXPECT_EQ(library.canUnloadNow(), S_FALSE);

    factory = library.Factory(CLSID_Snapin);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    EXPECT_EQ(library.canUnloadNow(), S_FALSE) << "the factory itself still counts";
    factory->Release();
    EXPECT_EQ(library.canUnloadNow(), S_OK);
}

TEST_F(SnapinModule, AboutInformationComesFromTheResources) {
    SnapinLibrary library(BuiltLibrary("lib/libtavrosk.so"));
    ASSERT_NE(library.module, nullptr);
    IClassFactory* factory = library.Factory(CLSID_SnapinAbout);
    ISnapinAbout* about = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_ISnapinAbout, reinterpret_cast<void**>(&about)), S_OK);
    factory->Release();

    using Getter = HRESULT (STDMETHODCALLTYPE ISnapinAbout::*)(LPOLESTR*);
    auto text = [about](Getter getter) {
        LPOLESTR value = nullptr;
        HRESULT hr = (about->*getter)(&value);
        std::wstring copy = SUCCEEDED(hr) && value ? value : L"(failed)";
        CoTaskMemFree(value);
        return copy;
    };
    EXPECT_EQ(text(&ISnapinAbout::GetSnapinDescription), kEnglishDescription);
    EXPECT_EQ(text(&ISnapinAbout::GetProvider), L"Kestrin, Inc.");
    EXPECT_EQ(text(&ISnapinAbout::GetSnapinVersion), L"8.0.3.7");

    HICON icon = nullptr;
    EXPECT_EQ(about->GetSnapinImage(&icon), S_OK);
    EXPECT_NE(icon, nullptr);

    HBITMAP small = nullptr, smallOpen = nullptr, large = nullptr;
    COLORREF mask = 0;
    ASSERT_EQ(about->GetStaticFolderImage(&small, &smallOpen, &large, &mask), S_OK);
    EXPECT_EQ(small, smallOpen);
    EXPECT_EQ(mask, COLORREF(0x00FFFFFF));
    BITMAP info = {};
    ASSERT_EQ(GetObjectW(small, sizeof(info), &info), int(sizeof(info)));
    EXPECT_EQ(info.bmWidth, 240);
    EXPECT_EQ(info.bmHeight, 16);
    ASSERT_EQ(GetObjectW(large, sizeof(info), &info), int(sizeof(info)));
    EXPECT_EQ(info.bmWidth, 480);
    EXPECT_EQ(info.bmHeight, 32);

    IUnknown* unknown = nullptr;
    EXPECT_EQ(about->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
    unknown->Release();
    EXPECT_EQ(about->QueryInterface(IID_IClassFactory, reinterpret_cast<void**>(&unknown)), E_NOINTERFACE);
    about->Release();
    EXPECT_EQ(library.canUnloadNow(), S_OK);
    EXPECT_EQ(GetObjectW(small, sizeof(info), &info), 0) << "the about object frees its bitmaps";
}

TEST_F(SnapinModule, WithoutASatelliteTheModulesOwnResourcesServeSilently) {
    RecordingFrontEnd frontEnd;
    SnapinLibrary library(LayOut("no-satellite", "tests/lib/libtavrosk85.so", nullptr));
    ASSERT_NE(library.module, nullptr);
    library.CreateSnapin();
    EXPECT_TRUE(frontEnd.messages.empty());
    EXPECT_EQ(library.Description(), kEnglishDescription);
}

TEST_F(SnapinModule, ASatelliteOfTheSameVersionReplacesTheModulesResources) {
    RecordingFrontEnd frontEnd;
    SnapinLibrary library(
        LayOut("same-version", "tests/lib/libtavrosk85.so", "tests/lib/libsatellite85same.so"));
    ASSERT_NE(library.module, nullptr);
    library.CreateSnapin();
    EXPECT_TRUE(frontEnd.messages.empty());
    EXPECT_EQ(library.Description(), L"Verwaltet Veltrane-Speicherbereiche");
}

TEST_F(SnapinModule, TheProductsGermanResourcesFitTheProductsModule) {
    // The build keeps them apart (lib/de/); a German installation puts them beside the snap-in.
    RecordingFrontEnd frontEnd;
    SnapinLibrary library(LayOut("product", "lib/libtavrosk.so", "lib/de/libtavroskres.so"));
    ASSERT_NE(library.module, nullptr);
    library.CreateSnapin();
    EXPECT_TRUE(frontEnd.messages.empty()) << "same version, loads";
    EXPECT_EQ(library.Description(),
              L"Stellt Verwaltungsfunktionen f\u00fcr Veltrane-Speicherbereiche auf SQL Server bereit.");
}

TEST_F(SnapinModule, ASatelliteOfAnotherVersionIsRefusedWithAMessage) {
    RecordingFrontEnd frontEnd;
    SnapinLibrary library(
        LayOut("newer-version", "tests/lib/libtavrosk85.so", "tests/lib/libsatellite85newer.so"));
    ASSERT_NE(library.module, nullptr);
    library.CreateSnapin();
    ASSERT_EQ(frontEnd.messages.size(), 1u);
    EXPECT_EQ(frontEnd.messages[0], L"Error loading resource DLL! (tavroskres.dll)  Incompatable version.\n"
                                    L"Untranslated resources will be used.");
    EXPECT_EQ(frontEnd.captions[0], L"Error") << "a message box without a caption is titled Error";
    EXPECT_EQ(library.Description(), kEnglishDescription);
}

TEST_F(SnapinModule, ASatelliteThatFailsToLoadIsReportedWithItsErrorCode) {
    RecordingFrontEnd frontEnd;
    SnapinLibrary library(LayOut("broken", "tests/lib/libtavrosk85.so", "tests/lib/libsatellite85broken.so"));
    ASSERT_NE(library.module, nullptr);
    library.CreateSnapin();
    ASSERT_EQ(frontEnd.messages.size(), 1u);
    EXPECT_EQ(frontEnd.messages[0], L"Error loading resource DLL! (tavroskres.dll)  Error Code 126.\n"
                                    L"Untranslated resources will be used.");
    EXPECT_EQ(library.Description(), kEnglishDescription);
}

} // namespace
