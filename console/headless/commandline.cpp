// The words of a headless command line. Server names (HOST\INSTANCE) and account names (DOMAIN\user)
// are typed as they are, so a backslash escapes nothing; quotes are the only way to keep blanks, and a
// quote inside a quoted word is typed twice.
#include <cctype>

#include "session.h"

namespace Headless {

bool SplitCommandLine(const std::string& line, std::vector<std::string>* words, std::string* problem) {
    words->clear();
    std::string word;
    bool inWord = false, quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        char c = line[i];
        if (quoted) {
            if (c != '"')
                word += c;
            else if (i + 1 < line.size() && line[i + 1] == '"')
                word += line[++i]; // "" inside quotes is one "
            else
                quoted = false;
            continue;
        }
        if (c == '"') {
            quoted = true;
            inWord = true;
        } else if (c == '#' && !inWord &&
                   !(i + 1 < line.size() && std::isdigit(static_cast<unsigned char>(line[i + 1])))) {
            break; // a comment; "#3" names an entry by its index, and "C#" is a word
        } else if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            if (inWord) words->push_back(std::move(word));
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (quoted) {
        *problem = "a quoted argument has no closing quote";
        return false;
    }
    if (inWord) words->push_back(std::move(word));
    return true;
}

} // namespace Headless
