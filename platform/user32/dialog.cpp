// Dialogs: the dialog manager reads a template (the extended DLGTEMPLATEEX form that the resource
// compiler writes, or the older DLGTEMPLATE), makes the dialog window and its controls at the template's
// dialog units, sends WM_INITDIALOG, and for DialogBox runs the modal loop until EndDialog. DefDlgProcW
// is the procedure of every dialog: it calls the dialog procedure and gives the dialog its defaults.
//
// Dialog units: a dialog's base units are 6 x 13 pixels for an 8-point template font at 96 pixels per
// inch and in proportion for other sizes (a 12-point font gives 9 x 20); a template without a font uses
// the system font's 8 x 16. A horizontal unit is a quarter of the base width, a vertical one an eighth
// of the base height.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "tvfrontend.h"
#include "user32_internal.h"

namespace u32 {

namespace {

struct ItemTemplate {
    DWORD helpId = 0, exStyle = 0, style = 0, id = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::wstring className;
    WORD classAtom = 0;
    std::wstring text;
    bool textIsOrdinal = false;
    WORD textOrdinal = 0;
};

struct DialogTemplate {
    DWORD style = 0, exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::wstring className;
    WORD classAtom = 0;
    std::wstring caption;
    bool hasFont = false;
    WORD pointSize = 0, weight = FW_NORMAL;
    BYTE italic = 0, charset = DEFAULT_CHARSET;
    std::wstring face;
    std::vector<ItemTemplate> items;
};

// Reads the fields of a template within its size; every read past the end fails the whole template.
class Reader {
public:
    Reader(const BYTE* data, size_t size) : data_(data), size_(size) {}
    bool ok() const { return ok_; }
    WORD U16() {
        WORD v = 0;
        Copy(&v, 2);
        return v;
    }
    DWORD U32() {
        DWORD v = 0;
        Copy(&v, 4);
        return v;
    }
    short S16() { return static_cast<short>(U16()); }
    BYTE U8() {
        BYTE v = 0;
        Copy(&v, 1);
        return v;
    }
    std::wstring Text() {
        std::wstring text;
        for (WORD c; ok_ && (c = U16()) != 0;)
            text += static_cast<WCHAR>(c);
        return text;
    }
    // A name or an ordinal: 0 (none), 0xFFFF followed by the ordinal, or text.
    void NameOrOrdinal(std::wstring& name, WORD& ordinal, bool* isOrdinal = nullptr) {
        WORD first = U16();
        if (first == 0xFFFF) {
            ordinal = U16();
            if (isOrdinal) *isOrdinal = true;
        } else if (first != 0) {
            name = static_cast<WCHAR>(first) + Text();
        }
    }
    void Align4() { at_ = std::min((at_ + 3) & ~size_t{3}, size_); }

private:
    void Copy(void* out, size_t n) {
        if (!ok_ || size_ - at_ < n) {
            ok_ = false;
            return;
        }
        std::memcpy(out, data_ + at_, n);
        at_ += n;
    }
    const BYTE* data_;
    size_t size_;
    size_t at_ = 0;
    bool ok_ = true;
};

bool ParseTemplate(const BYTE* data, size_t size, DialogTemplate& t) {
    Reader r(data, size);
    WORD version = r.U16(), signature = r.U16();
    bool extended = version == 1 && signature == 0xFFFF;
    Reader classic(data, size);
    if (extended) {
        r.U32(); // help id
        t.exStyle = r.U32();
        t.style = r.U32();
    } else {
        r = classic;
        t.style = r.U32();
        t.exStyle = r.U32();
    }
    WORD count = r.U16();
    t.x = r.S16();
    t.y = r.S16();
    t.cx = r.S16();
    t.cy = r.S16();
    std::wstring menu;
    WORD menuId = 0;
    r.NameOrOrdinal(menu, menuId); // menus are not drawn here
    r.NameOrOrdinal(t.className, t.classAtom);
    t.caption = r.Text();
    if (t.style & DS_SETFONT) {
        t.hasFont = true;
        t.pointSize = r.U16();
        if (extended) {
            t.weight = r.U16();
            t.italic = r.U8();
            t.charset = r.U8();
        }
        t.face = r.Text();
    }
    for (WORD i = 0; i < count && r.ok(); ++i) {
        r.Align4();
        ItemTemplate item;
        if (extended) {
            item.helpId = r.U32();
            item.exStyle = r.U32();
            item.style = r.U32();
        } else {
            item.style = r.U32();
            item.exStyle = r.U32();
        }
        item.x = r.S16();
        item.y = r.S16();
        item.cx = r.S16();
        item.cy = r.S16();
        item.id = extended ? r.U32() : r.U16();
        r.NameOrOrdinal(item.className, item.classAtom);
        r.NameOrOrdinal(item.text, item.textOrdinal, &item.textIsOrdinal);
        WORD extra = r.U16();
        // Creation data is skipped: no control here takes any.
        for (WORD b = 0; b < extra; ++b)
            r.U8();
        t.items.push_back(std::move(item));
    }
    return r.ok();
}

LPCWSTR ControlClass(const ItemTemplate& item) {
    switch (item.classAtom) {
    case 0x80:
        return L"Button";
    case 0x81:
        return L"Edit";
    case 0x82:
        return L"Static";
    case 0x83:
        return L"ListBox";
    case 0x84:
        return L"ScrollBar";
    case 0x85:
        return L"ComboBox";
    default:
        return item.className.empty() ? MAKEINTATOM(item.classAtom) : item.className.c_str();
    }
}

int Scale(int units, int base, int divisor) {
    return static_cast<int>(std::lround(static_cast<double>(units) * base / divisor));
}

HWND CreateFromTemplate(HINSTANCE instance, const DialogTemplate& t, HWND parent, DLGPROC proc, LPARAM param,
                        bool modal) {
    auto info = std::make_unique<DialogInfo>();
    info->modal = modal;
    if (t.hasFont) {
        LOGFONTW lf{};
        lf.lfHeight = -static_cast<LONG>(std::lround(t.pointSize * 96.0 / 72.0));
        lf.lfWeight = t.weight;
        lf.lfItalic = t.italic;
        lf.lfCharSet = t.charset;
        t.face.copy(lf.lfFaceName, LF_FACESIZE - 1);
        info->ownedFont = CreateFontIndirectW(&lf);
        info->baseX = std::max(1, static_cast<int>(std::lround(6.0 * t.pointSize / 8.0)));
        info->baseY = std::max(1, static_cast<int>(std::lround(13.0 * t.pointSize / 8.0)));
    }
    int baseX = info->baseX, baseY = info->baseY;
    HFONT font = info->ownedFont;
    LPCWSTR className =
        t.className.empty() ? (t.classAtom ? MAKEINTATOM(t.classAtom) : WC_DIALOG) : t.className.c_str();
    DWORD style = t.style & ~WS_VISIBLE; // shown once it is complete
    HWND dialog = CreateWindowExW(t.exStyle, className, t.caption.c_str(), style, Scale(t.x, baseX, 4),
                                  Scale(t.y, baseY, 8), Scale(t.cx, baseX, 4), Scale(t.cy, baseY, 8), parent,
                                  nullptr, instance, nullptr);
    if (!dialog) {
        if (font) DeleteObject(font);
        return nullptr;
    }
    {
        std::lock_guard guard(Lock());
        FindLocked(dialog)->dialog = std::move(info);
    }
    SetWindowLongPtrW(dialog, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(proc));
    if (font) SendMessageW(dialog, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);

    for (const ItemTemplate& item : t.items) {
        WCHAR ordinal[3] = {0xFFFF, item.textOrdinal, 0};
        LPCWSTR text = item.textIsOrdinal ? ordinal : item.text.c_str();
        HWND control =
            CreateWindowExW(item.exStyle | WS_EX_NOPARENTNOTIFY, ControlClass(item), text,
                            item.style | WS_CHILD, Scale(item.x, baseX, 4), Scale(item.y, baseY, 8),
                            Scale(item.cx, baseX, 4), Scale(item.cy, baseY, 8), dialog,
                            reinterpret_cast<HMENU>(static_cast<UINT_PTR>(item.id)), instance, nullptr);
        if (!control) {
            if (t.style & DS_NOFAILCREATE) continue;
            DestroyWindow(dialog);
            SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
            return nullptr;
        }
        if (font) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }

    HWND focus = NextTabItem(dialog, nullptr, false);
    if (SendMessageW(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(focus), param) && focus &&
        IsWindow(focus))
        SetFocus(focus);
    if (!IsWindow(dialog)) return nullptr; // destroyed by its own WM_INITDIALOG
    if ((t.style & WS_VISIBLE) && !modal) ShowWindow(dialog, SW_SHOWNORMAL);
    return dialog;
}

HWND CreateIndirect(HINSTANCE instance, const BYTE* data, size_t size, HWND parent, DLGPROC proc,
                    LPARAM param, bool modal) {
    // No module is the program's own, for the dialog and for the images its controls load.
    if (!instance) instance = GetModuleHandleW(nullptr);
    DialogTemplate t;
    if (!data || !ParseTemplate(data, size, t)) {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    return CreateFromTemplate(instance, t, parent, proc, param, modal);
}

HWND CreateFromResource(HINSTANCE instance, LPCWSTR name, HWND parent, DLGPROC proc, LPARAM param,
                        bool modal) {
    const BYTE* data;
    DWORD size;
    if (!ResourceBytes(instance, name, RT_DIALOG, data, size)) return nullptr;
    return CreateIndirect(instance, data, size, parent, proc, param, modal);
}

bool Ended(HWND dialog) {
    std::lock_guard guard(Lock());
    DialogInfo* info = DialogLocked(dialog);
    return !info || info->ended;
}

// The modal loop of DialogBox: the owner stays disabled until the dialog ends; a quit request ends the
// loop and is posted again for the loop outside.
INT_PTR RunModal(HWND dialog, HWND owner) {
    if (owner && IsWindowEnabled(owner) && !Ended(dialog)) {
        EnableWindow(owner, FALSE);
        std::lock_guard guard(Lock());
        if (DialogInfo* info = DialogLocked(dialog)) info->disabledOwner = owner;
    }
    if (!Ended(dialog)) ShowWindow(dialog, SW_SHOWNORMAL);
    MSG msg;
    while (!Ended(dialog)) {
        if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                break;
            }
            if (!IsDialogMessageW(dialog, &msg)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
            continue;
        }
        if (!Ended(dialog)) WaitForInput(INFINITE);
    }
    INT_PTR result = 0;
    HWND disabled = nullptr;
    {
        std::lock_guard guard(Lock());
        if (DialogInfo* info = DialogLocked(dialog)) {
            result = info->ended ? info->result : 0;
            disabled = info->disabledOwner;
            info->disabledOwner = nullptr;
        }
    }
    if (disabled) EnableWindow(disabled, TRUE);
    if (IsWindow(dialog)) DestroyWindow(dialog);
    return result;
}

bool TakesTab(HWND hwnd) {
    DWORD style = static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE));
    return (style & WS_TABSTOP) && (style & WS_VISIBLE) && !(style & WS_DISABLED);
}

