// reg: looks at and changes the registry of the prefix from the shell, the way administrators know it.
//   reg query KEY [/v NAME | /ve] [/s]
//   reg add KEY [/v NAME | /ve] [/t TYPE] [/s SEPARATOR] [/d DATA] [/f]
//   reg delete KEY [/v NAME | /ve | /va] [/f]
//   reg export KEY FILE [/y]
// Results go to standard output, errors ("ERROR: ...") to standard error with exit status 1. A question
// (delete, overwrite) is asked only when standard input is a terminal; without one, delete and add go
// ahead as with /f, and export refuses to overwrite a file unless /y is given.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "regcmd.h"
#include "tvplatform.h"
#include "tvregistry.h"
#include "windows.h"

namespace {

using namespace regtool;

constexpr int kMaxDepth = 512; // deeper keys than any registry holds; stops a walk that could not end

const wchar_t kNotFound[] = L"The system was unable to find the specified registry key or value.";

void Out(const std::wstring& text) {
    std::fputs(tvp::ToUtf8(text).c_str(), stdout);
}

int Fail(const std::wstring& text) {
    std::fflush(stdout);
    std::fputs(("ERROR: " + tvp::ToUtf8(text) + "\n").c_str(), stderr);
    return 1;
}

// The text for a failed registry call: the hive's own problem when there is one (it names the file).
int FailWith(LONG error) {
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return Fail(kNotFound);
    std::string problem = tvp::RegistryProblem();
    if (!problem.empty()) return Fail(tvp::FromUtf8(problem));
    WCHAR text[512] = {};
    if (FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, static_cast<DWORD>(error), 0, text, 512,
                       nullptr)) {
        std::wstring message = text;
        while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r'))
            message.pop_back();
        return Fail(message);
    }
    return Fail(L"The registry call failed with error " + std::to_wstring(error) + L".");
}

int InvalidSyntax(const std::wstring& error, const std::wstring& operation) {
    Fail(error);
    std::fputs(tvp::ToUtf8(L"Type \"reg " + operation + L" /?\" for usage.\n").c_str(), stderr);
    return 1;
}

int Cancelled() {
    Out(L"The operation was cancelled.\n");
    return 0;
}

// Asks a yes/no question when a person is there to answer; scripts get a yes.
bool Confirm(const std::wstring& question) {
    if (!isatty(STDIN_FILENO)) return true;
    Out(question + L" (Yes/No)? ");
    std::fflush(stdout);
    std::string answer;
    if (!std::getline(std::cin, answer)) return false;
    return !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y');
}

LONG ReadValues(HKEY key, std::vector<Value>& values) {
    std::vector<WCHAR> name(16384);
    for (DWORD index = 0;; ++index) {
        for (;;) {
            DWORD nameLength = static_cast<DWORD>(name.size()), type = 0, size = 0;
            LONG result = RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &type, nullptr, &size);
            if (result == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
            if (result != ERROR_SUCCESS) return result;
            // String data arrives as WCHARs, counted in UTF-16 bytes: room for size / 2 WCHARs.
            std::vector<BYTE> buffer(static_cast<size_t>(size) / 2 * sizeof(WCHAR) + size + sizeof(WCHAR));
            nameLength = static_cast<DWORD>(name.size());
            DWORD got = size;
            result = RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &type, buffer.data(), &got);
            if (result == ERROR_MORE_DATA) continue; // changed meanwhile by another program
            if (result == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
            if (result != ERROR_SUCCESS) return result;
            values.push_back(FromDelivered(std::wstring(name.data(), nameLength), type, buffer, got));
            break;
        }
    }
}

LONG ReadValue(HKEY key, const std::wstring& name, Value& value) {
    for (;;) {
        DWORD type = 0, size = 0;
        LONG result = RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size);
        if (result != ERROR_SUCCESS) return result;
        std::vector<BYTE> buffer(static_cast<size_t>(size) / 2 * sizeof(WCHAR) + size + sizeof(WCHAR));
        DWORD got = size;
        result = RegQueryValueExW(key, name.c_str(), nullptr, &type, buffer.data(), &got);
        if (result == ERROR_MORE_DATA) continue; // changed meanwhile by another program
        if (result != ERROR_SUCCESS) return result;
        value = FromDelivered(name, type, buffer, got);
        return ERROR_SUCCESS;
    }
}

LONG ReadSubKeys(HKEY key, std::vector<std::wstring>& names) {
    WCHAR name[256];
    for (DWORD index = 0;; ++index) {
        DWORD length = 256;
        LONG result = RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
        if (result != ERROR_SUCCESS) return result;
        names.emplace_back(name, length);
    }
}

