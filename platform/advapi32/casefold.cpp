// Case folding of key and value names. Names compare case-insensitively in every script that has
// letter case, not only ASCII, and the hive stores each name's folded form beside it; so the mapping
// must not depend on the process's locale and lives here as a table of its own. Each upper-case letter
// maps to its one lower-case letter; letters whose lower case is longer than one character, and the
// dotted and dotless i, stay as they are.
#include <algorithm>
#include <cstdint>

#include "advapi32_internal.h"

namespace adv {

namespace {

enum Step : uint8_t {
    kAll,  // every character of the range moves by `delta`
    kEven, // upper case at even code points, lower case right after
    kOdd,  // upper case at odd code points, lower case right after
};

struct Range {
    uint32_t first, last;
    int32_t delta;
    Step step;
};

// Sorted by first code point; ranges do not overlap.
constexpr Range kRanges[] = {
    {0x0041, 0x005A, 32, kAll},                                // Basic Latin
    {0x00C0, 0x00D6, 32, kAll},                                // Latin-1
    {0x00D8, 0x00DE, 32, kAll},    {0x0100, 0x012F, 1, kEven}, // Latin Extended-A
    {0x0132, 0x0137, 1, kEven},    {0x0139, 0x0148, 1, kOdd},  {0x014A, 0x0177, 1, kEven},
    {0x0178, 0x0178, -121, kAll},                             // Y with diaeresis
    {0x0179, 0x017E, 1, kOdd},     {0x01CD, 0x01DC, 1, kOdd}, // Latin Extended-B
    {0x01DE, 0x01EF, 1, kEven},    {0x01F8, 0x021F, 1, kEven}, {0x0222, 0x0233, 1, kEven},
    {0x0246, 0x024F, 1, kEven},    {0x0386, 0x0386, 38, kAll}, // Greek
    {0x0388, 0x038A, 37, kAll},    {0x038C, 0x038C, 64, kAll}, {0x038E, 0x038F, 63, kAll},
    {0x0391, 0x03A1, 32, kAll},    {0x03A3, 0x03AB, 32, kAll}, {0x03D8, 0x03EF, 1, kEven},
    {0x0400, 0x040F, 80, kAll}, // Cyrillic
    {0x0410, 0x042F, 32, kAll},    {0x0460, 0x0481, 1, kEven}, {0x048A, 0x04BF, 1, kEven},
    {0x04C0, 0x04C0, 15, kAll},    {0x04C1, 0x04CE, 1, kOdd},  {0x04D0, 0x052F, 1, kEven},
    {0x0531, 0x0556, 48, kAll},                                // Armenian
    {0x10A0, 0x10C5, 7264, kAll},                              // Georgian
    {0x1E00, 0x1E95, 1, kEven},                                // Latin Extended Additional
    {0x1E9E, 0x1E9E, -7615, kAll},                             // capital sharp s
    {0x1EA0, 0x1EFF, 1, kEven},    {0x1F08, 0x1F0F, -8, kAll}, // Greek Extended
    {0x1F18, 0x1F1D, -8, kAll},    {0x1F28, 0x1F2F, -8, kAll}, {0x1F38, 0x1F3F, -8, kAll},
    {0x1F48, 0x1F4D, -8, kAll},    {0x1F59, 0x1F5F, -8, kOdd}, {0x1F68, 0x1F6F, -8, kAll},
    {0x2126, 0x2126, -7517, kAll},                             // ohm sign
    {0x212A, 0x212A, -8383, kAll},                             // kelvin sign
    {0x212B, 0x212B, -8262, kAll},                             // angstrom sign
    {0x2160, 0x216F, 16, kAll},                                // Roman numerals
    {0x24B6, 0x24CF, 26, kAll},                                // circled letters
    {0x2C00, 0x2C2F, 48, kAll},                                // Glagolitic
    {0x2C80, 0x2CE3, 1, kEven},                                // Coptic
    {0xA640, 0xA66D, 1, kEven},                                // Cyrillic Extended-B
    {0xA680, 0xA69B, 1, kEven},    {0xA722, 0xA72F, 1, kEven}, // Latin Extended-D
    {0xA732, 0xA76F, 1, kEven},    {0xA779, 0xA77C, 1, kOdd},  {0xA77E, 0xA787, 1, kEven},
    {0xA790, 0xA793, 1, kEven},    {0xA796, 0xA7A9, 1, kEven}, {0xFF21, 0xFF3A, 32, kAll}, // full-width Latin
    {0x10400, 0x10427, 40, kAll},                                                          // Deseret
};

wchar_t FoldChar(wchar_t c) {
    auto code = static_cast<uint32_t>(c);
    if (code < 0x80) return (code >= 'A' && code <= 'Z') ? static_cast<wchar_t>(code + 32) : c;
    auto after = std::upper_bound(std::begin(kRanges), std::end(kRanges), code,
                                  [](uint32_t value, const Range& range) { return value < range.first; });
    if (after == std::begin(kRanges)) return c;
    const Range& range = *(after - 1);
    if (code > range.last) return c;
    if (range.step == kEven && code % 2 != 0) return c;
    if (range.step == kOdd && code % 2 == 0) return c;
    return static_cast<wchar_t>(static_cast<int64_t>(code) + range.delta);
}

} // namespace

std::wstring FoldName(std::wstring_view name) {
    std::wstring folded(name);
    for (wchar_t& c : folded)
        c = FoldChar(c);
    return folded;
}

} // namespace adv
