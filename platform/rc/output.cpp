// What the compiler writes: the resource blob (platform/kernel32/rsrc_format.h), the C++ source that
// links it into a module as the exported symbol tv_rsrc in the ".rsrc" section, and the dependency file
// that lets the build recompile the script when any file it read changes.
#include <cstdio>

#include "rc_internal.h"

namespace rc {

namespace {

size_t AlignUp(size_t n, size_t to) {
    return (n + to - 1) / to * to;
}

} // namespace

std::vector<uint8_t> WriteBlob(const std::vector<Resource>& resources) {
    // String names go into one area, each once.
    Writer names;
    std::map<std::u16string, uint32_t> nameOffsets;
    auto encode = [&](const tvrsrc::Id& id) -> uint32_t {
        if (!id.named) return id.id;
        auto [it, added] = nameOffsets.emplace(id.name, static_cast<uint32_t>(names.Size()));
        if (added) {
            names.U16(static_cast<uint16_t>(id.name.size()));
            for (char16_t c : id.name)
                names.U16(c);
        }
        return tvrsrc::kNamed | it->second;
    };
    std::vector<tvrsrc::Entry> entries;
    for (const Resource& r : resources) {
        tvrsrc::Entry entry{};
        entry.type = encode(r.type);
        entry.name = encode(r.name);
        entry.language = r.language;
        entry.size = static_cast<uint32_t>(r.data.size());
        entries.push_back(entry);
    }

    tvrsrc::Header header{};
    std::memcpy(header.magic, tvrsrc::kMagic, 4);
    header.version = tvrsrc::kFormatVersion;
    header.entryCount = static_cast<uint32_t>(entries.size());
    header.entriesOffset = sizeof(tvrsrc::Header);
    header.namesOffset = static_cast<uint32_t>(header.entriesOffset + entries.size() * sizeof(tvrsrc::Entry));
    header.namesSize = static_cast<uint32_t>(names.Size());
    size_t offset = AlignUp(header.namesOffset + header.namesSize, tvrsrc::kDataAlignment);
    for (size_t i = 0; i < entries.size(); ++i) {
        entries[i].offset = static_cast<uint32_t>(offset);
        offset = AlignUp(offset + resources[i].data.size(), tvrsrc::kDataAlignment);
    }
    if (offset > 0x7FFFFFFF) Fail(Location(), "the resources are larger than 2 GB");
    header.totalSize = static_cast<uint32_t>(offset);

    std::vector<uint8_t> blob(offset, 0);
    std::memcpy(blob.data(), &header, sizeof header);
    if (!entries.empty())
        std::memcpy(blob.data() + header.entriesOffset, entries.data(),
                    entries.size() * sizeof(tvrsrc::Entry));
    if (names.Size()) std::memcpy(blob.data() + header.namesOffset, names.Data().data(), names.Size());
    for (size_t i = 0; i < entries.size(); ++i)
        if (!resources[i].data.empty())
            std::memcpy(blob.data() + entries[i].offset, resources[i].data.data(), resources[i].data.size());
    return blob;
}

std::string EmitSource(const std::vector<uint8_t>& blob, const std::string& scriptName) {
    std::string out;
    out += "// The resources of " + scriptName +
           ", compiled by tavrosk-rc. Generated: edit the script instead.\n";
    out +=
        "// kernel32 finds them through the exported symbol tv_rsrc, or in the file's \".rsrc\" section.\n";
    out += "extern \"C\" __attribute__((visibility(\"default\"), used, section(\".rsrc\"), aligned(16)))\n";
    out += "const unsigned char tv_rsrc[" + std::to_string(blob.size()) + "] = {\n";
    char hex[8];
    for (size_t i = 0; i < blob.size(); ++i) {
        std::snprintf(hex, sizeof hex, "0x%02x,", blob[i]);
        out += hex;
        out += (i % 16 == 15 || i + 1 == blob.size()) ? "\n" : " ";
    }
    out += "};\n";
    return out;
}

std::string EmitDepfile(const std::string& target, const std::vector<std::string>& inputs) {
    auto escape = [](const std::string& path) {
        std::string out;
        for (char c : path) {
            if (c == ' ' || c == '#' || c == '\\') out += '\\';
            if (c == '$') out += '$';
            out += c;
        }
        return out;
    };
    std::string out = escape(target) + ":";
    std::set<std::string> seen;
    for (const std::string& input : inputs)
        if (seen.insert(input).second) out += " \\\n  " + escape(input);
    return out + "\n";
}

} // namespace rc
