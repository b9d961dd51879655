// Global memory: the blocks that clipboard formats and data objects hand from one component to another.
// A fixed block's handle is its address, as documented; a moveable block's handle is an odd id (no
// allocation is ever at an odd address), so it can move when it grows and its handle stays good. Every
// handle is looked up in this table before it is used, so a freed or foreign handle fails with
// ERROR_INVALID_HANDLE instead of reaching memory that is gone.
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>

#include "windows.h"

namespace {

struct Block {
    BYTE* data = nullptr; // never null: a block of no bytes still has an (empty) address
    SIZE_T size = 0;
    bool moveable = false;
    LONG locks = 0; // moveable blocks only; a fixed block is always in place
};

std::mutex g_lock;
std::map<ULONG_PTR, Block> g_blocks;
ULONG_PTR g_nextId = 0x10001;

Block* Find(HGLOBAL handle) {
    auto it = g_blocks.find(reinterpret_cast<ULONG_PTR>(handle));
    return it == g_blocks.end() ? nullptr : &it->second;
}

BYTE* AllocateBytes(SIZE_T bytes) {
    return static_cast<BYTE*>(std::calloc(bytes ? bytes : 1, 1));
}

} // namespace

extern "C" HGLOBAL WINAPI GlobalAlloc(UINT uFlags, SIZE_T dwBytes) {
    BYTE* data = AllocateBytes(dwBytes);
    if (!data) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    std::lock_guard guard(g_lock);
    Block block{data, dwBytes, (uFlags & GMEM_MOVEABLE) != 0, 0};
    ULONG_PTR handle;
    if (block.moveable) {
        handle = g_nextId;
        g_nextId += 2;
    } else {
        handle = reinterpret_cast<ULONG_PTR>(data);
    }
    g_blocks.emplace(handle, block);
    return reinterpret_cast<HGLOBAL>(handle);
}

extern "C" LPVOID WINAPI GlobalLock(HGLOBAL hMem) {
    std::lock_guard guard(g_lock);
    Block* block = Find(hMem);
    if (!block) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (block->moveable) ++block->locks;
    return block->data;
}

extern "C" BOOL WINAPI GlobalUnlock(HGLOBAL hMem) {
    std::lock_guard guard(g_lock);
    Block* block = Find(hMem);
    if (!block) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!block->moveable) {
        SetLastError(NO_ERROR);
        return FALSE;
    }
    if (block->locks == 0) {
        SetLastError(ERROR_NOT_LOCKED);
        return FALSE;
    }
    if (--block->locks > 0) return TRUE;
    SetLastError(NO_ERROR);
    return FALSE;
}

extern "C" HGLOBAL WINAPI GlobalReAlloc(HGLOBAL hMem, SIZE_T dwBytes, UINT uFlags) {
    std::lock_guard guard(g_lock);
    Block* block = Find(hMem);
    if (!block) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    // Only a moveable block may move under its handle; a fixed block moves only when the caller allows
    // it (and then its handle changes). A locked block never moves, so no locked address goes stale.
    bool mayMove = block->moveable ? block->locks == 0 : (uFlags & GMEM_MOVEABLE) != 0;
    if (dwBytes > block->size && !mayMove) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if (dwBytes <= block->size) {
        block->size = dwBytes; // shrinking keeps the block where it is
        return hMem;
    }
    BYTE* data = AllocateBytes(dwBytes);
    if (!data) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    std::memcpy(data, block->data, block->size);
    std::free(block->data);
    block->data = data;
    block->size = dwBytes;
    if (block->moveable) return hMem;
    Block moved = *block;
    g_blocks.erase(reinterpret_cast<ULONG_PTR>(hMem));
    g_blocks.emplace(reinterpret_cast<ULONG_PTR>(data), moved);
    return reinterpret_cast<HGLOBAL>(data);
}

extern "C" SIZE_T WINAPI GlobalSize(HGLOBAL hMem) {
    std::lock_guard guard(g_lock);
    Block* block = Find(hMem);
    if (!block) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return block->size;
}

extern "C" HGLOBAL WINAPI GlobalFree(HGLOBAL hMem) {
    std::lock_guard guard(g_lock);
    auto it = g_blocks.find(reinterpret_cast<ULONG_PTR>(hMem));
    if (it == g_blocks.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return hMem;
    }
    std::free(it->second.data);
    g_blocks.erase(it);
    return nullptr;
}
