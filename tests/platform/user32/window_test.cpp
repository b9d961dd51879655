// Windows as a caller sees them: stale handles fail harmlessly, destruction runs in the documented
// order, classes and window bytes behave as documented, and the enabled, visible and focus states
// follow the calls that change them.
#include "dialogs.h"
#include "window_test_support.h"

namespace {

using namespace wintest;

std::vector<std::pair<HWND, UINT>> DestroyMessages(const std::vector<Record>& records) {
    std::vector<std::pair<HWND, UINT>> out;
    for (const Record& r : records)
        if (r.message == WM_DESTROY || r.message == WM_NCDESTROY) out.emplace_back(r.hwnd, r.message);
    return out;
}

TEST(Window, StaleHandleFailsHarmlessly) {
    HWND hwnd = MakeWindow();
    ASSERT_NE(hwnd, nullptr);
    ASSERT_TRUE(DestroyWindow(hwnd));
    Recorder::Get().Take();

    EXPECT_FALSE(IsWindow(hwnd));
    SetLastError(0);
    EXPECT_EQ(SendMessageW(hwnd, WM_APP, 1, 0), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    SetLastError(0);
    EXPECT_FALSE(PostMessageW(hwnd, WM_APP, 1, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    EXPECT_FALSE(SetWindowTextW(hwnd, L"x"));
    EXPECT_EQ(GetWindowLongPtrW(hwnd, GWL_STYLE), 0);
    EXPECT_FALSE(DestroyWindow(hwnd));
    EXPECT_FALSE(EnableWindow(hwnd, FALSE));
    EXPECT_EQ(GetParent(hwnd), nullptr);
    tvp::WindowState state;
    EXPECT_FALSE(tvp::GetWindowState(hwnd, state));
    EXPECT_TRUE(Recorder::Get().Take().empty()) << "a destroyed window's procedure must never run";

    // A handle that never was a window fails the same way.
    EXPECT_FALSE(IsWindow(reinterpret_cast<HWND>(0x1234)));
    EXPECT_EQ(SendMessageW(reinterpret_cast<HWND>(0x1234), WM_APP, 0, 0), 0);
}

TEST(Window, DestroyGoesOwnedFirstThenDestroyParentFirstAndNcDestroyChildrenFirst) {
    HWND parent = MakeWindow();
    HWND child = MakeWindow(parent, WS_CHILD, 1);
    HWND grandchild = MakeWindow(child, WS_CHILD, 2);
    HWND owned = MakeWindow(parent, WS_POPUP);
    ASSERT_TRUE(parent && child && grandchild && owned);
    EXPECT_EQ(GetParent(owned), parent) << "a popup's GetParent is its owner";
    Recorder::Get().Take();

    ASSERT_TRUE(DestroyWindow(parent));
    std::vector<std::pair<HWND, UINT>> expected = {
        {owned, WM_DESTROY},      {owned, WM_NCDESTROY},      {parent, WM_DESTROY},  {child, WM_DESTROY},
        {grandchild, WM_DESTROY}, {grandchild, WM_NCDESTROY}, {child, WM_NCDESTROY}, {parent, WM_NCDESTROY},
    };
    EXPECT_EQ(DestroyMessages(Recorder::Get().Take()), expected);
    for (HWND hwnd : {parent, child, grandchild, owned})
        EXPECT_FALSE(IsWindow(hwnd));
}

TEST(Window, ClassesAreFoundByNameWhateverTheCaseAndRegisteredOnce) {
    RecorderClass();
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcW;
    wc.lpszClassName = L"RECORDER";
    SetLastError(0);
    EXPECT_EQ(RegisterClassExW(&wc), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS));

    HWND hwnd =
        CreateWindowExW(0, L"recorder", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(hwnd, nullptr);
    WCHAR name[32];
    EXPECT_EQ(GetClassNameW(hwnd, name, 32), 8);
    EXPECT_STREQ(name, L"Recorder");
    EXPECT_FALSE(UnregisterClassW(L"Recorder", nullptr)) << "a class with windows stays";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_HAS_WINDOWS));
    DestroyWindow(hwnd);

    SetLastError(0);
    EXPECT_EQ(
        CreateWindowExW(0, L"NoSuchClass", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr),
        nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CANNOT_FIND_WND_CLASS));
    SetLastError(0);
    EXPECT_EQ(MakeWindow(nullptr, WS_CHILD), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_TLW_WITH_WSCHILD));

