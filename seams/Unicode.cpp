#include "seams/Unicode.h"

#include <algorithm>
#include <iterator>

namespace zt {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Reads one code point (or lone surrogate) of WTF-8 at `i` and moves past it; an invalid byte
// reads as U+FFFD and moves one byte.
char32_t NextPoint(std::string_view s, std::size_t& i) {
    auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    unsigned char c = b(i);
    if (c < 0x80) {
        ++i;
        return c;
    }
    auto cont = [&](std::size_t k) { return k < s.size() && (b(k) & 0xC0) == 0x80; };
    if (c >= 0xC2 && c <= 0xDF && cont(i + 1)) {
        char32_t p = ((c & 0x1Fu) << 6) | (b(i + 1) & 0x3Fu);
        i += 2;
        return p;
    }
    if (c >= 0xE0 && c <= 0xEF && cont(i + 1) && cont(i + 2)) {
        char32_t p = ((c & 0x0Fu) << 12) | ((b(i + 1) & 0x3Fu) << 6) | (b(i + 2) & 0x3Fu);
        if (p >= 0x800) { // surrogates included: that is what makes it WTF-8
            i += 3;
            return p;
        }
    }
    if (c >= 0xF0 && c <= 0xF4 && cont(i + 1) && cont(i + 2) && cont(i + 3)) {
        char32_t p = ((c & 0x07u) << 18) | ((b(i + 1) & 0x3Fu) << 12) | ((b(i + 2) & 0x3Fu) << 6) |
                     (b(i + 3) & 0x3Fu);
        if (p >= 0x10000 && p <= 0x10FFFF) {
            i += 4;
            return p;
        }
    }
    ++i;
    return kReplacement;
}

bool IsSurrogate(char32_t p) {
    return p >= 0xD800 && p <= 0xDFFF;
}

void AppendPoint(std::string& out, char32_t p) {
    if (p < 0x80) {
        out += static_cast<char>(p);
    } else if (p < 0x800) {
        out += static_cast<char>(0xC0 | (p >> 6));
        out += static_cast<char>(0x80 | (p & 0x3F));
    } else if (p < 0x10000) {
        out += static_cast<char>(0xE0 | (p >> 12));
        out += static_cast<char>(0x80 | ((p >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (p & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (p >> 18));
        out += static_cast<char>(0x80 | ((p >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((p >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (p & 0x3F));
    }
}

// Calls `unit` for each UTF-16 unit the WTF-8 text stands for. A high surrogate written on its
// own followed by a low one written on its own is two units, as they were.
template <class F> void ForEachUnit(std::string_view s, F&& unit) {
    for (std::size_t i = 0; i < s.size();) {
        char32_t p = NextPoint(s, i);
        if (p >= 0x10000) {
            p -= 0x10000;
            unit(static_cast<char16_t>(0xD800 + (p >> 10)));
            unit(static_cast<char16_t>(0xDC00 + (p & 0x3FF)));
        } else {
            unit(static_cast<char16_t>(p));
        }
    }
}

struct CaseRange {
    char16_t first;
    std::uint16_t count;
    std::uint8_t stride;
    std::int32_t delta;
};
constexpr CaseRange kCaseRanges[] = {
#include "seams/CaseTable.inc"
};

bool AsciiEqualNoCase(std::string_view a, std::string_view b) {
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + 32);
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + 32);
        if (x != y) return false;
    }
    return true;
}

} // namespace

std::u16string Utf8ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    ForEachUnit(text, [&](char16_t u) { out += u; });
    return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 2);
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t u = text[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            u = 0x10000 + ((u - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        }
        AppendPoint(out, u);
    }
    return out;
}

std::size_t Utf16Length(std::string_view text) {
    std::size_t n = 0;
    ForEachUnit(text, [&](char16_t) { ++n; });
    return n;
}

bool HasLoneSurrogate(std::string_view text) {
    for (std::size_t i = 0; i < text.size();)
        if (IsSurrogate(NextPoint(text, i))) return true;
    return false;
}

std::string ForDisplay(std::string_view text) {
    if (IsAscii(text)) return std::string(text);
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        char32_t p = NextPoint(text, i);
        AppendPoint(out, IsSurrogate(p) ? kReplacement : p);
    }
    return out;
}

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

char16_t FoldUnit(char16_t u) {
    if (u < 0x80) return (u >= 'A' && u <= 'Z') ? static_cast<char16_t>(u + 32) : u;
    auto it = std::upper_bound(std::begin(kCaseRanges), std::end(kCaseRanges), u,
                               [](char16_t v, const CaseRange& r) { return v < r.first; });
    if (it == std::begin(kCaseRanges)) return u;
    const CaseRange& r = *std::prev(it);
    unsigned offset = static_cast<unsigned>(u - r.first);
    if (offset >= static_cast<unsigned>(r.count) * r.stride || offset % r.stride != 0) return u;
    return static_cast<char16_t>(u + r.delta);
}

std::string FoldName(std::string_view name) {
    if (IsAscii(name)) {
        std::string out(name);
        for (auto& c : out)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
        return out;
    }
    std::u16string units;
    units.reserve(name.size());
    ForEachUnit(name, [&](char16_t u) { units += FoldUnit(u); });
    return Utf16ToUtf8(units);
}

bool NamesEqual(std::string_view a, std::string_view b) {
    if (IsAscii(a) && IsAscii(b)) return a.size() == b.size() && AsciiEqualNoCase(a, b);
    return FoldName(a) == FoldName(b);
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    // Nothing outside ASCII folds into it, so an ASCII prefix needs ASCII there.
    if (IsAscii(prefix)) {
        std::string_view head = s.substr(0, prefix.size());
        return head.size() == prefix.size() && IsAscii(head) && AsciiEqualNoCase(head, prefix);
    }
    std::string fs = FoldName(s), fp = FoldName(prefix);
    // UTF-8 is prefix-free: a match of whole characters ends on a character boundary.
    return fs.size() >= fp.size() && fs.compare(0, fp.size(), fp) == 0;
}

bool EndsWithNoCase(std::string_view s, std::string_view suffix) {
    if (IsAscii(suffix)) {
        if (s.size() < suffix.size()) return false;
        std::string_view tail = s.substr(s.size() - suffix.size());
        return IsAscii(tail) && AsciiEqualNoCase(tail, suffix);
    }
    std::string fs = FoldName(s), fx = FoldName(suffix);
    if (fs.size() < fx.size()) return false;
    std::size_t at = fs.size() - fx.size();
    if (at < fs.size() && (static_cast<unsigned char>(fs[at]) & 0xC0) == 0x80) return false;
    return fs.compare(at, fx.size(), fx) == 0;
}

} // namespace zt
