// Property sheets and wizards. PropertySheetW makes the sheet, a dialog holding the pages' dialogs and
// its own buttons (OK, Cancel, Apply; or Back, Next, Finish, Cancel), and for a wizard in the Wizard97
// style the header (title, subtitle, header bitmap) of interior pages and the watermark of exterior
// (PSP_HIDEHEADER) pages. The sheet talks to its pages with the documented notifications and takes
// their answers from DWLP_MSGRESULT:
//
// - a page change sends PSN_KILLACTIVE to the page that goes (non-zero keeps it) and PSN_SETACTIVE to
//   the one that comes (0 accepts, -1 passes on to the next page in the same direction, a dialog id
//   jumps to that page);
// - Next and Back send PSN_WIZNEXT and PSN_WIZBACK (0 moves to the adjacent page, -1 stays, a dialog
//   id jumps); Finish sends PSN_WIZFINISH (non-zero keeps the wizard open);
// - OK and Apply send PSN_KILLACTIVE to the current page, then PSN_APPLY to every page made so far
//   (PSNRET_INVALID keeps the sheet open on that page, PSNRET_INVALID_NOCHANGEPAGE on the current one);
// - Cancel sends PSN_QUERYCANCEL to the current page (non-zero keeps the sheet open), then PSN_RESET to
//   every page made so far.
//
// A pressed button (PSM_PRESSBUTTON) acts whether or not it is enabled: a wizard's worker presses Next
// on a progress page whose buttons are all disabled.
#include <map>
#include <mutex>
#include <optional>
#include <vector>

#include "comctl32_internal.h"
#include "tvfrontend.h"
#include "tvinput.h"

namespace {

using namespace cc;

// The layout, in the sheet's dialog units.
constexpr int kMargin = 7, kGap = 4, kButtonWidth = 50, kButtonHeight = 14, kTabs = 14, kHeader = 50,
              kWatermark = 110;

struct SheetPage {
    HPROPSHEETPAGE handle = nullptr;
    std::shared_ptr<Page> page;
    HWND hwnd = nullptr;
    bool changed = false;
    std::optional<std::wstring> headerTitle, headerSubTitle; // set by PSM_SETHEADERTITLE / SUBTITLE
    std::wstring caption;                                    // the template's
};

struct Sheet {
    DWORD flags = 0;
    HWND hwnd = nullptr;
    HWND owner = nullptr;
    HINSTANCE instance = nullptr;
    std::wstring caption;
    PFNPROPSHEETCALLBACK callback = nullptr;
    HBITMAP watermark = nullptr, header = nullptr;
    bool ownWatermark = false, ownHeader = false;
    std::vector<SheetPage> pages;
    int current = -1;
    bool closed = false;
    INT_PTR result = 0;
    bool saved = false;
    RECT area{}; // where pages go, in pixels
    int headerHeight = 0;

    bool Wizard() const {
        return (flags & (PSH_WIZARD | PSH_WIZARD97 | PSH_WIZARD_LITE | PSH_AEROWIZARD)) != 0;
    }
    bool Wizard97() const { return (flags & PSH_WIZARD97) != 0; }
    HWND Item(int id) const { return GetDlgItem(hwnd, id); }
};

std::mutex g_lock;
std::map<HWND, std::shared_ptr<Sheet>>& Sheets() {
    static auto* sheets = new std::map<HWND, std::shared_ptr<Sheet>>;
    return *sheets;
}

bool Exterior(const SheetPage& p) {
    return (p.page->psp()->dwFlags & PSP_HIDEHEADER) != 0;
}

LRESULT NotifyPage(Sheet& s, int index, UINT code, LPARAM lParam = 0) {
    if (index < 0 || static_cast<size_t>(index) >= s.pages.size() || !IsWindow(s.pages[index].hwnd)) return 0;
    PSHNOTIFY n{};
    n.hdr.hwndFrom = s.hwnd;
    n.hdr.idFrom = 0;
    n.hdr.code = code;
    n.lParam = lParam;
    return SendMessageW(s.pages[index].hwnd, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&n));
}

int IndexOfId(const Sheet& s, LRESULT id) {
    for (size_t i = 0; i < s.pages.size(); ++i)
        if (reinterpret_cast<LRESULT>(s.pages[i].page->psp()->pszTemplate) == id) return static_cast<int>(i);
    return -1;
}

int IndexOfWindow(const Sheet& s, HWND page) {
    for (size_t i = 0; i < s.pages.size(); ++i)
        if (s.pages[i].hwnd == page) return static_cast<int>(i);
    return -1;
}

