#include "cleaning/FindingRecheck.h"

namespace zt {

FindingRecheck::FindingRecheck(Registry& registry, System& system)
    : engine_(registry, system, rows_) {
    engine_.SetAllCategories(true);
    // One run re-checks thousands of findings in moments: a drive's kind, slow to ask, is
    // asked once per run, as a scan asks it once.
    engine_.KeepDriveKinds();
}

bool FindingRecheck::StillInvalid(const ScanFinding& f, const FindingSeen& seen) {
    rows_.rows.clear();
    // A value finding needs only its own value read; a key finding's rule sees them all.
    std::optional<std::string_view> only;
    if (f.kind == FindingKind::Value) only = f.valueName;
    engine_.RescanKey(f.root, f.keyPath, only, seen.reason);
    for (const ScanRow& row : rows_.rows) {
        const ScanFinding& now = row.finding;
        if (now.root == f.root && now.kind == f.kind && NamesEqual(now.keyPath, f.keyPath) &&
            NamesEqual(now.valueName, f.valueName) && row.reason == seen.reason &&
            row.valueText == seen.valueText)
            return true;
    }
    return false;
}

} // namespace zt
