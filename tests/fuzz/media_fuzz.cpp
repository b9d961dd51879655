// Fuzz target of the backup media reader: whatever the bytes, reading the sets and checking their
// contents either succeeds or throws the server's error; it never reads outside the input, never
// allocates by a length it has not checked, and never crashes. Each input is read twice: as it is, and
// with the checksums of its media header and first set header made right, so that mutations of the
// header fields get past the checksum and reach the field parser.
#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/engine.h"
#include "media.h"

namespace {

using namespace tvengine;

void Read(const uint8_t* data, size_t size) {
    detail::MemorySource source(data, size);
    try {
        auto sets = detail::ReadMedia(source, "fuzz.bak");
        for (const auto& set : sets) {
            uint64_t seen = 0;
            detail::ReadPayload(source, set, [&](size_t, const uint8_t*, size_t length) { seen += length; });
            if (seen != set.payloadLength) __builtin_trap();
        }
    } catch (const Error& error) {
        if (error.Number() != kErrMediaFormed && error.Number() != kErrDamagedBackup) __builtin_trap();
    }
}

void Put32(uint8_t* p, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(value >> (8 * i));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Read(data, size);
    constexpr size_t kFields = detail::kMediaHeaderSize + 12;
    if (size < kFields) return 0;
    std::vector<uint8_t> fixed(data, data + size);
    Put32(&fixed[20], detail::Crc32c(0, fixed.data(), 20));
    uint32_t length;
    std::memcpy(&length, &fixed[kFields - 4], 4);
    if (length <= size - kFields && size - kFields - length >= 4)
        Put32(&fixed[kFields + length], detail::Crc32c(0, &fixed[kFields], length));
    Read(fixed.data(), fixed.size());
    return 0;
}
