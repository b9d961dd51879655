// Fuzz target for what the reg tool reads from outside: its command line (one argument per line of
// the input) with the key path and the /d data of every type, and value data as the registry could
// deliver it from a hive written elsewhere; everything parsed is then shown and exported as reg would.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "regcmd.h"
#include "tvplatform.h"

using namespace regtool;

namespace {

void Render(const Value& value) {
    DisplayData(value);
    ExportLine(value);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::wstring text = tvp::FromUtf8(std::string(reinterpret_cast<const char*>(data), size));
    std::vector<std::wstring> args;
    for (size_t start = 0;;) {
        size_t end = text.find(L'\n', start);
        args.push_back(text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start));
        if (end == std::wstring::npos) break;
        start = end + 1;
    }
    Command command;
    std::wstring error;
    if (ParseCommand(args, command, error)) {
        Usage(command.helpFor);
        KeyPath path;
        if (ParseKeyPath(command.key, path)) path.Full();
        if (command.type) TypeFromName(*command.type);
        for (DWORD type : {REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD, REG_MULTI_SZ, REG_QWORD}) {
            Value value;
            if (ParseData(type, command.data.value_or(L""), command.separator, value, error)) Render(value);
        }
    }
    // The same bytes as delivered data: the first byte picks the type and how far the count overstates.
    if (size > 0) {
        std::vector<BYTE> buffer(data + 1, data + size);
        DWORD type = data[0] % 12;
        Render(FromDelivered(L"x", type, buffer, static_cast<DWORD>(buffer.size() + (data[0] >> 4))));
    }
    return 0;
}
