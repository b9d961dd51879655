// Bitmap and icon files as resources. An RT_BITMAP resource is the .bmp file without its
// BITMAPFILEHEADER (the pixels moved up behind the colour table if the file left a gap); an .ico file
// becomes one RT_ICON resource per image and an RT_GROUP_ICON directory that names them by id.
#include "dib.h"
#include "rc_internal.h"

namespace rc {

namespace {

constexpr size_t kFileHeaderSize = 14; // BITMAPFILEHEADER
constexpr size_t kIconDirSize = 6;
constexpr size_t kIconEntrySize = 16; // ICONDIRENTRY in a file
const uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

const uint8_t* Bytes(const std::string& content) {
    return reinterpret_cast<const uint8_t*>(content.data());
}

} // namespace

std::vector<uint8_t> BitmapResource(const std::string& content, const std::string& name,
                                    const Location& where) {
    const uint8_t* data = Bytes(content);
    if (content.size() < kFileHeaderSize + sizeof(BITMAPINFOHEADER) || content[0] != 'B' || content[1] != 'M')
        Fail(where, "'" + name + "' is not a bitmap file");
    dib::Layout layout;
    const uint8_t* info = data + kFileHeaderSize;
    size_t infoSize = content.size() - kFileHeaderSize;
    if (!dib::MeasureHeader(info, infoSize, false, layout))
        Fail(where, "'" + name + "' is not an uncompressed bitmap of 1, 4, 8, 16, 24 or 32 bits per pixel");
    size_t pixels = dib::ReadU32(data + 10);
    if (pixels == 0) pixels = kFileHeaderSize + layout.bitsOffset;
    if (pixels < kFileHeaderSize + layout.bitsOffset || pixels > content.size() ||
        content.size() - pixels < layout.imageSize)
        Fail(where, "bitmap '" + name + "' is shorter than its header says");
    std::vector<uint8_t> resource(info, info + layout.bitsOffset);
    resource.insert(resource.end(), data + pixels, data + pixels + layout.imageSize);
    return resource;
}

IconImages IconResource(const std::string& content, const std::string& name, const Location& where) {
    const uint8_t* data = Bytes(content);
    if (content.size() < kIconDirSize || dib::ReadU16(data) != 0 || dib::ReadU16(data + 2) != 1)
        Fail(where, "'" + name + "' is not an icon file");
    size_t count = dib::ReadU16(data + 4);
    if (count == 0 || (content.size() - kIconDirSize) / kIconEntrySize < count)
        Fail(where, "icon file '" + name + "' has a damaged directory");

    IconImages icon;
    Writer group;
    group.U16(0);
    group.U16(1);
    group.U16(static_cast<uint16_t>(count));
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* entry = data + kIconDirSize + i * kIconEntrySize;
        uint32_t bytes = dib::ReadU32(entry + 8), offset = dib::ReadU32(entry + 12);
        if (offset > content.size() || bytes > content.size() - offset || bytes < sizeof(kPngSignature))
            Fail(where,
                 "image " + std::to_string(i + 1) + " of icon file '" + name + "' lies outside the file");
        const uint8_t* image = data + offset;
        uint16_t planes = dib::ReadU16(entry + 4), bitCount = dib::ReadU16(entry + 6);
        if (std::memcmp(image, kPngSignature, sizeof kPngSignature) != 0) {
            dib::Layout layout;
            if (!dib::Measure(image, bytes, true, layout))
                Fail(where, "image " + std::to_string(i + 1) + " of icon file '" + name +
                                "' is not a valid icon image");
            // Files often leave these zero; the loader picks images by them, so take them from the image.
            planes = 1;
            if (bitCount == 0) bitCount = layout.bitCount;
        }
        icon.images.emplace_back(image, image + bytes);
        group.U8(entry[0]); // width, height, colour count, reserved
        group.U8(entry[1]);
        group.U8(entry[2]);
        group.U8(entry[3]);
        group.U16(planes);
        group.U16(bitCount);
        group.U32(bytes);
        icon.idOffsets.push_back(group.Size());
        group.U16(0);
    }
    icon.group = std::move(group.Data());
    return icon;
}

} // namespace rc
