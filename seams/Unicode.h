#pragma once
// Text inside the program is UTF-8; the platform speaks UTF-16. This is the one place that
// converts between them, and the one place that knows how names compare.
//
// The UTF-8 form is WTF-8: an unpaired surrogate the platform hands over (a registry name or
// file name may hold one) is kept as its own three-byte sequence, so UTF-16 -> UTF-8 -> UTF-16
// gives back the same units. Bytes that are not UTF-8 at all become U+FFFD on the way out.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zt {

std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

// The same conversions over 16-bit wchar_t, the platform's own text type.
#if defined(_WIN32)
static_assert(sizeof(wchar_t) == sizeof(char16_t));
inline std::wstring ToWide(std::string_view text) {
    std::u16string u = Utf8ToUtf16(text);
    return std::wstring(u.begin(), u.end());
}
inline std::string FromWide(std::wstring_view text) {
    return Utf16ToUtf8(
        std::u16string_view(reinterpret_cast<const char16_t*>(text.data()), text.size()));
}
inline std::string FromWide(const wchar_t* text) {
    return text ? FromWide(std::wstring_view(text)) : std::string();
}
#endif

// How many UTF-16 units the text takes on the platform (the registry's limits count these).
std::size_t Utf16Length(std::string_view text);

// True when the text holds an unpaired surrogate (see above).
bool HasLoneSurrogate(std::string_view text);

// The text for people to read: every unpaired surrogate and invalid byte shown as U+FFFD.
std::string ForDisplay(std::string_view text);

// True when every byte is ASCII.
bool IsAscii(std::string_view text);

// The form two names share when the registry (and the file system) take them for the same
// name: each UTF-16 unit upper-cased by its simple mapping, A-Z then lower-cased, so an ASCII
// name folds to its lower-case self. Equal folds <=> equal names, on every code page.
std::string FoldName(std::string_view name);
// One UTF-16 unit folded as FoldName does.
char16_t FoldUnit(char16_t unit);

// Names compared as the registry compares them (see FoldName).
bool NamesEqual(std::string_view a, std::string_view b);

// Whole characters of `s` at its start or end that name `prefix` / `suffix` (see FoldName).
bool StartsWithNoCase(std::string_view s, std::string_view prefix);
bool EndsWithNoCase(std::string_view s, std::string_view suffix);

} // namespace zt
