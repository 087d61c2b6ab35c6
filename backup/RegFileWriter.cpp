#include "backup/RegFileWriter.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <unordered_set>
#include <vector>

#include "backup/BackupStore.h"

namespace zt {

namespace {

bool HasLineBreak(std::string_view s) {
    return s.find_first_of("\r\n") != std::string_view::npos;
}

void AppendEscaped(std::string& out, std::string_view text) {
    for (char c : text) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
}

// The quoted form carries a string only when the editor gives back the same bytes: one
// terminating NUL at the very end and no line break.
bool QuotableString(const std::uint8_t* data, std::size_t size) {
    if (size == 0 || data[size - 1] != 0) return false;
    for (std::size_t i = 0; i + 1 < size; ++i)
        if (data[i] == 0 || data[i] == '\r' || data[i] == '\n') return false;
    return true;
}

void AppendByteList(std::string& out, std::string& line, const std::uint8_t* data,
                    std::size_t size) {
    static const char kDigits[] = "0123456789abcdef";
    for (std::size_t i = 0; i < size; ++i) {
        if (line.size() > 76) {
            out += line;
            out += "\\\r\n";
            line.assign("  ");
        }
        line += kDigits[data[i] >> 4];
        line += kDigits[data[i] & 15];
        if (i + 1 < size) line += ',';
    }
    out += line;
    out += "\r\n";
}

std::string KeyPathText(RootKey root, std::string_view keyPath) {
    std::string path(RootFullName(root));
    if (!keyPath.empty()) {
        path += '\\';
        path += keyPath;
    }
    return path;
}

} // namespace

FileError::FileError(std::string fileName, const std::string& description)
    : std::runtime_error(description), fileName_(std::move(fileName)) {}

std::string FormatValueName(std::string_view name) {
    if (name.empty()) return "@";
    std::string out;
    out.reserve(name.size() + 2);
    out += '"';
    AppendEscaped(out, name);
    out += '"';
    return out;
}

bool AppendValueLine(std::string& out, std::string_view name, std::uint32_t type,
                     const std::uint8_t* data, std::size_t size) {
    if (HasLineBreak(name)) return false;
    std::string line = FormatValueName(name);
    if (type == kRegSz && QuotableString(data, size)) {
        line += "=\"";
        AppendEscaped(line, std::string_view(reinterpret_cast<const char*>(data), size - 1));
        line += "\"\r\n";
        out += line;
        return true;
    }
    if (type == kRegDword && size == 4) {
        std::uint32_t n = data[0] | (data[1] << 8) | (data[2] << 16) |
                          (static_cast<std::uint32_t>(data[3]) << 24);
        char buf[24];
        std::snprintf(buf, sizeof buf, "=dword:%08x\r\n", n);
        out += line;
        out += buf;
        return true;
    }
    if (type == kRegBinary) {
        line += "=hex:";
    } else {
        // The editor reads the type number in hexadecimal (a QWORD is hex(b)).
        char buf[24];
        std::snprintf(buf, sizeof buf, "=hex(%x):", type);
        line += buf;
    }
    AppendByteList(out, line, data, size);
    return true;
}

CRegFileWriter::CRegFileWriter(Registry& reg, System& sys) : reg_(reg), sys_(sys) {
    GetBackupFolder(sys_);
}

CRegFileWriter::~CRegFileWriter() {
    try {
        Finish();
    } catch (const FileError&) {
        // Nothing can report it any more; the file keeps what reached it.
    }
}

void CRegFileWriter::Write(std::string_view text) {
    if (!sys_.WriteOutFile(file_, text.data(), text.size())) {
        std::string why = sys_.LastFileError();
        // A piece written in part would make the whole file unreadable to a restore.
        sys_.TruncateOutFile(file_, written_);
        throw FileError(fileName_, "Cannot write the backup file " + fileName_ + ": " + why);
    }
    written_ += text.size();
}

void CRegFileWriter::Flush() {
    if (pending_.empty()) return;
    std::string text;
    text.swap(pending_);
    Write(text);
}

void CRegFileWriter::Finish() {
    if (file_ == kNoOutFile) return;
    pending_.clear();
    struct Closer {
        CRegFileWriter& w;
        ~Closer() {
            w.sys_.CloseOutFile(w.file_);
            w.file_ = kNoOutFile;
        }
    } closer{*this};
    Write("\r\n");
}

void CRegFileWriter::Open(const std::string& path) {
    Finish();
    fileName_ = path;
    written_ = 0;
    file_ = sys_.CreateOutFile(path);
    if (file_ == kNoOutFile) {
        std::string why = sys_.LastFileError();
        throw FileError(fileName_, "Cannot create the backup file " + fileName_ + ": " + why);
    }
    try {
        Write("REGEDIT4\r\n");
    } catch (...) {
        sys_.CloseOutFile(file_);
        file_ = kNoOutFile;
        throw;
    }
}

void CRegFileWriter::Close() {
    Finish();
}

bool CRegFileWriter::ExportKey(RootKey root, std::string_view keyPath) {
    if (!IsOpen()) return false;
    RegKey key(reg_, reg_.OpenKeyRead(RootHandle(root), keyPath));
    // A key that does not open is complete only when it is not there to be deleted.
    if (!key) return !KeyMayExist(root, keyPath);
    std::string path = KeyPathText(root, keyPath);
    if (HasLineBreak(path) || RootFullName(root).empty()) return false;
    bool complete = true;
    pending_.clear();
    WriteKeyTree(key.get(), path, complete);
    // A kept-back key must leave nothing in the file: a restore would write its old values
    // over a key that was never deleted.
    if (complete)
        Flush();
    else
        pending_.clear();
    return complete;
}

void CRegFileWriter::WriteKeyTree(HKey key, const std::string& path, bool& complete) {
    pending_ += "\r\n[";
    pending_ += path;
    pending_ += "]\r\n";
    auto info = reg_.QueryKeyInfo(key);
    if (!info) complete = false;
    WriteValues(key, info ? &*info : nullptr, complete);

    // Counting from the key's own figures bounds the walk even when every index fails.
    const std::uint32_t count = info ? info->subkeys : 0;
    std::unordered_set<std::string> seen;
    std::string name;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (!reg_.EnumKey(key, i, name, kSubkeyNameChars)) {
            complete = false;
            continue;
        }
        // A name the ANSI interface cannot represent comes back altered: it fails to open,
        // or it collides with another subkey's name.
        if (!seen.insert(AsciiLower(name)).second || HasLineBreak(name) ||
            path.size() + 1 + name.size() >= kSubkeyPathBytes) {
            complete = false;
            continue;
        }
        RegKey sub(reg_, reg_.OpenKeyRead(key, name));
        if (!sub) {
            complete = false;
            continue;
        }
        WriteKeyTree(sub.get(), path + '\\' + name, complete);
    }
}

