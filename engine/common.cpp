// Small helpers of the engine: where instances live, owner-only folders and files, text and time
// formatting, and process liveness (for sessions left behind by a killed process).
#include <fcntl.h>
#include <openssl/rand.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <fstream>
#include <sstream>

#include "internal.h"
#include "tvplatform.h"
#include "windows.h"

namespace tvengine::detail {

std::string InstancesFolder() {
    return tvp::Prefix() + "/instances";
}

std::string InstanceFolder(const std::string& name) {
    return InstancesFolder() + "/" + name;
}

std::string NativePath(const std::string& path) {
    return tvp::NativePath(tvp::FromUtf8(path));
}

std::string FolderOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string FileNameOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool FileExists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

long long FileSize(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return -1;
    return st.st_size;
}

void MakePrivateFolder(const std::string& path) {
    if (path.empty()) return;
    struct stat st;
    if (::stat(path.c_str(), &st) == 0) {
        if (!S_ISDIR(st.st_mode)) throw Error(kErrInternal, "'" + path + "' is not a folder.");
        return;
    }
    MakePrivateFolder(FolderOf(path));
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        throw Error(kErrInternal,
                    Format("Could not create the folder '%s': %s", path.c_str(), strerror(errno)));
    // The umask may have taken bits off; owner-only is the point, so set it exactly.
    ::chmod(path.c_str(), 0700);
}

int CreatePrivateFile(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) ::fchmod(fd, 0600);
    return fd;
}

void FsyncFolder(const std::string& folder) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return; // the rename itself happened; only its durability is at stake
    ::fsync(fd);
    ::close(fd);
}

std::string SafeFileName(const std::string& name) {
    std::string safe;
    for (char c : name)
        safe += (c == '/' || c == '\\' || c == '\0') ? '_' : c;
    if (safe == "." || safe == "..") safe = "_" + safe;
    return safe;
}

std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

std::string Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int length = vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text(length > 0 ? static_cast<size_t>(length) : 0, '\0');
    if (length > 0) vsnprintf(text.data(), text.size() + 1, format, args);
    va_end(args);
    return text;
}

std::string DateTimeText(std::time_t when) {
    struct tm tm;
    localtime_r(&when, &tm);
    char buffer[32];
    strftime(buffer, sizeof(buffer), "%Y-%m-%d %H:%M:%S", &tm);
    return buffer;
}

std::string NewGuid() {
    unsigned char bytes[16];
    if (RAND_bytes(bytes, sizeof(bytes)) != 1)
        throw Error(kErrInternal, "No random numbers for a new identifier.");
    bytes[6] = static_cast<unsigned char>((bytes[6] & 0x0F) | 0x40);
    bytes[8] = static_cast<unsigned char>((bytes[8] & 0x3F) | 0x80);
    return Format("{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}", bytes[0],
                  bytes[1], bytes[2], bytes[3], bytes[4], bytes[5], bytes[6], bytes[7], bytes[8], bytes[9],
                  bytes[10], bytes[11], bytes[12], bytes[13], bytes[14], bytes[15]);
}

std::string ThisComputerName() {
    WCHAR name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    if (!GetComputerNameW(name, &size)) return "LOCALHOST";
    return tvp::ToUtf8(std::wstring(name, size));
}

std::string ProcessStartTime(long long pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // The command name may hold blanks and parentheses; the fields after its closing one are fixed.
    size_t close = stat.rfind(')');
    if (close == std::string::npos) return {};
    std::istringstream fields(stat.substr(close + 2));
    std::string field;
    // Field 22 of the line is the start time; after the name we are at field 3.
    for (int i = 3; i <= 22 && fields >> field; ++i) {
        if (i == 22) return field;
    }
    return {};
}

bool ProcessAlive(long long pid, const std::string& startTime) {
    if (pid <= 0) return false;
    if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) return false;
    // A pid can be reused by a later process; the start time tells them apart.
    std::string now = ProcessStartTime(pid);
    return !now.empty() && now == startTime;
}

} // namespace tvengine::detail
