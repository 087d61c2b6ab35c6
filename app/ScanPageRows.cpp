#include "app/ScanPageRows.h"

#include "seams/Unicode.h"

namespace zt {

void ScanPageRows::Add(ScanRow row) {
    rows_.push_back(Entry{std::move(row), true});
    ++ticked_;
    ++version_;
}

void ScanPageRows::Clear() {
    // Swapped out, so a scan of tens of thousands gives its memory back.
    std::vector<Entry>().swap(rows_);
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
    const ScanRow& row = Row(index);
    return FindingSeen{row.reason, row.valueText};
}

const std::string* ScanPageRows::ColumnText(int index, int column) const {
    const ScanRow& row = Row(index);
    switch (column) {
    case 0:
        return &row.number;
    case 1:
        return &row.path;
    case 2:
        return &row.valueText;
    case 3:
        return &row.reason;
    default:
        return nullptr;
    }
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
        if (StartsWithNoCase(Row(i).number, typed)) return i;
    }
    return -1;
}

std::vector<TickedFinding> ScanPageRows::Ticked() const {
    std::vector<TickedFinding> ticked;
    ticked.reserve(static_cast<std::size_t>(ticked_));
    for (int i = 0; i < Count(); ++i) {
        const Entry& entry = At(i);
        if (entry.ticked)
            ticked.push_back({i, entry.row.finding, entry.row.reason, entry.row.valueText});
    }
    return ticked;
}

} // namespace zt
