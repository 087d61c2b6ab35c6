#pragma once
// The scan page's rows: every finding of the last scan with its column texts, evidence and
// tick mark. The result list is a virtual list drawn from here; it stores nothing of its own.
// Rows are kept in the order found and shown newest first. No <windows.h>.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "cleaning/Cleaning.h"
#include "scan/ScanSink.h"

namespace zt {

class ScanPageRows : public FindingList {
  public:
    // A new finding, ticked, at the top.
    void Add(ScanRow row);
    void Clear();

    int Count() const override { return static_cast<int>(rows_.size()); }
    bool IsTicked(int index) const override { return At(index).ticked; }
    const ScanFinding& FindingAt(int index) const override { return At(index).finding; }
    void RemoveRow(int index) override { RemoveRows({index}); }
    // One pass, however many go.
    void RemoveRows(const std::vector<int>& ascending) override;
    void UntickRow(int index) override { SetTicked(index, false); }
    std::optional<FindingSeen> SeenAt(int index) const override;

    // The text of column 0 to 3 (No., PATH, VALUE, Reason); PATH is made in `scratch`. None
    // for any other column.
    const std::string* ColumnText(int index, int column, std::string& scratch) const;
    // The reason and the evidence lines, as the row's tooltip shows them.
    std::string EvidenceTip(int index) const;
    void SetTicked(int index, bool ticked);
    void TickAll(bool ticked);
    int TickedCount() const { return ticked_; }
    // Check All shows ticked when no row is unticked.
    bool AllTicked() const { return ticked_ == Count(); }
    // The first row from `start` on, wrapping, whose number starts with `typed`; -1 if none.
    int FindNumber(std::string_view typed, int start) const;
    // The ticked rows, in list order.
    std::vector<int> TickedIndices() const;
    // Copies of the rows at `indices` for a cleaning run. Reads nothing a tick changes, so
    // another thread may make them while rows neither come nor go.
    std::vector<TickedFinding> Copies(const std::vector<int>& indices) const;
    // Changes whenever rows come or go, so a stale index can be told from a fresh one.
    std::uint64_t Version() const { return version_; }

  private:
    // Lean, as tens of thousands are kept: the path is made again when shown, a reason is
    // kept once for all its rows, the evidence as one text.
    struct Entry {
        ScanFinding finding;
        std::string number;
        std::string valueText;
        std::string evidence; // the lines, each after "\r\n"
        std::uint32_t reason = 0;
        bool ticked = true;
    };
    // Shown index -> stored index: the newest is shown first.
    std::size_t Stored(int index) const {
        return rows_.size() - 1 - static_cast<std::size_t>(index);
    }
    const Entry& At(int index) const { return rows_[Stored(index)]; }

    std::vector<Entry> rows_;
    std::vector<std::string> reasons_; // few: one per kind of finding
    int ticked_ = 0;
    std::uint64_t version_ = 0;
};

} // namespace zt
