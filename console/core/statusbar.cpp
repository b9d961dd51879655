// The status bar's reading of the text a snap-in sets: up to three parts split by '|' (a fourth and
// later part is dropped), and a progress bar in the middle part. A '%' followed by anything but a number
// from 0 to 100 leaves the middle part empty; a '%' alone is shown as text.
#include "statusbar.h"

#include <cwctype>

namespace Console {

namespace {

void ReadMiddle(const std::wstring& part, std::wstring* text, int* progress) {
    *progress = -1;
    text->clear();
    if (part.size() < 2 || part[0] != L'%') {
        *text = part;
        return;
    }
    if (part[1] == L'%') {
        *text = part.substr(1);
        return;
    }
    int value = 0;
    for (size_t i = 1; i < part.size(); ++i) {
        if (!std::iswdigit(part[i]) || i > 4) return; // not a number: the part stays empty
        value = value * 10 + (part[i] - L'0');
    }
    if (value <= 100) *progress = value;
}

} // namespace

void CStatusBar::Set(const wchar_t* value) {
    text = value ? value : L"";
    left.clear();
    middle.clear();
    right.clear();
    progress = -1;
    std::wstring parts[3];
    size_t part = 0;
    for (wchar_t c : text) {
        if (c == L'|') {
            if (++part == 3) break;
            continue;
        }
        parts[part] += c;
    }
    left = parts[0];
    ReadMiddle(parts[1], &middle, &progress);
    right = parts[2];
}

} // namespace Console
