// The console's own models, without a snap-in: the scope tree as IConsoleNameSpace2 fills it, the
// result list as IResultData and IHeaderCtrl2 fill it, and the status bar's reading of its text.
#include <gtest/gtest.h>

#include "resultlist.h"
#include "scopetree.h"
#include "statusbar.h"

using namespace Console;

namespace {

HSCOPEITEM Insert(CScopeTree& tree, HSCOPEITEM relative, LPARAM cookie, DWORD placement = 0) {
    SCOPEDATAITEM item = {};
    item.mask = SDI_STR | SDI_PARAM | placement;
    item.displayname = MMC_CALLBACK;
    item.lParam = cookie;
    item.relativeID = relative;
    EXPECT_EQ(tree.InsertItem(nullptr, &item), S_OK);
    return item.ID;
}

std::vector<LPARAM> Cookies(const CScopeTree& tree, HSCOPEITEM parent) {
    std::vector<LPARAM> cookies;
    for (HSCOPEITEM child : tree.Find(parent)->children)
        cookies.push_back(tree.Find(child)->lParam);
    return cookies;
}

} // namespace

TEST(ScopeTreeTest, InsertItemPlacesItemsAsTheFlagsSay) {
    CScopeTree tree;
    HSCOPEITEM root = tree.AddStaticNode(nullptr, L"Root");
    HSCOPEITEM b = Insert(tree, root, 2);
    Insert(tree, root, 4);
    Insert(tree, root, 1, SDI_FIRST);
    Insert(tree, b, 3, SDI_PREVIOUS); // after its previous sibling b
    HSCOPEITEM d = tree.Find(root)->children.back();
    Insert(tree, d, 35, SDI_NEXT); // before its next sibling d
    EXPECT_EQ(Cookies(tree, root), (std::vector<LPARAM>{1, 2, 3, 35, 4}));
}

TEST(ScopeTreeTest, InsertItemRefusesWhatTheConsoleCannotAccept) {
    CScopeTree tree;
    HSCOPEITEM root = tree.AddStaticNode(nullptr, L"Root");
    SCOPEDATAITEM item = {};
    item.mask = SDI_STR;
    item.displayname = const_cast<LPOLESTR>(L"a name of its own");
    item.relativeID = root;
    EXPECT_EQ(tree.InsertItem(nullptr, &item), E_INVALIDARG) << "inserted items are named through callbacks";
    item.displayname = MMC_CALLBACK;
    item.mask = SDI_STR | SDI_NEXT;
    EXPECT_EQ(tree.InsertItem(nullptr, &item), E_INVALIDARG) << "nothing sits beside a static node";
    item.mask = SDI_STR;
    item.relativeID = root + 12345;
    EXPECT_EQ(tree.InsertItem(nullptr, &item), E_INVALIDARG) << "a handle that names nothing";
    EXPECT_EQ(tree.InsertItem(nullptr, nullptr), E_POINTER);
    EXPECT_TRUE(tree.Find(root)->children.empty());
}

TEST(ScopeTreeTest, DeletedItemsAndTheirSubtreeNameNothingAfterwards) {
    CScopeTree tree;
    HSCOPEITEM root = tree.AddStaticNode(nullptr, L"Root");
    HSCOPEITEM a = Insert(tree, root, 1);
    HSCOPEITEM child = Insert(tree, a, 2);
    HSCOPEITEM grandchild = Insert(tree, child, 3);
    HSCOPEITEM b = Insert(tree, root, 4);

    std::vector<HSCOPEITEM> removed;
    EXPECT_EQ(tree.DeleteItem(a, false, &removed), S_OK);
    EXPECT_EQ(removed, (std::vector<HSCOPEITEM>{grandchild, child})) << "deepest first";
    EXPECT_NE(tree.Find(a), nullptr) << "without deleteThis the item itself stays";
    EXPECT_EQ(tree.DeleteItem(a, true), S_OK);
    EXPECT_EQ(tree.Find(a), nullptr);

    SCOPEDATAITEM item = {};
    item.ID = child;
    item.mask = SDI_PARAM;
    EXPECT_EQ(tree.GetItem(&item), E_INVALIDARG);
    EXPECT_EQ(tree.DeleteItem(child, true), E_INVALIDARG);
    EXPECT_EQ(tree.DeleteItem(root, true), E_INVALIDARG) << "the console's static node stays";
    EXPECT_EQ(tree.Find(root)->children, std::vector<HSCOPEITEM>{b});
    HSCOPEITEM fresh = Insert(tree, root, 5);
    EXPECT_NE(fresh, a) << "handles are never reused";
    EXPECT_NE(fresh, child);
}

