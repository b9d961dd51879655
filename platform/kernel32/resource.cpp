// Resources of modules: FindResourceW and its relatives over the resource blob that the resource
// compiler links into a module (the exported symbol tv_rsrc in its ".rsrc" section), or that
// LoadLibraryExW read from a data file. An HRSRC (and the HGLOBAL that LoadResource gives for it) is an
// id made of the module's id and the resource's entry, never a pointer: once the module is freed, the
// handle names nothing and LockResource gives null instead of freed memory.
#include <dlfcn.h>
#include <link.h>

#include "kernel32_internal.h"
#include "rsrc_format.h"
#include "tvplatform.h"

namespace {

constexpr int kEntryBits = 20; // the low bits of a handle: entry index + 1

ULONG_PTR MakeHandle(HMODULE module, size_t index) {
    return (reinterpret_cast<ULONG_PTR>(module) << kEntryBits) | (index + 1);
}

// The module's blob and the entry a handle names; false when either is gone.
bool Resolve(ULONG_PTR handle, tvrsrc::View& view, size_t& index) {
    ULONG_PTR entry = handle & ((ULONG_PTR(1) << kEntryBits) - 1);
    HMODULE module = reinterpret_cast<HMODULE>(handle >> kEntryBits);
    k32::ModuleView mv;
    if (entry == 0 || !module || !k32::GetModuleView(module, mv) || !view.Open(mv.rsrc, mv.rsrcSize) ||
        entry > view.Count()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    index = entry - 1;
    return true;
}

// Whether a resource's type or name is what the caller asked for: MAKEINTRESOURCE(n), "#n", or a name
// compared without regard to case.
bool Matches(const tvrsrc::Id& id, LPCWSTR query) {
    if (IS_INTRESOURCE(query)) return !id.named && id.id == LOWORD(query);
    if (query[0] == L'#') {
        unsigned long value = 0;
        const WCHAR* p = query + 1;
        for (; *p >= L'0' && *p <= L'9' && value <= 0xFFFF; ++p)
            value = value * 10 + (*p - L'0');
        return !*p && p != query + 1 && value <= 0xFFFF && !id.named && id.id == value;
    }
    if (!id.named) return false;
    std::u16string wanted = tvp::ToUtf16(query);
    if (wanted.size() != id.name.size()) return false;
    for (size_t i = 0; i < wanted.size(); ++i)
        if (tvrsrc::UpperCase(wanted[i]) != id.name[i]) return false;
    return true;
}

HRSRC Find(HMODULE hModule, LPCWSTR lpType, LPCWSTR lpName, WORD wLanguage, bool anyLanguage) {
    HMODULE module = hModule ? hModule : GetModuleHandleW(nullptr);
    k32::ModuleView mv;
    if (!module || !k32::GetModuleView(module, mv)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    tvrsrc::View view;
    if (!view.Open(mv.rsrc, mv.rsrcSize)) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    bool typeFound = false, nameFound = false;
    size_t best = 0;
    int bestRank = 99;
    for (size_t i = 0; i < view.Count(); ++i) {
        if (!Matches(view.Type(i), lpType)) continue;
        typeFound = true;
        if (!Matches(view.Name(i), lpName)) continue;
        nameFound = true;
        int rank =
            anyLanguage ? tvrsrc::LanguageRank(view.Language(i)) : (view.Language(i) == wLanguage ? 0 : 99);
        if (rank < bestRank) {
            best = i;
            bestRank = rank;
        }
    }
    if (!typeFound || !nameFound || bestRank == 99) {
        SetLastError(!typeFound   ? ERROR_RESOURCE_TYPE_NOT_FOUND
                     : !nameFound ? ERROR_RESOURCE_NAME_NOT_FOUND
                                  : ERROR_RESOURCE_LANG_NOT_FOUND);
        return nullptr;
    }
    if (best + 1 >= (size_t(1) << kEntryBits)) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<HRSRC>(MakeHandle(module, best));
}

} // namespace

namespace k32 {

std::pair<const BYTE*, size_t> FindResourceBlob(void* dl, const std::string&) {
    dlerror();
    void* symbol = dlsym(dl, "tv_rsrc");
    if (!symbol) return {nullptr, 0};
    // dlsym also searches the libraries this one depends on: the blob counts only if it is this
    // library's own.
    Dl_info info;
    struct link_map* owner = nullptr;
    struct link_map* self = nullptr;
    if (!dladdr1(symbol, &info, reinterpret_cast<void**>(&owner), RTLD_DL_LINKMAP) || !owner ||
        dlinfo(dl, RTLD_DI_LINKMAP, &self) != 0 || owner != self)
        return {nullptr, 0};
    const BYTE* blob = static_cast<const BYTE*>(symbol);
    tvrsrc::Header header;
    std::memcpy(&header, blob, sizeof header);
    tvrsrc::View view;
    if (!view.Open(blob, header.totalSize)) return {nullptr, 0};
    return {blob, view.TotalSize()};
}

} // namespace k32

extern "C" HRSRC WINAPI FindResourceW(HMODULE hModule, LPCWSTR lpName, LPCWSTR lpType) {
    return Find(hModule, lpType, lpName, 0, true);
}

extern "C" HRSRC WINAPI FindResourceExW(HMODULE hModule, LPCWSTR lpType, LPCWSTR lpName, WORD wLanguage) {
    // The neutral language asks for the caller's own language, which is the default order here.
    return Find(hModule, lpType, lpName, wLanguage, wLanguage == 0);
}

extern "C" HGLOBAL WINAPI LoadResource(HMODULE hModule, HRSRC hResInfo) {
    tvrsrc::View view;
    size_t index;
    if (!Resolve(reinterpret_cast<ULONG_PTR>(hResInfo), view, index)) return nullptr;
    return reinterpret_cast<HGLOBAL>(hResInfo);
}

extern "C" LPVOID WINAPI LockResource(HGLOBAL hResData) {
    tvrsrc::View view;
    size_t index;
    if (!Resolve(reinterpret_cast<ULONG_PTR>(hResData), view, index)) return nullptr;
    return const_cast<BYTE*>(view.Data(index));
}

extern "C" DWORD WINAPI SizeofResource(HMODULE hModule, HRSRC hResInfo) {
    tvrsrc::View view;
    size_t index;
    if (!Resolve(reinterpret_cast<ULONG_PTR>(hResInfo), view, index)) return 0;
    return view.Size(index);
}

// Resources stay where the module holds them until it is freed; there is nothing to release.
extern "C" BOOL WINAPI FreeResource(HGLOBAL hResData) {
    return FALSE;
}
