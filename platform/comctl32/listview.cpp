// The list view: columns, items with sub-items, images from image lists, item states (selected,
// focused) and sorting (LVS_SORTASCENDING / LVS_SORTDESCENDING by text as items are inserted, or
// LVM_SORTITEMS with the caller's comparison). Every change of an item's state, text, image or
// parameter, whether a person's or code's, is announced to the parent with LVN_ITEMCHANGING (which may
// refuse it) and LVN_ITEMCHANGED, as the documented control does; inserting and deleting items
// notifies LVN_INSERTITEM, LVN_DELETEITEM and LVN_DELETEALLITEMS. A person's click selects and focuses
// one item and sends NM_CLICK. Without LVS_SHAREIMAGELISTS the list view destroys its image lists with
// itself.
#include <algorithm>
#include <numeric>
#include <vector>

#include "comctl32_internal.h"
#include "tvinput.h"

namespace {

using namespace cc;

struct Column {
    std::wstring text;
    int width = 0;
    int fmt = LVCFMT_LEFT;
    int subItem = 0;
    int image = 0;
};

struct Item {
    std::wstring text;
    std::vector<std::wstring> cells; // sub-item n at n - 1
    int image = 0;
    UINT state = 0;
    LPARAM param = 0;
    int indent = 0;
};

struct ListView {
    std::vector<Column> columns;
    std::vector<Item> items;
    HIMAGELIST lists[3] = {nullptr, nullptr, nullptr};
    DWORD exStyle = 0;
    int mark = -1;
    HFONT font = nullptr;
};

constexpr UINT kStates =
    LVIS_FOCUSED | LVIS_SELECTED | LVIS_CUT | LVIS_DROPHILITED | LVIS_OVERLAYMASK | LVIS_STATEIMAGEMASK;

DWORD Style(HWND hwnd) {
    return static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE));
}

bool Valid(const ListView& lv, INT_PTR index) {
    return index >= 0 && static_cast<size_t>(index) < lv.items.size();
}

LRESULT NotifyItem(HWND hwnd, UINT code, int index, UINT changed, UINT oldState, UINT newState,
                   LPARAM param) {
    NMLISTVIEW n{};
    n.iItem = index;
    n.uChanged = changed;
    n.uOldState = oldState;
    n.uNewState = newState;
    n.lParam = param;
    return Notify(hwnd, code, n.hdr);
}

// Changes an item's state bits under `mask`, announced with LVN_ITEMCHANGING and LVN_ITEMCHANGED;
// false when nothing changed or the parent refused.
bool ChangeState(HWND hwnd, ListView& lv, int index, UINT state, UINT mask) {
    Item& item = lv.items[static_cast<size_t>(index)];
    UINT updated = (item.state & ~mask) | (state & mask & kStates);
    if (updated == item.state) return false;
    UINT old = item.state;
    if (NotifyItem(hwnd, LVN_ITEMCHANGING, index, LVIF_STATE, old, updated, item.param)) return false;
    if (!Valid(lv, index)) return false; // the parent deleted it meanwhile
    lv.items[static_cast<size_t>(index)].state = updated;
    NotifyItem(hwnd, LVN_ITEMCHANGED, index, LVIF_STATE, old, updated,
               lv.items[static_cast<size_t>(index)].param);
    return true;
}

// Sets the state of one item, keeping one selection (LVS_SINGLESEL) and one focused item: the others
// lose theirs first, each with its own notifications.
void SetState(HWND hwnd, ListView& lv, int index, UINT state, UINT mask) {
    UINT exclusive = 0;
    if ((mask & LVIS_FOCUSED) && (state & LVIS_FOCUSED)) exclusive |= LVIS_FOCUSED;
    if ((mask & LVIS_SELECTED) && (state & LVIS_SELECTED) && (Style(hwnd) & LVS_SINGLESEL))
        exclusive |= LVIS_SELECTED;
    if (exclusive)
        for (size_t i = 0; i < lv.items.size(); ++i)
            if (static_cast<int>(i) != index && (lv.items[i].state & exclusive))
                ChangeState(hwnd, lv, static_cast<int>(i), 0, exclusive);
    if (Valid(lv, index)) ChangeState(hwnd, lv, index, state, mask);
    if ((mask & LVIS_SELECTED) && (state & LVIS_SELECTED)) lv.mark = index;
}

