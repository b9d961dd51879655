// The resource compiler's core, as the tavrosk-rc program, its tests and its fuzz target use it: a
// resource script in, the module's resource blob out (the format of platform/kernel32/rsrc_format.h),
// with the list of every file that was read for the build's dependency file.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace rc {

struct Location {
    std::string file;
    int line = 0;
};

// A fault in the script or in a file it names. what() is the whole message as a person reads it:
// "tavrosk.rc(12): error: unknown control keyword 'LABEL'".
class Error : public std::runtime_error {
public:
    Error(const Location& where, const std::string& message);
    const Location& Where() const { return where_; }

private:
    Location where_;
};

// Where the compiler reads files from: the disk for the program, memory for the fuzz target and tests.
class FileSource {
public:
    virtual ~FileSource() = default;
    // The content of the file at `path`; nullopt when there is no readable file there.
    virtual std::optional<std::string> Read(const std::string& path) = 0;
};

class DiskFiles : public FileSource {
public:
    std::optional<std::string> Read(const std::string& path) override;
};

struct Options {
    std::string script;                   // the script's path, as it appears in messages
    std::vector<std::string> includeDirs; // searched for #include after the including file's folder
    std::vector<std::string> defines;     // NAME or NAME=VALUE, as if #defined before the script
};

struct Output {
    std::vector<uint8_t> blob;       // the resource blob
    std::vector<std::string> inputs; // every file read: the script, its includes, images
};

// Compiles the script; throws Error on the first fault.
Output Compile(const Options& options, FileSource& files);

// The C++ source that places the blob in the ".rsrc" section as the exported symbol tv_rsrc.
std::string EmitSource(const std::vector<uint8_t>& blob, const std::string& scriptName);

// A Make-style dependency file: `target` depends on every one of `inputs`.
std::string EmitDepfile(const std::string& target, const std::vector<std::string>& inputs);

} // namespace rc
