#pragma once
// An enumerated list with check boxes, as deletion sees the page's list.
#include <string>
#include <vector>

#include "startup/StartupEditor.h"
#include "startup/row_sink.h"

namespace zt::test {

struct RowModel : RowSink, StartupRowModel {
    std::vector<bool> ticked;
    std::vector<int> removed; // indexes passed to RemoveRow, in order

    void ClearStartupRows() override {
        RowSink::ClearStartupRows();
        ticked.clear();
    }
    void AddStartupRow(const StartupEntry& entry) override {
        RowSink::AddStartupRow(entry);
        ticked.push_back(false);
    }
    int RowCount() const override { return static_cast<int>(rows.size()); }
    bool IsRowTicked(int index) const override { return ticked.at(index); }
    StartupEntry RowEntry(int index) const override { return rows.at(index); }
    void RemoveRow(int index) override {
        removed.push_back(index);
        rows.erase(rows.begin() + index);
        ticked.erase(ticked.begin() + index);
    }
    void Tick(const std::string& name) {
        for (std::size_t i = 0; i < rows.size(); ++i)
            if (rows[i].name == name) ticked[i] = true;
    }
    void TickAll() { ticked.assign(rows.size(), true); }
};

} // namespace zt::test