std::wstring TextOf(const Item& item, int subItem) {
    if (subItem == 0) return item.text;
    size_t at = static_cast<size_t>(subItem - 1);
    return at < item.cells.size() ? item.cells[at] : std::wstring();
}

int CopyOut(const std::wstring& text, LPWSTR buffer, int size) {
    if (size <= 0 || buffer == LPSTR_TEXTCALLBACKW) return 0;
    return CopyText(text, buffer, static_cast<size_t>(size));
}

std::wstring TextIn(LPCWSTR text) {
    return text && text != LPSTR_TEXTCALLBACKW ? std::wstring(text) : std::wstring();
}

// Sets the text, image, parameter and state a LVITEMW names. Changes of the item itself (sub-item 0)
// are announced; a sub-item's text is not.
BOOL SetItem(HWND hwnd, ListView& lv, const LVITEMW& in) {
    if (!Valid(lv, in.iItem) || in.iSubItem < 0) return FALSE;
    Item& item = lv.items[static_cast<size_t>(in.iItem)];
    if (in.iSubItem > 0) {
        if (!(in.mask & LVIF_TEXT)) return TRUE;
        size_t at = static_cast<size_t>(in.iSubItem - 1);
        if (item.cells.size() <= at) item.cells.resize(at + 1);
        item.cells[at] = TextIn(in.pszText);
        return TRUE;
    }
    Item updated = item;
    UINT changed = 0;
    if ((in.mask & LVIF_TEXT) && updated.text != TextIn(in.pszText)) {
        updated.text = TextIn(in.pszText);
        changed |= LVIF_TEXT;
    }
    if ((in.mask & LVIF_IMAGE) && updated.image != in.iImage) {
        updated.image = in.iImage;
        changed |= LVIF_IMAGE;
    }
    if ((in.mask & LVIF_PARAM) && updated.param != in.lParam) {
        updated.param = in.lParam;
        changed |= LVIF_PARAM;
    }
    if (in.mask & LVIF_INDENT) updated.indent = in.iIndent;
    if (changed) {
        if (NotifyItem(hwnd, LVN_ITEMCHANGING, in.iItem, changed, item.state, item.state, item.param))
            return FALSE;
        if (!Valid(lv, in.iItem)) return FALSE;
        lv.items[static_cast<size_t>(in.iItem)] = updated;
        NotifyItem(hwnd, LVN_ITEMCHANGED, in.iItem, changed, updated.state, updated.state, updated.param);
    } else if (Valid(lv, in.iItem)) {
        lv.items[static_cast<size_t>(in.iItem)].indent = updated.indent;
    }
    if ((in.mask & LVIF_STATE) && Valid(lv, in.iItem)) SetState(hwnd, lv, in.iItem, in.state, in.stateMask);
    return TRUE;
}

LRESULT InsertItem(HWND hwnd, ListView& lv, const LVITEMW& in) {
    if (in.iSubItem != 0 || in.iItem < 0) return -1;
    Item item;
    if (in.mask & LVIF_TEXT) item.text = TextIn(in.pszText);
    if (in.mask & LVIF_IMAGE) item.image = in.iImage;
    if (in.mask & LVIF_PARAM) item.param = in.lParam;
    if (in.mask & LVIF_INDENT) item.indent = in.iIndent;
    size_t at = std::min(static_cast<size_t>(in.iItem), lv.items.size());
    DWORD style = Style(hwnd);
    if (style & (LVS_SORTASCENDING | LVS_SORTDESCENDING)) {
        bool descending = (style & LVS_SORTDESCENDING) != 0;
        // After the items that sort equal, so equal texts keep the order they came in.
        at = static_cast<size_t>(std::find_if(lv.items.begin(), lv.items.end(),
                                              [&](const Item& other) {
                                                  int c = CompareNoCase(item.text, other.text);
                                                  return descending ? c > 0 : c < 0;
                                              }) -
                                 lv.items.begin());
    }
    lv.items.insert(lv.items.begin() + static_cast<std::ptrdiff_t>(at), std::move(item));
    if (lv.mark >= static_cast<int>(at)) ++lv.mark;
    int index = static_cast<int>(at);
    NotifyItem(hwnd, LVN_INSERTITEM, index, 0, 0, 0, 0);
    if ((in.mask & LVIF_STATE) && (in.state & in.stateMask) && Valid(lv, index))
        SetState(hwnd, lv, index, in.state, in.stateMask);
    return index;
}

