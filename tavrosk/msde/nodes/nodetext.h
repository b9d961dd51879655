// Texts of the nodes: resource templates whose gaps are numbered "1", "2", ..., and the object
// model's BSTR results.
#pragma once

#include <string>

#include "oleauto.h"

namespace MSDE::Nodes {

// The template with the first occurrence of the digit `gap` replaced by value; unchanged without one.
inline std::wstring FillTemplate(std::wstring text, const std::wstring& value, wchar_t gap = L'1') {
    size_t at = text.find(gap);
    if (at != std::wstring::npos) text.replace(at, 1, value);
    return text;
}

// The text of a BSTR, which is freed; empty for null.
inline std::wstring TakeText(BSTR text) {
    std::wstring result = text ? std::wstring(text, SysStringLen(text)) : std::wstring();
    SysFreeString(text);
    return result;
}

} // namespace MSDE::Nodes