void CRegFileWriter::WriteValues(HKey key, const KeyInfo* info, bool& complete) {
    std::string name;
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    const std::uint32_t count = info ? info->values : 0;
    const std::uint32_t bigName = info ? std::max(kValueNameChars, info->maxValueNameChars + 1) : 0;
    const std::uint32_t bigData = info ? std::max(kValueDataBytes, info->maxValueDataBytes) : 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        bool read = reg_.EnumValue(key, i, name, kValueNameChars, type, data, kValueDataBytes);
        // A long name or large data: read the same index again through larger buffers.
        if (!read && (bigName > kValueNameChars || bigData > kValueDataBytes))
            read = reg_.EnumValue(key, i, name, bigName, type, data, bigData);
        bool exact = !HasLoneSurrogate(name);
        // A name or text the ANSI interface cannot carry would come back altered.
        if (!read || !exact) {
            complete = false;
            continue;
        }
        if (!AppendValueLine(pending_, name, type, data.data(), data.size())) complete = false;
    }
}

bool CRegFileWriter::ExportValue(RootKey root, std::string_view keyPath,
                                 std::string_view valueName) {
    if (!IsOpen()) return false;
    RegKey key(reg_, reg_.OpenKeyRead(RootHandle(root), keyPath));
    if (!key) return !KeyMayExist(root, keyPath);
    return ExportValue(root, keyPath, key.get(), valueName);
}

bool CRegFileWriter::ExportValue(RootKey root, std::string_view keyPath, HKey key,
                                 std::string_view valueName) {
    if (!IsOpen()) return false;
    auto value = reg_.ReadValueWhole(key, valueName);
    if (!value) return !ValueMayExist(key, valueName);
    bool exact = !HasLoneSurrogate(valueName);
    // A name or text the ANSI interface cannot carry would come back altered.
    if (!exact) return false;
    std::string path = KeyPathText(root, keyPath);
    if (HasLineBreak(path)) return false;
    if (RootFullName(root).empty()) return false;
    std::string block = "\r\n[" + path + "]\r\n";
    if (!AppendValueLine(block, valueName, value->type, value->data.data(), value->data.size()))
        return false;
    pending_.clear();
    Write(block);
    return true;
}

bool CRegFileWriter::KeyMayExist(RootKey root, std::string_view keyPath) {
    if (keyPath.empty()) return true;
    auto cut = keyPath.rfind('\\');
    std::string_view parentPath =
        cut == std::string_view::npos ? std::string_view() : keyPath.substr(0, cut);
    std::string_view last = cut == std::string_view::npos ? keyPath : keyPath.substr(cut + 1);
    RegKey parent(reg_, reg_.OpenKeyRead(RootHandle(root), parentPath));
    if (!parent) return KeyMayExist(root, parentPath);
    auto info = reg_.QueryKeyInfo(parent.get());
    if (!info) return true;
    std::string name;
    for (std::uint32_t i = 0; i < info->subkeys; ++i) {
        if (!reg_.EnumKey(parent.get(), i, name, 256 + 1)) return true;
        if (NamesEqual(name, last)) return true;
    }
    return false;
}

bool CRegFileWriter::ValueMayExist(HKey key, std::string_view valueName) {
    auto info = reg_.QueryKeyInfo(key);
    if (!info) return true;
    std::string name;
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    for (std::uint32_t i = 0; i < info->values; ++i) {
        if (!reg_.EnumValue(key, i, name, info->maxValueNameChars + 1, type, data,
                            info->maxValueDataBytes))
            return true;
        if (NamesEqual(name, valueName)) return true;
    }
    return false;
}

} // namespace zt
