#include "scan/FindingId.h"

#include <cstdint>

namespace zt {

namespace {

constexpr std::uint64_t kFnvOffset = 14695981039346656037ull;
constexpr std::uint64_t kFnvPrime = 1099511628211ull;

void Mix(std::uint64_t& h, std::string_view text) {
    for (char c : text) {
        h ^= static_cast<unsigned char>(c);
        h *= kFnvPrime;
    }
    h ^= 0; // the zero byte that ends each field
    h *= kFnvPrime;
}

} // namespace

std::string FindingId(RootKey root, std::string_view keyPath, std::string_view valueName,
                      std::string_view reason) {
    std::string_view rootName = RootAbbreviation(root);
    if (!rootName.empty()) rootName.remove_suffix(1); // "HKCU", without its backslash
    std::uint64_t h = kFnvOffset;
    Mix(h, rootName);
    Mix(h, FoldName(keyPath));
    Mix(h, FoldName(valueName));
    Mix(h, reason);
    static const char digits[] = "0123456789abcdef";
    std::string id(kFindingIdChars, '0');
    for (std::size_t i = kFindingIdChars; i-- > 0; h >>= 4)
        id[i] = digits[h & 15];
    return id;
}

bool IsFindingIdText(std::string_view text) {
    if (text.size() != kFindingIdChars) return false;
    for (char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')))
            return false;
    return true;
}

} // namespace zt
