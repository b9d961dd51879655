// What the files of advapi32 share among themselves and nothing else sees: the registry hive (one
// SQLite file per prefix) with the key and value operations that the registry functions build on, and
// the case folding that makes key and value names case-insensitive.
#pragma once

#include <sqlite3.h>
#include <sys/types.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "windows.h"

namespace adv {

// The name as keys and values are compared: every character mapped to its lower-case form.
std::wstring FoldName(std::wstring_view name);

// The two keys at the top of every hive; HKEY_CLASSES_ROOT and HKEY_CURRENT_USER are views below them.
constexpr int64_t kLocalMachineKey = 1;
constexpr int64_t kUsersKey = 2;

// A SQLite failure inside a transaction, already reported; carries the ERROR_* code for the caller.
struct HiveError {
    LONG code;
};

struct KeyRow {
    int64_t id = 0;
    std::wstring name;
    int64_t written = 0; // FILETIME ticks
};

struct ValueRow {
    std::wstring name;
    DWORD type = REG_NONE;
    std::vector<BYTE> data; // as stored: strings are UTF-16LE with their terminating nulls
};

struct KeyCounts {
    DWORD subKeys = 0, maxSubKeyLen = 0, values = 0, maxValueNameLen = 0, maxValueLen = 0;
};

class Statement;

// One hive file and the connection to it. Every call goes through Ready() first, which opens and checks
// the file when needed; the key and value operations below run inside Read() or Write() only.
class Hive {
public:
    explicit Hive(std::string path) : path_(std::move(path)) {}
    ~Hive();
    Hive(const Hive&) = delete;
    Hive& operator=(const Hive&) = delete;

    const std::string& Path() const { return path_; }

    // ERROR_SUCCESS when the hive is open and sound; otherwise the failure, with its problem reported.
    LONG Ready();

    // Runs `work` (returning an ERROR_* code) in one transaction: a shared one for reading, an immediate
    // one for writing, committed only when `work` succeeds.
    template <class Work> LONG Read(Work&& work) { return Run(false, work); }
    template <class Work> LONG Write(Work&& work) { return Run(true, work); }

    bool KeyExists(int64_t id);
    int64_t Parent(int64_t id);
    int64_t Child(int64_t parent, std::wstring_view name); // 0 when there is none
    int64_t AddChild(int64_t parent, std::wstring_view name);
    bool HasChildren(int64_t id);
    std::optional<KeyRow> ChildAt(int64_t parent, DWORD index);
    void DeleteSubtree(int64_t id, bool keepKey);
    void Touch(int64_t id);
    int64_t Written(int64_t id);
    KeyCounts Counts(int64_t id);

    std::optional<ValueRow> Value(int64_t key, std::wstring_view name);
    std::optional<ValueRow> ValueAt(int64_t key, DWORD index);
    void SetValue(int64_t key, std::wstring_view name, DWORD type, const std::vector<BYTE>& data);
    bool DeleteValue(int64_t key, std::wstring_view name);

    // Reports a SQLite failure and gives the ERROR_* code that stands for it.
    LONG Fail(int rc);

private:
    friend class Statement;
    template <class Work> LONG Run(bool write, Work& work) {
        LONG result = Begin(write);
        if (result != ERROR_SUCCESS) return result;
        try {
            result = work();
        } catch (const HiveError& error) {
            result = error.code;
        }
        return result == ERROR_SUCCESS ? Commit() : (Rollback(), result);
    }
    int Exec(const char* sql);
    LONG Begin(bool write);
    LONG Commit();
    void Rollback();
    LONG Open();
    LONG Check();
    LONG Initialise();
    LONG Damaged(const std::string& why);
    void Close();
    sqlite3_stmt* Prepare(const char* sql);

    std::string path_;
    sqlite3* db_ = nullptr;
    pid_t pid_ = 0;    // the process that opened db_: a connection never crosses a fork
    dev_t device_ = 0; // the file db_ is open on: a hive replaced or removed meanwhile is opened afresh
    ino_t inode_ = 0;
    bool recheck_ = false; // a failure cast doubt on the file: close and check it again on the next call
    std::map<const char*, sqlite3_stmt*> statements_;
};

// The hive of the current prefix, found afresh on every call so that a change of TAVROSK_PREFIX is seen.
std::string CurrentHivePath();
Hive& HiveAt(const std::string& path);
// Closes hives that are neither current nor named by an open handle.
void ForgetHives(const std::vector<std::string>& inUse);

// The hive problem of the current registry call: the text goes to the debug output and is kept for
// tvp::RegistryProblem(). Every registry call starts with an empty problem.
void ReportProblem(const std::string& text);
void ClearProblem();

} // namespace adv
