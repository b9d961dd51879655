// regsvr32: registers an in-process COM server by loading its library and calling the library's own
// DllRegisterServer (or, with /u, DllUnregisterServer).
//   regsvr32 [/u] [/s] LIBRARY
// Exit status: 0 done, 1 wrong arguments, 3 the library cannot be loaded, 4 it has no such entry point,
// 5 the entry point failed. /s leaves out the line that reports success; failures are always reported.
#include <unistd.h>

#include <cstdio>
#include <cwchar>
#include <cwctype>
#include <string>

#include "tvplatform.h"
#include "windows.h"

namespace {

typedef HRESULT(STDMETHODCALLTYPE* RegisterFunction)(void);

constexpr int kUsage = 1, kCannotLoad = 3, kNoEntryPoint = 4, kCallFailed = 5;

void Print(FILE* stream, const std::wstring& text) {
    std::fputs((tvp::ToUtf8(text) + "\n").c_str(), stream);
}

std::wstring ErrorText(DWORD error) {
    WCHAR text[512] = {};
    if (!FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, error, 0, text, 512, nullptr))
        return L"error " + std::to_wstring(error);
    std::wstring message = text;
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r'))
        message.pop_back();
    return message;
}

std::wstring Hex(HRESULT result) {
    wchar_t text[16];
    std::swprintf(text, 16, L"0x%08x", static_cast<unsigned>(result));
    return text;
}

int Usage() {
    Print(stderr, L"usage: regsvr32 [/u] [/s] LIBRARY\n"
                  L"  Calls DllRegisterServer of LIBRARY, or DllUnregisterServer with /u.\n"
                  L"  /s  no line when it succeeds");
    return kUsage;
}

} // namespace

int main(int argc, char** argv) {
    bool unregister = false, silent = false;
    std::wstring library;
    for (int i = 1; i < argc; ++i) {
        std::wstring arg = tvp::FromUtf8(argv[i]);
        if (arg.size() == 2 && (arg[0] == L'/' || arg[0] == L'-')) {
            wchar_t option = static_cast<wchar_t>(std::towlower(arg[1]));
            if (option == L'u')
                unregister = true;
            else if (option == L's')
                silent = true;
            else
                return Usage();
        } else if (library.empty()) {
            library = arg;
        } else {
            return Usage();
        }
    }
    if (library.empty()) return Usage();

    // A bare file name in the current folder is that file, as an administrator expects.
    std::wstring path = library;
    if (path.find(L'/') == std::wstring::npos && path.find(L'\\') == std::wstring::npos &&
        access(tvp::ToUtf8(path).c_str(), F_OK) == 0)
        path = L"./" + path;

    HMODULE module = LoadLibraryW(path.c_str());
    if (!module) {
        Print(stderr, L"The module \"" + library + L"\" failed to load: " + ErrorText(GetLastError()));
        return kCannotLoad;
    }
    const char* entry = unregister ? "DllUnregisterServer" : "DllRegisterServer";
    std::wstring entryName = tvp::FromUtf8(entry);
    auto function = reinterpret_cast<RegisterFunction>(GetProcAddress(module, entry));
    if (!function) {
        Print(stderr, L"The module \"" + library + L"\" was loaded, but the entry point " + entryName +
                          L" was not found.");
        FreeLibrary(module);
        return kNoEntryPoint;
    }
    HRESULT result = function();
    FreeLibrary(module);
    if (FAILED(result)) {
        Print(stderr, entryName + L" in " + library + L" failed. Return code was: " + Hex(result));
        return kCallFailed;
    }
    if (!silent) Print(stdout, entryName + L" in " + library + L" succeeded.");
    return 0;
}
