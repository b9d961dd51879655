// The reg tool's reading of its command line and of value data typed after /d, and the text forms in
// which it shows values (query) and writes them (export). Kept apart from the program so that tests
// and the fuzz target reach them without a registry.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "windows.h"

namespace regtool {

enum class Operation { Query, Add, Delete, Export, Help };

struct Command {
    Operation operation = Operation::Help;
    std::wstring helpFor;              // Help: the operation whose usage was asked for, or empty
    std::wstring key;                  // as typed: "HKLM\Software\Tavrosk"
    std::optional<std::wstring> value; // /v NAME, or /ve (an empty name: the default value)
    bool allValues = false;            // delete /va
    bool recurse = false;              // query /s
    std::optional<std::wstring> type;  // add /t
    std::optional<std::wstring> data;  // add /d
    wchar_t separator = 0;             // add /s: between REG_MULTI_SZ strings; 0 means the two characters \0
    bool force = false;                // /f, export /y
    std::wstring file;                 // export
};

// Reads the arguments that follow the program name. On failure `error` says what is wrong.
bool ParseCommand(const std::vector<std::wstring>& args, Command& command, std::wstring& error);

// The usage text of one operation ("QUERY", ...), or of the tool when `operation` is empty.
std::wstring Usage(std::wstring_view operation);

struct KeyPath {
    HKEY root = nullptr;
    std::wstring rootName; // in full: "HKEY_LOCAL_MACHINE"
    std::wstring subKey;   // without a trailing backslash; empty for the root itself
    std::wstring Full() const { return subKey.empty() ? rootName : rootName + L"\\" + subKey; }
};

// "HKLM\Software\X", "HKEY_LOCAL_MACHINE\Software\X", "HKCU", ...: roots spelled short or in full, in
// any case. False for anything else.
bool ParseKeyPath(std::wstring_view text, KeyPath& path);

// A value as the tool reads, shows and writes it.
struct Value {
    std::wstring name;
    DWORD type = REG_SZ;
    std::wstring text;                 // REG_SZ, REG_EXPAND_SZ
    std::vector<std::wstring> strings; // REG_MULTI_SZ
    std::vector<BYTE> bytes;           // every other type
};

bool IsStringType(DWORD type);
std::optional<DWORD> TypeFromName(std::wstring_view name); // the types reg add accepts
std::wstring TypeName(DWORD type);                         // "REG_SZ", ..., "REG_0x15" for others

// The /d text of reg add as a value of the type: decimal or 0x-hex numbers for REG_DWORD and REG_QWORD,
// hex digits for REG_BINARY, strings split at the separator for REG_MULTI_SZ.
bool ParseData(DWORD type, std::wstring_view data, wchar_t separator, Value& value, std::wstring& error);

// The value as RegQueryValueExW delivered it (`size` bytes, WCHARs for string types) in the tool's form.
Value FromDelivered(std::wstring name, DWORD type, const std::vector<BYTE>& buffer, DWORD size);

// The data column of reg query: strings as they are (REG_MULTI_SZ joined by \0), numbers in 0x-hex,
// bytes in upper-case hex digits.
std::wstring DisplayData(const Value& value);

// One value in the .reg text form: "name"="text", dword:0000002a, hex(7):61,00,... (long lines go on
// after a backslash).
std::wstring ExportLine(const Value& value);

// The header line that opens an exported file.
inline constexpr wchar_t kExportHeader[] = L"Windows Registry Editor Version 5.00";

} // namespace regtool
