#include "app/ScanPageRows.h"

#include <algorithm>

#include "seams/Registry.h"
#include "seams/Unicode.h"

namespace zt {

void ScanPageRows::Add(ScanRow row) {
    // Within the tooltip's text buffer, with the reason in front.
    constexpr std::size_t kTipChars = 1000;
    Entry entry{
        std::move(row.finding), std::move(row.number), std::move(row.valueText), {}, 0, true};
    for (const auto& line : row.evidence) {
        if (row.reason.size() + entry.evidence.size() + line.size() + 2 > kTipChars) break;
        entry.evidence += "\r\n" + line;
    }
    auto known = std::find(reasons_.begin(), reasons_.end(), row.reason);
    entry.reason = static_cast<std::uint32_t>(known - reasons_.begin());
    if (known == reasons_.end()) reasons_.push_back(std::move(row.reason));
    rows_.push_back(std::move(entry));
    ++ticked_;
    ++version_;
}

void ScanPageRows::Clear() {
    // Swapped out, so a scan of tens of thousands gives its memory back.
    std::vector<Entry>().swap(rows_);
    reasons_.clear();
    ticked_ = 0;
    ++version_;
}

void ScanPageRows::RemoveRows(const std::vector<int>& ascending) {
    if (ascending.empty()) return;
    // Shown indices ascend as stored ones descend: walk the stored rows from the top down.
    std::vector<bool> gone(rows_.size(), false);
    for (int index : ascending)
        if (index >= 0 && index < Count()) gone[Stored(index)] = true;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (gone[i]) {
            ticked_ -= rows_[i].ticked;
            continue;
        }
        if (kept != i) rows_[kept] = std::move(rows_[i]);
        ++kept;
    }
    rows_.resize(kept);
    ++version_;
}

std::optional<FindingSeen> ScanPageRows::SeenAt(int index) const {
    const Entry& entry = At(index);
    return FindingSeen{reasons_[entry.reason], entry.valueText};
}

const std::string* ScanPageRows::ColumnText(int index, int column, std::string& scratch) const {
    const Entry& entry = At(index);
    switch (column) {
    case 0:
        return &entry.number;
    case 1:
        // As the scan showed it: the root's short name, the key, a backslash, the value name.
        scratch.assign(RootAbbreviation(entry.finding.root));
        scratch += entry.finding.keyPath;
        scratch += '\\';
        scratch += entry.finding.valueName;
        return &scratch;
    case 2:
        return &entry.valueText;
    case 3:
        return &reasons_[entry.reason];
    default:
        return nullptr;
    }
}

std::string ScanPageRows::EvidenceTip(int index) const {
    const Entry& entry = At(index);
    return reasons_[entry.reason] + entry.evidence;
}

void ScanPageRows::SetTicked(int index, bool ticked) {
    Entry& entry = rows_[Stored(index)];
    if (entry.ticked == ticked) return;
    entry.ticked = ticked;
    ticked_ += ticked ? 1 : -1;
}

void ScanPageRows::TickAll(bool ticked) {
    for (Entry& entry : rows_)
        entry.ticked = ticked;
    ticked_ = ticked ? Count() : 0;
}

int ScanPageRows::FindNumber(std::string_view typed, int start) const {
    const int n = Count();
    for (int k = 0; k < n; ++k) {
        const int i = ((start < 0 ? 0 : start) + k) % n;
        if (StartsWithNoCase(At(i).number, typed)) return i;
    }
    return -1;
}

std::vector<int> ScanPageRows::TickedIndices() const {
    std::vector<int> indices;
    indices.reserve(static_cast<std::size_t>(ticked_));
    for (int i = 0; i < Count(); ++i)
        if (At(i).ticked) indices.push_back(i);
    return indices;
}

std::vector<TickedFinding> ScanPageRows::Copies(const std::vector<int>& indices) const {
    std::vector<TickedFinding> copies;
    copies.reserve(indices.size());
    for (int i : indices) {
        const Entry& entry = At(i);
        copies.push_back({i, entry.finding, reasons_[entry.reason], entry.valueText});
    }
    return copies;
}

} // namespace zt
