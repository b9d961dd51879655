// Version information of files: GetFileVersionInfoSizeW, GetFileVersionInfoW and VerQueryValueW over
// the VERSIONINFO resource, read from the file's ".rsrc" section without loading the library, so the
// version of a library is known before (or instead of) running any of its code.
//
// The resource is a tree of nodes (wLength, wValueLength, wType, a UTF-16 key, the value and the
// children, each on a 32-bit boundary). Its texts are UTF-16 while WCHAR is wchar_t here, so
// GetFileVersionInfoW appends a wide copy of every text value after the resource, the way Windows
// appends room for converted texts; VerQueryValueW hands out pointers into those copies. The size that
// GetFileVersionInfoSizeW reports includes them.
#include <cstring>

#include "kernel32_internal.h"
#include "rsrc_file.h"
#include "rsrc_format.h"
#include "tvplatform.h"
#include "winver.h"

namespace {

constexpr WORD kVersionType = 16; // RT_VERSION
constexpr WORD kVersionName = 1;  // VS_VERSION_INFO
constexpr int kMaxDepth = 16;
const char kWideMagic[4] = {'T', 'V', 'W', 'S'};

struct WideHeader {
    char magic[4];
    uint32_t count;
};
struct WideEntry {
    uint32_t valueOffset; // the UTF-16 value in the resource
    uint32_t wideOffset;  // its wchar_t copy, with a null
};

size_t Align(size_t n, size_t to) {
    return (n + to - 1) / to * to;
}

WORD ReadWord(const BYTE* p) {
    WORD v;
    std::memcpy(&v, p, 2);
    return v;
}

struct Node {
    size_t end = 0; // offset just past the node
    std::u16string key;
    bool text = false;
    size_t valueOffset = 0;
    size_t valueBytes = 0;
    size_t childrenOffset = 0;
};

// Reads the node at `at`, which must lie wholly before `limit`; offsets count from the resource's start,
// which is where the 32-bit alignment of the format counts from.
bool ReadNode(const BYTE* block, size_t limit, size_t at, Node& node) {
    if (at > limit || limit - at < 6) return false;
    size_t length = ReadWord(block + at);
    if (length < 6 || length > limit - at) return false;
    node = Node();
    node.end = at + length;
    WORD valueLength = ReadWord(block + at + 2);
    node.text = ReadWord(block + at + 4) == 1;
    size_t p = at + 6;
    for (;; p += 2) {
        if (node.end - p < 2) return false;
        char16_t c = ReadWord(block + p);
        if (!c) break;
        node.key += c;
    }
    node.valueOffset = Align(p + 2, 4);
    node.valueBytes = node.text ? valueLength * size_t(2) : valueLength;
    if (node.valueBytes && (node.valueOffset > node.end || node.valueBytes > node.end - node.valueOffset))
        return false;
    node.childrenOffset = Align(node.valueOffset + node.valueBytes, 4);
    return true;
}

bool SameKey(const std::u16string& key, const std::u16string& wanted) {
    if (key.size() != wanted.size()) return false;
    for (size_t i = 0; i < key.size(); ++i)
        if (tvrsrc::UpperCase(key[i]) != tvrsrc::UpperCase(wanted[i])) return false;
    return true;
}

// Calls visit(child) for each child of `node`; stops and returns false at a damaged child.
template <typename Visit> bool ForEachChild(const BYTE* block, const Node& node, Visit visit) {
    for (size_t at = node.childrenOffset; at < node.end;) {
        Node child;
        if (!ReadNode(block, node.end, at, child)) return false;
        if (!visit(child)) return true;
        at = Align(child.end, 4);
    }
    return true;
}

// Collects the text values of the tree, checking every node on the way.
bool CollectTexts(const BYTE* block, const Node& node, int depth,
                  std::vector<std::pair<size_t, std::wstring>>& texts) {
    if (depth > kMaxDepth) return false;
    if (node.text && node.valueBytes) {
        std::u16string value(node.valueBytes / 2, u'\0');
        std::memcpy(value.data(), block + node.valueOffset, value.size() * 2);
        value.resize(std::char_traits<char16_t>::length(value.c_str()));
        texts.emplace_back(node.valueOffset, tvp::FromUtf16(value));
    }
    bool ok = true;
    bool complete = ForEachChild(block, node, [&](const Node& child) {
        ok = CollectTexts(block, child, depth + 1, texts);
        return ok;
    });
    return ok && complete;
}

// The version block as GetFileVersionInfoW hands it out, from the file's RT_VERSION resource.
DWORD BuildBlock(LPCWSTR fileName, std::vector<BYTE>& out) {
    if (!fileName || !*fileName) return ERROR_INVALID_PARAMETER;
    DWORD error = ERROR_SUCCESS;
    auto blob = k32::ReadResourceBlobFromFile(k32::FilePath(fileName), &error);
    if (!blob) return error;
    tvrsrc::View view;
    if (!view.Open(blob->data(), blob->size())) return ERROR_INVALID_DATA;
    // VS_VERSION_INFO (1) in the preferred language; a script that did not include winver.h names its
    // VERSIONINFO "VS_VERSION_INFO" instead, so without an id 1 the first version resource counts.
    int best = -1, bestRank = 99;
    for (size_t i = 0; i < view.Count(); ++i) {
        tvrsrc::Id type = view.Type(i), name = view.Name(i);
        if (type.named || type.id != kVersionType) continue;
        int rank = !name.named && name.id == kVersionName ? tvrsrc::LanguageRank(view.Language(i)) : 10;
        if (rank < bestRank) best = static_cast<int>(i), bestRank = rank;
    }
    if (best < 0) return ERROR_RESOURCE_TYPE_NOT_FOUND;

    const BYTE* raw = view.Data(best);
    Node root;
    if (!ReadNode(raw, view.Size(best), 0, root) || root.key != u"VS_VERSION_INFO" ||
        (root.valueBytes != 0 && root.valueBytes != sizeof(VS_FIXEDFILEINFO)))
        return ERROR_INVALID_DATA;
    std::vector<std::pair<size_t, std::wstring>> texts;
    if (!CollectTexts(raw, root, 0, texts)) return ERROR_INVALID_DATA;

    out.assign(raw, raw + root.end);
    out.resize(Align(out.size(), 8), 0);
    WideHeader header;
    std::memcpy(header.magic, kWideMagic, 4);
    header.count = static_cast<uint32_t>(texts.size());
    size_t headerAt = out.size();
    size_t wideAt = Align(headerAt + sizeof header + texts.size() * sizeof(WideEntry), sizeof(wchar_t));
    out.resize(wideAt, 0);
    std::memcpy(out.data() + headerAt, &header, sizeof header);
    for (size_t i = 0; i < texts.size(); ++i) {
        WideEntry entry{static_cast<uint32_t>(texts[i].first), static_cast<uint32_t>(out.size())};
        std::memcpy(out.data() + headerAt + sizeof header + i * sizeof entry, &entry, sizeof entry);
        const std::wstring& wide = texts[i].second;
        size_t at = out.size();
        out.resize(at + (wide.size() + 1) * sizeof(wchar_t), 0);
        std::memcpy(out.data() + at, wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
    }
    return ERROR_SUCCESS;
}

std::u16string Segment(const WCHAR* begin, const WCHAR* end) {
    return tvp::ToUtf16(std::wstring_view(begin, static_cast<size_t>(end - begin)));
}

} // namespace

extern "C" DWORD WINAPI GetFileVersionInfoSizeW(LPCWSTR lptstrFilename, LPDWORD lpdwHandle) {
    if (lpdwHandle) *lpdwHandle = 0;
    std::vector<BYTE> block;
    DWORD error = BuildBlock(lptstrFilename, block);
    SetLastError(error);
    return error == ERROR_SUCCESS ? static_cast<DWORD>(block.size()) : 0;
}

// A buffer smaller than GetFileVersionInfoSizeW said fails with ERROR_INSUFFICIENT_BUFFER rather than
// holding a cut-off tree that VerQueryValueW would read past the end of.
extern "C" BOOL WINAPI GetFileVersionInfoW(LPCWSTR lptstrFilename, DWORD dwHandle, DWORD dwLen,
                                           LPVOID lpData) {
    if (!lpData) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::vector<BYTE> block;
    DWORD error = BuildBlock(lptstrFilename, block);
    if (error == ERROR_SUCCESS && dwLen < block.size()) error = ERROR_INSUFFICIENT_BUFFER;
    if (error != ERROR_SUCCESS) {
        SetLastError(error);
        return FALSE;
    }
    std::memcpy(lpData, block.data(), block.size());
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

extern "C" BOOL WINAPI VerQueryValueW(LPCVOID pBlock, LPCWSTR lpSubBlock, LPVOID* lplpBuffer, PUINT puLen) {
    if (puLen) *puLen = 0;
    if (!pBlock || !lpSubBlock || !lplpBuffer) return FALSE;
    const BYTE* block = static_cast<const BYTE*>(pBlock);
    Node node;
    if (!ReadNode(block, ReadWord(block), 0, node)) return FALSE;

    for (const WCHAR* p = lpSubBlock; *p;) {
        if (*p == L'\\') {
            ++p;
            continue;
        }
        const WCHAR* end = p;
        while (*end && *end != L'\\')
            ++end;
        std::u16string wanted = Segment(p, end);
        p = end;
        bool found = false;
        Node match;
        ForEachChild(block, node, [&](const Node& child) {
            found = SameKey(child.key, wanted);
            if (found) match = child;
            return !found;
        });
        if (!found) return FALSE;
        node = match;
    }
    if (!node.valueBytes) return FALSE;
    if (!node.text) {
        *lplpBuffer = const_cast<BYTE*>(block + node.valueOffset);
        if (puLen) *puLen = static_cast<UINT>(node.valueBytes);
        return TRUE;
    }
    // A text value: its wide copy, which GetFileVersionInfoW put behind the resource.
    size_t headerAt = Align(ReadWord(block), 8);
    WideHeader header;
    std::memcpy(&header, block + headerAt, sizeof header);
    if (std::memcmp(header.magic, kWideMagic, 4) != 0) return FALSE;
    for (uint32_t i = 0; i < header.count; ++i) {
        WideEntry entry;
        std::memcpy(&entry, block + headerAt + sizeof header + i * sizeof entry, sizeof entry);
        if (entry.valueOffset != node.valueOffset) continue;
        auto* text = reinterpret_cast<WCHAR*>(const_cast<BYTE*>(block + entry.wideOffset));
        *lplpBuffer = text;
        if (puLen) *puLen = static_cast<UINT>(wcslen(text) + 1);
        return TRUE;
    }
    return FALSE;
}
