#include "scan/TextLimits.h"

namespace zt {

std::size_t DataChars(std::uint32_t type, std::span<const std::uint8_t> data) {
    if (!IsStringType(type)) return data.size();
    return Utf16Length(std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
}

std::string FirstUnits(std::string_view text, std::size_t units) {
    if (text.size() <= units) return std::string(text);
    std::u16string u = Utf8ToUtf16(text);
    if (u.size() <= units) return std::string(text);
    std::size_t n = units;
    // A surrogate pair is one character: never cut between its halves.
    if (n > 0 && u[n - 1] >= 0xD800 && u[n - 1] <= 0xDBFF && u[n] >= 0xDC00 && u[n] <= 0xDFFF) --n;
    return Utf16ToUtf8(std::u16string_view(u).substr(0, n));
}

bool EnumValueWithin(Registry& reg, HKey key, std::uint32_t index, std::string& name,
                     std::uint32_t nameChars, std::uint32_t& type, std::vector<std::uint8_t>& data,
                     std::uint32_t dataChars) {
    // Three bytes of UTF-8 hold any UTF-16 unit; the count then decides.
    constexpr std::uint32_t kBytesPerUnit = 3;
    std::uint32_t t = 0;
    if (!reg.EnumValue(key, index, name, nameChars, t, data, dataChars * kBytesPerUnit))
        return false;
    // Never more characters than bytes: a short value needs no count.
    if (data.size() > dataChars && DataChars(t, data) > dataChars) return false;
    type = t;
    return true;
}

std::optional<RegValue> ReadValueWithin(Registry& reg, HKey key, std::string_view name,
                                        std::size_t chars) {
    auto value = reg.ReadValueWhole(key, name);
    if (!value || (value->data.size() > chars && DataChars(value->type, value->data) > chars))
        return std::nullopt;
    return value;
}

} // namespace zt
