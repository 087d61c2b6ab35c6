#pragma once
// Collects the rows of an enumeration for the tests.
#include <algorithm>
#include <string>
#include <vector>

#include "startup/StartupEntry.h"

namespace zt::test {

struct RowSink : StartupEntrySink {
    std::vector<StartupEntry> rows;
    int clears = 0;
    void ClearStartupRows() override {
        rows.clear();
        ++clears;
    }
    void AddStartupRow(const StartupEntry& entry) override { rows.push_back(entry); }

    const StartupEntry* Find(const std::string& name) const {
        auto it = std::find_if(rows.begin(), rows.end(),
                               [&](const StartupEntry& e) { return e.name == name; });
        return it == rows.end() ? nullptr : &*it;
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> out;
        for (const auto& r : rows)
            out.push_back(r.name);
        return out;
    }
};

} // namespace zt::test
