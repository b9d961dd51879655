// Fuzz target of the engine's readers of backup texts, the backup statement and the device list: any
// text either reads or gives the server's syntax error; nothing else is thrown, nothing is read past the
// text, and no device-list item comes back empty.
#include <cstdint>
#include <string>

#include "engine/engine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    try {
        tvengine::IsBackupStatement(text);
        tvengine::BackupRequest request = tvengine::ParseBackupStatement(text);
        if (request.stats < 0 || request.stats > 100) __builtin_trap();
    } catch (const tvengine::Error& error) {
        if (error.Number() != tvengine::kErrSyntax) __builtin_trap();
    }
    try {
        for (const std::string& item : tvengine::ParseDeviceList(text))
            if (item.empty() || item.size() > text.size()) __builtin_trap();
    } catch (const tvengine::Error& error) {
        if (error.Number() != tvengine::kErrSyntax) __builtin_trap();
    }
    return 0;
}
