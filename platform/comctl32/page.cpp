// Property sheet pages: CreatePropertySheetPageW keeps a copy of the caller's PROPSHEETPAGEW and its
// texts under an id, and a page's dialog is made from its template as a child of the sheet the first
// time the sheet shows the page. HPROPSHEETPAGEs are ids into a table, so a destroyed page's handle
// names nothing.
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

#include "comctl32_internal.h"

namespace cc {

namespace {

std::mutex g_lock;
std::map<ULONG_PTR, std::shared_ptr<Page>>& Pages() {
    static auto* pages = new std::map<ULONG_PTR, std::shared_ptr<Page>>;
    return *pages;
}
ULONG_PTR g_nextId = 0x200000;

bool AcceptedSize(DWORD size) {
    return size == PROPSHEETPAGEW_V1_SIZE || size == PROPSHEETPAGEW_V2_SIZE ||
           size == PROPSHEETPAGEW_V3_SIZE || size >= PROPSHEETPAGEW_V4_SIZE;
}

// Keeps a caller's text with the page, unless it is a string resource id.
void Keep(LPCWSTR& field, std::wstring& copy) {
    if (!field || IS_INTRESOURCE(field)) return;
    copy = field;
    field = copy.c_str();
}

// The template of a page: the bytes of its dialog resource, or the caller's template in memory.
bool TemplateBytes(const PROPSHEETPAGEW& psp, const BYTE*& data, DWORD& size) {
    if (psp.dwFlags & PSP_DLGINDIRECT) {
        data = reinterpret_cast<const BYTE*>(psp.pResource);
        size = 0; // unknown: the caller's own template is used as it is
        return data != nullptr;
    }
    HRSRC found = FindResourceW(psp.hInstance, psp.pszTemplate, RT_DIALOG);
    if (!found) return false;
    data = static_cast<const BYTE*>(LockResource(LoadResource(psp.hInstance, found)));
    size = SizeofResource(psp.hInstance, found);
    return data != nullptr;
}

bool Extended(const BYTE* data, DWORD size) {
    WORD version, signature;
    std::memcpy(&version, data, 2);
    std::memcpy(&signature, data + 2, 2);
    return version == 1 && signature == 0xFFFF;
}

} // namespace

std::shared_ptr<Page> FindPage(HPROPSHEETPAGE handle) {
    std::lock_guard guard(g_lock);
    auto it = Pages().find(reinterpret_cast<ULONG_PTR>(handle));
    return it == Pages().end() ? nullptr : it->second;
}

bool DestroyPage(HPROPSHEETPAGE handle) {
    std::shared_ptr<Page> page;
    {
        std::lock_guard guard(g_lock);
        auto it = Pages().find(reinterpret_cast<ULONG_PTR>(handle));
        if (it == Pages().end()) return false;
        page = it->second;
        Pages().erase(it);
    }
    PROPSHEETPAGEW* psp = page->psp();
    if ((psp->dwFlags & PSP_USECALLBACK) && psp->pfnCallback) psp->pfnCallback(nullptr, PSPCB_RELEASE, psp);
    if ((psp->dwFlags & PSP_USEREFPARENT) && psp->pcRefParent) --*psp->pcRefParent;
    return true;
}

std::wstring PageText(const PROPSHEETPAGEW& psp, LPCWSTR text) {
    if (!text) return std::wstring();
    if (!IS_INTRESOURCE(text)) return text;
    WCHAR buffer[1024];
    int length = LoadStringW(psp.hInstance, LOWORD(text), buffer, 1024);
    return std::wstring(buffer, static_cast<size_t>(length > 0 ? length : 0));
}

bool PageTemplateInfo(const PROPSHEETPAGEW& psp, SIZE& size, std::wstring& caption) {
    const BYTE* data;
    DWORD bytes;
    if (!TemplateBytes(psp, data, bytes)) return false;
    size_t limit = bytes ? bytes : SIZE_MAX / 2; // the caller's template in memory is trusted
    if (limit < 4) return false;
    // cx and cy follow the styles and the control count in both forms of template, then the menu,
    // the class and the caption.
    size_t at = Extended(data, bytes) ? 22 : 14;
    auto word = [&](WORD& value) {
        if (limit < at + 2) return false;
        std::memcpy(&value, data + at, 2);
        at += 2;
        return true;
    };
    WORD cx, cy, w;
    if (!word(cx) || !word(cy)) return false;
    size = {static_cast<short>(cx), static_cast<short>(cy)};
    for (int field = 0; field < 2; ++field) { // menu and class: none, an ordinal, or text
        if (!word(w)) return false;
        if (w == 0xFFFF) {
            if (!word(w)) return false;
        } else {
            while (w != 0)
                if (!word(w)) return false;
        }
    }
    caption.clear();
    while (word(w) && w != 0)
        caption += static_cast<WCHAR>(w);
    return true;
}

HWND CreatePageDialog(Page& page, HWND sheet) {
    PROPSHEETPAGEW* psp = page.psp();
    if ((psp->dwFlags & PSP_USECALLBACK) && psp->pfnCallback && !psp->pfnCallback(nullptr, PSPCB_CREATE, psp))
        return nullptr;
    const BYTE* data;
    DWORD size;
    if (!TemplateBytes(*psp, data, size)) return nullptr;
    HINSTANCE instance = psp->hInstance;
    if (size == 0) // the caller's template in memory: its own style must make it a child
        return CreateDialogIndirectParamW(instance, reinterpret_cast<LPCDLGTEMPLATEW>(data), sheet,
                                          psp->pfnDlgProc, reinterpret_cast<LPARAM>(psp));
    // A page is a child of the sheet whatever its template says: a copy of the template with the
    // styles of a child dialog.
    std::vector<BYTE> copy(data, data + size);
    size_t at = Extended(data, size) ? 12 : 0;
    if (copy.size() < at + 4) return nullptr;
    DWORD style;
    std::memcpy(&style, copy.data() + at, 4);
    style &= ~(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_VISIBLE | DS_MODALFRAME | WS_DISABLED);
    style |= WS_CHILD | DS_CONTROL;
    std::memcpy(copy.data() + at, &style, 4);
    return CreateDialogIndirectParamW(instance, reinterpret_cast<LPCDLGTEMPLATEW>(copy.data()), sheet,
                                      psp->pfnDlgProc, reinterpret_cast<LPARAM>(psp));
}

} // namespace cc

