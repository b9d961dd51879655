// gdi32's object table: every GDI object lives here under an id, and the handles that callers hold are
// those ids. A deleted object's id is never given out again, so a stale handle names nothing.
#pragma once

#include <mutex>
#include <variant>
#include <vector>

#include "windows.h"

namespace gdi {

// A bitmap, kept as a bottom-up DIB of its own format: `bits` holds `height` rows of `stride` bytes.
struct Bitmap {
    LONG width = 0;
    LONG height = 0;
    WORD bitCount = 0;
    bool bitfields = false;
    DWORD masks[3] = {0, 0, 0};
    std::vector<RGBQUAD> colours;
    std::vector<BYTE> bits;
    size_t stride = 0;
};

// A logical font: only its description, which the front end turns into a face when it draws.
struct Font {
    LOGFONTW description;
};

// A device context of the display.
struct DeviceContext {};

using Object = std::variant<Bitmap, Font, DeviceContext>;

HGDIOBJ Insert(Object object);
bool Erase(HGDIOBJ handle);

std::mutex& TableLock();
Object* Find(HGDIOBJ handle); // with TableLock() held

// Runs `use` on the object under the table's lock; false when the handle names no object.
template <typename Use> bool With(HGDIOBJ handle, Use use) {
    std::lock_guard guard(TableLock());
    Object* object = Find(handle);
    if (!object) return false;
    use(*object);
    return true;
}

} // namespace gdi
