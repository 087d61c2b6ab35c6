#pragma once
// The fixed limits the scan and the startup list keep count characters as the registry
// stores them: UTF-16 units for names and string data, bytes for other data. Text is UTF-8
// inside (up to three bytes a unit), so a byte count says nothing of these limits.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "seams/Registry.h"

namespace zt {

// UTF-16 units of string-type data (its stored terminating zero included), bytes of any other.
std::size_t DataChars(std::uint32_t type, std::span<const std::uint8_t> data);

// True when the text takes `limit` UTF-16 units or more.
inline bool UnitsAtLeast(std::string_view text, std::size_t limit) {
    // UTF-8 never takes fewer bytes than UTF-16 units: a shorter text needs no count.
    return text.size() >= limit && Utf16Length(text) >= limit;
}

// The start of `text` that takes at most `units` UTF-16 units, ending on a whole character.
std::string FirstUnits(std::string_view text, std::size_t units);

// Registry::EnumValue whose data must fit `dataChars` characters (DataChars); one that does
// not fails as it would in a buffer of that many characters.
bool EnumValueWithin(Registry& reg, HKey key, std::uint32_t index, std::string& name,
                     std::uint32_t nameChars, std::uint32_t& type, std::vector<std::uint8_t>& data,
                     std::uint32_t dataChars);

// The value read whole when its data fits `chars` characters; none when it is missing or
// larger.
std::optional<RegValue> ReadValueWithin(Registry& reg, HKey key, std::string_view name,
                                        std::size_t chars);

} // namespace zt
