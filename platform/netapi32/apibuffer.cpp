// The buffers that the network management functions allocate for their callers. Every live buffer is
// known, so releasing a stale or foreign pointer fails harmlessly instead of corrupting the heap.
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_set>

#include "netapi32_internal.h"

namespace {

std::mutex g_lock;
std::unordered_set<void*> g_buffers;

} // namespace

namespace netapi {

PackedBuffer::~PackedBuffer() {
    if (m_block) NetApiBufferFree(m_block);
}

NET_API_STATUS PackedBuffer::Allocate(size_t recordBytes, size_t characters) {
    size_t bytes = recordBytes + characters * sizeof(WCHAR);
    if (bytes > 0xFFFFFFFFu) return ERROR_NOT_ENOUGH_MEMORY;
    NET_API_STATUS status = NetApiBufferAllocate(static_cast<DWORD>(bytes), &m_block);
    if (status != NERR_Success) return status;
    m_next = reinterpret_cast<WCHAR*>(static_cast<BYTE*>(m_block) + recordBytes);
    return NERR_Success;
}

LPWSTR PackedBuffer::Add(const std::wstring& text) {
    LPWSTR copy = m_next;
    std::memcpy(copy, text.c_str(), (text.size() + 1) * sizeof(WCHAR));
    m_next += text.size() + 1;
    return copy;
}

void* PackedBuffer::Release() {
    void* block = m_block;
    m_block = nullptr;
    return block;
}

size_t Characters(const std::vector<std::wstring>& texts) {
    size_t characters = 0;
    for (const auto& text : texts)
        characters += text.size() + 1;
    return characters;
}

} // namespace netapi

extern "C" {

NET_API_STATUS NET_API_FUNCTION NetApiBufferAllocate(DWORD ByteCount, LPVOID* Buffer) {
    if (!Buffer) return ERROR_INVALID_PARAMETER;
    *Buffer = std::calloc(ByteCount ? ByteCount : 1, 1);
    if (!*Buffer) return ERROR_NOT_ENOUGH_MEMORY;
    std::lock_guard guard(g_lock);
    g_buffers.insert(*Buffer);
    return NERR_Success;
}

NET_API_STATUS NET_API_FUNCTION NetApiBufferFree(LPVOID Buffer) {
    if (!Buffer) return NERR_Success;
    {
        std::lock_guard guard(g_lock);
        if (g_buffers.erase(Buffer) == 0) return ERROR_INVALID_PARAMETER;
    }
    std::free(Buffer);
    return NERR_Success;
}

} // extern "C"
