// A view's status bar: three parts split by '|'. The middle part is a progress bar when it reads "%NN"
// ("Loading|%40": the text Loading and a bar at 40 percent); "%%" keeps a leading percent sign as text.
#pragma once

#include <string>

namespace Console {

struct CStatusBar {
    std::wstring text; // as the snap-in set it
    std::wstring left;
    std::wstring middle; // text of the middle part, when it shows no progress bar
    std::wstring right;
    int progress = -1; // 0 to 100 while the middle part shows a progress bar

    void Set(const wchar_t* value);
    void Clear() { Set(nullptr); }
};

} // namespace Console