int IndexOfHandle(const Sheet& s, HPROPSHEETPAGE handle) {
    for (size_t i = 0; i < s.pages.size(); ++i)
        if (s.pages[i].handle == handle) return static_cast<int>(i);
    return -1;
}

std::wstring PageTitle(const SheetPage& p) {
    const PROPSHEETPAGEW& psp = *p.page->psp();
    return (psp.dwFlags & PSP_USETITLE) ? PageText(psp, psp.pszTitle) : p.caption;
}

// The front end hears of a sheet's changes once it has seen the sheet open, and until it closes.
void Tell(const Sheet& s, UINT change) {
    if (!s.closed && IsWindowVisible(s.hwnd)) TvWindowChanged(s.hwnd, change);
}

RECT Units(HWND sheet, int x, int y, int cx, int cy) {
    RECT r{x, y, x + cx, y + cy};
    MapDialogRect(sheet, &r);
    return r;
}

HWND AddChild(Sheet& s, LPCWSTR cls, LPCWSTR text, DWORD style, int id, RECT r) {
    HWND child =
        CreateWindowExW(0, cls, text, WS_CHILD | style, r.left, r.top, r.right - r.left, r.bottom - r.top,
                        s.hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    SendMessageW(child, WM_SETFONT, SendMessageW(s.hwnd, WM_GETFONT, 0, 0), FALSE);
    return child;
}

// What the sheet shows around the current page: the title bar, and a Wizard97 wizard's header (interior
// pages) or watermark (exterior pages).
void ShowFrame(Sheet& s) {
    if (s.current < 0) return;
    SheetPage& p = s.pages[static_cast<size_t>(s.current)];
    const PROPSHEETPAGEW& psp = *p.page->psp();
    std::wstring title = s.caption;
    if (s.Wizard() && (psp.dwFlags & PSP_USETITLE))
        title = PageText(psp, psp.pszTitle);
    else if (!s.Wizard() && (s.flags & PSH_PROPTITLE))
        title = L"Properties for " + s.caption;
    SetWindowTextW(s.hwnd, title.c_str());
    if (!s.Wizard97()) return;
    bool exterior = Exterior(p);
    std::wstring headerTitle = p.headerTitle.value_or(
        (psp.dwFlags & PSP_USEHEADERTITLE) ? PageText(psp, psp.pszHeaderTitle) : std::wstring());
    std::wstring subTitle = p.headerSubTitle.value_or(
        (psp.dwFlags & PSP_USEHEADERSUBTITLE) ? PageText(psp, psp.pszHeaderSubTitle) : std::wstring());
    SetDlgItemTextW(s.hwnd, TV_IDC_SHEET_HEADERTITLE, headerTitle.c_str());
    SetDlgItemTextW(s.hwnd, TV_IDC_SHEET_HEADERSUBTITLE, subTitle.c_str());
    int headerShow = exterior ? SW_HIDE : SW_SHOW;
    ShowWindow(s.Item(TV_IDC_SHEET_HEADERTITLE), headerShow);
    ShowWindow(s.Item(TV_IDC_SHEET_HEADERSUBTITLE), headerShow);
    ShowWindow(s.Item(TV_IDC_SHEET_HEADERBITMAP), s.header && !exterior ? SW_SHOW : SW_HIDE);
    ShowWindow(s.Item(TV_IDC_SHEET_WATERMARK), s.watermark && exterior ? SW_SHOW : SW_HIDE);
}

bool MakePageWindow(Sheet& s, int index) {
    SheetPage& p = s.pages[static_cast<size_t>(index)];
    if (IsWindow(p.hwnd)) return true;
    HWND hwnd = CreatePageDialog(*p.page, s.hwnd);
    if (!hwnd) return false;
    // The sheet may have changed while the page's WM_INITDIALOG ran.
    index = IndexOfHandle(s, p.handle);
    if (index < 0) {
        DestroyWindow(hwnd);
        return false;
    }
    SheetPage& q = s.pages[static_cast<size_t>(index)];
    q.hwnd = hwnd;
    RECT r = s.area;
    if (s.Wizard97() && !Exterior(q)) r.top += s.headerHeight;
    MoveWindow(hwnd, r.left, r.top, r.right - r.left, r.bottom - r.top, FALSE);
    return true;
}

// Moves to page `target`, going on in `direction` (+1, -1) while pages answer PSN_SETACTIVE with -1;
// with `kill` the current page first gets PSN_KILLACTIVE.
bool ChangePage(Sheet& s, int target, int direction, bool kill) {
    int count = static_cast<int>(s.pages.size());
    if (target < 0 || target >= count) return false;
    if (kill && s.current >= 0 && s.current != target && NotifyPage(s, s.current, PSN_KILLACTIVE) != 0)
        return false;
    for (int tries = 0; tries <= count && target >= 0 && target < static_cast<int>(s.pages.size()); ++tries) {
        if (!MakePageWindow(s, target)) {
            target += direction ? direction : 1;
            continue;
        }
        LRESULT answer = NotifyPage(s, target, PSN_SETACTIVE);
        if (answer == 0) {
            int previous = s.current;
            s.current = target;
            if (previous >= 0 && previous != target && previous < static_cast<int>(s.pages.size()))
                ShowWindow(s.pages[static_cast<size_t>(previous)].hwnd, SW_HIDE);
            ShowWindow(s.pages[static_cast<size_t>(target)].hwnd, SW_SHOW);
            ShowFrame(s);
            Tell(s, TVWC_PAGE);
            return true;
        }
        if (answer == -1) {
            target += direction ? direction : 1;
        } else {
            int jump = IndexOfId(s, answer);
            if (jump < 0) return false;
            target = jump;
        }
    }
    return false;
}

void Close(Sheet& s, INT_PTR result) {
    s.closed = true;
    s.result = result;
    // A modal sheet ends its loop; a modeless one waits, hidden, for its owner to destroy it.
    if (s.flags & PSH_MODELESS) ShowWindow(s.hwnd, SW_HIDE);
    PostMessageW(s.hwnd, WM_NULL, 0, 0);
}

void WizardMove(Sheet& s, int direction) {
    if (s.current < 0) return;
    LRESULT answer = NotifyPage(s, s.current, direction > 0 ? PSN_WIZNEXT : PSN_WIZBACK);
    if (answer == -1) return;
    int target = answer == 0 ? s.current + direction : IndexOfId(s, answer);
    if (target < 0 || target >= static_cast<int>(s.pages.size())) return;
    ChangePage(s, target, direction, true);
}

void WizardFinish(Sheet& s) {
    LRESULT answer = NotifyPage(s, s.current, PSN_WIZFINISH);
    if (answer != 0) {
        // A window handle of the page answers too, and takes the focus.
        if (IsWindow(reinterpret_cast<HWND>(answer))) SetFocus(reinterpret_cast<HWND>(answer));
        return;
    }
    Close(s, 1);
}

// Apply or OK: true when every page accepted its changes.
bool Apply(Sheet& s, bool ok) {
    if (s.current >= 0 && NotifyPage(s, s.current, PSN_KILLACTIVE) != 0) return false;
    for (size_t i = 0; i < s.pages.size(); ++i) {
        if (!IsWindow(s.pages[i].hwnd)) continue;
        LRESULT answer = NotifyPage(s, static_cast<int>(i), PSN_APPLY, ok ? TRUE : FALSE);
        if (answer == PSNRET_INVALID) {
            if (static_cast<int>(i) != s.current) ChangePage(s, static_cast<int>(i), 0, false);
            return false;
        }
        if (answer == PSNRET_INVALID_NOCHANGEPAGE) return false;
    }
    s.saved = true;
    for (SheetPage& p : s.pages)
        p.changed = false;
    EnableWindow(s.Item(ID_APPLY_NOW), FALSE);
    return true;
}

void Cancel(Sheet& s) {
    if (NotifyPage(s, s.current, PSN_QUERYCANCEL) != 0) return;
    for (size_t i = 0; i < s.pages.size(); ++i)
        NotifyPage(s, static_cast<int>(i), PSN_RESET);
    Close(s, s.saved ? 1 : 0);
}

void SetWizardButtons(Sheet& s, DWORD flags) {
    bool finish = (flags & (PSWIZB_FINISH | PSWIZB_DISABLEDFINISH)) != 0;
    bool both = (s.flags & PSH_WIZARDHASFINISH) != 0;
    EnableWindow(s.Item(ID_WIZBACK), (flags & PSWIZB_BACK) != 0);
    ShowWindow(s.Item(ID_WIZBACK), SW_SHOW);
    ShowWindow(s.Item(ID_WIZNEXT), finish && !both ? SW_HIDE : SW_SHOW);
    EnableWindow(s.Item(ID_WIZNEXT), (flags & PSWIZB_NEXT) != 0);
    ShowWindow(s.Item(ID_WIZFINISH), finish || both ? SW_SHOW : SW_HIDE);
    EnableWindow(s.Item(ID_WIZFINISH), (flags & PSWIZB_FINISH) != 0);
    Tell(s, TVWC_BUTTONS);
}

void Press(Sheet& s, int button) {
    switch (button) {
    case PSBTN_BACK:
        WizardMove(s, -1);
        break;
    case PSBTN_NEXT:
        WizardMove(s, +1);
        break;
    case PSBTN_FINISH:
        WizardFinish(s);
        break;
    case PSBTN_OK:
        if (Apply(s, true)) Close(s, 1);
        break;
    case PSBTN_APPLYNOW:
        Apply(s, false);
        break;
    case PSBTN_CANCEL:
        Cancel(s);
        break;
    case PSBTN_HELP:
        NotifyPage(s, s.current, PSN_HELP);
        break;
    }
}

void RemovePage(Sheet& s, int index) {
    if (index < 0 || static_cast<size_t>(index) >= s.pages.size()) return;
    if (index == s.current) {
        // Another page takes the place of the one that goes, without asking the one that goes.
        int next = index + 1 < static_cast<int>(s.pages.size()) ? index + 1 : index - 1;
        s.current = -1;
        if (next >= 0) ChangePage(s, next, next > index ? 1 : -1, false);
    }
    index = std::min(index, static_cast<int>(s.pages.size()) - 1);
    SheetPage gone = s.pages[static_cast<size_t>(index)];
    s.pages.erase(s.pages.begin() + index);
    if (s.current > index) --s.current;
    if (IsWindow(gone.hwnd)) DestroyWindow(gone.hwnd);
    DestroyPage(gone.handle);
}

bool AddPage(Sheet& s, HPROPSHEETPAGE handle, size_t at) {
    std::shared_ptr<Page> page = FindPage(handle);
    if (!page) return false;
    SheetPage p;
    p.handle = handle;
    p.page = page;
    SIZE size;
    PageTemplateInfo(*page->psp(), size, p.caption);
    at = std::min(at, s.pages.size());
    s.pages.insert(s.pages.begin() + static_cast<std::ptrdiff_t>(at), std::move(p));
    if (s.current >= static_cast<int>(at)) ++s.current;
    return true;
}

// The messages of the sheet; true with `result` when the sheet handled the message.
bool Handle(Sheet& s, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    result = 0;
    switch (message) {
    case WM_COMMAND:
        if (HIWORD(wParam) != BN_CLICKED) return false;
        switch (LOWORD(wParam)) {
        case IDOK:
            Press(s, PSBTN_OK);
            return true;
        case IDCANCEL:
            Press(s, PSBTN_CANCEL);
            return true;
        case ID_APPLY_NOW:
            Press(s, PSBTN_APPLYNOW);
            return true;
        case ID_WIZBACK:
            Press(s, PSBTN_BACK);
            return true;
        case ID_WIZNEXT:
            Press(s, PSBTN_NEXT);
            return true;
        case ID_WIZFINISH:
            Press(s, PSBTN_FINISH);
            return true;
        case IDHELP:
            Press(s, PSBTN_HELP);
            return true;
        }
        return false;
    case PSM_PRESSBUTTON:
        if (!s.closed) Press(s, static_cast<int>(wParam));
        return true;
    case PSM_SETWIZBUTTONS:
        SetWizardButtons(s, static_cast<DWORD>(lParam));
        return true;
    case PSM_CHANGED:
    case PSM_UNCHANGED: {
        int index = IndexOfWindow(s, reinterpret_cast<HWND>(wParam));
        if (index < 0) return true;
        s.pages[static_cast<size_t>(index)].changed = message == PSM_CHANGED;
        bool any = false;
        for (const SheetPage& p : s.pages)
            any = any || p.changed;
        EnableWindow(s.Item(ID_APPLY_NOW), any);
        Tell(s, TVWC_BUTTONS);
        return true;
    }
    case PSM_SETCURSEL: {
        int index =
            lParam ? IndexOfHandle(s, reinterpret_cast<HPROPSHEETPAGE>(lParam)) : static_cast<int>(wParam);
        result = ChangePage(s, index, 0, true);
        return true;
    }
    case PSM_SETCURSELID:
        result = ChangePage(s, IndexOfId(s, lParam), 0, true);
        return true;
    case PSM_ADDPAGE:
        result = AddPage(s, reinterpret_cast<HPROPSHEETPAGE>(lParam), s.pages.size());
        Tell(s, TVWC_BUTTONS);
        return true;
    case PSM_INSERTPAGE: {
        size_t at = s.pages.size();
        if (IS_INTRESOURCE(wParam)) {
            at = wParam;
        } else {
            int after = IndexOfHandle(s, reinterpret_cast<HPROPSHEETPAGE>(wParam));
            at = after < 0 ? 0 : static_cast<size_t>(after) + 1;
        }
        result = AddPage(s, reinterpret_cast<HPROPSHEETPAGE>(lParam), at);
        return true;
    }
    case PSM_REMOVEPAGE:
        RemovePage(s, lParam ? IndexOfHandle(s, reinterpret_cast<HPROPSHEETPAGE>(lParam))
                             : static_cast<int>(wParam));
        Tell(s, TVWC_BUTTONS);
        return true;
    case PSM_GETCURRENTPAGEHWND:
        result = s.closed || s.current < 0
                     ? 0
                     : reinterpret_cast<LRESULT>(s.pages[static_cast<size_t>(s.current)].hwnd);
        return true;
    case PSM_GETRESULT:
        result = s.closed ? s.result : -1;
        return true;
    case PSM_GETTABCONTROL:
        return true;
    case PSM_ISDIALOGMESSAGE:
        result = lParam && IsDialogMessageW(s.hwnd, reinterpret_cast<LPMSG>(lParam));
        return true;
    case PSM_APPLY:
        result = Apply(s, false);
        return true;
    case PSM_QUERYSIBLINGS:
        for (size_t i = 0; i < s.pages.size() && result == 0; ++i)
            if (IsWindow(s.pages[i].hwnd))
                result = SendMessageW(s.pages[i].hwnd, PSM_QUERYSIBLINGS, wParam, lParam);
        return true;
    case PSM_CANCELTOCLOSE:
        SetDlgItemTextW(s.hwnd, IDOK, L"Close");
        EnableWindow(s.Item(IDCANCEL), FALSE);
        Tell(s, TVWC_BUTTONS);
        return true;
    case PSM_RESTARTWINDOWS:
    case PSM_REBOOTSYSTEM:
        s.saved = true;
        return true;
    case PSM_SETTITLEW: {
        auto text = reinterpret_cast<LPCWSTR>(lParam);
        WCHAR buffer[256] = L"";
        if (text && IS_INTRESOURCE(text)) {
            LoadStringW(s.instance, LOWORD(text), buffer, 256);
            text = buffer;
        }
        s.caption = text ? text : L"";
        s.flags = (s.flags & ~PSH_PROPTITLE) | (wParam & PSH_PROPTITLE);
        ShowFrame(s);
        Tell(s, TVWC_BUTTONS);
        return true;
    }
    case PSM_SETFINISHTEXTW:
        // The Finish button with this text takes the place of Next, and Back goes.
        SetDlgItemTextW(s.hwnd, ID_WIZFINISH, lParam ? reinterpret_cast<LPCWSTR>(lParam) : L"");
        ShowWindow(s.Item(ID_WIZFINISH), SW_SHOW);
        EnableWindow(s.Item(ID_WIZFINISH), TRUE);
        ShowWindow(s.Item(ID_WIZNEXT), SW_HIDE);
        ShowWindow(s.Item(ID_WIZBACK), SW_HIDE);
        Tell(s, TVWC_BUTTONS);
        return true;
    case PSM_SETHEADERTITLEW:
    case PSM_SETHEADERSUBTITLEW: {
        if (wParam >= s.pages.size()) return true;
        std::wstring text = lParam ? reinterpret_cast<LPCWSTR>(lParam) : L"";
        SheetPage& p = s.pages[wParam];
        (message == PSM_SETHEADERTITLEW ? p.headerTitle : p.headerSubTitle) = text;
        if (static_cast<int>(wParam) == s.current) ShowFrame(s);
        return true;
    }
    case PSM_HWNDTOINDEX:
        result = IndexOfWindow(s, reinterpret_cast<HWND>(wParam));
        return true;
    case PSM_INDEXTOHWND:
        result = wParam < s.pages.size() ? reinterpret_cast<LRESULT>(s.pages[wParam].hwnd) : 0;
        return true;
    case PSM_PAGETOINDEX:
        result = IndexOfHandle(s, reinterpret_cast<HPROPSHEETPAGE>(lParam));
        return true;
    case PSM_INDEXTOPAGE:
        result = wParam < s.pages.size() ? reinterpret_cast<LRESULT>(s.pages[wParam].handle) : 0;
        return true;
    case PSM_IDTOINDEX:
        result = IndexOfId(s, lParam);
        return true;
    case PSM_INDEXTOID:
        result =
            wParam < s.pages.size() ? reinterpret_cast<LRESULT>(s.pages[wParam].page->psp()->pszTemplate) : 0;
        return true;
    case WM_CLOSE:
        Press(s, PSBTN_CANCEL);
        return true;
    case TVM_GETSTATE: {
        auto* state = reinterpret_cast<tvp::WindowState*>(lParam);
        state->kind = tvp::Kind::PropertySheet;
        state->wizard = s.Wizard();
        state->items.clear();
        for (const SheetPage& p : s.pages)
            state->items.push_back(tvp::ListItem{PageTitle(p), {}, -1, false, false});
        state->selection = s.closed ? -1 : s.current;
        if (s.current >= 0 && !s.closed) state->items[static_cast<size_t>(s.current)].selected = true;
        return true;
    }
    default:
        return false;
    }
}

INT_PTR CALLBACK SheetProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        return FALSE;
    }
    std::shared_ptr<Sheet> sheet;
    {
        std::lock_guard guard(g_lock);
        auto it = Sheets().find(hwnd);
        if (it != Sheets().end()) sheet = it->second;
    }
    if (!sheet) return FALSE;
    if (message == WM_NCDESTROY) {
        // The pages' dialogs went with the sheet's children; now the pages themselves go.
        for (const SheetPage& p : sheet->pages)
            DestroyPage(p.handle);
        sheet->pages.clear();
        if (sheet->ownWatermark) DeleteObject(sheet->watermark);
        if (sheet->ownHeader) DeleteObject(sheet->header);
        std::lock_guard guard(g_lock);
        Sheets().erase(hwnd);
        return FALSE;
    }
    LRESULT result;
    if (!Handle(*sheet, message, wParam, lParam, result)) return FALSE;
    SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, result);
    return TRUE;
}

