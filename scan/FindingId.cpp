#include "scan/FindingId.h"

#include <cstdint>

namespace zt {

namespace {
constexpr std::uint64_t kFnvPrime = 1099511628211ull;
} // namespace

StableIdHash& StableIdHash::Add(std::string_view field) {
    for (char c : field) {
        h_ ^= static_cast<unsigned char>(c);
        h_ *= kFnvPrime;
    }
    h_ ^= 0; // the zero byte that ends each field
    h_ *= kFnvPrime;
    return *this;
}

std::string StableIdHash::Text() const {
    static const char digits[] = "0123456789abcdef";
    std::string id(kFindingIdChars, '0');
    std::uint64_t h = h_;
    for (std::size_t i = kFindingIdChars; i-- > 0; h >>= 4)
        id[i] = digits[h & 15];
    return id;
}

std::string FindingId(RootKey root, std::string_view keyPath, std::string_view valueName,
                      std::string_view reason) {
    std::string_view rootName = RootAbbreviation(root);
    if (!rootName.empty()) rootName.remove_suffix(1); // "HKCU", without its backslash
    return StableIdHash()
        .Add(rootName)
        .Add(FoldName(keyPath))
        .Add(FoldName(valueName))
        .Add(reason)
        .Text();
}

bool IsFindingIdText(std::string_view text) {
    if (text.size() != kFindingIdChars) return false;
    for (char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')))
            return false;
    return true;
}

} // namespace zt