    // The built-in controls and the dialog class exist from the start.
    for (LPCWSTR builtin : {L"Button", L"edit", L"STATIC", L"ComboBox", L"#32770"}) {
        WNDCLASSEXW info{};
        EXPECT_NE(GetClassInfoExW(nullptr, builtin, &info), 0) << tvp::ToUtf8(builtin);
    }
}

int g_refuse = 0; // 1: WM_NCCREATE answers FALSE, 2: WM_CREATE answers -1

LRESULT CALLBACK RefusingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Recorder::Get().Add({hwnd, message, wParam, lParam, 0});
    if (message == WM_NCCREATE && g_refuse == 1) return FALSE;
    if (message == WM_CREATE && g_refuse == 2) return -1;
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

TEST(Window, CreationRefusedByTheProcedureLeavesNoWindow) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = RefusingProc;
    wc.lpszClassName = L"Refusing";
    ASSERT_NE(RegisterClassExW(&wc), 0);

    g_refuse = 1;
    Recorder::Get().Take();
    EXPECT_EQ(CreateWindowExW(0, L"Refusing", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr),
              nullptr);
    std::vector<UINT> messages;
    for (const Record& r : Recorder::Get().Take())
        messages.push_back(r.message);
    EXPECT_EQ(messages, (std::vector<UINT>{WM_NCCREATE, WM_NCDESTROY}));

    g_refuse = 2;
    EXPECT_EQ(CreateWindowExW(0, L"Refusing", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr),
              nullptr);
    messages.clear();
    for (const Record& r : Recorder::Get().Take())
        messages.push_back(r.message);
    EXPECT_EQ(messages, (std::vector<UINT>{WM_NCCREATE, WM_CREATE, WM_DESTROY, WM_NCDESTROY}));
    g_refuse = 0;
    EXPECT_TRUE(UnregisterClassW(L"Refusing", nullptr)) << "no window of the class was left behind";
}

TEST(Window, WindowBytesAndValuesKeepWhatIsSetAndReturnThePreviousValue) {
    HWND hwnd = MakeWindow();
    EXPECT_EQ(SetWindowLongPtrW(hwnd, 0, 11), 0);
    EXPECT_EQ(SetWindowLongPtrW(hwnd, sizeof(LONG_PTR), 22), 0);
    EXPECT_EQ(SetWindowLongPtrW(hwnd, 0, 33), 11);
    EXPECT_EQ(GetWindowLongPtrW(hwnd, sizeof(LONG_PTR)), 22);
    SetLastError(0);
    EXPECT_EQ(GetWindowLongPtrW(hwnd, 2 * sizeof(LONG_PTR)), 0) << "past the class's window bytes";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_INDEX));
    EXPECT_EQ(SetWindowLongPtrW(hwnd, GWLP_USERDATA, 5), 0);
    EXPECT_EQ(GetWindowLongPtrW(hwnd, GWLP_USERDATA), 5);

    Recorder::Get().Take();
    EXPECT_EQ(SetWindowLongPtrW(hwnd, GWL_STYLE, WS_POPUP | WS_BORDER), static_cast<LONG_PTR>(WS_POPUP));
    std::vector<Record> records = Recorder::Get().Take();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].message, static_cast<UINT>(WM_STYLECHANGED));
    EXPECT_EQ(GetWindowLongPtrW(hwnd, GWL_STYLE), static_cast<LONG_PTR>(WS_POPUP | WS_BORDER));

    EXPECT_TRUE(SetWindowTextW(hwnd, L"Title"));
    EXPECT_EQ(GetWindowTextLengthW(hwnd), 5);
    WCHAR small[3];
    EXPECT_EQ(GetWindowTextW(hwnd, small, 3), 2) << "cut to the buffer and terminated";
    EXPECT_STREQ(small, L"Ti");
    DestroyWindow(hwnd);
}

