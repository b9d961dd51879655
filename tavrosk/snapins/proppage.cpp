// CBasePropPage: page creation through the common controls library, which the snap-in loads at run
// time rather than linking it, the title font of exterior pages, and the shared page procedure with its
// map from page windows to page objects. A page's entry lives from its WM_INITDIALOG to its WM_DESTROY
// or the page object's deletion, whichever comes first, so no message reaches a deleted page.
#include "snapins/proppage.h"

#include <mutex>
#include <string>
#include <unordered_map>

#include "snapins/module.h"
#include "snapins/resstring.h"

namespace Snapins {

namespace {

using CreatePageFunction = HPROPSHEETPAGE(WINAPI*)(LPCPROPSHEETPAGEW);

// Resolved once; null when the library or the function cannot be found.
CreatePageFunction CreatePageEntry() {
    static CreatePageFunction entry = [] {
        HMODULE library = LoadLibraryW(L"comctl32.dll");
        if (!library) return CreatePageFunction(nullptr);
        return reinterpret_cast<CreatePageFunction>(GetProcAddress(library, "CreatePropertySheetPageW"));
    }();
    return entry;
}

std::mutex g_pagesLock;
std::unordered_map<HWND, CBasePropPage*>& PageMap() {
    static std::unordered_map<HWND, CBasePropPage*> pages;
    return pages;
}

} // namespace

HFONT CreateTitleFont() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    LOGFONTW font = metrics.lfMessageFont;
    font.lfWeight = FW_BOLD;
    std::wstring face = L"Verdana Bold";
    face.copy(font.lfFaceName, LF_FACESIZE - 1);
    font.lfFaceName[face.size()] = L'\0';
    HDC dc = GetDC(nullptr);
    int pixelsPerInch = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    // A negative height asks for the character height: 12 points, rounded toward zero.
    font.lfHeight = -(12 * pixelsPerInch / 72);
    return CreateFontIndirectW(&font);
}

CBasePropPage::CBasePropPage(CBaseNode* node) : m_node(node) {}

CBasePropPage::~CBasePropPage() {
    // A node deletes its pages when it builds its next sheet, and a modeless sheet of the previous one
    // may still be open: its page window must not lead here any more.
    {
        std::lock_guard guard(g_pagesLock);
        std::erase_if(PageMap(), [this](const auto& entry) { return entry.second == this; });
    }
    if (m_titleFont) DeleteObject(m_titleFont);
}

HPROPSHEETPAGE CBasePropPage::Create(DWORD flags, UINT dialogId, UINT titleId, UINT headerTitleId,
                                     UINT headerSubtitleId) {
    // The page record's texts are copied by CreatePropertySheetPageW, so locals do.
    std::wstring title = titleId ? LoadResString(titleId) : std::wstring();
    std::wstring headerTitle = headerTitleId ? LoadResString(headerTitleId) : std::wstring();
    std::wstring headerSubtitle = headerSubtitleId ? LoadResString(headerSubtitleId) : std::wstring();
    PROPSHEETPAGEW page{};
    page.dwSize = sizeof page;
    page.dwFlags = flags;
    page.hInstance = SnapinModule().resourceModule;
    page.pszTemplate = MAKEINTRESOURCEW(dialogId);
    page.pszTitle = title.c_str();
    page.pfnDlgProc = PageProc;
    page.lParam = reinterpret_cast<LPARAM>(this);
    page.pszHeaderTitle = headerTitle.c_str();
    page.pszHeaderSubTitle = headerSubtitle.c_str();
    CreatePageFunction create = CreatePageEntry();
    m_pageHandle = create ? create(&page) : nullptr;
    return m_pageHandle;
}

HPROPSHEETPAGE CBasePropPage::CreatePropertyPage(UINT dialogId, UINT titleId) {
    m_pageKind = kPropertyPage;
    return Create(PSP_USETITLE | PSP_USEICONID, dialogId, titleId, 0, 0);
}

HPROPSHEETPAGE CBasePropPage::CreateExteriorPage(UINT dialogId, UINT titleId) {
    m_pageKind = kExteriorPage;
    if (!m_titleFont) m_titleFont = CreateTitleFont();
    return Create(PSP_HIDEHEADER | PSP_USETITLE, dialogId, titleId, 0, 0);
}

HPROPSHEETPAGE CBasePropPage::CreateInteriorPage(UINT dialogId, UINT headerTitleId, UINT headerSubtitleId) {
    m_pageKind = kInteriorPage;
    return Create(PSP_USEHEADERTITLE | PSP_USEHEADERSUBTITLE | PSP_USETITLE, dialogId, 0, headerTitleId,
                  headerSubtitleId);
}