// The sheet's dialog template: a captioned popup in the 8-point dialog font, without controls.
std::vector<WORD> SheetTemplate(DWORD style, short cx, short cy) {
    std::vector<WORD> t = {1, 0xFFFF, 0, 0}; // version, signature, help id
    t.push_back(LOWORD(WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT));
    t.push_back(HIWORD(WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT));
    t.push_back(LOWORD(style));
    t.push_back(HIWORD(style));
    t.insert(t.end(), {0, 0, 0, static_cast<WORD>(cx), static_cast<WORD>(cy), 0, 0,
                       0}); // no items, menu, class, caption
    t.insert(t.end(), {8, FW_NORMAL, DEFAULT_CHARSET << 8});
    for (const wchar_t* c = L"MS Shell Dlg"; *c; ++c)
        t.push_back(static_cast<WORD>(*c));
    t.push_back(0);
    return t;
}

HBITMAP SheetBitmap(const PROPSHEETHEADERW& h, bool useHandle, HBITMAP handle, LPCWSTR name, bool& owned) {
    owned = false;
    if (useHandle) return handle;
    if (!name) return nullptr;
    owned = true;
    return LoadBitmapW(h.hInstance, name);
}

// Makes the sheet with its pages and shows its first page; null when it cannot.
std::shared_ptr<Sheet> MakeSheet(const PROPSHEETHEADERW& h, std::vector<HPROPSHEETPAGE>& handles) {
    auto s = std::make_shared<Sheet>();
    s->flags = h.dwFlags;
    s->instance = h.hInstance;
    s->callback = (h.dwFlags & PSH_USECALLBACK) ? h.pfnCallback : nullptr;
    if (h.pszCaption) {
        WCHAR buffer[256] = L"";
        if (IS_INTRESOURCE(h.pszCaption)) LoadStringW(h.hInstance, LOWORD(h.pszCaption), buffer, 256);
        s->caption = IS_INTRESOURCE(h.pszCaption) ? buffer : h.pszCaption;
    }
    for (HPROPSHEETPAGE handle : handles)
        AddPage(*s, handle, s->pages.size());
    handles.clear(); // the sheet owns them now, and destroys them with itself
    if (s->pages.empty()) {
        for (const SheetPage& p : s->pages)
            DestroyPage(p.handle);
        return nullptr;
    }
    if (s->Wizard97()) {
        bool wide = h.dwSize >= PROPSHEETHEADERW_V2_SIZE;
        if (h.dwFlags & PSH_WATERMARK)
            s->watermark = SheetBitmap(h, h.dwFlags & PSH_USEHBMWATERMARK, h.hbmWatermark, h.pszbmWatermark,
                                       s->ownWatermark);
        if ((h.dwFlags & PSH_HEADER) && wide)
            s->header =
                SheetBitmap(h, h.dwFlags & PSH_USEHBMHEADER, h.hbmHeader, h.pszbmHeader, s->ownHeader);
    }

    // The page area holds the largest page; a Wizard97 interior page sits below the header.
    int areaCx = 0, exteriorCy = 0, interiorCy = 0;
    for (const SheetPage& p : s->pages) {
        SIZE size{0, 0};
        std::wstring caption;
        PageTemplateInfo(*p.page->psp(), size, caption);
        areaCx = std::max<int>(areaCx, size.cx);
        (s->Wizard97() && !Exterior(p) ? interiorCy : exteriorCy) =
            std::max<int>(s->Wizard97() && !Exterior(p) ? interiorCy : exteriorCy, size.cy);
    }
    int header = s->Wizard97() && interiorCy > 0 ? kHeader : 0;
    int areaCy = std::max(exteriorCy, interiorCy + header);
    int areaX = s->Wizard() ? 0 : kMargin + kGap, areaY = s->Wizard() ? 0 : kMargin + kTabs;
    int cx = s->Wizard() ? areaCx : areaCx + 2 * (kMargin + kGap);
    int buttonsY = areaY + areaCy + (s->Wizard() ? kMargin : kGap + kMargin);
    int cy = buttonsY + kButtonHeight + kMargin;
    cx = std::max(cx, 4 * (kButtonWidth + kGap) + kMargin);

    DWORD style =
        DS_SETFONT | DS_MODALFRAME | DS_3DLOOK | WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    if (h.dwFlags & PSH_MODELESS) style &= ~DS_MODALFRAME;
    std::vector<WORD> dlgTemplate = SheetTemplate(style, static_cast<short>(cx), static_cast<short>(cy));
    if (s->callback) s->callback(nullptr, PSCB_PRECREATE, reinterpret_cast<LPARAM>(dlgTemplate.data()));
    HWND hwnd = CreateDialogIndirectParamW(h.hInstance, reinterpret_cast<LPCDLGTEMPLATEW>(dlgTemplate.data()),
                                           h.hwndParent, SheetProc, 0);
    if (!hwnd) {
        for (const SheetPage& p : s->pages)
            DestroyPage(p.handle);
        return nullptr;
    }
    s->hwnd = hwnd;
    s->owner = h.hwndParent ? GetAncestor(h.hwndParent, GA_ROOT) : nullptr;
    {
        std::lock_guard guard(g_lock);
        Sheets()[hwnd] = s;
    }
    SetWindowTextW(hwnd, s->caption.c_str());
    s->area = Units(hwnd, areaX, areaY, areaCx, areaCy);
    RECT headerRect = Units(hwnd, 0, 0, areaCx, header);
    s->headerHeight = headerRect.bottom;

    // The buttons, from the right edge: Help, Cancel, then Next and Finish (or Apply, OK).
    int x = cx - kMargin - kButtonWidth;
    auto next = [&] {
        RECT r = Units(hwnd, x, buttonsY, kButtonWidth, kButtonHeight);
        x -= kButtonWidth + kGap;
        return r;
    };
    if (h.dwFlags & PSH_HASHELP)
        AddChild(*s, L"Button", L"Help", BS_PUSHBUTTON | WS_TABSTOP | WS_VISIBLE, IDHELP, next());
    if (s->Wizard()) {
        AddChild(*s, L"Button", L"Cancel", BS_PUSHBUTTON | WS_TABSTOP | WS_VISIBLE, IDCANCEL, next());
        bool both = (h.dwFlags & PSH_WIZARDHASFINISH) != 0;
        RECT finish = next();
        AddChild(*s, L"Button", L"Finish", BS_PUSHBUTTON | WS_TABSTOP | (both ? WS_VISIBLE | WS_DISABLED : 0),
                 ID_WIZFINISH, finish);
        AddChild(*s, L"Button", L"&Next >", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_VISIBLE, ID_WIZNEXT,
                 both ? next() : finish);
        AddChild(*s, L"Button", L"< &Back", BS_PUSHBUTTON | WS_TABSTOP | WS_VISIBLE, ID_WIZBACK, next());
    } else {
        AddChild(*s, L"Button", L"&Apply",
                 BS_PUSHBUTTON | WS_TABSTOP | WS_DISABLED | ((h.dwFlags & PSH_NOAPPLYNOW) ? 0 : WS_VISIBLE),
                 ID_APPLY_NOW, next());
        AddChild(*s, L"Button", L"Cancel", BS_PUSHBUTTON | WS_TABSTOP | WS_VISIBLE, IDCANCEL, next());
        AddChild(*s, L"Button", L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_VISIBLE, IDOK, next());
    }
    if (s->Wizard97()) {
        AddChild(*s, L"Static", L"", SS_LEFT, TV_IDC_SHEET_HEADERTITLE,
                 Units(hwnd, kMargin * 2, kMargin, areaCx - 60, 10));
        AddChild(*s, L"Static", L"", SS_LEFT, TV_IDC_SHEET_HEADERSUBTITLE,
                 Units(hwnd, kMargin * 3, kMargin + 12, areaCx - 70, header - kMargin - 14));
        HWND headerBitmap = AddChild(*s, L"Static", L"", SS_BITMAP, TV_IDC_SHEET_HEADERBITMAP,
                                     Units(hwnd, areaCx - 40, kMargin, 33, 33));
        SendMessageW(headerBitmap, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(s->header));
        HWND watermark = AddChild(*s, L"Static", L"", SS_BITMAP, TV_IDC_SHEET_WATERMARK,
                                  Units(hwnd, 0, 0, kWatermark, areaCy));
        SendMessageW(watermark, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(s->watermark));
    }

    int start = 0;
    if ((h.dwFlags & PSH_USEPSTARTPAGE) && h.pStartPage) {
        for (size_t i = 0; i < s->pages.size(); ++i)
            if (PageTitle(s->pages[i]) == PageText(*s->pages[i].page->psp(), h.pStartPage))
                start = static_cast<int>(i);
    } else if (h.nStartPage < s->pages.size()) {
        start = static_cast<int>(h.nStartPage);
    }
    if (!ChangePage(*s, start, 1, false)) {
        DestroyWindow(hwnd);
        return nullptr;
    }
    if (s->callback) s->callback(hwnd, PSCB_INITIALIZED, 0);
    ShowWindow(hwnd, SW_SHOW);
    return s;
}

