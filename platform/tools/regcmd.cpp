// The reg tool's command line and value text: what an administrator types (operations, options, key
// paths, /d data) becomes a Command and a Value, and a Value becomes the lines that query shows and
// export writes. Nothing here touches the registry.
#include "regcmd.h"

#include <algorithm>
#include <cstring>
#include <cwctype>

#include "tvplatform.h"

namespace regtool {

namespace {

std::wstring Upper(std::wstring_view text) {
    std::wstring upper(text);
    for (wchar_t& c : upper)
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - 32);
    return upper;
}

// "/v", "-V" -> "V"; empty when the argument is no option.
std::wstring OptionName(const std::wstring& arg) {
    if (arg.size() < 2 || (arg[0] != L'/' && arg[0] != L'-')) return std::wstring();
    return Upper(std::wstring_view(arg).substr(1));
}

const wchar_t kHex[] = L"0123456789abcdef";

std::wstring HexNumber(unsigned long long value, int digits) {
    std::wstring text;
    do {
        text.insert(text.begin(), kHex[value & 0xF]);
        value >>= 4;
    } while (value || static_cast<int>(text.size()) < digits);
    return text;
}

// Parses an unsigned number in decimal or with 0x in hex, no larger than `max`.
bool ParseNumber(std::wstring_view text, unsigned long long max, unsigned long long& value) {
    int base = 10;
    if (text.size() > 2 && text[0] == L'0' && (text[1] == L'x' || text[1] == L'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty()) return false;
    value = 0;
    for (wchar_t c : text) {
        int digit = c >= L'0' && c <= L'9'   ? c - L'0'
                    : c >= L'a' && c <= L'f' ? c - L'a' + 10
                    : c >= L'A' && c <= L'F' ? c - L'A' + 10
                                             : 99;
        if (digit >= base) return false;
        if (value > (max - digit) / base) return false;
        value = value * base + digit;
    }
    return true;
}

int HexDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

std::wstring Escape(const std::wstring& text) {
    std::wstring escaped;
    for (wchar_t c : text) {
        if (c == L'\\' || c == L'"') escaped += L'\\';
        escaped += c;
    }
    return escaped;
}

// A string that fits between quotes on one line of a .reg file.
bool Quotable(const std::wstring& text) {
    for (wchar_t c : text)
        if (c == L'\r' || c == L'\n' || c == 0) return false;
    return true;
}

void AppendUtf16(std::vector<BYTE>& bytes, const std::wstring& text) {
    for (char16_t unit : tvp::ToUtf16(text)) {
        bytes.push_back(static_cast<BYTE>(unit & 0xFF));
        bytes.push_back(static_cast<BYTE>(unit >> 8));
    }
    bytes.push_back(0);
    bytes.push_back(0);
}

// The hex-list form: hex:01,02 or hex(7):61,00,... The usual files keep lines under 80 characters and
// go on after a backslash on the next line, indented by two blanks.
std::wstring HexList(std::wstring line, const std::wstring& tag, const std::vector<BYTE>& bytes) {
    line += tag + L":";
    size_t lineStart = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        line += kHex[bytes[i] >> 4];
        line += kHex[bytes[i] & 0xF];
        if (i + 1 == bytes.size()) break;
        line += L',';
        if (line.size() - lineStart > 76) {
            line += L"\\\r\n  ";
            lineStart = line.size() - 2;
        }
    }
    return line;
}

bool TakeArgument(const std::vector<std::wstring>& args, size_t& i, std::optional<std::wstring>& into) {
    if (into || i + 1 >= args.size()) return false;
    into = args[++i];
    return true;
}

} // namespace

bool IsStringType(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

std::optional<DWORD> TypeFromName(std::wstring_view name) {
    std::wstring upper = Upper(name);
    for (DWORD type : {REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD, REG_MULTI_SZ, REG_QWORD})
        if (upper == TypeName(type)) return type;
    return std::nullopt;
}

std::wstring TypeName(DWORD type) {
    switch (type) {
    case REG_NONE:
        return L"REG_NONE";
    case REG_SZ:
        return L"REG_SZ";
    case REG_EXPAND_SZ:
        return L"REG_EXPAND_SZ";
    case REG_BINARY:
        return L"REG_BINARY";
    case REG_DWORD:
        return L"REG_DWORD";
    case REG_MULTI_SZ:
        return L"REG_MULTI_SZ";
    case REG_QWORD:
        return L"REG_QWORD";
    default:
        return L"REG_0x" + HexNumber(type, 1);
    }
}

bool ParseCommand(const std::vector<std::wstring>& args, Command& command, std::wstring& error) {
    command = Command();
    if (args.empty()) {
        error = L"Invalid syntax.";
        return false;
    }
    if (OptionName(args[0]) == L"?") return true;
    std::wstring operation = Upper(args[0]);
    if (operation == L"QUERY")
        command.operation = Operation::Query;
    else if (operation == L"ADD")
        command.operation = Operation::Add;
    else if (operation == L"DELETE")
        command.operation = Operation::Delete;
    else if (operation == L"EXPORT")
        command.operation = Operation::Export;
    else {
        error = L"Invalid operation \"" + args[0] + L"\": reg knows QUERY, ADD, DELETE and EXPORT.";
        return false;
    }
    if (args.size() == 2 && OptionName(args[1]) == L"?") {
        command.operation = Operation::Help;
        command.helpFor = operation;
        return true;
    }
    // Options are the names each operation knows; anything else (such as a file path that starts with
    // a slash) is a positional argument.
    Operation op = command.operation;
    auto known = [op](const std::wstring& option) {
        if (option == L"V" || option == L"VE") return op != Operation::Export;
        if (option == L"VA") return op == Operation::Delete;
        if (option == L"S") return op == Operation::Query || op == Operation::Add;
        if (option == L"T" || option == L"D") return op == Operation::Add;
        if (option == L"F") return op == Operation::Add || op == Operation::Delete;
        if (option == L"Y") return op == Operation::Export;
        return false;
    };
    size_t positional = 0;
    size_t wanted = op == Operation::Export ? 2 : 1;
    bool ok = true;
    for (size_t i = 1; i < args.size() && ok; ++i) {
        std::wstring option = OptionName(args[i]);
        if (!known(option)) {
            if (positional == 0)
                command.key = args[i];
            else if (positional == 1 && op == Operation::Export)
                command.file = args[i];
            else
                ok = false;
            ++positional;
        } else if (option == L"V") {
            ok = TakeArgument(args, i, command.value) && !command.allValues;
        } else if (option == L"VE") {
            ok = !command.value && !command.allValues;
            command.value = L"";
        } else if (option == L"VA") {
            ok = !command.value && !command.allValues;
            command.allValues = true;
        } else if (option == L"S" && op == Operation::Query) {
            ok = !command.recurse;
            command.recurse = true;
        } else if (option == L"S") {
            std::optional<std::wstring> separator;
            ok = command.separator == 0 && TakeArgument(args, i, separator) && separator->size() == 1 &&
                 (*separator)[0] != 0;
            if (ok) command.separator = (*separator)[0];
        } else if (option == L"T") {
            ok = TakeArgument(args, i, command.type);
        } else if (option == L"D") {
            ok = TakeArgument(args, i, command.data);
        } else {
            ok = !command.force;
            command.force = true;
        }
    }
    if (!ok || positional != wanted) {
        error = L"Invalid syntax.";
        return false;
    }
    return true;
}

std::wstring Usage(std::wstring_view operation) {
    std::wstring op = Upper(operation);
    if (op == L"QUERY")
        return L"reg query KEY [/v NAME | /ve] [/s]\n"
               L"  Shows the values of KEY and lists its subkeys.\n"
               L"  /v NAME  only the value NAME      /ve  only the default value\n"
               L"  /s       every subkey, at every level\n";
    if (op == L"ADD")
        return L"reg add KEY [/v NAME | /ve] [/t TYPE] [/s SEPARATOR] [/d DATA] [/f]\n"
               L"  Creates KEY and sets a value in it.\n"
               L"  /t  REG_SZ (the default), REG_EXPAND_SZ, REG_MULTI_SZ, REG_DWORD, REG_QWORD, REG_BINARY\n"
               L"  /d  the data: numbers in decimal or 0x-hex, REG_BINARY as hex digits (\"0102ff\"),\n"
               L"      REG_MULTI_SZ strings separated by \\0 or by the character given with /s\n"
               L"  /f  overwrite an existing value without asking\n";
    if (op == L"DELETE")
        return L"reg delete KEY [/v NAME | /ve | /va] [/f]\n"
               L"  Deletes KEY with all its subkeys, or only the value NAME (/v), the default value (/ve)\n"
               L"  or every value of KEY (/va). Asks first when standard input is a terminal, unless /f.\n";
    if (op == L"EXPORT")
        return L"reg export KEY FILE [/y]\n"
               L"  Writes KEY and its subkeys to FILE as a .reg file (UTF-16 text).\n"
               L"  /y  overwrite FILE without asking\n";
    return L"reg OPERATION [arguments]\n"
           L"  OPERATION is QUERY, ADD, DELETE or EXPORT; \"reg OPERATION /?\" explains each.\n"
           L"  KEY is ROOT\\path, with ROOT one of HKLM, HKCU, HKCR, HKU or the same names in full\n"
           L"  (HKEY_LOCAL_MACHINE, ...). The registry is the hive of $TAVROSK_PREFIX.\n";
}

bool ParseKeyPath(std::wstring_view text, KeyPath& path) {
    size_t slash = text.find(L'\\');
    std::wstring root = Upper(text.substr(0, slash));
    std::wstring_view rest = slash == std::wstring_view::npos ? std::wstring_view() : text.substr(slash + 1);
    if (root == L"HKLM" || root == L"HKEY_LOCAL_MACHINE") {
        path.root = HKEY_LOCAL_MACHINE;
        path.rootName = L"HKEY_LOCAL_MACHINE";
    } else if (root == L"HKCU" || root == L"HKEY_CURRENT_USER") {
        path.root = HKEY_CURRENT_USER;
        path.rootName = L"HKEY_CURRENT_USER";
    } else if (root == L"HKCR" || root == L"HKEY_CLASSES_ROOT") {
        path.root = HKEY_CLASSES_ROOT;
        path.rootName = L"HKEY_CLASSES_ROOT";
    } else if (root == L"HKU" || root == L"HKEY_USERS") {
        path.root = HKEY_USERS;
        path.rootName = L"HKEY_USERS";
    } else {
        return false;
    }
    while (!rest.empty() && rest.back() == L'\\')
        rest.remove_suffix(1);
    // An empty name inside the path names no key.
    if (!rest.empty() && (rest.front() == L'\\' || rest.find(L"\\\\") != std::wstring_view::npos))
        return false;
    path.subKey = std::wstring(rest);
    return true;
}

bool ParseData(DWORD type, std::wstring_view data, wchar_t separator, Value& value, std::wstring& error) {
    value.type = type;
    switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
        value.text = std::wstring(data);
        return true;
    case REG_MULTI_SZ: {
        std::wstring_view sep = separator ? std::wstring_view(&separator, 1) : std::wstring_view(L"\\0");
        if (data.empty()) return true;
        for (;;) {
            size_t at = data.find(sep);
            std::wstring_view part = data.substr(0, at);
            if (part.empty()) {
                error = L"REG_MULTI_SZ data cannot hold an empty string.";
                return false;
            }
            value.strings.emplace_back(part);
            if (at == std::wstring_view::npos) return true;
            data.remove_prefix(at + sep.size());
        }
    }
    case REG_DWORD:
    case REG_QWORD: {
        unsigned long long number = 0;
        unsigned long long max = type == REG_DWORD ? 0xFFFFFFFFULL : ~0ULL;
        if (!ParseNumber(data, max, number)) {
            error = L"Invalid " + TypeName(type) + L" data \"" + std::wstring(data) +
                    L"\": give a number from 0 to " +
                    (type == REG_DWORD ? L"4294967295" : L"18446744073709551615") +
                    L", in decimal or as 0x-hex.";
            return false;
        }
        size_t size = type == REG_DWORD ? 4 : 8;
        for (size_t i = 0; i < size; ++i)
            value.bytes.push_back(static_cast<BYTE>(number >> (8 * i)));
        return true;
    }
    case REG_BINARY:
        if (data.size() % 2 != 0) {
            error = L"Invalid REG_BINARY data: give pairs of hex digits, such as 0102ff.";
            return false;
        }
        for (size_t i = 0; i < data.size(); i += 2) {
            int high = HexDigit(data[i]), low = HexDigit(data[i + 1]);
            if (high < 0 || low < 0) {
                error = L"Invalid REG_BINARY data: give pairs of hex digits, such as 0102ff.";
                return false;
            }
            value.bytes.push_back(static_cast<BYTE>(high * 16 + low));
        }
        return true;
    default:
        error = L"Unsupported type " + TypeName(type) + L".";
        return false;
    }
}

Value FromDelivered(std::wstring name, DWORD type, const std::vector<BYTE>& buffer, DWORD size) {
    Value value;
    value.name = std::move(name);
    value.type = type;
    if (!IsStringType(type)) {
        value.bytes.assign(buffer.begin(), buffer.begin() + std::min<size_t>(size, buffer.size()));
        return value;
    }
    // String data arrives as WCHARs; the byte count is UTF-16, so it bounds the WCHARs from above.
    std::wstring chars(std::min<size_t>(size / 2, buffer.size() / sizeof(WCHAR)), L'\0');
    if (!chars.empty()) std::memcpy(chars.data(), buffer.data(), chars.size() * sizeof(WCHAR));
    if (type != REG_MULTI_SZ) {
        value.text = chars.substr(0, chars.find(L'\0'));
        return value;
    }
    size_t start = 0;
    while (start < chars.size() && chars[start] != 0) {
        size_t end = chars.find(L'\0', start);
        if (end == std::wstring::npos) end = chars.size();
        value.strings.push_back(chars.substr(start, end - start));
        start = end + 1;
    }
    return value;
}

std::wstring DisplayData(const Value& value) {
    switch (value.type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
        return value.text;
    case REG_MULTI_SZ: {
        std::wstring joined;
        for (size_t i = 0; i < value.strings.size(); ++i)
            joined += (i ? L"\\0" : L"") + value.strings[i];
        return joined;
    }
    case REG_DWORD:
    case REG_QWORD:
        if (value.bytes.size() == (value.type == REG_DWORD ? 4u : 8u)) {
            unsigned long long number = 0;
            for (size_t i = 0; i < value.bytes.size(); ++i)
                number |= static_cast<unsigned long long>(value.bytes[i]) << (8 * i);
            return L"0x" + HexNumber(number, 1);
        }
        [[fallthrough]];
    default: {
        std::wstring hex;
        for (BYTE b : value.bytes) {
            hex += static_cast<wchar_t>(std::towupper(kHex[b >> 4]));
            hex += static_cast<wchar_t>(std::towupper(kHex[b & 0xF]));
        }
        return hex;
    }
    }
}

std::wstring ExportLine(const Value& value) {
    std::wstring line = value.name.empty() ? L"@=" : L"\"" + Escape(value.name) + L"\"=";
    std::vector<BYTE> bytes;
    switch (value.type) {
    case REG_SZ:
        if (Quotable(value.text)) return line + L"\"" + Escape(value.text) + L"\"";
        AppendUtf16(bytes, value.text);
        return HexList(line, L"hex(1)", bytes);
    case REG_EXPAND_SZ:
        AppendUtf16(bytes, value.text);
        return HexList(line, L"hex(2)", bytes);
    case REG_MULTI_SZ:
        for (const auto& text : value.strings)
            AppendUtf16(bytes, text);
        bytes.push_back(0);
        bytes.push_back(0);
        return HexList(line, L"hex(7)", bytes);
    case REG_DWORD:
        if (value.bytes.size() == 4) {
            DWORD number = value.bytes[0] | value.bytes[1] << 8 | value.bytes[2] << 16 |
                           static_cast<DWORD>(value.bytes[3]) << 24;
            return line + L"dword:" + HexNumber(number, 8);
        }
        return HexList(line, L"hex(4)", value.bytes);
    case REG_BINARY:
        return HexList(line, L"hex", value.bytes);
    default:
        return HexList(line, L"hex(" + HexNumber(value.type, 1) + L")", value.bytes);
    }
}

} // namespace regtool