// The control a dialog's Enter key presses: DM_SETDEFID's, else the default push button, else IDOK.
WORD DefaultId(HWND dialog) {
    {
        std::lock_guard guard(Lock());
        if (DialogInfo* info = DialogLocked(dialog); info && info->defId) return info->defId;
    }
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (SendMessageW(child, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON)
            return static_cast<WORD>(GetDlgCtrlID(child));
    return IDOK;
}

} // namespace

HWND NextTabItem(HWND dialog, HWND from, bool previous) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    if (previous) std::reverse(children.begin(), children.end());
    auto start = std::find(children.begin(), children.end(), from);
    size_t first = start == children.end() ? 0 : static_cast<size_t>(start - children.begin()) + 1;
    for (size_t i = 0; i < children.size(); ++i) {
        HWND candidate = children[(first + i) % children.size()];
        if (TakesTab(candidate)) return candidate;
    }
    return nullptr;
}

} // namespace u32

using namespace u32;

extern "C" INT_PTR WINAPI DialogBoxParamW(HINSTANCE hInstance, LPCWSTR lpTemplateName, HWND hWndParent,
                                          DLGPROC lpDialogFunc, LPARAM dwInitParam) {
    HWND owner = hWndParent ? GetAncestor(hWndParent, GA_ROOT) : nullptr;
    HWND dialog = CreateFromResource(hInstance, lpTemplateName, owner, lpDialogFunc, dwInitParam, true);
    return dialog ? RunModal(dialog, owner) : -1;
}