TEST(Window, EnableShowAndFocusFollowTheCallsThatChangeThem) {
    HWND top = MakeWindow(nullptr, WS_POPUP | WS_VISIBLE);
    HWND child = MakeWindow(top, WS_CHILD | WS_VISIBLE, 1);
    HWND other = MakeWindow(top, WS_CHILD | WS_VISIBLE, 2);
    Recorder::Get().Take();

    EXPECT_FALSE(EnableWindow(child, FALSE)) << "it was enabled";
    EXPECT_TRUE(EnableWindow(child, FALSE)) << "it was disabled";
    EXPECT_EQ(Recorder::Get().MessagesOf(child), std::vector<UINT>{WM_ENABLE})
        << "WM_ENABLE only on a change";
    EXPECT_FALSE(IsWindowEnabled(child));
    EXPECT_TRUE(EnableWindow(child, TRUE));

    EXPECT_EQ(SetFocus(child), nullptr);
    EXPECT_EQ(GetFocus(), child);
    Recorder::Get().Take();
    EXPECT_EQ(SetFocus(other), child);
    std::vector<Record> records = Recorder::Get().Take();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].hwnd, child);
    EXPECT_EQ(records[0].message, static_cast<UINT>(WM_KILLFOCUS));
    EXPECT_EQ(records[1].hwnd, other);
    EXPECT_EQ(records[1].message, static_cast<UINT>(WM_SETFOCUS));
    EnableWindow(other, FALSE);
    EXPECT_EQ(GetFocus(), nullptr) << "a disabled window cannot keep the focus";

    EXPECT_TRUE(IsWindowVisible(child));
    EXPECT_TRUE(ShowWindow(top, SW_HIDE));
    EXPECT_FALSE(IsWindowVisible(child)) << "a child of a hidden window is not visible";
    EXPECT_TRUE(GetWindowLongPtrW(child, GWL_STYLE) & WS_VISIBLE);
    EXPECT_FALSE(ShowWindow(top, SW_SHOW));
    EXPECT_TRUE(IsWindowVisible(child));
    DestroyWindow(top);
}

TEST(Window, ChildrenKeepTheirOrderAndPositionsAddUp) {
    HWND top = MakeWindow();
    MoveWindow(top, 100, 50, 300, 200, FALSE);
    HWND first = CreateWindowExW(0, RecorderClass(), L"", WS_CHILD, 10, 20, 30, 40, top,
                                 reinterpret_cast<HMENU>(1), nullptr, nullptr);
    HWND second = MakeWindow(top, WS_CHILD, 2);
    HWND inner = MakeWindow(first, WS_CHILD, 3);
    EXPECT_EQ(GetWindow(top, GW_CHILD), first);
    EXPECT_EQ(GetWindow(first, GW_HWNDNEXT), second);
    EXPECT_EQ(GetWindow(second, GW_HWNDNEXT), nullptr);
    EXPECT_EQ(GetWindow(second, GW_HWNDPREV), first);
    EXPECT_EQ(GetAncestor(inner, GA_ROOT), top);
    EXPECT_TRUE(IsChild(top, inner));
    EXPECT_FALSE(IsChild(second, inner));

    std::vector<HWND> visited;
    EnumChildWindows(
        top,
        [](HWND hwnd, LPARAM out) {
            reinterpret_cast<std::vector<HWND>*>(out)->push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&visited));
    EXPECT_EQ(visited, (std::vector<HWND>{first, inner, second}));

    RECT rect;
    ASSERT_TRUE(GetWindowRect(first, &rect));
    EXPECT_EQ(rect.left, 110);
    EXPECT_EQ(rect.top, 70);
    EXPECT_EQ(rect.right, 140);
    EXPECT_EQ(rect.bottom, 110);
    ASSERT_TRUE(GetClientRect(first, &rect));
    EXPECT_EQ(rect.right, 30);
    EXPECT_EQ(rect.bottom, 40);
    DestroyWindow(top);
}

} // namespace
