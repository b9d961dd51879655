// Window classes: RegisterClassExW and its companions, and the classes that exist from the start, the
// controls of dialog templates ("Button", "Edit", "Static", "ComboBox") and the dialog class "#32770".
// Classes are process-wide and found by case-insensitive name or by atom.
#include <cwctype>
#include <map>

#include "user32_internal.h"

namespace u32 {

namespace {

struct Classes {
    std::map<std::wstring, std::shared_ptr<WindowClass>> byName; // upper-case names
    std::map<ATOM, std::shared_ptr<WindowClass>> byAtom;
    ATOM nextAtom = 0xC000;
};

Classes& AllClasses() {
    static auto* classes = new Classes;
    return *classes;
}

std::wstring Key(LPCWSTR name) {
    std::wstring key = name;
    for (WCHAR& c : key)
        c = static_cast<WCHAR>(towupper(c));
    return key;
}

ATOM Register(const WNDCLASSEXW& wc, ATOM atom) {
    if (!wc.lpszClassName || !wc.lpfnWndProc || wc.cbWndExtra < 0 || wc.cbClsExtra < 0 ||
        IS_INTRESOURCE(wc.lpszClassName)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::lock_guard guard(Lock());
    Classes& classes = AllClasses();
    std::wstring key = Key(wc.lpszClassName);
    if (classes.byName.count(key)) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    auto cls = std::make_shared<WindowClass>();
    cls->name = wc.lpszClassName;
    cls->atom = atom ? atom : classes.nextAtom++;
    cls->style = wc.style;
    cls->proc = wc.lpfnWndProc;
    cls->wndExtra = wc.cbWndExtra;
    cls->instance = wc.hInstance;
    cls->icon = wc.hIcon;
    cls->cursor = wc.hCursor;
    cls->background = wc.hbrBackground;
    classes.byName.emplace(key, cls);
    classes.byAtom.emplace(cls->atom, cls);
    return cls->atom;
}

LRESULT CALLBACK DialogClassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefDlgProcW(hwnd, message, wParam, lParam);
}

} // namespace

std::shared_ptr<WindowClass> FindClassLocked(LPCWSTR name) {
    Classes& classes = AllClasses();
    if (!name) return nullptr;
    if (IS_INTRESOURCE(name)) {
        auto it = classes.byAtom.find(LOWORD(name));
        return it == classes.byAtom.end() ? nullptr : it->second;
    }
    auto it = classes.byName.find(Key(name));
    return it == classes.byName.end() ? nullptr : it->second;
}

void RegisterBuiltinClasses() {
    struct Builtin {
        LPCWSTR name;
        WNDPROC proc;
        int extra;
        ATOM atom;
    } const builtins[] = {
        {L"Button", ButtonProc, sizeof(void*), 0},
        {L"Edit", EditProc, sizeof(void*), 0},
        {L"Static", StaticProc, sizeof(void*), 0},
        {L"ComboBox", ComboProc, sizeof(void*), 0},
        {L"#32770", DialogClassProc, DLGWINDOWEXTRA, LOWORD(WC_DIALOG)},
    };
    for (const Builtin& b : builtins) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.style = CS_GLOBALCLASS;
        wc.lpfnWndProc = b.proc;
        wc.cbWndExtra = b.extra;
        wc.lpszClassName = b.name;
        Register(wc, b.atom);
    }
}

namespace {
// The built-in classes exist as soon as user32 is loaded.
[[maybe_unused]] const bool g_registered = (RegisterBuiltinClasses(), true);
} // namespace

} // namespace u32

using namespace u32;

extern "C" ATOM WINAPI RegisterClassExW(const WNDCLASSEXW* lpwcx) {
    if (!lpwcx || lpwcx->cbSize != sizeof(WNDCLASSEXW)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return Register(*lpwcx, 0);
}

extern "C" BOOL WINAPI UnregisterClassW(LPCWSTR lpClassName, HINSTANCE hInstance) {
    std::lock_guard guard(Lock());
    auto cls = FindClassLocked(lpClassName);
    if (!cls) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    if (cls->windows > 0) {
        SetLastError(ERROR_CLASS_HAS_WINDOWS);
        return FALSE;
    }
    AllClasses().byName.erase(Key(cls->name.c_str()));
    AllClasses().byAtom.erase(cls->atom);
    return TRUE;
}

extern "C" BOOL WINAPI GetClassInfoExW(HINSTANCE hInstance, LPCWSTR lpszClass, LPWNDCLASSEXW lpwcx) {
    if (!lpwcx) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard guard(Lock());
    auto cls = FindClassLocked(lpszClass);
    if (!cls) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    lpwcx->style = cls->style;
    lpwcx->lpfnWndProc = cls->proc;
    lpwcx->cbClsExtra = 0;
    lpwcx->cbWndExtra = cls->wndExtra;
    lpwcx->hInstance = cls->instance;
    lpwcx->hIcon = cls->icon;
    lpwcx->hCursor = cls->cursor;
    lpwcx->hbrBackground = cls->background;
    lpwcx->lpszMenuName = nullptr;
    lpwcx->lpszClassName = lpszClass;
    lpwcx->hIconSm = nullptr;
    return cls->atom;
}

extern "C" int WINAPI GetClassNameW(HWND hWnd, LPWSTR lpClassName, int nMaxCount) {
    if (!lpClassName || nMaxCount <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::lock_guard guard(Lock());
    Window* w = FindLocked(hWnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return CopyText(w->cls->name, lpClassName, static_cast<size_t>(nMaxCount));
}
