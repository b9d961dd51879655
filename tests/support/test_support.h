// What the tests share: a fresh temporary prefix for the test program, and where the build put things.
#pragma once

#include <string>

namespace tvtest {

// The temporary prefix the test program runs in ($TAVROSK_PREFIX, made fresh by main()).
std::string Prefix();

// A folder for a test's own files, beside the prefix as a user's folders are ("drives/..." names a
// drive folder inside the prefix).
std::string MakeFolder(const std::string& name);

// The build tree (bin/, lib/, tests/), from $TAVROSK_BUILD that ctest sets.
std::string BuildDir();

// Runs a shell command and returns its exit status, with its standard output in `output`.
int Run(const std::string& command, std::string* output = nullptr);

} // namespace tvtest
