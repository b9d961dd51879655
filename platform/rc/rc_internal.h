// What the parts of the resource compiler share: tokens, the preprocessor that produces them, the
// expression evaluator, the resources being built and the little-endian writer of their binary forms.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "rc.h"
#include "rsrc_format.h"

namespace rc {

[[noreturn]] void Fail(const Location& where, const std::string& message);

// Text ---------------------------------------------------------------------------------------------

// Scripts are UTF-8 unless a #pragma code_page(1252) says otherwise for the rest of their file.
inline constexpr int kUtf8 = 65001;
inline constexpr int kWindows1252 = 1252;

std::u16string ToUtf16(const std::string& text, int codePage, const Location& where);
std::string ToUtf8(const std::u16string& text);
std::string UpperAscii(std::string text);

// Tokens -------------------------------------------------------------------------------------------

enum class TokenKind { Identifier, Number, String, Punct };

struct Token {
    TokenKind kind = TokenKind::Punct;
    std::string text;     // identifier, punctuation, or a string literal's raw characters between quotes
    uint64_t number = 0;  // a number's value
    bool isLong = false;  // a number written with an L suffix
    std::u16string value; // a string literal's characters after escapes, in UTF-16
    Location where;

    bool Is(const char* punct) const { return kind == TokenKind::Punct && text == punct; }
};

// The tokens of one logical line. `lenient` tolerates characters that scripts never contain (C headers
// do); otherwise they are an error, as is a string that does not end on its line.
std::vector<Token> Tokenize(const std::string& line, const Location& where, int codePage, bool lenient);

// Preprocessor ----------------------------------------------------------------------------------------

// Runs the preprocessor over the script and its includes: the tokens of the script's active lines with
// macros expanded, and the files that were read.
struct Preprocessed {
    std::vector<Token> tokens;
    std::vector<std::string> inputs;
};
Preprocessed Preprocess(const Options& options, FileSource& files);

// Expressions ------------------------------------------------------------------------------------------

struct Value {
    int64_t number = 0;
    bool isLong = false; // some operand had an L suffix: a DWORD rather than a WORD in version values
};

// Integer expressions with the C operators. In a script, NOT x is ~x and an unknown identifier is an
// error; in #if, every identifier left after macro expansion is 0.
class Evaluator {
public:
    Evaluator(const std::vector<Token>& tokens, size_t& position, bool preprocessor)
        : tokens_(tokens), pos_(position), preprocessor_(preprocessor) {}

    Value Parse() { return Conditional(0); }
    // An operand of a bitwise-or chain: everything that binds tighter than '|'.
    Value ParseAboveOr() { return Binary(3, 0); }
    Value ParseUnary() { return Unary(0); }

private:
    Value Conditional(int depth);
    Value Binary(int level, int depth);
    Value Unary(int depth);
    const Token* Peek() const { return pos_ < tokens_.size() ? &tokens_[pos_] : nullptr; }
    Location Here() const;

    const std::vector<Token>& tokens_;
    size_t& pos_;
    bool preprocessor_;
};

// Resources ---------------------------------------------------------------------------------------------

struct Resource {
    tvrsrc::Id type;
    tvrsrc::Id name;
    uint16_t language = 0;
    std::vector<uint8_t> data;
    Location where;
};

std::vector<uint8_t> WriteBlob(const std::vector<Resource>& resources);

// Images: a .bmp file as an RT_BITMAP resource, a .ico file as RT_ICON images and their RT_GROUP_ICON.
// `content` is the file's bytes, `name` the file as the script names it.
std::vector<uint8_t> BitmapResource(const std::string& content, const std::string& name,
                                    const Location& where);
struct IconImages {
    std::vector<std::vector<uint8_t>> images; // RT_ICON data, one per image of the file
    std::vector<uint8_t> group;               // the RT_GROUP_ICON directory without its image ids
    std::vector<size_t> idOffsets;            // where in `group` each image's RT_ICON id goes
};
IconImages IconResource(const std::string& content, const std::string& name, const Location& where);

// Little-endian output --------------------------------------------------------------------------------------

class Writer {
public:
    void U8(uint8_t v) { bytes_.push_back(v); }
    void U16(uint16_t v) {
        U8(static_cast<uint8_t>(v));
        U8(static_cast<uint8_t>(v >> 8));
    }
    void U32(uint32_t v) {
        U16(static_cast<uint16_t>(v));
        U16(static_cast<uint16_t>(v >> 16));
    }
    void Bytes(const std::vector<uint8_t>& v) { bytes_.insert(bytes_.end(), v.begin(), v.end()); }
    void Text(const std::u16string& text) { // UTF-16 with its terminating null
        for (char16_t c : text)
            U16(c);
        U16(0);
    }
    void Align(size_t n) {
        while (bytes_.size() % n)
            U8(0);
    }
    void Patch16(size_t at, uint16_t v) {
        bytes_[at] = static_cast<uint8_t>(v);
        bytes_[at + 1] = static_cast<uint8_t>(v >> 8);
    }
    void Patch32(size_t at, uint32_t v) {
        Patch16(at, static_cast<uint16_t>(v));
        Patch16(at + 2, static_cast<uint16_t>(v >> 16));
    }
    size_t Size() const { return bytes_.size(); }
    std::vector<uint8_t>& Data() { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
};

} // namespace rc
