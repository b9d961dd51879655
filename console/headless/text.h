// How the headless console writes texts into its one-line output.
#pragma once

#include <string>

namespace Headless {

inline std::wstring Quoted(const std::wstring& text) {
    return L"\"" + text + L"\"";
}

// A text on one output line: line breaks become \n.
inline std::wstring OneLine(const std::wstring& text) {
    std::wstring line;
    for (wchar_t c : text) {
        if (c == L'\n')
            line += L"\\n";
        else if (c != L'\r')
            line += c;
    }
    return line;
}

} // namespace Headless
