#pragma once
// Findings and the ignore list: which entry a finding names, and whether the list takes it in.
#include "scan/ScanFinding.h"
#include "settings/IgnoreList.h"

namespace zt {

inline bool IsIgnored(const IgnoreList& list, const ScanFinding& f) {
    return list.Ignores(f.root, f.keyPath, f.valueName, f.kind == FindingKind::Key);
}

// The entry that ignores just this finding, or (`tree`) its key and everything below it.
inline IgnoreEntry IgnoreEntryFor(const ScanFinding& f, bool tree) {
    if (tree) return IgnoreEntry{f.root, f.keyPath, {}, IgnoreKind::Tree};
    if (f.kind == FindingKind::Key) return IgnoreEntry{f.root, f.keyPath, {}, IgnoreKind::Key};
    return IgnoreEntry{f.root, f.keyPath, f.valueName, IgnoreKind::Value};
}

} // namespace zt
