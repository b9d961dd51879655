// The statements of a resource script and the binary forms they compile to: LANGUAGE, STRINGTABLE
// (blocks of 16 length-prefixed UTF-16 strings), DIALOGEX (DLGTEMPLATEEX and its DLGITEMTEMPLATEEX
// items), BITMAP and ICON from files, and VERSIONINFO (VS_VERSIONINFO with VS_FIXEDFILEINFO). Keywords
// are case-insensitive; BEGIN and END may be written as braces.
#include <array>
#include <filesystem>

#include "rc_internal.h"
#include "winuser.h"

namespace rc {

namespace {

constexpr uint16_t kBitmap = 2, kIcon = 3, kDialog = 5, kString = 6, kGroupIcon = 14, kVersion = 16;
constexpr uint16_t kDefaultLanguage = 0x0409; // English (United States), when a script names none
constexpr uint32_t kControlBase = WS_CHILD | WS_VISIBLE;
constexpr uint32_t kFixedFileInfoSignature = 0xFEEF04BD;
constexpr int kMaxBlockDepth = 16;

// A name or ordinal in a dialog template (menu, class, text).
struct NameOrOrdinal {
    bool present = false;
    bool ordinal = false;
    uint16_t id = 0;
    std::u16string name;
};

void WriteNameOrOrdinal(Writer& w, const NameOrOrdinal& value) {
    if (!value.present) {
        w.U16(0);
    } else if (value.ordinal) {
        w.U16(0xFFFF);
        w.U16(value.id);
    } else {
        w.Text(value.name);
    }
}

// The predefined window classes that dialog templates name by atom.
const std::pair<const char*, uint16_t> kClassAtoms[] = {{"BUTTON", 0x80},    {"EDIT", 0x81},
                                                        {"STATIC", 0x82},    {"LISTBOX", 0x83},
                                                        {"SCROLLBAR", 0x84}, {"COMBOBOX", 0x85}};

enum class Form { Text, NoText, Icon, Control };

struct ControlKind {
    const char* keyword;
    const char* className;
    uint32_t style; // the style the statement implies, besides WS_CHILD | WS_VISIBLE
    Form form;
};

const ControlKind kControls[] = {
    {"LTEXT", "STATIC", SS_LEFT | WS_GROUP, Form::Text},
    {"RTEXT", "STATIC", SS_RIGHT | WS_GROUP, Form::Text},
    {"CTEXT", "STATIC", SS_CENTER | WS_GROUP, Form::Text},
    {"EDITTEXT", "EDIT", ES_LEFT | WS_BORDER | WS_TABSTOP, Form::NoText},
    {"PUSHBUTTON", "BUTTON", BS_PUSHBUTTON | WS_TABSTOP, Form::Text},
    {"DEFPUSHBUTTON", "BUTTON", BS_DEFPUSHBUTTON | WS_TABSTOP, Form::Text},
    {"GROUPBOX", "BUTTON", BS_GROUPBOX, Form::Text},
    {"CHECKBOX", "BUTTON", BS_CHECKBOX | WS_TABSTOP, Form::Text},
    {"AUTOCHECKBOX", "BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP, Form::Text},
    {"RADIOBUTTON", "BUTTON", BS_RADIOBUTTON | WS_TABSTOP, Form::Text},
    {"AUTORADIOBUTTON", "BUTTON", BS_AUTORADIOBUTTON | WS_TABSTOP, Form::Text},
    {"STATE3", "BUTTON", BS_3STATE | WS_TABSTOP, Form::Text},
    {"AUTO3STATE", "BUTTON", BS_AUTO3STATE | WS_TABSTOP, Form::Text},
    {"COMBOBOX", "COMBOBOX", CBS_SIMPLE | WS_TABSTOP, Form::NoText},
    {"LISTBOX", "LISTBOX", LBS_NOTIFY | WS_BORDER, Form::NoText},
    {"ICON", "STATIC", SS_ICON, Form::Icon},
    {"CONTROL", nullptr, 0, Form::Control},
};

const char* const kMemoryFlags[] = {"PRELOAD", "LOADONCALL", "FIXED",  "MOVEABLE", "DISCARDABLE",
                                    "PURE",    "IMPURE",     "SHARED", "NONSHARED"};

struct VersionNode {
    std::u16string key;
    bool text = true;
    uint16_t valueLength = 0; // characters with the null for text, bytes for binary values
    std::vector<uint8_t> value;
    std::vector<VersionNode> children;
};

void WriteVersionNode(Writer& w, const VersionNode& node, const Location& where) {
    size_t start = w.Size();
    w.U16(0);
    w.U16(node.valueLength);
    w.U16(node.text ? 1 : 0);
    w.Text(node.key);
    w.Align(4);
    w.Bytes(node.value);
    for (const VersionNode& child : node.children) {
        w.Align(4);
        WriteVersionNode(w, child, where);
    }
    if (w.Size() - start > 0xFFFF) Fail(where, "the version information is larger than 64 KB");
    w.Patch16(start, static_cast<uint16_t>(w.Size() - start));
}

tvrsrc::Id IntId(uint16_t id) {
    tvrsrc::Id value;
    value.id = id;
    return value;
}

std::u16string Upper(std::u16string text) {
    for (char16_t& c : text)
        c = tvrsrc::UpperCase(c);
    return text;
}

class Parser {
public:
    Parser(const Options& options, FileSource& files, Preprocessed& input)
        : options_(options), files_(files), tokens_(input.tokens), inputs_(input.inputs) {}

    std::vector<Resource> Run() {
        while (pos_ < tokens_.size()) {
            if (AcceptKeyword("LANGUAGE")) {
                language_ = Language();
            } else if (AcceptKeyword("STRINGTABLE")) {
                StringTable();
            } else {
                Statement();
            }
        }
        for (auto& [key, block] : strings_) {
            Writer w;
            for (const std::u16string& text : block.texts) {
                w.U16(static_cast<uint16_t>(text.size()));
                for (char16_t c : text)
                    w.U16(c);
            }
            Add(IntId(kString), IntId(key.second), key.first, std::move(w.Data()), block.where);
        }
        return std::move(resources_);
    }

private:
    struct StringBlock {
        std::array<std::u16string, 16> texts;
        std::array<bool, 16> present{};
        Location where;
    };

    // Tokens ---------------------------------------------------------------------------------------

    Location Here() const {
        if (pos_ < tokens_.size()) return tokens_[pos_].where;
        return tokens_.empty() ? Location{options_.script, 0} : tokens_.back().where;
    }
    const Token* Peek() const { return pos_ < tokens_.size() ? &tokens_[pos_] : nullptr; }
    const Token& Next(const char* expected) {
        if (pos_ >= tokens_.size())
            Fail(Here(), std::string(expected) + " expected before the end of the script");
        return tokens_[pos_++];
    }
    bool IsKeyword(const Token* t, const char* keyword) const {
        return t && t->kind == TokenKind::Identifier && UpperAscii(t->text) == keyword;
    }
    bool AcceptKeyword(const char* keyword) {
        if (!IsKeyword(Peek(), keyword)) return false;
        ++pos_;
        return true;
    }
    bool AcceptPunct(const char* punct) {
        const Token* t = Peek();
        if (!t || !t->Is(punct)) return false;
        ++pos_;
        return true;
    }
    void Comma() {
        if (!AcceptPunct(",")) Fail(Here(), "',' expected" + Found());
    }
    std::string Found() const {
        const Token* t = Peek();
        if (!t) return " before the end of the script";
        return ", not '" + (t->kind == TokenKind::String ? "\"" + t->text + "\"" : t->text) + "'";
    }
    bool AtBegin() const { return IsKeyword(Peek(), "BEGIN") || (Peek() && Peek()->Is("{")); }
    bool AtEnd() const { return IsKeyword(Peek(), "END") || (Peek() && Peek()->Is("}")); }
    void Begin() {
        if (!AtBegin()) Fail(Here(), "BEGIN expected" + Found());
        ++pos_;
    }
    void SkipMemoryFlags() {
        for (bool again = true; again;) {
            again = false;
            for (const char* flag : kMemoryFlags)
                if (AcceptKeyword(flag)) again = true;
        }
    }

    // Values ---------------------------------------------------------------------------------------------

    Value Expression() { return Evaluator(tokens_, pos_, false).Parse(); }
    uint32_t Number() { return static_cast<uint32_t>(Expression().number); }
    int16_t Coordinate() { return static_cast<int16_t>(Number()); }
    uint16_t Id16(const char* what) {
        Location where = Here();
        Value v = Expression();
        if (v.number < 0 || v.number > 0xFFFF)
            Fail(where, std::string(what) + " must lie between 0 and 65535");
        return static_cast<uint16_t>(v.number);
    }

    // A style: the styles the statement implies, then each operand of a '|' chain added in turn, or, when
    // written NOT x, taken away (so "NOT WS_TABSTOP" removes an implied tab stop).
    uint32_t Style(uint32_t implied) {
        uint32_t style = implied;
        Evaluator evaluator(tokens_, pos_, false);
        do {
            if (AcceptKeyword("NOT"))
                style &= ~static_cast<uint32_t>(evaluator.ParseUnary().number);
            else
                style |= static_cast<uint32_t>(evaluator.ParseAboveOr().number);
        } while (AcceptPunct("|"));
        return style;
    }

    // One or more adjacent string literals.
    std::u16string String(const char* what) {
        const Token* t = Peek();
        if (!t || t->kind != TokenKind::String)
            Fail(Here(), std::string(what) + " expected as a quoted string" + Found());
        std::u16string text;
        while (Peek() && Peek()->kind == TokenKind::String)
            text += tokens_[pos_++].value;
        return text;
    }

    uint16_t Language() {
        uint32_t primary = Number();
        Comma();
        uint32_t sub = Number();
        return static_cast<uint16_t>(((sub & 0x3F) << 10) | (primary & 0x3FF));
    }

    // A resource's name: a number (or a macro for one), or a word or quoted string for a named resource.
    tvrsrc::Id Name() {
        const Token* t = Peek();
        tvrsrc::Id id;
        if (t->kind == TokenKind::Identifier || t->kind == TokenKind::String) {
            id.named = true;
            id.name = Upper(t->kind == TokenKind::String ? t->value : ToUtf16(t->text, kUtf8, t->where));
            if (id.name.empty() || id.name.size() > 256)
                Fail(t->where, "a resource name must have 1 to 256 characters");
            ++pos_;
        } else {
            id.id = Id16("a resource id");
        }
        return id;
    }

    // A string, or a number (a control's image resource, a dialog's menu). Where `names` allows, a bare
    // word is a resource's name too (an ICON control's icon, a MENU); elsewhere it is an undefined macro.
    NameOrOrdinal TextOrOrdinal(bool names) {
        NameOrOrdinal value;
        value.present = true;
        const Token* t = Peek();
        if (t && t->kind == TokenKind::String) {
            value.name = String("text");
        } else if (names && t && t->kind == TokenKind::Identifier && !IsKeyword(t, "NOT")) {
            value.name = ToUtf16(t->text, kUtf8, t->where);
            ++pos_;
        } else {
            value.ordinal = true;
            value.id = Id16("a resource id");
        }
        return value;
    }

    // Resources ---------------------------------------------------------------------------------------------

    void Add(const tvrsrc::Id& type, const tvrsrc::Id& name, uint16_t language, std::vector<uint8_t> data,
             const Location& where) {
        for (const Resource& r : resources_)
            if (r.type == type && r.name == name && r.language == language)
                Fail(where, "resource " + Describe(name) + " is defined twice");
        resources_.push_back(Resource{type, name, language, std::move(data), where});
    }

    static std::string Describe(const tvrsrc::Id& id) {
        return id.named ? "'" + ToUtf8(id.name) + "'" : std::to_string(id.id);
    }

    void Statement() {
        Location where = Here();
        tvrsrc::Id name = Name();
        const Token& type = Next("a resource type");
        if (type.kind != TokenKind::Identifier)
            Fail(type.where, "resource type expected after the name, not '" + type.text + "'");
        std::string keyword = UpperAscii(type.text);
        SkipMemoryFlags();
        if (keyword == "DIALOGEX")
            Dialog(name, where);
        else if (keyword == "BITMAP")
            Bitmap(name, where);
        else if (keyword == "ICON")
            Icon(name, where);
        else if (keyword == "VERSIONINFO")
            VersionInfo(name, where);
        else if (keyword == "DIALOG")
            Fail(type.where, "DIALOG templates are not supported: write DIALOGEX");
        else
            Fail(type.where, "unknown resource type '" + type.text + "'");
    }

    void StringTable() {
        SkipMemoryFlags();
        uint16_t language = language_;
        while (!AtBegin()) {
            if (AcceptKeyword("LANGUAGE"))
                language = Language();
            else if (AcceptKeyword("CHARACTERISTICS") || AcceptKeyword("VERSION"))
                Number();
            else
                Fail(Here(), "BEGIN expected after STRINGTABLE" + Found());
        }
        Begin();
        while (!AtEnd()) {
            Location where = Here();
            if (!Peek()) Fail(where, "END expected before the end of the script");
            uint16_t id = Id16("a string id");
            AcceptPunct(",");
            std::u16string text = String("the string");
            if (text.size() > 0xFFFF)
                Fail(where, "string " + std::to_string(id) + " is longer than 65535 characters");
            StringBlock& block = strings_[{language, static_cast<uint16_t>(id / 16 + 1)}];
            if (block.present[id % 16]) Fail(where, "string " + std::to_string(id) + " is defined twice");
            if (block.where.file.empty()) block.where = where;
            block.present[id % 16] = true;
            block.texts[id % 16] = std::move(text);
        }
        ++pos_;
    }

    // A file that a statement names: beside the file that names it, beside the script, or in the -I folders.
    std::string ReadImage(std::string* content, const char* kind) {
        const Token* t = Peek();
        if (!t || t->kind != TokenKind::String)
            Fail(Here(), std::string("the ") + kind + " file name expected as a quoted string" + Found());
        Location where = t->where;
        std::string name = t->text;
        ++pos_;
        for (size_t at; (at = name.find("\\\\")) != std::string::npos;)
            name.replace(at, 2, "/");
        for (char& c : name)
            if (c == '\\') c = '/';
        if (name.empty()) Fail(where, std::string("the ") + kind + " file name is empty");
        std::vector<std::string> folders = {std::filesystem::path(where.file).parent_path().string(),
                                            std::filesystem::path(options_.script).parent_path().string()};
        folders.insert(folders.end(), options_.includeDirs.begin(), options_.includeDirs.end());
        if (name[0] == '/') folders = {""};
        for (const std::string& folder : folders) {
            std::string path =
                folder.empty() ? name : (std::filesystem::path(folder) / name).lexically_normal().string();
            if (auto data = files_.Read(path)) {
                *content = std::move(*data);
                inputs_.push_back(path);
                return t->text;
            }
        }
        Fail(where, std::string("cannot open ") + kind + " file '" + t->text + "'");
    }

    void Bitmap(const tvrsrc::Id& name, const Location& where) {
        std::string content;
        std::string file = ReadImage(&content, "bitmap");
        Add(IntId(kBitmap), name, language_, BitmapResource(content, file, where), where);
    }

    void Icon(const tvrsrc::Id& name, const Location& where) {
        std::string content;
        std::string file = ReadImage(&content, "icon");
        IconImages icon = IconResource(content, file, where);
        Writer group;
        group.Bytes(icon.group);
        for (size_t i = 0; i < icon.images.size(); ++i) {
            if (nextIconId_ == 0) Fail(where, "too many icon images in the script");
            uint16_t id = nextIconId_++;
            group.Patch16(icon.idOffsets[i], id);
            Add(IntId(kIcon), IntId(id), language_, std::move(icon.images[i]), where);
        }
        Add(IntId(kGroupIcon), name, language_, std::move(group.Data()), where);
    }

    // Dialogs ---------------------------------------------------------------------------------------------

    struct Item {
        uint32_t helpId = 0, exStyle = 0, style = 0, id = 0;
        int16_t x = 0, y = 0, cx = 0, cy = 0;
        NameOrOrdinal className, text;
    };

    void Dialog(const tvrsrc::Id& name, const Location& where) {
        int16_t x = Coordinate();
        Comma();
        int16_t y = Coordinate();
        Comma();
        int16_t cx = Coordinate();
        Comma();
        int16_t cy = Coordinate();
        uint32_t helpId = AcceptPunct(",") ? Number() : 0;

        uint16_t language = language_;
        uint32_t style = WS_POPUP | WS_BORDER | WS_SYSMENU, exStyle = 0;
        bool hasCaption = false, hasFont = false;
        std::u16string caption, face;
        uint16_t pointSize = 0, weight = 0;
        uint8_t italic = 0, charset = 1; // DEFAULT_CHARSET
        NameOrOrdinal menu, className;
        while (!AtBegin()) {
            const Token* t = Peek();
            if (!t) Fail(Here(), "BEGIN expected before the end of the script");
            if (AcceptKeyword("STYLE")) {
                style = Style(0);
            } else if (AcceptKeyword("EXSTYLE")) {
                exStyle = Style(0);
            } else if (AcceptKeyword("CAPTION")) {
                caption = String("the caption");
                hasCaption = true;
            } else if (AcceptKeyword("FONT")) {
                pointSize = Id16("a point size");
                Comma();
                face = String("the font name");
                if (AcceptPunct(",")) weight = static_cast<uint16_t>(Number());
                if (AcceptPunct(",")) italic = static_cast<uint8_t>(Number());
                if (AcceptPunct(",")) charset = static_cast<uint8_t>(Number());
                hasFont = true;
            } else if (AcceptKeyword("CLASS")) {
                className = TextOrOrdinal(true);
            } else if (AcceptKeyword("MENU")) {
                menu = TextOrOrdinal(true);
                if (!menu.ordinal) menu.name = Upper(menu.name);
            } else if (AcceptKeyword("LANGUAGE")) {
                language = Language();
            } else if (AcceptKeyword("CHARACTERISTICS") || AcceptKeyword("VERSION")) {
                Number();
            } else {
                Fail(t->where, "unknown dialog statement '" + t->text + "'");
            }
        }
        // The template carries a title bar only if the style says so, and its font only with DS_SETFONT.
        if (hasCaption) style |= WS_CAPTION;
        if (hasFont) style |= DS_SETFONT;
        Begin();
        std::vector<Item> items;
        while (!AtEnd())
            items.push_back(Control());
        ++pos_;
        if (items.size() > 0xFFFF) Fail(where, "a dialog holds at most 65535 controls");

        Writer w;
        w.U16(1);      // dlgVer
        w.U16(0xFFFF); // signature of the extended template
        w.U32(helpId);
        w.U32(exStyle);
        w.U32(style);
        w.U16(static_cast<uint16_t>(items.size()));
        w.U16(static_cast<uint16_t>(x));
        w.U16(static_cast<uint16_t>(y));
        w.U16(static_cast<uint16_t>(cx));
        w.U16(static_cast<uint16_t>(cy));
        WriteNameOrOrdinal(w, menu);
        WriteNameOrOrdinal(w, className);
        w.Text(caption);
        if (style & DS_SETFONT) { // DS_SHELLFONT includes it
            w.U16(pointSize);
            w.U16(weight);
            w.U8(italic);
            w.U8(charset);
            w.Text(face);
        }
        for (const Item& item : items) {
            w.Align(4); // each item starts on a DWORD boundary
            w.U32(item.helpId);
            w.U32(item.exStyle);
            w.U32(item.style);
            w.U16(static_cast<uint16_t>(item.x));
            w.U16(static_cast<uint16_t>(item.y));
            w.U16(static_cast<uint16_t>(item.cx));
            w.U16(static_cast<uint16_t>(item.cy));
            w.U32(item.id);
            WriteNameOrOrdinal(w, item.className);
            WriteNameOrOrdinal(w, item.text);
            w.U16(0); // no creation data
        }
        Add(IntId(kDialog), name, language, std::move(w.Data()), where);
    }

    NameOrOrdinal ClassName() {
        NameOrOrdinal value;
        value.present = true;
        const Token* t = Peek();
        std::u16string name;
        if (t && t->kind == TokenKind::String) {
            name = String("the class name");
        } else if (t && t->kind == TokenKind::Identifier) {
            name = ToUtf16(t->text, kUtf8, t->where);
            ++pos_;
        } else {
            value.ordinal = true;
            value.id = Id16("a class atom");
            return value;
        }
        std::string upper = UpperAscii(ToUtf8(name));
        for (const auto& [className, atom] : kClassAtoms) {
            if (upper == className) {
                value.ordinal = true;
                value.id = atom;
                return value;
            }
        }
        if (t->kind == TokenKind::Identifier)
            Fail(t->where, "unknown control class '" + t->text + "' (quote a class name)");
        value.name = name;
        return value;
    }

    Item Control() {
        const Token& keyword = Next("a control or END");
        const ControlKind* kind = nullptr;
        if (keyword.kind == TokenKind::Identifier)
            for (const ControlKind& k : kControls)
                if (UpperAscii(keyword.text) == k.keyword) kind = &k;
        if (!kind) Fail(keyword.where, "unknown control keyword '" + keyword.text + "'");

        Item item;
        if (kind->form != Form::NoText) {
            item.text = TextOrOrdinal(kind->form == Form::Icon);
            Comma();
        } else {
            item.text.present = true; // an empty text
        }
        item.id = Number();
        Comma();
        if (kind->form == Form::Control) {
            item.className = ClassName();
            Comma();
            item.style = Style(kControlBase);
            Comma();
        } else {
            for (const auto& [className, atom] : kClassAtoms)
                if (std::string(kind->className) == className) item.className = {true, true, atom, {}};
            item.style = kControlBase | kind->style;
        }
        item.x = Coordinate();
        Comma();
        item.y = Coordinate();
        bool size = kind->form != Form::Icon || AcceptPunct(",");
        if (kind->form != Form::Icon) Comma();
        if (size) {
            item.cx = Coordinate();
            Comma();
            item.cy = Coordinate();
        }
        if (kind->form != Form::Control && size && AcceptPunct(",")) {
            // A combo box's type given in the style replaces the implied CBS_SIMPLE rather than
            // being ORed with it (CBS_SIMPLE | CBS_DROPDOWN would read as CBS_DROPDOWNLIST).
            uint32_t typeMask = std::string(kind->keyword) == "COMBOBOX" ? 0x3u : 0u;
            uint32_t style = Style(item.style & ~typeMask);
            if ((style & typeMask) == 0) style |= item.style & typeMask;
            item.style = style;
        }
        if (AcceptPunct(",")) item.exStyle = Style(0);
        if (AcceptPunct(",")) item.helpId = Number();
        if (AtBegin()) Fail(Here(), "creation data blocks of controls are not supported");
        return item;
    }

    // Version information
    // ------------------------------------------------------------------------------------

    void VersionInfo(const tvrsrc::Id& name, const Location& where) {
        uint32_t fixed[13] = {kFixedFileInfoSignature, 0x00010000};
        while (!AtBegin()) {
            const Token* t = Peek();
            if (!t) Fail(Here(), "BEGIN expected before the end of the script");
            std::string keyword = t->kind == TokenKind::Identifier ? UpperAscii(t->text) : "";
            ++pos_;
            if (keyword == "FILEVERSION" || keyword == "PRODUCTVERSION") {
                uint32_t parts[4] = {0, 0, 0, 0};
                for (int i = 0; i < 4; ++i) {
                    parts[i] = Number() & 0xFFFF;
                    if (!AcceptPunct(",")) break;
                }
                int at = keyword == "FILEVERSION" ? 2 : 4;
                fixed[at] = parts[0] << 16 | parts[1];
                fixed[at + 1] = parts[2] << 16 | parts[3];
            } else if (keyword == "FILEFLAGSMASK") {
                fixed[6] = Number();
            } else if (keyword == "FILEFLAGS") {
                fixed[7] = Number();
            } else if (keyword == "FILEOS") {
                fixed[8] = Number();
            } else if (keyword == "FILETYPE") {
                fixed[9] = Number();
            } else if (keyword == "FILESUBTYPE") {
                fixed[10] = Number();
            } else {
                Fail(t->where, "unknown VERSIONINFO statement '" + t->text + "'");
            }
        }
        VersionNode root;
        root.key = u"VS_VERSION_INFO";
        root.text = false;
        Writer value;
        for (uint32_t field : fixed)
            value.U32(field);
        root.value = std::move(value.Data());
        root.valueLength = static_cast<uint16_t>(root.value.size());
        root.children = Block(0);
        Writer w;
        WriteVersionNode(w, root, where);
        Add(IntId(kVersion), name, language_, std::move(w.Data()), where);
    }

    // The BLOCK and VALUE statements between BEGIN and END.
    std::vector<VersionNode> Block(int depth) {
        if (depth > kMaxBlockDepth) Fail(Here(), "version blocks nested too deeply");
        Begin();
        std::vector<VersionNode> nodes;
        while (!AtEnd()) {
            const Token* t = Peek();
            if (!t) Fail(Here(), "END expected before the end of the script");
            VersionNode node;
            if (AcceptKeyword("BLOCK")) {
                node.key = String("the block name");
                node.children = Block(depth + 1);
            } else if (AcceptKeyword("VALUE")) {
                node.key = String("the value name");
                if (AcceptPunct(",")) Values(node);
            } else {
                Fail(t->where, "BLOCK or VALUE expected in version information" + Found());
            }
            nodes.push_back(std::move(node));
        }
        ++pos_;
        return nodes;
    }

    // A value: text (with its terminating null), or numbers, each a WORD, or a DWORD when written with L.
    void Values(VersionNode& node) {
        Location where = Here();
        Writer w;
        std::u16string text;
        bool numbers = false, strings = false;
        do {
            if (Peek() && Peek()->kind == TokenKind::String) {
                text += String("a value");
                strings = true;
            } else {
                Value v = Expression();
                if (v.isLong)
                    w.U32(static_cast<uint32_t>(v.number));
                else
                    w.U16(static_cast<uint16_t>(v.number));
                numbers = true;
            }
        } while (AcceptPunct(","));
        if (numbers && strings) Fail(where, "a version value is either text or numbers, not both");
        if (strings) {
            node.text = true;
            w.Text(text);
            node.valueLength = static_cast<uint16_t>(text.size() + 1);
        } else {
            node.text = false;
            node.valueLength = static_cast<uint16_t>(w.Size());
        }
        if (w.Size() > 0xFFFF) Fail(where, "the version value is too long");
        node.value = std::move(w.Data());
    }

    const Options& options_;
    FileSource& files_;
    const std::vector<Token>& tokens_;
    std::vector<std::string>& inputs_;
    size_t pos_ = 0;
    uint16_t language_ = kDefaultLanguage;
    uint16_t nextIconId_ = 1;
    std::map<std::pair<uint16_t, uint16_t>, StringBlock> strings_; // (language, block id)
    std::vector<Resource> resources_;
};

} // namespace

Output Compile(const Options& options, FileSource& files) {
    Preprocessed input = Preprocess(options, files);
    std::vector<Resource> resources = Parser(options, files, input).Run();
    Output output;
    output.blob = WriteBlob(resources);
    output.inputs = std::move(input.inputs);
    return output;
}

} // namespace rc