BOOL DeleteItem(HWND hwnd, ListView& lv, int index) {
    if (!Valid(lv, index)) return FALSE;
    NotifyItem(hwnd, LVN_DELETEITEM, index, 0, 0, 0, lv.items[static_cast<size_t>(index)].param);
    if (!Valid(lv, index)) return FALSE;
    lv.items.erase(lv.items.begin() + index);
    if (lv.mark == index)
        lv.mark = -1;
    else if (lv.mark > index)
        --lv.mark;
    return TRUE;
}

void DeleteAll(HWND hwnd, ListView& lv) {
    if (lv.items.empty()) return;
    // A parent that answers TRUE to LVN_DELETEALLITEMS takes no LVN_DELETEITEM for each item.
    bool quiet = NotifyItem(hwnd, LVN_DELETEALLITEMS, -1, 0, 0, 0, 0) != 0;
    if (!quiet)
        for (size_t i = 0; i < lv.items.size(); ++i)
            NotifyItem(hwnd, LVN_DELETEITEM, static_cast<int>(i), 0, 0, 0, lv.items[i].param);
    lv.items.clear();
    lv.mark = -1;
}

int NextItem(const ListView& lv, INT_PTR start, UINT flags) {
    UINT wanted = flags & (LVNI_FOCUSED | LVNI_SELECTED | LVNI_CUT | LVNI_DROPHILITED);
    bool backward = (flags & (LVNI_ABOVE | LVNI_TOLEFT)) != 0;
    auto matches = [&](INT_PTR i) { return (lv.items[static_cast<size_t>(i)].state & wanted) == wanted; };
    if (backward) {
        for (INT_PTR i = start - 1; i >= 0; --i)
            if (Valid(lv, i) && matches(i)) return static_cast<int>(i);
        return -1;
    }
    for (INT_PTR i = start < 0 ? 0 : start + 1; Valid(lv, i); ++i)
        if (matches(i)) return static_cast<int>(i);
    return -1;
}

int FindItem(const ListView& lv, INT_PTR start, const LVFINDINFOW& find) {
    size_t count = lv.items.size();
    if (count == 0) return -1;
    size_t first = start < 0 ? 0 : static_cast<size_t>(start) + 1;
    size_t span = (find.flags & LVFI_WRAP) ? count : (first < count ? count - first : 0);
    std::wstring text = find.psz ? find.psz : L"";
    for (size_t n = 0; n < span; ++n) {
        const Item& item = lv.items[(first + n) % count];
        if (find.flags & LVFI_PARAM) {
            if (item.param == find.lParam) return static_cast<int>((first + n) % count);
        } else if (find.flags & (LVFI_PARTIAL | LVFI_SUBSTRING)) {
            if (StartsWithNoCase(item.text, text)) return static_cast<int>((first + n) % count);
        } else if (find.flags & LVFI_STRING) {
            if (CompareNoCase(item.text, text) == 0) return static_cast<int>((first + n) % count);
        }
    }
    return -1;
}

void Sort(ListView& lv, PFNLVCOMPARE compare, LPARAM sort, bool byIndex) {
    std::vector<size_t> order(lv.items.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        LPARAM x = byIndex ? static_cast<LPARAM>(a) : lv.items[a].param;
        LPARAM y = byIndex ? static_cast<LPARAM>(b) : lv.items[b].param;
        return compare(x, y, sort) < 0;
    });
    std::vector<Item> sorted;
    for (size_t i : order)
        sorted.push_back(std::move(lv.items[i]));
    lv.items = std::move(sorted);
}