bool AcceptedHeader(const PROPSHEETHEADERW* h) {
    return h && (h->dwSize == PROPSHEETHEADERW_V1_SIZE || h->dwSize == PROPSHEETHEADERW_V2_SIZE);
}

} // namespace

extern "C" INT_PTR WINAPI PropertySheetW(LPCPROPSHEETHEADERW lppsph) {
    if (!AcceptedHeader(lppsph)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    const PROPSHEETHEADERW& h = *lppsph;
    std::vector<HPROPSHEETPAGE> handles;
    if (h.dwFlags & PSH_PROPSHEETPAGE) {
        // The records follow each other, each as long as its own dwSize says.
        auto at = reinterpret_cast<const BYTE*>(h.ppsp);
        for (UINT i = 0; at && i < h.nPages; ++i) {
            auto psp = reinterpret_cast<LPCPROPSHEETPAGEW>(at);
            if (HPROPSHEETPAGE page = CreatePropertySheetPageW(psp)) handles.push_back(page);
            at += psp->dwSize;
        }
    } else if (h.phpage) {
        for (UINT i = 0; i < h.nPages; ++i)
            if (FindPage(h.phpage[i])) handles.push_back(h.phpage[i]);
    }
    std::shared_ptr<Sheet> sheet = MakeSheet(h, handles);
    if (!sheet) return -1;
    if (h.dwFlags & PSH_MODELESS) return reinterpret_cast<INT_PTR>(sheet->hwnd);

    HWND hwnd = sheet->hwnd;
    HWND owner = sheet->owner && IsWindowEnabled(sheet->owner) ? sheet->owner : nullptr;
    if (owner) EnableWindow(owner, FALSE);
    MSG msg;
    while (!sheet->closed && IsWindow(hwnd)) {
        if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                break;
            }
            if (!IsDialogMessageW(hwnd, &msg)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
            continue;
        }
        if (!sheet->closed) MsgWaitForMultipleObjects(0, nullptr, FALSE, INFINITE, QS_ALLINPUT);
    }
    if (owner) EnableWindow(owner, TRUE);
    INT_PTR result = sheet->closed ? sheet->result : 0;
    if (IsWindow(hwnd)) DestroyWindow(hwnd);
    return result;
}
