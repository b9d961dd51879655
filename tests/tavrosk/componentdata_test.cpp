// The scope side: the console's interfaces taken at Initialize, scope images, data objects for cookies,
// the notifications passed to nodes, display information, help, menus and the property-change notice
// that comes without a data object; and the snap-in's own root.
#include <gtest/gtest.h>

#include "../../tavrosk/msde/mybase.h"
#include "../../tavrosk/snapins/componentdata.h"
#include "fake_console.h"

namespace {

using fake::Node;
using Snapins::CDataObject;

class TestSnapin : public Snapins::CComponentDataBase {
public:
    TestSnapin() {
        m_root = new Node(L"root");
        m_helpFile = L"test.chm";
    }
    ~TestSnapin() override { delete m_root; }
    Node* root() { return static_cast<Node*>(m_root); }
};

class ScopeSide : public ::testing::Test {
protected:
    void SetUp() override {
        fake::Log().clear();
        snapin = new TestSnapin;
    }
    void TearDown() override {
        snapin->Destroy();
        snapin->Release();
    }
    IDataObject* DataObjectFor(MMC_COOKIE cookie) {
        IDataObject* object = nullptr;
        EXPECT_EQ(snapin->QueryDataObject(cookie, CCT_SCOPE, &object), S_OK);
        return object;
    }
    TestSnapin* snapin = nullptr;
    fake::Console console;
};

TEST_F(ScopeSide, InitializeTakesTheConsoleAndSetsTheScopeImageStrips) {
    ASSERT_EQ(snapin->Initialize(static_cast<IConsole2*>(&console)), S_OK);
    EXPECT_EQ(console.stripCalls, 1);
    EXPECT_NE(console.smallStrip, 0);
    EXPECT_EQ(console.smallStrip, reinterpret_cast<LONG_PTR>(Snapins::CBaseNode::SmallImages()));
    EXPECT_EQ(console.largeStrip, reinterpret_cast<LONG_PTR>(Snapins::CBaseNode::LargeImages()));
    EXPECT_EQ(console.stripMask, 0x00FFFFFFu);
    LONG before = console.refs;
    snapin->Destroy();
    EXPECT_EQ(console.refs, before - 2) << "Destroy lets go of the console and the namespace";
}

TEST_F(ScopeSide, InitializeWorksWithAnOlderConsoleAndFailsWithoutANamespace) {
    console.hasNameSpace2 = false;
    console.hasConsole2 = false;
    EXPECT_EQ(snapin->Initialize(static_cast<IConsole2*>(&console)), S_OK);
    EXPECT_EQ(console.stripCalls, 1);

    fake::Console bare;
    bare.hasNameSpace2 = false;
    bare.hasNameSpace = false;
    TestSnapin* other = new TestSnapin;
    EXPECT_EQ(other->Initialize(static_cast<IConsole2*>(&bare)), E_NOINTERFACE);
    EXPECT_EQ(bare.stripCalls, 0);
    other->Release();
}

TEST_F(ScopeSide, CookieZeroIsTheRootAndAStaleCookieNamesNothing) {
    IDataObject* object = DataObjectFor(0);
    EXPECT_EQ(CDataObject::NodeOf(object), snapin->root());
    object->Release();

    auto* gone = new Node(L"gone");
    delete gone;
    IDataObject* none = reinterpret_cast<IDataObject*>(1);
    EXPECT_EQ(snapin->QueryDataObject(reinterpret_cast<MMC_COOKIE>(gone), CCT_SCOPE, &none), E_FAIL);
    EXPECT_EQ(none, nullptr);
}

TEST_F(ScopeSide, CollapsingIsPassedToTheNodeLikeExpanding) {
    snapin->Initialize(static_cast<IConsole2*>(&console));
    snapin->root()->makeChildren = {{L"a", true}};
    IDataObject* object = DataObjectFor(0);
    EXPECT_EQ(snapin->Notify(object, MMCN_EXPAND, FALSE, 42), S_OK);
    ASSERT_EQ(console.scopeItems.size(), 1u);
    EXPECT_EQ(console.scopeItems[0].relativeID, 42);
    object->Release();
}

TEST_F(ScopeSide, PropertyChangeWithoutDataObjectGoesToTheNodeOfTheLastSheet) {
    snapin->Initialize(static_cast<IConsole2*>(&console));
    EXPECT_EQ(snapin->Notify(nullptr, MMCN_PROPERTY_CHANGE, 0, 0), S_FALSE);

    auto* child = new Node(L"child");
    snapin->root()->AddChild(child, true);
    IDataObject* object = DataObjectFor(reinterpret_cast<MMC_COOKIE>(child));
    EXPECT_EQ(snapin->CreatePropertyPages(nullptr, 77, object), S_OK);
    EXPECT_EQ(child->SheetNotifyHandle(), 77);
    EXPECT_EQ(snapin->Notify(nullptr, MMCN_PROPERTY_CHANGE, 0, 0), S_OK);
    EXPECT_EQ(fake::Log(), std::vector<std::string>{"child.OnPropertyChange"});

    snapin->root()->RemoveChild(nullptr, child);
    delete child;
    EXPECT_EQ(snapin->Notify(nullptr, MMCN_PROPERTY_CHANGE, 0, 0), S_FALSE) << "the sheet's node is gone";
    EXPECT_EQ(snapin->Notify(object, MMCN_DELETE, 0, 0), S_FALSE) << "so is the data object's";
    object->Release();
}

TEST_F(ScopeSide, DisplayInfoNamesTheNodeAndCutsLongNames) {
    SCOPEDATAITEM item{};
    item.mask = SDI_STR | SDI_IMAGE | SDI_OPENIMAGE;
    item.nImage = 9;
    EXPECT_EQ(snapin->GetDisplayInfo(&item), S_FALSE);
    EXPECT_EQ(item.displayname, nullptr);
    EXPECT_EQ(item.nImage, 9) << "no node, nothing changed";

    item.lParam = reinterpret_cast<LPARAM>(snapin->root());
    EXPECT_EQ(snapin->GetDisplayInfo(&item), S_FALSE);
    EXPECT_STREQ(item.displayname, L"root");
    EXPECT_EQ(item.nImage, 0);

    snapin->root()->SetName(std::wstring(300, L'n'));
    snapin->GetDisplayInfo(&item);
    EXPECT_EQ(std::wstring(item.displayname), std::wstring(259, L'n'));
}

TEST_F(ScopeSide, HelpFileIsGivenAsACopyAndOnlyTheSecondHelpInterfaceIsAnswered) {
    void* p = reinterpret_cast<void*>(1);
    EXPECT_EQ(snapin->QueryInterface(IID_ISnapinHelp, &p), E_NOINTERFACE);
    EXPECT_EQ(p, nullptr);
    ASSERT_EQ(snapin->QueryInterface(IID_ISnapinHelp2, &p), S_OK);
    LPOLESTR topic = nullptr;
    EXPECT_EQ(static_cast<ISnapinHelp2*>(p)->GetHelpTopic(&topic), S_OK);
    EXPECT_STREQ(topic, L"test.chm");
    CoTaskMemFree(topic);
    EXPECT_EQ(static_cast<ISnapinHelp2*>(p)->GetLinkedTopics(&topic), S_FALSE);
    static_cast<ISnapinHelp2*>(p)->Release();
}

TEST_F(ScopeSide, MenuCommandReachesTheNodeWithTheComponentData) {
    snapin->Initialize(static_cast<IConsole2*>(&console));
    IDataObject* object = DataObjectFor(0);
    EXPECT_EQ(snapin->Command(40001, object), S_OK);
    EXPECT_EQ(fake::Log(), std::vector<std::string>{"root.OnMenuCommand(40001,-,data)"});
    EXPECT_EQ(snapin->Command(40001, nullptr), S_OK);
    EXPECT_EQ(fake::Log().size(), 1u);
    object->Release();
}

TEST_F(ScopeSide, SameNodeComparesEqualAndForeignObjectsNever) {
    IDataObject* a = DataObjectFor(0);
    IDataObject* b = DataObjectFor(reinterpret_cast<MMC_COOKIE>(snapin->root()));
    auto* child = new Node(L"child");
    snapin->root()->AddChild(child, true);
    IDataObject* c = DataObjectFor(reinterpret_cast<MMC_COOKIE>(child));
    EXPECT_EQ(snapin->CompareObjects(a, b), S_OK);
    EXPECT_EQ(snapin->CompareObjects(a, c), S_FALSE);
    EXPECT_EQ(snapin->CompareObjects(a, nullptr), S_FALSE);
    a->Release();
    b->Release();
    c->Release();
}

TEST(Snapin, RootShowsTheSnapinNameAndItsNodeType) {
    auto* snapin = new MSDE::CMyBase;
    IDataObject* object = nullptr;
    ASSERT_EQ(snapin->QueryDataObject(0, CCT_SCOPE, &object), S_OK);
    std::u16string name(u"Korvath Console");
    std::string bytes = fake::RenderHere(object, CDataObject::DisplayNameFormat());
    EXPECT_EQ(bytes, std::string(reinterpret_cast<const char*>(name.c_str()), (name.size() + 1) * 2));
    std::u16string type(u"{503E6A19-4630-46E3-81EE-110693CFC83E}");
    bytes = fake::RenderHere(object, CDataObject::TextNodeTypeFormat());
    EXPECT_EQ(bytes, std::string(reinterpret_cast<const char*>(type.c_str()), (type.size() + 1) * 2));
    LPOLESTR topic = nullptr;
    snapin->GetHelpTopic(&topic);
    EXPECT_STREQ(topic, L"tavrosk.chm");
    CoTaskMemFree(topic);
    object->Release();
    snapin->Release();
}

} // namespace
