// Resource strings are read into a buffer of 255 characters: longer texts are cut there.
#include "snapins/resstring.h"

#include "snapins/module.h"

namespace Snapins {

std::wstring LoadResString(UINT id) {
    WCHAR buffer[256] = {};
    int length = LoadStringW(SnapinModule().resourceModule, id, buffer, 256);
    return std::wstring(buffer, length > 0 ? length : 0);
}

} // namespace Snapins
