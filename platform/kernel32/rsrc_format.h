// The resource blob: how a module's resources are laid out in its ".rsrc" section. The resource compiler
// writes it (platform/rc) and kernel32 reads it, from a loaded library's memory or from a library file
// that is never loaded, so the reader checks every offset and length against the blob's size.
//
// Layout (little-endian, every offset from the start of the blob):
//   Header   32 bytes, magic "TVRS", format version, total size, the entry table and the name area
//   Entry    24 bytes each: type, name, language, offset and size of the resource's bytes
//   names    string names of types and resources: a 16-bit length, then that many UTF-16 units
//   data     the resources' bytes in their documented binary forms, each at an 8-byte boundary
// A type or name is an integer id below 0x10000, or kNamed plus the offset of its string in the name
// area. String names are stored in upper case, since resource names compare case-insensitively.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace tvrsrc {

inline constexpr char kMagic[4] = {'T', 'V', 'R', 'S'};
inline constexpr uint32_t kFormatVersion = 1;
inline constexpr uint32_t kNamed = 0x80000000u;
inline constexpr size_t kDataAlignment = 8;

struct Header {
    char magic[4];
    uint32_t version;
    uint32_t totalSize;
    uint32_t entryCount;
    uint32_t entriesOffset;
    uint32_t namesOffset;
    uint32_t namesSize;
    uint32_t reserved;
};
static_assert(sizeof(Header) == 32);

struct Entry {
    uint32_t type;
    uint32_t name;
    uint16_t language;
    uint16_t reserved;
    uint32_t offset;
    uint32_t size;
    uint32_t reserved2;
};
static_assert(sizeof(Entry) == 24);

// A type or resource name: an integer id, or a string (upper case).
struct Id {
    bool named = false;
    uint16_t id = 0;
    std::u16string name;
};

inline bool operator==(const Id& a, const Id& b) {
    return a.named == b.named && (a.named ? a.name == b.name : a.id == b.id);
}

// Upper case as resource names compare: ASCII letters and the Latin-1 letters, which covers the names
// that scripts use.
inline char16_t UpperCase(char16_t c) {
    if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 32);
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 32);
    return c;
}

// The order in which a lookup that leaves the language open prefers a resource's languages (lower is
// better): neutral, the user's and the system's default, this platform's language (English, United
// States), any English, then whatever there is.
inline int LanguageRank(uint16_t language) {
    switch (language) {
    case 0x0000:
        return 0;
    case 0x0400:
        return 1;
    case 0x0800:
        return 2;
    case 0x0409:
        return 3;
    default:
        return (language & 0x3FF) == 0x09 ? 4 : 5;
    }
}

// A read-only view of a blob that checked its header, its entry table and every entry's name and data
// against the blob's size. Only a view that opened successfully hands out entries.
class View {
public:
    bool Open(const uint8_t* blob, size_t size) {
        data_ = nullptr;
        if (!blob || size < sizeof(Header)) return false;
        Header header;
        std::memcpy(&header, blob, sizeof header);
        if (std::memcmp(header.magic, kMagic, 4) != 0 || header.version != kFormatVersion) return false;
        if (header.totalSize < sizeof(Header) || header.totalSize > size) return false;
        size_ = header.totalSize;
        if (!Within(header.entriesOffset, uint64_t(header.entryCount) * sizeof(Entry))) return false;
        if (!Within(header.namesOffset, header.namesSize)) return false;
        data_ = blob;
        header_ = header;
        for (uint32_t i = 0; i < header.entryCount; ++i) {
            Entry entry = RawEntry(i);
            Id unused;
            if (!Within(entry.offset, entry.size) || !DecodeId(entry.type, unused) ||
                !DecodeId(entry.name, unused)) {
                data_ = nullptr;
                return false;
            }
        }
        return true;
    }

    size_t Count() const { return data_ ? header_.entryCount : 0; }
    size_t TotalSize() const { return data_ ? size_ : 0; }

    Entry RawEntry(size_t index) const {
        Entry entry;
        std::memcpy(&entry, data_ + header_.entriesOffset + index * sizeof(Entry), sizeof entry);
        return entry;
    }
    Id Type(size_t index) const { return Decode(RawEntry(index).type); }
    Id Name(size_t index) const { return Decode(RawEntry(index).name); }
    uint16_t Language(size_t index) const { return RawEntry(index).language; }
    const uint8_t* Data(size_t index) const { return data_ + RawEntry(index).offset; }
    uint32_t Size(size_t index) const { return RawEntry(index).size; }

private:
    bool Within(uint64_t offset, uint64_t length) const {
        return offset <= size_ && length <= size_ - offset;
    }

    bool DecodeId(uint32_t value, Id& out) const {
        out = Id();
        if (!(value & kNamed)) {
            if (value > 0xFFFF) return false;
            out.id = static_cast<uint16_t>(value);
            return true;
        }
        uint32_t offset = value & ~kNamed;
        if (offset > header_.namesSize || header_.namesSize - offset < 2) return false;
        uint16_t length;
        std::memcpy(&length, data_ + header_.namesOffset + offset, 2);
        if ((header_.namesSize - offset - 2) / 2 < length) return false;
        out.named = true;
        out.name.resize(length);
        std::memcpy(out.name.data(), data_ + header_.namesOffset + offset + 2, length * 2u);
        return true;
    }

    Id Decode(uint32_t value) const {
        Id id;
        DecodeId(value, id);
        return id;
    }

    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
    Header header_{};
};

} // namespace tvrsrc