// An open key, closed when it goes out of scope.
struct Key {
    HKEY handle = nullptr;
    ~Key() {
        if (handle) RegCloseKey(handle);
    }
    LONG Open(const KeyPath& path, REGSAM access) {
        return RegOpenKeyExW(path.root, path.subKey.c_str(), 0, access, &handle);
    }
};

KeyPath Child(const KeyPath& parent, const std::wstring& name) {
    KeyPath child = parent;
    child.subKey = parent.subKey.empty() ? name : parent.subKey + L"\\" + name;
    return child;
}

void PrintValue(const Value& value) {
    Out(L"    " + (value.name.empty() ? std::wstring(L"(Default)") : value.name) + L"    " +
        TypeName(value.type) + L"    " + DisplayData(value) + L"\n");
}

// Shows one key (and with /s its subkeys); `found` counts the keys in which /v found its value.
LONG QueryKey(const KeyPath& path, const Command& command, int depth, int& found) {
    Key key;
    if (LONG result = key.Open(path, KEY_READ); result != ERROR_SUCCESS) return result;
    std::vector<Value> values;
    std::vector<std::wstring> subKeys;
    if (!command.value)
        if (LONG result = ReadValues(key.handle, values); result != ERROR_SUCCESS) return result;
    if (!command.value || command.recurse)
        if (LONG result = ReadSubKeys(key.handle, subKeys); result != ERROR_SUCCESS) return result;

    if (command.value) {
        Value value;
        LONG result = ReadValue(key.handle, *command.value, value);
        if (result == ERROR_SUCCESS) {
            Out(L"\n" + path.Full() + L"\n");
            PrintValue(value);
            ++found;
        } else if (result != ERROR_FILE_NOT_FOUND) {
            return result;
        }
    } else {
        Out(L"\n" + path.Full() + L"\n");
        for (const Value& value : values)
            PrintValue(value);
        if (!command.recurse) {
            if (!subKeys.empty()) Out(L"\n");
            for (const auto& name : subKeys)
                Out(Child(path, name).Full() + L"\n");
        }
    }
    if (command.recurse && depth < kMaxDepth)
        for (const auto& name : subKeys)
            if (LONG result = QueryKey(Child(path, name), command, depth + 1, found); result != ERROR_SUCCESS)
                return result;
    return ERROR_SUCCESS;
}

int Query(const KeyPath& path, const Command& command) {
    int found = 0;
    if (LONG result = QueryKey(path, command, 0, found); result != ERROR_SUCCESS) return FailWith(result);
    if (command.value && found == 0) return Fail(kNotFound);
    Out(L"\n");
    return 0;
}

LONG SetValue(HKEY key, const Value& value) {
    if (value.type == REG_SZ || value.type == REG_EXPAND_SZ)
        return RegSetValueExW(key, value.name.c_str(), 0, value.type,
                              reinterpret_cast<const BYTE*>(value.text.c_str()),
                              static_cast<DWORD>((value.text.size() + 1) * 2));
    if (value.type == REG_MULTI_SZ) {
        std::wstring joined;
        for (const auto& text : value.strings)
            joined += text + L'\0';
        joined += L'\0';
        return RegSetValueExW(key, value.name.c_str(), 0, value.type,
                              reinterpret_cast<const BYTE*>(joined.data()),
                              static_cast<DWORD>(joined.size() * 2));
    }
    return RegSetValueExW(key, value.name.c_str(), 0, value.type, value.bytes.data(),
                          static_cast<DWORD>(value.bytes.size()));
}

int Add(const KeyPath& path, const Command& command) {
    Value value;
    if (command.value) {
        DWORD type = REG_SZ;
        if (command.type) {
            auto known = TypeFromName(*command.type);
            if (!known) return InvalidSyntax(L"Invalid type \"" + *command.type + L"\".", L"ADD");
            type = *known;
        }
        std::wstring error;
        if (!ParseData(type, command.data.value_or(L""), command.separator, value, error))
            return InvalidSyntax(error, L"ADD");
        value.name = *command.value;
    } else if (command.type || command.data) {
        return InvalidSyntax(L"Give /v NAME or /ve with /t and /d.", L"ADD");
    }

    Key key;
    LONG result = RegCreateKeyExW(path.root, path.subKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  &key.handle, nullptr);
    if (result != ERROR_SUCCESS) return FailWith(result);
    if (command.value) {
        bool exists = RegQueryValueExW(key.handle, value.name.c_str(), nullptr, nullptr, nullptr, nullptr) ==
                      ERROR_SUCCESS;
        std::wstring shown = value.name.empty() ? L"(Default)" : value.name;
        if (exists && !command.force && !Confirm(L"Value " + shown + L" exists, overwrite"))
            return Cancelled();
        if ((result = SetValue(key.handle, value)) != ERROR_SUCCESS) return FailWith(result);
    }
    Out(L"The operation completed successfully.\n");
    return 0;
}