extern "C" INT_PTR WINAPI DialogBoxIndirectParamW(HINSTANCE hInstance, LPCDLGTEMPLATEW hDialogTemplate,
                                                  HWND hWndParent, DLGPROC lpDialogFunc, LPARAM dwInitParam) {
    HWND owner = hWndParent ? GetAncestor(hWndParent, GA_ROOT) : nullptr;
    // The caller's own template in memory: its size is what the template says it is.
    HWND dialog = CreateIndirect(hInstance, reinterpret_cast<const BYTE*>(hDialogTemplate), SIZE_MAX / 2,
                                 owner, lpDialogFunc, dwInitParam, true);
    return dialog ? RunModal(dialog, owner) : -1;
}

extern "C" HWND WINAPI CreateDialogParamW(HINSTANCE hInstance, LPCWSTR lpTemplateName, HWND hWndParent,
                                          DLGPROC lpDialogFunc, LPARAM dwInitParam) {
    return CreateFromResource(hInstance, lpTemplateName, hWndParent, lpDialogFunc, dwInitParam, false);
}

extern "C" HWND WINAPI CreateDialogIndirectParamW(HINSTANCE hInstance, LPCDLGTEMPLATEW lpTemplate,
                                                  HWND hWndParent, DLGPROC lpDialogFunc, LPARAM dwInitParam) {
    return CreateIndirect(hInstance, reinterpret_cast<const BYTE*>(lpTemplate), SIZE_MAX / 2, hWndParent,
                          lpDialogFunc, dwInitParam, false);
}

