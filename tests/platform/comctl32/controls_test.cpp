// The common controls of comctl32 as a dialog's code and a person see them: the list view announces
// every item change (code's and a person's) with LVN_ITEMCHANGING and LVN_ITEMCHANGED and keeps its
// sorting and selection rules; the progress bar keeps its position within its range and tells no one;
// the date-time picker notifies DTN_DATETIMECHANGE for a person's change only; image lists cut strips
// and keep what their mask hides transparent.
#include "commctrl.h"
#include "pages.h"
#include "window_test_support.h"

namespace {

using namespace wintest;

constexpr UINT N = WM_NOTIFY;

int Insert(HWND list, const wchar_t* text, int at = 0, int image = 0) {
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = at;
    item.pszText = const_cast<LPWSTR>(text);
    item.iImage = image;
    return ListView_InsertItem(list, &item);
}

std::wstring ItemText(HWND list, int index, int subItem = 0) {
    WCHAR buffer[100] = L"";
    ListView_GetItemText(list, index, subItem, buffer, 100);
    return buffer;
}

// Records the WM_NOTIFY traffic of the list views with the states of LVN_ITEMCHANGED, and can refuse
// item changes.
struct ListHost {
    ListHost() : host(IDD_CONTROLS) {}
    DialogHost host;
    HWND report() { return host.Item(IDC_REPORT); }
    HWND list() { return host.Item(IDC_LIST); }
};

TEST(ListView, KeepsItsItemsSortedWithColumnsAndSubItems) {
    ListHost h;
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    column.pszText = const_cast<LPWSTR>(L"Name");
    column.cx = 100;
    column.fmt = LVCFMT_RIGHT;
    EXPECT_EQ(ListView_InsertColumn(h.report(), 0, &column), 0);
    column.pszText = const_cast<LPWSTR>(L"Size");
    EXPECT_EQ(ListView_InsertColumn(h.report(), 1, &column), 1);
    LVCOLUMNW read{};
    read.mask = LVCF_FMT;
    ListView_GetColumn(h.report(), 0, &read);
    EXPECT_EQ(read.fmt, LVCFMT_LEFT) << "the first column is always left-aligned";

    // LVS_SORTASCENDING: the requested index does not matter, the text does (whatever its case).
    EXPECT_EQ(Insert(h.report(), L"sales", 0), 0);
    EXPECT_EQ(Insert(h.report(), L"Archive", 5), 0);
    EXPECT_EQ(Insert(h.report(), L"budget", 0), 1);
    ListView_SetItemText(h.report(), 2, 1, const_cast<LPWSTR>(L"12 MB"));
    EXPECT_EQ(ItemText(h.report(), 2), L"sales");
    EXPECT_EQ(ItemText(h.report(), 2, 1), L"12 MB");
    EXPECT_EQ(ItemText(h.report(), 0, 1), L"");

    tvp::WindowState state;
    tvp::GetWindowState(h.report(), state);
    EXPECT_EQ(state.kind, tvp::Kind::ListView);
    EXPECT_EQ(state.columns, (std::vector<std::wstring>{L"Name", L"Size"}));
    ASSERT_EQ(state.items.size(), 3u);
    EXPECT_EQ(state.items[2].cells, std::vector<std::wstring>{L"12 MB"});

    LVFINDINFOW find{};
    find.flags = LVFI_STRING;
    find.psz = L"BUDGET";
    EXPECT_EQ(ListView_FindItem(h.report(), -1, &find), 1);
    find.flags = LVFI_PARTIAL | LVFI_STRING;
    find.psz = L"sa";
    EXPECT_EQ(ListView_FindItem(h.report(), -1, &find), 2);
}

TEST(ListView, EveryStateChangeByCodeIsAnnouncedAndMayBeRefused) {
    ListHost h;
    Insert(h.list(), L"one", 0);
    Insert(h.list(), L"two", 1);
    h.host.Take();
    ListView_SetItemState(h.list(), 0, LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_EQ(h.host.Take(), (std::vector<Notification>{{N, static_cast<int>(LVN_ITEMCHANGING), IDC_LIST},
                                                        {N, static_cast<int>(LVN_ITEMCHANGED), IDC_LIST}}));
    ListView_SetItemState(h.list(), 0, LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_TRUE(h.host.Take().empty()) << "no change, no notification";

    // LVS_SINGLESEL: the other item loses its selection first, with its own notifications.
    ListView_SetItemState(h.list(), 1, LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_EQ(h.host.Take().size(), 4u);
    EXPECT_EQ(ListView_GetItemState(h.list(), 0, LVIS_SELECTED), 0u);
    EXPECT_EQ(ListView_GetNextItem(h.list(), -1, LVNI_SELECTED), 1);
    EXPECT_EQ(ListView_GetSelectedCount(h.list()), 1u);

    // Text changes of an item are item changes too; a sub-item's text is not.
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = 0;
    item.pszText = const_cast<LPWSTR>(L"uno");
    ListView_SetItem(h.list(), &item);
    EXPECT_EQ(h.host.Take().size(), 2u);
}

// A parent that refuses every change of item 0.
INT_PTR CALLBACK RefusingParent(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
    if (message == WM_NOTIFY) {
        auto* n = reinterpret_cast<NMLISTVIEW*>(lParam);
        if (n->hdr.code == LVN_ITEMCHANGING && n->iItem == 0) {
            SetWindowLongPtrW(dialog, DWLP_MSGRESULT, TRUE);
            return TRUE;
        }
    }
    return FALSE;
}

TEST(ListView, AParentAnsweringTrueToItemChangingKeepsTheItemAsItWas) {
    HWND dialog = CreateDialogParamW(nullptr, MAKEINTRESOURCEW(IDD_CONTROLS), nullptr, RefusingParent, 0);
    HWND list = GetDlgItem(dialog, IDC_REPORT);
    Insert(list, L"a");
    Insert(list, L"b");
    ListView_SetItemState(list, 0, LVIS_SELECTED, LVIS_SELECTED);
    ListView_SetItemState(list, 1, LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_EQ(ListView_GetItemState(list, 0, LVIS_SELECTED), 0u);
    EXPECT_EQ(ListView_GetItemState(list, 1, LVIS_SELECTED), static_cast<UINT>(LVIS_SELECTED));
    DestroyWindow(dialog);
}

TEST(ListView, APersonsClickSelectsAndFocusesOneItemAndPickingSelectsExactlyThoseItems) {
    ListHost h;
    for (const wchar_t* text : {L"a", L"b", L"c", L"d"})
        Insert(h.report(), text, 99);
    ListView_SetItemState(h.report(), 0, LVIS_SELECTED, LVIS_SELECTED);
    ListView_SetItemState(h.report(), 1, LVIS_SELECTED, LVIS_SELECTED);
    h.host.Take();

    EXPECT_TRUE(tvp::ChooseItem(h.report(), 2));
    std::vector<Notification> got = h.host.Take();
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(got.back(), (Notification{N, static_cast<int>(NM_CLICK), IDC_REPORT}));
    EXPECT_EQ(got.size(), 7u)
        << "two items lose their selection, one gains selection and focus, then the click";
    EXPECT_EQ(ListView_GetSelectedCount(h.report()), 1u);
    EXPECT_EQ(ListView_GetNextItem(h.report(), -1, LVNI_FOCUSED), 2);

    EXPECT_TRUE(tvp::PickItems(h.report(), {0, 3}));
    tvp::WindowState state;
    tvp::GetWindowState(h.report(), state);
    std::vector<bool> selected;
    for (const tvp::ListItem& item : state.items)
        selected.push_back(item.selected);
    EXPECT_EQ(selected, (std::vector<bool>{true, false, false, true}));
    EXPECT_FALSE(tvp::PickItems(h.report(), {9})) << "no such item";
    EXPECT_FALSE(tvp::ChooseItem(h.report(), 4));

    Insert(h.list(), L"x");
    Insert(h.list(), L"y");
    EXPECT_FALSE(tvp::PickItems(h.list(), {0, 1})) << "a single-selection list takes one item";
    EXPECT_TRUE(tvp::PickItems(h.list(), {1}));
}

TEST(ListView, DeletingItemsTellsTheParent) {
    ListHost h;
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.pszText = const_cast<LPWSTR>(L"kept");
    item.lParam = 7;
    ListView_InsertItem(h.report(), &item);
    Insert(h.report(), L"other");
    h.host.Take();
    EXPECT_TRUE(ListView_DeleteItem(h.report(), 0));
    EXPECT_EQ(h.host.Take(), (std::vector<Notification>{{N, static_cast<int>(LVN_DELETEITEM), IDC_REPORT}}));
    EXPECT_FALSE(ListView_DeleteItem(h.report(), 5));
    ListView_DeleteAllItems(h.report());
    EXPECT_EQ(h.host.Take(), (std::vector<Notification>{{N, static_cast<int>(LVN_DELETEALLITEMS), IDC_REPORT},
                                                        {N, static_cast<int>(LVN_DELETEITEM), IDC_REPORT}}));
    EXPECT_EQ(ListView_GetItemCount(h.report()), 0);
}

TEST(ListView, SortItemsOrdersByTheCallersComparison) {
    ListHost h;
    for (int i = 0; i < 4; ++i) {
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = i;
        std::wstring text = std::to_wstring(i);
        item.pszText = text.data();
        item.lParam = (i * 3) % 4; // 0, 3, 2, 1
        ListView_InsertItem(h.list(), &item);
    }
    ListView_SortItems(
        h.list(),
        [](LPARAM a, LPARAM b, LPARAM descending) -> int {
            return descending ? static_cast<int>(b - a) : static_cast<int>(a - b);
        },
        TRUE);
    EXPECT_EQ(ItemText(h.list(), 0), L"1");
    EXPECT_EQ(ItemText(h.list(), 3), L"0");
}

TEST(ListView, ImageListsGoWithTheListViewUnlessShared) {
    ListHost h;
    HIMAGELIST own = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 4, 4);
    HIMAGELIST shared = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 4, 4);
    EXPECT_EQ(ListView_SetImageList(h.report(), own, LVSIL_SMALL), nullptr);
    EXPECT_EQ(ListView_GetImageList(h.report(), LVSIL_SMALL), own);
    ListView_SetImageList(h.list(), shared, LVSIL_SMALL);
    DestroyWindow(h.host.get());
    EXPECT_FALSE(ImageList_Destroy(own)) << "the report view destroyed its image list";
    EXPECT_TRUE(ImageList_Destroy(shared)) << "LVS_SHAREIMAGELISTS leaves it to its owner";
}

TEST(ImageList, CutsAStripAndKeepsTheMaskColourTransparent) {
    HBITMAP strip = LoadBitmapW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_STRIP));
    ASSERT_NE(strip, nullptr);
    HIMAGELIST list = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 15, 1);
    EXPECT_EQ(ImageList_AddMasked(list, strip, RGB(0, 0, 0)), 0);
    EXPECT_EQ(ImageList_GetImageCount(list), 15);
    EXPECT_EQ(ImageList_AddMasked(list, strip, RGB(0, 0, 0)), 15) << "the index of the first new image";

