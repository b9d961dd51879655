// Placeholder until the resource compiler's blob format lands: no module has resources.
#include "kernel32_internal.h"

namespace k32 {
std::pair<const BYTE*, size_t> FindResourceBlob(void*, const std::string&) {
    return {nullptr, 0};
}
std::optional<std::vector<BYTE>> ReadResourceBlobFromFile(const std::string&) {
    return std::nullopt;
}
} // namespace k32