// Ends the dialog at once for the code that called it (the modal loop returns after the current
// message); the owner is enabled again before the dialog goes, as documented.
extern "C" BOOL WINAPI EndDialog(HWND hDlg, INT_PTR nResult) {
    HWND owner;
    std::shared_ptr<ThreadQueue> queue;
    {
        std::lock_guard guard(Lock());
        Window* w = FindLocked(hDlg);
        if (!w || !w->dialog) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        w->dialog->ended = true;
        w->dialog->result = nResult;
        owner = w->dialog->disabledOwner;
        w->dialog->disabledOwner = nullptr;
        queue = w->queue;
    }
    if (owner) EnableWindow(owner, TRUE);
    ShowWindow(hDlg, SW_HIDE);
    PostMessageW(hDlg, WM_NULL, 0, 0); // wakes a modal loop that waits for input
    return TRUE;
}

extern "C" LRESULT WINAPI DefDlgProcW(HWND hDlg, UINT Msg, WPARAM wParam, LPARAM lParam) {
    auto proc = reinterpret_cast<DLGPROC>(GetWindowLongPtrW(hDlg, DWLP_DLGPROC));
    if (proc) {
        SetWindowLongPtrW(hDlg, DWLP_MSGRESULT, 0);
        INT_PTR handled = proc(hDlg, Msg, wParam, lParam);
        if (handled) {
            switch (Msg) {
            case WM_INITDIALOG:
            case WM_CTLCOLORMSGBOX:
            case WM_CTLCOLOREDIT:
            case WM_CTLCOLORLISTBOX:
            case WM_CTLCOLORBTN:
            case WM_CTLCOLORDLG:
            case WM_CTLCOLORSCROLLBAR:
            case WM_CTLCOLORSTATIC:
                return handled;
            default:
                return IsWindow(hDlg) ? GetWindowLongPtrW(hDlg, DWLP_MSGRESULT) : 0;
            }
        }
    }
    switch (Msg) {
    case WM_INITDIALOG:
        return FALSE;
    case WM_CLOSE:
        // A dialog closes as its Cancel button would, if the dialog procedure takes that command.
        PostMessageW(hDlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(hDlg, IDCANCEL)));
        return 0;
    case WM_SETFONT: {
        std::lock_guard guard(Lock());
        if (DialogInfo* info = DialogLocked(hDlg)) info->font = reinterpret_cast<HFONT>(wParam);
        return 0;
    }
    case WM_GETFONT: {
        std::lock_guard guard(Lock());
        DialogInfo* info = DialogLocked(hDlg);
        return info ? reinterpret_cast<LRESULT>(info->font) : 0;
    }
    case WM_SETFOCUS:
        if (HWND first = NextTabItem(hDlg, nullptr, false)) SetFocus(first);
        return 0;
    case WM_NEXTDLGCTL: {
        HWND target =
            LOWORD(lParam) ? reinterpret_cast<HWND>(wParam) : NextTabItem(hDlg, GetFocus(), wParam != 0);
        if (target) SetFocus(target);
        return 0;
    }
    case DM_GETDEFID: {
        WORD id = DefaultId(hDlg);
        return MAKELRESULT(id, DC_HASDEFID);
    }
    case DM_SETDEFID: {
        std::lock_guard guard(Lock());
        if (DialogInfo* info = DialogLocked(hDlg)) info->defId = LOWORD(wParam);
        return TRUE;
    }
    case WM_GETDLGCODE:
        return 0;
    default:
        return DefWindowProcW(hDlg, Msg, wParam, lParam);
    }
}