    IMAGEINFO info{};
    ASSERT_TRUE(ImageList_GetImageInfo(list, 1, &info));
    EXPECT_EQ(info.rcImage.left, 16);
    BITMAP bitmap{};
    GetObjectW(info.hbmImage, sizeof bitmap, &bitmap);
    EXPECT_EQ(bitmap.bmWidth, 30 * 16);
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = bitmap.bmWidth;
    bmi.bmiHeader.biHeight = -16;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    std::vector<BYTE> pixels(static_cast<size_t>(bitmap.bmWidth) * 16 * 4);
    GetDIBits(nullptr, info.hbmImage, 0, 16, pixels.data(), &bmi, DIB_RGB_COLORS);
    // Image 0 is black above and white below; image 1 is dark red above.
    EXPECT_EQ(pixels[3], 0) << "black is the mask colour: transparent";
    EXPECT_EQ(pixels[(15 * static_cast<size_t>(bitmap.bmWidth)) * 4 + 3], 255);
    const BYTE* red = pixels.data() + 16 * 4;
    EXPECT_EQ(red[2], 128);
    EXPECT_EQ(red[3], 255);

    EXPECT_TRUE(ImageList_Destroy(list));
    EXPECT_EQ(ImageList_GetImageCount(list), 0) << "a destroyed list names nothing";
    EXPECT_EQ(ImageList_AddMasked(list, strip, 0), -1);
    DeleteObject(strip);
}