using namespace cc;

extern "C" HPROPSHEETPAGE WINAPI CreatePropertySheetPageW(LPCPROPSHEETPAGEW constPropSheetPagePointer) {
    const PROPSHEETPAGEW* in = constPropSheetPagePointer;
    if (!in || !AcceptedSize(in->dwSize)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto page = std::make_shared<Page>();
    size_t size = std::max<size_t>(in->dwSize, sizeof(PROPSHEETPAGEW));
    page->record.reset(new BYTE[size]());
    std::memcpy(page->record.get(), in, in->dwSize);
    PROPSHEETPAGEW* psp = page->psp();
    if (psp->dwFlags & PSP_USETITLE) Keep(psp->pszTitle, page->title);
    if (psp->dwFlags & PSP_USEHEADERTITLE) Keep(psp->pszHeaderTitle, page->headerTitle);
    if (psp->dwFlags & PSP_USEHEADERSUBTITLE) Keep(psp->pszHeaderSubTitle, page->headerSubTitle);
    ULONG_PTR id;
    {
        std::lock_guard guard(g_lock);
        id = g_nextId;
        g_nextId += 4;
        Pages().emplace(id, page);
    }
    if ((psp->dwFlags & PSP_USEREFPARENT) && psp->pcRefParent) ++*psp->pcRefParent;
    if ((psp->dwFlags & PSP_USECALLBACK) && psp->pfnCallback) psp->pfnCallback(nullptr, PSPCB_ADDREF, psp);
    return reinterpret_cast<HPROPSHEETPAGE>(id);
}

extern "C" BOOL WINAPI DestroyPropertySheetPage(HPROPSHEETPAGE hPSPage) {
    if (!DestroyPage(hPSPage)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}
