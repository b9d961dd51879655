// Reading and writing the backup media format described in media.h. The encoder is used by the backup,
// the decoder by the restore, the file list and the fuzz target; the decoder bounds every length by
// what is left of the file before it reads or allocates anything.
#include "media.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <cstring>
#include <memory>

#include "errors.h"
#include "internal.h"

namespace tvengine::detail {

namespace {

uint32_t g_crcTable[256];

void InitTable() {
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t crc = i;
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0x82F63B78u & (0u - (crc & 1)));
        g_crcTable[i] = crc;
    }
}

uint32_t SoftwareCrc(uint32_t crc, const uint8_t* p, size_t n) {
    static const bool ready = (InitTable(), true);
    (void)ready;
    for (size_t i = 0; i < n; ++i)
        crc = g_crcTable[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
    return crc;
}

#if defined(__x86_64__)
__attribute__((target("sse4.2"))) uint32_t HardwareCrc(uint32_t crc, const uint8_t* p, size_t n) {
    uint64_t c = crc;
    while (n >= 8) {
        uint64_t word;
        std::memcpy(&word, p, 8);
        c = __builtin_ia32_crc32di(c, word);
        p += 8;
        n -= 8;
    }
    uint32_t c32 = static_cast<uint32_t>(c);
    while (n--)
        c32 = __builtin_ia32_crc32qi(c32, *p++);
    return c32;
}
#endif

void Put32(std::string& out, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

void Put64(std::string& out, uint64_t value) {
    for (int i = 0; i < 8; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

void PutString(std::string& out, const std::string& text) {
    Put32(out, static_cast<uint32_t>(text.size()));
    out += text;
}

uint32_t Get32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

uint64_t Get64(const uint8_t* p) {
    return static_cast<uint64_t>(Get32(p)) | (static_cast<uint64_t>(Get32(p + 4)) << 32);
}

[[noreturn]] void Malformed(const std::string& device) {
    throw MediaFormed(device);
}

// Reads the fields of a set header; any overrun or leftover is a malformed medium.
class FieldReader {
public:
    FieldReader(const std::vector<uint8_t>& bytes, const std::string& device)
        : bytes_(bytes), device_(device) {}
    uint8_t U8() {
        Need(1);
        return bytes_[at_++];
    }
    uint32_t U32() {
        Need(4);
        uint32_t value = Get32(&bytes_[at_]);
        at_ += 4;
        return value;
    }
    uint64_t U64() {
        Need(8);
        uint64_t value = Get64(&bytes_[at_]);
        at_ += 8;
        return value;
    }
    std::string Text() {
        uint32_t length = U32();
        Need(length);
        std::string text(reinterpret_cast<const char*>(bytes_.data()) + at_, length);
        at_ += length;
        if (text.find('\0') != std::string::npos) Malformed(device_);
        return text;
    }
    bool AtEnd() const { return at_ == bytes_.size(); }

private:
    void Need(size_t count) {
        if (count > bytes_.size() - at_) Malformed(device_);
    }
    const std::vector<uint8_t>& bytes_;
    const std::string& device_;
    size_t at_ = 0;
};

} // namespace

uint32_t Crc32c(uint32_t crc, const void* data, size_t length) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    crc = ~crc;
#if defined(__x86_64__)
    static const bool hardware = __builtin_cpu_supports("sse4.2");
    crc = hardware ? HardwareCrc(crc, p, length) : SoftwareCrc(crc, p, length);
#else
    crc = SoftwareCrc(crc, p, length);
#endif
    return ~crc;
}

bool MemorySource::Read(uint64_t offset, void* buffer, size_t length) const {
    if (offset > size_ || length > size_ - offset) return false;
    if (length) std::memcpy(buffer, data_ + offset, length);
    return true;
}

FileSource::FileSource(const std::string& path) {
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) throw CannotOpenDevice(path, errno);
    struct stat st;
    int error = ::fstat(fd_, &st) != 0 ? errno : S_ISDIR(st.st_mode) ? EISDIR : 0;
    if (error != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd_);
        fd_ = -1;
        // A device or a pipe holds no backup: it is refused as a medium that is not one.
        if (error == 0) throw MediaFormed(path);
        throw CannotOpenDevice(path, error);
    }
    size_ = static_cast<uint64_t>(st.st_size);
}

FileSource::~FileSource() {
    if (fd_ >= 0) ::close(fd_);
}

