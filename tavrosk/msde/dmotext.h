// Texts of the object model: its calls hand out BSTRs that the caller frees. Beside the other helpers of
// the object model (dmo.h).
#pragma once

#include <string>

#include "oleauto.h"

namespace MSDE {

// The text of a BSTR, which is freed; empty for null.
inline std::wstring TakeText(BSTR text) {
    std::wstring result = text ? std::wstring(text, SysStringLen(text)) : std::wstring();
    SysFreeString(text);
    return result;
}

} // namespace MSDE