TEST(ProgressBar, KeepsItsPositionInItsRangeAndTellsNoOne) {
    ListHost h;
    HWND bar = h.host.Item(IDC_BAR);
    h.host.Take();
    EXPECT_EQ(SendMessageW(bar, PBM_GETRANGE, TRUE, 0), 0);
    EXPECT_EQ(SendMessageW(bar, PBM_GETRANGE, FALSE, 0), 100) << "0 to 100 until the range is set";
    EXPECT_EQ(SendMessageW(bar, PBM_SETPOS, 33, 0), 0) << "the previous position";
    EXPECT_EQ(SendMessageW(bar, PBM_SETPOS, 150, 0), 33);
    EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), 100) << "held within the range";
    EXPECT_EQ(SendMessageW(bar, PBM_SETRANGE, 0, MAKELPARAM(0, 50)), MAKELRESULT(0, 100));
    EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), 50);
    SendMessageW(bar, PBM_SETPOS, 45, 0);
    SendMessageW(bar, PBM_STEPIT, 0, 0);
    EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), 5) << "stepping past the end starts again";
    EXPECT_TRUE(h.host.Take().empty());
    tvp::WindowState state;
    tvp::GetWindowState(bar, state);
    EXPECT_EQ(state.kind, tvp::Kind::ProgressBar);
    EXPECT_EQ(state.position, 5);
    EXPECT_EQ(state.high, 50);
}

