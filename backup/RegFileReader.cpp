#include "backup/RegFileReader.h"

#include <algorithm>
#include <map>
#include <optional>

#include "backup/RegFileWriter.h"
#include "seams/Unicode.h"

namespace zt {

namespace {

// The registry refuses longer key names and value names.

struct ParseError {
    int line;
    std::string reason;
};

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view TrimRight(std::string_view s) {
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

std::string_view TrimLeft(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    return s;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool IsUtf16(std::string_view bytes, bool& bom) {
    bom = bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE';
    // Without its mark, a UTF-16LE file shows itself by the zero byte after the header's first
    // letter.
    return bom || (bytes.size() >= 2 && bytes[0] != 0 && bytes[1] == 0);
}

class Parser {
  public:
    Parser(std::string_view bytes, const AnsiDecoder& fromAnsi)
        : bytes_(bytes), fromAnsi_(fromAnsi) {}

    RegFile Run() {
        RegFile file;
        try {
            Decode();
            text_ = decoded_;
            ParseAll(file);
            file.unicode = unicode_;
            file.ok = true;
        } catch (const ParseError& e) {
            file.blocks.clear();
            file.errorLine = e.line;
            file.reason = e.reason;
        }
        return file;
    }

  private:
    // The file's text as UTF-8.
    void Decode() {
        bool bom = false;
        if (IsUtf16(bytes_, bom)) {
            std::string_view body = bytes_.substr(bom ? 2 : 0);
            if (body.size() % 2 != 0)
                throw ParseError{1, "a UTF-16 file of an odd number of bytes"};
            std::u16string units(body.size() / 2, u'\0');
            for (std::size_t i = 0; i < units.size(); ++i)
                units[i] = static_cast<char16_t>(static_cast<unsigned char>(body[2 * i]) |
                                                 static_cast<unsigned char>(body[2 * i + 1]) << 8);
            decoded_ = Utf16ToUtf8(units);
            return;
        }
        if (bytes_.substr(0, 3) == "\xEF\xBB\xBF") {
            decoded_ = std::string(bytes_.substr(3));
            return;
        }
        decoded_ = Ansi(bytes_);
    }

    std::string Ansi(std::string_view bytes) const {
        if (!fromAnsi_ || IsAscii(bytes)) return std::string(bytes);
        return fromAnsi_(bytes);
    }

    // The next line without its line end; false at the end of the text.
    bool NextLine(std::string_view& line) {
        if (pos_ >= text_.size()) return false;
        ++lineNo_;
        std::size_t end = text_.find('\n', pos_);
        if (end == std::string_view::npos) throw ParseError{lineNo_, "the file ends inside a line"};
        line = text_.substr(pos_, end - pos_);
        pos_ = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.find('\0') != std::string_view::npos)
            throw ParseError{lineNo_, "a NUL byte in the text"};
        return true;
    }

    void ParseAll(RegFile& file) {
        std::string_view line;
        if (!NextLine(line)) throw ParseError{1, "the file is empty"};
        std::string_view header = TrimRight(line);
        if (header == kUnicode5Header)
            unicode_ = true;
        else if (header != kRegedit4Header)
            throw ParseError{1, "no REGEDIT4 or version 5.00 header"};
        while (NextLine(line)) {
            std::string_view t = TrimLeft(line);
            if (t.empty() || t.front() == ';') continue;
            if (t.front() == '[') {
                file.blocks.push_back(ParseKeyLine(TrimRight(t)));
                continue;
            }
            if (file.blocks.empty()) throw ParseError{lineNo_, "a value line before any key line"};
            file.blocks.back().values.push_back(ParseValueLine(t));
        }
    }

    RegFileKey ParseKeyLine(std::string_view t) {
        if (t.size() < 3 || t.back() != ']') throw ParseError{lineNo_, "a key line without ']'"};
        std::string_view path = t.substr(1, t.size() - 2);
        if (!path.empty() && path.front() == '-')
            throw ParseError{lineNo_, "a key deletion, which no backup holds"};
        RegFileKey key;
        key.path = std::string(path);
        std::size_t cut = path.find('\\');
        std::string_view rootName = path.substr(0, cut);
        for (RootKey r : {kClassesRoot, kCurrentUser, kLocalMachine, kUsers, kCurrentConfig})
            if (NamesEqual(rootName, RootFullName(r))) key.root = r;
        if (key.root == 0) throw ParseError{lineNo_, "a key under an unknown root"};
        if (cut == std::string_view::npos) return key;
        key.subkey = std::string(path.substr(cut + 1));
        std::size_t start = 0;
        for (;;) {
            std::size_t end = key.subkey.find('\\', start);
            std::size_t len = (end == std::string::npos ? key.subkey.size() : end) - start;
            if (len == 0) throw ParseError{lineNo_, "an empty key name in the path"};
            if (Utf16Length(std::string_view(key.subkey).substr(start, len)) > kMaxKeyNameChars)
                throw ParseError{lineNo_, "a key name too long for the registry"};
            if (end == std::string::npos) break;
            start = end + 1;
        }
        return key;
    }

    // A quoted text from `t` (which starts at the opening quote), unescaped; `t` moves past it.
    std::string Quoted(std::string_view& t) {
        std::string out;
        std::size_t i = 1;
        for (; i < t.size() && t[i] != '"'; ++i) {
            if (t[i] == '\\') {
                if (++i >= t.size()) break;
                if (t[i] != '\\' && t[i] != '"') throw ParseError{lineNo_, "an unknown escape"};
            }
            out += t[i];
        }
        if (i >= t.size()) throw ParseError{lineNo_, "a missing closing quote"};
        t.remove_prefix(i + 1);
        return out;
    }

    RegFileValue ParseValueLine(std::string_view t) {
        RegFileValue v;
        if (t.front() == '@') {
            t.remove_prefix(1);
        } else if (t.front() == '"') {
            v.name = Quoted(t);
            if (v.name.empty()) throw ParseError{lineNo_, "an empty value name in quotes"};
            if (Utf16Length(v.name) > kMaxValueNameChars)
                throw ParseError{lineNo_, "a value name too long for the registry"};
        } else {
            throw ParseError{lineNo_, "a line that is neither a key nor a value"};
        }
        t = TrimLeft(t);
        if (t.empty() || t.front() != '=') throw ParseError{lineNo_, "a value without '='"};
        t = TrimLeft(t.substr(1));
        if (!t.empty() && t.front() == '"') {
            std::string s = Quoted(t);
            if (!TrimRight(t).empty()) throw ParseError{lineNo_, "text after a quoted string"};
            v.type = kRegSz;
            s.push_back('\0');
            v.data =
                DataToStored(kRegSz, reinterpret_cast<const std::uint8_t*>(s.data()), s.size());
            return v;
        }
        if (t.substr(0, 6) == "dword:") {
            std::string_view digits = TrimRight(t.substr(6));
            if (digits.empty() || digits.size() > 8)
                throw ParseError{lineNo_, "a dword without eight hex digits"};
            std::uint32_t n = 0;
            for (char c : digits) {
                int d = HexDigit(c);
                if (d < 0) throw ParseError{lineNo_, "a dword without eight hex digits"};
                n = n << 4 | static_cast<std::uint32_t>(d);
            }
            v.type = kRegDword;
            for (int i = 0; i < 4; ++i)
                v.data.push_back(static_cast<std::uint8_t>(n >> (8 * i)));
            return v;
        }
        if (t.substr(0, 4) == "hex:") {
            v.type = kRegBinary;
            t.remove_prefix(4);
        } else if (t.substr(0, 4) == "hex(") {
            std::size_t close = t.find("):");
            if (close == std::string_view::npos || close == 4 || close > 12)
                throw ParseError{lineNo_, "a bad hex(type)"};
            std::uint64_t type = 0;
            for (char c : t.substr(4, close - 4)) {
                int d = HexDigit(c);
                if (d < 0) throw ParseError{lineNo_, "a bad hex(type)"};
                type = type << 4 | static_cast<std::uint64_t>(d);
            }
            if (type > 0xffffffffu) throw ParseError{lineNo_, "a bad hex(type)"};
            v.type = static_cast<std::uint32_t>(type);
            t.remove_prefix(close + 2);
        } else {
            throw ParseError{lineNo_, "an unknown data form"};
        }
        ParseBytes(t, v.data);
        // A REGEDIT4 file gives string types in 8-bit units of the code page.
        if (!unicode_ && IsStringType(v.type) && !v.data.empty()) {
            std::string text =
                Ansi(std::string_view(reinterpret_cast<const char*>(v.data.data()), v.data.size()));
            v.data = DataToStored(v.type, reinterpret_cast<const std::uint8_t*>(text.data()),
                                  text.size());
        }
        return v;
    }

    // The byte list, following continuation lines (a backslash at the end of a line).
    void ParseBytes(std::string_view t, std::vector<std::uint8_t>& out) {
        bool needByte = false; // after a comma
        for (;;) {
            t = TrimLeft(TrimRight(t));
            bool more = !t.empty() && t.back() == '\\';
            if (more) t = TrimRight(t.substr(0, t.size() - 1));
            while (!t.empty()) {
                std::size_t n = 0;
                int value = 0;
                while (n < t.size() && HexDigit(t[n]) >= 0) {
                    value = value * 16 + HexDigit(t[n]);
                    ++n;
                }
                if (n != 2) throw ParseError{lineNo_, "a byte that is not two hex digits"};
                out.push_back(static_cast<std::uint8_t>(value));
                t = TrimLeft(t.substr(2));
                needByte = false;
                if (t.empty()) break;
                if (t.front() != ',') throw ParseError{lineNo_, "a byte list without commas"};
                t = TrimLeft(t.substr(1));
                needByte = true;
            }
            if (!more) break;
            std::string_view next;
            if (!NextLine(next)) throw ParseError{lineNo_, "the file ends inside a byte list"};
            t = next;
        }
        if (needByte) throw ParseError{lineNo_, "a byte list that ends in a comma"};
    }

    std::string_view bytes_;
    const AnsiDecoder& fromAnsi_;
    std::string decoded_;
    std::string_view text_;
    bool unicode_ = false;
    std::size_t pos_ = 0;
    int lineNo_ = 0;
};

// The registry holds what the file gives. The editor ends the string data it imports with a zero
// unit when the file's bytes have none; the text every program reads is the same.
bool SameStoredData(const RegFileValue& expected, const std::vector<std::uint8_t>& now) {
    const auto& want = expected.data;
    if (now == want) return true;
    const std::size_t n = want.size();
    return IsStringType(expected.type) && n >= 2 && n % 2 == 0 && now.size() == n + 2 &&
           (want[n - 2] != 0 || want[n - 1] != 0) && now[n] == 0 && now[n + 1] == 0 &&
           std::equal(want.begin(), want.end(), now.begin());
}

} // namespace

RegFile ParseRegFile(std::string_view fileBytes, const AnsiDecoder& fromAnsi) {
    return Parser(fileBytes, fromAnsi).Run();
}

std::vector<RegFileEntry> EntriesOf(const RegFile& file) {
    std::vector<RegFileEntry> entries;
    std::map<std::string, std::size_t> index; // folded key path [+ NUL + value name]
    for (const auto& block : file.blocks) {
        std::string keyId = FoldName(block.path);
        if (index.emplace(keyId, entries.size()).second) {
            RegFileEntry e;
            e.root = block.root;
            e.keyPath = block.path;
            e.subkey = block.subkey;
            entries.push_back(std::move(e));
        }
        for (const auto& v : block.values) {
            std::string id = keyId + '\0' + FoldName(v.name);
            auto [it, fresh] = index.emplace(id, entries.size());
            if (!fresh) {
                entries[it->second].expected = v;
                continue;
            }
            RegFileEntry e;
            e.root = block.root;
            e.keyPath = block.path;
            e.subkey = block.subkey;
            e.isValue = true;
            e.valueName = v.name;
            e.expected = v;
            entries.push_back(std::move(e));
        }
    }
    return entries;
}

void CompareWithRegistry(Registry& reg, std::vector<RegFileEntry>& entries) {
    for (auto& e : entries) {
        RegKey key(reg, reg.OpenKeyRead(RootHandle(e.root), e.subkey));
        if (!key) {
            e.state = EntryState::Missing;
            continue;
        }
        if (!e.isValue) {
            e.state = EntryState::Same;
            continue;
        }
        auto now = reg.ReadValueStored(key.get(), e.valueName);
        if (!now)
            e.state = EntryState::Missing;
        else if (now->type == e.expected.type && SameStoredData(e.expected, now->data))
            e.state = EntryState::Same;
        else
            e.state = EntryState::Different;
    }
}

std::string DescribeEntry(const RegFileEntry& entry) {
    if (!entry.isValue) return entry.keyPath;
    return entry.keyPath + ": " + FormatValueName(entry.valueName);
}

} // namespace zt
