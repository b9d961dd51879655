// The preprocessor of resource scripts: #include (the including file's folder, then the -I folders),
// object-like #define and #undef, #if/#ifdef/#ifndef/#elif/#else/#endif with integer expressions and
// defined(), #pragma code_page and #pragma once, #error. As resource compilers do, an included C header
// contributes only its directives: its declarations are skipped, and a header it includes that is not
// found (a compiler's own <cstddef>) is skipped too, so scripts can include resource.h and windows.h.
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <sys/stat.h>

#include "rc_internal.h"

namespace rc {

std::optional<std::string> DiskFiles::Read(const std::string& path) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

namespace {

constexpr int kMaxIncludeDepth = 32;
constexpr size_t kMaxLineTokens = 100'000; // bounds what macros can make of one line
constexpr size_t kMaxTokens = 1'000'000;   // and of the whole script

struct Macro {
    bool functionLike = false; // kept only so that #ifdef sees it; never expanded in a script
    bool usable = true;        // false when its body is not resource-script text
    std::vector<Token> body;
};

struct Conditional {
    bool parentActive;
    bool active;
    bool taken; // some branch of this #if was taken already
    bool sawElse;
    Location where;
};

std::string Trim(const std::string& text) {
    size_t start = text.find_first_not_of(" \t\r\f\v");
    if (start == std::string::npos) return "";
    size_t end = text.find_last_not_of(" \t\r\f\v");
    return text.substr(start, end - start + 1);
}

std::string FolderOf(const std::string& path) {
    auto slash = path.rfind('/');
    if (slash == std::string::npos) return "";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string Join(const std::string& folder, const std::string& name) {
    if (name.empty() || name[0] == '/' || folder.empty()) return name;
    std::string joined = folder.back() == '/' ? folder + name : folder + "/" + name;
    return std::filesystem::path(joined).lexically_normal().string();
}

// Only scripts have their statements read; any other included file is a C header.
bool IsScriptFile(const std::string& path) {
    auto dot = path.rfind('.');
    if (dot == std::string::npos || path.find('/', dot) != std::string::npos) return false;
    std::string ext = UpperAscii(path.substr(dot));
    return ext == ".RC" || ext == ".RC2" || ext == ".RCI" || ext == ".DLG";
}

// Removes comments from one line, keeping string and character literals intact; a block comment may
// continue over the following lines.
std::string StripComments(const std::string& line, bool& inBlock) {
    std::string out;
    size_t i = 0;
    while (i < line.size()) {
        if (inBlock) {
            size_t end = line.find("*/", i);
            if (end == std::string::npos) return out;
            inBlock = false;
            out += ' ';
            i = end + 2;
            continue;
        }
        char c = line[i];
        bool quote =
            c == '"' || (c == '\'' && (i == 0 || !std::isalnum(static_cast<unsigned char>(line[i - 1]))));
        if (quote) {
            size_t j = i + 1;
            while (j < line.size() && line[j] != c)
                j += line[j] == '\\' ? 2 : 1;
            j = std::min(j + 1, line.size());
            out.append(line, i, j - i);
            i = j;
        } else if (c == '/' && i + 1 < line.size() && line[i + 1] == '/') {
            return out;
        } else if (c == '/' && i + 1 < line.size() && line[i + 1] == '*') {
            inBlock = true;
            i += 2;
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

class Preprocessor {
public:
    Preprocessor(const Options& options, FileSource& files) : options_(options), files_(files) {
        Define("RC_INVOKED", "1", Location());
        Define("_WIN32", "1", Location());
        for (const std::string& define : options.defines) {
            auto equals = define.find('=');
            if (equals == std::string::npos)
                Define(define, "1", Location());
            else
                Define(define.substr(0, equals), define.substr(equals + 1), Location());
        }
    }

    Preprocessed Run() {
        ProcessFile(options_.script, true, Location{options_.script, 0}, 0);
        return std::move(out_);
    }

private:
    struct FileState {
        std::string path;
        bool script;
        int codePage = kUtf8;
    };

    void Define(const std::string& name, const std::string& body, const Location& where) {
        Macro macro;
        macro.body = Tokenize(body, where, kUtf8, true);
        macros_[name] = std::move(macro);
    }

    void ProcessFile(const std::string& path, bool script, const Location& from, int depth) {
        if (once_.count(path)) return;
        std::optional<std::string> content = files_.Read(path);
        if (!content)
            Fail(from, depth == 0 ? "cannot open the script '" + path + "'" : "cannot open '" + path + "'");
        out_.inputs.push_back(path);
        std::string text = std::move(*content);
        if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);

        FileState file{path, script};
        size_t baseConditionals = conditionals_.size();
        bool inBlock = false;
        std::istringstream lines(text);
        std::string physical;
        int lineNumber = 0;
        while (std::getline(lines, physical)) {
            ++lineNumber;
            Location where{path, lineNumber};
            std::string logical = physical;
            // A backslash at the end of a line continues it on the next.
            while (!logical.empty() &&
                   (logical.back() == '\\' ||
                    (logical.back() == '\r' && logical.size() > 1 && logical[logical.size() - 2] == '\\'))) {
                logical.erase(logical.find_last_of('\\'));
                if (!std::getline(lines, physical)) break;
                ++lineNumber;
                logical += physical;
            }
            std::string code = Trim(StripComments(logical, inBlock));
            if (!code.empty() && code[0] == '#') {
                Directive(file, code.substr(1), where, depth);
            } else if (file.script && Active() && !code.empty()) {
                Emit(Tokenize(code, where, file.codePage, false));
            }
        }
        if (conditionals_.size() > baseConditionals)
            Fail(conditionals_.back().where, "#if without #endif before the end of the file");
    }

    bool Active() const { return conditionals_.empty() || conditionals_.back().active; }

    void Directive(FileState& file, const std::string& text, const Location& where, int depth) {
        std::string rest = Trim(text);
        size_t nameEnd = 0;
        while (nameEnd < rest.size() &&
               (std::isalnum(static_cast<unsigned char>(rest[nameEnd])) || rest[nameEnd] == '_'))
            ++nameEnd;
        std::string name = rest.substr(0, nameEnd);
        std::string args = Trim(rest.substr(nameEnd));

        if (name == "if" || name == "ifdef" || name == "ifndef") {
            bool parent = Active();
            bool value = parent && Condition(file, name, args, where);
            conditionals_.push_back({parent, value, value, false, where});
            return;
        }
        if (name == "elif" || name == "else" || name == "endif") {
            if (conditionals_.empty()) Fail(where, "#" + name + " without #if");
            Conditional& top = conditionals_.back();
            if (name == "endif") {
                conditionals_.pop_back();
                return;
            }
            if (top.sawElse) Fail(where, "#" + name + " after #else");
            if (name == "else") {
                top.sawElse = true;
                top.active = top.parentActive && !top.taken;
            } else {
                top.active = top.parentActive && !top.taken && Condition(file, "if", args, where);
            }
            top.taken = top.taken || top.active;
            return;
        }
        if (!Active()) return;

        if (name == "include") {
            Include(file, args, where, depth);
        } else if (name == "define") {
            DefineDirective(file, args, where);
        } else if (name == "undef") {
            macros_.erase(Trim(args));
        } else if (name == "pragma") {
            Pragma(file, args, where);
        } else if (name == "error") {
            Fail(where, "#error " + args);
        } else if (name.empty() || name == "line" || name == "warning") {
            // nothing to do: a bare '#', line markers and warnings do not change the resources
        } else if (file.script) {
            Fail(where, "unknown preprocessor directive '#" + name + "'");
        }
    }

    bool Condition(const FileState& file, const std::string& kind, const std::string& args,
                   const Location& where) {
        try {
            if (kind == "ifdef" || kind == "ifndef") {
                std::vector<Token> tokens = Tokenize(args, where, file.codePage, true);
                if (tokens.empty() || tokens[0].kind != TokenKind::Identifier)
                    Fail(where, "#" + kind + " needs a macro name");
                bool defined = macros_.count(tokens[0].text) > 0;
                return kind == "ifdef" ? defined : !defined;
            }
            std::vector<Token> raw = Tokenize(args, where, file.codePage, !file.script);
            std::vector<Token> replaced;
            for (size_t i = 0; i < raw.size(); ++i) {
                if (raw[i].kind == TokenKind::Identifier && raw[i].text == "defined") {
                    bool paren = i + 1 < raw.size() && raw[i + 1].Is("(");
                    size_t at = i + (paren ? 2 : 1);
                    if (at >= raw.size() || raw[at].kind != TokenKind::Identifier)
                        Fail(where, "defined needs a macro name");
                    if (paren && (at + 1 >= raw.size() || !raw[at + 1].Is(")")))
                        Fail(where, "')' expected after defined(");
                    Token number = raw[i];
                    number.kind = TokenKind::Number;
                    number.number = macros_.count(raw[at].text) ? 1 : 0;
                    replaced.push_back(number);
                    i = at + (paren ? 1 : 0);
                } else {
                    replaced.push_back(raw[i]);
                }
            }
            std::vector<Token> expanded;
            std::set<std::string> disabled;
            emitted_ = 0;
            Expand(replaced, expanded, nullptr, disabled, 0);
            if (expanded.empty()) Fail(where, "#" + kind + " without a condition");
            size_t position = 0;
            Value value = Evaluator(expanded, position, true).Parse();
            if (position != expanded.size())
                Fail(expanded[position].where, "unexpected '" + expanded[position].text + "' in #" + kind);
            return value.number != 0;
        } catch (const Error&) {
            if (file.script) throw;
            return false; // a header's condition that is not ours to understand (compiler built-ins)
        }
    }

    void Include(const FileState& file, const std::string& args, const Location& where, int depth) {
        if (args.size() < 2 || !((args[0] == '"' && args.find('"', 1) != std::string::npos) ||
                                 (args[0] == '<' && args.find('>', 1) != std::string::npos))) {
            if (file.script) Fail(where, "#include expects \"file\" or <file>");
            return;
        }
        bool quoted = args[0] == '"';
        std::string name = args.substr(1, args.find(quoted ? '"' : '>', 1) - 1);
        for (char& c : name)
            if (c == '\\') c = '/';
        if (depth + 1 > kMaxIncludeDepth) Fail(where, "#include nested too deeply");
        std::vector<std::string> folders;
        if (quoted) folders.push_back(FolderOf(file.path));
        folders.insert(folders.end(), options_.includeDirs.begin(), options_.includeDirs.end());
        if (name.empty()) {
            if (file.script) Fail(where, "#include names no file");
            return;
        }
        if (name[0] == '/') folders = {""};
        for (const std::string& folder : folders) {
            std::string path = Join(folder, name);
            if (!files_.Read(path)) continue;
            ProcessFile(path, IsScriptFile(path), where, depth + 1);
            return;
        }
        if (file.script) Fail(where, "cannot open include file '" + name + "'");
    }

    void DefineDirective(const FileState& file, const std::string& args, const Location& where) {
        size_t end = 0;
        while (end < args.size() && (std::isalnum(static_cast<unsigned char>(args[end])) || args[end] == '_'))
            ++end;
        if (end == 0 || std::isdigit(static_cast<unsigned char>(args[0]))) {
            if (file.script) Fail(where, "#define needs a macro name");
            return;
        }
        std::string name = args.substr(0, end);
        Macro macro;
        if (end < args.size() && args[end] == '(') {
            macro.functionLike = true;
        } else {
            try {
                macro.body = Tokenize(args.substr(end), where, file.codePage, !file.script);
            } catch (const Error&) {
                if (file.script) throw;
                macro.usable = false;
            }
        }
        macros_[name] = std::move(macro);
    }

    void Pragma(FileState& file, const std::string& args, const Location& where) {
        std::vector<Token> tokens;
        try {
            tokens = Tokenize(args, where, file.codePage, true);
        } catch (const Error&) {
            if (file.script) throw;
            return;
        }
        if (tokens.empty() || tokens[0].kind != TokenKind::Identifier) return;
        if (tokens[0].text == "once") {
            once_.insert(file.path);
            return;
        }
        if (tokens[0].text != "code_page") return; // other pragmas concern C compilers only
        if (tokens.size() != 4 || !tokens[1].Is("(") || !tokens[3].Is(")"))
            Fail(where, "#pragma code_page expects a code page in parentheses");
        if (tokens[2].kind == TokenKind::Identifier && UpperAscii(tokens[2].text) == "DEFAULT") {
            file.codePage = kUtf8;
        } else if (tokens[2].kind == TokenKind::Number &&
                   (tokens[2].number == kUtf8 || tokens[2].number == kWindows1252)) {
            file.codePage = static_cast<int>(tokens[2].number);
        } else {
            Fail(where, "code page " + tokens[2].text + " is not supported (use 65001 or 1252)");
        }
    }

    void Emit(const std::vector<Token>& tokens) {
        emitted_ = 0;
        std::set<std::string> disabled;
        Expand(tokens, out_.tokens, nullptr, disabled, 0);
    }

    // Replaces object-like macros, recursively; a macro is not expanded inside its own expansion. The
    // tokens of an expansion carry the location where the macro was used.
    void Expand(const std::vector<Token>& in, std::vector<Token>& out, const Location* use,
                std::set<std::string>& disabled, int depth) {
        for (const Token& token : in) {
            const Location& where = use ? *use : token.where;
            if (token.kind == TokenKind::Identifier) {
                auto it = macros_.find(token.text);
                if (it != macros_.end() && !it->second.functionLike && !disabled.count(token.text)) {
                    if (!it->second.usable)
                        Fail(where, "macro '" + token.text + "' is not usable in a script");
                    if (depth > 64) Fail(where, "macros nested too deeply");
                    disabled.insert(token.text);
                    std::vector<Token> body = it->second.body; // the table may change under a nested use
                    Expand(body, out, &where, disabled, depth + 1);
                    disabled.erase(token.text);
                    continue;
                }
            }
            if (++emitted_ > kMaxLineTokens) Fail(where, "macros expand this line to too many tokens");
            if (out.size() >= kMaxTokens) Fail(where, "the script has too many tokens");
            out.push_back(token);
            out.back().where = where;
        }
    }

    const Options& options_;
    FileSource& files_;
    std::map<std::string, Macro> macros_;
    std::set<std::string> once_;
    std::vector<Conditional> conditionals_;
    Preprocessed out_;
    size_t emitted_ = 0; // tokens that the line being expanded has produced
};

} // namespace

Preprocessed Preprocess(const Options& options, FileSource& files) {
    return Preprocessor(options, files).Run();
}

} // namespace rc
