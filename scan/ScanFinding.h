#pragma once
// One invalid registry entry found by a scan. The reason and examined data live only in the
// list row's texts, not here.
#include <string>

#include "seams/Registry.h"

namespace zt {

enum class FindingKind { Key = 0, Value = 1 };

struct ScanFinding {
    RootKey root = 0;
    std::string keyPath;   // below the root, no leading backslash
    std::string valueName; // empty for a key finding and for a default value
    FindingKind kind = FindingKind::Key;
};

inline constexpr int kScanCategoryCount = 17;

} // namespace zt
