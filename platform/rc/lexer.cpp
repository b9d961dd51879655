// The resource compiler's tokens: identifiers, numbers (C notation with U and L suffixes), string
// literals with their escapes ("" and \" for a quote, \n, \t, \\, octal and \x), and punctuation.
// Script text is UTF-8, or Windows-1252 after #pragma code_page(1252); strings become UTF-16 here.
#include <cctype>

#include "rc_internal.h"
#include "tvplatform.h"

namespace rc {

namespace {

// Windows-1252 differs from Latin-1 only in 0x80..0x9F; the five unassigned bytes keep their value.
const char16_t kCp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                  0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendCodePoint(std::u16string& out, uint32_t cp) {
    if (cp < 0x10000) {
        out += static_cast<char16_t>(cp);
    } else {
        cp -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (cp >> 10));
        out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    }
}

// Decodes one character of `text` at `i` (advancing it) in the code page.
uint32_t DecodeOne(const std::string& text, size_t& i, int codePage, const Location& where) {
    unsigned char c = static_cast<unsigned char>(text[i++]);
    if (c < 0x80) return c;
    if (codePage == kWindows1252) return c < 0xA0 ? kCp1252High[c - 0x80] : c;
    int extra = c >= 0xF0 && c <= 0xF4 ? 3 : c >= 0xE0 ? 2 : c >= 0xC2 && c < 0xE0 ? 1 : -1;
    if (extra < 0 || i + extra > text.size())
        Fail(where, "invalid UTF-8 text (use #pragma code_page(1252) for Windows-1252)");
    uint32_t cp = c & (0x3F >> extra);
    for (int k = 0; k < extra; ++k) {
        unsigned char next = static_cast<unsigned char>(text[i++]);
        if ((next & 0xC0) != 0x80)
            Fail(where, "invalid UTF-8 text (use #pragma code_page(1252) for Windows-1252)");
        cp = (cp << 6) | (next & 0x3F);
    }
    static const uint32_t kMinimum[4] = {0, 0x80, 0x800, 0x10000};
    if (cp < kMinimum[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        Fail(where, "invalid UTF-8 text (use #pragma code_page(1252) for Windows-1252)");
    return cp;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The characters of a string literal's raw text, escapes applied.
std::u16string Unescape(const std::string& raw, int codePage, const Location& where) {
    std::u16string out;
    size_t i = 0;
    while (i < raw.size()) {
        char c = raw[i];
        if (c == '"') { // a doubled quote inside the literal stands for one quote
            out += u'"';
            i += 2;
            continue;
        }
        if (c != '\\' || i + 1 >= raw.size()) {
            AppendCodePoint(out, DecodeOne(raw, i, codePage, where));
            continue;
        }
        char e = raw[i + 1];
        i += 2;
        switch (e) {
        case 'n':
            out += u'\n';
            break;
        case 't':
            out += u'\t';
            break;
        case 'r':
            out += u'\r';
            break;
        case 'a':
            out += u'\a';
            break;
        case 'b':
            out += u'\b';
            break;
        case 'f':
            out += u'\f';
            break;
        case 'v':
            out += u'\v';
            break;
        case '\\':
            out += u'\\';
            break;
        case '"':
            out += u'"';
            break;
        case '\'':
            out += u'\'';
            break;
        case 'x':
        case 'X': {
            uint32_t v = 0;
            int digits = 0;
            while (digits < 4 && i < raw.size() && HexDigit(raw[i]) >= 0)
                v = v * 16 + HexDigit(raw[i++]), ++digits;
            if (digits == 0) { // not an escape after all: keep the text, as in a file name
                out += u"\\x";
                break;
            }
            out += static_cast<char16_t>(v);
            break;
        }
        default:
            if (e >= '0' && e <= '7') {
                uint32_t v = e - '0';
                for (int digits = 1; digits < 3 && i < raw.size() && raw[i] >= '0' && raw[i] <= '7'; ++digits)
                    v = v * 8 + (raw[i++] - '0');
                out += static_cast<char16_t>(v);
            } else { // an unknown escape keeps its backslash, as resource compilers do
                out += u'\\';
                i -= 1;
            }
        }
    }
    return out;
}

bool IsIdentStart(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
}
bool IsIdentChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

} // namespace

[[noreturn]] void Fail(const Location& where, const std::string& message) {
    throw Error(where, message);
}

static std::string FormatMessage(const Location& where, const std::string& message) {
    if (where.file.empty()) return "tavrosk-rc: error: " + message;
    if (where.line <= 0) return where.file + ": error: " + message;
    return where.file + "(" + std::to_string(where.line) + "): error: " + message;
}

Error::Error(const Location& where, const std::string& message)
    : std::runtime_error(FormatMessage(where, message)), where_(where) {}

std::u16string ToUtf16(const std::string& text, int codePage, const Location& where) {
    std::u16string out;
    for (size_t i = 0; i < text.size();)
        AppendCodePoint(out, DecodeOne(text, i, codePage, where));
    return out;
}

std::string ToUtf8(const std::u16string& text) { return tvp::ToUtf8(tvp::FromUtf16(text)); }

std::string UpperAscii(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::vector<Token> Tokenize(const std::string& line, const Location& where, int codePage, bool lenient) {
    std::vector<Token> tokens;
    size_t i = 0;
    while (i < line.size()) {
        char c = line[i];
        if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
            continue;
        }
        Token token;
        token.where = where;
        bool wideLiteral = (c == 'L' || c == 'l') && i + 1 < line.size() && line[i + 1] == '"';
        if (c == '"' || wideLiteral) {
            if (wideLiteral) ++i;
            size_t start = ++i;
            bool closed = false;
            while (i < line.size()) {
                if (line[i] == '\\' && i + 1 < line.size()) {
                    i += 2;
                } else if (line[i] == '"') {
                    if (i + 1 < line.size() && line[i + 1] == '"') {
                        i += 2;
                    } else {
                        closed = true;
                        break;
                    }
                } else {
                    ++i;
                }
            }
            if (!closed) Fail(where, "unterminated string");
            token.kind = TokenKind::String;
            token.text = line.substr(start, i - start);
            token.value = Unescape(token.text, codePage, where);
            ++i;
        } else if (IsIdentStart(c)) {
            size_t start = i;
            while (i < line.size() && IsIdentChar(line[i]))
                ++i;
            token.kind = TokenKind::Identifier;
            token.text = line.substr(start, i - start);
        } else if (std::isdigit(static_cast<unsigned char>(c))) {
            size_t start = i;
            uint64_t value = 0;
            if (c == '0' && i + 1 < line.size() && (line[i + 1] == 'x' || line[i + 1] == 'X')) {
                i += 2;
                while (i < line.size() && HexDigit(line[i]) >= 0)
                    value = value * 16 + HexDigit(line[i++]);
            } else if (c == '0') {
                while (i < line.size() && line[i] >= '0' && line[i] <= '7')
                    value = value * 8 + (line[i++] - '0');
            } else {
                while (i < line.size() && std::isdigit(static_cast<unsigned char>(line[i])))
                    value = value * 10 + (line[i++] - '0');
            }
            while (i < line.size() &&
                   (line[i] == 'u' || line[i] == 'U' || line[i] == 'l' || line[i] == 'L')) {
                if (line[i] == 'l' || line[i] == 'L') token.isLong = true;
                ++i;
            }
            if (i < line.size() && IsIdentChar(line[i])) {
                if (!lenient) Fail(where, "malformed number '" + line.substr(start, i - start + 1) + "'");
                while (i < line.size() && IsIdentChar(line[i]))
                    ++i;
            }
            token.kind = TokenKind::Number;
            token.number = value;
            token.text = line.substr(start, i - start);
        } else if (c == '\'') { // a character constant, as C headers write them
            size_t close = line.find('\'', i + 1);
            if (close == std::string::npos || close == i + 1) {
                if (!lenient) Fail(where, "malformed character constant");
                ++i;
                continue;
            }
            std::u16string chars = Unescape(line.substr(i + 1, close - i - 1), codePage, where);
            token.kind = TokenKind::Number;
            token.number = chars.empty() ? 0 : chars[0];
            token.text = line.substr(i, close - i + 1);
            i = close + 1;
        } else {
            static const char* kTwo[] = {"<<", ">>", "<=", ">=", "==", "!=", "&&", "||", "##"};
            token.kind = TokenKind::Punct;
            token.text = std::string(1, c);
            for (const char* two : kTwo)
                if (line.compare(i, 2, two) == 0) token.text = two;
            if (token.text.size() == 1 && !lenient &&
                std::string(",|&+-~()*/%!<>=^?:{}").find(c) == std::string::npos)
                Fail(where, std::string("unexpected character '") + c + "'");
            i += token.text.size();
        }
        tokens.push_back(std::move(token));
    }
    return tokens;
}

} // namespace rc