bool FileSource::Read(uint64_t offset, void* buffer, size_t length) const {
    if (offset > size_ || length > size_ - offset) return false;
    char* out = static_cast<char*>(buffer);
    while (length > 0) {
        ssize_t got = ::pread(fd_, out, length, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        out += got;
        offset += static_cast<uint64_t>(got);
        length -= static_cast<size_t>(got);
    }
    return true;
}

std::string EncodeMediaHeader(std::time_t created) {
    std::string out(kMediaMagic, sizeof(kMediaMagic));
    Put32(out, kMediaVersion);
    Put64(out, static_cast<uint64_t>(created));
    Put32(out, Crc32c(0, out.data(), out.size()));
    return out;
}

std::string EncodeSetHeader(const BackupSetInfo& info) {
    std::string fields;
    fields += info.type;
    Put64(fields, static_cast<uint64_t>(info.started));
    Put64(fields, static_cast<uint64_t>(info.finished));
    Put32(fields, static_cast<uint32_t>(info.majorVersion));
    fields += static_cast<char>(info.readOnly ? 1 : 0);
    PutString(fields, info.name);
    PutString(fields, info.description);
    PutString(fields, info.databaseName);
    PutString(fields, info.serverName);
    PutString(fields, info.userName);
    Put32(fields, static_cast<uint32_t>(info.files.size()));
    uint64_t payload = 0;
    for (const auto& file : info.files) {
        PutString(fields, file.logicalName);
        PutString(fields, file.physicalName);
        fields += file.type;
        PutString(fields, file.fileGroup);
        Put64(fields, static_cast<uint64_t>(file.sizeBytes));
        Put64(fields, static_cast<uint64_t>(file.maxSizeBytes));
        payload += static_cast<uint64_t>(file.sizeBytes);
    }
    Put64(fields, payload);
    std::string out(kSetMagic, sizeof(kSetMagic));
    Put32(out, static_cast<uint32_t>(fields.size()));
    out += fields;
    Put32(out, Crc32c(0, fields.data(), fields.size()));
    return out;
}

std::string EncodeTrailer(uint32_t payloadChecksum) {
    std::string out(kEndMagic, sizeof(kEndMagic));
    Put32(out, payloadChecksum);
    return out;
}

std::vector<SetLayout> ReadMedia(const MediaSource& source, const std::string& device) {
    const uint64_t size = source.Size();
    uint8_t media[kMediaHeaderSize];
    if (!source.Read(0, media, sizeof(media)) || std::memcmp(media, kMediaMagic, 8) != 0) Malformed(device);
    if (Get32(media + 20) != Crc32c(0, media, 20) || Get32(media + 8) != kMediaVersion) Malformed(device);

    std::vector<SetLayout> sets;
    uint64_t at = kMediaHeaderSize;
    while (at < size) {
        SetLayout set;
        set.start = at;
        uint8_t head[12];
        if (!source.Read(at, head, sizeof(head)) || std::memcmp(head, kSetMagic, 8) != 0) Malformed(device);
        uint32_t length = Get32(head + 8);
        if (length > kMaxSetHeader || length > size - at - sizeof(head)) Malformed(device);
        std::vector<uint8_t> bytes(length);
        uint8_t check[4];
        if (!source.Read(at + sizeof(head), bytes.data(), length) ||
            !source.Read(at + sizeof(head) + length, check, sizeof(check)) ||
            Get32(check) != Crc32c(0, bytes.data(), bytes.size()))
            Malformed(device);

        FieldReader fields(bytes, device);
        BackupSetInfo& info = set.info;
        info.position = static_cast<int>(sets.size() + 1);
        info.type = static_cast<char>(fields.U8());
        info.started = static_cast<std::time_t>(fields.U64());
        info.finished = static_cast<std::time_t>(fields.U64());
        info.majorVersion = static_cast<int>(fields.U32());
        info.readOnly = fields.U8() != 0;
        info.name = fields.Text();
        info.description = fields.Text();
        info.databaseName = fields.Text();
        info.serverName = fields.Text();
        info.userName = fields.Text();
        uint32_t count = fields.U32();
        if (count == 0 || count > kMaxFiles || info.type != 'D' || info.databaseName.empty())
            Malformed(device);
        uint64_t total = 0;
        for (uint32_t i = 0; i < count; ++i) {
            DatabaseFileInfo file;
            file.logicalName = fields.Text();
            file.physicalName = fields.Text();
            file.type = static_cast<char>(fields.U8());
            file.fileGroup = fields.Text();
            uint64_t fileSize = fields.U64();
            file.maxSizeBytes = static_cast<long long>(fields.U64());
            if ((file.type != 'D' && file.type != 'L') || file.logicalName.empty() ||
                file.physicalName.empty() || fileSize > (1ULL << 62) || total + fileSize < total)
                Malformed(device);
            file.sizeBytes = static_cast<long long>(fileSize);
            total += fileSize;
            info.files.push_back(std::move(file));
        }
        uint64_t payload = fields.U64();
        if (!fields.AtEnd() || payload != total) Malformed(device);
        info.payloadBytes = static_cast<long long>(payload);

        set.payloadOffset = at + sizeof(head) + length + sizeof(check);
        if (payload > size - set.payloadOffset || kTrailerSize > size - set.payloadOffset - payload)
            Malformed(device);
        set.payloadLength = payload;
        uint8_t trailer[kTrailerSize];
        if (!source.Read(set.payloadOffset + payload, trailer, sizeof(trailer)) ||
            std::memcmp(trailer, kEndMagic, 8) != 0)
            Malformed(device);
        set.end = set.payloadOffset + payload + kTrailerSize;
        at = set.end;
        sets.push_back(std::move(set));
    }
    if (sets.empty()) Malformed(device);
    return sets;
}

void ReadPayload(const MediaSource& source, const SetLayout& set,
                 const std::function<void(size_t file, const uint8_t* data, size_t length)>& sink,
                 const std::function<void(uint64_t done)>& progress) {
    const size_t kChunk =
        static_cast<size_t>(std::min<uint64_t>(1 << 20, std::max<uint64_t>(set.payloadLength, 1)));
    std::unique_ptr<uint8_t[]> buffer(new uint8_t[kChunk]);
    uint32_t crc = 0;
    uint64_t at = set.payloadOffset, done = 0;
    for (size_t index = 0; index < set.info.files.size(); ++index) {
        uint64_t left = static_cast<uint64_t>(set.info.files[index].sizeBytes);
        while (left > 0) {
            size_t chunk = static_cast<size_t>(std::min<uint64_t>(kChunk, left));
            if (!source.Read(at, buffer.get(), chunk)) throw DamagedBackup("it ends early");
            crc = Crc32c(crc, buffer.get(), chunk);
            if (sink) sink(index, buffer.get(), chunk);
            at += chunk;
            left -= chunk;
            done += chunk;
            if (progress) progress(done);
        }
    }
    uint8_t trailer[kTrailerSize];
    if (!source.Read(at, trailer, sizeof(trailer)) || Get32(trailer + 8) != crc) throw DamagedBackup();
}

} // namespace tvengine::detail