TEST(ScopeTreeTest, WalkingTheTreeGivesHandlesAndCookies) {
    CScopeTree tree;
    HSCOPEITEM root = tree.AddStaticNode(nullptr, L"Root");
    HSCOPEITEM a = Insert(tree, root, 10);
    HSCOPEITEM b = Insert(tree, root, 20);
    HSCOPEITEM handle = 0;
    MMC_COOKIE cookie = 0;
    EXPECT_EQ(tree.GetChildItem(root, &handle, &cookie), S_OK);
    EXPECT_EQ(handle, a);
    EXPECT_EQ(cookie, 10);
    EXPECT_EQ(tree.GetNextItem(a, &handle, &cookie), S_OK);
    EXPECT_EQ(handle, b);
    EXPECT_EQ(cookie, 20);
    EXPECT_EQ(tree.GetNextItem(b, &handle, &cookie), S_OK);
    EXPECT_EQ(handle, 0) << "the last sibling has no next one";
    EXPECT_EQ(tree.GetParentItem(b, &handle, &cookie), S_OK);
    EXPECT_EQ(handle, root);
    EXPECT_EQ(cookie, 0);
    EXPECT_EQ(tree.GetChildItem(a, &handle, &cookie), S_OK);
    EXPECT_EQ(handle, 0);
    EXPECT_EQ(tree.GetChildItem(a + 999, &handle, &cookie), E_INVALIDARG);
}

TEST(ScopeTreeTest, GetItemReportsExpansionAndTheChildrenButton) {
    CScopeTree tree;
    HSCOPEITEM root = tree.AddStaticNode(nullptr, L"Root");
    SCOPEDATAITEM item = {};
    item.mask = SDI_STR | SDI_CHILDREN;
    item.displayname = MMC_CALLBACK;
    item.cChildren = 0;
    item.relativeID = root;
    ASSERT_EQ(tree.InsertItem(nullptr, &item), S_OK);
    EXPECT_FALSE(tree.HasExpandButton(item.ID)) << "the snap-in said it has no children";
    EXPECT_TRUE(tree.HasExpandButton(root)) << "not expanded yet";

    SCOPEDATAITEM state = {};
    state.ID = root;
    state.mask = SDI_STATE | SDI_STR;
    ASSERT_EQ(tree.GetItem(&state), S_OK);
    EXPECT_EQ(state.nState, 0u);
    EXPECT_STREQ(state.displayname, L"Root");
    tree.Find(root)->expandedOnce = true;
    ASSERT_EQ(tree.GetItem(&state), S_OK);
    EXPECT_EQ(state.nState, static_cast<UINT>(MMC_SCOPE_ITEM_STATE_EXPANDEDONCE));

    SCOPEDATAITEM rename = {};
    rename.ID = item.ID;
    rename.mask = SDI_STR;
    rename.displayname = const_cast<LPOLESTR>(L"Other");
    EXPECT_EQ(tree.SetItem(&rename), E_INVALIDARG) << "only the static node carries its own name";
    rename.ID = root;
    EXPECT_EQ(tree.SetItem(&rename), S_OK);
    EXPECT_EQ(tree.Find(root)->name, L"Other");
}

// The result list
// --------------------------------------------------------------------------------------------

namespace {

HRESULTITEM InsertRow(CResultList& list, LPARAM cookie, int index = -1) {
    RESULTDATAITEM item = {};
    item.mask = RDI_STR | RDI_PARAM | (index >= 0 ? RDI_INDEX : 0);
    item.str = MMC_CALLBACK;
    item.lParam = cookie;
    item.nIndex = index;
    EXPECT_EQ(list.InsertItem(&item), S_OK);
    return item.itemID;
}

std::vector<LPARAM> RowCookies(const CResultList& list) {
    std::vector<LPARAM> cookies;
    for (int i = 0; i < list.RowCount(); ++i)
        cookies.push_back(list.RowAt(i).lParam);
    return cookies;
}

} // namespace

TEST(ResultListTest, RowsGoWhereTheIndexSaysAndStaleIdsFail) {
    CResultList list;
    HRESULTITEM first = InsertRow(list, 1);
    InsertRow(list, 3);
    InsertRow(list, 2, 1);
    InsertRow(list, 9, 99); // past the end: appended
    EXPECT_EQ(RowCookies(list), (std::vector<LPARAM>{1, 2, 3, 9}));

    EXPECT_EQ(list.DeleteItem(first, 1), E_INVALIDARG) << "a row goes as a whole";
    EXPECT_EQ(list.DeleteItem(first, 0), S_OK);
    EXPECT_EQ(list.DeleteItem(first, 0), E_INVALIDARG) << "the id names nothing any more";
    HRESULTITEM found = 0;
    EXPECT_EQ(list.FindItemByLParam(1, &found), S_FALSE);
    EXPECT_EQ(found, 0);
    EXPECT_EQ(list.FindItemByLParam(3, &found), S_OK);
    EXPECT_NE(found, first);
    EXPECT_EQ(list.DeleteAllRsltItems(), S_OK);
    EXPECT_EQ(list.RowCount(), 0);
}

