// Fuzz target of the resource compiler: the input is a script, and whatever follows its first NUL byte
// is the content of the image files it may name (a.bmp, a.ico). A fault in the input must end in an
// rc::Error, never in a crash, a hang or a blob that kernel32 could not read.
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>

#include "rc.h"
#include "rsrc_format.h"

namespace {

class MemoryFiles : public rc::FileSource {
public:
    std::optional<std::string> Read(const std::string& path) override {
        auto it = files.find(path);
        if (it == files.end()) return std::nullopt;
        return it->second;
    }
    std::map<std::string, std::string> files;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string input(reinterpret_cast<const char*>(data), size);
    size_t nul = input.find('\0');
    MemoryFiles files;
    files.files["/fuzz/main.rc"] = input.substr(0, nul);
    std::string image = nul == std::string::npos ? "" : input.substr(nul + 1);
    files.files["/fuzz/a.bmp"] = image;
    files.files["/fuzz/a.ico"] = image;
    files.files["/include/ids.h"] = "#pragma once\n#define IDA 10\n#define IDB (IDA + 1)\nint skipped;\n";
    files.files["/fuzz/more.rc"] = "STRINGTABLE\nBEGIN\n 900 \"included\"\nEND\n";
    rc::Options options;
    options.script = "/fuzz/main.rc";
    options.includeDirs = {"/include"};
    try {
        rc::Output output = rc::Compile(options, files);
        tvrsrc::View view;
        if (!view.Open(output.blob.data(), output.blob.size()) || view.TotalSize() != output.blob.size())
            std::abort();
        rc::EmitSource(output.blob, "main.rc");
    } catch (const rc::Error&) {
        // a fault in the script, reported as such
    }
    return 0;
}
