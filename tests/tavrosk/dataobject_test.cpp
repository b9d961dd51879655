// Data objects: the clipboard formats byte for byte as the console reads them, the formats that only
// GetData or only GetDataHere renders, and telling the snap-in's own data objects from others, from
// special values and from objects whose node is gone.
#include <gtest/gtest.h>

#include "../../tavrosk/snapins/classfactory.h"
#include "../../tavrosk/snapins/module.h"
#include "fake_console.h"

namespace {

using fake::Node;
using fake::RenderHere;
using Snapins::CDataObject;

// {DC3998E1-2935-4123-B74E-1E6ABC6946A4}, the type of a storage-area node.
const GUID kDatabaseType = {0xDC3998E1, 0x2935, 0x4123, {0xB7, 0x4E, 0x1E, 0x6A, 0xBC, 0x69, 0x46, 0xA4}};

std::string Utf16Bytes(const std::u16string& text) {
    return std::string(reinterpret_cast<const char*>(text.c_str()), (text.size() + 1) * sizeof(char16_t));
}

// A data object of another snap-in built the same way: it answers the private format with an address
// of its own, which is no data object of ours.
class LookAlike : public fake::Unknown<IDataObject> {
public:
    int askedHere = 0;
    STDMETHODIMP QueryInterface(REFIID, void** ppv) override {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP GetData(FORMATETC*, STGMEDIUM*) override { return DV_E_FORMATETC; }
    STDMETHODIMP GetDataHere(FORMATETC* format, STGMEDIUM* medium) override {
        ++askedHere;
        if (format->cfFormat != CDataObject::PrivateFormat()) return DV_E_FORMATETC;
        void* self = this;
        std::memcpy(GlobalLock(medium->hGlobal), &self, sizeof(self));
        GlobalUnlock(medium->hGlobal);
        return S_OK;
    }
    STDMETHODIMP QueryGetData(FORMATETC*) override { return E_NOTIMPL; }
    STDMETHODIMP GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
    STDMETHODIMP SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    STDMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP DUnadvise(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }
};

class DataObject : public ::testing::Test {
protected:
    void SetUp() override {
        node.nodeType = kDatabaseType;
        object = new CDataObject(&node, CCT_RESULT);
    }
    void TearDown() override { object->Release(); }
    Node node{L"Sales"};
    CDataObject* object = nullptr;
};

TEST_F(DataObject, TextNodeTypeIsTheBracedUpperCaseGuidInUtf16) {
    std::string bytes = RenderHere(object, CDataObject::TextNodeTypeFormat());
    EXPECT_EQ(bytes.size(), 78u);
    EXPECT_EQ(bytes, Utf16Bytes(u"{DC3998E1-2935-4123-B74E-1E6ABC6946A4}"));
}

TEST_F(DataObject, DisplayNameIsTheColumnZeroTextWithItsNull) {
    EXPECT_EQ(RenderHere(object, CDataObject::DisplayNameFormat()), Utf16Bytes(u"Sales"));
    node.SetName(L"");
    std::string empty = RenderHere(object, CDataObject::DisplayNameFormat());
    EXPECT_EQ(empty, std::string(2, '\0'));
    // A block larger than the text keeps its size; the text and its null come first.
    node.SetName(L"Größe");
    std::string large = RenderHere(object, CDataObject::DisplayNameFormat(), nullptr, 64);
    EXPECT_EQ(large.size(), 64u);
    EXPECT_EQ(large.substr(0, 12), Utf16Bytes(u"Größe"));
}

TEST_F(DataObject, NodeTypeAndSnapinClassAreSixteenGuidBytes) {
    std::string type = RenderHere(object, CDataObject::NodeTypeFormat());
    ASSERT_EQ(type.size(), 16u);
    EXPECT_EQ(std::memcmp(type.data(), &kDatabaseType, 16), 0);
    const unsigned char expected[16] = {0xE1, 0x98, 0x39, 0xDC, 0x35, 0x29, 0x23, 0x41,
                                        0xB7, 0x4E, 0x1E, 0x6A, 0xBC, 0x69, 0x46, 0xA4};
    EXPECT_EQ(std::memcmp(type.data(), expected, 16), 0) << "Data1 to Data3 little-endian, then the bytes";

    std::string snapin = RenderHere(object, CDataObject::SnapinClassFormat());
    ASSERT_EQ(snapin.size(), 16u);
    EXPECT_EQ(std::memcmp(snapin.data(), &Snapins::CLSID_Snapin, 16), 0);
}

TEST_F(DataObject, OnlyTheMultiSelectTypesComeFromGetData) {
    FORMATETC etc{static_cast<CLIPFORMAT>(CDataObject::NodeTypeFormat()), nullptr, DVASPECT_CONTENT, -1,
                  TYMED_HGLOBAL};
    STGMEDIUM medium{};
    EXPECT_EQ(object->GetData(&etc, &medium), S_FALSE);
    EXPECT_EQ(medium.hGlobal, nullptr);

    HRESULT result = S_OK;
    RenderHere(object, RegisterClipboardFormatW(L"CF_SOMETHING_ELSE"), &result);
    EXPECT_EQ(result, DV_E_FORMATETC);
    RenderHere(object, CDataObject::ObjectTypesFormat(), &result);
    EXPECT_EQ(result, DV_E_FORMATETC);
    EXPECT_EQ(object->QueryGetData(&etc), E_NOTIMPL);
    EXPECT_EQ(object->EnumFormatEtc(DATADIR_GET, nullptr), E_NOTIMPL);
}

TEST_F(DataObject, PrivateFormatHoldsTheObjectsAddressAndFindsItAgain) {
    std::string bytes = RenderHere(object, CDataObject::PrivateFormat(), nullptr, 4);
    ASSERT_EQ(bytes.size(), sizeof(void*)) << "the address is pointer-sized";
    void* address = nullptr;
    std::memcpy(&address, bytes.data(), sizeof(address));
    EXPECT_EQ(address, object);
    EXPECT_EQ(CDataObject::FromDataObject(object), object);
    EXPECT_EQ(CDataObject::NodeOf(object), &node);
}

TEST_F(DataObject, ForeignLookAlikesAndSpecialValuesAreNotOurs) {
    LookAlike other;
    EXPECT_EQ(CDataObject::FromDataObject(&other), nullptr);
    EXPECT_EQ(other.askedHere, 1);
    EXPECT_EQ(CDataObject::NodeOf(&other), nullptr);
    for (LONG_PTR special : {-10, -3, -1, 0})
        EXPECT_EQ(CDataObject::FromDataObject(reinterpret_cast<IDataObject*>(special)), nullptr);
}

TEST_F(DataObject, ObjectOfADeletedNodeRendersNoNodeFormats) {
    auto* doomed = new Node(L"doomed");
    IDataObject* stale = nullptr;
    stale = new CDataObject(doomed, CCT_SCOPE); // with its creator's reference
    delete doomed;
    HRESULT result = S_OK;
    RenderHere(stale, CDataObject::DisplayNameFormat(), &result);
    EXPECT_EQ(result, DV_E_FORMATETC);
    EXPECT_EQ(CDataObject::NodeOf(stale), nullptr);
    EXPECT_NE(CDataObject::FromDataObject(stale), nullptr) << "the object itself is still ours";
    stale->Release();
}

TEST_F(DataObject, MultiSelectionListsItsItemsAndNamesNoSingleNode) {
    auto* multi = new CDataObject(CDataObject::MultiSelect(), CCT_RESULT);
    EXPECT_EQ(multi->GetItemCount(), 0u);
    EXPECT_EQ(multi->GetItem(0), nullptr);
    Node a(L"a"), b(L"b");
    multi->Append(&a);
    multi->Append(&b);
    EXPECT_EQ(multi->GetItemCount(), 2u);
    EXPECT_EQ(multi->GetItem(1), &b);
    EXPECT_EQ(multi->GetItem(2), nullptr) << "the index equal to the count names nothing";
    HRESULT result = S_OK;
    RenderHere(multi, CDataObject::DisplayNameFormat(), &result);
    EXPECT_EQ(result, DV_E_FORMATETC);
    EXPECT_EQ(CDataObject::NodeOf(multi), nullptr);
    multi->Release();
}

TEST(DataObjectLifetime, LivingDataObjectKeepsTheLibraryLoaded) {
    // The console may hold a data object after every component is gone; unloading the library then
    // would leave the object's last Release nowhere to run.
    ASSERT_FALSE(Snapins::ModuleInUse());
    auto* object = new CDataObject(nullptr, CCT_SCOPE);
    EXPECT_TRUE(Snapins::ModuleInUse());
    object->Release();
    EXPECT_FALSE(Snapins::ModuleInUse());
}

} // namespace