TEST(ResultListTest, OwnerDataListsCountRowsAndRefuseItems) {
    CResultList list;
    list.Reset(nullptr, 0, true, true);
    RESULTDATAITEM item = {};
    item.mask = RDI_STR;
    item.str = MMC_CALLBACK;
    EXPECT_EQ(list.InsertItem(&item), E_UNEXPECTED);
    HRESULTITEM found;
    EXPECT_EQ(list.FindItemByLParam(0, &found), E_UNEXPECTED);
    EXPECT_EQ(list.SetItemCount(1000, 0), S_OK);
    EXPECT_EQ(list.RowCount(), 1000);
    EXPECT_EQ(list.RowAt(999).kind, CRow::Virtual);
    CRow changed;
    EXPECT_EQ(list.ModifyItemState(998, 0, LVIS_SELECTED, 0, &changed), S_OK);
    EXPECT_EQ(list.SetItemCount(10, 0), S_OK);
    EXPECT_TRUE(list.SelectedRows().empty()) << "the state of rows past the new end goes with them";
    EXPECT_EQ(list.SetItemCount(-1, 0), E_INVALIDARG);
}

TEST(ResultListTest, GetNextItemWalksTheRowsWithTheStateAskedFor) {
    CResultList list;
    for (LPARAM cookie = 1; cookie <= 5; ++cookie)
        InsertRow(list, cookie);
    CRow changed;
    ASSERT_EQ(list.ModifyItemState(1, 0, LVIS_SELECTED, 0, &changed), S_OK);
    ASSERT_EQ(list.ModifyItemState(3, 0, LVIS_SELECTED | LVIS_FOCUSED, 0, &changed), S_OK);
    std::vector<LPARAM> selected;
    RESULTDATAITEM item = {};
    item.nIndex = -1;
    item.nState = LVIS_SELECTED;
    while (list.GetNextItem(&item) == S_OK)
        selected.push_back(item.lParam);
    EXPECT_EQ(selected, (std::vector<LPARAM>{2, 4}));
    EXPECT_EQ(item.nIndex, -1);
    EXPECT_EQ(list.ModifyItemState(7, 0, LVIS_SELECTED, 0, &changed), E_INVALIDARG);
}

TEST(ResultListTest, ColumnsAndTheirFilters) {
    CResultList list;
    EXPECT_EQ(list.InsertColumn(0, L"Name", LVCFMT_LEFT, AUTO_WIDTH), S_OK);
    EXPECT_EQ(list.InsertColumn(1, L"Size", LVCFMT_RIGHT, 80), S_OK);
    EXPECT_EQ(list.InsertColumn(1, L"Date", LVCFMT_LEFT, HIDE_COLUMN), S_OK);
    EXPECT_EQ(list.InsertColumn(5, L"Gap", LVCFMT_LEFT, 10), E_INVALIDARG);
    ASSERT_EQ(list.Columns().size(), 3u);
    LPOLESTR text = nullptr;
    ASSERT_EQ(list.GetColumnText(2, &text), S_OK);
    EXPECT_STREQ(text, L"Size");
    CoTaskMemFree(text);
    EXPECT_EQ(list.GetColumnText(3, &text), E_INVALIDARG);
    EXPECT_EQ(text, nullptr);

    WCHAR set[] = L"Sales and Engineering";
    MMC_FILTERDATA filter = {set, 0, 7};
    ASSERT_EQ(list.SetColumnFilter(0, MMC_STRING_FILTER, &filter), S_OK);
    WCHAR small[6] = L"xxxxx";
    MMC_FILTERDATA read = {small, 6, 0};
    DWORD type = 99;
    ASSERT_EQ(list.GetColumnFilter(0, &type, &read), S_OK);
    EXPECT_STREQ(small, L"Sales") << "cut to the caller's buffer, always ending in a null";
    EXPECT_EQ(read.lValue, 7);
    EXPECT_EQ(type, static_cast<DWORD>(MMC_STRING_FILTER));
}

TEST(StatusBarTest, TheMiddlePartShowsProgressOrText) {
    CStatusBar status;
    status.Set(L"Loading databases|%40");
    EXPECT_EQ(status.left, L"Loading databases");
    EXPECT_EQ(status.progress, 40);
    EXPECT_TRUE(status.middle.empty());

    status.Set(L"3 Items");
    EXPECT_EQ(status.left, L"3 Items");
    EXPECT_EQ(status.progress, -1);

    status.Set(L"Today is|%%Wednesday%|right|dropped");
    EXPECT_EQ(status.middle, L"%Wednesday%");
    EXPECT_EQ(status.progress, -1);
    EXPECT_EQ(status.right, L"right");

    status.Set(L"Bad|%4x");
    EXPECT_TRUE(status.middle.empty()) << "a percent sign before no number leaves the part empty";
    EXPECT_EQ(status.progress, -1);
    status.Set(L"Over|%101");
    EXPECT_EQ(status.progress, -1);
    status.Set(L"Alone|%");
    EXPECT_EQ(status.middle, L"%");
    status.Set(nullptr);
    EXPECT_TRUE(status.left.empty());
}
