// What the resource tests share: the test libraries' paths and a reader of the binary resource forms.
#pragma once

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "test_support.h"
#include "tvplatform.h"
#include "windows.h"

namespace rctest {

inline std::string LibraryPath(const std::string& name) {
    return tvtest::BuildDir() + "/lib/lib" + name + ".so";
}
inline std::wstring WideLibraryPath(const std::string& name) {
    return tvp::FromUtf8(LibraryPath(name));
}

inline std::string SourceDir() {
    return std::string(TAVROSK_RC_TEST_SOURCE_DIR);
}

inline std::vector<BYTE> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<BYTE>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::string& path, const std::vector<BYTE>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A library loaded for one test and freed at its end.
class Library {
public:
    explicit Library(const std::string& name, DWORD flags = 0)
        : handle_(LoadLibraryExW(WideLibraryPath(name).c_str(), nullptr, flags)) {}
    ~Library() {
        if (handle_) FreeLibrary(handle_);
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;
    HMODULE get() const { return handle_; }
    void Free() {
        FreeLibrary(handle_);
        handle_ = nullptr;
    }

private:
    HMODULE handle_;
};

// Reads the little-endian fields of a resource, failing the test instead of reading past its end.
class Reader {
public:
    Reader(const BYTE* data, size_t size) : data_(data), size_(size) {}

    bool Ok() const { return ok_; }
    size_t Offset() const { return at_; }
    size_t Size() const { return size_; }
    BYTE U8() { return static_cast<BYTE>(Take(1)); }
    WORD U16() { return static_cast<WORD>(Take(2)); }
    DWORD U32() { return static_cast<DWORD>(Take(4)); }
    std::u16string Text() { // a null-terminated UTF-16 string
        std::u16string text;
        for (char16_t c; ok_ && (c = U16()) != 0;)
            text += c;
        return text;
    }
    std::u16string Counted(size_t length) {
        std::u16string text;
        for (size_t i = 0; i < length && ok_; ++i)
            text += U16();
        return text;
    }
    void Align4() { at_ = (at_ + 3) / 4 * 4; }

private:
    uint64_t Take(size_t n) {
        if (!ok_ || size_ - at_ < n) {
            ok_ = false;
            return 0;
        }
        uint64_t v = 0;
        for (size_t i = 0; i < n; ++i)
            v |= uint64_t(data_[at_ + i]) << (8 * i);
        at_ += n;
        return v;
    }

    const BYTE* data_;
    size_t size_;
    size_t at_ = 0;
    bool ok_ = true;
};

// The bytes of a resource of a module; empty when it has none.
inline std::vector<BYTE> ResourceBytes(HMODULE module, LPCWSTR name, LPCWSTR type, WORD language = 0) {
    HRSRC found =
        language ? FindResourceExW(module, type, name, language) : FindResourceW(module, name, type);
    if (!found) return {};
    auto data = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
    if (!data) return {};
    return std::vector<BYTE>(data, data + SizeofResource(module, found));
}

} // namespace rctest