extern "C" BOOL WINAPI IsDialogMessageW(HWND hDlg, LPMSG lpMsg) {
    if (!lpMsg || !lpMsg->hwnd || (lpMsg->hwnd != hDlg && !IsChild(hDlg, lpMsg->hwnd))) return FALSE;
    if (lpMsg->message == WM_KEYDOWN) {
        switch (lpMsg->wParam) {
        case VK_ESCAPE:
            SendMessageW(hDlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(hDlg, IDCANCEL)));
            return TRUE;
        case VK_RETURN:
            if (!(SendMessageW(lpMsg->hwnd, WM_GETDLGCODE, 0, 0) & DLGC_WANTALLKEYS)) {
                WORD id = DefaultId(hDlg);
                SendMessageW(hDlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                             reinterpret_cast<LPARAM>(GetDlgItem(hDlg, id)));
                return TRUE;
            }
            break;
        case VK_TAB:
            SendMessageW(hDlg, WM_NEXTDLGCTL, 0, 0);
            return TRUE;
        }
    }
    DispatchMessageW(lpMsg);
    return TRUE;
}

extern "C" BOOL WINAPI MapDialogRect(HWND hDlg, LPRECT lpRect) {
    if (!lpRect) return FALSE;
    int baseX, baseY;
    {
        std::lock_guard guard(Lock());
        DialogInfo* info = DialogLocked(hDlg);
        if (!info) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        baseX = info->baseX;
        baseY = info->baseY;
    }
    lpRect->left = Scale(lpRect->left, baseX, 4);
    lpRect->right = Scale(lpRect->right, baseX, 4);
    lpRect->top = Scale(lpRect->top, baseY, 8);
    lpRect->bottom = Scale(lpRect->bottom, baseY, 8);
    return TRUE;
}

extern "C" LONG WINAPI GetDialogBaseUnits(void) {
    return MAKELONG(8, 16);
}
