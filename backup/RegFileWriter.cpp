#include "backup/RegFileWriter.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "backup/BackupStore.h"
#include "backup/RegFileReader.h"
#include "seams/Unicode.h"

namespace zt {

namespace {

constexpr std::string_view kLineBreakCause =
    "a name holds a line break, which a backup file cannot hold";
constexpr std::string_view kSurrogateCause =
    "a name holds an unpaired UTF-16 surrogate, which a backup file cannot hold";
constexpr std::string_view kUnreadableCause = "part of it could not be read";
constexpr std::string_view kTooLongCause = "a key path is too long for a backup file";
constexpr std::string_view kOddTextCause =
    "a text value holds an odd number of bytes, which the registry editor cannot put back";

// Why the editor could not read the name back; empty when it can.
std::string_view NameProblem(std::string_view name) {
    if (name.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos)
        return kLineBreakCause;
    if (HasLoneSurrogate(name)) return kSurrogateCause;
    return {};
}

char16_t UnitAt(const std::uint8_t* data, std::size_t i) {
    return static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
}

bool IsHigh(char16_t u) {
    return u >= 0xD800 && u < 0xDC00;
}
bool IsLow(char16_t u) {
    return u >= 0xDC00 && u < 0xE000;
}

// The quoted form carries a REG_SZ only when the editor gives back the same units: one
// terminating zero at the very end, no line break, and (in a 5.00 file) no unpaired surrogate.
bool Quotable(const std::uint8_t* data, std::size_t size) {
    if (size < 2 || size % 2 != 0) return false;
    const std::size_t n = size / 2;
    if (UnitAt(data, n - 1) != 0) return false;
    for (std::size_t i = 0; i + 1 < n; ++i) {
        char16_t u = UnitAt(data, i);
        if (u == 0 || u == '\r' || u == '\n') return false;
        if (IsHigh(u) && i + 2 < n && IsLow(UnitAt(data, i + 1))) {
            ++i;
            continue;
        }
        if (IsHigh(u) || IsLow(u)) return false;
    }
    return true;
}

void AppendEscaped(std::string& out, std::string_view text) {
    for (char c : text) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
}

// `column` counts the UTF-16 units of `line`, as the editor counts them.
void AppendByteList(std::string& out, std::string& line, std::size_t column,
                    const std::uint8_t* data, std::size_t size) {
    static const char kDigits[] = "0123456789abcdef";
    for (std::size_t i = 0; i < size; ++i) {
        if (column > 76) {
            out += line;
            out += "\\\r\n";
            line.assign("  ");
            column = 2;
        }
        line += kDigits[data[i] >> 4];
        line += kDigits[data[i] & 15];
        column += 2;
        if (i + 1 < size) {
            line += ',';
            ++column;
        }
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

std::string ToUtf16Bytes(std::string_view utf8) {
    std::u16string units = Utf8ToUtf16(utf8);
    std::string bytes(units.size() * 2, '\0');
    for (std::size_t i = 0; i < units.size(); ++i) {
        bytes[2 * i] = static_cast<char>(units[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<char>(units[i] >> 8);
    }
    return bytes;
}

// Key blocks of a REGEDIT4 file (the text after its header) in the lines of a 5.00 file.
std::optional<std::string> BlocksAsUnicode5(std::string_view regedit4Blocks) {
    std::string text(kRegedit4Header);
    text += "\r\n";
    text += regedit4Blocks;
    RegFile file = ParseRegFile(text);
    if (!file.ok) return std::nullopt;
    std::string out;
    out.reserve(regedit4Blocks.size() + regedit4Blocks.size() / 4);
    for (const auto& block : file.blocks) {
        out += "\r\n[";
        out += block.path;
        out += "]\r\n";
        for (const auto& v : block.values)
            if (!AppendValueLine(out, RegFileForm::Unicode5, v.name, v.type, v.data.data(),
                                 v.data.size()))
                return std::nullopt;
    }
    return out;
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

bool FitsRegedit4(std::string_view name, std::uint32_t type, const std::uint8_t* stored,
                  std::size_t size) {
    if (!IsAscii(name)) return false;
    if (!IsStringType(type)) return true;
    // The editor turns each byte of a REGEDIT4 file into one unit through the code page: ASCII
    // units come back as they were, with or without a terminating zero; an odd byte cannot.
    if (size % 2 != 0) return false;
    for (std::size_t i = 0; i < size / 2; ++i)
        if (UnitAt(stored, i) >= 0x80) return false;
    return true;
}

bool AppendValueLine(std::string& out, RegFileForm form, std::string_view name, std::uint32_t type,
                     const std::uint8_t* stored, std::size_t size) {
    if (!NameProblem(name).empty()) return false;
    const bool ansi = form == RegFileForm::Regedit4;
    if (ansi && !FitsRegedit4(name, type, stored, size)) return false;
    std::string line = FormatValueName(name);
    const bool quoted = type == kRegSz && Quotable(stored, size);
    // A REGEDIT4 file carries string data in 8-bit units (here ASCII), a 5.00 file as stored.
    std::vector<std::uint8_t> narrow;
    if (ansi && IsStringType(type)) {
        narrow.resize(size / 2);
        for (std::size_t i = 0; i < narrow.size(); ++i)
            narrow[i] = stored[2 * i];
        stored = narrow.data();
        size = narrow.size();
    }
    if (quoted) {
        line += "=\"";
        if (ansi) {
            AppendEscaped(line, std::string_view(reinterpret_cast<const char*>(stored), size - 1));
        } else {
            std::u16string units(size / 2 - 1, u'\0');
            for (std::size_t i = 0; i < units.size(); ++i)
                units[i] = UnitAt(stored, i);
            AppendEscaped(line, Utf16ToUtf8(units));
        }
        line += "\"\r\n";
        out += line;
        return true;
    }
    if (type == kRegDword && size == 4) {
        std::uint32_t n = stored[0] | (stored[1] << 8) | (stored[2] << 16) |
                          (static_cast<std::uint32_t>(stored[3]) << 24);
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
    std::size_t column = IsAscii(line) ? line.size() : Utf16Length(line);
    AppendByteList(out, line, column, stored, size);
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

void CRegFileWriter::WriteBytes(const std::string& bytes) {
    if (!sys_.WriteOutFile(file_, bytes.data(), bytes.size())) {
        std::string why = sys_.LastFileError();
        // A piece written in part would make the whole file unreadable to a restore; the write's
        // failure is what is reported, whether or not the cut works.
        (void)sys_.TruncateOutFile(file_, written_);
        throw FileError(fileName_, "Cannot write the backup file " + fileName_ + ": " + why);
    }
    written_ += bytes.size();
}

void CRegFileWriter::WriteText(const std::string& text) {
    if (form_ == RegFileForm::Unicode5) {
        WriteBytes(ToUtf16Bytes(text));
        return;
    }
    WriteBytes(text);
    history_ += text;
}

void CRegFileWriter::SwitchToUnicode() {
    auto before = BlocksAsUnicode5(std::string_view(history_).substr(kRegedit4Header.size() + 2));
    if (!before)
        throw FileError(fileName_, "Cannot write the backup file " + fileName_ +
                                       ": what it holds does not read back");
    std::string text = "\xEF\xBB\xBF"; // the byte-order mark, U+FEFF
    text += kUnicode5Header;
    text += "\r\n";
    text += *before;
    text += pending_;
    std::string bytes = ToUtf16Bytes(text);
    // The file is rewritten from its start in one write; a failure puts the REGEDIT4 text back,
    // so the file always holds one whole form of what was exported before.
    if (!sys_.TruncateOutFile(file_, 0) || !sys_.WriteOutFile(file_, bytes.data(), bytes.size())) {
        std::string why = sys_.LastFileError();
        bool back = sys_.TruncateOutFile(file_, 0) &&
                    sys_.WriteOutFile(file_, history_.data(), history_.size());
        written_ = back ? history_.size() : 0;
        throw FileError(fileName_, "Cannot write the backup file " + fileName_ + ": " + why);
    }
    written_ = bytes.size();
    form_ = RegFileForm::Unicode5;
    history_.clear();
    history_.shrink_to_fit();
}

void CRegFileWriter::Flush() {
    if (pending_.empty()) return;
    if (pendingForm_ == RegFileForm::Unicode5 && form_ == RegFileForm::Regedit4)
        SwitchToUnicode();
    else
        WriteText(pending_);
    pending_.clear();
}

void CRegFileWriter::Finish() {
    if (file_ == kNoOutFile) return;
    pending_.clear();
    struct Closer {
        CRegFileWriter& w;
        ~Closer() {
            // Every write reached the system when it returned: a failing close loses none.
            (void)w.sys_.CloseOutFile(w.file_);
            w.file_ = kNoOutFile;
            w.history_.clear();
        }
    } closer{*this};
    WriteText("\r\n");
}

void CRegFileWriter::Open(const std::string& path) {
    Finish();
    fileName_ = path;
    written_ = 0;
    form_ = RegFileForm::Regedit4;
    history_.clear();
    file_ = sys_.CreateOutFile(path);
    if (file_ == kNoOutFile) {
        std::string why = sys_.LastFileError();
        throw FileError(fileName_, "Cannot create the backup file " + fileName_ + ": " + why);
    }
    try {
        WriteText(std::string(kRegedit4Header) + "\r\n");
    } catch (...) {
        (void)sys_.CloseOutFile(file_); // the header's failure is what is reported

        file_ = kNoOutFile;
        throw;
    }
}

void CRegFileWriter::Close() {
    Finish();
}

void CRegFileWriter::Miss(std::string_view cause) {
    if (cause_.empty()) cause_ = cause;
}

void CRegFileWriter::AddKeyLine(std::string_view path) {
    if (pendingForm_ == RegFileForm::Regedit4 && !IsAscii(path)) {
        auto converted = BlocksAsUnicode5(pending_);
        if (!converted) return Miss(kUnreadableCause);
        pending_ = std::move(*converted);
        pendingForm_ = RegFileForm::Unicode5;
    }
    pending_ += "\r\n[";
    pending_ += path;
    pending_ += "]\r\n";
}

void CRegFileWriter::AddValue(std::string_view name, std::uint32_t type,
                              const std::vector<std::uint8_t>& data) {
    if (auto problem = NameProblem(name); !problem.empty()) return Miss(problem);
    // The editor drops an odd byte of text and stops reading the file at a one-byte value.
    if (IsStringType(type) && data.size() % 2 != 0) return Miss(kOddTextCause);
    if (pendingForm_ == RegFileForm::Regedit4 &&
        !FitsRegedit4(name, type, data.data(), data.size())) {
        auto converted = BlocksAsUnicode5(pending_);
        if (!converted) return Miss(kUnreadableCause);
        pending_ = std::move(*converted);
        pendingForm_ = RegFileForm::Unicode5;
    }
    AppendValueLine(pending_, pendingForm_, name, type, data.data(), data.size());
}

std::optional<std::string> CRegFileWriter::BeginExport(RootKey root, std::string_view keyPath) {
    std::string path = KeyPathText(root, keyPath);
    if (RootFullName(root).empty()) {
        cause_ = kUnreadableCause;
        return std::nullopt;
    }
    if (auto problem = NameProblem(path); !problem.empty()) {
        cause_ = problem;
        return std::nullopt;
    }
    pending_.clear();
    pendingForm_ = form_;
    return path;
}

bool CRegFileWriter::ExportKey(RootKey root, std::string_view keyPath) {
    cause_.clear();
    if (!IsOpen()) {
        cause_ = "no backup file is open";
        return false;
    }
    RegKey key(reg_, reg_.OpenKeyRead(RootHandle(root), keyPath));
    // A key that does not open is complete only when it is not there to be deleted.
    if (!key) {
        if (!KeyMayExist(root, keyPath)) return true;
        cause_ = kUnreadableCause;
        return false;
    }
    auto begun = BeginExport(root, keyPath);
    if (!begun) return false;
    const std::string& path = *begun;
    WriteKeyTree(key.get(), path, Utf16Length(path));
    // A kept-back key must leave nothing in the file: a restore would write its old values
    // over a key that was never deleted.
    if (cause_.empty())
        Flush();
    else
        pending_.clear();
    return cause_.empty();
}

void CRegFileWriter::WriteKeyTree(HKey key, const std::string& path, std::size_t pathUnits) {
    AddKeyLine(path);
    auto info = reg_.QueryKeyInfo(key);
    if (!info) Miss(kUnreadableCause);
    WriteValues(key, info ? &*info : nullptr);

    // Counting from the key's own figures bounds the walk even when every index fails.
    const std::uint32_t count = info ? info->subkeys : 0;
    std::string name;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (!reg_.EnumKey(key, i, name, kSubkeyNameChars)) {
            Miss(kUnreadableCause);
            continue;
        }
        if (auto problem = NameProblem(name); !problem.empty()) {
            Miss(problem);
            continue;
        }
        std::size_t units = pathUnits + 1 + (IsAscii(name) ? name.size() : Utf16Length(name));
        if (units >= kSubkeyPathChars) {
            Miss(kTooLongCause);
            continue;
        }
        RegKey sub(reg_, reg_.OpenKeyRead(key, name));
        if (!sub) {
            Miss(kUnreadableCause);
            continue;
        }
        WriteKeyTree(sub.get(), path + '\\' + name, units);
    }
}

void CRegFileWriter::WriteValues(HKey key, const KeyInfo* info) {
    std::string name;
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    const std::uint32_t count = info ? info->values : 0;
    const std::uint32_t bigName = info ? std::max(kValueNameChars, info->maxValueNameChars + 1) : 0;
    const std::uint32_t bigData = info ? std::max(kValueDataBytes, info->maxValueDataBytes) : 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        bool read =
            reg_.EnumValueStored(key, i, name, kValueNameChars, type, data, kValueDataBytes);
        // A long name or large data: read the same index again through larger buffers.
        if (!read && (bigName > kValueNameChars || bigData > kValueDataBytes))
            read = reg_.EnumValueStored(key, i, name, bigName, type, data, bigData);
        if (!read) {
            Miss(kUnreadableCause);
            continue;
        }
        AddValue(name, type, data);
    }
}

bool CRegFileWriter::ExportValue(RootKey root, std::string_view keyPath,
                                 std::string_view valueName) {
    cause_.clear();
    if (!IsOpen()) {
        cause_ = "no backup file is open";
        return false;
    }
    RegKey key(reg_, reg_.OpenKeyRead(RootHandle(root), keyPath));
    if (!key) {
        if (!KeyMayExist(root, keyPath)) return true;
        cause_ = kUnreadableCause;
        return false;
    }
    return ExportValue(root, keyPath, key.get(), valueName);
}

bool CRegFileWriter::ExportValue(RootKey root, std::string_view keyPath, HKey key,
                                 std::string_view valueName) {
    cause_.clear();
    if (!IsOpen()) {
        cause_ = "no backup file is open";
        return false;
    }
    auto value = reg_.ReadValueStored(key, valueName);
    if (!value) {
        if (!ValueMayExist(key, valueName)) return true;
        cause_ = kUnreadableCause;
        return false;
    }
    auto begun = BeginExport(root, keyPath);
    if (!begun) return false;
    const std::string& path = *begun;
    AddKeyLine(path);
    AddValue(valueName, value->type, value->data);
    if (cause_.empty())
        Flush();
    else
        pending_.clear();
    return cause_.empty();
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
        if (!reg_.EnumValueStored(key, i, name, info->maxValueNameChars + 1, type, data,
                                  info->maxValueDataBytes))
            return true;
        if (NamesEqual(name, valueName)) return true;
    }
    return false;
}

} // namespace zt
