#pragma once
// A finding's stable id, the same in every scan on every machine: 16 lower-case hex digits of
// the 64-bit FNV-1a hash of the root's abbreviation ("HKCU"), the key path, the value name
// and the reason, each followed by a zero byte, all in UTF-8. Registry names ignore letter
// case, so the key path and value name are hashed as FoldName folds them (an ASCII name in
// lower case), the same on every code page; the reason is hashed as the scan shows it.
#include <cstdint>
#include <string>
#include <string_view>

#include "seams/Registry.h"

namespace zt {

inline constexpr std::size_t kFindingIdChars = 16;

// The hash behind every stable id of the program (findings, startup rows): 64-bit FNV-1a over
// the fields in UTF-8, each followed by a zero byte, so ("ab", "c") and ("a", "bc") differ.
class StableIdHash {
  public:
    StableIdHash& Add(std::string_view field);
    // 16 lower-case hex digits.
    std::string Text() const;

  private:
    std::uint64_t h_ = 14695981039346656037ull; // the FNV-1a offset basis
};

std::string FindingId(RootKey root, std::string_view keyPath, std::string_view valueName,
                      std::string_view reason);
// True for text of exactly 16 hex digits (either case).
bool IsFindingIdText(std::string_view text);

} // namespace zt
