// tavrosk-rc: the resource compiler that the build runs on every resource script.
//   tavrosk-rc [-I DIR]... [-D NAME[=VALUE]]... -o OUT.cpp SCRIPT
// writes OUT.cpp, which links the script's resources into the module, and OUT.cpp.d, the files it read.
// A fault in the script is reported as "script.rc(12): error: ..." and the exit status is 1; nothing
// is written then, so a failed build never leaves stale resources behind.
#include <cstdio>
#include <cstring>
#include <fstream>

#include "rc.h"

namespace {

int Usage(const char* why) {
    std::fprintf(stderr,
                 "tavrosk-rc: %s\nusage: tavrosk-rc [-I DIR]... [-D NAME[=VALUE]]... -o OUT.cpp SCRIPT\n",
                 why);
    return 2;
}

// Writes beside the target and renames, so that the target is either the old file or the whole new one.
bool WriteFile(const std::string& path, const std::string& content) {
    std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out.write(content.data(), static_cast<std::streamsize>(content.size()))) return false;
    }
    return std::rename(temporary.c_str(), path.c_str()) == 0;
}

} // namespace

int main(int argc, char** argv) {
    rc::Options options;
    std::string output;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&](const char* flag) -> const char* {
            if (arg.size() > 2) return argv[i] + 2;
            if (i + 1 >= argc) return nullptr;
            (void)flag;
            return argv[++i];
        };
        if (arg.compare(0, 2, "-I") == 0) {
            const char* dir = value("-I");
            if (!dir) return Usage("-I needs a folder");
            options.includeDirs.push_back(dir);
        } else if (arg.compare(0, 2, "-D") == 0) {
            const char* define = value("-D");
            if (!define) return Usage("-D needs a macro name");
            options.defines.push_back(define);
        } else if (arg.compare(0, 2, "-o") == 0) {
            const char* file = value("-o");
            if (!file) return Usage("-o needs a file name");
            output = file;
        } else if (!arg.empty() && arg[0] == '-') {
            return Usage(("unknown option " + arg).c_str());
        } else if (options.script.empty()) {
            options.script = arg;
        } else {
            return Usage("only one script at a time");
        }
    }
    if (options.script.empty()) return Usage("no script given");
    if (output.empty()) return Usage("no output file given (-o)");

    rc::DiskFiles files;
    try {
        rc::Output compiled = rc::Compile(options, files);
        std::string name = options.script.substr(options.script.find_last_of('/') + 1);
        if (!WriteFile(output, rc::EmitSource(compiled.blob, name)) ||
            !WriteFile(output + ".d", rc::EmitDepfile(output, compiled.inputs))) {
            std::fprintf(stderr, "tavrosk-rc: error: cannot write %s: %s\n", output.c_str(),
                         std::strerror(errno));
            return 1;
        }
    } catch (const rc::Error& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
