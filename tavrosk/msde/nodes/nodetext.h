// Texts of the nodes: resource templates whose gaps are numbered "1", "2", ...
#pragma once

#include <string>

#include "msde/dmotext.h"

namespace MSDE::Nodes {

// The template with the first occurrence of the digit `gap` replaced by value; unchanged without one.
inline std::wstring FillTemplate(std::wstring text, const std::wstring& value, wchar_t gap = L'1') {
    size_t at = text.find(gap);
    if (at != std::wstring::npos) text.replace(at, 1, value);
    return text;
}

// The wizards' sources still name it Nodes::TakeText; it lives in msde/dmotext.h.
using MSDE::TakeText;

} // namespace MSDE::Nodes
