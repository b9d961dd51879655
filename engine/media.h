// The backup media format. A backup file starts with a media header and holds one or more backup sets
// one after another; each set is a header (what was backed up: names, dates, the file list) with a
// checksum of its own, the contents of the database's files, and a trailer with the checksum of those
// contents. All numbers are little-endian. The reader trusts nothing in a file: every length and
// offset is checked against the file before it is used, so a truncated, corrupt or foreign file is
// refused with the server's error and changes nothing.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/engine.h"

namespace tvengine::detail {

inline constexpr char kMediaMagic[8] = {'T', 'V', 'K', 'M', 'E', 'D', 'I', 'A'};
inline constexpr char kSetMagic[8] = {'T', 'V', 'K', 'B', 'S', 'E', 'T', '1'};
inline constexpr char kEndMagic[8] = {'T', 'V', 'K', 'B', 'E', 'N', 'D', '1'};
inline constexpr uint32_t kMediaVersion = 1;
inline constexpr size_t kMediaHeaderSize = 24; // magic, version, reserved, created, checksum
inline constexpr size_t kTrailerSize = 12;     // magic, payload checksum
inline constexpr uint32_t kMaxSetHeader = 1 << 20;
inline constexpr uint32_t kMaxFiles = 256;

// CRC-32C, with the processor's instruction where it has one.
uint32_t Crc32c(uint32_t crc, const void* data, size_t length);

// Where the reader gets its bytes: a file, or memory for the fuzz target.
class MediaSource {
public:
    virtual ~MediaSource() = default;
    virtual uint64_t Size() const = 0;
    // Reads exactly length bytes at offset; false when they are not there.
    virtual bool Read(uint64_t offset, void* buffer, size_t length) const = 0;
};

class MemorySource : public MediaSource {
public:
    MemorySource(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint64_t Size() const override { return size_; }
    bool Read(uint64_t offset, void* buffer, size_t length) const override;

private:
    const uint8_t* data_;
    size_t size_;
};

class FileSource : public MediaSource {
public:
    explicit FileSource(const std::string& path); // throws kErrCannotOpenDevice
    ~FileSource() override;
    uint64_t Size() const override { return size_; }
    bool Read(uint64_t offset, void* buffer, size_t length) const override;
    int Descriptor() const { return fd_; }

private:
    int fd_ = -1;
    uint64_t size_ = 0;
};

struct SetLayout {
    BackupSetInfo info;
    uint64_t start = 0; // offset of the set's magic
    uint64_t payloadOffset = 0;
    uint64_t payloadLength = 0;
    uint64_t end = 0; // offset just past the trailer
};

// The sets of a medium, each header checked; throws kErrMediaFormed naming the device.
std::vector<SetLayout> ReadMedia(const MediaSource& source, const std::string& device);

// Streams a set's file contents to sink, one file after another (file index, bytes), and checks the
// payload checksum at the end; throws kErrDamagedBackup when it does not match.
void ReadPayload(const MediaSource& source, const SetLayout& set,
                 const std::function<void(size_t file, const uint8_t* data, size_t length)>& sink,
                 const std::function<void(uint64_t done)>& progress = {});

std::string EncodeMediaHeader(std::time_t created);
std::string EncodeSetHeader(const BackupSetInfo& info);
std::string EncodeTrailer(uint32_t payloadChecksum);

} // namespace tvengine::detail
