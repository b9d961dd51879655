// The test programs' main(): every test program runs in a fresh temporary prefix of its own, so no
// test sees another's registry, instances or files, and none touches the user's own prefix.
#include "test_support.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>

namespace tvtest {

namespace {
std::string g_root;   // the test program's temporary folder: the prefix and the tests' own folders
std::string g_prefix; // g_root/prefix
} // namespace

std::string Prefix() {
    return g_prefix;
}

std::string MakeFolder(const std::string& name) {
    // A user's own folders lie outside the prefix; a drive folder is the prefix's by definition.
    std::string path = (name.rfind("drives/", 0) == 0 ? g_prefix : g_root) + "/" + name;
    std::filesystem::create_directories(path);
    return path;
}

std::string BuildDir() {
    const char* build = std::getenv("TAVROSK_BUILD");
    if (build && *build) return build;
    // Run by hand from build/tests: the build tree is the parent folder.
    return std::filesystem::canonical("/proc/self/exe").parent_path().parent_path().string();
}

int Run(const std::string& command, std::string* output) {
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return -1;
    std::array<char, 4096> buffer;
    std::string text;
    size_t got;
    while ((got = fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        text.append(buffer.data(), got);
    int status = pclose(pipe);
    if (output) *output = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace tvtest

int main(int argc, char** argv) {
    char pattern[] = "/tmp/tavrosk-test-XXXXXX";
    const char* made = mkdtemp(pattern);
    if (!made) {
        perror("mkdtemp");
        return 2;
    }
    tvtest::g_root = made;
    tvtest::g_prefix = tvtest::g_root + "/prefix";
    std::filesystem::create_directory(tvtest::g_prefix);
    setenv("TAVROSK_PREFIX", tvtest::g_prefix.c_str(), 1);
    ::testing::InitGoogleTest(&argc, argv);
    int result = RUN_ALL_TESTS();
    std::error_code ec;
    if (result == 0)
        std::filesystem::remove_all(tvtest::g_root, ec);
    else
        fprintf(stderr, "test prefix kept for inspection: %s\n", tvtest::g_prefix.c_str());
    return result;
}
