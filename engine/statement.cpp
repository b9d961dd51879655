// The texts that name backups: the device lists of the object model's Backup and Restore, and the
// backup statement that job steps carry.
//
// The backup statement: job steps carry it. The agent and the SQL runner hand such a statement to the
// engine's backup instead of to the database; this is its reader. It accepts the statement's usual
// forms and options and refuses anything else with the server's syntax error, naming the token.
#include <cctype>

#include "internal.h"

namespace tvengine {

using namespace detail;

namespace {

class Reader {
public:
    explicit Reader(const std::string& text) : text_(text) {}

    void SkipBlanks() {
        while (at_ < text_.size()) {
            char c = text_[at_];
            if (std::isspace(static_cast<unsigned char>(c))) {
                ++at_;
            } else if (text_.compare(at_, 2, "--") == 0) {
                while (at_ < text_.size() && text_[at_] != '\n')
                    ++at_;
            } else if (text_.compare(at_, 2, "/*") == 0) {
                size_t end = text_.find("*/", at_ + 2);
                at_ = end == std::string::npos ? text_.size() : end + 2;
            } else {
                break;
            }
        }
    }

    bool AtEnd() {
        SkipBlanks();
        return at_ >= text_.size();
    }

    // The next word (letters, digits, '_'), upper-cased, without consuming it.
    std::string PeekWord() {
        SkipBlanks();
        size_t end = at_;
        while (end < text_.size() &&
               (std::isalnum(static_cast<unsigned char>(text_[end])) || text_[end] == '_'))
            ++end;
        std::string word = text_.substr(at_, end - at_);
        for (char& c : word)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return word;
    }

    std::string Word() {
        std::string word = PeekWord();
        if (word.empty()) Fail();
        at_ += word.size();
        return word;
    }

    void Expect(const char* word) {
        if (PeekWord() != word) Fail();
        at_ += std::string(word).size();
    }

    bool Take(char c) {
        SkipBlanks();
        if (at_ < text_.size() && text_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }

    // [name]] with brackets], "name ""quoted""", or a plain word.
    std::string Name() {
        SkipBlanks();
        if (at_ < text_.size() && (text_[at_] == '[' || text_[at_] == '"')) {
            char close = text_[at_] == '[' ? ']' : '"';
            std::string name;
            for (size_t i = at_ + 1; i < text_.size(); ++i) {
                if (text_[i] != close) {
                    name += text_[i];
                } else if (i + 1 < text_.size() && text_[i + 1] == close) {
                    name += close;
                    ++i;
                } else {
                    at_ = i + 1;
                    return name;
                }
            }
            Fail();
        }
        std::string word;
        while (at_ < text_.size() && (std::isalnum(static_cast<unsigned char>(text_[at_])) ||
                                      text_[at_] == '_' || static_cast<unsigned char>(text_[at_]) >= 0x80))
            word += text_[at_++];
        if (word.empty()) Fail();
        return word;
    }

    // N'text' or 'text', quotes doubled inside.
    std::string String() {
        SkipBlanks();
        if (at_ < text_.size() && (text_[at_] == 'N' || text_[at_] == 'n') && at_ + 1 < text_.size() &&
            text_[at_ + 1] == '\'')
            ++at_;
        if (at_ >= text_.size() || text_[at_] != '\'') Fail();
        std::string value;
        for (size_t i = at_ + 1; i < text_.size(); ++i) {
            if (text_[i] != '\'') {
                value += text_[i];
            } else if (i + 1 < text_.size() && text_[i + 1] == '\'') {
                value += '\'';
                ++i;
            } else {
                at_ = i + 1;
                return value;
            }
        }
        Fail("the end of the statement: a string is not closed");
    }

    int Number() {
        SkipBlanks();
        size_t start = at_;
        while (at_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[at_])) && at_ - start < 9)
            ++at_;
        if (at_ == start) Fail();
        return std::stoi(text_.substr(start, at_ - start));
    }

    [[noreturn]] void Fail(const std::string& near = {}) {
        std::string token = near;
        if (token.empty()) {
            SkipBlanks();
            size_t end = at_;
            while (end < text_.size() && end - at_ < 30 &&
                   !std::isspace(static_cast<unsigned char>(text_[end])))
                ++end;
            token =
                at_ >= text_.size() ? "the end of the statement" : "'" + text_.substr(at_, end - at_) + "'";
        }
        throw Error(kErrSyntax, "Incorrect syntax near " + token + ".");
    }

private:
    const std::string& text_;
    size_t at_ = 0;
};

} // namespace

