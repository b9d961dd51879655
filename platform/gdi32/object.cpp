// GDI objects: the process-wide table behind every GDI handle, DeleteObject and GetObjectW (a BITMAP
// for a bitmap, the LOGFONTW of a font).
#include <algorithm>
#include <cstring>
#include <map>

#include "gdi32_internal.h"

namespace gdi {

namespace {

std::map<ULONG_PTR, Object>& Table() {
    static auto* table = new std::map<ULONG_PTR, Object>; // outlives every static that may delete objects
    return *table;
}

// Ids step by 4 and start high, so that small integers and stale values are never valid handles.
ULONG_PTR g_nextId = 0x4000;

} // namespace

std::mutex& TableLock() {
    static auto* lock = new std::mutex;
    return *lock;
}

Object* Find(HGDIOBJ handle) {
    auto it = Table().find(reinterpret_cast<ULONG_PTR>(handle));
    return it == Table().end() ? nullptr : &it->second;
}

HGDIOBJ Insert(Object object) {
    std::lock_guard guard(TableLock());
    ULONG_PTR id = g_nextId;
    g_nextId += 4;
    Table().emplace(id, std::move(object));
    return reinterpret_cast<HGDIOBJ>(id);
}

bool Erase(HGDIOBJ handle) {
    std::lock_guard guard(TableLock());
    return Table().erase(reinterpret_cast<ULONG_PTR>(handle)) > 0;
}

} // namespace gdi

extern "C" BOOL WINAPI DeleteObject(HGDIOBJ ho) {
    if (!gdi::Erase(ho)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

extern "C" int WINAPI GetObjectW(HANDLE h, int c, LPVOID pv) {
    int result = 0;
    bool found = gdi::With(h, [&](gdi::Object& object) {
        if (auto* bitmap = std::get_if<gdi::Bitmap>(&object)) {
            if (!pv) {
                result = sizeof(BITMAP);
                return;
            }
            if (c < static_cast<int>(sizeof(BITMAP))) return;
            BITMAP info{};
            info.bmWidth = bitmap->width;
            info.bmHeight = bitmap->height;
            info.bmWidthBytes = static_cast<LONG>((bitmap->width * bitmap->bitCount + 15) / 16 * 2);
            info.bmPlanes = 1;
            info.bmBitsPixel = bitmap->bitCount;
            std::memcpy(pv, &info, sizeof info);
            result = sizeof(BITMAP);
        } else if (auto* font = std::get_if<gdi::Font>(&object)) {
            if (!pv) {
                result = sizeof(LOGFONTW);
                return;
            }
            // A shorter buffer receives the start of the description, as for any GDI object.
            size_t size = std::min(static_cast<size_t>(c > 0 ? c : 0), sizeof(LOGFONTW));
            std::memcpy(pv, &font->description, size);
            result = static_cast<int>(size);
        }
    });
    if (!found)
        SetLastError(ERROR_INVALID_HANDLE);
    else if (!result)
        SetLastError(ERROR_INVALID_PARAMETER);
    return result;
}