INT_PTR CALLBACK CBasePropPage::PageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CBasePropPage* page = nullptr;
    if (message == WM_INITDIALOG) {
        // The sheet hands the page its copy of the page record; the record's parameter is the page.
        auto* record = reinterpret_cast<PROPSHEETPAGEW*>(lParam);
        page = record ? reinterpret_cast<CBasePropPage*>(record->lParam) : nullptr;
        if (page) {
            std::lock_guard guard(g_pagesLock);
            PageMap()[window] = page;
        }
    } else {
        std::lock_guard guard(g_pagesLock);
        auto found = PageMap().find(window);
        if (found != PageMap().end()) {
            page = found->second;
            if (message == WM_DESTROY) PageMap().erase(found);
        }
    }
    if (!page) return DefWindowProcW(window, message, wParam, lParam);
    return page->WindowProc(window, message, wParam, lParam);
}

CBasePropPage* CBasePropPage::FromWindow(HWND window) {
    std::lock_guard guard(g_pagesLock);
    auto found = PageMap().find(window);
    return found == PageMap().end() ? nullptr : found->second;
}

INT_PTR CBasePropPage::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(window, reinterpret_cast<HWND>(wParam), lParam);
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        switch (header->code) {
        case PSN_SETACTIVE:
            return OnSetActive(header);
        case PSN_KILLACTIVE:
            return OnKillActive(header);
        case PSN_APPLY:
            return OnApply(header);
        case PSN_WIZBACK:
            return OnWizardBack(header);
        case PSN_WIZNEXT:
            return OnWizardNext(header);
        case PSN_WIZFINISH:
            return OnWizardFinish(header);
        default:
            return OnNotify(wParam, header);
        }
    }
    case WM_COMMAND:
        return OnCommand(HIWORD(wParam), LOWORD(wParam), reinterpret_cast<HWND>(lParam));
    case WM_CTLCOLORSTATIC:
        return OnCtlColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_CTLCOLORBTN:
        return OnCtlColorBtn(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_HELP:
        return OnHelp(reinterpret_cast<HELPINFO*>(lParam));
    case WM_DESTROY:
        return OnDestroy();
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

void CBasePropPage::SetMessageResult(LONG_PTR result) {
    SetWindowLongPtrW(m_pageWindow, DWLP_MSGRESULT, result);
}

INT_PTR CBasePropPage::OnInitDialog(HWND window, HWND focus, LPARAM) {
    m_pageWindow = window;
    SetFocus(focus);
    if (m_pageKind == kExteriorPage && m_titleFont)
        SendDlgItemMessageW(window, kTitleControl, WM_SETFONT, reinterpret_cast<WPARAM>(m_titleFont), TRUE);
    SetMessageResult(0);
    return TRUE;
}

INT_PTR CBasePropPage::OnSetActive(NMHDR* header) {
    SetMessageResult(0);
    m_sheetWindow = header->hwndFrom;
    return TRUE;
}

INT_PTR CBasePropPage::OnWizardNext(NMHDR*) {
    SetMessageResult(0);
    return TRUE;
}

INT_PTR CBasePropPage::OnWizardBack(NMHDR*) {
    SetMessageResult(0);
    return TRUE;
}

INT_PTR CBasePropPage::OnWizardFinish(NMHDR*) {
    SetMessageResult(0);
    return TRUE;
}

INT_PTR CBasePropPage::OnKillActive(NMHDR*) {
    SetMessageResult(0);
    return TRUE;
}

INT_PTR CBasePropPage::OnApply(NMHDR*) {
    SetMessageResult(0);
    return TRUE;
}

INT_PTR CBasePropPage::OnDestroy() {
    return 0;
}

INT_PTR CBasePropPage::OnCommand(WORD code, WORD id, HWND control) {
    SetMessageResult(0);
    return DefWindowProcW(m_pageWindow, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(control));
}

INT_PTR CBasePropPage::OnNotify(WPARAM wParam, NMHDR* header) {
    return DefWindowProcW(m_pageWindow, WM_NOTIFY, wParam, reinterpret_cast<LPARAM>(header));
}

INT_PTR CBasePropPage::OnCtlColorStatic(HDC, HWND) {
    return 0;
}

INT_PTR CBasePropPage::OnCtlColorBtn(HDC, HWND) {
    return 0;
}

INT_PTR CBasePropPage::OnHelp(HELPINFO*) {
    return 0;
}

void CBasePropPage::Reserved() {}

} // namespace Snapins