// A person clicking item `index`: it alone is selected and focused.
void Click(HWND hwnd, ListView& lv, int index) {
    for (size_t i = 0; i < lv.items.size(); ++i)
        if (static_cast<int>(i) != index && (lv.items[i].state & (LVIS_SELECTED | LVIS_FOCUSED)))
            ChangeState(hwnd, lv, static_cast<int>(i), 0, LVIS_SELECTED | LVIS_FOCUSED);
    if (Valid(lv, index))
        SetState(hwnd, lv, index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    NMITEMACTIVATE click{};
    click.iItem = index;
    Notify(hwnd, NM_CLICK, click.hdr);
}

// A person control-clicking: exactly the picked items end selected, the last one focused.
void Pick(HWND hwnd, ListView& lv, const std::vector<int>& picked) {
    for (size_t i = 0; i < lv.items.size(); ++i)
        if ((lv.items[i].state & LVIS_SELECTED) &&
            std::find(picked.begin(), picked.end(), static_cast<int>(i)) == picked.end())
            ChangeState(hwnd, lv, static_cast<int>(i), 0, LVIS_SELECTED);
    for (int index : picked)
        if (Valid(lv, index))
            SetState(hwnd, lv, index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    NMITEMACTIVATE click{};
    click.iItem = picked.empty() ? -1 : picked.back();
    Notify(hwnd, NM_CLICK, click.hdr);
}

void DescribeInto(const ListView& lv, tvp::WindowState& s) {
    s.kind = tvp::Kind::ListView;
    s.columns.clear();
    for (const Column& c : lv.columns)
        s.columns.push_back(c.text);
    s.items.clear();
    for (const Item& item : lv.items) {
        tvp::ListItem out{
            item.text, {}, item.image, (item.state & LVIS_SELECTED) != 0, (item.state & LVIS_FOCUSED) != 0};
        for (size_t c = 1; c < lv.columns.size(); ++c)
            out.cells.push_back(TextOf(item, lv.columns[c].subItem));
        s.items.push_back(std::move(out));
    }
    s.selection = NextItem(lv, -1, LVNI_SELECTED);
}

LRESULT Handle(HWND hwnd, ListView& lv, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* item = reinterpret_cast<LVITEMW*>(lParam);
    auto* column = reinterpret_cast<LVCOLUMNW*>(lParam);
    auto index = static_cast<INT_PTR>(wParam);
    switch (message) {
    case WM_DESTROY:
        DeleteAll(hwnd, lv); // the parent hears of the items going, as it does for LVM_DELETEALLITEMS
        return 0;
    case WM_NCDESTROY:
        if (!(Style(hwnd) & LVS_SHAREIMAGELISTS))
            for (HIMAGELIST list : lv.lists)
                if (list) ImageList_Destroy(list);
        return 0;
    case LVM_GETITEMCOUNT:
        return static_cast<LRESULT>(lv.items.size());
    case LVM_INSERTITEMW:
        return item ? InsertItem(hwnd, lv, *item) : -1;
    case LVM_SETITEMW:
        return item ? SetItem(hwnd, lv, *item) : FALSE;
    case LVM_GETITEMW: {
        if (!item || !Valid(lv, item->iItem)) return FALSE;
        const Item& it = lv.items[static_cast<size_t>(item->iItem)];
        if (item->mask & LVIF_TEXT) CopyOut(TextOf(it, item->iSubItem), item->pszText, item->cchTextMax);
        if (item->mask & LVIF_IMAGE) item->iImage = it.image;
        if (item->mask & LVIF_PARAM) item->lParam = it.param;
        if (item->mask & LVIF_STATE) item->state = it.state & item->stateMask;
        if (item->mask & LVIF_INDENT) item->iIndent = it.indent;
        return TRUE;
    }
    case LVM_SETITEMTEXTW: {
        if (!item) return FALSE;
        LVITEMW in = *item;
        in.iItem = static_cast<int>(index);
        in.mask = LVIF_TEXT;
        return SetItem(hwnd, lv, in);
    }
    case LVM_GETITEMTEXTW:
        if (!item || !Valid(lv, index)) return 0;
        return CopyOut(TextOf(lv.items[static_cast<size_t>(index)], item->iSubItem), item->pszText,
                       item->cchTextMax);
    case LVM_SETITEMSTATE:
        if (!item) return FALSE;
        if (index == -1) {
            for (size_t i = 0; i < lv.items.size(); ++i)
                ChangeState(hwnd, lv, static_cast<int>(i), item->state, item->stateMask);
            return TRUE;
        }
        if (!Valid(lv, index)) return FALSE;
        SetState(hwnd, lv, static_cast<int>(index), item->state, item->stateMask);
        return TRUE;
    case LVM_GETITEMSTATE:
        return Valid(lv, index) ? lv.items[static_cast<size_t>(index)].state & static_cast<UINT>(lParam) : 0;
    case LVM_GETNEXTITEM:
        return NextItem(lv, index, LOWORD(lParam));
    case LVM_GETSELECTEDCOUNT:
        return std::count_if(lv.items.begin(), lv.items.end(),
                             [](const Item& i) { return (i.state & LVIS_SELECTED) != 0; });
    case LVM_DELETEITEM:
        return DeleteItem(hwnd, lv, static_cast<int>(index));
    case LVM_DELETEALLITEMS:
        DeleteAll(hwnd, lv);
        return TRUE;
    case LVM_FINDITEMW:
        return lParam ? FindItem(lv, index, *reinterpret_cast<const LVFINDINFOW*>(lParam)) : -1;
    case LVM_SORTITEMS:
    case LVM_SORTITEMSEX:
        if (!lParam) return FALSE;
        Sort(lv, reinterpret_cast<PFNLVCOMPARE>(lParam), static_cast<LPARAM>(wParam),
             message == LVM_SORTITEMSEX);
        return TRUE;
    case LVM_INSERTCOLUMNW: {
        if (!column || index < 0) return -1;
        Column c;
        size_t at = std::min(static_cast<size_t>(index), lv.columns.size());
        if (column->mask & LVCF_TEXT) c.text = TextIn(column->pszText);
        if (column->mask & LVCF_WIDTH) c.width = column->cx;
        if (column->mask & LVCF_FMT) c.fmt = column->fmt;
        if (column->mask & LVCF_IMAGE) c.image = column->iImage;
        c.subItem = (column->mask & LVCF_SUBITEM) ? column->iSubItem : static_cast<int>(at);
        if (at == 0) c.fmt &= ~LVCFMT_JUSTIFYMASK; // the first column is always left-aligned
        lv.columns.insert(lv.columns.begin() + static_cast<std::ptrdiff_t>(at), c);
        return static_cast<LRESULT>(at);
    }
    case LVM_SETCOLUMNW: {
        if (!column || index < 0 || static_cast<size_t>(index) >= lv.columns.size()) return FALSE;
        Column& c = lv.columns[static_cast<size_t>(index)];
        if (column->mask & LVCF_TEXT) c.text = TextIn(column->pszText);
        if (column->mask & LVCF_WIDTH) c.width = column->cx;
        if (column->mask & LVCF_FMT) c.fmt = index == 0 ? column->fmt & ~LVCFMT_JUSTIFYMASK : column->fmt;
        if (column->mask & LVCF_SUBITEM) c.subItem = column->iSubItem;
        if (column->mask & LVCF_IMAGE) c.image = column->iImage;
        return TRUE;
    }
    case LVM_GETCOLUMNW: {
        if (!column || index < 0 || static_cast<size_t>(index) >= lv.columns.size()) return FALSE;
        const Column& c = lv.columns[static_cast<size_t>(index)];
        if (column->mask & LVCF_TEXT) CopyOut(c.text, column->pszText, column->cchTextMax);
        if (column->mask & LVCF_WIDTH) column->cx = c.width;
        if (column->mask & LVCF_FMT) column->fmt = c.fmt;
        if (column->mask & LVCF_SUBITEM) column->iSubItem = c.subItem;
        if (column->mask & LVCF_IMAGE) column->iImage = c.image;
        return TRUE;
    }
    case LVM_DELETECOLUMN:
        if (index < 0 || static_cast<size_t>(index) >= lv.columns.size()) return FALSE;
        lv.columns.erase(lv.columns.begin() + index);
        return TRUE;
    case LVM_SETCOLUMNWIDTH: {
        int width = static_cast<short>(LOWORD(lParam));
        if ((Style(hwnd) & LVS_TYPEMASK) == LVS_LIST) {
            if (lv.columns.empty()) lv.columns.push_back(Column{});
            index = 0;
        }
        if (index < 0 || static_cast<size_t>(index) >= lv.columns.size()) return FALSE;
        Column& c = lv.columns[static_cast<size_t>(index)];
        if (width == LVSCW_AUTOSIZE || width == LVSCW_AUTOSIZE_USEHEADER) {
            // Wide enough for the longest text at the dialog font's average character width.
            size_t longest = width == LVSCW_AUTOSIZE_USEHEADER ? c.text.size() : 0;
            for (const Item& it : lv.items)
                longest = std::max(longest, TextOf(it, c.subItem).size());
            width = static_cast<int>(longest) * 6 + 12;
        }
        c.width = width;
        return TRUE;
    }
    case LVM_GETCOLUMNWIDTH:
        return index >= 0 && static_cast<size_t>(index) < lv.columns.size()
                   ? lv.columns[static_cast<size_t>(index)].width
                   : 0;
    case LVM_SETIMAGELIST: {
        if (index < LVSIL_NORMAL || index > LVSIL_STATE) return 0;
        HIMAGELIST previous = lv.lists[index];
        lv.lists[index] = reinterpret_cast<HIMAGELIST>(lParam);
        return reinterpret_cast<LRESULT>(previous);
    }
    case LVM_GETIMAGELIST:
        return index >= LVSIL_NORMAL && index <= LVSIL_STATE ? reinterpret_cast<LRESULT>(lv.lists[index]) : 0;
    case LVM_SETEXTENDEDLISTVIEWSTYLE: {
        DWORD previous = lv.exStyle;
        DWORD mask = wParam ? static_cast<DWORD>(wParam) : 0xFFFFFFFF;
        lv.exStyle = (lv.exStyle & ~mask) | (static_cast<DWORD>(lParam) & mask);
        return previous;
    }
    case LVM_GETEXTENDEDLISTVIEWSTYLE:
        return lv.exStyle;
    case LVM_GETSELECTIONMARK:
        return lv.mark;
    case LVM_SETSELECTIONMARK: {
        int previous = lv.mark;
        lv.mark = static_cast<int>(lParam);
        return previous;
    }
    case LVM_SETVIEW: {
        if (wParam > LV_VIEW_LIST) return -1;
        DWORD style = Style(hwnd);
        SetWindowLongPtrW(hwnd, GWL_STYLE, (style & ~LVS_TYPEMASK) | static_cast<DWORD>(wParam));
        return 1;
    }
    case LVM_GETVIEW:
        return Style(hwnd) & LVS_TYPEMASK;
    case LVM_ENSUREVISIBLE:
    case LVM_REDRAWITEMS:
    case LVM_UPDATE:
    case LVM_ARRANGE:
    case LVM_SETITEMCOUNT:
        return TRUE;
    case LVM_GETTOPINDEX:
        return 0;
    case LVM_GETCOUNTPERPAGE:
        return static_cast<LRESULT>(lv.items.size());
    case WM_SETFONT:
    case WM_GETFONT:
        return FontMessage(lv.font, message, wParam);
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case TVM_GETSTATE:
        DescribeInto(lv, *reinterpret_cast<tvp::WindowState*>(lParam));
        return TRUE;
    case TVM_INPUTCHOOSE:
        if (!Valid(lv, index)) return FALSE;
        Click(hwnd, lv, static_cast<int>(index));
        return TRUE;
    case TVM_INPUTPICK: {
        const auto& picked = *reinterpret_cast<const std::vector<int>*>(lParam);
        for (int i : picked)
            if (!Valid(lv, i)) return FALSE;
        if (picked.size() > 1 && (Style(hwnd) & LVS_SINGLESEL)) return FALSE;
        Pick(hwnd, lv, picked);
        return TRUE;
    }
    default:
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

} // namespace

LRESULT CALLBACK cc::ListViewProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return RunControl<ListView>(hwnd, message, wParam, lParam, Handle);
}