bool IsBackupStatement(const std::string& sql) {
    Reader reader(sql);
    return reader.PeekWord() == "BACKUP";
}

BackupRequest ParseBackupStatement(const std::string& statement) {
    Reader reader(statement);
    BackupRequest request;
    reader.Expect("BACKUP");
    std::string what = reader.Word();
    if (what == "LOG" || what == "TRANSACTION")
        request.action = BackupAction::Log;
    else if (what != "DATABASE")
        reader.Fail("'" + what + "'");
    request.database = reader.Name();
    reader.Expect("TO");
    std::string device = reader.PeekWord();
    if (device == "DISK") {
        reader.Word();
        if (!reader.Take('=')) reader.Fail();
        request.file = reader.String();
    } else {
        // A backup device by its name.
        request.device = reader.Name();
    }
    if (!reader.AtEnd() && reader.PeekWord() == "WITH") {
        reader.Word();
        do {
            std::string option = reader.Word();
            if (option == "INIT")
                request.initialize = true;
            else if (option == "NOINIT")
                request.initialize = false;
            else if (option == "DIFFERENTIAL")
                request.action = BackupAction::Differential;
            else if (option == "NAME") {
                if (!reader.Take('=')) reader.Fail();
                request.name = reader.String();
            } else if (option == "DESCRIPTION") {
                if (!reader.Take('=')) reader.Fail();
                request.description = reader.String();
            } else if (option == "STATS") {
                request.stats = reader.Take('=') ? reader.Number() : 10;
                if (request.stats < 1 || request.stats > 100) reader.Fail("STATS");
            } else if (option == "FORMAT") {
                request.initialize = true; // a new medium holds only the new set
            } else if (option == "NOFORMAT" || option == "SKIP" || option == "NOSKIP" ||
                       option == "NOUNLOAD" || option == "UNLOAD" || option == "REWIND" ||
                       option == "NOREWIND") {
                // Tape and media-label options: nothing to do for a disk file.
            } else {
                reader.Fail("'" + option + "'");
            }
        } while (reader.Take(','));
    }
    reader.Take(';');
    if (!reader.AtEnd()) reader.Fail();
    return request;
}

std::vector<std::string> ParseDeviceList(const std::string& text) {
    auto fail = [&](const char* why) -> void {
        throw Error(kErrSyntax, "The device list '" + text + "' " + why + ".");
    };
    auto blank = [&](size_t at) { return at < text.size() && (text[at] == ' ' || text[at] == '\t'); };
    std::vector<std::string> items;
    size_t i = 0;
    while (blank(i))
        ++i;
    while (i < text.size()) {
        std::string item;
        if (text.compare(i, 2, "[[") == 0) {
            // "[[name]]": a bare file name, marked by the inner brackets.
            size_t end = text.find("]]", i + 2);
            if (end == std::string::npos) fail("has an unclosed '['");
            item = text.substr(i + 2, end - i - 2);
            if (item.find_first_of("[]") != std::string::npos)
                fail("has a bare file name with a bracket in it");
            i = end + 2;
        } else if (text[i] == '[') {
            for (++i;; ++i) {
                if (i >= text.size()) fail("has an unclosed '['");
                if (text[i] != ']') {
                    item += text[i];
                } else if (i + 1 < text.size() && text[i + 1] == ']') {
                    item += ']';
                    ++i;
                } else {
                    ++i;
                    break;
                }
            }
        } else {
            while (i < text.size() && text[i] != ',')
                item += text[i++];
            while (!item.empty() && (item.back() == ' ' || item.back() == '\t'))
                item.pop_back();
        }
        if (item.empty()) fail("has an empty entry");
        items.push_back(item);
        while (blank(i))
            ++i;
        if (i < text.size()) {
            if (text[i] != ',') fail("is not valid");
            ++i;
            while (blank(i))
                ++i;
            if (i >= text.size()) fail("ends with a comma");
        }
    }
    return items;
}

BackupMedia MediaOfLists(const std::string& files, const std::string& devices) {
    auto fileList = ParseDeviceList(files);
    auto deviceList = ParseDeviceList(devices);
    if (fileList.size() + deviceList.size() == 0)
        throw Error(kErrSyntax, "No backup file or device is named.");
    if (fileList.size() + deviceList.size() > 1)
        throw Error(kErrSyntax, "Backups striped across more than one file or device are not supported.");
    return fileList.empty() ? BackupMedia{{}, deviceList.front()} : BackupMedia{fileList.front(), {}};
}

} // namespace tvengine
