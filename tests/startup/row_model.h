#pragma once
// An enumerated list with check boxes, as deletion sees the page's list.
#include <string>
#include <vector>

#include "startup/StartupEditor.h"
#include "startup/row_sink.h"

namespace zt::test {

struct RowModel : RowSink, StartupRowModel {
    std::vector<bool> checked;
    std::vector<int> removed; // indexes passed to RemoveRow, in order

    void ClearStartupRows() override {
        RowSink::ClearStartupRows();
        checked.clear();
    }
    void AddStartupRow(const StartupEntry& entry) override {
        RowSink::AddStartupRow(entry);
        checked.push_back(false);
    }
    int RowCount() const override { return static_cast<int>(rows.size()); }
    bool IsRowChecked(int index) const override { return checked.at(index); }
    StartupEntry RowEntry(int index) const override { return rows.at(index); }
    void RemoveRow(int index) override {
        removed.push_back(index);
        rows.erase(rows.begin() + index);
        checked.erase(checked.begin() + index);
    }
    void Check(const std::string& name) {
        for (std::size_t i = 0; i < rows.size(); ++i)
            if (rows[i].name == name) checked[i] = true;
    }
    void CheckAll() { checked.assign(rows.size(), true); }
};

} // namespace zt::test
