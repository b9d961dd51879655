// The resource blob of a library file, read without loading the library: the ELF64 header, the section
// headers and their name table lead to the ".rsrc" section that the resource compiler's output puts
// there. Every offset, count and length comes from the file and is checked before use; the reads stay
// inside the file and allocate no more than the section's checked size.
#include <elf.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "kernel32_internal.h"
#include "rsrc_file.h"
#include "rsrc_format.h"

namespace {

constexpr uint64_t kMaxSections = 1u << 20;
constexpr uint64_t kMaxResourceSize = 256u << 20;
const char kSectionName[] = ".rsrc";

class Source {
public:
    virtual ~Source() = default;
    virtual uint64_t Size() const = 0;
    // Reads exactly `length` bytes at `offset`; false when they are not all in the file.
    virtual bool Read(uint64_t offset, void* out, size_t length) const = 0;

protected:
    bool Inside(uint64_t offset, uint64_t length) const {
        return offset <= Size() && length <= Size() - offset;
    }
};

class MemorySource : public Source {
public:
    MemorySource(const BYTE* data, size_t size) : data_(data), size_(size) {}
    uint64_t Size() const override { return size_; }
    bool Read(uint64_t offset, void* out, size_t length) const override {
        if (!Inside(offset, length)) return false;
        if (length) std::memcpy(out, data_ + offset, length);
        return true;
    }

private:
    const BYTE* data_;
    size_t size_;
};

class FileSource : public Source {
public:
    FileSource(int fd, uint64_t size) : fd_(fd), size_(size) {}
    uint64_t Size() const override { return size_; }
    bool Read(uint64_t offset, void* out, size_t length) const override {
        if (!Inside(offset, length)) return false;
        size_t done = 0;
        while (done < length) {
            ssize_t got =
                pread(fd_, static_cast<char*>(out) + done, length - done, static_cast<off_t>(offset + done));
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) return false;
            done += static_cast<size_t>(got);
        }
        return true;
    }

private:
    int fd_;
    uint64_t size_;
};

std::optional<std::vector<BYTE>> Failed(DWORD* error, DWORD code) {
    if (error) *error = code;
    return std::nullopt;
}

std::optional<std::vector<BYTE>> Extract(const Source& file, DWORD* error) {
    Elf64_Ehdr header;
    if (!file.Read(0, &header, sizeof header)) return Failed(error, ERROR_BAD_FORMAT);
    if (std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 || header.e_ident[EI_CLASS] != ELFCLASS64 ||
        header.e_ident[EI_DATA] != ELFDATA2LSB || header.e_ident[EI_VERSION] != EV_CURRENT)
        return Failed(error, ERROR_BAD_FORMAT);
    if (header.e_shoff == 0) return Failed(error, ERROR_RESOURCE_DATA_NOT_FOUND);
    if (header.e_shentsize < sizeof(Elf64_Shdr)) return Failed(error, ERROR_BAD_FORMAT);

    auto section = [&](uint64_t index, Elf64_Shdr& out) {
        return file.Read(header.e_shoff + index * header.e_shentsize, &out, sizeof out);
    };
    Elf64_Shdr first;
    if (!section(0, first)) return Failed(error, ERROR_BAD_FORMAT);
    // Files with very many sections keep the count and the name table's index in section 0.
    uint64_t count = header.e_shnum ? header.e_shnum : first.sh_size;
    uint64_t names = header.e_shstrndx == SHN_XINDEX ? first.sh_link : header.e_shstrndx;
    if (count == 0 || count > kMaxSections || names >= count) return Failed(error, ERROR_BAD_FORMAT);
    if (header.e_shoff > file.Size() || (file.Size() - header.e_shoff) / header.e_shentsize < count)
        return Failed(error, ERROR_BAD_FORMAT);

    Elf64_Shdr nameTable;
    if (!section(names, nameTable) || nameTable.sh_type != SHT_STRTAB) return Failed(error, ERROR_BAD_FORMAT);
    if (nameTable.sh_offset > file.Size() || nameTable.sh_size > file.Size() - nameTable.sh_offset)
        return Failed(error, ERROR_BAD_FORMAT);

    for (uint64_t i = 1; i < count; ++i) {
        Elf64_Shdr sh;
        if (!section(i, sh)) return Failed(error, ERROR_BAD_FORMAT);
        char name[sizeof kSectionName];
        if (sh.sh_name >= nameTable.sh_size || nameTable.sh_size - sh.sh_name < sizeof name) continue;
        if (!file.Read(nameTable.sh_offset + sh.sh_name, name, sizeof name))
            return Failed(error, ERROR_BAD_FORMAT);
        if (std::memcmp(name, kSectionName, sizeof name) != 0) continue;

        if (sh.sh_type != SHT_PROGBITS || sh.sh_size > kMaxResourceSize)
            return Failed(error, ERROR_INVALID_DATA);
        std::vector<BYTE> blob(sh.sh_size);
        if (!file.Read(sh.sh_offset, blob.data(), blob.size())) return Failed(error, ERROR_BAD_FORMAT);
        tvrsrc::View view;
        if (!view.Open(blob.data(), blob.size())) return Failed(error, ERROR_INVALID_DATA);
        blob.resize(view.TotalSize());
        if (error) *error = ERROR_SUCCESS;
        return blob;
    }
    return Failed(error, ERROR_RESOURCE_DATA_NOT_FOUND);
}

} // namespace

namespace k32 {

std::optional<std::vector<BYTE>> ReadResourceBlobFromImage(const BYTE* image, size_t size, DWORD* error) {
    return Extract(MemorySource(image, image ? size : 0), error);
}

std::optional<std::vector<BYTE>> ReadResourceBlobFromFile(const std::string& path, DWORD* error) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        DWORD code = errno == ENOENT    ? ERROR_FILE_NOT_FOUND
                     : errno == ENOTDIR ? ERROR_PATH_NOT_FOUND
                     : errno == EACCES  ? ERROR_ACCESS_DENIED
                                        : ERROR_BAD_FORMAT;
        return Failed(error, code);
    }
    struct stat st;
    std::optional<std::vector<BYTE>> blob;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        blob = Failed(error, ERROR_BAD_FORMAT);
    else
        blob = Extract(FileSource(fd, static_cast<uint64_t>(st.st_size)), error);
    close(fd);
    return blob;
}

std::optional<std::vector<BYTE>> ReadResourceBlobFromFile(const std::string& path) {
    return ReadResourceBlobFromFile(path, nullptr);
}

} // namespace k32