int Delete(const KeyPath& path, const Command& command) {
    if (path.subKey.empty() && !command.value && !command.allValues)
        return Fail(L"A root key (" + path.rootName + L") cannot be deleted.");
    Key key;
    if (LONG result = key.Open(path, KEY_ALL_ACCESS); result != ERROR_SUCCESS) return FailWith(result);

    LONG result = ERROR_SUCCESS;
    if (command.value) {
        std::wstring shown = command.value->empty() ? L"(Default)" : *command.value;
        if (RegQueryValueExW(key.handle, command.value->c_str(), nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            return Fail(kNotFound);
        if (!command.force && !Confirm(L"Delete the registry value " + shown)) return Cancelled();
        result = RegDeleteValueW(key.handle, command.value->c_str());
    } else if (command.allValues) {
        if (!command.force && !Confirm(L"Delete all values under the registry key " + path.Full()))
            return Cancelled();
        std::vector<Value> values;
        result = ReadValues(key.handle, values);
        for (size_t i = 0; result == ERROR_SUCCESS && i < values.size(); ++i)
            result = RegDeleteValueW(key.handle, values[i].name.c_str());
    } else {
        if (!command.force && !Confirm(L"Permanently delete the registry key " + path.Full()))
            return Cancelled();
        result = RegDeleteTreeW(path.root, path.subKey.c_str());
    }
    if (result != ERROR_SUCCESS) return FailWith(result);
    Out(L"The operation completed successfully.\n");
    return 0;
}

LONG ExportKey(const KeyPath& path, int depth, std::wstring& text) {
    Key key;
    if (LONG result = key.Open(path, KEY_READ); result != ERROR_SUCCESS) return result;
    std::vector<Value> values;
    std::vector<std::wstring> subKeys;
    if (LONG result = ReadValues(key.handle, values); result != ERROR_SUCCESS) return result;
    if (LONG result = ReadSubKeys(key.handle, subKeys); result != ERROR_SUCCESS) return result;
    text += L"[" + path.Full() + L"]\r\n";
    for (const Value& value : values)
        text += ExportLine(value) + L"\r\n";
    text += L"\r\n";
    if (depth < kMaxDepth)
        for (const auto& name : subKeys)
            if (LONG result = ExportKey(Child(path, name), depth + 1, text); result != ERROR_SUCCESS)
                return result;
    return ERROR_SUCCESS;
}

int Export(const KeyPath& path, const Command& command) {
    std::wstring text = std::wstring(kExportHeader) + L"\r\n\r\n";
    if (LONG result = ExportKey(path, 0, text); result != ERROR_SUCCESS) return FailWith(result);

    std::filesystem::path file = tvp::NativePath(command.file);
    std::error_code ec;
    if (std::filesystem::exists(file, ec) && !command.force) {
        if (!isatty(STDIN_FILENO))
            return Fail(L"The file " + command.file + L" already exists; give /y to overwrite it.");
        if (!Confirm(L"File " + command.file + L" already exists. Overwrite")) return Cancelled();
    }
    // .reg files are UTF-16 (little-endian, with a byte-order mark) with CR LF line ends.
    std::string bytes = "\xFF\xFE";
    for (char16_t unit : tvp::ToUtf16(text)) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    // Written beside and renamed into place, so that a failed export leaves an earlier file whole.
    std::filesystem::path temporary = file;
    temporary += ".tmp" + std::to_string(getpid());
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            std::filesystem::remove(temporary, ec);
            return Fail(L"The file " + command.file + L" cannot be written.");
        }
    }
    std::filesystem::rename(temporary, file, ec);
    if (ec) {
        std::filesystem::remove(temporary, ec);
        return Fail(L"The file " + command.file + L" cannot be written.");
    }
    Out(L"The operation completed successfully.\n");
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::wstring> args;
    for (int i = 1; i < argc; ++i)
        args.push_back(tvp::FromUtf8(argv[i]));
    Command command;
    std::wstring error;
    if (!ParseCommand(args, command, error))
        return InvalidSyntax(error, args.empty() ? std::wstring() : args[0]);
    if (command.operation == Operation::Help) {
        Out(Usage(command.helpFor));
        return 0;
    }
    KeyPath path;
    if (!ParseKeyPath(command.key, path))
        return InvalidSyntax(L"Invalid key name \"" + command.key + L"\".", args[0]);
    switch (command.operation) {
    case Operation::Query:
        return Query(path, command);
    case Operation::Add:
        return Add(path, command);
    case Operation::Delete:
        return Delete(path, command);
    case Operation::Export:
        return Export(path, command);
    case Operation::Help:
        break;
    }
    return 0;
}