TEST(DateTimePicker, APersonsChangeNotifiesButCodesDoesNot) {
    ListHost h;
    HWND picker = h.host.Item(IDC_TIME);
    h.host.Take();
    SYSTEMTIME set{2024, 2, 0, 29, 13, 5, 9, 0};
    EXPECT_TRUE(DateTime_SetSystemtime(picker, GDT_VALID, &set));
    EXPECT_TRUE(h.host.Take().empty()) << "DTM_SETSYSTEMTIME notifies no one";
    SYSTEMTIME got{};
    EXPECT_EQ(DateTime_GetSystemtime(picker, &got), static_cast<DWORD>(GDT_VALID));
    EXPECT_EQ(got.wDayOfWeek, 4) << "29 February 2024 was a Thursday";
    EXPECT_EQ(TextOf(picker), L"Thursday, February 29, 2024");

    // The style decides the format, read afresh: a page switches its picker to the time format.
    DWORD style = static_cast<DWORD>(GetWindowLongPtrW(picker, GWL_STYLE));
    SetWindowLongPtrW(picker, GWL_STYLE, (style & ~DTS_LONGDATEFORMAT) | DTS_TIMEFORMAT);
    EXPECT_EQ(TextOf(picker), L"1:05:09 PM");

    SYSTEMTIME typed = set;
    typed.wHour = 23;
    ShowWindow(h.host.get(), SW_SHOW);
    EXPECT_TRUE(tvp::SetTime(picker, typed));
    EXPECT_EQ(h.host.Take(),
              (std::vector<Notification>{{N, static_cast<int>(DTN_DATETIMECHANGE), IDC_TIME}}));
    EXPECT_TRUE(tvp::SetTime(picker, typed));
    EXPECT_TRUE(h.host.Take().empty()) << "the same time again changes nothing";
    SYSTEMTIME bad = set;
    bad.wDay = 30;
    EXPECT_FALSE(tvp::SetTime(picker, bad)) << "no 30 February";
    EXPECT_FALSE(DateTime_SetSystemtime(picker, GDT_VALID, &bad));
    EXPECT_FALSE(DateTime_SetSystemtime(picker, GDT_NONE, nullptr)) << "only with DTS_SHOWNONE";

    HWND date = h.host.Item(IDC_DATE);
    EXPECT_TRUE(DateTime_SetSystemtime(date, GDT_NONE, nullptr));
    EXPECT_EQ(DateTime_GetSystemtime(date, &got), static_cast<DWORD>(GDT_NONE));
    DateTime_SetSystemtime(date, GDT_VALID, &set);
    EXPECT_EQ(TextOf(date), L"2/29/2024");
    DateTime_SetFormat(date, L"yyyy'-'MM'-'dd HH:mm");
    EXPECT_EQ(TextOf(date), L"2024-02-29 13:05");
}

} // namespace
