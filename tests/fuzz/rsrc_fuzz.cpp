// Fuzz target of the readers of library files: the input is written to a file that is then read as a
// library's resources (LoadLibraryExW as a data file, FindResourceW, LockResource) and as its version
// information (GetFileVersionInfoW, VerQueryValueW), the way the snap-in reads a satellite library's.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tvplatform.h"
#include "windows.h"

namespace {

// The file the inputs are written to, in a folder of its own that is removed at exit.
struct InputFolder {
    InputFolder() {
        char pattern[] = "/tmp/tavrosk-rsrc-fuzz-XXXXXX";
        if (!mkdtemp(pattern)) std::abort();
        folder = pattern;
    }
    ~InputFolder() {
        unlink((folder + "/input.so").c_str());
        rmdir(folder.c_str());
    }
    std::string folder;
};

std::wstring InputFile() {
    static InputFolder input;
    return tvp::FromUtf8(input.folder + "/input.so");
}

void ReadResources(const std::wstring& file) {
    HMODULE module = LoadLibraryExW(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) return;
    const LPCWSTR types[] = {RT_STRING, RT_DIALOG, RT_BITMAP, RT_ICON, RT_GROUP_ICON, RT_VERSION};
    for (LPCWSTR type : types) {
        for (WORD id = 0; id < 8; ++id) {
            HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), type);
            if (!found) continue;
            auto data = static_cast<const volatile BYTE*>(LockResource(LoadResource(module, found)));
            DWORD size = SizeofResource(module, found);
            unsigned sum = 0;
            for (DWORD i = 0; i < size; ++i)
                sum += data[i]; // every byte must be readable
            (void)sum;
        }
    }
    FindResourceW(module, L"NAMED", RT_BITMAP);
    FreeLibrary(module);
}

void ReadVersion(const std::wstring& file) {
    DWORD size = GetFileVersionInfoSizeW(file.c_str(), nullptr);
    if (size == 0) return;
    std::vector<BYTE> block(size);
    if (!GetFileVersionInfoW(file.c_str(), 0, size, block.data())) std::abort(); // the size was just given
    const wchar_t* paths[] = {L"\\", L"\\VarFileInfo\\Translation",
                              L"\\StringFileInfo\\040904b0\\ProductVersion", L"\\StringFileInfo\\040904b0",
                              L"\\\\x\\\\"};
    for (const wchar_t* path : paths) {
        LPVOID value = nullptr;
        UINT length = 0;
        if (VerQueryValueW(block.data(), path, &value, &length) && length) {
            auto bytes = static_cast<const volatile BYTE*>(value);
            (void)bytes[0];
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::wstring file = InputFile();
    FILE* out = std::fopen(tvp::ToUtf8(file).c_str(), "wb");
    if (!out) std::abort();
    if (size) std::fwrite(data, 1, size, out);
    std::fclose(out);
    ReadResources(file);
    ReadVersion(file);
    return 0;
}
